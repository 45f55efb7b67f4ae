// The surface test: the read and block arithmetic, the reading loop on images with injected read
// faults, the window's grid, counters, stop and close, and the main window's two entries.
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QRecursiveMutex>
#include <QTimer>
#include <functional>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "MainFrameSupport.h"
#include "MessageBoxAnswer.h"
#include "SurfaceScanSupport.h"
#include "engine/FaultInjection.h"
#include "gui/tools/KSurfaceScanDlg.h"
#include "gui/tools/KSurfaceScanningThread.h"
#include "gui/tools/SurfaceBlockPictures.h"
#include "gui/tools/SurfaceScanRules.h"
#include "support/TestSupport.h"

using SurfaceScanSupport::GatedDevice;
using SurfaceScanSupport::ModifyWatch;

namespace {

// Read faults for disk 0 while the object lives.
struct Faults {
    explicit Faults(const std::string& text) { FaultInjection::Configure(text); }
    ~Faults() { FaultInjection::Configure(""); }
};

struct Report {
    int64_t block;
    bool failed;
};

// Runs the reading loop to its end (or until `stopAfter` reports were seen) and returns every report.
std::vector<Report> Scan(ISectorDevice& device, int64_t total, int64_t stopAfter = -1)
{
    QRecursiveMutex mutex;
    std::atomic<int> cancel{0};
    std::vector<Report> reports;
    KSurfaceScanningThread worker(&device, total, SurfaceScanRules::BlockSectors(total), &mutex, &cancel);
    QObject::connect(&worker, &KSurfaceScanningThread::emit_set_scanning_progress, qApp,
                     [&](qint64 block, bool failed) {
                         reports.push_back({block, failed});
                         if (stopAfter >= 0 && int64_t(reports.size()) >= stopAfter)
                             cancel = 1;
                     },
                     Qt::QueuedConnection);
    QEventLoop loop;
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker.start();
    loop.exec();
    worker.wait();
    return reports;
}

std::string MakeImage(const TestSupport::TempDir& dir, int64_t sectors, const char* name = "disk.img")
{
    const std::string path = dir.File(name);
    EXPECT_TRUE(TestSupport::MakeSparseFile(path, sectors * 512));
    return path;
}

} // namespace

TEST(SurfaceScanRules, BlockSectorsKeepTheBitmapUnderThreeMebibytes)
{
    const struct {
        int64_t total, block;
    } cases[] = {
        {1, 63}, {976773168, 63} /* 500 GB */, {1585446911, 63}, {1585446912, 126}, {3170893823, 126}, {3170893824, 189},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SurfaceScanRules::BlockSectors(c.total), c.block) << c.total;
}

TEST(SurfaceScanRules, TheLastReadIsShortWhenTheSizeIsNoMultipleOf63)
{
    const struct {
        int64_t total, reads, lastLength;
    } cases[] = {{63, 1, 63}, {64, 2, 1}, {1000, 16, 55}, {2520, 40, 63}};
    for (const auto& c : cases) {
        EXPECT_EQ(SurfaceScanRules::ReadCount(c.total), c.reads) << c.total;
        EXPECT_EQ(SurfaceScanRules::ReadLength(c.total, c.reads - 1), c.lastLength) << c.total;
        EXPECT_EQ(SurfaceScanRules::BlockCount(c.total, 63), c.reads) << c.total;
    }
}

// Every read is reported once, in order, failed exactly where a fault lies; nothing is written.
TEST(SurfaceScanningThread, ReportsEveryReadAndFailsExactlyAtTheFaults)
{
    const struct {
        int64_t total;
        const char* faults;
        std::set<int64_t> failedReads;
    } cases[] = {
        {2520, "", {}},
        {2520, "0:r:0-0,0:r:1000-1000", {0, 15}},
        {1000, "", {}},              // the short last read (55 sectors) must not run past the end
        {1000, "0:r:999-999", {15}}, // and it reads the very last sector
        {2520, "0:r:62-126", {0, 1, 2}},
        {200000, "0:r:8063-8064,0:r:199999-199999", {127, 128, 3174}}, // across two read-ahead pieces
    };
    for (const auto& c : cases) {
        TestSupport::TempDir dir;
        const std::string image = MakeImage(dir, c.total);
        TestSupport::FillPattern(image, 0, c.total * 512, 7);
        const uint64_t before = TestSupport::HashRange(image, 0, c.total * 512);
        Faults faults(c.faults);
        ModifyWatch watch(image);
        ASSERT_TRUE(watch.Watching());
        GatedDevice device(image);
        ASSERT_TRUE(device.IsOpen());
        const std::vector<Report> reports = Scan(device, c.total);
        ASSERT_EQ(int64_t(reports.size()), SurfaceScanRules::ReadCount(c.total)) << c.faults;
        std::set<int64_t> failed;
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].block, int64_t(i));
            if (reports[i].failed)
                failed.insert(int64_t(i));
        }
        EXPECT_EQ(failed, c.failedReads) << c.total << " " << c.faults;
        EXPECT_EQ(device.Writes(), 0);
        EXPECT_FALSE(watch.Modified()) << "the image was written";
        EXPECT_EQ(TestSupport::HashRange(image, 0, c.total * 512), before);
    }
}

// Past about 1.58 x 10^9 sectors a block is 126 sectors: two reads report the same block.
TEST(SurfaceScanningThread, LargeDisksTakeTwoReadsPerBlock)
{
    TestSupport::TempDir dir;
    const int64_t total = 1585446912;
    const std::string image = MakeImage(dir, total);
    Faults faults("0:r:63-63,0:r:320-320");
    GatedDevice device(image);
    const std::vector<Report> reports = Scan(device, total, 12);
    ASSERT_GE(reports.size(), 12u);
    ASSERT_LT(reports.size(), 10000u) << "the scan did not stop";
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(reports[i].block, int64_t(i / 2)) << i;
        EXPECT_EQ(reports[i].failed, i == 1 || i == 5) << i;
    }
}

namespace {

// A window on a 64 MiB image (2081 blocks, the last one of 32 sectors) with a grid of 10 x 2 cells.
struct ScanWindow {
    explicit ScanWindow(const char* faultText, int64_t gateSector = -1)
        : image(MakeImage(dir, kSectors)), faults(faultText), device(image, gateSector),
          dialog(QStringLiteral("\"Disk 1\""), &device)
    {
        dialog.show();
        SetGrid(10, 2);
    }
    void SetGrid(int columns, int rows)
    {
        dialog.findChild<QWidget*>(QStringLiteral("widget"))->setFixedSize(2 + columns * 11, 2 + rows * 11);
        QApplication::processEvents();
    }
    QString Label(const char* name) { return DialogProbe::Child<QLabel>(dialog, name)->text(); }
    QPushButton* Button() { return DialogProbe::Child<QPushButton>(dialog, "pushButton"); }
    // Calls `step` every few milliseconds while the scan runs (the start button does not return before
    // the scan ends) until it returns true.
    void During(std::function<bool()> step)
    {
        auto* timer = new QTimer(&dialog);
        QObject::connect(timer, &QTimer::timeout, [timer, step] {
            if (step())
                timer->stop();
        });
        timer->start(5);
    }
    // The cells drawn red and green, judged by the picture in each cell.
    std::set<int64_t> Cells(SurfaceBlockPictures::Kind kind)
    {
        const QImage picture = SurfaceBlockPictures::Block(kind).toImage();
        const QImage grid = dialog.GridImage().toImage();
        std::set<int64_t> cells;
        for (int64_t cell = 0; cell < dialog.Cells(); ++cell) {
            const QPoint at = dialog.CellOrigin(cell) + QPoint(5, 5);
            if (grid.pixel(at) == picture.pixel(5, 5))
                cells.insert(cell);
        }
        return cells;
    }

    static constexpr int64_t kSectors = 131072;
    TestSupport::TempDir dir;
    std::string image;
    Faults faults;
    GatedDevice device;
    KSurfaceScanDlg dialog;
};

std::string BlockFaults(std::initializer_list<int64_t> blocks)
{
    std::string text;
    for (int64_t b : blocks)
        text += (text.empty() ? "" : ",") + std::string("0:r:") + std::to_string(b * 63 + 10) + "-" + std::to_string(b * 63 + 10);
    return text;
}

} // namespace

// Red cells exactly where the faults are; an error in the cell drawn red last is not counted again.
TEST(KSurfaceScanDlg, RedCellsAndTheErrorCount)
{
    using K = SurfaceBlockPictures::Kind;
    const struct {
        std::initializer_list<int64_t> faultBlocks;
        std::set<int64_t> red;
        int64_t errors;
        const char* message;
    } cases[] = {
        {{}, {}, 0, "Surface scan complete. No error found."},
        {{0, 1}, {0}, 1, "Surface scan complete. 1 errors found."},       // consecutive, one cell
        {{104, 105}, {0, 1}, 2, "Surface scan complete. 2 errors found."}, // consecutive, two cells
        {{10, 50, 300}, {0, 2}, 2, "Surface scan complete. 2 errors found."},
        {{2080}, {19}, 1, "Surface scan complete. 1 errors found."}, // the short last block
    };
    for (const auto& c : cases) {
        ScanWindow w(BlockFaults(c.faultBlocks).c_str());
        ASSERT_EQ(w.dialog.BlockCount(), 2081);
        ASSERT_EQ(w.dialog.BlocksPerCell(), 105);
        ASSERT_EQ(w.dialog.Cells(), 20);
        ModifyWatch watch(w.image);
        MessageBoxAnswer answer({"OK"});
        w.Button()->click();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().text, QString::fromLatin1(c.message));
        EXPECT_TRUE(answer.Last().title.isEmpty());
        EXPECT_EQ(w.dialog.ErrorCount(), c.errors);
        EXPECT_EQ(w.Label("label_error_count"), QString::number(c.errors));
        EXPECT_EQ(w.Label("label_percent"), QStringLiteral("100%"));
        EXPECT_EQ(w.Button()->text(), QStringLiteral("Start Now"));
        EXPECT_EQ(w.Cells(K::Red), c.red);
        EXPECT_EQ(w.Cells(K::Red).size() + w.Cells(K::Green).size(), 20u);
        for (int64_t b : c.faultBlocks)
            EXPECT_TRUE(w.dialog.BlockFailed(b)) << b;
        EXPECT_EQ(w.device.Writes(), 0);
        EXPECT_FALSE(watch.Modified());
    }
}

// Resizing during a scan lays the grid out again from the blocks read so far.
TEST(KSurfaceScanDlg, ResizeDuringAScanRedrawsFromTheBlocksRead)
{
    using K = SurfaceBlockPictures::Kind;
    ScanWindow w(BlockFaults({3, 200}).c_str(), 3 * 8064); // holds back the fourth read-ahead piece
    MessageBoxAnswer answer({"OK"});
    bool resized = false;
    w.During([&] {
        if (w.dialog.CurrentBlock() < 383)
            return false;
        w.SetGrid(40, 2); // 80 cells of 27 blocks; 78 are used
        EXPECT_EQ(w.dialog.BlocksPerCell(), 27);
        EXPECT_EQ(w.dialog.Cells(), 78);
        EXPECT_EQ(w.Cells(K::Red), (std::set<int64_t>{0, 7}));
        std::set<int64_t> green;
        for (int64_t cell = 1; cell <= 383 / 27; ++cell)
            if (cell != 7)
                green.insert(cell);
        EXPECT_EQ(w.Cells(K::Green), green);
        resized = true;
        w.device.Open();
        return true;
    });
    w.Button()->click();
    EXPECT_TRUE(resized);
    EXPECT_EQ(w.dialog.ErrorCount(), 2);
    EXPECT_EQ(w.Cells(K::Red), (std::set<int64_t>{0, 7}));
    EXPECT_EQ(w.Cells(K::Green).size(), 76u);
    EXPECT_EQ(answer.Last().text, QStringLiteral("Surface scan complete. 2 errors found."));
}

// Stop, and closing the window while scanning: No keeps scanning, Yes ends it.
TEST(KSurfaceScanDlg, StopAndCloseDuringAScan)
{
    const struct {
        const char* how; // "stop", "close-no", "close-yes"
        QStringList answers;
        QString result;
        bool visibleAfter;
        bool complete;
    } cases[] = {
        {"stop", {"OK"}, "User canceled. No error found.", true, false},
        {"close-no", {"No", "OK"}, "Surface scan complete. No error found.", true, true},
        {"close-yes", {"Yes", "OK"}, "User canceled. No error found.", false, false},
    };
    for (const auto& c : cases) {
        ScanWindow w("", 8064);
        MessageBoxAnswer answer(c.answers);
        bool acted = false;
        w.During([&] {
            if (w.dialog.CurrentBlock() < 0)
                return false;
            EXPECT_EQ(w.Button()->text(), QStringLiteral("Stop Now"));
            EXPECT_TRUE(KSurfaceScanDlg::ScanRunning());
            if (std::string(c.how) == "stop")
                w.Button()->click();
            else
                w.dialog.close();
            EXPECT_EQ(w.dialog.isVisible(), c.visibleAfter) << c.how;
            acted = true;
            w.device.Open();
            return true;
        });
        w.Button()->click();
        ASSERT_TRUE(acted) << c.how;
        EXPECT_FALSE(w.dialog.IsRunning());
        EXPECT_FALSE(KSurfaceScanDlg::ScanRunning());
        EXPECT_EQ(w.dialog.isVisible(), c.visibleAfter) << c.how;
        ASSERT_EQ(answer.Count(), size_t(c.answers.size())) << c.how;
        if (c.answers.size() == 2) {
            EXPECT_EQ(answer.Boxes()[0].text, QStringLiteral("Are you sure you want to cancel surface scan?"));
            EXPECT_EQ(answer.Boxes()[0].buttons, (QStringList{"Yes", "No"}));
        }
        EXPECT_EQ(answer.Last().text, c.result) << c.how;
        EXPECT_EQ(w.dialog.CurrentBlock() == w.dialog.BlockCount() - 1, c.complete) << c.how;
        EXPECT_EQ(w.device.Writes(), 0);
    }
}

// One scan in the whole program: a second window cannot start while the first one scans.
TEST(KSurfaceScanDlg, OnlyOneScanRunsAtATime)
{
    ScanWindow first("", 8064);
    ScanWindow second("");
    MessageBoxAnswer answer({"OK"});
    bool tried = false;
    first.During([&] {
        if (first.dialog.CurrentBlock() < 0)
            return false;
        second.Button()->click();
        EXPECT_FALSE(second.dialog.IsRunning());
        EXPECT_EQ(second.device.Reads(), 0);
        tried = true;
        first.device.Open();
        return true;
    });
    first.Button()->click();
    EXPECT_TRUE(tried);
    EXPECT_EQ(answer.Count(), 1u);
}

// The disk and partition entries of the main window: the name in quotes, the device the right size, and
// a partition read relative to its own start.
TEST(KSurfaceScanDlg, MainWindowScansTheSelectedDiskOrPartition)
{
    MainFrameSupport::Window win({{64, "label: dos\nstart=2048, size=10000, type=83\n"}});
    int partition = -1;
    for (int i = 0; i < win.frame->PendingLayout()->GetPartitionCount(0); ++i) {
        PartitionInfo e{};
        win.frame->PendingLayout()->GetPartition(0, i, &e);
        if (e.StartingLba == 2048 && e.PartitionTypeId != 0)
            partition = i;
    }
    ASSERT_GE(partition, 0);
    const struct {
        int index;
        const char* action;
        QString name;
        int64_t blocks;
        int64_t failedBlock;
    } cases[] = {
        {-1, "actionSurface_Scan", "\"Disk 1\"", 2081, (2048 + 5 * 63) / 63},
        {partition, "actionSurface_Scan_2", QStringLiteral("\"Disk 1 Partition %1\"").arg(partition + 1), 159, 5},
    };
    Faults faults("0:r:2363-2363"); // partition sector 315: its block 5
    for (const auto& c : cases) {
        win.frame->updateActionState(0, c.index);
        QAction* action = win.Action(c.action);
        ASSERT_TRUE(action->isEnabled()) << c.action;
        bool seen = false;
        MessageBoxAnswer answer({"OK"});
        QTimer::singleShot(20, [&] {
            auto* dialog = qobject_cast<KSurfaceScanDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Surface Test"));
            EXPECT_EQ(DialogProbe::Child<QLabel>(*dialog, "label_device_name")->text(), c.name);
            EXPECT_EQ(dialog->BlockCount(), c.blocks);
            DialogProbe::Child<QPushButton>(*dialog, "pushButton")->click();
            EXPECT_EQ(dialog->ErrorCount(), 1);
            EXPECT_TRUE(dialog->BlockFailed(c.failedBlock)) << c.action;
            dialog->close();
        });
        action->trigger();
        EXPECT_TRUE(seen) << c.action;
        EXPECT_EQ(answer.Last().text, QStringLiteral("Surface scan complete. 1 errors found."));
    }
}
