// Creates an empty NTFS file system (version 3.1 structures) on a volume.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fs/KBitmap.h"

class ISectorDevice;
class IProgressReporter;

enum NtfsFormatResult : int {
    kNtfsFormatOk = 0,
    kNtfsBadGeometry = -1,       // geometry unreadable, or a record size that is not a power of two
    kNtfsWriteFailed = 3,        // the device refused a write
    kNtfsBadBootCluster = 4,     // full format: a bad cluster inside the boot region
    kNtfsOutOfMemory = 5,
    kNtfsNoRoom = 8,             // the system files do not fit
    kNtfsBadClusterSize = 11,    // cluster size not a multiple of the sector size
};

struct NtfsFormatParameters {
    int SectorsPerCluster = 0;   // 0: the default for the volume size
    std::string Label;           // 8-bit text
    bool Quick = true;
    // Clusters (of the chosen size) the system files must not be placed on: they hold data that stays
    // where it is. The new $Bitmap does not mark them; whoever keeps data there marks it.
    const KBitmap* AvoidClusters = nullptr;
    // The MFT is made large enough for at least this many records (0: the system files only).
    int64_t MftRecords = 0;
};

// Sectors per cluster (512-byte sectors) that suit a volume of `sectors` 512-byte sectors.
int GetDefaultNtfsClusterSize(int64_t sectors);
// The smallest sectors per cluster whose volume bitmap stays within 0x7FFFFFF bytes.
int GetMinNtfsClusterSize(int64_t sectors);
// Sectors the system files of an empty volume take; sectorsPerCluster is filled when 0.
int64_t GetNtfsSystemAreaSectors(int64_t sectors, int& sectorsPerCluster);

// Clusters the system files take outside the boot region: the MFT (for at least mftRecords records of
// 1,024 bytes) with its bitmap, and the rest of the system files, in clusters of sectorsPerCluster.
int64_t GetNtfsSystemClusters(int64_t sectors, int sectorsPerCluster, int64_t mftRecords);

class KNtfsFormat {
public:
    KNtfsFormat();
    virtual ~KNtfsFormat();

    // Sectors are the device's; the file system starts at volumeStart.
    int Format(ISectorDevice* device, int64_t volumeStart, int64_t sectors, int64_t hiddenSectors,
               const NtfsFormatParameters& parameters, IProgressReporter* progress);

    // What the last format chose, for callers and tests.
    int64_t MftLcn() const { return m_mftLcn; }
    int64_t MftBitmapLcn() const { return m_mftBitmapLcn; }
    int64_t MirrorLcn() const { return m_mirrorLcn; }
    int64_t LogFileLcn() const { return m_logFileLcn; }
    int64_t RootIndexLcn() const { return m_rootIndexLcn; }
    int64_t VolumeBitmapLcn() const { return m_volumeBitmapLcn; }
    int64_t AttrDefLcn() const { return m_attrDefLcn; }
    int64_t UpcaseLcn() const { return m_upcaseLcn; }
    int64_t SecureLcn() const { return m_secureLcn; }
    int64_t RootSecurityLcn() const { return m_rootSecurityLcn; }
    int64_t MftBytes() const { return m_mftBytes; }
    int64_t LogFileBytes() const { return m_logFileBytes; }
    int64_t BootRegionBytes() const { return m_bootRegionBytes; }
    int64_t TotalSectors() const { return m_totalSectors; }
    int64_t TotalClusters() const { return m_totalClusters; }
    int ClusterBytes() const { return m_clusterBytes; }

private:
    int writeAll(ISectorDevice* device);
    int64_t findFreeRun(int64_t start, int64_t length, int64_t limit);
    int verifyVolume(ISectorDevice* device);
    bool placeSystemFiles();
    void buildBootRegion(int64_t hiddenSectors);
    bool buildRootIndex();
    bool buildMft();
    void buildFreshRecord(uint8_t* record, uint32_t number);
    bool buildTemplateRecord(int record, uint8_t* out);
    void patchAttribute(int record, std::vector<uint8_t>& attribute);
    void writeSingleRun(std::vector<uint8_t>& attribute, int64_t bytes, int64_t lcn);
    bool writeClusters(ISectorDevice* device, const uint8_t* data, int64_t lcn, int64_t sectors);
    void step();

    int m_heads = 255;
    int m_sectorsPerTrack = 63;
    int m_bytesPerSector = 512;
    int m_clusterBytes = 4096;
    int m_fileRecordBytes = 1024;
    int m_indexRecordBytes = 4096;
    int m_sectorsPerCluster = 0;
    int64_t m_bootClusters = 0, m_totalClusters = 0, m_totalSectors = 0, m_volumeStart = 0;
    int64_t m_volumeBitmapBytes = 0, m_mftBitmapBytes = 0, m_mftBytes = 0, m_mirrorBytes = 0, m_bootRegionBytes = 0,
            m_logFileBytes = 0;
    int64_t m_mftLcn = 0, m_mirrorLcn = 0, m_logFileLcn = 0, m_rootIndexLcn = 0, m_volumeBitmapLcn = 0, m_attrDefLcn = 0,
            m_upcaseLcn = 0, m_mftBitmapLcn = 0, m_secureLcn = 0, m_rootSecurityLcn = 0;
    KBitmap m_volumeBitmap;
    KBitmap m_mftBitmap;
    std::unique_ptr<uint8_t[]> m_bootRegion, m_rootIndex, m_mft;
    uint64_t m_formatTime = 0;
    std::string m_label;
    IProgressReporter* m_progress = nullptr;

    // Derived during a format.
    int64_t m_mftBitmapClusters = 0, m_mftClusters = 0, m_volumeBitmapClusters = 0, m_mirrorClusters = 0,
            m_logClusters = 0;
    int32_t m_fileRecordCode = 0, m_indexRecordCode = 0;
    int64_t m_stepCount = 0;  // progress position: finished steps plus sectors and clusters done
    int64_t m_stepTotal = 0;
    int64_t m_volumeSectors = 0;
};
