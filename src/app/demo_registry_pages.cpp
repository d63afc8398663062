#include "app/demo_registry_pages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>
#include <array>

#include "app/demo_pages.h"

namespace ds::demo {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

QString AceName(const QString& unicode) {
    const QByteArray ace = QUrl::toAce(unicode);
    return ace.isEmpty() ? unicode : QString::fromLatin1(ace);
}

QString Tld(const QString& name) { return name.section(u'.', -1); }

// The dates of a registration, in the registry's phase for `kind`.
struct Registration {
    QDate created, expires, changed, deletion;  // deletion only when pending delete
    int secondOfDay = 0;                        // the registration's time of day, kept in every event
};

Registration RegistrationFor(const QString& domain, RegistryKind kind, const QDate& today) {
    const std::uint64_t h = NameHash(domain, u"registry-data");
    Registration r;
    r.secondOfDay = int((h >> 40) % 86400);
    const int years = 1 + int((h >> 8) % 9);
    switch (kind) {
    case RegistryKind::Active:
        r.expires = today.addDays(20 + qint64((h >> 16) % 700));
        r.created = QDate(2003, 1, 1).addDays(qint64(h % 6500));
        if (r.created >= today) r.created = today.addYears(-years);
        r.changed = today.addDays(-1 - qint64((h >> 24) % 200));
        if (r.changed < r.created) r.changed = r.created;
        break;
    case RegistryKind::Redemption:
        // Auto-renew grace has run out; the redemption period began about a month after expiry.
        r.expires = today.addDays(-35 - qint64((h >> 16) % 30));
        r.created = r.expires.addYears(-years);
        r.changed = r.expires.addDays(30);
        break;
    case RegistryKind::PendingDelete:
        r.deletion = today.addDays(1 + qint64((h >> 16) % 5));
        r.expires = r.deletion.addDays(-80);
        r.created = r.expires.addYears(-years);
        r.changed = r.deletion.addDays(-5);
        break;
    case RegistryKind::Available:
    case RegistryKind::Reserved: break;
    }
    return r;
}

QString IsoTime(const QDate& day, int secondOfDay) {
    return day.toString(Qt::ISODate) + u'T' + QTime(0, 0).addSecs(secondOfDay).toString(u"HH:mm:ss") + u'Z';
}

QJsonObject Event(const char* action, const QDate& day, int secondOfDay) {
    return {{QStringLiteral("eventAction"), QLatin1String(action)},
            {QStringLiteral("eventDate"), IsoTime(day, secondOfDay)}};
}

QJsonArray Strings(std::initializer_list<QString> items) {
    QJsonArray a;
    for (const QString& s : items) a.append(s);
    return a;
}

QJsonObject Registrar() {
    const QJsonArray vcard = {
        QStringLiteral("vcard"),
        QJsonArray{QJsonArray{QStringLiteral("version"), QJsonObject(), QStringLiteral("text"), QStringLiteral("4.0")},
                   QJsonArray{QStringLiteral("fn"), QJsonObject(), QStringLiteral("text"), S(u"演示注册商 Demo Registrar")}}};
    return {{QStringLiteral("objectClassName"), QStringLiteral("entity")},
            {QStringLiteral("handle"), QStringLiteral("9999")},
            {QStringLiteral("roles"), Strings({QStringLiteral("registrar")})},
            {QStringLiteral("publicIds"),
             QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("IANA Registrar ID")},
                                    {QStringLiteral("identifier"), QStringLiteral("9999")}}}},
            {QStringLiteral("vcardArray"), vcard}};
}

QJsonArray Nameservers() {
    QJsonArray a;
    for (const char* ns : {"ns1.demo-dns.example", "ns2.demo-dns.example"})
        a.append(QJsonObject{{QStringLiteral("objectClassName"), QStringLiteral("nameserver")},
                             {QStringLiteral("ldhName"), QLatin1String(ns)}});
    return a;
}

QByteArray Json(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QJsonArray Conformance() { return Strings({QStringLiteral("rdap_level_0")}); }

QJsonObject DomainObject(const QString& domain, RegistryKind kind, const QDate& today) {
    const QString ace = AceName(domain);
    const std::uint64_t h = NameHash(domain, u"registry-data");
    QJsonObject o{{QStringLiteral("rdapConformance"), Conformance()},
                  {QStringLiteral("objectClassName"), QStringLiteral("domain")},
                  {QStringLiteral("handle"), QStringLiteral("%1_DOMAIN_%2-DEMO")
                                                 .arg(h % 9000000000ULL + 1000000000ULL)
                                                 .arg(Tld(ace).toUpper())},
                  {QStringLiteral("ldhName"), ace}};
    if (ace != domain) o.insert(QStringLiteral("unicodeName"), domain);

    const Registration r = RegistrationFor(domain, kind, today);
    QJsonArray events;
    QJsonArray status;
    switch (kind) {
    case RegistryKind::Active:
        status = Strings({(h >> 4) % 2 ? QStringLiteral("client transfer prohibited") : QStringLiteral("active")});
        break;
    case RegistryKind::Redemption: status = Strings({QStringLiteral("redemption period")}); break;
    case RegistryKind::PendingDelete: status = Strings({QStringLiteral("pending delete")}); break;
    case RegistryKind::Reserved:
        status = Strings({QStringLiteral("server hold"), QStringLiteral("reserved")});
        break;
    case RegistryKind::Available: break;
    }
    o.insert(QStringLiteral("status"), status);
    if (kind == RegistryKind::Reserved) {
        o.insert(QStringLiteral("remarks"),
                 QJsonArray{QJsonObject{{QStringLiteral("title"), QStringLiteral("Reserved name")},
                                        {QStringLiteral("description"),
                                         Strings({QStringLiteral("This name is reserved by the registry and is not "
                                                                 "available for registration.")})}}});
    } else {
        events.append(Event("registration", r.created, r.secondOfDay));
        events.append(Event("expiration", r.expires, r.secondOfDay));
        events.append(Event("last changed", r.changed, r.secondOfDay));
        if (r.deletion.isValid()) events.append(Event("deletion", r.deletion, r.secondOfDay));
        o.insert(QStringLiteral("entities"), QJsonArray{Registrar()});
        o.insert(QStringLiteral("nameservers"), Nameservers());
        o.insert(QStringLiteral("secureDNS"), QJsonObject{{QStringLiteral("delegationSigned"), false}});
    }
    events.append(Event("last update of RDAP database", today, 0));
    o.insert(QStringLiteral("events"), events);
    o.insert(QStringLiteral("notices"),
             QJsonArray{QJsonObject{{QStringLiteral("title"), QStringLiteral("Demo data")},
                                    {QStringLiteral("description"),
                                     Strings({S(u"演示数据：本答复由 dropscout_demo_services 生成，并非真实注册局的记录。")})}}});
    return o;
}

// CNNIC writes times as "2015-03-11 10:23:45", Beijing time, without a zone.
QString CnnicTime(const QDate& day, int secondOfDay) {
    return day.toString(Qt::ISODate) + u' ' + QTime(0, 0).addSecs(secondOfDay).toString(u"HH:mm:ss");
}

}  // namespace

QString RegistryDomain(const QString& asked) {
    QString n = asked.trimmed().toLower();
    while (n.endsWith(u'.')) n.chop(1);
    if (n.contains(u"xn--")) {
        const QString unicode = QUrl::fromAce(n.toLatin1());
        if (!unicode.isEmpty()) n = unicode;
    }
    return n;
}

RegistryKind RegistryKindFor(const QString& domain) {
    switch (RegistryWhoisKindFor(domain)) {
    case WhoisKind::Free: return RegistryKind::Available;
    case WhoisKind::NotAvailable: return RegistryKind::Reserved;
    default: break;
    }
    const std::uint64_t phase = NameHash(domain, u"registry-phase") % 100;
    if (phase < 60) return RegistryKind::Active;
    return phase < 80 ? RegistryKind::Redemption : RegistryKind::PendingDelete;
}

bool RdapThrottlesFirstAsk(const QString& domain) {
    // The number in the salt was picked so that the first page of both default searches of the default
    // demo database holds a throttled name the RDAP server is asked about (not a .cn one).
    return int(NameHash(domain, u"rdap-429-45") % 1000) < kRdapThrottledPerMille;
}

RdapReply RdapErrorReply(int status, const QString& title, const QString& description) {
    return {status, Json({{QStringLiteral("rdapConformance"), Conformance()},
                          {QStringLiteral("errorCode"), status},
                          {QStringLiteral("title"), title},
                          {QStringLiteral("description"), Strings({description})}})};
}

RdapReply RdapDomainReply(const QString& name, const QDate& today) {
    const QString domain = RegistryDomain(name);
    if (!domain.contains(u'.') || domain.startsWith(u'.') || domain.contains(u".."))
        return RdapErrorReply(400, QStringLiteral("Bad Request"), QStringLiteral("Not a domain name: ") + name);
    const RegistryKind kind = RegistryKindFor(domain);
    if (kind == RegistryKind::Available)
        return RdapErrorReply(404, QStringLiteral("Not Found"), QStringLiteral("The domain was not found"));
    return {200, Json(DomainObject(domain, kind, today))};
}

QByteArray CnnicWhoisText(const QString& query, const QDate& today) {
    const QString domain = RegistryDomain(query);
    const RegistryKind kind = domain.isEmpty() ? RegistryKind::Available : RegistryKindFor(domain);
    if (kind == RegistryKind::Available) return QByteArrayLiteral("No matching record.\n");
    if (kind == RegistryKind::Reserved) return QByteArrayLiteral("the domain you want to register is reserved.\n");

    static const std::array<const char16_t*, 4> registrars = {u"北京演示数码科技有限公司", u"杭州示例网络有限公司",
                                                              u"厦门样例域名服务有限公司", u"成都演示信息技术有限公司"};
    static const std::array<const char16_t*, 5> registrants = {u"深圳市星河贸易有限公司", u"杭州云帆网络科技有限公司",
                                                               u"北京华信文化传播有限公司", u"上海明远信息技术有限公司",
                                                               u"王伟"};
    const std::uint64_t h = NameHash(domain, u"registry-data");
    const Registration r = RegistrationFor(domain, kind, today);
    const char* status = kind == RegistryKind::Redemption      ? "redemptionPeriod"
                         : kind == RegistryKind::PendingDelete ? "pendingDelete"
                         : (h >> 4) % 2                        ? "clientTransferProhibited"
                                                               : "ok";
    const QString text =
        u"Domain Name: " + domain + u"\n"
        u"ROID: " + r.created.toString(u"yyyyMMdd") + u"s10001s" + QString::number(h % 90000000 + 10000000) + u"-cn\n"
        u"Domain Status: " + QLatin1String(status) + u"\n"
        u"Registrant: " + S(registrants[(h >> 12) % registrants.size()]) + u"\n"
        u"Registrant Contact Email: hostmaster@demo-registrant.example\n"
        u"Sponsoring Registrar: " + S(registrars[(h >> 20) % registrars.size()]) + u"\n"
        u"Name Server: dns1.demo-dns.example\n"
        u"Name Server: dns2.demo-dns.example\n"
        u"Registration Time: " + CnnicTime(r.created, r.secondOfDay) + u"\n"
        u"Expiration Time: " + CnnicTime(r.expires, r.secondOfDay) + u"\n"
        u"DNSSEC: unsigned\n";
    return text.toUtf8();
}

}  // namespace ds::demo
