// dropscout-cli search against the main window's own search on the same generated database file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include "db/demo_data.h"
#include "db/shared_objects.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "search/fdomain_rules.h"
#include "support/test_support.h"
#include "ui/grid_control.h"

namespace ds::cli {
namespace {

struct SearchRun {
    int exit = -1;
    std::vector<QJsonObject> rows;
    QByteArray out, err;
};

SearchRun RunSearch(const QString& folder, const QStringList& args) {
    QProcess p;
    p.setProgram(QStringLiteral(DROPSCOUT_CLI));
    p.setArguments(args);
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), folder);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
    p.setProcessEnvironment(env);
    p.start();
    SearchRun r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(2000);
        ADD_FAILURE() << "dropscout-cli search did not finish in 20 s";
    }
    r.exit = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    for (const QByteArray& line : r.out.split('\n'))
        if (!line.isEmpty()) r.rows.push_back(QJsonDocument::fromJson(line).object());
    return r;
}

TEST(CliSearch, RowsEqualTheWindowsForTheSameOptions) {
    test::TempCwd cwd;
    test::DesktopScope desktop;
    const QString path = cwd.file(QStringLiteral("demo.db"));
    db::DemoOptions demo;
    demo.regRows = 800;
    demo.hisRows = 800;
    demo.backRows = 800;
    db::GenerateDemoDatabase(path, demo);
    db::NewDbObjects();
    db::DbConn().open(QStringLiteral("Provider=SQLite;Data Source=") + path);
    search::Fdomain w;
    w.show();
    const auto box = [&](const char* name) { return w.findChild<QAbstractButton*>(QString::fromLatin1(name)); };
    const auto edit = [&](const char* name) { return w.findChild<QLineEdit*>(QString::fromLatin1(name)); };

    const struct {
        const char* what;
        std::function<void()> setUp;  // the window's options
        const char* button;
        std::vector<const char*> args;  // the program's
    } cases[] = {
        {"filed, every option at its default", [] {}, "lsearch", {"search", "filed"}},
        {"filed, keyword contained",
         [&] { edit("lfind")->setText(QStringLiteral("a")); },
         "lsearch",
         {"search", "filed", "--keyword", "a"}},
        {"filed, prefix on .com and .net",
         [&] {
             edit("lfind")->setText(QStringLiteral("b"));
             box("lcodent(0)")->setChecked(true);
             box("lextendnum(0)")->click();
             box("lextendnum(1)")->click();
         },
         "lsearch",
         {"search", "filed", "--keyword", "b", "--match", "prefix", "--ext", "com,net"}},
        {"expired, keyword as a suffix",
         [&] {
             edit("slfind")->setText(QStringLiteral("e"));
             box("slcodent(0)")->setChecked(false);
         },
         "slsearch",
         {"search", "expired", "--keyword", "e", "--match", "suffix"}},
    };
    int compared = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        w.findChild<QPushButton*>(QString::fromLatin1(c.button))->click();
        ui::GridControl* grid = w.grid1();
        QStringList args{QStringLiteral("--db"), path};
        for (const char* a : c.args) args << QString::fromLatin1(a);
        args << QStringLiteral("--format") << QStringLiteral("jsonl");
        const SearchRun r = RunSearch(cwd.path(), args);
        ASSERT_EQ(r.exit, 0) << r.err.toStdString();
        // The window shows the first page; the program prints every row, numbered on.
        ASSERT_GE(int(r.rows.size()), grid->rows() - 1);
        ASSERT_GT(grid->rows(), 1);
        for (int row = 1; row < grid->rows(); ++row)
            for (int col = search::col::Number; col < search::col::Count; ++col) {
                const QString header = QString::fromUtf16(search::GridColumns()[size_t(col)].header);
                if (header == u"空白") continue;
                EXPECT_EQ(r.rows[size_t(row - 1)].value(header).toString(), grid->cellText(row, col))
                    << "row " << row << ", " << header.toStdString();
                ++compared;
            }
        edit("lfind")->clear();
        edit("slfind")->clear();
    }
    EXPECT_GT(compared, 100);
    db::NewDbObjects();
}

TEST(CliSearch, CsvHasTheGridsHeadersAndAByteOrderMarkOnlyWhenAsked) {
    test::TempCwd cwd;
    const QString path = cwd.file(QStringLiteral("demo.db"));
    db::DemoOptions demo;
    demo.regRows = demo.hisRows = demo.backRows = 50;
    db::GenerateDemoDatabase(path, demo);
    SearchRun plain = RunSearch(cwd.path(), {QStringLiteral("--db"), path, QStringLiteral("search"),
                                             QStringLiteral("expired"), QStringLiteral("--limit"), QStringLiteral("3")});
    ASSERT_EQ(plain.exit, 0) << plain.err.toStdString();
    EXPECT_TRUE(plain.out.startsWith(QStringLiteral("编号,域名地址,注册状态,").toUtf8())) << plain.out.left(80).toStdString();
    EXPECT_EQ(plain.out.count("\r\n"), 4);  // the headers and three rows
    SearchRun bom = RunSearch(cwd.path(), {QStringLiteral("--db"), path, QStringLiteral("search"), QStringLiteral("expired"),
                                           QStringLiteral("--limit"), QStringLiteral("3"), QStringLiteral("--bom")});
    EXPECT_TRUE(bom.out.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(bom.out.mid(3), plain.out);
    EXPECT_EQ(RunSearch(cwd.path(), {QStringLiteral("--db"), path, QStringLiteral("search"), QStringLiteral("filed"),
                                     QStringLiteral("--ext"), QStringLiteral("xyz")})
                  .exit,
              2);
}

}  // namespace
}  // namespace ds::cli
