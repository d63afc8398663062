#include "core/config.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace ds {
namespace {
Config& instance() {
    static Config c;
    return c;
}

void readString(QSettings& s, const char* key, QString& into) {
    const QString k = QString::fromLatin1(key);
    if (s.contains(k)) into = s.value(k).toString();
}

void readInt(QSettings& s, const char* key, int& into) {
    const QString k = QString::fromLatin1(key);
    bool ok = false;
    const int v = s.value(k).toInt(&ok);
    if (s.contains(k) && ok && v > 0) into = v;
}
// A bounded count: missing keeps the default; anything else is brought into [low, high], and a value that
// was not a number in that range is noted, so that a typo does not pass silently.
void readBounded(QSettings& s, const char* key, int low, int high, int& into, QStringList* notes) {
    const QString k = QString::fromLatin1(key);
    if (!s.contains(k)) return;
    const QString text = s.value(k).toString().trimmed();
    bool ok = false;
    const int v = text.toInt(&ok);
    const int used = ok ? std::clamp(v, low, high) : into;
    if ((!ok || used != v) && notes)
        *notes << QStringLiteral("%1=%2 is not a number from %3 to %4; using %5")
                      .arg(k, text).arg(low).arg(high).arg(used);
    into = used;
}
}  // namespace

Config LoadConfig(const QString& path, QStringList* notes) {
    Config c;
    if (path.isEmpty() || !QFileInfo::exists(path)) return c;
    QSettings s(path, QSettings::IniFormat);
    readString(s, "AdminContact", c.adminContact);
    readString(s, "AddressServiceUrl", c.addressServiceUrl);
    readString(s, "CheckinToken", c.checkinToken);
    readString(s, "BaiduUrl", c.baiduUrl);
    readString(s, "AlexaUrl", c.alexaUrl);
    readString(s, "AlexaAccessId", c.alexaAccessId);
    readString(s, "ToolbarUrl", c.toolbarUrl);
    readString(s, "BingUrl", c.bingUrl);
    readString(s, "Ip2LocationUrl", c.ip2locationUrl);
    readString(s, "Ip2LocationToolsUrl", c.ip2locationToolsUrl);
    readString(s, "CodePage", c.codePage);
    int capMb = 0;
    readInt(s, "BodyCapMB", capMb);
    if (capMb > 0) c.bodyCapBytes = qint64(capMb) * 1024 * 1024;
    readInt(s, "ResolveTimeoutMs", c.resolveTimeoutMs);
    readInt(s, "ConnectTimeoutMs", c.connectTimeoutMs);
    readInt(s, "SendTimeoutMs", c.sendTimeoutMs);
    readInt(s, "ReceiveTimeoutMs", c.receiveTimeoutMs);
    readInt(s, "DlPhaseTimeoutMs", c.dlPhaseTimeoutMs);
    readInt(s, "TotalTimeoutMs", c.totalTimeoutMs);
    readBounded(s, "CheckConcurrency", 1, 16, c.checkConcurrency, notes);
    readBounded(s, "PerHostInFlight", 1, 16, c.perHostInFlight, notes);
    readBounded(s, "PerHostIntervalMs", 0, 60000, c.perHostIntervalMs, notes);
    readBounded(s, "HostPauseMs", 0, 300000, c.hostPauseMs, notes);
    readString(s, "HostsFile", c.hostsFile);
    if (!c.hostsFile.isEmpty() && QFileInfo(c.hostsFile).isRelative()) {
        const QString besideIni = QFileInfo(path).absoluteDir().filePath(c.hostsFile);
        c.hostsFile = QFileInfo::exists(besideIni) ? besideIni : QDir::current().absoluteFilePath(c.hostsFile);
    }
    readString(s, "RegistrationSource", c.registrationSource);
    c.registrationSource = c.registrationSource.trimmed().toLower();
    if (c.registrationSource != u"operator" && c.registrationSource != u"registry") {
        if (notes)
            *notes << QStringLiteral("RegistrationSource=%1 is neither operator nor registry; using operator")
                          .arg(c.registrationSource);
        c.registrationSource = QStringLiteral("operator");
    }
    readString(s, "RdapBootstrap", c.rdapBootstrap);
    readString(s, "RdapBootstrapRefreshUrl", c.rdapBootstrapRefreshUrl);
    readString(s, "WhoisServers", c.whoisServers);
    // A data file named relative to the settings belongs beside them, wherever the program was started.
    for (QString* file : {&c.rdapBootstrap, &c.whoisServers}) {
        const bool address = file->startsWith(u"http://") || file->startsWith(u"https://");
        if (!file->isEmpty() && !address && QFileInfo(*file).isRelative())
            *file = QFileInfo(path).absoluteDir().filePath(*file);
    }
    if (s.contains(QStringLiteral("Skin"))) c.skin = s.value(QStringLiteral("Skin")).toString().trimmed() != u"0";
    return c;
}

QString DefaultConfigPath() {
    const QString local = QDir::current().filePath(QStringLiteral("dropscout.ini"));
    if (QFileInfo::exists(local)) return local;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
        .filePath(QStringLiteral("dropscout.ini"));
}

const Config& config() { return instance(); }
void SetConfig(const Config& c) { instance() = c; }

}  // namespace ds
