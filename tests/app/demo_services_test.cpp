// The demo services as the program meets them: the real servers on loopback, and the rows of the
// default demo database that the first pages of the default searches show.
#include <gtest/gtest.h>
#include <httplib.h>

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "app/demo_services.h"
#include "core/codepage.h"
#include "db/connection.h"
#include "db/demo_data.h"
#include "search/domain_row.h"

namespace ds::demo {
namespace {

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

template <typename Pred>
std::string ProbeName(Pred wanted) {
    for (int i = 0; i < 100000; ++i) {
        const QString name = QStringLiteral("probe%1.com").arg(i);
        if (wanted(name)) return name.toStdString();
    }
    ADD_FAILURE() << "no probe name found";
    return {};
}

std::string Decoded(const std::string& body) {
    return DecodeBytes(QByteArray::fromStdString(body), u"gb2312"_s).toStdString();
}

class DemoServicesTest : public testing::Test {
protected:
    void SetUp() override {
        services_ = new DemoServices(u"/tmp/demo.db"_s, false);
        ASSERT_EQ(services_->bind("127.0.0.1", {0, 0, 0, 0, 0, 0}), -1);
        services_->start();
    }
    void TearDown() override { delete services_; }

    httplib::Client client(Service s) const {
        httplib::Client c("127.0.0.1", services_->port(s));
        c.set_read_timeout(30s);
        return c;
    }

    // Stops the services on a thread of its own and waits a while for it; a stop that hangs (a
    // trickling answer holding its server) fails the test, and the object is left to the process.
    bool StopsInTime() {
        std::promise<void> done;
        std::future<void> stopped = done.get_future();
        std::thread([s = services_, d = std::move(done)]() mutable {
            s->stop();
            d.set_value();
        }).detach();
        if (stopped.wait_for(20s) != std::future_status::ready) {
            services_ = nullptr;
            return false;
        }
        return true;
    }

    DemoServices* services_ = nullptr;
};

TEST_F(DemoServicesTest, WhoisErrorPageComesWithItsStatusAndQueryLimitWithout) {
    const std::string notFound = ProbeName([](const QString& d) { return WhoisKindFor(d) == WhoisKind::ErrorPage; });
    auto r = client(Service::Whois).Get("/whois?domain=" + notFound);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    EXPECT_NE(r->body.find("404 Not Found"), std::string::npos);

    const std::string limited = ProbeName([](const QString& d) { return WhoisKindFor(d) == WhoisKind::QueryLimit; });
    r = client(Service::Whois).Get("/whois?domain=" + limited);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_NE(r->body.find("query limit exceeded"), std::string::npos);
}

TEST_F(DemoServicesTest, TrickleSendsSlowlyAndEndsWhenTheClientLeavesOrTheServiceStops) {
    const std::string name = ProbeName([](const QString& d) { return WhoisKindFor(d) == WhoisKind::Trickle; });
    const size_t whole = size_t(EncodeText(WhoisPage(QString::fromStdString(name)), u"GBK"_s).size());

    {  // a client with a short overall deadline gets the status and only the first bytes
        httplib::Client c = client(Service::Whois);
        const auto deadline = std::chrono::steady_clock::now() + 2500ms;
        size_t received = 0;
        int status = 0;
        c.Get(
            "/whois?domain=" + name, [&status](const httplib::Response& res) {
                status = res.status;
                return true;
            },
            [&](const char*, size_t n) {
                received += n;
                return std::chrono::steady_clock::now() < deadline;
            });
        EXPECT_EQ(status, 200);
        EXPECT_GE(received, 1u);
        EXPECT_LT(received, whole);
    }
    // the service notices the client has gone at its next byte and frees the connection
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (services_->openTrickles() > 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_EQ(services_->openTrickles(), 0);

    // a stop while a trickle is under way ends it instead of waiting for the whole page
    struct Reading {
        std::promise<void> firstByte;
        std::atomic<size_t> received{0};
    };
    auto reading = std::make_shared<Reading>();
    std::thread reader([reading, c = client(Service::Whois), path = "/whois?domain=" + name]() mutable {
        c.Get(path, [reading](const char*, size_t n) {
            if (reading->received.fetch_add(n) == 0) reading->firstByte.set_value();
            return true;
        });
    });
    EXPECT_EQ(reading->firstByte.get_future().wait_for(15s), std::future_status::ready);
    const bool stopped = StopsInTime();
    EXPECT_TRUE(stopped) << "a trickling answer held the service";
    stopped ? reader.join() : reader.detach();
    EXPECT_LT(reading->received.load(), whole);
}

// The refusals are the direct search service's; the relays answer the same names, and only a blocked
// name is refused everywhere.
TEST_F(DemoServicesTest, BaiduRefusalsComeFromTheDirectServiceOnly) {
    struct Case {
        const char* what;
        bool (*pick)(const QString&);
        int direct;
        const char* directText;
        bool relaysAnswer;
    };
    const Case cases[] = {
        {"429", [](const QString& d) { return DirectBaiduRefusalFor(d, u"site") == BaiduRefusal::TooManyRequests; },
         429, "请求过于频繁", true},
        {"captcha",
         [](const QString& d) { return !BaiduBlocked(d) && DirectBaiduRefusalFor(d, u"site") == BaiduRefusal::Captcha; },
         200, "百度安全验证", true},
        {"blocked", BaiduBlocked, 200, "百度安全验证", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = ProbeName(c.pick);
        auto direct = client(Service::Public).Get("/s?wd=site:" + name + "&other=2026-03-01%2009:00:00");
        ASSERT_TRUE(direct);
        EXPECT_EQ(direct->status, c.direct);
        EXPECT_NE(Decoded(direct->body).find(c.directText), std::string::npos);
        for (const Service relay : {Service::Relay1, Service::Relay2}) {
            auto r = client(relay).Get("/relay/baidusite.php?lallname=" + name + "&other=x");
            ASSERT_TRUE(r);
            EXPECT_EQ(r->status, 200);
            const std::string body = Decoded(r->body);
            EXPECT_EQ(body.find("百度安全验证"), std::string::npos);
            EXPECT_EQ(body.find("请求过于频繁"), std::string::npos);
            EXPECT_EQ(body == "wrong", !c.relaysAnswer);
        }
    }
}

// The domain and IP window's pages share the public port with Baidu, Alexa and the toolbar.
TEST_F(DemoServicesTest, LookupPagesAnswerOnThePublicPort) {
    const struct {
        std::string path;
        int status;
        std::string type;
        std::string contains;  // decoded
    } cases[] = {
        {"/search?q=ip:203.0.113.18", 200, "text/html", "first=11"},
        {"/search?q=ip:203.0.113.18&first=21", 200, "text/html", "<cite>"},
        {"/search?q=ip:10.9.8.7", 200, "text/html", "没有找到"},
        {"/search?q=site:a.com", 400, "text/plain", ""},
        {"/ib1", 200, "text/html", "<b>中国电信</b>"},
        {"/203.0.113.18", 200, "text/html", "<table class=\"table\">"},
        {"/192.0.2.88", 200, "text/html", "Your daily quota exceed"},
        {"/images/flags/cn.png", 200, "image/png", "PNG"},
        {"/images/flags/zz.png", 404, "text/plain", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto r = client(Service::Public).Get(c.path);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, c.status);
        EXPECT_EQ(r->get_header_value("Content-Type").rfind(c.type, 0), 0u) << r->get_header_value("Content-Type");
        // A picture is bytes, not text in GB2312.
        const std::string body = c.type == "image/png" ? r->body : Decoded(r->body);
        EXPECT_NE(body.find(c.contains), std::string::npos);
    }
}

// The rows a user meets first: the default filed search (ldomainreg) and expired search (ldomainhis),
// in the order the program shows them, on the database the demo creates.
class DemoDatabaseRows : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        db::DemoOptions options;
        options.today = kToday;
        db::GenerateDemoDatabase(dir_->filePath(u"demo.db"_s), options);
    }
    static void TearDownTestSuite() { delete dir_; }

    struct Row {
        QString domain;
        bool visited;  // shown as 未注册, so the registration check asks about it
    };
    static std::vector<Row> FirstRows(const QString& table, int count) {
        db::Connection c;
        c.open(u"Provider=SQLite;Data Source="_s + dir_->filePath(u"demo.db"_s));
        const db::ResultTable t = c.query(u"select top 2000 * from "_s + table + u" where (lregist=1)"_s);
        const auto name = t.columns.indexOf(u"lallname"_s), deleted = t.columns.indexOf(u"ldeltime"_s);
        std::vector<Row> rows;
        for (size_t i = 0; i < t.rows.size() && int(i) < count; ++i) {
            const QString status = search::RemainingFromDeletionDate(t.rows[i][deleted].toString(), kToday).status;
            rows.push_back({t.rows[i][name].toString(), status == u"未注册"});
        }
        return rows;
    }

    static inline const QDate kToday{2026, 3, 1};
    static inline QTemporaryDir* dir_ = nullptr;
};

TEST_F(DemoDatabaseRows, FirstPagesShowTheHostileAnswersAndNoTrickle) {
    for (const QString& table : {u"ldomainreg"_s, u"ldomainhis"_s}) {
        SCOPED_TRACE(table.toStdString());
        const std::vector<Row> rows = FirstRows(table, 200);
        ASSERT_EQ(rows.size(), 200u);
        int errorPages = 0, limits = 0, throttled = 0, captchas = 0, blocked = 0, raw = 0, trickles = 0;
        for (int i = 0; i < 200; ++i) {
            const Row& r = rows[size_t(i)];
            const WhoisKind kind = WhoisKindFor(r.domain);
            trickles += kind == WhoisKind::Trickle;
            if (i >= 20) continue;
            EXPECT_NE(kind, WhoisKind::Trickle) << "a trickle on the first page holds a check for its deadline";
            errorPages += r.visited && kind == WhoisKind::ErrorPage;
            limits += r.visited && kind == WhoisKind::QueryLimit;
            blocked += BaiduBlocked(r.domain);
            raw += BaiduSiteShowsRawText(r.domain);
            // grid rows 1, 3, 5, ... ask the direct service first
            if (i % 2 == 0 && !BaiduBlocked(r.domain))
                for (const QStringView q : {u"site", u"domain"}) {
                    throttled += DirectBaiduRefusalFor(r.domain, q) == BaiduRefusal::TooManyRequests;
                    captchas += DirectBaiduRefusalFor(r.domain, q) == BaiduRefusal::Captcha;
                }
        }
        EXPECT_GT(errorPages + limits, 0);
        EXPECT_GT(throttled, 0);
        EXPECT_GT(captchas, 0);
        EXPECT_GT(blocked, 0);
        EXPECT_GT(raw, 0);
        EXPECT_LE(trickles, 2);
        if (table == u"ldomainreg") {
            EXPECT_GT(errorPages, 0);
            EXPECT_GT(limits, 0);
            EXPECT_GT(trickles, 0) << "one trickle a few pages in, to be seen";
        }
    }
}

// The name map lists the first rows of both default searches in the grid's order, and the row a user
// meets first lives on an address the location service describes.
TEST_F(DemoDatabaseRows, NameMapCoversTheFirstPagesAndTheFirstRowShowsALocation) {
    const QStringList mapped = DemoRowDomains(dir_->filePath(u"demo.db"_s), 20);
    QStringList shown;
    for (const QString& table : {u"ldomainreg"_s, u"ldomainhis"_s})
        for (const Row& r : FirstRows(table, 20)) shown << r.domain;
    EXPECT_EQ(mapped, shown);
    const QString first = mapped.front();
    EXPECT_EQ(LocationKindFor(DemoAddressFor(first)), LocationKind::Table) << qPrintable(first);
    EXPECT_GT(FurtherResultPages(DemoAddressFor(first)), 0);
    int refused = 0;
    for (const QString& d : mapped) refused += LocationKindFor(DemoAddressFor(d)) == LocationKind::QuotaExceeded;
    EXPECT_GT(refused, 0) << "the quota page is met on the first pages too";
}

}  // namespace
}  // namespace ds::demo
