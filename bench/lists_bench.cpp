// Domain lists on the real main window: importing a 100,000-line text file into the grid, exporting
// 100,000 ticked rows in each form, and the resident memory with 100,000 imported rows. Targets: each
// run under 1 s, under 200 MB resident. Also the cost of one idle yield, which sets how often the loops
// yield.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "core/codepage.h"
#include "lists/import_export.h"
#include "lists/install.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

using namespace ds;

namespace {

constexpr int kRows = 100000;

// Answers the file dialogs with a fixed path and every question with No.
class BenchDesktop : public ui::QtDesktop {
public:
    QString path;
    ui::MessageAnswer message(QWidget*, const QString&, const QString&, ui::MessageButtons) override {
        return ui::MessageAnswer::No;
    }
    QString openFileName(QWidget*, const QString&, const QString&) override { return path; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return path; }
    void shellOpen(const QString&) override {}
};

// kB figure of a /proc/self/status line ("VmRSS", "VmHWM").
long ProcStatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
    return -1;
}

struct Window {
    std::shared_ptr<BenchDesktop> desktop = std::make_shared<BenchDesktop>();
    std::unique_ptr<search::Fdomain> form;
    QTemporaryDir dir;

    Window() {
        ui::SetDesktop(desktop);
        form = std::make_unique<search::Fdomain>();
        lists::InstallImportExport(*form);
        form->show();
        QApplication::processEvents();
    }
    ~Window() {
        form.reset();
        ui::SetDesktop(nullptr);
    }
    // Lets the window paint what the command left, as the user would see it.
    void drawNow() {
        QApplication::processEvents();
        form->grid1()->repaint();
    }
};

// One domain a line, every third with a note after it as hand-kept lists have.
QString WriteImportFile(const QString& path, int lines) {
    const QString noted = QStringLiteral(".cn  备注\r\n");
    const QString bare = QStringLiteral(".com\r\n");
    QString text;
    text.reserve(lines * 24);
    for (int i = 1; i <= lines; ++i) text += u"name" + QString::number(i) + (i % 3 == 0 ? noted : bare);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(EncodeText(text, QStringLiteral("GBK")));
    return path;
}

void BM_ImportTextFile(benchmark::State& state) {
    Window w;
    w.desktop->path = WriteImportFile(w.dir.filePath(QStringLiteral("list.txt")), kRows);
    const long rssBefore = ProcStatusKb("VmRSS");
    for (auto _ : state) {
        w.form->runAction(QStringLiteral("lintxt"));
        w.drawNow();
    }
    const int rows = w.form->grid1()->rows() - 1;
    if (rows != kRows) state.SkipWithError("rows missing");
    state.counters["rows"] = rows;
    state.counters["rss_MB"] = ProcStatusKb("VmRSS") / 1024.0;
    state.counters["rss_growth_MB"] = (ProcStatusKb("VmRSS") - rssBefore) / 1024.0;
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ImportTextFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// A grid as a search leaves it, every row ticked.
void FillGrid(ui::GridControl& grid, int rows) {
    grid.setRows(1);
    std::vector<QString> cells(search::col::Count);
    for (int r = 1; r <= rows; ++r) {
        cells[search::col::Selected] = QStringLiteral("1");
        cells[search::col::Number] = QString::number(r);
        cells[search::col::Domain] = u"name" + QString::number(r) + u".com";
        cells[search::col::Status] = r % 2 ? QStringLiteral("未注册") : QStringLiteral("将过期");
        cells[search::col::FilingNumber] = u"京ICP备" + QString::number(100000 + r) + u"号";
        cells[search::col::HolderKind] = QStringLiteral("企业");
        cells[search::col::FilingDate] = QStringLiteral("2009-06-01");
        cells[search::col::SiteName] = u"站点, \"名称\" " + QString::number(r);
        cells[search::col::Registered] = QStringLiteral("2008-01-02");
        cells[search::col::Expires] = QStringLiteral("2024-01-02");
        for (int c = search::col::PageRank; c <= search::col::AlexaRank; ++c) cells[c] = QString::number(r % 97);
        grid.appendRow(cells);
    }
    grid.endRepaintHold();
}

void BM_ExportTickedRows(benchmark::State& state) {
    Window w;
    FillGrid(*w.form->grid1(), kRows);
    const bool csv = state.range(0) == 1;
    w.desktop->path = w.dir.filePath(csv ? QStringLiteral("domain.csv") : QStringLiteral("domain.txt"));
    for (auto _ : state) {
        w.form->runAction(QStringLiteral("ltxt"));
    }
    state.counters["file_MB"] = QFileInfo(w.desktop->path).size() / 1048576.0;
    state.SetItemsProcessed(state.iterations() * kRows);
    state.SetLabel(csv ? "csv" : "txt");
}
BENCHMARK(BM_ExportTickedRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// One yield to the event loop with nothing waiting, on the shown main window.
void BM_IdleYield(benchmark::State& state) {
    Window w;
    for (auto _ : state) QCoreApplication::processEvents();
}
BENCHMARK(BM_IdleYield)->Unit(benchmark::kMicrosecond);

}  // namespace
