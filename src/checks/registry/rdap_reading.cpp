#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include "checks/registry/reading_support.h"
#include "checks/registry/registry_answer.h"

namespace ds::checks::registry {
namespace {

using detail::Cut;
using detail::Quoted;

// "application/rdap+json; charset=utf-8" -> "application/rdap+json".
QString MediaType(const QByteArray& contentType) {
    const qsizetype semicolon = contentType.indexOf(';');
    return Cut(QString::fromLatin1(semicolon < 0 ? contentType : contentType.left(semicolon)).toLower());
}

bool IsJsonMediaType(const QString& type) {
    return type == u"application/rdap+json" || type == u"application/json";
}

// The first byte that is not white space, -1 for a blank body.
int FirstVisible(const QByteArray& body) {
    for (const char c : body)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return static_cast<unsigned char>(c);
    return -1;
}

struct Parsed {
    QJsonObject object;
    bool isObject = false;
    QString error;  // empty when the body is JSON
};

Parsed Parse(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return {{}, false, Cut(error.errorString()) + u" at offset " + QString::number(error.offset)};
    return {doc.object(), doc.isObject(), {}};
}

// An RDAP error object's first description line, which is often the only readable word on a refusal.
QString ServerWords(const QJsonObject& object) {
    const QJsonValue description = object.value(u"description");
    const QJsonValue first = description.isArray() ? description.toArray().at(0) : description;
    return first.isString() ? Cut(first.toString()) : QString();
}

RegistryAnswer Unknown(QString reason, bool pushBack = false) {
    RegistryAnswer a;
    a.reason = std::move(reason);
    a.pushBack = pushBack;
    return a;
}

bool HasRole(const QJsonObject& entity, QStringView role) {
    for (const QJsonValue r : entity.value(u"roles").toArray())
        if (r.toString().compare(role, Qt::CaseInsensitive) == 0) return true;
    return false;
}

// The registrar's name from its jCard: ["vcard", [["fn", {}, "text", "Example Registrar"], …]].
QString FormattedName(const QJsonObject& entity) {
    const QJsonArray card = entity.value(u"vcardArray").toArray();
    for (const QJsonValue property : card.at(1).toArray()) {
        const QJsonArray p = property.toArray();
        if (p.at(0).toString().compare(u"fn", Qt::CaseInsensitive) == 0 && p.at(3).isString()) {
            const QString name = p.at(3).toString().trimmed();
            if (!name.isEmpty()) return Cut(name);
        }
    }
    return {};
}

// Registries that redact the registrar's card still give its IANA id or handle.
QString RegistrarOf(const QJsonObject& domain) {
    for (const QJsonValue e : domain.value(u"entities").toArray()) {
        const QJsonObject entity = e.toObject();
        if (!HasRole(entity, u"registrar")) continue;
        if (QString name = FormattedName(entity); !name.isEmpty()) return name;
        for (const QJsonValue id : entity.value(u"publicIds").toArray()) {
            const QString identifier = id.toObject().value(u"identifier").toString().trimmed();
            if (identifier.isEmpty()) continue;
            const QString type = id.toObject().value(u"type").toString().trimmed();
            return Cut(type.isEmpty() ? identifier : type + u' ' + identifier);
        }
        if (const QString handle = entity.value(u"handle").toString().trimmed(); !handle.isEmpty())
            return Cut(handle);
    }
    return {};
}

void ReadEvents(const QJsonObject& domain, RegistryAnswer& a) {
    for (const QJsonValue e : domain.value(u"events").toArray()) {
        const QJsonObject event = e.toObject();
        const QString action = event.value(u"eventAction").toString().toLower();
        const QString date = Cut(event.value(u"eventDate").toString());
        QString* slot = action == u"registration" ? &a.created
                        : action == u"expiration" ? &a.expires
                        : action == u"deletion"   ? &a.deleted
                                                  : nullptr;
        if (slot && slot->isEmpty()) *slot = date;
    }
}

RegistryAnswer ReadDomain(const QJsonObject& object, const QString& domain) {
    const QString ldhName = object.value(u"ldhName").toString();
    if (!ldhName.isEmpty() && !domain.isEmpty() &&
        detail::ComparableName(ldhName) != detail::ComparableName(domain))
        return Unknown(u"RDAP answer about another name: " + Cut(ldhName));

    RegistryAnswer a;
    for (const QJsonValue s : object.value(u"status").toArray()) {
        if (!s.isString()) continue;
        if (a.statuses.size() == detail::kStatusLimit) break;
        a.statuses << Cut(s.toString());
    }
    a.registrar = RegistrarOf(object);
    ReadEvents(object, a);

    const std::optional<detail::StatusReading> status = detail::ReadStatuses(a.statuses);
    a.verdict = status ? status->verdict : Verdict::Registered;
    a.record = a.verdict != Verdict::Reserved;
    switch (a.verdict) {
    case Verdict::Reserved: a.reason = u"RDAP 200: status " + Quoted(status->status); break;
    case Verdict::Redemption: a.reason = u"RDAP 200: record in status " + Quoted(status->status); break;
    case Verdict::PendingDelete:
        a.reason = u"RDAP 200: record in status " + Quoted(status->status) +
                   (a.deleted.isEmpty() ? QString() : u", deletion " + a.deleted);
        break;
    default:
        a.reason = u"RDAP 200: registration record" +
                   (a.registrar.isEmpty() ? QString() : u" with registrar " + a.registrar);
        if (!a.statuses.isEmpty()) a.reason += u", status " + Cut(a.statuses.join(u", "));
        break;
    }
    return a;
}

}  // namespace

QString VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Available: return QStringLiteral("available");
    case Verdict::Registered: return QStringLiteral("registered");
    case Verdict::Redemption: return QStringLiteral("redemption");
    case Verdict::PendingDelete: return QStringLiteral("pending-delete");
    case Verdict::Reserved: return QStringLiteral("reserved");
    case Verdict::Unknown: break;
    }
    return QStringLiteral("unknown");
}

RegistryAnswer ReadRdapAnswer(int httpStatus, const QByteArray& contentType, const QByteArray& body,
                              const QString& domain) {
    const QString status = u"RDAP " + QString::number(httpStatus);
    if (httpStatus == 200) {
        const Parsed p = Parse(body);
        if (!p.error.isEmpty()) return Unknown(status + u" with a body that is not JSON: " + p.error);
        if (!p.isObject) return Unknown(status + u" with JSON that is not an object: not an RDAP answer");
        const QJsonValue className = p.object.value(u"objectClassName");
        if (!className.isString()) return Unknown(status + u" without objectClassName: not an RDAP answer");
        if (className.toString().compare(u"domain", Qt::CaseInsensitive) != 0)
            return Unknown(status + u" with objectClassName " + Quoted(className.toString()) + u", not a domain");
        return ReadDomain(p.object, domain);
    }

    // Only parsed when the answer might be an RDAP error object: a big proxy page is not worth it.
    const QString type = MediaType(contentType);
    const bool jsonType = IsJsonMediaType(type);
    const int first = FirstVisible(body);
    const Parsed p = jsonType || first == '{' ? Parse(body) : Parsed{};
    const QString words = p.isObject ? ServerWords(p.object) : QString();
    const QString said = words.isEmpty() ? QString() : u" (the server says " + Quoted(words) + u')';

    if (httpStatus == 404) {
        // A 404 is only the registry's word when it comes as RDAP: a proxy or a web server in front of
        // it answers 404 for a wrong path too. A page under a JSON type that does not parse is such a
        // page mislabelled; an empty body under an RDAP type is the registry's terse 404.
        if (!p.isObject && !(jsonType && first < 0))
            return Unknown(status + u" that is not an RDAP answer (" +
                           (type.isEmpty() ? QStringLiteral("no Content-Type") : type) + u')');
        RegistryAnswer a;
        a.verdict = Verdict::Available;
        a.reason = status + u": no such domain" + said;
        return a;
    }
    if (httpStatus == 429) return Unknown(status + u": the server asks to slow down" + said, true);
    if (httpStatus == 503) return Unknown(status + u": the server is unavailable for now" + said, true);
    if (httpStatus <= 0) return Unknown(QStringLiteral("RDAP: no answer"));
    if (httpStatus >= 300 && httpStatus < 400)
        return Unknown(status + u": a redirect that was not followed" + said);
    return Unknown(status + u": an answer that says nothing about the name" + said);
}

}  // namespace ds::checks::registry
