#pragma once
// The site metrics check: fills the PageRank, Baidu and Alexa columns of every row of the main
// window's grid from the outside services, retrying failed answers through the relay scripts. The
// four metrics of a row are separate jobs of the check engine (they go to different hosts).
#include <QString>
#include <functional>

namespace ds::search {
class Fdomain;
}

namespace ds::checks {

// Text shown in the busy strip while the check runs.
inline constexpr char16_t kSiteMetricsBusyText[] = u"正在读取获取即时收录信息，请稍候";

// Told the address of each request of the check as it is handed to the engine (tests watch with it).
using MetricRequestWatch = std::function<void(const QString& url)>;

// Runs the check over the rows of form.grid1(). Returns at once (doing nothing) when a check of this
// kind is already running on the form: the buttons stay live during a run, and a second run inside
// the first would share its relay index and stop flag.
void CheckSiteMetrics(search::Fdomain& form);
// The same with each request's address told to `watch`.
void CheckSiteMetrics(search::Fdomain& form, const MetricRequestWatch& watch);

}  // namespace ds::checks
