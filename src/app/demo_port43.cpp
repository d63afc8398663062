#include "app/demo_port43.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace ds::demo {
namespace {

constexpr size_t kMaxQueryBytes = 1024;
// After answering, how long a client may take to close its end; its leftover bytes are read and
// dropped meanwhile, since closing on unread bytes resets the connection and can take the answer
// with it.
constexpr int kLingerMs = 2000;

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : int(std::min<long long>(left, INT_MAX));
}

// Waits for something to read until `deadline`; reads it into `into`. False on timeout, end of
// stream or error.
bool ReadSome(int fd, Clock::time_point deadline, std::string& into) {
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, MsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char buffer[512];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        into.append(buffer, size_t(n));
        return true;
    }
}

// The first line the client sends, without its CR LF; nothing when none comes in time.
bool ReadQuery(int fd, int timeoutMs, std::string& query) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string received;
    for (;;) {
        if (const size_t end = received.find('\n'); end != std::string::npos) {
            query = received.substr(0, end);
            if (!query.empty() && query.back() == '\r') query.pop_back();
            return true;
        }
        if (received.size() > kMaxQueryBytes || !ReadSome(fd, deadline, received)) return false;
    }
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

Port43Server::Port43Server(Handler handler) : Port43Server(std::move(handler), Options{}) {}

Port43Server::Port43Server(Handler handler, Options options)
    : handler_(std::move(handler)), options_(options) {}

Port43Server::~Port43Server() { stop(); }

bool Port43Server::bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) return false;
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Not SO_REUSEPORT: a second copy of the demo must fail to bind instead of sharing the port.
    const int yes = 1;
    const bool ok = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
                    ::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && listen(fd, 16) == 0;
    freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (!ok || getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        if (fd >= 0) close(fd);
        return false;
    }
    listenFd_ = fd;
    port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    return true;
}

void Port43Server::start() {
    if (listenFd_ < 0 || acceptor_.joinable()) return;
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void Port43Server::acceptLoop() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0 && (errno == EINTR || errno == ECONNABORTED)) continue;
        const std::lock_guard lock(mutex_);
        if (fd < 0 || stopped_) {
            if (fd >= 0) close(fd);
            return;  // stop() shut the listening socket, which is what ends accept()
        }
        reapFinished();
        open_.insert(fd);
        Connection& c = connections_.emplace_back();
        c.thread = std::thread([this, fd, &c] { serve(fd, &c); });
    }
}

void Port43Server::serve(int fd, Connection* self) {
    std::string query;
    if (ReadQuery(fd, options_.readTimeoutMs, query)) {
        ++queries_;
        if (options_.neverAnswer) {
            pause(INT_MAX);
        } else {
            std::string answer;
            try {
                answer = handler_(query);
            } catch (const std::exception&) {
                // A handler that fails is a server that hangs up without a word.
            }
            if (options_.trickleMs <= 0) {
                SendAll(fd, answer.data(), answer.size());
            } else {
                for (const char byte : answer)
                    if (!pause(options_.trickleMs) || !SendAll(fd, &byte, 1)) break;
            }
            shutdown(fd, SHUT_WR);
            std::string ignored;
            const auto deadline = Clock::now() + std::chrono::milliseconds(kLingerMs);
            while (ReadSome(fd, deadline, ignored)) ignored.clear();
        }
    }
    const std::lock_guard lock(mutex_);
    open_.erase(fd);
    close(fd);
    self->done = true;
}

bool Port43Server::pause(int ms) {
    std::unique_lock lock(mutex_);
    stopping_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
    return !stopped_;
}

void Port43Server::reapFinished() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (!it->done) {
            ++it;
            continue;
        }
        it->thread.join();  // it has set `done` as its last step under the lock: the join is immediate
        it = connections_.erase(it);
    }
}

void Port43Server::stop() {
    std::list<Connection> serving;
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        if (listenFd_ >= 0) shutdown(listenFd_, SHUT_RDWR);
        // Wakes reads and writes under way; each thread closes its own socket.
        for (const int fd : open_) shutdown(fd, SHUT_RDWR);
    }
    stopping_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    {
        const std::lock_guard lock(mutex_);
        serving.splice(serving.end(), connections_);
    }
    for (Connection& c : serving)
        if (c.thread.joinable()) c.thread.join();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
}

}  // namespace ds::demo
