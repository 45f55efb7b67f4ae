#include "fs/FatToNtfs.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <ctime>
#include <map>
#include <new>
#include <set>
#include <string_view>
#include <vector>

#include "core/ByteOrder.h"
#include "core/Clock.h"
#include "core/FileSystemTypes.h"
#include "engine/ISectorDevice.h"
#include "fs/KBitmap.h"
#include "fs/fat/FatExplorer.h"
#include "fs/fat/FatLayout.h"
#include "fs/fat/FatStructures.h"
#include "fs/fat/KFatResize.h"
#include "fs/fat/KFileAllocationTable.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "fs/ntfs/NtfsBootSector.h"
#include "fs/ntfs/NtfsImages.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRebuildSupport.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsStructures.h"

using namespace Ntfs;
using namespace NtfsRebuild;

namespace {

constexpr int64_t kSector = 512;
constexpr int64_t kRecordBytes = 1024, kIndexBytes = 4096;
constexpr int64_t kMaxClusterBytes = 4096;
constexpr int64_t kSystemRecords = 27, kSpareRecords = 16, kRecRoot = 5, kRecBitmap = 6, kLastSystemFile = 11;
constexpr uint32_t kFileNameIsDirectory = 0x10000000;
constexpr uint8_t kNameWin32 = 1, kNameDos = 2, kNameBoth = 3;
constexpr uint32_t kCarriedAttributes = Fat::kAttrReadOnly | Fat::kAttrHidden | Fat::kAttrSystem | Fat::kAttrArchive;
const char16_t kI30[] = u"$I30";

// A FAT date and time (local) with hundredths of a second, as NTFS time (UTC). 0 for no date.
uint64_t fatTimeToNtfs(uint16_t date, uint16_t time, int hundredths)
{
    if (date == 0)
        return 0;
    std::tm t{};
    t.tm_year = 80 + (date >> 9);
    t.tm_mon = ((date >> 5) & 0x0F) - 1;
    t.tm_mday = date & 0x1F;
    t.tm_hour = time >> 11;
    t.tm_min = (time >> 5) & 0x3F;
    t.tm_sec = (time & 0x1F) * 2;
    t.tm_isdst = -1;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 || t.tm_sec > 59)
        return 0;
    const std::time_t seconds = std::mktime(&t);
    if (seconds == std::time_t(-1))
        return 0;
    return UnixTimeToFileTime(int64_t(seconds)) + uint64_t(std::clamp(hundredths, 0, 199)) * 100000ull;
}

std::u16string widen(const std::string& s)
{
    // Short names are 8-bit; anything beyond ASCII is taken as Latin-1.
    std::u16string out;
    for (unsigned char c : s)
        out += char16_t(c);
    return out;
}

// The 8.3 name as stored (upper case, "NAME.EXT"), or empty when it is no plain ASCII name.
std::u16string dosName(const uint8_t* e)
{
    std::u16string base, ext;
    for (int i = 0; i < 8; ++i)
        base += char16_t(i == 0 && e[0] == 0x05 ? 0xE5 : e[i]);
    for (int i = 8; i < 11; ++i)
        ext += char16_t(e[i]);
    while (!base.empty() && base.back() == u' ')
        base.pop_back();
    while (!ext.empty() && ext.back() == u' ')
        ext.pop_back();
    std::u16string name = ext.empty() ? base : base + u"." + ext;
    for (char16_t c : name)
        if (c <= 0x20 || c >= 0x7F)
            return {};
    return name;
}

// Overlays a device: writes to the protected sectors are kept in memory (and read back from there)
// until Commit writes them; everything else goes through.
class HeldBackWrites : public ISectorDevice {
public:
    HeldBackWrites(ISectorDevice* inner, int64_t firstA, int64_t endA, int64_t firstB, int64_t endB)
        : m_inner(inner), m_a{firstA, endA}, m_b{firstB, endB}
    {
    }
    bool Held(int64_t s) const { return (s >= m_a[0] && s < m_a[1]) || (s >= m_b[0] && s < m_b[1]); }

    int ReadSectors(void* buffer, int64_t first, int64_t count) override
    {
        if (!m_inner->ReadSectors(buffer, first, count))
            return 0;
        for (const auto& [sector, bytes] : m_held)
            if (sector >= first && sector < first + count)
                std::memcpy(static_cast<uint8_t*>(buffer) + (sector - first) * kSector, bytes.data(), kSector);
        return 1;
    }
    int WriteSectors(const void* buffer, int64_t first, int64_t count) override
    {
        const auto* b = static_cast<const uint8_t*>(buffer);
        int64_t run = first;
        for (int64_t s = first; s <= first + count; ++s) {
            if (s < first + count && !Held(s))
                continue;
            if (s > run && !m_inner->WriteSectors(b + (run - first) * kSector, run, s - run))
                return 0;
            if (s < first + count)
                m_held[s].assign(b + (s - first) * kSector, b + (s - first + 1) * kSector);
            run = s + 1;
        }
        return 1;
    }
    int VerifySectors(int64_t first, int64_t count) override { return m_inner->VerifySectors(first, count); }
    int GetGeometry(DiskGeometry* g) override { return m_inner->GetGeometry(g); }
    int ZeroSectors(int64_t first, int64_t count) override
    {
        const std::vector<uint8_t> zeros(size_t(count * kSector), 0);
        return WriteSectors(zeros.data(), first, count);
    }

    // Writes the held sectors of [first, end) to the device, consecutive ones in one call.
    bool Commit(int64_t first, int64_t end)
    {
        for (auto it = m_held.lower_bound(first); it != m_held.end() && it->first < end;) {
            std::vector<uint8_t> bytes;
            const int64_t from = it->first;
            int64_t next = from;
            for (; it != m_held.end() && it->first == next && next < end; ++it, ++next)
                bytes.insert(bytes.end(), it->second.begin(), it->second.end());
            if (!m_inner->WriteSectors(bytes.data(), from, next - from))
                return false;
        }
        return true;
    }

private:
    ISectorDevice* m_inner;
    int64_t m_a[2], m_b[2];
    std::map<int64_t, std::vector<uint8_t>> m_held;
};

// One file or folder of the FAT volume.
struct Item {
    std::u16string longName, shortName; // shortName empty: the long name is the only one
    uint8_t attributes = 0;
    uint64_t created = 0, modified = 0, accessed = 0;
    uint64_t size = 0;
    int32_t parent = -1;       // index of the folder, -1 the root
    std::vector<int32_t> children;
    KNtfsRunList runs;         // files: the NTFS clusters of the data
    uint32_t firstCluster = 0; // folders: the directory's chain
    bool bothKinds = false;    // the long name serves as the short name too
    int64_t record = -1;
    bool directory() const { return attributes & Fat::kAttrDirectory; }
};

} // namespace

struct KFatToNtfs::State {
    ISectorDevice* device = nullptr;
    int64_t start = 0, sectors = 0, hidden = 0;
    FatLayout layout;
    KFileAllocationTable fat;
    int64_t c = 0, spc = 0, ratio = 0, dataLcn = 0;
    int64_t ntfsSectors = 0, clusters = 0;
    KBitmap avoid;   // NTFS clusters that must stay as they are until the commit
    KBitmap owned;   // FAT clusters a file or folder holds
    KNtfsRunList bad; // NTFS clusters of the FAT's bad clusters, for $BadClus
    std::vector<Item> items;
    std::vector<int32_t> rootChildren;
    std::string label;
    int64_t mftRecords = 0, needed = 0, free = 0, indexClusters = 0;
    int64_t files = 0, folders = 0;
    bool prepared = false;
};

KFatToNtfs::KFatToNtfs() : m(std::make_unique<State>()) {}
KFatToNtfs::~KFatToNtfs() = default;

int KFatToNtfs::FatType() const { return m->layout.code; }
int KFatToNtfs::ClusterBytes() const { return int(m->c); }
int64_t KFatToNtfs::NeededBytes() const { return m->needed * m->c; }
int64_t KFatToNtfs::FreeBytes() const { return m->free * m->c; }
int64_t KFatToNtfs::FileCount() const { return m->files; }
int64_t KFatToNtfs::FolderCount() const { return m->folders; }
std::string KFatToNtfs::Label() const { return m->label; }

const char* FatToNtfsResultText(int result)
{
    switch (result) {
    case kFatToNtfsOk: return "converted";
    case kFatToNtfsNotFat: return "the volume holds no FAT file system this converter handles";
    case kFatToNtfsAlreadyNtfs: return "the volume is already NTFS";
    case kFatToNtfsInconsistent: return "the FAT file system is inconsistent; check it first (fsck.fat)";
    case kFatToNtfsNoRoom: return "not enough free space for the NTFS metadata";
    case kFatToNtfsReadFailed: return "a read failed";
    case kFatToNtfsWriteFailed: return "a write failed";
    case kFatToNtfsOutOfMemory: return "out of memory";
    case kFatToNtfsTailInUse: return "a file holds the last sectors of the volume, where NTFS keeps its boot sector copy";
    default: return "the conversion was not prepared";
    }
}

int KFatToNtfs::Prepare(ISectorDevice* device, int64_t start, int64_t sectors)
{
    m = std::make_unique<State>();
    State& s = *m;
    s.device = device;
    s.start = start;
    s.sectors = sectors;
    const auto fail = [this](int code, const std::string& why = {}) {
        m_message = why.empty() ? FatToNtfsResultText(code) : why;
        return code;
    };
    uint8_t boot[kSector];
    if (!device || sectors < 64 || !device->ReadSectors(boot, start, 1))
        return fail(kFatToNtfsReadFailed);
    Ntfs::BootSector ntfs;
    if (Ntfs::DecodeBootSector(boot, ntfs) || std::memcmp(boot + 3, "NTFS    ", 8) == 0)
        return fail(kFatToNtfsAlreadyNtfs);
    FatLayout& l = s.layout;
    if (!ParseFatBootSector(boot, sizeof boot, l) || l.bytesPerSector != kSector)
        return fail(kFatToNtfsNotFat);
    if (l.volumeBytes > uint64_t(sectors) * kSector || l.dataOffset % kSector || l.fatOffset % kSector)
        return fail(kFatToNtfsNotFat, "the FAT file system is larger than its partition");
    s.hidden = le32(boot + Fat::kHiddenSectors);
    const int kind = l.entryBits == 12 ? 0 : l.entryBits == 16 ? 1 : 2;
    const int fats = boot[Fat::kNumberOfFats];
    switch (LoadCheckedFat(device, start + int64_t(l.fatOffset) / kSector, fats, int64_t(l.fatBytes) / kSector,
                           l.clusterCount, kind, true, s.fat)) {
    case kFatResizeOk:
        break;
    case kFatResizeCopiesDiffer:
        return fail(kFatToNtfsInconsistent, "the copies of the FAT differ; check the volume first (fsck.fat)");
    case kFatResizeBadLinks:
        return fail(kFatToNtfsInconsistent,
                    "the FAT has chains that cross or lead out of the FAT; check the volume first (fsck.fat)");
    case kFatResizeReadFailed:
        return fail(kFatToNtfsReadFailed);
    default:
        return fail(kFatToNtfsOutOfMemory);
    }

    // The NTFS cluster: the largest power of two up to 4 KiB that divides both the data area's offset
    // and the FAT cluster, so that NTFS clusters tile every FAT cluster exactly.
    s.c = kMaxClusterBytes;
    while (s.c > kSector && (l.dataOffset % uint64_t(s.c) || l.clusterBytes % uint64_t(s.c)))
        s.c /= 2;
    s.spc = s.c / kSector;
    s.ratio = l.clusterBytes / s.c;
    s.dataLcn = int64_t(l.dataOffset) / s.c;
    // As the format has it: whole clusters, at least one sector left after them for the boot copy.
    s.ntfsSectors = sectors / s.spc * s.spc;
    if (sectors % s.spc == 0)
        s.ntfsSectors -= s.spc;
    s.clusters = s.ntfsSectors / s.spc;
    if (!s.avoid.Create(s.clusters) || !s.owned.Create(int64_t(l.clusterCount) + 2))
        return fail(kFatToNtfsOutOfMemory);

    // Everything before the data area, and every FAT cluster that is not free.
    s.avoid.SetRange(0, true, std::min(s.dataLcn, s.clusters));
    const uint32_t bad = s.fat.BadValue();
    for (uint32_t k = 2; k < l.clusterCount + 2; ++k) {
        uint32_t v = 0;
        s.fat.GetEntry(k, &v);
        if (v == 0)
            continue;
        const int64_t lcn = s.dataLcn + int64_t(k - 2) * s.ratio;
        if (lcn + s.ratio > s.clusters) {
            if (v != bad)
                return fail(kFatToNtfsTailInUse);
            continue;
        }
        s.avoid.SetRange(lcn, true, s.ratio);
        if (v == bad)
            s.bad.Add(KDataRun{lcn, 0, s.ratio});
    }
    // The boot region (8 KiB) must not reach data still in use.
    const int64_t bootClusters = std::max<int64_t>(8192, s.c) / s.c;
    for (int64_t lcn = s.dataLcn; lcn < bootClusters && lcn < s.clusters; ++lcn)
        if (s.avoid.Test(lcn))
            return fail(kFatToNtfsNoRoom, "the first clusters of the volume are in use; NTFS needs them for its boot region");

    // The tree.
    auto next = [&](uint32_t k, uint32_t& out) -> int {
        uint32_t v = 0;
        if (!s.fat.GetEntry(k, &v) || v == 0 || v == 1 || v == bad)
            return -1; // a chain through a free, reserved or bad cluster
        if (v > bad)
            return 0;
        out = v;
        return 1;
    };
    auto take = [&](uint32_t k) {
        if (k < 2 || k >= l.clusterCount + 2 || s.owned.Test(k))
            return false; // outside the FAT, or crossed with another chain
        s.owned.SetRange(k, true, 1);
        return true;
    };
    const std::string inconsistent = "the FAT file system is inconsistent (a chain is broken, too short or shared); "
                                     "check it first (fsck.fat)";
    struct Pending {
        int32_t item;
        uint32_t cluster; // 0: the fixed root directory
    };
    std::vector<Pending> work{{-1, l.code == kFsFat32 ? l.rootCluster : 0}};
    std::vector<uint8_t> dir;
    std::vector<FatDirectoryItem> entries;
    while (!work.empty()) {
        const Pending p = work.back();
        work.pop_back();
        dir.clear();
        if (p.cluster == 0) {
            dir.resize(size_t(l.rootDirBytes));
            if (!dir.empty() && !device->ReadSectors(dir.data(), start + int64_t(l.rootDirOffset) / kSector,
                                                     int64_t(l.rootDirBytes) / kSector))
                return fail(kFatToNtfsReadFailed);
        } else {
            for (uint32_t k = p.cluster;;) {
                if (!take(k))
                    return fail(kFatToNtfsInconsistent, inconsistent);
                if (dir.size() >= 65536u * 32u)
                    return fail(kFatToNtfsInconsistent, inconsistent);
                const size_t at = dir.size();
                dir.resize(at + l.clusterBytes);
                if (!device->ReadSectors(dir.data() + at, start + int64_t(l.dataOffset + uint64_t(k - 2) * l.clusterBytes) / kSector,
                                         l.clusterBytes / kSector))
                    return fail(kFatToNtfsReadFailed);
                uint32_t n = 0;
                const int r = next(k, n);
                if (r < 0)
                    return fail(kFatToNtfsInconsistent, inconsistent);
                if (r == 0)
                    break;
                k = n;
            }
        }
        ParseFatDirectory(dir.data(), dir.size(), entries);
        std::set<std::u16string> taken; // the folder's names, upper case: NTFS looks names up that way
        const auto upper = [](std::u16string name) {
            for (char16_t& ch : name)
                if (ch >= u'a' && ch <= u'z')
                    ch = char16_t(ch - 0x20);
            return name;
        };
        for (const FatDirectoryItem& d : entries) {
            const uint8_t* e = d.Entry;
            Item item;
            item.parent = p.item;
            item.attributes = e[Fat::kDirAttributes];
            const std::u16string shown = d.LongName.empty() ? widen(d.ShortName) : d.LongName;
            const std::u16string stored = dosName(e);
            bool allowed = !shown.empty() && shown.size() <= 255;
            for (char16_t ch : shown)
                allowed = allowed && ch >= 0x20 && std::u16string_view(u"/\\:*?\"<>|").find(ch) == std::u16string_view::npos;
            if (!allowed)
                return fail(kFatToNtfsInconsistent, "a file name is longer than 255 characters or holds characters FAT "
                                                    "does not allow; check the volume first (fsck.fat)");
            if (!taken.insert(upper(shown)).second || (!stored.empty() && upper(stored) != upper(shown) &&
                                                       !taken.insert(upper(stored)).second))
                return fail(kFatToNtfsInconsistent, "a folder holds two files of the same name; check the volume "
                                                    "first (fsck.fat)");
            item.longName = shown;
            // A short name that is the long name but for case makes one name of both kinds.
            bool sameName = stored.size() == shown.size();
            for (size_t i = 0; sameName && i < stored.size(); ++i)
                sameName = stored[i] == (shown[i] >= u'a' && shown[i] <= u'z' ? char16_t(shown[i] - 0x20) : shown[i]);
            if (sameName)
                item.bothKinds = true;
            else if (!stored.empty())
                item.shortName = stored;
            const auto* de = reinterpret_cast<const Fat::DirectoryEntry*>(e);
            item.modified = fatTimeToNtfs(le16(e + Fat::kDirWriteDate), le16(e + Fat::kDirWriteTime), 0);
            item.created = fatTimeToNtfs(le16(e + offsetof(Fat::DirectoryEntry, CreateDate)),
                                         le16(e + offsetof(Fat::DirectoryEntry, CreateTime)), de->CreateTimeTenths);
            item.accessed = fatTimeToNtfs(le16(e + offsetof(Fat::DirectoryEntry, AccessDate)), 0, 0);
            if (!item.created)
                item.created = item.modified;
            if (!item.accessed)
                item.accessed = item.modified;
            const uint32_t first = uint32_t(le16(e + Fat::kDirFirstClusterLow)) |
                                   (l.code == kFsFat32 ? uint32_t(le16(e + Fat::kDirFirstClusterHigh)) << 16 : 0);
            const int32_t index = int32_t(s.items.size());
            if (item.directory()) {
                if (first == 0)
                    return fail(kFatToNtfsInconsistent, inconsistent);
                item.firstCluster = first;
                work.push_back({index, first});
                ++s.folders;
            } else {
                item.size = le32(e + Fat::kDirFileSize);
                const uint64_t count = (item.size + l.clusterBytes - 1) / l.clusterBytes;
                uint32_t k = first;
                for (uint64_t i = 0; i < count; ++i) {
                    if (!take(k))
                        return fail(kFatToNtfsInconsistent, inconsistent);
                    const int64_t lcn = s.dataLcn + int64_t(k - 2) * s.ratio;
                    item.runs.Add(KDataRun{lcn, int64_t(i) * s.ratio, s.ratio});
                    uint32_t n = 0;
                    const int r = next(k, n);
                    if (r < 0 || (r == 0 && i + 1 < count))
                        return fail(kFatToNtfsInconsistent, inconsistent);
                    k = n;
                }
                item.runs.Coalesce();
                ++s.files;
            }
            (p.item < 0 ? s.rootChildren : s.items[size_t(p.item)].children).push_back(index);
            s.items.push_back(std::move(item));
        }
    }

    // A cluster in use that no file or folder holds (a lost chain, or a chain longer than its file)
    // would become free space: its data would be lost.
    for (uint32_t k = 2; k < l.clusterCount + 2; ++k) {
        uint32_t v = 0;
        s.fat.GetEntry(k, &v);
        if (v != 0 && v != bad && !s.owned.Test(k))
            return fail(kFatToNtfsInconsistent, "the FAT has clusters in use that belong to no file (lost chains); "
                                                "check the volume first (fsck.fat)");
    }

    // The label: the root's label entry, else the boot sector's.
    {
        std::string label;
        if (l.bootLabelOffset)
            label.assign(reinterpret_cast<const char*>(boot + l.bootLabelOffset), Fat::kLabelBytes);
        std::vector<uint8_t> root;
        if (l.code != kFsFat32) {
            root.resize(size_t(l.rootDirBytes));
            if (!root.empty() && !device->ReadSectors(root.data(), start + int64_t(l.rootDirOffset) / kSector,
                                                      int64_t(l.rootDirBytes) / kSector))
                root.clear();
        } else {
            root.resize(l.clusterBytes);
            if (!device->ReadSectors(root.data(), start + int64_t(l.dataOffset + uint64_t(l.rootCluster - 2) * l.clusterBytes) / kSector,
                                     l.clusterBytes / kSector))
                root.clear();
        }
        for (size_t i = 0; i + 32 <= root.size() && root[i]; i += 32)
            if (root[i] != 0xE5 && (root[i + 11] & 0x3F) == Fat::kAttrVolumeLabel) {
                label.assign(reinterpret_cast<const char*>(root.data() + i), Fat::kLabelBytes);
                break;
            }
        while (!label.empty() && (label.back() == ' ' || label.back() == 0))
            label.pop_back();
        if (label == "NO NAME")
            label.clear();
        for (char& ch : label)
            if (static_cast<unsigned char>(ch) >= 0x80 || static_cast<unsigned char>(ch) < 0x20)
                ch = '_';
        s.label = label;
    }

    // What the NTFS metadata needs: the format's system files with an MFT for every item, index
    // blocks for the folders too large for their records, and room for attribute lists.
    int64_t extraRecords = 0, indexBlocks = 0;
    const auto entryBytes = [&](const Item& it) {
        size_t b = RoundUp(0x10 + 0x42 + 2 * it.longName.size(), 8);
        if (!it.shortName.empty())
            b += RoundUp(0x10 + 0x42 + 2 * it.shortName.size(), 8);
        return int64_t(b);
    };
    const auto folderBlocks = [&](const std::vector<int32_t>& children, int64_t extra) {
        int64_t bytes = extra;
        for (int32_t i : children)
            bytes += entryBytes(s.items[size_t(i)]);
        if (bytes <= 300)
            return int64_t(0);
        // Blocks filled at least half (entries up to 0x250 bytes each), plus the levels above.
        const int64_t leaves = DivideUp(uint64_t(bytes), uint64_t(kIndexBytes - 0x40 - 0x260) / 1);
        return leaves + leaves / 4 + 1;
    };
    for (const Item& it : s.items) {
        // A run list longer than about half a record goes to extension records.
        const int64_t pairs = int64_t(it.runs.GetCount()) * 8;
        extraRecords += pairs / 400;
        if (it.directory())
            indexBlocks += folderBlocks(it.children, 0);
    }
    indexBlocks += folderBlocks(s.rootChildren, 12 * 0x68);
    s.mftRecords = kSystemRecords + int64_t(s.items.size()) + extraRecords + kSpareRecords;
    s.indexClusters = indexBlocks * kIndexBytes / s.c;
    s.needed = GetNtfsSystemClusters(sectors, int(s.spc), s.mftRecords) + s.indexClusters + DivideUp(4096, uint64_t(s.c));
    s.free = 0;
    for (int64_t lcn = bootClusters; lcn < s.clusters; ++lcn)
        if (!s.avoid.Test(lcn))
            ++s.free;
    if (s.free < s.needed) {
        const int64_t neededKiB = DivideUp(uint64_t(s.needed * s.c), 1024), freeKiB = s.free * s.c / 1024;
        return fail(kFatToNtfsNoRoom, "not enough free space: the NTFS metadata needs " + std::to_string(neededKiB) +
                                          " KiB, the volume has " + std::to_string(freeKiB) + " KiB free; free at least " +
                                          std::to_string(neededKiB - freeKiB) + " KiB more");
    }
    s.prepared = true;
    m_message.clear();
    return kFatToNtfsOk;
}

namespace {

// Everything the writing pass keeps together.
struct Writer {
    NtfsVolume vol;
    KNtfsMFT base, mft;
    KBitmap work, used;
    int64_t cursor = 0;
    std::vector<uint16_t> upcase;
    uint32_t securityId = NtfsImages::kRootSecurityId;

    // `count` clusters, in as few runs as the free clusters allow.
    bool takeClusters(int64_t count, KNtfsRunList& runs)
    {
        runs.Clear();
        const int64_t total = vol.TotalClusters();
        int64_t vcn = 0;
        for (int pass = 0; pass < 2 && count > 0; ++pass) {
            for (int64_t at = NextBit(work, cursor, total, false); count > 0 && at < total;
                 at = NextBit(work, at, total, false)) {
                const int64_t stop = std::min(NextBit(work, at, total, true), at + count);
                work.SetRange(at, true, stop - at);
                used.SetRange(at, true, stop - at);
                runs.Add(KDataRun{at, vcn, stop - at});
                vcn += stop - at;
                count -= stop - at;
                cursor = stop;
                at = stop;
            }
            cursor = 0;
        }
        return count == 0;
    }

    int compare(const std::u16string& a, const std::u16string& b) const
    {
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
            const uint16_t x = upcase[a[i]], y = upcase[b[i]];
            if (x != y)
                return x < y ? -1 : 1;
        }
        if (a.size() != b.size())
            return a.size() < b.size() ? -1 : 1;
        return a == b ? 0 : (a < b ? -1 : 1);
    }
};

std::vector<uint8_t> fileNameValue(uint64_t parent, const Item& it, const std::u16string& name, uint8_t space, int64_t c)
{
    std::vector<uint8_t> v(0x42 + 2 * name.size(), 0);
    put_le64(v.data(), parent);
    put_le64(v.data() + 0x08, it.created);
    put_le64(v.data() + 0x10, it.modified);
    put_le64(v.data() + 0x18, it.modified);
    put_le64(v.data() + 0x20, it.accessed);
    if (!it.directory()) {
        put_le64(v.data() + 0x28, uint64_t(it.runs.GetTotalClusters() * c));
        put_le64(v.data() + 0x30, it.size);
    }
    put_le32(v.data() + 0x38, (it.attributes & kCarriedAttributes) | (it.directory() ? kFileNameIsDirectory : 0));
    v[0x40] = uint8_t(name.size());
    v[0x41] = space;
    for (size_t i = 0; i < name.size(); ++i)
        put_le16(v.data() + 0x42 + 2 * i, name[i]);
    return v;
}

KNtfsAttribute indexedFileName(const std::vector<uint8_t>& value)
{
    KNtfsAttribute a = ResidentAttribute(kAttrFileName, {}, value);
    std::vector<uint8_t> bytes(a.Data(), a.Data() + a.Length());
    bytes[kResFlags] = 1; // indexed
    a.Assign(bytes.data(), bytes.size());
    return a;
}

struct Entry {
    std::u16string name;
    std::vector<uint8_t> bytes;
};

Entry indexEntry(uint64_t reference, const std::vector<uint8_t>& fileName)
{
    Entry e;
    e.bytes.assign(RoundUp(0x10 + fileName.size(), 8), 0);
    put_le64(e.bytes.data(), reference);
    put_le16(e.bytes.data() + 8, uint16_t(e.bytes.size()));
    put_le16(e.bytes.data() + 10, uint16_t(fileName.size()));
    std::memcpy(e.bytes.data() + 0x10, fileName.data(), fileName.size());
    const size_t units = fileName[0x40];
    for (size_t i = 0; i < units; ++i)
        e.name += char16_t(le16(fileName.data() + 0x42 + 2 * i));
    return e;
}

// Gives `rec` an $I30 index over `entries` (sorted here): the root in the record, INDX blocks in
// clusters of their own when they do not fit.
bool writeIndex(Writer& w, KNtfsFileRecord& rec, std::vector<Entry>& entries)
{
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) { return w.compare(a.name, b.name) < 0; });
    std::vector<std::vector<uint8_t>> list;
    list.reserve(entries.size());
    for (Entry& e : entries)
        list.push_back(std::move(e.bytes));
    const KNtfsString i30(kI30);
    for (int i; (i = rec.FindAttribute(kAttrIndexRoot, 0, i30, false)) >= 0;)
        rec.RemoveAttribute(size_t(i));
    for (int i; (i = rec.FindAttribute(kAttrIndexAllocation, 0, i30, false)) >= 0;)
        rec.RemoveAttribute(size_t(i));
    for (int i; (i = rec.FindAttribute(kAttrBitmap, 0, i30, false)) >= 0;)
        rec.RemoveAttribute(size_t(i));
    size_t used = RoundUp(kRecHeaderEnd + 2 * UsaCount(size_t(kRecordBytes)), 8) + 8;
    for (size_t i = 0; i < rec.GetAttributeCount(); ++i)
        used += RoundUp(rec.GetAttribute(i).Length(), 8);
    const size_t rootOverhead = kResHeaderEnd + 8 + 0x20;          // header, name, index root header
    const size_t largeOverhead = 0x48 + 8 + 0x10 + kResHeaderEnd + 8 + 8; // allocation and bitmap attributes
    const size_t room = size_t(kRecordBytes) > used + rootOverhead ? size_t(kRecordBytes) - used - rootOverhead : 0;
    const size_t largeRoom = room > largeOverhead + 0x18 ? room - largeOverhead : 0x18;
    BuiltIndex built;
    if (!BuildIndex(list, room, largeRoom, kIndexBytes, w.vol.ClusterBytes(), built))
        return false;
    std::vector<uint8_t> value(0x20, 0);
    put_le32(value.data(), kAttrFileName);
    put_le32(value.data() + 4, kCollateFileName);
    put_le32(value.data() + 8, uint32_t(kIndexBytes));
    value[12] = uint8_t(kIndexBytes >= w.vol.ClusterBytes() ? kIndexBytes / w.vol.ClusterBytes() : kIndexBytes / kSector);
    put_le32(value.data() + 0x10, 0x10);
    put_le32(value.data() + 0x14, uint32_t(0x10 + built.root.size()));
    put_le32(value.data() + 0x18, uint32_t(0x10 + built.root.size()));
    value[0x1C] = built.large ? 1 : 0;
    value.insert(value.end(), built.root.begin(), built.root.end());
    rec.AddAttribute(ResidentAttribute(kAttrIndexRoot, i30, value));
    if (built.large) {
        std::vector<uint8_t> blocks;
        blocks.reserve(built.blocks.size() * size_t(kIndexBytes));
        for (const auto& b : built.blocks)
            blocks.insert(blocks.end(), b.begin(), b.end());
        KNtfsRunList runs;
        const int64_t clusters = DivideUp(blocks.size(), uint64_t(w.vol.ClusterBytes()));
        if (!w.takeClusters(clusters, runs))
            return false;
        const KNtfsAttribute allocation =
            NonResidentAttribute(kAttrIndexAllocation, i30, runs, int64_t(blocks.size()), w.vol.ClusterBytes());
        if (!allocation.WriteData(w.vol, blocks.data(), int64_t(blocks.size())))
            return false;
        rec.AddAttribute(allocation);
        std::vector<uint8_t> bits(RoundUp(DivideUp(built.blocks.size(), 8), 8), 0);
        for (size_t k = 0; k < built.blocks.size(); ++k)
            bits[k / 8] |= uint8_t(1 << (k % 8));
        rec.AddAttribute(ResidentAttribute(kAttrBitmap, i30, bits));
    }
    rec.SortAttributes();
    return true;
}

} // namespace

int KFatToNtfs::Convert(const std::function<void(int)>& percent, const std::function<void()>& flush)
{
    State& s = *m;
    const auto fail = [this](int code) {
        m_message = std::string(FatToNtfsResultText(code)) + "; the volume is still FAT and its file system unchanged";
        return code;
    };
    if (!s.prepared)
        return fail(kFatToNtfsNotPrepared);
    s.prepared = false;
    const auto report = [&](int p) {
        if (percent)
            percent(p);
    };
    report(0);
    const int64_t bootSectors = std::max<int64_t>(8192, s.c) / kSector;
    HeldBackWrites device(s.device, s.start, s.start + bootSectors, s.start + s.ntfsSectors, s.start + s.sectors);

    // The system files, placed around the data.
    KNtfsFormat format;
    NtfsFormatParameters parameters;
    parameters.SectorsPerCluster = int(s.spc);
    parameters.Label = s.label;
    parameters.Quick = true;
    parameters.AvoidClusters = &s.avoid;
    parameters.MftRecords = s.mftRecords;
    switch (format.Format(&device, s.start, s.sectors, s.hidden, parameters, nullptr)) {
    case kNtfsFormatOk:
        break;
    case kNtfsNoRoom:
        m_message = "the free space of the volume is too fragmented for the NTFS system files (they need " +
                    std::to_string(NeededBytes() / 1024) + " KiB, in a few runs); the volume is still FAT and unchanged";
        return kFatToNtfsNoRoom;
    case kNtfsOutOfMemory:
        return fail(kFatToNtfsOutOfMemory);
    default:
        return fail(kFatToNtfsWriteFailed);
    }
    report(20);

    Writer w;
    if (!OpenVolume(&device, s.start, w.vol) || w.vol.TotalClusters() != s.clusters || !w.base.Open(w.vol, nullptr, false))
        return fail(kFatToNtfsReadFailed);
    if (LoadVolumeBitmap(w.base, w.vol, w.used) != 0 || !w.work.Create(w.used.BitCount()))
        return fail(kFatToNtfsReadFailed);
    std::memcpy(w.work.Data(), w.used.Data(), size_t(w.used.ByteLength()));
    for (int64_t i = 0; i < std::min(s.avoid.ByteLength(), w.work.ByteLength()); ++i)
        w.work.Data()[i] |= s.avoid.Data()[i];
    KBitmap workStart;
    if (!workStart.Create(w.work.BitCount()))
        return fail(kFatToNtfsOutOfMemory);
    std::memcpy(workStart.Data(), w.work.Data(), size_t(w.work.ByteLength()));
    // The format's root index block is replaced below.
    w.used.SetRange(format.RootIndexLcn(), false, DivideUp(uint64_t(kIndexBytes), uint64_t(s.c)));
    if (!w.mft.OpenStaged(w.vol, w.base.RunList(), w.base.GetRecordCount(), w.base.RecordBitmap(), &w.work, &w.base))
        return fail(kFatToNtfsReadFailed);
    w.upcase.resize(0x10000);
    NtfsImages::BuildUpcaseTable(w.upcase.data());

    // Record numbers first: every parent is known before its children are written.
    KNtfsFileRecord root;
    if (!w.base.ReadRecord(kRecRoot, root))
        return fail(kFatToNtfsReadFailed);
    const uint64_t rootReference = uint64_t(kRecRoot) | (uint64_t(root.GetSequence()) << 48);
    for (Item& it : s.items) {
        it.record = w.mft.AllocateRecord();
        if (it.record < 0)
            return fail(kFatToNtfsNoRoom);
    }
    const auto reference = [&](int32_t index) {
        return index < 0 ? rootReference : uint64_t(s.items[size_t(index)].record) | (uint64_t(1) << 48);
    };

    // Each item's names: Win32 and DOS apart, or one name of both kinds.
    const auto names = [&](const Item& it, uint64_t parent) {
        std::vector<std::vector<uint8_t>> out;
        if (!it.shortName.empty()) {
            out.push_back(fileNameValue(parent, it, it.longName, kNameWin32, s.c));
            out.push_back(fileNameValue(parent, it, it.shortName, kNameDos, s.c));
        } else {
            out.push_back(fileNameValue(parent, it, it.longName, it.bothKinds ? kNameBoth : kNameWin32, s.c));
        }
        return out;
    };
    const auto folderEntries = [&](const std::vector<int32_t>& children, uint64_t parent, std::vector<Entry>& out) {
        for (int32_t i : children)
            for (const auto& value : names(s.items[size_t(i)], parent))
                out.push_back(indexEntry(reference(i), value));
    };

    const int64_t total = int64_t(s.items.size()) + 1;
    int64_t done = 0;
    int lastPercent = 20;
    for (size_t index = 0; index < s.items.size(); ++index) {
        const Item& it = s.items[index];
        KNtfsFileRecord rec;
        if (!BlankRecord(it.record, size_t(kRecordBytes), rec))
            return fail(kFatToNtfsOutOfMemory);
        const uint64_t parent = reference(it.parent);
        const auto fileNames = names(it, parent);
        uint8_t header[kRecHeaderEnd];
        std::memcpy(header, rec.GetHeader(), sizeof header);
        put_le16(header + kRecFlags, uint16_t(kRecordInUse | (it.directory() ? kRecordDirectory : 0)));
        put_le16(header + kRecLinkCount, uint16_t(fileNames.size()));
        rec.SetHeader(header);
        std::vector<uint8_t> standard(0x48, 0);
        put_le64(standard.data(), it.created);
        put_le64(standard.data() + 0x08, it.modified);
        put_le64(standard.data() + 0x10, it.modified);
        put_le64(standard.data() + 0x18, it.accessed);
        put_le32(standard.data() + 0x20, it.attributes & kCarriedAttributes);
        put_le32(standard.data() + 0x34, w.securityId);
        rec.AddAttribute(ResidentAttribute(kAttrStandardInformation, {}, standard));
        for (const auto& value : fileNames)
            rec.AddAttribute(indexedFileName(value));
        if (it.directory()) {
            std::vector<Entry> entries;
            folderEntries(it.children, reference(int32_t(index)), entries);
            if (!writeIndex(w, rec, entries))
                return fail(kFatToNtfsNoRoom);
        } else if (it.size == 0) {
            rec.AddAttribute(ResidentAttribute(kAttrData, {}, {}));
        } else {
            rec.AddAttribute(NonResidentAttribute(kAttrData, {}, it.runs, int64_t(it.size), s.c));
            for (const KDataRun& r : it.runs)
                w.used.SetRange(r.Lcn, true, r.Length);
        }
        rec.SortAttributes();
        if (!rec.Commit(w.mft, it.record))
            return fail(kFatToNtfsNoRoom);
        const int p = 20 + int(60 * ++done / total);
        if (p != lastPercent)
            report(lastPercent = p);
    }

    // The root: the system files' entries as the format made them, and the FAT root's items.
    {
        std::vector<Entry> entries;
        for (int64_t n = 0; n <= kLastSystemFile; ++n) {
            KNtfsFileRecord sys;
            if (!w.base.ReadRecord(n, sys))
                return fail(kFatToNtfsReadFailed);
            const int fn = sys.FindAttribute(kAttrFileName);
            if (fn < 0)
                return fail(kFatToNtfsReadFailed);
            const KNtfsAttribute& a = sys.GetAttribute(size_t(fn));
            if (!a.GetValuePointer() || a.GetValueLength() < 0x42)
                return fail(kFatToNtfsReadFailed);
            const std::vector<uint8_t> value(a.GetValuePointer(), a.GetValuePointer() + a.GetValueLength());
            entries.push_back(indexEntry(uint64_t(n) | (uint64_t(sys.GetSequence()) << 48), value));
        }
        folderEntries(s.rootChildren, rootReference, entries);
        if (!writeIndex(w, root, entries))
            return fail(kFatToNtfsNoRoom);
        if (!root.Commit(w.mft, kRecRoot))
            return fail(kFatToNtfsNoRoom);
    }
    // $BadClus:$Bad lists the FAT's bad clusters; the rest of the volume is sparse in it.
    if (!s.bad.IsEmpty()) {
        constexpr int64_t kRecBadClus = 8;
        KNtfsFileRecord badClus;
        const KNtfsString badName(u"$Bad");
        if (!w.base.ReadRecord(kRecBadClus, badClus))
            return fail(kFatToNtfsReadFailed);
        const int at = badClus.FindAttribute(kAttrData, 0, badName, false);
        if (at < 0 || !badClus.GetAttribute(size_t(at)).IsNonResident())
            return fail(kFatToNtfsReadFailed);
        KNtfsRunList runs;
        int64_t vcn = 0;
        for (const KDataRun& r : s.bad) {
            if (r.Lcn > vcn)
                runs.Add(KDataRun{-1, vcn, r.Lcn - vcn});
            runs.Add(KDataRun{r.Lcn, r.Lcn, r.Length});
            w.used.SetRange(r.Lcn, true, r.Length);
            vcn = r.Lcn + r.Length;
        }
        if (vcn < s.clusters)
            runs.Add(KDataRun{-1, vcn, s.clusters - vcn});
        runs.Coalesce();
        KNtfsAttribute& data = badClus.GetAttribute(size_t(at));
        const int64_t bytes = s.clusters * s.c;
        if (!data.SetRunList(runs))
            return fail(kFatToNtfsOutOfMemory);
        data.SetVcnRange(0, s.clusters - 1);
        data.SetSizes(bytes, bytes, 0);
        if (!badClus.Commit(w.mft, kRecBadClus))
            return fail(kFatToNtfsNoRoom);
    }
    if (!w.mft.FlushStaged())
        return fail(kFatToNtfsWriteFailed);
    report(85);

    // $Bitmap: the format's system files, the files' data, the index blocks and attribute lists.
    for (int64_t i = 0; i < w.work.ByteLength(); ++i)
        w.used.Data()[i] |= uint8_t(w.work.Data()[i] & ~workStart.Data()[i]);
    {
        KNtfsFileRecord bitmapRecord;
        if (!w.base.ReadRecord(kRecBitmap, bitmapRecord) || bitmapRecord.FindAttribute(kAttrData) < 0)
            return fail(kFatToNtfsReadFailed);
        const KNtfsAttribute& data = bitmapRecord.GetAttribute(size_t(bitmapRecord.FindAttribute(kAttrData)));
        std::vector<uint8_t> bytes(size_t(data.GetDataSize()), 0);
        std::memcpy(bytes.data(), w.used.Data(), std::min(bytes.size(), size_t(w.used.ByteLength())));
        for (int64_t c = s.clusters; c < int64_t(bytes.size()) * 8; ++c)
            bytes[size_t(c / 8)] |= uint8_t(1 << (c % 8));
        if (!data.WriteData(w.vol, bytes.data(), int64_t(bytes.size())))
            return fail(kFatToNtfsWriteFailed);
    }
    {
        KNtfsFileRecord mftRecord;
        if (!w.base.ReadRecord(0, mftRecord) || mftRecord.FindAttribute(kAttrBitmap) < 0)
            return fail(kFatToNtfsReadFailed);
        const KNtfsAttribute& bits = mftRecord.GetAttribute(size_t(mftRecord.FindAttribute(kAttrBitmap)));
        std::vector<uint8_t> bytes(size_t(bits.GetDataSize()), 0);
        const KBitmap& records = w.mft.RecordBitmap();
        std::memcpy(bytes.data(), records.Data(), std::min(bytes.size(), size_t(records.ByteLength())));
        if (!bits.IsNonResident() || !bits.WriteData(w.vol, bytes.data(), int64_t(bytes.size())))
            return fail(kFatToNtfsWriteFailed);
    }
    if (WriteMftMirror(w.vol) != 0)
        return fail(kFatToNtfsWriteFailed);
    report(95);

    // The commit point: the boot region, then its copies at the end.
    if (flush)
        flush();
    if (!device.Commit(s.start, s.start + bootSectors))
        return fail(kFatToNtfsWriteFailed);
    if (flush)
        flush();
    if (!device.Commit(s.start + s.ntfsSectors, s.start + s.sectors)) {
        m_message = "the volume is NTFS now, but the copy of its boot sector could not be written";
        return kFatToNtfsWriteFailed;
    }
    if (flush)
        flush();
    report(100);
    m_message.clear();
    return kFatToNtfsOk;
}
