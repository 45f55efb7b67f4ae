#include "KFatResize.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FatBootTemplates.h"
#include "FatFormat.h"
#include "FatParameters.h"
#include "FatStructures.h"
#include "KFileAllocationTable.h"
#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"
#include "fs/CopyEngine.h"
#include "fs/KBitmap.h"
#include "fs/TwoPassRebuild.h"

namespace {

constexpr int64_t kSector = 512;
constexpr int kProcessChecking = 80, kProcessCopying = 82, kProcessFiles = 83;
constexpr int64_t kLargestDirectoryBytes = 65536 * 32; // 65,536 entries

// The sizes in which each kind may be kept or asked for.
bool sizeSuitsKind(int kind, int64_t sectors)
{
    switch (kind) {
    case 0: return sectors >= 1024 && sectors <= 32608;
    case 1: return sectors >= 0x8000 && sectors <= 0x7FF800;
    case 2: return sectors >= 68583 && sectors <= 0x2FFFFFFF;
    default: return false;
    }
}

// A cluster count every reader takes for the kind (they decide the kind by the count).
bool countSuitsKind(int kind, int64_t clusters)
{
    switch (kind) {
    case 0: return clusters >= 1 && clusters <= 4084;
    case 1: return clusters >= 4085 && clusters <= 0xFFF4;
    default: return clusters >= 0xFFF7 && clusters <= 0x0FFFFFF4;
    }
}

int64_t fatSectorsFor(int kind, int64_t entries)
{
    switch (kind) {
    case 0: return (entries * 3 + 1022) / 1024;
    case 1: return (entries * 2 + 511) / 512;
    default: return (entries * 4 + 511) / 512;
    }
}

int64_t entryCapacity(int kind, int64_t fatSectors)
{
    const int64_t bits = fatSectors * kSector * 8;
    return kind == 0 ? bits / 12 : kind == 1 ? bits / 16 : bits / 32;
}

bool isPowerOfTwo(int64_t v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

struct OldVolume {
    int kind = -1;
    int64_t start = 0, extent = 0, total = 0, reserved = 0, fats = 0, spc = 0, fatSectors = 0;
    int64_t rootEntries = 0, rootSectors = 0, dataStart = 0, clusters = 0;
    uint32_t rootCluster = 0;
    uint8_t boot[kSector] = {};
    uint8_t sector12[kSector] = {};
};

struct NewVolume {
    int kind = -1;
    int64_t start = 0, size = 0, spc = 0, reserved = 0, fats = 2, fatSectors = 0, rootEntries = 0, rootSectors = 0;
    int64_t dataStart = 0, clusters = 0;
    uint32_t rootCluster = 0;
};

struct Request {
    ISectorDevice* source = nullptr;
    ISectorDevice* target = nullptr;
    int64_t oldStart = 0, oldSize = 0, newStart = 0, newSize = 0;
    int requestedKind = -1;
    int64_t requestedSpc = 0;
    int hiddenOption = 0;
    int keepOption = 0;
};

// A directory rebuilt in memory, written to its new clusters at the end.
struct Directory {
    std::vector<uint32_t> newChain;
    std::vector<uint8_t> bytes;
};

class Rebuild {
public:
    Rebuild(const Request& request, IProgressReporter* progress) : m_req(request), m_progress(progress) {}

    int Run(bool checking);

private:
    int readOldVolume();
    int plan();
    int checkOldFats();
    int prepareMaps();
    int walk();
    int readDirectory(const std::vector<uint32_t>& chain, std::vector<uint8_t>& bytes);
    int readRoot(std::vector<uint8_t>& bytes, std::vector<uint32_t>& chain);
    int followChain(uint32_t first, std::vector<uint32_t>& chain, int brokenCode);
    int relocate(const std::vector<uint32_t>& chain, int64_t newCount, bool directory, std::vector<uint32_t>& newChain);
    int64_t allocate();
    int copyData();
    int writeMetadata();
    int writeIdenticalBoot();
    void buildBootSector(uint8_t* boot);
    void addCopy(std::vector<CopyEngine::Extent>& list, int64_t source, int64_t target, int64_t count);

    // Sector addresses: physical on the source and target devices.
    int64_t oldClusterSector(int64_t c) const { return m_old.start + m_old.dataStart + (c - 2) * m_old.spc; }
    int64_t newClusterSector(int64_t n) const { return m_new.start + m_new.dataStart + (n - 2) * m_new.spc; }
    bool oldUsed(uint32_t c) const
    {
        uint32_t v = 0;
        return m_oldFat.GetEntry(c, &v) && v != 0 && v != m_oldFat.BadValue();
    }

    Request m_req;
    IProgressReporter* m_progress;
    bool m_checking = true;
    OldVolume m_old;
    NewVolume m_new;
    bool m_separate = false;  // the new volume is on another device or does not overlap the old one
    bool m_moved = false;     // it overlaps the old one and starts elsewhere
    bool m_identical = false; // a sector-for-sector copy onto another place: same kind, size and clusters
    KFileAllocationTable m_oldFat, m_newFat;
    KBitmap m_reserved;  // new clusters taken by the planning (old clusters already there) or by chains
    KBitmap m_assigned;  // new clusters a chain has been given
    KBitmap m_blocked;   // new clusters whose sectors still hold something of the old volume
    KBitmap m_visited;   // old clusters a file or directory holds
    int64_t m_cursor = 2;
    std::vector<CopyEngine::Extent> m_fresh, m_shifted; // copies to new clusters, copies of the mapped ones
    std::vector<Directory> m_directories;
    std::vector<uint8_t> m_root;
    std::vector<uint32_t> m_rootChain; // FAT32 target
    int64_t m_counted = 0;
};

int Rebuild::Run(bool checking)
{
    m_checking = checking;
    m_progress->EnableUserCancel(1);
    m_progress->SetProcessName(checking ? kProcessChecking : kProcessFiles);
    if (const int rc = readOldVolume())
        return rc;
    if (const int rc = checkOldFats())
        return rc;
    if (const int rc = plan())
        return rc;
    if (!checking && m_req.keepOption == 0 && !m_separate)
        m_progress->EnableUserCancel(0); // directories are rewritten where they lie: no way back
    if (!checking && m_old.kind == 2 && m_old.reserved > 12 &&
        !m_req.source->ReadSectors(m_old.sector12, m_old.start + 12, 1))
        return kFatResizeReadFailed;
    if (const int rc = prepareMaps())
        return rc;
    if (const int rc = walk())
        return rc;
    if (checking)
        return kFatResizeOk;
    m_progress->SetProcessName(kProcessCopying);
    if (const int rc = copyData())
        return rc;
    m_progress->EnableUserCancel(0);
    return m_identical ? writeIdenticalBoot() : writeMetadata();
}

int Rebuild::readOldVolume()
{
    m_old = OldVolume{};
    m_old.start = m_req.oldStart;
    m_old.extent = m_req.oldSize;
    uint8_t* b = m_old.boot;
    if (!m_req.source->ReadSectors(b, m_old.start, 1))
        return kFatResizeReadFailed;
    if (std::memcmp(b + Fat::kFileSystemType16, "FAT12   ", 8) == 0)
        m_old.kind = 0;
    else if (std::memcmp(b + Fat::kFileSystemType16, "FAT16   ", 8) == 0)
        m_old.kind = 1;
    else if (std::memcmp(b + Fat::kFileSystemType32, "FAT32   ", 8) == 0)
        m_old.kind = 2;
    else
        return kFatResizeNotFat;
    m_old.total = le16(b + Fat::kTotalSectors16);
    if (m_old.total == 0)
        m_old.total = le32(b + Fat::kTotalSectors32);
    m_old.reserved = le16(b + Fat::kReservedSectors);
    m_old.fats = b[Fat::kNumberOfFats];
    m_old.spc = b[Fat::kSectorsPerCluster];
    m_old.fatSectors = m_old.kind == 2 ? le32(b + Fat::kFatSize32) : le16(b + Fat::kFatSize16);
    if (m_old.kind == 2)
        m_old.rootCluster = le32(b + Fat::kRootCluster);
    else
        m_old.rootEntries = le16(b + Fat::kRootEntries);
    m_old.rootSectors = (m_old.rootEntries * 32 + kSector - 1) / kSector;
    m_old.dataStart = m_old.reserved + m_old.fats * m_old.fatSectors + m_old.rootSectors;
    // Everything the layout rests on is checked before it is used.
    if (le16(b + Fat::kBytesPerSector) != kSector || !isPowerOfTwo(m_old.spc) || m_old.reserved < 1 ||
        m_old.fats < 1 || m_old.fatSectors < 1 || m_old.total > m_old.extent || m_old.dataStart >= m_old.total)
        return kFatResizeNotFat;
    m_old.clusters = (m_old.total - m_old.dataStart) / m_old.spc;
    if (m_old.clusters < 1 || entryCapacity(m_old.kind, m_old.fatSectors) < m_old.clusters + 2 ||
        (m_old.kind == 2 && (m_old.rootCluster < 2 || m_old.rootCluster > m_old.clusters + 1)))
        return kFatResizeNotFat;
    return kFatResizeOk;
}

int Rebuild::plan()
{
    m_new = NewVolume{};
    m_new.start = m_req.newStart;
    m_new.size = m_req.newSize;
    m_separate = m_req.source != m_req.target || m_new.start >= m_old.start + m_old.extent ||
                 m_old.start >= m_new.start + m_new.size;
    m_moved = !m_separate && m_new.start != m_old.start;

    if (m_req.requestedKind >= 0) {
        if (!sizeSuitsKind(m_req.requestedKind, m_new.size))
            return kFatResizeBadArgument;
        m_new.kind = m_req.requestedKind;
    } else if (sizeSuitsKind(m_old.kind, m_new.size)) {
        m_new.kind = m_old.kind;
    } else {
        int type = 0;
        if (!GetDefaultFatType(m_new.size, &type))
            return kFatResizeBadArgument;
        m_new.kind = FatKindFromType(type);
    }

    int64_t spc = m_req.requestedSpc;
    if (spc == 0 && m_old.kind == 2 && m_new.kind == 2) {
        const int64_t w = ((m_new.size / m_old.spc) * 4 + kSector - 1) / kSector;
        if ((m_old.fatSectors >= w / 2 || m_old.spc >= 32) && (m_new.size - 2 * w - 32) / m_old.spc > 0xFFF6)
            spc = m_old.spc;
    }
    if (spc == 0) {
        int size = 0;
        if (!GetDefaultFatClusterSize(m_new.size, FatTypeFromKind(m_new.kind), &size) || size == 0)
            size = 1;
        spc = size;
    }
    if (!isPowerOfTwo(spc) || spc > 128)
        return kFatResizeBadArgument;
    m_new.spc = spc;

    m_identical = m_separate && m_new.kind == m_old.kind && m_new.spc == m_old.spc && m_new.size == m_old.extent;
    if (m_identical) {
        m_new.reserved = m_old.reserved;
        m_new.fats = m_old.fats;
        m_new.fatSectors = m_old.fatSectors;
        m_new.rootEntries = m_old.rootEntries;
        m_new.rootSectors = m_old.rootSectors;
        m_new.rootCluster = m_old.rootCluster;
        m_new.dataStart = m_old.dataStart;
        m_new.clusters = m_old.clusters;
        return kFatResizeOk;
    }

    const int64_t estimate = fatSectorsFor(m_new.kind, m_new.size / m_new.spc);
    if (m_new.kind == 2) {
        m_new.rootSectors = 0;
    } else if (m_old.kind != 2) {
        m_new.rootSectors = m_old.rootSectors;
    } else {
        // A FAT32 root becomes a fixed root directory: 512 entries, or as many as the old one holds.
        uint32_t length = 0;
        if (!m_oldFat.GetChainLength(m_old.rootCluster, &length))
            return kFatResizeRootChain;
        m_new.rootSectors = std::max<int64_t>(32, int64_t(length) * m_old.spc);
        if (m_new.rootSectors * 16 > 0xFFF0)
            return kFatResizeBadArgument;
    }
    m_new.rootEntries = m_new.rootSectors * 16;
    // The new data area keeps the old cluster grid, so clusters that already lie on it can stay.
    const int64_t base = m_separate || m_moved ? 0 : 1;
    const int64_t d = base * m_old.start + m_old.dataStart;
    const int64_t z = base * m_new.start + 32 + 2 * estimate + m_new.rootSectors;
    const int64_t slack = d >= z ? (d - z) % m_old.spc : m_old.spc - (z - d) % m_old.spc;
    m_new.fatSectors = estimate + slack / 2;
    m_new.reserved = 32 + slack % 2;
    m_new.fats = 2;
    m_new.dataStart = m_new.reserved + 2 * m_new.fatSectors + m_new.rootSectors;
    if (m_new.dataStart >= m_new.size)
        return kFatResizeBadArgument;
    m_new.clusters = std::min((m_new.size - m_new.dataStart) / m_new.spc,
                              entryCapacity(m_new.kind, m_new.fatSectors) - 2);
    if (!countSuitsKind(m_new.kind, m_new.clusters))
        return kFatResizeBadArgument;
    return kFatResizeOk;
}

int Rebuild::checkOldFats()
{
    // The checking pass compares every copy; the real pass needs one.
    return LoadCheckedFat(m_req.source, m_old.start + m_old.reserved, int(m_old.fats), m_old.fatSectors,
                          uint32_t(m_old.clusters), m_old.kind, m_checking, m_oldFat);
}

int Rebuild::prepareMaps()
{
    const int64_t newEntries = m_new.clusters + 2;
    if (!m_newFat.Create(m_new.fatSectors * kSector, uint32_t(newEntries), m_new.kind) ||
        !m_reserved.Create(newEntries) || !m_assigned.Create(newEntries) || !m_blocked.Create(newEntries) ||
        !m_visited.Create(m_old.clusters + 2))
        return kFatResizeOutOfMemory;
    // Keep the media descriptor.
    uint32_t media = 0;
    if (m_oldFat.GetEntry(0, &media)) {
        uint8_t* table = const_cast<uint8_t*>(m_newFat.Data());
        table[0] = uint8_t(media);
    }
    m_reserved.SetRange(0, true, 2);
    m_assigned.SetRange(0, true, 2);
    m_blocked.SetRange(0, true, 2);
    m_cursor = 2;
    m_fresh.clear();
    m_shifted.clear();
    m_directories.clear();
    m_root.clear();
    m_rootChain.clear();
    m_counted = 0;
    if (m_identical)
        return kFatResizeOk;

    // In place, a new cluster is only free for data when every sector of it lies outside the old
    // volume or on a cluster the old FAT has free: then no copy or directory written before the end
    // destroys anything the old volume, or a later copy, still reads.
    if (!m_separate) {
        const int64_t oldEnd = m_old.start + m_old.extent;
        const int64_t oldData = m_old.start + m_old.dataStart;
        for (int64_t n = 2; n < newEntries; ++n) {
            const int64_t first = newClusterSector(n), last = first + m_new.spc - 1;
            if (last < m_old.start || first >= oldEnd)
                continue;
            bool free = first >= oldData;
            for (int64_t s = std::max(first, oldData); free && s <= last && s < oldEnd;) {
                const int64_t c = (s - oldData) / m_old.spc + 2;
                if (c > m_old.clusters + 1)
                    break; // the tail past the last cluster holds nothing
                uint32_t v = 0;
                free = m_oldFat.GetEntry(uint32_t(c), &v) && v == 0;
                s = oldClusterSector(c + 1);
            }
            if (!free)
                m_blocked.SetRange(n, true, 1);
        }
    }

    // The new clusters old clusters map onto: in place by position (an old bad cluster stays marked
    // bad there), elsewhere by their place in the data area.
    for (int64_t c = 2; c < m_old.clusters + 2; ++c) {
        uint32_t v = 0;
        m_oldFat.GetEntry(uint32_t(c), &v);
        if (v == 0)
            continue;
        const bool bad = v == m_oldFat.BadValue();
        int64_t offset;
        if (m_separate || m_moved) {
            if (bad)
                continue;
            offset = (c - 2) * m_old.spc;
        } else {
            offset = oldClusterSector(c) - (m_new.start + m_new.dataStart);
        }
        // Every new cluster that starts inside this old cluster.
        for (int64_t s = std::max<int64_t>(offset, 0); s < offset + m_old.spc; ++s) {
            if (s % m_new.spc)
                continue;
            const int64_t n = s / m_new.spc + 2;
            if (n >= newEntries)
                break;
            m_reserved.SetRange(n, true, 1);
            if (bad) {
                m_newFat.MarkBad(uint32_t(n));
                m_assigned.SetRange(n, true, 1);
            }
        }
    }
    return kFatResizeOk;
}

int Rebuild::followChain(uint32_t first, std::vector<uint32_t>& chain, int brokenCode)
{
    chain.clear();
    uint32_t c = first;
    const uint32_t end = uint32_t(m_old.clusters + 2);
    while (true) {
        if (c < 2 || c >= end || m_visited.Test(c))
            return brokenCode;
        uint32_t next = 0;
        if (!m_oldFat.GetEntry(c, &next) || next == 0 || next == m_oldFat.BadValue())
            return brokenCode;
        chain.push_back(c);
        m_visited.SetRange(c, true, 1);
        if (next > m_oldFat.LargestLink())
            return kFatResizeOk;
        c = next;
    }
}

int Rebuild::readDirectory(const std::vector<uint32_t>& chain, std::vector<uint8_t>& bytes)
{
    const int64_t clusterBytes = m_old.spc * kSector;
    if (int64_t(chain.size()) * clusterBytes > kLargestDirectoryBytes + clusterBytes)
        return kFatResizeBadLinks;
    try {
        bytes.assign(chain.size() * size_t(clusterBytes), 0);
    } catch (const std::bad_alloc&) {
        return kFatResizeOutOfMemory;
    }
    for (size_t i = 0; i < chain.size();) {
        size_t run = 1;
        while (i + run < chain.size() && chain[i + run] == chain[i + run - 1] + 1 && run < 128)
            ++run;
        if (!m_req.source->ReadSectors(bytes.data() + i * size_t(clusterBytes), oldClusterSector(chain[i]),
                                       int64_t(run) * m_old.spc))
            return kFatResizeReadFailed;
        i += run;
    }
    return kFatResizeOk;
}

int Rebuild::readRoot(std::vector<uint8_t>& bytes, std::vector<uint32_t>& chain)
{
    chain.clear();
    if (m_old.kind == 2) {
        if (followChain(m_old.rootCluster, chain, kFatResizeRootChain))
            return kFatResizeRootChain;
        return readDirectory(chain, bytes);
    }
    try {
        bytes.assign(size_t(m_old.rootSectors * kSector), 0);
    } catch (const std::bad_alloc&) {
        return kFatResizeOutOfMemory;
    }
    return m_req.source->ReadSectors(bytes.data(), m_old.start + m_old.reserved + m_old.fats * m_old.fatSectors,
                                     m_old.rootSectors)
               ? kFatResizeOk
               : kFatResizeReadFailed;
}

int64_t Rebuild::allocate()
{
    const int64_t entries = m_new.clusters + 2;
    for (int64_t tried = 0; tried < entries; ++tried) {
        const int64_t n = m_cursor;
        m_cursor = m_cursor + 1 >= entries ? 2 : m_cursor + 1;
        if (!m_reserved.Test(n) && !m_assigned.Test(n) && !m_blocked.Test(n)) {
            m_reserved.SetRange(n, true, 1);
            m_assigned.SetRange(n, true, 1);
            return n;
        }
    }
    return -1;
}

void Rebuild::addCopy(std::vector<CopyEngine::Extent>& list, int64_t source, int64_t target, int64_t count)
{
    if (!list.empty()) {
        CopyEngine::Extent& last = list.back();
        if (last.Source + last.Count == source && last.Target + last.Count == target &&
            last.Count + count <= CopyEngine::kBufferSectors) {
            last.Count += count;
            return;
        }
    }
    list.push_back({source, target, count});
}

int Rebuild::relocate(const std::vector<uint32_t>& chain, int64_t newCount, bool directory,
                      std::vector<uint32_t>& newChain)
{
    newChain.clear();
    const bool keepAllowed = m_req.keepOption == 0 || (m_req.keepOption == 1 && !directory);
    const int64_t oldSectors = int64_t(chain.size()) * m_old.spc;
    // The old sector behind sector i of the chain's contents.
    auto oldSector = [&](int64_t i) { return oldClusterSector(chain[size_t(i / m_old.spc)]) + i % m_old.spc; };
    for (int64_t j = 0; j < newCount; ++j) {
        const int64_t from = j * m_new.spc;
        const int64_t length = std::min(m_new.spc, oldSectors - from);
        // Contiguous on the old side?
        bool contiguous = true;
        for (int64_t i = from + m_old.spc - from % m_old.spc; contiguous && i < from + length; i += m_old.spc)
            contiguous = oldSector(i) == oldSector(from) + (i - from);
        int64_t n = -1;
        if (keepAllowed && contiguous) {
            const int64_t offset = m_separate || m_moved ? oldSector(from) - (m_old.start + m_old.dataStart)
                                                         : oldSector(from) - (m_new.start + m_new.dataStart);
            if (offset >= 0 && offset % m_new.spc == 0) {
                const int64_t candidate = offset / m_new.spc + 2;
                // Bad clusters were assigned when they were marked.
                if (candidate < m_new.clusters + 2 && m_reserved.Test(candidate) && !m_assigned.Test(candidate)) {
                    n = candidate;
                    m_assigned.SetRange(n, true, 1);
                }
            }
        }
        const bool mapped = n >= 0;
        if (!mapped && (n = allocate()) < 0)
            return kFatResizeNoRoom;
        // Directory contents are written from memory; file data is copied unless it already lies there.
        if (!directory && !(mapped && !m_separate && !m_moved)) {
            std::vector<CopyEngine::Extent>& list = mapped && m_moved ? m_shifted : m_fresh;
            for (int64_t i = from; i < from + length;) {
                const int64_t piece = std::min(from + length, (i / m_old.spc + 1) * m_old.spc) - i;
                addCopy(list, oldSector(i), newClusterSector(n) + (i - from), piece);
                i += piece;
            }
        }
        if (!newChain.empty())
            m_newFat.SetEntry(newChain.back(), uint32_t(n));
        newChain.push_back(uint32_t(n));
    }
    if (!newChain.empty())
        m_newFat.MarkEnd(newChain.back());
    return kFatResizeOk;
}

int Rebuild::walk()
{
    int64_t used = 0;
    for (int64_t c = 2; c < m_old.clusters + 2; ++c)
        used += oldUsed(uint32_t(c)) ? m_old.spc : 0;
    m_progress->SetStepTotal(used);
    m_progress->BeginStep(-1);

    if (m_identical) {
        // Nothing is rebuilt: the system area and every used cluster are copied as they lie.
        for (int64_t s = 0; s < m_old.dataStart; s += CopyEngine::kBufferSectors)
            m_fresh.push_back({m_old.start + s, m_new.start + s, std::min(CopyEngine::kBufferSectors, m_old.dataStart - s)});
        for (int64_t c = 2; c < m_old.clusters + 2; ++c)
            if (oldUsed(uint32_t(c)))
                addCopy(m_fresh, oldClusterSector(c), newClusterSector(c), m_old.spc);
        m_progress->CompleteStep();
        return kFatResizeOk;
    }

    std::vector<uint32_t> rootOldChain;
    if (const int rc = readRoot(m_root, rootOldChain))
        return rc;
    // The root: a chain of new clusters on FAT32, the fixed area on FAT12/16.
    const int64_t rootSectors = int64_t(m_root.size()) / kSector;
    if (m_new.kind == 2) {
        const int64_t clusters = std::max<int64_t>(1, (rootSectors + m_new.spc - 1) / m_new.spc);
        for (int64_t i = 0; i < clusters; ++i) {
            const int64_t n = allocate();
            if (n < 0)
                return kFatResizeNoRoom;
            if (!m_rootChain.empty())
                m_newFat.SetEntry(m_rootChain.back(), uint32_t(n));
            m_rootChain.push_back(uint32_t(n));
        }
        m_newFat.MarkEnd(m_rootChain.back());
        m_new.rootCluster = m_rootChain.front();
        m_root.resize(size_t(clusters * m_new.spc * kSector), 0);
    } else {
        // Every entry up to the end mark must fit in the new fixed root.
        const size_t capacity = size_t(m_new.rootSectors * kSector);
        size_t end = 0;
        while (end + 32 <= m_root.size() && m_root[end] != Fat::kEntryEnd)
            end += 32;
        if (end > capacity)
            return kFatResizeNoRoom;
        m_root.resize(capacity, 0);
    }

    struct Pending {
        std::vector<uint32_t> oldChain, newChain;
        uint32_t parent; // new first cluster of the parent, 0 for the root
    };
    std::deque<Pending> queue;
    const int64_t newClusterBytes = m_new.spc * kSector;
    // Processes one directory's entries; `self` is its new first cluster (0 for the root).
    auto process = [&](std::vector<uint8_t>& bytes, uint32_t self, uint32_t parent) -> int {
        for (size_t at = 0; at + 32 <= bytes.size(); at += 32) {
            uint8_t* e = bytes.data() + at;
            if (e[0] == Fat::kEntryEnd || std::memcmp(e, "           ", 11) == 0)
                break;
            const uint8_t attr = e[Fat::kDirAttributes];
            if (e[0] == Fat::kEntryFree || (attr & 0x3F) == Fat::kAttrLongName || (attr & Fat::kAttrVolumeLabel))
                continue;
            auto setFirst = [&](uint32_t n) {
                put_le16(e + Fat::kDirFirstClusterHigh, uint16_t(m_new.kind == 2 ? n >> 16 : 0));
                put_le16(e + Fat::kDirFirstClusterLow, uint16_t(n));
            };
            if (std::memcmp(e, ".          ", 11) == 0) {
                setFirst(self);
                continue;
            }
            if (std::memcmp(e, "..         ", 11) == 0) {
                setFirst(parent);
                continue;
            }
            const uint32_t first = le16(e + Fat::kDirFirstClusterLow) |
                                   (m_old.kind == 2 ? uint32_t(le16(e + Fat::kDirFirstClusterHigh)) << 16 : 0);
            if (first == 0)
                continue;
            std::vector<uint32_t> chain, newChain;
            if (const int rc = followChain(first, chain, kFatResizeBadLinks))
                return rc;
            const bool directory = (attr & Fat::kAttrDirectory) != 0;
            const int64_t oldSectors = int64_t(chain.size()) * m_old.spc;
            int64_t count = (oldSectors + m_new.spc - 1) / m_new.spc;
            if (!directory) {
                const int64_t needed = (int64_t(le32(e + Fat::kDirFileSize)) + newClusterBytes - 1) / newClusterBytes;
                count = std::min(count, needed);
                // Old clusters past what the file needs would be lost.
                const int64_t kept = (count * m_new.spc + m_old.spc - 1) / m_old.spc;
                for (size_t i = size_t(std::min<int64_t>(kept, int64_t(chain.size()))); i < chain.size(); ++i)
                    m_visited.SetRange(chain[i], false, 1);
                chain.resize(size_t(std::min<int64_t>(kept, int64_t(chain.size()))));
            }
            if (const int rc = relocate(chain, count, directory, newChain))
                return rc;
            setFirst(newChain.empty() ? 0 : newChain.front());
            if (directory)
                queue.push_back({std::move(chain), newChain, self});
            else
                m_counted += int64_t(chain.size()) * m_old.spc;
            m_progress->SetStepPosition(m_counted);
            if (m_progress->IsUserCanceled())
                return kFatResizeCancelled;
        }
        return kFatResizeOk;
    };

    if (const int rc = process(m_root, 0, 0))
        return rc;
    while (!queue.empty()) {
        Pending item = std::move(queue.front());
        queue.pop_front();
        std::vector<uint8_t> bytes;
        if (const int rc = readDirectory(item.oldChain, bytes))
            return rc;
        m_counted += int64_t(item.oldChain.size()) * m_old.spc;
        if (bytes.size() < 64 || std::memcmp(bytes.data(), ".          ", 11) != 0 ||
            std::memcmp(bytes.data() + 32, "..         ", 11) != 0 ||
            !(bytes[Fat::kDirAttributes] & Fat::kAttrDirectory) || !(bytes[32 + Fat::kDirAttributes] & Fat::kAttrDirectory))
            return kFatResizeNoDotEntries;
        if (const int rc = process(bytes, item.newChain.front(), item.parent))
            return rc;
        if (!m_checking) {
            bytes.resize(item.newChain.size() * size_t(newClusterBytes), 0);
            m_directories.push_back({std::move(item.newChain), std::move(bytes)});
        }
    }
    // Every cluster the old FAT uses must have found its place: a lost chain would be dropped.
    for (int64_t c = 2; c < m_old.clusters + 2; ++c)
        if (oldUsed(uint32_t(c)) && !m_visited.Test(c))
            return kFatResizeWouldLose;
    m_progress->CompleteStep();
    return kFatResizeOk;
}

int Rebuild::copyData()
{
    CopyEngine::Plan plan;
    for (const CopyEngine::Extent& e : m_fresh)
        plan.Append(e);
    // The mapped clusters of a moved volume all shift by one distance: walked away from where they go,
    // so that no write reaches a cluster not yet read.
    std::vector<CopyEngine::Extent> shifted = m_shifted;
    const bool up = !shifted.empty() && shifted.front().Target > shifted.front().Source;
    std::sort(shifted.begin(), shifted.end(), [up](const CopyEngine::Extent& a, const CopyEngine::Extent& b) {
        return up ? a.Source > b.Source : a.Source < b.Source;
    });
    std::vector<CopyEngine::Extent> merged;
    for (const CopyEngine::Extent& e : shifted) {
        if (!merged.empty()) {
            CopyEngine::Extent& last = merged.back();
            if (up && e.Source + e.Count == last.Source && e.Target + e.Count == last.Target &&
                last.Count + e.Count <= CopyEngine::kBufferSectors) {
                last = {e.Source, e.Target, last.Count + e.Count};
                continue;
            }
            if (!up && last.Source + last.Count == e.Source && last.Target + last.Count == e.Target &&
                last.Count + e.Count <= CopyEngine::kBufferSectors) {
                last.Count += e.Count;
                continue;
            }
        }
        merged.push_back(e);
    }
    for (const CopyEngine::Extent& e : merged)
        plan.Append(e);

    CopyEngine::Job job;
    job.Source = m_req.source;
    job.Target = m_req.target;
    job.TargetFirst = m_new.start;
    job.TargetCount = m_new.size;
    switch (CopyEngine::Run(job, plan, m_progress)) {
    case CopyEngine::kOk: return kFatResizeOk;
    case CopyEngine::kOutOfMemory: return kFatResizeOutOfMemory;
    case CopyEngine::kReadFailed: return kFatResizeReadFailed;
    case CopyEngine::kWriteFailed: return kFatResizeWriteFailed;
    case CopyEngine::kCancelled: return kFatResizeCancelled;
    default: return kFatResizeBadArgument; // a plan the engine refused: nothing was written
    }
}

void Rebuild::buildBootSector(uint8_t* boot)
{
    if (m_new.kind == m_old.kind) {
        std::memcpy(boot, m_old.boot, kSector);
    } else {
        const unsigned char* templ = m_new.kind == 0 ? kFat12BootSector : m_new.kind == 1 ? kFat16BootSector
                                                                                       : kFat32BootSector;
        std::memcpy(boot, templ, kSector);
        boot[Fat::kMedia] = m_old.boot[Fat::kMedia];
    }
    DiskGeometry geometry{};
    const bool known = m_req.source->GetGeometry(&geometry) != 0;
    put_le16(boot + Fat::kBytesPerSector, uint16_t(kSector));
    if (known) {
        put_le16(boot + Fat::kSectorsPerTrack, uint16_t(geometry.SectorsPerTrack));
        put_le16(boot + Fat::kNumberOfHeads, uint16_t(geometry.TracksPerCylinder));
    }
    put_le32(boot + Fat::kHiddenSectors,
             uint32_t(m_req.hiddenOption ? m_new.start : known ? geometry.SectorsPerTrack : 63));
    boot[Fat::kSectorsPerCluster] = uint8_t(m_new.spc);
    put_le16(boot + Fat::kReservedSectors, uint16_t(m_new.reserved));
    boot[Fat::kNumberOfFats] = uint8_t(m_new.fats);
    // The label stays what the root directory says it is.
    char label[11];
    std::memcpy(label, "NO NAME    ", 11);
    for (size_t at = 0; at + 32 <= m_root.size(); at += 32) {
        const uint8_t* e = m_root.data() + at;
        if (e[0] == Fat::kEntryEnd)
            break;
        if (e[0] != Fat::kEntryFree && (e[Fat::kDirAttributes] & 0x3F) == Fat::kAttrVolumeLabel) {
            std::memcpy(label, e, 11);
            break;
        }
    }
    const uint32_t serial = uint32_t(GetSystemFileTime());
    if (m_new.kind == 2) {
        put_le16(boot + Fat::kRootEntries, 0);
        put_le16(boot + Fat::kTotalSectors16, 0);
        put_le32(boot + Fat::kTotalSectors32, uint32_t(m_new.size));
        put_le16(boot + Fat::kFatSize16, 0);
        put_le32(boot + Fat::kFatSize32, uint32_t(m_new.fatSectors));
        put_le16(boot + offsetof(Fat::BootSector32, ExtFlags), 0);
        put_le32(boot + Fat::kRootCluster, m_new.rootCluster);
        put_le16(boot + Fat::kFsInfoSector, 1);
        put_le16(boot + Fat::kBackupBootSector, 6);
        boot[Fat::kBootSignature32] = Fat::kExtendedBootSignature;
        put_le32(boot + Fat::kVolumeId32, serial);
        std::memcpy(boot + Fat::kVolumeLabel32, label, 11);
    } else {
        put_le16(boot + Fat::kRootEntries, uint16_t(m_new.rootEntries));
        put_le16(boot + Fat::kTotalSectors16, uint16_t(m_new.size < 0x10000 ? m_new.size : 0));
        put_le32(boot + Fat::kTotalSectors32, uint32_t(m_new.size < 0x10000 ? 0 : m_new.size));
        put_le16(boot + Fat::kFatSize16, uint16_t(m_new.fatSectors));
        boot[Fat::kBootSignature16] = Fat::kExtendedBootSignature;
        put_le32(boot + Fat::kVolumeId16, serial);
        std::memcpy(boot + Fat::kVolumeLabel16, label, 11);
        std::memcpy(boot + Fat::kFileSystemType16, m_new.kind == 0 ? "FAT12   " : "FAT16   ", 8);
    }
}

int Rebuild::writeIdenticalBoot()
{
    uint8_t boot[kSector];
    std::memcpy(boot, m_old.boot, kSector);
    put_le32(boot + (m_old.kind == 2 ? Fat::kVolumeId32 : Fat::kVolumeId16), uint32_t(GetSystemFileTime()));
    if (m_req.hiddenOption)
        put_le32(boot + Fat::kHiddenSectors, uint32_t(m_new.start));
    if (!m_req.target->WriteSectors(boot, m_new.start, 1))
        return kFatResizeBootWriteFailed;
    const int64_t backup = m_old.kind == 2 ? le16(boot + Fat::kBackupBootSector) : 0;
    if (backup > 0 && backup < m_new.reserved && !m_req.target->WriteSectors(boot, m_new.start + backup, 1))
        return kFatResizeBootWriteFailed;
    return kFatResizeOk;
}

int Rebuild::writeMetadata()
{
    ISectorDevice* out = m_req.target;
    for (const Directory& d : m_directories)
        for (size_t i = 0; i < d.newChain.size(); ++i)
            if (!out->WriteSectors(d.bytes.data() + i * size_t(m_new.spc * kSector), newClusterSector(d.newChain[i]),
                                   m_new.spc))
                return kFatResizeWriteFailed;

    const std::vector<uint8_t> zeros(size_t(m_new.reserved * kSector), 0);
    if (m_new.reserved > 1 && !out->WriteSectors(zeros.data(), m_new.start + 1, m_new.reserved - 1))
        return kFatResizeReservedWriteFailed;
    uint8_t boot[kSector];
    buildBootSector(boot);
    if (!out->WriteSectors(boot, m_new.start, 1))
        return kFatResizeBootWriteFailed;
    if (m_new.kind == 2) {
        uint8_t fsinfo[kSector];
        BuildFsInfoSector(fsinfo);
        uint8_t sector12[kSector] = {};
        if (m_old.kind == 2)
            std::memcpy(sector12, m_old.sector12, kSector);
        if (!out->WriteSectors(fsinfo, m_new.start + 1, 1) ||
            !out->WriteSectors(kFat32SecondBootSector, m_new.start + 2, 1) ||
            !out->WriteSectors(boot, m_new.start + 6, 1) || !out->WriteSectors(fsinfo, m_new.start + 7, 1) ||
            !out->WriteSectors(kFat32SecondBootSector, m_new.start + 8, 1) ||
            (m_new.reserved > 12 && !out->WriteSectors(sector12, m_new.start + 12, 1)))
            return kFatResizeReservedWriteFailed;
    }
    for (int64_t i = 0; i < m_new.fats; ++i)
        if (!out->WriteSectors(m_newFat.Data(), m_new.start + m_new.reserved + i * m_new.fatSectors, m_new.fatSectors))
            return kFatResizeFatWriteFailed;
    if (m_new.kind == 2) {
        for (size_t i = 0; i < m_rootChain.size(); ++i)
            if (!out->WriteSectors(m_root.data() + i * size_t(m_new.spc * kSector), newClusterSector(m_rootChain[i]),
                                   m_new.spc))
                return kFatResizeRootWriteFailed;
    } else if (!out->WriteSectors(m_root.data(), m_new.start + m_new.reserved + m_new.fats * m_new.fatSectors,
                                  m_new.rootSectors)) {
        return kFatResizeRootWriteFailed;
    }
    return kFatResizeOk;
}

int runBoth(const Request& request, IProgressReporter* progress, bool oneStep)
{
    if (!RebuildRequestUsable(request, progress) || request.newSize > 0xFFFFFFFFll)
        return kFatResizeBadArgument;
    if (oneStep)
        return RunCheckedThenReal<Rebuild>(request, progress, {1.0}, kFatResizeOutOfMemory);
    return RunCheckedThenReal<Rebuild>(request, progress, {0.3, 0.3, 0.4}, kFatResizeOutOfMemory);
}

} // namespace

int LoadCheckedFat(ISectorDevice* device, int64_t firstFatSector, int fats, int64_t fatSectors, uint32_t clusters,
                   int kind, bool compareAll, KFileAllocationTable& out)
{
    const int64_t bytes = fatSectors * kSector;
    std::vector<uint8_t> first, copy;
    try {
        first.resize(size_t(bytes));
        copy.resize(size_t(bytes));
    } catch (const std::bad_alloc&) {
        return kFatResizeOutOfMemory;
    }
    bool loaded = false;
    for (int64_t i = 0; i < fats; ++i) {
        std::vector<uint8_t>& buffer = loaded ? copy : first;
        if (!device->ReadSectors(buffer.data(), firstFatSector + i * fatSectors, fatSectors)) {
            if (!compareAll)
                return kFatResizeReadFailed;
            continue; // a copy that cannot be read is left out of the comparison
        }
        KFileAllocationTable table;
        if (!table.Load(buffer.data(), bytes, clusters + 2, kind))
            return kFatResizeOutOfMemory;
        if (!table.CheckLinkRange() || !table.CheckUniqueSuccessors())
            return kFatResizeBadLinks;
        if (loaded) {
            // Entry by entry: the bytes past the last entry do not count.
            for (uint32_t n = 2; n < clusters + 2; ++n) {
                uint32_t a = 0, b = 0;
                out.GetEntry(n, &a);
                table.GetEntry(n, &b);
                if (a != b)
                    return kFatResizeCopiesDiffer;
            }
            continue;
        }
        if (!out.Load(buffer.data(), bytes, clusters + 2, kind))
            return kFatResizeOutOfMemory;
        loaded = true;
        if (!compareAll)
            break;
    }
    return loaded ? kFatResizeOk : kFatResizeReadFailed;
}

KFatResize::~KFatResize() = default;

int KFatResize::ResizeFat(ISectorDevice* device, int64_t oldStart, int64_t oldSize, int64_t newStart,
                          int64_t newSize, int hiddenOption, int keepOption, IProgressReporter* progress)
{
    if (oldStart == newStart && oldSize == newSize)
        return kFatResizeOk;
    Request r;
    r.source = r.target = device;
    r.oldStart = oldStart;
    r.oldSize = oldSize;
    r.newStart = newStart;
    r.newSize = newSize;
    r.hiddenOption = hiddenOption;
    r.keepOption = keepOption;
    return runBoth(r, progress, false);
}

int KFatResize::CopyFat(ISectorDevice* source, int64_t sourceStart, int64_t sourceSize, ISectorDevice* target,
                        int64_t targetStart, int64_t targetSize, int hiddenOption, IProgressReporter* progress)
{
    Request r;
    r.source = source;
    r.target = target;
    r.oldStart = sourceStart;
    r.oldSize = sourceSize;
    r.newStart = targetStart;
    r.newSize = targetSize;
    r.hiddenOption = hiddenOption;
    return runBoth(r, progress, sourceSize == targetSize);
}

int KFatResize::ChangeFatClusterSize(ISectorDevice* device, int64_t start, int64_t size, int sectorsPerCluster,
                                     int hiddenOption, int keepOption, IProgressReporter* progress)
{
    if (!isPowerOfTwo(sectorsPerCluster) || sectorsPerCluster > 128)
        return kFatResizeBadArgument;
    Request r;
    r.source = r.target = device;
    r.oldStart = r.newStart = start;
    r.oldSize = r.newSize = size;
    r.requestedSpc = sectorsPerCluster;
    r.hiddenOption = hiddenOption;
    r.keepOption = keepOption;
    return runBoth(r, progress, false);
}

int KFatResize::ConvertFatType(ISectorDevice* device, int64_t start, int64_t size, int type,
                               IProgressReporter* progress)
{
    const int kind = FatKindFromType(type);
    if (kind < 0)
        return kFatResizeBadArgument;
    Request r;
    r.source = r.target = device;
    r.oldStart = r.newStart = start;
    r.oldSize = r.newSize = size;
    r.requestedKind = kind;
    r.hiddenOption = 1;
    r.keepOption = 1;
    return runBoth(r, progress, false);
}
