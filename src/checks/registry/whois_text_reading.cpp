#include <QStringView>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "checks/registry/reading_support.h"
#include "checks/registry/registry_answer.h"

namespace ds::checks::registry {
namespace {

using detail::Cut;
using detail::Quoted;

enum class Says { NoMatch, Reserved, Throttled, Record };

// Lines that decide an answer on their own, matched anywhere in a line, ignoring case. A phrase that
// means something only on one registry's server is tied to it (a piece of the host name): "status:
// free" is DENIC's way of saying no match, and the same words elsewhere could be a field of a record.
struct Phrase {
    const char16_t* server;  // empty: any server
    const char16_t* phrase;
    Says says;
};
constexpr std::array<Phrase, 19> kPhrases = {{
    {u"", u"no match for", Says::NoMatch},
    {u"", u"not found", Says::NoMatch},  // "NOT FOUND", "Not found: x", "Domain not found."
    {u"", u"no data found", Says::NoMatch},
    {u"", u"no entries found", Says::NoMatch},
    {u"", u"the queried object does not exist", Says::NoMatch},
    {u"", u"no matching record", Says::NoMatch},  // CNNIC, and others
    {u"denic", u"status: free", Says::NoMatch},
    {u"whois.eu", u"status: available", Says::NoMatch},
    {u"nic.uk", u"has not been registered", Says::NoMatch},
    {u"dot.tk", u"domain name not known", Says::NoMatch},
    {u"", u"you want to register is reserved", Says::Reserved},  // CNNIC
    {u"", u"reserved domain name", Says::Reserved},
    {u"", u"not available for registration", Says::Reserved},
    {u"", u"queried interval is too short", Says::Throttled},
    {u"", u"limit exceeded", Says::Throttled},
    {u"", u"quota exceeded", Says::Throttled},
    {u"", u"您的查询过于频繁", Says::Throttled},
    {u"", u"查询过于频繁", Says::Throttled},
    // DENIC gives neither registrar nor dates to the public: "connect" is its word for a live name.
    {u"denic", u"status: connect", Says::Record},
}};

enum class Field { None, Status, Registrar, Created, Expires, Deleted, Name };

// "Key: value" lines, compared as whole keys so "Registrar WHOIS Server" is not a registrar. The
// Chinese keys are those of the .cn registrars' own servers.
struct Key {
    const char16_t* key;
    Field field;
};
constexpr std::array<Key, 33> kKeys = {{
    {u"domain status", Field::Status},
    {u"status", Field::Status},
    {u"state", Field::Status},
    {u"域名状态", Field::Status},
    {u"registrar", Field::Registrar},
    {u"sponsoring registrar", Field::Registrar},
    {u"registrar name", Field::Registrar},
    {u"注册商", Field::Registrar},
    {u"所属注册商", Field::Registrar},
    {u"creation date", Field::Created},
    {u"created", Field::Created},
    {u"created on", Field::Created},
    {u"registration time", Field::Created},
    {u"registration date", Field::Created},
    {u"registered on", Field::Created},
    {u"注册时间", Field::Created},
    {u"注册日期", Field::Created},
    {u"创建时间", Field::Created},
    {u"registry expiry date", Field::Expires},
    {u"expiration time", Field::Expires},
    {u"expiry date", Field::Expires},
    {u"expiration date", Field::Expires},
    {u"registrar registration expiration date", Field::Expires},
    {u"paid-till", Field::Expires},
    {u"expires", Field::Expires},
    {u"expires on", Field::Expires},
    {u"到期时间", Field::Expires},
    {u"过期时间", Field::Expires},
    {u"到期日期", Field::Expires},
    // The .ru family's day the name is released.
    {u"free-date", Field::Deleted},
    {u"domain name", Field::Name},
    {u"domain", Field::Name},
    {u"域名", Field::Name},
}};

// Longer text before a colon is a sentence, not a key.
constexpr qsizetype kLongestKey = 48;

struct Reading {
    RegistryAnswer answer;
    QString name;                          // the first domain-name line's value
    std::array<const Phrase*, 4> found{};  // the first phrase of each kind, by Says
    QString firstLine;
    bool recordLine = false;
};

const Phrase*& Found(Reading& r, Says says) { return r.found[static_cast<int>(says)]; }

std::optional<Field> FieldOf(QStringView key) {
    for (const Key& k : kKeys)
        if (key.compare(QStringView(k.key), Qt::CaseInsensitive) == 0) return k.field;
    return std::nullopt;
}

// "clientTransferProhibited https://icann.org/epp#clientTransferProhibited" -> "clientTransferProhibited";
// "REGISTERED, DELEGATED" -> two statuses; "redemption period" stays whole.
void AddStatuses(QStringView value, QStringList& statuses) {
    for (QStringView piece : value.tokenize(u',', Qt::SkipEmptyParts)) {
        for (const char16_t* tail : {u" http", u" ("}) {
            const qsizetype at = piece.indexOf(QStringView(tail), 0, Qt::CaseInsensitive);
            if (at >= 0) piece = piece.left(at);
        }
        piece = piece.trimmed();
        if (piece.isEmpty()) continue;
        if (statuses.size() == detail::kStatusLimit) return;
        statuses << Cut(piece);
    }
}

void Store(Field field, QStringView value, Reading& r) {
    RegistryAnswer& a = r.answer;
    const auto first = [&](QString& slot) {
        if (slot.isEmpty()) slot = Cut(value);
    };
    switch (field) {
    case Field::None: return;
    case Field::Status: AddStatuses(value, a.statuses); return;
    case Field::Registrar: first(a.registrar); break;
    case Field::Created: first(a.created); break;
    case Field::Expires: first(a.expires); break;
    case Field::Deleted: first(a.deleted); return;
    case Field::Name:
        // Only the name itself: some servers follow it with a remark.
        if (r.name.isEmpty()) r.name = Cut(value.left(value.indexOf(u' ')));
        return;
    }
    r.recordLine = true;
}

bool ServerMatches(const Phrase& p, const QString& server) {
    return p.server[0] == 0 || server.contains(QStringView(p.server), Qt::CaseInsensitive);
}

// Where a line's key ends: at its first colon, ASCII or the full-width one of Chinese texts (whose
// values, times of day, hold ASCII colons of their own).
qsizetype KeyEnd(QStringView line) {
    const qsizetype end = std::min(line.size(), kLongestKey + 1);
    for (qsizetype i = 0; i < end; ++i)
        if (line[i] == u':' || line[i] == u'：') return i;
    return -1;
}

void Read(const QString& text, const QString& server, Reading& r) {
    std::vector<const Phrase*> phrases;
    for (const Phrase& p : kPhrases)
        if (ServerMatches(p, server)) phrases.push_back(&p);
    // Nominet and EURid put a block's value on the lines below its key ("Registrar:\n    Name: X").
    Field pending = Field::None;
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty()) continue;
        if (r.firstLine.isEmpty()) r.firstLine = Cut(line);
        for (const Phrase* p : phrases) {
            const Phrase*& slot = Found(r, p->says);
            if (!slot && line.contains(QStringView(p->phrase), Qt::CaseInsensitive)) slot = p;
        }

        const qsizetype colon = KeyEnd(line);
        const QStringView key = colon < 0 ? QStringView() : line.left(colon).trimmed();
        const QStringView value = key.isEmpty() ? line : line.mid(colon + 1).trimmed();
        const std::optional<Field> field = key.isEmpty() ? std::nullopt : FieldOf(key);
        if (pending != Field::None) {
            const Field block = std::exchange(pending, Field::None);
            if (key.isEmpty()) {
                Store(block, line, r);
                continue;
            }
            if (key.compare(u"name", Qt::CaseInsensitive) == 0) {
                Store(block, value, r);
                continue;
            }
        }
        if (!field) continue;
        if (value.isEmpty()) {
            if (*field == Field::Registrar || *field == Field::Name) pending = *field;
            continue;
        }
        Store(*field, value, r);
    }
}

QString RecordWords(const RegistryAnswer& a) {
    if (!a.registrar.isEmpty()) return u"record with registrar " + a.registrar;
    if (!a.created.isEmpty()) return u"record created " + a.created;
    if (!a.expires.isEmpty()) return u"record expiring " + a.expires;
    return QStringLiteral("record");
}

}  // namespace

RegistryAnswer ReadWhoisText(const QString& text, const QString& server, const QString& domain) {
    Reading r;
    Read(text, server, r);
    RegistryAnswer& a = r.answer;
    const QString who = server.trimmed().isEmpty() ? QStringLiteral("whois: ") : u"whois " + Cut(server) + u": ";
    const auto phrase = [&](Says says) { return Quoted(QStringView(Found(r, says)->phrase)); };

    if (r.firstLine.isEmpty()) {
        a.reason = who + u"an empty answer";
        return a;
    }
    if (!r.name.isEmpty() && !domain.trimmed().isEmpty() &&
        detail::ComparableName(r.name) != detail::ComparableName(domain)) {
        RegistryAnswer other;
        other.reason = who + u"an answer about another name: " + r.name;
        return other;
    }
    const bool record = r.recordLine || Found(r, Says::Record);
    if (const std::optional<detail::StatusReading> status = detail::ReadStatuses(a.statuses)) {
        a.verdict = status->verdict;
        a.record = a.verdict != Verdict::Reserved;
        a.reason = who + u"status " + Quoted(status->status);
        return a;
    }
    if (record) {
        a.verdict = Verdict::Registered;
        a.record = true;
        a.reason = who + (r.recordLine ? RecordWords(a) : u"record line " + phrase(Says::Record));
        // Registrars' servers wrap a record in notices that may say "not found" about something else.
        if (Found(r, Says::NoMatch))
            a.reason += u"; the no-match line " + phrase(Says::NoMatch) + u" is outweighed by the record";
        return a;
    }
    if (Found(r, Says::Throttled)) {
        a.pushBack = true;
        a.reason = who + u"the server asks to slow down (" + phrase(Says::Throttled) + u')';
        return a;
    }
    // A name that cannot be registered is never available, whatever else the text says.
    if (Found(r, Says::Reserved)) {
        a.verdict = Verdict::Reserved;
        a.reason = who + u"reserved line " + phrase(Says::Reserved);
        return a;
    }
    if (Found(r, Says::NoMatch)) {
        a.verdict = Verdict::Available;
        a.reason = who + u"no-match line " + phrase(Says::NoMatch);
        return a;
    }
    a.reason = who + u"a text neither list knows (" + r.firstLine + u')';
    return a;
}

}  // namespace ds::checks::registry
