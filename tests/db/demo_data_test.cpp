#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "db/demo_data.h"
#include "db/demo_words.h"
#include "db/shared_objects.h"
#include "db_fixture.h"

using namespace ds;
using namespace ds::db;

namespace {

const QDate kToday(2012, 3, 1);

class DemoDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        path = dir->filePath(u"demo.db"_qs);
        GenerateDemoDatabase(path, options());
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static DemoOptions options() {
        DemoOptions o;
        o.regRows = 600;
        o.hisRows = 800;
        o.backRows = 300;
        o.today = kToday;
        return o;
    }
    void SetUp() override { conn.open(u"Provider=SQLite;Data Source="_qs + path); }

    QVariant scalar(const QString& sql) {
        const ResultTable t = conn.query(sql);
        return t.rows.empty() ? QVariant() : t.rows[0][0];
    }
    qint64 count(const QString& sql) { return scalar(sql).toLongLong(); }

    static QString Dump(const QString& file) {
        Connection c;
        c.open(u"Provider=SQLite;Data Source="_qs + file);
        QString text;
        for (const char* table :
             {"ldomainreg", "ldomainhis", "ldomainback", "ldomainprice", "ldomainprom", "lad", "lconfig_all"})
            for (const auto& row : c.query(u"select * from "_qs + QLatin1StringView(table)).rows)
                for (const QVariant& v : row) text += v.toString() + u'|';
        return text;
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline QString path;
    Connection conn;
};

TEST_F(DemoDataTest, SameSeedAndDayGiveTheSameRowsAnotherSeedDoesNot) {
    const QString again = dir->filePath(u"again.db"_qs);
    GenerateDemoDatabase(again, options());
    EXPECT_EQ(Dump(path), Dump(again));
    DemoOptions other = options();
    other.seed = 7;
    GenerateDemoDatabase(again, other);  // replaces the older file
    EXPECT_NE(Dump(path), Dump(again));
    EXPECT_FALSE(QFile::exists(again + u".tmp"_qs));
}

TEST_F(DemoDataTest, DomainTablesHoldTheRequestedConsistentRows) {
    EXPECT_EQ(count(u"select count(*) from ldomainreg"_qs), 600);
    EXPECT_EQ(count(u"select count(*) from ldomainhis"_qs), 800);
    // more filed rows than the 300 records asked for: each of them has its own
    EXPECT_EQ(count(u"select count(*) from ldomainback"_qs),
              count(u"select count(*) from ldomainreg where lback is not null"_qs) +
                  count(u"select count(*) from ldomainhis where lback is not null"_qs));
    for (const QString& table : {u"ldomainreg"_qs, u"ldomainhis"_qs}) {
        const QString from = u" from "_qs + table + u" where "_qs;
        SCOPED_TRACE(table.toStdString());
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"lallname <> lname || lextend or llength <> length(lname)"_qs),
                  0);
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"lcompose=2 and lname glob '*[^a-z]*'"_qs), 0);
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"lcompose=3 and lname glob '*[^0-9]*'"_qs), 0);
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"(lesp=1) <> (lname like '%-%')"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lesp=1"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"llang=2"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lregist=0"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lregist=1"_qs),
                  count(u"select count(*)"_qs + from + u"lregist=0"_qs));
        // some rows have no filing at all, and then none of the four filing columns
        const qint64 unfiled = count(u"select count(*)"_qs + from + u"lback is null"_qs);
        EXPECT_GT(unfiled, 0);
        EXPECT_EQ(unfiled,
                  count(u"select count(*)"_qs + from +
                        u"lback is null and lbacktime is null and lbackhostkind is null and lbackname is null"_qs));
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"lbackhostkind not in ('个人','企业')"_qs), 0);
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"lback not like '%ICP%号%'"_qs), 0);
        // deletion dates run from 60 days back to 40 ahead, the first three on today, yesterday, tomorrow
        EXPECT_EQ(scalar(u"select min(ldeltime)"_qs + from + u"1"_qs), QVariant(u"2012-01-01"_qs));
        EXPECT_LE(scalar(u"select max(ldeltime)"_qs + from + u"1"_qs).toString(), u"2012-04-10");
        EXPECT_EQ(scalar(u"select group_concat(ldeltime) from (select ldeltime from "_qs + table +
                         u" order by lid limit 3)"_qs),
                  QVariant(u"2012-03-01,2012-02-29,2012-03-02"_qs));
        EXPECT_EQ(count(u"select count(*)"_qs + from + u"not (lregtime < louttime and louttime < ldeltime)"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lgooglepr between 1 and 6"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lalexa < 100000000"_qs), 0);
        EXPECT_GT(count(u"select count(*)"_qs + from + u"lbaidusite = 0"_qs), 0);
    }
    // filing records mostly belong to listed domains and agree with their rows
    EXPECT_GT(
        count(u"select count(*) from ldomainback b join ldomainreg r on r.lallname=b.lallname and r.lback=b.lback"_qs),
        200);
}

// The filing check looks each grid row up in ldomainback and writes "未备案" when there is no record: a
// filed row without its record, or with a record that says something else, would change under the check.
TEST_F(DemoDataTest, EveryFiledRowHasItsOwnMatchingFilingRecord) {
    for (const QString& table : {u"ldomainreg"_qs, u"ldomainhis"_qs}) {
        SCOPED_TRACE(table.toStdString());
        const QString filed = u"select count(*) from "_qs + table + u" r where coalesce(r.lback,'') <> ''"_qs;
        EXPECT_GT(count(filed), 100);
        EXPECT_EQ(count(filed + u" and not exists (select 1 from ldomainback b where b.lallname=r.lallname)"_qs), 0)
            << "orphans";
        EXPECT_EQ(count(filed + u" and not exists (select 1 from ldomainback b where b.lallname=r.lallname"
                                u" and b.lback=r.lback and b.lbacktime=r.lbacktime and b.lbackhostkind=r.lbackhostkind"
                                u" and b.lbackname=r.lbackname)"_qs),
                  0)
            << "records that disagree with their rows";
    }
    EXPECT_EQ(count(u"select count(*) from (select lallname from ldomainback group by lallname having count(*)>1)"_qs),
              0);
    EXPECT_EQ(count(u"select count(*) from ldomainreg r join ldomainhis h on h.lallname=r.lallname"_qs), 0)
        << "a name listed in both tables could show another row's filing";
}

TEST_F(DemoDataTest, RecordsOfUnlistedNamesMakeUpTheRequestedCount) {
    const QString small = dir->filePath(u"small.db"_qs);
    DemoOptions o = options();
    o.regRows = 40;
    o.hisRows = 40;
    o.backRows = 500;
    GenerateDemoDatabase(small, o);
    Connection c;
    c.open(u"Provider=SQLite;Data Source="_qs + small);
    auto countIn = [&c](const QString& sql) { return c.query(sql).rows.at(0).at(0).toLongLong(); };
    EXPECT_EQ(countIn(u"select count(*) from ldomainback"_qs), 500);
    const qint64 listed = countIn(
        u"select count(*) from ldomainback b where exists (select 1 from ldomainreg r where r.lallname=b.lallname)"
        u" or exists (select 1 from ldomainhis h where h.lallname=b.lallname)"_qs);
    EXPECT_EQ(listed, countIn(u"select count(*) from ldomainreg where lback is not null"_qs) +
                          countIn(u"select count(*) from ldomainhis where lback is not null"_qs));
    EXPECT_LT(listed, 80);
}

TEST_F(DemoDataTest, EveryExtensionIsASearchCaptionAndOneHasNoPrice) {
    QStringList captions;
    for (const char* e : demo::kExtensions) captions << u"'"_qs + QLatin1StringView(e) + u"'"_qs;
    const QString in = u" in ("_qs + captions.join(u',') + u")"_qs;
    EXPECT_EQ(count(u"select count(*) from ldomainreg where lextend not"_qs + in), 0);
    EXPECT_EQ(count(u"select count(*) from ldomainhis where lextend not"_qs + in), 0);

    NewDbObjects();
    DbConn().open(u"Provider=SQLite;Data Source="_qs + path);
    QStringList unpriced;
    for (const char* e : demo::kExtensions) {
        SqlText = u"select lprice from ldomainprice where lextend='"_qs + QLatin1StringView(e) + u"'"_qs;
        GetSqlValue();
        if (SqlCount == 0) unpriced << QLatin1StringView(e);
    }
    NewDbObjects();
    EXPECT_EQ(unpriced, QStringList{u".tk"_qs});
    EXPECT_GT(count(u"select count(*) from ldomainreg where lextend='.tk'"_qs), 0);  // the grid shows the gap
}

TEST_F(DemoDataTest, PromotionEndingTodayIsListedOneEndedYesterdayIsNot) {
    for (const QTime& time : {QTime(0, 0, 1), QTime(23, 59, 59)}) {
        test::ClockScope clock(QDateTime(kToday, time));
        const ResultTable t = conn.query(u"select * from ldomainprom where datediff(day,getdate(),ltimeend)>=0"_qs);
        QStringList codes;
        const int column = static_cast<int>(t.columns.indexOf(u"lprom"_qs));
        for (const auto& row : t.rows) codes << row[column].toString();
        EXPECT_TRUE(codes.contains(u"CNNEW29"_qs)) << codes.join(u',').toStdString();  // ends today
        EXPECT_FALSE(codes.contains(u"NETHALF"_qs));                                   // ended yesterday
        EXPECT_FALSE(codes.contains(u"ASIA88"_qs));
        EXPECT_TRUE(codes.contains(u"VIP'S"_qs));                                    // a quote in the code
        EXPECT_EQ(codes.size(), 5);
    }
    EXPECT_EQ(count(u"select count(*) from lad where lkind=1"_qs), 4);
    EXPECT_EQ(count(u"select count(*) from lad where lkind=2"_qs), 1);
}

TEST_F(DemoDataTest, SettingsRowHasEveryColumnAndVersion311) {
    const ResultTable t = conn.query(u"SELECT * FROM lconfig_all"_qs);
    ASSERT_EQ(t.rows.size(), 1u);
    const QStringList expected = {
        u"lver_domain"_qs, u"ldownurl_domain"_qs, u"ldomainurl"_qs, u"lqqimg"_qs,
        u"lqqurl"_qs,      u"ltaobaoimg"_qs,      u"ltaobaourl"_qs, u"lbuyurl"_qs,
        u"llinkurl"_qs,    u"lwhoisurl"_qs,       u"lipurl"_qs,     u"lipmessurl"_qs,
        u"lbaktext"_qs,    u"lmailurl"_qs,        u"lmail"_qs,      u"lhomeurl"_qs,
        u"lqq"_qs,         u"ltaobao"_qs,         u"lbbsurl"_qs,    u"lgbookurl"_qs,
        u"lchaturl"_qs,    u"lweburl_domain"_qs,  u"lblogurl"_qs,   u"lseolist"_qs,
    };
    EXPECT_EQ(t.columns, expected);
    const auto& row = t.rows[0];
    EXPECT_EQ(row[0], QVariant(3.11));
    for (size_t i = 1; i < row.size(); ++i) EXPECT_FALSE(row[i].toString().isEmpty()) << t.columns[i].toStdString();
    EXPECT_EQ(row[t.columns.indexOf(u"lwhoisurl"_qs)], QVariant(u"http://127.0.0.1:8732/whois?domain="_qs));
    EXPECT_EQ(row[t.columns.indexOf(u"lseolist"_qs)].toString().split(u'|').size(), 2);
}

TEST_F(DemoDataTest, AFailedGenerationLeavesNothingBehind) {
    const QString target = dir->filePath(u"no/such/folder/demo.db"_qs);
    EXPECT_THROW(GenerateDemoDatabase(target, options()), DbError);
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(target + u".tmp"_qs));
}

}  // namespace
