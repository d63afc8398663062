#pragma once
// The command-line program's decisions that need no process: how an input line becomes a domain to
// ask about, what a check's result is called in its output, and how one answer is written as a JSON
// line. Values in, values out.
#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

#include "checks/engine/check_job.h"

namespace ds::cli {

// Longest input line read as a name; anything longer is no domain (253 characters, a few spaces and
// a multi-byte script fit well inside), and is not kept whole.
inline constexpr int kMaxInputLine = 1024;

// Splits a byte stream into lines (LF or CR LF) without ever holding more than kMaxInputLine bytes of
// one: a longer line is handed on cut, with `tooLong` set.
class LineSplitter {
public:
    using Sink = std::function<void(const QByteArray& line, bool tooLong)>;
    explicit LineSplitter(Sink sink) : sink_(std::move(sink)) {}
    void feed(const QByteArray& bytes);
    // The last line when the stream did not end with a line break.
    void finish();

private:
    void emitLine();
    Sink sink_;
    QByteArray line_;
    bool tooLong_ = false;
};

// One line of a domain list.
struct InputLine {
    enum Kind { Skip, Domain, NotDomain };
    Kind kind = Skip;
    // Domain: the name as it is asked about (lower case). NotDomain: the text as it can be shown
    // (invalid bytes replaced, cut to 80 characters).
    QString domain;
    // Domain: the name in its ASCII form, which tells duplicates apart ("bücher.de" = "xn--bcher-kva.de").
    QString key;
};

// Blank lines and lines whose first non-blank character is '#' are skipped; surrounding blanks are
// removed. A line that is not valid UTF-8, holds a NUL or is longer than a name can be is NotDomain.
InputLine ReadInputLine(const QByteArray& raw, bool tooLong = false);

// The ASCII (punycode) form of `name` (already lower-cased and trimmed, a final dot allowed) when it
// could be a registrable domain name: at most 253 characters, two or more labels of 1-63 letters,
// digits and hyphens, no label starting or ending with a hyphen, and a last label that is not all
// digits (so an IPv4 address is not taken for a name). Nothing otherwise.
std::optional<QString> DomainKey(const QString& name);

// The registration verdict of a whois job's result, as the output names it, with the reason.
struct Verdict {
    QString verdict;
    QString reason;
};
// Only an answered page decides: free → "available"; registered with a registration record on the page
// → "registered". A page that falls through to "registered" without a record (a "query limit
// exceeded" page), an undecided page (不详), no answer, a stop and a host that refused the run are all
// "unknown": the output must not call a name taken or free on the strength of a page that says neither.
Verdict RegistrationVerdict(const checks::engine::CheckResult& result);

// One answer as the program prints it.
struct OutputAnswer {
    QString domain, check, verdict, reason, source;
    int httpStatus = 0;  // 0: printed as null (no HTTP answer)
    QDateTime checkedAt;
    bool cached = false;
    bool hasValues = false;
    QJsonObject values;
};
// {"domain":…,"check":…,"verdict":…,"reason":…,"source":…,"http_status":…,"checked_at":…,"cached":…}
// (and "values" when the check has them), in that order, with a line break.
QByteArray JsonLine(const OutputAnswer& answer);

// The closing summary: "1000 asked, 12 available, 3 unknown, 0 not saved".
struct Tally {
    int asked = 0, available = 0, unknown = 0, notSaved = 0, cached = 0, notAsked = 0;
};
QString SummaryLine(const Tally& tally);

}  // namespace ds::cli
