#include "KExecutorInstall.h"

#include <filesystem>
#include <system_error>

#include "engine/StateDirectory.h"

namespace KExecutorInstall {

std::string InstalledPath()
{
    return StateDirectoryPath() + "/volmara-cli";
}

bool Install(const std::string& source)
{
    if (!EnsureStateDirectory())
        return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string temp = InstalledPath() + ".new";
    fs::copy_file(source, temp, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return false;
    fs::permissions(temp, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec, ec);
    if (ec)
        return false;
    fs::rename(temp, InstalledPath(), ec);
    return !ec;
}

} // namespace KExecutorInstall
