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
#include <mutex>
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

// The kernel's whole-disk block devices by name, sorted.
std::vector<std::string> blockDeviceNames()
{
    std::vector<std::string> names;
    DIR* dir = ::opendir("/sys/block");
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
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

bool DiskIdentity(const std::string& path, std::pair<uint64_t, uint64_t>& identity)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity = S_ISBLK(st.st_mode) ? std::make_pair(uint64_t(st.st_rdev), uint64_t(0))
                                   : std::make_pair(uint64_t(st.st_dev), uint64_t(st.st_ino));
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
        std::vector<std::pair<uint64_t, uint64_t>> seen;
        while (std::getline(in, item, ':')) {
            if (item.empty())
                continue;
            std::pair<uint64_t, uint64_t> identity;
            if (DiskIdentity(item, identity)) {
                if (std::find(seen.begin(), seen.end(), identity) != seen.end())
                    continue;
                seen.push_back(identity);
            }
            paths.push_back(item);
        }
        return paths;
    }
    for (const auto& name : blockDeviceNames())
        if (acceptedDiskName(name))
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

namespace {

// A partition as sysfs shows it: its folder name (also its node's name under /dev) and device number.
struct SysfsPartition {
    KernelPartition part;
    std::string name;
    std::string devno; // "major:minor"
};

std::vector<SysfsPartition> sysfsPartitions(const std::string& devicePath)
{
    std::vector<SysfsPartition> parts;
    const std::string dir = sysfsDir(devicePath);
    if (dir.empty())
        return parts;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return parts;
    while (dirent* e = ::readdir(d)) {
        const std::string sub = dir + "/" + e->d_name;
        const std::string number = readFirstLine(sub + "/partition");
        if (number.empty())
            continue;
        SysfsPartition sp{};
        sp.part.number = std::atoi(number.c_str());
        sp.part.startSector = std::strtoll(readFirstLine(sub + "/start").c_str(), nullptr, 10);
        sp.part.sectorCount = std::strtoll(readFirstLine(sub + "/size").c_str(), nullptr, 10);
        sp.name = e->d_name;
        sp.devno = readFirstLine(sub + "/dev");
        parts.push_back(sp);
    }
    ::closedir(d);
    std::sort(parts.begin(), parts.end(), [](auto& a, auto& b) { return a.part.number < b.part.number; });
    return parts;
}

} // namespace

std::vector<KernelPartition> KernelPartitions(const std::string& devicePath)
{
    std::vector<KernelPartition> parts;
    for (const auto& sp : sysfsPartitions(devicePath))
        parts.push_back(sp.part);
    return parts;
}

std::string PartitionNode(const std::string& devicePath, int64_t startSector)
{
    for (const auto& sp : sysfsPartitions(devicePath))
        if (sp.part.startSector == startSector)
            return "/dev/" + sp.name;
    return {};
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

bool ImageRangeMounted(const std::string& imagePath, int64_t firstByte, int64_t bytes)
{
    char resolved[PATH_MAX];
    if (!::realpath(imagePath.c_str(), resolved))
        return false;
    const auto overlaps = [&](int64_t first, int64_t length) {
        return first < firstByte + bytes && (length <= 0 || first + length > firstByte);
    };
    for (const auto& name : blockDeviceNames()) {
        if (name.rfind("loop", 0) != 0)
            continue;
        const std::string base = "/sys/block/" + name + "/loop/";
        if (readFirstLine(base + "backing_file") != resolved)
            continue;
        const int64_t offset = std::atoll(readFirstLine(base + "offset").c_str());
        const int64_t limit = std::atoll(readFirstLine(base + "sizelimit").c_str());
        const std::string node = "/dev/" + name;
        if (IsMounted(node) && overlaps(offset, limit))
            return true;
        for (const auto& part : KernelPartitions(node))
            if (overlaps(offset + part.startSector * 512, part.sectorCount * 512) &&
                IsMounted(PartitionNode(node, part.startSector)))
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

namespace {

// One exclusive open of a partition node by this process. While a commit has let go of it, fd is -1.
struct Claim {
    int id;
    std::string disk; // the disk's sysfs folder
    int64_t start;
    std::string devno;
    int fd;
};

std::mutex g_claimMutex;
std::vector<Claim> g_claims;
int g_nextClaim = 1;

int openExclusive(const std::string& node)
{
    return ::open(node.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
}

bool claimedHere(const std::string& devno)
{
    std::lock_guard<std::mutex> guard(g_claimMutex);
    return std::any_of(g_claims.begin(), g_claims.end(), [&](auto& c) { return c.fd >= 0 && c.devno == devno; });
}

// The kernel cannot delete a partition that is open, our own claims included.
void letGo(const std::string& disk, const std::string& devno)
{
    std::lock_guard<std::mutex> guard(g_claimMutex);
    for (auto& c : g_claims)
        if (c.fd >= 0 && c.disk == disk && c.devno == devno) {
            ::close(c.fd);
            c.fd = -1;
            c.devno.clear();
        }
}

void takeBack(const std::string& devicePath, const std::vector<SysfsPartition>& parts)
{
    const std::string disk = sysfsDir(devicePath);
    std::lock_guard<std::mutex> guard(g_claimMutex);
    for (auto& c : g_claims) {
        if (c.fd >= 0 || c.disk != disk)
            continue;
        for (const auto& sp : parts)
            if (sp.part.startSector == c.start) {
                c.fd = openExclusive("/dev/" + sp.name);
                if (c.fd >= 0)
                    c.devno = sp.devno;
            }
    }
}

// A partition of the kernel's list survives a change to `wanted` when its number still starts there
// (its size may change: the kernel resizes open partitions in place).
bool survives(const std::vector<KernelPartition>& wanted, const KernelPartition& have)
{
    return std::any_of(wanted.begin(), wanted.end(), [&](auto& w) {
        return w.number == have.number && w.startSector == have.startSector;
    });
}

std::string mountPointOf(const std::string& devno)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, number, root, point;
        fields >> id >> parent >> number >> root >> point;
        if (number == devno)
            return point;
    }
    return {};
}

bool usedAsSwap(const std::string& devno)
{
    std::ifstream in("/proc/swaps");
    std::string line;
    std::getline(in, line); // heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string path;
        fields >> path;
        if (DeviceNumber(path) == devno)
            return true;
    }
    return false;
}

// Why the kernel could not drop the partition now, or "" when it could.
std::string whyBusy(const std::string& disk, const SysfsPartition& sp)
{
    const std::string point = mountPointOf(sp.devno);
    if (!point.empty())
        return "mounted at " + point;
    if (usedAsSwap(sp.devno))
        return "in use as swap";
    if (DIR* holders = ::opendir((disk + "/" + sp.name + "/holders").c_str())) {
        std::string holder;
        while (dirent* e = ::readdir(holders))
            if (e->d_name[0] != '.')
                holder = e->d_name;
        ::closedir(holders);
        if (!holder.empty())
            return "held by " + holder;
    }
    // Mounts that mountinfo names by an anonymous number, and other exclusive openers.
    const int fd = openExclusive("/dev/" + sp.name);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    return errno == EBUSY ? "in use" : "";
}

bool partitionRequest(int fd, int op, const KernelPartition& p)
{
    blkpg_partition part{};
    part.pno = p.number;
    part.start = p.startSector * 512;
    part.length = p.sectorCount * 512;
    blkpg_ioctl_arg arg{};
    arg.op = op;
    arg.datalen = sizeof part;
    arg.data = &part;
    // A probe (udev's, after our write) holds a partition open for a moment.
    for (int attempt = 0;; ++attempt) {
        if (::ioctl(fd, BLKPG, &arg) == 0)
            return true;
        if (errno != EBUSY || attempt == 40)
            return false;
        ::usleep(50000);
    }
}

} // namespace

int ClaimPartition(const std::string& devicePath, int64_t startSector)
{
    const std::string disk = sysfsDir(devicePath);
    for (const auto& sp : sysfsPartitions(devicePath)) {
        if (sp.part.startSector != startSector)
            continue;
        const int fd = openExclusive("/dev/" + sp.name);
        if (fd < 0)
            return 0;
        std::lock_guard<std::mutex> guard(g_claimMutex);
        g_claims.push_back({g_nextClaim, disk, startSector, sp.devno, fd});
        return g_nextClaim++;
    }
    return 0;
}

void ReleaseClaim(int claim)
{
    std::lock_guard<std::mutex> guard(g_claimMutex);
    for (auto it = g_claims.begin(); it != g_claims.end(); ++it)
        if (it->id == claim) {
            if (it->fd >= 0)
                ::close(it->fd);
            g_claims.erase(it);
            return;
        }
}

std::vector<std::string> PartitionsInTheWay(const std::string& devicePath, const std::vector<KernelPartition>& wanted)
{
    std::vector<std::string> busy;
    const std::string disk = sysfsDir(devicePath);
    for (const auto& sp : sysfsPartitions(devicePath)) {
        if (survives(wanted, sp.part) || claimedHere(sp.devno))
            continue;
        const std::string why = whyBusy(disk, sp);
        if (!why.empty())
            busy.push_back("/dev/" + sp.name + ": " + why);
    }
    return busy;
}

bool ReloadPartitionTable(int fd, const std::string& devicePath, const std::vector<KernelPartition>& wanted)
{
    ::fsync(fd);
    if (KernelPartitions(devicePath) == wanted)
        return true;
    // Refused while any partition is open; on a kernel without a parser for the table it only drops them.
    if (::ioctl(fd, BLKRRPART) == 0 && KernelPartitions(devicePath) == wanted)
        return true;

    const std::string disk = sysfsDir(devicePath);
    const auto current = sysfsPartitions(devicePath);
    for (const auto& sp : current)
        if (!survives(wanted, sp.part)) {
            letGo(disk, sp.devno);
            partitionRequest(fd, BLKPG_DEL_PARTITION, sp.part);
        }
    auto kept = [&current](const KernelPartition& want) {
        return std::find_if(current.begin(), current.end(), [&](auto& sp) {
            return sp.part.number == want.number && sp.part.startSector == want.startSector;
        });
    };
    // Resizes before additions: a shrunk partition makes room for a new one.
    for (const auto& want : wanted)
        if (const auto have = kept(want); have != current.end() && have->part.sectorCount != want.sectorCount)
            partitionRequest(fd, BLKPG_RESIZE_PARTITION, want);
    for (const auto& want : wanted)
        if (kept(want) == current.end())
            partitionRequest(fd, BLKPG_ADD_PARTITION, want);
    const auto now = sysfsPartitions(devicePath);
    takeBack(devicePath, now);
    std::vector<KernelPartition> seen;
    for (const auto& sp : now)
        seen.push_back(sp.part);
    return seen == wanted;
}

bool PartitionNodesPresent(const std::string& devicePath)
{
    for (const auto& sp : sysfsPartitions(devicePath))
        if (DeviceNumber("/dev/" + sp.name) != sp.devno)
            return false;
    return true;
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
