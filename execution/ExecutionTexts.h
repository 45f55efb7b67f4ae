// Numbers turned into words for the user: operation names and error messages (source texts marked for
// the "ExecutionTexts" translation context; the GUI translates them when it shows them).
#pragma once

#include <string>

// The name of a command kind or progress step; empty for codes without one.
const char* OperationName(int code);
// The message for a command's error code; empty where there is none.
const char* ErrorMessage(int code);
// "Error Code: %1\n\n%2".
std::string ErrorText(int code);
