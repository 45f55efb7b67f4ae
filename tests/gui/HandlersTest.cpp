// The operations that need no dialog, driven from the window: the pending items, the queued lines and
// the pending layout after each, and what applying them does to an image disk.
#include <QApplication>
#include <QTreeWidget>

#include "HandlerSupport.h"
#include "core/FileSystemTypes.h"
#include "support/TableFixtures.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;

namespace {

const char* kThree = "label: dos\nlabel-id: 0x5eed5eed\nunit: sectors\n"
                     "start=2048, size=8192, type=c, bootable\n"
                     "start=10240, size=8192, type=7\n"
                     "start=18432, size=8192, type=83\n";

} // namespace

TEST(Handlers, DeleteUsesThePositionThePartitionWillHave)
{
    Window w({{64, kThree}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 10240);
    w.Action("action_Delete")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"DeletePartition DiskIndex:0 Partition:2"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Delete: (Disk 1 Partition 2)"}));
    EXPECT_EQ(IndexAt(f, 0, 10240), -1);

    // With the second one gone, the third is now the second partition.
    SelectAt(f, 0, 18432);
    w.Action("action_Delete")->trigger();
    EXPECT_EQ(Lines(f).last(), "DeletePartition DiskIndex:0 Partition:2");
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 2);

    Apply(w);
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 1u) << dump.text;
    EXPECT_EQ(dump.entries[0].start, 2048);
}

TEST(Handlers, DeletingASystemPartitionAsksFirst)
{
    Window w({{64, kThree}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 2048);
    w.Patch(0, IndexAt(f, 0, 2048), [](PartitionInfo& e) { e.SystemVolume = 1; });
    const int lines = f.Executive()->GetCommandCount();
    {
        MessageBoxAnswer answer({"No"});
        w.Action("action_Delete")->trigger();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Warning");
        EXPECT_TRUE(answer.Last().text.startsWith("This partition is system partition, deleting system partition"));
        EXPECT_EQ(answer.Last().icon, QMessageBox::Warning);
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), lines);
    {
        MessageBoxAnswer answer({"Yes"});
        w.Action("action_Delete")->trigger();
        EXPECT_EQ(answer.Count(), 1u);
    }
    EXPECT_EQ(Lines(f).last(), "DeletePartition DiskIndex:0 Partition:1");
}

TEST(Handlers, SetActiveMakesTheOtherActivePartitionInactiveFirst)
{
    Window w({{64, kThree}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 18432);
    w.Action("action_Set_Active")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"ActivePartition DiskIndex:0 PartitionIndex:1 Active:0",
                                     "ActivePartition DiskIndex:0 PartitionIndex:3 Active:1"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Set Active: (Disk 1 Partition 3)", "   1. Set Inactive: (Disk 1 Partition 1)",
                                     "   2. Set Active: (Disk 1 Partition 3)"}));
    EXPECT_FALSE(EntryAt(f, 0, 2048).Active);
    EXPECT_TRUE(EntryAt(f, 0, 18432).Active);
    EXPECT_TRUE(w.Action("action_Set_Inactive")->isEnabled()) << "the window re-evaluates the selection";

    // Without another active partition there is one item and one line.
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_TRUE(EntryAt(f, 0, 2048).Active);
    SelectAt(f, 0, 2048);
    w.Action("action_Set_Inactive")->trigger();
    SelectAt(f, 0, 10240);
    w.Action("action_Set_Active")->trigger();
    EXPECT_EQ(Items(f), QStringList({" 1. Set Inactive: (Disk 1 Partition 1)", " 2. Set Active: (Disk 1 Partition 2)"}));

    Apply(w);
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 3u) << dump.text;
    EXPECT_FALSE(dump.entries[0].bootable);
    EXPECT_TRUE(dump.entries[1].bootable);
}

TEST(Handlers, HideAndUnhideChangeTheEntryAndTheDisk)
{
    // Only volumes with a file system the program knows can be hidden, and unhiding restores
    // the type from the file system found on the disk.
    const auto fat = [](const std::string& image) {
        const auto r = TestSupport::RunTool({"mkfs.fat", "--offset", "10240", image, "4096"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    };
    Window w({{64, kThree, fat}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 10240);
    w.Action("action_Hide_Partition")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Hide: (Disk 1 Partition 2)"}));
    EXPECT_TRUE(EntryAt(f, 0, 10240).Hidden);
    EXPECT_TRUE(w.Action("action_Unhide_Partition")->isEnabled());
    Apply(w);
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries[1].type, "17");

    SelectAt(f, 0, 10240);
    ASSERT_TRUE(EntryAt(f, 0, 10240).Hidden);
    w.Action("action_Unhide_Partition")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"HidePartition DiskIndex:0 PartitionIndex:2 Unhide:1"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Unhide: (Disk 1 Partition 2)"}));
    Apply(w);
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries[1].type, "7");
}

TEST(Handlers, InitialiseAndRebuildChangeTheDiskStyle)
{
    Window w({{64, "label: dos\n"}, {64, "label: gpt\n"}});
    MainFrame& f = *w.frame;
    Select(f, 0, -1);
    w.Action("actionInitiate_to_GPT")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"InitiateDisk DiskIndex:0 Style:1 ForceReboot:0"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Initiate Disk 1 to GPT"}));
    EXPECT_TRUE(f.PendingLayout()->IsGptDisk(0));
    EXPECT_TRUE(w.Action("action_Initiate_to_MBR_Disk")->isEnabled());

    Select(f, 1, -1);
    w.Action("action_Initiate_to_MBR_Disk")->trigger();
    EXPECT_FALSE(f.PendingLayout()->IsGptDisk(1));
    w.Action("actionRebuild_MBR")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"InitiateDisk DiskIndex:0 Style:1 ForceReboot:0",
                                     "InitiateDisk DiskIndex:1 Style:0 ForceReboot:0",
                                     "InitiateDisk DiskIndex:1 Style:2 ForceReboot:0"}));

    // Undo takes the disks back one step at a time.
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_FALSE(f.PendingLayout()->IsGptDisk(1));
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_TRUE(f.PendingLayout()->IsGptDisk(1));

    Apply(w);
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).header["label"], "gpt");
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[1]).header["label"], "gpt");
}

TEST(Handlers, DeleteAllAsksAndDeletesFromTheLast)
{
    Window w({{64, kThree}});
    MainFrame& f = *w.frame;
    Select(f, 0, -1);
    {
        MessageBoxAnswer answer({"No"});
        w.Action("action_Delete_All_Partitions")->trigger();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().text, "Are you sure that you want to delete all partitions on disk 1 ?");
        EXPECT_EQ(answer.Last().title, "Warning");
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    {
        MessageBoxAnswer answer({"Yes"});
        w.Action("action_Delete_All_Partitions")->trigger();
        EXPECT_EQ(answer.Count(), 1u) << "no system partition: no second question";
    }
    EXPECT_EQ(Lines(f), QStringList({"DeletePartition DiskIndex:0 Partition:3", "DeletePartition DiskIndex:0 Partition:2",
                                     "DeletePartition DiskIndex:0 Partition:1"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Delete All Partitions on Disk 1", "   1. Delete: (Disk 1 Partition 3)",
                                     "   2. Delete: (Disk 1 Partition 2)", "   3. Delete: (Disk 1 Partition 1)"}));
    EXPECT_EQ(f.PendingLayout()->GetPartitionCount(0), 1);
    EXPECT_TRUE(w.Action("actionInitiate_to_GPT")->isEnabled()) << "an empty disk now";
    Apply(w);
    EXPECT_TRUE(TableFixtures::SfdiskDump(w.images[0]).entries.empty());
}

TEST(Handlers, DeleteAllWithASystemPartitionAsksTwice)
{
    Window w({{64, kThree}});
    MainFrame& f = *w.frame;
    w.Patch(0, IndexAt(f, 0, 10240), [](PartitionInfo& e) { e.BootVolume = 1; });
    Select(f, 0, -1);
    MessageBoxAnswer answer({"Yes", "No"});
    w.Action("action_Delete_All_Partitions")->trigger();
    ASSERT_EQ(answer.Count(), 2u);
    EXPECT_TRUE(answer.Boxes()[1].text.startsWith("This disk contains system partition, deleting system partition"));
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
}

TEST(Handlers, PrimaryAndLogicalConversions)
{
    // A FAT32 partition with room in front and an NTFS one right behind it.
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=8192, type=c\nstart=10240, size=8192, type=7\n"
                   "start=18432, size=8192, type=83\n"}});
    MainFrame& f = *w.frame;
    w.Patch(0, IndexAt(f, 0, 2048), [](PartitionInfo& e) { e.FileSystemType = kFsFat32; });
    w.Patch(0, IndexAt(f, 0, 10240), [](PartitionInfo& e) { e.FileSystemType = kFsNtfs; });
    w.Patch(0, IndexAt(f, 0, 18432), [](PartitionInfo& e) { e.FileSystemType = kFsExt3; });
    const int undoBase = f.PendingLayout()->GetUndoCount();

    // Room for the extended boot record: one line.
    SelectAt(f, 0, 2048);
    w.Action("actionMake_Partition_Logical")->trigger();
    EXPECT_EQ(Lines(f), QStringList({"ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:0"}));
    EXPECT_FALSE(EntryAt(f, 0, 2048).IsPrimary);

    // No room: the partition first moves 63 sectors to the right.
    SelectAt(f, 0, 10240);
    w.Action("actionMake_Partition_Logical")->trigger();
    EXPECT_EQ(Lines(f).mid(1), QStringList({"ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:10303 "
                                            "NewPartitionSize:8129 SafeMode:1",
                                            "ChangePartitionPrimary DiskIndex:0 PartitionIndex:2 Primary:0"}));
    EXPECT_EQ(Items(f).mid(1), QStringList({" 2. Set Partition as Logical (Disk 1 Partition 2)",
                                            "   2. Move Partition: (Disk 1 Partition 2)",
                                            "   3. Set Partition as Logical (Disk 1 Partition 2)"}));
    const PartitionInfo moved = EntryAt(f, 0, 10303);
    EXPECT_EQ(moved.SectorCount, 8129);
    EXPECT_FALSE(moved.IsPrimary);
    EXPECT_TRUE(moved.EntryFlags & kEntryPendingMoved);

    // Undo takes both lines and both changes back.
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 1);
    EXPECT_EQ(f.PendingLayout()->GetUndoCount(), undoBase + 1);
    EXPECT_TRUE(EntryAt(f, 0, 10240).IsPrimary);
    EXPECT_EQ(EntryAt(f, 0, 10240).SectorCount, 8192);

    // Only FAT and NTFS can become logical.
    SelectAt(f, 0, 18432);
    {
        MessageBoxAnswer answer({"OK"});
        f.on_actionMake_Partition_Logical_triggered();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().text, "Cannot convert this primary partition to logical partition.");
        EXPECT_EQ(answer.Last().icon, QMessageBox::Critical);
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), 1);

    // And back to primary.
    SelectAt(f, 0, 2048);
    w.Action("actionMake_Partition_Primary")->trigger();
    EXPECT_EQ(Lines(f).last(), "ChangePartitionPrimary DiskIndex:0 PartitionIndex:1 Primary:1");
    EXPECT_TRUE(EntryAt(f, 0, 2048).IsPrimary);
}

TEST(Handlers, ConversionOfADiskWithoutConvertibleVolumesQueuesNothing)
{
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=40960, type=42\n"}, {64, kThree}});
    MainFrame& f = *w.frame;
    ASSERT_TRUE(f.PendingLayout()->IsDynamicDisk(0));

    // Another pending line first: the conversion waits until it is applied.
    w.Patch(1, IndexAt(f, 1, 10240), [](PartitionInfo& e) { e.FileSystemType = kFsNtfs; });
    SelectAt(f, 1, 10240);
    w.Action("action_Hide_Partition")->trigger();
    Select(f, 0, -1);
    {
        MessageBoxAnswer answer({"OK"});
        f.on_actionConvert_Dynamic_Disk_To_Basic_Disk_triggered();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Information");
        EXPECT_EQ(answer.Last().text, "Please apply all the changes you have made before you use this function.");
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), 1);
    w.Action("actionUndo_Last_Changes")->trigger();

    // This disk has no volume database the engine can read: an error and nothing queued.
    Select(f, 0, -1);
    MessageBoxAnswer answer({"OK"});
    w.Action("actionConvert_Dynamic_Disk_To_Basic_Disk")->trigger();
    ASSERT_EQ(answer.Count(), 1u);
    EXPECT_EQ(answer.Last().title, "Error");
    EXPECT_EQ(answer.Last().icon, QMessageBox::Critical);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_TRUE(f.PendingLayout()->IsDynamicDisk(0));
}
