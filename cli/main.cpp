// volmara-cli: the command-line face of the Volmara core.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CliExport.h"
#include "model/KVolumeManager.h"

namespace {

const char* kUsage =
    "Usage: volmara-cli [--disk PATH]... COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  export [FILE]   write the disk configuration (one line per disk and per entry) to FILE,\n"
    "                  or to standard output\n"
    "\n"
    "Options:\n"
    "  --disk PATH     work on this disk-image file or block device (repeatable); without it the\n"
    "                  disks come from VOLMARA_DISKS, else from the machine (root only)\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 success, 1 failure (reason on standard error), 2 usage error.\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "volmara-cli: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

int runExport(const std::vector<std::string>& args)
{
    if (args.size() > 1)
        return usageError("export takes at most one file name");
    KVolumeManager manager;
    if (!manager.Load(1, 1)) {
        std::fprintf(stderr, "volmara-cli: the disks could not be loaded\n");
        return 1;
    }
    const std::string text = ExportDiskConfiguration(manager);
    if (args.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    FILE* out = std::fopen(args[0].c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "volmara-cli: cannot write %s: %s\n", args[0].c_str(), std::strerror(errno));
        return 1;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "volmara-cli: cannot write %s\n", args[0].c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> disks;
    std::string command;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (command.empty() && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (command.empty() && arg == "--disk") {
            if (i + 1 >= argc)
                return usageError("--disk needs a path");
            disks.push_back(argv[++i]);
        } else if (command.empty() && arg.rfind("--disk=", 0) == 0) {
            disks.push_back(arg.substr(7));
        } else if (command.empty() && arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + arg);
        } else if (command.empty()) {
            command = arg;
        } else {
            args.push_back(arg);
        }
    }
    if (!disks.empty()) {
        std::string joined;
        for (const auto& d : disks) {
            if (d.find(':') != std::string::npos)
                return usageError("a disk path may not contain ':'");
            joined += (joined.empty() ? "" : ":") + d;
        }
        ::setenv("VOLMARA_DISKS", joined.c_str(), 1);
    }
    if (command.empty())
        return usageError("no command given");
    if (command == "export")
        return runExport(args);
    return usageError("unknown command " + command);
}
