#pragma once
// The monitor against the router simulator over loopback, for the fault
// tests: the real terminal control, driver and controller, recorders for what
// would be shown, and a snapshot of what each status tick left behind.

#include "../controller/recorders.h"
#include "../controller/simulated_calls.h"
#include "../prestige-sim/qt_print.h"

#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/router/status_parser.h"
#include "korvane/monitor/controller.h"
#include "components/prestige/screens.h"
#include "components/prestige/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace korvane::test {

using Cells = std::array<std::array<QString, 8>, 2>;

// A router that repaints quickly and whose time moves only when told.
inline prestige::SimulatorOptions quickRouter() {
    prestige::SimulatorOptions options;
    options.repaintMs = 40;
    options.clockMs = 0;
    QString error;
    options.scenario = prestige::Scenario::parse(QString(), &error);
    return options;
}

// The cells a clean status screen of this router state gives.
inline Cells expectedCells(const prestige::RouterState& state, int layout = 0) {
    prestige::PaintOptions paint;
    paint.layout = layout;
    const QString screen = QString::fromLatin1(prestige::paintStatusScreen(state, paint).text());
    CApplication application;
    ParseStatusScreen(screen, application);
    return {BuildStatusRow(application.lines().line1()).cells, BuildStatusRow(application.lines().line2()).cells};
}

// What the monitor showed right after one status tick.
struct TickSnapshot {
    Cells cells;
    int tray = 0;
    bool dropBoth = false;
    bool resetCounters = false;
    QString screen;
};

struct FaultMonitor {
    Log log;
    FakeSettings settings;
    RecordingScript script{&log};
    RecordingSounds sounds{&log};
    RecordingBoxes boxes{&log};
    RecordingTable table;
    std::unique_ptr<prestige::Simulator> router;
    std::unique_ptr<CMonitorController> controller;
    std::vector<TickSnapshot> ticks;
    int stale = 0;
    int staleSinceTick = 0;  // watchdog expiries since the last tick
    QStringList screens;     // every router screen shown, oldest first (bounded)

    explicit FaultMonitor(prestige::SimulatorOptions options = quickRouter()) {
        router = std::make_unique<prestige::Simulator>(options);
        EXPECT_TRUE(router->listen(0)) << router->errorString().toStdString();
        settings.address = QStringLiteral("127.0.0.1:%1").arg(router->port());
        settings.pass = options.password;
        settings.timeout = 300;
        controller = std::make_unique<CMonitorController>(&settings);
        controller->setScriptEvents(&script);
        controller->setSoundPlayer(&sounds);
        controller->setMessageBoxes(&boxes);
        controller->setStatusTable(&table);
        QObject::connect(controller.get(), &CMonitorController::statusTick, [this] {
            using C = CMonitorController::Command;
            ticks.push_back({table.cells, controller->trayIconIndex(), controller->isEnabled(C::DropBoth),
                             controller->isEnabled(C::ResetCounters), controller->lastStatusScreen()});
            staleSinceTick = 0;
        });
        QObject::connect(controller.get(), &CMonitorController::statusStale, [this] {
            ++stale;
            ++staleSinceTick;
        });
        QObject::connect(controller.get(), &CMonitorController::routerScreen, [this](const QString& text, int) {
            if (screens.size() >= 2000)
                screens.removeFirst();
            screens.append(text);
        });
    }
    ~FaultMonitor() {
        controller->Disconnect();
        controller.reset();
        router->close();
    }

    int tickCount() const { return int(ticks.size()); }
    bool ticksAfter(int n, int limitMs = 10000) {
        const std::size_t target = ticks.size() + std::size_t(n);
        return waitUntil([&] { return ticks.size() >= target; }, limitMs);
    }
    bool staleAfter(int n, int limitMs = 10000) {
        const int target = stale + n;
        return waitUntil([&] { return stale >= target; }, limitMs);
    }
    // A data call on line 1, so that the router commands have something to drop.
    void callOnLine1() {
        const QString error = startCall(*router, 1, prestige::CallKind::Data, QStringLiteral("0301234"));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
    QStringList boxTexts() const { return log.entries.filter(QStringLiteral("box ")); }
};

}  // namespace korvane::test
