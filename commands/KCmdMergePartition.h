#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdMergePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "MergePartition";
    static constexpr const char* kFormat = "MergePartition DiskIndex:%u LeftPartitionIndex:%u ExtendLeftPartition:%u NewFolderName:%s";
    struct Parameters {
        CommandSummary Summary;
        int64_t LeftStartingLba;
        int64_t RightStartingLba;
        char NewFolderName[256];
        int32_t ExtendLeftPartition;
        int32_t SurvivorIsPrimary;
        int64_t MergedSectorCount;
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
