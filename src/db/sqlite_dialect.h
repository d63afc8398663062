#pragma once
// Statements are written in SQL Server's dialect everywhere in the program. SQLite cannot parse three
// of its pieces, so the SQLite backend rewrites them before preparing a statement:
//   select top N ...            -> select ... limit N   (the limit goes after any order by)
//   datediff(day, a, b)         -> whole calendar days from a to b, with SQLite's date functions
//   datediff(<other unit>, a,b) -> datediff('<unit>', a, b), served by a registered function
//   getdate()                   -> the quoted text of `now`
// Text inside string literals, quoted identifiers and comments is never touched.
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace ds::db {

// Throws DbError for a TOP count that is not a whole number (the server refuses those as well).
QString AdaptToSqlite(const QString& sqlServerSql, const QDateTime& now);

// "YYYY-MM-DD HH:MM:SS", the form getdate() takes inside SQLite statements.
QString SqliteDateTimeText(const QDateTime& at);

// A search whose keyword no B-tree can serve ("lname like '%abc%'", "lname like '%abc'") in the forms
// the SQLite backend may run it in when the table has its name index (db/name_index.h decides, per
// statement, from the engine's plans). Both rewritten forms keep the LIKE and add a condition the LIKE
// implies, so every row they return is a row `plain` returns; which rows come first is the planner's
// business, which is why the choice is left to db/name_index.h.
struct NameSearchForms {
    QString plain;      // AdaptToSqlite's text; the only one when `match` is empty
    QString driving;    // "lid in (<rows of the name index>) and lname like ...": the index finds the rows
    QString filtering;  // "+lid in (...) and lname like ...": the plan stays, rows the index rules out
                        // are skipped before they are read
    QString table;      // the domain table, lower-case
    QString match;      // the query for the name index; empty when the statement is not rewritten
    qint64 rowLimit = -1;  // the statement's row limit; -1 when it has none
};

// Rewrites only a statement of the shape the searches build, "select top N * from <table> where ...
// [order by ...]", on one of `indexedTables`, whose filter holds exactly one top-level conjunct
// "lname like '<pattern>'" with a pattern that starts with a wildcard and holds a run of three
// characters between wildcards. Anything else (joins, subqueries, OR or NOT at the top, IN, ESCAPE,
// another table) stays plain: there the rewrite could not be shown to keep the answer. Throws as
// AdaptToSqlite does.
NameSearchForms AdaptNameSearch(const QString& sqlServerSql, const QDateTime& now, const QStringList& indexedTables);

// The trigram query for the rows a LIKE pattern can match: each run of three or more characters
// between the wildcards % and _ as a phrase, all of them required. Runs shorter than three characters
// say nothing to a trigram index and are left out; empty when no run is long enough.
QString TrigramQueryForLike(const QString& pattern);

}  // namespace ds::db
