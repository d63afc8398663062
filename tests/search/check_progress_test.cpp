// The live checks as the main window shows them: a count per pass on the busy strip, and a closing line
// on the status line that says what the run found. Real widgets, a real SQLite file and a loopback whois
// service.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMetaObject>

#include "checks/reg_fixture.h"
#include "ui/busy_strip.h"
#include <QProgressBar>

namespace ds::checks::test_reg {
namespace {

class CheckProgressTest : public CheckWindowTest {
protected:
    ui::BusyStrip* strip() { return w_->findChild<ui::BusyStrip*>(u"floadtxt"_qs); }
    QString statusLine() { return w_->findChild<QLabel*>(u"lstatus"_qs)->text(); }
};

TEST_F(CheckProgressTest, RegistrationCheckCountsEachPassAndSumsUpTheRows) {
    QStringList counts;
    WhoisServer whois([&](const std::string& domain, int nth) {
        QMetaObject::invokeMethod(w_.get(), [&] { counts << strip()->shownText(); }, Qt::QueuedConnection);
        if (domain == "free.com") return kFreePage;
        if (domain == "slow.com" && nth == 1) return kGarbagePage;  // answered on the retry
        if (domain == "down.com") return kGarbagePage;
        return kRegisteredPage;
    });
    useWhois(whois);
    fillGrid({{u"free.com"_qs, u"未注册"_qs, {}, {}},
              {u"taken.com"_qs, u"未注册"_qs, {}, {}},
              {u"slow.com"_qs, u"未注册"_qs, {}, {}},
              {u"down.com"_qs, u"未注册"_qs, {}, {}},
              {u"soon.com"_qs, u"将过期"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);

    // Four rows in the first pass, the two left "超时" in the retry; one request under way at a time.
    const QString busy = u"正在读取获取即时注册信息，请稍候  "_qs;
    const QString one = u"，进行中 1"_qs;
    EXPECT_EQ(counts, (QStringList{busy + u"0 / 4" + one, busy + u"1 / 4" + one, busy + u"2 / 4" + one,
                                   busy + u"3 / 4" + one, busy + u"0 / 2" + one, busy + u"1 / 2" + one}));
    EXPECT_TRUE(strip()->isHidden());
    EXPECT_EQ(statusLine(), u"注册查询完成：已注册 2，未注册 1，超时 1"_qs);

    // A new command clears the line; a run with nothing to ask says so.
    fillGrid({{u"taken.com"_qs, u"已注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(statusLine(), u"注册查询完成：没有要查询的未注册域名"_qs);
}

TEST_F(CheckProgressTest, StoppedRegistrationCheckSaysItStopped) {
    WhoisServer whois([&](const std::string&, int) {
        QMetaObject::invokeMethod(w_.get(), [&] { click(u"lstop1"_qs); }, Qt::QueuedConnection);
        return kRegisteredPage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}, {u"b.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(statusLine(), u"注册查询已停止：已注册 1，未注册 0，超时 0"_qs);
}

TEST_F(CheckProgressTest, FilingCheckCountsRowsAndSumsUpWhatItFound) {
    runScript(u"insert into ldomainback (lallname,lback,lbackhostkind,lbacktime,lbackname) values "
              u"('abc.com','京ICP备000001号','企业','2011-03-04','第一站');"_qs);
    fillGrid({{u"abc.com"_qs, {}, {}, {}}, {u"nodot"_qs, {}, {}, {}}, {u"none.com"_qs, {}, {}, {}}});
    QStringList counts;
    QObject::connect(strip(), &ui::BusyStrip::progressChanged, [&] { counts << strip()->shownText(); });
    click(u"lbackshow(0)"_qs);
    const QString busy = u"正在读取备案数据,请稍候  "_qs;
    const QString none = u"，进行中 0"_qs;
    EXPECT_EQ(counts, (QStringList{busy + u"0 / 3" + none, busy + u"1 / 3" + none, busy + u"2 / 3" + none,
                                   busy + u"3 / 3" + none}));
    EXPECT_EQ(statusLine(), u"备案查询完成：已备案 1，未备案 1"_qs);  // a row without a "." is not looked up

    runScript(u"drop table ldomainback;"_qs);
    click(u"lbackshow(0)"_qs);
    EXPECT_EQ(statusLine(), u"备案查询出错中止：已备案 0，未备案 0"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
}

}  // namespace
}  // namespace ds::checks::test_reg

#include "checks/metrics_fixture.h"

namespace ds::checks::test_metrics {
namespace {

TEST_F(MetricsCheckTest, MetricsCheckCountsRowsAndSaysWhatItCouldNotGet) {
    setBoxes(false, true, false, false);  // Baidu "site:" only
    // Every source fails for bad.cn, so its count stays unmeasured after the retries.
    services_.setResponder([](const Hit& hit, int) {
        return hit.domain == "bad.cn" ? std::string("no such page") : MetricServices::Healthy(hit);
    });
    setRows({QStringLiteral("example.com"), QStringLiteral("no-dot"), QStringLiteral("bad.cn")});
    auto* busy = w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
    QStringList counts;
    // Each count once: the note beside it (requests under way) changes in between.
    QObject::connect(busy, &ui::BusyStrip::progressChanged, [&] {
        const QString count = ui::ProgressCount(busy->done(), busy->total());
        if (counts.isEmpty() || counts.back() != count) counts << count;
    });
    click(QStringLiteral("lgetshow(0)"));

    // Two rows have a domain to ask about; the count moves as a row's last answer is in.
    const QString text = QString::fromUtf16(kSiteMetricsBusyText) + u"  ";
    EXPECT_EQ(counts, (QStringList{u"0 / 2"_qs, u"1 / 2"_qs, u"2 / 2"_qs}));
    EXPECT_EQ(w_->findChild<QLabel*>(QStringLiteral("lstatus"))->text(), u"收录查询完成：已查询 2 个域名，1 项未取得"_qs);
}

}  // namespace
}  // namespace ds::checks::test_metrics
