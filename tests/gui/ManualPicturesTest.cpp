// The pictures of the manual: the window over a demo disk, the window with pending operations, and the
// about box, each painted off screen. With VOLMARA_SHOTS_DIR set they are saved there (the manual's
// images/ folder is made that way, together with the dialog pictures of DialogScreenshotTest).
#include <QDir>
#include <QImage>
#include <QSet>
#include <QTreeWidget>

#include "PaintedPicture.h"
#include "HandlerSupport.h"
#include "gui/mainframe/KAboutDlg.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;

namespace {

// Saved with a palette of their own: window pictures need no more colours, and the files stay small.
void Save(const QImage& shot, const char* name)
{
    const QString folder = qEnvironmentVariable("VOLMARA_SHOTS_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    shot.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)
        .save(folder + QStringLiteral("/%1.png").arg(QLatin1String(name)));
}

const char* kDemo = "label: dos\nunit: sectors\n"
                    "start=2048, size=143360, type=c, bootable\n"
                    "start=145408, size=102400, type=7\n"
                    "start=247808, size=184320, type=5\n"
                    "start=249856, size=102400, type=83\n"
                    "start=354304, size=32768, type=82\n";
const char* kSecond = "label: gpt\nunit: sectors\nstart=2048, size=40960, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n";

} // namespace

TEST(ManualPictures, WindowAndAboutBoxArePainted)
{
    if (!VolumeCheck::HaveDiskTools())
        GTEST_SKIP() << "mkfs.fat, mkntfs and mke2fs are needed for the demo disk";
    TestSupport::TempDir scratch;
    auto demo = [&](const std::string& image) {
        EXPECT_TRUE(VolumeCheck::MakeVolumeAt(scratch, image, 2048, 143360,
                                              {"mkfs.fat", "-F", "32", "-n", "DEMO-FAT32", "-h", "2048"}));
        EXPECT_TRUE(VolumeCheck::MakeVolumeAt(scratch, image, 145408, 102400,
                                              {"mkntfs", "-q", "-Q", "-F", "-L", "Documents", "-p", "145408"}));
        EXPECT_TRUE(VolumeCheck::MakeVolumeAt(scratch, image, 249856, 102400,
                                              {"mke2fs", "-q", "-F", "-t", "ext3", "-L", "linux-home"}));
        EXPECT_TRUE(VolumeCheck::MakeVolumeAt(scratch, image, 354304, 32768, {"mkswap", "-L", "swap"}));
    };
    auto second = [&](const std::string& image) {
        EXPECT_TRUE(VolumeCheck::MakeVolumeAt(scratch, image, 2048, 40960, {"mkfs.fat", "-F", "16", "-n", "DATA"}));
    };
    Window w({{256, kDemo, demo}, {64, kSecond, second}});
    MainFrame& f = *w.frame;
    ASSERT_TRUE(f.DisksLoaded());
    f.resize(1000, 640);
    f.show();
    SelectAt(f, 0, 145408);
    QCoreApplication::processEvents();
    const QImage window = f.grab().toImage();
    EXPECT_EQ(window.size(), QSize(1000, 640));
    EXPECT_GT(DistinctColours(window), 30);
    Save(window, "main-window");

    SelectAt(f, 0, 354304);
    w.Action("action_Delete")->trigger();
    SelectAt(f, 0, 2048);
    w.Action("action_Hide_Partition")->trigger();
    ASSERT_EQ(f.PendingTree()->topLevelItemCount(), 2);
    QCoreApplication::processEvents();
    Save(f.grab().toImage(), "pending");

    KAboutDlg about(&f);
    about.show();
    const QImage aboutShot = about.grab().toImage();
    EXPECT_GE(aboutShot.width(), 300);
    EXPECT_GE(aboutShot.height(), 150);
    EXPECT_GT(DistinctColours(aboutShot), 8) << "the about box looks blank";
    Save(aboutShot, "about");
}
