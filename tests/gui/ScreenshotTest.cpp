// The main window over disks like the demo's, made by the program's own commands and shown at the size
// the program opens with: the screenshot shows every bar with each cell in its file system's colour.
#include <QApplication>
#include <QImage>
#include <cstdio>

#include <gtest/gtest.h>

#include "DiskMapProbe.h"
#include "MainFrameSupport.h"
#include "execution/KBatchCommandExecutive.h"
#include "gui/common/FileSystemColors.h"
#include "gui/views/KDiskMap.h"
#include "core/FileSystemTypes.h"
#include "model/KVolumeManager.h"

using namespace DiskMapProbe;

namespace {

std::string Create(int64_t start, int64_t length, int typeId, int fs, const char* label, bool primary)
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "CreatePartition DiskIndex:0 StartingOffset:%lld PartitionLength:%lld PartTypeId:%d FsType:%d "
                  "ClusterSize:0 Label:\"%s\" Letter:0 Active:0 Primary:%d BootVolume:0 SystemVolume:0",
                  static_cast<long long>(start), static_cast<long long>(length), typeId, fs, label, primary ? 1 : 0);
    return line;
}

struct NoQuestions : IExecutiveInteraction {
    int AskVolumeInUse(const std::string&, const std::string&) override { return kChoiceCancel; }
    void ShowCommandError(const std::string& line, const std::string& text) override
    {
        ADD_FAILURE() << line << ": " << text;
    }
    void ShowRebootFailed() override {}
};

// Runs the lines on one image disk, the way the command-line tool does.
void Build(const std::string& image, int64_t mebibytes, const std::vector<std::string>& lines,
           const std::string& state)
{
    ASSERT_TRUE(TestSupport::MakeSparseFile(image, mebibytes << 20));
    TestSupport::EngineEnvironment env({image}, state);
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);
    NoQuestions user;
    KBatchCommandExecutive executive(&user);
    for (const std::string& line : lines)
        executive.AddCommand(line.c_str(), 0);
    ASSERT_EQ(executive.Execute(&manager, 0, nullptr), 0);
}

} // namespace

TEST(Screenshot, DemoDisksShowTheirFileSystemColoursInTheBars)
{
    TestSupport::TempDir dir;
    const std::string mbr = dir.File("mbr.img"), gpt = dir.File("gpt.img"), state = dir.File("state");
    Build(mbr, 256,
          {"InitiateDisk DiskIndex:0 Style:0 ForceReboot:0", Create(2048, 143360, 11, 11, "DEMO-FAT32", true),
           Create(145408, 81920, 7, 7, "Documents", true), Create(229376, 81920, 6, 6, "DEMO-FAT16", false),
           Create(313344, 81920, 131, 50, "linux-home", false), Create(397312, 32768, 130, 51, "", false)},
          state);
    Build(gpt, 128,
          {"InitiateDisk DiskIndex:0 Style:1 ForceReboot:0", Create(2048, 102400, 7, 7, "Data", true),
           Create(104448, 81920, 131, 50, "linux-data", true)},
          state);

    TestSupport::EngineEnvironment env({mbr, gpt}, state);
    MainFrame frame;
    ASSERT_TRUE(frame.DisksLoaded());
    frame.resize(1024, 768);
    frame.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    const QImage shot = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(1024, 768));

    auto* map = frame.findChild<KDiskMap*>(QStringLiteral("diskMap"));
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map->GetItemCount(), 2);
    const std::vector<std::vector<int>> expected = {
        {kFsFat32, kFsNtfs, kFsFat16, kFsExt3, kFsLinuxSwap, -1},
        {kFsNtfs, kFsExt3, -1},
    };
    for (int d = 0; d < 2; ++d) {
        KDiskMapItem* item = map->GetItem(d);
        ASSERT_EQ(item->GetPartitionCount(), int(expected[size_t(d)].size())) << "disk " << d;
        for (int i = 0; i < item->GetPartitionCount(); ++i) {
            const int fs = expected[size_t(d)][size_t(i)];
            const QPoint at = item->mapTo(&frame, StripCentre(*item, i));
            ASSERT_TRUE(shot.rect().contains(at)) << d << "/" << i;
            EXPECT_EQ(Pixel(shot, at.x(), at.y()), fs < 0 ? UnallocatedColor() : FileSystemColor(fs))
                << "disk " << d << " cell " << i;
        }
    }
    // The map sits below the list, the legend at the bottom of the window.
    const QPoint mapTop = map->mapTo(&frame, QPoint(0, 0));
    EXPECT_GT(mapTop.y(), frame.findChild<QWidget*>(QStringLiteral("diskPartitionList"))->mapTo(&frame, QPoint()).y());
}
