// The commands file handed to the boot-time executor: a banner, a snapshot of the real layout (free
// areas included) and the pending lines, "*" in front of direct-write ones. Lines end in CR LF.
#pragma once

#include <string>
#include <vector>

#include "PendingCommand.h"

class IVolumeManager;

std::string BuildCommandsFile(IVolumeManager& manager, const std::vector<PendingCommand>& commands);
// Writes the text to the file, replacing it. False when the file cannot be written completely.
bool WriteTextFile(const std::string& path, const std::string& text);
// The pending lines of a commands file; header and snapshot are skipped.
std::vector<PendingCommand> ReadCommandsFile(const std::string& text);
// The same, for a file that must be one: false (with the reason) for text that has NUL bytes, no
// "CommandCount:" line, a count that is not a plain number, or fewer lines than it announces.
bool ReadCommandsFileStrict(const std::string& text, std::vector<PendingCommand>& commands, std::string& error);
