#include "Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

uint32_t GetTickCount()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {
std::atomic<uint64_t> g_fixedTime{0};
constexpr uint64_t kEpochDifference = 116444736000000000ull; // 1601 -> 1970 in 100 ns
} // namespace

void SetFixedSystemTime(uint64_t fileTime)
{
    g_fixedTime = fileTime;
}

uint64_t GetSystemFileTime()
{
    using namespace std::chrono;
    if (const uint64_t fixed = g_fixedTime)
        return fixed;
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kEpochDifference + uint64_t(since1970 / 100);
}

EngineLocalTime GetLocalTime()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    if (const uint64_t fixed = g_fixedTime) {
        // A pinned time is taken as UTC calendar fields, whatever the local zone.
        const std::time_t t = std::time_t((fixed - kEpochDifference) / 10000000);
        std::tm tm {};
        ::gmtime_r(&t, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0, tm.tm_wday};
    }
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm {};
    ::localtime_r(&t, &tm);
    const int ms = int(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms, tm.tm_wday};
}

uint64_t UnixTimeToFileTime(int64_t seconds)
{
    const int64_t ticks = seconds * 10000000 + int64_t(kEpochDifference);
    return ticks > 0 ? uint64_t(ticks) : 0;
}

EngineLocalTime FileTimeToCalendar(uint64_t fileTime)
{
    // Whole days keep the arithmetic exact for every FILETIME (up to the year 30828).
    const uint64_t totalSeconds = fileTime / 10000000;
    const int64_t days = int64_t(totalSeconds / 86400);
    const int secondOfDay = int(totalSeconds % 86400);
    // Civil date from days since 1601-01-01 (a Monday), proleptic Gregorian.
    const int64_t z = days - 134774 + 719468; // days since 0000-03-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const int year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60,
            int(fileTime / 10000 % 1000), int((days + 1) % 7)};
}
