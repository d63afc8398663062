#include "lists/list_format.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "core/codepage.h"
#include "search/domain_row.h"

namespace ds::lists {

namespace col = search::col;

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// Cuts spaces, and only spaces, from both ends: a tab or other blank inside a value at the start or end
// of the line belongs to the value.
QString TrimSpaces(const QString& text) {
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text[from] == u' ') ++from;
    while (to > from && text[to - 1] == u' ') --to;
    return text.mid(from, to - from);
}

}  // namespace

std::optional<QString> ImportedDomain(QStringView line) {
    if (line.size() <= 3) return std::nullopt;
    const qsizetype space = line.indexOf(u' ');
    const QStringView name = space < 0 ? line : line.left(space);
    if (!name.contains(u'.')) return std::nullopt;
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

QString DecodeListFile(const QByteArray& bytes, const QString& codePage) {
    // The decoder skips a leading byte-order mark by default.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError() || bytes.startsWith(kUtf8Bom)) return text;
    return DecodeBytes(bytes, codePage);
}

QByteArray ReadListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw ListFileError(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw ListFileError(file.errorString());
    return bytes;
}

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

QString TextLine(const QStringList& values) {
    QString line;
    for (const QString& v : values) line += QStringLiteral("        ") + v;
    return TrimSpaces(line);
}

QString CsvField(const QString& value) {
    bool quote = false;
    for (const QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    }
    if (!quote) return value;
    QString field = value;
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

QString CsvLine(const QStringList& values) {
    QString line;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) line += u',';
        line += CsvField(values[i]);
    }
    return line;
}

QString ExportLine(ExportKind kind, const QStringList& values) {
    return kind == ExportKind::Csv ? CsvLine(values) : TextLine(values);
}

EncodedFile EncodeListFile(const QString& text, const QString& codePage) {
    try {
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
