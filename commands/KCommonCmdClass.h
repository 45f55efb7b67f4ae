// What every command shares: the manager, the line and the error detail.
#pragma once

#include <cstddef>

#include <functional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ICommand.h"
#include "model/PartitionInfo.h"

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
    // Reads the target entry, lets `change` edit it and writes it back: 18 when it cannot be read,
    // else the manager's code.
    int UpdateTargetEntry(const std::function<void(PartitionInfo&)>& change);
    // The summary of a command on (DiskIndex, PartitionIndex) of values 0 and 1, whose letter goes back
    // to the same partition.
    static CommandSummary SameTarget(int32_t kind, int32_t lock, int32_t dismount, const std::vector<CommandValue>& v);
    // Copies text into a fixed 256-byte field, always terminated.
    static void CopyLabel(char (&field)[256], const std::string& text);
    // A 1-based partition index of a line as the 0-based index (0 becomes -1, "none").
    static int ZeroBased(long long oneBased) { return int(oneBased) - 1; }

    IVolumeManager* m_manager = nullptr;
    char m_line[512] = {};
    int m_errorDetail = 0;
};
