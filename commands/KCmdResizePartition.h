#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdResizePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ResizePartition";
    static constexpr const char* kFormat = "ResizePartition DiskIndex:%u PartitionIndex:%u NewStartingLba:%d NewPartitionSize:%d SafeMode:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t SafeMode;
        int64_t NewStartingLba;
        int64_t NewPartitionSize;
    };
    int Execute(IProgressReporter* reporter) override;
    const Parameters& Params() const { return m_block; }

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
