// The monitor left alone with a router that misbehaves: the status is stale
// from the connect on, the monitor reconnects by itself with a doubling wait,
// never after a bad password, gives up call history detours it cannot follow,
// and a reconnect made inside a status tick starts its walk clean.
#include "fault_monitor.h"

#include "korvane/router/driver.h"

#include <QThread>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

void paint(FakeTerminal& tty, const prestige::Canvas& screen, int columnShift = 0) {
    tty.paint(QString::fromLatin1(screen.text()), screen.cursorRow(), screen.cursorColumn() + columnShift);
}

// The controller on a terminal without a network, counting what it reports.
struct Bench {
    Log log;
    FakeSettings settings;
    RecordingTable table;
    RecordingBoxes boxes{&log};
    FakeTerminal* tty = nullptr;
    std::unique_ptr<CMonitorController> controller;
    int stale = 0;
    int ticks = 0;
    QList<std::pair<int, int>> attempts;   // (attempt, wait) of each automatic reconnect
    QList<std::pair<int, int>> scheduled;  // (attempt, wait) of each one announced
    int detoursStopped = 0;

    explicit Bench(int timeoutMs = 100, int reconnectSeconds = 0) {
        settings.timeout = timeoutMs;
        settings.reconnect = reconnectSeconds;
        auto terminal = std::make_unique<FakeTerminal>(&log);
        tty = terminal.get();
        controller = std::make_unique<CMonitorController>(&settings, nullptr, std::move(terminal));
        controller->setStatusTable(&table);
        controller->setMessageBoxes(&boxes);
        QObject::connect(controller.get(), &CMonitorController::statusStale, [this] { ++stale; });
        QObject::connect(controller.get(), &CMonitorController::statusTick, [this] { ++ticks; });
        QObject::connect(controller.get(), &CMonitorController::reconnecting,
                         [this](int attempt, int wait) { attempts.append({attempt, wait}); });
        QObject::connect(controller.get(), &CMonitorController::reconnectScheduled,
                         [this](int attempt, int wait) { scheduled.append({attempt, wait}); });
        QObject::connect(controller.get(), &CMonitorController::detoursStopped, [this] { ++detoursStopped; });
    }
    void status(int times = 1) {
        for (int i = 0; i < times; ++i)
            paint(*tty, prestige::paintStatusScreen(state, {}));
    }
    int opens() const { return int(log.entries.filter(QStringLiteral("open")).size()); }

    prestige::RouterState state;
};

}  // namespace

TEST(Unattended, ARouterThatNeverPaintsItsStatusIsStaleFromTheConnect) {
    Bench b(100);
    b.controller->OpenConnection();
    // Logged in, and then nothing: no status screen ever comes.
    ASSERT_TRUE(waitUntil([&] { return b.stale >= 1; }, 3000));
    EXPECT_TRUE(b.table.blank());
    EXPECT_EQ(b.controller->trayIconIndex(), kTrayNoStatus);
    EXPECT_FALSE(b.controller->isEnabled(CMonitorController::Command::ResetCounters));
    EXPECT_TRUE(b.controller->connectionOpen());
}

TEST(Unattended, AFailedStartUpConnectLeavesTheConnectionClosedButFileConnectDoesNot) {
    Bench b(100);
    b.tty->refuse = true;
    b.controller->OpenConnection();
    EXPECT_FALSE(b.controller->connectionOpen());
    EXPECT_TRUE(b.controller->isEnabled(CMonitorController::Command::Connect));
    EXPECT_EQ(b.boxes.answer, true);
    EXPECT_EQ(b.log.entries.filter(QStringLiteral("box ")).size(), 1);  // the error box, once
    // The File menu's Connect keeps Disconnect and Reconnect at hand.
    b.controller->execute(CMonitorController::Command::Connect);
    EXPECT_TRUE(b.controller->connectionOpen());
    ASSERT_TRUE(waitUntil([&] { return b.stale >= 1; }, 3000));
}

TEST(Unattended, TheMonitorReconnectsByItselfWithADoublingWaitUntilTheStatusComesBack) {
    Bench b(100, 1);
    b.controller->OpenConnection();
    b.status();
    ASSERT_EQ(b.ticks, 1);
    // The router goes quiet: stale, then a reconnect a second later, then
    // one two seconds after the next expiry.
    ASSERT_TRUE(waitUntil([&] { return b.attempts.size() >= 2; }, 8000));
    EXPECT_EQ(b.attempts[0], std::pair(1, 1));
    EXPECT_EQ(b.attempts[1], std::pair(2, 2));
    EXPECT_EQ(b.scheduled.value(0), std::pair(1, 1));
    EXPECT_EQ(b.scheduled.value(1), std::pair(2, 2));
    EXPECT_TRUE(b.controller->statusText().startsWith(QLatin1String("No status from the router")) ||
                b.controller->reconnectPending() == false);
    // An automatic attempt shows no box; the router's status resets the count.
    EXPECT_TRUE(b.log.entries.filter(QStringLiteral("box ")).isEmpty());
    b.status();
    EXPECT_EQ(b.controller->reconnectSchedule().attempts(), 0);
    EXPECT_FALSE(b.controller->reconnectPending());
    EXPECT_EQ(b.controller->statusText(), CMonitorController::kIdleText);
}

TEST(Unattended, AutomaticAttemptsThatFailSayWhyInTheStatusBarNotInABox) {
    Bench b(100, 1);
    b.controller->OpenConnection();
    b.status();
    b.tty->refuse = true;
    ASSERT_TRUE(waitUntil([&] { return b.scheduled.size() >= 2; }, 8000));
    EXPECT_TRUE(b.log.entries.filter(QStringLiteral("box ")).isEmpty());
    EXPECT_TRUE(b.controller->statusText().contains(QLatin1String("(10061) Connection refused")))
        << b.controller->statusText().toStdString();
    // A refused attempt leaves the connection closed; the next one still comes.
    b.tty->refuse = false;
    const int before = b.opens();
    ASSERT_TRUE(waitUntil([&] { return b.opens() > before; }, 8000));
}

TEST(Unattended, NoAutomaticReconnectAfterABadPasswordUntilTheUserReconnects) {
    Bench b(100, 1);
    b.controller->OpenConnection();
    paint(*b.tty, prestige::paintPasswordScreen(true));
    EXPECT_TRUE(b.controller->reconnectSchedule().blocked());
    const int opens = b.opens();
    ASSERT_TRUE(waitUntil([&] { return b.stale >= 4; }, 5000));
    QThread::msleep(1200);
    QCoreApplication::processEvents();
    EXPECT_EQ(b.opens(), opens);
    EXPECT_TRUE(b.attempts.isEmpty());
    // The user's Reconnect lifts the block.
    b.controller->execute(CMonitorController::Command::Reconnect);
    EXPECT_FALSE(b.controller->reconnectSchedule().blocked());
    ASSERT_TRUE(waitUntil([&] { return !b.attempts.isEmpty(); }, 5000));
}

TEST(Unattended, NoAutomaticReconnectAfterDisconnectOrWithItTurnedOff) {
    Bench off(100, 0);
    off.controller->OpenConnection();
    Bench user(100, 1);
    user.controller->OpenConnection();
    user.controller->execute(CMonitorController::Command::Disconnect);
    ASSERT_TRUE(waitUntil([&] { return off.stale >= 3 && user.stale >= 3; }, 5000));
    QThread::msleep(1200);
    QCoreApplication::processEvents();
    EXPECT_TRUE(off.attempts.isEmpty());
    EXPECT_TRUE(user.attempts.isEmpty());
}

// Firmware whose menu prompt stands in a column the driver does not know:
// the detour stalls at menu 24 each time. After the second stall the
// detours stop and the status keeps coming.
TEST(Unattended, ADetourThatStallsTwiceStopsTheDetoursAndTheStatusGoesOn) {
    Bench b(100);
    b.controller->OpenConnection();
    for (int stall = 1; stall <= 2; ++stall) {
        b.status(kInitialHistoryCountdown + 1);
        ASSERT_EQ(b.controller->driver().walkStep(), 1) << stall;
        paint(*b.tty, prestige::paintSystemMaintenanceMenu({}), -1);  // prompt at column 55
        const int opens = b.opens();
        ASSERT_TRUE(waitUntil([&] { return b.opens() > opens; }, 3000)) << stall;
    }
    EXPECT_EQ(b.detoursStopped, 1);
    EXPECT_FALSE(b.controller->driver().detoursEnabled());
    b.log.entries.clear();
    b.status(200);
    EXPECT_EQ(b.controller->driver().walkStep(), 0);
    EXPECT_TRUE(b.log.entries.filter(QStringLiteral("keys \x1b")).isEmpty());
    EXPECT_TRUE(b.controller->statusValid());
    // A manual reconnect tries the detours again.
    b.controller->execute(CMonitorController::Command::Reconnect);
    EXPECT_TRUE(b.controller->driver().detoursEnabled());
    b.status(kInitialHistoryCountdown + 1);
    EXPECT_EQ(b.controller->driver().walkStep(), 1);
}

// A script that reconnects from OnTick (writing KorvaneEnabled) on the tick
// that starts a detour: the old walk's ESC must not reach the new connection.
TEST(Unattended, AReconnectInsideAStatusTickStartsTheNewWalkClean) {
    Bench b(1000);
    struct Reconnecting : ScriptEvents {
        CMonitorController* controller = nullptr;
        bool armed = false;
        bool hasEvent(const QString&) const override { return true; }
        void fireEvent(const QString& name, const QList<automation::Variant>&) override {
            if (armed && name == QLatin1String("OnTick")) {
                armed = false;
                controller->SetMonitoringEnabled(true);
            }
        }
        void compile() override {}
    } script;
    script.controller = b.controller.get();
    b.controller->setScriptEvents(&script);
    b.controller->OpenConnection();
    b.status(kInitialHistoryCountdown);
    script.armed = true;
    b.log.entries.clear();
    b.status();  // this tick would start the detour with ESC
    // The reconnect's wait is a timer: the new connection opens after the tick.
    EXPECT_EQ(b.log.entries, QStringList{QStringLiteral("close")});
    ASSERT_TRUE(connectEnded(*b.controller));
    EXPECT_EQ(b.log.entries, (QStringList{QStringLiteral("close"), QStringLiteral("address 127.0.0.1:1"),
                                          QStringLiteral("open"), QStringLiteral("keys 1234|"),
                                          QStringLiteral("keys 24|1|")}));
    EXPECT_EQ(b.controller->driver().walkStep(), 0);
    EXPECT_EQ(b.controller->driver().historyCountdown(), kInitialHistoryCountdown);
}

// The real terminal control against a simulated router that goes away and
// comes back on the same port half a second later.
TEST(Unattended, ARouterThatRebootsIsSeenAgain) {
    FaultMonitor m;
    m.settings.reconnect = 1;
    m.controller->OpenConnection();
    ASSERT_TRUE(m.ticksAfter(3));
    const quint16 port = m.router->port();
    m.router->close();
    ASSERT_TRUE(m.staleAfter(1));
    QThread::msleep(500);
    ASSERT_TRUE(m.router->listen(port)) << m.router->errorString().toStdString();
    ASSERT_TRUE(m.ticksAfter(3, 15000));
    EXPECT_TRUE(m.controller->connectionOpen());
    EXPECT_TRUE(m.boxTexts().isEmpty()) << m.boxTexts().join(QLatin1Char('\n')).toStdString();
}

// TCP may cut a repaint anywhere; the screen pieces it together.
TEST(Unattended, RepaintsCutIntoTinyPiecesStillTickAndTheDetourCompletes) {
    for (int chunk : {1, 7, 64}) {
        prestige::SimulatorOptions options = quickRouter();
        options.faults.chunkBytes = chunk;
        options.faults.chunkDelayMs = 1;
        // Slow enough that the pieces of one repaint are out before the next
        // (a router's output has gaps; a backlog would hold stale screens).
        options.repaintMs = chunk == 1 ? 6000 : chunk == 7 ? 2000 : 400;
        FaultMonitor m(options);
        m.settings.timeout = 10000;
        m.settings.refresh = 3;
        int histories = 0;
        QObject::connect(m.controller.get(), &CMonitorController::callHistoryRead, [&] { ++histories; });
        m.controller->OpenConnection();
        ASSERT_TRUE(m.ticksAfter(chunk == 1 ? 1 : 5, 30000)) << "chunks of " << chunk;
        // Byte by byte a detour's three full screens take too long to wait for here.
        if (chunk > 1) {
            ASSERT_TRUE(waitUntil([&] { return histories >= 1; }, 40000)) << "chunks of " << chunk;
        }
        if (chunk > 1) {
            EXPECT_EQ(m.stale, 0) << "chunks of " << chunk;
        }
        EXPECT_EQ(m.ticks.back().cells, expectedCells(m.router->state())) << "chunks of " << chunk;
    }
}

// The simulated router with its menu prompt where no known firmware has it:
// two detours stall, then the status ticks go on without a gap.
TEST(Unattended, ARouterWithAnUnknownPromptColumnGivesContinuousTicks) {
    prestige::SimulatorOptions options = quickRouter();
    options.promptColumn = 55;
    FaultMonitor m(options);
    m.settings.refresh = 2;
    int stopped = 0;
    QObject::connect(m.controller.get(), &CMonitorController::detoursStopped, [&] { ++stopped; });
    m.controller->OpenConnection();
    ASSERT_TRUE(waitUntil([&] { return stopped == 1; }, 15000));
    ASSERT_TRUE(m.ticksAfter(1));
    const int staleBefore = m.stale;
    ASSERT_TRUE(m.ticksAfter(40, 15000));
    EXPECT_EQ(m.stale, staleBefore);
    EXPECT_EQ(stopped, 1);
}
