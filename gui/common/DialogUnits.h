// The units of the partition dialogs: their spin boxes show MB (2048 sectors of 512 bytes) with two
// decimals, and a handler marks itself busy so that the boxes it sets do not call it back.
#pragma once

#include <QtGlobal>
#include <cmath>

namespace DialogUnits {

inline constexpr double kSectorsPerMB = 2048.0;

inline double ToMB(qint64 n64Sectors)
{
    return double(n64Sectors) / kSectorsPerMB;
}

// Truncated toward zero, as a typed value never asks for more than it shows.
inline qint64 ToSectors(double value)
{
    const double sectors = value * kSectorsPerMB;
    if (!std::isfinite(sectors))
        return 0;
    if (sectors >= 9.0e18)
        return qint64(9.0e18);
    if (sectors <= -9.0e18)
        return qint64(-9.0e18);
    return qint64(sectors);
}

// Sets a busy flag for a scope and puts back what it was, so that a handler reached from inside
// another one does not end the outer one's guard.
class BusyScope {
public:
    explicit BusyScope(bool& bBusy) : m_busy(bBusy), m_previous(bBusy) { m_busy = true; }
    ~BusyScope() { m_busy = m_previous; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_busy;
    bool m_previous;
};

} // namespace DialogUnits
