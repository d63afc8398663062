#pragma once
// The SQL Server backend: ODBC (unixODBC) with the FreeTDS driver, reached with a DSN-less text built
// from the OLE DB connection text the address service hands out. Statements go to the server as they are.
#include <memory>

#include "db/connection.h"

namespace ds::db {

// Login timeout when the connection text does not give "Connect Timeout".
inline constexpr int kDefaultLoginTimeoutSeconds = 15;
// Like the classic client's command timeout: a statement the server has not answered by then fails.
inline constexpr int kQueryTimeoutSeconds = 30;

struct OdbcTarget {
    QString connectionText;  // DRIVER=FreeTDS;Server=host,port;...
    int loginTimeoutSeconds = kDefaultLoginTimeoutSeconds;
};

// Maps the OLE DB keys (Data Source host[,port], Initial Catalog, User ID, Password, Connect Timeout)
// to the FreeTDS text; `user` and `password` replace the text's own when not empty. Throws DbError for
// a missing server, a bad port, or a value the driver cannot take (one containing '}').
OdbcTarget MapToOdbc(const std::vector<std::pair<QString, QString>>& oledbKeys, const QString& user = {},
                     const QString& password = {});
// OLE DB's provider for ODBC (Provider=MSDASQL): the text's own ODBC keys (Driver={...}, DSN, Database,
// ...) go to the driver as they are, without the provider key; "User ID"/"Password" go as UID/PWD, and
// `user` and `password` replace them when not empty. Throws DbError for a value the driver cannot take.
OdbcTarget MapMsdasqlToOdbc(const std::vector<std::pair<QString, QString>>& oledbKeys, const QString& user = {},
                            const QString& password = {});
// The same for a whole connection text; returns only the ODBC text.
QString OdbcConnectionText(const QString& oledbText, const QString& user = {}, const QString& password = {});

// Connects; throws DbError with the driver's diagnostics when the server cannot be reached.
std::unique_ptr<Backend> OpenOdbcBackend(const OdbcTarget& target);

}  // namespace ds::db
