#include "KCommandRunner.h"

#include <chrono>
#include <memory>
#include <new>
#include <thread>

#include "ExecutionTexts.h"
#include "KProgressReporter.h"
#include "commands/KCommandFactory.h"
#include "engine/DiskEngine.h"
#include "model/IVolumeManager.h"

KCommandRunner::KCommandRunner(IVolumeManager* manager, IProgressReceiver* receiver, CommandRunHooks hooks)
    : m_manager(manager), m_receiver(receiver), m_hooks(std::move(hooks))
{
    if (!m_hooks.Wait)
        m_hooks.Wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

int KCommandRunner::Run(const std::string& line, int* errorCode)
{
    if (errorCode)
        *errorCode = 0;
    if (!m_manager)
        return kRunNoManager;
    std::unique_ptr<ICommand> command = CreateCommand(line.c_str());
    if (!command)
        return kRunUnknownCommand;
    if (!command->Parse(m_manager, line.c_str())) {
        if (errorCode)
            *errorCode = command->GetErrorDetail(); // why the line was refused
        return kRunRefused;
    }
    if (m_hooks.CommandParsed)
        m_hooks.CommandParsed(*command);

    int result = kRunOk;
    CommandSummary summary{};
    PartitionInfo target{};
    std::unique_ptr<IVolumeDevice> device;
    while (true) {
        if (!command->GetSummary(&summary))
            return kRunNoSummary;
        if (summary.BootTimeOnly && !m_hooks.AtBoot)
            return kRunVolumeInUse;
        if (m_hooks.CommandStarted)
            m_hooks.CommandStarted(summary.CommandKind);
        if (m_receiver)
            m_receiver->SetProcessName(0);
        target = MakeEmptyPartitionInfo();
        m_manager->GetPartition(summary.DiskIndex, summary.PartitionIndex, &target);

        // A merge also needs the partition after the target for itself.
        std::unique_ptr<IVolumeDevice> neighbour;
        char neighbourLetter = 0;
        if (summary.CommandKind == 20) {
            neighbour.reset(m_manager->CreateVolumeDevice(summary.DiskIndex, summary.PartitionIndex + 1));
            if (neighbour) {
                PartitionInfo info{};
                if (neighbour->GetPartitionInfo(&info))
                    neighbourLetter = info.DriveLetter;
                if (!neighbour->Lock()) {
                    neighbour->Unlock();
                    return kRunVolumeInUse;
                }
                neighbour->Dismount();
                neighbour->AfterDismount();
            }
        }
        device.reset(m_manager->CreateVolumeDevice(summary.DiskIndex, summary.PartitionIndex));
        bool lockedHere = false;
        if (device) {
            if (summary.LockVolume) {
                if (!device->Lock()) {
                    if (neighbour) {
                        neighbour->Unlock();
                        if (neighbourLetter)
                            neighbour->SetDriveLetter(neighbourLetter);
                    }
                    return kRunVolumeInUse;
                }
                lockedHere = true;
            }
            if (summary.Dismount)
                device->Dismount();
            device->AfterDismount();
        }

        KProgressReporter reporter(m_receiver);
        if (m_receiver)
            m_receiver->ResetProgress();
        SetLastDiskError(kDiskErrorNone);
        try {
            result = command->Execute(&reporter);
        } catch (const std::bad_alloc&) {
            command->SetErrorDetail(2);
            result = kRunFailed;
        } catch (...) {
            command->SetErrorDetail(6);
            result = kRunFailed;
        }
        // A table the kernel could not have followed was refused before anything was written: a failure
        // with its own message, not a table-change code the run would pass over.
        if (result != kRunOk && result != kRunAgain && GetLastDiskError() == kDiskErrorPartitionInUse) {
            command->SetErrorDetail(kErrorPartitionInUseBySystem);
            result = kRunFailed;
        }

        if (neighbour) {
            neighbour->Unlock();
            if (result == kRunAgain && neighbourLetter)
                neighbour->SetDriveLetter(neighbourLetter);
        }
        if (device && lockedHere)
            device->Unlock();
        if (result != kRunAgain)
            break;
        device.reset();
    }
    if (errorCode)
        *errorCode = command->GetErrorDetail();

    if (result != kRunOk) {
        // A failed command gets the letter back that was taken from it.
        if (summary.Dismount && target.DriveLetter && device) {
            device->SetDriveLetter(target.DriveLetter);
            m_manager->CommitPartitionQuiet(summary.DiskIndex, summary.PartitionIndex);
        }
        return result;
    }
    if (m_receiver)
        m_receiver->EnableUserCancel(0);
    device.reset();
    if (summary.RestoreLetter)
        restoreLetter(*command);
    return kRunOk;
}

void KCommandRunner::restoreLetter(ICommand& command)
{
    CommandSummary summary{};
    if (!command.GetSummary(&summary))
        return;
    for (int attempt = 0; attempt < 10 && summary.Letter > 0; ++attempt) {
        std::unique_ptr<IVolumeDevice> device(
            m_manager->CreateVolumeDevice(summary.LetterDiskIndex, summary.LetterPartitionIndex));
        PartitionInfo info{};
        if (!device || !device->GetPartitionInfo(&info) || info.VolumePresent < 1)
            return;
        if (info.DriveLetter)
            device->Dismount();
        if (device->SetDriveLetter(char(summary.Letter))) {
            m_manager->CommitPartitionQuiet(summary.LetterDiskIndex, summary.LetterPartitionIndex);
            if (device->GetPartitionInfo(&info) && info.DriveLetter == char(summary.Letter))
                return;
        }
        m_hooks.Wait(500);
    }
}
