// What every command shares: the manager, the line and the error detail.
#pragma once

#include <cstddef>

#include "ICommand.h"

class KCommonCmdClass : public ICommand {
public:
    int Parse(IVolumeManager* manager, const char* line) override;
    void SetErrorDetail(int code) override { m_errorDetail = code; }
    int GetErrorDetail() override { return m_errorDetail; }
    int GetSummary(CommandSummary* out) override;
    int GetParameters(void* out, unsigned size) override;

protected:
    // Reads the stored line into the parameter block. 1 success.
    virtual int ParseLine() = 0;
    // The parameter block, which starts with the summary.
    virtual const void* Block() const = 0;
    virtual size_t BlockSize() const = 0;
    const CommandSummary& Summary() const { return *static_cast<const CommandSummary*>(Block()); }

    bool IsParsed() const { return m_manager && m_line[0]; }
    // A 1-based partition index of a line as the 0-based index (0 becomes -1, "none").
    static int ZeroBased(long long oneBased) { return int(oneBased) - 1; }

    IVolumeManager* m_manager = nullptr;
    char m_line[512] = {};
    int m_errorDetail = 0;
};
