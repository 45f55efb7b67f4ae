// Restarting the machine: `systemctl reboot`, or VOLMARA_REBOOT_COMMAND (split at spaces) when set.
#pragma once

namespace KRestart {
// True when the restart command ran and succeeded.
bool RestartMachine();
}
