#include "KCmdCreatePartition.h"

#include "CommandLine.h"
#include "FileSystemFormatter.h"
#include "engine/DiskEngine.h"
#include "engine/Guid.h"
#include "engine/IDisk.h"
#include "engine/IVolumeDevice.h"

#include <cstring>
#include <memory>
#include "model/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdCreatePartition::ParseLine()
{
    const auto v = ParseCommandLine(kFormat, m_line);
    const int32_t letter = int32_t(CommandInt(v, 7)) & 0xFF;
    const int32_t disk = int32_t(CommandInt(v, 0));
    m_block.Summary = {kCmdCreatePartition, 0, letter != 0, 0, 0, disk, -1, letter, disk, -1};
    m_block.StartingOffset = CommandInt(v, 1);
    m_block.PartitionLength = CommandInt(v, 2);
    m_block.PartTypeId = int32_t(CommandInt(v, 3));
    m_block.FsType = int32_t(CommandInt(v, 4));
    m_block.ClusterSize = int32_t(CommandInt(v, 5));
    CopyLabel(m_block.Label, CommandText(v, 6));
    m_block.Active = int32_t(CommandInt(v, 8));
    m_block.Primary = int32_t(CommandInt(v, 9));
    m_block.BootVolume = int32_t(CommandInt(v, 10));
    m_block.SystemVolume = int32_t(CommandInt(v, 11));
    return 1;
}

namespace {

constexpr uint32_t kEntryOnly = 0x80000000u; // make the table entry, leave the area as it is
constexpr uint64_t kGptNoDriveLetter = uint64_t(1) << 63;

} // namespace

int KCmdCreatePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int diskIndex = Summary().DiskIndex;
    IDisk* disk = m_manager->GetDisk(diskIndex);
    if (!disk) {
        SetErrorDetail(kDetailInvalidParameter);
        return kCmdFailed;
    }
    const uint32_t typeId = uint32_t(m_block.PartTypeId);

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.Active = m_block.Active;
    p.IsPrimary = m_block.Primary;
    p.BootVolume = m_block.BootVolume;
    p.SystemVolume = m_block.SystemVolume;
    p.PartitionTypeId = int32_t(typeId & 0xFF);
    p.StartingLba = m_block.StartingOffset;
    p.SectorCount = m_block.PartitionLength;
    DiskGeometry geometry{};
    const int64_t sectorsPerTrack = disk->GetGeometry(&geometry) && geometry.SectorsPerTrack > 0 ? geometry.SectorsPerTrack : 63;
    p.HiddenSectors = m_block.Primary ? m_block.StartingOffset : sectorsPerTrack;

    if (disk->IsGpt()) {
        const char16_t name[] = u"Basic data partition";
        std::memcpy(p.GptName, name, sizeof name);
        std::memcpy(p.GptTypeGuid, GptType::BasicData.data(), 16);
        const uint64_t first = GetSystemFileTime() * 3, second = GetSystemFileTime() / 2;
        std::memcpy(p.GptUniqueGuid, &first, 8);
        std::memcpy(p.GptUniqueGuid + 8, &second, 8);
        p.GptAttributes = Summary().Letter == 0 ? kGptNoDriveLetter : 0;
    }

    // The file system goes onto the area before the entry exists. An entry-only request never
    // formats, whatever file system it names: the area may hold data the caller wants to keep.
    FormatRequest request;
    request.ClusterSize = m_block.ClusterSize;
    request.Label = m_block.Label;
    request.Start = m_block.StartingOffset;
    request.Sectors = m_block.PartitionLength;
    request.HiddenSectors = p.HiddenSectors;
    int formatDetail = 0;
    if (typeId & kEntryOnly) {
        // nothing to write
    } else if (typeId == 7) {
        request.Kind = NewFileSystem::Ntfs;
    } else if (typeId == 1 || typeId == 6 || typeId == 11) {
        request.Kind = NewFileSystem::Fat;
        request.FatType = int(typeId);
    } else if (m_block.FsType == kFsExt2 || m_block.FsType == kFsExt3) {
        request.Kind = m_block.FsType == kFsExt3 ? NewFileSystem::Ext3 : NewFileSystem::Ext2;
    } else if (m_block.FsType == kFsLinuxSwap) {
        request.Kind = NewFileSystem::Swap;
    } else if (typeId == 0) {
        // No type: the first sector is cleared so that nothing old is recognised there.
        const std::vector<uint8_t> zero(512, 0);
        if (!disk->WriteSectors(zero.data(), m_block.StartingOffset, 1))
            formatDetail = kDetailWriteFailed;
        p.PartitionTypeId = 7;
    }
    if (request.Kind != NewFileSystem::None)
        formatDetail = FormatArea(disk, request, reporter);

    int index = -1;
    const int created = m_manager->CreatePartition(diskIndex, &index, &p);
    if (created != 0)
        return created;
    m_block.Summary.LetterPartitionIndex = index;

    if (!m_manager->GetDirectWriteMode()) {
        // A letter the system gave the new volume goes; the wanted one follows afterwards.
        std::unique_ptr<IVolumeDevice> device(m_manager->CreateVolumeDevice(diskIndex, index));
        if (device)
            device->Dismount();
        device.reset();
        m_manager->CommitPartitionQuiet(diskIndex, index);
    }
    // The entry stays even when its file system could not be written; the failure is still reported.
    if (formatDetail != 0) {
        SetErrorDetail(formatDetail);
        return kCmdFailed;
    }
    return 0;
}
