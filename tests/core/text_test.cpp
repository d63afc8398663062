#include <gtest/gtest.h>

#include "core/codepage.h"
#include "core/text.h"

using namespace ds;

TEST(LeadingNumber, ReadsTheNumericPrefixLikeAnEditBox) {
    struct Case {
        const char16_t* text;
        double expected;
    } cases[] = {
        {u"", 0},        {u"abc", 0},     {u"12abc", 12}, {u"  7", 7},      {u"-5", -5},
        {u"3.5x", 3.5},  {u".5", 0.5},    {u"5.", 5},     {u"+2", 2},       {u"-", 0},
        {u"１２", 0},    {u"99999999999", 99999999999.0}, {u"1e5", 1},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf16(c.text)), c.expected)
            << QString::fromUtf16(c.text).toStdString();
}

TEST(ShortestNumber, WritesWholeNumbersWithoutDecimals) {
    EXPECT_EQ(ShortestNumber(5), u"5");
    EXPECT_EQ(ShortestNumber(0), u"0");
    EXPECT_EQ(ShortestNumber(-3), u"-3");
    EXPECT_EQ(ShortestNumber(0.5), u"0.5");
    EXPECT_EQ(ShortestNumber(0.1), u"0.1");
    EXPECT_EQ(ShortestNumber(99999999999.0), u"99999999999");
}

TEST(SqlEscape, DoublesSingleQuotesOnly) {
    EXPECT_EQ(SqlEscape(u"o'neil"_qs), u"o''neil");
    EXPECT_EQ(SqlEscape(u"''"_qs), u"''''");
    EXPECT_EQ(SqlEscape(u"百度%_\""_qs), u"百度%_\"");
}

TEST(CodePage, Gbk936RoundTripsIncludingGbkOnlyCharactersAndEuro) {
    const QString text = u"京ICP备12345号 備镕€"_qs;
    const QByteArray bytes = EncodeText(text, u"GBK"_qs);
    EXPECT_EQ(DecodeBytes(bytes, u"gb2312"_qs), text);
    EXPECT_EQ(DecodeBytes(bytes, u"GB2312"_qs), text);
    EXPECT_EQ(DecodeBytes(QByteArray("\x80", 1), u"gb2312"_qs), u"€");
}

TEST(CodePage, InvalidBytesBecomeReplacementAndDecodingGoesOn) {
    const QString t = DecodeBytes(QByteArray("a\xff" "b", 3), u"gb2312"_qs);
    EXPECT_TRUE(t.startsWith(u'a'));
    EXPECT_TRUE(t.endsWith(u'b'));
    EXPECT_TRUE(t.contains(QChar(0xFFFD)));
}

TEST(CodePage, UnknownNamesAndUnmappableCharactersAreErrors) {
    EXPECT_THROW(DecodeBytes("x", u"no-such-set"_qs), EncodingError);
    EXPECT_THROW(EncodeText(u"😀"_qs, u"GBK"_qs), EncodingError);
}
