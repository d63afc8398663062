#include "tools/side_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace ds::tools {

SideWindow::SideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {}

void SideWindow::showInFront() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

bool SideWindow::runOneAtATime(const std::function<void()>& lookup) {
    if (running_) {
        again_ = true;
        return true;
    }
    running_ = true;
    do {
        again_ = false;
        lookup();
    } while (again_);
    running_ = false;
    return false;
}

void SideWindow::watchDomainBox(QLineEdit* box) {
    box_ = box;
    box->installEventFilter(this);
}

void SideWindow::hideByUser() {
    onUserHide();
    hide();
}

void SideWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hideByUser();
}

bool SideWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            hideByUser();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runLookup();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ds::tools
