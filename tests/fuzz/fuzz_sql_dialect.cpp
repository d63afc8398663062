// The SQLite dialect adapter: every statement the program sends to the embedded database passes through
// it, and grid cells and typed text reach statements inside string literals.
#include <QDateTime>

#include "db/db_error.h"
#include "db/sqlite_dialect.h"
#include "fuzz_support.h"

namespace {

// The adapter rewrites three pieces of SQL Server's dialect and nothing else.
bool MayBeRewritten(const QString& sql) {
    return sql.contains(QStringLiteral("select"), Qt::CaseInsensitive) ||
           sql.contains(QStringLiteral("datediff"), Qt::CaseInsensitive) ||
           sql.contains(QStringLiteral("getdate"), Qt::CaseInsensitive);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QDateTime now(QDate(2026, 3, 1), QTime(10, 31, 5));
    for (const QString& sql : ds::fuzz::Texts(ds::fuzz::Bytes(data, size))) {
        QString adapted;
        try {
            adapted = ds::db::AdaptToSqlite(sql, now);
        } catch (const ds::db::DbError&) {
            continue;  // a TOP count that is not a whole number
        }
        if (!MayBeRewritten(sql)) ds::fuzz::Expect(adapted == sql, "a statement without dialect pieces stays as it is", sql);
    }
    return 0;
}
