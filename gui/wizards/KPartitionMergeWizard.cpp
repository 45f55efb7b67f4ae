#include "gui/wizards/KPartitionMergeWizard.h"

#include <algorithm>
#include <string>

#include "engine/DiskEngine.h"
#include "gui/wizards/KPartitionMergeWizard_SelectPartitionPage.h"

KPartitionMergeWizard::KPartitionMergeWizard(IVirtualVolumeManager* layout, QWidget* parent) : QWizard(parent)
{
    using Page = KPartitionMergeWizard_SelectPartitionPage;
    addPage(new Page(Page::ExpandMode, layout, this));
    addPage(new Page(Page::MergeMode, layout, this));
    setWindowTitle(tr("Merge Partition"));
    setSizeGripEnabled(true);
    resize(700, 560);
}

void KPartitionMergeWizard::accept()
{
    // The last page's check runs on the way out; a refused page leaves the wizard open.
    setResult(Rejected);
    QWizard::accept();
    if (result() != Accepted)
        return;
    m_nDiskIndex = field(QStringLiteral("DiskIndex")).toInt();
    const int expanding = field(QStringLiteral("ExtendingPartitionIndex")).toInt();
    const int merging = field(QStringLiteral("MergeingPartitionIndex")).toInt();
    m_nFirstIndex = std::min(expanding, merging);
    m_nSecondIndex = std::max(expanding, merging);
    m_bFirstIsExpanded = m_nFirstIndex == expanding;
    const std::u16string name = field(QStringLiteral("NewFolderName")).toString().left(kFolderNameUnits).toStdU16String();
    std::fill(std::begin(m_folderName), std::end(m_folderName), '\0');
    UnicodeToAnsi(name.c_str(), int(name.size()), m_folderName, kFolderNameBytes);
}
