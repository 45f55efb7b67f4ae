#include "KCmdInitiateDisk.h"

#include <cstring>
#include <vector>

#include <algorithm>

#include "CommandLine.h"
#include "boot/MbrBootProgram.h"
#include "boot/MbrWriter.h"
#include "KCommandProgress.h"
#include "core/ByteOrder.h"
#include "engine/Crc32.h"
#include "engine/DiskEngine.h"
#include "engine/KLdmDatabase.h"
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdInitiateDisk::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadValues(kFormat, v) || !CheckDisk(CommandInt(v, 0)) ||
        !CheckRange(CommandInt(v, 1), kStyleMbr, kStyleDynamicToBasic) || !CheckFlag(CommandInt(v, 2)))
        return 0;
    const int32_t disk = int32_t(CommandInt(v, 0));
    m_block.Style = int32_t(CommandInt(v, 1));
    m_block.ForceReboot = int32_t(CommandInt(v, 2));
    m_block.Summary = {kCmdInitiateDisk, 0, 0, 0, m_block.ForceReboot ? 1 : 0, disk, -1, 0, disk, -1};
    return 1;
}

namespace {

// Writes an empty GPT: both headers, both zeroed entry arrays and the protective MBR.
int writeEmptyGpt(IDisk* disk)
{
    const int64_t total = disk->GetTotalSectors();
    if (total < 68)
        return kDetailInvalidParameter;
    const uint64_t first = GetSystemFileTime();
    const uint64_t second = GetSystemFileTime();
    GptHeader h{};
    std::memcpy(h.Signature, "EFI PART", 8);
    h.Revision = Gpt::kRevision1;
    h.HeaderSize = uint32_t(Gpt::kHeaderBytes);
    h.MyLba = 1;
    h.AlternateLba = uint64_t(total - 1);
    h.FirstUsableLba = 34;
    h.LastUsableLba = uint64_t(total - 34);
    put_le64(h.DiskGuid, first << 1);
    put_le64(h.DiskGuid + 8, second >> 1);
    h.PartitionEntryLba = 2;
    h.NumberOfPartitionEntries = 128;
    h.SizeOfPartitionEntry = 128;
    const std::vector<uint8_t> entries(128 * 128, 0);
    h.PartitionEntryArrayCrc32 = Crc32(entries.data(), entries.size());

    auto encode = [](const GptHeader& header, uint8_t* sector) {
        std::memset(sector, 0, 512);
        std::memcpy(sector, &header, Gpt::kHeaderBytes);
        put_le32(sector + Gpt::kHeaderCrc32, 0);
        put_le32(sector + Gpt::kHeaderCrc32, Crc32(sector, Gpt::kHeaderBytes));
    };
    uint8_t primary[512], backup[512];
    encode(h, primary);
    h.HeaderCrc32 = le32(primary + Gpt::kHeaderCrc32);
    disk->AdoptGptHeader(&h);
    GptHeader b = h;
    b.MyLba = uint64_t(total - 1);
    b.AlternateLba = 1;
    b.PartitionEntryLba = uint64_t(total - 33);
    encode(b, backup);

    uint8_t mbr[512] = {};
    put_le32(mbr + 440, uint32_t(first >> 1));
    uint8_t* e = mbr + 446;
    e[1] = 0;
    e[2] = 2;
    e[3] = 0;
    e[4] = 0xEE;
    e[5] = e[6] = e[7] = 0xFF;
    put_le32(e + 8, 1);
    put_le32(e + 12, 0xFFFFFFFF);
    mbr[510] = 0x55;
    mbr[511] = 0xAA;

    const bool ok = disk->WriteSectors(primary, 1, 1) && disk->WriteSectors(backup, total - 1, 1) &&
                    disk->WriteSectors(entries.data(), 2, 32) && disk->WriteSectors(entries.data(), total - 33, 32) &&
                    disk->WriteSectors(mbr, 0, 1) && disk->Flush();
    return ok ? 0 : kDetailWriteFailed;
}

// Removes the GPT headers and entry arrays a disk may still carry, so that a disk made MBR is not
// read as a damaged GPT. Only sectors a valid-looking header names are cleared.
int clearGpt(IDisk* disk)
{
    const int64_t total = disk->GetTotalSectors();
    for (const int64_t at : {int64_t(1), total - 1}) {
        uint8_t sector[512];
        if (at < 1 || at >= total || !disk->ReadSectors(sector, at, 1) || std::memcmp(sector, "EFI PART", 8) != 0)
            continue;
        const uint64_t entriesLba = le64(sector + Gpt::kPartitionEntryLba);
        const uint64_t entryBytes =
            uint64_t(le32(sector + Gpt::kNumberOfPartitionEntries)) * le32(sector + Gpt::kSizeOfPartitionEntry);
        const uint64_t entrySectors = (entryBytes + 511) / 512;
        std::vector<uint8_t> zero(512, 0);
        if (!disk->WriteSectors(zero.data(), at, 1))
            return kDetailWriteFailed;
        // The array lies before the primary header's usable area or after the backup's, never over data
        // the header does not own: at most 1 MiB, inside the disk, not over sector 0.
        if (entriesLba >= 1 && entrySectors > 0 && entrySectors <= 2048 && entriesLba < uint64_t(total) &&
            entrySectors <= uint64_t(total) - entriesLba && !disk->ZeroSectors(int64_t(entriesLba), int64_t(entrySectors)))
            return kDetailWriteFailed;
    }
    return disk->Flush() ? 0 : kDetailWriteFailed;
}

// Turns a dynamic disk into a basic MBR disk with an empty table; the partitions that replace its
// volumes are the lines that follow. The database is read again first: a disk whose database is damaged,
// or holds a volume no partition can replace, is left exactly as it is. Volume sectors are never touched.
int finishDynamicToBasic(IDisk* disk)
{
    const int64_t total = disk->GetTotalSectors();
    Ldm::BasicPlan plan;
    if (!disk->IsDynamic() || Ldm::PlanBasicConversion(*disk, total, plan) != Ldm::kPlanOk || plan.HasMirroredVolumes)
        return kDetailDynamicDatabase;
    int64_t firstVolume = total;
    for (const PartitionInfo& p : plan.Partitions)
        firstVolume = std::min(firstVolume, p.StartingLba);
    uint8_t sector[512];
    if (disk->IsGpt()) {
        // A new MBR replaces the protective one first, then the GPT goes: at no point does the disk
        // show a table whose partitions are not the volumes' sectors.
        if (const int detail = WriteMbrBootProgram(disk, kMbrBootProgram, kMbrBootProgram_size, false,
                                                   uint32_t(GetSystemFileTime() >> 1) | 1u))
            return detail;
        return clearGpt(disk);
    }
    // MBR style: the boot code and signature stay, the table empties, and the private header in the gap
    // before the volumes goes, so that nothing reads the disk as dynamic any more.
    if (!disk->ReadSectors(sector, 0, 1))
        return kDetailReadFailed;
    std::memset(sector + 446, 0, 64);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    if (!disk->WriteSectors(sector, 0, 1))
        return kDetailWriteFailed;
    const std::vector<uint8_t> zero(512, 0);
    if (firstVolume > 6 && !disk->WriteSectors(zero.data(), 6, 1))
        return kDetailWriteFailed;
    return disk->Flush() ? 0 : kDetailWriteFailed;
}

} // namespace

int KCmdInitiateDisk::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    ShortCommandProgress(reporter);
    IDisk* disk = m_manager->GetDisk(Summary().DiskIndex);
    if (!disk)
        return kCmdPartitionUnreadable;
    int detail = 0;
    switch (m_block.Style) {
    case 1:
        detail = writeEmptyGpt(disk);
        break;
    case 3:
        detail = finishDynamicToBasic(disk);
        if (!detail) {
            disk->ForgetLayout(nullptr);
            disk->AdoptGptHeader(nullptr);
            m_manager->ReloadDisk(Summary().DiskIndex);
        }
        break;
    case 0:
    case 2:
        // A new MBR: an empty table, or for a rebuild the disk's own signature and table.
        detail = WriteMbrBootProgram(disk, kMbrBootProgram, kMbrBootProgram_size, m_block.Style == 2);
        if (!detail && m_block.Style == kStyleMbr)
            detail = clearGpt(disk);
        if (!detail) {
            disk->ForgetLayout(nullptr);
            disk->AdoptGptHeader(nullptr);
        }
        break;
    default:
        detail = kDetailInvalidParameter;
        break;
    }
    if (detail) {
        SetErrorDetail(detail);
        return kCmdFailed;
    }
    return kCmdOk;
}
