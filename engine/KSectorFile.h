// An open disk image or block device with checked sector transfers. Every transfer must lie inside
// [0, TotalSectors()); a short transfer is a failure.
#pragma once

#include <cstdint>
#include <string>

class KSectorFile {
public:
    KSectorFile() = default;
    ~KSectorFile();
    KSectorFile(const KSectorFile&) = delete;
    KSectorFile& operator=(const KSectorFile&) = delete;

    // diskNumber selects the fault-injection rules that apply.
    bool Open(const std::string& path, int diskNumber, bool writable = true);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    bool IsBlockDevice() const { return m_blockDevice; }
    int DiskNumber() const { return m_diskNumber; }
    int LogicalSectorSize() const { return m_sectorSize; }
    int64_t TotalSectors() const { return m_totalSectors; }

    bool Read(void* buffer, int64_t firstSector, int64_t count);
    // A read past the page cache (O_DIRECT on a read-only descriptor of its own, opened on first use).
    // Where the file or device refuses direct access, or the range is not aligned to the logical sector
    // size: Read.
    bool ReadDirect(void* buffer, int64_t firstSector, int64_t count);
    bool Write(const void* buffer, int64_t firstSector, int64_t count);
    // On a block device: a direct write past the page cache (the cached copy of the range is dropped
    // by the kernel). On an image file, or where direct access is refused: Write.
    bool WriteThrough(const void* buffer, int64_t firstSector, int64_t count);
    // Zeros a range without writing every byte where the file or device allows it.
    bool Zero(int64_t firstSector, int64_t count);
    bool Sync();

private:
    bool inRange(int64_t firstSector, int64_t count) const;

    int m_fd = -1;
    int m_directFd = -1; // opened on the first write-through
    bool m_directRefused = false;
    int m_directReadFd = -1; // read-only, opened on the first direct read
    bool m_directReadRefused = false;
    std::string m_path;
    bool m_blockDevice = false;
    int m_diskNumber = -1;
    int m_sectorSize = 512;
    int64_t m_totalSectors = 0;
};
