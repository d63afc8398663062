#pragma once
// Runs blocking work off the user-interface thread while that thread keeps handling events.
#include <atomic>
#include <functional>

namespace ds::net {

// Runs `job` on a worker thread and waits in a local event loop until it has finished, so windows
// repaint and stop buttons work meanwhile; event handlers may start further calls while it waits.
// Without an application object, or off the application's thread, `job` runs in the calling thread.
// If the wait is cut short (the application is quitting), `cancel` is raised and the job is still
// waited for: nothing the job uses outlives the call.
void RunWhileHandlingEvents(const std::function<void()>& job, std::atomic<bool>& cancel);

}  // namespace ds::net
