#pragma once
// Stop presses, counted for the whole process. The windows' stop flags end their own loops between
// steps; work below the windows that blocks inside one step (a web fetch, a wait for a locked
// database) cannot see those flags, so it notes the count when it starts and gives up once the count
// has moved. Any thread may read it.
#include <atomic>
#include <cstdint>

namespace ds {

namespace detail {
inline std::atomic<std::uint64_t> stopPresses{0};
}

// Called by every stop button.
inline void RequestStop() { detail::stopPresses.fetch_add(1, std::memory_order_relaxed); }

// True once a stop was pressed after this object was made.
class StopWatch {
public:
    StopWatch() : start_(detail::stopPresses.load(std::memory_order_relaxed)) {}
    bool stopRequested() const { return detail::stopPresses.load(std::memory_order_relaxed) != start_; }

private:
    std::uint64_t start_;
};

}  // namespace ds
