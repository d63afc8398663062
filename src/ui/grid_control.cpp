#include "ui/grid_control.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/grid_model.h"

namespace ds::ui {

namespace {
// While rows keep arriving, the grid is redrawn at most this often. Every appended row makes the view
// lay out and redraw all its visible cells (several milliseconds), and long fills yield to the event
// loop after each row, so without this a page of a thousand rows would spend seconds painting.
constexpr int kRepaintIntervalMs = 50;
}  // namespace

GridControl::GridControl(QWidget* parent) : QWidget(parent) {
    model_ = new GridModel(this);
    view_ = new QTableView(this);
    view_->setModel(model_);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    // A double-click is the window's own action on a cell, so editing starts by typing or a second
    // click on the current cell instead.
    view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);

    // Column 0 is the row-header column, so the view's own row header is not needed. Its sections still
    // give the row positions: fixed and uniform, so a hundred thousand rows cost no measuring.
    QHeaderView* rowsHeader = view_->verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setMinimumSectionSize(1);

    QHeaderView* columnsHeader = view_->horizontalHeader();
    columnsHeader->setSectionResizeMode(QHeaderView::Interactive);
    columnsHeader->setMinimumSectionSize(1);
    columnsHeader->setHighlightSections(false);
    columnsHeader->setDefaultAlignment(Qt::AlignCenter);

    view_->viewport()->setMouseTracking(true);
    view_->viewport()->installEventFilter(this);
    columnsHeader->viewport()->setMouseTracking(true);
    columnsHeader->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    connect(view_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit cellDoubleClicked(index.row() + 1, index.column()); });
    connect(columnsHeader, &QHeaderView::sectionDoubleClicked, this,
            [this](int section) { emit cellDoubleClicked(0, section); });
    connect(model_, &GridModel::checkToggled, this, &GridControl::checkToggled);
    connect(model_, &GridModel::cellEdited, this, &GridControl::cellEdited);

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintIntervalMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { view_->setUpdatesEnabled(true); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &GridControl::holdRepaints);

    setGridFont(font().family(), font().pointSize() > 0 ? font().pointSize() : 9);
}

GridControl::~GridControl() = default;

int GridControl::rows() const { return model_->gridRows(); }
void GridControl::setRows(int count) { model_->setGridRows(count); }
int GridControl::cols() const { return model_->gridCols(); }
void GridControl::setCols(int count) { model_->setGridCols(count); }

QString GridControl::cellText(int row, int col) const { return model_->text(row, col); }
void GridControl::setCellText(int row, int col, const QString& text) { model_->setText(row, col, text); }
uint32_t GridControl::cellColor(int row, int col) const { return model_->color(row, col); }
void GridControl::setCellColor(int row, int col, uint32_t bgr) { model_->setColor(row, col, bgr); }
QString GridControl::cellTip(int row, int col) const { return model_->tip(row, col); }
void GridControl::setCellTip(int row, int col, const QString& tip) { model_->setTip(row, col, tip); }

int GridControl::columnWidth(int col) const {
    if (col < 0 || col >= cols() || view_->isColumnHidden(col)) return 0;
    return view_->columnWidth(col);
}

void GridControl::setColumnWidth(int col, int width) {
    if (col < 0 || col >= cols()) return;
    if (width <= 0) {
        view_->setColumnHidden(col, true);
        return;
    }
    view_->setColumnHidden(col, false);
    view_->setColumnWidth(col, width);
}

void GridControl::setCheckColumn(int col) { model_->setCheckColumn(col); }

int GridControl::activeRow() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() + 1 : -1;
}

int GridControl::activeCol() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.column() : -1;
}

void GridControl::setActiveCell(int row, int col) {
    if (row < 1 || row >= rows() || col < 0 || col >= cols()) return;
    view_->setCurrentIndex(model_->index(row - 1, col));
}

int GridControl::mouseRow() const { return mouseRow_; }
int GridControl::mouseCol() const { return mouseCol_; }

void GridControl::setGridFont(const QString& family, int pointSize) {
    // The column widths were chosen for Tahoma, a narrow face that Linux rarely has; the usual stand-in
    // is much wider and would cut dates short. Prefer narrow faces of the same proportions.
    if (family == u"Tahoma" && QFont::substitutes(family).isEmpty())
        QFont::insertSubstitutions(family, {QStringLiteral("DejaVu Sans Condensed"),
                                            QStringLiteral("Liberation Sans Narrow"),
                                            QStringLiteral("Nimbus Sans Narrow")});
    QFont font(family);
    if (pointSize > 0) font.setPointSize(pointSize);
    view_->setFont(font);
    view_->horizontalHeader()->setFont(font);
    const int rowHeight = QFontMetrics(font).height() + 6;
    view_->verticalHeader()->setDefaultSectionSize(rowHeight);
}

void GridControl::appendRows(int count) { model_->appendRows(count); }

void GridControl::appendRow(std::vector<QString> cells, std::vector<uint32_t> colors) {
    model_->appendRow(std::move(cells), std::move(colors));
}

void GridControl::holdRepaints() {
    if (repaintTimer_->isActive()) return;
    view_->setUpdatesEnabled(false);
    repaintTimer_->start();  // re-enabling redraws the whole view once
}

void GridControl::endRepaintHold() {
    repaintTimer_->stop();
    view_->setUpdatesEnabled(true);
}

bool GridControl::eventFilter(QObject* watched, QEvent* event) {
    const bool onCells = watched == view_->viewport();
    const bool onHeader = watched == view_->horizontalHeader()->viewport();
    if (!onCells && !onHeader) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (onCells) {
            const QModelIndex at = view_->indexAt(pos);
            mouseRow_ = at.isValid() ? at.row() + 1 : -1;
            mouseCol_ = at.isValid() ? at.column() : -1;
        } else {
            const int section = view_->horizontalHeader()->logicalIndexAt(pos);
            mouseRow_ = section >= 0 ? 0 : -1;
            mouseCol_ = section;
        }
        break;
    }
    case QEvent::Leave:
        mouseRow_ = -1;
        mouseCol_ = -1;
        break;
    default:
        break;
    }
    return false;
}

}  // namespace ds::ui
