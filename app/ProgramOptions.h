// The desktop program's own options (--help, --version). They are read from the plain argument list
// before any application object exists, so they answer without a display; every other argument is left
// to Qt (-platform, -style, ...).
#pragma once

#include <cstdio>

namespace ProgramOptions {

// When an argument asks for help or the version, prints the answer to `out` and returns the exit
// status; -1 when the program is to start.
int Answer(int argc, const char* const* argv, std::FILE* out);

} // namespace ProgramOptions
