#include "checks/metrics_check.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QListWidget>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "checks/engine/check_engine.h"
#include "checks/install.h"
#include "checks/ledger/window_ledger.h"
#include "checks/metrics_rules.h"
#include "checks/window_run.h"
#include "core/clock.h"
#include "core/config.h"
#include "core/reentry_guard.h"
#include "core/remote_settings.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::checks {
namespace {

// Forms with a run in progress. The buttons stay live while a run waits, so a second click arrives
// inside the first run; it is ignored rather than nested.
QSet<const void*>& RunningForms() {
    static QSet<const void*> forms;
    return forms;
}

engine::Ask AskOf(Metric m) {
    switch (m) {
    case Metric::BaiduSite: return engine::Ask::BaiduSite;
    case Metric::BaiduDomain: return engine::Ask::BaiduDomain;
    case Metric::Alexa: return engine::Ask::Alexa;
    case Metric::PageRank: return engine::Ask::PageRank;
    }
    return engine::Ask::BaiduSite;
}

// One metric of one row: its requests go out one after another (a failure moves on to the next relay),
// while other metrics and rows run beside it as far as the engine's concurrency allows. At concurrency
// 1 that is exactly the old order: row by row, metric by metric, retry by retry.
struct Item {
    int row = 0;
    QString domain;
    quint64 generation = 0;  // the grid's contents when the run picked the row
    Metric metric = Metric::BaiduSite;
    int retries = 0;
    bool firstAnswered = false;
};

class MetricsRun {
public:
    MetricsRun(search::Fdomain& form, const MetricRequestWatch& watch)
        : form_(&form), grid_(form.grid1()), watch_(watch) {}

    void run() {
        auto* busy = form_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
        if (busy) busy->showBusy(QString::fromUtf16(kSiteMetricsBusyText));
        QCoreApplication::processEvents();
        if (form_.isNull() || grid_.isNull()) return;

        form_->state().StopFlag = false;
        pickItems();
        engine::CheckEngine engine(WindowEngineSettings(*form_));
        engine_ = &engine;
        WindowRun run(*form_, engine, busy);
        run_ = &run;
        QObject::connect(&engine, &engine::CheckEngine::jobStarted, &engine, [this](quint64) { showProgress(); });
        QObject::connect(&engine, &engine::CheckEngine::jobFinished, &engine,
                         [this](const engine::CheckResult& r) { answered(r); });
        showProgress();
        fill();
        const WindowRun::End end = run.wait();
        if (end == WindowRun::End::WindowGone || form_.isNull()) return;

        form_->state().StopFlag = true;
        if (busy) busy->finish(summary(end == WindowRun::End::Stopped));
        form_->ApplySelection();
    }

private:
    // The rows with a name in them, and for each the metrics switched on, in the order they are asked.
    // Rows added while the run goes on are left for the next run.
    void pickItems() {
        const int rows = grid_->rows();
        for (int row = 1; row < rows; ++row) {
            const QString cell = grid_->cellText(row, search::col::Domain);
            if (!cell.contains(u'.')) continue;
            ++rowsTotal_;
            int count = 0;
            for (const Metric m : kMetricOrder) {
                if (!enabled(m)) continue;
                items_.push_back({row, cell.trimmed(), grid_->contentGeneration(), m});
                ++count;
            }
            itemsLeft_.push_back(count);
            rowAnswers_.emplace_back();
            if (count == 0) ++rowsDone_;
            for (int i = 0; i < count; ++i) rowSlot_.push_back(static_cast<int>(itemsLeft_.size()) - 1);
        }
    }

    // Starts items while there is room; items that need no request finish at once.
    void fill() {
        while (!form_.isNull() && !form_->state().StopFlag && active_ < engine_->settings().concurrency &&
               next_ < items_.size())
            start(next_++);
    }

    void start(size_t index) {
        Item& item = items_[index];
        // The row was given another domain (a search or an import replaced the rows): its answers
        // belong to the domain asked about, so the row's remaining metrics are not asked.
        if (!rowShows(item)) return finishItem(index);
        if (item.metric == Metric::PageRank && IsInternationalName(item.domain)) {
            writeValue(item, QString::fromUtf16(kInternationalPageRank), QStringLiteral("international name, no PageRank"));
            note(item, QString::fromUtf16(kInternationalPageRank), {}, 0);
            return finishItem(index);
        }
        ++active_;
        if (item.row % 2 == 1)
            askDirect(index);
        else
            ask(index, RelayRequest(item.metric, relayBase(proxyIndex_), item.domain, now()));
    }

    void ask(size_t index, const QString& url) {
        const Item& item = items_[index];
        if (watch_) watch_(url);
        engine_->submitNext({index, item.domain, AskOf(item.metric), url});
    }

    // The service itself; PageRank's request carries a checksum asked for first.
    void askDirect(size_t index) {
        const Item& item = items_[index];
        if (item.metric != Metric::PageRank) {
            ask(index, DirectRequest(item.metric, item.domain, now(), QString(), config()));
            return;
        }
        const QString url = ChecksumRequest(remoteSettings().field(QStringLiteral("llinkurl")), item.domain);
        if (watch_) watch_(url);
        engine_->submitNext({index, item.domain, engine::Ask::PageRankChecksum, url});
    }

    void answered(const engine::CheckResult& r) {
        if (form_.isNull() || grid_.isNull()) return;
        const size_t index = r.key;
        Item& item = items_[index];
        if (r.ask == engine::Ask::PageRankChecksum && r.end != engine::JobEnd::Stopped) {
            ask(index, DirectRequest(Metric::PageRank, item.domain, now(), r.value, config()));
            return;
        }
        if (item.firstAnswered) ++item.retries;
        item.firstAnswered = true;
        const bool stopped = r.end == engine::JobEnd::Stopped || form_->state().StopFlag;
        if (!rowShows(item)) return endActive(index);
        if (r.answered()) {
            writeValue(item, r.value, r.reason);
            note(item, r.value, r.reason, r.httpStatus);
            return endActive(index);
        }
        // Every attempt failed (or the stop came first): the value the row had is still the best known
        // one, and 0 or the no-rank stand-in would pass for a measurement.
        if (stopped || item.retries > kMaxRetries) {
            const QString why = !stopped                          ? r.reason
                                : r.end == engine::JobEnd::Stopped ? QStringLiteral("stopped")
                                                                   : u"stopped after: " + r.reason;
            markNotMeasured(item, why);
            note(item, QString(), why, r.httpStatus);
            return endActive(index);
        }
        ++proxyIndex_;
        if (proxyIndex_ >= relayCount()) {
            proxyIndex_ = 0;
            askDirect(index);
        } else {
            ask(index, RelayRequest(item.metric, relayBase(proxyIndex_), item.domain, now()));
        }
    }

    void endActive(size_t index) {
        --active_;
        finishItem(index);
        fill();
    }

    void finishItem(size_t index) {
        const int slot = rowSlot_[index];
        if (--itemsLeft_[slot] == 0) {
            ++rowsDone_;
            keepRow(items_[index].domain, rowAnswers_[slot]);
        }
        showProgress();
    }

    // What one row's metrics came to, kept in the ledger as dropscout-cli keeps its answers.
    struct RowAnswer {
        QJsonObject values;
        QStringList reasons;
        bool unknown = false, stopped = false;
        int httpStatus = 0;
    };
    void note(const Item& item, const QString& value, const QString& reason, int httpStatus) {
        RowAnswer& a = rowAnswers_[rowSlot_[size_t(&item - items_.data())]];
        const QString key = MetricKey(item.metric);
        if (value.isNull()) {
            a.values.insert(key, QJsonValue::Null);
            a.unknown = true;
            a.reasons << key + u": " + reason;
            a.stopped = a.stopped || reason.startsWith(u"stopped");
        } else {
            a.values.insert(key, value);
        }
        if (httpStatus > 0) a.httpStatus = httpStatus;
    }
    static void keepRow(const QString& domain, const RowAnswer& a) {
        // A stopped row is no answer, and a row replaced before it was asked has none.
        if (a.stopped || a.values.isEmpty()) return;
        ledger::RecordWindowAnswer(domain, QStringLiteral("metrics"), a.unknown ? QStringLiteral("unknown") : QStringLiteral("ok"),
                                   a.reasons.isEmpty() ? QStringLiteral("measured") : a.reasons.join(QStringLiteral("; ")),
                                   QStringLiteral("services"), a.httpStatus, a.values);
    }

    void showProgress() {
        if (run_) run_->showProgress(rowsDone_, std::max(rowsTotal_, rowsDone_));
    }

    // Each cell a check writes says why and when in its tooltip.
    static QString stamped(const QString& reason) {
        return reason + u" · " + clock().now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }

    void writeValue(const Item& item, const QString& value, const QString& reason) {
        const int column = MetricColumn(item.metric);
        grid_->setCellText(item.row, column, value);
        if (grid_->cellTip(item.row, column).startsWith(QString::fromUtf16(kNotMeasuredTip)))
            grid_->setCellColor(item.row, column, 0);
        grid_->setCellTip(item.row, column, stamped(reason));
    }

    void markNotMeasured(const Item& item, const QString& reason) {
        ++notMeasured_;
        const int column = MetricColumn(item.metric);
        grid_->setCellColor(item.row, column, kNotMeasuredColor);
        grid_->setCellTip(item.row, column, QString::fromUtf16(kNotMeasuredTip) + u'\n' + stamped(reason));
    }

    QString summary(bool stopped) const {
        QString line = stopped ? QStringLiteral("收录查询已停止：") : QStringLiteral("收录查询完成：");
        line += u"已查询 " + QString::number(rowsDone_) + u" 个域名";
        if (notMeasured_ > 0) line += u"，" + QString::number(notMeasured_) + u" 项未取得";
        return line;
    }

    bool rowShows(const Item& item) const {
        return grid_->contentGeneration() == item.generation && item.row < grid_->rows() &&
               grid_->cellText(item.row, search::col::Domain).trimmed() == item.domain;
    }

    static QString now() { return NowText(clock().now()); }

    bool enabled(Metric m) const {
        const QString name = QStringLiteral("lrankset(%1)").arg(MetricSwitchIndex(m));
        const auto* box = form_->findChild<ui::MarkupCheck*>(name);
        return box && box->value() == 1;
    }

    QListWidget* relays() const { return form_->findChild<QListWidget*>(QStringLiteral("lweblist")); }
    int relayCount() const {
        const QListWidget* list = relays();
        return list ? list->count() : 0;
    }
    // A list without that entry reads as an empty base, like an empty setting.
    QString relayBase(int index) const {
        const QListWidget* list = relays();
        const QListWidgetItem* item = list ? list->item(index) : nullptr;
        return item ? item->text() : QString();
    }

    static constexpr int kMaxRetries = 100;  // a metric makes at most 102 requests per row

    QPointer<search::Fdomain> form_;
    QPointer<ui::GridControl> grid_;
    const MetricRequestWatch& watch_;
    engine::CheckEngine* engine_ = nullptr;
    WindowRun* run_ = nullptr;
    std::vector<Item> items_;
    std::vector<int> rowSlot_;    // per item: its row's place in itemsLeft_
    std::vector<int> itemsLeft_;  // per picked row: metrics not finished yet
    std::vector<RowAnswer> rowAnswers_;  // per picked row: what its metrics came to
    size_t next_ = 0;
    int active_ = 0;
    int rowsTotal_ = 0, rowsDone_ = 0;
    int proxyIndex_ = 0;
    int notMeasured_ = 0;
};

}  // namespace

void CheckSiteMetrics(search::Fdomain& form) { CheckSiteMetrics(form, {}); }

void CheckSiteMetrics(search::Fdomain& form, const MetricRequestWatch& watch) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    MetricsRun(form, watch).run();
}

void InstallSiteMetricsCheck(search::Fdomain& form) {
    for (int i = 0; i < 3; ++i)
        form.setAction(QStringLiteral("lgetshow(%1)").arg(i), [&form] { CheckSiteMetrics(form); });
}

}  // namespace ds::checks
