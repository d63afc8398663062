#pragma once
// The decisions of cPing, apart from sockets and name service: which text of an address is resolved,
// how dotted text becomes the 32-bit address, and the status codes its results are made of.
#include <QString>
#include <QtGlobal>
#include <stdexcept>

namespace ds::tools {

// Reply statuses. Results and events use the numbering of the platform whose ICMP interface the
// callers were written against, so a negated status means the same to them everywhere.
inline constexpr qint32 StatusSuccess = 0;
inline constexpr qint32 StatusDestNetUnreachable = 11002;
inline constexpr qint32 StatusDestHostUnreachable = 11003;
inline constexpr qint32 StatusDestProtUnreachable = 11004;
inline constexpr qint32 StatusDestPortUnreachable = 11005;
inline constexpr qint32 StatusTimedOut = 11010;
inline constexpr qint32 StatusTtlExpired = 11013;
// Address 0 (an unresolved name): the echo is refused instead of sent, because Linux would deliver a
// packet for 0.0.0.0 to the local host and report a success.
inline constexpr qint32 StatusBadDestination = 11018;
// No ICMP socket could be opened (unprivileged ping sockets are off and raw sockets are not allowed),
// or sending failed.
inline constexpr qint32 StatusGeneralFailure = 11050;

// The texts of PingReturn's successStatus.
inline constexpr char16_t PingSuccess[] = u"success";
inline constexpr char16_t PingFailure[] = u"failure";

// An address normalised for cPing: the text to use, and whether that text is a name still to be
// resolved (only when the caller asked for resolution).
struct NormalisedAddress {
    QString address;
    bool resolve = false;
};

// Only addresses that start with "http" or "www." (the first 4 characters, trimmed, any case) are
// touched; anything else, a dotted address included, comes back as it is and is not to be resolved.
// "http…" loses its first 7 characters whatever they are ("https://x.com" keeps "/x.com"), then gets
// "www." in front unless its first 11 characters read "http://www.". "www." names stay as they are.
NormalisedAddress NormaliseAddress(const QString& address);

// The name funcGetIPFromHostName hands to the resolver: a name that does not start with "www." is
// normalised (without resolving), so "http://" plus a bare host becomes "www." plus that host, and
// "http://www." plus a host becomes the text after "http://". A "www." name goes unchanged.
QString HostNameToResolve(const QString& hostName);

// The error Ping passes to its caller for an address it cannot convert.
class AddressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The 32-bit address of dotted text, first part in the lowest byte (so stored little-endian its
// bytes are in network order). Exactly four parts each give their low 8 bits ("260" counts as 4; "-1"
// as 255). Fewer parts, the empty text included, give 0: an unresolved name reaches here as empty
// text or as a bare host and must fail as an echo, not as an error. With four parts, a part that is
// not a decimal number within 32 bits throws AddressError; so do five or more parts.
quint32 AddressValue(const QString& dotted);

}  // namespace ds::tools
