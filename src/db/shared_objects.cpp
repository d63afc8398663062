#include "db/shared_objects.h"

namespace ds::db {
namespace {

SharedObjects FreshObjects() {
    return {std::make_shared<Connection>(), std::make_shared<Recordset>(), std::make_shared<Recordset>(),
            std::make_shared<Recordset>(), std::make_shared<Recordset>()};
}

SharedObjects& Objects() {
    static SharedObjects objects = FreshObjects();
    return objects;
}

// Statements this short cannot be real ones; the helpers skip them.
constexpr qsizetype kShortestStatement = 6;

// Runs SqlText on DbRs by the opening rule, replacing the shared objects first when the connection is
// closed (the statement then fails with the closed connection's error, which the caller reports).
void OpenSqlText() {
    if (!DbConn().isOpen()) NewDbObjects();
    OpenRecordset(DbRs(), SqlText);
}

void CloseDbRs() {
    if (DbRs().state() == Recordset::StateOpen) DbRs().close();
}

}  // namespace

QString SqlText;
qint64 SqlCount = 0;
QVariant SqlValue;
QString ConnString;

Connection& DbConn() {
    return *Objects().conn;
}
Recordset& DbRs() {
    return *Objects().rs;
}
Recordset& DbRs2() {
    return *Objects().rs2;
}
Recordset& DbRs3() {
    return *Objects().rs3;
}
Recordset& DbRs4() {
    return *Objects().rs4;
}

// The objects are reset in place rather than reallocated, so a reference a caller took earlier with
// DbRs() and friends never dangles; from the outside they are as good as new.
void NewDbObjects() {
    SharedObjects& objects = Objects();
    *objects.conn = Connection();
    for (const auto& rs : {objects.rs, objects.rs2, objects.rs3, objects.rs4}) *rs = Recordset();
}

void OpenRecordset(Recordset& rs, const QString& sql) {
    if (rs.state() == Recordset::StateOpen) rs.close();
    rs.open(sql, DbConn());
}

void ExecSql() {
    if (SqlText.size() >= kShortestStatement) {
        CloseDbRs();
        OpenSqlText();
    }
    CloseDbRs();
}

void GetSqlValue() {
    if (SqlText.size() >= kShortestStatement) {
        CloseDbRs();
        OpenSqlText();
        Recordset& rs = DbRs();
        SqlCount = rs.recordCount();
        SqlValue = SqlCount > 0 ? rs.value(0) : QVariant(QString());
    }
    CloseDbRs();
}

}  // namespace ds::db
