#include "net/responsive_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <thread>

namespace ds::net {

void RunWhileHandlingEvents(const std::function<void()>& job, std::atomic<bool>& cancel) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        job();
        return;
    }

    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        job();
        finished = true;
        // Queued to the loop's thread; if a nested loop is running there, this loop only leaves once
        // control comes back to it.
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    // exec also returns when the application exits every loop at once; the job may still be running.
    if (!finished) cancel = true;
    worker.join();
}

}  // namespace ds::net
