#pragma once
// Rules of the result grid that need no widgets: how cells compare when a column is sorted, and the
// text a copy puts on the clipboard.
#include <QString>
#include <QStringList>
#include <Qt>
#include <vector>

namespace ds::ui {

// A cell's text as a sort sees it. Numbers (with a unit written after them, as in "12天") compare by
// value and dates ("YYYY-MM-DD", "YYYY/M/D", a time part allowed) by day; other text by its letters.
// Empty cells come last whichever way the column is sorted, so a reversed column still starts with
// rows that say something.
struct SortKey {
    enum Kind { Number, Date, Text, Empty };
    Kind kind = Empty;
    double number = 0;  // the value, or the day number of a date
    QString text;
};
SortKey SortKeyOf(const QString& cell);

// Negative, 0 or positive as `a` sorts before, with or after `b` in `order`.
int CompareSortKeys(const SortKey& a, const SortKey& b, Qt::SortOrder order);

// The new order of `cells` (one text per row) for `order`: positions into `cells`. Rows that compare
// equal keep their order, so sorting by a second column keeps the first sort within its ties.
std::vector<int> SortedOrder(const QStringList& cells, Qt::SortOrder order);

// Lines of cells as a spreadsheet takes them from the clipboard: cells separated by a tab, each line
// ended by CR LF. Tabs and line breaks inside a cell become spaces, or they would split it.
QString TabSeparated(const std::vector<QStringList>& lines);

}  // namespace ds::ui
