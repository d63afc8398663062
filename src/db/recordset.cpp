#include "db/recordset.h"

namespace ds::db {
namespace {

DbError ClosedError() {
    return DbError(QStringLiteral("the operation is not allowed on a closed recordset"));
}

}  // namespace

void Recordset::open(const QString& sql, Connection& conn) {
    if (open_) throw DbError(QStringLiteral("the recordset is already open"));
    if (!conn.isOpen()) throw DbError(QStringLiteral("the database connection is not open"));
    table_ = conn.query(sql);
    row_ = 0;
    open_ = true;
}

void Recordset::close() {
    open_ = false;
    table_ = {};
    row_ = 0;
}

qint64 Recordset::recordCount() const {
    if (!open_) throw ClosedError();
    return static_cast<qint64>(table_.rows.size());
}

int Recordset::fieldCount() const {
    if (!open_) throw ClosedError();
    return static_cast<int>(table_.columns.size());
}

QString Recordset::fieldName(int index) const {
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("no field with index %1 in the recordset").arg(index));
    return table_.columns[index];
}

bool Recordset::eof() const {
    if (!open_) throw ClosedError();
    return row_ >= recordCount();
}

bool Recordset::bof() const {
    if (!open_) throw ClosedError();
    return row_ < 0 || table_.rows.empty();
}

void Recordset::moveFirst() {
    if (!open_) throw ClosedError();
    row_ = 0;
}

void Recordset::moveNext() {
    if (!eof()) ++row_;
}

void Recordset::movePrevious() {
    if (!bof()) --row_;
}

void Recordset::moveLast() {
    if (!open_) throw ClosedError();
    row_ = table_.rows.empty() ? 0 : recordCount() - 1;
}

qint64 Recordset::absolutePosition() const {
    if (bof() || eof()) return 0;
    return row_ + 1;
}

void Recordset::setAbsolutePosition(qint64 row1) {
    if (row1 < 1 || row1 > recordCount())
        throw DbError(QStringLiteral("row %1 is outside the recordset (%2 rows)").arg(row1).arg(recordCount()));
    row_ = row1 - 1;
}

void Recordset::setPageSize(int size) {
    if (size < 1) throw DbError(QStringLiteral("the page size must be at least 1, not %1").arg(size));
    pageSize_ = size;
}

qint64 Recordset::pageCount() const {
    return (recordCount() + pageSize_ - 1) / pageSize_;
}

qint64 Recordset::absolutePage() const {
    if (bof() || eof()) return 0;
    return row_ / pageSize_ + 1;
}

void Recordset::setAbsolutePage(qint64 page) {
    if (page < 1 || page > pageCount())
        throw DbError(QStringLiteral("page %1 is outside the recordset (%2 pages)").arg(page).arg(pageCount()));
    row_ = (page - 1) * pageSize_;
}

int Recordset::fieldIndex(const QString& name) const {
    if (!open_) throw ClosedError();
    for (int i = 0; i < table_.columns.size(); ++i)
        if (table_.columns[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QVariant Recordset::value(int index) const {
    if (bof() || eof()) throw DbError(QStringLiteral("either BOF or EOF is true: there is no current row"));
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("no field with index %1 in the recordset").arg(index));
    return table_.rows[static_cast<size_t>(row_)][static_cast<size_t>(index)];
}

QVariant Recordset::value(const QString& name) const {
    const int index = fieldIndex(name);
    if (index < 0) throw DbError(QStringLiteral("no field named %1 in the recordset").arg(name));
    return value(index);
}

}  // namespace ds::db
