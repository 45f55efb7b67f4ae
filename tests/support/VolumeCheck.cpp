#include "VolumeCheck.h"

#include "NtfsVolumes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>
#include <filesystem>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace VolumeCheck {

bool HaveCheckers()
{
    for (const char* tool : {"sfdisk", "sgdisk", "blkid", "fsck.fat", "ntfsfix", "ntfsresize", "e2fsck", "dd", "mcopy"})
        if (!HaveTool(tool))
            return false;
    return true;
}

std::string Extract(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, const std::string& name)
{
    // Only the data of a sparse image is copied: reading its holes costs as much as reading data.
    const std::string out = dir.File(name);
    const int in = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    const int to = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const off_t first = off_t(start) * 512, end = first + off_t(sectors) * 512;
    bool ok = in >= 0 && to >= 0 && ::ftruncate(to, end - first) == 0;
    std::vector<char> buffer(1 << 20);
    for (off_t at = first; ok && at < end;) {
        const off_t data = ::lseek(in, at, SEEK_DATA);
        if (data < 0 || data >= end)
            break; // only holes from here
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        if (hole < 0 || hole > end)
            hole = end;
        for (off_t p = data; ok && p < hole;) {
            const size_t n = size_t(std::min<off_t>(off_t(buffer.size()), hole - p));
            const ssize_t got = ::pread(in, buffer.data(), n, p);
            ok = got > 0 && ::pwrite(to, buffer.data(), size_t(got), p - first) == got;
            p += got > 0 ? got : 0;
        }
        at = hole;
    }
    if (in >= 0)
        ::close(in);
    if (to >= 0)
        ::close(to);
    EXPECT_TRUE(ok) << "extracting " << image;
    return out;
}

std::string BlkidAt(const std::string& image, int64_t start, int64_t sectors)
{
    return RunTool({"blkid", "-p", "-o", "export", "-O", std::to_string(start * 512), "-S", std::to_string(sectors * 512),
                    image})
        .output;
}

void ExpectChecked(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors, const std::string& type)
{
    const std::string volume = Extract(dir, image, start, sectors, "volume-" + std::to_string(start));
    if (type == "vfat") {
        const ToolResult r = RunTool({"fsck.fat", "-n", volume});
        EXPECT_EQ(r.exitCode, 0) << r.output;
    } else if (type == "ntfs") {
        const ToolResult fix = RunTool({"ntfsfix", "-n", volume});
        EXPECT_EQ(fix.exitCode, 0) << fix.output;
        const ToolResult resize = RunTool({"ntfsresize", "--info", "--force", volume});
        EXPECT_EQ(resize.output.find("ERROR"), std::string::npos) << resize.output;
    } else if (type == "ext3" || type == "ext2") {
        const ToolResult r = RunTool({"e2fsck", "-fn", volume});
        EXPECT_EQ(r.exitCode, 0) << r.output;
    }
    std::remove(volume.c_str());
}

bool MakeFileTree(const std::string& root)
{
    std::filesystem::create_directories(root + "/deep/er");
    for (int i = 0; i < 60; ++i) {
        const std::string path = root + (i % 3 == 0 ? "/deep/er/f" : i % 3 == 1 ? "/deep/g" : "/h") + std::to_string(i);
        if (!MakeSparseFile(path, 0) || !FillPattern(path, 0, 1000 + int64_t(i) * 2003, uint32_t(i)))
            return false;
    }
    return MakeSparseFile(root + "/big", 0) && FillPattern(root + "/big", 0, 4 << 20, 77);
}

std::map<std::string, uint64_t> TreeHashes(const std::string& root)
{
    namespace fsys = std::filesystem;
    std::map<std::string, uint64_t> files;
    for (const auto& entry : fsys::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fsys::relative(entry.path(), root).string()] =
                HashRange(entry.path().string(), 0, int64_t(entry.file_size()));
    return files;
}

std::map<std::string, uint64_t> ExtFiles(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors)
{
    const std::string volume = Extract(dir, image, start, sectors, "files.vol");
    const std::string out = dir.File("files");
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    const ToolResult r = RunTool({"debugfs", "-R", "rdump / " + out, volume});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::filesystem::remove_all(out + "/lost+found");
    auto files = TreeHashes(out);
    std::filesystem::remove_all(out);
    std::filesystem::remove(volume);
    return files;
}

bool CopyTreeToFat(const std::string& image, int64_t start, const std::string& root)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    std::vector<std::string> argv = {"mcopy", "-s", "-i", image + "@@" + std::to_string(start * 512)};
    for (const auto& entry : std::filesystem::directory_iterator(root))
        argv.push_back(entry.path().string());
    argv.push_back("::/");
    return RunTool(argv).exitCode == 0;
}

bool CopyTreeToExt(const TempDir& dir, const std::string& image, int64_t start, const std::string& root)
{
    std::vector<std::filesystem::path> items;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        items.push_back(entry.path());
    std::sort(items.begin(), items.end()); // parents before their contents
    const std::string commands = dir.File("debugfs.cmd");
    {
        std::ofstream out(commands);
        for (const auto& item : items) {
            const std::string target = "/" + std::filesystem::relative(item, root).string();
            if (std::filesystem::is_directory(item))
                out << "mkdir \"" << target << "\"\n";
            else
                out << "write \"" << item.string() << "\" \"" << target << "\"\n";
        }
    }
    const ToolResult r = RunTool({"debugfs", "-w", "-f", commands, image + "?offset=" + std::to_string(start * 512)});
    std::filesystem::remove(commands);
    return r.exitCode == 0 && r.output.find("rror") == std::string::npos;
}

std::map<std::string, uint64_t> FatFiles(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors)
{
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    const std::string volume = Extract(dir, image, start, sectors, "files.vol");
    const std::string out = dir.File("files");
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    RunTool({"mcopy", "-s", "-n", "-i", volume, "::/*", out});
    auto files = TreeHashes(out);
    std::filesystem::remove_all(out);
    std::filesystem::remove(volume);
    return files;
}

bool MakeVolumeAt(const TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                  std::vector<std::string> make)
{
    const std::string vol = dir.File("made.vol");
    std::filesystem::remove(vol);
    make.push_back(vol);
    const bool made = MakeSparseFile(vol, sectors * 512) && RunTool(make).exitCode == 0 &&
                      NtfsVolumes::Insert(vol, image, start);
    std::filesystem::remove(vol);
    return made;
}

bool HaveDiskTools()
{
    return HaveCheckers() && NtfsVolumes::HaveTools() && HaveTool("mkfs.fat") && HaveTool("mke2fs");
}

} // namespace VolumeCheck
