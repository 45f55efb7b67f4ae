#include "LdmImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/TestSupport.h"

namespace LdmImage {

namespace {

constexpr int64_t kConfigSectors = 2048;
constexpr int64_t kGptMetadataStart = 2048;
constexpr int64_t kGptDataStart = 4096;
constexpr uint32_t kSlot = 128;
constexpr int64_t kVmdbAt = 17;       // the config region, inside the database
constexpr int64_t kConfigRegion = 1471;
constexpr int64_t kLogAt = kVmdbAt + kConfigRegion;
constexpr int64_t kLogRegion = 224;
constexpr uint64_t kSequence = 9;

using Bytes = std::vector<uint8_t>;

void be(Bytes& b, uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i)
        b.push_back(uint8_t(v >> (8 * i)));
}
void putBe(uint8_t* p, uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i)
        *p++ = uint8_t(v >> (8 * i));
}
void number(Bytes& b, uint64_t v)
{
    int n = 0;
    for (uint64_t x = v; x; x >>= 8)
        ++n;
    n = n == 0 ? 1 : n;
    b.push_back(uint8_t(n));
    be(b, v, n);
}
void text(Bytes& b, const std::string& s)
{
    b.push_back(uint8_t(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}
void zeros(Bytes& b, size_t n) { b.insert(b.end(), n, 0); }

void resum(uint8_t* sector)
{
    putBe(sector + 8, 0, 4);
    uint32_t sum = 0;
    for (int i = 0; i < 512; ++i)
        sum += sector[i];
    putBe(sector + 8, sum, 4);
}

std::string diskGuid(int disk)
{
    char g[40];
    std::snprintf(g, sizeof g, "0d1a7c3e-5b2f-4e6a-9c1d-00000000%04x", disk + 1);
    return g;
}

// A record: type byte and flags, then its data; the slot headers are added when it is laid out.
struct Record {
    uint8_t type;
    uint8_t flags;
    Bytes data;
};

Bytes recordBytes(const Record& r)
{
    Bytes b;
    zeros(b, 2); // update status: consistent
    b.push_back(r.flags);
    b.push_back(r.type);
    be(b, r.data.size(), 4);
    b.insert(b.end(), r.data.begin(), r.data.end());
    return b;
}

std::vector<Record> records(const Layout& layout, int& volumes, int& components, int& partitions)
{
    std::vector<Record> out;
    uint64_t next = 1;
    const uint64_t groupId = next++;
    {
        Record r{0x35, 0, {}};
        number(r.data, groupId);
        text(r.data, "VolmaraDg0");
        text(r.data, GroupGuid());
        zeros(r.data, 12);
        out.push_back(r);
    }
    std::vector<uint64_t> diskIds;
    for (size_t d = 0; d < layout.diskSectors.size(); ++d) {
        diskIds.push_back(next++);
        Record r{0x34, 0, {}};
        number(r.data, diskIds.back());
        text(r.data, "Disk" + std::to_string(d + 1));
        text(r.data, diskGuid(int(d)));
        text(r.data, "");
        zeros(r.data, 12);
        out.push_back(r);
    }
    volumes = components = partitions = 0;
    std::vector<int> partsOnDisk(layout.diskSectors.size(), 0);
    int volumeNumber = 0;
    for (const Volume& v : layout.volumes) {
        ++volumes;
        ++volumeNumber;
        const uint64_t volumeId = next++;
        const bool mirror = v.kind == Kind::Mirror;
        const bool raid = v.kind == Kind::Raid5;
        const int plexes = mirror ? int(v.extents.size()) : 1;
        int64_t size = 0;
        for (const Extent& e : v.extents)
            size += e.sectors;
        if (mirror)
            size = v.extents.front().sectors;
        if (raid)
            size = v.extents.front().sectors * int64_t(v.extents.size() - 1);
        {
            Record r{0x51, uint8_t(v.letter ? 0x02 : 0), {}};
            number(r.data, volumeId);
            text(r.data, v.name);
            text(r.data, raid ? "raid5" : "gen");
            text(r.data, "");
            Bytes state(14, 0);
            std::memcpy(state.data(), "ACTIVE", 6);
            r.data.insert(r.data.end(), state.begin(), state.end());
            r.data.push_back(raid ? 4 : 3);
            r.data.push_back(0);
            r.data.push_back(uint8_t(volumeNumber));
            zeros(r.data, 3);
            r.data.push_back(0);
            number(r.data, uint64_t(plexes));
            zeros(r.data, 8);
            be(r.data, 0, 8);
            number(r.data, uint64_t(size));
            zeros(r.data, 4);
            r.data.push_back(v.partitionType);
            for (int i = 0; i < 16; ++i)
                r.data.push_back(uint8_t(0x40 + volumeNumber * 16 + i));
            if (v.letter)
                text(r.data, std::string(1, v.letter) + ":");
            out.push_back(r);
        }
        for (int plex = 0; plex < plexes; ++plex) {
            ++components;
            const uint64_t componentId = next++;
            const int pieces = mirror ? 1 : int(v.extents.size());
            const bool striped = v.kind == Kind::Striped || raid;
            {
                Record r{0x32, uint8_t(striped ? 0x10 : 0), {}};
                number(r.data, componentId);
                text(r.data, v.name + "-" + (plex < 9 ? "0" : "") + std::to_string(plex + 1));
                text(r.data, "ACTIVE");
                r.data.push_back(raid ? 3 : striped ? 1 : 2);
                zeros(r.data, 4);
                number(r.data, uint64_t(pieces));
                zeros(r.data, 16);
                number(r.data, volumeId);
                zeros(r.data, 1);
                if (striped) {
                    number(r.data, 128);
                    number(r.data, uint64_t(pieces));
                }
                out.push_back(r);
            }
            int64_t volumeOffset = 0;
            for (int piece = 0; piece < pieces; ++piece) {
                const Extent& e = v.extents[size_t(mirror ? plex : piece)];
                ++partitions;
                Record r{0x33, 0, {}};
                number(r.data, next++);
                const int n = ++partsOnDisk[size_t(e.disk)];
                text(r.data, "Disk" + std::to_string(e.disk + 1) + "-" + (n < 10 ? "0" : "") + std::to_string(n));
                zeros(r.data, 12);
                be(r.data, uint64_t(e.offset), 8);
                be(r.data, uint64_t(striped ? 0 : volumeOffset), 8);
                number(r.data, uint64_t(e.sectors));
                number(r.data, componentId);
                number(r.data, diskIds[size_t(e.disk)]);
                out.push_back(r);
                volumeOffset += e.sectors;
            }
        }
    }
    return out;
}

// The database: header, records in slots (fragmented where needed) and the counts.
Bytes configRegion(const Layout& layout)
{
    int volumes = 0, components = 0, partitions = 0;
    const std::vector<Record> list = records(layout, volumes, components, partitions);
    Bytes area(size_t(kConfigRegion * 512), 0);
    uint32_t slot = 4; // the header takes the first four slots
    uint32_t last = 0;
    uint32_t group = 1;
    struct Piece {
        uint32_t group;
        uint16_t index, count;
        Bytes body;
    };
    std::vector<Piece> later; // scattered: continuation fragments go after every record's first one
    auto place = [&](const Piece& p) {
        const uint32_t at = slot++;
        uint8_t* s = area.data() + size_t(at) * kSlot;
        std::memcpy(s, "VBLK", 4);
        putBe(s + 4, at, 4);
        putBe(s + 8, p.group, 4);
        putBe(s + 12, p.index, 2);
        putBe(s + 14, p.count, 2);
        std::memcpy(s + 16, p.body.data(), p.body.size());
        last = std::max(last, at);
    };
    for (const Record& r : list) {
        const Bytes body = recordBytes(r);
        const size_t payload = kSlot - 16;
        const uint16_t count = uint16_t((body.size() + payload - 1) / payload);
        for (uint16_t i = 0; i < count; ++i) {
            const size_t from = i * payload;
            const Piece piece{group, i, count,
                              Bytes(body.begin() + int64_t(from), body.begin() + int64_t(std::min(body.size(), from + payload)))};
            if (layout.scatterFragments && i > 0)
                later.push_back(piece);
            else
                place(piece);
        }
        ++group;
    }
    for (const Piece& p : later)
        place(p);
    uint8_t* h = area.data();
    std::memcpy(h, "VMDB", 4);
    putBe(h + 0x04, last, 4);
    putBe(h + 0x08, kSlot, 4);
    putBe(h + 0x0C, 512, 4);
    putBe(h + 0x10, 1, 2);
    putBe(h + 0x12, 4, 2);
    putBe(h + 0x14, 10, 2);
    std::memcpy(h + 0x16, "VolmaraDg0", 10);
    const std::string g = GroupGuid();
    std::memcpy(h + 0x35, g.data(), g.size());
    putBe(h + 0x75, last, 8);
    putBe(h + 0x7D, last, 8);
    putBe(h + 0x85, uint64_t(volumes), 4);
    putBe(h + 0x89, uint64_t(components), 4);
    putBe(h + 0x8D, uint64_t(partitions), 4);
    putBe(h + 0x91, layout.diskSectors.size(), 4);
    return area;
}

Bytes privateHeader(const Layout& layout, int disk)
{
    Bytes s(512, 0);
    std::memcpy(s.data(), "PRIVHEAD", 8);
    putBe(&s[0x0C], 2, 2);
    putBe(&s[0x0E], layout.style == Style::Gpt ? 12 : 11, 2);
    putBe(&s[0x10], 0x01D9000000000000ull, 8);
    putBe(&s[0x18], kSequence, 8);
    putBe(&s[0x20], 6, 8);
    putBe(&s[0x28], 1856, 8);
    const std::string id = diskGuid(disk), host = "6b1f0e2a-7d3c-4f5e-8a9b-0c1d2e3f4a5b", group = GroupGuid();
    std::memcpy(&s[0x30], id.data(), id.size());
    std::memcpy(&s[0x70], host.data(), host.size());
    std::memcpy(&s[0xB0], group.data(), group.size());
    std::memcpy(&s[0xF0], "VolmaraDg0", 10);
    putBe(&s[0x10F], 512, 4);
    putBe(&s[0x11B], uint64_t(PublicStart(layout, disk)), 8);
    putBe(&s[0x123], uint64_t(PublicSectors(layout, disk)), 8);
    putBe(&s[0x12B], uint64_t(ConfigStart(layout, disk)), 8);
    putBe(&s[0x133], kConfigSectors, 8);
    putBe(&s[0x13B], 1, 8);
    putBe(&s[0x143], kConfigSectors - 3, 8);
    putBe(&s[0x14B], 1, 4);
    putBe(&s[0x14F], 1, 4);
    putBe(&s[0x153], kConfigRegion, 8);
    putBe(&s[0x15B], kLogRegion, 8);
    resum(s.data());
    return s;
}

Bytes toc()
{
    Bytes s(512, 0);
    std::memcpy(s.data(), "TOCBLOCK", 8);
    putBe(&s[0x0C], kSequence, 8);
    auto region = [&](size_t at, const char* name, int64_t start, int64_t size) {
        std::memcpy(&s[at], name, std::strlen(name));
        putBe(&s[at + 0x0A], uint64_t(start), 8);
        putBe(&s[at + 0x12], uint64_t(size), 8);
        putBe(&s[at + 0x1A], 6, 2);
        putBe(&s[at + 0x1C], 1, 2);
    };
    region(0x24, "config", kVmdbAt, kConfigRegion);
    region(0x46, "log", kLogAt, kLogRegion);
    resum(s.data());
    return s;
}

} // namespace

std::string GroupGuid()
{
    return "9f3e2d1c-0b4a-4c5d-8e6f-7a8b9c0d1e2f";
}

int64_t PublicStart(const Layout& layout, int)
{
    return layout.style == Style::Gpt ? kGptDataStart : 63;
}

int64_t PublicSectors(const Layout& layout, int disk)
{
    const int64_t total = layout.diskSectors[size_t(disk)];
    if (layout.style == Style::Gpt)
        return (total - 34 - kGptDataStart) / 2048 * 2048;
    return ConfigStart(layout, disk) - 63;
}

int64_t ConfigStart(const Layout& layout, int disk)
{
    return layout.style == Style::Gpt ? kGptMetadataStart : layout.diskSectors[size_t(disk)] - kConfigSectors;
}

int64_t PrivateHeaderAt(const Layout& layout, int disk)
{
    return layout.style == Style::Gpt ? ConfigStart(layout, disk) + kConfigSectors - 1 : 6;
}

std::string Write(const Layout& layout, const std::vector<std::string>& images)
{
    if (images.size() != layout.diskSectors.size())
        return "one image per disk";
    const Bytes config = configRegion(layout);
    for (size_t d = 0; d < images.size(); ++d) {
        const int disk = int(d);
        const int64_t total = layout.diskSectors[d];
        if (!TestSupport::MakeSparseFile(images[d], total * 512))
            return "cannot create " + images[d];
        std::string script;
        if (layout.style == Style::Gpt)
            script = "label: gpt\nstart=" + std::to_string(kGptMetadataStart) + ", size=" +
                     std::to_string(kConfigSectors) + ", type=5808C8AA-7E8F-42E0-85D2-E1E90434CFB3\nstart=" +
                     std::to_string(kGptDataStart) + ", size=" + std::to_string(PublicSectors(layout, disk)) +
                     ", type=AF9B60A0-1431-4F62-BC68-3311714A69AD\n";
        else
            script = "label: dos\nstart=63, size=" + std::to_string(total - 63) + ", type=42" +
                     (layout.bootable ? ", bootable" : "") + "\n";
        const TestSupport::ToolResult r = TestSupport::RunTool({"sfdisk", "--no-reread", "-q", images[d]}, script);
        if (r.exitCode != 0)
            return "sfdisk: " + r.output;
        const int64_t base = ConfigStart(layout, disk);
        const Bytes header = privateHeader(layout, disk), tocBlock = toc();
        bool ok = TestSupport::WriteBytes(images[d], (base + kVmdbAt) * 512, config);
        for (const int64_t at : {int64_t(1), int64_t(2), kConfigSectors - 3, kConfigSectors - 2})
            ok = ok && TestSupport::WriteBytes(images[d], (base + at) * 512, tocBlock);
        for (const int64_t at : {base + 1856, base + kConfigSectors - 1})
            ok = ok && TestSupport::WriteBytes(images[d], at * 512, header);
        if (layout.style == Style::Mbr)
            ok = ok && TestSupport::WriteBytes(images[d], 6 * 512, header);
        if (!ok)
            return "cannot write " + images[d];
    }
    return {};
}

void PatchAndResum(const std::string& image, int64_t sector, int offset, uint8_t value)
{
    std::vector<uint8_t> s = TestSupport::ReadBytes(image, sector * 512, 512);
    if (s.size() != 512)
        return;
    s[size_t(offset)] = value;
    resum(s.data());
    TestSupport::WriteBytes(image, sector * 512, s);
}

} // namespace LdmImage
