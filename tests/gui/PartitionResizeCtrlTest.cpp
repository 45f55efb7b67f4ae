// The resize control: how it keeps its values consistent, where it puts the block in pixels, what the
// mouse does to the block and the handles (and where the limits stop it), and what it paints.
#include <QColor>
#include <QImage>
#include <memory>
#include <ostream>
#include <utility>

#include <gtest/gtest.h>

#include "ResizeCtrlMouse.h"
#include "gui/common/FileSystemColors.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "core/FileSystemTypes.h"

static void PrintTo(const QColor& colour, std::ostream* os)
{
    const QColor rgb = colour.toRgb();
    *os << "rgb(" << rgb.red() << ", " << rgb.green() << ", " << rgb.blue() << ")";
}

using namespace ResizeCtrlMouse;
using Report = std::pair<qint64, qint64>;

namespace {

const QColor kTrackGrey(140, 140, 140);
const QColor kHandleGrey(192, 192, 192);
const QColor kBlockFace(236, 237, 230);
const QColor kUsedYellow(255, 255, 200);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// A control 524 pixels wide (a 500-pixel track) in a shown window, so that geometry changes reach it
// at once.
class ResizeCtrl : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = std::make_unique<QWidget>();
        host->resize(600, 100);
        control = new KPartitionResizeCtrl(host.get());
        control->setGeometry(0, 0, 524, 60);
        host->show();
    }

    // Start 250, size 200 (last sector 449) of 1000 sectors, limits 100 and 600, half used, NTFS:
    // the left handle covers [125, 133), the block [133, 241), the right handle [241, 249).
    void SetTypical(qint64 minimum = 100, qint64 maximum = 600)
    {
        control->SetAll(250, 200, 100, minimum, maximum, 1000, kFsNtfs);
    }

    static QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

    std::unique_ptr<QWidget> host;
    KPartitionResizeCtrl* control = nullptr;
};

} // namespace

// --- Values and normalisation ---

TEST_F(ResizeCtrl, StartsEmptyWithPlaceholderCodeAndGreyTrack)
{
    KPartitionResizeCtrl fresh;
    EXPECT_EQ(fresh.GetTotal(), 0);
    EXPECT_EQ(fresh.GetUsed(), 0);
    EXPECT_EQ(fresh.GetMinimumSize(), 0);
    EXPECT_EQ(fresh.GetMaximumSize(), 0);
    EXPECT_EQ(fresh.GetSize(), 0);
    EXPECT_EQ(fresh.GetStart(), 0);
    EXPECT_EQ(fresh.GetFileSystemType(), 255);
    EXPECT_TRUE(fresh.hasMouseTracking());
    EXPECT_TRUE(fresh.autoFillBackground());
    EXPECT_EQ(fresh.palette().color(QPalette::Window), kTrackGrey);
    EXPECT_EQ(fresh.CurrentDragMode(), KPartitionResizeCtrl::DragNothing);
}

TEST_F(ResizeCtrl, AllowedValuesAreKeptAndNotEchoed)
{
    Reports reports(control);
    SetTypical();
    control->SetStart(300);
    control->SetSize(250);
    control->SetStartAndSize(100, 600);
    control->SetSizeLimits(50, 700);
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(control->GetStart(), 100);
    EXPECT_EQ(control->GetSize(), 600);
    EXPECT_EQ(control->GetUsed(), 100);
    EXPECT_EQ(control->GetMinimumSize(), 50);
    EXPECT_EQ(control->GetMaximumSize(), 700);
    EXPECT_EQ(control->GetTotal(), 1000);
    EXPECT_EQ(control->GetFileSystemType(), kFsNtfs);
}

TEST_F(ResizeCtrl, SizeAboveMaximumIsClampedAndReported)
{
    SetTypical();
    Reports reports(control);
    control->SetSize(700);
    EXPECT_EQ(control->GetSize(), 600);
    EXPECT_EQ(reports.seen, (std::vector<Report>{{250, 600}}));

    control->SetSize(50); // below the minimum
    EXPECT_EQ(control->GetSize(), 100);
    EXPECT_EQ(reports.seen.back(), Report(250, 100));
}

TEST_F(ResizeCtrl, StartIsPulledBackSoThePartitionEndsInTheStretch)
{
    SetTypical();
    Reports reports(control);
    control->SetStart(900);
    EXPECT_EQ(control->GetStart(), 800);
    control->SetStartAndSize(700, 600);
    EXPECT_EQ(control->GetStart(), 400);
    EXPECT_EQ(control->GetSize(), 600);
    EXPECT_EQ(reports.seen, (std::vector<Report>{{800, 200}, {400, 600}}));
}

TEST_F(ResizeCtrl, ContradictingLimitsLeaveTheMaximum)
{
    SetTypical();
    Reports reports(control);
    control->SetSizeLimits(500, 300);
    EXPECT_EQ(control->GetSize(), 300);
    EXPECT_EQ(reports.seen, (std::vector<Report>{{250, 300}}));
}

TEST_F(ResizeCtrl, RaisedMinimumGrowsThePartitionAndMovesItBack)
{
    control->SetAll(700, 200, 0, 100, 1000, 1000, kFsFat32);
    Reports reports(control);
    control->SetSizeLimits(450, 1000);
    EXPECT_EQ(control->GetSize(), 450);
    EXPECT_EQ(control->GetStart(), 550);
    EXPECT_EQ(reports.seen, (std::vector<Report>{{550, 450}}));
}

TEST_F(ResizeCtrl, PartitionNeverLeavesTheStretch)
{
    Reports reports(control);
    // A minimum larger than the whole stretch: the stretch wins, the start stays at its first sector.
    control->SetAll(0, 500, 0, 1500, 2000, 1000, kFsFat16);
    EXPECT_EQ(control->GetSize(), 1000);
    EXPECT_EQ(control->GetStart(), 0);
    // A start before the stretch is moved to its first sector.
    control->SetAll(0, 200, 0, 100, 600, 1000, kFsNtfs);
    reports.seen.clear();
    control->SetStart(-20);
    EXPECT_EQ(control->GetStart(), 0);
    EXPECT_EQ(reports.seen, (std::vector<Report>{{0, 200}}));
}

TEST_F(ResizeCtrl, FileSystemCodeOnlyRecolours)
{
    SetTypical();
    Reports reports(control);
    const int left = control->BlockLeft();
    control->SetFileSystemType(kFsExt3);
    EXPECT_EQ(control->GetFileSystemType(), kFsExt3);
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(control->BlockLeft(), left);
    EXPECT_EQ(Pixel(Paint(control), 186, 8), FileSystemColor(kFsExt3));
}

// --- Pixel geometry ---

TEST_F(ResizeCtrl, BlockPixelsFollowStartAndSize)
{
    SetTypical();
    EXPECT_EQ(control->TrackWidth(), 500);
    EXPECT_EQ(control->BlockLeft(), 125);  // 500 x 250 / 999
    EXPECT_EQ(control->BlockWidth(), 108); // 500 x 200 / 1000 + 8

    control->setGeometry(0, 0, 1024, 60);
    EXPECT_EQ(control->BlockLeft(), 250);
    EXPECT_EQ(control->BlockWidth(), 208);
}

TEST_F(ResizeCtrl, HitTestMatchesWhatIsDrawn)
{
    SetTypical();
    EXPECT_EQ(control->HitTest(124), KPartitionResizeCtrl::DragNothing);
    EXPECT_EQ(control->HitTest(125), KPartitionResizeCtrl::DragLeftHandle);
    EXPECT_EQ(control->HitTest(132), KPartitionResizeCtrl::DragLeftHandle);
    EXPECT_EQ(control->HitTest(133), KPartitionResizeCtrl::DragBlock);
    EXPECT_EQ(control->HitTest(240), KPartitionResizeCtrl::DragBlock);
    EXPECT_EQ(control->HitTest(241), KPartitionResizeCtrl::DragRightHandle);
    EXPECT_EQ(control->HitTest(248), KPartitionResizeCtrl::DragRightHandle);
    EXPECT_EQ(control->HitTest(249), KPartitionResizeCtrl::DragNothing);

    // The handles are where the painting puts them.
    const QImage image = Paint(control);
    EXPECT_EQ(Pixel(image, 128, 5), kHandleGrey);
    EXPECT_EQ(Pixel(image, 244, 5), kHandleGrey);
}

TEST_F(ResizeCtrl, FullStretchSpansTheWholeWidget)
{
    control->SetAll(0, 1000, 0, 100, 1000, 1000, kFsNtfs);
    EXPECT_EQ(control->BlockLeft(), 0);
    EXPECT_EQ(control->BlockWidth(), 508);
    EXPECT_EQ(control->HitTest(0), KPartitionResizeCtrl::DragLeftHandle);
    EXPECT_EQ(control->HitTest(523), KPartitionResizeCtrl::DragRightHandle);

    const QImage image = Paint(control);
    EXPECT_EQ(Pixel(image, 0, 5), kWhite);   // the left handle's light edge
    EXPECT_EQ(Pixel(image, 523, 5), kBlack); // the right handle's dark edge
    for (int x = 0; x < 524; x += 7)
        EXPECT_NE(Pixel(image, x, 5), kTrackGrey) << "track showing at x = " << x;
}

// --- Dragging ---

TEST_F(ResizeCtrl, DraggingTheBlockMovesItWithoutResizing)
{
    SetTypical();
    Reports reports(control);
    Drag(control, 180, 200);
    ASSERT_EQ(reports.seen.size(), 20u);
    for (const Report& r : reports.seen)
        EXPECT_EQ(r.second, 200);
    EXPECT_EQ(reports.seen.back(), Report(289, 200)); // 145 / 500 x 999
    EXPECT_EQ(control->BlockLeft(), 145);
    EXPECT_EQ(control->Anchor(), 200);
    EXPECT_EQ(control->CurrentDragMode(), KPartitionResizeCtrl::DragBlock); // a release keeps it
}

TEST_F(ResizeCtrl, BlockStopsAtBothEndsOfTheTrack)
{
    SetTypical();
    Reports reports(control);
    Drag(control, 180, 560);
    EXPECT_EQ(control->BlockLeft(), 400);
    EXPECT_EQ(control->GetStart(), 799);
    EXPECT_EQ(control->GetSize(), 200);
    const size_t atRight = reports.seen.size();

    Drag(control, 455, -60);
    EXPECT_EQ(control->BlockLeft(), 0);
    EXPECT_EQ(control->GetStart(), 0);
    EXPECT_EQ(control->GetSize(), 200);
    EXPECT_GT(reports.seen.size(), atRight);
}

TEST_F(ResizeCtrl, FullStretchCannotBeMovedOrGrown)
{
    control->SetAll(0, 1000, 0, 100, 1000, 1000, kFsNtfs);
    Reports reports(control);
    Drag(control, 250, 300);
    Drag(control, 250, 200);
    Drag(control, 520, 580); // right handle outward: capped at the track
    Drag(control, 3, -40);   // left handle outward
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(control->GetStart(), 0);
    EXPECT_EQ(control->GetSize(), 1000);
}

TEST_F(ResizeCtrl, LeftHandleKeepsTheLastSector)
{
    SetTypical();
    Reports reports(control);
    Drag(control, 128, 118);
    ASSERT_FALSE(reports.seen.empty());
    for (const Report& r : reports.seen)
        EXPECT_EQ(r.first + r.second - 1, 449) << r.first << " + " << r.second;
    EXPECT_EQ(control->GetStart(), 229); // 115 / 500 x 999
    EXPECT_EQ(control->GetSize(), 221);
    EXPECT_EQ(control->BlockLeft(), 115);
    EXPECT_EQ(control->Anchor(), 118);
}

TEST_F(ResizeCtrl, RightHandleKeepsTheStart)
{
    SetTypical();
    Reports reports(control);
    Drag(control, 244, 264);
    ASSERT_FALSE(reports.seen.empty());
    for (const Report& r : reports.seen)
        EXPECT_EQ(r.first, 250);
    EXPECT_EQ(control->GetSize(), 240); // 120 pixels of 500 of 1000 sectors
    EXPECT_EQ(control->BlockWidth(), 128);
    EXPECT_EQ(control->Anchor(), 264);
}

TEST_F(ResizeCtrl, RightHandleSnapsToTheMinimum)
{
    SetTypical(111, 600); // 55.5 pixels: no pixel width gives the minimum exactly
    Reports reports(control);
    Drag(control, 244, 150);
    EXPECT_EQ(control->GetSize(), 111);
    EXPECT_EQ(control->GetStart(), 250);
    EXPECT_EQ(control->BlockWidth(), 63);            // 55 + 8
    EXPECT_EQ(control->Anchor(), 125 + 55 + 24);     // the limit edge, not the pointer
    EXPECT_EQ(reports.seen.back(), Report(250, 111));
    for (const Report& r : reports.seen)
        EXPECT_GE(r.second, 111);
}

TEST_F(ResizeCtrl, LeftHandleSnapsToTheMaximumAndKeepsTheEnd)
{
    SetTypical(100, 300);
    Reports reports(control);
    Drag(control, 128, -30);
    EXPECT_EQ(control->GetSize(), 300);
    EXPECT_EQ(control->GetStart(), 150);
    EXPECT_EQ(control->BlockLeft(), 75);
    EXPECT_EQ(control->BlockWidth(), 158);
    EXPECT_EQ(control->Anchor(), 75);
    for (const Report& r : reports.seen) {
        EXPECT_EQ(r.first + r.second - 1, 449);
        EXPECT_LE(r.second, 300);
    }
}

TEST_F(ResizeCtrl, OnlyALeftPressOnTheBlockOrAHandleStartsADrag)
{
    SetTypical();
    Reports reports(control);
    Press(control, 180, Qt::RightButton);
    EXPECT_EQ(control->CurrentDragMode(), KPartitionResizeCtrl::DragNothing);
    DragTo(control, 180, 220);
    Press(control, 40); // the bare track
    EXPECT_EQ(control->CurrentDragMode(), KPartitionResizeCtrl::DragNothing);
    DragTo(control, 40, 200);
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(control->GetStart(), 250);
}

TEST_F(ResizeCtrl, CursorFollowsWhatIsUnderThePointer)
{
    SetTypical();
    Hover(control, 180);
    EXPECT_EQ(control->cursor().shape(), Qt::SizeAllCursor);
    Hover(control, 128);
    EXPECT_EQ(control->cursor().shape(), Qt::SizeHorCursor);
    Hover(control, 245);
    EXPECT_EQ(control->cursor().shape(), Qt::SizeHorCursor);
    Hover(control, 400);
    EXPECT_EQ(control->cursor().shape(), Qt::ArrowCursor);
}

// --- Painting ---

TEST_F(ResizeCtrl, PaintsTrackHandlesStripAndGauge)
{
    SetTypical();
    const QImage image = Paint(control);
    EXPECT_EQ(Pixel(image, 5, 30), kTrackGrey);
    EXPECT_EQ(Pixel(image, 400, 30), kTrackGrey);
    // Left handle: light top-left edge, dark right edge, arrow pointing left.
    EXPECT_EQ(Pixel(image, 125, 5), kWhite);
    EXPECT_EQ(Pixel(image, 132, 5), kBlack);
    EXPECT_EQ(Pixel(image, 131, 30), kBlack);
    EXPECT_EQ(Pixel(image, 126, 24), kHandleGrey);
    // Right handle: arrow pointing right, tip at its right edge.
    EXPECT_EQ(Pixel(image, 242, 30), kBlack);
    EXPECT_EQ(Pixel(image, 247, 24), kHandleGrey);
    // The block: raised face, the file system's strip, a half-used gauge.
    EXPECT_EQ(Pixel(image, 134, 30), kBlockFace);
    EXPECT_EQ(Pixel(image, 186, 8), FileSystemColor(kFsNtfs));
    EXPECT_EQ(Pixel(image, 150, 52), kUsedYellow);
    EXPECT_EQ(Pixel(image, 220, 52), kWhite);
}

TEST_F(ResizeCtrl, PlaceholderCodeIsDrawnInTheOtherColour)
{
    control->SetAll(250, 200, 0, 100, 600, 1000, 255);
    EXPECT_EQ(Pixel(Paint(control), 186, 8), QColor(132, 2, 4));
}

TEST_F(ResizeCtrl, NarrowBlockHasNoFrameOrStrip)
{
    // 4 sectors of 1000 on 500 pixels: a block of 2 + 8 = 10 pixels at x = 258.
    control->SetAll(500, 4, 2, 1, 1000, 1000, kFsFat32);
    ASSERT_EQ(control->BlockWidth(), 10);
    ASSERT_EQ(control->BlockLeft(), 250);
    const QImage image = Paint(control);
    EXPECT_EQ(Pixel(image, 258, 0), FileSystemColor(kFsFat32)); // no light frame edge
    EXPECT_EQ(Pixel(image, 259, 8), FileSystemColor(kFsFat32)); // no navy strip frame
    EXPECT_EQ(Pixel(image, 261, 5), kUsedYellow);               // half of the 4-pixel field
    EXPECT_EQ(Pixel(image, 263, 5), QColor(104, 141, 202));     // the used boundary
    EXPECT_EQ(Pixel(image, 264, 5), kWhite);
}

TEST_F(ResizeCtrl, VeryNarrowBlockIsOnlyItsColour)
{
    control->setGeometry(0, 0, 20, 60); // a track of -4 pixels: the block is 4 pixels wide
    control->SetAll(0, 1000, 500, 1, 1000, 1000, kFsNtfs);
    ASSERT_EQ(control->BlockWidth(), 4);
    const QImage image = Paint(control);
    for (int x = 8; x < 12; ++x)
        EXPECT_EQ(Pixel(image, x, 5), FileSystemColor(kFsNtfs)) << x;
}

TEST_F(ResizeCtrl, SizeTextNeedsMoreThanOneGigabyteForGB)
{
    EXPECT_EQ(KPartitionResizeCtrl::SizeText(2048 * 1024), QStringLiteral("1024.00 MB"));
    EXPECT_EQ(KPartitionResizeCtrl::SizeText(2048 * 1024 + 2048 * 11), QStringLiteral("1.01 GB"));
    EXPECT_EQ(KPartitionResizeCtrl::SizeText(3072), QStringLiteral("1.50 MB"));
}
