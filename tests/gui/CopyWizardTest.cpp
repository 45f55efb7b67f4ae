// The partition copy wizard over a layout held in plain lists (what each selection page refuses, how
// the last page sizes the copy, where the copy is placed on acceptance), and the window's Copy: the
// queued lines, the pending items, the preview and undo.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <cstring>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "core/FileSystemTypes.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "gui/views/KDiskMapItem.h"
#include "gui/wizards/KDestPartitionEditorPage.h"
#include "gui/wizards/KPartitionCopyWizard.h"
#include "gui/wizards/KSelectPartitionPage.h"
#include "gui/wizards/KWelcomePage.h"
#include "gui/wizards/PartitionCopyRules.h"
#include "model/IVirtualVolumeManager.h"
#include "support/StubDisk.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;
using DialogProbe::Child;

namespace {

constexpr int64_t kGB = 2097152;
constexpr int64_t k8GB = 8 * kGB;
constexpr int64_t k3TB = 3072 * kGB;
constexpr int64_t kMbrLimit = 4294967040;
constexpr int64_t kNear2TB = kMbrLimit - 100000;

class GeometryDisk : public TestSupport::StubDisk {
public:
    explicit GeometryDisk(int64_t total) : m_total(total) {}
    int64_t GetTotalSectors() override { return m_total; }
    int GetGeometry(DiskGeometry* g) override
    {
        *g = DiskGeometry{};
        g->TracksPerCylinder = 255;
        g->SectorsPerTrack = 63;
        g->BytesPerSector = 512;
        g->TotalSectors = m_total;
        return 1;
    }

private:
    int64_t m_total;
};

struct TestDisk {
    std::unique_ptr<GeometryDisk> disk;
    PartitionList entries;
    bool gpt = false;
};

// Several disks whose entries the test writes directly.
class CopyLayout : public IVirtualVolumeManager {
public:
    std::vector<TestDisk> disks;

    void Add(int64_t total, PartitionList entries, bool gpt = false)
    {
        disks.push_back({std::make_unique<GeometryDisk>(total), std::move(entries), gpt});
    }

    int Load(IVolumeManager*) override { return 1; }
    int Clear() override { return 1; }
    int Reload() override { return 1; }
    int GetUndoCount() override { return 0; }
    int Undo(int) override { return 0; }
    int GetDiskCount() override { return int(disks.size()); }
    int GetPartitionCount(int disk) override { return valid(disk) ? int(disks[size_t(disk)].entries.size()) : 0; }
    int GetPartition(int disk, int index, PartitionInfo* out) override
    {
        if (!valid(disk) || index < 0 || index >= GetPartitionCount(disk))
            return 0;
        *out = disks[size_t(disk)].entries[size_t(index)];
        return 1;
    }
    int DeletePartition(int, int) override { return 0; }
    int UpdatePartition(int, int, const PartitionInfo*) override { return 0; }
    int InsertPartition(int, const PartitionInfo*) override { return 0; }
    IDisk* GetDisk(int disk) override { return valid(disk) ? disks[size_t(disk)].disk.get() : nullptr; }
    IVolumeDevice* CreateVolumeDevice(int, int) override { return nullptr; }
    IVolumeManager* GetSource() override { return nullptr; }
    int IsGptDisk(int disk) override { return valid(disk) && disks[size_t(disk)].gpt; }
    void SetGptDisk(int, int) override {}
    int ToPartitionIndex(int, int) override { return -1; }
    int IsDynamicDisk(int) override { return 0; }
    void SetDynamicDisk(int, int) override {}
    int PushUndo(int, int, int) override { return 0; }

private:
    bool valid(int disk) const { return disk >= 0 && disk < int(disks.size()); }
};

PartitionInfo Entry(int fileSystem, int64_t start, int64_t count, bool primary = true)
{
    PartitionInfo e = MakeEmptyPartitionInfo();
    e.StartingLba = start;
    e.SectorCount = count;
    e.PartitionTypeId = fileSystem == kFsExt3 || fileSystem == kFsNone ? 0x83 : 0x07;
    e.IsPrimary = primary ? 1 : 0;
    e.FileSystemType = int16_t(fileSystem);
    e.TotalSectors = fileSystem == kFsNtfs ? count - 1 : count;
    e.FreeSectors = e.TotalSectors / 2;
    e.ClusterSize = 8;
    return e;
}

PartitionInfo Free(int64_t start, int64_t count)
{
    PartitionInfo e = Entry(kFsNone, start, count);
    e.PartitionTypeId = 0;
    e.EntryFlags = kEntryUnallocated;
    return e;
}

// The NTFS source: 2 GB, 500000 sectors used, a reserve of 10000: its smallest copy is 919600 sectors.
PartitionInfo NtfsSource()
{
    PartitionInfo e = Entry(kFsNtfs, 63, 2 * kGB);
    e.FreeSectors = e.TotalSectors - 500000;
    e.NtfsReserveSectors = 10000;
    return e;
}
constexpr int64_t kNtfsMinimum = 919600;
constexpr int64_t kExtSize = 1048576;

// Disk 0: NTFS | unformatted | Ext3 | free (to the end)
// Disk 1: free (small) | FAT32 | free (smaller than the NTFS source) | NTFS | free
// Disk 2: 3 TB MBR: NTFS | free from just below the MBR limit
// Disk 3: the same on GPT
// Disk 4: four primaries with a free area between them
// Disk 5: free (the Ext3 source plus one track) | NTFS
void Fill(CopyLayout& layout)
{
    layout.Add(k8GB, {NtfsSource(), Entry(kFsNone, 4194367, kGB / 2), Entry(kFsExt3, 5242943, kExtSize),
                      Free(6291519, k8GB - 6291519)});
    layout.Add(k8GB, {Free(63, 409600), Entry(kFsFat32, 409663, kGB / 2), Free(1458239, 2000000),
                      Entry(kFsNtfs, 3458239, kGB / 2), Free(4506815, k8GB - 4506815)});
    for (bool gpt : {false, true})
        layout.Add(k3TB, {Entry(kFsNtfs, 63, kNear2TB - 63), Free(kNear2TB, k3TB - kNear2TB)}, gpt);
    layout.Add(k8GB, {Entry(kFsNtfs, 63, kGB), Entry(kFsNtfs, kGB + 63, kGB), Free(2 * kGB + 63, kGB),
                      Entry(kFsNtfs, 3 * kGB + 63, kGB), Entry(kFsNtfs, 4 * kGB + 63, kGB)});
    layout.Add(k8GB, {Free(63, kExtSize + 63), Entry(kFsNtfs, kExtSize + 126, kGB)});
}

KSelectPartitionPage* SelectPage(QWizard& wizard) { return qobject_cast<KSelectPartitionPage*>(wizard.currentPage()); }

// A click on the page's bar: an entry, or the disk box for -1.
void Pick(QWizard& wizard, CopyLayout& layout, int disk, int index)
{
    KDiskMapItem* bar = Child<KDiskMapItem>(*wizard.currentPage(), "diskMapItem");
    emit bar->diskMapItemSelected(disk, index < 0 ? layout.GetPartitionCount(disk) : index, false, QPoint());
}

std::vector<MessageBoxAnswer::Box> Press(QWizard& wizard, QWizard::WizardButton button)
{
    MessageBoxAnswer boxes({"OK"});
    wizard.button(button)->click();
    return boxes.Boxes();
}

const QString kNotPartition = QStringLiteral("Source device must be a partition.");
const QString kNotFree = QStringLiteral("Destination device must be an unallocated space.");

class CopyWizard : public ::testing::Test {
protected:
    void SetUp() override { Fill(layout); }

    // A wizard on a preselected source, on its edit page for the destination area.
    QWizardPage* EditPage(int sourceDisk, int sourceIndex, int destDisk, int destIndex)
    {
        wizard = std::make_unique<KPartitionCopyWizard>(sourceDisk, sourceIndex, &layout);
        wizard->show();
        Pick(*wizard, layout, destDisk, destIndex);
        EXPECT_TRUE(Press(*wizard, QWizard::NextButton).empty());
        auto* page = qobject_cast<KDestPartitionEditorPage*>(wizard->currentPage());
        EXPECT_NE(page, nullptr);
        return page;
    }

    CopyLayout layout;
    std::unique_ptr<KPartitionCopyWizard> wizard;
};

} // namespace

TEST_F(CopyWizard, EachSelectionPageNamesWhatItsChoiceLacks)
{
    const QString tooSmall = QStringLiteral("The destination unallocated space is too small.");
    struct Case {
        bool source;
        int disk, index; // index -1: the disk box
        QString message; // empty: Next leads on
    };
    const Case cases[] = {
        {true, 0, -1, kNotPartition},
        {true, 1, 0, kNotPartition}, // unallocated
        {true, 0, 1, kNotPartition}, // unformatted
        {true, 0, 2, {}},
        {true, 0, 0, {}},
        {false, 1, -1, kNotFree},
        {false, 1, 1, kNotFree},
        {false, 1, 0, tooSmall},
        {false, 1, 2, {}}, // smaller than the source, not than its smallest copy
        {false, 2, 1, QStringLiteral("This disk uses MBR format, the disk space beyond 2 TB will be unusable.")},
        {false, 3, 1, {}},
        {false, 4, 2, QStringLiteral("Volmara cannot create a partition at the specified location.")},
    };
    wizard = std::make_unique<KPartitionCopyWizard>(-1, -1, &layout);
    wizard->show();
    ASSERT_NE(qobject_cast<KWelcomePage*>(wizard->currentPage()), nullptr);
    ASSERT_TRUE(Press(*wizard, QWizard::NextButton).empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.source ? "source " : "destination ") << c.disk << "/" << c.index);
        if (!c.source && SelectPage(*wizard)->IsSource()) {
            Pick(*wizard, layout, 0, 0);
            ASSERT_TRUE(Press(*wizard, QWizard::NextButton).empty());
        }
        ASSERT_EQ(SelectPage(*wizard)->IsSource(), c.source);
        Pick(*wizard, layout, c.disk, c.index);
        EXPECT_EQ(Child<QLabel>(*wizard->currentPage(), "messageLabel")->text(), c.message);
        EXPECT_EQ(wizard->button(QWizard::NextButton)->isEnabled(), c.message.isEmpty());
        const QString prefix = c.source ? "Source" : "Dest";
        EXPECT_EQ(wizard->field(prefix + "DiskIndex").toInt(), c.disk);
        EXPECT_EQ(wizard->field(prefix + "PartitionIndex").toInt(), c.index);
        if (c.message.isEmpty())
            continue;
        MessageBoxAnswer box({"OK"});
        EXPECT_FALSE(SelectPage(*wizard)->validatePage());
        ASSERT_EQ(box.Count(), 1u);
        EXPECT_EQ(box.Last().title, "Error");
        EXPECT_EQ(box.Last().text, c.message);
    }
}

TEST_F(CopyWizard, APreselectedSourceOpensAtTheDestinationPage)
{
    wizard = std::make_unique<KPartitionCopyWizard>(1, 3, &layout);
    wizard->show();
    ASSERT_NE(SelectPage(*wizard), nullptr);
    EXPECT_FALSE(SelectPage(*wizard)->IsSource());
    EXPECT_EQ(wizard->field("SourceDiskIndex").toInt(), 1);
    EXPECT_EQ(wizard->field("SourcePartitionIndex").toInt(), 3);
    EXPECT_FALSE(wizard->button(QWizard::NextButton)->isEnabled());
}

TEST_F(CopyWizard, TheEditPageSizesTheCopyByItsSourceAndArea)
{
    struct Case {
        const char* what;
        int sourceDisk, sourceIndex, destDisk, destIndex;
        bool resizeEnabled;
        int64_t size, minimum, maximum, room;
        QStringList kinds;
    };
    const int64_t disk0Room = k8GB - 6291519;
    const Case cases[] = {
        {"room to spare", 0, 0, 0, 3, true, 2 * kGB, kNtfsMinimum, disk0Room, disk0Room, {"Primary", "Logical"}},
        {"area smaller than the source", 0, 0, 1, 2, false, 2000000, kNtfsMinimum, 2000000, 2000000,
         {"Primary", "Logical"}},
        {"Ext3 keeps its size", 0, 2, 0, 3, false, kExtSize, kExtSize, kExtSize, disk0Room, {"Primary", "Logical"}},
        {"GPT", 0, 0, 3, 1, true, 2 * kGB, kNtfsMinimum, k3TB - kNear2TB, k3TB - kNear2TB, {"Primary"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWizardPage* page = EditPage(c.sourceDisk, c.sourceIndex, c.destDisk, c.destIndex);
        ASSERT_NE(page, nullptr);
        auto* resize = Child<QCheckBox>(*page, "resizePartition_checkBox");
        auto* control = Child<KPartitionResizeCtrl>(*page, "partitionResizeCtrl");
        auto* kinds = Child<QComboBox>(*page, "comboBox");
        EXPECT_TRUE(resize->isChecked());
        EXPECT_EQ(resize->isEnabled(), c.resizeEnabled);
        EXPECT_EQ(control->GetSize(), c.size);
        EXPECT_EQ(control->GetMinimumSize(), c.minimum);
        EXPECT_EQ(control->GetMaximumSize(), c.maximum);
        EXPECT_EQ(control->GetTotal(), c.room);
        EXPECT_EQ(wizard->field("DestPartitionSize").toLongLong(), c.size);
        EXPECT_EQ(wizard->field("DestStartingOffset").toLongLong(), 0);
        QStringList texts;
        for (int i = 0; i < kinds->count(); ++i)
            texts << kinds->itemText(i);
        EXPECT_EQ(texts, c.kinds);
        EXPECT_EQ(kinds->currentIndex(), kinds->count() - 1);
        EXPECT_EQ(wizard->field("PrimaryPartition").toInt(), c.kinds.size() == 1 ? 1 : 0);
        EXPECT_EQ(Child<KDiskMapItem>(*page, "destDiskMapItem")->SelectedIndex(), c.destIndex);
        EXPECT_TRUE(Child<KDiskMapItem>(*page, "srcDiskMapItem")->IsReadOnly());
    }
}

TEST_F(CopyWizard, WithoutResizingTheCopyKeepsItsSizeAndTheSpinBoxesMoveIt)
{
    QWizardPage* page = EditPage(0, 0, 0, 3);
    ASSERT_NE(page, nullptr);
    auto* control = Child<KPartitionResizeCtrl>(*page, "partitionResizeCtrl");
    Child<QCheckBox>(*page, "resizePartition_checkBox")->click();
    EXPECT_EQ(control->GetMinimumSize(), 2 * kGB);
    EXPECT_EQ(control->GetMaximumSize(), 2 * kGB);

    // 100 MB before the copy: start and size reach the fields.
    Child<QDoubleSpinBox>(*page, "doubleSpinBox")->setValue(100.0);
    EXPECT_EQ(wizard->field("DestStartingOffset").toLongLong(), 204800);
    EXPECT_EQ(wizard->field("DestPartitionSize").toLongLong(), 2 * kGB);
    Child<QDoubleSpinBox>(*page, "doubleSpinBox_3")->setValue(0.0);
    EXPECT_EQ(wizard->field("DestStartingOffset").toLongLong(), control->GetTotal() - 2 * kGB);
}

TEST_F(CopyWizard, AcceptanceKeepsTheBootRecordTrackAndRefusesToShortenAFixedSizeCopy)
{
    struct Case {
        const char* what;
        int sourceIndex;
        QString kind;
        bool accepted;
        int64_t start, size;
    };
    // Disk 5's free area holds the Ext3 source and exactly one track more.
    const Case cases[] = {
        {"primary NTFS", 0, "Primary", true, 63, kExtSize + 63},
        {"logical NTFS starts a track later and gives the track up at its end", 0, "Logical", true, 126, kExtSize},
        {"primary Ext3", 2, "Primary", true, 63, kExtSize},
        {"logical Ext3 would lose a track", 2, "Logical", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QWizardPage* page = EditPage(0, c.sourceIndex, 5, 0);
        ASSERT_NE(page, nullptr);
        auto* kinds = Child<QComboBox>(*page, "comboBox");
        kinds->setCurrentIndex(kinds->findText(c.kind));
        const auto boxes = Press(*wizard, QWizard::FinishButton);
        if (!c.accepted) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "The destination unallocated space is too small.");
            EXPECT_TRUE(wizard->isVisible());
            continue;
        }
        EXPECT_TRUE(boxes.empty());
        ASSERT_EQ(wizard->result(), QDialog::Accepted);
        EXPECT_EQ(wizard->IsPrimary(), c.kind == "Primary");
        EXPECT_EQ(wizard->SourceDiskIndex(), 0);
        EXPECT_EQ(wizard->SourcePartitionIndex(), c.sourceIndex);
        EXPECT_EQ(wizard->DestDiskIndex(), 5);
        EXPECT_EQ(wizard->DestPartitionIndex(), 0);
        EXPECT_EQ(wizard->DestStartingLba(), c.start);
        EXPECT_EQ(wizard->DestPartitionSize(), c.size);
    }
}

TEST(CopyPlacement, TheTrackRulesAtTheAreaStartAndTheDiskEnd)
{
    struct Case {
        const char* what;
        int64_t areaStart, areaCount, offset, size;
        bool primary;
        int64_t start, length;
    };
    constexpr int64_t kDisk = 1000000;
    const Case cases[] = {
        {"primary stays", 1000, 100000, 500, 50000, true, 1500, 50000},
        {"primary at sector 0 moves a track", 0, 100000, 0, 50000, true, 63, 50000},
        {"logical moves a track", 1000, 100000, 0, 50000, false, 1063, 50000},
        // Its boot record cannot take the MBR's place.
        {"logical at sector 0 moves past the MBR's track and its own", 0, 100000, 0, 50000, false, 126, 50000},
        {"logical near sector 0 too", 0, 100000, 20, 50000, false, 126, 50000},
        {"logical at sector 0 filling the area keeps its end", 0, 100000, 0, 100000, false, 126, 99874},
        {"logical past the area end goes back when it can", 1000, 100000, 200, 99800, false, 1200, 99800},
        {"logical past the area end is shortened when it cannot", 1000, 100000, 0, 100000, false, 1063, 99937},
        {"the disk's last track stays free", 900000, 100000, 0, 100000, true, 900000, 99937},
        {"going back a track keeps the disk's last track free", 900000, 100000, 63, 99937, true, 900000, 99937},
        // Going back would put the boot record before the area: shortened instead.
        {"a logical copy at the disk end keeps its boot record's track", 900000, 100000, 0, 100000, false, 900063, 99874},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PartitionInfo area = Free(c.areaStart, c.areaCount);
        int64_t start = 0, length = 0;
        EXPECT_TRUE(PartitionCopyRules::PlaceCopy(area, c.offset, c.size, c.primary, kDisk, kFsNtfs, &start, &length));
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(length, c.length);
    }
}

// Disk 1 holds a FAT16 volume, disk 2 nothing yet: the copy goes to the start of disk 2 as a primary
// partition of the source's size, after the MBR's track.
TEST(CopyHandler, CopyQueuesTheDataAndTheEntryAndUndoRestoresThePreview)
{
    if (!TestSupport::HaveTool("mkfs.fat"))
        GTEST_SKIP() << "mkfs.fat is needed";
    const auto prepare = [](const std::string& image) {
        const auto r = TestSupport::RunTool({"mkfs.fat", "-F", "16", "--offset", "2048", image, "20480"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    };
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=40960, type=6\n", prepare}, {64, "label: dos\n", {}}});
    MainFrame& f = *w.frame;
    const int source = IndexAt(f, 0, 2048);
    ASSERT_GE(source, 0);
    const PartitionInfo fat = EntryAt(f, 0, 2048);
    ASSERT_EQ(fat.FileSystemType, kFsFat16);
    const auto snapshot = [&] {
        std::vector<PartitionInfo> list(size_t(f.PendingLayout()->GetPartitionCount(1)));
        for (size_t i = 0; i < list.size(); ++i)
            f.PendingLayout()->GetPartition(1, int(i), &list[i]);
        return list;
    };
    const auto original = snapshot();
    ASSERT_EQ(original.size(), 1u);
    ASSERT_EQ(original[0].StartingLba, 0) << "the empty disk's free area starts at sector 0";

    // The wizard entry starts at the welcome page; cancelling it queues nothing.
    Select(f, 1, -1);
    ASSERT_TRUE(w.Action("actionPartition_Copy_Wizard")->isEnabled());
    ASSERT_FALSE(w.Action("action_Copy_Partition")->isEnabled());
    bool welcome = false;
    {
        DialogAnswer<KPartitionCopyWizard> cancel([&](KPartitionCopyWizard& wizard) {
            welcome = qobject_cast<KWelcomePage*>(wizard.currentPage()) != nullptr;
        });
        w.Action("actionPartition_Copy_Wizard")->trigger();
        ASSERT_EQ(cancel.Seen(), 1);
    }
    EXPECT_TRUE(welcome);
    EXPECT_TRUE(Lines(f).isEmpty());

    // The tool bar's Copy on the partition goes straight to the destination; the copy keeps its size.
    SelectAt(f, 0, 2048);
    ASSERT_TRUE(w.Action("action_Copy")->isEnabled());
    ASSERT_TRUE(w.Action("action_Copy_Partition")->isEnabled());
    const QString name = f.DisplayName(0, source);
    DialogAnswer<KPartitionCopyWizard> answer([&](KPartitionCopyWizard& wizard) {
        KDiskMapItem* bar = Child<KDiskMapItem>(*wizard.currentPage(), "diskMapItem");
        emit bar->diskMapItemSelected(1, 0, false, QPoint());
        ASSERT_TRUE(Press(wizard, QWizard::NextButton).empty());
        auto* kinds = Child<QComboBox>(*wizard.currentPage(), "comboBox");
        kinds->setCurrentIndex(kinds->findText("Primary"));
        Child<QCheckBox>(*wizard.currentPage(), "resizePartition_checkBox")->click();
        Press(wizard, QWizard::FinishButton);
    });
    w.Action("action_Copy")->trigger();
    ASSERT_EQ(answer.Seen(), 1);

    // A primary copy at sector 0 leaves the MBR's track.
    const int64_t start = 63, size = fat.TotalSectors;
    const QString lba = QString::number(start), length = QString::number(size);
    EXPECT_EQ(Lines(f), QStringList({"CopyPartition DiskIndex:0 PartitionIndex:1 DestDiskIndex:1 DestStartingLba:" + lba +
                                         " DestPartitionSize:" + length + " DestPartitionIsPrimary:1",
                                     "CreatePartition DiskIndex:1 StartingOffset:" + lba + " PartitionLength:" + length +
                                         " PartTypeId:2147483654 FsType:0 ClusterSize:0 Label:\"\" Letter:0 Active:0 "
                                         "Primary:1 BootVolume:0 SystemVolume:0"}))
        << Lines(f).join("\n").toStdString();
    EXPECT_EQ(Items(f), QStringList({MainFrame::PendingItemText(1, "Copy Partition: (" + name + ")"),
                                     "  " + MainFrame::PendingItemText(1, "Copy Partition: (" + name + ") to Disk 2"),
                                     "  " + MainFrame::PendingItemText(2, "Create Partition (Disk:2 LBA: " + lba + ")")}))
        << Items(f).join("\n").toStdString();
    const PartitionInfo copy = EntryAt(f, 1, start);
    EXPECT_EQ(copy.SectorCount, size);
    EXPECT_EQ(copy.FileSystemType, kFsFat16);
    EXPECT_EQ(copy.PartitionTypeId, 6);
    EXPECT_EQ(copy.IsPrimary, 1);
    EXPECT_EQ(copy.HiddenSectors, start);
    EXPECT_EQ(copy.FreeSectors, fat.FreeSectors);
    EXPECT_NE(copy.EntryFlags & kEntryPendingCreated, 0u);
    EXPECT_EQ(EntryAt(f, 0, 2048).SectorCount, fat.SectorCount) << "the source stays as it is";

    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_TRUE(Lines(f).isEmpty());
    EXPECT_EQ(f.PendingTree()->topLevelItemCount(), 0);
    const auto restored = snapshot();
    ASSERT_EQ(restored.size(), original.size());
    for (size_t i = 0; i < restored.size(); ++i)
        EXPECT_EQ(std::memcmp(&restored[i], &original[i], sizeof(PartitionInfo)), 0) << "entry " << i;
}
