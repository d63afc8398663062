#include "net/curl_transfer.h"

#include <algorithm>
#include <mutex>

namespace ds::net {
namespace {

using Phase = CurlTransfer::Phase;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

const char* PhaseName(Phase p) {
    switch (p) {
    case Phase::Resolve: return "name resolution";
    case Phase::Connect: return "connection";
    case Phase::Send: return "sending the request";
    case Phase::Receive: return "receiving the answer";
    }
    return "";
}

int PhaseLimitMs(const RequestOptions& o, Phase p) {
    switch (p) {
    case Phase::Resolve: return o.resolveTimeoutMs;
    case Phase::Connect: return o.connectTimeoutMs;
    case Phase::Send: return o.sendTimeoutMs;
    case Phase::Receive: return o.receiveTimeoutMs;
    }
    return o.receiveTimeoutMs;
}

qint64 MsSince(CurlTransfer::Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(CurlTransfer::Clock::now() - t).count();
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<CurlTransfer*>(user);
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
    static_cast<CurlTransfer*>(user)->enter(Phase::Receive);
    return size * count;
}

// Called once the address is known and a socket is about to connect.
int OnSocket(void* user, curl_socket_t, curlsocktype) {
    auto* t = static_cast<CurlTransfer*>(user);
    // A second socket of the same attempt (IPv4 after IPv6) does not restart the connect limit.
    if (t->phase != Phase::Connect) t->enter(Phase::Connect);
    return CURL_SOCKOPT_OK;
}

// Called when the connection (TLS included) is up, just before the request is written.
int OnConnected(void* user, char*, char*, int, int) {
    static_cast<CurlTransfer*>(user)->enter(Phase::Send);
    return CURL_PREREQFUNC_OK;
}

// The only place curl tells that the request has gone out: the outgoing-header trace.
int OnTrace(CURL*, curl_infotype type, char*, size_t, void* user) {
    auto* t = static_cast<CurlTransfer*>(user);
    // A plain exchange (port-43 whois) has no header: its query goes out as data.
    if ((type == CURLINFO_HEADER_OUT || type == CURLINFO_DATA_OUT) && t->phase == Phase::Send)
        t->enter(Phase::Receive);
    return 0;
}

}  // namespace

void CurlTransfer::enter(Phase p) {
    phase = p;
    lastActivity = Clock::now();
}

CurlTransfer::CurlTransfer(const QString& url, const RequestOptions& o) : options(o), address_(WireAddress(url)) {
    InitCurlOnce();
    easy_ = curl_easy_init();
    if (!easy_) {
        setupError_ = QStringLiteral("the HTTP client could not be created");
        return;
    }
    QList<QByteArray> lines;
    if (options.standardHeaders) {
        // The order is part of what servers see; curl keeps custom headers in list order. "Accept:"
        // removes curl's own Accept so the request carries exactly Host and these five.
        lines = {"Accept:",
                 "Referer: " + address_,
                 "User-Agent: Mozilla/4.0",
                 "Connection: Keep-Alive",
                 "Content-Length: 0",
                 "Content-Type: application/x-www-form-urlencoded"};
    }
    lines += options.extraHeaders;
    for (const QByteArray& line : lines) {
        curl_slist* grown = curl_slist_append(headers_, line.constData());
        if (!grown) {
            setupError_ = QStringLiteral("out of memory");
            curl_easy_cleanup(easy_);
            easy_ = nullptr;
            return;
        }
        headers_ = grown;
    }

    CURL* h = easy_;
    curl_easy_setopt(h, CURLOPT_URL, address_.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, curlError_);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // Without this, ending a transfer that is still resolving waits for getaddrinfo to give up,
    // which the resolve limit is there to avoid.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
#endif
    // What the request object of the Windows client could reach: the web, nothing else (no file://,
    // no other protocols), also after a redirect.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, options.protocols.constData());
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // HTTP/2 would drop the Connection header and change how the request looks on the wire.
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, options.followRedirects ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(options.maxRedirects));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, options.verifyCertificates ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, options.verifyCertificates ? 2L : 0L);
    if (options.method == RequestOptions::Method::Post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, "");
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, 0L);
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    if (headers_) curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_);
    // curl's own connect limit starts before name resolution; it backs up the phase watch.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.resolveTimeoutMs) + options.connectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_SOCKOPTFUNCTION, OnSocket);
    curl_easy_setopt(h, CURLOPT_SOCKOPTDATA, this);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, OnTrace);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);  // the trace goes to OnTrace only, never to stderr
    curl_easy_setopt(h, CURLOPT_PRIVATE, this);
}

CurlTransfer::~CurlTransfer() {
    if (easy_) curl_easy_cleanup(easy_);
    curl_slist_free_all(headers_);
}

QString CurlTransfer::limitReached(qint64* waitMs) const {
    const qint64 runningMs = MsSince(started);
    if (runningMs >= options.totalTimeoutMs)
        return QStringLiteral("timed out after %1 ms in all").arg(options.totalTimeoutMs);
    const int phaseLimit = PhaseLimitMs(options, phase);
    const qint64 left = std::min<qint64>(phaseLimit - MsSince(lastActivity), options.totalTimeoutMs - runningMs);
    if (left < 0)
        return QStringLiteral("timed out during %1 after %2 ms")
            .arg(QString::fromLatin1(PhaseName(phase)))
            .arg(phaseLimit);
    if (waitMs) *waitMs = left;
    return {};
}

RequestResult CurlTransfer::finish(CURLcode code, const QString& abortReason) {
    RequestResult result;
    result.truncated = truncated;
    if (truncated) {
        // The cap is a guard on memory, not a fault of the server: what arrived up to it is the answer.
        result.ok = true;
    } else if (!abortReason.isEmpty()) {
        result.error = abortReason;
    } else if (code != CURLE_OK) {
        result.error = QString::fromUtf8(curlError_[0] ? curlError_ : curl_easy_strerror(code));
    } else {
        result.ok = true;
    }
    if (!result.ok) return result;
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    result.status = static_cast<int>(status);
    char* type = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) result.contentType = type;
    char* effective = nullptr;
    if (curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        result.finalUrl = QString::fromUtf8(effective);
    curl_header* retryAfter = nullptr;
    if (curl_easy_header(easy_, "Retry-After", 0, CURLH_HEADER, -1, &retryAfter) == CURLHE_OK && retryAfter)
        result.retryAfter = QByteArray(retryAfter->value).trimmed();
    result.body = std::move(body);
    return result;
}

}  // namespace ds::net
