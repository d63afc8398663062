#pragma once
// The synchronous web fetch operations. Each call performs one HTTP request and returns the response
// body decoded with the named character set; the plain operations never look at the status code or
// the headers. The request runs on a worker thread while the calling (user-interface) thread keeps
// processing events, so windows repaint and stop buttons work; to the caller the call is synchronous.
// Every request ends within the configured overall limit (totalTimeoutMs), and a stop press ends a
// request under way within 50 ms, as a failure.
#include <QString>

namespace ds::net {

// A fetch with the status kept, for callers that must tell an answer from an error page.
struct FetchReply {
    int status = 0;  // HTTP status of the answer; 0 when no answer arrived
    QString body;    // what the operation itself returns (empty text, or "wrong" for the timed fetch)
};

// GET, certificate errors ignored, redirects not followed, the five standard headers, limits from
// configuration. Every failure gives the empty text.
QString GetBody(const QString& url, const QString& charset);
QString GetBodyutf(const QString& url, const QString& charset);
QString GetBodyref(const QString& url, const QString& charset);
// As GetBody, but POST and redirects followed.
QString GetBodyhead(const QString& url, const QString& charset);
// GET, certificates verified, redirects followed, no extra headers, each phase (resolve, connect, send,
// receive) limited to the configured dlPhaseTimeoutMs (10000 ms by default). Every failure gives "wrong".
QString GetBodydl(const QString& url, const QString& charset);

// GetBody and GetBodydl with the status of the answer.
FetchReply GetBodyReply(const QString& url, const QString& charset);
FetchReply GetBodydlReply(const QString& url, const QString& charset);

// A page for the side windows' viewers: the raw bytes, so that they can be decoded in the set the page
// names, and the address the page came from, so that its relative links resolve. GET, certificate
// errors ignored and the five headers like GetBody, but redirects followed, as a browser does.
struct PageReply {
    bool ok = false;
    int status = 0;
    QByteArray contentType;
    QString url;
    QByteArray body;
    QString error;  // why no page came (empty when one did); "cancelled" after a stop
};
PageReply GetPage(const QString& url);

// The request settings of the two families above, from configuration: GetBody's (POST for GetBodyhead)
// and GetBodydl's. The check engine sends its requests with the same ones.
struct RequestOptions;
RequestOptions PlainOptions(bool post);
RequestOptions DlOptions();

// True for http and https addresses. Callers that build an address from a setting check it first: an
// empty or scheme-less base would otherwise be guessed into a host name (often the domain being
// checked) and fetched from the network.
bool IsWebAddress(const QString& url);

}  // namespace ds::net
