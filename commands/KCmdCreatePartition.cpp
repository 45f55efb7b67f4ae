#include "KCmdCreatePartition.h"

#include "CommandLine.h"
#include "fs/FileSystemServices.h"
#include "fs/IFileSystem.h"
#include "engine/DiskEngine.h"
#include "engine/Guid.h"
#include "engine/IDisk.h"
#include "engine/IVolumeDevice.h"

#include <cstring>
#include <memory>
#include "core/FileSystemTypes.h"
#include "model/IVolumeManager.h"

int KCmdCreatePartition::ParseLine()
{
    std::vector<CommandValue> v;
    if (!ReadValues(kFormat, v) || !CheckDisk(CommandInt(v, 0)))
        return 0;
    const int32_t disk = int32_t(CommandInt(v, 0));
    const uint32_t typeId = uint32_t(CommandInt(v, 3));
    const int64_t fsType = CommandInt(v, 4);
    // The type byte, and bit 31 for an entry without a file system; nothing else.
    if (!CheckExtent(disk, CommandInt(v, 1), CommandInt(v, 2)) || (typeId & 0x7FFFFF00u) != 0 ||
        !CheckRange(fsType, 0, 255) || !CheckClusterSize(CommandInt(v, 5), true) || !CheckLetter(CommandInt(v, 7)) ||
        !CheckFlag(CommandInt(v, 8)) || !CheckFlag(CommandInt(v, 9)) || !CheckFlag(CommandInt(v, 10)) ||
        !CheckFlag(CommandInt(v, 11)))
        return GetErrorDetail() ? 0 : Refuse(kDetailValueOutOfRange);
    const int32_t letter = int32_t(CommandInt(v, 7));
    m_block.Summary = {kCmdCreatePartition, 0, letter != 0, 0, 0, disk, -1, letter, disk, -1};
    m_block.StartingOffset = CommandInt(v, 1);
    m_block.PartitionLength = CommandInt(v, 2);
    m_block.PartTypeId = int32_t(typeId);
    m_block.FsType = int32_t(fsType);
    m_block.ClusterSize = int32_t(CommandInt(v, 5));
    const std::string label = CommandText(v, 6);
    if (!CheckLabel(NewFileSystemCode(), label))
        return 0;
    CopyLabel(m_block.Label, label);
    m_block.Active = int32_t(CommandInt(v, 8));
    m_block.Primary = int32_t(CommandInt(v, 9));
    m_block.BootVolume = int32_t(CommandInt(v, 10));
    m_block.SystemVolume = int32_t(CommandInt(v, 11));
    return 1;
}

namespace {

constexpr uint64_t kGptNoDriveLetter = uint64_t(1) << 63;

} // namespace

int KCmdCreatePartition::NewFileSystemCode() const
{
    const uint32_t typeId = uint32_t(m_block.PartTypeId);
    if (typeId & KCmdCreatePartition::kTableEntryOnly)
        return kFsNone;
    if (typeId == kFsNtfs || IsFatCode(int(typeId)))
        return int(typeId); // the FAT type bytes 1, 6 and 11 are also their file-system codes
    if (m_block.FsType == kFsExt2 || m_block.FsType == kFsExt3 || m_block.FsType == kFsLinuxSwap)
        return m_block.FsType;
    return kFsNone;
}

int KCmdCreatePartition::Execute(IProgressReporter* reporter)
{
    if (!IsParsed())
        return kCmdNotParsed;
    const int diskIndex = Summary().DiskIndex;
    IDisk* disk = m_manager->GetDisk(diskIndex);
    if (!disk) {
        SetErrorDetail(kDetailNoSuchDisk);
        return kCmdFailed;
    }
    const uint32_t typeId = uint32_t(m_block.PartTypeId);

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.Active = m_block.Active;
    p.IsPrimary = m_block.Primary;
    p.BootVolume = m_block.BootVolume;
    p.SystemVolume = m_block.SystemVolume;
    // An untyped request is cleared below and then named NTFS, as Windows names a new raw volume.
    p.PartitionTypeId = typeId == 0 ? 7 : int32_t(typeId & 0xFF);
    p.StartingLba = m_block.StartingOffset;
    p.SectorCount = m_block.PartitionLength;
    DiskGeometry geometry{};
    const int64_t sectorsPerTrack = disk->GetGeometry(&geometry) && geometry.SectorsPerTrack > 0 ? geometry.SectorsPerTrack : 63;
    p.HiddenSectors = m_block.Primary ? m_block.StartingOffset : sectorsPerTrack;

    if (disk->IsGpt()) {
        // A GPT has no logical partitions and no active flag.
        p.IsGptEntry = 1;
        p.IsPrimary = 1;
        p.Active = 0;
        p.HiddenSectors = m_block.StartingOffset;
        p.GptData = 1;
        const char16_t name[] = u"Basic data partition";
        std::memcpy(p.GptName, name, sizeof name);
        std::memcpy(p.GptTypeGuid, GptType::BasicData.data(), 16);
        const uint64_t first = GetSystemFileTime() * 3, second = GetSystemFileTime() / 2;
        std::memcpy(p.GptUniqueGuid, &first, 8);
        std::memcpy(p.GptUniqueGuid + 8, &second, 8);
        p.GptAttributes = Summary().Letter == 0 ? kGptNoDriveLetter : 0;
    }

    // Nothing is written before the table rules accept the entry: a refused create leaves the area,
    // and whatever partition lies there, as it was.
    if (const int code = CheckTableChange(diskIndex, -1, p))
        return code;

    // The file system goes onto the area before the entry exists. An entry-only request never
    // formats, whatever file system it names: the area may hold data the caller wants to keep.
    NewVolume volume;
    volume.FileSystemType = NewFileSystemCode();
    volume.ClusterSize = m_block.ClusterSize;
    volume.Label = m_block.Label;
    volume.Start = m_block.StartingOffset;
    volume.Sectors = m_block.PartitionLength;
    volume.HiddenSectors = p.HiddenSectors;
    int formatDetail = 0;
    if (volume.FileSystemType != kFsNone) {
        formatDetail = FormatVolume(disk, volume, reporter);
    } else if (typeId == 0) {
        // No type: the first sector is cleared so that nothing old is recognised there.
        const std::vector<uint8_t> zero(512, 0);
        if (!disk->WriteSectors(zero.data(), m_block.StartingOffset, 1))
            formatDetail = kDetailWriteFailed;
    }

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
