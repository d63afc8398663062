#include "checks/filing_check.h"

#include <QCoreApplication>

#include "checks/filing_rules.h"
#include "checks/install.h"
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

// Looks one key up and writes the first matching record into the row; true when it had one. Throws
// db::DbError.
bool FillRow(ui::GridControl& grid, int row, const QString& key) {
    db::Recordset& rs = db::DbRs();
    if (rs.state() == db::Recordset::StateOpen) rs.close();
    // A closed connection is replaced by a fresh, unopened one; the statement then fails with its error.
    if (!db::DbConn().isOpen()) db::NewDbObjects();
    db::OpenRecordset(rs, FilingStatement(key));
    if (rs.recordCount() > 0) {
        rs.moveFirst();
        grid.setCellText(row, col::FilingNumber, search::CellText(rs.value(QStringLiteral("lback"))));
        grid.setCellText(row, col::HolderKind, search::CellText(rs.value(QStringLiteral("lbackhostkind"))));
        // Written like the grid loader writes it, so that a checked row reads the same as a loaded one.
        grid.setCellText(row, col::FilingDate, search::DateCellText(rs.value(QStringLiteral("lbacktime"))));
        grid.setCellText(row, col::SiteName, search::CellText(rs.value(QStringLiteral("lbackname"))));
    } else {
        grid.setCellText(row, col::FilingNumber, QString::fromUtf16(NotFiledText));
    }
    const bool found = rs.recordCount() > 0;
    rs.close();
    return found;
}

void RunRows(search::Fdomain& form, ui::GridControl& grid, ui::BusyStrip* strip, FilingTally& tally) {
    const int rowCount = grid.rows();
    if (strip) strip->setProgress(0, rowCount - 1);
    for (int row = 1; row < rowCount; ++row) {
        QCoreApplication::processEvents();
        if (form.state().StopFlag) {
            tally.stopped = true;
            break;
        }
        const std::optional<QString> key = FilingLookupKey(grid.cellText(row, col::Domain));
        // The id goes too, so that a later registration check writes nothing back for a visited row.
        for (int c : {col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName, col::Id})
            grid.setCellText(row, c, QString());
        if (key) ++(FillRow(grid, row, *key) ? tally.filed : tally.notFiled);
        if (strip) strip->setProgress(row, rowCount - 1);
    }
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
    if (ui::GridControl* grid = form.grid1()) {
        try {
            RunRows(form, *grid, strip, tally);
        } catch (const db::DbError& e) {
            failed = true;
            ui::desktop().message(&form, QString::fromUtf16(FilingFailureText) + e.description());
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
