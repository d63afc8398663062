#pragma once
// The windows' side of waiting for a locked database file (db/lock_wait.h). While a statement waits,
// every event is handled, so the window repaints and its stop buttons work; but user input reaches
// only the stop buttons, so no other command can start halfway through the one that waits (a search
// pressed again would find the connection busy, a close would end the program under it).
class QWidget;

namespace ds::ui {

// Marks `button` as a stop button: its clicks and keys get through while a statement waits.
template <typename Button>
Button* MarkStopButton(Button* button);
void SetStopButtonMark(QWidget* button);

// Installs the pump for the whole process (once; later calls do nothing). Windows that run statements
// call it when they are built, so the program and the tests get the same behaviour.
void InstallLockWaitPump();

// Handles pending events once with user input kept from everything but the stop buttons; the pump
// that InstallLockWaitPump installs.
void PumpEventsForLockWait();

template <typename Button>
Button* MarkStopButton(Button* button) {
    SetStopButtonMark(button);
    return button;
}

}  // namespace ds::ui
