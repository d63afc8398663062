// Request addresses, failure tests and value rules of the site metrics check.
#include <gtest/gtest.h>

#include <QString>

#include "checks/metrics_rules.h"
#include "core/config.h"
#include "net/fetch.h"
#include "support/test_support.h"

namespace ds::checks {
namespace {

QString U(const char16_t* s) { return QString::fromUtf16(s); }

struct ValueCase {
    const char* name;
    Metric metric;
    const char16_t* answer;
    const char16_t* value;
};

// Every rule's marker, its absence, and the odd turns: "约" kept for "site:", the raw rest of the page
// when "个" is missing, the Alexa floor, the two-colon PageRank form.
const ValueCase kValueCases[] = {
    {"site_count_with_thousands", Metric::BaiduSite, u"<div>找到相关结果数1,234个</div>", u"1234"},
    {"site_count_blanks_around", Metric::BaiduSite, u"找到相关结果数  12,345,678 个", u"12345678"},
    {"site_about_is_not_removed", Metric::BaiduSite, u"找到相关结果数约1,234个", u"0"},
    {"site_about_with_blank", Metric::BaiduSite, u"找到相关结果数 约 1,234个", u"0"},
    {"site_without_ge_takes_the_number", Metric::BaiduSite, u"<p>找到相关结果数1,234</p>", u"1234"},
    {"site_marker_twice_takes_between", Metric::BaiduSite, u"找到相关结果数7个 找到相关结果数9个", u"7"},
    {"site_without_marker", Metric::BaiduSite, u"抱歉，没有找到与“site:x.com”相关的网页", u"0"},
    {"site_nothing_before_ge", Metric::BaiduSite, u"找到相关结果数个", u"0"},
    {"domain_about_removed", Metric::BaiduDomain, u"百度为您找到相关结果约5,670个", u"5670"},
    {"domain_about_with_blanks", Metric::BaiduDomain, u"找到相关结果 约 5,670 个", u"5670"},
    {"domain_plain", Metric::BaiduDomain, u"找到相关结果12个", u"12"},
    {"domain_without_ge_takes_the_number", Metric::BaiduDomain, u"找到相关结果约100</div>", u"100"},
    {"domain_site_marker_reads_zero", Metric::BaiduDomain, u"找到相关结果数1,234个", u"0"},
    {"domain_without_marker", Metric::BaiduDomain, u"没有找到与该域名相关的网页", u"0"},
    {"alexa_rank", Metric::Alexa, u"<SD><REACH RANK=\"12345\"/></SD></ALEXA>", u"12345"},
    {"alexa_rank_blanks_in_quotes", Metric::Alexa, u"<REACH RANK=\" 42 \"/></ALEXA>", u"42"},
    {"alexa_without_reach", Metric::Alexa, u"<ALEXA VER=\"0.9\"></ALEXA>", u"1000000000"},
    {"alexa_rank_zero", Metric::Alexa, u"<REACH RANK=\"0\"/></ALEXA>", u"1000000000"},
    {"alexa_rank_not_a_number", Metric::Alexa, u"<REACH RANK=\"n/a\"/></ALEXA>", u"1000000000"},
    {"alexa_reach_without_quote", Metric::Alexa, u"REACH RANK=12345", u"1000000000"},
    {"alexa_unclosed_quote_reads_to_end", Metric::Alexa, u"REACH RANK=\"77", u"77"},
    {"alexa_failure_text", Metric::Alexa, u"wrong", u"1000000000"},
    {"pr_two_colons", Metric::PageRank, u"Rank_1:1:5", u"5"},
    {"pr_two_colons_blanks_around", Metric::PageRank, u"  Rank_1:1:7\r\n", u"7"},
    {"pr_one_colon", Metric::PageRank, u"Rank_1:5", u"0"},
    {"pr_three_colons", Metric::PageRank, u"Rank_1:1:5:9", u"0"},
    {"pr_nothing_after_colon", Metric::PageRank, u"Rank_1:1:", u"0"},
    {"pr_empty_answer", Metric::PageRank, u"", u"0"},
};

TEST(MetricsRules, ValueRules) {
    for (const ValueCase& c : kValueCases)
        EXPECT_EQ(MetricValue(c.metric, U(c.answer)), U(c.value)) << c.name;
}

struct FailureCase {
    const char* name;
    Metric metric;
    const char16_t* answer;
    bool failed;
};

const FailureCase kFailureCases[] = {
    {"site_count", Metric::BaiduSite, u"找到相关结果数1个", false},
    {"site_no_result", Metric::BaiduSite, u"没有找到与 site:x.cn 相关的网页", false},
    {"site_legal_notice", Metric::BaiduSite, u"<b>搜索结果可能不符合相关法律法规和政策</b>", false},
    {"site_legal_notice_needs_bold", Metric::BaiduSite, u"搜索结果可能不符合相关法律法规和政策", true},
    {"site_blocked_despite_count", Metric::BaiduSite, u"您的访问出错了 找到相关结果数1个", true},
    {"site_other_page", Metric::BaiduSite, u"<html>百度一下</html>", true},
    {"site_wrong", Metric::BaiduSite, u"wrong", true},
    {"site_black", Metric::BaiduSite, u"black", true},
    {"site_black_inside_is_fine", Metric::BaiduSite, u"black 找到相关结果数1个", false},
    {"domain_count", Metric::BaiduDomain, u"找到相关结果约1个", false},
    {"domain_no_result", Metric::BaiduDomain, u"没有找到与", false},
    {"domain_legal_notice_is_failure", Metric::BaiduDomain, u"<b>搜索结果可能不符合相关法律法规和政策", true},
    {"domain_blocked", Metric::BaiduDomain, u"您的访问出错了 找到相关结果", true},
    {"domain_empty", Metric::BaiduDomain, u"", true},
    {"alexa_document", Metric::Alexa, u"<ALEXA></ALEXA>", false},
    {"alexa_unclosed", Metric::Alexa, u"<ALEXA>", true},
    {"alexa_bad_gateway", Metric::Alexa, u"502 Bad Gateway </ALEXA>", true},
    {"alexa_unavailable", Metric::Alexa, u"Service Unavailable</ALEXA>", true},
    {"alexa_lower_case_close", Metric::Alexa, u"</alexa>", true},
    {"alexa_wrong", Metric::Alexa, u"wrong", true},
    {"pr_rank", Metric::PageRank, u"Rank_1:1:3", false},
    {"pr_rank_word_alone", Metric::PageRank, u"Rank", false},
    {"pr_php_warning", Metric::PageRank, u"Warning: file_get_contents(): Rank", true},
    {"pr_forbidden", Metric::PageRank, u"<b>403.</b> Rank", true},
    {"pr_no_rank", Metric::PageRank, u"", true},
    {"pr_black", Metric::PageRank, u"black", true},
    // Verification and throttling pages fail every metric, even with a marker in them.
    {"site_verification_title", Metric::BaiduSite, u"<title>百度安全验证</title> 找到相关结果数1个", true},
    {"domain_verification_redirect", Metric::BaiduDomain,
     u"<a href=\"https://wappass.baidu.com/static/captcha/tuxing.html\">找到相关结果</a>", true},
    {"site_captcha_input", Metric::BaiduSite, u"<form><input name=\"captcha_code\">没有找到与", true},
    {"domain_throttled", Metric::BaiduDomain, u"请求过于频繁，请稍后再试 找到相关结果1个", true},
    {"alexa_verification", Metric::Alexa, u"<title>百度安全验证</title></ALEXA>", true},
    // A result page whose snippets talk about captchas is still an answer.
    {"site_snippet_mentions_captcha", Metric::BaiduSite, u"找到相关结果数3个 ... 验证码 captcha 安全验证", false},
};

TEST(MetricsRules, FailureTests) {
    for (const FailureCase& c : kFailureCases)
        EXPECT_EQ(AnswerFailed(c.metric, U(c.answer)), c.failed) << c.name;
    for (int status : {403, 429}) EXPECT_TRUE(IsRefusalStatus(status)) << status;
    for (int status : {0, 200, 404, 500, 502}) EXPECT_FALSE(IsRefusalStatus(status)) << status;
}

// Without "个" the number after the marker is the count; a text without one is a failed measurement,
// so neither a page's markup nor "（统计中）" reaches the cell.
TEST(MetricsRules, ACountTextWithoutANumberIsNoMeasurement) {
    for (Metric m : {Metric::BaiduSite, Metric::BaiduDomain}) {
        const QString marker = m == Metric::BaiduSite ? U(u"找到相关结果数") : U(u"找到相关结果");
        for (const QString& rest : {QString(4 * 1024 * 1024, u'x'), U(u"（统计中）</div><script>x()</script>"),
                                    QString(u"\n  <span>"_qs)}) {
            EXPECT_TRUE(CountTextHasNoNumber(m, marker + rest));
            EXPECT_TRUE(AnswerFailed(m, marker + rest));
        }
        EXPECT_FALSE(CountTextHasNoNumber(m, marker + u"约1,200</div>"));
        EXPECT_EQ(MetricValue(m, marker + u"约1,200</div>"), u"1200"_qs);
        EXPECT_FALSE(CountTextHasNoNumber(m, marker + U(u"约12个")));
        // Other metrics and answers without the marker are not count texts.
        EXPECT_FALSE(CountTextHasNoNumber(Metric::Alexa, marker + u"x"));
        EXPECT_FALSE(CountTextHasNoNumber(m, u"nothing here"_qs));
    }
}

TEST(MetricsRules, RequestAddresses) {
    Config cfg;
    cfg.baiduUrl = QStringLiteral("http://b.test");
    cfg.alexaUrl = QStringLiteral("http://a.test");
    cfg.alexaAccessId = QStringLiteral("+hR257qa3906mZ");
    cfg.toolbarUrl = QStringLiteral("http://t.test");
    const QString d = QStringLiteral("example.com");
    const QString now = QStringLiteral("2026-12-08 10:31:05");

    struct Case {
        Metric metric;
        const char* direct;
        const char* relay;
    };
    const Case cases[] = {
        {Metric::BaiduSite, "http://b.test/s?wd=site:example.com&other=2026-12-08 10:31:05",
         "http://r.test/x/baidusite.php?lallname=example.com&other=2026-12-08 10:31:05"},
        {Metric::BaiduDomain, "http://b.test/s?wd=domain:example.com&other=2026-12-08 10:31:05",
         "http://r.test/x/baidudomain.php?lallname=example.com&other=2026-12-08 10:31:05"},
        {Metric::Alexa,
         "http://a.test/data/+hR257qa3906mZ?cli=10&dat=snba&ver=7.0&cdt=alx_vw=20&wid=12206&act=00000000000"
         "&ss=1680x1050&bw=964&t=0&ttl=35371&vis=1&rq=4&other=2026-12-08 10:31:05&url=example.com",
         "http://r.test/x/ale.php?lallname=example.com&other=2026-12-08 10:31:05"},
        {Metric::PageRank,
         "http://t.test/tbr?client=navclient-auto&features=Rank&ch=8a1b2c3d&q=info:example.com&other=2026-12-08 "
         "10:31:05",
         "http://r.test/x/pr.php?lallname=example.com&other=2026-12-08 10:31:05"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirectRequest(c.metric, d, now, QStringLiteral("8a1b2c3d"), cfg), QString::fromLatin1(c.direct));
        EXPECT_EQ(RelayRequest(c.metric, QStringLiteral("http://r.test/x/"), d, now), QString::fromLatin1(c.relay));
    }
    // Plain concatenation: no separator is added, and an empty base leaves the bare script name.
    EXPECT_EQ(RelayRequest(Metric::Alexa, QStringLiteral("http://r.test/x"), d, now),
              QStringLiteral("http://r.test/xale.php?lallname=example.com&other=2026-12-08 10:31:05"));
    EXPECT_EQ(RelayRequest(Metric::BaiduSite, QString(), d, now),
              QStringLiteral("baidusite.php?lallname=example.com&other=2026-12-08 10:31:05"));
    EXPECT_EQ(ChecksumRequest(QStringLiteral("http://ck.test/"), d),
              QStringLiteral("http://ck.test/prcode.php?lallname=example.com"));
    EXPECT_EQ(ChecksumFromAnswer(QStringLiteral("  8a1b2c3d \r\n")), QStringLiteral("8a1b2c3d"));
    EXPECT_EQ(NowText(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7))), QStringLiteral("2026-12-08 09:05:07"));
    EXPECT_EQ(Config().alexaAccessId.size(), 14);
}

TEST(MetricsRules, OnlyWebAddressesAreFetched) {
    EXPECT_TRUE(net::IsWebAddress(QStringLiteral("http://r.test/ale.php")));
    EXPECT_TRUE(net::IsWebAddress(QStringLiteral("HTTPS://r.test/ale.php")));
    EXPECT_FALSE(net::IsWebAddress(QStringLiteral("ale.php?lallname=x.com")));
    EXPECT_FALSE(net::IsWebAddress(QStringLiteral("r.test/ale.php")));
    EXPECT_FALSE(net::IsWebAddress(QStringLiteral("file:///etc/passwd")));
}

TEST(MetricsRules, InternationalNames) {
    struct Case {
        const char16_t* domain;
        bool international;
    };
    const Case cases[] = {
        {u"中文.com", true},         // first label of two Chinese characters
        {u"中abc.com", true},        // first character
        {u"abc中.com", true},        // last character of the first label
        {u"a中b.com", false},        // only in the middle: queried
        {u"example.中国", true},     // last character of the domain
        {u"example.中国.com", false},
        {u"example.com", false},
        {u"www.例子.cn", false},     // only the first label counts
        {u".com", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsInternationalName(U(c.domain)), c.international) << U(c.domain).toStdString();
}

TEST(MetricsRules, NumbersAndMarkers) {
    EXPECT_EQ(NumberOf(QStringLiteral("1234abc")), 1234);
    EXPECT_EQ(NumberOf(QStringLiteral("  56")), 56);
    EXPECT_EQ(NumberOf(U(u"约56")), 0);
    EXPECT_EQ(NumberOf(QStringLiteral("-5")), 0);
    EXPECT_EQ(NumberOf(QStringLiteral("")), 0);
    EXPECT_EQ(NumberOf(U(u"５")), 0);  // full-width digits are not read
    EXPECT_EQ(After(QStringLiteral("aMbMc"), QStringLiteral("M")), QStringLiteral("b"));
    EXPECT_EQ(After(QStringLiteral("aMb"), QStringLiteral("M")), QStringLiteral("b"));
    EXPECT_EQ(After(QStringLiteral("ab"), QStringLiteral("M")), QString());
    EXPECT_EQ(Before(QStringLiteral("12X34X"), QStringLiteral("X")), QStringLiteral("12"));
}

}  // namespace
}  // namespace ds::checks
