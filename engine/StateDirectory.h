// The engine's state directory: drive letters, the commands file and the boot-time executor live here.
#pragma once

#include <string>

// VOLMARA_STATE_DIR, else /var/lib/volmara for root, else $XDG_STATE_HOME/volmara or ~/.local/state/volmara.
std::string StateDirectoryPath();
// Creates the directory (and its parents) when missing. False when it cannot be made.
bool EnsureStateDirectory();
