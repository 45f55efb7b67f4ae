// A disk image seen by the surface test through a device that counts every write and can hold reads
// back: reads from a gate sector on wait until the test opens the gate.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/inotify.h>
#include <unistd.h>

#include "engine/KDisk.h"

namespace SurfaceScanSupport {

class GatedDevice : public ISectorDevice {
public:
    explicit GatedDevice(const std::string& path, int64_t n64GateSector = -1) : m_gate(n64GateSector)
    {
        m_open = m_disk.OpenPath(path, 0) != 0;
    }
    ~GatedDevice() override { Open(); }

    bool IsOpen() const { return m_open; }
    void Open()
    {
        std::lock_guard lock(m_lock);
        m_gate = -1;
        m_opened.notify_all();
    }
    int Reads() const { return m_reads; }
    int Writes() const { return m_writes; }

    int ReadSectors(void* buffer, int64_t first, int64_t count) override { return read(buffer, first, count, false); }
    int ReadSectorsUncached(void* buffer, int64_t first, int64_t count) override { return read(buffer, first, count, true); }
    int WriteSectors(const void* b, int64_t f, int64_t c) override { ++m_writes; return m_disk.WriteSectors(b, f, c); }
    int ZeroSectors(int64_t f, int64_t c) override { ++m_writes; return m_disk.ZeroSectors(f, c); }
    int VerifySectors(int64_t f, int64_t c) override { return m_disk.VerifySectors(f, c); }
    int GetGeometry(DiskGeometry* geometry) override { return m_disk.GetGeometry(geometry); }

private:
    int read(void* buffer, int64_t first, int64_t count, bool uncached)
    {
        {
            std::unique_lock lock(m_lock);
            m_opened.wait(lock, [&] { return m_gate < 0 || first < m_gate; });
        }
        ++m_reads;
        return uncached ? m_disk.ReadSectorsUncached(buffer, first, count) : m_disk.ReadSectors(buffer, first, count);
    }

    KDisk m_disk;
    bool m_open = false;
    std::mutex m_lock;
    std::condition_variable m_opened;
    int64_t m_gate;
    std::atomic<int> m_reads{0};
    std::atomic<int> m_writes{0};
};

// Sees every modification of a file, whoever makes it and through whichever descriptor.
class ModifyWatch {
public:
    explicit ModifyWatch(const std::string& path)
    {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, path.c_str(), IN_MODIFY);
    }
    ~ModifyWatch()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Watching() const { return m_watch >= 0; }
    // True when anything was written since the watch began.
    bool Modified() const
    {
        alignas(inotify_event) char events[4096];
        return ::read(m_fd, events, sizeof events) > 0;
    }

private:
    int m_fd = -1;
    int m_watch = -1;
};

} // namespace SurfaceScanSupport
