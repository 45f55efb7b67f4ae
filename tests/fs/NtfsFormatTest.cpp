// NTFS volumes made by the format and judged by the ntfs-3g tools, blkid and an ntfs-3g mount.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/DiskEngine.h"
#include "engine/FaultInjection.h"
#include "fs/IFileSystemExplorer.h"
#include "engine/KDisk.h"
#include "fs/VolumeInfo.h"
#include "core/FileSystemTypes.h"
#include "core/IProgressReporter.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "fs/ntfs/NtfsBootRegion.h"
#include "fs/ntfs/NtfsRecord.h"
#include "support/ImageMount.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

bool haveNtfsTools()
{
    for (const char* tool : {"ntfsfix", "ntfsresize", "ntfsinfo", "ntfsls", "ntfscat", "blkid"})
        if (!HaveTool(tool))
            return false;
    return true;
}

int formatImage(const std::string& image, int64_t sectors, const NtfsFormatParameters& parameters, KNtfsFormat& format,
                IProgressReporter* progress = nullptr)
{
    KDisk disk;
    if (!disk.OpenPath(image, 0))
        return -100;
    return format.Format(&disk, 0, sectors, 0, parameters, progress);
}

NtfsFormatParameters withCluster(int sectorsPerCluster, const std::string& label = "Volmara")
{
    NtfsFormatParameters p;
    p.SectorsPerCluster = sectorsPerCluster;
    p.Label = label;
    return p;
}

// One attribute of a FILE record read back from an image.
struct Attribute {
    uint32_t Type = 0;
    bool NonResident = false;
    std::u16string Name;
    std::vector<uint8_t> Bytes;
    uint32_t ValueLength() const { return le32(Bytes.data() + 0x10); }
    uint64_t DataSize() const { return le64(Bytes.data() + 0x30); }
    uint64_t InitializedSize() const { return le64(Bytes.data() + 0x38); }
    const uint8_t* Pairs() const { return Bytes.data() + le16(Bytes.data() + 0x20); }
};

std::vector<Attribute> readRecord(const std::string& image, const KNtfsFormat& format, int record)
{
    auto bytes = ReadBytes(image, format.MftLcn() * format.ClusterBytes() + int64_t(record) * 1024, 1024);
    std::vector<Attribute> attributes;
    if (bytes.size() != 1024 || !Ntfs::UndoFixups(bytes.data(), bytes.size()))
        return attributes;
    size_t at = le16(bytes.data() + Ntfs::kRecAttrsOffset);
    while (at + 8 <= bytes.size() && le32(bytes.data() + at) != Ntfs::kAttrEnd) {
        const uint32_t length = le32(bytes.data() + at + 4);
        if (length < 0x18 || at + length > bytes.size())
            break;
        Attribute a;
        a.Type = le32(bytes.data() + at);
        a.NonResident = bytes[at + 8] != 0;
        const uint8_t* name = bytes.data() + at + le16(bytes.data() + at + 10);
        for (int i = 0; i < bytes[at + 9]; ++i)
            a.Name.push_back(char16_t(le16(name + 2 * i)));
        a.Bytes.assign(bytes.begin() + ptrdiff_t(at), bytes.begin() + ptrdiff_t(at + length));
        attributes.push_back(a);
        at += length;
    }
    return attributes;
}

// ntfsls -l lines as name -> size.
std::map<std::string, int64_t> listSizes(const std::string& image, const std::string& path = "/")
{
    std::map<std::string, int64_t> sizes;
    const ToolResult ls = RunTool({"ntfsls", "-a", "-s", "-l", "-p", path, image});
    size_t start = 0;
    while (start < ls.output.size()) {
        size_t end = ls.output.find('\n', start);
        if (end == std::string::npos)
            end = ls.output.size();
        const std::string line = ls.output.substr(start, end - start);
        start = end + 1;
        const size_t space = line.rfind(' ');
        if (space == std::string::npos || line.find(':') == std::string::npos)
            continue;
        sizes[line.substr(space + 1)] = std::atoll(line.c_str());
    }
    return sizes;
}

// Fails the test unless the ntfs-3g checkers accept the volume.
void expectClean(const std::string& image)
{
    const ToolResult fix = RunTool({"ntfsfix", "-n", image});
    EXPECT_EQ(fix.exitCode, 0) << fix.output;
    EXPECT_EQ(fix.output.find("BAD"), std::string::npos) << fix.output;
    const ToolResult resize = RunTool({"ntfsresize", "--info", "--force", image});
    EXPECT_EQ(resize.exitCode, 0) << resize.output;
    EXPECT_NE(resize.output.find("Accounting clusters"), std::string::npos) << resize.output;
    EXPECT_EQ(resize.output.find("ERROR"), std::string::npos) << resize.output;
    EXPECT_EQ(resize.output.find("inconsisten"), std::string::npos) << resize.output;
}

std::string infoLine(const std::string& info, const std::string& key)
{
    const size_t at = info.find(key);
    if (at == std::string::npos)
        return {};
    const size_t end = info.find('\n', at);
    std::string value = info.substr(at + key.size(), end - at - key.size());
    value.erase(0, value.find_first_not_of(" \t"));
    return value;
}


// A file-backed device with a chosen sector size whose verify fails on chosen sectors.
class TestDevice : public ISectorDevice {
public:
    TestDevice(const std::string& path, int bytesPerSector) : m_bps(bytesPerSector)
    {
        m_file.open(path, std::ios::in | std::ios::out | std::ios::binary);
    }
    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        m_file.seekg(first * m_bps);
        return bool(m_file.read(static_cast<char*>(buffer), count * m_bps));
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        m_file.seekp(first * m_bps);
        return bool(m_file.write(static_cast<const char*>(buffer), count * m_bps) && m_file.flush());
    }
    int VerifySectors(int64_t first, int64_t count) override
    {
        ++verifies;
        for (int64_t bad : badSectors)
            if (bad >= first && bad < first + count)
                return 0;
        return 1;
    }
    int GetGeometry(DiskGeometry* g) override
    {
        *g = {};
        g->BytesPerSector = m_bps;
        g->SectorsPerTrack = 63;
        g->TracksPerCylinder = 255;
        return 1;
    }
    std::vector<int64_t> badSectors;
    int verifies = 0;

private:
    std::fstream m_file;
    int m_bps;
};

} // namespace

TEST(NtfsFormatRules, ClusterSizeTablesAndSystemArea)
{
    const std::pair<int64_t, int> defaults[] = {
        {4096, 1}, {0xFFFFF, 1}, {0x100000, 2}, {0x1FFFFF, 2}, {0x200000, 4}, {0x3FFFFF, 4}, {0x400000, 8},
        {(int64_t(1) << 32) - 1, 8}, {int64_t(1) << 32, 16}, {int64_t(1) << 33, 32}, {int64_t(1) << 34, 64},
        {(int64_t(1) << 35) - 1, 64}, {int64_t(1) << 35, 128}, {int64_t(1) << 40, 128}};
    for (const auto& [sectors, spc] : defaults)
        EXPECT_EQ(GetDefaultNtfsClusterSize(sectors), spc) << sectors;

    // The volume bitmap may hold at most 0x7FFFFFF bytes.
    EXPECT_EQ(GetMinNtfsClusterSize(2048), 1);
    EXPECT_EQ(GetMinNtfsClusterSize(int64_t(0x7FFFFFF) * 8 + 7), 1);
    EXPECT_EQ(GetMinNtfsClusterSize(int64_t(0x7FFFFFF) * 8 + 8), 2);
    EXPECT_EQ(GetMinNtfsClusterSize(int64_t(0x7FFFFFF) * 8 * 64 + 64), 64);
    EXPECT_EQ(GetMinNtfsClusterSize(int64_t(1) << 36), 128);
    EXPECT_EQ(GetMinNtfsClusterSize(int64_t(1) << 45), 128) << "nothing fits: the largest";

    // 100 GiB with 4 KiB clusters: MFT 7 x 1.1, MFT bitmap 1, volume bitmap 800, boot 2, mirror 1,
    // log 16,384 x 1.1, root index 1, $AttrDef 1, $UpCase 32, $Secure 65, root descriptor 2.
    int spc = 0;
    EXPECT_EQ(GetNtfsSystemAreaSectors(209715200, spc), 18935 * 8);
    EXPECT_EQ(spc, 8);
    spc = 1; // 300 MiB in 512-byte clusters: 59.4 + 1 + 150 + 16 + 8 + 4505.6 + 8 + 5 + 256 + 513 + 9
    EXPECT_EQ(GetNtfsSystemAreaSectors(614400, spc), 5531);
}

TEST(NtfsFormatRules, RunFieldWidthsAndRecordFixups)
{
    const std::pair<int64_t, int> widths[] = {
        {0, 1}, {1, 1}, {0x7F, 1}, {0x80, 2}, {0xFF, 2}, {0x100, 2}, {0x7FFF, 2}, {0x8000, 3},
        {0x1234567, 4}, {INT64_MAX, 8}, {-1, 1}, {-128, 1}, {-129, 2}, {-256, 2}, {-32768, 2}, {-32769, 3},
        {INT64_MIN, 8}};
    for (const auto& [value, width] : widths)
        EXPECT_EQ(Ntfs::RunFieldWidth(value), width) << value;

    std::vector<uint8_t> record(4096);
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = uint8_t(i * 7);
    put_le16(record.data() + 4, 0x28);
    put_le16(record.data() + 6, 9);
    put_le16(record.data() + 0x28, 0x1234);
    const auto original = record;
    ASSERT_TRUE(Ntfs::ApplyFixups(record.data(), record.size()));
    for (size_t stride = 1; stride <= 8; ++stride)
        EXPECT_EQ(le16(record.data() + stride * 512 - 2), 0x1234);
    auto torn = record;
    ASSERT_TRUE(Ntfs::UndoFixups(record.data(), record.size()));
    // Everything but the array's saved entries is as it was.
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 0x2A, original.begin()));
    EXPECT_TRUE(std::equal(record.begin() + 0x3A, record.end(), original.begin() + 0x3A));
    torn[3 * 512 - 1] ^= 1; // one stride from an older write
    EXPECT_FALSE(Ntfs::UndoFixups(torn.data(), torn.size()));
    put_le16(torn.data() + 6, 3); // an array that does not match the record size
    EXPECT_FALSE(Ntfs::ApplyFixups(torn.data(), torn.size()));
    put_le16(torn.data() + 6, 9);
    put_le16(torn.data() + 4, 4090); // an array past the first stride
    EXPECT_FALSE(Ntfs::ApplyFixups(torn.data(), torn.size()));
}

// Every cluster size on one volume: the checkers are content, and the tools read back the sizes and
// places the format chose.
class NtfsClusterSizes : public ::testing::TestWithParam<int> {};

TEST_P(NtfsClusterSizes, CheckedByTheTools)
{
    if (!haveNtfsTools())
        GTEST_SKIP() << "ntfs-3g tools missing";
    const int spc = GetParam();
    const int64_t sectors = 2097152 + 5; // 1 GiB and a few sectors: the tail is not a whole cluster
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(spc, "Cluster " + std::to_string(spc)), format), kNtfsFormatOk);
    expectClean(image);

    const int64_t c = int64_t(spc) * 512;
    EXPECT_EQ(format.ClusterBytes(), c);
    EXPECT_EQ(format.TotalSectors(), sectors % spc ? sectors / spc * spc : sectors - spc);
    EXPECT_EQ(format.MftBitmapLcn(), std::max<int64_t>(1, 8192 / c));
    EXPECT_EQ(format.MftLcn(), format.MftBitmapLcn() + 1);
    EXPECT_EQ(format.MftBytes(), int64_t(Ntfs::RoundUp(27648, uint64_t(c))));
    // The system run starts half-way in.
    EXPECT_EQ(format.MirrorLcn(), format.TotalClusters() / 2);

    const ToolResult info = RunTool({"ntfsinfo", "-m", image});
    ASSERT_EQ(info.exitCode, 0) << info.output;
    EXPECT_EQ(infoLine(info.output, "Cluster Size:"), std::to_string(c));
    EXPECT_EQ(infoLine(info.output, "Volume Size in Clusters:"), std::to_string(format.TotalClusters()));
    EXPECT_EQ(infoLine(info.output, "LCN of Data Attribute for FILE_MFT:"), std::to_string(format.MftLcn()));
    EXPECT_EQ(infoLine(info.output, "LCN of Data Attribute for File_MFTMirr:"), std::to_string(format.MirrorLcn()));
    EXPECT_EQ(infoLine(info.output, "Volume Name:"), "Cluster " + std::to_string(spc));
    EXPECT_EQ(infoLine(info.output, "Volume Version:"), "3.1");
    EXPECT_EQ(infoLine(info.output, "Index Block Size:"), "4096");

    // The engine's volume information agrees with ntfsinfo on label and free space.
    {
        KDisk disk;
        ASSERT_TRUE(disk.OpenPath(image, 0));
        PartitionInfo read = MakeEmptyPartitionInfo();
        ASSERT_TRUE(ReadVolumeInfo(disk, sectors, read));
        EXPECT_EQ(read.FileSystemType, kFsNtfs);
        EXPECT_STREQ(read.Label, ("Cluster " + std::to_string(spc)).c_str());
        EXPECT_EQ(read.FreeSectors, std::stoll("0" + infoLine(info.output, "Free Clusters:")) * spc);
        EXPECT_GT(read.NtfsReserveSectors, format.LogFileBytes() / 512);
    }

    auto sizes = listSizes(image);
    EXPECT_EQ(sizes["$MFT"], format.MftBytes());
    EXPECT_EQ(sizes["$MFTMirr"], std::max<int64_t>(4096, c));
    EXPECT_EQ(sizes["$LogFile"], format.LogFileBytes());
    EXPECT_EQ(sizes["$Boot"], std::max<int64_t>(8192, c));
    EXPECT_EQ(sizes["$AttrDef"], 2560);
    EXPECT_EQ(sizes["$UpCase"], 131072);
    EXPECT_EQ(sizes["$Bitmap"], int64_t(Ntfs::RoundUp(Ntfs::DivideUp(uint64_t(format.TotalClusters()), 8), 8)));
    for (const char* name : {"$BadClus", "$Extend", "$Secure", "$Volume"})
        EXPECT_TRUE(sizes.count(name)) << name;
    auto extend = listSizes(image, "/$Extend");
    for (const char* name : {"$ObjId", "$Quota", "$Reparse"})
        EXPECT_TRUE(extend.count(name)) << name;

    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_NE(blkid.output.find("TYPE=ntfs"), std::string::npos) << blkid.output;
    EXPECT_NE(blkid.output.find("LABEL=Cluster\\ " + std::to_string(spc)), std::string::npos) << blkid.output;

    // The boot sector carries the record sizes in the signed form.
    const auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(int32_t(le32(boot.data() + 0x40)), c > 1024 ? -10 : int32_t(1024 / c));
    EXPECT_EQ(int32_t(le32(boot.data() + 0x44)), c > 4096 ? -12 : int32_t(4096 / c));
    EXPECT_EQ(boot[0x0D], spc);
    EXPECT_EQ(int64_t(le64(boot.data() + 0x28)), format.TotalSectors());
    EXPECT_EQ(ReadBytes(image, format.TotalSectors() * 512, 512), boot) << "backup boot sector";
}

INSTANTIATE_TEST_SUITE_P(EverySize, NtfsClusterSizes, ::testing::Values(1, 2, 4, 8, 16, 32, 64, 128));

// Volume sizes from the smallest that holds the system files to 2 TiB.
class NtfsVolumeSizes : public ::testing::TestWithParam<int64_t> {};

TEST_P(NtfsVolumeSizes, CheckedByTheTools)
{
    if (!haveNtfsTools())
        GTEST_SKIP() << "ntfs-3g tools missing";
    const int64_t sectors = GetParam();
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0, "Sized"), format), kNtfsFormatOk);
    expectClean(image);
    EXPECT_EQ(format.ClusterBytes(), GetDefaultNtfsClusterSize(sectors) * 512);
    const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
    EXPECT_NE(blkid.output.find("LABEL=Sized"), std::string::npos) << blkid.output;
}

INSTANTIATE_TEST_SUITE_P(SmallToHuge, NtfsVolumeSizes,
                         ::testing::Values(int64_t(2048), int64_t(4096), int64_t(8193), int64_t(409601),
                                           int64_t(0x1800001), int64_t(1) << 32));

TEST(NtfsFormatEdges, HundredGibVolume)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = int64_t(100) << 21;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0), format), kNtfsFormatOk);
    EXPECT_EQ(format.ClusterBytes(), 4096);
    EXPECT_EQ(format.LogFileBytes(), 64 << 20);
    EXPECT_EQ(format.MftBytes(), 7 * 4096);
    EXPECT_EQ(format.BootRegionBytes(), 8192);
    EXPECT_EQ(format.MftBitmapLcn(), 2);
    EXPECT_EQ(format.MftLcn(), 3);
    const auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(le32(boot.data() + 0x40), 0xFFFFFFF6u);
    EXPECT_EQ(le32(boot.data() + 0x44), 1u);
    if (haveNtfsTools())
        expectClean(image);
}

TEST(NtfsFormatEdges, ThreeHundredMibVolume)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 614400;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0), format), kNtfsFormatOk);
    EXPECT_EQ(format.ClusterBytes(), 512);
    EXPECT_EQ(format.LogFileBytes(), 2 << 20);
    EXPECT_EQ(format.BootRegionBytes(), 8192);
    EXPECT_EQ(format.MftBitmapLcn(), 16) << "a boot region of 16 clusters";
    EXPECT_EQ(format.MftLcn(), 17);
    const auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(le32(boot.data() + 0x40), 2u);
    EXPECT_EQ(le32(boot.data() + 0x44), 8u);
}

TEST(NtfsFormatEdges, BackupBootSectorPlaces)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    // An exact multiple of the cluster loses its last cluster; the backup goes to that cluster's
    // first sector, and a copy to the volume's last sector where recovery tools look.
    const int64_t exact = 614400;
    ASSERT_TRUE(MakeSparseFile(image, exact * 512));
    ASSERT_TRUE(FillPattern(image, 0, exact * 512, 7));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, exact, withCluster(8), format), kNtfsFormatOk);
    EXPECT_EQ(format.TotalSectors(), exact - 8);
    const auto boot = ReadBytes(image, 0, 512);
    EXPECT_EQ(ReadBytes(image, (exact - 8) * 512, 512), boot);
    EXPECT_EQ(ReadBytes(image, (exact - 1) * 512, 512), boot);
    const uint64_t untouched = HashRange(image, (exact - 7) * 512, 6 * 512);
    // The sectors between are not written: compare with the pattern of a fresh fill.
    const std::string reference = dir.File("reference.img");
    ASSERT_TRUE(MakeSparseFile(reference, exact * 512));
    ASSERT_TRUE(FillPattern(reference, 0, exact * 512, 7));
    EXPECT_EQ(untouched, HashRange(reference, (exact - 7) * 512, 6 * 512));

    // A tail shorter than a cluster: the file system ends at the last whole cluster, the backup
    // follows it, and the volume's last sector holds a copy too.
    const int64_t ragged = 614403;
    ASSERT_TRUE(MakeSparseFile(image, ragged * 512));
    ASSERT_EQ(formatImage(image, ragged, withCluster(8), format), kNtfsFormatOk);
    EXPECT_EQ(format.TotalSectors(), 614400);
    EXPECT_EQ(ReadBytes(image, 614400 * 512, 512), ReadBytes(image, 0, 512));
    EXPECT_EQ(ReadBytes(image, (ragged - 1) * 512, 512), ReadBytes(image, 0, 512));
    if (haveNtfsTools())
        expectClean(image);
}

TEST(NtfsFormatEdges, LabelsInTheVolumeRecord)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 65536;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0, ""), format), kNtfsFormatOk);
    bool found = false;
    for (const Attribute& a : readRecord(image, format, 3))
        if (a.Type == Ntfs::kAttrVolumeName) {
            found = true;
            EXPECT_FALSE(a.NonResident);
            EXPECT_EQ(a.ValueLength(), 0u);
            EXPECT_EQ(a.Bytes.size(), 0x18u);
        }
    EXPECT_TRUE(found);
    if (HaveTool("blkid")) {
        const ToolResult blkid = RunTool({"blkid", "-p", "-o", "export", image});
        EXPECT_NE(blkid.output.find("TYPE=ntfs"), std::string::npos) << blkid.output;
        EXPECT_EQ(blkid.output.find("LABEL="), std::string::npos) << blkid.output;
    }

    // Non-ASCII text is converted to UTF-16; the attribute grows by the value before rounding.
    const std::string photos = "Фото €2024";
    ASSERT_EQ(formatImage(image, sectors, withCluster(0, photos), format), kNtfsFormatOk);
    for (const Attribute& a : readRecord(image, format, 3))
        if (a.Type == Ntfs::kAttrVolumeName) {
            EXPECT_EQ(a.ValueLength(), 20u);
            EXPECT_EQ(a.Bytes.size(), 0x18u + 24);
            EXPECT_EQ(le16(a.Bytes.data() + 0x18), 0x424);
        }
    if (haveNtfsTools()) {
        expectClean(image);
        const ToolResult info = RunTool({"ntfsinfo", "-m", image});
        EXPECT_EQ(infoLine(info.output, "Volume Name:"), photos);
    }
}

TEST(NtfsFormatEdges, LargestClustersAndTheBadClusterFile)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 4194304;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(128), format), kNtfsFormatOk);
    EXPECT_EQ(format.BootRegionBytes(), 65536);
    const auto region = ReadBytes(image, 0, 65536);
    EXPECT_EQ(le32(region.data() + 0x40), 0xFFFFFFF6u) << "-10: 1,024-byte records";
    EXPECT_EQ(le32(region.data() + 0x44), 0xFFFFFFF4u) << "-12: 4,096-byte index records";
    EXPECT_TRUE(std::equal(region.begin() + 0x54, region.begin() + kNtfsBootRegionBytes, kNtfsBootRegion + 0x54))
        << "boot code as in the image";
    EXPECT_TRUE(std::all_of(region.begin() + kNtfsBootRegionBytes, region.end(), [](uint8_t b) { return b == 0; }));

    // $BadClus:$Bad: one sparse run over the whole volume, nothing initialised.
    bool found = false;
    for (const Attribute& a : readRecord(image, format, 8))
        if (a.Type == Ntfs::kAttrData && a.Name == u"$Bad") {
            found = true;
            ASSERT_TRUE(a.NonResident);
            EXPECT_EQ(a.DataSize(), uint64_t(format.TotalSectors()) * 512);
            EXPECT_EQ(a.InitializedSize(), 0u);
            const uint8_t* pairs = a.Pairs();
            const int lengthBytes = pairs[0] & 0x0F;
            EXPECT_EQ(pairs[0] >> 4, 0) << "no LCN: sparse";
            uint64_t length = 0;
            for (int i = 0; i < lengthBytes; ++i)
                length |= uint64_t(pairs[1 + i]) << (8 * i);
            EXPECT_EQ(length, uint64_t(format.TotalClusters()));
            EXPECT_EQ(pairs[1 + lengthBytes], 0) << "terminator";
        }
    EXPECT_TRUE(found);
    if (haveNtfsTools())
        expectClean(image);
}

TEST(NtfsFormatEdges, RefusedArguments)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(MakeSparseFile(image, 64 << 20));
    KNtfsFormat format;
    EXPECT_EQ(formatImage(image, 131072, withCluster(3), format), kNtfsBadClusterSize);
    EXPECT_EQ(formatImage(image, 131072, withCluster(256), format), kNtfsBadClusterSize);
    EXPECT_EQ(formatImage(image, 1024, withCluster(0), format), kNtfsNoRoom) << "512 KiB cannot hold the system files";
    EXPECT_EQ(formatImage(image, 4, withCluster(0), format), kNtfsNoRoom);
    EXPECT_EQ(format.Format(nullptr, 0, 131072, 0, withCluster(0), nullptr), kNtfsBadGeometry);

    // On 4,096-byte sectors a 512-byte cluster is not a whole sector.
    TestDevice device(image, 4096);
    EXPECT_EQ(format.Format(&device, 0, 16384, 0, withCluster(1), nullptr), kNtfsBadClusterSize);
    EXPECT_EQ(ReadBytes(image, 0, 512), std::vector<uint8_t>(512, 0)) << "nothing written";
}

TEST(NtfsFormatEdges, EveryRefusedWriteFailsTheFormat)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 131072;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0), format), kNtfsFormatOk);
    const int64_t spc = format.ClusterBytes() / 512;
    const int64_t targets[] = {0,
                               format.MftBitmapLcn() * spc,
                               format.MftLcn() * spc,
                               format.MirrorLcn() * spc,
                               format.LogFileLcn() * spc + 200,
                               format.RootIndexLcn() * spc,
                               format.VolumeBitmapLcn() * spc,
                               format.AttrDefLcn() * spc,
                               format.UpcaseLcn() * spc,
                               format.SecureLcn() * spc,
                               format.RootSecurityLcn() * spc,
                               format.TotalSectors(),
                               sectors - 1};
    for (int64_t sector : targets) {
        FaultInjection::Configure("0:w:" + std::to_string(sector) + "-" + std::to_string(sector));
        KNtfsFormat again;
        EXPECT_EQ(formatImage(image, sectors, withCluster(0), again), kNtfsWriteFailed) << "sector " << sector;
    }
    FaultInjection::Configure("");
    EXPECT_EQ(formatImage(image, sectors, withCluster(0), format), kNtfsFormatOk);
}

TEST(NtfsFormatEdges, QuickFormatProgress)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 614400;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    RecordingProgress progress;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0), format, &progress), kNtfsFormatOk);
    const int64_t logClusters = format.LogFileBytes() / format.ClusterBytes();
    EXPECT_EQ(progress.total, logClusters + 20);
    EXPECT_EQ(progress.begun, std::vector<int>{-1});
    EXPECT_EQ(progress.completed, 1);
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_EQ(progress.positions.back(), progress.total);
    EXPECT_LE(progress.positions[progress.positions.size() - 2], progress.total);
    EXPECT_EQ(progress.ticks, int((format.LogFileBytes() / 512 + 62) / 63)) << "a tick per log-file track";
}

TEST(NtfsFormatEdges, FullFormatVerifiesAndStepsAroundBadClusters)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 131072;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    NtfsFormatParameters parameters = withCluster(0);
    parameters.Quick = false;

    // A bad sector where the system run would start pushes it further in; afterwards the cluster
    // is not kept as used.
    {
        TestDevice device(image, 512);
        const int64_t halfway = (sectors - 1) / 2;
        device.badSectors = {halfway + 3};
        KNtfsFormat format;
        RecordingProgress progress;
        ASSERT_EQ(format.Format(&device, 0, sectors, 0, parameters, &progress), kNtfsFormatOk);
        EXPECT_GT(format.MirrorLcn(), halfway + 3);
        EXPECT_EQ(progress.total, format.LogFileBytes() / 512 + 20 + format.TotalSectors());
        EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
        EXPECT_EQ(progress.positions.back(), progress.total);
        EXPECT_GT(device.verifies, int(sectors / (256 * 63)));
        const auto bitmap = ReadBytes(image, format.VolumeBitmapLcn() * 512, format.TotalClusters() / 8);
        EXPECT_EQ((bitmap[size_t((halfway + 3) / 8)] >> ((halfway + 3) % 8)) & 1, 0);
        if (haveNtfsTools())
            expectClean(image);
    }
    // A bad cluster inside the boot region ends the format.
    {
        TestDevice device(image, 512);
        device.badSectors = {9};
        KNtfsFormat format;
        EXPECT_EQ(format.Format(&device, 0, sectors, 0, parameters, nullptr), kNtfsBadBootCluster);
    }
}

TEST(NtfsFormatEdges, FourKibSectors)
{
    if (!haveNtfsTools())
        GTEST_SKIP() << "ntfs-3g tools missing";
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 65536; // 256 MiB of 4,096-byte sectors
    ASSERT_TRUE(MakeSparseFile(image, sectors * 4096));
    TestDevice device(image, 4096);
    KNtfsFormat format;
    ASSERT_EQ(format.Format(&device, 0, sectors, 0, withCluster(0, "Big sectors"), nullptr), kNtfsFormatOk);
    EXPECT_EQ(format.ClusterBytes(), 4096) << "the default counts the volume in 512-byte units";
    expectClean(image);
    const ToolResult info = RunTool({"ntfsinfo", "-m", image});
    EXPECT_EQ(infoLine(info.output, "Sector Size:"), "4096");
    EXPECT_EQ(infoLine(info.output, "Volume Name:"), "Big sectors");
}

// Mounted with ntfs-3g the new volume takes a tree of files and folders with non-ASCII names, and
// the checkers still accept it afterwards.
TEST(NtfsFormatMount, TakesAThousandFilesThroughNtfs3g)
{
    if (!haveNtfsTools() || !HaveTool("ntfs-3g") || !std::filesystem::exists("/dev/fuse"))
        GTEST_SKIP() << "ntfs-3g or FUSE missing";
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    const int64_t sectors = 262144;
    ASSERT_TRUE(MakeSparseFile(image, sectors * 512));
    KNtfsFormat format;
    ASSERT_EQ(formatImage(image, sectors, withCluster(0, "Mounted"), format), kNtfsFormatOk);

    const std::string mount = dir.File("mnt");
    ImageMount mounted(image, mount);
    ASSERT_TRUE(mounted.Mounted()) << mounted.Output();

    std::map<std::string, std::string> files;
    for (int folder = 0; folder < 40; ++folder) {
        const std::string sub = "/папка-" + std::to_string(folder) + (folder % 2 ? " Ünïcödé" : " 数据");
        ASSERT_TRUE(std::filesystem::create_directory(mount + sub));
        for (int i = 0; i < 25; ++i) {
            const int n = folder * 25 + i;
            const std::string path = sub + "/файл-" + std::to_string(i) + (i % 3 ? "-€.txt" : "-ß.bin");
            std::string content(size_t((n * 377) % 9000 + 1), '\0');
            for (size_t k = 0; k < content.size(); ++k)
                content[k] = char((k * 31 + size_t(n)) & 0xFF);
            std::ofstream(mount + path, std::ios::binary) << content;
            files[path] = content;
        }
    }
    ASSERT_EQ(files.size(), 1000u);
    ASSERT_TRUE(mounted.Unmount());

    expectClean(image);
    int mismatches = 0;
    for (const auto& [path, content] : files) {
        const ToolResult cat = RunTool({"ntfscat", image, path});
        if (cat.exitCode != 0 || cat.output != content)
            ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);

    // The engine's directory reader sees the same tree on the new volume and reads every file back.
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsNtfs));
    ASSERT_TRUE(explorer);
    ASSERT_EQ(explorer->Open(&disk, 0), 1);
    std::vector<ExplorerEntry> root;
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    std::map<std::string, std::string> seen;
    int folders = 0;
    for (const ExplorerEntry& folder : root) {
        ASSERT_TRUE(folder.Attributes & 0x10) << folder.Name;
        ++folders;
        std::vector<ExplorerEntry> inside;
        ASSERT_EQ(explorer->List(folder.DirectoryId, inside), 1) << folder.Name;
        for (const ExplorerEntry& file : inside) {
            std::vector<uint8_t> data;
            ASSERT_EQ(explorer->ReadFile(file, data), 1) << file.Name;
            EXPECT_EQ(file.Size, int64_t(data.size())) << file.Name;
            seen["/" + std::string(folder.Name) + "/" + file.Name] = std::string(data.begin(), data.end());
        }
    }
    EXPECT_EQ(folders, 40);
    EXPECT_TRUE(seen == files) << seen.size() << " files read through the explorer";
    explorer->Release();
}
