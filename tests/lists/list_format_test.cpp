// The rules of imported and exported domain lists, as tables.
#include <gtest/gtest.h>

#include <optional>

#include "core/codepage.h"
#include "lists/list_format.h"
#include "support/test_support.h"
#include "ui/desktop.h"

namespace ds::lists {
namespace {

QString U(const char16_t* text) { return QString::fromUtf16(text); }
const QString k8(8, u' ');

TEST(ImportedDomain, FirstTokenOfALineLongerThanThreeCharactersWhenItHoldsADot) {
    const std::pair<const char16_t*, std::optional<QString>> cases[] = {
        {u"com", std::nullopt},                     // three characters
        {u"a.b", std::nullopt},                     // three characters, even with a dot
        {u"a.bc", QStringLiteral("a.bc")},
        {u"abcd", std::nullopt},                    // no dot
        {u" a.com", std::nullopt},                  // leading space: the first token is empty
        {u"b.com  note", QStringLiteral("b.com")},  // the note is dropped
        {u"note b.com", std::nullopt},              // the dot is after the first space
        {u"a.com\tx", std::nullopt},                // only a space ends the name, and a tab is a control character
        {u"备案.中国", U(u"备案.中国")},
        {u"a\u0000b.com", std::nullopt},              // NUL
        {u"a\u007Fb.com", std::nullopt},              // DEL
        {u"a\u0085b.com", std::nullopt},              // a C1 control
        {u"a\u00A0b.com", U(u"a\u00A0b.com")},        // a no-break space is no control character
    };
    for (const auto& [line, name] : cases) EXPECT_EQ(ImportedDomain(U(line)), name) << U(line).toStdString();

    // The longest name DNS allows, and one character more (also before a note).
    const QString longest = QString(249, u'a') + u".com";
    const QString tooLong = u'a' + longest;
    EXPECT_EQ(ImportedDomain(longest), longest);
    EXPECT_EQ(ImportedDomain(tooLong), std::nullopt);
    EXPECT_EQ(ImportedDomain(QString(tooLong + u" note")), std::nullopt);
}

TEST(ImportFile, LinesEndAtLfCrLfOrCrAndTheFourLineFileGivesTwoDomains) {
    auto lines = [](const QString& text) {
        QStringList out;
        LineCursor cursor(text);
        for (QStringView line; cursor.next(line);) out << line.toString();
        return out;
    };
    EXPECT_EQ(lines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}));
    EXPECT_EQ(lines(QStringLiteral("a\r\n\r\nb\n")), (QStringList{u"a"_qs, QString(), u"b"_qs}));
    EXPECT_EQ(lines(QString()), QStringList());

    QStringList domains;
    for (const QString& line : lines(QStringLiteral("abc\r\n a.com\r\nb.com  note\r\nc.com\r\n")))
        if (std::optional<QString> name = ImportedDomain(line)) domains << *name;
    EXPECT_EQ(domains, (QStringList{u"b.com"_qs, u"c.com"_qs}));
}

TEST(DecodeListFile, Utf8WhenMarkedOrValidElseTheCodePage) {
    const QString gbkText = U(u"备案.中国 镕€\r\n");  // a GBK-only character and 0x80
    const QByteArray bad("\xC0\x80");                 // overlong form: not UTF-8
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray("a.com\r\n"), QStringLiteral("a.com\r\n")},
        {QByteArray("\xEF\xBB\xBF" "a.com"), QStringLiteral("a.com")},            // mark dropped
        {U(u"备案.中国\n").toUtf8(), U(u"备案.中国\n")},                           // valid UTF-8, no mark
        {EncodeText(gbkText, QStringLiteral("GBK")), gbkText},
        {bad, DecodeBytes(bad, QStringLiteral("GBK"))},
        {QByteArray("\xEF\xBB\xBF" "a\xB1"), QStringLiteral("a\uFFFD")},           // marked: UTF-8 regardless
        {QByteArray("\xFF\xFE" "a\0.\0c\0\r\0\n\0\x07\x59", 14), U(u"a.c\r\n备")},  // UTF-16, either order
        {QByteArray("\xFE\xFF" "\0a\0.\0c\0\r\0\n\x59\x07", 14), U(u"a.c\r\n备")},
        // UTF-16 without a mark, told by its NULs, a CJK character among ASCII ones.
        {QByteArray("a\0.\0c\0\r\0\n\0\x07\x59", 12), U(u"a.c\r\n备")},
        {QByteArray("\0a\0.\0c\0\r\0\n\x59\x07", 12), U(u"a.c\r\n备")},
        {QByteArray("a\0", 2), QStringLiteral("a")},
        // NULs in both places are no UTF-16 pattern: the bytes are read as before.
        {QByteArray("a\0\0b.com", 7), QString::fromLatin1("a\0\0b.com", 7)},
    };
    for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeListFile(bytes, QStringLiteral("GBK")), text);
}

TEST(ExportKindFromPath, CsvOnlyAfterTheLastDotOfTheWholePath) {
    const std::pair<const char*, ExportKind> cases[] = {
        {"/tmp/domain.csv", ExportKind::Csv},     {"/tmp/domain.CSV", ExportKind::Csv},
        {"/tmp/domain.txt", ExportKind::Text},    {"/tmp/domain", ExportKind::Text},
        {"/tmp/my.csv/domain", ExportKind::Text},  // dotted folder, file without extension
        {"/tmp/a.csv.txt", ExportKind::Text},     {"/tmp/a.csvx", ExportKind::Text},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(ExportKindFromPath(QString::fromLatin1(path)), kind) << path;
}

// The export dialog: a name typed without a suffix takes the chosen filter's.
TEST(FilterSuffix, FirstPatternOfTheFilter) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("表格文件(*.csv)"), QStringLiteral("csv")},
        {QStringLiteral("文本文件(*.txt)"), QStringLiteral("txt")},
        {QStringLiteral("Lists (*.txt *.lst)"), QStringLiteral("txt")},
        {QStringLiteral("所有文件(*)"), QString()},
        {QStringLiteral("(*.*)"), QString()},
        {QString(), QString()},
    };
    for (const auto& [filter, suffix] : cases) EXPECT_EQ(ui::FilterSuffix(filter), suffix) << filter.toStdString();
}

TEST(ExportColumns, TickedGroupsInGroupAndColumnOrder) {
    EXPECT_EQ(ExportColumns({true, true, false, false}), (std::vector<int>{3, 4, 13, 14}));
    EXPECT_EQ(ExportColumns({false, false, true, true}), (std::vector<int>{6, 7, 8, 9, 17, 18, 19, 20}));
    EXPECT_EQ(ExportColumns({false, false, false, false}), std::vector<int>{});
}

TEST(ExportLine, TextFormSeparatesByEightSpacesAndTrims_CsvFormKeepsEveryField) {
    struct Case {
        QStringList values;
        QString text, csv;
    };
    const Case cases[] = {
        {{u"a.com"_qs, U(u"未注册"), u"2010-01-02"_qs}, u"a.com" + k8 + U(u"未注册") + k8 + u"2010-01-02",
         U(u"a.com,未注册,2010-01-02")},
        {{u"a.com"_qs, QString(), QString()}, u"a.com"_qs, u"a.com,,"_qs},  // empty trailing values
        {{QString(), u"x"_qs}, u"x"_qs, u",x"_qs},                           // empty domain
        {{u"a"_qs, QString(), u"b"_qs}, u"a" + k8 + k8 + u"b", u"a,,b"_qs},
        {{u" a "_qs, u"\tb"_qs}, u"a " + k8 + u"\tb", u" a ,'\tb"_qs},    // only the line's spaces go
        {{u"a,b"_qs, u"say \"hi\""_qs}, u"a,b" + k8 + u"say \"hi\"", u"\"a,b\",\"say \"\"hi\"\"\""_qs},
        // A line break inside a value is one space in the text form, so a row stays one line.
        {{u"a\r\nb"_qs, u"c\nd"_qs, u"e\rf"_qs, u"g\n\nh"_qs}, u"a b" + k8 + u"c d" + k8 + u"e f" + k8 + u"g  h",
         u"\"a\r\nb\",\"c\nd\",\"e\rf\",\"g\n\nh\""_qs},
        // Formula starts get an apostrophe in the comma form (then quoting as usual); elsewhere they
        // are harmless and stay.
        {{u"=HYPERLINK(\"x\")"_qs, u"+1"_qs, u"-1"_qs, u"@SUM(A1)"_qs, u"a=b"_qs},
         u"=HYPERLINK(\"x\")" + k8 + u"+1" + k8 + u"-1" + k8 + u"@SUM(A1)" + k8 + u"a=b",
         u"\"'=HYPERLINK(\"\"x\"\")\",'+1,'-1,'@SUM(A1),a=b"_qs},
        {{u"\rx"_qs, u"=1,2"_qs}, u"x" + k8 + u"=1,2", u"\"'\rx\",\"'=1,2\""_qs},
        {{}, QString(), QString()},  // no group ticked: an empty line
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExportLine(ExportKind::Text, c.values), c.text) << c.values.join(u'|').toStdString();
        EXPECT_EQ(ExportLine(ExportKind::Csv, c.values), c.csv) << c.values.join(u'|').toStdString();
    }
}

TEST(EncodeListFile, TheCodePageWhenItHoldsEveryCharacterElseUtf8WithAMark) {
    const char16_t* fits[] = {u"域名地址        注册状态\r\na.com        未注册\r\n", u"备", u"a备", u"备a",
                              u"\n备\n案\n", u"京ICP备10001号,\"站点\"", u"镕€", u"ascii\r\n"};
    for (const char16_t* t : fits) {
        const EncodedFile f = EncodeListFile(U(t), QStringLiteral("GBK"));
        EXPECT_EQ(f.bytes, EncodeText(U(t), QStringLiteral("GBK"))) << U(t).toStdString();
        EXPECT_FALSE(f.utf8);
    }
    for (const auto& [text, page] : {std::pair{U(u"备案 😀"), u"GBK"_qs}, std::pair{U(u"备案"), u"NO-SUCH-PAGE"_qs}}) {
        const EncodedFile f = EncodeListFile(text, page);
        EXPECT_EQ(f.bytes, QByteArray("\xEF\xBB\xBF").append(text.toUtf8()));
        EXPECT_TRUE(f.utf8);
    }
}

}  // namespace
}  // namespace ds::lists
