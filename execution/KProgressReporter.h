// Forwards every progress call to a receiver; without one it does nothing.
#pragma once

#include "core/IProgressReporter.h"

class KProgressReporter : public IProgressReporter {
public:
    explicit KProgressReporter(IProgressReceiver* receiver = nullptr) : m_receiver(receiver) {}
    void SetReceiver(IProgressReceiver* receiver) override { m_receiver = receiver; }
    void StartProgress() override { if (m_receiver) m_receiver->FinishProgress(); }
    int AddStep(double weight) override { return m_receiver ? m_receiver->AddStep(weight) : -1; }
    void RemoveStep(int index) override { if (m_receiver) m_receiver->RemoveStep(index); }
    void FinishProgress() override { if (m_receiver) m_receiver->FinishProgress(); }
    void BeginStep(int index) override { if (m_receiver) m_receiver->BeginStep(index); }
    void CompleteStep() override { if (m_receiver) m_receiver->CompleteStep(); }
    void SetStepTotal(int64_t total) override { if (m_receiver) m_receiver->SetStepTotal(total); }
    void SetStepPosition(int64_t position) override { if (m_receiver) m_receiver->SetStepPosition(position); }
    void Tick() override { if (m_receiver) m_receiver->Tick(); }
    void SetProcessName(int operation) override { if (m_receiver) m_receiver->SetProcessName(operation); }
    void EnableUserCancel(int enable) override { if (m_receiver) m_receiver->EnableUserCancel(enable); }
    int IsUserCanceled() override { return m_receiver ? m_receiver->IsUserCanceled() : 1; }

private:
    IProgressReceiver* m_receiver;
};
