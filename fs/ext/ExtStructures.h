// The Ext2/Ext3 on-disk structures the program reads and writes: the superblock (at byte 1,024 of
// the volume, copies at the start of some groups), the 32-byte group descriptor and the 128-byte inode.
// Each struct is the definition of its layout; the named offsets below are taken from it, and the
// static_asserts hold them to the format. Fields are read and written through the little-endian
// helpers at these offsets, never by casting bytes to the struct.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Ext {

struct SuperblockLayout {
    uint32_t InodesCount;
    uint32_t BlocksCount;
    uint32_t ReservedBlocksCount;
    uint32_t FreeBlocksCount;
    uint32_t FreeInodesCount;
    uint32_t FirstDataBlock;
    uint32_t LogBlockSize;      // block size = 1024 << this
    uint32_t LogFragSize;
    uint32_t BlocksPerGroup;
    uint32_t FragsPerGroup;
    uint32_t InodesPerGroup;
    uint32_t MountTime;
    uint32_t WriteTime;
    uint16_t MountCount;
    uint16_t MaxMountCount;
    uint16_t Magic;             // kMagic
    uint16_t State;
    uint16_t Errors;
    uint16_t MinorRevision;
    uint32_t LastCheck;
    uint32_t CheckInterval;
    uint32_t CreatorOs;
    uint32_t Revision;          // 0 original, 1 dynamic (inode size and features)
    uint16_t DefaultReservedUid;
    uint16_t DefaultReservedGid;
    uint32_t FirstInode;
    uint16_t InodeSize;
    uint16_t BlockGroupNumber;  // the group this copy was written for
    uint32_t FeatureCompat;
    uint32_t FeatureIncompat;
    uint32_t FeatureRoCompat;
    uint8_t Uuid[16];
    uint8_t VolumeName[16];     // the label, NUL padded
    uint8_t LastMounted[64];
    uint32_t AlgorithmBitmap;
    uint8_t PreallocBlocks;
    uint8_t PreallocDirBlocks;
    uint16_t ReservedGdtBlocks;
    uint8_t JournalUuid[16];
    uint32_t JournalInode;
    uint32_t JournalDevice;
    uint32_t LastOrphan;
    uint32_t HashSeed[4];
    uint8_t DefaultHashVersion;
    uint8_t JournalBackupType;
    uint16_t DescriptorSize;
    uint32_t DefaultMountOptions;
    uint32_t FirstMetaGroup;
    uint32_t MkfsTime;
    uint32_t JournalBlocks[17]; // the journal inode's block map and size, kept as a backup
    uint32_t BlocksCountHigh;   // 64-bit volumes only
    uint32_t ReservedBlocksCountHigh;
    uint32_t FreeBlocksCountHigh;
};

inline constexpr size_t kSuperblockOffset = 1024; // bytes from the start of the volume
inline constexpr size_t kSuperblockBytes = 1024;
inline constexpr uint16_t kMagic = 0xEF53;
inline constexpr uint32_t kMaxLogBlockSize = 6; // 64 KiB blocks, the largest the format allows
inline constexpr size_t kLabelBytes = sizeof(SuperblockLayout::VolumeName);

// Superblock field offsets.
inline constexpr size_t kSbInodes = offsetof(SuperblockLayout, InodesCount);
inline constexpr size_t kSbBlocks = offsetof(SuperblockLayout, BlocksCount);
inline constexpr size_t kSbReservedBlocks = offsetof(SuperblockLayout, ReservedBlocksCount);
inline constexpr size_t kSbFreeBlocks = offsetof(SuperblockLayout, FreeBlocksCount);
inline constexpr size_t kSbFreeInodes = offsetof(SuperblockLayout, FreeInodesCount);
inline constexpr size_t kSbFirstDataBlock = offsetof(SuperblockLayout, FirstDataBlock);
inline constexpr size_t kSbLogBlockSize = offsetof(SuperblockLayout, LogBlockSize);
inline constexpr size_t kSbLogFragSize = offsetof(SuperblockLayout, LogFragSize);
inline constexpr size_t kSbBlocksPerGroup = offsetof(SuperblockLayout, BlocksPerGroup);
inline constexpr size_t kSbFragsPerGroup = offsetof(SuperblockLayout, FragsPerGroup);
inline constexpr size_t kSbInodesPerGroup = offsetof(SuperblockLayout, InodesPerGroup);
inline constexpr size_t kSbWriteTime = offsetof(SuperblockLayout, WriteTime);
inline constexpr size_t kSbMaxMountCount = offsetof(SuperblockLayout, MaxMountCount);
inline constexpr size_t kSbMagic = offsetof(SuperblockLayout, Magic);
inline constexpr size_t kSbState = offsetof(SuperblockLayout, State);
inline constexpr size_t kSbErrors = offsetof(SuperblockLayout, Errors);
inline constexpr size_t kSbLastCheck = offsetof(SuperblockLayout, LastCheck);
inline constexpr size_t kSbCheckInterval = offsetof(SuperblockLayout, CheckInterval);
inline constexpr size_t kSbRevision = offsetof(SuperblockLayout, Revision);
inline constexpr size_t kSbFirstInode = offsetof(SuperblockLayout, FirstInode);
inline constexpr size_t kSbInodeSize = offsetof(SuperblockLayout, InodeSize);
inline constexpr size_t kSbGroupNumber = offsetof(SuperblockLayout, BlockGroupNumber);
inline constexpr size_t kSbCompat = offsetof(SuperblockLayout, FeatureCompat);
inline constexpr size_t kSbIncompat = offsetof(SuperblockLayout, FeatureIncompat);
inline constexpr size_t kSbRoCompat = offsetof(SuperblockLayout, FeatureRoCompat);
inline constexpr size_t kSbUuid = offsetof(SuperblockLayout, Uuid);
inline constexpr size_t kSbLabel = offsetof(SuperblockLayout, VolumeName);
inline constexpr size_t kSbJournalInode = offsetof(SuperblockLayout, JournalInode);
inline constexpr size_t kSbJournalBlocks = offsetof(SuperblockLayout, JournalBlocks);
inline constexpr size_t kSbBlocksHigh = offsetof(SuperblockLayout, BlocksCountHigh);
inline constexpr size_t kSbFreeBlocksHigh = offsetof(SuperblockLayout, FreeBlocksCountHigh);

static_assert(kSbBlocks == 0x04 && kSbFreeBlocks == 0x0C && kSbFirstDataBlock == 0x14 && kSbLogBlockSize == 0x18);
static_assert(kSbBlocksPerGroup == 0x20 && kSbInodesPerGroup == 0x28 && kSbWriteTime == 0x30);
static_assert(kSbMaxMountCount == 0x36 && kSbMagic == 0x38 && kSbState == 0x3A && kSbLastCheck == 0x40);
static_assert(kSbRevision == 0x4C && kSbFirstInode == 0x54 && kSbInodeSize == 0x58 && kSbGroupNumber == 0x5A);
static_assert(kSbCompat == 0x5C && kSbIncompat == 0x60 && kSbRoCompat == 0x64);
static_assert(kSbUuid == 0x68 && kSbLabel == 0x78 && kSbJournalInode == 0xE0 && kSbJournalBlocks == 0x10C);
static_assert(kSbBlocksHigh == 0x150 && kSbFreeBlocksHigh == 0x158);

// Features.
inline constexpr uint32_t kCompatHasJournal = 0x0004;
inline constexpr uint32_t kIncompatFiletype = 0x0002;
inline constexpr uint32_t kIncompatRecover = 0x0004;
inline constexpr uint32_t kIncompatJournalDevice = 0x0008; // an external journal, without block groups
inline constexpr uint32_t kIncompatMetaGroups = 0x0010;    // descriptor blocks spread over the volume
inline constexpr uint32_t kIncompat64Bit = 0x0080;         // descriptors wider than 32 bytes
inline constexpr uint32_t kIncompatFlexGroups = 0x0200;    // a group's bitmaps may lie in another group
inline constexpr uint32_t kRoCompatSparseSuper = 0x0001;
inline constexpr uint32_t kRoCompatLargeFile = 0x0002;
inline constexpr uint32_t kRoCompatGroupChecksums = 0x0010;    // groups may leave their block bitmap unwritten
inline constexpr uint32_t kRoCompatClusters = 0x0200;          // one bitmap bit per cluster of blocks
inline constexpr uint32_t kRoCompatMetadataChecksums = 0x0400; // the same unwritten bitmaps as 0x10
// Ext2 and Ext3 know these; any other feature belongs to ext4 (or to an external journal device).
inline constexpr uint32_t kExt3Incompat = kIncompatFiletype | kIncompatRecover;
inline constexpr uint32_t kExt3RoCompat = kRoCompatSparseSuper | kRoCompatLargeFile;

// The 32-byte group descriptor, in the blocks right after the superblock's block.
struct GroupDescriptorLayout {
    uint32_t BlockBitmap;
    uint32_t InodeBitmap;
    uint32_t InodeTable;
    uint16_t FreeBlocksCount;
    uint16_t FreeInodesCount;
    uint16_t UsedDirectoriesCount;
    uint16_t Flags;
    uint8_t Reserved[12];
};
static_assert(sizeof(GroupDescriptorLayout) == 32);
inline constexpr size_t kDescriptorBytes = sizeof(GroupDescriptorLayout);
inline constexpr size_t kDescBlockBitmap = offsetof(GroupDescriptorLayout, BlockBitmap);
inline constexpr size_t kDescInodeBitmap = offsetof(GroupDescriptorLayout, InodeBitmap);
inline constexpr size_t kDescInodeTable = offsetof(GroupDescriptorLayout, InodeTable);
inline constexpr size_t kDescFreeBlocks = offsetof(GroupDescriptorLayout, FreeBlocksCount);
inline constexpr size_t kDescFreeInodes = offsetof(GroupDescriptorLayout, FreeInodesCount);
inline constexpr size_t kDescUsedDirectories = offsetof(GroupDescriptorLayout, UsedDirectoriesCount);
inline constexpr size_t kDescFlags = offsetof(GroupDescriptorLayout, Flags);
static_assert(kDescFreeBlocks == 0x0C && kDescUsedDirectories == 0x10 && kDescFlags == 0x12);
inline constexpr uint16_t kGroupBlockBitmapUnwritten = 0x2;

// The 128-byte inode of revision 0 and 1 volumes.
struct InodeLayout {
    uint16_t Mode;
    uint16_t Uid;
    uint32_t Size;
    uint32_t AccessTime;
    uint32_t ChangeTime;
    uint32_t ModifyTime;
    uint32_t DeleteTime;
    uint16_t Gid;
    uint16_t LinksCount;
    uint32_t Sectors;           // 512-byte sectors in use
    uint32_t Flags;
    uint32_t Reserved1;
    uint32_t Block[15];         // 12 direct, single, double and triple indirect
    uint32_t Generation;
    uint32_t FileAcl;
    uint32_t SizeHigh;          // regular files: the size's upper 32 bits (revision 1)
    uint32_t FragmentAddress;
    uint8_t OsDependent[12];
};
static_assert(sizeof(InodeLayout) == 128);
inline constexpr size_t kInodeMode = offsetof(InodeLayout, Mode);
inline constexpr size_t kInodeSize = offsetof(InodeLayout, Size);
inline constexpr size_t kInodeAccessTime = offsetof(InodeLayout, AccessTime);
inline constexpr size_t kInodeChangeTime = offsetof(InodeLayout, ChangeTime);
inline constexpr size_t kInodeModifyTime = offsetof(InodeLayout, ModifyTime);
inline constexpr size_t kInodeLinks = offsetof(InodeLayout, LinksCount);
inline constexpr size_t kInodeSectors = offsetof(InodeLayout, Sectors);
inline constexpr size_t kInodeBlocks = offsetof(InodeLayout, Block);
inline constexpr size_t kInodeBlockMapBytes = sizeof(InodeLayout::Block);
static_assert(kInodeLinks == 0x1A && kInodeSectors == 0x1C && kInodeBlocks == 0x28 && kInodeBlockMapBytes == 60);
inline constexpr size_t kInodeFlags = offsetof(InodeLayout, Flags);
inline constexpr size_t kInodeSizeHigh = offsetof(InodeLayout, SizeHigh);
static_assert(kInodeFlags == 0x20 && kInodeSizeHigh == 0x6C);
inline constexpr size_t kInodeDirectBlocks = 12;
inline constexpr uint16_t kModeTypeMask = 0xF000;
inline constexpr uint16_t kModeDirectory = 0x4000;
inline constexpr uint16_t kModeRegular = 0x8000;
inline constexpr uint32_t kInodeFlagExtents = 0x80000; // block map replaced by an extent tree (ext4)
inline constexpr uint32_t kRootInode = 2;

// A directory entry: the fixed head of a record; the name follows it. With the file-type feature the
// name length is one byte and the next byte is the type; without it the length takes both.
struct DirectoryEntryLayout {
    uint32_t Inode;             // 0: an unused record
    uint16_t RecordLength;      // to the next record, a multiple of 4
    uint8_t NameLength;
    uint8_t FileType;
};
static_assert(sizeof(DirectoryEntryLayout) == 8);
inline constexpr size_t kDirEntryInode = offsetof(DirectoryEntryLayout, Inode);
inline constexpr size_t kDirEntryRecordLength = offsetof(DirectoryEntryLayout, RecordLength);
inline constexpr size_t kDirEntryNameLength = offsetof(DirectoryEntryLayout, NameLength);
inline constexpr size_t kDirEntryHeadBytes = sizeof(DirectoryEntryLayout);
static_assert(kDirEntryRecordLength == 4 && kDirEntryNameLength == 6);

} // namespace Ext
