#pragma once
// What the side windows share: they are created once and live as long as the program, so closing one
// only hides it (it keeps its last lookup); in the domain box Esc hides the window and Enter runs its
// lookup.
#include <QWidget>

class QLineEdit;

namespace ds::tools {

class SideWindow : public QWidget {
    Q_OBJECT
public:
    explicit SideWindow(QWidget* parent = nullptr);

    // Shows the window in front of the others.
    void showInFront();

protected:
    // The window's lookup, run by Enter in the domain box.
    virtual void runLookup() = 0;
    // Called whenever the window is hidden by the user (its close box, Esc, its close button).
    virtual void onUserHide() {}
    // Esc and Enter of `box` act on the window.
    void watchDomainBox(QLineEdit* box);
    void hideByUser();

    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box_ = nullptr;
};

}  // namespace ds::tools
