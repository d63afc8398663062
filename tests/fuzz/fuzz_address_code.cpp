// The address code: an address-service answer cut into its payload, variants and eight scrambled
// segments, and number texts (from set.dat) decoded back into characters.
#include "fuzz_support.h"
#include "startup/address_code.h"

using namespace ds::startup;

namespace {

const QString kCodePage = QStringLiteral("GBK");

void Answer(const QString& answer) {
    const std::optional<QString> payload = ExtractPayload(answer);
    const QString text = payload.value_or(answer);
    (void)IsUsablePayload(text);
    for (int index : {-1, 0, 1, 2}) (void)ChooseVariant(text, index);

    // Storing and loading an address must give back the payload that was stored.
    StoredAddressRecord record;
    try {
        record = BuildAddressRecord(text, kCodePage);
    } catch (const StartupError&) {
        return;  // a character without a single-byte code
    }
    QString loaded;
    try {
        loaded = DecodeNumbers(JoinedSegments(record), kCodePage);
    } catch (const StartupError& e) {
        ds::fuzz::Broken("a built record decodes", e.description());
    }
    ds::fuzz::Expect(loaded == text, "a built record decodes to its payload", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const QString& text : ds::fuzz::Texts(ds::fuzz::Bytes(data, size))) {
        Answer(text);
        try {
            (void)DecodeNumbers(text, kCodePage);
        } catch (const StartupError&) {
        }
    }
    return 0;
}
