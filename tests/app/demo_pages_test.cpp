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

checks::RegOutcome Expected(WhoisKind kind) {
    switch (kind) {
    case WhoisKind::Registered: return checks::RegOutcome::Registered;
    case WhoisKind::Free: return checks::RegOutcome::Free;
    case WhoisKind::NotAvailable: return checks::RegOutcome::Undetermined;
    }
    return checks::RegOutcome::Failed;
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

struct MetricCase {
    const char* name;
    Metric metric;
    QString (*page)(const QString&);
    QString (*expected)(const QString&);
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

// Direct and relay answers alike pass the failure tests and reduce to the number they were made from,
// zero counts and unranked sites included.
const MetricCase kMetricCases[] = {
    {"baidu_site", Metric::BaiduSite, BaiduSitePage, SiteValue},
    {"baidu_domain", Metric::BaiduDomain, BaiduDomainPage, DomainValue},
    {"alexa", Metric::Alexa, AlexaAnswer, AlexaValue},
    {"toolbar", Metric::PageRank, Toolbar, RankValue},
    {"relay_site", Metric::BaiduSite, RelaySite, SiteValue},
    {"relay_domain", Metric::BaiduDomain, RelayDomain, DomainValue},
    {"relay_alexa", Metric::Alexa, RelayAlexa, AlexaValue},
    {"relay_rank", Metric::PageRank, RelayRank, RankValue},
};

class DemoMetricTest : public testing::TestWithParam<MetricCase> {};

TEST_P(DemoMetricTest, AnswerReducesToItsNumber) {
    const MetricCase& c = GetParam();
    bool sawZero = false;
    for (const QString& name : SampleNames()) {
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

TEST(DemoMetricFailures, RefusalsAndWrongChecksumsAreRetriedAndSomeDomainsAreRefused) {
    const QString refusal = OverTheWire(BaiduRefusalPage());
    EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduSite, refusal));
    EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduDomain, refusal));
    EXPECT_TRUE(checks::AnswerFailed(Metric::PageRank, ToolbarAnswer(u"a.com"_s, ChecksumFor(u"b.com"_s))));
    EXPECT_TRUE(checks::AnswerFailed(Metric::BaiduSite, RelayAnswer(u"nosuch.php"_s, u"a.com"_s)));

    int refused = 0;
    const QStringList names = SampleNames();
    for (const QString& name : names) refused += DirectBaiduRefuses(name, u"site") ? 1 : 0;
    EXPECT_GT(refused, 0);
    EXPECT_LT(refused * 2, names.size()) << "most direct answers come through";
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
