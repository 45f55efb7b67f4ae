#include "NtfsVolumes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "engine/KDisk.h"
#include "fs/ntfs/KNtfsFormat.h"
#include "support/ImageMount.h"
#include "support/VolumeCheck.h"

using namespace TestSupport;
namespace fsys = std::filesystem;

namespace NtfsVolumes {

namespace {

uint64_t hashBytes(const void* data, size_t n, uint64_t hash = 1469598103934665603ull)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i)
        hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

// Writes `bytes` at `offset` of a file, creating it.
bool put(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = bytes.empty() || ::pwrite(fd, bytes.data(), bytes.size(), offset) == ssize_t(bytes.size());
    return ::close(fd) == 0 && ok;
}

std::vector<uint8_t> randomBytes(size_t n, std::mt19937& random)
{
    std::vector<uint8_t> b(n);
    for (auto& c : b)
        c = uint8_t(random());
    return b;
}

// Text that compresses well, different for every seed.
std::vector<uint8_t> textBytes(size_t n, uint32_t seed)
{
    const std::string line = "line of compressible text number " + std::to_string(seed) + "; ";
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(line[i % line.size()] + (i / 4096 % 3));
    return b;
}

bool setAttributes(const std::string& path, uint32_t attributes)
{
    const uint8_t be[4] = {uint8_t(attributes >> 24), uint8_t(attributes >> 16), uint8_t(attributes >> 8),
                           uint8_t(attributes)};
    return ::lsetxattr(path.c_str(), "system.ntfs_attrib_be", be, 4, 0) == 0;
}

// A hash of one of ntfs-3g's system attributes (the raw security descriptor, the four NTFS times),
// or 0 when it cannot be read.
uint64_t systemAttributeHash(const std::string& path, const char* name)
{
    std::vector<uint8_t> value(65536);
    const ssize_t got = ::lgetxattr(path.c_str(), name, value.data(), value.size());
    return got < 0 ? 0 : hashBytes(value.data(), size_t(got));
}

uint32_t attributesOf(const std::string& path)
{
    uint8_t be[4] = {};
    if (::lgetxattr(path.c_str(), "system.ntfs_attrib_be", be, 4) != 4)
        return 0xFFFFFFFFu;
    return uint32_t(be[0]) << 24 | uint32_t(be[1]) << 16 | uint32_t(be[2]) << 8 | be[3];
}

int64_t freeBytes(const std::string& root)
{
    struct statvfs s = {};
    return ::statvfs(root.c_str(), &s) == 0 ? int64_t(s.f_bavail) * int64_t(s.f_frsize) : 0;
}

// Appends 1 MiB pieces to a file until `bytes` are written or the volume is full.
bool writeFiller(const std::string& path, int64_t bytes, uint32_t seed)
{
    std::mt19937 random(seed);
    const std::vector<uint8_t> piece = randomBytes(1 << 20, random);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    for (int64_t done = 0; done < bytes;) {
        const size_t n = size_t(std::min<int64_t>(int64_t(piece.size()), bytes - done));
        const ssize_t got = ::write(fd, piece.data(), n);
        if (got <= 0)
            break;
        done += got;
    }
    return ::close(fd) == 0;
}

// Every sector of a filler piece starts with this and the piece's number, so that a scan of the
// volume finds where ntfs-3g put each piece.
constexpr char kPieceMark[8] = {'V', 'o', 'L', 'm', 'F', 'i', 'L', 'l'};
constexpr int64_t kPieceBytes = 1 << 20;
constexpr const char* kMountedVolume = "mounted.vol";

// Fills the volume with pieces, then deletes those lying wholly past `fraction`: what is written
// next lands there. The pieces left are named in `kept`, to be deleted at the end.
std::string clearBeyond(const std::string& root, const std::string& volume, double fraction,
                        std::vector<std::string>& kept)
{
    fsys::create_directories(root + "/filler");
    std::vector<uint8_t> piece(static_cast<size_t>(kPieceBytes));
    int pieces = 0;
    for (bool full = false; !full; ++pieces) {
        for (size_t at = 0; at < piece.size(); at += 512) {
            std::memcpy(piece.data() + at, kPieceMark, 8);
            put_le32(piece.data() + at + 8, uint32_t(pieces));
            put_le32(piece.data() + at + 12, uint32_t(at));
        }
        const std::string path = root + "/filler/" + std::to_string(pieces);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        full = fd < 0 || ::write(fd, piece.data(), piece.size()) != ssize_t(piece.size()) || ::fsync(fd) != 0;
        if (fd >= 0)
            ::close(fd);
    }
    // Where each piece begins and ends, by sector.
    std::vector<int64_t> low(size_t(pieces), INT64_MAX), high(size_t(pieces), -1);
    const int fd = ::open(volume.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<uint8_t> chunk(4 << 20);
    int64_t sectors = 0;
    for (ssize_t got; fd >= 0 && (got = ::pread(fd, chunk.data(), chunk.size(), sectors * 512)) > 0;) {
        for (ssize_t at = 0; at + 512 <= got; at += 512, ++sectors) {
            const uint32_t n = le32(chunk.data() + at + 8);
            if (std::memcmp(chunk.data() + at, kPieceMark, 8) == 0 && n < uint32_t(pieces)) {
                low[n] = std::min(low[n], sectors);
                high[n] = std::max(high[n], sectors);
            }
        }
    }
    if (fd >= 0)
        ::close(fd);
    int64_t freed = 0;
    for (int n = 0; n < pieces; ++n) {
        const std::string path = root + "/filler/" + std::to_string(n);
        if (high[size_t(n)] >= 0 && low[size_t(n)] >= int64_t(fraction * double(sectors))) {
            fsys::remove(path);
            ++freed;
        } else {
            kept.push_back(path);
        }
    }
    return freed * kPieceBytes < int64_t(sectors * 512 * (1 - fraction) / 2) ? "ntfs-3g put too little beyond"
                                                                           : std::string();
}

std::string fillTree(const std::string& root, const FillOptions& f, int64_t clusterBytes, std::mt19937& random)
{
    // A wide folder (its index needs INDX blocks), a chain eight folders deep, and a few ordinary ones.
    std::string deep = root + "/deep";
    for (int level = 1; level <= 8; ++level)
        deep += "/level " + std::to_string(level);
    fsys::create_directories(deep);
    fsys::create_directories(root + "/wide folder");
    for (int i = 0; i < 4; ++i)
        fsys::create_directories(root + "/folder " + std::to_string(i) + " naïve ∑");
    for (int i = 0; i < f.treeFiles; ++i) {
        std::string folder;
        if (i % 2 == 0)
            folder = root + "/wide folder";
        else if (i % 6 == 1)
            folder = root + "/deep" + std::string("/level 1/level 2/level 3/level 4/level 5/level 6/level 7/level 8")
                                          .substr(0, size_t(8 * (i / 6 % 9)));
        else
            folder = root + "/folder " + std::to_string(i % 4) + " naïve ∑";
        fsys::create_directories(folder);
        const std::string name = folder + "/file " + std::to_string(i) + (i % 5 == 0 ? " with a long name ÄÖÜ" : "");
        int64_t bytes = int64_t(random() % 65536);
        switch (i % 10) {
        case 0: bytes = 0; break;
        case 1: case 2: case 3: bytes = int64_t(random() % 600); break; // resident
        case 4: bytes = clusterBytes * (1 + i % 3); break;               // ends on a cluster boundary
        default: break;
        }
        if (!put(name, 0, randomBytes(size_t(bytes), random)))
            return "write " + name;
    }
    if (f.treeFiles && !put(root + "/big file", 0, randomBytes(1 << 20, random)))
        return "write big file";
    return {};
}

std::string fillFragmented(const std::string& root, int64_t clusterBytes, std::mt19937& random)
{
    const std::string dir = root + "/fragmented";
    fsys::create_directories(dir);
    const int64_t small = clusterBytes * 3;
    const int count = int(std::min<int64_t>(200, std::max<int64_t>(40, (6 << 20) / small)));
    for (int i = 0; i < count; ++i)
        if (!put(dir + "/small " + std::to_string(i), 0, randomBytes(size_t(small - 5), random)))
            return "write small";
    for (int i = 0; i < count; i += 2)
        fsys::remove(dir + "/small " + std::to_string(i));
    for (int i = 0; i < 6; ++i)
        if (!put(dir + "/large " + std::to_string(i), 0, randomBytes(size_t(small * count / 16 + 11), random)))
            return "write large";
    return {};
}

// The MFT grows into single free clusters: a filler leaves about 12 MiB free, two files written a
// cluster at a time in turn fill that, one of them goes, and thousands of small files make the MFT
// grow into the holes it leaves. Deleting the filler and most small files leaves room again.
std::string fillFragmentedMft(const std::string& root, int64_t clusterBytes, std::mt19937& random)
{
    const int64_t room = std::max<int64_t>(12 << 20, clusterBytes * 64);
    const std::string filler = root + "/mft filler";
    if (!writeFiller(filler, freeBytes(root) - room, random()))
        return "write the MFT filler";
    const std::vector<uint8_t> piece = randomBytes(size_t(clusterBytes), random);
    const int a = ::open((root + "/turn a").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const int b = ::open((root + "/turn b").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    while (a >= 0 && b >= 0 && ::write(a, piece.data(), piece.size()) == ssize_t(piece.size()) &&
           ::write(b, piece.data(), piece.size()) == ssize_t(piece.size())) {
    }
    if (a >= 0)
        ::close(a);
    if (b >= 0)
        ::close(b);
    if (a < 0 || b < 0)
        return "open the turn files";
    fsys::remove(root + "/turn a");
    const std::string many = root + "/many";
    fsys::create_directories(many);
    // With small clusters the room may run out first: the MFT is long enough by then.
    int files = 0;
    while (files < 4000 && put(many + "/t" + std::to_string(files), 0, randomBytes(size_t(1 + files % 200), random)))
        ++files;
    if (files < 1000)
        return "only " + std::to_string(files) + " small files fit";
    fsys::remove(many + "/t" + std::to_string(files)); // a failed create may leave the name
    for (int i = 0; i < files; ++i)
        if (i % 4)
            fsys::remove(many + "/t" + std::to_string(i));
    fsys::remove(filler);
    return {};
}

std::string fillLinks(const std::string& root, int links, std::mt19937& random)
{
    fsys::create_directories(root + "/links/a");
    fsys::create_directories(root + "/links/b");
    const std::string target = root + "/links/target";
    if (!put(target, 0, randomBytes(3000, random)))
        return "write the link target";
    for (int i = 1; i < links; ++i) {
        const std::string name = root + (i % 2 ? "/links/a/name " : "/links/b/other name ") + std::to_string(i);
        if (::link(target.c_str(), name.c_str()) != 0)
            return "link " + std::to_string(i) + ": " + std::strerror(errno);
    }
    return {};
}

std::string fillStreams(const std::string& root, int64_t clusterBytes, std::mt19937& random)
{
    const std::string dir = root + "/streams";
    fsys::create_directories(dir);
    for (int i = 0; i < 8; ++i) {
        const std::string path = dir + "/with streams " + std::to_string(i);
        if (!put(path, 0, randomBytes(size_t(random() % 20000), random)))
            return "write";
        const std::vector<uint8_t> small = randomBytes(50, random);
        const std::vector<uint8_t> large = randomBytes(size_t(std::min<int64_t>(clusterBytes * 3, 60000) + 100 + i), random); // xattrs stop at 64 KiB
        if (::setxattr(path.c_str(), "user.small", small.data(), small.size(), 0) != 0 ||
            ::setxattr(path.c_str(), "user.large stream", large.data(), large.size(), 0) != 0)
            return std::string("named stream: ") + std::strerror(errno);
    }
    const std::string only = dir + "/only a stream";
    const std::vector<uint8_t> data = randomBytes(7000, random);
    if (!put(only, 0, {}) || ::setxattr(only.c_str(), "user.Zone.Identifier", data.data(), data.size(), 0) != 0)
        return "stream-only file";
    if (::setxattr(dir.c_str(), "user.on a folder", data.data(), 300, 0) != 0)
        return std::string("folder stream: ") + std::strerror(errno);
    return {};
}

std::string fillSparse(const std::string& root, std::mt19937& random)
{
    const std::string dir = root + "/sparse";
    fsys::create_directories(dir);
    const std::string holes = dir + "/holes", leading = dir + "/leading hole", trailing = dir + "/trailing hole";
    if (!put(holes, 0, randomBytes(4096, random)) || !put(holes, 5 << 20, randomBytes(70000, random)) ||
        !put(holes, (12 << 20) - 100, randomBytes(100, random)))
        return "write holes";
    if (!put(leading, 3 << 20, randomBytes(9000, random)))
        return "write leading";
    if (!put(trailing, 0, randomBytes(10000, random)))
        return "write trailing";
    fsys::resize_file(trailing, 6 << 20);
    for (const std::string& p : {holes, leading, trailing})
        if (!(attributesOf(p) & 0x200))
            return p + " is not sparse";
    return {};
}

std::string fillCompressed(const std::string& root, int64_t clusterBytes, std::mt19937& random)
{
    const std::string dir = root + "/compressed";
    fsys::create_directories(dir);
    if (!setAttributes(dir, 0x10 | 0x800))
        return std::string("mark compressed: ") + std::strerror(errno);
    for (int i = 0; i < 6; ++i)
        if (!put(dir + "/text " + std::to_string(i), 0, textBytes(size_t(30000 + i * 40000), random())))
            return "write text";
    if (!put(dir + "/random", 0, randomBytes(100000, random)) || !put(dir + "/holes", 0, textBytes(5000, 1)) ||
        !put(dir + "/holes", 1 << 20, randomBytes(70000, random)))
        return "write compressed";
    // ntfs-3g compresses only with clusters of 4 KiB at most.
    if (clusterBytes <= 4096 && !(attributesOf(dir + "/text 1") & 0x800))
        return "ntfs-3g did not compress";
    return {};
}

std::string toolOutput(const ToolResult& r) { return "exit " + std::to_string(r.exitCode) + "\n" + r.output; }

} // namespace

bool HaveTools()
{
    for (const char* tool : {"ntfs-3g", "mkntfs", "ntfsfix", "ntfsresize", "ntfsls", "ntfsinfo", "umount"})
        if (!HaveTool(tool))
            return false;
    return fsys::exists("/dev/fuse");
}

bool MakeImage(const std::string& image, int64_t sectors, uint32_t seed)
{
    return MakeSparseFile(image, sectors * 512) && FillPattern(image, 0, sectors * 512, seed);
}

const char* MakerName(Maker maker) { return maker == Maker::Mkntfs ? "mkntfs" : "Volmara"; }

std::string Make(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, Maker maker,
                 int clusterBytes)
{
    if (maker == Maker::Volmara) {
        KDisk disk;
        if (!disk.OpenPath(image, 0))
            return "open " + image;
        NtfsFormatParameters p;
        p.SectorsPerCluster = clusterBytes / 512;
        p.Label = "VOLMARA";
        KNtfsFormat format;
        const int rc = format.Format(&disk, start, sectors, start, p, nullptr);
        disk.Flush();
        return rc == kNtfsFormatOk ? std::string() : "format: " + std::to_string(rc);
    }
    const std::string vol = dir.File("make.vol");
    if (!MakeSparseFile(vol, sectors * 512))
        return "sparse";
    const ToolResult r = RunTool({"mkntfs", "-F", "-Q", "-q", "-L", "MKNTFS", "-c", std::to_string(clusterBytes), "-s",
                                  "512", "-p", std::to_string(start), "-H", "255", "-S", "63", vol});
    const bool ok = r.exitCode == 0 && Insert(vol, image, start);
    fsys::remove(vol);
    return ok ? std::string() : "mkntfs: " + toolOutput(r);
}

bool Insert(const std::string& volume, const std::string& image, int64_t start)
{
    const int in = ::open(volume.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(image.c_str(), O_WRONLY | O_CLOEXEC);
    struct stat st = {};
    bool ok = in >= 0 && out >= 0 && ::fstat(in, &st) == 0;
    const off_t first = off_t(start) * 512, size = st.st_size;
    // Holes of the volume become zeros in the image.
    if (ok && ::fallocate(out, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, first, size) != 0) {
        const std::vector<char> zeros(1 << 20, 0);
        for (off_t at = 0; ok && at < size; at += off_t(zeros.size())) {
            const size_t n = size_t(std::min<off_t>(off_t(zeros.size()), size - at));
            ok = ::pwrite(out, zeros.data(), n, first + at) == ssize_t(n);
        }
    }
    std::vector<char> buffer(1 << 20);
    for (off_t at = 0; ok && at < size;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0)
            break;
        const off_t hole = std::min<off_t>(size, ::lseek(in, data, SEEK_HOLE));
        for (off_t p = data; ok && p < hole;) {
            const ssize_t got = ::pread(in, buffer.data(), size_t(std::min<off_t>(off_t(buffer.size()), hole - p)), p);
            ok = got > 0 && ::pwrite(out, buffer.data(), size_t(got), first + p) == got;
            p += got > 0 ? got : 0;
        }
        at = hole;
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

std::string WithMount(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                      const std::string& options, const std::function<std::string(const std::string& root)>& work)
{
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, kMountedVolume);
    const std::string point = dir.File("mnt");
    std::string result;
    {
        ImageMount mount(vol, point, options);
        if (!mount.Mounted())
            result = "ntfs-3g: " + mount.Output();
        else if (result = work(point); !mount.Unmount() && result.empty())
            result = "umount";
    }
    if (result.empty() && !Insert(vol, image, start))
        result = "insert";
    fsys::remove(vol);
    return result;
}

std::string Describe(const FillOptions& f)
{
    std::string s = std::to_string(f.treeFiles) + " files";
    if (f.fragmented)
        s += ", fragmented";
    if (f.fragmentedMft)
        s += ", fragmented MFT";
    if (f.hardLinks)
        s += ", " + std::to_string(f.hardLinks) + " links";
    if (f.streams)
        s += ", streams";
    if (f.sparse)
        s += ", sparse";
    if (f.compressed)
        s += ", compressed";
    if (f.beyond > 0)
        s += ", beyond " + std::to_string(int(f.beyond * 100)) + " %";
    return s;
}

std::string Fill(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, const FillOptions& f)
{
    const int64_t clusterBytes = ReadLayout(image, start).clusterBytes;
    if (clusterBytes <= 0)
        return "no NTFS boot sector";
    return WithMount(dir, image, start, sectors, "streams_interface=xattr,compression", [&](const std::string& root) {
        std::mt19937 random(f.seed);
        std::string e;
        if (f.fragmentedMft && (e = fillFragmentedMft(root, clusterBytes, random), !e.empty()))
            return e;
        // Only the space past the fraction is free while the files are written.
        std::vector<std::string> kept;
        if (f.beyond > 0 && (e = clearBeyond(root, dir.File(kMountedVolume), f.beyond, kept), !e.empty()))
            return e;
        if ((e = fillTree(root, f, clusterBytes, random)).empty() && f.fragmented)
            e = fillFragmented(root, clusterBytes, random);
        if (e.empty() && f.hardLinks)
            e = fillLinks(root, f.hardLinks, random);
        if (e.empty() && f.streams)
            e = fillStreams(root, clusterBytes, random);
        if (e.empty() && f.sparse)
            e = fillSparse(root, random);
        if (e.empty() && f.compressed)
            e = fillCompressed(root, clusterBytes, random);
        for (const std::string& piece : kept)
            fsys::remove(piece);
        if (f.beyond > 0)
            fsys::remove(root + "/filler");
        return e;
    });
}

Snapshot Take(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors)
{
    Snapshot s;
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "snapshot.vol");
    const std::string point = dir.File("snapshot");
    {
        ImageMount mount(vol, point, "ro,streams_interface=xattr");
        s.mounted = mount.Mounted();
        std::set<std::string> paths;
        if (s.mounted)
            for (const auto& e : fsys::recursive_directory_iterator(point))
                paths.insert(e.path().string());
        std::map<ino_t, std::string> groups; // inode -> the first of its names
        for (const std::string& path : paths) {
            struct stat st = {};
            if (::lstat(path.c_str(), &st) != 0) {
                s.entries.push_back(path + ": lstat failed");
                continue;
            }
            std::ostringstream line;
            line << fsys::relative(path, point).string();
            if (S_ISDIR(st.st_mode)) {
                line << " dir";
            } else if (S_ISREG(st.st_mode)) {
                line << " file " << st.st_size << " data " << std::hex << HashRange(path, 0, st.st_size) << std::dec;
            } else {
                line << " mode " << std::oct << st.st_mode << std::dec;
            }
            std::vector<char> names(65536);
            const ssize_t n = ::llistxattr(path.c_str(), names.data(), names.size());
            std::set<std::string> streams;
            for (ssize_t at = 0; at < n; at += ssize_t(std::strlen(names.data() + at)) + 1)
                streams.insert(names.data() + at);
            for (const std::string& name : streams) {
                std::vector<uint8_t> value(size_t(std::max<ssize_t>(0, ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0))));
                const ssize_t got = ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
                line << " [" << name << " " << got << " " << std::hex << hashBytes(value.data(), value.size()) << std::dec
                     << "]";
            }
            line << " attributes " << std::hex << attributesOf(path) << " acl " << systemAttributeHash(path, "system.ntfs_acl")
                 << " times " << systemAttributeHash(path, "system.ntfs_times") << std::dec;
            if (!S_ISDIR(st.st_mode) && st.st_nlink > 1) {
                const auto g = groups.emplace(st.st_ino, fsys::relative(path, point).string()).first;
                line << " links " << st.st_nlink << " with " << g->second;
            }
            s.entries.push_back(line.str());
        }
        if (s.mounted && !mount.Unmount())
            s.entries.push_back("the snapshot mount did not go away");
    }
    const ToolResult ls = RunTool({"ntfsls", "-R", "-a", "-l", vol});
    s.listing = toolOutput(ls);
    fsys::remove(vol);
    return s;
}

std::string Difference(const Snapshot& a, const Snapshot& b)
{
    std::ostringstream out;
    if (a.mounted != b.mounted)
        out << "mounted " << a.mounted << " vs " << b.mounted << "\n";
    out << a.entries.size() << " vs " << b.entries.size() << " entries\n";
    int shown = 0;
    for (size_t i = 0; i < std::max(a.entries.size(), b.entries.size()) && shown < 6; ++i) {
        const std::string x = i < a.entries.size() ? a.entries[i] : "(none)";
        const std::string y = i < b.entries.size() ? b.entries[i] : "(none)";
        if (x != y) {
            out << "- " << x << "\n+ " << y << "\n";
            ++shown;
        }
    }
    if (a.listing != b.listing) {
        size_t at = 0;
        while (at < a.listing.size() && at < b.listing.size() && a.listing[at] == b.listing[at])
            ++at;
        const size_t from = a.listing.rfind('\n', at) == std::string::npos ? 0 : a.listing.rfind('\n', at) + 1;
        out << "listings differ from: " << a.listing.substr(from, 200) << "\n vs: " << b.listing.substr(from, 200)
            << "\n";
    }
    return out.str();
}

void PrintTo(const Snapshot& s, std::ostream* out)
{
    *out << s.entries.size() << " entries, listing of " << s.listing.size() << " bytes";
}

bool FixClean(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, std::string* output)
{
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "fix.vol");
    const ToolResult r = RunTool({"ntfsfix", "-n", vol});
    fsys::remove(vol);
    if (output)
        *output = toolOutput(r);
    return r.exitCode == 0 && r.output.find("was processed successfully") != std::string::npos;
}

bool BitmapConsistent(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                      std::string* output)
{
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "info.vol");
    const ToolResult r = RunTool({"ntfsresize", "--info", "--force", "--no-progress-bar", vol});
    fsys::remove(vol);
    if (output)
        *output = toolOutput(r).substr(0, 4000);
    return r.exitCode == 0 && r.output.find("Cluster accounting failed") == std::string::npos &&
           r.output.find("ERROR") == std::string::npos;
}

void ExpectHealthy(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                   const std::string& what, int64_t slack)
{
    std::string out;
    EXPECT_TRUE(FixClean(dir, image, start, sectors, &out)) << what << "\n" << out;
    EXPECT_TRUE(BitmapConsistent(dir, image, start, sectors, &out)) << what << "\n" << out;
    EXPECT_EQ(VolumeFlags(image, start) & 1, 0) << what << ": marked dirty";
    const Layout layout = ReadLayout(image, start);
    EXPECT_LE(layout.totalSectors, sectors) << what << ": the boot sector claims more than the extent";
    EXPECT_GE(layout.totalSectors, sectors - 1 - layout.clusterBytes / 512 - slack) << what;
    const std::string vol = VolumeCheck::Extract(dir, image, start, sectors, "healthy.vol");
    {
        ImageMount mount(vol, dir.File("healthy"), "ro");
        EXPECT_TRUE(mount.Mounted()) << what << "\n" << mount.Output();
    }
    fsys::remove(vol);
}

uint64_t HashOutside(const std::string& image, int64_t start, int64_t sectors)
{
    const int64_t size = int64_t(fsys::file_size(image)), end = (start + sectors) * 512;
    return HashRange(image, 0, start * 512) * 31 + HashRange(image, end, std::max<int64_t>(0, size - end));
}

Layout ReadLayout(const std::string& image, int64_t start)
{
    Layout l;
    const std::vector<uint8_t> b = ReadBytes(image, start * 512, 512);
    if (b.size() != 512 || std::memcmp(b.data() + 3, "NTFS    ", 8) != 0)
        return l;
    const int spc = b[0x0D] > 0x80 ? 1 << (256 - b[0x0D]) : b[0x0D];
    l.clusterBytes = int64_t(le16(b.data() + 0x0B)) * spc;
    const int8_t perRecord = int8_t(b[0x40]);
    l.recordBytes = perRecord > 0 ? perRecord * l.clusterBytes : int64_t(1) << -perRecord;
    l.totalSectors = int64_t(le64(b.data() + 0x28));
    l.mftLcn = int64_t(le64(b.data() + 0x30));
    l.mirrorLcn = int64_t(le64(b.data() + 0x38));
    l.serial = int64_t(le64(b.data() + 0x48));
    return l;
}

std::vector<uint8_t> ReadRecord(const std::string& image, int64_t start, int64_t number)
{
    const Layout l = ReadLayout(image, start);
    if (l.clusterBytes <= 0)
        return {};
    std::vector<uint8_t> r = ReadBytes(image, start * 512 + l.mftLcn * l.clusterBytes + number * l.recordBytes,
                                       l.recordBytes);
    if (r.size() != size_t(l.recordBytes) || std::memcmp(r.data(), "FILE", 4) != 0)
        return {};
    const size_t usa = le16(r.data() + 4), count = le16(r.data() + 6);
    if (usa + 2 * count > r.size() || (count - 1) * 512 != r.size())
        return {};
    for (size_t i = 1; i < count; ++i) {
        if (le16(r.data() + i * 512 - 2) != le16(r.data() + usa))
            return {};
        std::memcpy(r.data() + i * 512 - 2, r.data() + usa + 2 * i, 2);
    }
    return r;
}

bool WriteRecord(const std::string& image, int64_t start, int64_t number, std::vector<uint8_t> r)
{
    const Layout l = ReadLayout(image, start);
    if (r.size() != size_t(l.recordBytes))
        return false;
    const size_t usa = le16(r.data() + 4), count = le16(r.data() + 6);
    for (size_t i = 1; i < count; ++i) {
        std::memcpy(r.data() + usa + 2 * i, r.data() + i * 512 - 2, 2);
        std::memcpy(r.data() + i * 512 - 2, r.data() + usa, 2);
    }
    bool ok = WriteBytes(image, start * 512 + l.mftLcn * l.clusterBytes + number * l.recordBytes, r);
    if (number < 4)
        ok = WriteBytes(image, start * 512 + l.mirrorLcn * l.clusterBytes + number * l.recordBytes, r) && ok;
    return ok;
}

int FindAttribute(const std::vector<uint8_t>& r, uint32_t type)
{
    if (r.size() < 0x18)
        return -1;
    for (size_t at = le16(r.data() + 0x14); at + 8 <= r.size();) {
        const uint32_t t = le32(r.data() + at), length = le32(r.data() + at + 4);
        if (t == 0xFFFFFFFFu || length < 8)
            return -1;
        if (t == type)
            return int(at);
        at += length;
    }
    return -1;
}

std::vector<Run> Runs(const std::vector<uint8_t>& r, int attribute)
{
    std::vector<Run> runs;
    if (attribute < 0 || !r[size_t(attribute) + 8])
        return runs;
    const size_t end = size_t(attribute) + le32(r.data() + attribute + 4);
    int64_t lcn = 0;
    for (size_t p = size_t(attribute) + le16(r.data() + attribute + 0x20); p < end && r[p];) {
        const int lengthBytes = r[p] & 15, offsetBytes = r[p] >> 4;
        ++p;
        if (p + size_t(lengthBytes + offsetBytes) > end)
            break;
        int64_t length = 0, offset = 0;
        for (int i = 0; i < lengthBytes; ++i)
            length |= int64_t(r[p + size_t(i)]) << (8 * i);
        p += size_t(lengthBytes);
        for (int i = 0; i < offsetBytes; ++i)
            offset |= int64_t(r[p + size_t(i)]) << (8 * i);
        if (offsetBytes && (r[p + size_t(offsetBytes) - 1] & 0x80))
            offset -= int64_t(1) << (8 * offsetBytes);
        p += size_t(offsetBytes);
        lcn += offset;
        runs.push_back({offsetBytes ? lcn : -1, length});
    }
    return runs;
}

namespace {

// $VOLUME_INFORMATION's flags field in record 3, or -1.
int volumeFlagsAt(const std::vector<uint8_t>& r)
{
    const int a = FindAttribute(r, 0x70);
    if (a < 0 || r[size_t(a) + 8])
        return -1;
    return a + le16(r.data() + a + 0x14) + 0x0A;
}

struct VolumeBitmap {
    Layout layout;
    std::vector<Run> runs;
    std::vector<uint8_t> bytes;
};

VolumeBitmap readBitmap(const std::string& image, int64_t start)
{
    VolumeBitmap b;
    b.layout = ReadLayout(image, start);
    const std::vector<uint8_t> r = ReadRecord(image, start, 6);
    b.runs = Runs(r, FindAttribute(r, 0x80));
    for (const Run& run : b.runs) {
        const std::vector<uint8_t> part = ReadBytes(image, start * 512 + run.lcn * b.layout.clusterBytes,
                                                    run.length * b.layout.clusterBytes);
        b.bytes.insert(b.bytes.end(), part.begin(), part.end());
    }
    return b;
}

} // namespace

int VolumeFlags(const std::string& image, int64_t start)
{
    const std::vector<uint8_t> r = ReadRecord(image, start, 3);
    const int at = volumeFlagsAt(r);
    return at < 0 ? -1 : le16(r.data() + at);
}

bool SetVolumeFlags(const std::string& image, int64_t start, int flags)
{
    std::vector<uint8_t> r = ReadRecord(image, start, 3);
    const int at = volumeFlagsAt(r);
    if (at < 0)
        return false;
    put_le16(r.data() + at, uint16_t(flags));
    return WriteRecord(image, start, 3, r);
}

int64_t MarkFreeClustersUsed(const std::string& image, int64_t start, int count)
{
    VolumeBitmap b = readBitmap(image, start);
    const int64_t clusters = b.layout.totalSectors * 512 / std::max<int64_t>(1, b.layout.clusterBytes);
    auto used = [&](int64_t c) { return (b.bytes[size_t(c / 8)] >> (c % 8)) & 1; };
    if (int64_t(b.bytes.size()) * 8 < clusters)
        return -1;
    for (int64_t first = clusters / 2; first + count <= clusters; ++first) {
        int k = 0;
        while (k < count && !used(first + k))
            ++k;
        if (k < count) {
            first += k;
            continue;
        }
        for (k = 0; k < count; ++k)
            b.bytes[size_t((first + k) / 8)] |= uint8_t(1 << ((first + k) % 8));
        size_t at = 0;
        for (const Run& run : b.runs) {
            const size_t n = size_t(run.length * b.layout.clusterBytes);
            if (!WriteBytes(image, start * 512 + run.lcn * b.layout.clusterBytes,
                            std::vector<uint8_t>(b.bytes.begin() + long(at), b.bytes.begin() + long(at + n))))
                return -1;
            at += n;
        }
        return first;
    }
    return -1;
}

int64_t UsedClustersFrom(const std::string& image, int64_t start, int64_t firstCluster)
{
    const VolumeBitmap b = readBitmap(image, start);
    const int64_t clusters = b.layout.totalSectors * 512 / std::max<int64_t>(1, b.layout.clusterBytes);
    int64_t used = 0;
    for (int64_t c = std::max<int64_t>(0, firstCluster); c < clusters && c / 8 < int64_t(b.bytes.size()); ++c)
        used += (b.bytes[size_t(c / 8)] >> (c % 8)) & 1;
    return used;
}

} // namespace NtfsVolumes
