// The executive's questions as message boxes: the volume-in-use box and its answers, the error and
// reboot boxes, and their parent while the apply window runs.
#include <QApplication>

#include <gtest/gtest.h>

#include "MessageBoxAnswer.h"
#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandRunner.h"
#include "gui/mainframe/KApplyOperationsPendingDlg.h"
#include "gui/mainframe/KMessageBoxInteraction.h"
#include "model/KVolumeManager.h"
#include "support/PartitionLockHolder.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

const QString kInUseText = QStringLiteral(
    "<B>Operation \"Format partition\" cannot be completed because drive E: is being used now.</B><BR><BR>"
    "Please choose one of following options:<BR><BR>"
    "   A.) Restart your PC and Volmara will automatically finish rest of the pending jobs.<BR><BR>"
    "   B.) Close other programs and click \"Retry\" button to continue<BR><BR>"
    "   C.) Cancel the operations.<BR>");

struct InUseAnswer {
    const char* answer;
    int choice;
};

class VolumeInUseBox : public ::testing::TestWithParam<InUseAnswer> {};

} // namespace

TEST_P(VolumeInUseBox, ShowsTheOptionsAndMapsTheAnswer)
{
    KBatchCommandExecutive executive;
    KMessageBoxInteraction interaction(&executive);
    MessageBoxAnswer answer({QString::fromLatin1(GetParam().answer)});
    EXPECT_EQ(interaction.AskVolumeInUse("Format partition", "E:"), GetParam().choice);

    ASSERT_EQ(answer.Count(), 1u);
    const MessageBoxAnswer::Box box = answer.Last();
    EXPECT_TRUE(box.answered) << box.answer.toStdString();
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, kInUseText);
    EXPECT_EQ(box.buttons, (QStringList{QStringLiteral("Restart Now"), QStringLiteral("Retry"),
                                        QStringLiteral("Cancel Operations")}));
    EXPECT_EQ(box.roles, (QList<QMessageBox::ButtonRole>{QMessageBox::ActionRole, QMessageBox::ActionRole,
                                                         QMessageBox::ActionRole}));
    EXPECT_TRUE(box.fixedSize);
    EXPECT_TRUE(box.modal);
    EXPECT_EQ(box.parent, nullptr) << "no apply window runs";
}

INSTANTIATE_TEST_SUITE_P(Answers, VolumeInUseBox,
                         ::testing::Values(InUseAnswer{"Restart Now", kChoiceRestart},
                                           InUseAnswer{"Retry", kChoiceRetry},
                                           InUseAnswer{"Cancel Operations", kChoiceCancel},
                                           InUseAnswer{"<close>", kChoiceCancel}));

TEST(MessageBoxInteraction, CommandErrorBox)
{
    KMessageBoxInteraction interaction(nullptr);
    MessageBoxAnswer answer({QStringLiteral("OK")});
    interaction.ShowCommandError("WipeDisk DiskIndex:0", "Error Code: 5\n\nInvalid file system.");
    ASSERT_EQ(answer.Count(), 1u);
    const MessageBoxAnswer::Box box = answer.Last();
    EXPECT_TRUE(box.answered);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QStringLiteral("Failed to execute the following command:\n\nWipeDisk DiskIndex:0\n\n"
                                       "Error Code: 5\n\nInvalid file system."));
    EXPECT_EQ(box.buttons, QStringList{QStringLiteral("OK")});
}

TEST(MessageBoxInteraction, RebootFailedBox)
{
    KBatchCommandExecutive executive;
    KMessageBoxInteraction interaction(&executive);
    MessageBoxAnswer answer({QStringLiteral("OK")});
    interaction.ShowRebootFailed();
    ASSERT_EQ(answer.Count(), 1u);
    const MessageBoxAnswer::Box box = answer.Last();
    EXPECT_TRUE(box.answered);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.title, QStringLiteral("Reboot"));
    EXPECT_EQ(box.text, QStringLiteral("Failed to reboot system, please reboot your computer manually."));
    EXPECT_EQ(box.parent, nullptr);
}

// A real run in the apply window: the partition is held by another process, so the executive asks;
// the box sits over the apply window and cancelling ends the run.
TEST(MessageBoxInteraction, BoxesSitOverTheRunningApplyWindow)
{
    TempDir dir;
    const std::string image = TableFixtures::MakeMbrLayout(dir);
    EngineEnvironment env({image}, dir.File("state"));
    KVolumeManager manager;
    ASSERT_EQ(manager.Load(1, 1), 1);

    KBatchCommandExecutive executive;
    KMessageBoxInteraction interaction(&executive);
    executive.SetInteraction(&interaction);
    EXPECT_EQ(interaction.BoxParent(), nullptr);
    {
        PartitionLockHolder holder(1);
        ASSERT_TRUE(holder.Holding());
        executive.AddCommand("HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0", 0);
        MessageBoxAnswer answer({QStringLiteral("Cancel Operations")});
        // The window runs the batch from its constructor.
        KApplyOperationsPendingDlg dialog(&manager, &executive);
        EXPECT_EQ(dialog.RunResult(), kRunCancelled);
        ASSERT_EQ(answer.Count(), 1u);
        const MessageBoxAnswer::Box box = answer.Last();
        EXPECT_TRUE(box.answered);
        EXPECT_EQ(box.parent, static_cast<QWidget*>(&dialog));
        EXPECT_NE(box.text.indexOf(QStringLiteral("\"Hide/Unhide partition\"")), -1) << box.text.toStdString();
        EXPECT_NE(box.text.indexOf(QStringLiteral("drive Disk 1 Partition 2 is")), -1) << box.text.toStdString();
    }
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "83") << "the cancelled line did not run";

    // A failing line is reported over the apply window as well.
    executive.ClearCommands();
    executive.AddCommand("ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:18432 NewPartitionSize:8 SafeMode:1", 0);
    MessageBoxAnswer answer({QStringLiteral("OK")});
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(dialog.RunResult(), kRunFailed);
    ASSERT_EQ(answer.Count(), 1u);
    EXPECT_EQ(answer.Last().icon, QMessageBox::Critical);
    EXPECT_EQ(answer.Last().parent, static_cast<QWidget*>(&dialog));
    EXPECT_TRUE(answer.Last().text.startsWith(QStringLiteral("Failed to execute the following command:\n\nResizePartition ")))
        << answer.Last().text.toStdString();
    EXPECT_EQ(executive.Dialog(), nullptr);
}
