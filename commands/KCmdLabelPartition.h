#pragma once

#include <memory>

#include "KCommonCmdClass.h"
#include "engine/IVolumeDevice.h"

class IDisk;

class KCmdLabelPartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "LabelPartition";
    static constexpr const char* kFormat = "LabelPartition DiskIndex:%u PartitionIndex:%u Label:%s";
    struct Parameters {
        CommandSummary Summary;
        char Label[256];
    };
    int Execute(IProgressReporter* reporter) override;
    const Parameters& Params() const { return m_block; }

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
    // Opened when the line is parsed and held until the command runs.
    std::unique_ptr<IVolumeDevice> m_device;
};
