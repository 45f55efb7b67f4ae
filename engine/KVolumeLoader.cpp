#include "KVolumeLoader.h"

#include <memory>

#include "KDisk.h"
#include "KDriveLetterTable.h"
#include "KVolumeDevice.h"
#include "LinuxBlock.h"
#include "PartitionTableScan.h"

int KVolumeLoader::Initialise()
{
    m_rootDevice = LinuxBlock::MountedDeviceAt("/");
    m_systemDevice = LinuxBlock::MountedDeviceAt("/boot/efi");
    if (m_systemDevice.empty())
        m_systemDevice = LinuxBlock::MountedDeviceAt("/boot");
    m_initialised = true;
    return 1;
}

int KVolumeLoader::Load(IDisk* disk, PartitionList& list, TableErrorList& errors, int option)
{
    if (!m_initialised || !disk)
        return 0;
    list.clear();
    errors.Clear();
    TableScan local;
    const TableScan* scan = nullptr;
    if (auto* kdisk = dynamic_cast<KDisk*>(disk)) {
        kdisk->ForgetLayout(nullptr);
        scan = &kdisk->Scan();
    } else {
        ScanPartitionTables(*disk, disk->GetTotalSectors(), local);
        scan = &local;
    }
    list = scan->List;
    errors = scan->Errors;
    const auto letters = KDriveLetterTable::Read();
    const std::string identity = KDriveLetterTable::DiskIdentity(*disk);
    for (auto& p : list) {
        p.VolumePresent = 1;
        p.DriveLetter = KDriveLetterTable::LetterIn(letters, identity, p.StartingLba);
        if (disk->IsBlockDevice()) {
            const std::string number =
                LinuxBlock::DeviceNumber(LinuxBlock::PartitionNode(disk->GetPath(), p.StartingLba));
            p.BootVolume = !number.empty() && number == m_rootDevice ? 1 : 0;
            p.SystemVolume = !number.empty() && number == m_systemDevice ? 1 : 0;
        }
        if (option < kLoadWithVolumeInfo || !m_reader)
            continue;
        // A partition running past the disk gets no device: its correction is in the error list.
        std::unique_ptr<KVolumeDevice> device(KVolumeDevice::Create(disk, p));
        if (device)
            m_reader->Refresh(device.get(), &p, &list);
    }
    return 1;
}
