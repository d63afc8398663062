#pragma once
// Where the columns of the operator's settings row go, and the captions the settings load writes. The
// row itself is core/remote_settings.h.
#include <QString>
#include <QStringList>
#include <array>

#include "core/remote_settings.h"

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

// "<TextBlock>Version <Run ...>" + version + "</Run></TextBlock>" (the value escaped for markup).
QString VersionCaption(const QString& versionText);
// The caption of the second upgrade button for a newer version.
QString UpgradeCaption(const QString& versionText);

}  // namespace ds::startup
