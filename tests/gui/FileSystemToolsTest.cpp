// Check File System and Convert FAT to NTFS: damaged FAT and Ext volumes are found by a check and
// repaired through the window with the checker's questions answered in message boxes, an NTFS volume
// is checked, the loop device made for an image is always let go, and the converter's progress and
// question pass through the same console. Needs root (loop devices) and the checkers.
#include <QEventLoop>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "gui/tools/KCheckFileSystemDlg.h"
#include "gui/tools/KConvertFatToNtfsDlg.h"
#include "support/NtfsVolumes.h"
#include "support/VolumeCheck.h"

namespace {

using HandlerSupport::DialogAnswer;
using TestSupport::RunTool;

constexpr int64_t kFat = 2048, kNtfs = 34816, kExt = 67584, kFatSectors = 32768, kNtfsSectors = 32768,
                  kExtSectors = 16384;

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

// Makes a volume in a file of its own with `make`, lets `damage` work on that file, and puts it at
// `start` of the image.
bool PlaceVolume(const std::string& image, int64_t start, int64_t sectors, std::vector<std::string> make,
                 const std::function<bool(const std::string&)>& damage)
{
    const std::string vol = image + ".vol";
    make.push_back(vol);
    const bool placed = TestSupport::MakeSparseFile(vol, sectors * 512) && RunTool(make).exitCode == 0 &&
                        damage(vol) && NtfsVolumes::Insert(vol, image, start);
    std::filesystem::remove(vol);
    return placed;
}

// Two files whose cluster chains cross: the first file's fifth cluster leads into the second's sixth.
bool CrossLinkedFat(const std::string& vol)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    const std::string a = vol + ".a";
    if (!TestSupport::MakeSparseFile(a, 20000) || !TestSupport::FillPattern(a, 0, 20000, 7))
        return false;
    const bool copied = RunTool({"mcopy", "-i", vol, a, "::A.BIN"}).exitCode == 0 &&
                        RunTool({"mcopy", "-i", vol, a, "::B.BIN"}).exitCode == 0;
    std::filesystem::remove(a);
    const std::vector<uint8_t> boot = TestSupport::ReadBytes(vol, 0, 512);
    if (!copied || boot.size() != 512)
        return false;
    const int reserved = Le16(boot, 14), fats = boot[16], rootEntries = Le16(boot, 17), fatSectors = Le16(boot, 22);
    const std::vector<uint8_t> root = TestSupport::ReadBytes(vol, int64_t(reserved + fats * fatSectors) * 512, rootEntries * 32);
    uint16_t first[2] = {};
    for (size_t e = 0; e + 32 <= root.size(); e += 32)
        for (int f = 0; f < 2; ++f)
            if (std::equal(root.begin() + long(e), root.begin() + long(e) + 11, f ? "B       BIN" : "A       BIN"))
                first[f] = Le16(root, e + 26);
    if (!first[0] || !first[1])
        return false;
    const uint16_t target = uint16_t(first[1] + 5);
    for (int f = 0; f < fats; ++f)
        if (!TestSupport::WriteBytes(vol, int64_t(reserved + f * fatSectors) * 512 + (first[0] + 4) * 2,
                                     {uint8_t(target), uint8_t(target >> 8)}))
            return false;
    return true;
}

// A file whose first block points far outside the volume.
bool DamagedInode(const std::string& vol)
{
    const std::string text = vol + ".txt";
    std::ofstream(text) << "hello\n";
    const bool done = RunTool({"debugfs", "-w", "-R", "write " + text + " hello.txt", vol}).exitCode == 0 &&
                      RunTool({"debugfs", "-w", "-R", "sif hello.txt block[0] 999999", vol}).exitCode == 0;
    std::filesystem::remove(text);
    return done;
}

void LayOut(const std::string& image)
{
    const auto keep = [](const std::string&) { return true; };
    EXPECT_TRUE(PlaceVolume(image, kFat, kFatSectors, {"mkfs.fat", "-F", "16"}, CrossLinkedFat));
    EXPECT_TRUE(PlaceVolume(image, kNtfs, kNtfsSectors, {"mkfs.ntfs", "-q", "-Q", "-F"}, keep));
    EXPECT_TRUE(PlaceVolume(image, kExt, kExtSectors, {"mke2fs", "-q", "-t", "ext2", "-F"}, DamagedInode));
    // The letters F: and G: for the FAT and NTFS volumes.
    const std::string state = std::filesystem::path(image).parent_path() / "state";
    std::filesystem::create_directories(state);
    std::ofstream(state + "/mounted-devices") << "F 0ABCDEF1 " << kFat << "\nG 0ABCDEF1 " << kNtfs << "\n";
}

MainFrameSupport::Window ToolDisk()
{
    return MainFrameSupport::Window({{64,
                                      "label: dos\nlabel-id: 0x0abcdef1\n2048,32768,6\n34816,32768,7\n67584,16384,83\n",
                                      LayOut}});
}

QStringList Console(QDialog& dialog)
{
    QStringList lines;
    auto* list = DialogProbe::Child<QListWidget>(dialog, "listWidget");
    for (int i = 0; list && i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

// Presses Start and waits for the program to end; the console's lines.
QStringList RunProgram(KConsoleToolDlg& dialog)
{
    QEventLoop loop;
    QObject::connect(&dialog, &KConsoleToolDlg::programFinished, &loop, &QEventLoop::quit);
    DialogProbe::Child<QPushButton>(dialog, "okButton")->click();
    if (dialog.IsRunning())
        loop.exec();
    return Console(dialog);
}

// The loop devices that are backed by the image.
std::string LoopsOf(const std::string& image) { return RunTool({"losetup", "-j", image}).output; }

bool Ready()
{
    return ::geteuid() == 0 && VolumeCheck::HaveDiskTools() && TestSupport::HaveTool("debugfs") &&
           TestSupport::HaveTool("losetup") && TestSupport::HaveTool("script");
}

} // namespace

TEST(FileSystemTools, DamageIsFoundByACheckAndRepairedThroughTheQuestions)
{
    if (!Ready())
        GTEST_SKIP() << "needs root, loop devices and the checkers";
    auto w = ToolDisk();
    const std::string image = w.images[0];
    MainFrame& f = *w.frame;

    // FAT through the window: a check that only looks changes nothing and finds the crossing chains.
    HandlerSupport::SelectAt(f, 0, kFat);
    EXPECT_TRUE(w.Action("actionCheck_File_System")->isEnabled());
    const uint64_t before = TestSupport::HashRange(image, kFat * 512, kFatSectors * 512);
    int runs = 0;
    {
    DialogAnswer<KCheckFileSystemDlg> fatCheck([&](KCheckFileSystemDlg& d) {
        {
            MessageBoxAnswer none({});
            const QStringList found = RunProgram(d);
            EXPECT_TRUE(found.join('\n').contains("share clusters")) << found.join('\n').toStdString();
            EXPECT_EQ(none.Count(), 0u);
        }
        ASSERT_EQ(d.LastCommand().size(), 3);
        EXPECT_EQ(d.LastCommand()[1], "-n");
        EXPECT_TRUE(d.LastCommand()[2].startsWith("/dev/loop"));
        EXPECT_EQ(LoopsOf(image), "");
        EXPECT_EQ(TestSupport::HashRange(image, kFat * 512, kFatSectors * 512), before);

        // Check and fix: "truncate the first file" and "write the changes" are answered Yes.
        DialogProbe::Child<QRadioButton>(d, "radioButton_2")->setChecked(true);
        MessageBoxAnswer answers({"Yes", "Yes"});
        const QStringList fixed = RunProgram(d);
        ASSERT_EQ(answers.Count(), 2u) << fixed.join('\n').toStdString();
        EXPECT_EQ(answers.Boxes()[0].title, "Question");
        EXPECT_TRUE(answers.Boxes()[0].text.contains("share clusters")) << answers.Boxes()[0].text.toStdString();
        EXPECT_TRUE(answers.Boxes()[0].text.contains("1) Truncate first")) << answers.Boxes()[0].text.toStdString();
        EXPECT_TRUE(answers.Boxes()[1].text.contains("Write changes")) << answers.Boxes()[1].text.toStdString();
        EXPECT_EQ(d.LastCommand()[1], "-r");
        EXPECT_EQ(LoopsOf(image), "");
        ++runs;
    });
    w.Action("actionCheck_File_System")->trigger();
    }
    EXPECT_EQ(runs, 1);
    VolumeCheck::ExpectChecked(w.dir, image, kFat, kFatSectors, "vfat");

    // NTFS through the window: checked, nothing asked.
    HandlerSupport::SelectAt(f, 0, kNtfs);
    EXPECT_TRUE(w.Action("actionCheck_File_System")->isEnabled());
    {
    DialogAnswer<KCheckFileSystemDlg> ntfsCheck([&](KCheckFileSystemDlg& d) {
        const QStringList out = RunProgram(d);
        EXPECT_TRUE(out.join('\n').contains("processed successfully")) << out.join('\n').toStdString();
        EXPECT_EQ(d.LastCommand()[0].section('/', -1), "ntfsfix");
        ++runs;
    });
    w.Action("actionCheck_File_System")->trigger();
    }
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(LoopsOf(image), "");

    // Ext (no letter, so no action: the window is opened on its volume device): the damaged inode is
    // found, then repaired with every question answered Yes through the boxes on a terminal.
    std::unique_ptr<IVolumeDevice> ext(f.VolumeManager()->CreateVolumeDevice(0, HandlerSupport::IndexAt(f, 0, kExt)));
    ASSERT_TRUE(ext);
    KCheckFileSystemDlg dialog(ext.get());
    dialog.show();
    {
        MessageBoxAnswer none({});
        const QStringList found = RunProgram(dialog);
        EXPECT_TRUE(found.join('\n').contains("illegal block")) << found.join('\n').toStdString();
        EXPECT_EQ(none.Count(), 0u);
    }
    DialogProbe::Child<QRadioButton>(dialog, "radioButton_2")->setChecked(true);
    MessageBoxAnswer yes(QStringList(12, QStringLiteral("Yes")));
    const QStringList fixed = RunProgram(dialog);
    ASSERT_GE(yes.Count(), 3u) << fixed.join('\n').toStdString();
    EXPECT_TRUE(yes.Boxes()[0].text.contains("illegal block")) << yes.Boxes()[0].text.toStdString();
    for (const auto& box : yes.Boxes())
        EXPECT_TRUE(box.answered && box.title == "Question") << box.text.toStdString();
    EXPECT_TRUE(fixed.join('\n').contains("FILE SYSTEM WAS MODIFIED")) << fixed.join('\n').toStdString();
    EXPECT_EQ(LoopsOf(image), "");
    dialog.close();
    VolumeCheck::ExpectChecked(w.dir, image, kExt, kExtSectors, "ext2");
}

TEST(FileSystemTools, ConverterRunsOnlyWhenPresentAndGetsItsAnswer)
{
    if (!Ready())
        GTEST_SKIP() << "needs root, loop devices and the checkers";
    auto w = ToolDisk();
    MainFrame& f = *w.frame;
    HandlerSupport::SelectAt(f, 0, kFat);
    ASSERT_TRUE(w.Action("action_Convert_File_System")->isEnabled());

    // Pending work first: the user is told to apply it.
    w.Action("action_Set_Active")->trigger();
    ASSERT_EQ(f.Executive()->GetCommandCount(), 1);
    HandlerSupport::SelectAt(f, 0, kFat);
    {
        MessageBoxAnswer ok({"OK"});
        DialogAnswer<KConvertFatToNtfsDlg> never([](KConvertFatToNtfsDlg&) {});
        w.Action("action_Convert_File_System")->trigger();
        ASSERT_EQ(ok.Count(), 1u);
        EXPECT_EQ(ok.Last().title, "Information");
        EXPECT_EQ(ok.Last().text, "Please apply all the changes you have made before you convert file system for this partition.");
        EXPECT_EQ(never.Seen(), 0);
    }
    w.Action("actionUndo_Last_Changes")->trigger();
    ASSERT_EQ(f.Executive()->GetCommandCount(), 0);

    // The converter beside the program refuses the volume, whose chains cross: nothing is asked.
    // Afterwards the layout is read again from the disk (a change only the pending layout had is gone).
    const int fatIndex = HandlerSupport::IndexAt(f, 0, kFat);
    w.Patch(0, fatIndex, [](PartitionInfo& e) { e.ClusterSize = 77; });
    HandlerSupport::SelectAt(f, 0, kFat);
    {
        QStringList out;
        MessageBoxAnswer none({});
        DialogAnswer<KConvertFatToNtfsDlg> refused([&](KConvertFatToNtfsDlg& d) {
            EXPECT_EQ(DialogProbe::Child<QLabel>(d, "currentFileSystemlabel")->text(), "FAT16");
            out = RunProgram(d);
        });
        w.Action("action_Convert_File_System")->trigger();
        EXPECT_EQ(refused.Seen(), 1);
        EXPECT_EQ(none.Count(), 0u);
        EXPECT_TRUE(out.join('\n').contains("chains that cross")) << out.join('\n').toStdString();
    }
    EXPECT_NE(HandlerSupport::EntryAt(f, 0, kFat).ClusterSize, 77);

    // No converter in the folder: Start starts nothing.
    std::unique_ptr<IVolumeDevice> fat(f.VolumeManager()->CreateVolumeDevice(0, HandlerSupport::IndexAt(f, 0, kFat)));
    ASSERT_TRUE(fat);
    {
        KConvertFatToNtfsDlg missing(fat.get(), nullptr, QString::fromStdString(w.dir.Path()));
        DialogProbe::Child<QPushButton>(missing, "okButton")->click();
        EXPECT_FALSE(missing.IsRunning());
        EXPECT_TRUE(missing.LastCommand().isEmpty());
        EXPECT_TRUE(Console(missing).isEmpty());
    }

    // A stand-in converter: progress rewritten with carriage returns, then the question.
    const std::string converter = w.dir.File("volmara-convert");
    std::ofstream(converter) << "#!/bin/sh\n"
                                "echo \"Converting $1 $2\"\n"
                                "printf ' 10 percent\\r 50 percent\\r100 percent\\r\\n'\n"
                                "printf 'Convert drive %s to NTFS now (Y/N)? ' \"$1\"\n"
                                "read answer\n"
                                "echo \"$answer\"\n"
                                "echo \"answer=$answer\"\n";
    std::filesystem::permissions(converter, std::filesystem::perms::owner_all);
    for (const char* reply : {"Yes", "No"}) {
        KConvertFatToNtfsDlg dialog(fat.get(), nullptr, QString::fromStdString(w.dir.Path()));
        dialog.show();
        MessageBoxAnswer answer({reply});
        const QStringList out = RunProgram(dialog);
        EXPECT_EQ(dialog.LastCommand().mid(1), (QStringList{"F:", "/FS:NTFS"}));
        ASSERT_EQ(answer.Count(), 1u) << out.join('\n').toStdString();
        EXPECT_EQ(answer.Last().title, "Question");
        EXPECT_EQ(answer.Last().text, "Converting F: /FS:NTFS<BR>100 percent<BR>Convert drive F: to NTFS now (Y/N)?");
        // The converter shows the answer after its question.
        EXPECT_EQ(out, (QStringList{"Converting F: /FS:NTFS", "100 percent",
                                    QStringLiteral("Convert drive F: to NTFS now (Y/N)? ") + reply[0],
                                    QStringLiteral("answer=") + reply[0], ""}));
    }
}

// A sound FAT16 volume at F: with one file, for the real converter.
void ConvertibleFat(const std::string& image)
{
    const auto fill = [](const std::string& vol) {
        ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
        std::ofstream(vol + ".txt") << "kept in place\n";
        const bool ok = RunTool({"mcopy", "-i", vol, vol + ".txt", "::Notes on it.txt"}).exitCode == 0;
        std::filesystem::remove(vol + ".txt");
        return ok;
    };
    EXPECT_TRUE(PlaceVolume(image, kFat, kFatSectors, {"mkfs.fat", "-F", "16", "-n", "TOOLS"}, fill));
    const std::string state = std::filesystem::path(image).parent_path() / "state";
    std::filesystem::create_directories(state);
    std::ofstream(state + "/mounted-devices") << "F 0ABCDEF1 " << kFat << "\n";
}

// The converter beside the program, through the window: No leaves the volume as it was, Yes converts
// it; the layout read again then shows NTFS, and the partition's type is 07.
TEST(FileSystemTools, TheConverterConvertsOnlyOnYes)
{
    if (!Ready())
        GTEST_SKIP() << "needs root, loop devices and the checkers";
    MainFrameSupport::Window w({{64, "label: dos\nlabel-id: 0x0abcdef1\n2048,32768,6\n", ConvertibleFat}});
    const std::string image = w.images[0];
    MainFrame& f = *w.frame;
    const uint64_t before = TestSupport::HashRange(image, 0, (kFat + kFatSectors) * 512);
    for (const QString& reply : {QStringLiteral("No"), QStringLiteral("Yes")}) {
        HandlerSupport::SelectAt(f, 0, kFat);
        ASSERT_TRUE(w.Action("action_Convert_File_System")->isEnabled());
        QStringList out;
        size_t asked = 0;
        DialogAnswer<KConvertFatToNtfsDlg> run([&](KConvertFatToNtfsDlg& d) {
            MessageBoxAnswer answer({reply});
            out = RunProgram(d);
            asked = answer.Count();
            if (asked) {
                EXPECT_TRUE(answer.Last().text.endsWith("Convert drive F: to NTFS now (Y/N)?"));
            }
        });
        w.Action("action_Convert_File_System")->trigger();
        ASSERT_EQ(run.Seen(), 1);
        EXPECT_EQ(asked, 1u) << out.join('\n').toStdString();
        if (reply == "No") {
            EXPECT_TRUE(out.contains("The volume was not converted.")) << out.join('\n').toStdString();
            EXPECT_EQ(TestSupport::HashRange(image, 0, (kFat + kFatSectors) * 512), before);
            EXPECT_EQ(HandlerSupport::EntryAt(f, 0, kFat).FileSystemType, 6);
        } else {
            EXPECT_TRUE(out.contains("Conversion complete.")) << out.join('\n').toStdString();
            EXPECT_EQ(HandlerSupport::EntryAt(f, 0, kFat).FileSystemType, 7);
            EXPECT_EQ(HandlerSupport::EntryAt(f, 0, kFat).PartitionTypeId, 7);
            VolumeCheck::ExpectChecked(w.dir, image, kFat, kFatSectors, "ntfs");
        }
    }
}

TEST(FileSystemTools, BothWindowsPaintTheirForms)
{
    const auto colours = [](const QImage& image) {
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                seen.insert(image.pixel(x, y));
        return seen.size();
    };
    KCheckFileSystemDlg check(nullptr);
    KConvertFatToNtfsDlg convert(nullptr);
    for (QDialog* dialog : {static_cast<QDialog*>(&check), static_cast<QDialog*>(&convert)}) {
        dialog->show();
        const QImage shot = dialog->grab().toImage();
        EXPECT_GE(shot.width(), 300) << dialog->windowTitle().toStdString();
        EXPECT_GE(shot.height(), 200) << dialog->windowTitle().toStdString();
        EXPECT_GT(colours(shot), 8) << dialog->windowTitle().toStdString() << " looks blank";
        dialog->close();
    }
    EXPECT_EQ(check.windowTitle(), "Check File System");
    EXPECT_EQ(convert.windowTitle(), "Convert File System");
}
