#pragma once
// The main window on real widgets with the site metrics check installed, and one loopback server
// standing in for Baidu (/s), the Alexa data service (/data/<id>), the toolbar query (/tbr), the
// checksum script (/ck/prcode.php) and the relay scripts (/r<i>/<script>.php).
#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "checks/install.h"
#include "checks/metrics_check.h"
#include "core/clock.h"
#include "core/remote_settings.h"
#include "net/net_test_support.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::checks::test_metrics {

using namespace ds;

inline const QDateTime kNow(QDate(2011, 12, 1), QTime(10, 0, 0));
inline const std::string kNowText = "2011-12-01 10:00:00";
inline const std::string kChecksum = "8a1b2c3d";

// A fixture page as the services send it (GB2312 bytes).
inline std::string Page(const char* name) {
    QFile f(QStringLiteral(DROPSCOUT_FIXTURES "/metrics/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll().toStdString();
}

// One request as the server saw it: a short label ("s/site", "s/domain", "alexa", "tbr", "ck",
// "r1/ale.php") and the parameters the tests look at.
struct Hit {
    std::string label;
    std::string domain;  // wd without its prefix, lallname, url or q without "info:"
    std::string other;
    std::string ch;
};

class MetricServices {
public:
    // Answers a request; `n` counts all requests from 1.
    using Responder = std::function<std::string(const Hit& hit, int n)>;

    MetricServices() {
        http_.server.Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
            const Hit hit = Describe(req);
            Responder responder;
            std::function<int(const Hit&)> status;
            int n = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                hits_.push_back(hit);
                n = static_cast<int>(hits_.size());
                responder = responder_;
                status = status_;
            }
            res.status = status ? status(hit) : 200;
            res.set_content(responder ? responder(hit, n) : Healthy(hit), "text/html; charset=gb2312");
        });
        http_.start();
    }
    QString url(const QString& path) const { return http_.url(path); }
    void setResponder(Responder r) {
        std::lock_guard<std::mutex> lock(mutex_);
        responder_ = std::move(r);
    }
    // The HTTP status of each answer (200 unless set).
    void setStatus(std::function<int(const Hit&)> s) {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = std::move(s);
    }
    std::vector<Hit> hits() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return hits_;
    }
    std::vector<std::string> labels() const {
        std::vector<std::string> out;
        for (const Hit& h : hits()) out.push_back(h.label);
        return out;
    }
    int count(const std::string& labelPrefix) const {
        int n = 0;
        for (const Hit& h : hits()) n += h.label.rfind(labelPrefix, 0) == 0 ? 1 : 0;
        return n;
    }

    // What working services answer. The relays answer like the direct services, except for PageRank,
    // where they give another rank so that the source shows in the grid.
    static std::string Healthy(const Hit& hit) {
        const std::string& l = hit.label;
        auto endsWith = [&](const std::string& tail) {
            return l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0;
        };
        if (l == "s/site" || endsWith("/baidusite.php")) return Page("baidu_site.html");
        if (l == "s/domain" || endsWith("/baidudomain.php")) return Page("baidu_domain.html");
        if (l == "alexa" || endsWith("/ale.php")) return Page("alexa.xml");
        if (l == "ck") return "  " + kChecksum + " \r\n";
        if (l == "tbr") return hit.ch == kChecksum ? "Rank_1:1:5" : "Rank_1:wrong checksum";
        if (endsWith("/pr.php")) return "Rank_1:1:4\n";
        return "no such page";
    }

private:
    static Hit Describe(const httplib::Request& req) {
        Hit h;
        h.other = req.get_param_value("other");
        h.ch = req.get_param_value("ch");
        std::string path = req.path.substr(1);
        if (path == "s") {
            const std::string wd = req.get_param_value("wd");
            const auto colon = wd.find(':');
            h.label = "s/" + wd.substr(0, colon);
            h.domain = colon == std::string::npos ? std::string() : wd.substr(colon + 1);
        } else if (path.rfind("data/", 0) == 0) {
            h.label = "alexa";
            h.domain = req.get_param_value("url");
        } else if (path == "tbr") {
            h.label = "tbr";
            const std::string q = req.get_param_value("q");
            h.domain = q.rfind("info:", 0) == 0 ? q.substr(5) : q;
        } else if (path == "ck/prcode.php") {
            h.label = "ck";
            h.domain = req.get_param_value("lallname");
        } else {
            h.label = path;
            h.domain = req.get_param_value("lallname");
        }
        return h;
    }

    ds::test::LoopbackServer<> http_;
    mutable std::mutex mutex_;
    std::vector<Hit> hits_;
    Responder responder_;
    std::function<int(const Hit&)> status_;
};

// Puts llinkurl into the remote settings for one test.
class SettingsScope {
public:
    explicit SettingsScope(const QString& llinkurl) : saved_(remoteSettings()) {
        RemoteSettings s = saved_;
        s.loaded = true;
        s.values.insert(QStringLiteral("llinkurl"), llinkurl);
        SetRemoteSettings(s);
    }
    ~SettingsScope() { SetRemoteSettings(saved_); }

private:
    RemoteSettings saved_;
};

class MetricsCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_.edit().baiduUrl = services_.url(QString());
        config_.edit().alexaUrl = services_.url(QString());
        config_.edit().toolbarUrl = services_.url(QString());
        // One request at a time, so each test can tell which request a page answers; every service
        // here is one loopback host, so no spacing between them either.
        config_.edit().checkConcurrency = 1;
        config_.edit().perHostIntervalMs = 0;
        config_.apply();
        SetClock(std::make_shared<FixedClock>(kNow));
        w_ = std::make_unique<search::Fdomain>();
        w_->show();
        InstallSiteMetricsCheck(*w_);
        setRelays({QStringLiteral("r0"), QStringLiteral("r1")});
    }
    void TearDown() override {
        w_.reset();
        SetClock(std::make_shared<SystemClock>());
        EXPECT_TRUE(desktop_->messages.empty()) << desktop_->messages.front().text.toStdString();
    }

    ui::GridControl* grid() { return w_->grid1(); }

    // Relay bases under the loopback server ("r0" -> http://127.0.0.1:p/r0/); an empty name stays an
    // empty base, as an empty setting gives.
    void setRelays(const QStringList& names) {
        auto* list = w_->findChild<QListWidget*>(QStringLiteral("lweblist"));
        ASSERT_NE(list, nullptr);
        list->clear();
        for (const QString& n : names) list->addItem(n.isEmpty() ? QString() : services_.url(QStringLiteral("/") + n + QStringLiteral("/")));
    }
    // Ticks the metric boxes: PageRank, site:, domain:, Alexa (lrankset(0..3)).
    void setBoxes(bool pr, bool site, bool domain, bool alexa) {
        const bool on[] = {pr, site, domain, alexa};
        for (int i = 0; i < 4; ++i) {
            auto* box = w_->findChild<ui::MarkupCheck*>(QStringLiteral("lrankset(%1)").arg(i));
            ASSERT_NE(box, nullptr);
            box->setChecked(on[i]);
        }
    }
    // Data rows with the given domains; the metric columns start as "-" so that writes show.
    void setRows(const QStringList& domains) {
        grid()->setRows(1);
        grid()->setRows(static_cast<int>(domains.size()) + 1);
        for (int r = 1; r <= domains.size(); ++r) {
            grid()->setCellText(r, 3, domains[r - 1]);
            for (int c = 17; c <= 20; ++c) grid()->setCellText(r, c, QStringLiteral("-"));
        }
    }
    // Columns 17..20 of a row (PageRank, site:, domain:, Alexa).
    std::vector<std::string> metrics(int row) {
        std::vector<std::string> out;
        for (int c = 17; c <= 20; ++c) out.push_back(grid()->cellText(row, c).toStdString());
        return out;
    }
    void click(const QString& name) {
        auto* b = w_->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        b->click();
    }

    test::DesktopScope desktop_;
    MetricServices services_;
    test::ConfigScope config_;
    SettingsScope settings_{services_.url(QStringLiteral("/ck/"))};
    std::unique_ptr<search::Fdomain> w_;
};

}  // namespace ds::checks::test_metrics
