#include "lists/import_export.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSet>
#include <optional>
#include <vector>

#include "core/codepage.h"
#include "core/config.h"
#include "core/reentry_guard.h"
#include "core/yield_pacer.h"
#include "core/text.h"
#include "lists/install.h"
#include "lists/list_format.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/control_factory.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/grid_model.h"

namespace ds::lists {
namespace {

namespace col = search::col;

QSet<const void*>& RunningForms() {
    static QSet<const void*> forms;
    return forms;
}

ui::BusyStrip* BusyStripOf(const search::Fdomain& form) {
    return form.findChild<ui::BusyStrip*>(QStringLiteral("floadtxt"));
}

// The busy strip's count moves in steps of this many lines or rows; a finer count only costs redraws.
constexpr int kProgressStep = 1000;

// Notices when another command takes the grid over while the import yields (a search, the paste
// window, the all-extensions list): each first cuts the grid back, or fills it to another length. The
// import must then stop and write nothing more, or its rows would land among the others'.
class GridWatch {
public:
    explicit GridWatch(ui::GridControl* grid) : grid_(grid), generation_(grid->contentGeneration()) {
        removed_ = QObject::connect(grid->model(), &QAbstractItemModel::rowsRemoved, [this] { cut_ = true; });
        expectedRows_ = grid->rows();
    }
    ~GridWatch() { QObject::disconnect(removed_); }
    GridWatch(const GridWatch&) = delete;
    GridWatch& operator=(const GridWatch&) = delete;

    // A search that finds nothing leaves as many rows as an import that has read nothing yet; only the
    // grid's generation tells that another command has filled it.
    bool takenOver() const {
        return cut_ || grid_->rows() != expectedRows_ || grid_->contentGeneration() != generation_;
    }
    void ownRowsAdded() { expectedRows_ = grid_->rows(); }

private:
    ui::GridControl* grid_;
    quint64 generation_;
    QMetaObject::Connection removed_;
    int expectedRows_ = 0;
    bool cut_ = false;
};

// Appends the names read since the last batch, numbered on from `numbered`.
void AppendBatch(ui::GridControl* grid, std::vector<QString>& names, int& numbered) {
    if (names.empty()) return;
    const int first = grid->rows();
    grid->appendRows(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        const int row = first + static_cast<int>(i);
        grid->setCellText(row, col::Number, QString::number(++numbered));
        grid->setCellText(row, col::Domain, names[i]);
    }
    names.clear();
}

// The text of an import file; nothing with an empty reason when a stop press abandoned the read, or
// nothing with the reason the file cannot be had. The file is read in pieces between which the window
// handles its events: a large file on a slow disk or share takes seconds, and a stop press ends it.
std::optional<QString> ReadImportFile(search::Fdomain& form, const QString& path, QString& reason) {
    search::SearchState& state = form.state();
    YieldPacer pacer;
    try {
        const std::optional<QByteArray> bytes = ReadListFile(path, [&] {
            pacer.yield();
            return !state.StopFlag;
        });
        if (!bytes) return std::nullopt;
        return DecodeListFile(*bytes, config().codePage);
    } catch (const ListFileError& e) {
        reason = e.reason;
    } catch (const EncodingError& e) {
        reason = QString::fromStdString(e.what());
    }
    return std::nullopt;
}

void ImportText(search::Fdomain& form, const QString& text) {
    search::SearchState& state = form.state();
    ui::GridControl* grid = form.grid1();
    ui::BusyStrip* strip = BusyStripOf(form);

    state.StopFlag = false;
    grid->setRows(1);
    // Imported names come from no domain table, and the last search's pages would replace them.
    form.GridTakenByList();
    // Watching starts before the first yield, which showing the strip is.
    GridWatch watch(grid);
    if (strip) strip->showBusy(ImportProgressText(0));

    YieldPacer pacer;
    std::vector<QString> pending;
    pending.reserve(ImportBatchRows);
    int numbered = 0;
    int linesRead = 0;
    LineCursor lines(text);
    QStringView line;
    while (lines.next(line)) {
        pacer.yield();
        if (state.StopFlag || watch.takenOver()) break;
        ++linesRead;
        if (std::optional<QString> name = ImportedDomain(line)) pending.push_back(std::move(*name));
        if (static_cast<int>(pending.size()) >= ImportBatchRows) {
            AppendBatch(grid, pending, numbered);
            watch.ownRowsAdded();
        }
        if (strip && linesRead % kProgressStep == 0) strip->setText(ImportProgressText(linesRead));
    }
    // Names read before a stop are kept, as if each had gone into the grid at once; a grid that another
    // command has filled meanwhile is left to it.
    const bool stillOurs = !watch.takenOver();
    if (stillOurs) AppendBatch(grid, pending, numbered);
    grid->endRepaintHold();
    if (strip) strip->hide();
    // Like every long loop: a loop suspended under this one (a check whose rows are gone) must not
    // resume.
    state.StopFlag = true;
    // The rows arrive as the 选择 box says (全选 ticks them), as a loaded page's do; otherwise an export
    // right after an import writes nothing while the box reads 全选.
    if (stillOurs) {
        form.ApplySelection();
        form.ShowListCount(grid->rows() - 1);
    }
}

}  // namespace

QString ExportDoneText(const QString& path, int rows) {
    return u"已导出 " + QString::number(rows) + u" 个域名到" + path + u"，是否现在打开？";
}

QString ImportProgressText(int linesRead) {
    return u"正在导入域名，已读取 " + QString::number(linesRead) + u" 行，请稍候";
}

QString ExportProgressText(int rowsDone) {
    return u"正在导出域名，已处理 " + QString::number(rowsDone) + u" 行，请稍候";
}

bool IsListCommandRunning(const search::Fdomain& form) { return RunningForms().contains(&form); }

void lintxt_Click(search::Fdomain& form) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    const QString path = ui::desktop().openFileName(&form, QString::fromUtf16(ImportDialogTitle),
                                                    QString::fromUtf16(ImportDialogFilter));
    if (path.isEmpty()) return;
    // The file is read whole before the grid is touched: a file that cannot be read leaves the rows the
    // user had, and so does a stop press while it is read.
    form.state().StopFlag = false;
    QString reason;
    const std::optional<QString> text = ReadImportFile(form, path, reason);
    if (!text) {
        form.state().StopFlag = true;
        if (!reason.isEmpty()) ui::desktop().message(&form, QString::fromUtf16(ImportFailedText) + reason);
        return;
    }
    ImportText(form, *text);
}

void laddnewrow_Click(search::Fdomain& form) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    // The box is repaired when the user leaves it; a click straight after typing may come first.
    form.lnewrowset_Change();
    const auto* box = form.findChild<QLineEdit*>(QStringLiteral("lnewrowset"));
    if (!box) return;
    form.grid1()->appendRows(static_cast<int>(LeadingNumber(box->text())));
    form.grid1()->endRepaintHold();
}

void ltxt_Click(search::Fdomain& form) {
    ReentryGuard guard(RunningForms(), &form);
    if (!guard.entered()) return;
    const QString path =
        ui::desktop().saveFileName(&form, QString::fromUtf16(ExportDialogTitle), QString::fromUtf16(ExportDialogFilter),
                                   QString::fromUtf16(ExportSuggestedName));
    if (path.isEmpty()) return;

    const ExportKind kind = ExportKindFromPath(path);
    std::array<bool, ExportGroupCount> ticked{};
    for (int g = 0; g < ExportGroupCount; ++g) {
        const auto* box = form.findChild<QCheckBox*>(ui::ArrayName(QStringLiteral("louttext"), g));
        ticked[g] = box && box->isChecked();
    }
    const std::vector<int> columns = ExportColumns(ticked);
    ui::GridControl* grid = form.grid1();
    ui::BusyStrip* strip = BusyStripOf(form);

    // The chosen rows as they are at the click, before the first yield: a search, a paste or an import
    // run while the file is being built changes the grid, not the file. The snapshot is only the cells
    // the file holds, so it costs a fraction of the formatting below.
    std::vector<QStringList> rows;
    QStringList header;
    for (int c : columns) header << grid->cellText(0, c);
    for (int row = 1; row < grid->rows(); ++row) {
        if (LeadingNumber(grid->cellText(row, col::Selected)) != 1) continue;
        QStringList values;
        values.reserve(static_cast<qsizetype>(columns.size()));
        for (int c : columns) values << grid->cellText(row, c);
        rows.push_back(std::move(values));
    }
    if (rows.empty()) {
        ui::desktop().message(&form, QString::fromUtf16(ExportNothingChosenText));
        return;
    }
    if (strip) strip->showBusy(ExportProgressText(0));  // the first yield

    // The whole file is built first: whether the code page can hold it is only known at the end, and the
    // file is then written in one piece.
    QString text = ExportLine(kind, header) + QStringView(ExportLineEnd);
    YieldPacer pacer;
    for (size_t i = 0; i < rows.size(); ++i) {
        pacer.yield();
        text += ExportLine(kind, rows[i]);
        text += QStringView(ExportLineEnd);
        if (strip && (i + 1) % kProgressStep == 0) strip->setText(ExportProgressText(static_cast<int>(i + 1)));
    }

    std::optional<QString> failure;
    try {
        WriteListFile(path, EncodeListFile(text, config().codePage).bytes);
    } catch (const ListFileError& e) {
        failure = e.reason;
    }
    if (strip) strip->hide();
    // A file that could not be written is told and the window goes on: nothing in it was lost, and the
    // user may pick another place.
    if (failure) {
        ui::desktop().message(&form, QString::fromUtf16(ExportFailedText) + *failure);
        return;
    }
    if (ui::desktop().message(&form, ExportDoneText(path, static_cast<int>(rows.size())),
                              QString::fromUtf16(ExportDoneTitle),
                              ui::MessageButtons::YesNo) == ui::MessageAnswer::Yes)
        ui::desktop().shellOpen(path);
}

void InstallImportExport(search::Fdomain& form) {
    form.setAction(QStringLiteral("lintxt"), [&form] { lintxt_Click(form); });
    form.setAction(QStringLiteral("laddnewrow"), [&form] { laddnewrow_Click(form); });
    form.setAction(QStringLiteral("ltxt"), [&form] { ltxt_Click(form); });
}

}  // namespace ds::lists
