#include "startup/remote_settings.h"

namespace ds::startup {

const std::array<SettingsColumn, 24> kSettingsColumns{{
    {"lver_domain", "lver", true},
    {"ldownurl_domain", "ldownurl", true},
    {"ldomainurl", "ldomainurl", true},
    {"lqqimg", "lqqimg", true},
    {"lqqurl", "lqqurl", true},
    {"ltaobaoimg", "ltaobaoimg", true},
    {"ltaobaourl", "ltaobaourl", true},
    {"lbuyurl", "lbuyurl", true},
    {"llinkurl", "llinkurl", true},
    {"lwhoisurl", "lwhoisurl", true},
    {"lipurl", "lipurl", true},
    {"lipmessurl", "lipmessurl", true},
    {"lbaktext", "lbaktext", true},
    {"lmailurl", "lmailurl", true},
    {"lmail", "lemail", false},
    {"lhomeurl", "lhomeurl", false},
    {"lqq", "lqq", false},
    {"ltaobao", "ltaobao", false},
    {"lbbsurl", "lbbsurl", false},
    {"lgbookurl", "lgbookurl", false},
    {"lchaturl", "lchaturl", false},
    {"lweburl_domain", "lweburl", false},
    {"lblogurl", "lblogurl", false},
    {"lseolist", "lweblist", false},
}};

QStringList SettingsLabelNames() {
    QStringList names;
    for (const SettingsColumn& c : kSettingsColumns)
        if (c.holderLabel) names << QString::fromLatin1(c.target);
    names << QStringLiteral("ldataurl");
    return names;
}

QString VersionCaption(const QString& versionText) {
    return QStringLiteral("<TextBlock>Version <Run FontWeight='Bold' Foreground='blue'>") + versionText.toHtmlEscaped() +
           QStringLiteral("</Run></TextBlock>");
}

QString UpgradeCaption(const QString& versionText) {
    return QStringLiteral("<TextBlock>升级到 <Run FontWeight='Bold' Foreground='blue'>V") + versionText.toHtmlEscaped() +
           QStringLiteral("版</Run></TextBlock>");
}

}  // namespace ds::startup
