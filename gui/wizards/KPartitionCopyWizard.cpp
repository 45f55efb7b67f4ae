#include "gui/wizards/KPartitionCopyWizard.h"

#include <QMessageBox>

#include "gui/wizards/KDestPartitionEditorPage.h"
#include "gui/wizards/KSelectPartitionPage.h"
#include "gui/wizards/KWelcomePage.h"
#include "gui/wizards/PartitionCopyRules.h"
#include "model/IVirtualVolumeManager.h"

KPartitionCopyWizard::KPartitionCopyWizard(int nSourceDiskIndex, int nSourcePartitionIndex,
                                           IVirtualVolumeManager* layout, QWidget* parent)
    : QWizard(parent), m_layout(layout)
{
    const bool preselected = nSourceDiskIndex >= 0 && nSourcePartitionIndex >= 0;
    addPage(new KWelcomePage(tr("Partition Copy Wizard"), tr("This wizard helps you to copy a partition."), this));
    addPage(new KSelectPartitionPage(true, layout, this, preselected ? nSourceDiskIndex : -1,
                                     preselected ? nSourcePartitionIndex : -1));
    const int destination = addPage(new KSelectPartitionPage(false, layout, this));
    addPage(new KDestPartitionEditorPage(layout, this));
    if (preselected)
        setStartId(destination);
    setWindowTitle(tr("Partition Copy Wizard"));
    setSizeGripEnabled(true);
    resize(700, 560);
}

void KPartitionCopyWizard::accept()
{
    const int sourceDisk = field(QStringLiteral("SourceDiskIndex")).toInt();
    const int sourceIndex = field(QStringLiteral("SourcePartitionIndex")).toInt();
    const int destDisk = field(QStringLiteral("DestDiskIndex")).toInt();
    const int destIndex = field(QStringLiteral("DestPartitionIndex")).toInt();
    const bool primary = field(QStringLiteral("PrimaryPartition")).toInt() != 0;
    PartitionInfo source{}, area{};
    if (!m_layout || !m_layout->GetPartition(sourceDisk, sourceIndex, &source) ||
        !m_layout->GetPartition(destDisk, destIndex, &area))
        return;
    const int64_t diskSectors = PartitionCopyRules::GeometryOf(m_layout, destDisk).TotalSectors;
    int64_t start = 0, size = 0;
    if (!PartitionCopyRules::PlaceCopy(area, field(QStringLiteral("DestStartingOffset")).toLongLong(),
                                       field(QStringLiteral("DestPartitionSize")).toLongLong(), primary, diskSectors,
                                       source.FileSystemType, &start, &size)) {
        // Ext and swap copies keep their exact size; with the boot-record track taken there is no room.
        QMessageBox::critical(this, tr("Error"), tr("The destination unallocated space is too small."));
        return;
    }
    m_bPrimary = primary;
    m_nSourceDisk = sourceDisk;
    m_nSourcePartition = sourceIndex;
    m_nDestDisk = destDisk;
    m_nDestPartition = destIndex;
    m_n64Start = start;
    m_n64Size = size;
    QWizard::accept();
}
