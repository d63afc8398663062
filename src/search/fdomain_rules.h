#pragma once
// Value rules of the main window that need no widgets: the result grid's columns and their groups,
// the repairs of the edit boxes `lmaxnum`, `lsetrow` and `lnewrowset`, and what the searches accept
// from their text boxes.
#include <QString>
#include <array>
#include <span>

namespace ds::search {

struct GridColumn {
    const char16_t* header;
    int width;             // at load; 0 hides the column
    bool numeric = false;  // holds numbers, drawn right-aligned
};

inline constexpr int GridColumnCount = 21;

// Header texts and load-time widths of grid1's columns 0..20.
const std::array<GridColumn, GridColumnCount>& GridColumns();

struct ColumnWidth {
    int col;
    int width;
};

inline constexpr int ColumnGroupCount = 3;

// The columns that `lshowset(index)` shows or hides, with the widths they get back when shown:
// 0 "备案信息", 1 "注册信息", 2 "收录信息". An unknown index gives an empty group.
std::span<const ColumnWidth> ColumnGroup(int index);

// `lmaxnum`: the row limit of a search. A value below 1 (no digits included) becomes "2000"; any
// other text stays as typed.
QString RepairRowLimit(const QString& text);

// `lsetrow`: rows per page. A value below 1 becomes "20"; the page size is the value rounded to the
// nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4), and held within a 32-bit count.
struct RowsPerPageValue {
    QString text;
    int rowsPerPage;
};
RowsPerPageValue RepairRowsPerPage(const QString& text);

// `lnewrowset`: how many empty rows one click appends, clamped to 1..1000 and written back as a number.
QString ClampNewRowCount(const QString& text);

// Text read from a box the searches use, without NUL characters. The engines' C interfaces end a
// statement at a NUL, so one inside a keyword would cut off the rest of the filter (or leave a
// string literal open) instead of searching for the visible text.
QString WithoutNul(const QString& text);

// The longest keyword (`lfind`, `slfind`) a search accepts, counted in characters as the box shows
// them (NULs aside, spaces included). No domain name is longer than 253 characters, so a longer
// keyword can only be a paste gone wrong, and it would go whole into a LIKE pattern.
inline constexpr int MaxKeywordLength = 200;
inline constexpr char16_t KeywordTooLongText[] = u"检索关键字过长，最多 200 个字符";

// True when `typed` is longer than MaxKeywordLength characters; a character outside the basic plane
// (two UTF-16 units) counts once.
bool KeywordTooLong(const QString& typed);

// The about box: the program, its version and the database it works on. `connectionText` is the
// connection text of the open database (empty: none); passwords in it are never shown.
QString AboutText(const QString& version, const QString& connectionText);
// The database part of it: "SQLite 数据库文件 <path>", "SQL Server <host>，数据库 <name>", or "未连接".
QString DatabaseInUse(const QString& connectionText);

inline constexpr char16_t RestoreDefaultsQuestion[] =
    u"两个检索页的选项、显示项目、最多显示、每页显示、导出项目和窗口大小都将恢复为默认值。是否继续？";

}  // namespace ds::search
