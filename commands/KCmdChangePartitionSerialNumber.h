#pragma once

#include "KCommonCmdClass.h"

class KCmdChangePartitionSerialNumber : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ChangeSerialNumber";
    static constexpr const char* kFormat = "ChangeSerialNumber DiskIndex:%u PartitionIndex:%u NewSerialNumber:%d";
    struct Parameters {
        CommandSummary Summary;
        int32_t Pad;
        int64_t NewSerialNumber;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
