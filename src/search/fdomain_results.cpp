// The lower half of the main window: the result grid, the paging bar, the selection commands, the
// column groups and the grid's double-click.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "core/remote_settings.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "search/fdomain_rules.h"
#include "search/fdomain_widgets.h"
#include "search/selection.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::search {
namespace {

// A button as wide as its caption: the style's minimum push-button width would make the paging bar
// alone wider than a small screen.
void FitToCaption(QPushButton* b) {
    QFont bold = b->font();
    bold.setBold(true);
    b->setFixedWidth(QFontMetrics(bold).horizontalAdvance(b->text()) + 16);
}

// A value label as wide as the longest value it is meant to hold, so the bar does not shift or grow
// when the numbers change.
void FixWidth(QLabel* label, const QString& widest) {
    QFont bold = label->font();
    bold.setBold(true);
    label->setFixedWidth(QFontMetrics(bold).horizontalAdvance(widest) + 4);
    label->setAlignment(Qt::AlignCenter);
}

}  // namespace

QWidget* Fdomain::buildResultArea() {
    auto* area = new QWidget(this);
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);

    grid1_ = new ui::GridControl(area);
    grid1_->setObjectName(QStringLiteral("grid1"));
    v->addWidget(grid1_, 1);

    auto* bar = new QHBoxLayout;
    bar->addWidget(MakeLabel(area, QStringLiteral("选择：")));
    lsel_ = new QComboBox(area);
    lsel_->setObjectName(QStringLiteral("lsel"));
    lsel_->setItemDelegate(new ui::MarkupItemDelegate(lsel_));
    lsel_->setMinimumWidth(120);
    bar->addWidget(lsel_);
    QWidget* paging = buildPagingBar();
    // An empty result hides the bar; its room stays, so the controls beside it neither move nor stretch.
    QSizePolicy keep = paging->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    paging->setSizePolicy(keep);
    bar->addWidget(paging);

    // The rotating advertisement: its text label shows once the first one is drawn. It takes the room
    // that is left and never widens the window.
    ui::MarkupLabel* ad = MakeLabel(area, {}, QStringLiteral("ladtext"));
    ad->setCursor(Qt::PointingHandCursor);
    ad->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ad->hide();
    bar->addWidget(ad, 100);
    MakeValueLabel(area, QStringLiteral("ladid"), {});
    MakeValueLabel(area, QStringLiteral("ladaddress"), {});
    MakeValueLabel(area, QStringLiteral("ladstat"), {});
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setInterval(30000);

    ui::MarkupButton* quit =
        MakeButton(area, QStringLiteral("loutb"), QStringLiteral("<TextBlock><Run FontWeight=\"Bold\">退出</Run></TextBlock>"));
    FitToCaption(quit);
    // Keeps 退出 at the right edge while there is no advertisement.
    bar->addStretch(1);
    bar->addWidget(quit);
    v->addLayout(bar);
    return area;
}

QWidget* Fdomain::buildPagingBar() {
    QGroupBox* frame = MakeGroup(nullptr, QStringLiteral("分页"));
    frame->setObjectName(QStringLiteral("Fpage"));
    auto* h = new QHBoxLayout(frame);
    h->setContentsMargins(6, 2, 6, 2);
    auto number = [frame](const QString& name, const QString& text) {
        auto* l = new QLabel(text, frame);
        l->setObjectName(name);
        l->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
        return l;
    };
    paging_.Fpage = frame;
    paging_.pnumber = number(QStringLiteral("pnumber"), QStringLiteral("0"));
    paging_.plist = number(QStringLiteral("plist"), QStringLiteral("0"));
    paging_.ppageall = number(QStringLiteral("ppageall"), QStringLiteral("1"));
    // Room for seven digits of rows, far past the usual row limit of 2000, and as many pages as a
    // million rows make at the smallest useful page size.
    FixWidth(paging_.pnumber, QStringLiteral("0000000"));
    FixWidth(paging_.plist, QStringLiteral("0000"));
    FixWidth(paging_.ppageall, QStringLiteral("000000"));
    paging_.plimit = new QLabel(frame);
    paging_.plimit->setObjectName(QStringLiteral("plimit"));
    paging_.plimit->setStyleSheet(QStringLiteral("color: #c00000;"));
    FixWidth(paging_.plimit, QString::fromUtf16(RowLimitReachedText));
    paging_.plimit->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    paging_.ppagelist = new QComboBox(frame);
    paging_.ppagelist->setObjectName(QStringLiteral("ppagelist"));
    paging_.ppagelist->setFixedWidth(64);
    // The user may type a page number that the list does not hold; Go then shows the nearest page.
    paging_.ppagelist->setEditable(true);
    // What is typed is a request for Go, not a new entry: the list holds the result's pages only.
    paging_.ppagelist->setInsertPolicy(QComboBox::NoInsert);

    // 共 [pnumber] 条记录, 每页 [plist] 条, 共 [ppageall] 页, 第 [ppagelist] 页
    h->setSpacing(2);
    h->addWidget(new QLabel(QStringLiteral("共"), frame));
    h->addWidget(paging_.pnumber);
    h->addWidget(new QLabel(QStringLiteral("条记录"), frame));
    h->addWidget(paging_.plimit);
    h->addWidget(new QLabel(QStringLiteral(", 每页"), frame));
    h->addWidget(paging_.plist);
    h->addWidget(new QLabel(QStringLiteral("条, 共"), frame));
    h->addWidget(paging_.ppageall);
    h->addWidget(new QLabel(QStringLiteral("页, 第"), frame));
    h->addWidget(paging_.ppagelist);
    h->addWidget(new QLabel(QStringLiteral("页"), frame));
    paging_.pgo = MakeButton(frame, QStringLiteral("pgo"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>Go</Run></TextBlock>"));
    h->addWidget(paging_.pgo);
    h->addSpacing(6);
    paging_.pfirst = MakeButton(frame, QStringLiteral("pfirst"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>首页</Run></TextBlock>"));
    paging_.pbefore = MakeButton(frame, QStringLiteral("pbefore"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>上一页</Run></TextBlock>"));
    paging_.pnext = MakeButton(frame, QStringLiteral("pnext"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>下一页</Run></TextBlock>"));
    paging_.plast = MakeButton(frame, QStringLiteral("plast"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>尾页</Run></TextBlock>"));
    for (QPushButton* b : {paging_.pfirst, paging_.pbefore, paging_.pnext, paging_.plast}) h->addWidget(b);
    // Nothing to page through before the first search.
    for (QPushButton* b : {paging_.pfirst, paging_.pbefore, paging_.pnext, paging_.plast, paging_.pgo}) {
        b->setEnabled(false);
        FitToCaption(b);
    }
    return frame;
}

void Fdomain::lshowset_Click(int index) {
    if (index < 0 || index >= lshowset_.size()) return;
    const bool shown = lshowset_[index]->isChecked();
    for (const ColumnWidth& c : ColumnGroup(index)) grid1_->setColumnWidth(c.col, shown ? c.width : 0);
}

void Fdomain::lsel_Click() {
    const int command = lsel_->currentIndex();
    if (!IsSelectionCommand(command)) return;
    for (int r = 1; r < grid1_->rows(); ++r) {
        const QString mark = SelectionMark(
            command, {grid1_->cellText(r, 3), grid1_->cellText(r, 4), grid1_->cellText(r, 6)});
        grid1_->setCellText(r, 1, mark);
    }
}

void Fdomain::grid1_DblClick() {
    const int row = grid1_->activeRow();
    const int col = grid1_->activeCol();
    if (row < 1 || row >= grid1_->rows()) return;
    if (grid1_->mouseRow() != row || grid1_->mouseCol() != col) return;
    // The row header and the check box are for selecting: a double-click there is two clicks, not a
    // command that opens the browser.
    if (col <= col::Selected) return;
    const QString domain = grid1_->cellText(row, 3);
    if (!domain.contains(u'.')) {
        // Nothing to act on: a row still to be typed into (an added empty row) is edited instead.
        grid1_->editCell(row, col);
        return;
    }

    QString window;
    switch (col) {
    case 6: window = QStringLiteral("fback"); break;
    case 4: window = QStringLiteral("Fwhois"); break;
    case 3: window = QStringLiteral("Fip"); break;
    default: doubleClickOtherColumn(domain); return;
    }
    const auto it = handOvers_.constFind(window);
    if (it != handOvers_.constEnd() && *it) {
        (*it)(domain);
        return;
    }
    ui::desktop().message(this, QString::fromUtf16(NotYetOpenText));
}

// The row's id names the database row it was loaded from; once the user types another domain over it,
// a registration check must not correct the original row with the new name's answer.
void Fdomain::grid1_CellEdited(int row, int col) {
    if (col == col::Domain && row >= 1) grid1_->setCellText(row, col::Id, QString());
}

void Fdomain::setUpGridCommands() {
    for (int c = 0; c < GridColumnCount; ++c)
        if (GridColumns()[c].numeric) grid1_->setColumnAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    // The loops over the rows (loading, the checks, the lists) address rows by number while they yield;
    // sorting under them would send their answers to other rows.
    grid1_->setSortGuard([this] { return state_.StopFlag; });

    QMenu* menu = grid1_->contextMenu();
    QAction* domains = menu->addAction(QStringLiteral("复制域名"));
    domains->setObjectName(QStringLiteral("mcopydomain"));
    connect(domains, &QAction::triggered, this, [this] {
        const QString text = grid1_->columnOfSelectedRows(col::Domain);
        if (!text.isEmpty()) ui::desktop().setClipboardText(text);
    });
    QAction* rows = menu->addAction(QStringLiteral("复制所选行"));
    rows->setObjectName(QStringLiteral("mcopyrows"));
    connect(rows, &QAction::triggered, this, [this] {
        const QString text = grid1_->selectedRowsText();
        if (!text.isEmpty()) ui::desktop().setClipboardText(text);
    });
}

void Fdomain::doubleClickOtherColumn(const QString& domain) {
    ui::desktop().setClipboardText(domain);
    ui::desktop().message(this, u"选中域名  " + domain + u"  已加入剪贴板");
    ui::OpenAddress(remoteSettings().field(QStringLiteral("lbuyurl")) + domain);
}

}  // namespace ds::search
