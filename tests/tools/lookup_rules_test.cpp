// The side windows' rules: cleaning a typed domain, the pasted list, and reading the search engine's
// and the location service's pages.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/lookup_rules.h"

namespace ds::tools {
namespace {

TEST(LookupRules, TypedDomainsAreCleaned) {
    const struct {
        QString typed, whoisOrFiling, ip;
    } cases[] = {
        {u"HTTP://WWW.Abc.COM"_qs, u"abc.com"_qs, u"http://www.abc.com"_qs},
        {u" a b c.com "_qs, u"abc.com"_qs, u"abc.com"_qs},
        {u"sub.www.abc.com"_qs, u"sub.abc.com"_qs, u"sub.www.abc.com"_qs},  // "www." goes anywhere
        {u"https://abc.com"_qs, u"https://abc.com"_qs, u"https://abc.com"_qs},
        {u"中文.COM"_qs, u"中文.com"_qs, u"中文.com"_qs},
        {QString(), QString(), QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LookupDomain(c.typed), c.whoisOrFiling) << c.typed.toStdString();
        EXPECT_EQ(IpLookupDomain(c.typed), c.ip) << c.typed.toStdString();
    }
    for (const auto& [text, worth] : {std::pair{u"a.cn"_qs, true}, {u".com"_qs, false}, {u"abc"_qs, false},
                                      {QString(), false}, {u"ab.c.d"_qs, true}})
        EXPECT_EQ(HasDotAfterFirst(text), worth) << text.toStdString();
}

TEST(LookupRules, PastedListKeepsOnlyNamesInOrder) {
    EXPECT_EQ(PastedDomains(u"a.com\r\n\r\nb c.net\r\nnodot\r\n  \nc.org"_qs),
              (QStringList{u"a.com"_qs, u"bc.net"_qs, u"c.org"_qs}));
    EXPECT_EQ(PastedDomains(u"A.COM\na.com"_qs), (QStringList{u"A.COM"_qs, u"a.com"_qs}));  // no folding, no dedup
    EXPECT_TRUE(PastedDomains(QString()).isEmpty());
    EXPECT_TRUE(PastedDomains(u"\r\n\r\n"_qs).isEmpty());
}

TEST(LookupRules, TwipsBecomePixelsAtTheScreensDensity) {
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
    EXPECT_EQ(TwipsToPixels(3375, 96), 225);
    EXPECT_EQ(TwipsToPixels(9285, 96), 619);
    EXPECT_EQ(TwipsToPixels(3375, 144), 338);
    EXPECT_EQ(TwipsToPixels(100, 96), 7);
}

TEST(LookupRules, OwnAddressPageGivesItsBoldValues) {
    const QString full = u"<p>IP: <b>1.2.3.4</b> ISP <b>电信</b> <b>中国</b> <b>广东</b> <b>深圳</b> <b>extra</b>"_qs;
    EXPECT_EQ(OwnAddressValues(full),
              (QStringList{u"1.2.3.4"_qs, u"电信"_qs, u"中国"_qs, u"广东"_qs, u"深圳"_qs}));
    // Three bold values: only those three fields change.
    EXPECT_EQ(OwnAddressValues(u"<b>1.2.3.4</b><b>isp</b><b>cn</b>"_qs),
              (QStringList{u"1.2.3.4"_qs, u"isp"_qs, u"cn"_qs}));
    EXPECT_TRUE(OwnAddressValues(u"<b>1</b><b>2</b>"_qs).isEmpty());       // too few pieces
    EXPECT_TRUE(OwnAddressValues(u"<b>1<b>2<b>3<b>4"_qs).isEmpty());      // no "</b>"
    EXPECT_TRUE(OwnAddressValues(QString()).isEmpty());
}

TEST(LookupRules, ResultPagesAndTheirNames) {
    EXPECT_EQ(ResultPageMarkers(u"<a href=\"?q=ip:1&first=11\">2</a><a href=\"?first=21\">3</a>"_qs), 2);
    EXPECT_EQ(ResultPageMarkers(u"no more pages"_qs), 0);
    EXPECT_EQ(FirstParameter(1), 11);
    EXPECT_EQ(FirstParameter(4), 41);

    const QString page = u"<html><cite>www.a.com/path</cite> <cite>http://b.com/x</cite>"
                         u"<cite>c.net</cite><cite>nodot/</cite><cite> www.a.com </cite><cite>.com</cite>"_qs;
    // The scheme-prefixed entry yields "http:" (no dot) and is dropped; duplicates stay for the caller.
    // An entry ends at its first "/", which for a bare name is the one of "</cite>".
    EXPECT_EQ(CiteHosts(page), (QStringList{u"www.a.com"_qs, u"c.net"_qs, u"www.a.com"_qs}));
    EXPECT_TRUE(CiteHosts(u"<cite>a.com</cite>"_qs).isEmpty());  // "<cite>" at the very start is not split
    EXPECT_TRUE(CiteHosts(u"no entries"_qs).isEmpty());
}

TEST(LookupRules, LocationPageIsTranslatedOrExplained) {
    const QString page =
        u"<html><table class=\"table\"><tr><td><b>Location</b></td><td>IP Address: 1.2.3.4 "
        u"<img src=\"/images/flags/cn.png\"></td></tr><tr><td><b>Latitude, Longitude</b></td></tr>"
        u"<tr><td><b>Connection through</b><b>Local Time</b><b>Domain</b><b>IDD Code</b><b>ZIP Code</b>"
        u"<b>location</b></td></tr></table><p>after</p></html>"_qs;
    const LocationAnswer a = ReadLocationPage(page, u"http://geo.example"_qs, u"admin@x"_qs);
    EXPECT_EQ(a.kind, LocationAnswer::Table);
    EXPECT_TRUE(a.html.startsWith(u"<table border='1' width=100% cellspacing='0' cellpadding='3'  "
                                  u"bordercolor='#56B0F4' bordercolordark='#FFFFFF' ><tr>"_qs));
    for (const QString& part : {u"<b>所在地址</b>"_qs, u"IP地址: 1.2.3.4"_qs, u"<b>经纬度</b>"_qs, u"<b>网络</b>"_qs,
                                u"<b>服务器时间</b>"_qs, u"<b>网络商主页</b>"_qs, u"<b>国家区号</b>"_qs,
                                u"<b>邮编</b>"_qs, u"<img src=\"http://geo.example/images/flags/cn.png\">"_qs,
                                u"<b>location</b>"_qs /* replacements are case-sensitive */})
        EXPECT_TRUE(a.html.contains(part)) << part.toStdString();
    EXPECT_FALSE(a.html.contains(u"</table>"));
    EXPECT_FALSE(a.html.contains(u"after"));

    const LocationAnswer quota = ReadLocationPage(u"Your daily quota exceeded"_qs, {}, u"admin@x"_qs);
    EXPECT_EQ(quota.kind, LocationAnswer::QuotaExceeded);
    EXPECT_EQ(quota.html, QString::fromUtf16(kQuotaText));
    const LocationAnswer none = ReadLocationPage(u"<html>maintenance</html>"_qs, {}, u"admin@x"_qs);
    EXPECT_EQ(none.kind, LocationAnswer::NoData);
    EXPECT_EQ(none.html, QString::fromUtf16(kNoDataText) + u"admin@x");
}

}  // namespace
}  // namespace ds::tools

namespace ds::tools {
namespace {

// The paste box stays inside the free area, whatever panels take the screen's edges: at 1024x768 with
// a 64-pixel panel on the left it used to open at x 791-1065, its 关闭 off the screen.
TEST(LookupRules, PasteBoxStaysInsideTheFreeArea) {
    const struct {
        QRect area;
        QRect expected;
    } cases[] = {
        {{0, 0, 1024, 768}, {791, 7, 225, 619}},
        {{64, 0, 960, 768}, {791, 7, 225, 619}},   // a panel on the left
        {{0, 30, 1024, 738}, {791, 37, 225, 619}},  // a panel at the top
        {{0, 0, 1024, 500}, {791, 7, 225, 493}},    // a short screen: the list stops at the bottom
        {{0, 0, 200, 300}, {0, 7, 200, 293}},       // narrower than the box
    };
    for (const auto& c : cases) {
        const QRect got = PasteBoxGeometry(c.area, 96);
        EXPECT_EQ(got, c.expected) << got.x() << "," << got.y() << " " << got.width() << "x" << got.height();
        EXPECT_TRUE(c.area.contains(got));
    }
}

}  // namespace
}  // namespace ds::tools
