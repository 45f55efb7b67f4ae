// The directory reader for Ext2/Ext3 volumes: folders and files through their inodes' block maps.
//
// A DirectoryId is the item's inode number (the root, inode 2, is asked for as kExplorerRoot).
// A listing shows every entry of the folder's blocks in on-disk order except "." and ".."; a folder
// with a hash index is read as the plain blocks it also is. Names are UTF-8 as stored. Times: the
// inode's change time stands for the creation time (Ext2/Ext3 keep none), its modification time for
// the modification time. A damaged record ends the reading of its block, a block that cannot be read
// is skipped, so a damaged folder lists what can still be read. Files are rewritten in place by no one
// here: the journal of an Ext3 volume would not know of the change.
#pragma once

#include <memory>

#include "fs/IFileSystemExplorer.h"

class KVolumeDevice;
class VolumeReader;

class ExtExplorer : public IFileSystemExplorer {
public:
    ExtExplorer();
    ~ExtExplorer() override;
    int Open(IDisk* disk, int64_t startSector) override;
    int List(int32_t directoryId, std::vector<ExplorerEntry>& entries) override;
    int ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data) override;
    int WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data) override;
    void Release() override;

private:
    struct Geometry {
        uint64_t blockBytes = 0, blocks = 0, firstDataBlock = 0, groups = 0;
        uint32_t inodes = 0, inodesPerGroup = 0, inodeBytes = 0;
        bool fileTypeInEntries = false;
    };
    struct Inode {
        uint16_t mode = 0;
        uint64_t size = 0;
        uint32_t changeTime = 0, modifyTime = 0, flags = 0;
        uint32_t map[15] = {};
    };

    bool readBlock(uint64_t block, uint8_t* buffer);
    bool readInode(uint32_t number, Inode& inode);
    // The volume blocks of the first `count` blocks of an inode's data (0 = a hole); false when the map
    // points outside the volume or an indirect block cannot be read (what was found stays in `blocks`).
    bool mapBlocks(const Inode& inode, uint64_t count, std::vector<uint32_t>& blocks);
    bool mapIndirect(uint32_t block, int depth, uint64_t count, std::vector<uint32_t>& blocks);
    void parseDirectoryBlock(const uint8_t* block, std::vector<ExplorerEntry>& entries);

    std::unique_ptr<KVolumeDevice> m_device;
    std::unique_ptr<VolumeReader> m_reader;
    Geometry m_g;
    // The inode-table block read last: a folder's inodes tend to share blocks.
    uint64_t m_cachedBlock = 0;
    std::vector<uint8_t> m_cache;
};
