#include "net/responsive_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <system_error>
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
    std::thread worker;
    try {
        worker = std::thread([&] {
            job();
            finished = true;
            // Queued to the loop's thread; if a nested loop is running there, this loop only leaves
            // once control comes back to it.
            QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: still do the work, only without repainting meanwhile.
        job();
        return;
    }
    loop.exec();
    // exec also returns when the application exits every loop at once; the job may still be running.
    if (!finished) cancel = true;
    worker.join();
}

}  // namespace ds::net
