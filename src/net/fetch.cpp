#include "net/fetch.h"

#include "core/codepage.h"
#include "core/config.h"
#include "core/stop_signal.h"
#include "net/decode.h"
#include "net/http_request.h"
#include "net/responsive_wait.h"

namespace ds::net {
namespace {

RequestResult Fetch(const QString& url, const RequestOptions& options) {
    RequestResult result;
    std::atomic<bool> cancel{false};
    const StopWatch stop;
    RunWhileHandlingEvents(
        [&] { result = PerformRequest(url, options, [&] { return cancel.load() || stop.stopRequested(); }); },
        cancel);
    return result;
}

}  // namespace

// The plain fetches: certificate errors ignored and the five headers, like a browser form post
// that never checks anything. Their limits stand in for the Windows client's defaults, which are
// finite too (a dead server must not hang the window).
RequestOptions PlainOptions(bool post) {
    const Config& c = config();
    RequestOptions o;
    o.method = post ? RequestOptions::Method::Post : RequestOptions::Method::Get;
    o.verifyCertificates = false;
    o.followRedirects = post;
    o.standardHeaders = true;
    o.resolveTimeoutMs = c.resolveTimeoutMs;
    o.connectTimeoutMs = c.connectTimeoutMs;
    o.sendTimeoutMs = c.sendTimeoutMs;
    o.receiveTimeoutMs = c.receiveTimeoutMs;
    o.totalTimeoutMs = c.totalTimeoutMs;
    o.bodyCapBytes = c.bodyCapBytes;
    return o;
}

RequestOptions DlOptions() {
    const Config& c = config();
    RequestOptions o;
    o.method = RequestOptions::Method::Get;
    o.verifyCertificates = true;
    o.followRedirects = true;
    o.standardHeaders = false;
    o.resolveTimeoutMs = o.connectTimeoutMs = o.sendTimeoutMs = o.receiveTimeoutMs = c.dlPhaseTimeoutMs;
    o.totalTimeoutMs = c.totalTimeoutMs;
    o.bodyCapBytes = c.bodyCapBytes;
    return o;
}

namespace {

FetchReply PlainFetch(const QString& url, const QString& charset, bool post) {
    const RequestResult r = Fetch(url, PlainOptions(post));
    if (!r.ok) return {};
    try {
        return {r.status, BytesToBstr(r.body, charset)};
    } catch (const EncodingError&) {
        // Every caller names code page 936, which decodes anything; an unknown name is a failure
        // like any other here.
        return {};
    }
}

}  // namespace

bool IsWebAddress(const QString& url) {
    return url.startsWith(u"http://", Qt::CaseInsensitive) || url.startsWith(u"https://", Qt::CaseInsensitive);
}

QString GetBody(const QString& url, const QString& charset) { return PlainFetch(url, charset, false).body; }
QString GetBodyutf(const QString& url, const QString& charset) { return PlainFetch(url, charset, false).body; }
QString GetBodyref(const QString& url, const QString& charset) { return PlainFetch(url, charset, false).body; }
QString GetBodyhead(const QString& url, const QString& charset) { return PlainFetch(url, charset, true).body; }
FetchReply GetBodyReply(const QString& url, const QString& charset) { return PlainFetch(url, charset, false); }

PageReply GetPage(const QString& url) {
    if (!IsWebAddress(url)) return {};
    RequestOptions o = PlainOptions(false);
    o.followRedirects = true;
    const RequestResult r = Fetch(url, o);
    if (!r.ok) {
        PageReply failed;
        failed.error = r.error;
        return failed;
    }
    return {true, r.status, r.contentType, r.finalUrl.isEmpty() ? url : r.finalUrl, r.body, {}};
}

QString GetBodydl(const QString& url, const QString& charset) { return GetBodydlReply(url, charset).body; }

FetchReply GetBodydlReply(const QString& url, const QString& charset) {
    const FetchReply wrong{0, QStringLiteral("wrong")};
    const RequestResult r = Fetch(url, DlOptions());
    if (!r.ok) return wrong;
    try {
        return {r.status, BytesToBstr(r.body, charset)};
    } catch (const EncodingError&) {
        return wrong;
    }
}

}  // namespace ds::net
