// The name index: which statements the SQLite adapter rewrites, and the index's life on real files
// (new files, files from before it, files it cannot be built on, changes to the names, closing).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAbstractButton>
#include <QFile>
#include <QTimer>

#include "db/demo_data.h"
#include "db/lock_wait.h"
#include "db/name_index.h"
#include "db/shared_objects.h"
#include "db/sqlite_backend.h"
#include "db/sqlite_dialect.h"
#include "db_fixture.h"
#include "startup/address_store.h"
#include "startup/demo_setup.h"
#include "startup/fload.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"

using namespace ds;
using namespace ds::db;

namespace {

const QDateTime kNow(QDate(2012, 3, 1), QTime(15, 4, 5));
const QStringList kBoth{u"ldomainreg"_qs, u"ldomainhis"_qs};

TEST(TrigramQueryForLike, EveryRunOfThreeCharactersBetweenWildcardsIsRequired) {
    const struct {
        const char16_t* pattern;
        const char16_t* query;
    } cases[] = {
        {u"%abc%", u"\"abc\""},
        {u"%mall", u"\"mall\""},
        {u"_abc%d_efgh", u"\"abc\" \"efgh\""},
        {u"%ab%", u""},
        {u"%a_bc%", u""},  // no run of three: a trigram index has nothing to look up
        {u"%测试网%", u"\"测试网\""},
        // Two Chinese characters are six bytes but no trigram; the engine's own LIKE support counts
        // bytes and finds nothing for them.
        {u"%测试%", u""},
        {u"%😀ab%", u"\"😀ab\""},  // one character of two UTF-16 units
        {u"%😀a%", u""},
        {u"%a\"bc%", u"\"a\"\"bc\""},
        {u"%it's%", u"\"it's\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrigramQueryForLike(QString::fromUtf16(c.pattern)), QString::fromUtf16(c.query))
            << QString::fromUtf16(c.pattern).toStdString();
}

TEST(AdaptNameSearch, RewritesOnlyAWildcardLedKeywordTermOfASearchOnAnIndexedTable) {
    const QString hisRows = u"lid in (select rowid from ldomainhis_fts where ldomainhis_fts match '%1') and "_qs;
    const struct {
        const char16_t* sql;
        QString driving;  // empty: the statement stays plain
        qint64 limit = -1;
    } cases[] = {
        {u"select top 2000 * from ldomainhis where (lregist=1) and lname like '%abc%' ",
         u"select * from ldomainhis where (lregist=1) and "_qs + hisRows.arg(u"\"abc\""_qs) +
             u"lname like '%abc%' limit 2000 "_qs,
         2000},
        {u"select top 5 * from ldomainreg where (lregist=1) and lname like '%mall'  and lesp=0 order by llength",
         u"select * from ldomainreg where (lregist=1) and lid in (select rowid from ldomainreg_fts where "
         u"ldomainreg_fts match '\"mall\"') and lname like '%mall'  and lesp=0 order by llength limit 5"_qs,
         5},
        {u"select * from ldomainhis where lname like '%it''s%'",
         u"select * from ldomainhis where "_qs + hisRows.arg(u"\"it''s\""_qs) + u"lname like '%it''s%'"_qs},
        {u"select top 9 * from ldomainhis where (lregist=1) and lname like '%abc' order by lname",
         u"select * from ldomainhis where (lregist=1) and "_qs + hisRows.arg(u"\"abc\""_qs) +
             u"lname like '%abc' order by lname limit 9"_qs,
         9},
        // served by the B-tree on lname, in name order
        {u"select top 20 * from ldomainhis where (lregist=1) and lname like 'abcdef' ", {}},
        {u"select top 20 * from ldomainhis where (lregist=1) and lname like 'abc%' ", {}},
        // nothing a trigram index can look up
        {u"select top 20 * from ldomainhis where (lregist=1) and lname like '%ab%' ", {}},
        {u"select top 20 * from ldomainhis where (lregist=1) and lname like '%测试%' ", {}},
        // other tables, or lname that might not be the domain table's
        {u"select top 20 * from ldomainback where lname like '%abc%'", {}},
        {u"select * from ldomainhis, ldomainreg where ldomainhis.lid=ldomainreg.lid and lname like '%abc%'", {}},
        {u"select * from ldomainhis where lid in (select lid from ldomainreg) and lname like '%abc%'", {}},
        {u"select * from ldomainhis where h.lname like '%abc%'", {}},
        // a term whose meaning its neighbours could turn
        {u"select * from ldomainhis where lregist=1 or lname like '%abc%'", {}},
        {u"select * from ldomainhis where not lname like '%abc%'", {}},
        {u"select * from ldomainhis where lname not like '%abc%'", {}},
        {u"select * from ldomainhis where (lname like '%abc%')", {}},
        {u"select * from ldomainhis where lname like '%abc%' escape '\\'", {}},
        {u"select * from ldomainhis where lname like '%abc%' || 'x'", {}},
        {u"select * from ldomainhis where lname like '%abc%' and lname like '%def%'", {}},
        {u"select * from ldomainhis where lname like '%abc%'; delete from lad", {}},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromUtf16(c.sql);
        SCOPED_TRACE(sql.toStdString());
        const NameSearchForms forms = AdaptNameSearch(sql, kNow, kBoth);
        EXPECT_EQ(forms.plain.toStdString(), AdaptToSqlite(sql, kNow).toStdString());
        EXPECT_EQ(forms.driving.toStdString(), c.driving.toStdString());
        if (c.driving.isEmpty()) {
            EXPECT_TRUE(forms.match.isEmpty());
            continue;
        }
        EXPECT_EQ(forms.rowLimit, c.limit);
        QString filtering = forms.driving;
        EXPECT_EQ(forms.filtering.toStdString(),
                  filtering.replace(u" lid in (select"_qs, u" +lid in (select"_qs).toStdString());
    }
    // Without an index on the table the statement stays as it was.
    EXPECT_TRUE(AdaptNameSearch(u"select * from ldomainhis where lname like '%abc%'"_qs, kNow, {u"ldomainreg"_qs})
                    .match.isEmpty());
}

// A database with the tables and indexes of files made before the name index existed.
void MakeFileWithoutNameIndex(const QString& path, qint64 rows) {
    DemoOptions o;
    o.regRows = rows / 4;
    o.hisRows = rows;
    o.backRows = 10;
    o.today = kNow.date();
    GenerateDemoDatabase(path, o);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const char* script =
        "DROP TRIGGER ldomainreg_fts_insert; DROP TRIGGER ldomainreg_fts_delete; DROP TRIGGER ldomainreg_fts_update;"
        "DROP TRIGGER ldomainhis_fts_insert; DROP TRIGGER ldomainhis_fts_delete; DROP TRIGGER ldomainhis_fts_update;"
        "DROP TABLE ldomainreg_fts; DROP TABLE ldomainhis_fts; PRAGMA analysis_limit=1000; ANALYZE;";
    EXPECT_EQ(sqlite3_exec(db, script, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

struct ProgressScope {
    explicit ProgressScope(BuildProgress hook) : previous(SetBuildProgressHook(std::move(hook))) {}
    ~ProgressScope() { SetBuildProgressHook(previous); }
    BuildProgress previous;
};

class NameIndexTest : public test::DbFixture {
protected:
    qint64 scalar(sqlite3* db, const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        const qint64 v = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return v;
    }
    sqlite3* openRaw(int flags = SQLITE_OPEN_READWRITE) {
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr), SQLITE_OK);
        return db;
    }
    // The lids (the first column) a keyword search returns, in order: through the index when `indexes`
    // names the table.
    static std::vector<qint64> Lids(sqlite3* db, const QString& sql, const QStringList& indexes) {
        std::vector<qint64> lids;
        for (const auto& row : RunSqlite(db, sql, indexes).rows) lids.push_back(row[0].toLongLong());
        return lids;
    }
    static QString Search(const QString& pattern) {
        return u"select * from ldomainhis where lname like '"_qs + pattern + u"'"_qs;
    }
    // The engine's own check that the index holds exactly what the table holds.
    static bool IndexMatchesTable(sqlite3* db, const char* fts) {
        const QString sql = u"insert into %1 (%1, rank) values ('integrity-check', 1)"_qs.arg(QLatin1StringView(fts));
        return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
};

TEST_F(NameIndexTest, NewFilesHaveItAndTheTriggersKeepItInStepWithEveryNameChange) {
    openConnection();
    exec(u"insert into ldomainhis (lid,lname,lregist) values (1,'alphabet',1),(2,'betamax',1),(3,'Gammaray',1),"
         u"(4,NULL,1),(5,'测试网站',1)"_qs);
    exec(u"update ldomainhis set lname='omegabet' where lid=2"_qs);
    exec(u"update ldomainhis set lid=30 where lid=3"_qs);
    exec(u"update ldomainhis set lregist=0 where lid=1"_qs);  // not a name change: the index is not touched
    exec(u"delete from ldomainhis where lid=5"_qs);
    exec(u"insert into ldomainhis (lid,lname) values (6,'网站测试')"_qs);
    conn.close();

    sqlite3* db = openRaw();
    EXPECT_EQ(NameIndexedTables(db), kBoth);
    EXPECT_TRUE(IndexMatchesTable(db, "ldomainhis_fts"));
    EXPECT_TRUE(IndexMatchesTable(db, "ldomainreg_fts"));
    const struct {
        const char16_t* pattern;
        std::vector<qint64> lids;
    } cases[] = {
        {u"%bet%", {1, 2}},  {u"%BETA%", {}},    {u"%GAMMA%", {30}},
        {u"%ray", {30}},     {u"%站测试%", {6}}, {u"%测试网%", {}},
    };
    for (const auto& c : cases) {
        const QString sql = Search(QString::fromUtf16(c.pattern));
        EXPECT_EQ(ChooseNameSearch(db, AdaptNameSearch(sql, kNow, kBoth)).form, NameSearchForm::Driving);
        EXPECT_EQ(Lids(db, sql, kBoth), c.lids) << sql.toStdString();
        EXPECT_EQ(Lids(db, sql, {}), c.lids) << sql.toStdString();
    }
    sqlite3_close(db);
}

TEST_F(NameIndexTest, TheFirstOpenOfAnOlderFileBuildsItWithProgressAndFullStatistics) {
    QFile::remove(path);
    MakeFileWithoutNameIndex(path, 45000);
    std::vector<std::pair<qint64, qint64>> reports;
    const ProgressScope progress([&](qint64 done, qint64 total) { reports.emplace_back(done, total); });

    openConnection();
    const qint64 total = 45000 + 45000 / 4;
    ASSERT_GE(reports.size(), 4u);  // before the rows, and after each of at least three batches
    EXPECT_EQ(reports.front(), std::make_pair(qint64(0), total));
    EXPECT_EQ(reports.back(), std::make_pair(total, total));
    for (size_t i = 1; i < reports.size(); ++i) EXPECT_GT(reports[i].first, reports[i - 1].first);

    // A second open finds it and builds nothing.
    conn.close();
    reports.clear();
    openConnection();
    EXPECT_TRUE(reports.empty());
    conn.close();

    sqlite3* db = openRaw();
    EXPECT_EQ(NameIndexedTables(db), kBoth);
    EXPECT_TRUE(IndexMatchesTable(db, "ldomainhis_fts"));
    // Every row counted, not a sample: lregist=1 is half the table, not a rare value.
    EXPECT_EQ(scalar(db, "select cast(substr(stat, instr(stat, ' ') + 1) as integer) from sqlite_stat1 "
                         "where idx='ix_ldomainhis_lregist'"),
              22500);
    const QString sql = Search(u"%ang%"_qs);
    EXPECT_EQ(Lids(db, sql, kBoth), Lids(db, sql, {}));
    EXPECT_FALSE(Lids(db, sql, {}).empty());
    sqlite3_close(db);
}

TEST_F(NameIndexTest, AFileItCannotBeBuiltOnIsSearchedWithoutIt) {
    QFile::remove(path);
    MakeFileWithoutNameIndex(path, 2000);
    const QString sql = Search(u"%ang%"_qs);

    // Read-only: nothing is built and nothing is claimed.
    sqlite3* ro = openRaw(SQLITE_OPEN_READONLY);
    EnsureNameIndex(ro);
    EXPECT_TRUE(NameIndexedTables(ro).isEmpty());
    EXPECT_FALSE(Lids(ro, sql, NameIndexedTables(ro)).empty());
    sqlite3_close(ro);

    // Another program writing: the open waits its while, then goes on without the index, and the
    // next open builds it.
    const auto limit = SetLockWaitLimit(std::chrono::milliseconds(100));
    sqlite3* writer = openRaw();
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    openConnection();
    EXPECT_EQ(conn.query(sql).rows.size(), Lids(writer, sql, {}).size());
    conn.close();
    sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_TRUE(NameIndexedTables(writer).isEmpty());
    openConnection();
    conn.close();
    EXPECT_EQ(NameIndexedTables(writer), kBoth);
    sqlite3_close(writer);
    SetLockWaitLimit(limit);
}

TEST_F(NameIndexTest, APartIndexOrOneOfAnotherTokenizerIsNotUsedAndIsMadeAfresh) {
    openConnection();
    exec(u"insert into ldomainhis (lid,lname) values (1,'alphabet'),(2,'betamax')"_qs);
    conn.close();
    sqlite3* db = openRaw();
    // The trigger gone, a rename would not reach the index.
    ASSERT_EQ(sqlite3_exec(db, "DROP TRIGGER ldomainhis_fts_update; UPDATE ldomainhis SET lname='zeta' WHERE lid=1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(NameIndexedTables(db), QStringList{u"ldomainreg"_qs});
    // A word index finds whole words only, not parts of names.
    ASSERT_EQ(sqlite3_exec(db,
                           "DROP TRIGGER ldomainreg_fts_insert; DROP TRIGGER ldomainreg_fts_delete;"
                           "DROP TRIGGER ldomainreg_fts_update; DROP TABLE ldomainreg_fts;"
                           "CREATE VIRTUAL TABLE ldomainreg_fts USING fts5(lname, "
                           "content='ldomainreg', content_rowid='lid');"
                           "CREATE TRIGGER ldomainreg_fts_insert AFTER INSERT ON ldomainreg BEGIN SELECT 1; END;"
                           "CREATE TRIGGER ldomainreg_fts_delete AFTER DELETE ON ldomainreg BEGIN SELECT 1; END;"
                           "CREATE TRIGGER ldomainreg_fts_update AFTER UPDATE ON ldomainreg BEGIN SELECT 1; END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_TRUE(NameIndexedTables(db).isEmpty());

    openConnection();
    conn.close();
    EXPECT_EQ(NameIndexedTables(db), kBoth);
    EXPECT_TRUE(IndexMatchesTable(db, "ldomainhis_fts"));
    EXPECT_EQ(Lids(db, Search(u"%eta%"_qs), kBoth), (std::vector<qint64>{1, 2}));
    sqlite3_close(db);
}

TEST_F(NameIndexTest, ClosingGathersTheStatisticsTheSessionsSearchesLacked) {
    openConnection();
    exec(u"with recursive r(i) as (select 0 union all select i + 1 from r where i < 199) "
         u"insert into ldomainhis (lname,lregist,lgooglepr) select 'n' || i, i % 2, i % 7 from r"_qs);
    EXPECT_FALSE(conn.query(u"select count(*) from sqlite_master where name='sqlite_stat1'"_qs).rows[0][0].toBool());
    conn.query(u"select top 20 * from ldomainhis where (lregist=1) and lname like 'n1%' and lgooglepr>2"_qs);
    conn.close();

    sqlite3* db = openRaw();
    EXPECT_EQ(scalar(db, "select count(*) from sqlite_stat1 where tbl='ldomainhis'"), 7);
    sqlite3_close(db);
}

// The login window opening such a file: its strip counts the build out, and events go on being handled.
TEST(NameIndexAtLogin, TheStartUpWindowsStripCountsTheBuildOut) {
    test::TempCwd cwd;
    test::DesktopScope desktop;
    const QString file = cwd.file(u"old.db"_qs);
    MakeFileWithoutNameIndex(file, 45000);
    startup::StoreAnswer(cwd.file(u"set.dat"_qs), u"|data|"_qs + startup::DemoPayload(file), u"GBK"_qs);
    startup::fload::SetMainWindowFactory([] { return new QWidget; });
    auto window = std::make_unique<startup::fload>();
    window->Form_Activate();

    auto* strip = window->findChild<ui::BusyStrip*>(u"floadtxt"_qs);
    ASSERT_TRUE(strip);
    struct Seen {
        int value;
        QString text;
        int ticks;
    };
    std::vector<Seen> seen;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(0);
    QObject::connect(strip, &QProgressBar::valueChanged, [&](int v) { seen.push_back({v, strip->text(), ticks}); });
    window->findChild<QAbstractButton*>(u"llogin"_qs)->click();

    ASSERT_TRUE(window->mainWindow());
    EXPECT_TRUE(desktop->messages.empty());
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front().value, 0);
    EXPECT_EQ(seen.back().value, 100);
    EXPECT_EQ(seen.back().text, u"首次打开数据库，正在建立域名检索索引 100%，请稍候"_qs);
    EXPECT_GT(seen.back().ticks, seen.front().ticks);  // the window was kept alive in between
    EXPECT_EQ(strip->maximum(), 0);                   // back to the running indicator for what follows

    delete window->mainWindow();
    window.reset();
    startup::fload::SetMainWindowFactory({});
    NewDbObjects();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    EXPECT_EQ(NameIndexedTables(db), kBoth);
    sqlite3_close(db);
}

}  // namespace
