// The demo services' answers, read back through the program's own decoding, classifier and value
// rules: a page that the checks misread would make the demo show failures instead of results.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <map>
#include <ostream>

#include "app/demo_pages.h"
#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "core/codepage.h"
#include "startup/address_code.h"

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

// After the count marker come kilobytes without "个": the check has only raw text to show, and the page
// is still an answer (not retried).
TEST(DemoBaiduSite, RawTextPageHasTheMarkerAndNoCountAfterIt) {
    const QString name = FirstName(BaiduSiteShowsRawText);
    for (const QString& page : {OverTheWire(BaiduSitePage(name)), OverTheWire(RelayAnswer(u"baidusite.php"_s, name))}) {
        EXPECT_FALSE(checks::AnswerFailed(Metric::BaiduSite, page));
        const QString rest = checks::After(page, u"找到相关结果数"_s);
        EXPECT_GT(rest.size(), 2000);
        EXPECT_FALSE(rest.contains(u'个'));
        EXPECT_TRUE(rest.startsWith(checks::MetricValue(Metric::BaiduSite, page).left(200)));
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

}  // namespace
}  // namespace ds::demo
