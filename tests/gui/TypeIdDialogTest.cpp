// The type-id dialog, its table of known ids and the hexadecimal spin box.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <set>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "MessageBoxAnswer.h"
#include "gui/dialogs/KChangePartitionTypeID.h"
#include "gui/dialogs/KHexSpinBox.h"
#include "gui/dialogs/PartitionTypeIds.h"

using namespace DialogProbe;

namespace {

const QString kSeparator = QString(35, QLatin1Char('-'));

struct HexProbe : KHexSpinBox {
    using KHexSpinBox::textFromValue;
    using KHexSpinBox::valueFromText;
};

struct TypeIdForm {
    TypeIdForm(int id, const QString& name = QStringLiteral("Disk 1 Partition 3")) : dialog(name, id)
    {
        list = Child<QComboBox>(dialog, "comboBox");
        spin = Child<KHexSpinBox>(dialog, "spinBox");
        listOption = Child<QRadioButton>(dialog, "radioButton");
        manualOption = Child<QRadioButton>(dialog, "radioButton_2");
        yes = Child<QPushButton>(dialog, "yesButton");
        no = Child<QPushButton>(dialog, "noButton");
        dialog.show();
    }
    QString note() const { return Child<QLabel>(const_cast<KChangePartitionTypeID&>(dialog), "noteLabel")->text(); }
    KChangePartitionTypeID dialog;
    QComboBox* list;
    KHexSpinBox* spin;
    QRadioButton* listOption;
    QRadioButton* manualOption;
    QPushButton* yes;
    QPushButton* no;
};

} // namespace

TEST(PartitionTypeIdTable, MostUsedIdsThenSeparatorThenAscendingList)
{
    const QStringList& rows = PartitionTypeIds::Rows();
    ASSERT_EQ(rows.size(), 110);
    EXPECT_EQ(rows.mid(0, 7), (QStringList{"0x07 NTFS", "0x0B FAT32", "0x0C FAT32 LBA", "0x01 FAT12",
                                           "0x04 FAT16, less than 32 MB.", "0x06 FAT16, greater than 32 MB.",
                                           "0x0E FAT16 LBA"}));
    EXPECT_EQ(rows[7], kSeparator);
    const QRegularExpression form(QStringLiteral("^0x[0-9A-F]{2} \\S.*$"));
    int previous = 0;
    for (qsizetype i = 8; i < rows.size(); ++i) {
        EXPECT_TRUE(form.match(rows[i]).hasMatch()) << rows[i].toStdString();
        const int id = PartitionTypeIds::RowTypeId(rows[i]);
        EXPECT_GT(id, previous) << rows[i].toStdString();
        previous = id;
    }
    EXPECT_EQ(rows[8], QStringLiteral("0x01 FAT12"));
    EXPECT_EQ(rows.last(), QStringLiteral("0xFF XENIX Bad Block Table"));
    // Every quick pick is also in the full list.
    for (qsizetype i = 0; i < 7; ++i)
        EXPECT_TRUE(rows.mid(8).contains(rows[i])) << rows[i].toStdString();
}

TEST(PartitionTypeIdTable, KnownRowsInTheFullList)
{
    const QStringList full = PartitionTypeIds::Rows().mid(8);
    for (const char* row : {"0x05 Extended", "0x0F Extended LBA", "0x17 Hidden NTFS", "0x42 Dynamic Volume",
                            "0x63 Unix System V (SCO, ISC Unix, UnixWare)", "0x82 Linux swap", "0x83 Linux Native",
                            "0x8E Linux LVM", "0xA5 FreeBSD", "0xB7 NetBSD", "0xC6 DR DOS, greater than 32 MB.",
                            "0xEE EFI GPT", "0xEF EFI System partition", "0xFD Linux raid auto"})
        EXPECT_TRUE(full.contains(QLatin1String(row))) << row;
    for (int unknown : {0x00, 0x0D, 0x27, 0x99, 0xFC})
        EXPECT_EQ(PartitionTypeIds::RowOf(unknown), -1) << unknown;
    std::set<int> ids;
    for (const QString& row : full)
        ids.insert(PartitionTypeIds::RowTypeId(row));
    EXPECT_EQ(ids.size(), size_t(full.size())) << "no id twice in the full list";
}

TEST(PartitionTypeIdTable, RowIdsAndDescriptions)
{
    EXPECT_EQ(PartitionTypeIds::RowTypeId(kSeparator), -1);
    EXPECT_EQ(PartitionTypeIds::RowTypeId(QString()), -1);
    EXPECT_EQ(PartitionTypeIds::RowTypeId(QStringLiteral("0xA9 NetBSD")), 0xA9);

    EXPECT_EQ(PartitionTypeIds::RowOf(0x0C), 2);
    EXPECT_EQ(PartitionTypeIds::RowOf(0x05), 12);
    EXPECT_EQ(PartitionTypeIds::Description(0x0C), QStringLiteral("0x0C FAT32 LBA"));
    EXPECT_EQ(PartitionTypeIds::Description(0x07), QStringLiteral("0x07 NTFS"));
    EXPECT_EQ(PartitionTypeIds::Description(0x99), QStringLiteral("0x99"));
    EXPECT_EQ(PartitionTypeIds::Description(0x0D), QStringLiteral("0xd"));
    EXPECT_EQ(PartitionTypeIds::Description(0xAB), QStringLiteral("0xAB Darwin boot"));
    EXPECT_EQ(PartitionTypeIds::Description(0x1AB), QStringLiteral("0x1ab"));
}

TEST(HexSpinBox, ShowsLowerCaseHexWithoutPadding)
{
    HexProbe spin;
    EXPECT_EQ(spin.textFromValue(0x0c), QStringLiteral("c"));
    EXPECT_EQ(spin.textFromValue(0xff), QStringLiteral("ff"));
    EXPECT_EQ(spin.textFromValue(0x100), QStringLiteral("100"));
    spin.setRange(1, 255);
    spin.setPrefix(QStringLiteral("0x"));
    spin.setValue(0xAB);
    EXPECT_EQ(spin.text(), QStringLiteral("0xab"));
    EXPECT_EQ(spin.cleanText(), QStringLiteral("ab"));
}

TEST(HexSpinBox, ReadsHexAndZeroForGarbage)
{
    HexProbe spin;
    spin.setPrefix(QStringLiteral("0x"));
    EXPECT_EQ(spin.valueFromText(QStringLiteral("1F")), 31);
    EXPECT_EQ(spin.valueFromText(QStringLiteral("1f")), 31);
    EXPECT_EQ(spin.valueFromText(QStringLiteral("0x99")), 0x99);
    EXPECT_EQ(spin.valueFromText(QStringLiteral("10")), 16);
    EXPECT_EQ(spin.valueFromText(QStringLiteral("zz")), 0);
    EXPECT_EQ(spin.valueFromText(QString()), 0);
}

TEST(HexSpinBox, TypedDigitsAreHexadecimal)
{
    KHexSpinBox spin;
    spin.setRange(1, 255);
    spin.setPrefix(QStringLiteral("0x"));
    spin.setValue(1);
    spin.show();
    for (auto [typed, value] : {std::pair{"99", 0x99}, {"fe", 0xfe}, {"A", 0xa}, {"10", 0x10}}) {
        spin.selectAll();
        Type(&spin, QString::fromLatin1(typed));
        spin.interpretText();
        EXPECT_EQ(spin.value(), value) << typed;
    }
    // Beyond the range the box refuses the digit.
    spin.selectAll();
    Type(&spin, QStringLiteral("100"));
    spin.interpretText();
    EXPECT_EQ(spin.value(), 0x10);
}

TEST(TypeIdDialog, FormOpensOnTheListAtTheCurrentId)
{
    TypeIdForm form(0x0C, QStringLiteral("G: ( Disk 1 Partition 3 )"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Change Partition Type ID"));
    EXPECT_EQ(form.dialog.size(), QSize(464, 315));
    EXPECT_NE(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(Child<QLabel>(form.dialog, "questionLabel")->text(),
              QStringLiteral("<B>Are you sure you want to change partition ID of the partition \"G: ( Disk 1 Partition 3 )\"?</B>"));
    EXPECT_EQ(form.note(), QStringLiteral("Current system ID is \"0x0C FAT32 LBA\". Changing partition ID might prevent "
                                          "some operating system from working with the partition."));
    EXPECT_EQ(form.listOption->text(), QStringLiteral("Please select predefined ID from the list:"));
    EXPECT_EQ(form.manualOption->text(), QStringLiteral("Please enter ID manually:"));
    EXPECT_TRUE(form.listOption->isChecked());
    EXPECT_FALSE(form.manualOption->isChecked());
    EXPECT_TRUE(form.list->isEnabled());
    EXPECT_FALSE(form.spin->isEnabled());
    EXPECT_EQ(form.list->count(), 110);
    EXPECT_EQ(form.list->currentIndex(), 2);
    EXPECT_TRUE(form.yes->isEnabled());
    EXPECT_EQ(form.spin->minimum(), 1);
    EXPECT_EQ(form.spin->maximum(), 255);
    EXPECT_EQ(form.spin->prefix(), QStringLiteral("0x"));
    EXPECT_EQ(form.spin->value(), 0x0C);
    EXPECT_EQ(form.spin->text(), QStringLiteral("0xc"));
    EXPECT_EQ(form.yes->text(), QStringLiteral("&Yes"));
    EXPECT_EQ(form.no->text(), QStringLiteral("&No"));
}

TEST(TypeIdDialog, UnknownIdIsDescribedInHexWithNoRowCurrent)
{
    TypeIdForm form(0x99);
    EXPECT_TRUE(form.note().startsWith(QStringLiteral("Current system ID is \"0x99\".")));
    EXPECT_EQ(form.list->currentIndex(), -1);
    EXPECT_FALSE(form.yes->isEnabled());
    EXPECT_EQ(form.spin->text(), QStringLiteral("0x99"));

    // Typed by hand, the unknown id goes through.
    form.manualOption->setChecked(true);
    EXPECT_TRUE(form.yes->isEnabled());
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.PartitionTypeId(), 0x99);
}

TEST(TypeIdDialog, SeparatorDisablesYesUntilTheManualOption)
{
    TypeIdForm form(0x07);
    form.list->setCurrentIndex(7);
    EXPECT_EQ(form.list->currentText(), kSeparator);
    EXPECT_FALSE(form.yes->isEnabled());

    form.manualOption->setChecked(true);
    EXPECT_TRUE(form.yes->isEnabled());
    EXPECT_TRUE(form.spin->isEnabled());
    EXPECT_FALSE(form.list->isEnabled());

    // Back on the list, the separator still names nothing.
    form.listOption->setChecked(true);
    EXPECT_FALSE(form.yes->isEnabled());
    EXPECT_TRUE(form.list->isEnabled());
    EXPECT_FALSE(form.spin->isEnabled());
    form.list->setCurrentIndex(8);
    EXPECT_TRUE(form.yes->isEnabled());
}

TEST(TypeIdDialog, YesWithTheListGivesTheRowsId)
{
    TypeIdForm form(0x07);
    form.list->setCurrentIndex(form.list->findText(QStringLiteral("0x83 Linux Native")));
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.PartitionTypeId(), 0x83);
}

TEST(TypeIdDialog, YesWithTheManualOptionGivesTheTypedId)
{
    TypeIdForm form(0x07);
    form.manualOption->setChecked(true);
    form.spin->selectAll();
    Type(form.spin, QStringLiteral("ef"));
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.PartitionTypeId(), 0xEF);
}

TEST(TypeIdDialog, UnchangedIdIsStillAccepted)
{
    TypeIdForm form(0x0B);
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.PartitionTypeId(), 0x0B);
}

TEST(TypeIdDialog, NoRejects)
{
    TypeIdForm form(0x0B);
    form.list->setCurrentIndex(0);
    form.no->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}

TEST(TypeIdDialog, ExtendedTypesAreRefusedWithAMessage)
{
    for (const QString& typed : {QStringLiteral("5"), QStringLiteral("f"), QStringLiteral("85")}) {
        TypeIdForm form(0x07);
        form.manualOption->setChecked(true);
        form.spin->selectAll();
        Type(form.spin, typed);
        MessageBoxAnswer answer({"OK"});
        form.yes->click();
        ASSERT_EQ(answer.Count(), 1u) << typed.toStdString();
        EXPECT_EQ(answer.Last().title, "Error");
        EXPECT_TRUE(answer.Last().text.contains("extended partition")) << answer.Last().text.toStdString();
        EXPECT_NE(form.dialog.result(), QDialog::Accepted) << "the dialog stays open";
    }
}
