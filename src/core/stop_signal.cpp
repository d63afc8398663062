#include "core/stop_signal.h"

namespace ds {
namespace {

const std::shared_ptr<StopCounter>& ProcessCounter() {
    static const std::shared_ptr<StopCounter> counter = std::make_shared<StopCounter>(0);
    return counter;
}

// Only the thread that handles the windows' events ever sets one; other threads see the process's.
thread_local std::shared_ptr<StopCounter> current;

}  // namespace

std::shared_ptr<StopCounter> CurrentStopCounter() { return current ? current : ProcessCounter(); }

StopScope::StopScope(std::shared_ptr<StopCounter> counter) : previous_(std::move(current)) {
    current = std::move(counter);
}

StopScope::~StopScope() { current = std::move(previous_); }

void RequestStop() {
    if (current) current->fetch_add(1, std::memory_order_relaxed);
    ProcessCounter()->fetch_add(1, std::memory_order_relaxed);
}

}  // namespace ds
