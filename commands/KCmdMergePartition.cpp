#include "KCmdMergePartition.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "core/FileSystemTypes.h"
#include "core/TextConversion.h"
#include "fs/IFileSystemExplorer.h"
#include "fs/ntfs/KNtfsMerge.h"
#include "fs/ntfs/NtfsImages.h"
#include "model/IVolumeManager.h"

namespace {

constexpr int kFolderUnits = 128;
constexpr int kNameCandidates = 500;

std::u16string toUtf16(const char* text)
{
    char16_t units[512];
    const int n = AnsiToUnicode(text, int(std::strlen(text)), units, 512);
    return std::u16string(units, size_t(n));
}

bool sameName(const std::u16string& a, const std::u16string& b, const std::vector<uint16_t>& upcase)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upcase[uint16_t(a[i])] != upcase[uint16_t(b[i])])
            return false;
    return true;
}

// The folder name, or "name(1)" ... "name(499)" when the root of the surviving volume already holds
// it (names compared as NTFS compares them, whatever their case). The last candidate when all are taken.
std::u16string uniqueFolderName(IDisk* disk, int64_t start, const char* wanted)
{
    std::vector<std::u16string> taken;
    std::vector<std::string> names;
    if (ReadRootNames(kFsNtfs, disk, start, names))
        for (const std::string& name : names)
            taken.push_back(toUtf16(name.c_str()));
    std::vector<uint16_t> upcase(0x10000);
    NtfsImages::BuildUpcaseTable(upcase.data());
    const std::u16string base = toUtf16(wanted).substr(0, kFolderUnits);
    std::u16string candidate = base;
    for (int i = 0; i < kNameCandidates; ++i) {
        if (i > 0) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "(%d)", i);
            const std::u16string tail = toUtf16(suffix);
            candidate = base.substr(0, kFolderUnits - tail.size()) + tail;
        }
        bool used = false;
        for (const std::u16string& t : taken)
            used = used || sameName(candidate, t, upcase);
        if (!used)
            break;
    }
    return candidate;
}

} // namespace

int KCmdMergePartition::ParseLine()
{
    std::vector<CommandValue> v;
    // The right partition is the one after the left.
    if (!ReadTarget(kFormat, v, m_block.Summary, kCmdMergePartition, 1, 1) ||
        !CheckPartition(CommandInt(v, 0), CommandInt(v, 1) + 1) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    m_block.Summary.RestoreLetter = 1;
    m_block.ExtendLeftPartition = int32_t(CommandInt(v, 2));
    CopyLabel(m_block.NewFolderName, CommandText(v, 3));
    const int disk = m_block.Summary.DiskIndex, left = m_block.Summary.PartitionIndex;
    PartitionInfo l{}, r{};
    if (m_manager->GetPartition(disk, left, &l) && m_manager->GetPartition(disk, left + 1, &r)) {
        const PartitionInfo& survivor = m_block.ExtendLeftPartition ? l : r;
        m_block.LeftStartingLba = l.StartingLba;
        m_block.RightStartingLba = r.StartingLba;
        m_block.SurvivorIsPrimary = survivor.IsPrimary;
        m_block.Summary.Letter = uint8_t(survivor.DriveLetter);
        m_block.MergedSectorCount = r.StartingLba + r.SectorCount - l.StartingLba;
    }
    return 1;
}

int KCmdMergePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int d = Summary().DiskIndex, left = Summary().PartitionIndex;
    const bool extendLeft = m_block.ExtendLeftPartition != 0;
    PartitionInfo l{}, r{};
    if (!m_manager->GetPartition(d, left, &l) || !m_manager->GetPartition(d, left + 1, &r))
        return kCmdPartitionUnreadable;
    PartitionInfo survivor = extendLeft ? l : r;
    IDisk* disk = m_manager->GetDisk(d);
    if (!disk)
        return Fail(kDetailNoSuchDisk);
    const int64_t merged = r.StartingLba + r.SectorCount - l.StartingLba;
    const std::u16string folder = uniqueFolderName(disk, survivor.StartingLba, m_block.NewFolderName);
    if (const int rc = MergeNtfs(disk, l.StartingLba, r.StartingLba, extendLeft ? 1 : 0, survivor.IsPrimary,
                                 folder.c_str(), reporter, merged))
        return Fail(rc);
    if (const int code = m_manager->DeletePartition(d, extendLeft ? left + 1 : left))
        return code;
    survivor.StartingLba = l.StartingLba;
    survivor.SectorCount = merged;
    return FinishVolumeChange(d, left, &survivor);
}
