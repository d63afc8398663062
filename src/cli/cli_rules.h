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
#include "checks/verdict.h"

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

// Domain names and verdicts are the checks' own; the window's ledger names them the same way.
using checks::DomainKey;
using checks::RegistrationVerdict;
using checks::Verdict;

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
