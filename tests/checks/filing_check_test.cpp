// The ICP filing check on the real main window over a real SQLite file.
#include <QAbstractItemModel>
#include <QComboBox>

#include "checks/filing_check.h"
#include "reg_fixture.h"
#include "ui/busy_strip.h"
#include "ui/grid_model.h"

namespace ds::checks::test_reg {
namespace {

using search::col::FilingDate;
using search::col::FilingNumber;
using search::col::HolderKind;
using search::col::SiteName;

class FilingCheckTest : public CheckWindowTest {
protected:
    void SetUp() override {
        CheckWindowTest::SetUp();
        runScript(
            u"insert into ldomainback (lid,lallname,lback,lbacktime,lbackhostkind,lbackname) values "
            "(1,'abc.com','京ICP备000001号','2011-03-04 00:00:00','企业','第一站'),"
            "(2,'abc.com','京ICP备000002号','2012-01-01','个人','第二站'),"
            "(3,'nulls.cn',NULL,NULL,NULL,NULL),"
            "(4,'o''neil.com','沪ICP备4号','2010-10-10','个人','奥尼尔'),"
            "(5,'ab.com','粤ICP备5号','2009-09-09','企业','竖线');"_qs);
    }
    // Columns 6 to 10 of a row.
    QStringList filing(int row) {
        QStringList out;
        for (int c : {FilingNumber, HolderKind, FilingDate, SiteName, Id}) out << grid()->cellText(row, c);
        return out;
    }
    // Rows whose filing cells all read "old", so that cleared and untouched cells can be told apart.
    void fillDomains(const QStringList& domains) {
        std::vector<GridRow> rows;
        for (const QString& d : domains) rows.push_back({d, u"未注册"_qs, u"old"_qs, {}});
        fillGrid(rows);
        for (int r = 1; r < grid()->rows(); ++r)
            for (int c : {FilingNumber, HolderKind, FilingDate, SiteName}) grid()->setCellText(r, c, u"old"_qs);
    }
    // Runs `action` once, right after the check has written column 6 of `row`.
    void afterFilingOfRow(int row, std::function<void()> action) {
        QObject::connect(grid()->model(), &QAbstractItemModel::dataChanged, w_.get(),
                         [this, row, action = std::move(action), done = false](const QModelIndex& at) mutable {
                             if (done || at.row() + 1 != row || at.column() != FilingNumber) return;
                             if (grid()->cellText(row, FilingNumber).isEmpty()) return;
                             done = true;
                             action();
                         });
    }
};

const QStringList kOld = {u"old"_qs, u"old"_qs, u"old"_qs, u"old"_qs, u"old"_qs};
const QStringList kCleared(5, QString());

TEST_F(FilingCheckTest, FillsFilingColumnsFromTheFirstRecord) {
    fillDomains({u"HTTP://WWW.Abc.COM"_qs, u"nulls.cn"_qs, u"none.com"_qs, u"abc"_qs, u".com"_qs, u"O'Neil.com"_qs,
                 u"a|b.com"_qs});
    click(u"lbackshow(0)"_qs);

    EXPECT_TRUE(desktop_->messages.empty());
    // Two records for abc.com: the first the database returns; the time part of a date is dropped.
    EXPECT_EQ(filing(1), (QStringList{u"京ICP备000001号"_qs, u"企业"_qs, u"2011-03-04"_qs, u"第一站"_qs, {}}));
    EXPECT_EQ(filing(2), kCleared);  // all NULL
    EXPECT_EQ(filing(3), (QStringList{u"未备案"_qs, {}, {}, {}, {}}));
    EXPECT_EQ(filing(4), kCleared);  // no "." : cleared, not looked up
    EXPECT_EQ(filing(5), kCleared);  // "." first
    EXPECT_EQ(filing(6), (QStringList{u"沪ICP备4号"_qs, u"个人"_qs, u"2010-10-10"_qs, u"奥尼尔"_qs, {}}));
    EXPECT_EQ(filing(7).first(), u"粤ICP备5号"_qs);
    EXPECT_EQ(column(Domain).first(), u"HTTP://WWW.Abc.COM"_qs);  // the cell itself is not rewritten

    auto* strip = w_->findChild<ui::BusyStrip*>(u"floadtxt"_qs);
    EXPECT_EQ(strip->text(), u"正在读取备案数据,请稍候"_qs);
    EXPECT_TRUE(strip->isHidden());
    EXPECT_TRUE(w_->state().StopFlag);  // the loop is over: header clicks sort again
}

TEST_F(FilingCheckTest, SelectionRuleIsReappliedAfterwards) {
    fillDomains({u"abc.com"_qs, u"none.com"_qs});
    w_->findChild<QComboBox*>(u"lsel"_qs)->setCurrentIndex(4);  // 选择已备案域名
    click(u"lbackshow(0)"_qs);
    EXPECT_EQ(column(1), (QStringList{u"1"_qs, u"0"_qs}));
}

// A database failure while row 3 is in hand: the table dropped by another connection, or the shared
// connection closed.
enum class Fault { TableDropped, ConnectionClosed };

class FilingFaultTest : public FilingCheckTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FilingFaultTest, StopsTheRunWithAMessageAndKeepsDoneRows) {
    fillDomains({u"abc.com"_qs, u"none.com"_qs, u"ab.com"_qs, u"o'neil.com"_qs});
    afterFilingOfRow(2, [this] {
        if (GetParam() == Fault::TableDropped)
            runScript(u"drop table ldomainback;"_qs);
        else
            db::DbConn().close();
    });
    click(u"lbackshow(0)"_qs);

    ASSERT_EQ(desktop_->messages.size(), 1u);
    const QString text = desktop_->messages[0].text;
    EXPECT_TRUE(text.startsWith(u"有错误发生，请重试：")) << text.toStdString();
    EXPECT_GT(text.size(), 10) << "the database's own description follows";
    EXPECT_EQ(filing(1).first(), u"京ICP备000001号"_qs);
    EXPECT_EQ(filing(2), (QStringList{u"未备案"_qs, {}, {}, {}, {}}));
    EXPECT_EQ(filing(3), kCleared);  // the row in hand keeps its cleared cells
    EXPECT_EQ(filing(4), kOld);      // later rows are untouched
    EXPECT_TRUE(w_->findChild<ui::BusyStrip*>(u"floadtxt"_qs)->isHidden());
    EXPECT_EQ(column(1), QStringList(4, u"1"_qs));  // the selection rule ran (全选)
}

INSTANTIATE_TEST_SUITE_P(Faults, FilingFaultTest, ::testing::Values(Fault::TableDropped, Fault::ConnectionClosed),
                         [](const auto& info) {
                             return info.param == Fault::TableDropped ? "TableDropped" : "ConnectionClosed";
                         });

TEST_F(FilingCheckTest, StopEndsTheRunAfterTheRowInHand) {
    fillDomains({u"abc.com"_qs, u"ab.com"_qs});
    afterFilingOfRow(1, [this] { click(u"lstop"_qs); });
    click(u"lbackshow(0)"_qs);
    EXPECT_EQ(filing(1).first(), u"京ICP备000001号"_qs);
    EXPECT_EQ(filing(2), kOld);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(FilingCheckTest, ClearedIdStopsALaterWriteBack) {
    runScript(DomainInsert(u"ldomainreg"_qs, 57, u"abc"_qs, kToday.addDays(-1)));
    loadGrid(u"select top 2000 * from ldomainreg where (lregist=1)"_qs);
    ASSERT_EQ(column(Id), QStringList{u"57"_qs});
    click(u"lbackshow(0)"_qs);
    EXPECT_EQ(column(Id), QStringList{QString()});

    WhoisServer whois([](const std::string&, int) { return kRegisteredPage; });
    useWhois(whois);
    click(u"lregshow(1)"_qs);
    EXPECT_EQ(column(Status), QStringList{u"已注册"_qs});
    EXPECT_EQ(scalar(u"select lregist from ldomainreg where lid=57"_qs), u"1"_qs);
}

}  // namespace
}  // namespace ds::checks::test_reg
