#include "net/decode.h"

#include "core/codepage.h"
#include "core/config.h"

namespace ds::net {

QString BytesToBstr(const QByteArray& body, const QString& charset) {
    // iconv reads an empty name as "the locale's set" and "//" suffixes as conversion modes; neither
    // is a character-set name a caller could mean.
    if (charset.trimmed().isEmpty() || charset.contains(u'/'))
        throw EncodingError("unknown character set: " + charset.toStdString());
    return DecodeBytes(body, charset);
}

QString UTF8_Decode(const QByteArray& bUTF8) {
    if (bUTF8.isEmpty()) return {};
    return QString::fromUtf8(bUTF8);
}

QString g2u(const QString& str) {
    const QString codePage = config().codePage;
    QByteArray bytes;
    try {
        bytes = EncodeText(str, codePage);
    } catch (const EncodingError&) {
        // Some characters have no code in the code page (U+FFFD left by the first decoding, or text
        // that never went through it). Those cannot have come from misread bytes, so they travel as
        // their own UTF-8 bytes and come out unchanged; the rest is repaired as usual.
        bytes.clear();
        for (qsizetype i = 0; i < str.size();) {
            const qsizetype width = (str.at(i).isHighSurrogate() && i + 1 < str.size()) ? 2 : 1;
            const QString one = str.mid(i, width);
            try {
                bytes += EncodeText(one, codePage);
            } catch (const EncodingError&) {
                bytes += one.toUtf8();
            }
            i += width;
        }
    }
    return UTF8_Decode(bytes);
}

}  // namespace ds::net
