// volmara-convert: turns a FAT volume into NTFS in place, without moving file data.
//
//   volmara-convert X: /FS:NTFS
//   volmara-convert --disk PATH [--partition N] /FS:NTFS
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "engine/IVolumeDevice.h"
#include "engine/KDisk.h"
#include "engine/KDriveLetterTable.h"
#include "engine/KVolumeDevice.h"
#include "engine/LinuxBlock.h"
#include "fs/FatToNtfs.h"
#include "model/KVolumeManager.h"

namespace {

const char* kUsage = "Usage: volmara-convert X: /FS:NTFS\n"
                     "       volmara-convert --disk PATH [--partition N] /FS:NTFS\n"
                     "\n"
                     "Converts the FAT12, FAT16 or FAT32 volume of drive X: (a letter of Volmara's drive-letter\n"
                     "table), or partition N of the disk or image PATH (the whole of PATH without --partition),\n"
                     "to NTFS in place. File data is not moved. The question before the first write is answered\n"
                     "with Y or N on standard input.\n"
                     "\n"
                     "Exit status: 0 converted, 1 refused or failed (reason on standard error), 2 usage error,\n"
                     "3 not confirmed.\n";

int usage(const std::string& message)
{
    std::fprintf(stderr, "volmara-convert: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

int refuse(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "volmara-convert: %s\n", message.c_str());
    return 1;
}

// The volume to convert: its disk and its partition record.
struct Target {
    std::unique_ptr<KDisk> disk;
    PartitionInfo info{};
    bool wholeDisk = false;
    std::string name; // "drive X:" or the partition and disk
};

bool findByLetter(char letter, Target& t, std::string& error)
{
    std::string identity;
    int64_t lba = -1;
    for (const auto& a : KDriveLetterTable::Read())
        if (a.Letter == letter) {
            identity = a.DiskIdentity;
            lba = a.StartingLba;
        }
    if (lba < 0) {
        error = std::string("drive ") + letter + ": is not in the drive-letter table";
        return false;
    }
    for (int n = 0; n < 32; ++n) {
        auto disk = std::make_unique<KDisk>();
        if (!disk->Open(n))
            break;
        if (KDriveLetterTable::DiskIdentity(*disk) != identity)
            continue;
        for (const PartitionInfo& p : disk->Scan().List)
            if (!p.IsUnallocated() && p.StartingLba == lba) {
                t.info = p;
                t.disk = std::move(disk);
                t.name = std::string("drive ") + letter + ":";
                return true;
            }
    }
    error = std::string("the volume of drive ") + letter + ": was not found on any disk";
    return false;
}

bool findOnDisk(const std::string& path, int partition, Target& t, std::string& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode))) {
        error = "cannot use " + path + ": not an image file or a block device";
        return false;
    }
    auto disk = std::make_unique<KDisk>();
    if (!disk->OpenPath(path, 0)) {
        error = "cannot open " + path;
        return false;
    }
    if (partition <= 0) {
        t.info = PartitionInfo{};
        t.info.StartingLba = 0;
        t.info.SectorCount = disk->GetTotalSectors();
        t.wholeDisk = true;
        t.name = path;
    } else {
        int n = 0;
        for (const PartitionInfo& p : disk->Scan().List)
            if (!p.IsUnallocated() && ++n == partition) {
                t.info = p;
                t.name = "partition " + std::to_string(partition) + " of " + path;
            }
        if (n < partition) {
            error = path + " has no partition " + std::to_string(partition);
            return false;
        }
    }
    t.disk = std::move(disk);
    return true;
}

// The partition's type becomes 07 (MBR); a GPT entry's type GUID already suits NTFS.
bool setNtfsType(Target& t)
{
    if (t.wholeDisk || t.info.IsGptEntry)
        return true;
    const std::string path = t.disk->GetPath();
    const int64_t lba = t.info.StartingLba;
    t.disk.reset();
    ::setenv("VOLMARA_DISKS", path.c_str(), 1);
    KVolumeManager manager;
    if (!manager.Load(1, 0))
        return false;
    for (int index = 0; index < manager.GetPartitionCount(0); ++index) {
        PartitionInfo p{};
        if (!manager.GetPartition(0, index, &p) || p.IsUnallocated() || p.StartingLba != lba)
            continue;
        if (p.PartitionTypeId == 7)
            return true;
        p.PartitionTypeId = 7;
        p.FileSystemType = 7;
        return manager.UpdatePartition(0, index, &p) == 0;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::string letterArg, diskPath, fs;
    int partition = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--disk" && i + 1 < argc) {
            diskPath = argv[++i];
        } else if (a == "--partition" && i + 1 < argc) {
            partition = std::atoi(argv[++i]);
            if (partition <= 0)
                return usage("--partition needs a number from 1");
        } else if (a.size() > 4 && (a.rfind("/FS:", 0) == 0 || a.rfind("/fs:", 0) == 0)) {
            fs = a.substr(4);
        } else if (a.size() == 2 && a[1] == ':' && std::isalpha(static_cast<unsigned char>(a[0]))) {
            letterArg = a;
        } else {
            return usage("unknown argument " + a);
        }
    }
    for (char& ch : fs)
        ch = char(std::toupper(static_cast<unsigned char>(ch)));
    if (fs != "NTFS")
        return usage("the target file system must be given as /FS:NTFS");
    if (letterArg.empty() == diskPath.empty())
        return usage("name either a drive letter or --disk");

    Target target;
    std::string error;
    const char letter = letterArg.empty() ? 0 : char(std::toupper(static_cast<unsigned char>(letterArg[0])));
    if (letter ? !findByLetter(letter, target, error) : !findOnDisk(diskPath, partition, target, error))
        return refuse(error);

    std::unique_ptr<KVolumeDevice> volume(KVolumeDevice::Create(target.disk.get(), target.info));
    if (!volume)
        return refuse("cannot open the volume of " + target.name);
    // In use: mounted (the lock takes the partition exclusively) or held by another of our programs.
    if ((target.wholeDisk && target.disk->IsBlockDevice() && LinuxBlock::IsMounted(target.disk->GetPath())) ||
        (!target.disk->IsBlockDevice() &&
         LinuxBlock::ImageRangeMounted(target.disk->GetPath(), target.info.StartingLba * 512, target.info.SectorCount * 512)) ||
        !volume->Lock())
        return refuse("the volume of " + target.name + " is in use (mounted); unmount it first");

    std::printf("Converting %s to NTFS.\n", target.name.c_str());
    std::printf("Checking the file system...\n");
    std::fflush(stdout);
    KFatToNtfs converter;
    const int prepared = converter.Prepare(volume.get(), 0, target.info.SectorCount);
    if (prepared != kFatToNtfsOk)
        return refuse(converter.Message() + "; nothing was changed");
    const int type = converter.FatType();
    std::printf("The type of the file system is %s.\n", type == 11 ? "FAT32" : type == 6 ? "FAT16" : "FAT12");
    if (!converter.Label().empty())
        std::printf("Volume label is %s.\n", converter.Label().c_str());
    const long long files = converter.FileCount(), folders = converter.FolderCount();
    std::printf("%lld %s in %lld %s.\n", files, files == 1 ? "file" : "files", folders, folders == 1 ? "folder" : "folders");
    std::printf("NTFS cluster size: %d bytes. Space for the NTFS metadata: %lld KiB of %lld KiB free.\n",
                converter.ClusterBytes(), static_cast<long long>(converter.NeededBytes() / 1024),
                static_cast<long long>(converter.FreeBytes() / 1024));

    if (letter)
        std::printf("Convert drive %c: to NTFS now (Y/N)? ", letter);
    else
        std::printf("Convert %s to NTFS now (Y/N)? ", target.name.c_str());
    std::fflush(stdout);
    char answer[64] = {};
    const bool got = std::fgets(answer, sizeof answer, stdin) != nullptr;
    const char first = got ? char(std::toupper(static_cast<unsigned char>(answer[0]))) : 'N';
    std::printf("%c\n", first == 'Y' ? 'Y' : 'N');
    if (first != 'Y') {
        std::printf("The volume was not converted.\n");
        return 3;
    }

    std::printf("Converting the file system...\n");
    std::fflush(stdout);
    const int result = converter.Convert(
        [](int percent) {
            std::printf("\r%d percent completed.", percent);
            std::fflush(stdout);
        },
        [&target]() { target.disk->Flush(); });
    std::printf("\n");
    if (result != kFatToNtfsOk)
        return refuse(converter.Message());
    volume->Unlock();
    volume.reset();
    if (!setNtfsType(target))
        std::printf("The partition type could not be set to 07; set it with the partition manager.\n");
    std::printf("Conversion complete.\n");
    return 0;
}
