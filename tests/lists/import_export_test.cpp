// The import and export commands on the real main window: real files in a temporary folder, the
// desktop seam answering the dialogs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <unistd.h>

#include <map>
#include <memory>

#include "core/codepage.h"
#include "core/config.h"
#include "lists/import_export.h"
#include "lists/install.h"
#include "lists/list_format.h"
#include "search/domain_row.h"
#include "search/fdomain.h"
#include "support/test_support.h"
#include "tools/fback.h"
#include "tools/install.h"
#include "ui/busy_strip.h"
#include "ui/grid_control.h"
#include "ui/markup.h"

namespace ds::lists {
namespace {

namespace col = search::col;

QString U(const char16_t* text) { return QString::fromUtf16(text); }

// Also keeps what the file dialogs were asked with.
struct ListDesktop : test::RecordingDesktop {
    QStringList dialogs;  // title | filter | suggested name
    QString openFileName(QWidget* p, const QString& title, const QString& filter) override {
        dialogs << title + u'|' + filter;
        return RecordingDesktop::openFileName(p, title, filter);
    }
    QString saveFileName(QWidget* p, const QString& title, const QString& filter, const QString& name) override {
        dialogs << title + u'|' + filter + u'|' + name;
        return RecordingDesktop::saveFileName(p, title, filter, name);
    }
};

class ImportExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfig(Config{});
        ui::SetDesktop(desk_);
        w_ = std::make_unique<search::Fdomain>();
        InstallImportExport(*w_);  // idempotent where the window already installs it
        w_->show();
    }
    void TearDown() override {
        w_.reset();
        ui::SetDesktop(nullptr);
    }

    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void put(const QString& name, const QByteArray& bytes) {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray get(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void click(const QString& name) {
        auto* b = w_->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        b->click();
    }
    ui::GridControl* grid() { return w_->grid1(); }
    ui::BusyStrip* strip() { return w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt")); }
    QStringList column(int c) {
        QStringList out;
        for (int r = 1; r < grid()->rows(); ++r) out << grid()->cellText(r, c);
        return out;
    }
    // A data row: the selection mark and cells by column.
    void addRow(bool selected, const std::map<int, QString>& cells) {
        std::vector<QString> row(col::Count);
        row[col::Selected] = selected ? QStringLiteral("1") : QStringLiteral("0");
        for (const auto& [c, text] : cells) row[c] = text;
        grid()->appendRow(row);
    }
    void tickGroups(std::array<bool, 4> ticked) {
        for (int g = 0; g < 4; ++g)
            w_->findChild<ui::MarkupCheck*>(u"louttext(" + QString::number(g) + u')')->setChecked(ticked[g]);
    }
    // Exports to `name` in the temporary folder, answering the question with `answer`.
    QString exportTo(const QString& name, ui::MessageAnswer answer = ui::MessageAnswer::No) {
        desk_->saveNames << file(name);
        desk_->answers.push_back(answer);
        click(QStringLiteral("ltxt"));
        return file(name);
    }

    QTemporaryDir dir_;
    std::shared_ptr<ListDesktop> desk_ = std::make_shared<ListDesktop>();
    std::unique_ptr<search::Fdomain> w_;
};

// --- Import -------------------------------------------------------------------------------------------

TEST_F(ImportExportTest, ImportReadsUtf8AndGbkFilesWithEitherLineEnd) {
    const QString lines[] = {QStringLiteral("abc"), U(u" 前导.com"), U(u"b.com  备注"), U(u"镕备案.中国")};
    struct Case {
        const char* name;
        QByteArray bom;
        const char* codePage;
        QString lineEnd;
    };
    const Case cases[] = {
        {"utf8 LF", {}, "UTF-8", QStringLiteral("\n")},
        {"utf8 BOM CR LF", QByteArray("\xEF\xBB\xBF"), "UTF-8", QStringLiteral("\r\n")},
        {"GBK CR LF", {}, "GBK", QStringLiteral("\r\n")},
        {"GBK LF", {}, "GBK", QStringLiteral("\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid()->setRows(3);
        w_->state().loadedTable = QStringLiteral("ldomainreg");
        QString text;
        for (const QString& l : lines) text += l + c.lineEnd;
        put(QStringLiteral("list.txt"), c.bom + EncodeText(text, QString::fromLatin1(c.codePage)));
        desk_->openNames << file(QStringLiteral("list.txt"));
        click(QStringLiteral("lintxt"));

        EXPECT_EQ(column(col::Number), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
        EXPECT_EQ(column(col::Domain), (QStringList{QStringLiteral("b.com"), U(u"镕备案.中国")}));
        EXPECT_EQ(column(col::Status), (QStringList{QString(), QString()}));
        EXPECT_EQ(column(col::Selected), (QStringList{QString(), QString()}));
        EXPECT_TRUE(w_->state().loadedTable.isEmpty()) << "imported rows come from no table";
        EXPECT_TRUE(w_->state().StopFlag);
        EXPECT_FALSE(strip()->isVisible());
    }
    EXPECT_EQ(desk_->dialogs.first(), U(u"打开|文本文件(*.txt)"));
    EXPECT_TRUE(desk_->messages.empty());
}

TEST_F(ImportExportTest, ImportEmptiesTheGridEvenWhenTheFileNamesNoDomain) {
    addRow(true, {{col::Domain, QStringLiteral("old.com")}});
    put(QStringLiteral("none.txt"), QByteArray("abc\r\nno domain here\r\n"));
    desk_->openNames << file(QStringLiteral("none.txt"));
    click(QStringLiteral("lintxt"));
    EXPECT_EQ(grid()->rows(), 1);
    EXPECT_EQ(grid()->cellText(0, col::Domain), U(u"域名地址")) << "the header stays";
}

TEST_F(ImportExportTest, UnreadableFileOrCancelLeavesTheGridAsItWas) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.txt")));
    const QString paths[] = {file(QStringLiteral("missing.txt")), file(QStringLiteral("folder.txt")), QString()};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        grid()->setRows(1);
        addRow(true, {{col::Domain, QStringLiteral("keep.com")}});
        w_->state().loadedTable = QStringLiteral("ldomainreg");
        desk_->messages.clear();
        desk_->openNames << path;  // empty: the dialog was cancelled
        click(QStringLiteral("lintxt"));

        EXPECT_EQ(column(col::Domain), QStringList{QStringLiteral("keep.com")});
        EXPECT_EQ(w_->state().loadedTable, QStringLiteral("ldomainreg"));
        if (path.isEmpty()) {
            EXPECT_TRUE(desk_->messages.empty());
        } else {
            ASSERT_EQ(desk_->messages.size(), 1u);
            EXPECT_TRUE(desk_->messages[0].text.startsWith(U(ImportFailedText))) << desk_->messages[0].text.toStdString();
            EXPECT_GT(desk_->messages[0].text.size(), QStringView(ImportFailedText).size()) << "the reason follows";
        }
    }
}

// A file long enough that the import yields many times after its first batch reached the grid.
QByteArray NumberedDomains(int count) {
    QByteArray bytes;
    for (int i = 1; i <= count; ++i) bytes += "d" + QByteArray::number(i) + ".com\r\n";
    return bytes;
}

TEST_F(ImportExportTest, StopButtonEndsTheImportKeepingTheRowsReadSoFar) {
    constexpr int kLines = 100000;
    put(QStringLiteral("big.txt"), NumberedDomains(kLines));
    desk_->openNames << file(QStringLiteral("big.txt"));
    QString progress;
    QTimer stopper;
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        if (strip()->isVisible()) progress = strip()->text();
        if (grid()->rows() > 1) click(QStringLiteral("lstop1"));
    });
    stopper.start(0);
    click(QStringLiteral("lintxt"));
    stopper.stop();

    const int rows = grid()->rows() - 1;
    EXPECT_GE(rows, ImportBatchRows);
    EXPECT_LT(rows, kLines);
    // Numbered without gaps, each name on its own line's number.
    EXPECT_EQ(grid()->cellText(rows, col::Number), QString::number(rows));
    EXPECT_EQ(grid()->cellText(rows, col::Domain), u"d" + QString::number(rows) + u".com");
    EXPECT_TRUE(progress.startsWith(U(u"正在导入域名，已读取 ")) && progress.endsWith(U(u" 行，请稍候")))
        << progress.toStdString();
    EXPECT_FALSE(strip()->isVisible());
}

TEST_F(ImportExportTest, ImportStopsWhenThePasteWindowReplacesTheRows) {
    put(QStringLiteral("big.txt"), NumberedDomains(100000));
    desk_->openNames << file(QStringLiteral("big.txt"));
    bool pasted = false;
    QTimer paster;
    QObject::connect(&paster, &QTimer::timeout, [&] {
        if (pasted || grid()->rows() <= 1) return;
        pasted = true;
        click(QStringLiteral("Command2"));
        tools::flist_back* paste = tools::PasteListOf(*w_);
        paste->llist()->setPlainText(QStringLiteral("p1.com\np2.com"));
        paste->lgo_Click();
    });
    paster.start(0);
    click(QStringLiteral("lintxt"));
    paster.stop();

    ASSERT_TRUE(pasted);
    EXPECT_EQ(column(col::Domain), (QStringList{QStringLiteral("p1.com"), QStringLiteral("p2.com")}));
}

TEST_F(ImportExportTest, AddEmptyRowsAppendsTheClampedCount) {
    struct Case {
        const char* typed;
        int added;
        const char* shown;
    };
    const Case cases[] = {{"3", 3, "3"}, {"2000", 1000, "1000"}, {"abc", 1, "1"}, {"0", 1, "1"}};
    auto* box = w_->findChild<QLineEdit*>(QStringLiteral("lnewrowset"));
    for (const Case& c : cases) {
        grid()->setRows(1);
        addRow(false, {{col::Domain, QStringLiteral("kept.com")}});
        box->setText(QString::fromLatin1(c.typed));
        click(QStringLiteral("laddnewrow"));
        EXPECT_EQ(grid()->rows(), 2 + c.added) << c.typed;
        EXPECT_EQ(box->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(grid()->cellText(1, col::Domain), QStringLiteral("kept.com"));
        EXPECT_EQ(grid()->cellText(grid()->rows() - 1, col::Domain), QString());
    }
}

// --- Export -------------------------------------------------------------------------------------------

TEST_F(ImportExportTest, ExportWritesTheTickedRowsInTheTextForm) {
    addRow(true, {{col::Domain, QStringLiteral("a.com")}, {col::Status, U(u"未注册")},
                  {col::Registered, QStringLiteral("2010-01-02")}, {col::Expires, QStringLiteral("2024-03-01")}});
    addRow(false, {{col::Domain, QStringLiteral("skipped.com")}});
    addRow(true, {{col::Domain, QStringLiteral("b.com")}});
    const QString sp(8, u' ');

    tickGroups({true, false, false, false});
    const QString path = exportTo(QStringLiteral("domain.txt"));
    EXPECT_EQ(get(path), EncodeText(U(u"域名地址\r\na.com\r\nb.com\r\n"), QStringLiteral("GBK")));

    tickGroups({true, true, false, false});
    exportTo(QStringLiteral("domain.txt"));
    EXPECT_EQ(get(path), EncodeText(U(u"域名地址") + sp + U(u"注册状态") + sp + U(u"注册时间") + sp + U(u"到期时间") +
                                        u"\r\na.com" + sp + U(u"未注册") + sp + u"2010-01-02" + sp + u"2024-03-01" +
                                        u"\r\nb.com\r\n",
                                    QStringLiteral("GBK")));

    tickGroups({false, false, false, false});
    exportTo(QStringLiteral("domain.txt"));
    EXPECT_EQ(get(path), QByteArray("\r\n\r\n\r\n")) << "an empty header line and one per ticked row";

    ASSERT_EQ(desk_->messages.size(), 3u);
    EXPECT_EQ(desk_->messages[0].title, U(u"成功"));
    EXPECT_EQ(desk_->messages[0].text, u"所选域名已成功导出到" + path + U(u"，是否现在打开？"));
    EXPECT_TRUE(desk_->opened.isEmpty()) << "answered No";
    EXPECT_EQ(desk_->dialogs.first(), U(u"保存|文本文件(*.txt);;表格文件(*.csv)|domain"));
    EXPECT_EQ(grid()->rows(), 4);
}

TEST_F(ImportExportTest, ExportInTheCsvFormHasOneFieldPerColumnOnEveryLine) {
    addRow(true, {{col::Domain, QStringLiteral("a.com")}, {col::FilingNumber, QStringLiteral("ICP 1,2")}});
    addRow(true, {{col::AlexaRank, QStringLiteral("7")}});
    tickGroups({true, true, true, true});
    const QString path = exportTo(QStringLiteral("domain.csv"), ui::MessageAnswer::Yes);

    const QString text = DecodeBytes(get(path), QStringLiteral("GBK"));
    EXPECT_EQ(text, U(u"域名地址,注册状态,注册时间,到期时间,备案号,性质,备案时间,网站名称,PR值,百度收录,百度外链,alexa排名\r\n"
                      u"a.com,,,,\"ICP 1,2\",,,,,,,\r\n"
                      u",,,,,,,,,,,7\r\n"));
    EXPECT_EQ(desk_->opened, QStringList{path}) << "Yes opens the file with its application";
}

TEST_F(ImportExportTest, ExportThatCannotBeWrittenIsToldAndHarmsNothing) {
    addRow(true, {{col::Domain, QStringLiteral("a.com")}});
    put(QStringLiteral("afile"), QByteArray("keep"));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("domain.csv/inside")));
    QStringList targets{QStringLiteral("afile/x.csv"), QStringLiteral("domain.csv"), QStringLiteral("no/such/x.txt")};
    // Permission bits only bind a user other than root.
    if (geteuid() != 0) {
        ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("locked")));
        put(QStringLiteral("locked/domain.txt"), QByteArray("earlier export"));
        QFile::setPermissions(file(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
        targets << QStringLiteral("locked/domain.txt");
    }
    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        desk_->messages.clear();
        exportTo(target);
        ASSERT_EQ(desk_->messages.size(), 1u) << "no success question";
        EXPECT_TRUE(desk_->messages[0].text.startsWith(U(ExportFailedText))) << desk_->messages[0].text.toStdString();
        EXPECT_GT(desk_->messages[0].text.size(), QStringView(ExportFailedText).size()) << "the reason follows";
    }
    EXPECT_TRUE(desk_->endCodes.empty()) << "the program goes on";
    EXPECT_EQ(column(col::Domain), QStringList{QStringLiteral("a.com")});
    EXPECT_FALSE(strip()->isVisible());
    EXPECT_EQ(get(file(QStringLiteral("afile"))), QByteArray("keep"));
    EXPECT_TRUE(QFileInfo(file(QStringLiteral("domain.csv/inside"))).isDir());
    if (geteuid() != 0) {
        EXPECT_EQ(get(file(QStringLiteral("locked/domain.txt"))), QByteArray("earlier export"));
        QFile::setPermissions(file(QStringLiteral("locked")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(),
              geteuid() != 0 ? 3 : 2)
        << "no temporary file left behind";
}

// Reads a CSV file with Python's csv module (an independent RFC 4180 reader) and gives its rows.
std::optional<QJsonArray> ReadWithPython(const QString& path, const QString& encoding) {
    const QString script = QStringLiteral(
        "import csv, json, sys\n"
        "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
        "    json.dump(list(csv.reader(f, strict=True)), sys.stdout)\n");
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), script, path, encoding});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        ADD_FAILURE() << python.readAllStandardError().toStdString();
        return std::nullopt;
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST_F(ImportExportTest, CsvRoundTripsThroughAnIndependentReader) {
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty()) GTEST_SKIP() << "python3 not found";
    const std::vector<std::map<int, QString>> rows = {
        {{col::Domain, QStringLiteral("a.com")}, {col::SiteName, QStringLiteral("Tom, Dick \"and\" Harry")}},
        {{col::Domain, U(u"镕备案.中国")}, {col::SiteName, QStringLiteral("two\r\nlines\nand\ra CR")}, {col::AlexaRank, QStringLiteral("9")}},
        {{col::Status, U(u"未注册")}, {col::SiteName, QStringLiteral("\"")}, {col::HolderKind, U(u"企业")}},
    };
    for (const auto& r : rows) addRow(true, r);
    tickGroups({true, true, true, true});

    struct Case {
        const char* name;
        QString extra;  // a value appended to the first row's site name
        const char* pythonEncoding;
    };
    const Case cases[] = {{"GBK", QString(), "gbk"}, {"UTF-8 fallback", U(u" 😀"), "utf-8-sig"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid()->setCellText(1, col::SiteName, rows[0].at(col::SiteName) + c.extra);
        const QString path = exportTo(QStringLiteral("round.csv"));
        ASSERT_EQ(get(path).startsWith("\xEF\xBB\xBF"), !c.extra.isEmpty());
        const std::optional<QJsonArray> read = ReadWithPython(path, QString::fromLatin1(c.pythonEncoding));
        ASSERT_TRUE(read);
        ASSERT_EQ(read->size(), grid()->rows());
        const std::vector<int> columns = ExportColumns({true, true, true, true});
        for (int r = 0; r < grid()->rows(); ++r) {
            const QJsonArray fields = (*read)[r].toArray();
            ASSERT_EQ(fields.size(), static_cast<int>(columns.size())) << "row " << r;
            for (size_t i = 0; i < columns.size(); ++i)
                EXPECT_EQ(fields[static_cast<int>(i)].toString(), grid()->cellText(r, columns[i])) << r << "," << i;
        }
    }
}

}  // namespace
}  // namespace ds::lists
