// The LDM database reader against generated dynamic disks: what it reads must be what was written and
// what ldmtool (an independent reader) reports; damaged databases are refused as a whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>

#include "engine/KLdmDatabase.h"
#include "engine/KDisk.h"
#include <map>
#include "support/LdmImage.h"
#include "support/TestSupport.h"

using namespace TestSupport;
using LdmImage::Kind;
using LdmImage::Layout;
using LdmImage::Style;

namespace {

// The fields of ldmtool's JSON answers: "key" : value, and "key" : [ "a", "b" ].
std::string jsonValue(const std::string& json, const std::string& key)
{
    const size_t at = json.find("\"" + key + "\" : ");
    if (at == std::string::npos)
        return {};
    size_t from = at + key.size() + 5, to = json.find_first_of(",\n", from);
    std::string v = json.substr(from, to - from);
    if (!v.empty() && v.front() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

std::vector<std::string> jsonList(const std::string& json, const std::string& key)
{
    std::vector<std::string> out;
    const size_t at = json.find("\"" + key + "\" : [");
    if (at == std::string::npos)
        return out;
    const size_t end = json.find(']', at);
    size_t p = json.find('"', at + key.size() + 5);
    while (p != std::string::npos && p < end) {
        const size_t q = json.find('"', p + 1);
        out.push_back(json.substr(p + 1, q - p - 1));
        p = json.find('"', q + 1);
    }
    return out;
}

std::string ldmtool(const std::vector<std::string>& images, std::vector<std::string> args)
{
    std::vector<std::string> argv = {"ldmtool"};
    for (const auto& i : images) {
        argv.push_back("-d");
        argv.push_back(i);
    }
    argv.insert(argv.end(), args.begin(), args.end());
    const ToolResult r = RunTool(argv);
    // Its warnings (sector size of a file, device mapper) come first; the answer is the JSON object.
    const size_t brace = r.output.find('{');
    return brace == std::string::npos ? std::string() : r.output.substr(brace);
}

// One line per volume: name, type, size, letter, then each extent as partition name, disk, start, size.
std::string ldmtoolView(const std::vector<std::string>& images)
{
    const std::string g = LdmImage::GroupGuid();
    std::ostringstream out;
    std::vector<std::string> volumes = jsonList(ldmtool(images, {"show", "diskgroup", g}), "volumes");
    std::sort(volumes.begin(), volumes.end());
    for (const auto& v : volumes) {
        const std::string vj = ldmtool(images, {"show", "volume", g, v});
        out << v << " " << jsonValue(vj, "type") << " " << jsonValue(vj, "size") << " " << jsonValue(vj, "hint");
        for (const auto& p : jsonList(vj, "partitions")) {
            const std::string pj = ldmtool(images, {"show", "partition", g, p});
            out << " [" << p << " " << jsonValue(pj, "disk") << " " << jsonValue(pj, "start") << " "
                << jsonValue(pj, "size") << "]";
        }
        out << "\n";
    }
    return out.str();
}

std::string typeName(const Ldm::Database& db, const Ldm::Volume& v)
{
    std::vector<const Ldm::Component*> plexes;
    for (const auto& k : db.Components)
        if (k.VolumeId == v.Id)
            plexes.push_back(&k);
    if (v.Type == "raid5")
        return "RAID5";
    if (plexes.size() > 1)
        return "mirrored";
    if (plexes.front()->Layout == Ldm::kComponentStriped)
        return "striped";
    return plexes.front()->Children > 1 ? "spanned" : "simple";
}

std::string volmaraView(const Ldm::Database& db)
{
    std::vector<const Ldm::Volume*> volumes;
    for (const auto& v : db.Volumes)
        volumes.push_back(&v);
    std::sort(volumes.begin(), volumes.end(), [](auto* a, auto* b) { return a->Name < b->Name; });
    std::ostringstream out;
    for (const auto* v : volumes) {
        out << v->Name << " " << typeName(db, *v) << " " << v->Size << " " << v->DriveHint;
        for (const auto& k : db.Components)
            if (k.VolumeId == v->Id)
                for (const auto& p : db.Partitions)
                    if (p.ComponentId == k.Id)
                        out << " [" << p.Name << " " << db.FindDisk(p.DiskId)->Name << " " << p.Start << " " << p.Size
                            << "]";
        out << "\n";
    }
    return out.str();
}

std::string intendedView(const Layout& layout)
{
    static const char* kinds[] = {"simple", "mirrored", "spanned", "striped", "RAID5"};
    std::vector<LdmImage::Volume> volumes = layout.volumes;
    std::sort(volumes.begin(), volumes.end(), [](auto& a, auto& b) { return a.name < b.name; });
    std::vector<int> counts(layout.diskSectors.size(), 0);
    std::map<std::string, std::string> names; // partition names follow the order of the layout
    for (const auto& v : layout.volumes)
        for (size_t i = 0; i < v.extents.size(); ++i) {
            const int n = ++counts[size_t(v.extents[i].disk)];
            names[v.name + "#" + std::to_string(i)] = "Disk" + std::to_string(v.extents[i].disk + 1) + "-" +
                                                      (n < 10 ? "0" : "") + std::to_string(n);
        }
    std::ostringstream out;
    for (const auto& v : volumes) {
        int64_t size = 0;
        for (const auto& e : v.extents)
            size += e.sectors;
        if (v.kind == Kind::Mirror)
            size = v.extents.front().sectors;
        if (v.kind == Kind::Raid5)
            size = v.extents.front().sectors * int64_t(v.extents.size() - 1);
        out << v.name << " " << kinds[int(v.kind)] << " " << size << " " << (v.letter ? std::string(1, v.letter) + ":" : "");
        for (size_t i = 0; i < v.extents.size(); ++i)
            out << " [" << names[v.name + "#" + std::to_string(i)] << " Disk" << v.extents[i].disk + 1 << " "
                << v.extents[i].offset << " " << v.extents[i].sectors << "]";
        out << "\n";
    }
    return out.str();
}

struct Case {
    const char* name;
    Layout layout;
    Ldm::PlanStatus plan; // on disk 0
    bool mirrored;
};

std::vector<Case> cases()
{
    using V = LdmImage::Volume;
    const int64_t m = 2048; // sectors per MiB
    std::vector<Case> c;
    c.push_back({"OneSimpleMbr", {Style::Mbr, {16 * m}, {V{"Volume1", Kind::Simple, 0x07, 'E', {{0, 0, 8 * m}}}}},
                 Ldm::kPlanOk, false});
    c.push_back({"FourSimpleMbrFragmented",
                 {Style::Mbr,
                  {24 * m},
                  {V{"Volume1", Kind::Simple, 0x0B, 'F', {{0, 0, 4 * m}}},
                   V{"Volume2 with a name long enough to need a second slot", Kind::Simple, 0x07, 0, {{0, 4 * m, 4 * m}}},
                   V{"Volume3", Kind::Simple, 0x07, 'G', {{0, 9 * m, 2 * m}}},
                   V{"Volume4", Kind::Simple, 0x0C, 0, {{0, 12 * m, 3 * m}}}},
                  false,
                  true},
                 Ldm::kPlanOk, false});
    c.push_back({"TwoSimpleGpt",
                 {Style::Gpt, {20 * m}, {V{"Volume1", Kind::Simple, 0x07, 0, {{0, 0, 6 * m}}}, V{"Volume2", Kind::Simple, 0x07, 'H', {{0, 6 * m, 4 * m}}}}},
                 Ldm::kPlanOk, false});
    c.push_back({"MirrorMbr", {Style::Mbr, {12 * m, 12 * m}, {V{"Volume1", Kind::Mirror, 0x07, 0, {{0, 2 * m, 4 * m}, {1, 0, 4 * m}}}}},
                 Ldm::kPlanOk, true});
    c.push_back({"SpannedMbr",
                 {Style::Mbr, {12 * m, 12 * m}, {V{"Volume1", Kind::Simple, 0x07, 0, {{0, 0, m}}}, V{"Volume2", Kind::Spanned, 0x07, 0, {{0, m, 2 * m}, {1, 0, 3 * m}}}}},
                 Ldm::kPlanUnsupported, false});
    c.push_back({"StripedGpt", {Style::Gpt, {12 * m, 12 * m}, {V{"Volume1", Kind::Striped, 0x07, 0, {{0, 0, 2 * m}, {1, 0, 2 * m}}}}},
                 Ldm::kPlanUnsupported, false});
    c.push_back({"Raid5Mbr", {Style::Mbr, {8 * m, 8 * m, 8 * m}, {V{"Volume1", Kind::Raid5, 0x07, 0, {{0, 0, m}, {1, 0, m}, {2, 0, m}}}}},
                 Ldm::kPlanUnsupported, false});
    return c;
}

class LdmMatrix : public ::testing::TestWithParam<Case> {};

TEST_P(LdmMatrix, ReadsWhatWasWrittenAndWhatLdmtoolReads)
{
    if (!HaveTool("ldmtool") || !HaveTool("sfdisk"))
        GTEST_SKIP() << "ldmtool or sfdisk missing";
    const Case& c = GetParam();
    TempDir dir;
    std::vector<std::string> images;
    for (size_t d = 0; d < c.layout.diskSectors.size(); ++d)
        images.push_back(dir.File("disk" + std::to_string(d) + ".img"));
    ASSERT_EQ(LdmImage::Write(c.layout, images), "");

    const std::string intended = intendedView(c.layout);
    EXPECT_EQ(ldmtoolView(images), intended) << "ldmtool does not read the generated disks as intended";
    for (size_t d = 0; d < images.size(); ++d) {
        KDisk device;
        ASSERT_TRUE(device.OpenPath(images[d], 0));
        Ldm::Database db;
        ASSERT_EQ(Ldm::ReadDatabase(device, device.GetTotalSectors(), db), Ldm::kOk) << "disk " << d;
        EXPECT_EQ(volmaraView(db), intended) << "disk " << d;
        EXPECT_EQ(int64_t(db.PublicStart), LdmImage::PublicStart(c.layout, int(d)));
        EXPECT_EQ(db.ThisDisk()->Name, "Disk" + std::to_string(d + 1));
    }

    KDisk device;
    ASSERT_TRUE(device.OpenPath(images[0], 0));
    Ldm::BasicPlan plan;
    ASSERT_EQ(Ldm::PlanBasicConversion(device, device.GetTotalSectors(), plan), c.plan);
    EXPECT_EQ(plan.HasMirroredVolumes, c.mirrored);
    if (c.plan != Ldm::kPlanOk)
        return;
    // One partition per volume with an extent on disk 0, where the database puts it.
    size_t expected = 0;
    for (const auto& v : c.layout.volumes)
        for (const auto& e : v.extents)
            if (e.disk == 0) {
                ++expected;
                const int64_t start = LdmImage::PublicStart(c.layout, 0) + e.offset;
                auto it = std::find_if(plan.Partitions.begin(), plan.Partitions.end(),
                                       [&](const PartitionInfo& p) { return p.StartingLba == start; });
                ASSERT_NE(it, plan.Partitions.end()) << v.name;
                EXPECT_EQ(it->SectorCount, e.sectors);
                EXPECT_EQ(it->PartitionTypeId, v.partitionType);
                EXPECT_EQ(it->DriveLetter, v.letter);
                EXPECT_EQ(it->Active, 0);
            }
    EXPECT_EQ(plan.Partitions.size(), expected);
}

INSTANTIATE_TEST_SUITE_P(Generated, LdmMatrix, ::testing::ValuesIn(cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Damage to one structure of a valid two-volume disk, each of which must make the database unusable.
struct Damage {
    const char* name;
    std::function<void(const Layout&, const std::string&)> apply;
};

void setBytes(const std::string& image, int64_t byteOffset, std::vector<uint8_t> bytes)
{
    ASSERT_TRUE(WriteBytes(image, byteOffset, bytes));
}

TEST(LdmDamage, EveryDamagedDatabaseIsRefusedWhole)
{
    if (!HaveTool("sfdisk"))
        GTEST_SKIP() << "sfdisk missing";
    using V = LdmImage::Volume;
    const Layout layout{Style::Mbr, {8 * 2048}, {V{"Volume1", Kind::Simple, 0x07, 'E', {{0, 0, 4096}}}, V{"Volume2", Kind::Simple, 0x0B, 0, {{0, 4096, 4096}}}}};
    const int64_t config = LdmImage::ConfigStart(layout, 0);
    const int64_t vmdb = (config + 17) * 512;
    auto slot = [&](int n) { return vmdb + n * 128; };
    const std::vector<Damage> damages = {
        {"private header checksums", [&](const Layout&, const std::string& i) {
             for (int64_t at : {int64_t(6), config + 1856, config + 2047})
                 setBytes(i, at * 512 + 0x100, {0x5A});
         }},
        {"private header points outside the disk", [&](const Layout&, const std::string& i) {
             for (int64_t at : {int64_t(6), config + 2047})
                 LdmImage::PatchAndResum(i, at, 0x12B, 0x7F);
         }},
        {"table of contents out of sequence", [&](const Layout&, const std::string& i) {
             for (int64_t at : {1, 2, 2045, 2046})
                 LdmImage::PatchAndResum(i, config + at, 0x13, 0x77);
         }},
        {"table of contents checksum", [&](const Layout&, const std::string& i) {
             for (int64_t at : {1, 2, 2045, 2046})
                 setBytes(i, (config + at) * 512 + 0x1F0, {1});
         }},
        {"database header magic", [&](const Layout&, const std::string& i) { setBytes(i, vmdb, {'X'}); }},
        {"volume count", [&](const Layout&, const std::string& i) { setBytes(i, vmdb + 0x85, {0, 0, 0, 3}); }},
        {"last record past the database", [&](const Layout&, const std::string& i) { setBytes(i, vmdb + 4, {0, 0, 0x30, 0}); }},
        {"record sequence number", [&](const Layout&, const std::string& i) { setBytes(i, slot(6) + 7, {0x99}); }},
        {"record runs past its end", [&](const Layout&, const std::string& i) { setBytes(i, slot(5) + 0x14, {0, 0, 1, 0}); }},
        {"fragment count without the fragments", [&](const Layout&, const std::string& i) { setBytes(i, slot(5) + 0x0E, {0, 3}); }},
        {"variable-width number wider than eight bytes", [&](const Layout&, const std::string& i) { setBytes(i, slot(4) + 0x18, {9}); }},
        {"partition names a missing disk", [&](const Layout&, const std::string& i) {
             // The last record is the second volume's partition; its disk id is the record's last number.
             const auto s = ReadBytes(i, slot(11), 128);
             const uint32_t len = (uint32_t(s[0x16]) << 8) | s[0x17];
             setBytes(i, slot(11) + 0x18 + len - 1, {0x55});
         }},
        {"partition beyond the public region", [&](const Layout&, const std::string& i) {
             const auto s = ReadBytes(i, slot(11), 128);
             // start: eight bytes after the id, the name and twelve zeros
             const size_t at = 0x18 + 1 + s[0x18] + 1 + s[0x18 + 1 + s[0x18]] + 12;
             setBytes(i, slot(11) + int64_t(at) + 4, {0x7F});
         }},
    };
    TempDir dir;
    const std::string pristine = dir.File("pristine.img"), image = dir.File("disk.img");
    ASSERT_EQ(LdmImage::Write(layout, {pristine}), "");
    {
        KDisk device;
        ASSERT_TRUE(device.OpenPath(pristine, 0));
        Ldm::BasicPlan plan;
        ASSERT_EQ(Ldm::PlanBasicConversion(device, device.GetTotalSectors(), plan), Ldm::kPlanOk);
        ASSERT_EQ(plan.Partitions.size(), 2u);
    }
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        std::filesystem::copy_file(pristine, image, std::filesystem::copy_options::overwrite_existing);
        d.apply(layout, image);
        KDisk device;
        ASSERT_TRUE(device.OpenPath(image, 0));
        Ldm::BasicPlan plan;
        EXPECT_EQ(Ldm::PlanBasicConversion(device, device.GetTotalSectors(), plan), Ldm::kPlanDamaged);
        EXPECT_TRUE(plan.Partitions.empty());
    }
}

} // namespace
