// Partition recovery from the window, end to end: a disk whose FAT12, FAT16, NTFS (primary) and FAT32,
// Ext2, Ext3 (logical) volumes lost their table, or were deleted and partly overlaid by a new
// partition; and a disk whose volumes our own formatter made and which never had a table. The scans find every volume at its place with its label; ticked and applied, the table is
// clean and every volume passes its checker with its files.
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <span>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "MainFrameSupport.h"
#include "MessageBoxAnswer.h"
#include "core/FileSystemTypes.h"
#include "engine/KDisk.h"
#include "fs/FileSystemRegistry.h"
#include "gui/common/LabelText.h"
#include "gui/tools/KDriveExplorerDlg.h"
#include "gui/wizards/KChooseSearchedLostPartitionPage.h"
#include "gui/wizards/KPartitionRecoveryWizard.h"
#include "support/NtfsVolumes.h"
#include "support/RecordingProgress.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;
using DialogProbe::Child;
namespace fsys = std::filesystem;

namespace {

struct Volume {
    int64_t start, sectors;
    const char* type; // blkid's name
    const char* label;
    int64_t found = 0; // sectors a scan can know of, when the volume ends before its partition
    int64_t size() const { return found ? found : sectors; }
};
const Volume kVolumes[] = {
    {2048, 16384, "vfat", "SMALL12"},   {18432, 65536, "vfat", "MIDDLE16"}, {83968, 131072, "ntfs", "MKNTFS"},
    {217088, 133120, "vfat", "LARGE32"}, {352256, 40960, "ext2", "plain2"},  {395264, 40960, "ext3", "journal3"},
};
// The same places, formatted by us (the NTFS formatter's label is fixed in the test support). Our NTFS
// volume ends at a whole cluster, its backup boot sector right after it: 131064 + 1 of 131072 sectors.
const Volume kOwnVolumes[] = {
    {2048, 16384, "vfat", "OWN12"},    {18432, 65536, "vfat", "OWN16"}, {83968, 131072, "ntfs", "VOLMARA", 131065},
    {217088, 133120, "vfat", "OWN32"}, {352256, 40960, "ext2", "own2"}, {395264, 40960, "ext3", "own3"},
};
const char* const kScript = "label: dos\nunit: sectors\n"
                            "start=2048, size=16384, type=1\n"
                            "start=18432, size=65536, type=6\n"
                            "start=83968, size=131072, type=7\n"
                            "start=215040, size=221184, type=5\n"
                            "start=217088, size=133120, type=b\n"
                            "start=352256, size=40960, type=83\n"
                            "start=395264, size=40960, type=83\n";
constexpr int64_t kDiskMiB = 512;

// The disk with its volumes and files, made once: by the field's tools under a table, or by our own
// formatter without any table.
struct Source {
    bool own;
    std::span<const Volume> volumes = own ? std::span<const Volume>(kOwnVolumes) : std::span<const Volume>(kVolumes);
    TestSupport::TempDir dir;
    std::string image = dir.File("source.img"), tree = dir.File("tree");
    std::map<std::string, uint64_t> files;
    NtfsVolumes::Snapshot ntfs;
    std::string error = build();

    std::string build()
    {
        if (!VolumeCheck::MakeFileTree(tree))
            return "tree";
        files = VolumeCheck::TreeHashes(tree);
        if (own)
            return buildOwn();
        if (!TestSupport::MakeSparseFile(image, kDiskMiB << 20) || TestSupport::Sfdisk(image, kScript).exitCode)
            return "table";
        const auto volume = [&](std::vector<std::string> argv, const Volume& v) {
            return VolumeCheck::MakeVolumeAt(dir, image, v.start, v.sectors, std::move(argv));
        };
        const auto fat = [&](const char* bits, const Volume& v) {
            return volume({"mkfs.fat", "-F", bits, "-s", std::string(bits) == "12" ? "8" : "1", "-n", v.label, "-h", std::to_string(v.start)}, v) &&
                   VolumeCheck::CopyTreeToFat(image, v.start, tree);
        };
        const auto ext = [&](const char* kind, const Volume& v) {
            return volume({"mke2fs", "-q", "-F", "-t", kind, "-b", "1024", "-L", v.label, "-d", tree}, v);
        };
        if (!fat("12", kVolumes[0]) || !fat("16", kVolumes[1]) || !fat("32", kVolumes[3]) || !ext("ext2", kVolumes[4]) ||
            !ext("ext3", kVolumes[5]))
            return "volumes";
        const Volume& n = kVolumes[2];
        NtfsVolumes::FillOptions fill;
        fill.treeFiles = 30;
        if (!NtfsVolumes::Make(dir, image, n.start, n.sectors, NtfsVolumes::Maker::Mkntfs, 4096).empty() ||
            !NtfsVolumes::Fill(dir, image, n.start, n.sectors, fill).empty())
            return "ntfs";
        ntfs = NtfsVolumes::Take(dir, image, n.start, n.sectors);
        return "";
    }

    std::string buildOwn()
    {
        if (!TestSupport::MakeSparseFile(image, kDiskMiB << 20))
            return "image";
        const int codes[] = {kFsFat12, kFsFat16, kFsNtfs, kFsFat32, kFsExt2, kFsExt3};
        for (size_t i = 0; i < volumes.size(); ++i) {
            const Volume& v = volumes[i];
            if (codes[i] == kFsNtfs) {
                NtfsVolumes::FillOptions fill;
                fill.treeFiles = 30;
                if (!NtfsVolumes::Make(dir, image, v.start, v.sectors, NtfsVolumes::Maker::Volmara, 4096).empty() ||
                    !NtfsVolumes::Fill(dir, image, v.start, v.sectors, fill).empty())
                    return "ntfs";
                ntfs = NtfsVolumes::Take(dir, image, v.start, v.sectors);
                continue;
            }
            {
                KDisk disk;
                TestSupport::RecordingProgress progress;
                const IFileSystem* family = FileSystemFor(codes[i]);
                const int cluster = codes[i] == kFsFat12 ? 8 : family->DefaultClusterSize(codes[i], v.sectors);
                NewVolume nv{codes[i], cluster, v.label, v.start, v.sectors, v.start};
                if (!disk.OpenPath(image, 0) || family->Format(&disk, nv, &progress) != 0 || !disk.Flush())
                    return std::string("format ") + v.label;
            }
            const bool filled = codes[i] == kFsExt2 || codes[i] == kFsExt3 ? VolumeCheck::CopyTreeToExt(dir, image, v.start, tree)
                                                                          : VolumeCheck::CopyTreeToFat(image, v.start, tree);
            if (!filled)
                return std::string("fill ") + v.label;
        }
        return "";
    }
};

const Source& source()
{
    static Source s{false};
    return s;
}

const Source& ownSource()
{
    static Source s{true};
    return s;
}


// The source's volumes without any table: sector 0 and every extended boot record cleared.
void zeroTables(const std::string& image)
{
    fsys::copy_file(source().image, image, fsys::copy_options::overwrite_existing);
    const std::vector<uint8_t> zero(512, 0);
    for (int64_t lba : {int64_t(0), int64_t(215040), int64_t(350208), int64_t(393216)})
        ASSERT_TRUE(TestSupport::WriteBytes(image, lba * 512, zero));
}

// The volumes deleted, and a new Ext2 partition made over the middle of the old FAT16.
constexpr int64_t kNewStart = 40960, kNewSize = 20480;
void overlaid(const std::string& image)
{
    zeroTables(image);
    ASSERT_EQ(TestSupport::Sfdisk(image, "label: dos\nunit: sectors\nstart=40960, size=20480, type=83\n").exitCode, 0);
    const std::string vol = image + ".new";
    ASSERT_TRUE(TestSupport::MakeSparseFile(vol, kNewSize * 512));
    ASSERT_EQ(TestSupport::RunTool({"mke2fs", "-q", "-F", "-t", "ext2", "-L", "newcomer", vol}).exitCode, 0);
    ASSERT_TRUE(NtfsVolumes::Insert(vol, image, kNewStart));
}

struct Scan {
    int range = 0; // 0 full disk, 1 unallocated space, 2 specified range
    int method = 0;
    int64_t first = 0, last = 0;
    bool cancelAtFirstFind = false;
};

// Goes through the pages to the end of the scan; `choose` then works on the last page before Finish.
using Chooser = std::function<void(KPartitionRecoveryWizard&, KChooseSearchedLostPartitionPage&)>;
int runWizard(MainFrame& f, const Scan& scan, const Chooser& choose)
{
    DialogAnswer<KPartitionRecoveryWizard> answer([&](KPartitionRecoveryWizard& wizard) {
        const auto next = [&] { wizard.button(QWizard::NextButton)->click(); };
        next();
        next();
        const char* ranges[] = {"radioButton_1", "radioButton_2", "radioButton_3"};
        auto* range = Child<QRadioButton>(*wizard.currentPage(), ranges[scan.range]);
        ASSERT_TRUE(range->isEnabled());
        range->click();
        if (scan.range == 2) {
            Child<QLineEdit>(*wizard.currentPage(), "lineEdit")->setText(QString::number(scan.first));
            Child<QLineEdit>(*wizard.currentPage(), "lineEdit_2")->setText(QString::number(scan.last));
        }
        next();
        Child<QRadioButton>(*wizard.currentPage(), scan.method ? "radioButton_2" : "radioButton")->click();
        next();
        auto* page = qobject_cast<KChooseSearchedLostPartitionPage*>(wizard.currentPage());
        ASSERT_NE(page, nullptr);
        if (scan.cancelAtFirstFind) {
            auto* cancel = Child<QPushButton>(*page, "pushButton");
            QObject::connect(Child<QTreeWidget>(*page, "treeWidget")->model(), &QAbstractItemModel::rowsInserted, cancel,
                             &QPushButton::click);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return page->SectorsToScan() > 0 && !page->IsScanning(); }, 120000));
        EXPECT_FALSE(wizard.button(QWizard::BackButton)->isEnabled() && page->IsScanning());
        choose(wizard, *page);
    });
    f.on_actionPartition_Recovery_triggered();
    return answer.Seen();
}

void tick(KChooseSearchedLostPartitionPage& page, int row, bool on = true)
{
    Child<QTreeWidget>(page, "treeWidget")->topLevelItem(row)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
}

QString cell(KChooseSearchedLostPartitionPage& page, int row, int column)
{
    return Child<QTreeWidget>(page, "treeWidget")->topLevelItem(row)->text(column);
}

// Every volume of the source at its exact place and size, with its label.
void expectAllFound(const std::vector<PartitionInfo>& found, const Source& src)
{
    ASSERT_EQ(found.size(), src.volumes.size());
    for (size_t i = 0; i < found.size(); ++i) {
        const Volume& v = src.volumes[i];
        SCOPED_TRACE(v.label);
        EXPECT_EQ(found[i].StartingLba, v.start);
        EXPECT_EQ(found[i].SectorCount, v.size());
        EXPECT_EQ(LabelText::FromEntry(found[i]).trimmed().toStdString(), v.label);
        EXPECT_EQ(found[i].VolumePresent, 0);
    }
}

void expectVolumesIntact(const TestSupport::TempDir& dir, const std::string& image, const Source& src)
{
    const auto result = TestSupport::RunTool({"sfdisk", "-V", image});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    const auto dump = TableFixtures::SfdiskDump(image);
    std::vector<std::pair<int64_t, int64_t>> table, expected;
    for (const auto& e : dump.entries)
        if (e.type != "5" && e.type != "f" && e.type != "85")
            table.emplace_back(e.start, e.size);
    for (const Volume& v : src.volumes)
        expected.emplace_back(v.start, v.size());
    EXPECT_EQ(table, expected) << dump.text;
    for (const Volume& v : src.volumes) {
        SCOPED_TRACE(v.label);
        if (std::string(v.type) == "ntfs") {
            NtfsVolumes::ExpectHealthy(dir, image, v.start, v.size(), "recovered ntfs");
            EXPECT_EQ(NtfsVolumes::Take(dir, image, v.start, v.size()).entries, src.ntfs.entries);
            continue;
        }
        VolumeCheck::ExpectChecked(dir, image, v.start, v.sectors, v.type);
        if (std::string(v.type) == "vfat")
            EXPECT_EQ(VolumeCheck::FatFiles(dir, image, v.start, v.sectors), src.files);
        else
            EXPECT_EQ(VolumeCheck::ExtFiles(dir, image, v.start, v.sectors), src.files);
    }
}

// Double-clicking a find opens the partition explorer on it, showing the volume's own root.
void expectFindsExplored(KChooseSearchedLostPartitionPage& page, const Source& src)
{
    auto* list = Child<QTreeWidget>(page, "treeWidget");
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const PartitionInfo& find = page.Found()[size_t(row)];
        QString title;
        QStringList names;
        DialogAnswer<KDriveExplorerDlg> answer([&](KDriveExplorerDlg& d) {
            QTreeWidgetItem* drive = Child<QTreeWidget>(d, "treeWidget")->topLevelItem(0)->child(0);
            title = drive->text(0);
            for (int i = 0; i < drive->childCount(); ++i)
                names << drive->child(i)->text(0);
        });
        page.onItemDoubleClicked(list->topLevelItem(row), 0);
        ASSERT_EQ(answer.Seen(), 1) << row;
        EXPECT_EQ(title, QStringLiteral("%1 (Disk:1 LBA:%2)").arg(src.volumes[row].label).arg(find.StartingLba));
        if (std::string(src.volumes[row].type) != "ntfs") {
            EXPECT_TRUE(names.contains("deep") && names.contains("big")) << names.join(',').toStdString();
        } else {
            EXPECT_FALSE(names.isEmpty());
        }
    }
}

// Both scans over `src`'s volumes without a table: every find ticked and applied.
void recoverAll(const Source& src)
{
    ASSERT_EQ(src.error, "");
    const auto copy = [&](const std::string& image) {
        if (&src == &source())
            zeroTables(image);
        else
            fsys::copy_file(src.image, image, fsys::copy_options::overwrite_existing);
    };
    for (int method : {0, 1}) {
        SCOPED_TRACE(method ? "full scan" : "quick scan");
        Window w({{kDiskMiB, "", copy}});
        MainFrame& f = *w.frame;
        std::vector<PartitionInfo> found;
        EXPECT_EQ(runWizard(f, {0, method}, [&](KPartitionRecoveryWizard& wizard, KChooseSearchedLostPartitionPage& page) {
                      found = page.Found();
                      EXPECT_EQ(page.ScannedSectors(), page.SectorsToScan());
                      if (method == 0)
                          expectFindsExplored(page, src);
                      for (size_t i = 0; i < found.size(); ++i)
                          tick(page, int(i));
                      MessageBoxAnswer boxes({"No"});
                      wizard.button(QWizard::FinishButton)->click();
                      EXPECT_EQ(boxes.Count(), 0u) << "nothing existing is deleted";
                  }),
                  1);
        expectAllFound(found, src);
        const QStringList lines = Lines(f);
        EXPECT_EQ(lines.filter("DeletePartition ").size(), 0);
        ASSERT_EQ(lines.filter("CreatePartition ").size(), int(src.volumes.size())) << lines.join('\n').toStdString();
        EXPECT_TRUE(lines[0].contains("PartTypeId:2147483654 FsType:0")) << lines[0].toStdString();
        {
            MessageBoxAnswer boxes({"Yes"});
            f.on_actionApply_All_Changes_triggered();
        }
        expectVolumesIntact(w.dir, w.images[0], src);
    }
}

TEST(RecoveryWizard, BothScansRecoverEveryVolumeOfAZeroedTable)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    recoverAll(source());
}

TEST(RecoveryWizard, BothScansRecoverVolumesOurFormatterMade)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    recoverAll(ownSource());
}

TEST(RecoveryWizard, OverlappingFindsHoldEachOtherBackAndDeletingAsks)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    ASSERT_EQ(source().error, "");
    Window w({{kDiskMiB, "", overlaid}});
    MainFrame& f = *w.frame;
    std::vector<MessageBoxAnswer::Box> warnings;
    runWizard(f, {0, 1}, [&](KPartitionRecoveryWizard& wizard, KChooseSearchedLostPartitionPage& page) {
        const std::vector<PartitionInfo>& found = page.Found();
        ASSERT_EQ(found.size(), std::size(kVolumes) + 1);
        // Rows: FAT12, old FAT16, the new Ext2 inside it, NTFS, ...
        EXPECT_EQ(found[2].StartingLba, kNewStart);
        EXPECT_EQ(found[2].SectorCount, kNewSize);
        EXPECT_EQ(cell(page, 2, KChooseSearchedLostPartitionPage::ColStatus), "Existing");
        EXPECT_EQ(cell(page, 1, KChooseSearchedLostPartitionPage::ColStatus), "Lost/Deleted");
        auto* list = Child<QTreeWidget>(page, "treeWidget");
        const struct Step {
            int row;
            bool on;
            const char* newStatus;
            bool newEnabled;
        } steps[] = {{1, true, "overlapped", false}, {1, false, "Existing", true}, {2, true, "Existing", true},
                     {2, false, "Existing", true},    {1, true, "overlapped", false}};
        for (const Step& s : steps) {
            tick(page, s.row, s.on);
            EXPECT_EQ(cell(page, 2, KChooseSearchedLostPartitionPage::ColStatus), s.newStatus) << s.row << s.on;
            EXPECT_EQ(list->topLevelItem(2)->flags().testFlag(Qt::ItemIsEnabled), s.newEnabled) << s.row << s.on;
            if (s.row == 2 && s.on) {
                EXPECT_EQ(cell(page, 1, KChooseSearchedLostPartitionPage::ColStatus), "overlapped");
            }
        }
        for (int row : {0, 3, 4, 5, 6})
            tick(page, row);
        {
            MessageBoxAnswer boxes({"No"});
            wizard.button(QWizard::FinishButton)->click();
            EXPECT_EQ(boxes.Count(), 1u);
        }
        EXPECT_TRUE(wizard.isVisible()) << "No keeps the wizard open";
        MessageBoxAnswer boxes({"Yes"});
        wizard.button(QWizard::FinishButton)->click();
        warnings = boxes.Boxes();
    });
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].title, "Warning");
    const QStringList lines = Lines(f);
    ASSERT_EQ(lines.filter("DeletePartition ").size(), 1) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("DeletePartition DiskIndex:0 Partition:1")) << lines[0].toStdString();
    EXPECT_EQ(lines.filter("CreatePartition ").size(), int(std::size(kVolumes)));
    {
        MessageBoxAnswer boxes({"Yes"});
        f.on_actionApply_All_Changes_triggered();
    }
    // The old FAT16 keeps its boot sector and tables but lost data to the new partition: only the table
    // and the untouched volumes are judged.
    const auto result = TestSupport::RunTool({"sfdisk", "-V", w.images[0]});
    EXPECT_EQ(result.exitCode, 0) << result.output;
    for (const Volume& v : kVolumes)
        if (v.start != 18432 && std::string(v.type) != "ntfs")
            VolumeCheck::ExpectChecked(w.dir, w.images[0], v.start, v.sectors, v.type);
}

TEST(RecoveryWizard, RangesAndCancelLimitWhatIsScanned)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "a checker or a maker is missing";
    ASSERT_EQ(source().error, "");
    const struct Case {
        const char* what;
        Scan scan;
        std::vector<int64_t> starts; // exact finds; empty: checked below
    } cases[] = {
        // The quick scan jumps over the old FAT16 and so never reaches the new partition inside it.
        {"quick scan of the whole disk", {0, 0}, {2048, 18432, 83968, 217088, 352256, 395264}},
        {"specified range over the NTFS volume", {2, 1, 83968, 215039}, {83968}},
        {"range holding only the FAT32 boot sector", {2, 1, 200000, 300000}, {217088}},
        // The free areas are 0-40959 and 61440 on: the new partition is not read.
        {"unallocated space", {1, 1}, {2048, 18432, 83968, 217088, 352256, 395264}},
        {"cancelled at the first find", {0, 1, 0, 0, true}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w({{kDiskMiB, "", overlaid}});
        std::vector<int64_t> starts;
        int64_t scanned = 0, total = 0;
        runWizard(*w.frame, c.scan, [&](KPartitionRecoveryWizard& wizard, KChooseSearchedLostPartitionPage& page) {
            for (const PartitionInfo& p : page.Found())
                starts.push_back(p.StartingLba);
            scanned = page.ScannedSectors();
            total = page.SectorsToScan();
            wizard.reject();
        });
        if (c.scan.cancelAtFirstFind) {
            ASSERT_FALSE(starts.empty()) << "the find before the cancel is kept";
            EXPECT_EQ(starts[0], 2048);
            EXPECT_LT(scanned, total);
        } else {
            EXPECT_EQ(starts, c.starts);
            EXPECT_EQ(scanned, total);
        }
        if (c.scan.range == 1) {
            EXPECT_LE(total, kDiskMiB * 2048 - kNewSize);
        }
        EXPECT_TRUE(Lines(*w.frame).isEmpty());
    }
}

} // namespace
