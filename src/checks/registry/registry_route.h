#pragma once
// The registry route of the registration check: which name is asked about (the registrable one, in
// its ASCII form), and where: the TLD's RDAP service, else its port-43 whois server. The directory is
// read once per run from the bootstrap file and the whois table (dropscout.ini, else the shipped files
// and the refreshed copy of the bootstrap in the user's data folder).
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

#include "checks/engine/check_job.h"
#include "checks/registry/registry_directory.h"

namespace ds {
struct Config;
}

namespace ds::checks::registry {

// The part of `domain` a registry holds, in ASCII form: "www.abc.com.cn" -> "abc.com.cn",
// "www.bücher.de" -> "bücher.de" as "xn--bcher-kva.de". Empty when there is none: not a domain name,
// or a public suffix itself ("com", "com.cn").
QString RegistrableName(const QString& domain);

struct RegistryDirectory {
    RdapBootstrap bootstrap;
    QHash<QString, WhoisServer> whois;
    // Where the two came from, for a reason ("bootstrap /usr/share/dropscout/rdap_dns.json") and what
    // went wrong reading them ("WhoisServers=/x: cannot be read").
    QString bootstrapSource, whoisSource;
    QStringList problems;
};

// Reads the directory `config` names. A bootstrap given as an http(s) address is fetched (blocking,
// with the fetch limits); a refreshed copy in `dataFolder` is preferred over the shipped snapshot when
// the configuration names none. Never throws: what could not be read is listed in `problems`, and a
// TLD without an entry is answered "no registry service".
RegistryDirectory LoadRegistryDirectory(const Config& config, const QString& dataFolder);

// The refreshed copy's path in `dataFolder`.
QString BootstrapCopyPath(const QString& dataFolder);

// Fetches `url` into the copy when the copy is missing or older than 30 days, and no attempt was made
// in the last day (an offline machine does not try on every run). The copy is replaced only by a file
// that reads as a bootstrap; anything else leaves the old copy as it was. `cancelled` is asked while
// the fetch runs; a cancelled attempt does not count. True when the copy was replaced.
bool RefreshBootstrapCopy(const QString& dataFolder, const QString& url, const QDateTime& now,
                          const std::function<bool()>& cancelled = {});

// The directory a run of the check uses, from `config` and the user's data folder (where the ledger
// lives). With the shipped bootstrap, its copy is refreshed in the background for later runs; the
// refresh ends with the program (the application's aboutToQuit, or StopBootstrapRefresh()).
RegistryDirectory RegistryDirectoryForRun(const Config& config);
void StopBootstrapRefresh();

// How one domain is asked about.
struct RegistryTarget {
    enum Kind { Rdap, Whois, NoService, NotRegistrable };
    Kind kind = NotRegistrable;
    QString name;  // the registrable name asked about, ASCII form
    QString tld;
    QString url;     // Rdap: <base>domain/<name>; Whois: whois://host:port/<name>
    QString reason;  // NoService / NotRegistrable: why nothing is asked
};
RegistryTarget RouteFor(const RegistryDirectory& directory, const QString& domain);

// The job that asks a target (Rdap or Whois), keyed `key`.
engine::CheckJob JobFor(quint64 key, const QString& domain, const RegistryTarget& target);
// The result of a target nothing is asked for: outcome 不详 with its reason.
engine::CheckResult ResultWithoutRequest(quint64 key, const QString& domain, const RegistryTarget& target);

}  // namespace ds::checks::registry
