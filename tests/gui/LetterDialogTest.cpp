// The drive-letter dialog over the program-wide pool of free letters.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "gui/dialogs/KChangeLetterDlg.h"
#include "model/KDriveLetterPool.h"

using namespace DialogProbe;

namespace {

constexpr uint32_t Bit(char letter) { return 1u << (letter - 'A'); }
constexpr uint32_t kAllLetters = (1u << 26) - 1;

class LetterDialog : public ::testing::Test {
protected:
    void SetUp() override { m_saved = KDriveLetterPool::FreeMask(); }
    void TearDown() override { KDriveLetterPool::Reset(kAllLetters & ~m_saved); }

    struct Form {
        explicit Form(const QString& current) : dialog(current)
        {
            current_ = Child<QLabel>(dialog, "letterLabel");
            letters = Child<QComboBox>(dialog, "comboBox");
            ok = Child<QPushButton>(dialog, "okButton");
            cancel = Child<QPushButton>(dialog, "cancelButton");
        }
        KChangeLetterDlg dialog;
        QLabel* current_;
        QComboBox* letters;
        QPushButton* ok;
        QPushButton* cancel;
    };

private:
    uint32_t m_saved = 0;
};

} // namespace

TEST_F(LetterDialog, FormHasItsTitleTextsAndFixedSize)
{
    KDriveLetterPool::Reset(0);
    Form form(QStringLiteral("E:"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Change Drive Letter"));
    EXPECT_EQ(form.dialog.size(), QSize(400, 213));
    EXPECT_EQ(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(form.current_->font().family(), QStringLiteral("Arial"));
    auto* group = Child<QGroupBox>(form.dialog, "groupBox");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Change Letter"));
    QStringList texts;
    for (QLabel* label : form.dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Current Drive Letter:")));
    EXPECT_TRUE(texts.contains(QStringLiteral("New Drive Letter:")));
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
}

TEST_F(LetterDialog, WithoutALetterNoneIsShownButNotOffered)
{
    KDriveLetterPool::Reset(Bit('C') | Bit('D') | Bit('G'));
    Form form{QString()};
    EXPECT_EQ(form.current_->text(), QStringLiteral("None"));
    ASSERT_EQ(form.letters->count(), 26 - 5);
    EXPECT_EQ(form.letters->findText(QStringLiteral("None")), -1);
    EXPECT_EQ(form.letters->currentIndex(), 0);
    EXPECT_EQ(form.letters->currentText(), QStringLiteral("E:"));
    EXPECT_EQ(form.letters->currentData().toInt(), int('E'));
}

TEST_F(LetterDialog, WithALetterNoneComesFirstAndTakenLettersAreLeftOut)
{
    KDriveLetterPool::Reset(Bit('C') | Bit('E') | Bit('Z'));
    Form form(QStringLiteral("E:"));
    EXPECT_EQ(form.current_->text(), QStringLiteral("E:"));
    const std::vector<QString> texts = Texts(form.letters);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), QStringLiteral("None"));
    EXPECT_EQ(form.letters->itemData(0).toInt(), 0);
    EXPECT_EQ(form.letters->currentIndex(), 0);
    std::vector<QString> expected{QStringLiteral("None")};
    for (char c = 'D'; c <= 'Y'; ++c)
        if (c != 'E')
            expected.push_back(QStringLiteral("%1:").arg(QLatin1Char(c)));
    EXPECT_EQ(texts, expected);
    for (int i = 1; i < form.letters->count(); ++i)
        EXPECT_EQ(form.letters->itemData(i).toInt(), int(texts[size_t(i)][0].unicode())) << i;
}

TEST_F(LetterDialog, OkTakesTheChosenLetterFromThePool)
{
    KDriveLetterPool::Reset(Bit('C'));
    Form form(QStringLiteral("C:"));
    form.letters->setCurrentIndex(form.letters->findText(QStringLiteral("K:")));
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.DriveLetter(), int('K'));
    EXPECT_EQ(KDriveLetterPool::FreeMask() & Bit('K'), 0u);
    // The old letter stays taken; the caller gives it back.
    EXPECT_EQ(KDriveLetterPool::FreeMask() & Bit('C'), 0u);
    EXPECT_EQ(KDriveLetterPool::FreeCount(), 26 - 4);

    // The next dialog no longer offers it.
    Form next{QString()};
    EXPECT_EQ(next.letters->findText(QStringLiteral("K:")), -1);
}

TEST_F(LetterDialog, NoneRemovesTheLetterAndTakesNothing)
{
    KDriveLetterPool::Reset(Bit('C'));
    const uint32_t before = KDriveLetterPool::FreeMask();
    Form form(QStringLiteral("C:"));
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.DriveLetter(), 0);
    EXPECT_EQ(KDriveLetterPool::FreeMask(), before);
}

TEST_F(LetterDialog, EmptyPool)
{
    KDriveLetterPool::Reset(kAllLetters);
    Form withLetter(QStringLiteral("D:"));
    EXPECT_EQ(Texts(withLetter.letters), std::vector<QString>{QStringLiteral("None")});

    Form without{QString()};
    EXPECT_EQ(without.letters->count(), 0);
    without.ok->click();
    EXPECT_EQ(without.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(without.dialog.DriveLetter(), 0);
}

TEST_F(LetterDialog, CancelTakesNothing)
{
    KDriveLetterPool::Reset(0);
    const uint32_t before = KDriveLetterPool::FreeMask();
    Form form{QString()};
    form.dialog.show();
    form.cancel->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_EQ(form.dialog.DriveLetter(), 0);
    EXPECT_EQ(KDriveLetterPool::FreeMask(), before);
}
