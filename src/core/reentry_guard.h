#pragma once
// Long commands yield to the event loop once per step, so their own button can be pressed again while
// they run. A second run inside the first would share its stop flag, its rows and the shared
// recordsets; each such command keeps a set of the owners (windows) it is running for and ignores a
// press that finds its owner already there.
#include <QSet>

namespace ds {

class ReentryGuard {
public:
    ReentryGuard(QSet<const void*>& running, const void* owner)
        : running_(running), owner_(owner), entered_(!running.contains(owner)) {
        if (entered_) running_.insert(owner_);
    }
    ~ReentryGuard() {
        if (entered_) running_.remove(owner_);
    }
    ReentryGuard(const ReentryGuard&) = delete;
    ReentryGuard& operator=(const ReentryGuard&) = delete;

    // False when the command was already running for this owner: the caller returns at once.
    bool entered() const { return entered_; }

private:
    QSet<const void*>& running_;
    const void* owner_;
    bool entered_;
};

}  // namespace ds
