#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdChangeClusterSize : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ChangeClusterSize";
    static constexpr const char* kFormat = "ChangeClusterSize DiskIndex:%u PartitionIndex:%u ClusterSize:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t ClusterSize;
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
