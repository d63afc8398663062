// The site metrics check end to end: real widgets, real HTTP over loopback, GB2312 pages.
#include <QElapsedTimer>
#include <QMetaObject>

#include <iostream>

#include "checks/metrics_fixture.h"
#include "checks/metrics_rules.h"
#include "core/codepage.h"
#include "search/page_loader.h"
#include "ui/busy_strip.h"

namespace ds::checks::test_metrics {
namespace {

using Labels = std::vector<std::string>;
using Cells = std::vector<std::string>;

TEST_F(MetricsCheckTest, AllBoxesClearedVisitsRowsWithoutFetching) {
    setBoxes(false, false, false, false);
    setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn")});
    // Every button runs the check (an unwired one would say "此功能尚未开放").
    for (int i = 0; i < 3; ++i) click(QStringLiteral("lgetshow(%1)").arg(i));
    EXPECT_TRUE(services_.hits().empty());
    EXPECT_EQ(metrics(1), Cells({"-", "-", "-", "-"}));
    EXPECT_EQ(metrics(2), Cells({"-", "-", "-", "-"}));
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_FALSE(w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"))->isVisible());
}

TEST_F(MetricsCheckTest, OddRowsAskTheServicesAndEvenRowsTheRelay) {
    setBoxes(true, true, true, true);
    setRows({QStringLiteral(" example.com "), QStringLiteral("relay.cn"), QString::fromUtf16(u"中文.com"),
             QStringLiteral("no-dot"), QStringLiteral("a.net")});
    click(QStringLiteral("lgetshow(2)"));

    const Labels expected = {
        // row 1: direct, PageRank after its checksum
        "s/site", "s/domain", "alexa", "ck", "tbr",
        // row 2: the relay at index 0
        "r0/baidusite.php", "r0/baidudomain.php", "r0/ale.php", "r0/pr.php",
        // row 3: an international name gets no PageRank request; row 4 has no "."
        "s/site", "s/domain", "alexa",
        // row 5 is odd again
        "s/site", "s/domain", "alexa", "ck", "tbr"};
    EXPECT_EQ(services_.labels(), expected);
    for (const Hit& h : services_.hits()) {
        EXPECT_EQ(h.other, h.label == "ck" ? "" : kNowText) << h.label;
        EXPECT_NE(h.domain.find('.'), std::string::npos) << h.label << " asked about '" << h.domain << "'";
        EXPECT_EQ(h.domain.find(' '), std::string::npos) << "domain not trimmed: " << h.label;
    }
    EXPECT_EQ(metrics(1), Cells({"5", "1234", "5670", "12345"}));
    EXPECT_EQ(metrics(2), Cells({"4", "1234", "5670", "12345"}));
    EXPECT_EQ(metrics(3), Cells({"0", "1234", "5670", "12345"}));
    EXPECT_EQ(metrics(4), Cells({"-", "-", "-", "-"}));
    EXPECT_EQ(metrics(5), Cells({"5", "1234", "5670", "12345"}));
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_FALSE(w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"))->isVisible());
}

// Three relays and a failing direct service on row 1: relay 1, relay 2, the direct service, relay 1 ...
// Row 2 starts on the relay where row 1 ended.
TEST_F(MetricsCheckTest, FailuresRotateThroughRelaysAndCarryOverToTheNextRow) {
    setBoxes(false, true, false, false);
    setRelays({QStringLiteral("r0"), QStringLiteral("r1"), QStringLiteral("r2")});
    setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn"), QStringLiteral("a.net")});
    services_.setResponder([](const Hit& hit, int n) {
        return n < 6 ? Page("baidu_blocked.html") : MetricServices::Healthy(hit);
    });
    click(QStringLiteral("lgetshow(1)"));
    EXPECT_EQ(services_.labels(), Labels({"s/site", "r1/baidusite.php", "r2/baidusite.php", "s/site",
                                          "r1/baidusite.php", "r2/baidusite.php", "r2/baidusite.php", "s/site"}));
    EXPECT_EQ(grid()->cellText(1, 18), QStringLiteral("1234"));
    EXPECT_EQ(grid()->cellText(2, 18), QStringLiteral("1234"));
}

// The relay index starts at 0 with every run.
TEST_F(MetricsCheckTest, EachRunStartsOnTheFirstRelay) {
    setBoxes(false, true, false, false);
    setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn")});
    services_.setResponder([](const Hit& hit, int n) {
        return n == 1 ? std::string("black") : MetricServices::Healthy(hit);
    });
    click(QStringLiteral("lgetshow(0)"));
    click(QStringLiteral("lgetshow(0)"));
    EXPECT_EQ(services_.labels(),
              Labels({"s/site", "r1/baidusite.php", "r1/baidusite.php", "s/site", "r0/baidusite.php"}));
}

// Wrapping round to the direct service asks for a fresh checksum.
TEST_F(MetricsCheckTest, PageRankRetryOnTheToolbarFetchesANewChecksum) {
    setBoxes(true, false, false, false);
    setRows({QStringLiteral("example.com")});
    services_.setResponder([](const Hit& hit, int n) {
        if (hit.label == "tbr" && n == 2) return std::string("<html>>403.<</html> Rank");
        if (hit.label == "r1/pr.php") return std::string("Warning: file_get_contents(): failed");
        return MetricServices::Healthy(hit);
    });
    click(QStringLiteral("lgetshow(0)"));
    EXPECT_EQ(services_.labels(), Labels({"ck", "tbr", "r1/pr.php", "ck", "tbr"}));
    EXPECT_EQ(grid()->cellText(1, 17), QStringLiteral("5"));
}

// An empty relay setting leaves one empty base: the relay attempt is the bare script name, which
// fails without reaching the network, and the retry goes to the direct service.
TEST_F(MetricsCheckTest, EmptyRelayBaseFailsAndTheRetryGoesDirect) {
    setBoxes(false, true, false, true);
    setRelays({QString()});
    setRows({QStringLiteral("skip-me"), QStringLiteral("relay.cn")});
    QStringList asked;
    CheckSiteMetrics(*w_, [&](const QString& url) {
        asked << url;
    });
    const QString now = QString::fromStdString(kNowText);
    ASSERT_EQ(asked.size(), 4);
    EXPECT_EQ(asked[0], QStringLiteral("baidusite.php?lallname=relay.cn&other=") + now);
    EXPECT_EQ(asked[1], services_.url(QStringLiteral("/s?wd=site:relay.cn&other=")) + now);
    EXPECT_EQ(asked[2], QStringLiteral("ale.php?lallname=relay.cn&other=") + now);
    EXPECT_TRUE(asked[3].startsWith(services_.url(QStringLiteral("/data/+hR257qa3906mZ?cli=10&"))));
    EXPECT_EQ(services_.labels(), Labels({"s/site", "alexa"}));
    EXPECT_EQ(metrics(2), Cells({"-", "1234", "-", "12345"}));
}

// A data service that never answers: each direct request runs into the phase limit, the relays
// refuse at once, and after 101 retries the row gets "no rank".
TEST_F(MetricsCheckTest, ServiceThatNeverAnswersEndsAfter101Retries) {
    test::RawServer silent{QByteArray()};
    config_.edit().alexaUrl = silent.url(QString());
    config_.edit().dlPhaseTimeoutMs = 150;
    config_.apply();
    QStringList relays;
    for (int i = 0; i < 10; ++i) relays << QStringLiteral("r%1").arg(i);
    setRelays(relays);
    services_.setResponder([](const Hit&, int) { return std::string("black"); });
    setBoxes(false, false, false, true);
    setRows({QStringLiteral("example.com")});

    int direct = 0, total = 0;
    QElapsedTimer timer;
    timer.start();
    CheckSiteMetrics(*w_, [&](const QString& url) {
        ++total;
        direct += url.startsWith(silent.url(QString())) ? 1 : 0;
    });
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(total, 102);
    EXPECT_EQ(direct, 11);  // the first attempt and every tenth retry
    EXPECT_EQ(services_.count("r"), 91);
    EXPECT_EQ(static_cast<int>(silent.requests().size()), 11);
    // Nothing was measured: the cell keeps what it had, marked as not measured.
    EXPECT_EQ(grid()->cellText(1, 20), QStringLiteral("-"));
    EXPECT_TRUE(grid()->cellTip(1, 20).startsWith(QString::fromUtf16(kNotMeasuredTip)));
    EXPECT_LT(elapsed, 8000);
    std::cout << "[ measure ] 102 requests, 11 of them timing out after 150 ms: " << elapsed << " ms\n";
}

// Stop pressed while the third request is out: the run ends there. The metric whose retries were cut
// is marked as not measured; nothing else is asked.
TEST_F(MetricsCheckTest, StopEndsTheRun) {
    setBoxes(false, true, true, true);
    setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn"), QStringLiteral("a.net")});
    auto* stop = w_->findChild<QPushButton*>(QStringLiteral("lstop1"));
    ASSERT_NE(stop, nullptr);
    services_.setResponder([stop](const Hit&, int n) {
        if (n == 3) QMetaObject::invokeMethod(stop, "click", Qt::QueuedConnection);
        return std::string("black");
    });
    click(QStringLiteral("lgetshow(0)"));
    EXPECT_EQ(services_.labels(), Labels({"s/site", "r1/baidusite.php", "s/site"}));
    EXPECT_EQ(metrics(1), Cells({"-", "-", "-", "-"}));
    EXPECT_EQ(grid()->cellColor(1, 18), kNotMeasuredColor);
    for (int c : {17, 19, 20}) EXPECT_EQ(grid()->cellTip(1, c), QString()) << c;
    EXPECT_TRUE(grid()->cellTip(1, 18).endsWith(u"stopped after: HTTP 200, the answer carries no value · 2011-12-01 10:00:00"_qs)) << grid()->cellTip(1, 18).toStdString();
    EXPECT_EQ(metrics(2), Cells({"-", "-", "-", "-"}));
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_FALSE(w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"))->isVisible());
}

// The search service pushes back (a throttling status, then its verification page): the host is
// paused and asked again, and once it has refused after three pauses its jobs go to the relays like
// any failure instead of being read as "nothing found".
TEST_F(MetricsCheckTest, ASearchServiceThatPushesBackIsPausedThenLeftToTheRelays) {
    MetricServices baidu;
    baidu.setStatus([](const Hit&) { return 200; });
    std::atomic<int> seen{0};
    baidu.setStatus([&seen](const Hit&) { return ++seen == 1 ? 429 : 200; });
    baidu.setResponder([](const Hit& hit, int) {
        if (hit.label == "s/domain")
            return EncodeText(QString::fromUtf16(u"<html><head><title>百度安全验证</title></head><body><form>"
                                                 u"<input name=\"captcha\"></form>找到相关结果约0个</body></html>"),
                              QStringLiteral("GBK"))
                .toStdString();
        return MetricServices::Healthy(hit);
    });
    config_.edit().baiduUrl = baidu.url(QString());
    config_.edit().hostPauseMs = 0;
    config_.apply();
    setBoxes(false, true, true, false);
    setRows({QStringLiteral("example.com")});
    click(QStringLiteral("lgetshow(0)"));
    // 429, then the answer (which starts the count over); then verification pages in a row: three
    // pauses, and the fourth refusal gives the service up.
    EXPECT_EQ(baidu.labels(), Labels({"s/site", "s/site", "s/domain", "s/domain", "s/domain", "s/domain"}));
    EXPECT_EQ(services_.labels(), Labels({"r1/baidudomain.php"}));
    EXPECT_EQ(metrics(1), Cells({"-", "1234", "5670", "-"}));
    // Each measured cell says why and when.
    EXPECT_TRUE(grid()->cellTip(1, 18).startsWith(u"HTTP 200 · "_qs)) << grid()->cellTip(1, 18).toStdString();
    EXPECT_TRUE(grid()->cellTip(1, 19).startsWith(u"HTTP 200 · "_qs)) << grid()->cellTip(1, 19).toStdString();
}

// A metric that could not be measured keeps the loaded value, grey with a tooltip; the next run that
// measures it writes the value and takes the mark away.
TEST_F(MetricsCheckTest, UnmeasuredValuesKeepTheirTextUntilAMeasurementArrives) {
    setBoxes(true, false, false, true);
    setRelays({QStringLiteral("r0")});
    setRows({QStringLiteral("example.com")});
    grid()->setCellText(1, 20, QStringLiteral("321"));
    grid()->setCellText(1, 17, QStringLiteral("3"));
    services_.setResponder([](const Hit&, int) { return std::string("wrong"); });
    click(QStringLiteral("lgetshow(0)"));
    EXPECT_EQ(metrics(1), Cells({"3", "-", "-", "321"}));
    for (int c : {17, 20}) {
        EXPECT_TRUE(grid()->cellTip(1, c).startsWith(QString::fromUtf16(kNotMeasuredTip))) << c;
        EXPECT_EQ(grid()->cellColor(1, c), kNotMeasuredColor) << c;
    }

    services_.setResponder({});
    click(QStringLiteral("lgetshow(0)"));
    EXPECT_EQ(metrics(1), Cells({"5", "-", "-", "12345"}));
    for (int c : {17, 20}) {
        EXPECT_FALSE(grid()->cellTip(1, c).startsWith(QString::fromUtf16(kNotMeasuredTip))) << c;
        EXPECT_EQ(grid()->cellColor(1, c), 0u) << c;
    }
}

// A click on a query button while a run waits for an answer does not start a second run inside it;
// rows added during the run are left alone. The busy strip shows the run's text meanwhile.
TEST_F(MetricsCheckTest, ClickDuringRunIsIgnoredAndTheRowRangeIsFixed) {
    setBoxes(false, true, false, false);
    setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn")});
    auto* busy = w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
    QString busyText;
    bool busyShown = false;
    int calls = 0;
    CheckSiteMetrics(*w_, [&](const QString& url) {
        if (++calls == 1) {
            busyShown = busy->isVisible();
            busyText = busy->text();
            click(QStringLiteral("lgetshow(1)"));
            grid()->setRows(grid()->rows() + 1);
            grid()->setCellText(3, 3, QStringLiteral("late.com"));
        }
    });
    EXPECT_EQ(services_.labels(), Labels({"s/site", "r0/baidusite.php"}));
    EXPECT_TRUE(busyShown);
    EXPECT_EQ(busyText, QString::fromUtf16(kSiteMetricsBusyText));
    EXPECT_EQ(grid()->cellText(3, 18), QString());
    // The guard is released: the next click runs.
    click(QStringLiteral("lgetshow(1)"));
    EXPECT_EQ(services_.hits().size(), 5u);
}

// The row is given another domain while one of its fetches is out (a search or an import replaced the
// rows): neither that answer nor any later metric of the row is written into the other domain's row,
// and the run goes on with the next row.
TEST_F(MetricsCheckTest, RowReplacedDuringAFetchKeepsTheNewDomainsCells) {
    const struct {
        int replaceAtCall;
        Labels labels;
        Cells row1;
    } cases[] = {
        {1, {"s/site", "r0/baidusite.php", "r0/baidudomain.php", "r0/ale.php"}, {"-", "-", "-", "-"}},
        {2, {"s/site", "s/domain", "r0/baidusite.php", "r0/baidudomain.php", "r0/ale.php"}, {"-", "1234", "-", "-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replaceAtCall);
        setBoxes(false, true, true, true);
        setRows({QStringLiteral("example.com"), QStringLiteral("relay.cn")});
        const size_t before = services_.hits().size();
        int calls = 0;
        CheckSiteMetrics(*w_, [&](const QString& url) {
            if (++calls == c.replaceAtCall) grid()->setCellText(1, 3, QStringLiteral("other.com"));
        });
        const Labels all = services_.labels();
        EXPECT_EQ(Labels(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), c.labels);
        EXPECT_EQ(grid()->cellText(1, 3), QStringLiteral("other.com"));
        EXPECT_EQ(metrics(1), c.row1);
        EXPECT_EQ(metrics(2), Cells({"-", "1234", "5670", "12345"}));
    }
}

// Empty, binary and very large answers are reduced like any other text; those that never pass the
// failure test leave the cells as they were.
TEST_F(MetricsCheckTest, JunkAnswersAreReducedWithoutHarm) {
    setBoxes(true, true, true, true);
    setRelays({QStringLiteral("r0")});  // one relay: every retry goes direct
    setRows({QStringLiteral("example.com")});
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) & 0xFF);
    // The count marker followed by megabytes without "个".
    const std::string huge = EncodeText(QString::fromUtf16(u"找到相关结果数"), QStringLiteral("GBK")).toStdString() +
                             std::string(3 * 1024 * 1024, 'x');
    services_.setResponder([&](const Hit& hit, int) {
        if (hit.label == "s/site") return huge;
        if (hit.label == "s/domain" || hit.label == "tbr") return binary;
        return std::string();
    });
    click(QStringLiteral("lgetshow(0)"));
    // A count text without a number is no count: the cell keeps its value, marked as not measured,
    // and the rest of the page never reaches the grid.
    EXPECT_EQ(metrics(1), Cells({"-", "-", "-", "-"}));
    EXPECT_EQ(grid()->cellColor(1, 18), kNotMeasuredColor);
    EXPECT_TRUE(grid()->cellTip(1, 18).contains(u"the count text holds no number"_qs)) << grid()->cellTip(1, 18).toStdString();
    EXPECT_EQ(services_.count("s/site"), 102);
    EXPECT_EQ(services_.count("s/domain"), 102);
    EXPECT_EQ(services_.count("tbr"), 102);
}

}  // namespace
}  // namespace ds::checks::test_metrics
