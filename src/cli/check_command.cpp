// dropscout-cli check: a list of domains through the check engine, one JSON line per answer as it
// arrives, every live answer kept in the ledger.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "checks/engine/check_engine.h"
#include "checks/ledger/ledger.h"
#include "cli/cli_program.h"
#include "cli/cli_rules.h"
#include "core/clock.h"
#include "core/config.h"
#include "db/db_error.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"

namespace ds::cli {
namespace {

using checks::engine::CheckEngine;
using checks::engine::CheckJob;
using checks::engine::CheckResult;
using checks::engine::JobEnd;

struct Target {
    QString domain;  // as asked and printed
    QString key;     // its ASCII form: the ledger's and the duplicates' key
};

struct Input {
    std::vector<Target> targets;
    std::vector<QString> notDomains;
};

// Reads the list whole before anything is asked (duplicates and a resumed run need all of it), but a
// line at most kMaxInputLine bytes at a time, so a file of one endless line costs no memory.
bool ReadInput(const QString& path, Input& input) {
    QFile file;
    const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                     : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        Say(QStringLiteral("error: cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    QSet<QString> seen, seenBad;
    LineSplitter splitter([&](const QByteArray& raw, bool tooLong) {
        const InputLine line = ReadInputLine(raw, tooLong);
        if (line.kind == InputLine::Domain) {
            if (!seen.contains(line.key)) {
                seen.insert(line.key);
                input.targets.push_back({line.domain, line.key});
            }
        } else if (line.kind == InputLine::NotDomain && !seenBad.contains(line.domain)) {
            seenBad.insert(line.domain);
            input.notDomains.push_back(line.domain);
        }
    });
    while (true) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty()) break;
        splitter.feed(chunk);
    }
    splitter.finish();
    return true;
}

// A live progress line on a terminal; on a pipe or file, a plain line now and then.
class Progress {
public:
    explicit Progress(int total) : total_(total), terminal_(::isatty(2) == 1) { clock_.start(); }
    void update(int done, int inFlight) {
        const qint64 now = clock_.elapsed();
        if (terminal_) {
            if (now - lastMs_ < 100 && done < total_) return;
            lastMs_ = now;
            const QByteArray line = QStringLiteral("\r%1/%2 answered, %3 in flight   ")
                                        .arg(done).arg(total_).arg(inFlight).toUtf8();
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
            std::fflush(stderr);
            shown_ = true;
        } else if (now - lastMs_ >= 5000) {
            lastMs_ = now;
            Say(QStringLiteral("progress: %1/%2 answered").arg(done).arg(total_));
        }
    }
    void end() {
        if (terminal_ && shown_) std::fputs("\n", stderr);
    }

private:
    int total_;
    bool terminal_;
    bool shown_ = false;
    qint64 lastMs_ = 0;
    QElapsedTimer clock_;
};

OutputAnswer FromLedger(const checks::ledger::Answer& a, const QString& domain) {
    OutputAnswer o;
    o.domain = domain;
    o.check = a.check;
    o.verdict = a.verdict;
    o.reason = a.reason;
    o.source = a.source;
    o.httpStatus = a.httpStatus;
    o.checkedAt = a.checkedAt;
    o.cached = true;
    return o;
}

}  // namespace

int RunCheck(const QStringList& args, const GlobalOptions& global) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Checks a list of domains live (one per line; blank lines and lines starting with # skipped),\n"
        "printing one JSON object per answer as it arrives. FILE '-' or none reads standard input."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("check"), QStringLiteral("registration, metrics or filing"));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the domain list, or - for standard input"),
                            QStringLiteral("[FILE|-]"));
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("operator (the whois page of the operator's settings) or registry"),
                                    QStringLiteral("ROUTE"), QStringLiteral("operator"));
    const QCommandLineOption concurrency(QStringLiteral("concurrency"),
                                         QStringLiteral("requests in flight at once, 1-16 (default: CheckConcurrency)"),
                                         QStringLiteral("N"));
    const QCommandLineOption skipFresh(QStringLiteral("skip-fresh"),
                                       QStringLiteral("answer from the ledger every domain whose last answer is newer "
                                                      "than HOURS and not unknown"),
                                       QStringLiteral("HOURS"));
    const QCommandLineOption resume(QStringLiteral("resume"),
                                    QStringLiteral("continue the last unfinished run of this check: ask only the "
                                                   "domains it has no answer for"));
    const QCommandLineOption writeBack(QStringLiteral("write-back"),
                                       QStringLiteral("correct the domain tables as the window's check does"));
    const QCommandLineOption whoisUrl(QStringLiteral("whois-url"),
                                      QStringLiteral("the whois page's address, the domain appended (default: the "
                                                     "operator's setting lwhoisurl from the database)"),
                                      QStringLiteral("URL"));
    p.addOptions({source, concurrency, skipFresh, resume, writeBack, whoisUrl});
    if (!p.parse(args)) {
        Say(u"error: " + p.errorText() + u"\n\n" + p.helpText());
        return kExitUsage;
    }
    if (p.isSet(QStringLiteral("help"))) {
        Print(p.helpText().toUtf8());
        return kExitOk;
    }
    const QStringList positional = p.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2) {
        Say(QStringLiteral("error: give the check and at most one FILE\n\n") + p.helpText());
        return kExitUsage;
    }
    const QString check = positional[0];
    if (check != u"registration" && check != u"metrics" && check != u"filing") {
        Say(QStringLiteral("error: unknown check %1 (registration, metrics or filing)").arg(check));
        return kExitUsage;
    }
    if (check != u"registration") {
        Say(QStringLiteral("error: check %1 is not available in this build").arg(check));
        return kExitUsage;
    }
    const QString route = p.value(source);
    if (route == u"registry") {
        Say(QStringLiteral("error: registry source not available in this build"));
        return kExitUsage;
    }
    if (route != u"operator") {
        Say(QStringLiteral("error: unknown source %1 (operator or registry)").arg(route));
        return kExitUsage;
    }
    checks::engine::EngineSettings settings = checks::engine::SettingsFromConfig(config());
    if (p.isSet(concurrency)) {
        bool ok = false;
        const int n = p.value(concurrency).toInt(&ok);
        if (!ok || n < 1 || n > 16) {
            Say(QStringLiteral("error: --concurrency takes a number from 1 to 16"));
            return kExitUsage;
        }
        settings.concurrency = n;
    }
    double freshHours = -1;
    if (p.isSet(skipFresh)) {
        bool ok = false;
        freshHours = p.value(skipFresh).toDouble(&ok);
        if (!ok || !(freshHours >= 0) || freshHours > 24 * 365 * 100) {
            Say(QStringLiteral("error: --skip-fresh takes a number of hours"));
            return kExitUsage;
        }
    }
    if (p.isSet(writeBack)) {
        Say(QStringLiteral("error: --write-back is not available in this build"));
        return kExitUsage;
    }

    // The whois address: given, or the operator's setting, read from the database as the login does.
    QString whoisBase = p.value(whoisUrl);
    if (whoisBase.isEmpty()) {
        if (const int status = OpenDatabase(global); status != kExitOk) return status;
        try {
            const db::ResultTable t = db::DbConn().query(QStringLiteral("SELECT lwhoisurl FROM lconfig_all"));
            if (!t.rows.empty()) whoisBase = search::CellText(t.rows[0][0]).trimmed();
        } catch (const db::DbError& e) {
            Say(QStringLiteral("error: the operator's settings could not be read: ") + e.description());
            return kExitDatabase;
        }
        if (whoisBase.isEmpty()) {
            Say(QStringLiteral("error: the operator's settings have no whois address (lwhoisurl); give --whois-url URL"));
            return kExitUsage;
        }
    }
    // Without a scheme the engine would send nothing; an address that is not http(s) is a setting error.
    if (!whoisBase.startsWith(u"http://", Qt::CaseInsensitive) && !whoisBase.startsWith(u"https://", Qt::CaseInsensitive)) {
        Say(QStringLiteral("error: the whois address %1 is not an http(s) address").arg(whoisBase));
        return kExitUsage;
    }

    Input input;
    if (!ReadInput(positional.size() > 1 ? positional[1] : QStringLiteral("-"), input)) return kExitUsage;

    // The ledger. One that cannot be opened or written does not stop the check: the answers are still
    // printed, and the summary and the exit status say they were not kept.
    checks::ledger::Ledger ledger;
    const QString ledgerPath = global.ledger.isEmpty() ? checks::ledger::DefaultLedgerPath() : global.ledger;
    if (!ledger.open(ledgerPath))
        Say(QStringLiteral("warning: ledger not usable, answers will not be kept: ") + ledger.error());
    else if (!ledger.writable())
        Say(QStringLiteral("warning: ledger is read-only, answers will not be kept: ") +
            (ledger.error().isEmpty() ? ledgerPath : ledger.error()));

    Tally tally;
    tally.asked = int(input.targets.size() + input.notDomains.size());
    bool unsavedSaid = false;
    const auto keep = [&](const checks::ledger::Answer& a) {
        if (ledger.record(a)) return;
        ++tally.notSaved;
        if (!unsavedSaid && ledger.isOpen()) Say(QStringLiteral("warning: ") + ledger.error());
        unsavedSaid = true;
    };

    for (const QString& bad : input.notDomains) {
        OutputAnswer o;
        o.domain = bad;
        o.check = check;
        o.verdict = QStringLiteral("unknown");
        o.reason = QStringLiteral("not a domain name");
        o.source = route;
        o.checkedAt = ds::clock().now();
        Print(JsonLine(o));
        ++tally.unknown;
    }

    // Domains answered without a request: those the resumed run already has, and the fresh ones.
    qint64 runId = 0;
    QHash<QString, checks::ledger::Answer> known;
    if (p.isSet(resume)) {
        if (const std::optional<qint64> last = ledger.lastUnfinishedRun(check, QStringLiteral("cli"))) {
            runId = *last;
            known = ledger.answersOfRun(runId);
            Say(QStringLiteral("resuming run %1: %2 answers kept").arg(runId).arg(known.size()));
        } else {
            Say(QStringLiteral("no unfinished run of check %1 to resume: starting a new one").arg(check));
        }
    }
    if (freshHours >= 0) {
        const QDateTime since = ds::clock().now().addMSecs(-qint64(freshHours * 3600 * 1000));
        const QHash<QString, checks::ledger::Answer> fresh = ledger.freshAnswers(check, since);
        for (auto it = fresh.begin(); it != fresh.end(); ++it)
            if (!known.contains(it.key())) known.insert(it.key(), it.value());
    }
    if (runId == 0) runId = ledger.startRun(check, QStringLiteral("cli"));

    std::vector<Target> toAsk;
    for (const Target& t : input.targets) {
        const auto it = known.constFind(t.key);
        if (it == known.constEnd()) {
            toAsk.push_back(t);
            continue;
        }
        Print(JsonLine(FromLedger(*it, t.domain)));
        ++tally.cached;
        if (it->verdict == u"available") ++tally.available;
        if (it->verdict == u"unknown") ++tally.unknown;
    }

    CheckEngine engine(settings);
    Progress progress(int(toAsk.size()));
    std::vector<bool> retried(toAsk.size(), false);
    int answered = 0;
    bool stopping = false;
    QEventLoop loop;
    QObject::connect(&engine, &CheckEngine::jobFinished, &loop, [&](const CheckResult& r) {
        if (r.end == JobEnd::Stopped) {
            ++tally.notAsked;
            return;
        }
        // No answer at all (a timeout, an error page) is asked once more, as the window's retry pass does.
        if (r.end == JobEnd::Failed && !retried[r.key] && !stopping) {
            retried[r.key] = true;
            const Target& t = toAsk[r.key];
            engine.submitNext({r.key, t.domain, checks::engine::Ask::Whois, whoisBase + t.domain});
            return;
        }
        const Verdict v = RegistrationVerdict(r);
        checks::ledger::Answer a;
        a.domain = toAsk[r.key].key;
        a.check = check;
        a.verdict = v.verdict;
        a.reason = v.reason;
        a.source = route;
        a.httpStatus = r.httpStatus;
        a.values = QJsonObject{{QStringLiteral("registration_record"), r.registrationRecord},
                               {QStringLiteral("host"), r.host},
                               {QStringLiteral("elapsed_ms"), r.elapsedMs}};
        a.runId = runId;
        a.checkedAt = ds::clock().now();
        // Kept before it is printed: whatever a reader of the output saw is in the ledger.
        keep(a);
        OutputAnswer o;
        o.domain = toAsk[r.key].domain;
        o.check = check;
        o.verdict = v.verdict;
        o.reason = v.reason;
        o.source = route;
        o.httpStatus = r.httpStatus;
        o.checkedAt = a.checkedAt;
        Print(JsonLine(o));
        if (v.verdict == u"available") ++tally.available;
        if (v.verdict == u"unknown") ++tally.unknown;
        ++answered;
        progress.update(answered, engine.inFlight());
    });
    QObject::connect(&engine, &CheckEngine::idle, &loop, &QEventLoop::quit);
    OnStopSignal([&] {
        if (stopping) return;
        stopping = true;
        Say(QStringLiteral("stopping: the answers in flight are given up"));
        engine.stop();
        loop.quit();
    });

    for (size_t i = 0; i < toAsk.size(); ++i)
        engine.submit({i, toAsk[i].domain, checks::engine::Ask::Whois, whoisBase + toAsk[i].domain});
    // A signal that came while the list was read is answered as soon as the loop runs.
    if (!toAsk.empty() && !StopSignalled()) loop.exec();
    if (StopSignalled() && !stopping) {
        stopping = true;
        engine.stop();
    }
    progress.end();
    OnStopSignal(nullptr);

    if (!stopping && runId > 0 && !ledger.finishRun(runId)) Say(QStringLiteral("warning: ") + ledger.error());
    Say(SummaryLine(tally));
    if (tally.notSaved > 0) Say(QStringLiteral("%1 answers were not kept in the ledger %2").arg(tally.notSaved).arg(ledgerPath));
    if (stopping) return kExitInterrupted;
    return tally.unknown > 0 || tally.notSaved > 0 ? kExitIncomplete : kExitOk;
}

}  // namespace ds::cli
