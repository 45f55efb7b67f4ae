// The drive-letter table: the file "mounted-devices" in the state directory, one line per letter:
//   <letter> <disk identity> <starting sector>
// The disk identity is the MBR signature as 8 hex digits, the GPT disk GUID, or the disk's path.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IDisk;

class KDriveLetterTable {
public:
    struct Assignment {
        char Letter;
        std::string DiskIdentity;
        int64_t StartingLba;
    };

    static std::string DiskIdentity(IDisk& disk);
    static std::vector<Assignment> Read();
    // Bit n set: letter 'A' + n is in use.
    static uint32_t UsedMask();
    static char LetterOf(const std::string& diskIdentity, int64_t startingLba);
    // The same lookup in a table already read (one read serves a whole disk).
    static char LetterIn(const std::vector<Assignment>& table, const std::string& diskIdentity, int64_t startingLba);
    // Gives the volume the letter (replacing a letter it had). Refuses A, B, non-letters and a letter in use.
    static bool Assign(char letter, const std::string& diskIdentity, int64_t startingLba);
    // Removes the volume's letter. True also when it had none.
    static bool Remove(const std::string& diskIdentity, int64_t startingLba);

private:
    static bool Write(const std::vector<Assignment>& table);
};
