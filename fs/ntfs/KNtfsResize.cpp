#include "fs/ntfs/KNtfsResize.h"

#include <algorithm>
#include <initializer_list>
#include <array>
#include <cctype>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <strings.h>

#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"
#include "fs/CopyEngine.h"
#include "fs/KBitmap.h"
#include "fs/TwoPassRebuild.h"
#include "fs/ntfs/NtfsBootSector.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRebuildSupport.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsStructures.h"

using namespace Ntfs;
using namespace NtfsRebuild;

namespace {

constexpr int64_t kSector = 512;
constexpr int kProcessChecking = 80, kProcessMoving = 81, kProcessCopying = 82, kProcessFiles = 83,
              kProcessDirectories = 84;
constexpr int64_t kBufferBytes = 0x1400000; // 20 MiB
constexpr int64_t kBitmapLimitBytes = 0x10000000;
constexpr int64_t kStagedLimitBytes = 32 << 20;
constexpr uint16_t kAttrFlagCompressed = 0x0001, kAttrFlagSparse = 0x8000;
constexpr int64_t kMirrorRecords = 4;
// System records the rebuild treats on their own.
constexpr int64_t kRecMft = 0, kRecMirror = 1, kRecLogFile = 2, kRecVolume = 3, kRecRoot = 5, kRecBitmap = 6,
                  kRecBoot = 7, kRecBadClus = 8;

bool isPowerOfTwo(int64_t v) { return v > 0 && (v & (v - 1)) == 0; }


// The child pointers of the index entries of one node (its header at `header`: entries offset,
// then their end, both from the header) counted again in the new unit. False for a damaged node or a
// pointer the new unit cannot express.
bool convertChildVcns(std::vector<uint8_t>& node, size_t header, int64_t oldUnit, int64_t newUnit)
{
    if (header + 8 > node.size())
        return false;
    size_t at = header + le32(node.data() + header);
    const size_t end = std::min(node.size(), size_t(header + le32(node.data() + header + 4)));
    while (at + 0x10 <= end) {
        const uint16_t length = le16(node.data() + at + 8);
        const uint32_t flags = le32(node.data() + at + 0x0C);
        if (length < ((flags & 1) ? 0x18 : 0x10) || at + length > end)
            return false;
        if (flags & 1) {
            const int64_t vcn = int64_t(le64(node.data() + at + length - 8));
            if (vcn < 0 || (vcn * oldUnit) % newUnit)
                return false;
            put_le64(node.data() + at + length - 8, uint64_t(vcn * oldUnit / newUnit));
        }
        if (flags & 2)
            return true;
        at += length;
    }
    return false; // no last entry
}

// A copy of an attribute with bytes changed in its header.
bool patchAttribute(KNtfsAttribute& a, size_t offset, const void* bytes, size_t count)
{
    if (offset + count > a.Length())
        return false;
    std::vector<uint8_t> image(a.Data(), a.Data() + a.Length());
    std::memcpy(image.data() + offset, bytes, count);
    return a.Assign(image.data(), image.size());
}

bool hasCompressedSizeField(const KNtfsAttribute& a)
{
    return a.IsNonResident() && (a.GetFlags() & (kAttrFlagCompressed | kAttrFlagSparse)) &&
           a.GetMappingPairsOffset() >= 0x48;
}

// The compression unit of a compressed attribute (sparse ones may carry one that means nothing).
uint8_t compressionUnit(const KNtfsAttribute& a)
{
    return a.IsNonResident() && (a.GetFlags() & kAttrFlagCompressed) ? a.Data()[kNrCompressionUnit] : 0;
}

// The runs of `runs` inside VCNs [first, last], cut at both ends.
KNtfsRunList cutRuns(const KNtfsRunList& runs, int64_t first, int64_t last)
{
    KNtfsRunList out;
    for (const KDataRun& r : runs) {
        const int64_t a = std::max(first, r.Vcn), b = std::min(last, r.Vcn + r.Length - 1);
        if (a > b)
            continue;
        out.Add(KDataRun{r.Lcn < 0 ? -1 : r.Lcn + (a - r.Vcn), a, b - a + 1});
    }
    return out;
}

struct Request {
    ISectorDevice* source = nullptr;
    ISectorDevice* target = nullptr;
    int64_t oldStart = 0, oldSize = 0, newStart = 0, newSize = 0;
    int requestedSpc = 0;
    int hiddenOption = 0;
    bool forceNewMft = false;
};

// How a remapped attribute's clusters that cannot stay are treated.
enum class Moved { Copy, Allocate, Drop };

// One non-resident attribute of a file, over all its extents.
struct AttributeGroup {
    uint32_t type = 0;
    KNtfsString name;
    struct Extent {
        size_t record, index;
        int64_t vcn;
    };
    std::vector<Extent> extents;
    KNtfsRunList newRuns;
    int64_t newClusters = 0;
};

class Rebuild {
public:
    Rebuild(const Request& request, IProgressReporter* progress)
        : m_req(request), m_progress(progress), m_dropped(request.target)
    {
    }
    int Run(bool checking);

private:
    int openOld();
    int scanOld();
    int planNew();
    int placeSystemRuns();
    int walkRecords();
    int processGroup(int64_t number, const KNtfsFileRecord& base);
    int remapGroup(int64_t number, std::vector<KNtfsFileRecord>& records, AttributeGroup& g, bool& relay);
    int remap(const KNtfsRunList& old, Moved mode, KNtfsRunList& out);
    int placeBlock(int64_t disk, int64_t vcn, int64_t count, Moved mode, KNtfsRunList& out);
    int placeMixed(const std::vector<std::array<int64_t, 3>>& pieces, size_t i, int64_t vcn, Moved mode,
                   KNtfsRunList& out);
    int relayGroup(int64_t number, std::vector<KNtfsFileRecord>& records, const std::vector<int64_t>& numbers,
                   std::vector<AttributeGroup>& groups);
    int convertIndexRoot(KNtfsFileRecord& record, bool& changed);
    int releaseRecord(int64_t number);
    int writeUnusedRecord(int64_t number);
    bool canKeep(int64_t n) const;
    int64_t take(int64_t want, int64_t& got);
    int64_t takeContiguous(int64_t count);
    int openStagedMft(const KNtfsRunList& runs);
    void addCopy(int64_t source, int64_t target, int64_t count);
    int copyData();
    int convertIndexes();
    int shiftVolume();
    int finalWrites();
    int writeBoot(const NtfsVolume& finalVolume);
    int writeMirror(const NtfsVolume& finalVolume);

    int64_t newSector(int64_t lcn) const { return m_base + lcn * m_s; }
    bool cancelled() { return m_progress->IsUserCanceled() != 0; }

    Request m_req;
    IProgressReporter* m_progress;
    DroppedWrites m_dropped;
    bool m_checking = true;
    NtfsVolume m_old, m_new;
    KNtfsMFT m_oldMft, m_newMft;
    bool m_newMftOpen = false;
    int64_t m_r = 0, m_s = 0;         // old and new sectors per cluster
    int64_t m_oldClusters = 0, m_newClusters = 0, m_newTotal = 0;
    int64_t m_base = 0;               // where the rebuilt volume starts before any shift
    int64_t m_allowFirst = 0, m_allowEnd = 0;
    int64_t m_bootBytes = 0, m_bootClusters = 0;
    int64_t m_recordBytes = 0, m_newRecordCount = 0;
    bool m_separate = false, m_sameSize = false, m_unaligned = false, m_newMftMode = false, m_spcChange = false;
    KBitmap m_oldBitmap, m_used, m_newBitmap, m_work, m_kept, m_handled;
    int64_t m_cursor = 0;
    // What the placement took, so that a placement made in vain can be given back.
    struct Taken {
        int64_t lcn, count;
        bool kept;
    };
    std::vector<Taken> m_taken;
    struct Checkpoint {
        size_t taken, copies, zeros;
        int64_t lastCopyCount;
    };
    Checkpoint checkpoint() const
    {
        return {m_taken.size(), m_copies.size(), m_zeros.size(), m_copies.empty() ? 0 : m_copies.back().Count};
    }
    void rollback(const Checkpoint& c);
    KNtfsRunList m_newMftRuns, m_mirrorRuns, m_bitmapRuns, m_logRuns, m_badRuns, m_oldLogRuns;
    int64_t m_bitmapDataBytes = 0;
    KNtfsAttribute m_mftBitmap;
    bool m_haveMftBitmap = false;
    int64_t m_mirrorDataBytes = 0;
    std::vector<CopyEngine::Extent> m_copies, m_zeros;
    std::vector<int64_t> m_indexRecords;
    std::vector<uint8_t> m_bootRegion;
};

int Rebuild::Run(bool checking)
{
    m_checking = checking;
    m_progress->SetProcessName(checking ? kProcessChecking : kProcessFiles);
    if (const int rc = openOld())
        return rc;
    if (const int rc = scanOld())
        return rc;
    if (const int rc = planNew())
        return rc;
    m_progress->EnableUserCancel(1);
    if (const int rc = placeSystemRuns())
        return rc;
    if (const int rc = walkRecords())
        return rc;
    if (checking)
        return kNtfsResizeOk;
    // A rebuilt MFT lies in clusters the old volume does not use: written before the data, it costs
    // the old volume nothing.
    if (m_newMftMode && m_newMftOpen && !m_newMft.FlushStaged())
        return kNtfsResizeWriteFailed;
    m_progress->SetProcessName(kProcessCopying);
    if (const int rc = copyData())
        return rc;
    // From here on the volume is rewritten where it lies: no way back.
    m_progress->EnableUserCancel(0);
    if (m_newMftOpen && !m_newMft.FlushStaged())
        return kNtfsResizeWriteFailed;
    if (const int rc = convertIndexes())
        return rc;
    if (const int rc = shiftVolume())
        return rc;
    return finalWrites();
}

int Rebuild::openOld()
{
    if (!OpenVolume(m_req.source, m_req.oldStart, m_old))
        return kNtfsResizeNotNtfs;
    m_r = m_old.SectorsPerCluster;
    m_oldClusters = m_old.TotalClusters();
    m_recordBytes = m_old.FileRecordBytes();
    if (m_old.TotalSectors > m_req.oldSize || m_oldClusters <= 0)
        return kNtfsResizeNotNtfs;
    if (!m_oldMft.Open(m_old, nullptr, false))
        return kNtfsResizeMftUnreadable;

    // $Boot gives the size of the boot region, $Bitmap the clusters in use.
    KNtfsFileRecord boot, bitmap;
    if (!m_oldMft.ReadRecord(kRecBoot, boot) || !m_oldMft.ReadRecord(kRecBitmap, bitmap))
        return kNtfsResizeMftUnreadable;
    const int bootData = boot.FindAttribute(kAttrData);
    if (bootData < 0)
        return kNtfsResizeNoSystemData;
    const KNtfsAttribute& b = boot.GetAttribute(size_t(bootData));
    m_bootBytes = b.IsNonResident() ? b.GetDataSize() : b.GetValueLength();
    if (m_bootBytes < kSector || m_bootBytes > (int64_t(1) << 20))
        return kNtfsResizeNoSystemData;
    // Kept from the start: a shift by part of a cluster writes over the old boot region.
    m_bootRegion.resize(size_t(RoundUp(uint64_t(m_bootBytes), uint64_t(kSector))));
    if (!m_req.source->ReadSectors(m_bootRegion.data(), m_req.oldStart, int64_t(m_bootRegion.size()) / kSector))
        return kNtfsResizeReadFailed;
    switch (LoadVolumeBitmap(m_oldMft, m_old, m_oldBitmap)) {
    case 0:
        break;
    case 1:
        return kNtfsResizeMftUnreadable;
    case 4:
        return kNtfsResizeReadFailed;
    case 5:
        return kNtfsResizeOutOfMemory;
    default:
        return kNtfsResizeNoSystemData;
    }
    const int dirty = VolumeIsDirty(m_oldMft);
    if (dirty < 0)
        return kNtfsResizeMftUnreadable;
    if (dirty)
        return kNtfsResizeDirty;
    return kNtfsResizeOk;
}

// Every record in use: run lists decoded and checked against the volume and each other, the clusters
// they use compared with $Bitmap, and what the operation cannot take refused.
int Rebuild::scanOld()
{
    // New sectors per cluster: the one asked for, else the old one unless the new bitmap would be too large.
    m_s = m_req.requestedSpc ? m_req.requestedSpc : m_r;
    if (!m_req.requestedSpc)
        for (int64_t spc = 8; m_s < 128 && m_req.newSize / m_s / 8 >= kBitmapLimitBytes; spc *= 2)
            m_s = std::max(m_s, spc);
    m_spcChange = m_s != m_r;
    if (!m_used.Create(m_oldClusters))
        return kNtfsResizeOutOfMemory;
    const int64_t records = m_oldMft.GetRecordCount();
    KBitmap& inUse = m_oldMft.RecordBitmap();
    const bool spcChange = m_spcChange;
    KNtfsFileRecord record;
    for (int64_t n = 0; n < records; ++n) {
        if (!inUse.Test(n))
            continue;
        if (!m_oldMft.ReadRecord(n, record))
            return kNtfsResizeBadRecord;
        if (!record.IsInUse())
            continue;
        if (n == kRecLogFile && record.HasAttributeList())
            return kNtfsResizeLogFileList;
        for (size_t i = 0; i < record.GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = record.GetAttribute(i);
            if (spcChange && a.GetType() == kAttrIndexRoot && a.IsNonResident())
                return kNtfsResizeNonResidentRoot;
            if (a.GetType() == kAttrFileName && !a.IsNonResident() && a.GetValueLength() >= 0x42 &&
                (le64(a.GetValuePointer()) & 0xFFFFFFFFFFFFull) == uint64_t(kRecRoot)) {
                // A hibernated system keeps the volume's state in memory: changing it loses that.
                const uint8_t* v = a.GetValuePointer();
                const KNtfsString name = KNtfsString::FromLittleEndian(v + 0x42, std::min<size_t>(v[0x40], (a.GetValueLength() - 0x42) / 2));
                std::string text = name.ToUtf8();
                std::transform(text.begin(), text.end(), text.begin(), [](char c) { return char(std::tolower(uint8_t(c))); });
                if (text == "hiberfil.sys") {
                    const int data = record.FindAttribute(kAttrData);
                    uint8_t head[kSector] = {};
                    bool read = false;
                    if (data >= 0 && !record.GetAttribute(size_t(data)).IsNonResident()) {
                        read = record.GetAttribute(size_t(data)).GetValue(head, 4) == 4;
                    } else if (data >= 0) {
                        KNtfsRunList runs;
                        if (record.GetAttribute(size_t(data)).GetRunList(runs) && !runs.IsEmpty() && runs[0].Vcn == 0 &&
                            runs[0].Lcn >= 0 && runs[0].Lcn < m_oldClusters)
                            read = m_req.source->ReadSectors(head, m_old.VolumeStart + runs[0].Lcn * m_r, 1);
                    }
                    if (read && (strncasecmp(reinterpret_cast<const char*>(head), "hibr", 4) == 0 ||
                                 std::memcmp(head, "wake", 4) == 0))
                        return kNtfsResizeHibernated;
                }
            }
            if (!a.IsNonResident())
                continue;
            if (spcChange && compressionUnit(a)) {
                // Compressed data keeps its compression blocks: the new clusters must divide them
                // into at least 16 and be at most 4 KiB. Readers take blocks of 16 clusters only,
                // so a block that would count any other number of new clusters is refused too.
                const int64_t unitSectors = (int64_t(1) << compressionUnit(a)) * m_r;
                if (m_s > 8 || unitSectors / m_s < 16 || unitSectors % m_s || unitSectors / m_s != 16)
                return kNtfsResizeCompression;
            }
            KNtfsRunList runs;
            if (!a.GetRunList(runs))
                return kNtfsResizeBadRunList;
            const bool bad = n == kRecBadClus && a.GetType() == kAttrData;
            const bool log = n == kRecLogFile && a.GetType() == kAttrData;
            for (const KDataRun& run : runs) {
                if (run.Lcn < 0)
                    continue;
                if (run.Lcn >= m_oldClusters || run.Length > m_oldClusters - run.Lcn)
                    return kNtfsResizeBadRunList;
                // Two files on one cluster: moving it for one would change the other.
                if (NextBit(m_used, run.Lcn, run.Lcn + run.Length, true) < run.Lcn + run.Length)
                    return kNtfsResizeBitmapMismatch;
                m_used.SetRange(run.Lcn, true, run.Length);
                if (bad)
                    m_badRuns.Add(run);
                if (log)
                    m_oldLogRuns.Add(run);
            }
        }
    }
    return BitmapMatchesFiles(m_oldBitmap, m_used, m_oldClusters) ? kNtfsResizeOk : kNtfsResizeBitmapMismatch;
}

int Rebuild::planNew()
{
    const Request& q = m_req;
    m_newTotal = q.newSize / m_s * m_s;
    if (q.newSize % m_s == 0)
        m_newTotal -= m_s; // room for the boot sector copy after the last cluster
    m_newClusters = m_newTotal / m_s;
    m_bootClusters = int64_t(DivideUp(uint64_t(m_bootBytes), uint64_t(m_s * kSector)));
    if (m_newClusters <= m_bootClusters + 1 || m_newClusters / 8 >= kBitmapLimitBytes)
        return kNtfsResizeNoRoom;

    const bool sameDevice = q.source == q.target;
    const bool overlap = sameDevice && q.newStart < q.oldStart + q.oldSize && q.oldStart < q.newStart + q.newSize;
    m_separate = !overlap;
    m_sameSize = m_separate && !m_spcChange && m_newTotal == m_old.TotalSectors;
    m_unaligned = !m_separate && (q.newStart - q.oldStart) % m_r != 0;
    m_newMftMode = q.forceNewMft || m_separate || m_spcChange;
    m_base = m_unaligned ? q.oldStart : q.newStart;
    if (m_separate) {
        m_allowFirst = q.newStart;
        m_allowEnd = q.newStart + q.newSize;
    } else {
        m_allowFirst = std::min(q.oldStart, q.newStart);
        m_allowEnd = std::max(q.oldStart + q.oldSize, q.newStart + q.newSize);
    }

    m_new = NtfsVolume{};
    m_new.Device = m_checking ? static_cast<ISectorDevice*>(&m_dropped) : q.target;
    m_new.VolumeStart = m_base;
    m_new.BytesPerSector = int(kSector);
    m_new.SectorsPerCluster = int(m_s);
    m_new.FileRecordSectors = m_old.FileRecordSectors;
    m_new.IndexRecordSectors = m_old.IndexRecordSectors;
    m_new.TotalSectors = m_newTotal;

    // The new bitmap: whole clusters of bytes, bits past the last cluster set as a format leaves them.
    m_bitmapDataBytes = int64_t(RoundUp(DivideUp(uint64_t(m_newClusters), 8), 8));
    const int64_t bitmapBytes = int64_t(RoundUp(uint64_t(m_bitmapDataBytes), uint64_t(m_s * kSector)));
    if (!m_newBitmap.Create(bitmapBytes * 8) || !m_work.Create(m_newClusters) || !m_kept.Create(m_newClusters))
        return kNtfsResizeOutOfMemory;
    m_newBitmap.SetRange(m_newClusters, true, bitmapBytes * 8 - m_newClusters);
    m_newBitmap.SetRange(0, true, m_bootClusters);
    m_work.SetRange(0, true, m_bootClusters);
    if (m_sameSize)
        return kNtfsResizeOk;

    // New clusters whose sectors hold anything the old volume uses stay untouched until the end:
    // then a cut during the copies leaves the old volume whole.
    auto block = [&](int64_t sector, int64_t count) {
        const int64_t rel = sector - m_base;
        int64_t first = rel >= 0 ? rel / m_s : -((-rel + m_s - 1) / m_s);
        int64_t last = rel + count - 1 >= 0 ? (rel + count - 1) / m_s : -1;
        first = std::max<int64_t>(first, 0);
        last = std::min(last, m_newClusters - 1);
        if (first <= last)
            m_work.SetRange(first, true, last - first + 1);
    };
    if (!m_separate) {
        ForEachSetRun(m_oldBitmap, m_oldClusters,
                      [&](int64_t c, int64_t count) { block(q.oldStart + c * m_r, count * m_r); });
        block(q.oldStart + m_old.TotalSectors, 1); // the old boot sector copy
    }
    // The rebuild at the old start of a move by part of a cluster may not reach past the area the
    // operation may write.
    if (m_unaligned) {
        const int64_t lastInside = (m_allowEnd - m_base) / m_s; // first cluster not wholly inside
        if (lastInside < m_newClusters)
            m_work.SetRange(lastInside, true, m_newClusters - lastInside);
    }
    m_cursor = m_bootClusters;
    return kNtfsResizeOk;
}

void Rebuild::rollback(const Checkpoint& c)
{
    for (size_t i = c.taken; i < m_taken.size(); ++i) {
        const Taken& t = m_taken[i];
        m_newBitmap.SetRange(t.lcn, false, t.count);
        // A kept cluster stays out of reach: the old volume's data still lies there.
        (t.kept ? m_kept : m_work).SetRange(t.lcn, false, t.count);
    }
    m_taken.resize(c.taken);
    m_copies.resize(c.copies);
    if (!m_copies.empty() && c.copies > 0)
        m_copies.back().Count = c.lastCopyCount;
    m_zeros.resize(c.zeros);
}

bool Rebuild::canKeep(int64_t n) const
{
    if (n < m_bootClusters || n >= m_newClusters || m_kept.Test(n))
        return false;
    const int64_t sector = newSector(n);
    return sector >= m_allowFirst && sector + m_s <= m_allowEnd;
}

int64_t Rebuild::take(int64_t want, int64_t& got)
{
    got = 0;
    int64_t at = NextBit(m_work, m_cursor, m_newClusters, false);
    if (at >= m_newClusters)
        at = NextBit(m_work, m_bootClusters, m_cursor, false);
    if (at >= m_newClusters || at >= m_work.BitCount() || m_work.Test(at))
        return -1;
    const int64_t end = NextBit(m_work, at, std::min(m_newClusters, at + want), true);
    got = end - at;
    m_work.SetRange(at, true, got);
    m_newBitmap.SetRange(at, true, got);
    m_taken.push_back({at, got, false});
    m_cursor = end;
    return at;
}

int64_t Rebuild::takeContiguous(int64_t count)
{
    for (int64_t at = NextBit(m_work, m_bootClusters, m_newClusters, false); at < m_newClusters;) {
        const int64_t end = NextBit(m_work, at, std::min(m_newClusters, at + count), true);
        if (end - at == count) {
            m_work.SetRange(at, true, count);
            m_newBitmap.SetRange(at, true, count);
            return at;
        }
        at = NextBit(m_work, end, m_newClusters, false);
    }
    return -1;
}

void Rebuild::addCopy(int64_t source, int64_t target, int64_t count)
{
    if (!m_copies.empty()) {
        CopyEngine::Extent& last = m_copies.back();
        if (last.Source + last.Count == source && last.Target + last.Count == target) {
            last.Count += count;
            return;
        }
    }
    m_copies.push_back({source, target, count});
}

// Places `count` new clusters of one file that lie, in order, on the old disk from sector `disk`:
// where they fall on the new cluster grid inside the new volume they stay, the rest move.
int Rebuild::placeBlock(int64_t disk, int64_t vcn, int64_t count, Moved mode, KNtfsRunList& out)
{
    int64_t n0 = -1;
    if (!m_separate) {
        const int64_t rel = disk - m_base;
        if (rel >= 0 && rel % m_s == 0)
            n0 = rel / m_s;
    }
    for (int64_t j = 0; j < count;) {
        if (n0 >= 0 && canKeep(n0 + j)) {
            int64_t e = j + 1;
            while (e < count && canKeep(n0 + e))
                ++e;
            m_kept.SetRange(n0 + j, true, e - j);
            m_taken.push_back({n0 + j, e - j, true});
            m_work.SetRange(n0 + j, true, e - j);
            m_newBitmap.SetRange(n0 + j, true, e - j);
            out.Add(KDataRun{n0 + j, vcn + j, e - j});
            j = e;
            continue;
        }
        int64_t e = j + 1;
        while (e < count && !(n0 >= 0 && canKeep(n0 + e)))
            ++e;
        if (mode == Moved::Drop) {
            out.Add(KDataRun{-1, vcn + j, e - j});
            j = e;
            continue;
        }
        while (j < e) {
            int64_t got = 0;
            const int64_t lcn = take(e - j, got);
            if (lcn < 0)
                return kNtfsResizeNoRoom;
            if (mode == Moved::Copy)
                addCopy(disk + j * m_s, newSector(lcn), got * m_s);
            out.Add(KDataRun{lcn, vcn + j, got});
            j += got;
        }
    }
    return kNtfsResizeOk;
}

// One new cluster made of several old pieces (file sector, disk sector or -1, count): a new cluster
// taken for it, the allocated pieces copied in and the sparse ones zeroed.
int Rebuild::placeMixed(const std::vector<std::array<int64_t, 3>>& pieces, size_t i, int64_t vcn, Moved mode,
                        KNtfsRunList& out)
{
    const int64_t from = vcn * m_s, to = from + m_s;
    bool allocated = false;
    for (size_t k = i; k < pieces.size() && pieces[k][0] < to; ++k)
        allocated = allocated || pieces[k][1] >= 0;
    if (!allocated || mode == Moved::Drop) {
        out.Add(KDataRun{-1, vcn, 1});
        return kNtfsResizeOk;
    }
    int64_t got = 0;
    const int64_t lcn = take(1, got);
    if (lcn < 0)
        return kNtfsResizeNoRoom;
    for (size_t k = i; k < pieces.size() && pieces[k][0] < to; ++k) {
        const int64_t a = std::max(from, pieces[k][0]), b = std::min(to, pieces[k][0] + pieces[k][2]);
        if (a >= b || mode != Moved::Copy)
            continue;
        if (pieces[k][1] >= 0)
            addCopy(pieces[k][1] + (a - pieces[k][0]), newSector(lcn) + (a - from), b - a);
        else
            m_zeros.push_back({0, newSector(lcn) + (a - from), b - a});
    }
    out.Add(KDataRun{lcn, vcn, 1});
    return kNtfsResizeOk;
}

// An attribute's whole old run list (VCN 0 on, old clusters) to its new one (new clusters).
int Rebuild::remap(const KNtfsRunList& old, Moved mode, KNtfsRunList& out)
{
    out.Clear();
    std::vector<std::array<int64_t, 3>> pieces; // file sector, disk sector (-1 sparse), sectors
    int64_t vcn = 0;
    for (const KDataRun& r : old) {
        if (r.Vcn != vcn || r.Length <= 0)
            return kNtfsResizeBadRunList;
        const int64_t disk = r.Lcn < 0 ? -1 : m_old.VolumeStart + r.Lcn * m_r;
        if (!pieces.empty()) {
            auto& last = pieces.back();
            if ((disk < 0 && last[1] < 0) || (disk >= 0 && last[1] >= 0 && last[1] + last[2] == disk)) {
                last[2] += r.Length * m_r;
                vcn += r.Length;
                continue;
            }
        }
        pieces.push_back({r.Vcn * m_r, disk, r.Length * m_r});
        vcn += r.Length;
    }
    const int64_t clusters = int64_t(DivideUp(uint64_t(vcn * m_r), uint64_t(m_s)));
    size_t i = 0;
    for (int64_t v = 0; v < clusters;) {
        const int64_t fileSector = v * m_s;
        while (i < pieces.size() && pieces[i][0] + pieces[i][2] <= fileSector)
            ++i;
        if (i < pieces.size() && pieces[i][0] <= fileSector) {
            const int64_t avail = pieces[i][0] + pieces[i][2] - fileSector;
            if (avail >= m_s) {
                const int64_t k = std::min(avail / m_s, clusters - v);
                if (pieces[i][1] < 0)
                    out.Add(KDataRun{-1, v, k});
                else if (const int rc = placeBlock(pieces[i][1] + (fileSector - pieces[i][0]), v, k, mode, out))
                    return rc;
                v += k;
                continue;
            }
        }
        if (const int rc = placeMixed(pieces, i, v, mode, out))
            return rc;
        ++v;
    }
    out.Coalesce();
    return kNtfsResizeOk;
}

// Runs taken before the files: the new $Bitmap, the MFT mirror and, where the MFT is rebuilt, the MFT.
int Rebuild::placeSystemRuns()
{
    if (m_sameSize)
        return kNtfsResizeOk;
    const int64_t clusterBytes = m_s * kSector;
    const int64_t bitmapClusters = m_newBitmap.ByteLength() / clusterBytes;
    const int64_t bitmapLcn = takeContiguous(bitmapClusters);
    if (bitmapLcn < 0)
        return kNtfsResizeNoRoom;
    m_bitmapRuns.Add(KDataRun{bitmapLcn, 0, bitmapClusters});

    m_mirrorDataBytes = kMirrorRecords * m_recordBytes;
    const int64_t mirrorClusters = int64_t(DivideUp(uint64_t(m_mirrorDataBytes), uint64_t(clusterBytes)));
    const int64_t mirrorLcn = takeContiguous(mirrorClusters);
    if (mirrorLcn < 0)
        return kNtfsResizeNoRoom;
    m_mirrorRuns.Add(KDataRun{mirrorLcn, 0, mirrorClusters});
    m_new.MftMirrorLcn = mirrorLcn;

    m_newRecordCount = m_oldMft.GetRecordCount();
    // The MFT stays where it is only when its first 16 records can: they are read before its run
    // list is known, so they must stay in one piece at its start. Otherwise it is rebuilt.
    if (!m_newMftMode) {
        const int64_t head = int64_t(DivideUp(uint64_t(16 * m_recordBytes), uint64_t(m_r * kSector)));
        const KNtfsRunList& runs = m_oldMft.RunList();
        for (int64_t vcn = 0; vcn < head && !m_newMftMode; ++vcn) {
            const int64_t lcn = runs.Map(vcn);
            const int64_t rel = lcn < 0 ? -1 : m_old.VolumeStart + lcn * m_r - m_base;
            m_newMftMode = rel < 0 || rel % m_s != 0 || !canKeep(rel / m_s) ||
                           (vcn > 0 && lcn != runs.Map(vcn - 1) + 1);
        }
        if (!m_newMftMode)
            return kNtfsResizeOk;
    }
    const int64_t oldCount = m_newRecordCount;
    if (m_spcChange || m_newTotal < m_old.TotalSectors)
        m_newRecordCount += std::min<int64_t>(oldCount / 10, 2048);
    if (clusterBytes > m_recordBytes)
        m_newRecordCount = int64_t(RoundUp(uint64_t(m_newRecordCount), uint64_t(clusterBytes / m_recordBytes)));
    // The MFT bitmap must cover every record; it is not grown here, so the count stays within it.
    KNtfsFileRecord mft;
    if (!m_oldMft.ReadRecord(kRecMft, mft))
        return kNtfsResizeMftUnreadable;
    const int bitmap = mft.FindAttribute(kAttrBitmap);
    if (bitmap < 0 || !mft.GetAttribute(size_t(bitmap)).IsNonResident())
        return kNtfsResizeNoSystemData;
    m_newRecordCount = std::max(oldCount, std::min(m_newRecordCount, mft.GetAttribute(size_t(bitmap)).GetAllocatedSize() * 8));
    const int64_t mftClusters = int64_t(DivideUp(uint64_t(m_newRecordCount * m_recordBytes), uint64_t(clusterBytes)));
    int64_t lcn = takeContiguous(mftClusters);
    if (lcn >= 0) {
        m_newMftRuns.Add(KDataRun{lcn, 0, mftClusters});
    } else {
        // The first 16 records in one piece (they must be found before the MFT's run list is known),
        // then whatever is free.
        const int64_t head = std::min(mftClusters, int64_t(DivideUp(uint64_t(16 * m_recordBytes), uint64_t(clusterBytes))));
        lcn = takeContiguous(head);
        if (lcn < 0)
            return kNtfsResizeNoRoom;
        m_newMftRuns.Add(KDataRun{lcn, 0, head});
        for (int64_t vcn = head; vcn < mftClusters;) {
            int64_t got = 0;
            const int64_t at = take(mftClusters - vcn, got);
            if (at < 0)
                return kNtfsResizeNoRoom;
            m_newMftRuns.Add(KDataRun{at, vcn, got});
            vcn += got;
        }
        m_newMftRuns.Coalesce();
    }
    return openStagedMft(m_newMftRuns);
}

int Rebuild::openStagedMft(const KNtfsRunList& runs)
{
    m_new.MftLcn = runs.IsEmpty() ? -1 : runs[0].Lcn;
    if (m_new.MftLcn < 0)
        return kNtfsResizeMftNotMovable;
    KBitmap records;
    const KBitmap& old = m_oldMft.RecordBitmap();
    if (!records.Create(std::max(old.BitCount(), int64_t(RoundUp(uint64_t(m_newRecordCount), 64)))))
        return kNtfsResizeOutOfMemory;
    std::memcpy(records.Data(), old.Data(), size_t(old.ByteLength()));
    // Bits of records past the old count are free whatever the old padding said.
    if (records.BitCount() > m_oldMft.GetRecordCount())
        records.SetRange(m_oldMft.GetRecordCount(), false, records.BitCount() - m_oldMft.GetRecordCount());
    if (!m_newMft.OpenStaged(m_new, runs, m_newRecordCount, records, &m_work, &m_oldMft))
        return kNtfsResizeNewMftUnreadable;
    // Clusters the MFT takes for attribute lists must show in the new bitmap too: they come from the
    // working map, so every cluster taken there is marked when the bitmaps are finished.
    m_newMftOpen = true;
    return kNtfsResizeOk;
}

int Rebuild::walkRecords()
{
    const int64_t oldCount = m_oldMft.GetRecordCount();
    const int64_t total = m_newMftMode ? m_newRecordCount : oldCount;
    m_progress->BeginStep(-1);
    m_progress->SetStepTotal(total);
    if (m_sameSize) {
        m_progress->CompleteStep();
        return m_oldLogRuns.IsEmpty() ? kNtfsResizeNoSystemData : kNtfsResizeOk;
    }
    if (!m_handled.Create(oldCount))
        return kNtfsResizeOutOfMemory;
    KBitmap& inUse = m_oldMft.RecordBitmap();
    KNtfsFileRecord record;
    for (int64_t n = 0; n < total; ++n) {
        m_progress->SetStepPosition(n);
        if (cancelled())
            return kNtfsResizeCancelled;
        const bool used = n < oldCount && inUse.Test(n) && m_oldMft.ReadRecord(n, record) && record.IsInUse();
        if (!used) {
            // A free slot is carried over unless a file just took it for an extension record.
            const bool taken = m_newMft.IsOpen() && m_newMft.RecordBitmap().Test(n) && !(n < oldCount && inUse.Test(n));
            if (m_newMftMode && !taken)
                if (const int rc = writeUnusedRecord(n))
                    return rc;
            continue;
        }
        if (record.GetBaseReference() != 0)
            continue; // written with its base record
        if (const int rc = processGroup(n, record))
            return rc;
        // Records are written to new clusters as they come when the MFT is rebuilt; otherwise they
        // wait in memory until the data has been copied.
        if ((m_newMftMode || m_checking) && m_newMftOpen && m_newMft.StagedBytes() > kStagedLimitBytes &&
            !m_newMft.FlushStaged(m_checking))
            return kNtfsResizeWriteFailed;
    }
    // An extension record no base record lists would keep clusters no one moves.
    for (int64_t n = 0; n < oldCount; ++n)
        if (inUse.Test(n) && !m_handled.Test(n) && m_oldMft.ReadRecord(n, record) && record.IsInUse() &&
            record.GetBaseReference() != 0)
            return kNtfsResizeBadRecord;
    // What the final writes need is known now, before anything is written.
    if (!m_haveMftBitmap || !m_mftBitmap.IsNonResident() || m_logRuns.IsEmpty())
        return kNtfsResizeNoSystemData;
    if (m_checking && m_newMftOpen)
        m_newMft.FlushStaged(true);
    m_progress->CompleteStep();
    return kNtfsResizeOk;
}

int Rebuild::writeUnusedRecord(int64_t number)
{
    KNtfsFileRecord record;
    if (number >= m_oldMft.GetRecordCount() || !m_oldMft.ReadRecord(number, record)) {
        if (!BlankRecord(number, size_t(m_recordBytes), record))
            return kNtfsResizeOutOfMemory;
    } else if (record.IsInUse()) {
        uint8_t header[48];
        std::memcpy(header, record.GetHeader(), sizeof header);
        put_le16(header + kRecFlags, uint16_t(le16(header + kRecFlags) & ~kRecordInUse));
        record.SetHeader(header);
    }
    return m_newMft.WriteRecord(number, record) ? kNtfsResizeOk : kNtfsResizeWriteFailed;
}

int Rebuild::releaseRecord(int64_t number)
{
    KNtfsFileRecord record;
    std::vector<uint8_t> raw;
    if (m_newMft.ReadRawRecord(number, raw) && record.Load(raw.data(), raw.size())) {
        uint8_t header[48];
        std::memcpy(header, record.GetHeader(), sizeof header);
        put_le16(header + kRecFlags, uint16_t(le16(header + kRecFlags) & ~kRecordInUse));
        const uint16_t sequence = uint16_t(le16(header + kRecSequence) + 1);
        put_le16(header + kRecSequence, sequence ? sequence : 1);
        record.SetHeader(header);
        if (!m_newMft.WriteRecord(number, record))
            return kNtfsResizeWriteFailed;
    }
    m_newMft.RecordBitmap().SetRange(number, false, 1);
    return kNtfsResizeOk;
}

// The index root's clusters-per-index-record byte and, when the unit of index VCNs changes, the
// child pointers of its entries.
int Rebuild::convertIndexRoot(KNtfsFileRecord& record, bool& changed)
{
    const int64_t ir = m_old.IndexRecordBytes();
    const int64_t oldUnit = ir >= m_r * kSector ? m_r * kSector : kSector;
    const int64_t newUnit = ir >= m_s * kSector ? m_s * kSector : kSector;
    for (size_t i = 0; i < record.GetAttributeCount(); ++i) {
        KNtfsAttribute& a = record.GetAttribute(i);
        if (a.GetType() != kAttrIndexRoot)
            continue;
        if (a.IsNonResident())
            return kNtfsResizeNonResidentRoot;
        std::vector<uint8_t> value(a.GetValueLength());
        a.GetValue(value.data(), value.size());
        if (value.size() < 0x20 || le32(value.data() + 8) != uint32_t(ir))
            return kNtfsResizeIndexConversion;
        value[0x0C] = uint8_t(ir >= m_s * kSector ? ir / (m_s * kSector) : ir / kSector);
        if (oldUnit != newUnit && !convertChildVcns(value, 0x10, oldUnit, newUnit))
            return kNtfsResizeIndexConversion;
        if (!a.SetValue(value.data(), value.size()))
            return kNtfsResizeIndexConversion;
        changed = true;
    }
    return kNtfsResizeOk;
}

int Rebuild::remapGroup(int64_t number, std::vector<KNtfsFileRecord>& records, AttributeGroup& g, bool& relay)
{
    std::sort(g.extents.begin(), g.extents.end(),
              [](const AttributeGroup::Extent& a, const AttributeGroup::Extent& b) { return a.vcn < b.vcn; });
    KNtfsRunList old;
    for (const AttributeGroup::Extent& e : g.extents) {
        KNtfsRunList part;
        if (!records[e.record].GetAttribute(e.index).GetRunList(part))
            return kNtfsResizeBadRunList;
        for (const KDataRun& r : part)
            old.Add(r);
    }
    if (g.extents.front().vcn != 0)
        return kNtfsResizeBadRunList;
    int64_t oldClusters = 0;
    for (const KDataRun& r : old) {
        if (r.Vcn != oldClusters)
            return kNtfsResizeBadRunList;
        oldClusters += r.Length;
    }
    KNtfsAttribute& first = records[g.extents.front().record].GetAttribute(g.extents.front().index);
    const bool unnamedData = g.type == kAttrData && g.name.IsEmpty();
    const int64_t clusterBytes = m_s * kSector;
    int64_t allocated = -1, dataSize = first.GetDataSize(), initialized = first.GetInitializedSize();

    if (number == kRecMft && unnamedData && m_newMftMode) {
        g.newRuns = m_newMftRuns;
        dataSize = initialized = m_newRecordCount * m_recordBytes;
    } else if (number == kRecMirror && unnamedData) {
        g.newRuns = m_mirrorRuns;
        dataSize = initialized = m_mirrorDataBytes;
    } else if (number == kRecBitmap && unnamedData) {
        g.newRuns = m_bitmapRuns;
        dataSize = initialized = m_bitmapDataBytes;
    } else if (number == kRecBoot && unnamedData) {
        g.newRuns.Clear();
        g.newRuns.Add(KDataRun{0, 0, m_bootClusters});
    } else if (number == kRecBadClus && g.type == kAttrData) {
        // Bad clusters that stay where they are stay listed; the rest of the volume is sparse.
        if (const int rc = remap(old, Moved::Drop, g.newRuns))
            return rc;
        KNtfsRunList cut = cutRuns(g.newRuns, 0, m_newClusters - 1);
        const int64_t have = cut.GetTotalClusters();
        if (have < m_newClusters)
            cut.Add(KDataRun{-1, have, m_newClusters - have});
        cut.Coalesce();
        g.newRuns = cut;
        dataSize = m_newClusters * clusterBytes;
        initialized = std::min(initialized, dataSize);
    } else {
        // $LogFile is emptied at the end: its clusters are taken, not copied.
        const Moved mode = number == kRecLogFile && unnamedData ? Moved::Allocate : Moved::Copy;
        if (const int rc = remap(old, mode, g.newRuns))
            return rc;
        if (number == kRecLogFile && unnamedData)
            m_logRuns = g.newRuns;
    }
    g.newClusters = g.newRuns.GetTotalClusters();
    allocated = g.newClusters * clusterBytes;
    if (number == kRecMft && g.type == kAttrBitmap)
        dataSize = initialized = std::max(dataSize, int64_t(RoundUp(DivideUp(uint64_t(m_newRecordCount), 8), 8)));
    if (dataSize > allocated && !(number == kRecBadClus))
        return kNtfsResizeNoRoom;

    // The header fields that follow the cluster size: sizes, compression unit, compressed size.
    {
        std::vector<uint8_t> image(first.Data(), first.Data() + first.Length());
        put_le64(image.data() + kNrAllocatedSize, uint64_t(allocated));
        put_le64(image.data() + kNrDataSize, uint64_t(dataSize));
        put_le64(image.data() + kNrInitializedSize, uint64_t(initialized));
        if (compressionUnit(first) && m_spcChange)
            image[kNrCompressionUnit] =
                uint8_t(Log2((int64_t(1) << compressionUnit(first)) * m_r / m_s));
        if (hasCompressedSizeField(first)) {
            int64_t onDisk = 0;
            for (const KDataRun& r : g.newRuns)
                if (r.Lcn >= 0)
                    onDisk += r.Length;
            put_le64(image.data() + 0x40, uint64_t(onDisk * clusterBytes));
        }
        if (!first.Assign(image.data(), image.size()))
            return kNtfsResizeBadRunList;
    }
    // Later extents keep their VCN ranges on the new grid when they can; otherwise the file is laid
    // out anew.
    std::vector<int64_t> starts;
    for (const AttributeGroup::Extent& e : g.extents) {
        if ((e.vcn * m_r) % m_s) {
            relay = true;
            return kNtfsResizeOk;
        }
        starts.push_back(e.vcn * m_r / m_s);
    }
    for (size_t k = 0; k < g.extents.size(); ++k) {
        const int64_t a = starts[k], b = k + 1 < starts.size() ? starts[k + 1] - 1 : g.newClusters - 1;
        if (b < a && (k > 0 || g.newClusters > 0)) {
            relay = true;
            return kNtfsResizeOk;
        }
        KNtfsAttribute& extent = records[g.extents[k].record].GetAttribute(g.extents[k].index);
        if (!extent.SetRunList(cutRuns(g.newRuns, a, b)))
            return kNtfsResizeBadRunList;
        if (g.newClusters > 0 || k > 0)
            extent.SetVcnRange(a, b);
        if (compressionUnit(extent) && m_spcChange && k > 0) {
            const uint8_t unit = compressionUnit(first);
            if (!patchAttribute(extent, kNrCompressionUnit, &unit, 1))
                return kNtfsResizeBadRunList;
        }
    }
    return kNtfsResizeOk;
}

int Rebuild::processGroup(int64_t number, const KNtfsFileRecord& base)
{
    std::vector<KNtfsFileRecord> records{base};
    std::vector<int64_t> numbers{number};
    if (base.HasAttributeList()) {
        KNtfsFileRecord all = base;
        if (!all.LoadExtensions(m_oldMft))
            return kNtfsResizeBadRecord;
        for (int64_t e : all.ExtensionRecords()) {
            KNtfsFileRecord extension;
            if (!m_oldMft.ReadRecord(e, extension))
                return kNtfsResizeBadRecord;
            records.push_back(extension);
            numbers.push_back(e);
            m_handled.SetRange(e, true, 1);
        }
    }
    m_handled.SetRange(number, true, 1);
    const std::vector<KNtfsFileRecord> original = records;

    std::vector<AttributeGroup> groups;
    bool hasIndexAllocation = false, relayList = false;
    for (size_t r = 0; r < records.size(); ++r)
        for (size_t i = 0; i < records[r].GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = records[r].GetAttribute(i);
            if (!a.IsNonResident())
                continue;
            hasIndexAllocation = hasIndexAllocation || a.GetType() == kAttrIndexAllocation;
            const KNtfsString name = a.GetName();
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const AttributeGroup& g) { return g.type == a.GetType() && g.name == name; });
            if (it == groups.end()) {
                groups.push_back(AttributeGroup{a.GetType(), name, {}, {}, 0});
                it = groups.end() - 1;
            }
            it->extents.push_back({r, i, a.GetStartingVcn()});
        }
    // A non-resident attribute list moves last, and only when the file keeps its layout: laid out
    // anew, the file gets a new list.
    std::stable_partition(groups.begin(), groups.end(), [](const AttributeGroup& g) { return g.type != kAttrAttributeList; });
    if (m_spcChange && base.HasAttributeList())
        for (const AttributeGroup& g : groups)
            if (g.type == kAttrAttributeList)
                relayList = true;
    bool relay = relayList;
    for (AttributeGroup& g : groups)
        if (g.type != kAttrAttributeList)
            if (const int rc = remapGroup(number, records, g, relay))
                return rc;
    if (number == kRecMft)
        for (const AttributeGroup& g : groups)
            if (g.type == kAttrBitmap)
                m_haveMftBitmap = true;
    if (m_spcChange) {
        for (KNtfsFileRecord& r : records) {
            bool changed = false;
            if (const int rc = convertIndexRoot(r, changed))
                return rc;
        }
        if (hasIndexAllocation)
            m_indexRecords.push_back(number);
        // The attribute list names each extent by its first VCN, which is counted in clusters.
        const int list = records[0].FindAttribute(kAttrAttributeList, 0, {}, true);
        if (list >= 0 && !relay) {
            KNtfsAttribute& a = records[0].GetAttribute(size_t(list));
            KNtfsAttributeList entries;
            std::vector<uint8_t> value;
            if (a.IsNonResident() || !entries.Parse(a.GetValuePointer(), a.GetValueLength())) {
                relay = true;
            } else {
                for (tagAttriListElement& e : entries) {
                    if ((e.StartingVcn * m_r) % m_s)
                        relay = true;
                    e.StartingVcn = e.StartingVcn * m_r / m_s;
                }
                if (!relay && (!entries.Build(value) || !a.SetValue(value.data(), value.size())))
                    relay = true;
            }
        }
    }

    if (number == kRecMft && !m_newMftMode) {
        // The MFT stays the MFT it is: its records go where its own new run list says.
        for (const AttributeGroup& g : groups)
            if (g.type == kAttrData && g.name.IsEmpty())
                if (const int rc = openStagedMft(g.newRuns))
                    return rc;
        if (!m_newMftOpen)
            return kNtfsResizeNoMftData;
    }
    if (!m_newMftOpen)
        return kNtfsResizeNoMftData;

    const Checkpoint beforeList = checkpoint();
    if (!relay)
        for (AttributeGroup& g : groups)
            if (g.type == kAttrAttributeList)
                if (const int rc = remapGroup(number, records, g, relay))
                    return rc;
    if (!relay) {
        std::vector<uint8_t> scratch;
        for (const KNtfsFileRecord& r : records)
            if (!r.Serialize(scratch, size_t(m_recordBytes)))
                relay = true;
    }
    // Laid out anew, the file gets a new list: the clusters taken for the old one go back.
    if (relay)
        rollback(beforeList);
    if (relay)
        return relayGroup(number, records, numbers, groups);
    // In place, a record nothing changed in stays as it is on disk.
    const auto same = [](const KNtfsFileRecord& a, const KNtfsFileRecord& b) {
        if (a.GetAttributeCount() != b.GetAttributeCount())
            return false;
        for (size_t i = 0; i < a.GetAttributeCount(); ++i) {
            const KNtfsAttribute &x = a.GetAttribute(i), &y = b.GetAttribute(i);
            if (x.Length() != y.Length() || std::memcmp(x.Data(), y.Data(), x.Length()) != 0)
                return false;
        }
        return true;
    };
    for (size_t r = 0; r < records.size(); ++r)
        if ((m_newMftMode || !same(records[r], original[r])) && !m_newMft.WriteRecord(numbers[r], records[r]))
            return kNtfsResizeWriteFailed;
    if (number == kRecMft)
        for (const KNtfsFileRecord& r : records)
            for (size_t i = 0; i < r.GetAttributeCount(); ++i)
                if (r.GetAttribute(i).GetType() == kAttrBitmap && r.GetAttribute(i).IsNonResident() &&
                    r.GetAttribute(i).GetStartingVcn() == 0)
                    m_mftBitmap = r.GetAttribute(i);
    return kNtfsResizeOk;
}

// The file's attributes laid out anew over its base record and fresh extension records.
int Rebuild::relayGroup(int64_t number, std::vector<KNtfsFileRecord>& records, const std::vector<int64_t>& numbers,
                        std::vector<AttributeGroup>& groups)
{
    KNtfsFileRecord merged = records[0];
    while (merged.GetAttributeCount())
        merged.RemoveAttribute(merged.GetAttributeCount() - 1);
    merged.ExtensionRecords().clear();
    for (size_t r = 0; r < records.size(); ++r)
        for (size_t i = 0; i < records[r].GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = records[r].GetAttribute(i);
            if (a.GetType() == kAttrAttributeList || a.IsNonResident())
                continue;
            // Ids are only unique within the record an attribute came from: all get new ones.
            merged.AddAttribute(a);
        }
    const size_t first = RoundUp(kRecHeaderEnd + 2 * UsaCount(size_t(m_recordBytes)), 8);
    const size_t room = size_t(m_recordBytes) - first - 8;
    for (AttributeGroup& g : groups) {
        if (g.type == kAttrAttributeList)
            continue;
        const KNtfsAttribute& head = records[g.extents.front().record].GetAttribute(g.extents.front().index);
        const size_t header = RoundUp(head.GetMappingPairsOffset(), 8);
        if (header + 16 > room)
            return kNtfsResizeNoRoom;
        std::vector<KNtfsRunList> pieces;
        KNtfsRunList rest = g.newRuns;
        if (number == kRecMft && g.type == kAttrData && g.name.IsEmpty()) {
            // The MFT's first extent stays in record 0 and must reach the records that will hold the
            // others: its first runs, as far as the first free records past the reserved ones.
            int64_t reach = 24;
            while (reach < m_newRecordCount && m_newMft.RecordBitmap().Test(reach))
                ++reach;
            const int64_t clusters = int64_t(DivideUp(uint64_t((reach + 8) * m_recordBytes), uint64_t(m_s * kSector)));
            KNtfsRunList head;
            rest.Clear();
            for (const KDataRun& r : g.newRuns)
                (head.GetTotalClusters() < clusters ? head : rest).Add(r);
            pieces.push_back(head);
        }
        std::vector<KNtfsRunList> more;
        if (!rest.IsEmpty() || pieces.empty()) {
            if (!rest.Split(room - header, room - header, more))
                return kNtfsResizeNoRoom;
            pieces.insert(pieces.end(), more.begin(), more.end());
        }
        int64_t vcn = 0;
        for (size_t k = 0; k < pieces.size(); ++k) {
            KNtfsAttribute piece = head;
            if (k > 0) {
                std::vector<uint8_t> image(head.Data(), head.Data() + head.GetMappingPairsOffset());
                image.resize(RoundUp(image.size(), 8), 0);
                put_le32(image.data() + kAttrLengthOff, uint32_t(image.size()));
                std::memset(image.data() + kNrAllocatedSize, 0, 24);
                if (hasCompressedSizeField(head))
                    std::memset(image.data() + 0x40, 0, 8);
                if (!piece.Assign(image.data(), image.size()))
                    return kNtfsResizeBadRunList;
            }
            // Pieces hold their own runs from their first VCN on.
            KNtfsRunList runs;
            const int64_t clusters = pieces[k].GetTotalClusters();
            for (const KDataRun& r : pieces[k])
                runs.Add(KDataRun{r.Lcn, vcn + (r.Vcn - pieces[k][0].Vcn), r.Length});
            if (pieces[k].IsEmpty())
                runs.Clear();
            if (!piece.SetRunList(runs))
                return kNtfsResizeBadRunList;
            piece.SetVcnRange(vcn, vcn + clusters - 1);
            vcn += clusters;
            merged.AddAttribute(piece);
        }
    }
    for (size_t r = 1; r < numbers.size(); ++r)
        if (const int rc = releaseRecord(numbers[r]))
            return rc;
    if (!merged.Commit(m_newMft, number))
        return number == kRecMft ? kNtfsResizeMftNotMovable : kNtfsResizeNoRoom;
    for (size_t i = 0; i < merged.GetAttributeCount(); ++i) {
        const KNtfsAttribute& a = merged.GetAttribute(i);
        if (number == kRecMft && a.GetType() == kAttrBitmap && a.IsNonResident())
            m_mftBitmap = a;
        // Attribute lists placed in clusters show in the new bitmap.
        if (a.GetType() == kAttrAttributeList && a.IsNonResident()) {
            KNtfsRunList runs;
            if (a.GetRunList(runs))
                for (const KDataRun& r : runs)
                    if (r.Lcn >= 0)
                        m_newBitmap.SetRange(r.Lcn, true, r.Length);
        }
    }
    // Record 0's extension records must be reachable through the run list in record 0 itself.
    if (number == kRecMft) {
        KNtfsFileRecord written;
        if (!m_newMft.ReadRecord(kRecMft, written))
            return kNtfsResizeMftNotMovable;
        const int data = written.FindAttribute(kAttrData);
        if (data < 0 || !written.GetAttribute(size_t(data)).IsNonResident())
            return kNtfsResizeMftNotMovable;
        const KNtfsAttribute& d = written.GetAttribute(size_t(data));
        for (int64_t e : merged.ExtensionRecords())
            if (d.GetStartingVcn() != 0 || (e + 1) * m_recordBytes > (d.GetLastVcn() + 1) * m_s * kSector)
                return kNtfsResizeMftNotMovable;
    }
    return kNtfsResizeOk;
}

int Rebuild::copyData()
{
    CopyEngine::Plan plan;
    if (m_sameSize) {
        // Cluster for cluster: every used cluster but the bad ones and the journal, which is emptied.
        KBitmap skip;
        if (!skip.Create(m_oldClusters))
            return kNtfsResizeOutOfMemory;
        for (const KDataRun& r : m_badRuns)
            skip.SetRange(r.Lcn, true, r.Length);
        for (const KDataRun& r : m_oldLogRuns)
            skip.SetRange(r.Lcn, true, r.Length);
        ForEachSetRun(m_oldBitmap, m_oldClusters, [&](int64_t c, int64_t count) {
            for (int64_t k = c; k < c + count;) {
                const int64_t end = skip.Test(k) ? NextBit(skip, k, c + count, false) : NextBit(skip, k, c + count, true);
                if (!skip.Test(k))
                    plan.Copy(m_old.VolumeStart + k * m_r, m_base + k * m_r, (end - k) * m_r);
                k = end;
            }
        });
    } else {
        // Read in disk order: the copies only write clusters no source lies on.
        std::sort(m_copies.begin(), m_copies.end(),
                  [](const CopyEngine::Extent& a, const CopyEngine::Extent& b) { return a.Source < b.Source; });
        for (const CopyEngine::Extent& e : m_copies)
            plan.Copy(e.Source, e.Target, e.Count);
        for (const CopyEngine::Extent& z : m_zeros)
            plan.Zero(z.Target, z.Count);
    }
    CopyEngine::Job job;
    job.Source = m_req.source;
    job.Target = m_req.target;
    job.SameMedium = m_req.source == m_req.target;
    job.TargetFirst = m_allowFirst;
    job.TargetCount = m_allowEnd - m_allowFirst;
    switch (CopyEngine::Run(job, plan, m_progress)) {
    case CopyEngine::kOk: return kNtfsResizeOk;
    case CopyEngine::kOutOfMemory: return kNtfsResizeOutOfMemory;
    case CopyEngine::kReadFailed: return kNtfsResizeReadFailed;
    case CopyEngine::kWriteFailed: return kNtfsResizeWriteFailed;
    case CopyEngine::kCancelled: return kNtfsResizeCancelled;
    default: return kNtfsResizeBadArgument;
    }
}

// With a new cluster size the VCNs inside index blocks may change unit: clusters when an index
// record is at least a cluster, 512-byte blocks otherwise. Every block in use is rewritten.
int Rebuild::convertIndexes()
{
    if (!m_spcChange)
        return kNtfsResizeOk;
    const int64_t ir = m_old.IndexRecordBytes();
    const int64_t oldUnit = ir >= m_r * kSector ? m_r * kSector : kSector;
    const int64_t newUnit = ir >= m_s * kSector ? m_s * kSector : kSector;
    m_progress->SetProcessName(kProcessDirectories);
    m_progress->BeginStep(-1);
    m_progress->SetStepTotal(int64_t(m_indexRecords.size()));
    if (oldUnit == newUnit || m_indexRecords.empty()) {
        m_progress->CompleteStep();
        return kNtfsResizeOk;
    }
    KNtfsMFT mft;
    if (!mft.Open(m_new, nullptr, false))
        return kNtfsResizeNewMftUnreadable;
    std::vector<uint8_t> block(static_cast<size_t>(ir));
    std::vector<uint8_t> bits;
    for (size_t k = 0; k < m_indexRecords.size(); ++k) {
        m_progress->SetStepPosition(int64_t(k));
        KNtfsFileRecord record;
        if (!mft.ReadRecord(m_indexRecords[k], record) || !record.LoadExtensions(mft))
            return kNtfsResizeIndexConversion;
        for (size_t i = 0; i < record.GetAttributeCount(); ++i) {
            const KNtfsAttribute& alloc = record.GetAttribute(i);
            if (alloc.GetType() != kAttrIndexAllocation || !alloc.IsNonResident() || alloc.GetStartingVcn() != 0)
                continue;
            KNtfsRunList runs;
            for (size_t j = 0; j < record.GetAttributeCount(); ++j) {
                const KNtfsAttribute& x = record.GetAttribute(j);
                KNtfsRunList part;
                if (x.GetType() == kAttrIndexAllocation && x.GetName() == alloc.GetName()) {
                    if (!x.GetRunList(part))
                        return kNtfsResizeIndexConversion;
                    for (const KDataRun& r : part)
                        runs.Add(r);
                }
            }
            const int bitmap = record.FindAttribute(kAttrBitmap, 0, alloc.GetName(), false);
            if (bitmap < 0)
                return kNtfsResizeIndexConversion;
            const KNtfsAttribute& b = record.GetAttribute(size_t(bitmap));
            if (b.IsNonResident()) {
                bits.assign(size_t(RoundUp(uint64_t(std::max<int64_t>(b.GetAllocatedSize(), 0)), 512)), 0);
                if (b.GetDataSize() > int64_t(bits.size()) || b.ReadData(m_new, bits.data(), int64_t(bits.size())) < b.GetDataSize())
                    return kNtfsResizeReadFailed;
            } else {
                bits.assign(b.GetValueLength(), 0);
                b.GetValue(bits.data(), bits.size());
            }
            const int64_t blocks = alloc.GetDataSize() / ir;
            for (int64_t n = 0; n < blocks; ++n) {
                if (size_t(n / 8) >= bits.size() || !(bits[size_t(n / 8)] >> (n % 8) & 1))
                    continue;
                // The block's sectors through the run list (a block may span runs).
                std::vector<int64_t> sectors;
                for (int64_t s = 0; s < ir / kSector; ++s) {
                    const int64_t offset = n * ir + s * kSector;
                    const int64_t lcn = runs.Map(offset / (m_s * kSector));
                    if (lcn < 0)
                        return kNtfsResizeIndexConversion;
                    sectors.push_back(m_base + lcn * m_s + (offset % (m_s * kSector)) / kSector);
                }
                for (size_t s = 0; s < sectors.size(); ++s)
                    if (!m_req.target->ReadSectors(block.data() + s * kSector, sectors[s], 1))
                        return kNtfsResizeReadFailed;
                if (std::memcmp(block.data(), "INDX", 4) != 0 || !UndoFixups(block.data(), block.size()))
                    return kNtfsResizeIndexConversion;
                put_le64(block.data() + 0x10, uint64_t(n * ir / newUnit));
                if (!convertChildVcns(block, 0x18, oldUnit, newUnit) || !ApplyFixups(block.data(), block.size()))
                    return kNtfsResizeIndexConversion;
                for (size_t s = 0; s < sectors.size(); ++s)
                    if (!m_req.target->WriteSectors(block.data() + s * kSector, sectors[s], 1))
                        return kNtfsResizeWriteFailed;
            }
        }
    }
    m_progress->CompleteStep();
    return kNtfsResizeOk;
}

// A move by part of a cluster: the volume rebuilt at its old start now moves as a whole, every used
// cluster read before anything is written over it (from the top down when moving up).
int Rebuild::shiftVolume()
{
    if (!m_unaligned)
        return kNtfsResizeOk;
    const int64_t distance = m_req.newStart - m_base;
    const int64_t maxRun = std::max<int64_t>(1, CopyEngine::kBufferSectors / m_s);
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(size_t(maxRun * m_s * kSector));
    } catch (const std::bad_alloc&) {
        return kNtfsResizeOutOfMemory;
    }
    std::vector<std::pair<int64_t, int64_t>> runs;
    ForEachSetRun(m_newBitmap, m_newClusters, [&](int64_t c, int64_t count) {
        for (int64_t k = 0; k < count; k += maxRun)
            runs.emplace_back(c + k, std::min(maxRun, count - k));
    });
    if (distance > 0)
        std::reverse(runs.begin(), runs.end());
    m_progress->SetProcessName(kProcessMoving);
    m_progress->BeginStep(-1);
    int64_t total = 0, done = 0;
    for (const auto& r : runs)
        total += r.second * m_s * 2;
    m_progress->SetStepTotal(total);
    for (const auto& [first, count] : runs) {
        const int64_t sectors = count * m_s;
        for (int64_t k = 0; k < sectors; k += CopyEngine::kPieceSectors) {
            const int64_t n = std::min(CopyEngine::kPieceSectors, sectors - k);
            if (!m_req.source->ReadSectors(buffer.data() + k * kSector, m_base + first * m_s + k, n))
                return kNtfsResizeReadFailed;
        }
        done += sectors;
        m_progress->SetStepPosition(done);
        for (int64_t k = 0; k < sectors; k += CopyEngine::kPieceSectors) {
            const int64_t n = std::min(CopyEngine::kPieceSectors, sectors - k);
            if (!m_req.target->WriteSectors(buffer.data() + k * kSector, m_req.newStart + first * m_s + k, n))
                return kNtfsResizeWriteFailed;
        }
        done += sectors;
        m_progress->SetStepPosition(done);
    }
    m_progress->CompleteStep();
    m_base = m_req.newStart;
    m_new.VolumeStart = m_base;
    return kNtfsResizeOk;
}

int Rebuild::finalWrites()
{
    NtfsVolume volume = m_sameSize ? m_old : m_new;
    volume.Device = m_req.target;
    volume.VolumeStart = m_base;
    const int64_t clusterBytes = int64_t(volume.SectorsPerCluster) * kSector;

    // $LogFile emptied: a journal of all 0xFF has nothing to replay.
    const KNtfsRunList& log = m_sameSize ? m_oldLogRuns : m_logRuns;
    if (log.IsEmpty())
        return kNtfsResizeNoSystemData;
    {
        const std::vector<uint8_t> ones(size_t(std::min<int64_t>(kBufferBytes, log.GetTotalClusters() * clusterBytes)), 0xFF);
        const int64_t pieceSectors = int64_t(ones.size()) / kSector;
        for (const KDataRun& r : log) {
            if (r.Lcn < 0)
                continue;
            const int64_t first = m_base + r.Lcn * volume.SectorsPerCluster, sectors = r.Length * volume.SectorsPerCluster;
            for (int64_t k = 0; k < sectors; k += pieceSectors) {
                if (!m_req.target->WriteSectors(ones.data(), first + k, std::min(pieceSectors, sectors - k)))
                    return kNtfsResizeWriteFailed;
                m_progress->Tick();
            }
        }
    }
    if (!m_sameSize) {
        // Clusters the MFT took for attribute lists come from the working map; every other cluster
        // taken there is already in the new bitmap.
        for (const KDataRun& r : m_bitmapRuns)
            if (!m_req.target->WriteSectors(m_newBitmap.Data() + (r.Vcn * clusterBytes), m_base + r.Lcn * m_s, r.Length * m_s))
                return kNtfsResizeWriteFailed;
        if (!m_haveMftBitmap || !m_mftBitmap.IsNonResident())
            return kNtfsResizeNoSystemData;
        std::vector<uint8_t> records(size_t(std::max<int64_t>(m_mftBitmap.GetDataSize(), 0)), 0);
        const KBitmap& bits = m_newMft.RecordBitmap();
        std::memcpy(records.data(), bits.Data(), size_t(std::min<int64_t>(bits.ByteLength(), int64_t(records.size()))));
        if (!m_mftBitmap.WriteData(volume, records.data(), int64_t(records.size())))
            return kNtfsResizeWriteFailed;
    }
    if (const int rc = writeBoot(volume))
        return rc;
    return writeMirror(volume);
}

int Rebuild::writeBoot(const NtfsVolume& volume)
{
    std::vector<uint8_t> region = m_bootRegion;
    const int64_t sectors = int64_t(region.size()) / kSector;
    FillBootSector(region.data(), m_req.target, volume, m_req.hiddenOption != 0);
    if (!m_req.target->WriteSectors(region.data(), m_base, sectors))
        return kNtfsResizeWriteFailed;
    if (volume.TotalSectors < m_req.newSize && !m_req.target->WriteSectors(region.data(), m_base + volume.TotalSectors, 1))
        return kNtfsResizeWriteFailed;
    // Recovery tools look for the copy in the volume's last sector, which may lie further up.
    if (volume.TotalSectors < m_req.newSize - 1 &&
        !m_req.target->WriteSectors(region.data(), m_base + m_req.newSize - 1, 1))
        return kNtfsResizeWriteFailed;
    return kNtfsResizeOk;
}

int Rebuild::writeMirror(const NtfsVolume& volume)
{
    switch (WriteMftMirror(volume)) {
    case 0:
        return kNtfsResizeOk;
    case 2:
        return kNtfsResizeOutOfMemory;
    case 3:
        return kNtfsResizeWriteFailed;
    default:
        return kNtfsResizeNewMftUnreadable;
    }
}

int runBoth(const Request& request, IProgressReporter* progress, std::initializer_list<double> steps)
{
    if (!RebuildRequestUsable(request, progress))
        return kNtfsResizeBadArgument;
    return RunCheckedThenReal<Rebuild>(request, progress, steps, kNtfsResizeOutOfMemory);
}

} // namespace

KNtfsResize::~KNtfsResize() = default;

int KNtfsResize::ResizeNtfs(ISectorDevice* device, int64_t oldStart, int64_t oldSize, int64_t newStart,
                            int64_t newSize, int hiddenOption, int forceNewMft, IProgressReporter* progress)
{
    if (oldStart == newStart && oldSize == newSize && !forceNewMft)
        return kNtfsResizeOk;
    Request r;
    r.source = r.target = device;
    r.oldStart = oldStart;
    r.oldSize = oldSize;
    r.newStart = newStart;
    r.newSize = newSize;
    r.hiddenOption = hiddenOption;
    r.forceNewMft = forceNewMft != 0;
    return runBoth(r, progress, {0.3, 0.3, 0.4});
}

int KNtfsResize::ChangeNtfsClusterSize(ISectorDevice* device, int64_t start, int64_t size, int sectorsPerCluster,
                                       int hiddenOption, int forceNewMft, IProgressReporter* progress)
{
    if (!isPowerOfTwo(sectorsPerCluster) || sectorsPerCluster > 128)
        return kNtfsResizeBadArgument;
    Request r;
    r.source = r.target = device;
    r.oldStart = r.newStart = start;
    r.oldSize = r.newSize = size;
    r.requestedSpc = sectorsPerCluster;
    r.hiddenOption = hiddenOption;
    r.forceNewMft = forceNewMft != 0;
    return runBoth(r, progress, {0.4, 0.5, 0.8, 0.3});
}

int KNtfsResize::CopyNtfs(ISectorDevice* source, int64_t sourceStart, int64_t sourceSize, ISectorDevice* target,
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
    if (source == target && targetStart < sourceStart + sourceSize && sourceStart < targetStart + targetSize)
        return kNtfsResizeBadArgument; // a copy onto itself
    return runBoth(r, progress, {0.3, 0.3, 0.4});
}

int64_t AlignNtfsMoveStart(int64_t oldStart, int sectorsPerCluster, int64_t oldSize, int64_t newStart,
                           int64_t newSize)
{
    if (sectorsPerCluster <= 0 || newStart >= oldStart + oldSize || oldStart >= newStart + newSize)
        return newStart;
    int64_t cluster = sectorsPerCluster;
    for (int64_t spc = 8; cluster < 128 && newSize / cluster / 8 >= kBitmapLimitBytes; spc *= 2)
        cluster = std::max(cluster, spc);
    if (newStart <= oldStart)
        return newStart + (oldStart - newStart) % cluster;
    return newStart + cluster - (newStart - oldStart) % cluster;
}
