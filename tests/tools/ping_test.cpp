// cPing: which names it looks up, how Ping rewrites its address and reports, and real echoes on
// loopback, in this machine's network and in private networks where the test decides what the kernel
// allows.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <iostream>
#include <vector>

#include "support/test_support.h"
#include "tools/cping.h"
#include "tools/icmp_echo.h"
#include "tools/private_network.h"
#include "tools/resolver.h"

using namespace ds::tools;

namespace {

struct Event {
    QString ipAddress;
    QString successStatus;
    qint32 roundTripMilliseconds;
};

// A cPing whose events are recorded.
struct RecordedPing {
    cPing ping;
    std::vector<Event> events;
    explicit RecordedPing(int timeoutMs = 1000) {
        ping.setPingTimeout(timeoutMs);
        QObject::connect(&ping, &cPing::PingReturn, [this](const QString& ip, const QString& status, qint32 ms) {
            events.push_back({ip, status, ms});
        });
    }
};

const char* SocketName(EchoSocket s) {
    switch (s) {
    case EchoSocket::Datagram: return "ping (datagram) socket";
    case EchoSocket::Raw: return "raw socket";
    case EchoSocket::None: break;
    }
    return "no socket";
}

TEST(cPingLookup, NamesAreNormalisedBeforeTheyAreLookedUp) {
    ScopedMapResolver resolver;
    resolver->set(u"www.shop.example"_qs, u"10.0.0.1"_qs);
    resolver->set(u"shop.example"_qs, u"10.0.0.2"_qs);
    struct Case {
        QString name;
        QString asked;
        QString address;
    };
    const Case cases[] = {
        {u"http://shop.example"_qs, u"www.shop.example"_qs, u"10.0.0.1"_qs},
        {u"http://www.shop.example"_qs, u"www.shop.example"_qs, u"10.0.0.1"_qs},
        {u"shop.example"_qs, u"shop.example"_qs, u"10.0.0.2"_qs},
        {u"WWW.Shop.Example"_qs, u"WWW.Shop.Example"_qs, u"10.0.0.1"_qs},
        {u"nowhere.example"_qs, u"nowhere.example"_qs, QString()},
    };
    cPing ping;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(ping.funcGetIPFromHostName(c.name), c.address);
        EXPECT_EQ(resolver->asked().last(), c.asked);
    }
}

TEST(cPingPing, AddressesWithoutAnAnswerFailWithOneEvent) {
    // Address 0 is refused without sending, so these behave alike wherever the test runs.
    ScopedMapResolver resolver;
    resolver->set(u"shop.example"_qs, u"127.0.0.1"_qs);
    struct Case {
        QString address;
        QString rewritten;
        bool looksUp;
    };
    const Case cases[] = {
        // Not "http" or "www.": kept and not looked up, though the name is known.
        {u"shop.example"_qs, u"shop.example"_qs, false},
        {u"http://nowhere.example"_qs, QString(), true},
        {u"www.nowhere.example"_qs, QString(), true},
        {QString(), QString(), false},
        {u"0.0.0.0"_qs, u"0.0.0.0"_qs, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const qsizetype askedBefore = resolver->asked().size();
        RecordedPing p;
        QString address = c.address;
        EXPECT_EQ(p.ping.Ping(address), -StatusBadDestination);
        EXPECT_EQ(address, c.rewritten);
        EXPECT_EQ(resolver->asked().size() > askedBefore, c.looksUp);
        ASSERT_EQ(p.events.size(), 1u);
        EXPECT_EQ(p.events[0].ipAddress, c.rewritten);
        EXPECT_EQ(p.events[0].successStatus, u"failure"_qs);
        EXPECT_EQ(p.events[0].roundTripMilliseconds, 0);
    }
}

TEST(cPingPing, AddressesThatCannotBeConvertedReachTheCallerWithoutAnEvent) {
    ScopedMapResolver resolver;
    resolver->set(u"www.odd.example"_qs, u"1.2.3.4.5"_qs);
    for (const QString& text : {u"1.2.3.x"_qs, u"1.2.3.4.5"_qs, u"http://odd.example"_qs}) {
        SCOPED_TRACE(text.toStdString());
        RecordedPing p;
        QString address = text;
        EXPECT_THROW(p.ping.Ping(address), AddressError);
        EXPECT_TRUE(p.events.empty());
    }
}

TEST(cPingEcho, LoopbackAnswersOnThisMachine) {
    const EchoSocket socket = AvailableEchoSocket();
    if (socket == EchoSocket::None) {
        GTEST_SKIP() << "no ICMP socket here: net.ipv4.ping_group_range excludes this group and raw sockets "
                        "need root or CAP_NET_RAW";
    }
    std::cout << "[ echo    ] over a " << SocketName(socket) << '\n';
    RecordedPing p;
    QString address = u"127.0.0.1"_qs;
    const qint32 result = p.ping.Ping(address);
    EXPECT_GE(result, 0);
    EXPECT_EQ(address, u"127.0.0.1"_qs);
    ASSERT_EQ(p.events.size(), 1u);
    EXPECT_EQ(p.events[0].ipAddress, u"127.0.0.1"_qs);
    EXPECT_EQ(p.events[0].successStatus, u"success"_qs);
    EXPECT_EQ(p.events[0].roundTripMilliseconds, result);
}

TEST(cPingEcho, PrivateNetworksDecideWhatTheKernelAllows) {
    const test::NetworkSetup pingSocketsOnly{"0 2147483647", false, true};
    const test::NetworkSetup rawSocketsOnly{"1 0", false, false};
    const test::NetworkSetup noSockets{"1 0", false, true};
    struct Case {
        const char* name;
        test::NetworkSetup setup;
        EchoSocket socket;
        QString address;
        qint32 result;  // 0 stands for any round-trip time
        const char16_t* status;
    };
    const Case cases[] = {
        {"ping socket, loopback", pingSocketsOnly, EchoSocket::Datagram, u"127.0.0.1"_qs, 0, u"success"},
        {"raw socket, loopback", rawSocketsOnly, EchoSocket::Raw, u"127.0.0.1"_qs, 0, u"success"},
        {"raw socket, through a name", rawSocketsOnly, EchoSocket::Raw, u"www.loop.example"_qs, 0, u"success"},
        {"no socket at all", noSockets, EchoSocket::None, u"127.0.0.1"_qs, -StatusGeneralFailure, u"failure"},
        // Only loopback is up, so nothing routes there.
        {"ping socket, no route", pingSocketsOnly, EchoSocket::Datagram, u"10.1.2.3"_qs, -StatusDestNetUnreachable,
         u"failure"},
        {"raw socket, no route", rawSocketsOnly, EchoSocket::Raw, u"10.1.2.3"_qs, -StatusDestNetUnreachable,
         u"failure"},
        {"ping socket, echoes ignored", {"0 2147483647", true, true}, EchoSocket::Datagram, u"127.0.0.1"_qs,
         -StatusTimedOut, u"failure"},
        {"raw socket, echoes ignored", {"1 0", true, false}, EchoSocket::Raw, u"127.0.0.1"_qs, -StatusTimedOut,
         u"failure"},
    };
    ScopedMapResolver resolver;
    resolver->set(u"www.loop.example"_qs, u"127.0.0.1"_qs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EchoSocket socket = EchoSocket::None;
        qint32 result = 1;
        qint64 elapsed = 0;
        QString address = c.address;
        std::vector<Event> events;
        const QString reason = test::RunInPrivateNetwork(c.setup, [&] {
            socket = AvailableEchoSocket();
            RecordedPing p(200);
            QElapsedTimer clock;
            clock.start();
            result = p.ping.Ping(address);
            elapsed = clock.elapsed();
            events = p.events;
        });
        if (!reason.isEmpty()) GTEST_SKIP() << "no private network namespace: " << reason.toStdString();

        EXPECT_EQ(socket, c.socket);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].successStatus, QString::fromUtf16(c.status));
        EXPECT_EQ(events[0].ipAddress, address);
        if (c.result == 0) {
            EXPECT_EQ(address, u"127.0.0.1"_qs);
            EXPECT_GE(result, 0);
            EXPECT_EQ(events[0].roundTripMilliseconds, result);
        } else {
            EXPECT_EQ(result, c.result);
            EXPECT_EQ(events[0].roundTripMilliseconds, 0);
        }
        if (c.result == -StatusTimedOut) {
            EXPECT_GE(elapsed, 200);
        }
        EXPECT_LT(elapsed, 10000);
    }
}

}  // namespace
