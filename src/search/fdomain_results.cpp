// The lower half of the main window: the result grid, the paging bar, the selection commands, the
// column groups and the grid's double-click.
#include <QComboBox>
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
    lsel_->setMinimumWidth(130);
    bar->addWidget(lsel_);
    bar->addWidget(buildPagingBar(), 1);

    // The rotating advertisement: its text label shows once the first one is drawn.
    ui::MarkupLabel* ad = MakeLabel(area, {}, QStringLiteral("ladtext"));
    ad->setCursor(Qt::PointingHandCursor);
    ad->hide();
    bar->addWidget(ad);
    MakeValueLabel(area, QStringLiteral("ladid"), {});
    MakeValueLabel(area, QStringLiteral("ladaddress"), {});
    MakeValueLabel(area, QStringLiteral("ladstat"), {});
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setInterval(30000);

    bar->addWidget(MakeButton(area, QStringLiteral("loutb"),
                              QStringLiteral("<TextBlock><Run FontWeight=\"Bold\">退出</Run></TextBlock>")));
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
    paging_.ppagelist = new QComboBox(frame);
    paging_.ppagelist->setObjectName(QStringLiteral("ppagelist"));
    paging_.ppagelist->setMinimumWidth(60);
    // The user may type a page number that the list does not hold; Go then shows the nearest page.
    paging_.ppagelist->setEditable(true);
    // What is typed is a request for Go, not a new entry: the list holds the result's pages only.
    paging_.ppagelist->setInsertPolicy(QComboBox::NoInsert);

    // 共 [pnumber] 条记录, 每页 [plist] 条, 共 [ppageall] 页, 第 [ppagelist] 页
    h->addWidget(new QLabel(QStringLiteral("共"), frame));
    h->addWidget(paging_.pnumber);
    h->addWidget(new QLabel(QStringLiteral("条记录, 每页"), frame));
    h->addWidget(paging_.plist);
    h->addWidget(new QLabel(QStringLiteral("条, 共"), frame));
    h->addWidget(paging_.ppageall);
    h->addWidget(new QLabel(QStringLiteral("页, 第"), frame));
    h->addWidget(paging_.ppagelist);
    h->addWidget(new QLabel(QStringLiteral("页"), frame));
    paging_.pgo = MakeButton(frame, QStringLiteral("pgo"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>Go</Run></TextBlock>"));
    h->addWidget(paging_.pgo);
    h->addSpacing(10);
    paging_.pfirst = MakeButton(frame, QStringLiteral("pfirst"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>首页</Run></TextBlock>"));
    paging_.pbefore = MakeButton(frame, QStringLiteral("pbefore"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>上一页</Run></TextBlock>"));
    paging_.pnext = MakeButton(frame, QStringLiteral("pnext"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>下一页</Run></TextBlock>"));
    paging_.plast = MakeButton(frame, QStringLiteral("plast"), QStringLiteral("<TextBlock><Run FontWeight='Bold'>尾页</Run></TextBlock>"));
    for (QPushButton* b : {paging_.pfirst, paging_.pbefore, paging_.pnext, paging_.plast}) h->addWidget(b);
    // Nothing to page through before the first search.
    for (QPushButton* b : {paging_.pfirst, paging_.pbefore, paging_.pnext, paging_.plast, paging_.pgo})
        b->setEnabled(false);
    h->addStretch(1);
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
    const QString domain = grid1_->cellText(row, 3);
    if (!domain.contains(u'.')) return;

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

void Fdomain::doubleClickOtherColumn(const QString& domain) {
    ui::desktop().setClipboardText(domain);
    ui::desktop().message(this, u"选中域名  " + domain + u"  已加入剪贴板");
    ui::OpenAddress(remoteSettings().field(QStringLiteral("lbuyurl")) + domain);
}

}  // namespace ds::search
