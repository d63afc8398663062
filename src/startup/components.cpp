#include "startup/components.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QSaveFile>

namespace ds::startup {

ComponentLists DefaultComponentLists(const QString& programFolder) {
    ComponentLists lists;
    lists.systemFolder = QLibraryInfo::path(QLibraryInfo::LibrariesPath);
    lists.setupFolder = QDir(programFolder).filePath(QStringLiteral("setup"));
    const QString platforms = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    QString relativePlatforms = QDir(lists.systemFolder).relativeFilePath(platforms);
    if (relativePlatforms.startsWith(QStringLiteral(".."))) relativePlatforms = QStringLiteral("qt6/plugins/platforms");
    lists.copyOnly = {relativePlatforms, QStringLiteral("libsqlite3.so.0")};
    lists.copyAndRegister = {{QStringLiteral("odbc/libtdsodbc.so"), QStringLiteral("FreeTDS")}};
    lists.odbcDriversIni = QStringLiteral("/etc/odbcinst.ini");
    lists.templateFolder = QDir::tempPath();
    return lists;
}

QString FindComponent(const QString& folder, const QString& relativeName) {
    QString current = folder;
    const QStringList parts = relativeName.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty()) return {};
    for (const QString& part : parts) {
        const QString direct = QDir(current).filePath(part);
        if (QFileInfo::exists(direct)) {
            current = direct;
            continue;
        }
        QString match;
        const QStringList entries = QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                            QDir::NoDotAndDotDot);
        for (const QString& entry : entries)
            if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                match = entry;
                break;
            }
        if (match.isEmpty()) return {};
        current = QDir(current).filePath(match);
    }
    return current;
}

bool DriverRegistered(const QString& odbcDriversIni, const QString& driverName) {
    QFile file(odbcDriversIni);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']') &&
            line.mid(1, line.size() - 2).trimmed().compare(driverName, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

namespace {

// Copies a file, or a folder with everything in it, creating the target's parent folders.
void CopyComponent(const QString& source, const QString& target) {
    const QFileInfo info(source);
    if (!info.exists()) return;
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (info.isFile()) {
        QFile::copy(source, target);
        return;
    }
    QDirIterator it(source, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString to = QDir(target).filePath(QDir(source).relativeFilePath(file));
        QDir().mkpath(QFileInfo(to).absolutePath());
        QFile::copy(file, to);
    }
}

// Present, or copied from the setup folder and present now. Folders count only when not empty.
QString Provide(const ComponentLists& lists, const QString& name) {
    auto present = [&]() -> QString {
        const QString found = FindComponent(lists.systemFolder, name);
        if (found.isEmpty()) return {};
        const QFileInfo info(found);
        if (info.isDir() && QDir(found).isEmpty()) return {};
        return found;
    };
    QString found = present();
    if (!found.isEmpty()) return found;
    const QString source = FindComponent(lists.setupFolder, name);
    if (!source.isEmpty()) CopyComponent(source, QDir(lists.systemFolder).filePath(name));
    return present();
}

void RegisterDriver(const ComponentLists& lists, const RegisteredComponent& component, const QString& path,
                    const ComponentHooks& hooks) {
    // Deliberately skipped when the driver is already registered: every "odbcinst -i -d" raises the
    // driver's UsageCount in unixODBC, so registering on each first run would leave a count that one
    // uninstall no longer brings back to zero.
    if (DriverRegistered(lists.odbcDriversIni, component.driverName)) return;
    const QString templatePath = QDir(lists.templateFolder).filePath(QStringLiteral("dropscout-odbc-driver.ini"));
    QSaveFile file(templatePath);
    if (!file.open(QIODevice::WriteOnly)) return;
    const QString text = QStringLiteral("[%1]\nDescription=%1 ODBC driver\nDriver=%2\n").arg(component.driverName, path);
    file.write(text.toUtf8());
    if (!file.commit()) return;
    if (hooks.startCommand)
        hooks.startCommand(QStringLiteral("odbcinst"), {QStringLiteral("-i"), QStringLiteral("-d"), QStringLiteral("-f"),
                                                        templatePath});
}

}  // namespace

bool CheckComponentLists(const ComponentLists& lists, const ComponentHooks& hooks) {
    bool allPresent = true;
    for (const QString& name : lists.copyOnly) {
        if (hooks.yield) hooks.yield();
        if (Provide(lists, name).isEmpty()) allPresent = false;
    }
    for (const RegisteredComponent& component : lists.copyAndRegister) {
        if (hooks.yield) hooks.yield();
        const QString path = Provide(lists, component.name);
        if (path.isEmpty())
            allPresent = false;
        else
            RegisterDriver(lists, component, QFileInfo(path).absoluteFilePath(), hooks);
    }
    return allPresent;
}

QString MissingComponentsMessage(const QString& systemFolder) {
    return QStringLiteral("部分文件缺失或安装受阻，请将setup目录下的.ocx和.dll文件手工复制到") + systemFolder +
           QStringLiteral("目录下");
}

}  // namespace ds::startup
