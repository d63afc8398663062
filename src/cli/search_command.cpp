// dropscout-cli search: the rows a search tab of the window gives, as CSV or JSON lines.
#include <QCommandLineParser>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/cli_program.h"
#include "core/clock.h"
#include "core/text.h"
#include "db/db_error.h"
#include "db/shared_objects.h"
#include "lists/list_format.h"
#include "search/domain_row.h"
#include "search/fdomain_rules.h"
#include "search/statements/search_statements.h"

namespace ds::cli {
namespace {

// The grid's columns a search row is printed with: from 编号 on, without the two blank ones (选择 is
// the grid's tick box, nothing the database holds).
std::vector<int> PrintedColumns() {
    std::vector<int> cols;
    for (int c = search::col::Number; c < search::col::Count; ++c)
        if (QString::fromUtf16(search::GridColumns()[size_t(c)].header) != u"空白") cols.push_back(c);
    return cols;
}

// The tab's keyword boxes (左包含, 右包含) for a --match word.
bool MatchBoxes(const QString& match, int& left, int& right) {
    if (match == u"contains") left = 0, right = 0;
    else if (match == u"prefix") left = 1, right = 0;
    else if (match == u"suffix") left = 0, right = 1;
    else if (match == u"exact") left = 1, right = 1;
    else return false;
    return true;
}

// Ticks the extension boxes named ("com,net" or ".com,.net"); false with the first unknown one.
bool TickExtensions(const QString& list, int& all, QList<search::ExtensionBox>& boxes, QString& unknown) {
    all = 0;
    for (QString ext : list.split(u',', Qt::SkipEmptyParts)) {
        ext = ext.trimmed().toLower();
        if (!ext.startsWith(u'.')) ext.prepend(u'.');
        bool found = false;
        for (search::ExtensionBox& box : boxes)
            if (box.caption == ext) box.checked = 1, found = true;
        if (!found) {
            unknown = ext;
            return false;
        }
    }
    return true;
}

QVariant Field(const std::vector<QVariant>& row, const QHash<QString, int>& at, const char* name) {
    const auto it = at.constFind(QString::fromLatin1(name));
    return it == at.constEnd() ? QVariant() : row[size_t(*it)];
}

QByteArray Quoted(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// {"编号":"1","域名地址":...}: the keys in the grid's order, which a JSON object would sort.
QByteArray JsonRow(const QStringList& keys, const QStringList& values) {
    QByteArray out = "{";
    for (int i = 0; i < keys.size(); ++i) out += (i ? "," : "") + Quoted(keys[i]) + ':' + Quoted(values[i]);
    return out + "}\n";
}

}  // namespace

int RunSearch(const QStringList& args, const GlobalOptions& global) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "The rows the window's search of a tab gives for these options, every other option at the\n"
        "window's default: filed is 过期备案域名检索, expired is 过期域名综合检索."));
    p.addHelpOption();
    p.addPositionalArgument(QStringLiteral("tab"), QStringLiteral("filed or expired"));
    const QCommandLineOption keyword(QStringLiteral("keyword"), QStringLiteral("the search keyword"), QStringLiteral("TEXT"));
    const QCommandLineOption match(QStringLiteral("match"),
                                   QStringLiteral("contains, prefix, suffix or exact (default: the tab's, contains for "
                                                  "filed, exact for expired)"),
                                   QStringLiteral("HOW"));
    const QCommandLineOption ext(QStringLiteral("ext"), QStringLiteral("only these extensions: com,net,..."),
                                 QStringLiteral("LIST"));
    const QCommandLineOption limit(QStringLiteral("limit"), QStringLiteral("rows at most (default 2000)"),
                                   QStringLiteral("N"), QStringLiteral("2000"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv or jsonl (default csv)"),
                                    QStringLiteral("FORMAT"), QStringLiteral("csv"));
    const QCommandLineOption bom(QStringLiteral("bom"), QStringLiteral("begin csv with a UTF-8 byte-order mark"));
    p.addOptions({keyword, match, ext, limit, format, bom});
    if (const std::optional<int> done = ParseCommand(p, args)) return *done;
    const QStringList positional = p.positionalArguments();
    if (positional.size() != 1 || (positional[0] != u"filed" && positional[0] != u"expired")) {
        Say(QStringLiteral("error: give the tab: filed or expired\n\n") + p.helpText());
        return kExitUsage;
    }
    const bool filed = positional[0] == u"filed";
    const QString how = p.value(format);
    if (how != u"csv" && how != u"jsonl") {
        Say(QStringLiteral("error: --format is csv or jsonl"));
        return kExitUsage;
    }
    bool limitOk = false;
    const qint64 rows = p.value(limit).toLongLong(&limitOk);
    if (!limitOk || rows < 1 || rows > search::MaxRowLimit) {
        Say(QStringLiteral("error: --limit takes a whole number from 1 to %1").arg(search::MaxRowLimit));
        return kExitUsage;
    }
    // The window refuses longer keywords and drops NULs typed into its boxes.
    const QString word = search::WithoutNul(p.value(keyword));
    if (word.size() > 200) {
        Say(QStringLiteral("error: 检索关键字过长，最多 200 个字符"));
        return kExitUsage;
    }

    // Both tabs' options have the same fields for what the flags name; every other field keeps the tab's
    // default.
    QString statement, unknownExt;
    const auto fill = [&](auto o) -> std::optional<decltype(o)> {
        o.keyword = word;
        o.rowLimit = QString::number(rows);
        if (p.isSet(match) && !MatchBoxes(p.value(match), o.keywordLeft, o.keywordRight)) {
            Say(QStringLiteral("error: --match is contains, prefix, suffix or exact"));
            return std::nullopt;
        }
        if (p.isSet(ext) && !TickExtensions(p.value(ext), o.extensionAll, o.extensions, unknownExt)) {
            Say(QStringLiteral("error: no extension box %1 on the tab").arg(unknownExt));
            return std::nullopt;
        }
        return o;
    };
    if (filed) {
        const auto o = fill(search::FiledSearchOptions::Defaults());
        if (!o) return kExitUsage;
        statement = search::BuildFiledSearchStatement(*o);
    } else {
        const auto o = fill(search::ExpiredSearchOptions::Defaults());
        if (!o) return kExitUsage;
        statement = search::BuildExpiredSearchStatement(*o);
    }

    if (const int status = OpenDatabase(global); status != kExitOk) return status;
    db::ResultTable table;
    try {
        table = db::DbConn().query(statement);
    } catch (const db::DbError& e) {
        Say(QStringLiteral("error: the search failed: ") + e.description());
        return kExitDatabase;
    }

    QHash<QString, int> at;
    for (int i = 0; i < table.columns.size(); ++i) at.insert(table.columns[i].toLower(), i);
    QHash<QString, QString> prices;
    const auto priceOf = [&](const QVariant& extension) -> QString {
        if (!extension.isValid() || extension.isNull()) return {};
        const QString e = search::CellText(extension);
        if (const auto it = prices.constFind(e); it != prices.constEnd()) return *it;
        QString price;
        try {
            const db::ResultTable t =
                db::DbConn().query(u"select lprice from ldomainprice where lextend='" + SqlEscape(e) + u'\'');
            if (!t.rows.empty()) price = search::CellText(t.rows[0][0]);
        } catch (const db::DbError&) {
        }
        prices.insert(e, price);
        return price;
    };

    const std::vector<int> cols = PrintedColumns();
    QStringList headers;
    for (int c : cols) headers << QString::fromUtf16(search::GridColumns()[size_t(c)].header);
    if (how == u"csv") Print((p.isSet(bom) ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + lists::CsvLine(headers).toUtf8() + "\r\n");
    const QDate today = ds::clock().today();
    int number = 0;
    for (const std::vector<QVariant>& r : table.rows) {
        const auto f = [&](const char* name) { return Field(r, at, name); };
        const search::DomainRecord rec{f("lid"),       f("lallname"),      f("lextend"),   f("lregtime"),
                                       f("louttime"),  f("ldeltime"),      f("lback"),     f("lbackhostkind"),
                                       f("lbacktime"), f("lbackname"),     f("lgooglepr"), f("lbaidudomain"),
                                       f("lbaidusite"), f("lalexa")};
        const search::DomainRow row = search::BuildDomainRow(rec, ++number, today, priceOf(rec.lextend));
        QStringList values;
        for (int c : cols) values << row.cells[size_t(c)];
        Print(how == u"csv" ? lists::CsvLine(values).toUtf8() + "\r\n" : JsonRow(headers, values));
    }
    Say(QStringLiteral("%1 rows").arg(table.rows.size()));
    return kExitOk;
}

}  // namespace ds::cli
