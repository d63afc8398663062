// A lookup of the domain and IP window over 5 result pages of 10 names each, against loopback stand-ins
// for the search engine and the location service, with a fixed resolver (every name on the shared
// address). Reports the time in all and the window's own work per name: the lookup's wall time minus
// the time the same 7 page fetches take on their own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <httplib.h>

#include <thread>

#include "core/config.h"
#include "net/fetch.h"
#include "tools/fip.h"
#include "tools/resolver.h"
#include "ui/desktop.h"

using namespace ds;

namespace {

constexpr int kPages = 5;
constexpr int kNamesPerPage = 10;

std::string ResultPage(int page) {
    std::string html = "<html><body>";
    for (int n = 0; n < kNamesPerPage && page > 0; ++n)
        html += "<li><cite>host" + std::to_string(page) + "-" + std::to_string(n) + ".com/index</cite></li>";
    // The window fetches one page fewer than the links it counts on the first page.
    for (int i = 1; i <= kPages + 1; ++i) html += "<a href=\"/search?first=" + std::to_string(10 * i + 1) + "\">p</a>";
    return html + "</body></html>";
}

class Services {
public:
    Services() {
        server_.Get("/search", [](const httplib::Request& req, httplib::Response& res) {
            const std::string first = req.get_param_value("first");
            res.set_content(ResultPage(first.empty() ? 0 : (std::stoi(first) - 1) / 10), "text/html");
        });
        server_.Get("/ib1", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<b>8.8.4.4</b><b>isp</b><b>cn</b><b>gd</b><b>sz</b>", "text/html");
        });
        server_.Get(R"(/10\.0\.0\.7)", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<table class=\"table\"><tr><td><b>Location</b></td><td>x</td></tr></table>", "text/html");
        });
        server_.set_tcp_nodelay(true);  // as real servers do on kept-alive connections
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::yield();
    }
    ~Services() {
        server_.stop();
        thread_.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

void BM_FipLookup(benchmark::State& state) {
    Services services;
    Config c = config();
    c.bingUrl = c.ip2locationUrl = c.ip2locationToolsUrl = services.url();
    SetConfig(c);
    tools::ScopedMapResolver resolver;
    resolver->set(QStringLiteral("shared.com"), QStringLiteral("10.0.0.7"));
    for (int p = 1; p <= kPages; ++p)
        for (int n = 0; n < kNamesPerPage; ++n)
            resolver->set(QStringLiteral("host%1-%2.com").arg(p).arg(n), QStringLiteral("10.0.0.7"));

    tools::Fip window;
    window.show();
    QApplication::processEvents();
    double totalMs = 0, fetchMs = 0;
    int found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer fetches;
        fetches.start();
        const QString search = services.url() + u"/search?q=ip:10.0.0.7";
        benchmark::DoNotOptimize(net::GetBody(search, u"GB2312"_qs));
        for (int i = 1; i <= kPages; ++i)
            benchmark::DoNotOptimize(net::GetBody(search + u"&first=" + QString::number(10 * i + 1), u"GB2312"_qs));
        benchmark::DoNotOptimize(net::GetBody(services.url() + u"/10.0.0.7", u"GB2312"_qs));
        fetchMs += fetches.nsecsElapsed() / 1e6;
        window.ltext()->setText(QStringLiteral("shared.com"));
        state.ResumeTiming();

        QElapsedTimer lookup;
        lookup.start();
        window.lfind_Click();
        totalMs += lookup.nsecsElapsed() / 1e6;
        found = window.findChild<QListWidget*>(QStringLiteral("llist"))->count();
    }
    if (found != kPages * kNamesPerPage) state.SkipWithError("not every name was found");
    const double runs = static_cast<double>(state.iterations());
    state.counters["total_ms"] = totalMs / runs;
    state.counters["own_ms_per_name"] = (totalMs - fetchMs) / runs / (kPages * kNamesPerPage);
    state.counters["names"] = found;
}
BENCHMARK(BM_FipLookup)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::SetDesktop(std::make_shared<ui::QtDesktop>());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
