#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdWipeDisk : public KCommonCmdClass {
public:
    static constexpr const char* kName = "WipeDisk";
    static constexpr const char* kFormat = "WipeDisk DiskIndex:%u PartitionIndex:%u StartingLba:%d SectorsCount:%d WipingMethod:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t WipingMethod;
        int64_t StartingLba;
        int64_t SectorsCount;
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
