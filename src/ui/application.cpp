#include "ui/application.h"

#include <QHash>
#include <QWidget>

namespace ds::ui {

std::shared_ptr<StopCounter> WindowStopCounter(const QWidget* window) {
    static QHash<const QWidget*, std::shared_ptr<StopCounter>> counters;
    auto it = counters.find(window);
    if (it != counters.end()) return *it;
    // A later window at the same address must not inherit the count (work still running keeps its own
    // reference to the old one).
    QObject::connect(window, &QObject::destroyed, [window] { counters.remove(window); });
    return *counters.insert(window, std::make_shared<StopCounter>(0));
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    if (!receiver || !receiver->isWidgetType()) return QApplication::notify(receiver, event);
    const QWidget* window = static_cast<QWidget*>(receiver)->window();
    StopScope scope(WindowStopCounter(window));
    return QApplication::notify(receiver, event);
}

}  // namespace ds::ui
