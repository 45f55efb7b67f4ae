#include "fs/ntfs/NtfsRecord.h"

#include "core/ByteOrder.h"

namespace Ntfs {

namespace {

// The header's array, checked against the record: {offset, entries}, or {0, 0} when unusable.
bool usaGeometry(const uint8_t* record, size_t recordBytes, size_t& offset, size_t& entries)
{
    if (recordBytes < kRecHeaderEnd || recordBytes % kFixupStride)
        return false;
    offset = le16(record + kRecUsaOffset);
    entries = le16(record + kRecUsaCount);
    return entries == UsaCount(recordBytes) && offset % 2 == 0 && fits(recordBytes, offset, 2 * entries)
        && offset + 2 * entries <= kFixupStride - 2;
}

} // namespace

bool ApplyFixups(uint8_t* record, size_t recordBytes)
{
    size_t offset, entries;
    if (!usaGeometry(record, recordBytes, offset, entries))
        return false;
    uint8_t* usa = record + offset;
    for (size_t i = 1; i < entries; ++i) {
        uint8_t* tail = record + i * kFixupStride - 2;
        usa[2 * i] = tail[0];
        usa[2 * i + 1] = tail[1];
        tail[0] = usa[0];
        tail[1] = usa[1];
    }
    return true;
}

bool UndoFixups(uint8_t* record, size_t recordBytes)
{
    size_t offset, entries;
    if (!usaGeometry(record, recordBytes, offset, entries))
        return false;
    const uint8_t* usa = record + offset;
    for (size_t i = 1; i < entries; ++i) {
        const uint8_t* tail = record + i * kFixupStride - 2;
        if (tail[0] != usa[0] || tail[1] != usa[1])
            return false;
    }
    for (size_t i = 1; i < entries; ++i) {
        uint8_t* tail = record + i * kFixupStride - 2;
        tail[0] = usa[2 * i];
        tail[1] = usa[2 * i + 1];
    }
    return true;
}

int RunFieldWidth(int64_t value)
{
    if (value >= 0) {
        const uint64_t v = uint64_t(value);
        int top = 0; // index of the highest non-zero byte
        for (int i = 7; i > 0; --i)
            if ((v >> (8 * i)) & 0xFF) {
                top = i;
                break;
            }
        const int width = top + 1 + (((v >> (8 * top)) & 0x80) ? 1 : 0);
        return width > 8 ? 8 : width;
    }
    // Negative: the byte count of the magnitude, plus a byte unless the sign bit is already there.
    const uint64_t magnitude = value == INT64_MIN ? uint64_t(1) << 63 : uint64_t(-value);
    int bytes = 1;
    while (bytes < 8 && (magnitude >> (8 * bytes)))
        ++bytes;
    if (bytes < 8 && !((uint64_t(value) >> (8 * bytes - 1)) & 1))
        ++bytes;
    return bytes;
}

} // namespace Ntfs
