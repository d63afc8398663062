#pragma once
// The answers of the demo services: stand-ins for the whois page, Baidu search, the Alexa data
// service, the toolbar PageRank query, its checksum script, the relay scripts and the database-address
// service, so that the live checks can be tried on loopback. Every answer depends only on the domain
// (a hash of its name), so a row shows the same values in every run and on every machine.
//
// Beside the ordinary answers, a small share of names gets the answers real services give when they are
// unwell or throttle a client (error pages, rate limits, captchas, a server that trickles), so the demo
// shows how the checks treat them. Each share is drawn with a salt of its own, apart from the ordinary
// kinds, so the ordinary answers of all other names stay as they were.
#include <QString>
#include <QStringView>
#include <cstdint>

namespace ds::demo {

// A stable number for a name and a purpose: the lower-cased, trimmed name hashed with `salt`, so the
// different answers about one domain do not move in step.
std::uint64_t NameHash(const QString& domain, QStringView salt);

// What a service sends for one request.
struct ServiceAnswer {
    int status = 200;
    QString body;
    int delayMs = 0;       // how long the service "thinks" before the first byte
    bool trickle = false;  // the body goes out one byte per kTrickleByteIntervalMs
};

// Whois: mostly registered names, a good share of free ones and a few the registry will not say about;
// and the hostile kinds: an nginx "404 Not Found" page in front of the service (which says "not found"
// and must not read as free), a query-limit page that falls through to "registered" without showing a
// registration record, and a server that sends its page a byte a second.
enum class WhoisKind { Registered, Free, NotAvailable, ErrorPage, QueryLimit, Trickle };
inline constexpr int kWhoisErrorPagePerMille = 20;
inline constexpr int kWhoisQueryLimitPerMille = 20;
inline constexpr int kWhoisTricklePerMille = 5;
inline constexpr int kTrickleByteIntervalMs = 1000;
WhoisKind WhoisKindFor(const QString& domain);
// What the registry's own data says about the name (Registered, Free or NotAvailable), without the
// hostile shares of the whois page in front of it; the demo's registry services answer by it.
WhoisKind RegistryWhoisKindFor(const QString& domain);
// The page of the kind (the trickled page is the registered one, for a client patient enough).
QString WhoisPage(const QString& domain);
ServiceAnswer WhoisAnswer(const QString& domain);

// Baidu counts; 0 means "nothing found", whose page says so instead of giving a count.
qint64 BaiduSiteCount(const QString& domain);
qint64 BaiduDomainCount(const QString& domain);
// A few "site:" pages carry the count marker "找到相关结果数" followed by kilobytes of page text and no
// "个", as after a change of the page layout: the check then has only raw text to show.
inline constexpr int kBaiduSiteRawTextPerMille = 10;
bool BaiduSiteShowsRawText(const QString& domain);
QString BaiduSitePage(const QString& domain);
QString BaiduDomainPage(const QString& domain);

// What the direct search service (never a relay) answers instead of the page: the old refusal page,
// a 429 "请求过于频繁", or a "百度安全验证" captcha form (status 200). A check has to move on to a relay.
// `query` is "site" or "domain"; each query draws on its own.
enum class BaiduRefusal { None, AccessError, TooManyRequests, Captcha };
inline constexpr int kBaiduAccessErrorPerMille = 200;
inline constexpr int kBaiduTooManyRequestsPerMille = 40;
inline constexpr int kBaiduCaptchaPerMille = 40;
// A very small share is refused everywhere for both queries: the direct service shows its captcha and
// every relay answers "wrong", so the cells keep the values the database holds.
inline constexpr int kBaiduBlockedPerMille = 8;
bool BaiduBlocked(const QString& domain);
BaiduRefusal DirectBaiduRefusalFor(const QString& domain, QStringView query);
QString BaiduRefusalPage();
QString BaiduTooManyRequestsPage();
QString BaiduCaptchaPage(const QString& domain);
// The answer of the direct service to "wd=<query>:<domain>".
ServiceAnswer DirectBaiduAnswer(const QString& domain, QStringView query);

// Alexa reach rank; 0 means the service does not rank the site (its answer has no REACH element).
qint64 AlexaRankFor(const QString& domain);
QString AlexaAnswer(const QString& domain);

// PageRank 0..7, the checksum the checksum script gives for the domain, and the toolbar's answer,
// which refuses (a 403 page) a query whose checksum does not belong to the domain.
int PageRankFor(const QString& domain);
QString ChecksumFor(const QString& domain);
QString ToolbarAnswer(const QString& domain, const QString& checksum);
QString PageRankAnswer(const QString& domain);

// The relay scripts answer like the service behind them; an unknown script gets "wrong", as a relay
// that failed does, and so does a Baidu script asked about a blocked name. `script` is the last path
// segment ("baidusite.php", "ale.php", ...).
QString RelayAnswer(const QString& script, const QString& domain);
ServiceAnswer RelayServiceAnswer(const QString& script, const QString& domain);

// The hostile answers the services give about the domain, as words separated by spaces ("whois-404",
// "whois-query-limit", "whois-trickle", "baidu-site-429", "baidu-domain-captcha", "baidu-blocked",
// "baidu-site-raw-text", "rdap-429-once", ...); empty for a domain answered as usual. For finding such rows in a demo
// database (dropscout_demo_services --explain).
QString HostileAnswersFor(const QString& domain);

// The address service's answer: both network variants name the SQLite file `databasePath`.
QString AddressAnswer(const QString& databasePath);

// How long a service "thinks" before it answers (20..60 ms), so progress is visible in the grid. The
// ServiceAnswer of a refusal, a "wrong" or an error page has no delay: a name refused everywhere costs a
// check a hundred requests, which must not take seconds.
int AnswerDelayMs(const QString& domain, QStringView service);

}  // namespace ds::demo
