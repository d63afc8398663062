#pragma once
// Conversions between program text and byte encodings (web answers, local 8-bit files).
#include <QByteArray>
#include <QString>
#include <stdexcept>

namespace ds {

struct EncodingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Canonical iconv name for a character-set label: gb2312/gbk/cp936/936 -> "CP936" (GBK with the euro
// sign at 0x80), utf-8/utf8 -> "UTF-8"; anything else is passed through upper-cased.
QString CanonicalCharset(const QString& label);

// Decodes bytes. Invalid bytes become U+FFFD; an unknown character set throws EncodingError.
QString DecodeBytes(const QByteArray& bytes, const QString& charset);

// Encodes text. A character the set cannot hold throws EncodingError (never a silent "?").
QByteArray EncodeText(const QString& text, const QString& charset);

}  // namespace ds
