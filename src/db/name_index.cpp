#include "db/name_index.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "db/schema.h"
#include "db/sqlite_dialect.h"

namespace ds::db {
namespace {

const char* const kTables[] = {"ldomainreg", "ldomainhis"};
constexpr qint64 kBatchRows = 20000;

BuildProgress& Hook() {
    static BuildProgress hook;
    return hook;
}

class Statement {
public:
    Statement(sqlite3* db, const QString& sql) {
        const QByteArray text = sql.toUtf8();
        ok_ = sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &stmt_, nullptr) == SQLITE_OK &&
              stmt_;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return ok_; }
    Statement& bind(int index, qint64 value) {
        ok_ = ok_ && sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
        return *this;
    }
    Statement& bind(int index, const QString& value) {
        const QByteArray text = value.toUtf8();
        ok_ = ok_ && sqlite3_bind_text(stmt_, index, text.constData(), static_cast<int>(text.size()),
                                       SQLITE_TRANSIENT) == SQLITE_OK;
        return *this;
    }
    int step() { return ok_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    void reset() { sqlite3_reset(stmt_); }
    bool isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    qint64 integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                 sqlite3_column_bytes(stmt_, column));
    }

    // The first column of the only row, or nothing on an error.
    std::optional<qint64> scalar() {
        if (step() != SQLITE_ROW) return std::nullopt;
        return integer(0);
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    bool ok_ = false;
};

bool Exec(sqlite3* db, const QString& sql) {
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString FtsName(const char* table) {
    return QLatin1StringView(table) + QStringLiteral("_fts");
}

struct SchemaObject {
    QString name, type, sql;
};

// The schema objects of one table's index: the index itself and its three triggers, as far as they exist.
std::vector<SchemaObject> IndexObjects(sqlite3* db, const char* table) {
    const QString fts = FtsName(table);
    Statement q(db, QStringLiteral("select name, type, coalesce(sql, '') from sqlite_master "
                                   "where name in (?1, ?2, ?3, ?4)"));
    q.bind(1, fts)
        .bind(2, fts + QStringLiteral("_insert"))
        .bind(3, fts + QStringLiteral("_delete"))
        .bind(4, fts + QStringLiteral("_update"));
    std::vector<SchemaObject> objects;
    while (q.step() == SQLITE_ROW) objects.push_back({q.text(0), q.text(1), q.text(2)});
    return objects;
}

bool TableExists(sqlite3* db, const char* table) {
    Statement q(db, QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?1"));
    return q.bind(1, QLatin1StringView(table)).scalar().value_or(0) == 1;
}

// The index finds rows by lid, so lid must be the row's own key, as the schema makes it.
bool LidIsTheRowid(sqlite3* db, const char* table) {
    Statement q(db, QStringLiteral("select name, upper(type), pk from pragma_table_info(?1) where pk > 0"));
    q.bind(1, QLatin1StringView(table));
    int keys = 0;
    bool lid = false;
    while (q.step() == SQLITE_ROW) {
        ++keys;
        lid = q.text(0).compare(QStringLiteral("lid"), Qt::CaseInsensitive) == 0 && q.text(1) == u"INTEGER";
    }
    return keys == 1 && lid;
}

// Fills one table's index in batches of rows, so that progress can be told and the window kept alive.
bool Fill(sqlite3* db, const char* table, qint64& done, qint64 total, const BuildProgress& progress) {
    const QString t = QLatin1StringView(table);
    Statement upTo(db, QStringLiteral("select max(lid) from (select lid from ") + t +
                           QStringLiteral(" where lid > ?1 order by lid limit ?2)"));
    Statement insert(db, QStringLiteral("insert into ") + FtsName(table) +
                             QStringLiteral(" (rowid, lname) select lid, lname from ") + t +
                             QStringLiteral(" where lid > ?1 and lid <= ?2"));
    qint64 last = std::numeric_limits<qint64>::min();
    for (;;) {
        upTo.reset();
        if (!upTo.bind(1, last).bind(2, kBatchRows).ok() || upTo.step() != SQLITE_ROW) return false;
        if (upTo.isNull(0)) return true;
        const qint64 high = upTo.integer(0);
        insert.reset();
        if (insert.bind(1, last).bind(2, high).step() != SQLITE_DONE) return false;
        done = std::min(total, done + sqlite3_changes64(db));
        last = high;
        if (progress) progress(done, total);
    }
}

// The rows indexed, or -1 when the index could not be built (the file is then as it was).
qint64 Build(sqlite3* db, const BuildProgress& progress) {
    if (sqlite3_db_readonly(db, "main") != 0 || !NameIndexSupported(db)) return -1;
    for (const char* table : kTables)
        if (!TableExists(db, table) || !LidIsTheRowid(db, table)) return -1;
    if (!Exec(db, QStringLiteral("SAVEPOINT name_index"))) return -1;
    qint64 total = 0, done = 0;
    bool ok = Exec(db, SqliteSchemaNameIndex());
    for (const char* table : kTables) {
        Statement count(db, QStringLiteral("select count(*) from ") + QLatin1StringView(table));
        const auto rows = ok ? count.scalar() : std::nullopt;
        ok = ok && rows.has_value();
        total += rows.value_or(0);
    }
    if (ok && progress) progress(0, total);
    for (const char* table : kTables) ok = ok && Fill(db, table, done, total, progress);
    if (ok && Exec(db, QStringLiteral("RELEASE name_index"))) return total;
    Exec(db, QStringLiteral("ROLLBACK TO name_index"));
    Exec(db, QStringLiteral("RELEASE name_index"));
    return -1;
}

// The rows of a query plan outside its subqueries, in order; nothing when the statement cannot be
// prepared.
std::optional<QStringList> OuterPlan(sqlite3* db, const QString& sql) {
    Statement q(db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
    std::set<qint64> inSubquery;
    QStringList rows;
    int rc = SQLITE_ROW;
    while ((rc = q.step()) == SQLITE_ROW) {
        const QString detail = q.text(3);
        if (inSubquery.count(q.integer(1)) || detail.contains(QStringLiteral("SUBQUERY")))
            inSubquery.insert(q.integer(0));
        else
            rows << detail;
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return rows;
}

const QString kSortStep = QStringLiteral("USE TEMP B-TREE FOR ORDER BY");

// One table read in rowid order: scanned whole, looked up by rowid (an IN list is visited in ascending
// order), or through an index searched by equality only, whose equal keys are kept in rowid order.
bool RowidOrderAccess(const QString& detail, const QString& table) {
    static const QRegularExpression access(QStringLiteral("^(SCAN|SEARCH) (?:TABLE )?(\\w+)(?: USING (.+))?$"));
    static const QRegularExpression index(QStringLiteral("^INDEX \\w+ \\((.+)\\)$"));
    static const QRegularExpression equality(QStringLiteral("^\\w+=\\?$"));
    const QRegularExpressionMatch m = access.match(detail);
    if (!m.hasMatch() || m.captured(2).compare(table, Qt::CaseInsensitive) != 0) return false;
    const QString using_ = m.captured(3);
    if (m.captured(1) == u"SCAN") return using_.isEmpty();
    if (using_ == u"INTEGER PRIMARY KEY (rowid=?)") return true;
    const QRegularExpressionMatch i = index.match(using_);
    if (!i.hasMatch()) return false;
    for (const QString& term : i.captured(1).split(QStringLiteral(" AND ")))
        if (!equality.match(term).hasMatch()) return false;
    return true;
}

// True when the plan reads `table` alone in rowid order; `sorted` tells whether a sort follows.
bool ReadsInRowidOrder(const QStringList& plan, const QString& table, bool& sorted) {
    sorted = false;
    int accesses = 0;
    for (const QString& row : plan) {
        if (row == kSortStep) {
            sorted = true;
        } else if (++accesses > 1 || !RowidOrderAccess(row, table)) {
            return false;
        }
    }
    return accesses == 1;
}

// A keyword so common that a plan stopping at the row limit gets there sooner than the index lists
// every match. A scan reads about limit × rows / matches rows, the index reads every match, each at
// about 2.5 times the cost of a scanned row (measured on the 1,000,000-row benchmark file: a match
// through the index ~0.8 µs, a row scanned ~0.33 µs); the index loses once matches pass
// sqrt(limit × rows / 2.5).
bool CommonKeyword(sqlite3* db, const NameSearchForms& forms) {
    constexpr double kMatchCostInScannedRows = 2.5;
    if (forms.rowLimit <= 0) return true;
    Statement size(db, QStringLiteral("select coalesce(max(lid), 0) from ") + forms.table);
    const auto rows = size.scalar();
    if (!rows) return true;
    const double threshold = std::ceil(
        std::sqrt(static_cast<double>(forms.rowLimit) * static_cast<double>(*rows) / kMatchCostInScannedRows));
    if (threshold >= 9e15) return false;
    const QString fts = forms.table + QStringLiteral("_fts");
    Statement probe(db, QStringLiteral("select count(*) from (select 1 from ") + fts + QStringLiteral(" where ") + fts +
                            QStringLiteral(" match ?1 limit ?2)"));
    const auto matches = probe.bind(1, forms.match).bind(2, static_cast<qint64>(threshold)).scalar();
    return !matches || *matches >= static_cast<qint64>(threshold);
}

}  // namespace

BuildProgress SetBuildProgressHook(BuildProgress hook) {
    return std::exchange(Hook(), std::move(hook));
}

bool NameIndexSupported(sqlite3* db) {
    // Made in the temporary schema, so that the probe works on a read-only file and leaves it untouched.
    const bool ok = Exec(db, QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS temp.ds_trigram_probe USING "
                                            "fts5(x, tokenize='trigram')"));
    Exec(db, QStringLiteral("DROP TABLE IF EXISTS temp.ds_trigram_probe"));
    return ok;
}

bool BuildNameIndex(sqlite3* db, const BuildProgress& progress) {
    return Build(db, progress) >= 0;
}

void EnsureNameIndex(sqlite3* db) {
    if (sqlite3_db_readonly(db, "main") != 0 || NameIndexedTables(db).size() == 2 || !NameIndexSupported(db)) return;
    // Whatever there is of an index that cannot be used (a trigger dropped by hand, so that it may have
    // fallen behind its table; another tokenizer) is replaced.
    if (!Exec(db, QStringLiteral("SAVEPOINT name_index_repair"))) return;
    bool ok = true;
    for (const char* table : kTables)
        for (const SchemaObject& o : IndexObjects(db, table))
            ok = ok && Exec(db, (o.type == u"trigger" ? QStringLiteral("DROP TRIGGER \"")
                                                      : QStringLiteral("DROP TABLE \"")) +
                                    o.name + u'"');
    const qint64 rows = ok ? Build(db, Hook()) : -1;
    if (rows < 0 || !Exec(db, QStringLiteral("RELEASE name_index_repair"))) {
        Exec(db, QStringLiteral("ROLLBACK TO name_index_repair"));
        Exec(db, QStringLiteral("RELEASE name_index_repair"));
        return;
    }
    // Files from before the index have no statistics, or statistics from samples that take lregist=1 for
    // a rare value; with full ones the planner searches names through their B-tree.
    if (rows > 0) Exec(db, QStringLiteral("ANALYZE"));
}

QStringList NameIndexedTables(sqlite3* db) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList tables;
    for (const char* table : kTables) {
        const auto objects = IndexObjects(db, table);
        if (objects.size() != 4) continue;
        bool trigram = false;
        for (const SchemaObject& o : objects) {
            if (o.type != u"table") continue;
            // Another tokenizer, or a case-sensitive one, would not find every row the LIKE finds.
            const QString compact = o.sql.toLower().remove(blanks);
            trigram = compact.startsWith(QStringLiteral("createvirtualtable")) &&
                      compact.contains(QStringLiteral("usingfts5(")) &&
                      compact.contains(QStringLiteral("tokenize='trigram'")) &&
                      compact.contains(QStringLiteral("content='") + QLatin1StringView(table) + u'\'') &&
                      compact.contains(QStringLiteral("content_rowid='lid'"));
        }
        if (!trigram) continue;
        const QString fts = FtsName(table);
        Statement probe(db, QStringLiteral("select rowid from ") + fts + QStringLiteral(" where ") + fts +
                                QStringLiteral(" match '\"abc\"' limit 1"));
        const int rc = probe.step();
        if (rc == SQLITE_ROW || rc == SQLITE_DONE) tables << QLatin1StringView(table);
    }
    return tables;
}

NameSearchChoice ChooseNameSearch(sqlite3* db, const NameSearchForms& forms) {
    const NameSearchChoice plain{NameSearchForm::Plain, forms.plain};
    if (forms.match.isEmpty()) return plain;
    const auto plainPlan = OuterPlan(db, forms.plain);
    if (!plainPlan) return plain;
    bool plainSorts = false;
    for (const QString& row : *plainPlan) plainSorts = plainSorts || row.startsWith(QStringLiteral("USE TEMP B-TREE"));
    if (forms.rowLimit >= 0 && !plainSorts && CommonKeyword(db, forms)) return plain;

    bool plainSorted = false, drivingSorted = false;
    if (ReadsInRowidOrder(*plainPlan, forms.table, plainSorted)) {
        const auto drivingPlan = OuterPlan(db, forms.driving);
        if (drivingPlan && ReadsInRowidOrder(*drivingPlan, forms.table, drivingSorted) && drivingSorted == plainSorted)
            return {NameSearchForm::Driving, forms.driving};
    }
    const auto filteringPlan = OuterPlan(db, forms.filtering);
    if (filteringPlan && *filteringPlan == *plainPlan) return {NameSearchForm::Filtering, forms.filtering};
    return plain;
}

}  // namespace ds::db
