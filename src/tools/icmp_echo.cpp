#include "tools/icmp_echo.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ds::tools {

namespace {

constexpr unsigned char TypeEchoReply = 0;
constexpr unsigned char TypeDestUnreachable = 3;
constexpr unsigned char TypeEchoRequest = 8;
constexpr unsigned char TypeTimeExceeded = 11;
constexpr int IcmpHeaderSize = 8;
constexpr int MinIpHeaderSize = 20;

// Several echoes may run at once (one per window, each on its own worker), all with the same id on
// a raw socket; the sequence keeps their replies apart.
std::atomic<quint16> lastSequence{0};

class Socket {
public:
    Socket() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ >= 0) {
            kind_ = EchoSocket::Datagram;
            return;
        }
        fd_ = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd_ >= 0) kind_ = EchoSocket::Raw;
    }
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return fd_; }
    EchoSocket kind() const { return kind_; }

private:
    int fd_ = -1;
    EchoSocket kind_ = EchoSocket::None;
};

quint16 Read16(const unsigned char* p) { return static_cast<quint16>((p[0] << 8) | p[1]); }

void Write16(unsigned char* p, quint16 v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

// The Internet checksum (RFC 1071), as a big-endian 16-bit value.
quint16 Checksum(const unsigned char* data, std::size_t size) {
    quint32 sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) sum += Read16(data + i);
    if (size % 2) sum += static_cast<quint32>(data[size - 1]) << 8;
    while (sum >> 16) sum = (sum & 0xFFFFu) + (sum >> 16);
    return static_cast<quint16>(~sum);
}

qint32 StatusOfIcmpError(int type, int code) {
    if (type == TypeTimeExceeded) return StatusTtlExpired;
    if (type != TypeDestUnreachable) return StatusGeneralFailure;
    switch (code) {
    case 0: return StatusDestNetUnreachable;
    case 2: return StatusDestProtUnreachable;
    case 3: return StatusDestPortUnreachable;
    default: return StatusDestHostUnreachable;
    }
}

qint32 StatusOfSendError(int error) {
    switch (error) {
    case ENETUNREACH: return StatusDestNetUnreachable;
    case EHOSTUNREACH: return StatusDestHostUnreachable;
    default: return StatusGeneralFailure;
    }
}

struct Outcome {
    bool matched = false;
    bool replied = false;
    qint32 status = StatusGeneralFailure;
};

bool IsOurRequest(const unsigned char* icmp, std::size_t size, quint16 id, quint16 sequence, bool checkId) {
    return size >= IcmpHeaderSize && icmp[0] == TypeEchoRequest && Read16(icmp + 6) == sequence &&
           (!checkId || Read16(icmp + 4) == id);
}

// An ICMP message as a datagram socket hands it over (no IP header); only replies to this socket's
// id reach it, and errors come through the error queue instead.
Outcome ReadDatagram(const unsigned char* icmp, std::size_t size, quint16 sequence) {
    if (size >= IcmpHeaderSize && icmp[0] == TypeEchoReply && Read16(icmp + 6) == sequence)
        return {true, true, StatusSuccess};
    return {};
}

// A whole IP packet as a raw socket hands it over: echo replies from the address, and error reports
// that quote our request.
Outcome ReadRaw(const unsigned char* packet, std::size_t size, quint16 id, quint16 sequence, quint32 to) {
    if (size < MinIpHeaderSize) return {};
    const std::size_t ipHeader = (packet[0] & 0x0Fu) * 4u;
    if (ipHeader < MinIpHeaderSize || size < ipHeader + IcmpHeaderSize) return {};
    const unsigned char* icmp = packet + ipHeader;
    const std::size_t icmpSize = size - ipHeader;

    if (icmp[0] == TypeEchoReply) {
        const bool ours = std::memcmp(packet + 12, &to, 4) == 0 && Read16(icmp + 4) == id &&
                          Read16(icmp + 6) == sequence;
        return ours ? Outcome{true, true, StatusSuccess} : Outcome{};
    }
    if (icmp[0] != TypeDestUnreachable && icmp[0] != TypeTimeExceeded) return {};

    const unsigned char* quoted = icmp + IcmpHeaderSize;
    const std::size_t quotedSize = icmpSize - IcmpHeaderSize;
    if (quotedSize < MinIpHeaderSize) return {};
    const std::size_t quotedHeader = (quoted[0] & 0x0Fu) * 4u;
    if (quotedHeader < MinIpHeaderSize || quotedSize < quotedHeader + IcmpHeaderSize) return {};
    if (quoted[9] != IPPROTO_ICMP || std::memcmp(quoted + 16, &to, 4) != 0) return {};
    if (!IsOurRequest(quoted + quotedHeader, quotedSize - quotedHeader, id, sequence, true)) return {};
    return {true, true, StatusOfIcmpError(icmp[0], icmp[1])};
}

// Errors a datagram socket was told about (IP_RECVERR), each with the request it concerns.
Outcome ReadErrorQueue(int fd, quint16 sequence) {
    unsigned char data[576];
    alignas(cmsghdr) unsigned char control[512];
    iovec iov{data, sizeof data};
    msghdr message{};
    message.msg_iov = &iov;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
    if (size < 0) return {};
    if (!IsOurRequest(data, static_cast<std::size_t>(size), 0, sequence, false)) return {};
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
        sock_extended_err error;
        std::memcpy(&error, CMSG_DATA(c), sizeof error);
        if (error.ee_origin == SO_EE_ORIGIN_ICMP) return {true, true, StatusOfIcmpError(error.ee_type, error.ee_code)};
        return {true, false, StatusOfSendError(static_cast<int>(error.ee_errno))};
    }
    return {};
}

}  // namespace

EchoSocket AvailableEchoSocket() { return Socket().kind(); }

EchoReply SendEcho(quint32 address, const QByteArray& payload, int timeoutMs) {
    EchoReply result;
    if (address == 0) {
        result.status = StatusBadDestination;
        return result;
    }
    const Socket socket;
    if (socket.kind() == EchoSocket::None) {
        result.status = StatusGeneralFailure;
        return result;
    }
    if (socket.kind() == EchoSocket::Datagram) {
        // Without it a datagram socket drops unreachable reports, and such an echo could only time out.
        const int on = 1;
        ::setsockopt(socket.fd(), SOL_IP, IP_RECVERR, &on, sizeof on);
    }

    // The kernel replaces the id of a datagram socket with its own.
    const quint16 id = static_cast<quint16>(::getpid());
    const quint16 sequence = ++lastSequence;
    QByteArray packet(IcmpHeaderSize, '\0');
    packet += payload;
    auto* bytes = reinterpret_cast<unsigned char*>(packet.data());
    bytes[0] = TypeEchoRequest;
    Write16(bytes + 4, id);
    Write16(bytes + 6, sequence);
    Write16(bytes + 2, Checksum(bytes, static_cast<std::size_t>(packet.size())));

    const quint32 to = qToLittleEndian(address);  // first part lowest: network order in memory
    sockaddr_in target{};
    target.sin_family = AF_INET;
    std::memcpy(&target.sin_addr, &to, 4);

    QElapsedTimer clock;
    clock.start();
    if (::sendto(socket.fd(), packet.constData(), static_cast<std::size_t>(packet.size()), 0,
                 reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) {
        result.status = StatusOfSendError(errno);
        return result;
    }

    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    unsigned char buffer[2048];
    for (;;) {
        pollfd p{socket.fd(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            result.status = StatusGeneralFailure;
            return result;
        }
        if (ready == 0) break;

        Outcome outcome;
        if (p.revents & POLLERR) {
            if (socket.kind() == EchoSocket::Datagram) {
                outcome = ReadErrorQueue(socket.fd(), sequence);
            } else {
                int pending = 0;
                socklen_t length = sizeof pending;
                ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &pending, &length);
            }
        }
        if (!outcome.matched && (p.revents & POLLIN)) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t size = ::recvfrom(socket.fd(), buffer, sizeof buffer, MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (size > 0) {
                const auto n = static_cast<std::size_t>(size);
                if (socket.kind() == EchoSocket::Raw) {
                    outcome = ReadRaw(buffer, n, id, sequence, to);
                } else if (std::memcmp(&from.sin_addr, &to, 4) == 0) {
                    outcome = ReadDatagram(buffer, n, sequence);
                }
            }
        }
        if (outcome.matched) {
            result.replied = outcome.replied;
            result.status = outcome.status;
            if (outcome.replied) result.roundTripMs = static_cast<qint32>(clock.elapsed());
            return result;
        }
        // Other hosts' echoes on a raw socket must not keep the wait going past its end.
        if (deadline.hasExpired()) break;
    }
    result.status = StatusTimedOut;
    return result;
}

}  // namespace ds::tools
