#pragma once
// What the side windows' page view agrees to lay out as HTML, decided before any layout starts.
// QTextDocument lays a page out whole, on the window's thread, and some pages cost far more than their
// size: the contents of a table are laid out again for every table around them (the time doubles with
// each level: 16 levels took 0.87 s, 19 levels 9.9 s), a word with nowhere to break is measured again for
// every line it fills (a 1 MB word took minutes), and elements left open without end make the parser walk
// ever longer chains of parents. A page over any limit below is shown as its plain text instead, with long
// unbroken runs cut into lines, which lays out in time proportional to its length. Qt Core only.
#include <QString>
#include <QStringList>
#include <QStringView>

namespace ds::tools {

struct PageBudget {
    // Characters of HTML. Whois and search pages are a few tens of kilobytes.
    qsizetype maxChars = 256 * 1024;
    // Tables inside tables. Old-style page layouts nest four or five.
    int maxTableDepth = 8;
    // Elements open around any point of the page (elements whose end tag HTML lets a page leave out,
    // and elements that never hold anything, are not counted).
    int maxOpenElements = 128;
    // Characters without a place to break a line: whitespace, a block's edge or a Chinese or Japanese
    // character ends a run; markup inside a word (a <span>) and entities (&nbsp; above all) do not.
    qsizetype maxRun = 2048;
    // Layout work inside tables: every character weighs 1 and every cell 128, each times 2 to the number
    // of tables around it. Measured in the view: a cell of a top-level table costs about 50 us, a
    // character about 0.5 us, so the limit is some 200 ms (1,500 rows of two cells fit, 3,000 do not).
    qint64 maxTableWork = qint64(1) << 20;
    // The plain-text form: at most this many characters (about 100 ms in the view), and a line break
    // after this many characters without a place to break.
    qsizetype maxPlainChars = 128 * 1024;
    qsizetype plainRun = 256;
};

// True when `html` stays within every limit of `budget`. Reads the text once, in linear time.
bool FitsPageBudget(QStringView html, const PageBudget& budget = {});

// The readable text of a page: tags, comments, scripts and style sheets dropped; blocks and table rows
// on lines of their own, cells separated by a tab; whitespace collapsed outside <pre>; the common
// entities and numeric character references decoded. Runs longer than budget.plainRun get a line break;
// a text longer than budget.maxPlainChars is cut there and ends with a line saying so.
QString PagePlainText(QStringView html, const PageBudget& budget = {});

// What a cut plain text ends with.
inline constexpr char16_t PageCutText[] = u"\n……（页面过长，以下从略）";

// The src addresses of the page's <img> elements in page order, as written (entities decoded, not
// resolved). Linear in the page's length, unlike a pattern search, which a page of unclosed "<img"
// made quadratic.
QStringList PagePictureAddresses(QStringView html);

}  // namespace ds::tools
