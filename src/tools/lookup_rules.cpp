#include "tools/lookup_rules.h"

#include <algorithm>

#include <cmath>

namespace ds::tools {

QString LookupDomain(const QString& typed) {
    QString d = typed;
    d.remove(u' ');
    d = d.toLower();
    d.remove(QStringLiteral("http://"));
    d.remove(QStringLiteral("www."));
    return d;
}

bool HasDotAfterFirst(const QString& text) { return text.indexOf(u'.') >= 1; }

QStringList PastedDomains(const QString& text) {
    QString all = text;
    all.remove(u' ');
    QStringList names;
    for (QString piece : all.split(u'\n')) {
        piece.remove(u'\r');
        if (piece.contains(u'.')) names << piece;
    }
    return names;
}

int TwipsToPixels(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

QString IpLookupDomain(const QString& typed) {
    QString d = typed;
    d.remove(u' ');
    return d.toLower();
}

QStringList OwnAddressValues(const QString& page) {
    const QStringList pieces = page.split(QStringLiteral("<b>"));
    if (pieces.size() - 1 <= 2 || !page.contains(u"</b>")) return {};
    QStringList values;
    for (int k = 1; k <= 5 && k < pieces.size(); ++k) values << pieces[k].section(QStringLiteral("</b>"), 0, 0);
    return values;
}

int ResultPageMarkers(const QString& lowerCasedFirstPage) {
    return static_cast<int>(lowerCasedFirstPage.count(QStringLiteral("first=")));
}

int FirstParameter(int i) { return 10 * i + 1; }

QStringList CiteHosts(const QString& page) {
    if (page.indexOf(u"<cite>") < 1) return {};
    const QStringList pieces = page.split(QStringLiteral("<cite>"));
    QStringList hosts;
    for (qsizetype j = 1; j < pieces.size(); ++j) {
        QString host = pieces[j].section(u'/', 0, 0);
        host.remove(u'<');
        host.remove(u' ');
        if (HasDotAfterFirst(host)) hosts << host;
    }
    return hosts;
}

LocationAnswer ReadLocationPage(const QString& page, const QString& flagBase, const QString& adminContact) {
    const QString marker = QStringLiteral(R"(<table class="table">)");
    const qsizetype at = page.indexOf(marker);
    if (at < 0) {
        if (page.contains(u"Your daily quota exceed"))
            return {LocationAnswer::QuotaExceeded, QString::fromUtf16(kQuotaText)};
        return {LocationAnswer::NoData, QString::fromUtf16(kNoDataText) + adminContact};
    }
    QString table = page.mid(at + marker.size());
    const qsizetype end = table.indexOf(u"</table>");
    if (end >= 0) table.truncate(end);
    const std::pair<QString, QString> replacements[] = {
        {QStringLiteral(R"(img src="/images/flags/)"), u"img src=\"" + flagBase + u"/images/flags/"},
        {QStringLiteral("IP Address:"), QStringLiteral("IP地址:")},
        {QStringLiteral("<b>Location</b>"), QStringLiteral("<b>所在地址</b>")},
        {QStringLiteral("<b>Latitude, Longitude</b>"), QStringLiteral("<b>经纬度</b>")},
        {QStringLiteral("<b>Connection through</b>"), QStringLiteral("<b>网络</b>")},
        {QStringLiteral("<b>Local Time</b>"), QStringLiteral("<b>服务器时间</b>")},
        {QStringLiteral("<b>Domain</b>"), QStringLiteral("<b>网络商主页</b>")},
        {QStringLiteral("<b>IDD Code</b>"), QStringLiteral("<b>国家区号</b>")},
        {QStringLiteral("<b>ZIP Code</b>"), QStringLiteral("<b>邮编</b>")},
    };
    for (const auto& [find, replace] : replacements) table.replace(find, replace, Qt::CaseSensitive);
    return {LocationAnswer::Table,
            QStringLiteral("<table border='1' width=100% cellspacing='0' cellpadding='3'  bordercolor='#56B0F4' "
                           "bordercolordark='#FFFFFF' >") +
                table};
}

}  // namespace ds::tools

namespace ds::tools {

QRect PasteBoxGeometry(const QRect& area, double dpi) {
    const int width = std::min(TwipsToPixels(3375, dpi), area.width());
    // The list runs down the right edge; on a short screen it stops at the bottom of the work area.
    const int height = std::max(1, std::min(TwipsToPixels(9285, dpi), area.height() - TwipsToPixels(100, dpi)));
    // Measured from the free area alone, and kept inside it on both axes, so the title bar and 关闭 are
    // never off the screen.
    const int x = std::clamp(area.left() + area.width() - TwipsToPixels(3500, dpi), area.left(),
                             std::max(area.left(), area.left() + area.width() - width));
    const int y = std::clamp(area.top() + TwipsToPixels(100, dpi), area.top(),
                             std::max(area.top(), area.top() + area.height() - height));
    return {x, y, width, height};
}

}  // namespace ds::tools
