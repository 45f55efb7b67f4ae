#pragma once

#include <memory>

#include "KCommonCmdClass.h"
#include "engine/IVolumeDevice.h"

class IDisk;

class KCmdFormatPartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "FormatPartition";
    static constexpr const char* kFormat = "FormatPartition DiskIndex:%u PartitionIndex:%u FsType:%u ClusterSize:%u Label:%s";
    struct Parameters {
        CommandSummary Summary;
        int32_t FsType;
        int32_t ClusterSize;
        char Label[256];
        int64_t SectorCount;
        int64_t HiddenSectors;
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
