// Engine fault injection for tests, from VOLMARA_FAULTS:
//   DISK:r:FIRST-LAST   reads touching those sectors fail
//   DISK:w:FIRST-LAST   writes touching those sectors fail
//   DISK:w-after:N      every write after the N-th (counted per disk in this process) fails
#pragma once

#include <cstdint>
#include <string>

namespace FaultInjection {
// Parses the variable again (tests change it between cases).
void Reload();
// Re-reads from an explicit text instead of the environment.
void Configure(const std::string& text);
bool ReadFails(int diskNumber, int64_t firstSector, int64_t count);
// Counts the write and answers whether it must fail.
bool WriteFails(int diskNumber, int64_t firstSector, int64_t count);
}
