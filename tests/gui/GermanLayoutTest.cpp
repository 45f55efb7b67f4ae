// The German catalogue against the room the window gives its texts: the action panel, the partition
// list, and every dialog and wizard page the window's actions open, over a disk with FAT, NTFS and free
// space. A text wider than its label, button, group title, panel entry or list cell is reported with
// what it needs and what it has.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>
#include <QWizard>
#include <set>

#include "HandlerSupport.h"
#include "MainFrameSupport.h"
#include "gui/views/KActionPanel.h"
#include "gui/views/KDiskMapPartitionItemModel.h"
#include "support/NtfsVolumes.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;

namespace {

struct German {
    QTranslator ours, qt;
    bool loaded = ours.load(QStringLiteral("qz_de"), QStringLiteral(VOLMARA_QM_DIR));
    German()
    {
        QCoreApplication::installTranslator(&ours);
        if (qt.load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qt);
    }
};

QString shown(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

int widest(const QFontMetrics& metrics, const QString& text)
{
    int width = 0;
    for (const QString& line : shown(text).split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line));
    return width;
}

class Clips {
public:
    void Add(const QString& where, const QString& text, int needs, int has)
    {
        if (needs > has)
            m_found.insert(QStringLiteral("%1 \"%2\": needs %3 px, has %4").arg(where, text).arg(needs).arg(has).toStdString());
    }
    std::string Report() const
    {
        std::string all;
        for (const std::string& line : m_found)
            all += line + "\n";
        return all;
    }
    size_t Count() const { return m_found.size(); }

    // Every visible text-bearing child of `root`. A child inside a scroll area has only the part of it
    // the area's viewport shows.
    void Check(QWidget& root, const QString& owner)
    {
        for (QWidget* w : root.findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&root) || w->width() <= 1)
                continue;
            const QString where = owner + QLatin1Char('/') + (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName());
            const int clipped = shownWidth(*w);
            const QStyle* style = w->style();
            if (auto* panel = qobject_cast<KActionPanelButton*>(w)) {
                int room = panel->width() - 10;
                if (!panel->isTitleMode())
                    room -= 30;
                else if (!panel->keepLook())
                    room -= 5 + KActionPanelButton::arrowPixmap(true).width() + 4;
                Add(where, panel->text(), widest(panel->fontMetrics(), panel->text()), room - (panel->width() - clipped));
            } else if (auto* label = qobject_cast<QLabel*>(w)) {
                if (label->wordWrap() || label->text().isEmpty() || Qt::mightBeRichText(label->text()))
                    continue;
                const int room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
                Add(where, label->text(), widest(label->fontMetrics(), label->text()), room);
            } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
                Add(where, box->text(), widest(box->fontMetrics(), box->text()),
                    box->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) -
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box));
            } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
                Add(where, radio->text(), widest(radio->fontMetrics(), radio->text()),
                    radio->width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, radio) -
                        style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, radio));
            } else if (auto* button = qobject_cast<QPushButton*>(w)) {
                if (button->text().isEmpty())
                    continue;
                const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
                Add(where, button->text(), widest(button->fontMetrics(), button->text()) + icon, clipped - 8);
            } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
                Add(where, group->title(), widest(group->fontMetrics(), group->title()), group->width() - 16);
            }
        }
    }

    // The partition list's cells with the offsets its delegate paints them at.
    void CheckList(QTreeView& list)
    {
        QAbstractItemModel* model = list.model();
        for (int row = 0; row < model->rowCount(); ++row)
            for (int column : {1, 2, 6, 7}) {
                const QModelIndex index = model->index(row, column);
                const QString text = index.data(Qt::DisplayRole).toString();
                if (text.isEmpty())
                    continue;
                QFont font = list.font();
                if (const QVariant f = index.data(Qt::FontRole); f.isValid())
                    font = f.value<QFont>();
                const bool diskRow = index.data(Qt::FontRole).isValid();
                const int offset = diskRow ? 0 : column == 1 ? 10 : column == 2 ? 20 : 0;
                Add(QStringLiteral("partition list, column %1").arg(column), text, QFontMetrics(font).horizontalAdvance(text),
                    list.columnWidth(column) - offset - 6);
            }
    }

private:
    // The width of `w` its enclosing scroll areas leave visible.
    static int shownWidth(const QWidget& w)
    {
        int shown = w.width();
        for (const QWidget* p = w.parentWidget(); p; p = p->parentWidget())
            if (auto* area = qobject_cast<const QAbstractScrollArea*>(p); area && area->viewport()->isAncestorOf(&w)) {
                const QPoint at = w.mapTo(area->viewport(), QPoint(0, 0));
                shown = std::min(shown, area->viewport()->width() - std::max(0, at.x()));
            }
        return shown;
    }

    std::set<std::string> m_found;
};

const char* const kScript = "label: dos\nunit: sectors\n"
                            "start=2048, size=40960, type=6\n"
                            "start=43008, size=40960, type=7\n";

void makeVolumes(const std::string& image)
{
    static TestSupport::TempDir dir;
    EXPECT_TRUE(VolumeCheck::MakeVolumeAt(dir, image, 2048, 40960, {"mkfs.fat", "-F", "16", "-n", "DATEN", "-h", "2048"}));
    EXPECT_EQ(NtfsVolumes::Make(dir, image, 43008, 40960, NtfsVolumes::Maker::Mkntfs, 4096), "");
}

// Opens what `action` opens and checks it. A wizard is not walked with Next (that would open boxes from
// inside this answer, which nothing would answer); its other pages are shown in the first one's place.
void checkAction(MainFrame& f, QAction& action, Clips& clips)
{
    DialogAnswer<QDialog> answer([&](QDialog& dialog) {
        const QString owner = QString::fromLatin1(dialog.metaObject()->className());
        QCoreApplication::processEvents();
        clips.Check(dialog, owner);
        // A wizard's later pages are laid out in the current page's place, without going there.
        if (auto* wizard = qobject_cast<QWizard*>(&dialog))
            for (int id : wizard->pageIds()) {
                QWizardPage* page = wizard->page(id);
                if (id == wizard->currentId() || !page)
                    continue;
                page->setGeometry(wizard->currentPage()->geometry());
                page->show();
                if (page->layout())
                    page->layout()->activate();
                QCoreApplication::processEvents();
                clips.Check(*page, owner + QStringLiteral("/page %1").arg(id));
                page->hide();
            }
        dialog.reject();
    });
    const int before = f.Executive()->GetCommandCount();
    action.trigger();
    for (int i = f.Executive()->GetCommandCount(); i > before; --i)
        f.on_actionUndo_Last_Changes_triggered();
}

} // namespace

TEST(GermanLayout, EveryTextFitsTheRoomItGets)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "mkfs.fat or mkntfs is missing";
    German german;
    ASSERT_TRUE(german.loaded);
    Window w({{96, kScript, makeVolumes}, {32, ""}});
    MainFrame& f = *w.frame;
    f.resize(1024, 768);
    f.show();
    QCoreApplication::processEvents();

    Clips clips;
    clips.Check(f, QStringLiteral("main window"));
    clips.CheckList(*f.findChild<QTreeView*>(QStringLiteral("diskPartitionList")));

    // Actions that leave the program, apply, or open the browser.
    const std::set<QString> skipped = {
        QStringLiteral("actionApply_All_Changes"), QStringLiteral("action_Exit"), QStringLiteral("actionExit"),
        QStringLiteral("actionContent"), QStringLiteral("actionFAQ"), QStringLiteral("actionDownload_Bootable_CD"),
        QStringLiteral("actionFeedback_Feature_Request")};
    const int entries = f.PendingLayout()->GetPartitionCount(0);
    for (int index = -1; index < entries; ++index) {
        Select(f, 0, index);
        for (QAction* action : f.findChildren<QAction*>())
            if (action->isEnabled() && action->isVisible() && !action->menu() && !action->objectName().isEmpty() &&
                !skipped.count(action->objectName()))
                checkAction(f, *action, clips);
    }
    EXPECT_EQ(clips.Count(), 0u) << clips.Report();
}
