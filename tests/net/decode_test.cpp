#include <gtest/gtest.h>

#include "core/codepage.h"
#include "net/decode.h"
#include "net/net_test_support.h"

using namespace ds;
using namespace ds::net;

namespace {
QString U(const char16_t* s) { return QString::fromUtf16(s); }
}  // namespace

TEST(BytesToBstr, DecodesCodePage936UnderEitherSpellingOfTheName) {
    struct Case {
        QByteArray bytes;
        const char16_t* expected;
        const char* edge;
    } cases[] = {
        {"", u"", "empty body"},
        {"abc <b>x</b>", u"abc <b>x</b>", "plain ASCII"},
        {"\xB1\xB8\xB0\xB8", u"备案", "GB2312 proper"},
        {"\x82\xE4", u"備", "GBK-only character a strict GB2312 table would garble"},
        {"\x80", u"€", "0x80 is the euro sign in code page 936"},
        {"a\xB1", u"a\uFFFD", "a lead byte cut off at the end"},
        {"\xFF", u"\uFFFD", "a byte no character starts with"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BytesToBstr(c.bytes, QStringLiteral("gb2312")), U(c.expected)) << c.edge;
        EXPECT_EQ(BytesToBstr(c.bytes, QStringLiteral("GB2312")), U(c.expected)) << c.edge;
    }
}

TEST(BytesToBstr, RefusesNamesThatAreNoCharacterSet) {
    for (const char* name : {"no-such-charset", "", "  ", "GB2312//IGNORE"})
        EXPECT_THROW(BytesToBstr("abc", QString::fromLatin1(name)), EncodingError) << name;
}

TEST(BytesToBstr, ArbitraryBinaryDecodesWithoutFailing) {
    QByteArray garbage;
    quint32 x = 12345;
    for (int i = 0; i < 64 * 1024; ++i) {
        x = x * 1103515245u + 12345u;
        garbage.append(static_cast<char>(x >> 24));
    }
    garbage.append('\0').append("tail");
    const QString text = BytesToBstr(garbage, QStringLiteral("gb2312"));
    EXPECT_TRUE(text.endsWith(u"tail"));
    EXPECT_GT(text.size(), 32 * 1024);
}

TEST(UTF8Decode, DecodesAndReplacesMalformedSequences) {
    struct Case {
        QByteArray bytes;
        const char16_t* expected;
        const char* edge;
    } cases[] = {
        {"", u"", "empty array"},
        {"abc", u"abc", "ASCII"},
        {"\xE4\xB8\xAD", u"中", "one three-byte character"},
        {"\xF0\x9F\x98\x80", u"\U0001F600", "four bytes become a surrogate pair"},
        {"a\xE4\xB8", u"a\uFFFD\uFFFD", "truncated sequence at the end, one mark per byte"},
        {"\xC0\xAF", u"\uFFFD\uFFFD", "overlong encoding of '/'"},
        {"x\xFFy", u"x\uFFFDy", "byte never valid in UTF-8"},
    };
    for (const auto& c : cases) EXPECT_EQ(UTF8_Decode(c.bytes), U(c.expected)) << c.edge;
    EXPECT_TRUE(UTF8_Decode({}).isEmpty());
}

TEST(G2u, RepairsUtf8ThatWasReadAsCodePage936) {
    test::ConfigScope scope;  // code page 936 by default
    struct Case {
        const char16_t* input;
        const char16_t* expected;
        const char* edge;
    } cases[] = {
        {u"", u"", "empty"},
        {u"whois: example.com", u"whois: example.com", "ASCII unchanged"},
        {u"浣犲ソ", u"你好", "UTF-8 of 你好 decoded as GBK"},
        {u"鍩熷悕 ok", u"域名 ok", "repaired text followed by ASCII"},
        // U+FFFD and the emoji have no code in code page 936: they pass through as themselves.
        {u"浣犲ソ\uFFFD", u"你好\uFFFD", "replacement character left by the first decoding"},
        {u"\U0001F600 浣犲ソ", u"\U0001F600 你好", "character outside the code page"},
    };
    for (const auto& c : cases) EXPECT_EQ(g2u(U(c.input)), U(c.expected)) << c.edge;
}

TEST(G2u, RoundTripsAnyUtf8BodyWhoseBytesPairIntoValidCharacters) {
    test::ConfigScope scope;
    const QByteArray utf8 = QStringLiteral("域名注册 domain 测试").toUtf8();
    const QString misread = BytesToBstr(utf8, QStringLiteral("GB2312"));
    ASSERT_NE(misread, QString::fromUtf8(utf8));
    EXPECT_EQ(g2u(misread), QString::fromUtf8(utf8));
}

// A page is read in the set its header names, else the set its meta tag names, else GB2312.
TEST(PageCharset, HeaderThenMetaThenGb2312) {
    const struct {
        const char* contentType;
        const char* body;
        const char* charset;
    } cases[] = {
        {"text/html; charset=UTF-8", "<meta charset=\"gbk\">", "utf-8"},
        {"text/html;charset=\"gbk\"", "", "gbk"},
        {"text/html", "<html><head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">", "utf-8"},
        {"text/html", "<meta charset='big5'/>", "big5"},
        {"", "<p>the word charset=utf-8 in the text</p>", "gb2312"},  // only inside a meta tag
        {"", "", "gb2312"},
        {"text/html; charset=", "", "gb2312"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ds::net::PageCharset(c.contentType, c.body), QString::fromLatin1(c.charset)) << c.body;
    // A set nobody knows reads as GB2312 rather than failing.
    EXPECT_EQ(ds::net::DecodePage("text/html; charset=x-no-such-set", "\xB1\xB8\xB0\xB8"), QStringLiteral("备案"));
}
