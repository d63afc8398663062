// The live checks' rules over web answers and grid cells: the whois classification, the row choice and
// write-back of the registration check, and the value rules of the four site metrics.
//
// Input: two bytes of HTTP status, then text; the text is the whole answer page and, cut at tabs, the
// grid cells (domain, status, table, id, deletion date, loaded table) and a marker.
#include <QDate>

#include "checks/metrics_rules.h"
#include "checks/reg_classifier.h"
#include "fuzz_support.h"

using namespace ds::checks;

namespace {

void Whois(int status, const QString& page, const QStringList& f) {
    const QString lower = page.toLower();
    const RegOutcome answer = ClassifyWhoisAnswer(lower);
    const RegOutcome reply = ClassifyWhoisReply(status, lower);
    ds::fuzz::Expect(status < 200 || status > 299 || reply == answer, "a 2xx reply reads as its page");
    ds::fuzz::Expect(!StatusText(reply).isEmpty(), "every outcome has a status text");
    // Knowing the domain (the first field) only ever turns a free reading into a failed one.
    const RegOutcome named = ClassifyWhoisReply(status, lower, f[0]);
    ds::fuzz::Expect(named == reply || (reply == RegOutcome::Free && named == RegOutcome::Failed),
                     "the domain rule changes nothing but a free reading");
    ds::fuzz::Expect(named != RegOutcome::Free || PageNamesDomain(lower, f[0]), "free only on a page naming the domain");
    (void)ShowsRegistrationRecord(lower);
    for (int pass : {0, 1, 2}) (void)IsRowPicked(pass, f[0], f[1]);
    const std::optional<QString> statement = WriteBackStatement(f[2], f[3], f[4], QDate(2026, 3, 1), f[5]);
    if (statement) {
        ds::fuzz::Expect(f[2] == f[5], "write-back only into the table the rows came from");
        // The id cell is typed text; only the number read from it may reach the statement.
        const qsizetype at = statement->lastIndexOf(QStringLiteral(" where lid="));
        bool ok = false;
        const double id = at < 0 ? 0 : statement->mid(at + 11).toDouble(&ok);
        ds::fuzz::Expect(ok && id > 0, "the written id is a number above 0", *statement);
    }
}

void Metrics(int status, const QString& answer, const QStringList& f) {
    (void)IsRefusalStatus(status);
    for (const Metric m : kMetricOrder) {
        if (AnswerFailed(m, answer)) continue;
        (void)MetricValue(m, answer);
    }
    (void)IsInternationalName(f[0]);
    (void)ChecksumFromAnswer(answer);
    const double n = NumberOf(answer);
    ds::fuzz::Expect(n == n, "NumberOf never gives NaN", answer.left(200));
    const QString& marker = f[6];
    const QString after = After(answer, marker);
    const QString before = Before(answer, marker);
    ds::fuzz::Expect(after.size() <= answer.size() && before.size() <= answer.size(),
                     "After and Before give pieces of the text");
    ds::fuzz::Expect(answer.startsWith(before), "Before gives the start of the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int status = data[0] << 8 | data[1];
    for (const QString& text : ds::fuzz::Texts(ds::fuzz::Bytes(data + 2, size - 2))) {
        const QStringList fields = ds::fuzz::Fields(text, 7);
        Whois(status, text, fields);
        Metrics(status, text, fields);
    }
    return 0;
}
