#include "gui/tools/KDriveExplorerDlg.h"

#include "gui/common/SizeText.h"

#include <QStyle>
#include <QTreeWidget>
#include <cstring>
#include <iterator>

#include "core/Clock.h"
#include "core/TextConversion.h"
#include "ui_KDriveExplorerDlg.h"

namespace {

constexpr int kNameWidth = 250;
constexpr int kColumnWidth = 150;
constexpr uint32_t kAttributeDirectory = 0x10;

} // namespace

KDriveExplorerDlg::KDriveExplorerDlg(const QString& strDisplayName, IFileSystemExplorer* explorer, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KDriveExplorerDlg>()), m_explorer(explorer)
{
    ui->setupUi(this);
    setWindowFlags((windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
                   & ~Qt::WindowMinimizeButtonHint & ~Qt::WindowContextHelpButtonHint);
    ui->treeWidget->setColumnWidth(0, kNameWidth);
    for (int column = 1; column < 4; ++column)
        ui->treeWidget->setColumnWidth(column, kColumnWidth);

    auto* computer = new QTreeWidgetItem(QStringList(tr("My Computer")));
    computer->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
    ui->treeWidget->insertTopLevelItem(0, computer);
    auto* drive = new QTreeWidgetItem(computer, QStringList(strDisplayName));
    drive->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    fill(kExplorerRoot, drive);
    computer->setExpanded(true);
    drive->setExpanded(true);
    connect(ui->treeWidget, &QTreeWidget::itemExpanded, this, &KDriveExplorerDlg::onTreeItemExpanded);
}

KDriveExplorerDlg::~KDriveExplorerDlg() = default;

QString KDriveExplorerDlg::TimeText(const uint32_t fileTime[2])
{
    const EngineLocalTime t = FileTimeToCalendar(uint64_t(fileTime[0]) | (uint64_t(fileTime[1]) << 32));
    return QStringLiteral("%1-%2-%3 %4:%5:%6").arg(t.Year).arg(t.Month).arg(t.Day).arg(t.Hour).arg(t.Minute).arg(t.Second);
}

QString KDriveExplorerDlg::SizeText(int64_t n64Bytes)
{
    const double kb = double(n64Bytes) / 1024, mb = kb / 1024, gb = mb / 1024;
    if (gb >= 1)
        return QStringLiteral("%1 GB").arg(SizeText::Decimal(gb, 2));
    if (mb >= 1)
        return QStringLiteral("%1 MB").arg(SizeText::Decimal(mb, 2));
    if (kb >= 1)
        return QStringLiteral("%1 KB").arg(SizeText::Decimal(kb, 2));
    return QStringLiteral("%1 Bytes").arg(n64Bytes);
}

void KDriveExplorerDlg::fill(int32_t nDirectoryId, QTreeWidgetItem* parent)
{
    std::vector<ExplorerEntry> entries;
    if (!m_explorer || !m_explorer->List(nDirectoryId, entries))
        return;
    if (entries.empty())
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const ExplorerEntry& entry : entries) {
        char16_t name[sizeof entry.Name];
        const int units = AnsiToUnicode(entry.Name, int(strnlen(entry.Name, sizeof entry.Name)), name, int(std::size(name)));
        auto* item = new QTreeWidgetItem;
        item->setText(0, QString::fromUtf16(name, units));
        item->setText(1, TimeText(entry.CreationTime));
        item->setText(2, TimeText(entry.ModificationTime));
        item->setData(0, Qt::UserRole, int(entry.DirectoryId));
        if (entry.Attributes & kAttributeDirectory) {
            item->setIcon(0, folderIcon);
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            parent->insertChild(0, item);
        } else {
            item->setText(3, SizeText(entry.Size));
            item->setIcon(0, fileIcon);
            item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
            parent->addChild(item);
        }
    }
    m_listings.push_back(std::move(entries));
}

void KDriveExplorerDlg::onTreeItemExpanded(QTreeWidgetItem* item)
{
    if (!item || item->childCount() != 0)
        return;
    const int id = item->data(0, Qt::UserRole).toInt();
    if (id != 0)
        fill(int32_t(id), item);
}

void KDriveExplorerDlg::on_pushButton_clicked()
{
    accept();
}
