#include "LinuxBlock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <linux/blkpg.h>
#include <linux/fs.h>
#include <linux/hdreg.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace LinuxBlock {

namespace {

std::string readFirstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\t'))
        line.pop_back();
    return line;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// sysfs folder of a whole-disk device node, "" if it has none.
std::string sysfsDir(const std::string& devicePath)
{
    char resolved[PATH_MAX];
    if (!::realpath(devicePath.c_str(), resolved))
        return {};
    const std::string dir = "/sys/block/" + baseName(resolved);
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 ? dir : std::string();
}

bool acceptedDiskName(const std::string& name)
{
    auto starts = [&name](const char* p) { return name.rfind(p, 0) == 0; };
    if (starts("mmcblk"))
        return name.find("boot") == std::string::npos && name.find("rpmb") == std::string::npos;
    if (starts("nvme"))
        return name.find('n', 4) != std::string::npos && name.find('p', 4) == std::string::npos;
    if (starts("loop")) {
        const std::string backing = readFirstLine("/sys/block/" + name + "/loop/backing_file");
        return !backing.empty();
    }
    return starts("sd") || starts("vd") || starts("hd") || starts("xvd");
}

} // namespace

int LogicalSectorSize(int fd)
{
    int size = 0;
    if (::ioctl(fd, BLKSSZGET, &size) != 0 || size <= 0)
        return 512;
    return size;
}

int64_t DeviceBytes(int fd)
{
    uint64_t bytes = 0;
    if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0)
        return -1;
    return int64_t(bytes);
}

bool Geometry(int fd, int& heads, int& sectorsPerTrack)
{
    struct hd_geometry geo {};
    if (::ioctl(fd, HDIO_GETGEO, &geo) != 0 || geo.heads == 0 || geo.sectors == 0)
        return false;
    heads = geo.heads;
    sectorsPerTrack = geo.sectors;
    return true;
}

std::vector<std::string> DiskPaths()
{
    std::vector<std::string> paths;
    if (const char* env = std::getenv("VOLMARA_DISKS")) {
        std::stringstream in(env);
        std::string item;
        // One disk named twice (the same path, a link, or two device nodes of one device) would be two
        // disks whose cached tables overwrite each other: only its first name counts.
        std::vector<std::pair<dev_t, ino_t>> seen;
        while (std::getline(in, item, ':')) {
            if (item.empty())
                continue;
            struct stat st {};
            if (::stat(item.c_str(), &st) == 0) {
                const auto identity = S_ISBLK(st.st_mode) ? std::make_pair(st.st_rdev, ino_t(0))
                                                          : std::make_pair(st.st_dev, st.st_ino);
                if (std::find(seen.begin(), seen.end(), identity) != seen.end())
                    continue;
                seen.push_back(identity);
            }
            paths.push_back(item);
        }
        return paths;
    }
    DIR* dir = ::opendir("/sys/block");
    if (!dir)
        return paths;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && acceptedDiskName(name))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names)
        paths.push_back("/dev/" + name);
    return paths;
}

std::string DeviceModel(const std::string& devicePath)
{
    const std::string dir = sysfsDir(devicePath);
    if (dir.empty())
        return {};
    std::string vendor = readFirstLine(dir + "/device/vendor");
    std::string model = readFirstLine(dir + "/device/model");
    if (model.empty())
        return {};
    return vendor.empty() ? model : vendor + " " + model;
}

std::vector<KernelPartition> KernelPartitions(const std::string& devicePath)
{
    std::vector<KernelPartition> parts;
    const std::string dir = sysfsDir(devicePath);
    if (dir.empty())
        return parts;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return parts;
    while (dirent* e = ::readdir(d)) {
        const std::string sub = dir + "/" + e->d_name;
        const std::string part = readFirstLine(sub + "/partition");
        if (part.empty())
            continue;
        KernelPartition kp{};
        kp.number = std::atoi(part.c_str());
        kp.startSector = std::strtoll(readFirstLine(sub + "/start").c_str(), nullptr, 10);
        kp.sectorCount = std::strtoll(readFirstLine(sub + "/size").c_str(), nullptr, 10);
        parts.push_back(kp);
    }
    ::closedir(d);
    std::sort(parts.begin(), parts.end(), [](auto& a, auto& b) { return a.number < b.number; });
    return parts;
}

std::string PartitionNode(const std::string& devicePath, int64_t startSector)
{
    const std::string dir = sysfsDir(devicePath);
    if (dir.empty())
        return {};
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return {};
    std::string node;
    while (dirent* e = ::readdir(d)) {
        const std::string sub = dir + "/" + e->d_name;
        if (readFirstLine(sub + "/partition").empty())
            continue;
        if (std::strtoll(readFirstLine(sub + "/start").c_str(), nullptr, 10) == startSector) {
            node = "/dev/" + std::string(e->d_name);
            break;
        }
    }
    ::closedir(d);
    return node;
}

std::string DeviceNumber(const std::string& node)
{
    struct stat st {};
    if (::stat(node.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    return std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

std::string MountedDeviceAt(const std::string& mountPoint)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, devno, root, point;
        fields >> id >> parent >> devno >> root >> point;
        if (point == mountPoint)
            return devno;
    }
    return {};
}

bool IsMounted(const std::string& node)
{
    const std::string devno = DeviceNumber(node);
    if (devno.empty())
        return false;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, number;
        fields >> id >> parent >> number;
        if (number == devno)
            return true;
    }
    return false;
}

bool Unmount(const std::string& node)
{
    std::ifstream in("/proc/self/mountinfo");
    const std::string devno = DeviceNumber(node);
    std::string line;
    std::vector<std::string> points;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, root, point;
        fields >> id >> parent >> number >> root >> point;
        if (number == devno)
            points.push_back(point);
    }
    bool ok = true;
    for (auto it = points.rbegin(); it != points.rend(); ++it)
        ok = ::umount2(it->c_str(), 0) == 0 && ok;
    return ok;
}

bool ReloadPartitionTable(int fd, const std::string& devicePath, const std::vector<KernelPartition>& wanted)
{
    ::fsync(fd);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::ioctl(fd, BLKRRPART) == 0)
            return true;
        if (errno != EBUSY)
            break;
        ::usleep(100000);
    }
    // Busy disk: change the partitions that differ one by one.
    bool ok = true;
    const auto current = KernelPartitions(devicePath);
    auto same = [](const KernelPartition& a, const KernelPartition& b) {
        return a.number == b.number && a.startSector == b.startSector && a.sectorCount == b.sectorCount;
    };
    for (const auto& have : current) {
        if (std::any_of(wanted.begin(), wanted.end(), [&](auto& w) { return same(w, have); }))
            continue;
        blkpg_partition part{};
        part.pno = have.number;
        blkpg_ioctl_arg arg{};
        arg.op = BLKPG_DEL_PARTITION;
        arg.datalen = sizeof part;
        arg.data = &part;
        if (::ioctl(fd, BLKPG, &arg) != 0)
            ok = false;
    }
    for (const auto& want : wanted) {
        if (std::any_of(current.begin(), current.end(), [&](auto& h) { return same(want, h); }))
            continue;
        blkpg_partition part{};
        part.pno = want.number;
        part.start = want.startSector * 512;
        part.length = want.sectorCount * 512;
        blkpg_ioctl_arg arg{};
        arg.op = BLKPG_ADD_PARTITION;
        arg.datalen = sizeof part;
        arg.data = &part;
        if (::ioctl(fd, BLKPG, &arg) != 0)
            ok = false;
    }
    return ok;
}

void UdevSettle(int timeoutMs)
{
    const std::string timeout = "--timeout=" + std::to_string((timeoutMs + 999) / 1000);
    const char* argv[] = {"udevadm", "settle", timeout.c_str(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "udevadm", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
        return;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace LinuxBlock
