#pragma once
// The main window on real widgets over a real SQLite file, with a loopback whois service, a fixed
// "today" and a recording desktop; shared by the registration and filing check tests.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "core/clock.h"
#include "core/remote_settings.h"
#include "core/text.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "net/net_test_support.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/grid_control.h"

namespace ds::checks::test_reg {

using namespace ds;
using search::col::Deleted;
using search::col::Domain;
using search::col::Id;
using search::col::Status;

inline const QDate kToday(2024, 5, 1);

// A whois web service on loopback: GET /whois?q=<domain>. `answer(domain, n)` gives the page for the
// n-th request (from 1) about that domain; requests are counted per domain.
class WhoisServer {
public:
    using Answer = std::function<std::string(const std::string& domain, int nth)>;

    explicit WhoisServer(Answer answer) : answer_(std::move(answer)) {
        http_.server.Get("/whois", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string domain = req.get_param_value("q");
            int nth = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                nth = ++counts_[domain];
            }
            res.status = status_ ? status_(domain) : 200;
            // A real answer names the domain it is about; pages say where with "{domain}".
            std::string page = answer_(domain, nth);
            for (size_t at; (at = page.find("{domain}")) != std::string::npos;) page.replace(at, 8, domain);
            res.set_content(page, "text/html; charset=gb2312");
        });
        http_.start();
    }
    QString baseUrl() const { return http_.url(QStringLiteral("/whois?q=")); }
    // The HTTP status for a domain's answers (200 unless set). Set before the first request.
    void setStatus(std::function<int(const std::string& domain)> status) { status_ = std::move(status); }
    int requests(const std::string& domain) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = counts_.find(domain);
        return it == counts_.end() ? 0 : it->second;
    }
    int totalRequests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const auto& [domain, count] : counts_) n += count;
        return n;
    }

private:
    Answer answer_;
    std::function<int(const std::string&)> status_;
    ds::test::LoopbackServer<> http_;
    mutable std::mutex mutex_;
    std::map<std::string, int> counts_;
};

// Typical answer pages of the service.
inline const std::string kRegisteredPage =
    "<html>Whois results for the domain: Registrar: ABC Holdings<br>Creation Date: 2010-01-02<br>Status ok</html>";
// An answer the service gives when it will not say: it falls through to "已注册" but shows no record.
inline const std::string kRateLimitPage =
    "<html>Whois results for domain: query limit exceeded, try again later</html>";
// What nginx sends for a path it does not have; "not found" in it must not read as free.
inline const std::string kNginx404Page =
    "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n<center><h1>404 Not Found</h1></center>"
    "\r\n<hr><center>nginx/1.22.1</center>\r\n</body>\r\n</html>\r\n";
inline const std::string kFreePage = "<html>Whois results for domain {domain}: the domain is NOT REGISTERED</html>";
inline const std::string kGarbagePage = "<html>502 Bad Gateway</html>";

// One grid row as a test writes it.
struct GridRow {
    QString domain, status, id, deleted;
};

class CheckWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One request at a time, as the rows come, so each test can tell which request a page answers;
        // the engine's own tests cover several at once.
        engineConfig_.edit().checkConcurrency = 1;
        engineConfig_.edit().perHostIntervalMs = 0;
        engineConfig_.apply();
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 0))));
        path_ = cwd_.file(QStringLiteral("domains.db"));
        db::CreateEmptyDatabase(path_);
        db::NewDbObjects();
        db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + path_);
        w_ = std::make_unique<search::Fdomain>();
        w_->show();
    }
    void TearDown() override {
        w_.reset();
        db::NewDbObjects();
        SetRemoteSettings({});
        SetClock(nullptr);
    }

    void useWhois(const WhoisServer& server) {
        RemoteSettings s;
        s.loaded = true;
        s.values.insert(QStringLiteral("lwhoisurl"), server.baseUrl());
        SetRemoteSettings(s);
    }

    // Runs statements on the file through a connection of its own.
    void runScript(const QString& script) {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &handle), SQLITE_OK);
        db::ExecSqliteScript(handle, script);
        sqlite3_close(handle);
    }
    // The first column of the first row, read through a connection of its own.
    QString scalar(const QString& sql) {
        db::Connection other;
        other.open(QStringLiteral("Provider=SQLite;Data Source=") + path_);
        const db::ResultTable t = other.query(sql);
        return t.rows.empty() ? QStringLiteral("<none>") : search::CellText(t.rows[0][0]);
    }

    // Loads the grid the way a search does, from `sql` (which names the table it reads).
    void loadGrid(const QString& sql) {
        w_->findChild<QLabel*>(QStringLiteral("lstr"))->setText(sql);
        w_->pageLoader().OpenPageQuery();
        w_->pageLoader().LoadGridPage();
    }
    // Rows typed or pasted: they come from no table.
    void fillGrid(const std::vector<GridRow>& rows) {
        grid()->setRows(1);
        w_->state().loadedTable.clear();
        for (const GridRow& r : rows) {
            grid()->appendRow({});
            const int at = grid()->rows() - 1;
            grid()->setCellText(at, Domain, r.domain);
            grid()->setCellText(at, Status, r.status);
            grid()->setCellText(at, Id, r.id);
            grid()->setCellText(at, Deleted, r.deleted);
        }
    }
    QStringList column(int col) {
        QStringList out;
        for (int r = 1; r < grid()->rows(); ++r) out << grid()->cellText(r, col);
        return out;
    }
    void click(const QString& button) {
        auto* b = w_->findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button.toStdString();
        b->click();
    }
    ui::GridControl* grid() { return w_->grid1(); }

    ds::test::ConfigScope engineConfig_;
    ds::test::TempCwd cwd_;
    ds::test::DesktopScope desktop_;
    QString path_;
    std::unique_ptr<search::Fdomain> w_;
};

// A row of ldomainreg/ldomainhis with the columns the grid shows.
inline QString DomainInsert(const QString& table, int lid, const QString& name, const QDate& deleted, int regist = 1) {
    return u"insert into " + table +
           u" (lid,lname,lextend,lallname,lregist,lregtime,louttime,ldeltime) values (" + QString::number(lid) +
           u",'" + name + u"','.com','" + name + u".com'," + QString::number(regist) +
           u",'2010-01-02','2024-03-01','" + IsoDate(deleted) + u"');";
}

}  // namespace ds::checks::test_reg
