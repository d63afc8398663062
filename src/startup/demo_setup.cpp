#include "startup/demo_setup.h"

#include <signal.h>
#include <sys/prctl.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

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

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw StartupError(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
    return f.readAll();
}

// The session's services keep answering this long at most, should nothing stop them before.
constexpr const char* kServicesLifetimeSeconds = "86400";
// How long the program waits for the services to listen before it opens its windows.
constexpr int kServicesStartMs = 5000;

// The files the demo's dropscout.ini names by relative path, which resolves beside it: copied from
// the folder of the shipped template when missing, and like the settings left alone once there.
void CopyDemoCompanions(const QString& folder, const QString& templatePath) {
    const QDir shippedDir = QFileInfo(templatePath).absoluteDir();
    for (const char* name : kDemoCompanionFiles) {
        const QString target = QDir(folder).filePath(QString::fromLatin1(name));
        if (QFileInfo::exists(target)) continue;
        const QByteArray text = ReadAll(shippedDir.filePath(QString::fromLatin1(name)));
        QSaveFile f(target);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit())
            throw StartupError(QStringLiteral("cannot write %1: %2").arg(target, f.errorString()));
    }
}

void WriteDemoSettings(const QString& folder, const QByteArray& shipped) {
    const QString target = QDir(folder).filePath(QStringLiteral("dropscout.ini"));
    QByteArray addition;
    if (QFileInfo::exists(target)) {
        const QByteArray current = ReadAll(target);
        static const QRegularExpression section(QStringLiteral("^\\s*\\["), QRegularExpression::MultilineOption);
        if (QString::fromUtf8(current).contains(section)) return;
        QStringList keys;
        for (const QByteArray& line : current.split('\n'))
            if (const qsizetype eq = line.indexOf('='); eq > 0) keys << QString::fromUtf8(line.left(eq).trimmed());
        for (const QByteArray& line : shipped.split('\n')) {
            const QByteArray trimmed = line.trimmed();
            const qsizetype eq = trimmed.indexOf('=');
            if (trimmed.startsWith(';') || trimmed.startsWith('#') || eq <= 0) continue;
            if (!keys.contains(QString::fromUtf8(trimmed.left(eq).trimmed()))) addition += trimmed + '\n';
        }
        if (addition.isEmpty()) return;
        if (!current.isEmpty() && !current.endsWith('\n')) addition.prepend('\n');
        QFile f(target);
        if (!f.open(QIODevice::Append) || f.write(addition) != addition.size())
            throw StartupError(QStringLiteral("cannot write %1: %2").arg(target, f.errorString()));
        return;
    }
    QSaveFile f(target);
    if (!f.open(QIODevice::WriteOnly) || f.write(shipped) != shipped.size() || !f.commit())
        throw StartupError(QStringLiteral("cannot write %1: %2").arg(target, f.errorString()));
}

}  // namespace

void PrepareDemoSettings(const QString& folder, const QString& templatePath) {
    if (templatePath.isEmpty())
        throw StartupError(QStringLiteral("the demo settings template (%1) is not installed")
                               .arg(QString::fromLatin1(kDemoSettingsTemplate)));
    WriteDemoSettings(folder, ReadAll(templatePath));
    CopyDemoCompanions(folder, templatePath);
}

DemoServicesSession::~DemoServicesSession() { stop(); }

bool DemoServicesSession::start(const QString& program, const QString& folder, QString* note) {
    const QDir dir(folder);
    const QString database = QFileInfo(dir.filePath(QString::fromLatin1(kDemoDatabaseName))).absoluteFilePath();

    // The name map is made again at every start from the database, so it always names the rows the
    // searches show first.
    QProcess hosts;
    hosts.setProgram(program);
    hosts.setArguments({QStringLiteral("--hosts"), database});
    hosts.setWorkingDirectory(folder);
    hosts.start();
    if (!hosts.waitForFinished(60000) || hosts.exitStatus() != QProcess::NormalExit || hosts.exitCode() != 0) {
        hosts.kill();
        hosts.waitForFinished(1000);
        const QString said = QString::fromLocal8Bit(hosts.readAllStandardError()).trimmed();
        *note = QStringLiteral("the demo's name map was not written: %1")
                    .arg(said.isEmpty() ? hosts.errorString() : said);
        return false;
    }
    QSaveFile map(dir.filePath(QStringLiteral("hosts.txt")));
    const QByteArray text = hosts.readAllStandardOutput();
    if (!map.open(QIODevice::WriteOnly) || map.write(text) != text.size() || !map.commit()) {
        *note = QStringLiteral("cannot write %1: %2").arg(map.fileName(), map.errorString());
        return false;
    }

    const QString log = dir.filePath(QStringLiteral("services.log"));
    process_.setProgram(program);
    process_.setArguments({QStringLiteral("--db"), database, QStringLiteral("--lifetime"),
                           QString::fromLatin1(kServicesLifetimeSeconds)});
    process_.setWorkingDirectory(folder);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardOutputFile(log, QIODevice::Truncate);
    // A program that is killed cannot stop its child: the kernel ends the services with it instead.
    process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_.start();
    if (!process_.waitForStarted(kServicesStartMs)) {
        *note = QStringLiteral("the demo services did not start: %1").arg(process_.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kServicesStartMs);
    while (!deadline.hasExpired()) {
        QFile f(log);
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains("listening")) return true;
        if (process_.waitForFinished(50)) {
            QFile said(log);
            const QByteArray text = said.open(QIODevice::ReadOnly) ? said.readAll() : QByteArray();
            *note = QStringLiteral("the demo services did not start: %1").arg(QString::fromLocal8Bit(text).trimmed());
            return false;
        }
    }
    *note = QStringLiteral("the demo services are not listening after %1 s; see %2")
                .arg(kServicesStartMs / 1000)
                .arg(log);
    return true;  // still starting, perhaps on a busy machine: the session keeps and stops them
}

void DemoServicesSession::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(1000);
    }
}

}  // namespace ds::startup
