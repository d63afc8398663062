#pragma once
// One HTTP request over libcurl, parameterised by the few things the fetch operations differ in.
// Blocking; safe to call from any thread, each call with its own handles.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace ds::net {

struct RequestOptions {
    enum class Method { Get, Post };
    Method method = Method::Get;
    bool verifyCertificates = true;
    bool followRedirects = false;
    // Referer (the address itself), User-Agent, Connection, Content-Length, Content-Type, in that order.
    bool standardHeaders = false;
    // Further header lines ("Accept: application/rdap+json"), after the standard ones.
    QList<QByteArray> extraHeaders;
    int maxRedirects = 10;
    // What the address may be (curl's protocol names). Redirects only ever go to http(s).
    QByteArray protocols = "http,https";
    // Phase limits in milliseconds. Send and receive are idle limits: time without a byte moving.
    int resolveTimeoutMs = 10000;
    int connectTimeoutMs = 10000;
    int sendTimeoutMs = 10000;
    int receiveTimeoutMs = 10000;
    // The whole request, however busy the server keeps the line: a server that sends one byte a second
    // never trips the idle limits above.
    int totalTimeoutMs = 120000;
    // A longer body is cut at this many bytes and the transfer ends there.
    qint64 bodyCapBytes = 32LL * 1024 * 1024;
};

struct RequestResult {
    bool ok = false;
    int status = 0;  // HTTP status of the last response; 0 when none was read
    QByteArray contentType;  // its Content-Type header as sent
    QString finalUrl;        // the address the answer came from (after redirects)
    QByteArray body;
    bool truncated = false;  // the body reached bodyCapBytes and the rest was not read
    QByteArray retryAfter;   // the Retry-After header as sent, when there was one
    QString error;           // why ok is false
};

// The address as it goes on the wire: UTF-8, with non-ASCII bytes, spaces and control characters
// percent-encoded (what the Windows client does with its default URL code page). Everything else,
// existing escapes included, is left alone.
QByteArray WireAddress(const QString& url);

// Performs the request. Only the options' protocols are allowed (http and https unless a caller says
// otherwise), and only http(s) as redirect targets. `cancelled` is
// asked about every 50 ms (from the thread running the request); once it says yes the request ends
// with ok == false.
RequestResult PerformRequest(const QString& url, const RequestOptions& options,
                             const std::function<bool()>& cancelled = {});

}  // namespace ds::net
