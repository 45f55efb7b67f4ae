#include "KCommandWorkingThread.h"

#include "ExecutionTexts.h"
#include "KBatchCommandExecutive.h"

KCommandWorkingThread::KCommandWorkingThread(KBatchCommandExecutive* executive) : m_executive(executive) {}

void KCommandWorkingThread::OnDialogUserCanceled(bool bCanceled)
{
    SetCancelled(bCanceled);
}

void KCommandWorkingThread::run()
{
    emit setOperationsPendingIndex(m_executive->CurrentIndex());
    m_errorCode = 0;
    m_result = m_executive->RunCommandLine(&m_errorCode);
}

void KCommandWorkingThread::OnProgress(int overall, int child)
{
    emit setCurrentProgressValue(overall);
    emit setChildProgressValue(child);
}

void KCommandWorkingThread::OnProcessName(int operation)
{
    emit setProcessName(QString::fromUtf8(OperationName(operation)));
    emit setChildProgressValue(0);
}

void KCommandWorkingThread::OnEnableUserCancel(bool enable)
{
    emit setEnableUserCancel(enable);
}
