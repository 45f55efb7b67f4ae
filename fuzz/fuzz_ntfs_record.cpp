// Fuzzes the NTFS file-record and MFT readers.
//
// The first byte picks what the rest of the input is:
//   even  one file record (1,024 bytes at most, padded with zeros to whole 512-byte strides):
//         Load, every attribute's getters, FindAttribute, and for a loaded record Serialize, which
//         must load again with the same attributes
//   odd   a volume image: DescribeNtfsVolume, KNtfsMFT::Open (attribute lists followed), then up to
//         64 records read and their extensions gathered
//
// Besides sanitizer reports, the target stops when a loaded record serialises into something that
// does not load or loads differently, or when anything writes to the disk.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzMemoryDisk.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsVolumeView.h"

namespace {

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "ntfs record: %s\n", what);
    std::abort();
}

void Record(const uint8_t* data, size_t size)
{
    const size_t length = size <= 512 ? 512 : 1024;
    std::vector<uint8_t> bytes(length, 0);
    std::memcpy(bytes.data(), data, std::min(size, length));
    KNtfsFileRecord record;
    if (!record.Load(bytes.data(), bytes.size()))
        return;
    for (size_t i = 0; i < record.GetAttributeCount(); ++i) {
        const KNtfsAttribute& a = record.GetAttribute(i);
        (void)a.GetName().ToUtf8();
        KNtfsRunList runs;
        if (a.IsNonResident())
            (void)a.GetRunList(runs);
        else if (a.GetValuePointer() == nullptr && a.GetValueLength() != 0)
            Fail("resident value without a pointer");
    }
    (void)record.FindAttribute(0x80, 0, {}, true);
    (void)record.FindAttribute(0x30);
    std::vector<uint8_t> again;
    if (!record.Serialize(again, length))
        return; // attributes rounded up to 8 may no longer fit
    KNtfsFileRecord reloaded;
    if (!reloaded.Load(again.data(), again.size()))
        Fail("a serialised record does not load");
    if (reloaded.GetAttributeCount() != record.GetAttributeCount())
        Fail("a serialised record lost attributes");
    for (size_t i = 0; i < record.GetAttributeCount(); ++i)
        if (reloaded.GetAttribute(i).GetType() != record.GetAttribute(i).GetType())
            Fail("a serialised record changed its attributes");
}

void Volume(const uint8_t* data, size_t size)
{
    fuzz::FuzzMemoryDisk disk(data, size, 0, fuzz::Tail::Fail);
    NtfsVolume volume;
    if (!DescribeNtfsVolume(disk, 0, disk.DataSectors(), volume))
        return;
    KNtfsMFT mft;
    if (!mft.Open(volume, nullptr, true))
        return;
    for (int64_t i = 0; i < mft.GetRecordCount() && i < 64; ++i) {
        KNtfsFileRecord record;
        if (mft.ReadRecord(i, record) && record.HasAttributeList())
            (void)record.LoadExtensions(mft);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4 * 1024 * 1024)
        return 0;
    if (data[0] & 1)
        Volume(data + 1, size - 1);
    else
        Record(data + 1, size - 1);
    return 0;
}
