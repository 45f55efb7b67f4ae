// The pending list kept in step with the executive's lines and the layout's undo records: undo, discard,
// the overlap guard, the quit question, and apply end to end on an image disk.
#include <QApplication>
#include <QCloseEvent>
#include <QTreeWidget>

#include "MainFrameSupport.h"
#include "MessageBoxAnswer.h"
#include "gui/views/KDiskMapPartitionItemModel.h"
#include "support/PartitionLockHolder.h"
#include "support/TableFixtures.h"

using namespace MainFrameSupport;

namespace {

// Two primaries (the first active), an extended partition with three logical ones.
const char* kLayout = "label: dos\nlabel-id: 0x1234abcd\nunit: sectors\n"
                      "start=2048, size=16384, type=c, bootable\n"
                      "start=18432, size=20480, type=83\n"
                      "start=40960, size=71680, type=f\n"
                      "start=43008, size=8192, type=7\n"
                      "start=55296, size=12288, type=83\n"
                      "start=69632, size=20480, type=83\n";

const char* kHide = "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0";
const char* kDelete = "DeletePartition DiskIndex:0 Partition:5";

int IndexAt(MainFrame& frame, int64_t lba)
{
    for (int i = 0; i < frame.PendingLayout()->GetPartitionCount(0); ++i) {
        PartitionInfo e{};
        if (frame.PendingLayout()->GetPartition(0, i, &e) && e.StartingLba == lba)
            return i;
    }
    return -1;
}

PartitionInfo Entry(MainFrame& frame, int index)
{
    PartitionInfo e{};
    frame.PendingLayout()->GetPartition(0, index, &e);
    return e;
}

int Allocated(MainFrame& f)
{
    int n = 0;
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(0); ++i)
        n += Entry(f, i).PartitionTypeId != 0 ? 1 : 0;
    return n;
}

// Queues what the hide handler queues: one item, one line, one change of the layout.
void QueueHide(MainFrame& f)
{
    f.AddPendingItem(QStringLiteral("Hide partition"));
    f.Executive()->AddCommand(kHide, 0);
    PartitionInfo e = Entry(f, IndexAt(f, 18432));
    e.Hidden = 1;
    e.PartitionTypeId = 0x93;
    f.PendingLayout()->UpdatePartition(0, IndexAt(f, 18432), &e);
    f.RefreshViews();
}

// Queues what the delete handler queues for the fifth partition (real index 4: the last logical one).
void QueueDelete(MainFrame& f)
{
    f.AddPendingItem(QStringLiteral("Delete partition"));
    f.Executive()->AddCommand(kDelete, 0);
    f.PendingLayout()->DeletePartition(0, IndexAt(f, 69632));
    f.RefreshViews();
}

// The layout as the list shows it: start, length and type of every entry of disk 0.
std::vector<std::tuple<int64_t, int64_t, int>> Shape(MainFrame& f)
{
    std::vector<std::tuple<int64_t, int64_t, int>> shape;
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(0); ++i) {
        const PartitionInfo e = Entry(f, i);
        shape.emplace_back(e.StartingLba, e.SectorCount, e.PartitionTypeId);
    }
    return shape;
}

} // namespace

TEST(PendingList, UndoOfAParentRemovesAllItsLinesAndRecords)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    const auto before = Shape(f);
    const int first = IndexAt(f, 2048), second = IndexAt(f, 18432);
    QueueHide(f);
    ASSERT_EQ(f.PendingLayout()->GetUndoCount(), 1);

    // Set Active on the second primary: the first one is made inactive first, under one parent.
    QTreeWidgetItem* parent = f.AddPendingItem(QStringLiteral("Set partition active"));
    f.AddPendingItem(QStringLiteral("Set inactive"), parent);
    f.Executive()->AddCommand("ActivePartition DiskIndex:0 PartitionIndex:1 Active:0", 0);
    PartitionInfo e = Entry(f, first);
    e.Active = 0;
    f.PendingLayout()->UpdatePartition(0, first, &e);
    f.AddPendingItem(QStringLiteral("Set active"), parent);
    f.Executive()->AddCommand("ActivePartition DiskIndex:0 PartitionIndex:2 Active:1", 0);
    e = Entry(f, second);
    e.Active = 1;
    f.PendingLayout()->UpdatePartition(0, second, &e);
    f.RefreshViews();
    ASSERT_EQ(f.Executive()->GetCommandCount(), 3);
    ASSERT_EQ(f.PendingLayout()->GetUndoCount(), 3);

    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 1);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 1);
    EXPECT_EQ(f.PendingLayout()->GetUndoCount(), 1);
    EXPECT_EQ(Entry(f, first).Active, 1);
    EXPECT_EQ(Entry(f, second).Active, 0);
    EXPECT_EQ(Entry(f, second).Hidden, 1) << "the hide before stays";
    char line[512] = {};
    f.Executive()->GetCommandLine(0, line, sizeof line);
    EXPECT_STREQ(line, kHide);

    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(Shape(f), before);
    EXPECT_FALSE(w.Action("actionUndo_Last_Changes")->isEnabled());

    // Nothing left: undo changes nothing.
    f.on_actionUndo_Last_Changes_triggered();
    EXPECT_EQ(Shape(f), before);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
}

TEST(PendingList, UndoOfDeleteAllRestoresEveryPartition)
{
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=8192, type=83\n"
                   "start=10240, size=8192, type=7\nstart=18432, size=8192, type=c\n"}});
    MainFrame& f = *w.frame;
    const auto before = Shape(f);
    QTreeWidgetItem* parent = f.AddPendingItem(QStringLiteral("Delete all partitions"));
    for (int64_t start : {18432, 10240, 2048}) {
        f.AddPendingItem(QStringLiteral("Delete partition"), parent);
        f.Executive()->AddCommand("DeletePartition DiskIndex:0 Partition:1", 0);
        f.PendingLayout()->DeletePartition(0, IndexAt(f, start));
    }
    f.RefreshViews();
    ASSERT_EQ(f.PendingLayout()->GetPartitionCount(0), 1);
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(f.PendingLayout()->GetUndoCount(), 0);
    EXPECT_EQ(Shape(f), before);
    EXPECT_EQ(f.PartitionListModel()->rowCount(), int(before.size()) + 1);
}

TEST(PendingList, DiscardAsksAndThenDropsEverything)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    const auto before = Shape(f);
    QueueHide(f);
    QueueDelete(f);
    {
        MessageBoxAnswer answer({"No"});
        w.Action("actionDiscard_All_Changes")->trigger();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Discard Changes?");
        EXPECT_EQ(answer.Last().text,
                  "<B>Discard all pending changes?</B><br><br>The changes you have made will be lost.");
        EXPECT_EQ(answer.Last().icon, QMessageBox::Warning);
        EXPECT_EQ(answer.Last().buttons, QStringList({"Yes", "No"}));
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), 2);
    EXPECT_NE(Shape(f), before);
    {
        MessageBoxAnswer answer({"Yes"});
        w.Action("actionDiscard_All_Changes")->trigger();
        EXPECT_EQ(answer.Count(), 1u);
    }
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    EXPECT_EQ(f.PendingLayout()->GetUndoCount(), 0);
    EXPECT_EQ(Shape(f), before);
    EXPECT_FALSE(w.Action("actionApply_All_Changes")->isEnabled());
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries.size(), 6u) << "nothing was written";
}

TEST(PendingList, TheOverlapGuardUndoesTheMoveThatCausedIt)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    QueueHide(f);
    const auto hidden = Shape(f);
    EXPECT_FALSE(f.GuardOverlap(0)) << "nothing overlaps yet";

    // A resize whose preview runs into the next partition.
    f.AddPendingItem(QStringLiteral("Resize partition"));
    f.Executive()->AddCommand("ResizePartition DiskIndex:0 PartitionIndex:1", 0);
    const int first = IndexAt(f, 2048);
    PartitionInfo e = Entry(f, first);
    e.SectorCount = 20000;
    f.PendingLayout()->UpdatePartition(0, first, &e);

    MessageBoxAnswer answer({"OK"});
    EXPECT_TRUE(f.GuardOverlap(0));
    ASSERT_EQ(answer.Count(), 1u);
    EXPECT_EQ(answer.Last().title, "BUG!");
    EXPECT_TRUE(answer.Last().text.startsWith("The last operation will create a overlapping partition. It's a bug of "
                                              "Volmara. And your last operating will be canceled."))
        << answer.Last().text.toStdString();
    EXPECT_TRUE(answer.Last().hasIconPixmap);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 1);
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 1);
    EXPECT_EQ(Shape(f), hidden);
}

TEST(PendingList, ClosingAsksOnlyWithPendingLines)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    f.show();
    {
        MessageBoxAnswer answer({});
        QCloseEvent event;
        QApplication::sendEvent(&f, &event);
        EXPECT_TRUE(event.isAccepted());
        EXPECT_EQ(answer.Count(), 0u);
    }
    QueueHide(f);
    {
        MessageBoxAnswer answer({"No"});
        QCloseEvent event;
        QApplication::sendEvent(&f, &event);
        EXPECT_FALSE(event.isAccepted());
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Quit?");
        EXPECT_EQ(answer.Last().text, "<B>Quit the program?</B><BR><BR><BR>You are about to quit the program and "
                                      "<B>cancel all pending operations</B>.<BR>The changes you have made will be "
                                      "lost.");
        EXPECT_EQ(answer.Last().icon, QMessageBox::Warning);
    }
    {
        MessageBoxAnswer answer({"Yes"});
        EXPECT_TRUE(f.close());
        EXPECT_EQ(answer.Count(), 1u);
    }
}

TEST(PendingList, ApplyRunsTheLinesAndReloadsTheViews)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    QueueHide(f);
    QueueDelete(f);
    {
        MessageBoxAnswer answer({"No"});
        w.Action("actionApply_All_Changes")->trigger();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Apply Changes?");
        EXPECT_EQ(answer.Last().icon, QMessageBox::Information);
    }
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries.size(), 6u);

    MessageBoxAnswer answer({"Yes", "OK"});
    w.Action("actionApply_All_Changes")->trigger();
    ASSERT_EQ(answer.Count(), 2u);
    EXPECT_EQ(answer.Boxes()[1].title, "Successful");
    EXPECT_EQ(answer.Boxes()[1].text, "Apply all the pending changes successfully.");

    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "93");

    // The views show the disk as it now is, with nothing pending.
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    EXPECT_EQ(f.PendingLayout()->GetUndoCount(), 0);
    EXPECT_EQ(Entry(f, IndexAt(f, 69632)).PartitionTypeId, 0) << "free space now";
    EXPECT_EQ(Entry(f, IndexAt(f, 18432)).PartitionTypeId, 0x93);
    EXPECT_EQ(Allocated(f), f.VolumeManager()->GetPartitionCount(0));
    EXPECT_TRUE(f.isEnabled());
    EXPECT_FALSE(w.Action("actionApply_All_Changes")->isEnabled());
    EXPECT_EQ(f.PartitionListModel()->rowCount(), f.PendingLayout()->GetPartitionCount(0) + 1);
}

TEST(PendingList, LinesThatFailWithoutStoppingTheRunAreListedInsteadOfSuccess)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    QueueHide(f);
    // A line the table rules refuse (an extended type on a data partition) between two that work.
    f.AddPendingItem(QStringLiteral("Change type"));
    f.Executive()->AddCommand("ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:5", 0);
    QueueDelete(f);
    MessageBoxAnswer answer({"Yes", "OK"});
    w.Action("actionApply_All_Changes")->trigger();
    ASSERT_EQ(answer.Count(), 2u);
    EXPECT_EQ(answer.Boxes()[1].title, "Failed");
    EXPECT_TRUE(answer.Boxes()[1].text.contains("2. Change Partition Type ID"))
        << answer.Boxes()[1].text.toStdString();
    EXPECT_TRUE(answer.Boxes()[1].text.contains("extended partition")) << answer.Boxes()[1].text.toStdString();
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 5u) << "the lines after the failed one ran\n" << dump.text;
    EXPECT_EQ(dump.entries[0].type, "c");
    EXPECT_EQ(dump.entries[1].type, "93");
}

TEST(PendingList, AVolumeInUseAndCancelEndWithoutASummaryButReloaded)
{
    Window w({{64, kLayout}});
    MainFrame& f = *w.frame;
    QueueDelete(f);
    QueueHide(f);
    PartitionLockHolder holder(1);
    ASSERT_TRUE(holder.Holding());

    MessageBoxAnswer answer({"Yes", "Cancel Operations"});
    w.Action("actionApply_All_Changes")->trigger();
    ASSERT_EQ(answer.Count(), 2u);
    EXPECT_EQ(answer.Boxes()[1].title, "Error");
    EXPECT_TRUE(answer.Boxes()[1].text.contains("is being used now")) << answer.Boxes()[1].text.toStdString();
    EXPECT_EQ(answer.Boxes()[1].buttons, QStringList({"Restart Now", "Retry", "Cancel Operations"}));

    // The delete ran, the hide did not; the views were reloaded all the same.
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    EXPECT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "83");
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    EXPECT_EQ(Entry(f, IndexAt(f, 69632)).PartitionTypeId, 0);
    EXPECT_EQ(Entry(f, IndexAt(f, 18432)).PartitionTypeId, 0x83);
}
