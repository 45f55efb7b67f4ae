#include "ExtFormat.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/ByteOrder.h"
#include "fs/ext/ExtStructures.h"
#include "core/Clock.h"
#include "engine/ISectorDevice.h"
#include "fs/KBitmap.h"
#include "core/IProgressReporter.h"

namespace {

constexpr int64_t kSector = 512;
constexpr int64_t kInodeBytes = 128;
constexpr int64_t kDescriptorBytes = int64_t(Ext::kDescriptorBytes);
constexpr uint32_t kRootInode = 2, kJournalInode = 8, kLostFoundInode = 11, kReservedInodes = 11;
constexpr int kOperationFormat = 2;
constexpr int64_t kMaxJournalRun = 63;       // journal blocks per write

// Seconds since 1970 (UTC) of the engine's clock, which tests can pin.
uint32_t unixNow()
{
    const uint64_t fileTime = GetSystemFileTime();
    constexpr uint64_t epoch = 116444736000000000ull; // 1601 -> 1970 in 100 ns
    return fileTime > epoch ? uint32_t((fileTime - epoch) / 10000000ull) : 0;
}

// The group layout of a volume of `blocks` blocks.
struct ExtLayout {
    int64_t blockSize = 0, blocksPerGroup = 0, firstDataBlock = 0;
    int64_t blocks = 0, groups = 0, inodesPerGroup = 0, descriptorBlocks = 0, inodeTableBlocks = 0;

    int64_t GroupStart(int64_t g) const { return g * blocksPerGroup + firstDataBlock; }
    int64_t GroupBlocks(int64_t g) const
    {
        return g + 1 < groups ? blocksPerGroup : blocks - firstDataBlock - (groups - 1) * blocksPerGroup;
    }
    // Superblock, descriptors, two bitmaps, inode table.
    int64_t MetadataBlocks() const { return 1 + descriptorBlocks + 2 + inodeTableBlocks; }
    int64_t BlockBitmap(int64_t g) const { return GroupStart(g) + 1 + descriptorBlocks; }
    int64_t InodeBitmap(int64_t g) const { return BlockBitmap(g) + 1; }
    int64_t InodeTable(int64_t g) const { return BlockBitmap(g) + 2; }
};

// False when the volume cannot hold one group.
bool planLayout(int64_t sectors, int64_t blockSize, ExtLayout& l)
{
    l.blockSize = blockSize;
    l.blocksPerGroup = blockSize * 8;
    l.firstDataBlock = blockSize == 1024 ? 1 : 0;
    l.blocks = sectors * kSector / blockSize;
    const int64_t inodesPerBlock = blockSize / kInodeBytes;
    for (;;) {
        if (l.blocks <= l.firstDataBlock)
            return false;
        // One inode per 4 KiB of volume (per block for 4 KiB blocks).
        const int64_t provisional = l.blocks / std::max<int64_t>(1, 4096 / blockSize);
        l.groups = (l.blocks - l.firstDataBlock + l.blocksPerGroup - 1) / l.blocksPerGroup;
        int64_t perGroup = (provisional + l.groups - 1) / l.groups;
        perGroup = (perGroup + inodesPerBlock - 1) / inodesPerBlock * inodesPerBlock;
        l.inodesPerGroup = std::min<int64_t>(std::max<int64_t>(perGroup, inodesPerBlock), blockSize * 8);
        l.descriptorBlocks = (l.groups * kDescriptorBytes + blockSize - 1) / blockSize;
        l.inodeTableBlocks = l.inodesPerGroup * kInodeBytes / blockSize;
        if (l.GroupBlocks(l.groups - 1) >= l.inodeTableBlocks + l.descriptorBlocks + 20)
            return true;
        // The partial last group cannot hold its metadata: drop it.
        if (l.groups == 1)
            return false;
        l.blocks = (l.groups - 1) * l.blocksPerGroup + l.firstDataBlock;
    }
}

int journalBlocksFor(int64_t blocks) { return std::max(GetExtJournalBlocks(blocks) / 4, 1024); }

int64_t blockSizeFor(int64_t sectors, int blockSize)
{
    return blockSize ? blockSize : int64_t(GetDefaultExtBlockSize(sectors)) * kSector;
}

class ExtFormatter {
public:
    ExtFormatter(ISectorDevice* device, int64_t start, const ExtLayout& layout, IProgressReporter* progress)
        : m_device(device), m_start(start), m_l(layout), m_progress(progress)
    {
    }

    int Run(const char* label, bool ext3);

private:
    bool writeBlocks(const void* data, int64_t block, int64_t count)
    {
        const int64_t spb = m_l.blockSize / kSector;
        return m_device->WriteSectors(data, m_start + block * spb, count * spb) != 0;
    }
    // A free block, counted off its group and the volume; -1 when none is left.
    int64_t takeBlock()
    {
        const int64_t bit = m_blocks.FindNextFree();
        if (bit < 0)
            return -1;
        m_blocks.SetRange(bit, true, 1);
        --m_freeBlocks;
        --m_groupFree[size_t(bit / m_l.blocksPerGroup)];
        return bit + m_l.firstDataBlock;
    }
    bool buildJournal(uint8_t* inode, int64_t journalBlocks, std::vector<int64_t>& dataBlocks, int& result);

    ISectorDevice* m_device;
    int64_t m_start;
    ExtLayout m_l;
    IProgressReporter* m_progress;
    KBitmap m_blocks; // bit i: block firstDataBlock + i
    int64_t m_freeBlocks = 0;
    std::vector<int64_t> m_groupFree;
};

bool ExtFormatter::buildJournal(uint8_t* inode, int64_t journalBlocks, std::vector<int64_t>& dataBlocks, int& result)
{
    const int64_t bs = m_l.blockSize, perBlock = bs / 4, spb = bs / kSector;
    int64_t sectorsUsed = 0;
    auto take = [&](int64_t& block) {
        block = takeBlock();
        if (block < 0) {
            result = kExtNoRoom;
            return false;
        }
        sectorsUsed += spb;
        return true;
    };
    auto writePointers = [&](const std::vector<uint32_t>& pointers, int64_t block) {
        std::vector<uint8_t> bytes(size_t(bs), 0);
        for (size_t i = 0; i < pointers.size(); ++i)
            put_le32(bytes.data() + 4 * i, pointers[i]);
        if (!writeBlocks(bytes.data(), block, 1)) {
            result = kExtWriteFailed;
            return false;
        }
        return true;
    };

    int64_t done = 0;
    for (int i = 0; i < 12 && done < journalBlocks; ++i, ++done) {
        int64_t b;
        if (!take(b))
            return false;
        put_le32(inode + Ext::kInodeBlocks + 4 * i, uint32_t(b));
        dataBlocks.push_back(b);
    }
    if (done < journalBlocks) { // single indirect
        int64_t indirect;
        if (!take(indirect))
            return false;
        put_le32(inode + Ext::kInodeBlocks + 4 * 12, uint32_t(indirect));
        std::vector<uint32_t> pointers;
        for (; int64_t(pointers.size()) < perBlock && done < journalBlocks; ++done) {
            int64_t b;
            if (!take(b))
                return false;
            pointers.push_back(uint32_t(b));
            dataBlocks.push_back(b);
        }
        if (!writePointers(pointers, indirect))
            return false;
    }
    if (done < journalBlocks) { // double indirect
        int64_t doubleIndirect;
        if (!take(doubleIndirect))
            return false;
        put_le32(inode + Ext::kInodeBlocks + 4 * 13, uint32_t(doubleIndirect));
        std::vector<uint32_t> outer;
        while (done < journalBlocks && int64_t(outer.size()) < perBlock) {
            int64_t indirect;
            if (!take(indirect))
                return false;
            outer.push_back(uint32_t(indirect));
            std::vector<uint32_t> pointers;
            for (; int64_t(pointers.size()) < perBlock && done < journalBlocks; ++done) {
                int64_t b;
                if (!take(b))
                    return false;
                pointers.push_back(uint32_t(b));
                dataBlocks.push_back(b);
            }
            if (!writePointers(pointers, indirect))
                return false;
        }
        if (!writePointers(outer, doubleIndirect))
            return false;
    }
    if (done < journalBlocks) {
        result = kExtNoRoom; // beyond what a double-indirect block can map
        return false;
    }
    put_le32(inode + Ext::kInodeSectors, uint32_t(sectorsUsed));
    return true;
}

int ExtFormatter::Run(const char* label, bool ext3)
{
    const int64_t bs = m_l.blockSize, spb = bs / kSector, groups = m_l.groups;
    const uint32_t now = unixNow();
    const uint64_t fileTime = GetSystemFileTime();
    const int64_t journalBlocks = ext3 ? journalBlocksFor(m_l.blocks) : 0;

    try {
        m_groupFree.assign(size_t(groups), 0);
    } catch (const std::bad_alloc&) {
        return kExtOutOfMemory;
    }
    if (!m_blocks.Create(groups * m_l.blocksPerGroup))
        return kExtOutOfMemory;
    m_freeBlocks = m_l.blocks - m_l.firstDataBlock;
    for (int64_t g = 0; g < groups; ++g) {
        const int64_t first = g * m_l.blocksPerGroup, count = m_l.GroupBlocks(g);
        m_blocks.SetRange(first, true, m_l.MetadataBlocks());
        m_groupFree[size_t(g)] = count - m_l.MetadataBlocks();
        m_freeBlocks -= m_l.MetadataBlocks();
        if (count < m_l.blocksPerGroup) // past the end of the volume
            m_blocks.SetRange(first + count, true, m_l.blocksPerGroup - count);
    }

    m_progress->BeginStep(-1);
    m_progress->SetProcessName(kOperationFormat);
    m_progress->SetStepTotal((m_l.inodeTableBlocks + m_l.descriptorBlocks) * groups + journalBlocks);

    // Inodes 1-11.
    std::vector<uint8_t> inodes(size_t(2 * bs), 0);
    auto inode = [&](uint32_t number) { return inodes.data() + (number - 1) * kInodeBytes; };
    auto stamp = [&](uint8_t* i, uint16_t mode, uint32_t size, uint16_t links) {
        put_le16(i + Ext::kInodeMode, mode);
        put_le32(i + Ext::kInodeSize, size);
        put_le32(i + Ext::kInodeAccessTime, now);
        put_le32(i + Ext::kInodeChangeTime, now);
        put_le32(i + Ext::kInodeModifyTime, now);
        put_le16(i + Ext::kInodeLinks, links);
    };
    const int64_t rootBlock = takeBlock();
    if (rootBlock < 0)
        return kExtNoRoom;
    stamp(inode(kRootInode), 0x41ED, uint32_t(bs), 3);
    put_le32(inode(kRootInode) + Ext::kInodeSectors, uint32_t(spb));
    put_le32(inode(kRootInode) + Ext::kInodeBlocks, uint32_t(rootBlock));

    std::vector<int64_t> journalData;
    if (ext3) {
        stamp(inode(kJournalInode), 0x8180, uint32_t(journalBlocks * bs), 1);
        int result = kExtFormatOk;
        if (!buildJournal(inode(kJournalInode), journalBlocks, journalData, result))
            return result;
    }
    const int64_t lostFoundBlock = takeBlock();
    if (lostFoundBlock < 0)
        return kExtNoRoom;
    stamp(inode(kLostFoundInode), 0x41C0, uint32_t(bs), 2);
    put_le32(inode(kLostFoundInode) + Ext::kInodeSectors, uint32_t(spb));
    put_le32(inode(kLostFoundInode) + Ext::kInodeBlocks, uint32_t(lostFoundBlock));

    uint8_t uuid[16];
    put_le64(uuid, fileTime << 1);
    put_le64(uuid + 8, fileTime >> 1);

    // The journal: its superblock, then blocks of 0xFF in runs of consecutive blocks.
    if (ext3) {
        std::vector<uint8_t> ones(size_t(kMaxJournalRun * bs), 0xFF);
        int64_t run = 0;
        for (size_t i = 1; i < journalData.size();) {
            size_t j = i + 1;
            while (j < journalData.size() && int64_t(j - i) < kMaxJournalRun && journalData[j] == journalData[j - 1] + 1)
                ++j;
            if (!writeBlocks(ones.data(), journalData[i], int64_t(j - i)))
                return kExtWriteFailed;
            m_progress->SetStepPosition(++run);
            i = j;
        }
        std::vector<uint8_t> jsb(size_t(bs), 0);
        auto be32 = [&](size_t at, uint32_t v) {
            for (int k = 0; k < 4; ++k)
                jsb[at + size_t(k)] = uint8_t(v >> (24 - 8 * k));
        };
        be32(0x00, 0xC03B3998u);
        be32(0x04, 4);
        be32(0x0C, uint32_t(bs));
        be32(0x10, uint32_t(journalBlocks));
        be32(0x14, 1);
        be32(0x18, 1);
        std::memcpy(jsb.data() + 0x30, uuid, 16);
        be32(0x40, 1);
        if (!writeBlocks(jsb.data(), journalData[0], 1))
            return kExtWriteFailed;
    }

    // The superblock, the same in every group but for its group number.
    std::vector<uint8_t> super(1024, 0);
    uint8_t* s = super.data();
    put_le32(s + Ext::kSbInodes, uint32_t(groups * m_l.inodesPerGroup));
    put_le32(s + Ext::kSbBlocks, uint32_t(m_l.blocks));
    put_le32(s + Ext::kSbReservedBlocks, uint32_t(m_l.blocks * 5 / 100));
    put_le32(s + Ext::kSbFreeBlocks, uint32_t(m_freeBlocks));
    put_le32(s + Ext::kSbFreeInodes, uint32_t(groups * m_l.inodesPerGroup - kReservedInodes));
    put_le32(s + Ext::kSbFirstDataBlock, uint32_t(m_l.firstDataBlock));
    uint32_t log = 0;
    while ((int64_t(1024) << log) < bs)
        ++log;
    put_le32(s + Ext::kSbLogBlockSize, log);
    put_le32(s + Ext::kSbLogFragSize, log);
    put_le32(s + Ext::kSbBlocksPerGroup, uint32_t(m_l.blocksPerGroup));
    put_le32(s + Ext::kSbFragsPerGroup, uint32_t(m_l.blocksPerGroup));
    put_le32(s + Ext::kSbInodesPerGroup, uint32_t(m_l.inodesPerGroup));
    put_le32(s + Ext::kSbWriteTime, now);
    put_le16(s + Ext::kSbMaxMountCount, 20);
    put_le16(s + Ext::kSbMagic, Ext::kMagic);
    put_le16(s + Ext::kSbState, 1); // clean
    put_le16(s + Ext::kSbErrors, 1); // continue
    put_le32(s + Ext::kSbLastCheck, now);
    put_le32(s + Ext::kSbCheckInterval, 15552000);
    put_le32(s + Ext::kSbRevision, 1);
    put_le32(s + Ext::kSbFirstInode, kReservedInodes);
    put_le16(s + Ext::kSbInodeSize, uint16_t(kInodeBytes));
    put_le32(s + Ext::kSbCompat, ext3 ? Ext::kCompatHasJournal : 0);
    put_le32(s + Ext::kSbIncompat, Ext::kIncompatFiletype);
    std::memcpy(s + Ext::kSbUuid, uuid, 16);
    if (label)
        std::memcpy(s + Ext::kSbLabel, label, std::min<size_t>(Ext::kLabelBytes, std::strlen(label)));
    if (ext3) {
        put_le32(s + Ext::kSbJournalInode, kJournalInode);
        std::memcpy(s + Ext::kSbJournalBlocks, inode(kJournalInode) + Ext::kInodeBlocks, Ext::kInodeBlockMapBytes);
        put_le32(s + Ext::kSbJournalBlocks + 16 * 4, uint32_t(journalBlocks * bs));
    }

    // Group descriptors.
    std::vector<uint8_t> descriptors(size_t(m_l.descriptorBlocks * bs), 0);
    for (int64_t g = 0; g < groups; ++g) {
        uint8_t* d = descriptors.data() + g * kDescriptorBytes;
        put_le32(d + Ext::kDescBlockBitmap, uint32_t(m_l.BlockBitmap(g)));
        put_le32(d + Ext::kDescInodeBitmap, uint32_t(m_l.InodeBitmap(g)));
        put_le32(d + Ext::kDescInodeTable, uint32_t(m_l.InodeTable(g)));
        put_le16(d + Ext::kDescFreeBlocks, uint16_t(m_groupFree[size_t(g)]));
        put_le16(d + Ext::kDescFreeInodes, uint16_t(m_l.inodesPerGroup - (g == 0 ? kReservedInodes : 0)));
        put_le16(d + Ext::kDescUsedDirectories, g == 0 ? 2 : 0);
    }

    // Volume start, inodes 1-11, the two directories.
    const std::vector<uint8_t> zeroSectors(2 * kSector, 0);
    if (!m_device->WriteSectors(zeroSectors.data(), m_start, 2) || !writeBlocks(inodes.data(), m_l.InodeTable(0), 2))
        return kExtWriteFailed;
    std::vector<uint8_t> dir(size_t(bs), 0);
    auto entry = [&](size_t at, uint32_t ino, uint16_t length, const char* name) {
        const size_t n = std::strlen(name);
        put_le32(dir.data() + at, ino);
        put_le16(dir.data() + at + 4, length);
        dir[at + 6] = uint8_t(n);
        dir[at + 7] = n ? 2 : 0; // directory
        std::memcpy(dir.data() + at + 8, name, n);
    };
    entry(0, kRootInode, 12, ".");
    entry(12, kRootInode, 12, "..");
    entry(24, kLostFoundInode, 20, "lost+found");
    entry(44, 0, uint16_t(bs - 44), "");
    if (!writeBlocks(dir.data(), rootBlock, 1))
        return kExtWriteFailed;
    std::fill(dir.begin(), dir.end(), 0);
    entry(0, kLostFoundInode, 12, ".");
    entry(12, kRootInode, 12, "..");
    entry(24, 0, uint16_t(bs - 24), "");
    if (!writeBlocks(dir.data(), lostFoundBlock, 1))
        return kExtWriteFailed;

    // Every group: superblock copy, descriptors, bitmaps, zeroed inode table.
    std::vector<uint8_t> block(size_t(bs), 0);
    int64_t position = journalBlocks;
    for (int64_t g = 0; g < groups; ++g) {
        const int64_t first = m_l.GroupStart(g);
        std::fill(block.begin(), block.end(), 0);
        put_le16(s + 0x5A, uint16_t(g));
        // Block 0 of a volume with larger blocks holds the superblock at byte 1,024.
        const size_t at = (g == 0 && m_l.firstDataBlock == 0) ? 1024 : 0;
        std::memcpy(block.data() + at, super.data(), 384);
        if (!writeBlocks(block.data(), first, 1) || !writeBlocks(descriptors.data(), first + 1, m_l.descriptorBlocks))
            return kExtWriteFailed;
        position += m_l.descriptorBlocks;
        m_progress->SetStepPosition(position);

        if (!writeBlocks(m_blocks.Data() + g * m_l.blocksPerGroup / 8, m_l.BlockBitmap(g), 1))
            return kExtWriteFailed;
        std::fill(block.begin(), block.end(), 0xFF);
        std::fill(block.begin(), block.begin() + m_l.inodesPerGroup / 8, 0);
        if (g == 0) {
            block[0] = 0xFF;
            block[1] = 0x07;
        }
        if (!writeBlocks(block.data(), m_l.InodeBitmap(g), 1))
            return kExtWriteFailed;
        // The inode table: zeros, without the two blocks of group 0 already written.
        const int64_t skip = g == 0 ? 2 : 0;
        if (m_l.inodeTableBlocks > skip
            && !m_device->ZeroSectors(m_start + (m_l.InodeTable(g) + skip) * spb, (m_l.inodeTableBlocks - skip) * spb))
            return kExtWriteFailed;
        position += m_l.inodeTableBlocks;
        m_progress->SetStepPosition(position);
    }
    m_progress->CompleteStep();
    return kExtFormatOk;
}

} // namespace

int GetDefaultExtBlockSize(int64_t sectors)
{
    if (sectors < 0x1400000)
        return 2;
    if (sectors <= 0x7FFFFFF)
        return 4;
    return 8;
}

int GetExtJournalBlocks(int64_t blocks)
{
    if (blocks < 2048)
        return 0;
    if (blocks < 0x8000)
        return 1024;
    if (blocks < 0x40000)
        return 4096;
    if (blocks < 0x80000)
        return 8192;
    if (blocks <= 0xFFFFF)
        return 16384;
    return 32768;
}

int64_t GetExtSystemAreaSectors(int64_t sectors, int blockSize, bool withJournal)
{
    ExtLayout l;
    const int64_t bs = blockSizeFor(sectors, blockSize);
    if (bs != 1024 && bs != 2048 && bs != 4096)
        return 0;
    if (!planLayout(sectors, bs, l))
        return sectors;
    const int64_t spb = bs / kSector;
    int64_t area = (l.inodeTableBlocks + l.descriptorBlocks + l.firstDataBlock + 2) * l.groups * spb;
    if (withJournal)
        area += int64_t(journalBlocksFor(l.blocks)) * spb;
    return area;
}

int FormatExt(ISectorDevice* device, int64_t volumeStart, int64_t sectors, const char* label, int blockSize,
              bool ext3, IProgressReporter* progress)
{
    if (!device || !progress)
        return kExtBadArgument;
    const int64_t bs = blockSizeFor(sectors, blockSize);
    if (bs != 1024 && bs != 2048 && bs != 4096)
        return kExtBadArgument;
    ExtLayout layout;
    if (!planLayout(sectors, bs, layout) || layout.blocks > 0xFFFFFFFFll)
        return kExtNoRoom;
    ExtFormatter formatter(device, volumeStart, layout, progress);
    return formatter.Run(label, ext3);
}

