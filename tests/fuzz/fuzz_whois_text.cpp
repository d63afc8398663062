// The port-43 whois reader: any text from any of the servers it knows by name gives one verdict whose
// evidence fits, with a reason and facts of bounded size.
//
// Input: one byte picks the server; the rest is the text, read as UTF-8 and as Latin-1.
#include <array>

#include "checks/registry/registry_answer.h"
#include "fuzz_support.h"

using namespace ds::checks::registry;

namespace {

const std::array<QString, 7> kServers = {
    QStringLiteral("whois.cnnic.cn"), QStringLiteral("whois.denic.de"),  QStringLiteral("whois.eu"),
    QStringLiteral("whois.nic.uk"),   QStringLiteral("whois.dot.tk"),    QStringLiteral("whois.verisign-grs.com"),
    QString()};

void Check(const QString& text, const QString& server, const QString& domain) {
    const RegistryAnswer a = ReadWhoisText(text, server, domain);
    const bool registration =
        a.verdict == Verdict::Registered || a.verdict == Verdict::Redemption || a.verdict == Verdict::PendingDelete;
    const QString detail = VerdictName(a.verdict) + u": " + a.reason;
    ds::fuzz::Expect(a.reason.startsWith(u"whois") && a.reason.size() <= 1000, "a short reason", detail);
    ds::fuzz::Expect(registration == a.record, "a registration verdict exactly when a record was read", detail);
    ds::fuzz::Expect(!a.pushBack || a.verdict == Verdict::Unknown, "push back leaves the verdict open", detail);
    ds::fuzz::Expect(a.statuses.size() <= 50, "a bounded status list", detail);
    for (const QString& fact : a.statuses + QStringList{a.registrar, a.created, a.expires, a.deleted})
        ds::fuzz::Expect(fact.size() <= 201, "facts are cut", fact.left(300));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const QString& server = kServers[data[0] % kServers.size()];
    for (const QString& text : ds::fuzz::Texts(ds::fuzz::Bytes(data + 1, size - 1))) {
        Check(text, server, QStringLiteral("abc.cn"));
        Check(text, server, QString());
    }
    return 0;
}
