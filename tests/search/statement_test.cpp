// The SQL text of both searches, compared whole against the text the server is expected to receive.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "core/clock.h"
#include "db/shared_objects.h"
#include "search/statements/search_statements.h"

using namespace ds::search;
using namespace Qt::StringLiterals;

namespace {

const QString kFiled = u"select top 2000 * from ldomainreg where (lregist=1)"_s;
const QString kExpired = u"select top 2000 * from ldomainhis where (lregist=1)"_s;

template <typename Options>
struct Case {
    const char* name;
    std::function<void(Options&)> set;
    QString expected;
};

FiledSearchOptions Filed(const std::function<void(FiledSearchOptions&)>& set) {
    FiledSearchOptions o;
    o.filingFrom = QDate(2011, 12, 1);
    o.filingTo = QDate(2012, 1, 5);
    set(o);
    return o;
}

ExpiredSearchOptions Expired(const std::function<void(ExpiredSearchOptions&)>& set) {
    ExpiredSearchOptions o;
    o.deletionFrom = QDate(2011, 12, 1);
    o.deletionTo = QDate(2011, 12, 1);
    set(o);
    return o;
}

void Tick(QList<ExtensionBox>& boxes, std::initializer_list<int> indices) {
    for (int i : indices) boxes[i].checked = 1;
}

template <typename Options, typename Build, typename Make>
void Check(const std::vector<Case<Options>>& cases, Build build, Make make) {
    for (const auto& c : cases) EXPECT_EQ(build(make(c.set)), c.expected) << c.name;
}

}  // namespace

TEST(FiledSearchStatement, EachOptionAddsItsFragment) {
    const std::vector<Case<FiledSearchOptions>> cases = {
        {"defaults, no keyword", [](auto&) {}, kFiled},
        {"defaults with keyword abc", [](auto& o) { o.keyword = u"abc"_s; },
         kFiled + u" and lname like '%abc%' "_s},
        {"已过期", [](auto& o) { o.state = StateExpired; },
         kFiled + u" and datediff(day,ldeltime,getdate())>=0 "_s},
        {"将过期 with 企业 (two spaces between)",
         [](auto& o) {
             o.state = StateExpiring;
             o.holderKind = HolderCompany;
         },
         kFiled + u" and datediff(day,ldeltime,getdate())<0  and lbackhostkind='企业'"_s},
        {"个人", [](auto& o) { o.holderKind = HolderPerson; }, kFiled + u" and lbackhostkind='个人' "_s},
        {"length range", [](auto& o) { o.lengthAll = 0; }, kFiled + u" and (llength between 1 and 10)"_s},
        {"length range, shortest numbers",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthFrom = u"2.50"_s;
             o.lengthTo = u"07"_s;
         },
         kFiled + u" and (llength between 2.5 and 7)"_s},
        {"length range, text without digits and a negative",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthFrom = u"abc"_s;
             o.lengthTo = u"-4x"_s;
         },
         kFiled + u" and (llength between 0 and -4)"_s},
        {"length range, huge number stays a plain integer",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthTo = u"99999999999"_s;
         },
         kFiled + u" and (llength between 1 and 99999999999)"_s},
        {"filing dates", [](auto& o) { o.filingDateAll = 0; },
         kFiled + u" and (lbacktime between '2011-12-01' and '2012-01-05')"_s},
        {"every metric, in box order", [](auto& o) { o.metrics = {1, 1, 1, 1}; },
         kFiled + u" and lbaidudomain>0 and lbaidusite>0 and lgooglepr>0 and lalexa<100000000"_s},
        // The grid shows 百度收录 from lbaidudomain and 百度外链 from lbaidusite; the boxes filter the same.
        {"BAIDU收录 alone asks for the 收录 column", [](auto& o) { o.metrics = {1, 0, 0, 0}; },
         kFiled + u" and lbaidudomain>0"_s},
        {"BAIDU外链 alone asks for the 外链 column", [](auto& o) { o.metrics = {0, 1, 0, 0}; },
         kFiled + u" and lbaidusite>0"_s},
        {"PR值 only", [](auto& o) { o.metrics = {0, 0, 1, 0}; }, kFiled + u" and lgooglepr>0"_s},
        {"clearing 字母 asks for digits", [](auto& o) { o.compose = {0, 1, 1, 1}; },
         kFiled + u" and lcompose=3"_s},
        {"clearing 数字 asks for letters", [](auto& o) { o.compose = {1, 0, 1, 1}; },
         kFiled + u" and lcompose=2"_s},
        {"clearing both 字母 and 数字 asks for neither", [](auto& o) { o.compose = {0, 0, 1, 1}; }, kFiled},
        {"clearing 中划线 and 中文", [](auto& o) { o.compose = {1, 1, 0, 0}; },
         kFiled + u" and lesp=0 and llang=1"_s},
        {"全部 cleared, .com and .cn",
         [](auto& o) {
             o.extensionAll = 0;
             Tick(o.extensions, {0, 14});
         },
         kFiled + u" and (1=2 or lextend like '%.com' or lextend like '%.cn')"_s},
        {"全部 cleared, no single extension: no filter", [](auto& o) { o.extensionAll = 0; }, kFiled},
        {"全部 checked wins over single boxes", [](auto& o) { Tick(o.extensions, {0, 1}); }, kFiled},
        {"every extension",
         [](auto& o) {
             o.extensionAll = 0;
             for (auto& b : o.extensions) b.checked = 1;
         },
         kFiled + u" and (1=2 or lextend like '%.com' or lextend like '%.net' or lextend like '%.org' or "
                  "lextend like '%.info' or lextend like '%.name' or lextend like '%.biz' or lextend like "
                  "'%.us' or lextend like '%.uk' or lextend like '%.eu' or lextend like '%.de' or lextend "
                  "like '%.tk' or lextend like '%.in' or lextend like '%.co' or lextend like '%.asia' or "
                  "lextend like '%.cn')"_s},
        {"a caption with a quote is doubled",
         [](auto& o) {
             o.extensionAll = 0;
             o.extensions[3] = {u".o'k"_s, 1};
         },
         kFiled + u" and (1=2 or lextend like '%.o''k')"_s},
        {"收录 and 字数 sort in box order", [](auto& o) { o.sortKeys[9] = o.sortKeys[0] = 1; },
         kFiled + u" order by llength,lbaidudomain desc"_s},
        {"every sort key", [](auto& o) { o.sortKeys.fill(1); },
         kFiled + u" order by llength,lback,lbacktime desc,lregist desc,lcompose,lbackhostkind desc,"
                  "lgooglepr desc,lalexa,lbaidusite desc,lbaidudomain desc"_s},
    };
    Check(cases, BuildFiledSearchStatement, Filed);
}

TEST(FiledSearchStatement, AllFragmentsStandInTheirFixedOrder) {
    const FiledSearchOptions o = Filed([](auto& o) {
        o.state = StateExpired;
        o.holderKind = HolderPerson;
        o.lengthAll = 0;
        o.filingDateAll = 0;
        o.keyword = u"Ab C"_s;
        o.keywordLeft = 1;
        o.metrics = {0, 1, 0, 0};
        o.compose = {1, 0, 0, 0};
        o.extensionAll = 0;
        Tick(o.extensions, {1});
        o.sortKeys[6] = 1;
        o.rowLimit = u"50"_s;
    });
    EXPECT_EQ(BuildFiledSearchStatement(o),
              u"select top 50 * from ldomainreg where (lregist=1) and datediff(day,ldeltime,getdate())>=0 "
              " and lbackhostkind='个人'  and (llength between 1 and 10) and (lbacktime between "
              "'2011-12-01' and '2012-01-05') and lname like 'abc%'  and lbaidusite>0 and lcompose=2 "
              "and lesp=0 and llang=1 and (1=2 or lextend like '%.net') order by lgooglepr desc"_s);
}

// Both searches share the keyword rules; the table runs through each of them.
TEST(SearchKeyword, PositionBoxesAndTypedTextShapeTheLikePattern) {
    struct KeywordCase {
        const char16_t* typed;
        int left, right;
        const char16_t* fragment;
    } cases[] = {
        {u"abc", 0, 0, u" and lname like '%abc%' "},
        {u"abc", 1, 1, u" and lname like 'abc' "},
        {u"abc", 1, 0, u" and lname like 'abc%' "},
        {u"abc", 0, 1, u" and lname like '%abc' "},
        {u"a b", 0, 0, u" and lname like '%ab%' "},
        {u"  AbC  D ", 0, 0, u" and lname like '%abcd%' "},
        {u"o'neil", 0, 0, u" and lname like '%o''neil%' "},
        {u"''", 1, 1, u" and lname like '''''' "},
        {u"a%b_c", 1, 1, u" and lname like 'a%b_c' "},
        {u"百度Ｗ", 0, 0, u" and lname like '%百度ｗ%' "},
        {u"   ", 0, 0, u""},
        {u"", 1, 1, u""},
    };
    for (const auto& c : cases) {
        const QString typed = QString::fromUtf16(c.typed);
        const QString fragment = QString::fromUtf16(c.fragment);
        FiledSearchOptions filed;
        filed.keyword = typed;
        filed.keywordLeft = c.left;
        filed.keywordRight = c.right;
        EXPECT_EQ(BuildFiledSearchStatement(filed), kFiled + fragment) << typed.toStdString();
        ExpiredSearchOptions expired;
        expired.keyword = typed;
        expired.keywordLeft = c.left;
        expired.keywordRight = c.right;
        EXPECT_EQ(BuildExpiredSearchStatement(expired), kExpired + fragment) << typed.toStdString();
    }
}

TEST(SearchRowLimit, IsAlwaysAWholeNumberTheEnginesAccept) {
    struct LimitCase {
        const char16_t* text;
        const char16_t* top;
    } cases[] = {
        {u"2000", u"2000"},
        {u"1", u"1"},
        {u"  150 rows", u"150"},
        {u"", u"0"},                      // no digits: an empty result, as before
        {u"abc", u"0"},
        {u"0", u"0"},
        {u"-5", u"0"},                    // a negative TOP is a syntax error on the server
        {u"0.5", u"0"},
        {u"2.5", u"2"},                   // TOP takes whole numbers only
        {u"2147483647", u"2147483647"},
        {u"2147483648", u"2147483647"},
        {u"99999999999", u"2147483647"},
        {u"1e30", u"1"},                  // the leading numeric part has no exponent
    };
    for (const auto& c : cases) {
        FiledSearchOptions filed;
        filed.rowLimit = QString::fromUtf16(c.text);
        EXPECT_EQ(BuildFiledSearchStatement(filed),
                  u"select top "_s + QString::fromUtf16(c.top) + u" * from ldomainreg where (lregist=1)"_s)
            << filed.rowLimit.toStdString();
        ExpiredSearchOptions expired;
        expired.rowLimit = filed.rowLimit;
        EXPECT_EQ(BuildExpiredSearchStatement(expired),
                  u"select top "_s + QString::fromUtf16(c.top) + u" * from ldomainhis where (lregist=1)"_s)
            << filed.rowLimit.toStdString();
    }
    // Too many digits to read as a number: whatever it reads as, the limit stays a plain whole number.
    const QString tooLong = RowLimitText(QString(400, u'9'));
    EXPECT_TRUE(tooLong == u"0"_s || tooLong == QString::number(MaxRowLimit)) << tooLong.toStdString();
}

TEST(ExpiredSearchStatement, EachOptionAddsItsFragment) {
    const std::vector<Case<ExpiredSearchOptions>> cases = {
        {"defaults", [](auto&) {}, kExpired},
        {"defaults with keyword abc: exact match", [](auto& o) { o.keyword = u"abc"_s; },
         kExpired + u" and lname like 'abc' "_s},
        {"length range", [](auto& o) { o.lengthAll = 0; }, kExpired + u" and (llength between 1 and 10)"_s},
        {"PR 2 then ALEXA 5000",
         [](auto& o) {
             o.maxAlexa = u"5000"_s;
             o.minPageRank = u"2"_s;
         },
         kExpired + u" and lgooglepr>=2 and lalexa<=5000"_s},
        {"all four thresholds in their fixed order",
         [](auto& o) {
             o.minPageRank = u"1"_s;
             o.minBaiduIndexed = u"2"_s;
             o.maxAlexa = u"3"_s;
             o.minBaiduLinks = u"4"_s;
         },
         kExpired + u" and lgooglepr>=1 and lalexa<=3 and lbaidudomain>=2 and lbaidusite>=4"_s},
        // ALEXA小于 keeps the ranks up to the number; 百度收录 and 百度外链 name the grid's columns.
        {"ALEXA小于 100000 keeps ranks up to 100000", [](auto& o) { o.maxAlexa = u"100000"_s; },
         kExpired + u" and lalexa<=100000"_s},
        {"百度收录大于 5000 reads the 收录 column", [](auto& o) { o.minBaiduIndexed = u"5000"_s; },
         kExpired + u" and lbaidudomain>=5000"_s},
        {"百度外链大于 5000 reads the 外链 column", [](auto& o) { o.minBaiduLinks = u"5000"_s; },
         kExpired + u" and lbaidusite>=5000"_s},
        {"thresholds of 0, no digits or below 0 add nothing",
         [](auto& o) {
             o.minPageRank = u"0"_s;
             o.minBaiduIndexed = u"x"_s;
             o.maxAlexa = u"-3"_s;
             o.minBaiduLinks = u""_s;
         },
         kExpired},
        {"fractional and huge thresholds",
         [](auto& o) {
             o.minPageRank = u"2.5"_s;
             o.minBaiduLinks = u"99999999999"_s;
         },
         kExpired + u" and lgooglepr>=2.5 and lbaidusite>=99999999999"_s},
        {"clearing 字母", [](auto& o) { o.compose = {0, 1, 1, 1}; }, kExpired + u" and lcompose=3"_s},
        {"clearing 数字", [](auto& o) { o.compose = {1, 0, 1, 1}; }, kExpired + u" and lcompose=2"_s},
        {"clearing 中划线 and 中文", [](auto& o) { o.compose = {1, 1, 0, 0}; },
         kExpired + u" and lesp=0 and llang=1"_s},
        {"deletion dates", [](auto& o) { o.deletionDateAll = 0; },
         kExpired + u" and (ldeltime between '2011-12-01' and '2011-12-01')"_s},
        {"已过期", [](auto& o) { o.state = StateExpired; },
         kExpired + u" and datediff(day,ldeltime,getdate())>=0 "_s},
        {"将过期", [](auto& o) { o.state = StateExpiring; },
         kExpired + u" and datediff(day,ldeltime,getdate())<0 "_s},
        {"全部 cleared, .net", [](auto& o) {
             o.extensionAll = 0;
             Tick(o.extensions, {1});
         },
         kExpired + u" and (1=2 or lextend like '%.net')"_s},
        {"全部 cleared, nothing ticked", [](auto& o) { o.extensionAll = 0; }, kExpired},
        {"百度外链 and 字数 sort in box order", [](auto& o) { o.sortKeys[6] = o.sortKeys[0] = 1; },
         kExpired + u" order by llength,lbaidusite desc"_s},
        {"百度收录 sorts by the 收录 column", [](auto& o) { o.sortKeys[5] = 1; },
         kExpired + u" order by lbaidudomain desc"_s},
        {"every sort key", [](auto& o) { o.sortKeys.fill(1); },
         kExpired + u" order by llength,lname,lextend,lgooglepr desc,lalexa,lbaidudomain desc,"
                    "lbaidusite desc"_s},
    };
    Check(cases, BuildExpiredSearchStatement, Expired);
}

TEST(ExpiredSearchStatement, AllFragmentsStandInTheirFixedOrder) {
    const ExpiredSearchOptions o = Expired([](auto& o) {
        o.lengthAll = 0;
        o.keyword = u"X"_s;
        o.keywordLeft = 0;
        o.minBaiduIndexed = u"7"_s;
        o.compose = {0, 1, 0, 1};
        o.deletionDateAll = 0;
        o.state = StateExpiring;
        o.extensionAll = 0;
        Tick(o.extensions, {14});
        o.sortKeys[2] = o.sortKeys[1] = 1;
        o.rowLimit = u"10"_s;
    });
    EXPECT_EQ(BuildExpiredSearchStatement(o),
              u"select top 10 * from ldomainhis where (lregist=1) and (llength between 1 and 10) and lname "
              "like '%x'  and lbaidudomain>=7 and lcompose=3 and lesp=0 and (ldeltime between '2011-12-01' "
              "and '2011-12-01') and datediff(day,ldeltime,getdate())<0  and (1=2 or lextend like '%.cn') "
              "order by lname,lextend"_s);
}

// ---- The statements on a real SQLite file, through the shared connection ----

namespace {

// Today is 2012-03-04 for these cases: rows deleted before it count as 已过期.
// lid, lname, lextend, lregist, ldeltime, lbackhostkind, llength, lcompose, llang, lgooglepr
const char* const kRows =
    "(1,'abc','.com',1,'2012-01-01','个人',3,2,1,2),"
    "(2,'o''neil','.cn',1,'2012-04-01','企业',6,2,1,0),"
    "(3,'abc123','.net',1,'2012-03-04','企业',6,1,1,5),"
    "(4,'123','.cn',1,'2012-05-01','个人',3,3,1,0),"
    "(5,'xabc','.com',0,'2012-01-01','个人',4,2,1,9),"
    "(6,'百度','.cn',1,'2011-12-01','个人',2,1,2,1)";

class StatementsOnSqlite : public ::testing::Test {
protected:
    void SetUp() override {
        ds::SetClock(std::make_shared<ds::FixedClock>(QDateTime(QDate(2012, 3, 4), QTime(10, 0))));
        ASSERT_TRUE(dir_.isValid());
        const QString path = dir_.filePath(u"search.db"_s);
        QFile schema(QStringLiteral(DROPSCOUT_DATA_DIR "/schema_sqlite.sql"));
        ASSERT_TRUE(schema.open(QIODevice::ReadOnly));
        QString sql = u"PRAGMA synchronous=OFF;"_s + QString::fromUtf8(schema.readAll());
        for (const char* table : {"ldomainreg", "ldomainhis"})
            sql += u"INSERT INTO "_s + QLatin1String(table) +
                   u" (lid,lname,lextend,lregist,ldeltime,lbackhostkind,llength,lcompose,llang,lgooglepr) "
                   "VALUES "_s + QString::fromUtf8(kRows) + u";"_s;
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK) << error;
        sqlite3_close(db);
        ds::db::NewDbObjects();
        ds::db::DbConn().open(u"Provider=SQLite;Data Source="_s + path);
    }
    void TearDown() override {
        ds::db::NewDbObjects();
        ds::SetClock(std::make_shared<ds::SystemClock>());
    }

    // The lids the statement selects, in the order returned.
    static QList<qint64> Run(const QString& statement) {
        ds::db::Recordset& rs = ds::db::DbRs2();
        ds::db::OpenRecordset(rs, statement);
        QList<qint64> ids;
        for (; !rs.eof(); rs.moveNext()) ids << rs.value(u"lid"_s).toLongLong();
        rs.close();
        return ids;
    }
    static QList<qint64> Sorted(QList<qint64> ids) {
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(StatementsOnSqlite, FiledSearchSelectsTheMatchingRows) {
    const std::vector<Case<FiledSearchOptions>> cases = {
        {"defaults: offered rows only", [](auto&) {}, u"1 2 3 4 6"_s},
        {"keyword ABC anywhere", [](auto& o) { o.keyword = u"ABC"_s; }, u"1 3"_s},
        {"keyword with a quote", [](auto& o) { o.keyword = u"o'neil"_s; }, u"2"_s},
        {"exact keyword",
         [](auto& o) {
             o.keyword = u"abc"_s;
             o.keywordLeft = o.keywordRight = 1;
         },
         u"1"_s},
        {"已过期 (deleted today counts)", [](auto& o) { o.state = StateExpired; }, u"1 3 6"_s},
        {"将过期", [](auto& o) { o.state = StateExpiring; }, u"2 4"_s},
        {"企业", [](auto& o) { o.holderKind = HolderCompany; }, u"2 3"_s},
        {".com and .cn",
         [](auto& o) {
             o.extensionAll = 0;
             Tick(o.extensions, {0, 14});
         },
         u"1 2 4 6"_s},
        {"digits only", [](auto& o) { o.compose = {0, 1, 1, 1}; }, u"4"_s},
        {"no Chinese names", [](auto& o) { o.compose = {1, 1, 1, 0}; }, u"1 2 3 4"_s},
        {"length 3 to 3",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthFrom = o.lengthTo = u"3"_s;
         },
         u"1 4"_s},
        {"PR required", [](auto& o) { o.metrics[2] = 1; }, u"1 3 6"_s},
        {"row limit without digits", [](auto& o) { o.rowLimit = u"abc"_s; }, u""_s},
        {"huge row limit", [](auto& o) { o.rowLimit = u"99999999999"_s; }, u"1 2 3 4 6"_s},
    };
    for (const auto& c : cases) {
        QStringList ids;
        for (qint64 id : Sorted(Run(BuildFiledSearchStatement(Filed(c.set))))) ids << QString::number(id);
        EXPECT_EQ(ids.join(u' '), c.expected) << c.name;
    }
}

// The metric filters read the columns the grid shows under their captions: "百度收录大于 5000" must
// not bring rows whose 百度收录 column reads 0, nor "ALEXA小于 100000" ranks above 100000.
TEST_F(StatementsOnSqlite, MetricFiltersReadTheColumnsTheGridShows) {
    // lid: lbaidudomain (百度收录), lbaidusite (百度外链), lalexa; 100000000 stands for "no rank".
    const char* const metrics =
        "UPDATE ldomainreg SET lbaidudomain=6000, lbaidusite=0, lalexa=100000 WHERE lid=1;"
        "UPDATE ldomainreg SET lbaidudomain=0, lbaidusite=9000, lalexa=100001 WHERE lid=2;"
        "UPDATE ldomainreg SET lbaidudomain=378, lbaidusite=5000, lalexa=99999 WHERE lid=3;"
        "UPDATE ldomainreg SET lbaidudomain=5000, lbaidusite=1, lalexa=100000000 WHERE lid=6;";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir_.filePath(u"search.db"_s).toUtf8().constData(), &db), SQLITE_OK);
    for (const char* table : {"ldomainreg", "ldomainhis"}) {
        const QByteArray sql = QByteArray(metrics).replace("ldomainreg", table);
        ASSERT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(db);

    const std::vector<Case<ExpiredSearchOptions>> expired = {
        {"百度收录大于 5000", [](auto& o) { o.minBaiduIndexed = u"5000"_s; }, u"1 6"_s},
        {"百度外链大于 5000", [](auto& o) { o.minBaiduLinks = u"5000"_s; }, u"2 3"_s},
        {"ALEXA小于 100000 keeps the rank of 100000 itself", [](auto& o) { o.maxAlexa = u"100000"_s; }, u"1 3"_s},
    };
    for (const auto& c : expired) {
        QStringList ids;
        for (qint64 id : Sorted(Run(BuildExpiredSearchStatement(Expired(c.set))))) ids << QString::number(id);
        EXPECT_EQ(ids.join(u' '), c.expected) << c.name;
    }
    const std::vector<Case<FiledSearchOptions>> filed = {
        {"BAIDU收录", [](auto& o) { o.metrics = {1, 0, 0, 0}; }, u"1 3 6"_s},
        {"BAIDU外链", [](auto& o) { o.metrics = {0, 1, 0, 0}; }, u"2 3 6"_s},
    };
    for (const auto& c : filed) {
        QStringList ids;
        for (qint64 id : Sorted(Run(BuildFiledSearchStatement(Filed(c.set))))) ids << QString::number(id);
        EXPECT_EQ(ids.join(u' '), c.expected) << c.name;
    }
    // The sort box 百度收录 puts the largest 收录 first.
    ExpiredSearchOptions sorted;
    sorted.sortKeys[5] = 1;
    sorted.rowLimit = u"2"_s;
    EXPECT_EQ(Run(BuildExpiredSearchStatement(sorted)), (QList<qint64>{1, 6}));
}

TEST_F(StatementsOnSqlite, RowLimitAndSortKeysApplyTogether) {
    FiledSearchOptions o;
    o.rowLimit = u"2"_s;
    o.sortKeys[6] = 1;  // PR值, highest first
    EXPECT_EQ(Run(BuildFiledSearchStatement(o)), (QList<qint64>{3, 1}));

    ExpiredSearchOptions e;
    e.rowLimit = u"3"_s;
    e.sortKeys[0] = e.sortKeys[1] = 1;  // 字数, then 前缀
    EXPECT_EQ(Run(BuildExpiredSearchStatement(e)), (QList<qint64>{6, 4, 1}));
}

TEST_F(StatementsOnSqlite, ExpiredSearchWithEveryFragmentRuns) {
    ExpiredSearchOptions o;
    o.lengthAll = 0;
    o.keyword = u"b"_s;
    o.keywordLeft = o.keywordRight = 0;
    o.minPageRank = u"1"_s;
    o.maxAlexa = u"0"_s;
    o.compose = {1, 0, 1, 1};
    o.deletionDateAll = 0;
    o.deletionFrom = QDate(2011, 1, 1);
    o.deletionTo = QDate(2012, 12, 31);
    o.state = StateExpired;
    o.extensionAll = 0;
    Tick(o.extensions, {0, 2});
    o.sortKeys.fill(1);
    EXPECT_EQ(Run(BuildExpiredSearchStatement(o)), (QList<qint64>{1}));

    FiledSearchOptions f;
    f.state = StateExpiring;
    f.holderKind = HolderPerson;
    f.lengthAll = f.filingDateAll = 0;
    f.keyword = u"1"_s;
    f.metrics.fill(1);
    f.compose = {0, 0, 0, 0};
    f.extensionAll = 0;
    Tick(f.extensions, {1});
    f.sortKeys.fill(1);
    f.filingFrom = f.filingTo = QDate(2012, 1, 1);
    EXPECT_TRUE(Run(BuildFiledSearchStatement(f)).isEmpty());
}
