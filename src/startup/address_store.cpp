#include "startup/address_store.h"

#include "startup/address_code.h"

namespace ds::startup {

StoredAddress StoreAnswer(const QString& path, const QString& answer, const QString& codePage) {
    const std::optional<QString> payload = ExtractPayload(answer);
    if (!payload) throw StartupError(QStringLiteral("地址服务的回答中没有地址数据"));
    StoredAddress stored{BuildAddressRecord(*payload, codePage), *payload};
    WriteStoredRecord(path, stored.record, codePage);
    return stored;
}

StoredAddress LoadAddress(const QString& path, const QString& codePage) {
    StoredAddress stored;
    stored.record = ReadStoredRecord(path, codePage);
    stored.payload = DecodeNumbers(JoinedSegments(stored.record), codePage);
    return stored;
}

}  // namespace ds::startup
