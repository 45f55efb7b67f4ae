// Image disks laid out by the field's own tools, and their view of the result.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace TableFixtures {

// One partition as `sfdisk --dump` shows it.
struct DumpEntry {
    int number = 0;
    int64_t start = 0;
    int64_t size = 0;
    std::string type; // hex byte for MBR ("83"), GUID for GPT
    bool bootable = false;
    std::string uuid;
    std::string name;
    std::string attrs;
};

struct Dump {
    std::string text;
    std::map<std::string, std::string> header; // label, label-id, first-lba, ...
    std::vector<DumpEntry> entries;
};

Dump SfdiskDump(const std::string& image);

// A 64 MiB MBR disk: two primaries (one active), an extended container with three logical partitions
// separated by gaps, one of them with a hidden type.
std::string MakeMbrLayout(const TestSupport::TempDir& dir, const std::string& name = "mbr.img");
// A 64 MiB GPT disk with ten named partitions of several types.
std::string MakeGptLayout(const TestSupport::TempDir& dir, const std::string& name = "gpt.img");

// Copies a file into an image at a byte offset, skipping holes.
bool CopyInto(const std::string& source, const std::string& image, int64_t offset);

} // namespace TableFixtures
