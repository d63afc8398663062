// Process entry: configuration, the optional demo set-up, then the start-up windows.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

#include "app/features.h"
#include "checks/ledger/ledger.h"
#include "checks/ledger/window_ledger.h"
#include "core/clock.h"
#include "core/config.h"
#include "core/install_paths.h"
#include "search/window_settings.h"
#include "skin/form_skins.h"
#include "startup/demo_setup.h"
#include "startup/fload.h"
#include "startup/floadini.h"
#include "startup/screenshots.h"
#include "ui/application.h"
#include "ui/lock_wait_pump.h"

namespace {

struct Options {
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("Print the version and exit.")};
    QCommandLineOption demo{QStringLiteral("demo"),
                            QStringLiteral("Create the demo database, its address and the demo's dropscout.ini in "
                                           "the current folder (once), start the demo services on loopback for "
                                           "the session, then start on the demo database.")};
    QCommandLineOption autologin{QStringLiteral("autologin"),
                                 QStringLiteral("Press 开始登录 as soon as the start-up window shows.")};

    void addTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(QStringLiteral("DropScout 过期域名助手"));
        parser.addHelpOption();
        parser.addOptions({version, demo, autologin});
    }
};

// The program speaks Chinese, so Qt's own texts do too (确定, 取消, 是, 否, the file dialogs), whatever
// the system's language. Without the translation files installed they stay English.
void InstallQtTranslations(QApplication& app) {
    // Dates and numbers in Qt's own dialogs (the date pickers' calendars) follow the texts.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qt);
    else
        std::fprintf(stderr, "dropscout: Qt's Chinese translations (qtbase_zh_CN.qm) are not installed\n");
}

// --version and --help need no display, so they are answered before any window system is opened.
bool InformationOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--version" || arg == "--help" || arg == "-h" || arg == "--help-all" || arg == "-?") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options;
    if (InformationOnly(argc, argv)) {
        QCoreApplication core(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(DROPSCOUT_VERSION));
        QCommandLineParser parser;
        options.addTo(parser);
        parser.process(core);  // prints the help and exits for --help
        std::printf("DropScout %s\n", DROPSCOUT_VERSION);
        return 0;
    }

    ds::ui::Application app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);  // closing the main window ends the program
    QApplication::setApplicationName(QStringLiteral("DropScout"));
    QApplication::setApplicationVersion(QStringLiteral(DROPSCOUT_VERSION));
    // Lets the desktop match the windows to the menu entry and its icon (share/applications/dropscout.desktop).
    QGuiApplication::setDesktopFileName(QStringLiteral("dropscout"));
    // The task bar and window switcher show the menu entry's icon, from the icon theme it is installed in
    // (a program run from the build tree has none there and keeps the desktop's default).
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("dropscout")));
    // The window's registration answers join dropscout-cli's in the user's check ledger.
    ds::checks::ledger::SetWindowLedgerPath(ds::checks::ledger::DefaultLedgerPath());
    InstallQtTranslations(app);
    QCommandLineParser parser;
    options.addTo(parser);
    parser.process(app);
    const QCommandLineOption& demo = options.demo;
    const QCommandLineOption& autologin = options.autologin;
    ds::startup::DemoServicesSession demoServices;  // outlives the event loop, ends before the application

    // The demo's dropscout.ini is written before the configuration is read, so this session uses it.
    if (parser.isSet(demo)) {
        try {
            ds::startup::PrepareDemoSettings(QDir::currentPath(),
                                             ds::FindDataFile(QString::fromLatin1(ds::startup::kDemoSettingsTemplate)));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "dropscout: demo set-up failed: %s\n", e.what());
            return 1;
        }
    }

    QStringList configNotes;
    ds::SetConfig(ds::LoadConfig(ds::DefaultConfigPath(), &configNotes));
    for (const QString& note : configNotes) std::fprintf(stderr, "dropscout: %s\n", qPrintable(note));
    ds::search::SetWindowSettingsPath(ds::search::DefaultWindowSettingsPath());
    // The start-up window reads the settings row before the main window exists; a locked file must not
    // take its input either.
    ds::ui::InstallLockWaitPump();
    ds::skin::InstallFormSkins();  // the program's own frame on its five windows (dropscout.ini Skin=0: none)
    ds::app::InstallFeaturesInEveryMainWindow();

    if (parser.isSet(demo)) {
        try {
            ds::startup::PrepareDemoFolder(QDir::currentPath(), ds::clock().today());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "dropscout: demo set-up failed: %s\n", e.what());
            return 1;
        }
        // Without the services the demo still logs in and searches; only the live checks and side
        // windows find nobody to ask.
        const QString services = ds::FindHelperProgram(QStringLiteral("dropscout_demo_services"));
        QString note;
        if (services.isEmpty())
            std::fprintf(stderr, "dropscout: dropscout_demo_services is not installed beside the program; the live "
                                 "checks of the demo find no services\n");
        else if (!demoServices.start(services, QDir::currentPath(), &note) || !note.isEmpty())
            std::fprintf(stderr, "dropscout: %s\n", qPrintable(note));
    }

    // Photographs the start-up and main windows for the screenshot script.
    const QString shotsDir = qEnvironmentVariable("DROPSCOUT_SHOTS_DIR");
    if (!shotsDir.isEmpty()) ds::startup::WatchForScreenshots(shotsDir);

    auto* first = new ds::startup::floadini();
    first->setAttribute(Qt::WA_DeleteOnClose);
    first->Form_Load();
    const QPointer<ds::startup::fload> start = first->startWindow();
    if (parser.isSet(autologin) && start) {
        // After the start-up window has been painted (and photographed, when asked for).
        QTimer::singleShot(300, start, [start] {
            if (auto* login = start->findChild<QPushButton*>(QStringLiteral("llogin"))) login->click();
        });
    }
    return app.exec();
}
