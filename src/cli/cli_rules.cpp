#include "cli/cli_rules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>
#include <QUrl>

#include "checks/ledger/ledger.h"

namespace ds::cli {

void LineSplitter::feed(const QByteArray& bytes) {
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', from);
        const qsizetype end = nl < 0 ? bytes.size() : nl;
        const qsizetype room = kMaxInputLine - line_.size();
        if (end - from > room) {
            line_.append(bytes.constData() + from, room);
            tooLong_ = true;
        } else {
            line_.append(bytes.constData() + from, end - from);
        }
        if (nl < 0) break;
        emitLine();
        from = nl + 1;
    }
}

void LineSplitter::finish() {
    if (!line_.isEmpty() || tooLong_) emitLine();
}

void LineSplitter::emitLine() {
    if (line_.endsWith('\r') && !tooLong_) line_.chop(1);
    sink_(line_, tooLong_);
    line_.clear();
    tooLong_ = false;
}

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0xFEFF); }

QString Trimmed(const QString& s) {
    qsizetype a = 0, b = s.size();
    while (a < b && IsBlank(s[a])) ++a;
    while (b > a && IsBlank(s[b - 1])) --b;
    return s.mid(a, b - a);
}

QString Shown(const QString& text) { return text.size() > 80 ? text.left(80) + u'…' : text; }

}  // namespace

InputLine ReadInputLine(const QByteArray& raw, bool tooLong) {
    InputLine out;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = Trimmed(utf8(raw));
    const bool badBytes = utf8.hasError() || raw.contains('\0');
    if (!badBytes && !tooLong && (text.isEmpty() || text.startsWith(u'#'))) return out;
    out.domain = Shown(text);
    out.kind = InputLine::NotDomain;
    if (badBytes || tooLong) return out;
    const QString name = text.toLower();
    if (const std::optional<QString> key = DomainKey(name)) {
        out.kind = InputLine::Domain;
        out.domain = name.endsWith(u'.') ? name.chopped(1) : name;
        out.key = *key;
    }
    return out;
}

namespace {

// A JSON string literal, quotes included.
QByteArray Quoted(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

}  // namespace

QByteArray JsonLine(const OutputAnswer& a) {
    QByteArray out = "{\"domain\":" + Quoted(a.domain);
    out += ",\"check\":" + Quoted(a.check);
    out += ",\"verdict\":" + Quoted(a.verdict);
    out += ",\"reason\":" + Quoted(a.reason);
    out += ",\"source\":" + Quoted(a.source);
    out += ",\"http_status\":" + (a.httpStatus > 0 ? QByteArray::number(a.httpStatus) : QByteArray("null"));
    out += ",\"checked_at\":" + Quoted(checks::ledger::IsoWithOffset(a.checkedAt));
    out += ",\"cached\":" + QByteArray(a.cached ? "true" : "false");
    if (a.hasValues) out += ",\"values\":" + QJsonDocument(a.values).toJson(QJsonDocument::Compact);
    out += "}\n";
    return out;
}

QString SummaryLine(const Tally& t) {
    QString line = QStringLiteral("%1 asked, %2 available, %3 unknown, %4 not saved")
                       .arg(t.asked)
                       .arg(t.available)
                       .arg(t.unknown)
                       .arg(t.notSaved);
    if (t.cached) line += QStringLiteral(", %1 from the ledger").arg(t.cached);
    if (t.notAsked) line += QStringLiteral(", %1 not asked (stopped)").arg(t.notAsked);
    return line;
}

}  // namespace ds::cli
