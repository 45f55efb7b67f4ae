// Copy Disk from the window, end to end: an MBR disk holding an active FAT32, an NTFS primary and, in the
// extended partition, FAT16, Ext3 and swap (all with files) copied by each method to an empty larger
// disk, a smaller disk and a disk holding partitions. The target's table is what the review page showed,
// every volume passes its checker with the same files, the source stays byte for byte, and the copy
// boots as the source does.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "DialogProbe.h"
#include "commands/boot/MbrBootProgram.h"
#include "commands/boot/MbrWriter.h"
#include "core/ByteOrder.h"
#include "core/FileSystemTypes.h"
#include "engine/KDisk.h"
#include "model/IVirtualVolumeManager.h"
#include "support/StubDisk.h"
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
        const auto volume = [&](std::vector<std::string> make, int64_t start, int64_t sectors) {
            return VolumeCheck::MakeVolumeAt(dir, image, start, sectors, std::move(make));
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

// What a PC prints when it starts from the image: the firmware's text console goes to the serial port,
// which is read for a few seconds. Empty without qemu.
std::string bootText(const TestSupport::TempDir& dir, const std::string& image)
{
    if (!TestSupport::HaveTool("qemu-system-i386"))
        return {};
    const std::string port = dir.File("sercon.bin");
    std::ofstream(port, std::ios::binary) << std::string("\xf8\x03", 2);
    const TestSupport::ToolResult r = TestSupport::RunTool(
        {"timeout", "5", "qemu-system-i386", "-nographic", "-nodefaults", "-serial", "stdio", "-m", "32", "-fw_cfg",
         "name=etc/sercon-port,file=" + port, "-drive", "file=" + image + ",format=raw,if=ide,snapshot=on"});
    const size_t from = r.output.find("Booting from Hard Disk");
    return from == std::string::npos ? r.output : r.output.substr(from, 120);
}

bool haveTools()
{
    return VolumeCheck::HaveDiskTools() && TestSupport::HaveTool("mkswap");
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
        {"fit to an empty GPT disk", 1536, "label: gpt\n", 0},
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
        if (c.script.find("gpt") == std::string::npos) {
            EXPECT_TRUE(dump.entries[0].bootable) << dump.text;
        }
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
        if (c.method == 0 && c.mebibytes > 1024 && c.script.find("gpt") == std::string::npos) {
            // The copy starts as the source does: the boot program loads the active partition's boot sector.
            const std::string booted = bootText(w.dir, w.images[0]);
            EXPECT_EQ(bootText(w.dir, w.images[1]), booted);
            if (!booted.empty()) {
                EXPECT_NE(booted.find("This is not a bootable disk"), std::string::npos) << booted;
            }
        }
    }
}

} // namespace

namespace {

class SizedDisk : public TestSupport::StubDisk {
public:
    int64_t sectors = 0;
    int64_t GetTotalSectors() override { return sectors; }
    int GetGeometry(DiskGeometry* g) override
    {
        *g = DiskGeometry{};
        g->BytesPerSector = 512;
        g->SectorsPerTrack = 63;
        g->TracksPerCylinder = 255;
        return 1;
    }
};

// Three disks whose entries, sizes and kinds the test writes directly.
class DiskLayouts : public IVirtualVolumeManager {
public:
    PartitionList entries[3];
    SizedDisk disks[3];
    int gpt[3] = {}, dynamic[3] = {};

    int Load(IVolumeManager*) override { return 1; }
    int Clear() override { return 1; }
    int Reload() override { return 1; }
    int GetUndoCount() override { return 0; }
    int Undo(int) override { return 0; }
    int GetDiskCount() override { return 3; }
    int GetPartitionCount(int d) override { return d >= 0 && d < 3 ? int(entries[d].size()) : 0; }
    int GetPartition(int d, int i, PartitionInfo* out) override
    {
        if (d < 0 || d >= 3 || i < 0 || i >= int(entries[d].size()))
            return 0;
        *out = entries[d][size_t(i)];
        return 1;
    }
    int DeletePartition(int, int) override { return 0; }
    int UpdatePartition(int, int, const PartitionInfo*) override { return 0; }
    int InsertPartition(int, const PartitionInfo*) override { return 0; }
    IDisk* GetDisk(int d) override { return d >= 0 && d < 3 ? &disks[d] : nullptr; }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    IVolumeManager* GetSource() override { return nullptr; }
    int IsGptDisk(int d) override { return d >= 0 && d < 3 ? gpt[d] : 0; }
    void SetGptDisk(int, int) override {}
    int ToPartitionIndex(int, int) override { return -1; }
    int IsDynamicDisk(int d) override { return d >= 0 && d < 3 ? dynamic[d] : 0; }
    void SetDynamicDisk(int, int) override {}
    int PushUndo(int, int, int) override { return 0; }
};

PartitionInfo entryOf(int fs, int64_t start, int64_t sectors, int64_t used, uint8_t letter = 0)
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    e.StartingLba = start;
    e.SectorCount = e.TotalSectors = sectors;
    e.FreeSectors = sectors - used;
    e.PartitionTypeId = fs ? 0x07 : 0;
    e.FileSystemType = int16_t(fs);
    e.IsPrimary = 1;
    e.DriveLetter = letter;
    if (!fs)
        e.EntryFlags = kEntryUnallocated;
    return e;
}

class CopyDiskWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Disk 1: an NTFS volume of 4 GB (1 GB used) and free space; disk 2 empty; disk 3 one volume.
        layout.disks[0].sectors = 16 << 20;
        layout.entries[0] = {entryOf(kFsNtfs, 63, 8 << 20, 2 << 20, 'E'), entryOf(kFsNone, (8 << 20) + 63, (8 << 20) - 63, 0)};
        layout.disks[1].sectors = 16 << 20;
        layout.entries[1] = {entryOf(kFsNone, 0, 16 << 20, 0)};
        layout.disks[2].sectors = 32 << 20;
        layout.entries[2] = {entryOf(kFsFat32, 63, 1 << 20, 1 << 10)};
    }
    void Open(int preselected)
    {
        wizard = std::make_unique<KCopyDiskWizard>(preselected, &layout);
        wizard->show();
    }
    QTreeWidget* List() { return Child<QTreeWidget>(*wizard->currentPage(), "diskList"); }
    QString Message() { return Child<QLabel>(*wizard->currentPage(), "messageLabel")->text(); }
    bool NextEnabled() { return wizard->button(QWizard::NextButton)->isEnabled(); }
    void Choose(int disk) { List()->setCurrentItem(List()->topLevelItem(disk)); }

    DiskLayouts layout;
    std::unique_ptr<KCopyDiskWizard> wizard;
};

TEST_F(CopyDiskWizard, TheDiskPagesSayWhyADiskCannotBeTaken)
{
    Open(0); // a preselected source opens the target page
    ASSERT_EQ(wizard->currentId(), KCopyDiskWizard::TargetPage);
    const struct {
        const char* what;
        std::function<void(DiskLayouts&)> change;
        int disk;
        const char* message;
    } cases[] = {
        {"the source itself", nullptr, 0, "This disk is source disk."},
        {"an empty disk", nullptr, 1, ""},
        {"a dynamic disk", [](DiskLayouts& l) { l.dynamic[2] = 1; }, 2, "This disk is Dynamic Disk."},
        {"a disk smaller than the copy's minimum", [](DiskLayouts& l) { l.disks[1].sectors = 2 << 20; }, 1,
         "This disk is too small."},
        // An MBR disk counts no more than 2^32 - 256 sectors; a GPT disk counts them all.
        {"an MBR disk past 2 TB", [](DiskLayouts& l) {
             l.entries[0][0].SectorCount = l.entries[0][0].TotalSectors = 4300000000;
             l.entries[0][0].FreeSectors = 0;
             l.disks[0].sectors = l.disks[1].sectors = 4400000000;
         }, 1, "This disk is too small."},
        {"a GPT disk past 2 TB", [](DiskLayouts& l) {
             l.entries[0][0].SectorCount = l.entries[0][0].TotalSectors = 4300000000;
             l.entries[0][0].FreeSectors = 0;
             l.disks[0].sectors = l.disks[1].sectors = 4400000000;
             l.gpt[1] = 1;
         }, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (c.change)
            c.change(layout);
        Choose(c.disk == 0 ? 1 : 0);
        Choose(c.disk);
        EXPECT_EQ(Message().toStdString(), c.message);
        EXPECT_EQ(NextEnabled(), *c.message == 0);
    }
    // The source page refuses an empty disk.
    SetUp();
    Open(-1);
    wizard->next();
    Choose(1);
    EXPECT_EQ(Message(), QStringLiteral("This disk is empty."));
    EXPECT_FALSE(NextEnabled());
}

TEST_F(CopyDiskWizard, OnlyAnOccupiedTargetIsWarnedAboutAndTheListComesBackClean)
{
    for (int target : {1, 2}) {
        SCOPED_TRACE(target);
        Open(0);
        Choose(target);
        MessageBoxAnswer no({"No"});
        wizard->next();
        EXPECT_EQ(no.Count(), target == 2 ? 1u : 0u);
        if (target == 2) {
            EXPECT_EQ(no.Last().title, QStringLiteral("Warning"));
            EXPECT_EQ(no.Last().text, QStringLiteral("All the data on the disk will be destroyed.\n\nAre you sure that you want to continue?"));
            EXPECT_EQ(wizard->currentId(), KCopyDiskWizard::TargetPage);
            continue;
        }
        ASSERT_EQ(wizard->currentId(), KCopyDiskWizard::ReviewPage);
        wizard->next();
        wizard->button(QWizard::FinishButton)->click();
        ASSERT_EQ(wizard->Partitions().size(), 1u);
        EXPECT_EQ(wizard->Partitions()[0].DriveLetter, 0);
        EXPECT_EQ(wizard->Partitions()[0].FileSystemType, kFsNtfs);
        EXPECT_EQ(wizard->SourceDiskIndex(), 0);
        EXPECT_EQ(wizard->TargetDiskIndex(), 1);
    }
}

// "Copy partitions without resize" needs room for the used space (the disk less its free areas: here 8 M
// sectors and the first track) and a track per entry and one more, unless the two disks have the same size.
TEST_F(CopyDiskWizard, CopyingWithoutResizeNeedsRoomOrAnEqualDisk)
{
    const struct {
        int64_t targetSectors;
        bool enabled;
    } cases[] = {{16 << 20, true}, {(8 << 20) + 4 * 63, true}, {(8 << 20) + 4 * 63 - 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.targetSectors);
        SetUp();
        layout.disks[1].sectors = c.targetSectors;
        layout.entries[1] = {entryOf(kFsNone, 0, c.targetSectors, 0)};
        Open(0);
        Choose(1);
        wizard->next();
        ASSERT_EQ(wizard->currentId(), KCopyDiskWizard::ReviewPage);
        EXPECT_EQ(Child<QRadioButton>(*wizard->currentPage(), "radioButton_2")->isEnabled(), c.enabled);
        EXPECT_TRUE(Child<QRadioButton>(*wizard->currentPage(), "radioButton")->isChecked());
    }
}

} // namespace
