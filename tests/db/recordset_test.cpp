#include <gtest/gtest.h>

#include <QFile>

#include "db/recordset.h"
#include "db_fixture.h"

using namespace ds;
using namespace ds::db;

namespace {

class RecordsetTest : public test::DbFixture {
protected:
    void insertPrices(int count) {
        exec(u"begin"_qs);
        for (int i = 1; i <= count; ++i)
            exec(u"insert into ldomainprice (lid,lextend,lprice) values (%1,'.e%1','%1')"_qs.arg(i));
        exec(u"commit"_qs);
    }
    Recordset rs;
};

TEST_F(RecordsetTest, PagesOf20Over45RowsGiveThreePagesTheLastWithFive) {
    openConnection();
    insertPrices(45);
    rs.open(u"select * from ldomainprice order by lid"_qs, conn);
    rs.setPageSize(20);
    EXPECT_EQ(rs.recordCount(), 45);
    EXPECT_EQ(rs.pageCount(), 3);

    struct Page {
        qint64 page, firstLid, rows;
    } pages[] = {{1, 1, 20}, {2, 21, 20}, {3, 41, 5}};
    for (const auto& p : pages) {
        rs.setAbsolutePage(p.page);
        EXPECT_EQ(rs.absolutePage(), p.page);
        EXPECT_EQ(rs.absolutePosition(), (p.page - 1) * 20 + 1);
        EXPECT_EQ(rs.value(u"lid"_qs), QVariant(p.firstLid));
        qint64 rows = 0;
        for (; !rs.eof() && rows < 20; rs.moveNext()) ++rows;
        EXPECT_EQ(rows, p.rows) << "page " << p.page;
    }
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.absolutePosition(), 0);
    EXPECT_THROW(rs.setAbsolutePage(4), DbError);
    EXPECT_THROW(rs.setAbsolutePage(0), DbError);
    EXPECT_THROW(rs.setPageSize(0), DbError);

    rs.setPageSize(45);
    EXPECT_EQ(rs.pageCount(), 1);
    rs.setPageSize(44);
    EXPECT_EQ(rs.pageCount(), 2);
}

TEST_F(RecordsetTest, AnEmptyAnswerIsBothBofAndEofWithNoPages) {
    openConnection();
    rs.open(u"select * from ldomainprice"_qs, conn);
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(rs.pageCount(), 0);
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.fieldCount(), 3);
    EXPECT_THROW(rs.value(0), DbError);
}

TEST_F(RecordsetTest, NullStaysDistinctFromEmptyTextAndTypesComeThrough) {
    openConnection();
    exec(
        u"insert into ldomainreg (lid,lname,lback,lbackname,lalexa,lgooglepr) values (7,'abc',NULL,'',100000000,NULL)"_qs);
    exec(u"insert into lconfig_all (lver_domain,lwhoisurl) values (3.11,'')"_qs);
    rs.open(u"select lid,lname,lback,lbackname,lalexa,lgooglepr from ldomainreg"_qs, conn);
    EXPECT_EQ(rs.value(u"LID"_qs).typeId(), QMetaType::LongLong);  // names match in any case
    EXPECT_EQ(rs.value(u"lname"_qs), QVariant(u"abc"_qs));
    EXPECT_FALSE(rs.value(u"lback"_qs).isValid());
    EXPECT_TRUE(rs.value(u"lbackname"_qs).isValid());
    EXPECT_EQ(rs.value(u"lbackname"_qs).toString(), QString());
    EXPECT_EQ(rs.text(u"lback"_qs), QString());
    EXPECT_EQ(rs.value(u"lalexa"_qs), QVariant(qint64(100000000)));
    EXPECT_FALSE(rs.value(5).isValid());
    EXPECT_EQ(rs.fieldIndex(u"nosuch"_qs), -1);
    EXPECT_THROW(rs.value(u"nosuch"_qs), DbError);
    rs.close();

    rs.open(u"select lver_domain, lwhoisurl from lconfig_all"_qs, conn);
    EXPECT_EQ(rs.value(0).typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(rs.value(0).toDouble(), 3.11);
    EXPECT_EQ(rs.value(0).toString(), u"3.11");
    EXPECT_EQ(rs.fieldName(1), u"lwhoisurl");
}

TEST_F(RecordsetTest, CursorMovesAndStopsAtTheEnds) {
    openConnection();
    insertPrices(3);
    rs.open(u"select lid from ldomainprice order by lid"_qs, conn);
    EXPECT_FALSE(rs.bof());
    rs.moveLast();
    EXPECT_EQ(rs.value(0), QVariant(qint64(3)));
    rs.moveNext();
    rs.moveNext();  // stays at eof
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    rs.moveNext();
    EXPECT_EQ(rs.absolutePosition(), 1);
    rs.setAbsolutePosition(2);
    EXPECT_EQ(rs.value(0), QVariant(qint64(2)));
    EXPECT_THROW(rs.setAbsolutePosition(4), DbError);
}

TEST_F(RecordsetTest, OpeningRuleAndClosedStates) {
    // A closed connection fails with a readable text and leaves the recordset closed.
    try {
        rs.open(u"select * from lad"_qs, conn);
        ADD_FAILURE() << "opening on a closed connection must fail";
    } catch (const DbError& e) {
        EXPECT_EQ(e.description(), u"the database connection is not open");
    }
    EXPECT_EQ(rs.state(), Recordset::StateClosed);
    EXPECT_THROW(rs.recordCount(), DbError);

    openConnection();
    rs.open(u"select * from lad"_qs, conn);
    EXPECT_EQ(rs.state(), Recordset::StateOpen);
    EXPECT_THROW(rs.open(u"select * from lad"_qs, conn), DbError);  // callers close first
    EXPECT_EQ(rs.state(), Recordset::StateOpen);
    rs.close();
    rs.close();  // closing twice is harmless
    EXPECT_EQ(rs.state(), Recordset::StateClosed);

    // A failing statement leaves it closed, with the engine's own message.
    try {
        rs.open(u"select nosuchcolumn from lad"_qs, conn);
        ADD_FAILURE() << "a bad statement must fail";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"no such column: nosuchcolumn"_qs)) << e.what();
    }
    EXPECT_EQ(rs.state(), Recordset::StateClosed);
}

TEST_F(RecordsetTest, StatementsThatChangeDataRunAndAnswerNothing) {
    openConnection();
    exec(u"insert into lad (lid,lkind,ltext,laddress,lnum) values (4,1,'ad','http://x',0)"_qs);
    rs.open(u"update lad set lnum=lnum+1 where lid=4"_qs, conn);
    EXPECT_EQ(rs.recordCount(), 0);
    rs.close();
    EXPECT_EQ(conn.query(u"select lnum from lad"_qs).rows[0][0], QVariant(qint64(1)));
}

class ConnectionTest : public test::DbFixture {};

TEST_F(ConnectionTest, OpensOnlyExistingDatabasesAndNamesTheProblem) {
    struct Case {
        QString text;
        const char16_t* message;
    } cases[] = {
        {u"Provider=SQLite;Data Source="_qs + dir.filePath(u"missing.db"_qs), u"database file not found: "},
        {u"Provider=SQLite;Data Source="_qs, u"names no database file"},
        {u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"_qs,
         u"unknown database provider: Microsoft.Jet.OLEDB.4.0"},
        {u"Data Source=x.db"_qs, u"names no provider"},
    };
    for (const auto& c : cases) {
        db::Connection other;
        try {
            other.open(c.text);
            ADD_FAILURE() << c.text.toStdString();
        } catch (const DbError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromUtf16(c.message))) << e.what();
        }
        EXPECT_FALSE(other.isOpen());
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(u"missing.db"_qs)));  // nothing was created

    QFile junk(dir.filePath(u"junk.db"_qs));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    db::Connection other;
    try {
        other.open(u"Provider=SQLite;Data Source="_qs + junk.fileName());
        ADD_FAILURE() << "a file that is not a database must not open";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(u"file is not a database"_qs)) << e.what();
    }
}

TEST_F(ConnectionTest, OpenCloseAndStates) {
    EXPECT_EQ(conn.state(), Connection::StateClosed);
    EXPECT_THROW(conn.query(u"select 1"_qs), DbError);
    conn.open(u"  provider = sqlite ; data source = \"%1\" "_qs.arg(path));
    EXPECT_EQ(conn.state(), Connection::StateOpen);
    EXPECT_THROW(conn.open(connectionText()), DbError);
    conn.close();
    EXPECT_FALSE(conn.isOpen());
    conn.open(connectionText());
    EXPECT_TRUE(conn.isOpen());
}

TEST(ParseConnectionText, KeysLowerCasedValuesTrimmedAndQuoted) {
    const auto keys = db::ParseConnectionText(
        u"Provider=SQLOLEDB.1; Data Source = 10.0.0.5,1433 ;Initial Catalog=domains;User ID=u;"
        "Password=\"p;w=d\"\"x\";;junk;Extra='it''s'"_qs);
    const std::vector<std::pair<QString, QString>> expected = {
        {u"provider"_qs, u"SQLOLEDB.1"_qs},     {u"data source"_qs, u"10.0.0.5,1433"_qs},
        {u"initial catalog"_qs, u"domains"_qs}, {u"user id"_qs, u"u"_qs},
        {u"password"_qs, u"p;w=d\"x"_qs},       {u"extra"_qs, u"it's"_qs},
    };
    EXPECT_EQ(keys, expected);
}

}  // namespace
