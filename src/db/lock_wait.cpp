#include "db/lock_wait.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace ds::db {
namespace {

using std::chrono::milliseconds;

std::atomic<milliseconds::rep> limitMs{5000};
std::atomic<int> waitsInProgress{0};

std::mutex pumpMutex;
LockWaitPump& CurrentPump() {
    static LockWaitPump pump;
    return pump;
}

// The first tries come quickly, as most locks are held for a moment only; later ones every 10 ms,
// often enough that a repaint or a stop press is handled without a visible delay.
milliseconds SleepBeforeTry(int tries) {
    static constexpr milliseconds first[] = {milliseconds(1), milliseconds(2), milliseconds(5)};
    return tries < 3 ? first[tries] : milliseconds(10);
}

bool OnApplicationThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void RunPump() {
    LockWaitPump pump;
    {
        const std::lock_guard lock(pumpMutex);
        pump = CurrentPump();
    }
    if (pump)
        pump();
    else
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

struct CountedWait {
    CountedWait() { ++waitsInProgress; }
    ~CountedWait() { --waitsInProgress; }
    CountedWait(const CountedWait&) = delete;
    CountedWait& operator=(const CountedWait&) = delete;
};

}  // namespace

milliseconds SetLockWaitLimit(milliseconds limit) { return milliseconds(limitMs.exchange(limit.count())); }

milliseconds LockWaitLimit() { return milliseconds(limitMs.load()); }

LockWaitPump SetLockWaitPump(LockWaitPump pump) {
    const std::lock_guard lock(pumpMutex);
    std::swap(CurrentPump(), pump);
    return pump;
}

int LockWaitsInProgress() { return waitsInProgress.load(); }

QString LockWaitReentryText() {
    return QStringLiteral("数据库正在等待其他程序解除锁定，此操作不能同时进行，请稍后再试");
}

bool LockWait::keepWaiting() noexcept {
    const CountedWait counted;
    const auto now = std::chrono::steady_clock::now();
    if (!started_) {
        started_ = true;
        tries_ = 0;
        deadline_ = now + LockWaitLimit();
        stops_ = StopWatch();
    }
    if (stops_.stopRequested() || now >= deadline_) return false;

    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(SleepBeforeTry(tries_++),
                                                                            deadline_ - now));
    if (OnApplicationThread()) {
        pumping_ = true;
        try {
            RunPump();
        } catch (...) {
            // The engine calls us from C: nothing may unwind through it. An event handler that throws
            // has already lost its own work; the wait goes on.
        }
        pumping_ = false;
    }
    // A stop pressed during the pump ends the wait now rather than after one more try.
    return !stops_.stopRequested();
}

}  // namespace ds::db
