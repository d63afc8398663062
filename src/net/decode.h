#pragma once
// Turning web answers into text.
#include <QByteArray>
#include <QString>

namespace ds::net {

// Decodes a response body with the named character set ("gb2312"/"GB2312" are code page 936; names are
// not case-sensitive). Invalid bytes become replacement characters; an unknown name throws
// ds::EncodingError.
QString BytesToBstr(const QByteArray& body, const QString& charset);

// The character set a web page names for itself: the charset parameter of its Content-Type header,
// else a <meta charset> or <meta http-equiv="Content-Type"> in its first 4 KB, else "gb2312" (the
// services this program talks to answer in it without saying so).
QString PageCharset(const QByteArray& contentType, const QByteArray& body);

// A page's bytes as text in the set it names; a set the program does not know reads as GB2312.
QString DecodePage(const QByteArray& contentType, const QByteArray& body);

// UTF-8 bytes to text; malformed sequences become replacement characters, never an error.
QString UTF8_Decode(const QByteArray& bUTF8);

// Repairs text that was UTF-8 but got decoded as code page 936: back to the 8-bit bytes (code page from
// configuration), then decoded as UTF-8.
QString g2u(const QString& str);

}  // namespace ds::net
