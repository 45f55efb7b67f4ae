// How the executive asks and tells the user: message boxes in the GUI, a prompt or an option in the
// command-line tool.
#pragma once

#include <string>

enum VolumeInUseChoice : int { kChoiceRestart = 0, kChoiceRetry = 1, kChoiceCancel = 2 };

class IExecutiveInteraction {
public:
    virtual ~IExecutiveInteraction() = default;
    // operation: the operation name; drive: "E:", "Disk 1" or "Disk 1 Partition 2".
    virtual int AskVolumeInUse(const std::string& operation, const std::string& drive) = 0;
    // "Failed to execute the following command:\n\n%1\n\n%2"
    virtual void ShowCommandError(const std::string& line, const std::string& errorText) = 0;
    // "Failed to reboot system, please reboot your computer manually."
    virtual void ShowRebootFailed() = 0;
};
