#pragma once
// Waiting for a database file that another program holds locked. A plain busy timeout would block the
// user-interface thread inside the engine: no repaint, no stop button, and a page load (one price
// lookup per row) would stand still for minutes. Instead the wait is made of short sleeps with a
// "pump" between them that lets the window handle events, and it gives up at once when a stop button
// was pressed (core/stop_signal.h). The statement then fails with the engine's own "database is
// locked", as it would have when the limit ran out.
//
// The engine forbids touching a connection from inside its own wait; a statement that arrives on the
// waiting connection while the pump runs (a timer, a queued call) is refused with DbError.
#include <QString>
#include <chrono>
#include <functional>

#include "core/stop_signal.h"

namespace ds::db {

// How long one statement waits for the lock before it fails: 5 s unless a test shortens it. Returns
// the limit it replaces.
std::chrono::milliseconds SetLockWaitLimit(std::chrono::milliseconds limit);
std::chrono::milliseconds LockWaitLimit();

// What runs between the sleeps of a wait, only on the application's thread. An empty function
// restores the default, QCoreApplication::processEvents without user input (input stays queued); the
// windows install one that handles input too but keeps it from everything except the stop buttons
// (ui/lock_wait_pump.h). Returns the pump it replaces (empty for the default).
using LockWaitPump = std::function<void()>;
LockWaitPump SetLockWaitPump(LockWaitPump pump);

// Statements of this process waiting for a lock at this moment (a wait on a second connection, run
// from the pump of a first, counts as a second).
int LockWaitsInProgress();

// The text of the DbError that refuses a statement sent to a connection while it waits.
QString LockWaitReentryText();

// One connection's wait. The backend calls begin() before each statement and keepWaiting() from the
// engine's busy callback.
class LockWait {
public:
    // A new statement: its clock starts at the first busy call.
    void begin() { started_ = false; }
    // True to try the lock again, false to let the statement fail. Never throws.
    bool keepWaiting() noexcept;
    // True while the pump runs inside this connection's wait.
    bool pumping() const { return pumping_; }

private:
    bool started_ = false;
    bool pumping_ = false;
    int tries_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    StopWatch stops_;
};

}  // namespace ds::db
