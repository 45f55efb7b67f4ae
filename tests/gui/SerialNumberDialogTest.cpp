// The serial-number dialog: the hexadecimal field, its parsing and when Yes changes anything.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "gui/dialogs/QChangePartitionSerialNumberDlg.h"

using namespace DialogProbe;

namespace {

struct SerialForm {
    explicit SerialForm(quint64 serial, const QString& name = QStringLiteral("E: ( Disk 1 Partition 2 )"))
        : dialog(serial, name)
    {
        edit = Child<QLineEdit>(dialog, "lineEdit");
        yes = Child<QPushButton>(dialog, "yesButton");
        no = Child<QPushButton>(dialog, "noButton");
        dialog.show();
        QApplication::processEvents();
    }
    QChangePartitionSerialNumberDlg dialog;
    QLineEdit* edit;
    QPushButton* yes;
    QPushButton* no;
};

} // namespace

TEST(SerialNumberDialog, FormShowsTheQuestionAndTheSerialInLowerCase)
{
    SerialForm form(0x00000000ABCDEF12ULL);
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Change Partition Serial Number"));
    EXPECT_EQ(form.dialog.size(), QSize(521, 193));
    EXPECT_NE(form.dialog.minimumSize(), form.dialog.maximumSize()) << "this one may be resized";
    EXPECT_EQ(form.yes->text(), QStringLiteral("&Yes"));
    EXPECT_EQ(form.no->text(), QStringLiteral("&No"));
    EXPECT_EQ(form.edit->text(), QStringLiteral("abcdef12"));
    EXPECT_EQ(form.edit->selectedText().trimmed(), QStringLiteral("abcdef12"));
    // Sixteen hexadecimal places, blank where empty.
    EXPECT_EQ(form.edit->inputMask(), QStringLiteral("HHHHHHHHHHHHHHHH"));
    EXPECT_EQ(form.edit->displayText(), QStringLiteral("abcdef12        "));
    EXPECT_EQ(form.edit->maxLength(), 16);
    QStringList texts;
    for (QLabel* label : form.dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "<B>Are you sure you want to change serial number of partition \"E: ( Disk 1 Partition 2 )\"?</B>")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Your computer may no longer boot or work correctly.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Please enter new serial number in hexadecimal format:")));
}

TEST(SerialNumberDialog, NameIsShownAsTextNotMarkup)
{
    SerialForm form(1, QStringLiteral("<i>odd</i>"));
    auto* question = Child<QLabel>(form.dialog, "questionLabel");
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->text().contains(QStringLiteral("&lt;i&gt;odd&lt;/i&gt;")));
}

TEST(SerialNumberDialog, ParsesHexadecimalText)
{
    using D = QChangePartitionSerialNumberDlg;
    EXPECT_EQ(D::ParseSerialNumber(QStringLiteral("1a2B")), 0x1a2bULL);
    EXPECT_EQ(D::ParseSerialNumber(QStringLiteral("0000000000000010")), 16ULL);
    EXPECT_EQ(D::ParseSerialNumber(QStringLiteral("ffffffffffffffff")), std::numeric_limits<quint64>::max());
    EXPECT_EQ(D::ParseSerialNumber(QStringLiteral("8000000000000000")), 0x8000000000000000ULL);
    EXPECT_EQ(D::ParseSerialNumber(QStringLiteral("12 ")), 0x12ULL);
    for (const char* bad : {"", "   ", "xyz", "1g"})
        EXPECT_EQ(D::ParseSerialNumber(QString::fromLatin1(bad)), 0ULL) << bad;
}

TEST(SerialNumberDialog, TheFieldTakesSixteenHexadecimalDigitsOnly)
{
    SerialForm form(0x1234);
    form.edit->selectAll();
    Key(form.edit, Qt::Key_Delete);
    form.edit->setCursorPosition(0);
    Type(form.edit, QStringLiteral("x9zA-b"));
    EXPECT_EQ(form.edit->text(), QStringLiteral("9Ab"));
    Type(form.edit, QStringLiteral("0123456789abcdef"));
    EXPECT_EQ(form.edit->text().size(), 16);
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.SerialNumber(), 0x9ab0123456789abcULL);
}

TEST(SerialNumberDialog, UnchangedNumberClosesAsCancelled)
{
    SerialForm form(0xabcd);
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());

    // The same number written differently is no change either.
    SerialForm padded(0xabcd);
    padded.edit->setText(QStringLiteral("0000ABCD"));
    padded.yes->click();
    EXPECT_EQ(padded.dialog.result(), QDialog::Rejected);
}

TEST(SerialNumberDialog, NewNumberIsHandedBack)
{
    SerialForm form(0xabcd);
    form.edit->setText(QStringLiteral("DEADBEEFCAFEF00D"));
    form.yes->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.SerialNumber(), 0xdeadbeefcafef00dULL);
}

TEST(SerialNumberDialog, EmptyFieldReadsAsZero)
{
    SerialForm nonZero(0x77);
    nonZero.edit->clear();
    nonZero.yes->click();
    EXPECT_EQ(nonZero.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(nonZero.dialog.SerialNumber(), 0ULL);

    SerialForm zero(0);
    EXPECT_EQ(zero.edit->text(), QStringLiteral("0"));
    zero.edit->clear();
    zero.yes->click();
    EXPECT_EQ(zero.dialog.result(), QDialog::Rejected);
}

TEST(SerialNumberDialog, NoRejects)
{
    SerialForm form(0x10);
    form.edit->setText(QStringLiteral("20"));
    form.no->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}
