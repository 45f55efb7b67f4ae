#include "FaultInjection.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

namespace {

struct Range {
    int disk;
    bool write;
    int64_t first;
    int64_t last;
};

struct State {
    std::mutex mutex;
    bool loaded = false;
    std::vector<Range> ranges;
    std::map<int, int64_t> writeAfter; // disk -> allowed writes
    std::map<int, int64_t> writesSeen;
};

State& state()
{
    static State s;
    return s;
}

void parseLocked(State& s, const std::string& text)
{
    s.ranges.clear();
    s.writeAfter.clear();
    s.writesSeen.clear();
    s.loaded = true;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        const auto c1 = item.find(':');
        if (c1 == std::string::npos)
            continue;
        const auto c2 = item.find(':', c1 + 1);
        if (c2 == std::string::npos)
            continue;
        const int disk = std::atoi(item.substr(0, c1).c_str());
        const std::string kind = item.substr(c1 + 1, c2 - c1 - 1);
        const std::string arg = item.substr(c2 + 1);
        if (kind == "w-after") {
            s.writeAfter[disk] = std::strtoll(arg.c_str(), nullptr, 10);
            continue;
        }
        if (kind != "r" && kind != "w")
            continue;
        const auto dash = arg.find('-');
        const int64_t first = std::strtoll(arg.substr(0, dash).c_str(), nullptr, 10);
        const int64_t last = dash == std::string::npos ? first : std::strtoll(arg.substr(dash + 1).c_str(), nullptr, 10);
        s.ranges.push_back({disk, kind == "w", first, last});
    }
}

void ensureLoaded(State& s)
{
    if (!s.loaded) {
        const char* env = std::getenv("VOLMARA_FAULTS");
        parseLocked(s, env ? env : "");
    }
}

bool hits(const State& s, int disk, bool write, int64_t first, int64_t count)
{
    for (const Range& r : s.ranges)
        if (r.disk == disk && r.write == write && first <= r.last && first + count - 1 >= r.first)
            return true;
    return false;
}

} // namespace

namespace FaultInjection {

void Reload()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.loaded = false;
    ensureLoaded(s);
}

void Configure(const std::string& text)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    parseLocked(s, text);
}

bool ReadFails(int diskNumber, int64_t firstSector, int64_t count)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    return hits(s, diskNumber, false, firstSector, count);
}

bool WriteFails(int diskNumber, int64_t firstSector, int64_t count)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    if (hits(s, diskNumber, true, firstSector, count))
        return true;
    const auto limit = s.writeAfter.find(diskNumber);
    if (limit == s.writeAfter.end())
        return false;
    return ++s.writesSeen[diskNumber] > limit->second;
}

} // namespace FaultInjection
