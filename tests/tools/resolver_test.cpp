// Name resolution: the system resolver on loopback names and numeric addresses, names that must be
// refused without a lookup, and the bounded, event-handling wait around any resolver.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <thread>

#include "core/config.h"
#include "core/stop_signal.h"
#include "support/test_support.h"
#include "tools/cping.h"
#include "tools/detached_wait.h"
#include "tools/private_network.h"
#include "tools/resolver.h"

using namespace ds::tools;

namespace {

// Sets ResolveTimeoutMs for one test.
class ResolveBound {
public:
    explicit ResolveBound(int ms) {
        ds::Config c = saved_;
        c.resolveTimeoutMs = ms;
        ds::SetConfig(c);
    }
    ~ResolveBound() { ds::SetConfig(saved_); }

private:
    ds::Config saved_ = ds::config();
};

// Up IPv4 addresses of this host that are not loopback, as the kernel lists them.
QStringList NonLoopbackAddresses() {
    QStringList found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return found;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP)) continue;
        if (it->ifa_flags & IFF_LOOPBACK) continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr, text, sizeof text);
        found << QString::fromLatin1(text);
    }
    freeifaddrs(list);
    return found;
}

TEST(SystemResolver, LoopbackNamesAndNumericAddressesResolve) {
    const ResolveBound bound(20000);
    struct Case {
        QString name;
        QString address;
    };
    const Case cases[] = {
        {u"localhost"_qs, u"127.0.0.1"_qs},
        {u"LocalHost"_qs, u"127.0.0.1"_qs},
        {u"127.0.0.1"_qs, u"127.0.0.1"_qs},
        {u"10.1.2.3"_qs, u"10.1.2.3"_qs},  // numeric: no name server asked
        // Fullwidth letters: only the IDNA mapping turns them into "localhost".
        {u"ｌｏｃａｌｈｏｓｔ"_qs, u"127.0.0.1"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(ResolveFirstIPv4(c.name), c.address);
    }
}

TEST(SystemResolver, NamesThatCannotExistGiveEmptyText) {
    // Refused before any name server is asked, so a slow or absent one cannot make this test slow.
    const ResolveBound bound(20000);
    const QString cases[] = {
        u"no-such-host.invalid"_qs,
        u"NO-SUCH-HOST.INVALID."_qs,
        u"例子.invalid"_qs,
        u".localhost"_qs,
        u"local host"_qs,
        u"localhost "_qs,
        u"\"localhost\""_qs,
        u"'localhost'"_qs,
        u"<b>localhost"_qs,
        u"localhost.."_qs,
        u"a..localhost"_qs,
        QString(300, u'a'),
        QString(64, u'a') + u".localhost"_qs,  // one label over 63 characters
    };
    SystemResolver system;
    for (const QString& name : cases) {
        SCOPED_TRACE(name.left(80).toStdString());
        EXPECT_EQ(system.firstIPv4(name), QString());
        EXPECT_EQ(ResolveFirstIPv4(name), QString());
    }
}

TEST(SystemResolver, TheEmptyNameIsThisHostsOwnAddress) {
    const QString own = cPing().funcGetIPFromHostName(QString());
    const QStringList others = NonLoopbackAddresses();
    if (others.isEmpty()) {
        EXPECT_EQ(own, u"127.0.0.1"_qs);
    } else {
        EXPECT_TRUE(others.contains(own)) << own.toStdString();
    }

    // With loopback the only interface, loopback it is.
    QString isolated;
    const QString reason = test::RunInPrivateNetwork({}, [&] { isolated = SystemResolver().firstIPv4(QString()); });
    if (!reason.isEmpty()) GTEST_SKIP() << "no private network namespace: " << reason.toStdString();
    EXPECT_EQ(isolated, u"127.0.0.1"_qs);
}

class BoundedLookup : public ::testing::Test {
protected:
    BoundedLookup() {
        resolver_->setNeverAnswers(u"slow.example"_qs);
        resolver_->set(u"fast.example"_qs, u"10.0.0.1"_qs);
    }
    ScopedMapResolver resolver_;
};

TEST_F(BoundedLookup, ANameThatNeverAnswersEndsAtTheBoundWhileEventsRun) {
    const ResolveBound bound(300);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(10);
    // A handler that runs during the wait may look up a name of its own.
    QString nested;
    QTimer::singleShot(30, [&] { nested = cPing().funcGetIPFromHostName(u"fast.example"_qs); });

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(cPing().funcGetIPFromHostName(u"slow.example"_qs), QString());
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 300);
    EXPECT_LT(elapsed, 10000);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(nested, u"10.0.0.1"_qs);

    // The abandoned lookup ending later must not cut short or answer the next one.
    resolver_->release();
    EXPECT_EQ(cPing().funcGetIPFromHostName(u"fast.example"_qs), u"10.0.0.1"_qs);
}

TEST_F(BoundedLookup, AStopPressEndsTheWait) {
    const ResolveBound bound(60000);
    QTimer::singleShot(50, [] { ds::RequestStop(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(ResolveFirstIPv4(u"slow.example"_qs), QString());
    EXPECT_LT(clock.elapsed(), 30000);
}

TEST_F(BoundedLookup, OffTheApplicationThreadTheWaitIsBoundedToo) {
    const ResolveBound bound(200);
    QString slow = u"unset"_qs;
    QString fast;
    qint64 elapsed = 0;
    std::thread worker([&] {
        QElapsedTimer clock;
        clock.start();
        slow = ResolveFirstIPv4(u"slow.example"_qs);
        elapsed = clock.elapsed();
        fast = ResolveFirstIPv4(u"FAST.example"_qs);
    });
    worker.join();
    EXPECT_EQ(slow, QString());
    EXPECT_GE(elapsed, 200);
    EXPECT_LT(elapsed, 10000);
    EXPECT_EQ(fast, u"10.0.0.1"_qs);
}

int ThreadsOfThisProcess() { return static_cast<int>(QDir(u"/proc/self/task"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// Lookups that never answer leave their workers behind; only a few at a time, so a name server that
// has stopped answering cannot pile up a thread per lookup. Beyond the cap a lookup fails at once, and
// once the stuck ones end, lookups work again.
TEST_F(BoundedLookup, NeverAnsweringLookupsLeaveFewThreadsBehind) {
    const ResolveBound bound(20);
    const int before = ThreadsOfThisProcess();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 200; ++i) EXPECT_EQ(ResolveFirstIPv4(u"slow.example"_qs), QString());
    const int added = ThreadsOfThisProcess() - before;
    EXPECT_LT(added, 20);
    EXPECT_LT(clock.elapsed(), 20 * 200) << "lookups beyond the cap fail at once";

    resolver_->release();
    EXPECT_TRUE(ds::test::WaitFor([] { return DetachedWorkersRunning() == 0; }));
    EXPECT_EQ(ResolveFirstIPv4(u"fast.example"_qs), u"10.0.0.1"_qs);
}

}  // namespace
