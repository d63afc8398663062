// The check engine against loopback services: every job answered once, the per-host limits as the
// server sees them, pauses on push-back, hosts that never answer, and stop.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <map>
#include <mutex>

#include "checks/engine/check_engine.h"
#include "checks/engine/host_governor.h"
#include "net/net_test_support.h"

namespace ds::checks::engine {
namespace {

using Clock = std::chrono::steady_clock;

// A whois service that notes when each request arrived and how many were open at once; `delayMs` holds
// each answer back, `status(n)` gives the status of the n-th request (from 1).
class TimedWhois {
public:
    explicit TimedWhois(int delayMs = 0) : delayMs_(delayMs) {
        http_.server.new_task_queue = [] { return new httplib::ThreadPool(24); };
        http_.server.Get("/whois", [this](const httplib::Request& req, httplib::Response& res) {
            int n = 0;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                arrivals_.push_back(Clock::now());
                n = static_cast<int>(arrivals_.size());
                maxOpen_ = std::max(maxOpen_, ++open_);
            }
            if (delayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
            const int status = status_ ? status_(n) : 200;
            res.status = status;
            if ((status == 429 || status == 503) && !retryAfter_.empty()) res.set_header("Retry-After", retryAfter_);
            res.set_content("Whois results for the domain " + req.get_param_value("q") + ": Registrar: X",
                            "text/html");
            std::lock_guard<std::mutex> lock(mutex_);
            --open_;
        });
        http_.start();
    }
    QString url(const QString& domain) const { return http_.url(u"/whois?q="_qs + domain); }
    void setStatus(std::function<int(int)> status, std::string retryAfter = {}) {
        status_ = std::move(status);
        retryAfter_ = std::move(retryAfter);
    }
    std::vector<Clock::time_point> arrivals() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return arrivals_;
    }
    int maxOpen() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return maxOpen_;
    }

private:
    int delayMs_;
    std::function<int(int)> status_;
    std::string retryAfter_;
    mutable std::mutex mutex_;
    std::vector<Clock::time_point> arrivals_;
    int open_ = 0, maxOpen_ = 0;
    test::LoopbackServer<> http_;
};

EngineSettings Settings(int concurrency, int perHost, int intervalMs, int pauseMs = 30000) {
    EngineSettings s;
    s.concurrency = concurrency;
    s.politeness.perHostInFlight = perHost;
    s.politeness.perHostIntervalMs = intervalMs;
    s.politeness.pauseBaseMs = pauseMs;
    return s;
}

// Collects the results of a run.
struct EngineRun {
    explicit EngineRun(const EngineSettings& s) : engine(s) {
        QObject::connect(&engine, &CheckEngine::jobFinished, [this](const CheckResult& r) {
            results.push_back(r);
            at[r.key] = timer.elapsed();
        });
        timer.start();
    }
    void add(quint64 key, const QString& url, const QString& domain = u"a.com"_qs) {
        engine.submit({key, domain, Ask::Whois, url});
    }
    // Waits until every job is answered (or `timeoutMs`); true when they all were.
    bool wait(int timeoutMs = 20000) {
        if (engine.unanswered() == 0) return true;
        QEventLoop loop;
        QObject::connect(&engine, &CheckEngine::idle, &loop, &QEventLoop::quit);
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        return engine.unanswered() == 0;
    }
    std::map<quint64, int> answersPerKey() const {
        std::map<quint64, int> n;
        for (const CheckResult& r : results) ++n[r.key];
        return n;
    }

    CheckEngine engine;
    std::vector<CheckResult> results;
    std::map<quint64, qint64> at;
    QElapsedTimer timer;
};

TEST(CheckEngine, EveryJobIsAnsweredOnceWithinTheLimits) {
    TimedWhois a(60), b(60);
    EngineRun run(Settings(6, 3, 0));
    for (quint64 k = 0; k < 30; ++k) run.add(k, (k % 2 ? a : b).url(QStringLiteral("d%1.com").arg(k)));
    run.add(100, u"whois.example/?q="_qs);  // no scheme: answered without a request
    ASSERT_TRUE(run.wait());
    const auto perKey = run.answersPerKey();
    EXPECT_EQ(perKey.size(), 31u);
    for (const auto& [key, n] : perKey) EXPECT_EQ(n, 1) << key;
    EXPECT_LE(a.maxOpen(), 3);
    EXPECT_LE(b.maxOpen(), 3);
    EXPECT_GE(a.maxOpen() + b.maxOpen(), 4);  // several at once, not one after another
    for (const CheckResult& r : run.results) {
        if (r.key == 100) {
            EXPECT_EQ(r.end, JobEnd::Failed);
            EXPECT_EQ(r.regOutcome, RegOutcome::Failed);
            EXPECT_TRUE(r.reason.startsWith(u"not an http(s) address"_qs)) << r.reason.toStdString();
        } else {
            EXPECT_EQ(r.end, JobEnd::Answered);
            EXPECT_EQ(r.regOutcome, RegOutcome::Registered);
            EXPECT_TRUE(r.registrationRecord);
            EXPECT_EQ(r.httpStatus, 200);
            EXPECT_TRUE(r.host.startsWith(u"127.0.0.1:"_qs));
            EXPECT_GE(r.elapsedMs, 50);
        }
    }
}

TEST(CheckEngine, OneHostGetsItsIntervalAndInFlightLimit) {
    TimedWhois whois(150);
    EngineRun run(Settings(8, 2, 100));
    for (quint64 k = 0; k < 8; ++k) run.add(k, whois.url(QStringLiteral("d%1.com").arg(k)));
    ASSERT_TRUE(run.wait());
    const auto arrivals = whois.arrivals();
    ASSERT_EQ(arrivals.size(), 8u);
    // The engine spaces the starts; the server sees them through its own scheduling, so each gap may
    // come in a little short, but never near nothing, and on average they keep the interval.
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(arrivals[i] - arrivals[i - 1]).count(), 50)
            << i;
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(arrivals.back() - arrivals.front()).count(),
              7 * 100 - 10);
    EXPECT_EQ(whois.maxOpen(), 2);
}

TEST(CheckEngine, PushBackPausesTheHostWhileOthersGoOn) {
    TimedWhois slow, other;
    slow.setStatus([](int n) { return n == 1 ? 429 : 200; }, "1");
    EngineRun run(Settings(4, 1, 0));
    QStringList paused;
    QObject::connect(&run.engine, &CheckEngine::hostPaused, [&](const QString& host, qint64 ms) {
        paused << host + u' ' + QString::number(ms);
    });
    run.add(1, slow.url(u"a.com"_qs));
    run.add(2, slow.url(u"b.com"_qs));
    for (quint64 k = 10; k < 14; ++k) run.add(k, other.url(u"c.com"_qs));
    ASSERT_TRUE(run.wait());
    ASSERT_EQ(paused.size(), 1);
    EXPECT_TRUE(paused[0].endsWith(u" 1000"_qs)) << paused[0].toStdString();
    // The refused job went back to the head of its host's queue and was answered after the pause.
    EXPECT_GE(run.at[1], 950);
    const auto position = [&](quint64 key) {
        return std::find_if(run.results.begin(), run.results.end(), [&](const CheckResult& r) { return r.key == key; }) -
               run.results.begin();
    };
    EXPECT_GT(position(2), position(1));
    for (quint64 k = 10; k < 14; ++k) EXPECT_LT(run.at[k], 900) << k;
    EXPECT_EQ(slow.arrivals().size(), 3u);
    for (const CheckResult& r : run.results) EXPECT_EQ(r.end, JobEnd::Answered) << r.key;
}

TEST(CheckEngine, AHostThatKeepsRefusingIsGivenUpAfterThreePauses) {
    TimedWhois refusing, fine;
    refusing.setStatus([](int) { return 503; }, "0");
    EngineRun run(Settings(2, 1, 0));
    for (quint64 k = 0; k < 5; ++k) run.add(k, refusing.url(QStringLiteral("d%1.com").arg(k)));
    run.add(9, fine.url(u"ok.com"_qs));
    ASSERT_TRUE(run.wait()) << run.results.size();
    EXPECT_EQ(refusing.arrivals().size(), 4u);  // the first try and three after pauses
    for (const CheckResult& r : run.results) {
        if (r.key == 9) {
            EXPECT_EQ(r.end, JobEnd::Answered);
        } else {
            EXPECT_EQ(r.end, JobEnd::RateLimited) << r.key;
            EXPECT_TRUE(r.reason.startsWith(u"rate-limited"_qs)) << r.reason.toStdString();
            EXPECT_EQ(r.regOutcome, RegOutcome::Failed);
        }
    }
}

TEST(CheckEngine, ASilentHostHoldsUpNobodyAndStopEndsEverythingAtOnce) {
    test::RawServer silent{QByteArray()};
    TimedWhois fine;
    test::ConfigScope config;
    config.edit().totalTimeoutMs = 60000;
    config.apply();
    EngineRun run(Settings(4, 2, 0));
    for (quint64 k = 0; k < 4; ++k) run.add(k, silent.url(QStringLiteral("/whois?q=s%1.com").arg(k)));
    for (quint64 k = 10; k < 20; ++k) run.add(k, fine.url(u"f.com"_qs));
    ASSERT_TRUE(test::WaitFor([&] { return run.results.size() == 10; }, 10000));
    for (const CheckResult& r : run.results) EXPECT_GE(r.key, 10u);
    EXPECT_EQ(run.engine.inFlight(), 2);

    QElapsedTimer stopTimer;
    stopTimer.start();
    run.engine.stop();
    ASSERT_TRUE(run.wait(5000));
    const qint64 stopMs = stopTimer.elapsed();
    std::cout << "[ measure ] stop to the last answer: " << stopMs << " ms\n";
    EXPECT_LT(stopMs, 1000);  // 100 ms in a release build; sanitizers are slower
    EXPECT_EQ(run.answersPerKey().size(), 14u);
    for (const CheckResult& r : run.results)
        if (r.key < 10) {
            EXPECT_EQ(r.end, JobEnd::Stopped) << r.key;
        }
    // After a stop a new job is answered "stopped" too, never sent.
    run.add(50, fine.url(u"late.com"_qs));
    ASSERT_TRUE(run.wait(5000));
    EXPECT_EQ(run.results.back().end, JobEnd::Stopped);
}

TEST(HostGovernor, RetryAfterReadsSecondsAndDatesWithinTheCap) {
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0, 0), Qt::UTC);
    EXPECT_EQ(RetryAfterMs("7", now, 300000), 7000);
    EXPECT_EQ(RetryAfterMs(" 900 ", now, 300000), 300000);
    EXPECT_EQ(RetryAfterMs("Wed, 09 Dec 2026 10:00:30 GMT", now, 300000), 30000);
    EXPECT_EQ(RetryAfterMs("Wed, 09 Dec 2026 09:00:00 GMT", now, 300000), 0);
    EXPECT_EQ(RetryAfterMs("soon", now, 300000), std::nullopt);
    EXPECT_EQ(RetryAfterMs("-5", now, 300000), std::nullopt);
    EXPECT_EQ(RetryAfterMs("", now, 300000), std::nullopt);

    HostGovernor g({2, 200, 30000, 300000, 3});
    EXPECT_EQ(g.refused(u"h"_qs, 0, std::nullopt), 30000);
    EXPECT_EQ(g.refused(u"h"_qs, 0, std::nullopt), 60000);
    EXPECT_EQ(g.refused(u"h"_qs, 0, 5000), 5000);
    EXPECT_EQ(g.refused(u"h"_qs, 0, std::nullopt), std::nullopt);
    EXPECT_TRUE(g.givenUp(u"h"_qs));
    EXPECT_EQ(g.waitBeforeStart(u"other"_qs, 0), 0);

    // Refusals now and then, with answers between them, never add up to giving the host up.
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(g.refused(u"busy"_qs, 0, std::nullopt), 30000) << i;
        g.answered(u"busy"_qs);
    }
    EXPECT_FALSE(g.givenUp(u"busy"_qs));
}

}  // namespace
}  // namespace ds::checks::engine
