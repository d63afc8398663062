#pragma once
// What a domain name is and what a registration answer is called, the same for the window, its
// ledger and dropscout-cli.
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>

#include "checks/engine/check_job.h"

namespace ds::checks {

// The ASCII (punycode) form of `name` (already lower-cased and trimmed, a final dot allowed) when it
// could be a registrable domain name: at most 253 characters, two or more labels of 1-63 letters,
// digits and hyphens, no label starting or ending with a hyphen, and a last label that is not all
// digits (so an IPv4 address is not taken for a name). Nothing otherwise.
std::optional<QString> DomainKey(const QString& name);

// The registration verdict of a job's result, as the ledger and the program's output name it
// ("available", "registered", "redemption", "pending-delete", "reserved", "unknown"), with the reason.
struct Verdict {
    QString verdict;
    QString reason;
};
// A registry's answer gives its own verdict. From the operator's page only an answered page decides:
// free → "available"; registered with a registration record on the page → "registered". A page that
// falls through to "registered" without a record (a "query limit exceeded" page), an undecided page
// (不详), no answer, a stop and a host that refused the run are all "unknown": no name is called taken or
// free on the strength of a page that says neither.
Verdict RegistrationVerdict(const engine::CheckResult& result);

// The status cell's outcome for a registry verdict: available 未注册; registered, redemption and
// pending delete 已注册; reserved 不详; unknown 超时 (so the retry pass asks again).
RegOutcome OutcomeOf(registry::Verdict verdict);

// What a registration answer keeps in the ledger beside its verdict: whether a registration record was
// shown, the host, the time taken, and a registry's facts (statuses, registrar, dates, who answered).
QJsonObject RegistrationValues(const engine::CheckResult& result);
// The registry's facts back from a ledger row's values (nothing when the row has none).
std::optional<registry::RegistryAnswer> RegistryFactsOf(const QJsonObject& values, const QString& verdict);

// A filing lookup's answer as the ledger and dropscout-cli keep it: {"filed":…} and, for a record, its
// number, holder kind, date and site name.
QJsonObject FilingValues(const QStringList& record);

// The status cell's tooltip: a registry's answer gives its verdict, who answered, the HTTP status, the
// statuses, registrar and dates, and why; the operator's page its reason. Both end with `at`.
QString RegistrationTip(const engine::CheckResult& result, const QDateTime& at);

// The status cell's colour for names in redemption or pending delete, which investors watch: orange.
inline constexpr uint32_t kDroppingColor = 0x0080FF;  // BGR
// True when the answer puts the name in its redemption period or pending delete.
bool IsDropping(const engine::CheckResult& result);

}  // namespace ds::checks
