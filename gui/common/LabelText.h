// Volume labels between the entries' 8-bit engine text and the widgets' Unicode text.
#pragma once

#include <QString>
#include <string>

#include "core/PartitionInfo.h"

namespace LabelText {

// The entry's label as the user sees it (not trimmed).
QString FromEntry(const PartitionInfo& entry);
// A typed label in the engine's 8-bit text, cut to what an entry's label field holds.
std::string ToEngine(const QString& strLabel);
// Puts engine text into the entry's label field, cut and zero-terminated.
void Store(PartitionInfo& entry, const std::string& label);

} // namespace LabelText
