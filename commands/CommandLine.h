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

// Reads one value per conversion. The literal text between conversions is skipped by its length, not
// compared, so a line must match its format in key lengths, order and spacing. %u values come back
// sign-extended from 32 bits.
std::vector<CommandValue> ParseCommandLine(const char* format, const std::string& line);

int64_t CommandInt(const std::vector<CommandValue>& values, size_t index);
std::string CommandText(const std::vector<CommandValue>& values, size_t index);
