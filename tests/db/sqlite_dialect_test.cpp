#include <gtest/gtest.h>

#include "db/sqlite_dialect.h"
#include "db_fixture.h"

using namespace ds;
using namespace ds::db;

namespace {

const QDateTime kNow(QDate(2012, 3, 1), QTime(15, 4, 5));

QString Adapt(const char16_t* sql) {
    return AdaptToSqlite(QString::fromUtf16(sql), kNow);
}

TEST(AdaptToSqlite, RewritesTheServerDialect) {
    const QString day = u"CAST(julianday(%2,'start of day') - julianday(%1,'start of day') AS INTEGER)"_qs;
    struct Case {
        const char16_t* in;
        QString out;
    } cases[] = {
        // top N moves to the very end, after any order by
        {u"select top 2000 * from ldomainreg where (lregist=1)",
         u"select * from ldomainreg where (lregist=1) limit 2000"_qs},
        {u"SELECT TOP 5 lname FROM t ORDER BY llength,lbaidudomain desc ",
         u"SELECT lname FROM t ORDER BY llength,lbaidudomain desc limit 5 "_qs},
        {u"select top 0 * from t", u"select * from t limit 0"_qs},
        {u"select distinct top 3 lextend from t", u"select distinct lextend from t limit 3"_qs},
        {u"select top 7 * from t;", u"select * from t limit 7;"_qs},
        {u"select top 7 * from t -- trailing note", u"select * from t limit 7 -- trailing note"_qs},
        {u"select * from t where lid in (select top 2 lid from u order by lid) and x=1",
         u"select * from t where lid in (select lid from u order by lid limit 2) and x=1"_qs},
        // counts the server accepts but a 64-bit LIMIT cannot hold are clamped
        {u"select top 99999999999 * from t", u"select * from t limit 99999999999"_qs},
        {u"select top 99999999999999999999999 * from t", u"select * from t limit 9223372036854775807"_qs},
        {u"select top 1e+20 * from t", u"select * from t limit 9223372036854775807"_qs},
        {u"select top 007 * from t", u"select * from t limit 7"_qs},
        // datediff(day, a, b): calendar-date difference, arguments with their own parentheses
        {u"select * from t where datediff(day,ldeltime,getdate())>=0",
         u"select * from t where "_qs + day.arg(u"ldeltime"_qs, u"'2012-03-01 15:04:05'"_qs) + u">=0"_qs},
        {u"x where DATEDIFF ( DAY , coalesce(a,(b)) , date(c, '+1 day') )<0",
         u"x where "_qs + day.arg(u" coalesce(a,(b)) "_qs, u" date(c, '+1 day') "_qs) + u"<0"_qs},
        {u"datediff(day,datediff(day,a,b),c)", day.arg(day.arg(u"a"_qs, u"b"_qs), u"c"_qs)},
        {u"datediff(month,a,getdate())", u"datediff('month',a,'2012-03-01 15:04:05')"_qs},
        {u"datediff(dd,a,b)", day.arg(u"a"_qs, u"b"_qs)},
        // nothing inside literals, quoted names or comments changes
        {u"select * from t where lname like '%top 5%' and x='getdate()'",
         u"select * from t where lname like '%top 5%' and x='getdate()'"_qs},
        {u"select 'it''s datediff(day,a,b)' as [select top 1], \"getdate()\"",
         u"select 'it''s datediff(day,a,b)' as [select top 1], \"getdate()\""_qs},
        {u"select /* top 3 getdate() */ 1", u"select /* top 3 getdate() */ 1"_qs},
        // words that merely contain the keywords stay
        {u"select mytop, getdate_x, xdatediff(day,a,b) from t",
         u"select mytop, getdate_x, xdatediff(day,a,b) from t"_qs},
        {u"update lad set lnum=lnum+1 where lid=3", u"update lad set lnum=lnum+1 where lid=3"_qs},
    };
    for (const auto& c : cases) EXPECT_EQ(Adapt(c.in), c.out) << QString::fromUtf16(c.in).toStdString();
}

TEST(AdaptToSqlite, RefusesAFractionalTopCountLikeTheServer) {
    EXPECT_THROW(Adapt(u"select top 2.5 * from t"), DbError);
}

class DialectOnSqlite : public test::DbFixture {};

TEST_F(DialectOnSqlite, DayDifferencesCountCalendarDatesOnAFixedClock) {
    test::ClockScope clock(QDateTime(QDate(2012, 3, 1), QTime(23, 59, 0)));
    openConnection();
    struct Case {
        const char16_t* date;
        qint64 days;  // datediff(day, date, getdate())
    } cases[] = {
        {u"2012-03-01", 0},   {u"2012-02-29", 1},          {u"2012-03-02", -1},
        {u"2011-03-01", 366}, {u"2012-03-01 23:59:59", 0}, {u"2012-02-29 23:59:59", 1},
    };
    for (const auto& c : cases) {
        const QString sql = u"select datediff(day,'"_qs + QString::fromUtf16(c.date) + u"',getdate())"_qs;
        const ResultTable t = conn.query(sql);
        ASSERT_EQ(t.rows.size(), 1u);
        EXPECT_EQ(t.rows[0][0], QVariant(c.days)) << sql.toStdString();
    }
    EXPECT_FALSE(conn.query(u"select datediff(day,NULL,getdate())"_qs).rows[0][0].isValid());
}

TEST_F(DialectOnSqlite, RegisteredFunctionsServeOtherUnitsAndUnadaptedCalls) {
    test::ClockScope clock(QDateTime(QDate(2012, 3, 1), QTime(8, 30, 0)));
    openConnection();
    struct Case {
        const char16_t* sql;
        QVariant value;
    } cases[] = {
        {u"select datediff(month,'2011-12-31','2012-01-01')", qint64(1)},
        {u"select datediff(year,'2011-12-31','2012-01-01')", qint64(1)},
        {u"select datediff(quarter,'2011-03-31','2011-04-01')", qint64(1)},
        {u"select datediff(week,'2024-01-06','2024-01-07')", qint64(1)},  // Saturday to Sunday
        {u"select datediff(week,'2024-01-07','2024-01-13')", qint64(0)},
        {u"select datediff(hour,'2012-03-01 07:59:59','2012-03-01 08:00:00')", qint64(1)},
        {u"select datediff(minute,'2012-03-01 08:00','2012-03-02 08:00')", qint64(1440)},
        {u"select getdate()", u"2012-03-01 08:30:00"_qs},
        {u"select datediff('day','2012-02-01',getdate())", qint64(29)},
    };
    for (const auto& c : cases) {
        const ResultTable t = conn.query(QString::fromUtf16(c.sql));
        ASSERT_EQ(t.rows.size(), 1u);
        EXPECT_EQ(t.rows[0][0], c.value) << QString::fromUtf16(c.sql).toStdString();
    }
    // The literal getdate() text is taken when the statement runs, not when the connection opened.
    clock.clock->set(QDateTime(QDate(2013, 1, 2), QTime(0, 0, 0)));
    EXPECT_EQ(conn.query(u"select getdate()"_qs).rows[0][0], QVariant(u"2013-01-02 00:00:00"_qs));

    try {
        conn.query(u"select datediff(fortnight,'2012-01-01','2012-02-01')"_qs);
        ADD_FAILURE() << "an unknown unit must fail";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"fortnight"_qs)) << e.what();
    }
}

TEST_F(DialectOnSqlite, TopCountsRunIncludingHugeAndZero) {
    openConnection();
    for (int i = 0; i < 12; ++i)
        exec(u"insert into ldomainprice (lextend,lprice) values ('.x%1','%2')"_qs.arg(i).arg(100 - i));
    EXPECT_EQ(conn.query(u"select top 5 * from ldomainprice order by lprice"_qs).rows.size(), 5u);
    EXPECT_EQ(conn.query(u"select top 5 lprice from ldomainprice order by lid desc"_qs).rows[0][0], QVariant(u"89"_qs));
    EXPECT_EQ(conn.query(u"select top 99999999999 * from ldomainprice"_qs).rows.size(), 12u);
    EXPECT_EQ(conn.query(u"select top 123456789012345678901234567890 * from ldomainprice"_qs).rows.size(), 12u);
    EXPECT_EQ(conn.query(u"select top 0 * from ldomainprice"_qs).rows.size(), 0u);
}

}  // namespace
