// Other processes that hold something (a partition lock, an open node) until released, as a mounted or
// busy volume would; released and reaped on every path.
#pragma once

#include <functional>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include "model/KVolumeManager.h"

// Another process that takes something (its `take` returns whether it got it; what it takes must outlive
// the call) and keeps it until released; released and reaped on every path.
class ForkedHolder {
public:
    explicit ForkedHolder(const std::function<bool()>& take)
    {
        if (::pipe(m_ready) != 0 || ::pipe(m_release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const char ok = take() ? 1 : 0;
            (void)!::write(m_ready[1], &ok, 1);
            char c;
            (void)!::read(m_release[0], &c, 1);
            ::_exit(0);
        }
        char ok = 0;
        m_holding = m_pid > 0 && ::read(m_ready[0], &ok, 1) == 1 && ok == 1;
    }
    ~ForkedHolder()
    {
        Release();
        for (int fd : {m_ready[0], m_ready[1], m_release[0], m_release[1]})
            if (fd >= 0)
                ::close(fd);
    }
    ForkedHolder(const ForkedHolder&) = delete;
    ForkedHolder& operator=(const ForkedHolder&) = delete;

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

// Holds a partition of disk 0 locked, as a mounted or busy volume would be.
class PartitionLockHolder : public ForkedHolder {
public:
    explicit PartitionLockHolder(int partitionIndex)
        : ForkedHolder([partitionIndex] {
              // Never freed: the child holds the lock until it ends with _exit.
              auto* other = new KVolumeManager;
              other->Load(1, 1);
              IVolumeDevice* device = other->CreateVolumeDevice(0, partitionIndex);
              return device && device->Lock();
          })
    {
    }
};
