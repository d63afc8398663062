// Code pages: web answers decoded by the set they name (GB2312 by default), UTF-8 answers, the repair
// of UTF-8 read as GBK, and local-file text encoded into and decoded from the 8-bit code page.
//
// Input: bytes; its first line is also read as a page's Content-Type header and, up to 24 bytes, as a
// character-set label, since pages name their own set and iconv must refuse names it does not know
// rather than misbehave.
#include "core/codepage.h"
#include "fuzz_support.h"
#include "net/decode.h"

using namespace ds;

namespace {

const QString kGbk = QStringLiteral("GBK");

// Text decoded from the code page without replacement characters goes back to bytes that decode to it.
void RoundTrip(const QString& text, const char* property) {
    if (text.contains(QChar::ReplacementCharacter)) return;
    QByteArray bytes;
    try {
        bytes = EncodeText(text, kGbk);
    } catch (const EncodingError&) {
        ds::fuzz::Broken(property, text);
    }
    ds::fuzz::Expect(DecodeBytes(bytes, kGbk) == text, property, text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = fuzz::Bytes(data, size);

    const QString page = net::BytesToBstr(bytes, QStringLiteral("gb2312"));
    RoundTrip(page, "GB2312 text without replacements encodes back");
    ds::fuzz::Expect(net::UTF8_Decode(bytes) == QString::fromUtf8(bytes), "UTF8_Decode is UTF-8");

    // A page with its first line as the Content-Type header: whatever set it names, it is read.
    const qsizetype lineEnd = bytes.indexOf('\n');
    const QByteArray contentType = lineEnd < 0 ? QByteArray() : bytes.left(lineEnd);
    const QByteArray body = bytes.mid(lineEnd + 1);
    ds::fuzz::Expect(!net::PageCharset(contentType, body).isEmpty(), "a page always has a character set");
    try {
        (void)net::DecodePage(contentType, body);
    } catch (const EncodingError&) {
        ds::fuzz::Broken("a page always decodes", net::PageCharset(contentType, body));
    }

    if (lineEnd > 0 && lineEnd <= 24) {
        const QString label = QString::fromLatin1(contentType);
        try {
            (void)net::BytesToBstr(body, label);
        } catch (const EncodingError&) {
        }
        try {
            (void)EncodeText(QString::fromUtf8(body), label);
        } catch (const EncodingError&) {
        }
    }

    for (const QString& text : fuzz::Texts(bytes)) {
        (void)net::g2u(text);
        try {
            const QByteArray local = EncodeText(text, kGbk);
            ds::fuzz::Expect(DecodeBytes(local, kGbk) == text, "text the code page holds reads back the same", text);
        } catch (const EncodingError&) {
        }
    }
    // The repair undoes exactly the misreading it is for.
    const QString utf8 = QString::fromUtf8(bytes);
    if (!utf8.contains(QChar::ReplacementCharacter)) {
        const QString misread = DecodeBytes(bytes, kGbk);
        if (!misread.contains(QChar::ReplacementCharacter))
            ds::fuzz::Expect(net::g2u(misread) == utf8, "g2u repairs UTF-8 read as GBK", utf8);
    }
    return 0;
}
