#include "checks/filing_check.h"

#include <QCoreApplication>
#include <QPointer>
#include <vector>

#include "checks/filing_rules.h"
#include "checks/engine/check_engine.h"
#include "checks/install.h"
#include "checks/ledger/window_ledger.h"
#include "checks/verdict.h"
#include "checks/window_run.h"
#include "core/reentry_guard.h"
#include "db/shared_objects.h"
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

// What a run found, for the line it leaves on the status line.
struct FilingTally {
    int filed = 0;
    int notFiled = 0;
    bool stopped = false;
};

// The filing record of one key: number, holder kind, date and site name as the grid shows them, or
// nothing when the key has none. Throws db::DbError.
QStringList LookUp(const QString& key) {
    if (key.isEmpty()) return {};
    db::Recordset& rs = db::DbRs();
    if (rs.state() == db::Recordset::StateOpen) rs.close();
    // A closed connection is replaced by a fresh, unopened one; the statement then fails with its error.
    if (!db::DbConn().isOpen()) db::NewDbObjects();
    db::OpenRecordset(rs, FilingStatement(key));
    QStringList record;
    if (rs.recordCount() > 0) {
        rs.moveFirst();
        // Written like the grid loader writes them, so that a checked row reads the same as a loaded one.
        record << search::CellText(rs.value(QStringLiteral("lback")))
               << search::CellText(rs.value(QStringLiteral("lbackhostkind")))
               << search::DateCellText(rs.value(QStringLiteral("lbacktime")))
               << search::CellText(rs.value(QStringLiteral("lbackname")));
    }
    rs.close();
    return record;
}

// Every row is one job of the engine, which runs the lookups on this thread one per turn of the event
// loop. Returns the database's message when a lookup failed (the run ends there).
QString RunRows(search::Fdomain& form, ui::BusyStrip* strip, FilingTally& tally) {
    const QPointer<ui::GridControl> grid = form.grid1();
    struct Row {
        int row;
        QString cell, key;
    };
    std::vector<Row> rows;
    for (int row = 1; row < grid->rows(); ++row) {
        const QString cell = grid->cellText(row, col::Domain);
        rows.push_back({row, cell, FilingLookupKey(cell).value_or(QString())});
    }
    engine::CheckEngine engine(WindowEngineSettings(form));
    engine.setFilingLookup(LookUp);
    WindowRun run(form, engine, strip);
    QString failure;
    int done = 0;
    const int total = static_cast<int>(rows.size());
    run.showProgress(0, total);
    QObject::connect(&engine, &engine::CheckEngine::jobStarted, &engine, [&](quint64 key) {
        const Row& r = rows[key];
        if (!grid || r.row >= grid->rows() || grid->cellText(r.row, col::Domain) != r.cell) return;
        // The id goes too, so that a later registration check writes nothing back for a visited row.
        for (int c : {col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName, col::Id})
            grid->setCellText(r.row, c, QString());
    });
    QObject::connect(&engine, &engine::CheckEngine::jobFinished, &engine, [&](const engine::CheckResult& result) {
        if (result.end == engine::JobEnd::Stopped) return;
        if (result.end == engine::JobEnd::Failed && failure.isEmpty()) {
            failure = result.reason;
            engine.stop();
            return;
        }
        const Row& r = rows[result.key];
        run.showProgress(++done, total);
        if (!r.key.isEmpty())
            ledger::RecordWindowAnswer(r.cell, QStringLiteral("filing"), QStringLiteral("ok"), result.reason,
                                       QStringLiteral("database"), 0, FilingValues(result.values));
        if (r.key.isEmpty() || !grid || r.row >= grid->rows() || grid->cellText(r.row, col::Domain) != r.cell)
            return;
        if (result.values.isEmpty()) {
            grid->setCellText(r.row, col::FilingNumber, QString::fromUtf16(NotFiledText));
            ++tally.notFiled;
            return;
        }
        const int columns[] = {col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName};
        for (int i = 0; i < 4; ++i) grid->setCellText(r.row, columns[i], result.values.value(i));
        ++tally.filed;
    });
    for (size_t i = 0; i < rows.size(); ++i) engine.submit({i, rows[i].key, engine::Ask::Filing, QString()});
    if (run.wait() == WindowRun::End::Stopped && failure.isEmpty()) tally.stopped = true;
    return failure;
}

QString RunSummary(const FilingTally& tally, bool failed) {
    const QString counts = u"已备案 " + QString::number(tally.filed) + u"，未备案 " + QString::number(tally.notFiled);
    if (failed) return QStringLiteral("备案查询出错中止：") + counts;
    return (tally.stopped ? QStringLiteral("备案查询已停止：") : QStringLiteral("备案查询完成：")) + counts;
}

}  // namespace

void CheckFiling(search::Fdomain& form) {
    // The loop yields once per row; a second click meanwhile would start a run inside this one.
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;

    form.state().StopFlag = false;
    auto* strip = form.findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
    if (strip) strip->showBusy(QString::fromUtf16(FilingBusyText));

    FilingTally tally;
    bool failed = false;
    QPointer<search::Fdomain> alive(&form);
    if (form.grid1()) {
        const QString failure = RunRows(form, strip, tally);
        if (!alive) return;
        if (!failure.isEmpty()) {
            failed = true;
            ui::desktop().message(&form, QString::fromUtf16(FilingFailureText) + failure);
        }
    }

    // As the other row loops do: the loop is over, so a header click may sort again, and a loop that
    // was suspended under this one does not resume over rows it no longer knows.
    form.state().StopFlag = true;
    form.ApplySelection();
    if (strip) strip->finish(RunSummary(tally, failed));
}

void InstallFilingCheck(search::Fdomain& form) {
    form.setAction(QStringLiteral("lbackshow(0)"), [&form] { CheckFiling(form); });
}

}  // namespace ds::checks
