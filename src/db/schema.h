#pragma once
// The SQLite schema (data/schema_sqlite.sql, compiled in) and creation of empty databases.
#include <QString>

struct sqlite3;

namespace ds::db {

// CREATE TABLE statements, and the CREATE INDEX statements that follow the "-- @indexes" marker.
// They are kept apart so that bulk loading can fill the tables before the indexes exist.
QString SqliteSchemaTables();
QString SqliteSchemaIndexes();

// Runs a script of several statements on an open handle; throws DbError with the engine's message.
void ExecSqliteScript(sqlite3* db, const QString& script);

// Creates a database file holding the empty tables and their indexes (written to a temporary name,
// then moved into place). Refuses to replace an existing file. Throws DbError.
void CreateEmptyDatabase(const QString& path);

}  // namespace ds::db
