// A fetch blocks its caller but not the caller's event loop.
#include <gtest/gtest.h>

#include <QTimer>
#include <condition_variable>

#include "net/fetch.h"
#include "net/net_test_support.h"

using namespace ds::net;

namespace {

// A gate the server's handler waits at; the test opens it from the calling thread's event loop, so
// an answer can only arrive if that loop ran while the fetch was waiting.
class Gate {
public:
    void open() {
        std::lock_guard<std::mutex> lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    void close() {
        std::lock_guard<std::mutex> lock(m_);
        open_ = false;
    }
    bool waitOpen() {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

class FetchEvents : public ::testing::Test {
protected:
    void SetUp() override {
        server.server.Get("/gated", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(gate.waitOpen() ? "through the gate" : "gate stayed shut", "text/plain");
        });
        server.server.Get("/quick", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("quick", "text/plain");
        });
        server.start();
    }
    void TearDown() override { gate.open(); }

    QString url(const char* path) const { return server.url(QString::fromLatin1(path)); }

    Gate gate;
    ds::test::LoopbackServer<> server;
};

}  // namespace

TEST_F(FetchEvents, TimersFireWhileAFetchWaits) {
    for (auto fetch : {GetBody, GetBodydl}) {
        gate.close();
        bool fired = false;
        QTimer::singleShot(20, [&] {
            fired = true;
            gate.open();
        });
        EXPECT_EQ(fetch(url("/gated"), QStringLiteral("gb2312")), u"through the gate");
        EXPECT_TRUE(fired);
    }
}

TEST_F(FetchEvents, AnEventHandlerMayFetchWhileAnotherFetchWaits) {
    QString inner;
    QTimer::singleShot(20, [&] {
        inner = GetBody(url("/quick"), QStringLiteral("gb2312"));
        gate.open();
    });
    EXPECT_EQ(GetBody(url("/gated"), QStringLiteral("gb2312")), u"through the gate");
    EXPECT_EQ(inner, u"quick");
}

TEST_F(FetchEvents, WorksFromAThreadWithoutAnEventLoop) {
    gate.open();
    QString plain, timed;
    std::thread worker([&] {
        plain = GetBody(url("/gated"), QStringLiteral("gb2312"));
        timed = GetBodydl(url("/quick"), QStringLiteral("gb2312"));
    });
    worker.join();
    EXPECT_EQ(plain, u"through the gate");
    EXPECT_EQ(timed, u"quick");
}
