// NTFS on-disk constants and the helpers every NTFS routine shares: multi-sector record fixups and
// the byte widths of run-list fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Ntfs {

// Multi-sector records (FILE and INDX) are protected in 512-byte strides whatever the device's
// sector size: the last two bytes of every stride are saved in the update sequence array.
constexpr size_t kFixupStride = 512;

enum AttributeType : uint32_t {
    kAttrStandardInformation = 0x10,
    kAttrAttributeList = 0x20,
    kAttrFileName = 0x30,
    kAttrObjectId = 0x40,
    kAttrSecurityDescriptor = 0x50,
    kAttrVolumeName = 0x60,
    kAttrVolumeInformation = 0x70,
    kAttrData = 0x80,
    kAttrIndexRoot = 0x90,
    kAttrIndexAllocation = 0xA0,
    kAttrBitmap = 0xB0,
    kAttrReparsePoint = 0xC0,
    kAttrEaInformation = 0xD0,
    kAttrEa = 0xE0,
    kAttrLoggedUtilityStream = 0x100,
    kAttrEnd = 0xFFFFFFFF,
};

enum RecordFlags : uint16_t { kRecordInUse = 1, kRecordDirectory = 2, kRecordViewIndex = 8 };

// Collation rules of index roots.
enum Collation : uint32_t {
    kCollateBinary = 0,
    kCollateFileName = 1,
    kCollateUlong = 16,
    kCollateSid = 17,
    kCollateSecurityHash = 18,
    kCollateUlongs = 19,
};

// FILE record header offsets.
constexpr size_t kRecUsaOffset = 0x04, kRecUsaCount = 0x06, kRecLsn = 0x08, kRecSequence = 0x10,
                 kRecLinkCount = 0x12, kRecAttrsOffset = 0x14, kRecFlags = 0x16, kRecBytesInUse = 0x18,
                 kRecBytesAllocated = 0x1C, kRecBaseRecord = 0x20, kRecNextInstance = 0x28,
                 kRecNumber = 0x2C, kRecHeaderEnd = 0x30;

// Attribute header offsets (common, resident, non-resident).
constexpr size_t kAttrTypeOff = 0x00, kAttrLengthOff = 0x04, kAttrNonResidentOff = 0x08, kAttrNameLengthOff = 0x09,
                 kAttrNameOffsetOff = 0x0A, kAttrFlagsOff = 0x0C, kAttrInstanceOff = 0x0E;
constexpr size_t kResValueLength = 0x10, kResValueOffset = 0x14, kResFlags = 0x16, kResHeaderEnd = 0x18;
constexpr size_t kNrLowestVcn = 0x10, kNrHighestVcn = 0x18, kNrMappingPairsOffset = 0x20,
                 kNrCompressionUnit = 0x22, kNrAllocatedSize = 0x28, kNrDataSize = 0x30, kNrInitializedSize = 0x38,
                 kNrHeaderEnd = 0x40;

// Update sequence array entries for a record of `recordBytes`: one per stride plus the sequence number.
constexpr uint16_t UsaCount(size_t recordBytes) { return uint16_t(recordBytes / kFixupStride + 1); }

// Saves the last two bytes of every stride in the update sequence array and puts the update sequence
// number there. False when the header's array does not fit the record or does not match its size.
bool ApplyFixups(uint8_t* record, size_t recordBytes);
// Restores the saved bytes. False for a damaged record: an array that does not fit, or a stride whose
// last two bytes differ from the update sequence number (a torn write).
bool UndoFixups(uint8_t* record, size_t recordBytes);

// Bytes a run-list field takes for a value stored as a signed little-endian number (1 to 8).
int RunFieldWidth(int64_t value);

constexpr uint64_t RoundUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit * unit; }
constexpr uint64_t DivideUp(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit; }

} // namespace Ntfs
