#include "fs/ntfs/NtfsExplorer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "core/ByteOrder.h"
#include "engine/KVolumeDevice.h"
#include "fs/ntfs/NtfsRecord.h"

using namespace Ntfs;

namespace {

constexpr int64_t kRootRecord = 5;
// Records 0-15 hold the volume's own files ($MFT ... $Extend); they are never listed.
constexpr int64_t kFirstUserRecord = 16;
// In the root, '$' names below this record are metadata as well: the reserved records 16-23 and the
// records formatters give $Extend's files (24-26).
constexpr int64_t kFirstRootUserRecord = 27;
constexpr uint64_t kRecordMask = 0xFFFFFFFFFFFFull;
constexpr int64_t kMaxFileBytes = int64_t(1) << 30;
constexpr int64_t kMaxBitmapBytes = int64_t(4) << 20;
constexpr int64_t kMaxDeviceChunk = int64_t(4) << 20;
constexpr int64_t kSector = 512;

// $FILE_NAME value offsets.
constexpr size_t kNameCreation = 0x08, kNameModification = 0x10, kNameDataSize = 0x30, kNameAttributes = 0x38,
                 kNameLength = 0x40, kNameSpace = 0x41, kNameChars = 0x42;
constexpr uint8_t kNameSpaceDos = 2;
constexpr uint32_t kFileAttrDirectory = 0x10, kFileAttrIndexPresent = 0x10000000;

// Index entries: file reference, entry length, key length, flags, then the key.
constexpr size_t kEntryHeader = 0x10;
constexpr uint16_t kEntrySubnode = 1, kEntryLast = 2;

// Index root value: indexed type, collation, block size, clusters per block, then the node header.
constexpr size_t kRootBlockBytes = 0x08, kRootNode = 0x10;
// Node header: entries offset, entries end (both from the header), allocated end, flags.
constexpr size_t kNodeEntries = 0x00, kNodeEnd = 0x04, kNodeFlags = 0x0C, kNodeHeaderBytes = 0x10;
constexpr uint8_t kNodeLarge = 1;
// INDX block header: signature, fixups, log sequence number, the block's VCN, then the node header.
constexpr size_t kBlockVcn = 0x10, kBlockNode = 0x18;

// Attribute flags that make data unreadable as plain clusters.
constexpr uint16_t kAttrFlagCompressed = 0x00FF, kAttrFlagEncrypted = 0x4000, kAttrFlagSparse = 0x8000;

// UTF-8 cut to at most `limit` bytes without splitting a character.
std::string cutUtf8(std::string text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t n = limit;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80)
        --n;
    text.resize(n);
    return text;
}

int64_t clusterProduct(int64_t clusters, int64_t clusterBytes)
{
    return clusters > std::numeric_limits<int64_t>::max() / clusterBytes ? std::numeric_limits<int64_t>::max()
                                                                         : clusters * clusterBytes;
}

struct IndexItem {
    uint64_t reference = 0;
    size_t keyAt = 0;
    size_t keyLength = 0;
    int64_t child = -1; // INDX block below this entry, -1 for none or an unusable pointer
    bool last = false;
};

struct IndexNode {
    std::vector<uint8_t> bytes;
    std::vector<IndexItem> items;
    size_t next = 0;
    bool descended = false;
};

} // namespace

// What one List call works with.
struct NtfsExplorer::Listing {
    int64_t self = 0;
    bool root = false;
    std::vector<ExplorerEntry>* out = nullptr;
    Stream allocation;
    std::vector<uint8_t> bitmap;
    int64_t blockBytes = 0;
    int64_t vcnBytes = 0; // what one VCN of a subnode pointer counts
    int64_t blocks = 0;   // INDX blocks that may be read
    std::vector<bool> visited;

    bool inUse(int64_t block) const { return (bitmap[size_t(block / 8)] >> (block % 8)) & 1; }

    int64_t blockOf(uint64_t vcn) const
    {
        if (blocks <= 0 || vcn > uint64_t(blocks * blockBytes / vcnBytes))
            return -1;
        const int64_t offset = int64_t(vcn) * vcnBytes;
        return offset % blockBytes ? -1 : offset / blockBytes;
    }

    // The entries of a node lying in bytes [begin, end). A damaged entry ends the node there.
    void parse(IndexNode& node, size_t begin, size_t end) const
    {
        node.items.clear();
        if (begin > end || end > node.bytes.size())
            return;
        const uint8_t* base = node.bytes.data();
        for (size_t at = begin; fits(end, at, kEntryHeader);) {
            const uint8_t* e = base + at;
            const size_t length = le16(e + 8), keyLength = le16(e + 10);
            const uint16_t flags = le16(e + 12);
            if (length < kEntryHeader || length % 8 || !fits(end, at, length))
                return;
            IndexItem item;
            item.reference = le64(e);
            item.keyAt = at + kEntryHeader;
            item.keyLength = keyLength;
            item.last = flags & kEntryLast;
            size_t keyRoom = length - kEntryHeader;
            if (flags & kEntrySubnode) {
                if (keyRoom < 8)
                    return;
                keyRoom -= 8;
                item.child = blockOf(le64(e + length - 8));
            }
            if (item.keyLength > keyRoom) {
                if (!item.last)
                    return;
                item.keyLength = 0;
            }
            node.items.push_back(item);
            if (item.last)
                return;
            at += length;
        }
    }
};

NtfsExplorer::NtfsExplorer() = default;
NtfsExplorer::~NtfsExplorer() = default;

int NtfsExplorer::Open(IDisk* disk, int64_t startSector)
{
    Release();
    if (!disk || startSector < 0)
        return 0;
    const int64_t diskSectors = disk->GetTotalSectors();
    uint8_t boot[512];
    if (startSector >= diskSectors || !disk->ReadSectors(boot, startSector, 1) || std::memcmp(boot + 3, "NTFS", 4) != 0)
        return 0;
    // The volume's sectors and the backup boot sector after them, as far as the disk goes.
    const uint64_t volumeSectors = le64(boot + 0x28), available = uint64_t(diskSectors - startSector);
    PartitionInfo p = MakeEmptyPartitionInfo();
    p.StartingLba = startSector;
    p.SectorCount = int64_t(volumeSectors >= available ? available : volumeSectors + 1);
    m_device.reset(KVolumeDevice::Create(disk, p));
    NtfsVolume volume;
    if (!m_device || !OpenVolume(m_device.get(), 0, volume)) {
        Release();
        return 0;
    }
    // The mirror run list keeps record writes in step with $MFTMirr; without it records still read.
    auto mft = std::make_unique<KNtfsMFT>();
    if (!mft->Open(volume, nullptr, true) && !mft->Open(volume, nullptr, false)) {
        Release();
        return 0;
    }
    m_volume = volume;
    m_mft = std::move(mft);
    return 1;
}

void NtfsExplorer::Release()
{
    m_mft.reset();
    m_device.reset();
    m_volume = NtfsVolume{};
}

bool NtfsExplorer::loadRecord(int64_t number, KNtfsFileRecord& record, bool withExtensions)
{
    if (!m_mft || number < 0 || number >= m_mft->GetRecordCount() || !m_mft->ReadRecord(number, record))
        return false;
    if (!record.IsInUse() || (record.GetBaseReference() & kRecordMask) != 0)
        return false; // free, or an extension of another record
    return !withExtensions || !record.HasAttributeList() || record.LoadExtensions(*m_mft);
}

bool NtfsExplorer::findStream(const KNtfsFileRecord& record, uint32_t type, const KNtfsString& name,
                              Stream& stream) const
{
    stream = Stream{};
    std::vector<const KNtfsAttribute*> extents;
    const KNtfsAttribute* resident = nullptr;
    for (int i = 0, at; (at = record.FindAttribute(type, i, name, false)) >= 0; ++i) {
        const KNtfsAttribute& a = record.GetAttribute(size_t(at));
        if (!a.IsNonResident()) {
            if (resident)
                return false;
            resident = &a;
        } else {
            extents.push_back(&a);
        }
    }
    if (resident) {
        if (!extents.empty() || !resident->GetValuePointer())
            return false;
        stream.resident = true;
        stream.value.assign(resident->GetValuePointer(), resident->GetValuePointer() + resident->GetValueLength());
        stream.dataSize = stream.initializedSize = int64_t(stream.value.size());
        stream.flags = resident->GetFlags();
        return true;
    }
    if (extents.empty())
        return false;
    std::stable_sort(extents.begin(), extents.end(), [](const KNtfsAttribute* x, const KNtfsAttribute* y) {
        return x->GetStartingVcn() < y->GetStartingVcn();
    });
    const KNtfsAttribute& first = *extents.front();
    if (first.GetStartingVcn() != 0 || first.GetDataSize() < 0)
        return false;
    stream.dataSize = first.GetDataSize();
    stream.initializedSize = std::clamp<int64_t>(first.GetInitializedSize(), 0, stream.dataSize);
    stream.flags = first.GetFlags();
    // The extents' runs, one after the other with no gap and no overlap.
    int64_t next = 0;
    for (const KNtfsAttribute* extent : extents) {
        KNtfsRunList part;
        if (extent->GetStartingVcn() != next || !extent->GetRunList(part))
            return false;
        for (const KDataRun& run : part) {
            if (run.Vcn != next)
                return false;
            stream.runs.Add(run);
            next = run.Vcn + run.Length;
        }
    }
    return clusterProduct(next, m_volume.ClusterBytes()) >= stream.dataSize;
}

bool NtfsExplorer::fileDataSize(KNtfsFileRecord& record, int64_t& size)
{
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0, at; (at = record.FindAttribute(kAttrData, i)) >= 0; ++i) {
            const KNtfsAttribute& a = record.GetAttribute(size_t(at));
            if (!a.IsNonResident()) {
                size = a.GetValueLength();
                return true;
            }
            if (a.GetStartingVcn() == 0) {
                size = a.GetDataSize();
                return size >= 0;
            }
        }
        // The first extent may sit in an extension record.
        if (pass > 0 || !record.HasAttributeList() || !m_mft || !record.LoadExtensions(*m_mft))
            return false;
    }
    return false;
}

bool NtfsExplorer::deviceBytes(int64_t offset, uint8_t* buffer, int64_t length, bool write)
{
    uint8_t sector[kSector];
    while (length > 0) {
        const int64_t first = offset / kSector, inSector = offset % kSector;
        if (inSector != 0 || length < kSector) {
            const int64_t n = std::min(kSector - inSector, length);
            if (!m_device->ReadSectors(sector, first, 1))
                return false;
            if (write) {
                std::memcpy(sector + inSector, buffer, size_t(n));
                if (!m_device->WriteSectors(sector, first, 1))
                    return false;
            } else {
                std::memcpy(buffer, sector + inSector, size_t(n));
            }
            offset += n;
            buffer += n;
            length -= n;
            continue;
        }
        const int64_t count = std::min(length, kMaxDeviceChunk) / kSector;
        if (!(write ? m_device->WriteSectors(buffer, first, count) : m_device->ReadSectors(buffer, first, count)))
            return false;
        offset += count * kSector;
        buffer += count * kSector;
        length -= count * kSector;
    }
    return true;
}

bool NtfsExplorer::transfer(const KNtfsRunList& runs, int64_t offset, uint8_t* buffer, int64_t length, bool write)
{
    if (!m_device || offset < 0 || length < 0)
        return false;
    const int64_t clusterBytes = m_volume.ClusterBytes();
    const int64_t totalClusters = m_volume.TotalClusters();
    const int64_t end = offset + length;
    int64_t done = 0;
    for (const KDataRun& run : runs) {
        if (done == length)
            break;
        const int64_t runStart = clusterProduct(run.Vcn, clusterBytes);
        const int64_t runEnd = clusterProduct(run.Vcn + run.Length, clusterBytes);
        const int64_t from = std::max(offset, runStart), to = std::min(end, runEnd);
        if (from >= to)
            continue;
        if (run.Lcn < 0) {
            if (write)
                return false; // nothing on disk to write into
            std::memset(buffer + (from - offset), 0, size_t(to - from));
        } else {
            if (run.Lcn > totalClusters || run.Length > totalClusters - run.Lcn)
                return false;
            if (!deviceBytes(run.Lcn * clusterBytes + (from - runStart), buffer + (from - offset), to - from, write))
                return false;
        }
        done += to - from;
    }
    return done == length;
}

bool NtfsExplorer::readStream(const Stream& stream, int64_t maximum, std::vector<uint8_t>& bytes)
{
    if (stream.dataSize < 0 || stream.dataSize > maximum)
        return false;
    if (stream.resident) {
        bytes = stream.value;
        return true;
    }
    try {
        bytes.assign(size_t(stream.dataSize), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Past the initialized size the data reads as zeros.
    return transfer(stream.runs, 0, bytes.data(), stream.initializedSize, false);
}

bool NtfsExplorer::loadBlock(Listing& listing, int64_t block, std::vector<uint8_t>& bytes)
{
    if (block < 0 || block >= listing.blocks || listing.visited[size_t(block)] || !listing.inUse(block))
        return false;
    listing.visited[size_t(block)] = true; // each block once, whatever the pointers say
    bytes.assign(size_t(listing.blockBytes), 0);
    if (!transfer(listing.allocation.runs, block * listing.blockBytes, bytes.data(), listing.blockBytes, false))
        return false;
    return std::memcmp(bytes.data(), "INDX", 4) == 0 && UndoFixups(bytes.data(), bytes.size())
        && le64(bytes.data() + kBlockVcn) == uint64_t(block * listing.blockBytes / listing.vcnBytes);
}

void NtfsExplorer::addEntry(Listing& listing, uint64_t reference, const uint8_t* key, size_t keyLength)
{
    if (keyLength < kNameChars)
        return;
    const size_t nameLength = key[kNameLength];
    if (nameLength == 0 || kNameChars + 2 * nameLength > keyLength || key[kNameSpace] == kNameSpaceDos)
        return; // the short name of a file listed under its long name
    const int64_t number = int64_t(reference & kRecordMask);
    const uint16_t sequence = uint16_t(reference >> 48);
    if (number < kFirstUserRecord || number == listing.self || number >= m_mft->GetRecordCount()
        || number > std::numeric_limits<int32_t>::max())
        return;
    const KNtfsString name = KNtfsString::FromLittleEndian(key + kNameChars, nameLength);
    if (nameLength == 1 && name[0] == u'.')
        return;
    if (listing.root && name[0] == u'$' && number < kFirstRootUserRecord)
        return;
    KNtfsFileRecord file;
    if (!loadRecord(number, file, false) || (sequence != 0 && sequence != file.GetSequence()))
        return; // a stale entry: the record is free or holds another file now

    const uint32_t attributes = le32(key + kNameAttributes);
    const bool directory = file.IsDirectory() || (attributes & kFileAttrIndexPresent);
    int64_t size = 0;
    if (!directory && !fileDataSize(file, size))
        size = std::max<int64_t>(0, int64_t(le64(key + kNameDataSize))); // no readable data: the key's word

    ExplorerEntry item;
    std::memset(&item, 0, sizeof item);
    const std::string utf8 = cutUtf8(name.ToUtf8(), sizeof item.Name - 1);
    std::memcpy(item.Name, utf8.data(), utf8.size());
    item.Attributes = attributes & ~(kFileAttrIndexPresent | kFileAttrDirectory);
    if (directory)
        item.Attributes |= kFileAttrDirectory;
    item.Size = directory ? 0 : size;
    item.CreationTime[0] = le32(key + kNameCreation);
    item.CreationTime[1] = le32(key + kNameCreation + 4);
    item.ModificationTime[0] = le32(key + kNameModification);
    item.ModificationTime[1] = le32(key + kNameModification + 4);
    item.DirectoryId = int32_t(number);
    listing.out->push_back(item);
}

int NtfsExplorer::List(int32_t directoryId, std::vector<ExplorerEntry>& entries)
{
    entries.clear();
    if (!m_mft || (directoryId < 0 && directoryId != kExplorerRoot))
        return 0;
    Listing listing;
    listing.self = directoryId == kExplorerRoot ? kRootRecord : directoryId;
    listing.root = listing.self == kRootRecord;
    listing.out = &entries;
    KNtfsFileRecord dir;
    if (!loadRecord(listing.self, dir, true))
        return 0;
    const KNtfsString i30(u"$I30");
    const int rootAt = dir.FindAttribute(kAttrIndexRoot, 0, i30, false);
    if (rootAt < 0 || dir.GetAttribute(size_t(rootAt)).IsNonResident())
        return 0;
    const KNtfsAttribute& rootAttribute = dir.GetAttribute(size_t(rootAt));
    IndexNode root;
    const uint8_t* rootValue = rootAttribute.GetValuePointer();
    root.bytes.assign(rootValue, rootValue + rootAttribute.GetValueLength());
    if (root.bytes.size() < kRootNode + kNodeHeaderBytes || le32(root.bytes.data()) != kAttrFileName)
        return 0;
    const uint8_t* node = root.bytes.data() + kRootNode;
    const size_t rootBegin = kRootNode + le32(node + kNodeEntries), rootEnd = kRootNode + size_t(le32(node + kNodeEnd));
    if (rootBegin < kRootNode + kNodeHeaderBytes || rootBegin > rootEnd || rootEnd > root.bytes.size())
        return 0;

    // A large index: its INDX blocks, and the bitmap that says which of them are in use.
    if (node[kNodeFlags] & kNodeLarge) {
        const int64_t blockBytes = le32(root.bytes.data() + kRootBlockBytes);
        Stream bitmap;
        if (blockBytes >= 512 && blockBytes <= 65536 && (blockBytes & (blockBytes - 1)) == 0
            && findStream(dir, kAttrIndexAllocation, i30, listing.allocation) && !listing.allocation.resident
            && findStream(dir, kAttrBitmap, i30, bitmap) && readStream(bitmap, kMaxBitmapBytes, listing.bitmap)) {
            listing.blockBytes = blockBytes;
            listing.vcnBytes = blockBytes >= m_volume.ClusterBytes() ? m_volume.ClusterBytes() : 512;
            const int64_t volumeBytes = clusterProduct(m_volume.TotalClusters(), m_volume.ClusterBytes());
            listing.blocks = std::min({listing.allocation.dataSize / blockBytes, int64_t(listing.bitmap.size()) * 8,
                                       volumeBytes / blockBytes});
            listing.visited.assign(size_t(listing.blocks), false);
        }
    }
    listing.parse(root, rootBegin, rootEnd);

    // In index order: an entry's subnode comes before the entry. Every block is entered once at most,
    // so damaged pointers cannot loop.
    std::vector<IndexNode> stack;
    stack.push_back(std::move(root));
    const auto enter = [&](int64_t block, IndexNode& into) {
        if (!loadBlock(listing, block, into.bytes))
            return false;
        const uint8_t* header = into.bytes.data() + kBlockNode;
        const size_t begin = kBlockNode + size_t(le32(header + kNodeEntries));
        const size_t end = kBlockNode + size_t(le32(header + kNodeEnd));
        if (begin < kBlockNode + kNodeHeaderBytes)
            return false;
        listing.parse(into, begin, end);
        return true;
    };
    while (!stack.empty()) {
        IndexNode& top = stack.back();
        if (top.next >= top.items.size()) {
            stack.pop_back();
            continue;
        }
        if (!top.descended) {
            top.descended = true;
            IndexNode child;
            if (top.items[top.next].child >= 0 && enter(top.items[top.next].child, child)) {
                stack.push_back(std::move(child));
                continue;
            }
        }
        const IndexItem item = top.items[top.next];
        if (!item.last)
            addEntry(listing, item.reference, top.bytes.data() + item.keyAt, item.keyLength);
        ++top.next;
        top.descended = false;
    }
    // Blocks in use that no pointer reached (a damaged node above them) still give their entries.
    for (int64_t block = 0; block < listing.blocks; ++block) {
        IndexNode orphan;
        if (!enter(block, orphan))
            continue;
        for (const IndexItem& item : orphan.items)
            if (!item.last)
                addEntry(listing, item.reference, orphan.bytes.data() + item.keyAt, item.keyLength);
    }
    return 1;
}

int NtfsExplorer::ReadFile(const ExplorerEntry& file, std::vector<uint8_t>& data)
{
    data.clear();
    if (!m_mft || (file.Attributes & kFileAttrDirectory) || file.DirectoryId < 0)
        return 0;
    KNtfsFileRecord record;
    Stream stream;
    if (!loadRecord(file.DirectoryId, record, true) || record.IsDirectory()
        || !findStream(record, kAttrData, {}, stream))
        return 0;
    if (!stream.resident && (stream.flags & (kAttrFlagCompressed | kAttrFlagEncrypted)))
        return 0;
    if (!readStream(stream, kMaxFileBytes, data)) {
        data.clear();
        return 0;
    }
    return 1;
}

int NtfsExplorer::WriteFileInPlace(const ExplorerEntry& file, const std::vector<uint8_t>& data)
{
    if (!m_mft || (file.Attributes & kFileAttrDirectory) || file.DirectoryId < kFirstUserRecord
        || int64_t(data.size()) != file.Size)
        return 0;
    const int64_t number = file.DirectoryId;
    KNtfsFileRecord base;
    if (!loadRecord(number, base, false) || base.IsDirectory())
        return 0;
    KNtfsFileRecord whole = base;
    Stream stream;
    if ((whole.HasAttributeList() && !whole.LoadExtensions(*m_mft)) || !findStream(whole, kAttrData, {}, stream)
        || stream.dataSize != int64_t(data.size()))
        return 0;

    if (!stream.resident) {
        // Straight through the clusters: no compression, encryption or holes, and every byte initialized.
        if ((stream.flags & (kAttrFlagCompressed | kAttrFlagEncrypted | kAttrFlagSparse))
            || stream.initializedSize != stream.dataSize)
            return 0;
        // Checked before the first byte goes out, so that a refusal leaves the file as it was.
        for (const KDataRun& run : stream.runs)
            if (run.Lcn < 0 && clusterProduct(run.Vcn, m_volume.ClusterBytes()) < stream.dataSize)
                return 0;
        std::vector<uint8_t> copy = data;
        return transfer(stream.runs, 0, copy.data(), int64_t(copy.size()), true) ? 1 : 0;
    }

    // Resident: the value changes inside whichever record holds it, base or extension.
    int64_t holderNumber = number;
    KNtfsFileRecord holder = base;
    if (holder.FindAttribute(kAttrData) < 0) {
        holderNumber = -1;
        for (const tagAttriListElement& e : whole.GetAttributeList())
            if (e.Type == kAttrData && e.Name.IsEmpty()) {
                holderNumber = int64_t(e.FileReference & kRecordMask);
                break;
            }
        if (holderNumber < kFirstUserRecord || !m_mft->ReadRecord(holderNumber, holder) || !holder.IsInUse()
            || (holder.GetBaseReference() & kRecordMask) != uint64_t(number))
            return 0;
    }
    const int at = holder.FindAttribute(kAttrData);
    if (at < 0 || holder.GetAttribute(size_t(at)).IsNonResident()
        || holder.GetAttribute(size_t(at)).GetValueLength() != data.size()
        || !holder.GetAttribute(size_t(at)).SetValue(data.data(), data.size()))
        return 0;
    return m_mft->WriteRecord(holderNumber, holder) ? 1 : 0;
}
