#include "ReadAhead.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace ReadAhead {

int Run(size_t stages, uint8_t* const buffers[2], size_t bufferCount,
        const std::function<bool(size_t, uint8_t*, const std::atomic<bool>&)>& read,
        const std::function<int(size_t, uint8_t*)>& write, int readFailed)
{
    enum class State { Empty, Filled, Failed };
    State states[2] = {State::Empty, State::Empty};
    const size_t slots = bufferCount > 1 ? 2 : 1;
    std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> stop{false};

    std::thread reader([&] {
        for (size_t k = 0; k < stages; ++k) {
            State& state = states[k % slots];
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop.load() || state == State::Empty; });
                if (stop)
                    return;
            }
            const bool ok = read(k, buffers[k % slots], stop);
            if (stop)
                return;
            {
                std::lock_guard<std::mutex> lock(mutex);
                state = ok ? State::Filled : State::Failed;
            }
            changed.notify_all();
            if (!ok)
                return;
        }
    });

    int result = 0;
    for (size_t k = 0; k < stages && result == 0; ++k) {
        State& state = states[k % slots];
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return state != State::Empty; });
            if (state == State::Failed) {
                result = readFailed;
                break;
            }
        }
        result = write(k, buffers[k % slots]);
        {
            std::lock_guard<std::mutex> lock(mutex);
            state = State::Empty;
        }
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    changed.notify_all();
    reader.join();
    return result;
}

} // namespace ReadAhead
