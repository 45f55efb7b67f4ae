// Dynamic disks for tests, written from the public description of the Logical Disk Manager format:
// a partition table (one type 0x42 partition, or GPT LDM metadata and data partitions), private headers,
// tables of contents, the database header and one record per disk group, disk, volume, component and
// partition, fragmented over several slots where a record does not fit one. Every disk of a layout gets
// the same database; each names itself in its private header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace LdmImage {

enum class Style { Mbr, Gpt };
enum class Kind { Simple, Mirror, Spanned, Striped, Raid5 };

struct Extent {
    int disk = 0;
    int64_t offset = 0; // sectors from the start of the disk's public region
    int64_t sectors = 0;
};

struct Volume {
    std::string name;
    Kind kind = Kind::Simple;
    uint8_t partitionType = 0x07;
    char letter = 0;
    // Simple: one extent. Mirror: one per plex. Spanned, striped, RAID-5: one per column or piece.
    std::vector<Extent> extents;
};

struct Layout {
    Style style = Style::Mbr;
    std::vector<int64_t> diskSectors;
    std::vector<Volume> volumes;
    bool bootable = false;        // MBR style: the 0x42 entry is marked active
    bool scatterFragments = false; // a fragmented record's pieces are written far apart
};

// Where a disk's public region starts (the sectors volumes are placed in) and how long it is.
int64_t PublicStart(const Layout& layout, int disk);
int64_t PublicSectors(const Layout& layout, int disk);
// The database's first sector on a disk.
int64_t ConfigStart(const Layout& layout, int disk);
// The sector of a disk's first private header.
int64_t PrivateHeaderAt(const Layout& layout, int disk);
// The disk group's GUID (as ldmtool names it).
std::string GroupGuid();

// Writes the disks into the (sparse) image files, one per disk. "" or what went wrong.
std::string Write(const Layout& layout, const std::vector<std::string>& images);

// Sets the byte at `offset` of the sector and re-sums the sector's checksum field (at 0x08).
void PatchAndResum(const std::string& image, int64_t sector, int offset, uint8_t value);

} // namespace LdmImage
