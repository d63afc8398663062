#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QStringList>
#include <optional>

#include "startup/address_code.h"

using namespace ds::startup;

namespace {

const QString kGbk = QStringLiteral("GBK");

QString PayloadOfLength(int n) {
    QString s;
    const QString alphabet = QStringLiteral("Provider=SQLOLEDB;Data Source=10.0.0.1,1433;User ID=sa;Password=p^ 34_domain6domain7~!@#$%");
    for (int i = 0; i < n; ++i) s += alphabet[i % alphabet.size()];
    return s;
}

TEST(AddressCode, ConstantsKeepEveryAsciiCodeInSixteenBits) {
    EXPECT_LT(kScrambleM, -99);
    EXPECT_GT(kScrambleM, -1000);
    EXPECT_GT(kScrambleK, 9999);
    EXPECT_LT(kScrambleK, 100000);
    QString ascii;
    for (int c = 0; c < 128; ++c) ascii += QChar(c);
    EXPECT_EQ(DecodeNumbers(ScrambleText(ascii, kGbk), kGbk), ascii);
}

TEST(AddressCode, ScrambledFormIsNumbersFollowedByBlanks) {
    EXPECT_EQ(ScrambleText(QStringLiteral("A"), kGbk), QString::number(kScrambleK + kScrambleM * 65) + u' ');
    EXPECT_EQ(ScrambleText(QString(), kGbk), QString());
}

TEST(AddressCode, RoundTripThroughRecordForPayloadLengths) {
    for (const int n : {0, 9, 10, 22, 69, 70, 500}) {
        SCOPED_TRACE(n);
        const QString payload = PayloadOfLength(n);
        const StoredAddressRecord record = BuildAddressRecord(payload, kGbk);
        EXPECT_EQ(DecodeNumbers(JoinedSegments(record), kGbk), payload);
        EXPECT_EQ(record.field(kNetworkField), QStringLiteral("dx"));
        // Segments past the payload's end stay empty.
        for (const AddressSegment& s : kAddressSegments)
            EXPECT_EQ(record.field(s.field).isEmpty(), n < s.first) << "field " << s.field;
    }
}

TEST(AddressCode, EachSegmentHoldsItsCharacterRange) {
    const QString payload = PayloadOfLength(75);
    const StoredAddressRecord record = BuildAddressRecord(payload, kGbk);
    const int expectedFields[] = {2, 10, 5, 9, 14, 11, 6, 16};
    for (size_t i = 0; i < kAddressSegments.size(); ++i) {
        const AddressSegment& s = kAddressSegments[i];
        EXPECT_EQ(s.field, expectedFields[i]);
        const qsizetype length = s.last == 0 ? -1 : s.last - s.first + 1;
        EXPECT_EQ(DecodeNumbers(record.field(s.field), kGbk), payload.mid(s.first - 1, length)) << "segment " << i + 1;
    }
}

TEST(AddressCode, FillersHaveTheirFixedLengths) {
    const StoredAddressRecord record = BuildAddressRecord(QStringLiteral("x"), kGbk);
    const std::pair<int, int> lengths[] = {{1, 5}, {3, 10}, {4, 10}, {7, 10}, {8, 9}, {12, 8}, {13, 9}, {15, 9}, {17, 11}};
    for (const auto& [field, length] : lengths) EXPECT_EQ(record.field(field).size(), length) << "field " << field;
    EXPECT_EQ(BuildAddressRecord(QStringLiteral("other"), kGbk).field(1), record.field(1));
}

TEST(AddressCode, CharactersWithoutASmallSingleByteCodeCannotBeStored) {
    // 0x80 is the euro sign in GBK: a single byte that still fits.
    EXPECT_EQ(DecodeNumbers(ScrambleText(QStringLiteral("€"), kGbk), kGbk), QStringLiteral("€"));
    for (const QString& bad : {QStringLiteral("中"), QStringLiteral("備"), QStringLiteral("😀"), QStringLiteral("ab\u00ff")}) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(ScrambleText(bad, kGbk), StartupError);
        EXPECT_THROW(BuildAddressRecord(QStringLiteral("Provider=") + bad, kGbk), StartupError);
    }
}

TEST(AddressCode, DecodeRejectsWhatIsNotANumberOrACharacter) {
    const QString nul = QString::number(kScrambleK);
    const QString leadByte = QString::number(kScrambleK + kScrambleM * 0xC8);  // a GBK lead byte alone
    const QString below = QString::number(kScrambleK - kScrambleM * 5);        // code -5
    QStringList bads;
    bads << QStringLiteral("abc") << nul + QStringLiteral(" 12x") << leadByte << below << QStringLiteral("nan")
         << QStringLiteral("1e400") << QStringLiteral("99999999");
    for (const QString& bad : bads) {
        SCOPED_TRACE(bad.toStdString());
        EXPECT_THROW(DecodeNumbers(bad, kGbk), StartupError);
    }
    // Extra blanks are only separators; a slightly-off number still rounds to its character.
    const int a = kScrambleK + kScrambleM * 'a';
    EXPECT_EQ(DecodeNumbers(QStringLiteral("  %1   %2 ").arg(a).arg(a + 3), kGbk), QStringLiteral("aa"));
    EXPECT_EQ(DecodeNumbers(QString(), kGbk), QString());
}

TEST(AddressCode, DecodeFuzzNeverCrashes) {
    QRandomGenerator rng(7);
    const QString alphabet = QStringLiteral("0123456789 -+.eE x");
    const QString valid = ScrambleText(QStringLiteral("Provider=SQLite;Data Source=a.db^b"), kGbk);
    for (int i = 0; i < 3000; ++i) {
        QString text;
        if (i % 2 == 0) {
            const int n = rng.bounded(60);
            for (int j = 0; j < n; ++j) text += alphabet[rng.bounded(alphabet.size())];
        } else {
            text = valid;
            for (int j = 0; j < 3; ++j) text[rng.bounded(text.size())] = alphabet[rng.bounded(alphabet.size())];
        }
        try {
            const QString decoded = DecodeNumbers(text, kGbk);
            for (const QChar ch : decoded) EXPECT_NE(ch, QChar::ReplacementCharacter);
        } catch (const StartupError&) {
        }
    }
}

struct PayloadCase {
    const char* answer;
    std::optional<const char*> payload;
};

TEST(AddressCode, PayloadSitsBetweenTheFirstTwoMarkers) {
    const PayloadCase cases[] = {
        {"ok|data|Provider=a^b|data|rest", "Provider=a^b"},
        {"|data|Provider=a^b", "Provider=a^b"},
        {"x|data|", ""},
        {"|data||data|x", ""},
        {"|data|one|data|two|data|", "one"},
        {"no marker", std::nullopt},
        {"|DATA|Provider=a^b", std::nullopt},
        {"", std::nullopt},
    };
    for (const PayloadCase& c : cases) {
        SCOPED_TRACE(c.answer);
        const auto payload = ExtractPayload(QString::fromUtf8(c.answer));
        ASSERT_EQ(payload.has_value(), c.payload.has_value());
        if (payload) {
            EXPECT_EQ(*payload, QString::fromUtf8(*c.payload));
        }
    }
}

TEST(AddressCode, UsablePayloadNeedsProviderAndCaret) {
    const std::pair<const char*, bool> cases[] = {
        {"Provider=SQLite;Data Source=a^Provider=SQLite;Data Source=b", true},
        {"PROVIDER=x^", true},
        {"^pRoViDeR", true},
        {"Provider=SQLite;Data Source=a", false},
        {"Data Source=a^Data Source=b", false},
        {"", false},
    };
    for (const auto& [payload, usable] : cases) EXPECT_EQ(IsUsablePayload(QString::fromUtf8(payload)), usable) << payload;
}

TEST(AddressCode, VariantIsTrimmedOfBlanksAndFillerMarkers) {
    const QString payload =
        QStringLiteral("  Provider=SQLOLEDB;Data Source=a b  ^\tProvider=34_domainSQL6domain7OLEDB;User ID=6domain734_domainx ");
    EXPECT_EQ(ChooseVariant(payload, 0), QStringLiteral("Provider=SQLOLEDB;Data Source=a b"));
    EXPECT_EQ(ChooseVariant(payload, 1), QStringLiteral("\tProvider=SQLOLEDB;User ID=x"));
    EXPECT_EQ(ChooseVariant(QStringLiteral("Provider=a^"), 1), QString());
    EXPECT_EQ(ChooseVariant(QStringLiteral("Provider=a"), 1), QString());
    // "34_domain" goes first, so a marker split by the other one comes together and stays.
    EXPECT_EQ(ChooseVariant(QStringLiteral("a34_6domain7domainb"), 0), QStringLiteral("a34_domainb"));
}

}  // namespace
