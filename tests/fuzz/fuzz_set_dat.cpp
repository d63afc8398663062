// set.dat as read at every start: the record's 18 length-prefixed fields, then the address decoded
// from its segment fields. A damaged file must end in StartupError, never in a read past the bytes.
#include "fuzz_support.h"
#include "startup/address_code.h"
#include "startup/stored_address.h"

using namespace ds::startup;

namespace {

void ReadAs(const QByteArray& file, const QString& codePage) {
    StoredAddressRecord record;
    try {
        record = ParseStoredRecord(file, codePage);
    } catch (const StartupError&) {
        return;
    }
    try {
        (void)ChooseVariant(DecodeNumbers(JoinedSegments(record), codePage), 0);
    } catch (const StartupError&) {
    }
    // What was read is written back the same way when the program stores a new network choice.
    QByteArray written;
    try {
        written = EncodeStoredRecord(record, codePage);
    } catch (const StartupError&) {
        return;  // a field the code page cannot hold again (a replacement character) or too long
    }
    ds::fuzz::Expect(written.size() == kRecordBytes, "a written record is exactly the record size");
    ds::fuzz::Expect(ParseStoredRecord(written, codePage) == record, "a written record reads back the same",
                     codePage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file = ds::fuzz::Bytes(data, size);
    ReadAs(file, QStringLiteral("GBK"));
    ReadAs(file, QStringLiteral("UTF-8"));
    return 0;
}
