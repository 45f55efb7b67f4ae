// What a volume label may hold, per file system: one rule for the dialogs that take a label, the
// commands that write one and the label writers themselves.
#pragma once

#include <string>

enum LabelProblem : int {
    kLabelOk = 0,
    kLabelTooLong = 1,
    kLabelInvalidCharacter = 2, // also: text that is not UTF-8
    kLabelNoRoom = 3,           // the volume has no room for the label (a full FAT root directory)
};

// The longest label of a file system without a rule of its own. Each file-system family says how long a
// label its dialogs take (IFileSystem::MaxLabelLength); every label within it that passes
// CheckVolumeLabel is written.
inline constexpr int kDefaultMaxLabelLength = 128;

// Checks a UTF-8 label for a file system of that code against what its format holds: 11 bytes for FAT,
// 128 UTF-16 units for NTFS ($VOLUME_NAME), 16 bytes for Ext2/3 and swap. An empty label is always
// acceptable.
// Every file system refuses control characters and : * ? / \ | < > "; FAT labels hold printable ASCII
// only and refuse + , . ; = [ ] as well (lower-case letters are stored in upper case).
LabelProblem CheckVolumeLabel(int fileSystemType, const std::string& utf8);

// The first character of the label that the file system refuses, as UTF-8 (the whole invalid
// sequence for text that is not UTF-8); empty when there is none.
std::string FirstRefusedLabelCharacter(int fileSystemType, const std::string& utf8);

// A label as UTF-32 code points; false for text that is not UTF-8.
bool DecodeUtf8(const std::string& utf8, std::u32string& out);
