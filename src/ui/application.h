#pragma once
// The program's application object. Beside Qt's own work it tells the work below the windows whose
// command it runs for: every event delivered to a window's widget is handled with that window's stop
// count current (core/stop_signal.h), so a fetch, name lookup or lock wait started by a click in one
// window is ended by that window's stop and by no other's.
#include <QApplication>
#include <memory>

#include "core/stop_signal.h"

namespace ds::ui {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The stop count of a top-level window (made on first use, dropped with the window).
std::shared_ptr<StopCounter> WindowStopCounter(const QWidget* window);

}  // namespace ds::ui
