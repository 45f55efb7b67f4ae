#include "KRestart.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace KRestart {

bool RestartMachine()
{
    std::vector<std::string> words;
    if (const char* custom = std::getenv("VOLMARA_REBOOT_COMMAND"); custom && *custom) {
        std::istringstream in(custom);
        std::string word;
        while (in >> word)
            words.push_back(word);
    } else {
        if (::geteuid() != 0)
            return false;
        words = {"systemctl", "reboot"};
    }
    if (words.empty())
        return false;
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace KRestart
