#include "core/install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ds {

namespace {

// Empty when the folder is not absolute: a relative one would be resolved against the current folder.
QString AbsoluteOrEmpty(const QString& folder) {
    if (folder.isEmpty() || QDir::isRelativePath(folder)) return {};
    return QDir::cleanPath(folder);
}

}  // namespace

QStringList DataFolderCandidates(const QString& programFolder) {
    QStringList folders;
    if (const QString program = AbsoluteOrEmpty(programFolder); !program.isEmpty())
        folders << QDir::cleanPath(program + QStringLiteral("/../share/dropscout"));
#ifdef DROPSCOUT_SOURCE_DATA_DIR
    if (const QString source = AbsoluteOrEmpty(QStringLiteral(DROPSCOUT_SOURCE_DATA_DIR)); !source.isEmpty())
        folders << source;
#endif
    folders.removeDuplicates();
    return folders;
}

QStringList HelperProgramCandidates(const QString& programFolder, const QString& name) {
    const QString program = AbsoluteOrEmpty(programFolder);
    if (program.isEmpty() || name.isEmpty()) return {};
    return {QDir::cleanPath(program + QStringLiteral("/../lib/dropscout/") + name),
            QDir::cleanPath(program + u'/' + name)};
}

QString FindDataFile(const QString& name, const QStringList& folders) {
    for (const QString& folder : folders) {
        if (AbsoluteOrEmpty(folder).isEmpty()) continue;
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile() && file.isReadable()) return file.absoluteFilePath();
    }
    return {};
}

QString FindHelperProgram(const QStringList& candidates) {
    for (const QString& candidate : candidates) {
        if (AbsoluteOrEmpty(candidate).isEmpty()) continue;
        const QFileInfo file(candidate);
        if (file.isFile() && file.isExecutable()) return file.absoluteFilePath();
    }
    return {};
}

QString FindDataFile(const QString& name) {
    return FindDataFile(name, DataFolderCandidates(QCoreApplication::applicationDirPath()));
}

QString FindHelperProgram(const QString& name) {
    return FindHelperProgram(HelperProgramCandidates(QCoreApplication::applicationDirPath(), name));
}

}  // namespace ds
