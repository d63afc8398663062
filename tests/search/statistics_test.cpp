// The counts of the panel "收录信息": which ones a press fetches, and the button's run against a real
// SQLite file through the shared recordset.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "db/demo_data.h"
#include "db/shared_objects.h"
#include "search/statements/statistics_plan.h"
#include "search/statements/statistics_runner.h"
#include "support/test_support.h"
#include "ui/busy_strip.h"
#include "ui/markup.h"

using namespace ds::search;
using namespace Qt::StringLiterals;

namespace {

const QString kWaiting = QString::fromUtf16(NotFetchedText);

struct Expected {
    int label;
    const char16_t* busy;
    const char16_t* statement;
};

// The first press with the window's starting thresholds.
const Expected kFirstPress[] = {
    {0, u"正在读取已过期备案域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lregist=1"},
    {1, u"正在读取将过期备案域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lregist=0"},
    {2, u"正在读取综合过期域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis"},
    {11, u"正在读取过期备案域名pr数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where  lgooglepr>0"},
    {12, u"正在读过期备案域名百度收录数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lbaidudomain>0"},
    {13, u"正在读取过期备案域名ALEXA数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where  lalexa<1000000000"},
    {14, u"正在读取过期备案域名百度外链数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lbaidusite>0"},
    {15, u"正在读取过期备案域名pr数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where  lgooglepr>0"},
    {16, u"正在读过期备案域名百度收录数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where lbaidudomain>0"},
    {17, u"正在读取过期备案域名ALEXA数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where  lalexa<1000000000"},
    {18, u"正在读取过期备案域名百度外链数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where lbaidusite>0"},
};

// The panel after every planned count was written, as the button leaves it.
StatisticsPanel Applied(StatisticsPanel panel) {
    for (const StatisticsFetch& f : PlanStatistics(panel)) {
        panel.shown[f.label] = u"7"_s;
        if (f.isThreshold) panel.remembered[f.label] = f.thresholdText;
    }
    return panel;
}

QList<int> Labels(const std::vector<StatisticsFetch>& plan) {
    QList<int> labels;
    for (const auto& f : plan) labels << f.label;
    return labels;
}

}  // namespace

TEST(StatisticsPlan, FirstPressFetchesAllElevenCountsInOrder) {
    const auto plan = PlanStatistics(StatisticsPanel::Initial());
    ASSERT_EQ(plan.size(), std::size(kFirstPress));
    for (size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].label, kFirstPress[i].label);
        EXPECT_EQ(plan[i].busyText, QString::fromUtf16(kFirstPress[i].busy)) << plan[i].label;
        EXPECT_EQ(plan[i].statement, QString::fromUtf16(kFirstPress[i].statement)) << plan[i].label;
        EXPECT_EQ(plan[i].isThreshold, plan[i].label >= 11);
    }
    EXPECT_EQ(plan[5].thresholdText, u"1000000000"_s);
}

TEST(StatisticsPlan, LaterPressesFetchOnlyWhatIsMissingOrChanged) {
    struct Case {
        const char* name;
        std::function<void(StatisticsPanel&)> change;
        QList<int> labels;
        QString lastStatement;  // of the last planned fetch, when any
    } cases[] = {
        {"nothing changed", [](auto&) {}, {}, {}},
        {"threshold 12 set to 50",
         [](auto& p) { p.thresholds[12] = u"50"_s; },
         {12},
         u"SELECT COUNT(*) FROM ldomainreg where lbaidudomain>50"_s},
        {"fractional threshold in shortest form",
         [](auto& p) { p.thresholds[17] = u"2.50"_s; },
         {17},
         u"SELECT COUNT(*) FROM ldomainhis where  lalexa<2.5"_s},
        {"same number written differently is no change",
         [](auto& p) {
             p.thresholds[11] = u"00"_s;
             p.thresholds[13] = u" 1000000000abc"_s;
         },
         {}, {}},
        {"a threshold without digits reads as 0",
         [](auto& p) { p.thresholds[14] = u"many"_s; },
         {}, {}},
        {"a label back at 等待显示 with an unchanged threshold",
         [](auto& p) { p.shown[16] = QString::fromUtf16(NotFetchedText); },
         {16},
         u"SELECT COUNT(*) FROM ldomainhis where lbaidudomain>0"_s},
        {"a total is fetched only while it reads 等待显示",
         [](auto& p) {
             p.shown[1] = QString::fromUtf16(NotFetchedText);
             p.shown[0] = u""_s;
         },
         {1},
         u"SELECT COUNT(*) FROM ldomainreg where lregist=0"_s},
        {"several changes keep the fixed order",
         [](auto& p) {
             p.thresholds[18] = u"3"_s;
             p.thresholds[11] = u"1"_s;
             p.shown[2] = QString::fromUtf16(NotFetchedText);
         },
         {2, 11, 18},
         u"SELECT COUNT(*) FROM ldomainhis where lbaidusite>3"_s},
    };
    for (const auto& c : cases) {
        StatisticsPanel panel = Applied(StatisticsPanel::Initial());
        c.change(panel);
        const auto plan = PlanStatistics(panel);
        EXPECT_EQ(Labels(plan), c.labels) << c.name;
        if (!plan.empty()) {
            EXPECT_EQ(plan.back().statement, c.lastStatement) << c.name;
        }
    }
}

TEST(StatisticsPlan, ThresholdIsRememberedInItsShortestForm) {
    StatisticsPanel panel = Applied(StatisticsPanel::Initial());
    panel.thresholds[12] = u"050.0"_s;
    const auto plan = PlanStatistics(panel);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].thresholdText, u"50"_s);
    EXPECT_TRUE(PlanStatistics(Applied(panel)).empty());
}

// ---- The button against a real database file ----

namespace {

void Exec(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    ASSERT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
}

QString Schema() {
    QFile f(QStringLiteral(DROPSCOUT_DATA_DIR "/schema_sqlite.sql"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll());
}

// Rows chosen so that every count differs from the others: a count read from the wrong column or
// table shows up as a wrong number.
// ldomainreg (lregist, lgooglepr, lbaidudomain, lbaidusite, lalexa):
const char* const kRegRows =
    "INSERT INTO ldomainreg (lregist,lgooglepr,lbaidudomain,lbaidusite,lalexa) VALUES "
    "(1,0,0,0,0),(1,2,10,0,500),(1,3,60,0,2000000000),(1,1,0,0,50),(1,0,0,0,7),"
    "(0,1,0,7,100),(0,0,100,0,NULL)";
// ldomainhis
const char* const kHisRows =
    "INSERT INTO ldomainhis (lregist,lgooglepr,lbaidudomain,lbaidusite,lalexa) VALUES "
    "(1,4,1,1,1),(1,0,0,0,NULL),(1,0,0,0,NULL),(1,0,0,0,NULL),(1,0,0,0,NULL),(1,0,0,0,NULL),"
    "(1,0,0,0,NULL),(1,0,0,0,NULL),(0,0,2,0,5),(1,0,0,0,NULL)";
// Counts with the starting thresholds: label -> count.
const std::pair<int, const char16_t*> kCounts[] = {
    {0, u"5"},  {1, u"2"},  {2, u"10"}, {11, u"4"}, {12, u"3"}, {13, u"5"},
    {14, u"1"}, {15, u"1"}, {16, u"2"}, {17, u"2"}, {18, u"1"},
};

class StatisticsRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(u"stats.db"_s);
    }
    void TearDown() override {
        ds::db::NewDbObjects();
    }

    void CreateDatabase(const QString& missingTable = {}) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &db), SQLITE_OK);
        Exec(db, u"PRAGMA synchronous=OFF"_s);
        Exec(db, Schema());
        Exec(db, QString::fromLatin1(kRegRows));
        Exec(db, QString::fromLatin1(kHisRows));
        if (!missingTable.isEmpty()) Exec(db, u"DROP TABLE "_s + missingTable);
        sqlite3_close(db);
    }
    void Sql(const QString& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &db), SQLITE_OK);
        Exec(db, u"PRAGMA synchronous=OFF"_s);
        Exec(db, sql);
        sqlite3_close(db);
    }
    void Connect() {
        ds::db::NewDbObjects();
        ds::db::DbConn().open(u"Provider=SQLite;Data Source="_s + path_);
    }

    // The panel's controls, as the main window names them. Two of the labels are markup labels, whose
    // Qt text is rendered rich text: the panel must go by their captions.
    void BuildPanel() {
        for (int i : TotalLabels) AddLabel(u"lshowtext"_s, i, kWaiting);
        for (int i : ThresholdLabels) {
            AddLabel(u"lshowtext"_s, i, kWaiting);
            AddLabel(u"lshowtextbak"_s, i, u"0"_s)->hide();
            auto* edit = new QLineEdit(StatisticsPanel::Initial().thresholds[i], &form_);
            edit->setObjectName(u"txtUpDown(%1)"_s.arg(i));
        }
        strip_ = new ds::ui::BusyStrip({}, &form_);
        strip_->setObjectName(u"floadtxt"_s);
        strip_->hide();
    }
    QLabel* AddLabel(const QString& name, int i, const QString& text) {
        const QString objectName = u"%1(%2)"_s.arg(name).arg(i);
        QLabel* label = objectName == u"lshowtext(2)"_s || objectName == u"lshowtextbak(13)"_s
                            ? new ds::ui::MarkupLabel(text, &form_)
                            : new QLabel(text, &form_);
        label->setObjectName(objectName);
        return label;
    }
    QString LabelText(const QString& name) {
        const QLabel* label = form_.findChild<QLabel*>(name);
        const auto* markup = qobject_cast<const ds::ui::MarkupLabel*>(label);
        return markup ? markup->caption() : label->text();
    }
    QString Shown(int i) { return LabelText(u"lshowtext(%1)"_s.arg(i)); }
    QString Remembered(int i) { return LabelText(u"lshowtextbak(%1)"_s.arg(i)); }
    void SetThreshold(int i, const QString& text) {
        form_.findChild<QLineEdit*>(u"txtUpDown(%1)"_s.arg(i))->setText(text);
    }

    QTemporaryDir dir_;
    QString path_;
    QWidget form_;
    ds::ui::BusyStrip* strip_ = nullptr;
    ds::test::DesktopScope desktop_;
};

}  // namespace

TEST_F(StatisticsRun, FirstPressWritesEveryCountAndRemembersThresholds) {
    CreateDatabase();
    Connect();
    BuildPanel();
    RunStatistics(&form_);
    EXPECT_TRUE(desktop_->messages.empty());
    for (const auto& [label, count] : kCounts) EXPECT_EQ(Shown(label), QString::fromUtf16(count)) << label;
    for (int i : ThresholdLabels) EXPECT_EQ(Remembered(i), StatisticsPanel::Initial().thresholds[i]) << i;
    EXPECT_FALSE(strip_->isVisible());
    EXPECT_EQ(strip_->text(), u"正在读取过期备案域名百度外链数据,请稍候"_s);
}

TEST_F(StatisticsRun, LaterPressRefetchesOnlyTheChangedThreshold) {
    CreateDatabase();
    Connect();
    BuildPanel();
    RunStatistics(&form_);
    // New rows would change every count that is fetched again.
    Sql(u"INSERT INTO ldomainreg (lregist,lgooglepr,lbaidudomain,lbaidusite,lalexa) VALUES (1,5,80,80,1)"_s);

    RunStatistics(&form_);
    for (const auto& [label, count] : kCounts) EXPECT_EQ(Shown(label), QString::fromUtf16(count)) << label;
    EXPECT_EQ(strip_->text(), QString::fromUtf16(StatisticsBusyText));
    EXPECT_FALSE(strip_->isVisible());

    SetThreshold(12, u"70"_s);
    RunStatistics(&form_);
    EXPECT_EQ(Shown(12), u"2"_s);  // 100 and the new 80
    EXPECT_EQ(Remembered(12), u"70"_s);
    EXPECT_EQ(Shown(0), u"5"_s);
    EXPECT_EQ(Shown(11), u"4"_s);
    EXPECT_TRUE(desktop_->messages.empty());
}

TEST_F(StatisticsRun, FailingCountReportsAndKeepsWhatWasFetched) {
    CreateDatabase(u"ldomainhis"_s);
    Connect();
    BuildPanel();
    RunStatistics(&form_);

    ASSERT_EQ(desktop_->messages.size(), 1u);
    const QString text = desktop_->messages[0].text;
    EXPECT_TRUE(text.startsWith(QString::fromUtf16(StatisticsErrorText))) << text.toStdString();
    EXPECT_TRUE(text.contains(u"ldomainhis"_s)) << text.toStdString();
    EXPECT_EQ(Shown(0), u"5"_s);
    EXPECT_EQ(Shown(1), u"2"_s);
    for (int i : {2, 11, 18}) EXPECT_EQ(Shown(i), kWaiting) << i;
    EXPECT_FALSE(strip_->isVisible());

    // Once the table is there, the next press fetches what is still missing and nothing else: the
    // totals already shown stay although their rows are gone by now.
    Sql(u"CREATE TABLE ldomainhis (lid INTEGER PRIMARY KEY, lregist INTEGER, lgooglepr INTEGER, "
        "lalexa INTEGER, lbaidusite INTEGER, lbaidudomain INTEGER);"_s +
        QString::fromLatin1(kHisRows) + u";DELETE FROM ldomainreg WHERE lregist=0"_s);
    RunStatistics(&form_);
    EXPECT_EQ(desktop_->messages.size(), 1u);
    EXPECT_EQ(Shown(0), u"5"_s);
    EXPECT_EQ(Shown(1), u"2"_s);
    EXPECT_EQ(Shown(2), u"10"_s);
    EXPECT_EQ(Shown(11), u"3"_s);
    EXPECT_EQ(Shown(18), u"1"_s);
    EXPECT_EQ(Remembered(13), u"1000000000"_s);
}

// 点击查看 pressed again while the counts are read (the run yields at its busy strip and after each
// count): the press is ignored, and the run in progress keeps its strip up and finishes every count.
TEST_F(StatisticsRun, PressDuringARunIsIgnored) {
    CreateDatabase();
    Connect();
    BuildPanel();
    int filledWhenTheSecondPressReturned = -1;
    bool stripUpAfterTheSecondPress = false;
    QTimer::singleShot(0, [&] {
        RunStatistics(&form_);
        filledWhenTheSecondPressReturned = 0;
        for (const auto& [label, count] : kCounts) filledWhenTheSecondPressReturned += Shown(label) != kWaiting;
        stripUpAfterTheSecondPress = !strip_->isHidden();
    });
    RunStatistics(&form_);
    EXPECT_EQ(filledWhenTheSecondPressReturned, 0);
    EXPECT_TRUE(stripUpAfterTheSecondPress);
    for (const auto& [label, count] : kCounts) EXPECT_EQ(Shown(label), QString::fromUtf16(count)) << label;
    EXPECT_TRUE(strip_->isHidden());
    EXPECT_TRUE(desktop_->messages.empty());

    // The guard is released: a later press runs (and finds nothing left to fetch).
    Sql(u"DELETE FROM ldomainreg"_s);
    SetThreshold(12, u"70"_s);
    RunStatistics(&form_);
    EXPECT_EQ(Shown(12), u"0"_s);
}

TEST_F(StatisticsRun, ClosedConnectionIsReportedAndNothingIsWritten) {
    ds::db::NewDbObjects();
    BuildPanel();
    RunStatistics(&form_);
    ASSERT_EQ(desktop_->messages.size(), 1u);
    EXPECT_GT(desktop_->messages[0].text.size(), QString::fromUtf16(StatisticsErrorText).size());
    for (int i : TotalLabels) EXPECT_EQ(Shown(i), kWaiting);
    EXPECT_FALSE(strip_->isVisible());
}

// On the realistic demo data every label must agree with SQLite's own answer to the same count.
TEST_F(StatisticsRun, DemoDatabaseCountsAgreeWithTheEngine) {
    ds::db::DemoOptions options;
    options.regRows = 300;
    options.hisRows = 200;
    options.backRows = 10;
    options.today = QDate(2012, 3, 4);
    ds::db::GenerateDemoDatabase(path_, options);
    Connect();
    BuildPanel();
    SetThreshold(11, u"2"_s);
    SetThreshold(17, u"500000"_s);
    RunStatistics(&form_);
    ASSERT_TRUE(desktop_->messages.empty());

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.toUtf8().constData(), &db), SQLITE_OK);
    StatisticsPanel panel = StatisticsPanel::Initial();
    panel.thresholds[11] = u"2"_s;
    panel.thresholds[17] = u"500000"_s;
    int nonZero = 0;
    for (const StatisticsFetch& f : PlanStatistics(panel)) {
        sqlite3_stmt* stmt = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, f.statement.toUtf8().constData(), -1, &stmt, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
        const qint64 count = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        EXPECT_EQ(Shown(f.label), QString::number(count)) << f.statement.toStdString();
        nonZero += count > 0;
    }
    sqlite3_close(db);
    EXPECT_GE(nonZero, 9) << "the demo data should exercise most counts";
    EXPECT_EQ(Remembered(17), u"500000"_s);
}
