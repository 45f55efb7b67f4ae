#include "NtfsLabel.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "engine/ByteOrder.h"
#include "engine/DiskEngine.h"
#include "engine/ntfs/NtfsMft.h"
#include "engine/ntfs/NtfsRecord.h"
#include "engine/ntfs/NtfsVolumeView.h"

namespace {

constexpr int kMaxLabelUnits = 32; // what Windows accepts for an NTFS label
constexpr int64_t kVolumeRecord = 3;

} // namespace

int SetNtfsVolumeLabel(ISectorDevice& volume, long long sectorCount, const char* label)
{
    const std::string text = label ? label : "";
    char16_t units[256];
    int count = 0;
    if (!text.empty()) {
        if (text.size() >= std::size(units))
            return 0;
        count = AnsiToUnicode(text.data(), int(text.size()), units, int(std::size(units)));
        if (count <= 0 || count > kMaxLabelUnits)
            return 0;
    }
    std::vector<uint8_t> value(size_t(count) * 2);
    for (int i = 0; i < count; ++i)
        put_le16(value.data() + 2 * i, uint16_t(units[i]));

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
