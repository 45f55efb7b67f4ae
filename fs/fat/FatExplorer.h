// The directory reader for FAT12/16/32 volumes, with long file names.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fs/IFileSystemExplorer.h"
#include "fs/fat/FatLayout.h"

class KVolumeDevice;

// One item of a FAT directory as stored: its long name (empty when it has none or the checksum of its
// long-name entries does not match the short entry), its short name as shown (the lower-case flags
// applied) and the 32-byte short entry itself.
struct FatDirectoryItem {
    std::u16string LongName;
    std::string ShortName;
    const uint8_t* Entry = nullptr;
};
// The items of a directory's bytes up to the end mark; deleted entries, "." and "..", and the label
// are left out.
void ParseFatDirectory(const uint8_t* bytes, size_t size, std::vector<FatDirectoryItem>& items);

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
