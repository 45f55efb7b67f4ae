// Weighted progress, its throttle, the reporter without a receiver, and the texts.
#include <gtest/gtest.h>

#include "execution/ExecutionTexts.h"
#include "execution/KProgressReporter.h"
#include "execution/KProgressTracker.h"

namespace {

class RecordingTracker : public KProgressTracker {
public:
    RecordingTracker() : KProgressTracker([this] { return now; }) {}
    uint32_t now = 1000;
    std::vector<std::pair<int, int>> emitted;
    std::vector<int> names;
    std::vector<bool> cancel;

protected:
    void OnProgress(int overall, int child) override { emitted.emplace_back(overall, child); }
    void OnProcessName(int operation) override { names.push_back(operation); }
    void OnEnableUserCancel(bool enable) override { cancel.push_back(enable); }
};

} // namespace

TEST(Progress, SingleImplicitStepFollowsTheChild)
{
    RecordingTracker t;
    KProgressReporter r(&t);
    r.StartProgress();
    r.SetStepTotal(200);
    r.BeginStep(0);
    r.SetStepPosition(50);
    ASSERT_FALSE(t.emitted.empty());
    EXPECT_EQ(t.emitted.back(), std::make_pair(25, 25));
}

TEST(Progress, WeightedStepsAndFinish)
{
    RecordingTracker t;
    KProgressReporter r(&t);
    r.StartProgress();
    r.AddStep(1);
    r.AddStep(1);
    EXPECT_EQ(r.AddStep(2), 3);
    r.SetStepTotal(10);
    r.BeginStep(-1);
    r.CompleteStep();
    EXPECT_EQ(t.emitted.back(), std::make_pair(25, 100));
    r.BeginStep(-1);
    r.CompleteStep();
    EXPECT_EQ(t.emitted.back(), std::make_pair(50, 100));
    r.BeginStep(-1);
    r.SetStepPosition(0);
    EXPECT_EQ(t.OverallPercent(), 50) << "the third step starts at 50";
    r.SetStepPosition(5);
    EXPECT_EQ(t.emitted.back(), std::make_pair(75, 50));
    r.SetStepPosition(10);
    EXPECT_EQ(t.emitted.back(), std::make_pair(100, 100));
    r.FinishProgress();
    EXPECT_EQ(t.emitted.back(), std::make_pair(100, 100));
    r.FinishProgress();
    EXPECT_EQ(t.emitted.back(), std::make_pair(0, 0)) << "no steps: 0 and 0";
}

TEST(Progress, ThrottledToPercentOrSecond)
{
    RecordingTracker t;
    t.SetStepTotal(1000);
    t.BeginStep(0);
    t.SetStepPosition(101);
    const size_t after = t.emitted.size();
    t.SetStepPosition(105); // still 10 % in the same second
    EXPECT_EQ(t.emitted.size(), after);
    t.now += 1000;
    t.SetStepPosition(105);
    EXPECT_EQ(t.emitted.size(), after + 1) << "a new second emits again";
    t.Tick();
    EXPECT_EQ(t.emitted.size(), after + 1);
    t.now += 1000;
    t.Tick();
    EXPECT_EQ(t.emitted.size(), after + 2);
    t.SetProcessName(81);
    EXPECT_EQ(t.names.back(), 81);
    EXPECT_EQ(t.ChildPercent(), 0);
}

TEST(Progress, ReporterWithoutReceiver)
{
    KProgressReporter r;
    EXPECT_EQ(r.IsUserCanceled(), 1);
    EXPECT_EQ(r.AddStep(1.0), -1);
    r.StartProgress();
    r.SetStepPosition(5); // nothing to do, nothing breaks
    RecordingTracker t;
    r.SetReceiver(&t);
    EXPECT_EQ(r.IsUserCanceled(), 0);
    t.SetCancelled(true);
    EXPECT_EQ(r.IsUserCanceled(), 1);
    r.EnableUserCancel(0);
    EXPECT_EQ(t.cancel, std::vector<bool>{false});
}

TEST(ExecutionTexts, NamesAndErrors)
{
    EXPECT_STREQ(OperationName(7), "Delete partition");
    EXPECT_STREQ(OperationName(87), "Update Disk Boot Configure");
    EXPECT_STREQ(OperationName(25), "");
    EXPECT_EQ(ErrorText(0), "Error Code: 0\n\n");
    EXPECT_EQ(ErrorText(57), "Error Code: 57\n\n");
    EXPECT_EQ(ErrorText(6), "Error Code: 6\n\n");
    EXPECT_EQ(ErrorText(4), "Error Code: 4\n\nDisk I/O error.");
    EXPECT_EQ(ErrorText(32), "Error Code: 32\n\nNot enough free space. Please reserve more free space for the partition.");
    EXPECT_STREQ(ErrorMessage(40), "NTFS file system error. Please use \"Check File System\" function to fix it first.");
    EXPECT_STREQ(ErrorMessage(29), "");
}
