// The shipped files are found from the installed layout first, then from the source tree, and never
// from the folder the program happens to be started in.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/install_paths.h"

using namespace ds;

namespace {

void Touch(const QString& path, QFileDevice::Permissions extra = {}) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x\n");
    f.close();
    if (extra.toInt() != 0) {
        ASSERT_TRUE(f.setPermissions(f.permissions() | extra));
    }
}

const QString kShipped = QStringLiteral(DROPSCOUT_DATA_DIR "/demo.ini");

}  // namespace

TEST(InstallPaths, DataFilesComeFromTheInstalledLayoutBeforeTheSourceTree) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));

    // Nothing installed yet: the source tree's copy (as for a program in the build tree).
    EXPECT_EQ(FindDataFile(QStringLiteral("demo.ini"), DataFolderCandidates(bin)), QFileInfo(kShipped).absoluteFilePath());
    EXPECT_EQ(FindDataFile(QStringLiteral("no-such-file.sql"), DataFolderCandidates(bin)), QString());

    const QString installed = prefix.filePath(QStringLiteral("share/dropscout/demo.ini"));
    Touch(installed);
    EXPECT_EQ(FindDataFile(QStringLiteral("demo.ini"), DataFolderCandidates(bin)), installed);
    // A program folder given with a trailing slash or "." parts is the same folder.
    EXPECT_EQ(FindDataFile(QStringLiteral("demo.ini"), DataFolderCandidates(bin + QStringLiteral("/./"))), installed);
    // A folder, not a file, of that name is no data file.
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("share/dropscout/folder.sql"))));
    EXPECT_EQ(FindDataFile(QStringLiteral("folder.sql"), DataFolderCandidates(bin)), QString());
}

TEST(InstallPaths, TheCurrentFolderIsNeverSearched) {
    QTemporaryDir here;
    ASSERT_TRUE(here.isValid());
    Touch(here.filePath(QStringLiteral("only-here.sql")));
    Touch(here.filePath(QStringLiteral("dropscout_demo_services")), QFileDevice::ExeOwner);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(here.path()));

    // Relative folders (an empty program folder, ".", a bare name) would mean the current folder.
    for (const QString& folder : {QString(), QStringLiteral("."), QStringLiteral("bin")}) {
        SCOPED_TRACE(folder.toStdString());
        EXPECT_EQ(FindDataFile(QStringLiteral("only-here.sql"), DataFolderCandidates(folder)), QString());
        EXPECT_TRUE(HelperProgramCandidates(folder, QStringLiteral("dropscout_demo_services")).isEmpty());
    }
    EXPECT_EQ(FindDataFile(QStringLiteral("only-here.sql"), {QStringLiteral("."), QString()}), QString());
    EXPECT_EQ(FindHelperProgram(QStringList{QStringLiteral("dropscout_demo_services"),
                                            QStringLiteral("./dropscout_demo_services")}),
              QString());
    ASSERT_TRUE(QDir::setCurrent(before));
}

TEST(InstallPaths, HelperProgramsComeFromLibDropscoutOrBesideTheProgram) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString name = QStringLiteral("dropscout_demo_services");

    // The build tree: every program in one folder.
    const QString build = root.filePath(QStringLiteral("build"));
    Touch(build + u'/' + name, QFileDevice::ExeOwner);
    EXPECT_EQ(FindHelperProgram(HelperProgramCandidates(build, name)), build + u'/' + name);

    // Installed: <prefix>/bin/dropscout finds <prefix>/lib/dropscout/<name>, not one that is not executable.
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    const QString helper = root.filePath(QStringLiteral("usr/lib/dropscout/") + name);
    Touch(helper);
    EXPECT_EQ(FindHelperProgram(HelperProgramCandidates(bin, name)), QString());
    ASSERT_TRUE(QFile(helper).setPermissions(QFile(helper).permissions() | QFileDevice::ExeOwner));
    EXPECT_EQ(FindHelperProgram(HelperProgramCandidates(bin, name)), helper);
    // Both present: the installed one, which belongs to the installed program.
    Touch(bin + u'/' + name, QFileDevice::ExeOwner);
    EXPECT_EQ(FindHelperProgram(HelperProgramCandidates(bin, name)), helper);
}
