#include "startup/demo_setup.h"

#include <QDir>
#include <QFileInfo>

#include "core/config.h"
#include "db/demo_data.h"
#include "startup/address_code.h"
#include "startup/address_store.h"

namespace ds::startup {

QString DemoPayload(const QString& databasePath) {
    const QString variant = QStringLiteral("Provider=SQLite;Data Source=") + databasePath;
    return variant + u'^' + variant;
}

void PrepareDemoFolder(const QString& folder, const QDate& today) {
    const QDir dir(folder);
    const QString database = dir.filePath(QString::fromLatin1(kDemoDatabaseName));
    if (!QFileInfo::exists(database)) {
        db::DemoOptions options;
        options.today = today;
        db::GenerateDemoDatabase(database, options);
    }

    const QString settingsFile = dir.filePath(QStringLiteral("set.dat"));
    const QString fullPayload = DemoPayload(QFileInfo(database).absoluteFilePath());
    // set.dat is read from the folder the program runs in, so the file name alone names this database.
    const QString namePayload = DemoPayload(QString::fromLatin1(kDemoDatabaseName));
    try {
        // Only this folder's own demo address is kept: any other address, however usable, would make the
        // demo log in somewhere else without a word.
        const QString stored = LoadAddress(settingsFile, config().codePage).payload;
        if (stored == fullPayload || stored == namePayload) return;
    } catch (const StartupError&) {
        // Damaged or unreadable: replaced below.
    }
    try {
        StoreAnswer(settingsFile, QStringLiteral("|data|") + fullPayload, config().codePage);
    } catch (const StartupError&) {
        // A path too long (or with characters the address code cannot hold): the file name alone works
        // as long as the program is started from this folder.
        StoreAnswer(settingsFile, QStringLiteral("|data|") + namePayload, config().codePage);
    }
}

}  // namespace ds::startup
