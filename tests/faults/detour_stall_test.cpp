// A call history detour whose screen is never recognised: the router paints
// the menus and the call history once, so a cursor sequence cut between two
// chunks would leave it there for good. The watchdog walks it back.
#include "fault_monitor.h"

#include "korvane/router/driver.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

void paint(FakeTerminal& tty, const prestige::Canvas& screen) {
    tty.paint(QString::fromLatin1(screen.text()), screen.cursorRow(), screen.cursorColumn());
}

}  // namespace

TEST(DetourStall, AStalledDetourReconnectsOnceWhenTheWatchdogExpires) {
    Log log;
    FakeSettings settings;
    settings.timeout = 100;
    auto terminal = std::make_unique<FakeTerminal>(&log);
    FakeTerminal* tty = terminal.get();
    CMonitorController controller(&settings, nullptr, std::move(terminal));
    int stale = 0;
    QObject::connect(&controller, &CMonitorController::statusStale, [&] { ++stale; });
    controller.Connect();

    prestige::RouterState state;
    const prestige::PaintOptions options;
    for (int i = 0; i < kInitialHistoryCountdown + 1; ++i)
        paint(*tty, prestige::paintStatusScreen(state, options));
    ASSERT_EQ(controller.driver().walkStep(), 1);
    paint(*tty, prestige::paintSystemMaintenanceMenu(options));
    paint(*tty, prestige::paintCallControlMenu(options));
    ASSERT_EQ(controller.driver().walkStep(), 3);
    // The call history with its closing cursor position lost: the cursor
    // stays where the text ended and the screen is not recognised.
    const prestige::Canvas history = prestige::paintCallHistoryScreen(state, options);
    tty->paint(QString::fromLatin1(history.text()), history.cursorRow(), history.cursorColumn() + 4);
    ASSERT_EQ(controller.driver().walkStep(), 3);

    log.entries.clear();
    ASSERT_TRUE(waitUntil([&] { return stale >= 1; }));
    EXPECT_EQ(log.entries, (QStringList{QStringLiteral("close"), QStringLiteral("address 127.0.0.1:1"),
                                        QStringLiteral("open"), QStringLiteral("keys 1234|"),
                                        QStringLiteral("keys 24|1|")}));
    EXPECT_EQ(controller.driver().walkStep(), 0);
    EXPECT_TRUE(controller.connectionOpen());

    // Back at the start of the walk, a router that stays silent is only stale.
    ASSERT_TRUE(waitUntil([&] { return stale >= 3; }));
    EXPECT_EQ(log.entries.filter(QStringLiteral("open")).size(), 1);
}

TEST(DetourStall, NoReconnectAfterTheUserDisconnected) {
    Log log;
    FakeSettings settings;
    settings.timeout = 100;
    auto terminal = std::make_unique<FakeTerminal>(&log);
    FakeTerminal* tty = terminal.get();
    CMonitorController controller(&settings, nullptr, std::move(terminal));
    int stale = 0;
    QObject::connect(&controller, &CMonitorController::statusStale, [&] { ++stale; });
    controller.Connect();
    prestige::RouterState state;
    for (int i = 0; i < kInitialHistoryCountdown + 1; ++i)
        paint(*tty, prestige::paintStatusScreen(state, {}));
    ASSERT_EQ(controller.driver().walkStep(), 1);
    controller.Disconnect();
    log.entries.clear();
    ASSERT_TRUE(waitUntil([&] { return stale >= 2; }));
    EXPECT_TRUE(log.entries.isEmpty()) << log.entries.join(QLatin1Char(',')).toStdString();
}

TEST(DetourStall, ARouterThatStopsAnsweringMidDetourOnlyGoesStale) {
    Log log;
    FakeSettings settings;
    settings.timeout = 100;
    auto terminal = std::make_unique<FakeTerminal>(&log);
    FakeTerminal* tty = terminal.get();
    CMonitorController controller(&settings, nullptr, std::move(terminal));
    int stale = 0;
    QObject::connect(&controller, &CMonitorController::statusStale, [&] { ++stale; });
    controller.Connect();
    prestige::RouterState state;
    for (int i = 0; i < kInitialHistoryCountdown + 1; ++i)
        paint(*tty, prestige::paintStatusScreen(state, {}));
    // Menu 24 was recognised and answered; menu 24.9 never comes.
    paint(*tty, prestige::paintSystemMaintenanceMenu({}));
    ASSERT_EQ(controller.driver().walkStep(), 2);
    EXPECT_FALSE(controller.driver().DetourStalled());
    log.entries.clear();
    ASSERT_TRUE(waitUntil([&] { return stale >= 2; }));
    EXPECT_TRUE(log.entries.isEmpty()) << log.entries.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(controller.driver().walkStep(), 2);

    // Menu 24.9 arriving with its cursor lost is the stall.
    tty->paint(QString::fromLatin1(prestige::paintCallControlMenu({}).text()), 24, 1);
    EXPECT_EQ(controller.driver().walkStep(), 2);
    EXPECT_TRUE(controller.driver().DetourStalled());
}
