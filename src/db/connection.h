#pragma once
// The database connection. The Provider= key of the connection text picks the backend:
//   Provider=SQLite;Data Source=<file>              -> the embedded SQLite file
//   Provider=SQLOLEDB|SQLNCLI*|MSOLEDBSQL*;Data Source=host[,port];Initial Catalog=..;User ID=..;Password=..
//                                                   -> SQL Server over ODBC with the FreeTDS driver
// Statements are written in SQL Server's dialect; the SQLite backend adapts them itself.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

#include "db/db_error.h"

namespace ds::db {

// A whole answer read at once: column names and rows. A NULL cell is an invalid QVariant; an empty text
// is a valid, empty QString. Integers come as qint64, reals as double, texts and dates as QString.
struct ResultTable {
    QStringList columns;
    std::vector<std::vector<QVariant>> rows;
};

class Backend {
public:
    virtual ~Backend() = default;
    // Runs one statement and reads its whole answer (an empty table for statements without rows).
    virtual ResultTable query(const QString& sql) = 0;
};

class Connection {
public:
    enum State { StateClosed = 0, StateOpen = 1 };

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Connection(Connection&&) = default;
    Connection& operator=(Connection&&) = default;

    // Opens with the connection text; user and password override any in the text when not empty.
    // Throws DbError with a readable description when the backend cannot be reached.
    void open(const QString& connectionText, const QString& user = {}, const QString& password = {});
    void close();
    int state() const { return backend_ ? StateOpen : StateClosed; }
    bool isOpen() const { return backend_ != nullptr; }

    // Runs a statement on the open connection; throws DbError (also when closed).
    ResultTable query(const QString& sql);

private:
    // Shared so that a statement in progress keeps its backend: a close from an event handled while
    // the statement waits for a locked file (db/lock_wait.h) takes effect when the statement returns.
    std::shared_ptr<Backend> backend_;
};

// Parses "key=value;key=value" (keys case-insensitive, surrounding blanks trimmed, values may be quoted
// with "..." or '...'). Keys come back lower-cased.
std::vector<std::pair<QString, QString>> ParseConnectionText(const QString& text);

}  // namespace ds::db
