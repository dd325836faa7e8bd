// The router connection going wrong under a running monitor: closed, reset,
// silent, chopped into small pieces with noise between the repaints, never
// answering, refused. Each case runs the real control, driver and controller
// against the simulator on loopback.
#include "fault_monitor.h"

#include "korvane/router/driver.h"

#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;
using Command = CMonitorController::Command;

namespace {

// What the watchdog leaves once the status has gone stale.
void expectStaleStatus(FaultMonitor& m) {
    EXPECT_TRUE(m.table.blank());
    EXPECT_EQ(m.controller->trayIconIndex(), kTrayNoStatus);
    EXPECT_FALSE(m.controller->statusValid());
    for (Command c : {Command::DropBoth, Command::DropChannel1, Command::DropChannel2, Command::ResetCounters})
        EXPECT_FALSE(m.controller->isEnabled(c));
    // The connection commands stay for the user's retry.
    EXPECT_TRUE(m.controller->isEnabled(Command::Reconnect));
}

// A live tick of the router's state with line 1 up.
void expectLiveTick(const TickSnapshot& tick, const Cells& expected) {
    EXPECT_EQ(tick.cells, expected);
    EXPECT_EQ(tick.cells[0][0], QStringLiteral("B1"));
    EXPECT_GE(tick.tray, 8);  // line 1 active, line 2 idle
    EXPECT_LT(tick.tray, kTrayNoStatus);
    EXPECT_TRUE(tick.dropBoth);
    EXPECT_TRUE(tick.resetCounters);
}

// Goes stale, then the Reconnect command brings live ticks back.
void staleThenReconnect(FaultMonitor& m, bool routerViewShown) {
    // With the router screens view shown there is no call history detour.
    m.controller->setTelnetViewActive(routerViewShown);
    m.callOnLine1();
    const Cells expected = expectedCells(m.router->state());
    m.controller->Connect();
    ASSERT_TRUE(m.ticksAfter(1));
    expectLiveTick(m.ticks.back(), expected);

    // The router ends the session; the control does not notice, the watchdog does,
    // and keeps saying so every period.
    ASSERT_TRUE(m.staleAfter(2));
    expectStaleStatus(m);
    EXPECT_TRUE(m.controller->driver().terminal()->isOpen());
    EXPECT_GE(m.staleSinceTick, 2);
    EXPECT_TRUE(m.boxTexts().isEmpty()) << m.boxTexts().join(QLatin1Char('\n')).toStdString();

    ASSERT_TRUE(waitUntil([&] { return !m.router->hasSession(); }));
    const int before = m.tickCount();
    m.controller->execute(Command::Reconnect);
    ASSERT_TRUE(m.ticksAfter(1));
    ASSERT_GT(m.tickCount(), before);
    expectLiveTick(m.ticks[std::size_t(before)], expected);
    // The call was up all along: nothing went down or came up again.
    EXPECT_EQ(m.log.entries.filter(QStringLiteral("OnConnect")).size(), 1);
    EXPECT_TRUE(m.log.entries.filter(QStringLiteral("OnDisconnect")).isEmpty());
}

}  // namespace

TEST(ConnectionFaults, ARouterThatClosesAfterSomeScreensGoesStaleAndReconnectBringsTicksBack) {
    prestige::SimulatorOptions options = quickRouter();
    options.faults.closeAfterScreens = 8;
    FaultMonitor m(options);
    staleThenReconnect(m, true);
}

TEST(ConnectionFaults, AResetGoesStaleTooAndItsOneByteChunkDoesNoHarm) {
    prestige::SimulatorOptions options = quickRouter();
    options.faults.resetAfterScreens = 8;
    FaultMonitor m(options);
    staleThenReconnect(m, true);

    // The reset arrived as the byte 1, painted where the cursor stood on the
    // status screen; with the cursor moved on, that screen was not a tick.
    const auto withOne = std::find_if(m.screens.begin(), m.screens.end(),
                                      [](const QString& s) { return s.contains(QChar(1)); });
    ASSERT_NE(withOne, m.screens.end());
    EXPECT_EQ(withOne->indexOf(QChar(1)), (prestige::kStatusPromptRow - 1) * kScreenStride +
                                               (prestige::kStatusPromptColumn - 1));
    for (const TickSnapshot& tick : m.ticks)
        EXPECT_FALSE(tick.screen.contains(QChar(1)));
    // A reset while receiving is no error of the control.
    EXPECT_TRUE(m.boxTexts().isEmpty());
}

TEST(ConnectionFaults, ASilentRouterGivesAStaleStatusEveryConnectionTimeout) {
    prestige::SimulatorOptions options = quickRouter();
    options.faults.silentAfterScreens = 8;
    FaultMonitor m(options);
    m.settings.timeout = 150;
    m.controller->setTelnetViewActive(true);  // no call history detour
    m.callOnLine1();
    m.controller->Connect();
    ASSERT_TRUE(m.ticksAfter(1));
    ASSERT_TRUE(waitUntil([&] { return m.staleSinceTick >= 4; }));
    expectStaleStatus(m);
    EXPECT_TRUE(m.controller->watchdogActive());
    // The memory of what was up survives the stale status.
    EXPECT_TRUE(m.controller->lineMemory()[0].up);
    EXPECT_TRUE(m.router->hasSession());
    EXPECT_TRUE(m.boxTexts().isEmpty());
}

TEST(ConnectionFaults, SmallChunksAndNoiseBetweenRepaintsStillGiveCorrectTicks) {
    prestige::SimulatorOptions options = quickRouter();
    // Slow enough that the chopped output keeps up with the repaints on a
    // busy machine; a backlog would show the monitor screens long gone.
    options.repaintMs = 400;
    options.faults.chunkBytes = 37;  // cuts escape sequences and rows anywhere
    options.faults.chunkDelayMs = 1;
    options.faults.noiseBytes = 400;
    options.seed = 7;
    FaultMonitor m(options);
    // Long enough for a chopped repaint, short enough to notice a stalled detour.
    m.settings.timeout = 1500;
    m.callOnLine1();
    const Cells expected = expectedCells(m.router->state());
    m.controller->Connect();

    // Every whole repaint rewrites each row, so whatever the noise scribbled
    // is gone with it; count the ticks that show the router's true state.
    int correct = 0;
    int reconnects = 0;
    QObject::connect(m.controller.get(), &CMonitorController::disconnected, [&] { ++reconnects; });
    QObject::connect(m.controller.get(), &CMonitorController::statusTick, [&] {
        if (m.table.cells == expected)
            ++correct;
    });
    ASSERT_TRUE(waitUntil([&] { return correct >= 6; }, 20000))
        << "ticks " << m.tickCount() << " screens " << m.screens.size() << " walk " << m.controller->driver().walkStep()
        << " router on " << prestige::screenName(m.router->currentScreen()) << " painted " << m.router->screensPainted()
        << "\nlast screen:\n" << m.screens.value(m.screens.size() - 1).toStdString();
    std::printf("chopped and noisy: %d ticks, %d correct, %d detours walked back by a reconnect\n", m.tickCount(),
                correct, reconnects);
    // Noise did reach the screen between the repaints.
    const bool scribbled = std::any_of(m.screens.begin(), m.screens.end(), [](const QString& s) {
        return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 32 && c != u'\r' && c != u'\n'; });
    });
    EXPECT_TRUE(scribbled);
    EXPECT_TRUE(m.controller->statusValid());
    EXPECT_TRUE(m.boxTexts().isEmpty());
}

TEST(ConnectionFaults, ARefusedPortShowsTheErrorBoxAndLeavesTheThreadFree) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();  // nothing listens there now

    Log log;
    FakeSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(port);
    settings.timeout = 200;
    RecordingBoxes boxes(&log);
    CMonitorController controller(&settings);
    controller.setMessageBoxes(&boxes);
    controller.Connect();
    // The outcome comes from the loop: the thread was free all along.
    ASSERT_TRUE(waitUntil([&] { return !controller.connectInProgress(); }));
    ASSERT_EQ(log.entries.size(), 1);
    EXPECT_EQ(log.entries[0],
              QStringLiteral("box ZyXEL Prestige Korvane v. 2.05: (10061) Connection refused. No connection could be "
                             "made because the target machine actively refused it."));
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    EXPECT_TRUE(waitUntil([&] { return timerRan; }));
    EXPECT_TRUE(controller.isEnabled(Command::Reconnect));
    // A retry meets the same refusal, once.
    controller.execute(Command::Reconnect);
    ASSERT_TRUE(waitUntil([&] { return !controller.connectInProgress(); }));
    EXPECT_EQ(log.entries.size(), 2);
}

TEST(ConnectionFaults, AnAddressThatNeverAnswersEndsAtTheConnectLimit) {
    // A listener with a full accept queue drops further SYNs: on loopback
    // this is a router that does not answer.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(fd);
    }
    QThread::msleep(50);

    Log log;
    FakeSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(ntohs(a.sin_port));
    RecordingBoxes boxes(&log);
    CMonitorController controller(&settings);
    controller.setMessageBoxes(&boxes);
    QElapsedTimer took;
    took.start();
    controller.Connect();
    // The connect returns at once; the loop keeps running until the limit.
    EXPECT_LT(took.elapsed(), 1000);
    bool loopRan = false;
    QTimer::singleShot(100, [&] { loopRan = true; });
    EXPECT_TRUE(waitUntil([&] { return loopRan; }, 2000));
    EXPECT_TRUE(controller.connectInProgress());
    ASSERT_TRUE(waitUntil([&] { return !controller.connectInProgress(); }, 30000));
    const qint64 elapsed = took.elapsed();
    for (int fd : fillers)
        ::close(fd);
    ::close(listener);
    if (log.entries.isEmpty() && controller.driver().terminal()->isOpen())
        GTEST_SKIP() << "this kernel accepted past the listen backlog";
    std::printf("connect to a silent address gave up after %lld ms\n", static_cast<long long>(elapsed));

    ASSERT_EQ(log.entries.size(), 1);
    EXPECT_TRUE(log.entries[0].startsWith(
        QStringLiteral("box ZyXEL Prestige Korvane v. 2.05: (10060) Connection timed out. ")))
        << log.entries[0].toStdString();
    EXPECT_FALSE(controller.driver().terminal()->isOpen());
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    EXPECT_TRUE(waitUntil([&] { return timerRan; }));
    EXPECT_TRUE(controller.isEnabled(Command::Reconnect));
}

TEST(ConnectionFaults, ANameThatCannotBeResolvedIsSaidToBeOneWithTheInvalidArgumentNumber) {
    Log log;
    FakeSettings settings;
    // A label too long for DNS: refused before any lookup leaves the machine.
    settings.address = QString(70, QLatin1Char('x')) + QStringLiteral(".invalid");
    RecordingBoxes boxes(&log);
    CMonitorController controller(&settings);
    controller.setMessageBoxes(&boxes);
    controller.Connect();
    ASSERT_TRUE(waitUntil([&] { return !controller.connectInProgress(); }));
    ASSERT_EQ(log.entries.size(), 1);
    EXPECT_EQ(log.entries[0], QStringLiteral("box ZyXEL Prestige Korvane v. 2.05: (10022) The router's name \"") +
                                  settings.address + QStringLiteral("\" cannot be resolved: no such host is known."));
}

// One status screen is one tick however it arrives: repaints cut into 1-byte
// pieces, back to back or a millisecond apart, give one tick each, where
// printing used to pass the resting cursor twice more. The router closes
// after a few screens, so every piece it painted has arrived when they are
// counted.
TEST(ConnectionFaults, RepaintsInOneBytePiecesGiveOneTickPerRepaint) {
    for (int delayMs : {0, 1}) {
        prestige::SimulatorOptions options = quickRouter();
        options.faults.chunkBytes = 1;
        options.faults.chunkDelayMs = delayMs;
        options.faults.closeAfterScreens = 6;
        // Each repaint is out before the next begins.
        options.repaintMs = delayMs == 0 ? 600 : 2000;
        FaultMonitor m(options);
        m.settings.timeout = 20000;
        m.settings.refresh = 1000;  // no call history detour
        int painted = 0;
        QObject::connect(m.router.get(), &prestige::Simulator::screenPainted, [&](prestige::ScreenId screen) {
            painted += screen == prestige::ScreenId::Status ? 1 : 0;
        });
        m.controller->OpenConnection();
        ASSERT_TRUE(m.ticksAfter(1, 20000)) << delayMs << " ms";
        ASSERT_TRUE(waitUntil([&] { return !m.router->hasSession(); }, 30000)) << delayMs << " ms";
        waitUntil([] { return false; }, 300);
        const int ticked = m.tickCount();
        EXPECT_GE(painted, 2) << delayMs << " ms";
        EXPECT_EQ(ticked, painted) << delayMs << " ms";
        EXPECT_EQ(m.ticks.back().cells, expectedCells(m.router->state())) << delayMs << " ms";
    }
}
