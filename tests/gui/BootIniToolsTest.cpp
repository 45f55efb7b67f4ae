// The boot.ini editor and repair on image disks: what the dialogs show and accept, the bytes the tools
// then read back from the volume (mtype, ntfscat) and a clean check of the file system afterwards.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSet>
#include <QTextEdit>
#include <fstream>

#include <gtest/gtest.h>

#include "PaintedPicture.h"
#include "HandlerSupport.h"
#include "gui/tools/KBootIniEditorDlg.h"
#include "gui/tools/KBootiniRepairDlg.h"
#include "gui/views/KDiskMapItem.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace HandlerSupport;
using namespace TestSupport;

namespace {

constexpr int64_t kFatStart = 2048, kFatSectors = 32768;
constexpr int64_t kNtfsStart = 34816, kNtfsSectors = 40960;
constexpr int64_t kTenthStart = 108544, kLogicalSectors = 4096; // the sixth logical partition: number 10

const std::string kBootIni =
    "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n[operating systems]\r\n"
    "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
    "multi(0)disk(0)rdisk(0)partition(3)\\WINNT=\"Windows 2000\" /fastdetect\r\n";

bool haveTools()
{
    for (const char* tool : {"mkfs.fat", "mcopy", "mtype", "fsck.fat", "mkntfs", "ntfscp", "ntfscat", "ntfsfix"})
        if (!HaveTool(tool))
            return false;
    return true;
}

// Makes a FAT or NTFS volume in a file of its own, puts boot.ini (when given) in its root and copies it
// into the image at `start`.
void putVolume(const std::string& image, int64_t start, int64_t sectors, bool ntfs, const std::string& bootIni)
{
    TempDir dir;
    const std::string volume = dir.File("volume"), text = dir.File("boot.ini");
    ASSERT_TRUE(MakeSparseFile(volume, sectors * 512));
    const ToolResult made = ntfs ? RunTool({"mkntfs", "-Q", "-F", "-p", std::to_string(start), volume})
                                 : RunTool({"mkfs.fat", sectors < 8192 ? "-F12" : "-F16", volume});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    if (!bootIni.empty()) {
        std::ofstream(text, std::ios::binary) << bootIni;
        ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
        const ToolResult put = ntfs ? RunTool({"ntfscp", "-f", volume, text, "/boot.ini"})
                                    : RunTool({"mcopy", "-i", volume, text, "::/BOOT.INI"});
        ASSERT_EQ(put.exitCode, 0) << put.output;
    }
    ASSERT_TRUE(TableFixtures::CopyInto(volume, image, start * 512));
}

// boot.ini as the field's own reader gives it, and whether the file system checks clean.
std::string toolRead(const std::string& image, int64_t start, int64_t sectors, bool ntfs, bool* clean)
{
    TempDir dir;
    const std::string volume = VolumeCheck::Extract(dir, image, start, sectors, "volume");
    const ToolResult read = ntfs ? RunTool({"ntfscat", volume, "/boot.ini"}) : RunTool({"mtype", "-i", volume, "::/boot.ini"});
    const ToolResult check = ntfs ? RunTool({"ntfsfix", "-n", volume}) : RunTool({"fsck.fat", "-n", volume});
    *clean = check.exitCode == 0;
    EXPECT_TRUE(*clean) << check.output;
    return read.exitCode == 0 ? read.output : "<unreadable> " + read.output;
}

// Disk 0: a FAT16 system partition (active) and an NTFS one with boot.ini, an extended partition with
// six logical ones (numbers 5 to 10; the tenth is FAT12 without boot.ini). Disks 1-3: an active FAT16
// partition with a boot.ini of no systems, one without boot.ini, and a disk with no active partition.
std::vector<MainFrameSupport::DiskSpec> disks()
{
    std::string script = "label: dos\nstart=2048, size=32768, type=6, bootable\nstart=34816, size=40960, type=7\n"
                         "start=75776, size=36864, type=5\n";
    for (int i = 0; i < 6; ++i)
        script += "start=" + std::to_string(77824 + i * 6144) + ", size=4096, type=" + (i == 5 ? "1" : "83") + "\n";
    const std::string single = "label: dos\nstart=2048, size=32768, type=6, bootable\n";
    return {
        {64, script,
         [](const std::string& image) {
             putVolume(image, kFatStart, kFatSectors, false, kBootIni);
             putVolume(image, kNtfsStart, kNtfsSectors, true, kBootIni);
             putVolume(image, kTenthStart, kLogicalSectors, false, "");
         }},
        {64, single, [](const std::string& image) { putVolume(image, kFatStart, kFatSectors, false, "[boot loader]\r\ntimeout=3\r\n"); }},
        {64, single, [](const std::string& image) { putVolume(image, kFatStart, kFatSectors, false, ""); }},
        {64, "label: dos\nstart=2048, size=32768, type=6\n", {}},
    };
}

} // namespace

TEST(BootIniTools, EditorWritesInPlaceKeepingTheLength)
{
    if (!haveTools())
        GTEST_SKIP() << "dosfstools, mtools or ntfs-3g tools missing";
    Window w(disks());
    MainFrame& f = *w.frame;
    EXPECT_TRUE(w.Action("actionBoot_ini_Editor")->isVisible());
    EXPECT_TRUE(w.Action("actionRepair_Boot_ini")->isVisible());

    struct Case {
        int64_t start, sectors;
        bool ntfs;
        std::string typed, stored;
    };
    const std::string longer = kBootIni + "; a comment the file has no room for\r\n";
    const std::string shorter = "[boot loader]\r\ntimeout=5\r\n";
    for (const Case& c : {Case{kFatStart, kFatSectors, false, longer, longer.substr(0, kBootIni.size())},
                          Case{kNtfsStart, kNtfsSectors, true, shorter, shorter + std::string(kBootIni.size() - shorter.size(), '\0')}}) {
        SCOPED_TRACE(c.ntfs ? "NTFS" : "FAT");
        SelectAt(f, 0, c.start);
        ASSERT_TRUE(w.Action("actionBoot_ini_Editor")->isEnabled());
        QString shown;
        bool lockedAtStart = false;
        DialogAnswer<KBootIniEditorDlg> answer([&](KBootIniEditorDlg& d) {
            auto* box = d.findChild<QCheckBox*>(QStringLiteral("checkBox"));
            auto* text = d.findChild<QTextEdit*>(QStringLiteral("textEdit"));
            auto* save = d.findChild<QPushButton*>(QStringLiteral("pushButton"));
            shown = text->toPlainText();
            lockedAtStart = box->isChecked() && text->isReadOnly() && !save->isEnabled();
            EXPECT_EQ(d.windowTitle(), "Boot.ini Editor");
            EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "fixed size";
            const QImage shot = d.grab().toImage();
            EXPECT_GT(DistinctColours(shot), 8) << "looks blank";
            box->setChecked(false);
            EXPECT_TRUE(save->isEnabled() && !text->isReadOnly());
            text->setPlainText(QString::fromStdString(c.typed).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            save->click();
        });
        w.Action("actionBoot_ini_Editor")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
        EXPECT_TRUE(lockedAtStart);
        // The text is shown with plain line ends and saved with the file's own.
        EXPECT_EQ(shown, QString::fromStdString(kBootIni).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        bool clean = false;
        const std::string stored = toolRead(w.images[0], c.start, c.sectors, c.ntfs, &clean);
        EXPECT_EQ(stored.size(), kBootIni.size());
        EXPECT_EQ(stored, c.stored);
    }

    // A FAT partition without boot.ini.
    SelectAt(f, 0, kTenthStart);
    MessageBoxAnswer box({"OK"});
    w.Action("actionBoot_ini_Editor")->trigger();
    ASSERT_EQ(box.Count(), 1u);
    EXPECT_EQ(box.Last().title, "Error");
    EXPECT_EQ(box.Last().text, "The selected partition does not contain boot.ini file.");
}

TEST(BootIniTools, RepairRepointsEveryLineOfTheSystemOrRefuses)
{
    if (!haveTools())
        GTEST_SKIP() << "dosfstools, mtools or ntfs-3g tools missing";
    Window w(disks());
    MainFrame& f = *w.frame;
    const int ntfsIndex = IndexAt(f, 0, kNtfsStart), tenthIndex = IndexAt(f, 0, kTenthStart);
    const int unformattedIndex = IndexAt(f, 0, 77824);
    ASSERT_GE(ntfsIndex, 0);
    ASSERT_EQ(EntryAt(f, 0, kTenthStart).PartitionNumber, 10);

    // Chooses a system and a partition of the disk bar; OK only for FAT and NTFS partitions.
    auto repair = [&](int target, QStringList* systems) {
        DialogAnswer<KBootiniRepairDlg> answer([&](KBootiniRepairDlg& d) {
            auto* combo = d.findChild<QComboBox*>(QStringLiteral("comboBox"));
            auto* bar = d.findChild<KDiskMapItem*>(QStringLiteral("diskmapItem"));
            auto* ok = d.findChild<QPushButton*>(QStringLiteral("okButton"));
            for (int i = 0; i < combo->count(); ++i)
                *systems << combo->itemText(i);
            EXPECT_EQ(d.windowTitle(), "Repair Boot.ini");
            EXPECT_FALSE(ok->isEnabled());
            d.onDiskMapItemSelected(0, unformattedIndex, false, {});
            EXPECT_FALSE(ok->isEnabled()) << "an unformatted partition cannot hold a system";
            bar->SetSelectedIndex(target);
            d.onDiskMapItemSelected(0, target, false, {});
            EXPECT_TRUE(ok->isEnabled());
            d.show();
            EXPECT_GT(DistinctColours(d.grab().toImage()), 8) << "looks blank";
            combo->setCurrentIndex(0);
            ok->click();
        });
        Select(f, 0, -1);
        ASSERT_TRUE(w.Action("actionRepair_Boot_ini")->isEnabled());
        w.Action("actionRepair_Boot_ini")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    };

    // partition(1) -> partition(2): every line naming rdisk(0)partition(1), the default one too.
    QStringList systems;
    repair(ntfsIndex, &systems);
    EXPECT_EQ(systems, QStringList({"Microsoft Windows XP Professional", "Windows 2000"}));
    std::string expected = kBootIni;
    for (size_t at = expected.find("rdisk(0)partition(1)"); at != std::string::npos; at = expected.find("rdisk(0)partition(1)"))
        expected.replace(at, 20, "rdisk(0)partition(2)");
    bool clean = false;
    EXPECT_EQ(toolRead(w.images[0], kFatStart, kFatSectors, false, &clean), expected);

    // partition(2) -> partition(10) would lengthen the file: refused, the file stays.
    {
        MessageBoxAnswer box({"OK"});
        systems.clear();
        repair(tenthIndex, &systems);
        ASSERT_EQ(box.Count(), 1u);
        EXPECT_EQ(box.Last().text, "Failed to modify boot.ini.");
    }
    EXPECT_EQ(toolRead(w.images[0], kFatStart, kFatSectors, false, &clean), expected);

    // Disks that cannot be repaired say why.
    const std::vector<std::pair<int, QString>> refusals = {
        {1, "The content of boot.ini file is invalid."},
        {2, "The bootable partition does not contain boot.ini file."},
        {3, "The selected disk does not contain a bootable partition."}};
    for (const auto& [disk, text] : refusals) {
        MessageBoxAnswer box({"OK"});
        Select(f, disk, -1);
        w.Action("actionRepair_Boot_ini")->trigger();
        ASSERT_EQ(box.Count(), 1u) << disk;
        EXPECT_EQ(box.Last().title, "Error");
        EXPECT_EQ(box.Last().text, text);
    }
}
