#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdCopyPartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "CopyPartition";
    static constexpr const char* kFormat = "CopyPartition DiskIndex:%u PartitionIndex:%u DestDiskIndex:%u DestStartingLba:%d DestPartitionSize:%d DestPartitionIsPrimary:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t DestPartitionIsPrimary;
        int64_t DestStartingLba;
        int64_t DestPartitionSize;
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
