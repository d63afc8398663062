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

namespace ds::net {
namespace {

// The value after "charset=" up to the next quote, semicolon, blank or '>'.
QString CharsetParameter(const QByteArray& text) {
    const qsizetype at = text.toLower().indexOf("charset=");
    if (at < 0) return {};
    qsizetype from = at + 8;
    while (from < text.size() && (text[from] == '"' || text[from] == '\'' || text[from] == ' ')) ++from;
    qsizetype to = from;
    while (to < text.size() && !QByteArrayView("\"'; >/\r\n\t").contains(text[to])) ++to;
    return QString::fromLatin1(text.mid(from, to - from));
}

}  // namespace

QString PageCharset(const QByteArray& contentType, const QByteArray& body) {
    QString named = CharsetParameter(contentType);
    if (named.isEmpty()) {
        const QByteArray head = body.left(4096);
        // Only inside a meta tag: the words may occur anywhere in the text of a page.
        for (qsizetype at = head.toLower().indexOf("<meta"); at >= 0 && named.isEmpty();
             at = head.toLower().indexOf("<meta", at + 5)) {
            const qsizetype end = head.indexOf('>', at);
            named = CharsetParameter(head.mid(at, end < 0 ? -1 : end - at + 1));
        }
    }
    return named.isEmpty() ? QStringLiteral("gb2312") : named.toLower();
}

QString DecodePage(const QByteArray& contentType, const QByteArray& body) {
    try {
        return BytesToBstr(body, PageCharset(contentType, body));
    } catch (const EncodingError&) {
        return BytesToBstr(body, QStringLiteral("gb2312"));
    }
}

}  // namespace ds::net
