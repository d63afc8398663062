#include "net/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>

namespace ds::net {
namespace {

using Clock = std::chrono::steady_clock;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// curl has no resolve-only or idle limits of its own (its low-speed limits average over a window,
// which is not "nothing arrived for N ms"), so the transfer tracks which phase it is in and when a
// byte last moved, and the driving loop ends it when the current phase has been quiet too long.
enum class Phase { Resolve, Connect, Send, Receive };

const char* PhaseName(Phase p) {
    switch (p) {
    case Phase::Resolve: return "name resolution";
    case Phase::Connect: return "connection";
    case Phase::Send: return "sending the request";
    case Phase::Receive: return "receiving the answer";
    }
    return "";
}

struct Transfer {
    explicit Transfer(const RequestOptions& o) : options(o) {}

    const RequestOptions& options;
    QByteArray body;
    bool truncated = false;
    Phase phase = Phase::Resolve;
    Clock::time_point lastActivity = Clock::now();

    void enter(Phase p) {
        phase = p;
        lastActivity = Clock::now();
    }
    int limitMs() const {
        switch (phase) {
        case Phase::Resolve: return options.resolveTimeoutMs;
        case Phase::Connect: return options.connectTimeoutMs;
        case Phase::Send: return options.sendTimeoutMs;
        case Phase::Receive: return options.receiveTimeoutMs;
        }
        return options.receiveTimeoutMs;
    }
    qint64 quietMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity).count();
    }
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    t->enter(Phase::Receive);
    const qint64 n = static_cast<qint64>(size * count);
    const qint64 room = std::max<qint64>(0, t->options.bodyCapBytes - t->body.size());
    if (n > room) {
        // Keep what fits and stop reading: returning less than offered makes curl end the transfer.
        t->body.append(data, static_cast<qsizetype>(room));
        t->truncated = true;
        return 0;
    }
    t->body.append(data, static_cast<qsizetype>(n));
    return static_cast<size_t>(n);
}

size_t OnHeader(char*, size_t size, size_t count, void* user) {
    static_cast<Transfer*>(user)->enter(Phase::Receive);
    return size * count;
}

// Called once the address is known and a socket is about to connect.
int OnSocket(void* user, curl_socket_t, curlsocktype) {
    auto* t = static_cast<Transfer*>(user);
    // A second socket of the same attempt (IPv4 after IPv6) does not restart the connect limit.
    if (t->phase != Phase::Connect) t->enter(Phase::Connect);
    return CURL_SOCKOPT_OK;
}

// Called when the connection (TLS included) is up, just before the request is written.
int OnConnected(void* user, char*, char*, int, int) {
    static_cast<Transfer*>(user)->enter(Phase::Send);
    return CURL_PREREQFUNC_OK;
}

// The only place curl tells that the request has gone out: the outgoing-header trace.
int OnTrace(CURL*, curl_infotype type, char*, size_t, void* user) {
    auto* t = static_cast<Transfer*>(user);
    if (type == CURLINFO_HEADER_OUT && t->phase == Phase::Send) t->enter(Phase::Receive);
    return 0;
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using ListPtr = std::unique_ptr<curl_slist, ListDeleter>;

ListPtr StandardHeaders(const QByteArray& wireAddress) {
    // The order is part of what servers see; curl keeps custom headers in list order. "Accept:"
    // removes curl's own Accept so the request carries exactly Host and these five.
    const QByteArray lines[] = {
        "Accept:",
        "Referer: " + wireAddress,
        "User-Agent: Mozilla/4.0",
        "Connection: Keep-Alive",
        "Content-Length: 0",
        "Content-Type: application/x-www-form-urlencoded",
    };
    curl_slist* list = nullptr;
    for (const QByteArray& line : lines) {
        curl_slist* grown = curl_slist_append(list, line.constData());
        if (!grown) {
            curl_slist_free_all(list);
            return nullptr;
        }
        list = grown;
    }
    return ListPtr(list);
}

RequestResult Failure(const QString& why) {
    RequestResult r;
    r.error = why;
    return r;
}

}  // namespace

QByteArray WireAddress(const QString& url) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : url.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

RequestResult PerformRequest(const QString& url, const RequestOptions& options,
                             const std::function<bool()>& cancelled) {
    InitCurlOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!easy || !multi) return Failure(QStringLiteral("the HTTP client could not be created"));

    const QByteArray address = WireAddress(url);
    Transfer transfer(options);
    char curlError[CURL_ERROR_SIZE] = {};
    ListPtr headers;
    if (options.standardHeaders) {
        headers = StandardHeaders(address);
        if (!headers) return Failure(QStringLiteral("out of memory"));
    }

    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // Without this, ending a transfer that is still resolving waits for getaddrinfo to give up,
    // which the resolve limit is there to avoid.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
#endif
    // What the request object of the Windows client could reach: the web, nothing else (no file://,
    // no other protocols), also after a redirect.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // HTTP/2 would drop the Connection header and change how the request looks on the wire.
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, options.verifyCertificates ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, options.verifyCertificates ? 2L : 0L);
    if (options.method == RequestOptions::Method::Post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, "");
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, 0L);
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    if (headers) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    // curl's own connect limit starts before name resolution; it backs up the phase watch below.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.resolveTimeoutMs) + options.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_SOCKOPTFUNCTION, OnSocket);
    curl_easy_setopt(h, CURLOPT_SOCKOPTDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, OnTrace);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);  // the trace goes to OnTrace only, never to stderr

    // One easy handle driven by a private multi handle: curl_easy_perform checks in with its
    // progress callback only about once a second when nothing moves, too coarse for the phase
    // limits and for cancelling promptly.
    if (curl_multi_add_handle(multi.get(), h) != CURLM_OK)
        return Failure(QStringLiteral("the HTTP client could not be started"));
    QString abortReason;
    const Clock::time_point started = Clock::now();
    for (;;) {
        int running = 0;
        const CURLMcode mc = curl_multi_perform(multi.get(), &running);
        if (mc != CURLM_OK) {
            abortReason = QString::fromUtf8(curl_multi_strerror(mc));
            break;
        }
        if (running == 0) break;
        if (cancelled && cancelled()) {
            abortReason = QStringLiteral("cancelled");
            break;
        }
        const qint64 runningMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
        if (runningMs >= options.totalTimeoutMs) {
            abortReason = QStringLiteral("timed out after %1 ms in all").arg(options.totalTimeoutMs);
            break;
        }
        const qint64 left = std::min<qint64>(transfer.limitMs() - transfer.quietMs(),
                                             options.totalTimeoutMs - runningMs);
        if (left < 0) {
            abortReason = QStringLiteral("timed out during %1 after %2 ms")
                              .arg(QString::fromLatin1(PhaseName(transfer.phase)))
                              .arg(transfer.limitMs());
            break;
        }
        const int waitMs = static_cast<int>(std::clamp<qint64>(left + 1, 1, 50));
        curl_multi_poll(multi.get(), nullptr, 0, waitMs, nullptr);
    }

    CURLcode code = CURLE_OK;
    bool finished = false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
            code = msg->data.result;
            finished = true;
        }
    }
    curl_multi_remove_handle(multi.get(), h);

    RequestResult result;
    result.truncated = transfer.truncated;
    if (transfer.truncated) {
        // The cap is a guard on memory, not a fault of the server: what arrived up to it is the answer.
        result.ok = true;
    } else if (!abortReason.isEmpty()) {
        result.error = abortReason;
    } else if (!finished) {
        result.error = QStringLiteral("the transfer ended without a result");
    } else if (code != CURLE_OK) {
        result.error = QString::fromUtf8(curlError[0] ? curlError : curl_easy_strerror(code));
    } else {
        result.ok = true;
    }
    if (result.ok) {
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        result.status = static_cast<int>(status);
        char* type = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) result.contentType = type;
        char* effective = nullptr;
        if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            result.finalUrl = QString::fromUtf8(effective);
        result.body = std::move(transfer.body);
    }
    return result;
}

}  // namespace ds::net
