#pragma once

#include "KCommonCmdClass.h"

class KCmdActivePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ActivePartition";
    static constexpr const char* kFormat = "ActivePartition DiskIndex:%u PartitionIndex:%u Active:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t Active;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
