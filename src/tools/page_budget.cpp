#include "tools/page_budget.h"

#include <QChar>
#include <algorithm>
#include <initializer_list>
#include <vector>

namespace ds::tools {

namespace {

bool IsSpace(QChar q) {
    const char16_t c = q.unicode();
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool IsAsciiLetter(QChar q) {
    const char16_t c = q.unicode();
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsNameChar(QChar q) {
    const char16_t c = q.unicode();
    return IsAsciiLetter(q) || (c >= u'0' && c <= u'9') || c == u'-' || c == u':';
}

// Chinese and Japanese text has a place to break a line beside every character, so a long paragraph
// of it is no unbroken run.
bool BreaksBeside(QChar q) {
    const char16_t c = q.unicode();
    return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF);
}

bool NameIs(QStringView name, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (name.compare(QLatin1StringView(n), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Elements that never hold anything, and elements whose end tag a page may leave out (the parser
// closes them itself when the next one starts): neither keeps a level open.
bool OpensNoLevel(QStringView name) {
    return NameIs(name, {"area", "base", "basefont", "br", "col", "embed", "frame", "hr", "img", "input", "link",
                         "meta", "param", "source", "track", "wbr", "p", "li", "dt", "dd", "tr", "td", "th", "thead",
                         "tbody", "tfoot", "option", "optgroup", "colgroup", "caption", "html", "head", "body"});
}

// Elements that start a line of their own (a place to break, and a line in the plain text).
bool IsBlock(QStringView name) {
    return NameIs(name, {"br", "p", "div", "table", "tr", "li", "ul", "ol", "dl", "dt", "dd", "h1", "h2", "h3", "h4",
                         "h5", "h6", "hr", "pre", "blockquote", "center", "address", "caption", "form", "title",
                         "body", "html", "head"});
}

bool IsCell(QStringView name) { return NameIs(name, {"td", "th"}); }

// Elements whose content is not shown: read over without looking inside.
bool HoldsRawText(QStringView name) { return NameIs(name, {"script", "style"}); }

struct Tag {
    QStringView name;
    QStringView attributes;  // the text between the name and the closing '>'
    bool closing = false;
    bool selfClosing = false;
};

// Splits a page into text and tags, in one pass. Comments, <!DOCTYPE> and <?...?> are skipped; a '<'
// that starts none of these is text; the content of <script> and <style> is skipped with them.
class HtmlWalker {
public:
    enum Token { Text, Element, End };
    explicit HtmlWalker(QStringView html) : html_(html) {}

    Token next() {
        const qsizetype size = html_.size();
        if (pos_ >= size) return End;
        if (!rawEnd_.isEmpty()) return skipRaw();
        if (html_[pos_] == u'<' && pos_ + 1 < size) {
            const QChar c = html_[pos_ + 1];
            if (c == u'!' || c == u'?') {
                skipDeclaration();
                return next();
            }
            if (IsAsciiLetter(c) || (c == u'/' && pos_ + 2 < size && IsAsciiLetter(html_[pos_ + 2])))
                return readTag();
        }
        // Text up to the next '<' that may start markup.
        qsizetype end = pos_ + 1;
        while (end < size && html_[end] != u'<') ++end;
        text = html_.sliced(pos_, end - pos_);
        pos_ = end;
        return Text;
    }

    QStringView text;
    Tag tag;

private:
    void skipDeclaration() {
        const bool comment = html_.sliced(pos_).startsWith(u"<!--");
        const qsizetype end = comment ? html_.indexOf(u"-->", pos_ + 4) : html_.indexOf(u'>', pos_);
        pos_ = end < 0 ? html_.size() : end + (comment ? 3 : 1);
    }

    Token readTag() {
        const qsizetype size = html_.size();
        tag = Tag{};
        qsizetype p = pos_ + 1;
        if (html_[p] == u'/') {
            tag.closing = true;
            ++p;
        }
        const qsizetype nameStart = p;
        while (p < size && IsNameChar(html_[p])) ++p;
        tag.name = html_.sliced(nameStart, p - nameStart);
        const qsizetype attributesStart = p;
        // To the '>' that ends the tag: a quoted attribute value may hold one.
        while (p < size && html_[p] != u'>') {
            if (html_[p] == u'=') {
                ++p;
                while (p < size && IsSpace(html_[p])) ++p;
                if (p < size && (html_[p] == u'"' || html_[p] == u'\'')) {
                    const qsizetype close = html_.indexOf(html_[p], p + 1);
                    p = close < 0 ? size : close + 1;
                }
                continue;
            }
            ++p;
        }
        tag.attributes = html_.sliced(attributesStart, p - attributesStart);
        tag.selfClosing = tag.attributes.endsWith(u'/');
        pos_ = p < size ? p + 1 : size;
        if (!tag.closing && !tag.selfClosing && HoldsRawText(tag.name)) rawEnd_ = QStringLiteral("</") + tag.name.toString();
        return Element;
    }

    Token skipRaw() {
        const qsizetype end = html_.indexOf(rawEnd_, pos_, Qt::CaseInsensitive);
        rawEnd_.clear();
        pos_ = end < 0 ? html_.size() : end;
        return next();
    }

    QStringView html_;
    qsizetype pos_ = 0;
    QString rawEnd_;  // "</script" while inside a script
};

// Decodes the character reference at the start of `text` ("&amp;", "&#20013;", "&#x4e2d;") into `out`
// and gives its length; 0 when `text` does not start with one the view would decode.
qsizetype DecodeEntity(QStringView text, QString& out) {
    qsizetype end = 1;
    while (end < text.size() && end < 12 && (IsNameChar(text[end]) || text[end] == u'#')) ++end;
    const QStringView body = text.sliced(1, end - 1);
    const qsizetype length = end < text.size() && text[end] == u';' ? end + 1 : end;
    if (body.startsWith(u'#')) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const uint code = body.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok) return 0;
        const bool valid = code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        const char32_t c = valid ? code : 0xFFFD;
        out += QString::fromUcs4(&c, 1);
        return length;
    }
    static const struct {
        const char* name;
        char16_t c;
    } named[] = {{"lt", u'<'},     {"gt", u'>'},     {"amp", u'&'},    {"quot", u'"'},  {"apos", u'\''},
                 {"nbsp", u' '},   {"copy", u'©'},   {"reg", u'®'},    {"middot", u'·'}, {"mdash", u'—'},
                 {"ndash", u'–'},  {"hellip", u'…'}, {"laquo", u'«'},  {"raquo", u'»'}};
    for (const auto& n : named) {
        if (body.compare(QLatin1StringView(n.name), Qt::CaseSensitive) == 0) {
            out += QChar(n.c);
            return length;
        }
    }
    return 0;
}

QString DecodeEntities(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == u'&') {
            if (const qsizetype used = DecodeEntity(text.sliced(i), out)) {
                i += used;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

// The value of attribute `name` in a tag's attribute text, or nothing.
QStringView AttributeValue(QStringView attributes, QLatin1StringView name) {
    const qsizetype size = attributes.size();
    qsizetype p = 0;
    while (p < size) {
        while (p < size && !IsNameChar(attributes[p])) ++p;
        const qsizetype nameStart = p;
        while (p < size && IsNameChar(attributes[p])) ++p;
        const QStringView found = attributes.sliced(nameStart, p - nameStart);
        while (p < size && IsSpace(attributes[p])) ++p;
        if (p >= size || attributes[p] != u'=') continue;
        ++p;
        while (p < size && IsSpace(attributes[p])) ++p;
        qsizetype valueStart = p;
        qsizetype valueEnd = p;
        if (p < size && (attributes[p] == u'"' || attributes[p] == u'\'')) {
            const qsizetype close = attributes.indexOf(attributes[p], p + 1);
            valueStart = p + 1;
            valueEnd = close < 0 ? size : close;
            p = close < 0 ? size : close + 1;
        } else {
            while (p < size && !IsSpace(attributes[p]) && attributes[p] != u'>') ++p;
            valueEnd = p;
        }
        if (found.compare(name, Qt::CaseInsensitive) == 0) return attributes.sliced(valueStart, valueEnd - valueStart);
    }
    return {};
}

// The elements open at the reader, innermost last, and the tables among them.
class OpenElements {
public:
    void open(QStringView name) {
        names_.push_back(name);
        if (NameIs(name, {"table"})) ++tables_;
    }
    // Closes the innermost open element of that name and everything inside it; an end tag that matches
    // nothing open is ignored, as the parser does.
    void close(QStringView name) {
        for (auto it = names_.size(); it-- > 0;) {
            if (names_[it].compare(name, Qt::CaseInsensitive) != 0) continue;
            while (names_.size() > it) {
                if (NameIs(names_.back(), {"table"})) --tables_;
                names_.pop_back();
            }
            return;
        }
    }
    qsizetype count() const { return static_cast<qsizetype>(names_.size()); }
    int tables() const { return tables_; }

private:
    std::vector<QStringView> names_;
    int tables_ = 0;
};

}  // namespace

bool FitsPageBudget(QStringView html, const PageBudget& budget) {
    if (html.size() > budget.maxChars) return false;
    constexpr qint64 kCellWeight = 128;
    HtmlWalker walker(html);
    OpenElements open;
    qsizetype run = 0;
    qint64 tableWork = 0;
    for (HtmlWalker::Token t; (t = walker.next()) != HtmlWalker::End;) {
        if (t == HtmlWalker::Text) {
            const QStringView text = walker.text;
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text[i];
                if (IsSpace(c) || BreaksBeside(c)) {
                    run = 0;
                    continue;
                }
                if (++run > budget.maxRun) return false;
            }
            if (open.tables() > 0) {
                tableWork += qint64(text.size()) << open.tables();
                if (tableWork > budget.maxTableWork) return false;
            }
            continue;
        }
        const Tag& tag = walker.tag;
        if (IsBlock(tag.name) || IsCell(tag.name)) run = 0;
        if (tag.closing) {
            open.close(tag.name);
            continue;
        }
        if (IsCell(tag.name) && open.tables() > 0) {
            tableWork += kCellWeight << open.tables();
            if (tableWork > budget.maxTableWork) return false;
        }
        if (tag.selfClosing || OpensNoLevel(tag.name)) continue;
        open.open(tag.name);
        if (open.count() > budget.maxOpenElements || open.tables() > budget.maxTableDepth) return false;
    }
    return true;
}

QString PagePlainText(QStringView html, const PageBudget& budget) {
    QString out;
    out.reserve(std::min(html.size(), budget.maxPlainChars) + 16);
    HtmlWalker walker(html);
    int inPre = 0;
    bool pendingSpace = false;
    qsizetype run = 0;
    auto endLine = [&] {
        if (!out.isEmpty() && out.back() != u'\n') out += u'\n';
        pendingSpace = false;
        run = 0;
    };
    auto put = [&](char16_t c) {
        if (c == u'\r') return;
        if (c == u'\n' || c == u'\t') {
            out += QChar(c);
            run = 0;
            return;
        }
        if (c < 0x20 || c == 0x7F) return;  // control characters show as boxes, or not at all
        if (pendingSpace && !out.isEmpty() && out.back() != u'\n' && out.back() != u'\t') {
            out += u' ';
            run = 0;
        }
        pendingSpace = false;
        if (c == u' ' || BreaksBeside(c)) {
            run = 0;
        } else if (run++ == budget.plainRun) {
            out += u'\n';
            run = 1;
        }
        out += QChar(c);
    };
    for (HtmlWalker::Token t; out.size() <= budget.maxPlainChars && (t = walker.next()) != HtmlWalker::End;) {
        if (t == HtmlWalker::Text) {
            for (const QChar c : DecodeEntities(walker.text)) {
                if (inPre == 0 && IsSpace(c.unicode()))
                    pendingSpace = true;
                else
                    put(c.unicode());
            }
            continue;
        }
        const Tag& tag = walker.tag;
        if (NameIs(tag.name, {"pre"})) inPre = std::max(0, inPre + (tag.closing ? -1 : 1));
        if (NameIs(tag.name, {"br"})) {
            out += u'\n';
            pendingSpace = false;
            run = 0;
        } else if (IsBlock(tag.name)) {
            endLine();
        } else if (IsCell(tag.name) && !tag.closing) {
            if (!out.isEmpty() && out.back() != u'\n') out += u'\t';
            pendingSpace = false;
            run = 0;
        }
    }
    if (out.size() > budget.maxPlainChars) {
        out.truncate(budget.maxPlainChars);
        // A surrogate pair cut in half would show as a box.
        if (!out.isEmpty() && out.back().isHighSurrogate()) out.chop(1);
        return out.trimmed() + QString::fromUtf16(PageCutText);
    }
    return out.trimmed();
}

QStringList PagePictureAddresses(QStringView html) {
    QStringList found;
    HtmlWalker walker(html);
    for (HtmlWalker::Token t; (t = walker.next()) != HtmlWalker::End;) {
        if (t != HtmlWalker::Element || walker.tag.closing || !NameIs(walker.tag.name, {"img"})) continue;
        const QString src = DecodeEntities(AttributeValue(walker.tag.attributes, QLatin1StringView("src"))).trimmed();
        if (!src.isEmpty()) found << src;
    }
    return found;
}

}  // namespace ds::tools
