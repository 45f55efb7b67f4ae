// Pieces every NTFS rebuild shares (the resizer and the merge): bitmap walks, blank records, a device
// that drops the checking pass's writes, the boot sector of a rebuilt volume and its MFT mirror.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/ISectorDevice.h"
#include "fs/KBitmap.h"
#include "fs/ntfs/NtfsStructures.h"

class KNtfsFileRecord;
class KNtfsMFT;

namespace NtfsRebuild {

// log2 of a power of two.
int Log2(int64_t value);

// The first clear (or set) bit in [from, end), or end.
int64_t NextBit(const KBitmap& b, int64_t from, int64_t end, bool set);

// Every run of set bits in [0, end): fn(first, count).
template <typename Fn>
void ForEachSetRun(const KBitmap& b, int64_t end, Fn fn)
{
    for (int64_t at = NextBit(b, 0, end, true); at < end;) {
        const int64_t stop = NextBit(b, at, end, false);
        fn(at, stop - at);
        at = NextBit(b, stop, end, true);
    }
}

// A record that is not in use, for MFT slots that never held one.
bool BlankRecord(int64_t number, size_t recordBytes, KNtfsFileRecord& record);

// Loads $Bitmap (record 6) of an opened volume into `bitmap` (one bit per cluster). 0, or why not:
// 1 the record cannot be read, 2 it has no $DATA, 3 its $DATA is resident or of a size that does not
// fit the volume, 4 a read failed, 5 out of memory.
int LoadVolumeBitmap(KNtfsMFT& mft, const NtfsVolume& volume, KBitmap& bitmap);

// The dirty flag of $Volume: a volume left dirty may hold half-done changes only its journal knows
// about. -1 when $Volume cannot be read.
int VolumeIsDirty(KNtfsMFT& mft);

// Whether the clusters $Bitmap marks (`marked`) agree with those the files own (`owned`): a cluster a
// file owns that $Bitmap calls free is never tolerated (it could be handed out and the file
// overwritten); clusters marked that no file owns are, up to 7 (the middle one, where old systems kept
// a boot sector copy, not counted).
bool BitmapMatchesFiles(const KBitmap& marked, const KBitmap& owned, int64_t clusters);

// Stands in for the target during a checking pass: reads go through, writes are dropped.
class DroppedWrites : public ISectorDevice {
public:
    explicit DroppedWrites(ISectorDevice* inner) : m_inner(inner) {}
    int ReadSectors(void* b, int64_t first, int64_t count) override { return m_inner->ReadSectors(b, first, count); }
    int WriteSectors(const void*, int64_t, int64_t) override { return 1; }
    int VerifySectors(int64_t first, int64_t count) override { return m_inner->VerifySectors(first, count); }
    int GetGeometry(DiskGeometry* g) override { return m_inner->GetGeometry(g); }
    int ZeroSectors(int64_t, int64_t) override { return 1; }

private:
    ISectorDevice* m_inner;
};

// Rewrites sector 0 of a boot region for `volume` (geometry from the device when it has one, hidden
// sectors the volume start or the sectors per track, a fresh serial number).
void FillBootSector(uint8_t* sector, ISectorDevice* device, const NtfsVolume& volume, bool hiddenIsStart);

// Copies the first records of the volume's MFT into its $MFTMirr. 0, or the failing step:
// 1 the MFT or its mirror cannot be opened, 2 out of memory, 3 a write failed.
int WriteMftMirror(const NtfsVolume& volume);

// A resident attribute of that type, name and value.
KNtfsAttribute ResidentAttribute(uint32_t type, const KNtfsString& name, const std::vector<uint8_t>& value);
// A non-resident attribute over `runs` (VCN 0 on), holding dataBytes, all of them initialized.
KNtfsAttribute NonResidentAttribute(uint32_t type, const KNtfsString& name, const KNtfsRunList& runs, int64_t dataBytes,
                                    int64_t clusterBytes);

// An index built over sorted entries (each an index entry without child pointer and flags): the
// root's entries (end entry included) and, when they do not all fit the root, the INDX blocks
// (fixups applied) with VCNs numbered from 0.
struct BuiltIndex {
    std::vector<uint8_t> root;
    bool large = false;
    std::vector<std::vector<uint8_t>> blocks;
};
// The root takes them all when they fit smallCap bytes; otherwise full INDX blocks, a level at a time,
// each block giving one entry to the level above, until a level fits largeCap. False when an entry
// is larger than a block or the tree grows too deep.
bool BuildIndex(const std::vector<std::vector<uint8_t>>& entries, size_t smallCap, size_t largeCap, int64_t indexBytes,
                int64_t clusterBytes, BuiltIndex& out);

} // namespace NtfsRebuild
