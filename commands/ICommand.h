// A pending operation made from its command line.
#pragma once

#include "CommandSummary.h"

class IVolumeManager;
class IProgressReporter;

class ICommand {
public:
    virtual ~ICommand() = default;
    // Reads the line's parameters against the real model. 1 success; 0 when an argument is missing.
    virtual int Parse(IVolumeManager* manager, const char* line) = 0;
    virtual int Execute(IProgressReporter* reporter) = 0;
    virtual void SetErrorDetail(int code) = 0;
    virtual int GetErrorDetail() = 0;
    virtual int GetSummary(CommandSummary* out) = 0;
    // Copies the whole parameter block when size allows it, else 0. Callers pass 1024 bytes.
    virtual int GetParameters(void* out, unsigned size) = 0;
};
