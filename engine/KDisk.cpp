#include "KDisk.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "DiskEngine.h"
#include "KGptTable.h"
#include "KMbrTable.h"
#include "LinuxBlock.h"
#include "PartitionTableScan.h"

KDisk::~KDisk()
{
    Close();
}

int KDisk::Open(int diskNumber)
{
    const auto paths = LinuxBlock::DiskPaths();
    if (diskNumber < 0 || size_t(diskNumber) >= paths.size())
        return 0;
    return OpenPath(paths[size_t(diskNumber)], diskNumber);
}

int KDisk::OpenPath(const std::string& path, int diskNumber)
{
    Close();
    if (!m_file.Open(path, diskNumber, true))
        return 0;
    m_diskNumber = diskNumber;
    m_heads = 255;
    m_sectorsPerTrack = 63;
    if (m_file.IsBlockDevice()) {
        int heads = 0, spt = 0;
        if (LinuxBlock::Geometry(m_file.Fd(), heads, spt)) {
            m_heads = heads;
            m_sectorsPerTrack = spt;
        }
    }
    return 1;
}

void KDisk::Close()
{
    m_file.Close();
    m_scan.reset();
    m_adoptedHeader.reset();
}

int KDisk::ReadSectors(void* buffer, int64_t firstSector, int64_t count)
{
    return m_file.Read(buffer, firstSector, count) ? 1 : 0;
}

int KDisk::ReadSectorsUncached(void* buffer, int64_t firstSector, int64_t count)
{
    return m_file.ReadDirect(buffer, firstSector, count) ? 1 : 0;
}

int KDisk::WriteSectors(const void* buffer, int64_t firstSector, int64_t count)
{
    return m_file.Write(buffer, firstSector, count) ? 1 : 0;
}

int KDisk::WriteSectorsThrough(const void* buffer, int64_t firstSector, int64_t count)
{
    return m_file.WriteThrough(buffer, firstSector, count) ? 1 : 0;
}

int KDisk::ZeroSectors(int64_t firstSector, int64_t count)
{
    return m_file.Zero(firstSector, count) ? 1 : 0;
}

int KDisk::VerifySectors(int64_t firstSector, int64_t count)
{
    constexpr int64_t kChunk = 2048;
    std::vector<uint8_t> buffer(size_t(std::min(count, kChunk)) * 512);
    for (int64_t done = 0; done < count; done += kChunk) {
        const int64_t n = std::min(kChunk, count - done);
        if (!m_file.Read(buffer.data(), firstSector + done, n))
            return 0;
    }
    return 1;
}

int KDisk::GetGeometry(DiskGeometry* geometry)
{
    if (!geometry || !m_file.IsOpen())
        return 0;
    std::memset(geometry, 0, sizeof *geometry);
    geometry->TracksPerCylinder = m_heads;
    geometry->SectorsPerTrack = m_sectorsPerTrack;
    geometry->BytesPerSector = m_file.LogicalSectorSize();
    geometry->TotalSectors = m_file.TotalSectors();
    geometry->Cylinders = m_file.TotalSectors() / (int64_t(m_heads) * m_sectorsPerTrack);
    return 1;
}

int64_t KDisk::GetTotalSectors()
{
    return m_file.TotalSectors();
}

int KDisk::Flush()
{
    return m_file.Sync() ? 1 : 0;
}

int KDisk::GetName(char* buffer, int size)
{
    if (!buffer || size <= 0 || !m_file.IsOpen())
        return 0;
    std::string name;
    if (m_file.IsBlockDevice()) {
        name = LinuxBlock::DeviceModel(m_file.Path());
        if (name.empty())
            name = m_file.Path();
    } else {
        const auto slash = m_file.Path().rfind('/');
        name = "Image " + (slash == std::string::npos ? m_file.Path() : m_file.Path().substr(slash + 1));
    }
    std::snprintf(buffer, size_t(size), "%s", name.c_str());
    return 1;
}

const TableScan& KDisk::Scan()
{
    if (!m_scan) {
        m_scan.emplace();
        if (m_file.IsOpen())
            ScanPartitionTables(*this, m_file.TotalSectors(), *m_scan);
    }
    return *m_scan;
}

int KDisk::IsDynamic()
{
    return Scan().IsDynamic ? 1 : 0;
}

uint32_t KDisk::GetMbrSignature()
{
    return Scan().MbrSignature;
}

int KDisk::IsGpt()
{
    if (m_adoptedHeader)
        return 1;
    return Scan().IsGpt ? 1 : 0;
}

int KDisk::ReadGptHeader(GptHeader* header)
{
    if (!header)
        return 0;
    if (m_adoptedHeader) {
        *header = *m_adoptedHeader;
        return 1;
    }
    const TableScan& scan = Scan();
    if (!scan.IsGpt || !scan.GptHeaderValid)
        return 0;
    *header = scan.Header;
    return 1;
}

void KDisk::AdoptGptHeader(const GptHeader* header)
{
    if (header)
        m_adoptedHeader = *header;
    else
        m_adoptedHeader.reset();
    m_scan.reset();
}

void KDisk::ForgetLayout(const void*)
{
    m_scan.reset();
    m_adoptedHeader.reset();
}

namespace {

// A disk seen through a layer that keeps writes in memory: a table written here can be read back
// without a sector of the real disk changing.
class ShadowSectors : public ISectorDevice {
public:
    explicit ShadowSectors(ISectorDevice& base) : m_base(base) {}

    int ReadSectors(void* buffer, int64_t firstSector, int64_t count) override
    {
        auto* out = static_cast<uint8_t*>(buffer);
        for (int64_t i = 0; i < count; ++i) {
            const auto it = m_written.find(firstSector + i);
            if (it != m_written.end())
                std::memcpy(out + i * 512, it->second.data(), 512);
            else if (!m_base.ReadSectors(out + i * 512, firstSector + i, 1))
                return 0;
        }
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t firstSector, int64_t count) override
    {
        const auto* in = static_cast<const uint8_t*>(buffer);
        for (int64_t i = 0; i < count; ++i)
            m_written[firstSector + i].assign(in + i * 512, in + (i + 1) * 512);
        return 1;
    }
    int VerifySectors(int64_t firstSector, int64_t count) override { return m_base.VerifySectors(firstSector, count); }
    int GetGeometry(DiskGeometry* geometry) override { return m_base.GetGeometry(geometry); }

private:
    ISectorDevice& m_base;
    std::map<int64_t, std::vector<uint8_t>> m_written;
};

} // namespace

bool KDisk::renderLayout(ISectorDevice& target, const DriveLayout& layout)
{
    if (layout.PartitionStyle == kLayoutGpt) {
        GptHeader current{};
        if (!ReadGptHeader(&current))
            current.SizeOfPartitionEntry = KGptTable::kEntrySize;
        return KGptTable::Write(target, m_file.TotalSectors(), current, layout);
    }
    DiskGeometry geometry{};
    GetGeometry(&geometry);
    return KMbrTable::Write(target, m_file.TotalSectors(), geometry, layout);
}

bool KDisk::kernelCanFollow(const DriveLayout& layout)
{
    // Written onto a shadow and read back, the layout gives exactly the partitions the kernel will be
    // asked to take after the real write.
    ShadowSectors shadow(*this);
    if (!renderLayout(shadow, layout))
        return true; // the real write refuses it the same way
    TableScan planned;
    ScanPartitionTables(shadow, m_file.TotalSectors(), planned);
    return LinuxBlock::PartitionsInTheWay(m_file.Path(), KernelPartitionsOf(planned)).empty();
}

int KDisk::writeLayout(const DriveLayout& layout)
{
    if (!m_file.IsOpen())
        return 0;
    bool ok = renderLayout(*this, layout);
    ok = m_file.Sync() && ok;
    m_scan.reset();
    m_adoptedHeader.reset();
    return ok ? 1 : 0;
}

int KDisk::WriteDriveLayout(const DriveLayout& layout)
{
    // A partition the kernel cannot drop (mounted, say) must not leave a table it disagrees with.
    if (m_file.IsOpen() && m_file.IsBlockDevice() && !kernelCanFollow(layout)) {
        SetLastDiskError(kDiskErrorPartitionInUse);
        return 0;
    }
    return writeLayout(layout);
}

int KDisk::WriteDriveLayoutDirect(const DriveLayout& layout)
{
    // The sectors are the same; the running system is simply not told (the committer is skipped).
    return writeLayout(layout);
}
