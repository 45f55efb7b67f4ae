// The partition explorer: its texts and order on a reader of known answers, and its view of FAT, NTFS
// and Ext volumes of a few thousand files set against mdir, ntfsls and debugfs.
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTreeWidget>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "PaintedPicture.h"
#include "core/Clock.h"
#include "core/FileSystemTypes.h"
#include "engine/KDisk.h"
#include "gui/tools/KDriveExplorerDlg.h"
#include "support/ImageMount.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

// A reader of fixed listings that counts how often each folder was asked for.
class FakeExplorer : public IFileSystemExplorer {
public:
    int Open(IDisk*, int64_t) override { return 1; }
    int List(int32_t id, std::vector<ExplorerEntry>& entries) override
    {
        ++calls[id];
        if (refused.count(id))
            return 0;
        entries = folders[id];
        return 1;
    }
    int ReadFile(const ExplorerEntry&, std::vector<uint8_t>&) override { return 0; }
    int WriteFileInPlace(const ExplorerEntry&, const std::vector<uint8_t>&) override { return 0; }
    void Release() override {}

    static ExplorerEntry Item(const char* name, bool folder, int64_t size, int32_t id, uint64_t fileTime = 0)
    {
        ExplorerEntry e;
        std::memset(&e, 0, sizeof e);
        std::snprintf(e.Name, sizeof e.Name, "%s", name);
        e.Attributes = folder ? 0x10 : 0x20;
        e.Size = size;
        e.DirectoryId = id;
        e.ModificationTime[0] = e.CreationTime[0] = uint32_t(fileTime);
        e.ModificationTime[1] = e.CreationTime[1] = uint32_t(fileTime >> 32);
        return e;
    }

    std::map<int32_t, std::vector<ExplorerEntry>> folders;
    std::set<int32_t> refused;
    std::map<int32_t, int> calls;
};

QTreeWidgetItem* driveItem(KDriveExplorerDlg& dialog)
{
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("treeWidget"));
    return tree && tree->topLevelItemCount() == 1 ? tree->topLevelItem(0)->child(0) : nullptr;
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& name)
{
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name)
            return parent->child(i);
    return nullptr;
}

// One row as the dialog shows it: name, modified time to the minute, size text.
std::string row(const QTreeWidgetItem* item)
{
    QString time = item->text(2);
    time.truncate(time.lastIndexOf(QLatin1Char(':')));
    return (item->text(0) + QStringLiteral(" | ") + time + QStringLiteral(" | ") + item->text(3)).toStdString();
}

std::vector<std::string> rows(const QTreeWidgetItem* parent)
{
    std::vector<std::string> out;
    for (int i = 0; parent && i < parent->childCount(); ++i)
        out.push_back(row(parent->child(i)));
    return out;
}

// What a tool lists for a folder, in its order.
struct Listed {
    std::string name;
    bool folder;
    int64_t size;
    int year, month, day, hour, minute;
};

// The rows the dialog must show for a tool's listing: folders first, in reverse order, then files.
std::vector<std::string> expectedRows(const std::vector<Listed>& listed)
{
    std::vector<std::string> folders, files;
    for (const Listed& l : listed) {
        const QString text = QString::fromStdString(l.name) + QStringLiteral(" | %1-%2-%3 %4:%5 | ")
                                                                  .arg(l.year).arg(l.month).arg(l.day).arg(l.hour).arg(l.minute)
                             + (l.folder ? QString() : KDriveExplorerDlg::SizeText(l.size));
        (l.folder ? folders : files).push_back(text.toStdString());
    }
    std::vector<std::string> out(folders.rbegin(), folders.rend());
    out.insert(out.end(), files.begin(), files.end());
    return out;
}

int monthOf(const std::string& name)
{
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    return int(months.find(name) / 3) + 1;
}

std::vector<Listed> parse(const std::string& output, const std::regex& line, const std::function<Listed(const std::smatch&)>& make)
{
    std::vector<Listed> out;
    std::istringstream in(output);
    std::string text;
    std::smatch m;
    while (std::getline(in, text))
        if (std::regex_match(text, m, line)) {
            Listed l = make(m);
            if (l.name != "." && l.name != "..")
                out.push_back(l);
        }
    return out;
}

std::vector<Listed> mdirListing(const std::string& image, const std::string& folder)
{
    const ToolResult r = RunTool({"mdir", "-i", image, "::" + folder});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    static const std::regex line(R"(^(.{8}) (.{3}) +(<DIR>|\d+) +(\d{4})-(\d\d)-(\d\d) +(\d+):(\d\d) *(.*?) *$)");
    return parse(r.output, line, [](const std::smatch& m) {
        auto trim = [](std::string s) { return s.erase(s.find_last_not_of(' ') + 1); };
        std::string name = m[9];
        if (name.empty())
            name = trim(m[1]) + (trim(m[2]).empty() ? "" : "." + trim(m[2]));
        return Listed{name, m[3] == "<DIR>", m[3] == "<DIR>" ? 0 : std::stoll(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                      std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[8])};
    });
}

// A read-only ntfs-3g mount's listing: its order is the folder index's, its times the files' own
// (ntfsls shows the copies kept in the index, which a time set after writing leaves behind).
std::vector<Listed> mountListing(const std::string& point, const std::string& folder)
{
    std::vector<Listed> out;
    DIR* d = ::opendir((point + folder).c_str());
    EXPECT_NE(d, nullptr) << folder;
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        const std::string name = e->d_name;
        struct stat st {};
        if (name == "." || name == ".." || ::lstat((point + folder + "/" + name).c_str(), &st) != 0)
            continue;
        std::tm tm {};
        ::gmtime_r(&st.st_mtime, &tm);
        out.push_back({name, S_ISDIR(st.st_mode), int64_t(st.st_size), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                       tm.tm_hour, tm.tm_min});
    }
    if (d)
        ::closedir(d);
    return out;
}

std::vector<Listed> debugfsListing(const std::string& image, const std::string& folder)
{
    const ToolResult r = RunTool({"debugfs", "-R", "ls -l \"" + folder + "\"", image});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    static const std::regex line(R"(^\s*\d+\s+(\d+)\s+\(\d+\)\s+\d+\s+\d+\s+(\d+)\s+(\d+)-(\w{3})-(\d{4}) (\d\d):(\d\d) (.*)$)");
    return parse(r.output, line, [](const std::smatch& m) {
        return Listed{m[8], std::string(m[1]).rfind("40", 0) == 0, std::stoll(m[2]), std::stoi(m[5]), monthOf(m[4]),
                      std::stoi(m[3]), std::stoi(m[6]), std::stoi(m[7])};
    });
}

// A tree of a few thousand files: two folders and three files with set times at the top, 2500 files in "many".
void makeTree(const std::string& root)
{
    std::filesystem::create_directories(root + "/many");
    std::filesystem::create_directories(root + "/Sub folder");
    // Names that are their own 8.3 names: mcopy makes a ~N short name for a long one by scanning the
    // folder once per try, which takes minutes for thousands of similar names.
    for (int i = 0; i < 2500; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "F%04d.DAT", i);
        ASSERT_TRUE(MakeSparseFile(root + "/many/" + name, (i * 613) % 5000));
    }
    const std::vector<std::pair<std::string, std::string>> files = {
        {"boot.ini", "2009-03-05 07:04:09"}, {"A longer file name.txt", "2015-11-30 23:59:58"}, {"x", "2001-01-01 00:00:00"}};
    for (size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(MakeSparseFile(root + "/" + files[i].first, int64_t(1) << (8 + 5 * i)));
        ASSERT_EQ(RunTool({"touch", "-d", files[i].second + " UTC", root + "/" + files[i].first}).exitCode, 0);
    }
}

// The first row where two listings part, for a failure message.
std::string firstDifference(const std::vector<std::string>& shown, const std::vector<std::string>& expected)
{
    for (size_t i = 0; i < std::max(shown.size(), expected.size()); ++i)
        if (i >= shown.size() || i >= expected.size() || shown[i] != expected[i])
            return "row " + std::to_string(i) + ": shown \"" + (i < shown.size() ? shown[i] : "-") + "\", listed \"" +
                   (i < expected.size() ? expected[i] : "-") + "\"";
    return {};
}

} // namespace

TEST(DriveExplorerDlg, ShowsFoldersFirstWithItsTextsAndReadsFoldersOnce)
{
    FakeExplorer reader;
    const uint64_t march2009 = UnixTimeToFileTime(1236236649); // 2009-03-05 07:04:09 UTC
    reader.folders[kExplorerRoot] = {FakeExplorer::Item("A", true, 0, 20), FakeExplorer::Item("B", true, 0, 21),
                                     FakeExplorer::Item("x", false, 1536, 30, march2009),
                                     FakeExplorer::Item("y", false, 1023, 31)};
    reader.folders[20] = {FakeExplorer::Item("inner", false, 3ll << 30, 40)};
    reader.refused = {21};
    KDriveExplorerDlg dialog(QStringLiteral("DATA (E:)"), &reader);
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("treeWidget"));
    ASSERT_TRUE(tree);
    EXPECT_EQ(dialog.windowTitle(), "Partition Explorer");
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "My Computer");
    QTreeWidgetItem* drive = driveItem(dialog);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->text(0), "DATA (E:)");
    EXPECT_TRUE(drive->isExpanded());
    EXPECT_EQ(rows(drive), (std::vector<std::string>{"B | 1601-1-1 0:0 | ", "A | 1601-1-1 0:0 | ",
                                                     "x | 2009-3-5 7:4 | 1.50 KB", "y | 1601-1-1 0:0 | 1023 Bytes"}));
    EXPECT_EQ(drive->child(2)->text(1), "2009-3-5 7:4:9");
    EXPECT_EQ(KDriveExplorerDlg::SizeText(3ll << 30), "3.00 GB");
    EXPECT_EQ(KDriveExplorerDlg::SizeText(1048576 + 524288), "1.50 MB");
    EXPECT_EQ(KDriveExplorerDlg::SizeText(0), "0 Bytes");
    EXPECT_EQ(tree->columnWidth(0), 250);
    EXPECT_EQ(tree->columnWidth(3), 150);
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    // Folders are read when first opened, and only then.
    QTreeWidgetItem* a = drive->child(1);
    EXPECT_EQ(a->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(reader.calls[20], 0);
    a->setExpanded(true);
    ASSERT_EQ(a->childCount(), 1);
    EXPECT_EQ(a->child(0)->text(3), "3.00 GB");
    a->setExpanded(false);
    a->setExpanded(true);
    EXPECT_EQ(reader.calls[20], 1);
    // A refused folder stays empty with its indicator; an empty one loses it.
    QTreeWidgetItem* b = drive->child(0);
    b->setExpanded(true);
    EXPECT_EQ(b->childCount(), 0);
    EXPECT_EQ(b->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    reader.refused.clear();
    b->setExpanded(false);
    b->setExpanded(true);
    EXPECT_EQ(b->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);

    dialog.show();
    const QImage shot = dialog.grab().toImage();
    EXPECT_GE(shot.width(), 300);
    EXPECT_GT(DistinctColours(shot), 8) << "looks blank";
    if (const QString folder = qEnvironmentVariable("VOLMARA_SHOTS_DIR"); !folder.isEmpty())
        shot.save(folder + QStringLiteral("/explorer.png"));
}

class DriveExplorerVolumes : public ::testing::TestWithParam<int> {};

// The dialog's rows of the root and of a folder of 2500 files equal the field's own listing of them.
TEST_P(DriveExplorerVolumes, ListsAsTheFieldsToolsDo)
{
    const int fs = GetParam();
    for (const char* tool : {"mkfs.fat", "mcopy", "mdir", "mkntfs", "ntfs-3g", "ntfsls", "mke2fs", "debugfs"})
        if (!HaveTool(tool))
            GTEST_SKIP() << tool << " missing";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    TempDir dir;
    const std::string tree = dir.File("tree"), image = dir.File("volume.img");
    makeTree(tree);
    ASSERT_TRUE(MakeSparseFile(image, 96ll << 20));
    std::function<std::vector<Listed>(const std::string&)> listing;
    std::unique_ptr<ImageMount> ntfsRead; // unmounted on every way out
    if (fs == kFsFat32) {
        ASSERT_EQ(RunTool({"mkfs.fat", "-F", "32", image}).exitCode, 0);
        for (const auto& top : std::filesystem::directory_iterator(tree)) {
            const ToolResult r = RunTool({"mcopy", "-s", "-m", "-i", image, top.path().string(), "::/"});
            ASSERT_EQ(r.exitCode, 0) << r.output;
        }
        listing = [&](const std::string& folder) { return mdirListing(image, folder); };
    } else if (fs == kFsNtfs) {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "no FUSE";
        ASSERT_EQ(RunTool({"mkntfs", "-Q", "-F", image}).exitCode, 0);
        const std::string point = dir.File("mnt");
        std::filesystem::create_directories(point);
        ImageMount mount(image, point);
        ASSERT_TRUE(mount.Mounted()) << mount.Output();
        const ToolResult r = RunTool({"cp", "-a", tree + "/.", point});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        ASSERT_TRUE(mount.Unmount());
        // ntfsls sees the same folder.
        const ToolResult ls = RunTool({"ntfsls", "-p", "/many", image});
        std::istringstream lines(ls.output);
        int names = 0;
        for (std::string text; std::getline(lines, text);)
            names += text.size() == 9 && text.substr(5) == ".DAT";
        EXPECT_EQ(names, 2500) << ls.output.substr(0, 300);
        ntfsRead = std::make_unique<ImageMount>(image, point, "ro");
        ASSERT_TRUE(ntfsRead->Mounted()) << ntfsRead->Output();
        listing = [point](const std::string& folder) { return mountListing(point, folder == "/" ? "" : folder); };
    } else {
        const ToolResult r = RunTool({"mke2fs", "-q", "-F", "-t", "ext3", "-d", tree, image});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        listing = [&](const std::string& folder) { return debugfsListing(image, folder); };
    }

    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> reader(CreateFileSystemExplorerInterface(fs));
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->Open(&disk, 0), 1);
    KDriveExplorerDlg dialog(QStringLiteral("Disk 1 Partition 1"), reader.get());
    QTreeWidgetItem* drive = driveItem(dialog);
    ASSERT_TRUE(drive);
    EXPECT_EQ(firstDifference(rows(drive), expectedRows(listing("/"))), "");
    QTreeWidgetItem* many = childNamed(drive, QStringLiteral("many"));
    ASSERT_TRUE(many);
    many->setExpanded(true);
    ASSERT_EQ(many->childCount(), 2500);
    std::vector<std::string> shown = rows(many), expected = expectedRows(listing("/many"));
    if (fs == kFsNtfs) {
        // ntfs-3g gives the index root's names first and then each index block's, in block order; the
        // reader gives the index's own (sorted) order. Only files here, so the rows compare as sets.
        std::sort(shown.begin(), shown.end());
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(firstDifference(shown, expected), "");
    reader->Release();
}

INSTANTIATE_TEST_SUITE_P(FileSystems, DriveExplorerVolumes, ::testing::Values(kFsFat32, kFsNtfs, kFsExt3),
                         [](const auto& info) {
                             return std::string(info.param == kFsFat32 ? "Fat32" : info.param == kFsNtfs ? "Ntfs" : "Ext3");
                         });
