#pragma once
// The SQLite schema (data/schema_sqlite.sql, compiled in) and creation of empty databases.
#include <QString>

struct sqlite3;

namespace ds::db {

// CREATE TABLE statements, the CREATE INDEX statements that follow the "-- @indexes" marker, and the
// keyword index on the names with its triggers after "-- @name-index". They are kept apart so that bulk
// loading can fill the tables before the indexes exist, and so that a database made before the name
// index existed can be given it (db/name_index.h), which also fills it.
QString SqliteSchemaTables();
QString SqliteSchemaIndexes();
QString SqliteSchemaNameIndex();

// Runs a script of several statements on an open handle; throws DbError with the engine's message.
void ExecSqliteScript(sqlite3* db, const QString& script);

// Creates a database file holding the empty tables and their indexes (written to a temporary name,
// then moved into place); without the name index when this SQLite cannot build one. Refuses to replace
// an existing file. Throws DbError.
void CreateEmptyDatabase(const QString& path);

}  // namespace ds::db
