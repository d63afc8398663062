// dropscout_demo_services: loopback stand-ins for the outside services the live checks and the start-up
// window talk to, so that the demo shows every check working without the internet. One process, one
// port per service as the demo settings name them; it ends by itself after --lifetime seconds or on
// SIGTERM/SIGINT, and it never listens on anything but a loopback address.
#include <arpa/inet.h>
#include <httplib.h>
#include <signal.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "app/demo_pages.h"
#include "core/codepage.h"

namespace {

namespace demo = ds::demo;

// The ports the demo settings (database row and dropscout.ini written by the scripts) point at.
constexpr int kAddressPort = 8731;
constexpr int kWhoisPort = 8732;
constexpr int kChecksumPort = 8740;
constexpr int kRelayPorts[] = {8741, 8742};
constexpr int kPublicPort = 8743;  // Baidu /s, Alexa /data/..., toolbar /tbr

bool IsLoopback(const QString& host) {
    const QByteArray h = host.toLatin1();
    in_addr v4{};
    if (inet_pton(AF_INET, h.constData(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, h.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

QString Param(const httplib::Request& req, const char* key) {
    return QString::fromStdString(req.get_param_value(key)).trimmed();
}

void Pause(const QString& domain, QStringView service) {
    std::this_thread::sleep_for(std::chrono::milliseconds(demo::AnswerDelayMs(domain, service)));
}

// The services answer in GB2312 (GBK), which is how the program reads them.
void Answer(httplib::Response& res, const QString& text, const char* type = "text/html; charset=gb2312") {
    try {
        const QByteArray bytes = ds::EncodeText(text, QStringLiteral("GBK"));
        res.set_content(bytes.constData(), static_cast<size_t>(bytes.size()), type);
    } catch (const ds::EncodingError&) {
        res.status = 400;
        res.set_content("name outside GB2312/GBK", "text/plain");
    }
}

void MissingDomain(httplib::Response& res) {
    res.status = 400;
    res.set_content("no domain given", "text/plain");
}

void AddAddressService(httplib::Server& s, const QString& databasePath) {
    s.Get("/geturl/dataurl.asp", [databasePath](const httplib::Request& req, httplib::Response& res) {
        if (Param(req, "checkin").isEmpty()) return Answer(res, QStringLiteral("wrong"));
        Answer(res, demo::AddressAnswer(databasePath));
    });
}

void AddWhois(httplib::Server& s) {
    s.Get("/whois", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "domain");
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(domain, u"whois");
        Answer(res, demo::WhoisPage(domain));
    });
}

void AddChecksum(httplib::Server& s) {
    s.Get("/prcode.php", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "lallname");
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(domain, u"checksum");
        Answer(res, demo::ChecksumFor(domain), "text/plain; charset=gb2312");
    });
}

void AddRelay(httplib::Server& s) {
    s.Get(R"(/relay/([A-Za-z0-9_.]+))", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "lallname");
        if (domain.isEmpty()) return MissingDomain(res);
        const QString script = QString::fromStdString(req.matches[1].str());
        Pause(domain, script);
        Answer(res, demo::RelayAnswer(script, domain));
    });
}

void AddPublicServices(httplib::Server& s) {
    s.Get("/s", [](const httplib::Request& req, httplib::Response& res) {
        const QString wd = Param(req, "wd");
        const qsizetype colon = wd.indexOf(u':');
        const QString query = wd.left(colon);
        const QString domain = colon < 0 ? QString() : wd.mid(colon + 1).trimmed();
        if (domain.isEmpty() || (query != u"site" && query != u"domain")) return MissingDomain(res);
        Pause(domain, u"baidu");
        if (demo::DirectBaiduRefuses(domain, query)) return Answer(res, demo::BaiduRefusalPage());
        Answer(res, query == u"site" ? demo::BaiduSitePage(domain) : demo::BaiduDomainPage(domain));
    });
    s.Get(R"(/data/.*)", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "url");
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(domain, u"alexa");
        Answer(res, demo::AlexaAnswer(domain), "text/xml; charset=gb2312");
    });
    s.Get("/tbr", [](const httplib::Request& req, httplib::Response& res) {
        QString domain = Param(req, "q");
        if (domain.startsWith(u"info:")) domain = domain.mid(5).trimmed();
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(domain, u"toolbar");
        const QString answer = demo::ToolbarAnswer(domain, Param(req, "ch"));
        if (!answer.startsWith(u"Rank")) res.status = 403;
        Answer(res, answer, "text/plain; charset=gb2312");
    });
}

struct Service {
    int port;
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
};

std::unique_ptr<httplib::Server> NewServer(bool verbose) {
    auto s = std::make_unique<httplib::Server>();
    // Requests come one after another from one program: a small pool per port is plenty.
    s->new_task_queue = [] { return new httplib::ThreadPool(2); };
    // The library's default adds SO_REUSEPORT, which lets a second copy bind the same ports and share
    // the requests with the first; a busy port has to stay an error.
    s->set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    if (verbose) {
        s->set_logger([](const httplib::Request& req, const httplib::Response& res) {
            std::printf("%d %s %s\n", res.status, req.method.c_str(), req.target.c_str());
            std::fflush(stdout);
        });
    }
    return s;
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dropscout_demo_services"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Loopback stand-ins for the whois, Baidu, Alexa, toolbar, checksum, relay and database-address "
        "services, for the DropScout demo."));
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
    parser.addOptions({host, db, lifetime, verbose});
    parser.process(app);

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

    const bool log = parser.isSet(verbose);
    std::vector<Service> services;
    auto add = [&](int port, const std::function<void(httplib::Server&)>& routes) {
        Service s{port, NewServer(log), {}};
        routes(*s.server);
        services.push_back(std::move(s));
    };
    add(kAddressPort, [&](httplib::Server& s) { AddAddressService(s, databasePath); });
    add(kWhoisPort, AddWhois);
    add(kChecksumPort, AddChecksum);
    for (const int port : kRelayPorts) add(port, AddRelay);
    add(kPublicPort, AddPublicServices);

    const std::string bindHost = address.toStdString();
    for (Service& s : services) {
        if (!s.server->bind_to_port(bindHost, s.port)) {
            std::fprintf(stderr,
                         "dropscout_demo_services: cannot listen on %s:%d (is another copy running?)\n",
                         bindHost.c_str(), s.port);
            return 1;  // the servers already bound close with the process
        }
    }
    for (Service& s : services) s.thread = std::thread([&s] { s.server->listen_after_bind(); });
    std::printf("dropscout_demo_services: listening on %s ports 8731 8732 8740 8741 8742 8743 for %lld s "
                "(database %s)\n",
                bindHost.c_str(), seconds, qPrintable(databasePath));
    std::fflush(stdout);

    WaitForEnd(endSignals, std::chrono::seconds(seconds));
    for (Service& s : services) s.server->stop();
    for (Service& s : services) s.thread.join();
    return 0;
}
