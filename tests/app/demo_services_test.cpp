// The demo services as the program meets them: the real servers on loopback, and the rows of the
// default demo database that the first pages of the default searches show.
#include <gtest/gtest.h>
#include <httplib.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "app/demo_port43.h"
#include "app/demo_registry_pages.h"
#include "app/demo_services.h"
#include "core/clock.h"
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
        ASSERT_EQ(services_->bind("127.0.0.1", std::array<int, kServiceCount>{}), -1);
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

// Connects to a port-43 server on loopback, sends `line` and reads until the server closes or
// `timeoutMs` passes without a byte; `closed` tells which.
std::string AskPort43(int port, const std::string& line, int timeoutMs, bool* closed = nullptr) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string answer;
    bool ended = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
        send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size())) {
        char buffer[1024];
        ssize_t n;
        while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, size_t(n));
        ended = n == 0;
    }
    close(fd);
    if (closed) *closed = ended;
    return answer;
}

std::string RegistryName(RegistryKind kind, const char* tld = ".com") {
    for (int i = 0; i < 100000; ++i) {
        const QString name = QStringLiteral("probe%1").arg(i) + QLatin1String(tld);
        if (RegistryKindFor(name) == kind && !RdapThrottlesFirstAsk(name)) return name.toStdString();
    }
    ADD_FAILURE() << "no probe name found";
    return {};
}

QJsonObject JsonOf(const httplib::Result& r) { return QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object(); }

QStringList Strings(const QJsonValue& v) {
    QStringList out;
    for (const QJsonValue& s : v.toArray()) out << s.toString();
    return out;
}

QDate EventDay(const QJsonObject& domain, const QString& action) {
    for (const QJsonValue& e : domain[u"events"_s].toArray())
        if (e[u"eventAction"_s].toString() == action)
            return QDate::fromString(e[u"eventDate"_s].toString().left(10), Qt::ISODate);
    return {};
}

TEST_F(DemoServicesTest, RdapAnswersEachVerdictAsAnRdapDocument) {
    const QDate today = ds::clock().today();
    const struct {
        RegistryKind kind;
        int status;
        const char* statusWord;
    } cases[] = {{RegistryKind::Available, 404, ""},
                 {RegistryKind::Active, 200, ""},
                 {RegistryKind::Redemption, 200, "redemption period"},
                 {RegistryKind::PendingDelete, 200, "pending delete"},
                 {RegistryKind::Reserved, 200, "reserved"}};
    for (const auto& c : cases) {
        const std::string name = RegistryName(c.kind);
        SCOPED_TRACE(name);
        auto r = client(Service::Rdap).Get("/domain/" + name, {{"Accept", "application/rdap+json"}});
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, c.status);
        EXPECT_EQ(r->get_header_value("Content-Type"), kRdapContentType);
        const QJsonObject o = JsonOf(r);
        ASSERT_FALSE(o.isEmpty()) << r->body;
        EXPECT_TRUE(Strings(o[u"rdapConformance"_s]).contains(u"rdap_level_0"_s));
        if (c.status == 404) {
            EXPECT_EQ(o[u"errorCode"_s].toInt(), 404);
            continue;
        }
        EXPECT_EQ(o[u"objectClassName"_s].toString().toStdString(), "domain");
        EXPECT_EQ(o[u"ldhName"_s].toString().toStdString(), name);
        const QStringList status = Strings(o[u"status"_s]);
        if (*c.statusWord) {
            EXPECT_TRUE(status.contains(QLatin1String(c.statusWord))) << status.join(u',').toStdString();
        }
        if (c.kind == RegistryKind::Reserved) continue;
        const QJsonObject registrar = o[u"entities"_s][0].toObject();
        EXPECT_EQ(Strings(registrar[u"roles"_s]), QStringList{u"registrar"_s});
        EXPECT_EQ(registrar[u"vcardArray"_s][1][1][3].toString(), u"演示注册商 Demo Registrar"_s);
        const QDate expires = EventDay(o, u"expiration"_s);
        EXPECT_EQ(expires > today, c.kind == RegistryKind::Active);
        if (c.kind == RegistryKind::PendingDelete) {
            const QDate deletion = EventDay(o, u"deletion"_s);
            EXPECT_GT(deletion, today);
            EXPECT_LE(deletion, today.addDays(7));
        }
    }

    // The route asks for A-labels; the demo database holds the Unicode name, which decides the verdict.
    // A name whose two spellings would hash to different verdicts shows which one was used.
    auto isFree = [](const QString& d) { return RegistryKindFor(d) == RegistryKind::Available; };
    QString idn, ace;
    for (int i = 0; idn.isEmpty() && i < 1000; ++i) {
        const QString name = u"测试"_s + QString::number(i) + u".com"_s;
        ace = QString::fromLatin1(QUrl::toAce(name));
        if (isFree(name) != isFree(ace) && !RdapThrottlesFirstAsk(name)) idn = name;
    }
    auto r = client(Service::Rdap).Get("/domain/" + ace.toStdString());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, isFree(idn) ? 404 : 200) << qPrintable(idn);
    if (r->status == 200) {
        EXPECT_EQ(JsonOf(r)[u"unicodeName"_s].toString(), idn);
    }

    r = client(Service::Rdap).Get("/help");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 404);
    EXPECT_EQ(JsonOf(r)[u"errorCode"_s].toInt(), 404);
}

TEST_F(DemoServicesTest, RdapThrottlesANameOnceAndThenAnswers) {
    const std::string name = ProbeName([](const QString& d) { return RdapThrottlesFirstAsk(d); });
    auto first = client(Service::Rdap).Get("/domain/" + name);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->status, 429);
    EXPECT_EQ(first->get_header_value("Retry-After"), std::to_string(kRdapRetryAfterSeconds));
    EXPECT_EQ(JsonOf(first)[u"errorCode"_s].toInt(), 429);
    const int answered = RegistryKindFor(QString::fromStdString(name)) == RegistryKind::Available ? 404 : 200;
    for (int again = 0; again < 2; ++again) {
        auto r = client(Service::Rdap).Get("/domain/" + name);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->status, answered);
    }
}

TEST_F(DemoServicesTest, Port43WhoisAnswersLikeCnnic) {
    const int port = services_->port(Service::Whois43);
    bool closed = false;
    EXPECT_EQ(AskPort43(port, RegistryName(RegistryKind::Available, ".cn") + "\r\n", 10000, &closed),
              "No matching record.\n");
    EXPECT_TRUE(closed);
    const std::string redemption = AskPort43(port, RegistryName(RegistryKind::Redemption, ".com.cn") + "\r\n", 10000);
    EXPECT_NE(redemption.find("Domain Status: redemptionPeriod\n"), std::string::npos) << redemption;
    EXPECT_NE(redemption.find("Sponsoring Registrar: "), std::string::npos);
    EXPECT_NE(AskPort43(port, RegistryName(RegistryKind::Reserved, ".cn") + "\r\n", 10000).find("reserved"),
              std::string::npos);
}

TEST(Port43Server, AnswersOneLineTricklesAndStopsQuicklyWhenHeldOpen) {
    Port43Server echo([](const std::string& q) { return "query=" + q + "\n"; }, {.trickleMs = 30});
    ASSERT_TRUE(echo.bind("127.0.0.1", 0));
    echo.start();
    bool closed = false;
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(AskPort43(echo.port(), "a.cn\r\nignored", 5000, &closed), "query=a.cn\n");
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 300ms);  // 12 bytes, 30 ms apart
    EXPECT_TRUE(closed);
    EXPECT_EQ(echo.queries(), 1);

    auto silent = std::make_unique<Port43Server>([](const std::string&) { return std::string("never sent"); },
                                                 Port43Server::Options{.neverAnswer = true});
    ASSERT_TRUE(silent->bind("127.0.0.1", 0));
    silent->start();
    std::promise<std::pair<std::string, bool>> heard;
    std::thread holder([&heard, port = silent->port()] {
        bool ended = false;
        std::string got = AskPort43(port, "b.cn\r\n", 15000, &ended);
        heard.set_value({got, ended});
    });
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (silent->queries() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(200ms);
    const auto stopping = std::chrono::steady_clock::now();
    silent->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);
    auto result = heard.get_future();
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    const auto [got, ended] = result.get();
    EXPECT_EQ(got, "");
    EXPECT_TRUE(ended) << "the held connection is closed by stop()";
    holder.join();
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
        int rdapThrottled = 0;
        for (int i = 0; i < 200; ++i) {
            const Row& r = rows[size_t(i)];
            const WhoisKind kind = WhoisKindFor(r.domain);
            trickles += kind == WhoisKind::Trickle;
            if (i >= 20) continue;
            EXPECT_NE(kind, WhoisKind::Trickle) << "a trickle on the first page holds a check for its deadline";
            errorPages += r.visited && kind == WhoisKind::ErrorPage;
            limits += r.visited && kind == WhoisKind::QueryLimit;
            blocked += BaiduBlocked(r.domain);
            // the demo asks the RDAP server about every TLD but .cn
            rdapThrottled += r.visited && !r.domain.endsWith(u".cn") && RdapThrottlesFirstAsk(r.domain);
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
        EXPECT_GT(rdapThrottled, 0);
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
