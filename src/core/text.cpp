#include "core/text.h"

#include <QDate>
#include <charconv>
#include <cmath>

namespace ds {

double LeadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    const qsizetype digitsFrom = i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) ++i;
    bool anyDigit = i > digitsFrom;
    if (i < n && text[i] == u'.') {
        const qsizetype frac = i + 1;
        qsizetype j = frac;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) ++j;
        if (j > frac) {
            anyDigit = true;
            i = j;
        } else if (anyDigit) {
            i = frac;
        }
    }
    if (!anyDigit) return 0.0;
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0.0;
}

QString ShortestNumber(double value) {
    if (std::isfinite(value) && std::floor(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, res.ptr - buf);
}

QString SqlEscape(const QString& text) {
    QString out = text;
    out.replace(u'\'', QStringLiteral("''"));
    return out;
}

QString IsoDate(const QDate& date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace ds
