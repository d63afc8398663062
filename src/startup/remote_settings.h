#pragma once
// The operator's settings row (table lconfig_all), read once at start and only read afterwards.
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>

namespace ds::startup {

// The program's own version; a newer lver_domain announces an upgrade.
inline constexpr double SettingsCurrentVersion = 3.11;

// Where each column of the row goes: a hidden label of the settings holder, or a control of the main
// window (a button caption, or the entries of the hidden list lweblist).
struct SettingsColumn {
    const char* column;
    const char* target;
    bool holderLabel;  // true: label on the settings holder; false: control of the main window
};
extern const std::array<SettingsColumn, 24> kSettingsColumns;

// Names of the holder's labels, the fourteen filled ones first, then "ldataurl", which nothing fills.
QStringList SettingsLabelNames();

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

// "<TextBlock>Version <Run ...>" + version + "</Run></TextBlock>" (the value escaped for markup).
QString VersionCaption(const QString& versionText);
// The caption of the second upgrade button for a newer version.
QString UpgradeCaption(const QString& versionText);

}  // namespace ds::startup
