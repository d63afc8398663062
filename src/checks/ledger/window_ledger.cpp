#include "checks/ledger/window_ledger.h"

#include <memory>

#include "checks/ledger/ledger.h"
#include "checks/verdict.h"
#include "core/clock.h"

namespace ds::checks::ledger {
namespace {

struct WindowLedger {
    QString path;
    std::unique_ptr<Ledger> ledger;
    bool failed = false;  // opened once and refused: not tried again for every row
};

WindowLedger& State() {
    static WindowLedger state;
    return state;
}

}  // namespace

void SetWindowLedgerPath(const QString& path) {
    WindowLedger& s = State();
    s.path = path;
    s.ledger.reset();
    s.failed = false;
}

// The window's ledger, opened on first use; nothing when none is named or it cannot be written.
Ledger* Open() {
    WindowLedger& s = State();
    if (s.path.isEmpty() || s.failed) return nullptr;
    if (!s.ledger) {
        s.ledger = std::make_unique<Ledger>();
        if (!s.ledger->open(s.path) || !s.ledger->writable()) {
            s.failed = true;
            s.ledger.reset();
            return nullptr;
        }
    }
    return s.ledger.get();
}

QString LedgerKey(const QString& domain) {
    const QString name = domain.trimmed().toLower();
    return DomainKey(name).value_or(name);
}

QHash<QString, Answer> FreshRegistrations(double hours) {
    Ledger* l = hours > 0 ? Open() : nullptr;
    if (!l) return {};
    return l->freshAnswers(QStringLiteral("registration"), ds::clock().now().addMSecs(-qint64(hours * 3600 * 1000)));
}

engine::CheckResult AsRegistrationResult(const Answer& a) {
    engine::CheckResult r;
    r.domain = a.domain;
    r.end = engine::JobEnd::Answered;
    r.registry = RegistryFactsOf(a.values, a.verdict);
    if (r.registry) {
        r.ask = engine::Ask::Rdap;
        r.source = a.values.value(QStringLiteral("answered_by")).toString();
        r.regOutcome = OutcomeOf(r.registry->verdict);
    } else {
        r.regOutcome = a.verdict == u"available"    ? RegOutcome::Free
                       : a.verdict == u"registered" ? RegOutcome::Registered
                                                    : RegOutcome::Undetermined;
    }
    r.registrationRecord = r.regOutcome == RegOutcome::Registered;
    r.httpStatus = a.httpStatus;
    r.reason = a.reason + QStringLiteral("（台账记录，") + a.checkedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
               QStringLiteral("）");
    return r;
}

bool RecordWindowRegistration(const engine::CheckResult& r) {
    const bool registry = r.ask == engine::Ask::Rdap || r.ask == engine::Ask::RegistryWhois;
    if (r.end == engine::JobEnd::Stopped || (r.ask != engine::Ask::Whois && !registry)) return false;
    WindowLedger& s = State();
    if (!Open()) return false;
    const Verdict v = RegistrationVerdict(r);
    Answer a;
    a.domain = LedgerKey(r.domain);
    a.check = QStringLiteral("registration");
    a.verdict = v.verdict;
    a.reason = v.reason;
    a.source = registry ? QStringLiteral("registry") : QStringLiteral("operator");
    a.httpStatus = r.httpStatus;
    a.values = RegistrationValues(r);
    a.values.insert(QStringLiteral("origin"), QStringLiteral("window"));
    a.checkedAt = ds::clock().now();
    return s.ledger->record(a);
}

}  // namespace ds::checks::ledger

namespace ds::checks::ledger {

bool RecordWindowAnswer(const QString& domain, const QString& check, const QString& verdict, const QString& reason,
                        const QString& source, int httpStatus, const QJsonObject& values) {
    Ledger* l = Open();
    if (!l) return false;
    Answer a;
    a.domain = LedgerKey(domain);
    a.check = check;
    a.verdict = verdict;
    a.reason = reason;
    a.source = source;
    a.httpStatus = httpStatus;
    a.values = values;
    a.values.insert(QStringLiteral("origin"), QStringLiteral("window"));
    a.checkedAt = ds::clock().now();
    return l->record(a);
}

}  // namespace ds::checks::ledger
