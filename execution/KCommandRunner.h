// Runs one command line against the real model: makes and parses the command, locks and dismounts
// what its summary asks for, executes it with a progress reporter, and gives drive letters back or
// assigns them afterwards. This is the part of a run that happens on the worker thread.
#pragma once

#include <functional>
#include <string>

#include "commands/ICommand.h"

class IVolumeManager;
class IProgressReceiver;

// Run results.
enum RunResult : int {
    kRunOk = 0,
    kRunNoManager = 16,
    kRunUnknownCommand = 19,
    kRunNoSummary = 20,
    kRunRefused = 21,
    kRunVolumeInUse = 22,
    kRunCancelled = 23,
    kRunFailed = 24,
    kRunRestarting = 25,
    kRunAgain = 32,
};

struct CommandRunHooks {
    // Once per line, after parsing: the command, for its description.
    std::function<void(ICommand&)> CommandParsed;
    // The operation name of the command kind, each time it (re)starts.
    std::function<void(int kind)> CommandStarted;
    // Sleeps between letter attempts (tests shorten them).
    std::function<void(int milliseconds)> Wait;
    // The run is the boot-time executor's: lines that may only run at boot run.
    bool AtBoot = false;
};

class KCommandRunner {
public:
    KCommandRunner(IVolumeManager* manager, IProgressReceiver* receiver, CommandRunHooks hooks = {});
    // The run result; errorCode receives the command's error detail.
    int Run(const std::string& line, int* errorCode);

private:
    void restoreLetter(ICommand& command);

    IVolumeManager* m_manager;
    IProgressReceiver* m_receiver;
    CommandRunHooks m_hooks;
};
