// cPing's address rules: which text is resolved, and dotted text to the 32-bit address.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/ping_rules.h"

using namespace ds::tools;

namespace {

TEST(PingRules, AddressesAreNormalised) {
    struct Case {
        QString address;
        QString normalised;
        bool resolve;
    };
    const Case cases[] = {
        // Neither "http" nor "www.": untouched, never resolved.
        {u"example.com"_qs, u"example.com"_qs, false},
        {u"1.2.3.4"_qs, u"1.2.3.4"_qs, false},
        {QString(), QString(), false},
        {u"  www.example.com"_qs, u"  www.example.com"_qs, false},  // head4 is "  ww"
        {u" http://example.com"_qs, u" http://example.com"_qs, false},
        // "www." names are resolved as they stand, case and all.
        {u"www.example.com"_qs, u"www.example.com"_qs, true},
        {u"WWW.Example.com"_qs, u"WWW.Example.com"_qs, true},
        // "http": the first seven characters go, whatever they are, and "www." comes in front...
        {u"http://example.com"_qs, u"www.example.com"_qs, true},
        {u"HTTP://Example.com"_qs, u"www.Example.com"_qs, true},
        {u"http://  example.com "_qs, u"www.example.com"_qs, true},
        {u"https://example.com"_qs, u"www./example.com"_qs, true},
        {u"httpXYZexample.com"_qs, u"www.example.com"_qs, true},
        {u"http"_qs, u"www."_qs, true},
        // ...unless the first eleven read "http://www." (any case): then only the scheme goes.
        {u"http://www.example.com"_qs, u"www.example.com"_qs, true},
        {u"HTTP://WWW.example.com"_qs, u"WWW.example.com"_qs, true},
        {u"http://www."_qs, u"www."_qs, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const NormalisedAddress n = NormaliseAddress(c.address);
        EXPECT_EQ(n.address, c.normalised);
        EXPECT_EQ(n.resolve, c.resolve);
    }
}

TEST(PingRules, DottedTextBecomesTheAddressWithTheFirstPartLowest) {
    struct Case {
        QString dotted;
        quint32 value;
    };
    const Case cases[] = {
        {u"1.2.3.4"_qs, 0x04030201u},
        {u"127.0.0.1"_qs, 0x0100007Fu},
        {u"1.2.3.260"_qs, 0x04030201u},  // only the low 8 bits of a part count
        {u"256.0.0.0"_qs, 0u},
        {u"-1.0.0.0"_qs, 0xFFu},
        {u" 1. 2 .3.4"_qs, 0x04030201u},
        {u"255.255.255.255"_qs, 0xFFFFFFFFu},
        // Fewer than four parts give 0, numbers or not: an unresolved name must fail as an echo.
        {QString(), 0u},
        {u"1.2.3"_qs, 0u},
        {u"example.com"_qs, 0u},
        {u"localhost"_qs, 0u},
        {u"a.b.c"_qs, 0u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dotted.toStdString());
        EXPECT_EQ(AddressValue(c.dotted), c.value);
    }
}

TEST(PingRules, AddressesThatCannotBeConvertedAreErrors) {
    const QString cases[] = {
        u"1.2.3.x"_qs,
        u"1..3.4"_qs,  // an empty part is not a number
        u"..."_qs,
        u"a.b.c.d"_qs,
        u"0x1.2.3.4"_qs,
        u"1.2.3.99999999999"_qs,  // beyond 32 bits
        u"1.2.3.4."_qs,           // five parts, the last one empty
        u"1.2.3.4.5"_qs,
        u"a.b.c.d.e"_qs,
    };
    for (const QString& dotted : cases) {
        SCOPED_TRACE(dotted.toStdString());
        EXPECT_THROW(AddressValue(dotted), AddressError);
    }
}

}  // namespace
