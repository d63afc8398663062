// The close button of a skinned window pressed through real X events: an Xvfb server, this test
// program again as the X client showing the whois window (no window manager, so the platform's own
// move is refused too), and xdotool clicking the button. Skipped, with the reason, where Xvfb,
// xdotool or Qt's X11 platform plugin is missing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>

#include "skin/form_skins.h"
#include "skin/skinned_frame.h"
#include "support/test_support.h"
#include "tools/fwhois.h"

namespace ds::skin::test {
namespace {

constexpr char kChildTest[] = "SkinOnX.DISABLED_WindowWhoseCloseButtonIsClicked";

// Reads lines from `p` until one starts with `prefix`; empty when none came before the deadline.
QString WaitForLine(QProcess& p, const QString& prefix, int ms, QString* seen) {
    QDeadlineTimer deadline(ms);
    QString buffer;
    while (!deadline.hasExpired()) {
        if (!p.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (p.state() == QProcess::NotRunning) break;
            continue;
        }
        buffer += QString::fromLocal8Bit(p.readAllStandardOutput());
        for (const QString& line : buffer.split(u'\n'))
            if (line.startsWith(prefix) && !line.trimmed().isEmpty()) {
                if (seen) *seen += buffer;
                return line.trimmed();
            }
    }
    if (seen) *seen += buffer;
    return {};
}

TEST(SkinOnX, CloseButtonClosesTheWindowThroughRealXEvents) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "Xvfb is not installed (scripts/setup installs xvfb)";
    if (xdotool.isEmpty()) GTEST_SKIP() << "xdotool is not installed (scripts/setup installs it)";
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    if (platforms.entryList({QStringLiteral("*qxcb*")}).isEmpty())
        GTEST_SKIP() << "Qt's X11 platform plugin is not installed (qt6-qpa-plugins)";

    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted(10000)) << "Xvfb did not start";
    const QString number = WaitForLine(server, QString(), 15000, nullptr);
    ASSERT_FALSE(number.isEmpty()) << "Xvfb gave no display number";
    const QString display = u':' + number;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // In a sanitizer build the X client's exit must not fail on what the X platform's D-Bus library
    // keeps until the end.
    QTemporaryDir scratch;
    QFile suppressions(scratch.filePath(QStringLiteral("lsan.supp")));
    ASSERT_TRUE(suppressions.open(QIODevice::WriteOnly));
    suppressions.write("leak:libdbus-1.so\n");
    suppressions.close();
    const QString lsan = env.value(QStringLiteral("LSAN_OPTIONS"));
    env.insert(QStringLiteral("LSAN_OPTIONS"),
               (lsan.isEmpty() ? QString() : lsan + u':') + QStringLiteral("suppressions=") + suppressions.fileName());
    QProcess client;
    client.setProcessEnvironment(env);
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("--gtest_also_run_disabled_tests"),
                  QStringLiteral("--gtest_filter=") + QString::fromLatin1(kChildTest)});
    QString output;
    const QString ready = WaitForLine(client, QStringLiteral("ready "), 30000, &output);
    ASSERT_FALSE(ready.isEmpty()) << "the window did not come up:\n" << output.toStdString();
    const QStringList at = ready.split(u' ');
    ASSERT_EQ(at.size(), 3);

    QProcess click;
    click.setProcessEnvironment(env);
    click.start(xdotool, {QStringLiteral("mousemove"), QStringLiteral("--sync"), at[1], at[2],
                          QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mouseup"), QStringLiteral("1")});
    ASSERT_TRUE(click.waitForFinished(15000));
    EXPECT_EQ(click.exitCode(), 0) << click.readAllStandardError().toStdString();

    const bool finished = client.waitForFinished(30000);
    output += QString::fromLocal8Bit(client.readAll());
    if (!finished) client.kill();
    server.kill();
    server.waitForFinished(5000);
    ASSERT_TRUE(finished) << output.toStdString();
    EXPECT_EQ(client.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("closed by its close button"))) << output.toStdString();
}

// Run only by the test above, as the X client.
TEST(SkinOnX, DISABLED_WindowWhoseCloseButtonIsClicked) {
    ds::test::DesktopScope desktop;
    tools::Fwhois window;
    window.move(120, 90);
    Set_Skin(window);
    window.show();
    ASSERT_TRUE(ds::test::WaitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 15000));
    window.repaint();
    QCoreApplication::processEvents();
    cNeoClass* frame = FrameOf(window);
    ASSERT_NE(frame, nullptr);
    const WinRect close = frame->buttons().rect[Close];
    const QPoint target = window.mapToGlobal(QPoint((close.left + close.right) / 2, (close.top + close.bottom) / 2));
    std::printf("ready %d %d\n", target.x(), target.y());
    std::fflush(stdout);
    ASSERT_TRUE(ds::test::WaitFor([&] { return !window.isVisible(); }, 20000)) << "still open";
    std::printf("closed by its close button\n");
    std::fflush(stdout);
}

}  // namespace
}  // namespace ds::skin::test
