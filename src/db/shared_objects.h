#pragma once
// The process-wide connection, the four shared recordsets and the two command helpers. Only the
// user-interface thread uses them. Every query closes its recordset before opening it again.
#include <QString>
#include <QVariant>
#include <memory>

#include "db/connection.h"
#include "db/recordset.h"

namespace ds::db {

struct SharedObjects {
    std::shared_ptr<Connection> conn;
    std::shared_ptr<Recordset> rs, rs2, rs3, rs4;
};

// Accessors in the names the rest of the program uses.
Connection& DbConn();
Recordset& DbRs();
Recordset& DbRs2();
Recordset& DbRs3();
Recordset& DbRs4();

extern QString SqlText;   // statement for ExecSql / GetSqlValue
extern qint64 SqlCount;   // row count left by GetSqlValue
extern QVariant SqlValue; // first column of the first row left by GetSqlValue, or empty text
extern QString ConnString;

// Replaces the connection and the four recordsets with fresh, unopened ones.
void NewDbObjects();

// The opening rule: close `rs` if open, then open it with `sql` on DbConn(). Throws DbError.
void OpenRecordset(Recordset& rs, const QString& sql);

// Runs SqlText (skipped when 5 characters or fewer). Errors pass to the caller as DbError.
void ExecSql();
// Runs SqlText and sets SqlCount and SqlValue (skipped when 5 characters or fewer).
void GetSqlValue();

}  // namespace ds::db
