#include "fs/ntfs/KNtfsMerge.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string_view>
#include <vector>

#include "core/ByteOrder.h"
#include "core/IProgressReporter.h"
#include "engine/ISectorDevice.h"
#include "fs/CopyEngine.h"
#include "fs/KBitmap.h"
#include "fs/TwoPassRebuild.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRebuildSupport.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsStructures.h"

using namespace Ntfs;
using namespace NtfsRebuild;

// How the merge goes. Both volumes are read where they lie; the merged volume starts where the first
// one does and counts its clusters from there, so the second volume's clusters keep their place and
// only gain the cluster offset (after a shift by the part of a cluster it lies off the first's grid).
// Everything new — the merged MFT, both bitmaps, rebuilt and renumbered index blocks, attribute
// lists — goes into clusters neither volume uses, so until the boot sector is rewritten both volumes
// stay as they were (unless the second had to be shifted first). The records of one volume keep their
// numbers; the other's follow them: every reference to them is renumbered. That volume's own system
// files are dropped (their clusters are freed), its root becomes the named folder, and its security
// descriptors are matched with the kept $Secure or carried in the files themselves.

namespace {

constexpr int64_t kSector = 512;
constexpr int kProcessChecking = 80, kProcessMoving = 81, kProcessFiles = 83;
constexpr int64_t kBlankRecords = 500;
constexpr int64_t kStagedLimitBytes = 32 << 20;
constexpr int64_t kBitmapLimitBytes = int64_t(1) << 29;
constexpr int64_t kRecMft = 0, kRecLogFile = 2, kRecRoot = 5, kRecBitmap = 6, kRecBoot = 7, kRecBadClus = 8,
                  kRecSecure = 9, kRecUpcase = 10, kRecExtend = 11, kFirstUserRecord = 16;
constexpr uint64_t kRefMask = 0xFFFFFFFFFFFFull;
constexpr int kMaxIndexDepth = 32;
constexpr uint16_t kEntryHasChild = 1, kEntryLast = 2;
constexpr uint32_t kFileAttrHidden = 0x02, kFileAttrSystem = 0x04, kFileNameDirectory = 0x10000000;

const char16_t kI30[] = u"$I30";

KNtfsString i30() { return KNtfsString(kI30); }

struct Request {
    ISectorDevice* device = nullptr;
    int64_t firstStart = 0, secondStart = 0;
    bool extendFirst = true, hiddenIsStart = false;
    KNtfsString folder;
    int64_t mergedSectors = 0;
};

// One of the two volumes.
struct Side {
    int64_t start = 0; // where it lies now
    NtfsVolume vol;
    KNtfsMFT mft;
    KBitmap bitmap, used, live;
    int64_t records = 0, clusters = 0;
    int64_t clusterShift = 0; // its LCN 0 in the merged volume
    int64_t recordShift = 0;  // its record 0 in the merged MFT
    bool renumbered = false;
    std::vector<int64_t> parent, base; // the renumbered side: first $FILE_NAME parent and base record
    std::vector<uint8_t> dropped;      // the renumbered side: 0 unknown, 1 dropped, 2 kept, 3 being decided
    KNtfsRunList bad;                  // $BadClus:$Bad, allocated runs only
};

// A run list moved by `shift` clusters.
KNtfsRunList shifted(const KNtfsRunList& runs, int64_t shift)
{
    KNtfsRunList out;
    for (KDataRun r : runs) {
        if (r.Lcn >= 0)
            r.Lcn += shift;
        out.Add(r);
    }
    return out;
}

// An index node's entries (its header at `header`): fn(entry offset, length, key length, flags) for
// each, the last one included. False for a damaged node or when fn says so.
template <typename Fn>
bool forEachEntry(const uint8_t* node, size_t size, size_t header, Fn fn)
{
    if (header + 16 > size)
        return false;
    size_t at = header + le32(node + header);
    const size_t end = std::min(size, size_t(header) + le32(node + header + 4));
    while (at + 0x10 <= end) {
        const uint16_t length = le16(node + at + 8), keyLength = le16(node + at + 10), flags = le16(node + at + 12);
        const size_t least = 0x10 + ((flags & kEntryHasChild) ? 8 : 0);
        if (length < least || length % 8 || at + length > end || ((flags & kEntryLast) == 0 && size_t(0x10) + keyLength > size_t(length) - (least - 0x10)))
            return false;
        if (!fn(at, length, keyLength, flags))
            return false;
        if (flags & kEntryLast)
            return true;
        at += length;
    }
    return false; // no last entry
}

// Adds `shift` to the file reference of every entry of a $I30 node and to the parent in its key.
bool renumberNode(uint8_t* node, size_t size, size_t header, int64_t shift)
{
    return forEachEntry(node, size, header, [&](size_t at, uint16_t, uint16_t keyLength, uint16_t flags) {
        if (flags & kEntryLast)
            return true;
        put_le64(node + at, le64(node + at) + uint64_t(shift));
        if (keyLength >= 8)
            put_le64(node + at + 0x10, le64(node + at + 0x10) + uint64_t(shift));
        return true;
    });
}

class Merge {
public:
    Merge(const Request& request, IProgressReporter* progress)
        : m_req(request), m_progress(progress), m_dropped(request.device)
    {
    }
    int Run(bool checking);

private:
    using Entries = std::vector<std::vector<uint8_t>>;
    using Built = BuiltIndex;

    int openSide(Side& s, int64_t start);
    int scanSide(Side& s, bool withProgress);
    bool isDropped(Side& s, int64_t n);
    int moveSecond();
    int plan();
    int readSecurity(Side& s, bool kept);
    int walk();
    int carry(Side& s, int64_t n, int64_t m);
    int carryFree(Side& s, int64_t n, int64_t m);
    int rewriteData(Side& s, KNtfsAttribute& a, const std::function<int(std::vector<uint8_t>&, int64_t)>& change);
    int renumberAttributes(Side& s, KNtfsFileRecord& rec, int64_t n);
    int mapSecurity(KNtfsFileRecord& rec);
    int systemRecord(int64_t n, KNtfsFileRecord& rec);
    int gatherIndex(Side& s, const KNtfsFileRecord& rec, Entries& out);
    int joinRoot(Side& s, KNtfsFileRecord& rec, bool keptRoot);
    int store(KNtfsFileRecord& rec, int64_t m);
    int finalWrites();
    int take(int64_t clusters, KNtfsRunList& out);
    int compareNames(const uint8_t* a, size_t aUnits, const uint8_t* b, size_t bUnits) const;

    bool cancelled() { return m_progress->IsUserCanceled() != 0; }
    ISectorDevice* target() { return m_checking ? static_cast<ISectorDevice*>(&m_dropped) : m_req.device; }

    Request m_req;
    IProgressReporter* m_progress;
    DroppedWrites m_dropped;
    bool m_checking = true;
    Side m_first, m_second;
    Side* m_kept = nullptr;
    Side* m_other = nullptr;
    int64_t m_spc = 0, m_clusterOffset = 0, m_h = 0;
    int64_t m_mergedTotal = 0, m_mergedClusters = 0, m_recordBytes = 0, m_indexBytes = 0, m_records = 0;
    NtfsVolume m_merged;
    KNtfsMFT m_mft;
    KBitmap m_work, m_workStart, m_final, m_recordBits;
    int64_t m_cursor = 0;
    KNtfsRunList m_mftRuns, m_mftBitmapRuns, m_bitmapRuns, m_logRuns;
    KNtfsAttribute m_firstBootData, m_mftBitmapAttr, m_bitmapAttr;
    std::vector<uint16_t> m_upcase;
    std::vector<uint8_t> m_folderName; // the folder's $FILE_NAME value
    uint64_t m_folderReference = 0;
    std::map<uint32_t, std::vector<uint8_t>> m_otherDescriptors;
    std::map<std::vector<uint8_t>, uint32_t> m_keptIds;
    bool m_otherSecurityKnown = false;
};

int Merge::Run(bool checking)
{
    m_checking = checking;
    m_progress->SetProcessName(checking ? kProcessChecking : kProcessFiles);
    if (const int rc = openSide(m_first, m_req.firstStart))
        return rc;
    if (const int rc = openSide(m_second, m_req.secondStart))
        return rc;
    if (m_first.vol.SectorsPerCluster != m_second.vol.SectorsPerCluster)
        return kNtfsMergeClusterSizes;
    if (m_first.vol.FileRecordSectors != m_second.vol.FileRecordSectors)
        return kNtfsMergeRecordSizes;
    if (m_first.vol.IndexRecordSectors != m_second.vol.IndexRecordSectors)
        return kNtfsMergeIndexSizes;
    m_spc = m_first.vol.SectorsPerCluster;
    const int64_t distance = m_req.secondStart - m_req.firstStart;
    if (m_first.vol.TotalSectors >= distance)
        return kNtfsMergeBadArgument; // the volumes overlap
    m_clusterOffset = distance / m_spc;
    m_h = distance % m_spc;
    m_mergedTotal = m_second.vol.TotalSectors + distance - m_h;
    m_mergedClusters = m_mergedTotal / m_spc;
    m_recordBytes = m_first.vol.FileRecordBytes();
    m_indexBytes = m_first.vol.IndexRecordBytes();
    if (DivideUp(uint64_t(m_mergedClusters), 8) > uint64_t(kBitmapLimitBytes))
        return kNtfsMergeNoRoom;
    m_kept = m_req.extendFirst ? &m_first : &m_second;
    m_other = m_req.extendFirst ? &m_second : &m_first;
    m_second.clusterShift = m_clusterOffset;

    if (const int rc = scanSide(m_first, checking))
        return rc;
    if (const int rc = scanSide(m_second, checking))
        return rc;
    m_other->renumbered = true;
    m_other->recordShift = m_kept->records;
    m_records = m_kept->records + m_other->records + kBlankRecords;
    if (m_records > int64_t(std::numeric_limits<uint32_t>::max()))
        return kNtfsMergeNoRoom;

    if (!checking && m_h) {
        if (const int rc = moveSecond())
            return rc;
        m_progress->SetProcessName(kProcessFiles);
        // From here on the second volume is read where it now lies.
        if (const int rc = openSide(m_second, m_req.secondStart - m_h))
            return rc;
        if (!m_second.mft.Open(m_second.vol, nullptr, false))
            return kNtfsMergeMftUnreadable;
    }
    if (const int rc = plan())
        return rc;
    if (const int rc = walk())
        return rc;
    return checking ? kNtfsMergeOk : finalWrites();
}

int Merge::openSide(Side& s, int64_t start)
{
    s.start = start;
    if (!OpenVolume(m_req.device, start, s.vol) || s.vol.TotalClusters() <= 0)
        return kNtfsMergeNotNtfs;
    s.clusters = s.vol.TotalClusters();
    return kNtfsMergeOk;
}

// Checks one volume: its bitmap, every record in use, their run lists against the volume, each other
// and $Bitmap. Notes what the merge needs: the records in use, and for each its parent and base.
int Merge::scanSide(Side& s, bool withProgress)
{
    if (!s.mft.Open(s.vol, nullptr, false))
        return kNtfsMergeMftUnreadable;
    switch (LoadVolumeBitmap(s.mft, s.vol, s.bitmap)) {
    case 0:
        break;
    case 1:
        return kNtfsMergeBitmapUnreadable;
    case 2:
        return kNtfsMergeNoBootOrUpcase;
    case 3:
        return kNtfsMergeResidentBitmap;
    case 4:
        return kNtfsMergeReadFailed;
    default:
        return kNtfsMergeOutOfMemory;
    }
    const int dirty = VolumeIsDirty(s.mft);
    if (dirty < 0)
        return kNtfsMergeBadRecord;
    if (dirty)
        return kNtfsMergeDirty;
    s.records = s.mft.GetRecordCount();
    if (!s.used.Create(s.clusters) || !s.live.Create(s.records))
        return kNtfsMergeOutOfMemory;
    s.parent.assign(size_t(s.records), -1);
    s.base.assign(size_t(s.records), 0);
    s.dropped.assign(size_t(s.records), 0);
    if (withProgress) {
        m_progress->BeginStep(-1);
        m_progress->SetStepTotal(s.records);
        m_progress->EnableUserCancel(1);
    }
    KBitmap& inUse = s.mft.RecordBitmap();
    KNtfsFileRecord record;
    for (int64_t n = 0; n < s.records; ++n) {
        if (withProgress) {
            if (cancelled())
                return kNtfsMergeCancelled;
            m_progress->Tick();
        }
        if (!inUse.Test(n))
            continue;
        if (!s.mft.ReadRecord(n, record))
            return kNtfsMergeBadRecord;
        if (!record.IsInUse())
            continue;
        s.live.SetRange(n, true, 1);
        s.base[size_t(n)] = int64_t(record.GetBaseReference() & kRefMask);
        const int name = record.FindAttribute(kAttrFileName);
        if (name >= 0) {
            const KNtfsAttribute& a = record.GetAttribute(size_t(name));
            if (!a.IsNonResident() && a.GetValueLength() >= 0x42)
                s.parent[size_t(n)] = int64_t(le64(a.GetValuePointer()) & kRefMask);
        }
        for (size_t i = 0; i < record.GetAttributeCount(); ++i) {
            const KNtfsAttribute& a = record.GetAttribute(i);
            if (a.GetType() == kAttrIndexRoot && a.IsNonResident())
                return kNtfsMergeNonResidentRoot;
            if (!a.IsNonResident())
                continue;
            KNtfsRunList runs;
            if (!a.GetRunList(runs))
                return kNtfsMergeBadRunList;
            const bool bad = n == kRecBadClus && a.GetType() == kAttrData;
            for (const KDataRun& run : runs) {
                if (run.Lcn < 0)
                    continue;
                if (run.Lcn >= s.clusters || run.Length > s.clusters - run.Lcn)
                    return kNtfsMergeBadRunList;
                if (NextBit(s.used, run.Lcn, run.Lcn + run.Length, true) < run.Lcn + run.Length)
                    return kNtfsMergeBitmapMismatch; // two files on one cluster
                s.used.SetRange(run.Lcn, true, run.Length);
                if (bad)
                    s.bad.Add(run);
            }
        }
    }
    if (withProgress)
        m_progress->CompleteStep();
    if (!BitmapMatchesFiles(s.bitmap, s.used, s.clusters))
        return kNtfsMergeBitmapMismatch;
    // Records the merge needs whole.
    for (int64_t n : {kRecMft, kRecLogFile, kRecRoot, kRecBitmap, kRecBoot, kRecBadClus, kRecUpcase})
        if (!s.live.Test(n))
            return n == kRecRoot || n == kRecBoot || n == kRecUpcase ? kNtfsMergeNoBootOrUpcase : kNtfsMergeNoSystemData;
    return kNtfsMergeOk;
}

// The renumbered volume's own system files go, with everything under its $Extend and the extension
// records of what goes; its other records stay.
bool Merge::isDropped(Side& s, int64_t n)
{
    if (!s.renumbered)
        return false;
    std::vector<int64_t> chain;
    bool result = false;
    for (int64_t at = n, depth = 0;; ++depth) {
        uint8_t& state = s.dropped[size_t(at)];
        if (state == 1 || state == 2) {
            result = state == 1;
            break;
        }
        if (state == 3 || depth > 4096) { // a loop of parents: keep what is in it
            result = false;
            break;
        }
        if ((at < kFirstUserRecord && at != kRecRoot) || at == kRecExtend) {
            result = true;
            chain.push_back(at);
            break;
        }
        if (at == kRecRoot) {
            result = false;
            chain.push_back(at);
            break;
        }
        state = 3;
        chain.push_back(at);
        const int64_t base = s.base[size_t(at)], parent = s.parent[size_t(at)];
        const int64_t next = base ? base : parent;
        if (next < 0 || next >= s.records) {
            result = false;
            break;
        }
        at = next;
    }
    for (int64_t c : chain)
        s.dropped[size_t(c)] = result ? 1 : 2;
    return result;
}

// A second volume off the first one's cluster grid is shifted down by the misalignment: every cluster
// it uses, in ascending order (each write lands below what is still to be read).
int Merge::moveSecond()
{
    m_progress->SetProcessName(kProcessMoving);
    CopyEngine::Plan plan;
    KBitmap move = m_second.used;
    for (int64_t c = 0; c < m_second.clusters; c += 8) {
        const int64_t bytes = c >> 3;
        move.Data()[bytes] |= m_second.bitmap.Data()[bytes];
    }
    for (const KDataRun& r : m_second.bad)
        move.SetRange(r.Lcn, false, r.Length);
    ForEachSetRun(move, m_second.clusters, [&](int64_t c, int64_t count) {
        plan.Copy(m_req.secondStart + c * m_spc, m_req.secondStart - m_h + c * m_spc, count * m_spc);
    });
    CopyEngine::Job job;
    job.Source = job.Target = m_req.device;
    job.SameMedium = true;
    job.TargetFirst = m_req.firstStart + m_clusterOffset * m_spc;
    job.TargetCount = m_second.vol.TotalSectors;
    switch (CopyEngine::Run(job, plan, m_progress)) {
    case CopyEngine::kOk:
        return kNtfsMergeOk;
    case CopyEngine::kReadFailed:
        return kNtfsMergeReadFailed;
    case CopyEngine::kWriteFailed:
        return kNtfsMergeWriteFailed;
    case CopyEngine::kOutOfMemory:
        return kNtfsMergeOutOfMemory;
    case CopyEngine::kCancelled:
        return kNtfsMergeCancelled;
    default:
        return kNtfsMergeBadArgument;
    }
}

// Takes `clusters` free clusters of the working map (in as few runs as the free space allows).
int Merge::take(int64_t clusters, KNtfsRunList& out)
{
    out.Clear();
    int64_t vcn = 0;
    for (int pass = 0; pass < 2 && vcn < clusters; ++pass) {
        for (int64_t at = NextBit(m_work, m_cursor, m_mergedClusters, false); at < m_mergedClusters && vcn < clusters;) {
            const int64_t end = NextBit(m_work, at, std::min(m_mergedClusters, at + (clusters - vcn)), true);
            m_work.SetRange(at, true, end - at);
            out.Add(KDataRun{at, vcn, end - at});
            vcn += end - at;
            m_cursor = end;
            at = NextBit(m_work, end, m_mergedClusters, false);
        }
        m_cursor = 0;
    }
    out.Coalesce();
    return vcn < clusters ? kNtfsMergeNoRoom : kNtfsMergeOk;
}

// The merged volume's geometry, the working map, the new MFT and bitmaps' clusters, the folder's name
// and what security and collation need.
int Merge::plan()
{
    m_merged = m_first.vol;
    m_merged.Device = target();
    m_merged.VolumeStart = m_req.firstStart;
    m_merged.TotalSectors = m_mergedTotal;
    if (!m_work.Create(m_mergedClusters) || !m_final.Create(m_mergedClusters) || !m_recordBits.Create(m_records))
        return kNtfsMergeOutOfMemory;
    // Nothing either volume holds may be written over before the boot sector changes, nor the first
    // volume's backup boot sector.
    for (Side* s : {&m_first, &m_second})
        for (int64_t c = 0; c < s->clusters; ++c) {
            if ((c & 7) == 0 && c + 8 <= s->clusters && !(s->used.Data()[c >> 3] | s->bitmap.Data()[c >> 3])) {
                c += 7;
                continue;
            }
            if (s->used.Test(c) || s->bitmap.Test(c))
                m_work.SetRange(s->clusterShift + c, true, 1);
        }
    const int64_t firstBackup = m_first.vol.TotalSectors / m_spc;
    if (firstBackup < m_mergedClusters)
        m_work.SetRange(firstBackup, true, 1);
    m_workStart = m_work;

    for (Side* s : {&m_first, &m_second}) {
        KBitmap& bits = s->live;
        for (int64_t n = 0; n < s->records; ++n)
            if (bits.Test(n) && !isDropped(*s, n))
                m_recordBits.SetRange(s->recordShift + n, true, 1);
    }

    // The merged MFT and the two bitmaps.
    const int64_t cb = m_merged.ClusterBytes();
    if (const int rc = take(DivideUp(uint64_t(m_records * m_recordBytes), uint64_t(cb)), m_mftRuns))
        return rc;
    if (const int rc = take(DivideUp(RoundUp(DivideUp(uint64_t(m_records), 8), 8), uint64_t(cb)), m_mftBitmapRuns))
        return rc;
    if (const int rc = take(DivideUp(RoundUp(DivideUp(uint64_t(m_mergedClusters), 8), 8), uint64_t(cb)), m_bitmapRuns))
        return rc;

    // $Boot of the first volume is the merged volume's.
    KNtfsFileRecord boot;
    if (!m_first.mft.ReadRecord(kRecBoot, boot) || boot.FindAttribute(kAttrData) < 0)
        return kNtfsMergeNoBootOrUpcase;
    m_firstBootData = boot.GetAttribute(size_t(boot.FindAttribute(kAttrData)));

    // The kept volume's upper-case table orders the kept root's index.
    KNtfsFileRecord upcase;
    if (!m_kept->mft.ReadRecord(kRecUpcase, upcase) || upcase.FindAttribute(kAttrData) < 0)
        return kNtfsMergeNoBootOrUpcase;
    const KNtfsAttribute& table = upcase.GetAttribute(size_t(upcase.FindAttribute(kAttrData)));
    std::vector<uint8_t> bytes(0x20000, 0);
    if (!table.IsNonResident() || table.GetDataSize() < int64_t(bytes.size()) ||
        table.ReadData(m_kept->vol, bytes.data(), int64_t(bytes.size())) < int64_t(bytes.size()))
        return kNtfsMergeNoBootOrUpcase;
    m_upcase.resize(0x10000);
    for (size_t i = 0; i < m_upcase.size(); ++i)
        m_upcase[i] = le16(bytes.data() + 2 * i);

    // The folder: the renumbered root's $FILE_NAME, with the kept root as its parent and its own times.
    KNtfsFileRecord keptRoot, otherRoot;
    if (!m_kept->mft.ReadRecord(kRecRoot, keptRoot) || !m_other->mft.ReadRecord(kRecRoot, otherRoot))
        return kNtfsMergeNoBootOrUpcase;
    const int si = otherRoot.FindAttribute(kAttrStandardInformation);
    if (si < 0 || otherRoot.GetAttribute(size_t(si)).GetValueLength() < 0x24)
        return kNtfsMergeNoFileName;
    const uint8_t* info = otherRoot.GetAttribute(size_t(si)).GetValuePointer();
    const KNtfsString& name = m_req.folder;
    m_folderName.assign(0x42 + 2 * name.GetCount(), 0);
    uint8_t* fn = m_folderName.data();
    put_le64(fn, uint64_t(kRecRoot) | (uint64_t(keptRoot.GetSequence()) << 48));
    std::memcpy(fn + 0x08, info, 0x20);
    put_le32(fn + 0x38, (le32(info + 0x20) & ~(kFileAttrHidden | kFileAttrSystem)) | kFileNameDirectory);
    fn[0x40] = uint8_t(name.GetCount());
    // A short upper-case name is its own DOS name; any other is a Win32 name.
    bool dos = name.GetCount() <= 12;
    size_t dots = 0, dot = 0;
    for (size_t i = 0; i < name.GetCount(); ++i) {
        const char16_t c = name[i];
        if (c == u'.') {
            ++dots;
            dot = i;
        } else if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || std::u16string_view(u"!#$%&'()-@^_`{}~").find(c) != std::u16string_view::npos)) {
            dos = false;
        }
        put_le16(fn + 0x42 + 2 * i, c);
    }
    const size_t baseLength = dots ? dot : name.GetCount(), extLength = dots ? name.GetCount() - dot - 1 : 0;
    dos = dos && dots <= 1 && baseLength >= 1 && baseLength <= 8 && extLength <= 3 && (!dots || extLength >= 1);
    fn[0x41] = dos ? 3 : 1;
    m_folderReference = uint64_t(m_other->recordShift + kRecRoot) | (uint64_t(otherRoot.GetSequence()) << 48);

    if (const int rc = readSecurity(*m_kept, true))
        return rc;
    return readSecurity(*m_other, false);
}

// The security descriptors of $Secure:$SDS by id (the renumbered volume's) or the kept volume's ids by
// descriptor. A $Secure that cannot be read leaves the map empty.
int Merge::readSecurity(Side& s, bool kept)
{
    KNtfsFileRecord secure;
    if (!s.mft.ReadRecord(kRecSecure, secure))
        return kNtfsMergeOk;
    static const char16_t kSds[] = u"$SDS";
    const int at = secure.FindAttribute(kAttrData, 0, KNtfsString(kSds), false);
    if (at < 0 || !secure.GetAttribute(size_t(at)).IsNonResident())
        return kNtfsMergeOk;
    const KNtfsAttribute& sds = secure.GetAttribute(size_t(at));
    const int64_t size = sds.GetDataSize();
    if (size <= 0 || size > (int64_t(64) << 20))
        return kNtfsMergeOk;
    std::vector<uint8_t> data(static_cast<size_t>(RoundUp(uint64_t(size), uint64_t(kSector))));
    if (sds.ReadData(s.vol, data.data(), int64_t(data.size())) < size)
        return kNtfsMergeOk;
    constexpr int64_t kBlock = 0x40000;
    for (int64_t off = 0; off + 20 <= size;) {
        if ((off / kBlock) % 2) { // the mirror half
            off = (off / kBlock + 1) * kBlock;
            continue;
        }
        const uint8_t* e = data.data() + off;
        const uint32_t id = le32(e + 4), length = le32(e + 16);
        if (int64_t(le64(e + 8)) != off || length < 20 + 20 || off + length > size || (off % kBlock) + length > kBlock) {
            off += 16;
            continue;
        }
        std::vector<uint8_t> descriptor(e + 20, e + length);
        if (kept)
            m_keptIds.emplace(descriptor, id);
        else
            m_otherDescriptors.emplace(id, std::move(descriptor));
        off += RoundUp(length, 16);
    }
    if (!kept)
        m_otherSecurityKnown = true;
    return kNtfsMergeOk;
}

int Merge::walk()
{
    if (!m_mft.OpenStaged(m_merged, m_mftRuns, m_records, m_recordBits, &m_work, nullptr))
        return kNtfsMergeOutOfMemory;
    const int64_t carried = m_kept->records + m_other->records;
    m_progress->BeginStep(-1);
    m_progress->SetStepTotal(carried);
    m_progress->EnableUserCancel(m_checking ? 1 : 0);
    for (int64_t m = 0; m < carried; ++m) {
        if (m_checking && cancelled())
            return kNtfsMergeCancelled;
        m_progress->SetStepPosition(m);
        if (m_mft.RecordBitmap().Test(m) && !m_recordBits.Test(m))
            continue; // an extension record a record written before took
        Side& s = m < m_kept->records ? *m_kept : *m_other;
        const int64_t n = m - s.recordShift;
        const int rc = m_recordBits.Test(m) ? carry(s, n, m) : carryFree(s, n, m);
        if (rc)
            return rc;
        if (m_mft.StagedBytes() > kStagedLimitBytes && !m_mft.FlushStaged(m_checking))
            return kNtfsMergeWriteFailed;
    }
    for (int64_t m = carried; m < m_records; ++m) {
        if (m_mft.RecordBitmap().Test(m))
            continue;
        KNtfsFileRecord blank;
        if (!BlankRecord(m, size_t(m_recordBytes), blank) || !m_mft.WriteRecord(m, blank))
            return kNtfsMergeWriteFailed;
    }
    if (!m_mft.FlushStaged(m_checking))
        return kNtfsMergeWriteFailed;
    m_progress->CompleteStep();
    return kNtfsMergeOk;
}

// A slot that is not in use: the old record, marked free, keeps its sequence number.
int Merge::carryFree(Side& s, int64_t n, int64_t m)
{
    std::vector<uint8_t> raw;
    KNtfsFileRecord rec;
    if (s.mft.ReadRawRecord(n, raw) && rec.Load(raw.data(), raw.size())) {
        uint8_t header[kRecHeaderEnd];
        std::memcpy(header, rec.GetHeader(), sizeof header);
        put_le16(header + kRecFlags, uint16_t(le16(header + kRecFlags) & ~kRecordInUse));
        put_le32(header + kRecNumber, uint32_t(m));
        rec.SetHeader(header);
        std::vector<uint8_t> check;
        if (rec.Serialize(check, size_t(m_recordBytes)))
            return m_mft.WriteRecord(m, rec) ? kNtfsMergeOk : kNtfsMergeWriteFailed;
    }
    KNtfsFileRecord blank;
    if (!BlankRecord(m, size_t(m_recordBytes), blank) || !m_mft.WriteRecord(m, blank))
        return kNtfsMergeWriteFailed;
    return kNtfsMergeOk;
}

int Merge::carry(Side& s, int64_t n, int64_t m)
{
    KNtfsFileRecord rec;
    if (!s.mft.ReadRecord(n, rec))
        return kNtfsMergeBadRecord;
    uint8_t header[kRecHeaderEnd];
    std::memcpy(header, rec.GetHeader(), sizeof header);
    put_le32(header + kRecNumber, uint32_t(m));
    if (s.renumbered && (le64(header + kRecBaseRecord) & kRefMask))
        put_le64(header + kRecBaseRecord, le64(header + kRecBaseRecord) + uint64_t(s.recordShift));
    rec.SetHeader(header);

    const bool root = n == kRecRoot;
    if (root) {
        if (const int rc = joinRoot(s, rec, !s.renumbered))
            return rc;
    } else if (s.renumbered) {
        if (const int rc = renumberAttributes(s, rec, n))
            return rc;
    }
    // Clusters move with the volume: every run list that is still the old one gains the shift.
    if (s.clusterShift)
        for (size_t i = 0; i < rec.GetAttributeCount(); ++i) {
            KNtfsAttribute& a = rec.GetAttribute(i);
            if (!a.IsNonResident() || (root && a.GetType() == kAttrIndexAllocation && a.GetName() == i30()))
                continue;
            if (s.renumbered && (a.GetType() == kAttrIndexAllocation || a.GetType() == kAttrAttributeList) &&
                (a.GetType() == kAttrAttributeList || a.GetName() == i30()))
                continue; // rewritten into new clusters already
            KNtfsRunList runs;
            if (!a.GetRunList(runs) || !a.SetRunList(shifted(runs, s.clusterShift)))
                return kNtfsMergeBadRunList;
        }
    if (s.renumbered) {
        if (const int rc = mapSecurity(rec))
            return rc;
    } else if (n < kFirstUserRecord) {
        if (const int rc = systemRecord(n, rec))
            return rc;
    }
    return store(rec, m);
}

// Notes the record's clusters in the final bitmap and stages it; a record that outgrows its slot
// spills into extension records.
int Merge::store(KNtfsFileRecord& rec, int64_t m)
{
    for (size_t i = 0; i < rec.GetAttributeCount(); ++i) {
        const KNtfsAttribute& a = rec.GetAttribute(i);
        KNtfsRunList runs;
        if (!a.IsNonResident())
            continue;
        if (!a.GetRunList(runs))
            return kNtfsMergeBadRunList;
        for (const KDataRun& r : runs)
            if (r.Lcn >= 0 && !m_final.SetRange(r.Lcn, true, r.Length))
                return kNtfsMergeBadRunList;
    }
    std::vector<uint8_t> image;
    if (rec.Serialize(image, size_t(m_recordBytes)))
        return m_mft.WriteRecord(m, rec) ? kNtfsMergeOk : kNtfsMergeWriteFailed;
    if (rec.HasAttributeList() || (rec.GetBaseReference() & kRefMask))
        return kNtfsMergeNoRoom;
    return rec.Commit(m_mft, m) ? kNtfsMergeOk : kNtfsMergeNoRoom;
}

// A non-resident attribute's data read whole, changed, and written to clusters of its own.
int Merge::rewriteData(Side& s, KNtfsAttribute& a, const std::function<int(std::vector<uint8_t>&, int64_t)>& change)
{
    const int64_t cb = m_merged.ClusterBytes();
    const int64_t allocated = a.GetAllocatedSize(), size = a.GetDataSize();
    if (a.GetStartingVcn() != 0 || allocated <= 0 || allocated % cb || size > allocated || a.GetLastVcn() + 1 != allocated / cb)
        return kNtfsMergeIndexDamaged;
    std::vector<uint8_t> data(size_t(RoundUp(uint64_t(allocated), uint64_t(kSector))), 0);
    if (a.ReadData(s.vol, data.data(), int64_t(data.size())) < size)
        return kNtfsMergeReadFailed;
    if (const int rc = change(data, size))
        return rc;
    KNtfsRunList runs;
    if (const int rc = take(allocated / cb, runs))
        return rc;
    if (!a.SetRunList(runs))
        return kNtfsMergeBadRunList;
    return a.WriteData(m_merged, data.data(), size) ? kNtfsMergeOk : kNtfsMergeWriteFailed;
}

// References into the renumbered volume gain the record offset: parents, attribute lists and the
// entries of every $I30 index.
int Merge::renumberAttributes(Side& s, KNtfsFileRecord& rec, int64_t)
{
    const int64_t shift = s.recordShift;
    const auto renumberList = [&](std::vector<uint8_t>& list, int64_t size) {
        KNtfsAttributeList parsed;
        if (!parsed.Parse(list.data(), size_t(size)))
            return int(kNtfsMergeBadRecord);
        for (int64_t at = 0; at + 0x1A <= size;) {
            const uint16_t length = le16(list.data() + at + 4);
            if (length < 0x1A)
                break;
            put_le64(list.data() + at + 0x10, le64(list.data() + at + 0x10) + uint64_t(shift));
            at += length;
        }
        return int(kNtfsMergeOk);
    };
    for (size_t i = 0; i < rec.GetAttributeCount(); ++i) {
        KNtfsAttribute& a = rec.GetAttribute(i);
        const uint32_t type = a.GetType();
        if (type == kAttrFileName && !a.IsNonResident()) {
            std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
            if (value.size() < 8)
                return kNtfsMergeNoFileName;
            put_le64(value.data(), le64(value.data()) + uint64_t(shift));
            a.SetValue(value.data(), value.size());
        } else if (type == kAttrAttributeList) {
            if (!a.IsNonResident()) {
                std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
                if (const int rc = renumberList(value, int64_t(value.size())))
                    return rc;
                a.SetValue(value.data(), value.size());
            } else if (const int rc = rewriteData(s, a, renumberList)) {
                return rc;
            }
        } else if (type == kAttrIndexRoot && a.GetName() == i30()) {
            std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
            if (!renumberNode(value.data(), value.size(), 0x10, shift))
                return kNtfsMergeIndexDamaged;
            a.SetValue(value.data(), value.size());
        } else if (type == kAttrIndexAllocation && a.GetName() == i30()) {
            const int64_t blockBytes = m_indexBytes;
            const int rc = rewriteData(s, a, [&](std::vector<uint8_t>& data, int64_t size) {
                for (int64_t at = 0; at + blockBytes <= size; at += blockBytes) {
                    uint8_t* block = data.data() + at;
                    if (std::memcmp(block, "INDX", 4) != 0)
                        continue; // never used
                    if (!UndoFixups(block, size_t(blockBytes)) || !renumberNode(block, size_t(blockBytes), 0x18, shift) ||
                        !ApplyFixups(block, size_t(blockBytes)))
                        return int(kNtfsMergeIndexDamaged);
                }
                return int(kNtfsMergeOk);
            });
            if (rc)
                return rc;
        }
    }
    return kNtfsMergeOk;
}

// The renumbered volume's security ids mean nothing in the kept $Secure: an id whose descriptor the
// kept volume has is changed to the kept one's; any other descriptor moves into the file itself.
int Merge::mapSecurity(KNtfsFileRecord& rec)
{
    const int si = rec.FindAttribute(kAttrStandardInformation);
    if (si < 0 || rec.GetAttribute(size_t(si)).GetValueLength() < 0x38)
        return kNtfsMergeOk;
    KNtfsAttribute& a = rec.GetAttribute(size_t(si));
    std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
    const uint32_t id = le32(value.data() + 0x34);
    if (id == 0)
        return kNtfsMergeOk;
    if (!m_otherSecurityKnown)
        return kNtfsMergeNoSystemData;
    const auto descriptor = m_otherDescriptors.find(id);
    if (descriptor == m_otherDescriptors.end())
        return kNtfsMergeNoSystemData;
    const auto kept = m_keptIds.find(descriptor->second);
    if (kept != m_keptIds.end()) {
        put_le32(value.data() + 0x34, kept->second);
        a.SetValue(value.data(), value.size());
        return kNtfsMergeOk;
    }
    put_le32(value.data() + 0x34, 0);
    a.SetValue(value.data(), value.size());
    if (rec.FindAttribute(kAttrSecurityDescriptor, 0, {}, true) < 0) {
        rec.AddAttribute(ResidentAttribute(kAttrSecurityDescriptor, {}, descriptor->second));
        rec.SortAttributes();
    }
    return kNtfsMergeOk;
}

// The kept volume's system files describe the merged volume: the new MFT and its bitmap, the new
// $Bitmap, the first volume's boot region, and the bad clusters of both.
int Merge::systemRecord(int64_t n, KNtfsFileRecord& rec)
{
    const int64_t cb = m_merged.ClusterBytes();
    if (n == kRecMft) {
        if (rec.HasAttributeList())
            return kNtfsMergeNoSystemData;
        const int data = rec.FindAttribute(kAttrData), bitmap = rec.FindAttribute(kAttrBitmap, 0, {}, true);
        if (data < 0 || bitmap < 0)
            return kNtfsMergeNoSystemData;
        KNtfsAttribute& d = rec.GetAttribute(size_t(data));
        KNtfsAttribute& b = rec.GetAttribute(size_t(bitmap));
        if (!d.IsNonResident())
            return kNtfsMergeNoSystemData;
        if (!b.IsNonResident())
            return kNtfsMergeResidentBitmap;
        const int64_t mftBytes = m_records * m_recordBytes;
        d.SetRunList(m_mftRuns);
        d.SetVcnRange(0, m_mftRuns.GetTotalClusters() - 1);
        d.SetSizes(m_mftRuns.GetTotalClusters() * cb, mftBytes, mftBytes);
        const int64_t bitmapBytes = int64_t(RoundUp(DivideUp(uint64_t(m_records), 8), 8));
        b.SetRunList(m_mftBitmapRuns);
        b.SetVcnRange(0, m_mftBitmapRuns.GetTotalClusters() - 1);
        b.SetSizes(m_mftBitmapRuns.GetTotalClusters() * cb, bitmapBytes, bitmapBytes);
        m_mftBitmapAttr = b;
    } else if (n == kRecLogFile) {
        const int data = rec.FindAttribute(kAttrData);
        if (data < 0 || !rec.GetAttribute(size_t(data)).IsNonResident() ||
            !rec.GetAttribute(size_t(data)).GetRunList(m_logRuns))
            return kNtfsMergeNoSystemData;
    } else if (n == kRecBitmap) {
        const int data = rec.FindAttribute(kAttrData);
        if (data < 0)
            return kNtfsMergeNoSystemData;
        KNtfsAttribute& d = rec.GetAttribute(size_t(data));
        const int64_t bytes = int64_t(RoundUp(DivideUp(uint64_t(m_mergedClusters), 8), 8));
        d.SetRunList(m_bitmapRuns);
        d.SetVcnRange(0, m_bitmapRuns.GetTotalClusters() - 1);
        d.SetSizes(m_bitmapRuns.GetTotalClusters() * cb, bytes, bytes);
        m_bitmapAttr = d;
    } else if (n == kRecBoot && !m_req.extendFirst) {
        const int data = rec.FindAttribute(kAttrData);
        if (data < 0)
            return kNtfsMergeNoBootOrUpcase;
        KNtfsAttribute boot = m_firstBootData;
        boot.SetId(rec.GetAttribute(size_t(data)).GetId());
        rec.ReplaceAttribute(size_t(data), boot);
    } else if (n == kRecBadClus) {
        static const char16_t kBad[] = u"$Bad";
        const int data = rec.FindAttribute(kAttrData, 0, KNtfsString(kBad), false);
        if (data < 0 || !rec.GetAttribute(size_t(data)).IsNonResident() ||
            rec.GetAttribute(size_t(data)).GetStartingVcn() != 0)
            return kNtfsMergeNoSystemData;
        std::vector<KDataRun> bad;
        for (const Side* s : {&m_first, &m_second})
            for (KDataRun r : s->bad) {
                r.Lcn += s->clusterShift;
                bad.push_back(r);
            }
        std::sort(bad.begin(), bad.end(), [](const KDataRun& x, const KDataRun& y) { return x.Lcn < y.Lcn; });
        KNtfsRunList runs;
        int64_t vcn = 0;
        for (const KDataRun& r : bad) {
            if (r.Lcn > vcn)
                runs.Add(KDataRun{-1, vcn, r.Lcn - vcn});
            runs.Add(KDataRun{r.Lcn, r.Lcn, r.Length});
            vcn = r.Lcn + r.Length;
        }
        if (vcn < m_mergedClusters)
            runs.Add(KDataRun{-1, vcn, m_mergedClusters - vcn});
        KNtfsAttribute& d = rec.GetAttribute(size_t(data));
        const bool initialized = d.GetInitializedSize() == d.GetDataSize();
        d.SetRunList(runs);
        d.SetVcnRange(0, m_mergedClusters - 1);
        d.SetSizes(m_mergedClusters * cb, m_mergedClusters * cb, initialized ? m_mergedClusters * cb : 0);
    }
    return kNtfsMergeOk;
}

// Name order of $I30: case-insensitive through the kept volume's upper-case table.
int Merge::compareNames(const uint8_t* a, size_t aUnits, const uint8_t* b, size_t bUnits) const
{
    for (size_t i = 0; i < std::min(aUnits, bUnits); ++i) {
        const uint16_t x = m_upcase[le16(a + 2 * i)], y = m_upcase[le16(b + 2 * i)];
        if (x != y)
            return x < y ? -1 : 1;
    }
    return aUnits == bUnits ? 0 : (aUnits < bUnits ? -1 : 1);
}

// Every entry of a directory's $I30 index in order, without child pointers.
int Merge::gatherIndex(Side& s, const KNtfsFileRecord& rec, Entries& out)
{
    const int ri = rec.FindAttribute(kAttrIndexRoot, 0, i30(), false);
    if (ri < 0)
        return kNtfsMergeNoBootOrUpcase;
    const KNtfsAttribute& root = rec.GetAttribute(size_t(ri));
    if (root.IsNonResident())
        return kNtfsMergeNonResidentRoot;
    const std::vector<uint8_t> value(root.GetValuePointer(), root.GetValuePointer() + root.GetValueLength());
    if (value.size() < 0x20)
        return kNtfsMergeIndexDamaged;
    std::vector<uint8_t> allocation;
    const int64_t blockBytes = m_indexBytes;
    const int64_t unit = blockBytes >= m_merged.ClusterBytes() ? m_merged.ClusterBytes() : kSector;
    if (value[0x1C] & 1) {
        const int ai = rec.FindAttribute(kAttrIndexAllocation, 0, i30(), false);
        if (ai < 0)
            return kNtfsMergeNoRootAllocation;
        if (rec.FindAttribute(kAttrBitmap, 0, i30(), false) < 0)
            return kNtfsMergeNoRootBitmap;
        const KNtfsAttribute& a = rec.GetAttribute(size_t(ai));
        const int64_t size = a.GetDataSize();
        if (!a.IsNonResident() || size <= 0 || size > (int64_t(1) << 31))
            return kNtfsMergeIndexDamaged;
        allocation.assign(size_t(RoundUp(uint64_t(size), uint64_t(kSector))), 0);
        if (a.ReadData(s.vol, allocation.data(), int64_t(allocation.size())) < size)
            return kNtfsMergeIndexDamaged;
        allocation.resize(size_t(size));
    }
    std::set<int64_t> visited;
    std::function<bool(const uint8_t*, size_t, size_t, int)> walkNode = [&](const uint8_t* node, size_t size, size_t header,
                                                                            int depth) -> bool {
        if (depth > kMaxIndexDepth)
            return false;
        return forEachEntry(node, size, header, [&](size_t at, uint16_t length, uint16_t, uint16_t flags) {
            if (flags & kEntryHasChild) {
                const int64_t vcn = int64_t(le64(node + at + length - 8));
                if (vcn < 0 || (vcn * unit) % blockBytes)
                    return false;
                const int64_t offset = vcn * unit;
                if (offset + blockBytes > int64_t(allocation.size()) || !visited.insert(vcn).second)
                    return false;
                std::vector<uint8_t> block(allocation.begin() + offset, allocation.begin() + offset + blockBytes);
                if (std::memcmp(block.data(), "INDX", 4) != 0 || !UndoFixups(block.data(), block.size()) ||
                    !walkNode(block.data(), block.size(), 0x18, depth + 1))
                    return false;
            }
            if (flags & kEntryLast)
                return true;
            const size_t keep = length - ((flags & kEntryHasChild) ? 8 : 0);
            std::vector<uint8_t> entry(node + at, node + at + keep);
            put_le16(entry.data() + 8, uint16_t(keep));
            put_le16(entry.data() + 12, 0);
            out.push_back(std::move(entry));
            return true;
        });
    };
    return walkNode(value.data(), value.size(), 0x10, 0) ? kNtfsMergeOk : kNtfsMergeIndexDamaged;
}

// The two roots: the kept one gains the folder's entry, the renumbered one becomes the folder (its
// system files' entries and its own "." gone, the rest renumbered). Both indexes are rebuilt into
// clusters of their own.
int Merge::joinRoot(Side& s, KNtfsFileRecord& rec, bool keptRoot)
{
    Entries entries;
    if (const int rc = gatherIndex(s, rec, entries))
        return rc;
    if (rec.HasAttributeList())
        return kNtfsMergeIndexFull;
    if (keptRoot) {
        const uint8_t* name = m_folderName.data() + 0x42;
        const size_t units = m_folderName[0x40];
        size_t at = 0;
        for (; at < entries.size(); ++at) {
            const std::vector<uint8_t>& e = entries[at];
            const size_t keyLength = le16(e.data() + 10);
            if (keyLength < 0x42 || 0x10 + 0x42 + 2 * size_t(e[0x10 + 0x40]) > e.size())
                return kNtfsMergeIndexDamaged;
            const int order = compareNames(name, units, e.data() + 0x10 + 0x42, e[0x10 + 0x40]);
            if (order == 0)
                return kNtfsMergeIndexFull; // the name is taken
            if (order < 0)
                break;
        }
        std::vector<uint8_t> entry(RoundUp(0x10 + m_folderName.size(), 8), 0);
        put_le64(entry.data(), m_folderReference);
        put_le16(entry.data() + 8, uint16_t(entry.size()));
        put_le16(entry.data() + 10, uint16_t(m_folderName.size()));
        std::memcpy(entry.data() + 0x10, m_folderName.data(), m_folderName.size());
        entries.insert(entries.begin() + ptrdiff_t(at), std::move(entry));
    } else {
        Entries kept;
        for (auto& e : entries) {
            const int64_t ref = int64_t(le64(e.data()) & kRefMask);
            if (ref == kRecRoot || (ref < s.records && s.live.Test(ref) && isDropped(s, ref)) ||
                (ref < kFirstUserRecord && ref != kRecRoot))
                continue;
            put_le64(e.data(), le64(e.data()) + uint64_t(s.recordShift));
            if (le16(e.data() + 10) >= 8)
                put_le64(e.data() + 0x10, le64(e.data() + 0x10) + uint64_t(s.recordShift));
            kept.push_back(std::move(e));
        }
        entries = std::move(kept);
        // Its name is the folder's, its parent the kept root; it is shown like any folder.
        for (int fn; (fn = rec.FindAttribute(kAttrFileName, 0, {}, true)) >= 0;)
            rec.RemoveAttribute(size_t(fn));
        rec.AddAttribute(ResidentAttribute(kAttrFileName, {}, m_folderName));
        rec.SortAttributes();
        const int si = rec.FindAttribute(kAttrStandardInformation);
        if (si >= 0 && rec.GetAttribute(size_t(si)).GetValueLength() >= 0x24) {
            KNtfsAttribute& a = rec.GetAttribute(size_t(si));
            std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
            put_le32(value.data() + 0x20, le32(value.data() + 0x20) & ~(kFileAttrHidden | kFileAttrSystem));
            a.SetValue(value.data(), value.size());
        }
        uint8_t header[kRecHeaderEnd];
        std::memcpy(header, rec.GetHeader(), sizeof header);
        put_le16(header + kRecLinkCount, 1);
        rec.SetHeader(header);
    }

    // Room in the record for the root's entries: everything else stays as it is.
    for (int i; (i = rec.FindAttribute(kAttrIndexAllocation, 0, i30(), false)) >= 0;)
        rec.RemoveAttribute(size_t(i));
    for (int i; (i = rec.FindAttribute(kAttrBitmap, 0, i30(), false)) >= 0;)
        rec.RemoveAttribute(size_t(i));
    const int ri = rec.FindAttribute(kAttrIndexRoot, 0, i30(), false);
    KNtfsAttribute root = rec.GetAttribute(size_t(ri));
    std::vector<uint8_t> value(root.GetValuePointer(), root.GetValuePointer() + 0x20);
    put_le32(value.data() + 0x10, 0x10);
    rec.GetAttribute(size_t(ri)).SetValue(value.data(), value.size());
    size_t used = RoundUp(kRecHeaderEnd + 2 * UsaCount(size_t(m_recordBytes)), 8) + 8;
    for (size_t i = 0; i < rec.GetAttributeCount(); ++i)
        used += RoundUp(rec.GetAttribute(i).Length(), 8);
    if (used > size_t(m_recordBytes))
        return kNtfsMergeIndexFull;
    const size_t smallCap = size_t(m_recordBytes) - used;
    for (size_t reserve = 0x100; reserve < smallCap; reserve += 0x100) {
        Built built;
        if (!BuildIndex(entries, smallCap, smallCap - reserve, m_indexBytes, m_merged.ClusterBytes(), built))
            return kNtfsMergeIndexFull;
        KNtfsFileRecord trial = rec;
        std::vector<uint8_t> full = value;
        full.insert(full.end(), built.root.begin(), built.root.end());
        put_le32(full.data() + 0x14, uint32_t(0x10 + built.root.size()));
        put_le32(full.data() + 0x18, uint32_t(0x10 + built.root.size()));
        full[0x1C] = built.large ? 1 : 0;
        trial.GetAttribute(size_t(ri)).SetValue(full.data(), full.size());
        std::vector<uint8_t> blocks;
        KNtfsRunList runs;
        if (built.large) {
            for (const auto& b : built.blocks)
                blocks.insert(blocks.end(), b.begin(), b.end());
            const int64_t cb = m_merged.ClusterBytes();
            const int64_t clusters = DivideUp(uint64_t(blocks.size()), uint64_t(cb));
            // The clusters are only taken once the record is known to fit.
            KNtfsRunList probe;
            probe.Add(KDataRun{m_mergedClusters, 0, clusters});
            trial.AddAttribute(NonResidentAttribute(kAttrIndexAllocation, i30(), probe, int64_t(blocks.size()), cb));
            std::vector<uint8_t> bits(RoundUp(DivideUp(built.blocks.size(), 8), 8), 0);
            for (size_t k = 0; k < built.blocks.size(); ++k)
                bits[k / 8] |= uint8_t(1 << (k % 8));
            trial.AddAttribute(ResidentAttribute(kAttrBitmap, i30(), bits));
            trial.SortAttributes();
            std::vector<uint8_t> image;
            if (!trial.Serialize(image, size_t(m_recordBytes)))
                continue;
            if (const int rc = take(clusters, runs))
                return rc;
            const int ai = trial.FindAttribute(kAttrIndexAllocation, 0, i30(), false);
            KNtfsAttribute allocation = NonResidentAttribute(kAttrIndexAllocation, i30(), runs, int64_t(blocks.size()), cb);
            allocation.SetId(trial.GetAttribute(size_t(ai)).GetId());
            trial.ReplaceAttribute(size_t(ai), allocation);
            if (!trial.Serialize(image, size_t(m_recordBytes))) {
                for (const KDataRun& r : runs)
                    m_work.SetRange(r.Lcn, false, r.Length);
                continue;
            }
            if (!allocation.WriteData(m_merged, blocks.data(), int64_t(blocks.size())))
                return kNtfsMergeWriteFailed;
        }
        rec = trial;
        return kNtfsMergeOk;
    }
    return kNtfsMergeIndexFull;
}

int Merge::finalWrites()
{
    const int64_t cb = m_merged.ClusterBytes();
    // Whatever the walk took from the working map is in use too (attribute lists of spilled records).
    for (int64_t i = 0; i < m_work.ByteLength(); ++i)
        m_final.Data()[i] |= uint8_t(m_work.Data()[i] & ~m_workStart.Data()[i]);
    {
        std::vector<uint8_t> bytes(size_t(m_bitmapAttr.GetDataSize()), 0);
        std::memcpy(bytes.data(), m_final.Data(), size_t(std::min<int64_t>(m_final.ByteLength(), int64_t(bytes.size()))));
        // The bits of the last byte past the last cluster count as used.
        for (int64_t c = m_mergedClusters; c % 8 && c / 8 < int64_t(bytes.size()); ++c)
            bytes[size_t(c / 8)] |= uint8_t(1 << (c % 8));
        if (!m_bitmapAttr.IsNonResident())
            return kNtfsMergeNoSystemData;
        if (!m_bitmapAttr.WriteData(m_merged, bytes.data(), int64_t(bytes.size())))
            return kNtfsMergeWriteFailed;
    }
    {
        std::vector<uint8_t> bytes(size_t(m_mftBitmapAttr.GetDataSize()), 0);
        const KBitmap& bits = m_mft.RecordBitmap();
        std::memcpy(bytes.data(), bits.Data(), size_t(std::min<int64_t>(bits.ByteLength(), int64_t(bytes.size()))));
        if (!m_mftBitmapAttr.IsNonResident())
            return kNtfsMergeNoSystemData;
        if (!m_mftBitmapAttr.WriteData(m_merged, bytes.data(), int64_t(bytes.size())))
            return kNtfsMergeWriteFailed;
    }
    // The boot sector makes the merged volume: until it is written both volumes are as they were.
    std::vector<uint8_t> boot(kSector);
    if (!m_req.device->ReadSectors(boot.data(), m_req.firstStart, 1))
        return kNtfsMergeReadFailed;
    NtfsVolume volume = m_merged;
    volume.MftLcn = m_mftRuns[0].Lcn;
    KNtfsFileRecord mirror;
    {
        KNtfsMFT mft;
        KNtfsFileRecord record;
        NtfsVolume probe = volume;
        if (!mft.Open(probe, nullptr, false) || !mft.ReadRecord(1, record) || record.FindAttribute(kAttrData) < 0)
            return kNtfsMergeNoSystemData;
        KNtfsRunList runs;
        if (!record.GetAttribute(size_t(record.FindAttribute(kAttrData))).GetRunList(runs) || runs.IsEmpty() || runs[0].Lcn < 0)
            return kNtfsMergeNoSystemData;
        volume.MftMirrorLcn = runs[0].Lcn;
    }
    FillBootSector(boot.data(), m_req.device, volume, m_req.hiddenIsStart);
    if (!m_req.device->WriteSectors(boot.data(), m_req.firstStart, 1))
        return kNtfsMergeWriteFailed;
    switch (WriteMftMirror(volume)) {
    case 0:
        break;
    case 2:
        return kNtfsMergeOutOfMemory;
    case 3:
        return kNtfsMergeWriteFailed;
    default:
        return kNtfsMergeMftUnreadable;
    }
    // $LogFile emptied: a journal of all 0xFF has nothing to replay.
    const std::vector<uint8_t> ones(size_t(std::min<int64_t>(int64_t(4) << 20, std::max<int64_t>(cb, m_logRuns.GetTotalClusters() * cb))), 0xFF);
    const int64_t pieceSectors = int64_t(ones.size()) / kSector;
    for (const KDataRun& r : m_logRuns) {
        if (r.Lcn < 0)
            continue;
        const int64_t first = m_req.firstStart + r.Lcn * m_spc, sectors = r.Length * m_spc;
        for (int64_t k = 0; k < sectors; k += pieceSectors) {
            if (!m_req.device->WriteSectors(ones.data(), first + k, std::min(pieceSectors, sectors - k)))
                return kNtfsMergeWriteFailed;
            m_progress->Tick();
        }
    }
    if (!m_req.device->WriteSectors(boot.data(), m_req.firstStart + m_mergedTotal, 1))
        return kNtfsMergeWriteFailed;
    // Recovery tools look for the copy in the last sector of the partition.
    const int64_t partitionLast = m_req.firstStart + m_req.mergedSectors - 1;
    if (m_req.mergedSectors && partitionLast > m_req.firstStart + m_mergedTotal &&
        !m_req.device->WriteSectors(boot.data(), partitionLast, 1))
        return kNtfsMergeWriteFailed;
    return kNtfsMergeOk;
}

} // namespace

int MergeNtfs(ISectorDevice* device, int64_t firstStart, int64_t secondStart, int extendFirst, int hiddenOption,
              const char16_t* folderName, IProgressReporter* progress, int64_t mergedSectors)
{
    if (!device || !folderName || !progress || firstStart < 0 || secondStart <= firstStart || mergedSectors < 0)
        return kNtfsMergeBadArgument;
    Request r;
    r.device = device;
    r.firstStart = firstStart;
    r.secondStart = secondStart;
    r.extendFirst = extendFirst != 0;
    r.hiddenIsStart = hiddenOption != 0;
    r.mergedSectors = mergedSectors;
    r.folder = KNtfsString(folderName, 256);
    // A name the index can hold and a folder can carry.
    if (r.folder.IsEmpty() || r.folder.GetCount() > 255)
        return kNtfsMergeBadArgument;
    for (char16_t c : r.folder)
        if (c < 0x20 || std::u16string_view(u"/\\:*?\"<>|").find(c) != std::u16string_view::npos)
            return kNtfsMergeBadArgument;
    if (r.folder.ToU16() == u"." || r.folder.ToU16() == u"..")
        return kNtfsMergeBadArgument;
    // Steps: each volume checked, the checking walk, (the shift,) the real walk and the final writes.
    NtfsVolume second;
    const bool aligned = !OpenVolume(device, secondStart, second) || (secondStart - firstStart) % second.SectorsPerCluster == 0;
    if (aligned)
        return RunCheckedThenReal<Merge>(r, progress, {0.1, 0.1, 0.4, 0.4}, kNtfsMergeOutOfMemory);
    return RunCheckedThenReal<Merge>(r, progress, {0.1, 0.1, 0.2, 0.2, 0.4}, kNtfsMergeOutOfMemory);
}
