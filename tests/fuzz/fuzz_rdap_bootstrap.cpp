// The registry directory: an RDAP bootstrap file and a whois server table, read from any bytes. Every
// address handed on must be one the route can put a path after, every key a name it can look up.
#include "checks/registry/registry_directory.h"
#include "fuzz_support.h"

using namespace ds::checks::registry;

namespace {

bool IsKey(const QString& name) {
    if (name.isEmpty() || name.startsWith(u'.') || name.endsWith(u'.')) return false;
    for (const QChar c : name)
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.')) return false;
    return true;
}

void Bootstrap(const QByteArray& bytes) {
    QString error;
    const std::optional<RdapBootstrap> b = ParseRdapBootstrap(bytes, &error);
    if (!b) {
        ds::fuzz::Expect(!error.isEmpty(), "a refusal says why");
        return;
    }
    for (auto it = b->bases.cbegin(); it != b->bases.cend(); ++it) {
        ds::fuzz::Expect(IsKey(it.key()), "a TLD is a lower-case A-label name", it.key());
        ds::fuzz::Expect(!it.value().isEmpty(), "a TLD has an address", it.key());
        bool sawHttp = false;
        for (const QString& base : it.value()) {
            const bool https = base.startsWith(u"https://");
            ds::fuzz::Expect(https || base.startsWith(u"http://"), "a base is http(s)", base);
            ds::fuzz::Expect(base.endsWith(u'/'), "a base ends with '/'", base);
            ds::fuzz::Expect(!(https && sawHttp), "https bases come first", it.value().join(u' '));
            sawHttp = sawHttp || !https;
        }
    }
}

void Servers(const QByteArray& bytes) {
    const QHash<QString, WhoisServer> servers = ParseWhoisServers(bytes);
    for (auto it = servers.cbegin(); it != servers.cend(); ++it) {
        ds::fuzz::Expect(IsKey(it.key()), "a TLD is a lower-case A-label name", it.key());
        ds::fuzz::Expect(IsKey(it->host), "a host is a name", it->host);
        ds::fuzz::Expect(it->port >= 1 && it->port <= 65535, "a port is a port", QString::number(it->port));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = ds::fuzz::Bytes(data, size);
    Bootstrap(bytes);
    Servers(bytes);
    return 0;
}
