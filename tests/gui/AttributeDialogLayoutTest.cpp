// Every attribute dialog at its opening size: nothing lies outside the window and no text is cut.
// With VOLMARA_SHOT_DIR set, each window is also saved there as a picture to look at.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "gui/dialogs/KChangeClusterSizeDlg.h"
#include "gui/dialogs/KChangeLabelDlg.h"
#include "gui/dialogs/KChangeLetterDlg.h"
#include "gui/dialogs/KChangePartitionTypeID.h"
#include "gui/dialogs/KFormatPartitionDlg.h"
#include "gui/dialogs/KWipingDiskDlg.h"
#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"

namespace {

struct Case {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const QString kName = QStringLiteral("E: ( Disk 1 Partition 2 )");

class AttributeDialogLayout : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(AttributeDialogLayout, EverythingFitsInTheWindow)
{
    std::unique_ptr<QDialog> dialog = GetParam().make();
    dialog->show();
    QApplication::processEvents();
    const QRect window(QPoint(0, 0), dialog->size());

    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)
                                 || qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w)))
            continue;
        if (qobject_cast<QComboBox*>(w->parentWidget()) || qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            continue; // the boxes' own parts
        SCOPED_TRACE(w->objectName().toStdString());
        const QRect placed(w->mapTo(dialog.get(), QPoint(0, 0)), w->size());
        EXPECT_TRUE(window.contains(placed)) << "at " << placed.x() << "," << placed.y() << " size "
                                             << placed.width() << "x" << placed.height();
        const auto* label = qobject_cast<QLabel*>(w);
        if (label && label->wordWrap()) {
            EXPECT_GE(w->height(), label->heightForWidth(w->width()));
        } else {
            EXPECT_GE(w->width(), w->minimumSizeHint().width());
            EXPECT_GE(w->height(), w->minimumSizeHint().height());
        }
        if (label && !label->wordWrap() && label->pixmap().isNull()) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << label->text().toStdString();
        }
    }

    const QPixmap picture = dialog->grab();
    EXPECT_EQ(picture.size(), dialog->size());
    const QByteArray dir = qgetenv("VOLMARA_SHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(QString::fromLocal8Bit(dir)).filePath(QString::fromLatin1(GetParam().name) + ".png")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, AttributeDialogLayout,
    ::testing::Values(
        Case{"format", [] { return std::make_unique<KFormatPartitionDlg>(QStringLiteral("DATA"), 2097152); }},
        Case{"label", [] { return std::make_unique<KChangeLabelDlg>(7, QStringLiteral("Backup")); }},
        Case{"letter", [] { return std::make_unique<KChangeLetterDlg>(QStringLiteral("E:")); }},
        Case{"typeid", [] { return std::make_unique<KChangePartitionTypeID>(kName, 0x0C); }},
        Case{"serial", [] { return std::make_unique<QChangePartitionSerialNumberDlg>(0x5a3c19e2ULL, kName); }},
        Case{"cluster", [] { return std::make_unique<KChangeClusterSizeDlg>(1, 32, 64, kName); }},
        Case{"wipe", [] { return std::make_unique<KWipingDiskDlg>(kName); }}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
