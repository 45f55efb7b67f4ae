// Fuzzes the NTFS structure readers: run lists, single attributes, attribute lists and the boot sector.
//
// The first byte picks what the rest of the input is (its low two bits) and carries a parameter (the
// other six):
//   0  mapping pairs, decoded from VCN parameter x 4099; what decodes is re-encoded, decoded again,
//      coalesced, split and mapped
//   1  one attribute image; every getter runs, the run list is rebuilt through SetRunList, a resident
//      value is rewritten, and a non-resident attribute's data is read from a disk holding the same
//      bytes, with 2^(parameter % 8) sectors per cluster
//   2  an attribute list value, parsed, built and parsed again
//   3  a volume image: OpenVolume, then the $DATA attribute of MFT record 0 and the MFT through it
//
// Besides sanitizer reports, the target stops when a promise of the header breaks: a decoded list whose
// VCNs do not follow each other or whose runs are empty, a re-encoded list that decodes differently,
// split pieces that do not fit or do not add up to the list, an attribute whose length field disagrees
// with its image after a change, a read outside the disk, or a list that reads back differently.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzMemoryDisk.h"
#include "core/ByteOrder.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsStructures.h"

namespace {

constexpr size_t kMaxInputBytes = 1024 * 1024;
// Data sizes up to this are read; bigger claims only go through the checks before any reading.
constexpr int64_t kMaxReadBytes = 4 * 1024 * 1024;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "ntfs structures: %s\n", what);
    std::abort();
}

bool SameRuns(const KNtfsRunList& a, const KNtfsRunList& b)
{
    if (a.GetCount() != b.GetCount())
        return false;
    for (size_t i = 0; i < a.GetCount(); ++i)
        if (!(a[i] == b[i]))
            return false;
    return true;
}

void CheckShape(const KNtfsRunList& runs, int64_t startingVcn)
{
    int64_t vcn = startingVcn;
    for (const KDataRun& run : runs) {
        if (run.Vcn != vcn || run.Length <= 0 || run.Lcn < -1)
            Fail("decoded runs out of shape");
        if (__builtin_add_overflow(vcn, run.Length, &vcn))
            Fail("decoded VCNs overflow");
    }
}

void RunList(const uint8_t* data, size_t size, unsigned parameter)
{
    const int64_t startingVcn = int64_t(parameter) * 4099;
    KNtfsRunList runs;
    if (!runs.Decode(data, size, startingVcn)) {
        if (!runs.IsEmpty())
            Fail("failed decode left runs behind");
        return;
    }
    CheckShape(runs, startingVcn);

    const std::vector<uint8_t> encoded = runs.Encode();
    if (encoded.empty() || encoded.size() % 8 != 0 || encoded.back() != 0)
        Fail("encoding is not terminated and padded");
    KNtfsRunList again;
    if (!again.Decode(encoded.data(), encoded.size(), startingVcn) || !SameRuns(runs, again))
        Fail("re-encoded runs decode differently");
    if (again.Encode() != encoded)
        Fail("encoding is not stable");

    // Splitting: pieces fit and add up to the list.
    const size_t first = 8 + 8 * (parameter % 5);
    const size_t later = 16 + 8 * (parameter % 7);
    std::vector<KNtfsRunList> pieces;
    if (runs.Split(first, later, pieces)) {
        size_t joined = 0;
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].Encode().size() > (i == 0 ? first : later))
                Fail("split piece does not fit");
            for (const KDataRun& run : pieces[i])
                if (joined >= runs.GetCount() || !(run == runs[joined++]))
                    Fail("split pieces differ from the list");
        }
        if (joined != runs.GetCount())
            Fail("split pieces lose runs");
    } else if (!pieces.empty()) {
        Fail("failed split left pieces behind");
    }

    // Coalescing keeps every VCN where it was.
    KNtfsRunList merged = runs;
    merged.Coalesce();
    if (merged.GetTotalClusters() != runs.GetTotalClusters() || merged.GetCount() > runs.GetCount())
        Fail("coalescing changed the clusters");
    // Map walks the list: a few hundred runs are enough to see it agree.
    for (size_t i = 0; i < runs.GetCount() && i < 256; ++i) {
        const KDataRun& run = runs[i];
        int64_t left = 0, mergedLeft = 0;
        for (const int64_t vcn : {run.Vcn, run.Vcn + run.Length - 1}) {
            if (runs.Map(vcn, &left) != merged.Map(vcn, &mergedLeft) || left < 1 || mergedLeft < left)
                Fail("coalesced list maps differently");
        }
    }
    if (!runs.IsEmpty() && runs.Map(startingVcn - 1) != -2)
        Fail("VCN before the list is mapped");
}

// A non-resident attribute's data, read from `volume`.
void ReadThrough(const KNtfsAttribute& attribute, const NtfsVolume& volume)
{
    const int64_t dataSize = attribute.GetDataSize();
    if (dataSize < 0 || dataSize > kMaxReadBytes)
        return;
    std::vector<uint8_t> buffer(size_t(dataSize) + 1);
    const int64_t got = attribute.ReadData(volume, buffer.data(), int64_t(buffer.size()));
    if (got != -1 && (got < 0 || got > dataSize))
        Fail("ReadData result outside [0, data size]");
    if (attribute.ReadData(volume, buffer.data(), dataSize - 1) != -1 && dataSize > 0)
        Fail("ReadData took a short buffer");
}

void Attribute(const uint8_t* data, size_t size, unsigned parameter)
{
    KNtfsAttribute attribute;
    if (!attribute.Assign(data, size))
        return;
    if (attribute.Length() > size || attribute.GetRecordLength() != attribute.Length())
        Fail("assigned image disagrees with its length field");
    (void)attribute.GetType();
    (void)attribute.GetFlags();
    (void)attribute.GetName().ToUtf8();
    attribute.SetId(attribute.GetId() ^ 1);

    if (!attribute.IsNonResident()) {
        const uint8_t* value = attribute.GetValuePointer();
        if (!value && attribute.GetValueLength() != 0)
            Fail("resident value missing");
        std::vector<uint8_t> copy(attribute.GetValueLength());
        if (attribute.GetValue(copy.data(), copy.size()) != copy.size())
            Fail("resident value short");
        const KNtfsString name = attribute.GetName();
        if (!attribute.SetValue(copy.data(), copy.size() / 2))
            Fail("SetValue refused an assigned attribute");
        if (attribute.GetRecordLength() != attribute.Length() || attribute.Length() % 8 != 0
            || attribute.GetValueLength() != copy.size() / 2 || !(attribute.GetName() == name))
            Fail("SetValue left the image inconsistent");
        KNtfsAttribute again;
        if (!again.Assign(attribute.Data(), attribute.Length()))
            Fail("SetValue made an image that does not assign");
        return;
    }

    (void)attribute.GetLastVcn();
    (void)attribute.GetInitializedSize();
    KNtfsRunList runs;
    if (!attribute.GetRunList(runs))
        return;
    CheckShape(runs, attribute.GetStartingVcn());

    fuzz::FuzzMemoryDisk disk(data, size, 0, fuzz::Tail::Fail);
    NtfsVolume volume;
    volume.Device = &disk;
    volume.SectorsPerCluster = 1 << (parameter % 8);
    volume.TotalSectors = disk.ClaimedSectors();
    ReadThrough(attribute, volume);
    if (attribute.GetDataSize() >= 0 && attribute.GetDataSize() <= kMaxReadBytes)
        (void)attribute.WriteData(volume, nullptr, 0);
    if (disk.OutsideReads() != 0)
        Fail("read outside the disk");

    const KNtfsString name = attribute.GetName();
    if (!attribute.SetRunList(runs))
        Fail("SetRunList refused an assigned attribute");
    KNtfsRunList back;
    if (attribute.GetRecordLength() != attribute.Length() || attribute.Length() % 8 != 0
        || !attribute.GetRunList(back) || !SameRuns(runs, back) || !(attribute.GetName() == name))
        Fail("SetRunList left the image inconsistent");
}

void AttributeList(const uint8_t* data, size_t size)
{
    KNtfsAttributeList list;
    if (!list.Parse(data, size)) {
        if (!list.IsEmpty())
            Fail("failed parse left entries behind");
        return;
    }
    for (const tagAttriListElement& entry : list)
        if (entry.Name.GetCount() != entry.NameLength)
            Fail("name length disagrees");
    std::vector<uint8_t> built;
    if (!list.Build(built)) {
        if (!list.IsEmpty())
            Fail("Build refused a parsed list");
        return;
    }
    KNtfsAttributeList again;
    if (!again.Parse(built.data(), built.size()) || again.GetCount() != list.GetCount())
        Fail("built list does not parse back");
    for (size_t i = 0; i < list.GetCount(); ++i) {
        const tagAttriListElement& a = list[i];
        const tagAttriListElement& b = again[i];
        if (a.Type != b.Type || a.StartingVcn != b.StartingVcn || a.FileReference != b.FileReference
            || a.AttributeId != b.AttributeId || !(a.Name == b.Name) || a.Length != b.Length)
            Fail("built list reads back differently");
    }
    if (list.Find(list[0].Type, list[0].Name) != 0 || list.Find(list[0].Type, KNtfsString(), true) != 0)
        Fail("Find missed the first entry");
}

void Volume(const uint8_t* data, size_t size)
{
    if (size < 512)
        return;
    fuzz::FuzzMemoryDisk disk(data, size, 0, fuzz::Tail::Fail);
    NtfsVolume volume;
    if (!OpenVolume(&disk, 0, volume))
        return;
    const int spc = volume.SectorsPerCluster;
    if (spc < 1 || spc > 128 || (spc & (spc - 1)) != 0 || volume.FileRecordBytes() < 512
        || volume.FileRecordBytes() > 65536 || volume.IndexRecordBytes() < 512 || volume.MftLcn < 0
        || volume.MftLcn * spc >= volume.TotalSectors)
        Fail("OpenVolume accepted a geometry it promises to refuse");

    // The boot sector may claim more than the disk holds; a caller knows the partition's size.
    volume.TotalSectors = std::min(volume.TotalSectors, disk.ClaimedSectors());
    if (volume.MftLcn * spc > volume.TotalSectors - volume.FileRecordSectors)
        return;
    std::vector<uint8_t> record(size_t(volume.FileRecordBytes()));
    if (!disk.ReadSectors(record.data(), volume.MftLcn * spc, volume.FileRecordSectors)
        || !Ntfs::UndoFixups(record.data(), record.size()))
        return;
    size_t at = le16(record.data() + Ntfs::kRecAttrsOffset);
    while (fits(record.size(), at, 8) && le32(record.data() + at) != Ntfs::kAttrEnd) {
        const uint32_t length = le32(record.data() + at + 4);
        if (length == 0 || !fits(record.size(), at, length))
            return;
        if (le32(record.data() + at) == Ntfs::kAttrData) {
            KNtfsAttribute mft;
            if (mft.Assign(record.data() + at, record.size() - at) && mft.IsNonResident())
                ReadThrough(mft, volume);
            break;
        }
        at += length;
    }
    if (disk.OutsideReads() != 0)
        Fail("read outside the disk");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (size > kMaxInputBytes)
        size = kMaxInputBytes;
    const unsigned mode = data[0] & 3;
    const unsigned parameter = data[0] >> 2;
    ++data;
    --size;
    switch (mode) {
    case 0: RunList(data, size, parameter); break;
    case 1: Attribute(data, size, parameter); break;
    case 2: AttributeList(data, size); break;
    default: Volume(data, size); break;
    }
    return 0;
}
