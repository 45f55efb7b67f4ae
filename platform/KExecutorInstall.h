// Start-up puts the boot-time executor (the command-line tool) into the state directory, where the
// boot unit runs it from.
#pragma once

#include <string>

namespace KExecutorInstall {
// The executor path in the state directory.
std::string InstalledPath();
// Copies `source` there (replacing an older copy) with execute permission. True on success.
bool Install(const std::string& source);
}
