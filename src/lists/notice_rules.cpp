#include "lists/notice_rules.h"

#include <QRegularExpression>
#include <cmath>

namespace ds::lists {
namespace {

// For a value inside a single-quoted attribute of the markup.
QString Escaped(const QString& value) {
    QString out = value.toHtmlEscaped();  // & < > "
    out.replace(u'\'', QStringLiteral("&apos;"));
    return out;
}

QString Unescaped(QString text) {
    text.replace(QStringLiteral("&apos;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

}  // namespace

QString NoticeItemMarkup(NoticeList list, int index, const QString& first, const QString& second) {
    const bool prices = list == NoticeList::Prices;
    const QString colour = index == 0 ? QStringLiteral("blue") : QStringLiteral("orange");
    QString m = u"<Border BorderThickness='2' BorderBrush='" + colour +
                u"' Margin='0, 2, 0, 2' Padding='3'><StackPanel Orientation='Horizontal'>";
    m += u"<Grid><Grid.ColumnDefinitions><ColumnDefinition Width='Auto'/><ColumnDefinition Width='*'/>"
         u"</Grid.ColumnDefinitions>";
    m += u"<Grid.RowDefinitions><RowDefinition/><RowDefinition/></Grid.RowDefinitions>";
    m += QString::fromUtf16(prices ? u"<TextBlock TextAlignment='Right' FontWeight='Bold' Foreground='Navy' Text='扩展名：'/>"
                                   : u"<TextBlock TextAlignment='Right' FontWeight='Bold' Foreground='Navy' Text='说明：'/>");
    m += QString::fromUtf16(
        prices ? u"<TextBlock TextAlignment='Right' Grid.Row='1' FontWeight='Bold' Foreground='Navy' Text='售价：'/>"
               : u"<TextBlock TextAlignment='Right' Grid.Row='1' FontWeight='Bold' Foreground='Navy' Text='优惠码：'/>");
    m += u"<TextBlock Margin='6, 0, 0, 0' Grid.Column='1' Text='" + Escaped(first) + u"'/>";
    const QString value = prices ? Escaped(second) : u'(' + Escaped(second) + u')';
    m += u"<TextBlock Margin='6, 0, 0, 0'  Grid.Column='1' Grid.Row='1'  Text='" + value + u"'/>";
    m += u"</Grid></StackPanel></Border>";
    return m;
}

QString PromotionCode(const QString& itemMarkup) {
    const qsizetype open = itemMarkup.indexOf(u'(');
    if (open < 0) return {};
    const qsizetype close = itemMarkup.indexOf(u')', open + 1);
    return Unescaped(close < 0 ? itemMarkup.mid(open + 1) : itemMarkup.mid(open + 1, close - open - 1));
}

int AdvertNumber(int count, double r) {
    if (count <= 0) return 0;
    const int n = static_cast<int>(std::floor(count * r)) + 1;
    return std::clamp(n, 1, count);
}

std::optional<QString> AdvertClickStatement(const QString& advertId) {
    static const QRegularExpression whole(QStringLiteral("^\\d{1,18}$"));
    const QString id = advertId.trimmed();
    if (!whole.match(id).hasMatch()) return std::nullopt;
    return u"update lad set lnum=lnum+1 where lid=" + QString::number(id.toLongLong());
}

QString HelpAddress(const QString& webEditionAddress) {
    return webEditionAddress + u"download/help_domainhis.asp";
}

QString RegistrationAddress(const QString& lbuyurl, const QString& domain) {
    return domain.contains(u'.') ? lbuyurl + domain : lbuyurl;
}

QString ClipboardMessage(const QString& domain) { return u"选中域名  " + domain + u"  已加入剪贴板"; }

}  // namespace ds::lists
