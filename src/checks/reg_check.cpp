#include "checks/reg_check.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>

#include "checks/install.h"
#include "checks/reg_classifier.h"
#include "core/clock.h"
#include "core/reentry_guard.h"
#include "core/remote_settings.h"
#include "db/shared_objects.h"
#include "net/fetch.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

namespace ds::checks {
namespace {

namespace col = search::col;

QSet<const void*>& RunningForms() {
    static QSet<const void*> forms;
    return forms;
}

ui::BusyStrip* BusyStripOf(search::Fdomain& form) {
    return form.findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
}

// What a run (both passes) could not save. The corrections matter to everyone who searches the shared
// table afterwards, so a failure is told once the run is over rather than dropped. Beside it, the status
// each asked row ended with (a retried row counts once, with its last answer), for the closing line.
struct WriteBackTally {
    int failed = 0;
    QString lastError;
    QHash<int, QString> outcomes;
    bool stopped = false;
};

QString RunSummary(const WriteBackTally& tally) {
    QHash<QString, int> counts;
    for (const QString& status : tally.outcomes) ++counts[status];
    QString line = tally.stopped ? QStringLiteral("注册查询已停止：") : QStringLiteral("注册查询完成：");
    if (tally.outcomes.isEmpty()) return line + u"没有要查询的未注册域名";
    line += u"已注册 " + QString::number(counts.value(QString::fromUtf16(StatusRegistered))) + u"，未注册 " +
            QString::number(counts.value(QString::fromUtf16(StatusFree))) + u"，超时 " +
            QString::number(counts.value(QString::fromUtf16(StatusTimedOut)));
    if (const int unknown = counts.value(QString::fromUtf16(StatusUndetermined)))
        line += u"，不详 " + QString::number(unknown);
    return line;
}

void SendWriteBack(const QString& statement, WriteBackTally& tally) {
    // Once the database has refused one (locked, read-only, gone), the rest of the run is not sent: each
    // would wait the full lock limit again, and the end of the run tells them all.
    if (tally.failed > 0) {
        ++tally.failed;
        return;
    }
    try {
        db::OpenRecordset(db::DbRs4(), statement);
        if (db::DbRs4().state() == db::Recordset::StateOpen) db::DbRs4().close();
    } catch (const db::DbError& e) {
        ++tally.failed;
        tally.lastError = e.description();
    }
}

// Fetches and classifies one picked row; the row has already been marked "查询中", and its status and
// colour before that are given to put back if the row is abandoned.
void CheckRow(search::Fdomain& form, ui::GridControl& grid, int row, const QString& domain, const QString& table,
              bool writeBack, const QString& previousStatus, uint32_t previousColor, WriteBackTally& tally) {
    const QString url = remoteSettings().field(QStringLiteral("lwhoisurl")) + domain;
    // Without a whois address the domain itself would be fetched, and its own "not found" page read as
    // free; no answer is what it is (the row times out).
    net::FetchReply reply;
    if (net::IsWebAddress(url)) reply = net::GetBodyReply(url, QString::fromUtf16(WhoisCharset));
    const QString page = reply.body.toLower();

    // The window kept handling events during the fetch; a search or an import may have replaced the
    // rows meanwhile, and the answer belongs to the domain that was asked about, not to the new row.
    // A row still marked as being asked about (its domain was typed over) gets its status back, or no
    // pass would ever pick it again.
    if (row >= grid.rows() || grid.cellText(row, col::Domain) != domain) {
        if (row < grid.rows() && grid.cellText(row, col::Status) == QString::fromUtf16(StatusQuerying)) {
            grid.setCellText(row, col::Status, previousStatus);
            grid.setCellColor(row, col::Status, previousColor);
        }
        return;
    }

    const RegOutcome outcome = ClassifyWhoisReply(reply.status, page);
    grid.setCellColor(row, col::Status, outcome == RegOutcome::Free ? search::kMarkColor
                                                                    : grid.cellColor(0, col::Domain));
    grid.setCellText(row, col::Status, StatusText(outcome));
    if (outcome != RegOutcome::Registered || !writeBack || !ShowsRegistrationRecord(page)) return;

    const std::optional<QString> statement =
        WriteBackStatement(table, grid.cellText(row, col::Id), grid.cellText(row, col::Deleted),
                           ds::clock().today(), form.state().loadedTable);
    if (statement) SendWriteBack(*statement, tally);
}

void RunPass(search::Fdomain& form, int pass, const QString& table, bool writeBack, WriteBackTally& tally) {
    ui::GridControl* grid = form.grid1();
    ui::BusyStrip* strip = BusyStripOf(form);
    if (strip)
        strip->showBusy(QString::fromUtf16(RegBusyText));
    else
        QCoreApplication::processEvents();
    form.state().StopFlag = false;

    // Rows added while the pass runs are left for the next run.
    const int rowCount = grid ? grid->rows() : 0;
    int picked = 0, asked = 0;
    for (int row = 1; row < rowCount; ++row)
        picked += IsRowPicked(pass, grid->cellText(row, col::Domain), grid->cellText(row, col::Status));
    if (strip) strip->setProgress(0, picked);
    for (int row = 1; row < rowCount; ++row) {
        QCoreApplication::processEvents();
        if (form.state().StopFlag) {
            tally.stopped = true;
            break;
        }
        const QString domain = grid->cellText(row, col::Domain);
        const QString status = grid->cellText(row, col::Status);
        if (!IsRowPicked(pass, domain, status)) continue;
        const uint32_t color = grid->cellColor(row, col::Status);
        grid->setCellText(row, col::Status, QString::fromUtf16(StatusQuerying));
        QCoreApplication::processEvents();
        CheckRow(form, *grid, row, domain, table, writeBack, status, color, tally);
        if (row < grid->rows() && grid->cellText(row, col::Domain) == domain)
            tally.outcomes.insert(row, grid->cellText(row, col::Status));
        // Rows edited during the pass may have joined it; the count never runs past its total.
        if (strip) strip->setProgress(++asked, std::max(picked, asked));
    }

    form.state().StopFlag = true;
    if (strip) strip->hide();
    form.ApplySelection();
}

}  // namespace

bool IsRegCheckRunning(const search::Fdomain& form) { return RunningForms().contains(&form); }

void CheckRegStatus(search::Fdomain& form, int pass, const QString& table, bool writeBack) {
    WriteBackTally tally;
    RunPass(form, pass, table, writeBack, tally);
    // The retry pass starts afresh, so a stop that ended the first pass does not end the retry.
    if (pass == 0) RunPass(form, 1, table, writeBack, tally);
    if (ui::BusyStrip* strip = BusyStripOf(form)) strip->finish(RunSummary(tally));
    if (tally.failed > 0)
        ui::desktop().message(&form, QString::fromUtf16(WriteBackFailedText).arg(tally.failed) + tally.lastError);
}

void lregshow_Click(search::Fdomain& form, int index) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    switch (index) {
    case 1: CheckRegStatus(form, 0, QStringLiteral("ldomainreg")); break;
    case 2: CheckRegStatus(form, 0, QStringLiteral("ldomainhis")); break;
    // The import tab's button: imported or pasted rows come from no table, so nothing is written back.
    case 0: CheckRegStatus(form, 0, QString(), false); break;
    default: break;
    }
}

void InstallRegistrationCheck(search::Fdomain& form) {
    for (int index = 0; index <= 2; ++index)
        form.setAction(u"lregshow(" + QString::number(index) + u')', [&form, index] { lregshow_Click(form, index); });
}

}  // namespace ds::checks
