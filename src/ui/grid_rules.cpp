#include "ui/grid_rules.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <numeric>

namespace ds::ui {

SortKey SortKeyOf(const QString& cell) {
    // A unit after the number may be any text without ASCII in it ("12天", "3 个"); anything ASCII
    // after the digits ("123.com", "1,234", "2a") makes the cell text, so domain names sort as names.
    static const QRegularExpression number(QStringLiteral(R"(^[+-]?(?:\d+(?:\.\d+)?|\.\d+)(?=\s*[^\x00-\x7F]*$))"));
    static const QRegularExpression date(QStringLiteral(R"(^(\d{4})[-/](\d{1,2})[-/](\d{1,2})(?:[ T].*)?$)"));

    SortKey key;
    const QString text = cell.trimmed();
    if (text.isEmpty()) return key;
    if (const QRegularExpressionMatch m = date.match(text); m.hasMatch()) {
        const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (d.isValid()) {
            key.kind = SortKey::Date;
            key.number = static_cast<double>(d.toJulianDay());
            return key;
        }
    }
    if (const QRegularExpressionMatch m = number.match(text); m.hasMatch()) {
        bool ok = false;
        const double value = m.captured(0).toDouble(&ok);
        if (ok) {
            key.kind = SortKey::Number;
            key.number = value;
            return key;
        }
    }
    key.kind = SortKey::Text;
    key.text = text;
    return key;
}

int CompareSortKeys(const SortKey& a, const SortKey& b, Qt::SortOrder order) {
    if (a.kind == SortKey::Empty || b.kind == SortKey::Empty)
        return (a.kind == SortKey::Empty) - (b.kind == SortKey::Empty);
    int c = 0;
    if (a.kind != b.kind) {
        c = a.kind < b.kind ? -1 : 1;
    } else if (a.kind == SortKey::Text) {
        c = a.text.compare(b.text, Qt::CaseInsensitive);
        if (c == 0) c = a.text.compare(b.text, Qt::CaseSensitive);
    } else {
        c = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    }
    return order == Qt::AscendingOrder ? c : -c;
}

std::vector<int> SortedOrder(const QStringList& cells, Qt::SortOrder order) {
    std::vector<SortKey> keys;
    keys.reserve(cells.size());
    for (const QString& cell : cells) keys.push_back(SortKeyOf(cell));
    std::vector<int> positions(keys.size());
    std::iota(positions.begin(), positions.end(), 0);
    std::stable_sort(positions.begin(), positions.end(),
                     [&](int a, int b) { return CompareSortKeys(keys[a], keys[b], order) < 0; });
    return positions;
}

QString TabSeparated(const std::vector<QStringList>& lines) {
    QString out;
    for (const QStringList& cells : lines) {
        QStringList clean;
        clean.reserve(cells.size());
        for (QString cell : cells) {
            cell.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            clean << cell;
        }
        out += clean.join(u'\t') + u"\r\n";
    }
    return out;
}

}  // namespace ds::ui
