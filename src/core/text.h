#pragma once
// Small text helpers shared by every subsystem.
#include <QDate>
#include <QString>

namespace ds {

// The leading numeric part of a text, the way numbers are read from edit boxes: leading blanks are
// skipped, then an optional sign, digits and an optional decimal part. No digits gives 0.
double LeadingNumber(const QString& text);

// Shortest decimal text of a number as it goes into a statement: 5 -> "5", 0.5 -> "0.5",
// 99999999999 -> "99999999999" (no exponent for whole numbers up to 1e15).
QString ShortestNumber(double value);

// Doubles every single quote so that text can sit inside a SQL string literal ('...').
QString SqlEscape(const QString& text);

// "YYYY-MM-DD", the date form of statements and grid cells.
QString IsoDate(const QDate& date);

}  // namespace ds
