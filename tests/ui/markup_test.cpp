#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTextDocument>

#include "ui/markup.h"

using namespace ds::ui;

namespace {

struct ParseCase {
    const char* name;
    QString caption;
    QString plain;
    QStringList htmlHas;     // fragments the rich text must contain
    QStringList htmlLacks;   // fragments it must not contain
};

class ParseMarkupTest : public testing::TestWithParam<ParseCase> {};

// `inner` inside `levels` pairs of `open` / `close` tags.
QString Nested(int levels, const QString& open, const QString& close, const QString& inner) {
    return open.repeated(levels) + inner + close.repeated(levels);
}
QString NestedBold(int levels) {
    return Nested(levels, QStringLiteral("<Bold>"), QStringLiteral("</Bold>"), QStringLiteral("deep words"));
}

TEST_P(ParseMarkupTest, PlainAndHtml) {
    const ParseCase& c = GetParam();
    const MarkupText m = ParseMarkup(c.caption);
    EXPECT_EQ(m.plain, c.plain);
    for (const QString& f : c.htmlHas) EXPECT_TRUE(m.html.contains(f)) << m.html.toStdString() << " lacks " << f.toStdString();
    for (const QString& f : c.htmlLacks) EXPECT_FALSE(m.html.contains(f)) << m.html.toStdString() << " has " << f.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Captions, ParseMarkupTest,
    testing::Values(
        ParseCase{"BoldBlueRun",
                  QStringLiteral("<TextBlock>查询<Run Foreground=\"blue\" FontWeight=\"Bold\">即时注册状态</Run></TextBlock>"),
                  QStringLiteral("查询即时注册状态"), {QStringLiteral("font-weight:bold"), QStringLiteral("color:#0000ff")}, {}},
        ParseCase{"Net0", QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>电信</Run> 用户</TextBlock>"),
                  QStringLiteral("电信 用户"), {QStringLiteral("电信"), QStringLiteral(" 用户")}, {QStringLiteral("Run")}},
        ParseCase{"Net1", QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>网通</Run> 用户</TextBlock>"),
                  QStringLiteral("网通 用户"), {QStringLiteral("font-weight:bold")}, {}},
        ParseCase{"PlainCaption", QStringLiteral("开始登录"), QStringLiteral("开始登录"), {QStringLiteral("开始登录")}, {}},
        ParseCase{"PlainWithAngleIsEscaped", QStringLiteral("a <b> & c"), QStringLiteral("a <b> & c"),
                  {QStringLiteral("&lt;b&gt; &amp; c")}, {QStringLiteral("<b>")}},
        ParseCase{"HexColourAndUnderline",
                  QStringLiteral("<TextBlock><Run Foreground='#FF8000' TextDecorations='Underline'>x</Run></TextBlock>"),
                  QStringLiteral("x"), {QStringLiteral("color:#ff8000"), QStringLiteral("text-decoration:underline")}, {}},
        ParseCase{"UnknownColourIgnored", QStringLiteral("<TextBlock><Run Foreground='nosuch'>x</Run></TextBlock>"),
                  QStringLiteral("x"), {}, {QStringLiteral("color:")}},
        ParseCase{"EntitiesStayEscaped",
                  QStringLiteral("<TextBlock>a &amp; &lt;script&gt; <Run FontWeight='Bold'>&quot;b&quot;</Run></TextBlock>"),
                  QStringLiteral("a & <script> \"b\""), {QStringLiteral("&amp;"), QStringLiteral("&lt;script&gt;")},
                  {QStringLiteral("<script>")}},
        ParseCase{"LineBreak", QStringLiteral("<TextBlock>one<LineBreak/>two</TextBlock>"), QStringLiteral("one\ntwo"),
                  {QStringLiteral("<br/>")}, {}},
        ParseCase{"MalformedShowsText", QStringLiteral("<TextBlock>Version <Run FontWeight='Bold'>3.1 & x</Run></TextBlock>"),
                  QStringLiteral("Version 3.1 & x"), {QStringLiteral("3.1 &amp; x")}, {QStringLiteral("<span")}},
        ParseCase{"UnclosedShowsText", QStringLiteral("<TextBlock>升级到 <Run>V3.12版</TextBlock>"),
                  QStringLiteral("升级到 V3.12版"), {}, {QStringLiteral("<span")}},
        ParseCase{"TextAfterRoot", QStringLiteral("<TextBlock>a</TextBlock>b"), QStringLiteral("ab"), {}, {}},
        ParseCase{"TextAttribute", QStringLiteral("<TextBlock FontWeight='Bold' Foreground='Navy' Text='售价：'/>"),
                  QStringLiteral("售价："), {QStringLiteral("color:#000080")}, {}},
        ParseCase{"BorderGrid",
                  QStringLiteral("<Border BorderThickness='2' BorderBrush='#56B0F4' Margin='0, 2, 0, 2' Padding='3'>"
                                 "<StackPanel Orientation='Horizontal'><Grid><Grid.ColumnDefinitions>"
                                 "<ColumnDefinition Width='Auto'/><ColumnDefinition Width='*'/></Grid.ColumnDefinitions>"
                                 "<Grid.RowDefinitions><RowDefinition/><RowDefinition/></Grid.RowDefinitions>"
                                 "<TextBlock TextAlignment='Right' FontWeight='Bold' Foreground='Navy' Text='扩展名：'/>"
                                 "<TextBlock TextAlignment='Right' Grid.Row='1' FontWeight='Bold' Foreground='Navy' Text='售价：'/>"
                                 "<TextBlock Margin='6, 0, 0, 0' Grid.Column='1' Text='.com'/>"
                                 "<TextBlock Margin='6, 0, 0, 0'  Grid.Column='1' Grid.Row='1'  Text='55'/>"
                                 "</Grid></StackPanel></Border>"),
                  QStringLiteral("扩展名： 售价： .com 55"), {QStringLiteral("border-color:#56b0f4"), QStringLiteral("align=\"right\"")},
                  {QStringLiteral("ColumnDefinition")}},
        // Lengths beyond an int used to be rounded first and came out as garbage (or as 0 for padding).
        ParseCase{"HugeLengthsAreHeldToTheirLimits",
                  QStringLiteral("<Border BorderThickness='1e300' Padding='388888888888888888888888'><StackPanel>"
                                 "<TextBlock Margin='9e99, 0, 0, 0' Text='x'/></StackPanel></Border>"),
                  QStringLiteral("x"),
                  {QStringLiteral("border=\"20\""), QStringLiteral("cellpadding=\"50\""), QStringLiteral("padding-left:200px")},
                  {}},
        ParseCase{"NegativeAndNanLengthsAreZero",
                  QStringLiteral("<Border BorderThickness='-3' Padding='nan'><StackPanel><TextBlock Margin='-inf' Text='x'/>"
                                 "</StackPanel></Border>"),
                  QStringLiteral("x"),
                  {QStringLiteral("border=\"0\""), QStringLiteral("cellpadding=\"0\""), QStringLiteral("padding-left:0px")},
                  {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

// Deep markup would exhaust the parser's stack, and nested boxes (tables) QTextDocument's layout time,
// which doubles with each table level; past the limits a caption shows its text plainly.
INSTANTIATE_TEST_SUITE_P(
    TooDeep, ParseMarkupTest,
    testing::Values(
        ParseCase{"Depth64IsMarkup", NestedBold(64), QStringLiteral("deep words"), {QStringLiteral("font-weight:bold")}, {}},
        ParseCase{"Depth65IsPlainText", NestedBold(65), QStringLiteral("deep words"), {QStringLiteral("deep words")},
                  {QStringLiteral("<span")}},
        ParseCase{"Depth16000IsPlainText", NestedBold(16000), QStringLiteral("deep words"), {QStringLiteral("deep words")},
                  {QStringLiteral("<span")}},
        ParseCase{"DeepTailAfterShallowStart",
                  QStringLiteral("<TextBlock>升级 <Run>V3</Run>") +
                      Nested(70, QStringLiteral("<Span>"), QStringLiteral("</Span>"), QStringLiteral(" now")) +
                      QStringLiteral("</TextBlock>"),
                  QStringLiteral("升级 V3 now"), {}, {QStringLiteral("<span")}},
        ParseCase{"FourNestedBordersAreMarkup",
                  Nested(4, QStringLiteral("<Border BorderThickness='1'>"), QStringLiteral("</Border>"), QStringLiteral("boxed")),
                  QStringLiteral("boxed"), {QStringLiteral("<table")}, {}},
        ParseCase{"TwelveNestedBordersArePlainText",
                  Nested(12, QStringLiteral("<Border BorderThickness='1'>"), QStringLiteral("</Border>"), QStringLiteral("boxed")),
                  QStringLiteral("boxed"), {}, {QStringLiteral("<table")}},
        ParseCase{"FarCellsInNestedGridsArePlainText",
                  Nested(3, QStringLiteral("<Grid><TextBlock Grid.Row='63' Grid.Column='63'>"),
                         QStringLiteral("</TextBlock></Grid>"), QStringLiteral("far")),
                  QStringLiteral("far"), {}, {QStringLiteral("<table")}},
        ParseCase{"LongTextInABorderIsMarkup",
                  QStringLiteral("<Border><TextBlock>") + QStringLiteral("很长的说明 ").repeated(2000) +
                      QStringLiteral("</TextBlock></Border>"),
                  QStringLiteral("很长的说明 ").repeated(2000).trimmed(), {QStringLiteral("<table")}, {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(MarkupWidgets, TextIsPlainAndCaptionKept) {
    const QString caption = QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>电信</Run> 用户</TextBlock>");
    MarkupRadio radio(caption);
    EXPECT_EQ(radio.text(), QStringLiteral("电信 用户"));
    EXPECT_EQ(radio.caption(), caption);
    MarkupButton button(QStringLiteral("<TextBlock>点击<Run Foreground=\"blue\" FontWeight=\"Bold\">升级</Run></TextBlock>"));
    EXPECT_EQ(button.text(), QStringLiteral("点击升级"));
    MarkupCheck check(QStringLiteral("<TextBlock>全<Run  FontWeight='Bold'>选</Run></TextBlock>"));
    EXPECT_EQ(check.text(), QStringLiteral("全选"));
    check.setChecked(true);
    EXPECT_EQ(check.value(), 1);
    MarkupLabel label(QStringLiteral("<TextBlock>Version <Run FontWeight='Bold' Foreground='blue'>3.11</Run></TextBlock>"));
    EXPECT_EQ(label.plainText(), QStringLiteral("Version 3.11"));
    EXPECT_EQ(label.textFormat(), Qt::RichText);
}

TEST(MarkupWidgets, SizeHintFollowsDocumentWidthNotMarkupLength) {
    const QString shortText = QStringLiteral("<TextBlock><Run FontWeight='Bold' Foreground='blue'>a</Run></TextBlock>");
    const QString longText = QStringLiteral("<TextBlock><Run FontWeight='Bold'>a much longer caption than the other one</Run></TextBlock>");
    MarkupButton a(shortText), b(longText);
    EXPECT_LT(a.sizeHint().width(), b.sizeHint().width());
    MarkupRadio r(longText);
    EXPECT_GT(r.sizeHint().width(), r.fontMetrics().horizontalAdvance(QStringLiteral("a much longer caption")));
    // The raw markup is far wider than what is drawn.
    EXPECT_LT(r.sizeHint().width(), r.fontMetrics().horizontalAdvance(longText));
}

TEST(MarkupWidgets, PaintsWithoutRawMarkup) {
    MarkupButton button(QStringLiteral("<TextBlock>查询<Run Foreground='blue' FontWeight='Bold'>备案信息</Run></TextBlock>"));
    button.resize(button.sizeHint());
    const QImage image = button.grab().toImage();
    bool hasBlue = false;
    for (int y = 0; y < image.height() && !hasBlue; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 150 && c.red() < 90 && c.green() < 90) {
                hasBlue = true;
                break;
            }
        }
    EXPECT_TRUE(hasBlue);
}

TEST(MarkupWidgets, DelegateKeepsPlainDisplayText) {
    QComboBox combo;
    combo.setItemDelegate(new MarkupItemDelegate(&combo));
    const QString raw = QStringLiteral("<TextBlock>选择<Run  FontWeight='Bold'>未注册域名</Run></TextBlock>");
    combo.addItem(ParseMarkup(raw).plain);
    combo.setItemData(0, raw, MarkupRole);
    EXPECT_EQ(combo.currentText(), QStringLiteral("选择未注册域名"));
    QStyleOptionViewItem opt;
    opt.font = combo.font();
    const QSize hint = combo.itemDelegate()->sizeHint(opt, combo.model()->index(0, 0));
    EXPECT_LT(hint.width(), combo.fontMetrics().horizontalAdvance(raw));
}

TEST(MarkupWidgets, TooDeepCaptionsShowPlainTextEverywhere) {
    const QString deep = NestedBold(16000);
    MarkupButton button(deep);
    MarkupRadio radio(deep);
    MarkupCheck check(deep);
    MarkupLabel label(deep);
    EXPECT_EQ(button.text(), QStringLiteral("deep words"));
    EXPECT_EQ(radio.text(), QStringLiteral("deep words"));
    EXPECT_EQ(check.text(), QStringLiteral("deep words"));
    EXPECT_EQ(label.plainText(), QStringLiteral("deep words"));
    button.resize(button.sizeHint());
    EXPECT_FALSE(button.grab().isNull());

    QComboBox combo;
    combo.setItemDelegate(new MarkupItemDelegate(&combo));
    combo.addItem(ParseMarkup(deep).plain);
    combo.setItemData(0, deep, MarkupRole);
    QStyleOptionViewItem opt;
    opt.font = combo.font();
    opt.widget = &combo;
    opt.rect = QRect(0, 0, 200, 24);
    const QModelIndex index = combo.model()->index(0, 0);
    EXPECT_LT(combo.itemDelegate()->sizeHint(opt, index).width(), combo.fontMetrics().horizontalAdvance(deep));
    QImage image(200, 24, QImage::Format_ARGB32);
    QPainter painter(&image);
    combo.itemDelegate()->paint(&painter, opt, index);
}

}  // namespace
