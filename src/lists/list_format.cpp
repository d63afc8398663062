#include "lists/list_format.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/codepage.h"
#include "search/domain_row.h"

namespace ds::lists {

namespace col = search::col;

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Cuts spaces, and only spaces, from both ends: a tab or other blank inside a value at the start or end
// of the line belongs to the value.
void TrimSpaces(QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == u' ') ++from;
    while (to > from && text[to - 1] == u' ') --to;
    text.truncate(to);
    text.remove(0, from);
}

}  // namespace

std::optional<QString> ImportedDomain(QStringView line) {
    if (line.size() <= 3) return std::nullopt;
    const qsizetype space = line.indexOf(u' ');
    const QStringView name = space < 0 ? line : line.left(space);
    if (name.size() > kMaxDomainChars || !name.contains(u'.')) return std::nullopt;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control) return std::nullopt;
    return name.toString();
}

bool LineCursor::next(QStringView& line) {
    const qsizetype size = text_.size();
    if (pos_ >= size) return false;
    qsizetype end = pos_;
    while (end < size && text_[end] != u'\n' && text_[end] != u'\r') ++end;
    line = text_.sliced(pos_, end - pos_);
    const bool crlf = end + 1 < size && text_[end] == u'\r' && text_[end + 1] == u'\n';
    pos_ = end + (crlf ? 2 : 1);
    return true;
}

namespace {

// UTF-16 without a byte-order mark, by where its NULs stand (see DecodeListFile), or nothing.
std::optional<QStringDecoder::Encoding> Utf16ByNuls(const QByteArray& bytes) {
    const qsizetype sample = std::min<qsizetype>(bytes.size(), 4096) & ~qsizetype(1);
    const qsizetype pairs = sample / 2;
    if (pairs == 0) return std::nullopt;
    qsizetype evenNuls = 0, oddNuls = 0;
    for (qsizetype i = 0; i < sample; i += 2) {
        evenNuls += bytes[i] == 0;
        oddNuls += bytes[i + 1] == 0;
    }
    if (oddNuls * 2 >= pairs && evenNuls * 8 <= oddNuls) return QStringDecoder::Utf16LE;
    if (evenNuls * 2 >= pairs && oddNuls * 8 <= evenNuls) return QStringDecoder::Utf16BE;
    return std::nullopt;
}

}  // namespace

QString DecodeListFile(const QByteArray& bytes, const QString& codePage) {
    // The decoders skip a leading byte-order mark by default.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        return utf16.decode(bytes);
    }
    if (const std::optional<QStringDecoder::Encoding> utf16 = Utf16ByNuls(bytes)) {
        QStringDecoder decoder(*utf16, QStringDecoder::Flag::Stateless);
        return decoder.decode(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError() || bytes.startsWith(kUtf8Bom)) return text;
    return DecodeBytes(bytes, codePage);
}

namespace {

QString TooLargeReason() {
    return QStringLiteral("文件过大（超过 %1 MB），不是域名列表").arg(kMaxListFileBytes >> 20);
}

// Closes a descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::optional<QByteArray> ReadListFile(const QString& path, const ReadPacer& pace) {
    // Opened without waiting: a FIFO opened the usual way blocks until some program writes to it, and
    // the window with it. What was opened is then looked at, not what the name pointed to before.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) throw ListFileError(qt_error_string(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) throw ListFileError(qt_error_string(errno));
    if (S_ISDIR(info.st_mode)) throw ListFileError(qt_error_string(EISDIR));
    if (!S_ISREG(info.st_mode)) throw ListFileError(QStringLiteral("不是普通文件（管道、设备等），不能作为域名列表导入"));
    // A list is a few megabytes; a file picked by mistake (a disk image, a video) must not take the
    // program's memory. The size told is only a first answer: the count below is what holds.
    if (info.st_size > kMaxListFileBytes) throw ListFileError(TooLargeReason());

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(info.st_size) + 1);
    QByteArray chunk(kListReadChunkBytes, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk.data(), static_cast<size_t>(chunk.size()));
        if (got < 0) {
            if (errno == EINTR) continue;
            throw ListFileError(qt_error_string(errno));
        }
        if (got == 0) break;
        if (bytes.size() + got > kMaxListFileBytes) throw ListFileError(TooLargeReason());
        bytes.append(chunk.constData(), got);
        if (pace && !pace()) return std::nullopt;
    }
    return bytes;
}

QByteArray ReadListFile(const QString& path) { return *ReadListFile(path, {}); }

ExportKind ExportKindFromPath(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0) return ExportKind::Text;
    return path.sliced(dot + 1).toLower() == u"csv" ? ExportKind::Csv : ExportKind::Text;
}

std::vector<int> ExportColumns(const std::array<bool, ExportGroupCount>& ticked) {
    static const std::array<std::vector<int>, ExportGroupCount> groups = {{
        {col::Domain},
        {col::Status, col::Registered, col::Expires},
        {col::FilingNumber, col::HolderKind, col::FilingDate, col::SiteName},
        {col::PageRank, col::BaiduIndexed, col::BaiduLinks, col::AlexaRank},
    }};
    std::vector<int> columns;
    for (int g = 0; g < ExportGroupCount; ++g)
        if (ticked[g]) columns.insert(columns.end(), groups[g].begin(), groups[g].end());
    return columns;
}

// Lines are built with their whole length reserved: appending piece by piece to a QString grows it by
// exactly what is added each time, a reallocation per value.
QString TextLine(const QStringList& values) {
    static const QString separator(8, u' ');
    qsizetype size = 0;
    for (const QString& v : values) size += separator.size() + v.size();
    QString line;
    line.reserve(size);
    for (const QString& v : values) {
        line.append(separator);
        // A line break inside a cell (an edited cell, a site name from a page) would end the row in the
        // middle, and the file would not read back as the rows it was written from.
        if (v.contains(u'\r') || v.contains(u'\n')) {
            QString oneLine = v;
            oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
            line.append(oneLine);
        } else {
            line.append(v);
        }
    }
    TrimSpaces(line);
    return line;
}

QString CsvField(const QString& value) {
    const bool formula = !value.isEmpty() && (value[0] == u'=' || value[0] == u'+' || value[0] == u'-' ||
                                              value[0] == u'@' || value[0] == u'\t' || value[0] == u'\r');
    bool quote = false;
    for (const QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    }
    if (!quote) return formula ? u'\'' + value : value;
    QString field = formula ? u'\'' + value : value;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QString CsvLine(const QStringList& values) {
    qsizetype size = values.size();
    for (const QString& v : values) size += v.size() + 2;
    QString line;
    line.reserve(size);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) line.append(u',');
        line.append(CsvField(values[i]));
    }
    return line;
}

QString ExportLine(ExportKind kind, const QStringList& values) {
    return kind == ExportKind::Csv ? CsvLine(values) : TextLine(values);
}

namespace {

// The converter costs some 25 ns a character, and an export is mostly ASCII (names, dates, numbers,
// eight-space separators): 100,000 rows took 0.4 s in it. Characters below 0x80 are the same bytes in
// an ASCII-based page, so only the runs of other characters are converted, all in one call, joined by
// line feeds (which no multi-byte character of such a page contains). Nothing when the page is not
// ASCII-based or the pieces do not come back one for one: the caller converts the whole text then.
std::optional<QByteArray> EncodeNonAsciiRuns(const QString& text, const QString& codePage) {
    QString ascii;
    for (char16_t c = 1; c < 0x80; ++c) ascii += QChar(c);
    if (EncodeText(ascii, codePage) != ascii.toLatin1()) return std::nullopt;

    const QChar* const begin = text.constData();
    const QChar* const end = begin + text.size();
    QString joined;
    qsizetype runs = 0;
    for (const QChar* c = begin; c < end;) {
        if (c->unicode() < 0x80) {
            ++c;
            continue;
        }
        const QChar* from = c;
        while (c < end && c->unicode() >= 0x80) ++c;
        if (runs++ > 0) joined += u'\n';
        joined.append(from, c - from);
    }
    if (runs == 0) return text.toLatin1();
    const QByteArray converted = EncodeText(joined, codePage);
    if (converted.count('\n') != runs - 1) return std::nullopt;

    // Each run's bytes take the place of its characters; the text is walked again without allocating.
    QByteArray out(text.size() - joined.size() + converted.size(), Qt::Uninitialized);
    char* to = out.data();
    const char* piece = converted.constData();
    const char* const piecesEnd = piece + converted.size();
    for (const QChar* c = begin; c < end;) {
        if (c->unicode() < 0x80) {
            *to++ = static_cast<char>(c->unicode());
            ++c;
            continue;
        }
        while (c < end && c->unicode() >= 0x80) ++c;
        while (piece < piecesEnd && *piece != '\n') *to++ = *piece++;
        ++piece;  // the separator
    }
    out.truncate(to - out.constData());
    return out;
}

}  // namespace

EncodedFile EncodeListFile(const QString& text, const QString& codePage) {
    try {
        if (std::optional<QByteArray> bytes = EncodeNonAsciiRuns(text, codePage)) return {std::move(*bytes), false};
        return {EncodeText(text, codePage), false};
    } catch (const EncodingError&) {
        // Falls through to the form that holds every character.
    }
    return {QByteArray(kUtf8Bom) + text.toUtf8(), true};
}

void WriteListFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw ListFileError(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw ListFileError(why);
    }
    if (!file.commit()) throw ListFileError(file.errorString());
}

}  // namespace ds::lists
