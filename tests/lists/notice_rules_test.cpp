// The notice panels' rules: entry markup, the promotion code, the advert draw and click statement, and
// which operator addresses may leave the program.
#include <gtest/gtest.h>

#include "lists/notice_rules.h"
#include "support/test_support.h"
#include "ui/desktop.h"
#include "ui/markup.h"

namespace ds::lists {
namespace {

TEST(NoticeRules, EntriesAreBorderedGridsBlueFirst) {
    const QString price = NoticeItemMarkup(NoticeList::Prices, 0, u".com"_qs, u"55元"_qs);
    EXPECT_EQ(price,
              u"<Border BorderThickness='2' BorderBrush='blue' Margin='0, 2, 0, 2' Padding='3'><StackPanel "
              u"Orientation='Horizontal'><Grid><Grid.ColumnDefinitions><ColumnDefinition Width='Auto'/><ColumnDefinition "
              u"Width='*'/></Grid.ColumnDefinitions><Grid.RowDefinitions><RowDefinition/><RowDefinition/>"
              u"</Grid.RowDefinitions><TextBlock TextAlignment='Right' FontWeight='Bold' Foreground='Navy' "
              u"Text='扩展名：'/><TextBlock TextAlignment='Right' Grid.Row='1' FontWeight='Bold' Foreground='Navy' "
              u"Text='售价：'/><TextBlock Margin='6, 0, 0, 0' Grid.Column='1' Text='.com'/><TextBlock Margin='6, 0, 0, "
              u"0'  Grid.Column='1' Grid.Row='1'  Text='55元'/></Grid></StackPanel></Border>"_qs);
    const QString prom = NoticeItemMarkup(NoticeList::Promotions, 2, u"新用户"_qs, u"NEW10"_qs);
    EXPECT_TRUE(prom.contains(u"BorderBrush='orange'"));
    EXPECT_TRUE(prom.contains(u"Text='说明：'"));
    EXPECT_TRUE(prom.contains(u"Text='优惠码：'"));
    EXPECT_TRUE(prom.contains(u"Text='(NEW10)'"));
    // It renders as markup with the values as typed.
    const QString plain = ui::ParseMarkup(prom).plain;
    for (const QString& part : {u"说明："_qs, u"新用户"_qs, u"优惠码："_qs, u"(NEW10)"_qs})
        EXPECT_TRUE(plain.contains(part)) << plain.toStdString();
}

TEST(NoticeRules, OperatorTextCannotBreakOrInjectIntoAnEntry) {
    const QString hostile = u"it's <b>50%</b> & 'more'"_qs;
    const QString m = NoticeItemMarkup(NoticeList::Promotions, 0, hostile, u"A'B<C"_qs);
    const ui::MarkupText shown = ui::ParseMarkup(m);
    EXPECT_TRUE(shown.plain.contains(hostile)) << shown.plain.toStdString();
    EXPECT_TRUE(shown.plain.contains(u"(A'B<C)"_qs));
    EXPECT_FALSE(shown.html.contains(u"<b>50%"_qs));
    EXPECT_EQ(PromotionCode(m), u"A'B<C"_qs);
}

TEST(NoticeRules, PromotionCodeIsBetweenTheFirstParentheses) {
    EXPECT_EQ(PromotionCode(NoticeItemMarkup(NoticeList::Promotions, 0, u"首年特惠"_qs, u"FIRST8"_qs)), u"FIRST8"_qs);
    // A description with "(" gives the text after it, as the entries always have.
    EXPECT_EQ(PromotionCode(NoticeItemMarkup(NoticeList::Promotions, 0, u"续费(限.com)"_qs, u"RENEW"_qs)), u"限.com"_qs);
    EXPECT_EQ(PromotionCode(u"no parenthesis"_qs), QString());
    EXPECT_EQ(PromotionCode(u"x(open to the end"_qs), u"open to the end"_qs);
}

TEST(NoticeRules, AdvertDrawAndClickCounter) {
    const struct {
        int count;
        double r;
        int n;
    } draws[] = {{1, 0.0, 1}, {1, 0.999, 1}, {3, 0.0, 1}, {3, 0.34, 2}, {3, 0.6667, 3}, {3, 0.99999, 3}, {0, 0.5, 0}};
    for (const auto& d : draws) EXPECT_EQ(AdvertNumber(d.count, d.r), d.n) << d.count << " " << d.r;

    EXPECT_EQ(AdvertClickStatement(u"12"_qs), u"update lad set lnum=lnum+1 where lid=12"_qs);
    EXPECT_EQ(AdvertClickStatement(u" 7 "_qs), u"update lad set lnum=lnum+1 where lid=7"_qs);
    for (const QString& odd : {QString(), u"1.5"_qs, u"-3"_qs, u"1 or 1=1"_qs, u"1;drop table lad"_qs, u"0x10"_qs})
        EXPECT_EQ(AdvertClickStatement(odd), std::nullopt) << odd.toStdString();
}

TEST(NoticeRules, AddressesAndMessages) {
    EXPECT_EQ(HelpAddress(u"http://web.example/"_qs), u"http://web.example/download/help_domainhis.asp"_qs);
    EXPECT_EQ(HelpAddress(u"http://web.example"_qs), u"http://web.exampledownload/help_domainhis.asp"_qs);
    EXPECT_EQ(RegistrationAddress(u"http://buy/?d="_qs, u"a.com"_qs), u"http://buy/?d=a.com"_qs);
    EXPECT_EQ(RegistrationAddress(u"http://buy/?d="_qs, u"nodot"_qs), u"http://buy/?d="_qs);
    EXPECT_EQ(ClipboardMessage(u"a.com"_qs), u"选中域名  a.com  已加入剪贴板"_qs);

    const struct {
        const char* address;
        bool opened;
    } addresses[] = {
        {"http://a.cn/", true}, {"HTTPS://a.cn", true}, {"mailto:x@y.cn", true}, {"tencent://message/?uin=1", true},
        {" http://a.cn ", true}, {"file:///etc/passwd", false}, {"/usr/bin/xterm", false}, {"C:\\\\x.exe", false},
        {"javascript:alert(1)", false}, {"ftp://a.cn", false}, {"http://", false}, {"", false}, {"www.a.cn", false},
    };
    for (const auto& a : addresses)
        EXPECT_EQ(ui::IsOpenableAddress(QString::fromLatin1(a.address)), a.opened) << a.address;
}

}  // namespace
}  // namespace ds::lists
