#include "fs/LabelText.h"

#include "core/ByteOrder.h"

namespace {

// Code page 850, bytes 0x80 to 0xFF.
constexpr uint16_t kCp850High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 0x80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 0x88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 0x90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, // 0x98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // 0xA0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, // 0xB0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, // 0xC8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE, // 0xD0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, // 0xD8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, // 0xE0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, // 0xE8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, // 0xF0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0, // 0xF8
};

bool IsControl(uint32_t codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0); }

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (IsControl(cp) || (cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF) {
        out += '?';
    } else if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at p[0..size); returns its length, or 0 when it is not well formed.
size_t DecodeUtf8(const uint8_t* p, size_t size, uint32_t& cp)
{
    const uint8_t lead = p[0];
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (length > size)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
        return 0;
    return length;
}

} // namespace

uint32_t Cp850ToUnicode(uint8_t byte) { return byte < 0x80 ? byte : kCp850High[byte - 0x80]; }

std::string OemLabelToUtf8(const uint8_t* bytes, size_t length)
{
    while (length > 0 && (bytes[length - 1] == ' ' || bytes[length - 1] == 0))
        --length;
    std::string out;
    for (size_t i = 0; i < length; ++i)
        AppendUtf8(out, Cp850ToUnicode(bytes[i]));
    return out;
}

std::string Utf8LabelFromBytes(const uint8_t* bytes, size_t length)
{
    size_t end = 0;
    while (end < length && bytes[end] != 0)
        ++end;
    std::string out;
    for (size_t i = 0; i < end;) {
        uint32_t cp = 0;
        const size_t used = DecodeUtf8(bytes + i, end - i, cp);
        if (used == 0) {
            out += '?';
            ++i;
        } else {
            AppendUtf8(out, cp);
            i += used;
        }
    }
    return out;
}

std::string Utf16LabelToUtf8(const uint8_t* bytes, size_t units)
{
    std::string out;
    for (size_t i = 0; i < units; ++i) {
        uint32_t cp = le16(bytes + 2 * i);
        if (cp == 0)
            break;
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units) {
            const uint32_t low = le16(bytes + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, cp);
    }
    return out;
}

void StoreLabel(PartitionInfo& info, const std::string& label)
{
    size_t length = label.size();
    if (length > sizeof info.Label - 1) {
        length = sizeof info.Label - 1;
        while (length > 0 && (uint8_t(label[length]) & 0xC0) == 0x80)
            --length;
    }
    SetLabel(info, label.substr(0, length).c_str());
}
