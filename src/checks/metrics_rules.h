#pragma once
// The site metrics check without windows: the request addresses of the four metrics, the signs that
// an answer failed, and the reduction of an answer to the text written into the grid.
#include <QDateTime>
#include <QString>
#include <array>

namespace ds {
struct Config;
}

namespace ds::checks {

enum class Metric { BaiduSite, BaiduDomain, Alexa, PageRank };

// The order in which a row's metrics are fetched.
inline constexpr std::array<Metric, 4> kMetricOrder = {Metric::BaiduSite, Metric::BaiduDomain, Metric::Alexa,
                                                       Metric::PageRank};

// Grid column the metric's value goes into (18, 19, 20, 17).
int MetricColumn(Metric m);
// Index of the metric's switch in the check-box array lrankset (1, 2, 3, 0).
int MetricSwitchIndex(Metric m);
// Name of the metric's relay script ("baidusite.php", "baidudomain.php", "ale.php", "pr.php").
QString RelayScript(Metric m);

// The "now" part of every request: the general local date-time text, "2026-12-08 10:31:05".
QString NowText(const QDateTime& now);

// Address of the direct request to the public service. `checksum` is used by PageRank only.
// The service hosts come from configuration (base addresses without a trailing slash).
QString DirectRequest(Metric m, const QString& domain, const QString& now, const QString& checksum,
                      const Config& config);
// Address of the relay request: the base from lweblist joined to the script name as it stands.
QString RelayRequest(Metric m, const QString& base, const QString& domain, const QString& now);
// Address of the PageRank checksum script (base llinkurl from the remote settings).
QString ChecksumRequest(const QString& llinkurl, const QString& domain);
// The checksum is what the script answered, outer blanks removed; nothing is computed here.
QString ChecksumFromAnswer(const QString& answer);

// True when the answer shows a failure and the metric is asked again. A verification or throttling
// page of the search service counts as a failure for every metric: it carries no count, and read as
// an answer it would write 0 over a real value.
bool AnswerFailed(Metric m, const QString& answer);

// The search service's verification page or throttling notice: the service is pushing back, and the
// same question is worth asking again only after a pause.
bool IsVerificationPage(const QString& answer);

// HTTP statuses with which the services refuse a client they throttle (403, 429). Their pages are not
// answers whatever they say; the fetch reports them as failed ("wrong").
bool IsRefusalStatus(int httpStatus);

// The cell text for the metric's answer. Only an answer that passed AnswerFailed is written; a metric
// whose every attempt failed keeps the value it had (see kNotMeasuredTip).
QString MetricValue(Metric m, const QString& answer);

// A Baidu answer with its marker but without "个" gives the number that follows the marker; when none
// does ("（统计中）", or the page's markup) the answer carries no count and is a failed measurement:
// the rest of the page would otherwise land in the cell, its copies and its exports.
bool CountTextHasNoNumber(Metric m, const QString& answer);
// The most of a count text a reason quotes.
inline constexpr int kRawCountTextLimit = 200;

// How a cell whose metric could not be measured in the last run is marked: grey text (0x00BBGGRR)
// and a tooltip starting with this text (then the reason and the time), over the value it had.
inline constexpr char16_t kNotMeasuredTip[] = u"未取得";
inline constexpr unsigned kNotMeasuredColor = 0x808080;

// A domain is international when the first or the last character of its first label, or its last
// character, is not ASCII. Such names get "0" for PageRank without any request.
bool IsInternationalName(const QString& domain);

// The name of a metric's value in the ledger and in dropscout-cli's output: baidu_links (百度外链,
// lbaidusite), baidu_indexed (百度收录, lbaidudomain), alexa, pagerank.
QString MetricKey(Metric m);
// What an international name gets in the PageRank column.
inline constexpr char16_t kInternationalPageRank[] = u"0";

// Alexa's stand-in for "no rank".
inline constexpr qint64 kNoAlexaRank = 1000000000;

// The leading decimal number of a text (leading blanks skipped), 0 when it starts with anything else.
double NumberOf(const QString& text);
// The text between the first and the second occurrence of `marker`, or to the end when it occurs
// once; empty when it does not occur.
QString After(const QString& text, const QString& marker);
// The text up to the first occurrence of `marker` (the whole text when it does not occur).
QString Before(const QString& text, const QString& marker);

}  // namespace ds::checks
