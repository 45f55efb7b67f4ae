// Which operations the window offers for a selection: layouts built on image disks with sfdisk, entries
// of the pending layout changed the way the operation previews change them.
#include <QApplication>

#include "MainFrameSupport.h"
#include "engine/DiskEngine.h"
#include "core/FileSystemTypes.h"
#include "support/TestSupport.h"

using namespace MainFrameSupport;

namespace {

const char* kEmptyMbr = "label: dos\nlabel-id: 0x0badcafe\n";
const char* kEmptyGpt = "label: gpt\n";
const char* kDynamic = "label: dos\nunit: sectors\nstart=2048, size=40960, type=42\n";
const char* kBasic = "label: dos\nunit: sectors\nstart=2048, size=40960, type=83\n";

// A primary at sector 63, another primary, three packed logical partitions and a fourth primary right
// after the extended partition.
const char* kFourSlots = "label: dos\nunit: sectors\n"
                         "start=63, size=1985, type=83\n"
                         "start=2048, size=8192, type=83\n"
                         "start=10240, size=24576, type=5\n"
                         "start=12288, size=6144, type=83\n"
                         "start=20480, size=6144, type=83\n"
                         "start=28672, size=6144, type=83\n"
                         "start=34816, size=8192, type=83\n";

// One primary followed by three logical partitions.
const char* kOnePrimary = "label: dos\nunit: sectors\n"
                          "start=2048, size=8192, type=83\n"
                          "start=10240, size=24576, type=5\n"
                          "start=12288, size=6144, type=83\n"
                          "start=20480, size=6144, type=83\n"
                          "start=28672, size=6144, type=83\n";

// Three primaries and an extended partition with a single logical one.
const char* kThreePrimaries = "label: dos\nunit: sectors\n"
                              "start=2048, size=8192, type=83\n"
                              "start=10240, size=8192, type=83\n"
                              "start=18432, size=8192, type=83\n"
                              "start=26624, size=12288, type=5\n"
                              "start=28672, size=6144, type=83\n";

// Two primaries only, the first one active.
const char* kPrimaries = "label: dos\nunit: sectors\n"
                         "start=2048, size=8192, type=7, bootable\n"
                         "start=10240, size=8192, type=c\n";

const char* kGptData = "label: gpt\nunit: sectors\n"
                       "start=2048, size=8192, type=EBD0A0A2-B9E5-4433-87C0-68B99B26B9C7\n";

// The list index of the entry that starts at `lba`, -1 when there is none.
int IndexAt(MainFrame& frame, int disk, int64_t lba)
{
    for (int i = 0; i < frame.PendingLayout()->GetPartitionCount(disk); ++i) {
        PartitionInfo e{};
        if (frame.PendingLayout()->GetPartition(disk, i, &e) && e.StartingLba == lba)
            return i;
    }
    return -1;
}

const std::set<std::string>& Wizards()
{
    static const std::set<std::string> names =
        Names({"actionPartition_Recovery", "actionPartition_Copy_Wizard", "actionCopy_Disk_Wizard"});
    return names;
}

std::set<std::string> WithWizards(std::initializer_list<const char*> list)
{
    std::set<std::string> names = Names(list);
    names.insert(Wizards().begin(), Wizards().end());
    return names;
}

bool On(const Window& w, const char* name) { return w.Action(name)->isEnabled(); }

} // namespace

TEST(ActionState, NothingSelectedOffersTheWizardsOnly)
{
    Window w({{64, kBasic}});
    ASSERT_TRUE(w.frame->DisksLoaded());
    w.frame->updateActionState(-1, -1);
    EXPECT_EQ(SelectionDependent(w), Wizards());
}

TEST(ActionState, EmptyDisksOfferTheirInitialisationAndNothingToDelete)
{
    Window w({{64, kEmptyMbr}, {64, kEmptyGpt}});
    ASSERT_EQ(w.frame->PendingLayout()->GetDiskCount(), 2);
    ASSERT_EQ(w.frame->PendingLayout()->GetPartitionCount(0), 1);
    ASSERT_EQ(w.frame->PendingLayout()->GetPartitionCount(1), 1);
    ASSERT_TRUE(IsGptSupported());

    w.frame->updateActionState(0, -1);
    EXPECT_EQ(SelectionDependent(w),
              WithWizards({"action_Properties", "action_Copy", "actionSurface_Scan", "actionRepair_Boot_ini",
                           "action_Disk_Properties", "action_Wipe_Disk", "action_Recover_Lost_Deleted_Partitions",
                           "action_Copy_Disk", "actionRebuild_MBR", "actionInitiate_to_GPT"}));

    w.frame->updateActionState(1, -1);
    EXPECT_EQ(SelectionDependent(w),
              WithWizards({"action_Properties", "action_Copy", "actionSurface_Scan", "actionRepair_Boot_ini",
                           "action_Disk_Properties", "action_Wipe_Disk", "action_Recover_Lost_Deleted_Partitions",
                           "action_Copy_Disk", "action_Initiate_to_MBR_Disk"}));

    // The free area itself: create in it, look at it, wipe it; Copy needs a partition.
    w.frame->updateActionState(0, 0);
    EXPECT_EQ(SelectionDependent(w), WithWizards({"action_Properties", "actionSurface_Scan_2", "action_Create",
                                                  "action_Partition_Properties", "action_Wipe_Partition"}));
}

TEST(ActionState, OneDiskNeitherCopiesNorInitialisesWhenItHasPartitions)
{
    Window w({{64, kPrimaries}});
    w.frame->updateActionState(0, -1);
    EXPECT_FALSE(On(w, "action_Copy"));
    EXPECT_FALSE(On(w, "action_Copy_Disk"));
    EXPECT_TRUE(On(w, "action_Delete_All_Partitions"));
    EXPECT_FALSE(On(w, "actionInitiate_to_GPT"));
    EXPECT_FALSE(On(w, "action_Initiate_to_MBR_Disk"));
    EXPECT_TRUE(On(w, "actionRebuild_MBR"));
}

TEST(ActionState, DynamicDisksOfferOnlyTheWizardsAndTheirConversion)
{
    Window w({{64, kDynamic}, {64, kBasic}});
    ASSERT_TRUE(w.frame->PendingLayout()->IsDynamicDisk(0));
    const std::set<std::string> expected = WithWizards({"actionConvert_Dynamic_Disk_To_Basic_Disk"});
    w.frame->updateActionState(0, -1);
    EXPECT_EQ(SelectionDependent(w), expected);
    for (int i = 0; i < w.frame->PendingLayout()->GetPartitionCount(0); ++i) {
        w.frame->updateActionState(0, i);
        EXPECT_EQ(SelectionDependent(w), expected) << "entry " << i;
    }
    w.frame->updateActionState(1, -1);
    EXPECT_FALSE(On(w, "actionConvert_Dynamic_Disk_To_Basic_Disk"));
}

TEST(ActionState, AQueuedConversionLocksEverythingButFurtherConversions)
{
    Window w({{64, kDynamic}, {64, kDynamic}, {64, kBasic}});
    w.frame->AddPendingItem(QStringLiteral("Convert Disk 1 to basic"));
    w.frame->Executive()->AddCommand("ConvertDynamicDisk DiskIndex:0", 1);

    w.frame->updateActionState(1, -1);
    EXPECT_EQ(SelectionDependent(w), Names({"actionConvert_Dynamic_Disk_To_Basic_Disk", "actionApply_All_Changes",
                                            "actionUndo_Last_Changes", "actionDiscard_All_Changes"}));
    w.frame->updateActionState(2, 0);
    EXPECT_EQ(SelectionDependent(w),
              Names({"actionApply_All_Changes", "actionUndo_Last_Changes", "actionDiscard_All_Changes"}));
    w.frame->updateActionState(-1, -1);
    EXPECT_EQ(SelectionDependent(w),
              Names({"actionApply_All_Changes", "actionUndo_Last_Changes", "actionDiscard_All_Changes"}));

    // An ordinary line after it lifts the lock.
    w.frame->AddPendingItem(QStringLiteral("Hide"));
    w.frame->Executive()->AddCommand("HidePartition DiskIndex:2 PartitionIndex:1 Unhide:0", 0);
    w.frame->updateActionState(2, -1);
    EXPECT_TRUE(On(w, "action_Wipe_Disk"));
}

TEST(ActionState, DiskWithTableErrorsOffersNothingOfItsOwn)
{
    Window w({{64, ""}});
    // Two primary entries that overlap, written by hand (sfdisk refuses them).
    std::vector<uint8_t> mbr(512, 0);
    auto entry = [&](int slot, uint32_t start, uint32_t count) {
        uint8_t* e = mbr.data() + 0x1BE + slot * 16;
        e[4] = 0x83;
        for (int b = 0; b < 4; ++b) {
            e[8 + b] = uint8_t(start >> (8 * b));
            e[12 + b] = uint8_t(count >> (8 * b));
        }
    };
    entry(0, 2048, 8192);
    entry(1, 4096, 8192);
    mbr[440] = 0x5A;
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    ASSERT_TRUE(TestSupport::WriteBytes(w.images[0], 0, mbr));
    w.frame = std::make_unique<MainFrame>();
    TableErrorList errors;
    w.frame->VolumeManager()->GetTableErrors(0, &errors);
    ASSERT_TRUE(errors.HasErrors());

    w.frame->updateActionState(0, -1);
    EXPECT_EQ(SelectionDependent(w), Wizards());
    w.frame->updateActionState(0, 0);
    EXPECT_EQ(SelectionDependent(w), Wizards());
}

TEST(ActionState, PrimaryBecomesLogicalOnlyNextToLogicalsAndFromSector126)
{
    Window w({{64, kFourSlots}});
    MainFrame& f = *w.frame;
    const int p1 = IndexAt(f, 0, 63), p2 = IndexAt(f, 0, 2048), p4 = IndexAt(f, 0, 34816);
    const int l5 = IndexAt(f, 0, 12288), l6 = IndexAt(f, 0, 20480), l7 = IndexAt(f, 0, 28672);
    ASSERT_TRUE(p1 >= 0 && p2 >= 0 && p4 >= 0 && l5 >= 0 && l6 >= 0 && l7 >= 0);
    ASSERT_EQ(l5, p2 + 1);
    ASSERT_EQ(p4, l7 + 1);

    f.updateActionState(0, p1);
    EXPECT_FALSE(On(w, "actionMake_Partition_Logical")) << "starts at 63";
    EXPECT_FALSE(On(w, "actionMake_Partition_Primary"));
    f.updateActionState(0, p2);
    EXPECT_TRUE(On(w, "actionMake_Partition_Logical"));
    f.updateActionState(0, p4);
    EXPECT_TRUE(On(w, "actionMake_Partition_Logical")) << "the fourth primary next to a logical one";
    EXPECT_FALSE(On(w, "actionMake_Partition_Primary"));
    // Four slots taken and three logicals: none of them can become primary.
    for (int l : {l5, l6, l7}) {
        f.updateActionState(0, l);
        EXPECT_FALSE(On(w, "actionMake_Partition_Primary")) << l;
        EXPECT_FALSE(On(w, "actionMake_Partition_Logical")) << l;
    }
}

TEST(ActionState, LogicalBecomesPrimaryWhenASlotIsFreeAndItIsAtAnEnd)
{
    Window w({{64, kOnePrimary}, {64, kThreePrimaries}, {64, kPrimaries}});
    MainFrame& f = *w.frame;
    const int l5 = IndexAt(f, 0, 12288), l6 = IndexAt(f, 0, 20480), l7 = IndexAt(f, 0, 28672);
    f.updateActionState(0, l5);
    EXPECT_TRUE(On(w, "actionMake_Partition_Primary"));
    f.updateActionState(0, l6);
    EXPECT_FALSE(On(w, "actionMake_Partition_Primary")) << "between two logical partitions";
    f.updateActionState(0, l7);
    EXPECT_TRUE(On(w, "actionMake_Partition_Primary"));

    // All four slots used, but the only logical partition gives its extended slot back.
    f.updateActionState(1, IndexAt(f, 1, 28672));
    EXPECT_TRUE(On(w, "actionMake_Partition_Primary"));

    // Without logical partitions any primary from sector 126 can become one.
    f.updateActionState(2, IndexAt(f, 2, 10240));
    EXPECT_TRUE(On(w, "actionMake_Partition_Logical"));
}

TEST(ActionState, ActiveFlagTypeIdAndGptEntries)
{
    Window w({{64, kPrimaries}, {64, kGptData}});
    MainFrame& f = *w.frame;
    const int active = IndexAt(f, 0, 2048), other = IndexAt(f, 0, 10240);
    f.updateActionState(0, active);
    EXPECT_TRUE(On(w, "action_Set_Inactive"));
    EXPECT_FALSE(On(w, "action_Set_Active"));
    EXPECT_TRUE(On(w, "actionChanage_Partition_Type_ID"));
    EXPECT_TRUE(On(w, "action_Delete"));
    EXPECT_FALSE(On(w, "action_Create"));
    f.updateActionState(0, other);
    EXPECT_TRUE(On(w, "action_Set_Active"));
    EXPECT_FALSE(On(w, "action_Set_Inactive"));

    const int data = IndexAt(f, 1, 2048);
    f.updateActionState(1, data);
    EXPECT_TRUE(On(w, "action_Delete"));
    EXPECT_FALSE(On(w, "actionChanage_Partition_Type_ID"));
    EXPECT_FALSE(On(w, "action_Set_Active"));
    EXPECT_FALSE(On(w, "action_Set_Inactive"));
    EXPECT_FALSE(On(w, "actionMake_Partition_Logical"));
    EXPECT_FALSE(On(w, "actionMake_Partition_Primary"));
    f.updateActionState(1, -1);
    EXPECT_FALSE(On(w, "actionRebuild_MBR"));
}

TEST(ActionState, FileSystemRules)
{
    Window w({{64, kPrimaries}});
    const int i = IndexAt(*w.frame, 0, 10240);

    // NTFS with a letter: checked, explored, merged, but not converted.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsNtfs; e.DriveLetter = 'F'; });
    for (const char* name : {"actionCheck_File_System", "action_Expoler", "actionMerge", "actionChange_Cluster_Size",
                             "actionChange_Serial_Number", "action_Label", "action_Move_Resize", "action_Format",
                             "action_Hide_Partition", "action_Change_Drive_Letter", "action_Copy_Partition",
                             "action_Copy"})
        EXPECT_TRUE(On(w, name)) << name;
    EXPECT_FALSE(On(w, "action_Convert_File_System"));

    // FAT32 without a letter: neither checked nor converted.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsFat32; e.DriveLetter = 0; });
    EXPECT_FALSE(On(w, "actionCheck_File_System"));
    EXPECT_FALSE(On(w, "action_Convert_File_System"));
    EXPECT_TRUE(On(w, "action_Expoler"));

    // Ext gets no letter here, but its checker runs all the same.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsExt3; });
    EXPECT_TRUE(On(w, "actionCheck_File_System"));
    EXPECT_FALSE(On(w, "action_Convert_File_System"));

    // With a letter both; pending work (busy bits 0, 1, 3) stops both and exploring too.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsFat32; e.DriveLetter = 'G'; });
    EXPECT_TRUE(On(w, "actionCheck_File_System"));
    EXPECT_TRUE(On(w, "action_Convert_File_System"));
    for (uint32_t bit : {0u, 1u, 3u}) {
        w.Patch(0, i, [bit](PartitionInfo& e) { e.EntryFlags = 1u << bit; });
        EXPECT_FALSE(On(w, "actionCheck_File_System")) << bit;
        EXPECT_FALSE(On(w, "action_Convert_File_System")) << bit;
        EXPECT_FALSE(On(w, "action_Expoler")) << bit;
    }
    // Bit 2 (a new entry's letter) stops checking and converting but not exploring.
    w.Patch(0, i, [](PartitionInfo& e) { e.EntryFlags = 1u << 2; });
    EXPECT_FALSE(On(w, "actionCheck_File_System"));
    EXPECT_FALSE(On(w, "action_Convert_File_System"));
    EXPECT_TRUE(On(w, "action_Expoler"));

    // Linux swap: formatted again, but not labelled, resized, hidden or lettered.
    w.Patch(0, i, [](PartitionInfo& e) { e.EntryFlags = 0; e.FileSystemType = kFsLinuxSwap; e.DriveLetter = 0; });
    EXPECT_TRUE(On(w, "action_Format"));
    for (const char* name : {"action_Label", "action_Move_Resize", "action_Hide_Partition",
                             "action_Change_Drive_Letter", "action_Expoler", "actionMerge"})
        EXPECT_FALSE(On(w, name)) << name;

    // Ext3: labelled and resized, not lettered.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsExt3; });
    EXPECT_TRUE(On(w, "action_Label"));
    EXPECT_TRUE(On(w, "action_Move_Resize"));
    EXPECT_TRUE(On(w, "action_Hide_Partition"));
    EXPECT_FALSE(On(w, "action_Change_Drive_Letter"));

    // Unformatted: formatted and lettered, but nothing to copy or label.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsNone; });
    EXPECT_TRUE(On(w, "action_Format"));
    EXPECT_TRUE(On(w, "action_Change_Drive_Letter"));
    for (const char* name : {"action_Copy_Partition", "action_Copy", "action_Label", "action_Hide_Partition"})
        EXPECT_FALSE(On(w, name)) << name;

    // A file system the program does not know: only what needs no file system.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsOther; });
    EXPECT_FALSE(On(w, "action_Format"));
    EXPECT_TRUE(On(w, "action_Copy_Partition"));
    EXPECT_TRUE(On(w, "action_Delete"));

    // Hidden: unhide only, and no letter while hidden.
    w.Patch(0, i, [](PartitionInfo& e) { e.FileSystemType = kFsFat32; e.Hidden = 1; });
    EXPECT_TRUE(On(w, "action_Unhide_Partition"));
    EXPECT_FALSE(On(w, "action_Hide_Partition"));
    EXPECT_FALSE(On(w, "action_Change_Drive_Letter"));
}

TEST(ActionState, TheSystemVolumeKeepsItsLetterVisibilityAndActiveFlag)
{
    Window w({{64, kPrimaries}});
    const int i = IndexAt(*w.frame, 0, 2048);
    w.Patch(0, i, [](PartitionInfo& e) {
        e.FileSystemType = kFsNtfs;
        e.DriveLetter = 'C';
        e.SystemVolume = 1;
    });
    for (const char* name : {"action_Hide_Partition", "action_Unhide_Partition", "action_Set_Active",
                             "action_Set_Inactive", "action_Change_Drive_Letter"})
        EXPECT_FALSE(On(w, name)) << name;
    for (const char* name : {"action_Format", "action_Move_Resize", "action_Label", "actionCheck_File_System"})
        EXPECT_TRUE(On(w, name)) << name;
}

TEST(ActionState, PendingLinesEnableApplyUndoAndDiscard)
{
    Window w({{64, kPrimaries}});
    w.frame->updateActionState(0, 0);
    EXPECT_FALSE(On(w, "actionApply_All_Changes"));
    EXPECT_FALSE(On(w, "actionUndo_Last_Changes"));
    EXPECT_FALSE(On(w, "actionDiscard_All_Changes"));
    w.frame->AddPendingItem(QStringLiteral("Hide"));
    w.frame->updateActionState(0, 0);
    EXPECT_TRUE(On(w, "actionApply_All_Changes"));
    EXPECT_TRUE(On(w, "actionUndo_Last_Changes"));
    EXPECT_TRUE(On(w, "actionDiscard_All_Changes"));
}
