// dropscout-cli export --from-ledger: the answers the ledger keeps.
#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonDocument>

#include "checks/ledger/ledger.h"
#include "cli/cli_program.h"
#include "cli/cli_rules.h"
#include "lists/list_format.h"

namespace ds::cli {

int RunExport(const QStringList& args, const GlobalOptions& global) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Writes the answers kept in the ledger, oldest first."));
    p.addHelpOption();
    const QCommandLineOption fromLedger(QStringLiteral("from-ledger"), QStringLiteral("export the check ledger"));
    const QCommandLineOption since(QStringLiteral("since"),
                                   QStringLiteral("only answers from then on (2024-05-01 or 2024-05-01T09:00:00+08:00)"),
                                   QStringLiteral("ISO-DATE"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv or jsonl (default jsonl)"),
                                    QStringLiteral("FORMAT"), QStringLiteral("jsonl"));
    const QCommandLineOption bom(QStringLiteral("bom"), QStringLiteral("begin csv with a UTF-8 byte-order mark"));
    p.addOptions({fromLedger, since, format, bom});
    if (const std::optional<int> done = ParseCommand(p, args)) return *done;
    if (!p.isSet(fromLedger) || !p.positionalArguments().isEmpty()) {
        Say(QStringLiteral("error: export takes --from-ledger (the only source) and no other arguments\n\n") + p.helpText());
        return kExitUsage;
    }
    const QString how = p.value(format);
    if (how != u"csv" && how != u"jsonl") {
        Say(QStringLiteral("error: --format is csv or jsonl"));
        return kExitUsage;
    }
    QDateTime from;
    if (p.isSet(since)) {
        const QString text = p.value(since);
        from = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!from.isValid()) {
            const QDate day = QDate::fromString(text, Qt::ISODate);
            if (day.isValid()) from = day.startOfDay();
        }
        if (!from.isValid()) {
            Say(QStringLiteral("error: --since takes an ISO 8601 date or time, not %1").arg(text));
            return kExitUsage;
        }
    }
    const QString path = global.ledger.isEmpty() ? checks::ledger::DefaultLedgerPath() : global.ledger;
    if (!QFileInfo::exists(path)) {
        Say(QStringLiteral("error: no ledger at %1").arg(path));
        return kExitUsage;
    }
    checks::ledger::Ledger ledger;
    if (!ledger.open(path)) {
        Say(QStringLiteral("error: ") + ledger.error());
        return kExitUsage;
    }
    const std::vector<checks::ledger::Answer> answers = ledger.answersSince(from);
    if (how == u"csv") {
        const QStringList headers{QStringLiteral("domain"),   QStringLiteral("check"),  QStringLiteral("verdict"),
                                  QStringLiteral("reason"),   QStringLiteral("source"), QStringLiteral("http_status"),
                                  QStringLiteral("values"),   QStringLiteral("run"),    QStringLiteral("checked_at")};
        Print((p.isSet(bom) ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + lists::CsvLine(headers).toUtf8() + "\r\n");
    }
    for (const checks::ledger::Answer& a : answers) {
        if (how == u"csv") {
            const QStringList values{a.domain, a.check, a.verdict, a.reason, a.source,
                                     a.httpStatus > 0 ? QString::number(a.httpStatus) : QString(),
                                     QString::fromUtf8(QJsonDocument(a.values).toJson(QJsonDocument::Compact)),
                                     QString::number(a.runId), checks::ledger::IsoWithOffset(a.checkedAt)};
            Print(lists::CsvLine(values).toUtf8() + "\r\n");
        } else {
            OutputAnswer o{a.domain, a.check, a.verdict, a.reason, a.source, a.httpStatus, a.checkedAt, true, true,
                           a.values};
            Print(JsonLine(o));
        }
    }
    Say(QStringLiteral("%1 answers").arg(answers.size()));
    return kExitOk;
}

}  // namespace ds::cli
