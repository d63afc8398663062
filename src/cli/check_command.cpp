// dropscout-cli check: a list of domains through the check engine, one JSON line per answer as it
// arrives, every live answer kept in the ledger.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <functional>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "checks/engine/check_engine.h"
#include "checks/filing_rules.h"
#include "checks/ledger/ledger.h"
#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "checks/registry/registry_route.h"
#include "checks/verdict.h"
#include "cli/cli_program.h"
#include "cli/cli_rules.h"
#include "core/clock.h"
#include "core/config.h"
#include "core/text.h"
#include "db/db_error.h"
#include "db/recordset.h"
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
    o.hasValues = a.check != u"registration";
    o.values = a.values;
    return o;
}

// Jobs of one domain: the metrics' four (0-3) and PageRank's checksum (4); one for the other checks.
constexpr int kSlots = 8;
constexpr int kChecksumSlot = 4;

struct Gathered {
    QString verdict = QStringLiteral("ok");
    QStringList reasons;
    QJsonObject values;
    int httpStatus = 0;
    int pending = 1;
    unsigned retried = 0;  // slots asked a second time
    bool stopped = false;
    QString checksum;
};

checks::engine::Ask MetricAsk(checks::Metric m) {
    switch (m) {
    case checks::Metric::BaiduSite: return checks::engine::Ask::BaiduSite;
    case checks::Metric::BaiduDomain: return checks::engine::Ask::BaiduDomain;
    case checks::Metric::Alexa: return checks::engine::Ask::Alexa;
    case checks::Metric::PageRank: return checks::engine::Ask::PageRank;
    }
    return checks::engine::Ask::BaiduSite;
}

int ColumnAt(const db::ResultTable& t, const char* name) {
    for (int i = 0; i < t.columns.size(); ++i)
        if (t.columns[i].compare(QLatin1StringView(name), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// The filing record of a lookup key, as the window's check reads it. Throws db::DbError.
QStringList LookUpFiling(const QString& key) {
    if (key.isEmpty()) return {};
    const db::ResultTable t = db::DbConn().query(checks::FilingStatement(key));
    if (t.rows.empty()) return {};
    const auto at = [&](const char* name) {
        const int i = ColumnAt(t, name);
        return i < 0 ? QVariant() : t.rows[0][size_t(i)];
    };
    return {search::CellText(at("lback")), search::CellText(at("lbackhostkind")), search::DateCellText(at("lbacktime")),
            search::CellText(at("lbackname"))};
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
                                    QStringLiteral("operator (the whois page of the operator's settings) or registry (the "
                                                   "registries themselves: RDAP, else port-43 whois)"),
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
    if (const std::optional<int> done = ParseCommand(p, args)) return *done;
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
    const QString route = p.value(source);
    if (route != u"operator" && route != u"registry") {
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
    const bool writingBack = p.isSet(writeBack);
    if (writingBack && check != u"registration") {
        Say(QStringLiteral("error: --write-back is for the registration check only"));
        return kExitUsage;
    }

    // What each check needs from the operator's settings or the database: the whois address (given,
    // or the setting lwhoisurl); the PageRank checksum service (llinkurl, when a database is named);
    // the filing records (the database itself).
    const bool registration = check == u"registration", metrics = check == u"metrics";
    // Who answers: the route's service, the metric services, the domain database.
    const QString answeredBy = registration ? route : metrics ? QStringLiteral("services") : QStringLiteral("database");
    const bool registry = registration && route == u"registry";
    QString whoisBase = p.value(whoisUrl), linkBase;
    const bool needDatabase = (registration && !registry && whoisBase.isEmpty()) || check == u"filing" ||
                              (metrics && !global.db.isEmpty()) || writingBack;
    if (needDatabase) {
        if (const int status = OpenDatabase(global); status != kExitOk) return status;
        try {
            const db::ResultTable t = db::DbConn().query(QStringLiteral("SELECT * FROM lconfig_all"));
            const int whoisAt = ColumnAt(t, "lwhoisurl");
            const int linkAt = ColumnAt(t, "llinkurl");
            if (!t.rows.empty() && whoisBase.isEmpty() && whoisAt >= 0)
                whoisBase = search::CellText(t.rows[0][size_t(whoisAt)]).trimmed();
            if (!t.rows.empty() && linkAt >= 0) linkBase = search::CellText(t.rows[0][size_t(linkAt)]).trimmed();
        } catch (const db::DbError& e) {
            Say(QStringLiteral("error: the operator's settings could not be read: ") + e.description());
            return kExitDatabase;
        }
    }
    // The registry route: where each TLD's registry answers, read once for the run.
    std::optional<checks::registry::RegistryDirectory> directory;
    // The bootstrap's refresh (for later runs) ends when the check does, not minutes later at exit.
    struct EndRefreshOnReturn {
        ~EndRefreshOnReturn() { checks::registry::StopBootstrapRefresh(); }
    } endRefresh;
    if (registry) {
        directory = checks::registry::RegistryDirectoryForRun(config());
        for (const QString& problem : directory->problems) Say(QStringLiteral("warning: ") + problem);
        if (directory->bootstrap.bases.isEmpty() && directory->whois.isEmpty()) {
            Say(QStringLiteral("error: no registry directory: set RdapBootstrap and WhoisServers in dropscout.ini"));
            return kExitUsage;
        }
    }
    if (registration && !registry) {
        if (whoisBase.isEmpty()) {
            Say(QStringLiteral("error: the operator's settings have no whois address (lwhoisurl); give --whois-url URL"));
            return kExitUsage;
        }
        // Without a scheme the engine would send nothing; an address that is not http(s) is a setting error.
        if (!whoisBase.startsWith(u"http://", Qt::CaseInsensitive) &&
            !whoisBase.startsWith(u"https://", Qt::CaseInsensitive)) {
            Say(QStringLiteral("error: the whois address %1 is not an http(s) address").arg(whoisBase));
            return kExitUsage;
        }
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
        o.source = answeredBy;
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
    int answered = 0;
    bool stopping = false;
    QEventLoop loop;
    if (check == u"filing") engine.setFilingLookup(LookUpFiling);

    // Every domain's answers gather here until its last job is in: one line and one ledger row each.
    std::vector<Gathered> gathered(toAsk.size());
    std::function<void(const CheckResult&)> answerAtOnce;
    const auto submitFor = [&](size_t i, int slot, bool next) {
        const Target& t = toAsk[i];
        CheckJob job{quint64(i) * kSlots + quint64(slot), t.domain, checks::engine::Ask::Whois, {}};
        if (registry) {
            const checks::registry::RegistryTarget target = checks::registry::RouteFor(*directory, t.domain);
            if (target.kind != checks::registry::RegistryTarget::Rdap &&
                target.kind != checks::registry::RegistryTarget::Whois) {
                // Nothing to ask: answered at once, as if the engine had.
                answerAtOnce(checks::registry::ResultWithoutRequest(job.key, t.domain, target));
                return;
            }
            job = checks::registry::JobFor(job.key, t.domain, target);
        } else if (registration) {
            job.url = whoisBase + t.domain;
        } else if (metrics) {
            const checks::Metric m = checks::kMetricOrder[size_t(slot == kChecksumSlot ? 3 : slot)];
            job.ask = slot == kChecksumSlot ? checks::engine::Ask::PageRankChecksum : MetricAsk(m);
            const QString now = checks::NowText(ds::clock().now());
            job.url = slot == kChecksumSlot
                          ? checks::ChecksumRequest(linkBase, t.domain)
                          : checks::DirectRequest(m, t.domain, now, gathered[i].checksum, config());
        } else {
            job.ask = checks::engine::Ask::Filing;
            job.domain = checks::FilingLookupKey(t.domain).value_or(t.domain);
        }
        if (next) engine.submitNext(job);
        else engine.submit(job);
    };
    // --write-back: the window's rule for the rows of both tables that hold a domain found registered
    // again. Once the database has refused one statement the rest are not sent (each would wait for
    // the lock again); the summary counts them.
    int writtenBack = 0, notWrittenBack = 0;
    QString writeBackError;
    const auto correctTables = [&](size_t i, Gathered& g) {
        const QString domain = toAsk[i].domain;
        const QString name = domain.left(domain.indexOf(u'.'));
        int rows = 0;
        for (const QString& table : {QStringLiteral("ldomainreg"), QStringLiteral("ldomainhis")}) {
            if (notWrittenBack > 0) {
                ++notWrittenBack;
                continue;
            }
            try {
                // lname is indexed; lallname picks the extension.
                const db::ResultTable t = db::DbConn().query(u"select lid, ldeltime from " + table + u" where lname='" +
                                                             SqlEscape(name) + u"' and lallname='" + SqlEscape(domain) +
                                                             u"' and lregist=1");
                for (const std::vector<QVariant>& row : t.rows) {
                    const std::optional<QString> statement = checks::WriteBackStatement(
                        table, search::CellText(row[0]), search::DateCellText(row[1]), ds::clock().today(), table);
                    if (!statement) continue;
                    db::DbConn().query(*statement);
                    ++rows;
                }
            } catch (const db::DbError& e) {
                ++notWrittenBack;
                writeBackError = e.description();
            }
        }
        writtenBack += rows;
        g.values.insert(QStringLiteral("written_back"), rows);
    };
    const auto finish = [&](size_t i) {
        Gathered& g = gathered[i];
        checks::ledger::Answer a;
        a.domain = toAsk[i].key;
        a.check = check;
        a.verdict = g.verdict;
        a.reason = g.reasons.join(QStringLiteral("; "));
        a.source = answeredBy;
        a.httpStatus = g.httpStatus;
        a.values = g.values;
        a.runId = runId;
        a.checkedAt = ds::clock().now();
        // Kept before it is printed: whatever a reader of the output saw is in the ledger.
        keep(a);
        OutputAnswer o{toAsk[i].domain, check, a.verdict, a.reason, a.source, a.httpStatus, a.checkedAt, false,
                       !registration, a.values};
        Print(JsonLine(o));
        if (a.verdict == u"available") ++tally.available;
        if (a.verdict == u"unknown") ++tally.unknown;
        ++answered;
        progress.update(answered, engine.inFlight());
    };
    const auto onResult = [&](const CheckResult& r) {
        const size_t i = size_t(r.key / kSlots);
        const int slot = int(r.key % kSlots);
        Gathered& g = gathered[i];
        if (r.end == JobEnd::Stopped) {
            if (!g.stopped) ++tally.notAsked;
            g.stopped = true;
            return;
        }
        if (g.stopped) return;
        // No answer at all (a timeout, an error page) is asked once more, as the window's retry pass does.
        const bool failed = r.end == JobEnd::Failed;
        if (failed && !(g.retried & (1u << slot)) && !stopping) {
            g.retried |= 1u << slot;
            submitFor(i, slot, true);
            return;
        }
        if (r.httpStatus > 0) g.httpStatus = r.httpStatus;
        if (registration) {
            const Verdict v = RegistrationVerdict(r);
            g.verdict = v.verdict;
            g.reasons << v.reason;
            g.values = checks::RegistrationValues(r);
            // Positive evidence only: a registration record the registry or the page showed.
            if (writingBack && r.answered() && r.regOutcome == checks::RegOutcome::Registered && r.registrationRecord)
                correctTables(i, g);
            return finish(i);
        }
        if (metrics) {
            if (slot == kChecksumSlot) {
                // The checksum came (or did not): PageRank itself is asked next, with what there is.
                g.checksum = r.answered() ? r.value : QString();
                return submitFor(i, 3, true);
            }
            const QString name = checks::MetricKey(checks::kMetricOrder[size_t(slot)]);
            if (r.answered()) {
                g.values.insert(name, r.value);
            } else {
                g.values.insert(name, QJsonValue::Null);
                g.verdict = QStringLiteral("unknown");
                g.reasons << name + u": " + r.reason;
            }
            if (--g.pending > 0) return;
            if (g.reasons.isEmpty()) g.reasons << QStringLiteral("measured");
            return finish(i);
        }
        // Filing: the record's four fields, or none when the domain has no filing.
        if (r.answered()) {
            const QStringList v = r.values;
            g.values = checks::FilingValues(v);
            g.reasons << (v.isEmpty() ? QStringLiteral("no filing record") : QStringLiteral("filing record found"));
        } else {
            g.verdict = QStringLiteral("unknown");
            g.reasons << r.reason;
        }
        finish(i);
    };
    answerAtOnce = onResult;
    QObject::connect(&engine, &CheckEngine::jobFinished, &loop, onResult);
    QObject::connect(&engine, &CheckEngine::idle, &loop, &QEventLoop::quit);
    OnStopSignal([&] {
        if (stopping) return;
        stopping = true;
        Say(QStringLiteral("stopping: the answers in flight are given up"));
        engine.stop();
        loop.quit();
    });

    for (size_t i = 0; i < toAsk.size(); ++i) {
        if (!metrics) {
            submitFor(i, 0, false);
            continue;
        }
        gathered[i].verdict = QStringLiteral("ok");
        gathered[i].pending = 4;
        for (int slot = 0; slot < 3; ++slot) submitFor(i, slot, false);
        // International names have no PageRank; without the checksum service's address it cannot be asked.
        if (checks::IsInternationalName(toAsk[i].domain)) {
            gathered[i].values.insert(QStringLiteral("pagerank"), QString::fromUtf16(checks::kInternationalPageRank));
            --gathered[i].pending;
        } else if (linkBase.isEmpty()) {
            gathered[i].values.insert(QStringLiteral("pagerank"), QJsonValue::Null);
            gathered[i].verdict = QStringLiteral("unknown");
            gathered[i].reasons << QStringLiteral("pagerank: no checksum service (llinkurl) without a database");
            --gathered[i].pending;
        } else {
            submitFor(i, kChecksumSlot, false);
        }
    }
    // A signal that came while the list was read is answered as soon as the loop runs.
    if (engine.unanswered() > 0 && !StopSignalled()) loop.exec();
    if (StopSignalled() && !stopping) {
        stopping = true;
        engine.stop();
    }
    progress.end();
    OnStopSignal(nullptr);

    if (!stopping && runId > 0 && !ledger.finishRun(runId)) Say(QStringLiteral("warning: ") + ledger.error());
    Say(SummaryLine(tally));
    if (writingBack) Say(QStringLiteral("%1 rows marked registered again").arg(writtenBack));
    if (notWrittenBack > 0)
        Say(QStringLiteral("%1 corrections were not written to the domain tables: %2").arg(notWrittenBack).arg(writeBackError));
    if (tally.notSaved > 0) Say(QStringLiteral("%1 answers were not kept in the ledger %2").arg(tally.notSaved).arg(ledgerPath));
    if (stopping) return kExitInterrupted;
    return tally.unknown > 0 || tally.notSaved > 0 || notWrittenBack > 0 ? kExitIncomplete : kExitOk;
}

}  // namespace ds::cli
