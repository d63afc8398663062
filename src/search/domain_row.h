#pragma once
// One data row of the result grid (`DomainRow`): twenty text cells at fixed column numbers (column 0
// is the row-header column), built from one database row of ldomainreg/ldomainhis.
#include <QDate>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>

namespace ds::search {

// Column numbers of the grid, shared by every part that reads or writes grid rows.
namespace col {
inline constexpr int Selected = 1;
inline constexpr int Number = 2;
inline constexpr int Domain = 3;
inline constexpr int Status = 4;
inline constexpr int Price = 5;
inline constexpr int FilingNumber = 6;
inline constexpr int HolderKind = 7;
inline constexpr int FilingDate = 8;
inline constexpr int SiteName = 9;
inline constexpr int Id = 10;
inline constexpr int Registered = 13;
inline constexpr int Expires = 14;
inline constexpr int Deleted = 15;
inline constexpr int Remaining = 16;
inline constexpr int PageRank = 17;
inline constexpr int BaiduIndexed = 18;
inline constexpr int BaiduLinks = 19;
inline constexpr int AlexaRank = 20;
inline constexpr int Count = 21;  // columns 0..20
}  // namespace col

// Colour attributes (0x00BBGGRR) the loader puts on the status and price cells.
inline constexpr uint32_t kMarkColor = 255;  // pure red
// "将过期" in the blue its search option is captioned in. (55 would be RGB(55,0,0), which nobody tells
// from black.)
inline constexpr uint32_t kExpiringColor = 0xCC0000;

struct DomainRow {
    std::array<QString, col::Count> cells;
    std::array<uint32_t, col::Count> colors{};
};

// The field values of one database row, as the recordset gives them (invalid QVariant = NULL).
struct DomainRecord {
    QVariant lid, lallname, lextend, lregtime, louttime, ldeltime, lback, lbackhostkind, lbacktime,
        lbackname, lgooglepr, lbaidudomain, lbaidusite, lalexa;
};

// Remaining days and status derived from the deletion-date cell.
struct Remaining {
    QString remaining;  // "<d>天", "已过期" or empty
    QString status;     // "将过期" or "未注册"
};

// A deletion-date text that reads as a date: d = days from `today` to it. d > 0 gives "<d>天" and
// "将过期"; otherwise "已过期" and "未注册". An empty text gives an empty remaining cell and "未注册" (the
// row is free as far as anyone knows). A text that is there but reads as no date gives an empty
// remaining cell and "不详": calling such a row free would be a guess.
Remaining RemainingFromDeletionDate(const QString& deletionDateText, const QDate& today);

// Reads a date from a stored value: a QDate/QDateTime, or text in "YYYY-MM-DD" form that may carry a
// time part ("YYYY-MM-DD hh:mm:ss", "YYYY-MM-DDThh:mm:ss"), or "YYYY/M/D". Invalid when it is none.
QDate DateFromValue(const QVariant& value);

// Cell text of a stored value: NULL gives empty text, whole numbers are written without decimals.
QString CellText(const QVariant& value);
// Cell text of a stored date: "YYYY-MM-DD", the time part dropped; NULL gives empty text; a value that
// is not a date is shown as it comes.
QString DateCellText(const QVariant& value);

// The grid row for record `rec` shown as row `number` of the result (numbers count on across pages),
// with the extension's price text (empty when the extension has none).
DomainRow BuildDomainRow(const DomainRecord& rec, int number, const QDate& today, const QString& price);

}  // namespace ds::search
