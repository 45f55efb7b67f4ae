#include "CommandLine.h"

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

std::vector<CommandValue> ParseCommandLine(const char* format, const std::string& line)
{
    std::vector<CommandValue> values;
    size_t formatPos = 0, linePos = 0;
    char letter = 0;
    while (true) {
        const size_t at = nextConversion(format, formatPos, letter);
        if (at == std::string::npos)
            break;
        linePos += at - formatPos;
        formatPos = at + 2;
        if (letter == 's') {
            std::string text;
            if (linePos < line.size()) {
                ++linePos; // the opening quote
                const size_t close = line.find('"', linePos);
                const size_t end = close == std::string::npos ? line.size() : close;
                if (linePos < end)
                    text = line.substr(linePos, end - linePos);
                linePos = close == std::string::npos ? line.size() : close + 1;
            }
            values.emplace_back(text);
            continue;
        }
        bool negative = false;
        if (letter == 'd' && linePos < line.size() && (line[linePos] == '-' || line[linePos] == '+'))
            negative = line[linePos++] == '-';
        uint64_t v = 0;
        while (linePos < line.size() && line[linePos] >= '0' && line[linePos] <= '9')
            v = v * 10 + uint64_t(line[linePos++] - '0');
        int64_t value = negative ? int64_t(0 - v) : int64_t(v);
        if (letter == 'u')
            value = int64_t(int32_t(uint32_t(uint64_t(value))));
        values.emplace_back(value);
    }
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
