#include "checks/reg_check.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QSpinBox>
#include <QHash>
#include <QPointer>
#include <QRadioButton>
#include <vector>
#include <algorithm>

#include "checks/engine/check_engine.h"
#include "checks/ledger/window_ledger.h"
#include "checks/install.h"
#include "checks/window_run.h"
#include "checks/reg_classifier.h"
#include "checks/registry/registry_route.h"
#include "checks/verdict.h"
#include "core/clock.h"
#include "core/config.h"
#include "core/reentry_guard.h"
#include "core/remote_settings.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/busy_strip.h"
#include "ui/control_factory.h"
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

// A row a pass asks about, as it was when the pass began; `marked` once its job went out and the row
// was shown as being asked about, with what it showed before.
struct PickedRow {
    int row = 0;
    QString domain;
    quint64 generation = 0;  // the grid's contents when the pass picked the row
    bool marked = false;
    QString previousStatus = {};
    uint32_t previousColor = 0;
};

bool RowShows(ui::GridControl& grid, const PickedRow& p) {
    return grid.contentGeneration() == p.generation && p.row < grid.rows() &&
           grid.cellText(p.row, col::Domain) == p.domain;
}

// Writes one answer into its row. The window kept handling events while the job ran; a search or an
// import may have replaced the rows meanwhile, and the answer belongs to the domain that was asked
// about, not to the new row. A row still marked as being asked about (its domain was typed over, or
// the run was stopped) gets its status back, or no pass would ever pick it again.
void ApplyResult(search::Fdomain& form, ui::GridControl& grid, const PickedRow& p, const engine::CheckResult& r,
                 const QString& table, bool writeBack, WriteBackTally& tally) {
    if (!RowShows(grid, p) || r.end == engine::JobEnd::Stopped) {
        if (p.marked && grid.contentGeneration() == p.generation && p.row < grid.rows() &&
            grid.cellText(p.row, col::Status) == QString::fromUtf16(StatusQuerying)) {
            grid.setCellText(p.row, col::Status, p.previousStatus);
            grid.setCellColor(p.row, col::Status, p.previousColor);
        }
        return;
    }
    const RegOutcome outcome = r.regOutcome;
    grid.setCellColor(p.row, col::Status, outcome == RegOutcome::Free ? search::kMarkColor
                                          : IsDropping(r)            ? kDroppingColor
                                                                     : grid.cellColor(0, col::Domain));
    grid.setCellText(p.row, col::Status, StatusText(outcome));
    grid.setCellTip(p.row, col::Status, RegistrationTip(r, ds::clock().now()));
    tally.outcomes.insert(p.row, grid.cellText(p.row, col::Status));
    if (outcome != RegOutcome::Registered || !writeBack || !r.registrationRecord) return;

    const std::optional<QString> statement =
        WriteBackStatement(table, grid.cellText(p.row, col::Id), grid.cellText(p.row, col::Deleted),
                           ds::clock().today(), form.state().loadedTable);
    if (statement) SendWriteBack(*statement, tally);
}

// The hours of 跳过 N 小时内查过的域名, or 0 when the option is off.
double SkipFreshHours(const search::Fdomain& form) {
    const auto* on = form.findChild<const QCheckBox*>(QStringLiteral("lskipfresh"));
    const auto* hours = form.findChild<const QSpinBox*>(QStringLiteral("lskiphours"));
    return on && hours && on->isChecked() ? hours->value() : 0;
}

// 查询来源: true when the registries are asked rather than the operator's whois page.
bool AsksRegistries(const search::Fdomain& form) {
    const auto* registry = form.findChild<const QRadioButton*>(QStringLiteral("lregsource(1)"));
    return registry ? registry->isChecked() : config().registrationSource == u"registry";
}

// One pass over the rows it picks: every picked row becomes one job, sent as the engine's limits allow.
// `directory` is the registry route's, or null when the operator's whois page is asked.
void RunPass(search::Fdomain& form, int pass, const QString& table, bool writeBack, WriteBackTally& tally,
             const registry::RegistryDirectory* directory) {
    // Answers of a stopped run may still arrive while the window is being closed.
    const QPointer<ui::GridControl> grid = form.grid1();
    ui::BusyStrip* strip = BusyStripOf(form);
    if (strip)
        strip->showBusy(QString::fromUtf16(RegBusyText));
    else
        QCoreApplication::processEvents();
    form.state().StopFlag = false;

    // Rows added while the pass runs are left for the next run. The import tab's rows come with no
    // status at all; there the first pass takes them too, or the check would never ask about a list.
    const bool emptyToo = !writeBack && pass == 0;
    std::vector<PickedRow> picked;
    for (int row = 1; grid && row < grid->rows(); ++row) {
        const QString domain = grid->cellText(row, col::Domain);
        if (IsRowPicked(pass, domain, grid->cellText(row, col::Status), emptyToo))
            picked.push_back({row, domain, grid->contentGeneration()});
    }

    engine::CheckEngine engine(WindowEngineSettings(form));
    WindowRun run(form, engine, strip);
    int answered = 0;
    const int total = static_cast<int>(picked.size());
    run.showProgress(0, total);
    const QString whoisBase = remoteSettings().field(QStringLiteral("lwhoisurl"));
    QObject::connect(&engine, &engine::CheckEngine::jobStarted, &engine, [&](quint64 key) {
        PickedRow& p = picked[key];
        if (!grid || !RowShows(*grid, p)) return;
        p.marked = true;
        p.previousStatus = grid->cellText(p.row, col::Status);
        p.previousColor = grid->cellColor(p.row, col::Status);
        grid->setCellText(p.row, col::Status, QString::fromUtf16(StatusQuerying));
        run.showProgress(answered, total);
    });
    QObject::connect(&engine, &engine::CheckEngine::jobFinished, &engine, [&](const engine::CheckResult& r) {
        // Every live answer is kept, also one for a row that a search has replaced meanwhile.
        ledger::RecordWindowRegistration(r);
        if (!grid) return;
        ApplyResult(form, *grid, picked[r.key], r, table, writeBack, tally);
        if (r.end != engine::JobEnd::Stopped) ++answered;
        run.showProgress(answered, total);
    });
    // 跳过 N 小时内查过的域名: a name the ledger has a recent, clear answer for is answered from it.
    const QHash<QString, ledger::Answer> fresh = ledger::FreshRegistrations(SkipFreshHours(form));
    for (size_t i = 0; i < picked.size(); ++i) {
        const auto known = fresh.constFind(ledger::LedgerKey(picked[i].domain));
        if (known != fresh.constEnd()) {
            // A kept answer is no live evidence: it shows, but it corrects nothing in the shared table.
            if (grid) ApplyResult(form, *grid, picked[i], ledger::AsRegistrationResult(*known), table, false, tally);
            run.showProgress(++answered, total);
        } else if (!directory) {
            engine.submit({i, picked[i].domain, engine::Ask::Whois, whoisBase + picked[i].domain});
        } else if (const registry::RegistryTarget target = registry::RouteFor(*directory, picked[i].domain);
                   target.kind == registry::RegistryTarget::Rdap || target.kind == registry::RegistryTarget::Whois) {
            engine.submit(registry::JobFor(i, picked[i].domain, target));
        } else {
            const engine::CheckResult r = registry::ResultWithoutRequest(i, picked[i].domain, target);
            ledger::RecordWindowRegistration(r);
            if (grid) ApplyResult(form, *grid, picked[i], r, table, writeBack, tally);
            run.showProgress(++answered, total);
        }
    }

    const WindowRun::End end = run.wait();
    if (end == WindowRun::End::WindowGone) {
        tally.stopped = true;
        return;
    }
    if (end == WindowRun::End::Stopped) tally.stopped = true;
    form.state().StopFlag = true;
    if (strip) strip->hide();
    form.ApplySelection();
}

}  // namespace

bool IsRegCheckRunning(const search::Fdomain& form) { return RunningForms().contains(&form); }

void CheckRegStatus(search::Fdomain& form, int pass, const QString& table, bool writeBack) {
    WriteBackTally tally;
    QPointer<search::Fdomain> alive(&form);
    std::optional<registry::RegistryDirectory> directory;
    if (AsksRegistries(form)) directory = registry::RegistryDirectoryForRun(config());
    const registry::RegistryDirectory* route = directory ? &*directory : nullptr;
    RunPass(form, pass, table, writeBack, tally, route);
    if (!alive) return;
    // A stop ends the whole run: the retry pass would ask again about the very rows the stop cut.
    if (pass == 0 && !tally.stopped) RunPass(form, 1, table, writeBack, tally, route);
    if (!alive) return;
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

namespace {

// 跳过 [24] 小时内查过的域名, under the lists tab's 并发查询数 box: off unless ticked.
void InstallSkipFreshOption(search::Fdomain& form) {
    auto* concurrency = form.findChild<QSpinBox*>(QStringLiteral("lconcurrency(0)"));
    QWidget* holder = concurrency ? concurrency->parentWidget() : nullptr;
    QWidget* group = holder ? holder->parentWidget() : nullptr;
    auto* column = group ? qobject_cast<QBoxLayout*>(group->layout()) : nullptr;
    if (!column || form.findChild<QCheckBox*>(QStringLiteral("lskipfresh"))) return;
    auto* row = new QWidget(group);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    auto* on = new QCheckBox(QStringLiteral("跳过"), row);
    on->setObjectName(QStringLiteral("lskipfresh"));
    auto* hours = new QSpinBox(row);
    hours->setObjectName(QStringLiteral("lskiphours"));
    hours->setRange(1, 720);
    hours->setValue(24);
    hours->setSuffix(QStringLiteral(" 小时内查过的域名"));
    on->setToolTip(QStringLiteral("注册查询时，台账中在这段时间内已有明确结果（未注册或已注册）的域名不再查询"));
    h->addWidget(on);
    h->addWidget(hours);
    h->addStretch(1);
    column->insertWidget(column->indexOf(holder) + 1, row);
}

// 注册查询来源, a column of its own beside 查询内容 (the tab has room across, not down): the operator's
// whois page, or the registries themselves (RDAP, else port-43 whois).
void InstallSourceChoice(search::Fdomain& form) {
    auto* concurrency = form.findChild<QSpinBox*>(QStringLiteral("lconcurrency(0)"));
    QWidget* holder = concurrency ? concurrency->parentWidget() : nullptr;
    QWidget* group = holder ? holder->parentWidget() : nullptr;
    QWidget* page = group ? group->parentWidget() : nullptr;
    auto* row = page ? qobject_cast<QBoxLayout*>(page->layout()) : nullptr;
    if (!row || form.findChild<QRadioButton*>(QStringLiteral("lregsource(0)"))) return;
    QGroupBox* box = ui::MakeGroup(page, QStringLiteral("注册查询来源"));
    auto* v = new QVBoxLayout(box);
    auto* operatorPage = new QRadioButton(QStringLiteral("运营方页面"), box);
    operatorPage->setObjectName(QStringLiteral("lregsource(0)"));
    operatorPage->setToolTip(QStringLiteral("向运营方设置的 whois 页面查询，按页面文字判断"));
    auto* registries = new QRadioButton(QStringLiteral("注册局"), box);
    registries->setObjectName(QStringLiteral("lregsource(1)"));
    registries->setToolTip(QStringLiteral("向域名注册局查询（RDAP；没有 RDAP 的后缀用 whois 43 端口），"
                                          "可区分赎回期、待删除和保留域名"));
    (config().registrationSource == u"registry" ? registries : operatorPage)->setChecked(true);
    v->addWidget(operatorPage);
    v->addWidget(registries);
    v->addStretch(1);
    row->insertWidget(row->indexOf(group) + 1, box);

    // The search tabs' buttons have no room for the choice; their tooltips say which one is in force.
    const auto tellButtons = [&form, registries] {
        const QString tip = registries->isChecked()
                                ? QStringLiteral("查询来源：注册局（RDAP / whois 43 端口），在“批量导入、导出域名”页更改")
                                : QStringLiteral("查询来源：运营方页面，在“批量导入、导出域名”页更改");
        for (const QString& name : {QStringLiteral("lregshow(1)"), QStringLiteral("lregshow(2)")})
            if (auto* button = form.findChild<QWidget*>(name)) button->setToolTip(tip);
    };
    QObject::connect(registries, &QRadioButton::toggled, registries, tellButtons);
    tellButtons();
}

}  // namespace

void InstallRegistrationCheck(search::Fdomain& form) {
    InstallSkipFreshOption(form);
    InstallSourceChoice(form);
    for (int index = 0; index <= 2; ++index)
        form.setAction(u"lregshow(" + QString::number(index) + u')', [&form, index] { lregshow_Click(form, index); });
}

}  // namespace ds::checks
