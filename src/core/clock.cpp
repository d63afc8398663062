#include "core/clock.h"

namespace ds {
namespace {
std::shared_ptr<Clock>& instance() {
    static std::shared_ptr<Clock> c = std::make_shared<SystemClock>();
    return c;
}
}  // namespace

const Clock& clock() { return *instance(); }
void SetClock(std::shared_ptr<Clock> c) { instance() = c ? std::move(c) : std::make_shared<SystemClock>(); }

}  // namespace ds
