#pragma once
// The demo database: a realistic, deterministic SQLite file with every table the program reads, so
// that the program can be tried offline.
#include <QDate>
#include <QString>

#include "db/db_error.h"

namespace ds::db {

struct DemoOptions {
    qint64 regRows = 3000;
    qint64 hisRows = 3000;
    // At least this many ldomainback records: every filed domain row has its own, and records of names
    // no table lists make up the rest.
    qint64 backRows = 2000;
    QDate today;  // dates are spread around this day; an invalid date means ds::clock().today()
    quint32 seed = 2026;
};

// Writes the database to path + ".tmp" and renames it to `path` (replacing an older file) only when
// complete. The same options give the same rows. Throws DbError.
void GenerateDemoDatabase(const QString& path, const DemoOptions& options);

}  // namespace ds::db
