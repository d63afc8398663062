#include "search/page_loader.h"

#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>
#include <iterator>
#include <vector>

#include "core/clock.h"
#include "core/text.h"
#include "core/yield_pacer.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "search/paging.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

namespace ds::search {

namespace {

void SetLabel(QLabel* label, const QString& text) {
    if (label) label->setText(text);
}

void SetEnabled(QPushButton* button, bool enabled) {
    if (button) button->setEnabled(enabled);
}

// The list may have been cut short by a stop, so the page it should show can be missing from it.
void ShowInList(QComboBox* list, const QString& text) {
    if (!list) return;
    const int at = list->findText(text);
    if (at >= 0)
        list->setCurrentIndex(at);
    else if (list->isEditable())
        list->setEditText(text);
}

// Raises StopFlag however the load ends, so no loop keeps running on a half-finished load.
struct RaiseStopOnExit {
    bool& flag;
    ~RaiseStopOnExit() { flag = true; }
};

// Field positions of the columns a grid row is built from, looked up once per page.
struct FieldIndexes {
    int lid, lallname, lextend, lregtime, louttime, ldeltime, lback, lbackhostkind, lbacktime, lbackname,
        lgooglepr, lbaidudomain, lbaidusite, lalexa;
};

int RequireField(const db::Recordset& rs, const char16_t* name) {
    const QString field = QString::fromUtf16(name);
    const int at = rs.fieldIndex(field);
    if (at < 0) (void)rs.value(field);  // throws with the recordset's own description
    return at;
}

FieldIndexes ResolveFields(const db::Recordset& rs) {
    return {RequireField(rs, u"lid"),           RequireField(rs, u"lallname"),
            RequireField(rs, u"lextend"),       RequireField(rs, u"lregtime"),
            RequireField(rs, u"louttime"),      RequireField(rs, u"ldeltime"),
            RequireField(rs, u"lback"),         RequireField(rs, u"lbackhostkind"),
            RequireField(rs, u"lbacktime"),     RequireField(rs, u"lbackname"),
            RequireField(rs, u"lgooglepr"),     RequireField(rs, u"lbaidudomain"),
            RequireField(rs, u"lbaidusite"),    RequireField(rs, u"lalexa")};
}

DomainRecord ReadRecord(const db::Recordset& rs, const FieldIndexes& f) {
    return {rs.value(f.lid),       rs.value(f.lallname),      rs.value(f.lextend),
            rs.value(f.lregtime),  rs.value(f.louttime),      rs.value(f.ldeltime),
            rs.value(f.lback),     rs.value(f.lbackhostkind), rs.value(f.lbacktime),
            rs.value(f.lbackname), rs.value(f.lgooglepr),     rs.value(f.lbaidudomain),
            rs.value(f.lbaidusite), rs.value(f.lalexa)};
}

// One single-value query per extension; a page repeats few extensions, so answers are kept for the
// rest of the page.
QString PriceOf(const QVariant& extension, QHash<QString, QString>& cache) {
    if (!extension.isValid() || extension.isNull()) return {};
    const QString ext = CellText(extension);
    const auto known = cache.constFind(ext);
    if (known != cache.constEnd()) return *known;
    db::SqlText = u"select lprice from ldomainprice where lextend='"_qs + SqlEscape(ext) + u'\'';
    db::GetSqlValue();
    const QString price = db::SqlCount > 0 ? CellText(db::SqlValue) : QString();
    cache.insert(ext, price);
    return price;
}

}  // namespace

QString StatementTable(const QString& sql) {
    static const QRegularExpression from(QStringLiteral(R"(\bfrom\s+(ldomainreg|ldomainhis)\b)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = from.match(sql);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

qint64 StatementRowLimit(const QString& sql) {
    static const QRegularExpression top(QStringLiteral(R"(^\s*select\s+top\s+(\d{1,18})\b)"),
                                        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = top.match(sql);
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

PageLoader::PageLoader(PagingControls controls, SearchState& state, std::function<void()> reapplySelection)
    : c_(controls), state_(state), reapplySelection_(std::move(reapplySelection)) {}

QWidget* PageLoader::dialogParent() const { return c_.grid1 ? c_.grid1->window() : nullptr; }

void PageLoader::OpenPageQuery() {
    const QString sql = c_.lstr ? c_.lstr->text() : QString();
    if (!db::DbConn().isOpen()) db::NewDbObjects();
    ++generation_;
    db::OpenRecordset(db::DbRs2(), sql);
    openedTable_ = StatementTable(sql);
    SetLabel(c_.lshowpage, QStringLiteral("1"));
}

PageLoader::Setup PageLoader::SetupPaging() {
    const quint64 load = generation_;
    db::Recordset& rs = db::DbRs2();
    if (rs.state() != db::Recordset::StateOpen)
        throw db::DbError(QStringLiteral("没有打开的查询结果"));
    state_.StopFlag = false;

    const qint64 total = rs.recordCount();
    const int pageSize = std::max(1, state_.RowsPerPage);
    rs.setPageSize(pageSize);
    const qint64 pages = PageCount(total, pageSize);
    SetLabel(c_.pnumber, QString::number(total));
    SetLabel(c_.plist, QString::number(pageSize));
    SetLabel(c_.ppageall, QString::number(pages));
    const qint64 limit = StatementRowLimit(c_.lstr ? c_.lstr->text() : QString());
    SetLabel(c_.plimit, limit > 0 && total == limit ? QString::fromUtf16(RowLimitReachedText) : QString());

    bool stopped = false;
    if (c_.ppagelist) {
        c_.ppagelist->clear();
        YieldPacer pacer;
        for (qint64 page = 1; page <= pages; ++page) {
            // A search or a paging click handled during the yield has loaded its own result; the counts
            // read above belong to a result set that is gone.
            pacer.yield();
            if (generation_ != load) return Setup::Superseded;
            if (state_.StopFlag) {
                stopped = true;
                break;
            }
            c_.ppagelist->addItem(QString::number(page));
        }
    }

    // The holder says which page is shown, so the buttons step from there: after asking for page 7 of 3,
    // "上一页" goes to page 2.
    const double requested = c_.lshowpage ? LeadingNumber(c_.lshowpage->text()) : 0;
    const qint64 current = ClampPage(requested, pages);
    const QString currentText = QString::number(current);
    ShowInList(c_.ppagelist, currentText);
    SetLabel(c_.lshowpage, currentText);
    shownPage_ = current;

    if (total > 0) {
        if (c_.Fpage) c_.Fpage->show();
        for (QPushButton* b : {c_.pfirst, c_.plast, c_.pnext, c_.pbefore}) SetEnabled(b, true);
        if (current == 1) {
            SetEnabled(c_.pfirst, false);
            SetEnabled(c_.pbefore, false);
        }
        if (current == pages) {
            SetEnabled(c_.plast, false);
            SetEnabled(c_.pnext, false);
        }
        const double listedSize = c_.plist ? LeadingNumber(c_.plist->text()) : pageSize;
        rs.setPageSize(listedSize >= 1 ? static_cast<int>(listedSize) : pageSize);
        rs.setAbsolutePage(current);
    } else if (c_.Fpage) {
        c_.Fpage->hide();
    }
    state_.StopFlag = true;
    return stopped ? Setup::Stopped : Setup::Ready;
}

void PageLoader::LoadGridPage() {
    RaiseStopOnExit raise{state_.StopFlag};
    ++generation_;
    const Setup setup = SetupPaging();
    if (setup == Setup::Superseded) return;
    state_.StopFlag = false;
    if (c_.grid1) c_.grid1->setRows(1);
    state_.loadedTable = openedTable_;

    db::Recordset& rs = db::DbRs2();
    if (setup == Setup::Stopped) {
        endLoad();
        return;
    }
    if (rs.recordCount() == 0) {
        // The strip would stand over the message box and still say the search is running.
        if (c_.floadtxt) c_.floadtxt->hide();
        ui::desktop().message(dialogParent(), QString::fromUtf16(NoResultText));
    } else {
        const int pageSize = rs.pageSize();
        const qint64 before = (shownPage_ - 1) * pageSize;
        if (!fillPage(pageSize, before + 1, std::min<qint64>(pageSize, rs.recordCount() - before))) return;
    }
    endLoad();
}

void PageLoader::endLoad() {
    if (c_.grid1) c_.grid1->endRepaintHold();
    state_.StopFlag = true;
    if (c_.floadtxt) c_.floadtxt->hide();
    if (reapplySelection_) reapplySelection_();
}

bool PageLoader::fillPage(int pageSize, qint64 firstNumber, qint64 rowsOnPage) {
    const quint64 load = generation_;
    db::Recordset& rs = db::DbRs2();
    if (rs.eof() || !c_.grid1) return true;
    const FieldIndexes fields = ResolveFields(rs);
    const QDate today = ds::clock().today();
    QHash<QString, QString> prices;
    if (c_.floadtxt) c_.floadtxt->setProgress(0, rowsOnPage);

    YieldPacer pacer;
    for (int r = 1; !rs.eof() && !state_.StopFlag && r <= pageSize; ++r) {
        // A load that ran during the yield has replaced the rows and moved the cursor: it owns the grid.
        pacer.yield();
        if (generation_ != load) return false;
        if (state_.StopFlag || rs.eof()) break;
        const DomainRecord record = ReadRecord(rs, fields);
        DomainRow row = BuildDomainRow(record, static_cast<int>(firstNumber + r - 1), today,
                                       PriceOf(record.lextend, prices));
        c_.grid1->appendRow(std::vector<QString>(std::make_move_iterator(row.cells.begin()),
                                                 std::make_move_iterator(row.cells.end())),
                            std::vector<uint32_t>(row.colors.begin(), row.colors.end()));
        if (c_.floadtxt) c_.floadtxt->setProgress(r, rowsOnPage);
        rs.moveNext();
    }
    return true;
}

namespace {

// The rows a paging press replaces. The grid is emptied before the new page is read, and a page that
// fails on the way (the database file locked by another program) would leave it empty: the rows are
// put back instead, with the page number they belong to.
struct ShownRows {
    std::vector<std::vector<QString>> cells, tips;
    std::vector<std::vector<uint32_t>> colors;
};

ShownRows CopyRows(const ui::GridControl& grid) {
    ShownRows rows;
    for (int r = 1; r < grid.rows(); ++r) {
        std::vector<QString> cells, tips;
        std::vector<uint32_t> colors;
        for (int c = 0; c < grid.cols(); ++c) {
            cells.push_back(grid.cellText(r, c));
            tips.push_back(grid.cellTip(r, c));
            colors.push_back(grid.cellColor(r, c));
        }
        rows.cells.push_back(std::move(cells));
        rows.tips.push_back(std::move(tips));
        rows.colors.push_back(std::move(colors));
    }
    return rows;
}

void PutBack(ui::GridControl& grid, const ShownRows& rows) {
    grid.setRows(1);
    for (size_t i = 0; i < rows.cells.size(); ++i) {
        grid.appendRow(rows.cells[i], rows.colors[i]);
        for (size_t c = 0; c < rows.tips[i].size(); ++c)
            if (!rows.tips[i][c].isEmpty()) grid.setCellTip(grid.rows() - 1, static_cast<int>(c), rows.tips[i][c]);
    }
    grid.endRepaintHold();
}

}  // namespace

void PageLoader::requestPage(const QString& pageText) {
    const ShownRows before = c_.grid1 ? CopyRows(*c_.grid1) : ShownRows{};
    const qint64 pageBefore = shownPage_;
    const QString tableBefore = state_.loadedTable;
    SetLabel(c_.lshowpage, pageText);
    if (c_.floadtxt) c_.floadtxt->showBusy(QString::fromUtf16(PagingBusyText));
    const quint64 load = generation_ + 1;  // the one LoadGridPage begins
    try {
        LoadGridPage();
    } catch (const db::DbError& e) {
        // Unless another load took the grid over meanwhile.
        if (generation_ == load) {
            if (c_.grid1) PutBack(*c_.grid1, before);
            state_.loadedTable = tableBefore;
            shownPage_ = pageBefore;
            const QString page = QString::number(pageBefore);
            SetLabel(c_.lshowpage, page);
            ShowInList(c_.ppagelist, page);
            const qint64 pages = c_.ppageall ? static_cast<qint64>(LeadingNumber(c_.ppageall->text())) : 1;
            SetEnabled(c_.pfirst, pageBefore > 1);
            SetEnabled(c_.pbefore, pageBefore > 1);
            SetEnabled(c_.pnext, pageBefore < pages);
            SetEnabled(c_.plast, pageBefore < pages);
        }
        if (c_.floadtxt) c_.floadtxt->hide();
        ui::desktop().message(dialogParent(), QString::fromUtf16(PagingFailureText) + e.description());
    }
}

namespace {
double RequestedPage(const QLabel* lshowpage) { return lshowpage ? LeadingNumber(lshowpage->text()) : 0; }

// The request as lshowpage keeps it. Past 15 digits a number is written with an exponent, which
// reads back as its leading digit ("1e+20" is page 1); no result has that many pages anyway.
QString RequestText(double page) {
    constexpr double kLargest = 999999999999999.0;
    return ShortestNumber(std::clamp(page, -kLargest, kLargest));
}
}  // namespace

void PageLoader::pfirst_Click() { requestPage(RequestText(FirstPageRequest())); }

void PageLoader::pbefore_Click() { requestPage(RequestText(PreviousPageRequest(RequestedPage(c_.lshowpage)))); }

void PageLoader::pnext_Click() { requestPage(RequestText(NextPageRequest(RequestedPage(c_.lshowpage)))); }

void PageLoader::plast_Click() { requestPage(c_.ppageall ? c_.ppageall->text() : QString()); }

void PageLoader::pgo_Click() { requestPage(RequestText(c_.ppagelist ? LeadingNumber(c_.ppagelist->currentText()) : 0)); }

}  // namespace ds::search
