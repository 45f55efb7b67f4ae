#include "KSingleInstance.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "engine/StateDirectory.h"

KSingleInstance::KSingleInstance() = default;

KSingleInstance::~KSingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string KSingleInstance::LockPath()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/volmara.lock";
    EnsureStateDirectory();
    return StateDirectoryPath() + "/volmara.lock";
}

bool KSingleInstance::Acquire()
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}
