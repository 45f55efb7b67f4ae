// GUIDs in their on-disk byte order (first three fields little-endian).
#pragma once

#include <array>
#include <cstdint>
#include <string>

using GuidBytes = std::array<uint8_t, 16>;

// Parses "C12A7328-F81F-11D2-BA4B-00A0C93EC93B"; all zero on malformed text.
GuidBytes GuidFromText(const char* text);
std::string GuidToText(const uint8_t* bytes);
bool GuidEquals(const uint8_t* bytes, const GuidBytes& guid);
bool GuidIsZero(const uint8_t* bytes);

namespace GptType {
extern const GuidBytes EfiSystem;
extern const GuidBytes MicrosoftReserved;
extern const GuidBytes BasicData;
extern const GuidBytes WindowsRecovery;
extern const GuidBytes LdmMetadata;
extern const GuidBytes LdmData;
extern const GuidBytes LinuxData;
extern const GuidBytes LinuxSwap;
}
