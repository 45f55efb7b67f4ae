#include "gui/common/SizeText.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <limits>

namespace SizeText {

namespace {

// Numbers in the user's decimal separator, as the size spin boxes show them, without group separators.
QString number(double value, char format, int precision)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, format, precision);
}

} // namespace

QString Decimal(double value, int precision)
{
    return number(value, 'f', precision);
}

int64_t Bytes(int64_t n64Sectors, int nBytesPerSector)
{
    if (n64Sectors <= 0 || nBytesPerSector <= 0)
        return 0;
    int64_t bytes = 0;
    if (__builtin_mul_overflow(n64Sectors, int64_t(nBytesPerSector), &bytes))
        return std::numeric_limits<int64_t>::max();
    return bytes;
}

QString DiskMapCapacity(int64_t n64TotalSectors, int nBytesPerSector)
{
    const int64_t mb = Bytes(n64TotalSectors, nBytesPerSector) / 1024 / 1024;
    const double gb = double(mb) / 1024.0;
    const double tb = gb / 1024.0;
    if (tb >= 1.0)
        return QCoreApplication::translate("KDiskMapItem", "%1 TB").arg(number(tb, 'f', 1));
    return QCoreApplication::translate("KDiskMapItem", "%1 GB").arg(number(gb, 'f', 1));
}

QString DiskMapSize(int64_t n64Sectors, int nBytesPerSector)
{
    const int64_t bytes = Bytes(n64Sectors, nBytesPerSector);
    const double gb = double(bytes / 1024 / 1024) / 1024.0;
    if (gb > 1.0)
        return QStringLiteral("%1 GB").arg(number(gb, 'f', 2));
    const double mb = double(bytes / 1024) / 1024.0;
    return QStringLiteral("%1 MB").arg(number(mb, 'f', 2));
}

namespace {

// The common part of the two list columns; false when even the kilobyte form would read below 1.
bool listText(int64_t bytes, QString* out)
{
    const double gb = double(bytes / 1024 / 1024) / 1024.0;
    const double mb = double(bytes / 1024) / 1024.0;
    const double kb = double(bytes) / 1024.0;
    if (gb >= 1.0)
        *out = QStringLiteral("%1 GB").arg(number(gb, 'f', 2));
    else if (mb >= 1.0)
        *out = QStringLiteral("%1 MB").arg(number(mb, 'f', 2));
    else
        *out = QStringLiteral("%1 KB").arg(number(kb, 'f', 2));
    return gb >= 1.0 || mb >= 1.0 || kb >= 1.0;
}

} // namespace

QString ListCapacityOfBytes(int64_t bytes)
{
    QString text;
    listText(bytes, &text);
    return text;
}

QString ListUsedOfBytes(int64_t bytes)
{
    QString text;
    if (listText(bytes, &text))
        return text;
    return QStringLiteral("%1 B").arg(number(double(bytes), 'g', 6));
}

namespace {

QString propertiesText(double mb)
{
    const double gb = mb / 1024.0;
    if (gb >= 1.0)
        return QStringLiteral("%1 GB").arg(number(gb, 'f', 2));
    return QStringLiteral("%1 MB").arg(number(mb, 'f', 2));
}

} // namespace

QString PropertiesSizeOfBytes(int64_t n64Bytes)
{
    return propertiesText(double(std::max<int64_t>(n64Bytes, 0) / 1024) / 1024.0);
}

QString PropertiesSizeOfSectors(int64_t n64Sectors)
{
    return propertiesText(double(std::max<int64_t>(n64Sectors, 0)) / 2048.0);
}

QString ListCapacity(int64_t n64Sectors, int nBytesPerSector)
{
    return ListCapacityOfBytes(Bytes(n64Sectors, nBytesPerSector));
}

QString ListUsed(int64_t n64Sectors, int nBytesPerSector)
{
    return ListUsedOfBytes(Bytes(n64Sectors, nBytesPerSector));
}

} // namespace SizeText
