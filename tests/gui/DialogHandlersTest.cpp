// The operations that open a dialog, driven from the window with the dialog answered as a user would:
// the queued lines, pending items and preview of each, undo, and the disks after applying, judged by
// sfdisk, blkid and each file system's checker.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cstring>
#include <map>

#include "DialogProbe.h"
#include "HandlerSupport.h"
#include "gui/dialogs/KChangeClusterSizeDlg.h"
#include "gui/dialogs/KChangeLabelDlg.h"
#include "gui/dialogs/KChangeLetterDlg.h"
#include "gui/dialogs/KChangePartitionTypeID.h"
#include "gui/dialogs/KCreatePartitionDlg.h"
#include "gui/dialogs/KFormatPartitionDlg.h"
#include "gui/dialogs/KHexSpinBox.h"
#include "gui/dialogs/KMoveResizeDlg.h"
#include "gui/dialogs/KWipingDiskDlg.h"
#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"
#include "fs/ext/ExtFormat.h"
#include "fs/fat/FatParameters.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "core/FileSystemTypes.h"
#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"
#include "support/VolumeCheck.h"

using namespace MainFrameSupport;
using namespace HandlerSupport;

static void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

constexpr int64_t S = 63;
constexpr int64_t C = 255 * 63;

using DialogProbe::Child;

void Click(QWidget& dialog, const char* button) { Child<QPushButton>(dialog, button)->click(); }

void ChooseData(QWidget& dialog, const char* box, int data)
{
    QComboBox* combo = Child<QComboBox>(dialog, box);
    const int index = combo->findData(data);
    ASSERT_GE(index, 0) << box << " has no item " << data << " among " << combo->count();
    combo->setCurrentIndex(index);
}

int FreeIndexAt(MainFrame& f, int disk, int64_t lba)
{
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        if (f.PendingLayout()->GetPartition(disk, i, &e) && e.StartingLba == lba && e.PartitionTypeId == 0)
            return i;
    }
    return -1;
}

// The free area that starts at `lba`.
void SelectFreeAt(MainFrame& f, int disk, int64_t lba)
{
    const int index = FreeIndexAt(f, disk, lba);
    ASSERT_GE(index, 0) << "no free area at " << lba;
    Select(f, disk, index);
}

// The pending layout of a disk, byte for byte.
std::vector<std::vector<uint8_t>> Layout(MainFrame& f, int disk)
{
    std::vector<std::vector<uint8_t>> list;
    for (int i = 0; i < f.PendingLayout()->GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        f.PendingLayout()->GetPartition(disk, i, &e);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&e);
        list.emplace_back(bytes, bytes + sizeof e);
    }
    return list;
}

struct CreateChoice {
    bool primary = true;
    int fileSystem = kFsNtfs;
    double megabytes = 0; // 0: the whole area
    QString label;
    bool letter = false; // the first free letter, else none
};

// Creates a partition in the free area at `lba` through the dialog; the letter chosen (0 for none).
char Create(MainFrame& f, int disk, int64_t lba, const CreateChoice& choice)
{
    SelectFreeAt(f, disk, lba);
    char letter = 0;
    DialogAnswer<KCreatePartitionDlg> answer([&](KCreatePartitionDlg& d) {
        QComboBox* kind = Child<QComboBox>(d, "comboBox");
        if (kind->isEnabled())
            kind->setCurrentIndex(choice.primary ? 0 : 1);
        // The file system first: choosing one resets the letter.
        ChooseData(d, "comboBox_3", choice.fileSystem);
        QComboBox* letters = Child<QComboBox>(d, "comboBox_2");
        letters->setCurrentIndex(choice.letter && letters->count() > 1 ? 1 : 0);
        letter = char(letters->currentData().toInt());
        if (choice.megabytes > 0)
            Child<QDoubleSpinBox>(d, "doubleSpinBox_2")->setValue(choice.megabytes);
        Child<QLineEdit>(d, "labelEdit")->setText(choice.label);
        Click(d, "okButton");
    });
    f.on_action_Create_triggered();
    EXPECT_EQ(answer.Seen(), 1);
    return letter;
}

// The values of a CreatePartition line by key.
std::map<QString, QString> Values(const QString& line)
{
    std::map<QString, QString> values;
    for (const QString& part : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int colon = part.indexOf(QLatin1Char(':'));
        if (colon > 0)
            values[part.left(colon)] = part.mid(colon + 1);
    }
    return values;
}

bool OnCylinders(int64_t start, int64_t length, bool primary)
{
    const bool startOk = primary ? (start == S || start % C == 0) : start % C == S;
    return startOk && (start + length) % C == 0;
}

} // namespace

TEST(DialogHandlers, CreateOnAnEmptyDiskQueuesAnAlignedPrimaryAndAppliesIt)
{
    if (!VolumeCheck::HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    Window w({{64, "label: dos\nlabel-id: 0x0badcafe\n"}});
    MainFrame& f = *w.frame;
    const char letter = Create(f, 0, 0, {true, kFsNtfs, 0, QStringLiteral("Data"), true});
    ASSERT_NE(letter, 0);

    // 64 MiB: eight whole cylinders; the partition runs from the end of the MBR track to the last one.
    const int64_t length = 8 * C - S;
    const int cluster = GetDefaultNtfsClusterSize(length);
    EXPECT_EQ(Lines(f), QStringList({QStringLiteral("CreatePartition DiskIndex:0 StartingOffset:63 PartitionLength:%1 "
                                                    "PartTypeId:7 FsType:7 ClusterSize:%2 Label:\"Data\" Letter:%3 "
                                                    "Active:0 Primary:1 BootVolume:0 SystemVolume:0")
                                         .arg(length)
                                         .arg(cluster)
                                         .arg(int(letter))}));
    EXPECT_EQ(Items(f), QStringList({QStringLiteral(" 1. Create (%1:) on Disk 1 ").arg(QLatin1Char(letter))}));
    const PartitionInfo e = EntryAt(f, 0, S);
    EXPECT_EQ(e.SectorCount, length);
    EXPECT_EQ(e.EntryFlags, kEntryPendingCreated | kEntryPendingLetter);
    EXPECT_EQ(e.FileSystemType, kFsNtfs);
    EXPECT_EQ(e.DriveLetter, letter);
    EXPECT_STREQ(e.Label, "Data");
    EXPECT_GT(e.FreeSectors, 0);
    EXPECT_LT(e.FreeSectors, length);
    EXPECT_FALSE(w.Action("action_Expoler")->isEnabled()) << "pending work blocks exploring";

    // The letter is taken: the next dialog offers another one first.
    SelectAt(f, 0, S);
    {
        DialogAnswer<KChangeLetterDlg> answer([&](KChangeLetterDlg& d) {
            QComboBox* letters = Child<QComboBox>(d, "comboBox");
            EXPECT_EQ(letters->findData(int(letter)), -1);
            Click(d, "cancelButton");
        });
        w.Action("action_Change_Drive_Letter")->trigger();
        EXPECT_EQ(answer.Seen(), 1);
    }

    Apply(w);
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 1u) << dump.text;
    EXPECT_EQ(dump.entries[0].start, S);
    EXPECT_EQ(dump.entries[0].size, length);
    EXPECT_EQ(dump.entries[0].type, "7");
    const std::string found = VolumeCheck::BlkidAt(w.images[0], S, length);
    EXPECT_NE(found.find("TYPE=ntfs"), std::string::npos) << found;
    EXPECT_NE(found.find("LABEL=Data"), std::string::npos) << found;
    VolumeCheck::ExpectChecked(w.dir, w.images[0], S, length, "ntfs");
}

TEST(DialogHandlers, PrimaryAndLogicalPartitionsOfEveryKindAreCreatedAndUndoneExactly)
{
    if (!VolumeCheck::HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    Window w({{256, "label: dos\n"}});
    MainFrame& f = *w.frame;

    Create(f, 0, 0, {true, kFsFat32, 100, QStringLiteral("FAT VOL")});
    ASSERT_EQ(Lines(f).size(), 1);
    auto v = Values(Lines(f).last());
    const int64_t fatEnd = v["StartingOffset"].toLongLong() + v["PartitionLength"].toLongLong();
    EXPECT_EQ(v["PartTypeId"], "11");
    EXPECT_EQ(v["Primary"], "1");
    EXPECT_TRUE(OnCylinders(v["StartingOffset"].toLongLong(), v["PartitionLength"].toLongLong(), true))
        << Lines(f).last().toStdString();

    // After it, a logical Ext3 partition opens the extended partition.
    Create(f, 0, fatEnd, {false, kFsExt3, 60, QStringLiteral("linux")});
    v = Values(Lines(f).last());
    const int64_t extStart = v["StartingOffset"].toLongLong(), extLength = v["PartitionLength"].toLongLong();
    EXPECT_EQ(v["PartTypeId"], "131");
    EXPECT_EQ(v["FsType"], "50");
    EXPECT_EQ(v["Primary"], "0");
    EXPECT_TRUE(OnCylinders(extStart, extLength, false)) << Lines(f).last().toStdString();
    EXPECT_EQ(v["ClusterSize"].toInt(), GetDefaultExtBlockSize(extLength));

    // A swap partition, then undone: the preview is exactly what it was before.
    const auto before = Layout(f, 0);
    const int64_t swapArea = extStart + extLength;
    Create(f, 0, swapArea, {false, kFsLinuxSwap, 40, QString()});
    v = Values(Lines(f).last());
    EXPECT_EQ(v["PartTypeId"], "130");
    EXPECT_EQ(v["ClusterSize"], "8");
    EXPECT_EQ(v["PartitionLength"].toLongLong() % 8, 0);
    ASSERT_EQ(Lines(f).size(), 3);
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(Lines(f).size(), 2);
    EXPECT_TRUE(Layout(f, 0) == before) << "undo left the preview changed";

    Create(f, 0, swapArea, {false, kFsLinuxSwap, 40, QString()});
    auto swap = Values(Lines(f).last());
    const int64_t ntfsArea = swap["StartingOffset"].toLongLong() + swap["PartitionLength"].toLongLong();
    // What is left after the swap partition: primary or logical; take logical NTFS for all of it.
    Create(f, 0, ntfsArea, {false, kFsNtfs, 0, QStringLiteral("rest")});
    auto ntfs = Values(Lines(f).last());
    EXPECT_EQ(ntfs["Primary"], "0");
    ASSERT_EQ(Lines(f).size(), 4);

    Apply(w);
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    EXPECT_EQ(TestSupport::RunTool({"sfdisk", "-V", w.images[0]}).exitCode, 0) << dump.text;
    ASSERT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[0].type, "b");
    EXPECT_EQ(dump.entries[2].type, "83");
    EXPECT_EQ(dump.entries[3].type, "82");
    EXPECT_EQ(dump.entries[4].type, "7");
    const struct {
        int entry;
        const char* type;
    } checks[] = {{0, "vfat"}, {2, "ext3"}, {3, "swap"}, {4, "ntfs"}};
    for (const auto& c : checks) {
        const auto& e = dump.entries[size_t(c.entry)];
        const std::string found = VolumeCheck::BlkidAt(w.images[0], e.start, e.size);
        EXPECT_NE(found.find(std::string("TYPE=") + c.type), std::string::npos) << found;
        VolumeCheck::ExpectChecked(w.dir, w.images[0], e.start, e.size, c.type);
    }
    EXPECT_NE(VolumeCheck::BlkidAt(w.images[0], dump.entries[0].start, dump.entries[0].size).find("LABEL=FAT\\ VOL"),
              std::string::npos);
}

TEST(DialogHandlers, SmallFatVolumesAreCreatedWithTheKindTheirSizeCarries)
{
    Window w({{64, "label: dos\n"}});
    MainFrame& f = *w.frame;
    // FAT32 at its smallest (68583 sectors) loses the part past the last whole cylinder and is
    // created as FAT16.
    Create(f, 0, 0, {true, kFsFat32, 30, QString()});
    auto v = Values(Lines(f).last());
    EXPECT_EQ(v["PartitionLength"].toLongLong(), 4 * C - S);
    EXPECT_EQ(v["PartTypeId"], "6");
    EXPECT_EQ(v["FsType"], "6");
    EXPECT_EQ(EntryAt(f, 0, S).FileSystemType, kFsFat16);
    // FAT16 for 16.5 MB ends below 32768 sectors once aligned, and becomes FAT12.
    Create(f, 0, 4 * C, {true, kFsFat16, 16.5, QString()});
    v = Values(Lines(f).last());
    EXPECT_EQ(v["StartingOffset"].toLongLong(), 4 * C);
    EXPECT_EQ(v["PartitionLength"].toLongLong(), 2 * C);
    EXPECT_EQ(v["PartTypeId"], "1");
    EXPECT_EQ(v["FsType"], "1");
}

TEST(DialogHandlers, CreateRefusesAreasTheTableCannotAddress)
{
    // Four primaries leave no slot for the free area behind them.
    {
        Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=4096\nstart=6144, size=4096\n"
                       "start=10240, size=4096\nstart=14336, size=4096\n"}});
        MainFrame& f = *w.frame;
        SelectFreeAt(f, 0, 18432);
        MessageBoxAnswer answer({"OK"});
        DialogAnswer<KCreatePartitionDlg> dialog([](KCreatePartitionDlg& d) { Click(d, "okButton"); });
        f.on_action_Create_triggered();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, "Error");
        EXPECT_EQ(answer.Last().text,
                  "Volmara cannot create a partition at here. There are no free MBR slots on the disk.");
        EXPECT_EQ(dialog.Seen(), 0);
        EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    }
    // An MBR disk larger than 2 TB: free space that starts at the table's limit cannot be used.
    {
        const int64_t limit = 0xFFFFFF00ll;
        const std::string script = "label: dos\nunit: sectors\nstart=2048, size=" + std::to_string(limit - 2048 - 1000) +
                                   "\n";
        Window w({{int64_t(2200) << 10, script}});
        MainFrame& f = *w.frame;
        SelectFreeAt(f, 0, limit - 1000);
        MessageBoxAnswer answer({"OK"});
        f.on_action_Create_triggered();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().text, "This disk uses MBR format, the disk space beyond 2 TB will be unusable.");
        EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    }
}

TEST(DialogHandlers, FormatLabelAndLetterChangeTheEntryAndTheDisk)
{
    if (!VolumeCheck::HaveCheckers())
        GTEST_SKIP() << "a checker is missing";
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=40960, type=6\nstart=43008, size=40960, type=7\n"}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 43008);
    ASSERT_TRUE(w.Action("action_Format")->isEnabled()) << "an unformatted partition may be formatted";
    {
        DialogAnswer<KFormatPartitionDlg> answer([](KFormatPartitionDlg& d) {
            ChooseData(d, "fileSystemComboBox", kFsFat16);
            Child<QLineEdit>(d, "labelEdit")->setText(QStringLiteral("PHOTOS"));
            Click(d, "okButton");
        });
        w.Action("action_Format")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    int cluster = 0;
    ASSERT_TRUE(GetDefaultFatClusterSize(40960, kFsFat16, &cluster));
    EXPECT_EQ(Lines(f).last(),
              QStringLiteral("FormatPartition DiskIndex:0 PartitionIndex:2 FsType:6 ClusterSize:%1 Label:\"PHOTOS\"")
                  .arg(cluster));
    EXPECT_EQ(Items(f).last(), " 1. Format: (Disk 1 Partition 2)");
    PartitionInfo e = EntryAt(f, 0, 43008);
    EXPECT_EQ(e.FileSystemType, kFsFat16);
    EXPECT_EQ(e.EntryFlags & kEntryPendingFormatted, kEntryPendingFormatted);
    EXPECT_EQ(e.ClusterSize, cluster);

    // A label for the newly formatted volume; one left unchanged queues nothing.
    SelectAt(f, 0, 43008);
    {
        DialogAnswer<KChangeLabelDlg> same([](KChangeLabelDlg& d) { Click(d, "okButton"); });
        w.Action("action_Label")->trigger();
        EXPECT_EQ(same.Seen(), 1);
        EXPECT_EQ(Lines(f).size(), 1);
    }
    {
        DialogAnswer<KChangeLabelDlg> answer([](KChangeLabelDlg& d) {
            Child<QLineEdit>(d, "lineEdit")->setText(QStringLiteral("HOLIDAYS"));
            Click(d, "okButton");
        });
        w.Action("action_Label")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_EQ(Lines(f).last(), "LabelPartition DiskIndex:0 PartitionIndex:2 Label:\"HOLIDAYS\"");
    EXPECT_EQ(Items(f).last(), " 2. Set Label (Disk 1 Partition 2) to \"HOLIDAYS\"");
    EXPECT_STREQ(EntryAt(f, 0, 43008).Label, "HOLIDAYS");

    // A letter for it: the item names the old name and the new letter.
    char letter = 0;
    {
        DialogAnswer<KChangeLetterDlg> answer([&](KChangeLetterDlg& d) {
            QComboBox* letters = Child<QComboBox>(d, "comboBox");
            ASSERT_GT(letters->count(), 0);
            letters->setCurrentIndex(letters->count() - 1);
            letter = char(letters->currentData().toInt());
            Click(d, "okButton");
        });
        w.Action("action_Change_Drive_Letter")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    ASSERT_NE(letter, 0);
    EXPECT_EQ(Lines(f).last(),
              QStringLiteral("MountPartition DiskIndex:0 PartitionIndex:2 letter:%1").arg(int(letter)));
    EXPECT_EQ(Items(f).last(), QStringLiteral(" 3. Change Letter: (Disk 1 Partition 2) to (%1:)").arg(QLatin1Char(letter)));
    EXPECT_EQ(EntryAt(f, 0, 43008).DriveLetter, letter);

    Apply(w);
    const std::string found = VolumeCheck::BlkidAt(w.images[0], 43008, 40960);
    EXPECT_NE(found.find("TYPE=vfat"), std::string::npos) << found;
    EXPECT_NE(found.find("VERSION=FAT16"), std::string::npos) << found;
    EXPECT_NE(found.find("LABEL=HOLIDAYS"), std::string::npos) << found;
    VolumeCheck::ExpectChecked(w.dir, w.images[0], 43008, 40960, "vfat");
    EXPECT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries[1].type, "7") << "formatting keeps the type byte";
}

TEST(DialogHandlers, MoveResizeQueuesTheAlignedSizeAndUndoRestoresThePreview)
{
    const auto fat = [](const std::string& image) {
        const auto r = TestSupport::RunTool({"mkfs.fat", "-F", "16", "--offset", std::to_string(C), image, "20480"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    };
    Window w({{128, "label: dos\nunit: sectors\nstart=16065, size=40960, type=6\n", fat}});
    MainFrame& f = *w.frame;
    const auto before = Layout(f, 0);
    SelectAt(f, 0, C);
    ASSERT_TRUE(w.Action("action_Move_Resize")->isEnabled());

    // OK without a change queues nothing.
    {
        DialogAnswer<KMoveResizeDlg> answer([](KMoveResizeDlg& d) { Click(d, "okButton"); });
        w.Action("action_Move_Resize")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
        EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    }
    ResizeParameters seen{};
    {
        DialogAnswer<KMoveResizeDlg> answer([&](KMoveResizeDlg& d) {
            seen = d.Parameters();
            Child<QDoubleSpinBox>(d, "doubleSpinBox_2")->setValue(60);
            Click(d, "okButton");
        });
        w.Action("action_Move_Resize")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    // The stretch reaches from the end of the MBR track to the last whole cylinder of the disk.
    EXPECT_EQ(seen.StartOffset, C - S);
    EXPECT_EQ(seen.StretchSectors, (131072 * 2 / C) * C - S);
    EXPECT_EQ(seen.Size, 40960);
    EXPECT_EQ(seen.CylinderSectors, C);
    EXPECT_EQ(seen.FsType, kFsFat16);
    EXPECT_EQ(seen.SafeMode, 1);

    ASSERT_EQ(Lines(f).size(), 1);
    auto v = Values(Lines(f).last());
    EXPECT_EQ(v["NewStartingLba"].toLongLong(), C);
    const int64_t size = v["NewPartitionSize"].toLongLong();
    EXPECT_EQ((C + size) % C, 0) << "the end moves onto a cylinder end";
    EXPECT_GT(size, 60 * 2048 - C);
    EXPECT_LE(size, 60 * 2048);
    EXPECT_EQ(Items(f).join(QLatin1Char('|')).toStdString(), " 1. Move/Resize: (Disk 1 Partition 2)");
    const PartitionInfo e = EntryAt(f, 0, C);
    EXPECT_EQ(e.SectorCount, size);
    EXPECT_EQ(e.EntryFlags & kEntryPendingMoved, kEntryPendingMoved);
    EXPECT_EQ(e.HiddenSectors, C);
    EXPECT_FALSE(w.Action("action_Expoler")->isEnabled());

    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_TRUE(Layout(f, 0) == before);
}

TEST(DialogHandlers, WipingQueuesTheDeletesFirstAndUndoBringsEverythingBack)
{
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=8192, type=7\nstart=10240, size=8192, type=83\n"}});
    MainFrame& f = *w.frame;
    const auto before = Layout(f, 0);

    SelectAt(f, 0, 10240);
    {
        DialogAnswer<KWipingDiskDlg> answer([](KWipingDiskDlg& d) {
            EXPECT_EQ(Child<QLabel>(d, "destDeviceName")->text(), "Disk 1 Partition 2");
            Child<QRadioButton>(d, "radioButton_3")->setChecked(true);
            Click(d, "okButton");
        });
        w.Action("action_Wipe_Partition")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_EQ(Lines(f), QStringList({"WipeDisk DiskIndex:0 PartitionIndex:2 StartingLba:10240 SectorsCount:8192 "
                                     "WipingMethod:2"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Wipe Partition: (Disk 1 Partition 2)"}));
    EXPECT_TRUE(Layout(f, 0) == before) << "wiping a partition leaves the layout";
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);

    Select(f, 0, -1);
    {
        DialogAnswer<KWipingDiskDlg> answer([](KWipingDiskDlg& d) {
            EXPECT_EQ(Child<QLabel>(d, "destDeviceName")->text(), "Disk 1");
            Child<QRadioButton>(d, "radioButton_5")->setChecked(true);
            Click(d, "okButton");
        });
        w.Action("action_Wipe_Disk")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_EQ(Lines(f), QStringList({"DeletePartition DiskIndex:0 Partition:2", "DeletePartition DiskIndex:0 Partition:1",
                                     "WipeDisk DiskIndex:0 PartitionIndex:0 StartingLba:0 SectorsCount:131072 "
                                     "WipingMethod:4"}));
    EXPECT_EQ(Items(f), QStringList({" 1. Wipe Disk 1", "   1. Delete: (Disk 1 Partition 2)",
                                     "   2. Delete: (Disk 1 Partition 1)", "   3. Wipe Disk 1"}));
    EXPECT_EQ(f.PendingLayout()->GetPartitionCount(0), 1);
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_TRUE(Layout(f, 0) == before);

    // A cancelled dialog queues nothing.
    DialogAnswer<KWipingDiskDlg> cancel([](KWipingDiskDlg& d) { Click(d, "cancelButton"); });
    w.Action("action_Wipe_Disk")->trigger();
    EXPECT_EQ(cancel.Seen(), 1);
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
}

// An Ext3 volume full of files moved over itself with Move/Resize and a partition wiped, both applied
// from the window: the files, the wiped bytes, and nothing else changed.
TEST(DialogHandlers, MovingAnExtVolumeAndWipingAPartitionAreApplied)
{
    if (!TestSupport::HaveTool("mke2fs") || !TestSupport::HaveTool("debugfs") || !VolumeCheck::HaveCheckers())
        GTEST_SKIP() << "a tool is missing";
    TestSupport::TempDir scratch;
    const std::string tree = scratch.File("tree");
    ASSERT_TRUE(VolumeCheck::MakeFileTree(tree));
    const auto prepare = [&](const std::string& image) {
        ASSERT_TRUE(TestSupport::FillPattern(image, 512, (128ll << 20) - 512, 3));
        const auto r = TestSupport::RunTool({"mke2fs", "-q", "-F", "-t", "ext3", "-b", "1024", "-d", tree, "-E",
                                             "offset=" + std::to_string(C * 512), image, "20480"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    };
    Window w({{128, "label: dos\nunit: sectors\nstart=16065, size=40960, type=83\nstart=112455, size=40960, type=7\n",
               prepare}});
    MainFrame& f = *w.frame;
    const std::string image = w.images[0];
    const auto before = TestSupport::ReadBytes(image, 0, 128ll << 20);

    SelectAt(f, 0, C);
    ASSERT_TRUE(w.Action("action_Move_Resize")->isEnabled());
    {
        DialogAnswer<KMoveResizeDlg> answer([](KMoveResizeDlg& d) {
            Child<QDoubleSpinBox>(d, "doubleSpinBox")->setValue(double(2 * C - S) * 512 / (1 << 20));
            Click(d, "okButton");
        });
        w.Action("action_Move_Resize")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    // The start rounds up to the next cylinder and the size stays: a move up by less than the volume.
    ASSERT_EQ(Lines(f).size(), 1);
    const int64_t to = Values(Lines(f)[0])["NewStartingLba"].toLongLong();
    EXPECT_EQ(Values(Lines(f)[0])["NewPartitionSize"], "40960");
    EXPECT_EQ(to % C, 0);
    EXPECT_GT(to, C);
    EXPECT_LT(to, C + 40960);
    SelectAt(f, 0, 112455);
    {
        DialogAnswer<KWipingDiskDlg> answer([](KWipingDiskDlg& d) {
            Child<QRadioButton>(d, "radioButton_3")->setChecked(true);
            Click(d, "okButton");
        });
        w.Action("action_Wipe_Partition")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    Apply(w);

    const auto after = TestSupport::ReadBytes(image, 0, 128ll << 20);
    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 2u) << dump.text;
    EXPECT_EQ(dump.entries[0].start, to);
    VolumeCheck::ExpectChecked(scratch, image, to, 40960, "ext3");
    EXPECT_EQ(VolumeCheck::ExtFiles(scratch, image, to, 40960), VolumeCheck::TreeHashes(tree));
    for (int64_t sector = 1; sector < (128 << 11); ++sector) {
        const uint8_t* now = after.data() + sector * 512;
        if (sector >= to && sector < to + 40960)
            continue;
        if (sector >= 112455 && sector < 112455 + 40960) {
            const uint8_t expected = sector == 112455 ? 0x00 : 0xFF;
            ASSERT_TRUE(std::all_of(now, now + 512, [&](uint8_t b) { return b == expected; })) << sector;
            continue;
        }
        ASSERT_EQ(std::memcmp(now, before.data() + sector * 512, 512), 0) << "sector " << sector;
    }
}

// A FAT16 volume full of files grown with Move/Resize and then given smaller clusters, both applied from
// the window: fsck.fat clean and the same files.
TEST(DialogHandlers, ResizingAFatVolumeAndChangingItsClustersAreApplied)
{
    if (!TestSupport::HaveTool("mkfs.fat") || !TestSupport::HaveTool("mcopy") || !VolumeCheck::HaveCheckers())
        GTEST_SKIP() << "a tool is missing";
    TestSupport::TempDir scratch;
    const std::string tree = scratch.File("tree");
    ASSERT_TRUE(VolumeCheck::MakeFileTree(tree));
    const auto fat = [&](const std::string& image) {
        const auto r = TestSupport::RunTool({"mkfs.fat", "-F", "16", "-s", "4", "--offset", std::to_string(C), image, "20480"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        ASSERT_TRUE(VolumeCheck::CopyTreeToFat(image, C, tree));
    };
    Window w({{128, "label: dos\nunit: sectors\nstart=16065, size=40960, type=6\n", fat}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, C);
    {
        DialogAnswer<KMoveResizeDlg> answer([](KMoveResizeDlg& d) {
            Child<QDoubleSpinBox>(d, "doubleSpinBox_2")->setValue(40);
            Click(d, "okButton");
        });
        w.Action("action_Move_Resize")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    SelectAt(f, 0, C);
    {
        DialogAnswer<KChangeClusterSizeDlg> answer([&](KChangeClusterSizeDlg& d) {
            ChooseData(d, "comboBox", 2);
            Click(d, "yesButton");
        });
        w.Action("actionChange_Cluster_Size")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    ASSERT_EQ(Lines(f).size(), 2);
    const int64_t size = Values(Lines(f)[0])["NewPartitionSize"].toLongLong();
    EXPECT_GT(size, 40960);
    Apply(w);
    const auto dump = TableFixtures::SfdiskDump(w.images[0]);
    ASSERT_EQ(dump.entries.size(), 1u);
    EXPECT_EQ(dump.entries[0].size, size);
    VolumeCheck::ExpectChecked(scratch, w.images[0], C, size, "vfat");
    EXPECT_EQ(VolumeCheck::FatFiles(scratch, w.images[0], C, size), VolumeCheck::TreeHashes(tree));
    const std::vector<uint8_t> boot = TestSupport::ReadBytes(w.images[0], C * 512, 512);
    EXPECT_EQ(boot[13], 2) << "sectors per cluster";
}

TEST(DialogHandlers, TypeIdSerialNumberAndClusterSize)
{
    const auto fat = [](const std::string& image) {
        const auto r =
            TestSupport::RunTool({"mkfs.fat", "-F", "16", "-s", "4", "-i", "1234ABCD", "--offset", "2048", image, "40960"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    };
    Window w({{64, "label: dos\nunit: sectors\nstart=2048, size=81920, type=6\n", fat}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, 2048);
    ASSERT_EQ(EntryAt(f, 0, 2048).FileSystemType, kFsFat16);

    // The same id again queues nothing; another one, typed by hand, is queued and shown.
    {
        DialogAnswer<KChangePartitionTypeID> same([](KChangePartitionTypeID& d) { Click(d, "yesButton"); });
        w.Action("actionChanage_Partition_Type_ID")->trigger();
        EXPECT_EQ(same.Seen(), 1);
        EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    }
    {
        DialogAnswer<KChangePartitionTypeID> answer([](KChangePartitionTypeID& d) {
            Child<QRadioButton>(d, "radioButton_2")->setChecked(true);
            Child<KHexSpinBox>(d, "spinBox")->setValue(0x0e);
            Click(d, "yesButton");
        });
        w.Action("actionChanage_Partition_Type_ID")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_EQ(Lines(f).last(), "ChangePartitionID DiskIndex:0 PartitionIndex:1 NewPartitionID:14");
    EXPECT_EQ(Items(f).last(), " 1. Change Partition Type ID: (Disk 1 Partition 1)");
    EXPECT_EQ(EntryAt(f, 0, 2048).PartitionTypeId, 0x0e);

    // The serial number dialog starts from the one in the boot sector.
    {
        DialogAnswer<QChangePartitionSerialNumberDlg> answer([](QChangePartitionSerialNumberDlg& d) {
            QLineEdit* edit = Child<QLineEdit>(d, "lineEdit");
            EXPECT_EQ(edit->text().trimmed(), "1234abcd");
            edit->setText(QStringLiteral("cafe"));
            Click(d, "yesButton");
        });
        w.Action("actionChange_Serial_Number")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_EQ(Lines(f).last(), "ChangeSerialNumber DiskIndex:0 PartitionIndex:1 NewSerialNumber:51966");
    EXPECT_EQ(Items(f).last(), " 2. Change Partition Serial Number: (Disk 1 Partition 1)");

    // Cluster sizes: the current one is offered but cannot be confirmed; a smaller one is queued.
    int range = 0;
    {
        DialogAnswer<KChangeClusterSizeDlg> answer([&](KChangeClusterSizeDlg& d) {
            QComboBox* sizes = Child<QComboBox>(d, "comboBox");
            range = sizes->count();
            EXPECT_EQ(sizes->currentData().toInt(), 4);
            EXPECT_FALSE(Child<QPushButton>(d, "yesButton")->isEnabled());
            ChooseData(d, "comboBox", 2);
            Click(d, "yesButton");
        });
        w.Action("actionChange_Cluster_Size")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    EXPECT_GE(range, 2);
    EXPECT_EQ(Lines(f).last(), "ChangeClusterSize DiskIndex:0 PartitionIndex:1 ClusterSize:2");
    EXPECT_EQ(Items(f).last(), " 3. Change Cluster Size: Disk 1 Partition 1");
    EXPECT_EQ(EntryAt(f, 0, 2048).ClusterSize, 2);

    // Undoing all three brings the entry back as it was.
    for (int i = 0; i < 3; ++i)
        w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.Executive()->GetCommandCount(), 0);
    EXPECT_EQ(EntryAt(f, 0, 2048).PartitionTypeId, 6);
    EXPECT_EQ(EntryAt(f, 0, 2048).ClusterSize, 4);
}

TEST(DialogHandlers, LinesAfterAPendingCreateUseThePositionsItGives)
{
    Window w({{64, "label: dos\nunit: sectors\nstart=64260, size=32130, type=7\n"}});
    MainFrame& f = *w.frame;
    Create(f, 0, 0, {true, kFsFat16, 0, QString()});
    ASSERT_EQ(Lines(f).size(), 1);
    EXPECT_EQ(Values(Lines(f).first())["StartingOffset"], "63");
    // The old partition is now the second one on the disk.
    SelectAt(f, 0, 64260);
    w.Action("action_Delete")->trigger();
    EXPECT_EQ(Lines(f).last(), "DeletePartition DiskIndex:0 Partition:2");
    // Undoing both leaves the disk as it was loaded.
    w.Action("actionUndo_Last_Changes")->trigger();
    w.Action("actionUndo_Last_Changes")->trigger();
    EXPECT_EQ(f.PendingLayout()->GetPartitionCount(0), 3);
    EXPECT_EQ(IndexAt(f, 0, 64260), 1);
}

TEST(DialogHandlers, GptAreasTakePrimaryPartitionsOnly)
{
    Window w({{64, "label: gpt\n"}});
    MainFrame& f = *w.frame;
    PartitionInfo area{};
    ASSERT_TRUE(f.PendingLayout()->GetPartition(0, 0, &area));
    ASSERT_EQ(area.PartitionTypeId, 0);
    Select(f, 0, 0);
    bool kindFixed = false;
    DialogAnswer<KCreatePartitionDlg> answer([&](KCreatePartitionDlg& d) {
        kindFixed = !Child<QComboBox>(d, "comboBox")->isEnabled() && Child<QComboBox>(d, "comboBox")->currentIndex() == 0;
        ChooseData(d, "comboBox_3", kFsExt2);
        Click(d, "okButton");
    });
    f.on_action_Create_triggered();
    ASSERT_EQ(answer.Seen(), 1);
    EXPECT_TRUE(kindFixed);
    auto v = Values(Lines(f).last());
    EXPECT_EQ(v["Primary"], "1");
    EXPECT_EQ(v["PartTypeId"], "131");
    const int64_t start = v["StartingOffset"].toLongLong(), length = v["PartitionLength"].toLongLong();
    // sfdisk leaves the first 2048 sectors unusable: the partition starts on the next cylinder.
    ASSERT_EQ(area.StartingLba, 2048);
    EXPECT_EQ(start, C);
    // One track is kept free before the backup table at the end of the disk.
    EXPECT_LE(start + length, area.StartingLba + area.SectorCount - S);
    EXPECT_EQ(EntryAt(f, 0, start).IsGptEntry, 1);

    if (!VolumeCheck::HaveCheckers())
        return;
    Apply(w);
    const auto verify = TestSupport::RunTool({"sgdisk", "--verify", w.images[0]});
    EXPECT_NE(verify.output.find("No problems found"), std::string::npos) << verify.output;
    const std::string found = VolumeCheck::BlkidAt(w.images[0], start, length);
    EXPECT_NE(found.find("TYPE=ext2"), std::string::npos) << found;
    VolumeCheck::ExpectChecked(w.dir, w.images[0], start, length, "ext2");
}

// An NTFS volume moved up over itself with Move/Resize: the cylinder-aligned start is pushed on to a
// whole number of clusters from the old one, and the applied move keeps every file and stream.
TEST(DialogHandlers, MovingAnNtfsVolumeGoesByWholeClusters)
{
    if (!NtfsVolumes::HaveTools())
        GTEST_SKIP() << "ntfs-3g tools missing";
    TestSupport::TempDir scratch;
    NtfsVolumes::Snapshot before;
    const auto prepare = [&](const std::string& image) {
        ASSERT_EQ(NtfsVolumes::Make(scratch, image, C, 40960, NtfsVolumes::Maker::Mkntfs, 4096), "");
        NtfsVolumes::FillOptions fill;
        fill.treeFiles = 60;
        fill.streams = true;
        ASSERT_EQ(NtfsVolumes::Fill(scratch, image, C, 40960, fill), "");
        before = NtfsVolumes::Take(scratch, image, C, 40960);
    };
    Window w({{128, "label: dos\nunit: sectors\nstart=16065, size=40960, type=7\n", prepare}});
    MainFrame& f = *w.frame;
    SelectAt(f, 0, C);
    ASSERT_TRUE(w.Action("action_Move_Resize")->isEnabled());
    {
        DialogAnswer<KMoveResizeDlg> answer([](KMoveResizeDlg& d) {
            Child<QDoubleSpinBox>(d, "doubleSpinBox")->setValue(double(2 * C - S) * 512 / (1 << 20));
            Click(d, "okButton");
        });
        w.Action("action_Move_Resize")->trigger();
        ASSERT_EQ(answer.Seen(), 1);
    }
    ASSERT_EQ(Lines(f).size(), 1);
    const int64_t to = Values(Lines(f)[0])["NewStartingLba"].toLongLong();
    const int64_t size = Values(Lines(f)[0])["NewPartitionSize"].toLongLong();
    EXPECT_EQ((to - C) % 8, 0) << to;
    EXPECT_GT(to, C);
    EXPECT_LT(to, C + 40960);
    Apply(w);
    ASSERT_EQ(TableFixtures::SfdiskDump(w.images[0]).entries[0].start, to);
    NtfsVolumes::ExpectHealthy(scratch, w.images[0], to, size, "moved from the window");
    EXPECT_TRUE(NtfsVolumes::Take(scratch, w.images[0], to, size) == before);
}
