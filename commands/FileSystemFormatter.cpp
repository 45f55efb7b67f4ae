#include "FileSystemFormatter.h"

#include <string>
#include <vector>

#include "CommandSummary.h"
#include "fs/ext/ExtFormat.h"
#include "fs/fat/FatFormat.h"
#include "fs/ntfs/KNtfsFormat.h"

int FormatArea(ISectorDevice* device, const FormatRequest& r, IProgressReporter* progress)
{
    const std::string label = r.Label ? r.Label : "";
    switch (r.Kind) {
    case NewFileSystem::None:
        return 0;
    case NewFileSystem::Ntfs: {
        NtfsFormatParameters p;
        p.SectorsPerCluster = r.ClusterSize;
        p.Label = label;
        p.Quick = true;
        KNtfsFormat format;
        switch (format.Format(device, r.Start, r.Sectors, r.HiddenSectors, p, progress)) {
        case kNtfsFormatOk: return 0;
        case kNtfsOutOfMemory: return kDetailOutOfMemory;
        case kNtfsWriteFailed: return kDetailWriteFailed;
        case kNtfsNoRoom: return kDetailUnsupported;
        default: return kDetailInvalidParameter;
        }
    }
    case NewFileSystem::Fat: {
        std::vector<char> text(label.begin(), label.end());
        text.push_back(0);
        int type = r.FatType, cluster = r.ClusterSize;
        switch (FormatFatVolume(device, r.Start, r.Sectors, r.HiddenSectors, type, cluster, text.data())) {
        case kFatFormatOk: return 0;
        case kFatOutOfMemory: return kDetailOutOfMemory;
        case kFatWriteFailed: return kDetailWriteFailed;
        default: return kDetailInvalidParameter;
        }
    }
    case NewFileSystem::Ext2:
    case NewFileSystem::Ext3:
        switch (FormatExt(device, r.Start, r.Sectors, label.c_str(), r.ClusterSize * 512, r.Kind == NewFileSystem::Ext3,
                          progress)) {
        case kExtFormatOk: return 0;
        case kExtOutOfMemory: return kDetailOutOfMemory;
        case kExtWriteFailed: return kDetailWriteFailed;
        case kExtNoRoom: return kDetailUnsupported;
        default: return kDetailInvalidParameter;
        }
    case NewFileSystem::Swap:
        switch (FormatSwap(device, r.Start, r.Sectors, progress)) {
        case kSwapFormatOk: return 0;
        case kSwapOutOfMemory: return kDetailOutOfMemory;
        case kSwapWriteFailed: return kDetailWriteFailed;
        default: return kDetailInvalidParameter;
        }
    }
    return kDetailInvalidParameter;
}
