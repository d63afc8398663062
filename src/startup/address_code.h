#pragma once
// The database address as kept in "set.dat" and delivered by the address service: a payload of two
// connection texts joined by "^", cut into eight segments, each stored as numbers k + m*c (c = the
// character's 8-bit code) so the file does not show the address in clear.
#include <QString>
#include <array>
#include <optional>

#include "startup/startup_error.h"
#include "startup/stored_address.h"

namespace ds::startup {

// Signed 16-bit arithmetic: with these, codes 0 to 151 fit, which covers every printable ASCII character.
inline constexpr int kScrambleM = -217;
inline constexpr int kScrambleK = 30871;

struct AddressSegment {
    int first;  // 1-based first character
    int last;   // 1-based last character, 0 = to the end
    int field;  // record field that holds it
};
inline constexpr std::array<AddressSegment, 8> kAddressSegments{{
    {1, 9, 2}, {10, 22, 10}, {23, 31, 5}, {32, 39, 9}, {40, 48, 14}, {49, 62, 11}, {63, 69, 6}, {70, 0, 16}}};

// The nine filler fields and their fixed texts.
struct FillerField {
    int field;
    const char* text;
};
extern const std::array<FillerField, 9> kFillerFields;

// "k + m*c " for every character. StartupError when a character has no single-byte code or its
// number leaves the signed 16-bit range; nothing is returned then.
QString ScrambleText(const QString& text, const QString& codePage);

// The reverse: pieces between blanks, c = round((n - k) / m). StartupError for a piece that is not a
// number or a code that is not a character of the code page.
QString DecodeNumbers(const QString& numbers, const QString& codePage);

// The text between the first "|data|" and the next one (or the end); nothing when there is no marker.
std::optional<QString> ExtractPayload(const QString& answer);

// Usable: contains "provider" in any letter case and contains "^".
bool IsUsablePayload(const QString& payload);

// Variant `index` (0 or 1) of the payload split at "^", with leading and trailing blanks removed and
// the filler markers "34_domain" and "6domain7" taken out. Empty when the variant does not exist.
QString ChooseVariant(const QString& payload, int index);

// A whole record for the payload: fillers, the eight scrambled segments and network "dx".
// StartupError when a character cannot be scrambled (whether it fits the file is the writer's check).
StoredAddressRecord BuildAddressRecord(const QString& payload, const QString& codePage);

// The segment fields of a record joined in address order.
QString JoinedSegments(const StoredAddressRecord& record);

}  // namespace ds::startup
