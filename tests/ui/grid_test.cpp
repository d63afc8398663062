// The result grid: shape, cells, check box, colours, widths, active and pointed cell, big tables,
// sorting, copying and when a cell is edited.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#if __has_include(<QAbstractItemModelTester>) && defined(QT_TESTLIB_LIB)
#include <QAbstractItemModelTester>
#define DROPSCOUT_MODEL_TESTER 1
#endif

#include "support/test_support.h"
#include "ui/grid_control.h"
#include "ui/grid_model.h"
#include "ui/grid_rules.h"

using ds::ui::GridControl;
using ds::ui::GridModel;

namespace {

// A grid set up like the main window's: 21 columns, captions in row 0, column 1 holds the check box.
void SetUpLikeMainWindow(GridControl& grid) {
    grid.setCols(21);
    grid.setRows(1);
    grid.setCheckColumn(1);
    for (int c = 0; c < 21; ++c) grid.setCellText(0, c, u"H"_qs + QString::number(c));
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint pos) {
    QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Records the arguments of every emission of a two-argument signal.
struct Emissions {
    std::vector<std::pair<int, int>> calls;
    int count() const { return static_cast<int>(calls.size()); }
};

QPoint CellCenter(GridControl& grid, int row, int col) {
    return grid.view()->visualRect(grid.model()->index(row - 1, col)).center();
}

}  // namespace

#ifdef DROPSCOUT_MODEL_TESTER
TEST(GridModelTest, PassesTheModelTesterThroughEveryChange) {
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setGridCols(21);
    model.setCheckColumn(1);
    model.appendRows(5);
    model.appendRow({u""_qs, u"1"_qs, u"3"_qs, u"a.com"_qs}, {0, 0, 0, 255});
    model.setText(2, 3, u"b.com"_qs);
    model.setText(0, 3, u"域名地址"_qs);
    model.setColor(0, 3, 255);
    EXPECT_TRUE(model.setData(model.index(0, 1), Qt::Checked, Qt::CheckStateRole));
    model.setGridCols(10);
    model.setGridCols(21);
    model.setGridRows(3);
    model.setGridRows(1);
    model.setGridRows(4);
    EXPECT_EQ(model.rowCount(), 3);
}
#endif

TEST(GridControlTest, SetRowsKeepsHeaderAndGrowingAppendsEmptyRows) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.model()->rowCount(), 0);

    grid.setRows(4);
    grid.setCellText(2, 3, u"a.com"_qs);
    grid.setCellColor(2, 4, 255);
    grid.setRows(1);
    EXPECT_EQ(grid.rows(), 1);
    for (int c = 0; c < 21; ++c) {
        EXPECT_EQ(grid.cellText(0, c), u"H"_qs + QString::number(c));
        EXPECT_EQ(grid.model()->headerData(c, Qt::Horizontal).toString(), u"H"_qs + QString::number(c));
    }

    // Rows removed and added again come back empty, not with their old cells.
    grid.setRows(3);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.model()->rowCount(), 2);
    for (int r = 1; r < 3; ++r)
        for (int c = 0; c < 21; ++c) {
            EXPECT_EQ(grid.cellText(r, c), u"") << r << "," << c;
            EXPECT_EQ(grid.cellColor(r, c), 0u);
        }

    grid.setRows(0);  // the header row always stays
    EXPECT_EQ(grid.rows(), 1);
}

TEST(GridControlTest, CellsAreIndependentAndOutOfRangeIsHarmless) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setRows(3);
    grid.setCellText(1, 3, u"a.com"_qs);
    grid.setCellText(2, 3, u"b.com"_qs);
    grid.setCellText(1, 20, u"9"_qs);
    EXPECT_EQ(grid.cellText(1, 3), u"a.com");
    EXPECT_EQ(grid.cellText(2, 3), u"b.com");
    EXPECT_EQ(grid.cellText(1, 20), u"9");
    EXPECT_EQ(grid.cellText(1, 19), u"");
    EXPECT_EQ(grid.model()->index(0, 3).data().toString(), u"a.com");

    const struct {
        int row, col;
    } outside[] = {{-1, 0}, {3, 0}, {0, -1}, {0, 21}, {1000000, 5}};
    for (const auto& at : outside) {
        grid.setCellText(at.row, at.col, u"x"_qs);
        grid.setCellColor(at.row, at.col, 255);
        EXPECT_EQ(grid.cellText(at.row, at.col), u"");
        EXPECT_EQ(grid.cellColor(at.row, at.col), 0u);
    }
    EXPECT_EQ(grid.rows(), 3);
    grid.setColumnWidth(-1, 10);
    grid.setColumnWidth(21, 10);
    EXPECT_EQ(grid.columnWidth(21), 0);
    grid.setActiveCell(0, 3);   // the header row is never the active cell
    grid.setActiveCell(3, 3);
    EXPECT_EQ(grid.activeRow(), -1);

    // Shrinking the column count and growing it back shows empty cells.
    grid.setCols(10);
    EXPECT_EQ(grid.cellText(1, 20), u"");
    grid.setCols(21);
    EXPECT_EQ(grid.cellText(1, 20), u"");
    EXPECT_EQ(grid.cellText(1, 3), u"a.com");
}

TEST(GridControlTest, CheckColumnReadsAndWritesOneAndZero) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setRows(3);
    Emissions toggled;
    QObject::connect(&grid, &GridControl::checkToggled,
                     [&](int row, bool checked) { toggled.calls.emplace_back(row, checked); });
    const QModelIndex box = grid.model()->index(0, 1);

    EXPECT_TRUE(grid.model()->flags(box) & Qt::ItemIsUserCheckable);
    EXPECT_EQ(box.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);  // empty reads as not ticked
    grid.setCellText(1, 1, u"1"_qs);
    EXPECT_EQ(box.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    grid.setCellText(1, 1, u"0"_qs);
    EXPECT_EQ(box.data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(toggled.count(), 0);  // writing the text is not a user's click

    EXPECT_TRUE(grid.model()->setData(box, Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(grid.cellText(1, 1), u"1");
    EXPECT_TRUE(grid.model()->setData(box, Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(grid.cellText(1, 1), u"0");
    ASSERT_EQ(toggled.count(), 2);
    EXPECT_EQ(toggled.calls[0], std::make_pair(1, 1));
    EXPECT_EQ(toggled.calls[1], std::make_pair(1, 0));

    // Other columns carry no box.
    EXPECT_FALSE(grid.model()->index(0, 2).data(Qt::CheckStateRole).isValid());
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 2), Qt::Checked, Qt::CheckStateRole));
}

TEST(GridControlTest, ClickOnTheBoxTogglesIt) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setColumnWidth(1, 30);
    grid.setRows(3);
    grid.setCellText(2, 1, u"0"_qs);
    grid.resize(600, 300);
    grid.show();
    QApplication::processEvents();

    QTableView* view = grid.view();
    const QModelIndex index = grid.model()->index(1, 1);
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    const QPoint box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view).center();

    Emissions toggled;
    QObject::connect(&grid, &GridControl::checkToggled,
                     [&](int row, bool checked) { toggled.calls.emplace_back(row, checked); });
    for (const char16_t* expected : {u"1", u"0"}) {
        SendMouse(view->viewport(), QEvent::MouseButtonPress, box);
        SendMouse(view->viewport(), QEvent::MouseButtonRelease, box);
        EXPECT_EQ(grid.cellText(2, 1), QString::fromUtf16(expected));
    }
    ASSERT_EQ(toggled.count(), 2);
    EXPECT_EQ(toggled.calls[0], std::make_pair(2, 1));
    EXPECT_EQ(grid.cellText(1, 1), u"");  // the other row is untouched
}

TEST(GridControlTest, ColourReadsBackAndShowsAsTextColour) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setRows(2);
    const struct {
        uint32_t bgr;
        QColor color;
    } cases[] = {{255, QColor(255, 0, 0)}, {55, QColor(55, 0, 0)}, {0x00FF0000, QColor(0, 0, 255)},
                 {0x00332211, QColor(0x11, 0x22, 0x33)}};
    for (const auto& c : cases) {
        grid.setCellColor(1, 4, c.bgr);
        EXPECT_EQ(grid.cellColor(1, 4), c.bgr);
        EXPECT_EQ(grid.model()->index(0, 4).data(Qt::ForegroundRole).value<QColor>(), c.color);
    }
    grid.setCellColor(0, 3, 255);  // the header cell keeps its own colour (copied by the checks)
    EXPECT_EQ(grid.cellColor(0, 3), 255u);
    EXPECT_EQ(grid.model()->headerData(3, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(grid.cellColor(1, 3), 0u);
    EXPECT_FALSE(grid.model()->index(0, 3).data(Qt::ForegroundRole).isValid());
}

TEST(GridControlTest, WidthZeroHidesAndPositiveShows) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    const int widths[] = {30, 30, 30, 200, 60, 50};
    for (int c = 0; c < 6; ++c) grid.setColumnWidth(c, widths[c]);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(grid.columnWidth(c), widths[c]);

    grid.setColumnWidth(5, 0);
    EXPECT_TRUE(grid.view()->isColumnHidden(5));
    EXPECT_EQ(grid.columnWidth(5), 0);
    grid.setColumnWidth(5, 50);
    EXPECT_FALSE(grid.view()->isColumnHidden(5));
    EXPECT_EQ(grid.columnWidth(5), 50);
}

TEST(GridControlTest, ActiveCellPointedCellAndDoubleClick) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setRows(4);
    grid.resize(800, 400);
    grid.show();
    QApplication::processEvents();

    grid.setActiveCell(2, 3);
    EXPECT_EQ(grid.activeRow(), 2);
    EXPECT_EQ(grid.activeCol(), 3);
    EXPECT_EQ(grid.mouseRow(), -1);

    QWidget* viewport = grid.view()->viewport();
    SendMouse(viewport, QEvent::MouseMove, CellCenter(grid, 3, 4));
    EXPECT_EQ(grid.mouseRow(), 3);
    EXPECT_EQ(grid.mouseCol(), 4);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(viewport, &leave);
    EXPECT_EQ(grid.mouseRow(), -1);
    EXPECT_EQ(grid.mouseCol(), -1);

    // Over the column header the pointer is on row 0.
    QHeaderView* header = grid.view()->horizontalHeader();
    SendMouse(header->viewport(), QEvent::MouseMove, QPoint(header->sectionViewportPosition(3) + 5, 5));
    EXPECT_EQ(grid.mouseRow(), 0);
    EXPECT_EQ(grid.mouseCol(), 3);

    Emissions doubleClicked;
    QObject::connect(&grid, &GridControl::cellDoubleClicked,
                     [&](int row, int col) { doubleClicked.calls.emplace_back(row, col); });
    const QPoint at = CellCenter(grid, 2, 6);
    SendMouse(viewport, QEvent::MouseButtonPress, at);
    SendMouse(viewport, QEvent::MouseButtonRelease, at);
    SendMouse(viewport, QEvent::MouseButtonDblClick, at);
    SendMouse(viewport, QEvent::MouseButtonRelease, at);
    ASSERT_EQ(doubleClicked.count(), 1);
    EXPECT_EQ(doubleClicked.calls[0], std::make_pair(2, 6));
    EXPECT_EQ(grid.activeRow(), 2);
    EXPECT_EQ(grid.activeCol(), 6);
    EXPECT_EQ(grid.mouseRow(), 2);
    EXPECT_EQ(grid.mouseCol(), 6);
    EXPECT_EQ(grid.cellText(2, 6), u"");  // a double-click does not start editing
    EXPECT_TRUE(grid.view()->viewport()->findChildren<QLineEdit*>().isEmpty());  // no editor opened
}

TEST(GridControlTest, TypedTextLandsInTheCellButNotInTheRowHeader) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.setRows(2);
    Emissions edited;
    QObject::connect(&grid, &GridControl::cellEdited, [&](int row, int col) { edited.calls.emplace_back(row, col); });
    GridModel* model = grid.model();
    EXPECT_TRUE(model->setData(model->index(0, 3), u"typed.com"_qs, Qt::EditRole));
    EXPECT_EQ(grid.cellText(1, 3), u"typed.com");
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->setData(model->index(0, 0), u"x"_qs, Qt::EditRole));

    // Only a change the user typed is reported: not the same text committed again, not a program's write.
    EXPECT_TRUE(model->setData(model->index(0, 3), u"typed.com"_qs, Qt::EditRole));
    grid.setCellText(1, 3, u"written.com"_qs);
    EXPECT_TRUE(model->setData(model->index(0, 5), u"9"_qs, Qt::EditRole));
    EXPECT_EQ(edited.calls, (std::vector<std::pair<int, int>>{{1, 3}, {1, 5}}));
}

TEST(GridControlTest, AppendedRowsKeepTheirCellsAndAHundredThousandRowsStayCheap) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.resize(800, 600);
    grid.show();
    QApplication::processEvents();

    int inserted = 0;
    QObject::connect(grid.model(), &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    grid.appendRow({u""_qs, u""_qs, u"1"_qs, u"a.com"_qs, u"未注册"_qs}, {0, 0, 0, 0, 255});
    EXPECT_EQ(inserted, 1);
    EXPECT_EQ(grid.cellText(1, 3), u"a.com");
    EXPECT_EQ(grid.cellColor(1, 4), 255u);
    grid.appendRow(std::vector<QString>(30, u"x"_qs));  // more cells than columns: the rest is dropped
    EXPECT_EQ(grid.cellText(2, 20), u"x");
    EXPECT_EQ(grid.cellText(2, 21), u"");

    QElapsedTimer timer;
    timer.start();
    grid.appendRows(100000);
    for (int r = 3; r < grid.rows(); r += 997) grid.setCellText(r, 3, QString::number(r));
    grid.view()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_EQ(grid.rows(), 100003);
    EXPECT_LT(timer.elapsed(), 2000);  // generous: the point is no per-row measuring
    EXPECT_EQ(grid.cellText(100002, 3), u"");
    EXPECT_EQ(grid.cellText(3 + 997, 3), QString::number(3 + 997));
    grid.setRows(1);
    EXPECT_EQ(grid.rows(), 1);
}

TEST(GridControlTest, RedrawsOnceABurstOfRowsIsOver) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    grid.show();
    QApplication::processEvents();
    for (int i = 0; i < 50; ++i) {
        grid.appendRow({u""_qs, u""_qs, QString::number(i + 1)});
        QApplication::processEvents();
    }
    EXPECT_EQ(grid.rows(), 51);
    EXPECT_TRUE(ds::test::WaitFor([&] { return grid.view()->updatesEnabled(); }, 2000));
}

// --- Sorting and copying -------------------------------------------------------------------------------

TEST(GridRules, CellsSortAsNumbersDatesThenTextWithEmptyCellsLast) {
    using ds::ui::SortedOrder;
    const struct {
        const char* name;
        QStringList cells;
        QStringList ascending;
    } cases[] = {
        {"numbers by value, not by letters", {u"10"_qs, u"9"_qs, u"100"_qs, u"-1"_qs, u"2.5"_qs},
         {u"-1"_qs, u"2.5"_qs, u"9"_qs, u"10"_qs, u"100"_qs}},
        {"a unit after the number still reads as the number", {u"12天"_qs, u"3天"_qs, u"已过期"_qs, u""_qs, u"100天"_qs},
         {u"3天"_qs, u"12天"_qs, u"100天"_qs, u"已过期"_qs, u""_qs}},
        {"dates by day, whatever their spelling", {u"2024-05-10"_qs, u"2023/12/1"_qs, u"2024-5-2 10:00:00"_qs},
         {u"2023/12/1"_qs, u"2024-5-2 10:00:00"_qs, u"2024-05-10"_qs}},
        {"names that start with digits are names", {u"b.com"_qs, u"123.com"_qs, u"9a.net"_qs, u"A.cn"_qs},
         {u"123.com"_qs, u"9a.net"_qs, u"A.cn"_qs, u"b.com"_qs}},
        {"an impossible date is text", {u"2024-02-30"_qs, u"5"_qs}, {u"5"_qs, u"2024-02-30"_qs}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            QStringList sorted;
            for (int at : SortedOrder(c.cells, order)) sorted << c.cells[at];
            QStringList expected = c.ascending;
            if (order == Qt::DescendingOrder) {
                // Reversed, except that empty cells stay at the end.
                const qsizetype filled = expected.indexOf(QString()) < 0 ? expected.size() : expected.indexOf(QString());
                std::reverse(expected.begin(), expected.begin() + filled);
            }
            EXPECT_EQ(sorted, expected) << (order == Qt::AscendingOrder ? "ascending" : "descending");
        }
    }
    // Equal cells keep their order, so a second sort refines the first.
    EXPECT_EQ(SortedOrder({u"1"_qs, u"0"_qs, u"1"_qs, u"0"_qs}, Qt::DescendingOrder), (std::vector<int>{0, 2, 1, 3}));
}

TEST(GridRules, TabSeparatedLinesEndInCrLfAndKeepCellsWhole) {
    EXPECT_EQ(ds::ui::TabSeparated({{u"a.com"_qs, u"未注册"_qs}, {u"b.com"_qs, u""_qs}}),
              u"a.com\t未注册\r\nb.com\t\r\n"_qs);
    EXPECT_EQ(ds::ui::TabSeparated({{u"x\ty"_qs, u"line\r\nbreak"_qs}}), u"x y\tline  break\r\n"_qs);
    EXPECT_EQ(ds::ui::TabSeparated({}), u""_qs);
}

namespace {

bool EditorShown(GridControl& grid) {
    QApplication::processEvents();
    const auto editors = grid.view()->viewport()->findChildren<QLineEdit*>();
    return std::any_of(editors.begin(), editors.end(), [](QLineEdit* e) { return e->isVisible(); });
}

// Three data rows, shown, with distinct cells; column 10 is hidden like the main window's id column.
struct ShownGrid {
    GridControl grid;
    ShownGrid() {
        SetUpLikeMainWindow(grid);
        for (int c = 0; c < 21; ++c) grid.setColumnWidth(c, c >= 10 ? 0 : 40);
        grid.setColumnWidth(3, 80);
        const QStringList domains{u"b.com"_qs, u"c.com"_qs, u"a.com"_qs};
        const QStringList numbers{u"10"_qs, u"9"_qs, u"100"_qs};
        for (int r = 0; r < 3; ++r)
            grid.appendRow({u""_qs, r == 1 ? u"1"_qs : u"0"_qs, numbers[r], domains[r], u"s"_qs + QString::number(r + 1)},
                           {0, 0, 0, 0, r == 2 ? 255u : 0u});
        grid.resize(700, 300);
        grid.show();
        QApplication::processEvents();
    }
    QStringList column(int col) const {
        QStringList out;
        for (int r = 1; r < grid.rows(); ++r) out << grid.cellText(r, col);
        return out;
    }
    void select(int row, int col, QItemSelectionModel::SelectionFlags how = QItemSelectionModel::Select) {
        grid.view()->selectionModel()->select(grid.model()->index(row - 1, col), how);
    }
    void clickHeader(int col) {
        QHeaderView* header = grid.view()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(col) + 5, 5);
        SendMouse(header->viewport(), QEvent::MouseButtonPress, at);
        SendMouse(header->viewport(), QEvent::MouseButtonRelease, at);
    }
};

}  // namespace

TEST(GridControlTest, HeaderClicksSortAndReverseRowsWithTheirMarksAndColours) {
    ShownGrid g;
    g.grid.setActiveCell(3, 3);  // a.com
    g.clickHeader(2);
    EXPECT_EQ(g.column(2), (QStringList{u"9"_qs, u"10"_qs, u"100"_qs}));
    EXPECT_EQ(g.column(3), (QStringList{u"c.com"_qs, u"b.com"_qs, u"a.com"_qs}));
    EXPECT_EQ(g.column(1), (QStringList{u"1"_qs, u"0"_qs, u"0"_qs}));  // the tick went with c.com
    EXPECT_EQ(g.grid.cellColor(3, 4), 255u);                           // and the colour with a.com
    EXPECT_EQ(g.grid.cellText(g.grid.activeRow(), 3), u"a.com");        // so did the current cell

    g.clickHeader(2);
    EXPECT_EQ(g.column(2), (QStringList{u"100"_qs, u"10"_qs, u"9"_qs}));
    EXPECT_EQ(g.grid.view()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    g.clickHeader(3);
    EXPECT_EQ(g.column(3), (QStringList{u"a.com"_qs, u"b.com"_qs, u"c.com"_qs}));

    // While the guard says no (a loop is walking the rows), the rows stay where they are.
    bool allowed = false;
    g.grid.setSortGuard([&] { return allowed; });
    g.clickHeader(2);
    EXPECT_EQ(g.column(3), (QStringList{u"a.com"_qs, u"b.com"_qs, u"c.com"_qs}));
    EXPECT_EQ(g.grid.view()->horizontalHeader()->sortIndicatorSection(), 3);
    allowed = true;
    g.clickHeader(2);
    EXPECT_EQ(g.column(2), (QStringList{u"9"_qs, u"10"_qs, u"100"_qs}));
    // The header click sorts; it does not select the column.
    EXPECT_TRUE(g.grid.selectedRows().size() <= 1u);

    // New rows come in their own order: the arrow goes.
    g.grid.setRows(1);
    EXPECT_FALSE(g.grid.view()->horizontalHeader()->isSortIndicatorShown());
}

TEST(GridControlTest, CtrlCCopiesTheSelectionAsTabSeparatedLines) {
    ds::test::DesktopScope desktop;
    ShownGrid g;
    const auto copy = [&] {
        g.grid.view()->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QApplication::sendEvent(g.grid.view(), &press);
        return desktop->clipboard;
    };

    // Cells of two rows: each row keeps its columns, a cell left out stays an empty field.
    g.select(1, 3);
    g.select(1, 4);
    g.select(3, 4);
    EXPECT_EQ(copy(), u"b.com\ts1\r\n\ts3\r\n"_qs);

    // A hidden column is not copied even when selected.
    desktop->clipboard.clear();
    g.grid.view()->clearSelection();
    g.select(2, 10);
    g.select(2, 2);
    EXPECT_EQ(copy(), u"9\r\n"_qs);

    // A click on column 0 takes the whole row: its shown data columns, without the tick box.
    const QPoint rowHeader = CellCenter(g.grid, 3, 0);
    SendMouse(g.grid.view()->viewport(), QEvent::MouseButtonPress, rowHeader);
    SendMouse(g.grid.view()->viewport(), QEvent::MouseButtonRelease, rowHeader);
    EXPECT_EQ(g.grid.selectedRows(), std::vector<int>{3});
    EXPECT_EQ(copy(), u"100\ta.com\ts3\t\t\t\t\t\r\n"_qs);
    EXPECT_EQ(g.grid.selectedRowsText(), u"100\ta.com\ts3\t\t\t\t\t\r\n"_qs);
    EXPECT_EQ(g.grid.columnOfSelectedRows(3), u"a.com\r\n"_qs);

    // Nothing selected: the clipboard is left alone.
    g.grid.view()->clearSelection();
    desktop->clipboard = u"kept"_qs;
    EXPECT_EQ(copy(), u"kept"_qs);
}

TEST(GridControlTest, ClicksNeverEditButTypingAndF2Do) {
    ShownGrid g;
    QWidget* viewport = g.grid.view()->viewport();
    const auto editorOpen = [&] { return EditorShown(g.grid); };
    // Two single clicks on the same cell select it; neither opens an editor.
    const QPoint at = CellCenter(g.grid, 2, 3);
    for (int i = 0; i < 2; ++i) {
        SendMouse(viewport, QEvent::MouseButtonPress, at);
        SendMouse(viewport, QEvent::MouseButtonRelease, at);
    }
    EXPECT_FALSE(editorOpen());

    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(g.grid.view(), &f2);
    EXPECT_TRUE(editorOpen());

    ShownGrid other;
    other.grid.editCell(1, 0);  // the row header is never edited
    EXPECT_FALSE(EditorShown(other.grid));
    other.grid.editCell(1, 4);
    EXPECT_TRUE(EditorShown(other.grid));
    EXPECT_EQ(other.grid.activeRow(), 1);
    EXPECT_EQ(other.grid.activeCol(), 4);
}

// Columns 0 to 3 (row header, 选择, 编号, 域名地址) stay in view while the metric columns are scrolled to.
TEST(GridControlTest, FrozenColumnsStayInViewAfterAHorizontalScroll) {
    GridControl grid;
    SetUpLikeMainWindow(grid);
    for (int c = 0; c < 21; ++c) grid.setColumnWidth(c, c == 3 ? 140 : 70);
    grid.setRows(40);
    for (int r = 1; r < 40; ++r) grid.setCellText(r, 3, u"d"_qs + QString::number(r) + u".com"_qs);
    grid.setFrozenColumns(3);
    grid.resize(600, 300);
    grid.show();
    QApplication::processEvents();
    QTableView* frozen = grid.frozenView();
    ASSERT_NE(frozen, nullptr);

    QScrollBar* across = grid.view()->horizontalScrollBar();
    across->setValue(across->maximum());
    grid.view()->verticalScrollBar()->setValue(10);  // and down, which the frozen columns follow
    QApplication::processEvents();
    ASSERT_GT(across->value(), 0);

    // The grid's own domain column has gone off to the left; the frozen one stands where it stood.
    const QModelIndex domain = grid.model()->index(11, 3);  // data row 12
    EXPECT_LT(grid.view()->visualRect(domain).right(), 0);
    const QRect shown = frozen->visualRect(domain);
    ASSERT_TRUE(frozen->viewport()->rect().contains(shown.center()));
    const QPoint inGrid = frozen->viewport()->mapTo(&grid, shown.center());
    EXPECT_EQ(grid.childAt(inGrid), frozen->viewport());
    // It starts where the cells start.
    EXPECT_EQ(frozen->viewport()->mapTo(&grid, QPoint(0, 0)).x(),
              grid.view()->viewport()->mapTo(&grid, QPoint(0, 0)).x());
    EXPECT_EQ(frozen->width(), 70 + 70 + 70 + 140);

    // The frozen cells are the grid's: a double-click there is the grid's double-click, a selection
    // made there is the grid's selection.
    Emissions doubleClicked;
    QObject::connect(&grid, &GridControl::cellDoubleClicked,
                     [&](int row, int col) { doubleClicked.calls.emplace_back(row, col); });
    SendMouse(frozen->viewport(), QEvent::MouseButtonPress, shown.center());
    SendMouse(frozen->viewport(), QEvent::MouseButtonRelease, shown.center());
    SendMouse(frozen->viewport(), QEvent::MouseButtonDblClick, shown.center());
    SendMouse(frozen->viewport(), QEvent::MouseButtonRelease, shown.center());
    EXPECT_EQ(doubleClicked.calls, (std::vector<std::pair<int, int>>{{12, 3}}));
    EXPECT_EQ(grid.activeRow(), 12);
    EXPECT_EQ(grid.activeCol(), 3);
    EXPECT_EQ(grid.mouseRow(), 12);

    // Keys act where the user sees the cell: typing into the domain cell opens the editor in the frozen
    // view, and an arrow key there moves on into the scrolled columns.
    grid.setActiveCell(12, 3);
    QTest::keyClick(grid.view(), Qt::Key_F2);
    ASSERT_EQ(frozen->viewport()->findChildren<QLineEdit*>().size(), 1);
    EXPECT_TRUE(frozen->viewport()->findChild<QLineEdit*>()->isVisible());
    EXPECT_TRUE(grid.view()->viewport()->findChildren<QLineEdit*>().isEmpty());
    QTest::keyClick(frozen->viewport()->findChild<QLineEdit*>(), Qt::Key_Escape);
    QTest::keyClick(frozen, Qt::Key_Right);
    EXPECT_EQ(grid.activeCol(), 4);
    EXPECT_GE(grid.view()->visualRect(grid.model()->index(11, 4)).left(), frozen->width());

    // Widths and hidden columns follow the grid's: 编号 hidden, the domain column widened.
    grid.setColumnWidth(2, 0);
    grid.setColumnWidth(3, 200);
    QApplication::processEvents();
    EXPECT_TRUE(frozen->isColumnHidden(2));
    EXPECT_EQ(frozen->columnWidth(3), 200);
    EXPECT_EQ(frozen->width(), 70 + 70 + 200);
    for (int c = 4; c < 21; ++c) EXPECT_TRUE(frozen->isColumnHidden(c)) << c;

    // Sorting from either header marks both.
    grid.sortByColumn(3, Qt::DescendingOrder);
    EXPECT_EQ(frozen->horizontalHeader()->sortIndicatorSection(), 3);
    EXPECT_TRUE(frozen->horizontalHeader()->isSortIndicatorShown());
    grid.setRows(1);
    EXPECT_FALSE(frozen->horizontalHeader()->isSortIndicatorShown());
}
