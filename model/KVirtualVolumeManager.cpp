#include "KVirtualVolumeManager.h"

#include <algorithm>

#include "FreeSpace.h"
#include "KDriveLetterPool.h"
#include "engine/DiskEngine.h"

int KVirtualVolumeManager::Load(IVolumeManager* source)
{
    KDriveLetterPool::Reset(GetDriveLetters());
    m_undo.clear();
    m_gpt.clear();
    m_dynamic.clear();
    m_lists.clear();
    m_source = source;
    if (!source)
        return 1;
    for (int d = 0; d < source->GetDiskCount(); ++d) {
        IDisk* disk = source->GetDisk(d);
        m_gpt.push_back(disk && disk->IsGpt() ? 1 : 0);
        m_dynamic.push_back(disk && disk->IsDynamic() ? 1 : 0);
        PartitionList list;
        for (int i = 0; i < source->GetPartitionCount(d); ++i) {
            PartitionInfo p{};
            if (source->GetPartition(d, i, &p))
                list.push_back(p);
        }
        m_lists.push_back(std::move(list));
        regenerate(d);
    }
    return 1;
}

void KVirtualVolumeManager::regenerate(int disk)
{
    if (!validDisk(disk))
        return;
    TableErrorList errors;
    FreeSpaceFlags flags;
    flags.Gpt = m_gpt[size_t(disk)] != 0;
    flags.Dynamic = m_dynamic[size_t(disk)] != 0;
    if (m_source && m_source->GetTableErrors(disk, &errors))
        flags.Errors = &errors;
    RegenerateFreeSpace(GetDisk(disk), flags, m_lists[size_t(disk)]);
}

int64_t KVirtualVolumeManager::cylinder(int disk)
{
    DiskGeometry geometry{};
    IDisk* d = GetDisk(disk);
    if (!d || !d->GetGeometry(&geometry))
        return 1;
    return std::max<int64_t>(1, geometry.SectorsPerCylinder());
}

int KVirtualVolumeManager::GetPartitionCount(int disk)
{
    return validDisk(disk) ? int(m_lists[size_t(disk)].size()) : 0;
}

int KVirtualVolumeManager::GetPartition(int disk, int index, PartitionInfo* out)
{
    if (!out || !validIndex(disk, index))
        return 0;
    *out = m_lists[size_t(disk)][size_t(index)];
    return 1;
}

int KVirtualVolumeManager::PushUndo(int disk, int index, int type)
{
    UndoRecord record{};
    record.Type = type;
    record.DiskIndex = disk;
    record.ListIndex = index;
    if (!GetPartition(disk, index, &record.Entry)) {
        if (type != kUndoMoved)
            return -1;
        record.Entry = MakeEmptyPartitionInfo();
    }
    m_undo.push_back(record);
    return int(m_undo.size());
}

int KVirtualVolumeManager::InsertPartition(int disk, const PartitionInfo* entry)
{
    if (!entry || !validDisk(disk))
        return 0;
    PartitionList& list = m_lists[size_t(disk)];
    list.push_back(*entry);
    SortByStartingLba(list);
    // The index the new entry will have once the free area it was cut from has gone.
    const int64_t oneCylinder = cylinder(disk);
    int undoIndex = 0;
    for (const auto& p : list) {
        if (SamePartition(p, *entry) && p.PartitionTypeId == entry->PartitionTypeId)
            break;
        const bool container = p.StartingLba <= entry->StartingLba &&
                               p.StartingLba + p.SectorCount >= entry->StartingLba + entry->SectorCount &&
                               entry->StartingLba - p.StartingLba < oneCylinder;
        if (!container)
            ++undoIndex;
    }
    if (PushUndo(disk, undoIndex, kUndoInserted) < 0) {
        for (size_t i = 0; i < list.size(); ++i)
            if (SamePartition(list[i], *entry) && list[i].PartitionTypeId == entry->PartitionTypeId) {
                list.erase(list.begin() + int64_t(i));
                break;
            }
        return 0;
    }
    regenerate(disk);
    // An entry that reaches past the free area it was cut from (an overlap the caller is about to
    // report) leaves the free area's position wrong: point the record at where the entry really is.
    for (size_t i = 0; i < list.size(); ++i)
        if (SamePartition(list[i], *entry) && list[i].PartitionTypeId == entry->PartitionTypeId) {
            m_undo.back().ListIndex = int(i);
            break;
        }
    return 1;
}

int KVirtualVolumeManager::DeletePartition(int disk, int index)
{
    if (!validIndex(disk, index))
        return 0;
    PushUndo(disk, index, kUndoDeleted);
    PartitionList& list = m_lists[size_t(disk)];
    KDriveLetterPool::Release(list[size_t(index)].DriveLetter);
    list.erase(list.begin() + index);
    regenerate(disk);
    return 1;
}

int KVirtualVolumeManager::UpdatePartition(int disk, int index, const PartitionInfo* entry)
{
    if (!entry || !validIndex(disk, index))
        return 0;
    PartitionInfo& current = m_lists[size_t(disk)][size_t(index)];
    if (SamePartition(current, *entry)) {
        PushUndo(disk, index, kUndoChanged);
        if (current.DriveLetter != entry->DriveLetter)
            KDriveLetterPool::Release(current.DriveLetter);
        if (current.IsGptEntry != entry->IsGptEntry)
            m_gpt[size_t(disk)] = entry->IsGptEntry == 1 ? 1 : 0;
        if (current.PartitionTypeId == kPlaceholderDynamic && entry->PartitionTypeId != current.PartitionTypeId)
            m_dynamic[size_t(disk)] = 0;
        current = *entry;
        regenerate(disk);
        return 1;
    }
    DeletePartition(disk, index);
    KDriveLetterPool::Take(entry->DriveLetter);
    InsertPartition(disk, entry);
    PushUndo(disk, index, kUndoMoved);
    return 1;
}

int KVirtualVolumeManager::Undo(int index)
{
    const int size = int(m_undo.size());
    if (size == 0 || index >= size || (index >= 0 && index + 1 != size))
        return 0;
    const UndoRecord record = m_undo.back();
    m_undo.pop_back();
    if (!validDisk(record.DiskIndex))
        return 0;
    PartitionList& list = m_lists[size_t(record.DiskIndex)];
    switch (record.Type) {
    case kUndoInserted:
        if (record.ListIndex >= 0 && record.ListIndex < int(list.size())) {
            KDriveLetterPool::Release(list[size_t(record.ListIndex)].DriveLetter);
            list.erase(list.begin() + record.ListIndex);
        }
        break;
    case kUndoDeleted:
        list.insert(list.begin() + std::clamp(record.ListIndex, 0, int(list.size())), record.Entry);
        SortByStartingLba(list);
        KDriveLetterPool::Take(record.Entry.DriveLetter);
        break;
    case kUndoChanged:
        if (record.ListIndex >= 0 && record.ListIndex < int(list.size())) {
            PartitionInfo& current = list[size_t(record.ListIndex)];
            if (record.Entry.IsGptEntry != current.IsGptEntry)
                m_gpt[size_t(record.DiskIndex)] = record.Entry.IsGptEntry == 1 ? 1 : 0;
            if (record.Entry.PartitionTypeId == kPlaceholderDynamic &&
                record.Entry.PartitionTypeId != current.PartitionTypeId)
                m_dynamic[size_t(record.DiskIndex)] = 1;
            KDriveLetterPool::Release(current.DriveLetter);
            current = record.Entry;
            KDriveLetterPool::Take(current.DriveLetter);
        }
        break;
    case kUndoMoved:
        // The move was a delete and an insert: undo both.
        Undo(-1);
        Undo(-1);
        return 1;
    default:
        break;
    }
    regenerate(record.DiskIndex);
    return 1;
}

IDisk* KVirtualVolumeManager::GetDisk(int disk)
{
    return m_source ? m_source->GetDisk(disk) : nullptr;
}

IVolumeDevice* KVirtualVolumeManager::CreateVolumeDevice(int disk, int index)
{
    if (!validIndex(disk, index))
        return nullptr;
    return ::CreateVolumeDevice(GetDisk(disk), m_lists[size_t(disk)][size_t(index)]);
}

int KVirtualVolumeManager::IsGptDisk(int disk)
{
    return validDisk(disk) ? m_gpt[size_t(disk)] : 0;
}

void KVirtualVolumeManager::SetGptDisk(int disk, int value)
{
    if (validDisk(disk))
        m_gpt[size_t(disk)] = value;
}

int KVirtualVolumeManager::IsDynamicDisk(int disk)
{
    return validDisk(disk) ? m_dynamic[size_t(disk)] : 0;
}

void KVirtualVolumeManager::SetDynamicDisk(int disk, int value)
{
    if (validDisk(disk))
        m_dynamic[size_t(disk)] = value;
}

int KVirtualVolumeManager::ToPartitionIndex(int disk, int listIndex)
{
    if (!validIndex(disk, listIndex))
        return -1;
    int count = 0;
    for (int i = 0; i <= listIndex; ++i)
        count += IsPartitionEntry(m_lists[size_t(disk)][size_t(i)]) ? 1 : 0;
    return count - 1;
}
