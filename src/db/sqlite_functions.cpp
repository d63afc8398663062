// datediff and getdate as SQLite functions. The dialect adapter turns datediff(day, ...) into built-in
// date arithmetic; these serve the other units and any statement that reaches SQLite unadapted.
#include <sqlite3.h>

#include <QDateTime>

#include "core/clock.h"
#include "db/sqlite_backend.h"
#include "db/sqlite_dialect.h"

namespace ds::db {
namespace {

QString ArgText(sqlite3_value* v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? QString::fromUtf8(text, sqlite3_value_bytes(v)) : QString();
}

// Reads the stored date forms: "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" and the ISO "T" form.
QDateTime ParseDateTime(const QString& text) {
    const QString t = text.trimmed();
    const QDate date = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return {};
    QTime time(0, 0);
    if (t.size() > 10) {
        const QString rest = t.mid(11);
        for (const auto* form : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
            time = QTime::fromString(rest, QString::fromLatin1(form));
            if (time.isValid()) break;
        }
        if (!time.isValid()) return {};
    }
    return QDateTime(date, time, Qt::UTC);
}

qint64 FloorDiv(qint64 a, qint64 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The server's datediff counts boundaries of the unit crossed between the two moments.
bool Boundaries(const QString& unit, const QDateTime& a, const QDateTime& b, qint64& out) {
    const QDate da = a.date(), db = b.date();
    const qint64 days = da.daysTo(db);
    const qint64 secA = a.time().msecsSinceStartOfDay() / 1000;
    const qint64 secB = b.time().msecsSinceStartOfDay() / 1000;
    if (unit == u"year" || unit == u"yy" || unit == u"yyyy") {
        out = db.year() - da.year();
    } else if (unit == u"quarter" || unit == u"qq" || unit == u"q") {
        out = (db.year() * 4 + (db.month() - 1) / 3) - (da.year() * 4 + (da.month() - 1) / 3);
    } else if (unit == u"month" || unit == u"mm" || unit == u"m") {
        out = (db.year() * 12 + db.month()) - (da.year() * 12 + da.month());
    } else if (unit == u"day" || unit == u"dd" || unit == u"d" || unit == u"dayofyear" || unit == u"dy" ||
               unit == u"y") {
        out = days;
    } else if (unit == u"week" || unit == u"wk" || unit == u"ww") {
        // Weeks start on Sunday: count the Sundays passed.
        const qint64 ja = da.toJulianDay(), jb = db.toJulianDay();
        out = FloorDiv(jb + 1, 7) - FloorDiv(ja + 1, 7);
    } else if (unit == u"hour" || unit == u"hh") {
        out = days * 24 + secB / 3600 - secA / 3600;
    } else if (unit == u"minute" || unit == u"mi" || unit == u"n") {
        out = days * 1440 + secB / 60 - secA / 60;
    } else if (unit == u"second" || unit == u"ss" || unit == u"s") {
        out = days * 86400 + secB - secA;
    } else {
        return false;
    }
    return true;
}

void DateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 3) return sqlite3_result_error(ctx, "datediff takes three arguments", -1);
    if (sqlite3_value_type(argv[1]) == SQLITE_NULL || sqlite3_value_type(argv[2]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    const QString unit = ArgText(argv[0]).trimmed().toLower();
    const QDateTime a = ParseDateTime(ArgText(argv[1]));
    const QDateTime b = ParseDateTime(ArgText(argv[2]));
    if (!a.isValid() || !b.isValid())
        return sqlite3_result_error(ctx, "datediff: conversion failed when converting a date", -1);
    qint64 n = 0;
    if (!Boundaries(unit, a, b, n)) {
        const QByteArray message = "datediff: unknown date part " + unit.toUtf8();
        return sqlite3_result_error(ctx, message.constData(), static_cast<int>(message.size()));
    }
    sqlite3_result_int64(ctx, n);
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    const QByteArray now = SqliteDateTimeText(ds::clock().now()).toUtf8();
    sqlite3_result_text(ctx, now.constData(), static_cast<int>(now.size()), SQLITE_TRANSIENT);
}

}  // namespace

void RegisterSqlServerFunctions(sqlite3* db) {
    sqlite3_create_function_v2(db, "datediff", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, DateDiff, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(db, "getdate", 0, SQLITE_UTF8, nullptr, GetDate, nullptr, nullptr, nullptr);
}

}  // namespace ds::db
