#include "checks/verdict.h"

#include <QJsonArray>
#include <QStringList>
#include <QUrl>

namespace ds::checks {
namespace {

using engine::JobEnd;

bool IsLdh(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'; }

}  // namespace

std::optional<QString> DomainKey(const QString& name) {
    QString n = name;
    if (n.endsWith(u'.')) n.chop(1);
    if (n.isEmpty() || n.size() > 253) return std::nullopt;
    for (QChar c : n)
        if (c.unicode() < 0x80 && !IsLdh(c) && c != u'.') return std::nullopt;
    // Non-ASCII names are judged in the form the registries hold them in.
    const QString ace = QString::fromLatin1(QUrl::toAce(n, QUrl::AceTransitionalProcessing));
    if (ace.isEmpty() || ace.size() > 253) return std::nullopt;
    const QStringList labels = ace.split(u'.');
    if (labels.size() < 2) return std::nullopt;
    for (const QString& label : labels) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-')) return std::nullopt;
        for (QChar c : label)
            if (!IsLdh(c)) return std::nullopt;
    }
    bool allDigits = true;
    for (QChar c : labels.last()) allDigits = allDigits && c.isDigit();
    if (allDigits) return std::nullopt;
    return ace;
}

Verdict RegistrationVerdict(const engine::CheckResult& r) {
    const QString reason = r.reason;
    switch (r.end) {
    case JobEnd::Stopped: return {QStringLiteral("unknown"), reason.isEmpty() ? QStringLiteral("stopped") : reason};
    case JobEnd::RateLimited:
    case JobEnd::Failed: return {QStringLiteral("unknown"), reason};
    case JobEnd::Answered: break;
    }
    if (r.registry) return {registry::VerdictName(r.registry->verdict), reason};
    switch (r.regOutcome) {
    case RegOutcome::Free: return {QStringLiteral("available"), reason};
    case RegOutcome::Registered:
        if (r.registrationRecord) return {QStringLiteral("registered"), reason};
        if (reason.contains(u"no registration record")) return {QStringLiteral("unknown"), reason};
        return {QStringLiteral("unknown"), reason + QStringLiteral(", no registration record shown")};
    case RegOutcome::Undetermined: return {QStringLiteral("unknown"), reason};
    case RegOutcome::Failed: return {QStringLiteral("unknown"), reason};
    }
    return {QStringLiteral("unknown"), reason};
}

RegOutcome OutcomeOf(registry::Verdict verdict) {
    switch (verdict) {
    case registry::Verdict::Available: return RegOutcome::Free;
    case registry::Verdict::Registered:
    case registry::Verdict::Redemption:
    case registry::Verdict::PendingDelete: return RegOutcome::Registered;
    case registry::Verdict::Reserved: return RegOutcome::Undetermined;
    case registry::Verdict::Unknown: return RegOutcome::Failed;
    }
    return RegOutcome::Failed;
}

QJsonObject RegistrationValues(const engine::CheckResult& r) {
    QJsonObject v{{QStringLiteral("registration_record"), r.registrationRecord},
                  {QStringLiteral("host"), r.host},
                  {QStringLiteral("elapsed_ms"), r.elapsedMs}};
    if (!r.source.isEmpty()) v.insert(QStringLiteral("answered_by"), r.source);
    if (const auto& a = r.registry) {
        v.insert(QStringLiteral("registry"), true);
        if (!a->statuses.isEmpty()) v.insert(QStringLiteral("statuses"), QJsonArray::fromStringList(a->statuses));
        const std::pair<const char*, QString> facts[] = {
            {"registrar", a->registrar}, {"created", a->created}, {"expires", a->expires}, {"deleted", a->deleted}};
        for (const auto& [key, value] : facts)
            if (!value.isEmpty()) v.insert(QLatin1String(key), value);
    }
    return v;
}

std::optional<registry::RegistryAnswer> RegistryFactsOf(const QJsonObject& v, const QString& verdict) {
    static const registry::Verdict kinds[] = {registry::Verdict::Available, registry::Verdict::Registered,
                                              registry::Verdict::Redemption, registry::Verdict::PendingDelete,
                                              registry::Verdict::Reserved, registry::Verdict::Unknown};
    if (!v.value(QStringLiteral("registry")).toBool()) return std::nullopt;
    registry::RegistryAnswer a;
    for (registry::Verdict kind : kinds)
        if (registry::VerdictName(kind) == verdict) a.verdict = kind;
    a.record = v.value(QStringLiteral("registration_record")).toBool();
    for (const QJsonValue& s : v.value(QStringLiteral("statuses")).toArray()) a.statuses << s.toString();
    a.registrar = v.value(QStringLiteral("registrar")).toString();
    a.created = v.value(QStringLiteral("created")).toString();
    a.expires = v.value(QStringLiteral("expires")).toString();
    a.deleted = v.value(QStringLiteral("deleted")).toString();
    return a;
}

QJsonObject FilingValues(const QStringList& v) {
    QJsonObject values{{QStringLiteral("filed"), !v.isEmpty()}};
    if (v.size() == 4) {
        values.insert(QStringLiteral("number"), v[0]);
        values.insert(QStringLiteral("holder_kind"), v[1]);
        values.insert(QStringLiteral("date"), v[2]);
        values.insert(QStringLiteral("site_name"), v[3]);
    }
    return values;
}

namespace {

QString VerdictWords(registry::Verdict v) {
    switch (v) {
    case registry::Verdict::Available: return QStringLiteral("未注册（注册局无此域名）");
    case registry::Verdict::Registered: return QStringLiteral("已注册");
    case registry::Verdict::Redemption: return QStringLiteral("已注册，赎回期");
    case registry::Verdict::PendingDelete: return QStringLiteral("已注册，待删除");
    case registry::Verdict::Reserved: return QStringLiteral("保留或不可注册");
    case registry::Verdict::Unknown: return QStringLiteral("未得到结果");
    }
    return {};
}

// "2026-12-14T10:00:00Z" as "2026-12-14"; anything else as given.
QString DateOf(const QString& text) {
    const QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd")) : text.left(40);
}

}  // namespace

bool IsDropping(const engine::CheckResult& r) {
    return r.registry && r.end == JobEnd::Answered &&
           (r.registry->verdict == registry::Verdict::Redemption ||
            r.registry->verdict == registry::Verdict::PendingDelete);
}

QString RegistrationTip(const engine::CheckResult& r, const QDateTime& at) {
    const QString when = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!r.registry) return r.reason + u" · " + when;
    const registry::RegistryAnswer& a = *r.registry;
    QStringList lines;
    QString head = r.end == JobEnd::Answered ? VerdictWords(a.verdict) : VerdictWords(registry::Verdict::Unknown);
    if (a.verdict == registry::Verdict::PendingDelete && !a.deleted.isEmpty())
        head += u"，预计 " + DateOf(a.deleted) + u" 删除";
    lines << head;
    QString from = r.source.isEmpty() ? QStringLiteral("注册局") : r.source;
    if (r.httpStatus > 0) from += u" · HTTP " + QString::number(r.httpStatus);
    lines << u"来源：" + from;
    if (!a.statuses.isEmpty()) lines << u"状态：" + a.statuses.join(QStringLiteral(", ")).left(300);
    if (!a.registrar.isEmpty()) lines << u"注册商：" + a.registrar.left(120);
    QStringList dates;
    if (!a.created.isEmpty()) dates << u"注册 " + DateOf(a.created);
    if (!a.expires.isEmpty()) dates << u"到期 " + DateOf(a.expires);
    if (!a.deleted.isEmpty()) dates << u"删除 " + DateOf(a.deleted);
    if (!dates.isEmpty()) lines << dates.join(QStringLiteral(" · "));
    lines << r.reason.left(300);
    lines << u"查询时间：" + when;
    return lines.join(u'\n');
}

}  // namespace ds::checks
