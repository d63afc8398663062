#include "search/domain_row.h"

#include <QDateTime>

#include "core/text.h"

namespace ds::search {

QDate DateFromValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    // The date part leads: "2024-05-01", "2024-05-01 12:00:00", "2024-05-01T12:00:00.000".
    QDate date = QDate::fromString(text.left(10), Qt::ISODate);
    if (date.isValid() && (text.size() == 10 || text[10] == u' ' || text[10] == u'T')) return date;
    const QString datePart = text.section(u' ', 0, 0);
    for (const QString& format : {QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy-M-d")}) {
        date = QDate::fromString(datePart, format);
        if (date.isValid()) return date;
    }
    return {};
}

QString CellText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return ShortestNumber(value.toDouble());
    if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
        return DateCellText(value);
    return value.toString();
}

QString DateCellText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return {};
    const QDate date = DateFromValue(value);
    return date.isValid() ? IsoDate(date) : value.toString();
}

Remaining RemainingFromDeletionDate(const QString& deletionDateText, const QDate& today) {
    static const QString kExpiring = QStringLiteral("将过期");
    static const QString kUnregistered = QStringLiteral("未注册");
    static const QString kUnknown = QStringLiteral("不详");
    if (deletionDateText.trimmed().isEmpty()) return {QString(), kUnregistered};
    const QDate date = DateFromValue(deletionDateText);
    if (!date.isValid()) return {QString(), kUnknown};
    const qint64 days = today.daysTo(date);
    if (days > 0) return {QString::number(days) + u'天', kExpiring};
    return {QStringLiteral("已过期"), kUnregistered};
}

DomainRow BuildDomainRow(const DomainRecord& rec, int number, const QDate& today, const QString& price) {
    DomainRow row;
    auto& c = row.cells;
    c[col::Number] = QString::number(number);
    c[col::Id] = CellText(rec.lid);
    c[col::Registered] = DateCellText(rec.lregtime);
    c[col::Expires] = DateCellText(rec.louttime);
    c[col::Deleted] = DateCellText(rec.ldeltime);

    const Remaining rem = RemainingFromDeletionDate(c[col::Deleted], today);
    c[col::Remaining] = rem.remaining;
    c[col::Status] = rem.status;
    // "不详" is drawn like the registration check draws it: in the header's colour, not as a find.
    row.colors[col::Status] = rem.status == u"将过期" ? kExpiringColor : rem.status == u"不详" ? 0 : kMarkColor;
    row.colors[col::Price] = kMarkColor;

    c[col::Price] = price;
    c[col::Domain] = CellText(rec.lallname);
    c[col::FilingNumber] = CellText(rec.lback);
    c[col::HolderKind] = CellText(rec.lbackhostkind);
    c[col::FilingDate] = DateCellText(rec.lbacktime);
    c[col::SiteName] = CellText(rec.lbackname);
    c[col::PageRank] = CellText(rec.lgooglepr);
    c[col::BaiduIndexed] = CellText(rec.lbaidudomain);
    c[col::BaiduLinks] = CellText(rec.lbaidusite);
    c[col::AlexaRank] = CellText(rec.lalexa);
    return row;
}

}  // namespace ds::search
