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

namespace ds::db {

// Throws DbError for a TOP count that is not a whole number (the server refuses those as well).
QString AdaptToSqlite(const QString& sqlServerSql, const QDateTime& now);

// "YYYY-MM-DD HH:MM:SS", the form getdate() takes inside SQLite statements.
QString SqliteDateTimeText(const QDateTime& at);

}  // namespace ds::db
