#include "core/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace ds {
namespace {

class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

QString CanonicalCharset(const QString& label) {
    const QString l = label.trimmed().toLower();
    if (l == u"gb2312" || l == u"gbk" || l == u"cp936" || l == u"936" || l == u"gb_2312-80")
        return QStringLiteral("CP936");
    if (l == u"utf-8" || l == u"utf8") return QStringLiteral("UTF-8");
    return l.toUpper();
}

QString DecodeBytes(const QByteArray& bytes, const QString& charset) {
    const QByteArray from = CanonicalCharset(charset).toLatin1();
    if (from == "UTF-8") return QString::fromUtf8(bytes);
    Iconv cd("UTF-8", from.constData());
    if (!cd.ok()) throw EncodingError("unknown character set: " + charset.toStdString());

    std::string out;
    out.reserve(static_cast<size_t>(bytes.size()) * 3 / 2 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd.get(), &in, &inLeft, &o, &oLeft);
        out.append(buf, static_cast<size_t>(o - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // An invalid or truncated sequence: one replacement character, then go on after the byte.
            out.append("\xEF\xBF\xBD");
            ++in;
            --inLeft;
            iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

QByteArray EncodeText(const QString& text, const QString& charset) {
    const QByteArray to = CanonicalCharset(charset).toLatin1();
    const QByteArray utf8 = text.toUtf8();
    if (to == "UTF-8") return utf8;
    Iconv cd(to.constData(), "UTF-8");
    if (!cd.ok()) throw EncodingError("unknown character set: " + charset.toStdString());

    QByteArray out;
    char* in = const_cast<char*>(utf8.constData());
    size_t inLeft = static_cast<size_t>(utf8.size());
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd.get(), &in, &inLeft, &o, &oLeft);
        out.append(buf, o - buf);
        if (r == static_cast<size_t>(-1) && errno != E2BIG)
            throw EncodingError("text cannot be written in " + charset.toStdString());
    }
    char* o = buf;
    size_t oLeft = sizeof buf;
    iconv(cd.get(), nullptr, nullptr, &o, &oLeft);
    out.append(buf, o - buf);
    return out;
}

}  // namespace ds
