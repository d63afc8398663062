#include "startup/floadini.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "startup/fload.h"
#include "ui/desktop.h"

namespace ds::startup {

floadini::floadini(ComponentLists components, QWidget* parent)
    : QWidget(parent), components_(std::move(components)) {
    setObjectName(QStringLiteral("floadini"));
    setWindowTitle(QStringLiteral("Form1"));
}

floadini::floadini(QWidget* parent) : floadini(DefaultComponentLists(QCoreApplication::applicationDirPath()), parent) {}

void floadini::Form_Load() {
    hide();
    try {
        const QString marker = QStringLiteral("setdomain.ini");
        if (QFileInfo::exists(marker)) {
            QFile::remove(marker);
            CheckComponents();
        }
    } catch (const std::exception&) {
        // The check is a convenience; start-up goes on without it.
    }
    auto* start = new fload();
    start->setAttribute(Qt::WA_DeleteOnClose);
    fload_ = start;
    start->show();
    start->raise();
    start->activateWindow();
    QCoreApplication::processEvents();
    close();
}

void floadini::CheckComponents() {
    const ComponentHooks hooks{
        [] { QCoreApplication::processEvents(); },
        [](const QString& program, const QStringList& arguments) { ui::desktop().startCommand(program, arguments); }};
    if (!CheckComponentLists(components_, hooks))
        ui::desktop().message(nullptr, MissingComponentsMessage(components_.systemFolder));
}

}  // namespace ds::startup
