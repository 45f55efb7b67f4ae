// The drive layout handed to a disk object's layout write: a header and 144-byte entries arranged like
// the PARTITION_INFORMATION_EX records. MBR entries count in sectors, GPT entries in bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum DriveLayoutStyle : uint32_t { kLayoutMbr = 0, kLayoutGpt = 1 };

struct DriveLayoutMbrPart {
    uint8_t PartitionType;
    uint8_t BootIndicator;
    uint8_t RecognizedPartition;
    uint8_t Pad3;
    uint32_t HiddenSectors;
    uint8_t Reserved8[104];
};
static_assert(sizeof(DriveLayoutMbrPart) == 112);

struct DriveLayoutGptPart {
    uint8_t PartitionType[16];
    uint8_t PartitionId[16];
    uint64_t Attributes;
    char16_t Name[36];
};
static_assert(sizeof(DriveLayoutGptPart) == 112);

struct DriveLayoutEntry {
    uint32_t PartitionStyle;
    uint32_t Pad4;
    int64_t StartingOffset;  // MBR: sectors; GPT: bytes
    int64_t PartitionLength; // MBR: sectors; GPT: bytes
    uint32_t PartitionNumber;
    uint8_t RewritePartition;
    uint8_t Pad29[3];
    union {
        DriveLayoutMbrPart Mbr;
        DriveLayoutGptPart Gpt;
    };
};
static_assert(sizeof(DriveLayoutEntry) == 144);
static_assert(offsetof(DriveLayoutEntry, StartingOffset) == 8);
static_assert(offsetof(DriveLayoutEntry, PartitionLength) == 16);
static_assert(offsetof(DriveLayoutEntry, PartitionNumber) == 24);
static_assert(offsetof(DriveLayoutEntry, RewritePartition) == 28);
static_assert(offsetof(DriveLayoutEntry, Mbr) == 32);

struct DriveLayout {
    uint32_t PartitionStyle = kLayoutMbr;
    // MBR
    uint32_t Signature = 0;
    // GPT
    uint8_t DiskId[16] = {};
    int64_t StartingUsableOffset = 0;
    int64_t UsableLength = 0;
    uint32_t MaxPartitionCount = 0;

    std::vector<DriveLayoutEntry> Entries;
};

DriveLayoutEntry MakeEmptyLayoutEntry();
