#include "checks/metrics_check.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QPointer>
#include <algorithm>

#include "checks/install.h"
#include "checks/metrics_rules.h"
#include "core/clock.h"
#include "core/config.h"
#include "core/reentry_guard.h"
#include "core/remote_settings.h"
#include "net/fetch.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::checks {
namespace {

// Forms with a run in progress. The buttons stay live while a run yields, so a second click arrives
// inside the first run; it is ignored rather than nested.
QSet<const void*>& RunningForms() {
    static QSet<const void*> forms;
    return forms;
}

// One run over the grid. The form may be closed while the run yields; every yield is followed by a
// check that it still exists.
class MetricsRun {
public:
    MetricsRun(search::Fdomain& form, const MetricFetch& fetch) : form_(&form), fetch_(fetch) {}

    void run() {
        auto* busy = form_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
        if (busy) busy->showBusy(QString::fromUtf16(kSiteMetricsBusyText));
        if (!yield()) return;

        form_->state().StopFlag = false;
        proxyIndex_ = 0;
        const int rows = form_->grid1()->rows();
        int total = 0, done = 0;
        bool stopped = false;
        for (int row = 1; row < rows; ++row) total += form_->grid1()->cellText(row, search::col::Domain).contains(u'.');
        if (busy) busy->setProgress(0, total);
        for (int row = 1; row < rows; ++row) {
            if (!yield()) return;
            if (form_->state().StopFlag) {
                stopped = true;
                break;
            }
            const QString cell = form_->grid1()->cellText(row, search::col::Domain);
            if (!cell.contains(u'.')) continue;
            if (!checkRow(row, cell.trimmed())) return;
            if (busy) busy->setProgress(++done, std::max(total, done));
        }

        form_->state().StopFlag = true;
        if (busy) busy->finish(summary(stopped, done));
        form_->ApplySelection();
    }

private:
    // False when the form went away. The rows may be replaced while a fetch yields (a search, a paging
    // click, an import); the row is then left alone, since its answers belong to the domain asked about.
    bool checkRow(int row, const QString& domain) {
        for (const Metric m : kMetricOrder) {
            if (!enabled(m)) continue;
            if (!rowShows(row, domain)) return true;
            if (m == Metric::PageRank && IsInternationalName(domain)) {
                writeValue(row, m, QString::fromUtf16(kInternationalPageRank));
            } else {
                bool alive = true;
                const QString answer = fetchMetric(m, row, domain, alive);
                if (!alive) return false;
                if (!rowShows(row, domain)) return true;
                // Every attempt failed (or the stop came first): the value the row had is still the best
                // known one, and 0 or the no-rank stand-in would pass for a measurement.
                if (AnswerFailed(m, answer))
                    markNotMeasured(row, m);
                else
                    writeValue(row, m, MetricValue(m, answer));
            }
            if (!yield()) return false;
        }
        return true;
    }

    void writeValue(int row, Metric m, const QString& value) {
        ui::GridControl* grid = form_->grid1();
        const int column = MetricColumn(m);
        grid->setCellText(row, column, value);
        if (grid->cellTip(row, column) == QString::fromUtf16(kNotMeasuredTip)) {
            grid->setCellTip(row, column, QString());
            grid->setCellColor(row, column, 0);
        }
    }

    void markNotMeasured(int row, Metric m) {
        ++notMeasured_;
        ui::GridControl* grid = form_->grid1();
        const int column = MetricColumn(m);
        grid->setCellColor(row, column, kNotMeasuredColor);
        grid->setCellTip(row, column, QString::fromUtf16(kNotMeasuredTip));
    }

    QString summary(bool stopped, int rows) const {
        QString line = stopped ? QStringLiteral("收录查询已停止：") : QStringLiteral("收录查询完成：");
        line += u"已查询 " + QString::number(rows) + u" 个域名";
        if (notMeasured_ > 0) line += u"，" + QString::number(notMeasured_) + u" 项未取得";
        return line;
    }

    bool rowShows(int row, const QString& domain) const {
        return form_->grid1()->cellText(row, search::col::Domain).trimmed() == domain;
    }

    // The first attempt alternates between the direct service (odd rows) and the relay in hand (even
    // rows); each failure moves on to the next relay, and past the last one to the direct service.
    QString fetchMetric(Metric m, int row, const QString& domain, bool& alive) {
        QString answer = fetch_(row % 2 == 1 ? directAddress(m, domain) : relayAddress(m, domain));
        if (form_.isNull()) {  // a fetch lets events run too
            alive = false;
            return {};
        }
        int retries = 0;
        while (AnswerFailed(m, answer) && !form_->state().StopFlag) {
            ++proxyIndex_;
            QString address;
            if (proxyIndex_ >= relayCount()) {
                proxyIndex_ = 0;
                address = directAddress(m, domain);
            } else {
                address = relayAddress(m, domain);
            }
            answer = fetch_(address);
            if (!yield()) {
                alive = false;
                return {};
            }
            if (++retries > kMaxRetries) break;
        }
        return answer;
    }

    QString directAddress(Metric m, const QString& domain) {
        QString checksum;
        if (m == Metric::PageRank) {
            const QString llinkurl = remoteSettings().field(QStringLiteral("llinkurl"));
            checksum = ChecksumFromAnswer(fetch_(ChecksumRequest(llinkurl, domain)));
        }
        return DirectRequest(m, domain, now(), checksum, config());
    }

    QString relayAddress(Metric m, const QString& domain) {
        return RelayRequest(m, relayBase(proxyIndex_), domain, now());
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

    bool yield() {
        QCoreApplication::processEvents();
        return !form_.isNull();
    }

    static constexpr int kMaxRetries = 100;  // a metric makes at most 102 requests per row

    QPointer<search::Fdomain> form_;
    const MetricFetch& fetch_;
    int proxyIndex_ = 0;
    int notMeasured_ = 0;
};

}  // namespace

QString FetchMetricAnswer(const QString& url) {
    const QString wrong = QStringLiteral("wrong");
    // A relay base that is empty or lacks its scheme fails like a failed request.
    if (!net::IsWebAddress(url)) return wrong;
    const net::FetchReply reply = net::GetBodydlReply(url, QStringLiteral("gb2312"));
    return IsRefusalStatus(reply.status) ? wrong : reply.body;
}

void CheckSiteMetrics(search::Fdomain& form) { CheckSiteMetrics(form, FetchMetricAnswer); }

void CheckSiteMetrics(search::Fdomain& form, const MetricFetch& fetch) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    MetricsRun(form, fetch).run();
}

void InstallSiteMetricsCheck(search::Fdomain& form) {
    for (int i = 0; i < 3; ++i)
        form.setAction(QStringLiteral("lgetshow(%1)").arg(i), [&form] { CheckSiteMetrics(form); });
}

}  // namespace ds::checks
