// Turns the raw label bytes of a volume into the UTF-8 text kept in PartitionInfo::Label.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/PartitionInfo.h"

// Unicode code point of a byte in OEM code page 850 (the bytes below 0x80 are ASCII).
uint32_t Cp850ToUnicode(uint8_t byte);

// A FAT label (code page 850, space padded): trailing spaces and NULs dropped, control bytes shown as '?'.
std::string OemLabelToUtf8(const uint8_t* bytes, size_t length);

// A UTF-8 label that ends at the first NUL: invalid sequences and control bytes shown as '?'.
std::string Utf8LabelFromBytes(const uint8_t* bytes, size_t length);

// A UTF-16LE label of `units` code units: unpaired surrogates and control characters shown as '?'.
std::string Utf16LabelToUtf8(const uint8_t* bytes, size_t units);

// Stores the label, cut at a character boundary when it is longer than the field.
void StoreLabel(PartitionInfo& info, const std::string& label);
