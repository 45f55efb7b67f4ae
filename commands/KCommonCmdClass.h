// What every command shares: the manager, the line and the error detail.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include <functional>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ICommand.h"
#include "core/PartitionInfo.h"

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
    // Reads the target entry of an operation that exists on MBR disks only: 0, 18 when it cannot be
    // read, 16 (with the reason) for a GPT entry.
    int ReadMbrTarget(PartitionInfo& entry);
    // The summary of a command on (DiskIndex, PartitionIndex) of values 0 and 1, whose letter goes back
    // to the same partition.
    static CommandSummary SameTarget(int32_t kind, int32_t lock, int32_t dismount, const std::vector<CommandValue>& v);
    // Copies text into a fixed 256-byte field, always terminated.
    static void CopyLabel(char (&field)[256], const std::string& text);
    // A 1-based partition index of a line as the 0-based index (0 and anything out of range become -1).
    static int ZeroBased(long long oneBased) { return oneBased >= 1 && oneBased <= INT32_MAX ? int(oneBased - 1) : -1; }

    // Parsing refuses what names nothing or what a field may not hold: each check below returns false
    // with the reason as the error detail, and ParseLine then returns Refuse's 0.
    // The line's values by the command's format.
    bool ReadValues(const char* format, std::vector<CommandValue>& values);
    bool CheckDisk(int64_t disk);
    bool CheckPartition(int64_t disk, int64_t oneBased);
    bool CheckRange(int64_t value, int64_t low, int64_t high);
    bool CheckFlag(int64_t value) { return CheckRange(value, 0, 1); }
    // Sectors per cluster: a power of two up to 128 (64 KiB); 0, "the file system's default", where allowed.
    bool CheckClusterSize(int64_t value, bool allowDefault);
    // A drive letter: 0 for none, else 'C' to 'Z' (A and B are never given).
    bool CheckLetter(int64_t value);
    // An extent of at least one sector that starts after sector 0 and ends inside the disk.
    bool CheckExtent(int disk, int64_t start, int64_t count);
    // The label rule of the file system that will hold the label.
    bool CheckLabel(int fileSystemType, const std::string& label);
    // ReadValues, then the disk (value 0) and the 1-based partition (value 1) checked and the summary
    // set as SameTarget makes it.
    bool ReadTarget(const char* format, std::vector<CommandValue>& values, CommandSummary& summary, int32_t kind,
                    int32_t lock, int32_t dismount);
    int Refuse(int detail)
    {
        SetErrorDetail(detail);
        return 0;
    }
    // Whether the table rules accept the entry (index < 0: as a new one) before anything is written:
    // 0, or the manager's refusal with the reason as the error detail.
    int CheckTableChange(int disk, int index, const PartitionInfo& entry);
    // After the data of a volume changed: the entry (when given) written through the manager (its
    // non-zero code is returned), the volume dismounted (its letter comes back later, when the line
    // asks for it) and the table committed without notice. 0 success.
    int FinishVolumeChange(int disk, int index, const PartitionInfo* entry);
    // The sectors a partition's file system takes (its partition's when the file system did not say).
    static int64_t VolumeSectors(const PartitionInfo& entry)
    {
        return entry.TotalSectors > 0 ? entry.TotalSectors : entry.SectorCount;
    }
    // A routine's failure code as this command's error detail: kCmdFailed.
    int Fail(int detail)
    {
        SetErrorDetail(detail);
        return kCmdFailed;
    }

    IVolumeManager* m_manager = nullptr;
    char m_line[512] = {};
    int m_errorDetail = 0;
};
