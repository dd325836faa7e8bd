// The monitor against the router simulator over loopback: the real terminal
// control, driver and controller, with recorders for what would be shown.
#include "../controller/recorders.h"
#include "../controller/simulated_calls.h"

#include "korvane/model/application.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "korvane/router/driver.h"
#include "korvane/events/monitor_events.h"
#include "korvane/monitor/controller.h"
#include "components/prestige/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

prestige::SimulatorOptions quietRouter() {
    prestige::SimulatorOptions options;
    options.repaintMs = 40;
    options.clockMs = 0;  // router time moves only when a test says so
    QString error;
    options.scenario = prestige::Scenario::parse(QString(), &error);
    return options;
}

struct Monitor {
    Log log;
    FakeSettings settings;
    RecordingScript script{&log};
    RecordingSounds sounds{&log};
    RecordingBoxes boxes{&log};
    RecordingTable table;
    std::unique_ptr<prestige::Simulator> router;
    std::unique_ptr<CMonitorController> controller;
    int ticks = 0;
    int histories = 0;
    int stale = 0;

    explicit Monitor(prestige::SimulatorOptions options = quietRouter(), bool start = true) {
        router = std::make_unique<prestige::Simulator>(options);
        EXPECT_TRUE(router->listen(0)) << router->errorString().toStdString();
        settings.address = QStringLiteral("127.0.0.1:%1").arg(router->port());
        settings.pass = options.password;
        controller = std::make_unique<CMonitorController>(&settings);
        controller->setScriptEvents(&script);
        controller->setSoundPlayer(&sounds);
        controller->setMessageBoxes(&boxes);
        controller->setStatusTable(&table);
        QObject::connect(controller.get(), &CMonitorController::statusTick, [this] { ++ticks; });
        QObject::connect(controller.get(), &CMonitorController::callHistoryRead, [this] { ++histories; });
        QObject::connect(controller.get(), &CMonitorController::statusStale, [this] { ++stale; });
        if (start)
            controller->Connect();
    }
    ~Monitor() {
        controller->Disconnect();
        controller.reset();
        router->close();
    }
    bool ticksAfter(int n) {
        const int target = ticks + n;
        return waitUntil([&] { return ticks >= target; });
    }
    void call(int line, prestige::CallKind kind, const char* number) {
        const QString error = startCall(*router, line, kind, QString::fromLatin1(number));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }
};

}  // namespace

TEST(EndToEnd, LogsInReachesTheStatusScreenAndFillsTheCells) {
    Monitor m;
    ASSERT_TRUE(m.controller->driver().terminal()->isOpen());
    ASSERT_TRUE(m.ticksAfter(2));
    EXPECT_TRUE(m.controller->connectionOpen());
    EXPECT_TRUE(m.controller->statusValid());
    EXPECT_EQ(m.table.cells[0][2], QStringLiteral("0"));
    EXPECT_EQ(m.table.cells[0][5], QStringLiteral("0%/0%"));
    EXPECT_EQ(m.controller->trayIconIndex(), 0);
    EXPECT_EQ(m.router->currentScreen(), prestige::ScreenId::Status);
}

TEST(EndToEnd, LineUpFiresConnectBeforeTheSoundAndACallerIdOncePerCaller) {
    Monitor m;
    m.controller->setTelnetViewActive(true);  // no detours in this test
    ASSERT_TRUE(m.ticksAfter(1));
    m.log.entries.clear();
    m.call(1, prestige::CallKind::Data, "0301");
    ASSERT_TRUE(waitUntil([&] { return m.log.entries.contains(QStringLiteral("sound up.wav")); }));
    EXPECT_EQ(m.log.entries.mid(0, 2), (QStringList{"OnConnect(1)", "sound up.wav"}));
    EXPECT_EQ(m.table.cells[0][0], QStringLiteral("B1"));

    // Two changes on one tick: the caller id of line 2 comes before line 1 going down.
    m.log.entries.clear();
    m.router->state().hangup(1);
    m.call(2, prestige::CallKind::Voice, "0401555");
    ASSERT_TRUE(waitUntil([&] { return m.log.entries.size() >= 5; }));
    EXPECT_EQ(m.log.entries.mid(0, 5), (QStringList{"OnCLIDChange(2)", "OnDisconnect(1)", "sound down.wav",
                                                    "OnConnect(2)", "sound up.wav"}));
    ASSERT_TRUE(m.ticksAfter(3));
    EXPECT_EQ(m.log.entries.filter(QStringLiteral("OnCLIDChange")).size(), 1);
    EXPECT_EQ(m.table.cells[1][7], QStringLiteral("0401555"));
}

TEST(EndToEnd, CallHistoryDetourAndTheWalkBack) {
    Monitor m;
    prestige::HistoryEntry entry;
    entry.number = QStringLiteral("0301234");
    entry.calls = 3;
    entry.totalSeconds = 75;
    m.router->state().setHistory({entry});
    ASSERT_TRUE(waitUntil([&] { return m.histories >= 1; }));
    EXPECT_EQ(m.controller->application().callInfos().entry(0)->phoneNumber(), QStringLiteral("0301234"));
    EXPECT_EQ(m.controller->application().callInfos().entry(0)->noOfCalls(), 3);
    // Back on the status screen, ticking again, with the countdown reloaded.
    const int before = m.ticks;
    ASSERT_TRUE(m.ticksAfter(2));
    EXPECT_GT(m.ticks, before);
    EXPECT_EQ(m.controller->driver().walkStep(), 0);
    EXPECT_EQ(m.router->currentScreen(), prestige::ScreenId::Status);
    EXPECT_TRUE(m.controller->statusValid());
}

TEST(EndToEnd, RefreshZeroDetoursAfterEveryStatusScreenAndTheRouterViewFreezesIt) {
    Monitor m;
    m.settings.refresh = 0;
    ASSERT_TRUE(waitUntil([&] { return m.histories >= 3; }));
    EXPECT_LE(m.ticks, m.histories + 4);  // a history read after nearly every tick

    m.controller->setTelnetViewActive(true);
    // Let a detour in progress finish, then nothing moves the countdown.
    ASSERT_TRUE(waitUntil([&] { return m.controller->driver().walkStep() == 0 && m.ticks > 0; }));
    ASSERT_TRUE(m.ticksAfter(1));
    const int histories = m.histories;
    const int countdown = m.controller->driver().historyCountdown();
    ASSERT_TRUE(m.ticksAfter(5));
    EXPECT_EQ(m.histories, histories);
    EXPECT_EQ(m.controller->driver().historyCountdown(), countdown);
}

TEST(EndToEnd, BadPasswordIsReported) {
    prestige::SimulatorOptions options = quietRouter();
    options.passwordAttempts = 0;
    Monitor m(options, false);
    m.settings.pass = QStringLiteral("wrong");
    int reports = 0;
    QObject::connect(m.controller.get(), &CMonitorController::badPassword, [&] { ++reports; });
    m.controller->Connect();
    ASSERT_TRUE(waitUntil([&] { return reports >= 1; }));
    EXPECT_TRUE(m.log.entries.contains(QStringLiteral(
        "box ZyXEL Prestige Korvane v. 2.05: The router reported bad password!!!\nCheck your configuration")));
    EXPECT_EQ(m.ticks, 0);
}

TEST(EndToEnd, WatchdogBlanksTheCellsAfterTheTimeoutAndAgainEveryPeriod) {
    prestige::SimulatorOptions options = quietRouter();
    options.faults.silentAfterScreens = 8;
    Monitor m(options, false);
    m.settings.timeout = 300;
    m.controller->Connect();
    ASSERT_TRUE(waitUntil([&] { return m.ticks >= 1; }));
    // Count only once the router is silent: on a slow (sanitized) run the
    // watchdog may also fire in a gap between the first screens, and the next
    // screen's tick fills the cells again.
    ASSERT_TRUE(waitUntil([&] { return m.router->screensPainted() >= 8; }));
    const int staleBefore = m.stale;
    ASSERT_TRUE(waitUntil([&] { return m.stale >= staleBefore + 2; }));
    EXPECT_TRUE(m.table.blank());
    EXPECT_EQ(m.controller->trayIconIndex(), 64);
    EXPECT_FALSE(m.controller->statusValid());
    EXPECT_FALSE(m.controller->isEnabled(CMonitorController::Command::DropBoth));
}

TEST(EndToEnd, MonitoringDisabledStaysInTheMenus) {
    Monitor m;
    ASSERT_TRUE(m.ticksAfter(1));
    // The simulator runs on this thread: let it see the old session end
    // before the reconnect inside the switch opens a new one.
    m.controller->Disconnect();
    ASSERT_TRUE(waitUntil([&] { return !m.router->hasSession(); }));
    m.controller->application().setKorvaneEnabled(false);
    EXPECT_FALSE(m.controller->application().korvaneEnabled());
    const int ticks = m.ticks;
    int screens = 0;
    QObject::connect(m.controller.get(), &CMonitorController::routerScreen, [&] { ++screens; });
    ASSERT_TRUE(waitUntil([&] { return screens >= 1 && m.router->currentScreen() == prestige::ScreenId::MainMenu; }));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 400)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(m.ticks, ticks);
    EXPECT_FALSE(m.controller->statusValid());
    EXPECT_EQ(m.router->currentScreen(), prestige::ScreenId::MainMenu);
}

TEST(EndToEnd, ARefusedConnectionShowsTheSocketError) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();  // nothing listens there now

    Log log;
    FakeSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(port);
    RecordingBoxes boxes(&log);
    CMonitorController controller(&settings);
    controller.setMessageBoxes(&boxes);
    controller.Connect();
    ASSERT_TRUE(connectEnded(controller));
    ASSERT_FALSE(log.entries.isEmpty());
    EXPECT_TRUE(log.entries[0].startsWith(QStringLiteral("box ZyXEL Prestige Korvane v. 2.05: (10061) Connection refused")))
        << log.entries[0].toStdString();
    EXPECT_FALSE(controller.driver().terminal()->isOpen());
    // Still offered for a retry.
    EXPECT_TRUE(controller.connectionOpen());
    EXPECT_TRUE(controller.isEnabled(CMonitorController::Command::Reconnect));
}

TEST(MonitorEvents, JsonLinesCarryTheEventAndTicksBothLines) {
    Monitor m(quietRouter(), false);
    FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    MonitorEvents console(m.controller.get(), out, true);
    m.controller->Connect();
    ASSERT_TRUE(m.ticksAfter(1));
    std::rewind(out);
    QList<QJsonObject> events;
    char buffer[8192];
    while (std::fgets(buffer, sizeof buffer, out)) {
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(buffer));
        ASSERT_TRUE(doc.isObject()) << buffer;
        events.append(doc.object());
    }
    std::fclose(out);
    ASSERT_GE(events.size(), 3);
    EXPECT_EQ(events[0][QStringLiteral("event")].toString(), QStringLiteral("connecting"));
    EXPECT_EQ(events[1][QStringLiteral("event")].toString(), QStringLiteral("connected"));
    const QJsonObject tick = events.last();
    EXPECT_EQ(tick[QStringLiteral("event")].toString(), QStringLiteral("tick"));
    EXPECT_EQ(tick[QStringLiteral("tray")].toInt(), 0);
    EXPECT_EQ(tick[QStringLiteral("lines")].toArray().size(), 2);
}
