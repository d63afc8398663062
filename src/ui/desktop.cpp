#include "ui/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "ui/markup.h"

namespace ds::ui {
namespace {
std::shared_ptr<Desktop>& instance() {
    static std::shared_ptr<Desktop> d = std::make_shared<QtDesktop>();
    return d;
}
}  // namespace

Desktop& desktop() { return *instance(); }

void Desktop::markupDialog(QWidget* parent, const QString& title, const QString& instruction,
                           const QString& content) {
    message(parent, ParseMarkup(instruction).plain + u"\n\n" + ParseMarkup(content).plain, title);
}

void QtDesktop::markupDialog(QWidget* parent, const QString& title, const QString& instruction,
                             const QString& content) {
    QMessageBox box(QMessageBox::Information, title, ParseMarkup(instruction).html, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    box.setInformativeText(ParseMarkup(content).html);
    box.exec();
}

bool IsOpenableAddress(const QString& address) {
    const QString a = address.trimmed();
    for (const char16_t* scheme : {u"http://", u"https://", u"mailto:", u"tencent:"})
        if (a.startsWith(QString::fromUtf16(scheme), Qt::CaseInsensitive) && a.size() > QStringView(scheme).size())
            return true;
    return false;
}

bool OpenAddress(const QString& address) {
    if (!IsOpenableAddress(address)) return false;
    desktop().shellOpen(address.trimmed());
    return true;
}
void SetDesktop(std::shared_ptr<Desktop> d) { instance() = d ? std::move(d) : std::make_shared<QtDesktop>(); }

MessageAnswer QtDesktop::message(QWidget* parent, const QString& text, const QString& title,
                                 MessageButtons buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok: b = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: b = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    QMessageBox box(QMessageBox::Information, title.isEmpty() ? QStringLiteral("DropScout") : title, text, b,
                    parent);
    // Messages carry domains and database text; "<b>x</b>.com" is shown as typed, not as markup.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    default: return MessageAnswer::Ok;
    }
}

QString QtDesktop::openFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString QtDesktop::saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& suggested) {
    // The dialog adds the chosen filter's suffix itself, so its question before replacing a file is
    // asked about the name that will be written.
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FilterSuffix(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected,
                     [&dialog](const QString& chosen) { dialog.setDefaultSuffix(FilterSuffix(chosen)); });
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

QString FilterSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral(R"(\(\*\.(\w+)[;) ])"));
    return pattern.match(filter).captured(1);
}

void QtDesktop::shellOpen(const QString& address) {
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (url.isValid()) QDesktopServices::openUrl(url);
}

void QtDesktop::setClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }
QString QtDesktop::clipboardText() { return QApplication::clipboard()->text(); }

void QtDesktop::startCommand(const QString& program, const QStringList& arguments) {
    QProcess::startDetached(program, arguments);
}

// "End": no unwinding, no further events; files are always closed before anyone calls this.
void QtDesktop::endProgram(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace ds::ui
