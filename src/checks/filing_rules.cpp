#include "checks/filing_rules.h"

#include "core/text.h"

namespace ds::checks {

std::optional<QString> FilingLookupKey(const QString& domainCell) {
    QString name = domainCell.toLower();
    name.remove(QStringLiteral("http://"));
    name.remove(QStringLiteral("https://"));
    name.remove(u' ');
    // Lists copied from a browser bring the address's closing slash with them.
    if (name.endsWith(u'/')) name.chop(1);
    // ".com" or "abc" cannot be a filed site; neither is asked about.
    if (name.indexOf(u'.') < 1) return std::nullopt;
    if (name.startsWith(u"www.")) name.remove(0, 4);
    name.remove(u'|');
    return name;
}

QString FilingStatement(const QString& key) {
    return u"select * from ldomainback where lallname='" + SqlEscape(key) + u'\'';
}

}  // namespace ds::checks
