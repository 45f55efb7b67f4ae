// Another process that holds a partition of disk 0 locked (as a mounted or busy volume would be) until
// released; it is released and reaped on every path.
#pragma once

#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "model/KVolumeManager.h"

class PartitionLockHolder {
public:
    explicit PartitionLockHolder(int partitionIndex)
    {
        if (::pipe(m_ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            KVolumeManager other;
            other.Load(1, 1);
            std::unique_ptr<IVolumeDevice> device(other.CreateVolumeDevice(0, partitionIndex));
            const char ok = device && device->Lock() ? 1 : 0;
            (void)!::write(m_ready[1], &ok, 1);
            char c;
            (void)!::read(m_release[0], &c, 1);
            ::_exit(0);
        }
        char ok = 0;
        m_holding = m_pid > 0 && ::read(m_ready[0], &ok, 1) == 1 && ok == 1;
    }
    ~PartitionLockHolder()
    {
        Release();
        for (int fd : {m_ready[0], m_ready[1], m_release[0], m_release[1]})
            if (fd >= 0)
                ::close(fd);
    }
    PartitionLockHolder(const PartitionLockHolder&) = delete;
    PartitionLockHolder& operator=(const PartitionLockHolder&) = delete;

    bool Holding() const { return m_holding; }
    void Release()
    {
        if (m_pid > 0) {
            (void)!::write(m_release[1], "x", 1);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    int m_ready[2] = {-1, -1};
    int m_release[2] = {-1, -1};
    pid_t m_pid = -1;
    bool m_holding = false;
};
