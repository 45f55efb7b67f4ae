// Converting generated dynamic disks to basic ones from the window: queued under the conversion lock,
// handed to the boot-time executor through the restart path, applied by `volmara-cli apply`, and judged
// by sfdisk, the file systems' checkers, the files and the untouched volume bytes. Disks the conversion
// cannot take end in their boxes with nothing queued.
#include <gtest/gtest.h>

#include <filesystem>

#include "HandlerSupport.h"
#include "support/LdmImage.h"
#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace HandlerSupport;
using namespace TestSupport;
using LdmImage::Kind;
using LdmImage::Layout;
using LdmImage::Style;

namespace {

constexpr int64_t kMiB = 2048;
constexpr int64_t kFatOffset = 0, kFatSectors = 36 * kMiB;
constexpr int64_t kNtfsOffset = 38 * kMiB, kNtfsSectors = 12 * kMiB;

Layout twoVolumes(Style style)
{
    using V = LdmImage::Volume;
    return Layout{style,
                  {64 * kMiB},
                  {V{"Volume1", Kind::Simple, 0x0B, 'E', {{0, kFatOffset, kFatSectors}}},
                   V{"Volume2", Kind::Simple, 0x07, 0, {{0, kNtfsOffset, kNtfsSectors}}}},
                  style == Style::Mbr};
}

std::map<std::string, uint64_t> ntfsFiles(const TempDir& dir, const std::string& image, int64_t start,
                                          int64_t sectors, const std::vector<std::string>& names)
{
    std::map<std::string, uint64_t> out;
    const std::string volume = VolumeCheck::Extract(dir, image, start, sectors, "ntfs-read");
    for (const auto& name : names) {
        const std::string copy = dir.File("read-" + name);
        const ToolResult r = RunTool({"sh", "-c", "ntfscat \"$0\" \"$1\" > \"$2\"", volume, name, copy});
        if (r.exitCode == 0)
            out[name] = HashRange(copy, 0, int64_t(std::filesystem::file_size(copy)));
    }
    std::filesystem::remove(volume);
    return out;
}

TEST(DynamicDisk, SimpleVolumesBecomePartitionsThroughTheRestartPath)
{
    if (!VolumeCheck::HaveCheckers() || !HaveTool("ldmtool") || !HaveTool("ntfscp") || !HaveTool("mkfs.fat"))
        GTEST_SKIP() << "disk tools missing";
    for (const Style style : {Style::Mbr, Style::Gpt}) {
        SCOPED_TRACE(style == Style::Mbr ? "MBR style" : "GPT style");
        TempDir files;
        const std::string tree = files.File("tree");
        ASSERT_TRUE(VolumeCheck::MakeFileTree(tree));
        std::vector<std::string> flat; // the NTFS volume gets the top-level files
        for (const auto& e : std::filesystem::directory_iterator(tree))
            if (e.is_regular_file())
                flat.push_back(e.path().filename().string());
        const Layout layout = twoVolumes(style);
        const int64_t base = LdmImage::PublicStart(layout, 0);
        const int64_t fatStart = base + kFatOffset, ntfsStart = base + kNtfsOffset;

        Window w({{64, "", [&](const std::string& image) {
                       ASSERT_EQ(LdmImage::Write(layout, {image}), "");
                       ASSERT_TRUE(VolumeCheck::MakeVolumeAt(files, image, fatStart, kFatSectors,
                                                             {"mkfs.fat", "-F", "32", "-s", "1", "-h",
                                                              std::to_string(fatStart)}));
                       ASSERT_TRUE(VolumeCheck::CopyTreeToFat(image, fatStart, tree));
                       const std::string vol = files.File("ntfs.vol");
                       ASSERT_TRUE(MakeSparseFile(vol, kNtfsSectors * 512));
                       ASSERT_EQ(RunTool({"mkntfs", "-F", "-Q", "-q", "-p", std::to_string(ntfsStart), vol}).exitCode, 0);
                       for (const auto& name : flat)
                           ASSERT_EQ(RunTool({"ntfscp", "-q", vol, tree + "/" + name, name}).exitCode, 0) << name;
                       ASSERT_TRUE(NtfsVolumes::Insert(vol, image, ntfsStart));
                   }}});
        MainFrame& f = *w.frame;
        const std::string image = w.images[0];
        ASSERT_TRUE(f.PendingLayout()->IsDynamicDisk(0));
        ASSERT_NE(RunTool({"ldmtool", "-d", image, "scan"}).output.find(LdmImage::GroupGuid()), std::string::npos);
        const auto fatBefore = VolumeCheck::FatFiles(files, image, fatStart, kFatSectors);
        const auto ntfsBefore = ntfsFiles(files, image, ntfsStart, kNtfsSectors, flat);
        ASSERT_EQ(ntfsBefore.size(), flat.size());
        const uint64_t fatHash = HashRange(image, fatStart * 512, kFatSectors * 512);
        const uint64_t ntfsHash = HashRange(image, ntfsStart * 512, kNtfsSectors * 512);
        const uint64_t wholeBefore = HashRange(image, 0, 64 * kMiB * 512);

        Select(f, 0, -1);
        {
            MessageBoxAnswer answer({"OK"});
            w.Action("actionConvert_Dynamic_Disk_To_Basic_Disk")->trigger();
            ASSERT_EQ(answer.Count(), 1u);
            EXPECT_EQ(answer.Last().title, "NOTE:");
        }
        const auto fmt = [](int64_t start, int64_t length, int type, int letter, int active) {
            return QStringLiteral("CreatePartition DiskIndex:0 StartingOffset:%1 PartitionLength:%2 PartTypeId:%3 "
                                  "FsType:0 ClusterSize:0 Label:\"\" Letter:%4 Active:%5 Primary:1 BootVolume:0 "
                                  "SystemVolume:0")
                .arg(start).arg(length).arg(0x80000000u | unsigned(type)).arg(letter).arg(active);
        };
        const int active = style == Style::Mbr ? 1 : 0;
        EXPECT_EQ(Lines(f).join('\n').toStdString(),
                  QStringList({"InitiateDisk DiskIndex:0 Style:3 ForceReboot:1",
                               fmt(fatStart, kFatSectors, 0x0B, 'E', active), fmt(ntfsStart, kNtfsSectors, 0x07, 0, 0)})
                      .join('\n')
                      .toStdString());
        for (int i = 0; i < f.Executive()->GetCommandCount(); ++i)
            EXPECT_EQ(f.Executive()->GetDirectWriteFlag(i), 1);
        // The lock: with the conversion queued, a partition of the converted layout offers nothing.
        SelectAt(f, 0, ntfsStart);
        EXPECT_FALSE(w.Action("action_Delete")->isEnabled());
        EXPECT_FALSE(w.Action("action_Format")->isEnabled());
        EXPECT_TRUE(w.Action("actionApply_All_Changes")->isEnabled());

        const std::string state = w.dir.File("state"), root = w.dir.File("root");
        ::setenv("VOLMARA_ROOT", root.c_str(), 1);
        ::setenv("VOLMARA_REBOOT_COMMAND", "true", 1);
        {
            MessageBoxAnswer answer({"Yes", "Restart Now"});
            w.Action("actionApply_All_Changes")->trigger();
            EXPECT_GE(answer.Count(), 2u);
        }
        ::unsetenv("VOLMARA_ROOT");
        ::unsetenv("VOLMARA_REBOOT_COMMAND");
        ASSERT_TRUE(std::filesystem::exists(state + "/qzcmdlist.txt"));
        EXPECT_EQ(HashRange(image, 0, 64 * kMiB * 512), wholeBefore) << "a line ran before the restart";

        const ToolResult apply = RunTool({VOLMARA_CLI, "apply", state + "/qzcmdlist.txt"});
        ASSERT_EQ(apply.exitCode, 0) << apply.output;

        const ToolResult verify = RunTool({"sfdisk", "-V", image});
        EXPECT_EQ(verify.exitCode, 0) << verify.output;
        const auto dump = TableFixtures::SfdiskDump(image);
        EXPECT_EQ(dump.header.at("label"), "dos") << dump.text;
        ASSERT_EQ(dump.entries.size(), 2u) << dump.text;
        EXPECT_EQ(dump.entries[0].start, fatStart);
        EXPECT_EQ(dump.entries[0].size, kFatSectors);
        EXPECT_EQ(dump.entries[0].type, "b");
        EXPECT_EQ(dump.entries[0].bootable, active == 1);
        EXPECT_EQ(dump.entries[1].start, ntfsStart);
        EXPECT_EQ(dump.entries[1].size, kNtfsSectors);
        EXPECT_EQ(dump.entries[1].type, "7");
        EXPECT_FALSE(dump.entries[1].bootable);
        EXPECT_EQ(RunTool({"ldmtool", "-d", image, "scan"}).output.find(LdmImage::GroupGuid()), std::string::npos)
            << "ldmtool still finds the disk group";

        EXPECT_EQ(HashRange(image, fatStart * 512, kFatSectors * 512), fatHash);
        EXPECT_EQ(HashRange(image, ntfsStart * 512, kNtfsSectors * 512), ntfsHash);
        VolumeCheck::ExpectChecked(files, image, fatStart, kFatSectors, "vfat");
        VolumeCheck::ExpectChecked(files, image, ntfsStart, kNtfsSectors, "ntfs");
        EXPECT_EQ(VolumeCheck::FatFiles(files, image, fatStart, kFatSectors), fatBefore);
        EXPECT_EQ(VolumeCheck::FatFiles(files, image, fatStart, kFatSectors), VolumeCheck::TreeHashes(tree));
        EXPECT_EQ(ntfsFiles(files, image, ntfsStart, kNtfsSectors, flat), ntfsBefore);
    }
}

// Disks the conversion cannot take: the box, and nothing queued or changed.
TEST(DynamicDisk, RefusedConversionsQueueNothing)
{
    if (!HaveTool("sfdisk"))
        GTEST_SKIP() << "sfdisk missing";
    using V = LdmImage::Volume;
    struct Refusal {
        const char* name;
        Layout layout;
        const char* title;
        const char* text;
    };
    const char* cannot = "Volmara cannot convert the specified dynamic disk to basic disk. Because Volmara cannot "
                         "convert any dynamic volume type except the simple or mirrored volume.";
    const std::vector<Refusal> refusals = {
        {"spanned", {Style::Mbr, {16 * kMiB, 16 * kMiB}, {V{"Volume1", Kind::Spanned, 0x07, 0, {{0, 0, kMiB}, {1, 0, kMiB}}}}},
         "Error", cannot},
        {"striped", {Style::Gpt, {16 * kMiB, 16 * kMiB}, {V{"Volume1", Kind::Striped, 0x07, 0, {{0, 0, kMiB}, {1, 0, kMiB}}}}},
         "Error", cannot},
        {"mirrored",
         {Style::Mbr, {16 * kMiB, 16 * kMiB}, {V{"Volume1", Kind::Simple, 0x07, 0, {{0, 0, kMiB}}}, V{"Volume2", Kind::Mirror, 0x07, 0, {{0, kMiB, kMiB}, {1, 0, kMiB}}}}},
         "Information",
         "Volmara could convert the specified dynamic disk to basic disk. However, you need to break the mirrored "
         "volumes by using <B>Windows Disk Management</B> first."},
        {"damaged", {Style::Mbr, {16 * kMiB}, {V{"Volume1", Kind::Simple, 0x07, 0, {{0, 0, kMiB}}}}}, "Error", cannot},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        std::vector<MainFrameSupport::DiskSpec> disks;
        for (size_t d = 0; d < r.layout.diskSectors.size(); ++d)
            disks.push_back({16, "", nullptr});
        // The last disk's preparation writes them all: the window has made every image file by then.
        disks.back().prepare = [&](const std::string& last) {
            const std::string folder = last.substr(0, last.rfind('/'));
            std::vector<std::string> images;
            for (size_t d = 0; d < r.layout.diskSectors.size(); ++d)
                images.push_back(folder + "/disk" + std::to_string(d) + ".img");
            ASSERT_EQ(LdmImage::Write(r.layout, images), "");
            if (std::string(r.name) == "damaged") // every private header's checksum wrong
                for (int64_t at : {int64_t(6), LdmImage::ConfigStart(r.layout, 0) + 1856,
                                   LdmImage::ConfigStart(r.layout, 0) + 2047})
                    WriteBytes(images[0], at * 512 + 0x1F0, {0x42});
        };
        Window w(disks);
        MainFrame& f = *w.frame;
        ASSERT_TRUE(f.PendingLayout()->IsDynamicDisk(0));
        const uint64_t before = HashRange(w.images[0], 0, 16 * kMiB * 512);
        Select(f, 0, -1);
        MessageBoxAnswer answer({"OK"});
        w.Action("actionConvert_Dynamic_Disk_To_Basic_Disk")->trigger();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, r.title);
        EXPECT_EQ(answer.Last().text, r.text);
        EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
        EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
        EXPECT_TRUE(f.PendingLayout()->IsDynamicDisk(0));
        EXPECT_EQ(HashRange(w.images[0], 0, 16 * kMiB * 512), before);

        // Lines queued anyway (an old commands file, a hand-written one) change nothing either: the
        // disk-level line reads the database again and refuses, and the run stops there.
        const ToolResult run = RunTool({VOLMARA_CLI, "run", "InitiateDisk DiskIndex:0 Style:3 ForceReboot:0",
                                        "CreatePartition DiskIndex:0 StartingOffset:63 PartitionLength:2048 "
                                        "PartTypeId:2147483655 FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:0 "
                                        "Primary:1 BootVolume:0 SystemVolume:0"});
        EXPECT_EQ(run.exitCode, 1) << run.output;
        EXPECT_NE(run.output.find("database is damaged"), std::string::npos) << run.output;
        EXPECT_EQ(HashRange(w.images[0], 0, 16 * kMiB * 512), before);
    }
}

} // namespace
