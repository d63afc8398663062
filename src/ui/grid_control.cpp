#include "ui/grid_control.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "ui/desktop.h"
#include "ui/grid_model.h"
#include "ui/grid_rules.h"

namespace ds::ui {

namespace {
// While rows keep arriving, the grid is redrawn at most this often. Every appended row makes the view
// lay out and redraw all its visible cells (several milliseconds), and long fills yield to the event
// loop many times while a page arrives, so without this a page of a thousand rows would spend most of
// its time painting.
constexpr int kRepaintIntervalMs = 50;
}  // namespace

GridControl::GridControl(QWidget* parent) : QWidget(parent) {
    model_ = new GridModel(this);
    view_ = new QTableView(this);
    view_->setModel(model_);
    view_->setWordWrap(false);
    view_->setCornerButtonEnabled(false);
    // A double-click is the window's own action on a cell and a click selects or ticks, so editing
    // starts only by typing or F2 (the window opens an editor on double-click where it has no action).
    view_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    view_->installEventFilter(this);
    menu_ = new QMenu(this);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (menu_->isEmpty()) return;
        // The menu acts on the selection; a right click outside it selects the cell under the pointer.
        const QModelIndex at = view_->indexAt(pos);
        if (at.isValid() && !view_->selectionModel()->isSelected(at)) view_->setCurrentIndex(at);
        menu_->popup(view_->viewport()->mapToGlobal(pos));
    });

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
    // A header click sorts instead of selecting the column.
    columnsHeader->setSectionsClickable(true);
    disconnect(columnsHeader, &QHeaderView::sectionPressed, view_, nullptr);
    disconnect(columnsHeader, &QHeaderView::sectionEntered, view_, nullptr);
    connect(columnsHeader, &QHeaderView::sectionClicked, this, &GridControl::headerClicked);

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
void GridControl::setRows(int count) {
    // New rows are in the order they came; an arrow from an earlier sort would say otherwise.
    if (count <= 1 && sortColumn_ >= 0) {
        sortColumn_ = -1;
        view_->horizontalHeader()->setSortIndicatorShown(false);
    }
    model_->setGridRows(count);
}
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

void GridControl::setColumnAlignment(int col, Qt::Alignment alignment) { model_->setColumnAlignment(col, alignment); }

void GridControl::setSortGuard(std::function<bool()> allowed) { sortAllowed_ = std::move(allowed); }

void GridControl::headerClicked(int section) {
    const bool allowed = section > 0 && section < cols() && (!sortAllowed_ || sortAllowed_());
    if (!allowed) {
        // The header has already turned its arrow for the click; the rows did not move.
        QHeaderView* header = view_->horizontalHeader();
        if (sortColumn_ >= 0)
            header->setSortIndicator(sortColumn_, sortOrder_);
        else
            header->setSortIndicatorShown(false);
        return;
    }
    const Qt::SortOrder order =
        section == sortColumn_ && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortByColumn(section, order);
}

void GridControl::sortByColumn(int col, Qt::SortOrder order) {
    if (col < 0 || col >= cols()) return;
    model_->sort(col, order);
    sortColumn_ = col;
    sortOrder_ = order;
    QHeaderView* header = view_->horizontalHeader();
    header->setSortIndicator(col, order);
    header->setSortIndicatorShown(true);
}

std::vector<int> GridControl::selectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& at : view_->selectionModel()->selectedIndexes()) rows.insert(at.row() + 1);
    return {rows.begin(), rows.end()};
}

bool GridControl::wholeRowsSelected() const {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return false;
    return std::all_of(rows.begin(), rows.end(), [this](int row) {
        for (int c = 0; c < cols(); ++c) {
            if (view_->isColumnHidden(c)) continue;
            if (!view_->selectionModel()->isSelected(model_->index(row - 1, c))) return false;
        }
        return true;
    });
}

std::vector<int> GridControl::shownDataColumns() const {
    std::vector<int> columns;
    for (int c = 1; c < cols(); ++c)
        if (c != model_->checkColumn() && !view_->isColumnHidden(c)) columns.push_back(c);
    return columns;
}

QString GridControl::linesOf(const std::vector<int>& rows, const std::vector<int>& cols, bool selectedOnly) const {
    std::vector<QStringList> lines;
    lines.reserve(rows.size());
    for (int row : rows) {
        QStringList cells;
        for (int c : cols) {
            const bool take = !selectedOnly || view_->selectionModel()->isSelected(model_->index(row - 1, c));
            cells << (take ? cellText(row, c) : QString());
        }
        lines.push_back(cells);
    }
    return TabSeparated(lines);
}

QString GridControl::selectedCellsText() const {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return {};
    if (wholeRowsSelected()) return linesOf(rows, shownDataColumns(), false);
    // A ragged selection keeps its cells in their columns: the cells left out of a line stay empty.
    std::set<int> columns;
    for (const QModelIndex& at : view_->selectionModel()->selectedIndexes())
        if (at.column() > 0 && !view_->isColumnHidden(at.column())) columns.insert(at.column());
    return linesOf(rows, {columns.begin(), columns.end()}, true);
}

QString GridControl::selectedRowsText() const { return linesOf(selectedRows(), shownDataColumns(), false); }

QString GridControl::columnOfSelectedRows(int col) const { return linesOf(selectedRows(), {col}, false); }

void GridControl::copySelection() {
    const QString text = selectedCellsText();
    if (!text.isEmpty()) desktop().setClipboardText(text);
}

// Like a row header: a click takes the row, Ctrl adds or drops it, Shift takes the rows from the current
// one to it.
void GridControl::selectRowsTo(int modelRow, Qt::KeyboardModifiers modifiers) {
    QItemSelectionModel* selection = view_->selectionModel();
    const int lastCol = cols() - 1;
    if (lastCol < 0) return;
    view_->setFocus(Qt::MouseFocusReason);
    const QModelIndex current = view_->currentIndex();
    if (modifiers & Qt::ShiftModifier && current.isValid()) {
        const int from = std::min(current.row(), modelRow), to = std::max(current.row(), modelRow);
        selection->select(QItemSelection(model_->index(from, 0), model_->index(to, lastCol)),
                          QItemSelectionModel::ClearAndSelect);
        return;  // the current row stays the anchor for the next Shift click
    }
    const QItemSelection row(model_->index(modelRow, 0), model_->index(modelRow, lastCol));
    selection->select(row, modifiers & Qt::ControlModifier ? QItemSelectionModel::Toggle
                                                            : QItemSelectionModel::ClearAndSelect);
    selection->setCurrentIndex(model_->index(modelRow, 0), QItemSelectionModel::NoUpdate);
}

void GridControl::editCell(int row, int col) {
    if (row < 1 || row >= rows() || col < 0 || col >= cols()) return;
    const QModelIndex at = model_->index(row - 1, col);
    if (!(model_->flags(at) & Qt::ItemIsEditable)) return;
    view_->setCurrentIndex(at);
    view_->edit(at);
}

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
    // The view would copy the current cell alone to the system clipboard.
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
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
            // Column 0 stands in for a row header: a left click there takes the whole row, and a
            // double-click there is nobody's.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouseCol_ == 0 && mouse->button() == Qt::LeftButton) {
                if (event->type() == QEvent::MouseButtonPress) selectRowsTo(at.row(), mouse->modifiers());
                if (event->type() != QEvent::MouseButtonRelease) return true;
            }
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
