#include <gtest/gtest.h>

#include "db/shared_objects.h"
#include "db_fixture.h"

using namespace ds;
using namespace ds::db;

namespace {

class SharedObjectsTest : public test::DbFixture {
protected:
    void SetUp() override {
        DbFixture::SetUp();
        NewDbObjects();
        DbConn().open(connectionText());
        DbConn().query(
            u"insert into ldomainprice (lextend,lprice) values ('.com','55'),('.net','69'),('.org',NULL)"_qs);
        SqlText.clear();
        SqlCount = 0;
        SqlValue = QVariant();
    }
    void TearDown() override { NewDbObjects(); }

    qint64 adClicks() { return DbConn().query(u"select lnum from lad where lid=1"_qs).rows[0][0].toLongLong(); }
};

TEST_F(SharedObjectsTest, GetSqlValueKeepsTheCountAndFirstValue) {
    struct Case {
        const char16_t* sql;
        qint64 count;
        QVariant value;
    } cases[] = {
        {u"select lprice from ldomainprice where lextend='.com'", 1, u"55"_qs},
        {u"select lprice from ldomainprice where lextend='.tk'", 0, QString()},    // no rows: empty text
        {u"select lprice, lextend from ldomainprice order by lid", 3, u"55"_qs},   // several: first row, field 0
        {u"select lprice from ldomainprice where lextend='.org'", 1, QVariant()},  // a NULL stays NULL
    };
    for (const auto& c : cases) {
        SqlText = QString::fromUtf16(c.sql);
        GetSqlValue();
        EXPECT_EQ(SqlCount, c.count) << SqlText.toStdString();
        EXPECT_EQ(SqlValue, c.value) << SqlText.toStdString();
        EXPECT_EQ(SqlValue.isValid(), c.value.isValid()) << SqlText.toStdString();
        EXPECT_EQ(DbRs().state(), Recordset::StateClosed);
    }
}

TEST_F(SharedObjectsTest, StatementsOfFiveCharactersOrFewerAreSkipped) {
    SqlText = u"select lprice from ldomainprice where lextend='.net'"_qs;
    GetSqlValue();
    ASSERT_EQ(SqlValue, QVariant(u"69"_qs));

    // Five characters: nothing runs and the previous answer stays (a bad statement would throw).
    OpenRecordset(DbRs(), u"select * from lad"_qs);
    SqlText = u"bogus"_qs;
    EXPECT_NO_THROW(GetSqlValue());
    EXPECT_EQ(SqlCount, 1);
    EXPECT_EQ(SqlValue, QVariant(u"69"_qs));
    EXPECT_EQ(DbRs().state(), Recordset::StateClosed);  // closed even when skipped
    EXPECT_NO_THROW(ExecSql());

    // "BEGIN" has five characters and is skipped, "COMMIT" has six and runs: with no transaction
    // begun, the engine refuses it.
    SqlText = u"BEGIN"_qs;
    ExecSql();
    SqlText = u"COMMIT"_qs;
    try {
        ExecSql();
        ADD_FAILURE() << "COMMIT without BEGIN must fail";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"no transaction is active"_qs)) << e.what();
    }
    SqlText = u"bogus!"_qs;
    EXPECT_THROW(GetSqlValue(), DbError);
    EXPECT_EQ(DbRs().state(), Recordset::StateClosed);
}

TEST_F(SharedObjectsTest, ExecSqlRunsChangesAndLeavesDbRsClosed) {
    DbConn().query(u"insert into lad (lid,lkind,ltext,laddress,lnum) values (1,1,'ad','http://x',0)"_qs);
    OpenRecordset(DbRs(), u"select * from lad"_qs);
    SqlText = u"update lad set lnum=lnum+1 where lid=1"_qs;
    ExecSql();
    ExecSql();
    EXPECT_EQ(adClicks(), 2);
    EXPECT_EQ(DbRs().state(), Recordset::StateClosed);
}

TEST_F(SharedObjectsTest, OpeningRuleClosesAnOpenRecordsetFirst) {
    Recordset& rs = DbRs2();
    OpenRecordset(rs, u"select * from ldomainprice"_qs);
    OpenRecordset(rs, u"select * from ldomainprice where lextend='.com'"_qs);
    EXPECT_EQ(rs.recordCount(), 1);
}

TEST_F(SharedObjectsTest, AClosedConnectionGetsFreshObjectsAndTheStatementFails) {
    Recordset& held = DbRs2();  // a reference taken before stays usable
    OpenRecordset(held, u"select * from ldomainprice"_qs);
    DbConn().close();
    SqlText = u"select lprice from ldomainprice"_qs;
    try {
        GetSqlValue();
        ADD_FAILURE() << "a closed connection must fail";
    } catch (const DbError& e) {
        EXPECT_EQ(e.description(), u"the database connection is not open");
    }
    EXPECT_EQ(held.state(), Recordset::StateClosed);  // the fresh objects replaced the open one
    EXPECT_EQ(&held, &DbRs2());
    EXPECT_FALSE(DbConn().isOpen());
}

}  // namespace
