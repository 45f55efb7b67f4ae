// Copy Disk from the window, end to end: an MBR disk holding an active FAT32, an NTFS primary and, in the
// extended partition, FAT16, Ext3 and swap (all with files) copied by each method to an empty larger
// disk, a smaller disk and a disk holding partitions. The target's table is what the review page showed,
// every volume passes its checker with the same files, the source stays byte for byte, and the copy
// boots as the source does.
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <thread>

#include "DialogProbe.h"
#include "commands/boot/MbrBootProgram.h"
#include "commands/boot/MbrWriter.h"
#include "core/ByteOrder.h"
#include "engine/KDisk.h"
#include "HandlerSupport.h"
#include "MessageBoxAnswer.h"
#include "MainFrameSupport.h"
#include "gui/wizards/KCopyDiskWizard.h"
#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;
using DialogProbe::Child;
namespace fsys = std::filesystem;

namespace {

constexpr int64_t kFat32 = 2048, kFat32Size = 819200, kNtfs = 821248, kNtfsSize = 614400;
constexpr int64_t kFat16 = 1437696, kFat16Size = 204800, kExt = 1644544, kExtSize = 122880, kSwap = 1769472,
                  kSwapSize = 61440;
const char* const kSourceScript = "label: dos\nunit: sectors\n"
                                  "start=2048, size=819200, type=c, bootable\n"
                                  "start=821248, size=614400, type=7\n"
                                  "start=1435648, size=661504, type=5\n"
                                  "start=1437696, size=204800, type=6\n"
                                  "start=1644544, size=122880, type=83\n"
                                  "start=1769472, size=61440, type=82\n";

// The source disk, made once: its image, the files of its volumes, and the NTFS snapshot.
struct Source {
    TestSupport::TempDir dir;
    std::string image = dir.File("source.img"), tree = dir.File("tree");
    std::map<std::string, uint64_t> files;
    NtfsVolumes::Snapshot ntfs;
    std::string error;

    Source() { error = build(); }

    std::string build()
    {
        const auto fail = [](const std::string& what) { return what; };
        if (!VolumeCheck::MakeFileTree(tree))
            return fail("tree");
        files = VolumeCheck::TreeHashes(tree);
        if (!TestSupport::MakeSparseFile(image, int64_t(1) << 30) || TestSupport::Sfdisk(image, kSourceScript).exitCode)
            return fail("table");
        const auto volume = [&](const std::vector<std::string>& make, int64_t start, int64_t sectors) {
            const std::string vol = dir.File("part.vol");
            fsys::remove(vol);
            std::vector<std::string> argv = make;
            argv.push_back(vol);
            if (sectors && !TestSupport::MakeSparseFile(vol, sectors * 512))
                return false;
            const TestSupport::ToolResult r = TestSupport::RunTool(argv);
            return r.exitCode == 0 && NtfsVolumes::Insert(vol, image, start);
        };
        if (!volume({"mkfs.fat", "-F", "32", "-h", std::to_string(kFat32)}, kFat32, kFat32Size) ||
            !volume({"mkfs.fat", "-F", "16", "-h", std::to_string(kFat16)}, kFat16, kFat16Size) ||
            !volume({"mke2fs", "-q", "-F", "-t", "ext3", "-b", "1024", "-d", tree}, kExt, kExtSize) ||
            !volume({"mkswap"}, kSwap, kSwapSize))
            return fail("volumes");
        if (!VolumeCheck::CopyTreeToFat(image, kFat32, tree) || !VolumeCheck::CopyTreeToFat(image, kFat16, tree))
            return fail("fat files");
        NtfsVolumes::FillOptions fill;
        fill.treeFiles = 60;
        fill.hardLinks = 4;
        fill.streams = true;
        if (!NtfsVolumes::Make(dir, image, kNtfs, kNtfsSize, NtfsVolumes::Maker::Mkntfs, 4096).empty() ||
            !NtfsVolumes::Fill(dir, image, kNtfs, kNtfsSize, fill).empty())
            return fail("ntfs");
        ntfs = NtfsVolumes::Take(dir, image, kNtfs, kNtfsSize);
        // The conventional boot program, so that the disk starts its active partition.
        KDisk disk;
        if (!disk.OpenPath(image, 0) || WriteMbrBootProgram(&disk, kClassicBootProgram, kClassicBootProgram_size, true))
            return fail("boot program");
        return "";
    }
};

const Source& source()
{
    static Source s;
    return s;
}

bool haveTools()
{
    return VolumeCheck::HaveCheckers() && NtfsVolumes::HaveTools() && TestSupport::HaveTool("mkfs.fat") &&
           TestSupport::HaveTool("mkswap");
}

// Runs the wizard from the window: source disk 0, target disk 1, the method's button; what the review
// page laid out.
std::vector<PartitionInfo> runWizard(MainFrame& f, int method, bool targetHoldsPartitions)
{
    std::vector<PartitionInfo> shown;
    std::vector<MessageBoxAnswer::Box> warnings;
    DialogAnswer<KCopyDiskWizard> answer([&](KCopyDiskWizard& wizard) {
        const auto next = [&] { wizard.button(QWizard::NextButton)->click(); };
        next();
        Child<QTreeWidget>(*wizard.currentPage(), "diskList")->setCurrentItem(
            Child<QTreeWidget>(*wizard.currentPage(), "diskList")->topLevelItem(0));
        next();
        auto* targets = Child<QTreeWidget>(*wizard.currentPage(), "diskList");
        targets->setCurrentItem(targets->topLevelItem(1));
        {
            MessageBoxAnswer boxes({"Yes"});
            next();
            warnings = boxes.Boxes();
        }
        ASSERT_EQ(wizard.currentId(), KCopyDiskWizard::ReviewPage);
        const char* buttons[] = {"radioButton", "radioButton_2", "radioButton_3"};
        auto* radio = Child<QRadioButton>(*wizard.currentPage(), buttons[method]);
        ASSERT_TRUE(radio->isEnabled()) << buttons[method];
        radio->click();
        next();
        wizard.button(QWizard::FinishButton)->click();
        shown = wizard.Partitions();
    });
    f.on_actionCopy_Disk_Wizard_triggered();
    EXPECT_EQ(answer.Seen(), 1);
    EXPECT_EQ(warnings.size(), targetHoldsPartitions ? 1u : 0u);
    return shown;
}

TEST(CopyDisk, EveryMethodCopiesEveryVolume)
{
    if (!haveTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    ASSERT_EQ(source().error, "");
    const struct Case {
        const char* what;
        int64_t mebibytes;
        std::string script;
        int method;
    } cases[] = {
        {"fit to a larger disk", 1536, "label: dos\n", 0},
        {"without resize to a larger disk", 1536, "label: dos\n", 1},
        {"minimum sizes on a larger disk", 1536, "label: dos\n", 2},
        {"fit to a smaller disk", 800, "label: dos\n", 0},
        {"minimum sizes on a smaller disk", 800, "label: dos\n", 2},
        {"without resize over a disk's partitions", 1024,
         "label: dos\nunit: sectors\nstart=2048, size=409600, type=83\nstart=411648, size=409600, type=7\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w({{1024, "", [](const std::string& image) { fsys::copy_file(source().image, image, fsys::copy_options::overwrite_existing); }},
                  {c.mebibytes, c.script, nullptr}});
        MainFrame& f = *w.frame;
        const uint64_t sourceHash = TestSupport::HashRange(w.images[0], 0, int64_t(1) << 30);
        const std::vector<PartitionInfo> shown = runWizard(f, c.method, c.script.size() > 12);
        ASSERT_EQ(shown.size(), 5u);
        const QStringList lines = Lines(f);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_TRUE(lines.last().startsWith("UpdateDiskBootConfig DiskIndex:0 DestDiskIndex:1")) << lines.last().toStdString();
        EXPECT_EQ(lines.filter("CopyPartition ").size(), 5);
        EXPECT_EQ(lines.filter("DeletePartition ").size(), c.script.size() > 12 ? 2 : 0);
        {
            MessageBoxAnswer boxes({"Yes"});
            f.on_actionApply_All_Changes_triggered();
        }
        // The table is what the review showed.
        const auto dump = TableFixtures::SfdiskDump(w.images[1]);
        std::vector<std::pair<int64_t, int64_t>> table, review;
        for (const auto& e : dump.entries)
            if (e.type != "5" && e.type != "f" && e.type != "85")
                table.emplace_back(e.start, e.size);
        for (const PartitionInfo& p : shown)
            review.emplace_back(p.StartingLba, p.SectorCount);
        ASSERT_EQ(table, review) << dump.text;
        EXPECT_TRUE(dump.entries[0].bootable) << dump.text;
        // Every volume with its files.
        const std::string& t = w.images[1];
        VolumeCheck::ExpectChecked(w.dir, t, shown[0].StartingLba, shown[0].SectorCount, "vfat");
        EXPECT_EQ(VolumeCheck::FatFiles(w.dir, t, shown[0].StartingLba, shown[0].SectorCount), source().files);
        const std::vector<uint8_t> boot = TestSupport::ReadBytes(t, shown[0].StartingLba * 512, 512);
        ASSERT_EQ(boot.size(), 512u);
        EXPECT_EQ(le32(boot.data() + 0x1C), uint32_t(shown[0].StartingLba)) << "hidden sectors of the active copy";
        NtfsVolumes::ExpectHealthy(w.dir, t, shown[1].StartingLba, shown[1].SectorCount, "ntfs copy");
        EXPECT_EQ(NtfsVolumes::Take(w.dir, t, shown[1].StartingLba, shown[1].SectorCount).entries, source().ntfs.entries);
        VolumeCheck::ExpectChecked(w.dir, t, shown[2].StartingLba, shown[2].SectorCount, "vfat");
        EXPECT_EQ(VolumeCheck::FatFiles(w.dir, t, shown[2].StartingLba, shown[2].SectorCount), source().files);
        VolumeCheck::ExpectChecked(w.dir, t, shown[3].StartingLba, shown[3].SectorCount, "ext3");
        EXPECT_EQ(VolumeCheck::ExtFiles(w.dir, t, shown[3].StartingLba, shown[3].SectorCount), source().files);
        EXPECT_NE(VolumeCheck::BlkidAt(t, shown[4].StartingLba, shown[4].SectorCount).find("TYPE=swap"), std::string::npos);
        EXPECT_EQ(TestSupport::HashRange(w.images[0], 0, int64_t(1) << 30), sourceHash) << "the source changed";
    }
}

} // namespace
