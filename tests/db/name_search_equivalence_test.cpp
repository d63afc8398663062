// Keyword searches through the name index return the rows the plain statement returns, in the same
// order: statements from the real builders with randomised options (keywords of one to six characters
// taken from the names, with _ and %, Chinese, quotes; both position boxes; filters, sort keys and row
// limits that steer the planner to other indexes) on a generated demo database.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <map>
#include <random>

#include "db/demo_data.h"
#include "db/name_index.h"
#include "db/sqlite_backend.h"
#include "db/sqlite_dialect.h"
#include "db_fixture.h"
#include "search/statements/search_statements.h"

using namespace ds;
using namespace ds::db;
using namespace ds::search;

namespace {

const QDate kToday(2012, 3, 1);

class Randomiser {
public:
    Randomiser(std::vector<QString> names, std::vector<QString> chineseNames)
        : names_(std::move(names)), chinese_(std::move(chineseNames)) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int box(double checked) { return chance(checked) ? 1 : 0; }
    QString pick(std::initializer_list<const char16_t*> texts) {
        return QString::fromUtf16(texts.begin()[below(static_cast<int>(texts.size()))]);
    }

    // One to six characters: mostly a piece of a real name (so that searches find rows), with
    // wildcards, capitals, a quote or letters no name has mixed in.
    QString keyword() {
        const std::vector<QString>& from = chance(0.2) ? chinese_ : names_;
        const QString name = from[static_cast<size_t>(below(static_cast<int>(from.size())))];
        const int length = 1 + below(6);
        QString k = name.mid(below(static_cast<int>(std::max<qsizetype>(1, name.size() - length + 1))), length);
        // letters no name has, and pieces so common that a scan reaches a small row limit first
        if (chance(0.1)) k = pick({u"zzq", u"qxjv", u"wkx", u"q", u"xyzzy"});
        if (chance(0.15)) k = pick({u"ang", u"ing", u"han", u"ong", u"hua"});
        if (chance(0.25)) k[below(static_cast<int>(k.size()))] = u'_';
        if (chance(0.15)) k.insert(below(static_cast<int>(k.size()) + 1), u'%');
        if (chance(0.1)) k = k.toUpper();
        if (chance(0.05)) k.insert(below(static_cast<int>(k.size()) + 1), u'\'');
        return k;
    }
    QString rowLimit() { return pick({u"1", u"5", u"20", u"300", u"2000"}); }
    template <size_t N>
    void sortKeys(std::array<int, N>& keys) {
        for (int& k : keys) k = box(0.12);
    }
    template <size_t N>
    void compose(std::array<int, N>& boxes) {
        for (int& b : boxes) b = box(0.8);
    }
    void extensions(int& all, QList<ExtensionBox>& boxes) {
        all = box(0.8);
        for (ExtensionBox& b : boxes) b.checked = box(0.3);
    }
    QDate day() { return kToday.addDays(below(120) - 90); }

private:
    std::mt19937 random_{20120301};
    std::vector<QString> names_, chinese_;
};

// Half the statements change only the keyword, its position and the row limit, as most searches do;
// the other half set filters and sort keys too, which lead the planner to other indexes.
FiledSearchOptions RandomFiled(Randomiser& r) {
    FiledSearchOptions o = FiledSearchOptions::Defaults();
    o.keyword = r.keyword();
    o.keywordLeft = r.box(0.5);
    o.keywordRight = r.box(0.5);
    o.rowLimit = r.rowLimit();
    if (r.chance(0.5)) return o;
    o.state = r.below(3);
    o.holderKind = r.chance(0.3) ? r.below(3) : HolderAll;
    if (r.chance(0.2)) {
        o.lengthAll = 0;
        o.lengthFrom = QString::number(1 + r.below(5));
        o.lengthTo = QString::number(4 + r.below(8));
    }
    if (r.chance(0.15)) {
        o.filingDateAll = 0;
        o.filingFrom = r.day().addYears(-3);
        o.filingTo = o.filingFrom.addDays(400);
    }
    for (int& m : o.metrics) m = r.box(0.2);
    r.compose(o.compose);
    r.extensions(o.extensionAll, o.extensions);
    r.sortKeys(o.sortKeys);
    return o;
}

ExpiredSearchOptions RandomExpired(Randomiser& r) {
    ExpiredSearchOptions o = ExpiredSearchOptions::Defaults();
    o.keyword = r.keyword();
    o.keywordLeft = r.box(0.5);
    o.keywordRight = r.box(0.5);
    o.rowLimit = r.rowLimit();
    if (r.chance(0.5)) return o;
    if (r.chance(0.2)) {
        o.lengthAll = 0;
        o.lengthFrom = QString::number(1 + r.below(5));
        o.lengthTo = QString::number(4 + r.below(8));
    }
    o.minPageRank = r.pick({u"0", u"0", u"1", u"3"});
    o.maxAlexa = r.pick({u"0", u"0", u"5000", u"1000000"});
    o.minBaiduIndexed = r.pick({u"0", u"0", u"10"});
    o.minBaiduLinks = r.pick({u"0", u"0", u"100"});
    r.compose(o.compose);
    if (r.chance(0.2)) {
        o.deletionDateAll = 0;
        o.deletionFrom = r.day();
        o.deletionTo = o.deletionFrom.addDays(r.below(20));
    }
    o.state = r.below(3);
    r.extensions(o.extensionAll, o.extensions);
    r.sortKeys(o.sortKeys);
    return o;
}

class NameSearchEquivalence : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        path = dir->filePath(u"demo.db"_qs);
        DemoOptions o;
        o.regRows = 12000;
        o.hisRows = 30000;
        o.backRows = 100;
        o.today = kToday;
        GenerateDemoDatabase(path, o);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &plain_, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        conn_.open(u"Provider=SQLite;Data Source="_qs + path);
    }
    void TearDown() override { sqlite3_close(plain_); }

    std::vector<QString> names(const char* where) {
        std::vector<QString> out;
        const QString sql = u"select lname from ldomainhis where "_qs + QLatin1StringView(where) +
                            u" union all select lname from ldomainreg where "_qs + QLatin1StringView(where);
        for (const auto& row : RunSqlite(plain_, sql).rows) out.push_back(row[0].toString());
        return out;
    }
    static std::vector<qint64> Lids(const ResultTable& t) {
        const qsizetype lid = t.columns.indexOf(u"lid"_qs);
        std::vector<qint64> lids;
        for (const auto& row : t.rows) lids.push_back(row[static_cast<size_t>(lid)].toLongLong());
        return lids;
    }

    static inline QTemporaryDir* dir = nullptr;
    static inline QString path;
    test::ClockScope clock_{QDateTime(kToday, QTime(10, 0))};
    sqlite3* plain_ = nullptr;  // read-only, searched without the index
    Connection conn_;           // the program's own connection
};

TEST_F(NameSearchEquivalence, RandomisedSearchesReturnTheSameRowsInTheSameOrder) {
    ASSERT_EQ(NameIndexedTables(plain_), (QStringList{u"ldomainreg"_qs, u"ldomainhis"_qs}));
    Randomiser r(names("lid % 7 = 0 and llang = 1"), names("llang <> 1"));
    std::map<NameSearchForm, int> forms;
    int rewritten = 0, withRows = 0;
    const int kStatements = 400;
    for (int i = 0; i < kStatements; ++i) {
        const QString sql =
            i % 2 ? BuildFiledSearchStatement(RandomFiled(r)) : BuildExpiredSearchStatement(RandomExpired(r));
        SCOPED_TRACE(sql.toStdString());
        const NameSearchForms adapted = AdaptNameSearch(sql, ds::clock().now(), NameIndexedTables(plain_));
        rewritten += adapted.match.isEmpty() ? 0 : 1;
        ++forms[ChooseNameSearch(plain_, adapted).form];

        const std::vector<qint64> expected = Lids(RunSqlite(plain_, sql));
        withRows += expected.empty() ? 0 : 1;
        ASSERT_EQ(Lids(conn_.query(sql)), expected);
    }
    std::printf("%d statements, %d with rows, %d rewritten: %d through the index, %d filtered by it, %d plain\n",
                kStatements, withRows, rewritten, forms[NameSearchForm::Driving], forms[NameSearchForm::Filtering],
                forms[NameSearchForm::Plain]);
    // The comparison means something only if every path was taken often.
    EXPECT_GE(withRows, kStatements / 3);
    EXPECT_GE(forms[NameSearchForm::Driving], 40);
    EXPECT_GE(forms[NameSearchForm::Filtering], 20);
    EXPECT_GE(rewritten - forms[NameSearchForm::Driving] - forms[NameSearchForm::Filtering], 5);
}

}  // namespace
