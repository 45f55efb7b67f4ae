#pragma once

#include "KCommonCmdClass.h"

class KCmdDeletePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "DeletePartition";
    static constexpr const char* kFormat = "DeletePartition DiskIndex:%u Partition:%u";
    struct Parameters {
        CommandSummary Summary;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
