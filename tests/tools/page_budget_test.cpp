// The page view's layout budget, its plain-text form and the picture addresses it fetches, as tables.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/page_budget.h"

namespace ds::tools {
namespace {

QString Repeat(const QString& piece, int times) { return piece.repeated(times); }

QString NestedTables(int depth, const QString& inner = u"x"_qs) {
    return Repeat(u"<table><tr><td>"_qs, depth) + inner + Repeat(u"</td></tr></table>"_qs, depth);
}

TEST(PageBudget, OrdinaryPagesFitAndEachLimitIsHeld) {
    const PageBudget b;
    struct Case {
        QString html;
        bool fits;
        const char* why;
    };
    const QString word(b.maxRun, u'a');
    const Case cases[] = {
        {u"<html><body><pre>Domain Name: ABC.COM\nRegistrar: X</pre></body></html>"_qs, true, "a whois page"},
        {NestedTables(b.maxTableDepth), true, "tables nested to the limit"},
        {NestedTables(b.maxTableDepth + 1), false, "one table deeper"},
        {NestedTables(50), false, "the 50-deep probe"},
        // Unclosed tables count as nested: the parser puts each into the cell before it.
        {Repeat(u"<table><tr><td>"_qs, b.maxTableDepth + 1), false, "an endless table stream"},
        // Closed ones one after another are no deeper than one.
        {Repeat(u"<table><tr><td>x</td></tr></table>"_qs, 200), true, "many tables side by side"},
        {u"<p>"_qs + word + u"</p>"_qs, true, "a word at the run limit"},
        {u"<p>"_qs + word + u"a</p>"_qs, false, "one character longer"},
        {word + u"<span>a</span>"_qs, false, "inline markup does not break a word"},
        {word + u"&nbsp;a"_qs, false, "nor does a non-breaking space"},
        {word + u"<br>"_qs + word, true, "a line break does"},
        {word + u" "_qs + word, true, "and a space"},
        {QString(b.maxRun * 2, QChar(0x4E2D)), true, "Chinese text breaks beside every character"},
        {u"<script>"_qs + word + word + u"</script>"_qs, true, "a script is not laid out"},
        {u"<!-- "_qs + Repeat(u"<table>"_qs, 50) + u" -->"_qs, true, "nor is a comment"},
        {QString(b.maxChars + 1, u' '), false, "over the size limit"},
        {Repeat(u"<div>"_qs, b.maxOpenElements), true, "open elements at the limit"},
        {Repeat(u"<div>"_qs, b.maxOpenElements + 1), false, "one more"},
        {Repeat(u"<p><li><br><img src=x>"_qs, 1000), true, "elements without an end tag keep no level open"},
        {Repeat(u"<div></div>"_qs, 1000), true, "closed elements keep none either"},
        {Repeat(u"<div><span></div>"_qs, 1000), true, "an end tag closes what was left open inside"},
        // A cell costs far more to lay out than a character: the count of cells is what limits a table.
        {u"<table>"_qs + Repeat(u"<tr><td>abcdefg hij</td><td>x</td></tr>"_qs, 1500) + u"</table>"_qs, true,
         "1,500 rows of two cells"},
        {u"<table>"_qs + Repeat(u"<tr><td>abcdefg hij</td><td>x</td></tr>"_qs, 3000) + u"</table>"_qs, false,
         "3,000 rows"},
        // Within the depth limit, but the cells weigh 2^8 each: the work limit holds.
        {NestedTables(7, Repeat(u"<table><tr>"_qs + Repeat(u"<td>x</td>"_qs, 200) + u"</tr></table>"_qs, 20)), false,
         "wide tables deep down"},
    };
    for (const Case& c : cases) EXPECT_EQ(FitsPageBudget(c.html), c.fits) << c.why;
}

TEST(PageBudget, PlainTextIsReadableAndLaysOutInLinearTime) {
    PageBudget small;
    small.plainRun = 10;
    small.maxPlainChars = 60;
    struct Case {
        QString html;
        QString text;
        const char* why;
    };
    const Case cases[] = {
        {u"<p>Domain:  <b>abc.com</b></p><p>Registrar:\n X</p>"_qs, u"Domain: abc.com\nRegistrar: X"_qs,
         "blocks on lines, whitespace collapsed"},
        {u"<pre>a\n  b</pre>c"_qs, u"a\n  b\nc"_qs, "whitespace kept inside pre"},
        {u"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"_qs, u"a\tb\nc"_qs, "cells and rows"},
        {u"a&lt;b&gt;&amp;&#20013;&#x6587;&nbsp;c &bogus; &"_qs, u"a<b>&中文 c &bogus; &"_qs, "references decoded"},
        {u"x<script>var a = '<p>';</script><style>p{}</style><!-- c -->y"_qs, u"xy"_qs, "hidden parts dropped"},
        {u"abcdefghijklmnopqrstuvwxy"_qs, u"abcdefghij\nklmnopqrst\nuvwxy"_qs, "a long run broken"},
        {u"中文中文中文中文中文中文"_qs, u"中文中文中文中文中文中文"_qs, "Chinese text needs no breaks"},
        {u"a\u0001b\u0000c"_qs, u"abc"_qs, "control characters dropped"},
        {u"&#0;&#xD800;&#x110000;"_qs, u"\uFFFD\uFFFD\uFFFD"_qs, "invalid references"},
        {Repeat(u"word "_qs, 30), Repeat(u"word "_qs, 12).trimmed() + QString::fromUtf16(PageCutText),
         "cut at the limit, and said so"},
    };
    for (const Case& c : cases) EXPECT_EQ(PagePlainText(c.html, small), c.text) << c.why;

    // The probe's pages: every line of their text is short, and the text is bounded.
    const PageBudget b;
    for (const QString& html : {NestedTables(50), QString(1 << 20, u'a'), Repeat(u"<table><tr><td>"_qs, 100000)}) {
        const QString text = PagePlainText(html);
        EXPECT_LE(text.size(), b.maxPlainChars + QStringView(PageCutText).size());
        for (const QStringView line : QStringView(text).split(u'\n')) ASSERT_LE(line.size(), b.plainRun);
    }
}

TEST(PageBudget, PictureAddressesInPageOrder) {
    struct Case {
        QString html;
        QStringList addresses;
    };
    const Case cases[] = {
        {u"<img src=\"a.png\"><IMG alt='x > y' SRC='/b.png'><img src=c.png width=3>"_qs,
         {u"a.png"_qs, u"/b.png"_qs, u"c.png"_qs}},
        {u"<img src=\"p?a=1&amp;b=2\"><img><img src=\"\"><imgx src=\"no.png\">"_qs, {u"p?a=1&b=2"_qs}},
        {u"<!-- <img src=\"hidden.png\"> --><script>'<img src=\"js.png\">'</script>"_qs, {}},
        // Unclosed tags: one pass over the page, not one per "<img".
        {Repeat(u"<img src=x"_qs, 20000), {u"x<img"_qs}},
    };
    for (const Case& c : cases) EXPECT_EQ(PagePictureAddresses(c.html), c.addresses) << c.html.left(80).toStdString();
}

}  // namespace
}  // namespace ds::tools
