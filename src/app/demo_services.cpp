#include "app/demo_services.h"

#include <httplib.h>

#include <QDate>
#include <chrono>
#include <cstdio>
#include <optional>
#include <set>

#include "app/demo_lookup_pages.h"
#include "app/demo_pages.h"
#include "app/demo_port43.h"
#include "app/demo_registry_pages.h"
#include "core/clock.h"
#include "core/codepage.h"
#include "db/connection.h"

namespace ds::demo {
namespace {

constexpr const char* kHtml = "text/html; charset=gb2312";
constexpr const char* kText = "text/plain; charset=gb2312";

QString Param(const httplib::Request& req, const char* key) {
    return QString::fromStdString(req.get_param_value(key)).trimmed();
}

void Pause(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void MissingDomain(httplib::Response& res) {
    res.status = 400;
    res.set_content("no domain given", "text/plain");
}

// The services answer in GB2312 (GBK), which is how the program reads them. Empty when the text
// cannot be encoded, which the caller answers with a 400.
std::optional<QByteArray> Encoded(const QString& text) {
    try {
        return ds::EncodeText(text, QStringLiteral("GBK"));
    } catch (const ds::EncodingError&) {
        return std::nullopt;
    }
}

void Answer(httplib::Response& res, const QString& text, const char* type = kHtml) {
    const std::optional<QByteArray> bytes = Encoded(text);
    if (!bytes) {
        res.status = 400;
        res.set_content("name outside GB2312/GBK", "text/plain");
        return;
    }
    res.set_content(bytes->constData(), static_cast<size_t>(bytes->size()), type);
}

// Headers go out at once, then the body a byte per interval. A byte that cannot be written (the client
// has gone) or a closed gate ends the answer; the connection closes with it.
void Trickle(httplib::Response& res, const QByteArray& bytes, TrickleGate& gate, const char* type) {
    gate.enter();
    res.set_chunked_content_provider(
        type,
        [bytes, &gate](size_t offset, httplib::DataSink& sink) {
            if (offset >= static_cast<size_t>(bytes.size())) {
                sink.done();
                return true;
            }
            if (!gate.pause(kTrickleByteIntervalMs) || !sink.is_writable()) return false;
            return sink.write(bytes.constData() + offset, 1);
        },
        [&gate](bool) { gate.leave(); });
}

void Send(httplib::Response& res, const ServiceAnswer& answer, TrickleGate* gate, const char* type = kHtml) {
    Pause(answer.delayMs);
    res.status = answer.status;
    if (!answer.trickle || !gate) return Answer(res, answer.body, type);
    const std::optional<QByteArray> bytes = Encoded(answer.body);
    if (!bytes) return Answer(res, answer.body, type);
    Trickle(res, *bytes, *gate, type);
}

void AddAddressService(httplib::Server& s, const QString& databasePath) {
    s.Get("/geturl/dataurl.asp", [databasePath](const httplib::Request& req, httplib::Response& res) {
        if (Param(req, "checkin").isEmpty()) return Answer(res, QStringLiteral("wrong"));
        Answer(res, AddressAnswer(databasePath));
    });
}

void AddWhois(httplib::Server& s, TrickleGate& gate) {
    s.Get("/whois", [&gate](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "domain");
        if (domain.isEmpty()) return MissingDomain(res);
        Send(res, WhoisAnswer(domain), &gate);
    });
}

void AddChecksum(httplib::Server& s) {
    s.Get("/prcode.php", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "lallname");
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(AnswerDelayMs(domain, u"checksum"));
        Answer(res, ChecksumFor(domain), kText);
    });
}

void AddRelay(httplib::Server& s) {
    s.Get(R"(/relay/([A-Za-z0-9_.]+))", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "lallname");
        if (domain.isEmpty()) return MissingDomain(res);
        Send(res, RelayServiceAnswer(QString::fromStdString(req.matches[1].str()), domain), nullptr);
    });
}

void AddPublicServices(httplib::Server& s) {
    s.Get("/s", [](const httplib::Request& req, httplib::Response& res) {
        const QString wd = Param(req, "wd");
        const qsizetype colon = wd.indexOf(u':');
        const QString query = wd.left(colon);
        const QString domain = colon < 0 ? QString() : wd.mid(colon + 1).trimmed();
        if (domain.isEmpty() || (query != u"site" && query != u"domain")) return MissingDomain(res);
        Send(res, DirectBaiduAnswer(domain, query), nullptr);
    });
    s.Get(R"(/data/.*)", [](const httplib::Request& req, httplib::Response& res) {
        const QString domain = Param(req, "url");
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(AnswerDelayMs(domain, u"alexa"));
        Answer(res, AlexaAnswer(domain), "text/xml; charset=gb2312");
    });
    s.Get("/tbr", [](const httplib::Request& req, httplib::Response& res) {
        QString domain = Param(req, "q");
        if (domain.startsWith(u"info:")) domain = domain.mid(5).trimmed();
        if (domain.isEmpty()) return MissingDomain(res);
        Pause(AnswerDelayMs(domain, u"toolbar"));
        const QString answer = ToolbarAnswer(domain, Param(req, "ch"));
        if (!answer.startsWith(u"Rank")) res.status = 403;
        Answer(res, answer, kText);
    });
}

// The search engine's "ip:" pages and the location service's pages, for the domain and IP window. They
// share the port of the other public services: their paths do not meet.
void AddLookupServices(httplib::Server& s) {
    s.Get("/search", [](const httplib::Request& req, httplib::Response& res) {
        const QString q = Param(req, "q");
        if (!q.startsWith(u"ip:") || q.size() == 3) return MissingDomain(res);
        const QString address = q.mid(3).trimmed();
        Pause(AnswerDelayMs(address, u"search"));
        Answer(res, ResultPage(address, Param(req, "first").toInt()));
    });
    s.Get("/ib1", [](const httplib::Request&, httplib::Response& res) { Answer(res, OwnAddressPage()); });
    s.Get(R"(/images/flags/([a-z]{2})\.png)", [](const httplib::Request& req, httplib::Response& res) {
        const QByteArray png = FlagPng(QString::fromStdString(req.matches[1].str()));
        if (png.isEmpty()) {
            res.status = 404;
            return res.set_content("no such flag", "text/plain");
        }
        res.set_content(png.constData(), static_cast<size_t>(png.size()), "image/png");
    });
    s.Get(R"(/(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}))", [](const httplib::Request& req, httplib::Response& res) {
        const QString address = QString::fromStdString(req.matches[1].str());
        Pause(AnswerDelayMs(address, u"location"));
        Answer(res, LocationPage(address));
    });
}

void SendRdap(httplib::Response& res, const RdapReply& reply) {
    res.status = reply.status;
    res.set_content(reply.body.constData(), static_cast<size_t>(reply.body.size()), kRdapContentType);
}

// The names the RDAP server has been asked about once already; a throttled name is answered from its
// second request on.
class FirstAsks {
public:
    bool firstTime(const QString& name) {
        const std::lock_guard lock(mutex_);
        return asked_.insert(name).second;
    }

private:
    std::mutex mutex_;
    std::set<QString> asked_;
};

void AddRdap(httplib::Server& s) {
    auto asks = std::make_shared<FirstAsks>();
    s.Get(R"(/domain/([^/]+))", [asks](const httplib::Request& req, httplib::Response& res) {
        const QString name = RegistryDomain(QString::fromUtf8(req.matches[1].str()));
        if (RdapThrottlesFirstAsk(name) && asks->firstTime(name)) {
            res.set_header("Retry-After", std::to_string(kRdapRetryAfterSeconds));
            return SendRdap(res, RdapErrorReply(429, QStringLiteral("Too Many Requests"),
                                                QStringLiteral("Query rate exceeded; try again in %1 seconds")
                                                    .arg(kRdapRetryAfterSeconds)));
        }
        Pause(AnswerDelayMs(name, u"rdap"));
        SendRdap(res, RdapDomainReply(name, ds::clock().today()));
    });
    // Registered after /domain/, which the server tries first.
    s.Get(R"(.*)", [](const httplib::Request& req, httplib::Response& res) {
        SendRdap(res, RdapErrorReply(404, QStringLiteral("Not Found"),
                                     QStringLiteral("This server answers domain queries only, not ") +
                                         QString::fromStdString(req.path)));
    });
}

std::unique_ptr<Port43Server> NewWhois43(bool verbose) {
    return std::make_unique<Port43Server>([verbose](const std::string& query) {
        if (verbose) {
            std::printf("43 %s\n", query.c_str());
            std::fflush(stdout);
        }
        const QString name = RegistryDomain(QString::fromUtf8(query));
        Pause(AnswerDelayMs(name, u"whois43"));
        return CnnicWhoisText(name, ds::clock().today()).toStdString();
    });
}

std::unique_ptr<httplib::Server> NewServer(bool verbose) {
    auto s = std::make_unique<httplib::Server>();
    // Requests come one after another from one program; a few threads per port leave room for a
    // trickling answer whose client has given up but whose next byte has not yet failed.
    s->new_task_queue = [] { return new httplib::ThreadPool(4); };
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

}  // namespace

void TrickleGate::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

bool TrickleGate::pause(int ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return closed_; });
    return !closed_;
}

void TrickleGate::enter() {
    const std::lock_guard lock(mutex_);
    ++open_;
}

void TrickleGate::leave() {
    const std::lock_guard lock(mutex_);
    --open_;
}

int TrickleGate::open() const {
    const std::lock_guard lock(mutex_);
    return open_;
}

DemoServices::DemoServices(const QString& databasePath, bool verbose) {
    for (auto& s : servers_) s = NewServer(verbose);
    auto at = [this](Service s) -> httplib::Server& { return *servers_[static_cast<size_t>(s)]; };
    AddAddressService(at(Service::Address), databasePath);
    AddWhois(at(Service::Whois), gate_);
    AddChecksum(at(Service::Checksum));
    AddRelay(at(Service::Relay1));
    AddRelay(at(Service::Relay2));
    AddPublicServices(at(Service::Public));
    AddLookupServices(at(Service::Public));
    AddRdap(at(Service::Rdap));
    whois43_ = NewWhois43(verbose);
}

DemoServices::~DemoServices() { stop(); }

int DemoServices::bind(const std::string& host, const std::array<int, kServiceCount>& ports) {
    for (int i = 0; i < kHttpServiceCount; ++i) {
        httplib::Server& s = *servers_[static_cast<size_t>(i)];
        const int want = ports[static_cast<size_t>(i)];
        // As real web servers do on kept-alive connections (the checks reuse them).
        s.set_tcp_nodelay(true);
        const int got = want == 0 ? s.bind_to_any_port(host) : (s.bind_to_port(host, want) ? want : -1);
        if (got <= 0) return i;
        ports_[static_cast<size_t>(i)] = got;
    }
    const auto whois43 = static_cast<size_t>(Service::Whois43);
    if (!whois43_->bind(host, ports[whois43])) return int(whois43);
    ports_[whois43] = whois43_->port();
    return -1;
}

void DemoServices::start() {
    for (size_t i = 0; i < servers_.size(); ++i)
        threads_[i] = std::thread([s = servers_[i].get()] { s->listen_after_bind(); });
    // A stop that came before a server had begun to listen would find nothing to stop and then wait
    // for its thread for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const auto& s : servers_)
        while (!s->is_running() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    // Its socket already listens (bind); connections wait in the queue until the thread accepts them.
    whois43_->start();
}

void DemoServices::stop() {
    gate_.close();
    for (auto& s : servers_) s->stop();
    whois43_->stop();
    for (auto& t : threads_)
        if (t.joinable()) t.join();
}

QStringList DemoRowDomains(const QString& databasePath, int perSearch) {
    db::Connection c;
    c.open(u"Provider=SQLite;Data Source=" + databasePath);
    QStringList domains;
    for (const char* table : {"ldomainreg", "ldomainhis"}) {
        // The statement of the default searches, so the rows come in the order the grid shows them.
        const db::ResultTable t = c.query(u"select top " + QString::number(perSearch) + u" * from " +
                                          QString::fromLatin1(table) + u" where (lregist=1)");
        const qsizetype name = t.columns.indexOf(QStringLiteral("lallname"));
        for (const auto& row : t.rows)
            if (name >= 0) domains << row[size_t(name)].toString();
    }
    return domains;
}

}  // namespace ds::demo
