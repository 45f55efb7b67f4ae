#pragma once

#include "KCommonCmdClass.h"

class KCmdHidePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "HidePartition";
    static constexpr const char* kFormat = "HidePartition DiskIndex:%u PartitionIndex:%u Unhide:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t Unhide;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
