// The check engine over 1,000 domains against a loopback whois service that answers after 300 ms (in a
// process of its own, so the CPU time measured here is the engine's and the event loop's): several
// concurrencies with no host limit, and 8 in flight with the default politeness (2 per host, 200 ms
// apart). Each line gives the time beside its floor (N x latency / parallelism, or N x interval),
// the CPU time per domain and the peak memory.
//
//   check_engine_bench [--n 1000] [--latency-ms 300] [--only 1,4,8,16,d]
#include <httplib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "checks/engine/check_engine.h"

using namespace ds::checks::engine;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long PeakKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The whois service, in a child process; returns its pid and the port it listens on.
pid_t StartWhois(int latencyMs, int& port) {
    int pipeFd[2];
    if (pipe(pipeFd) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFd[0]);
        httplib::Server server;
        server.new_task_queue = [] { return new httplib::ThreadPool(64); };
        server.set_tcp_nodelay(true);
        server.Get("/whois", [latencyMs](const httplib::Request& req, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs));
            res.set_content("Whois results for the domain " + req.get_param_value("q") + ": Registrar: Bench",
                            "text/html");
        });
        const int p = server.bind_to_any_port("127.0.0.1");
        if (write(pipeFd[1], &p, sizeof p) != sizeof p) _exit(1);
        close(pipeFd[1]);
        server.listen_after_bind();
        _exit(0);
    }
    close(pipeFd[1]);
    if (read(pipeFd[0], &port, sizeof port) != sizeof port) port = 0;
    close(pipeFd[0]);
    return pid;
}

struct Case {
    QString name;
    EngineSettings settings;
    double floorS;
    double target;  // allowed multiple of the floor
};

}  // namespace

int main(int argc, char** argv) {
    int n = 1000, latencyMs = 300;
    QStringList only = {QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("8"), QStringLiteral("16"),
                        QStringLiteral("d")};
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString key = QString::fromLocal8Bit(argv[i]), value = QString::fromLocal8Bit(argv[i + 1]);
        if (key == u"--n") n = value.toInt();
        else if (key == u"--latency-ms") latencyMs = value.toInt();
        else if (key == u"--only") only = value.split(u',');
        else {
            std::fprintf(stderr, "usage: check_engine_bench [--n 1000] [--latency-ms 300] [--only 1,4,8,16,d]\n");
            return 2;
        }
    }
    int port = 0;
    const pid_t server = StartWhois(latencyMs, port);
    if (server <= 0 || port <= 0) {
        std::fprintf(stderr, "check_engine_bench: the whois service did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    const QString base = QStringLiteral("http://127.0.0.1:%1/whois?q=").arg(port);

    std::vector<Case> cases;
    for (int c : {1, 4, 8, 16}) {
        if (!only.contains(QString::number(c))) continue;
        EngineSettings s;
        s.concurrency = c;
        s.politeness.perHostInFlight = 16;
        s.politeness.perHostIntervalMs = 0;
        cases.push_back({QStringLiteral("%1 in flight, no host limit").arg(c), s, n * latencyMs / 1000.0 / c,
                         c == 8 ? 1.15 : 0});
    }
    if (only.contains(u"d"_qs)) {
        EngineSettings s;  // the defaults: 2 in flight per host, 200 ms apart
        s.concurrency = 8;
        const double floor = std::max(n * latencyMs / 1000.0 / 2, n * s.politeness.perHostIntervalMs / 1000.0);
        cases.push_back({QStringLiteral("8 in flight, defaults (2 per host, 200 ms apart)"), s, floor, 1.1});
    }

    std::printf("%d domains, whois answering after %d ms\n", n, latencyMs);
    std::printf("%-48s %9s %9s %7s %12s %9s\n", "setting", "time s", "floor s", "ratio", "cpu ms/dom", "peak MB");
    int failures = 0;
    for (const Case& c : cases) {
        CheckEngine engine(c.settings);
        int answered = 0, registered = 0;
        QObject::connect(&engine, &CheckEngine::jobFinished, [&](const CheckResult& r) {
            ++answered;
            registered += r.regOutcome == ds::checks::RegOutcome::Registered;
        });
        const double cpu0 = CpuSeconds();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < n; ++i)
            engine.submit({static_cast<quint64>(i), QStringLiteral("bench%1.com").arg(i), Ask::Whois,
                           base + QStringLiteral("bench%1.com").arg(i)});
        QEventLoop loop;
        QObject::connect(&engine, &CheckEngine::idle, &loop, &QEventLoop::quit);
        loop.exec();
        const double seconds = timer.elapsed() / 1000.0;
        const double cpuMs = (CpuSeconds() - cpu0) * 1000.0 / n;
        const double ratio = seconds / c.floorS;
        const bool ok = (c.target == 0 || ratio <= c.target) && answered == n && registered == n && cpuMs < 1.0;
        failures += ok ? 0 : 1;
        std::printf("%-48s %9.2f %9.2f %7.3f %12.3f %9.1f%s\n", qPrintable(c.name), seconds, c.floorS, ratio, cpuMs,
                    PeakKb() / 1024.0, ok ? "" : "  MISSED");
        std::fflush(stdout);
    }
    std::printf("targets: 8 in flight with no host limit <= 1.15 x floor; defaults <= 1.1 x floor; "
                "cpu < 1 ms per domain\n");
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return failures == 0 ? 0 : 1;
}
