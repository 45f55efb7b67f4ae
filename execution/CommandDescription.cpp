#include "CommandDescription.h"

#include <cstdint>

#include <cstdio>
#include <cstring>
#include <vector>

#include "commands/KCmdActivePartition.h"
#include "commands/KCmdChangeClusterSize.h"
#include "commands/KCmdChangePartitionPrimary.h"
#include "commands/KCmdChangePartitionTypeID.h"
#include "commands/KCmdCopyPartition.h"
#include "commands/KCmdCreatePartition.h"
#include "commands/KCmdFormatPartition.h"
#include "commands/KCmdHidePartition.h"
#include "commands/KCmdInitiateDisk.h"
#include "commands/KCmdLabelPartition.h"
#include "commands/KCmdMergePartition.h"
#include "commands/KCmdResizePartition.h"
#include "commands/KCmdWipeDisk.h"
#include "model/IVolumeManager.h"

namespace {

// Replaces %1, %2, ... in order of their numbers (at most 9 arguments).
std::string fill(const char* templ, const std::vector<std::string>& args)
{
    std::string out;
    for (const char* p = templ; *p; ++p) {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && size_t(p[1] - '1') < args.size()) {
            out += args[size_t(p[1] - '1')];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string num(long long v)
{
    return std::to_string(v);
}

std::string letterText(char letter)
{
    return std::string(1, letter ? letter : '*') + ":";
}

template <class Block>
Block blockFrom(const unsigned char* buffer)
{
    Block block;
    std::memcpy(&block, buffer, sizeof block);
    return block;
}

} // namespace

const char* WipingMethodName(int method)
{
    switch (method) {
    case 0: return "Fill Sectors with Zero";
    case 1: return "Fill Sectors with One";
    case 2: return "Fill Sectors With Zero & One";
    case 3: return "DoD 5220.22-M (3 passes)";
    case 4: return "DoD 5220.28-STD (7 passes)";
    default: return "";
    }
}

std::string CommandInformationText(int index, int count, const std::string& description)
{
    return "<B>" + num(index + 1) + " of " + num(count) + " pending operations.</B><BR><BR>" + description;
}

std::string DescribeCommand(ICommand& command, IVolumeManager& manager)
{
    unsigned char buffer[1024] = {};
    if (!command.GetParameters(buffer, sizeof buffer))
        return {};
    CommandSummary s;
    std::memcpy(&s, buffer, sizeof s);
    PartitionInfo p = MakeEmptyPartitionInfo();
    if (s.PartitionIndex >= 0)
        manager.GetPartition(s.DiskIndex, s.PartitionIndex, &p);
    const std::string letter = letterText(p.DriveLetter);
    const std::string label = p.Label;
    const std::string disk = num(s.DiskIndex + 1LL);
    const std::string part = num(s.PartitionIndex + 1LL);
    switch (s.CommandKind) {
    case kCmdFormatPartition: {
        const auto b = blockFrom<KCmdFormatPartition::Parameters>(buffer);
        return fill("<B>Format Partition</B><br><br>Partition Letter: %1<br>Partition Label: %2<br>Disk Index: "
                    "%3<br>Partition Index: %4",
                    {letter, b.Label, disk, part});
    }
    case kCmdResizePartition: {
        const auto b = blockFrom<KCmdResizePartition::Parameters>(buffer);
        return fill("<B>Resize Partition</B><br><br>Partition Letter: %1<br>Partition Label: %2<br>Disk Index: "
                    "%3<br>Partition Index: %4<br>New Partition Starting LBA: %5<br>New Partition Size: %6 MB",
                    {letter, label, disk, part, num(b.NewStartingLba), num(b.NewPartitionSize / 2048)});
    }
    case kCmdCopyPartition: {
        const auto b = blockFrom<KCmdCopyPartition::Parameters>(buffer);
        return fill("<B>Copy Partition</B><br><br>Source Partition Letter: %1<br>Source Disk Index: "
                    "%2<br>SourcePartition Index: %3<br>Destination Disk Index: %4<br>New Partition Letter: "
                    "%5<br>New Partition Starting LBA: %6<br>New Partition Size: %7 MB",
                    {letter, disk, part, num(s.LetterDiskIndex + 1LL), letterText(char(s.Letter)),
                     num(b.DestStartingLba), num(b.DestPartitionSize / 2048)});
    }
    case kCmdCreatePartition: {
        const auto b = blockFrom<KCmdCreatePartition::Parameters>(buffer);
        return fill("<B>Create Partition</B><br><br>Partition Letter: %1<br>Disk Index: %2<br>Partition Starting "
                    "LBA: %3<br>Partition Size: %4 MB<br>Partition Label: %5<br>Primary: %6",
                    {letterText(char(s.Letter)), disk, num(b.StartingOffset), num(b.PartitionLength / 2048),
                     b.Label, b.Primary ? "Yes" : "No"});
    }
    case kCmdDeletePartition:
        return fill("<B>Delete Partition</B><br><br>Partition Letter: %1<br>Partition Label: %2<br>Disk Index: "
                    "%3<br>Partition Index: %4",
                    {letter, label, disk, part});
    case kCmdActivePartition: {
        const auto b = blockFrom<KCmdActivePartition::Parameters>(buffer);
        return fill("<B>Set Partition as %1</B><br><br>Partition Letter: %2<br>Disk Index: %3<br>Partition Index: %4",
                    {b.Active ? "active" : "inactive", letter, disk, part});
    }
    case kCmdHidePartition: {
        const auto b = blockFrom<KCmdHidePartition::Parameters>(buffer);
        return fill("<B>%1 Partition</B><br><br>Partition Letter: %2<br>Partition Label: %3<br>Disk Index: "
                    "%4<br>Partition Index: %5",
                    {b.Unhide ? "Unhide" : "Hide", letter, label, disk, part});
    }
    case kCmdMountPartition:
        if (s.Letter)
            return fill("<B>Mount Partition</B><br><br>Partition Label: %1<br>Disk Index: %2<br>Partition Index: "
                        "%3<br>New Letter: %4",
                        {label, disk, part, letterText(char(s.Letter))});
        return fill("<B>Dismount Partition</B><br><br>Partition Letter: %1<br>Partition Label: %2<br>Disk Index: "
                    "%3<br>Partition Index: %4",
                    {letter, label, disk, part});
    case kCmdLabelPartition: {
        const auto b = blockFrom<KCmdLabelPartition::Parameters>(buffer);
        return fill("<B>Set Partition Label</B><br><br>Partition Letter: %1<br>Partition Label: %2<br>Disk Index: "
                    "%3<br>Partition Index: %4",
                    {letter, b.Label, disk, part});
    }
    case kCmdChangeClusterSize: {
        const auto b = blockFrom<KCmdChangeClusterSize::Parameters>(buffer);
        return fill("<B>Change Cluster Size</B><BR><BR>Disk Index: %1<BR>Partition Index: %2<BR>Drive Letter: "
                    "%3<BR>New Cluster Size: %4",
                    {disk, part, letter, num(b.ClusterSize)});
    }
    case kCmdMergePartition: {
        const auto b = blockFrom<KCmdMergePartition::Parameters>(buffer);
        return fill("<B>Merge Partition</B><BR><BR>Disk Index: %1<BR>Left Partition Index: %2<BR>Right Partition "
                    "Index: %3<BR>Left Partition Starting LBA: %4<BR>Right Partition Starting LBA: %5",
                    {disk, part, num(s.PartitionIndex + 2), num(b.LeftStartingLba), num(b.RightStartingLba)});
    }
    case kCmdWipeDisk: {
        const auto b = blockFrom<KCmdWipeDisk::Parameters>(buffer);
        return fill("<B>Wipe Sectors</B><br><br>Disk Index: %1<br>Wiping Method: %2<br>Starting LBA: %3<br>Ending "
                    "LBA: %4",
                    {disk, WipingMethodName(b.WipingMethod), num(b.StartingLba), num(b.SectorsCount > 0 && b.StartingLba <= INT64_MAX - b.SectorsCount ? b.StartingLba + b.SectorsCount - 1 : b.StartingLba)});
    }
    case kCmdChangePartitionPrimary: {
        const auto b = blockFrom<KCmdChangePartitionPrimary::Parameters>(buffer);
        return fill(b.Primary ? "<B>Set Partition as Primary</B><BR><BR>Disk Index: %1<BR>Partition Index: %2"
                              : "<B>Set Partition as Logical</B><BR><BR>Disk Index: %1<BR>Partition Index: %2",
                    {disk, part});
    }
    case kCmdChangePartitionTypeId: {
        const auto b = blockFrom<KCmdChangePartitionTypeID::Parameters>(buffer);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", unsigned(b.NewPartitionID));
        return fill("<B>Change Partition Type ID</B><BR><BR>Disk Index: %1<BR>Partition Index: %2<BR>New Partition "
                    "Type ID: 0x%3",
                    {disk, part, hex});
    }
    case kCmdChangeSerialNumber:
        return fill("<B>Change Partition Serial Number</B><BR><BR>Disk Index: %1<BR>Partition Index: %2", {disk, part});
    case kCmdInitiateDisk: {
        const auto b = blockFrom<KCmdInitiateDisk::Parameters>(buffer);
        if (b.Style == 2)
            return fill("<B>Rebuild MBR</B><br><br>Disk Index: %1", {disk});
        return fill("<B>Initialize Disk</B><br><br>Disk Index: %1<br>Style: %2", {disk, b.Style == 1 ? "GPT" : "MBR"});
    }
    default:
        return {};
    }
}
