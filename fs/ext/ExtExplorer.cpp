#include "fs/ext/ExtExplorer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "engine/KVolumeDevice.h"
#include "fs/VolumeReader.h"
#include "fs/ext/ExtStructures.h"

namespace {

// Folders past this size are listed as far as it reaches (a hostile size must not exhaust memory).
constexpr uint64_t kLargestDirectory = 32ull << 20;
constexpr uint32_t kAttributeDirectory = 0x10;
constexpr uint32_t kAttributeNormal = 0x80;

void storeFileTime(uint32_t unixTime, uint32_t out[2])
{
    // Ext2/Ext3 inode times are signed 32-bit seconds.
    const uint64_t t = UnixTimeToFileTime(int32_t(unixTime));
    out[0] = uint32_t(t);
    out[1] = uint32_t(t >> 32);
}

} // namespace

ExtExplorer::ExtExplorer() = default;
ExtExplorer::~ExtExplorer() = default;

void ExtExplorer::Release()
{
    m_reader.reset();
    m_device.reset();
    m_g = Geometry{};
    m_cache.clear();
    m_cachedBlock = 0;
}

int ExtExplorer::Open(IDisk* disk, int64_t startSector)
{
    using namespace Ext;
    Release();
    if (!disk || startSector < 0 || startSector >= disk->GetTotalSectors())
        return 0;
    uint8_t sb[kSuperblockBytes];
    if (disk->GetTotalSectors() - startSector < int64_t((kSuperblockOffset + kSuperblockBytes) / 512)
        || !disk->ReadSectors(sb, startSector + int64_t(kSuperblockOffset / 512), int64_t(kSuperblockBytes / 512)))
        return 0;
    if (le16(sb + kSbMagic) != kMagic || le32(sb + kSbRevision) > 1)
        return 0;
    // Only what Ext2/Ext3 know: ext4's extents, 64-bit descriptors and the like change the structures read here.
    if (le32(sb + kSbIncompat) & ~kExt3Incompat)
        return 0;
    const uint32_t logBlock = le32(sb + kSbLogBlockSize);
    if (logBlock > 6)
        return 0;
    Geometry g;
    g.blockBytes = uint64_t(1024) << logBlock;
    g.blocks = le32(sb + kSbBlocks);
    g.firstDataBlock = le32(sb + kSbFirstDataBlock);
    g.inodes = le32(sb + kSbInodes);
    g.inodesPerGroup = le32(sb + kSbInodesPerGroup);
    g.inodeBytes = le32(sb + kSbRevision) == 0 ? 128 : le16(sb + kSbInodeSize);
    g.fileTypeInEntries = (le32(sb + kSbIncompat) & kIncompatFiletype) != 0;
    const uint64_t blocksPerGroup = le32(sb + kSbBlocksPerGroup);
    if (g.blocks == 0 || blocksPerGroup == 0 || g.firstDataBlock >= g.blocks || g.inodesPerGroup == 0
        || g.inodes < kRootInode || g.inodeBytes < sizeof(InodeLayout) || g.inodeBytes > g.blockBytes
        || (g.inodeBytes & (g.inodeBytes - 1)) != 0)
        return 0;
    g.groups = (g.blocks - g.firstDataBlock + blocksPerGroup - 1) / blocksPerGroup;
    if (uint64_t(g.inodes) > g.groups * g.inodesPerGroup)
        return 0;

    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = startSector;
    p.SectorCount = int64_t(std::min<uint64_t>(g.blocks * (g.blockBytes / 512),
                                               uint64_t(disk->GetTotalSectors() - startSector)));
    m_device.reset(KVolumeDevice::Create(disk, p));
    if (!m_device)
        return 0;
    m_reader = std::make_unique<VolumeReader>(*m_device, p.SectorCount);
    m_g = g;
    // The descriptor table must lie inside the volume.
    const uint64_t tableBlocks = (g.groups * kDescriptorBytes + g.blockBytes - 1) / g.blockBytes;
    if (g.firstDataBlock + 1 + tableBlocks > g.blocks || !m_reader->Contains((g.firstDataBlock + 1) * g.blockBytes,
                                                                             tableBlocks * g.blockBytes)) {
        Release();
        return 0;
    }
    return 1;
}

bool ExtExplorer::readBlock(uint64_t block, uint8_t* buffer)
{
    if (!m_reader || block >= m_g.blocks)
        return false;
    return m_reader->ReadBytes(block * m_g.blockBytes, buffer, size_t(m_g.blockBytes));
}

bool ExtExplorer::readInode(uint32_t number, Inode& inode)
{
    using namespace Ext;
    if (!m_reader || number == 0 || number > m_g.inodes)
        return false;
    const uint64_t group = (number - 1) / m_g.inodesPerGroup, index = (number - 1) % m_g.inodesPerGroup;
    if (group >= m_g.groups)
        return false;
    uint8_t descriptor[kDescriptorBytes];
    if (!m_reader->ReadBytes((m_g.firstDataBlock + 1) * m_g.blockBytes + group * kDescriptorBytes, descriptor,
                             sizeof descriptor))
        return false;
    const uint64_t table = le32(descriptor + kDescInodeTable);
    const uint64_t offset = index * m_g.inodeBytes;
    const uint64_t block = table + offset / m_g.blockBytes;
    if (table == 0 || block >= m_g.blocks)
        return false;
    if (m_cache.empty() || m_cachedBlock != block) {
        m_cache.resize(size_t(m_g.blockBytes));
        if (!readBlock(block, m_cache.data())) {
            m_cache.clear();
            return false;
        }
        m_cachedBlock = block;
    }
    const uint8_t* raw = m_cache.data() + offset % m_g.blockBytes;
    inode.mode = le16(raw + kInodeMode);
    inode.size = le32(raw + kInodeSize);
    if ((inode.mode & kModeTypeMask) == kModeRegular)
        inode.size |= uint64_t(le32(raw + kInodeSizeHigh)) << 32;
    inode.changeTime = le32(raw + kInodeChangeTime);
    inode.modifyTime = le32(raw + kInodeModifyTime);
    inode.flags = le32(raw + kInodeFlags);
    for (size_t i = 0; i < 15; ++i)
        inode.map[i] = le32(raw + kInodeBlocks + 4 * i);
    return true;
}

bool ExtExplorer::mapIndirect(uint32_t block, int depth, uint64_t count, std::vector<uint32_t>& blocks)
{
    const uint64_t perBlock = m_g.blockBytes / 4;
    uint64_t span = 1;
    for (int i = 0; i < depth; ++i)
        span *= perBlock;
    const uint64_t wanted = std::min<uint64_t>(count - blocks.size(), span * perBlock);
    if (block == 0) { // a hole the size of the whole subtree
        blocks.insert(blocks.end(), size_t(wanted), 0u);
        return true;
    }
    std::vector<uint8_t> pointers(size_t(m_g.blockBytes));
    if (!readBlock(block, pointers.data()))
        return false;
    const size_t end = blocks.size() + size_t(wanted);
    for (uint64_t i = 0; i < perBlock && blocks.size() < end; ++i) {
        const uint32_t next = le32(pointers.data() + 4 * i);
        if (next >= m_g.blocks)
            return false;
        if (depth == 0) {
            blocks.push_back(next);
        } else if (!mapIndirect(next, depth - 1, end, blocks)) {
            return false;
        }
    }
    return true;
}

bool ExtExplorer::mapBlocks(const Inode& inode, uint64_t count, std::vector<uint32_t>& blocks)
{
    using namespace Ext;
    blocks.clear();
    if (inode.flags & kInodeFlagExtents)
        return false;
    for (size_t i = 0; i < kInodeDirectBlocks && blocks.size() < count; ++i) {
        if (inode.map[i] >= m_g.blocks)
            return false;
        blocks.push_back(inode.map[i]);
    }
    for (int depth = 0; depth < 3 && blocks.size() < count; ++depth) {
        const uint32_t top = inode.map[kInodeDirectBlocks + size_t(depth)];
        if (top >= m_g.blocks || !mapIndirect(top, depth, count, blocks))
            return false;
    }
    return blocks.size() == count;
}

void ExtExplorer::parseDirectoryBlock(const uint8_t* block, std::vector<ExplorerEntry>& entries)
{
    using namespace Ext;
    const size_t size = size_t(m_g.blockBytes);
    for (size_t at = 0; fits(size, at, kDirEntryHeadBytes);) {
        const uint32_t number = le32(block + at + kDirEntryInode);
        const size_t recordLength = le16(block + at + kDirEntryRecordLength);
        const size_t nameLength = m_g.fileTypeInEntries ? block[at + kDirEntryNameLength]
                                                        : le16(block + at + kDirEntryNameLength);
        // A record that cannot be right ends the block: what follows it cannot be found.
        if (recordLength < kDirEntryHeadBytes || recordLength % 4 != 0 || !fits(size, at, recordLength)
            || nameLength > recordLength - kDirEntryHeadBytes)
            return;
        const char* name = reinterpret_cast<const char*>(block + at + kDirEntryHeadBytes);
        at += recordLength;
        if (number == 0 || nameLength == 0 || (nameLength == 1 && name[0] == '.')
            || (nameLength == 2 && name[0] == '.' && name[1] == '.'))
            continue;
        Inode inode;
        if (number > uint32_t(std::numeric_limits<int32_t>::max()) || !readInode(number, inode))
            continue;
        ExplorerEntry item;
        std::memset(&item, 0, sizeof item);
        const size_t n = std::min(nameLength, sizeof item.Name - 1);
        std::memcpy(item.Name, name, n);
        const bool directory = (inode.mode & kModeTypeMask) == kModeDirectory;
        item.Attributes = directory ? kAttributeDirectory : kAttributeNormal;
        item.Size = directory ? 0 : int64_t(std::min<uint64_t>(inode.size, uint64_t(std::numeric_limits<int64_t>::max())));
        storeFileTime(inode.changeTime, item.CreationTime);
        storeFileTime(inode.modifyTime, item.ModificationTime);
        item.DirectoryId = int32_t(number);
        entries.push_back(item);
    }
}

int ExtExplorer::List(int32_t directoryId, std::vector<ExplorerEntry>& entries)
{
    using namespace Ext;
    entries.clear();
    if (!m_reader || (directoryId <= 0 && directoryId != kExplorerRoot))
        return 0;
    const uint32_t number = directoryId == kExplorerRoot ? kRootInode : uint32_t(directoryId);
    Inode inode;
    if (!readInode(number, inode) || (inode.mode & kModeTypeMask) != kModeDirectory)
        return 0;
    const uint64_t size = std::min(inode.size, std::min(kLargestDirectory, m_reader->ByteCount()));
    std::vector<uint32_t> blocks;
    // A map that breaks off still gives the blocks before the break.
    mapBlocks(inode, (size + m_g.blockBytes - 1) / m_g.blockBytes, blocks);
    std::vector<uint8_t> buffer(size_t(m_g.blockBytes));
    for (uint32_t block : blocks) {
        if (block == 0 || !readBlock(block, buffer.data()))
            continue;
        parseDirectoryBlock(buffer.data(), entries);
    }
    return 1;
}

int ExtExplorer::ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data)
{
    using namespace Ext;
    data.clear();
    Inode inode;
    if (!m_reader || file.DirectoryId <= 0 || !readInode(uint32_t(file.DirectoryId), inode)
        || (inode.mode & kModeTypeMask) != kModeRegular || inode.size > m_reader->ByteCount())
        return 0;
    try {
        std::vector<uint32_t> blocks;
        if (!mapBlocks(inode, (inode.size + m_g.blockBytes - 1) / m_g.blockBytes, blocks))
            return 0;
        data.assign(size_t(inode.size), 0);
        std::vector<uint8_t> buffer(size_t(m_g.blockBytes));
        for (size_t i = 0; i < blocks.size(); ++i) {
            const size_t at = i * size_t(m_g.blockBytes);
            const size_t length = std::min(size_t(m_g.blockBytes), data.size() - at);
            if (blocks[i] == 0)
                continue; // a hole reads as zeros
            if (!readBlock(blocks[i], buffer.data())) {
                data.clear();
                return 0;
            }
            std::memcpy(data.data() + at, buffer.data(), length);
        }
    } catch (const std::bad_alloc&) {
        data.clear();
        return 0;
    }
    return 1;
}

int ExtExplorer::WriteFileInPlace(const ExplorerEntry&, const std::vector<uint8_t>&)
{
    return 0;
}
