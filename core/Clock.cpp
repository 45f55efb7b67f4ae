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
