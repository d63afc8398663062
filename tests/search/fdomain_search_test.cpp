// Both searches, the all-extensions list and the statistics button of the main window, end to end on a
// real SQLite file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <sqlite3.h>

#include "core/clock.h"
#include "core/text.h"
#include "core/yield_pacer.h"
#include "db/demo_data.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "search/fdomain.h"
#include "search/fdomain_search_fixture.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"

using namespace ds;
using namespace ds::search;

namespace {

using namespace ds::search::test_search;

TEST_F(FdomainSearchTest, FiledSearchFillsTheGridAndThePagingBar) {
    child<QLineEdit>(u"lfind"_qs)->setText(u"a bc"_qs);
    child<QPushButton>(u"lsearch"_qs)->click();

    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(text(u"lstr"_qs), u"select top 2000 * from ldomainreg where (lregist=1) and lname like '%abc%' "_qs);
    EXPECT_EQ(text(u"pnumber"_qs), u"45"_qs);
    EXPECT_EQ(text(u"plist"_qs), u"20"_qs);
    EXPECT_EQ(text(u"ppageall"_qs), u"3"_qs);
    EXPECT_EQ(child<QComboBox>(u"ppagelist"_qs)->count(), 3);
    ASSERT_EQ(grid()->rows(), 21);
    EXPECT_EQ(grid()->cellText(1, 3), u"abc01.com"_qs);
    EXPECT_EQ(grid()->cellText(1, 4), u"将过期"_qs);
    EXPECT_EQ(grid()->cellText(2, 4), u"未注册"_qs);
    EXPECT_EQ(grid()->cellText(1, 5), u"55"_qs);
    EXPECT_EQ(column(1), QStringList(20, u"1"_qs));  // the default command 全选, applied after the load
    EXPECT_EQ(w_->state().loadedTable, u"ldomainreg"_qs);
    EXPECT_TRUE(w_->state().StopFlag);

    auto* strip = child<ui::BusyStrip>(u"floadtxt"_qs);
    EXPECT_TRUE(strip->isHidden());
    EXPECT_EQ(strip->text(), u"正在读取快速备案检索数据,请稍候"_qs);
    EXPECT_FALSE(child<QPushButton>(u"pfirst"_qs)->isEnabled());
    EXPECT_TRUE(child<QPushButton>(u"pnext"_qs)->isEnabled());
    EXPECT_TRUE(child<QPushButton>(u"pgo"_qs)->isEnabled());

    // The chosen command is re-applied on the next page; a new search starts again at page 1.
    auto* lsel = child<QComboBox>(u"lsel"_qs);
    lsel->setCurrentIndex(3);  // 选择将过期域名
    child<QPushButton>(u"pnext"_qs)->click();
    EXPECT_EQ(text(u"lshowpage"_qs), u"2"_qs);
    EXPECT_EQ(grid()->cellText(1, 3), u"abc21.com"_qs);
    EXPECT_EQ(grid()->cellText(1, 2), u"21"_qs);  // numbers count on from the first page
    EXPECT_EQ(column(1).mid(0, 2), (QStringList{u"1"_qs, u"0"_qs}));
    emit child<QLineEdit>(u"lfind"_qs)->returnPressed();
    EXPECT_EQ(grid()->cellText(1, 3), u"abc01.com"_qs);
    EXPECT_EQ(text(u"lshowpage"_qs), u"1"_qs);
    EXPECT_EQ(child<QComboBox>(u"ppagelist"_qs)->currentText(), u"1"_qs);
    EXPECT_TRUE(desktop_->messages.empty());
}

// What is typed into the page list is a request for Go: Enter adds nothing to the list, and a number
// longer than any page count still asks for the last page rather than reading back as page 1.
TEST_F(FdomainSearchTest, TypedPageNumberIsARequestNotAListEntry) {
    child<QPushButton>(u"lsearch"_qs)->click();
    auto* list = child<QComboBox>(u"ppagelist"_qs);
    ASSERT_EQ(list->count(), 3);
    for (const QString& typed : {u"abc"_qs, u"7"_qs}) {
        list->lineEdit()->setText(typed);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(list->lineEdit(), &enter);
        EXPECT_EQ(list->count(), 3) << typed.toStdString();
    }

    // The page holder reads the page shown, whatever was asked for.
    const struct {
        const char16_t* typed;
        const char16_t* shown;
        const char16_t* firstDomain;
    } cases[] = {
        {u"99999999999999999999", u"3", u"abc41.com"},
        {u"-99999999999999999999", u"1", u"abc01.com"},
        {u"2", u"2", u"abc21.com"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.typed).toStdString());
        list->setEditText(QString::fromUtf16(c.typed));
        child<QPushButton>(u"pgo"_qs)->click();
        EXPECT_EQ(text(u"lshowpage"_qs), QString::fromUtf16(c.shown));
        EXPECT_EQ(list->currentText(), QString::fromUtf16(c.shown));
        EXPECT_EQ(grid()->cellText(1, 3), QString::fromUtf16(c.firstDomain));
    }
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(FdomainSearchTest, RowsPerPageAndRowLimitShapeTheResult) {
    child<QLineEdit>(u"lsetrow"_qs)->setText(u"10"_qs);
    child<QLineEdit>(u"lmaxnum"_qs)->setText(u"25"_qs);
    child<QPushButton>(u"lsearch"_qs)->click();
    EXPECT_EQ(text(u"pnumber"_qs), u"25"_qs);
    EXPECT_EQ(text(u"ppageall"_qs), u"3"_qs);
    EXPECT_EQ(grid()->rows(), 11);
}

TEST_F(FdomainSearchTest, ExpiredSearchUsesItsOwnTabAndTable) {
    child<QLineEdit>(u"slfind"_qs)->setText(u"XYZ"_qs);
    child<QPushButton>(u"slsearch"_qs)->click();
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(text(u"lstr"_qs), u"select top 2000 * from ldomainhis where (lregist=1) and lname like 'xyz' "_qs);
    EXPECT_EQ(column(3), QStringList{u"xyz.net"_qs});
    EXPECT_EQ(child<ui::BusyStrip>(u"floadtxt"_qs)->text(), u"正在读取过期域名检索数据,请稍候"_qs);
    EXPECT_EQ(w_->state().loadedTable, u"ldomainhis"_qs);
}

TEST_F(FdomainSearchTest, EmptyResultSaysSoAndHidesThePagingBar) {
    child<QLineEdit>(u"lfind"_qs)->setText(u"nothing"_qs);
    child<QPushButton>(u"lsearch"_qs)->click();
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"出错了，没有找到相关资源"_qs);
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_TRUE(child(u"Fpage"_qs)->isHidden());
}

TEST_F(FdomainSearchTest, FailingSearchReportsAndKeepsTheGrid) {
    child<QPushButton>(u"lsearch"_qs)->click();
    ASSERT_EQ(grid()->rows(), 21);
    db::DbConn().query(u"drop table ldomainreg"_qs);
    db::DbConn().query(u"drop table ldomainhis"_qs);

    struct Case {
        QString button, message;
    };
    for (const Case& c : {Case{u"lsearch"_qs, u"快速过期备案检索有错误发生，请重试："_qs},
                          Case{u"slsearch"_qs, u"过期域名检索有错误发生，请重试："_qs}}) {
        SCOPED_TRACE(c.button.toStdString());
        desktop_->messages.clear();
        child<QPushButton>(c.button)->click();
        ASSERT_EQ(desktop_->messages.size(), 1u);
        EXPECT_TRUE(desktop_->messages[0].text.startsWith(c.message)) << desktop_->messages[0].text.toStdString();
        EXPECT_GT(desktop_->messages[0].text.size(), c.message.size());  // the engine's description follows
        EXPECT_EQ(grid()->rows(), 21);
        EXPECT_EQ(grid()->cellText(1, 3), u"abc01.com"_qs);
        EXPECT_TRUE(child<ui::BusyStrip>(u"floadtxt"_qs)->isHidden());
        for (const QString& b : {u"pfirst"_qs, u"pbefore"_qs, u"pnext"_qs, u"plast"_qs, u"pgo"_qs})
            EXPECT_FALSE(child<QPushButton>(b)->isEnabled()) << b.toStdString();
    }
    // The window stays usable: the list of extensions still loads.
    desktop_->messages.clear();
    child<QPushButton>(u"lshowdomain"_qs)->click();
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(grid()->rows(), 3);
}

// A keyword over 200 characters is refused before anything runs: the result set, grid, paging bar and
// the box's text stay. At 200 it searches (spaces count as typed; the search drops them itself). A
// NUL pasted into a box is not searched for.
TEST_F(FdomainSearchTest, KeywordLengthLimitAndNulCharacters) {
    child<QPushButton>(u"lsearch"_qs)->click();
    ASSERT_EQ(grid()->rows(), 21);
    const QString nul(QChar(u'\0'));
    const struct {
        const char* name;
        QString box, button, typed;
        bool refused;
        QString statement;  // when searched
        QStringList found;
    } cases[] = {
        {"201 characters", u"lfind"_qs, u"lsearch"_qs, u"abc01"_qs + QString(196, u' '), true, {}, {}},
        {"201 characters, expired search", u"slfind"_qs, u"slsearch"_qs, u"xyz"_qs + QString(198, u' '), true, {}, {}},
        {"200 characters", u"lfind"_qs, u"lsearch"_qs, u"abc01"_qs + QString(195, u' '), false,
         u"select top 2000 * from ldomainreg where (lregist=1) and lname like '%abc01%' "_qs, {u"abc01.com"_qs}},
        {"NUL inside", u"lfind"_qs, u"lsearch"_qs, u"abc"_qs + nul + u"02"_qs, false,
         u"select top 2000 * from ldomainreg where (lregist=1) and lname like '%abc02%' "_qs, {u"abc02.com"_qs}},
        {"NUL inside, expired search", u"slfind"_qs, u"slsearch"_qs, u"x"_qs + nul + u"yz"_qs, false,
         u"select top 2000 * from ldomainhis where (lregist=1) and lname like 'xyz' "_qs, {u"xyz.net"_qs}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        desktop_->messages.clear();
        const QString statementBefore = text(u"lstr"_qs);
        const QStringList domainsBefore = column(3);
        const QString countBefore = text(u"pnumber"_qs);
        child<QLineEdit>(c.box)->setText(c.typed);
        child<QPushButton>(c.button)->click();
        if (c.refused) {
            ASSERT_EQ(desktop_->messages.size(), 1u);
            EXPECT_EQ(desktop_->messages[0].text, u"检索关键字过长，最多 200 个字符"_qs);
            EXPECT_EQ(text(u"lstr"_qs), statementBefore);
            EXPECT_EQ(column(3), domainsBefore);
            EXPECT_EQ(text(u"pnumber"_qs), countBefore);
            EXPECT_EQ(db::DbRs2().state(), db::Recordset::StateOpen);  // the paging buttons still page
            EXPECT_EQ(child<QLineEdit>(c.box)->text(), c.typed);
        } else {
            for (const auto& m : desktop_->messages) ADD_FAILURE() << m.text.toStdString();
            EXPECT_EQ(text(u"lstr"_qs), c.statement);
            EXPECT_EQ(column(3), c.found);
        }
    }
}

TEST_F(FdomainSearchTest, AllExtensionsListForOnePrefix) {
    child<QPushButton>(u"lsearch"_qs)->click();
    child<QLineEdit>(u"ldomainpre"_qs)->setText(u"  hello "_qs);
    w_->state().StopFlag = true;  // cleared by the command itself
    child<QPushButton>(u"lshowdomain"_qs)->click();
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(column(2), (QStringList{u"1"_qs, u"2"_qs}));
    EXPECT_EQ(column(3), (QStringList{u"hello.com"_qs, u"hello.net"_qs}));
    EXPECT_EQ(column(5), (QStringList{u"55"_qs, u"66"_qs}));
    EXPECT_EQ(column(1), (QStringList{QString(), QString()}));  // the selection is left as it was
    EXPECT_EQ(text(u"pnumber"_qs), u"45"_qs);                   // and so is the paging bar
    EXPECT_TRUE(w_->state().loadedTable.isEmpty());
    EXPECT_TRUE(w_->state().StopFlag);  // a load suspended under the list must not carry on

    // A stop pressed while the list fills ends it after the row in hand.
    const ds::ScopedYieldInterval everyRow(std::chrono::milliseconds(0));  // as if each row took the interval
    QTimer::singleShot(0, child<QPushButton>(u"lstop1"_qs), &QPushButton::click);
    child<QPushButton>(u"lshowdomain"_qs)->click();
    EXPECT_EQ(column(3), QStringList{u"hello.com"_qs});

    db::DbConn().query(u"drop table ldomainprice"_qs);
    child<QPushButton>(u"lshowdomain"_qs)->click();
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_TRUE(desktop_->messages[0].text.startsWith(u"有错误发生，请重试："_qs));
    EXPECT_EQ(grid()->rows(), 2);
}

// The statistics button pressed while the list fills reopens the shared recordset the list was read
// from; the list is already in hand and comes out whole.
TEST_F(FdomainSearchTest, StatisticsDuringTheExtensionsListLeaveItWhole) {
    const ds::ScopedYieldInterval everyRow(std::chrono::milliseconds(0));  // as if each row took the interval
    child<QLineEdit>(u"ldomainpre"_qs)->setText(u"pre"_qs);
    QTimer::singleShot(0, child<QPushButton>(u"lshowtextbutton"_qs), &QPushButton::click);
    child<QPushButton>(u"lshowdomain"_qs)->click();
    for (const auto& m : desktop_->messages) ADD_FAILURE() << m.text.toStdString();
    EXPECT_EQ(column(3), (QStringList{u"pre.com"_qs, u"pre.net"_qs}));
    EXPECT_EQ(column(5), (QStringList{u"55"_qs, u"66"_qs}));
    EXPECT_EQ(text(u"lshowtext(0)"_qs), u"45"_qs);
}

TEST_F(FdomainSearchTest, StatisticsButtonFillsTheCounts) {
    child<QPushButton>(u"lshowtextbutton"_qs)->click();
    EXPECT_TRUE(desktop_->messages.empty());
    EXPECT_EQ(text(u"lshowtext(0)"_qs), u"45"_qs);
    EXPECT_EQ(text(u"lshowtext(1)"_qs), u"2"_qs);
    EXPECT_EQ(text(u"lshowtext(2)"_qs), u"3"_qs);
    EXPECT_EQ(text(u"lshowtext(11)"_qs), u"47"_qs);
    EXPECT_TRUE(child<ui::BusyStrip>(u"floadtxt"_qs)->isHidden());
}

// The demo database the program ships for offline use: both searches with their default options find
// rows, and the grid and paging bar agree with the table.
TEST(FdomainDemoDatabase, DefaultSearchesFillGridAndPagingBar) {
    test::TempCwd cwd;
    test::DesktopScope desktop;
    SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 0))));
    db::DemoOptions options;
    options.regRows = 300;
    options.hisRows = 300;
    options.backRows = 20;
    options.today = kToday;
    db::GenerateDemoDatabase(cwd.file(u"demo.db"_qs), options);
    db::NewDbObjects();
    db::DbConn().open(u"Provider=SQLite;Data Source="_qs + cwd.file(u"demo.db"_qs));

    Fdomain w;
    w.show();
    for (const auto& [button, table] : {std::pair{u"lsearch"_qs, u"ldomainreg"_qs}, std::pair{u"slsearch"_qs, u"ldomainhis"_qs}}) {
        SCOPED_TRACE(button.toStdString());
        const qint64 total =
            db::DbConn().query(u"select count(*) from "_qs + table + u" where lregist=1"_qs).rows.at(0).at(0).toLongLong();
        ASSERT_GT(total, 20);
        w.findChild<QPushButton*>(button)->click();
        EXPECT_TRUE(desktop->messages.empty());
        EXPECT_EQ(w.findChild<QLabel*>(u"pnumber"_qs)->text(), QString::number(qMin<qint64>(total, 2000)));
        EXPECT_EQ(w.grid1()->rows(), 21);
        EXPECT_TRUE(w.grid1()->cellText(1, 3).contains(u'.'));
        EXPECT_FALSE(w.grid1()->cellText(1, 4).isEmpty());
        EXPECT_EQ(w.grid1()->cellText(20, 2), u"20"_qs);
        EXPECT_EQ(w.grid1()->cellText(1, 1), u"1"_qs);
    }
    db::NewDbObjects();
    SetClock(nullptr);
}

}  // namespace
