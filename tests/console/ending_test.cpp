// Ending always ends: the real korvane program, in the console and in the
// window, stopped by SIGTERM, SIGINT or the end of --for while its script is
// stuck in a loop (and with the script time limit turned off).
#include "../controller/simulated_calls.h"

#include "components/prestige/simulator.h"
#include "korvane/settings/settings_store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace korvane::test;

namespace {

// A router in this process, and a settings folder with the script time limit
// off, so that only the stop request can end a stuck script.
struct MonitorRun {
    QTemporaryDir dir;
    std::unique_ptr<prestige::Simulator> router;
    QString script;

    explicit MonitorRun(const QByteArray& scriptText) {
        prestige::SimulatorOptions options;
        options.repaintMs = 100;
        router = std::make_unique<prestige::Simulator>(options);
        EXPECT_TRUE(router->listen(0));
        script = dir.filePath(QStringLiteral("stuck.vbs"));
        QFile file(script);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(scriptText);
        file.close();
        QFile settings(dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Settings]\nScript Timeout=0\nShow Splash Screen=0\nUse Script=1\n"
                       "Script File Path=" + script.toUtf8() + "\n");
        settings.close();
    }
    // The window asks for the router's password on its first run; with one
    // stored it starts monitoring at once.
    void configure() {
        qputenv("KORVANE_SETTINGS_DIR", dir.path().toLocal8Bit());
        korvane::SettingsStore store;
        store.setRouterPassword(address(), QStringLiteral("1234"));
        store.setConfigured(true);
        store.sync();
        qunsetenv("KORVANE_SETTINGS_DIR");
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(router->port()); }

    void start(QProcess& korvane, const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        korvane.setProcessEnvironment(env);
        korvane.setProcessChannelMode(QProcess::SeparateChannels);
        korvane.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"), arguments);
        ASSERT_TRUE(korvane.waitForStarted(5000));
    }
};

// Stuck from the first router screen on; the console prints the unload
// event's message box.
const QByteArray kStuck = "Sub OnTtyChange(screen)\n  Do\n  Loop\nEnd Sub\n";
const QByteArray kStuckThenUnload = kStuck + "Sub OnAppUnload\n  MsgBox \"unloaded\"\nEnd Sub\n";

// Keeps this process's router answering while the program runs.
bool finishes(QProcess& korvane, int limitMs) {
    return waitUntil([&] { return korvane.state() == QProcess::NotRunning; }, limitMs);
}

// Waits until the program has connected and its script is stuck.
void waitUntilStuck(QProcess& korvane, prestige::Simulator& router) {
    ASSERT_TRUE(waitUntil([&] { return router.screensPainted() > 3; }, 15000));
    waitUntil([] { return false; }, 500);
    ASSERT_EQ(korvane.state(), QProcess::Running);
}

}  // namespace

TEST(Ending, SignalsEndTheConsoleWithinASecondWhileTheScriptIsStuck) {
    for (int signal : {SIGTERM, SIGINT}) {
        MonitorRun setup(kStuckThenUnload);
        QProcess korvane;
        setup.start(korvane, {QStringLiteral("--console"), QStringLiteral("--password"), QStringLiteral("1234"),
                              setup.address()});
        waitUntilStuck(korvane, *setup.router);
        QElapsedTimer clock;
        clock.start();
        ::kill(pid_t(korvane.processId()), signal);
        ASSERT_TRUE(finishes(korvane, 5000)) << "signal " << signal;
        EXPECT_LT(clock.elapsed(), 1500) << "signal " << signal;
        EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
        const QByteArray out = korvane.readAllStandardOutput();
        EXPECT_TRUE(out.contains("msgbox: unloaded")) << out.constData();
    }
}

TEST(Ending, TheEndOfForEndsTheConsoleWhileTheScriptIsStuck) {
    MonitorRun setup(kStuckThenUnload);
    QProcess korvane;
    QElapsedTimer clock;
    clock.start();
    setup.start(korvane, {QStringLiteral("--console"), QStringLiteral("--for"), QStringLiteral("3"),
                          QStringLiteral("--password"), QStringLiteral("1234"), setup.address()});
    ASSERT_TRUE(finishes(korvane, 10000));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(korvane.readAllStandardOutput().contains("msgbox: unloaded"));
}

TEST(Ending, AnUnloadEventThatNeverReturnsIsCutAfterFiveSeconds) {
    MonitorRun setup("Sub OnAppUnload\n  Do\n  Loop\nEnd Sub\n");
    QProcess korvane;
    setup.start(korvane, {QStringLiteral("--console"), QStringLiteral("--password"), QStringLiteral("1234"),
                          setup.address()});
    ASSERT_TRUE(waitUntil([&] { return setup.router->screensPainted() > 3; }, 15000));
    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(korvane.processId()), SIGTERM);
    ASSERT_TRUE(finishes(korvane, 12000));
    EXPECT_GE(clock.elapsed(), 4500);
    EXPECT_LT(clock.elapsed(), 8000);
}

// The window ends as File > Exit does, every time: the close box of a frame
// with a tray only hides it, and a signal must not stop there. The last round
// is a first run, with the properties sheet open.
TEST(Ending, SignalsEndTheWindowEveryTime) {
    for (int round = 0; round < 4; ++round) {
        MonitorRun setup(kStuck);
        if (round < 3)
            setup.configure();
        QProcess korvane;
        setup.start(korvane, {setup.address()});
        if (round < 3)
            waitUntilStuck(korvane, *setup.router);
        else
            waitUntil([] { return false; }, 1500);
        ::kill(pid_t(korvane.processId()), round == 1 ? SIGINT : SIGTERM);
        ASSERT_TRUE(finishes(korvane, 8000)) << "round " << round;
        EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit) << "round " << round;
    }
}
