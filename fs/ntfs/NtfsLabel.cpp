#include "fs/ntfs/NtfsLabel.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "core/ByteOrder.h"
#include "fs/ntfs/NtfsMft.h"
#include "fs/ntfs/NtfsRecord.h"
#include "fs/ntfs/NtfsVolumeView.h"
#include "core/LabelRule.h"

namespace {

constexpr size_t kMaxLabelUnits = 128; // $VOLUME_NAME holds at most 256 bytes
constexpr int64_t kVolumeRecord = 3;

} // namespace

int SetNtfsVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label)
{
    // Text that is not UTF-8 is refused rather than stored with replacement characters.
    std::u32string points;
    if (!DecodeUtf8(label ? label : "", points))
        return 0;
    std::vector<uint16_t> units;
    for (char32_t c : points) {
        if (c > 0xFFFF) {
            units.push_back(uint16_t(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(uint16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(uint16_t(c));
        }
    }
    if (units.size() > kMaxLabelUnits)
        return 0;
    std::vector<uint8_t> value(units.size() * 2);
    for (size_t i = 0; i < units.size(); ++i)
        put_le16(value.data() + 2 * i, units[i]);

    NtfsVolume v;
    if (!DescribeNtfsVolume(volume, 0, sectorCount, v))
        return 0;
    KNtfsMFT mft;
    if (!mft.Open(v, nullptr, true)) // with the mirror, which holds $Volume's copy
        return 0;
    KNtfsFileRecord record;
    if (!mft.ReadRecord(kVolumeRecord, record))
        return 0;
    const int at = record.FindAttribute(Ntfs::kAttrVolumeName);
    if (at >= 0) {
        KNtfsAttribute name = record.GetAttribute(size_t(at));
        if (name.IsNonResident() || !name.SetValue(value.data(), value.size()))
            return 0;
        record.ReplaceAttribute(size_t(at), name);
    } else {
        // A volume without the attribute gets one.
        std::vector<uint8_t> image(0x18, 0);
        put_le32(image.data(), Ntfs::kAttrVolumeName);
        put_le32(image.data() + Ntfs::kAttrLengthOff, 0x18);
        put_le16(image.data() + Ntfs::kResValueOffset, 0x18);
        KNtfsAttribute name;
        if (!name.Assign(image.data(), image.size()) || !name.SetValue(value.data(), value.size()))
            return 0;
        record.AddAttribute(name);
    }
    return mft.WriteRecord(kVolumeRecord, record) ? 1 : 0;
}
