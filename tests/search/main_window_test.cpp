// The main window as a user meets it: its size on a small screen, the paging bar that holds still, the
// busy strip beside (not over) the grid, the empty result, the help and about windows, the grid's
// copy commands and the paging mends (stop during the page list, the extension list, the row limit).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "core/yield_pacer.h"
#include "search/fdomain_rules.h"
#include "search/fdomain_search_fixture.h"
#include "search/help_window.h"
#include "search/page_loader.h"
#include "ui/busy_strip.h"
#include "ui/grid_model.h"

namespace {

using namespace ds::search::test_search;

// Where a widget sits in the window.
QRect InWindow(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }

// A recording desktop that also notes, at each message box, whether the busy strip was showing.
struct StripAtMessage : ds::test::RecordingDesktop {
    std::function<bool()> stripVisible;
    std::vector<bool> seen;
    ds::ui::MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                  ds::ui::MessageButtons buttons) override {
        seen.push_back(stripVisible && stripVisible());
        return RecordingDesktop::message(parent, text, title, buttons);
    }
};

class MainWindowTest : public FdomainSearchTest {
protected:
    void search(const QString& rowsPerPage, const QString& rowLimit) {
        child<QLineEdit>(u"lsetrow"_qs)->setText(rowsPerPage);
        child<QLineEdit>(u"lmaxnum"_qs)->setText(rowLimit);
        child<QPushButton>(u"lsearch"_qs)->click();
    }
    QRect placeOf(const QString& name) { return InWindow(child(name)); }
};

TEST_F(MainWindowTest, FitsASmallScreenAndThePagingBarHoldsStill) {
    const QStringList bar{u"pgo"_qs, u"pfirst"_qs, u"pbefore"_qs, u"pnext"_qs, u"plast"_qs, u"ppagelist"_qs, u"loutb"_qs};
    std::vector<QRect> before;
    for (const QString& name : bar) before.push_back(placeOf(name));

    // One row per page and a result that fills the row limit: the longest counts a search gives.
    search(u"1"_qs, u"45"_qs);
    ASSERT_EQ(text(u"ppageall"_qs), u"45"_qs);
    ASSERT_EQ(text(u"plimit"_qs), QString::fromUtf16(RowLimitReachedText));
    // And counts longer than any search here gives.
    child<QLabel>(u"pnumber"_qs)->setText(u"1234567"_qs);
    child<QLabel>(u"ppageall"_qs)->setText(u"1234567"_qs);
    QApplication::processEvents();

    const QSize minimum = w_->minimumSizeHint();
    EXPECT_LE(minimum.width(), 1000);
    EXPECT_LE(minimum.height(), 700);
    EXPECT_LE(w_->minimumWidth(), 1000);
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(placeOf(bar[i]), before[i]) << bar[i].toStdString();

    // The window opens inside the screen's free area, as far as its minimum size allows.
    const QRect free = w_->screen()->availableGeometry();
    EXPECT_LE(w_->width(), std::max(free.width(), minimum.width()));
    EXPECT_LE(w_->height(), std::max(free.height(), minimum.height()));
    EXPECT_TRUE(free.contains(w_->frameGeometry().topLeft()));
}

TEST_F(MainWindowTest, BusyStripCountsRowsBesideTheGrid) {
    auto* strip = child<ds::ui::BusyStrip>(u"floadtxt"_qs);
    QStringList shown;
    bool overGrid = false;
    QObject::connect(grid()->model(), &QAbstractItemModel::rowsInserted, [&] {
        shown << strip->shownText();
        overGrid = overGrid || InWindow(strip).intersects(InWindow(grid()));
    });
    search(u"20"_qs, u"2000"_qs);
    ASSERT_EQ(shown.size(), 20);
    EXPECT_EQ(shown.first(), u"正在读取快速备案检索数据,请稍候  0 / 20"_qs);
    EXPECT_EQ(shown.last(), u"正在读取快速备案检索数据,请稍候  19 / 20"_qs);
    EXPECT_FALSE(overGrid);
    EXPECT_TRUE(strip->isHidden());
    EXPECT_EQ(strip->text(), u"正在读取快速备案检索数据,请稍候"_qs);  // the count goes with the load

    // A paging click counts the rows of its own page: page 3 holds 5.
    shown.clear();
    child<QComboBox>(u"ppagelist"_qs)->setEditText(u"3"_qs);
    child<QPushButton>(u"pgo"_qs)->click();
    EXPECT_EQ(shown.last(), QString::fromUtf16(PagingBusyText) + u"  4 / 5");
}

// Enter in the page box goes to the page typed there, as the Go button does, and like it does nothing
// before a search has pages.
TEST_F(MainWindowTest, EnterInThePageBoxGoesToThatPage) {
    auto* box = child<QComboBox>(u"ppagelist"_qs);
    box->setEditText(u"2"_qs);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_TRUE(desktop_->messages.empty());

    search(u"20"_qs, u"2000"_qs);
    box->setEditText(u"3"_qs);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(child<QLabel>(u"lshowpage"_qs)->text(), u"3"_qs);
    EXPECT_EQ(grid()->rows(), 6);  // page 3 holds the last 5 rows
    EXPECT_EQ(grid()->cellText(1, 2), u"41"_qs);
}

TEST_F(MainWindowTest, EmptyResultHidesTheStripFirstAndMovesNothing) {
    auto watch = std::make_shared<StripAtMessage>();
    auto* strip = child<ds::ui::BusyStrip>(u"floadtxt"_qs);
    watch->stripVisible = [strip] { return strip->isVisible(); };
    ds::ui::SetDesktop(watch);

    search(u"20"_qs, u"2000"_qs);
    const QRect lsel = placeOf(u"lsel"_qs), quit = placeOf(u"loutb"_qs);
    child<QLineEdit>(u"lfind"_qs)->setText(u"nothing-like-this"_qs);
    child<QPushButton>(u"lsearch"_qs)->click();
    QApplication::processEvents();

    ASSERT_EQ(watch->messages.size(), 1u);
    EXPECT_EQ(watch->messages[0].text, QString::fromUtf16(NoResultText));
    EXPECT_EQ(watch->seen, std::vector<bool>{false});
    EXPECT_TRUE(child(u"Fpage"_qs)->isHidden());
    EXPECT_EQ(placeOf(u"lsel"_qs), lsel);
    EXPECT_EQ(placeOf(u"loutb"_qs), quit);
}

TEST_F(MainWindowTest, HelpClosesWithEscAndAboutNamesTheDatabase) {
    w_->findChild<QAction*>(u"mtext"_qs)->trigger();
    QWidget* help = w_->findChild<QWidget*>(u"fhelp"_qs);
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    EXPECT_TRUE(help->screen()->availableGeometry().contains(help->frameGeometry()));
    QTest::keyClick(help->findChild<QWidget*>(u"lhelptext"_qs), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    // The guide tells what is kept between runs, no longer that nothing is.
    EXPECT_TRUE(HelpWindow::GuideHtml().contains(u"恢复默认设置"));
    EXPECT_FALSE(HelpWindow::GuideHtml().contains(u"不保存任何设置"));

    db::ConnString = u"Provider=SQLite;Data Source="_qs + path_;  // as the login leaves it
    w_->findChild<QAction*>(u"mabout"_qs)->trigger();
    db::ConnString.clear();
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(desktop_->messages[0].text,
              u"DropScout 过期域名助手\n版本 3.11\n当前数据库：SQLite 数据库文件 "_qs + path_);
}

TEST(MainWindowRules, DatabaseInUseNamesTheFileOrServerButNeverThePassword) {
    const struct {
        const char16_t* connection;
        const char16_t* shown;
    } cases[] = {
        {u"Provider=SQLite;Data Source=/home/u/demo.db", u"SQLite 数据库文件 /home/u/demo.db"},
        {u"Provider=SQLOLEDB.1;Password=secret;User ID=sa;Initial Catalog=domains;Data Source=10.0.0.5,1433",
         u"SQL Server 10.0.0.5,1433，数据库 domains"},
        {u"Provider=MSOLEDBSQL;Data Source=db.example", u"SQL Server db.example"},
        {u"", u"未连接"},
    };
    for (const auto& c : cases) {
        const QString shown = DatabaseInUse(QString::fromUtf16(c.connection));
        EXPECT_EQ(shown, QString::fromUtf16(c.shown));
        EXPECT_FALSE(shown.contains(u"secret"));
    }
}

TEST_F(MainWindowTest, ContextMenuCopiesDomainsOrWholeRows) {
    search(u"20"_qs, u"2000"_qs);
    QItemSelectionModel* selection = grid()->view()->selectionModel();
    selection->select(grid()->model()->index(1, 7), QItemSelectionModel::Select);   // a cell of row 2
    selection->select(grid()->model()->index(3, 3), QItemSelectionModel::Select);   // and one of row 4

    w_->findChild<QAction*>(u"mcopydomain"_qs)->trigger();
    EXPECT_EQ(desktop_->clipboard, u"abc02.com\r\nabc04.com\r\n"_qs);

    w_->findChild<QAction*>(u"mcopyrows"_qs)->trigger();
    const QStringList lines = desktop_->clipboard.split(u"\r\n"_qs);
    ASSERT_EQ(lines.size(), 3);  // two lines, each ended by CR LF
    // The shown data columns from 编号 on: the hidden id and date columns stay out, so does the tick.
    EXPECT_EQ(lines[0].split(u'\t').mid(0, 5),
              (QStringList{u"2"_qs, u"abc02.com"_qs, u"未注册"_qs, u"55"_qs, u"京ICP备100002号"_qs}));
    EXPECT_EQ(lines[0].split(u'\t').size(), 14);
    EXPECT_TRUE(lines[1].startsWith(u"4\tabc04.com\t"));
    EXPECT_TRUE(lines[2].isEmpty());
}

TEST_F(MainWindowTest, NumberColumnsAreRightAlignedAndSortingWaitsForLoops) {
    search(u"20"_qs, u"2000"_qs);
    for (int c : {2, 5, 16, 17, 18, 19, 20})
        EXPECT_EQ(grid()->model()->index(0, c).data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight)
            << c;
    EXPECT_FALSE(grid()->model()->index(0, 3).data(Qt::TextAlignmentRole).isValid());

    QHeaderView* header = grid()->view()->horizontalHeader();
    const auto clickHeader = [&](int col) {
        const QPoint at(header->sectionViewportPosition(col) + 5, 5);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    };
    // While a loop runs (the stop flag is down) the rows keep their places.
    w_->state().StopFlag = false;
    clickHeader(3);
    EXPECT_EQ(grid()->cellText(1, 3), u"abc01.com"_qs);
    w_->state().StopFlag = true;
    clickHeader(3);
    clickHeader(3);
    EXPECT_EQ(grid()->cellText(1, 3), u"abc20.com"_qs);
    EXPECT_EQ(grid()->cellText(1, 2), u"20"_qs);  // the number went with its row
}

// A stop pressed while the page list fills ends that load: the page is not read.
TEST_F(MainWindowTest, StopWhileThePageListFillsEndsTheLoad) {
    const ds::ScopedYieldInterval everyPage(std::chrono::milliseconds(0));  // as if each page took the interval
    bool pressed = false;
    QObject::connect(child<QComboBox>(u"ppagelist"_qs)->model(), &QAbstractItemModel::rowsInserted, [&] {
        if (!pressed) {
            pressed = true;
            QTimer::singleShot(0, child<QPushButton>(u"lstop"_qs), &QPushButton::click);
        }
    });
    search(u"1"_qs, u"2000"_qs);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(text(u"pnumber"_qs), u"45"_qs);  // the bar describes the result all the same
    EXPECT_LT(child<QComboBox>(u"ppagelist"_qs)->count(), 45);
    EXPECT_TRUE(child<ds::ui::BusyStrip>(u"floadtxt"_qs)->isHidden());
    EXPECT_TRUE(w_->state().StopFlag);
    EXPECT_TRUE(desktop_->messages.empty());

    // The next click loads its page in full.
    child<QPushButton>(u"pnext"_qs)->click();
    EXPECT_EQ(column(3), QStringList{u"abc02.com"_qs});
}

TEST_F(MainWindowTest, ExtensionListDisablesPagingUntilTheNextSearch) {
    search(u"20"_qs, u"2000"_qs);
    child<QLineEdit>(u"ldomainpre"_qs)->setText(u"hello"_qs);
    child<QPushButton>(u"lshowdomain"_qs)->click();
    ASSERT_EQ(column(3), (QStringList{u"hello.com"_qs, u"hello.net"_qs}));
    for (const QString& b : {u"pfirst"_qs, u"pbefore"_qs, u"pnext"_qs, u"plast"_qs, u"pgo"_qs})
        EXPECT_FALSE(child<QPushButton>(b)->isEnabled()) << b.toStdString();

    child<QPushButton>(u"lsearch"_qs)->click();
    EXPECT_TRUE(child<QPushButton>(u"pnext"_qs)->isEnabled());
    EXPECT_TRUE(child<QPushButton>(u"pgo"_qs)->isEnabled());
}

TEST_F(MainWindowTest, CountSaysWhenTheRowLimitWasReached) {
    const struct {
        const char* limit;
        const char* count;
        bool reached;
    } cases[] = {{"45", "45", true}, {"2000", "45", false}, {"10", "10", true}, {"46", "45", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        search(u"20"_qs, QString::fromLatin1(c.limit));
        EXPECT_EQ(text(u"pnumber"_qs), QString::fromLatin1(c.count));
        EXPECT_EQ(text(u"plimit"_qs), c.reached ? QString::fromUtf16(RowLimitReachedText) : QString());
    }
}

TEST(MainWindowRules, RowLimitOfAStatement) {
    const struct {
        const char16_t* sql;
        qint64 limit;
    } cases[] = {
        {u"select top 2000 * from ldomainreg where (lregist=1)", 2000},
        {u"  SELECT  TOP 5 * from ldomainhis", 5},
        {u"select top 0 * from ldomainreg", 0},
        {u"select * from ldomainreg", -1},
        {u"select top 99999999999999999999 * from ldomainreg", -1},  // past any count: no limit to reach
    };
    for (const auto& c : cases) EXPECT_EQ(StatementRowLimit(QString::fromUtf16(c.sql)), c.limit) << c.limit;
}

}  // namespace
