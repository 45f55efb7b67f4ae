#include "gui/common/LabelText.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/DiskEngine.h"

namespace LabelText {

QString FromEntry(const PartitionInfo& entry)
{
    // A full field without a terminator is a label of 256 bytes: never more units than bytes.
    char16_t text[sizeof(PartitionInfo::Label) + 1] = {}; // the engine keeps a unit for the terminator
    const int units = AnsiToUnicode(entry.Label, int(strnlen(entry.Label, sizeof entry.Label)), text,
                                    int(std::size(text)));
    return QString::fromUtf16(text, std::clamp(units, 0, int(std::size(text)) - 1));
}

std::string ToEngine(const QString& strLabel)
{
    char buffer[sizeof(PartitionInfo::Label)] = {};
    const std::u16string text = strLabel.toStdU16String();
    const int bytes = UnicodeToAnsi(text.c_str(), int(text.size()), buffer, int(sizeof buffer) - 1);
    return std::string(buffer, size_t(std::clamp(bytes, 0, int(sizeof buffer) - 1)));
}

void Store(PartitionInfo& entry, const std::string& label)
{
    std::memset(entry.Label, 0, sizeof entry.Label);
    std::memcpy(entry.Label, label.data(), std::min(label.size(), sizeof entry.Label - 1));
}

} // namespace LabelText
