#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>

#include "startup/address_code.h"
#include "startup/address_store.h"
#include "startup/stored_address.h"
#include "support/test_support.h"

using namespace ds::startup;
using ds::test::TempCwd;

namespace {

const QString kGbk = QStringLiteral("GBK");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Field(const QByteArray& bytes) {
    QByteArray out;
    out.append(static_cast<char>(bytes.size() & 0xFF));
    out.append(static_cast<char>(bytes.size() >> 8));
    return out + bytes;
}

TEST(StoredRecord, AbsentOrEmptyFileReadsAsEmptyFields) {
    TempCwd cwd;
    EXPECT_EQ(ReadStoredRecord(cwd.file(QStringLiteral("set.dat")), kGbk), StoredAddressRecord{});
    WriteAll(cwd.file(QStringLiteral("set.dat")), {});
    EXPECT_EQ(ReadStoredRecord(cwd.file(QStringLiteral("set.dat")), kGbk), StoredAddressRecord{});
}

TEST(StoredRecord, WritesLengthPrefixedFieldsPaddedToTheRecord) {
    TempCwd cwd;
    StoredAddressRecord record;
    record.field(1) = QStringLiteral("ab");
    record.field(2) = QStringLiteral("中€備");  // GBK: two double-byte characters and 0x80
    record.field(18) = QStringLiteral("lt");
    const QString path = cwd.file(QStringLiteral("set.dat"));
    WriteStoredRecord(path, record, kGbk);
    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), kRecordBytes);
    EXPECT_EQ(bytes.left(4), QByteArray("\x02\x00" "ab", 4));
    EXPECT_EQ(bytes.mid(4, 7), QByteArray("\x05\x00\xD6\xD0\x80\x82\xE4", 7));
    EXPECT_EQ(ReadStoredRecord(path, kGbk), record);
}

TEST(StoredRecord, DamagedRecordsAreUnusable) {
    QByteArray valid;
    for (int i = 0; i < kRecordFields; ++i) valid += Field("x");
    valid.append(QByteArray(kRecordBytes - valid.size(), '\0'));

    QByteArray pastEnd = valid;
    pastEnd[0] = '\xFF';
    pastEnd[1] = '\x27';  // 10239 bytes in the first field
    QByteArray lastFieldPastEnd;
    for (int i = 0; i < kRecordFields - 1; ++i) lastFieldPastEnd += Field("");
    lastFieldPastEnd += QByteArray("\x00\x27", 2);  // 9984 bytes, but only 9964 remain
    lastFieldPastEnd.append(QByteArray(kRecordBytes - lastFieldPastEnd.size(), 'z'));

    const std::pair<const char*, QByteArray> damaged[] = {
        {"cut inside the fields", valid.left(3 * kRecordFields - 1)},
        {"cut after a count", valid.left(3 * 5 + 2)},
        {"one byte", QByteArray(1, 'x')},
        {"short file, count past its end", QByteArray("\x05\x00" "abc", 5)},
        {"count past the record", pastEnd},
        {"last count past the record", lastFieldPastEnd},
        {"all 0xFF", QByteArray(kRecordBytes, '\xFF')},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        EXPECT_THROW(ParseStoredRecord(bytes, kGbk), StartupError);
    }
    EXPECT_EQ(ParseStoredRecord(valid, kGbk).field(18), QStringLiteral("x"));
    // A file that stops right after its last field, or a little later, holds the whole record.
    for (const int size : {3 * kRecordFields, 100, kRecordBytes - 1}) {
        SCOPED_TRACE(size);
        StoredAddressRecord record;
        ASSERT_NO_THROW(record = ParseStoredRecord(valid.left(size), kGbk));
        EXPECT_EQ(record.field(1), QStringLiteral("x"));
        EXPECT_EQ(record.field(18), QStringLiteral("x"));
    }
    EXPECT_EQ(ParseStoredRecord(QByteArray(kRecordBytes, '\0'), kGbk), StoredAddressRecord{});
    // A longer file: only the first record counts.
    EXPECT_EQ(ParseStoredRecord(valid + QByteArray(500, '\xFF'), kGbk).field(1), QStringLiteral("x"));
}

TEST(StoredRecord, ShortFileWithTheWholeRecordGivesItsAddress) {
    TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("set.dat"));
    const QString payload = QStringLiteral("Provider=SQLite;Data Source=x.db^y");
    StoredAddressRecord record = BuildAddressRecord(payload, kGbk);
    record.field(kNetworkField) = QStringLiteral("lt");
    QByteArray bytes = EncodeStoredRecord(record, kGbk);
    while (bytes.endsWith('\0')) bytes.chop(1);
    ASSERT_LT(bytes.size(), kRecordBytes);
    WriteAll(path, bytes);
    EXPECT_EQ(LoadAddress(path, kGbk).payload, payload);
    EXPECT_EQ(ReadStoredRecord(path, kGbk).field(kNetworkField), QStringLiteral("lt"));
    // Cut inside the network tag: the last field runs past the end of the file.
    WriteAll(path, bytes.left(bytes.size() - 1));
    EXPECT_THROW(ReadStoredRecord(path, kGbk), StartupError);
}

TEST(StoredRecord, FieldsEndingExactlyAtTheRecordEndAreFine) {
    QByteArray bytes;
    for (int i = 0; i < kRecordFields - 1; ++i) bytes += Field("");
    const int rest = kRecordBytes - bytes.size() - 2;
    bytes += Field(QByteArray(rest, 'a'));
    ASSERT_EQ(bytes.size(), kRecordBytes);
    EXPECT_EQ(ParseStoredRecord(bytes, kGbk).field(18).size(), rest);
}

TEST(StoredRecord, RecordsThatDoNotFitAreNotWritten) {
    TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("set.dat"));
    StoredAddressRecord old;
    old.field(18) = QStringLiteral("dx");
    WriteStoredRecord(path, old, kGbk);
    const QByteArray before = ReadAll(path);

    StoredAddressRecord tooBig;
    tooBig.field(2) = QString(kRecordBytes - 36 + 1, u'a');  // one byte too many with 18 counts
    EXPECT_THROW(WriteStoredRecord(path, tooBig, kGbk), StartupError);
    StoredAddressRecord hugeField;
    hugeField.field(5) = QString(70000, u'b');
    EXPECT_THROW(WriteStoredRecord(path, hugeField, kGbk), StartupError);
    StoredAddressRecord unmappable;
    unmappable.field(3) = QStringLiteral("😀");
    EXPECT_THROW(WriteStoredRecord(path, unmappable, kGbk), StartupError);
    EXPECT_EQ(ReadAll(path), before);

    StoredAddressRecord exact;
    exact.field(2) = QString(kRecordBytes - 36, u'a');
    EXPECT_NO_THROW(WriteStoredRecord(path, exact, kGbk));
}

TEST(StoredRecord, BytesAfterTheFirstRecordAreKept) {
    TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("set.dat"));
    WriteAll(path, QByteArray(kRecordBytes, '\0') + QByteArray("tail-bytes"));
    StoredAddressRecord record;
    record.field(18) = QStringLiteral("lt");
    WriteStoredRecord(path, record, kGbk);
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes.size(), kRecordBytes + 10);
    EXPECT_TRUE(bytes.endsWith("tail-bytes"));
}

TEST(StoredRecord, PayloadTooLongForTheRecordLeavesTheFileAlone) {
    TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("set.dat"));
    StoreAnswer(path, QStringLiteral("|data|Provider=SQLite;Data Source=a^b"), kGbk);
    const QByteArray before = ReadAll(path);
    // Six bytes per character ("23927 " for a blank): 1,700 of them need more than the record.
    EXPECT_THROW(StoreAnswer(path, QStringLiteral("|data|Provider=") + QString(1700, u' ') + u'^', kGbk), StartupError);
    EXPECT_EQ(ReadAll(path), before);
    // Around 1,600 characters still fit.
    const QString fits = QStringLiteral("Provider=") + QString(1500, u'x') + u'^';
    EXPECT_EQ(StoreAnswer(path, QStringLiteral("|data|") + fits, kGbk).payload, fits);
    EXPECT_EQ(LoadAddress(path, kGbk).payload, fits);
}

TEST(StoredRecord, FuzzedRecordsReadAsFieldsOrUnusable) {
    QRandomGenerator rng(11);
    QByteArray valid = EncodeStoredRecord(BuildAddressRecord(QStringLiteral("Provider=SQLite;Data Source=x.db^y"), kGbk), kGbk);
    int usable = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray bytes;
        if (i % 3 == 0) {
            bytes.resize(rng.bounded(kRecordBytes + 50));
            for (char& b : bytes) b = static_cast<char>(rng.bounded(256));
        } else {
            bytes = valid;
            const int flips = 1 + rng.bounded(8);
            for (int j = 0; j < flips; ++j) bytes[rng.bounded(i % 3 == 1 ? 200 : bytes.size())] = static_cast<char>(rng.bounded(256));
        }
        try {
            const StoredAddressRecord record = ParseStoredRecord(bytes, kGbk);
            ++usable;
            try {
                DecodeNumbers(JoinedSegments(record), kGbk);
            } catch (const StartupError&) {
            }
        } catch (const StartupError&) {
        }
    }
    EXPECT_GT(usable, 0);
}

}  // namespace
