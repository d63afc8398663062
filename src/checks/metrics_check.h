#pragma once
// The site metrics check: fills the PageRank, Baidu and Alexa columns of every row of the main
// window's grid from the outside services, retrying failed answers through the relay scripts.
#include <QString>
#include <functional>

namespace ds::search {
class Fdomain;
}

namespace ds::checks {

// Text shown in the busy strip while the check runs.
inline constexpr char16_t kSiteMetricsBusyText[] = u"正在读取获取即时收录信息，请稍候";

// One request of the check: the answer as text, or "wrong" when the request failed.
using MetricFetch = std::function<QString(const QString& url)>;

// GetBodydl with GB2312 decoding; an address that is not http(s) fails as "wrong" without a request,
// and so does an answer with which the service refuses a throttled client (403, 429).
QString FetchMetricAnswer(const QString& url);

// Runs the check over the rows of form.grid1(). Returns at once (doing nothing) when a check of this
// kind is already running on the form: the buttons stay live during a run, and a second run inside
// the first would share its relay index and stop flag.
void CheckSiteMetrics(search::Fdomain& form);
// The same with another way of fetching (tests use it to watch the addresses asked for).
void CheckSiteMetrics(search::Fdomain& form, const MetricFetch& fetch);

}  // namespace ds::checks
