// The demo services' answers, read back through the program's own decoding, classifier and value
// rules: a page that the checks misread would make the demo show failures instead of results.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <map>
#include <ostream>

#include <QImage>
#include <QSet>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "core/codepage.h"
#include "startup/address_code.h"
#include "tools/lookup_rules.h"
#include "tools/resolver.h"

namespace ds::demo {
namespace {

using namespace Qt::StringLiterals;

using checks::Metric;

// Plain, numeric, hyphenated, Chinese and sloppily typed names, as the demo grid holds them.
QStringList SampleNames() {
    QStringList names;
    for (int i = 0; i < 150; ++i) {
        names << QStringLiteral("shop%1.com").arg(i) << QStringLiteral("%1.cn").arg(1000 + i * 37)
              << QStringLiteral("tian-%1.net").arg(i);
    }
    for (const char16_t* n : {u"中文网.com", u"北京旅游.cn", u"我的网站.net"}) names << QString::fromUtf16(n);
    names << QStringLiteral("  Example.COM ");
    return names;
}

// What the program sees: the answer as sent (GB2312 bytes), decoded as the fetch decodes it.
QString OverTheWire(const QString& page) {
    return DecodeBytes(EncodeText(page, QStringLiteral("GBK")), QStringLiteral("gb2312"));
}

// What the page of each kind reads as by its text alone; the error page says "not found" and only its
// status keeps it from reading as free.
checks::RegOutcome Expected(WhoisKind kind) {
    switch (kind) {
    case WhoisKind::Registered:
    case WhoisKind::Trickle:
    case WhoisKind::QueryLimit: return checks::RegOutcome::Registered;
    case WhoisKind::Free:
    case WhoisKind::ErrorPage: return checks::RegOutcome::Free;
    case WhoisKind::NotAvailable: return checks::RegOutcome::Undetermined;
    }
    return checks::RegOutcome::Failed;
}

// The first of many probe names whose answers satisfy `wanted`.
template <typename Pred>
QString FirstName(Pred wanted) {
    for (int i = 0; i < 100000; ++i) {
        const QString name = QStringLiteral("probe%1.com").arg(i);
        if (wanted(name)) return name;
    }
    ADD_FAILURE() << "no probe name found";
    return {};
}

TEST(DemoWhois, EveryPageClassifiesAsItsKindAndTheKindsAreMixed) {
    std::map<WhoisKind, int> seen;
    for (const QString& name : SampleNames()) {
        const WhoisKind kind = WhoisKindFor(name);
        ++seen[kind];
        EXPECT_EQ(checks::ClassifyWhoisAnswer(OverTheWire(WhoisPage(name)).toLower()), Expected(kind))
            << qPrintable(name);
    }
    const int total = seen[WhoisKind::Registered] + seen[WhoisKind::Free] + seen[WhoisKind::NotAvailable];
    EXPECT_GT(seen[WhoisKind::Registered] * 2, total) << "mostly registered";
    EXPECT_GT(seen[WhoisKind::Free] * 6, total) << "a fair share free";
    EXPECT_GT(seen[WhoisKind::NotAvailable], 0);
    EXPECT_EQ(WhoisKindFor(u"  Example.COM "_s), WhoisKindFor(u"example.com"_s)) << "the name, not how it was typed";
}

// Lines of a registry's record; a page without any of them gives no ground to write a row back.
bool ShowsRecord(const QString& page) {
    for (const char* marker : {"registrar", "creation date", "expiry date", "expiration", "注册商", "注册时间",
                               "到期时间", "过期时间"})
        if (page.toLower().contains(QString::fromUtf8(marker))) return true;
    return false;
}

struct WhoisCase {
    const char* name;
    WhoisKind kind;
    int status;
    const char* contains;  // %1 stands for the domain
    bool record;
    bool trickle;
    bool instant;  // answered without the service's thinking time
};

void PrintTo(const WhoisCase& c, std::ostream* os) { *os << c.name; }

class DemoWhoisAnswer : public testing::TestWithParam<WhoisCase> {};

TEST_P(DemoWhoisAnswer, StatusBodyAndPaceOfTheKind) {
    const WhoisCase& c = GetParam();
    const QString name = FirstName([&c](const QString& n) { return WhoisKindFor(n) == c.kind; });
    const ServiceAnswer a = WhoisAnswer(name);
    EXPECT_EQ(a.status, c.status);
    EXPECT_TRUE(a.body.contains(QString::fromUtf8(c.contains).arg(name))) << qPrintable(a.body);
    EXPECT_EQ(ShowsRecord(a.body), c.record) << qPrintable(a.body);
    EXPECT_EQ(a.trickle, c.trickle);
    EXPECT_EQ(a.delayMs == 0, c.instant);
    EXPECT_EQ(a.body, WhoisPage(name));
    EXPECT_EQ(HostileAnswersFor(name).contains(u"whois-"), c.kind == WhoisKind::ErrorPage ||
                                                              c.kind == WhoisKind::QueryLimit ||
                                                              c.kind == WhoisKind::Trickle);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DemoWhoisAnswer,
    testing::Values(
        // an ordinary registered page carries the record that lets a check write the row back
        WhoisCase{"registered", WhoisKind::Registered, 200, "Registrar: ", true, false, false},
        WhoisCase{"free", WhoisKind::Free, 200, "No match for", false, false, false},
        // nginx in front of a gone service: "not found" in a 404
        WhoisCase{"error_page", WhoisKind::ErrorPage, 404, "<title>404 Not Found</title>", false, false, true},
        // reads as registered, yet shows nothing to base a write-back on
        WhoisCase{"query_limit", WhoisKind::QueryLimit, 200, "Whois results for domain %1: query limit exceeded, try again later",
                  false, false, false},
        // the registered page, a byte a second
        WhoisCase{"trickle", WhoisKind::Trickle, 200, "Creation Date: ", true, true, false}),
    [](const testing::TestParamInfo<WhoisCase>& info) { return std::string(info.param.name); });

struct MetricCase {
    const char* name;
    Metric metric;
    QString (*page)(const QString&);
    QString (*expected)(const QString&);
    bool (*unusual)(const QString&);  // names whose answer is checked apart
};

void PrintTo(const MetricCase& c, std::ostream* os) { *os << c.name; }

QString SiteValue(const QString& d) { return QString::number(BaiduSiteCount(d)); }
QString DomainValue(const QString& d) { return QString::number(BaiduDomainCount(d)); }
QString AlexaValue(const QString& d) {
    const qint64 rank = AlexaRankFor(d);
    return QString::number(rank > 0 ? rank : checks::kNoAlexaRank);
}
QString RankValue(const QString& d) { return QString::number(PageRankFor(d)); }
QString Toolbar(const QString& d) { return ToolbarAnswer(d, ChecksumFor(d)); }
QString RelaySite(const QString& d) { return RelayAnswer(QStringLiteral("baidusite.php"), d); }
QString RelayDomain(const QString& d) { return RelayAnswer(QStringLiteral("baidudomain.php"), d); }
QString RelayAlexa(const QString& d) { return RelayAnswer(QStringLiteral("ale.php"), d); }
QString RelayRank(const QString& d) { return RelayAnswer(QStringLiteral("pr.php"), d); }

bool Ordinary(const QString&) { return false; }
bool RawSite(const QString& d) { return BaiduSiteShowsRawText(d); }
bool RawSiteOrBlocked(const QString& d) { return BaiduSiteShowsRawText(d) || BaiduBlocked(d); }

// Direct and relay answers alike pass the failure tests and reduce to the number they were made from,
// zero counts and unranked sites included.
const MetricCase kMetricCases[] = {
    {"baidu_site", Metric::BaiduSite, BaiduSitePage, SiteValue, RawSite},
    {"baidu_domain", Metric::BaiduDomain, BaiduDomainPage, DomainValue, Ordinary},
    {"alexa", Metric::Alexa, AlexaAnswer, AlexaValue, Ordinary},
    {"toolbar", Metric::PageRank, Toolbar, RankValue, Ordinary},
    {"relay_site", Metric::BaiduSite, RelaySite, SiteValue, RawSiteOrBlocked},
    {"relay_domain", Metric::BaiduDomain, RelayDomain, DomainValue, BaiduBlocked},
    {"relay_alexa", Metric::Alexa, RelayAlexa, AlexaValue, Ordinary},
    {"relay_rank", Metric::PageRank, RelayRank, RankValue, Ordinary},
};

class DemoMetricTest : public testing::TestWithParam<MetricCase> {};

TEST_P(DemoMetricTest, AnswerReducesToItsNumber) {
    const MetricCase& c = GetParam();
    bool sawZero = false;
    for (const QString& name : SampleNames()) {
        if (c.unusual(name)) continue;
        const QString answer = OverTheWire(c.page(name));
        EXPECT_FALSE(checks::AnswerFailed(c.metric, answer)) << qPrintable(name);
        const QString expected = c.expected(name);
        EXPECT_EQ(checks::MetricValue(c.metric, answer), expected) << qPrintable(name);
        sawZero = sawZero || expected == u"0" || expected == QString::number(checks::kNoAlexaRank);
    }
    EXPECT_TRUE(sawZero) << "the empty outcome is among the samples";
}

INSTANTIATE_TEST_SUITE_P(Pages, DemoMetricTest, testing::ValuesIn(kMetricCases),
                         [](const testing::TestParamInfo<MetricCase>& info) { return std::string(info.param.name); });

TEST(DemoMetricFailures, WrongChecksumsAndUnknownScriptsAreRetried) {
    EXPECT_TRUE(checks::AnswerFailed(Metric::PageRank, ToolbarAnswer(u"a.com"_s, ChecksumFor(u"b.com"_s))));
    EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduSite, RelayAnswer(u"nosuch.php"_s, u"a.com"_s)));
}

struct RefusalCase {
    const char* name;
    bool (*pick)(const QString&);
    int status;
    const char* contains;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

bool SiteRefused(const QString& d, BaiduRefusal r) { return !BaiduBlocked(d) && DirectBaiduRefusalFor(d, u"site") == r; }

class DemoBaiduRefusal : public testing::TestWithParam<RefusalCase> {};

// The direct service refuses with a page that is no answer, at once; the relays answer the same name
// as usual, except for a blocked name, which every relay answers "wrong".
TEST_P(DemoBaiduRefusal, DirectServiceRefusesAtOnceAndTheRelaysDecide) {
    const RefusalCase& c = GetParam();
    const QString name = FirstName(c.pick);
    const ServiceAnswer direct = DirectBaiduAnswer(name, u"site");
    EXPECT_EQ(direct.status, c.status);
    EXPECT_TRUE(direct.body.contains(QString::fromUtf8(c.contains))) << qPrintable(direct.body);
    EXPECT_EQ(direct.delayMs, 0);
    EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduSite, OverTheWire(direct.body)));

    const bool blocked = BaiduBlocked(name);
    for (const char* script : {"baidusite.php", "baidudomain.php"}) {
        const ServiceAnswer relay = RelayServiceAnswer(QString::fromLatin1(script), name);
        EXPECT_EQ(relay.status, 200);
        EXPECT_EQ(relay.body == u"wrong", blocked) << script;
        EXPECT_EQ(relay.delayMs == 0, blocked) << script;
    }
    if (blocked) {
        EXPECT_EQ(DirectBaiduRefusalFor(name, u"domain"), BaiduRefusal::Captcha);
        EXPECT_TRUE(HostileAnswersFor(name).contains(u"baidu-blocked"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DemoBaiduRefusal,
    testing::Values(
        RefusalCase{"access_error", [](const QString& d) { return SiteRefused(d, BaiduRefusal::AccessError); }, 200,
                    "您的访问出错了"},
        RefusalCase{"too_many_requests",
                    [](const QString& d) { return SiteRefused(d, BaiduRefusal::TooManyRequests); }, 429,
                    "请求过于频繁"},
        RefusalCase{"captcha", [](const QString& d) { return SiteRefused(d, BaiduRefusal::Captcha); }, 200,
                    "<input type=\"text\" name=\"captcha\""},
        RefusalCase{"blocked", BaiduBlocked, 200, "百度安全验证"}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

// Every unusual answer stays a small share of names, so most rows of the demo show ordinary values.
TEST(DemoShares, UnusualAnswersTakeTheirStatedShares) {
    const struct {
        const char* what;
        bool (*has)(const QString&);
        int perMille;
    } shares[] = {
        {"whois 404", [](const QString& d) { return WhoisKindFor(d) == WhoisKind::ErrorPage; }, kWhoisErrorPagePerMille},
        {"whois limit", [](const QString& d) { return WhoisKindFor(d) == WhoisKind::QueryLimit; },
         kWhoisQueryLimitPerMille},
        {"whois trickle", [](const QString& d) { return WhoisKindFor(d) == WhoisKind::Trickle; }, kWhoisTricklePerMille},
        {"baidu 429",
         [](const QString& d) { return DirectBaiduRefusalFor(d, u"domain") == BaiduRefusal::TooManyRequests; },
         kBaiduTooManyRequestsPerMille},
        {"baidu captcha",
         [](const QString& d) { return !BaiduBlocked(d) && DirectBaiduRefusalFor(d, u"domain") == BaiduRefusal::Captcha; },
         kBaiduCaptchaPerMille},
        {"baidu blocked", BaiduBlocked, kBaiduBlockedPerMille},
        {"site raw text", BaiduSiteShowsRawText, kBaiduSiteRawTextPerMille},
    };
    const int names = 20000;
    for (const auto& share : shares) {
        int count = 0;
        for (int i = 0; i < names; ++i) count += share.has(QStringLiteral("share%1.cn").arg(i));
        const double expected = names * share.perMille / 1000.0;
        EXPECT_GT(count, expected * 0.7) << share.what;
        EXPECT_LT(count, expected * 1.3) << share.what;
    }
}

// After the count marker come kilobytes without "个" and without a number: no count, so the check
// reads it as a failed measurement (the cell keeps its value) rather than writing the page into it.
TEST(DemoBaiduSite, RawTextPageHasTheMarkerAndNoCountAfterIt) {
    const QString name = FirstName(BaiduSiteShowsRawText);
    for (const QString& page : {OverTheWire(BaiduSitePage(name)), OverTheWire(RelayAnswer(u"baidusite.php"_s, name))}) {
        EXPECT_TRUE(checks::CountTextHasNoNumber(Metric::BaiduSite, page));
        EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduSite, page));
        const QString rest = checks::After(page, u"找到相关结果数"_s);
        EXPECT_GT(rest.size(), 2000);
        EXPECT_FALSE(rest.contains(u'个'));
    }
    EXPECT_TRUE(HostileAnswersFor(name).contains(u"baidu-site-raw-text"));
}

TEST(DemoAddressService, AnswerCarriesAUsablePayloadNamingTheFile) {
    const QString path = u"/home/user/demo/dropscout-demo.db"_s;
    const std::optional<QString> payload = startup::ExtractPayload(OverTheWire(AddressAnswer(path)));
    ASSERT_TRUE(payload.has_value());
    EXPECT_TRUE(startup::IsUsablePayload(*payload));
    for (int variant : {0, 1})
        EXPECT_EQ(startup::ChooseVariant(*payload, variant), u"Provider=SQLite;Data Source="_s + path);
}


// --- The domain and IP window's pages, read with the window's own rules ------------------------------

// The name map the demo writes, as the resolver reads it; no rows: the search engine's names alone.
const tools::HostsMap& DemoNames() {
    static const tools::HostsMap names = tools::ParseHosts(HostsText({}));
    return names;
}

TEST(DemoResultPages, FirstPageOffersFurtherPagesOnlyForSharedAddresses) {
    const struct {
        QString address;
        int markers;  // "first=" on the first page: one per further page, and the "next" link
    } cases[] = {
        {u"203.0.113.18"_s, FurtherResultPages(u"203.0.113.18"_s) + 1},
        {u"192.0.2.88"_s, FurtherResultPages(u"192.0.2.88"_s) + 1},
        {u"203.0.113.19"_s, 0},  // next to a shared address, and unknown to the search engine
        {u"127.0.0.1"_s, 0},
        {u"<b>1.2.3.4"_s, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const QString first = OverTheWire(ResultPage(c.address, 0));
        EXPECT_EQ(tools::ResultPageMarkers(first.toLower()), c.markers);
        EXPECT_FALSE(first.contains(u"<b>1.2.3.4"));  // the query is shown escaped
        // A page past the last one lists nothing.
        const int past = tools::FirstParameter(FurtherResultPages(c.address) + 1);
        EXPECT_TRUE(tools::CiteHosts(OverTheWire(ResultPage(c.address, past))).isEmpty());
    }
    for (const QString& address : SharedAddresses()) {
        EXPECT_GE(FurtherResultPages(address), 3) << qPrintable(address);
        EXPECT_LE(FurtherResultPages(address), 5) << qPrintable(address);
    }
}

// Over the further pages of each shared address the window meets every case its filter has: names of
// the address, repeats, entries with a scheme and names of other addresses. Every name it is to
// resolve is in the name map, so the demo never asks a name server.
TEST(DemoResultPages, FurtherPagesHoldEveryKindOfEntryTheWindowFilters) {
    for (const QString& address : SharedAddresses()) {
        SCOPED_TRACE(address.toStdString());
        QStringList hosts;
        int entries = 0, schemes = 0;
        for (int i = 1; i <= FurtherResultPages(address); ++i) {
            const QString page = OverTheWire(ResultPage(address, tools::FirstParameter(i)));
            EXPECT_EQ(page.count(u"<cite>"_s), kResultsPerPage) << "page " << i;
            entries += int(page.count(u"<cite>"_s));
            schemes += int(page.count(u"<cite>http://"_s));
            hosts += tools::CiteHosts(page);
        }
        EXPECT_GT(schemes, 0);
        EXPECT_EQ(hosts.size(), entries - schemes) << "only the scheme entries give no name";
        QSet<QString> distinct, kept, elsewhere;
        for (const QString& host : hosts) {
            ASSERT_TRUE(DemoNames().contains(host)) << qPrintable(host);
            distinct.insert(host);
            (DemoNames().value(host) == address ? kept : elsewhere).insert(host);
        }
        EXPECT_LT(distinct.size(), hosts.size()) << "some names repeat";
        EXPECT_GE(kept.size(), 5);
        EXPECT_GT(elsewhere.size(), 0) << "some names live on another address";
        for (const QString& host : kept) EXPECT_TRUE(NamesOn(address).contains(host)) << qPrintable(host);
    }
    EXPECT_TRUE(ResultCites(u"10.1.1.1"_s).isEmpty());
}

struct LocationCase {
    const char* name;
    const char* address;
    tools::LocationAnswer::Kind kind;
    const char16_t* shows;  // in the translated table
    const char* flag;
};

void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.name; }

class DemoLocationPage : public testing::TestWithParam<LocationCase> {};

TEST_P(DemoLocationPage, ReadsAsTheWindowShowsIt) {
    const LocationCase& c = GetParam();
    const QString base = u"http://127.0.0.1:8743"_s;
    const tools::LocationAnswer answer =
        tools::ReadLocationPage(OverTheWire(LocationPage(QString::fromLatin1(c.address))), base, u"admin"_s);
    EXPECT_EQ(answer.kind, c.kind);
    EXPECT_EQ(LocationKindFor(QString::fromLatin1(c.address)) == LocationKind::Table,
              c.kind == tools::LocationAnswer::Table);
    if (c.kind != tools::LocationAnswer::Table) return;
    for (const char16_t* label : {u"IP地址:", u"所在地址", u"经纬度", u"<b>网络</b>", u"服务器时间", u"网络商主页",
                                  u"国家区号", u"邮编", c.shows})
        EXPECT_TRUE(answer.html.contains(QString::fromUtf16(label))) << qPrintable(QString::fromUtf16(label));
    for (const char* english : {"<b>Location</b>", "<b>Latitude", "<b>Connection", "<b>Local Time", "<b>Domain",
                                "<b>IDD", "<b>ZIP"})
        EXPECT_FALSE(answer.html.contains(QString::fromLatin1(english))) << english << " left untranslated";
    const QString flag = base + u"/images/flags/" + QString::fromLatin1(c.flag) + u".png";
    EXPECT_TRUE(answer.html.contains(flag)) << qPrintable(answer.html);
    QImage picture;
    EXPECT_TRUE(picture.loadFromData(FlagPng(QString::fromLatin1(c.flag)), "PNG")) << "the flag the page shows";
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DemoLocationPage,
    testing::Values(LocationCase{"shenzhen", "203.0.113.18", tools::LocationAnswer::Table, u"Shenzhen", "cn"},
                    LocationCase{"hong_kong", "198.51.100.156", tools::LocationAnswer::Table, u"Hong Kong", "hk"},
                    LocationCase{"refusing_shared", "192.0.2.88", tools::LocationAnswer::QuotaExceeded, u"", ""},
                    LocationCase{"any_other", "10.20.30.40", tools::LocationAnswer::Table, u"(UTC ", "cn"}),
    [](const testing::TestParamInfo<LocationCase>& info) { return std::string(info.param.name); });

TEST(DemoOwnAddressPage, GivesTheFiveValuesOfThePanel) {
    EXPECT_EQ(tools::OwnAddressValues(OverTheWire(OwnAddressPage())),
              (QStringList{QString::fromLatin1(kOwnWanAddress), u"中国电信"_s, u"中国"_s, u"广东省"_s, u"深圳市"_s}));
}

// The rows come first, in any case and spacing the database holds them, each once with its "www."
// form; the search engine's names follow on their own addresses.
TEST(DemoHostsText, RowsAndListedNamesOnTheirAddresses) {
    const QString text = HostsText({u" Shop.COM "_s, u"中文网.com"_s, u"dup.cn"_s, u"dup.cn"_s});
    const tools::HostsMap map = tools::ParseHosts(text);
    const struct {
        QString name, address;
    } cases[] = {
        {u"shop.com"_s, DemoAddressFor(u"shop.com"_s)},
        {u"www.shop.com"_s, DemoAddressFor(u"shop.com"_s)},
        {u"中文网.com"_s, DemoAddressFor(u"中文网.com"_s)},
        {u"www.dup.cn"_s, DemoAddressFor(u"dup.cn"_s)},
    };
    for (const auto& c : cases) EXPECT_EQ(map.value(c.name), c.address) << qPrintable(c.name);
    EXPECT_EQ(text.count(u" dup.cn "_s), 1);
    for (const QString& address : SharedAddresses())
        for (const QString& name : NamesOn(address)) EXPECT_EQ(map.value(name), address) << qPrintable(name);
}

}  // namespace
}  // namespace ds::demo
