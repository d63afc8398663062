#pragma once
// The local settings file "set.dat": record 1 (its first 10000 bytes) holds 18 strings, each a 2-byte
// little-endian byte count followed by that many bytes in the local 8-bit code page.
#include <QByteArray>
#include <QString>
#include <array>

#include "startup/startup_error.h"

namespace ds::startup {

inline constexpr int kRecordBytes = 10000;
inline constexpr int kRecordFields = 18;
inline constexpr int kNetworkField = 18;

struct StoredAddressRecord {
    std::array<QString, kRecordFields> fields;

    // 1-based, the way the file layout numbers them.
    QString& field(int number) { return fields.at(static_cast<size_t>(number - 1)); }
    const QString& field(int number) const { return fields.at(static_cast<size_t>(number - 1)); }
    bool operator==(const StoredAddressRecord&) const = default;
};

// Reads record 1 from the file's bytes. No bytes give 18 empty strings. A file shorter than the record
// reads fine when all 18 fields lie inside it; a record whose counts run past its 10000 bytes or past
// the end of the file is unusable: StartupError.
StoredAddressRecord ParseStoredRecord(const QByteArray& fileBytes, const QString& codePage);

// The 10000 bytes of record 1. StartupError when a field cannot be held in the code page, a field
// needs more than 65535 bytes or the fields together need more than the record.
QByteArray EncodeStoredRecord(const StoredAddressRecord& record, const QString& codePage);

// Reads record 1 of `path` (absent or empty: 18 empty strings). StartupError when unreadable or unusable.
StoredAddressRecord ReadStoredRecord(const QString& path, const QString& codePage);

// Replaces record 1 of `path`, keeping any bytes after it. The file is written whole through a
// temporary file, so a failure leaves the old file as it was. StartupError on failure.
void WriteStoredRecord(const QString& path, const StoredAddressRecord& record, const QString& codePage);

// Creates `path` empty when it does not exist (opening the settings file does that). StartupError
// when it cannot be created.
void EnsureFileExists(const QString& path);

}  // namespace ds::startup
