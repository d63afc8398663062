#pragma once
// Waiting for work that may never end: name lookups cannot be cancelled, so the caller must be able
// to walk away from them.
#include <functional>

namespace ds::tools {

// Runs `job` on a detached worker thread and waits at most `boundMs` for it (a negative bound counts
// as 0); a stop press (ds::RequestStop) also ends the wait. On the application's thread the wait
// handles events, so windows repaint and stop buttons work; elsewhere, or without an application, it
// simply blocks. Returns true when the job finished in time. A job that did not runs on alone, so it
// must own everything it touches: capture values and shared_ptrs, never references to the caller's
// locals. Without a thread to be had the job is not run and the result is false.
//
// At most kMaxDetachedWorkers jobs run at once, counting those given up on: a name server that never
// answers would otherwise leave one thread (and its stack) behind per lookup until the system gives
// up, 1,000 lookups 1,000 threads. Beyond the cap a job is not run and the result is false at once;
// when the abandoned jobs end, their places are free again.
bool RunDetachedBounded(std::function<void()> job, int boundMs);

inline constexpr int kMaxDetachedWorkers = 8;

// Jobs of RunDetachedBounded running now, waited for or given up on.
int DetachedWorkersRunning();

}  // namespace ds::tools
