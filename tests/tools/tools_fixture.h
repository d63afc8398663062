#pragma once
// The main window with its side windows on real widgets, over a real SQLite file, with one loopback
// server standing in for the whois service, the search engine (/search), the location service (/ib1 and
// /<address>), a fixed resolver and a recording desktop.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <sqlite3.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/remote_settings.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "net/net_test_support.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "tools/install.h"
#include "tools/resolver.h"
#include "ui/grid_control.h"

namespace ds::tools::test {

using namespace ds;

// The shared address of the search-engine scenario and the names on it.
inline const QString kShared = QStringLiteral("10.0.0.7");

class Services {
public:
    using Page = std::function<std::string(const httplib::Request&)>;

    Services() {
        http_.server.Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            Page page;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                std::string seen = req.path;
                if (req.has_param("first")) seen += "&first=" + req.get_param_value("first");
                else if (req.has_param("q")) seen += "?q=" + req.get_param_value("q");
                else if (req.has_param("d")) seen += "?d=" + req.get_param_value("d");
                hits_.push_back(seen);
                const auto it = pages_.find(req.path);
                if (it != pages_.end()) page = it->second;
            }
            if (!page) {
                res.status = 404;
                res.set_content("no such page", "text/plain");
                return;
            }
            if (hook_) hook_(req);
            res.status = status_;
            // The services answer in GB2312 without always saying so.
            res.set_content(page(req), "text/html");
        });
        http_.start();
    }
    QString url(const QString& path = {}) const { return http_.url(path); }
    void on(const std::string& path, Page page) {
        std::lock_guard<std::mutex> lock(mutex_);
        pages_[path] = std::move(page);
    }
    // Runs on the server's thread before each answer (tests queue clicks from it).
    void setHook(std::function<void(const httplib::Request&)> hook) { hook_ = std::move(hook); }
    // The status every page is sent with (200 unless set).
    void setStatus(int status) { status_ = status; }
    std::vector<std::string> hits() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_;
    }
    int count(const std::string& hit) const {
        int n = 0;
        for (const std::string& h : hits()) n += h == hit ? 1 : 0;
        return n;
    }
    void clearHits() {
        std::lock_guard<std::mutex> lock(mutex_);
        hits_.clear();
    }

private:
    ds::test::LoopbackServer<> http_;
    mutable std::mutex mutex_;
    std::map<std::string, Page> pages_;
    std::vector<std::string> hits_;
    std::function<void(const httplib::Request&)> hook_;
    std::atomic<int> status_{200};
};

class ToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_.edit().bingUrl = services_.url();
        config_.edit().ip2locationUrl = services_.url();
        config_.edit().ip2locationToolsUrl = services_.url();
        config_.edit().adminContact = QStringLiteral("admin@example.cn");
        config_.apply();
        RemoteSettings s;
        s.loaded = true;
        s.values.insert(QStringLiteral("lwhoisurl"), services_.url(QStringLiteral("/whois?d=")));
        SetRemoteSettings(s);

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
    }

    void runScript(const QString& script) {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &handle), SQLITE_OK);
        db::ExecSqliteScript(handle, script);
        sqlite3_close(handle);
    }
    // One data row with `domain`, the active cell on it.
    void selectRow(const QString& domain) {
        ui::GridControl* g = w_->grid1();
        g->setRows(1);
        g->appendRow({QString(), QString(), QStringLiteral("1"), domain});
        g->setActiveCell(1, 3);
    }
    void click(QWidget* window, const QString& name) {
        auto* b = window->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        b->click();
    }
    template <typename T = QLineEdit>
    T* child(QWidget* window, const QString& name) {
        T* c = window->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }

    ds::test::TempCwd cwd_;
    ds::test::DesktopScope desktop_;
    ds::test::ConfigScope config_;
    ScopedMapResolver resolver_;
    Services services_;
    QString path_;
    std::unique_ptr<search::Fdomain> w_;
};

}  // namespace ds::tools::test
