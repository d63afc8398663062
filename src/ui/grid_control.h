#pragma once
// The result grid: a table of text cells addressed by (row, column), both from 0. Row 0 is the fixed
// header row, column 0 the row-header column, data rows start at 1. Column 1 may be a check-box column
// whose text reads "1"/"0". Each cell has a colour attribute (0x00BBGGRR) drawn as its text colour.
// Width 0 hides a column. The grid is a QTableView over GridModel; rows are appended without copying.
// Row 0 is drawn as the view's column header; column 0 is an ordinary narrow column drawn in header
// colours (the view's own row header is hidden): a click there selects the whole row. Double-clicking
// the column header reports row 0; a single click on it sorts the rows by that column.
//
// A click never opens an editor: typing or F2 does, or editCell. Ctrl+C copies the selection as
// tab-separated lines through the desktop seam.
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QHeaderView;
class QKeyEvent;
class QMenu;
class QModelIndex;
class QTableView;
class QTimer;

namespace ds::ui {

class GridModel;

class GridControl : public QWidget {
    Q_OBJECT
public:
    explicit GridControl(QWidget* parent = nullptr);
    ~GridControl() override;

    // Shape. rows() counts the header row; setRows(1) keeps only the header, a larger count appends
    // empty rows.
    int rows() const;
    void setRows(int count);
    // Moves on every setRows that does not only add rows: every load, search, paste, import and clear
    // starts with one, so a loop that noted it when it began knows whether the rows it writes to are
    // still the ones it read.
    quint64 contentGeneration() const { return contentGeneration_; }
    int cols() const;
    void setCols(int count);

    // Cells. Writing a cell outside the table is ignored; reading one gives empty text.
    QString cellText(int row, int col) const;
    void setCellText(int row, int col, const QString& text);
    uint32_t cellColor(int row, int col) const;  // 0 (black) until set
    void setCellColor(int row, int col, uint32_t bgr);
    QString cellTip(int row, int col) const;  // the cell's tooltip; empty when none
    void setCellTip(int row, int col, const QString& tip);

    // Columns.
    int columnWidth(int col) const;
    void setColumnWidth(int col, int width);  // 0 hides, > 0 shows with that width
    void setCheckColumn(int col);             // the check-box column (1 in the main window)
    void setColumnAlignment(int col, Qt::Alignment alignment);

    // Sorting. A header click sorts ascending, a second click on the same column reverses. The guard,
    // when set, is asked first: loops that walk the rows by number while they yield must not have the
    // rows moved under them.
    void sortByColumn(int col, Qt::SortOrder order);
    void setSortGuard(std::function<bool()> allowed);

    // Copying. Rows count as selected when any of their cells is. Whole rows are their shown data
    // columns (not the row-header column, nor the check-box column).
    QString selectedCellsText() const;  // what Ctrl+C copies: whole rows when only whole rows are selected
    QString selectedRowsText() const;
    QString columnOfSelectedRows(int col) const;  // one cell per selected row, one per line
    void copySelection();                        // selectedCellsText onto the clipboard
    // The menu shown on a right click over the cells; empty until its owner adds actions.
    QMenu* contextMenu() const { return menu_; }
    // Data rows with a selected cell, top to bottom.
    std::vector<int> selectedRows() const;

    // Opens the editor on a cell (an editable data cell only).
    void editCell(int row, int col);

    // Active cell (keyboard/click focus) and the cell under the mouse pointer (-1 when none).
    int activeRow() const;
    int activeCol() const;
    void setActiveCell(int row, int col);
    int mouseRow() const;
    int mouseCol() const;

    void setGridFont(const QString& family, int pointSize);

    // Appends `count` rows at once (one model notification), for fast loading.
    void appendRows(int count);
    // Appends one filled row (texts and colours by column; either may be shorter than the column
    // count) with one model notification.
    void appendRow(std::vector<QString> cells, std::vector<uint32_t> colors = {});

    // Loops that append rows hold redrawing back while rows keep arriving (at most one redraw per
    // 50 ms); a loop that has finished ends the hold so the last rows show at once.
    void endRepaintHold();

    // Columns 0 to `last` stay in view while the others scroll sideways: a second view of the same
    // rows (frozenView(), named "frozenColumns") lies over the grid's left edge and shows them. Widths,
    // hidden columns, selection, sorting, the mouse and the menu are the grid's own. -1 freezes none.
    void setFrozenColumns(int last);
    QTableView* frozenView() const { return frozen_; }

    QTableView* view() const { return view_; }
    GridModel* model() const { return model_; }

signals:
    void cellDoubleClicked(int row, int col);
    void checkToggled(int row, bool checked);
    // The user typed new text into a cell (row, col in grid addressing); writes by setCellText do not count.
    void cellEdited(int row, int col);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void configureView(QTableView* view);
    std::vector<QHeaderView*> columnHeaders() const;
    void setViewUpdates(bool enabled);
    void syncFrozenColumns();
    void updateFrozenGeometry();
    int frozenWidth() const;
    void keepClearOfFrozen(const QModelIndex& current);
    QTableView* keyTarget(bool inFrozen, const QKeyEvent& key) const;
    void holdRepaints();
    void headerClicked(int section);
    void selectRowsTo(int modelRow, Qt::KeyboardModifiers modifiers);
    bool wholeRowsSelected() const;
    std::vector<int> shownDataColumns() const;
    QString linesOf(const std::vector<int>& rows, const std::vector<int>& cols, bool selectedOnly) const;

    QTableView* view_ = nullptr;
    QTableView* frozen_ = nullptr;
    int frozenLast_ = -1;
    QMenu* menu_ = nullptr;
    std::function<bool()> sortAllowed_;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    QTimer* repaintTimer_ = nullptr;
    GridModel* model_ = nullptr;
    int mouseRow_ = -1;
    int mouseCol_ = -1;
    quint64 contentGeneration_ = 0;
};

}  // namespace ds::ui
