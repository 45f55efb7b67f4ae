#include "StateDirectory.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::string StateDirectoryPath()
{
    if (const char* env = std::getenv("VOLMARA_STATE_DIR"); env && *env)
        return env;
    if (::geteuid() == 0)
        return "/var/lib/volmara";
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg)
        return std::string(xdg) + "/volmara";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.local/state/volmara";
}

bool EnsureStateDirectory()
{
    const std::string path = StateDirectoryPath();
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
