#pragma once

#include "KCommonCmdClass.h"

class KCmdChangePartitionPrimary : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ChangePartitionPrimary";
    static constexpr const char* kFormat = "ChangePartitionPrimary DiskIndex:%u PartitionIndex:%u Primary:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t Primary;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
