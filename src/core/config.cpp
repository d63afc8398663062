#include "core/config.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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
}  // namespace

Config LoadConfig(const QString& path) {
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
    readString(s, "HostsFile", c.hostsFile);
    if (!c.hostsFile.isEmpty() && QFileInfo(c.hostsFile).isRelative()) {
        const QString besideIni = QFileInfo(path).absoluteDir().filePath(c.hostsFile);
        c.hostsFile = QFileInfo::exists(besideIni) ? besideIni : QDir::current().absoluteFilePath(c.hostsFile);
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
