// The apply window over image disks: a whole run from its constructor, the progress arithmetic, a
// failing line and closing the window while the lines run.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "execution/ExecutionTexts.h"
#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandRunner.h"
#include "gui/mainframe/KApplyOperationsPendingDlg.h"
#include "model/KVolumeManager.h"
#include "support/NtfsVolumes.h"
#include "support/TableFixtures.h"

using namespace TestSupport;

namespace {

const char* kHide = "HidePartition DiskIndex:0 PartitionIndex:2 Unhide:0";
const char* kDelete = "DeletePartition DiskIndex:0 Partition:5";

struct RecordingUser : IExecutiveInteraction {
    std::vector<std::string> errors;
    int AskVolumeInUse(const std::string&, const std::string&) override { return kChoiceCancel; }
    void ShowCommandError(const std::string& line, const std::string& text) override { errors.push_back(line + "|" + text); }
    void ShowRebootFailed() override {}
};

KApplyOperationsPendingDlg* runningDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<KApplyOperationsPendingDlg*>(w); d && d->IsRunning())
            return d;
    return nullptr;
}

class ApplyDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = TableFixtures::MakeMbrLayout(dir);
        env = std::make_unique<EngineEnvironment>(std::vector<std::string>{image}, dir.File("state"));
        ASSERT_EQ(manager.Load(1, 1), 1);
    }
    void TearDown() override { KApplyOperationsPendingDlg::SetAbortQuestion({}); }

    template <typename T> static T* child(QWidget& dialog, const char* name)
    {
        T* w = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    TempDir dir;
    std::string image;
    std::unique_ptr<EngineEnvironment> env;
    KVolumeManager manager;
    RecordingUser user;
};

} // namespace

TEST_F(ApplyDialog, RunsHideAndDeleteAndEndsHidden)
{
    KBatchCommandExecutive executive(&user);
    executive.AddCommand(kHide, 0);
    executive.AddCommand(kDelete, 0);
    KApplyOperationsPendingDlg dialog(&manager, &executive);

    EXPECT_EQ(dialog.RunResult(), kRunOk);
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Apply Pending Operation(s)..."));
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(executive.Worker(), nullptr);
    EXPECT_EQ(executive.Dialog(), nullptr);
    EXPECT_TRUE(user.errors.empty());

    const auto dump = TableFixtures::SfdiskDump(image);
    ASSERT_EQ(dump.entries.size(), 5u) << dump.text;
    EXPECT_EQ(dump.entries[1].type, "93");

    EXPECT_EQ(dialog.PendingIndex(), 1);
    const QString info = child<QTextEdit>(dialog, "textEdit")->toPlainText();
    EXPECT_TRUE(info.startsWith(QStringLiteral("2 of 2 pending operations."))) << info.toStdString();
    const QString name = child<QLabel>(dialog, "currentCommandName")->text();
    EXPECT_TRUE(name.endsWith(QLatin1Char(':'))) << name.toStdString();
    EXPECT_NE(name, QStringLiteral("Current operation:"));
    EXPECT_GE(child<QProgressBar>(dialog, "progressBar")->value(), 50);
    EXPECT_FALSE(child<QPushButton>(dialog, "cancelButton")->isEnabled());
    EXPECT_EQ(child<QLabel>(dialog, "label")->text(), QStringLiteral("Total:"));
    EXPECT_EQ(child<QPushButton>(dialog, "cancelButton")->text(), QStringLiteral("&Cancel"));
    EXPECT_NE(child<QLabel>(dialog, "label_3")->pixmap().cacheKey(), 0);
    EXPECT_NE(dialog.findChild<QFrame*>(QStringLiteral("frame")), nullptr);
    EXPECT_NE(dialog.findChild<QLabel*>(QStringLiteral("progressLabel")), nullptr);
}

TEST_F(ApplyDialog, ProgressAndLabelSlots)
{
    KBatchCommandExecutive executive(&user);
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(dialog.RunResult(), kRunOk);
    EXPECT_EQ(child<QLabel>(dialog, "currentCommandName")->text(), QStringLiteral("Current operation:"));
    EXPECT_EQ(child<QLabel>(dialog, "childProcessLabel")->text(), QStringLiteral("Child:"));
    for (const char* bar : {"progressBar", "progressBar_2", "progressBar_3"}) {
        EXPECT_EQ(child<QProgressBar>(dialog, bar)->minimum(), 0);
        EXPECT_EQ(child<QProgressBar>(dialog, bar)->maximum(), 100);
        EXPECT_EQ(child<QProgressBar>(dialog, bar)->value(), 0);
    }

    for (int i = 0; i < 3; ++i)
        executive.AddCommand(kHide, 0);
    dialog.onSetOperationsPendingIndex(1);
    EXPECT_EQ(child<QTextEdit>(dialog, "textEdit")->toPlainText(), QStringLiteral("(2 of 3 operations)"));
    dialog.onSetCurrentProgressBarValue(50);
    EXPECT_EQ(child<QProgressBar>(dialog, "progressBar_2")->value(), 50);
    EXPECT_EQ(child<QProgressBar>(dialog, "progressBar")->value(), 50);
    dialog.onSetCurrentProgressBarValue(1);
    EXPECT_EQ(child<QProgressBar>(dialog, "progressBar")->value(), 33) << "truncated, not rounded";

    dialog.onSetCommandName(QString::fromUtf8(OperationName(1)));
    EXPECT_EQ(child<QLabel>(dialog, "currentCommandName")->text(), QString::fromUtf8(OperationName(1)) + ":");
    dialog.onSetProcessingName(QStringLiteral("Writing"));
    EXPECT_EQ(child<QLabel>(dialog, "childProcessLabel")->text(), QStringLiteral("Writing"));
    dialog.onSetProgressText(QStringLiteral("<B>text</B>"));
    EXPECT_EQ(child<QTextEdit>(dialog, "textEdit")->toPlainText(), QStringLiteral("text"));
}

TEST_F(ApplyDialog, FailingLineIsReportedAndStopsTheRun)
{
    KBatchCommandExecutive executive(&user);
    executive.AddCommand("ResizePartition DiskIndex:0 PartitionIndex:2 NewStartingLba:18432 NewPartitionSize:8 SafeMode:1", 0);
    executive.AddCommand(kHide, 0);
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(dialog.RunResult(), kRunFailed);
    ASSERT_EQ(user.errors.size(), 1u);
    EXPECT_NE(user.errors[0].find("|Error Code: 5\n\n"), std::string::npos) << user.errors[0];
    EXPECT_EQ(dialog.PendingIndex(), 0);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries[1].type, "83") << "the second line did not run";
}

TEST_F(ApplyDialog, ClosingWhileRunningAsksAndNoGoesOn)
{
    int asked = 0;
    KApplyOperationsPendingDlg::SetAbortQuestion([&asked](QWidget*) {
        ++asked;
        return false;
    });
    bool wasVisible = false;
    QTimer::singleShot(0, [&wasVisible] {
        if (KApplyOperationsPendingDlg* d = runningDialog()) {
            wasVisible = d->isVisible();
            d->close();
        }
    });
    KBatchCommandExecutive executive(&user);
    executive.AddCommand(kHide, 0);
    executive.AddCommand(kDelete, 0);
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(dialog.RunResult(), kRunOk);
    EXPECT_EQ(TableFixtures::SfdiskDump(image).entries.size(), 5u);
}

TEST_F(ApplyDialog, ClosingWhileRunningAndYesCancelsAndWaits)
{
    int asked = 0;
    KApplyOperationsPendingDlg::SetAbortQuestion([&asked](QWidget*) {
        ++asked;
        return true;
    });
    QTimer::singleShot(0, [] {
        if (KApplyOperationsPendingDlg* d = runningDialog())
            d->close();
    });
    KBatchCommandExecutive executive(&user);
    executive.AddCommand(kHide, 0);
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(asked, 1);
    // A hide never polls the flag: it ends by itself and the run ends normally.
    EXPECT_TRUE(dialog.RunResult() == kRunOk || dialog.RunResult() == kRunFailed) << dialog.RunResult();
    EXPECT_TRUE(user.errors.empty()) << "a cancelled command is not reported";
    EXPECT_TRUE(dialog.isHidden());
}

TEST_F(ApplyDialog, TheAbortQuestionBox)
{
    QString title, text;
    QTimer::singleShot(0, [&title, &text] {
        KApplyOperationsPendingDlg* d = runningDialog();
        if (!d)
            return;
        QTimer::singleShot(0, [&title, &text] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                title = box->windowTitle();
                text = box->text();
                box->button(QMessageBox::No)->click();
            }
        });
        d->close();
    });
    KBatchCommandExecutive executive(&user);
    executive.AddCommand(kHide, 0);
    KApplyOperationsPendingDlg dialog(&manager, &executive);
    EXPECT_EQ(title, QStringLiteral("Abort?"));
    EXPECT_EQ(text, QStringLiteral("Do you want to cancel these operations?"));
    EXPECT_EQ(dialog.RunResult(), kRunOk);
}

// A merge from the window's apply run: the right NTFS volume survives and takes the left one (3 sectors
// off its cluster grid) as a folder, with the real progress of five steps.
TEST_F(ApplyDialog, MergesTwoNtfsVolumes)
{
    if (!NtfsVolumes::HaveTools())
        GTEST_SKIP() << "ntfs-3g tools or FUSE missing";
    const std::string disk = dir.File("ntfs.img");
    const int64_t left = 2048, leftSize = 40963, right = left + leftSize, rightSize = 40960;
    ASSERT_TRUE(NtfsVolumes::MakeImage(disk, 131072, 3));
    Sfdisk(disk, "label: dos\nunit: sectors\nstart=2048, size=40963, type=7\nstart=43011, size=40960, type=7\n");
    ASSERT_EQ(NtfsVolumes::Make(dir, disk, left, leftSize, NtfsVolumes::Maker::Volmara, 4096), "");
    ASSERT_EQ(NtfsVolumes::Make(dir, disk, right, rightSize, NtfsVolumes::Maker::Mkntfs, 4096), "");
    NtfsVolumes::FillOptions fill;
    fill.treeFiles = 40;
    ASSERT_EQ(NtfsVolumes::Fill(dir, disk, left, leftSize, fill), "");
    const NtfsVolumes::Snapshot folded = NtfsVolumes::Take(dir, disk, left, leftSize);
    env.reset(); // one engine environment at a time
    env = std::make_unique<EngineEnvironment>(std::vector<std::string>{disk}, dir.File("state2"));
    KVolumeManager ntfs;
    ASSERT_EQ(ntfs.Load(1, 1), 1);

    KBatchCommandExecutive executive(&user);
    executive.AddCommand("MergePartition DiskIndex:0 LeftPartitionIndex:1 ExtendLeftPartition:0 NewFolderName:\"Left\"", 0);
    KApplyOperationsPendingDlg dialog(&ntfs, &executive);
    EXPECT_EQ(dialog.RunResult(), kRunOk);
    EXPECT_TRUE(user.errors.empty()) << user.errors[0];
    const auto dump = TableFixtures::SfdiskDump(disk);
    ASSERT_EQ(dump.entries.size(), 1u) << dump.text;
    EXPECT_EQ(dump.entries[0].start, left);
    EXPECT_EQ(dump.entries[0].size, leftSize + rightSize);
    NtfsVolumes::ExpectHealthy(dir, disk, left, leftSize + rightSize, "merged", 11);
    const NtfsVolumes::Snapshot merged = NtfsVolumes::Take(dir, disk, left, leftSize + rightSize);
    for (const std::string& line : folded.entries)
        EXPECT_NE(std::find(merged.entries.begin(), merged.entries.end(), "Left/" + line), merged.entries.end()) << line;
}
