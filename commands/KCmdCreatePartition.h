#pragma once

#include "KCommonCmdClass.h"

class IDisk;

class KCmdCreatePartition : public KCommonCmdClass {
public:
    static constexpr const char* kName = "CreatePartition";
    // A PartTypeId with this bit makes the table entry only and leaves the area as it is.
    static constexpr uint32_t kTableEntryOnly = 0x80000000u;
    static constexpr const char* kFormat = "CreatePartition DiskIndex:%u StartingOffset:%d PartitionLength:%d PartTypeId:%u FsType:%u ClusterSize:%u Label:%s Letter:%u Active:%u Primary:%u BootVolume:%u SystemVolume:%u";
    struct Parameters {
        CommandSummary Summary;
        int32_t PartTypeId;
        int32_t FsType;
        int64_t StartingOffset;
        int64_t PartitionLength;
        int32_t ClusterSize;
        char Label[256];
        int32_t Active;
        int32_t Primary;
        int32_t BootVolume;
        int32_t SystemVolume;
    };
    int Execute(IProgressReporter* reporter) override;
    const Parameters& Params() const { return m_block; }
    // The file system this line puts on the area (kFsNone when it formats nothing).
    int NewFileSystemCode() const;

protected:
    int ParseLine() override;
    const void* Block() const override { return &m_block; }
    size_t BlockSize() const override { return sizeof m_block; }

private:
    Parameters m_block{};
};
