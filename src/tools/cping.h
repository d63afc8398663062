#pragma once
// Name resolution and one ICMP echo, for the side windows that show a domain's address.
#include <QObject>
#include <QString>

namespace ds::tools {

class cPing : public QObject {
    Q_OBJECT

public:
    explicit cPing(QObject* parent = nullptr);

    // Reply time-out of Ping in milliseconds (1000 for a new instance). A negative value counts as 0:
    // the echo must never wait without end.
    int pingTimeout() const { return pingTimeout_; }
    void setPingTimeout(int vNewValue) { pingTimeout_ = vNewValue; }

    // The first IPv4 address of a host as dotted text, or empty text. "http://host" is looked up as
    // "www.host" and "http://www.host" as "www.host" (see HostNameToResolve). The empty name gives this
    // host's first non-loopback address. Bounded and responsive as ResolveFirstIPv4.
    QString funcGetIPFromHostName(const QString& sHostName);

    // One echo request. An address that starts with "http" or "www." is replaced by its dotted address
    // (empty text when it does not resolve); anything else stays as it is. Returns the round-trip time
    // in milliseconds when an answer came back, else the negated status (Status* in ping_rules.h). An
    // error report from a router on the way (unreachable, time exceeded) is an answer too: its
    // round-trip time is returned and the event says "failure". Raises PingReturn once before
    // returning. Throws AddressError for an address with four parts of
    // which one is not a number, or with five or more parts; PingReturn is then not raised.
    qint32 Ping(QString& szAddress);

signals:
    // successStatus is "success" or "failure"; roundTripMilliseconds is 0 without a reply.
    void PingReturn(const QString& ipAddress, const QString& successStatus, qint32 roundTripMilliseconds);

private:
    int pingTimeout_ = 1000;
};

}  // namespace ds::tools
