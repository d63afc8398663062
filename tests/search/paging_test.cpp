// Paging arithmetic, remaining days and the building of one grid row from database values.
#include <gtest/gtest.h>

#include <QDateTime>

#include "search/domain_row.h"
#include "search/page_loader.h"
#include "search/paging.h"

using namespace ds::search;

TEST(Paging, PageCountRoundsUp) {
    struct Case {
        qint64 rows;
        int size;
        qint64 pages;
    } cases[] = {
        {45, 20, 3}, {40, 20, 2}, {41, 20, 3}, {1, 20, 1}, {0, 20, 0}, {2000, 1, 2000},
        {5, 0, 5},   // a size below 1 counts as 1 instead of dividing by zero
        {5, -3, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageCount(c.rows, c.size), c.pages) << c.rows << " rows / " << c.size;
}

TEST(Paging, RequestedPageIsClampedToTheResult) {
    struct Case {
        double requested;
        qint64 pages;
        qint64 shown;
    } cases[] = {
        {7, 3, 3},   {0, 3, 1},   {-4, 3, 1}, {2, 3, 2}, {3, 3, 3},
        {1, 0, 1},   // an empty result still shows page 1
        {2.5, 3, 2}, {3.5, 9, 4},  // halves round to the even page
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampPage(c.requested, c.pages), c.shown) << c.requested << " of " << c.pages;
}

TEST(Paging, ButtonRequests) {
    EXPECT_EQ(FirstPageRequest(), 1);
    EXPECT_EQ(NextPageRequest(0), 2);  // the first "next" after a search from page 0 skips page 1
    EXPECT_EQ(NextPageRequest(1), 2);
    EXPECT_EQ(NextPageRequest(2), 3);
    EXPECT_EQ(NextPageRequest(-1), 0);  // -1 + 1 is 0, not 1: no special case
    EXPECT_EQ(PreviousPageRequest(3), 2);
    EXPECT_EQ(PreviousPageRequest(0), -1);  // clamped only when shown
}

TEST(DomainRowText, RemainingDaysAndStatusFromDeletionDate) {
    const QDate today(2024, 5, 1);
    struct Case {
        const char16_t* deleted;
        const char16_t* remaining;
        const char16_t* status;
    } cases[] = {
        {u"2024-05-11", u"10天", u"将过期"},
        {u"2024-05-02", u"1天", u"将过期"},
        {u"2024-05-01", u"已过期", u"未注册"},
        {u"2023-12-31", u"已过期", u"未注册"},
        {u"", u"", u"未注册"},               // no date: free as far as anyone knows
        {u"  ", u"", u"未注册"},
        {u"12345", u"", u"不详"},            // a date is there but cannot be read: no guess
        {u"2024-05-11 23:59:59", u"10天", u"将过期"},  // a time part does not count
        {u"not a date", u"", u"不详"},
        {u"2024-02-30", u"", u"不详"},
    };
    for (const auto& c : cases) {
        const Remaining r = RemainingFromDeletionDate(QString::fromUtf16(c.deleted), today);
        EXPECT_EQ(r.remaining, QString::fromUtf16(c.remaining)) << QString::fromUtf16(c.deleted).toStdString();
        EXPECT_EQ(r.status, QString::fromUtf16(c.status)) << QString::fromUtf16(c.deleted).toStdString();
    }
}

TEST(DomainRowText, DatesAreShownWithoutTimePart) {
    struct Case {
        QVariant value;
        const char16_t* text;
    } cases[] = {
        {QVariant(), u""},
        {QVariant(QString()), u""},
        {QVariant(u"2024-05-11"_qs), u"2024-05-11"},
        {QVariant(u"2024-05-11 08:30:00"_qs), u"2024-05-11"},
        {QVariant(u"2024-05-11T08:30:00.000"_qs), u"2024-05-11"},
        {QVariant(u"2024/5/9"_qs), u"2024-05-09"},
        {QVariant(QDate(2024, 1, 2)), u"2024-01-02"},
        {QVariant(QDateTime(QDate(2024, 1, 2), QTime(23, 0))), u"2024-01-02"},
        {QVariant(u"unknown"_qs), u"unknown"},
    };
    for (const auto& c : cases) EXPECT_EQ(DateCellText(c.value), QString::fromUtf16(c.text));
}

TEST(DomainRowText, NullIsEmptyAndNumbersArePlain) {
    EXPECT_EQ(CellText(QVariant()), u"");
    EXPECT_EQ(CellText(QVariant(qint64(12345678901))), u"12345678901");
    EXPECT_EQ(CellText(QVariant(55.0)), u"55");
    EXPECT_EQ(CellText(QVariant(55.5)), u"55.5");
    EXPECT_EQ(CellText(QVariant(u"个人"_qs)), u"个人");
}

TEST(DomainRowBuild, FillsEveryColumnFromItsField) {
    DomainRecord rec;
    rec.lid = qint64(42);
    rec.lallname = u"abc.com"_qs;
    rec.lextend = u".com"_qs;
    rec.lregtime = u"2010-01-02 00:00:00"_qs;
    rec.louttime = u"2024-04-01"_qs;
    rec.ldeltime = u"2024-05-11"_qs;
    rec.lback = u"京ICP备12345号"_qs;
    rec.lbackhostkind = u"企业"_qs;
    rec.lbacktime = u"2011-03-04"_qs;
    rec.lbackname = u"测试站"_qs;
    rec.lgooglepr = qint64(3);
    rec.lbaidudomain = qint64(100);
    rec.lbaidusite = qint64(200);
    rec.lalexa = qint64(123456);
    const DomainRow row = BuildDomainRow(rec, 7, QDate(2024, 5, 1), u"55"_qs);

    const QString expected[col::Count] = {
        u""_qs,      u""_qs,         u"7"_qs,          u"abc.com"_qs,    u"将过期"_qs, u"55"_qs,
        u"京ICP备12345号"_qs, u"企业"_qs, u"2011-03-04"_qs, u"测试站"_qs, u"42"_qs, u""_qs, u""_qs,
        u"2010-01-02"_qs, u"2024-04-01"_qs, u"2024-05-11"_qs, u"10天"_qs, u"3"_qs, u"100"_qs,
        u"200"_qs,   u"123456"_qs};
    for (int c = 0; c < col::Count; ++c) EXPECT_EQ(row.cells[c], expected[c]) << "column " << c;
    // Column 18 is lbaidudomain and 19 lbaidusite: the pairing is easy to swap.
    EXPECT_EQ(row.cells[col::BaiduIndexed], u"100");
    EXPECT_EQ(row.cells[col::BaiduLinks], u"200");

    EXPECT_EQ(row.colors[col::Status], kExpiringColor);
    EXPECT_EQ(row.colors[col::Price], kMarkColor);
    EXPECT_EQ(row.colors[col::Domain], 0u);
}

TEST(DomainRowBuild, NullFieldsGiveEmptyCellsAndExpiredStatusIsRed) {
    DomainRecord rec;
    rec.lid = qint64(1);
    rec.lallname = u"x.cn"_qs;
    rec.ldeltime = u"2024-04-01"_qs;
    const DomainRow row = BuildDomainRow(rec, 1, QDate(2024, 5, 1), QString());
    for (int c : {col::Price, col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName,
                  col::Registered, col::Expires, col::PageRank, col::AlexaRank})
        EXPECT_TRUE(row.cells[c].isEmpty()) << "column " << c;
    EXPECT_EQ(row.cells[col::Status], u"未注册");
    EXPECT_EQ(row.cells[col::Remaining], u"已过期");
    EXPECT_EQ(row.colors[col::Status], kMarkColor);
    EXPECT_TRUE(row.cells[col::Selected].isEmpty());
}

TEST(StatementTableTest, FindsTheDomainTableOfASearch) {
    EXPECT_EQ(StatementTable(u"select top 2000 * from ldomainreg where (lregist=1)"_qs), u"ldomainreg");
    EXPECT_EQ(StatementTable(u"SELECT TOP 5 * FROM  LDOMAINHIS WHERE 1=1"_qs), u"ldomainhis");
    EXPECT_EQ(StatementTable(u"select lextend,lprice from ldomainprice"_qs), u"");
    EXPECT_EQ(StatementTable(u"select * from ldomainregx"_qs), u"");
}
