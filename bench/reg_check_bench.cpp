// The registration status check over 1,000 grid rows of an offscreen main window, against a loopback
// whois service that answers at once. The program's own cost per row is the check's wall time minus
// the time the same 1,000 fetches take on their own (measured just before, same server, same URLs).
// Goal: under 5 s in all and under 2 ms of own work per row.
// A second run checks 100 rows against a whois service that answers every request with nginx's 404
// page: both passes run (every row times out and is retried), and no row may read as free.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <httplib.h>

#include <memory>
#include <thread>

#include "checks/reg_check.h"
#include "core/remote_settings.h"
#include "net/fetch.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "ui/desktop.h"
#include "ui/grid_control.h"

using namespace ds;

namespace {

constexpr int kRows = 1000;

class SilentDesktop : public ui::QtDesktop {
public:
    ui::MessageAnswer message(QWidget*, const QString&, const QString&, ui::MessageButtons) override {
        return ui::MessageAnswer::Ok;
    }
};

class WhoisOnLoopback {
public:
    explicit WhoisOnLoopback(bool notFound = false) {
        server_.Get("/whois", [notFound](const httplib::Request&, httplib::Response& res) {
            if (notFound) {
                res.status = 404;
                res.set_content("<html><head><title>404 Not Found</title></head><body><center><h1>404 Not Found"
                                "</h1></center><hr><center>nginx</center></body></html>",
                                "text/html");
                return;
            }
            res.set_content("<html>Whois results for the domain: Registrar: ABC, Status ok</html>", "text/html");
        });
        server_.set_tcp_nodelay(true);  // as real servers do on kept-alive connections
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::yield();
    }
    ~WhoisOnLoopback() {
        server_.stop();
        thread_.join();
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/whois?q=").arg(port_); }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

QString DomainOf(int row) { return u"bench" + QString::number(row) + u".com"; }

void FillGrid(ui::GridControl& grid, int rows = kRows) {
    grid.setRows(1);
    for (int r = 1; r <= rows; ++r)
        grid.appendRow({QString(), QString(), QString::number(r), DomainOf(r), QStringLiteral("未注册")});
}

void BM_RegCheckPass0(benchmark::State& state) {
    ui::SetDesktop(std::make_shared<SilentDesktop>());
    WhoisOnLoopback whois;
    RemoteSettings settings;
    settings.loaded = true;
    settings.values.insert(QStringLiteral("lwhoisurl"), whois.baseUrl());
    SetRemoteSettings(settings);

    search::Fdomain form;
    form.resize(1000, 700);
    form.show();
    QApplication::processEvents();

    double totalMs = 0, fetchMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer fetches;
        fetches.start();
        for (int r = 1; r <= kRows; ++r) benchmark::DoNotOptimize(net::GetBody(whois.baseUrl() + DomainOf(r), u"GB2312"_qs));
        fetchMs += fetches.nsecsElapsed() / 1e6;
        FillGrid(*form.grid1());
        QApplication::processEvents();
        state.ResumeTiming();

        QElapsedTimer check;
        check.start();
        checks::CheckRegStatus(form, 0, QString(), false);
        totalMs += check.nsecsElapsed() / 1e6;
    }
    if (form.grid1()->cellText(kRows, search::col::Status) != u"已注册") state.SkipWithError("rows not checked");

    const double runs = static_cast<double>(state.iterations());
    state.counters["total_s"] = totalMs / runs / 1000;
    state.counters["fetch_ms_per_row"] = fetchMs / runs / kRows;
    state.counters["own_ms_per_row"] = (totalMs - fetchMs) / runs / kRows;
    state.SetItemsProcessed(state.iterations() * kRows);
    ui::SetDesktop(nullptr);
    SetRemoteSettings({});
}
BENCHMARK(BM_RegCheckPass0)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_RegCheck100RowsAgainst404(benchmark::State& state) {
    constexpr int kRows404 = 100;
    ui::SetDesktop(std::make_shared<SilentDesktop>());
    WhoisOnLoopback whois(true);
    RemoteSettings settings;
    settings.loaded = true;
    settings.values.insert(QStringLiteral("lwhoisurl"), whois.baseUrl());
    SetRemoteSettings(settings);

    search::Fdomain form;
    form.resize(1000, 700);
    form.show();
    QApplication::processEvents();

    int wrongRows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillGrid(*form.grid1(), kRows404);
        QApplication::processEvents();
        state.ResumeTiming();
        checks::CheckRegStatus(form, 0, QString(), false);
        state.PauseTiming();
        for (int r = 1; r <= kRows404; ++r)
            wrongRows += form.grid1()->cellText(r, search::col::Status) != u"超时" ? 1 : 0;
        state.ResumeTiming();
    }
    if (wrongRows > 0) state.SkipWithError("a 404 page was read as an answer");
    state.counters["rows_not_timed_out"] = wrongRows;
    state.SetItemsProcessed(state.iterations() * kRows404);
    ui::SetDesktop(nullptr);
    SetRemoteSettings({});
}
BENCHMARK(BM_RegCheck100RowsAgainst404)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
