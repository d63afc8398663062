#include "app/demo_pages.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>

#include "app/demo_registry_pages.h"
#include "startup/demo_setup.h"

namespace ds::demo {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }

// A fraction in [0, 1) for a name and a purpose.
double Fraction(const QString& domain, QStringView salt) {
    return double(NameHash(domain, salt) >> 11) / double(std::uint64_t(1) << 53);
}

// True for a share of `perMille` names in a thousand, drawn with `salt`.
bool InShare(const QString& domain, QStringView salt, int perMille) {
    return int(NameHash(domain, salt) % 1000) < perMille;
}

// Counts and ranks spread over orders of magnitude, as real ones do.
qint64 LogUniform(double fraction, double low, double high) {
    return qint64(std::llround(std::exp(std::log(low) + fraction * (std::log(high) - std::log(low)))));
}

// "1234567" -> "1,234,567", the way the search pages print counts.
QString Grouped(qint64 n) {
    QString digits = QString::number(n);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u',');
    return digits;
}

QString Escaped(const QString& domain) { return domain.toHtmlEscaped(); }

// The registry data of a registered name: a summary in Chinese, then the registry's own lines, the way
// whois sites show them. None of it may contain a phrase the registration check reads as free,
// undetermined or failed ("available", "not found", "timeout", ...).
QString RegisteredWhois(const QString& domain) {
    struct Registrar {
        const char16_t* name;
        const char* server;  // fictional hosts under .example (RFC 2606)
        int ianaId;
    };
    static const std::array<Registrar, 5> registrars = {{
        {u"示例网络科技有限公司", "whois.shili-net.example", 1556},
        {u"华域数码信息技术有限公司", "whois.huayu-digital.example", 1621},
        {u"Example Registrar, Inc.", "whois.example-registrar.example", 468},
        {u"东方域名服务股份有限公司", "whois.dongfang-names.example", 1915},
        {u"Northwind Names Ltd.", "whois.northwind-names.example", 2487},
    }};
    static const std::array<const char16_t*, 4> statuses = {
        u"clientTransferProhibited", u"ok", u"clientDeleteProhibited clientUpdateProhibited",
        u"serverTransferProhibited"};
    static const std::array<const char16_t*, 5> holders = {
        u"深圳市星河贸易有限公司", u"杭州云帆网络科技有限公司", u"北京华信文化传播有限公司",
        u"上海明远信息技术有限公司", u"REDACTED FOR PRIVACY"};
    static const std::array<const char16_t*, 4> provinces = {u"Guangdong", u"Zhejiang", u"Beijing", u"Shanghai"};
    const std::uint64_t h = NameHash(domain, u"whois-data");
    const QDate created = QDate(2003, 1, 1).addDays(qint64(h % 6500));
    const QDate expires = created.addYears(int(20 + (h >> 20) % 5));
    // The last renewal, which lies in the past even for a name registered far ahead.
    const QDate updated = std::min(expires.addYears(-1), QDate(2025, 12, 1)).addDays(-qint64((h >> 28) % 120));
    const Registrar& registrar = registrars[(h >> 8) % registrars.size()];
    const QString registrarName = S(registrar.name);
    const QString status = S(statuses[(h >> 16) % statuses.size()]);
    const QString holder = S(holders[(h >> 32) % holders.size()]);
    const QString upper = domain.toUpper();
    const QString d = Escaped(domain);
    auto isoTime = [](const QDate& day) -> QString { return day.toString(Qt::ISODate) + u"T08:00:00Z"; };
    auto chineseDay = [](const QDate& day) -> QString { return day.toString(u"yyyy年MM月dd日"); };
    QString statusLines, statusCells;
    for (const QString& one : status.split(u' ')) {
        statusLines += u"Domain Status: " + one + u" https://icann.org/epp#" + one + u'\n';
        statusCells += (statusCells.isEmpty() ? QString() : QStringLiteral("<br>")) + one;
    }
    return u"<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>Whois 查询 - " + d + u"</title></head><body>\n"
           u"<h2>Whois results for " + d + u"</h2>\n"
           u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">\n"
           u"<tr><td>域名</td><td>" + d + u"</td></tr>\n"
           u"<tr><td>注册商</td><td>" + Escaped(registrarName) + u"</td></tr>\n"
           u"<tr><td>注册人</td><td>" + Escaped(holder) + u"</td></tr>\n"
           u"<tr><td>注册日期</td><td>" + chineseDay(created) + u"</td></tr>\n"
           u"<tr><td>到期日期</td><td>" + chineseDay(expires) + u"</td></tr>\n"
           u"<tr><td>域名状态</td><td>" + statusCells + u"</td></tr>\n"
           u"<tr><td>DNS 服务器</td><td>NS1.DNS-PARK.NET<br>NS2.DNS-PARK.NET</td></tr>\n"
           u"</table>\n<h3>原始信息</h3>\n<pre>\n"
           u"Domain Name: " + Escaped(upper) + u"\n"
           u"Registry Domain ID: " + QString::number(h % 9000000000ULL + 1000000000ULL) + u"_DOMAIN\n"
           u"Registrar WHOIS Server: " + QLatin1String(registrar.server) + u"\n"
           u"Updated Date: " + isoTime(updated) + u"\n"
           u"Creation Date: " + isoTime(created) + u"\n"
           u"Registry Expiry Date: " + isoTime(expires) + u"\n"
           u"Registrar: " + Escaped(registrarName) + u"\n"
           u"Registrar IANA ID: " + QString::number(registrar.ianaId) + u"\n" + statusLines +
           u"Registrant Organization: " + Escaped(holder) + u"\n"
           u"Registrant State/Province: " + S(provinces[(h >> 40) % provinces.size()]) + u"\n"
           u"Registrant Country: CN\n"
           u"Name Server: NS1.DNS-PARK.NET\nName Server: NS2.DNS-PARK.NET\nDNSSEC: unsigned\n"
           u"</pre>\n<p>域名 " + d + u" 已被注册。</p>\n</body></html>\n";
}

QString FreeWhois(const QString& domain) {
    const QString d = Escaped(domain);
    return u"<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>Whois 查询 - " + d + u"</title></head><body>\n"
           u"<pre>No match for \"" + Escaped(domain.toUpper()) + u"\".\n"
           u"&gt;&gt;&gt; Last update of whois database: 2026-01-01T00:00:00Z &lt;&lt;&lt;</pre>\n"
           u"<p>域名 " + d + u" 尚未注册，现在即可注册。</p>\n</body></html>\n";
}

QString NotAvailableWhois(const QString& domain) {
    const QString d = Escaped(domain);
    return u"<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>Whois 查询 - " + d + u"</title></head><body>\n"
           u"<h2>Whois results for " + d + u"</h2>\n"
           u"<p>Registry data for this domain is not available at the moment.</p>\n"
           u"<p>注册局暂不提供该域名的信息。</p>\n</body></html>\n";
}

// What nginx in front of a whois service says when the service behind it has gone: the page reads
// "not found", and only the status tells it from the registry's own "not found".
QString NginxNotFoundPage() {
    return QStringLiteral(
        "<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
        "<center><h1>404 Not Found</h1></center>\r\n<hr><center>nginx/1.22.1</center>\r\n</body>\r\n</html>\r\n");
}

// Carries "results for" and "domain" and no phrase of the outcome lists, so it reads as registered;
// but it shows no registrar and no dates, which is what keeps a check from writing anything back.
QString QueryLimitWhois(const QString& domain) {
    const QString d = Escaped(domain);
    return u"<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>Whois 查询 - " + d + u"</title></head><body>\n"
           u"<pre>Whois results for domain " + d + u": query limit exceeded, try again later</pre>\n"
           u"<p>您的查询过于频繁，请稍后再试。</p>\n</body></html>\n";
}

QString BaiduPage(const QString& query, const QString& domain, const QString& countLine) {
    const QString q = Escaped(query + u':' + domain);
    return u"<!DOCTYPE html>\n<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>" + q + u"_百度搜索</title></head>\n<body>\n"
           u"<div id=\"head\"><a href=\"/\">百度首页</a> | <a href=\"/more/\">更多产品</a></div>\n" +
           countLine +
           u"\n<table class=\"result\"><tr><td><h3><a href=\"http://" + Escaped(domain) + u"/\">" + Escaped(domain) +
           u" - 首页</a></h3><font size=\"-1\">欢迎访问本站。</font></td></tr></table>\n</body></html>\n";
}

QString NothingFound(const QString& query, const QString& domain) {
    return u"<div class=\"nors\">抱歉，没有找到与“" + Escaped(query + u':' + domain) + u"”相关的网页。</div>";
}

// The rest of a "site:" page after a count element whose layout changed: the marker, then scripts and
// result markup for kilobytes, none of it "个".
QString RawTextAfterMarker(const QString& domain) {
    const QString d = Escaped(domain);
    QString text = u"<span class=\"nums_text\">（统计中）</span></div>\n<script>var bds={se:{},su:{urdata:[]},"
                   u"comm:{ishome:0,query:\"site:" + d + u"\",qid:\"" +
                   QString::number(NameHash(domain, u"baidu-qid"), 16) + u"\",resultPage:1}};\n";
    for (int i = 1; i <= 40; ++i)
        text += u"bds.su.urdata.push({n:" + QString::number(i) + u",u:\"http://" + d + u"/page/" +
                QString::number(i * 7) + u".html\",t:\"" + d + u" 第" + QString::number(i) +
                u"页 - 站内文章\",f:\"rsv_bp=0&rsv_spt=3&oq=site%3A" + d + u"\"});\n";
    return text + u"</script>";
}

QString TooManyRequestsPage() {
    return QStringLiteral(
        "<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
        "<title>429 Too Many Requests</title></head>\n<body><center><h1>429 Too Many Requests</h1></center>\n"
        "<p>请求过于频繁，请稍后再试。</p></body></html>\n");
}

}  // namespace

std::uint64_t NameHash(const QString& domain, QStringView salt) {
    // FNV-1a, 64 bits: stable across runs, builds and machines (std::hash and qHash are not).
    std::uint64_t h = 1469598103934665603ULL;
    auto mix = [&h](const QByteArray& bytes) {
        for (const char c : bytes) {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ULL;
        }
    };
    mix(salt.toUtf8());
    mix(QByteArrayLiteral("|"));
    mix(domain.trimmed().toLower().toUtf8());
    // A final avalanche so that neighbouring names spread over the whole range.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

// The number at the end of each hostile kind's salt was picked so that the first page of both default
// searches of the default demo database shows rows of that kind (and no trickling row, which would
// hold a check for its whole deadline); the demo_pages test checks this on a freshly generated file.
WhoisKind WhoisKindFor(const QString& domain) {
    if (InShare(domain, u"whois-trickle-282", kWhoisTricklePerMille)) return WhoisKind::Trickle;
    if (InShare(domain, u"whois-error-page-282", kWhoisErrorPagePerMille)) return WhoisKind::ErrorPage;
    if (InShare(domain, u"whois-query-limit-282", kWhoisQueryLimitPerMille)) return WhoisKind::QueryLimit;
    return RegistryWhoisKindFor(domain);
}

WhoisKind RegistryWhoisKindFor(const QString& domain) {
    const std::uint64_t bucket = NameHash(domain, u"whois-page") % 100;
    if (bucket < 62) return WhoisKind::Registered;
    if (bucket < 92) return WhoisKind::Free;
    return WhoisKind::NotAvailable;
}

QString WhoisPage(const QString& domain) {
    switch (WhoisKindFor(domain)) {
    case WhoisKind::Registered:
    case WhoisKind::Trickle: return RegisteredWhois(domain);
    case WhoisKind::Free: return FreeWhois(domain);
    case WhoisKind::NotAvailable: return NotAvailableWhois(domain);
    case WhoisKind::ErrorPage: return NginxNotFoundPage();
    case WhoisKind::QueryLimit: return QueryLimitWhois(domain);
    }
    return {};
}

ServiceAnswer WhoisAnswer(const QString& domain) {
    const WhoisKind kind = WhoisKindFor(domain);
    ServiceAnswer a;
    a.body = WhoisPage(domain);
    a.status = kind == WhoisKind::ErrorPage ? 404 : 200;
    a.trickle = kind == WhoisKind::Trickle;
    // An error page comes from the proxy at once; the others take the service's time.
    a.delayMs = kind == WhoisKind::ErrorPage ? 0 : AnswerDelayMs(domain, u"whois");
    return a;
}

qint64 BaiduSiteCount(const QString& domain) {
    const double f = Fraction(domain, u"baidu-site");
    return f < 0.15 ? 0 : LogUniform((f - 0.15) / 0.85, 1, 60000);
}

qint64 BaiduDomainCount(const QString& domain) {
    const double f = Fraction(domain, u"baidu-domain");
    return f < 0.10 ? 0 : LogUniform((f - 0.10) / 0.90, 3, 250000);
}

bool BaiduSiteShowsRawText(const QString& domain) {
    return InShare(domain, u"baidu-site-raw-14", kBaiduSiteRawTextPerMille);
}

QString BaiduSitePage(const QString& domain) {
    if (BaiduSiteShowsRawText(domain))
        return BaiduPage(QStringLiteral("site"), domain,
                         u"<div class=\"nums\">找到相关结果数" + RawTextAfterMarker(domain));
    const qint64 n = BaiduSiteCount(domain);
    const QString line = n == 0 ? NothingFound(QStringLiteral("site"), domain)
                                : u"<div class=\"nums\">该网站共有 " + Grouped(n) +
                                      u" 个网页被百度收录 找到相关结果数" + Grouped(n) + u"个</div>";
    return BaiduPage(QStringLiteral("site"), domain, line);
}

QString BaiduDomainPage(const QString& domain) {
    const qint64 n = BaiduDomainCount(domain);
    const QString line = n == 0 ? NothingFound(QStringLiteral("domain"), domain)
                                : u"<div class=\"nums\">百度为您找到相关结果约" + Grouped(n) + u"个</div>";
    return BaiduPage(QStringLiteral("domain"), domain, line);
}

QString BaiduRefusalPage() {
    return QStringLiteral(
        "<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
        "<title>百度--您的访问出错了</title></head>\n<body><p>您的访问出错了，请稍后再试。</p></body></html>\n");
}

QString BaiduTooManyRequestsPage() { return TooManyRequestsPage(); }

QString BaiduCaptchaPage(const QString& domain) {
    const QString token = QString::number(NameHash(domain, u"baidu-captcha-token"), 16);
    return u"<!DOCTYPE html>\n<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>百度安全验证</title></head>\n<body>\n<div class=\"vcode-body\">\n"
           u"<p class=\"vcode-title\">百度安全验证</p>\n<p>网络环境存在异常，请输入验证码后继续访问。</p>\n"
           u"<form action=\"/sec/verify\" method=\"post\">\n"
           u"<input type=\"hidden\" name=\"ds\" value=\"" + token + u"\">\n"
           u"<img src=\"/sec/captcha?ds=" + token + u"\" alt=\"验证码\">\n"
           u"<input type=\"text\" name=\"captcha\" class=\"vcode-input\" maxlength=\"4\" autocomplete=\"off\">\n"
           u"<button type=\"submit\">提交</button>\n</form>\n</div>\n</body></html>\n";
}

bool BaiduBlocked(const QString& domain) { return InShare(domain, u"baidu-blocked-52", kBaiduBlockedPerMille); }

BaiduRefusal DirectBaiduRefusalFor(const QString& domain, QStringView query) {
    if (BaiduBlocked(domain)) return BaiduRefusal::Captcha;
    const QString q = query.toString();
    if (InShare(domain, QString(u"baidu-429-" + q + u"-10"), kBaiduTooManyRequestsPerMille))
        return BaiduRefusal::TooManyRequests;
    if (InShare(domain, QString(u"baidu-captcha-" + q + u"-10"), kBaiduCaptchaPerMille)) return BaiduRefusal::Captcha;
    if (InShare(domain, QString(u"baidu-refuse-" + q), kBaiduAccessErrorPerMille)) return BaiduRefusal::AccessError;
    return BaiduRefusal::None;
}

ServiceAnswer DirectBaiduAnswer(const QString& domain, QStringView query) {
    ServiceAnswer a;
    switch (DirectBaiduRefusalFor(domain, query)) {
    case BaiduRefusal::AccessError: a.body = BaiduRefusalPage(); return a;
    case BaiduRefusal::TooManyRequests:
        a.status = 429;
        a.body = BaiduTooManyRequestsPage();
        return a;
    case BaiduRefusal::Captcha: a.body = BaiduCaptchaPage(domain); return a;
    case BaiduRefusal::None: break;
    }
    a.body = query == u"site" ? BaiduSitePage(domain) : BaiduDomainPage(domain);
    a.delayMs = AnswerDelayMs(domain, u"baidu");
    return a;
}

qint64 AlexaRankFor(const QString& domain) {
    const double f = Fraction(domain, u"alexa");
    return f < 0.25 ? 0 : LogUniform((f - 0.25) / 0.75, 3000, 9000000);
}

QString AlexaAnswer(const QString& domain) {
    const qint64 rank = AlexaRankFor(domain);
    const QString d = Escaped(domain);
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<ALEXA VER=\"0.9\" URL=\"" + d +
                  u"/\" HOME=\"0\" AID=\"=\" IDN=\"" + d + u"/\">\n";
    if (rank > 0) {
        const qint64 delta = qint64(NameHash(domain, u"alexa-delta") % 20001) - 10000;
        xml += u"<SD><POPULARITY URL=\"" + d + u"/\" TEXT=\"" + QString::number(rank) +
               u"\" SOURCE=\"panel\"/><REACH RANK=\"" + QString::number(rank) + u"\"/><RANK DELTA=\"" +
               (delta >= 0 ? QStringLiteral("+") : QString()) + QString::number(delta) + u"\"/></SD>\n";
    }
    return xml + u"</ALEXA>\n";
}

int PageRankFor(const QString& domain) {
    // Most old names carry a low PageRank; a few carry a high one.
    static constexpr std::array<int, 20> spread = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 4, 4, 5, 5, 6, 7};
    return spread[NameHash(domain, u"pagerank") % spread.size()];
}

QString ChecksumFor(const QString& domain) {
    const std::uint64_t digits = NameHash(domain, u"checksum") % 10000000000ULL;
    return QStringLiteral("8") + QString::number(digits).rightJustified(10, u'0');
}

QString PageRankAnswer(const QString& domain) { return u"Rank_1:1:" + QString::number(PageRankFor(domain)) + u'\n'; }

QString ToolbarAnswer(const QString& domain, const QString& checksum) {
    if (checksum.trimmed() == ChecksumFor(domain)) return PageRankAnswer(domain);
    return QStringLiteral(
        "<!DOCTYPE html>\n<html lang=en><meta charset=utf-8><title>Error 403 (Forbidden)!!1</title>\n"
        "<p><b>403.</b> <ins>That's an error.</ins>\n"
        "<p>Your client does not have permission to get URL <code>/tbr</code> from this server.\n");
}

QString RelayAnswer(const QString& script, const QString& domain) {
    const bool baidu = script == u"baidusite.php" || script == u"baidudomain.php";
    if (baidu && BaiduBlocked(domain)) return QStringLiteral("wrong");
    if (script == u"baidusite.php") return BaiduSitePage(domain);
    if (script == u"baidudomain.php") return BaiduDomainPage(domain);
    if (script == u"ale.php") return AlexaAnswer(domain);
    if (script == u"pr.php") return PageRankAnswer(domain);
    return QStringLiteral("wrong");
}

ServiceAnswer RelayServiceAnswer(const QString& script, const QString& domain) {
    ServiceAnswer a;
    a.body = RelayAnswer(script, domain);
    if (a.body != u"wrong") a.delayMs = AnswerDelayMs(domain, script);
    return a;
}

QString HostileAnswersFor(const QString& domain) {
    QStringList words;
    switch (WhoisKindFor(domain)) {
    case WhoisKind::ErrorPage: words << QStringLiteral("whois-404"); break;
    case WhoisKind::QueryLimit: words << QStringLiteral("whois-query-limit"); break;
    case WhoisKind::Trickle: words << QStringLiteral("whois-trickle"); break;
    default: break;
    }
    if (BaiduBlocked(domain)) {
        words << QStringLiteral("baidu-blocked");
    } else {
        for (const QString& query : {QStringLiteral("site"), QStringLiteral("domain")}) {
            const BaiduRefusal r = DirectBaiduRefusalFor(domain, query);
            if (r == BaiduRefusal::TooManyRequests) words << u"baidu-" + query + u"-429";
            if (r == BaiduRefusal::Captcha) words << u"baidu-" + query + u"-captcha";
        }
    }
    if (BaiduSiteShowsRawText(domain)) words << QStringLiteral("baidu-site-raw-text");
    if (RdapThrottlesFirstAsk(domain)) words << QStringLiteral("rdap-429-once");
    return words.join(u' ');
}

QString AddressAnswer(const QString& databasePath) {
    return u"ok|data|" + startup::DemoPayload(databasePath) + u"|data|";
}

int AnswerDelayMs(const QString& domain, QStringView service) {
    return 20 + int(NameHash(domain, QString(u"delay-" + service.toString())) % 41);
}

}  // namespace ds::demo
