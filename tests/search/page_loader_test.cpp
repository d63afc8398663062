// Grid loading and paging against a real SQLite file, with the paging bar's real widgets.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <sqlite3.h>

#include "core/clock.h"
#include "core/text.h"
#include "core/yield_pacer.h"
#include "db/schema.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "search/page_loader.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"
#include "ui/grid_model.h"

using namespace ds;
using namespace ds::search;

namespace {

const QDate kToday(2024, 5, 1);

// One domain row; a null optional column is written as NULL.
struct Domain {
    int lid;
    QString name, extension, deleted;
    bool filed = true;
};

QString Quoted(const QString& text) { return text.isNull() ? u"NULL"_qs : u'\'' + text + u'\''; }

QString InsertStatement(const QString& table, const Domain& d) {
    const QString filed = d.filed ? u"'京ICP备" + QString::number(d.lid) + u"号','2011-03-04','企业','站点"_qs +
                                        QString::number(d.lid) + u'\''
                                  : u"NULL,NULL,NULL,NULL"_qs;
    return u"insert into "_qs + table +
           u" (lid,lname,lextend,lallname,lregist,lregtime,louttime,ldeltime,lback,lbacktime,"
           u"lbackhostkind,lbackname,lgooglepr,lalexa,lbaidusite,lbaidudomain) values ("_qs +
           QString::number(d.lid) + u',' + Quoted(d.name) + u',' + Quoted(d.extension) + u',' +
           Quoted(d.name + d.extension) + u",1,'2010-01-02 00:00:00','2024-04-01'," + Quoted(d.deleted) +
           u',' + filed + u",3,123456,200,100);";
}

class PageLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock(std::make_shared<FixedClock>(QDateTime(kToday, QTime(9, 30))));
        path_ = cwd_.file(u"domains.db"_qs);
        runScript(db::SqliteSchemaTables() +
                  u"insert into ldomainprice (lextend,lprice) values ('.com','55'),('.net','66');"_qs);

        window_.resize(900, 600);
        grid_ = new ui::GridControl(&window_);
        grid_->setCols(col::Count);
        grid_->setCheckColumn(col::Selected);
        grid_->setCellText(0, col::Domain, u"域名地址"_qs);
        c_.grid1 = grid_;
        c_.Fpage = new QWidget(&window_);
        c_.pnumber = label(u"0"_qs);
        c_.plist = label(u"0"_qs);
        c_.ppageall = label(u"1"_qs);
        c_.lshowpage = label(u"lshowpage"_qs);  // its design-time text, read as page 0
        c_.lstr = label(QString());
        c_.ppagelist = new QComboBox(c_.Fpage);
        c_.ppagelist->setEditable(true);
        for (QPushButton** b : {&c_.pfirst, &c_.pbefore, &c_.pnext, &c_.plast, &c_.pgo})
            *b = new QPushButton(c_.Fpage);
        c_.floadtxt = new ui::BusyStrip(QString(), &window_);
        loader_ = std::make_unique<PageLoader>(c_, state_, [this] { ++reapplied_; });

        db::NewDbObjects();
        db::DbConn().open(u"Provider=SQLite;Data Source="_qs + path_);
    }

    void TearDown() override {
        db::NewDbObjects();
        SetClock(nullptr);
    }

    QLabel* label(const QString& text) { return new QLabel(text, &window_); }

    // One transaction and no syncing: the tables are those of the real schema, only made faster.
    void runScript(const QString& script) {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &handle), SQLITE_OK);
        db::ExecSqliteScript(handle, u"pragma synchronous=off;begin;"_qs + script + u"commit;"_qs);
        sqlite3_close(handle);
    }

    // `count` rows d01.com, d02.net, d03.xyz, ... (.xyz has no price), deletion dates spread around today.
    void addDomains(const QString& table, int count) {
        QString script;
        static const QString extensions[] = {u".com"_qs, u".net"_qs, u".xyz"_qs};
        for (int i = 1; i <= count; ++i) {
            const QString name = u"d"_qs + QString::number(i).rightJustified(2, u'0');
            script += InsertStatement(table, {i, name, extensions[(i - 1) % 3], IsoDate(kToday.addDays(i - 20))});
        }
        runScript(script);
    }

    void search(const QString& sql) {
        c_.lstr->setText(sql);
        loader_->OpenPageQuery();
        loader_->LoadGridPage();
    }

    QStringList column(int col) const {
        QStringList texts;
        for (int r = 1; r < grid_->rows(); ++r) texts << grid_->cellText(r, col);
        return texts;
    }

    QStringList pageList() const {
        QStringList items;
        for (int i = 0; i < c_.ppagelist->count(); ++i) items << c_.ppagelist->itemText(i);
        return items;
    }

    // pfirst, pbefore, pnext, plast enabled as a string of 0/1 in that order.
    std::string buttons() const {
        std::string s;
        for (QPushButton* b : {c_.pfirst, c_.pbefore, c_.pnext, c_.plast}) s += b->isEnabled() ? '1' : '0';
        return s;
    }

    static QStringList Names(int from, int to) {
        static const QString extensions[] = {u".com"_qs, u".net"_qs, u".xyz"_qs};
        QStringList names;
        for (int i = from; i <= to; ++i)
            names << u"d"_qs + QString::number(i).rightJustified(2, u'0') + extensions[(i - 1) % 3];
        return names;
    }

    test::TempCwd cwd_;
    test::DesktopScope desktop_;
    QString path_;
    QWidget window_;
    ui::GridControl* grid_ = nullptr;
    PagingControls c_;
    SearchState state_;
    int reapplied_ = 0;
    std::unique_ptr<PageLoader> loader_;
};

const QString kRegSearch = u"select top 2000 * from ldomainreg where (lregist=1) order by lid"_qs;

}  // namespace

TEST_F(PageLoaderTest, FortyFiveRowsPageThroughThreePages) {
    addDomains(u"ldomainreg"_qs, 45);
    search(kRegSearch);

    EXPECT_EQ(c_.pnumber->text(), u"45");
    EXPECT_EQ(c_.plist->text(), u"20");
    EXPECT_EQ(c_.ppageall->text(), u"3");
    EXPECT_EQ(pageList(), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs}));
    // A new result starts at page 1, and the holder says so.
    EXPECT_EQ(c_.ppagelist->currentText(), u"1");
    EXPECT_EQ(c_.lshowpage->text(), u"1");
    EXPECT_EQ(column(col::Domain), Names(1, 20));
    EXPECT_EQ(buttons(), "0011");
    EXPECT_FALSE(c_.Fpage->isHidden());
    EXPECT_TRUE(c_.floadtxt->isHidden());
    EXPECT_TRUE(state_.StopFlag);
    EXPECT_EQ(state_.loadedTable, u"ldomainreg");
    EXPECT_EQ(reapplied_, 1);

    const struct Step {
        void (PageLoader::*click)();
        const char16_t* requested;
        int first, last;
        const char* buttons;
    } steps[] = {
        {&PageLoader::pnext_Click, u"2", 21, 40, "1111"},
        {&PageLoader::pnext_Click, u"3", 41, 45, "1100"},
        {&PageLoader::pbefore_Click, u"2", 21, 40, "1111"},
        {&PageLoader::pfirst_Click, u"1", 1, 20, "0011"},
        {&PageLoader::plast_Click, u"3", 41, 45, "1100"},
    };
    for (const Step& step : steps) {
        (loader_.get()->*step.click)();
        const QString requested = QString::fromUtf16(step.requested);
        SCOPED_TRACE(requested.toStdString());
        EXPECT_EQ(c_.lshowpage->text(), requested);
        EXPECT_EQ(c_.ppagelist->currentText(), requested);
        EXPECT_EQ(column(col::Domain), Names(step.first, step.last));
        EXPECT_EQ(buttons(), step.buttons);
        // Numbers count the place in the result: page 2 starts at 21.
        EXPECT_EQ(grid_->cellText(1, col::Number), QString::number(step.first));
        EXPECT_EQ(grid_->cellText(grid_->rows() - 1, col::Number), QString::number(step.last));
    }
    EXPECT_EQ(reapplied_, 6);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(PageLoaderTest, RequestBeyondTheLastPageShowsAndRecordsTheLastPage) {
    addDomains(u"ldomainreg"_qs, 45);
    search(kRegSearch);
    c_.ppagelist->setEditText(u"7"_qs);
    loader_->pgo_Click();
    EXPECT_EQ(c_.lshowpage->text(), u"3");
    EXPECT_EQ(c_.ppagelist->currentText(), u"3");
    EXPECT_EQ(column(col::Domain), Names(41, 45));
    EXPECT_EQ(buttons(), "1100");
    // "上一页" steps from the page shown, not from the page asked for.
    loader_->pbefore_Click();
    EXPECT_EQ(c_.lshowpage->text(), u"2");
    EXPECT_EQ(column(col::Domain), Names(21, 40));

    // A new search opens at its first page.
    search(u"select top 30 * from ldomainreg where (lregist=1) order by lid"_qs);
    EXPECT_EQ(c_.ppageall->text(), u"2");
    EXPECT_EQ(column(col::Domain), Names(1, 20));
    EXPECT_EQ(c_.lshowpage->text(), u"1");
}

TEST_F(PageLoaderTest, EmptyResultShowsMessageEmptiesGridAndHidesPaging) {
    addDomains(u"ldomainreg"_qs, 5);
    search(kRegSearch);
    ASSERT_EQ(grid_->rows(), 6);
    ASSERT_FALSE(c_.Fpage->isHidden());

    search(u"select top 2000 * from ldomainreg where (lregist=1) and lname like '%zzz%'"_qs);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text, u"出错了，没有找到相关资源");
    EXPECT_EQ(grid_->rows(), 1);
    EXPECT_EQ(grid_->cellText(0, col::Domain), u"域名地址");
    EXPECT_TRUE(c_.Fpage->isHidden());
    EXPECT_EQ(c_.pnumber->text(), u"0");
    EXPECT_EQ(reapplied_, 2);
    EXPECT_TRUE(state_.StopFlag);
}

TEST_F(PageLoaderTest, CellsCarryFieldsPricesDatesAndStatus) {
    // d01: deleted 19 days ago; a row without filing data; one deleted 10 days ahead with a time part.
    addDomains(u"ldomainhis"_qs, 3);
    runScript(InsertStatement(u"ldomainhis"_qs, {4, u"nofile"_qs, u".com"_qs, u"2024-05-11 00:00:00"_qs, false}) +
              InsertStatement(u"ldomainhis"_qs, {5, u"nodate"_qs, u".org"_qs, QString(), false}));
    search(u"select top 2000 * from ldomainhis where (lregist=1) order by lid"_qs);
    ASSERT_EQ(grid_->rows(), 6);
    EXPECT_EQ(state_.loadedTable, u"ldomainhis");

    EXPECT_EQ(column(col::Price), (QStringList{u"55"_qs, u"66"_qs, u""_qs, u"55"_qs, u""_qs}));
    EXPECT_EQ(column(col::Deleted), (QStringList{u"2024-04-12"_qs, u"2024-04-13"_qs, u"2024-04-14"_qs,
                                                 u"2024-05-11"_qs, u""_qs}));
    EXPECT_EQ(column(col::Remaining), (QStringList{u"已过期"_qs, u"已过期"_qs, u"已过期"_qs, u"10天"_qs, u""_qs}));
    EXPECT_EQ(column(col::Status), (QStringList{u"未注册"_qs, u"未注册"_qs, u"未注册"_qs, u"将过期"_qs, u"未注册"_qs}));
    EXPECT_EQ(column(col::Id), (QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs}));
    EXPECT_EQ(column(col::Registered).first(), u"2010-01-02");
    EXPECT_EQ(column(col::Selected), QStringList(5, QString()));

    EXPECT_EQ(grid_->cellText(1, col::FilingNumber), u"京ICP备1号");
    EXPECT_EQ(grid_->cellText(1, col::HolderKind), u"企业");
    EXPECT_EQ(grid_->cellText(1, col::FilingDate), u"2011-03-04");
    EXPECT_EQ(grid_->cellText(1, col::SiteName), u"站点1");
    for (int c : {col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName})
        EXPECT_EQ(grid_->cellText(4, c), u"") << "column " << c;
    EXPECT_EQ(grid_->cellText(1, col::PageRank), u"3");
    EXPECT_EQ(grid_->cellText(1, col::BaiduIndexed), u"100");
    EXPECT_EQ(grid_->cellText(1, col::BaiduLinks), u"200");
    EXPECT_EQ(grid_->cellText(1, col::AlexaRank), u"123456");

    EXPECT_EQ(grid_->cellColor(1, col::Status), kMarkColor);
    EXPECT_EQ(grid_->cellColor(1, col::Price), kMarkColor);
    EXPECT_EQ(grid_->cellColor(4, col::Status), kExpiringColor);
    EXPECT_EQ(grid_->cellColor(1, col::Domain), 0u);
}

// A page of a thousand rows on a shown window: the loop hands the event loop a turn every few rows'
// time, not after each row, and the strip paints a few times, not once per row. The bounds follow the
// load's own pace, so that a slow machine does not fail them.
TEST_F(PageLoaderTest, AThousandRowPagePaintsTheStripAFewTimes) {
    addDomains(u"ldomainreg"_qs, 1000);
    state_.RowsPerPage = 1000;
    window_.show();
    c_.floadtxt->setGeometry(0, 560, 460, 20);
    c_.floadtxt->showBusy(QString::fromUtf16(PagingBusyText));
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++count;
            return false;
        }
    } paints;
    c_.floadtxt->installEventFilter(&paints);
    int turns = 0;
    QTimer everyTurn;  // a zero timer fires once per pass of the event loop
    QObject::connect(&everyTurn, &QTimer::timeout, [&] { ++turns; });
    everyTurn.start(0);
    int steps = 0;
    QObject::connect(c_.floadtxt, &ui::BusyStrip::progressChanged, [&] { ++steps; });

    QElapsedTimer clock;
    clock.start();
    search(kRegSearch);
    const qint64 elapsed = clock.elapsed();

    ASSERT_EQ(grid_->rows(), 1001);
    EXPECT_EQ(steps, 1001);  // every row is counted
    EXPECT_LE(paints.count, 3 + elapsed / ui::kStripRepaintIntervalMs) << "over " << elapsed << " ms";
    EXPECT_LE(turns, 3 + elapsed / ds::kDefaultYieldInterval.count()) << "over " << elapsed << " ms";
}

TEST_F(PageLoaderTest, StopDuringLoadKeepsTheRowsAddedSoFar) {
    addDomains(u"ldomainreg"_qs, 45);
    QObject::connect(grid_->model(), &QAbstractItemModel::rowsInserted, [this] {
        if (grid_->rows() == 4) state_.StopFlag = true;  // as if a stop button was pressed now
    });
    search(kRegSearch);
    EXPECT_EQ(column(col::Domain), Names(1, 3));
    EXPECT_EQ(c_.ppageall->text(), u"3");  // the paging bar still shows the whole result
    EXPECT_TRUE(state_.StopFlag);
    EXPECT_TRUE(c_.floadtxt->isHidden());
    EXPECT_EQ(reapplied_, 1);
}

TEST_F(PageLoaderTest, PagingClickDuringALoadLeavesOnlyTheNewPage) {
    addDomains(u"ldomainreg"_qs, 45);
    const ScopedYieldInterval everyRow(std::chrono::milliseconds(0));  // as if each row took the interval
    bool clicked = false;
    QObject::connect(grid_->model(), &QAbstractItemModel::rowsInserted, [&] {
        if (grid_->rows() == 4 && !clicked) {
            clicked = true;
            // Handled during the load's next yield, like a click on "下一页" while rows are coming in.
            QTimer::singleShot(0, [this] { loader_->pnext_Click(); });
        }
    });
    search(kRegSearch);
    ASSERT_TRUE(clicked);
    // The interrupted load must not add a row from the cursor the second load moved.
    EXPECT_EQ(column(col::Domain), Names(21, 40));
    EXPECT_EQ(grid_->cellText(20, col::Number), u"40");
    EXPECT_EQ(c_.lshowpage->text(), u"2");
    EXPECT_EQ(reapplied_, 1);  // by the second load; the interrupted one leaves the grid to it
    EXPECT_TRUE(state_.StopFlag);
}

// A search or a paging click handled while the page list fills (it yields between pages) loads its own
// result; the interrupted load must not go on with the counts of the result set that was replaced.
TEST_F(PageLoaderTest, LoadStartedWhileThePageListFillsOwnsTheBarAndTheGrid) {
    addDomains(u"ldomainreg"_qs, 45);
    const ScopedYieldInterval everyPage(std::chrono::milliseconds(0));  // as if each page took the interval
    addDomains(u"ldomainhis"_qs, 3);
    const struct {
        const char* name;
        std::function<void()> during;
        QStringList domains, pages;
        const char* pageCount;
        const char* buttons;
        const char* table;
    } cases[] = {
        {"another search", [this] { search(u"select top 2000 * from ldomainhis where (lregist=1) order by lid"_qs); },
         Names(1, 3), {u"1"_qs}, "1", "0000", "ldomainhis"},
        {"a paging click", [this] { loader_->pnext_Click(); }, Names(21, 40), {u"1"_qs, u"2"_qs, u"3"_qs}, "3",
         "1111", "ldomainreg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c_.lshowpage->setText(u"lshowpage"_qs);
        reapplied_ = 0;
        bool fired = false;
        const QMetaObject::Connection hook =
            QObject::connect(c_.ppagelist->model(), &QAbstractItemModel::rowsInserted, [&] {
                if (c_.ppagelist->count() == 2 && !fired) {
                    fired = true;
                    QTimer::singleShot(0, c.during);
                }
            });
        search(kRegSearch);
        QObject::disconnect(hook);
        ASSERT_TRUE(fired);
        EXPECT_EQ(column(col::Domain), c.domains);
        EXPECT_EQ(pageList(), c.pages);
        EXPECT_EQ(c_.ppageall->text(), QString::fromLatin1(c.pageCount));
        EXPECT_EQ(buttons(), c.buttons);
        EXPECT_EQ(state_.loadedTable, QString::fromLatin1(c.table));
        EXPECT_EQ(reapplied_, 1);
        EXPECT_TRUE(state_.StopFlag);
        EXPECT_TRUE(c_.floadtxt->isHidden());
    }
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(PageLoaderTest, FailuresReachTheCallerOrThePagingMessage) {
    addDomains(u"ldomainreg"_qs, 25);
    c_.lstr->setText(u"select top 2000 * from nosuchtable"_qs);
    EXPECT_THROW(loader_->OpenPageQuery(), db::DbError);

    search(kRegSearch);
    ASSERT_EQ(grid_->rows(), 21);

    // The result set is gone (a search closed it and failed): a paging button reports and keeps the grid.
    db::DbRs2().close();
    loader_->pnext_Click();
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_TRUE(desktop_->messages[0].text.startsWith(QString::fromUtf16(PagingFailureText)));
    EXPECT_GT(desktop_->messages[0].text.size(), QString::fromUtf16(PagingFailureText).size());
    EXPECT_EQ(grid_->rows(), 21);
    EXPECT_TRUE(state_.StopFlag);

    // A closed connection: the shared objects are renewed and the open fails with a database error.
    db::DbConn().close();
    c_.lstr->setText(kRegSearch);
    EXPECT_THROW(loader_->OpenPageQuery(), db::DbError);
}
