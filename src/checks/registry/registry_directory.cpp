#include "checks/registry/registry_directory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUrl>
#include <algorithm>

namespace ds::checks::registry {
namespace {

bool IsLdhLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-') return false;
    return std::all_of(label.begin(), label.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

// A TLD (or any name a table lists) as the registries key it: A-label, lower case, no dots at the
// ends. Empty when it is not a name.
QString NameKey(QStringView text) {
    QString name = text.trimmed().toString().toLower();
    while (name.startsWith(u'.')) name.remove(0, 1);
    while (name.endsWith(u'.')) name.chop(1);
    if (name.isEmpty() || name.size() > 253) return {};
    const QString ace = QString::fromLatin1(QUrl::toAce(name)).toLower();
    if (ace.isEmpty() || ace.size() > 253) return {};
    for (QStringView label : QStringView(ace).tokenize(u'.'))
        if (!IsLdhLabel(label)) return {};
    return ace;
}

// An http(s) address with a host, ending with '/'; empty for anything else.
QString BaseAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme != u"https" && scheme != u"http") return {};
    QString base = url.toString();
    if (!base.endsWith(u'/')) base += u'/';
    return base;
}

bool IsHttps(const QString& base) { return base.startsWith(u"https:"); }

void AddService(const QJsonArray& tlds, const QJsonArray& urls, RdapBootstrap& bootstrap) {
    QStringList bases;
    for (const QJsonValue u : urls) {
        const QString base = u.isString() ? BaseAddress(u.toString()) : QString();
        if (!base.isEmpty() && !bases.contains(base)) bases << base;
    }
    if (bases.isEmpty()) return;
    for (const QJsonValue t : tlds) {
        const QString tld = t.isString() ? NameKey(t.toString()) : QString();
        if (tld.isEmpty()) continue;
        // A TLD listed twice keeps every address, the first service's first.
        QStringList& list = bootstrap.bases[tld];
        for (const QString& base : bases)
            if (!list.contains(base)) list << base;
        std::stable_partition(list.begin(), list.end(), IsHttps);
    }
}

}  // namespace

std::optional<RdapBootstrap> ParseRdapBootstrap(const QByteArray& json, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<RdapBootstrap> {
        if (error) *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(u"not JSON: " + parseError.errorString() + u" at offset " + QString::number(parseError.offset));
    if (!doc.isObject()) return fail(QStringLiteral("not a JSON object"));
    const QJsonObject root = doc.object();
    const QJsonValue services = root.value(u"services");
    if (!services.isArray()) return fail(QStringLiteral("no \"services\" array"));

    RdapBootstrap bootstrap;
    bootstrap.publication = root.value(u"publication").toString();
    for (const QJsonValue s : services.toArray()) {
        const QJsonArray service = s.toArray();
        if (service.at(0).isArray() && service.at(1).isArray())
            AddService(service.at(0).toArray(), service.at(1).toArray(), bootstrap);
    }
    return bootstrap;
}

QHash<QString, WhoisServer> ParseWhoisServers(const QByteArray& text) {
    QHash<QString, WhoisServer> servers;
    const QString all = QString::fromUtf8(text);
    for (QStringView line : QStringView(all).tokenize(u'\n')) {
        // simplified() also turns tabs into the single separating space.
        const QString fields = line.toString().remove(QChar(0xfeff)).simplified();
        if (fields.isEmpty() || fields.startsWith(u'#')) continue;
        const QStringList words = fields.split(u' ');
        if (words.size() != 2) continue;
        const QString tld = NameKey(words[0]);
        if (tld.isEmpty()) continue;

        WhoisServer server;
        QString host = words[1];
        if (const qsizetype colon = host.lastIndexOf(u':'); colon >= 0) {
            bool ok = false;
            const QStringView digits = QStringView(host).mid(colon + 1);
            server.port = digits.size() <= 5 ? digits.toInt(&ok) : 0;
            if (!ok || server.port < 1 || server.port > 65535 || !digits.front().isDigit()) continue;
            host.truncate(colon);
        }
        server.host = NameKey(host);
        if (server.host.isEmpty()) continue;
        servers.insert(tld, server);
    }
    return servers;
}

}  // namespace ds::checks::registry
