#pragma once
// Where a TLD's registry answers: the RDAP base addresses of an IANA bootstrap file (RFC 9224 dns.json)
// and a table of port-43 whois servers. Parsing only; loading and refreshing the files is the route's.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace ds::checks::registry {

struct RdapBootstrap {
    QString publication;  // the file's "publication" value, as given
    // TLD (lower case, A-label: "com", "xn--fiqs8s") -> base addresses, each ending with '/', https
    // ones first, in the file's order otherwise.
    QHash<QString, QStringList> bases;
};

// Reads a dns.json of RFC 9224 form: {"version":"1.0","publication":…,"services":[[[tlds…],[urls…]],…]}.
// Entries that are not strings, TLDs that are not names and addresses that are not http(s) are skipped;
// a base without a final '/' gets one. Nothing (and `error` says why) when the text is not JSON or has
// no "services" array.
std::optional<RdapBootstrap> ParseRdapBootstrap(const QByteArray& json, QString* error = nullptr);

// A whois server: host and port (43 unless the table says otherwise).
struct WhoisServer {
    QString host;
    int port = 43;
};

// Reads a table of "tld host[:port]" lines; blank lines and lines starting with '#' are skipped, as are
// lines that do not read. TLDs are lower-cased and given as A-labels ("中国" -> "xn--fiqs8s"). A later
// line for the same TLD replaces an earlier one.
QHash<QString, WhoisServer> ParseWhoisServers(const QByteArray& text);

}  // namespace ds::checks::registry
