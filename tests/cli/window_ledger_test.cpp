// The main window's registration check keeps its answers in the ledger, and dropscout-cli's
// --skip-fresh then answers those names from it without asking the service again.
#include <QCheckBox>
#include <QFile>
#include <QSpinBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "checks/ledger/ledger.h"
#include "checks/ledger/window_ledger.h"
#include "checks/reg_fixture.h"

namespace ds::checks::test_reg {
namespace {

using namespace Qt::StringLiterals;

class WindowLedgerTest : public CheckWindowTest {
protected:
    void TearDown() override {
        ledger::SetWindowLedgerPath({});
        CheckWindowTest::TearDown();
    }
};

TEST_F(WindowLedgerTest, WindowAnswersAreKeptAndSpareTheProgramARequest) {
    WhoisServer whois([](const std::string& domain, int) {
        return domain == "free.com" ? kFreePage : domain == "limit.com" ? kRateLimitPage : kRegisteredPage;
    });
    useWhois(whois);
    // The program compares with the real time: the window answers now, not on the fixture's fixed day.
    SetClock(std::make_shared<FixedClock>(QDateTime::currentDateTime()));
    const QString path = cwd_.file(u"ledger.db"_s);
    ledger::SetWindowLedgerPath(path);
    fillGrid({{u"free.com"_s, u"未注册"_s, {}, {}}, {u"taken.com"_s, u"未注册"_s, {}, {}}, {u"limit.com"_s, u"未注册"_s, {}, {}}});
    click(u"lregshow(0)"_s);
    ASSERT_EQ(whois.totalRequests(), 4);  // the query-limit page is no answer: asked again

    {
        ledger::Ledger l;
        ASSERT_TRUE(l.open(path));
        QStringList kept;
        for (const ledger::Answer& a : l.answersSince({})) kept << a.domain + u'=' + a.verdict;
        kept.sort();
        // limit.com twice: the first pass and the retry pass.
        EXPECT_EQ(kept, (QStringList{u"free.com=available"_s, u"limit.com=unknown"_s, u"limit.com=unknown"_s,
                                     u"taken.com=registered"_s}));
    }

    QFile ini(cwd_.file(u"dropscout.ini"_s));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("PerHostIntervalMs=0\n");
    ini.close();
    QProcess p;
    p.setWorkingDirectory(cwd_.path());
    p.start(QStringLiteral(DROPSCOUT_CLI), {u"--ledger"_s, path, u"check"_s, u"registration"_s, u"--skip-fresh"_s, u"24"_s,
                                            u"--whois-url"_s, whois.baseUrl(), u"-"_s});
    ASSERT_TRUE(p.waitForStarted(5000));
    p.write("free.com\ntaken.com\nlimit.com\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 1);  // limit.com is still unknown
    // Only the name without a clear answer was asked again.
    EXPECT_EQ(whois.requests("limit.com"), 4);
    EXPECT_EQ(whois.totalRequests(), 6);
    int cached = 0;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && QJsonDocument::fromJson(line).object().value(u"cached"_s).toBool()) ++cached;
    EXPECT_EQ(cached, 2);
}

TEST_F(WindowLedgerTest, SkipFreshOptionAnswersRecentNamesFromTheLedger) {
    WhoisServer whois([](const std::string& domain, int) {
        return domain == "free.com" ? kFreePage : domain == "limit.com" ? kRateLimitPage : kRegisteredPage;
    });
    useWhois(whois);
    ledger::SetWindowLedgerPath(cwd_.file(u"ledger.db"_s));
    const std::vector<GridRow> rows = {
        {u"free.com"_s, u"未注册"_s, {}, {}}, {u"taken.com"_s, u"未注册"_s, {}, {}}, {u"limit.com"_s, u"未注册"_s, {}, {}}};
    fillGrid(rows);
    click(u"lregshow(0)"_s);
    ASSERT_EQ(whois.totalRequests(), 4);  // the query-limit page is no answer: asked again
    const QStringList firstStatuses = column(Status);

    auto* on = w_->findChild<QCheckBox*>(u"lskipfresh"_s);
    auto* hours = w_->findChild<QSpinBox*>(u"lskiphours"_s);
    ASSERT_TRUE(on && hours);
    EXPECT_FALSE(on->isChecked());
    EXPECT_EQ(hours->value(), 24);

    // Off: every row is asked again.
    fillGrid(rows);
    click(u"lregshow(0)"_s);
    EXPECT_EQ(whois.totalRequests(), 8);

    // On: only the name whose last answer was not clear.
    on->setChecked(true);
    fillGrid(rows);
    click(u"lregshow(0)"_s);
    EXPECT_EQ(whois.totalRequests(), 10);
    EXPECT_EQ(whois.requests("limit.com"), 6);
    EXPECT_EQ(column(Status), firstStatuses);
    EXPECT_TRUE(grid()->cellTip(1, Status).contains(u"台账记录"_s)) << grid()->cellTip(1, Status).toStdString();

    // An answer older than the hours is asked again.
    SetClock(std::make_shared<FixedClock>(QDateTime(kToday.addDays(2), QTime(9, 0))));
    fillGrid(rows);
    click(u"lregshow(0)"_s);
    EXPECT_EQ(whois.totalRequests(), 14);
}

}  // namespace
}  // namespace ds::checks::test_reg
