#pragma once
// Politeness towards each service host, as plain rules over time values: how many requests one host
// may have in flight, how far apart their starts must be, and how long a host that pushed back (429,
// 503, a verification page) is left alone. The engine asks it before every start.
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>

namespace ds::checks::engine {

struct Politeness {
    int perHostInFlight = 2;
    qint64 perHostIntervalMs = 200;
    qint64 pauseBaseMs = 30000;  // the first pause without Retry-After; each further one doubles
    qint64 pauseMaxMs = 300000;  // no pause is longer, whatever Retry-After asks
    // A host that refuses once more after this many pauses in a row is given up for the run; an answer
    // in between starts the count (and the doubling) over, so a service that throttles now and then
    // over a long run is paused each time, not abandoned.
    int maxPauses = 3;
};

// The wait a Retry-After value asks for, in ms: delta-seconds or an HTTP date (against `now`), capped at
// `capMs`; nothing when the value is neither (or absent).
std::optional<qint64> RetryAfterMs(const QByteArray& value, const QDateTime& now, qint64 capMs);

class HostGovernor {
public:
    explicit HostGovernor(Politeness rules = {}) : rules_(rules) {}

    // 0 when a request to `host` may start at `nowMs`; else how many ms until it may.
    qint64 waitBeforeStart(const QString& host, qint64 nowMs) const;
    void started(const QString& host, qint64 nowMs);
    void finished(const QString& host);

    // The host refused a request. Returns the pause now in force (ms), or nothing when the host has been
    // paused maxPauses times already and is to be given up.
    std::optional<qint64> refused(const QString& host, qint64 nowMs, std::optional<qint64> retryAfterMs);
    // The host answered (anything but a refusal).
    void answered(const QString& host);
    bool givenUp(const QString& host) const;
    int inFlight(const QString& host) const;
    // The host paused at `nowMs` whose pause ends last, with the ms it has left; empty when none is paused.
    std::pair<QString, qint64> longestPause(qint64 nowMs) const;

private:
    struct Host {
        int inFlight = 0;
        qint64 lastStartMs = -1;
        qint64 pausedUntilMs = 0;
        int pauses = 0;
        bool givenUp = false;
    };
    Politeness rules_;
    QHash<QString, Host> hosts_;
};

}  // namespace ds::checks::engine
