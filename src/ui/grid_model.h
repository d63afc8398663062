#pragma once
// The cells behind the result grid. Grid rows are counted with the header: grid row 0 is the header
// row, shown as the view's horizontal header (headerData reads its cells); model row r is grid row
// r + 1. Grid column c is model column c, so column 0 (the row-header column) is an ordinary narrow
// column of the view and the view's own vertical header stays hidden.
//
// Rows live in a deque of lazily sized rows: appending never moves or copies the rows already there,
// and an empty row costs no cell storage until something is written into it.
#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <deque>
#include <vector>

namespace ds::ui {

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    // Grid addressing (row 0 is the header).
    int gridRows() const { return static_cast<int>(rows_.size()); }
    int gridCols() const { return cols_; }
    void setGridRows(int count);  // at least the header row stays
    void setGridCols(int count);

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    uint32_t color(int row, int col) const;
    void setColor(int row, int col, uint32_t bgr);
    // A cell's tooltip (empty: none).
    QString tip(int row, int col) const;
    void setTip(int row, int col, const QString& tip);

    // The check-box column (-1: none). Its cells show a box that is ticked when the text reads "1".
    int checkColumn() const { return checkColumn_; }
    void setCheckColumn(int col);

    // How the data cells of a column are aligned (numbers read best right-aligned). Column 0 stays
    // centred like a header.
    void setColumnAlignment(int col, Qt::Alignment alignment);

    void appendRows(int count);
    // Appends one filled data row with a single notification. Cells beyond the column count are dropped;
    // `colors` may be shorter than `cells` (missing ones are 0).
    void appendRow(std::vector<QString> cells, std::vector<uint32_t> colors = {});

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Reorders the data rows by the cells of `column` (see SortKeyOf); each row moves whole, with its
    // colours, tips and check mark, and selections and the current cell follow their rows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // The user ticked or cleared a box through the view (not raised by setText).
    void checkToggled(int row, bool checked);
    // The user changed a cell's text through the view (not raised by setText).
    void cellEdited(int row, int col);

private:
    struct Row {
        std::vector<QString> text;     // empty, or sized to the column count
        std::vector<uint32_t> color;   // empty, or sized to the column count
        std::vector<QString> tip;      // empty, or sized to the column count
    };
    bool inside(int row, int col) const;
    QVariant cellData(int row, int col, int role) const;
    void notifyCell(int row, int col);

    std::deque<Row> rows_;
    std::vector<Qt::Alignment> alignment_;  // by column; missing entries use the view's default
    int cols_ = 0;
    int checkColumn_ = -1;
};

}  // namespace ds::ui
