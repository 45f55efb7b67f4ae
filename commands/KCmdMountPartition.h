#pragma once

#include "KCommonCmdClass.h"

class KCmdMountPartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "MountPartition";
    static constexpr const char* kFormat = "MountPartition DiskIndex:%u PartitionIndex:%u letter:%u";
    struct Parameters {
        CommandSummary Summary;
    };
    // The letter is removed and given by the working thread through the summary flags.
    int Execute(IProgressReporter* reporter) override;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
