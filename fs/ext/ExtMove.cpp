#include "ExtMove.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "core/ByteOrder.h"
#include "fs/ext/ExtStructures.h"
#include "engine/ISectorDevice.h"
#include "fs/KBitmap.h"
#include "core/IProgressReporter.h"

namespace {

constexpr int64_t kSectorBytes = 512;
constexpr int64_t kPieceSectors = 126;  // the most sectors one read or write call takes
constexpr int64_t kRunSectors = 40960;  // the most sectors one run of blocks takes (the 20 MiB buffer)
constexpr int kProcessCopyingData = 82;

constexpr int64_t kSuperblockSector = 2;
using namespace Ext;

struct ExtGeometry {
    int64_t Blocks = 0, FreeBlocks = 0, FirstDataBlock = 0, BlocksPerGroup = 0, Groups = 0;
    int64_t BlockBytes = 0, SectorsPerBlock = 0;
    bool GroupChecksums = false;
};

// The geometry of a superblock sector; false when it is not a file system this routine copies, or one
// that does not fit in `sectors`.
bool parseSuperblock(const uint8_t* sb, int64_t sectors, ExtGeometry& g)
{
    if (le16(sb + kSbMagic) != kMagic)
        return false;
    const uint32_t blocks = le32(sb + kSbBlocks), inodes = le32(sb + kSbInodes);
    if (blocks < le32(sb + kSbReservedBlocks) || blocks < le32(sb + kSbFreeBlocks))
        return false;
    if (inodes < le32(sb + kSbFreeInodes) || inodes < le32(sb + kSbInodesPerGroup))
        return false;
    const uint32_t logBlock = le32(sb + kSbLogBlockSize);
    if (logBlock > 2 || le32(sb + kSbLogFragSize) > 2 || le32(sb + kSbRevision) > 1 || le16(sb + kSbGroupNumber) != 0)
        return false;
    const uint32_t incompat = le32(sb + kSbIncompat), roCompat = le32(sb + kSbRoCompat);
    if (incompat & (kIncompatFlexGroups | kIncompatJournalDevice | kIncompatMetaGroups | kIncompat64Bit))
        return false;
    if (roCompat & kRoCompatClusters)
        return false;
    g.GroupChecksums = (roCompat & (kRoCompatGroupChecksums | kRoCompatMetadataChecksums)) != 0;

    g.BlockBytes = int64_t(1024) << logBlock;
    g.SectorsPerBlock = g.BlockBytes / kSectorBytes;
    // With 1 KiB blocks the superblock is block 1 and the groups start there; otherwise it lies inside
    // block 0, which starts group 0.
    g.FirstDataBlock = g.BlockBytes == 1024 ? 1 : 0;
    if (le32(sb + kSbFirstDataBlock) != uint32_t(g.FirstDataBlock))
        return false;
    // A group's block bitmap is one block, addressed a byte at a time.
    g.BlocksPerGroup = le32(sb + kSbBlocksPerGroup);
    if (g.BlocksPerGroup < 8 || g.BlocksPerGroup > g.BlockBytes * 8 || g.BlocksPerGroup % 8 != 0)
        return false;
    g.Blocks = blocks;
    g.FreeBlocks = le32(sb + kSbFreeBlocks);
    if (g.Blocks <= g.FirstDataBlock + 1 || g.Blocks > sectors / g.SectorsPerBlock)
        return false;
    g.Groups = (g.Blocks - g.FirstDataBlock + g.BlocksPerGroup - 1) / g.BlocksPerGroup;
    const int64_t descriptorBlocks = (g.Groups * kDescriptorBytes + g.BlockBytes - 1) / g.BlockBytes;
    return g.FirstDataBlock + 1 + descriptorBlocks <= g.Blocks;
}

class ExtMoveJob {
public:
    ExtMoveJob(ISectorDevice* source, int64_t sourceStart, ISectorDevice* target, int64_t targetStart,
               IProgressReporter* progress)
        : m_source(source), m_target(target), m_sourceStart(sourceStart), m_targetStart(targetStart),
          m_progress(progress)
    {
    }

    int Run(int64_t sectors);

private:
    int collectUsedBlocks();
    int copyBlocks(bool upward);
    int copyRun(int64_t firstBlock, int64_t blocks);
    bool readBlock(uint8_t* buffer, int64_t block);
    bool used(int64_t block) const { return (m_used.Data()[block / 8] >> (block % 8)) & 1; }
    int64_t usedAtOrAbove(int64_t block) const;
    int64_t usedAtOrBelow(int64_t block) const;
    void advance(int64_t sectors);

    ISectorDevice* m_source;
    ISectorDevice* m_target;
    int64_t m_sourceStart, m_targetStart;
    IProgressReporter* m_progress;
    ExtGeometry m_g;
    KBitmap m_used; // one bit per block of the volume, block 0 included
    std::unique_ptr<uint8_t[]> m_buffer;
    int64_t m_done = 0, m_total = 0;
};

int ExtMoveJob::Run(int64_t sectors)
{
    // The superblock takes sectors 2 and 3; nothing smaller can hold one.
    if (sectors < kSuperblockSector + 2)
        return kExtMoveUnsupported;
    uint8_t superblock[kSectorBytes];
    if (!m_source->ReadSectors(superblock, m_sourceStart + kSuperblockSector, 1))
        return kExtMoveReadFailed;
    if (!parseSuperblock(superblock, sectors, m_g))
        return kExtMoveUnsupported;
    if (const int rc = collectUsedBlocks())
        return rc;

    const int64_t bufferSectors = std::min(kRunSectors, m_g.Blocks * m_g.SectorsPerBlock);
    m_buffer.reset(new (std::nothrow) uint8_t[size_t(bufferSectors * kSectorBytes)]);
    if (!m_buffer)
        return kExtMoveOutOfMemory;

    m_progress->BeginStep(-1);
    m_progress->SetProcessName(kProcessCopyingData);
    m_total = (m_g.Blocks - m_g.FreeBlocks) * m_g.SectorsPerBlock * 2;
    m_progress->SetStepTotal(m_total);

    // Whole runs are read before any of them is written, so a run may overlap its own destination.
    // Between runs, the walk goes away from the destination: towards higher blocks when the data
    // moves down, towards lower blocks when it moves up, so no write reaches a block not yet read.
    const bool overlapping = m_targetStart < m_sourceStart + sectors && m_sourceStart < m_targetStart + sectors;
    const bool upward = m_source == m_target && m_targetStart < m_sourceStart && overlapping;
    if (const int rc = copyBlocks(upward))
        return rc;
    m_progress->CompleteStep();
    return kExtMoveOk;
}

bool ExtMoveJob::readBlock(uint8_t* buffer, int64_t block)
{
    return m_source->ReadSectors(buffer, m_sourceStart + block * m_g.SectorsPerBlock, m_g.SectorsPerBlock) != 0;
}

int ExtMoveJob::collectUsedBlocks()
{
    if (!m_used.Create(m_g.Blocks))
        return kExtMoveOutOfMemory;
    std::vector<uint8_t> descriptors, bitmap;
    try {
        descriptors.resize(size_t(m_g.BlockBytes));
        bitmap.resize(size_t(m_g.BlockBytes));
    } catch (const std::bad_alloc&) {
        return kExtMoveOutOfMemory;
    }
    uint8_t* usedBytes = m_used.Data();
    int64_t loaded = -1;
    for (int64_t group = 0; group < m_g.Groups; ++group) {
        // The descriptor table was checked to fit in the volume; its blocks are read one at a time.
        const int64_t at = group * kDescriptorBytes;
        const int64_t descriptorBlock = m_g.FirstDataBlock + 1 + at / m_g.BlockBytes;
        if (descriptorBlock != loaded) {
            if (!readBlock(descriptors.data(), descriptorBlock))
                return kExtMoveReadFailed;
            loaded = descriptorBlock;
        }
        const uint8_t* descriptor = descriptors.data() + at % m_g.BlockBytes;
        if (m_g.GroupChecksums && (le16(descriptor + kDescFlags) & kGroupBlockBitmapUnwritten))
            return kExtMoveUnsupported; // the bitmap block holds nothing to go by
        const int64_t bitmapBlock = le32(descriptor + kDescBlockBitmap);
        if (bitmapBlock <= m_g.FirstDataBlock || bitmapBlock >= m_g.Blocks)
            return kExtMoveUnsupported;
        if (!readBlock(bitmap.data(), bitmapBlock))
            return kExtMoveReadFailed;

        // Bit i of the group's bitmap stands for block first + i; bits past the last block are ignored.
        const int64_t first = m_g.FirstDataBlock + group * m_g.BlocksPerGroup;
        const int64_t count = std::min(m_g.BlocksPerGroup, m_g.Blocks - first);
        for (int64_t i = 0; i < count; i += 8) {
            const uint8_t byte = bitmap[size_t(i / 8)];
            if (!byte)
                continue;
            const int64_t block = first + i;
            const int64_t bits = std::min<int64_t>(8, count - i);
            if (block % 8 == 0 && bits == 8) {
                usedBytes[block / 8] = uint8_t(usedBytes[block / 8] | byte);
                continue;
            }
            for (int64_t b = 0; b < bits; ++b)
                if ((byte >> b) & 1)
                    usedBytes[(block + b) / 8] = uint8_t(usedBytes[(block + b) / 8] | (1u << ((block + b) % 8)));
        }
    }
    // Block 0 is copied whether or not a bitmap covers it: with 1 KiB blocks it is the boot block. It
    // takes its place in the walk like any used block (first walking up, last walking down): written
    // ahead of the rest, it would land on blocks not yet read whenever the volume moves up by less
    // than its length.
    usedBytes[0] = uint8_t(usedBytes[0] | 1u);
    return kExtMoveOk;
}

int64_t ExtMoveJob::usedAtOrAbove(int64_t block) const
{
    const uint8_t* bytes = m_used.Data();
    while (block < m_g.Blocks) {
        if (block % 8 == 0 && bytes[block / 8] == 0) {
            block += 8;
            continue;
        }
        if (used(block))
            return block;
        ++block;
    }
    return -1;
}

int64_t ExtMoveJob::usedAtOrBelow(int64_t block) const
{
    const uint8_t* bytes = m_used.Data();
    while (block >= 0) {
        if (block % 8 == 7 && bytes[block / 8] == 0) {
            block -= 8;
            continue;
        }
        if (used(block))
            return block;
        --block;
    }
    return -1;
}

void ExtMoveJob::advance(int64_t sectors)
{
    m_done += sectors;
    // A superblock whose free count is stale must not drive the position past the total.
    m_progress->SetStepPosition(std::min(m_done, m_total));
}

int ExtMoveJob::copyBlocks(bool upward)
{
    const int64_t longestRun = kRunSectors / m_g.SectorsPerBlock;
    int64_t next = upward ? 0 : m_g.Blocks - 1;
    while (next >= 0 && next < m_g.Blocks) {
        const int64_t start = upward ? usedAtOrAbove(next) : usedAtOrBelow(next);
        if (start < 0)
            break;
        const int64_t step = upward ? 1 : -1;
        int64_t length = 0;
        for (int64_t block = start; length < longestRun && block >= 0 && block < m_g.Blocks && used(block);
             block += step) {
            if (m_progress->IsUserCanceled())
                return kExtMoveCancelled;
            ++length;
        }
        if (const int rc = copyRun(upward ? start : start - length + 1, length))
            return rc;
        next = start + step * length;
    }
    return kExtMoveOk;
}

int ExtMoveJob::copyRun(int64_t firstBlock, int64_t blocks)
{
    const int64_t first = firstBlock * m_g.SectorsPerBlock, count = blocks * m_g.SectorsPerBlock;
    for (int64_t at = 0; at < count;) {
        const int64_t piece = std::min(kPieceSectors, count - at);
        if (!m_source->ReadSectors(m_buffer.get() + at * kSectorBytes, m_sourceStart + first + at, piece))
            return kExtMoveReadFailed;
        at += piece;
        advance(piece);
    }
    for (int64_t at = 0; at < count;) {
        const int64_t piece = std::min(kPieceSectors, count - at);
        if (!m_target->WriteSectors(m_buffer.get() + at * kSectorBytes, m_targetStart + first + at, piece))
            return kExtMoveWriteFailed;
        at += piece;
        advance(piece);
    }
    return kExtMoveOk;
}

} // namespace

int MoveExt(ISectorDevice* source, int64_t sourceStart, int64_t sectors, ISectorDevice* target, int64_t targetStart,
            IProgressReporter* progress)
{
    if (!source || !target || !progress)
        return kExtMoveBadArgument;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    if (sectors <= 0 || sourceStart < 0 || targetStart < 0 || sourceStart > kMax - sectors ||
        targetStart > kMax - sectors)
        return kExtMoveBadArgument;
    ExtMoveJob job(source, sourceStart, target, targetStart, progress);
    return job.Run(sectors);
}
