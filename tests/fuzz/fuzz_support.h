#pragma once
// Shared pieces of the fuzz programs: the input as bytes and as text, and a loud stop when a property
// of the code under test breaks (libFuzzer keeps the input that did it as a crash artifact).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ds::fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The same bytes read as UTF-8 (invalid sequences become U+FFFD, multi-byte characters reach the code)
// and as Latin-1 (every byte one character, so control bytes and 0x80-0xFF arrive as they are).
inline std::array<QString, 2> Texts(const QByteArray& bytes) {
    return {QString::fromUtf8(bytes), QString::fromLatin1(bytes)};
}

// Fields of a text cut at tab characters, with at least `count` entries (missing ones empty), so one
// input feeds the several arguments of a rule.
inline QStringList Fields(const QString& text, int count) {
    QStringList fields = text.split(u'\t');
    while (fields.size() < count) fields << QString();
    return fields;
}

[[noreturn]] inline void Broken(const char* property, const QString& detail = {}) {
    std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.toUtf8().left(2000).constData());
    std::abort();
}

inline void Expect(bool holds, const char* property, const QString& detail = {}) {
    if (!holds) Broken(property, detail);
}

}  // namespace ds::fuzz
