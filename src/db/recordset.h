#pragma once
// A static, read-only, scrollable snapshot of a statement's answer: the row count is known, rows are
// reached by position or in pages of a set size, and NULL stays distinct from empty text.
#include <QString>
#include <QVariant>

#include "db/connection.h"

namespace ds::db {

class Recordset {
public:
    enum State { StateClosed = 0, StateOpen = 1 };

    // Runs `sql` on `conn` and keeps its whole answer. Throws DbError; the recordset stays closed then.
    // Opening an open recordset throws (callers close first: the opening rule).
    void open(const QString& sql, Connection& conn);
    void close();
    int state() const { return open_ ? StateOpen : StateClosed; }

    qint64 recordCount() const;      // rows in the answer
    int fieldCount() const;
    QString fieldName(int index) const;

    // Cursor.
    bool eof() const;                // past the last row (also when there are no rows)
    bool bof() const;
    void moveFirst();
    void moveNext();                 // stays put at eof
    void movePrevious();             // stays put at bof
    void moveLast();
    qint64 absolutePosition() const; // 1-based row of the cursor; 0 when eof/bof
    void setAbsolutePosition(qint64 row1);

    // Paging: pages of pageSize rows (default 10). absolutePage is 1-based; setting it moves the cursor
    // to the first row of that page. pageCount = ceil(recordCount / pageSize).
    int pageSize() const { return pageSize_; }
    void setPageSize(int size);
    qint64 pageCount() const;
    qint64 absolutePage() const;
    void setAbsolutePage(qint64 page);

    // Field values of the current row. Invalid QVariant = NULL. A name that is not a column throws DbError.
    QVariant value(int index) const;
    QVariant value(const QString& name) const;
    // Text of a field, NULL read as empty text.
    QString text(const QString& name) const { return value(name).toString(); }
    int fieldIndex(const QString& name) const;  // -1 when absent (case-insensitive)

private:
    bool open_ = false;
    ResultTable table_;
    qint64 row_ = 0;  // 0-based cursor; == size() means eof, -1 means bof
    int pageSize_ = 10;
};

}  // namespace ds::db
