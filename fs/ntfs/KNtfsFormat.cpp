#include "KNtfsFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "NtfsBootRegion.h"
#include "NtfsImages.h"
#include "fs/ntfs/NtfsRecord.h"
#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "core/TextConversion.h"
#include "engine/ISectorDevice.h"
#include "core/IProgressReporter.h"

using namespace Ntfs;

namespace {

constexpr int64_t kBootRegionMin = 8192;
constexpr int kTemplateCount = int(NtfsImages::kTemplateRecordCount);

// The sizes of an empty volume's system files for one geometry.
struct NtfsSizes {
    int64_t ClusterBytes = 0, TotalSectors = 0, TotalClusters = 0;
    int64_t MftClusters = 0, MftBytes = 0, MftBitmapBytes = 0, MftBitmapClusters = 0;
    int64_t VolumeBitmapBytes = 0, VolumeBitmapClusters = 0;
    int64_t BootBytes = 0, BootClusters = 0, LogBytes = 0, LogClusters = 0, MirrorBytes = 0, MirrorClusters = 0;
    int64_t RootIndexClusters = 0, AttrDefClusters = 0, UpcaseClusters = 0, SecureClusters = 0,
            RootSecurityClusters = 0;

    int64_t SystemRunClusters() const
    {
        return MirrorClusters + LogClusters + RootIndexClusters + VolumeBitmapClusters + AttrDefClusters
             + UpcaseClusters + SecureClusters + RootSecurityClusters;
    }
};

NtfsSizes computeSizes(int64_t sectors, int64_t sectorsPerCluster, int64_t bytesPerSector, int64_t recordBytes,
                       int64_t minRecords = 0)
{
    NtfsSizes s;
    const int64_t c = sectorsPerCluster * bytesPerSector;
    s.ClusterBytes = c;
    // At least one sector after the file system always stays free for the backup boot sector.
    s.TotalSectors = sectors / sectorsPerCluster * sectorsPerCluster;
    if (sectors % sectorsPerCluster == 0)
        s.TotalSectors -= sectorsPerCluster;
    if (s.TotalSectors < 0)
        s.TotalSectors = 0;
    s.TotalClusters = s.TotalSectors / sectorsPerCluster;

    const int64_t mftBytes = std::max(int64_t(NtfsImages::kTemplateRecordCount * 1024), minRecords * recordBytes);
    s.MftClusters = int64_t(DivideUp(uint64_t(mftBytes), uint64_t(c)));
    s.MftBytes = s.MftClusters * c;
    const int64_t records = s.MftBytes / recordBytes;
    s.MftBitmapBytes = int64_t(DivideUp(DivideUp(uint64_t(records), 8), 8) * 8);
    s.MftBitmapClusters = int64_t(DivideUp(uint64_t(s.MftBitmapBytes), uint64_t(c)));

    s.VolumeBitmapBytes = int64_t(RoundUp(DivideUp(uint64_t(s.TotalClusters), 8), 8));
    s.VolumeBitmapClusters = int64_t(DivideUp(uint64_t(s.VolumeBitmapBytes), uint64_t(c)));

    s.BootBytes = std::max(kBootRegionMin, c);
    s.BootClusters = int64_t(DivideUp(uint64_t(s.BootBytes), uint64_t(c)));

    // Log file by volume size, counted in 512-byte units whatever the sector size.
    const int64_t totalBytes = s.TotalSectors * bytesPerSector;
    const int64_t units = totalBytes / 512;
    int64_t log;
    if (units <= 4096)
        log = 256 << 10;
    else if (units <= 8192)
        log = 512 << 10;
    else if (units <= 409600)
        log = 2 << 20;
    else if (units <= 0x1800000)
        log = std::max<int64_t>(2 << 20, totalBytes / 200 / c * c);
    else
        log = 64 << 20;
    s.LogBytes = int64_t(RoundUp(uint64_t(log), uint64_t(c)));
    s.LogClusters = s.LogBytes / c;

    s.MirrorBytes = int64_t(RoundUp(uint64_t(std::max<int64_t>(4 * recordBytes, c)), uint64_t(c)));
    s.MirrorClusters = s.MirrorBytes / c;

    auto clustersOf = [c](size_t bytes) { return int64_t(DivideUp(bytes, uint64_t(c))); };
    s.RootIndexClusters = clustersOf(NtfsImages::kRootIndexBytes);
    s.AttrDefClusters = clustersOf(NtfsImages::kAttrDefBytes);
    s.UpcaseClusters = clustersOf(NtfsImages::kUpcaseBytes);
    s.SecureClusters = clustersOf(NtfsImages::kSecurityStreamBytes);
    s.RootSecurityClusters = clustersOf(NtfsImages::kRootSecurityBytes);
    return s;
}

// The boot sector's record-size byte: clusters per record, or -log2(size) for records smaller
// than a cluster. 0 when the size is not a power of two.
int32_t recordSizeCode(int64_t size, int64_t clusterBytes)
{
    if (size <= 0 || (size & (size - 1)))
        return 0;
    if (size >= clusterBytes)
        return int32_t(size / clusterBytes);
    int log2 = 0;
    while ((int64_t(1) << log2) < size)
        ++log2;
    return -log2;
}

void putTimes(uint8_t* at, int count, uint64_t time)
{
    for (int i = 0; i < count; ++i)
        put_le64(at + 8 * i, time);
}

void reportMemory() { std::fputs("\nAllocate memory failed!", stdout); }

} // namespace

int GetDefaultNtfsClusterSize(int64_t sectors)
{
    if (sectors < 0x100000)
        return 1;
    if (sectors < 0x200000)
        return 2;
    if (sectors < 0x400000)
        return 4;
    for (int shift = 32, spc = 8; shift <= 35; ++shift, spc *= 2)
        if (sectors < (int64_t(1) << shift))
            return spc;
    return 128;
}

int GetMinNtfsClusterSize(int64_t sectors)
{
    for (int spc = 1; spc <= 128; spc *= 2)
        if (sectors / spc / 8 <= 0x7FFFFFF)
            return spc;
    return 128;
}

int64_t GetNtfsSystemAreaSectors(int64_t sectors, int& sectorsPerCluster)
{
    if (sectorsPerCluster <= 0)
        sectorsPerCluster = GetDefaultNtfsClusterSize(sectors);
    const NtfsSizes s = computeSizes(sectors, sectorsPerCluster, 512, 1024);
    const double clusters = 1.1 * double(s.MftClusters) + double(s.MftBitmapClusters) + double(s.VolumeBitmapClusters)
                          + double(s.BootClusters) + double(s.MirrorClusters) + 1.1 * double(s.LogClusters)
                          + double(s.RootIndexClusters + s.AttrDefClusters + s.UpcaseClusters + s.SecureClusters
                                   + s.RootSecurityClusters);
    return int64_t(clusters) * sectorsPerCluster;
}

int64_t GetNtfsSystemClusters(int64_t sectors, int sectorsPerCluster, int64_t mftRecords)
{
    const NtfsSizes s = computeSizes(sectors, std::max(1, sectorsPerCluster), 512, 1024, std::max<int64_t>(0, mftRecords));
    return s.MftClusters + s.MftBitmapClusters + s.SystemRunClusters();
}

KNtfsFormat::KNtfsFormat() = default;
KNtfsFormat::~KNtfsFormat() = default;

void KNtfsFormat::step()
{
    ++m_stepCount;
    if (m_progress)
        m_progress->SetStepPosition(m_stepCount);
}

int KNtfsFormat::Format(ISectorDevice* device, int64_t volumeStart, int64_t sectors, int64_t hiddenSectors,
                        const NtfsFormatParameters& parameters, IProgressReporter* progress)
{
    m_progress = progress;
    m_volumeStart = volumeStart;
    m_volumeSectors = sectors;
    m_stepCount = 0;
    m_formatTime = GetSystemFileTime();

    DiskGeometry geometry{};
    if (!device || !device->GetGeometry(&geometry))
        return kNtfsBadGeometry;
    const int bps = geometry.BytesPerSector;
    if (bps < 512 || bps > 4096 || (bps & (bps - 1)))
        return kNtfsBadGeometry;
    m_bytesPerSector = bps;
    m_heads = geometry.TracksPerCylinder;
    m_sectorsPerTrack = geometry.SectorsPerTrack;

    // Cluster sizes are chosen in 512-byte units, so a volume gets the same clusters on any sector size.
    const int64_t units = sectors * (bps / 512);
    const int requested = parameters.SectorsPerCluster > 0 ? parameters.SectorsPerCluster
                                                           : GetDefaultNtfsClusterSize(units);
    if (requested > 128 || (requested & (requested - 1)))
        return kNtfsBadClusterSize;
    int64_t clusterBytes = int64_t(requested) * 512;
    if (clusterBytes < bps && parameters.SectorsPerCluster == 0)
        clusterBytes = bps; // the default never goes below one sector
    if (clusterBytes % bps)
        return kNtfsBadClusterSize;
    m_clusterBytes = int(clusterBytes);
    m_sectorsPerCluster = int(clusterBytes / bps);

    m_fileRecordCode = recordSizeCode(m_fileRecordBytes, m_clusterBytes);
    m_indexRecordCode = recordSizeCode(m_indexRecordBytes, m_clusterBytes);
    if (!m_fileRecordCode || !m_indexRecordCode)
        return kNtfsBadGeometry;

    const NtfsSizes s = computeSizes(sectors, m_sectorsPerCluster, bps, m_fileRecordBytes, std::max<int64_t>(0, parameters.MftRecords));
    m_totalSectors = s.TotalSectors;
    m_totalClusters = s.TotalClusters;
    m_mftClusters = s.MftClusters;
    m_mftBytes = s.MftBytes;
    m_mftBitmapBytes = s.MftBitmapBytes;
    m_mftBitmapClusters = s.MftBitmapClusters;
    m_volumeBitmapBytes = s.VolumeBitmapBytes;
    m_volumeBitmapClusters = s.VolumeBitmapClusters;
    m_bootRegionBytes = s.BootBytes;
    m_bootClusters = s.BootClusters;
    m_logFileBytes = s.LogBytes;
    m_logClusters = s.LogClusters;
    m_mirrorBytes = s.MirrorBytes;
    m_mirrorClusters = s.MirrorClusters;
    if (m_totalClusters <= m_bootClusters)
        return kNtfsNoRoom;

    // The label is stored as UTF-16 in a resident $VOLUME_NAME of at most 128 code units.
    m_label = parameters.Label;

    if (!m_mftBitmap.Create(m_mftBitmapClusters * m_clusterBytes * 8)
        || !m_volumeBitmap.Create(m_volumeBitmapClusters * m_clusterBytes * 8)) {
        reportMemory();
        return kNtfsOutOfMemory;
    }
    m_mftBitmap.SetRange(0, true, 16);
    m_mftBitmap.SetRange(24, true, 3);

    m_stepTotal = m_logClusters + 20 + (parameters.Quick ? 0 : m_totalSectors);
    if (m_progress) {
        m_progress->SetStepTotal(m_stepTotal);
        m_progress->BeginStep(-1);
    }
    if (!parameters.Quick) {
        const int verified = verifyVolume(device);
        if (verified != kNtfsFormatOk)
            return verified;
    }
    if (parameters.AvoidClusters) {
        const KBitmap& avoid = *parameters.AvoidClusters;
        const int64_t bytes = std::min(avoid.ByteLength(), m_volumeBitmap.ByteLength());
        for (int64_t i = 0; i < bytes; ++i)
            m_volumeBitmap.Data()[i] |= avoid.Data()[i];
    }
    if (!placeSystemFiles())
        return kNtfsNoRoom;

    try {
        m_bootRegion.reset(new uint8_t[size_t(m_bootRegionBytes)]());
        m_rootIndex.reset(new uint8_t[NtfsImages::kRootIndexBytes]());
        m_mft.reset(new uint8_t[size_t(m_mftBytes)]());
    } catch (const std::bad_alloc&) {
        reportMemory();
        return kNtfsOutOfMemory;
    }
    buildBootRegion(hiddenSectors);
    if (!buildRootIndex() || !buildMft())
        return kNtfsBadGeometry;
    return writeAll(device);
}

int KNtfsFormat::verifyVolume(ISectorDevice* device)
{
    const int64_t track = std::max(1, m_sectorsPerTrack);
    int64_t chunk = track;
    for (int64_t tracks = 256; tracks >= 2; tracks /= 2)
        if (device->VerifySectors(m_volumeStart, std::min(tracks * track, m_totalSectors))) {
            chunk = tracks * track;
            break;
        }
    const int64_t chunks = (m_totalSectors + chunk - 1) / chunk;
    int lastPercent = -1;
    for (int64_t i = 0; i < chunks; ++i) {
        if (m_progress)
            m_progress->Tick();
        const int64_t first = i * chunk, count = std::min(chunk, m_totalSectors - first);
        if (!device->VerifySectors(m_volumeStart + first, count)) {
            for (int64_t cluster = first / m_sectorsPerCluster; cluster * m_sectorsPerCluster < first + count; ++cluster) {
                if (device->VerifySectors(m_volumeStart + cluster * m_sectorsPerCluster, m_sectorsPerCluster))
                    continue;
                if (cluster < m_bootClusters)
                    return kNtfsBadBootCluster;
                m_volumeBitmap.SetRange(cluster, true, 1);
            }
        }
        const int percent = int((i + 1) * 100 / chunks);
        if (percent != lastPercent && m_progress) {
            lastPercent = percent;
            m_progress->SetStepPosition(m_stepCount + first + count);
        }
    }
    m_stepCount += m_totalSectors;
    return kNtfsFormatOk;
}

int64_t KNtfsFormat::findFreeRun(int64_t start, int64_t length, int64_t limit)
{
    int64_t runStart = start, run = 0;
    for (int64_t c = start; c < limit; ++c) {
        if (m_volumeBitmap.Test(c)) {
            run = 0;
            runStart = c + 1;
            continue;
        }
        if (++run == length)
            return runStart;
    }
    return -1;
}

bool KNtfsFormat::placeSystemFiles()
{
    const int64_t bits = m_volumeBitmap.BitCount();
    m_volumeBitmap.SetRange(m_totalClusters, true, bits - m_totalClusters);

    const int64_t mftRun = m_mftBitmapClusters + m_mftClusters;
    const int64_t mftAt = findFreeRun(m_bootClusters, mftRun, m_totalClusters);
    if (mftAt < 0)
        return false;
    m_mftBitmapLcn = mftAt;
    m_mftLcn = mftAt + m_mftBitmapClusters;
    m_volumeBitmap.SetRange(mftAt, true, mftRun);

    NtfsSizes s;
    auto clustersOf = [this](size_t bytes) { return int64_t(DivideUp(bytes, uint64_t(m_clusterBytes))); };
    s.MirrorClusters = m_mirrorClusters;
    s.LogClusters = m_logClusters;
    s.VolumeBitmapClusters = m_volumeBitmapClusters;
    s.RootIndexClusters = clustersOf(NtfsImages::kRootIndexBytes);
    s.AttrDefClusters = clustersOf(NtfsImages::kAttrDefBytes);
    s.UpcaseClusters = clustersOf(NtfsImages::kUpcaseBytes);
    s.SecureClusters = clustersOf(NtfsImages::kSecurityStreamBytes);
    s.RootSecurityClusters = clustersOf(NtfsImages::kRootSecurityBytes);
    const int64_t systemRun = s.SystemRunClusters();
    int64_t systemAt = -1;
    for (double fraction : {0.5, 0.375, 0.25, 0.125, 0.05, 0.0}) {
        // The run must end before the last cluster.
        systemAt = findFreeRun(std::max(m_bootClusters, int64_t(double(m_totalClusters) * fraction)), systemRun,
                               m_totalClusters - 1);
        if (systemAt >= 0)
            break;
    }
    if (systemAt < 0)
        return false;
    m_mirrorLcn = systemAt;
    m_logFileLcn = m_mirrorLcn + s.MirrorClusters;
    m_rootIndexLcn = m_logFileLcn + s.LogClusters;
    m_volumeBitmapLcn = m_rootIndexLcn + s.RootIndexClusters;
    m_attrDefLcn = m_volumeBitmapLcn + s.VolumeBitmapClusters;
    m_upcaseLcn = m_attrDefLcn + s.AttrDefClusters;
    m_secureLcn = m_upcaseLcn + s.UpcaseClusters;
    m_rootSecurityLcn = m_secureLcn + s.SecureClusters;

    // Bad clusters found by the verify only steered the placement; the bitmap now shows what is used.
    m_volumeBitmap.Clear(true);
    m_volumeBitmap.SetRange(0, true, m_bootClusters);
    m_volumeBitmap.SetRange(m_mftBitmapLcn, true, mftRun);
    m_volumeBitmap.SetRange(systemAt, true, systemRun);
    m_volumeBitmap.SetRange(m_totalClusters, true, bits - m_totalClusters);
    return true;
}

void KNtfsFormat::buildBootRegion(int64_t hiddenSectors)
{
    uint8_t* b = m_bootRegion.get();
    std::memcpy(b, kNtfsBootRegion, std::min<size_t>(kNtfsBootRegion_size, size_t(m_bootRegionBytes)));
    put_le16(b + 0x0B, uint16_t(m_bytesPerSector));
    b[0x0D] = uint8_t(m_sectorsPerCluster);
    b[0x15] = 0xF8;
    put_le16(b + 0x18, uint16_t(m_sectorsPerTrack));
    put_le16(b + 0x1A, uint16_t(m_heads));
    put_le32(b + 0x1C, uint32_t(hiddenSectors));
    put_le32(b + 0x20, 0);
    put_le64(b + 0x28, uint64_t(m_totalSectors));
    put_le64(b + 0x30, uint64_t(m_mftLcn));
    put_le64(b + 0x38, uint64_t(m_mirrorLcn));
    put_le32(b + 0x40, uint32_t(m_fileRecordCode));
    put_le32(b + 0x44, uint32_t(m_indexRecordCode));
    put_le64(b + 0x48, m_formatTime);
    put_le32(b + 0x50, 0);
}

bool KNtfsFormat::buildRootIndex()
{
    uint8_t* r = m_rootIndex.get();
    constexpr size_t size = NtfsImages::kRootIndexBytes;
    std::memcpy(r, NtfsImages::RootIndexRecord(), size);
    if (!UndoFixups(r, size))
        return false;
    constexpr size_t header = 0x18;
    size_t at = header + le32(r + header);
    const size_t end = std::min<size_t>(size, header + le32(r + header + 4));
    while (fits(end, at, 0x10)) {
        const uint16_t length = le16(r + at + 8), keyLength = le16(r + at + 10), flags = le16(r + at + 12);
        if ((flags & 2) || length < 0x10 || !fits(end, at, length))
            break;
        if (keyLength >= 0x28)
            putTimes(r + at + 0x10 + 8, 4, m_formatTime);
        at += length;
    }
    return ApplyFixups(r, size);
}

void KNtfsFormat::buildFreshRecord(uint8_t* r, uint32_t number)
{
    const uint16_t usaCount = UsaCount(size_t(m_fileRecordBytes));
    const uint16_t first = uint16_t(RoundUp(kRecHeaderEnd + 2 * usaCount, 8));
    std::memcpy(r, "FILE", 4);
    put_le16(r + kRecUsaOffset, uint16_t(kRecHeaderEnd));
    put_le16(r + kRecUsaCount, usaCount);
    put_le16(r + kRecSequence, 1);
    put_le16(r + kRecAttrsOffset, first);
    put_le32(r + kRecBytesInUse, uint32_t(first + 8));
    put_le32(r + kRecBytesAllocated, uint32_t(m_fileRecordBytes));
    put_le32(r + kRecNumber, number);
    put_le16(r + kRecHeaderEnd, 1);
    put_le32(r + first, kAttrEnd);
}

bool KNtfsFormat::buildMft()
{
    const int64_t records = m_mftBytes / m_fileRecordBytes;
    for (int64_t i = 0; i < records; ++i) {
        uint8_t* r = m_mft.get() + i * m_fileRecordBytes;
        if (i < kTemplateCount && (i < 16 || i > 23)) {
            if (!buildTemplateRecord(int(i), r))
                return false;
        } else {
            buildFreshRecord(r, uint32_t(i)); // records 16-23 have no template: they start unused
        }
    }
    for (int64_t i = 0; i < records; ++i)
        if (!ApplyFixups(m_mft.get() + i * m_fileRecordBytes, size_t(m_fileRecordBytes)))
            return false;
    return true;
}

bool KNtfsFormat::buildTemplateRecord(int record, uint8_t* out)
{
    const size_t size = size_t(m_fileRecordBytes);
    uint8_t source[NtfsImages::kTemplateRecordBytes];
    std::memcpy(source, NtfsImages::TemplateRecords() + size_t(record) * sizeof source, sizeof source);
    if (!UndoFixups(source, sizeof source))
        return false;
    const size_t first = le16(source + kRecAttrsOffset);
    if (first > sizeof source || first > size)
        return false;
    std::memset(out, 0, size);
    std::memcpy(out, source, first);
    put_le32(out + kRecBytesAllocated, uint32_t(size));

    size_t from = first, to = first;
    const int count = le16(source + kRecNextInstance);
    for (int i = 0; i < count; ++i) {
        if (!fits(sizeof source, from, 8))
            return false;
        const uint32_t length = le32(source + from + kAttrLengthOff);
        if (length < 0x18 || !fits(sizeof source, from, length))
            return false;
        std::vector<uint8_t> attribute(source + from, source + from + length);
        attribute.resize(RoundUp(length, 8));
        put_le32(attribute.data() + kAttrLengthOff, uint32_t(attribute.size()));
        patchAttribute(record, attribute);
        if (!fits(size, to, attribute.size() + 8))
            return false;
        std::memcpy(out + to, attribute.data(), attribute.size());
        from += length;
        to += attribute.size();
    }
    put_le32(out + to, kAttrEnd);
    put_le32(out + to + 4, 0);
    put_le32(out + kRecBytesInUse, uint32_t(to + 8));
    return true;
}

void KNtfsFormat::patchAttribute(int record, std::vector<uint8_t>& a)
{
    const uint32_t type = le32(a.data());
    const bool nonResident = a[kAttrNonResidentOff] != 0;
    const size_t value = nonResident ? 0 : le16(a.data() + kResValueOffset);
    const int64_t c = m_clusterBytes;
    switch (type) {
    case kAttrStandardInformation:
        if (fits(a.size(), value, 32))
            putTimes(a.data() + value, 4, m_formatTime);
        break;
    case kAttrFileName: {
        if (!fits(a.size(), value, 0x38))
            break;
        putTimes(a.data() + value + 8, 4, m_formatTime);
        int64_t bytes = -1;
        switch (record) {
        case 0: bytes = m_mftBytes; break;
        case 1: bytes = int64_t(RoundUp(uint64_t(m_mirrorBytes), uint64_t(c))); break;
        case 2: bytes = m_logFileBytes; break;
        case 4: bytes = int64_t(NtfsImages::kAttrDefBytes); break;
        case 6: bytes = m_volumeBitmapBytes; break;
        case 7: bytes = m_bootRegionBytes; break;
        case 10: bytes = int64_t(NtfsImages::kUpcaseBytes); break;
        default: break;
        }
        if (bytes >= 0) {
            put_le64(a.data() + value + 0x28, RoundUp(uint64_t(bytes), uint64_t(c)));
            put_le64(a.data() + value + 0x30, uint64_t(bytes));
        }
        break;
    }
    case kAttrData:
        if (!nonResident)
            break;
        switch (record) {
        case 0: writeSingleRun(a, m_mftBytes, m_mftLcn); break;
        case 1: writeSingleRun(a, m_mirrorBytes, m_mirrorLcn); break;
        case 2: writeSingleRun(a, m_logFileBytes, m_logFileLcn); break;
        case 4: writeSingleRun(a, int64_t(NtfsImages::kAttrDefBytes), m_attrDefLcn); break;
        case 6: writeSingleRun(a, m_volumeBitmapBytes, m_volumeBitmapLcn); break;
        case 7: writeSingleRun(a, m_bootRegionBytes, 0); break;
        case 8: writeSingleRun(a, m_totalSectors * m_bytesPerSector, -1); break;
        case 9: writeSingleRun(a, int64_t(NtfsImages::kSecurityStreamBytes), m_secureLcn); break;
        case 10: writeSingleRun(a, int64_t(NtfsImages::kUpcaseBytes), m_upcaseLcn); break;
        default: break;
        }
        break;
    case kAttrBitmap:
        if (nonResident && record == 0)
            writeSingleRun(a, m_mftBitmapBytes, m_mftBitmapLcn);
        break;
    case kAttrSecurityDescriptor:
        if (nonResident && record == 5)
            writeSingleRun(a, int64_t(NtfsImages::kRootSecurityBytes), m_rootSecurityLcn);
        break;
    case kAttrIndexAllocation:
        if (nonResident && record == 5)
            writeSingleRun(a, int64_t(NtfsImages::kRootIndexBytes), m_rootIndexLcn);
        break;
    case kAttrIndexRoot:
        if (!nonResident && fits(a.size(), value, 16))
            a[value + 12] = uint8_t(m_indexRecordCode > 0 ? m_indexRecordCode : 8);
        break;
    case kAttrVolumeName: {
        if (nonResident || value > a.size())
            break;
        char16_t name[128];
        const int units = m_label.empty() ? 0
                        : AnsiToUnicode(m_label.data(), int(m_label.size()), name, int(std::size(name)));
        const size_t bytes = size_t(std::max(units, 0)) * 2;
        a.resize(RoundUp(value + bytes, 8));
        for (size_t i = 0; i < bytes / 2; ++i)
            put_le16(a.data() + value + 2 * i, uint16_t(name[i]));
        std::fill(a.begin() + ptrdiff_t(value + bytes), a.end(), 0);
        put_le32(a.data() + kResValueLength, uint32_t(bytes));
        put_le32(a.data() + kAttrLengthOff, uint32_t(a.size()));
        break;
    }
    default:
        break;
    }
}

void KNtfsFormat::writeSingleRun(std::vector<uint8_t>& a, int64_t bytes, int64_t lcn)
{
    const int64_t c = m_clusterBytes;
    const int64_t clusters = int64_t(DivideUp(uint64_t(bytes), uint64_t(c)));
    uint8_t* h = a.data();
    put_le64(h + kNrLowestVcn, 0);
    put_le64(h + kNrHighestVcn, uint64_t(clusters - 1));
    put_le64(h + kNrAllocatedSize, uint64_t(clusters * c));
    put_le64(h + kNrDataSize, uint64_t(bytes));
    put_le64(h + kNrInitializedSize, lcn < 0 ? 0 : uint64_t(bytes));

    const int lengthBytes = RunFieldWidth(clusters);
    const int lcnBytes = lcn < 0 ? 0 : RunFieldWidth(lcn);
    const size_t need = size_t(1 + lengthBytes + lcnBytes);
    const size_t pairs = le16(h + kNrMappingPairsOffset);
    size_t area = a.size() > pairs ? a.size() - pairs : 0;
    if (need > area) {
        area = RoundUp(need, 8);
        if (area == need)
            area += 8;
    } else if (need == area) {
        area += 8; // room for the terminating zero
    }
    a.resize(pairs + area);
    h = a.data();
    put_le32(h + kAttrLengthOff, uint32_t(a.size()));
    std::fill(a.begin() + ptrdiff_t(pairs), a.end(), 0);
    h[pairs] = uint8_t(lcnBytes << 4 | lengthBytes);
    for (int i = 0; i < lengthBytes; ++i)
        h[pairs + 1 + size_t(i)] = uint8_t(uint64_t(clusters) >> (8 * i));
    for (int i = 0; i < lcnBytes; ++i)
        h[pairs + 1 + size_t(lengthBytes + i)] = uint8_t(uint64_t(lcn) >> (8 * i));
}

bool KNtfsFormat::writeClusters(ISectorDevice* device, const uint8_t* data, int64_t lcn, int64_t sectors)
{
    if (device->WriteSectors(data, m_volumeStart + lcn * m_sectorsPerCluster, sectors))
        return true;
    std::fputs("\nWrite sectors failed!", stdout);
    return false;
}

int KNtfsFormat::writeAll(ISectorDevice* device)
{
    const int64_t bps = m_bytesPerSector;
    auto sectorsOf = [bps](int64_t bytes) { return int64_t(DivideUp(uint64_t(bytes), uint64_t(bps))); };
    // Small structures go out from a sector-rounded copy so the last sector is never read past the data.
    auto padded = [bps](const uint8_t* data, size_t bytes) {
        std::vector<uint8_t> copy(RoundUp(bytes, uint64_t(bps)), 0);
        std::memcpy(copy.data(), data, bytes);
        return copy;
    };

    step();
    if (!writeClusters(device, m_bootRegion.get(), 0, m_bootRegionBytes / bps))
        return kNtfsWriteFailed;
    step();
    if (!writeClusters(device, m_mftBitmap.Data(), m_mftBitmapLcn, m_mftBitmap.ByteLength() / bps))
        return kNtfsWriteFailed;
    step();
    if (!writeClusters(device, m_mft.get(), m_mftLcn, m_mftBytes / bps))
        return kNtfsWriteFailed;
    step();
    if (!writeClusters(device, m_mft.get(), m_mirrorLcn, m_mirrorBytes / bps))
        return kNtfsWriteFailed;

    // The log file: all 0xFF, a track per write from one buffer.
    step();
    {
        const int64_t track = std::max(1, m_sectorsPerTrack);
        std::vector<uint8_t> ones;
        try {
            ones.assign(size_t(track * bps), 0xFF);
        } catch (const std::bad_alloc&) {
            reportMemory();
            return kNtfsOutOfMemory;
        }
        const int64_t logSectors = m_logFileBytes / bps;
        const int64_t base = m_stepCount;
        for (int64_t done = 0; done < logSectors;) {
            if (m_progress)
                m_progress->Tick();
            const int64_t n = std::min(track, logSectors - done);
            if (!device->WriteSectors(ones.data(), m_volumeStart + m_logFileLcn * m_sectorsPerCluster + done, n)) {
                std::fputs("\nWrite sectors failed!", stdout);
                return kNtfsWriteFailed;
            }
            done += n;
            if (m_progress)
                m_progress->SetStepPosition(base + done / m_sectorsPerCluster);
        }
        m_stepCount += m_logClusters;
    }

    step();
    if (!writeClusters(device, m_rootIndex.get(), m_rootIndexLcn, sectorsOf(NtfsImages::kRootIndexBytes)))
        return kNtfsWriteFailed;
    step();
    if (!writeClusters(device, m_volumeBitmap.Data(), m_volumeBitmapLcn, m_volumeBitmap.ByteLength() / bps))
        return kNtfsWriteFailed;
    step();
    const auto attrDef = padded(NtfsImages::AttributeDefinitions(), NtfsImages::kAttrDefBytes);
    if (!writeClusters(device, attrDef.data(), m_attrDefLcn, sectorsOf(NtfsImages::kAttrDefBytes)))
        return kNtfsWriteFailed;

    step();
    std::vector<uint8_t> upcase(NtfsImages::kUpcaseBytes);
    {
        std::vector<uint16_t> table(0x10000);
        NtfsImages::BuildUpcaseTable(table.data());
        for (size_t i = 0; i < table.size(); ++i)
            put_le16(upcase.data() + 2 * i, table[i]);
    }
    if (!writeClusters(device, upcase.data(), m_upcaseLcn, sectorsOf(NtfsImages::kUpcaseBytes)))
        return kNtfsWriteFailed;

    step();
    std::vector<uint8_t> secure(RoundUp(NtfsImages::kSecurityStreamBytes, uint64_t(bps)), 0);
    for (const NtfsImages::StreamByte* b = NtfsImages::SecurityStream(); b->Offset >= 0; ++b)
        secure[size_t(b->Offset)] = b->Value;
    if (!writeClusters(device, secure.data(), m_secureLcn, sectorsOf(NtfsImages::kSecurityStreamBytes)))
        return kNtfsWriteFailed;

    step();
    const auto rootSecurity = padded(NtfsImages::RootSecurityDescriptor(), NtfsImages::kRootSecurityBytes);
    if (!writeClusters(device, rootSecurity.data(), m_rootSecurityLcn, sectorsOf(NtfsImages::kRootSecurityBytes)))
        return kNtfsWriteFailed;

    // The backup boot sector sits in the sector just past the file system.
    step();
    if (!device->WriteSectors(m_bootRegion.get(), m_volumeStart + m_totalSectors, 1)) {
        std::fputs("\nWrite sectors failed!", stdout);
        return kNtfsWriteFailed;
    }
    // Recovery tools look for the backup in the volume's last sector; when whole clusters were left
    // over, that is not the sector above, so the backup goes there as well.
    if (m_volumeSectors - 1 != m_totalSectors
        && !device->WriteSectors(m_bootRegion.get(), m_volumeStart + m_volumeSectors - 1, 1)) {
        std::fputs("\nWrite sectors failed!", stdout);
        return kNtfsWriteFailed;
    }
    if (m_progress) {
        m_progress->SetStepPosition(m_stepTotal);
        m_progress->CompleteStep();
    }
    return kNtfsFormatOk;
}
