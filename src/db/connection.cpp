#include "db/connection.h"

#include "db/odbc_backend.h"
#include "db/sqlite_backend.h"

namespace ds::db {
namespace {

enum class Engine { Sqlite, SqlServer, Odbc };

Engine EngineFor(const QString& provider) {
    const QString p = provider.trimmed();
    if (p.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0) return Engine::Sqlite;
    for (const char* prefix : {"SQLOLEDB", "SQLNCLI", "MSOLEDBSQL"})
        if (p.startsWith(QLatin1StringView(prefix), Qt::CaseInsensitive)) return Engine::SqlServer;
    if (p.startsWith(QLatin1StringView("MSDASQL"), Qt::CaseInsensitive)) return Engine::Odbc;
    if (p.isEmpty()) throw DbError(QStringLiteral("the connection text names no provider"));
    throw DbError(QStringLiteral("unknown database provider: ") + p);
}

QString LastValue(const std::vector<std::pair<QString, QString>>& keys, const QString& name) {
    QString found;
    for (const auto& [key, value] : keys)
        if (key == name) found = value;
    return found;
}

}  // namespace

std::vector<std::pair<QString, QString>> ParseConnectionText(const QString& text) {
    std::vector<std::pair<QString, QString>> keys;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(u'=', i);
        const qsizetype semi = text.indexOf(u';', i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // A piece without '=' carries no key; skip it.
            if (semi < 0) break;
            i = semi + 1;
            continue;
        }
        const QString key = text.mid(i, eq - i).trimmed().toLower();
        qsizetype j = eq + 1;
        while (j < n && text[j].isSpace()) ++j;
        QString value;
        if (j < n && (text[j] == u'"' || text[j] == u'\'')) {
            // A quoted value may hold ';' and '='; a doubled quote stands for one.
            const QChar quote = text[j];
            ++j;
            while (j < n) {
                if (text[j] == quote) {
                    if (j + 1 < n && text[j + 1] == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += text[j++];
            }
            const qsizetype next = text.indexOf(u';', j);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype end = semi < 0 ? n : semi;
            value = text.mid(j, end - j).trimmed();
            i = end + 1;
        }
        if (!key.isEmpty()) keys.emplace_back(key, value);
    }
    return keys;
}

void Connection::open(const QString& connectionText, const QString& user, const QString& password) {
    if (backend_) throw DbError(QStringLiteral("the database connection is already open"));
    const auto keys = ParseConnectionText(connectionText);
    switch (EngineFor(LastValue(keys, QStringLiteral("provider")))) {
        case Engine::Sqlite:
            backend_ = OpenSqliteBackend(LastValue(keys, QStringLiteral("data source")));
            break;
        case Engine::SqlServer:
            backend_ = OpenOdbcBackend(MapToOdbc(keys, user, password));
            break;
        case Engine::Odbc:
            backend_ = OpenOdbcBackend(MapMsdasqlToOdbc(keys, user, password));
            break;
    }
}

void Connection::close() {
    backend_.reset();
}

ResultTable Connection::query(const QString& sql) {
    if (!backend_) throw DbError(QStringLiteral("the database connection is not open"));
    const std::shared_ptr<Backend> running = backend_;
    return running->query(sql);
}

}  // namespace ds::db
