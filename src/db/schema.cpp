#include "db/schema.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include "db/db_error.h"
#include "db/name_index.h"
#include "db/schema_sqlite_sql.h"

namespace ds::db {
namespace {

const QString kIndexMarker = QStringLiteral("-- @indexes");
const QString kNameIndexMarker = QStringLiteral("-- @name-index");

QString Schema() {
    return QString::fromUtf8(generated::kSchemaSqlite);
}

// The text from `from` (or the start) up to `to` (or the end); empty when `from` is missing.
QString Section(const QString& from, const QString& to) {
    const QString all = Schema();
    qsizetype begin = 0;
    if (!from.isEmpty() && (begin = all.indexOf(from)) < 0) return {};
    const qsizetype end = to.isEmpty() ? -1 : all.indexOf(to, begin);
    return end < 0 ? all.mid(begin) : all.mid(begin, end - begin);
}

}  // namespace

QString SqliteSchemaTables() {
    return Section({}, kIndexMarker);
}

QString SqliteSchemaIndexes() {
    return Section(kIndexMarker, kNameIndexMarker);
}

QString SqliteSchemaNameIndex() {
    return Section(kNameIndexMarker, {});
}

void ExecSqliteScript(sqlite3* db, const QString& script) {
    char* error = nullptr;
    if (sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        throw DbError(message);
    }
}

void CreateEmptyDatabase(const QString& path) {
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("the database file already exists: ") + path);
    const QString temporary = path + QStringLiteral(".tmp");
    QFile::remove(temporary);
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(temporary.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    try {
        if (rc != SQLITE_OK) throw DbError(QString::fromUtf8(sqlite3_errmsg(db)) + QStringLiteral(": ") + temporary);
        ExecSqliteScript(
            db, QStringLiteral("BEGIN;") + SqliteSchemaTables() + SqliteSchemaIndexes() + QStringLiteral(";COMMIT;"));
        BuildNameIndex(db);
    } catch (...) {
        sqlite3_close_v2(db);
        QFile::remove(temporary);
        throw;
    }
    sqlite3_close_v2(db);
    if (!QFile::rename(temporary, path)) {
        QFile::remove(temporary);
        throw DbError(QStringLiteral("the database file could not be moved into place: ") + path);
    }
}

}  // namespace ds::db
