// The directory reader for FAT12/16/32 volumes, with long file names.
#pragma once

#include <memory>

#include "fs/IFileSystemExplorer.h"
#include "fs/fat/FatLayout.h"

class KVolumeDevice;

class FatExplorer : public IFileSystemExplorer {
public:
    FatExplorer();
    ~FatExplorer() override;
    int Open(IDisk* disk, int64_t startSector) override;
    int List(int32_t directoryId, std::vector<ExplorerEntry>& entries) override;
    int ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data) override;
    int WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data) override;
    void Release() override;

private:
    bool nextCluster(uint32_t cluster, uint32_t& next);
    // The byte ranges of a chain, at most maxBytes long.
    bool chainRanges(uint32_t first, uint64_t maxBytes, std::vector<std::pair<uint64_t, uint64_t>>& ranges);
    bool readBytes(uint64_t offset, void* buffer, size_t length);

    std::unique_ptr<KVolumeDevice> m_device;
    FatLayout m_layout;
    int64_t m_sectors = 0;
};
