// The format dialog: the file systems offered for a size, the label and cluster lists that follow
// the chosen file system, and what OK hands back.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "MessageBoxAnswer.h"
#include "gui/dialogs/KFormatPartitionDlg.h"
#include "gui/dialogs/VolumeLabelRule.h"

using namespace DialogProbe;

namespace {

struct Form {
    explicit Form(qint64 size, const QString& label = QString()) : dialog(label, size)
    {
        labelEdit = Child<QLineEdit>(dialog, "labelEdit");
        fileSystems = Child<QComboBox>(dialog, "fileSystemComboBox");
        clusters = Child<QComboBox>(dialog, "clusterSizeComboBox");
        ok = Child<QPushButton>(dialog, "okButton");
        cancel = Child<QPushButton>(dialog, "cancelButton");
    }
    void choose(int code)
    {
        const int index = fileSystems->findData(code);
        ASSERT_GE(index, 0) << "file system " << code << " not offered";
        fileSystems->setCurrentIndex(index);
    }
    KFormatPartitionDlg dialog;
    QLineEdit* labelEdit;
    QComboBox* fileSystems;
    QComboBox* clusters;
    QPushButton* ok;
    QPushButton* cancel;
};

bool Offers(qint64 size, int code)
{
    Form form(size);
    return form.fileSystems->findData(code) >= 0;
}

} // namespace

TEST(FormatDialog, FormShowsTitleTextsAndFixedSize)
{
    Form form(20000, QStringLiteral("DATA"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Format Partition"));
    EXPECT_EQ(form.dialog.size(), QSize(482, 243));
    EXPECT_EQ(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
    QStringList texts;
    for (QLabel* label : form.dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Partition Label:", "File System:", "Cluster Size:",
                             "Formating the partition will destory the data on the partition!"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
}

TEST(FormatDialog, OpensOnNtfsWithTheCurrentLabelSelected)
{
    Form form(20000, QStringLiteral("DATA"));
    EXPECT_EQ(form.fileSystems->currentData().toInt(), 7);
    EXPECT_EQ(form.dialog.FileSystemType(), 7);
    EXPECT_EQ(form.labelEdit->text(), QStringLiteral("DATA"));
    EXPECT_EQ(form.labelEdit->selectedText(), QStringLiteral("DATA"));
    EXPECT_TRUE(form.labelEdit->isEnabled());
    EXPECT_EQ(form.labelEdit->maxLength(), 126);
}

TEST(FormatDialog, LongLabelSurvivesTheListBeingFilled)
{
    // Twelve characters: a FAT item first in the list must not cut it to eleven on the way to NTFS.
    Form form(100000, QStringLiteral("ABCDEFGHIJKL"));
    EXPECT_EQ(form.fileSystems->itemData(0).toInt(), 6);
    EXPECT_EQ(form.labelEdit->text(), QStringLiteral("ABCDEFGHIJKL"));
}

TEST(FormatDialog, SmallPartitionsGetFat12AndLinuxButNoFat16OrFat32)
{
    Form form(20000);
    EXPECT_EQ(Data(form.fileSystems), (std::vector<int>{1, 7, 49, 50, 51}));
    EXPECT_EQ(Texts(form.fileSystems),
              (std::vector<QString>{"FAT12", "NTFS", "Ext2", "Ext3", "Linux Swap"}));
    EXPECT_EQ(form.fileSystems->currentText(), QStringLiteral("NTFS"));
}

TEST(FormatDialog, TinyPartitionIsOfferedNtfsOnly)
{
    Form form(1000);
    EXPECT_EQ(Data(form.fileSystems), (std::vector<int>{7}));
    EXPECT_EQ(form.dialog.FileSystemType(), 7);
}

TEST(FormatDialog, LargePartitionGetsEveryFileSystemInOrder)
{
    Form form(1000000); // 488 MiB
    EXPECT_EQ(Data(form.fileSystems), (std::vector<int>{6, 11, 7, 49, 50, 51}));
}

TEST(FormatDialog, SizeLimitsOfEachFileSystem)
{
    struct Limit {
        int code;
        qint64 first; // the smallest size offered
        qint64 end;   // the first size above the range
    };
    for (const Limit& l : {Limit{1, 1024, 32608}, Limit{6, 32768, 8386560}, Limit{11, 68583, 805306367},
                           Limit{49, 14336, 4294967296LL}, Limit{50, 14336, 4294967296LL},
                           Limit{51, 14336, 134217728}}) {
        SCOPED_TRACE(l.code);
        EXPECT_FALSE(Offers(l.first - 1, l.code));
        EXPECT_TRUE(Offers(l.first, l.code));
        EXPECT_TRUE(Offers(l.end - 1, l.code));
        EXPECT_FALSE(Offers(l.end, l.code));
    }
    EXPECT_TRUE(Offers(1, 7));
    EXPECT_TRUE(Offers(8589934592LL, 7));
}

TEST(FormatDialog, LinuxSwapEmptiesAndDisablesTheLabelUntilAnotherFileSystem)
{
    Form form(200000, QStringLiteral("DATA"));
    form.choose(51);
    EXPECT_EQ(form.dialog.FileSystemType(), 51);
    EXPECT_TRUE(form.labelEdit->text().isEmpty());
    EXPECT_FALSE(form.labelEdit->isEnabled());
    EXPECT_EQ(form.labelEdit->maxLength(), 126) << "swap leaves the previous maximum";

    form.choose(7);
    EXPECT_TRUE(form.labelEdit->isEnabled());
    EXPECT_TRUE(form.labelEdit->text().isEmpty());
}

TEST(FormatDialog, LabelMaximumFollowsTheFileSystem)
{
    Form form(1000000, QStringLiteral("VERYLONGLABELTEXT"));
    form.choose(11);
    EXPECT_EQ(form.labelEdit->maxLength(), 11);
    EXPECT_EQ(form.labelEdit->text(), QStringLiteral("VERYLONGLAB"));
    form.choose(49);
    EXPECT_EQ(form.labelEdit->maxLength(), 14);
    form.choose(6);
    EXPECT_EQ(form.labelEdit->maxLength(), 11);
    form.choose(7);
    EXPECT_EQ(form.labelEdit->maxLength(), 126);
}

TEST(FormatDialog, ClusterListsForLinuxFileSystems)
{
    Form form(200000);
    for (int code : {49, 50}) {
        form.choose(code);
        EXPECT_EQ(Texts(form.clusters), (std::vector<QString>{"Default", "1 KB", "2 KB", "4 KB"}));
        EXPECT_EQ(Data(form.clusters), (std::vector<int>{0, 2, 4, 8}));
    }
    form.choose(51);
    EXPECT_EQ(Data(form.clusters), (std::vector<int>{0}));
    EXPECT_EQ(form.clusters->currentText(), QStringLiteral("Default"));
}

TEST(FormatDialog, NtfsClustersStartAtTheSmallestTheBitmapAllows)
{
    Form small(20000);
    EXPECT_EQ(Texts(small.clusters), (std::vector<QString>{"Default", "512 Bytes", "1 KB", "2 KB", "4 KB", "8 KB",
                                                            "16 KB", "32 KB", "64 KB"}));
    EXPECT_EQ(Data(small.clusters), (std::vector<int>{0, 1, 2, 4, 8, 16, 32, 64, 128}));

    // Beyond 0x7FFFFFF bitmap bytes of one-sector clusters, two sectors is the least.
    Form huge(0x7FFFFFFLL * 8 + 8);
    EXPECT_EQ(Data(huge.clusters), (std::vector<int>{0, 2, 4, 8, 16, 32, 64, 128}));
    Form edge(0x7FFFFFFLL * 8);
    EXPECT_EQ(edge.clusters->itemData(1).toInt(), 1);
}

TEST(FormatDialog, FatClustersKeepTheClusterCountInTheTypesRange)
{
    // 20000 sectors of FAT12: below 8 sectors a cluster there would be more than 4084 clusters.
    Form fat12(20000);
    fat12.choose(1);
    EXPECT_EQ(Data(fat12.clusters), (std::vector<int>{0, 8, 16, 32, 64, 128}));

    // 100 MiB of FAT16: 4 to 32 sectors keep 4087 to 65524 clusters.
    Form fat16(204800);
    fat16.choose(6);
    EXPECT_EQ(Texts(fat16.clusters), (std::vector<QString>{"Default", "2 KB", "4 KB", "8 KB", "16 KB"}));

    // 1 GiB of FAT32: the default (8) is the smallest offered; 32 would leave too few clusters.
    Form fat32(2097152);
    fat32.choose(11);
    EXPECT_EQ(Data(fat32.clusters), (std::vector<int>{0, 8, 16}));

    // The smallest FAT32 volume fits one-sector clusters only.
    Form least(68583);
    least.choose(11);
    EXPECT_EQ(Texts(least.clusters), (std::vector<QString>{"Default", "512 Bytes"}));
}

TEST(FormatDialog, OkHandsBackTheChosenCodeLabelAndCluster)
{
    struct Choice {
        int code;
        int clusterIndex;
        int expectedCluster;
    };
    for (const Choice& c : {Choice{6, 0, 0}, Choice{6, 1, 16}, Choice{6, 3, 64}, Choice{11, 1, 4}, Choice{7, 2, 2}, Choice{50, 3, 8}}) {
        SCOPED_TRACE(c.code);
        Form form(1000000, QStringLiteral("OLD"));
        form.choose(c.code);
        form.labelEdit->setText(QStringLiteral("NEW"));
        form.clusters->setCurrentIndex(c.clusterIndex);
        form.ok->click();
        EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
        EXPECT_EQ(form.dialog.FileSystemType(), c.code);
        EXPECT_EQ(form.dialog.Label(), QStringLiteral("NEW"));
        EXPECT_EQ(form.dialog.ClusterSize(), c.expectedCluster);
    }
}

TEST(FormatDialog, SwapIsHandedBackWithoutALabel)
{
    Form form(200000, QStringLiteral("DATA"));
    form.choose(51);
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.FileSystemType(), 51);
    EXPECT_TRUE(form.dialog.Label().isEmpty());
    EXPECT_EQ(form.dialog.ClusterSize(), 0);
}

TEST(FormatDialog, RefusedLabelCharacterKeepsTheDialogOpen)
{
    for (const char* label : {"A:B", "WHAT?", "A|B", "A\\B", "A/B", "A>B", "A<B", "A\"B", "A*B"}) {
        SCOPED_TRACE(label);
        Form form(200000);
        form.dialog.show();
        form.labelEdit->setText(QString::fromLatin1(label));
        MessageBoxAnswer answer({QStringLiteral("OK")});
        form.ok->click();
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.Last().title, QStringLiteral("Error"));
        EXPECT_EQ(answer.Last().icon, QMessageBox::Critical);
        EXPECT_EQ(answer.Last().text, VolumeLabelRule::InvalidLabelMessage());
        EXPECT_TRUE(form.dialog.isVisible());
        EXPECT_NE(form.dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(form.dialog.Label().isEmpty());

        // Corrected, the same dialog accepts.
        form.labelEdit->setText(QStringLiteral("AB"));
        form.ok->click();
        EXPECT_EQ(answer.Count(), 1u);
        EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(form.dialog.isVisible());
    }
}

TEST(FormatDialog, CancelRejects)
{
    Form form(200000);
    form.dialog.show();
    form.cancel->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}
