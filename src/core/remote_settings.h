#pragma once
// The operator's settings row (table lconfig_all), read once at start and only read afterwards. The
// start-up load fills it; the searches, the live checks and the side windows read it.
#include <QHash>
#include <QString>
#include <QStringList>

namespace ds {

struct RemoteSettings {
    bool loaded = false;
    double version = 0;  // lver_domain as a number
    // Values by label name for the holder's fields (lver, ldownurl, lwhoisurl, ...), and by column name
    // for the values that go onto the main window (lmail, lhomeurl, lweburl_domain, lseolist, ...).
    QHash<QString, QString> values;
    QStringList seoList;  // lseolist split at "|", empty pieces kept

    // Empty text for a name that is not held.
    QString field(const QString& name) const { return values.value(name); }
};

// The process-wide settings. Empty (loaded == false) until the start-up load has run.
const RemoteSettings& remoteSettings();
void SetRemoteSettings(const RemoteSettings& settings);

}  // namespace ds
