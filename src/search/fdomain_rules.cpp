#include "search/fdomain_rules.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/text.h"
#include "db/connection.h"

namespace ds::search {

namespace {
// A number becomes a whole count the way the page size always has: halves go to the even neighbour.
// Done by hand rather than by nearbyint, whose result depends on the process-wide rounding mode.
double RoundHalfToEven(double v) {
    const double below = std::floor(v);
    const double fraction = v - below;
    if (fraction < 0.5) return below;
    if (fraction > 0.5) return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}
}  // namespace

const std::array<GridColumn, GridColumnCount>& GridColumns() {
    static const std::array<GridColumn, GridColumnCount> columns{{
        {u"", 30},         {u"选择", 30},           {u"编号", 30, true},     {u"域名地址", 200},
        {u"注册状态", 60}, {u"拟售价", 50, true},   {u"备案号", 150},        {u"性质", 50},
        {u"备案时间", 70}, {u"网站名称", 200},      {u"id", 0, true},        {u"空白", 0},
        {u"空白", 0},      {u"注册时间", 0},        {u"到期时间", 0},        {u"删除时间", 70},
        {u"剩余", 50, true}, {u"PR值", 50, true},   {u"百度收录", 60, true}, {u"百度外链", 60, true},
        {u"alexa排名", 60, true},
    }};
    return columns;
}

std::span<const ColumnWidth> ColumnGroup(int index) {
    static constexpr ColumnWidth filing[] = {{7, 50}, {8, 70}, {9, 200}};
    static constexpr ColumnWidth registration[] = {{5, 50}, {15, 70}, {16, 50}};
    static constexpr ColumnWidth metrics[] = {{17, 50}, {18, 60}, {19, 60}, {20, 60}};
    switch (index) {
    case 0: return filing;
    case 1: return registration;
    case 2: return metrics;
    default: return {};
    }
}

QString RepairRowLimit(const QString& text) {
    return LeadingNumber(text) < 1 ? QStringLiteral("2000") : text;
}

RowsPerPageValue RepairRowsPerPage(const QString& text) {
    double value = LeadingNumber(text);
    QString kept = text;
    if (value < 1) {
        kept = QStringLiteral("20");
        value = 20;
    }
    return {kept, static_cast<int>(RoundHalfToEven(std::min(value, static_cast<double>(INT_MAX))))};
}

QString ClampNewRowCount(const QString& text) {
    return ShortestNumber(std::clamp(LeadingNumber(text), 1.0, 1000.0));
}

QString WithoutNul(const QString& text) {
    QString kept = text;
    kept.remove(QChar(u'\0'));
    return kept;
}

bool KeywordTooLong(const QString& typed) {
    qsizetype characters = 0;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c.isNull() || (c.isLowSurrogate() && i > 0 && typed[i - 1].isHighSurrogate())) continue;
        ++characters;
    }
    return characters > MaxKeywordLength;
}

QString DatabaseInUse(const QString& connectionText) {
    QString provider, source, catalog;
    for (const auto& [key, value] : db::ParseConnectionText(connectionText)) {
        if (key == u"provider") provider = value.trimmed();
        else if (key == u"data source") source = value.trimmed();
        else if (key == u"initial catalog") catalog = value.trimmed();
    }
    if (source.isEmpty()) return QStringLiteral("未连接");
    if (provider.compare(u"SQLite", Qt::CaseInsensitive) == 0) return u"SQLite 数据库文件 " + source;
    QString text = u"SQL Server " + source;
    if (!catalog.isEmpty()) text += u"，数据库 " + catalog;
    return text;
}

QString AboutText(const QString& version, const QString& connectionText) {
    return u"DropScout 过期域名助手\n版本 " + version + u"\n当前数据库：" + DatabaseInUse(connectionText);
}

}  // namespace ds::search
