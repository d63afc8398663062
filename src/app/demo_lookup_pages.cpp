#include "app/demo_lookup_pages.h"

#include <QBuffer>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QUrl>
#include <array>
#include <cmath>
#include <vector>

#include "app/demo_pages.h"

namespace ds::demo {
namespace {

QString S(const char16_t* text) { return QString::fromUtf16(text); }
QString L(const char* text) { return QString::fromLatin1(text); }

// Where an address is, as the location service writes it.
struct Place {
    const char* location;
    const char* country;  // flag picture
    const char* latLong;
    const char* isp;
    const char* domain;
    const char* idd;
    const char* zip;
    const char* utc;
};

constexpr std::array<Place, 7> kPlaces = {{
    {"China, Guangdong, Shenzhen", "cn", "22.545540, 114.068298", "China Telecom Guangdong", "chinatelecom.com.cn",
     "(86) 0755", "518000", "+08:00"},
    {"China, Zhejiang, Hangzhou", "cn", "30.293650, 120.161420", "Hangzhou Alibaba Advertising Co., Ltd.",
     "aliyun.com", "(86) 0571", "310000", "+08:00"},
    {"China, Beijing, Beijing", "cn", "39.907501, 116.397232", "China Unicom Beijing Province Network",
     "chinaunicom.com", "(86) 010", "100000", "+08:00"},
    {"Hong Kong, Hong Kong, Hong Kong", "hk", "22.285521, 114.157692", "HKT Limited", "hkt.com", "(852)", "-",
     "+08:00"},
    {"China, Shanghai, Shanghai", "cn", "31.222219, 121.458061", "China Telecom Shanghai", "chinatelecom.com.cn",
     "(86) 021", "200000", "+08:00"},
    {"China, Jiangsu, Nanjing", "cn", "32.061668, 118.777779", "China Mobile Communications Corporation",
     "chinamobile.com", "(86) 025", "210000", "+08:00"},
    {"United States, California, Los Angeles", "us", "34.052231, -118.243683", "Cloud Innovation Ltd", "-",
     "(1) 213", "90001", "-07:00"},
}};

// The shared addresses in order; the last one's location is refused with the quota page, the others
// stand in the first places of kPlaces.
constexpr std::array<const char*, 5> kShared = {"203.0.113.18", "203.0.113.75", "198.51.100.42", "198.51.100.156",
                                                "192.0.2.88"};
constexpr int kQuotaShared = 4;
// Which shared address a domain lands on, by tenths: the refusing one takes a tenth.
constexpr std::array<int, 10> kAddressShare = {0, 0, 0, 1, 1, 2, 2, 3, 3, 4};

int SharedIndex(const QString& address) {
    for (size_t i = 0; i < kShared.size(); ++i)
        if (address == QLatin1String(kShared[i])) return int(i);
    return -1;
}

// A made-up site name: two syllables, sometimes a tail, and an extension.
QString MadeUpName(const QString& address, int k) {
    static constexpr std::array<const char*, 24> syllables = {
        "jin", "hua",  "tian", "long", "xin", "mei", "feng", "yun", "bao",  "kang", "sheng", "da",
        "hai", "shan", "le",   "an",   "rui", "fu",  "hong", "ming", "jia", "yi",   "tong",  "chang"};
    static constexpr std::array<const char*, 16> tails = {"",    "",    "",     "",     "88",   "168", "365",  "8",
                                                          "51",  "360", "web",  "net",  "shop", "tech", "home", "china"};
    static constexpr std::array<const char*, 6> extensions = {".com", ".com", ".cn", ".net", ".com.cn", ".cc"};
    const std::uint64_t h = NameHash(address + u'#' + QString::number(k), u"ip-name");
    return L(syllables[h % syllables.size()]) + L(syllables[(h >> 8) % syllables.size()]) +
           L(tails[(h >> 16) % tails.size()]) + L(extensions[(h >> 24) % extensions.size()]);
}

// How the search engine writes a name: a third of them with "www.".
QString Written(const QString& name) {
    return NameHash(name, u"ip-name-www") % 3 == 0 ? u"www." + name : name;
}

// The names living on each shared address (bare, without "www."), unique across all of them.
const std::vector<QStringList>& Pools() {
    static const std::vector<QStringList> pools = [] {
        std::vector<QStringList> out;
        QSet<QString> taken;
        for (const char* shared : kShared) {
            const QString address = L(shared);
            const int size = (FurtherResultPages(address) + 1) * kResultsPerPage / 2;
            QStringList pool;
            for (int k = 0; pool.size() < size; ++k) {
                const QString name = MadeUpName(address, k);
                if (taken.contains(name)) continue;
                taken.insert(name);
                pool << name;
            }
            out.push_back(pool);
        }
        return out;
    }();
    return pools;
}

QString PathFor(std::uint64_t h) {
    static constexpr std::array<const char*, 6> paths = {"/", "/index.html", "/news/", "/about.html",
                                                         "/product/list.html", "/cn/"};
    return L(paths[h % paths.size()]);
}

QString ResultItem(const QString& cite) {
    // The address the entry links to: the cite's own when it carries a scheme.
    const QString target = cite.contains(u"://") ? cite : u"http://" + cite;
    QString host = cite.section(QStringLiteral("://"), -1).section(u'/', 0, 0);
    if (host.startsWith(u"www.")) host = host.mid(4);
    static const std::array<const char16_t*, 6> titles = {u"首页", u"官方网站", u"欢迎光临", u"企业门户",
                                                          u"在线商城", u"新闻中心"};
    const QString title = host + u" - " + S(titles[NameHash(host, u"ip-title") % titles.size()]);
    return u"<li class=\"b_algo\"><h2><a href=\"" + target.toHtmlEscaped() + u"\" h=\"ID=SERP\">" +
           title.toHtmlEscaped() + u"</a></h2><div class=\"b_caption\"><div class=\"b_attribution\"><cite>" +
           cite.toHtmlEscaped() + u"</cite></div><p>" + host.toHtmlEscaped() +
           u" 提供产品展示、行业资讯与联系方式，欢迎访问。</p></div></li>\n";
}

// The links to the result pages; each carries "first=", which is what the window counts.
QString Pagination(const QString& address, int current, int further) {
    const QString query = u"/search?q=ip%3a" + QString::fromLatin1(QUrl::toPercentEncoding(address));
    QString nav = QStringLiteral("<nav><ul class=\"sb_pagF\">");
    for (int page = 0; page <= further; ++page) {
        if (page == current) {
            nav += u"<li><span class=\"sb_pagS\">" + QString::number(page + 1) + u"</span></li>";
        } else {
            const QString href = page == 0 ? query : query + u"&amp;first=" + QString::number(page * 10 + 1);
            nav += u"<li><a href=\"" + href + u"&amp;FORM=PERE\">" + QString::number(page + 1) + u"</a></li>";
        }
    }
    if (current < further)
        nav += u"<li><a title=\"下一页\" href=\"" + query + u"&amp;first=" + QString::number((current + 1) * 10 + 1) +
               u"&amp;FORM=PORE\">下一页</a></li>";
    return nav + u"</ul></nav>\n";
}

QString SearchFrame(const QString& address, const QString& content) {
    const QString q = QString(u"ip:" + address).toHtmlEscaped();
    return u"<!DOCTYPE html>\n<html lang=\"zh-cn\"><head><meta http-equiv=\"content-type\" "
           u"content=\"text/html;charset=gb2312\"><title>" + q + u" - 搜索</title></head>\n<body>\n"
           u"<div id=\"b_header\"><form action=\"/search\"><input name=\"q\" value=\"" + q + u"\"></form></div>\n"
           u"<div id=\"b_content\">\n" + content + u"</div>\n</body></html>\n";
}

QString LocalTime(const QString& address, const Place& place) {
    const std::uint64_t h = NameHash(address, u"ip-local-time");
    const int hour = int(h % 12) + 1;
    const int minute = int((h >> 8) % 60);
    return QStringLiteral("%1:%2 %3 (UTC %4)")
        .arg(hour, 2, 10, QChar(u'0'))
        .arg(minute, 2, 10, QChar(u'0'))
        .arg((h >> 16) % 2 ? u"PM" : u"AM")
        .arg(L(place.utc));
}

const Place& PlaceOf(const QString& address) {
    const int shared = SharedIndex(address);
    if (shared >= 0 && shared < int(kPlaces.size()) && shared != kQuotaShared) return kPlaces[size_t(shared)];
    return kPlaces[NameHash(address, u"ip-place") % kPlaces.size()];
}

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void Star(QPainter& p, QPointF centre, double radius, const QColor& colour) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? radius * 0.382 : radius;
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const QPointF point(centre.x() + r * std::cos(angle), centre.y() + r * std::sin(angle));
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    p.fillPath(path, colour);
}

QMap<QString, QByteArray> MakeFlags() {
    constexpr int w = 24, h = 16;
    QMap<QString, QByteArray> flags;
    {
        QImage cn(w, h, QImage::Format_RGB32);
        cn.fill(QColor(0xDE, 0x29, 0x10));
        QPainter p(&cn);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor yellow(0xFF, 0xDE, 0x00);
        Star(p, {4.5, 4.5}, 3.2, yellow);
        for (const QPointF at : {QPointF(9, 1.8), QPointF(10.5, 3.6), QPointF(10.5, 6.2), QPointF(9, 8)})
            Star(p, at, 1.0, yellow);
        p.end();
        flags.insert(QStringLiteral("cn"), Png(cn));
    }
    {
        QImage hk(w, h, QImage::Format_RGB32);
        hk.fill(QColor(0xDE, 0x29, 0x10));
        QPainter p(&hk);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 5; ++i) {
            const double angle = -M_PI / 2 + i * 2 * M_PI / 5;
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(12 + 3 * std::cos(angle), 8 + 3 * std::sin(angle)), 2.0, 2.0);
        }
        p.end();
        flags.insert(QStringLiteral("hk"), Png(hk));
    }
    {
        QImage us(w, h, QImage::Format_RGB32);
        QPainter p(&us);
        for (int stripe = 0; stripe < 8; ++stripe)
            p.fillRect(0, stripe * 2, w, 2, stripe % 2 ? Qt::white : QColor(0xB2, 0x22, 0x34));
        p.fillRect(0, 0, 10, 8, QColor(0x3C, 0x3B, 0x6E));
        p.end();
        flags.insert(QStringLiteral("us"), Png(us));
    }
    return flags;
}

}  // namespace

const QStringList& SharedAddresses() {
    static const QStringList all = [] {
        QStringList list;
        for (const char* a : kShared) list << L(a);
        return list;
    }();
    return all;
}

// The number in the salt was picked so that the first row of the default filed search lives on an
// address the location service describes (the demo_services test checks this on a fresh database), so
// the first row a user hands to the window shows everything.
QString DemoAddressFor(const QString& domain) {
    return L(kShared[size_t(kAddressShare[NameHash(domain, u"demo-address-3") % kAddressShare.size()])]);
}

QStringList NamesOn(const QString& address) {
    const int shared = SharedIndex(address);
    if (shared < 0) return {};
    QStringList written;
    for (const QString& name : Pools()[size_t(shared)]) written << Written(name);
    return written;
}

int FurtherResultPages(const QString& address) {
    return SharedIndex(address) < 0 ? 0 : 3 + int(NameHash(address, u"ip-pages") % 3);
}

QStringList ResultCites(const QString& address) {
    const int shared = SharedIndex(address);
    if (shared < 0) return {};
    const QStringList living = NamesOn(address);
    const QStringList foreign = NamesOn(L(kShared[size_t(shared + 1) % kShared.size()]));
    const int entries = (FurtherResultPages(address) + 1) * kResultsPerPage;
    QStringList cites;
    qsizetype next = 0, nextForeign = 0;
    // In twentieths: a scheme entry and a repeat of a name already listed (only once there is one),
    // a name of the next shared address, and otherwise the next name of this one. The first page takes
    // its share too, though the window never reads it: names only it lists are not found, as with the
    // real search engine.
    for (int s = 0; s < entries; ++s) {
        const std::uint64_t h = NameHash(address, QString(u"ip-cite-" + QString::number(s)));
        const int kind = int(h % 20);
        const QString path = PathFor(h >> 8);
        const QString earlier = next > 0 ? living[qsizetype((h >> 16) % quint64(next))] : QString();
        if (next > 0 && kind < 2) {
            cites << u"http://" + earlier + path;
        } else if (next > 0 && kind < 5) {
            cites << earlier + path;
        } else if (kind < 7) {
            cites << foreign[nextForeign++ % foreign.size()] + path;
        } else if (next < living.size()) {
            cites << living[next++] + path;
        } else {
            cites << earlier + path;
        }
    }
    return cites;
}

QString ResultPage(const QString& address, int first) {
    const int further = FurtherResultPages(address);
    const int page = first <= 1 ? 0 : (first - 1) / kResultsPerPage;
    if (page > further || further == 0) {
        return SearchFrame(address, u"<ol id=\"b_results\"><li class=\"b_no\"><h1>没有找到与 <strong>" +
                                        QString(u"ip:" + address).toHtmlEscaped() + u"</strong> 相关的结果。</h1></li></ol>\n");
    }
    const QStringList cites = ResultCites(address);
    QString content = u"<span class=\"sb_count\">约 " + QString::number(cites.size()) + u" 条结果</span>\n"
                      u"<ol id=\"b_results\">\n";
    for (int i = page * kResultsPerPage; i < (page + 1) * kResultsPerPage && i < cites.size(); ++i)
        content += ResultItem(cites[i]);
    return SearchFrame(address, content + u"</ol>\n" + Pagination(address, page, further));
}

QString OwnAddressPage() {
    return u"<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
           u"<title>我的IP地址</title></head><body>\n<div class=\"ib\">\n"
           u"<p>您的IP地址：<b>" + L(kOwnWanAddress) + u"</b></p>\n"
           u"<p>网络服务商：<b>中国电信</b></p>\n<p>国家：<b>中国</b></p>\n"
           u"<p>省份：<b>广东省</b></p>\n<p>城市：<b>深圳市</b></p>\n</div>\n</body></html>\n";
}

LocationKind LocationKindFor(const QString& address) {
    const int shared = SharedIndex(address);
    if (shared >= 0) return shared == kQuotaShared ? LocationKind::QuotaExceeded : LocationKind::Table;
    return NameHash(address, u"ip-quota") % 10 == 0 ? LocationKind::QuotaExceeded : LocationKind::Table;
}

QString LocationPage(const QString& address) {
    const QString a = address.toHtmlEscaped();
    const QString head = u"<!DOCTYPE html>\n<html><head><meta http-equiv=\"content-type\" "
                         u"content=\"text/html;charset=gb2312\"><title>" + a +
                         u" - IP Address Geolocation</title></head>\n<body>\n";
    if (LocationKindFor(address) == LocationKind::QuotaExceeded) {
        return head + u"<div class=\"alert alert-warning\">Your daily quota exceed. Please try again tomorrow "
                      u"or sign up for an account to continue.</div>\n</body></html>\n";
    }
    const Place& p = PlaceOf(address);
    auto row = [](const char* label, const QString& value) -> QString {
        return u"<tr><td><b>" + L(label) + u"</b></td><td>" + value + u"</td></tr>\n";
    };
    return head + u"<h1>IP Address Geolocation</h1>\n<table class=\"table\">\n"
                  u"<tr><th colspan=\"2\">IP Address: " + a + u"</th></tr>\n" +
           row("Location", u"<img src=\"/images/flags/" + L(p.country) + u".png\" width=\"24\" height=\"16\"> " +
                               L(p.location)) +
           row("Latitude, Longitude", L(p.latLong)) + row("Connection through", L(p.isp)) +
           row("Local Time", LocalTime(address, p)) + row("Domain", L(p.domain)) + row("IDD Code", L(p.idd)) +
           row("ZIP Code", L(p.zip)) + u"</table>\n<p>Powered by the demo location service.</p>\n</body></html>\n";
}

QByteArray FlagPng(const QString& countryCode) {
    static const QMap<QString, QByteArray> flags = MakeFlags();
    return flags.value(countryCode);
}

QString HostsText(const QStringList& rows) {
    QString text = QStringLiteral(
        "# Name map of the DropScout demo (HostsFile in dropscout.ini), written by dropscout_demo_services\n"
        "# --hosts. The demo's domains are not on the internet; these lines let the side windows find their\n"
        "# addresses offline. The addresses are documentation addresses (RFC 5737) that belong to no one.\n");
    QSet<QString> written;
    auto line = [&written, &text](const QString& name, const QString& address) {
        const QString bare = name.trimmed().toLower();
        if (bare.isEmpty() || written.contains(bare)) return;
        written.insert(bare);
        text += address + u' ' + bare + u" www." + bare + u'\n';
    };
    text += u"\n# The rows the default searches show first\n";
    for (const QString& domain : rows) line(domain, DemoAddressFor(domain.trimmed().toLower()));
    for (const QString& address : SharedAddresses()) {
        text += u"\n# The names the demo search engine lists on " + address + u'\n';
        for (const QString& name : Pools()[size_t(SharedIndex(address))]) line(name, address);
    }
    return text;
}

}  // namespace ds::demo
