#include "KBootRegistration.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace KBootRegistration {

namespace {

bool makeDirectories(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        if (::mkdir(path.substr(0, pos).c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

std::string RootPrefix()
{
    const char* root = std::getenv("VOLMARA_ROOT");
    return root ? root : "";
}

std::string UnitPath()
{
    return RootPrefix() + "/etc/systemd/system/" + kUnitName;
}

std::string WantsLinkPath()
{
    return RootPrefix() + "/etc/systemd/system/sysinit.target.wants/" + kUnitName;
}

std::string UnitText(const std::string& executor, const std::string& commandsFile)
{
    // The paths inside the unit are those of the running system, without the test prefix.
    return "[Unit]\n"
           "Description=Volmara pending disk operations\n"
           "DefaultDependencies=no\n"
           "Before=local-fs-pre.target\n"
           "Wants=local-fs-pre.target\n"
           "ConditionPathExists=" + commandsFile + "\n"
           "\n"
           "[Service]\n"
           "Type=oneshot\n"
           "ExecStart=" + executor + " apply " + commandsFile + "\n"
           "ExecStopPost=/bin/rm -f /etc/systemd/system/sysinit.target.wants/" + kUnitName + "\n"
           "StandardOutput=journal+console\n"
           "\n"
           "[Install]\n"
           "WantedBy=sysinit.target\n";
}

bool Register(const std::string& executor, const std::string& commandsFile)
{
    const std::string unit = UnitPath();
    const std::string link = WantsLinkPath();
    if (!makeDirectories(unit.substr(0, unit.rfind('/'))) || !makeDirectories(link.substr(0, link.rfind('/'))))
        return false;
    const std::string text = UnitText(executor, commandsFile);
    if (readFile(unit) != text) {
        std::ofstream out(unit, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out)
            return false;
    }
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0)
        return true; // already enabled: added once
    return ::symlink(("/etc/systemd/system/" + std::string(kUnitName)).c_str(), link.c_str()) == 0;
}

bool IsRegistered()
{
    struct stat st {};
    return ::lstat(WantsLinkPath().c_str(), &st) == 0 && ::stat(UnitPath().c_str(), &st) == 0;
}

} // namespace KBootRegistration
