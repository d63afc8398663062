#pragma once
// What the side windows share: they are created once and live as long as the program, so closing one
// only hides it (it keeps its last lookup); in the domain box Esc hides the window and Enter runs its
// lookup.
#include <QWidget>
#include <functional>

class QLineEdit;

namespace ds::tools {

class SideWindow : public QWidget {
    Q_OBJECT
public:
    explicit SideWindow(QWidget* parent = nullptr);

    // Shows the window in front of the others.
    void showInFront();
    // True while the window's lookup runs.
    bool running() const { return running_; }

protected:
    // The window's lookup, run by Enter in the domain box.
    virtual void runLookup() = 0;
    // Called whenever the window is hidden by the user (its close box, Esc, its close button).
    virtual void onUserHide() {}
    // Runs `lookup` now, or, when a lookup of this window is already running (it yields to the window,
    // so a hand-over or Enter can arrive meanwhile), asks the running one to run `lookup` again once it
    // has ended, so two never fill the same fields at once. True when the call was only queued.
    bool runOneAtATime(const std::function<void()>& lookup);
    // Drops a queued run (the window is being closed).
    void dropQueuedRun() { again_ = false; }
    // Esc and Enter of `box` act on the window.
    void watchDomainBox(QLineEdit* box);
    void hideByUser();

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box_ = nullptr;
    bool running_ = false;
    bool again_ = false;
};

}  // namespace ds::tools
