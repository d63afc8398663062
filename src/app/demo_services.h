#pragma once
// The demo services as servers: one loopback server per service, HTTP answering with the pages of
// demo_pages.h and the registry's RDAP answers, and a port-43 whois server playing CNNIC.
// dropscout_demo_services runs them on the ports the demo settings name; tests run them on free ports.
#include <QString>
#include <QStringList>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace ds::demo {

class Port43Server;

// Whois43, the only service not spoken over HTTP, comes last.
enum class Service { Address, Whois, Checksum, Relay1, Relay2, Public, Rdap, Whois43 };
inline constexpr int kServiceCount = 8;
inline constexpr int kHttpServiceCount = kServiceCount - 1;
// The ports the demo settings (database row, dropscout.ini and the demo's bootstrap and whois table)
// point at, in the order of Service. The public port carries Baidu /s, Alexa /data/... and the toolbar
// /tbr, and for the domain and IP window the search engine /search?q=ip:..., the own-address page /ib1,
// the location pages /<address> and their flags /images/flags/<cc>.png. The RDAP port answers
// /domain/<name>; the port-43 one answers a name per connection.
inline constexpr std::array<int, kServiceCount> kDemoPorts = {8731, 8732, 8740, 8741, 8742, 8743, 8744, 8745};

// Trickling answers wait on this between bytes. The server ends a chunked answer between two chunks
// once it is stopped; closing the gate first makes that happen at once instead of after the next
// byte's second, and the count of open answers shows when a client's departure has been noticed.
class TrickleGate {
public:
    void close();
    // Waits `ms` unless the gate is closed; false when it is (or becomes) closed.
    bool pause(int ms);
    void enter();
    void leave();
    // Trickling answers under way.
    int open() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool closed_ = false;
    int open_ = 0;
};

class DemoServices {
public:
    // `databasePath` is what the address service names; `verbose` prints every request.
    DemoServices(const QString& databasePath, bool verbose);
    ~DemoServices();
    DemoServices(const DemoServices&) = delete;
    DemoServices& operator=(const DemoServices&) = delete;

    // Binds every service to `host`; a port of 0 takes a free one. Returns the index of the service
    // that could not be bound, or -1.
    int bind(const std::string& host, const std::array<int, kServiceCount>& ports);
    // Serves on a thread per service.
    void start();
    // Ends trickling answers, stops every server and waits for their threads. Safe to call twice.
    void stop();

    int port(Service s) const { return ports_[static_cast<size_t>(s)]; }
    int openTrickles() const { return gate_.open(); }

private:
    TrickleGate gate_;
    std::array<std::unique_ptr<httplib::Server>, kHttpServiceCount> servers_;
    std::array<std::thread, kHttpServiceCount> threads_;
    std::unique_ptr<Port43Server> whois43_;
    std::array<int, kServiceCount> ports_{};
};

// The domains of the first `perSearch` rows of both default searches (filed, then expired) of a demo
// database: the rows a user meets first, which the demo's name map lists. Throws db::DbError.
QStringList DemoRowDomains(const QString& databasePath, int perSearch);

}  // namespace ds::demo
