// The wipe dialog: its form, the method numbers it hands back, and its picture.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "gui/dialogs/KWipingDiskDlg.h"

using namespace DialogProbe;

namespace {

const char* const kMethodButtons[] = {"radioButton", "radioButton_2", "radioButton_3", "radioButton_4",
                                      "radioButton_5"};

struct WipeForm {
    explicit WipeForm(const QString& name = QStringLiteral("Disk 2")) : dialog(name)
    {
        ok = Child<QPushButton>(dialog, "okButton");
        cancel = Child<QPushButton>(dialog, "cancelButton");
        dialog.show();
    }
    QRadioButton* method(int n) { return Child<QRadioButton>(dialog, kMethodButtons[n]); }
    KWipingDiskDlg dialog;
    QPushButton* ok;
    QPushButton* cancel;
};

} // namespace

TEST(WipeDialog, FormHasItsTitleTextsAndFixedSize)
{
    WipeForm form(QStringLiteral("E: ( Disk 1 Partition 2 )"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Wiping Disk or Partition"));
    EXPECT_EQ(form.dialog.size(), QSize(507, 368));
    EXPECT_EQ(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(Child<QLabel>(form.dialog, "label_2")->text(),
              QStringLiteral("Wiping Disk/Partition will remove every sectors of data on the disk. Data once wiped can "
                             "not be recovered by any data recovery solutions."));
    EXPECT_TRUE(Child<QLabel>(form.dialog, "label_2")->wordWrap());
    EXPECT_EQ(Child<QLabel>(form.dialog, "label_3")->text(), QStringLiteral("Destination Device:"));
    auto* name = Child<QLabel>(form.dialog, "destDeviceName");
    EXPECT_EQ(name->text(), QStringLiteral("E: ( Disk 1 Partition 2 )"));
    EXPECT_EQ(name->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(name->font().pointSize(), 10);
    EXPECT_TRUE(name->font().bold());
    EXPECT_EQ(Child<QGroupBox>(form.dialog, "groupBox")->title(), QStringLiteral("Wiping Method:"));
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
}

TEST(WipeDialog, FiveMethodsEachWithItsSpeedToTheRight)
{
    WipeForm form;
    const char* texts[] = {"Fill Sectors with Zero", "Fill Sectors with One", "Fill Sectors with Zero && One",
                           "DoD 5220.22-M (3 passes)", "DoD 5220.28-STD (7 passes)"};
    const char* speeds[] = {"( Quick )", "( Quick )", "( Slow )", "( Very Slow )", "( Very Slow )"};
    auto* grid = qobject_cast<QGridLayout*>(Child<QGroupBox>(form.dialog, "groupBox")->layout());
    ASSERT_NE(grid, nullptr);
    for (int n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        QRadioButton* button = form.method(n);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromLatin1(texts[n]));
        EXPECT_EQ(button->isChecked(), n == 0);
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(button), &row, &column, &rowSpan, &columnSpan);
        auto* speed = qobject_cast<QLabel*>(grid->itemAtPosition(row, column + 1)->widget());
        ASSERT_NE(speed, nullptr);
        EXPECT_EQ(speed->text(), QString::fromLatin1(speeds[n]));
        EXPECT_GT(speed->geometry().left(), button->geometry().left());
        EXPECT_NEAR(speed->geometry().center().y(), button->geometry().center().y(), 3);
        if (n > 0) {
            EXPECT_GT(button->geometry().top(), form.method(n - 1)->geometry().top());
        }
    }
}

TEST(WipeDialog, UntouchedGivesMethodZero)
{
    WipeForm form;
    EXPECT_EQ(form.dialog.WipingMethod(), 0);
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.WipingMethod(), 0);
}

TEST(WipeDialog, EachOptionGivesItsPosition)
{
    for (int n : {3, 1, 4, 2, 0}) {
        WipeForm form;
        form.method(n)->click();
        EXPECT_EQ(form.dialog.WipingMethod(), 0) << "nothing before OK";
        form.ok->click();
        EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
        EXPECT_EQ(form.dialog.WipingMethod(), n);
    }
}

TEST(WipeDialog, NothingCheckedGivesMethodZero)
{
    WipeForm form;
    form.method(3)->click();
    for (int n = 0; n < 5; ++n) {
        form.method(n)->setAutoExclusive(false);
        form.method(n)->setChecked(false);
    }
    form.ok->click();
    EXPECT_EQ(form.dialog.WipingMethod(), 0);
}

TEST(WipeDialog, CancelRejects)
{
    WipeForm form;
    form.method(4)->click();
    form.cancel->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
    EXPECT_EQ(form.dialog.WipingMethod(), 0);
}

TEST(WipeDialog, PictureIsDrawnAndShown)
{
    const QImage icon = KWipingDiskDlg::WipeIcon(64).toImage();
    ASSERT_EQ(icon.size(), QSize(64, 64));
    int opaque = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            opaque += qAlpha(icon.pixel(x, y)) > 200 ? 1 : 0;
    EXPECT_GT(opaque, 64 * 64 / 4) << "the drive and the eraser fill a good part of the square";
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the corners stay clear";

    WipeForm form;
    const QPixmap shown = Child<QLabel>(form.dialog, "label")->pixmap();
    EXPECT_FALSE(shown.isNull());
    EXPECT_FALSE(form.dialog.windowIcon().isNull());
}
