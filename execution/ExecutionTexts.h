// Numbers turned into words for the user: operation names and error messages (source texts marked for
// the "ExecutionTexts" translation context; the GUI translates them when it shows them).
#pragma once

#include <string>

// The name of a command kind or progress step; empty for codes without one.
const char* OperationName(int code);
// Error code of this platform: a table change refused, before anything was written, because a partition
// the kernel would have to drop (remove, move or renumber) is mounted or otherwise in use.
inline constexpr int kErrorPartitionInUseBySystem = 60;

// The message for a command's error code; empty where there is none.
const char* ErrorMessage(int code);
// "Error Code: %1\n\n%2".
std::string ErrorText(int code);
// Whether a line's run result means it did not do its work (every result but 0 and the four that stop
// or divert the run: volume in use, cancelled, restarting; 24 is a failure that also stops it).
bool IsFailedLine(int result);
// Why a line failed, in words: the message of its error code where there is one, else of its result.
std::string FailureReason(int result, int errorCode);
