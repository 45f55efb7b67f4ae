// The partition merge wizard over a layout held in plain lists (which partitions each page lets the user
// pick, every refusal and the results), and the window's Merge over two NTFS volumes: the queued lines,
// the preview and undo.
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <cstring>
#include <filesystem>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "core/FileSystemTypes.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/KPartitionMergeWizard.h"
#include "gui/wizards/KPartitionMergeWizard_SelectPartitionPage.h"
#include "model/IVirtualVolumeManager.h"
#include "support/NtfsVolumes.h"
#include "support/StubDisk.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;
using DialogProbe::Child;
using Page = KPartitionMergeWizard_SelectPartitionPage;

static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
static void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& text : list)
        *os << "\n  \"" << text.toStdString() << '"';
    *os << " }";
}

namespace {

class NamedDisk : public TestSupport::StubDisk {
public:
    int64_t GetTotalSectors() override { return 4 << 21; } // 4 GB
    int GetName(char* buffer, int size) override
    {
        std::strncpy(buffer, "Test Disk", size_t(size));
        return 1;
    }
};

// One disk whose entries the test writes directly.
class MergeLayout : public IVirtualVolumeManager {
public:
    PartitionList entries;

    int Load(IVolumeManager*) override { return 1; }
    int Clear() override { return 1; }
    int Reload() override { return 1; }
    int GetUndoCount() override { return 0; }
    int Undo(int) override { return 0; }
    int GetDiskCount() override { return 1; }
    int GetPartitionCount(int disk) override { return disk == 0 ? int(entries.size()) : 0; }
    int GetPartition(int disk, int index, PartitionInfo* out) override
    {
        if (disk != 0 || index < 0 || index >= int(entries.size()))
            return 0;
        *out = entries[size_t(index)];
        return 1;
    }
    int DeletePartition(int, int) override { return 0; }
    int UpdatePartition(int, int, const PartitionInfo*) override { return 0; }
    int InsertPartition(int, const PartitionInfo*) override { return 0; }
    IDisk* GetDisk(int disk) override { return disk == 0 ? &m_disk : nullptr; }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    IVolumeManager* GetSource() override { return nullptr; }
    int IsGptDisk(int) override { return 0; }
    void SetGptDisk(int, int) override {}
    int ToPartitionIndex(int, int) override { return -1; }
    int IsDynamicDisk(int) override { return 0; }
    void SetDynamicDisk(int, int) override {}
    int PushUndo(int, int, int) override { return 0; }

private:
    NamedDisk m_disk;
};

PartitionInfo Entry(int fileSystem, int64_t start)
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    e.StartingLba = start;
    e.SectorCount = 1 << 20;
    e.PartitionTypeId = fileSystem == kFsNone ? 0x83 : 0x07;
    e.FileSystemType = int16_t(fileSystem);
    e.TotalSectors = e.SectorCount;
    e.FreeSectors = e.SectorCount / 2;
    e.ClusterSize = 8;
    return e;
}

PartitionInfo Free(int64_t start)
{
    PartitionInfo e = Entry(kFsNone, start);
    e.PartitionTypeId = 0;
    e.EntryFlags = kEntryUnallocated;
    return e;
}

// Ext2 | NTFS | FAT32 | NTFS | free | NTFS
PartitionList SixEntries()
{
    return {Entry(kFsExt2, 0), Entry(kFsNtfs, 1 << 20), Entry(kFsFat32, 2 << 20), Entry(kFsNtfs, 3 << 20),
            Free(4 << 20), Entry(kFsNtfs, 5 << 20)};
}

Page* CurrentPage(QWizard& wizard) { return qobject_cast<Page*>(wizard.currentPage()); }

// A click on a cell of the page's bar, as the bar reports it.
void Pick(QWizard& wizard, int index)
{
    KDiskMapItem* bar = Child<KDiskMapItem>(*wizard.currentPage(), "diskMapItem");
    emit bar->diskMapItemSelected(bar->DiskIndex(), index, false, QPoint());
}

// Presses Next or Finish with the message boxes answered in order; what they said.
std::vector<MessageBoxAnswer::Box> Press(QWizard& wizard, QWizard::WizardButton button, QStringList answers = {"OK"})
{
    MessageBoxAnswer boxes(std::move(answers));
    wizard.button(button)->click();
    return boxes.Boxes();
}

class MergeWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        layout.entries = SixEntries();
        wizard = std::make_unique<KPartitionMergeWizard>(&layout);
        wizard->show();
    }

    void Restart()
    {
        wizard->show();
        wizard->restart();
    }

    // Through the first page with `expanding` chosen.
    void Expand(int expanding)
    {
        Pick(*wizard, expanding);
        ASSERT_TRUE(Press(*wizard, QWizard::NextButton).empty());
        ASSERT_EQ(CurrentPage(*wizard)->PageMode(), Page::MergeMode);
    }

    QLineEdit* FolderEdit() { return Child<QLineEdit>(*wizard->currentPage(), "folderEdit"); }

    MergeLayout layout;
    std::unique_ptr<KPartitionMergeWizard> wizard;
};

const QString kFatRefusal = QStringLiteral("You select a FAT partition. To merge this partition, please use \"Convert "
                                           "FAT to NTFS\" function to convert it to NTFS first.");

} // namespace

TEST_F(MergeWizard, TheMergePageKeepsTheDiskOfTheFirstAndOffersAFolderName)
{
    QTreeWidget* disks = Child<QTreeWidget>(*wizard->currentPage(), "diskList");
    ASSERT_EQ(disks->topLevelItemCount(), 1);
    EXPECT_EQ(disks->topLevelItem(0)->text(1), "4.00 GB");
    EXPECT_EQ(disks->topLevelItem(0)->text(2), "Test Disk");
    EXPECT_EQ(wizard->field("DiskIndex").toInt(), 0);

    Expand(1);
    EXPECT_FALSE(Child<QTreeWidget>(*wizard->currentPage(), "diskList")->isEnabled());
    EXPECT_EQ(FolderEdit()->text(), "merged_partition_content");
}

TEST_F(MergeWizard, NextOnTheExpandPageNeedsAPartitionThatMayBeMerged)
{
    struct Case {
        int index; // -1: no cell clicked
        bool nextEnabled;
        QString refusal; // empty: the merge page follows
    };
    const Case cases[] = {
        {-1, true, QStringLiteral("Please select a partition.")},
        {0, false, {}}, // Ext2
        {2, true, kFatRefusal},
        {3, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        Restart();
        if (c.index >= 0)
            Pick(*wizard, c.index);
        ASSERT_EQ(wizard->button(QWizard::NextButton)->isEnabled(), c.nextEnabled);
        if (!c.nextEnabled)
            continue;
        const auto boxes = Press(*wizard, QWizard::NextButton);
        if (c.refusal.isEmpty()) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(CurrentPage(*wizard)->PageMode(), Page::MergeMode);
            EXPECT_EQ(wizard->field("ExtendingPartitionIndex").toInt(), c.index);
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "Error");
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(boxes[0].text, c.refusal);
        EXPECT_EQ(CurrentPage(*wizard)->PageMode(), Page::ExpandMode);
    }
}

TEST_F(MergeWizard, OnlyAMergeableNeighbourByListPositionCanBeClicked)
{
    constexpr int kOpen = 0;
    constexpr int kShut = KDiskMapItem::CellUnselectable | KDiskMapItem::CellDimmed;
    constexpr int kTarget = kShut | KDiskMapItem::CellMarked;
    struct Case {
        int expanding;
        std::vector<int> flags;
    };
    // Ext2 | NTFS | FAT32 | NTFS | free | NTFS: neither Ext2 nor a free area can be merged, and the free
    // area keeps the last NTFS apart from its left neighbour.
    const Case cases[] = {
        {1, {kShut, kTarget, kOpen, kShut, kShut, kShut}},
        {3, {kShut, kShut, kOpen, kTarget, kShut, kShut}},
        {5, {kShut, kShut, kShut, kShut, kShut, kTarget}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expanding);
        Restart();
        Expand(c.expanding);
        KDiskMapItem* bar = Child<KDiskMapItem>(*wizard->currentPage(), "diskMapItem");
        std::vector<int> flags;
        for (int i = 0; i < bar->GetPartitionCount(); ++i)
            flags.push_back(bar->GetCellFlags(i));
        EXPECT_EQ(flags, c.flags);
        EXPECT_TRUE(bar->IsPartitionsOnly());
    }
}

TEST_F(MergeWizard, FolderNamesAreTrimmedAndCheckedBeforeTheMergeIsAccepted)
{
    struct Case {
        QString typed;
        QString refusal; // empty: accepted
    };
    const QString invalid = QStringLiteral("The folder name <B>%1</B> is not valid. Please enter another name.");
    std::vector<Case> cases = {
        {QStringLiteral("   "), QStringLiteral("Please enter a name for the folder.")},
        {QString(129, QLatin1Char('n')),
         QStringLiteral("The folder name <B>%1</B> is too long. Please enter another name.").arg(QString(129, 'n'))},
        {QStringLiteral("  ") + QString(128, QLatin1Char('n')) + QStringLiteral(" "), {}},
    };
    for (QChar c : QStringLiteral(":?|\\/><\"*")) {
        const QString name = QStringLiteral("a") + c + QStringLiteral("b");
        cases.push_back({name, invalid.arg(name.toHtmlEscaped())});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Restart();
        Expand(3);
        Pick(*wizard, 2); // the FAT32 neighbour is refused first, whatever the name
        FolderEdit()->setText(c.typed);
        auto boxes = Press(*wizard, QWizard::FinishButton);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kFatRefusal);

        layout.entries[2] = Entry(kFsNtfs, 2 << 20);
        boxes = Press(*wizard, QWizard::FinishButton);
        layout.entries = SixEntries();
        if (c.refusal.isEmpty()) {
            EXPECT_TRUE(boxes.empty());
            EXPECT_EQ(wizard->result(), QDialog::Accepted);
            EXPECT_EQ(wizard->field("NewFolderName").toString(), c.typed.trimmed());
            EXPECT_EQ(wizard->FolderName(), c.typed.trimmed().toStdString());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "Error");
        EXPECT_EQ(boxes[0].text, c.refusal);
        EXPECT_TRUE(wizard->isVisible());
        if (!c.typed.trimmed().isEmpty()) {
            EXPECT_EQ(FolderEdit()->selectedText(), c.typed) << "the refused name is handed back selected";
        }
    }
}

TEST_F(MergeWizard, ExpandingPartitionWithoutRoomAndBootPartitionsAreGuarded)
{
    // No room once both volumes' reserves are counted.
    layout.entries[3].FreeSectors = 1000;
    layout.entries[3].NtfsReserveSectors = 600;
    layout.entries[4] = Entry(kFsNtfs, 4 << 20);
    layout.entries[4].NtfsReserveSectors = 400;
    Expand(3);
    Pick(*wizard, 4);
    auto boxes = Press(*wizard, QWizard::FinishButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "The expanding partition does not have enough free space.");

    // A boot or system partition folded in asks first; only Yes goes on.
    layout.entries[3].FreeSectors = 1001;
    for (const char* flag : {"Active", "SystemVolume"}) {
        SCOPED_TRACE(flag);
        layout.entries[4].Active = std::strcmp(flag, "Active") == 0;
        layout.entries[4].SystemVolume = !layout.entries[4].Active;
        boxes = Press(*wizard, QWizard::FinishButton, {"No"});
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].title, "Warning");
        EXPECT_EQ(boxes[0].text, " Selected partition is a boot/system partition. Merge <B>this partition into another "
                                 "will make your computer unable to boot.</B><BR><BR>Do you want to continue?");
        EXPECT_EQ(boxes[0].buttons.size(), 2);
        EXPECT_TRUE(boxes[0].buttons.contains("Yes") && boxes[0].buttons.contains("No"));
        EXPECT_TRUE(wizard->isVisible());
    }
    boxes = Press(*wizard, QWizard::FinishButton, {"Yes"});
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

TEST_F(MergeWizard, EitherNeighbourGivesTheLeftAndRightPartitions)
{
    layout.entries[2] = Entry(kFsNtfs, 2 << 20);
    struct Case {
        int expanding, merging, first, second;
        bool firstIsExpanded;
    };
    const Case cases[] = {{1, 2, 1, 2, true}, {3, 2, 2, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.merging);
        Restart();
        Expand(c.expanding);
        Pick(*wizard, c.merging);
        FolderEdit()->setText(QStringLiteral(" Old C "));
        ASSERT_TRUE(Press(*wizard, QWizard::FinishButton).empty());
        EXPECT_EQ(wizard->DiskIndex(), 0);
        EXPECT_EQ(wizard->FirstIndex(), c.first);
        EXPECT_EQ(wizard->SecondIndex(), c.second);
        EXPECT_EQ(wizard->FirstIsExpanded(), c.firstIsExpanded);
        EXPECT_STREQ(wizard->FolderName(), "Old C");
    }
}

// Two NTFS volumes side by side with different cluster sizes; the right one, expanded, already holds a
// folder "Photos".
TEST(MergeHandler, MergeQueuesTheClusterChangeAndTheMergeAndUndoRestoresThePreview)
{
    if (!NtfsVolumes::HaveTools())
        GTEST_SKIP() << "ntfs-3g and the ntfsprogs are needed";
    constexpr int64_t kLeft = 2048, kRight = 133120, kSize = 131072;
    TestSupport::TempDir scratch;
    const auto prepare = [&](const std::string& image) {
        ASSERT_EQ(NtfsVolumes::Make(scratch, image, kLeft, kSize, NtfsVolumes::Maker::Mkntfs, 2048), "");
        ASSERT_EQ(NtfsVolumes::Make(scratch, image, kRight, kSize, NtfsVolumes::Maker::Mkntfs, 4096), "");
        ASSERT_EQ(NtfsVolumes::WithMount(scratch, image, kRight, kSize, "",
                                         [](const std::string& root) {
                                             return std::filesystem::create_directory(root + "/Photos")
                                                        ? std::string()
                                                        : std::string("mkdir failed");
                                         }),
                  "");
    };
    Window w({{160, "label: dos\nunit: sectors\nstart=2048, size=131072, type=7\nstart=133120, size=131072, type=7\n",
               prepare}});
    MainFrame& f = *w.frame;
    const int left = IndexAt(f, 0, kLeft), right = IndexAt(f, 0, kRight);
    ASSERT_EQ(right, left + 1);
    ASSERT_EQ(EntryAt(f, 0, kLeft).ClusterSize, 4);
    ASSERT_EQ(EntryAt(f, 0, kRight).ClusterSize, 8);
    const QString leftName = f.DisplayName(0, left), rightName = f.DisplayName(0, right);
    const auto snapshot = [&] {
        std::vector<PartitionInfo> list(size_t(f.PendingLayout()->GetPartitionCount(0)));
        for (size_t i = 0; i < list.size(); ++i)
            f.PendingLayout()->GetPartition(0, int(i), &list[i]);
        return list;
    };
    // An operation queued before stays when the merge is undone.
    SelectAt(f, 0, kRight);
    f.on_action_Hide_Partition_triggered();
    ASSERT_EQ(Lines(f).size(), 1);
    const QString hide = Lines(f)[0];
    const auto original = snapshot();

    ASSERT_TRUE(w.Action("actionMerge")->isEnabled());
    std::vector<MessageBoxAnswer::Box> refusals;
    DialogAnswer<KPartitionMergeWizard> answer([&](KPartitionMergeWizard& wizard) {
        Pick(wizard, right);
        ASSERT_TRUE(Press(wizard, QWizard::NextButton).empty());
        Pick(wizard, left);
        Child<QLineEdit>(*wizard.currentPage(), "folderEdit")->setText(QStringLiteral("PHOTOS"));
        refusals = Press(wizard, QWizard::FinishButton);
        Child<QLineEdit>(*wizard.currentPage(), "folderEdit")->setText(QStringLiteral("Left disk"));
        Press(wizard, QWizard::FinishButton);
    });
    w.Action("actionMerge")->trigger();
    ASSERT_EQ(answer.Seen(), 1);
    ASSERT_EQ(refusals.size(), 1u) << "a name the volume's root holds, in any letter case, is refused";
    EXPECT_EQ(refusals[0].text, "The folder name <B>PHOTOS</B> is not valid. Please enter another name.");

    EXPECT_EQ(Lines(f), QStringList({hide, "ChangeClusterSize DiskIndex:0 PartitionIndex:1 ClusterSize:8",
                                     "MergePartition DiskIndex:0 LeftPartitionIndex:1 ExtendLeftPartition:0 "
                                     "NewFolderName:\"Left disk\""}));
    EXPECT_EQ(Items(f).mid(1), QStringList({" 2. Merge Partition: " + rightName, "   2. Change Cluster Size: " + leftName,
                                            "   3. Check Partitions", "   3. Merge Partition"}));
    // One entry over both areas, the right one's volume at the left start.
    EXPECT_EQ(IndexAt(f, 0, kRight), -1);
    const PartitionInfo merged = EntryAt(f, 0, kLeft);
    EXPECT_EQ(merged.SectorCount, 2 * kSize);
    EXPECT_EQ(merged.ClusterSize, 8);
    EXPECT_EQ(merged.HiddenSectors, kLeft);
    EXPECT_EQ(merged.FileSystemType, kFsNtfs);

    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(Lines(f), QStringList({hide}));
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 1);
    const auto restored = snapshot();
    ASSERT_EQ(restored.size(), original.size());
    for (size_t i = 0; i < restored.size(); ++i)
        EXPECT_EQ(std::memcmp(&restored[i], &original[i], sizeof(PartitionInfo)), 0) << "entry " << i;
}
