// Progress interfaces shared by the commands and every file-system routine: the reporter a routine
// talks to, and the receiver behind it (the working thread, or a console progress bar).
#pragma once

#include <cstdint>

class IProgressReceiver {
public:
    virtual ~IProgressReceiver() = default;
    virtual void ResetProgress() = 0;
    virtual int AddStep(double weight) = 0;
    virtual void RemoveStep(int index) = 0;
    virtual void FinishProgress() = 0;
    virtual void BeginStep(int index) = 0;
    virtual void CompleteStep() = 0;
    virtual void SetStepTotal(int64_t total) = 0;
    virtual void SetStepPosition(int64_t position) = 0;
    virtual void Tick() = 0;
    virtual void SetProcessName(int operation) = 0;
    virtual void EnableUserCancel(int enable) = 0;
    virtual int IsUserCanceled() = 0;
};

class IProgressReporter {
public:
    virtual ~IProgressReporter() = default;
    virtual void SetReceiver(IProgressReceiver* receiver) = 0;
    virtual void StartProgress() = 0;
    virtual int AddStep(double weight) = 0;
    virtual void RemoveStep(int index) = 0;
    virtual void FinishProgress() = 0;
    virtual void BeginStep(int index) = 0;
    virtual void CompleteStep() = 0;
    virtual void SetStepTotal(int64_t total) = 0;
    virtual void SetStepPosition(int64_t position) = 0;
    virtual void Tick() = 0;
    virtual void SetProcessName(int operation) = 0;
    virtual void EnableUserCancel(int enable) = 0;
    // Without a receiver nobody can watch the work, so it counts as cancelled.
    virtual int IsUserCanceled() = 0;
};
