#include "checks/ledger/window_ledger.h"

#include <memory>

#include "checks/ledger/ledger.h"
#include "cli/cli_rules.h"
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

bool RecordWindowRegistration(const engine::CheckResult& r) {
    WindowLedger& s = State();
    if (s.path.isEmpty() || s.failed || r.end == engine::JobEnd::Stopped || r.ask != engine::Ask::Whois) return false;
    if (!s.ledger) {
        s.ledger = std::make_unique<Ledger>();
        if (!s.ledger->open(s.path) || !s.ledger->writable()) {
            s.failed = true;
            s.ledger.reset();
            return false;
        }
    }
    const cli::Verdict v = cli::RegistrationVerdict(r);
    Answer a;
    a.domain = r.domain;
    a.check = QStringLiteral("registration");
    a.verdict = v.verdict;
    a.reason = v.reason;
    a.source = QStringLiteral("operator");
    a.httpStatus = r.httpStatus;
    a.values = QJsonObject{{QStringLiteral("registration_record"), r.registrationRecord},
                           {QStringLiteral("host"), r.host},
                           {QStringLiteral("elapsed_ms"), r.elapsedMs},
                           {QStringLiteral("origin"), QStringLiteral("window")}};
    a.checkedAt = ds::clock().now();
    return s.ledger->record(a);
}

}  // namespace ds::checks::ledger
