#pragma once
// The five selection commands of the combo box `lsel`: which rows of the result grid get their
// selection mark (column 1) set. Run when the user picks an entry and again after every grid load and
// every live check, so a freshly loaded page is marked by the rule the user last chose.
#include <QString>
#include <QStringList>

namespace ds::search {

enum SelectionCommand {
    SelectAll = 0,
    SelectNone = 1,
    SelectUnregistered = 2,
    SelectExpiring = 3,
    SelectFiled = 4,
};
inline constexpr int SelectionCommandCount = 5;

// The entries of `lsel` as markup captions, in index order.
QStringList SelectionEntries();

// The cells of one grid row a command looks at.
struct SelectionRow {
    QString domain;        // column 3
    QString status;        // column 4
    QString filingNumber;  // column 6
};

bool IsSelectionCommand(int command);

// The selection mark ("1" or "0") that `command` gives `row`; empty text when `command` is not one of
// the five (no entry chosen), meaning the mark stays as it is.
QString SelectionMark(int command, const SelectionRow& row);

}  // namespace ds::search
