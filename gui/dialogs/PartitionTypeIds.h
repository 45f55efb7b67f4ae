// The partition type ids offered by the type-id dialog: the most used ids first, a separator row,
// then every known id in ascending order. Each row but the separator is "0x" with two upper-case
// hexadecimal digits, a blank and a description; the rows are shown as they are, untranslated.
#pragma once

#include <QString>
#include <QStringList>

namespace PartitionTypeIds {

const QStringList& Rows();

// The id a row names (its third and fourth characters in base 16); -1 for the separator or any
// text that does not name one.
int RowTypeId(const QString& strRow);

// The index of the first row naming the id; -1 when no row does.
int RowOf(int nTypeId);

// The first row naming the id, or "0x%1" with the id in lower-case hexadecimal.
QString Description(int nTypeId);

} // namespace PartitionTypeIds
