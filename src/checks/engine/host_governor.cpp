#include "checks/engine/host_governor.h"

#include <algorithm>

namespace ds::checks::engine {

std::optional<qint64> RetryAfterMs(const QByteArray& value, const QDateTime& now, qint64 capMs) {
    const QByteArray text = value.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok);
    if (ok) return seconds < 0 ? std::nullopt : std::optional<qint64>(std::min(seconds * 1000, capMs));
    // HTTP dates end in "GMT", which the RFC 2822 reader takes only as a numeric zone.
    QString date = QString::fromLatin1(text);
    if (date.endsWith(u" GMT")) date = date.left(date.size() - 4) + u" +0000";
    const QDateTime at = QDateTime::fromString(date, Qt::RFC2822Date);
    if (!at.isValid()) return std::nullopt;
    return std::clamp<qint64>(now.msecsTo(at), 0, capMs);
}

qint64 HostGovernor::waitBeforeStart(const QString& host, qint64 nowMs) const {
    const auto it = hosts_.constFind(host);
    if (it == hosts_.constEnd()) return 0;
    const Host& h = *it;
    qint64 wait = std::max<qint64>(0, h.pausedUntilMs - nowMs);
    if (h.lastStartMs >= 0) wait = std::max(wait, h.lastStartMs + rules_.perHostIntervalMs - nowMs);
    // A host at its in-flight limit frees a place only when a request ends; 1 ms keeps asking cheap.
    if (h.inFlight >= rules_.perHostInFlight) wait = std::max<qint64>(wait, 1);
    return std::max<qint64>(wait, 0);
}

void HostGovernor::started(const QString& host, qint64 nowMs) {
    Host& h = hosts_[host];
    ++h.inFlight;
    h.lastStartMs = nowMs;
}

void HostGovernor::finished(const QString& host) {
    Host& h = hosts_[host];
    h.inFlight = std::max(0, h.inFlight - 1);
}

std::optional<qint64> HostGovernor::refused(const QString& host, qint64 nowMs, std::optional<qint64> retryAfterMs) {
    Host& h = hosts_[host];
    if (h.pauses >= rules_.maxPauses) {
        h.givenUp = true;
        return std::nullopt;
    }
    qint64 pause = rules_.pauseBaseMs;
    for (int i = 0; i < h.pauses && pause < rules_.pauseMaxMs; ++i) pause *= 2;
    if (retryAfterMs) pause = *retryAfterMs;
    pause = std::clamp<qint64>(pause, 0, rules_.pauseMaxMs);
    ++h.pauses;
    h.pausedUntilMs = std::max(h.pausedUntilMs, nowMs + pause);
    return pause;
}

void HostGovernor::answered(const QString& host) {
    Host& h = hosts_[host];
    if (!h.givenUp) h.pauses = 0;
}

bool HostGovernor::givenUp(const QString& host) const {
    const auto it = hosts_.constFind(host);
    return it != hosts_.constEnd() && it->givenUp;
}

int HostGovernor::inFlight(const QString& host) const {
    const auto it = hosts_.constFind(host);
    return it == hosts_.constEnd() ? 0 : it->inFlight;
}

std::pair<QString, qint64> HostGovernor::longestPause(qint64 nowMs) const {
    std::pair<QString, qint64> best{QString(), 0};
    for (auto it = hosts_.constBegin(); it != hosts_.constEnd(); ++it) {
        const qint64 left = it->pausedUntilMs - nowMs;
        if (!it->givenUp && left > best.second) best = {it.key(), left};
    }
    return best;
}

}  // namespace ds::checks::engine
