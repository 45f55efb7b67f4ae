#include "KSectorFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <cerrno>
#include <linux/falloc.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FaultInjection.h"
#include "LinuxBlock.h"

namespace {

// Writes every byte, in calls of at most 1 GiB; a call that writes nothing, or (direct transfers) not a
// whole number of `unit`s, is a failure.
bool writeAll(int fd, const unsigned char* in, uint64_t bytes, off_t offset, uint64_t unit)
{
    while (bytes > 0) {
        const size_t chunk = bytes > (1u << 30) ? (1u << 30) : size_t(bytes);
        const ssize_t put = ::pwrite(fd, in, chunk, offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0 || uint64_t(put) % unit != 0)
            return false;
        in += put;
        offset += put;
        bytes -= uint64_t(put);
    }
    return true;
}

} // namespace

KSectorFile::~KSectorFile()
{
    Close();
}

bool KSectorFile::Open(const std::string& path, int diskNumber, bool writable)
{
    Close();
    const int fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    m_blockDevice = S_ISBLK(st.st_mode);
    if (!m_blockDevice && !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    int64_t bytes = 0;
    if (m_blockDevice) {
        m_sectorSize = LinuxBlock::LogicalSectorSize(fd);
        bytes = LinuxBlock::DeviceBytes(fd);
    } else {
        m_sectorSize = 512;
        bytes = st.st_size;
    }
    if (bytes < 0 || m_sectorSize <= 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_diskNumber = diskNumber;
    m_totalSectors = bytes / 512; // a trailing partial sector is ignored
    return true;
}

void KSectorFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_directFd >= 0)
        ::close(m_directFd);
    if (m_directReadFd >= 0)
        ::close(m_directReadFd);
    m_fd = m_directFd = m_directReadFd = -1;
    m_directRefused = m_directReadRefused = false;
    m_totalSectors = 0;
}

bool KSectorFile::inRange(int64_t firstSector, int64_t count) const
{
    return m_fd >= 0 && firstSector >= 0 && count >= 0 && count <= m_totalSectors &&
           firstSector <= m_totalSectors - count;
}

bool KSectorFile::Read(void* buffer, int64_t firstSector, int64_t count)
{
    if (!inRange(firstSector, count) || (count > 0 && !buffer))
        return false;
    if (FaultInjection::ReadFails(m_diskNumber, firstSector, count))
        return false;
    auto* out = static_cast<unsigned char*>(buffer);
    uint64_t left = uint64_t(count) * 512;
    off_t offset = off_t(firstSector) * 512;
    while (left > 0) {
        const size_t chunk = left > (1u << 30) ? (1u << 30) : size_t(left);
        const ssize_t got = ::pread(m_fd, out, chunk, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += got;
        left -= uint64_t(got);
    }
    return true;
}

bool KSectorFile::ReadDirect(void* buffer, int64_t firstSector, int64_t count)
{
    if (!inRange(firstSector, count) || (count > 0 && !buffer))
        return false;
    const uint64_t align = uint64_t(std::max(m_sectorSize, 512));
    const uint64_t offset = uint64_t(firstSector) * 512, length = uint64_t(count) * 512;
    if (m_directReadRefused || offset % align != 0 || length % align != 0)
        return Read(buffer, firstSector, count);
    if (m_directReadFd < 0) {
        m_directReadFd = ::open(m_path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
        if (m_directReadFd < 0) {
            m_directReadRefused = true;
            return Read(buffer, firstSector, count);
        }
    }
    if (FaultInjection::ReadFails(m_diskNumber, firstSector, count))
        return false;
    // Direct transfers need a buffer aligned to the memory page.
    constexpr uintptr_t kPage = 4096;
    auto* out = static_cast<unsigned char*>(buffer);
    std::unique_ptr<unsigned char, void (*)(void*)> bounce(nullptr, std::free);
    if (reinterpret_cast<uintptr_t>(out) % kPage != 0) {
        bounce.reset(static_cast<unsigned char*>(std::aligned_alloc(kPage, (length + kPage - 1) / kPage * kPage)));
        if (!bounce)
            return false;
        out = bounce.get();
    }
    unsigned char* at = out;
    uint64_t left = length;
    off_t position = off_t(offset);
    while (left > 0) {
        const size_t chunk = left > (1u << 30) ? (1u << 30) : size_t(left);
        const ssize_t got = ::pread(m_directReadFd, at, chunk, position);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EINVAL && at == out) {
            // The file system takes no direct reads after all (the open succeeded): read normally from
            // now on.
            m_directReadRefused = true;
            return Read(buffer, firstSector, count);
        }
        if (got <= 0 || uint64_t(got) % align != 0)
            return false;
        at += got;
        position += got;
        left -= uint64_t(got);
    }
    if (bounce)
        std::memcpy(buffer, out, length);
    return true;
}

bool KSectorFile::Write(const void* buffer, int64_t firstSector, int64_t count)
{
    if (!inRange(firstSector, count) || (count > 0 && !buffer))
        return false;
    if (FaultInjection::WriteFails(m_diskNumber, firstSector, count))
        return false;
    return writeAll(m_fd, static_cast<const unsigned char*>(buffer), uint64_t(count) * 512, off_t(firstSector) * 512, 1);
}

bool KSectorFile::WriteThrough(const void* buffer, int64_t firstSector, int64_t count)
{
    if (!m_blockDevice || m_directRefused)
        return Write(buffer, firstSector, count);
    if (!inRange(firstSector, count) || (count > 0 && !buffer))
        return false;
    const uint64_t align = uint64_t(std::max(m_sectorSize, 512));
    const uint64_t offset = uint64_t(firstSector) * 512, length = uint64_t(count) * 512;
    if (offset % align != 0 || length % align != 0)
        return Write(buffer, firstSector, count);
    if (m_directFd < 0) {
        m_directFd = ::open(m_path.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC);
        if (m_directFd < 0) {
            m_directRefused = true;
            return Write(buffer, firstSector, count);
        }
    }
    if (FaultInjection::WriteFails(m_diskNumber, firstSector, count))
        return false;
    // Direct transfers need a buffer aligned to the memory page.
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::unique_ptr<unsigned char, void (*)(void*)> bounce(nullptr, std::free);
    constexpr uintptr_t kPage = 4096;
    if (reinterpret_cast<uintptr_t>(in) % kPage != 0) {
        bounce.reset(static_cast<unsigned char*>(std::aligned_alloc(kPage, (length + kPage - 1) / kPage * kPage)));
        if (!bounce)
            return false;
        std::memcpy(bounce.get(), in, length);
        in = bounce.get();
    }
    return writeAll(m_directFd, in, length, off_t(offset), align);
}

bool KSectorFile::Zero(int64_t firstSector, int64_t count)
{
    if (!inRange(firstSector, count))
        return false;
    if (count == 0)
        return true;
    if (FaultInjection::WriteFails(m_diskNumber, firstSector, count))
        return false;
    const uint64_t offset = uint64_t(firstSector) * 512, length = uint64_t(count) * 512;
    if (m_blockDevice) {
        uint64_t range[2] = {offset, length};
        if (offset % uint64_t(m_sectorSize) == 0 && length % uint64_t(m_sectorSize) == 0
            && ::ioctl(m_fd, BLKZEROOUT, range) == 0)
            return true;
    } else {
        if (::fallocate(m_fd, FALLOC_FL_ZERO_RANGE, off_t(offset), off_t(length)) == 0)
            return true;
        if (::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(length)) == 0)
            return true;
    }
    // Neither: write the zeros.
    constexpr int64_t kChunk = 2048;
    const std::vector<unsigned char> zeros(size_t(std::min(count, kChunk)) * 512, 0);
    for (int64_t done = 0; done < count;) {
        const int64_t n = std::min(kChunk, count - done);
        if (!Write(zeros.data(), firstSector + done, n))
            return false;
        done += n;
    }
    return true;
}

bool KSectorFile::Sync()
{
    return m_fd >= 0 && ::fdatasync(m_fd) == 0;
}
