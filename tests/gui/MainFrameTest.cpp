// The main window's form and plumbing: menus, tool bars, the action panel, the selection kept in step
// between the disk map and the list, the disk map's place and the refresh after an operation.
#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "MainFrameSupport.h"
#include "gui/views/KActionPanel.h"
#include "gui/views/KDiskMap.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/views/KDiskMapPartitionItemModel.h"
#include "gui/views/KLegendBar.h"

using namespace MainFrameSupport;

namespace {

const char* kTwoPrimaries = "label: dos\nunit: sectors\n"
                            "start=2048, size=8192, type=7, bootable\n"
                            "start=20480, size=8192, type=c\n";
const char* kEmptyGpt = "label: gpt\n";

// "Text" entries of a menu, "-" for a separator, "Title>" for a submenu.
QStringList Entries(QWidget* menuOrBar)
{
    QStringList texts;
    for (QAction* a : menuOrBar->actions()) {
        if (a->isSeparator())
            texts << QStringLiteral("-");
        else if (a->menu())
            texts << a->menu()->title() + QLatin1Char('>');
        else
            texts << a->text();
    }
    return texts;
}

QStringList Names(QWidget* menuOrBar)
{
    QStringList names;
    for (QAction* a : menuOrBar->actions())
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return names;
}

template <typename T> T* Child(QWidget* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

int SelectedRow(MainFrame& f)
{
    const QModelIndexList rows = Child<QTreeView>(&f, "diskPartitionList")->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

} // namespace

TEST(MainWindowForm, MenusInOrderWithTheirSeparators)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    EXPECT_EQ(Entries(f.menuBar()), QStringList({"&General>", "&View>", "&Disk>", "&Partition>", "&Wizard>", "&Help>"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_General")),
              QStringList({"Apply Changes", "Undo Last Changes", "Discard All Changes", "-", "E&xit"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_View")),
              QStringList({"&Tool Bar", "Legend Bar", "&Action Panel", "&Disk Map Location>"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menuDisk_Map_Location")), QStringList({"&Top", "&Bottom"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_Disk")),
              QStringList({"&Copy", "&Delete All Partitions", "-", "&Rebuild MBR", "Initialize to MBR Disk",
                           "Initialize to &GPT Disk", "-", "Convert Dynamic Disk To Basic Disk", "-", "Surface Test",
                           "-", "Partition &Recovery", "-", "&Wipe Disk", "-", "&Properties", "-",
                           "Repair boot.ini"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_Partition")),
              QStringList({"&Move/Resize", "Merge", "-", "&Copy", "-", "&Explore", "-", "C&reate", "&Delete", "-",
                           "&Format", "&Label", "Change Le&tter", "-", "Check File System", "Convert FAT to NTFS",
                           "-", "Surface Test ", "-", "&Modify>", "-", "&Wipe Partition", "-", "&Properties", "-",
                           "Set Windows Boot Partition", "Boot.ini Editor"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_Modify")),
              QStringList({"Set &Active", "Set &Inactive", "-", "&Hide Partition", "&Unhide Partition", "-",
                           "Set Partition as &Primary", "Set Partition as &Logical", "-", "Change Serial &Number",
                           "Change Partition &Type ID", "-", "Change Cluster Size"}));
    EXPECT_EQ(Names(Child<QMenu>(&f, "menu_Wizard")),
              QStringList({"actionPartition_Copy_Wizard", "actionCopy_Disk_Wizard", "actionPartition_Recovery"}));
    EXPECT_EQ(Entries(Child<QMenu>(&f, "menu_Help")),
              QStringList({"Frequently Asked Questions", "&Contents", "-", "Export disk configuration", "-",
                           "&About"}));
    EXPECT_EQ(w.Action("actionApply_All_Changes")->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_EQ(w.Action("actionUndo_Last_Changes")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(w.Action("actionDiscard_All_Changes")->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_EQ(w.Action("actionContent")->shortcut(), QKeySequence(QStringLiteral("F1")));
}

TEST(MainWindowForm, ToolBarsWidgetsAndHiddenActions)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    auto* toolbar = Child<QToolBar>(&f, "mainToolBar");
    EXPECT_EQ(toolbar->windowTitle(), "Toolbar");
    EXPECT_FALSE(toolbar->isFloatable());
    EXPECT_EQ(Names(toolbar),
              QStringList({"actionApply_All_Changes", "actionUndo_Last_Changes", "actionDiscard_All_Changes", "-",
                           "action_Move_Resize", "actionMerge", "action_Create", "action_Delete", "action_Format",
                           "action_Copy", "action_Label", "action_Properties", "-", "actionFAQ", "actionContent"}));
    auto* toolbar2 = Child<QToolBar>(&f, "Toolbar2");
    EXPECT_EQ(toolbar2->windowTitle(), "Toolbar2");
    EXPECT_TRUE(Names(toolbar2).contains("actionDownload_Bootable_CD"));
    EXPECT_TRUE(Names(toolbar2).contains("actionFeedback_Feature_Request"));

    for (const char* hidden : {"actionDonate", "actionSet_Windows_Boot_Partition"})
        EXPECT_FALSE(w.Action(hidden)->isVisible()) << hidden;
    // The boot.ini tools work through the directory readers here.
    for (const char* shown : {"actionBoot_ini_Editor", "actionRepair_Boot_ini"})
        EXPECT_TRUE(w.Action(shown)->isVisible()) << shown;

    EXPECT_EQ(f.minimumSize(), QSize(640, 480));
    auto* panel = Child<QWidget>(&f, "actionPanel");
    EXPECT_EQ(panel->minimumWidth(), 250);
    EXPECT_EQ(panel->maximumWidth(), 400);
    EXPECT_EQ(panel->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(104, 141, 202));
    EXPECT_EQ(Child<KLegendBar>(&f, "legendBar")->height(), 25);
    EXPECT_EQ(Child<KDiskMap>(&f, "diskMap")->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    auto* list = Child<QTreeView>(&f, "diskPartitionList");
    EXPECT_FALSE(list->header()->sectionsClickable());
    EXPECT_FALSE(list->header()->sectionsMovable());
    EXPECT_TRUE(f.windowTitle().startsWith("Volmara"));

    // The view toggles show and hide their parts.
    f.show();
    w.Action("actionLegend_Bar")->trigger();
    EXPECT_FALSE(Child<QWidget>(&f, "legendBar")->isVisible());
    w.Action("action_Action_Panel")->trigger();
    EXPECT_FALSE(panel->isVisible());
    w.Action("action_Tool_Bar")->trigger();
    EXPECT_FALSE(toolbar->isVisible());
    w.Action("action_Tool_Bar")->trigger();
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_TRUE(w.Action("action_Tool_Bar")->isChecked());
}

TEST(MainWindowForm, ActionPanelGroupsAndThePendingTitle)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    auto* wizards = Child<KActionPanelGroup>(&f, "wizardGroup");
    auto* operations = Child<KActionPanelGroup>(&f, "operationGroup");
    auto* pending = Child<KActionPanelGroup>(&f, "pendingGroup");
    EXPECT_EQ(wizards->title(), "Wizards");
    EXPECT_EQ(operations->title(), "Operations");
    EXPECT_EQ(pending->title(), "0 Operations Pending");
    EXPECT_EQ(wizards->body()->findChildren<KActionPanelButton*>().size(), 3);
    EXPECT_EQ(operations->body()->findChildren<KActionPanelButton*>().size(), 24);

    // The pending tree takes no selection; Apply and Undo mirror their actions.
    EXPECT_EQ(f.PendingTree()->selectionMode(), QAbstractItemView::NoSelection);
    EXPECT_EQ(f.PendingTree()->palette().color(QPalette::Base), QColor(216, 227, 245));
    auto* apply = Child<KActionButton>(&f, "pendingButtonApply");
    auto* undo = Child<KActionButton>(&f, "pendingButtonUndo");
    EXPECT_EQ(apply->text(), "Apply");
    EXPECT_EQ(undo->height(), 25);
    EXPECT_FALSE(apply->isEnabled());

    f.AddPendingItem(QStringLiteral("Hide partition"));
    f.Executive()->AddCommand("HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0", 0);
    f.RefreshViews();
    EXPECT_EQ(pending->title(), "1 Operations Pending");
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_TRUE(undo->isEnabled());
}

TEST(MainWindowForm, PendingItemsAreNumberedByTheExecutivesNextLine)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    QTreeWidgetItem* first = f.AddPendingItem(QStringLiteral("Hide partition"));
    f.Executive()->AddCommand("HidePartition DiskIndex:0 PartitionIndex:1 Unhide:0", 0);
    QTreeWidgetItem* parent = f.AddPendingItem(QStringLiteral("Set active"));
    QTreeWidgetItem* a = f.AddPendingItem(QStringLiteral("Set inactive"), parent);
    f.Executive()->AddCommand("ActivePartition DiskIndex:0 PartitionIndex:1 Active:0", 0);
    QTreeWidgetItem* b = f.AddPendingItem(QStringLiteral("Set active"), parent);
    f.Executive()->AddCommand("ActivePartition DiskIndex:0 PartitionIndex:2 Active:1", 0);
    EXPECT_EQ(first->text(0), " 1. Hide partition");
    EXPECT_EQ(parent->text(0), " 2. Set active");
    EXPECT_EQ(a->text(0), " 2. Set inactive");
    EXPECT_EQ(b->text(0), " 3. Set active");
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 2);
    EXPECT_EQ(MainFrame::PendingItemText(12, QStringLiteral("x")), "12. x");
}

TEST(MainWindowSelection, ListAndDiskMapFollowEachOther)
{
    Window w({{64, kTwoPrimaries}, {64, kEmptyGpt}});
    MainFrame& f = *w.frame;
    auto* map = Child<KDiskMap>(&f, "diskMap");
    const int entries0 = f.PendingLayout()->GetPartitionCount(0);
    ASSERT_GE(entries0, 2);

    // The first row (disk 0) is selected at start, the disk item of the map with it.
    EXPECT_EQ(SelectedRow(f), 0);
    EXPECT_EQ(f.SelectedDisk(), 0);
    EXPECT_EQ(f.SelectedPartition(), -1);
    EXPECT_EQ(map->GetItem(0)->SelectedIndex(), entries0);

    // A click in the map on disk 1's only entry selects its row.
    f.onDiskMapItemSelected(1, 0, false, QPoint());
    EXPECT_EQ(SelectedRow(f), entries0 + 2);
    EXPECT_EQ(f.SelectedDisk(), 1);
    EXPECT_EQ(f.SelectedPartition(), 0);

    // The disk item (index = entry count) selects the disk row.
    f.onDiskMapItemSelected(1, 1, false, QPoint());
    EXPECT_EQ(SelectedRow(f), entries0 + 1);
    EXPECT_EQ(f.SelectedPartition(), -1);

    // -1 clears the list selection and leaves the rest.
    f.onDiskMapItemSelected(1, -1, false, QPoint());
    EXPECT_EQ(SelectedRow(f), -1);
    EXPECT_EQ(f.SelectedDisk(), 1);

    // Selecting a row selects the entry in the map and clears the other bars.
    auto* list = Child<QTreeView>(&f, "diskPartitionList");
    list->selectionModel()->select(f.PartitionListModel()->index(2, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(f.SelectedDisk(), 0);
    EXPECT_EQ(f.SelectedPartition(), 1);
    EXPECT_EQ(map->GetItem(0)->SelectedIndex(), 1);
    EXPECT_EQ(map->GetItem(1)->SelectedIndex(), -1);
    EXPECT_EQ(f.RowOf(0, 1), 2);
    EXPECT_EQ(f.RowOf(1, -1), entries0 + 1);
    EXPECT_EQ(f.RowOf(1, 5), -1);
}

TEST(MainWindowSelection, ContextMenusFollowTheTarget)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    EXPECT_EQ(f.ContextMenuFor(-1), Child<QMenu>(&f, "menu_Disk"));
    EXPECT_EQ(f.ContextMenuFor(0), Child<QMenu>(&f, "menu_Partition"));
}

TEST(MainWindowSelection, DiskMapMovesBetweenTopAndBottom)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    auto* layout = Child<QWidget>(&f, "layoutWidget")->findChild<QVBoxLayout*>("diskMapVerticalLayout");
    ASSERT_NE(layout, nullptr);
    auto* map = Child<QWidget>(&f, "diskMap");
    auto* list = Child<QWidget>(&f, "diskPartitionList");
    // It starts below the list.
    EXPECT_EQ(layout->indexOf(list), 0);
    EXPECT_EQ(layout->indexOf(map), 1);
    EXPECT_TRUE(w.Action("action_Bottom")->isChecked());
    EXPECT_FALSE(w.Action("action_Top")->isChecked());

    w.Action("action_Top")->trigger();
    EXPECT_EQ(layout->indexOf(map), 0);
    EXPECT_TRUE(w.Action("action_Top")->isChecked());
    EXPECT_FALSE(w.Action("action_Bottom")->isChecked());

    // "Top" again, with the map already on top, moves it down.
    w.Action("action_Top")->trigger();
    EXPECT_EQ(layout->indexOf(map), 1);
    EXPECT_TRUE(w.Action("action_Bottom")->isChecked());
    EXPECT_FALSE(w.Action("action_Top")->isChecked());
}

TEST(MainWindowSelection, RefreshKeepsTheRowOrTakesTheLastOne)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    const int rows = f.PartitionListModel()->rowCount();
    f.onDiskMapItemSelected(0, 1, false, QPoint());
    EXPECT_EQ(SelectedRow(f), 2);

    // A pending delete of the last partition: the row stays where it was.
    f.AddPendingItem(QStringLiteral("Delete"));
    f.Executive()->AddCommand("DeletePartition DiskIndex:0 Partition:2", 0);
    const int last = f.PendingLayout()->GetPartitionCount(0) - 1;
    f.PendingLayout()->DeletePartition(0, last);
    f.RefreshViews();
    EXPECT_EQ(SelectedRow(f), 2);
    EXPECT_EQ(f.SelectedPartition(), 1);

    // Select the last row; after a change that shortens the list the new last row is taken.
    f.onDiskMapItemSelected(0, f.PendingLayout()->GetPartitionCount(0) - 1, false, QPoint());
    const int selected = SelectedRow(f);
    EXPECT_EQ(selected, f.PartitionListModel()->rowCount() - 1);
    f.on_actionUndo_Last_Changes_triggered();
    EXPECT_EQ(f.PartitionListModel()->rowCount(), rows);
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
}

#include <QSignalSpy>
#include <QTest>

#include "MessageBoxAnswer.h"

namespace {

// Stands for a focused view that claims keys for itself before shortcuts are looked up (an item view
// taking Ctrl+A as select all).
class KeyClaimant : public QObject {
public:
    int claims = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::ControlModifier ||
            (key->key() != Qt::Key_A && key->key() != Qt::Key_Z && key->key() != Qt::Key_D))
            return false;
        ++claims;
        event->accept();
        return true;
    }
};

} // namespace

// The pending-list shortcuts reach their actions while the partition list has the focus (a click on a
// row puts it there), even when the list claims the key; with nothing pending the list keeps it.
TEST(MainWindowShortcuts, ReachTheirActionsFromTheFocusedList)
{
    Window w({{64, kTwoPrimaries}});
    MainFrame& f = *w.frame;
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    auto* list = Child<QTreeView>(&f, "diskPartitionList");
    KeyClaimant claimant;
    list->installEventFilter(&claimant);
    struct Case {
        Qt::Key key;
        const char* action;
        bool pending;
        const char* question; // the box the action asks first, answered "No"; empty for none
    } cases[] = {
        {Qt::Key_A, "actionApply_All_Changes", true, "Apply Changes?"},
        {Qt::Key_Z, "actionUndo_Last_Changes", true, ""},
        {Qt::Key_D, "actionDiscard_All_Changes", true, "Discard Changes?"},
        {Qt::Key_A, "actionApply_All_Changes", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.action) + (c.pending ? " with a pending line" : " with nothing pending"));
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        if (c.pending)
            f.AddPendingItem(QStringLiteral("Hide"));
        f.updateActionState(0, 0);
        list->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), list);
        QSignalSpy triggered(w.Action(c.action), &QAction::triggered);
        claimant.claims = 0;
        MessageBoxAnswer answer({"No"});
        QTest::keyClick(list, c.key, Qt::ControlModifier);
        EXPECT_EQ(triggered.count(), c.pending ? 1 : 0);
        EXPECT_EQ(claimant.claims, c.pending ? 0 : 1) << "who got the key";
        EXPECT_EQ(answer.Count(), *c.question ? 1u : 0u);
        if (*c.question && answer.Count()) {
            EXPECT_EQ(answer.Last().title, c.question);
        }
        f.PendingTree()->clear();
    }
}
