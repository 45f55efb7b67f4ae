#include "KPropertiesDlg.h"

#include <QTextEdit>

#include "KFileSystemInfoPage.h"
#include "KPartitionUsagePage.h"
#include "core/FileSystemTypes.h"
#include "engine/IDisk.h"
#include "fs/FileSystemServices.h"
#include "fs/IFileSystem.h"
#include "gui/common/SizeText.h"
#include "model/IVirtualVolumeManager.h"
#include "ui_KDiskPropertiesPage.h"
#include "ui_KPropertiesDlg.h"

namespace {

// The geometry's sector size; every disk the engine takes has 512-byte sectors, so that stands in when
// the geometry cannot be read.
int bytesPerSector(const DiskGeometry& geometry)
{
    return geometry.BytesPerSector > 0 ? geometry.BytesPerSector : 512;
}

DiskGeometry readGeometry(IDisk* disk)
{
    DiskGeometry geometry{};
    if (!disk || !disk->GetGeometry(&geometry))
        geometry = DiskGeometry{};
    return geometry;
}

} // namespace

KPropertiesDlg::KPropertiesDlg(IVirtualVolumeManager* manager, int nDiskIndex, int nListIndex, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::KPropertiesDlg>())
{
    ui->setupUi(this);
    IDisk* disk = manager ? manager->GetDisk(nDiskIndex) : nullptr;
    if (nListIndex < 0)
        addDiskPage(disk);
    else if (manager)
        addPartitionPages(manager, disk, nDiskIndex, nListIndex);
    resize(minimumSize());
}

KPropertiesDlg::~KPropertiesDlg() = default;

void KPropertiesDlg::on_okButton_clicked()
{
    reject();
}

void KPropertiesDlg::addDiskPage(IDisk* disk)
{
    const DiskGeometry geometry = readGeometry(disk);
    auto* page = new QWidget(ui->tabWidget);
    Ui::KDiskPropertiesPage form;
    form.setupUi(page);
    char name[256] = {};
    if (disk && disk->GetName(name, sizeof name - 1))
        form.deviceNameLabel->setText(QString::fromUtf8(name));
    form.cylindersLabel->setText(QString::number(geometry.Cylinders));
    form.headsLabel->setText(QString::number(geometry.TracksPerCylinder));
    form.sectorsPerTrackLabel->setText(QString::number(geometry.SectorsPerTrack));
    form.bytesPerSectorLabel->setText(QString::number(geometry.BytesPerSector));
    form.physicalSectorsLabel->setText(QString::number(geometry.TotalSectors));
    form.totalSizeLabel->setText(
        SizeText::PropertiesSizeOfBytes(SizeText::Bytes(geometry.TotalSectors, geometry.BytesPerSector)));
    ui->tabWidget->addTab(page, tr("Disk Properties"));
}

void KPropertiesDlg::addPartitionPages(IVirtualVolumeManager* manager, IDisk* disk, int nDiskIndex, int nListIndex)
{
    PartitionInfo e{};
    if (!manager->GetPartition(nDiskIndex, nListIndex, &e))
        return;
    const int sectorBytes = bytesPerSector(readGeometry(disk));
    const int64_t total = SizeText::Bytes(e.TotalSectors, sectorBytes);
    const int64_t used = SizeText::Bytes(e.TotalSectors - e.FreeSectors, sectorBytes);
    ui->tabWidget->addTab(new KPartitionUsagePage(used, total, ui->tabWidget), tr("Usage"));

    // An unallocated entry shows no file system whatever its record says, and reads nothing.
    if (e.PartitionTypeId == 0)
        e.FileSystemType = kFsNone;
    const int code = e.FileSystemType;
    // Entries with pending work are not on the disk yet: both read nothing for them.
    const uint64_t serial = ReadEntrySerialNumber(disk, e);
    const int typeId = manager->IsGptDisk(nDiskIndex) ? -1 : e.PartitionTypeId;
    ui->tabWidget->addTab(new KFileSystemInfoPage(typeId, code, serial, e.StartingLba, e.EndLba(), ui->tabWidget),
                          tr("Partition Info"));

    if (serial == 0)
        return;
    VolumeParameters parameters;
    auto* text = new QTextEdit(ui->tabWidget);
    text->setReadOnly(true);
    text->setFrameShape(QFrame::NoFrame);
    QPalette palette = text->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    text->setPalette(palette);
    if (ReadEntryParameters(disk, e, &parameters))
        text->setPlainText(FileSystemInfoText(code, parameters));
    ui->tabWidget->addTab(text, tr("File System Info"));
}

QString KPropertiesDlg::FileSystemInfoText(int nFileSystemType, const VolumeParameters& p)
{
    const qint64 s = p.SectorsPerCluster;
    switch (nFileSystemType) {
    case kFsFat12:
    case kFsFat16:
        return tr("\n\n\tSectors per Cluster: %1 (%2 bytes)\n\n\tNumber of Fats: %3\n\n\tReserved Sectors: %4\n\n\t"
                  "Sectors per FAT: %5\n\n\tRoot Entries Limit: %6")
            .arg(s)
            .arg(s * 512)
            .arg(p.NumberOfFats)
            .arg(p.ReservedSectors)
            .arg(p.SectorsPerFat)
            .arg(p.RootEntries);
    case kFsFat32:
        return tr("\n\n\tSectors per Cluster: %1 (%2 bytes)\n\n\tNumber of Fats: %3\n\n\tReserved Sectors: %4\n\n\t"
                  "Sectors per FAT: %5\n\n\tRoot 1st Cluster NO.: %6")
            .arg(s)
            .arg(s * 512)
            .arg(p.NumberOfFats)
            .arg(p.ReservedSectors)
            .arg(p.SectorsPerFat)
            .arg(p.RootCluster);
    case kFsNtfs:
        return tr("\n\n\tSectors per Cluster: %1 (%2 bytes)\n\n\tSectors per File Record: %3 (%4 bytes)\n\n\t"
                  "Sectors per Index Record: %5 (%6 bytes)\n\n\t$MFT LCN: %7\n\n\t$MFTMirr LCN: %8")
            .arg(s)
            .arg(s * 512)
            .arg(p.SectorsPerFileRecord)
            .arg(qint64(p.SectorsPerFileRecord) * 512)
            .arg(p.SectorsPerIndexRecord)
            .arg(qint64(p.SectorsPerIndexRecord) * 512)
            .arg(p.MftLcn)
            .arg(p.MftMirrorLcn);
    case kFsExt2:
    case kFsExt3:
        return tr("\n\n\tSectors per Cluster: %1 (%2 bytes)\n\n\tInodes Per Group: %3\n\n\tBlocks Per Group: %4\n\n\t"
                  "Inode Size: %5")
            .arg(s)
            .arg(s * 512)
            .arg(p.InodesPerGroup)
            .arg(p.BlocksPerGroup)
            .arg(p.InodeSize);
    default:
        return QString();
    }
}
