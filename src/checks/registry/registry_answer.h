#pragma once
// What a registry said about one domain, read from its RDAP answer (JSON) or its port-43 whois text:
// one verdict, the facts behind it and a reason a person can read. Values in, values out; no network.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ds::checks::registry {

enum class Verdict {
    Available,      // the registry has no such domain
    Registered,     // a registration record without a deletion status
    Redemption,     // registered, in its redemption period
    PendingDelete,  // registered, pending delete: it drops within days
    Reserved,       // reserved by the registry or not registrable
    Unknown,        // no answer that says any of the above (refusal, error, unreadable text)
};

// "available", "registered", "redemption", "pending-delete", "reserved", "unknown".
QString VerdictName(Verdict v);

struct RegistryAnswer {
    Verdict verdict = Verdict::Unknown;
    // Why, in words: "RDAP 404: no such domain", "whois: no-match line \"no matching record\"",
    // "RDAP 200 without objectClassName: not an RDAP answer".
    QString reason;
    // A registration record was read (RDAP 200 domain object, or whois registrar / date lines): the only
    // evidence a name may be called taken on.
    bool record = false;
    // The registry refused or throttled the question (429, 503, a query-limit line): ask again later.
    bool pushBack = false;
    QStringList statuses;  // as the registry gave them ("active", "redemption period", "pendingDelete")
    QString registrar;
    // Dates as the registry gave them (ISO 8601 for RDAP, the server's own form for whois).
    QString created, expires, deleted;
};

// An RDAP answer to GET <base>domain/<name> (`domain` in its A-label form, lower case). `contentType`
// is the answer's Content-Type header; a 404 counts as "no such domain" only when it is an RDAP answer
// (application/rdap+json or a JSON error body), never a proxy's HTML page. Bodies of any size and
// content are safe to pass.
RegistryAnswer ReadRdapAnswer(int httpStatus, const QByteArray& contentType, const QByteArray& body,
                              const QString& domain);

// A port-43 whois text (already decoded) from `server` ("whois.cnnic.cn") about `domain`.
RegistryAnswer ReadWhoisText(const QString& text, const QString& server, const QString& domain);

}  // namespace ds::checks::registry
