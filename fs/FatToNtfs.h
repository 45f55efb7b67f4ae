// Turns a FAT12/16/32 volume into an NTFS volume where it lies, without moving file data. The NTFS
// cluster grid is laid over the FAT clusters so that every FAT cluster is a whole number of NTFS
// clusters: each file becomes an MFT record whose $DATA runs name the clusters it already has, each
// folder an $I30 index. Everything new (the system files made by the NTFS format, the records, the
// index blocks, $Bitmap) goes into clusters the FAT marks free; the boot region, which lies over the
// FAT's reserved sectors, is held back in memory and written last. Until that write the FAT volume is
// untouched and valid; the new boot sector is the commit point, the backup boot sector follows it.
//
// Times: FAT keeps local times without a zone. They are read as local times of the process's time
// zone (TZ) at that date and stored as UTC, as NTFS keeps them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ISectorDevice;

enum FatToNtfsResult : int {
    kFatToNtfsOk = 0,
    kFatToNtfsNotFat = 1,           // no FAT12/16/32 boot sector, or sectors other than 512 bytes
    kFatToNtfsAlreadyNtfs = 2,
    kFatToNtfsInconsistent = 3,     // FAT copies differ, chains cross, leave the FAT or are too short
    kFatToNtfsNoRoom = 4,           // not enough free space (NeededBytes / FreeBytes say how much)
    kFatToNtfsReadFailed = 5,
    kFatToNtfsWriteFailed = 6,
    kFatToNtfsOutOfMemory = 7,
    kFatToNtfsTailInUse = 8,        // a file holds the sectors where NTFS keeps its backup boot sector
    kFatToNtfsNotPrepared = 9,
};

class KFatToNtfs {
public:
    KFatToNtfs();
    ~KFatToNtfs();

    // Reads and checks the FAT volume of `sectors` sectors at `start` and plans the conversion;
    // writes nothing. Anything but kFatToNtfsOk leaves a reason in Message().
    int Prepare(ISectorDevice* device, int64_t start, int64_t sectors);
    // Carries out what Prepare planned. `percent` hears the progress (0-100); `flush` is called
    // before the boot sector is written and after it, so that the commit point is ordered on disk.
    int Convert(const std::function<void(int)>& percent, const std::function<void()>& flush);

    const std::string& Message() const { return m_message; }
    int FatType() const;                 // 1 FAT12, 6 FAT16, 11 FAT32 (after Prepare)
    int ClusterBytes() const;            // the NTFS cluster size chosen
    int64_t NeededBytes() const;         // free space the NTFS metadata needs
    int64_t FreeBytes() const;           // free space the FAT has for it
    int64_t FileCount() const;
    int64_t FolderCount() const;
    std::string Label() const;

private:
    struct State;
    std::unique_ptr<State> m;
    std::string m_message;
};

// A short text for a result code.
const char* FatToNtfsResultText(int result);
