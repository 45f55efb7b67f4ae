// A partition of an image judged by its file system's own checker and by blkid.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace VolumeCheck {

// The checkers and tools the judgements need; false when one is missing.
bool HaveCheckers();
// A partition's sectors copied into a file of their own, for the checkers that take whole volumes.
std::string Extract(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                    const std::string& name);
// `blkid -p -o export` of the byte range.
std::string BlkidAt(const std::string& image, int64_t start, int64_t sectors);
// Runs the checker of `type` (blkid's name: vfat, ntfs, ext2, ext3) on [start, start + sectors) and
// fails the calling test when it finds anything.
void ExpectChecked(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                   const std::string& type);

// A folder of files of many sizes in a few levels (about 8 MB in all) for filling volumes.
bool MakeFileTree(const std::string& root);
// Every regular file under a folder by relative path, as a hash of its bytes.
std::map<std::string, uint64_t> TreeHashes(const std::string& root);
// The files of the Ext volume at [start, start + sectors), read back with debugfs, as TreeHashes gives
// them (lost+found left out).
std::map<std::string, uint64_t> ExtFiles(const TestSupport::TempDir& dir, const std::string& image, int64_t start,
                                         int64_t sectors);
// Copies a folder's contents into the root of the FAT volume at `start` of an image (mtools).
bool CopyTreeToFat(const std::string& image, int64_t start, const std::string& root);
// The same into the Ext volume at `start`, through debugfs.
bool CopyTreeToExt(const TestSupport::TempDir& dir, const std::string& image, int64_t start, const std::string& root);
// The files of the FAT volume at [start, start + sectors), read back with mtools, as TreeHashes gives them.
std::map<std::string, uint64_t> FatFiles(const TestSupport::TempDir& dir, const std::string& image, int64_t start,
                                         int64_t sectors);
// Formats a volume of `sectors` in a file of its own with `make` (the file's path is added as the last
// argument) and copies it over [start, start + sectors) of the image.
bool MakeVolumeAt(const TestSupport::TempDir& dir, const std::string& image, int64_t start, int64_t sectors,
                  std::vector<std::string> make);
// The makers and checkers the whole-disk tests use: the checkers, the NTFS tools, mkfs.fat and mke2fs.
bool HaveDiskTools();
} // namespace VolumeCheck
