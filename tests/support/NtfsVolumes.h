// NTFS test volumes inside image files, as partitions are: the volume is the byte range
// [start * 512, (start + sectors) * 512) of the image and everything else in the image holds a pattern,
// so a test can prove that nothing outside its target changed. Volumes are made by mkntfs or by
// Volmara's format, filled through ntfs-3g with a fixed seed, snapshotted read-only through ntfs-3g and
// judged by ntfsfix, ntfsresize and a mount. The volume is copied out of the image into a file of its
// own for every tool (sparse copies: only data is read), so no loop device is ever needed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace NtfsVolumes {

// ntfs-3g with FUSE, mkntfs, ntfsfix, ntfsresize, ntfsls and ntfsinfo are all there.
bool HaveTools();

// A sparse image of `sectors` sectors filled with the seed's pattern.
bool MakeImage(const std::string& image, int64_t sectors, uint32_t seed);

enum class Maker { Mkntfs, Volmara };
const char* MakerName(Maker maker);

// Formats [start, start + sectors) of an existing image; hidden sectors are `start`. "" on success.
std::string Make(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                 Maker maker, int clusterBytes);

// Copies the volume file `volume` (holes read as zeros) over [start, start + its size) of the image.
bool Insert(const std::string& volume, const std::string& image, int64_t start);

// Mounts the volume at `start` read-write (ntfs-3g `options`), runs `work` on the mount point and
// writes the volume back when it succeeds. `work` answers "" or what went wrong.
std::string WithMount(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                      const std::string& options, const std::function<std::string(const std::string& root)>& work);

struct FillOptions {
    uint32_t seed = 1;
    int treeFiles = 200;        // files in deep and wide folders (a wide one gets INDX blocks)
    bool fragmented = false;    // files written into the holes left by deleting every other one
    bool fragmentedMft = false; // the MFT grows into single free clusters until record 0 needs a list
    int hardLinks = 0;          // names of one file, spread over two folders
    bool streams = false;       // named streams, resident and not, and a file holding only a stream
    bool sparse = false;        // files with holes at the start, middle and end
    bool compressed = false;    // a folder marked compressed with files written into it
    double beyond = 0;          // > 0: the files lie past this fraction of the volume
};
std::string Describe(const FillOptions& fill);

// Fills the volume at `start` through ntfs-3g. "" on success.
std::string Fill(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                 const FillOptions& fill);

// What a user can see of a volume: one line per path (type, size, hashes of the unnamed data and of
// every named stream, the NTFS attributes, and the first name of its hard-link group), and the
// `ntfsls -R -a -l` listing.
struct Snapshot {
    std::vector<std::string> entries;
    std::string listing;
    bool mounted = false;
    bool operator==(const Snapshot& o) const
    {
        return mounted == o.mounted && entries == o.entries && listing == o.listing;
    }
};
Snapshot Take(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors);
// The first lines that differ, for a failure message.
std::string Difference(const Snapshot& a, const Snapshot& b);
void PrintTo(const Snapshot& s, std::ostream* out);

// ntfsfix -n finds nothing, ntfsresize --info --force finds no cluster accounting mismatch, ntfs-3g
// mounts it and the volume is not marked dirty; fails the calling test otherwise. The boot sector may
// leave up to a cluster of the extent unused, and `slack` sectors more.
void ExpectHealthy(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                   const std::string& what, int64_t slack = 0);
// Only `ntfsfix -n`: exit 0 and its closing line.
bool FixClean(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
              std::string* output = nullptr);
// ntfsresize --info --force: exit 0 and no "Cluster accounting failed".
bool BitmapConsistent(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                      std::string* output = nullptr);

// A hash of every byte of the image outside [start, start + sectors).
uint64_t HashOutside(const std::string& image, int64_t start, int64_t sectors);

// Read from the image directly, not through any NTFS code of Volmara.
struct Layout {
    int64_t clusterBytes = 0, recordBytes = 0, mftLcn = 0, mirrorLcn = 0, totalSectors = 0, serial = 0;
};
Layout ReadLayout(const std::string& image, int64_t start);
// Record `number` of the MFT's first run, fixups undone; empty when it cannot be read.
std::vector<uint8_t> ReadRecord(const std::string& image, int64_t start, int64_t number);
// Writes a record read by ReadRecord back (fixups applied), and to $MFTMirr for the first four.
bool WriteRecord(const std::string& image, int64_t start, int64_t number, std::vector<uint8_t> record);
// Offset of the first attribute of `type` in a record, or -1.
int FindAttribute(const std::vector<uint8_t>& record, uint32_t type);
struct Run {
    int64_t lcn, length; // lcn -1: a hole
};
std::vector<Run> Runs(const std::vector<uint8_t>& record, int attribute);
// $Volume's flags (0x0001: dirty).
int VolumeFlags(const std::string& image, int64_t start);
bool SetVolumeFlags(const std::string& image, int64_t start, int flags);
// Marks `count` free clusters in the middle of $Bitmap used; the first one's number, or -1.
int64_t MarkFreeClustersUsed(const std::string& image, int64_t start, int count);
// Clusters from `firstCluster` on that $Bitmap marks used.
int64_t UsedClustersFrom(const std::string& image, int64_t start, int64_t firstCluster);

} // namespace NtfsVolumes
