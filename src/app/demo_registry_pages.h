#pragma once
// The registries' own answers in the demo: the domain objects of an RDAP server (RFC 9083) and the
// texts of CNNIC's port-43 whois. A name's verdict follows what the demo's whois page says of it
// (registered, free, not available), so both sources of the registration check agree on a name; the
// registry tells more about a registered one: active, in its redemption period or pending delete.
// Dates are counted from `today`, so a name pending delete always drops within days.
#include <QByteArray>
#include <QDate>
#include <QString>

namespace ds::demo {

// The name asked about as the demo database writes it: lower case, Unicode, no final dot. The route
// asks for A-labels while the database holds 张伟.cn; both must come to the same answers.
QString RegistryDomain(const QString& asked);

enum class RegistryKind { Available, Active, Redemption, PendingDelete, Reserved };
RegistryKind RegistryKindFor(const QString& domain);

// The RDAP server answers a share of names 429 (Retry-After) the first time it is asked about them,
// as a registry does to a client that asks too fast; asked again, it answers.
inline constexpr int kRdapThrottledPerMille = 60;
inline constexpr int kRdapRetryAfterSeconds = 2;
bool RdapThrottlesFirstAsk(const QString& domain);

inline constexpr const char* kRdapContentType = "application/rdap+json";

struct RdapReply {
    int status = 200;
    QByteArray body;  // JSON, UTF-8
};

// GET /domain/<name>: `name` as the path gave it (an A-label or Unicode, any case).
RdapReply RdapDomainReply(const QString& name, const QDate& today);
// An RFC 9083 error answer: {"errorCode":…,"title":…,"description":[…]}.
RdapReply RdapErrorReply(int status, const QString& title, const QString& description);

// CNNIC's answer to a port-43 query line (a domain name), UTF-8: "No matching record.", the reserved
// notice or a registration record.
QByteArray CnnicWhoisText(const QString& query, const QDate& today);

}  // namespace ds::demo
