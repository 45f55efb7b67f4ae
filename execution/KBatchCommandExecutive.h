// Keeps the pending lines and runs them in order, one worker start per line; a volume in use leads to
// the user's choice: retry, cancel, or restart with the remaining lines handed to the boot-time
// executor through the commands file.
#pragma once

#include <QObject>
#include <atomic>
#include <string>
#include <vector>

#include "IBatchCommandExecutive.h"
#include "IExecutiveInteraction.h"

class KCommandWorkingThread;
class QWidget;

class KBatchCommandExecutive : public QObject, public IBatchCommandExecutive {
    Q_OBJECT
public:
    explicit KBatchCommandExecutive(IExecutiveInteraction* interaction = nullptr, QObject* parent = nullptr);
    ~KBatchCommandExecutive() override;

    int WriteCommandsFile(int ignored, const char* path) override;
    int GetCommandCount() override { return int(m_commands.size()); }
    void AddCommand(const char* line, int directWrite) override;
    int GetDirectWriteFlag(int index) override;
    int RemoveCommand(int index) override;
    void ClearCommands() override { m_commands.clear(); }
    int GetCommandLine(int index, char* buffer, unsigned size) override;
    int GetCommandLine(int index, char* buffer) override;
    int Execute(IVolumeManager* manager, int value, IProgressReceiver* receiver) override;

    // Runs with a worker whose signals the caller has connected (the apply dialog, a console bar).
    int RunWithWorker(IVolumeManager* manager, KCommandWorkingThread* worker);
    // Runs with a worker of its own whose signals go to the apply dialog: the dialog's slots
    // onSetOperationsPendingIndex, onSetProgressText, onSetCurrentProgressBarValue, onSetProcessingName,
    // onSetCommandName, its children progressBar_3 (step progress) and cancelButton, and back from its
    // signal setDialogUserCanceled(bool). The connections are made by name, so the executive needs no
    // widget code.
    int RunWithDialog(IVolumeManager* manager, QObject* dialog);
    // The worker and dialog of a RunWithDialog in progress, else null.
    KCommandWorkingThread* Worker() const { return m_worker; }
    QObject* Dialog() const { return m_dialog; }

    // Called by the worker thread.
    int RunCommandLine(int* errorCode);
    int CurrentIndex() const { return m_currentIndex; }

    void SetInteraction(IExecutiveInteraction* interaction) { m_interaction = interaction; }

    // A line of the last run that did not do its work. Only some failures stop a run; the others let
    // it go on, but the run is not a success for them.
    struct FailedLine {
        int Index;
        std::string Line;
        int Result;
        int ErrorCode;
    };
    const std::vector<FailedLine>& FailedLines() const { return m_failed; }
    // The executor copied into the state directory by start-up; the boot unit runs it.
    void SetBootExecutor(const std::string& path) { m_bootExecutor = path; }
    // Runs as the boot-time executor: lines that may only run at boot are carried out.
    void SetAtBoot(bool atBoot) { m_atBoot = atBoot; }

private:
    int askVolumeInUse();
    int restart(int firstRemaining);

    std::vector<PendingCommand> m_commands;
    IExecutiveInteraction* m_interaction;
    KCommandWorkingThread* m_worker = nullptr;
    QObject* m_dialog = nullptr;
    IVolumeManager* m_manager = nullptr;
    IProgressReceiver* m_receiver = nullptr;
    int m_value = 0;
    std::string m_currentLine;
    std::atomic<int> m_currentIndex{0};
    std::string m_bootExecutor;
    bool m_atBoot = false;
    std::vector<FailedLine> m_failed;
};
