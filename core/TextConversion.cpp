#include "TextConversion.h"

#include <cstdint>
#include <cstring>

int AnsiToUnicode(const char* source, int sourceBytes, char16_t* destination, int destinationUnits)
{
    if (!destination || destinationUnits <= 0)
        return 0;
    int out = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(source ? source : "");
    const int length = sourceBytes < 0 ? int(std::strlen(reinterpret_cast<const char*>(s))) : sourceBytes;
    int i = 0;
    while (i < length && s[i] && out < destinationUnits - 1) {
        uint32_t cp = s[i];
        int extra = cp < 0x80 ? 0 : (cp >> 5) == 6 ? 1 : (cp >> 4) == 14 ? 2 : (cp >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + extra >= length) {
            cp = 0xFFFD;
            extra = 0;
        } else if (extra > 0) {
            cp &= 0x3F >> extra;
            for (int k = 1; k <= extra; ++k) {
                if ((s[i + k] & 0xC0) != 0x80) {
                    cp = 0xFFFD;
                    extra = k - 1;
                    break;
                }
                cp = (cp << 6) | (s[i + k] & 0x3F);
            }
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            if (out + 2 > destinationUnits - 1)
                break;
            cp -= 0x10000;
            destination[out++] = char16_t(0xD800 + (cp >> 10));
            destination[out++] = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            destination[out++] = char16_t(cp);
        }
    }
    destination[out] = 0;
    return out;
}

int UnicodeToAnsi(const char16_t* source, int sourceUnits, char* destination, int destinationBytes)
{
    if (!destination || destinationBytes <= 0)
        return 0;
    int out = 0;
    for (int i = 0; source && (sourceUnits < 0 || i < sourceUnits) && source[i]; ++i) {
        uint32_t cp = source[i];
        if (cp >= 0xD800 && cp < 0xDC00 && (sourceUnits < 0 || i + 1 < sourceUnits) && source[i + 1] >= 0xDC00 &&
            source[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (source[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = '?';
        }
        char bytes[4];
        int n = 0;
        if (cp < 0x80) {
            bytes[n++] = char(cp);
        } else if (cp < 0x800) {
            bytes[n++] = char(0xC0 | (cp >> 6));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            bytes[n++] = char(0xE0 | (cp >> 12));
            bytes[n++] = char(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        } else {
            bytes[n++] = char(0xF0 | (cp >> 18));
            bytes[n++] = char(0x80 | ((cp >> 12) & 0x3F));
            bytes[n++] = char(0x80 | ((cp >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (cp & 0x3F));
        }
        if (out + n > destinationBytes - 1)
            break;
        std::memcpy(destination + out, bytes, size_t(n));
        out += n;
    }
    destination[out] = 0;
    return out;
}
