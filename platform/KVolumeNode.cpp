#include "KVolumeNode.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "engine/IFileBacked.h"

namespace {

std::string systemError(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

// Puts the backing range on the free loop device `loopFd`: LOOP_CONFIGURE, or on kernels without it
// the older two-step set-up. False with errno set.
bool configureLoop(int loopFd, int backingFd, uint64_t offset, uint64_t length, bool readOnly)
{
    loop_config config{};
    config.fd = uint32_t(backingFd);
    config.info.lo_offset = offset;
    config.info.lo_sizelimit = length;
    config.info.lo_flags = LO_FLAGS_AUTOCLEAR | (readOnly ? LO_FLAGS_READ_ONLY : 0);
    if (::ioctl(loopFd, LOOP_CONFIGURE, &config) == 0)
        return true;
    if (errno != EINVAL && errno != ENOTTY)
        return false;
    if (::ioctl(loopFd, LOOP_SET_FD, backingFd) != 0)
        return false;
    if (::ioctl(loopFd, LOOP_SET_STATUS64, &config.info) != 0) {
        const int saved = errno;
        ::ioctl(loopFd, LOOP_CLR_FD, 0);
        errno = saved;
        return false;
    }
    return true;
}

} // namespace

bool KVolumeNode::Attach(const IFileBacked& volume, bool readOnly, std::string* error)
{
    Release();
    std::string ignored;
    std::string& why = error ? *error : ignored;
    if (const std::string node = volume.DeviceNode(); !node.empty()) {
        m_path = node;
        return true;
    }
    const int64_t offset = volume.BackingByteOffset(), length = volume.BackingByteLength();
    if (offset < 0 || length <= 0 || volume.BackingPath().empty()) {
        why = "the volume has no backing range";
        return false;
    }
    const int backing = ::open(volume.BackingPath().c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (backing < 0) {
        why = systemError(volume.BackingPath().c_str());
        return false;
    }
    const int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control < 0) {
        why = systemError("/dev/loop-control");
        ::close(backing);
        return false;
    }
    // Another process may take the free device between the question and the set-up: ask again.
    bool attached = false;
    for (int attempt = 0; attempt < 16 && !attached; ++attempt) {
        const int number = ::ioctl(control, LOOP_CTL_GET_FREE);
        if (number < 0) {
            why = systemError("no free loop device");
            break;
        }
        const std::string path = "/dev/loop" + std::to_string(number);
        const int loop = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        if (loop < 0) {
            why = systemError(path.c_str());
            break;
        }
        if (configureLoop(loop, backing, uint64_t(offset), uint64_t(length), readOnly)) {
            m_path = path;
            m_loopFd = loop;
            attached = true;
        } else {
            why = systemError(path.c_str());
            const bool taken = errno == EBUSY;
            ::close(loop);
            if (!taken)
                break;
        }
    }
    ::close(control);
    // The loop device holds its own reference to the file.
    ::close(backing);
    return attached;
}

void KVolumeNode::Release()
{
    if (m_loopFd >= 0) {
        // What the program wrote may still sit in the loop device's cache, which is written out only at
        // its last close, and that may be someone else's (udev probes a device once it was written):
        // the file is to hold it before we go.
        ::fsync(m_loopFd);
        ::ioctl(m_loopFd, LOOP_CLR_FD, 0);
        ::close(m_loopFd);
        m_loopFd = -1;
    }
    m_path.clear();
}
