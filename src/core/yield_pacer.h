#pragma once
// Long loops over rows or lines hand the event loop a turn by time, not after every step. A turn costs
// microseconds even when nothing is waiting, and any turn may lay out and repaint the window: with a
// turn after every row, nine tenths of a 1,000-row page load went into the turns. Turns come about
// every 20 ms: the window still answers at once to the eye, and a stop press is seen within that
// interval.
//
// Whatever a loop checks after a turn (its stop flag, whether another command took its rows over) it
// may check after every step too; only a turn can change it, and yield() says whether one came.
#include <QElapsedTimer>
#include <chrono>

namespace ds {

class YieldPacer {
public:
    YieldPacer();
    // Gives the event loop a turn when the interval has passed since the last one (or since the pacer
    // was made); true when it did.
    bool yield();
    // A turn now, whatever the time, and a new interval from here.
    void yieldNow();

private:
    QElapsedTimer sinceTurn_;
};

// The interval between turns. Tests that act "during a yield" (a second command pressed while rows
// arrive) set 0, so every step yields as a slow machine would; the previous interval is returned.
std::chrono::milliseconds SetYieldInterval(std::chrono::milliseconds interval);
std::chrono::milliseconds YieldInterval();
inline constexpr std::chrono::milliseconds kDefaultYieldInterval{20};

// Sets an interval for the scope and puts the previous one back.
class ScopedYieldInterval {
public:
    explicit ScopedYieldInterval(std::chrono::milliseconds interval) : previous_(SetYieldInterval(interval)) {}
    ~ScopedYieldInterval() { SetYieldInterval(previous_); }
    ScopedYieldInterval(const ScopedYieldInterval&) = delete;
    ScopedYieldInterval& operator=(const ScopedYieldInterval&) = delete;

private:
    std::chrono::milliseconds previous_;
};

}  // namespace ds
