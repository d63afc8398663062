#include "tools/cping.h"

#include <QPointer>
#include <algorithm>
#include <climits>
#include <memory>

#include "tools/detached_wait.h"
#include "tools/icmp_echo.h"
#include "tools/ping_rules.h"
#include "tools/resolver.h"

namespace ds::tools {

namespace {

// The worker bounds its own wait by the time-out; this leaves room for starting the thread and
// opening the socket, so only a stop press or a starved machine ends the wait first.
constexpr int EchoSlackMs = 2000;

const QByteArray& Payload() {
    static const QByteArray payload = QByteArrayLiteral("Echo This");
    return payload;
}

}  // namespace

cPing::cPing(QObject* parent) : QObject(parent) {}

QString cPing::funcGetIPFromHostName(const QString& sHostName) {
    return ResolveFirstIPv4(HostNameToResolve(sHostName));
}

qint32 cPing::Ping(QString& szAddress) {
    const int timeoutMs = std::max(pingTimeout_, 0);
    // Both waits below handle events, and a handler may delete this object meanwhile.
    const QPointer<cPing> self(this);

    const NormalisedAddress normalised = NormaliseAddress(szAddress);
    szAddress = normalised.resolve ? funcGetIPFromHostName(normalised.address) : normalised.address;
    const quint32 address = AddressValue(szAddress);

    auto reply = std::make_shared<EchoReply>();
    const bool finished = RunDetachedBounded(
        [reply, address, timeoutMs] { *reply = SendEcho(address, Payload(), timeoutMs); },
        timeoutMs > INT_MAX - EchoSlackMs ? INT_MAX : timeoutMs + EchoSlackMs);
    const EchoReply outcome = finished ? *reply : EchoReply{false, StatusTimedOut, 0};

    const bool success = outcome.replied && outcome.status == StatusSuccess;
    if (self) {
        emit PingReturn(szAddress, success ? QString::fromUtf16(PingSuccess) : QString::fromUtf16(PingFailure),
                        outcome.roundTripMs);
    }
    return outcome.replied ? outcome.roundTripMs : -outcome.status;
}

}  // namespace ds::tools
