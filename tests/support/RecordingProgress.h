// A progress reporter for tests: records every call, and cancels on the n-th poll when asked.
#pragma once

#include <cstdint>
#include <vector>

#include "core/IProgressReporter.h"

namespace TestSupport {

class RecordingProgress : public IProgressReporter {
public:
    // cancelOnPoll 0: never cancel.
    explicit RecordingProgress(int cancelOnPoll = 0) : m_cancelOnPoll(cancelOnPoll) {}
    void SetReceiver(IProgressReceiver*) override {}
    void StartProgress() override {}
    int AddStep(double weight) override { return weights.push_back(weight), 0; }
    void RemoveStep(int) override {}
    void FinishProgress() override {}
    void BeginStep(int index) override { begun.push_back(index); }
    void CompleteStep() override { ++completed; }
    void SetStepTotal(int64_t t) override
    {
        total = t;
        totals.push_back(t);
    }
    void SetStepPosition(int64_t p) override { positions.push_back(p); }
    void Tick() override { ++ticks; }
    void SetProcessName(int operation) override { names.push_back(operation); }
    void EnableUserCancel(int) override {}
    int IsUserCanceled() override { return ++polls == m_cancelOnPoll ? 1 : 0; }

    int64_t total = -1; // the last total
    std::vector<int64_t> totals, positions;
    std::vector<double> weights;
    std::vector<int> begun, names;
    int completed = 0, ticks = 0, polls = 0;

private:
    int m_cancelOnPoll;
};

} // namespace TestSupport
