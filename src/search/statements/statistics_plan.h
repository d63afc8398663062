#pragma once
// Which counts of the panel "收录信息" a press of 点击查看 fetches, in order. A count is fetched once;
// a threshold count again whenever its threshold changed since it was last fetched.
#include <QString>
#include <array>
#include <vector>

namespace ds::search {

// Text of a count label that has not been fetched yet.
inline constexpr char16_t NotFetchedText[] = u"等待显示";
// Busy text shown while the counts are read.
inline constexpr char16_t StatisticsBusyText[] = u"正在读取备案数据,请稍候";
// Message of a failing count, followed by the error's description.
inline constexpr char16_t StatisticsErrorText[] = u"统计数据读取出错，请重试：";

// Label indices of the panel: the totals 0..2 and the threshold counts 11..18.
inline constexpr int TotalLabels[] = {0, 1, 2};
inline constexpr int ThresholdLabels[] = {11, 12, 13, 14, 15, 16, 17, 18};
inline constexpr int StatisticsSlots = 19;

// What the panel shows now, indexed by label number (unused slots stay empty):
// shown = lshowtext(i), thresholds = txtUpDown(i), remembered = lshowtextbak(i).
struct StatisticsPanel {
    std::array<QString, StatisticsSlots> shown;
    std::array<QString, StatisticsSlots> thresholds;
    std::array<QString, StatisticsSlots> remembered;

    // The panel as the window starts: every count "等待显示", thresholds "0" except the ALEXA ones
    // (13, 17) at "1000000000", remembered thresholds "0".
    static StatisticsPanel Initial();
};

struct StatisticsFetch {
    int label = 0;           // lshowtext(label)
    QString busyText;        // shown on the busy strip while this count runs
    QString statement;       // SELECT COUNT(*) ...
    bool isThreshold = false;
    QString thresholdText;   // for threshold counts: the threshold as written into lshowtextbak(label)
};

// The counts to fetch, totals first (0, 1, 2), then thresholds 11 to 18.
std::vector<StatisticsFetch> PlanStatistics(const StatisticsPanel& panel);

}  // namespace ds::search
