#pragma once
// The main window's side of a check run on the engine: the settings the window asks for (its 并发查询数
// box), and the wait in which the window keeps handling events until every job is answered. The wait
// watches the window's stop flag, which its stop buttons and every command that takes the grid raise,
// and stops the engine when it goes up or the window goes away.
#include <QPointer>
#include <QString>

#include "checks/engine/check_engine.h"

namespace ds::search {
class Fdomain;
}
namespace ds::ui {
class BusyStrip;
}

namespace ds::checks {

// dropscout.ini's engine settings with the concurrency of the window's box.
engine::EngineSettings WindowEngineSettings(const search::Fdomain& form);

class WindowRun {
public:
    WindowRun(search::Fdomain& form, engine::CheckEngine& engine, ui::BusyStrip* strip);

    enum class End { Done, Stopped, WindowGone };
    // Returns once every submitted job is answered.
    End wait();

    // The count on the strip, with the requests under way and a host's pause beside it.
    void showProgress(int done, int total);

private:
    QPointer<search::Fdomain> form_;
    engine::CheckEngine& engine_;
    QPointer<ui::BusyStrip> strip_;
    QString pausedHost_;
    qint64 pauseEndsMs_ = 0;
    int done_ = 0, total_ = 0;
    bool stopSeen_ = false;
};

}  // namespace ds::checks
