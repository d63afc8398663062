#pragma once
// The rules of the domain lists behind the import and export buttons, apart from the window: which
// line of an import file names a domain, how a file's bytes become text, which grid columns each
// export group writes, how a row becomes a line of either export form, and reading and writing the
// files themselves. Qt Core only.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace ds::lists {

// A file that could not be read or written, with the system's own reason.
struct ListFileError : std::runtime_error {
    explicit ListFileError(const QString& why) : std::runtime_error(why.toStdString()), reason(why) {}
    QString reason;
};

// --- Import --------------------------------------------------------------------------------------------

// The domain one line of an import file names, or nothing. A line of 3 characters or fewer names none
// (stray words such as "com" or "www"). Otherwise the name is the text before the first space, the
// whole line when it has none, and only a text holding a "." is taken: a line that starts with a space
// names nothing even when a domain follows, and a note after the name is dropped. A name that could
// not be a domain is not taken either: longer than kMaxDomainChars, or holding a NUL or another control
// character (a tab included). Such "names" come from files that are no lists, and one 50 MB "name"
// made every repaint of the grid take 47 s.
std::optional<QString> ImportedDomain(QStringView line);

// The longest name DNS allows.
inline constexpr qsizetype kMaxDomainChars = 253;

// Walks the lines of a text without copying it. A line ends at LF, CR LF or a lone CR (the line end of
// old Mac files, which the 8-bit platform's line reader also honoured); a line end at the very end of
// the text does not begin another, empty, line.
class LineCursor {
public:
    explicit LineCursor(QStringView text) : text_(text) {}
    // The next line without its end; false once every line has been given.
    bool next(QStringView& line);

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

// The text of an import file. A UTF-16 byte-order mark (Notepad's "Unicode") means UTF-16, and so does
// UTF-16 without a mark, told by its NULs: in the first kilobytes at least half of the even (UTF-16BE)
// or odd (UTF-16LE) bytes are NUL and at most an eighth as many of the others, which a list's ASCII
// names give and no 8-bit or UTF-8 text does. A UTF-8 byte-order mark, or bytes that are all valid
// UTF-8, mean UTF-8: lists saved by today's editors are UTF-8, and GBK text of any length is almost
// never valid UTF-8 by accident. Anything else is read in the configured 8-bit code page `codePage`
// (GBK by default). Marks are dropped. An unknown code page throws ds::EncodingError.
QString DecodeListFile(const QByteArray& bytes, const QString& codePage);

// Import files larger than this are refused.
inline constexpr qint64 kMaxListFileBytes = qint64(256) << 20;
// Import files are read in pieces of this size, with the caller's pacer called between them.
inline constexpr qint64 kListReadChunkBytes = qint64(4) << 20;

// Called between the pieces of an import file; false abandons the read.
using ReadPacer = std::function<bool()>;

// The whole content of the regular file at `path`, read piece by piece with `pace` called between the
// pieces; nothing when `pace` abandoned the read. Throws ListFileError with the reason for a file that
// cannot be opened or read (missing, unreadable), that is not a regular file (a folder, a FIFO, a
// device: opening one must not wait for a writer, nor reading it go on for ever), or that holds more
// than kMaxListFileBytes, counted as the bytes arrive (what a file says its size is may be wrong).
std::optional<QByteArray> ReadListFile(const QString& path, const ReadPacer& pace);
// The same without pacing.
QByteArray ReadListFile(const QString& path);

// --- Export --------------------------------------------------------------------------------------------

enum class ExportKind { Text, Csv };

// The comma form is chosen only when the text after the last "." of the whole path, lower-cased, is
// "csv". The whole path is looked at, so "a.b/domain" (a dotted folder, a file without extension) is
// the text form, as is "x.csv/domain".
ExportKind ExportKindFromPath(const QString& path);

// Export groups louttext(0..3): "域名", "注册状态", "备案信息", "收录信息".
inline constexpr int ExportGroupCount = 4;
// The grid columns written for the ticked groups, in group order and within a group in column order.
std::vector<int> ExportColumns(const std::array<bool, ExportGroupCount>& ticked);

// Every line of an export file ends so, in both forms.
inline constexpr char16_t ExportLineEnd[] = u"\r\n";

// The text form: every value preceded by eight spaces, then spaces (only spaces) cut from both ends of
// the line. An empty value therefore leaves sixteen spaces between its neighbours, and empty values at
// either end vanish. A line break inside a value (CR LF, CR or LF) is written as one space, so that a
// row stays one line of the file; values are otherwise written unchanged.
QString TextLine(const QStringList& values);

// One field of the comma form (RFC 4180). A value that starts with "=", "+", "-", "@", a tab or CR gets
// a leading "'": a spreadsheet would run it as a formula ("=HYPERLINK(...)" in a cell that came from a
// web page), and the apostrophe makes it show the text instead. Then a value holding a comma, a double
// quote, CR or LF is put in double quotes with every double quote doubled; any other value goes as it is.
QString CsvField(const QString& value);
// The comma form: one field per value joined by commas, so every line of a file has as many fields as
// columns were chosen, empty ones included (no values: an empty line).
QString CsvLine(const QStringList& values);

QString ExportLine(ExportKind kind, const QStringList& values);

// The bytes of an export file. Written in the configured 8-bit code page when it can hold every
// character; otherwise (or when the code page is unknown) the whole file is UTF-8 behind a byte-order
// mark, so that no character is lost or turned into "?" and the reader can still tell the encoding.
struct EncodedFile {
    QByteArray bytes;
    bool utf8 = false;  // the fallback was taken
};
EncodedFile EncodeListFile(const QString& text, const QString& codePage);

// Writes `bytes` to `path` whole or not at all: into a temporary file beside the target that then
// replaces it, so a failure leaves neither a half-written file nor a damaged earlier one. Throws
// ListFileError with the reason (folder missing or not writable, disk full, target is a folder).
void WriteListFile(const QString& path, const QByteArray& bytes);

}  // namespace ds::lists
