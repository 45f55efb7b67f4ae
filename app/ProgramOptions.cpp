#include "ProgramOptions.h"

#include <cstring>

#include "VolmaraVersion.h"

namespace {

const char* kHelp =
    "Usage: volmara [--help | --version] [QT-OPTION]...\n"
    "\n"
    "Volmara, the interactive disk-partition manager. It shows the disks as bars and rows of\n"
    "partitions, queues operations, previews them and applies them with progress. Working on the\n"
    "machine's disks needs root: the desktop entry starts it through volmara-launcher (pkexec).\n"
    "\n"
    "Options:\n"
    "  --help, -h      show this text\n"
    "  --version       show the version and build date\n"
    "Other arguments go to Qt (for example -platform offscreen).\n"
    "\n"
    "Environment:\n"
    "  VOLMARA_DISKS           colon-separated disk-image files or block devices to work on\n"
    "  VOLMARA_STATE_DIR       the state directory (default /var/lib/volmara for root,\n"
    "                          else $XDG_STATE_HOME/volmara)\n"
    "  VOLMARA_ROOT            prefix for the system paths written at a restart (/etc/...)\n"
    "  VOLMARA_REBOOT_COMMAND  replaces the restart command\n"
    "  VOLMARA_FAULTS          fault injection (DISK:r:FIRST-LAST, DISK:w:FIRST-LAST, DISK:w-after:N)\n"
    "  VOLMARA_SCREENSHOT      save the window to this PNG file once painted, then end\n"
    "\n"
    "Exit status: 0 when the program ends, also after the messages that another copy runs or that\n"
    "no disk was found; 1 when the VOLMARA_SCREENSHOT file could not be written.\n"
    "See volmara(8) and volmara-cli(8).\n";

} // namespace

namespace ProgramOptions {

int Answer(int argc, const char* const* argv, std::FILE* out)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, out);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(VolmaraVersion::VersionLine("volmara").c_str(), out);
            return 0;
        }
    }
    return -1;
}

} // namespace ProgramOptions
