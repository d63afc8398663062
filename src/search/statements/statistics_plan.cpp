#include "search/statements/statistics_plan.h"

#include "core/text.h"

using namespace Qt::StringLiterals;

namespace ds::search {
namespace {

struct CountQuery {
    int label;
    const char16_t* busyText;
    const char16_t* statement;  // whole statement for totals, prefix for threshold counts
};

// The double spaces after "where" belong to the statements as the server has always received them.
const CountQuery kTotals[] = {
    {0, u"正在读取已过期备案域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lregist=1"},
    {1, u"正在读取将过期备案域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lregist=0"},
    {2, u"正在读取综合过期域名数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis"},
};

const CountQuery kThresholds[] = {
    {11, u"正在读取过期备案域名pr数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where  lgooglepr>"},
    {12, u"正在读过期备案域名百度收录数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lbaidudomain>"},
    {13, u"正在读取过期备案域名ALEXA数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where  lalexa<"},
    {14, u"正在读取过期备案域名百度外链数据,请稍候", u"SELECT COUNT(*) FROM ldomainreg where lbaidusite>"},
    {15, u"正在读取过期备案域名pr数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where  lgooglepr>"},
    {16, u"正在读过期备案域名百度收录数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where lbaidudomain>"},
    {17, u"正在读取过期备案域名ALEXA数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where  lalexa<"},
    {18, u"正在读取过期备案域名百度外链数据,请稍候", u"SELECT COUNT(*) FROM ldomainhis where lbaidusite>"},
};

bool NotFetched(const QString& shown) { return shown == QStringView(NotFetchedText); }

}  // namespace

StatisticsPanel StatisticsPanel::Initial() {
    StatisticsPanel p;
    for (int i : TotalLabels) p.shown[i] = QString::fromUtf16(NotFetchedText);
    for (int i : ThresholdLabels) {
        p.shown[i] = QString::fromUtf16(NotFetchedText);
        p.thresholds[i] = (i == 13 || i == 17) ? u"1000000000"_s : u"0"_s;
        p.remembered[i] = u"0"_s;
    }
    return p;
}

std::vector<StatisticsFetch> PlanStatistics(const StatisticsPanel& panel) {
    std::vector<StatisticsFetch> plan;
    for (const CountQuery& q : kTotals) {
        if (!NotFetched(panel.shown[q.label])) continue;
        plan.push_back({q.label, QString::fromUtf16(q.busyText), QString::fromUtf16(q.statement), false, {}});
    }
    for (const CountQuery& q : kThresholds) {
        const double threshold = ds::LeadingNumber(panel.thresholds[q.label]);
        const bool changed = threshold != ds::LeadingNumber(panel.remembered[q.label]);
        if (!NotFetched(panel.shown[q.label]) && !changed) continue;
        const QString number = ds::ShortestNumber(threshold);
        plan.push_back({q.label, QString::fromUtf16(q.busyText), QString::fromUtf16(q.statement) + number,
                        true, number});
    }
    return plan;
}

}  // namespace ds::search
