#pragma once
// Stop presses, counted per window. The windows' stop flags end their own loops between steps; work
// below the windows that blocks inside one step (a web fetch, a name lookup, a wait for a locked
// database) cannot see those flags, so it notes a count when it starts and gives up once the count has
// moved. Which count: the one of the window whose event is being handled when the work starts (the
// application object sets it for each event it delivers to a window, see ui/application.h), so a stop
// pressed in one window ends that window's work and nothing else's. Work started outside any window's
// event (a timer, a test calling a handler directly) watches the process's own count, which every stop
// press moves too, as all stops did before windows had counts of their own.
#include <atomic>
#include <cstdint>
#include <memory>

namespace ds {

using StopCounter = std::atomic<std::uint64_t>;

// The count work started now watches: the current window's, or the process's own.
std::shared_ptr<StopCounter> CurrentStopCounter();

// Makes `counter` the current count for as long as it lives, on this thread; scopes nest.
class StopScope {
public:
    explicit StopScope(std::shared_ptr<StopCounter> counter);
    ~StopScope();
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    std::shared_ptr<StopCounter> previous_;
};

// Called by every stop button: moves the current window's count, and the process's own.
void RequestStop();

// True once the count that was current when this object was made has moved. Any thread may ask.
class StopWatch {
public:
    StopWatch() : counter_(CurrentStopCounter()), start_(counter_->load(std::memory_order_relaxed)) {}
    bool stopRequested() const { return counter_->load(std::memory_order_relaxed) != start_; }

private:
    std::shared_ptr<StopCounter> counter_;
    std::uint64_t start_;
};

}  // namespace ds
