#include "ui/grid_model.h"

#include <QColor>

#include "core/text.h"
#include "ui/grid_rules.h"

namespace ds::ui {

namespace {
// The row-header column is drawn like a header.
const QColor kRowHeaderBackground(0xF0, 0xF0, 0xF0);

QColor ColorFromBgr(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}
}  // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) { rows_.emplace_back(); }

bool GridModel::inside(int row, int col) const {
    return row >= 0 && row < gridRows() && col >= 0 && col < cols_;
}

void GridModel::setGridRows(int count) {
    if (count < 1) count = 1;
    const int now = gridRows();
    if (count < now) {
        beginRemoveRows(QModelIndex(), count - 1, now - 2);
        rows_.erase(rows_.begin() + count, rows_.end());
        endRemoveRows();
    } else if (count > now) {
        appendRows(count - now);
    }
}

void GridModel::setGridCols(int count) {
    if (count < 0) count = 0;
    if (count == cols_) return;
    if (count < cols_) {
        beginRemoveColumns(QModelIndex(), count, cols_ - 1);
        cols_ = count;
        // Cut stored cells so that growing the table again shows empty cells, not old ones.
        for (Row& row : rows_) {
            if (row.text.size() > static_cast<size_t>(count)) row.text.resize(count);
            if (row.color.size() > static_cast<size_t>(count)) row.color.resize(count);
            if (row.tip.size() > static_cast<size_t>(count)) row.tip.resize(count);
        }
        if (checkColumn_ >= count) checkColumn_ = -1;
        endRemoveColumns();
    } else {
        beginInsertColumns(QModelIndex(), cols_, count - 1);
        cols_ = count;
        endInsertColumns();
    }
}

QString GridModel::text(int row, int col) const {
    if (!inside(row, col)) return {};
    const Row& r = rows_[row];
    return static_cast<size_t>(col) < r.text.size() ? r.text[col] : QString();
}

void GridModel::setText(int row, int col, const QString& text) {
    if (!inside(row, col)) return;
    Row& r = rows_[row];
    if (static_cast<size_t>(col) >= r.text.size()) {
        if (text.isEmpty()) return;
        r.text.resize(cols_);
    }
    if (r.text[col] == text) return;
    r.text[col] = text;
    notifyCell(row, col);
}

uint32_t GridModel::color(int row, int col) const {
    if (!inside(row, col)) return 0;
    const Row& r = rows_[row];
    return static_cast<size_t>(col) < r.color.size() ? r.color[col] : 0;
}

void GridModel::setColor(int row, int col, uint32_t bgr) {
    if (!inside(row, col)) return;
    Row& r = rows_[row];
    if (static_cast<size_t>(col) >= r.color.size()) {
        if (bgr == 0) return;
        r.color.resize(cols_, 0);
    }
    if (r.color[col] == bgr) return;
    r.color[col] = bgr;
    notifyCell(row, col);
}

QString GridModel::tip(int row, int col) const {
    if (!inside(row, col)) return {};
    const Row& r = rows_[row];
    return static_cast<size_t>(col) < r.tip.size() ? r.tip[col] : QString();
}

void GridModel::setTip(int row, int col, const QString& tip) {
    if (!inside(row, col)) return;
    Row& r = rows_[row];
    if (static_cast<size_t>(col) >= r.tip.size()) {
        if (tip.isEmpty()) return;
        r.tip.resize(cols_);
    }
    if (r.tip[col] == tip) return;
    r.tip[col] = tip;
    notifyCell(row, col);
}

void GridModel::notifyCell(int row, int col) {
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col, col);
    } else {
        const QModelIndex at = index(row - 1, col);
        emit dataChanged(at, at);
    }
}

void GridModel::setCheckColumn(int col) {
    if (col < -1 || col >= cols_) col = -1;
    if (col == checkColumn_) return;
    const int old = checkColumn_;
    checkColumn_ = col;
    const int last = rowCount() - 1;
    for (int c : {old, col}) {
        if (c >= 0 && last >= 0) emit dataChanged(index(0, c), index(last, c));
    }
}

void GridModel::setColumnAlignment(int col, Qt::Alignment alignment) {
    if (col < 0) return;
    if (static_cast<size_t>(col) >= alignment_.size()) alignment_.resize(col + 1, Qt::Alignment());
    alignment_[col] = alignment;
    if (rowCount() > 0 && col < cols_) emit dataChanged(index(0, col), index(rowCount() - 1, col));
}

void GridModel::sort(int column, Qt::SortOrder order) {
    const int count = rowCount();
    if (column < 0 || column >= cols_ || count < 2) return;
    QStringList cells;
    cells.reserve(count);
    for (int r = 1; r <= count; ++r) cells << text(r, column);
    const std::vector<int> sorted = SortedOrder(cells, order);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(count);
    std::deque<Row> reordered;
    reordered.push_back(std::move(rows_[0]));
    for (int i = 0; i < count; ++i) {
        newRowOf[sorted[i]] = i;
        reordered.push_back(std::move(rows_[sorted[i] + 1]));
    }
    rows_.swap(reordered);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& at : from)
        to << (at.isValid() ? index(newRowOf[at.row()], at.column()) : QModelIndex());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GridModel::appendRows(int count) {
    if (count <= 0) return;
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + count - 1);
    rows_.resize(rows_.size() + count);
    endInsertRows();
}

void GridModel::appendRow(std::vector<QString> cells, std::vector<uint32_t> colors) {
    Row row;
    if (!cells.empty()) {
        cells.resize(cols_);
        row.text = std::move(cells);
    }
    if (!colors.empty()) {
        colors.resize(cols_, 0);
        row.color = std::move(colors);
    }
    const int at = rowCount();
    beginInsertRows(QModelIndex(), at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : gridRows() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : cols_; }

QVariant GridModel::cellData(int row, int col, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        // The check-box column shows its box only, not the "1"/"0" behind it.
        if (col == checkColumn_ && row > 0) return {};
        return text(row, col);
    case Qt::EditRole:
        return text(row, col);
    case Qt::ForegroundRole: {
        const uint32_t bgr = color(row, col);
        return bgr ? QVariant(ColorFromBgr(bgr)) : QVariant();
    }
    case Qt::TextAlignmentRole:
        if (row > 0 && static_cast<size_t>(col) < alignment_.size() && alignment_[col] != Qt::Alignment())
            return static_cast<int>(alignment_[col]);
        return {};
    case Qt::ToolTipRole: {
        const QString t = tip(row, col);
        return t.isEmpty() ? QVariant() : QVariant(t);
    }
    case Qt::CheckStateRole:
        if (col != checkColumn_ || row == 0) return {};
        return static_cast<int>(LeadingNumber(text(row, col)) == 1 ? Qt::Checked : Qt::Unchecked);
    default:
        return {};
    }
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return {};
    if (index.column() == 0) {
        if (role == Qt::BackgroundRole) return kRowHeaderBackground;
        if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignCenter);
    }
    return cellData(index.row() + 1, index.column(), role);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) return false;
    const int row = index.row() + 1;
    const int col = index.column();
    if (role == Qt::CheckStateRole) {
        if (col != checkColumn_) return false;
        const bool checked = value.toInt() == Qt::Checked;
        setText(row, col, checked ? QStringLiteral("1") : QStringLiteral("0"));
        emit checkToggled(row, checked);
        return true;
    }
    if (role == Qt::EditRole && (flags(index) & Qt::ItemIsEditable)) {
        const QString typed = value.toString();
        if (typed == text(row, col)) return true;
        setText(row, col, typed);
        emit cellEdited(row, col);
        return true;
    }
    return false;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < rowCount()) return section + 1;
        return {};
    }
    if (section < 0 || section >= cols_) return {};
    if (role == Qt::DisplayRole) return text(0, section);
    if (role == Qt::ForegroundRole) return cellData(0, section, role);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == checkColumn_)
        f |= Qt::ItemIsUserCheckable;
    else if (index.column() != 0)
        f |= Qt::ItemIsEditable;  // rows added empty are typed into
    return f;
}

}  // namespace ds::ui
