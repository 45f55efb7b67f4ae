#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdInitiateDisk : public KCommonCmdClass {
public:
    static constexpr const char* kName = "InitiateDisk";
    static constexpr const char* kFormat = "InitiateDisk DiskIndex:%u Style:%u ForceReboot:%u";
    // The Style values.
    static constexpr int kStyleMbr = 0;
    static constexpr int kStyleGpt = 1;
    static constexpr int kStyleRebuildMbr = 2;
    static constexpr int kStyleDynamicToBasic = 3;
    struct Parameters {
        CommandSummary Summary;
        int32_t Style;
        int32_t ForceReboot;
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
