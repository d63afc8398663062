#include "tools/ping_rules.h"

#include <QStringList>

namespace ds::tools {

namespace {

QString Head(const QString& text, qsizetype n) { return text.left(n).trimmed().toLower(); }

}  // namespace

NormalisedAddress NormaliseAddress(const QString& address) {
    const QString head4 = Head(address, 4);
    if (head4 == u"www.") return {address, true};
    if (head4 != u"http") return {address, false};

    const QString rest = address.mid(7).trimmed();
    if (Head(address, 11) == u"http://www.") return {rest, true};
    return {QStringLiteral("www.") + rest, true};
}

QString HostNameToResolve(const QString& hostName) {
    if (Head(hostName, 4) == u"www.") return hostName;
    return NormaliseAddress(hostName).address;
}

quint32 AddressValue(const QString& dotted) {
    // Splitting the empty text gives no parts at all, not one empty part.
    if (dotted.isEmpty()) return 0;
    const QStringList parts = dotted.split(u'.');
    if (parts.size() >= 5)
        throw AddressError(QStringLiteral("the address has more than four parts: %1").arg(dotted).toStdString());
    if (parts.size() != 4) return 0;

    quint32 value = 0;
    for (qsizetype i = parts.size() - 1; i >= 0; --i) {
        bool ok = false;
        const qint32 n = parts[i].trimmed().toInt(&ok, 10);
        if (!ok) {
            throw AddressError(
                QStringLiteral("the address part \"%1\" is not a number: %2").arg(parts[i], dotted).toStdString());
        }
        value = (value << 8) | (static_cast<quint32>(n) & 0xFFu);
    }
    return value;
}

}  // namespace ds::tools
