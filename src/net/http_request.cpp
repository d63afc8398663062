#include "net/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "net/curl_transfer.h"

namespace ds::net {
namespace {

struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};

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
    CurlTransfer transfer(url, options);
    if (!transfer.handle()) return Failure(transfer.setupError());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    if (!multi) return Failure(QStringLiteral("the HTTP client could not be created"));

    // One easy handle driven by a private multi handle: curl_easy_perform checks in with its
    // progress callback only about once a second when nothing moves, too coarse for the phase
    // limits and for cancelling promptly.
    CURL* h = transfer.handle();
    if (curl_multi_add_handle(multi.get(), h) != CURLM_OK)
        return Failure(QStringLiteral("the HTTP client could not be started"));
    QString abortReason;
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
        qint64 left = 0;
        abortReason = transfer.limitReached(&left);
        if (!abortReason.isEmpty()) break;
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
    if (abortReason.isEmpty() && !finished && !transfer.truncated)
        abortReason = QStringLiteral("the transfer ended without a result");
    return transfer.finish(code, abortReason);
}

}  // namespace ds::net
