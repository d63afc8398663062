#pragma once
// Small pieces both registry readers share: cutting copied text short, comparing names and reading the
// deletion statuses, which RDAP and whois spell differently ("redemption period", "redemptionPeriod").
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUrl>
#include <algorithm>
#include <optional>

#include "checks/registry/registry_answer.h"

namespace ds::checks::registry::detail {

// Text copied from an answer into a reason or a fact: a hostile answer must not make them huge.
constexpr qsizetype kCopiedTextLimit = 200;
// Statuses kept per answer; real registries give fewer than ten.
constexpr qsizetype kStatusLimit = 50;

// Control characters become spaces: a reason is one line of a log or a grid cell.
inline QString Cut(QStringView text, qsizetype limit = kCopiedTextLimit) {
    text = text.trimmed();
    qsizetype end = std::min(text.size(), limit);
    // Never split a surrogate pair: the half would print as garbage.
    if (end < text.size() && end > 0 && text[end - 1].isHighSurrogate()) --end;
    QString cut = text.left(end).toString();
    for (QChar& c : cut)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = u' ';
    cut = cut.trimmed();
    if (end < text.size()) cut += u'…';
    return cut;
}

inline QString Quoted(QStringView text) { return u'"' + Cut(text) + u'"'; }

// A name in the form the registries compare: A-label, lower case, no final dot. Text that is no name
// is only lower-cased, so two unreadable names still compare as text.
inline QString ComparableName(QStringView name) {
    QString text = name.trimmed().toString().toLower();
    while (text.endsWith(u'.')) text.chop(1);
    const QString ace = QString::fromLatin1(QUrl::toAce(text));
    return ace.isEmpty() ? text : ace.toLower();
}

// "Redemption Period", "redemption_period" and "redemptionPeriod" all read "redemptionperiod".
inline QString StatusKey(QStringView status) {
    QString key;
    key.reserve(status.size());
    for (const QChar c : status)
        if (c != u' ' && c != u'_' && c != u'-') key += c.toLower();
    return key;
}

struct StatusReading {
    Verdict verdict;
    QString status;  // the status that decided it, as given
};

// The verdict the statuses alone decide, if any. A pending delete mixed with a redemption period (or a
// pending restore) is still in redemption: that is how the registries mark the grace period, and only a
// pending delete standing alone is the last few days before the name drops. A reserved status comes
// first: such a name goes back to the registry, never to the public.
inline std::optional<StatusReading> ReadStatuses(const QStringList& statuses) {
    const QString* reserved = nullptr;
    const QString* grace = nullptr;
    const QString* deleting = nullptr;
    for (const QString& s : statuses) {
        const QString key = StatusKey(s);
        if (!reserved && key.contains(u"reserved")) reserved = &s;
        if (!grace && (key == u"redemptionperiod" || key == u"pendingrestore")) grace = &s;
        if (!deleting && key == u"pendingdelete") deleting = &s;
    }
    if (reserved) return StatusReading{Verdict::Reserved, *reserved};
    if (grace) return StatusReading{Verdict::Redemption, *grace};
    if (deleting) return StatusReading{Verdict::PendingDelete, *deleting};
    return std::nullopt;
}

}  // namespace ds::checks::registry::detail
