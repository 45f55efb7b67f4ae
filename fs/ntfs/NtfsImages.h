// The fixed images a new NTFS volume starts from: template FILE records for the system files, the root
// directory's index record, the attribute definitions, the security descriptors and the upper-case
// table. The format copies them and patches sizes, places and times.
#pragma once

#include <cstddef>
#include <cstdint>

namespace NtfsImages {

constexpr size_t kTemplateRecordCount = 27;
constexpr size_t kTemplateRecordBytes = 1024;
constexpr size_t kRootIndexBytes = 4096;
constexpr size_t kAttrDefBytes = 2560;
constexpr size_t kRootSecurityBytes = 4144;
constexpr size_t kSecurityStreamBytes = 262592;
constexpr size_t kSecurityMirrorOffset = 0x40000;
constexpr size_t kUpcaseBytes = 0x20000;

// Security ids of the descriptors in $Secure: system files, and the root directory's.
constexpr uint32_t kSystemSecurityId = 0x100;
constexpr uint32_t kRootSecurityId = 0x101;

// 27 records of 1,024 bytes with their fixups applied; records 16 to 23 are zero (no template).
const uint8_t* TemplateRecords();
// The root directory's INDX record for VCN 0, fixups applied.
const uint8_t* RootIndexRecord();
const uint8_t* AttributeDefinitions();
// The root directory's self-relative security descriptor, zero-padded to kRootSecurityBytes.
const uint8_t* RootSecurityDescriptor();

// The security stream ($Secure:$SDS) as (offset, byte) pairs over a zeroed buffer, ended by offset -1.
struct StreamByte {
    int32_t Offset;
    uint8_t Value;
};
const StreamByte* SecurityStream();

// Fills 0x10000 upper-case values, one for every UTF-16 code unit.
void BuildUpcaseTable(uint16_t* table);

// The hash $Secure indexes descriptors by.
uint32_t SecurityDescriptorHash(const uint8_t* descriptor, size_t bytes);

} // namespace NtfsImages
