// volmara-cli: the command-line face of the Volmara core.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/DiskConfigurationText.h"
#include "VolmaraVersion.h"
#include "KConsoleInteraction.h"
#include "commands/CommandLine.h"
#include "engine/LinuxBlock.h"
#include "engine/StateDirectory.h"
#include "execution/CommandsFile.h"
#include "execution/ExecutionTexts.h"
#include "execution/KBatchCommandExecutive.h"
#include "execution/KCommandWorkingThread.h"
#include "model/KVirtualVolumeManager.h"
#include "model/KVolumeManager.h"

namespace {

const char* kUsage =
    "Usage: volmara-cli [--disk PATH]... COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  export [FILE]   write the disk configuration (one line per disk and per entry, free areas\n"
    "                  included) to FILE, or to standard output without FILE or with \"-\"\n"
    "  run LINE...     run command lines in order against the disks\n"
    "  apply FILE      run the pending lines of a commands file (the boot-time executor)\n"
    "\n"
    "Options:\n"
    "  --disk PATH     work on this disk-image file or block device (repeatable); without it the\n"
    "                  disks come from VOLMARA_DISKS, else from the machine (root only)\n"
    "  --in-use=retry|restart|cancel\n"
    "                  the answer when a volume is in use; without it the tool asks on a terminal\n"
    "                  and cancels otherwise\n"
    "  --progress      print progress as plain percentage lines instead of a bar\n"
    "  --help, -h      show this text\n"
    "  --version       show the version and build date\n"
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
    KVirtualVolumeManager layout;
    layout.Load(&manager);
    const std::string text = DiskConfigurationText(layout, DiskBlockStyle::Compact);
    // "-" is standard output, as the field's tools have it.
    if (args.empty() || args[0] == "-") {
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

struct RunOptions {
    int inUse = -1;
    bool plainProgress = false;
    bool atBoot = false;
};

int runCommands(const std::vector<PendingCommand>& commands, const RunOptions& options)
{
    KVolumeManager manager;
    if (!manager.Load(1, 1)) {
        std::fprintf(stderr, "volmara-cli: the disks could not be loaded\n");
        return 1;
    }
    KConsoleInteraction interaction(options.inUse);
    KBatchCommandExecutive executive(&interaction);
    executive.SetBootExecutor(std::string(StateDirectoryPath()) + "/volmara-cli");
    executive.SetAtBoot(options.atBoot);
    for (const auto& c : commands)
        executive.AddCommand(c.Line, c.DirectWrite);
    KCommandWorkingThread worker(&executive);
    const bool show = options.plainProgress || ::isatty(STDERR_FILENO);
    KConsoleProgress progress(options.plainProgress);
    if (show) {
        QObject::connect(&worker, &KCommandWorkingThread::setCommandName, &progress, &KConsoleProgress::onCommandName);
        QObject::connect(&worker, &KCommandWorkingThread::setCurrentProgressValue, &progress,
                         &KConsoleProgress::onOverall);
    }
    const int result = executive.RunWithWorker(&manager, &worker);
    progress.Finish();
    // Every line that did not do its work is named with its reason; a run with one is no success.
    for (const auto& failed : executive.FailedLines())
        std::fprintf(stderr, "volmara-cli: line %d failed (result %d, error code %d): %s\n  %s\n", failed.Index + 1,
                     failed.Result, failed.ErrorCode, FailureReason(failed.Result, failed.ErrorCode).c_str(),
                     failed.Line.c_str());
    if (result == 0 && executive.FailedLines().empty())
        return 0;
    if (result != 0 && result != 24)
        std::fprintf(stderr, "run result: %d\n", result);
    return 1;
}

// A disk named on the command line must be a readable and writable image file or block device, and
// named once: two names for one disk would keep two tables of it.
bool checkDisks(const std::vector<std::string>& disks)
{
    std::vector<std::pair<uint64_t, uint64_t>> seen;
    for (const auto& path : disks) {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            std::fprintf(stderr, "volmara-cli: cannot use disk %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
        if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
            std::fprintf(stderr, "volmara-cli: cannot use disk %s: not an image file or a block device\n", path.c_str());
            return false;
        }
        if (S_ISREG(st.st_mode) && st.st_size < 512) {
            std::fprintf(stderr, "volmara-cli: cannot use disk %s: smaller than one sector\n", path.c_str());
            return false;
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            std::fprintf(stderr, "volmara-cli: cannot use disk %s: %s\n", path.c_str(), std::strerror(errno));
            return false;
        }
        ::close(fd);
        std::pair<uint64_t, uint64_t> identity;
        LinuxBlock::DiskIdentity(path, identity);
        if (std::find(seen.begin(), seen.end(), identity) != seen.end()) {
            std::fprintf(stderr, "volmara-cli: the disk %s is named twice\n", path.c_str());
            return false;
        }
        seen.push_back(identity);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> disks;
    RunOptions options;
    std::string command;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (command.empty() && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (command.empty() && arg == "--version") {
            std::fputs(VolmaraVersion::VersionLine("volmara-cli").c_str(), stdout);
            return 0;
        }
        if (command.empty() && arg == "--disk") {
            if (i + 1 >= argc)
                return usageError("--disk needs a path");
            disks.push_back(argv[++i]);
        } else if (command.empty() && arg.rfind("--disk=", 0) == 0) {
            disks.push_back(arg.substr(7));
        } else if (command.empty() && arg.rfind("--in-use=", 0) == 0) {
            const std::string answer = arg.substr(9);
            if (answer == "retry")
                options.inUse = kChoiceRetry;
            else if (answer == "restart")
                options.inUse = kChoiceRestart;
            else if (answer == "cancel")
                options.inUse = kChoiceCancel;
            else
                return usageError("--in-use takes retry, restart or cancel");
        } else if (command.empty() && arg == "--progress") {
            options.plainProgress = true;
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
        if (!checkDisks(disks))
            return 1;
        ::setenv("VOLMARA_DISKS", joined.c_str(), 1);
    }
    if (command.empty())
        return usageError("no command given");
    if (command == "export")
        return runExport(args);
    if (command == "run") {
        if (args.empty())
            return usageError("run needs at least one command line");
        std::vector<PendingCommand> commands;
        for (const auto& line : args) {
            if (line.empty())
                return usageError("an empty command line");
            if (line.size() > kMaxCommandLine)
                return usageError("a command line is longer than 511 characters");
            commands.push_back(PendingCommand::Make(line.c_str(), 0));
        }
        return runCommands(commands, options);
    }
    if (command == "apply") {
        if (args.size() != 1)
            return usageError("apply takes one commands file");
        std::ifstream in(args[0], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "volmara-cli: cannot read %s\n", args[0].c_str());
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        if (options.inUse < 0)
            options.inUse = kChoiceCancel; // at boot nobody can be asked
        options.atBoot = true;
        std::vector<PendingCommand> commands;
        std::string error;
        if (!ReadCommandsFileStrict(text.str(), commands, error)) {
            std::fprintf(stderr, "volmara-cli: %s: %s\n", args[0].c_str(), error.c_str());
            return 1;
        }
        return runCommands(commands, options);
    }
    return usageError("unknown command " + command);
}
