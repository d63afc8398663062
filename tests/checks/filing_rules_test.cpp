// The filing check's lookup key and statement.
#include <gtest/gtest.h>

#include "checks/filing_rules.h"
#include "support/test_support.h"

using namespace ds::checks;

namespace {

TEST(FilingRules, CellsBecomeLookupKeys) {
    struct Case {
        QString cell;
        std::optional<QString> key;
    };
    const Case cases[] = {
        {u"HTTP://WWW.Abc.COM"_qs, u"abc.com"_qs},
        {u"abc.com"_qs, u"abc.com"_qs},
        {u" a bc .com "_qs, u"abc.com"_qs},  // every space goes
        {u"http://abc.com http://"_qs, u"abc.com"_qs},
        {u"a|b.com"_qs, u"ab.com"_qs},
        {u"www.www.abc.com"_qs, u"www.abc.com"_qs},  // one leading "www." only
        {u"abc.www.com"_qs, u"abc.www.com"_qs},
        {u"a.cn"_qs, u"a.cn"_qs},  // first "." at position 2
        {u"abc"_qs, std::nullopt},
        {u".com"_qs, std::nullopt},
        {u"http://.com"_qs, std::nullopt},
        {QString(), std::nullopt},
        // The "." is looked for before "|" goes, so "|.com" is asked about as ".com".
        {u"|.com"_qs, u".com"_qs},
        // Addresses pasted from a browser.
        {u"HTTPS://www.Abc.com/"_qs, u"abc.com"_qs},
        {u"https://abc.com//"_qs, u"abc.com/"_qs},  // one trailing "/" only
        {u"http://https://abc.com"_qs, u"abc.com"_qs},
        {u"https://.com/"_qs, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilingLookupKey(c.cell), c.key) << c.cell.toStdString();
}

TEST(FilingRules, StatementDoublesQuotes) {
    EXPECT_EQ(FilingStatement(u"abc.com"_qs), u"select * from ldomainback where lallname='abc.com'"_qs);
    EXPECT_EQ(FilingStatement(u"o'neil.com"_qs), u"select * from ldomainback where lallname='o''neil.com'"_qs);
}

}  // namespace
