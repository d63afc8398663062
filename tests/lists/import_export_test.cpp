// The import and export commands on the real main window, with real files in a temporary folder and
// the desktop seam answering the dialogs.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <QElapsedTimer>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/codepage.h"
#include "core/config.h"
#include "core/yield_pacer.h"
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

// Also keeps what each file dialog was asked with.
struct ListDesktop : test::RecordingDesktop {
    QStringList dialogs;
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
        InstallImportExport(*w_);  // harmless where the window has already installed it
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
    void click(const QString& name) { w_->findChild<QPushButton*>(name)->click(); }
    ui::GridControl* grid() { return w_->grid1(); }
    ui::BusyStrip* strip() { return w_->findChild<ui::BusyStrip*>(QStringLiteral("floadtxt")); }
    QStringList column(int c) {
        QStringList out;
        for (int r = 1; r < grid()->rows(); ++r) out << grid()->cellText(r, c);
        return out;
    }
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
    QString exportTo(const QString& name, ui::MessageAnswer answer = ui::MessageAnswer::No) {
        desk_->saveNames << file(name);
        desk_->answers.push_back(answer);
        click(QStringLiteral("ltxt"));
        return file(name);
    }
    // Imports 100,000 numbered names ("d<n>.com"), calling `meanwhile` at every yield once the first
    // batch is in the grid.
    void importLongFile(const std::function<void()>& meanwhile) {
        QByteArray bytes;
        for (int i = 1; i <= kLongFile; ++i) bytes += "d" + QByteArray::number(i) + ".com\r\n";
        put(QStringLiteral("long.txt"), bytes);
        desk_->openNames << file(QStringLiteral("long.txt"));
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (grid()->rows() > 1) meanwhile();
        });
        timer.start(0);
        click(QStringLiteral("lintxt"));
    }
    static constexpr int kLongFile = 100000;

    QTemporaryDir dir_;
    std::shared_ptr<ListDesktop> desk_ = std::make_shared<ListDesktop>();
    std::unique_ptr<search::Fdomain> w_;
};

TEST_F(ImportExportTest, ImportReadsUtf8AndGbkFilesWithEitherLineEnd) {
    struct Case {
        QByteArray bom;
        const char* codePage;
        const char* lineEnd;
    };
    const Case cases[] = {{{}, "UTF-8", "\n"}, {"\xEF\xBB\xBF", "UTF-8", "\r\n"}, {{}, "GBK", "\r\n"}, {{}, "GBK", "\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codePage) + (c.bom.isEmpty() ? "" : " BOM") + (c.lineEnd[0] == '\r' ? " CRLF" : " LF"));
        grid()->setRows(3);
        w_->state().loadedTable = QStringLiteral("ldomainreg");
        const QString end = QString::fromLatin1(c.lineEnd);
        const QString text = u"abc" + end + U(u" 前导.com") + end + U(u"b.com  备注") + end + U(u"镕备案.中国") + end;
        put(QStringLiteral("list.txt"), c.bom + EncodeText(text, QString::fromLatin1(c.codePage)));
        desk_->openNames << file(QStringLiteral("list.txt"));
        click(QStringLiteral("lintxt"));

        EXPECT_EQ(column(col::Number), (QStringList{u"1"_qs, u"2"_qs}));
        EXPECT_EQ(column(col::Domain), (QStringList{u"b.com"_qs, U(u"镕备案.中国")}));
        EXPECT_EQ(column(col::Status), (QStringList{QString(), QString()}));
        EXPECT_EQ(column(col::Selected), (QStringList{u"1"_qs, u"1"_qs})) << "the rows follow 全选";
        EXPECT_EQ(w_->findChild<QLabel*>(u"plistcount"_qs)->text(), U(u"共 2 个导入的域名"));
        EXPECT_TRUE(w_->state().loadedTable.isEmpty()) << "imported rows come from no table";
        // The last search's pages would replace the list.
        EXPECT_FALSE(w_->findChild<QPushButton*>(QStringLiteral("pnext"))->isEnabled());
        EXPECT_FALSE(strip()->isVisible());
    }
    EXPECT_EQ(desk_->dialogs.first(), U(u"打开|文本文件(*.txt)"));
    EXPECT_TRUE(desk_->messages.empty());
}

TEST_F(ImportExportTest, UnreadableFileOrCancelLeavesTheGridAsItWas) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("folder.txt")));
    QFile huge(file(u"huge.txt"_qs));  // sparse: takes no room on the disk
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(kMaxListFileBytes + 1));
    huge.close();
    for (const QString& path : {file(u"missing.txt"_qs), file(u"folder.txt"_qs), file(u"huge.txt"_qs), QString()}) {
        SCOPED_TRACE(path.toStdString());
        grid()->setRows(1);
        addRow(true, {{col::Domain, u"keep.com"_qs}});
        w_->state().loadedTable = QStringLiteral("ldomainreg");
        desk_->messages.clear();
        desk_->openNames << path;  // empty: the dialog was cancelled
        click(QStringLiteral("lintxt"));

        EXPECT_EQ(column(col::Domain), QStringList{u"keep.com"_qs});
        EXPECT_EQ(w_->state().loadedTable, QStringLiteral("ldomainreg"));
        ASSERT_EQ(desk_->messages.size(), path.isEmpty() ? 0u : 1u);
        if (path.isEmpty()) continue;
        EXPECT_TRUE(desk_->messages[0].text.startsWith(U(ImportFailedText)));
        EXPECT_GT(desk_->messages[0].text.size(), QStringView(ImportFailedText).size()) << "the reason follows";
    }
}

// A FIFO is refused at once, writer or not: opened the usual way it would hold the window until some
// program writes to it, and read without a size its writer could send without end. The guard thread
// plays that writer after a while, so the old fault fails the test instead of hanging it.
TEST_F(ImportExportTest, ImportRefusesAFifoAtOnce) {
    const QByteArray fifo = QFile::encodeName(file(u"pipe.txt"_qs));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread guard([&] {
        for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
    });
    addRow(true, {{col::Domain, u"keep.com"_qs}});
    desk_->openNames << file(u"pipe.txt"_qs);
    QElapsedTimer clock;
    clock.start();
    click(QStringLiteral("lintxt"));
    const qint64 took = clock.elapsed();
    done = true;
    guard.join();

    EXPECT_LT(took, 2000);
    EXPECT_EQ(column(col::Domain), QStringList{u"keep.com"_qs});
    ASSERT_EQ(desk_->messages.size(), 1u);
    EXPECT_TRUE(desk_->messages[0].text.startsWith(U(ImportFailedText))) << desk_->messages[0].text.toStdString();
}

// Lines that could not name a domain are not taken, and a list saved as UTF-16 without a mark reads
// as its names rather than names full of NULs.
TEST_F(ImportExportTest, ImportTakesOnlyNamesThatCouldBeDomains) {
    const QByteArray lines = "ok.com\r\n" + QByteArray(300, 'a') + ".com\r\n" + QByteArray("nul\0x.com\r\n", 11) +
                             "bell\x07.com note\r\nlast.net\r\n";
    put(u"odd.txt"_qs, lines);
    const QString utf16Text = u"u1.com\r\n备案.中国\r\n"_qs;
    put(u"utf16le.txt"_qs, QByteArray(reinterpret_cast<const char*>(utf16Text.utf16()), utf16Text.size() * 2));
    struct Case {
        QString name;
        QStringList domains;
    };
    const Case cases[] = {
        {u"odd.txt"_qs, {u"ok.com"_qs, u"last.net"_qs}},
        {u"utf16le.txt"_qs, {u"u1.com"_qs, U(u"备案.中国")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        desk_->openNames << file(c.name);
        click(QStringLiteral("lintxt"));
        EXPECT_EQ(column(col::Domain), c.domains);
    }
    EXPECT_TRUE(desk_->messages.empty());
}

TEST_F(ImportExportTest, StopButtonEndsTheImportKeepingTheRowsReadSoFar) {
    QString progress;
    importLongFile([&] {
        progress = strip()->text();
        click(QStringLiteral("lstop1"));
    });
    const int rows = grid()->rows() - 1;
    EXPECT_GE(rows, ImportBatchRows);
    EXPECT_LT(rows, kLongFile);
    EXPECT_EQ(grid()->cellText(rows, col::Number), QString::number(rows)) << "numbered without gaps";
    EXPECT_EQ(grid()->cellText(rows, col::Domain), u"d" + QString::number(rows) + u".com");
    EXPECT_TRUE(progress.startsWith(U(u"正在导入域名，已读取 ")) && progress.endsWith(U(u" 行，请稍候")))
        << progress.toStdString();
    EXPECT_FALSE(strip()->isVisible());
}

TEST_F(ImportExportTest, ImportWritesNoMoreOnceThePasteWindowHasReplacedTheRows) {
    importLongFile([&] {
        if (grid()->cellText(1, col::Domain) != u"d1.com") return;
        click(QStringLiteral("Command2"));
        tools::PasteListOf(*w_)->llist()->setPlainText(QStringLiteral("p1.com\np2.com"));
        tools::PasteListOf(*w_)->lgo_Click();
    });
    EXPECT_EQ(column(col::Domain), (QStringList{u"p1.com"_qs, u"p2.com"_qs}));
}

// A search that finds nothing, run during the import's first yield, empties the grid as a load does
// (its row count is the same as an import that has read nothing yet): the import adds nothing after it.
TEST_F(ImportExportTest, ImportWritesNoMoreAfterASearchThatFoundNothing) {
    put(QStringLiteral("short.txt"), QByteArray("a.com\r\nb.com\r\n"));
    desk_->openNames << file(QStringLiteral("short.txt"));
    bool searched = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (searched || !strip()->isVisible()) return;
        searched = true;
        grid()->setRows(1);  // what a page load of no rows does
    });
    timer.start(0);
    click(QStringLiteral("lintxt"));
    EXPECT_TRUE(searched);
    EXPECT_EQ(grid()->rows(), 1);
}

TEST_F(ImportExportTest, AddEmptyRowsAppendsTheClampedCount) {
    auto* box = w_->findChild<QLineEdit*>(QStringLiteral("lnewrowset"));
    addRow(false, {{col::Domain, u"kept.com"_qs}});
    int rows = grid()->rows();
    for (const auto& [typed, added] : {std::pair{"3", 3}, std::pair{"2000", 1000}, std::pair{"abc", 1}}) {
        box->setText(QString::fromLatin1(typed));
        click(QStringLiteral("laddnewrow"));
        EXPECT_EQ(grid()->rows(), rows += added) << typed;
        EXPECT_EQ(box->text(), QString::number(added));
    }
    EXPECT_EQ(column(col::Domain).join(QString()), u"kept.com"_qs);
}

TEST_F(ImportExportTest, ExportWritesTheTickedRowsInTheTextForm) {
    addRow(true, {{col::Domain, u"a.com"_qs}, {col::Status, U(u"未注册")}, {col::Registered, u"2010-01-02"_qs},
                  {col::Expires, u"2024-03-01"_qs}});
    addRow(false, {{col::Domain, u"skipped.com"_qs}});
    addRow(true, {{col::Domain, u"b.com"_qs}});
    const QString sp(8, u' ');

    tickGroups({true, false, false, false});
    const QString path = exportTo(QStringLiteral("domain.txt"));
    EXPECT_EQ(get(path), EncodeText(U(u"域名地址\r\na.com\r\nb.com\r\n"), u"GBK"_qs));
    tickGroups({true, true, false, false});
    exportTo(QStringLiteral("domain.txt"), ui::MessageAnswer::Yes);
    EXPECT_EQ(get(path), EncodeText(U(u"域名地址") + sp + U(u"注册状态") + sp + U(u"注册时间") + sp + U(u"到期时间") +
                                        u"\r\na.com" + sp + U(u"未注册") + sp + u"2010-01-02" + sp + u"2024-03-01" +
                                        u"\r\nb.com\r\n",
                                    u"GBK"_qs));
    tickGroups({false, false, false, false});
    exportTo(QStringLiteral("domain.txt"));
    EXPECT_EQ(get(path), QByteArray("\r\n\r\n\r\n")) << "an empty header line and one per ticked row";

    ASSERT_EQ(desk_->messages.size(), 3u);
    EXPECT_EQ(desk_->messages[0].title, U(u"成功"));
    EXPECT_EQ(desk_->messages[0].text, u"已导出 2 个域名到" + path + U(u"，是否现在打开？"));
    EXPECT_EQ(desk_->opened, QStringList{path}) << "only the Yes answer opens the file";
    EXPECT_EQ(desk_->dialogs.first(), U(u"保存|文本文件(*.txt);;表格文件(*.csv)|domain"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"domain.txt"_qs});
}

// The file holds the rows chosen at the click, whatever replaces them while it is being written (here
// the paste window's list, run at the export's first yield); with none chosen nothing is written.
TEST_F(ImportExportTest, ExportWritesTheRowsChosenAtTheClick) {
    ds::ScopedYieldInterval everyRow(std::chrono::milliseconds(0));
    for (int i = 1; i <= 3000; ++i) addRow(i % 3 != 0, {{col::Domain, QStringLiteral("e%1.com").arg(i)}});
    tickGroups({true, false, false, false});
    bool pasted = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (pasted || !strip()->isVisible()) return;
        pasted = true;
        click(QStringLiteral("Command2"));
        tools::PasteListOf(*w_)->llist()->setPlainText(QStringLiteral("p1.com\np2.com"));
        tools::PasteListOf(*w_)->lgo_Click();
    });
    timer.start(0);
    const QString path = exportTo(QStringLiteral("chosen.txt"));
    EXPECT_TRUE(pasted);
    const QList<QByteArray> lines = get(path).split('\n');
    EXPECT_EQ(lines.size(), 2000 + 2);  // header, 2,000 rows, and the empty rest after the last line end
    EXPECT_EQ(lines[1], "e1.com\r");
    EXPECT_FALSE(get(path).contains("p1.com"));
    ASSERT_EQ(desk_->messages.size(), 1u);
    EXPECT_EQ(desk_->messages[0].text, u"已导出 2000 个域名到" + path + U(u"，是否现在打开？"));
    EXPECT_EQ(column(col::Domain), (QStringList{u"p1.com"_qs, u"p2.com"_qs}));
    EXPECT_EQ(column(col::Selected), (QStringList{u"1"_qs, u"1"_qs})) << "pasted rows follow 全选";
    const auto* line = w_->findChild<QLabel*>(u"plistcount"_qs);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), U(u"共 2 个导入的域名"));
    EXPECT_FALSE(w_->findChild<QLabel*>(u"pnumber"_qs)->isVisibleTo(w_.get()));

    grid()->setRows(1);
    addRow(false, {{col::Domain, u"x.com"_qs}});
    exportTo(QStringLiteral("none.txt"));
    EXPECT_FALSE(QFileInfo::exists(file(QStringLiteral("none.txt"))));
    ASSERT_EQ(desk_->messages.size(), 2u);
    EXPECT_TRUE(desk_->messages[1].text.startsWith(U(u"没有选中的域名"))) << desk_->messages[1].text.toStdString();
}

TEST_F(ImportExportTest, ExportThatCannotBeWrittenIsToldAndHarmsNothing) {
    addRow(true, {{col::Domain, u"a.com"_qs}});
    put(QStringLiteral("afile"), QByteArray("keep"));
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("domain.csv/inside")));
    for (const QString& target : {u"afile/x.csv"_qs, u"domain.csv"_qs, u"no/such/x.txt"_qs}) {
        SCOPED_TRACE(target.toStdString());
        desk_->messages.clear();
        exportTo(target);
        ASSERT_EQ(desk_->messages.size(), 1u) << "no success question";
        EXPECT_TRUE(desk_->messages[0].text.startsWith(U(ExportFailedText))) << desk_->messages[0].text.toStdString();
        EXPECT_GT(desk_->messages[0].text.size(), QStringView(ExportFailedText).size()) << "the reason follows";
    }
    EXPECT_TRUE(desk_->endCodes.empty()) << "the program goes on";
    EXPECT_EQ(column(col::Domain), QStringList{u"a.com"_qs});
    EXPECT_FALSE(strip()->isVisible());
    EXPECT_EQ(get(file(u"afile"_qs)), QByteArray("keep"));
    EXPECT_TRUE(QFileInfo(file(u"domain.csv/inside"_qs)).isDir());
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).size(), 2)
        << "no temporary file left behind";
}

// Python's csv module is an independent RFC 4180 reader.
QJsonArray ReadWithPython(const QString& path, const QString& encoding) {
    QProcess python;
    python.start(u"python3"_qs, {u"-c"_qs,
                                 u"import csv, json, sys\n"
                                 u"with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
                                 u"    json.dump(list(csv.reader(f, strict=True)), sys.stdout)\n"_qs,
                                 path, encoding});
    EXPECT_TRUE(python.waitForFinished(30000) && python.exitCode() == 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

TEST_F(ImportExportTest, CsvHasOneFieldPerColumnAndRoundTripsThroughAnIndependentReader) {
    if (QStandardPaths::findExecutable(u"python3"_qs).isEmpty()) GTEST_SKIP() << "python3 not found";
    addRow(true, {{col::Domain, u"a.com"_qs}, {col::SiteName, u"Tom, Dick \"and\" Harry"_qs}});
    addRow(true, {{col::Domain, U(u"镕备案.中国")}, {col::SiteName, u"two\r\nlines\nand\ra CR"_qs}, {col::AlexaRank, u"9"_qs}});
    addRow(true, {{col::Status, U(u"未注册")}, {col::SiteName, u"\""_qs}, {col::HolderKind, U(u"企业")}});
    tickGroups({true, true, true, true});
    const std::vector<int> columns = ExportColumns({true, true, true, true});

    const QString path = exportTo(QStringLiteral("round.csv"));
    EXPECT_TRUE(get(path).startsWith(EncodeText(U(u"域名地址,注册状态,注册时间,到期时间,备案号,性质,备案时间,网站名称,PR值,"
                                                  u"百度收录,百度外链,alexa排名\r\na.com,,,,,,,\"Tom, Dick \"\"and\"\" Harry\",,,,\r\n"),
                                                u"GBK"_qs)));
    // Then with a character GBK lacks, which turns the file into UTF-8 behind a mark.
    const QString site = grid()->cellText(1, col::SiteName);
    for (const char* encoding : {"gbk", "utf-8-sig"}) {
        SCOPED_TRACE(encoding);
        if (encoding[0] == 'u') grid()->setCellText(1, col::SiteName, site + U(u" 😀"));
        const QJsonArray read = ReadWithPython(exportTo(QStringLiteral("round.csv")), QString::fromLatin1(encoding));
        ASSERT_EQ(read.size(), grid()->rows());
        for (int r = 0; r < grid()->rows(); ++r) {
            const QJsonArray fields = read[r].toArray();
            ASSERT_EQ(fields.size(), static_cast<int>(columns.size())) << "row " << r;
            for (size_t i = 0; i < columns.size(); ++i)
                EXPECT_EQ(fields[static_cast<int>(i)].toString(), grid()->cellText(r, columns[i])) << r << "," << i;
        }
    }
}

}  // namespace
}  // namespace ds::lists
