#pragma once
// Name resolution behind one seam, so tests of the side windows decide which names resolve where.
// Every lookup of the program goes through ResolveFirstIPv4, which bounds it and keeps the window
// responsive; resolvers themselves may block.
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace ds::tools {

class Resolver {
public:
    virtual ~Resolver() = default;
    // The first IPv4 address of `host` as dotted text, or empty text. May block as long as the name
    // service does, and is called on a worker thread.
    virtual QString firstIPv4(const QString& host) = 0;
};

// A name map in the format of /etc/hosts: lower-case names, without a closing dot, to dotted IPv4
// addresses.
using HostsMap = QHash<QString, QString>;

// Reads the text of a hosts file. A line holds an IPv4 address and one or more names, separated by
// spaces or tabs; "#" starts a comment that runs to the end of the line. A line whose first field is
// not a dotted IPv4 address (an IPv6 line, a name first, a fifth part) or that names nothing is
// skipped. A name listed twice keeps its first address, as the system's resolver does.
HostsMap ParseHosts(QStringView text);

// The system's resolver (getaddrinfo). Names in the hosts file of the configuration (HostsFile) are
// answered from it first; the file is read again only when its path, time or size has changed. Names
// that are not a plausible host name (spaces, quotes, a leading dot, empty labels, over 253 characters)
// and names under ".invalid" get empty text without asking the name service. Non-ASCII names are looked
// up in their punycode form. The empty name gives this host's first non-loopback IPv4 address, loopback
// only when there is no other.
class SystemResolver final : public Resolver {
public:
    QString firstIPv4(const QString& host) override;

private:
    // The address the configured hosts file gives `host`, or empty text.
    QString fromHostsFile(const QString& host);

    std::mutex hostsMutex_;  // lookups of one resolver run on several workers at once
    QString hostsPath_;
    QDateTime hostsTime_;
    qint64 hostsSize_ = -1;
    HostsMap hosts_;
};

// This host's first IPv4 address that is not loopback, else a loopback address, else empty text.
QString LocalIPv4();

// A resolver for tests: names (any case) map to fixed addresses; other names do not resolve. A name
// marked as never answering blocks its lookup until release() (or the safety limit of a minute), so
// tests can watch the bound of ResolveFirstIPv4 at work. Thread-safe.
class MapResolver final : public Resolver {
public:
    MapResolver() = default;
    explicit MapResolver(const QHash<QString, QString>& addresses);

    void set(const QString& name, const QString& address);
    void setNeverAnswers(const QString& name);
    // Lets every blocked lookup return (with empty text) and makes later ones return at once.
    void release();

    // Every name asked for, in order, as it arrived.
    QStringList asked() const;

    QString firstIPv4(const QString& host) override;

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool isReleased_ = false;
    QHash<QString, QString> addresses_;  // lower-case names
    QSet<QString> neverAnswers_;         // lower-case names
    QStringList asked_;
};

// The resolver in use (the system resolver unless a test installed another).
std::shared_ptr<Resolver> resolver();
// nullptr restores the system resolver.
void SetResolver(std::shared_ptr<Resolver> r);

// Installs a MapResolver for the lifetime of the object; on the way out it releases blocked lookups
// and restores the system resolver.
struct ScopedMapResolver {
    std::shared_ptr<MapResolver> map = std::make_shared<MapResolver>();
    ScopedMapResolver() { SetResolver(map); }
    ~ScopedMapResolver() {
        map->release();
        SetResolver(nullptr);
    }
    ScopedMapResolver(const ScopedMapResolver&) = delete;
    ScopedMapResolver& operator=(const ScopedMapResolver&) = delete;
    MapResolver* operator->() { return map.get(); }
};

// Asks the installed resolver on a worker thread and waits at most ResolveTimeoutMs of the
// configuration; a stop press (ds::RequestStop) also ends the wait. On the application's thread the
// wait handles events, so windows repaint and their stop buttons work. A lookup that did not answer in
// time gives empty text; its worker is left to finish on its own, since getaddrinfo cannot be
// cancelled. Such workers are capped (kMaxDetachedWorkers, detached_wait.h): while the cap is reached,
// a lookup gives empty text at once instead of leaving one more thread behind.
QString ResolveFirstIPv4(const QString& host);

}  // namespace ds::tools
