// The RDAP answer reader: any status, Content-Type and body must give one verdict whose evidence fits
// the answer, and a reason and facts of bounded size.
//
// Input: one byte picks the HTTP status, one the Content-Type; the rest is the body.
#include <array>

#include "checks/registry/registry_answer.h"
#include "fuzz_support.h"

using namespace ds::checks::registry;

namespace {

constexpr std::array<int, 10> kStatuses = {200, 404, 429, 503, 0, 301, 400, 403, 500, 204};
const std::array<QByteArray, 5> kTypes = {"application/rdap+json", "application/json; charset=utf-8",
                                          "text/html", "", "APPLICATION/RDAP+JSON"};

bool IsRegistration(Verdict v) {
    return v == Verdict::Registered || v == Verdict::Redemption || v == Verdict::PendingDelete;
}

void Check(int status, const QByteArray& type, const QByteArray& body, const QString& domain) {
    const RegistryAnswer a = ReadRdapAnswer(status, type, body, domain);
    const QString detail = QString::number(status) + u' ' + VerdictName(a.verdict) + u": " + a.reason;
    ds::fuzz::Expect(!a.reason.isEmpty() && a.reason.size() <= 600, "a short reason", detail);
    ds::fuzz::Expect(a.verdict != Verdict::Available || status == 404, "only a 404 says available", detail);
    ds::fuzz::Expect(a.verdict != Verdict::Available || !a.record, "available has no record", detail);
    ds::fuzz::Expect(!a.record || (status == 200 && IsRegistration(a.verdict)),
                     "a record only from a 200 registration", detail);
    ds::fuzz::Expect(IsRegistration(a.verdict) == a.record, "every registration verdict has its record", detail);
    ds::fuzz::Expect(!a.pushBack || ((status == 429 || status == 503) && a.verdict == Verdict::Unknown),
                     "push back only on 429 and 503", detail);
    ds::fuzz::Expect(a.statuses.size() <= 50, "a bounded status list", detail);
    for (const QString& fact : a.statuses + QStringList{a.registrar, a.created, a.expires, a.deleted})
        ds::fuzz::Expect(fact.size() <= 201, "facts are cut", fact.left(300));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int status = kStatuses[data[0] % kStatuses.size()];
    const QByteArray& type = kTypes[data[1] % kTypes.size()];
    const QByteArray body = ds::fuzz::Bytes(data + 2, size - 2);
    Check(status, type, body, QStringLiteral("example.com"));
    // With no name to compare, an object about any name is read.
    Check(status, type, body, QString());
    return 0;
}
