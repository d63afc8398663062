// dropscout-cli run as a process against a loopback whois service and real ledger and database files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "app/demo_port43.h"
#include <QTemporaryDir>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "checks/ledger/ledger.h"
#include "db/connection.h"
#include "db/schema.h"
#include "net/net_test_support.h"

namespace ds::cli {
namespace {

// A whois page service: GET /whois?q=<domain>. Names ending in "free" are free, names starting with
// "limit" get a "query limit exceeded" page (no registration record), the rest are registered. Each
// answer can be held back a while, so a test can stop a run half way.
class Whois {
public:
    Whois() {
        http_.server.Get("/whois", [this](const httplib::Request& req, httplib::Response& res) {
            const std::string d = req.get_param_value("q");
            {
                std::lock_guard<std::mutex> lock(mutex_);
                ++counts_[d];
            }
            if (delayMs_ > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_.load()));
            std::string page;
            if (d.rfind("limit", 0) == 0)
                page = "<html>Whois results for domain: query limit exceeded, try again later</html>";
            else if (d.size() > 8 && d.compare(d.size() - 8, 8, "free.com") == 0)
                page = "<html>Whois results for domain " + d + ": the domain is NOT REGISTERED</html>";
            else
                page = "<html>Whois results for domain " + d + ": Registrar: ABC Holdings<br>Creation Date: 2010-01-02</html>";
            res.set_content(page, "text/html; charset=gb2312");
        });
        http_.start();
    }
    QString base() const { return http_.url(QStringLiteral("/whois?q=")); }
    void setDelayMs(int ms) { delayMs_ = ms; }
    std::map<std::string, int> counts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return counts_;
    }
    int total() const {
        int n = 0;
        for (const auto& [d, c] : counts()) n += c;
        return n;
    }

private:
    test::LoopbackServer<> http_;
    mutable std::mutex mutex_;
    std::map<std::string, int> counts_;
    std::atomic<int> delayMs_{0};
};

struct CliRun {
    int exit = -1;
    QByteArray out, err;
    std::vector<QJsonObject> lines;
    QJsonObject of(const QString& domain) const {
        for (const QJsonObject& o : lines)
            if (o.value(QStringLiteral("domain")).toString() == domain) return o;
        return {};
    }
};

class CliCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // No pause between requests to one host: the tests' service is the only host.
        QFile ini(dir_.filePath(QStringLiteral("dropscout.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("PerHostInFlight=16\nPerHostIntervalMs=0\nTotalTimeoutMs=5000\n");
    }

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString ledger() const { return path(QStringLiteral("ledger.db")); }

    void start(QProcess& p, const QStringList& args) {
        p.setProgram(QStringLiteral(DROPSCOUT_CLI));
        p.setArguments(args);
        p.setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.start();
        ASSERT_TRUE(p.waitForStarted(5000));
    }
    static void collect(QProcess& p, CliRun& r) {
        r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out += p.readAllStandardOutput();
        r.err += p.readAllStandardError();
        for (const QByteArray& line : r.out.split('\n'))
            if (!line.isEmpty()) r.lines.push_back(QJsonDocument::fromJson(line).object());
    }
    CliRun run(const QStringList& args, const QByteArray& input = {}) {
        CliRun r;
        QProcess p;
        start(p, args);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished(2000);
            ADD_FAILURE() << "dropscout-cli did not finish in 20 s";
        }
        collect(p, r);
        return r;
    }
    QStringList check(const QStringList& more = {}) {
        return QStringList{QStringLiteral("--ledger"), ledger(), QStringLiteral("check"), QStringLiteral("registration"),
                           QStringLiteral("--whois-url"), whois_.base()} +
               more;
    }

    QTemporaryDir dir_;
    Whois whois_;
};

TEST_F(CliCheckTest, PrintsOneLinePerDomainAndSendsNothingForWhatIsNoDomain) {
    const QByteArray list = "# morning list\n\nonefree.com\n  Taken.com  \nlimit.com\nonefree.com\nONEFREE.COM\n"
                            "not_a_domain\nhttp://x.com/\n" + QByteArray(10 * 1024, 'z') + "\nab\0c.com\n";
    const CliRun r = run(check({QStringLiteral("--concurrency"), QStringLiteral("4"), QStringLiteral("-")}),
                      QByteArray(list.constData(), list.size()));
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();  // limit.com and the bad lines are unknown
    ASSERT_EQ(r.lines.size(), 7u) << r.out.toStdString();
    const QJsonObject free = r.of(QStringLiteral("onefree.com"));
    EXPECT_EQ(free.value(QStringLiteral("verdict")).toString(), QStringLiteral("available"));
    EXPECT_EQ(free.value(QStringLiteral("check")).toString(), QStringLiteral("registration"));
    EXPECT_EQ(free.value(QStringLiteral("source")).toString(), QStringLiteral("operator"));
    EXPECT_EQ(free.value(QStringLiteral("http_status")).toInt(), 200);
    EXPECT_FALSE(free.value(QStringLiteral("cached")).toBool(true));
    const QDateTime at = QDateTime::fromString(free.value(QStringLiteral("checked_at")).toString(), Qt::ISODate);
    EXPECT_TRUE(at.isValid());
    EXPECT_LT(qAbs(at.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(r.of(QStringLiteral("taken.com")).value(QStringLiteral("verdict")).toString(), QStringLiteral("registered"));
    EXPECT_EQ(r.of(QStringLiteral("limit.com")).value(QStringLiteral("verdict")).toString(), QStringLiteral("unknown"));
    int notDomains = 0;
    for (const QJsonObject& o : r.lines)
        if (o.value(QStringLiteral("reason")).toString() == QStringLiteral("not a domain name")) {
            ++notDomains;
            EXPECT_EQ(o.value(QStringLiteral("verdict")).toString(), QStringLiteral("unknown"));
            EXPECT_TRUE(o.value(QStringLiteral("http_status")).isNull());
        }
    EXPECT_EQ(notDomains, 4);
    // Duplicates asked once (the query-limit page, no answer, once more); nothing else reached the service.
    EXPECT_EQ(whois_.counts(), (std::map<std::string, int>{{"onefree.com", 1}, {"taken.com", 1}, {"limit.com", 2}}));
    EXPECT_TRUE(r.err.contains("7 asked, 1 available, 5 unknown, 0 not saved")) << r.err.toStdString();
}

TEST_F(CliCheckTest, SkipFreshAsksTheServiceNothingTheSecondTime) {
    QFile list(path(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    for (int i = 0; i < 30; ++i) list.write(QByteArray("name") + QByteArray::number(i) + (i % 3 ? ".com\n" : "free.com\n"));
    list.close();
    const CliRun first = run(check({list.fileName()}));
    EXPECT_EQ(first.exit, 0) << first.err.toStdString();
    EXPECT_EQ(first.lines.size(), 30u);
    ASSERT_EQ(whois_.total(), 30);

    const CliRun second = run(check({QStringLiteral("--skip-fresh"), QStringLiteral("24"), list.fileName()}));
    EXPECT_EQ(second.exit, 0) << second.err.toStdString();
    EXPECT_EQ(whois_.total(), 30);
    ASSERT_EQ(second.lines.size(), 30u);
    for (const QJsonObject& o : second.lines) {
        EXPECT_TRUE(o.value(QStringLiteral("cached")).toBool());
        EXPECT_EQ(o.value(QStringLiteral("verdict")), first.of(o.value(QStringLiteral("domain")).toString()).value(QStringLiteral("verdict")));
        EXPECT_EQ(o.value(QStringLiteral("checked_at")), first.of(o.value(QStringLiteral("domain")).toString()).value(QStringLiteral("checked_at")));
    }
    EXPECT_TRUE(second.err.contains("30 from the ledger")) << second.err.toStdString();
    // An answer older than the window is asked again.
    const CliRun third = run(check({QStringLiteral("--skip-fresh"), QStringLiteral("0"), list.fileName()}));
    EXPECT_EQ(whois_.total(), 60);
    EXPECT_EQ(third.exit, 0);
}

TEST_F(CliCheckTest, ResumeAfterSigintAsksOnlyTheRemainder) {
    QFile list(path(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    for (int i = 0; i < 40; ++i) list.write(QByteArray("r") + QByteArray::number(i) + "free.com\n");
    list.close();
    whois_.setDelayMs(40);

    CliRun first;
    {
        QProcess p;
        start(p, check({QStringLiteral("--concurrency"), QStringLiteral("2"), list.fileName()}));
        QElapsedTimer t;
        t.start();
        QByteArray out;
        while (out.count('\n') < 8 && t.elapsed() < 10000) {
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        ASSERT_GE(out.count('\n'), 8);
        ::kill(pid_t(p.processId()), SIGINT);
        ASSERT_TRUE(p.waitForFinished(10000));
        first.out = out;
        collect(p, first);
    }
    EXPECT_EQ(first.exit, 130) << first.err.toStdString();
    ASSERT_LT(first.lines.size(), 40u);
    QSet<QString> answered;
    for (const QJsonObject& o : first.lines) answered.insert(o.value(QStringLiteral("domain")).toString());
    {
        checks::ledger::Ledger l;
        ASSERT_TRUE(l.open(ledger()));
        EXPECT_EQ(l.answersSince({}).size(), first.lines.size());  // every printed answer was kept
    }
    const std::map<std::string, int> before = whois_.counts();

    whois_.setDelayMs(0);
    const CliRun second = run(check({QStringLiteral("--resume"), list.fileName()}));
    EXPECT_EQ(second.exit, 0) << second.err.toStdString();
    ASSERT_EQ(second.lines.size(), 40u);
    for (const QJsonObject& o : second.lines) {
        const QString d = o.value(QStringLiteral("domain")).toString();
        EXPECT_EQ(o.value(QStringLiteral("cached")).toBool(), answered.contains(d)) << d.toStdString();
        const int asked = whois_.counts()[d.toStdString()] - (before.count(d.toStdString()) ? before.at(d.toStdString()) : 0);
        EXPECT_EQ(asked, answered.contains(d) ? 0 : 1) << d.toStdString();
    }
    // The run is finished now: a further --resume has nothing to continue.
    const CliRun third = run(check({QStringLiteral("--resume"), list.fileName()}));
    EXPECT_TRUE(third.err.contains("no unfinished run")) << third.err.toStdString();
}

TEST_F(CliCheckTest, AKilledRunLosesOnlyTheAnswersInFlight) {
    QFile list(path(QStringLiteral("list.txt")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    for (int i = 0; i < 30; ++i) list.write(QByteArray("k") + QByteArray::number(i) + "free.com\n");
    list.close();
    whois_.setDelayMs(40);
    QByteArray out;
    {
        QProcess p;
        start(p, check({QStringLiteral("--concurrency"), QStringLiteral("2"), list.fileName()}));
        QElapsedTimer t;
        t.start();
        while (out.count('\n') < 6 && t.elapsed() < 10000) {
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(10000));
        out += p.readAllStandardOutput();
    }
    const int printed = int(out.count('\n'));
    ASSERT_GE(printed, 6);
    int kept = 0;
    {
        checks::ledger::Ledger l;
        ASSERT_TRUE(l.open(ledger()));
        kept = int(l.answersSince({}).size());
    }
    // Each answer is committed before it is printed: what was seen was kept.
    EXPECT_GE(kept, printed);
    whois_.setDelayMs(0);
    const int before = whois_.total();
    const CliRun resumed = run(check({QStringLiteral("--resume"), list.fileName()}));
    EXPECT_EQ(resumed.exit, 0) << resumed.err.toStdString();
    EXPECT_EQ(resumed.lines.size(), 30u);
    EXPECT_EQ(whois_.total() - before, 30 - kept);
}

TEST_F(CliCheckTest, UsageAndConfigurationErrors) {
    const struct {
        std::vector<const char*> args;
        int exit;
        const char* said;
    } cases[] = {
        {{"check", "registration", "--bogus"}, 2, "Unknown option"},
        {{"--nope", "check"}, 2, "unknown option"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"check", "whois"}, 2, "unknown check"},
        {{"check", "registration", "--source", "whois"}, 2, "unknown source"},
        {{"check", "registration", "--concurrency", "0", "--whois-url", "http://127.0.0.1:1/"}, 2, "--concurrency"},
        {{"check", "registration", "--whois-url", "ftp://x/"}, 2, "not an http(s) address"},
        {{"--db", "missing.db", "check", "registration"}, 3, "does not exist"},
        {{"check", "registration", "--help"}, 0, ""},
    };
    for (const auto& c : cases) {
        QStringList args;
        for (const char* a : c.args) args << QString::fromLatin1(a);
        const CliRun r = run(args);
        EXPECT_EQ(r.exit, c.exit) << args.join(u' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.said)) << args.join(u' ').toStdString() << "\n" << r.err.toStdString();
    }
    EXPECT_EQ(whois_.total(), 0);
}

TEST_F(CliCheckTest, TheWhoisAddressComesFromTheDatabaseSettings) {
    const QString dbPath = path(QStringLiteral("domains.db"));
    db::CreateEmptyDatabase(dbPath);
    // No settings row, or one without a whois address: a configuration error.
    CliRun r = run({QStringLiteral("--db"), dbPath, QStringLiteral("--ledger"), ledger(), QStringLiteral("check"),
                 QStringLiteral("registration")},
                "abcfree.com\n");
    EXPECT_EQ(r.exit, 2);
    EXPECT_TRUE(r.err.contains("lwhoisurl")) << r.err.toStdString();

    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath.toUtf8().constData(), &h), SQLITE_OK);
    db::ExecSqliteScript(h, u"INSERT INTO lconfig_all (lwhoisurl) VALUES ('" + whois_.base() + u"');");
    sqlite3_close(h);
    r = run({QStringLiteral("--db"), dbPath, QStringLiteral("--ledger"), ledger(), QStringLiteral("check"),
             QStringLiteral("registration")},
            "abcfree.com\n");
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(r.of(QStringLiteral("abcfree.com")).value(QStringLiteral("verdict")).toString(), QStringLiteral("available"));
}

TEST_F(CliCheckTest, AnUnusableLedgerDoesNotStopTheCheckButIsToldAndCounted) {
    {
        QFile bad(ledger());
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
    }
    const CliRun r = run(check({QStringLiteral("-")}), "onefree.com\ntwo.com\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.lines.size(), 2u);
    EXPECT_TRUE(r.err.contains("ledger not usable")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("2 not saved")) << r.err.toStdString();
}

TEST_F(CliCheckTest, AnotherProgramWritingTheLedgerMeanwhileLosesNothing) {
    {
        checks::ledger::Ledger l;
        ASSERT_TRUE(l.open(ledger()));  // made once, in WAL mode, before both write
    }
    QByteArray list;
    for (int i = 0; i < 150; ++i) list += "c" + QByteArray::number(i) + "free.com\n";
    std::atomic<bool> done{false};
    std::atomic<int> kept{0}, refused{0};
    // The window's side: its own connection writing answers as fast as it can.
    std::thread window([&] {
        checks::ledger::Ledger l;
        if (!l.open(ledger())) return;
        const qint64 run = l.startRun(QStringLiteral("registration"), QStringLiteral("window"));
        for (int i = 0; !done || i < 150; ++i) {
            checks::ledger::Answer a;
            a.domain = QStringLiteral("w%1.com").arg(i);
            a.check = QStringLiteral("registration");
            a.verdict = QStringLiteral("registered");
            a.source = QStringLiteral("operator");
            a.runId = run;
            a.checkedAt = QDateTime::currentDateTime();
            (l.record(a) ? kept : refused)++;
            if (i > 5000) break;
        }
    });
    const CliRun r = run(check({QStringLiteral("--concurrency"), QStringLiteral("8"), QStringLiteral("-")}), list);
    done = true;
    window.join();
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("150 asked, 150 available, 0 unknown, 0 not saved")) << r.err.toStdString();
    EXPECT_EQ(refused, 0);
    checks::ledger::Ledger l;
    ASSERT_TRUE(l.open(ledger()));
    EXPECT_EQ(int(l.answersSince({}).size()), 150 + kept);
}

TEST_F(CliCheckTest, FilingAnswersFromTheDatabaseAndTheLedgerExportsEveryAnswer) {
    const QString dbPath = path(QStringLiteral("domains.db"));
    db::CreateEmptyDatabase(dbPath);
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath.toUtf8().constData(), &h), SQLITE_OK);
    db::ExecSqliteScript(h, QStringLiteral("INSERT INTO ldomainback (lallname,lback,lbacktime,lbackhostkind,lbackname) "
                                           "VALUES ('filed.com','京ICP备123456号','2011-03-04','企业','站点');"));
    sqlite3_close(h);
    const CliRun filing = run({QStringLiteral("--db"), dbPath, QStringLiteral("--ledger"), ledger(), QStringLiteral("check"),
                               QStringLiteral("filing")},
                              "www.FILED.com\nbare.com\n");
    EXPECT_EQ(filing.exit, 0) << filing.err.toStdString();
    const QJsonObject filed = filing.of(QStringLiteral("www.filed.com")).value(QStringLiteral("values")).toObject();
    EXPECT_EQ(filed.value(QStringLiteral("number")).toString(), QStringLiteral("京ICP备123456号"));
    EXPECT_EQ(filed.value(QStringLiteral("date")).toString(), QStringLiteral("2011-03-04"));
    EXPECT_FALSE(filing.of(QStringLiteral("bare.com")).value(QStringLiteral("values")).toObject()
                     .value(QStringLiteral("filed")).toBool(true));
    // From the ledger, the values come along.
    const CliRun again = run({QStringLiteral("--db"), dbPath, QStringLiteral("--ledger"), ledger(), QStringLiteral("check"),
                              QStringLiteral("filing"), QStringLiteral("--skip-fresh"), QStringLiteral("1")},
                             "www.FILED.com\n");
    EXPECT_TRUE(again.of(QStringLiteral("www.filed.com")).value(QStringLiteral("cached")).toBool());
    EXPECT_EQ(again.of(QStringLiteral("www.filed.com")).value(QStringLiteral("values")).toObject(), filed);
    EXPECT_EQ(again.of(QStringLiteral("www.filed.com")).value(QStringLiteral("source")).toString(), QStringLiteral("database"));
    // The filing check reads the database: without one it cannot run.
    EXPECT_EQ(run({QStringLiteral("--db"), path(QStringLiteral("none.db")), QStringLiteral("check"), QStringLiteral("filing")},
                  "a.com\n").exit, 3);

    run(check({QStringLiteral("-")}), "onefree.com\n");
    const CliRun all = run({QStringLiteral("--ledger"), ledger(), QStringLiteral("export"), QStringLiteral("--from-ledger")});
    EXPECT_EQ(all.exit, 0);
    ASSERT_EQ(all.lines.size(), 3u);  // the cached answer is not kept again
    EXPECT_EQ(all.lines[2].value(QStringLiteral("check")).toString(), QStringLiteral("registration"));
    const CliRun later = run({QStringLiteral("--ledger"), ledger(), QStringLiteral("export"), QStringLiteral("--from-ledger"),
                              QStringLiteral("--since"), QDate::currentDate().addDays(1).toString(Qt::ISODate)});
    EXPECT_TRUE(later.lines.empty());
    const CliRun csv = run({QStringLiteral("--ledger"), ledger(), QStringLiteral("export"), QStringLiteral("--from-ledger"),
                            QStringLiteral("--format"), QStringLiteral("csv")});
    EXPECT_TRUE(csv.out.startsWith("domain,check,verdict,reason,source,http_status,values,run,checked_at\r\n"));
    EXPECT_EQ(csv.out.count("\r\n"), 4);
    EXPECT_EQ(run({QStringLiteral("--ledger"), ledger(), QStringLiteral("export")}).exit, 2);
}

TEST_F(CliCheckTest, WriteBackMarksOnlyPastRowsOfNamesShownRegistered) {
    const QString dbPath = path(QStringLiteral("domains.db"));
    db::CreateEmptyDatabase(dbPath);
    const auto exec = [&](const QString& sql) {
        sqlite3* h = nullptr;
        ASSERT_EQ(sqlite3_open(dbPath.toUtf8().constData(), &h), SQLITE_OK);
        db::ExecSqliteScript(h, sql);
        sqlite3_close(h);
    };
    const QString past = QDate::currentDate().addDays(-3).toString(Qt::ISODate);
    const QString ahead = QDate::currentDate().addDays(3).toString(Qt::ISODate);
    QString rows = QStringLiteral("INSERT INTO lconfig_all (lwhoisurl) VALUES ('%1');").arg(whois_.base());
    const struct {
        int lid;
        const char* table;
        const char* name;
        const QString& deleted;
    } inserts[] = {{1, "ldomainhis", "taken", past}, {2, "ldomainreg", "taken", past}, {3, "ldomainhis", "later", ahead},
                   {4, "ldomainhis", "onefree", past}, {5, "ldomainhis", "limit", past}};
    for (const auto& r : inserts)
        rows += QStringLiteral("INSERT INTO %1 (lid,lname,lextend,lallname,lregist,ldeltime) VALUES (%2,'%3','.com','%3.com',1,'%4');")
                    .arg(QString::fromLatin1(r.table)).arg(r.lid).arg(QString::fromLatin1(r.name), r.deleted);
    exec(rows);
    const auto registeredFlags = [&] {
        db::Connection c;
        c.open(u"Provider=SQLite;Data Source=" + dbPath);
        QStringList out;
        for (const QString& table : {QStringLiteral("ldomainhis"), QStringLiteral("ldomainreg")})
            for (const auto& row : c.query(u"select lname, lregist from " + table + u" order by lid").rows)
                out << row[0].toString() + u'=' + row[1].toString();
        return out.join(u' ');
    };
    const QStringList args{QStringLiteral("--db"), dbPath, QStringLiteral("--ledger"), ledger(), QStringLiteral("check"),
                           QStringLiteral("registration")};
    const QByteArray list = "taken.com\nlater.com\nonefree.com\nlimit.com\n";
    run(args, list);
    EXPECT_EQ(registeredFlags(), QStringLiteral("taken=1 later=1 onefree=1 limit=1 taken=1"));  // nothing without the flag
    const CliRun r = run(args + QStringList{QStringLiteral("--write-back")}, list);
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();  // limit.com stays unknown
    // Only a page with a registration record, and only rows whose deletion date has passed.
    EXPECT_EQ(registeredFlags(), QStringLiteral("taken=0 later=1 onefree=1 limit=1 taken=0"));
    EXPECT_TRUE(r.err.contains("2 rows marked registered again")) << r.err.toStdString();
}

}  // namespace
}  // namespace ds::cli

namespace ds::cli {
namespace {

// --source registry: RDAP for .com, port-43 whois for .cn, from the files dropscout.ini names; no
// database and no whois page needed.
TEST_F(CliCheckTest, TheRegistrySourceGivesEachVerdictWithItsFacts) {
    test::LoopbackServer<> rdap;
    rdap.server.Get(R"(/domain/(.+))", [](const httplib::Request& req, httplib::Response& res) {
        const std::string name = req.matches[1];
        if (name == "free.com") {
            res.status = 404;
            return res.set_content(R"({"errorCode":404})", "application/rdap+json");
        }
        res.set_content(R"({"objectClassName":"domain","ldhName":")" + name + R"(","status":["pending delete"],)"
                        R"("events":[{"eventAction":"deletion","eventDate":"2026-12-14T00:00:00Z"}]})",
                        "application/rdap+json");
    });
    rdap.start();
    demo::Port43Server whois43([](const std::string& q) {
        return q == "free.cn" ? std::string("No matching record.\r\n")
                              : "Domain Name: " + q + "\r\nSponsoring Registrar: X\r\nDomain Status: ok\r\n";
    });
    ASSERT_TRUE(whois43.bind("127.0.0.1", 0));
    whois43.start();
    QFile dns(path(QStringLiteral("dns.json"))), servers(path(QStringLiteral("whois.txt")));
    ASSERT_TRUE(dns.open(QIODevice::WriteOnly) && servers.open(QIODevice::WriteOnly));
    dns.write(R"({"version":"1.0","services":[[["com"],[")" + rdap.url(QStringLiteral("/")).toUtf8() + R"("]]]})");
    servers.write("cn 127.0.0.1:" + QByteArray::number(whois43.port()) + "\n");
    dns.close();
    servers.close();
    QFile ini(path(QStringLiteral("dropscout.ini")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("RdapBootstrap=dns.json\nWhoisServers=whois.txt\n");
    ini.close();

    const CliRun r = run({QStringLiteral("--ledger"), ledger(), QStringLiteral("check"), QStringLiteral("registration"),
                          QStringLiteral("--source"), QStringLiteral("registry"), QStringLiteral("-")},
                         "free.com\nwww.dropping.com\nfree.cn\ntaken.com.cn\nx.zz\ncom\n");
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();  // x.zz and com are unknown
    const auto verdict = [&](const char* d) { return r.of(QString::fromLatin1(d)).value(QStringLiteral("verdict")).toString(); };
    EXPECT_EQ(verdict("free.com"), QStringLiteral("available"));
    EXPECT_EQ(verdict("www.dropping.com"), QStringLiteral("pending-delete"));
    EXPECT_EQ(verdict("free.cn"), QStringLiteral("available"));
    EXPECT_EQ(verdict("taken.com.cn"), QStringLiteral("registered"));
    EXPECT_EQ(verdict("x.zz"), QStringLiteral("unknown"));
    EXPECT_EQ(r.of(QStringLiteral("x.zz")).value(QStringLiteral("reason")).toString(), QStringLiteral("no registry service for .zz"));
    const QJsonObject dropping = r.of(QStringLiteral("www.dropping.com"));
    EXPECT_EQ(dropping.value(QStringLiteral("source")).toString(), QStringLiteral("registry"));
    EXPECT_EQ(dropping.value(QStringLiteral("http_status")).toInt(), 200);
    EXPECT_TRUE(r.err.contains("6 asked, 2 available, 2 unknown, 0 not saved")) << r.err.toStdString();
    // The ledger keeps the facts, so the window can show them for a cached answer.
    checks::ledger::Ledger l;
    ASSERT_TRUE(l.open(ledger()));
    for (const checks::ledger::Answer& a : l.answersSince({})) {
        if (a.domain != u"www.dropping.com") continue;
        EXPECT_EQ(a.values.value(QStringLiteral("deleted")).toString(), QStringLiteral("2026-12-14T00:00:00Z"));
    }
}

}  // namespace
}  // namespace ds::cli

namespace ds::cli {
namespace {

// With the shipped bootstrap the program refreshes its copy in the background; a refresh address that
// never answers must not hold the program's exit (the refresh ends with the check), and an attempt cut
// short is not taken for a failed one.
TEST_F(CliCheckTest, ASilentBootstrapRefreshDoesNotHoldTheExit) {
    test::RawServer silent(QByteArray{});
    QFile empty(path(QStringLiteral("none.txt")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile ini(path(QStringLiteral("dropscout.ini")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("WhoisServers=none.txt\nRdapBootstrapRefreshUrl=" + silent.url(QStringLiteral("/dns.json")).toUtf8() + "\n");
    ini.close();
    QElapsedTimer timer;
    timer.start();
    const CliRun r = run({QStringLiteral("--ledger"), ledger(), QStringLiteral("check"), QStringLiteral("registration"),
                          QStringLiteral("--source"), QStringLiteral("registry"), QStringLiteral("-")},
                         "x.zz\n");
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();
    EXPECT_EQ(r.of(QStringLiteral("x.zz")).value(QStringLiteral("reason")).toString(), QStringLiteral("no registry service for .zz"));
    const QString copy = path(QStringLiteral("data/DropScout/rdap_dns.json"));
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_FALSE(QFile::exists(copy + u".tried"));
}

}  // namespace
}  // namespace ds::cli
