// The recordset through the ODBC backend, on a real ODBC driver: Debian's SQLite driver reached as
// OLE DB users reach any ODBC source (Provider=MSDASQL). The same statements on the same file must give
// what the embedded backend gives.
#include <gtest/gtest.h>

#include <QProcess>

#include <iostream>

#include "db/odbc_backend.h"
#include "db/recordset.h"
#include "db_fixture.h"

using namespace ds;
using namespace ds::db;

namespace {

TEST(OdbcConnectionText, MsdasqlPassesTheTextsOwnKeysOn) {
    const struct {
        const char* text;
        const char* user;
        const char* expected;
    } cases[] = {
        {"Provider=MSDASQL;Driver={SQLite3};Database=/tmp/a b.db", "", "driver={SQLite3};database=/tmp/a b.db;"},
        {"Provider=MSDASQL.1;DSN=ops;User ID=sa;Password='x;y'", "", "dsn=ops;UID=sa;PWD={x;y};"},
        {"Provider=MSDASQL;DSN=ops;UID=sa", "me", "dsn=ops;UID=me;"},
        {"Provider=MSDASQL;DSN=ops", "me", "dsn=ops;UID=me;"},
    };
    for (const auto& c : cases) {
        const QString user = QString::fromUtf8(c.user);
        EXPECT_EQ(MapMsdasqlToOdbc(ParseConnectionText(QString::fromUtf8(c.text)), user).connectionText,
                  QString::fromUtf8(c.expected))
            << c.text;
    }
    EXPECT_THROW(MapMsdasqlToOdbc(ParseConnectionText(u"Provider=MSDASQL;DSN='a}b'"_qs)), DbError);
}

// The SQLite ODBC driver registered with unixODBC as "SQLite3" (scripts/setup installs libsqliteodbc).
bool DriverRegistered() {
    QProcess p;
    p.start(u"odbcinst"_qs, {u"-q"_qs, u"-d"_qs});
    return p.waitForFinished(5000) && p.readAllStandardOutput().contains("[SQLite3]");
}

class OdbcRecordsetTest : public test::DbFixture {
protected:
    void SetUp() override {
        if (!DriverRegistered()) {
            std::cout << "[ skipped  ] the SQLite3 ODBC driver is not registered (apt-get install libsqliteodbc)\n";
            GTEST_SKIP() << "the SQLite3 ODBC driver is not registered";
        }
        DbFixture::SetUp();
        openConnection();
    }
    void openOdbc() { odbc.open(u"Provider=MSDASQL;Driver={SQLite3};Database="_qs + path); }
    Connection odbc;
};

TEST_F(OdbcRecordsetTest, SameRowsValuesNullsAndChineseAsTheEmbeddedBackend) {
    exec(u"insert into ldomainprice (lid,lextend,lprice) values (1,'.com','69'),(2,'.中国',NULL),(3,'',' 29 ')"_qs);
    openOdbc();
    const QString sql = u"select lid,lextend,lprice from ldomainprice order by lid"_qs;
    const ResultTable embedded = conn.query(sql);
    const ResultTable viaOdbc = odbc.query(sql);
    ASSERT_EQ(viaOdbc.rows.size(), 3u);
    ASSERT_EQ(viaOdbc.columns.size(), embedded.columns.size());
    for (size_t c = 0; c < embedded.columns.size(); ++c)
        EXPECT_EQ(viaOdbc.columns[c].compare(embedded.columns[c], Qt::CaseInsensitive), 0) << c;
    for (size_t r = 0; r < 3; ++r)
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(viaOdbc.rows[r][c].isNull(), embedded.rows[r][c].isNull()) << r << "," << c;
            EXPECT_EQ(viaOdbc.rows[r][c].toString(), embedded.rows[r][c].toString()) << r << "," << c;
        }
    EXPECT_EQ(viaOdbc.rows[1][1].toString(), u".中国"_qs);
    EXPECT_TRUE(viaOdbc.rows[1][2].isNull());
    EXPECT_EQ(viaOdbc.rows[2][1].toString(), QString());
    EXPECT_FALSE(viaOdbc.rows[2][1].isNull());

    // Paging over the same answer.
    exec(u"delete from ldomainprice"_qs);
    exec(u"begin"_qs);
    for (int i = 1; i <= 45; ++i) exec(u"insert into ldomainprice (lid,lextend) values (%1,'.e%1')"_qs.arg(i));
    exec(u"commit"_qs);
    Recordset rs;
    rs.open(u"select * from ldomainprice order by lid"_qs, odbc);
    rs.setPageSize(20);
    EXPECT_EQ(rs.recordCount(), 45);
    EXPECT_EQ(rs.pageCount(), 3);
    rs.setAbsolutePage(3);
    EXPECT_EQ(rs.absolutePosition(), 41);
    EXPECT_EQ(rs.value(u"lid"_qs).toLongLong(), 41);
}

TEST_F(OdbcRecordsetTest, AFailingStatementGivesTheDriversMessageAndLeavesTheRecordsetClosed) {
    openOdbc();
    Recordset rs;
    try {
        rs.open(u"select * from no_such_table"_qs, odbc);
        FAIL() << "the statement should fail";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"no_such_table"_qs)) << e.description().toStdString();
    }
    EXPECT_EQ(rs.state(), Recordset::StateClosed);
}

TEST_F(OdbcRecordsetTest, LargeValuesAndManyRowsComeThrough) {
    const QString big(4 * 1024 * 1024, u'字');
    exec(u"insert into ldomainprice (lid,lextend,lprice) values (1,'.big','"_qs + big + u"')"_qs);
    exec(u"begin"_qs);
    exec(u"create table many (n integer)"_qs);
    exec(u"with recursive c(x) as (select 1 union all select x+1 from c where x<100000) insert into many select x from c"_qs);
    exec(u"commit"_qs);
    openOdbc();
    const ResultTable one = odbc.query(u"select lprice from ldomainprice where lid=1"_qs);
    ASSERT_EQ(one.rows.size(), 1u);
    EXPECT_EQ(one.rows[0][0].toString().size(), big.size());
    EXPECT_EQ(one.rows[0][0].toString(), big);
    const ResultTable rows = odbc.query(u"select n from many order by n"_qs);
    ASSERT_EQ(rows.rows.size(), 100000u);
    EXPECT_EQ(rows.rows.back()[0].toLongLong(), 100000);
}

}  // namespace
