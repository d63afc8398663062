#include "db/sqlite_backend.h"

#include <sqlite3.h>

#include <QFileInfo>

#include "core/clock.h"
#include "db/lock_wait.h"
#include "db/name_index.h"
#include "db/sqlite_dialect.h"

namespace ds::db {
namespace {

QString EngineMessage(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

QVariant CellValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qint64>(sqlite3_column_int64(stmt, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(stmt, column));
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, column)));
        }
        case SQLITE_BLOB: {
            const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, column));
            return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, column)));
        }
        default:
            return {};
    }
}

struct StatementGuard {
    sqlite3_stmt* stmt = nullptr;
    ~StatementGuard() { sqlite3_finalize(stmt); }
};

// A file another program holds locked is waited for without freezing the window (db/lock_wait.h).
int BusyHandler(void* wait, int /*tries*/) {
    return static_cast<LockWait*>(wait)->keepWaiting() ? 1 : 0;
}

class SqliteBackend : public Backend {
public:
    explicit SqliteBackend(sqlite3* db) : db_(db) { sqlite3_busy_handler(db_, BusyHandler, &wait_); }
    ~SqliteBackend() override {
        // Statistics the planner wanted during this session and found missing or stale are gathered
        // now, when no search waits for them. A file another program holds is left for another time:
        // there is no window left to keep alive while waiting.
        sqlite3_busy_handler(db_, nullptr, nullptr);
        sqlite3_exec(db_, "PRAGMA optimize", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    ResultTable query(const QString& sql) override {
        // The engine's busy callback must not use its own connection; the pump may run a timer or a
        // queued call that tries to.
        if (wait_.pumping()) throw DbError(LockWaitReentryText());
        wait_.begin();
        return RunSqlite(db_, sql, nameIndexes_);
    }

    // Builds the name index on a file made before it existed, then notes which tables have one.
    void prepareNameIndex() {
        wait_.begin();
        EnsureNameIndex(db_);
        nameIndexes_ = NameIndexedTables(db_);
    }

    // Runs a statement of our own that needs no answer, with the same wait as query().
    int exec(const char* sql) {
        wait_.begin();
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    }

private:
    sqlite3* db_;
    LockWait wait_;
    QStringList nameIndexes_;
};

}  // namespace

ResultTable RunSqlite(sqlite3* db, const QString& sql, const QStringList& nameIndexes) {
    const QDateTime now = ds::clock().now();
    const QByteArray text = nameIndexes.isEmpty()
                                ? AdaptToSqlite(sql, now).toUtf8()
                                : ChooseNameSearch(db, AdaptNameSearch(sql, now, nameIndexes)).sql.toUtf8();
    const char* next = text.constData();
    const char* const end = next + text.size();
    ResultTable result;
    bool haveRows = false;
    // A text may hold several statements, as a batch sent to the server may; the answer is the first
    // one that has columns.
    while (next < end) {
        StatementGuard guard;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, next, static_cast<int>(end - next), &guard.stmt, &tail) != SQLITE_OK)
            throw DbError(EngineMessage(db));
        next = tail ? tail : end;
        if (!guard.stmt) continue;  // only blanks or comments were left
        const int columns = sqlite3_column_count(guard.stmt);
        const bool keep = columns > 0 && !haveRows;
        if (keep) {
            haveRows = true;
            for (int c = 0; c < columns; ++c) result.columns << QString::fromUtf8(sqlite3_column_name(guard.stmt, c));
        }
        for (;;) {
            const int rc = sqlite3_step(guard.stmt);
            if (rc == SQLITE_DONE) break;
            if (rc != SQLITE_ROW) throw DbError(EngineMessage(db));
            if (!keep) continue;
            std::vector<QVariant> row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c) row.push_back(CellValue(guard.stmt, c));
            result.rows.push_back(std::move(row));
        }
    }
    return result;
}

std::unique_ptr<Backend> OpenSqliteBackend(const QString& path) {
    if (path.trimmed().isEmpty())
        throw DbError(QStringLiteral("the connection text names no database file (Data Source)"));
    if (!QFileInfo(path).isFile()) throw DbError(QStringLiteral("database file not found: ") + path);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? EngineMessage(db) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        throw DbError(message + QStringLiteral(": ") + path);
    }
    auto backend = std::make_unique<SqliteBackend>(db);
    // SQLite reads the file lazily; touching the schema now turns "not a database" into an open error.
    if (backend->exec("SELECT count(*) FROM sqlite_master") != SQLITE_OK)
        throw DbError(EngineMessage(db) + QStringLiteral(": ") + path);
    RegisterSqlServerFunctions(db);
    backend->prepareNameIndex();
    return backend;
}

}  // namespace ds::db
