// The command-line program's plain rules and the ledger's, on values and real SQLite files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "checks/ledger/ledger.h"
#include "cli/cli_rules.h"
#include "support/test_support.h"

namespace ds::cli {
namespace {

using checks::RegOutcome;
using checks::engine::CheckResult;
using checks::engine::JobEnd;

TEST(CliInputLine, TellsDomainsFromEverythingElse) {
    const struct {
        QByteArray raw;
        InputLine::Kind kind;
        QByteArray domain;  // Domain: the name asked; NotDomain: the text shown; null: not compared
    } cases[] = {
        {"example.com", InputLine::Domain, "example.com"},
        {"  Example.COM \r", InputLine::Domain, "example.com"},
        {"\tsub.example.co.uk.", InputLine::Domain, "sub.example.co.uk"},
        {"\xEF\xBB\xBF" "example.net", InputLine::Domain, "example.net"},  // a byte-order mark on the first line
        {"", InputLine::Skip, ""},
        {"   ", InputLine::Skip, ""},
        {"# morning list", InputLine::Skip, ""},
        {"  # indented comment", InputLine::Skip, ""},
        {"b\xC3\xBC" "cher.de", InputLine::Domain, "b\xC3\xBC" "cher.de"},
        {"localhost", InputLine::NotDomain, "localhost"},
        {"192.168.1.1", InputLine::NotDomain, "192.168.1.1"},
        {"-bad.com", InputLine::NotDomain, "-bad.com"},
        {"bad-.com", InputLine::NotDomain, "bad-.com"},
        {"a..com", InputLine::NotDomain, "a..com"},
        {"http://example.com", InputLine::NotDomain, "http://example.com"},
        {"exa mple.com", InputLine::NotDomain, "exa mple.com"},
        {"example.com/path", InputLine::NotDomain, "example.com/path"},
        {"ex'ample.com", InputLine::NotDomain, "ex'ample.com"},
        {QByteArray(64, 'a') + ".com", InputLine::NotDomain, QByteArray(64, 'a') + ".com"},
        {QByteArray("ab\0c.com", 8), InputLine::NotDomain, {}},
        {"\xFF\xFE" "abc.com", InputLine::NotDomain, {}},
    };
    for (const auto& c : cases) {
        const InputLine line = ReadInputLine(c.raw);
        EXPECT_EQ(line.kind, c.kind) << c.raw.toStdString();
        if (!c.domain.isNull()) {
            EXPECT_EQ(line.domain, QString::fromUtf8(c.domain)) << c.raw.toStdString();
        }
    }
    // 63 is the longest label, 253 the longest name.
    EXPECT_EQ(ReadInputLine(QByteArray(63, 'a') + ".com").kind, InputLine::Domain);
    const QByteArray three = QByteArray(QByteArray(63, 'a') + '.').repeated(3);
    EXPECT_EQ(ReadInputLine(three + QByteArray(57, 'a') + ".com").kind, InputLine::Domain);
    EXPECT_EQ(ReadInputLine(three + QByteArray(58, 'a') + ".com").kind, InputLine::NotDomain);
    // An endless line is cut by the reader and flagged: never a domain, however it starts.
    EXPECT_EQ(ReadInputLine("example.com", true).kind, InputLine::NotDomain);
}

TEST(CliInputLine, DuplicatesShareOneKeyAcrossCaseAndScript) {
    EXPECT_EQ(ReadInputLine("EXAMPLE.com").key, ReadInputLine("example.com.").key);
    EXPECT_EQ(ReadInputLine("b\xC3\xBC" "cher.de").key, QStringLiteral("xn--bcher-kva.de"));
    EXPECT_EQ(ReadInputLine("xn--bcher-kva.de").key, QStringLiteral("xn--bcher-kva.de"));
}

TEST(CliLineSplitter, CutsLongLinesAndKeepsTheRest) {
    QList<QPair<QByteArray, bool>> lines;
    LineSplitter s([&](const QByteArray& line, bool tooLong) { lines.append({line, tooLong}); });
    s.feed("one.com\r\ntw");
    s.feed("o.com\n");
    s.feed(QByteArray(10 * 1024, 'x'));  // a 10 kB line, in two pieces
    s.feed(QByteArray(3000, 'y') + "\nlast.com");
    s.finish();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], qMakePair(QByteArray("one.com"), false));
    EXPECT_EQ(lines[1], qMakePair(QByteArray("two.com"), false));
    EXPECT_TRUE(lines[2].second);
    EXPECT_EQ(lines[2].first.size(), kMaxInputLine);
    EXPECT_EQ(lines[3], qMakePair(QByteArray("last.com"), false));
}

TEST(CliVerdict, OnlyAPageThatSaysSoDecides) {
    const struct {
        JobEnd end;
        RegOutcome outcome;
        bool record;
        const char* verdict;
    } cases[] = {
        {JobEnd::Answered, RegOutcome::Free, false, "available"},
        {JobEnd::Answered, RegOutcome::Registered, true, "registered"},
        {JobEnd::Answered, RegOutcome::Registered, false, "unknown"},  // "query limit exceeded" and the like
        {JobEnd::Answered, RegOutcome::Undetermined, false, "unknown"},
        {JobEnd::Failed, RegOutcome::Failed, false, "unknown"},
        {JobEnd::Stopped, RegOutcome::Failed, false, "unknown"},
        {JobEnd::RateLimited, RegOutcome::Failed, false, "unknown"},
        // A result that did not end answered never counts, whatever outcome it carries.
        {JobEnd::Failed, RegOutcome::Free, false, "unknown"},
    };
    for (const auto& c : cases) {
        CheckResult r;
        r.end = c.end;
        r.regOutcome = c.outcome;
        r.registrationRecord = c.record;
        r.reason = QStringLiteral("HTTP 200");
        const Verdict v = RegistrationVerdict(r);
        EXPECT_EQ(v.verdict, QString::fromLatin1(c.verdict)) << int(c.end) << ' ' << int(c.outcome);
        EXPECT_TRUE(v.reason.startsWith(u"HTTP 200"));
    }
}

TEST(CliJsonLine, FieldsInOrderWithOffsetAndNullStatus) {
    OutputAnswer a;
    a.domain = QStringLiteral("例子.com");
    a.check = QStringLiteral("registration");
    a.verdict = QStringLiteral("unknown");
    a.reason = QStringLiteral("not a \"domain\" name");
    a.source = QStringLiteral("operator");
    a.checkedAt = QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::OffsetFromUTC, 8 * 3600);
    EXPECT_EQ(JsonLine(a), QString::fromUtf8("{\"domain\":\"例子.com\",\"check\":\"registration\",\"verdict\":\"unknown\","
                                             "\"reason\":\"not a \\\"domain\\\" name\",\"source\":\"operator\","
                                             "\"http_status\":null,\"checked_at\":\"2024-05-01T09:00:00+08:00\","
                                             "\"cached\":false}\n")
                               .toUtf8());
    a.httpStatus = 200;
    a.cached = true;
    a.checkedAt = QDateTime(QDate(2024, 5, 1), QTime(1, 0), Qt::UTC);
    a.hasValues = true;
    a.values = QJsonObject{{QStringLiteral("baidu_site"), 12}};
    const QByteArray line = JsonLine(a);
    EXPECT_TRUE(line.contains("\"http_status\":200,\"checked_at\":\"2024-05-01T01:00:00Z\",\"cached\":true,"
                              "\"values\":{\"baidu_site\":12}}"))
        << line.toStdString();
}

// --- the ledger, on real files ---------------------------------------------------------------------

checks::ledger::Answer MakeAnswer(const char* domain, const char* verdict, const QDateTime& at, qint64 run = 0) {
    checks::ledger::Answer a;
    a.domain = QString::fromLatin1(domain);
    a.check = QStringLiteral("registration");
    a.verdict = QString::fromLatin1(verdict);
    a.reason = QStringLiteral("HTTP 200");
    a.source = QStringLiteral("operator");
    a.httpStatus = 200;
    a.runId = run;
    a.checkedAt = at;
    return a;
}

TEST(CliLedger, FreshMeansTheLastAnswerIsRecentAndNotUnknown) {
    QTemporaryDir dir;
    checks::ledger::Ledger ledger;
    ASSERT_TRUE(ledger.open(dir.filePath(QStringLiteral("sub/ledger.db")))) << ledger.error().toStdString();
    const QDateTime now = QDateTime::currentDateTime();
    ASSERT_TRUE(ledger.record(MakeAnswer("recent.com", "available", now.addSecs(-3600))));
    ASSERT_TRUE(ledger.record(MakeAnswer("old.com", "registered", now.addDays(-3))));
    ASSERT_TRUE(ledger.record(MakeAnswer("flaky.com", "available", now.addSecs(-7200))));
    ASSERT_TRUE(ledger.record(MakeAnswer("flaky.com", "unknown", now.addSecs(-60))));  // the last one decides
    ASSERT_TRUE(ledger.record(MakeAnswer("cleared.com", "unknown", now.addSecs(-7200))));
    ASSERT_TRUE(ledger.record(MakeAnswer("CLEARED.com", "registered", now.addSecs(-60))));
    const auto fresh = ledger.freshAnswers(QStringLiteral("registration"), now.addSecs(-24 * 3600));
    EXPECT_EQ(QSet<QString>(fresh.keyBegin(), fresh.keyEnd()),
              (QSet<QString>{QStringLiteral("recent.com"), QStringLiteral("cleared.com")}));
    EXPECT_EQ(fresh.value(QStringLiteral("cleared.com")).verdict, QStringLiteral("registered"));
    EXPECT_TRUE(ledger.freshAnswers(QStringLiteral("metrics"), now.addDays(-30)).isEmpty());
    EXPECT_EQ(ledger.answersSince(now.addSecs(-5000)).size(), 3u);  // recent, and the last of flaky and cleared
}

TEST(CliLedger, RunsResumeOnlyTheirOwnUnfinishedRun) {
    QTemporaryDir dir;
    checks::ledger::Ledger ledger;
    ASSERT_TRUE(ledger.open(dir.filePath(QStringLiteral("ledger.db"))));
    const qint64 done = ledger.startRun(QStringLiteral("registration"), QStringLiteral("cli"));
    ASSERT_TRUE(ledger.finishRun(done));
    const qint64 cut = ledger.startRun(QStringLiteral("registration"), QStringLiteral("cli"));
    ledger.startRun(QStringLiteral("registration"), QStringLiteral("window"));
    ASSERT_TRUE(ledger.record(MakeAnswer("a.com", "available", QDateTime::currentDateTime(), cut)));
    EXPECT_EQ(ledger.lastUnfinishedRun(QStringLiteral("registration"), QStringLiteral("cli")), cut);
    EXPECT_FALSE(ledger.lastUnfinishedRun(QStringLiteral("metrics"), QStringLiteral("cli")).has_value());
    EXPECT_EQ(ledger.answersOfRun(cut).keys(), QStringList{QStringLiteral("a.com")});
}

TEST(CliLedger, AFileThatIsNoLedgerIsRefused) {
    QTemporaryDir dir;
    const QString corrupt = dir.filePath(QStringLiteral("corrupt.db"));
    {
        QFile f(corrupt);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    }
    checks::ledger::Ledger bad;
    EXPECT_FALSE(bad.open(corrupt));
    EXPECT_FALSE(bad.record(MakeAnswer("a.com", "available", QDateTime::currentDateTime())));
}

TEST(CliLedger, AReadOnlyFileIsReadButNotWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ro.db"));
    {
        checks::ledger::Ledger l;
        ASSERT_TRUE(l.open(path));
        ASSERT_TRUE(l.record(MakeAnswer("a.com", "available", QDateTime::currentDateTime())));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    if (QFileInfo(path).isWritable()) GTEST_SKIP() << "running as root: a read-only file is still writable";
    checks::ledger::Ledger ro;
    ASSERT_TRUE(ro.open(path));
    EXPECT_FALSE(ro.writable());
    EXPECT_EQ(ro.freshAnswers(QStringLiteral("registration"), QDateTime::currentDateTime().addDays(-1)).size(), 1);
    EXPECT_FALSE(ro.record(MakeAnswer("b.com", "available", QDateTime::currentDateTime())));
}

}  // namespace
}  // namespace ds::cli
