#include "db/odbc_backend.h"

#include <sql.h>
#include <sqlext.h>

#include <QDate>
#include <QTime>

namespace ds::db {
namespace {

QString Value(const std::vector<std::pair<QString, QString>>& keys, std::initializer_list<const char*> names) {
    QString found;
    for (const auto& [key, value] : keys)
        for (const char* name : names)
            if (key == QLatin1StringView(name)) found = value;  // the last occurrence wins, as in OLE DB
    return found;
}

// ODBC values with ';' or braces must be wrapped in {...}; a '}' inside would have to be doubled,
// which FreeTDS does not understand, so such values are refused instead of being passed on mangled.
QString OdbcValue(const QString& name, const QString& value) {
    if (value.contains(u'}'))
        throw DbError(QStringLiteral("the connection value of %1 contains \"}\", which the SQL Server "
                                     "driver cannot accept")
                          .arg(name));
    const bool needsBraces = value.contains(u';') || value.contains(u'{') || value.contains(u'=') ||
                             (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    return needsBraces ? u'{' + value + u'}' : value;
}

QString ServerAddress(QString source) {
    source = source.trimmed();
    if (source.startsWith(QStringLiteral("tcp:"), Qt::CaseInsensitive)) source = source.mid(4).trimmed();
    QString host = source;
    QString port;
    const qsizetype comma = source.lastIndexOf(u',');
    if (comma >= 0) {
        host = source.left(comma).trimmed();
        port = source.mid(comma + 1).trimmed();
        bool ok = false;
        const int number = port.toInt(&ok);
        if (!ok || number < 1 || number > 65535)
            throw DbError(QStringLiteral("the port in the server address is not valid: ") + source);
        port = QString::number(number);
    }
    if (host.compare(QStringLiteral("(local)"), Qt::CaseInsensitive) == 0 || host == u".")
        host = QStringLiteral("127.0.0.1");
    if (host.isEmpty()) throw DbError(QStringLiteral("the connection text names no server (Data Source)"));
    const qsizetype backslash = host.indexOf(u'\\');
    if (backslash >= 0) {
        // A named instance is found through the server's browser service unless a port is given.
        if (port.isEmpty()) return host;
        host = host.left(backslash);
    }
    return host + u',' + (port.isEmpty() ? QStringLiteral("1433") : port);
}

QString Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    QStringList parts;
    SQLCHAR state[8];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1;; ++record) {
        const SQLRETURN rc =
            SQLGetDiagRec(handleType, handle, record, state, &native, message, sizeof message, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(message)).trimmed();
        const QString line =
            text + QStringLiteral(" (") + QString::fromLatin1(reinterpret_cast<const char*>(state)) + u')';
        if (!parts.contains(line)) parts << line;
    }
    return parts.isEmpty() ? QStringLiteral("the SQL Server driver reported an unknown error")
                           : parts.join(QStringLiteral("; "));
}

// Reads a variable-length cell in pieces; false means NULL.
bool ReadBytes(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, QByteArray& out) {
    out.clear();
    char buffer[4096];
    const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, cType, buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA) return true;
        if (!SQL_SUCCEEDED(rc)) throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
        if (indicator == SQL_NULL_DATA) return false;
        const SQLLEN room = static_cast<SQLLEN>(sizeof buffer) - terminator;
        const SQLLEN got = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
        out.append(buffer, got);
        if (rc == SQL_SUCCESS) return true;
    }
}

QVariant Cell(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT sqlType, SQLSMALLINT scale) {
    SQLLEN indicator = 0;
    switch (sqlType) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLBIGINT v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_SBIGINT, &v, 0, &indicator)))
                throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(static_cast<qint64>(v));
        }
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            double v = 0;
            if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_DOUBLE, &v, 0, &indicator)))
                throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            return indicator == SQL_NULL_DATA ? QVariant() : QVariant(v);
        }
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATETIME: {
            SQL_TIMESTAMP_STRUCT ts{};
            if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator)))
                throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            if (indicator == SQL_NULL_DATA) return {};
            const QDate date(ts.year, ts.month, ts.day);
            if (ts.hour == 0 && ts.minute == 0 && ts.second == 0) return date.toString(QStringLiteral("yyyy-MM-dd"));
            return QString(date.toString(QStringLiteral("yyyy-MM-dd ")) +
                           QTime(ts.hour, ts.minute, ts.second).toString(QStringLiteral("HH:mm:ss")));
        }
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: {
            QByteArray bytes;
            return ReadBytes(stmt, column, SQL_C_BINARY, bytes) ? QVariant(bytes) : QVariant();
        }
        default: {
            QByteArray bytes;
            if (!ReadBytes(stmt, column, SQL_C_CHAR, bytes)) return {};
            const QString text = QString::fromUtf8(bytes);
            if (sqlType == SQL_DECIMAL || sqlType == SQL_NUMERIC) {
                bool ok = false;
                if (scale == 0) {
                    const qint64 whole = text.toLongLong(&ok);
                    if (ok) return QVariant(whole);
                }
                const double number = text.toDouble(&ok);
                if (ok) return number;
            }
            return QVariant(text);
        }
    }
}

class OdbcBackend : public Backend {
public:
    OdbcBackend() {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
            throw DbError(QStringLiteral("the ODBC driver manager could not be initialised"));
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
            const QString message = Diagnostics(SQL_HANDLE_ENV, env_);
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
            throw DbError(message);
        }
    }
    ~OdbcBackend() override {
        if (connected_) SQLDisconnect(dbc_);
        if (dbc_) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    OdbcBackend(const OdbcBackend&) = delete;
    OdbcBackend& operator=(const OdbcBackend&) = delete;

    void connect(const OdbcTarget& target) {
        const auto seconds = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(target.loginTimeoutSeconds));
        // Without a login timeout a server that drops packets blocks the program for minutes.
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, seconds, 0);
        SQLSetConnectAttr(dbc_, SQL_ATTR_CONNECTION_TIMEOUT, seconds, 0);
        QByteArray text = target.connectionText.toUtf8();
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS, out,
                                              sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(rc)) throw DbError(Diagnostics(SQL_HANDLE_DBC, dbc_));
        connected_ = true;
    }

    ResultTable query(const QString& sql) override {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt)))
            throw DbError(Diagnostics(SQL_HANDLE_DBC, dbc_));
        struct Free {
            SQLHSTMT s;
            ~Free() { SQLFreeHandle(SQL_HANDLE_STMT, s); }
        } guard{stmt};
        SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kQueryTimeoutSeconds)), 0);
        QByteArray text = sql.toUtf8();
        const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));

        ResultTable result;
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        // Row counts of a batch come before its first result; skip to the first one with columns.
        while (columns == 0) {
            const SQLRETURN more = SQLMoreResults(stmt);
            if (more == SQL_NO_DATA) return result;
            if (!SQL_SUCCEEDED(more)) throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            SQLNumResultCols(stmt, &columns);
        }
        std::vector<SQLSMALLINT> types(columns), scales(columns);
        for (SQLUSMALLINT c = 1; c <= columns; ++c) {
            SQLCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, type = 0, decimals = 0, nullable = 0;
            SQLULEN size = 0;
            const SQLRETURN described =
                SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &type, &size, &decimals, &nullable);
            if (!SQL_SUCCEEDED(described)) throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            result.columns << QString::fromUtf8(reinterpret_cast<const char*>(name));
            types[c - 1] = type;
            scales[c - 1] = decimals;
        }
        // One active result per connection: the whole answer is read before the statement is freed.
        for (;;) {
            const SQLRETURN fetched = SQLFetch(stmt);
            if (fetched == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(fetched)) throw DbError(Diagnostics(SQL_HANDLE_STMT, stmt));
            std::vector<QVariant> row;
            row.reserve(columns);
            for (SQLUSMALLINT c = 1; c <= columns; ++c) row.push_back(Cell(stmt, c, types[c - 1], scales[c - 1]));
            result.rows.push_back(std::move(row));
        }
        while (SQL_SUCCEEDED(SQLMoreResults(stmt))) {
        }
        return result;
    }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

}  // namespace

OdbcTarget MapToOdbc(const std::vector<std::pair<QString, QString>>& keys, const QString& user,
                     const QString& password) {
    OdbcTarget target;
    const QString server = ServerAddress(Value(keys, {"data source", "server", "address", "addr", "network address"}));
    const QString database = Value(keys, {"initial catalog", "database"});
    const QString uid = user.isEmpty() ? Value(keys, {"user id", "uid", "user"}) : user;
    const QString pwd = password.isEmpty() ? Value(keys, {"password", "pwd"}) : password;
    QString text = QStringLiteral("DRIVER=FreeTDS;Server=") + OdbcValue(QStringLiteral("Data Source"), server) + u';';
    if (!database.isEmpty())
        text += QStringLiteral("Database=") + OdbcValue(QStringLiteral("Initial Catalog"), database) + u';';
    if (!uid.isEmpty()) text += QStringLiteral("UID=") + OdbcValue(QStringLiteral("User ID"), uid) + u';';
    if (!pwd.isEmpty()) text += QStringLiteral("PWD=") + OdbcValue(QStringLiteral("Password"), pwd) + u';';
    // Without ClientCharset the driver turns Chinese text into '?'.
    text += QStringLiteral("TDS_Version=7.4;ClientCharset=UTF-8;");
    target.connectionText = text;

    bool ok = false;
    const int seconds = Value(keys, {"connect timeout", "connection timeout", "timeout"}).trimmed().toInt(&ok);
    if (ok && seconds > 0) target.loginTimeoutSeconds = seconds;
    return target;
}

OdbcTarget MapMsdasqlToOdbc(const std::vector<std::pair<QString, QString>>& keys, const QString& user,
                            const QString& password) {
    OdbcTarget target;
    QString text;
    bool hasUid = false, hasPwd = false;
    for (const auto& [key, value] : keys) {
        if (key == u"provider") continue;
        // OLE DB's names for the login go to the driver under ODBC's; the login window's own replace them.
        QString name = key;
        QString given = value;
        if (key == u"user id" || key == u"uid") {
            name = QStringLiteral("UID");
            hasUid = true;
            if (!user.isEmpty()) given = user;
        } else if (key == u"password" || key == u"pwd") {
            name = QStringLiteral("PWD");
            hasPwd = true;
            if (!password.isEmpty()) given = password;
        }
        // A value the text wrapped in braces ("Driver={SQLite3}") goes on as written.
        const bool braced = given.startsWith(u'{') && given.endsWith(u'}') && given.count(u'}') == 1;
        text += name + u'=' + (braced ? given : OdbcValue(key, given)) + u';';
    }
    if (!hasUid && !user.isEmpty()) text += u"UID=" + OdbcValue(QStringLiteral("User ID"), user) + u';';
    if (!hasPwd && !password.isEmpty()) text += u"PWD=" + OdbcValue(QStringLiteral("Password"), password) + u';';
    target.connectionText = text;
    bool ok = false;
    const int seconds = Value(keys, {"connect timeout", "connection timeout", "timeout"}).trimmed().toInt(&ok);
    if (ok && seconds > 0) target.loginTimeoutSeconds = seconds;
    return target;
}

QString OdbcConnectionText(const QString& oledbText, const QString& user, const QString& password) {
    return MapToOdbc(ParseConnectionText(oledbText), user, password).connectionText;
}

std::unique_ptr<Backend> OpenOdbcBackend(const OdbcTarget& target) {
    auto backend = std::make_unique<OdbcBackend>();
    backend->connect(target);
    return backend;
}

}  // namespace ds::db
