#include "CommandLine.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The next conversion at or after pos: its position and letter, or npos.
size_t nextConversion(const char* format, size_t pos, char& letter)
{
    for (size_t i = pos; format[i]; ++i)
        if (format[i] == '%' && (format[i + 1] == 'u' || format[i + 1] == 'd' || format[i + 1] == 's')) {
            letter = format[i + 1];
            return i;
        }
    return std::string::npos;
}

} // namespace

std::string FormatCommandLine(const char* format, const std::vector<CommandValue>& values)
{
    std::string out;
    size_t pos = 0, index = 0;
    char letter = 0;
    while (true) {
        const size_t at = nextConversion(format, pos, letter);
        out.append(format + pos, (at == std::string::npos ? std::strlen(format) : at) - pos);
        if (at == std::string::npos)
            break;
        const CommandValue value = index < values.size() ? values[index] : CommandValue(int64_t(0));
        ++index;
        char number[32];
        if (letter == 's') {
            const std::string* text = std::get_if<std::string>(&value);
            out += '"';
            out += text ? *text : std::string();
            out += '"';
        } else {
            const int64_t v = std::holds_alternative<int64_t>(value) ? std::get<int64_t>(value) : 0;
            if (letter == 'u')
                std::snprintf(number, sizeof number, "%u", uint32_t(v));
            else
                std::snprintf(number, sizeof number, "%" PRId64, v);
            out += number;
        }
        pos = at + 2;
    }
    return out;
}

std::vector<CommandValue> ParseCommandLine(const char* format, const std::string& line, int* problem)
{
    auto fail = [problem](int why) {
        if (problem)
            *problem = why;
        return std::vector<CommandValue>();
    };
    if (problem)
        *problem = kLineOk;
    std::vector<CommandValue> values;
    size_t formatPos = 0, linePos = 0;
    // The literal text between conversions must stand in the line as written (letter case aside).
    auto matchLiteral = [&](size_t end) {
        for (; formatPos < end; ++formatPos, ++linePos)
            if (linePos >= line.size() ||
                std::tolower(static_cast<unsigned char>(line[linePos])) !=
                    std::tolower(static_cast<unsigned char>(format[formatPos])))
                return false;
        return true;
    };
    char letter = 0;
    while (true) {
        const size_t at = nextConversion(format, formatPos, letter);
        if (!matchLiteral(at == std::string::npos ? std::strlen(format) : at))
            return fail(kLineMismatch);
        if (at == std::string::npos)
            break;
        formatPos = at + 2;
        if (letter == 's') {
            if (linePos >= line.size() || line[linePos] != '"')
                return fail(kLineMismatch);
            ++linePos;
            const size_t close = line.find('"', linePos);
            const size_t end = close == std::string::npos ? line.size() : close;
            values.emplace_back(line.substr(linePos, end - linePos));
            linePos = close == std::string::npos ? line.size() : close + 1;
            continue;
        }
        bool negative = false;
        if (letter == 'd' && linePos < line.size() && (line[linePos] == '-' || line[linePos] == '+'))
            negative = line[linePos++] == '-';
        if (linePos >= line.size() || line[linePos] < '0' || line[linePos] > '9')
            return fail(kLineMismatch);
        // %u holds 32 bits, %d a signed 64-bit value; anything wider is refused, never wrapped.
        const uint64_t limit = letter == 'u' ? 0xFFFFFFFFull : negative ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
        uint64_t v = 0;
        while (linePos < line.size() && line[linePos] >= '0' && line[linePos] <= '9') {
            const uint64_t digit = uint64_t(line[linePos++] - '0');
            if (v > (limit - digit) / 10)
                return fail(kLineOutOfRange);
            v = v * 10 + digit;
        }
        int64_t value = negative ? int64_t(0 - v) : int64_t(v);
        if (letter == 'u')
            value = int64_t(int32_t(uint32_t(v))); // 4294967295 reads as -1
        values.emplace_back(value);
    }
    if (linePos != line.size())
        return fail(kLineMismatch);
    return values;
}

int64_t CommandInt(const std::vector<CommandValue>& values, size_t index)
{
    if (index >= values.size() || !std::holds_alternative<int64_t>(values[index]))
        return 0;
    return std::get<int64_t>(values[index]);
}

std::string CommandText(const std::vector<CommandValue>& values, size_t index)
{
    if (index >= values.size() || !std::holds_alternative<std::string>(values[index]))
        return {};
    return std::get<std::string>(values[index]);
}
