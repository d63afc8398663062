#include "db/sqlite_dialect.h"

#include <QStringView>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "db/db_error.h"

namespace ds::db {
namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$' || c == u'@' || c == u'#';
}

// SQLite's LIMIT takes a signed 64-bit count; the server takes larger ones, which mean "all rows".
QString LimitCount(const QString& token) {
    static const QString kMax = QString::number(std::numeric_limits<qint64>::max());
    bool allDigits = !token.isEmpty();
    for (QChar c : token) allDigits = allDigits && c.isDigit() && c.unicode() < 128;
    if (allDigits) {
        QString digits = token;
        while (digits.size() > 1 && digits.front() == u'0') digits.remove(0, 1);
        if (digits.size() > kMax.size() || (digits.size() == kMax.size() && digits > kMax)) return kMax;
        return digits;
    }
    bool ok = false;
    const double v = token.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::floor(v) != v)
        throw DbError(QStringLiteral("the row count after TOP must be a whole number: ") + token);
    if (v >= 9.2233720368547758e18) return kMax;
    return QString::number(static_cast<qint64>(v));
}

class Adapter {
public:
    Adapter(const QString& in, QString nowLiteral) : in_(in), now_(std::move(nowLiteral)) {}

    QString adapt(qsizetype from, qsizetype to) const {
        QString out;
        out.reserve(to - from + 16);
        qsizetype lastSignificant = 0;   // where a limit goes: after the last token that is not blank
        std::vector<QString> limits(1);  // pending limit per parenthesis depth
        auto put = [&](const QString& piece) {
            out += piece;
            lastSignificant = out.size();
        };
        auto flush = [&](QString& limit) {
            if (limit.isEmpty()) return;
            const QString clause = QStringLiteral(" limit ") + limit;
            out.insert(lastSignificant, clause);
            lastSignificant += clause.size();
            limit.clear();
        };

        qsizetype i = from;
        while (i < to) {
            const QChar c = in_[i];
            if (c == u'\'' || c == u'"' || c == u'[') {
                const qsizetype end = quotedEnd(i, to);
                put(in_.mid(i, end - i));
                i = end;
            } else if (const qsizetype end = commentEnd(i, to); end > i) {
                out += in_.mid(i, end - i);
                i = end;
            } else if (c.isSpace()) {
                out += c;
                ++i;
            } else if (c == u'(') {
                limits.emplace_back();
                put(c);
                ++i;
            } else if (c == u')') {
                if (limits.size() > 1) {
                    flush(limits.back());
                    limits.pop_back();
                }
                put(c);
                ++i;
            } else if (c == u';') {
                flush(limits.back());
                put(c);
                ++i;
            } else if (IsWordChar(c)) {
                i = word(i, to, out, limits.back(), put);
            } else {
                put(c);
                ++i;
            }
        }
        while (!limits.empty()) {
            flush(limits.back());
            limits.pop_back();
        }
        return out;
    }

private:
    // One word at `i`; rewrites the three dialect pieces and returns where scanning goes on.
    template <typename Put>
    qsizetype word(qsizetype i, qsizetype to, QString& out, QString& pendingLimit, Put& put) const {
        qsizetype end = i;
        while (end < to && IsWordChar(in_[end])) ++end;
        const QString text = in_.mid(i, end - i);
        const QString lower = text.toLower();

        if (lower == u"getdate") {
            const qsizetype open = skipBlank(end, to);
            if (open < to && in_[open] == u'(') {
                const qsizetype close = skipBlank(open + 1, to);
                if (close < to && in_[close] == u')') {
                    put(now_);
                    return close + 1;
                }
            }
        } else if (lower == u"datediff") {
            const qsizetype open = skipBlank(end, to);
            const qsizetype close = open < to && in_[open] == u'(' ? matchingParen(open, to) : -1;
            if (close > 0) {
                const auto args = splitArguments(open + 1, close);
                if (args.size() == 3) {
                    put(datediff(args));
                    return close + 1;
                }
            }
        } else if (lower == u"select") {
            put(text);
            qsizetype next = skipBlank(end, to);
            qsizetype afterWord = wordEnd(next, to);
            const QString second = in_.mid(next, afterWord - next).toLower();
            qsizetype keepUntil = end;  // text between "select" and "top" that stays (distinct/all)
            if (second == u"distinct" || second == u"all") {
                keepUntil = afterWord;
                next = skipBlank(afterWord, to);
                afterWord = wordEnd(next, to);
            }
            if (in_.mid(next, afterWord - next).toLower() == u"top") {
                const qsizetype countAt = skipBlank(afterWord, to);
                qsizetype countEnd = countAt;
                QString count;
                if (countAt < to && in_[countAt] == u'(') {
                    const qsizetype close = matchingParen(countAt, to);
                    if (close > 0) {
                        countEnd = close + 1;
                        count = u'(' + adapt(countAt + 1, close) + u')';
                    }
                } else {
                    countEnd = numberEnd(countAt, to);
                    if (countEnd > countAt) count = LimitCount(in_.mid(countAt, countEnd - countAt));
                }
                if (!count.isEmpty()) {
                    out += in_.mid(end, keepUntil - end);
                    pendingLimit = count;
                    return countEnd;
                }
            }
            return end;
        }
        put(text);
        return end;
    }

    QString datediff(const std::vector<std::pair<qsizetype, qsizetype>>& args) const {
        QString unit = in_.mid(args[0].first, args[0].second - args[0].first).trimmed().toLower();
        if (unit.size() >= 2 && (unit.front() == u'\'' || unit.front() == u'"' || unit.front() == u'['))
            unit = unit.mid(1, unit.size() - 2).trimmed();
        const QString from = adapt(args[1].first, args[1].second);
        const QString to = adapt(args[2].first, args[2].second);
        // The server counts day boundaries crossed, i.e. the difference of the calendar dates; built-in
        // date arithmetic keeps a filter over a million rows several times faster than a registered
        // function would.
        if (unit == u"day" || unit == u"dd" || unit == u"d" || unit == u"dayofyear" || unit == u"dy" || unit == u"y")
            return QStringLiteral("CAST(julianday(") + to + QStringLiteral(",'start of day') - julianday(") + from +
                   QStringLiteral(",'start of day') AS INTEGER)");
        return QStringLiteral("datediff('") + unit + QStringLiteral("',") + from + u',' + to + u')';
    }

    // Index just past the literal or quoted name starting at `i` (doubled closing quotes stay inside).
    qsizetype quotedEnd(qsizetype i, qsizetype to) const {
        const QChar close = in_[i] == u'[' ? QChar(u']') : in_[i];
        qsizetype j = i + 1;
        while (j < to) {
            if (in_[j] == close) {
                if (j + 1 < to && in_[j + 1] == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return to;
    }

    // Index just past a comment starting at `i`, or `i` when none starts there.
    qsizetype commentEnd(qsizetype i, qsizetype to) const {
        if (i + 1 >= to) return i;
        if (in_[i] == u'-' && in_[i + 1] == u'-') {
            qsizetype j = i + 2;
            while (j < to && in_[j] != u'\n') ++j;
            return j;
        }
        if (in_[i] == u'/' && in_[i + 1] == u'*') {
            const qsizetype close = in_.indexOf(QStringLiteral("*/"), i + 2);
            return close < 0 || close + 2 > to ? to : close + 2;
        }
        return i;
    }

    qsizetype skipBlank(qsizetype i, qsizetype to) const {
        while (i < to) {
            if (in_[i].isSpace()) {
                ++i;
            } else if (const qsizetype end = commentEnd(i, to); end > i) {
                i = end;
            } else {
                break;
            }
        }
        return i;
    }

    qsizetype wordEnd(qsizetype i, qsizetype to) const {
        while (i < to && IsWordChar(in_[i])) ++i;
        return i;
    }

    // A plain number: digits, an optional fraction and exponent, not followed by a word character.
    qsizetype numberEnd(qsizetype i, qsizetype to) const {
        qsizetype j = i;
        auto digits = [&] {
            while (j < to && in_[j].unicode() >= u'0' && in_[j].unicode() <= u'9') ++j;
        };
        digits();
        if (j < to && in_[j] == u'.') {
            ++j;
            digits();
        }
        if (j == i || (j == i + 1 && in_[i] == u'.')) return i;
        if (j < to && (in_[j] == u'e' || in_[j] == u'E')) {
            qsizetype k = j + 1;
            if (k < to && (in_[k] == u'+' || in_[k] == u'-')) ++k;
            const qsizetype expFrom = k;
            while (k < to && in_[k].unicode() >= u'0' && in_[k].unicode() <= u'9') ++k;
            if (k > expFrom) j = k;
        }
        return j < to && IsWordChar(in_[j]) ? i : j;
    }

    // Index of the ')' that closes the '(' at `open`, or -1.
    qsizetype matchingParen(qsizetype open, qsizetype to) const {
        int depth = 0;
        qsizetype i = open;
        while (i < to) {
            const QChar c = in_[i];
            if (c == u'\'' || c == u'"' || c == u'[') {
                i = quotedEnd(i, to);
                continue;
            }
            if (const qsizetype end = commentEnd(i, to); end > i) {
                i = end;
                continue;
            }
            if (c == u'(') ++depth;
            if (c == u')' && --depth == 0) return i;
            ++i;
        }
        return -1;
    }

    // Ranges of the comma-separated arguments between `from` and `to` (commas inside parentheses,
    // literals and comments do not split).
    std::vector<std::pair<qsizetype, qsizetype>> splitArguments(qsizetype from, qsizetype to) const {
        std::vector<std::pair<qsizetype, qsizetype>> args;
        qsizetype start = from;
        qsizetype i = from;
        while (i < to) {
            const QChar c = in_[i];
            if (c == u'\'' || c == u'"' || c == u'[') {
                i = quotedEnd(i, to);
            } else if (const qsizetype end = commentEnd(i, to); end > i) {
                i = end;
            } else if (c == u'(') {
                const qsizetype close = matchingParen(i, to);
                i = close < 0 ? to : close + 1;
            } else if (c == u',') {
                args.emplace_back(start, i);
                start = ++i;
            } else {
                ++i;
            }
        }
        args.emplace_back(start, to);
        return args;
    }

    const QString& in_;
    QString now_;
};

// Tokens of an adapted statement, for recognising the searches' shape. Blanks and comments are dropped.
struct Token {
    enum Kind { Word, Literal, QuotedName, Other } kind;
    qsizetype begin, end;
};

std::vector<Token> Tokenize(const QString& sql) {
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            while (i < n && sql[i] != u'\n') ++i;
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype close = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = close < 0 ? n : close + 2;
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == close) {
                    if (close != u']' && j + 1 < n && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = std::min(j + 1, n);
            tokens.push_back({c == u'\'' ? Token::Literal : Token::QuotedName, i, end});
            i = end;
        } else if (IsWordChar(c)) {
            qsizetype j = i;
            while (j < n && IsWordChar(sql[j])) ++j;
            tokens.push_back({Token::Word, i, j});
            i = j;
        } else {
            tokens.push_back({Token::Other, i, i + 1});
            ++i;
        }
    }
    return tokens;
}

// Where the keyword term of a search statement lies; termBegin < 0 when the statement is not one.
struct SearchShape {
    QString table;
    qsizetype termBegin = -1;
    qsizetype patternBegin = -1, patternEnd = -1;  // the literal, quotes included
    qint64 rowLimit = -1;
};

SearchShape ReadSearchShape(const QString& sql, const QStringList& tables) {
    const std::vector<Token> t = Tokenize(sql);
    auto text = [&](size_t i) {
        return i < t.size() ? QStringView(sql).sliced(t[i].begin, t[i].end - t[i].begin) : QStringView();
    };
    auto is = [&](size_t i, QStringView word) {
        return i < t.size() && t[i].kind == Token::Word && text(i).compare(word, Qt::CaseInsensitive) == 0;
    };
    SearchShape shape;
    if (!is(0, u"select") || text(1) != u"*" || !is(2, u"from") || t.size() < 5 || t[3].kind != Token::Word ||
        !is(4, u"where"))
        return shape;
    const QString table = text(3).toString().toLower();
    if (!tables.contains(table, Qt::CaseInsensitive)) return shape;

    // The filter runs up to a top-level ORDER BY, LIMIT or the end of the statement.
    size_t end = 5;
    int depth = 0;
    qsizetype term = -1;
    for (; end < t.size(); ++end) {
        const QStringView s = text(end);
        if (t[end].kind == Token::Other) {
            if (s == u"(") ++depth;
            if (s == u")" && --depth < 0) return shape;
            if (s == u";") break;
            continue;
        }
        if (t[end].kind != Token::Word) continue;
        // Another table or statement, or operators that could turn the keyword term's meaning.
        for (QStringView word : {u"select", u"from", u"join", u"union", u"in", u"escape", u"exists"})
            if (is(end, word)) return shape;
        if (depth == 0 && (is(end, u"order") || is(end, u"limit"))) break;
        if (depth > 0) continue;
        for (QStringView word : {u"or", u"not", u"between", u"case"})
            if (is(end, word)) return shape;
        if (is(end, u"lname") && is(end + 1, u"like") && end + 2 < t.size() && t[end + 2].kind == Token::Literal &&
            (is(end - 1, u"where") || is(end - 1, u"and"))) {
            const size_t after = end + 3;
            const bool closes = after >= t.size() || is(after, u"and") || is(after, u"order") || is(after, u"limit") ||
                                text(after) == u";";
            if (!closes) return shape;
            if (term >= 0) return shape;  // two keyword terms: not a statement the searches build
            term = static_cast<qsizetype>(end);
        }
    }
    if (depth != 0 || term < 0) return shape;
    // What follows the filter: ORDER BY keys, LIMIT n, at most a closing semicolon.
    for (size_t i = end; i < t.size(); ++i) {
        if (text(i) == u";") {
            if (i + 1 != t.size()) return shape;
            break;
        }
        for (QStringView word : {u"select", u"from", u"join", u"union"})
            if (is(i, word)) return shape;
        if (is(i, u"limit")) {
            bool ok = false;
            shape.rowLimit = text(i + 1).toLongLong(&ok);
            if (!ok) return shape;
        }
    }
    const auto k = static_cast<size_t>(term);
    shape.table = table;
    shape.termBegin = t[k].begin;
    shape.patternBegin = t[k + 2].begin;
    shape.patternEnd = t[k + 2].end;
    return shape;
}

}  // namespace

QString SqliteDateTimeText(const QDateTime& at) {
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString AdaptToSqlite(const QString& sqlServerSql, const QDateTime& now) {
    const Adapter adapter(sqlServerSql, u'\'' + SqliteDateTimeText(now) + u'\'');
    return adapter.adapt(0, sqlServerSql.size());
}

QString TrigramQueryForLike(const QString& pattern) {
    QStringList phrases;
    QString run;
    qsizetype characters = 0;  // code points: a trigram is three characters, whatever their UTF-16 length
    auto endRun = [&] {
        if (characters >= 3) phrases << u'"' + QString(run).replace(u'"', QStringLiteral("\"\"")) + u'"';
        run.clear();
        characters = 0;
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'%' || c == u'_') {
            endRun();
            continue;
        }
        if (c.isNull()) return {};  // the engine would read the text as ending here
        run += c;
        if (!c.isLowSurrogate()) ++characters;
    }
    endRun();
    return phrases.join(u' ');
}

NameSearchForms AdaptNameSearch(const QString& sqlServerSql, const QDateTime& now, const QStringList& indexedTables) {
    NameSearchForms forms;
    forms.plain = AdaptToSqlite(sqlServerSql, now);
    if (indexedTables.isEmpty() || !forms.plain.contains(QStringLiteral("lname"), Qt::CaseInsensitive)) return forms;
    const SearchShape shape = ReadSearchShape(forms.plain, indexedTables);
    // An unterminated literal fails as it is; there is nothing to rewrite.
    if (shape.termBegin < 0 || shape.patternEnd - shape.patternBegin < 2 || forms.plain[shape.patternEnd - 1] != u'\'')
        return forms;
    QString pattern = forms.plain.mid(shape.patternBegin + 1, shape.patternEnd - shape.patternBegin - 2);
    pattern.replace(QStringLiteral("''"), QStringLiteral("'"));
    // A pattern that starts with a character is served by the B-tree on lname, in name order; only the
    // rest needs the name index.
    if (pattern.isEmpty() || (pattern[0] != u'%' && pattern[0] != u'_')) return forms;
    const QString match = TrigramQueryForLike(pattern);
    if (match.isEmpty()) return forms;

    const QString ftsTable = shape.table + QStringLiteral("_fts");
    const QString rows = QStringLiteral("lid in (select rowid from ") + ftsTable + QStringLiteral(" where ") +
                         ftsTable + QStringLiteral(" match '") + QString(match).replace(u'\'', QStringLiteral("''")) +
                         QStringLiteral("') and ");
    forms.driving = forms.plain;
    forms.driving.insert(shape.termBegin, rows);
    forms.filtering = forms.plain;
    forms.filtering.insert(shape.termBegin, u'+' + rows);
    forms.table = shape.table;
    forms.match = match;
    forms.rowLimit = shape.rowLimit;
    return forms;
}

}  // namespace ds::db
