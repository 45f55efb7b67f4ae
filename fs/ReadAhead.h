// Reading one stage ahead of writing: stage k + 1 is read into the second of two buffers on a thread
// of its own while stage k is written from the first on the calling thread. The caller decides what a
// stage is and that reading one stage ahead is safe.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace ReadAhead {

// `read(k, buffer, stop)` fills the buffer for stage k and returns false on a failure (nothing more is
// read); it should give up soon once `stop` is set. `write(k, buffer)` returns 0 to go on, anything
// else to stop at once. Stages go through the buffers in turn (with a single buffer, reading and
// writing take turns). Returns 0 when every stage was written, the first non-zero write result, or
// `readFailed` when stage k could not be read (stages before it were written).
int Run(size_t stages, uint8_t* const buffers[2], size_t bufferCount,
        const std::function<bool(size_t, uint8_t*, const std::atomic<bool>&)>& read,
        const std::function<int(size_t, uint8_t*)>& write, int readFailed);

} // namespace ReadAhead
