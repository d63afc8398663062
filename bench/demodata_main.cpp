// dropscout_demodata <path> [--reg N] [--his N] [--back N] [--seed S] [--today YYYY-MM-DD]
// Writes a demo database and prints how long it took.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

#include "db/demo_data.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: dropscout_demodata <path> [--reg N] [--his N] [--back N] [--seed S] [--today YYYY-MM-DD]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString path;
    ds::db::DemoOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QStringLiteral("--"))) {
            if (!path.isEmpty()) return Usage();
            path = a;
            continue;
        }
        if (i + 1 >= args.size()) return Usage();
        const QString value = args[++i];
        bool ok = true;
        if (a == u"--reg")
            options.regRows = value.toLongLong(&ok);
        else if (a == u"--his")
            options.hisRows = value.toLongLong(&ok);
        else if (a == u"--back")
            options.backRows = value.toLongLong(&ok);
        else if (a == u"--seed")
            options.seed = value.toUInt(&ok);
        else if (a == u"--today")
            ok = (options.today = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"))).isValid();
        else
            return Usage();
        if (!ok) return Usage();
    }
    if (path.isEmpty()) return Usage();

    QElapsedTimer timer;
    timer.start();
    try {
        ds::db::GenerateDemoDatabase(path, options);
    } catch (const ds::db::DbError& e) {
        std::fprintf(stderr, "dropscout_demodata: %s\n", e.what());
        return 1;
    }
    std::printf("wrote %s: %lld ldomainreg + %lld ldomainhis rows in %.2f s\n", qPrintable(path),
                static_cast<long long>(options.regRows), static_cast<long long>(options.hisRows),
                timer.elapsed() / 1000.0);
    return 0;
}
