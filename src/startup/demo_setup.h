#pragma once
// The offline demo: a generated SQLite database in a folder and a settings file whose stored address
// points at it, so that 开始登录 works without the address service.
#include <QDate>
#include <QString>

namespace ds::startup {

inline constexpr const char* kDemoDatabaseName = "dropscout-demo.db";

// The address payload for a database file (both network variants name the same file).
QString DemoPayload(const QString& databasePath);

// Creates "dropscout-demo.db" in `folder` unless it exists, and stores its address in `folder`/set.dat
// unless that already holds exactly this address. Throws (DbError, StartupError) on failure.
void PrepareDemoFolder(const QString& folder, const QDate& today);

}  // namespace ds::startup
