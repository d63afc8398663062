// What the fetch operations put on the wire, and how they end when the other side does not play along.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include "core/stop_signal.h"
#include "net/fetch.h"
#include "net/net_test_support.h"

using namespace ds;
using namespace ds::net;
using ds::test::ClosedPort;
using ds::test::ConfigScope;
using ds::test::RawServer;

namespace {

const QByteArray kOkAnswer =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";

struct ParsedRequest {
    QByteArray requestLine;
    QList<QByteArray> headerLines;  // in wire order
};

ParsedRequest Parse(const QByteArray& raw) {
    ParsedRequest p;
    const qsizetype end = raw.indexOf("\r\n\r\n");
    QList<QByteArray> lines = raw.left(end).split('\n');
    for (QByteArray& l : lines) l = l.trimmed();
    if (!lines.isEmpty()) p.requestLine = lines.takeFirst();
    p.headerLines = lines;
    return p;
}

QList<QByteArray> WithoutHost(QList<QByteArray> lines) {
    lines.removeIf([](const QByteArray& l) { return l.toLower().startsWith("host:"); });
    return lines;
}

qint64 Timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}

}  // namespace

TEST(FetchWire, PlainFetchesSendTheFiveHeadersInOrderWithTheExactAddressAsReferer) {
    struct Case {
        const char* name;
        QString (*fetch)(const QString&, const QString&);
        const char* method;
    } cases[] = {
        {"GetBody", GetBody, "GET"},
        {"GetBodyutf", GetBodyutf, "GET"},
        {"GetBodyref", GetBodyref, "GET"},
        {"GetBodyhead", GetBodyhead, "POST"},
    };
    for (const auto& c : cases) {
        RawServer server(kOkAnswer);
        const QString path = QStringLiteral("/whois/check.asp?domain=abc.com&t=1&x=%E4");
        const QString url = server.url(path);
        EXPECT_EQ(c.fetch(url, QStringLiteral("gb2312")), u"hello") << c.name;

        ASSERT_EQ(server.requests().size(), 1u) << c.name;
        const ParsedRequest r = Parse(server.requests().front());
        EXPECT_EQ(r.requestLine, QByteArray(c.method) + " " + path.toLatin1() + " HTTP/1.1") << c.name;
        const QList<QByteArray> expected = {
            "Referer: " + url.toLatin1(),
            "User-Agent: Mozilla/4.0",
            "Connection: Keep-Alive",
            "Content-Length: 0",
            "Content-Type: application/x-www-form-urlencoded",
        };
        EXPECT_EQ(WithoutHost(r.headerLines), expected) << c.name << "\n" << server.requests().front().toStdString();
        EXPECT_EQ(r.headerLines.size(), 6) << c.name << ": Host and the five, nothing else";
        EXPECT_TRUE(server.requests().front().endsWith("\r\n\r\n")) << c.name << ": the body is empty";
    }
}

TEST(FetchWire, TimedFetchSendsABareGet) {
    RawServer server(kOkAnswer);
    EXPECT_EQ(GetBodydl(server.url(QStringLiteral("/rank?q=1")), QStringLiteral("gb2312")), u"hello");
    ASSERT_EQ(server.requests().size(), 1u);
    const ParsedRequest r = Parse(server.requests().front());
    EXPECT_EQ(r.requestLine, "GET /rank?q=1 HTTP/1.1");
    for (const QByteArray& line : r.headerLines) {
        const QByteArray name = line.left(line.indexOf(':')).toLower();
        EXPECT_TRUE(name == "host" || name == "accept") << line.toStdString();
    }
}

TEST(FetchWire, NonAsciiAddressesGoOutAsPercentEncodedUtf8) {
    RawServer server(kOkAnswer);
    EXPECT_EQ(GetBody(server.url(QStringLiteral("/s?wd=site:域名.com a")), QStringLiteral("gb2312")), u"hello");
    ASSERT_EQ(server.requests().size(), 1u);
    const ParsedRequest r = Parse(server.requests().front());
    EXPECT_EQ(r.requestLine, "GET /s?wd=site:%E5%9F%9F%E5%90%8D.com%20a HTTP/1.1");
}

TEST(FetchWire, OnlyWebAddressesAreFetched) {
    for (const char* url : {"file:///etc/hostname", "ftp://127.0.0.1/", "", "http://"}) {
        EXPECT_EQ(GetBody(QString::fromLatin1(url), QStringLiteral("gb2312")), QString()) << url;
        EXPECT_EQ(GetBodydl(QString::fromLatin1(url), QStringLiteral("gb2312")), u"wrong") << url;
    }
}

TEST(FetchWire, RefusedConnectionFailsFast) {
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(ClosedPort());
    QString plain, timed;
    EXPECT_LT(Timed([&] { plain = GetBody(url, QStringLiteral("gb2312")); }), 2000);
    EXPECT_LT(Timed([&] { timed = GetBodydl(url, QStringLiteral("gb2312")); }), 2000);
    EXPECT_EQ(plain, QString());
    EXPECT_EQ(timed, u"wrong");
}

TEST(FetchWire, TimedFetchPhasesDefaultToTenSeconds) {
    EXPECT_EQ(Config{}.dlPhaseTimeoutMs, 10000);
}

TEST(FetchWire, SilentServerEndsTimedFetchWithWrongAfterThePhaseLimit) {
    ConfigScope scope;
    scope.edit().dlPhaseTimeoutMs = 300;
    scope.apply();
    RawServer silent({});
    QString result;
    const qint64 ms = Timed([&] { result = GetBodydl(silent.url(), QStringLiteral("gb2312")); });
    EXPECT_EQ(result, u"wrong");
    EXPECT_GE(ms, 280);
    EXPECT_LT(ms, 2000);
    EXPECT_EQ(silent.requests().size(), 1u);
}

TEST(FetchWire, SilentServerEndsPlainFetchesEmptyAfterTheReceiveLimit) {
    ConfigScope scope;
    scope.edit().receiveTimeoutMs = 300;
    scope.apply();
    for (auto fetch : {GetBody, GetBodyhead}) {
        RawServer silent({});
        QString result = QStringLiteral("unset");
        const qint64 ms = Timed([&] { result = fetch(silent.url(), QStringLiteral("gb2312")); });
        EXPECT_EQ(result, QString());
        EXPECT_GE(ms, 280);
        EXPECT_LT(ms, 2000);
    }
}

TEST(FetchWire, AnswerThatStallsHalfwayIsAFailureNotAShortBody) {
    ConfigScope scope;
    scope.edit().receiveTimeoutMs = 300;
    scope.edit().dlPhaseTimeoutMs = 300;
    scope.apply();
    // Promises 100 bytes, sends 4, then goes quiet while keeping the connection open.
    const QByteArray partial = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf";
    int port = 0;
    const int fd = ds::test::ListenOnLoopback(port);
    ASSERT_GE(fd, 0);
    std::thread peer([&] {
        for (int i = 0; i < 2; ++i) {
            const int c = ::accept(fd, nullptr, nullptr);
            ::send(c, partial.constData(), partial.size(), MSG_NOSIGNAL);
            // Drain the request and hold the connection until the client gives up and closes it.
            char buf[1024];
            for (pollfd p{c, POLLIN, 0}; ::poll(&p, 1, 5000) > 0 && ::read(c, buf, sizeof buf) > 0;) {
            }
            ::close(c);
        }
    });
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    QString plain, timed;
    EXPECT_GE(Timed([&] { plain = GetBody(url, QStringLiteral("gb2312")); }), 280);
    EXPECT_GE(Timed([&] { timed = GetBodydl(url, QStringLiteral("gb2312")); }), 280);
    EXPECT_EQ(plain, QString());
    EXPECT_EQ(timed, u"wrong");
    peer.join();
    ::close(fd);
}

// A server that keeps the line busy with one byte at a time never trips the idle limits; the overall
// limit ends the fetch, as a failure.
TEST(FetchWire, TricklingAnswerIsCutByTheOverallLimit) {
    ConfigScope scope;
    scope.edit().receiveTimeoutMs = 2000;
    scope.edit().dlPhaseTimeoutMs = 2000;
    scope.edit().totalTimeoutMs = 600;
    scope.apply();
    int port = 0;
    const int fd = ds::test::ListenOnLoopback(port);
    ASSERT_GE(fd, 0);
    std::thread peer([&] {
        for (int i = 0; i < 2; ++i) {
            const int c = ::accept(fd, nullptr, nullptr);
            const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
            ::send(c, head.constData(), head.size(), MSG_NOSIGNAL);
            // One byte every 50 ms until the client goes away (or 10 s, so a client that never gives
            // up cannot hang the test).
            for (int n = 0; n < 200 && ::send(c, "x", 1, MSG_NOSIGNAL) == 1; ++n)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ::close(c);
        }
    });
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    QString plain = QStringLiteral("unset"), timed;
    const qint64 plainMs = Timed([&] { plain = GetBody(url, QStringLiteral("gb2312")); });
    const qint64 timedMs = Timed([&] { timed = GetBodydl(url, QStringLiteral("gb2312")); });
    EXPECT_EQ(plain, QString());
    EXPECT_EQ(timed, u"wrong");
    for (qint64 ms : {plainMs, timedMs}) {
        EXPECT_GE(ms, 580);
        EXPECT_LT(ms, 3000);
    }
    peer.join();
    ::close(fd);
}

// A stop press ends a fetch that is already waiting; a fetch started after it is not affected.
TEST(FetchWire, StopPressEndsAFetchUnderWay) {
    ConfigScope scope;
    scope.edit().receiveTimeoutMs = 20000;
    scope.edit().dlPhaseTimeoutMs = 20000;
    scope.apply();
    for (auto fetch : {GetBody, GetBodydl}) {
        RawServer silent({});
        QTimer::singleShot(100, [] { ds::RequestStop(); });
        QString result = QStringLiteral("unset");
        const qint64 ms = Timed([&] { result = fetch(silent.url(), QStringLiteral("gb2312")); });
        EXPECT_TRUE(result.isEmpty() || result == u"wrong") << result.toStdString();
        EXPECT_GE(ms, 90);
        EXPECT_LT(ms, 2000);
    }
    RawServer answering(kOkAnswer);
    EXPECT_EQ(GetBody(answering.url(), QStringLiteral("gb2312")), u"hello");
}
