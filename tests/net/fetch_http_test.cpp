// The fetch operations against a real HTTP server on loopback: redirects, error pages, decoding and
// the body cap.
#include <gtest/gtest.h>

#include "net/fetch.h"
#include "net/http_request.h"
#include "net/net_test_support.h"

using namespace ds;
using namespace ds::net;
using ds::test::ConfigScope;

namespace {

using Fetch = QString (*)(const QString&, const QString&);

// 备案 in GB2312, 備 (in GBK only) and the euro sign at 0x80.
const char kGbkBody[] = "\xB1\xB8\xB0\xB8 \x82\xE4 \x80";

class FetchHttp : public ::testing::Test {
protected:
    void SetUp() override {
        auto& s = server.server;
        auto redirect = [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/final");
            res.set_content("moved", "text/plain");
        };
        s.Get("/redirect", redirect);
        s.Post("/redirect", redirect);
        s.Get("/final", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("arrived by " + req.method, "text/plain");
        });
        auto errorPage = [](const httplib::Request& req, httplib::Response& res) {
            res.status = req.path == "/missing" ? 404 : 500;
            res.set_content(req.path == "/missing" ? "no such page" : "server broke", "text/html");
        };
        for (const char* path : {"/missing", "/broken"}) {
            s.Get(path, errorPage);
            s.Post(path, errorPage);
        }
        s.Get("/gbk", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(kGbkBody, "text/html; charset=gb2312");
        });
        s.Get("/empty", [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        s.Get("/sized", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(std::string(std::stoul(req.get_param_value("n")), 'y'), "text/plain");
        });
        s.Get("/endless", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
                static const std::string chunk(64 * 1024, 'x');
                // Stops by itself after 256 MB, so a client that never gives up cannot hang the test.
                if (served >= 256LL * 1024 * 1024) {
                    sink.done();
                    return true;
                }
                if (!sink.write(chunk.data(), chunk.size())) return false;
                served += static_cast<qint64>(chunk.size());
                return true;
            });
        });
        server.start();
    }

    QString url(const char* path) const { return server.url(QString::fromLatin1(path)); }

    std::atomic<qint64> served{0};
    test::LoopbackServer<> server;
};

}  // namespace

TEST_F(FetchHttp, RedirectsAreReturnedByThePlainGetAndFollowedByTheOthers) {
    struct Case {
        const char* name;
        Fetch fetch;
        const char16_t* expected;
    } cases[] = {
        {"GetBody", GetBody, u"moved"},
        {"GetBodyutf", GetBodyutf, u"moved"},
        {"GetBodyref", GetBodyref, u"moved"},
        // A POST answered with 302 goes on as GET, as browsers and the Windows client do.
        {"GetBodyhead", GetBodyhead, u"arrived by GET"},
        {"GetBodydl", GetBodydl, u"arrived by GET"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.fetch(url("/redirect"), QStringLiteral("gb2312")), QString::fromUtf16(c.expected)) << c.name;
}

TEST_F(FetchHttp, ErrorPagesAreAnswersLikeAnyOther) {
    for (Fetch fetch : {GetBody, GetBodyhead, GetBodydl}) {
        EXPECT_EQ(fetch(url("/missing"), QStringLiteral("GB2312")), u"no such page");
        EXPECT_EQ(fetch(url("/broken"), QStringLiteral("GB2312")), u"server broke");
    }
}

// The replies keep the status, so a caller can tell an error page from an answer; a failed fetch has
// none. The timed fetch reports the status of the page it was redirected to.
TEST_F(FetchHttp, RepliesCarryTheStatusOfTheAnswer) {
    const struct {
        FetchReply (*fetch)(const QString&, const QString&);
        const char* path;
        int status;
        const char16_t* body;
    } cases[] = {
        {GetBodyReply, "/missing", 404, u"no such page"},
        {GetBodyReply, "/broken", 500, u"server broke"},
        {GetBodyReply, "/redirect", 302, u"moved"},
        {GetBodyReply, "/gbk", 200, u"备案 備 €"},
        {GetBodydlReply, "/missing", 404, u"no such page"},
        {GetBodydlReply, "/redirect", 200, u"arrived by GET"},
    };
    for (const auto& c : cases) {
        const FetchReply r = c.fetch(url(c.path), QStringLiteral("gb2312"));
        EXPECT_EQ(r.status, c.status) << c.path;
        EXPECT_EQ(r.body, QString::fromUtf16(c.body)) << c.path;
    }
    const QString closed = QStringLiteral("http://127.0.0.1:%1/").arg(ds::test::ClosedPort());
    EXPECT_EQ(GetBodyReply(closed, QStringLiteral("gb2312")).status, 0);
    const FetchReply failed = GetBodydlReply(closed, QStringLiteral("gb2312"));
    EXPECT_EQ(failed.status, 0);
    EXPECT_EQ(failed.body, u"wrong");
}

TEST_F(FetchHttp, BodiesDecodeAsCodePage936UnderEitherName) {
    const QString expected = QStringLiteral("备案 備 €");
    for (Fetch fetch : {GetBody, GetBodydl}) {
        EXPECT_EQ(fetch(url("/gbk"), QStringLiteral("gb2312")), expected);
        EXPECT_EQ(fetch(url("/gbk"), QStringLiteral("GB2312")), expected);
    }
}

TEST_F(FetchHttp, EmptyBodyIsEmptyTextAndNotAFailure) {
    EXPECT_EQ(GetBody(url("/empty"), QStringLiteral("gb2312")), QString());
    EXPECT_EQ(GetBodydl(url("/empty"), QStringLiteral("gb2312")), QString());
}

TEST_F(FetchHttp, UnknownCharacterSetCountsAsFailure) {
    EXPECT_EQ(GetBody(url("/gbk"), QStringLiteral("x-no-such-set")), QString());
    EXPECT_EQ(GetBodydl(url("/gbk"), QStringLiteral("x-no-such-set")), u"wrong");
}

TEST_F(FetchHttp, BodyIsCutExactlyAtTheCap) {
    RequestOptions o;
    o.bodyCapBytes = 1000;
    struct Case {
        const char* path;
        qsizetype size;
        bool truncated;
    } cases[] = {
        {"/sized?n=999", 999, false},
        {"/sized?n=1000", 1000, false},
        {"/sized?n=1001", 1000, true},
        {"/sized?n=300000", 1000, true},
    };
    for (const auto& c : cases) {
        const RequestResult r = PerformRequest(url(c.path), o);
        EXPECT_TRUE(r.ok) << c.path << " " << r.error.toStdString();
        EXPECT_EQ(r.body.size(), c.size) << c.path;
        EXPECT_EQ(r.truncated, c.truncated) << c.path;
    }
}

TEST_F(FetchHttp, EndlessBodyStopsAtTheCapAndKeepsWhatArrived) {
    ConfigScope scope;
    scope.edit().bodyCapBytes = 1024 * 1024;
    scope.apply();
    for (Fetch fetch : {GetBody, GetBodydl}) {
        const QString text = fetch(url("/endless"), QStringLiteral("gb2312"));
        EXPECT_EQ(text.size(), 1024 * 1024);
        EXPECT_EQ(text.count(u'x'), text.size());
    }
    // The client hung up at the cap: the server got nowhere near its 256 MB.
    EXPECT_LT(served.load(), 2 * 64LL * 1024 * 1024);
}
