#pragma once
// Turning web answers into text.
#include <QByteArray>
#include <QString>

namespace ds::net {

// Decodes a response body with the named character set ("gb2312"/"GB2312" are code page 936; names are
// not case-sensitive). Invalid bytes become replacement characters; an unknown name throws
// ds::EncodingError.
QString BytesToBstr(const QByteArray& body, const QString& charset);

// UTF-8 bytes to text; malformed sequences become replacement characters, never an error.
QString UTF8_Decode(const QByteArray& bUTF8);

// Repairs text that was UTF-8 but got decoded as code page 936: back to the 8-bit bytes (code page from
// configuration), then decoded as UTF-8.
QString g2u(const QString& str);

}  // namespace ds::net
