#pragma once
// Desktop services behind one seam: message boxes, file dialogs, shell "open", clipboard and command
// start. Windows call these; tests install a recorder (tests/support) that answers and records.
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace ds::ui {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual MessageAnswer message(QWidget* parent, const QString& text, const QString& title = {},
                                  MessageButtons buttons = MessageButtons::Ok) = 0;
    // Empty text when the user cancels.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& suggested = {}) = 0;
    // The shell "open" action on an address or file.
    virtual void shellOpen(const QString& address) = 0;
    virtual void setClipboardText(const QString& text) = 0;
    virtual QString clipboardText() = 0;
    // Starts a command without waiting for it.
    virtual void startCommand(const QString& program, const QStringList& arguments) = 0;
    // Ends the program at once (the "End" of start-up failures and quitting).
    virtual void endProgram(int code) = 0;
    // A modal notice whose instruction and content are markup captions (ui/markup.h). By default it is
    // shown as a message box with their plain text, which is also what a recording desktop records.
    virtual void markupDialog(QWidget* parent, const QString& title, const QString& instruction,
                              const QString& content);
};

// The real desktop (Qt dialogs, QDesktopServices, QClipboard, QProcess::startDetached).
class QtDesktop : public Desktop {
public:
    MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                          MessageButtons buttons) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& suggested) override;
    void shellOpen(const QString& address) override;
    void setClipboardText(const QString& text) override;
    QString clipboardText() override;
    void startCommand(const QString& program, const QStringList& arguments) override;
    void endProgram(int code) override;
    void markupDialog(QWidget* parent, const QString& title, const QString& instruction,
                      const QString& content) override;
};

// Opens an address that came from the operator's database: only web pages (http, https), mail
// (mailto) and the QQ client (tencent:) are handed to the desktop. Anything else (a local file or
// program, another scheme) is not opened, and nothing visible happens, as when the desktop cannot open
// an address. True when the address was handed over.
bool OpenAddress(const QString& address);
bool IsOpenableAddress(const QString& address);

// The suffix of a file dialog's filter ("表格文件(*.csv)" gives "csv"; empty for "*" or none). A name
// typed without a suffix in the save dialog takes the chosen filter's, as users of other desktops expect.
QString FilterSuffix(const QString& filter);

Desktop& desktop();
void SetDesktop(std::shared_ptr<Desktop> d);

}  // namespace ds::ui
