// The pending command lines and their run.
#pragma once

#include "PendingCommand.h"

class IVolumeManager;
class IProgressReceiver;

class IBatchCommandExecutive {
public:
    virtual ~IBatchCommandExecutive() = default;
    virtual int Nothing(int, int) { return 1; }
    // 1 written, 0 when the file could not be opened.
    virtual int WriteCommandsFile(int ignored, const char* path) = 0;
    virtual int GetCommandCount() = 0;
    virtual void AddCommand(const char* line, int directWrite) = 0;
    virtual int GetDirectWriteFlag(int index) = 0;
    virtual int RemoveCommand(int index) = 0;
    virtual void ClearCommands() = 0;
    virtual int GetCommandLine(int index, char* buffer, unsigned size) = 0;
    virtual int GetCommandLine(int index, char* buffer) = 0;
    virtual int Execute(IVolumeManager* manager, int value, IProgressReceiver* receiver) = 0;
};
