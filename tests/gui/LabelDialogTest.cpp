// The label dialog and the label rule it shares with the format dialog.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "DialogProbe.h"
#include "MessageBoxAnswer.h"
#include "gui/dialogs/KChangeLabelDlg.h"
#include "gui/dialogs/VolumeLabelRule.h"

using namespace DialogProbe;

TEST(VolumeLabelRule, RefusesNineCharactersColonFirst)
{
    EXPECT_TRUE(VolumeLabelRule::FirstInvalidCharacter(QStringLiteral("DATA_01 -+.,;=[]")).isNull());
    EXPECT_TRUE(VolumeLabelRule::FirstInvalidCharacter(QString()).isNull());
    for (const char* bad : {":", "?", "|", "\\", "/", ">", "<", "\"", "*"})
        EXPECT_EQ(VolumeLabelRule::FirstInvalidCharacter(QStringLiteral("X%1Y").arg(QLatin1String(bad))),
                  QLatin1Char(bad[0]));
    // The search goes by character, not by position in the label.
    EXPECT_EQ(VolumeLabelRule::FirstInvalidCharacter(QStringLiteral("*?:")), QLatin1Char(':'));
    EXPECT_EQ(VolumeLabelRule::FirstInvalidCharacter(QStringLiteral("*\"<")), QLatin1Char('<'));
}

TEST(VolumeLabelRule, MessageListsEverythingButTheColon)
{
    const QString message = VolumeLabelRule::InvalidLabelMessage();
    EXPECT_EQ(message, QStringLiteral("Label contains invalid symbol.\n\nFollowing symbols are invalid:\n"
                                     "* ? | \\ / > < \""));
    EXPECT_FALSE(message.section(QLatin1Char('\n'), 3).contains(QLatin1Char(':')));
}

TEST(VolumeLabelRule, LongestLabelByFileSystem)
{
    for (int code : {1, 6, 11})
        EXPECT_EQ(VolumeLabelRule::MaxLength(code), 11) << code;
    EXPECT_EQ(VolumeLabelRule::MaxLength(7), 126);
    EXPECT_EQ(VolumeLabelRule::MaxLength(49), 14);
    EXPECT_EQ(VolumeLabelRule::MaxLength(50), 14);
    EXPECT_EQ(VolumeLabelRule::MaxLength(51), 16) << "the swap header's field";
    for (int code : {0, 9, 128, 255, -1})
        EXPECT_EQ(VolumeLabelRule::MaxLength(code), 128) << code;
}

TEST(VolumeLabelRule, RefusalShowsOneCriticalErrorBox)
{
    MessageBoxAnswer answer({QStringLiteral("OK")});
    EXPECT_TRUE(VolumeLabelRule::CheckLabel(QStringLiteral("GOOD"), nullptr));
    EXPECT_EQ(answer.Count(), 0u);
    EXPECT_FALSE(VolumeLabelRule::CheckLabel(QStringLiteral("C:"), nullptr));
    ASSERT_EQ(answer.Count(), 1u);
    EXPECT_EQ(answer.Last().title, QStringLiteral("Error"));
    EXPECT_EQ(answer.Last().icon, QMessageBox::Critical);
    EXPECT_EQ(answer.Last().buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(answer.Last().answered);
}

namespace {

struct LabelForm {
    LabelForm(int code, const QString& label) : dialog(code, label)
    {
        edit = Child<QLineEdit>(dialog, "lineEdit");
        ok = Child<QPushButton>(dialog, "okButton");
        cancel = Child<QPushButton>(dialog, "cancelButton");
        dialog.show();
    }
    KChangeLabelDlg dialog;
    QLineEdit* edit;
    QPushButton* ok;
    QPushButton* cancel;
};

} // namespace

TEST(LabelDialog, FormOpensWithTheLabelSelected)
{
    LabelForm form(7, QStringLiteral("Backup"));
    EXPECT_EQ(form.dialog.windowTitle(), QStringLiteral("Change Partition Label:"));
    EXPECT_EQ(form.dialog.size(), QSize(400, 176));
    EXPECT_EQ(form.dialog.minimumSize(), form.dialog.maximumSize());
    EXPECT_EQ(form.edit->text(), QStringLiteral("Backup"));
    EXPECT_EQ(form.edit->selectedText(), QStringLiteral("Backup"));
    EXPECT_EQ(form.ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.cancel->text(), QStringLiteral("&Cancel"));
    QStringList texts;
    for (QLabel* label : form.dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Changing the label for the selected partition:")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Partition Label:")));
}

TEST(LabelDialog, MaximumLengthFollowsTheFileSystem)
{
    for (auto [code, length] : {std::pair{1, 11}, {6, 11}, {11, 11}, {7, 126}, {49, 14}, {50, 14}, {51, 16},
                                std::pair{0, 128}}) {
        LabelForm form(code, QString());
        EXPECT_EQ(form.edit->maxLength(), length) << code;
    }
}

TEST(LabelDialog, UnchangedLabelClosesAsCancelled)
{
    LabelForm form(7, QStringLiteral("Backup"));
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}

TEST(LabelDialog, ChangeIsExactIncludingCase)
{
    LabelForm form(7, QStringLiteral("Backup"));
    form.edit->setText(QStringLiteral("BACKUP"));
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form.dialog.Label(), QStringLiteral("BACKUP"));
}

TEST(LabelDialog, EmptyingTheLabelIsAChange)
{
    LabelForm form(11, QStringLiteral("OLD"));
    form.edit->clear();
    form.ok->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(form.dialog.Label().isEmpty());
}

TEST(LabelDialog, ColonIsRefusedAndTheDialogStaysOpen)
{
    LabelForm form(7, QStringLiteral("Backup"));
    form.edit->setText(QStringLiteral("Back:up"));
    MessageBoxAnswer answer({QStringLiteral("OK")});
    form.ok->click();
    ASSERT_EQ(answer.Count(), 1u);
    EXPECT_EQ(answer.Last().text, VolumeLabelRule::InvalidLabelMessage());
    EXPECT_TRUE(form.dialog.isVisible());
    EXPECT_NE(form.dialog.result(), QDialog::Accepted);
}

TEST(LabelDialog, CancelRejects)
{
    LabelForm form(7, QStringLiteral("Backup"));
    form.edit->setText(QStringLiteral("Other"));
    form.cancel->click();
    EXPECT_EQ(form.dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(form.dialog.isVisible());
}
