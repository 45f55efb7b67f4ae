// The command-line format: a name, then " Key:value" per parameter with %u, %d and %s conversions.
//   %u  unsigned 32-bit decimal; read as a 64-bit integer truncated to 32 bits
//   %d  signed 64-bit decimal
//   %s  text between double quotes, no escaping; read up to the next quote or the end of the line
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using CommandValue = std::variant<int64_t, std::string>;

inline constexpr size_t kMaxCommandLine = 511;

// Writes the values into the format in order (integers for %u and %d, strings for %s).
std::string FormatCommandLine(const char* format, const std::vector<CommandValue>& values);

enum CommandLineProblem : int {
    kLineOk = 0,
    kLineMismatch = 1,   // the keys, spacing, quotes or digits do not follow the format, or text follows it
    kLineOutOfRange = 2, // a number does not fit its field (more than 32 bits for %u, 64 for %d)
};

// Reads one value per conversion. The line must follow its format exactly (keys compared without regard
// to letter case) and end with it; a number too wide for its field is refused rather than wrapped onto
// another value. %u values come back sign-extended from 32 bits (4294967295 is -1). On a problem the
// result is empty and `problem` says which.
std::vector<CommandValue> ParseCommandLine(const char* format, const std::string& line, int* problem = nullptr);

int64_t CommandInt(const std::vector<CommandValue>& values, size_t index);
std::string CommandText(const std::vector<CommandValue>& values, size_t index);
