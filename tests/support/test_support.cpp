#include "support/test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace ds::test {

ui::MessageAnswer RecordingDesktop::message(QWidget*, const QString& text, const QString& title,
                                            ui::MessageButtons buttons) {
    messages.push_back({text, title});
    if (!answers.empty()) {
        const auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    return buttons == ui::MessageButtons::YesNo || buttons == ui::MessageButtons::YesNoCancel
               ? ui::MessageAnswer::Yes
               : ui::MessageAnswer::Ok;
}

QString RecordingDesktop::openFileName(QWidget*, const QString&, const QString&) {
    return openNames.isEmpty() ? QString() : openNames.takeFirst();
}

QString RecordingDesktop::saveFileName(QWidget*, const QString&, const QString&, const QString&) {
    return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
}

TempCwd::TempCwd() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
TempCwd::~TempCwd() { QDir::setCurrent(previous_); }

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace ds::test
