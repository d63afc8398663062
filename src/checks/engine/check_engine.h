#pragma once
// The live checks as an engine: jobs go in, exactly one result per job comes out, on the thread that
// made the engine, as each arrives. Requests run on one worker thread over libcurl's multi interface,
// several at once (`concurrency`), under a per-host governor: a host gets at most a few requests at
// once, their starts spaced apart, and a host that pushes back (429, 503, a verification page) is
// paused while the others go on. Filing lookups read the domain database, which belongs to the
// caller's thread; they run there, one per turn of its event loop.
//
// Jobs start in the order they were submitted, as far as the limits allow; at concurrency 1 they run
// strictly one after another, and a job submitted with submitNext() from a result handler runs before
// anything queued (a retry goes out before the next row, as a one-at-a-time loop would do it).
#include <QObject>
#include <functional>
#include <memory>

#include "checks/engine/check_job.h"
#include "checks/engine/host_governor.h"

namespace ds {
struct Config;
}

namespace ds::checks::engine {

struct EngineSettings {
    int concurrency = 4;  // 1-16
    Politeness politeness;
};
// The settings dropscout.ini gives (CheckConcurrency, PerHostInFlight, PerHostIntervalMs, HostPauseMs).
EngineSettings SettingsFromConfig(const Config& config);

// Looks up a domain's filing record on the caller's thread: the record's four fields, or an empty list
// when it has none. Throws db::DbError when the database fails.
using FilingLookup = std::function<QStringList(const QString& domain)>;

class CheckEngine : public QObject {
    Q_OBJECT
public:
    explicit CheckEngine(const EngineSettings& settings, QObject* parent = nullptr);
    // Stops the run (queued jobs are answered "stopped" only if the caller is still listening) and
    // waits for the worker.
    ~CheckEngine() override;

    void setFilingLookup(FilingLookup lookup);

    void submit(const CheckJob& job);
    void submitNext(const CheckJob& job);
    // Ends every request in flight (within 100 ms) and answers every job not yet answered "stopped".
    void stop();

    // Jobs submitted and not answered yet; requests on the wire now.
    int unanswered() const { return unanswered_; }
    int inFlight() const { return inFlight_; }
    const EngineSettings& settings() const { return settings_; }

signals:
    void jobStarted(quint64 key);
    void jobFinished(const ds::checks::engine::CheckResult& result);
    // A host pushed back and is left alone for `ms`; `host` is empty once no host is paused.
    void hostPaused(const QString& host, qint64 ms);
    // Every submitted job has its result.
    void idle();

private:
    class Worker;
    void deliver(const CheckResult& result, bool wasStarted);
    void started(quint64 key);
    void runFiling();

    EngineSettings settings_;
    std::unique_ptr<Worker> worker_;
    FilingLookup filingLookup_;
    QList<CheckJob> filingQueue_;
    bool filingScheduled_ = false;
    int unanswered_ = 0;
    int inFlight_ = 0;
};

}  // namespace ds::checks::engine
