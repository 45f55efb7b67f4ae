// The NTFS test volumes hold what their fill claims, and the judges catch a damaged volume.
#include <gtest/gtest.h>

#include <string>

#include "support/NtfsVolumes.h"
#include "support/TestSupport.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;
using namespace NtfsVolumes;

namespace {

// The attributes of a snapshot entry, or 0 when there is none for the path.
uint32_t attributesIn(const Snapshot& s, const std::string& path)
{
    for (const std::string& e : s.entries)
        if (e.rfind(path + " ", 0) == 0) {
            const size_t at = e.find(" attributes ");
            return at == std::string::npos ? 0 : uint32_t(std::stoul(e.substr(at + 12), nullptr, 16));
        }
    return 0;
}

bool hasEntry(const Snapshot& s, const std::string& path, const std::string& part)
{
    for (const std::string& e : s.entries)
        if (e.rfind(path + " ", 0) == 0 && e.find(part) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(NtfsVolumes, FillHoldsWhatItClaims)
{
    if (!HaveTools())
        GTEST_SKIP() << "ntfs-3g tools or FUSE missing";
    TempDir dir;
    const std::string image = dir.File("disk.img");
    const int64_t start = 2049, sectors = 200000, disk = 204800;
    ASSERT_TRUE(MakeImage(image, disk, 3));
    ASSERT_EQ(Make(dir, image, start, sectors, Maker::Mkntfs, 4096), "");
    const uint64_t outside = HashOutside(image, start, sectors);
    FillOptions fill;
    fill.treeFiles = 300;
    fill.fragmented = fill.fragmentedMft = fill.streams = fill.sparse = fill.compressed = true;
    fill.hardLinks = 300;
    fill.beyond = 0.6;
    ASSERT_EQ(Fill(dir, image, start, sectors, fill), "");
    EXPECT_EQ(HashOutside(image, start, sectors), outside) << "the fill wrote outside the volume";

    const std::vector<uint8_t> mft = ReadRecord(image, start, 0);
    ASSERT_FALSE(mft.empty());
    EXPECT_GE(FindAttribute(mft, 0x20), 0) << "record 0 has no attribute list";
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "vol");
    EXPECT_NE(RunTool({"ntfsinfo", "-F", "/wide folder", vol}).output.find("$INDEX_ALLOCATION"), std::string::npos)
        << "the wide folder has no INDX blocks";

    const Snapshot s = Take(dir, image, start, sectors);
    ASSERT_TRUE(s.mounted);
    EXPECT_TRUE(hasEntry(s, "links/target", "links 300 with links/a/name 1"));
    EXPECT_TRUE(hasEntry(s, "links/b/other name 2", "with links/a/name 1"));
    EXPECT_TRUE(hasEntry(s, "streams/with streams 3", "[user.large stream 12391 "));
    EXPECT_TRUE(hasEntry(s, "streams/only a stream", "[user.Zone.Identifier 7000 "));
    EXPECT_TRUE(hasEntry(s, "streams", "[user.on a folder 300 "));
    EXPECT_TRUE(attributesIn(s, "sparse/holes") & 0x200);
    EXPECT_TRUE(attributesIn(s, "compressed/text 2") & 0x800);
    EXPECT_TRUE(attributesIn(s, "compressed/holes") & 0x800);
    EXPECT_NE(s.listing.find("file 17"), std::string::npos) << s.listing.substr(0, 500);
    // More than the tree's megabyte of files lies past 60 % of the volume.
    const Layout layout = ReadLayout(image, start);
    EXPECT_GT(UsedClustersFrom(image, start, layout.totalSectors * 512 / layout.clusterBytes * 6 / 10) *
                  layout.clusterBytes,
              int64_t(4) << 20);
    EXPECT_TRUE(Take(dir, image, start, sectors) == s) << "two snapshots of one volume differ";
    ExpectHealthy(dir, image, start, sectors, "the filled volume");

    // Eight clusters no file owns marked used: ntfsresize sees them, ntfsfix does not look.
    ASSERT_GE(MarkFreeClustersUsed(image, start, 8), 0);
    std::string out;
    EXPECT_FALSE(BitmapConsistent(dir, image, start, sectors, &out));
    EXPECT_NE(out.find("extra cluster in $Bitmap"), std::string::npos) << out;
    EXPECT_TRUE(FixClean(dir, image, start, sectors));
    // The dirty flag reads back through the record and its mirror.
    ASSERT_TRUE(SetVolumeFlags(image, start, 1));
    EXPECT_EQ(VolumeFlags(image, start), 1);
    EXPECT_TRUE(FixClean(dir, image, start, sectors, &out)) << out;
}

// Volmara's format at an odd offset with 512-byte and 64 KiB clusters takes a fill and stays healthy.
TEST(NtfsVolumes, VolmaraVolumesTakeAFill)
{
    if (!HaveTools())
        GTEST_SKIP() << "ntfs-3g tools or FUSE missing";
    for (const int clusterBytes : {512, 65536}) {
        SCOPED_TRACE(clusterBytes);
        TempDir dir;
        const std::string image = dir.File("disk.img");
        const int64_t start = 63, sectors = 160000;
        ASSERT_TRUE(MakeImage(image, sectors + 2000, 4));
        ASSERT_EQ(Make(dir, image, start, sectors, Maker::Volmara, clusterBytes), "");
        EXPECT_EQ(ReadLayout(image, start).clusterBytes, clusterBytes);
        FillOptions fill;
        fill.fragmentedMft = clusterBytes == 512;
        fill.streams = fill.compressed = true;
        fill.hardLinks = 20;
        ASSERT_EQ(Fill(dir, image, start, sectors, fill), "");
        if (clusterBytes == 512) {
            EXPECT_GE(FindAttribute(ReadRecord(image, start, 0), 0x20), 0) << "record 0 has no attribute list";
        }
        ExpectHealthy(dir, image, start, sectors, "Volmara's volume filled");
        const Snapshot s = Take(dir, image, start, sectors);
        EXPECT_EQ(bool(attributesIn(s, "compressed/text 2") & 0x800), clusterBytes <= 4096);
    }
}
