#pragma once
// A network of the test's own: a thread inside a fresh network namespace with only loopback up, so
// tests decide what the kernel allows (ping sockets, raw sockets, echo answers) without touching the
// machine's settings. Threads and detached workers started from that thread stay inside it.
#include <QByteArray>
#include <QString>
#include <functional>

namespace ds::tools::test {

struct NetworkSetup {
    // net.ipv4.ping_group_range; "1 0" (the kernel's default) allows no ping sockets.
    QByteArray pingGroupRange = "1 0";
    // net.ipv4.icmp_echo_ignore_all: the kernel answers no echo at all.
    bool ignoreEchoes = false;
    // Takes CAP_NET_RAW out of the thread's effective set, so no raw socket opens.
    bool withoutRawSockets = false;
};

// Runs `body` on a new thread inside a private network set up as asked and waits for it. Returns
// empty text, or the reason the network could not be made (body did not run then).
QString RunInPrivateNetwork(const NetworkSetup& setup, const std::function<void()>& body);

}  // namespace ds::tools::test
