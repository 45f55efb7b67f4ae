#include "LabelRule.h"

#include <cstring>

#include "FileSystemTypes.h"

namespace {

// Bytes of one UTF-8 sequence starting at `at` and its code point; 0 for an invalid sequence.
size_t decodeOne(const std::string& s, size_t at, char32_t& cp)
{
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(at);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > s.size())
        return 0;
    cp = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t i = 1; i < length; ++i) {
        if ((b(at + i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(at + i) & 0x3F);
    }
    static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0; // overlong forms, surrogates, beyond Unicode
    return length;
}

bool refusedEverywhere(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || (c < 0x80 && std::strchr(":*?/\\|<>\"", int(c)));
}

bool refusedOnFat(char32_t c)
{
    return c >= 0x7F || (c < 0x80 && std::strchr("+,.;=[]", int(c)));
}

// Whether the label fits the field its file system keeps it in.
bool fitsField(int fileSystemType, const std::string& utf8, const std::u32string& points)
{
    if (IsFatCode(fileSystemType))
        return utf8.size() <= 11;
    if (fileSystemType == kFsNtfs) {
        size_t units = 0;
        for (char32_t c : points)
            units += c > 0xFFFF ? 2 : 1;
        return units <= 128;
    }
    if (fileSystemType == kFsExt2 || fileSystemType == kFsExt3 || fileSystemType == kFsLinuxSwap)
        return utf8.size() <= 16;
    return points.size() <= size_t(kDefaultMaxLabelLength);
}

} // namespace

bool DecodeUtf8(const std::string& utf8, std::u32string& out)
{
    out.clear();
    for (size_t at = 0; at < utf8.size();) {
        char32_t cp = 0;
        const size_t n = decodeOne(utf8, at, cp);
        if (n == 0)
            return false;
        out.push_back(cp);
        at += n;
    }
    return true;
}

std::string FirstRefusedLabelCharacter(int fileSystemType, const std::string& utf8)
{
    const bool fat = IsFatCode(fileSystemType);
    for (size_t at = 0; at < utf8.size();) {
        char32_t cp = 0;
        const size_t n = decodeOne(utf8, at, cp);
        if (n == 0)
            return utf8.substr(at, 1);
        if (refusedEverywhere(cp) || (fat && refusedOnFat(cp)))
            return utf8.substr(at, n);
        at += n;
    }
    return {};
}

LabelProblem CheckVolumeLabel(int fileSystemType, const std::string& utf8)
{
    if (!FirstRefusedLabelCharacter(fileSystemType, utf8).empty())
        return kLabelInvalidCharacter;
    std::u32string points;
    DecodeUtf8(utf8, points);
    return fitsField(fileSystemType, utf8, points) ? kLabelOk : kLabelTooLong;
}
