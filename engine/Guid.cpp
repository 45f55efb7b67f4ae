#include "Guid.h"

#include <cstdio>
#include <cstring>

namespace {
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

GuidBytes GuidFromText(const char* text)
{
    GuidBytes out{};
    uint8_t raw[16];
    int n = 0;
    for (const char* p = text; *p && n < 32; ++p) {
        if (*p == '-')
            continue;
        const int v = hexValue(*p);
        if (v < 0)
            return GuidBytes{};
        if (n % 2 == 0)
            raw[n / 2] = uint8_t(v << 4);
        else
            raw[n / 2] |= uint8_t(v);
        ++n;
    }
    if (n != 32)
        return GuidBytes{};
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        out[i] = raw[order[i]];
    return out;
}

std::string GuidToText(const uint8_t* b)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

bool GuidEquals(const uint8_t* bytes, const GuidBytes& guid)
{
    return std::memcmp(bytes, guid.data(), 16) == 0;
}

bool GuidIsZero(const uint8_t* bytes)
{
    for (int i = 0; i < 16; ++i)
        if (bytes[i])
            return false;
    return true;
}

namespace GptType {
const GuidBytes EfiSystem = GuidFromText("C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
const GuidBytes MicrosoftReserved = GuidFromText("E3C9E316-0B5C-4DB8-817D-F92DF00215AE");
const GuidBytes BasicData = GuidFromText("EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
const GuidBytes WindowsRecovery = GuidFromText("DE94BBA4-06D1-4D40-A16A-BFD50179D6AC");
const GuidBytes LdmMetadata = GuidFromText("5808C8AA-7E8F-42E0-85D2-E1E90434CFB3");
const GuidBytes LdmData = GuidFromText("AF9B60A0-1431-4F62-BC68-3311714A69AD");
const GuidBytes LinuxData = GuidFromText("0FC63DAF-8483-4772-8E79-3D69D8477DE4");
const GuidBytes LinuxSwap = GuidFromText("0657FD6D-A4AB-43C4-84E5-0933C84B4F4F");
}
