#include "core/yield_pacer.h"

#include <QCoreApplication>
#include <atomic>

namespace ds {
namespace {
std::atomic<qint64> intervalMs{kDefaultYieldInterval.count()};
}  // namespace

std::chrono::milliseconds SetYieldInterval(std::chrono::milliseconds interval) {
    return std::chrono::milliseconds(intervalMs.exchange(interval.count()));
}

std::chrono::milliseconds YieldInterval() { return std::chrono::milliseconds(intervalMs.load()); }

YieldPacer::YieldPacer() { sinceTurn_.start(); }

bool YieldPacer::yield() {
    if (sinceTurn_.elapsed() < intervalMs.load()) return false;
    yieldNow();
    return true;
}

void YieldPacer::yieldNow() {
    QCoreApplication::processEvents();
    sinceTurn_.start();
}

}  // namespace ds
