#include "startup/address_code.h"

#include <QStringList>
#include <cmath>

#include "core/codepage.h"

namespace ds::startup {

const std::array<FillerField, 9> kFillerFields{{{1, "Dsv31"},
                                                {3, "0x7fA2Lk9q"},
                                                {4, "mQ4zeR81Tc"},
                                                {7, "p2Wn6Hs0Yd"},
                                                {8, "Ku3Ff8jXa"},
                                                {12, "tr5Gv1Zo"},
                                                {13, "Bq9eL4mNs"},
                                                {15, "h7Cw2Rd6P"},
                                                {17, "Xe0kJ5uTq3V"}}};

namespace {

// The character's single-byte code, or -1 when the code page has none (double-byte or unmappable).
int SingleByteCode(QChar ch, const QString& codePage) {
    if (ch.unicode() < 0x80) return ch.unicode();  // every code page we read is ASCII-compatible
    if (ch.isSurrogate()) return -1;
    try {
        const QByteArray bytes = EncodeText(QString(ch), codePage);
        return bytes.size() == 1 ? static_cast<unsigned char>(bytes[0]) : -1;
    } catch (const EncodingError&) {
        return -1;
    }
}

bool FitsInt16(long v) { return v >= -32768 && v <= 32767; }

QString Describe(QChar ch) {
    return QStringLiteral("“%1”(U+%2)").arg(ch).arg(ch.unicode(), 4, 16, QLatin1Char('0'));
}

}  // namespace

QString ScrambleText(const QString& text, const QString& codePage) {
    QString out;
    out.reserve(text.size() * 6);
    for (const QChar ch : text) {
        const int code = SingleByteCode(ch, codePage);
        if (code < 0) throw StartupError(QStringLiteral("溢出：字符 %1 不能保存为地址数据").arg(Describe(ch)));
        const long product = static_cast<long>(kScrambleM) * code;
        const long sum = kScrambleK + product;
        if (!FitsInt16(product) || !FitsInt16(sum))
            throw StartupError(QStringLiteral("溢出：字符 %1 不能保存为地址数据").arg(Describe(ch)));
        out += QString::number(sum);
        out += u' ';
    }
    return out;
}

QString DecodeNumbers(const QString& numbers, const QString& codePage) {
    QString out;
    const QStringList pieces = numbers.split(u' ', Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        bool ok = false;
        const double n = piece.toDouble(&ok);
        if (!ok || !std::isfinite(n))
            throw StartupError(QStringLiteral("地址数据中的“%1”不是数字").arg(piece.left(20)));
        const double c = std::round((n - kScrambleK) / kScrambleM);
        if (c < 0 || c > 255) throw StartupError(QStringLiteral("地址数据中的“%1”不是字符").arg(piece.left(20)));
        const int code = static_cast<int>(c);
        if (code < 0x80) {
            out += QChar(code);
            continue;
        }
        const QString decoded = DecodeBytes(QByteArray(1, static_cast<char>(code)), codePage);
        if (decoded.size() != 1 || decoded[0] == QChar::ReplacementCharacter)
            throw StartupError(QStringLiteral("地址数据中的“%1”不是字符").arg(piece.left(20)));
        out += decoded;
    }
    return out;
}

std::optional<QString> ExtractPayload(const QString& answer) {
    static const QString marker = QStringLiteral("|data|");
    const qsizetype start = answer.indexOf(marker);
    if (start < 0) return std::nullopt;
    const qsizetype from = start + marker.size();
    const qsizetype end = answer.indexOf(marker, from);
    return end < 0 ? answer.mid(from) : answer.mid(from, end - from);
}

bool IsUsablePayload(const QString& payload) {
    return payload.contains(QStringLiteral("provider"), Qt::CaseInsensitive) && payload.contains(u'^');
}

namespace {
QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') ++first;
    while (last > first && text[last - 1] == u' ') --last;
    return text.mid(first, last - first);
}
}  // namespace

QString ChooseVariant(const QString& payload, int index) {
    const QStringList variants = payload.split(u'^');
    if (index < 0 || index >= variants.size()) return {};
    QString chosen = TrimBlanks(variants[index]);
    chosen.remove(QStringLiteral("34_domain"));
    chosen.remove(QStringLiteral("6domain7"));
    return chosen;
}

StoredAddressRecord BuildAddressRecord(const QString& payload, const QString& codePage) {
    StoredAddressRecord record;
    for (const FillerField& f : kFillerFields) record.field(f.field) = QString::fromLatin1(f.text);
    record.field(kNetworkField) = QStringLiteral("dx");
    for (const AddressSegment& s : kAddressSegments) {
        const qsizetype from = s.first - 1;
        const qsizetype length = s.last == 0 ? -1 : s.last - s.first + 1;
        record.field(s.field) = from < payload.size() ? ScrambleText(payload.mid(from, length), codePage) : QString();
    }
    return record;
}

QString JoinedSegments(const StoredAddressRecord& record) {
    QString joined;
    for (const AddressSegment& s : kAddressSegments) joined += record.field(s.field);
    return joined;
}

}  // namespace ds::startup
