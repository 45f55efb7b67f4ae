// The Create partition dialog: the form, what it offers for an area (file systems, kinds, drive
// letters, cluster sizes), how the file system shapes the other boxes, the label rule, the spin boxes
// and the resize control in step, and the results after OK.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "MessageBoxAnswer.h"
#include "ResizeCtrlMouse.h"
#include "gui/dialogs/KCreatePartitionDlg.h"
#include "gui/dialogs/KPartitionResizeCtrl.h"
#include "core/FileSystemTypes.h"
#include "model/KDriveLetterPool.h"

using namespace ResizeCtrlMouse;

namespace {

constexpr qint64 kMB = 2048;
constexpr int kCylinder = 16065;
constexpr qint64 kArea = 4096 * kMB;
constexpr uint32_t kAllLetters = (1u << 26) - 1;

uint32_t LetterBit(char letter)
{
    return 1u << (letter - 'A');
}

struct Form {
    explicit Form(QWidget& dialog)
        : control(dialog.findChild<KPartitionResizeCtrl*>(QStringLiteral("partitionResizeCtrl"))),
          label(dialog.findChild<QLineEdit*>(QStringLiteral("labelEdit"))),
          kind(dialog.findChild<QComboBox*>(QStringLiteral("comboBox"))),
          letter(dialog.findChild<QComboBox*>(QStringLiteral("comboBox_2"))),
          fileSystem(dialog.findChild<QComboBox*>(QStringLiteral("comboBox_3"))),
          cluster(dialog.findChild<QComboBox*>(QStringLiteral("comboBox_4"))),
          before(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox"))),
          size(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox_2"))),
          after(dialog.findChild<QDoubleSpinBox*>(QStringLiteral("doubleSpinBox_3"))),
          ok(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))),
          cancel(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton")))
    {
    }
    bool Complete() const
    {
        return control && label && kind && letter && fileSystem && cluster && before && size && after && ok && cancel;
    }
    void Choose(int fsType) { fileSystem->setCurrentIndex(fileSystem->findData(fsType)); }

    KPartitionResizeCtrl* control;
    QLineEdit* label;
    QComboBox* kind;
    QComboBox* letter;
    QComboBox* fileSystem;
    QComboBox* cluster;
    QDoubleSpinBox* before;
    QDoubleSpinBox* size;
    QDoubleSpinBox* after;
    QPushButton* ok;
    QPushButton* cancel;
};

QStringList Texts(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

std::vector<int> Codes(const QComboBox* box)
{
    std::vector<int> codes;
    for (int i = 0; i < box->count(); ++i)
        codes.push_back(box->itemData(i).toInt());
    return codes;
}

double Shown(qint64 sectors)
{
    return std::round(double(sectors) / double(kMB) * 100.0) / 100.0;
}

// Each test sees C and D taken and puts the program-wide pool back afterwards.
class CreatePartitionDlg : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedFree = KDriveLetterPool::FreeMask();
        KDriveLetterPool::Reset(LetterBit('C') | LetterBit('D'));
    }
    void TearDown() override { KDriveLetterPool::Reset(~m_savedFree & kAllLetters); }

private:
    uint32_t m_savedFree = 0;
};

} // namespace

// --- The form ---

TEST_F(CreatePartitionDlg, HasTheNamedWidgetsTextsAndAFixedSize)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    ASSERT_TRUE(form.Complete());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create New Partition"));
    EXPECT_EQ(dialog.minimumSize(), QSize(516, 414));
    EXPECT_EQ(dialog.maximumSize(), QSize(516, 414));
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
    auto* group = dialog.findChild<QWidget*>(QStringLiteral("groupBox_2"));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->property("title").toString(), QStringLiteral("Size And Location"));

    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : {"Please specify the size and the location for the new partition.", "Partition Label:",
                             "Create As:", "Drive Letter:", "File System:", "Cluster Size:",
                             "Unallocated Space Before:", "Partition Size:", "Unallocated Space After:"})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
    EXPECT_EQ(texts.count(QStringLiteral("MB")), 3);
    for (QDoubleSpinBox* box : {form.before, form.size, form.after}) {
        EXPECT_EQ(box->decimals(), 2);
        EXPECT_DOUBLE_EQ(box->singleStep(), double(kCylinder) / double(kMB));
    }
}

TEST_F(CreatePartitionDlg, OpensWithTheWholeAreaAsNtfs)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    EXPECT_EQ(form.fileSystem->currentText(), QStringLiteral("NTFS"));
    EXPECT_EQ(form.control->GetFileSystemType(), kFsNtfs);
    EXPECT_EQ(form.control->GetStart(), 0);
    EXPECT_EQ(form.control->GetSize(), kArea);
    EXPECT_EQ(form.control->GetTotal(), kArea);
    EXPECT_EQ(form.control->GetMinimumSize(), kCylinder);
    EXPECT_DOUBLE_EQ(form.size->value(), 4096.0);
    EXPECT_DOUBLE_EQ(form.before->value(), 0.0);
    EXPECT_DOUBLE_EQ(form.after->value(), 0.0);
    EXPECT_DOUBLE_EQ(form.size->minimum(), Shown(kCylinder));
    EXPECT_DOUBLE_EQ(form.size->maximum(), 4096.0);
    EXPECT_EQ(form.label->maxLength(), 126);
    EXPECT_TRUE(form.label->isEnabled());
    EXPECT_EQ(form.cluster->currentText(), QStringLiteral("Default"));
}

// --- What the area offers ---

TEST_F(CreatePartitionDlg, FileSystemsOfferedBySize)
{
    const std::vector<int> all{kFsFat16, kFsFat32, kFsNtfs, kFsExt2, kFsExt3, kFsLinuxSwap, kFsNone};
    {
        KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
        Form form(dialog);
        EXPECT_EQ(Codes(form.fileSystem), all);
        EXPECT_EQ(Texts(form.fileSystem), (QStringList{"FAT", "FAT32", "NTFS", "Ext2", "Ext3", "Linux Swap",
                                                       "Unformatted"}));
    }
    {
        KCreatePartitionDlg dialog(68582, kCylinder, false, false);
        EXPECT_EQ(Codes(Form(dialog).fileSystem),
                  (std::vector<int>{kFsFat16, kFsNtfs, kFsExt2, kFsExt3, kFsLinuxSwap, kFsNone}));
    }
    {
        KCreatePartitionDlg dialog(68583, kCylinder, false, false);
        EXPECT_EQ(Codes(Form(dialog).fileSystem), all);
    }
    {
        KCreatePartitionDlg dialog(14335, 1024, false, false);
        EXPECT_EQ(Codes(Form(dialog).fileSystem), (std::vector<int>{kFsFat16, kFsNtfs, kFsNone}));
    }
    {
        KCreatePartitionDlg dialog(14336, 1024, false, false);
        EXPECT_EQ(Codes(Form(dialog).fileSystem),
                  (std::vector<int>{kFsFat16, kFsNtfs, kFsExt2, kFsExt3, kFsLinuxSwap, kFsNone}));
    }
    {
        KCreatePartitionDlg dialog(10000, kCylinder, false, false); // smaller than a cylinder: no FAT
        EXPECT_EQ(Codes(Form(dialog).fileSystem), (std::vector<int>{kFsNtfs, kFsNone}));
    }
}

TEST_F(CreatePartitionDlg, CreateAsFollowsWhatTheAreaAllows)
{
    {
        KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
        Form form(dialog);
        EXPECT_EQ(Texts(form.kind), (QStringList{"Primary", "Logical"}));
        EXPECT_EQ(form.kind->currentText(), QStringLiteral("Logical"));
        EXPECT_TRUE(form.kind->isEnabled());
    }
    {
        KCreatePartitionDlg dialog(kArea, kCylinder, true, false);
        Form form(dialog);
        EXPECT_EQ(form.kind->currentText(), QStringLiteral("Primary"));
        EXPECT_FALSE(form.kind->isEnabled());
    }
    {
        KCreatePartitionDlg dialog(kArea, kCylinder, false, true);
        Form form(dialog);
        EXPECT_EQ(form.kind->currentText(), QStringLiteral("Logical"));
        EXPECT_FALSE(form.kind->isEnabled());
    }
}

TEST_F(CreatePartitionDlg, DriveLettersAreTheFreeOnesAfterNone)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    ASSERT_EQ(form.letter->count(), 1 + 22);
    EXPECT_EQ(form.letter->itemText(0), QStringLiteral("None"));
    EXPECT_EQ(form.letter->itemData(0).toInt(), 0);
    EXPECT_EQ(form.letter->itemText(1), QStringLiteral("E:"));
    EXPECT_EQ(form.letter->itemText(22), QStringLiteral("Z:"));
    EXPECT_EQ(form.letter->currentIndex(), 1);
    EXPECT_EQ(form.letter->currentData().toInt(), int('E'));
}

TEST_F(CreatePartitionDlg, NoFreeLetterLeavesOnlyNone)
{
    KDriveLetterPool::Reset(kAllLetters);
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    EXPECT_EQ(Texts(form.letter), QStringList{"None"});
    EXPECT_EQ(form.letter->currentIndex(), 0);
    form.ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetDriveLetter(), 0);
}

// --- The file system shapes the other boxes ---

TEST_F(CreatePartitionDlg, SwapTakesNoLabelAndNoLetter)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.label->setText(QStringLiteral("DATA"));
    form.Choose(kFsLinuxSwap);
    EXPECT_TRUE(form.label->text().isEmpty());
    EXPECT_FALSE(form.label->isEnabled());
    EXPECT_EQ(form.letter->currentIndex(), 0);
    EXPECT_FALSE(form.letter->isEnabled());
    EXPECT_TRUE(form.cluster->isEnabled());
    EXPECT_EQ(Texts(form.cluster), QStringList{"Default"});
    EXPECT_EQ(form.control->GetMaximumSize(), 134217728);
    EXPECT_EQ(form.control->GetFileSystemType(), kFsLinuxSwap);
}

TEST_F(CreatePartitionDlg, UnformattedTakesNoClusterSizeEither)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.Choose(kFsNone);
    EXPECT_FALSE(form.cluster->isEnabled());
    EXPECT_EQ(Texts(form.cluster), QStringList{"None"});
    EXPECT_FALSE(form.label->isEnabled());
    EXPECT_FALSE(form.letter->isEnabled());

    form.Choose(kFsNtfs); // everything comes back
    EXPECT_TRUE(form.cluster->isEnabled());
    EXPECT_TRUE(form.label->isEnabled());
    EXPECT_TRUE(form.letter->isEnabled());
    EXPECT_EQ(form.letter->currentText(), QStringLiteral("E:"));
}

TEST_F(CreatePartitionDlg, ExtTakesALabelButNoLetter)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.Choose(kFsExt2);
    EXPECT_TRUE(form.label->isEnabled());
    EXPECT_EQ(form.label->maxLength(), 14);
    EXPECT_FALSE(form.letter->isEnabled());
    EXPECT_EQ(form.letter->currentIndex(), 0);
    EXPECT_EQ(Texts(form.cluster), (QStringList{"Default", "1 KB", "2 KB", "4 KB"}));
    EXPECT_EQ(form.control->GetMinimumSize(), kCylinder);
}

TEST_F(CreatePartitionDlg, LabelLengthFollowsTheFileSystem)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.Choose(kFsFat32);
    EXPECT_EQ(form.label->maxLength(), 11);
    form.Choose(kFsNtfs);
    EXPECT_EQ(form.label->maxLength(), 126);
    form.Choose(kFsExt3);
    EXPECT_EQ(form.label->maxLength(), 14);
    form.Choose(kFsFat16);
    EXPECT_EQ(form.label->maxLength(), 11);
}

TEST_F(CreatePartitionDlg, FileSystemLimitsClampThePartition)
{
    KCreatePartitionDlg dialog(8192 * kMB, kCylinder, false, false);
    Form form(dialog);
    form.Choose(kFsFat16);
    EXPECT_EQ(form.control->GetSize(), 8386560);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(8386560));
    EXPECT_DOUBLE_EQ(form.after->value(), Shown(8192 * kMB - 8386560));
    EXPECT_DOUBLE_EQ(form.after->maximum(), Shown(8192 * kMB - kCylinder)); // room left by the smallest FAT

    form.size->setValue(10.0);
    form.Choose(kFsFat32); // at least 68583 sectors
    EXPECT_EQ(form.control->GetMinimumSize(), 68583);
    EXPECT_EQ(form.control->GetSize(), 68583);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(68583));
    EXPECT_DOUBLE_EQ(form.size->minimum(), Shown(68583));
}

// --- Cluster sizes ---

TEST_F(CreatePartitionDlg, ClusterChoicesPerFileSystem)
{
    using Choices = std::vector<int>;
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsNtfs, kArea), (Choices{0, 1, 2, 4, 8, 16, 32, 64, 128}));
    // FAT32 of 1 GB: from its default (4 KB) to where the cluster count would fall below FAT32's.
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsFat32, 1024 * kMB), (Choices{0, 8, 16}));
    // FAT of 10 MB is FAT12: at least 4 KB to stay within 4084 clusters.
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsFat16, 10 * kMB), (Choices{0, 8, 16, 32, 64, 128}));
    // FAT of 50 MB is FAT16: 1 KB to 8 KB.
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsFat16, 50 * kMB), (Choices{0, 2, 4, 8, 16}));
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsExt3, kArea), (Choices{0, 2, 4, 8}));
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsLinuxSwap, kArea), (Choices{0}));
    EXPECT_EQ(KCreatePartitionDlg::ClusterSizeChoices(kFsNone, kArea), (Choices{0}));
}

TEST_F(CreatePartitionDlg, ClusterListTextsAndRefillOnResize)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    EXPECT_EQ(Texts(form.cluster), (QStringList{"Default", "512 Bytes", "1 KB", "2 KB", "4 KB", "8 KB", "16 KB",
                                                "32 KB", "64 KB"}));
    form.Choose(kFsFat16);
    form.size->setValue(10.0);
    EXPECT_EQ(Texts(form.cluster), (QStringList{"Default", "4 KB", "8 KB", "16 KB", "32 KB", "64 KB"}));
    form.cluster->setCurrentIndex(2); // 8 KB
    form.size->setValue(50.0);
    EXPECT_EQ(Texts(form.cluster), (QStringList{"Default", "1 KB", "2 KB", "4 KB", "8 KB"}));
    EXPECT_EQ(form.cluster->currentText(), QStringLiteral("8 KB")); // still offered, so still chosen
    form.size->setValue(10.0);
    form.cluster->setCurrentText(QStringLiteral("64 KB"));
    form.size->setValue(50.0);
    EXPECT_EQ(form.cluster->currentText(), QStringLiteral("Default")); // no longer offered
    form.cluster->setCurrentIndex(1);
    form.Choose(kFsNtfs);
    EXPECT_EQ(form.cluster->currentText(), QStringLiteral("Default")); // a new file system starts over
}

// --- Boxes and control in step ---

TEST_F(CreatePartitionDlg, SpinBoxesPlaceThePartition)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.size->setValue(1024.0);
    EXPECT_EQ(form.control->GetSize(), 1024 * kMB);
    EXPECT_EQ(form.control->GetStart(), 0);
    EXPECT_DOUBLE_EQ(form.after->value(), 3072.0);
    EXPECT_DOUBLE_EQ(form.before->maximum(), 3072.0);

    form.before->setValue(1000.0);
    EXPECT_EQ(form.control->GetStart(), 1000 * kMB);
    EXPECT_DOUBLE_EQ(form.after->value(), 2072.0);
    EXPECT_DOUBLE_EQ(form.size->value(), 1024.0);

    form.after->setValue(72.0);
    EXPECT_EQ(form.control->GetStart(), 3000 * kMB);
    EXPECT_DOUBLE_EQ(form.before->value(), 3000.0);
    EXPECT_DOUBLE_EQ(form.size->value(), 1024.0);

    form.size->setValue(2048.0); // does not fit after 3000 MB: the control moves it back
    EXPECT_EQ(form.control->GetStart(), 2048 * kMB);
    EXPECT_DOUBLE_EQ(form.before->value(), 2048.0);
    EXPECT_DOUBLE_EQ(form.after->value(), 0.0);
}

TEST_F(CreatePartitionDlg, DraggingTheControlUpdatesTheBoxes)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    dialog.show();
    Form form(dialog);
    form.Choose(kFsFat16);
    form.size->setValue(1024.0);
    const int centre = form.control->BlockLeft() + 8 + form.control->BlockWidth() / 2;
    Drag(form.control, centre, centre + 50);
    EXPECT_GT(form.control->GetStart(), 0);
    EXPECT_DOUBLE_EQ(form.before->value(), Shown(form.control->GetStart()));
    EXPECT_DOUBLE_EQ(form.after->value(), Shown(kArea - form.control->GetStart() - form.control->GetSize()));

    const int right = form.control->BlockLeft() + form.control->BlockWidth() + 8 + 3;
    Drag(form.control, right, right - 100);
    EXPECT_LT(form.control->GetSize(), 1024 * kMB);
    EXPECT_DOUBLE_EQ(form.size->value(), Shown(form.control->GetSize()));
    EXPECT_EQ(Codes(form.cluster).front(), 0);
    EXPECT_EQ(Codes(form.cluster), KCreatePartitionDlg::ClusterSizeChoices(kFsFat16, form.control->GetSize()));
}

// --- Label rule ---

TEST_F(CreatePartitionDlg, EveryRefusedCharacterKeepsTheDialogOpen)
{
    const QString message = QStringLiteral(
        "Label contains invalid symbol.\n\nFollowing symbols are invalid:\n* ? | \\ / > < \"");
    for (const QChar c : QStringLiteral(":*?|\\/><\"")) {
        KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
        dialog.show();
        Form form(dialog);
        form.label->setText(QStringLiteral("AB") + c + QStringLiteral("C"));
        MessageBoxAnswer answer({QStringLiteral("OK")});
        form.ok->click();
        ASSERT_EQ(answer.Count(), 1u) << QString(c).toStdString();
        const MessageBoxAnswer::Box box = answer.Last();
        EXPECT_EQ(box.title, QStringLiteral("Error"));
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.buttons, QStringList{"OK"});
        EXPECT_TRUE(dialog.isVisible()) << QString(c).toStdString();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
}

TEST_F(CreatePartitionDlg, CleanLabelIsAcceptedWithoutAMessage)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    dialog.show();
    Form form(dialog);
    form.label->setText(QStringLiteral("My Data-1.0"));
    MessageBoxAnswer answer(QStringList{});
    form.ok->click();
    EXPECT_EQ(answer.Count(), 0u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.GetLabel(), QStringLiteral("My Data-1.0"));
}

// --- Results ---

TEST_F(CreatePartitionDlg, SmallFatIsFat12AndLargerFat16)
{
    for (const auto& [megabytes, code] : {std::pair{10.0, int(kFsFat12)}, std::pair{50.0, int(kFsFat16)}}) {
        KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
        Form form(dialog);
        form.Choose(kFsFat16);
        form.size->setValue(megabytes);
        form.ok->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.GetFileSystemType(), code) << megabytes;
        EXPECT_EQ(dialog.GetSize(), qint64(megabytes * kMB));
    }
}

TEST_F(CreatePartitionDlg, OkHandsBackEveryChoice)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    Form form(dialog);
    form.kind->setCurrentIndex(0);
    form.Choose(kFsFat32);
    form.label->setText(QStringLiteral("BACKUP"));
    form.letter->setCurrentText(QStringLiteral("K:"));
    form.size->setValue(1024.0);
    form.before->setValue(512.0);
    form.cluster->setCurrentText(QStringLiteral("8 KB"));
    form.ok->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.IsPrimary());
    EXPECT_EQ(dialog.GetLabel(), QStringLiteral("BACKUP"));
    EXPECT_EQ(dialog.GetFileSystemType(), kFsFat32);
    EXPECT_EQ(dialog.GetDriveLetter(), 'K');
    EXPECT_EQ(dialog.GetClusterSize(), 16);
    EXPECT_EQ(dialog.GetStart(), 512 * kMB);
    EXPECT_EQ(dialog.GetSize(), 1024 * kMB);
}

TEST_F(CreatePartitionDlg, LogicalLinuxPartitionWithDefaults)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, true);
    Form form(dialog);
    form.Choose(kFsExt3);
    form.ok->click();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.IsPrimary());
    EXPECT_EQ(dialog.GetFileSystemType(), kFsExt3);
    EXPECT_EQ(dialog.GetDriveLetter(), 0);
    EXPECT_EQ(dialog.GetClusterSize(), 0);
    EXPECT_EQ(dialog.GetStart(), 0);
    EXPECT_EQ(dialog.GetSize(), kArea);
}

TEST_F(CreatePartitionDlg, CancelRejects)
{
    KCreatePartitionDlg dialog(kArea, kCylinder, false, false);
    dialog.show();
    Form form(dialog);
    form.cancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}
