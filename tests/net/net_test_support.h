#pragma once
// Loopback servers for the fetch tests: a raw TCP server that records the request exactly as it came
// over the wire (header order included) and can stay silent, and a cpp-httplib server on a free port.
#include <QByteArray>
#include <QString>
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/config.h"
#include "support/test_support.h"

namespace ds::test {

// Replaces the process configuration for one test and puts the old one back afterwards.
class ConfigScope {
public:
    ConfigScope() : saved_(config()), edited_(saved_) {}
    ~ConfigScope() { SetConfig(saved_); }
    Config& edit() { return edited_; }
    void apply() { SetConfig(edited_); }

private:
    Config saved_;
    Config edited_;
};

// Opens a listening socket on 127.0.0.1 and a free port.
inline int ListenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) ::close(fd);
        port = 0;
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}

// A port on which nothing listens: bound once, then released.
inline int ClosedPort() {
    int port = 0;
    const int fd = ListenOnLoopback(port);
    if (fd >= 0) ::close(fd);
    return port;
}

// Answers every request with `response` (raw bytes, status line included) and closes the connection;
// with an empty response it accepts, reads and never answers.
class RawServer {
public:
    explicit RawServer(QByteArray response) : response_(std::move(response)) {
        fd_ = ListenOnLoopback(port_);
        thread_ = std::thread([this] { run(); });
    }
    ~RawServer() {
        stop_ = true;
        thread_.join();
        for (int fd : held_) ::close(fd);
        if (fd_ >= 0) ::close(fd_);
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    QString url(const QString& pathAndQuery = QStringLiteral("/")) const {
        return QStringLiteral("http://127.0.0.1:%1").arg(port_) + pathAndQuery;
    }
    std::vector<QByteArray> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    bool waitReadable(int fd) const {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }
    void run() {
        while (fd_ >= 0 && waitReadable(fd_)) {
            const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0) continue;
            QByteArray request;
            char buf[4096];
            while (!request.contains("\r\n\r\n") && waitReadable(c)) {
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0) break;
                request.append(buf, n);
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            if (response_.isEmpty()) {
                held_.push_back(c);  // silent: keep it open until the server goes away
                continue;
            }
            for (qsizetype sent = 0; sent < response_.size();) {
                const ssize_t n = ::send(c, response_.constData() + sent, response_.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += n;
            }
            ::shutdown(c, SHUT_WR);
            ::close(c);
        }
    }

    QByteArray response_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<int> held_;
    mutable std::mutex mutex_;
    std::vector<QByteArray> requests_;
    std::thread thread_;
};

// Runs a cpp-httplib server (plain or TLS) on 127.0.0.1 and a free port for the lifetime of the object.
template <typename Server = httplib::Server>
class LoopbackServer {
public:
    template <typename... Args>
    explicit LoopbackServer(Args&&... args) : server(std::forward<Args>(args)...) {}
    ~LoopbackServer() {
        server.stop();
        if (thread_.joinable()) thread_.join();
    }
    // Call after registering the handlers.
    void start() {
        // As real web servers do on kept-alive connections; without it the answer's second write waits
        // for the client's delayed acknowledgement (about 40 ms a request once a connection is reused).
        server.set_tcp_nodelay(true);
        port_ = server.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server.listen_after_bind(); });
        WaitFor([this] { return server.is_running(); });
    }
    QString url(const QString& pathAndQuery, const char* scheme = "http") const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QString::fromLatin1(scheme)).arg(port_) + pathAndQuery;
    }

    Server server;

private:
    int port_ = 0;
    std::thread thread_;
};

}  // namespace ds::test
