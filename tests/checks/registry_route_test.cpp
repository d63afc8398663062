// The registry route: which name goes where, the engine asking RDAP and port-43 servers on loopback,
// and the refresh of the bootstrap copy.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>

#include "app/demo_port43.h"
#include "checks/engine/check_engine.h"
#include "checks/registry/registry_route.h"
#include "checks/verdict.h"
#include "net/net_test_support.h"

namespace ds::checks::registry {
namespace {

using namespace Qt::StringLiterals;
using engine::CheckResult;

RegistryDirectory SmallDirectory(const QString& rdapBase) {
    RegistryDirectory d;
    d.bootstrap.bases.insert(QStringLiteral("com"), {rdapBase});
    d.whois.insert(QStringLiteral("cn"), WhoisServer{QStringLiteral("whois.cnnic.cn"), 43});
    d.whois.insert(QStringLiteral("xn--fiqs8s"), WhoisServer{QStringLiteral("whois.cnnic.cn"), 43});
    return d;
}

TEST(RegistryRoute, EachNameGoesToItsRegistryOrIsAnsweredWithWhyNot) {
    const RegistryDirectory d = SmallDirectory(QStringLiteral("https://rdap.test/v1/"));
    struct Case {
        QString domain;
        RegistryTarget::Kind kind;
        QString urlOrReason;
    };
    const Case cases[] = {
        {u"www.abc.com"_qs, RegistryTarget::Rdap, u"https://rdap.test/v1/domain/abc.com"_qs},
        {u"WWW.Abc.COM."_qs, RegistryTarget::Rdap, u"https://rdap.test/v1/domain/abc.com"_qs},
        {u"www.abc.com.cn"_qs, RegistryTarget::Whois, u"whois://whois.cnnic.cn:43/abc.com.cn"_qs},
        {u"例子.中国"_qs, RegistryTarget::Whois, u"whois://whois.cnnic.cn:43/xn--fsqu00a.xn--fiqs8s"_qs},
        {u"com"_qs, RegistryTarget::NotRegistrable, u"not a domain name"_qs},
        {u"com.cn"_qs, RegistryTarget::NotRegistrable, u"not a registrable name (a public suffix)"_qs},
        {u"a..b"_qs, RegistryTarget::NotRegistrable, u"not a domain name"_qs},
        {QString(300, u'a') + u".com", RegistryTarget::NotRegistrable, u"not a domain name"_qs},
        {u"abc.zz"_qs, RegistryTarget::NoService, u"no registry service for .zz"_qs},
    };
    for (const Case& c : cases) {
        const RegistryTarget t = RouteFor(d, c.domain);
        EXPECT_EQ(t.kind, c.kind) << c.domain.toStdString();
        const bool asks = t.kind == RegistryTarget::Rdap || t.kind == RegistryTarget::Whois;
        EXPECT_EQ(asks ? t.url : t.reason, c.urlOrReason) << c.domain.toStdString();
        if (!asks) {
            // Nothing asked is 不详 with the reason, never a verdict about the name.
            const CheckResult r = ResultWithoutRequest(7, c.domain, t);
            EXPECT_EQ(r.regOutcome, RegOutcome::Undetermined);
            EXPECT_EQ(RegistrationVerdict(r).verdict, u"unknown");
            EXPECT_EQ(r.reason, c.urlOrReason);
        }
    }
}

// An RDAP server and a port-43 whois server on loopback, asked through the engine.
struct Registries {
    Registries() {
        rdap.server.Get(R"(/rdap/domain/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string name = req.matches[1];
            ++asked;
            if (name == "free.com") {
                res.status = 404;
                res.set_content(R"({"errorCode":404,"title":"Not Found"})", "application/rdap+json");
            } else if (name == "proxy.com") {
                res.status = 404;
                res.set_content("<html><body>404 Not Found</body></html>", "text/html");
            } else if (name == "moved.com") {
                res.set_redirect("/other-server/domain/moved.com");  // RFC 7480: the TLD's data is elsewhere
            } else if (name == "loop.com") {
                res.set_redirect("/rdap/domain/loop.com");
            } else if (name == "busy.com" && ++busyAsked == 1) {
                res.status = 429;
                res.set_header("Retry-After", "1");
                res.set_content(R"({"errorCode":429})", "application/rdap+json");
            } else if (name == "huge.com") {
                res.set_content(std::string(50 * 1024 * 1024, ' '), "application/rdap+json");
            } else if (name == "broken.com") {
                res.set_content(R"({"objectClassName":"domain","ldhName":)", "application/rdap+json");
            } else {
                const bool dropping = name == "dropping.com";
                const std::string ldh = name == "stranger.com" ? "someone-else.com" : name;
                res.set_content(
                    R"({"objectClassName":"domain","ldhName":")" + ldh + R"(","status":[")" +
                        (dropping ? "pending delete" : "active") +
                        R"("],"events":[{"eventAction":"registration","eventDate":"2001-02-03T00:00:00Z"},)"
                        R"({"eventAction":"deletion","eventDate":"2026-12-14T00:00:00Z"}],)"
                        R"("entities":[{"objectClassName":"entity","roles":["registrar"],)"
                        R"("vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar"]]]}]})",
                    "application/rdap+json");
            }
        });
        rdap.server.Get(R"(/other-server/domain/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(R"({"objectClassName":"domain","ldhName":")" + std::string(req.matches[1]) +
                                 R"(","status":["active"]})",
                             "application/rdap+json");
        });
        rdap.start();
        whois.bind("127.0.0.1", 0);
        whois.start();
        directory = SmallDirectory(rdap.url(u"/rdap/"_qs));
        directory.whois.insert(QStringLiteral("cn"), WhoisServer{QStringLiteral("127.0.0.1"), whois.port()});
    }

    std::map<QString, CheckResult> check(const QStringList& domains) {
        engine::EngineSettings s;
        s.politeness.perHostIntervalMs = 0;
        s.politeness.pauseBaseMs = 200;
        engine::CheckEngine e(s);
        std::map<QString, CheckResult> out;
        QObject::connect(&e, &engine::CheckEngine::jobFinished, [&](const CheckResult& r) { out[r.domain] = r; });
        for (int i = 0; i < domains.size(); ++i) e.submit(JobFor(i, domains[i], RouteFor(directory, domains[i])));
        QEventLoop loop;
        QObject::connect(&e, &engine::CheckEngine::idle, &loop, &QEventLoop::quit);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        if (e.unanswered() > 0) loop.exec();
        return out;
    }

    test::LoopbackServer<> rdap;
    demo::Port43Server whois{[](const std::string& query) -> std::string {
        if (query == "free.cn") return "No matching record.\r\n";
        if (query == "gbk.cn") {  // an older server's code page, not UTF-8
            const QByteArray gbk = QStringEncoder("GB18030")(u"Domain Name: gbk.cn\r\nSponsoring Registrar: 某某网络\r\n"_qs);
            return gbk.toStdString();
        }
        return "Domain Name: " + query + "\r\nDomain Status: redemptionPeriod\r\n"
               "Sponsoring Registrar: 某某网络\r\nRegistration Time: 2003-03-17 12:20:05\r\n";
    }};
    RegistryDirectory directory;
    std::atomic<int> asked{0}, busyAsked{0};
};

TEST(RegistryRoute, TheEngineAsksRdapAndPort43AndEachAnswerHasItsVerdict) {
    Registries registries;
    const std::map<QString, CheckResult> r = registries.check(
        {u"free.com"_qs, u"www.taken.com"_qs, u"proxy.com"_qs, u"moved.com"_qs, u"loop.com"_qs, u"stranger.com"_qs,
         u"dropping.com"_qs, u"busy.com"_qs, u"broken.com"_qs, u"huge.com"_qs, u"free.cn"_qs, u"abc.com.cn"_qs,
         u"gbk.cn"_qs});
    const auto verdict = [&](const char* d) { return RegistrationVerdict(r.at(QString::fromLatin1(d))).verdict; };
    EXPECT_EQ(verdict("free.com"), u"available");
    EXPECT_EQ(verdict("www.taken.com"), u"registered");
    EXPECT_EQ(r.at(u"www.taken.com"_qs).registry->registrar, u"Example Registrar");
    EXPECT_TRUE(r.at(u"www.taken.com"_qs).registrationRecord);
    // A proxy's HTML 404 is no registry answer: unknown, so the retry pass asks again.
    EXPECT_EQ(verdict("proxy.com"), u"unknown");
    EXPECT_EQ(r.at(u"proxy.com"_qs).regOutcome, RegOutcome::Failed);
    // A redirect to another server is followed, but not for ever; an answer about another name is none.
    EXPECT_EQ(verdict("moved.com"), u"registered") << r.at(u"moved.com"_qs).reason.toStdString();
    EXPECT_TRUE(r.at(u"moved.com"_qs).source.contains(u"/other-server/domain/moved.com"));
    EXPECT_EQ(verdict("loop.com"), u"unknown");
    EXPECT_EQ(verdict("stranger.com"), u"unknown");
    EXPECT_EQ(verdict("dropping.com"), u"pending-delete");
    EXPECT_EQ(r.at(u"dropping.com"_qs).registry->deleted, u"2026-12-14T00:00:00Z");
    EXPECT_EQ(verdict("busy.com"), u"registered") << "asked again after the server's pause";
    EXPECT_GE(registries.busyAsked.load(), 2);
    EXPECT_EQ(verdict("broken.com"), u"unknown");
    EXPECT_EQ(verdict("huge.com"), u"unknown");
    EXPECT_TRUE(r.at(u"huge.com"_qs).reason.contains(u"larger than 4 MB")) << r.at(u"huge.com"_qs).reason.toStdString();
    EXPECT_EQ(verdict("gbk.cn"), u"registered");
    EXPECT_EQ(r.at(u"gbk.cn"_qs).registry->registrar, u"某某网络");
    EXPECT_EQ(verdict("free.cn"), u"available") << r.at(u"free.cn"_qs).reason.toStdString();
    EXPECT_EQ(verdict("abc.com.cn"), u"redemption");
    const CheckResult& cn = r.at(u"abc.com.cn"_qs);
    EXPECT_EQ(cn.regOutcome, RegOutcome::Registered);
    EXPECT_TRUE(IsDropping(cn));
    EXPECT_EQ(cn.source, u"whois 127.0.0.1");
    const QString tip = RegistrationTip(cn, QDateTime(QDate(2026, 12, 9), QTime(8, 0)));
    EXPECT_TRUE(tip.contains(u"赎回期")) << tip.toStdString();
    EXPECT_TRUE(tip.contains(u"某某网络")) << tip.toStdString();
    EXPECT_TRUE(tip.contains(u"2026-12-09 08:00:00")) << tip.toStdString();
}

TEST(RegistryRoute, APort43ServerThatNeverClosesEndsAsUnknownWithinTheLimit) {
    demo::Port43Server silent([](const std::string&) { return std::string("Domain Name: x.cn\r\n"); },
                              demo::Port43Server::Options{.neverAnswer = true});
    ASSERT_TRUE(silent.bind("127.0.0.1", 0));
    silent.start();
    RegistryDirectory d;
    d.whois.insert(QStringLiteral("cn"), WhoisServer{QStringLiteral("127.0.0.1"), silent.port()});
    test::ConfigScope scope;
    scope.edit().dlPhaseTimeoutMs = 300;
    scope.apply();
    engine::CheckEngine e(engine::EngineSettings{});
    CheckResult got;
    QObject::connect(&e, &engine::CheckEngine::jobFinished, [&](const CheckResult& r) { got = r; });
    e.submit(JobFor(1, u"x.cn"_qs, RouteFor(d, u"x.cn"_qs)));
    QEventLoop loop;
    QObject::connect(&e, &engine::CheckEngine::idle, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (e.unanswered() > 0) loop.exec();
    EXPECT_EQ(RegistrationVerdict(got).verdict, u"unknown");
    EXPECT_TRUE(got.reason.contains(u"no answer")) << got.reason.toStdString();
}

TEST(RegistryRoute, TheBootstrapCopyIsRefreshedAtMostOnceAMonthAndOnlyByABootstrap) {
    std::atomic<int> fetched{0};
    std::atomic<bool> good{true};
    test::LoopbackServer<> iana;
    iana.server.Get("/dns.json", [&](const httplib::Request&, httplib::Response& res) {
        ++fetched;
        res.set_content(good ? R"({"version":"1.0","publication":"2026-12-01T00:00:00Z","services":[[["com"],["https://rdap.test/"]]]})"
                             : "<html>maintenance</html>",
                        "application/json");
    });
    iana.start();
    QTemporaryDir folder;
    const QString url = iana.url(u"/dns.json"_qs);
    const QDateTime now = QDateTime::currentDateTime();
    const QString copy = BootstrapCopyPath(folder.path());

    EXPECT_TRUE(RefreshBootstrapCopy(folder.path(), url, now));
    // The fresh copy is newer than the shipped snapshot, so it is the one read.
    EXPECT_EQ(LoadRegistryDirectory(Config{}, folder.path()).bootstrap.bases.value(u"com"_qs),
              QStringList{u"https://rdap.test/"_qs});
    EXPECT_FALSE(RefreshBootstrapCopy(folder.path(), url, now.addDays(29)));
    EXPECT_EQ(fetched.load(), 1) << "a copy younger than 30 days is not fetched again";

    const auto age = [&](const QString& path, int days) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(now.addDays(-days), QFileDevice::FileModificationTime));
    };
    age(copy, 31);
    age(copy + u".tried", 31);
    good = false;
    EXPECT_FALSE(RefreshBootstrapCopy(folder.path(), url, now));
    EXPECT_EQ(fetched.load(), 2);
    QFile kept(copy);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().contains("rdap.test")) << "the old copy is kept";
    EXPECT_FALSE(RefreshBootstrapCopy(folder.path(), url, now.addSecs(3600)));
    EXPECT_EQ(fetched.load(), 2) << "a failed refresh is not tried again the same day";
}

}  // namespace
}  // namespace ds::checks::registry
