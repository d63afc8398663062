#pragma once
// Program configuration: dropscout.ini (Qt INI format) in the current directory, else in the user's
// configuration folder. Every key has a default, so a fresh machine needs no file at all.
#include <QString>
#include <QStringList>

namespace ds {

struct Config {
    // Appended by several messages after their fixed text.
    QString adminContact = QStringLiteral("support@dropscout.app");

    // Database-address service: <addressServiceUrl>/geturl/dataurl.asp?checkin=<checkinToken>.
    QString addressServiceUrl = QStringLiteral("http://127.0.0.1:8731");
    QString checkinToken = QStringLiteral("ds7x311");

    // Outside services used by the live checks and side windows (base addresses, no trailing slash).
    QString baiduUrl = QStringLiteral("http://www.baidu.com");
    QString alexaUrl = QStringLiteral("http://data.alexa.com");
    QString alexaAccessId = QStringLiteral("+hR257qa3906mZ");  // the data service's 14-character access id
    QString toolbarUrl = QStringLiteral("http://toolbarqueries.google.com");
    QString bingUrl = QStringLiteral("http://cn.bing.com");
    QString ip2locationUrl = QStringLiteral("http://www.ip2location.com");
    // The location service's tools host, which answers the own-address page "/ib1".
    QString ip2locationToolsUrl = QStringLiteral("http://www.ip2location.com");

    // 8-bit code page of local files ("set.dat", imports, exports). GBK is code page 936.
    QString codePage = QStringLiteral("GBK");

    // Web fetches. GetBody's limits stand in for the platform defaults; GetBodydl uses one value for
    // each of its four phases.
    qint64 bodyCapBytes = 32LL * 1024 * 1024;
    int resolveTimeoutMs = 30000;
    int connectTimeoutMs = 60000;
    int sendTimeoutMs = 30000;
    int receiveTimeoutMs = 30000;
    int dlPhaseTimeoutMs = 10000;
    // Every fetch, however slowly the server keeps sending: a trickling server must not hold a row
    // (or the start-up window) for ever.
    int totalTimeoutMs = 120000;

    // A name map in the format of /etc/hosts ("address name [name...]" lines) that name resolution
    // answers from before it asks the name service, so that names which are not on the internet (the
    // demo's) resolve offline. Empty: none. A relative path in the file is made absolute on loading:
    // against the file's own folder when the map is there, else against the current folder.
    QString hostsFile;

    // The live checks' engine: requests in flight at once (1-16), and per service host at most
    // perHostInFlight of them, their starts at least perHostIntervalMs apart.
    int checkConcurrency = 4;
    int perHostInFlight = 2;
    int perHostIntervalMs = 200;
    // How long a host that pushed back (429, 503, a verification page) is first left alone when it does
    // not say (Retry-After); each further pause doubles, up to 5 minutes.
    int hostPauseMs = 30000;

    // Where the registration check asks: "operator" (the operator's whois page, lwhoisurl + domain) or
    // "registry" (the registries themselves: RDAP, else port-43 whois). The window's 查询来源 choice
    // starts from this and is remembered with the window's settings.
    QString registrationSource = QStringLiteral("operator");
    // The RDAP bootstrap file (RFC 9224 dns.json): a path or an http(s) address. Empty: the snapshot
    // shipped with the program, or the copy refreshed from rdapBootstrapRefreshUrl in the user's data
    // folder when that is newer. Relative paths are taken against this file's folder.
    QString rdapBootstrap;
    QString rdapBootstrapRefreshUrl = QStringLiteral("https://data.iana.org/rdap/dns.json");
    // The port-43 whois servers ("tld host[:port]" lines) of TLDs without RDAP. Empty: the shipped table.
    QString whoisServers;

    // The program's own window frame (caption strip and border) on its five main windows. Off (Skin=0)
    // gives them the desktop's frame, for desktops that handle frameless windows badly.
    bool skin = true;
};

// Reads the file at `path`; missing keys keep their defaults. Values out of range are brought into it,
// and each such repair is described in `notes` (one line each) when it is given.
Config LoadConfig(const QString& path, QStringList* notes = nullptr);
// The file the program reads at start: ./dropscout.ini if it exists, else the user's config folder.
QString DefaultConfigPath();

// The process-wide configuration. Tests replace it with SetConfig.
const Config& config();
void SetConfig(const Config& c);

}  // namespace ds
