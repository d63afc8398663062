#pragma once
// The embedded SQLite backend: statements in SQL Server's dialect are adapted (sqlite_dialect.h) and
// run on the file through the SQLite C API.
#include <QStringList>
#include <memory>

#include "db/connection.h"

struct sqlite3;

namespace ds::db {

// Opens an existing database file read-write (read-only when the file is write-protected). Throws
// DbError when the file is missing or is not a database; never creates an empty one. A file made
// before the name index existed gets it now (db/name_index.h); closing the backend lets the engine
// refresh statistics the planner used and found missing or out of date.
std::unique_ptr<Backend> OpenSqliteBackend(const QString& path);

// Runs `sql` (SQL Server dialect) on an open handle and reads the whole answer. Keyword searches on the
// tables in `nameIndexes` may run through their name index, with the same answer. Throws DbError with
// the engine's message.
ResultTable RunSqlite(sqlite3* db, const QString& sql, const QStringList& nameIndexes = {});

// Registers datediff(unit, a, b) and getdate() as SQL functions on `db`, for statements the dialect
// adapter does not rewrite (units other than day). getdate() reads ds::clock().
void RegisterSqlServerFunctions(sqlite3* db);

}  // namespace ds::db
