#include "checks/engine/check_engine.h"

#include <curl/curl.h>

#include <QDateTime>
#include <QHash>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "checks/engine/answer_reading.h"
#include "core/config.h"
#include "db/db_error.h"
#include "net/curl_transfer.h"
#include "net/decode.h"
#include "net/fetch.h"

namespace ds::checks::engine {

EngineSettings SettingsFromConfig(const Config& config) {
    EngineSettings s;
    s.concurrency = std::clamp(config.checkConcurrency, 1, 16);
    s.politeness.perHostInFlight = std::max(1, config.perHostInFlight);
    s.politeness.perHostIntervalMs = std::max(0, config.perHostIntervalMs);
    s.politeness.pauseBaseMs = std::max(0, config.hostPauseMs);
    return s;
}

namespace {

using Clock = std::chrono::steady_clock;

// A job waiting for its turn. `order` keeps submission order across hosts; a job submitted to go next
// gets an order below every other.
struct Pending {
    CheckJob job;
    net::RequestOptions options;
    QString charset;
    QString host;
    qint64 order = 0;
};

struct Active {
    Pending pending;
    std::unique_ptr<net::CurlTransfer> transfer;
    qint64 startedMs = 0;
};

CheckResult Ended(const Pending& p, JobEnd end, const QString& reason) {
    CheckResult r;
    r.key = p.job.key;
    r.domain = p.job.domain;
    r.ask = p.job.ask;
    r.end = end;
    r.host = p.host;
    r.reason = reason;
    if (p.job.ask != Ask::Whois && p.job.ask != Ask::Filing) r.answer = QStringLiteral("wrong");
    if (p.job.ask == Ask::PageRankChecksum) r.value = r.answer;
    return r;
}

}  // namespace

// The worker thread: a curl multi handle, the queues per host and the governor. Everything here is
// touched by the worker thread only, except the inbox.
class CheckEngine::Worker {
public:
    Worker(CheckEngine* owner, const EngineSettings& settings)
        : owner_(owner), concurrency_(std::clamp(settings.concurrency, 1, 16)), governor_(settings.politeness) {
        multi_ = curl_multi_init();
        thread_ = std::thread([this] { run(); });
    }
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake();
        thread_.join();
        for (auto& [handle, active] : active_) curl_multi_remove_handle(multi_, handle);
        active_.clear();
        curl_multi_cleanup(multi_);
    }

    void submit(Pending p, bool next) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            p.order = next ? --firstOrder_ : ++lastOrder_;
            inbox_.push_back(std::move(p));
        }
        wake();
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++releases_;
        }
        wake();
    }
    void stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopRequested_ = true;
        }
        wake();
    }

private:
    void wake() {
        if (multi_) curl_multi_wakeup(multi_);
    }

    qint64 nowMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - epoch_).count();
    }

    // Hands a result to the owner's thread; its place is held until the owner has handled it.
    void post(const CheckResult& result, bool wasStarted) {
        ++held_;
        CheckEngine* owner = owner_;
        QMetaObject::invokeMethod(owner, [owner, result, wasStarted] { owner->deliver(result, wasStarted); },
                                  Qt::QueuedConnection);
    }
    void postStarted(quint64 key) {
        CheckEngine* owner = owner_;
        QMetaObject::invokeMethod(owner, [owner, key] { owner->started(key); }, Qt::QueuedConnection);
    }
    void postPause(const QString& host, qint64 ms) {
        CheckEngine* owner = owner_;
        QMetaObject::invokeMethod(owner, [owner, host, ms] { emit owner->hostPaused(host, ms); },
                                  Qt::QueuedConnection);
    }

    void run() {
        if (!multi_) return;
        for (;;) {
            if (!takeInbox()) break;
            startedAny_ = false;
            startWhatMay();
            int running = 0;
            curl_multi_perform(multi_, &running);
            collectDone();
            endOverdue();
            const qint64 wait = startWhatMay();
            // A transfer just added has no socket yet for the poll to watch: drive it at once.
            if (startedAny_) continue;
            curl_multi_poll(multi_, nullptr, 0, static_cast<int>(std::clamp<qint64>(wait, 1, 50)), nullptr);
        }
    }

    // False once the engine is being destroyed.
    bool takeInbox() {
        std::deque<Pending> incoming;
        bool stop = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (quit_) return false;
            incoming.swap(inbox_);
            held_ -= releases_;
            releases_ = 0;
            stop = stopRequested_;
        }
        for (Pending& p : incoming) {
            if (stopped_) {
                post(Ended(p, JobEnd::Stopped, QStringLiteral("stopped")), false);
                continue;
            }
            std::deque<Pending>& queue = queues_[p.host];
            // Kept sorted by order: a job to go next goes to the head of its host's queue.
            auto at = std::upper_bound(queue.begin(), queue.end(), p.order,
                                       [](qint64 order, const Pending& q) { return order < q.order; });
            queue.insert(at, std::move(p));
        }
        if (stop && !stopped_) stopAll();
        return true;
    }

    void stopAll() {
        stopped_ = true;
        const qint64 now = nowMs();
        for (auto& [handle, active] : active_) {
            curl_multi_remove_handle(multi_, handle);
            CheckResult r = Ended(active.pending, JobEnd::Stopped, QStringLiteral("stopped"));
            r.elapsedMs = now - active.startedMs;
            post(r, true);
        }
        active_.clear();
        for (auto& [host, queue] : queues_)
            for (const Pending& p : queue) post(Ended(p, JobEnd::Stopped, QStringLiteral("stopped")), false);
        queues_.clear();
    }

    // Starts every job the limits allow, oldest first; returns how long until one more may start.
    qint64 startWhatMay() {
        qint64 nextWake = 50;
        while (!stopped_ && held_ < concurrency_) {
            const qint64 now = nowMs();
            std::deque<Pending>* best = nullptr;
            for (auto& [host, queue] : queues_) {
                if (queue.empty()) continue;
                if (!host.isEmpty()) {
                    const qint64 wait = governor_.waitBeforeStart(host, now);
                    if (wait > 0) {
                        nextWake = std::min(nextWake, wait);
                        continue;
                    }
                }
                if (!best || queue.front().order < best->front().order) best = &queue;
            }
            if (!best) break;
            Pending p = std::move(best->front());
            best->pop_front();
            start(std::move(p), now);
        }
        for (const auto& [handle, active] : active_) {
            qint64 left = 0;
            active.transfer->limitReached(&left);
            nextWake = std::min(nextWake, left + 1);
        }
        return nextWake;
    }

    void start(Pending p, qint64 now) {
        if (!IsAskable(p.job)) {
            post(NotSent(p.job), false);
            return;
        }
        if (governor_.givenUp(p.host)) {
            post(Ended(p, JobEnd::RateLimited, rateLimitedReason(p.host)), false);
            return;
        }
        auto transfer = std::make_unique<net::CurlTransfer>(TransferAddress(p.job), p.options);
        CURL* handle = transfer->handle();
        if (!handle || curl_multi_add_handle(multi_, handle) != CURLM_OK) {
            post(Ended(p, JobEnd::Failed, NoAnswerReason(transfer->setupError())), false);
            return;
        }
        governor_.started(p.host, now);
        startedAny_ = true;
        ++held_;
        postStarted(p.job.key);
        active_.emplace(handle, Active{std::move(p), std::move(transfer), now});
    }

    void collectDone() {
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &queued)) {
            if (msg->msg != CURLMSG_DONE) continue;
            const auto it = active_.find(msg->easy_handle);
            if (it == active_.end()) continue;
            finish(it, msg->data.result, QString());
        }
    }

    // Transfers whose phase or overall limit ran out.
    void endOverdue() {
        for (auto it = active_.begin(); it != active_.end();) {
            const QString why = it->second.transfer->limitReached();
            if (why.isEmpty()) {
                ++it;
                continue;
            }
            it = finish(it, CURLE_OK, why);
        }
    }

    std::map<CURL*, Active>::iterator finish(std::map<CURL*, Active>::iterator it, CURLcode code,
                                             const QString& abortReason) {
        curl_multi_remove_handle(multi_, it->first);
        Active active = std::move(it->second);
        it = active_.erase(it);
        --held_;
        const qint64 now = nowMs();
        governor_.finished(active.pending.host);
        const net::RequestResult reply = active.transfer->finish(code, abortReason);
        QString body;
        // A registry whois answer is read from its bytes (UTF-8, else the code page), not from this text.
        if (reply.ok && active.pending.job.ask != Ask::RegistryWhois) {
            try {
                body = net::BytesToBstr(reply.body, active.pending.charset);
            } catch (const std::exception&) {
                body.clear();
            }
        }
        // Read once: the reading also tells whether the answer was the host pushing back.
        CheckResult r = ReadReply(active.pending.job, reply, body);
        if (IsPushBack(reply, body, r)) {
            const auto pause = governor_.refused(active.pending.host, now,
                                                 RetryAfterMs(reply.retryAfter, QDateTime::currentDateTimeUtc(),
                                                              300000));
            if (pause) {
                postPause(active.pending.host, *pause);
                // Asked again after the pause, before the host's other jobs.
                queues_[active.pending.host].push_front(std::move(active.pending));
                return it;
            }
            giveUp(active.pending, now - active.startedMs);
            return it;
        }
        if (reply.ok) governor_.answered(active.pending.host);
        r.elapsedMs = now - active.startedMs;
        post(r, true);
        return it;
    }

    QString rateLimitedReason(const QString& host) const {
        return u"rate-limited by host " + host + u" (it kept refusing after 3 pauses)";
    }

    void giveUp(const Pending& refusedJob, qint64 elapsed) {
        CheckResult r = Ended(refusedJob, JobEnd::RateLimited, rateLimitedReason(refusedJob.host));
        r.elapsedMs = elapsed;
        post(r, true);
        std::deque<Pending>& queue = queues_[refusedJob.host];
        for (const Pending& p : queue) post(Ended(p, JobEnd::RateLimited, rateLimitedReason(p.host)), false);
        queue.clear();
    }

    CheckEngine* owner_;
    const int concurrency_;
    HostGovernor governor_;
    CURLM* multi_ = nullptr;
    const Clock::time_point epoch_ = Clock::now();

    std::mutex mutex_;
    std::deque<Pending> inbox_;
    int releases_ = 0;
    bool stopRequested_ = false;
    bool quit_ = false;
    qint64 firstOrder_ = 0;
    qint64 lastOrder_ = 0;

    std::map<QString, std::deque<Pending>> queues_;
    std::map<CURL*, Active> active_;
    int held_ = 0;  // transfers under way plus results the owner has not handled yet
    bool stopped_ = false;
    bool startedAny_ = false;
    std::thread thread_;
};

CheckEngine::CheckEngine(const EngineSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), worker_(std::make_unique<Worker>(this, settings)) {}

CheckEngine::~CheckEngine() { worker_.reset(); }

void CheckEngine::setFilingLookup(FilingLookup lookup) { filingLookup_ = std::move(lookup); }

void CheckEngine::submit(const CheckJob& job) {
    ++unanswered_;
    if (job.ask == Ask::Filing) {
        filingQueue_.append(job);
        if (!filingScheduled_) {
            filingScheduled_ = true;
            QTimer::singleShot(0, this, [this] { runFiling(); });
        }
        return;
    }
    worker_->submit(Pending{job, RequestOptionsFor(job.ask), CharsetFor(job.ask), HostOf(job.url), 0}, false);
}

void CheckEngine::submitNext(const CheckJob& job) {
    if (job.ask == Ask::Filing) {
        ++unanswered_;
        filingQueue_.prepend(job);
        if (!filingScheduled_) {
            filingScheduled_ = true;
            QTimer::singleShot(0, this, [this] { runFiling(); });
        }
        return;
    }
    ++unanswered_;
    worker_->submit(Pending{job, RequestOptionsFor(job.ask), CharsetFor(job.ask), HostOf(job.url), 0}, true);
}

void CheckEngine::stop() {
    worker_->stop();
    const QList<CheckJob> queued = std::exchange(filingQueue_, {});
    for (const CheckJob& job : queued) {
        CheckResult r;
        r.key = job.key;
        r.domain = job.domain;
        r.ask = job.ask;
        r.end = JobEnd::Stopped;
        r.reason = QStringLiteral("stopped");
        deliver(r, false);
    }
}

void CheckEngine::started(quint64 key) {
    ++inFlight_;
    emit jobStarted(key);
}

void CheckEngine::deliver(const CheckResult& result, bool wasStarted) {
    if (wasStarted) --inFlight_;
    --unanswered_;
    emit jobFinished(result);
    if (result.ask != Ask::Filing) worker_->release();
    if (unanswered_ == 0) emit idle();
}

// One lookup per turn of the event loop, so the window repaints and its stop works between them.
void CheckEngine::runFiling() {
    filingScheduled_ = false;
    if (filingQueue_.isEmpty()) return;
    const CheckJob job = filingQueue_.takeFirst();
    CheckResult r;
    r.key = job.key;
    r.domain = job.domain;
    r.ask = job.ask;
    r.host = QStringLiteral("database");
    ++inFlight_;
    emit jobStarted(job.key);
    try {
        r.values = filingLookup_ ? filingLookup_(job.domain) : QStringList();
        r.end = JobEnd::Answered;
        r.value = r.values.value(0);
        r.reason = r.values.isEmpty() ? QStringLiteral("no filing record") : QStringLiteral("filing record found");
    } catch (const db::DbError& e) {
        r.end = JobEnd::Failed;
        r.reason = e.description();
    }
    deliver(r, true);
    if (!filingQueue_.isEmpty() && !filingScheduled_) {
        filingScheduled_ = true;
        QTimer::singleShot(0, this, [this] { runFiling(); });
    }
}

}  // namespace ds::checks::engine
