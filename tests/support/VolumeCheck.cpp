#include "VolumeCheck.h"

#include <cstdio>

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

} // namespace VolumeCheck
