#pragma once
// One HTTP transfer on a curl easy handle, apart from the multi handle that drives it: the blocking
// fetch drives one on a private multi handle, the check engine many on a shared one. The transfer
// keeps the phase limits curl lacks (resolve, connect, send and receive idle limits, the whole) and
// turns what curl reports into a RequestResult.
#include <curl/curl.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <memory>

#include "net/http_request.h"

namespace ds::net {

class CurlTransfer {
public:
    using Clock = std::chrono::steady_clock;

    CurlTransfer(const QString& url, const RequestOptions& options);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Null when the handle could not be made or set up; setupError() says why.
    CURL* handle() const { return easy_; }
    const QString& setupError() const { return setupError_; }

    // Why the transfer must end now (a phase was quiet too long, or the whole limit ran out), else
    // empty text. `waitMs` receives how long it may still run before the next limit.
    QString limitReached(qint64* waitMs = nullptr) const;

    // The result once curl is done with the handle (`code`), or once the driver ended it early
    // (`abortReason` not empty; then `code` is ignored).
    RequestResult finish(CURLcode code, const QString& abortReason);

    // Callbacks' state; public for the C callbacks only.
    enum class Phase { Resolve, Connect, Send, Receive };
    void enter(Phase p);
    Phase phase = Phase::Resolve;
    Clock::time_point lastActivity = Clock::now();
    const Clock::time_point started = Clock::now();
    QByteArray body;
    bool truncated = false;
    const RequestOptions options;

private:
    CURL* easy_ = nullptr;
    curl_slist* headers_ = nullptr;
    QByteArray address_;
    QString setupError_;
    char curlError_[CURL_ERROR_SIZE] = {};
};

}  // namespace ds::net
