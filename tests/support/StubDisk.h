// A disk object for tests that answers every query with nothing: no transfers, no table, no name.
// Tests derive from it and answer only what they need.
#pragma once

#include "engine/IDisk.h"

namespace TestSupport {

class StubDisk : public IDisk {
public:
    int ReadSectors(void*, int64_t, int64_t) override { return 0; }
    int WriteSectors(const void*, int64_t, int64_t) override { return 0; }
    int VerifySectors(int64_t, int64_t) override { return 0; }
    int GetGeometry(DiskGeometry*) override { return 0; }
    int64_t GetTotalSectors() override { return 0; }
    int Flush() override { return 1; }
    int Open(int) override { return 1; }
    void Close() override {}
    int GetName(char* buffer, int size) override
    {
        if (buffer && size > 0)
            buffer[0] = 0;
        return 0;
    }
    int IsDynamic() override { return 0; }
    uint32_t GetMbrSignature() override { return 0; }
    int IsGpt() override { return 0; }
    int ReadGptHeader(GptHeader*) override { return 0; }
    void AdoptGptHeader(const GptHeader*) override {}
    void ForgetLayout(const void*) override {}
    int WriteDriveLayout(const DriveLayout&) override { return 0; }
    int WriteDriveLayoutDirect(const DriveLayout&) override { return 0; }
    std::string GetPath() const override { return {}; }
    bool IsBlockDevice() const override { return false; }
    int GetDiskNumber() const override { return 0; }
};

} // namespace TestSupport
