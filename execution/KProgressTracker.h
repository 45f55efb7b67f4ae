// The progress arithmetic of one command: weighted steps, percentages and the throttle that emits at
// most once per change of the whole percent or of the elapsed second. What "emit" means belongs to
// the subclass (signals to the apply dialog, a console bar).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/IProgressReporter.h"

class KProgressTracker : public IProgressReceiver {
public:
    explicit KProgressTracker(std::function<uint32_t()> tickCount = {});

    void ResetProgress() override;
    int AddStep(double weight) override;
    void RemoveStep(int index) override;
    void FinishProgress() override;
    void BeginStep(int index) override;
    void CompleteStep() override;
    void SetStepTotal(int64_t total) override { m_stepTotal = total; }
    void SetStepPosition(int64_t position) override;
    void Tick() override;
    void SetProcessName(int operation) override;
    void EnableUserCancel(int enable) override { OnEnableUserCancel(enable != 0); }
    int IsUserCanceled() override { return m_cancelled ? 1 : 0; }

    void SetCancelled(bool cancelled) { m_cancelled = cancelled; }
    int OverallPercent() const { return m_overall; }
    int ChildPercent() const { return m_child; }

protected:
    virtual void OnProgress(int overall, int child) = 0;
    virtual void OnProcessName(int operation) = 0;
    virtual void OnEnableUserCancel(bool enable) = 0;

private:
    uint32_t elapsedSeconds() const;

    std::function<uint32_t()> m_tickCount;
    std::atomic<bool> m_cancelled{false};
    std::vector<double> m_weights;
    double m_weightSum = 0;
    double m_stepWeight = 0;
    int64_t m_stepTotal = 0;
    int m_child = 0;
    int m_overall = 0;
    int m_base = 0;
    int m_nextStep = 0;
    uint32_t m_startTick = 0;
    uint32_t m_lastSecond = 0;
};
