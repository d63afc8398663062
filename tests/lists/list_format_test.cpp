// The rules of imported and exported domain lists, as tables; and the file reading and writing on a
// temporary folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

#include "core/codepage.h"
#include "lists/list_format.h"
#include "support/test_support.h"

namespace ds::lists {
namespace {

QString U(const char16_t* text) { return QString::fromUtf16(text); }

QStringList Lines(const QString& text) {
    QStringList out;
    LineCursor cursor(text);
    QStringView line;
    while (cursor.next(line)) out << line.toString();
    return out;
}

QStringList Domains(const QString& text) {
    QStringList out;
    LineCursor cursor(text);
    QStringView line;
    while (cursor.next(line))
        if (std::optional<QString> name = ImportedDomain(line)) out << *name;
    return out;
}

// --- Import lines --------------------------------------------------------------------------------------

TEST(ImportedDomain, TakesTheFirstTokenOfLongEnoughLinesWithADot) {
    struct Case {
        const char16_t* line;
        std::optional<QString> name;
        const char* edge;
    };
    const Case cases[] = {
        {u"", std::nullopt, "empty line"},
        {u"com", std::nullopt, "three letters"},
        {u"a.b", std::nullopt, "three characters even with a dot"},
        {u"a.bc", QStringLiteral("a.bc"), "four characters with a dot"},
        {u"abcd", std::nullopt, "no dot"},
        {u" a.com", std::nullopt, "leading space: the first token is empty"},
        {u"b.com  note", QStringLiteral("b.com"), "note after two spaces is dropped"},
        {u"c.com", QStringLiteral("c.com"), "bare domain"},
        {u"note b.com", std::nullopt, "the dot is after the first space"},
        {u"a.com\tx", QStringLiteral("a.com\tx"), "only a space ends the name, not a tab"},
        {u"备案.中国", U(u"备案.中国"), "Chinese name of five characters"},
        {u"....", QStringLiteral("...."), "dots only are taken as they are"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ImportedDomain(U(c.line)), c.name) << c.edge;
    }
}

TEST(LineCursor, SplitsAtLfCrLfAndLoneCr) {
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        {QString(), {}},
        {QStringLiteral("a"), {QStringLiteral("a")}},
        {QStringLiteral("a\n"), {QStringLiteral("a")}},
        {QStringLiteral("a\r\nb\r\n"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\nb"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("a\rb\r"), {QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("\n\n"), {QString(), QString()}},
        {QStringLiteral("a\r\n\r\nb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
        {QStringLiteral("a\n\rb"), {QStringLiteral("a"), QString(), QStringLiteral("b")}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.text), c.lines) << c.text.toStdString();
}

TEST(ImportFile, FourLineFileGivesTheDomainsOfTheLastTwoLines) {
    EXPECT_EQ(Domains(QStringLiteral("abc\r\n a.com\r\nb.com  note\r\nc.com\r\n")),
              (QStringList{QStringLiteral("b.com"), QStringLiteral("c.com")}));
    EXPECT_EQ(Domains(QStringLiteral("abc\n a.com\nb.com  note\nc.com")),
              (QStringList{QStringLiteral("b.com"), QStringLiteral("c.com")}));
}

// --- Code page of an import file ----------------------------------------------------------------------

TEST(DecodeListFile, Utf8WhenMarkedOrValidElseTheCodePage) {
    const QByteArray gbk = EncodeText(U(u"备案.中国 镕€\r\n"), QStringLiteral("GBK"));
    struct Case {
        QByteArray bytes;
        QString text;
        const char* edge;
    };
    const Case cases[] = {
        {QByteArray("a.com\r\nb.com\n"), QStringLiteral("a.com\r\nb.com\n"), "ASCII reads the same either way"},
        {QByteArray("\xEF\xBB\xBF" "a.com\r\n"), QStringLiteral("a.com\r\n"), "UTF-8 mark dropped"},
        {U(u"备案.中国\n").toUtf8(), U(u"备案.中国\n"), "valid UTF-8 without mark"},
        {gbk, U(u"备案.中国 镕€\r\n"), "GBK, with a GBK-only character and 0x80"},
        {QByteArray("\xEF\xBB\xBF" "a\xB1"), QStringLiteral("a\uFFFD"),
         "a marked file stays UTF-8 even with a bad byte"},
        {QByteArray("\xC0\x80"), DecodeBytes(QByteArray("\xC0\x80"), QStringLiteral("GBK")),
         "an overlong UTF-8 form is not UTF-8"},
        {QByteArray("\xED\xA0\x80"), DecodeBytes(QByteArray("\xED\xA0\x80"), QStringLiteral("GBK")),
         "an encoded surrogate is not UTF-8"},
        {QByteArray(), QString(), "empty file"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeListFile(c.bytes, QStringLiteral("GBK")), c.text) << c.edge;
}

TEST(DecodeListFile, UnknownCodePageIsAnErrorOnlyWhenNeeded) {
    EXPECT_EQ(DecodeListFile(QByteArray("a.com"), QStringLiteral("NO-SUCH-PAGE")), QStringLiteral("a.com"));
    EXPECT_THROW(DecodeListFile(QByteArray("\xB1\xB8"), QStringLiteral("NO-SUCH-PAGE")), EncodingError);
}

// --- Export forms ---------------------------------------------------------------------------------------

TEST(ExportKindFromPath, OnlyCsvAfterTheLastDotOfTheWholePath) {
    struct Case {
        const char* path;
        ExportKind kind;
    };
    const Case cases[] = {
        {"/tmp/domain.csv", ExportKind::Csv},
        {"/tmp/domain.CSV", ExportKind::Csv},
        {"/tmp/domain.txt", ExportKind::Text},
        {"/tmp/domain", ExportKind::Text},
        {"/tmp/my.csv/domain", ExportKind::Text},  // dotted folder, file without extension
        {"/tmp/my.dir/domain", ExportKind::Text},
        {"/tmp/domain.csv.txt", ExportKind::Text},
        {"/tmp/domain.txt.csv", ExportKind::Csv},
        {"/tmp/domain.csvx", ExportKind::Text},
        {"/tmp/domain.", ExportKind::Text},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportKindFromPath(QString::fromLatin1(c.path)), c.kind) << c.path;
}

TEST(ExportColumns, TickedGroupsInGroupAndColumnOrder) {
    using V = std::vector<int>;
    struct Case {
        std::array<bool, ExportGroupCount> ticked;
        V columns;
    };
    const Case cases[] = {
        {{true, false, false, false}, V{3}},
        {{true, true, false, false}, V{3, 4, 13, 14}},
        {{false, false, true, false}, V{6, 7, 8, 9}},
        {{false, false, false, true}, V{17, 18, 19, 20}},
        {{true, true, true, true}, V{3, 4, 13, 14, 6, 7, 8, 9, 17, 18, 19, 20}},
        {{false, false, false, false}, V{}},
    };
    for (const Case& c : cases) EXPECT_EQ(ExportColumns(c.ticked), c.columns);
}

const QString k8 = QStringLiteral("        ");

TEST(TextLine, EightSpacesBeforeEachValueThenSpacesTrimmed) {
    struct Case {
        QStringList values;
        QString line;
        const char* edge;
    };
    const Case cases[] = {
        {{U(u"域名地址")}, U(u"域名地址"), "header with only 域名 ticked"},
        {{QStringLiteral("a.com"), U(u"未注册"), QStringLiteral("2010-01-02"), QStringLiteral("2024-03-01")},
         u"a.com" + k8 + U(u"未注册") + k8 + u"2010-01-02" + k8 + u"2024-03-01", "domain and registration group"},
        {{QStringLiteral("a.com"), QString(), QString()}, QStringLiteral("a.com"), "empty trailing values vanish"},
        {{QString(), QStringLiteral("x")}, QStringLiteral("x"), "empty domain: line starts with the next value"},
        {{QStringLiteral("a"), QString(), QStringLiteral("b")}, u"a" + k8 + k8 + u"b", "empty middle value"},
        {{QStringLiteral(" a.com "), QStringLiteral("b ")}, u"a.com " + k8 + u"b", "value spaces at the ends go"},
        {{QStringLiteral("\ta")}, QStringLiteral("\ta"), "only spaces are trimmed"},
        {{}, QString(), "no group ticked: empty line"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextLine(c.values), c.line) << c.edge;
}

TEST(CsvLine, OneFieldPerValueQuotedOnlyWhenNeeded) {
    struct Case {
        QStringList values;
        QString line;
        const char* edge;
    };
    const Case cases[] = {
        {{QStringLiteral("a.com"), U(u"未注册")}, U(u"a.com,未注册"), "plain values"},
        {{QStringLiteral("a.com"), QString(), QString()}, QStringLiteral("a.com,,"), "empty trailing values keep commas"},
        {{QString(), QStringLiteral("x")}, QStringLiteral(",x"), "empty first value keeps its field"},
        {{QStringLiteral("a,b")}, QStringLiteral("\"a,b\""), "comma"},
        {{QStringLiteral("say \"hi\"")}, QStringLiteral("\"say \"\"hi\"\"\""), "quotes doubled"},
        {{QStringLiteral("a\r\nb"), QStringLiteral("c\nd"), QStringLiteral("e\rf")},
         QStringLiteral("\"a\r\nb\",\"c\nd\",\"e\rf\""), "line breaks"},
        {{QStringLiteral(" a "), k8 + u"b"}, u" a ," + k8 + u"b", "spaces are data, never trimmed"},
        {{QStringLiteral("\"")}, QStringLiteral("\"\"\"\""), "a lone quote"},
        {{}, QString(), "no group ticked: empty line"},
    };
    for (const Case& c : cases) EXPECT_EQ(CsvLine(c.values), c.line) << c.edge;
}

TEST(EncodeListFile, CodePageWhenItHoldsEveryCharacterElseUtf8WithMark) {
    struct Case {
        QString text;
        QString codePage;
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        {QStringLiteral("a.com\r\n"), QStringLiteral("GBK"), QByteArray("a.com\r\n"), false},
        {U(u"备案€"), QStringLiteral("GBK"), QByteArray("\xB1\xB8\xB0\xB8\x80"), false},
        {U(u"备案 😀"), QStringLiteral("GBK"), QByteArray("\xEF\xBB\xBF") + U(u"备案 😀").toUtf8(), true},
        {U(u"备案"), QStringLiteral("NO-SUCH-PAGE"), QByteArray("\xEF\xBB\xBF") + U(u"备案").toUtf8(), true},
    };
    for (const Case& c : cases) {
        const EncodedFile f = EncodeListFile(c.text, c.codePage);
        EXPECT_EQ(f.bytes, c.bytes) << c.text.toStdString();
        EXPECT_EQ(f.utf8, c.utf8) << c.text.toStdString();
    }
}

// --- Files ----------------------------------------------------------------------------------------------

TEST(WriteListFile, ReplacesAnExistingFileWholeAndLeavesNoTemporaryFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("domain.csv"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old content that is longer than the new\r\n");
    old.close();

    WriteListFile(path, QByteArray("new\r\n"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("new\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("domain.csv")});
}

}  // namespace
}  // namespace ds::lists
