// The cluster-size dialog: the doubling list with the current size, and Yes only for a change.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <climits>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "gui/dialogs/KChangeClusterSizeDlg.h"

using namespace DialogProbe;

namespace {

struct ClusterForm {
    ClusterForm(int low, int high, int current, const QString& name = QStringLiteral("Disk 1 Partition 1"))
        : dialog(low, high, current, name)
    {
        sizes = Child<QComboBox>(dialog, "comboBox");
        yes = Child<QPushButton>(dialog, "yesButton");
        no = Child<QPushButton>(dialog, "noButton");
        label1 = Child<QLabel>(dialog, "label1");
        label2 = Child<QLabel>(dialog, "label2");
        dialog.show();
    }
    KChangeClusterSizeDlg dialog;
    QComboBox* sizes;
    QPushButton* yes;
    QPushButton* no;
    QLabel* label1;
    QLabel* label2;
};

} // namespace

TEST(ClusterSizeDialog, FormHasItsTitleTextsAndSize)
{
    ClusterForm form(1, 128, 8, QStringLiteral("F: ( Disk 2 Partition 1 )"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Change Cluster Size"));
    EXPECT_EQ(form.dialog.size(), QSize(592, 176));
    EXPECT_NE(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(form.label1->text(),
              QStringLiteral("<B>Are you sure you want to change cluster size for partition \"F: ( Disk 2 Partition 1 )\" ?</B>"));
    EXPECT_EQ(form.label2->text(), QStringLiteral("Current cluster size is <B>8 sectors, 4 KB (4096 Bytes).</B> Smaller "
                                                  "clusters may provide more effective usage of disk space."));
    EXPECT_EQ(form.yes->text(), QStringLiteral("&Yes"));
    EXPECT_EQ(form.no->text(), QStringLiteral("&No"));
    QStringList texts;
    for (QLabel* label : form.dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Please enter new cluster size in sectors:")));
}

TEST(ClusterSizeDialog, CurrentSizeOutsideTheRangeIsAppended)
{
    ClusterForm form(1, 32, 64);
    EXPECT_EQ(Texts(form.sizes), (std::vector<QString>{"1", "2", "4", "8", "16", "32", "64"}));
    EXPECT_EQ(Data(form.sizes), (std::vector<int>{1, 2, 4, 8, 16, 32, 64}));
    EXPECT_EQ(form.sizes->currentText(), QStringLiteral("64"));
    EXPECT_FALSE(form.yes->isEnabled());
    EXPECT_EQ(form.dialog.ClusterSize(), 64);
}

TEST(ClusterSizeDialog, CurrentSizeInsideTheRangeIsNotRepeated)
{
    ClusterForm form(8, 64, 16);
    EXPECT_EQ(Data(form.sizes), (std::vector<int>{8, 16, 32, 64}));
    EXPECT_EQ(form.sizes->currentIndex(), 1);
    EXPECT_FALSE(form.yes->isEnabled());
}

TEST(ClusterSizeDialog, RangeEndsAtTheLastPowerNotAbove)
{
    ClusterForm form(2, 100, 2);
    EXPECT_EQ(Data(form.sizes), (std::vector<int>{2, 4, 8, 16, 32, 64}));
}

TEST(ClusterSizeDialog, YesOnlyForADifferentSize)
{
    ClusterForm form(1, 32, 64);
    form.sizes->setCurrentIndex(form.sizes->findData(8));
    EXPECT_TRUE(form.yes->isEnabled());
    EXPECT_EQ(form.dialog.ClusterSize(), 8);
    form.sizes->setCurrentIndex(form.sizes->findData(64));
    EXPECT_FALSE(form.yes->isEnabled());
    form.sizes->setCurrentIndex(form.sizes->findData(16));
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.ClusterSize(), 16);
}

TEST(ClusterSizeDialog, CurrentSizeTextInSectorsKilobytesAndBytes)
{
    ClusterForm one(1, 8, 1);
    EXPECT_TRUE(one.label2->text().contains(QStringLiteral("<B>1 sectors, 0.5 KB (512 Bytes).</B>")))
        << one.label2->text().toStdString();
    ClusterForm big(1, 128, 128);
    EXPECT_TRUE(big.label2->text().contains(QStringLiteral("<B>128 sectors, 64 KB (65536 Bytes).</B>")));
    ClusterForm odd(1, 8, 3);
    EXPECT_TRUE(odd.label2->text().contains(QStringLiteral("<B>3 sectors, 1.5 KB (1536 Bytes).</B>")));
}

TEST(ClusterSizeDialog, DegenerateRangesEndAndKeepTheCurrentSize)
{
    // A smallest size of 0 would double for ever; the current size is still offered.
    ClusterForm zero(0, 128, 8);
    EXPECT_EQ(Data(zero.sizes), std::vector<int>{8});
    EXPECT_FALSE(zero.yes->isEnabled());

    ClusterForm inverted(64, 8, 8);
    EXPECT_EQ(Data(inverted.sizes), std::vector<int>{8});

    // Doubling past the largest int must not wrap round.
    ClusterForm top(1 << 30, INT_MAX, 1 << 30);
    EXPECT_EQ(Data(top.sizes), std::vector<int>{1 << 30});
}

TEST(ClusterSizeDialog, NoRejects)
{
    ClusterForm form(1, 32, 64);
    form.sizes->setCurrentIndex(0);
    form.no->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}
