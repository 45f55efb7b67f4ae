#include "ImageMount.h"

#include <cctype>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"

namespace TestSupport {

std::vector<std::string> MountServers(const std::string& image)
{
    std::vector<std::string> pids;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return pids;
    while (const dirent* e = ::readdir(proc)) {
        if (!std::isdigit(static_cast<unsigned char>(e->d_name[0])))
            continue;
        // Processes come and go while the list is read: one that ended reads as nothing.
        std::string command;
        const int fd = ::open((std::string("/proc/") + e->d_name + "/cmdline").c_str(), O_RDONLY);
        if (fd >= 0) {
            char buffer[4096];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                command.append(buffer, size_t(n));
            ::close(fd);
        }
        if (command.rfind("ntfs-3g", 0) == 0 && command.find(image) != std::string::npos)
            pids.push_back(e->d_name);
    }
    ::closedir(proc);
    return pids;
}

ImageMount::ImageMount(const std::string& image, const std::string& point, const std::string& options)
    : m_image(image), m_point(point)
{
    ::mkdir(point.c_str(), 0755);
    const ToolResult r = options.empty() ? RunTool({"ntfs-3g", image, point})
                                         : RunTool({"ntfs-3g", "-o", options, image, point});
    m_mounted = r.exitCode == 0;
    m_output = r.output;
}

bool ImageMount::Unmount()
{
    if (!m_mounted)
        return true;
    const std::vector<std::string> servers = MountServers(m_image);
    if (RunTool({"umount", m_point}).exitCode != 0)
        return false;
    m_mounted = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (const std::string& pid : servers)
        while (::access(("/proc/" + pid).c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return std::chrono::steady_clock::now() < deadline;
}

} // namespace TestSupport
