#include "fs/KVolumeInfoReader.h"

#include "fs/VolumeInfo.h"
#include "core/FileSystemTypes.h"

int KVolumeInfoReader::Refresh(IVolumeDevice* device, PartitionInfo* info, PartitionList*)
{
    if (!device || !info)
        return 0;
    PartitionInfo current{};
    if (device->GetPartitionInfo(&current))
        info->DriveLetter = current.DriveLetter;
    return ReadFileSystem(device, info);
}

int KVolumeInfoReader::ReadFileSystem(IVolumeDevice* device, PartitionInfo* info)
{
    if (!device || !info)
        return 0;
    const int result = ReadVolumeInfo(*device, device->GetSectorCount(), *info);
    // A GPT basic-data partition names its content by the MBR type byte it would have.
    if (info->IsGptEntry && info->GptData)
        info->PartitionTypeId = info->FileSystemType == kFsFat32 ? 0x0B : 0x07;
    return result;
}
