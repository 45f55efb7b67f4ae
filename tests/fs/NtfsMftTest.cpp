// File records and the MFT read from volumes made by mkntfs and by Volmara's format, and records
// changed and committed, judged by the ntfs-3g tools.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "fs/KBitmap.h"
#include "engine/KDisk.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "support/ImageMount.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

// Formats a sparse image with Volmara's format (mkntfs when asked) and opens it.
bool makeVolume(const std::string& image, int64_t sectors, bool withMkntfs, int sectorsPerCluster = 0)
{
    if (!MakeSparseFile(image, sectors * 512))
        return false;
    if (withMkntfs) {
        std::vector<std::string> argv = {"mkntfs", "-Q", "-F", "-q"};
        if (sectorsPerCluster)
            argv.insert(argv.end(), {"-c", std::to_string(sectorsPerCluster * 512)});
        argv.push_back(image);
        return RunTool(argv).exitCode == 0;
    }
    KDisk disk;
    NtfsFormatParameters p;
    p.SectorsPerCluster = sectorsPerCluster;
    KNtfsFormat format;
    return disk.OpenPath(image, 0) && format.Format(&disk, 0, sectors, 0, p, nullptr) == kNtfsFormatOk;
}

KNtfsString name(const char16_t* text) { return KNtfsString(text); }

std::u16string fileName(const KNtfsFileRecord& record)
{
    const int at = record.FindAttribute(Ntfs::kAttrFileName);
    if (at < 0)
        return {};
    const uint8_t* v = record.GetAttribute(size_t(at)).GetValuePointer();
    return KNtfsString::FromLittleEndian(v + 0x42, v[0x40]).ToU16();
}

// Counts and bounds every sector the MFT code touches.
class WatchedDisk : public ISectorDevice {
public:
    explicit WatchedDisk(KDisk& disk) : m_disk(disk) {}
    int ReadSectors(void* b, int64_t first, int64_t count) override
    {
        highest = std::max(highest, first + count);
        ++reads;
        return m_disk.ReadSectors(b, first, count);
    }
    int WriteSectors(const void* b, int64_t first, int64_t count) override { return m_disk.WriteSectors(b, first, count); }
    int VerifySectors(int64_t first, int64_t count) override { return m_disk.VerifySectors(first, count); }
    int GetGeometry(DiskGeometry* g) override { return m_disk.GetGeometry(g); }
    int64_t highest = 0;
    int reads = 0;

private:
    KDisk& m_disk;
};

// A resident named $DATA stream holding `text`.
bool namedStream(const std::string& streamName, const std::string& text, KNtfsAttribute& stream)
{
    std::vector<uint8_t> image(0x18 + 2 * streamName.size(), 0);
    put_le32(image.data(), Ntfs::kAttrData);
    image[9] = uint8_t(streamName.size());
    put_le16(image.data() + 0x0A, 0x18);
    for (size_t k = 0; k < streamName.size(); ++k)
        put_le16(image.data() + 0x18 + 2 * k, uint16_t(uint8_t(streamName[k])));
    image.resize(Ntfs::RoundUp(image.size(), 8));
    put_le16(image.data() + 0x14, uint16_t(image.size()));
    put_le32(image.data() + 4, uint32_t(image.size()));
    return stream.Assign(image.data(), image.size()) && stream.SetValue(text.data(), text.size());
}

// The first in-use record from 24 on with that file name, or -1.
int64_t findFile(KNtfsMFT& mft, const std::u16string& wanted, KNtfsFileRecord& record)
{
    for (int64_t i = 24; i < mft.GetRecordCount(); ++i)
        if (mft.ReadRecord(i, record) && record.IsInUse() && fileName(record) == wanted)
            return i;
    return -1;
}

} // namespace

// Records committed into volumes that ntfs-3g filled; the ntfs-3g tools judge the result.
class NtfsFileRecordCommit : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : {"ntfs-3g", "ntfsfix", "ntfsresize", "ntfscat"})
            if (!HaveTool(tool))
                GTEST_SKIP() << tool << " missing";
        if (!std::filesystem::exists("/dev/fuse"))
            GTEST_SKIP() << "no FUSE";
        image = dir.File("ntfs.img");
        ASSERT_TRUE(makeVolume(image, 131072, false));
    }

    TempDir dir;
    std::string image;
};

class NtfsMftVolumes : public ::testing::TestWithParam<bool> {};

TEST_P(NtfsMftVolumes, SystemFilesReadThroughTheMft)
{
    const bool mkntfs = GetParam();
    if (mkntfs && !HaveTool("mkntfs"))
        GTEST_SKIP() << "mkntfs missing";
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, 131072, mkntfs));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&disk, 0, volume));
    KNtfsMFT mft;
    ASSERT_TRUE(mft.Open(volume, nullptr, true));
    EXPECT_GE(mft.GetRecordCount(), 27);
    EXPECT_FALSE(mft.MirrorRunList().IsEmpty());

    const char16_t* names[] = {u"$MFT", u"$MFTMirr", u"$LogFile", u"$Volume", u"$AttrDef", u".",
                               u"$Bitmap", u"$Boot", u"$BadClus", u"$Secure", u"$UpCase", u"$Extend"};
    for (int i = 0; i < 12; ++i) {
        KNtfsFileRecord record;
        ASSERT_TRUE(mft.ReadRecord(i, record)) << i;
        EXPECT_TRUE(record.IsInUse());
        EXPECT_EQ(fileName(record), std::u16string(names[i])) << i;
        EXPECT_EQ(record.GetRecordNumber(), uint32_t(i));
    }
    KNtfsFileRecord root;
    ASSERT_TRUE(mft.ReadRecord(5, root));
    EXPECT_TRUE(root.IsDirectory());
    EXPECT_GE(root.FindAttribute(Ntfs::kAttrIndexRoot, 0, name(u"$I30"), false), 0);
    KNtfsFileRecord badClus;
    ASSERT_TRUE(mft.ReadRecord(8, badClus));
    const int bad = badClus.FindAttribute(Ntfs::kAttrData, 0, name(u"$Bad"), false);
    ASSERT_GE(bad, 0);
    KNtfsRunList runs;
    ASSERT_TRUE(badClus.GetAttribute(size_t(bad)).GetRunList(runs));
    ASSERT_EQ(runs.GetCount(), 1u);
    EXPECT_EQ(runs[0].Lcn, -1);
    EXPECT_EQ(runs.GetTotalClusters(), volume.TotalClusters());

    // Records 0-15 are marked in the MFT bitmap.
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(mft.RecordBitmap().Test(i)) << i;
    EXPECT_FALSE(mft.ReadRecord(mft.GetRecordCount(), root)) << "past the end";

    // Every record of the MFT loads or is an unused record; serialising a loaded record gives back
    // the bytes on disk.
    for (int64_t i = 0; i < mft.GetRecordCount(); ++i) {
        std::vector<uint8_t> raw, again;
        ASSERT_TRUE(mft.ReadRawRecord(i, raw));
        KNtfsFileRecord record;
        if (!record.Load(raw.data(), raw.size()))
            continue;
        if (!record.IsInUse() || i == 0)
            continue;
        ASSERT_TRUE(record.Serialize(again, raw.size())) << i;
        EXPECT_EQ(again, raw) << "record " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, NtfsMftVolumes, ::testing::Values(false, true));

TEST(NtfsFileRecord, DamagedRecordsAreUnreadable)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, 65536, false));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&disk, 0, volume));
    KNtfsMFT mft;
    ASSERT_TRUE(mft.Open(volume, nullptr, false));
    std::vector<uint8_t> good;
    ASSERT_TRUE(mft.ReadRawRecord(3, good));
    KNtfsFileRecord record;
    ASSERT_TRUE(record.Load(good.data(), good.size()));

    auto broken = [&](auto change) {
        std::vector<uint8_t> bad = good;
        change(bad);
        KNtfsFileRecord r;
        return !r.Load(bad.data(), bad.size());
    };
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { b[0] = 'B'; }));
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { put_le16(b.data() + 6, 2); })) << "update-sequence count";
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { put_le16(b.data() + 4, 40); })) << "array offset below 42";
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { put_le32(b.data() + 0x1C, 2048); })) << "allocated size";
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { put_le32(b.data() + 0x18, 1032); })) << "in use past allocated";
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) { b[1022] ^= 0xFF; })) << "torn second sector";
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) {
        Ntfs::UndoFixups(b.data(), b.size());
        put_le32(b.data() + 0x38 + 4, 0x2000); // first attribute claims to run far past the record
        Ntfs::ApplyFixups(b.data(), b.size());
    }));
    EXPECT_TRUE(broken([](std::vector<uint8_t>& b) {
        Ntfs::UndoFixups(b.data(), b.size());
        put_le32(b.data() + 0x18, 0x40); // the end marker lies beyond the bytes in use
        Ntfs::ApplyFixups(b.data(), b.size());
    }));
    KNtfsFileRecord r;
    EXPECT_FALSE(r.Load(good.data(), 512)) << "length disagreeing with the record";
    EXPECT_FALSE(r.Load(nullptr, 1024));
}

TEST(NtfsMft, LastRecordReadsAShortenedWindow)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, 65536, false, 8)); // 4 KiB clusters: an MFT of 7 clusters, 28 records
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    WatchedDisk watched(disk);
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&watched, 0, volume));
    KNtfsMFT mft;
    ASSERT_TRUE(mft.Open(volume, nullptr, false));
    ASSERT_EQ(mft.GetRecordCount(), 28);
    const int64_t mftEnd = volume.MftLcn * 8 + 28 * 2;
    watched.highest = 0;
    KNtfsFileRecord record;
    std::vector<uint8_t> raw;
    ASSERT_TRUE(mft.ReadRawRecord(27, raw));
    EXPECT_EQ(watched.highest, mftEnd) << "the window stops at the end of the MFT";
    // Walking the MFT in order reads each window once.
    mft.Invalidate();
    watched.reads = 0;
    for (int64_t i = 0; i < 28; ++i)
        ASSERT_TRUE(mft.ReadRawRecord(i, raw));
    EXPECT_EQ(watched.reads, 1);
}

// A record grown by named streams until it spills into an extension record through an attribute
// list: the volume stays clean and ntfs-3g reads every stream.
TEST_F(NtfsFileRecordCommit, SpillsIntoAnExtensionRecord)
{
    {
        ImageMount mounted(image, dir.File("mnt"));
        ASSERT_TRUE(mounted.Mounted()) << mounted.Output();
        std::ofstream(dir.File("mnt") + "/grown.txt") << "the unnamed stream";
        ASSERT_TRUE(mounted.Unmount());
    }

    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&disk, 0, volume));
    KNtfsMFT mft;
    ASSERT_TRUE(mft.Open(volume, nullptr, true));
    KNtfsFileRecord record;
    const int64_t number = findFile(mft, u"grown.txt", record);
    ASSERT_GE(number, 0);

    // Named resident $DATA streams of 100 bytes each: 12 of them cannot share one 1,024-byte record.
    const int data = record.FindAttribute(Ntfs::kAttrData);
    ASSERT_GE(data, 0);
    for (int s = 0; s < 12; ++s) {
        KNtfsAttribute stream;
        ASSERT_TRUE(namedStream("stream" + std::string(1, char('a' + s)), std::string(100, char('a' + s)), stream));
        record.AddAttribute(stream);
    }
    ASSERT_TRUE(record.Commit(mft, number));
    EXPECT_FALSE(record.ExtensionRecords().empty());

    KNtfsFileRecord again;
    ASSERT_TRUE(mft.ReadRecord(number, again));
    EXPECT_TRUE(again.HasAttributeList());
    ASSERT_TRUE(again.LoadExtensions(mft));
    EXPECT_EQ(again.FindAttribute(Ntfs::kAttrData, 12, {}, true) >= 0, true) << "13 data streams in all";

    const ToolResult fix = RunTool({"ntfsfix", "-n", image});
    EXPECT_EQ(fix.exitCode, 0) << fix.output;
    const ToolResult resize = RunTool({"ntfsresize", "--info", "--force", image});
    EXPECT_EQ(resize.output.find("ERROR"), std::string::npos) << resize.output;
    EXPECT_EQ(RunTool({"ntfscat", image, "/grown.txt"}).output, "the unnamed stream");
    for (int s = 0; s < 12; ++s) {
        const ToolResult cat = RunTool({"ntfscat", "-a", "0x80", "-n", "stream" + std::string(1, char('a' + s)), image,
                                        "/grown.txt"});
        EXPECT_EQ(cat.output, std::string(100, char('a' + s))) << s;
    }

    // Committing the same record again releases the old extension records before taking new ones.
    const int64_t freeBefore = mft.RecordBitmap().GetFreeCount();
    ASSERT_TRUE(again.Commit(mft, number));
    EXPECT_EQ(mft.RecordBitmap().GetFreeCount(), freeBefore);
    EXPECT_EQ(RunTool({"ntfsfix", "-n", image}).exitCode, 0);
}

// So many streams that even the attribute list leaves the record: it goes to clusters taken from
// the volume bitmap, which is written back; the checkers still account every cluster.
TEST_F(NtfsFileRecordCommit, AttributeListInClusters)
{
    {
        const std::string mount = dir.File("mnt");
        ImageMount mounted(image, mount);
        ASSERT_TRUE(mounted.Mounted()) << mounted.Output();
        std::ofstream(mount + "/many.txt") << "base";
        // Grow the MFT with files that are deleted again: their records are free for extensions.
        for (int i = 0; i < 80; ++i)
            std::ofstream(mount + "/spare" + std::to_string(i)) << i;
        for (int i = 0; i < 80; ++i)
            std::filesystem::remove(mount + "/spare" + std::to_string(i));
        ASSERT_TRUE(mounted.Unmount());
    }

    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&disk, 0, volume));
    // The volume bitmap, from $Bitmap.
    KNtfsMFT probe;
    ASSERT_TRUE(probe.Open(volume, nullptr, false));
    KNtfsFileRecord bitmapRecord;
    ASSERT_TRUE(probe.ReadRecord(6, bitmapRecord));
    const KNtfsAttribute bitmapData = bitmapRecord.GetAttribute(size_t(bitmapRecord.FindAttribute(Ntfs::kAttrData)));
    std::vector<uint8_t> bits(size_t(bitmapData.GetAllocatedSize()));
    ASSERT_GE(bitmapData.ReadData(volume, bits.data(), int64_t(bits.size())), bitmapData.GetDataSize());
    KBitmap clusters;
    ASSERT_TRUE(clusters.Load(bits.data(), bitmapData.GetDataSize(), 0));
    const int64_t freeBefore = clusters.GetFreeCount();

    KNtfsMFT mft;
    ASSERT_TRUE(mft.Open(volume, &clusters, true));
    KNtfsFileRecord record;
    const int64_t number = findFile(mft, u"many.txt", record);
    ASSERT_GE(number, 0);
    const int streams = 60;
    for (int s = 0; s < streams; ++s) {
        KNtfsAttribute stream;
        ASSERT_TRUE(namedStream(std::string("s").append(std::to_string(100 + s)), std::string(200, char('A' + s % 26)),
                                stream));
        record.AddAttribute(stream);
    }
    ASSERT_TRUE(record.Commit(mft, number));
    KNtfsFileRecord again;
    ASSERT_TRUE(mft.ReadRecord(number, again));
    const int list = again.FindAttribute(Ntfs::kAttrAttributeList, 0, {}, true);
    ASSERT_GE(list, 0);
    EXPECT_TRUE(again.GetAttribute(size_t(list)).IsNonResident());
    EXPECT_LT(clusters.GetFreeCount(), freeBefore);
    // The bitmap goes back to $Bitmap as the engines do when they finish.
    ASSERT_TRUE(bitmapData.WriteData(volume, clusters.Data(), bitmapData.GetDataSize()));

    const ToolResult fix = RunTool({"ntfsfix", "-n", image});
    EXPECT_EQ(fix.exitCode, 0) << fix.output;
    const ToolResult resize = RunTool({"ntfsresize", "--info", "--force", image});
    EXPECT_EQ(resize.output.find("ERROR"), std::string::npos) << resize.output;
    EXPECT_EQ(RunTool({"ntfscat", image, "/many.txt"}).output, "base");
    for (int s = 0; s < streams; s += 7)
        EXPECT_EQ(RunTool({"ntfscat", "-a", "0x80", "-n", "s" + std::to_string(100 + s), image, "/many.txt"}).output,
                  std::string(200, char('A' + s % 26)))
            << s;

    // Read back through the list, then committed once more: the list's clusters are given back first.
    ASSERT_TRUE(again.LoadExtensions(mft));
    const int64_t freeAfter = clusters.GetFreeCount();
    ASSERT_TRUE(again.Commit(mft, number));
    EXPECT_EQ(clusters.GetFreeCount(), freeAfter);
}

// An MFT whose $DATA continues in an extension record, listed in record 0's attribute list (as a
// fragmented MFT's is): the MFT opens through the list, every record reads, and ntfs-3g agrees.
TEST(NtfsMft, OpensThroughRecordZerosAttributeList)
{
    TempDir dir;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, 131072, false, 1)); // 512-byte clusters: an MFT of 54 clusters, 27 records
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    NtfsVolume volume;
    ASSERT_TRUE(OpenVolume(&disk, 0, volume));
    {
        KNtfsMFT mft;
        ASSERT_TRUE(mft.Open(volume, nullptr, true));
        ASSERT_EQ(mft.GetRecordCount(), 27);
        ASSERT_EQ(mft.RunList().GetCount(), 1u);
        const KDataRun whole = mft.RunList()[0];
        ASSERT_EQ(whole.Length, 54);

        KNtfsFileRecord base, extension;
        ASSERT_TRUE(mft.ReadRecord(0, base));
        std::vector<uint8_t> raw;
        ASSERT_TRUE(mft.ReadRawRecord(16, raw)); // an unused record inside the first part
        ASSERT_TRUE(extension.Load(raw.data(), raw.size()));

        // Clusters 0-39 stay with record 0; 40-53 move to record 16.
        const int data = base.FindAttribute(Ntfs::kAttrData);
        ASSERT_GE(data, 0);
        KNtfsAttribute first = base.GetAttribute(size_t(data)), second = first;
        KNtfsRunList head, tail;
        head.Add({whole.Lcn, 0, 40});
        tail.Add({whole.Lcn + 40, 40, 14});
        ASSERT_TRUE(first.SetRunList(head));
        first.SetVcnRange(0, 39);
        ASSERT_TRUE(second.SetRunList(tail));
        second.SetVcnRange(40, 53);
        second.SetSizes(0, 0, 0); // only the first extent carries the sizes
        second.SetId(0);
        base.ReplaceAttribute(size_t(data), first);

        uint8_t header[48];
        std::memcpy(header, extension.GetHeader(), sizeof header);
        put_le16(header + Ntfs::kRecFlags, Ntfs::kRecordInUse);
        put_le64(header + Ntfs::kRecBaseRecord, uint64_t(1) << 48); // record 0, sequence 1
        put_le16(header + Ntfs::kRecNextInstance, 1);
        extension.SetHeader(header);
        extension.AddAttribute(second);
        extension.GetAttribute(0).SetId(0);

        KNtfsAttributeList list;
        for (size_t i = 0; i < base.GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = base.GetAttribute(i);
            tagAttriListElement e;
            e.Type = a.GetType();
            e.Name = a.GetName();
            e.StartingVcn = a.IsNonResident() ? a.GetStartingVcn() : 0;
            e.FileReference = uint64_t(1) << 48;
            e.AttributeId = a.GetId();
            list.Add(e);
        }
        tagAttriListElement moved;
        moved.Type = Ntfs::kAttrData;
        moved.StartingVcn = 40;
        moved.FileReference = 16 | (uint64_t(extension.GetSequence()) << 48);
        moved.AttributeId = 0;
        list.Add(moved);
        std::vector<uint8_t> value;
        ASSERT_TRUE(list.Build(value));
        std::vector<uint8_t> listImage(0x18, 0);
        put_le32(listImage.data(), Ntfs::kAttrAttributeList);
        put_le32(listImage.data() + 4, 0x18);
        put_le16(listImage.data() + 0x14, 0x18);
        KNtfsAttribute listAttribute;
        ASSERT_TRUE(listAttribute.Assign(listImage.data(), listImage.size()));
        ASSERT_TRUE(listAttribute.SetValue(value.data(), value.size()));
        base.AddAttribute(listAttribute);

        // Record 0 sorted by type: the list goes after $STANDARD_INFORMATION.
        KNtfsFileRecord sorted = base;
        while (sorted.GetAttributeCount())
            sorted.RemoveAttribute(0);
        std::vector<KNtfsAttribute> order;
        for (size_t i = 0; i < base.GetAttributeCount(); ++i)
            order.push_back(base.GetAttribute(i));
        std::stable_sort(order.begin(), order.end(),
                         [](const KNtfsAttribute& a, const KNtfsAttribute& b) { return a.GetType() < b.GetType(); });
        for (const KNtfsAttribute& a : order) {
            sorted.AddAttribute(a);
            sorted.GetAttribute(sorted.GetAttributeCount() - 1).SetId(a.GetId());
        }
        ASSERT_TRUE(mft.WriteRecord(16, extension));
        ASSERT_TRUE(mft.WriteRecord(0, sorted));
        ASSERT_TRUE(mft.MarkRecord(16, true));
    }

    KNtfsMFT reopened;
    ASSERT_TRUE(reopened.Open(volume, nullptr, true));
    EXPECT_EQ(reopened.GetRecordCount(), 27);
    ASSERT_EQ(reopened.RunList().GetCount(), 2u);
    EXPECT_EQ(reopened.RunList().GetTotalClusters(), 54);
    KNtfsFileRecord last;
    ASSERT_TRUE(reopened.ReadRecord(26, last)) << "a record in the moved part";
    EXPECT_EQ(fileName(last), u"$Reparse");
    EXPECT_TRUE(reopened.RecordBitmap().Test(16));

    if (HaveTool("ntfsfix") && HaveTool("ntfsls")) {
        const ToolResult fix = RunTool({"ntfsfix", "-n", image});
        EXPECT_EQ(fix.exitCode, 0) << fix.output;
        const ToolResult ls = RunTool({"ntfsls", "-a", "-s", "-p", "/$Extend", image});
        EXPECT_NE(ls.output.find("$Reparse"), std::string::npos) << ls.output;
    }
}
