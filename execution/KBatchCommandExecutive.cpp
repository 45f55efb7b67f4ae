#include "KBatchCommandExecutive.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QList>
#include <cstring>
#include <memory>

#include "CommandDescription.h"
#include "CommandsFile.h"
#include "ExecutionTexts.h"
#include "KCommandRunner.h"
#include "KCommandWorkingThread.h"
#include "commands/KCommandFactory.h"
#include "engine/DiskEngine.h"
#include "model/IVolumeManager.h"
#include "platform/KBootRegistration.h"
#include "platform/KRestart.h"

KBatchCommandExecutive::KBatchCommandExecutive(IExecutiveInteraction* interaction, QObject* parent)
    : QObject(parent), m_interaction(interaction)
{
}

KBatchCommandExecutive::~KBatchCommandExecutive() = default;

int KBatchCommandExecutive::WriteCommandsFile(int, const char* path)
{
    if (!path || !m_manager)
        return 0;
    return WriteTextFile(path, BuildCommandsFile(*m_manager, m_commands)) ? 1 : 0;
}

void KBatchCommandExecutive::AddCommand(const char* line, int directWrite)
{
    m_commands.push_back(PendingCommand::Make(line, directWrite));
}

int KBatchCommandExecutive::GetDirectWriteFlag(int index)
{
    if (index < 0 || index >= int(m_commands.size()))
        return 0;
    return m_commands[size_t(index)].DirectWrite;
}

int KBatchCommandExecutive::RemoveCommand(int index)
{
    if (index < 0 || index >= int(m_commands.size()))
        return 0;
    m_commands.erase(m_commands.begin() + index);
    return 1;
}

int KBatchCommandExecutive::GetCommandLine(int index, char* buffer, unsigned size)
{
    if (!buffer || index < 0 || index >= int(m_commands.size()))
        return 0;
    const size_t length = std::strlen(m_commands[size_t(index)].Line);
    if (size < length + 1)
        return 0;
    std::memcpy(buffer, m_commands[size_t(index)].Line, length + 1);
    return 1;
}

int KBatchCommandExecutive::GetCommandLine(int index, char* buffer)
{
    if (!buffer || index < 0 || index >= int(m_commands.size()))
        return 0;
    std::strcpy(buffer, m_commands[size_t(index)].Line);
    return 1;
}

int KBatchCommandExecutive::RunWithWorker(IVolumeManager* manager, KCommandWorkingThread* worker)
{
    m_worker = worker;
    const int result = Execute(manager, 0, worker);
    if (worker->isRunning())
        worker->wait();
    m_worker = nullptr;
    return result;
}

int KBatchCommandExecutive::RunWithDialog(IVolumeManager* manager, QObject* dialog)
{
    if (!dialog)
        return Execute(manager, 0, nullptr);
    m_dialog = dialog;
    auto worker = std::make_unique<KCommandWorkingThread>(this);
    KCommandWorkingThread* w = worker.get();
    QList<QMetaObject::Connection> connections;
    connections << connect(w, SIGNAL(setOperationsPendingIndex(int)), dialog, SLOT(onSetOperationsPendingIndex(int)));
    connections << connect(w, SIGNAL(setCommandInformationText(QString)), dialog, SLOT(onSetProgressText(QString)));
    connections << connect(w, SIGNAL(setCurrentProgressValue(int)), dialog, SLOT(onSetCurrentProgressBarValue(int)));
    if (QObject* stepBar = dialog->findChild<QObject*>(QStringLiteral("progressBar_3")))
        connections << connect(w, SIGNAL(setChildProgressValue(int)), stepBar, SLOT(setValue(int)));
    if (QObject* cancel = dialog->findChild<QObject*>(QStringLiteral("cancelButton")))
        connections << connect(w, SIGNAL(setEnableUserCancel(bool)), cancel, SLOT(setEnabled(bool)));
    connections << connect(w, SIGNAL(setProcessName(QString)), dialog, SLOT(onSetProcessingName(QString)));
    connections << connect(w, SIGNAL(setCommandName(QString)), dialog, SLOT(onSetCommandName(QString)));
    connections << connect(dialog, SIGNAL(setDialogUserCanceled(bool)), w, SLOT(OnDialogUserCanceled(bool)));
    const int result = RunWithWorker(manager, w);
    for (const QMetaObject::Connection& c : connections)
        disconnect(c);
    if (w->isRunning())
        w->wait();
    worker.reset();
    m_dialog = nullptr;
    return result;
}

int KBatchCommandExecutive::Execute(IVolumeManager* manager, int value, IProgressReceiver* receiver)
{
    if (!manager)
        return kRunNoManager;
    std::unique_ptr<KCommandWorkingThread> ownWorker;
    KCommandWorkingThread* worker = m_worker;
    if (!worker) {
        ownWorker = std::make_unique<KCommandWorkingThread>(this);
        worker = ownWorker.get();
    }
    m_manager = manager;
    m_value = value;
    m_receiver = receiver ? receiver : worker;
    m_receiver->EnableUserCancel(0);
    m_failed.clear();

    int result = kRunOk;
    for (int i = 0; i < GetCommandCount(); ++i) {
        const PendingCommand& entry = m_commands[size_t(i)];
        if (!entry.Line[0])
            continue;
        m_currentIndex = i;
        m_currentLine = entry.Line;
        manager->SetDirectWriteMode(entry.DirectWrite);
        int lineResult = 0;
        while (true) {
            {
                // Serves events while the worker runs and sleeps while there are none.
                QEventLoop running;
                connect(worker, &QThread::finished, &running, &QEventLoop::quit);
                worker->start();
                running.exec();
            }
            worker->wait();
            QCoreApplication::processEvents();
            lineResult = worker->Result();
            if (lineResult != kRunVolumeInUse)
                break;
            const int choice = askVolumeInUse();
            if (choice == kChoiceRetry)
                continue;
            lineResult = choice == kChoiceRestart ? restart(i) : kRunCancelled;
            break;
        }
        if (IsFailedLine(lineResult))
            m_failed.push_back({i, m_currentLine, lineResult, worker->ErrorCode()});
        if (lineResult == kRunCancelled || lineResult == kRunRestarting) {
            result = lineResult;
            break;
        }
        if (lineResult == kRunFailed) {
            if (worker->ErrorCode() != 46 && m_interaction)
                m_interaction->ShowCommandError(m_currentLine, ErrorText(worker->ErrorCode()));
            result = kRunFailed;
            break;
        }
    }
    m_currentLine.clear();
    m_manager = nullptr;
    m_receiver = nullptr;
    m_value = 0;
    return result;
}

int KBatchCommandExecutive::RunCommandLine(int* errorCode)
{
    KCommandWorkingThread* worker = m_worker;
    CommandRunHooks hooks;
    hooks.AtBoot = m_atBoot;
    const int total = GetCommandCount();
    const int index = m_currentIndex;
    IVolumeManager* manager = m_manager;
    hooks.CommandParsed = [worker, total, index, manager](ICommand& command) {
        if (worker)
            emit worker->setCommandInformationText(QString::fromUtf8(
                CommandInformationText(index, total, DescribeCommand(command, *manager)).c_str()));
    };
    hooks.CommandStarted = [worker](int kind) {
        if (worker) {
            emit worker->setCommandName(QString::fromUtf8(OperationName(kind)));
            emit worker->setCurrentProgressValue(0);
            emit worker->setChildProgressValue(0);
        }
    };
    KCommandRunner runner(m_manager, m_receiver, hooks);
    return runner.Run(m_currentLine, errorCode);
}

int KBatchCommandExecutive::askVolumeInUse()
{
    if (!m_interaction)
        return kChoiceCancel;
    std::unique_ptr<ICommand> command = CreateCommand(m_currentLine.c_str());
    CommandSummary summary{};
    if (!command || !command->Parse(m_manager, m_currentLine.c_str()) || !command->GetSummary(&summary))
        return kChoiceCancel;
    PartitionInfo p{};
    m_manager->GetPartition(summary.DiskIndex, summary.PartitionIndex, &p);
    std::string drive;
    if (p.DriveLetter)
        drive = std::string(1, p.DriveLetter) + ":";
    else if (summary.PartitionIndex < 0)
        drive = "Disk " + std::to_string(summary.DiskIndex + 1);
    else
        drive = "Disk " + std::to_string(summary.DiskIndex + 1) + " Partition " +
                std::to_string(summary.PartitionIndex + 1);
    return m_interaction->AskVolumeInUse(OperationName(summary.CommandKind), drive);
}

int KBatchCommandExecutive::restart(int firstRemaining)
{
    m_commands.erase(m_commands.begin(), m_commands.begin() + firstRemaining);
    char directory[255];
    if (!GetSystemDirectory(directory, sizeof directory)) {
        if (m_interaction)
            m_interaction->ShowRebootFailed();
        return kRunCancelled;
    }
    const std::string text = std::string(directory) + "/qzcmdlist.txt";
    const std::string backup = std::string(directory) + "/qzcmdlist.bak";
    // Without both files the pending lines would be lost at boot: no registration, no restart.
    if (!WriteCommandsFile(0, text.c_str()) || !WriteCommandsFile(0, backup.c_str())) {
        if (m_interaction)
            m_interaction->ShowRebootFailed();
        return kRunCancelled;
    }
    const std::string executor =
        m_bootExecutor.empty() ? std::string(directory) + "/volmara-cli" : m_bootExecutor;
    if (!KBootRegistration::Register(executor, text) || !KRestart::RestartMachine()) {
        if (m_interaction)
            m_interaction->ShowRebootFailed();
        return kRunCancelled;
    }
    QCoreApplication::quit();
    return kRunRestarting;
}
