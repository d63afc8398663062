// dropscout_demo_services: loopback stand-ins for the outside services the live checks, the side windows
// and the start-up window talk to, so that the demo shows them working without the internet. One
// process, one port per service as the demo settings name them; it ends by itself after --lifetime
// seconds or on SIGTERM/SIGINT, and it never listens on anything but a loopback address. With --hosts
// it only prints the demo's name map.
#include <arpa/inet.h>
#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <chrono>
#include <cstdio>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "app/demo_services.h"
#include "core/clock.h"
#include "db/demo_data.h"

namespace {

bool IsLoopback(const QString& host) {
    const QByteArray h = host.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, h.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, h.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

// Waits for SIGTERM/SIGINT/SIGHUP (blocked in every thread, so only this wait sees them) or the end of
// the lifetime.
void WaitForEnd(const sigset_t& endSignals, std::chrono::seconds lifetime) {
    const auto deadline = std::chrono::steady_clock::now() + lifetime;
    for (;;) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        if (sigtimedwait(&endSignals, nullptr, &wait) > 0) return;
    }
}

// Rows of each default search the name map lists: the first two pages of 20.
constexpr int kMappedRowsPerSearch = 40;

// Prints the name map of the database at `path`, creating the database first when it does not exist
// (as dropscout --demo would, which then finds it made).
int PrintHosts(const QString& path) {
    try {
        if (!QFileInfo::exists(path)) {
            ds::db::DemoOptions options;
            options.today = ds::clock().today();
            ds::db::GenerateDemoDatabase(path, options);
            std::fprintf(stderr, "dropscout_demo_services: created %s\n", qPrintable(path));
        }
        QTextStream out(stdout);
        out << ds::demo::HostsText(ds::demo::DemoRowDomains(path, kMappedRowsPerSearch));
        return 0;
    } catch (const ds::db::DbError& e) {
        std::fprintf(stderr, "dropscout_demo_services: %s: %s\n", qPrintable(path), qPrintable(e.description()));
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dropscout_demo_services"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loopback stand-ins for the whois, Baidu, Alexa, toolbar, checksum, relay, database-address, search "
        "engine and location services, and for a domain registry's RDAP and port-43 whois servers, for the "
        "DropScout demo."));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Loopback address to listen on."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("Database file the address service names (default: "
                                               "dropscout-demo.db in the current folder)."),
                                QStringLiteral("path"), QStringLiteral("dropscout-demo.db"));
    const QCommandLineOption lifetime(QStringLiteral("lifetime"),
                                      QStringLiteral("Seconds after which the services end by themselves."),
                                      QStringLiteral("seconds"), QStringLiteral("7200"));
    const QCommandLineOption verbose(QStringLiteral("verbose"), QStringLiteral("Print every request."));
    const QCommandLineOption explain(
        QStringLiteral("explain"),
        QStringLiteral("Print, for each domain given as an argument or read a line at a time from standard "
                       "input, the unusual answers the services give about it (error pages, throttling, "
                       "captchas, a trickling whois), and exit."));
    const QCommandLineOption hosts(
        QStringLiteral("hosts"),
        QStringLiteral("Print the demo's name map (a hosts file for HostsFile): the first rows of both default "
                       "searches of the database, and the names the demo search engine lists, on their "
                       "addresses; then exit. Creates the database when it does not exist."),
        QStringLiteral("database"));
    parser.addOptions({host, db, lifetime, verbose, explain, hosts});
    parser.addPositionalArgument(QStringLiteral("domains"), QStringLiteral("Domains for --explain."), QStringLiteral("[domains...]"));
    parser.process(app);

    if (parser.isSet(explain)) {
        QStringList domains = parser.positionalArguments();
        if (domains.isEmpty()) {
            QTextStream in(stdin);
            for (QString line; in.readLineInto(&line);)
                if (!line.trimmed().isEmpty()) domains << line.trimmed();
        }
        QTextStream out(stdout);
        for (const QString& d : domains) out << d << u'\t' << ds::demo::HostileAnswersFor(d) << u'\n';
        return 0;
    }

    if (parser.isSet(hosts)) return PrintHosts(parser.value(hosts));

    const QString address = parser.value(host);
    if (!IsLoopback(address)) {
        std::fprintf(stderr, "dropscout_demo_services: %s is not a loopback address; refusing to listen on it\n",
                     qPrintable(address));
        return 2;
    }
    bool ok = false;
    const long long seconds = parser.value(lifetime).toLongLong(&ok);
    if (!ok || seconds <= 0) {
        std::fprintf(stderr, "dropscout_demo_services: --lifetime needs a positive number of seconds\n");
        return 2;
    }
    const QString databasePath = QFileInfo(parser.value(db)).absoluteFilePath();

    // Blocked before any server thread exists, so the threads inherit the mask and the signals wait
    // for WaitForEnd.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);  // a client that hangs up early must not end every service

    ds::demo::DemoServices services(databasePath, parser.isSet(verbose));
    const std::string bindHost = address.toStdString();
    if (const int failed = services.bind(bindHost, ds::demo::kDemoPorts); failed >= 0) {
        std::fprintf(stderr, "dropscout_demo_services: cannot listen on %s:%d (is another copy running?)\n",
                     bindHost.c_str(), ds::demo::kDemoPorts[static_cast<size_t>(failed)]);
        return 1;  // the servers already bound close with the process
    }
    services.start();
    // The program that starts the services waits for "listening" in this line.
    QStringList ports;
    for (const int port : ds::demo::kDemoPorts) ports << QString::number(port);
    std::printf("dropscout_demo_services: listening on %s ports %s for %lld s (database %s)\n", bindHost.c_str(),
                qPrintable(ports.join(u' ')), seconds, qPrintable(databasePath));
    const std::string urlHost = address.contains(u':') ? "[" + bindHost + "]" : bindHost;
    std::printf("dropscout_demo_services: registry RDAP on http://%s:%d/domain/<name>, port-43 whois (CNNIC) on "
                "%s port %d\n",
                urlHost.c_str(), services.port(ds::demo::Service::Rdap), bindHost.c_str(),
                services.port(ds::demo::Service::Whois43));
    std::fflush(stdout);

    WaitForEnd(endSignals, std::chrono::seconds(seconds));
    services.stop();
    return 0;
}
