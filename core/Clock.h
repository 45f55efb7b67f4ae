// The clock the program reads: a monotonic tick, the system time as a FILETIME, local calendar time.
#pragma once

#include <cstdint>

// Pins the system time (a FILETIME value; 0 restores the clock), so that formats made in tests are
// byte for byte repeatable.
void SetFixedSystemTime(uint64_t fileTime);
// Milliseconds from a monotonic clock.
uint32_t GetTickCount();
// 100-ns intervals since 1601-01-01 UTC.
uint64_t GetSystemFileTime();
struct EngineLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Milliseconds, DayOfWeek;
};
EngineLocalTime GetLocalTime();

// Seconds since 1970-01-01 UTC as a FILETIME.
uint64_t UnixTimeToFileTime(int64_t seconds);
// The UTC calendar fields of a FILETIME (milliseconds and day of the week filled too).
EngineLocalTime FileTimeToCalendar(uint64_t fileTime);
