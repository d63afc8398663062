// The SQL text of both searches, compared whole against the text the server is expected to receive.
#include <gtest/gtest.h>

#include <functional>

#include "search/statements/search_statements.h"

using namespace ds::search;
using namespace Qt::StringLiterals;

namespace {

const QString kFiled = u"select top 2000 * from ldomainreg where (lregist=1)"_s;
const QString kExpired = u"select top 2000 * from ldomainhis where (lregist=1)"_s;

template <typename Options>
struct Case {
    const char* name;
    std::function<void(Options&)> set;
    QString expected;
};

FiledSearchOptions Filed(const std::function<void(FiledSearchOptions&)>& set) {
    FiledSearchOptions o;
    o.filingFrom = QDate(2011, 12, 1);
    o.filingTo = QDate(2012, 1, 5);
    set(o);
    return o;
}

ExpiredSearchOptions Expired(const std::function<void(ExpiredSearchOptions&)>& set) {
    ExpiredSearchOptions o;
    o.deletionFrom = QDate(2011, 12, 1);
    o.deletionTo = QDate(2011, 12, 1);
    set(o);
    return o;
}

void Tick(QList<ExtensionBox>& boxes, std::initializer_list<int> indices) {
    for (int i : indices) boxes[i].checked = 1;
}

template <typename Options, typename Build, typename Make>
void Check(const std::vector<Case<Options>>& cases, Build build, Make make) {
    for (const auto& c : cases) EXPECT_EQ(build(make(c.set)), c.expected) << c.name;
}

}  // namespace

TEST(FiledSearchStatement, EachOptionAddsItsFragment) {
    const std::vector<Case<FiledSearchOptions>> cases = {
        {"defaults, no keyword", [](auto&) {}, kFiled},
        {"defaults with keyword abc", [](auto& o) { o.keyword = u"abc"_s; },
         kFiled + u" and lname like '%abc%' "_s},
        {"已过期", [](auto& o) { o.state = StateExpired; },
         kFiled + u" and datediff(day,ldeltime,getdate())>=0 "_s},
        {"将过期 with 企业 (two spaces between)",
         [](auto& o) {
             o.state = StateExpiring;
             o.holderKind = HolderCompany;
         },
         kFiled + u" and datediff(day,ldeltime,getdate())<0  and lbackhostkind='企业'"_s},
        {"个人", [](auto& o) { o.holderKind = HolderPerson; }, kFiled + u" and lbackhostkind='个人' "_s},
        {"length range", [](auto& o) { o.lengthAll = 0; }, kFiled + u" and (llength between 1 and 10)"_s},
        {"length range, shortest numbers",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthFrom = u"2.50"_s;
             o.lengthTo = u"07"_s;
         },
         kFiled + u" and (llength between 2.5 and 7)"_s},
        {"length range, text without digits and a negative",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthFrom = u"abc"_s;
             o.lengthTo = u"-4x"_s;
         },
         kFiled + u" and (llength between 0 and -4)"_s},
        {"length range, huge number stays a plain integer",
         [](auto& o) {
             o.lengthAll = 0;
             o.lengthTo = u"99999999999"_s;
         },
         kFiled + u" and (llength between 1 and 99999999999)"_s},
        {"filing dates", [](auto& o) { o.filingDateAll = 0; },
         kFiled + u" and (lbacktime between '2011-12-01' and '2012-01-05')"_s},
        {"every metric, in box order", [](auto& o) { o.metrics = {1, 1, 1, 1}; },
         kFiled + u" and lbaidusite>0 and lbaidudomain>0 and lgooglepr>0 and lalexa<100000000"_s},
        {"PR值 only", [](auto& o) { o.metrics = {0, 0, 1, 0}; }, kFiled + u" and lgooglepr>0"_s},
        {"clearing 字母 asks for digits", [](auto& o) { o.compose = {0, 1, 1, 1}; },
         kFiled + u" and lcompose=3"_s},
        {"clearing 数字 asks for letters", [](auto& o) { o.compose = {1, 0, 1, 1}; },
         kFiled + u" and lcompose=2"_s},
        {"clearing both 字母 and 数字 asks for neither", [](auto& o) { o.compose = {0, 0, 1, 1}; }, kFiled},
        {"clearing 中划线 and 中文", [](auto& o) { o.compose = {1, 1, 0, 0}; },
         kFiled + u" and lesp=0 and llang=1"_s},
        {"全部 cleared, .com and .cn",
         [](auto& o) {
             o.extensionAll = 0;
             Tick(o.extensions, {0, 14});
         },
         kFiled + u" and (1=2 or lextend like '%.com' or lextend like '%.cn')"_s},
        {"全部 cleared, no single extension: no filter", [](auto& o) { o.extensionAll = 0; }, kFiled},
        {"全部 checked wins over single boxes", [](auto& o) { Tick(o.extensions, {0, 1}); }, kFiled},
        {"every extension",
         [](auto& o) {
             o.extensionAll = 0;
             for (auto& b : o.extensions) b.checked = 1;
         },
         kFiled + u" and (1=2 or lextend like '%.com' or lextend like '%.net' or lextend like '%.org' or "
                  "lextend like '%.info' or lextend like '%.name' or lextend like '%.biz' or lextend like "
                  "'%.us' or lextend like '%.uk' or lextend like '%.eu' or lextend like '%.de' or lextend "
                  "like '%.tk' or lextend like '%.in' or lextend like '%.co' or lextend like '%.asia' or "
                  "lextend like '%.cn')"_s},
        {"a caption with a quote is doubled",
         [](auto& o) {
             o.extensionAll = 0;
             o.extensions[3] = {u".o'k"_s, 1};
         },
         kFiled + u" and (1=2 or lextend like '%.o''k')"_s},
        {"收录 and 字数 sort in box order", [](auto& o) { o.sortKeys[9] = o.sortKeys[0] = 1; },
         kFiled + u" order by llength,lbaidudomain desc"_s},
        {"every sort key", [](auto& o) { o.sortKeys.fill(1); },
         kFiled + u" order by llength,lback,lbacktime desc,lregist desc,lcompose,lbackhostkind desc,"
                  "lgooglepr desc,lalexa,lbaidusite desc,lbaidudomain desc"_s},
    };
    Check(cases, BuildFiledSearchStatement, Filed);
}

TEST(FiledSearchStatement, AllFragmentsStandInTheirFixedOrder) {
    const FiledSearchOptions o = Filed([](auto& o) {
        o.state = StateExpired;
        o.holderKind = HolderPerson;
        o.lengthAll = 0;
        o.filingDateAll = 0;
        o.keyword = u"Ab C"_s;
        o.keywordLeft = 1;
        o.metrics = {0, 1, 0, 0};
        o.compose = {1, 0, 0, 0};
        o.extensionAll = 0;
        Tick(o.extensions, {1});
        o.sortKeys[6] = 1;
        o.rowLimit = u"50"_s;
    });
    EXPECT_EQ(BuildFiledSearchStatement(o),
              u"select top 50 * from ldomainreg where (lregist=1) and datediff(day,ldeltime,getdate())>=0 "
              " and lbackhostkind='个人'  and (llength between 1 and 10) and (lbacktime between "
              "'2011-12-01' and '2012-01-05') and lname like 'abc%'  and lbaidudomain>0 and lcompose=2 "
              "and lesp=0 and llang=1 and (1=2 or lextend like '%.net') order by lgooglepr desc"_s);
}

// Both searches share the keyword rules; the table runs through each of them.
TEST(SearchKeyword, PositionBoxesAndTypedTextShapeTheLikePattern) {
    struct KeywordCase {
        const char16_t* typed;
        int left, right;
        const char16_t* fragment;
    } cases[] = {
        {u"abc", 0, 0, u" and lname like '%abc%' "},
        {u"abc", 1, 1, u" and lname like 'abc' "},
        {u"abc", 1, 0, u" and lname like 'abc%' "},
        {u"abc", 0, 1, u" and lname like '%abc' "},
        {u"a b", 0, 0, u" and lname like '%ab%' "},
        {u"  AbC  D ", 0, 0, u" and lname like '%abcd%' "},
        {u"o'neil", 0, 0, u" and lname like '%o''neil%' "},
        {u"''", 1, 1, u" and lname like '''''' "},
        {u"a%b_c", 1, 1, u" and lname like 'a%b_c' "},
        {u"百度Ｗ", 0, 0, u" and lname like '%百度ｗ%' "},
        {u"   ", 0, 0, u""},
        {u"", 1, 1, u""},
    };
    for (const auto& c : cases) {
        const QString typed = QString::fromUtf16(c.typed);
        const QString fragment = QString::fromUtf16(c.fragment);
        FiledSearchOptions filed;
        filed.keyword = typed;
        filed.keywordLeft = c.left;
        filed.keywordRight = c.right;
        EXPECT_EQ(BuildFiledSearchStatement(filed), kFiled + fragment) << typed.toStdString();
        ExpiredSearchOptions expired;
        expired.keyword = typed;
        expired.keywordLeft = c.left;
        expired.keywordRight = c.right;
        EXPECT_EQ(BuildExpiredSearchStatement(expired), kExpired + fragment) << typed.toStdString();
    }
}

TEST(SearchRowLimit, IsAlwaysAWholeNumberTheEnginesAccept) {
    struct LimitCase {
        const char16_t* text;
        const char16_t* top;
    } cases[] = {
        {u"2000", u"2000"},
        {u"1", u"1"},
        {u"  150 rows", u"150"},
        {u"", u"0"},                      // no digits: an empty result, as before
        {u"abc", u"0"},
        {u"0", u"0"},
        {u"-5", u"0"},                    // a negative TOP is a syntax error on the server
        {u"0.5", u"0"},
        {u"2.5", u"2"},                   // TOP takes whole numbers only
        {u"2147483647", u"2147483647"},
        {u"2147483648", u"2147483647"},
        {u"99999999999", u"2147483647"},
        {u"1e30", u"1"},                  // the leading numeric part has no exponent
    };
    for (const auto& c : cases) {
        FiledSearchOptions filed;
        filed.rowLimit = QString::fromUtf16(c.text);
        EXPECT_EQ(BuildFiledSearchStatement(filed),
                  u"select top "_s + QString::fromUtf16(c.top) + u" * from ldomainreg where (lregist=1)"_s)
            << filed.rowLimit.toStdString();
        ExpiredSearchOptions expired;
        expired.rowLimit = filed.rowLimit;
        EXPECT_EQ(BuildExpiredSearchStatement(expired),
                  u"select top "_s + QString::fromUtf16(c.top) + u" * from ldomainhis where (lregist=1)"_s)
            << filed.rowLimit.toStdString();
    }
    // Too many digits to read as a number: whatever it reads as, the limit stays a plain whole number.
    const QString tooLong = RowLimitText(QString(400, u'9'));
    EXPECT_TRUE(tooLong == u"0"_s || tooLong == QString::number(MaxRowLimit)) << tooLong.toStdString();
}

TEST(ExpiredSearchStatement, EachOptionAddsItsFragment) {
    const std::vector<Case<ExpiredSearchOptions>> cases = {
        {"defaults", [](auto&) {}, kExpired},
        {"defaults with keyword abc: exact match", [](auto& o) { o.keyword = u"abc"_s; },
         kExpired + u" and lname like 'abc' "_s},
        {"length range", [](auto& o) { o.lengthAll = 0; }, kExpired + u" and (llength between 1 and 10)"_s},
        {"PR 2 then ALEXA 5000",
         [](auto& o) {
             o.minAlexa = u"5000"_s;
             o.minPageRank = u"2"_s;
         },
         kExpired + u" and lgooglepr>=2 and lalexa>=5000"_s},
        {"all four thresholds in their fixed order",
         [](auto& o) {
             o.minPageRank = u"1"_s;
             o.minBaiduIndexed = u"2"_s;
             o.minAlexa = u"3"_s;
             o.minBaiduLinks = u"4"_s;
         },
         kExpired + u" and lgooglepr>=1 and lalexa>=3 and lbaidusite>=2 and lbaidudomain>=4"_s},
        {"thresholds of 0, no digits or below 0 add nothing",
         [](auto& o) {
             o.minPageRank = u"0"_s;
             o.minBaiduIndexed = u"x"_s;
             o.minAlexa = u"-3"_s;
             o.minBaiduLinks = u""_s;
         },
         kExpired},
        {"fractional and huge thresholds",
         [](auto& o) {
             o.minPageRank = u"2.5"_s;
             o.minBaiduLinks = u"99999999999"_s;
         },
         kExpired + u" and lgooglepr>=2.5 and lbaidudomain>=99999999999"_s},
        {"clearing 字母", [](auto& o) { o.compose = {0, 1, 1, 1}; }, kExpired + u" and lcompose=3"_s},
        {"clearing 数字", [](auto& o) { o.compose = {1, 0, 1, 1}; }, kExpired + u" and lcompose=2"_s},
        {"clearing 中划线 and 中文", [](auto& o) { o.compose = {1, 1, 0, 0}; },
         kExpired + u" and lesp=0 and llang=1"_s},
        {"deletion dates", [](auto& o) { o.deletionDateAll = 0; },
         kExpired + u" and (ldeltime between '2011-12-01' and '2011-12-01')"_s},
        {"已过期", [](auto& o) { o.state = StateExpired; },
         kExpired + u" and datediff(day,ldeltime,getdate())>=0 "_s},
        {"将过期", [](auto& o) { o.state = StateExpiring; },
         kExpired + u" and datediff(day,ldeltime,getdate())<0 "_s},
        {"全部 cleared, .net", [](auto& o) {
             o.extensionAll = 0;
             Tick(o.extensions, {1});
         },
         kExpired + u" and (1=2 or lextend like '%.net')"_s},
        {"全部 cleared, nothing ticked", [](auto& o) { o.extensionAll = 0; }, kExpired},
        {"百度外链 and 字数 sort in box order", [](auto& o) { o.sortKeys[6] = o.sortKeys[0] = 1; },
         kExpired + u" order by llength,lbaidudomain desc"_s},
        {"every sort key", [](auto& o) { o.sortKeys.fill(1); },
         kExpired + u" order by llength,lname,lextend,lgooglepr desc,lalexa,lbaidusite desc,"
                    "lbaidudomain desc"_s},
    };
    Check(cases, BuildExpiredSearchStatement, Expired);
}

TEST(ExpiredSearchStatement, AllFragmentsStandInTheirFixedOrder) {
    const ExpiredSearchOptions o = Expired([](auto& o) {
        o.lengthAll = 0;
        o.keyword = u"X"_s;
        o.keywordLeft = 0;
        o.minBaiduIndexed = u"7"_s;
        o.compose = {0, 1, 0, 1};
        o.deletionDateAll = 0;
        o.state = StateExpiring;
        o.extensionAll = 0;
        Tick(o.extensions, {14});
        o.sortKeys[2] = o.sortKeys[1] = 1;
        o.rowLimit = u"10"_s;
    });
    EXPECT_EQ(BuildExpiredSearchStatement(o),
              u"select top 10 * from ldomainhis where (lregist=1) and (llength between 1 and 10) and lname "
              "like '%x'  and lbaidusite>=7 and lcompose=3 and lesp=0 and (ldeltime between '2011-12-01' "
              "and '2011-12-01') and datediff(day,ldeltime,getdate())<0  and (1=2 or lextend like '%.cn') "
              "order by lname,lextend"_s);
}
