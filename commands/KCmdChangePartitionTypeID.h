#pragma once

#include "KCommonCmdClass.h"

class KCmdChangePartitionTypeID : public KCommonCmdClass {
public:
    static constexpr const char* kName = "ChangePartitionID";
    static constexpr const char* kFormat = "ChangePartitionID DiskIndex:%u PartitionIndex:%u NewPartitionID:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t NewPartitionID;
    };
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
