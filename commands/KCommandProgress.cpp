#include "KCommandProgress.h"

#include "core/IProgressReporter.h"

void ShortCommandProgress(IProgressReporter* reporter)
{
    if (!reporter)
        return;
    reporter->StartProgress();
    reporter->SetStepTotal(1);
    reporter->BeginStep(-1);
    reporter->SetProcessName(1);
    reporter->CompleteStep();
    reporter->EnableUserCancel(0);
}
