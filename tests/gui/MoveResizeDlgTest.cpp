// The Move/Resize dialog: the form, the minimum sizes by file system and protecting mode, the spin
// boxes and the resize control keeping each other in step, and what OK and Cancel hand back.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <cmath>

#include <gtest/gtest.h>

#include "ResizeCtrlMouse.h"
#include "gui/dialogs/KMoveResizeDlg.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "core/FileSystemTypes.h"

using namespace ResizeCtrlMouse;

namespace {

constexpr qint64 kCylinder = 16065;
constexpr qint64 kMB = 2048;

// A 2 GB stretch with a 1 GB partition 256 MB in.
ResizeParameters Typical(int fsType, qint64 used, qint64 reserve = 0)
{
    ResizeParameters p;
    p.StartOffset = 256 * kMB;
    p.StretchSectors = 2048 * kMB;
    p.Size = 1024 * kMB;
    p.CylinderSectors = kCylinder;
    p.UsedSectors = used;
    p.NtfsReserve = reserve;
    p.SectorsPerCluster = 8;
    p.FsType = fsType;
    p.SafeMode = 1;
    p.IsSystemVolume = 0;
    return p;
}

qint64 Minimum(const ResizeParameters& p, bool safe)
{
    qint64 minimum = 0, maximum = 0;
    KMoveResizeDlg::ComputeSizeLimits(p, safe, &minimum, &maximum);
    return minimum;
}

qint64 Maximum(const ResizeParameters& p, bool safe)
{
    qint64 minimum = 0, maximum = 0;
    KMoveResizeDlg::ComputeSizeLimits(p, safe, &minimum, &maximum);
    return maximum;
}

// The form's widgets by their object names.
struct Form {
    explicit Form(QWidget& dialog)
        : control(dialog.findChild<KPartitionResizeCtrl*>(QStringLiteral("partitionResizeCtrl"))),
          before(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox"))),
          size(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox_2"))),
          after(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox_3"))),
          safeMode(dialog.findChild<QCheckBox*>(QStringLiteral("checkBox"))),
          ok(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))),
          cancel(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")))
    {
    }
    bool Complete() const { return control && before && size && after && safeMode && ok && cancel; }

    KPartitionResizeCtrl* control;
    QDoubleSpinBox* before;
    QDoubleSpinBox* size;
    QDoubleSpinBox* after;
    QCheckBox* safeMode;
    QPushButton* ok;
    QPushButton* cancel;
};

// What a box shows for a sector count.
double Shown(qint64 sectors)
{
    return std::round(double(sectors) / double(kMB) * 100.0) / 100.0;
}

} // namespace

// --- The form ---

TEST(MoveResizeDlgForm, HasTheNamedWidgetsTextsAndAFixedSize)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    ASSERT_TRUE(form.Complete());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Move/Resize Partition"));
    EXPECT_EQ(dialog.minimumSize(), QSize(580, 414));
    EXPECT_EQ(dialog.maximumSize(), QSize(580, 414));
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(form.safeMode->text(), QStringLiteral("Using Enhanced Data Protecting Mode"));
    EXPECT_TRUE(form.safeMode->toolTip().startsWith(
        QStringLiteral("Using Enhanced Data Protecting Mode could provide enhanced protecting for your data.")));
    for (QDoubleSpinBox* box : {form.before, form.size, form.after}) {
        EXPECT_EQ(box->decimals(), 2);
        EXPECT_DOUBLE_EQ(box->singleStep(), double(kCylinder) / double(kMB));
    }
    auto* group = dialog.findChild<QWidget*>(QStringLiteral("groupBox_2"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(form.control->parentWidget(), group);

    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Unallocate Space Before:", "Partition Size:", "Unallocate Space After:",
                             "Enter the new partition size and specify the location of the selected partition.",
                             "It's recommended to backup your data before moving or resizing the partition."})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
    EXPECT_EQ(texts.count(QStringLiteral("MB")), 3);
    auto* icon = dialog.findChild<QLabel*>(QStringLiteral("warningIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

// --- Size limits ---

TEST(MoveResizeDlgLimits, FatWithHundredMegabytesUsed)
{
    const ResizeParameters p = Typical(kFsFat32, 100 * kMB);
    // Safe: max(120 MB, 400 MB) = 819200, raised to 51 x 16065. Without: 120 MB, raised to 16 x 16065.
    EXPECT_EQ(Minimum(p, true), 819315);
    EXPECT_EQ(Minimum(p, false), 257040);
    EXPECT_EQ(Maximum(p, true), p.StretchSectors);
}

TEST(MoveResizeDlgLimits, FatNearlyEmptyNeedsTenMegabytesMore)
{
    const ResizeParameters p = Typical(kFsFat16, 500);
    EXPECT_EQ(Minimum(p, true), 32130); // 500 + 20480, raised to 2 x 16065
    EXPECT_EQ(Minimum(p, false), 32130);
}

TEST(MoveResizeDlgLimits, FatMaximumIsCapped)
{
    ResizeParameters p = Typical(kFsFat32, 100 * kMB);
    p.StretchSectors = 1'000'000'000;
    EXPECT_EQ(Maximum(p, true), 805306367);
}

TEST(MoveResizeDlgLimits, NtfsMinimumIncludesTheReserveInBothModes)
{
    const ResizeParameters p = Typical(kFsNtfs, 1'000'000, 50'000);
    // Safe: min(1.2 x used + reserve, used + reserve + 409600) = 1250000 -> 78 x 16065.
    EXPECT_EQ(Minimum(p, true), 1253070);
    // Without: min(1.1 x used + reserve, used + reserve + 20480) = 1070480 -> 67 x 16065.
    EXPECT_EQ(Minimum(p, false), 1076355);
    const ResizeParameters noReserve = Typical(kFsNtfs, 1'000'000, 0);
    EXPECT_LT(Minimum(noReserve, true), Minimum(p, true));
    EXPECT_LT(Minimum(noReserve, false), Minimum(p, false));
    for (bool safe : {true, false})
        EXPECT_GE(Minimum(p, safe), p.UsedSectors + p.NtfsReserve);
}

TEST(MoveResizeDlgLimits, MinimumAboveTheStretchBecomesTheMaximum)
{
    ResizeParameters p = Typical(kFsNtfs, 1000 * kMB);
    p.StretchSectors = 1100 * kMB;
    EXPECT_EQ(Minimum(p, true), p.StretchSectors);
}

TEST(MoveResizeDlgLimits, ExtKeepsItsSizeAndOtherCodesTheCylinder)
{
    const ResizeParameters ext = Typical(kFsExt3, 10 * kMB);
    EXPECT_EQ(Minimum(ext, true), ext.Size);
    EXPECT_EQ(Maximum(ext, false), ext.Size);
    const ResizeParameters other = Typical(kFsNone, 700 * kMB);
    EXPECT_EQ(Minimum(other, true), kCylinder);
    EXPECT_EQ(Maximum(other, true), other.StretchSectors);
}

TEST(MoveResizeDlgLimits, FatKindAfterResize)
{
    EXPECT_EQ(KMoveResizeDlg::FatTypeAfterResize(kFsFat16, 8386561), kFsFat32);
    EXPECT_EQ(KMoveResizeDlg::FatTypeAfterResize(kFsFat16, 8386560), kFsFat16);
    EXPECT_EQ(KMoveResizeDlg::FatTypeAfterResize(kFsFat32, 68584), kFsFat32);
    EXPECT_EQ(KMoveResizeDlg::FatTypeAfterResize(kFsFat32, 68583), kFsFat16);
    EXPECT_EQ(KMoveResizeDlg::FatTypeAfterResize(kFsNtfs, 100), kFsNtfs);
}

// --- Opening ---

TEST(MoveResizeDlgOpen, ShowsThePartitionInBoxesAndControl)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    ASSERT_TRUE(form.Complete());
    EXPECT_EQ(form.control->GetStart(), p.StartOffset);
    EXPECT_EQ(form.control->GetSize(), p.Size);
    EXPECT_EQ(form.control->GetTotal(), p.StretchSectors);
    EXPECT_EQ(form.control->GetUsed(), p.UsedSectors);
    EXPECT_EQ(form.control->GetFileSystemType(), kFsNtfs);
    EXPECT_DOUBLE_EQ(form.before->value(), 256.0);
    EXPECT_DOUBLE_EQ(form.size->value(), 1024.0);
    EXPECT_DOUBLE_EQ(form.after->value(), 768.0);
    EXPECT_DOUBLE_EQ(form.before->maximum(), 1024.0);
    EXPECT_DOUBLE_EQ(form.after->maximum(), 1024.0);
    EXPECT_DOUBLE_EQ(form.size->minimum(), Shown(Minimum(p, true)));
    EXPECT_DOUBLE_EQ(form.size->maximum(), 2048.0);
    EXPECT_TRUE(form.safeMode->isChecked());
    EXPECT_TRUE(form.safeMode->isEnabled());
}

TEST(MoveResizeDlgOpen, SystemVolumeWithRoomForcesTheProtectingMode)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    p.IsSystemVolume = 1;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    EXPECT_TRUE(form.safeMode->isChecked());
    EXPECT_FALSE(form.safeMode->isEnabled());
}

TEST(MoveResizeDlgOpen, ProtectingModeNotRequestedStartsWithTheLowerMinimum)
{
    ResizeParameters p = Typical(kFsFat32, 100 * kMB);
    p.SafeMode = 0;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    EXPECT_FALSE(form.safeMode->isChecked());
    EXPECT_TRUE(form.safeMode->isEnabled());
    EXPECT_EQ(form.control->GetMinimumSize(), 257040);
}

TEST(MoveResizeDlgOpen, NoRoomForTheProtectingModeDisablesIt)
{
    // An unknown file system keeps the cylinder as its minimum, well below the used space.
    ResizeParameters p = Typical(kFsOther, 700 * kMB);
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    EXPECT_FALSE(form.safeMode->isChecked());
    EXPECT_FALSE(form.safeMode->isEnabled());

    form.control->SetSize(p.Size + kCylinder);
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(p.SafeMode, 0);
}

TEST(MoveResizeDlgOpen, SizeBelowTheProtectedMinimumIsRaised)
{
    ResizeParameters p = Typical(kFsFat32, 100 * kMB);
    p.Size = 300 * kMB; // the protected minimum is 400 MB and more
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    EXPECT_EQ(form.control->GetSize(), 819315);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(819315));
    EXPECT_DOUBLE_EQ(form.after->value(), Shown(p.StretchSectors - p.StartOffset - 819315));
}

// --- Boxes and control in step ---

TEST(MoveResizeDlgSync, BeforeBoxMovesThePartition)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.before->setValue(100.0);
    EXPECT_EQ(form.control->GetStart(), 100 * kMB);
    EXPECT_EQ(form.control->GetSize(), 1024 * kMB);
    EXPECT_DOUBLE_EQ(form.after->value(), 924.0);
}

TEST(MoveResizeDlgSync, SizeBoxResizesAndWidensTheOtherRanges)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    p.StartOffset = 0;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    ASSERT_DOUBLE_EQ(form.after->maximum(), 1024.0);
    form.size->setValue(512.0);
    EXPECT_EQ(form.control->GetSize(), 512 * kMB);
    EXPECT_EQ(form.control->GetStart(), 0);
    // 1536 MB after the partition: more than the old range allowed.
    EXPECT_DOUBLE_EQ(form.after->maximum(), 1536.0);
    EXPECT_DOUBLE_EQ(form.after->value(), 1536.0);
    EXPECT_DOUBLE_EQ(form.before->maximum(), 1536.0);
}

TEST(MoveResizeDlgSync, AfterBoxPlacesThePartitionFromTheEnd)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.after->setValue(0.0);
    EXPECT_EQ(form.control->GetStart(), 1024 * kMB);
    EXPECT_DOUBLE_EQ(form.before->value(), 1024.0);
    EXPECT_DOUBLE_EQ(form.size->value(), 1024.0);
}

TEST(MoveResizeDlgSync, OversizedValueFollowsTheControlsCorrection)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    p.StartOffset = 900 * kMB;
    p.Size = 500 * kMB;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.size->setValue(1500.0); // does not fit after the current start
    EXPECT_EQ(form.control->GetSize(), 1500 * kMB);
    EXPECT_EQ(form.control->GetStart(), 548 * kMB);
    EXPECT_DOUBLE_EQ(form.before->value(), 548.0);
    EXPECT_DOUBLE_EQ(form.after->value(), 0.0);

    form.size->setValue(5000.0); // beyond the stretch: the box stops at the maximum
    EXPECT_EQ(form.control->GetSize(), 2048 * kMB);
    EXPECT_EQ(form.control->GetStart(), 0);
    EXPECT_DOUBLE_EQ(form.size->value(), 2048.0);
    EXPECT_DOUBLE_EQ(form.before->value(), 0.0);
}

TEST(MoveResizeDlgSync, DraggingTheControlUpdatesTheBoxes)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(&p);
    dialog.show();
    Form form(dialog);
    const int x = form.control->BlockLeft() + 8 + form.control->BlockWidth() / 2;
    Drag(form.control, x, x + 40);
    EXPECT_GT(form.control->GetStart(), p.StartOffset);
    EXPECT_EQ(form.control->GetSize(), p.Size);
    EXPECT_DOUBLE_EQ(form.before->value(), Shown(form.control->GetStart()));
    EXPECT_DOUBLE_EQ(form.size->value(), 1024.0);
    EXPECT_DOUBLE_EQ(form.after->value(),
                     Shown(p.StretchSectors - form.control->GetStart() - form.control->GetSize()));

    const int right = form.control->BlockLeft() + form.control->BlockWidth() + 8 + 3;
    Drag(form.control, right, right - 60);
    EXPECT_LT(form.control->GetSize(), p.Size);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(form.control->GetSize()));
    EXPECT_DOUBLE_EQ(form.after->maximum(), Shown(p.StretchSectors - form.control->GetSize()));
}

TEST(MoveResizeDlgSync, ProtectingModeBoxSwitchesTheMinimum)
{
    ResizeParameters p = Typical(kFsFat32, 100 * kMB);
    p.Size = 500 * kMB;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    ASSERT_TRUE(form.safeMode->isChecked());
    EXPECT_EQ(form.control->GetMinimumSize(), 819315);

    form.safeMode->click(); // off
    EXPECT_EQ(form.control->GetMinimumSize(), 257040);
    EXPECT_DOUBLE_EQ(form.size->minimum(), Shown(257040));
    form.size->setValue(150.0);
    EXPECT_EQ(form.control->GetSize(), 150 * kMB);

    form.safeMode->click(); // on again: the partition grows back to the protected minimum
    EXPECT_EQ(form.control->GetSize(), 819315);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(819315));
    EXPECT_DOUBLE_EQ(form.after->value(), Shown(p.StretchSectors - p.StartOffset - 819315));
}

TEST(MoveResizeDlgSync, ExtCanOnlyBeMoved)
{
    ResizeParameters p = Typical(kFsExt3, 10 * kMB);
    KMoveResizeDlg dialog(&p);
    dialog.show();
    Form form(dialog);
    EXPECT_TRUE(form.safeMode->isHidden());
    EXPECT_DOUBLE_EQ(form.size->minimum(), 1024.0);
    EXPECT_DOUBLE_EQ(form.size->maximum(), 1024.0);

    const int right = form.control->BlockLeft() + form.control->BlockWidth() + 8 + 3;
    Drag(form.control, right, right - 80);
    EXPECT_EQ(form.control->GetSize(), p.Size);

    form.before->setValue(512.0);
    EXPECT_EQ(form.control->GetStart(), 512 * kMB);
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(p.StartOffset, 512 * kMB);
    EXPECT_EQ(p.Size, 1024 * kMB);
    EXPECT_EQ(p.FsType, kFsExt3);
}

// --- OK and Cancel ---

TEST(MoveResizeDlgResult, UnchangedRequestIsARejection)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    p.SafeMode = 1;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.safeMode->click(); // a changed box alone changes nothing on the disk
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(p.SafeMode, 1);
}

TEST(MoveResizeDlgResult, NtfsSameClusterCountIsARejection)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    p.Size = 1024 * kMB + 3; // three sectors short of another cluster
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.control->SetSize(1024 * kMB + 7);
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(p.Size, 1024 * kMB + 3);

    KMoveResizeDlg again(&p);
    Form second(again);
    second.control->SetSize(1024 * kMB + 8);
    second.ok->click();
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(p.Size, 1024 * kMB + 8);
}

TEST(MoveResizeDlgResult, OkWritesTheBlockBack)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    KMoveResizeDlg dialog(p);
    Form form(dialog);
    form.before->setValue(128.0);
    form.size->setValue(1536.0);
    form.safeMode->click();
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(p.StartOffset, 128 * kMB);
    EXPECT_EQ(p.Size, 1536 * kMB);
    EXPECT_EQ(p.SafeMode, 0);
    EXPECT_EQ(p.FsType, kFsNtfs);
    EXPECT_EQ(p.StretchSectors, 2048 * kMB);
    EXPECT_EQ(dialog.Parameters().Size, p.Size);
}

TEST(MoveResizeDlgResult, FatChangesKindWithItsNewSize)
{
    ResizeParameters grow = Typical(kFsFat16, 100 * kMB);
    grow.StretchSectors = 8 * 1024 * kMB;
    KMoveResizeDlg growing(&grow);
    Form form(growing);
    form.size->setValue(4096.0); // 8388608 sectors, past the FAT16 limit
    form.ok->click();
    EXPECT_EQ(growing.result(), QDialog::Accepted);
    EXPECT_EQ(grow.FsType, kFsFat32);

    ResizeParameters shrink = Typical(kFsFat32, 10 * kMB);
    shrink.SafeMode = 0;
    KMoveResizeDlg shrinking(&shrink);
    Form small(shrinking);
    small.control->SetSize(64260); // four cylinders, below the FAT32 range
    ASSERT_EQ(small.control->GetSize(), 64260);
    small.ok->click();
    EXPECT_EQ(shrinking.result(), QDialog::Accepted);
    EXPECT_EQ(shrink.FsType, kFsFat16);
    EXPECT_EQ(shrink.Size, 64260);
}

TEST(MoveResizeDlgResult, CancelLeavesTheBlockAlone)
{
    ResizeParameters p = Typical(kFsNtfs, 100 * kMB);
    const ResizeParameters before = p;
    KMoveResizeDlg dialog(&p);
    Form form(dialog);
    form.size->setValue(1536.0);
    form.cancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(p.Size, before.Size);
    EXPECT_EQ(p.StartOffset, before.StartOffset);
}
