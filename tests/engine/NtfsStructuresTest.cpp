// NTFS run lists, names, attributes and attribute lists, and reading the metadata files of freshly
// formatted volumes through them.
#include <algorithm>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/ISectorDevice.h"
#include "engine/KDisk.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsStructures.h"
#include "support/TestSupport.h"

using TestSupport::HaveTool;
using TestSupport::ReadBytes;
using TestSupport::RunTool;
using TestSupport::TempDir;
using Bytes = std::vector<uint8_t>;

namespace {

KDataRun DataRun(int64_t lcn, int64_t vcn, int64_t length)
{
    KDataRun r;
    r.Lcn = lcn;
    r.Vcn = vcn;
    r.Length = length;
    return r;
}

// Runs from (LCN, length) pairs, VCNs counted from `vcn`.
KNtfsRunList Runs(std::initializer_list<std::pair<int64_t, int64_t>> runs, int64_t vcn = 0)
{
    KNtfsRunList list;
    for (const auto& [lcn, length] : runs) {
        list.Add(DataRun(lcn, vcn, length));
        vcn += length;
    }
    return list;
}

std::vector<KDataRun> Items(const KNtfsRunList& list) { return {list.begin(), list.end()}; }

bool DecodeBytes(KNtfsRunList& list, const Bytes& bytes, int64_t vcn = 0)
{
    return list.Decode(bytes.data(), bytes.size(), vcn);
}

// A random list: sparse runs, offsets in both directions, LCNs up to 2^47, lengths from 1 to 2^40.
KNtfsRunList RandomRuns(std::mt19937_64& rng, int64_t vcn)
{
    KNtfsRunList list;
    const int count = int(rng() % 40);
    for (int i = 0; i < count; ++i) {
        int64_t length = 0;
        switch (rng() % 4) {
        case 0: length = int64_t(1 + rng() % 0x80); break;
        case 1: length = int64_t(1 + rng() % 0x10000); break;
        case 2: length = int64_t(1 + rng() % (uint64_t(1) << 32)); break;
        default: length = int64_t(1 + rng() % (uint64_t(1) << 40)); break;
        }
        int64_t lcn = -1;
        if (rng() % 5 != 0)
            lcn = rng() % 3 == 0 ? int64_t(rng() % 256) : int64_t(rng() % (uint64_t(1) << 47));
        list.Add(DataRun(lcn, vcn, length));
        vcn += length;
    }
    return list;
}

void CheckListShape(const KNtfsRunList& list, int64_t startingVcn)
{
    int64_t vcn = startingVcn;
    for (const KDataRun& run : list) {
        EXPECT_EQ(run.Vcn, vcn);
        EXPECT_GT(run.Length, 0);
        EXPECT_GE(run.Lcn, -1);
        vcn += run.Length;
    }
}

// A sector device over a byte vector that logs its calls and can be told to fail at one sector.
class MemoryDevice : public ISectorDevice {
public:
    explicit MemoryDevice(int64_t sectors) : bytes(size_t(sectors) * 512, 0) {}

    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        reads.push_back({first, count});
        if (!InRange(first, count) || Hits(failRead, first, count))
            return 0;
        std::memcpy(buffer, bytes.data() + first * 512, size_t(count) * 512);
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        writes.push_back({first, count});
        if (!InRange(first, count) || Hits(failWrite, first, count))
            return 0;
        std::memcpy(bytes.data() + first * 512, buffer, size_t(count) * 512);
        return 1;
    }
    int VerifySectors(int64_t first, int64_t count) override { return InRange(first, count); }
    int GetGeometry(DiskGeometry* geometry) override
    {
        std::memset(geometry, 0, sizeof *geometry);
        geometry->BytesPerSector = 512;
        geometry->TotalSectors = Sectors();
        return 1;
    }

    int64_t Sectors() const { return int64_t(bytes.size() / 512); }
    uint8_t* Sector(int64_t n) { return bytes.data() + n * 512; }

    Bytes bytes;
    std::vector<std::pair<int64_t, int64_t>> reads, writes;
    int64_t failRead = -1, failWrite = -1;

private:
    bool InRange(int64_t first, int64_t count) const
    {
        return first >= 0 && count > 0 && first <= Sectors() && count <= Sectors() - first;
    }
    static bool Hits(int64_t sector, int64_t first, int64_t count)
    {
        return sector >= first && sector < first + count;
    }
};

// Attribute images built by hand: header, name right after it, then the value or the mapping pairs.
Bytes ResidentAttribute(uint32_t type, const std::u16string& name, const Bytes& value, uint16_t id = 3)
{
    const size_t nameOffset = Ntfs::kResHeaderEnd;
    const size_t valueOffset = Ntfs::RoundUp(nameOffset + 2 * name.size(), 8);
    Bytes a(Ntfs::RoundUp(valueOffset + value.size(), 8), 0);
    put_le32(&a[0], type);
    put_le32(&a[4], uint32_t(a.size()));
    a[8] = 0;
    a[9] = uint8_t(name.size());
    put_le16(&a[0x0A], uint16_t(nameOffset));
    put_le16(&a[0x0E], id);
    put_le32(&a[0x10], uint32_t(value.size()));
    put_le16(&a[0x14], uint16_t(valueOffset));
    for (size_t i = 0; i < name.size(); ++i)
        put_le16(&a[nameOffset + 2 * i], name[i]);
    std::copy(value.begin(), value.end(), a.begin() + ptrdiff_t(valueOffset));
    return a;
}

Bytes NonResidentAttribute(uint32_t type, const std::u16string& name, const KNtfsRunList& runs, int64_t dataSize,
                           int64_t clusterBytes, int64_t startingVcn = 0)
{
    const size_t nameOffset = Ntfs::kNrHeaderEnd;
    const size_t pairsOffset = Ntfs::RoundUp(nameOffset + 2 * name.size(), 8);
    const Bytes pairs = runs.Encode();
    Bytes a(pairsOffset + pairs.size(), 0);
    put_le32(&a[0], type);
    put_le32(&a[4], uint32_t(a.size()));
    a[8] = 1;
    a[9] = uint8_t(name.size());
    put_le16(&a[0x0A], uint16_t(nameOffset));
    put_le64(&a[0x10], uint64_t(startingVcn));
    put_le64(&a[0x18], uint64_t(startingVcn + runs.GetTotalClusters() - 1));
    put_le16(&a[0x20], uint16_t(pairsOffset));
    put_le64(&a[0x28], uint64_t(runs.GetTotalClusters() * clusterBytes));
    put_le64(&a[0x30], uint64_t(dataSize));
    put_le64(&a[0x38], uint64_t(dataSize));
    for (size_t i = 0; i < name.size(); ++i)
        put_le16(&a[nameOffset + 2 * i], name[i]);
    std::copy(pairs.begin(), pairs.end(), a.begin() + ptrdiff_t(pairsOffset));
    return a;
}

KNtfsAttribute Assigned(const Bytes& bytes)
{
    KNtfsAttribute a;
    EXPECT_TRUE(a.Assign(bytes.data(), bytes.size()));
    return a;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Run lists

TEST(NtfsRunList, DecodesPairs)
{
    KNtfsRunList list;
    ASSERT_TRUE(DecodeBytes(list, {0x21, 0x18, 0x34, 0x56, 0x00}));
    EXPECT_EQ(Items(list), std::vector<KDataRun>{DataRun(0x5634, 0, 0x18)});

    // The VCNs start at the given one; a missing terminator ends the list at the end of the bytes.
    ASSERT_TRUE(DecodeBytes(list, {0x21, 0x18, 0x34, 0x56}, 7));
    EXPECT_EQ(Items(list), std::vector<KDataRun>{DataRun(0x5634, 7, 0x18)});

    // A one-byte offset 0xF0 after a run at LCN 100 goes back 16 clusters.
    ASSERT_TRUE(DecodeBytes(list, {0x11, 0x0A, 0x64, 0x11, 0x05, 0xF0, 0x00}));
    EXPECT_EQ(Items(list), (std::vector<KDataRun>{DataRun(100, 0, 10), DataRun(84, 10, 5)}));

    // Length only: a sparse run; the next offset counts from the LCN before it.
    ASSERT_TRUE(DecodeBytes(list, {0x11, 0x05, 0x64, 0x01, 0x03, 0x11, 0x02, 0x0A, 0x00}));
    EXPECT_EQ(Items(list), (std::vector<KDataRun>{DataRun(100, 0, 5), DataRun(-1, 5, 3), DataRun(110, 8, 2)}));

    // Bytes after the terminator are not read; an empty input is an empty list.
    ASSERT_TRUE(DecodeBytes(list, {0x00, 0x99, 0x99}));
    EXPECT_TRUE(list.IsEmpty());
    ASSERT_TRUE(list.Decode(nullptr, 0, 0));
    EXPECT_TRUE(list.IsEmpty());

    // Eight-byte fields: a run that ends at the last LCN there is.
    ASSERT_TRUE(DecodeBytes(list, {0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0x80, 0, 0}));
    EXPECT_EQ(Items(list), std::vector<KDataRun>{DataRun(int64_t(1) << 47, 0, INT64_MAX - (int64_t(1) << 47))});
    // A sparse run may take the whole VCN range.
    ASSERT_TRUE(DecodeBytes(list, {0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(Items(list), std::vector<KDataRun>{DataRun(-1, 0, INT64_MAX)});
}

TEST(NtfsRunList, EncodesWithTheNarrowestFields)
{
    EXPECT_EQ(KNtfsRunList().Encode(), Bytes(8, 0));

    // A length of 0x80 needs a second byte so that it does not read as negative; 0x7F fits one.
    EXPECT_EQ(Runs({{0x10, 0x80}}).Encode(), (Bytes{0x12, 0x80, 0x00, 0x10, 0, 0, 0, 0}));
    EXPECT_EQ(Runs({{0x10, 0x7F}}).Encode(), (Bytes{0x11, 0x7F, 0x10, 0, 0, 0, 0, 0}));

    EXPECT_EQ(Runs({{0x5634, 0x18}}).Encode(), (Bytes{0x21, 0x18, 0x34, 0x56, 0, 0, 0, 0}));
    // Offsets are relative to the last allocated run, sparse runs write none.
    EXPECT_EQ(Runs({{100, 10}, {84, 5}}).Encode(), (Bytes{0x11, 0x0A, 0x64, 0x11, 0x05, 0xF0, 0, 0}));
    EXPECT_EQ(Runs({{100, 5}, {-1, 3}, {110, 2}}).Encode(),
              (Bytes{0x11, 0x05, 0x64, 0x01, 0x03, 0x11, 0x02, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0}));
    // A run at LCN 0 is written with a one-byte zero offset, not as sparse.
    EXPECT_EQ(Runs({{0, 1}}).Encode(), (Bytes{0x11, 0x01, 0x00, 0, 0, 0, 0, 0}));
    // Eight encoded bytes leave no room for the terminator inside the first 8.
    EXPECT_EQ(Runs({{0x123456, 0x1234}}).Encode().size(), 8u);
    EXPECT_EQ(Runs({{0x80000000, 0x1234}}).Encode().size(), 16u);
    // Runs of no clusters cannot be written.
    EXPECT_EQ(Runs({{10, 0}}).Encode(), Bytes(8, 0));
}

TEST(NtfsRunList, EncodeAndDecodeRoundTrip)
{
    std::mt19937_64 rng(131);
    for (int round = 0; round < 2000; ++round) {
        const int64_t vcn = round % 3 == 0 ? int64_t(rng() % 100000) : 0;
        const KNtfsRunList original = RandomRuns(rng, vcn);
        const Bytes encoded = original.Encode();
        ASSERT_EQ(encoded.size() % 8, 0u);
        ASSERT_EQ(encoded.back(), 0);
        KNtfsRunList decoded;
        ASSERT_TRUE(DecodeBytes(decoded, encoded, vcn)) << "round " << round;
        ASSERT_EQ(Items(decoded), Items(original)) << "round " << round;
        EXPECT_EQ(decoded.GetTotalClusters(), original.GetTotalClusters());
    }
}

TEST(NtfsRunList, RefusesDamagedPairs)
{
    KNtfsRunList list;
    const std::vector<Bytes> damaged = {
        {0x21, 0x18, 0x34},                                      // offset field cut off
        {0x21},                                                  // header alone
        {0x11, 0x05, 0x10, 0x21, 0x18},                          // second pair cut off
        {0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0},                    // length field of 9 bytes
        {0x91, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0},              // offset field of 9 bytes
        {0x1F, 0x01},                                            // length field of 15 bytes
        {0x10, 0x05, 0x00},                                      // no length field
        {0x11, 0x00, 0x05, 0x00},                                // zero length
        {0x21, 0x00, 0x00, 0x34, 0x56, 0x00},                    // zero length, wide field
        {0x11, 0x05, 0xF0, 0x00},                                // LCN below zero at once
        {0x11, 0x05, 0x10, 0x11, 0x05, 0xEF, 0x00},              // LCN below zero on the second run
        {0x81, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80},                 // offset INT64_MIN
        {0x88, 0, 0, 0, 0, 0, 0, 0, 0x80, 1, 0, 0, 0, 0, 0, 0, 0}, // length 2^63
        // LCN past INT64_MAX: two runs whose offsets add up beyond it.
        {0x81, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x11, 0x01, 0x02, 0x00},
        // A run starting just below INT64_MAX whose clusters end beyond it.
        {0x81, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00},
        // VCN past INT64_MAX: two runs whose lengths add up beyond it.
        {0x81, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x70, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00},
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        list.Add(DataRun(1, 2, 3));
        EXPECT_FALSE(DecodeBytes(list, damaged[i])) << "case " << i;
        EXPECT_TRUE(list.IsEmpty()) << "case " << i;
    }
    // A start that would already be out of range, and one that overflows with the first length.
    EXPECT_FALSE(DecodeBytes(list, {0x11, 0x05, 0x10, 0x00}, -1));
    EXPECT_FALSE(DecodeBytes(list, {0x11, 0x05, 0x10, 0x00}, INT64_MAX - 4));
    EXPECT_TRUE(DecodeBytes(list, {0x11, 0x05, 0x10, 0x00}, INT64_MAX - 5));
    EXPECT_FALSE(list.Decode(nullptr, 4, 0));
    // The last cluster of the range is fine.
    EXPECT_TRUE(DecodeBytes(list, {0x81, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}));
}

TEST(NtfsRunList, DecodeOfRandomBytesEndsAndKeepsItsPromises)
{
    std::mt19937_64 rng(7);
    for (int round = 0; round < 20000; ++round) {
        Bytes bytes(size_t(rng() % 48));
        for (auto& b : bytes)
            b = uint8_t(rng());
        // Keep the widths mostly legal so that the later checks see some work.
        for (size_t i = 0; i < bytes.size(); i += 1 + rng() % 6)
            if (rng() % 2)
                bytes[i] = uint8_t((rng() % 5) << 4 | (1 + rng() % 4));
        KNtfsRunList list;
        if (DecodeBytes(list, bytes, 3))
            CheckListShape(list, 3);
        else
            EXPECT_TRUE(list.IsEmpty());
    }
}

TEST(NtfsRunList, Coalesces)
{
    KNtfsRunList list = Runs({{10, 5}, {15, 3}});
    list.Coalesce();
    EXPECT_EQ(Items(list), std::vector<KDataRun>{DataRun(10, 0, 8)});

    list = Runs({{10, 5}, {-1, 2}, {15, 3}});
    list.Coalesce();
    EXPECT_EQ(Items(list), Items(Runs({{10, 5}, {-1, 2}, {15, 3}})));

    // A gap or a step back on disk keeps the runs apart; neighbouring sparse runs merge.
    list = Runs({{10, 5}, {16, 3}, {19, 1}, {-1, 4}, {-1, 6}, {30, 2}, {32, 2}, {0, 1}});
    list.Coalesce();
    EXPECT_EQ(Items(list), Items(Runs({{10, 5}, {16, 4}, {-1, 10}, {30, 4}, {0, 1}})));

    KNtfsRunList empty;
    empty.Coalesce();
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(NtfsRunList, SplitsIntoPiecesThatFit)
{
    std::mt19937_64 rng(99);
    for (int round = 0; round < 500; ++round) {
        const KNtfsRunList original = RandomRuns(rng, 0);
        const size_t first = 16 + 8 * size_t(rng() % 8);
        const size_t later = 24 + 8 * size_t(rng() % 40);
        std::vector<KNtfsRunList> pieces;
        ASSERT_TRUE(original.Split(first, later, pieces)) << "round " << round;
        ASSERT_FALSE(pieces.empty());
        std::vector<KDataRun> joined;
        for (size_t i = 0; i < pieces.size(); ++i) {
            const Bytes encoded = pieces[i].Encode();
            EXPECT_LE(encoded.size(), i == 0 ? first : later) << "round " << round << " piece " << i;
            if (i != 0 || !original.IsEmpty()) {
                EXPECT_FALSE(pieces[i].IsEmpty());
            }
            // Each piece stands alone as an extent starting at its first VCN.
            if (!pieces[i].IsEmpty()) {
                KNtfsRunList decoded;
                ASSERT_TRUE(DecodeBytes(decoded, encoded, pieces[i][0].Vcn));
                EXPECT_EQ(Items(decoded), Items(pieces[i]));
            }
            joined.insert(joined.end(), pieces[i].begin(), pieces[i].end());
        }
        EXPECT_EQ(joined, Items(original)) << "round " << round;
    }

    // Greedy cuts: two short pairs share the first 8 bytes; a run far away needs its own piece.
    std::vector<KNtfsRunList> pieces;
    ASSERT_TRUE(Runs({{1, 1}, {2, 1}, {0x123456789A, 1}}).Split(8, 16, pieces));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(Items(pieces[0]), Items(Runs({{1, 1}, {2, 1}})));
    EXPECT_EQ(Items(pieces[1]), Items(Runs({{0x123456789A, 1}}, 2)));

    // A run whose pair and terminator take more than the capacity cannot be placed.
    EXPECT_FALSE(Runs({{0x80000000, 0x1234}}).Split(8, 8, pieces));
    EXPECT_TRUE(pieces.empty());
    EXPECT_FALSE(Runs({{1, 1}, {0x80000000, 0x1234}}).Split(8, 8, pieces));
    EXPECT_TRUE(Runs({{1, 1}, {0x80000000, 0x1234}}).Split(8, 16, pieces));
    EXPECT_EQ(pieces.size(), 2u);
    // In a later piece the offset counts from 0 again: a run close to its predecessor (4 bytes as a
    // pair there) needs 8 bytes alone.
    const KNtfsRunList far = Runs({{0x80000000, 0x1234}, {0x80100000, 0x1234}, {0x80100001, 0x1234}});
    EXPECT_FALSE(far.Split(16, 8, pieces));
    ASSERT_TRUE(far.Split(16, 16, pieces));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].GetCount(), 2u);
    EXPECT_EQ(pieces[1].Encode().size(), 16u);

    // The empty list is one empty piece, as long as the terminator fits.
    ASSERT_TRUE(KNtfsRunList().Split(8, 8, pieces));
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_TRUE(pieces[0].IsEmpty());
    EXPECT_FALSE(KNtfsRunList().Split(0, 8, pieces));
}

TEST(NtfsRunList, MapsVcns)
{
    const KNtfsRunList list = Runs({{100, 5}, {-1, 3}, {50, 2}}, 10);
    int64_t left = -7;
    EXPECT_EQ(list.Map(10, &left), 100);
    EXPECT_EQ(left, 5);
    EXPECT_EQ(list.Map(14, &left), 104);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(list.Map(16, &left), -1);
    EXPECT_EQ(left, 2);
    EXPECT_EQ(list.Map(19, &left), 51);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(list.Map(20, &left), -2);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(list.Map(9), -2);
    EXPECT_EQ(list.Map(-1), -2);
    EXPECT_EQ(list.Map(INT64_MAX), -2);
    EXPECT_EQ(list.GetTotalClusters(), 10);
}

// ---------------------------------------------------------------------------------------------------
// Names

TEST(NtfsString, BuildsComparesAndConverts)
{
    EXPECT_EQ(KNtfsString(u"$I30").ToU16(), u"$I30");
    EXPECT_EQ(KNtfsString(u"$I30", 2).ToU16(), u"$I");
    EXPECT_EQ(KNtfsString(u"ab\0cd", 5).ToU16(), u"ab");
    EXPECT_TRUE(KNtfsString(static_cast<const char16_t*>(nullptr)).IsEmpty());
    const uint8_t le[] = {'$', 0, 'M', 0, 0xAC, 0x20};
    EXPECT_EQ(KNtfsString::FromLittleEndian(le, 3).ToU16(), u"$M\u20AC");

    EXPECT_EQ(KNtfsString(u"abc"), KNtfsString(u"abc"));
    EXPECT_FALSE(KNtfsString(u"abc") == KNtfsString(u"abC"));
    EXPECT_FALSE(KNtfsString(u"ab") == KNtfsString(u"abc"));
    EXPECT_LT(KNtfsString(u"ab"), KNtfsString(u"abc"));
    EXPECT_LT(KNtfsString(), KNtfsString(u"a"));
    EXPECT_LT(KNtfsString(u"B"), KNtfsString(u"a")); // binary: upper case first
    EXPECT_LT(KNtfsString(u"abc"), KNtfsString(u"abd"));
    EXPECT_FALSE(KNtfsString(u"abd") < KNtfsString(u"abc"));
    EXPECT_FALSE(KNtfsString(u"abc") < KNtfsString(u"abc"));
    EXPECT_LT(KNtfsString(u"z"), KNtfsString(u"\u00E4"));

    KNtfsString s;
    s.Append(u'$');
    s.Append(u'\u00E4');
    s.Append(u'\u20AC');
    s.Append(0xD83D); // U+1F4BE as a pair
    s.Append(0xDCBE);
    EXPECT_EQ(s.ToUtf8(), "$\xC3\xA4\xE2\x82\xAC\xF0\x9F\x92\xBE");
    // Unpaired halves become U+FFFD, one each.
    const char16_t loneHigh[] = {u'a', 0xD83D, u'b', 0};
    const char16_t loneLow[] = {0xDCBE, 0xD83D, 0};
    EXPECT_EQ(KNtfsString(loneHigh).ToUtf8(), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(KNtfsString(loneLow).ToUtf8(), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// ---------------------------------------------------------------------------------------------------
// Attributes

TEST(NtfsAttribute, AssignChecksTheImage)
{
    const Bytes resident = ResidentAttribute(0x80, u"ab", {1, 2, 3});
    KNtfsAttribute a;
    ASSERT_TRUE(a.Assign(resident.data(), resident.size()));
    EXPECT_EQ(a.Length(), resident.size());
    EXPECT_EQ(std::memcmp(a.Data(), resident.data(), resident.size()), 0);

    // More bytes than the length field: only the attribute itself is kept.
    Bytes longer = resident;
    longer.resize(longer.size() + 40, 0xEE);
    ASSERT_TRUE(a.Assign(longer.data(), longer.size()));
    EXPECT_EQ(a.Length(), resident.size());

    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> bad;
    auto damaged = [&](const char* what, Bytes bytes, auto&& change) {
        change(bytes);
        bad.push_back({what, std::move(bytes)});
    };
    damaged("shorter than the header", resident, [](Bytes& b) { b.resize(0x17); });
    damaged("length field below the header", resident, [](Bytes& b) { put_le32(&b[4], 0x10); });
    damaged("length field past the bytes", resident, [](Bytes& b) { put_le32(&b[4], uint32_t(b.size() + 8)); });
    damaged("non-resident byte 2", resident, [](Bytes& b) { b[8] = 2; });
    damaged("value past the end", resident, [](Bytes& b) { put_le32(&b[0x10], 0x100); });
    damaged("huge value length", resident, [](Bytes& b) { put_le32(&b[0x10], 0xFFFFFFFF); });
    damaged("value offset in the header", resident, [](Bytes& b) { put_le16(&b[0x14], 0x10); });
    damaged("name past the end", resident, [](Bytes& b) { b[9] = 200; });
    damaged("name over the value", resident, [](Bytes& b) { b[9] = 5; });
    damaged("name in the header", resident, [](Bytes& b) { put_le16(&b[0x0A], 0x08); });

    const Bytes nonResident = NonResidentAttribute(0x80, u"", Runs({{100, 5}}), 5 * 4096, 4096);
    ASSERT_TRUE(a.Assign(nonResident.data(), nonResident.size()));
    damaged("non-resident header cut", nonResident, [](Bytes& b) {
        b.resize(0x38);
        put_le32(&b[4], 0x38);
    });
    damaged("pairs inside the header", nonResident, [](Bytes& b) { put_le16(&b[0x20], 0x18); });
    damaged("pairs past the end", nonResident, [](Bytes& b) { put_le16(&b[0x20], uint16_t(b.size() + 1)); });
    damaged("name over the pairs", nonResident, [](Bytes& b) { b[9] = 1; });

    for (const Case& c : bad) {
        KNtfsAttribute b;
        EXPECT_FALSE(b.Assign(c.bytes.data(), c.bytes.size())) << c.what;
    }
    EXPECT_FALSE(a.Assign(nullptr, 64));

    // Pairs that end exactly at the end, or no pairs at all, are fine.
    Bytes noPairs = nonResident;
    put_le16(&noPairs[0x20], uint16_t(noPairs.size()));
    ASSERT_TRUE(a.Assign(noPairs.data(), noPairs.size()));
    KNtfsRunList runs;
    EXPECT_TRUE(a.GetRunList(runs));
    EXPECT_TRUE(runs.IsEmpty());
}

TEST(NtfsAttribute, ReadsTheHeader)
{
    KNtfsAttribute empty;
    EXPECT_EQ(empty.GetType(), 0u);
    EXPECT_EQ(empty.GetValuePointer(), nullptr);
    EXPECT_TRUE(empty.GetName().IsEmpty());
    EXPECT_FALSE(empty.SetValue("x", 1));
    KNtfsRunList runs;
    EXPECT_FALSE(empty.GetRunList(runs));
    empty.SetId(4);
    EXPECT_EQ(empty.Length(), 0u);

    Bytes bytes = ResidentAttribute(0x90, u"$I30", {9, 8, 7, 6, 5}, 0x1234);
    put_le16(&bytes[0x0C], 0x0001);
    KNtfsAttribute a = Assigned(bytes);
    EXPECT_EQ(a.GetType(), 0x90u);
    EXPECT_EQ(a.GetRecordLength(), bytes.size());
    EXPECT_FALSE(a.IsNonResident());
    EXPECT_EQ(a.GetFlags(), 1);
    EXPECT_EQ(a.GetId(), 0x1234);
    a.SetId(7);
    EXPECT_EQ(a.GetId(), 7);
    EXPECT_EQ(a.GetName(), KNtfsString(u"$I30"));
    EXPECT_EQ(a.GetValueOffset(), 0x20);
    EXPECT_EQ(a.GetValueLength(), 5u);
    EXPECT_EQ(a.GetStartingVcn(), 0);
    EXPECT_EQ(a.GetDataSize(), 0);
    EXPECT_FALSE(a.GetRunList(runs));
    uint8_t value[8] = {};
    EXPECT_EQ(a.GetValue(value, 3), 3u);
    EXPECT_EQ(value[2], 7);
    EXPECT_EQ(value[3], 0);
    EXPECT_EQ(a.GetValue(value, sizeof value), 5u);
    EXPECT_EQ(value[4], 5);

    const KNtfsAttribute n =
        Assigned(NonResidentAttribute(0xA0, u"$I30", Runs({{100, 5}, {-1, 2}}, 3), 20000, 4096, 3));
    EXPECT_TRUE(n.IsNonResident());
    EXPECT_EQ(n.GetName().ToUtf8(), "$I30");
    EXPECT_EQ(n.GetStartingVcn(), 3);
    EXPECT_EQ(n.GetLastVcn(), 9);
    EXPECT_EQ(n.GetMappingPairsOffset(), 0x48);
    EXPECT_EQ(n.GetAllocatedSize(), 7 * 4096);
    EXPECT_EQ(n.GetDataSize(), 20000);
    EXPECT_EQ(n.GetInitializedSize(), 20000);
    EXPECT_EQ(n.GetValueLength(), 0u);
    EXPECT_EQ(n.GetValuePointer(), nullptr);
    EXPECT_EQ(n.GetValue(value, sizeof value), 0u);
    ASSERT_TRUE(n.GetRunList(runs));
    EXPECT_EQ(Items(runs), Items(Runs({{100, 5}, {-1, 2}}, 3)));
}

TEST(NtfsAttribute, SetValueResizesTheImage)
{
    KNtfsAttribute a = Assigned(ResidentAttribute(0x80, u"s", {1, 2, 3}));
    ASSERT_EQ(a.GetValueOffset(), 0x20);
    ASSERT_EQ(a.Length(), 0x28u);

    Bytes big(100);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = uint8_t(i + 1);
    ASSERT_TRUE(a.SetValue(big.data(), big.size()));
    EXPECT_EQ(a.Length(), Ntfs::RoundUp(0x20 + 100, 8));
    EXPECT_EQ(a.GetRecordLength(), a.Length());
    EXPECT_EQ(a.GetValueLength(), 100u);
    EXPECT_EQ(std::memcmp(a.GetValuePointer(), big.data(), big.size()), 0);
    EXPECT_EQ(a.GetName(), KNtfsString(u"s"));
    for (size_t i = 0x20 + 100; i < a.Length(); ++i)
        EXPECT_EQ(a.Data()[i], 0) << i;

    // Shrinking cuts the image down again; the padding is zero.
    ASSERT_TRUE(a.SetValue("xyz", 3));
    EXPECT_EQ(a.Length(), 0x28u);
    EXPECT_EQ(a.GetRecordLength(), 0x28u);
    EXPECT_EQ(a.Data()[0x23], 0);
    ASSERT_TRUE(a.SetValue(nullptr, 0));
    EXPECT_EQ(a.Length(), 0x20u);
    EXPECT_EQ(a.GetValueLength(), 0u);

    // The image stays a valid attribute, and a value taken from the image itself is fine.
    ASSERT_TRUE(a.SetValue(big.data(), 40));
    KNtfsAttribute copy = Assigned(Bytes(a.Data(), a.Data() + a.Length()));
    ASSERT_TRUE(copy.SetValue(copy.GetValuePointer() + 8, 32));
    EXPECT_EQ(copy.GetValuePointer()[0], 9);
    EXPECT_EQ(copy.GetValueLength(), 32u);

    KNtfsAttribute n = Assigned(NonResidentAttribute(0x80, u"", Runs({{100, 5}}), 5 * 4096, 4096));
    const Bytes before(n.Data(), n.Data() + n.Length());
    EXPECT_FALSE(n.SetValue("abc", 3));
    EXPECT_EQ(Bytes(n.Data(), n.Data() + n.Length()), before);
}

TEST(NtfsAttribute, SetRunListRebuildsThePairs)
{
    KNtfsAttribute a = Assigned(NonResidentAttribute(0x80, u"$Bad", Runs({{100, 5}}), 5 * 4096, 4096));
    ASSERT_EQ(a.GetMappingPairsOffset(), 0x48);
    ASSERT_EQ(a.Length(), 0x50u);

    const KNtfsRunList longer = Runs({{100, 5}, {-1, 3}, {0x123456789, 0x10000}, {7, 1}});
    ASSERT_TRUE(a.SetRunList(longer));
    EXPECT_EQ(a.Length(), 0x48 + longer.Encode().size());
    EXPECT_EQ(a.GetRecordLength(), a.Length());
    EXPECT_EQ(Bytes(a.Data() + 0x48, a.Data() + a.Length()), longer.Encode());
    KNtfsRunList back;
    ASSERT_TRUE(a.GetRunList(back));
    EXPECT_EQ(Items(back), Items(longer));
    EXPECT_EQ(a.GetName(), KNtfsString(u"$Bad"));
    EXPECT_EQ(a.GetDataSize(), 5 * 4096); // sizes are the caller's business

    a.SetSizes(0x10000, 0x8000, 0x4000);
    a.SetVcnRange(0, 0x10008);
    EXPECT_EQ(a.GetAllocatedSize(), 0x10000);
    EXPECT_EQ(a.GetDataSize(), 0x8000);
    EXPECT_EQ(a.GetInitializedSize(), 0x4000);
    EXPECT_EQ(a.GetLastVcn(), 0x10008);

    ASSERT_TRUE(a.SetRunList(KNtfsRunList()));
    EXPECT_EQ(a.Length(), 0x50u);
    ASSERT_TRUE(a.GetRunList(back));
    EXPECT_TRUE(back.IsEmpty());
    KNtfsAttribute copy = Assigned(Bytes(a.Data(), a.Data() + a.Length()));
    EXPECT_EQ(copy.GetLastVcn(), 0x10008);

    // An odd mapping-pairs offset still gives a length that is a multiple of 8.
    Bytes odd = NonResidentAttribute(0x80, u"", Runs({{100, 5}}), 5 * 4096, 4096);
    odd.insert(odd.begin() + 0x40, 0);
    put_le16(&odd[0x20], 0x41);
    put_le32(&odd[4], uint32_t(odd.size()));
    KNtfsAttribute o = Assigned(odd);
    ASSERT_TRUE(o.SetRunList(Runs({{100, 5}})));
    EXPECT_EQ(o.Length(), 0x50u);
    ASSERT_TRUE(o.GetRunList(back));
    EXPECT_EQ(Items(back), Items(Runs({{100, 5}})));

    KNtfsAttribute r = Assigned(ResidentAttribute(0x80, u"", {1}));
    EXPECT_FALSE(r.SetRunList(longer));
    EXPECT_FALSE(r.GetRunList(back));
    r.SetSizes(1, 2, 3);
    EXPECT_EQ(r.GetValueLength(), 1u);
}

// A 1 MiB volume in memory: 512-byte sectors, 2 sectors per cluster (so 1 KiB clusters), starting at
// sector 16 of the device.
struct MemoryVolume {
    MemoryDevice device{16 + 2048 + 64};
    NtfsVolume volume;

    MemoryVolume()
    {
        volume.Device = &device;
        volume.VolumeStart = 16;
        volume.SectorsPerCluster = 2;
        volume.TotalSectors = 2048;
        for (size_t i = 0; i < device.bytes.size(); ++i)
            device.bytes[i] = uint8_t(i * 7 + i / 512);
    }
    const uint8_t* Cluster(int64_t lcn) const { return device.bytes.data() + (16 + lcn * 2) * 512; }
};

TEST(NtfsAttribute, ReadDataFollowsTheRuns)
{
    MemoryVolume m;
    // Clusters 100-101, a hole of 2, then clusters 10-12; 6000 bytes of data of 7 KiB allocated.
    const KNtfsRunList runs = Runs({{100, 2}, {-1, 2}, {10, 3}});
    const KNtfsAttribute a = Assigned(NonResidentAttribute(0x80, u"", runs, 6000, 1024));
    Bytes buffer(8000, 0xAA);
    ASSERT_EQ(a.ReadData(m.volume, buffer.data(), int64_t(buffer.size())), 6000);
    EXPECT_EQ(std::memcmp(buffer.data(), m.Cluster(100), 2048), 0);
    EXPECT_EQ(Bytes(buffer.begin() + 2048, buffer.begin() + 4096), Bytes(2048, 0));
    EXPECT_EQ(std::memcmp(buffer.data() + 4096, m.Cluster(10), 6000 - 4096), 0);
    // Nothing past the data size is touched, not even in its last sector.
    EXPECT_EQ(Bytes(buffer.begin() + 6000, buffer.end()), Bytes(2000, 0xAA));
    // One call per run, none for the hole.
    EXPECT_EQ(m.device.reads.size(), 3u); // the run at 10 ends in a partial sector

    // A buffer of exactly the data size is enough, a shorter one is not.
    Bytes exact(6000);
    EXPECT_EQ(a.ReadData(m.volume, exact.data(), 6000), 6000);
    EXPECT_EQ(Bytes(exact.begin(), exact.end()), Bytes(buffer.begin(), buffer.begin() + 6000));
    EXPECT_EQ(a.ReadData(m.volume, exact.data(), 5999), -1);
    EXPECT_EQ(a.ReadData(m.volume, nullptr, 6000), -1);

    // Past the initialized size the data is zeros, and is not read.
    KNtfsAttribute partial = a;
    partial.SetSizes(7 * 1024, 6000, 1000);
    m.device.reads.clear();
    ASSERT_EQ(partial.ReadData(m.volume, exact.data(), 6000), 6000);
    EXPECT_EQ(std::memcmp(exact.data(), m.Cluster(100), 1000), 0);
    EXPECT_EQ(Bytes(exact.begin() + 1000, exact.end()), Bytes(5000, 0));
    EXPECT_EQ(m.device.reads.size(), 2u); // a whole sector, then the head of the next
}

TEST(NtfsAttribute, ReadDataReadsLargeRunsInLargeCalls)
{
    MemoryDevice device(16 + 2 * 10000 * 8);
    NtfsVolume volume;
    volume.Device = &device;
    volume.VolumeStart = 16;
    volume.SectorsPerCluster = 8;
    volume.TotalSectors = 2 * 10000 * 8;
    for (size_t i = 0; i < device.bytes.size(); i += 512)
        put_le64(&device.bytes[i], i / 512);
    // 9 MiB in one run, then 1 MiB: three calls of at most 4 MiB for the first run, one for the second.
    const KNtfsRunList runs = Runs({{1000, 2304}, {5000, 256}});
    const KNtfsAttribute a = Assigned(NonResidentAttribute(0x80, u"", runs, 2560 * 4096, 4096));
    Bytes buffer(2560 * 4096);
    ASSERT_EQ(a.ReadData(volume, buffer.data(), int64_t(buffer.size())), int64_t(buffer.size()));
    EXPECT_EQ(device.reads.size(), 4u);
    for (const auto& [first, count] : device.reads)
        EXPECT_LE(count, 8192);
    for (size_t i = 0; i < buffer.size(); i += 512) {
        const int64_t cluster = int64_t(i / 4096);
        const int64_t lcn = cluster < 2304 ? 1000 + cluster : 5000 + cluster - 2304;
        ASSERT_EQ(le64(&buffer[i]), uint64_t(16 + lcn * 8 + int64_t(i % 4096) / 512)) << i;
    }
}

TEST(NtfsAttribute, ReadDataRefusesWhatDoesNotAddUp)
{
    MemoryVolume m;
    Bytes buffer(64 * 1024);
    const int64_t size = int64_t(buffer.size());
    auto read = [&](const Bytes& image) {
        KNtfsAttribute a;
        EXPECT_TRUE(a.Assign(image.data(), image.size()));
        return a.ReadData(m.volume, buffer.data(), size);
    };
    // Runs that cover less than the data size: the rest lives in another extent.
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", Runs({{100, 2}}), 3000, 1024)), -1);
    // Runs past the allocated size.
    Bytes over = NonResidentAttribute(0x80, u"", Runs({{100, 4}}), 3000, 1024);
    put_le64(&over[0x28], 3072);
    EXPECT_EQ(read(over), -1);
    // A data size above the allocated size, or negative.
    Bytes big = NonResidentAttribute(0x80, u"", Runs({{100, 4}}), 3000, 1024);
    put_le64(&big[0x30], 5000);
    EXPECT_EQ(read(big), -1);
    put_le64(&big[0x30], uint64_t(-1));
    EXPECT_EQ(read(big), -1);
    // Clusters past the end of the volume (1024 clusters).
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", Runs({{1020, 5}}), 5000, 1024)), -1);
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", Runs({{1020, 4}}), 4096, 1024)), 4096);
    // LCNs so big that the sector number would overflow.
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", Runs({{int64_t(1) << 62, 1}}), 1024, 1024)), -1);
    // An extent that does not start at VCN 0.
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", Runs({{100, 2}}, 2), 1024, 1024, 2)), -1);
    // Damaged pairs.
    Bytes broken = NonResidentAttribute(0x80, u"", Runs({{100, 2}}), 2048, 1024);
    broken[0x40] = 0x19;
    EXPECT_EQ(read(broken), -1);
    // A resident attribute has nothing to read here.
    EXPECT_EQ(read(ResidentAttribute(0x80, u"", {1, 2, 3})), -1);
    // A volume without a device.
    NtfsVolume none = m.volume;
    none.Device = nullptr;
    const KNtfsAttribute plain = Assigned(NonResidentAttribute(0x80, u"", Runs({{100, 2}}), 2048, 1024));
    EXPECT_EQ(plain.ReadData(none, buffer.data(), size), -1);
    EXPECT_EQ(plain.ReadData(m.volume, buffer.data(), size), 2048);

    // An empty attribute reads nothing and succeeds.
    m.device.reads.clear();
    EXPECT_EQ(read(NonResidentAttribute(0x80, u"", KNtfsRunList(), 0, 1024)), 0);
    EXPECT_TRUE(m.device.reads.empty());
}

TEST(NtfsAttribute, ReadDataStopsAtAFailedRead)
{
    MemoryVolume m;
    const KNtfsRunList runs = Runs({{100, 2}, {-1, 1}, {10, 3}});
    const KNtfsAttribute a = Assigned(NonResidentAttribute(0x80, u"", runs, 6 * 1024, 1024));
    Bytes buffer(6 * 1024);
    m.device.failRead = 16 + 11 * 2; // in the second allocated run
    EXPECT_EQ(a.ReadData(m.volume, buffer.data(), int64_t(buffer.size())), 3 * 1024);
    EXPECT_EQ(std::memcmp(buffer.data(), m.Cluster(100), 2048), 0);
    m.device.failRead = 16 + 100 * 2;
    EXPECT_EQ(a.ReadData(m.volume, buffer.data(), int64_t(buffer.size())), 0);
}

TEST(NtfsAttribute, WriteDataFollowsTheRuns)
{
    MemoryVolume m;
    const Bytes original = m.device.bytes;
    const KNtfsAttribute a = Assigned(NonResidentAttribute(0x80, u"", Runs({{100, 2}, {-1, 2}, {10, 3}}), 6000, 1024));
    Bytes data(6000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i % 251);
    ASSERT_TRUE(a.WriteData(m.volume, data.data(), int64_t(data.size())));
    EXPECT_EQ(std::memcmp(m.Cluster(100), data.data(), 2048), 0);
    EXPECT_EQ(std::memcmp(m.Cluster(10), data.data() + 4096, 6000 - 4096), 0);
    // The last sector holding data is padded with zeros; the sectors after it are left alone.
    const uint8_t* tail = m.Cluster(10) + (6000 - 4096);
    EXPECT_EQ(Bytes(tail, tail + (6144 - 6000)), Bytes(6144 - 6000, 0));
    EXPECT_EQ(std::memcmp(m.Cluster(10) + 2048, original.data() + (m.Cluster(10) + 2048 - m.device.bytes.data()), 1024),
              0);
    // Nothing was written for the hole, and reading gives the data back with zeros there.
    for (const auto& [first, count] : m.device.writes)
        EXPECT_TRUE((first >= 16 + 200 && first + count <= 16 + 204) || (first >= 16 + 20 && first + count <= 16 + 26))
            << first << "+" << count;
    Bytes back(6000);
    ASSERT_EQ(a.ReadData(m.volume, back.data(), 6000), 6000);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 2048), Bytes(data.begin(), data.begin() + 2048));
    EXPECT_EQ(Bytes(back.begin() + 4096, back.end()), Bytes(data.begin() + 4096, data.end()));

    // Fewer bytes than the data size: the rest is 0xFF.
    ASSERT_TRUE(a.WriteData(m.volume, data.data(), 100));
    EXPECT_EQ(std::memcmp(m.Cluster(100), data.data(), 100), 0);
    EXPECT_EQ(Bytes(m.Cluster(100) + 100, m.Cluster(100) + 2048), Bytes(2048 - 100, 0xFF));
    EXPECT_EQ(Bytes(m.Cluster(10), m.Cluster(10) + 6000 - 4096), Bytes(6000 - 4096, 0xFF));
    ASSERT_TRUE(a.WriteData(m.volume, nullptr, 0));
    EXPECT_EQ(Bytes(m.Cluster(100), m.Cluster(100) + 2048), Bytes(2048, 0xFF));

    // The first failed write ends the call.
    m.device.writes.clear();
    m.device.failWrite = 16 + 200;
    EXPECT_FALSE(a.WriteData(m.volume, data.data(), int64_t(data.size())));
    EXPECT_EQ(m.device.writes.size(), 1u);

    EXPECT_FALSE(Assigned(ResidentAttribute(0x80, u"", {1, 2, 3})).WriteData(m.volume, data.data(), 3));
    EXPECT_FALSE(Assigned(NonResidentAttribute(0x80, u"", Runs({{1020, 5}}), 5000, 1024))
                     .WriteData(m.volume, data.data(), 5000));
    EXPECT_FALSE(a.WriteData(m.volume, nullptr, 10));
}

// ---------------------------------------------------------------------------------------------------
// Freshly formatted volumes

namespace {

struct BootSectorDevice : MemoryDevice {
    explicit BootSectorDevice(const Bytes& boot) : MemoryDevice(8)
    {
        std::copy(boot.begin(), boot.end(), bytes.begin());
    }
};

// The attribute of a type in a record whose fixups are undone, found by walking the attributes.
bool FindAttribute(const Bytes& record, uint32_t type, KNtfsAttribute& attribute)
{
    size_t at = le16(&record[Ntfs::kRecAttrsOffset]);
    while (fits(record.size(), at, 8) && le32(&record[at]) != Ntfs::kAttrEnd) {
        const uint32_t length = le32(&record[at + 4]);
        if (length == 0 || !fits(record.size(), at, length))
            return false;
        if (le32(&record[at]) == type)
            return attribute.Assign(&record[at], record.size() - at);
        at += length;
    }
    return false;
}

class NtfsImage : public ::testing::Test {
protected:
    void Make(int64_t bytes, const std::vector<std::string>& options)
    {
        if (!HaveTool("mkntfs"))
            GTEST_SKIP() << "mkntfs missing";
        image = dir.File("ntfs.img");
        ASSERT_TRUE(TestSupport::MakeSparseFile(image, bytes));
        std::vector<std::string> argv = {"mkntfs", "-Q", "-F", "-q"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(image);
        const auto made = RunTool(argv);
        ASSERT_EQ(made.exitCode, 0) << made.output;
        ASSERT_EQ(disk.OpenPath(image, 0), 1);
        ASSERT_TRUE(OpenVolume(&disk, 0, volume));
        boot = ReadBytes(image, 0, 512);
        ASSERT_EQ(boot.size(), 512u);
    }

    // The $MFT as read through its own $DATA attribute in record 0.
    void ReadMft()
    {
        record0 = ReadBytes(image, volume.MftLcn * volume.ClusterBytes(), volume.FileRecordBytes());
        ASSERT_EQ(int64_t(record0.size()), volume.FileRecordBytes());
        Bytes record = record0;
        ASSERT_TRUE(Ntfs::UndoFixups(record.data(), record.size()));
        ASSERT_TRUE(FindAttribute(record, Ntfs::kAttrData, mftData));
        ASSERT_TRUE(mftData.IsNonResident());
        ASSERT_TRUE(mftData.GetRunList(mftRuns));
        ASSERT_FALSE(mftRuns.IsEmpty());
        EXPECT_EQ(mftRuns[0].Lcn, volume.MftLcn);
        mft.assign(size_t(mftData.GetDataSize()), 0);
        ASSERT_EQ(mftData.ReadData(volume, mft.data(), int64_t(mft.size())), mftData.GetDataSize());
    }

    // A system file's unnamed $DATA, read through its record in the $MFT.
    Bytes ReadSystemFile(int record)
    {
        const size_t bytes = size_t(volume.FileRecordBytes());
        if (mft.size() < (size_t(record) + 1) * bytes)
            return {};
        Bytes copy(mft.begin() + ptrdiff_t(record * bytes), mft.begin() + ptrdiff_t((record + 1) * bytes));
        KNtfsAttribute data;
        if (!Ntfs::UndoFixups(copy.data(), copy.size()) || !FindAttribute(copy, Ntfs::kAttrData, data))
            return {};
        Bytes out(size_t(data.GetDataSize()));
        if (data.ReadData(volume, out.data(), int64_t(out.size())) != data.GetDataSize())
            return {};
        return out;
    }

    TempDir dir;
    std::string image;
    KDisk disk;
    NtfsVolume volume;
    Bytes boot, record0, mft;
    KNtfsAttribute mftData;
    KNtfsRunList mftRuns;
};

} // namespace

TEST_F(NtfsImage, OpenVolumeDescribesTheVolume)
{
    Make(24 * 1024 * 1024, {"-c", "4096"});
    EXPECT_EQ(volume.Device, &disk);
    EXPECT_EQ(volume.VolumeStart, 0);
    EXPECT_EQ(volume.BytesPerSector, 512);
    EXPECT_EQ(volume.SectorsPerCluster, 8);
    EXPECT_EQ(volume.ClusterBytes(), 4096);
    EXPECT_EQ(volume.FileRecordBytes(), 1024);
    EXPECT_EQ(volume.IndexRecordBytes(), 4096);
    EXPECT_EQ(volume.TotalSectors, 24 * 2048 - 1); // the last sector holds the backup boot sector
    EXPECT_EQ(volume.MftLcn, int64_t(le64(&boot[0x30])));
    EXPECT_EQ(volume.MftMirrorLcn, int64_t(le64(&boot[0x38])));
    EXPECT_EQ(volume.SerialNumber, le64(&boot[0x48]));
    if (HaveTool("ntfsinfo")) {
        const auto info = RunTool({"ntfsinfo", "-m", image});
        EXPECT_NE(info.output.find("LCN of Data Attribute for FILE_MFT: " + std::to_string(volume.MftLcn)),
                  std::string::npos)
            << info.output;
    }
}

TEST_F(NtfsImage, OpenVolumeRefusesOtherBootSectors)
{
    Make(8 * 1024 * 1024, {"-c", "1024"});
    {
        BootSectorDevice device(boot);
        NtfsVolume v;
        ASSERT_TRUE(OpenVolume(&device, 0, v));
        EXPECT_EQ(v.SectorsPerCluster, 2);
        EXPECT_EQ(v.FileRecordSectors, 2);
        EXPECT_FALSE(OpenVolume(nullptr, 0, v));
        EXPECT_FALSE(OpenVolume(&device, -1, v));
        EXPECT_FALSE(OpenVolume(&device, 100, v)); // unreadable
        EXPECT_FALSE(OpenVolume(&device, 1, v));   // zeros
    }
    struct Case {
        const char* what;
        size_t offset;
        Bytes value;
    };
    const std::vector<Case> cases = {
        {"4096-byte sectors", 0x0B, {0x00, 0x10}},
        {"1024-byte sectors", 0x0B, {0x00, 0x04}},
        {"3 sectors per cluster", 0x0D, {3}},
        {"0 sectors per cluster", 0x0D, {0}},
        {"sectors per cluster as an exponent", 0x0D, {0xF8}},
        {"not NTFS", 3, {'N', 'T', 'F', 'X'}},
        {"MFT past the end", 0x30, {0x00, 0x20, 0, 0, 0, 0, 0, 0}},   // 8192 x 2 sectors >= 16383
        {"MFT LCN wraps", 0x30, {0, 0, 0, 0, 0, 0, 0, 0x80}},
        {"no sectors", 0x28, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"record size 0", 0x40, {0}},
        {"record size 2^7", 0x40, {0xF9}},
        {"record size 2^17", 0x40, {0xEF}},
        {"record size 2^31", 0x40, {0xE1}},
        {"record size 3 clusters", 0x40, {3}},
        {"index size 2^8", 0x44, {0xF8}},
        {"index size 2^17", 0x44, {0xEF}},
        {"index size 96 clusters", 0x44, {96}},
    };
    for (const Case& c : cases) {
        Bytes changed = boot;
        std::copy(c.value.begin(), c.value.end(), changed.begin() + ptrdiff_t(c.offset));
        BootSectorDevice device(changed);
        NtfsVolume v;
        EXPECT_FALSE(OpenVolume(&device, 0, v)) << c.what;
    }
    // The last cluster of the volume is still inside it, and record sizes given in clusters count.
    Bytes edge = boot;
    put_le64(&edge[0x28], 16383);
    put_le64(&edge[0x30], 8191);
    edge[0x40] = 1;
    edge[0x44] = 32;
    BootSectorDevice device(edge);
    NtfsVolume v;
    ASSERT_TRUE(OpenVolume(&device, 0, v));
    EXPECT_EQ(v.FileRecordBytes(), 1024);
    EXPECT_EQ(v.IndexRecordBytes(), 32768);
    put_le64(&edge[0x28], 16382);
    BootSectorDevice shorter(edge);
    EXPECT_FALSE(OpenVolume(&shorter, 0, v));
}

TEST(NtfsVolumeOpen, RefusesAVolumeOf4096ByteSectors)
{
    if (!HaveTool("mkntfs"))
        GTEST_SKIP() << "mkntfs missing";
    TempDir dir;
    const std::string image = dir.File("ntfs4k.img");
    ASSERT_TRUE(TestSupport::MakeSparseFile(image, 32 * 1024 * 1024));
    const auto made = RunTool({"mkntfs", "-Q", "-F", "-q", "-s", "4096", "-c", "8192", image});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    ASSERT_EQ(le16(ReadBytes(image, 0x0B, 2).data()), 4096);
    KDisk disk;
    ASSERT_EQ(disk.OpenPath(image, 0), 1);
    NtfsVolume v;
    EXPECT_FALSE(OpenVolume(&disk, 0, v));
}

TEST_F(NtfsImage, VolumeFoundAtItsStartSector)
{
    Make(8 * 1024 * 1024, {});
    // The same boot sector 40 sectors into a device.
    MemoryDevice device(64);
    std::copy(boot.begin(), boot.end(), device.Sector(40));
    NtfsVolume v;
    ASSERT_TRUE(OpenVolume(&device, 40, v));
    EXPECT_EQ(v.VolumeStart, 40);
    EXPECT_EQ(v.MftLcn, volume.MftLcn);
    EXPECT_FALSE(OpenVolume(&device, 0, v));
}

TEST_F(NtfsImage, ReadsTheMftAndUpCase)
{
    for (const char* cluster : {"512", "4096", "65536"}) {
        SCOPED_TRACE(cluster);
        Make(std::string(cluster) == "65536" ? 64 * 1024 * 1024 : 16 * 1024 * 1024, {"-c", cluster});
        if (HasFatalFailure() || IsSkipped())
            return;
        ReadMft();
        if (HasFatalFailure())
            return;
        // The first record as read equals the bytes at the MFT's LCN; so does the whole first run.
        ASSERT_GE(mft.size(), record0.size());
        EXPECT_EQ(Bytes(mft.begin(), mft.begin() + ptrdiff_t(record0.size())), record0);
        const int64_t firstRun = std::min<int64_t>(mftRuns[0].Length * volume.ClusterBytes(), int64_t(mft.size()));
        EXPECT_EQ(Bytes(mft.begin(), mft.begin() + firstRun),
                  ReadBytes(image, volume.MftLcn * volume.ClusterBytes(), firstRun));
        EXPECT_EQ(std::memcmp(&mft[0], "FILE", 4), 0);
        EXPECT_EQ(std::memcmp(&mft[size_t(volume.FileRecordBytes()) * 5], "FILE", 4), 0);

        const Bytes upcase = ReadSystemFile(10);
        ASSERT_EQ(upcase.size(), 131072u);
        EXPECT_EQ(le16(&upcase[2 * 'a']), 'A');
        EXPECT_EQ(le16(&upcase[2 * 0xE4]), 0xC4);
        if (HaveTool("ntfscat")) {
            const auto cat = RunTool({"ntfscat", image, "$UpCase"});
            ASSERT_EQ(cat.exitCode, 0) << cat.output.substr(0, 200);
            EXPECT_TRUE(cat.output == std::string(upcase.begin(), upcase.end()));
        }
        // Every attribute of every record in use is accepted as it is, and so are its runs.
        int attributes = 0, named = 0, nonResident = 0;
        const size_t recordBytes = size_t(volume.FileRecordBytes());
        for (size_t at = 0; at + recordBytes <= mft.size(); at += recordBytes) {
            Bytes record(mft.begin() + ptrdiff_t(at), mft.begin() + ptrdiff_t(at + recordBytes));
            if (std::memcmp(record.data(), "FILE", 4) != 0 || !(le16(&record[Ntfs::kRecFlags]) & Ntfs::kRecordInUse))
                continue;
            ASSERT_TRUE(Ntfs::UndoFixups(record.data(), record.size())) << at;
            size_t offset = le16(&record[Ntfs::kRecAttrsOffset]);
            while (fits(record.size(), offset, 8) && le32(&record[offset]) != Ntfs::kAttrEnd) {
                KNtfsAttribute a;
                ASSERT_TRUE(a.Assign(&record[offset], record.size() - offset)) << at << "+" << offset;
                ASSERT_EQ(a.Length(), le32(&record[offset + 4]));
                ++attributes;
                named += !a.GetName().IsEmpty();
                if (a.IsNonResident()) {
                    ++nonResident;
                    KNtfsRunList runs;
                    EXPECT_TRUE(a.GetRunList(runs)) << at << "+" << offset;
                    EXPECT_EQ(runs.GetTotalClusters() * volume.ClusterBytes(), a.GetAllocatedSize());
                }
                offset += a.Length();
            }
        }
        EXPECT_GT(attributes, 50);
        EXPECT_GT(named, 3);
        EXPECT_GT(nonResident, 5);

        // $AttrDef too: 2560 bytes, not a whole number of clusters above 512 bytes.
        const Bytes attrDef = ReadSystemFile(4);
        ASSERT_FALSE(attrDef.empty());
        if (HaveTool("ntfscat")) {
            const auto cat = RunTool({"ntfscat", image, "$AttrDef"});
            EXPECT_TRUE(cat.output == std::string(attrDef.begin(), attrDef.end()));
        }
        disk.Close();
    }
}

TEST_F(NtfsImage, WritingTheMftBackChangesNothing)
{
    Make(16 * 1024 * 1024, {"-c", "1024"});
    ReadMft();
    if (HasFatalFailure())
        return;
    const uint64_t before = TestSupport::HashRange(image, 0, 16 * 1024 * 1024);
    ASSERT_TRUE(mftData.WriteData(volume, mft.data(), int64_t(mft.size())));
    ASSERT_EQ(disk.Flush(), 1);
    EXPECT_EQ(TestSupport::HashRange(image, 0, 16 * 1024 * 1024), before);

    // A changed byte in record 3 lands where the run list puts it.
    mft[3 * size_t(volume.FileRecordBytes()) + 0x100] ^= 0x5A;
    ASSERT_TRUE(mftData.WriteData(volume, mft.data(), int64_t(mft.size())));
    const int64_t at = volume.MftLcn * volume.ClusterBytes() + 3 * volume.FileRecordBytes() + 0x100;
    EXPECT_EQ(ReadBytes(image, at, 1), Bytes{mft[3 * size_t(volume.FileRecordBytes()) + 0x100]});
}

// ---------------------------------------------------------------------------------------------------
// Attribute lists

namespace {

tagAttriListElement Entry(uint32_t type, const char16_t* name, int64_t vcn, uint64_t reference, uint16_t id)
{
    tagAttriListElement e;
    e.Type = type;
    e.Name = KNtfsString(name);
    e.StartingVcn = vcn;
    e.FileReference = reference;
    e.AttributeId = id;
    return e;
}

} // namespace

TEST(NtfsAttributeList, BuildSortsAndParseReadsBack)
{
    KNtfsAttributeList list;
    Bytes bytes;
    EXPECT_FALSE(list.Build(bytes));

    list.Add(Entry(0x80, u"", 100, 0x0001000000000020, 5));
    list.Add(Entry(0x80, u"b", 0, 0x0001000000000021, 6));
    list.Add(Entry(0x10, u"", 0, 0x0001000000000010, 0));
    list.Add(Entry(0x80, u"", 0, 0x0001000000000010, 1));
    list.Add(Entry(0x80, u"Zone.Identifier", 0, 0x0001000000000022, 7));
    list.Add(Entry(0x30, u"", 0, 0x0001000000000010, 2));
    list.Add(Entry(0x80, u"B", 0, 0x0001000000000023, 8));
    ASSERT_TRUE(list.Build(bytes));

    // Sorted by type, then name (binary), then VCN.
    const std::vector<std::pair<uint32_t, std::u16string>> order = {
        {0x10, u""}, {0x30, u""}, {0x80, u""}, {0x80, u""}, {0x80, u"B"}, {0x80, u"Zone.Identifier"}, {0x80, u"b"}};
    ASSERT_EQ(list.GetCount(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(list[i].Type, order[i].first) << i;
        EXPECT_EQ(list[i].Name.ToU16(), order[i].second) << i;
    }
    EXPECT_EQ(list[2].StartingVcn, 0);
    EXPECT_EQ(list[3].StartingVcn, 100);

    // Each entry: header of 26 bytes, the name, rounded up to 8.
    size_t expected = 0;
    for (const auto& [type, name] : order)
        expected += Ntfs::RoundUp(26 + 2 * name.size(), 8);
    ASSERT_EQ(bytes.size(), expected);
    EXPECT_EQ(le32(&bytes[0]), 0x10u);
    EXPECT_EQ(le16(&bytes[4]), 32);
    EXPECT_EQ(bytes[6], 0);
    EXPECT_EQ(bytes[7], 0x1A);
    EXPECT_EQ(le64(&bytes[0x10]), 0x0001000000000010u);
    const size_t zone = 32 * 4 + 32; // after four unnamed entries and "B"
    EXPECT_EQ(le16(&bytes[zone + 4]), Ntfs::RoundUp(26 + 30, 8));
    EXPECT_EQ(bytes[zone + 6], 15);
    EXPECT_EQ(le16(&bytes[zone + 0x1A]), u'Z');
    EXPECT_EQ(le16(&bytes[zone + 0x18]), 7);

    KNtfsAttributeList parsed;
    ASSERT_TRUE(parsed.Parse(bytes.data(), bytes.size()));
    ASSERT_EQ(parsed.GetCount(), list.GetCount());
    for (size_t i = 0; i < list.GetCount(); ++i) {
        EXPECT_EQ(parsed[i].Type, list[i].Type);
        EXPECT_EQ(parsed[i].Length, list[i].Length);
        EXPECT_EQ(parsed[i].NameLength, list[i].Name.GetCount());
        EXPECT_EQ(parsed[i].NameOffset, 0x1A);
        EXPECT_EQ(parsed[i].StartingVcn, list[i].StartingVcn);
        EXPECT_EQ(parsed[i].FileReference, list[i].FileReference);
        EXPECT_EQ(parsed[i].AttributeId, list[i].AttributeId);
        EXPECT_EQ(parsed[i].Name, list[i].Name);
    }
    Bytes again;
    ASSERT_TRUE(parsed.Build(again));
    EXPECT_EQ(again, bytes);

    EXPECT_EQ(list.Find(0x80, KNtfsString(u"B")), 4);
    EXPECT_EQ(list.Find(0x80, KNtfsString()), 2);
    EXPECT_EQ(list.Find(0x80, KNtfsString(u"x"), true), 2);
    EXPECT_EQ(list.Find(0x80, KNtfsString(u"x")), -1);
    EXPECT_EQ(list.Find(0x90, KNtfsString(), true), -1);
    list.Remove(0);
    EXPECT_EQ(list.Find(0x30, KNtfsString()), 0);

    KNtfsAttributeList tooLong;
    tooLong.Add(Entry(0x80, std::u16string(256, u'x').c_str(), 0, 1, 1));
    EXPECT_FALSE(tooLong.Build(bytes));
}

TEST(NtfsAttributeList, ParseStopsAndRefuses)
{
    KNtfsAttributeList list;
    list.Add(Entry(0x10, u"", 0, 16, 0));
    list.Add(Entry(0x80, u"ads", 0, 17, 3));
    Bytes bytes;
    ASSERT_TRUE(list.Build(bytes));
    ASSERT_EQ(bytes.size(), 32u + 32u);

    KNtfsAttributeList parsed;
    // A type of 0 or a length of 0 ends the list.
    Bytes ended = bytes;
    ended.resize(ended.size() + 40, 0);
    ASSERT_TRUE(parsed.Parse(ended.data(), ended.size()));
    EXPECT_EQ(parsed.GetCount(), 2u);
    Bytes zeroLength = bytes;
    put_le16(&zeroLength[32 + 4], 0);
    ASSERT_TRUE(parsed.Parse(zeroLength.data(), zeroLength.size()));
    EXPECT_EQ(parsed.GetCount(), 1u);
    ASSERT_TRUE(parsed.Parse(bytes.data(), 0));
    EXPECT_TRUE(parsed.IsEmpty());

    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> bad;
    auto damaged = [&](const char* what, size_t cut, auto&& change) {
        Bytes b(bytes.begin(), bytes.begin() + ptrdiff_t(cut));
        change(b);
        bad.push_back({what, std::move(b)});
    };
    damaged("entry past the end", 60, [](Bytes&) {});
    damaged("header cut off", 32 + 20, [](Bytes&) {});
    damaged("three bytes left", 35, [](Bytes&) {});
    damaged("length past the end", 64, [](Bytes& b) { put_le16(&b[32 + 4], 40); });
    damaged("length below the header", 64, [](Bytes& b) { put_le16(&b[4], 16); });
    damaged("name past its entry", 64, [](Bytes& b) { b[32 + 6] = 4; });
    damaged("name in the header", 64, [](Bytes& b) { b[32 + 7] = 0x10; });
    damaged("name offset past the entry", 64, [](Bytes& b) { b[32 + 7] = 0xFF; });
    for (const Case& c : bad) {
        parsed.Add(Entry(1, u"", 0, 0, 0));
        EXPECT_FALSE(parsed.Parse(c.bytes.data(), c.bytes.size())) << c.what;
        EXPECT_TRUE(parsed.IsEmpty()) << c.what;
    }

    // Random damage never reads outside the value.
    std::mt19937_64 rng(5);
    for (int round = 0; round < 5000; ++round) {
        Bytes b = bytes;
        for (int i = 0; i < 3; ++i)
            b[rng() % b.size()] = uint8_t(rng());
        b.resize(rng() % (b.size() + 1));
        if (parsed.Parse(b.data(), b.size())) {
            for (const auto& e : parsed)
                EXPECT_EQ(e.Name.GetCount(), e.NameLength);
        }
    }
}
