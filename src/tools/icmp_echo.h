#pragma once
// One ICMP echo over whichever socket this process may open.
#include <QByteArray>
#include <QtGlobal>

#include "tools/ping_rules.h"

namespace ds::tools {

enum class EchoSocket {
    None,
    // socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP): allowed when the process's group lies inside
    // net.ipv4.ping_group_range (off on Debian 12: "1 0"). The kernel fills in id and checksum.
    Datagram,
    // SOCK_RAW: root or CAP_NET_RAW. It also sees every other echo on the host (and, on loopback, its
    // own request), so replies are matched by type, id, sequence and source.
    Raw,
};

// The socket an echo would use here (opened and closed again).
EchoSocket AvailableEchoSocket();

struct EchoReply {
    // True when an answer came back: the echo reply, or an error report (unreachable, time exceeded)
    // from a host on the way.
    bool replied = false;
    qint32 status = StatusGeneralFailure;
    qint32 roundTripMs = 0;
};

// Sends `payload` as one echo request to `address` (AddressValue's form) and waits at most `timeoutMs`
// for the answer. Blocks; callers keep windows alive through RunDetachedBounded. Address 0 is refused
// with StatusBadDestination.
EchoReply SendEcho(quint32 address, const QByteArray& payload, int timeoutMs);

}  // namespace ds::tools
