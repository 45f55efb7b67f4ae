// The properties dialog over image disks: what it shows of FAT, NTFS and Ext volumes against what
// fsck.fat, minfo, ntfsinfo, blkid and dumpe2fs report for the same volumes; disks and their sizes;
// unallocated, GPT and pending entries; and pictures of the pages.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "engine/IDisk.h"
#include "gui/tools/KPartitionUsagePage.h"
#include "gui/tools/KPropertiesDlg.h"
#include "support/NtfsVolumes.h"
#include "support/VolumeCheck.h"

using HandlerSupport::DialogAnswer;
using MainFrameSupport::Window;
using TestSupport::RunTool;

namespace {

QWidget* Tab(KPropertiesDlg& dialog, const char* title)
{
    auto* tabs = DialogProbe::Child<QTabWidget>(dialog, "tabWidget");
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == QLatin1String(title)) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            return tabs->widget(i);
        }
    return nullptr;
}

// What the dialog shows: the tab titles, every label by object name, the usage page and the info text.
struct Shown {
    QStringList tabs;
    std::map<std::string, QString> labels;
    std::set<std::string> hidden;
    qint64 used = -1, total = -1;
    QString info;
    QString operator[](const char* name) const { return labels.count(name) ? labels.at(name) : QString(); }
};

// Triggers the action on the window's present selection and reads the dialog it opens.
Shown Open(Window& w, const char* action, const std::function<void(KPropertiesDlg&)>& more = {})
{
    Shown s;
    EXPECT_TRUE(w.Action(action)->isEnabled()) << action;
    DialogAnswer<KPropertiesDlg> answer([&](KPropertiesDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Properties"));
        EXPECT_EQ(dialog.size(), dialog.minimumSize());
        auto* tabs = DialogProbe::Child<QTabWidget>(dialog, "tabWidget");
        for (int i = 0; i < tabs->count(); ++i)
            s.tabs << tabs->tabText(i);
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            s.labels[label->objectName().toStdString()] = label->text();
            if (label->isHidden())
                s.hidden.insert(label->objectName().toStdString());
        }
        if (auto* usage = dialog.findChild<KPartitionUsagePage*>()) {
            s.used = usage->UsedBytes();
            s.total = usage->TotalBytes();
        }
        if (QWidget* info = Tab(dialog, "File System Info"))
            s.info = qobject_cast<QTextEdit*>(info)->toPlainText();
        if (more)
            more(dialog);
    });
    w.Action(action)->trigger();
    EXPECT_EQ(answer.Seen(), 1) << action;
    return s;
}

// The first capture of `pattern` in a tool's output, as a number; -1 when it is not there.
int64_t Number(const std::string& output, const std::string& pattern, int base = 10)
{
    std::smatch m;
    return std::regex_search(output, m, std::regex(pattern)) ? int64_t(std::stoull(m[1].str(), nullptr, base)) : -1;
}

QString Hex(uint64_t value) { return QStringLiteral("0x%1").arg(value, 0, 16); }

// The page drawn off screen, written to a file and read back: a painted form has many colours.
QImage Picture(QWidget* page, const TestSupport::TempDir& dir, const std::string& name)
{
    const QString file = QString::fromStdString(dir.File(name + ".png"));
    EXPECT_TRUE(page && page->grab().save(file)) << name;
    const QImage image(file);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    EXPECT_GE(colours.size(), 4u) << name << " looks blank";
    return image;
}

int CountColour(const QImage& image, const QRect& area, const QColor& colour)
{
    int n = 0;
    for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
        for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

bool HaveTools()
{
    return VolumeCheck::HaveDiskTools() && TestSupport::HaveTool("ntfscp") && TestSupport::HaveTool("minfo");
}

} // namespace

// Each volume is made by its own tool with files copied in; the dialog on the partition must show what
// the field's tools report: every line of the file-system text, the serial and the free space.
TEST(KPropertiesDlg, VolumesShowWhatTheirToolsReport)
{
    if (!HaveTools())
        GTEST_SKIP() << "file-system tools missing";
    // A line of the info text: its caption, the tool's pattern for the value and the unit the dialog
    // counts in (bytes shown as 512-byte sectors; "(n bytes)" follows then).
    struct Field {
        const char* caption;
        const char* pattern;
        int unit;
    };
    const std::vector<Field> fat = {{"Sectors per Cluster", R"((\d+) bytes per cluster)", 512},
                                    {"Number of Fats", R"((\d+) FATs)", 1},
                                    {"Reserved Sectors", R"((\d+) reserved sectors?)", 1},
                                    {"Sectors per FAT", R"(bytes per FAT \(= (\d+) sectors\))", 1}};
    const std::vector<Field> ext = {{"Sectors per Cluster", R"(Block size:\s+(\d+))", 512},
                                    {"Inodes Per Group", R"(Inodes per group:\s+(\d+))", 1},
                                    {"Blocks Per Group", R"(Blocks per group:\s+(\d+))", 1},
                                    {"Inode Size", R"(Inode size:\s+(\d+))", 1}};
    auto with = [](std::vector<Field> fields, Field more) {
        fields.push_back(more);
        return fields;
    };
    const struct {
        const char* name;
        int typeByte;
        int64_t sectors;
        std::vector<std::string> make;
        std::vector<Field> fields;
        const char* unitPattern; // the cluster or block size the free count is in
        const char* freePattern;
    } cases[] = {
        {"FAT12", 0x01, 8192, {"mkfs.fat", "-F", "12", "-n", "SMALL"},
         with(fat, {"Root Entries Limit", R"((\d+) root directory entries)", 1}), R"((\d+) bytes per cluster)", ""},
        {"FAT16", 0x06, 65536, {"mkfs.fat", "-F", "16", "-s", "4"},
         with(fat, {"Root Entries Limit", R"((\d+) root directory entries)", 1}), R"((\d+) bytes per cluster)", ""},
        {"FAT32", 0x0b, 133120, {"mkfs.fat", "-F", "32", "-s", "1", "-R", "38"},
         with(fat, {"Root 1st Cluster NO.", R"(Root directory starts? at cluster (\d+))", 1}),
         R"((\d+) bytes per cluster)", ""},
        {"NTFS", 0x07, 81920, {"mkntfs", "-Q", "-F", "-q", "-c", "2048", "-L", "DATA"},
         {{"Sectors per Cluster", R"(Cluster Size: (\d+))", 512},
          {"Sectors per File Record", R"(MFT Record Size: (\d+))", 512},
          {"Sectors per Index Record", R"(Index Block Size: (\d+))", 512},
          {"$MFT LCN", R"(LCN of Data Attribute for FILE_MFT: (\d+))", 1},
          {"$MFTMirr LCN", R"(LCN of Data Attribute for File_MFTMirr: (\d+))", 1}},
         R"(Cluster Size: (\d+))", R"(Free Clusters: (\d+))"},
        {"Ext2", 0x83, 40960, {"mke2fs", "-q", "-F", "-t", "ext2", "-b", "2048"}, ext, R"(Block size:\s+(\d+))",
         R"(Free blocks:\s+(\d+))"},
        {"Ext3", 0x83, 65536, {"mke2fs", "-q", "-F", "-t", "ext3", "-I", "128"}, ext, R"(Block size:\s+(\d+))",
         R"(Free blocks:\s+(\d+))"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestSupport::TempDir dir;
        const std::string files = dir.File("files"), volume = dir.File("volume");
        std::filesystem::create_directories(files);
        for (int64_t size : {700, 20000, 150000}) {
            const std::string file = files + "/f" + std::to_string(size);
            ASSERT_TRUE(TestSupport::MakeSparseFile(file, size) && TestSupport::FillPattern(file, 0, size, 7));
        }
        ASSERT_TRUE(TestSupport::MakeSparseFile(volume, c.sectors * 512));
        const bool isExt = c.typeByte == 0x83, isNtfs = c.typeByte == 0x07;
        std::vector<std::string> make = c.make;
        if (isExt)
            make.insert(make.end(), {"-d", files});
        make.push_back(volume);
        ASSERT_EQ(RunTool(make).exitCode, 0);
        // The tools' report, and the serial they give (FAT: minfo, NTFS: blkid, Ext: the UUID's first
        // eight bytes as a little-endian number).
        std::string report;
        uint64_t serial = 0;
        ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
        if (isNtfs) {
            for (const char* name : {"f700", "f20000", "f150000"})
                ASSERT_EQ(RunTool({"ntfscp", "-f", volume, files + "/" + name, name}).exitCode, 0);
            report = RunTool({"ntfsinfo", "-m", "-f", volume}).output;
            serial = Number(RunTool({"blkid", "-p", "-o", "value", "-s", "UUID", volume}).output, "([0-9A-F]+)", 16);
        } else if (isExt) {
            report = RunTool({"dumpe2fs", "-h", volume}).output;
            std::smatch m;
            ASSERT_TRUE(std::regex_search(report, m, std::regex(R"(UUID:\s+(\w{8})-(\w{4})-(\w{4}))")));
            const std::string uuid = m[1].str() + m[2].str() + m[3].str();
            for (int i = 7; i >= 0; --i)
                serial = serial << 8 | std::stoull(uuid.substr(size_t(i) * 2, 2), nullptr, 16);
        } else {
            ASSERT_TRUE(VolumeCheck::CopyTreeToFat(volume, 0, files));
            report = RunTool({"fsck.fat", "-n", "-v", volume}).output;
            serial = Number(RunTool({"minfo", "-i", volume, "::"}).output, "serial number: ([0-9A-F]+)", 16);
        }
        const int64_t unit = Number(report, c.unitPattern);
        const int64_t freeUnits = *c.freePattern ? Number(report, c.freePattern)
                                                 : Number(report, R"(\d+/(\d+) clusters)") -
                                                       Number(report, R"((\d+)/\d+ clusters)");
        ASSERT_GT(unit, 0) << report;

        MainFrameSupport::DiskSpec disk{c.sectors / 2048 + 2,
                                        "label: dos\nstart=2048, size=" + std::to_string(c.sectors) +
                                            ", type=" + QString::number(c.typeByte, 16).toStdString() + "\n",
                                        [&](const std::string& image) { NtfsVolumes::Insert(volume, image, 2048); }};
        Window w({disk});
        HandlerSupport::SelectAt(*w.frame, 0, 2048);
        const Shown s = Open(w, "action_Partition_Properties");
        EXPECT_EQ(s.tabs, QStringList({"Usage", "Partition Info", "File System Info"}));
        EXPECT_EQ(s["typeIdLabel"], Hex(c.typeByte));
        EXPECT_EQ(s["fileSystemLabel"], QLatin1String(c.name));
        EXPECT_EQ(s["serialNumberLabel"], Hex(serial));
        EXPECT_EQ(s["firstSectorLabel"], QStringLiteral("2048"));
        EXPECT_EQ(s["lastSectorLabel"], QString::number(2048 + c.sectors - 1));
        EXPECT_EQ(s["totalSectorsLabel"], QString::number(c.sectors / 2048.0, 'f', 2) + QStringLiteral(" MB"));
        EXPECT_EQ(s.total, c.sectors * 512);
        EXPECT_EQ(s.total - s.used, freeUnits * unit) << report;
        QStringList lines;
        for (const Field& f : c.fields) {
            const int64_t value = Number(report, f.pattern);
            lines << (f.unit == 1 ? QStringLiteral("\t%1: %2").arg(f.caption).arg(value)
                                  : QStringLiteral("\t%1: %2 (%3 bytes)").arg(f.caption).arg(value / f.unit).arg(value));
        }
        EXPECT_EQ(s.info.toStdString(), ("\n\n" + lines.join(QStringLiteral("\n\n"))).toStdString()) << report;
        // The tool bar's Properties opens the same dialog for the same entry.
        EXPECT_EQ(Open(w, "action_Properties").info, s.info);
    }
}

// A disk shows its geometry, its name and its size; the size text switches to GB at exactly 1 GB.
TEST(KPropertiesDlg, DisksShowGeometryAndSize)
{
    Window w({{1, ""}, {1024, ""}});
    TestSupport::TempDir pictures;
    const char* sizes[] = {"1.00 MB", "1.00 GB"};
    for (int d = 0; d < 2; ++d) {
        DiskGeometry g{};
        ASSERT_TRUE(w.frame->PendingLayout()->GetDisk(d)->GetGeometry(&g));
        HandlerSupport::Select(*w.frame, d, -1);
        for (const char* action : {"action_Disk_Properties", "action_Properties"}) {
            const Shown s = Open(w, action, [&](KPropertiesDlg& dialog) {
                Picture(Tab(dialog, "Disk Properties"), pictures, "disk");
            });
            EXPECT_EQ(s.tabs, QStringList({"Disk Properties"}));
            EXPECT_EQ(s["deviceNameLabel"], QStringLiteral("Image disk%1.img").arg(d));
            EXPECT_EQ(s["cylindersLabel"], QString::number(g.Cylinders));
            EXPECT_EQ(s["headsLabel"], QString::number(g.TracksPerCylinder));
            EXPECT_EQ(s["sectorsPerTrackLabel"], QString::number(g.SectorsPerTrack));
            EXPECT_EQ(s["bytesPerSectorLabel"], QStringLiteral("512"));
            EXPECT_EQ(s["physicalSectorsLabel"], QString::number(d == 0 ? 2048 : 2097152));
            EXPECT_EQ(s["totalSizeLabel"], QLatin1String(sizes[d]));
        }
    }
}

// Free space, a GPT partition and a partition a pending Create made: what each leaves out. The usage
// chart has its used slice only when something is used.
TEST(KPropertiesDlg, UnallocatedGptAndPendingEntries)
{
    if (!HaveTools())
        GTEST_SKIP() << "file-system tools missing";
    auto fat16 = [](const std::string& image) {
        TestSupport::TempDir dir;
        ASSERT_TRUE(VolumeCheck::MakeVolumeAt(dir, image, 2048, 40960, {"mkfs.fat", "-F", "16", "-i", "5eed5eed"}));
    };
    Window w({{64, "label: dos\nstart=2048, size=40960, type=6\n", fat16},
              {64, "label: gpt\nstart=2048, size=40960, type=EBD0A0A2-B9E5-4433-87C0-68B9B7E6A4C7\n", fat16}});
    TestSupport::TempDir pictures;
    // Pictures of every page; the slice is looked for inside the raised ellipse.
    auto paint = [&](bool slice) {
        return [&pictures, slice](KPropertiesDlg& dialog) {
            auto* usage = qobject_cast<KPartitionUsagePage*>(Tab(dialog, "Usage"));
            ASSERT_NE(usage, nullptr);
            const QImage chart = Picture(usage, pictures, "usage");
            const QRect raised = usage->ChartRect().translated(0, -10);
            EXPECT_GT(CountColour(chart, raised, KPartitionUsagePage::UnusedColor()), 1000);
            EXPECT_GT(CountColour(chart, usage->ChartRect(), KPartitionUsagePage::ShadowColor()), 100);
            EXPECT_EQ(CountColour(chart, raised, KPartitionUsagePage::UsedColor()) > 0, slice);
            EXPECT_EQ(CountColour(chart, QRect((usage->width() - 300) / 2, 20, 10, 10), KPartitionUsagePage::UsedColor()),
                      100);
            for (const char* title : {"Partition Info", "File System Info"})
                if (QWidget* page = Tab(dialog, title))
                    Picture(page, pictures, title);
        };
    };

    const int free = w.frame->PendingLayout()->GetPartitionCount(0) - 1;
    PartitionInfo area{};
    ASSERT_TRUE(w.frame->PendingLayout()->GetPartition(0, free, &area));
    ASSERT_EQ(area.PartitionTypeId, 0);
    HandlerSupport::Select(*w.frame, 0, free);
    Shown s = Open(w, "action_Partition_Properties", paint(false));
    EXPECT_EQ(s.tabs, QStringList({"Usage", "Partition Info"}));
    EXPECT_EQ(s["fileSystemLabel"], QStringLiteral("(Unallocated)"));
    EXPECT_EQ(s["serialNumberLabel"], QString());
    EXPECT_EQ(s["typeIdLabel"], QStringLiteral("0x0"));
    EXPECT_EQ(s["firstSectorLabel"], QString::number(area.StartingLba));
    EXPECT_EQ(s["lastSectorLabel"], QString::number(area.EndLba()));
    EXPECT_EQ(s.used, 0);

    // On a GPT disk there is no type byte to show; the volume is read all the same. Half used here so
    // that the slice is wide enough to hold pixels of its own colour.
    const int gpt = HandlerSupport::IndexAt(*w.frame, 1, 2048);
    w.Patch(1, gpt, [](PartitionInfo& e) { e.FreeSectors = e.TotalSectors / 2; });
    HandlerSupport::Select(*w.frame, 1, gpt);
    s = Open(w, "action_Partition_Properties", paint(true));
    EXPECT_EQ(s.hidden, std::set<std::string>({"typeIdCaption", "typeIdLabel"}));
    EXPECT_EQ(s["serialNumberLabel"], QStringLiteral("0x5eed5eed"));
    EXPECT_EQ(s.tabs, QStringList({"Usage", "Partition Info", "File System Info"}));
    EXPECT_TRUE(s.info.endsWith(QStringLiteral("Root Entries Limit: 512"))) << s.info.toStdString();

    // A partition a pending Create made is not on the disk yet: its extent, but nothing read.
    const int index = HandlerSupport::IndexAt(*w.frame, 0, 2048);
    w.Patch(0, index, [](PartitionInfo& e) { e.EntryFlags |= kEntryPendingCreated; });
    HandlerSupport::Select(*w.frame, 0, index);
    s = Open(w, "action_Partition_Properties");
    EXPECT_EQ(s.tabs, QStringList({"Usage", "Partition Info"}));
    EXPECT_EQ(s["fileSystemLabel"], QStringLiteral("FAT16"));
    EXPECT_EQ(s["serialNumberLabel"], QString());
    EXPECT_EQ(s["typeIdLabel"], QStringLiteral("0x6"));
    EXPECT_EQ(s["lastSectorLabel"], QString::number(2048 + 40960 - 1));
}
