// A disk object over an image file or a whole-disk block device.
#pragma once

#include <optional>

#include "IDisk.h"
#include "KSectorFile.h"
#include "TableScan.h"

class KDisk : public IDisk {
public:
    KDisk() = default;
    ~KDisk() override;

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override;
    int ReadSectorsUncached(void* buffer, int64_t firstSector, int64_t count) override;
    int WriteSectors(const void* buffer, int64_t firstSector, int64_t count) override;
    int ZeroSectors(int64_t firstSector, int64_t count) override;
    int VerifySectors(int64_t firstSector, int64_t count) override;
    int GetGeometry(DiskGeometry* geometry) override;
    int64_t GetTotalSectors() override;
    int Flush() override;
    int WriteSectorsThrough(const void* buffer, int64_t firstSector, int64_t count) override;
    int Open(int diskNumber) override;
    void Close() override;
    int GetName(char* buffer, int size) override;
    int IsDynamic() override;
    uint32_t GetMbrSignature() override;
    int IsGpt() override;
    int ReadGptHeader(GptHeader* header) override;
    void AdoptGptHeader(const GptHeader* header) override;
    void ForgetLayout(const void* none) override;
    int WriteDriveLayout(const DriveLayout& layout) override;
    int WriteDriveLayoutDirect(const DriveLayout& layout) override;
    std::string GetPath() const override { return m_file.Path(); }
    bool IsBlockDevice() const override { return m_file.IsBlockDevice(); }
    int GetDiskNumber() const override { return m_diskNumber; }

    // Opens a given path as disk number `diskNumber` (Open(n) takes the n-th configured path).
    int OpenPath(const std::string& path, int diskNumber);
    // The table as last read (read now when forgotten).
    const TableScan& Scan();

private:
    int writeLayout(const DriveLayout& layout);
    bool renderLayout(ISectorDevice& target, const DriveLayout& layout);
    // False when the kernel could not take the layout because a partition it would drop is in use.
    bool kernelCanFollow(const DriveLayout& layout);

    KSectorFile m_file;
    int m_diskNumber = -1;
    int m_heads = 255;
    int m_sectorsPerTrack = 63;
    std::optional<TableScan> m_scan;
    std::optional<GptHeader> m_adoptedHeader;
};
