#include "tools/resolver.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <arpa/inet.h>
#include <chrono>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "core/config.h"
#include "tools/detached_wait.h"

namespace ds::tools {

namespace {

QString DottedText(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address, text, sizeof text)) return {};
    return QString::fromLatin1(text);
}

// The form the name service is asked about. Only non-ASCII names go through IDNA: its mapping would
// also reject ASCII names the name service accepts (an underscore label, for one).
QByteArray AsciiName(const QString& host) {
    for (const QChar c : host) {
        if (c.unicode() >= 0x80) return QUrl::toAce(host);
    }
    return host.toLatin1();
}

// Rejected here rather than handed to getaddrinfo, which may send anything to the network's name
// server and wait for its answer: text with spaces or quotes (a pasted fragment of a page), a leading
// dot or an empty label, or a name longer than DNS allows.
bool PlausibleHostName(QByteArray name) {
    if (name.endsWith('.')) name.chop(1);  // a fully qualified name
    if (name.isEmpty() || name.size() > 253) return false;
    for (const QByteArray& label : name.split('.')) {
        if (label.isEmpty() || label.size() > 63) return false;
        for (const char c : label) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                            c == '-' || c == '_';
            if (!ok) return false;
        }
    }
    return true;
}

// Names under "invalid" never exist (RFC 6761), so the answer is known without asking a name server
// that might be slow or unreachable.
bool UnderInvalid(QByteArray name) {
    if (name.endsWith('.')) name.chop(1);
    const QByteArray last = name.mid(name.lastIndexOf('.') + 1).toLower();
    return last == "invalid";
}

// The key a name has in a hosts map.
QString HostsKey(QStringView name) {
    if (name.endsWith(u'.')) name.chop(1);
    return name.toString().toLower();
}

// The address in its usual dotted form, or empty text for anything that is not an IPv4 address.
QString CanonicalIPv4(const QString& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.toLatin1().constData(), &address) != 1) return {};
    return DottedText(address);
}

std::mutex& SlotMutex() {
    static std::mutex m;
    return m;
}

std::shared_ptr<Resolver>& Slot() {
    static std::shared_ptr<Resolver> r;
    return r;
}

}  // namespace

QString LocalIPv4() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    QString loopback;
    QString other;
    for (const ifaddrs* it = list; it && other.isEmpty(); it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP)) continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr;
        const bool isLoopback = (it->ifa_flags & IFF_LOOPBACK) || (ntohl(address.s_addr) >> 24) == 127;
        if (isLoopback) {
            if (loopback.isEmpty()) loopback = DottedText(address);
        } else {
            other = DottedText(address);
        }
    }
    freeifaddrs(list);
    return other.isEmpty() ? loopback : other;
}

HostsMap ParseHosts(QStringView text) {
    HostsMap map;
    for (QStringView line : text.split(u'\n')) {
        if (const qsizetype hash = line.indexOf(u'#'); hash >= 0) line.truncate(hash);
        // simplified() turns tabs and a closing carriage return into single spaces or nothing.
        const QStringList fields = line.toString().simplified().split(u' ', Qt::SkipEmptyParts);
        const QString address = fields.isEmpty() ? QString() : CanonicalIPv4(fields.front());
        if (fields.size() < 2 || address.isEmpty()) continue;
        for (qsizetype i = 1; i < fields.size(); ++i) {
            const QString key = HostsKey(fields[i]);
            if (!key.isEmpty() && !map.contains(key)) map.insert(key, address);
        }
    }
    return map;
}

QString SystemResolver::fromHostsFile(const QString& host) {
    // Read on the lookup's worker: the program sets its configuration once, before any lookup.
    const QString path = config().hostsFile;
    if (path.isEmpty()) return {};
    const std::lock_guard lock(hostsMutex_);
    const QFileInfo file(path);
    const QDateTime time = file.lastModified();
    const qint64 size = file.exists() ? file.size() : -1;
    if (path != hostsPath_ || time != hostsTime_ || size != hostsSize_) {
        hostsPath_ = path;
        hostsTime_ = time;
        hostsSize_ = size;
        hosts_.clear();
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) hosts_ = ParseHosts(QString::fromUtf8(f.readAll()));
    }
    const QString key = HostsKey(host);
    if (const auto it = hosts_.constFind(key); it != hosts_.cend()) return *it;
    // The file may list a non-ASCII name in its punycode form.
    return hosts_.value(HostsKey(QString::fromLatin1(AsciiName(host))));
}

QString SystemResolver::firstIPv4(const QString& host) {
    if (host.isEmpty()) return LocalIPv4();
    if (QString mapped = fromHostsFile(host); !mapped.isEmpty()) return mapped;
    const QByteArray name = AsciiName(host);
    if (!PlausibleHostName(name) || UnderInvalid(name)) return {};

    addrinfo hints{};
    hints.ai_family = AF_INET;
    // Without a socket type every address comes back once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &list) != 0) return {};
    QString answer;
    for (const addrinfo* it = list; it && answer.isEmpty(); it = it->ai_next) {
        if (it->ai_family == AF_INET && it->ai_addr)
            answer = DottedText(reinterpret_cast<const sockaddr_in*>(it->ai_addr)->sin_addr);
    }
    freeaddrinfo(list);
    return answer;
}

MapResolver::MapResolver(const QHash<QString, QString>& addresses) {
    for (auto it = addresses.cbegin(); it != addresses.cend(); ++it) addresses_.insert(it.key().toLower(), it.value());
}

void MapResolver::set(const QString& name, const QString& address) {
    const std::lock_guard lock(mutex_);
    addresses_.insert(name.toLower(), address);
}

void MapResolver::setNeverAnswers(const QString& name) {
    const std::lock_guard lock(mutex_);
    neverAnswers_.insert(name.toLower());
}

void MapResolver::release() {
    const std::lock_guard lock(mutex_);
    isReleased_ = true;
    released_.notify_all();
}

QStringList MapResolver::asked() const {
    const std::lock_guard lock(mutex_);
    return asked_;
}

QString MapResolver::firstIPv4(const QString& host) {
    std::unique_lock lock(mutex_);
    asked_ << host;
    const QString key = host.toLower();
    if (neverAnswers_.contains(key)) {
        // Bounded all the same, so a test that forgets release() leaves no thread behind for ever.
        released_.wait_for(lock, std::chrono::minutes(1), [this] { return isReleased_; });
        return {};
    }
    return addresses_.value(key);
}

std::shared_ptr<Resolver> resolver() {
    const std::lock_guard lock(SlotMutex());
    if (!Slot()) Slot() = std::make_shared<SystemResolver>();
    return Slot();
}

void SetResolver(std::shared_ptr<Resolver> r) {
    const std::lock_guard lock(SlotMutex());
    Slot() = std::move(r);
}

QString ResolveFirstIPv4(const QString& host) {
    // Everything the worker touches is its own: it may outlive this call.
    auto answer = std::make_shared<QString>();
    auto job = [r = resolver(), answer, host = QString(host)] { *answer = r->firstIPv4(host); };
    if (!RunDetachedBounded(std::move(job), config().resolveTimeoutMs)) return {};
    return *answer;
}

}  // namespace ds::tools
