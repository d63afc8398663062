#include "ui/markup.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QPainter>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <QtMath>
#include <memory>
#include <map>
#include <utility>

namespace ds::ui {

using namespace Qt::StringLiterals;

namespace {

// Thrown out of the reader walk when the caption is not the markup it claims to be, or asks for more
// than can be shown as markup.
struct Malformed {};

// The walk recurses once per element, so a caption from the settings row nested thousands of levels
// deep would overflow the stack at login; real captions nest four or five.
constexpr int kMaxElementDepth = 64;

// Boxes (Border, Grid, StackPanel) become tables, and QTextDocument lays a table's contents out again
// for every table around it: the work doubles with each level of nesting (fourteen nested borders take
// a second to show, a far Grid.Row inside eight grids minutes). So the walk weighs what it puts into
// tables: a character 1, a table cell 32 (an empty cell costs about that much), each times 2 to the
// number of tables around it. Text outside tables is laid out once and costs nothing here. The budget
// keeps a layout within some tens of milliseconds; real captions use a few thousand of it.
constexpr qint64 kCellWeight = 32;
constexpr qint64 kLayoutBudget = 1 << 16;
// Past this many tables a single cell is over the budget; it also keeps the shift in range.
constexpr int kMaxBoxDepth = 16;

// One more level for the lifetime of the object.
class Level {
public:
    explicit Level(int& depth) : depth_(++depth) {}
    ~Level() { --depth_; }
    Level(const Level&) = delete;
    Level& operator=(const Level&) = delete;

private:
    int& depth_;
};

QString StyleFor(const QXmlStreamAttributes& a) {
    QString css;
    const QString weight = a.value(QLatin1StringView("FontWeight")).toString().trimmed().toLower();
    if (weight == u"bold" || weight == u"semibold" || weight == u"extrabold" || weight == u"black" ||
        weight == u"heavy" || weight == u"ultrabold" || weight == u"demibold")
        css += u"font-weight:bold;";
    else if (weight == u"normal")
        css += u"font-weight:normal;";
    if (a.value(QLatin1StringView("FontStyle")).toString().trimmed().compare(u"Italic", Qt::CaseInsensitive) == 0)
        css += u"font-style:italic;";
    const QString deco = a.value(QLatin1StringView("TextDecorations")).toString().toLower();
    if (deco.contains(u"underline"))
        css += u"text-decoration:underline;";
    else if (deco.contains(u"strikethrough"))
        css += u"text-decoration:line-through;";
    const QString fg = a.value(QLatin1StringView("Foreground")).toString().trimmed();
    if (!fg.isEmpty()) {
        const QColor c = QColor::fromString(fg);
        if (c.isValid()) css += u"color:" + c.name() + u';';
    }
    bool ok = false;
    const double size = a.value(QLatin1StringView("FontSize")).toDouble(&ok);
    if (ok && size > 0 && size < 200) css += u"font-size:" + QString::number(qRound(size)) + u"px;";
    return css;
}

QString Wrap(const QString& css, const QString& inner) {
    if (css.isEmpty()) return inner;
    return u"<span style=\"" + css + u"\">" + inner + u"</span>";
}

// The first value of a XAML thickness attribute (one value, or left, top, right, bottom) in whole
// pixels from 0 to `limit`. The value is held before it is rounded: "1e300" does not fit an int.
int FirstLength(const QXmlStreamAttributes& a, QLatin1StringView name, int limit) {
    const double v = a.value(name).toString().section(u',', 0, 0).trimmed().toDouble();
    return qRound(qBound(0.0, v, static_cast<double>(limit)));
}

int LeftMargin(const QXmlStreamAttributes& a) { return FirstLength(a, QLatin1StringView("Margin"), 200); }

class Walker {
public:
    explicit Walker(const QString& caption) : xml_(caption) {}

    MarkupText run() {
        QString html;
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::StartElement)
                html += element();
            else if (token == QXmlStreamReader::Characters && !xml_.isWhitespace())
                throw Malformed{};  // text outside the root element
        }
        if (xml_.hasError()) throw Malformed{};
        return {html, plain_.trimmed()};
    }

private:
    // Called on a StartElement; consumes through its EndElement.
    QString element() {
        const Level level(depth_);
        if (depth_ > kMaxElementDepth) throw Malformed{};
        const QString name = xml_.name().toString();
        const QXmlStreamAttributes attrs = xml_.attributes();
        if (name.contains(u'.')) {  // property elements such as Grid.RowDefinitions carry no text
            xml_.skipCurrentElement();
            if (xml_.hasError()) throw Malformed{};
            return {};
        }
        if (name == u"LineBreak") {
            xml_.skipCurrentElement();
            plain_ += u'\n';
            return QStringLiteral("<br/>");
        }
        if (name == u"Grid") return grid();
        if (name == u"StackPanel") return stackPanel(attrs);
        if (name == u"Border") return border(attrs);
        // TextBlock, Run, Span, Bold, Italic, Underline and anything unknown: inline content.
        QString css = StyleFor(attrs);
        if (name == u"Bold") css += u"font-weight:bold;";
        if (name == u"Italic") css += u"font-style:italic;";
        if (name == u"Underline") css += u"text-decoration:underline;";
        QString inner;
        if (attrs.hasAttribute(QLatin1StringView("Text"))) {
            const QString text = attrs.value(QLatin1StringView("Text")).toString();
            charge(text.size());
            plain_ += text;
            inner = text.toHtmlEscaped();
        }
        inner += children();
        return Wrap(css, inner);
    }

    // Reads the children of the current element up to its end tag.
    QString children() {
        QString html;
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                html += element();
            } else if (token == QXmlStreamReader::Characters) {
                const QString text = xml_.text().toString();
                charge(text.size());
                plain_ += text;
                html += text.toHtmlEscaped();
            } else if (token == QXmlStreamReader::EndElement) {
                return html;
            }
        }
        throw Malformed{};
    }

    // Adds the layout work of `units` (characters, or cells times kCellWeight) at the current nesting.
    void charge(qint64 units) {
        if (boxDepth_ == 0) return;
        if (boxDepth_ > kMaxBoxDepth) throw Malformed{};
        work_ += units << boxDepth_;
        if (work_ > kLayoutBudget) throw Malformed{};
    }

    void separateBlock() {
        if (!plain_.isEmpty() && !plain_.back().isSpace()) plain_ += u' ';
    }

    QString stackPanel(const QXmlStreamAttributes& attrs) {
        const Level box(boxDepth_);
        const bool horizontal =
            attrs.value(QLatin1StringView("Orientation")).toString().compare(u"Horizontal", Qt::CaseInsensitive) == 0;
        QStringList cells;
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                charge(kCellWeight);
                separateBlock();
                const int margin = LeftMargin(xml_.attributes());
                const QString cell = element();
                if (horizontal)
                    cells << u"<td style=\"padding-left:" + QString::number(margin) + u"px\" valign=\"middle\">" +
                                 cell + u"</td>";
                else
                    cells << u"<tr><td style=\"padding-left:" + QString::number(margin) + u"px\">" + cell +
                                 u"</td></tr>";
            } else if (token == QXmlStreamReader::EndElement) {
                if (cells.isEmpty()) return {};
                const QString body = horizontal ? u"<tr>" + cells.join(QString()) + u"</tr>" : cells.join(QString());
                return u"<table cellspacing=\"0\" cellpadding=\"0\">" + body + u"</table>";
            }
        }
        throw Malformed{};
    }

    QString grid() {
        const Level box(boxDepth_);
        std::map<std::pair<int, int>, QString> cells;
        int rows = 0;
        int cols = 0;
        while (!xml_.atEnd()) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::StartElement) {
                const QXmlStreamAttributes a = xml_.attributes();
                if (xml_.name().contains(u'.')) {
                    xml_.skipCurrentElement();
                    continue;
                }
                const int row = qBound(0, a.value(QLatin1StringView("Grid.Row")).toInt(), 63);
                const int col = qBound(0, a.value(QLatin1StringView("Grid.Column")).toInt(), 63);
                const bool right = a.value(QLatin1StringView("TextAlignment")).toString().compare(u"Right", Qt::CaseInsensitive) == 0;
                const int margin = LeftMargin(a);
                separateBlock();
                QString& cell = cells[{row, col}];
                cell += u"<td" + QString(right ? u" align=\"right\""_s : QString()) + u" style=\"padding-left:" +
                        QString::number(margin) + u"px\">" + element() + u"</td>";
                rows = qMax(rows, row + 1);
                cols = qMax(cols, col + 1);
            } else if (token == QXmlStreamReader::EndElement) {
                charge(kCellWeight * rows * cols);  // every empty cell up to the farthest one is laid out too
                QString html = u"<table cellspacing=\"0\" cellpadding=\"0\">"_s;
                for (int r = 0; r < rows; ++r) {
                    html += u"<tr>";
                    for (int c = 0; c < cols; ++c) {
                        const auto it = cells.find({r, c});
                        html += it == cells.end() ? u"<td></td>"_s : it->second;
                    }
                    html += u"</tr>";
                }
                return html + u"</table>";
            }
        }
        throw Malformed{};
    }

    QString border(const QXmlStreamAttributes& attrs) {
        const Level box(boxDepth_);
        const int thickness = FirstLength(attrs, QLatin1StringView("BorderThickness"), 20);
        const QColor colour = QColor::fromString(attrs.value(QLatin1StringView("BorderBrush")).toString().trimmed());
        const int padding = FirstLength(attrs, QLatin1StringView("Padding"), 50);
        charge(kCellWeight);
        const QString inner = children();
        QString style = u"border-style:solid;"_s;
        if (colour.isValid()) style += u"border-color:" + colour.name() + u';';
        return u"<table border=\"" + QString::number(thickness) + u"\" cellspacing=\"0\" cellpadding=\"" +
               QString::number(padding) + u"\" style=\"" + style + u"\"><tr><td>" + inner + u"</td></tr></table>";
    }

    QXmlStreamReader xml_;
    QString plain_;
    int depth_ = 0;     // elements open around the reader
    int boxDepth_ = 0;  // tables open around the reader
    qint64 work_ = 0;   // weighed layout work so far
};

QString PlainHtml(const QString& text) {
    return text.toHtmlEscaped().replace(u'\n', u"<br/>"_s);
}

// The readable text of a caption the reader refused: tags dropped, the common entities decoded.
QString StripTags(const QString& caption) {
    static const QRegularExpression tag(QStringLiteral("<[^<>]*>"));
    QString text = caption;
    text.remove(tag);
    text.replace(u"&lt;"_s, u"<"_s).replace(u"&gt;"_s, u">"_s).replace(u"&quot;"_s, u"\""_s)
        .replace(u"&apos;"_s, u"'"_s).replace(u"&amp;"_s, u"&"_s);
    return text.trimmed();
}

std::unique_ptr<QTextDocument> MakeDocument(const QString& html, const QFont& font) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    doc->setHtml(html);
    doc->setTextWidth(-1);
    return doc;
}

QSize DocumentSize(const QString& html, const QFont& font) {
    const auto doc = MakeDocument(html, font);
    return QSize(qCeil(doc->idealWidth()), qCeil(doc->size().height()));
}

// Draws the document inside `rect`, vertically centred, with `colour` as the default text colour.
void DrawDocument(QPainter& p, const QString& html, const QFont& font, const QRect& rect, Qt::Alignment align,
                  const QColor& colour) {
    const auto doc = MakeDocument(html, font);
    const QSizeF size(doc->idealWidth(), doc->size().height());
    qreal x = rect.left();
    if (align & Qt::AlignHCenter) x = rect.left() + (rect.width() - size.width()) / 2;
    else if (align & Qt::AlignRight) x = rect.right() - size.width();
    const qreal y = rect.top() + (rect.height() - size.height()) / 2;
    p.save();
    p.setClipRect(rect);
    p.translate(qMax<qreal>(rect.left(), x), y);
    QAbstractTextDocumentLayout::PaintContext ctx;
    ctx.palette.setColor(QPalette::Text, colour);
    doc->documentLayout()->draw(&p, ctx);
    p.restore();
}

}  // namespace

MarkupText ParseMarkup(const QString& caption) {
    const QString trimmed = caption.trimmed();
    if (!trimmed.startsWith(u'<')) return {PlainHtml(caption), caption};
    try {
        return Walker(trimmed).run();
    } catch (const Malformed&) {
        const QString plain = StripTags(trimmed);
        return {PlainHtml(plain), plain};
    }
}

// ---- buttons ----

MarkupButton::MarkupButton(const QString& caption, QWidget* parent) : QPushButton(parent) { setCaption(caption); }

void MarkupButton::setCaption(const QString& caption) {
    caption_ = caption;
    const MarkupText m = ParseMarkup(caption);
    html_ = m.html;
    setText(m.plain);
    updateGeometry();
    update();
}

QSize MarkupButton::sizeHint() const {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    QSize contents = DocumentSize(html_, font());
    if (!icon().isNull()) contents.rwidth() += iconSize().width() + 4;
    contents.setHeight(qMax(contents.height(), fontMetrics().height()));
    return style()->sizeFromContents(QStyle::CT_PushButton, &opt, contents, this);
}

void MarkupButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    style()->drawControl(QStyle::CE_PushButton, &opt, &p, this);
    QRect rect = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    if (opt.state & (QStyle::State_Sunken | QStyle::State_On))
        rect.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
    const QColor colour = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
    DrawDocument(p, html_, font(), rect, Qt::AlignHCenter, colour);
}

namespace {

// Radio buttons and check boxes differ only in the style elements they are drawn with.
struct IndicatorElements {
    QStyle::ContentsType contents;
    QStyle::ControlElement control;
    QStyle::SubElement label;
};
constexpr IndicatorElements kRadioElements{QStyle::CT_RadioButton, QStyle::CE_RadioButton,
                                           QStyle::SE_RadioButtonContents};
constexpr IndicatorElements kCheckElements{QStyle::CT_CheckBox, QStyle::CE_CheckBox, QStyle::SE_CheckBoxContents};

QSize IndicatorSizeHint(const QWidget* w, const QStyleOptionButton& opt, const QString& html,
                        const IndicatorElements& e) {
    QSize contents = DocumentSize(html, w->font());
    contents.setHeight(qMax(contents.height(), w->fontMetrics().height()));
    return w->style()->sizeFromContents(e.contents, &opt, contents, w);
}

void PaintIndicator(QWidget* w, QStyleOptionButton opt, const QString& html, const IndicatorElements& e) {
    QPainter p(w);
    opt.text.clear();
    w->style()->drawControl(e.control, &opt, &p, w);
    const QRect rect = w->style()->subElementRect(e.label, &opt, w);
    const QColor colour =
        w->palette().color(w->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    DrawDocument(p, html, w->font(), rect, Qt::AlignLeft, colour);
}

}  // namespace

MarkupRadio::MarkupRadio(const QString& caption, QWidget* parent) : QRadioButton(parent) { setCaption(caption); }

void MarkupRadio::setCaption(const QString& caption) {
    caption_ = caption;
    const MarkupText m = ParseMarkup(caption);
    html_ = m.html;
    setText(m.plain);
    updateGeometry();
    update();
}

QSize MarkupRadio::sizeHint() const {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return IndicatorSizeHint(this, opt, html_, kRadioElements);
}

void MarkupRadio::paintEvent(QPaintEvent*) {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    PaintIndicator(this, opt, html_, kRadioElements);
}

MarkupCheck::MarkupCheck(const QString& caption, QWidget* parent) : QCheckBox(parent) { setCaption(caption); }

void MarkupCheck::setCaption(const QString& caption) {
    caption_ = caption;
    const MarkupText m = ParseMarkup(caption);
    html_ = m.html;
    setText(m.plain);
    updateGeometry();
    update();
}

QSize MarkupCheck::sizeHint() const {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return IndicatorSizeHint(this, opt, html_, kCheckElements);
}

void MarkupCheck::paintEvent(QPaintEvent*) {
    QStyleOptionButton opt;
    initStyleOption(&opt);
    PaintIndicator(this, opt, html_, kCheckElements);
}

// ---- label ----

MarkupLabel::MarkupLabel(const QString& caption, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::RichText);
    setCaption(caption);
}

void MarkupLabel::setCaption(const QString& caption) {
    caption_ = caption;
    const MarkupText m = ParseMarkup(caption);
    plain_ = m.plain;
    setText(m.html);
    setAccessibleName(m.plain);
}

// ---- item delegate ----

void MarkupItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QString raw = index.data(MarkupRole).toString();
    if (raw.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyle* style = opt.widget ? opt.widget->style() : nullptr;
    if (!style) return;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    const QRect rect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(2, 0, -2, 0);
    const bool selected = opt.state & QStyle::State_Selected;
    const QColor colour = opt.palette.color(opt.state & QStyle::State_Enabled ? QPalette::Active : QPalette::Disabled,
                                            selected ? QPalette::HighlightedText : QPalette::Text);
    DrawDocument(*painter, ParseMarkup(raw).html, opt.font, rect, Qt::AlignLeft, colour);
}

QSize MarkupItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    const QString raw = index.data(MarkupRole).toString();
    if (raw.isEmpty()) return base;
    const QSize doc = DocumentSize(ParseMarkup(raw).html, option.font);
    return QSize(qMax(base.width(), doc.width() + 12), qMax(base.height(), doc.height() + 4));
}

}  // namespace ds::ui
