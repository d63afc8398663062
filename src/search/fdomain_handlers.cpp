// Commands of the main window: the two searches, the stop buttons, the extension boxes, the value
// repairs of the edit boxes, the all-extensions list and the statistics button.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <exception>
#include <utility>

#include "core/stop_signal.h"
#include "core/yield_pacer.h"
#include "db/shared_objects.h"
#include "search/fdomain.h"
#include "search/fdomain_rules.h"
#include "search/statements/option_readers.h"
#include "search/statements/search_statements.h"
#include "search/statements/statistics_runner.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::search {
namespace {

// Refused before anything changes: the result set, the grid and the paging bar stay as they were, and
// the box keeps its text for the user to shorten.
bool KeywordRefused(QWidget* form, QLineEdit* box) {
    if (!KeywordTooLong(box->text())) return false;
    ui::desktop().message(form, QString::fromUtf16(KeywordTooLongText));
    box->setFocus();
    return true;
}

}  // namespace

void Fdomain::wireHandlers() {
    auto button = [this](const QString& name) { return findChild<QPushButton*>(name); };
    connect(button(QStringLiteral("lsearch")), &QPushButton::clicked, this, &Fdomain::lsearch_Click);
    connect(lfind_, &QLineEdit::returnPressed, this, &Fdomain::lsearch_Click);
    connect(button(QStringLiteral("slsearch")), &QPushButton::clicked, this, &Fdomain::slsearch_Click);
    connect(slfind_, &QLineEdit::returnPressed, this, &Fdomain::slsearch_Click);
    connect(button(QStringLiteral("lstop")), &QPushButton::clicked, this, &Fdomain::lstop_Click);
    connect(button(QStringLiteral("slstop")), &QPushButton::clicked, this, &Fdomain::slstop_Click);
    connect(button(QStringLiteral("lstop1")), &QPushButton::clicked, this, &Fdomain::lstop1_Click);
    connect(button(QStringLiteral("lshowdomain")), &QPushButton::clicked, this, &Fdomain::lshowdomain_Click);
    connect(button(QStringLiteral("lshowtextbutton")), &QPushButton::clicked, this,
            &Fdomain::lshowtextbutton_Click);
    connect(button(QStringLiteral("loutb")), &QPushButton::clicked, this, &Fdomain::EndProgram);

    for (int i = 0; i < lextendnum_.size(); ++i)
        connect(lextendnum_[i], &QCheckBox::clicked, this, [this, i] { lextendnum_Click(i); });
    connect(lextendnum1_, &QCheckBox::clicked, this, &Fdomain::lextendnum1_Click);
    for (int i = 0; i < slextendnum_.size(); ++i)
        connect(slextendnum_[i], &QCheckBox::clicked, this, [this, i] { slextendnum_Click(i); });
    connect(slextendnum1_, &QCheckBox::clicked, this, &Fdomain::slextendnum1_Click);
    for (int i = 0; i < lshowset_.size(); ++i)
        connect(lshowset_[i], &QCheckBox::clicked, this, [this, i] { lshowset_Click(i); });

    // The boxes are repaired when the user leaves them (repairing on every keystroke would turn an
    // emptied box back into the default before the new number is typed); the page size follows the
    // text as it is typed.
    connect(lmaxnum_, &QLineEdit::editingFinished, this, &Fdomain::lmaxnum_Change);
    connect(lsetrow_, &QLineEdit::editingFinished, this, &Fdomain::lsetrow_Change);
    connect(lsetrow_, &QLineEdit::textChanged, this,
            [this](const QString& text) { state_.RowsPerPage = RepairRowsPerPage(text).rowsPerPage; });
    connect(lnewrowset_, &QLineEdit::editingFinished, this, &Fdomain::lnewrowset_Change);

    connect(lsel_, &QComboBox::activated, this, &Fdomain::lsel_Click);
    connect(grid1_, &ui::GridControl::cellDoubleClicked, this, &Fdomain::grid1_DblClick);
    connect(grid1_, &ui::GridControl::cellEdited, this, &Fdomain::grid1_CellEdited);

    connect(paging_.pfirst, &QPushButton::clicked, this, [this] { loader_->pfirst_Click(); });
    connect(paging_.pbefore, &QPushButton::clicked, this, [this] { loader_->pbefore_Click(); });
    connect(paging_.pnext, &QPushButton::clicked, this, [this] { loader_->pnext_Click(); });
    connect(paging_.plast, &QPushButton::clicked, this, [this] { loader_->plast_Click(); });
    connect(paging_.pgo, &QPushButton::clicked, this, [this] { loader_->pgo_Click(); });
    // Enter in the page box goes to the page typed, as Go does; like Go, not before there are pages.
    connect(paging_.ppagelist->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (paging_.pgo->isEnabled()) paging_.pgo->click();
    });
}

void Fdomain::lsearch_Click() {
    if (KeywordRefused(this, lfind_)) return;
    runSearch(QStringLiteral("正在读取快速备案检索数据,请稍候"), QStringLiteral("快速过期备案检索有错误发生，请重试："),
              [this] { return BuildFiledSearchStatement(ReadFiledSearchOptions(this)); }, lfind_);
}

void Fdomain::slsearch_Click() {
    if (KeywordRefused(this, slfind_)) return;
    runSearch(QStringLiteral("正在读取过期域名检索数据,请稍候"), QStringLiteral("过期域名检索有错误发生，请重试："),
              [this] { return BuildExpiredSearchStatement(ReadExpiredSearchOptions(this)); }, slfind_);
}

void Fdomain::ShowListCount(int rows) {
    if (!paging_.Fpage) return;
    auto* line = paging_.Fpage->findChild<QLabel*>(QStringLiteral("plistcount"));
    if (!line) {
        line = new QLabel(paging_.Fpage);
        line->setObjectName(QStringLiteral("plistcount"));
        paging_.Fpage->layout()->addWidget(line);
    }
    // The search's figures describe rows the grid no longer holds; the line says what it holds now.
    for (QWidget* w : paging_.Fpage->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->setVisible(w == line);
    line->setText(u"共 " + QString::number(rows) + u" 个导入的域名");
}

void Fdomain::showSearchPaging() {
    if (!paging_.Fpage) return;
    auto* line = paging_.Fpage->findChild<QLabel*>(QStringLiteral("plistcount"));
    if (!line || line->isHidden()) return;
    for (QWidget* w : paging_.Fpage->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->setVisible(w != line);
}

void Fdomain::runSearch(const QString& busyText, const QString& failureText,
                        const std::function<QString()>& build, QWidget* focusAfter) {
    // A box still being edited has not been repaired yet (Enter in the keyword box does not leave it).
    repairEditBoxes();
    showSearchPaging();
    QString failure;
    try {
        db::Recordset& results = db::DbRs2();
        if (results.state() == db::Recordset::StateOpen) results.close();
        floadtxt_->showBusy(busyText);
        lstr_->setText(build());
        loader_->OpenPageQuery();
        paging_.pgo->setEnabled(true);
        loader_->LoadGridPage();
    } catch (const db::DbError& e) {
        failure = e.description();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    if (!failure.isNull()) {
        state_.StopFlag = true;
        floadtxt_->hide();
        // With the result set gone there is nothing left for the paging buttons to page through.
        if (db::DbRs2().state() != db::Recordset::StateOpen) setPagingEnabled(false);
        ui::desktop().message(this, failureText + failure);
    }
    focusAfter->setFocus();
}

// A stop also ends a web fetch or a database wait that is under way, not only the loop around it.
void Fdomain::lstop_Click() {
    state_.StopFlag = true;
    RequestStop();
}
void Fdomain::slstop_Click() { lstop_Click(); }
void Fdomain::lstop1_Click() { lstop_Click(); }

void Fdomain::setExtensionExclusive(const QList<ui::MarkupCheck*>& singles, ui::MarkupCheck* all, int index,
                                    QWidget* focus) {
    if (index < 0) {
        if (all->isChecked())
            for (ui::MarkupCheck* c : singles) c->setChecked(false);
    } else if (index < singles.size() && singles[index]->isChecked()) {
        all->setChecked(false);
    }
    focus->setFocus();
}

void Fdomain::lextendnum_Click(int index) { setExtensionExclusive(lextendnum_, lextendnum1_, index, lfind_); }
void Fdomain::lextendnum1_Click() { setExtensionExclusive(lextendnum_, lextendnum1_, -1, lfind_); }
void Fdomain::slextendnum_Click(int index) { setExtensionExclusive(slextendnum_, slextendnum1_, index, slfind_); }
void Fdomain::slextendnum1_Click() { setExtensionExclusive(slextendnum_, slextendnum1_, -1, slfind_); }

void Fdomain::lmaxnum_Change() {
    const QString repaired = RepairRowLimit(lmaxnum_->text());
    if (repaired != lmaxnum_->text()) lmaxnum_->setText(repaired);
}

void Fdomain::lsetrow_Change() {
    const RowsPerPageValue v = RepairRowsPerPage(lsetrow_->text());
    if (v.text != lsetrow_->text()) lsetrow_->setText(v.text);
    state_.RowsPerPage = v.rowsPerPage;
}

void Fdomain::lnewrowset_Change() {
    const QString clamped = ClampNewRowCount(lnewrowset_->text());
    if (clamped != lnewrowset_->text()) lnewrowset_->setText(clamped);
}

void Fdomain::repairEditBoxes() {
    lmaxnum_Change();
    lsetrow_Change();
    lnewrowset_Change();
}

void Fdomain::setPagingEnabled(bool enabled) {
    for (QPushButton* b : {paging_.pfirst, paging_.pbefore, paging_.pnext, paging_.plast, paging_.pgo})
        b->setEnabled(enabled);
}

QString Fdomain::CurrentRowDomain() const {
    const int row = grid1_->activeRow();
    if (row < 1 || row >= grid1_->rows()) return {};
    return grid1_->cellText(row, 3);
}

void Fdomain::GridTakenByList() {
    loader_->abandonLoad();
    state_.loadedTable.clear();
    setPagingEnabled(false);
}

void Fdomain::lshowdomain_Click() {
    state_.StopFlag = false;
    const QString prefix = ldomainpre_->text().trimmed();
    try {
        if (!db::DbConn().isOpen()) db::NewDbObjects();
        // The list is read whole before the loop yields: the statistics or the filing check, run from a
        // click during a yield, reopen the shared recordset.
        QList<std::pair<QString, QString>> prices;
        db::Recordset& rs = db::DbRs();
        db::OpenRecordset(rs, QStringLiteral("select lextend,lprice from ldomainprice"));
        if (rs.recordCount() > 0) {
            rs.moveFirst();
            for (; !rs.eof(); rs.moveNext())
                prices.append({rs.text(QStringLiteral("lextend")), rs.text(QStringLiteral("lprice"))});
        }
        rs.close();
        if (!prices.isEmpty()) {
            grid1_->setRows(1);
            GridTakenByList();
            int n = 0;
            YieldPacer pacer;
            for (const auto& [extension, price] : prices) {
                if (state_.StopFlag) break;
                pacer.yield();
                // A command run during the yield (an import, the paste window) has taken the grid.
                if (grid1_->rows() != n + 1) break;
                ++n;
                grid1_->setRows(n + 1);
                grid1_->setCellText(n, 2, QString::number(n));
                grid1_->setCellText(n, 3, prefix + extension);
                grid1_->setCellText(n, 5, price);
            }
        }
    } catch (const db::DbError& e) {
        ui::desktop().message(this, u"有错误发生，请重试：" + e.description());
    }
    // Like every long loop: a grid load suspended under this one must not resume writing rows.
    state_.StopFlag = true;
}

void Fdomain::lshowtextbutton_Click() { RunStatistics(this); }

}  // namespace ds::search
