// The worker that runs one command line per start, and the progress receiver of that command: its
// numbers reach the user as queued signals.
#pragma once

#include <QString>
#include <QThread>

#include "KProgressTracker.h"

class KBatchCommandExecutive;

class KCommandWorkingThread : public QThread, public KProgressTracker {
    Q_OBJECT
public:
    explicit KCommandWorkingThread(KBatchCommandExecutive* executive);

    int Result() const { return m_result; }
    int ErrorCode() const { return m_errorCode; }

signals:
    void setCurrentProgressValue(int value);
    void setChildProgressValue(int value);
    void setProcessName(QString strName);
    void setEnableUserCancel(bool bEnable);
    void setOperationsPendingIndex(int index);
    void setCommandName(QString strName);
    void setCommandInformationText(QString strName);

public slots:
    void OnDialogUserCanceled(bool bCanceled);

protected:
    void run() override;
    void OnProgress(int overall, int child) override;
    void OnProcessName(int operation) override;
    void OnEnableUserCancel(bool enable) override;

private:
    KBatchCommandExecutive* m_executive;
    int m_result = 0;
    int m_errorCode = 0;
};
