#pragma once
// The address payload kept in the settings file: storing a service answer and reading it back.
#include <QString>

#include "startup/stored_address.h"

namespace ds::startup {

struct StoredAddress {
    StoredAddressRecord record;
    QString payload;
};

// Stores the payload of a service answer (the text after "|data|") as a fresh record of `path` with
// network "dx". StartupError when the answer has no marker, a character cannot be scrambled or the
// record does not fit; the file is not touched then.
StoredAddress StoreAnswer(const QString& path, const QString& answer, const QString& codePage);

// Reads the record of `path` and decodes its address. StartupError when the record is unusable or a
// segment does not decode.
StoredAddress LoadAddress(const QString& path, const QString& codePage);

}  // namespace ds::startup
