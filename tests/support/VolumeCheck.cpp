#include "VolumeCheck.h"

#include <cstdio>
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
    const std::string out = dir.File(name);
    RunTool({"dd", "if=" + image, "of=" + out, "bs=512", "skip=" + std::to_string(start),
             "count=" + std::to_string(sectors), "conv=sparse", "status=none"});
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

} // namespace VolumeCheck
