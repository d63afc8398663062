#include "checks/registry/registry_route.h"

#include <libpsl.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThreadPool>
#include <QUrl>
#include <atomic>

#include "checks/ledger/ledger.h"
#include "checks/reg_classifier.h"
#include "checks/verdict.h"
#include "core/config.h"
#include "core/install_paths.h"
#include "net/fetch.h"
#include "net/http_request.h"

namespace ds::checks::registry {
namespace {

constexpr qint64 kCopyMaxAgeSecs = 30LL * 24 * 3600;
constexpr qint64 kRetryAfterFailureSecs = 24LL * 3600;
constexpr qint64 kTableMaxBytes = 8LL * 1024 * 1024;

// The suffix list of the system (Debian's publicsuffix, kept current by the distribution) when it is
// newer than the one built into the library. Read-only once made, so any thread may use it.
const psl_ctx_t* SuffixList() {
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

QByteArray ReadSmallFile(const QString& path, QString* problem) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *problem = path + u": cannot be read (" + f.errorString() + u')';
        return {};
    }
    if (f.size() > kTableMaxBytes) {
        *problem = path + u": larger than 8 MB, not a table";
        return {};
    }
    return f.readAll();
}

bool IsAddress(const QString& s) { return s.startsWith(u"http://") || s.startsWith(u"https://"); }

QByteArray FetchSmall(const QString& url, QString* problem, const std::function<bool()>& cancelled = {}) {
    net::RequestOptions options = net::DlOptions();
    options.bodyCapBytes = kTableMaxBytes;
    const net::RequestResult reply = net::PerformRequest(url, options, cancelled);
    if (!reply.ok || reply.status != 200 || reply.truncated) {
        *problem = url + u": " + (reply.ok ? QStringLiteral("HTTP %1").arg(reply.status) : reply.error);
        return {};
    }
    return reply.body;
}

void LoadBootstrap(RegistryDirectory& d, const QString& where, const QByteArray& bytes) {
    QString error;
    if (std::optional<RdapBootstrap> b = ParseRdapBootstrap(bytes, &error)) {
        d.bootstrap = std::move(*b);
        d.bootstrapSource = where;
    } else {
        d.problems << where + u": not a bootstrap file (" + error + u')';
    }
}

std::atomic<bool>& RefreshStopped() {
    static std::atomic<bool> stopped{false};
    return stopped;
}

QDateTime Modified(const QString& path) {
    const QFileInfo info(path);
    return info.exists() ? info.lastModified() : QDateTime();
}

}  // namespace

QString RegistrableName(const QString& domain) {
    QString name = domain.trimmed().toLower();
    if (name.endsWith(u'.')) name.chop(1);
    const std::optional<QString> ace = DomainKey(name);
    if (!ace) return {};
    const QByteArray bytes = ace->toLatin1();
    const char* registrable = psl_registrable_domain(SuffixList(), bytes.constData());
    return registrable ? QString::fromLatin1(registrable) : QString();
}

QString BootstrapCopyPath(const QString& dataFolder) {
    return QDir(dataFolder).filePath(QStringLiteral("rdap_dns.json"));
}

bool RefreshBootstrapCopy(const QString& dataFolder, const QString& url, const QDateTime& now,
                          const std::function<bool()>& cancelled) {
    if (dataFolder.isEmpty() || !IsAddress(url)) return false;
    const QString copy = BootstrapCopyPath(dataFolder);
    const QDateTime copied = Modified(copy);
    if (copied.isValid() && copied.secsTo(now) < kCopyMaxAgeSecs) return false;
    const QString stamp = copy + u".tried";
    const QDateTime tried = Modified(stamp);
    if (tried.isValid() && tried.secsTo(now) < kRetryAfterFailureSecs) return false;
    QDir().mkpath(dataFolder);
    {
        QFile mark(stamp);
        if (mark.open(QIODevice::WriteOnly | QIODevice::Truncate)) mark.write(now.toString(Qt::ISODate).toLatin1());
    }
    QString problem;
    const QByteArray bytes = FetchSmall(url, &problem, cancelled);
    // An attempt the program cut short at its exit is no attempt: the next run tries again.
    if (cancelled && cancelled()) {
        QFile::remove(stamp);
        return false;
    }
    if (bytes.isEmpty() || !ParseRdapBootstrap(bytes)) return false;
    QSaveFile out(copy);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) return false;
    return true;
}

void StopBootstrapRefresh() { RefreshStopped() = true; }

// Where the ledger lives; the refreshed bootstrap copy goes beside it.
static QString UserDataFolder() { return QFileInfo(ledger::DefaultLedgerPath()).absolutePath(); }

RegistryDirectory RegistryDirectoryForRun(const Config& config) {
    const QString dataFolder = UserDataFolder();
    if (config.rdapBootstrap.isEmpty()) {
        // A program that ends ends the refresh with it (within 50 ms), rather than waiting for it.
        static const bool hooked = QCoreApplication::instance() &&
                                   QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                                                    [] { StopBootstrapRefresh(); });
        Q_UNUSED(hooked);
        RefreshStopped() = false;
        const QString url = config.rdapBootstrapRefreshUrl;
        QThreadPool::globalInstance()->start([dataFolder, url] {
            RefreshBootstrapCopy(dataFolder, url, QDateTime::currentDateTime(), [] { return RefreshStopped().load(); });
        });
    }
    return LoadRegistryDirectory(config, dataFolder);
}

RegistryDirectory LoadRegistryDirectory(const Config& config, const QString& dataFolder) {
    RegistryDirectory d;
    QString problem;
    if (!config.rdapBootstrap.isEmpty()) {
        const QByteArray bytes = IsAddress(config.rdapBootstrap) ? FetchSmall(config.rdapBootstrap, &problem)
                                                                 : ReadSmallFile(config.rdapBootstrap, &problem);
        if (!problem.isEmpty())
            d.problems << u"RdapBootstrap=" + problem;
        else
            LoadBootstrap(d, config.rdapBootstrap, bytes);
    } else {
        // The newer of the shipped snapshot and the refreshed copy.
        const QString shipped = FindDataFile(QStringLiteral("rdap_dns.json"));
        const QString copy = dataFolder.isEmpty() ? QString() : BootstrapCopyPath(dataFolder);
        const bool useCopy = !copy.isEmpty() && QFileInfo::exists(copy) &&
                             (shipped.isEmpty() || Modified(copy) > Modified(shipped));
        for (const QString& path : useCopy ? QStringList{copy, shipped} : QStringList{shipped}) {
            if (path.isEmpty()) continue;
            problem.clear();
            const QByteArray bytes = ReadSmallFile(path, &problem);
            if (problem.isEmpty()) LoadBootstrap(d, path, bytes);
            if (!d.bootstrapSource.isEmpty()) break;
        }
        if (d.bootstrapSource.isEmpty()) d.problems << QStringLiteral("no RDAP bootstrap file found");
    }

    const QString table = config.whoisServers.isEmpty() ? FindDataFile(QStringLiteral("whois_servers.txt"))
                                                        : config.whoisServers;
    problem.clear();
    if (table.isEmpty()) {
        d.problems << QStringLiteral("no whois server table found");
    } else {
        const QByteArray bytes = ReadSmallFile(table, &problem);
        if (problem.isEmpty()) {
            d.whois = ParseWhoisServers(bytes);
            d.whoisSource = table;
        } else {
            d.problems << u"WhoisServers=" + problem;
        }
    }
    return d;
}

RegistryTarget RouteFor(const RegistryDirectory& d, const QString& domain) {
    RegistryTarget t;
    t.name = RegistrableName(domain);
    if (t.name.isEmpty()) {
        t.reason = DomainKey(domain.trimmed().toLower()) ? QStringLiteral("not a registrable name (a public suffix)")
                                                         : QStringLiteral("not a domain name");
        return t;
    }
    t.tld = t.name.mid(t.name.lastIndexOf(u'.') + 1);
    if (const auto bases = d.bootstrap.bases.constFind(t.tld); bases != d.bootstrap.bases.constEnd() &&
                                                              !bases->isEmpty()) {
        t.kind = RegistryTarget::Rdap;
        t.url = bases->first() + u"domain/" + t.name;
        return t;
    }
    if (const auto server = d.whois.constFind(t.tld); server != d.whois.constEnd()) {
        t.kind = RegistryTarget::Whois;
        t.url = u"whois://" + server->host + u':' + QString::number(server->port) + u'/' + t.name;
        return t;
    }
    t.kind = RegistryTarget::NoService;
    t.reason = u"no registry service for ." + QString::fromUtf8(QUrl::fromAce(t.tld.toLatin1()).toUtf8());
    return t;
}

engine::CheckJob JobFor(quint64 key, const QString& domain, const RegistryTarget& target) {
    engine::CheckJob job;
    job.key = key;
    job.domain = domain;
    job.ask = target.kind == RegistryTarget::Whois ? engine::Ask::RegistryWhois : engine::Ask::Rdap;
    job.url = target.url;
    job.registryName = target.name;
    return job;
}

engine::CheckResult ResultWithoutRequest(quint64 key, const QString& domain, const RegistryTarget& target) {
    engine::CheckResult r;
    r.key = key;
    r.domain = domain;
    r.ask = engine::Ask::Rdap;
    r.end = engine::JobEnd::Answered;
    r.regOutcome = RegOutcome::Undetermined;
    RegistryAnswer answer;
    answer.verdict = Verdict::Unknown;
    answer.reason = target.reason;
    r.registry = answer;
    r.reason = target.reason;
    r.source = QStringLiteral("registry route");
    return r;
}

}  // namespace ds::checks::registry
