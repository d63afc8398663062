#include "search/statements/search_statements.h"

#include <cmath>

#include "core/text.h"

using namespace Qt::StringLiterals;

namespace ds::search {
namespace {

bool Checked(int value) { return value == 1; }

QString Number(const QString& text) { return ds::ShortestNumber(ds::LeadingNumber(text)); }

QString KeywordFragment(const QString& typed, int left, int right) {
    const QString k = KeywordText(typed);
    if (k.isEmpty()) return {};
    if (!Checked(left) && !Checked(right)) return u" and lname like '%"_s + k + u"%' "_s;
    if (Checked(left) && Checked(right)) return u" and lname like '"_s + k + u"' "_s;
    if (Checked(left)) return u" and lname like '"_s + k + u"%' "_s;
    return u" and lname like '%"_s + k + u"' "_s;
}

QString StateFragment(int state) {
    if (state == StateAll) return {};
    return state == StateExpired ? u" and datediff(day,ldeltime,getdate())>=0 "_s
                                 : u" and datediff(day,ldeltime,getdate())<0 "_s;
}

QString LengthFragment(int all, const QString& from, const QString& to) {
    if (Checked(all)) return {};
    return u" and (llength between "_s + Number(from) + u" and "_s + Number(to) + u")"_s;
}

QString DateRangeFragment(const QString& column, int all, const QDate& from, const QDate& to) {
    if (Checked(all)) return {};
    return u" and ("_s + column + u" between '"_s + ds::IsoDate(from) + u"' and '"_s + ds::IsoDate(to) +
           u"')"_s;
}

// Letters only / digits only; with both or neither box checked the composition is not asked for.
QString LettersOrDigitsFragment(int letters, int digits) {
    if (letters == digits) return {};
    return Checked(letters) ? u" and lcompose=2"_s : u" and lcompose=3"_s;
}

QString HyphenAndChineseFragments(int hyphen, int chinese) {
    QString out;
    if (!Checked(hyphen)) out += u" and lesp=0"_s;
    if (!Checked(chinese)) out += u" and llang=1"_s;
    return out;
}

QString ExtensionFragment(int all, const QList<ExtensionBox>& boxes) {
    if (Checked(all)) return {};
    QString e = u"1=2"_s;
    for (const ExtensionBox& box : boxes)
        if (Checked(box.checked)) e += u" or lextend like '%"_s + ds::SqlEscape(box.caption) + u"'"_s;
    // "1=2" alone would select nothing; with no single box ticked the extensions are not filtered.
    if (!e.contains(u"or"_s)) return {};
    return u" and ("_s + e + u")"_s;
}

template <size_t N>
QString OrderFragment(const std::array<int, N>& boxes, const char16_t* const (&keys)[N]) {
    QString sort;
    for (size_t i = 0; i < N; ++i)
        if (Checked(boxes[i])) sort += QString::fromUtf16(keys[i]);
    if (sort.isEmpty()) return {};
    return u" order by "_s + sort.mid(1);
}

QString Select(const QString& rowLimit, const QString& table, const QString& filter) {
    return u"select "_s + u"top "_s + RowLimitText(rowLimit) + u" * from "_s + table + u" where "_s + filter;
}

}  // namespace

QString RowLimitText(const QString& text) {
    const double n = ds::LeadingNumber(text);
    if (!(n >= 1)) return u"0"_s;
    if (n >= static_cast<double>(MaxRowLimit)) return QString::number(MaxRowLimit);
    return QString::number(static_cast<qint64>(std::floor(n)));
}

QString KeywordText(const QString& typed) {
    QString k = typed.toLower();
    k.remove(u' ');
    return ds::SqlEscape(k);
}

QString BuildFiledSearchStatement(const FiledSearchOptions& o) {
    // Sort boxes 字数, 地区, 时间, 注册, 构成, 性质, PR值, ALEXA, 外链, 收录.
    static const char16_t* const sortKeys[10] = {
        u",llength",        u",lback",           u",lbacktime desc", u",lregist desc",
        u",lcompose",       u",lbackhostkind desc", u",lgooglepr desc", u",lalexa",
        u",lbaidusite desc", u",lbaidudomain desc"};
    // Boxes BAIDU收录, BAIDU外链, PR值, ALEXA排名. 收录 is lbaidudomain and 外链 lbaidusite, as the grid's
    // columns, the statistics and the sort boxes read them; a box that filtered on the other column would
    // answer "收录 > 0" with rows whose 收录 column shows 0.
    static const char16_t* const metrics[4] = {u" and lbaidudomain>0", u" and lbaidusite>0",
                                               u" and lgooglepr>0", u" and lalexa<100000000"};

    QString filter = u"(lregist=1)"_s;
    filter += StateFragment(o.state);
    if (o.holderKind != HolderAll)
        filter += o.holderKind == HolderPerson ? u" and lbackhostkind='个人' "_s : u" and lbackhostkind='企业'"_s;
    filter += LengthFragment(o.lengthAll, o.lengthFrom, o.lengthTo);
    filter += DateRangeFragment(u"lbacktime"_s, o.filingDateAll, o.filingFrom, o.filingTo);
    filter += KeywordFragment(o.keyword, o.keywordLeft, o.keywordRight);
    for (size_t i = 0; i < o.metrics.size(); ++i)
        if (Checked(o.metrics[i])) filter += QString::fromUtf16(metrics[i]);
    filter += LettersOrDigitsFragment(o.compose[0], o.compose[1]);
    filter += HyphenAndChineseFragments(o.compose[2], o.compose[3]);
    filter += ExtensionFragment(o.extensionAll, o.extensions);
    filter += OrderFragment(o.sortKeys, sortKeys);
    return Select(o.rowLimit, u"ldomainreg"_s, filter);
}

QString BuildExpiredSearchStatement(const ExpiredSearchOptions& o) {
    // Sort boxes 字数, 前缀, 后缀, PR值, ALEXA, 百度收录, 百度外链.
    static const char16_t* const sortKeys[7] = {u",llength",        u",lname",  u",lextend",
                                                u",lgooglepr desc", u",lalexa", u",lbaidudomain desc",
                                                u",lbaidusite desc"};

    QString filter = u"(lregist=1)"_s;
    filter += LengthFragment(o.lengthAll, o.lengthFrom, o.lengthTo);
    filter += KeywordFragment(o.keyword, o.keywordLeft, o.keywordRight);
    // "ALEXA小于" keeps ranks up to the number (a smaller rank is a busier site), so it is the one
    // threshold compared with "<=". 百度收录 is lbaidudomain and 百度外链 lbaidusite, as in the grid.
    const struct {
        const QString& text;
        const char16_t* column;
    } thresholds[] = {{o.minPageRank, u" and lgooglepr>="},
                      {o.maxAlexa, u" and lalexa<="},
                      {o.minBaiduIndexed, u" and lbaidudomain>="},
                      {o.minBaiduLinks, u" and lbaidusite>="}};
    for (const auto& t : thresholds) {
        const double n = ds::LeadingNumber(t.text);
        if (n > 0) filter += QString::fromUtf16(t.column) + ds::ShortestNumber(n);
    }
    filter += LettersOrDigitsFragment(o.compose[0], o.compose[1]);
    filter += HyphenAndChineseFragments(o.compose[2], o.compose[3]);
    filter += DateRangeFragment(u"ldeltime"_s, o.deletionDateAll, o.deletionFrom, o.deletionTo);
    filter += StateFragment(o.state);
    filter += ExtensionFragment(o.extensionAll, o.extensions);
    filter += OrderFragment(o.sortKeys, sortKeys);
    return Select(o.rowLimit, u"ldomainhis"_s, filter);
}

}  // namespace ds::search
