#include "ui/lock_wait_pump.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "db/lock_wait.h"

namespace ds::ui {
namespace {

constexpr char kStopButtonProperty[] = "dsStopButton";

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Close:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

// A press may land on a part of the button (its caption is drawn by the button itself today, but a
// child label would be a part all the same); the search stops at the window.
bool InsideStopButton(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        if (widget->property(kStopButtonProperty).toBool()) return true;
        if (widget->isWindow()) return false;
    }
    return false;
}

// Keeps user input from everything but the stop buttons for as long as it lives. A modal dialog
// opened by an event handled during the wait (a message box) runs its own loop inside the wait and
// has to be answered before the wait can go on, so input to it gets through.
class InputGate : public QObject {
public:
    InputGate() : modalAtStart_(QApplication::activeModalWidget()) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputGate() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputGate(const InputGate&) = delete;
    InputGate& operator=(const InputGate&) = delete;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (!IsUserInput(type)) return false;
        // A close the program asks for itself is no user's command.
        if (type == QEvent::Close && !event->spontaneous()) return false;
        if (target->isWidgetType()) {
            const auto* widget = static_cast<const QWidget*>(target);
            if (InsideStopButton(widget) || openedDuringWait(widget)) return false;
        } else if (type != QEvent::Shortcut) {
            // A window hands its input on to the widget it is meant for, and is judged there. Only a
            // shortcut goes straight to an object that is not a widget (a menu action).
            return false;
        }
        if (type == QEvent::Close)
            event->ignore();  // an accepted close would hide the window even though it was filtered
        else if (type == QEvent::ShortcutOverride)
            event->accept();  // the focus widget "takes" the key, so no shortcut fires from it
        return true;
    }

private:
    bool openedDuringWait(const QWidget* widget) const {
        const QWidget* modal = QApplication::activeModalWidget();
        return modal && modal != modalAtStart_ && widget->window() == modal;
    }

    QPointer<QWidget> modalAtStart_;
};

}  // namespace

void SetStopButtonMark(QWidget* button) {
    if (button) button->setProperty(kStopButtonProperty, true);
}

void PumpEventsForLockWait() {
    const InputGate gate;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void InstallLockWaitPump() {
    static const bool installed = [] {
        db::SetLockWaitPump(PumpEventsForLockWait);
        return true;
    }();
    (void)installed;
}

}  // namespace ds::ui
