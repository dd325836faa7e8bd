// The status tick, change detection, tray formula, title and command rules,
// on status screens painted by the router simulator's own painter.
#include "recorders.h"

#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/router/driver.h"
#include "korvane/monitor/controller.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

struct Rig {
    Log log;
    FakeSettings settings;
    FakeTerminal* terminal = nullptr;
    RecordingScript script{&log};
    RecordingSounds sounds{&log};
    RecordingBoxes boxes{&log};
    RecordingTable table;
    std::unique_ptr<CMonitorController> controller;
    prestige::RouterState router;

    Rig() {
        auto t = std::make_unique<FakeTerminal>(&log);
        terminal = t.get();
        controller = std::make_unique<CMonitorController>(&settings, nullptr, std::move(t));
        controller->setScriptEvents(&script);
        controller->setSoundPlayer(&sounds);
        controller->setMessageBoxes(&boxes);
        controller->setStatusTable(&table);
    }
    void tick() {
        const prestige::Canvas canvas = prestige::paintStatusScreen(router, {});
        terminal->paint(QString::fromLatin1(canvas.text()), canvas.cursorRow(), canvas.cursorColumn());
    }
    prestige::LineState& line(int n) {
        lines_[n - 1] = router.line(n);
        return lines_[n - 1];
    }
    void set(int n, const prestige::LineState& state) { router.setLine(n, state); }
    std::array<prestige::LineState, 2> lines_;
};

prestige::LineState dataCall(int channel, int utilization) {
    prestige::LineState s;
    s.channel = channel;
    s.link = QStringLiteral("Office");
    s.type = 64;
    s.utilization = utilization;
    s.peerIp = QStringLiteral("10.0.0.1");
    return s;
}

prestige::LineState voiceCall(int channel, const char* caller) {
    prestige::LineState s;
    s.channel = channel;
    s.link = QStringLiteral("Voice");
    s.kind = prestige::CallKind::Voice;
    s.callerId = QString::fromLatin1(caller);
    return s;
}

}  // namespace

TEST(ComposeTitle, BrandVersionAndRouter) {
    EXPECT_EQ(ComposeTitle(false, false, QStringLiteral("x")), QStringLiteral("ZyXEL Prestige Korvane"));
    EXPECT_EQ(ComposeTitle(true, false, QStringLiteral("x")), QStringLiteral("ZyXEL Prestige Korvane v. 2.05"));
    EXPECT_EQ(ComposeTitle(true, true, QStringLiteral("192.168.1.1")),
              QStringLiteral("ZyXEL Prestige Korvane v. 2.05 on 192.168.1.1"));
    EXPECT_EQ(ComposeTitle(false, true, QStringLiteral("r")), QStringLiteral("ZyXEL Prestige Korvane on r"));
}

TEST(TrayLevel, FormulaAndTheIndexTable) {
    EXPECT_EQ(TrayLevel(false, 80), 0);
    EXPECT_EQ(TrayLevel(true, 0), 1);
    EXPECT_EQ(TrayLevel(true, 1), 2);
    EXPECT_EQ(TrayLevel(true, 17), 2);
    EXPECT_EQ(TrayLevel(true, 18), 3);
    EXPECT_EQ(TrayLevel(true, 100), 7);
    EXPECT_EQ(TrayLevel(true, 250), 7);  // nonsense from the wire still gives an image
    EXPECT_EQ(TrayLevel(true, -5), 1);

    Rig rig;
    const struct { prestige::LineState l1, l2; int index; } table[] = {
        {dataCall(1, 100), {}, 56},
        {dataCall(1, 1), dataCall(2, 1), 18},
        {dataCall(1, 0), dataCall(2, 0), 9},
        {{}, dataCall(2, 100), 7},
        {{}, {}, 0},
    };
    for (const auto& row : table) {
        rig.set(1, row.l1);
        rig.set(2, row.l2);
        rig.tick();
        EXPECT_EQ(rig.controller->trayIconIndex(), row.index);
    }
    rig.controller->OnWatchdog();
    EXPECT_EQ(rig.controller->trayIconIndex(), 64);
}

TEST(StatusTick, BuildsTheCellsOfBothLines) {
    Rig rig;
    prestige::LineState l1 = dataCall(1, 45);
    l1.averageUtilization = 12;
    l1.packetsSent = 0;
    rig.set(1, l1);
    rig.set(2, voiceCall(2, "0301234567"));
    rig.tick();
    EXPECT_TRUE(rig.controller->statusValid());
    EXPECT_EQ(rig.table.cells[0][0], QStringLiteral("B1"));
    EXPECT_EQ(rig.table.cells[0][1], QStringLiteral("Office"));
    EXPECT_EQ(rig.table.cells[0][2], QStringLiteral("0"));
    EXPECT_EQ(rig.table.cells[0][5], QStringLiteral("45%/12%"));
    EXPECT_EQ(rig.table.cells[0][7], QStringLiteral("10.0.0.1"));
    EXPECT_EQ(rig.table.cells[1][0], QStringLiteral("B2"));
    EXPECT_EQ(rig.table.cells[1][7], QStringLiteral("0301234567"));
    EXPECT_EQ(rig.table.writes, 16);
    EXPECT_TRUE(rig.controller->watchdogActive());
}

TEST(StatusRow, VoiceIsCaseSensitiveAndChannelZeroIsEmpty) {
    CLine line;
    line.SetChannel(QStringLiteral("0"));
    line.SetLink(QStringLiteral("voice"));
    line.SetCLID(QStringLiteral("123"));
    line.SetIpAddress(QStringLiteral("1.2.3.4"));
    StatusRow row = BuildStatusRow(line);
    EXPECT_TRUE(row.cells[0].isEmpty());
    EXPECT_EQ(row.cells[7], QStringLiteral("1.2.3.4"));
    EXPECT_TRUE(row.callerIdText.isEmpty());
    line.SetLink(QStringLiteral("My Voice"));
    row = BuildStatusRow(line);
    EXPECT_EQ(row.cells[7], QStringLiteral("123"));
    EXPECT_EQ(row.callerIdText, QStringLiteral("123"));
}

TEST(ChangeDetection, CallerIdsFirstThenEachLineEventsBeforeSounds) {
    Rig rig;
    rig.tick();
    rig.log.entries.clear();
    rig.set(1, dataCall(1, 10));
    rig.set(2, voiceCall(2, "555"));
    rig.tick();
    EXPECT_EQ(rig.log.entries, (QStringList{"OnCLIDChange(2)", "OnConnect(1)", "sound up.wav", "OnConnect(2)",
                                            "sound up.wav"}));
    rig.log.entries.clear();
    rig.set(1, {});
    rig.set(2, {});
    rig.tick();
    EXPECT_EQ(rig.log.entries, (QStringList{"OnDisconnect(1)", "sound down.wav", "OnDisconnect(2)", "sound down.wav"}));
}

TEST(ChangeDetection, ACallerIdFiresOncePerNewCaller) {
    Rig rig;
    QStringList clids;
    QObject::connect(rig.controller.get(), &CMonitorController::callerIdChanged,
                     [&](int line, const QString& id) { clids << QStringLiteral("%1:%2").arg(line).arg(id); });
    const char* callers[] = {"111", "111", nullptr, "111", "222", "111"};
    for (const char* caller : callers) {
        rig.set(1, caller ? voiceCall(1, caller) : prestige::LineState{});
        rig.tick();
    }
    EXPECT_EQ(clids, (QStringList{"1:111", "1:222", "1:111"}));
}

TEST(ChangeDetection, ScriptsOffSilencesLineEventsButNotTheSound) {
    Rig rig;
    rig.settings.scripts = false;
    rig.set(1, voiceCall(1, "9"));
    rig.tick();
    EXPECT_EQ(rig.log.entries.filter(QStringLiteral("On")), QStringList{});
    EXPECT_EQ(rig.log.entries.filter(QStringLiteral("sound")), QStringList{"sound up.wav"});
    rig.settings.sound = false;
    rig.set(1, {});
    rig.tick();
    EXPECT_EQ(rig.log.entries.filter(QStringLiteral("sound")), QStringList{"sound up.wav"});
}

TEST(Commands, EnableRulesAndKeys) {
    Rig rig;
    using C = CMonitorController::Command;
    EXPECT_TRUE(rig.controller->isEnabled(C::Connect));
    EXPECT_FALSE(rig.controller->isEnabled(C::Disconnect));
    EXPECT_FALSE(rig.controller->isEnabled(C::ResetCounters));
    rig.controller->Connect();
    EXPECT_FALSE(rig.controller->isEnabled(C::Connect));
    EXPECT_TRUE(rig.controller->isEnabled(C::Reconnect));
    EXPECT_EQ(rig.log.entries.mid(0, 4),
              (QStringList{"address 127.0.0.1:1", "open", "keys 1234|", "keys 24|1|"}));

    rig.set(2, dataCall(2, 5));
    rig.tick();
    EXPECT_TRUE(rig.controller->isEnabled(C::DropBoth));
    EXPECT_FALSE(rig.controller->isEnabled(C::DropChannel1));
    EXPECT_TRUE(rig.controller->isEnabled(C::DropChannel2));
    rig.log.entries.clear();
    rig.controller->execute(C::DropChannel2);
    rig.controller->execute(C::DropChannel1);  // disabled: nothing sent
    rig.boxes.answer = false;
    rig.controller->execute(C::ResetCounters);
    rig.boxes.answer = true;
    rig.controller->execute(C::ResetCounters);
    EXPECT_EQ(rig.log.entries, (QStringList{"keys 2", "ask ZyXEL Prestige Korvane: Reset the router counters?",
                                            "ask ZyXEL Prestige Korvane: Reset the router counters?", "keys 3"}));
    rig.controller->OnWatchdog();
    EXPECT_FALSE(rig.controller->isEnabled(C::DropBoth));
}

TEST(Commands, PropertiesReconnectsOnAddressOrPasswordAndRecompilesOnScript) {
    Rig rig;
    rig.controller->Connect();
    rig.set(1, dataCall(1, 5));
    rig.tick();
    int cleared = 0;
    rig.controller->setClearViews([&] { ++cleared; });
    rig.controller->setPropertiesSheet([&] { rig.settings.script = QStringLiteral("other.js"); return true; });
    rig.log.entries.clear();
    rig.controller->Properties();
    EXPECT_EQ(rig.log.entries, QStringList{"compile"});
    EXPECT_EQ(cleared, 0);

    rig.controller->setPropertiesSheet([&] { rig.settings.pass = QStringLiteral("new"); return true; });
    rig.log.entries.clear();
    rig.controller->Properties();
    ASSERT_TRUE(connectEnded(*rig.controller));
    EXPECT_EQ(cleared, 1);
    EXPECT_TRUE(rig.log.entries.contains(QStringLiteral("keys new|")));
    EXPECT_FALSE(rig.log.entries.contains(QStringLiteral("compile")));
    EXPECT_TRUE(rig.table.blank());
    EXPECT_TRUE(rig.controller->application().lastCallLanPacket().isEmpty());
    // The reset keeps the channel number a script reads.
    EXPECT_EQ(rig.controller->application().lines().line1().channel(), 1);

    // Cancel without an Apply: the sheet put every value back, nothing happens.
    rig.controller->setPropertiesSheet([&] { return false; });
    rig.log.entries.clear();
    rig.controller->Properties();
    EXPECT_TRUE(rig.log.entries.isEmpty());
    EXPECT_EQ(cleared, 1);
}

TEST(Commands, CancelAfterApplyActsOnWhatWasApplied) {
    Rig rig;
    rig.controller->Connect();
    rig.set(1, dataCall(1, 5));
    rig.tick();
    int cleared = 0;
    rig.controller->setClearViews([&] { ++cleared; });
    // Apply wrote a new password and script, then the sheet was cancelled.
    rig.controller->setPropertiesSheet([&] {
        rig.settings.pass = QStringLiteral("applied");
        rig.settings.script = QStringLiteral("applied.vbs");
        return false;
    });
    rig.log.entries.clear();
    rig.controller->Properties();
    ASSERT_TRUE(connectEnded(*rig.controller));
    EXPECT_EQ(cleared, 1);
    EXPECT_TRUE(rig.table.blank());
    EXPECT_TRUE(rig.log.entries.contains(QStringLiteral("keys applied|")));
    EXPECT_TRUE(rig.log.entries.contains(QStringLiteral("compile")));
}

TEST(Watchdog, BlanksTheCellsAndRepeatsUntilTheNextTick) {
    Rig rig;
    rig.settings.timeout = 30;
    int stale = 0;
    QObject::connect(rig.controller.get(), &CMonitorController::statusStale, [&] { ++stale; });
    rig.set(1, dataCall(1, 50));
    rig.tick();
    EXPECT_FALSE(rig.table.blank());
    QElapsedTimer bound;
    bound.start();
    while (stale < 2 && bound.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(stale, 2);
    EXPECT_TRUE(rig.table.blank());
    EXPECT_EQ(rig.controller->trayIconIndex(), 64);
    EXPECT_FALSE(rig.controller->statusValid());
    // The remembered line state survives, so the next tick fires nothing.
    rig.log.entries.clear();
    rig.tick();
    EXPECT_TRUE(rig.log.entries.isEmpty());
    EXPECT_FALSE(rig.table.blank());
}

TEST(Driver, BadPasswordAndMonitoringOff) {
    Rig rig;
    rig.controller->Connect();
    rig.log.entries.clear();
    const prestige::Canvas bad = prestige::paintPasswordScreen(true);
    rig.terminal->paint(QString::fromLatin1(bad.text()), bad.cursorRow(), bad.cursorColumn());
    EXPECT_EQ(rig.log.entries, QStringList{"box ZyXEL Prestige Korvane v. 2.05: The router reported bad password!!!\n"
                                           "Check your configuration"});

    rig.controller->SetMonitoringEnabled(false);
    EXPECT_FALSE(rig.controller->application().korvaneEnabled());
    rig.log.entries.clear();
    rig.controller->Reconnect();
    // The wait before the connect is a timer: the loop runs meanwhile.
    EXPECT_TRUE(rig.log.entries.filter(QStringLiteral("open")).isEmpty());
    ASSERT_TRUE(connectEnded(*rig.controller));
    EXPECT_EQ(rig.log.entries.filter(QStringLiteral("keys")), QStringList{"keys 1234|"});
    rig.tick();
    EXPECT_FALSE(rig.controller->statusValid());
    EXPECT_EQ(rig.table.writes, 0);
    rig.terminal->paint(QString::fromLatin1(bad.text()), bad.cursorRow(), bad.cursorColumn());
    EXPECT_TRUE(rig.log.entries.filter(QStringLiteral("box")).isEmpty());

    rig.controller->application().setKorvaneEnabled(true);
    EXPECT_TRUE(rig.controller->monitoringEnabled());
}

TEST(Driver, LeavingTheRouterScreensViewOffTheStatusScreenReconnects) {
    Rig rig;
    rig.controller->Connect();
    rig.controller->setTelnetViewActive(true);
    const prestige::Canvas menu = prestige::paintSystemMaintenanceMenu({});
    rig.terminal->paint(QString::fromLatin1(menu.text()), menu.cursorRow(), menu.cursorColumn());
    rig.log.entries.clear();
    rig.controller->setTelnetViewActive(false);
    EXPECT_EQ(rig.log.entries, QStringList{"close"});
    QElapsedTimer waited;
    waited.start();
    while (rig.log.entries.size() < 3 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_EQ(rig.log.entries.mid(0, 3), (QStringList{"close", "address 127.0.0.1:1", "open"}));

    rig.controller->setTelnetViewActive(true);
    rig.tick();
    rig.log.entries.clear();
    rig.controller->setTelnetViewActive(false);
    EXPECT_TRUE(rig.log.entries.isEmpty());
}
