#pragma once
// A port-43 whois server on loopback: each connection sends one query line (ending in CR LF), gets the
// handler's text back and is closed, the way registry whois servers answer. The demo plays CNNIC with
// it; tests use it to play a registry that answers, never answers or answers a byte at a time.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace ds::demo {

class Port43Server {
public:
    // Gets the query without its line end; returns the whole answer.
    using Handler = std::function<std::string(const std::string& query)>;

    struct Options {
        // Read the query, then hold the connection open without a byte until stop(): a server that
        // never answers and never closes.
        bool neverAnswer = false;
        // Wait this long before each byte of the answer (0: send it at once).
        int trickleMs = 0;
        // A connection that has not sent a whole line (at most 1 kB) by then is closed unanswered.
        int readTimeoutMs = 5000;
    };

    explicit Port43Server(Handler handler);
    Port43Server(Handler handler, Options options);
    ~Port43Server();
    Port43Server(const Port43Server&) = delete;
    Port43Server& operator=(const Port43Server&) = delete;

    // Listens on `host` (a numeric address); port 0 takes a free one. False when it cannot.
    bool bind(const std::string& host, int port);
    // Accepts connections on a thread of its own, each served on a thread of its own.
    void start();
    // Closes the listening socket and every open connection, and waits for the threads; quick even
    // when clients hold connections open. Safe to call twice.
    void stop();

    int port() const { return port_; }
    // Query lines received so far.
    int queries() const { return queries_.load(); }

private:
    struct Connection {
        std::thread thread;
        bool done = false;
    };

    void acceptLoop();
    void serve(int fd, Connection* self);
    // Waits `ms` unless stopping; false when stopping.
    bool pause(int ms);
    void reapFinished();

    Handler handler_;
    Options options_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<int> queries_{0};
    std::thread acceptor_;

    std::mutex mutex_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    std::set<int> open_;               // connection sockets being served, shut down by stop()
    std::list<Connection> connections_;  // finished ones are joined as new ones arrive
};

}  // namespace ds::demo
