// The registration status check on the real main window, against a loopback whois service and a real
// SQLite file.
#include <QComboBox>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QSpinBox>

#include <QFile>
#include <QRadioButton>

#include "app/demo_port43.h"
#include "checks/reg_check.h"
#include "checks/verdict.h"
#include "reg_fixture.h"
#include "ui/busy_strip.h"
#include "ui/grid_model.h"

namespace ds::checks::test_reg {
namespace {

using RegCheckTest = CheckWindowTest;

// Every answer from a map by domain; unknown domains get the registered page.
WhoisServer::Answer Pages(std::map<std::string, std::string> pages) {
    return [pages = std::move(pages)](const std::string& domain, int) {
        const auto it = pages.find(domain);
        return it == pages.end() ? kRegisteredPage : it->second;
    };
}

TEST_F(RegCheckTest, PicksRowsClassifiesAndRecolours) {
    WhoisServer whois(Pages({{"free.com", kFreePage},
                             {"odd.com", "Whois results for domain odd.com: No data found"},
                             {"down.com", kGarbagePage}}));
    useWhois(whois);
    fillGrid({{u"free.com"_qs, u"未注册"_qs, {}, {}},
              {u"taken.com"_qs, u"未注册"_qs, {}, {}},
              {u"odd.com"_qs, u"未注册"_qs, {}, {}},
              {u"down.com"_qs, u"未注册"_qs, {}, {}},
              {u"spaced.com"_qs, u"未注册 "_qs, {}, {}},  // not the exact text: left alone
              {u"nodot"_qs, u"未注册"_qs, {}, {}},        // never fetched
              {u"soon.com"_qs, u"将过期"_qs, {}, {}}});
    grid()->setCellColor(0, Domain, 0x123456);
    for (int r = 1; r < grid()->rows(); ++r) grid()->setCellColor(r, Status, 55);

    click(u"lregshow(0)"_qs);

    EXPECT_EQ(column(Status), (QStringList{u"未注册"_qs, u"已注册"_qs, u"不详"_qs, u"超时"_qs, u"未注册 "_qs,
                                           u"未注册"_qs, u"将过期"_qs}));
    const std::vector<uint32_t> colours = {255, 0x123456, 0x123456, 0x123456, 55, 55, 55};
    for (int r = 1; r < grid()->rows(); ++r) EXPECT_EQ(grid()->cellColor(r, Status), colours[r - 1]) << r;
    EXPECT_EQ(whois.requests("free.com"), 1);
    EXPECT_EQ(whois.requests("down.com"), 2);  // the retry pass asked again
    EXPECT_EQ(whois.requests("spaced.com"), 0);
    EXPECT_EQ(whois.requests("nodot"), 0);
    EXPECT_EQ(whois.requests("soon.com"), 0);
    EXPECT_EQ(whois.totalRequests(), 5);

    auto* strip = w_->findChild<ui::BusyStrip*>(u"floadtxt"_qs);
    EXPECT_EQ(strip->text(), u"正在读取获取即时注册信息，请稍候"_qs);
    EXPECT_TRUE(strip->isHidden());
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(RegCheckTest, RowsShowQueryingWhileTheirFetchRuns) {
    QStringList seen;
    WhoisServer whois([&](const std::string&, int) {
        QMetaObject::invokeMethod(w_.get(), [&] { seen << grid()->cellText(1, Status); }, Qt::QueuedConnection);
        return kRegisteredPage;
    });
    useWhois(whois);
    fillGrid({{u"abc.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(seen, QStringList{u"查询中"_qs});
    EXPECT_EQ(column(Status), QStringList{u"已注册"_qs});
}

TEST_F(RegCheckTest, RetryPassAsksAgainAboutRowsLeftTimedOut) {
    // The service fails on the first request about each domain and answers properly the second time.
    WhoisServer whois([](const std::string& domain, int nth) {
        if (nth == 1) return kGarbagePage;
        return domain == "a.com" ? kFreePage : kRegisteredPage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}, {u"b.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"未注册"_qs, u"已注册"_qs}));
    EXPECT_EQ(whois.requests("a.com"), 2);
    EXPECT_EQ(whois.requests("b.com"), 2);
}

// A stop ends the whole run: the retry pass would ask again about the very rows the stop cut.
TEST_F(RegCheckTest, StopEndsTheWholeRun) {
    // The stop button is pressed while b.com is being fetched, whose first answer is an error page.
    WhoisServer whois([&](const std::string& domain, int) {
        if (domain != "b.com") return kRegisteredPage;
        QMetaObject::invokeMethod(w_.get(), [&] { click(u"lstop1"_qs); }, Qt::QueuedConnection);
        return kGarbagePage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}},
              {u"b.com"_qs, u"未注册"_qs, {}, {}},
              {u"c.com"_qs, u"未注册"_qs, {}, {}},
              {u"d.com"_qs, u"超时"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    const QStringList status = column(Status);
    EXPECT_EQ(status[0], u"已注册"_qs);
    // b.com's answer may or may not have come in before the stop was seen; never left "查询中".
    EXPECT_TRUE(status[1] == u"未注册"_qs || status[1] == u"超时"_qs) << status[1].toStdString();
    EXPECT_EQ(status.mid(2), (QStringList{u"未注册"_qs, u"超时"_qs}));
    EXPECT_EQ(whois.requests("b.com"), 1);
    EXPECT_EQ(whois.requests("c.com"), 0);
    EXPECT_EQ(whois.requests("d.com"), 0);  // no retry pass after a stop
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_TRUE(w_->findChild<QLabel*>(u"lstatus"_qs)->text().startsWith(u"注册查询已停止"_qs));
}

// On the import tab the rows of an imported or pasted list have no status yet; the first pass asks
// about them too.
TEST_F(RegCheckTest, ImportTabAsksAboutRowsWithoutStatus) {
    WhoisServer whois(Pages({{"free.com", kFreePage}}));
    useWhois(whois);
    fillGrid({{u"free.com"_qs, {}, {}, {}}, {u"taken.com"_qs, {}, {}, {}}, {u"soon.com"_qs, u"将过期"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"未注册"_qs, u"已注册"_qs, u"将过期"_qs}));
    EXPECT_TRUE(grid()->cellTip(1, Status).startsWith(u"HTTP 200, free phrase"_qs)) << grid()->cellTip(1, Status).toStdString();
}

TEST_F(RegCheckTest, SilentServiceGivesTimedOutInBoundedTime) {
    ds::test::ConfigScope config;
    config.edit().receiveTimeoutMs = 300;
    config.apply();
    ds::test::RawServer silent({});
    RemoteSettings s;
    s.values.insert(u"lwhoisurl"_qs, silent.url(u"/whois?q="_qs));
    SetRemoteSettings(s);
    fillGrid({{u"abc.com"_qs, u"未注册"_qs, {}, {}}});

    QElapsedTimer t;
    t.start();
    click(u"lregshow(0)"_qs);
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(column(Status), QStringList{u"超时"_qs});
    EXPECT_EQ(silent.requests().size(), 2u);  // both passes asked once
}

// A whois address without its scheme (or an empty one, which leaves the bare domain) is not guessed
// into a host to fetch: the page fetched there would be classified as if the whois service had sent it.
TEST_F(RegCheckTest, WhoisAddressWithoutSchemeIsNotFetched) {
    WhoisServer whois([](const std::string&, int) { return kFreePage; });
    RemoteSettings s;
    s.loaded = true;
    s.values.insert(u"lwhoisurl"_qs, whois.baseUrl().mid(QStringLiteral("http://").size()));
    SetRemoteSettings(s);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), QStringList{u"超时"_qs});
    EXPECT_EQ(whois.totalRequests(), 0);
}

TEST_F(RegCheckTest, SecondClickDuringARunIsIgnored) {
    bool clicked = false;
    WhoisServer whois([&](const std::string&, int) {
        if (!clicked) {
            clicked = true;
            QMetaObject::invokeMethod(w_.get(), [&] { click(u"lregshow(0)"_qs); }, Qt::QueuedConnection);
        }
        return kRegisteredPage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}, {u"b.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(whois.totalRequests(), 2);
    EXPECT_EQ(column(Status), (QStringList{u"已注册"_qs, u"已注册"_qs}));
    EXPECT_FALSE(IsRegCheckRunning(*w_));
}

TEST_F(RegCheckTest, ReplacedRowIsNotGivenAnotherDomainsAnswer) {
    // While a.com is fetched, the grid is refilled with other rows (as a search or an import would).
    WhoisServer whois([&](const std::string& domain, int) {
        if (domain == "a.com")
            QMetaObject::invokeMethod(
                w_.get(), [&] { fillGrid({{u"x.com"_qs, u"将过期"_qs, {}, {}}}); }, Qt::QueuedConnection);
        return kFreePage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}, {u"b.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), QStringList{u"将过期"_qs});
    EXPECT_EQ(grid()->cellColor(1, Status), 0u);
}

// Several requests at once (the 并发查询数 box of a search tab, which the others follow): every picked
// row gets its own domain's answer; a list loaded over the grid meanwhile is left as it is, with no row
// left "查询中".
TEST_F(RegCheckTest, SeveralAtOnceEachRowGetsItsOwnAnswer) {
    auto* box = w_->findChild<QSpinBox*>(u"lconcurrency(1)"_qs);
    ASSERT_NE(box, nullptr);
    box->setValue(8);
    EXPECT_EQ(w_->findChild<QSpinBox*>(u"lconcurrency(0)"_qs)->value(), 8);
    const auto isFree = [](const std::string& domain) { return (domain[1] - '0') % 3 == 0; };
    WhoisServer whois([&](const std::string& domain, int) { return isFree(domain) ? kFreePage : kRegisteredPage; });
    useWhois(whois);
    std::vector<GridRow> rows;
    for (int i = 0; i < 10; ++i) rows.push_back({QStringLiteral("d%1.com").arg(i), u"未注册"_qs, {}, {}});
    fillGrid(rows);
    click(u"lregshow(0)"_qs);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(grid()->cellText(i + 1, Status), i % 3 == 0 ? u"未注册"_qs : u"已注册"_qs) << i;
    EXPECT_EQ(whois.totalRequests(), 10);

    bool replaced = false;
    WhoisServer slow([&](const std::string&, int) {
        if (!replaced) {
            replaced = true;
            QMetaObject::invokeMethod(
                w_.get(), [&] { fillGrid({{u"x.com"_qs, u"将过期"_qs, {}, {}}, {u"y.com"_qs, u"未注册"_qs, {}, {}}}); },
                Qt::QueuedConnection);
        }
        return kFreePage;
    });
    useWhois(slow);
    fillGrid(rows);
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"将过期"_qs, u"未注册"_qs}));
    EXPECT_EQ(grid()->cellColor(2, Status), 0u);
}

// An error page is not an answer, whatever it says: every row times out and is asked once more, and
// no row reads as free.
TEST_F(RegCheckTest, ErrorPagesOfTheServiceAreTimeoutsNotAnswers) {
    WhoisServer whois([](const std::string& domain, int) {
        return domain == "gone.com" ? kFreePage : kNginx404Page;
    });
    whois.setStatus([](const std::string& domain) { return domain == "gone.com" ? 500 : 404; });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}, {u"gone.com"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"超时"_qs, u"超时"_qs}));
    EXPECT_EQ(whois.requests("a.com"), 2);
    EXPECT_EQ(whois.requests("gone.com"), 2);
}

// The domain is typed over while its answer is out: the answer is dropped, and the row shows what it
// showed before, so a later run picks it again.
TEST_F(RegCheckTest, RowAbandonedDuringItsFetchGetsItsStatusBack) {
    WhoisServer whois([&](const std::string& domain, int) {
        if (domain == "a.com")
            QMetaObject::invokeMethod(
                w_.get(), [&] { grid()->setCellText(1, Domain, u"typed.com"_qs); }, Qt::QueuedConnection);
        return kFreePage;
    });
    useWhois(whois);
    fillGrid({{u"a.com"_qs, u"未注册"_qs, {}, {}}});
    grid()->setCellColor(1, Status, 255);
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), QStringList{u"未注册"_qs});
    EXPECT_EQ(grid()->cellColor(1, Status), 255u);
    EXPECT_EQ(whois.requests("a.com"), 1);

    click(u"lregshow(0)"_qs);
    EXPECT_EQ(whois.requests("typed.com"), 1);
}

TEST_F(RegCheckTest, SelectionRuleIsReappliedAfterTheCheck) {
    WhoisServer whois(Pages({{"free.com", kFreePage}}));
    useWhois(whois);
    fillGrid({{u"free.com"_qs, u"未注册"_qs, {}, {}}, {u"taken.com"_qs, u"未注册"_qs, {}, {}}});
    w_->findChild<QComboBox*>(u"lsel"_qs)->setCurrentIndex(2);  // 选择未注册域名
    w_->ApplySelection();
    EXPECT_EQ(column(1), (QStringList{u"1"_qs, u"1"_qs}));
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(1), (QStringList{u"1"_qs, u"0"_qs}));
}

// --- Write-back ------------------------------------------------------------------------------------

class RegWriteBackTest : public CheckWindowTest {
protected:
    void SetUp() override {
        CheckWindowTest::SetUp();
        // The same ids exist in both tables, so a statement sent to the wrong one would show.
        QString script;
        for (const QString& table : {u"ldomainreg"_qs, u"ldomainhis"_qs}) {
            script += DomainInsert(table, 57, u"gone"_qs, kToday.addDays(-1));
            script += DomainInsert(table, 58, u"today"_qs, kToday);
            script += DomainInsert(table, 59, u"later"_qs, kToday.addDays(3));
        }
        runScript(script);
    }
    QString regist(const QString& table, int lid) {
        return scalar(u"select lregist from " + table + u" where lid=" + QString::number(lid));
    }
};

TEST_F(RegWriteBackTest, RegisteredRowPastItsDeletionDateIsCorrectedInItsOwnTable) {
    WhoisServer whois([](const std::string&, int) { return kRegisteredPage; });
    useWhois(whois);
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    ASSERT_EQ(column(Domain), (QStringList{u"gone.com"_qs, u"today.com"_qs, u"later.com"_qs}));
    ASSERT_EQ(column(Status), (QStringList{u"未注册"_qs, u"未注册"_qs, u"将过期"_qs}));

    // The history tab's button on rows loaded from ldomainreg: the ids belong to another table.
    click(u"lregshow(2)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"已注册"_qs, u"已注册"_qs, u"将过期"_qs}));
    EXPECT_EQ(regist(u"ldomainhis"_qs, 57), u"1"_qs);
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);

    for (int r : {1, 2}) grid()->setCellText(r, Status, u"未注册"_qs);
    click(u"lregshow(1)"_qs);
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"0"_qs);  // deleted yesterday, registered again
    EXPECT_EQ(regist(u"ldomainreg"_qs, 58), u"1"_qs);  // deleted today: not yet past
    EXPECT_EQ(regist(u"ldomainreg"_qs, 59), u"1"_qs);  // not visited ("将过期")
    EXPECT_EQ(regist(u"ldomainhis"_qs, 57), u"1"_qs);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(RegWriteBackTest, RowsFromNoTableAreNeverWrittenBack) {
    WhoisServer whois([](const std::string&, int) { return kRegisteredPage; });
    useWhois(whois);
    // Typed or imported rows carrying an id and a past deletion date, checked from every button.
    for (const QString& button : {u"lregshow(0)"_qs, u"lregshow(1)"_qs, u"lregshow(2)"_qs}) {
        fillGrid({{u"gone.com"_qs, u"未注册"_qs, u"57"_qs, IsoDate(kToday.addDays(-1))}});
        click(button);
        EXPECT_EQ(column(Status), QStringList{u"已注册"_qs}) << button.toStdString();
    }
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);
    EXPECT_EQ(regist(u"ldomainhis"_qs, 57), u"1"_qs);

    // The import tab's button writes nothing even on rows a search loaded.
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status).first(), u"已注册"_qs);
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);
}

// The user types another domain over a loaded row, through the grid's editor: the row no longer stands
// for its database row, so the new name's answer must not correct the original one. Editing another
// column keeps the link.
TEST_F(RegWriteBackTest, RowWhoseDomainTheUserRetypedIsNotWrittenBack) {
    WhoisServer whois([](const std::string&, int) { return kRegisteredPage; });
    useWhois(whois);
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    ASSERT_EQ(column(Id), (QStringList{u"57"_qs, u"58"_qs, u"59"_qs}));
    ui::GridModel* model = grid()->model();
    ASSERT_TRUE(model->setData(model->index(0, Domain), u"retyped.com"_qs, Qt::EditRole));
    ASSERT_TRUE(model->setData(model->index(1, search::col::Price), u"99"_qs, Qt::EditRole));
    EXPECT_EQ(column(Id), (QStringList{QString(), u"58"_qs, u"59"_qs}));

    click(u"lregshow(1)"_qs);
    EXPECT_EQ(column(Status).first(), u"已注册"_qs);
    EXPECT_EQ(whois.requests("retyped.com"), 1);
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);
    EXPECT_TRUE(desktop_->messages.empty());
}

// A page that falls through to "已注册" without a registration record (a query-limit page) says
// nothing: it shows 超时 with the reason, is asked again by the retry pass, and writes nothing.
TEST_F(RegWriteBackTest, PageWithoutARegistrationRecordIsNoAnswer) {
    WhoisServer whois([](const std::string&, int) { return kRateLimitPage; });
    useWhois(whois);
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    click(u"lregshow(1)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"超时"_qs, u"超时"_qs, u"将过期"_qs}));
    EXPECT_TRUE(grid()->cellTip(1, Status).contains(u"no registration record"_qs)) << grid()->cellTip(1, Status).toStdString();
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);
}

// The check goes on past failed updates, and says at the end how many could not be saved and why.
TEST_F(RegWriteBackTest, FailedUpdatesAreCountedAndToldOnceAtTheEnd) {
    WhoisServer whois([](const std::string&, int) { return kRegisteredPage; });
    useWhois(whois);
    runScript(DomainInsert(u"ldomainreg"_qs, 60, u"gone2"_qs, kToday.addDays(-9)));
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    // The program's connection can read but not write, as on a read-only or locked database.
    db::DbConn().query(u"PRAGMA query_only=1"_qs);
    click(u"lregshow(1)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"已注册"_qs, u"已注册"_qs, u"将过期"_qs, u"已注册"_qs}));
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text,
              QString::fromUtf16(WriteBackFailedText).arg(2) + u"attempt to write a readonly database"_qs);
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"1"_qs);
}

// After the database refused one update, the rest of the run is not sent (each would wait for the lock
// again), even once the database would take it; all are counted.
TEST_F(RegWriteBackTest, AfterARefusedUpdateTheRestOfTheRunIsNotSent) {
    WhoisServer whois([this](const std::string& domain, int) {
        if (domain == "gone2.com")  // the last row: by now the database would take updates again
            QMetaObject::invokeMethod(
                w_.get(), [] { db::DbConn().query(u"PRAGMA query_only=0"_qs); }, Qt::QueuedConnection);
        return kRegisteredPage;
    });
    useWhois(whois);
    runScript(DomainInsert(u"ldomainreg"_qs, 60, u"gone2"_qs, kToday.addDays(-9)));
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    db::DbConn().query(u"PRAGMA query_only=1"_qs);
    click(u"lregshow(1)"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_TRUE(desktop_->messages[0].text.startsWith(QString::fromUtf16(WriteBackFailedText).arg(2)));
    EXPECT_EQ(regist(u"ldomainreg"_qs, 60), u"1"_qs);
}

}  // namespace
}  // namespace ds::checks::test_reg

namespace ds::checks::test_reg {
namespace {

std::string RdapDomain(const std::string& name, const std::string& status, const std::string& deletion = {}) {
    std::string events = R"({"eventAction":"registration","eventDate":"2001-02-03T00:00:00Z"})";
    if (!deletion.empty()) events += R"(,{"eventAction":"deletion","eventDate":")" + deletion + R"("})";
    return R"({"objectClassName":"domain","ldhName":")" + name + R"(","status":[")" + status +
           R"("],"events":[)" + events + "]}";
}

// 查询来源 注册局: RDAP for .com, port-43 whois for .cn, none for .zz. Each verdict shows in the status
// cell with its facts in the tooltip, and only a registry's record corrects the table.
TEST_F(RegWriteBackTest, TheRegistryRouteShowsEachVerdictAndWritesBackOnARecordOnly) {
    ds::test::LoopbackServer<> rdap;
    rdap.server.Get(R"(/domain/(.+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::string name = req.matches[1];
        if (name == "free.com") {
            res.status = 404;
            return res.set_content(R"({"errorCode":404})", "application/rdap+json");
        }
        const std::string status = name == "today.com" ? "pending delete" : name == "reserved.com" ? "reserved" : "active";
        res.set_content(RdapDomain(name, status, name == "today.com" ? "2024-05-06T00:00:00Z" : ""),
                        "application/rdap+json");
    });
    rdap.start();
    demo::Port43Server whois43([](const std::string& name) {
        return "Domain Name: " + name + "\r\nDomain Status: redemptionPeriod\r\nSponsoring Registrar: 某某网络\r\n";
    });
    ASSERT_TRUE(whois43.bind("127.0.0.1", 0));
    whois43.start();
    QFile bootstrap(cwd_.file(u"dns.json"_qs)), servers(cwd_.file(u"whois.txt"_qs));
    ASSERT_TRUE(bootstrap.open(QIODevice::WriteOnly) && servers.open(QIODevice::WriteOnly));
    bootstrap.write(R"({"version":"1.0","services":[[["com"],[")" + rdap.url(u"/"_qs).toUtf8() + R"("]]]})");
    servers.write("cn 127.0.0.1:" + QByteArray::number(whois43.port()) + "\n");
    bootstrap.close();
    servers.close();
    engineConfig_.edit().rdapBootstrap = bootstrap.fileName();
    engineConfig_.edit().whoisServers = servers.fileName();
    engineConfig_.apply();
    EXPECT_TRUE(w_->findChild<QWidget*>(u"lregshow(1)"_qs)->toolTip().contains(u"运营方页面"_qs));
    w_->findChild<QRadioButton*>(u"lregsource(1)"_qs)->setChecked(true);
    // The search tabs' buttons say which source they ask.
    EXPECT_TRUE(w_->findChild<QWidget*>(u"lregshow(1)"_qs)->toolTip().contains(u"注册局"_qs));

    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs);
    click(u"lregshow(1)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"已注册"_qs, u"已注册"_qs, u"将过期"_qs}));
    EXPECT_EQ(regist(u"ldomainreg"_qs, 57), u"0"_qs);  // an RDAP record, deleted yesterday: taken again
    EXPECT_EQ(grid()->cellColor(2, Status), kDroppingColor);
    const QString tip = grid()->cellTip(2, Status);
    EXPECT_TRUE(tip.contains(u"待删除，预计 2024-05-06 删除"_qs)) << tip.toStdString();
    EXPECT_TRUE(tip.contains(u"RDAP http://127.0.0.1:"_qs) && tip.contains(u"HTTP 200"_qs)) << tip.toStdString();

    fillGrid({{u"free.com"_qs, u"未注册"_qs, {}, {}},
              {u"reserved.com"_qs, u"未注册"_qs, {}, {}},
              {u"www.redeem.cn"_qs, u"未注册"_qs, {}, {}},
              {u"x.zz"_qs, u"未注册"_qs, {}, {}}});
    click(u"lregshow(0)"_qs);
    EXPECT_EQ(column(Status), (QStringList{u"未注册"_qs, u"不详"_qs, u"已注册"_qs, u"不详"_qs}));
    EXPECT_EQ(grid()->cellColor(1, Status), search::kMarkColor);
    EXPECT_EQ(grid()->cellColor(3, Status), kDroppingColor);
    EXPECT_TRUE(grid()->cellTip(3, Status).contains(u"赎回期"_qs)) << grid()->cellTip(3, Status).toStdString();
    EXPECT_TRUE(grid()->cellTip(3, Status).contains(u"whois 127.0.0.1"_qs)) << grid()->cellTip(3, Status).toStdString();
    EXPECT_TRUE(grid()->cellTip(4, Status).contains(u"no registry service for .zz"_qs));
}

}  // namespace
}  // namespace ds::checks::test_reg
