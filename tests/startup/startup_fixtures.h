#pragma once
// Pieces shared by the start-up tests: a loopback address service, small SQLite files, a bare main
// window carrying the controls the settings load fills.
#include <QString>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "core/config.h"

namespace httplib {
class Server;
}

namespace ds::test {

// A loopback HTTP server that answers GET /geturl/dataurl.asp with `answer` (sent in GBK) and counts
// the requests.
class AddressService {
public:
    AddressService();
    ~AddressService();
    void setAnswer(const QString& answer);
    int requests() const { return requests_.load(); }
    QString lastQuery() const;
    QString url() const;

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    QByteArray answer_;
    QString lastQuery_;
};

// Points the address service (and the code page) of the configuration at test values while alive.
class ConfigScope {
public:
    explicit ConfigScope(const QString& serviceUrl);
    ~ConfigScope();

private:
    Config previous_;
};

// A small demo database made once per test run (absolute path).
QString SharedDemoDatabase();

// Runs SQL statements on a new SQLite file at `path` (created).
void MakeSqliteFile(const QString& path, const QStringList& statements);

// The CREATE TABLE of lconfig_all, optionally without one column.
QString ConfigTableSql(const QString& leaveOut = {});
// An INSERT of one settings row with the given version, seo list and whois address.
QString ConfigRowSql(const QString& version, const QString& seoList, const QString& whoisUrl = QStringLiteral("http://w/"));

// A top-level widget with the main-window controls the settings load touches (lvertext, lupnew,
// lupnew2, the link buttons, lweblist, floadtxt), all hidden where the main window hides them.
QWidget* NewBareMainWindow();

}  // namespace ds::test
