#include "ui/grid_control.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>

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
    configureView(view_);
    menu_ = new QMenu(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    connect(model_, &GridModel::checkToggled, this, &GridControl::checkToggled);
    connect(model_, &GridModel::cellEdited, this, &GridControl::cellEdited);

    repaintTimer_ = new QTimer(this);
    repaintTimer_->setSingleShot(true);
    repaintTimer_->setInterval(kRepaintIntervalMs);
    connect(repaintTimer_, &QTimer::timeout, this, [this] { setViewUpdates(true); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &GridControl::holdRepaints);

    setGridFont(font().family(), font().pointSize() > 0 ? font().pointSize() : 9);
}

// What the grid's view and the view of the frozen columns share: editing, headers, the mouse, the menu.
void GridControl::configureView(QTableView* view) {
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    // A double-click is the window's own action on a cell and a click selects or ticks, so editing
    // starts only by typing or F2 (the window opens an editor on double-click where it has no action).
    view->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    view->installEventFilter(this);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
        if (menu_->isEmpty()) return;
        // The menu acts on the selection; a right click outside it selects the cell under the pointer.
        const QModelIndex at = view->indexAt(pos);
        if (at.isValid() && !view->selectionModel()->isSelected(at)) view->setCurrentIndex(at);
        menu_->popup(view->viewport()->mapToGlobal(pos));
    });

    // Column 0 is the row-header column, so the view's own row header is not needed. Its sections still
    // give the row positions: fixed and uniform, so a hundred thousand rows cost no measuring.
    QHeaderView* rowsHeader = view->verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setMinimumSectionSize(1);

    QHeaderView* columnsHeader = view->horizontalHeader();
    columnsHeader->setSectionResizeMode(QHeaderView::Interactive);
    columnsHeader->setMinimumSectionSize(1);
    columnsHeader->setHighlightSections(false);
    columnsHeader->setDefaultAlignment(Qt::AlignCenter);
    // A header click sorts instead of selecting the column.
    columnsHeader->setSectionsClickable(true);
    disconnect(columnsHeader, &QHeaderView::sectionPressed, view, nullptr);
    disconnect(columnsHeader, &QHeaderView::sectionEntered, view, nullptr);
    connect(columnsHeader, &QHeaderView::sectionClicked, this, &GridControl::headerClicked);

    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    columnsHeader->viewport()->setMouseTracking(true);
    columnsHeader->viewport()->installEventFilter(this);

    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit cellDoubleClicked(index.row() + 1, index.column()); });
    connect(columnsHeader, &QHeaderView::sectionDoubleClicked, this,
            [this](int section) { emit cellDoubleClicked(0, section); });
}

// The frozen view goes first, while the grid it reports to is whole: its signals reach the grid's own
// handlers.
GridControl::~GridControl() {
    // The views are children that outlive this part of the object while QWidget takes them down, and
    // hiding them emits header and model signals; none may reach a GridControl that is no more.
    if (view_) {
        view_->horizontalHeader()->disconnect(this);
        if (view_->selectionModel()) view_->selectionModel()->disconnect(this);
        view_->disconnect(this);
    }
    if (model_) model_->disconnect(this);
    delete std::exchange(frozen_, nullptr);
}

int GridControl::rows() const { return model_->gridRows(); }
void GridControl::setRows(int count) {
    // Growing only adds empty rows under the ones there; anything else (a clear before a load, a search
    // that finds nothing) is a new set of contents.
    if (count <= rows()) ++contentGeneration_;
    // New rows are in the order they came; an arrow from an earlier sort would say otherwise.
    if (count <= 1 && sortColumn_ >= 0) {
        sortColumn_ = -1;
        for (QHeaderView* header : columnHeaders()) header->setSortIndicatorShown(false);
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
    } else {
        view_->setColumnHidden(col, false);
        view_->setColumnWidth(col, width);
    }
    if (frozen_ && col <= frozenLast_) syncFrozenColumns();
}

void GridControl::setCheckColumn(int col) { model_->setCheckColumn(col); }

void GridControl::setColumnAlignment(int col, Qt::Alignment alignment) { model_->setColumnAlignment(col, alignment); }

void GridControl::setSortGuard(std::function<bool()> allowed) { sortAllowed_ = std::move(allowed); }

void GridControl::headerClicked(int section) {
    const bool allowed = section > 0 && section < cols() && (!sortAllowed_ || sortAllowed_());
    if (!allowed) {
        // The header has already turned its arrow for the click; the rows did not move.
        for (QHeaderView* header : columnHeaders()) {
            if (sortColumn_ >= 0)
                header->setSortIndicator(sortColumn_, sortOrder_);
            else
                header->setSortIndicatorShown(false);
        }
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
    for (QHeaderView* header : columnHeaders()) {
        header->setSortIndicator(col, order);
        header->setSortIndicatorShown(true);
    }
}

std::vector<QHeaderView*> GridControl::columnHeaders() const {
    std::vector<QHeaderView*> headers{view_->horizontalHeader()};
    if (frozen_) headers.push_back(frozen_->horizontalHeader());
    return headers;
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
    // A frozen column's cell is seen in the frozen view; the grid's own lies under it.
    QTableView* view = frozen_ && !frozen_->isHidden() && col <= frozenLast_ ? frozen_ : view_;
    view->setCurrentIndex(at);
    view->edit(at);
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
    const int rowHeight = QFontMetrics(font).height() + 6;
    for (QTableView* view : {view_, frozen_}) {
        if (!view) continue;
        view->setFont(font);
        view->horizontalHeader()->setFont(font);
        view->verticalHeader()->setDefaultSectionSize(rowHeight);
    }
    updateFrozenGeometry();
}

void GridControl::appendRows(int count) { model_->appendRows(count); }

void GridControl::appendRow(std::vector<QString> cells, std::vector<uint32_t> colors) {
    model_->appendRow(std::move(cells), std::move(colors));
}

void GridControl::holdRepaints() {
    if (repaintTimer_->isActive()) return;
    setViewUpdates(false);
    repaintTimer_->start();  // re-enabling redraws the whole view once
}

void GridControl::endRepaintHold() {
    repaintTimer_->stop();
    setViewUpdates(true);
}

void GridControl::setViewUpdates(bool enabled) {
    view_->setUpdatesEnabled(enabled);
    if (frozen_) frozen_->setUpdatesEnabled(enabled);
}

// ---- Frozen columns ----------------------------------------------------------------------------------
// A second view of the same model and selection lies over the left edge of the grid's cells and
// shows only the frozen columns; the grid's own view scrolls beneath it. Both views share the selection
// model, so a row picked in either is picked in both; the vertical scroll bars are kept together.

void GridControl::setFrozenColumns(int last) {
    frozenLast_ = std::max(-1, last);
    if (frozenLast_ < 0) {
        // Cleared first: the view's own events on its way out reach eventFilter, which must not take
        // it for a live view.
        delete std::exchange(frozen_, nullptr);
        return;
    }
    if (!frozen_) {
        frozen_ = new QTableView(view_);
        frozen_->setObjectName(QStringLiteral("frozenColumns"));
        frozen_->setModel(model_);
        frozen_->setSelectionModel(view_->selectionModel());
        configureView(frozen_);
        frozen_->setFrameShape(QFrame::NoFrame);
        frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        frozen_->setFont(view_->font());
        frozen_->horizontalHeader()->setFont(view_->horizontalHeader()->font());
        frozen_->verticalHeader()->setDefaultSectionSize(view_->verticalHeader()->defaultSectionSize());
        frozen_->setUpdatesEnabled(view_->updatesEnabled());
        // Scroll bars and the header stay above it; the cells scroll beneath it.
        view_->viewport()->stackUnder(frozen_);
        // Columns slide under the frozen ones a pixel at a time rather than jumping a column at once.
        view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        frozen_->setVerticalScrollMode(view_->verticalScrollMode());

        connect(view_->verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
                &QAbstractSlider::setValue);
        connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, view_->verticalScrollBar(),
                &QAbstractSlider::setValue);
        // A width dragged in either header is the column's width in both.
        connect(view_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int width) {
            if (frozen_ && col <= frozenLast_ && frozen_->columnWidth(col) != width) {
                frozen_->setColumnWidth(col, width);
                updateFrozenGeometry();
            }
        });
        connect(frozen_->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int col, int, int width) {
            if (col <= frozenLast_ && view_->columnWidth(col) != width) view_->setColumnWidth(col, width);
            updateFrozenGeometry();
        });
        connect(view_->horizontalHeader(), &QHeaderView::geometriesChanged, this, &GridControl::updateFrozenGeometry);
        connect(model_, &QAbstractItemModel::columnsInserted, this, &GridControl::syncFrozenColumns);
        connect(model_, &QAbstractItemModel::modelReset, this, &GridControl::syncFrozenColumns);
        // The keyboard may move to a cell that lies under the frozen columns: it is scrolled out.
        connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) { keepClearOfFrozen(current); });
    }
    syncFrozenColumns();
}

void GridControl::syncFrozenColumns() {
    if (!frozen_) return;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const bool shown = c <= frozenLast_ && !view_->isColumnHidden(c);
        frozen_->setColumnHidden(c, !shown);
        const int width = view_->columnWidth(c);
        if (shown && frozen_->columnWidth(c) != width) frozen_->setColumnWidth(c, width);
    }
    updateFrozenGeometry();
}

int GridControl::frozenWidth() const {
    int width = 0;
    for (int c = 0; c <= frozenLast_ && c < model_->columnCount(); ++c)
        if (!view_->isColumnHidden(c)) width += view_->columnWidth(c);
    return width;
}

void GridControl::updateFrozenGeometry() {
    if (!frozen_) return;
    const int width = std::min(frozenWidth(), view_->viewport()->width());
    frozen_->setVisible(width > 0);
    const int frame = view_->frameWidth();
    frozen_->horizontalHeader()->setFixedHeight(view_->horizontalHeader()->height());
    frozen_->setGeometry(frame, frame, width, view_->horizontalHeader()->height() + view_->viewport()->height());
}

// Keys go to the view that can act on them where the user sees it: moving the cell goes to the grid's
// own view (the frozen view has no columns to the right to move to), and typing into a frozen column's
// cell goes to the frozen view (an editor opened by the grid's own view would lie hidden under it).
QTableView* GridControl::keyTarget(bool inFrozen, const QKeyEvent& key) const {
    switch (key.key()) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_PageUp:
    case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Tab: case Qt::Key_Backtab:
        return inFrozen ? view_ : nullptr;
    default:
        break;
    }
    const QModelIndex current = view_->currentIndex();
    const bool typing = key.key() == Qt::Key_F2 ||
                        (!key.text().isEmpty() && key.text().at(0).isPrint() &&
                         !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)));
    if (!inFrozen && typing && current.isValid() && current.column() <= frozenLast_ && !frozen_->isHidden())
        return frozen_;
    return nullptr;
}

void GridControl::keepClearOfFrozen(const QModelIndex& current) {
    if (!frozen_ || !current.isValid() || current.column() <= frozenLast_) return;
    const int covered = frozenWidth();
    const QRect cell = view_->visualRect(current);
    if (cell.isValid() && cell.left() < covered) {
        QScrollBar* bar = view_->horizontalScrollBar();
        bar->setValue(bar->value() - (covered - cell.left()));
    }
}

bool GridControl::eventFilter(QObject* watched, QEvent* event) {
    // The view would copy the current cell alone to the system clipboard.
    if ((watched == view_ || (frozen_ && watched == frozen_)) && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    if (frozen_ && event->type() == QEvent::KeyPress && (watched == view_ || watched == frozen_)) {
        if (QTableView* to = keyTarget(watched == frozen_, *static_cast<QKeyEvent*>(event))) {
            to->setFocus(Qt::OtherFocusReason);
            QCoreApplication::sendEvent(to, event);
            return true;
        }
    }
    // The cells' area changes with the window and with the scroll bars coming and going.
    if ((watched == view_ || watched == view_->viewport()) && event->type() == QEvent::Resize) updateFrozenGeometry();
    QTableView* view = nullptr;
    bool onCells = false;
    for (QTableView* v : {view_, frozen_}) {
        if (v && (watched == v->viewport() || watched == v->horizontalHeader()->viewport())) {
            view = v;
            onCells = watched == v->viewport();
            break;
        }
    }
    if (!view) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (onCells) {
            const QModelIndex at = view->indexAt(pos);
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
            const int section = view->horizontalHeader()->logicalIndexAt(pos);
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
