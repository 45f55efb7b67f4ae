// A power cut for the rebuild tests: a device that counts every access and fails every write after
// the first `allowedWrites`, and a progress that notes how many writes had passed when the phase a
// test cuts in began and when cancelling was turned off after the copies.
#pragma once

#include <cstdint>

#include "engine/ISectorDevice.h"
#include "support/RecordingProgress.h"

namespace TestSupport {

class CountingDevice : public ISectorDevice {
public:
    explicit CountingDevice(ISectorDevice* inner, int64_t allowedWrites = INT64_MAX)
        : m_inner(inner), m_allowed(allowedWrites)
    {
    }
    int ReadSectors(void* b, int64_t f, int64_t c) override { return ++reads, m_inner->ReadSectors(b, f, c); }
    int WriteSectors(const void* b, int64_t f, int64_t c) override
    {
        return ++writes > m_allowed ? 0 : m_inner->WriteSectors(b, f, c);
    }
    int ZeroSectors(int64_t f, int64_t c) override { return ++writes > m_allowed ? 0 : m_inner->ZeroSectors(f, c); }
    int VerifySectors(int64_t f, int64_t c) override { return ++reads, m_inner->VerifySectors(f, c); }
    int GetGeometry(DiskGeometry* g) override { return m_inner->GetGeometry(g); }
    int64_t reads = 0, writes = 0;

private:
    ISectorDevice* m_inner;
    int64_t m_allowed;
};

// copyStart: the writes done when `startOperation` was first named; copyEnd: when cancelling was
// turned off once the copy phase (operation 82) had begun.
class PhaseProgress : public RecordingProgress {
public:
    PhaseProgress(const CountingDevice* device, int startOperation) : m_device(device), m_start(startOperation) {}
    void SetProcessName(int operation) override
    {
        if (operation == m_start && copyStart < 0)
            copyStart = m_device->writes;
        copying = copying || operation == 82;
    }
    void EnableUserCancel(int enable) override
    {
        if (!enable && copying && copyEnd < 0)
            copyEnd = m_device->writes;
    }
    int64_t copyStart = -1, copyEnd = -1;
    bool copying = false;

private:
    const CountingDevice* m_device;
    int m_start;
};

} // namespace TestSupport
