// Result grid costs: appending a hundred thousand rows to a visible grid, and loading one page of a
// thousand rows from a SQLite demo file (statement already open, yields and painting included).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "db/demo_data.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "search/page_loader.h"
#include "ui/busy_strip.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"
#include "ui/grid_model.h"

using namespace ds;

namespace {

void ShowGrid(QWidget& window, ui::GridControl& grid) {
    grid.setCols(search::col::Count);
    grid.setCheckColumn(search::col::Selected);
    for (int c = 0; c < search::col::Count; ++c) grid.setCellText(0, c, u"列"_qs + QString::number(c));
    window.resize(1000, 700);
    grid.resize(1000, 700);
    window.show();
    QApplication::processEvents();
}

// Draws the grid now, as it does once its hold on redrawing during a burst of rows ends, so that the
// figures include one full paint at the bottom of the table.
void DrawNow(ui::GridControl& grid) {
    grid.view()->scrollToBottom();
    grid.view()->setUpdatesEnabled(true);
    grid.view()->repaint();
}

void BM_AppendEmptyRowsAtOnce(benchmark::State& state) {
    QWidget window;
    auto* grid = new ui::GridControl(&window);
    ShowGrid(window, *grid);
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        grid->appendRows(rows);
        QApplication::processEvents();
        DrawNow(*grid);
        state.PauseTiming();
        grid->setRows(1);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendEmptyRowsAtOnce)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AppendFilledRowsOneByOne(benchmark::State& state) {
    QWidget window;
    auto* grid = new ui::GridControl(&window);
    ShowGrid(window, *grid);
    const int rows = static_cast<int>(state.range(0));
    std::vector<QString> cells(search::col::Count);
    for (int c = 2; c < search::col::Count; ++c) cells[c] = u"cell"_qs + QString::number(c);
    std::vector<uint32_t> colors(search::col::Count, 0);
    colors[search::col::Status] = search::kMarkColor;
    for (auto _ : state) {
        for (int r = 1; r <= rows; ++r) {
            cells[search::col::Number] = QString::number(r);
            grid->appendRow(cells, colors);
        }
        QApplication::processEvents();
        DrawNow(*grid);
        state.PauseTiming();
        grid->setRows(1);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendFilledRowsOneByOne)->Arg(100000)->Unit(benchmark::kMillisecond);

// Message boxes would block a benchmark; none is expected, so answer and forget.
class SilentDesktop : public ui::QtDesktop {
public:
    ui::MessageAnswer message(QWidget*, const QString&, const QString&, ui::MessageButtons) override {
        return ui::MessageAnswer::Ok;
    }
};

void BM_LoadGridPage(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"demo.db"_qs);
    db::DemoOptions options;
    options.regRows = 4000;
    options.hisRows = 100;
    options.backRows = 100;
    db::GenerateDemoDatabase(path, options);
    db::NewDbObjects();
    db::DbConn().open(u"Provider=SQLite;Data Source="_qs + path);
    ui::SetDesktop(std::make_shared<SilentDesktop>());

    QWidget window;
    auto* grid = new ui::GridControl(&window);
    ShowGrid(window, *grid);
    search::PagingControls c;
    c.grid1 = grid;
    c.Fpage = new QWidget(&window);
    c.pnumber = new QLabel(&window);
    c.plist = new QLabel(&window);
    c.ppageall = new QLabel(&window);
    c.lshowpage = new QLabel(u"1"_qs, &window);
    c.lstr = new QLabel(u"select top 2000 * from ldomainreg where (lregist=1)"_qs, &window);
    c.ppagelist = new QComboBox(c.Fpage);
    for (QPushButton** b : {&c.pfirst, &c.pbefore, &c.pnext, &c.plast, &c.pgo}) *b = new QPushButton(c.Fpage);
    c.floadtxt = new ui::BusyStrip(QString(), &window);
    search::SearchState searchState;
    searchState.RowsPerPage = static_cast<int>(state.range(0));
    search::PageLoader loader(c, searchState, [] {});
    loader.OpenPageQuery();

    int page = 0;
    for (auto _ : state) {
        c.lshowpage->setText(QString::number(page++ % 2 + 1));
        loader.LoadGridPage();
    }
    if (grid->rows() - 1 != searchState.RowsPerPage) state.SkipWithError("page not filled");
    state.SetItemsProcessed(state.iterations() * searchState.RowsPerPage);
    db::NewDbObjects();
    ui::SetDesktop(nullptr);
}
BENCHMARK(BM_LoadGridPage)->Arg(20)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
