#include "tools/detached_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/stop_signal.h"

namespace ds::tools {

namespace {

// Stop presses are a plain counter, so the wait has to look at it now and then.
constexpr int PollMs = 20;

// Shared by the waiter and the worker, and kept alive by whichever of them is last.
struct WaitState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    // While set, the worker may post to `app`; cleared when the waiter leaves, because the
    // application object may be gone by the time an abandoned job ends.
    bool waiting = true;
    QCoreApplication* app = nullptr;
    // Only touched on the application's thread.
    QEventLoop* loop = nullptr;
};

std::atomic<int>& Running() {
    static std::atomic<int> running{0};
    return running;
}

// Holds one of the kMaxDetachedWorkers places for as long as it lives.
class WorkerPlace {
public:
    WorkerPlace() {
        int now = Running().load();
        while (now < kMaxDetachedWorkers && !Running().compare_exchange_weak(now, now + 1)) {
        }
        held_ = now < kMaxDetachedWorkers;
    }
    ~WorkerPlace() {
        if (held_) Running().fetch_sub(1);
    }
    WorkerPlace(const WorkerPlace&) = delete;
    WorkerPlace& operator=(const WorkerPlace&) = delete;
    bool held() const { return held_; }

private:
    bool held_ = false;
};

}  // namespace

int DetachedWorkersRunning() { return Running().load(); }

bool RunDetachedBounded(std::function<void()> job, int boundMs) {
    auto place = std::make_shared<WorkerPlace>();
    if (!place->held()) return false;
    const StopWatch stop;
    const QDeadlineTimer deadline(std::max(boundMs, 0), Qt::PreciseTimer);
    auto state = std::make_shared<WaitState>();
    QCoreApplication* app = QCoreApplication::instance();
    const bool handleEvents = app && QThread::currentThread() == app->thread();
    std::unique_ptr<QEventLoop> loop;
    if (handleEvents) {
        loop = std::make_unique<QEventLoop>();
        state->app = app;
        state->loop = loop.get();
    }

    try {
        std::thread([state, place = std::move(place), job = std::move(job)]() mutable {
            job();
            // The place is free as soon as the job is done; the thread itself ends a moment later.
            place.reset();
            const std::lock_guard lock(state->mutex);
            state->finished = true;
            state->done.notify_all();
            if (state->waiting && state->app) {
                QMetaObject::invokeMethod(
                    state->app, [state] {
                        if (state->loop) state->loop->quit();
                    },
                    Qt::QueuedConnection);
            }
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }

    if (handleEvents) {
        QTimer poll;
        poll.setInterval(PollMs);
        QObject::connect(&poll, &QTimer::timeout, loop.get(), [&] {
            if (stop.stopRequested() || deadline.hasExpired()) loop->quit();
        });
        QTimer bound;
        bound.setSingleShot(true);
        bound.setTimerType(Qt::PreciseTimer);
        QObject::connect(&bound, &QTimer::timeout, loop.get(), &QEventLoop::quit);
        bool finished = false;
        {
            const std::lock_guard lock(state->mutex);
            finished = state->finished;
        }
        if (!finished && !deadline.hasExpired() && !stop.stopRequested()) {
            poll.start();
            bound.start(static_cast<int>(std::min<qint64>(deadline.remainingTime(), INT_MAX)));
            // exec also returns when the application leaves every loop at once; the job may then
            // still be running and is abandoned like one that ran out of time.
            loop->exec();
        }
        state->loop = nullptr;
    } else {
        std::unique_lock lock(state->mutex);
        while (!state->finished && !stop.stopRequested() && !deadline.hasExpired()) {
            const auto slice = std::min<qint64>(PollMs, deadline.remainingTime());
            state->done.wait_for(lock, std::chrono::milliseconds(slice));
        }
    }

    const std::lock_guard lock(state->mutex);
    state->waiting = false;
    return state->finished;
}

}  // namespace ds::tools
