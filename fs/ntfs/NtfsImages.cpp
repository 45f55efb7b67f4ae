#include "NtfsImages.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "fs/ntfs/NtfsRecord.h"
#include "core/ByteOrder.h"

using namespace Ntfs;

namespace {

using Bytes = std::vector<uint8_t>;

struct NtfsUpcaseRange {
    uint16_t First, Last;
    int Delta;
};
struct NtfsUpcaseAlternating {
    uint16_t First, Last;
};
struct NtfsUpcaseSingle {
    uint16_t Code, Upper;
};
#include "NtfsUpcaseLists.inc"

constexpr uint32_t kHiddenSystem = 0x06;
constexpr uint32_t kDupDirectory = 0x10000000;  // in $FILE_NAME: the file has a $I30 index
constexpr uint32_t kDupViewIndex = 0x20000000;  // in $FILE_NAME: the file has view indexes
constexpr uint32_t kFullControl = 0x001F01FF;
constexpr uint8_t kInheritToAll = 0x03;         // object and container inherit

constexpr uint64_t fileRef(uint64_t record, uint16_t sequence) { return record | (uint64_t(sequence) << 48); }
constexpr uint64_t kRootRef = fileRef(5, 5);
constexpr uint64_t kExtendRef = fileRef(11, 11);

void put(Bytes& b, size_t offset, const Bytes& what)
{
    std::copy(what.begin(), what.end(), b.begin() + ptrdiff_t(offset));
}

void putName(uint8_t* at, const std::u16string& name)
{
    for (size_t i = 0; i < name.size(); ++i)
        put_le16(at + 2 * i, uint16_t(name[i]));
}

// ---- attributes -----------------------------------------------------------------------------

Bytes resident(uint32_t type, const std::u16string& name, const Bytes& value, uint8_t residentFlags = 0)
{
    const size_t valueOffset = RoundUp(kResHeaderEnd + 2 * name.size(), 8);
    Bytes a(RoundUp(valueOffset + value.size(), 8));
    put_le32(a.data() + kAttrTypeOff, type);
    put_le32(a.data() + kAttrLengthOff, uint32_t(a.size()));
    a[kAttrNameLengthOff] = uint8_t(name.size());
    put_le16(a.data() + kAttrNameOffsetOff, uint16_t(kResHeaderEnd));
    put_le32(a.data() + kResValueLength, uint32_t(value.size()));
    put_le16(a.data() + kResValueOffset, uint16_t(valueOffset));
    a[kResFlags] = residentFlags;
    putName(a.data() + kResHeaderEnd, name);
    put(a, valueOffset, value);
    return a;
}

// An empty non-resident attribute with an eight-byte mapping-pairs area; the format writes its run.
Bytes nonResident(uint32_t type, const std::u16string& name = {})
{
    const size_t pairsOffset = RoundUp(kNrHeaderEnd + 2 * name.size(), 8);
    Bytes a(pairsOffset + 8);
    put_le32(a.data() + kAttrTypeOff, type);
    put_le32(a.data() + kAttrLengthOff, uint32_t(a.size()));
    a[kAttrNonResidentOff] = 1;
    a[kAttrNameLengthOff] = uint8_t(name.size());
    put_le16(a.data() + kAttrNameOffsetOff, uint16_t(kNrHeaderEnd));
    put_le64(a.data() + kNrHighestVcn, ~uint64_t(0));
    put_le16(a.data() + kNrMappingPairsOffset, uint16_t(pairsOffset));
    putName(a.data() + kNrHeaderEnd, name);
    return a;
}

Bytes standardInformation(uint32_t fileAttributes, uint32_t securityId)
{
    Bytes v(0x48);
    put_le32(v.data() + 0x20, fileAttributes);
    put_le32(v.data() + 0x34, securityId);
    return resident(kAttrStandardInformation, {}, v);
}

Bytes fileNameValue(uint64_t parent, const std::u16string& name, uint32_t fileAttributes)
{
    Bytes v(0x42 + 2 * name.size());
    put_le64(v.data(), parent);
    put_le32(v.data() + 0x38, fileAttributes);
    v[0x40] = uint8_t(name.size());
    v[0x41] = 3; // Win32 and DOS name in one
    putName(v.data() + 0x42, name);
    return v;
}

Bytes fileName(uint64_t parent, const std::u16string& name, uint32_t fileAttributes)
{
    return resident(kAttrFileName, {}, fileNameValue(parent, name, fileAttributes), 1 /* indexed */);
}

// ---- index entries and roots ----------------------------------------------------------------

Bytes fileNameEntry(uint64_t reference, const Bytes& key)
{
    Bytes e(RoundUp(0x10 + key.size(), 8));
    put_le64(e.data(), reference);
    put_le16(e.data() + 8, uint16_t(e.size()));
    put_le16(e.data() + 10, uint16_t(key.size()));
    put(e, 0x10, key);
    return e;
}

Bytes viewEntry(const Bytes& key, const Bytes& data, const Bytes& padding = {})
{
    const size_t dataOffset = 0x10 + key.size();
    Bytes e(RoundUp(dataOffset + data.size() + padding.size(), 8));
    put_le16(e.data(), uint16_t(dataOffset));
    put_le16(e.data() + 2, uint16_t(data.size()));
    put_le16(e.data() + 8, uint16_t(e.size()));
    put_le16(e.data() + 10, uint16_t(key.size()));
    put(e, 0x10, key);
    put(e, dataOffset, data);
    put(e, dataOffset + data.size(), padding);
    return e;
}

Bytes endEntry(bool withSubnode)
{
    Bytes e(withSubnode ? 0x18 : 0x10);
    put_le16(e.data() + 8, uint16_t(e.size()));
    put_le16(e.data() + 12, withSubnode ? 3 : 2); // VCN 0 follows when there is a subnode
    return e;
}

Bytes concat(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// An $INDEX_ROOT value. `large`: the entries live in index records; the root holds only the end entry
// pointing at VCN 0.
Bytes indexRoot(const std::u16string& name, uint32_t indexedType, uint32_t collation, std::vector<Bytes> entries,
                bool large = false)
{
    entries.push_back(endEntry(large));
    const Bytes list = concat(entries);
    Bytes v(0x20 + list.size());
    put_le32(v.data(), indexedType);
    put_le32(v.data() + 4, collation);
    put_le32(v.data() + 8, 4096);
    v[12] = 8; // clusters per index record; the format sets the volume's value
    put_le32(v.data() + 0x10, 0x10);
    put_le32(v.data() + 0x14, uint32_t(0x10 + list.size()));
    put_le32(v.data() + 0x18, uint32_t(0x10 + list.size()));
    v[0x1C] = large ? 1 : 0;
    put(v, 0x20, list);
    return resident(kAttrIndexRoot, name, v);
}

// ---- security descriptors -------------------------------------------------------------------

Bytes sid(uint8_t authority, std::initializer_list<uint32_t> subAuthorities)
{
    Bytes s(8 + 4 * subAuthorities.size());
    s[0] = 1;
    s[1] = uint8_t(subAuthorities.size());
    s[7] = authority; // 48-bit big-endian identifier authority
    size_t at = 8;
    for (uint32_t sub : subAuthorities) {
        put_le32(s.data() + at, sub);
        at += 4;
    }
    return s;
}

Bytes allow(uint8_t flags, uint32_t mask, const Bytes& who)
{
    Bytes ace(8 + who.size());
    ace[0] = 0; // access allowed
    ace[1] = flags;
    put_le16(ace.data() + 2, uint16_t(ace.size()));
    put_le32(ace.data() + 4, mask);
    put(ace, 8, who);
    return ace;
}

Bytes descriptor(const Bytes& owner, const Bytes& group, const std::vector<Bytes>& aces)
{
    const Bytes list = concat(aces);
    Bytes acl(8 + list.size());
    acl[0] = 2;
    put_le16(acl.data() + 2, uint16_t(acl.size()));
    put_le16(acl.data() + 4, uint16_t(aces.size()));
    put(acl, 8, list);

    const size_t daclAt = 20, ownerAt = daclAt + acl.size(), groupAt = ownerAt + owner.size();
    Bytes d(groupAt + group.size());
    d[0] = 1;
    put_le16(d.data() + 2, 0x8004); // self-relative, DACL present
    put_le32(d.data() + 4, uint32_t(ownerAt));
    put_le32(d.data() + 8, uint32_t(groupAt));
    put_le32(d.data() + 16, uint32_t(daclAt));
    put(d, daclAt, acl);
    put(d, ownerAt, owner);
    put(d, groupAt, group);
    return d;
}

const Bytes kSystem = sid(5, {18});
const Bytes kAdministrators = sid(5, {32, 544});
const Bytes kEveryone = sid(1, {0});

// System files: full control for the system and administrators.
Bytes systemDescriptor()
{
    return descriptor(kAdministrators, kAdministrators,
                      {allow(0, kFullControl, kSystem), allow(0, kFullControl, kAdministrators)});
}

// The root of a data volume: everybody may use it, and what is created below inherits that.
Bytes rootDescriptor()
{
    return descriptor(kAdministrators, kSystem,
                      {allow(kInheritToAll, kFullControl, kEveryone), allow(kInheritToAll, kFullControl, kSystem),
                       allow(kInheritToAll, kFullControl, kAdministrators)});
}

// ---- records --------------------------------------------------------------------------------

struct RecordLayout {
    uint16_t Sequence;
    uint16_t Links;
    uint16_t Flags;
    std::vector<Bytes> Attributes;
};

void buildRecord(uint8_t* r, uint32_t number, const RecordLayout& layout)
{
    const uint16_t usaCount = UsaCount(NtfsImages::kTemplateRecordBytes);
    const size_t firstAttribute = RoundUp(kRecHeaderEnd + 2 * usaCount, 8);
    std::memset(r, 0, NtfsImages::kTemplateRecordBytes);
    std::memcpy(r, "FILE", 4);
    put_le16(r + kRecUsaOffset, uint16_t(kRecHeaderEnd));
    put_le16(r + kRecUsaCount, usaCount);
    put_le16(r + kRecSequence, layout.Sequence);
    put_le16(r + kRecLinkCount, layout.Links);
    put_le16(r + kRecAttrsOffset, uint16_t(firstAttribute));
    put_le16(r + kRecFlags, layout.Flags);
    size_t at = firstAttribute;
    uint16_t instance = 0;
    for (Bytes a : layout.Attributes) {
        put_le16(a.data() + kAttrInstanceOff, instance++);
        std::memcpy(r + at, a.data(), a.size());
        at += a.size();
    }
    put_le32(r + at, kAttrEnd);
    put_le32(r + kRecBytesInUse, uint32_t(at + 8));
    put_le32(r + kRecBytesAllocated, uint32_t(NtfsImages::kTemplateRecordBytes));
    put_le16(r + kRecNextInstance, instance);
    put_le32(r + kRecNumber, number);
    put_le16(r + kRecHeaderEnd, 1); // update sequence number
    ApplyFixups(r, NtfsImages::kTemplateRecordBytes);
}

Bytes u16bytes(const std::u16string& s)
{
    Bytes b(2 * s.size());
    putName(b.data(), s);
    return b;
}

struct SecurityEntry {
    uint32_t Hash, Id;
    uint64_t Offset;
    uint32_t Length;
    Bytes Header() const
    {
        Bytes h(20);
        put_le32(h.data(), Hash);
        put_le32(h.data() + 4, Id);
        put_le64(h.data() + 8, Offset);
        put_le32(h.data() + 16, Length);
        return h;
    }
};

struct Images {
    std::array<uint8_t, NtfsImages::kTemplateRecordCount * NtfsImages::kTemplateRecordBytes> Records{};
    std::array<uint8_t, NtfsImages::kRootIndexBytes> RootIndex{};
    std::array<uint8_t, NtfsImages::kAttrDefBytes> AttrDef{};
    std::array<uint8_t, NtfsImages::kRootSecurityBytes> RootSecurity{};
    std::vector<NtfsImages::StreamByte> Stream;

    Images()
    {
        const Bytes systemSd = systemDescriptor(), rootSd = rootDescriptor();
        std::copy(rootSd.begin(), rootSd.end(), RootSecurity.begin());
        const std::vector<SecurityEntry> security = buildSecurityStream(systemSd, rootSd);
        buildAttrDef();
        buildRootIndex();
        buildRecords(systemSd, security);
    }

    std::vector<SecurityEntry> buildSecurityStream(const Bytes& systemSd, const Bytes& rootSd)
    {
        Bytes sds(NtfsImages::kSecurityMirrorOffset + 448);
        std::vector<SecurityEntry> entries;
        uint64_t at = 0;
        const std::pair<uint32_t, const Bytes*> descriptors[] = {{NtfsImages::kSystemSecurityId, &systemSd},
                                                                 {NtfsImages::kRootSecurityId, &rootSd}};
        for (const auto& [id, sd] : descriptors) {
            const SecurityEntry e{NtfsImages::SecurityDescriptorHash(sd->data(), sd->size()), id, at,
                                  uint32_t(20 + sd->size())};
            for (uint64_t copy : {uint64_t(0), uint64_t(NtfsImages::kSecurityMirrorOffset)}) {
                put(sds, copy + at, e.Header());
                put(sds, copy + at + 20, *sd);
            }
            entries.push_back(e);
            at = RoundUp(at + e.Length, 16);
        }
        for (size_t i = 0; i < sds.size(); ++i)
            if (sds[i])
                Stream.push_back({int32_t(i), sds[i]});
        Stream.push_back({-1, 0});
        return entries;
    }

    void buildAttrDef()
    {
        struct Def {
            const char16_t* Name;
            uint32_t Type, Collation, Flags;
            uint64_t Min, Max;
        };
        constexpr uint32_t indexable = 0x02, residentOnly = 0x40, logNonResident = 0x80;
        constexpr uint64_t any = ~uint64_t(0);
        const Def defs[] = {
            {u"$STANDARD_INFORMATION", kAttrStandardInformation, 0, residentOnly, 0x30, 0x48},
            {u"$ATTRIBUTE_LIST", kAttrAttributeList, 0, logNonResident, 0, any},
            {u"$FILE_NAME", kAttrFileName, kCollateFileName, indexable | residentOnly, 0x44, 0x242},
            {u"$OBJECT_ID", kAttrObjectId, 0, residentOnly, 0, 0x100},
            {u"$SECURITY_DESCRIPTOR", kAttrSecurityDescriptor, 0, logNonResident, 0, any},
            {u"$VOLUME_NAME", kAttrVolumeName, 0, residentOnly, 2, 0x100},
            {u"$VOLUME_INFORMATION", kAttrVolumeInformation, 0, residentOnly, 0xC, 0xC},
            {u"$DATA", kAttrData, 0, 0, 0, any},
            {u"$INDEX_ROOT", kAttrIndexRoot, 0, residentOnly, 0, any},
            {u"$INDEX_ALLOCATION", kAttrIndexAllocation, 0, logNonResident, 0, any},
            {u"$BITMAP", kAttrBitmap, 0, logNonResident, 0, any},
            {u"$REPARSE_POINT", kAttrReparsePoint, 0, logNonResident, 0, 0x4000},
            {u"$EA_INFORMATION", kAttrEaInformation, 0, residentOnly, 8, 8},
            {u"$EA", kAttrEa, 0, 0, 0, 0x10000},
            {u"$LOGGED_UTILITY_STREAM", kAttrLoggedUtilityStream, 0, logNonResident, 0, 0x10000},
        };
        size_t at = 0;
        for (const Def& d : defs) {
            uint8_t* e = AttrDef.data() + at;
            putName(e, d.Name);
            put_le32(e + 0x80, d.Type);
            put_le32(e + 0x88, d.Collation);
            put_le32(e + 0x8C, d.Flags);
            put_le64(e + 0x90, d.Min);
            put_le64(e + 0x98, d.Max);
            at += 160;
        }
    }

    void buildRootIndex()
    {
        struct Entry {
            const char16_t* Name;
            uint64_t Reference;
            uint32_t Attributes;
        };
        // File-name collation: upper-cased names, shorter first on a tie; "." sorts after "$".
        const Entry entries[] = {
            {u"$AttrDef", fileRef(4, 4), kHiddenSystem},
            {u"$BadClus", fileRef(8, 8), kHiddenSystem},
            {u"$Bitmap", fileRef(6, 6), kHiddenSystem},
            {u"$Boot", fileRef(7, 7), kHiddenSystem},
            {u"$Extend", fileRef(11, 11), kHiddenSystem | kDupDirectory},
            {u"$LogFile", fileRef(2, 2), kHiddenSystem},
            {u"$MFT", fileRef(0, 1), kHiddenSystem},
            {u"$MFTMirr", fileRef(1, 1), kHiddenSystem},
            {u"$Secure", fileRef(9, 9), kHiddenSystem | kDupViewIndex},
            {u"$UpCase", fileRef(10, 10), kHiddenSystem},
            {u"$Volume", fileRef(3, 3), kHiddenSystem},
            {u".", kRootRef, kHiddenSystem | kDupDirectory},
        };
        uint8_t* r = RootIndex.data();
        constexpr size_t headerAt = 0x18;
        const uint16_t usaCount = UsaCount(NtfsImages::kRootIndexBytes);
        const size_t entriesAt = RoundUp(0x28 + 2 * usaCount, 8);
        std::memcpy(r, "INDX", 4);
        put_le16(r + kRecUsaOffset, 0x28);
        put_le16(r + kRecUsaCount, usaCount);
        size_t at = entriesAt;
        std::vector<Bytes> list;
        for (const Entry& e : entries)
            list.push_back(fileNameEntry(e.Reference, fileNameValue(kRootRef, e.Name, e.Attributes)));
        list.push_back(endEntry(false));
        for (const Bytes& e : list) {
            std::memcpy(r + at, e.data(), e.size());
            at += e.size();
        }
        put_le32(r + headerAt, uint32_t(entriesAt - headerAt));
        put_le32(r + headerAt + 4, uint32_t(at - headerAt));
        put_le32(r + headerAt + 8, uint32_t(NtfsImages::kRootIndexBytes - headerAt));
        put_le16(r + 0x28, 1);
        ApplyFixups(r, NtfsImages::kRootIndexBytes);
    }

    void buildRecords(const Bytes& systemSd, const std::vector<SecurityEntry>& security)
    {
        const uint16_t inUse = kRecordInUse, directory = kRecordInUse | kRecordDirectory,
                       viewIndex = kRecordInUse | kRecordViewIndex;
        auto std = [&](uint32_t securityId = NtfsImages::kSystemSecurityId) {
            return standardInformation(kHiddenSystem, securityId);
        };
        auto name = [](const char16_t* n, uint32_t extra = 0, uint64_t parent = kRootRef) {
            return fileName(parent, n, kHiddenSystem | extra);
        };
        const Bytes sd = resident(kAttrSecurityDescriptor, {}, systemSd);
        const Bytes emptyData = resident(kAttrData, {}, {});

        Bytes volumeInformation(12);
        volumeInformation[8] = 3; // version 3.1
        volumeInformation[9] = 1;

        // $Secure's indexes: $SDH by hash then id, $SII by id.
        std::vector<SecurityEntry> byHash = security;
        std::sort(byHash.begin(), byHash.end(),
                  [](const SecurityEntry& a, const SecurityEntry& b) { return a.Hash != b.Hash ? a.Hash < b.Hash : a.Id < b.Id; });
        std::vector<Bytes> sdh, sii;
        for (const SecurityEntry& e : byHash) {
            Bytes key(8);
            put_le32(key.data(), e.Hash);
            put_le32(key.data() + 4, e.Id);
            sdh.push_back(viewEntry(key, e.Header(), u16bytes(u"II")));
        }
        for (const SecurityEntry& e : security) {
            Bytes key(4);
            put_le32(key.data(), e.Id);
            sii.push_back(viewEntry(key, e.Header()));
        }

        Bytes rootBitmap(8);
        rootBitmap[0] = 1;

        std::vector<Bytes> extendEntries;
        for (const auto& [n, ref] : {std::pair<const char16_t*, uint64_t>{u"$ObjId", fileRef(25, 1)},
                                     {u"$Quota", fileRef(24, 1)}, {u"$Reparse", fileRef(26, 1)}})
            extendEntries.push_back(fileNameEntry(ref, fileNameValue(kExtendRef, n, kHiddenSystem | kDupViewIndex)));

        const RecordLayout layouts[27] = {
            {1, 1, inUse, {std(), name(u"$MFT"), nonResident(kAttrData), nonResident(kAttrBitmap)}},
            {1, 1, inUse, {std(), name(u"$MFTMirr"), nonResident(kAttrData)}},
            {2, 1, inUse, {std(), name(u"$LogFile"), nonResident(kAttrData)}},
            {3, 1, inUse, {std(), name(u"$Volume"), sd, resident(kAttrVolumeName, {}, {}),
                           resident(kAttrVolumeInformation, {}, volumeInformation), emptyData}},
            {4, 1, inUse, {std(), name(u"$AttrDef"), sd, nonResident(kAttrData)}},
            {5, 1, directory, {std(NtfsImages::kRootSecurityId), fileName(kRootRef, u".", kHiddenSystem | kDupDirectory),
                               nonResident(kAttrSecurityDescriptor),
                               indexRoot(u"$I30", kAttrFileName, kCollateFileName, {}, true),
                               nonResident(kAttrIndexAllocation, u"$I30"), resident(kAttrBitmap, u"$I30", rootBitmap)}},
            {6, 1, inUse, {std(), name(u"$Bitmap"), nonResident(kAttrData)}},
            {7, 1, inUse, {std(), name(u"$Boot"), sd, nonResident(kAttrData)}},
            {8, 1, inUse, {std(), name(u"$BadClus"), emptyData, nonResident(kAttrData, u"$Bad")}},
            {9, 1, viewIndex, {std(), name(u"$Secure", kDupViewIndex), nonResident(kAttrData, u"$SDS"),
                               indexRoot(u"$SDH", 0, kCollateSecurityHash, sdh),
                               indexRoot(u"$SII", 0, kCollateUlong, sii)}},
            {10, 1, inUse, {std(), name(u"$UpCase"), nonResident(kAttrData)}},
            {11, 1, directory, {std(), name(u"$Extend", kDupDirectory),
                                indexRoot(u"$I30", kAttrFileName, kCollateFileName, extendEntries)}},
            {12, 0, inUse, {std(), sd, emptyData}},
            {13, 0, inUse, {std(), sd, emptyData}},
            {14, 0, inUse, {std(), sd, emptyData}},
            {15, 0, inUse, {std(), sd, emptyData}},
            {}, {}, {}, {}, {}, {}, {}, {},
            {1, 1, viewIndex, {std(), name(u"$Quota", kDupViewIndex, kExtendRef), indexRoot(u"$O", 0, kCollateSid, {}),
                               indexRoot(u"$Q", 0, kCollateUlong, {})}},
            {1, 1, viewIndex, {std(), name(u"$ObjId", kDupViewIndex, kExtendRef), indexRoot(u"$O", 0, kCollateUlongs, {})}},
            {1, 1, viewIndex, {std(), name(u"$Reparse", kDupViewIndex, kExtendRef), indexRoot(u"$R", 0, kCollateUlongs, {})}},
        };
        for (uint32_t i = 0; i < 27; ++i)
            if (!layouts[i].Attributes.empty())
                buildRecord(Records.data() + i * NtfsImages::kTemplateRecordBytes, i, layouts[i]);
    }
};

const Images& images()
{
    static const Images built;
    return built;
}

} // namespace

namespace NtfsImages {

const uint8_t* TemplateRecords() { return images().Records.data(); }
const uint8_t* RootIndexRecord() { return images().RootIndex.data(); }
const uint8_t* AttributeDefinitions() { return images().AttrDef.data(); }
const uint8_t* RootSecurityDescriptor() { return images().RootSecurity.data(); }
const StreamByte* SecurityStream() { return images().Stream.data(); }

void BuildUpcaseTable(uint16_t* table)
{
    for (uint32_t c = 0; c < 0x10000; ++c)
        table[c] = uint16_t(c);
    for (const NtfsUpcaseRange& r : kUpcaseRanges)
        for (uint32_t c = r.First; c <= r.Last; ++c)
            table[c] = uint16_t(int(c) + r.Delta);
    for (const NtfsUpcaseAlternating& r : kUpcaseAlternating)
        for (uint32_t c = r.First + 1u; c <= r.Last; c += 2)
            table[c] = uint16_t(c - 1);
    for (const NtfsUpcaseSingle& s : kUpcaseSingles)
        table[s.Code] = s.Upper;
}

uint32_t SecurityDescriptorHash(const uint8_t* descriptor, size_t bytes)
{
    uint32_t hash = 0;
    for (size_t i = 0; i + 4 <= bytes; i += 4)
        hash = ((hash << 3) | (hash >> 29)) + le32(descriptor + i);
    return hash;
}

} // namespace NtfsImages
