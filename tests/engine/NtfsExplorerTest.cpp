// The NTFS directory reader against volumes filled through a FUSE mount and read back by the field's own tools.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/ByteOrder.h"
#include "fs/IFileSystemExplorer.h"
#include "engine/KDisk.h"
#include "core/FileSystemTypes.h"
#include "support/TableFixtures.h"
#include "support/ImageMount.h"
#include "support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr int64_t kPartitionStart = 2048;
constexpr int64_t kClusterBytes = 4096;

std::string missingNtfsTool()
{
    for (const char* tool : {"mkntfs", "ntfs-3g", "ntfsls", "ntfscat", "ntfsinfo", "ntfsfix", "sfdisk", "umount"})
        if (!HaveTool(tool))
            return tool;
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return "/dev/fuse";
    return {};
}

#define SKIP_WITHOUT_NTFS_TOOLS()                                                                                     \
    do {                                                                                                               \
        const std::string missing = missingNtfsTool();                                                                 \
        if (!missing.empty())                                                                                          \
            GTEST_SKIP() << missing << " missing";                                                                     \
    } while (0)

std::vector<uint8_t> content(uint32_t seed, size_t size)
{
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = uint8_t(x >> 24);
    }
    return bytes;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, std::min<size_t>(bytes.size() - done, 1 << 16));
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

std::vector<uint8_t> wholeFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return ReadBytes(path, 0, st.st_size);
}

// Names longer than the listing's 255 bytes are cut at a character boundary.
std::string cutName(const std::string& name)
{
    if (name.size() <= 255)
        return name;
    size_t n = 255;
    while (n > 0 && (uint8_t(name[n]) & 0xC0) == 0x80)
        --n;
    return name.substr(0, n);
}

std::string cutPath(const std::string& path)
{
    std::string out;
    std::istringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (!part.empty())
            out.append("/").append(cutName(part));
    return out;
}

std::string repeat(const std::string& unit, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

// A disk image with an MBR table whose one partition, at sector 2048, holds a copy of the volume.
std::string partitionedCopy(const TempDir& dir, const std::string& volume, int64_t volumeBytes)
{
    const std::string disk = dir.File("disk.img");
    const int64_t sectors = volumeBytes / 512;
    if (!MakeSparseFile(disk, (kPartitionStart + sectors + 2048) * 512))
        return {};
    if (Sfdisk(disk, "label: dos\nstart=" + std::to_string(kPartitionStart) + ", size=" + std::to_string(sectors)
                         + ", type=7\n")
            .exitCode != 0)
        return {};
    return TableFixtures::CopyInto(volume, disk, kPartitionStart * 512) ? disk : std::string();
}

// The partition's bytes back out as a volume image the tools can open.
bool extractVolume(const std::string& disk, const std::string& volume, int64_t volumeBytes)
{
    if (!MakeSparseFile(volume, volumeBytes))
        return false;
    const int in = ::open(disk.c_str(), O_RDONLY | O_CLOEXEC), out = ::open(volume.c_str(), O_WRONLY | O_CLOEXEC);
    bool ok = in >= 0 && out >= 0;
    std::vector<uint8_t> buffer(1 << 20);
    for (int64_t at = 0; ok && at < volumeBytes; at += int64_t(buffer.size())) {
        const size_t n = size_t(std::min<int64_t>(int64_t(buffer.size()), volumeBytes - at));
        ok = ::pread(in, buffer.data(), n, kPartitionStart * 512 + at) == ssize_t(n);
        const bool zero = std::all_of(buffer.begin(), buffer.begin() + ptrdiff_t(n), [](uint8_t b) { return b == 0; });
        if (ok && !zero)
            ok = ::pwrite(out, buffer.data(), n, at) == ssize_t(n);
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

bool makeVolume(const std::string& image, int64_t bytes)
{
    return MakeSparseFile(image, bytes)
        && RunTool({"mkntfs", "-Q", "-F", "-p", std::to_string(kPartitionStart), "-L", "Explorer", image}).exitCode
               == 0;
}

// A file's bytes as the field's own reader gives them.
std::vector<uint8_t> toolRead(const TempDir& dir, const std::string& image, const std::string& path)
{
    const std::string out = dir.File("cat.out");
    const ToolResult r = RunTool({"sh", "-c", "ntfscat \"$0\" \"$1\" > \"$2\"", image, path, out});
    if (r.exitCode != 0)
        return {0xDE, 0xAD};
    return wholeFile(out);
}

// Every item below a directory, as "/dir/name" with directories ending in "/".
void walk(IFileSystemExplorer& explorer, int32_t id, const std::string& prefix, int depth,
          std::map<std::string, ExplorerEntry>& items)
{
    ASSERT_LT(depth, 16) << prefix;
    std::vector<ExplorerEntry> entries;
    ASSERT_EQ(explorer.List(id, entries), 1) << prefix;
    for (const auto& e : entries) {
        const std::string path = prefix + "/" + e.Name;
        if (e.Attributes & 0x10) {
            EXPECT_EQ(e.Size, 0) << path;
            EXPECT_TRUE(items.emplace(path + "/", e).second) << "listed twice: " << path;
            walk(explorer, e.DirectoryId, path, depth + 1, items);
        } else {
            EXPECT_TRUE(items.emplace(path, e).second) << "listed twice: " << path;
        }
    }
}

struct Listed {
    int64_t record = 0;
    int64_t size = 0;
};

// The tool's recursive long listing (record numbers, sizes, '/' after folders) as paths in the walk's form.
std::map<std::string, Listed> parseToolListing(const std::string& text)
{
    std::map<std::string, Listed> out;
    std::istringstream lines(text);
    std::string line, dir;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        if (line[0] == '/' && line.back() == ':') {
            dir = line.substr(0, line.size() - 1);
            while (!dir.empty() && dir.back() == '/')
                dir.pop_back();
            continue;
        }
        std::istringstream fields(line);
        Listed item;
        std::string month, day, time, year, name;
        if (!(fields >> item.record >> item.size >> month >> day >> time >> year))
            continue;
        std::getline(fields, name);
        if (!name.empty() && name[0] == ' ')
            name.erase(0, 1);
        const bool directory = !name.empty() && name.back() == '/';
        if (directory)
            name.pop_back();
        if (name == "." || name == ".." || name.empty())
            continue;
        out[cutPath(dir + "/" + name) + (directory ? "/" : "")] = item;
    }
    return out;
}

// Up to 20 items of a that b lacks.
std::string missingFrom(const std::set<std::string>& a, const std::set<std::string>& b)
{
    std::string out;
    int shown = 0;
    for (const std::string& item : a)
        if (!b.count(item) && shown++ < 20)
            out += "\n  " + item;
    return out;
}

} // namespace

// A volume of several thousand files in nested, large and non-ASCII-named folders, with a file broken
// into hundreds of runs and a file whose names need an attribute list: the explorer's tree, sizes and
// bytes against the field's own lister and reader and against what was written.
TEST(NtfsExplorer, WalksAndReadsAFilledVolume)
{
    SKIP_WITHOUT_NTFS_TOOLS();
    const auto started = std::chrono::steady_clock::now();
    ::setenv("LC_ALL", "C.UTF-8", 1);
    TempDir dir;
    const int64_t volumeBytes = 128ll << 20;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, volumeBytes));

    std::map<std::string, std::vector<uint8_t>> files; // listing path -> bytes
    std::set<std::string> dirs;                        // listing path + "/"
    std::map<std::string, std::string> fullPaths;      // listing path -> path on the volume
    {
        ImageMount mount(image, dir.File("mnt"));
        ASSERT_TRUE(mount.Mounted()) << mount.Output();
        const std::string root = dir.File("mnt");
        uint32_t seed = 1;
        auto makeDir = [&](const std::string& path) {
            ASSERT_EQ(::mkdir((root + path).c_str(), 0755), 0) << path << ": " << std::strerror(errno);
            dirs.insert(cutPath(path) + "/");
        };
        auto makeFile = [&](const std::string& path, size_t size) {
            std::vector<uint8_t> bytes = content(seed++, size);
            ASSERT_TRUE(writeFile(root + path, bytes)) << path << ": " << std::strerror(errno);
            fullPaths[cutPath(path)] = path;
            files[cutPath(path)] = std::move(bytes);
        };

        // Four levels of folders, a file set at each.
        std::string nested = "/tree";
        makeDir(nested);
        for (const char* level : {"/Уровень один", "/レベル二", "/Niveau trois é", "/Level four"}) {
            nested += level;
            makeDir(nested);
            for (int i = 0; i < 50; ++i)
                makeFile(nested + "/item " + std::to_string(i) + ".dat", size_t(i * 37 % 3000));
        }
        // One folder of 2,000 entries: many INDX blocks and a second index level.
        makeDir("/big");
        for (int i = 0; i < 2000; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/big/entry %05d of the large folder.txt", i);
            makeFile(name, i % 5 == 0 ? 0 : size_t(i * 131 % 1500));
        }
        // Files spread over 25 folders.
        makeDir("/spread");
        for (int d = 0; d < 25; ++d) {
            const std::string folder = "/spread/folder " + std::to_string(d);
            makeDir(folder);
            for (int i = 0; i < 70; ++i)
                makeFile(folder + "/f" + std::to_string(i), size_t((d * 70 + i) * 97 % 6000));
        }
        // Long and non-ASCII names; the last two are longer than 255 bytes of UTF-8.
        makeDir("/names");
        const std::vector<std::string> names = {"Привет, мир.txt", "日本語のファイル名.dat",
                                                "Crème brûlée à la façon de Noël.txt", "emoji 😀🎉 party.bin",
                                                repeat("L", 230) + ".txt", repeat("Ж", 200), repeat("漢", 120)};
        for (const std::string& name : names)
            makeFile("/names/" + name, name.size() * 11);
        // Short names (listed only under the long ones) and named streams (not part of the file's bytes).
        makeFile("/names/A rather long name with a short one.txt", 5000);
        const std::vector<std::pair<std::string, std::string>> shortNames = {
            {"/names/A rather long name with a short one.txt", "ARATHE~1.TXT"},
            {"/big/entry 00007 of the large folder.txt", "ENTRY~1.TXT"},
            {"/big/entry 01777 of the large folder.txt", "ENTRY~2.TXT"}};
        for (const auto& [path, dos] : shortNames) {
            ASSERT_EQ(::setxattr((root + path).c_str(), "system.ntfs_dos_name", dos.data(), dos.size(), 0), 0)
                << path << ": " << std::strerror(errno);
            const std::string stream = "a named stream of " + path;
            ASSERT_EQ(::setxattr((root + path).c_str(), "user.note", stream.data(), stream.size(), 0), 0)
                << path << ": " << std::strerror(errno);
        }

        // A folder that grew to many INDX blocks and then lost most of its entries to another folder: its
        // freed blocks still name files that live on elsewhere.
        makeDir("/shrunk");
        makeDir("/moved");
        for (int i = 0; i < 300; ++i)
            makeFile("/shrunk/moving file " + std::to_string(i), size_t(i));
        for (int i = 5; i < 300; ++i) {
            const std::string from = "/shrunk/moving file " + std::to_string(i);
            const std::string to = "/moved/moved file " + std::to_string(i);
            ASSERT_EQ(::rename((root + from).c_str(), (root + to).c_str()), 0) << std::strerror(errno);
            files[to] = std::move(files[from]);
            files.erase(from);
            fullPaths.erase(from);
            fullPaths[to] = to;
        }

        // One file under 301 names in one folder: its $FILE_NAMEs outgrow the record.
        makeDir("/links");
        makeFile("/links/original.dat", 777);
        for (int i = 0; i < 300; ++i) {
            const std::string link = "/links/hard link number " + std::to_string(i) + " to the original";
            ASSERT_EQ(::link((root + "/links/original.dat").c_str(), (root + link).c_str()), 0) << std::strerror(errno);
            files[link] = files["/links/original.dat"];
            fullPaths[link] = link;
        }

        // A fragmented file: single-cluster holes left by every other deleted file on a full volume.
        makeDir("/holes");
        for (int i = 0; i < 2000; ++i)
            makeFile("/holes/h" + std::to_string(i), size_t(kClusterBytes));
        {
            const int fd = ::open((root + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            const std::vector<uint8_t> block(1 << 20, 0x5A);
            for (size_t chunk : {size_t(1) << 20, size_t(kClusterBytes)})
                while (::write(fd, block.data(), chunk) == ssize_t(chunk)) {
                }
            ::close(fd);
        }
        for (int i = 0; i < 2000; i += 2) {
            const std::string path = "/holes/h" + std::to_string(i);
            ASSERT_EQ(::unlink((root + path).c_str()), 0);
            files.erase(path);
            fullPaths.erase(path);
        }
        makeFile("/fragmented.bin", size_t(800 * kClusterBytes - 1234));
        ASSERT_EQ(::unlink((root + "/filler").c_str()), 0);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(mount.Unmount());
    }
    ASSERT_GE(files.size(), 5000u);

    const std::string disk = partitionedCopy(dir, image, volumeBytes);
    ASSERT_FALSE(disk.empty());
    KDisk kdisk;
    ASSERT_TRUE(kdisk.OpenPath(disk, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsNtfs));
    ASSERT_TRUE(explorer);
    EXPECT_EQ(explorer->Open(&kdisk, 0), 0) << "sector 0 holds the table, not the volume";
    ASSERT_EQ(explorer->Open(&kdisk, kPartitionStart), 1);

    std::map<std::string, ExplorerEntry> items;
    walk(*explorer, kExplorerRoot, "", 0, items);

    // The same tree as written.
    std::set<std::string> expected(dirs);
    for (const auto& [path, bytes] : files)
        expected.insert(path);
    std::set<std::string> listed;
    for (const auto& [path, item] : items)
        listed.insert(path);
    EXPECT_TRUE(listed == expected) << "listed only:" << missingFrom(listed, expected)
                                    << "\nwritten only:" << missingFrom(expected, listed);

    // The same names, records and sizes as the field's lister shows (system files and short names left out by both).
    const ToolResult ls = RunTool({"ntfsls", "-R", "-a", "-l", "-i", "-F", "-p", "/", image});
    ASSERT_EQ(ls.exitCode, 0) << ls.output.substr(0, 2000);
    const std::map<std::string, Listed> tool = parseToolListing(ls.output);
    std::set<std::string> toolPaths;
    for (const auto& [path, item] : tool)
        toolPaths.insert(path);
    EXPECT_TRUE(listed == toolPaths) << "listed only:" << missingFrom(listed, toolPaths)
                                     << "\ntool only:" << missingFrom(toolPaths, listed);
    for (const auto& [path, item] : tool) {
        const auto it = items.find(path);
        if (it == items.end())
            continue;
        EXPECT_EQ(it->second.DirectoryId, item.record) << path;
        EXPECT_EQ(it->second.Size, item.size) << path;
    }

    // Every file's bytes, and its size, as written.
    for (const auto& [path, bytes] : files) {
        const auto it = items.find(path);
        ASSERT_NE(it, items.end()) << path;
        EXPECT_EQ(it->second.Size, int64_t(bytes.size())) << path;
        EXPECT_NE(it->second.ModificationTime[1], 0u) << path;
        EXPECT_NE(it->second.CreationTime[1], 0u) << path;
        std::vector<uint8_t> data;
        ASSERT_EQ(explorer->ReadFile(it->second, data), 1) << path;
        ASSERT_TRUE(data == bytes) << path << ": " << data.size() << " bytes read, " << bytes.size() << " written";
    }
    EXPECT_EQ(std::string(items.at("/names/" + cutName(repeat("Ж", 200))).Name).size(), 254u);
    EXPECT_EQ(std::string(items.at("/names/" + cutName(repeat("漢", 120))).Name).size(), 255u);

    // Folders list in index order; the short names exist but are not listed.
    std::vector<ExplorerEntry> big;
    ASSERT_EQ(explorer->List(items.at("/big/").DirectoryId, big), 1);
    ASSERT_EQ(big.size(), 2000u);
    EXPECT_TRUE(std::is_sorted(big.begin(), big.end(), [](const ExplorerEntry& a, const ExplorerEntry& b) {
        return std::strcmp(a.Name, b.Name) < 0;
    }));
    const ToolResult shortNames = RunTool({"ntfsls", "-x", "-p", "/names", image});
    EXPECT_NE(shortNames.output.find("ARATHE~1.TXT"), std::string::npos) << shortNames.output;

    // A sample against the field's reader.
    std::vector<std::string> sample = {"/fragmented.bin", "/links/original.dat",
                                       "/links/hard link number 299 to the original"};
    for (const auto& [path, full] : fullPaths)
        if (path.rfind("/names/", 0) == 0 || path.rfind("/tree/", 0) == 0 || path.rfind("/big/entry 0000", 0) == 0)
            if (sample.size() < 40)
                sample.push_back(path);
    for (const std::string& path : sample)
        EXPECT_TRUE(toolRead(dir, image, fullPaths.at(path)) == files.at(path)) << path;

    // The fragmented file really is in hundreds of runs over several $DATA extents, and the linked file
    // really has an attribute list.
    const ToolResult fragmented =
        RunTool({"ntfsinfo", "-v", "-i", std::to_string(items.at("/fragmented.bin").DirectoryId), image});
    const size_t runsAt = fragmented.output.find("Total runs: ");
    ASSERT_NE(runsAt, std::string::npos) << fragmented.output.substr(0, 2000);
    EXPECT_GE(std::stol(fragmented.output.substr(runsAt + 12)), 300);
    size_t extents = 0;
    for (size_t at = 0; (at = fragmented.output.find("Dumping attribute $DATA", at)) != std::string::npos; ++at)
        ++extents;
    EXPECT_GE(extents, 2u);
    const ToolResult linked =
        RunTool({"ntfsinfo", "-i", std::to_string(items.at("/links/original.dat").DirectoryId), image});
    EXPECT_NE(linked.output.find("$ATTRIBUTE_LIST"), std::string::npos) << linked.output.substr(0, 2000);

    // Not listable: files, free or out-of-range records, negative ids; directories do not read.
    std::vector<ExplorerEntry> none;
    EXPECT_EQ(explorer->List(items.at("/fragmented.bin").DirectoryId, none), 0);
    EXPECT_EQ(explorer->List(0x7FFFFFFF, none), 0);
    EXPECT_EQ(explorer->List(-2, none), 0);
    EXPECT_EQ(explorer->List(3, none), 0);
    std::vector<uint8_t> data;
    EXPECT_EQ(explorer->ReadFile(items.at("/big/"), data), 0);

    // The fragmented file rewritten through all its runs; the files whose clusters lie between them keep
    // their bytes.
    const std::vector<uint8_t> rewritten = content(999, files.at("/fragmented.bin").size());
    ASSERT_EQ(explorer->WriteFileInPlace(items.at("/fragmented.bin"), rewritten), 1);
    ASSERT_EQ(explorer->ReadFile(items.at("/fragmented.bin"), data), 1);
    EXPECT_TRUE(data == rewritten);
    for (const auto& [path, bytes] : files)
        if (path.rfind("/holes/", 0) == 0) {
            ASSERT_EQ(explorer->ReadFile(items.at(path), data), 1) << path;
            ASSERT_TRUE(data == bytes) << path;
        }
    const std::string back = dir.File("back.img");
    ASSERT_TRUE(extractVolume(disk, back, volumeBytes));
    EXPECT_TRUE(toolRead(dir, back, "/fragmented.bin") == rewritten);
    const ToolResult fix = RunTool({"ntfsfix", "-n", back});
    EXPECT_EQ(fix.exitCode, 0) << fix.output;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60));
}

// Same-length rewrites of a resident and a non-resident file: the tools see the new bytes and a clean
// volume; other lengths, directories and the neighbouring file are left alone.
TEST(NtfsExplorer, RewritesFilesInPlace)
{
    SKIP_WITHOUT_NTFS_TOOLS();
    ::setenv("LC_ALL", "C.UTF-8", 1);
    TempDir dir;
    const int64_t volumeBytes = 64ll << 20;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, volumeBytes));
    const std::vector<uint8_t> small = content(1, 300), clusters = content(2, 10123), neighbour = content(3, 8192);
    const std::vector<uint8_t> packed = content(4, 60000);
    std::vector<uint8_t> holey(1 << 20, 0);
    const std::vector<uint8_t> island = content(5, 5000);
    std::copy(island.begin(), island.end(), holey.begin() + 300000);
    {
        ImageMount mount(image, dir.File("mnt"));
        ASSERT_TRUE(mount.Mounted()) << mount.Output();
        ASSERT_TRUE(writeFile(dir.File("mnt/small.txt"), small));
        ASSERT_TRUE(writeFile(dir.File("mnt/clusters.bin"), clusters));
        ASSERT_TRUE(writeFile(dir.File("mnt/neighbour.bin"), neighbour));
        ASSERT_EQ(::mkdir(dir.File("mnt/folder").c_str(), 0755), 0);
        // A file with holes: a megabyte long, 5000 bytes of it on disk.
        const int fd = ::open(dir.File("mnt/holey.bin").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, off_t(holey.size())), 0);
        EXPECT_EQ(::pwrite(fd, island.data(), island.size(), 300000), ssize_t(island.size()));
        ::close(fd);
        // A compressed file: the compressed attribute on its folder is inherited.
        ASSERT_EQ(::mkdir(dir.File("mnt/folder/packed").c_str(), 0755), 0);
        uint8_t attributes[4] = {};
        ASSERT_EQ(::getxattr(dir.File("mnt/folder/packed").c_str(), "system.ntfs_attrib", attributes, 4), 4);
        put_le32(attributes, le32(attributes) | 0x800);
        ASSERT_EQ(::setxattr(dir.File("mnt/folder/packed").c_str(), "system.ntfs_attrib", attributes, 4, 0), 0);
        ASSERT_TRUE(writeFile(dir.File("mnt/folder/packed/compressed.txt"), packed));
        ASSERT_TRUE(mount.Unmount());
    }
    const std::string disk = partitionedCopy(dir, image, volumeBytes);
    ASSERT_FALSE(disk.empty());
    KDisk kdisk;
    ASSERT_TRUE(kdisk.OpenPath(disk, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsNtfs));
    ASSERT_EQ(explorer->Open(&kdisk, kPartitionStart), 1);
    std::vector<ExplorerEntry> root;
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    std::map<std::string, ExplorerEntry> byName;
    for (const auto& e : root)
        byName[e.Name] = e;
    ASSERT_EQ(byName.size(), 5u);
    std::vector<ExplorerEntry> inner;
    ASSERT_EQ(explorer->List(byName["folder"].DirectoryId, inner), 1);
    ASSERT_EQ(inner.size(), 1u);
    ASSERT_EQ(explorer->List(inner[0].DirectoryId, inner), 1);
    ASSERT_EQ(inner.size(), 1u);
    const ExplorerEntry compressed = inner[0];

    // Holes read as zeros but cannot be written through; compressed data is neither read nor written.
    std::vector<uint8_t> data;
    ASSERT_EQ(explorer->ReadFile(byName["holey.bin"], data), 1);
    EXPECT_TRUE(data == holey);
    EXPECT_EQ(explorer->WriteFileInPlace(byName["holey.bin"], holey), 0);
    EXPECT_EQ(compressed.Size, int64_t(packed.size()));
    EXPECT_NE(compressed.Attributes & 0x800, 0u);
    EXPECT_EQ(explorer->ReadFile(compressed, data), 0);
    EXPECT_EQ(explorer->WriteFileInPlace(compressed, packed), 0);

    const std::vector<uint8_t> newSmall = content(11, 300), newClusters = content(12, 10123);
    EXPECT_EQ(explorer->WriteFileInPlace(byName["small.txt"], content(13, 299)), 0) << "a shorter file is refused";
    EXPECT_EQ(explorer->WriteFileInPlace(byName["clusters.bin"], content(13, 10124)), 0) << "a longer file is refused";
    EXPECT_EQ(explorer->WriteFileInPlace(byName["folder"], {}), 0);
    ASSERT_EQ(explorer->WriteFileInPlace(byName["small.txt"], newSmall), 1);
    ASSERT_EQ(explorer->WriteFileInPlace(byName["clusters.bin"], newClusters), 1);

    ASSERT_EQ(explorer->ReadFile(byName["small.txt"], data), 1);
    EXPECT_TRUE(data == newSmall);
    ASSERT_EQ(explorer->ReadFile(byName["clusters.bin"], data), 1);
    EXPECT_TRUE(data == newClusters);
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    for (const auto& e : root)
        EXPECT_EQ(e.Size, byName[e.Name].Size) << e.Name;

    explorer.reset();
    const std::string back = dir.File("back.img");
    ASSERT_TRUE(extractVolume(disk, back, volumeBytes));
    EXPECT_TRUE(toolRead(dir, back, "/small.txt") == newSmall);
    EXPECT_TRUE(toolRead(dir, back, "/clusters.bin") == newClusters);
    EXPECT_TRUE(toolRead(dir, back, "/neighbour.bin") == neighbour);
    EXPECT_TRUE(toolRead(dir, back, "/holey.bin") == holey);
    EXPECT_TRUE(toolRead(dir, back, "/folder/packed/compressed.txt") == packed);
    const ToolResult fix = RunTool({"ntfsfix", "-n", back});
    EXPECT_EQ(fix.exitCode, 0) << fix.output;
    EXPECT_NE(fix.output.find("processed successfully"), std::string::npos) << fix.output;
    const ToolResult info = RunTool({"ntfsinfo", "-i", std::to_string(byName["small.txt"].DirectoryId), back});
    EXPECT_EQ(info.exitCode, 0) << info.output;
}

// Damaged INDX blocks give a partial listing or none, quickly and without reading out of bounds; an
// entry that names a record past the MFT is left out.
TEST(NtfsExplorer, HostileIndexBlocks)
{
    SKIP_WITHOUT_NTFS_TOOLS();
    TempDir dir;
    const int64_t volumeBytes = 64ll << 20;
    const std::string image = dir.File("ntfs.img");
    ASSERT_TRUE(makeVolume(image, volumeBytes));
    {
        ImageMount mount(image, dir.File("mnt"));
        ASSERT_TRUE(mount.Mounted()) << mount.Output();
        ASSERT_EQ(::mkdir(dir.File("mnt/many").c_str(), 0755), 0);
        for (int i = 0; i < 400; ++i)
            ASSERT_TRUE(writeFile(dir.File("mnt/many/hostile entry " + std::to_string(1000 + i) + ".txt"),
                                  content(uint32_t(i), 10)));
        ASSERT_TRUE(mount.Unmount());
    }
    // The folder's INDX blocks: the ones that hold its names.
    const std::vector<uint8_t> volume = ReadBytes(image, 0, volumeBytes);
    ASSERT_EQ(int64_t(volume.size()), volumeBytes);
    std::string marker;
    for (char c : std::string("hostile entry")) {
        marker += c;
        marker += '\0';
    }
    std::vector<int64_t> blocks;
    for (int64_t at = 0; at < volumeBytes; at += kClusterBytes)
        if (std::memcmp(volume.data() + at, "INDX", 4) == 0
            && std::search(volume.begin() + at, volume.begin() + at + kClusterBytes, marker.begin(), marker.end())
                   != volume.begin() + at + kClusterBytes)
            blocks.push_back(at);
    ASSERT_GE(blocks.size(), 4u);

    const std::string disk = partitionedCopy(dir, image, volumeBytes);
    ASSERT_FALSE(disk.empty());
    KDisk kdisk;
    ASSERT_TRUE(kdisk.OpenPath(disk, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsNtfs));
    ASSERT_EQ(explorer->Open(&kdisk, kPartitionStart), 1);
    std::vector<ExplorerEntry> root, many;
    ASSERT_EQ(explorer->List(kExplorerRoot, root), 1);
    ASSERT_EQ(root.size(), 1u);
    const int32_t manyId = root[0].DirectoryId;
    ASSERT_EQ(explorer->List(manyId, many), 1);
    ASSERT_EQ(many.size(), 400u);
    std::set<std::string> all;
    for (const auto& e : many)
        all.insert(e.Name);

    const int64_t base = kPartitionStart * 512;
    auto block = [&](size_t i) { return ReadBytes(disk, base + blocks[i], kClusterBytes); };
    auto put = [&](size_t i, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(WriteBytes(disk, base + blocks[i], bytes));
    };
    // Whatever comes back is a subset of the real names, in time.
    auto listPartially = [&](const char* what) {
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<ExplorerEntry> got;
        if (explorer->List(manyId, got) == 1) {
            EXPECT_LE(got.size(), all.size()) << what;
            for (const auto& e : got) {
                EXPECT_TRUE(all.count(e.Name)) << what << ": " << e.Name;
                std::vector<uint8_t> data;
                explorer->ReadFile(e, data);
            }
        }
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2)) << what;
        return got.size();
    };

    // An entry pointing past the MFT: the rest of the folder still lists.
    const std::vector<uint8_t> original0 = block(0);
    {
        std::vector<uint8_t> b = original0;
        const size_t entry = 0x18 + le32(b.data() + 0x18);
        const size_t nameLength = b[entry + 0x10 + 0x40];
        std::string name;
        for (size_t k = 0; k < nameLength; ++k)
            name += char(b[entry + 0x10 + 0x42 + 2 * k]);
        ASSERT_TRUE(all.count(name)) << name;
        put_le64(b.data() + entry, 0x0001FFFFFFFFFFFFull);
        put(0, b);
        std::vector<ExplorerEntry> got;
        ASSERT_EQ(explorer->List(manyId, got), 1);
        EXPECT_EQ(got.size(), all.size() - 1);
        for (const auto& e : got)
            EXPECT_NE(name, e.Name);
        put(0, original0);
    }

    // A zeroed stride fails the block's fixups: its entries go missing, the others stay.
    const std::vector<uint8_t> original1 = block(1);
    {
        std::vector<uint8_t> b = original1;
        std::fill(b.begin() + 1024, b.begin() + 1536, 0);
        put(1, b);
        const size_t got = listPartially("zeroed stride");
        EXPECT_LT(got, all.size());
        put(1, original1);
    }

    // Entry lengths that cannot be right.
    const std::vector<uint8_t> original2 = block(2);
    for (uint16_t length : {0, 3, 8, 0x18, 0xFFF8, 0x1001}) {
        std::vector<uint8_t> b = original2;
        const size_t entry = 0x18 + le32(b.data() + 0x18);
        put_le16(b.data() + entry + 8, length);
        put(2, b);
        listPartially("entry length");
    }
    // Headers pointing anywhere.
    for (uint32_t offset : {0u, 0x10u, 0xFFFu, 0x1000u, 0xFFFFFFF0u}) {
        std::vector<uint8_t> b = original2;
        put_le32(b.data() + 0x18, offset);
        put(2, b);
        listPartially("entries offset");
        b = original2;
        put_le32(b.data() + 0x1C, offset);
        put(2, b);
        listPartially("entries end");
    }
    // Random entries behind a valid header and valid fixups.
    std::mt19937 rng(11);
    for (int round = 0; round < 30; ++round) {
        std::vector<uint8_t> b = original2;
        const size_t entry = 0x18 + le32(b.data() + 0x18);
        for (size_t k = entry; k < b.size(); ++k)
            b[k] = uint8_t(rng());
        const size_t usa = le16(b.data() + 4);
        for (size_t stride = 512; stride <= b.size(); stride += 512) {
            b[stride - 2] = b[usa]; // the update sequence number at the end of every stride
            b[stride - 1] = b[usa + 1];
        }
        put(2, b);
        listPartially("random entries");
        // The same junk in every block of the folder.
        for (size_t i = 3; i < blocks.size() && round % 10 == 0; ++i) {
            std::vector<uint8_t> other = block(i);
            std::copy(b.begin() + ptrdiff_t(entry), b.end(), other.begin() + ptrdiff_t(entry));
            for (size_t stride = 512; stride <= other.size(); stride += 512) {
                other[stride - 2] = other[usa];
                other[stride - 1] = other[usa + 1];
            }
            put(i, other);
        }
    }
    EXPECT_EQ(explorer->List(kExplorerRoot, root), 1) << "the root is untouched";
}

TEST(NtfsExplorer, RefusesWhatIsNotNtfs)
{
    TempDir dir;
    const std::string image = dir.File("blank.img");
    ASSERT_TRUE(MakeSparseFile(image, 4 << 20));
    KDisk disk;
    ASSERT_TRUE(disk.OpenPath(image, 0));
    std::unique_ptr<IFileSystemExplorer> explorer(CreateFileSystemExplorerInterface(kFsNtfs));
    ASSERT_TRUE(explorer);
    EXPECT_EQ(explorer->Open(&disk, 0), 0);
    EXPECT_EQ(explorer->Open(&disk, 1 << 20), 0) << "past the disk";
    std::vector<ExplorerEntry> entries;
    EXPECT_EQ(explorer->List(kExplorerRoot, entries), 0);
    std::vector<uint8_t> data;
    ExplorerEntry file{};
    file.DirectoryId = 64;
    EXPECT_EQ(explorer->ReadFile(file, data), 0);
    EXPECT_EQ(explorer->WriteFileInPlace(file, data), 0);
}
