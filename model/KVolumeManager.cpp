#include "KVolumeManager.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "core/FileSystemTypes.h"
#include "engine/DiskEngine.h"
#include "fs/FileSystemServices.h"
#include "engine/LinuxBlock.h"

KVolumeManager::~KVolumeManager()
{
    Unload();
}

int KVolumeManager::Load(int loadOption, int autoSave)
{
    Unload();
    m_loader = CreateInterface_IVolumeLoader();
    if (!m_loader || !m_loader->Initialise()) {
        Unload();
        return 0;
    }
    m_bootIni = CreateInterface_IBootIniConfigFile();
    m_bcd = CreateInterface_IVistaBCDConfigFile();
    if (!m_bootIni || !m_bcd) {
        Unload();
        return 0;
    }
    for (int number = 0; number < kMaxDiskNumbers; ++number) {
        IDisk* disk = CreateInterface_IDisk();
        if (!disk)
            continue;
        if (!disk->Open(number)) {
            delete disk;
            continue;
        }
        DiskGeometry geometry{};
        if (!disk->GetGeometry(&geometry) || geometry.BytesPerSector != 512 || geometry.TotalSectors <= 0) {
            disk->Close();
            delete disk;
            continue;
        }
        auto list = std::make_unique<PartitionList>();
        auto errors = std::make_unique<TableErrorList>();
        if (!m_loader->Load(disk, *list, *errors, loadOption)) {
            disk->Close();
            delete disk;
            continue;
        }
        m_disks.push_back(disk);
        m_lists.push_back(std::move(list));
        m_errors.push_back(std::move(errors));
    }
    m_autoSave = autoSave;
    int bootDisk = -1, bootIndex = -1;
    if (FindBootVolume(&bootDisk, &bootIndex)) {
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(bootDisk, bootIndex));
        if (device) {
            m_bootIni->Attach(device.get());
            m_bcd->Attach(device.get());
        }
    }
    registerAllWithBootIni();
    return 1;
}

void KVolumeManager::Unload()
{
    for (IDisk* disk : m_disks) {
        disk->Close();
        delete disk;
    }
    m_disks.clear();
    m_lists.clear();
    m_errors.clear();
    delete m_loader;
    delete m_bootIni;
    delete m_bcd;
    m_loader = nullptr;
    m_bootIni = nullptr;
    m_bcd = nullptr;
}

ILayoutCommitter* KVolumeManager::GetLayoutCommitter()
{
    return m_loader ? m_loader->GetLayoutCommitter() : nullptr;
}

IVolumeInfoReader* KVolumeManager::GetVolumeInfoReader()
{
    return m_loader ? m_loader->GetVolumeInfoReader() : nullptr;
}

int KVolumeManager::GetDiskCount()
{
    return int(m_disks.size());
}

int KVolumeManager::GetPartitionCount(int disk)
{
    return validDisk(disk) ? int(m_lists[size_t(disk)]->size()) : 0;
}

int KVolumeManager::GetPartition(int disk, int index, PartitionInfo* out)
{
    if (!out || !validPartition(disk, index))
        return 0;
    *out = (*m_lists[size_t(disk)])[size_t(index)];
    return 1;
}

int KVolumeManager::SetPartition(int disk, int index, const PartitionInfo* in)
{
    if (!in || !validPartition(disk, index))
        return 0;
    (*m_lists[size_t(disk)])[size_t(index)] = *in;
    return 1;
}

int KVolumeManager::DeletePartition(int disk, int index)
{
    if (!validPartition(disk, index))
        return kTableChangeBadIndex;
    PartitionList& list = *m_lists[size_t(disk)];
    const PartitionList oldList = list;
    list.erase(list.begin() + index);
    ILayoutCommitter* committer = GetLayoutCommitter();
    if (!committer || !committer->Check(list, 1, m_disks[size_t(disk)])) {
        list = oldList;
        return kTableChangeRefused;
    }
    if (!WritePartitionTable(disk, -1)) {
        list = oldList;
        return kTableChangeWriteFailed;
    }
    if (!CommitPartition(disk, -1))
        return kTableChangeCommitFailed;
    return finishTableChange(disk, oldList);
}

int KVolumeManager::CheckPartitionChange(int disk, int index, const PartitionInfo* in, int* problem)
{
    if (problem)
        *problem = kLayoutOk;
    if (!in || !validDisk(disk) || (index >= 0 && !validPartition(disk, index)))
        return kTableChangeBadIndex;
    PartitionList list = *m_lists[size_t(disk)];
    if (index < 0) {
        for (const auto& p : list)
            if (SamePartition(p, *in))
                return kTableChangeBadIndex;
        list.push_back(*in);
    } else {
        list[size_t(index)] = *in;
    }
    ILayoutCommitter* committer = GetLayoutCommitter();
    const int found = committer ? committer->FindProblem(list, m_disks[size_t(disk)]) : kLayoutEmptyExtent;
    if (problem)
        *problem = found;
    return found == kLayoutOk ? kTableChangeOk : kTableChangeRefused;
}

int KVolumeManager::CreatePartition(int disk, int* indexOut, const PartitionInfo* in)
{
    if (const int checked = CheckPartitionChange(disk, -1, in, nullptr))
        return checked;
    PartitionList& list = *m_lists[size_t(disk)];
    const PartitionList oldList = list;
    list.push_back(*in);
    SortByStartingLba(list);
    int index = 0;
    for (size_t i = 0; i < list.size(); ++i)
        if (SamePartition(list[i], *in))
            index = int(i);
    if (indexOut)
        *indexOut = index;
    if (!WritePartitionTable(disk, -1)) {
        list = oldList;
        return kTableChangeWriteFailed;
    }
    // The entry is on the disk now, as a loaded one would be: its volume can take a drive letter.
    list[size_t(index)].VolumePresent = 1;
    waitForRegistration(disk);
    if (!CommitPartition(disk, index))
        return kTableChangeCommitFailed;
    return finishTableChange(disk, oldList);
}

int KVolumeManager::UpdatePartition(int disk, int index, const PartitionInfo* in)
{
    if (index < 0)
        return kTableChangeBadIndex;
    // The same rules as for a new entry: a change may not move a partition, or the extended boot record
    // of a logical one, over its neighbours.
    if (const int checked = CheckPartitionChange(disk, index, in, nullptr))
        return checked;
    PartitionList& list = *m_lists[size_t(disk)];
    const PartitionList oldList = list;
    const int64_t oldByteOffset = list[size_t(index)].StartingLba * 512;
    list[size_t(index)] = *in;
    if (!WritePartitionTable(disk, -1)) {
        list = oldList;
        return kTableChangeWriteFailed;
    }
    waitForRegistration(disk);
    IDisk* d = m_disks[size_t(disk)];
    const uint32_t signature = d->GetMbrSignature();
    if (m_bcd)
        m_bcd->Repoint(signature, oldByteOffset, signature, in->StartingLba * 512);
    if (!CommitPartition(disk, index))
        return kTableChangeCommitFailed;
    return finishTableChange(disk, oldList);
}

int KVolumeManager::finishTableChange(int disk, const PartitionList& oldList)
{
    if (m_bootIni)
        m_bootIni->Renumber(oldList, *m_lists[size_t(disk)]);
    return m_autoSave ? SaveBootConfiguration(0) : kTableChangeOk;
}

IDisk* KVolumeManager::GetDisk(int disk)
{
    return validDisk(disk) ? m_disks[size_t(disk)] : nullptr;
}

IVolumeDevice* KVolumeManager::CreateVolumeDevice(int disk, int index)
{
    if (!validPartition(disk, index))
        return nullptr;
    return ::CreateVolumeDevice(m_disks[size_t(disk)], (*m_lists[size_t(disk)])[size_t(index)]);
}

DriveLayout KVolumeManager::BuildDriveLayout(int disk, int skipIndex)
{
    DriveLayout layout;
    if (!validDisk(disk))
        return layout;
    IDisk* d = m_disks[size_t(disk)];
    const PartitionList& list = *m_lists[size_t(disk)];
    if (d->IsGpt()) {
        layout.PartitionStyle = kLayoutGpt;
        GptHeader header{};
        d->ReadGptHeader(&header);
        std::memcpy(layout.DiskId, header.DiskGuid, 16);
        layout.MaxPartitionCount = header.NumberOfPartitionEntries;
        layout.StartingUsableOffset = int64_t(header.FirstUsableLba) * 512;
        layout.UsableLength = int64_t(header.LastUsableLba - header.FirstUsableLba + 1) * 512;
        for (int i = 0; i < int(list.size()); ++i) {
            if (i == skipIndex)
                continue;
            const PartitionInfo& p = list[size_t(i)];
            DriveLayoutEntry e = MakeEmptyLayoutEntry();
            e.PartitionStyle = kLayoutGpt;
            e.StartingOffset = p.StartingLba * 512;
            e.PartitionLength = p.SectorCount * 512;
            e.PartitionNumber = uint32_t(p.PartitionNumber);
            e.RewritePartition = 1;
            static_assert(offsetof(PartitionInfo, GptName) + sizeof(PartitionInfo::GptName) -
                              offsetof(PartitionInfo, GptTypeGuid) == sizeof(DriveLayoutGptPart));
            std::memcpy(&e.Gpt, p.GptTypeGuid, sizeof(DriveLayoutGptPart));
            e.Gpt.Attributes &= ~(kGptAttrHidden | kGptAttrReadOnly);
            if (p.Hidden)
                e.Gpt.Attributes |= kGptAttrHidden;
            if (p.ReadOnly)
                e.Gpt.Attributes |= kGptAttrReadOnly;
            layout.Entries.push_back(e);
        }
    } else {
        layout.PartitionStyle = kLayoutMbr;
        layout.Signature = d->GetMbrSignature();
        bool haveContainer = false;
        int64_t containerStart = 0, containerEnd = 0;
        for (int i = 0; i < int(list.size()); ++i) {
            if (i == skipIndex)
                continue;
            const PartitionInfo& p = list[size_t(i)];
            DriveLayoutEntry e = MakeEmptyLayoutEntry();
            e.PartitionStyle = kLayoutMbr;
            e.StartingOffset = p.StartingLba;
            e.PartitionLength = p.SectorCount;
            e.PartitionNumber = uint32_t(p.PartitionNumber);
            e.RewritePartition = 1;
            e.Mbr.BootIndicator = p.Active ? 0x80 : 0;
            e.Mbr.HiddenSectors = uint32_t(p.HiddenSectors);
            uint8_t type = uint8_t(p.PartitionTypeId & 0xFF);
            const uint8_t masked = type & 0x3F;
            bool recognised = ((type & 0x80) && (masked == 6 || masked == 7 || masked == 11 || masked == 12)) ||
                              type == 1 || type == 4 || type == 6 || type == 7 || type == 11 || type == 12 ||
                              type == 14;
            if (p.Hidden) {
                type = type == 0x83 ? 0x93 : uint8_t(type | 0x10);
            } else if ((type >> 4) == 1 && (IsFatCode(p.FileSystemType) || p.FileSystemType == kFsWindowsReadable ||
                                            p.FileSystemType == kFsNtfs)) {
                type &= 0x0F;
                recognised = true;
            } else if (type == 0x93) {
                type = 0x83;
                recognised = false;
            }
            e.Mbr.PartitionType = type;
            e.Mbr.RecognizedPartition = recognised ? 1 : 0;
            layout.Entries.push_back(e);
            if (!p.IsPrimary) {
                if (!haveContainer) {
                    haveContainer = true;
                    containerStart = p.StartingLba - p.HiddenSectors;
                }
                containerEnd = p.StartingLba + p.SectorCount;
            }
        }
        if (haveContainer) {
            DriveLayoutEntry e = MakeEmptyLayoutEntry();
            e.PartitionStyle = kLayoutMbr;
            e.StartingOffset = containerStart;
            e.PartitionLength = containerEnd - containerStart;
            e.RewritePartition = 1;
            e.Mbr.PartitionType = 0x0F;
            e.Mbr.HiddenSectors = uint32_t(containerStart);
            layout.Entries.push_back(e);
        }
    }
    std::stable_sort(layout.Entries.begin(), layout.Entries.end(),
                     [](const DriveLayoutEntry& a, const DriveLayoutEntry& b) {
                         return a.StartingOffset < b.StartingOffset;
                     });
    return layout;
}

int KVolumeManager::WritePartitionTable(int disk, int skipIndex)
{
    if (!validDisk(disk))
        return 0;
    const DriveLayout layout = BuildDriveLayout(disk, skipIndex);
    IDisk* d = m_disks[size_t(disk)];
    return m_directWrite ? d->WriteDriveLayoutDirect(layout) : d->WriteDriveLayout(layout);
}

void KVolumeManager::waitForRegistration(int disk)
{
    if (validDisk(disk) && m_disks[size_t(disk)]->IsBlockDevice() && !m_directWrite)
        LinuxBlock::UdevSettle(kRegistrationWaitMs);
}

int KVolumeManager::CommitPartition(int disk, int index)
{
    if (!validDisk(disk))
        return 0;
    int result = 1;
    if (!m_directWrite) {
        ILayoutCommitter* committer = GetLayoutCommitter();
        result = committer ? committer->Commit(m_disks[size_t(disk)], *m_lists[size_t(disk)], index, 1) : 0;
    }
    if (validPartition(disk, index)) {
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(disk, index));
        IVolumeInfoReader* reader = GetVolumeInfoReader();
        if (device && reader)
            reader->Refresh(device.get(), &(*m_lists[size_t(disk)])[size_t(index)], m_lists[size_t(disk)].get());
    }
    registerAllWithBootIni();
    return result;
}

int KVolumeManager::CommitPartitionQuiet(int disk, int index)
{
    if (!validDisk(disk))
        return 0;
    if (m_directWrite)
        return 1;
    ILayoutCommitter* committer = GetLayoutCommitter();
    return committer ? committer->Commit(m_disks[size_t(disk)], *m_lists[size_t(disk)], index, 0) : 0;
}

int KVolumeManager::RefreshVolumeInfo(int disk, int index)
{
    if (!validDisk(disk))
        return 0;
    PartitionList& list = *m_lists[size_t(disk)];
    IVolumeInfoReader* reader = GetVolumeInfoReader();
    const bool one = index >= 0 && index < int(list.size());
    for (int i = one ? index : 0; i < (one ? index + 1 : int(list.size())); ++i) {
        std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(disk, i));
        if (device && reader)
            reader->Refresh(device.get(), &list[size_t(i)], &list);
    }
    return 1;
}

int KVolumeManager::GetTableErrors(int disk, TableErrorList* out)
{
    if (!out || !validDisk(disk))
        return 0;
    *out = *m_errors[size_t(disk)];
    return 1;
}

int KVolumeManager::ApplyTableCorrections(int disk)
{
    if (!validDisk(disk))
        return 0;
    const TableErrorList& errors = *m_errors[size_t(disk)];
    if (errors.Status != 0)
        return 0;
    PartitionList copy = *m_lists[size_t(disk)];
    for (const auto& c : errors.Corrections) {
        if (c.PartitionIndex < 0 || c.PartitionIndex >= int(copy.size()))
            return 0;
        PartitionInfo& p = copy[size_t(c.PartitionIndex)];
        switch (c.Kind) {
        case kCorrectSectorCount: p.SectorCount = c.Value; break;
        case kCorrectPartitionTypeId: p.PartitionTypeId = int16_t(c.Value); break;
        case kCorrectNothing: break;
        case kCorrectStartingLba: p.StartingLba = c.Value; break;
        case kCorrectActive: p.Active = int32_t(c.Value); break;
        case kCorrectIsPrimary: p.IsPrimary = int32_t(c.Value); break;
        default: return 0;
        }
    }
    *m_lists[size_t(disk)] = std::move(copy);
    return 1;
}

IBootIniConfigFile* KVolumeManager::GetBootIniConfigFile()
{
    return m_bootIni;
}

IVistaBCDConfigFile* KVolumeManager::GetBcdConfigFile()
{
    return m_bcd;
}

int KVolumeManager::SaveBootConfiguration(int force)
{
    int disk = -1, index = -1;
    std::unique_ptr<IVolumeDevice> device;
    if (FindBootVolume(&disk, &index))
        device.reset(CreateVolumeDevice(disk, index));
    if (m_bootIni && (m_bootIni->HasChanges() || force) && !m_bootIni->Save(device.get()))
        return kTableChangeBootIniFailed;
    if (m_bcd && m_bcd->HasChanges() && !m_bcd->Save(device.get()))
        return kTableChangeBcdFailed;
    return kTableChangeOk;
}

void KVolumeManager::SetDirectWriteMode(int value)
{
    m_directWrite = value;
}

int KVolumeManager::GetDirectWriteMode()
{
    return m_directWrite;
}

int KVolumeManager::ReloadDisk(int disk)
{
    if (!validDisk(disk) || !m_loader)
        return 0;
    PartitionList list;
    TableErrorList errors;
    if (!m_loader->Load(m_disks[size_t(disk)], list, errors, kLoadWithVolumeInfo))
        return 0;
    *m_lists[size_t(disk)] = std::move(list);
    *m_errors[size_t(disk)] = std::move(errors);
    registerAllWithBootIni();
    return 1;
}

int KVolumeManager::FindBootVolume(int* diskOut, int* indexOut)
{
    for (size_t d = 0; d < m_lists.size(); ++d)
        for (size_t i = 0; i < m_lists[d]->size(); ++i)
            if ((*m_lists[d])[i].BootVolume) {
                if (diskOut)
                    *diskOut = int(d);
                if (indexOut)
                    *indexOut = int(i);
                return 1;
            }
    return 0;
}

int KVolumeManager::FindSystemVolume(int* diskOut, int* indexOut)
{
    for (size_t d = 0; d < m_lists.size(); ++d)
        for (size_t i = 0; i < m_lists[d]->size(); ++i)
            if ((*m_lists[d])[i].SystemVolume) {
                if (diskOut)
                    *diskOut = int(d);
                if (indexOut)
                    *indexOut = int(i);
                return 1;
            }
    return 0;
}

void KVolumeManager::registerAllWithBootIni()
{
    if (!m_bootIni)
        return;
    for (const auto& list : m_lists)
        for (const auto& p : *list)
            m_bootIni->RegisterPartition(p);
}

int KVolumeManager::RemoveDriveLetter(int disk, int index)
{
    std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(disk, index));
    return device ? device->Dismount() : 0;
}

int KVolumeManager::SetDriveLetter(int disk, int index, char letter)
{
    std::unique_ptr<IVolumeDevice> device(CreateVolumeDevice(disk, index));
    return device ? device->SetDriveLetter(letter) : 0;
}
