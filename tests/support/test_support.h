#pragma once
// Shared test helpers: a recording desktop, a temporary working folder, waiting on a condition.
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <ostream>
#include <memory>
#include <vector>

#include "ui/desktop.h"

// Readable QString values in GoogleTest failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace ds::test {

// Records every desktop call and answers message boxes and dialogs from queues.
class RecordingDesktop : public ui::Desktop {
public:
    struct Message {
        QString text;
        QString title;
    };
    std::vector<Message> messages;
    QStringList opened;          // shellOpen addresses
    QStringList commands;        // program + " " + arguments joined
    QString clipboard;
    std::vector<int> endCodes;   // endProgram calls
    std::vector<ui::MessageAnswer> answers;  // popped front for each message; Ok/Yes when empty
    QStringList openNames, saveNames;        // popped front for each dialog; empty (cancel) when none

    ui::MessageAnswer message(QWidget*, const QString& text, const QString& title,
                              ui::MessageButtons buttons) override;
    QString openFileName(QWidget*, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    void shellOpen(const QString& address) override { opened << address; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    QString clipboardText() override { return clipboard; }
    void startCommand(const QString& program, const QStringList& arguments) override {
        commands << (QStringList{program} + arguments).join(u' ');
    }
    void endProgram(int code) override { endCodes.push_back(code); }
};

// Installs a RecordingDesktop for the lifetime of the object and restores the real one afterwards.
struct DesktopScope {
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    DesktopScope() { ui::SetDesktop(desktop); }
    ~DesktopScope() { ui::SetDesktop(nullptr); }
    RecordingDesktop* operator->() { return desktop.get(); }
};

// Makes a fresh temporary folder the current directory for the lifetime of the object.
class TempCwd {
public:
    TempCwd();
    ~TempCwd();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Processes events until `done` is true or `timeoutMs` passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace ds::test
