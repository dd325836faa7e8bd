// The simulated router as real ones misbehave: it reboots (drops the session,
// refuses connections, comes back on its port), paints the maintenance menu
// prompt in a column of its own and cuts what it writes into pieces of any
// size down to one byte.
#include "tests/prestige-sim/raw_client.h"
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/simulator.h"

#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace prestige;
using namespace simtest;

namespace {

SimulatorOptions quickOptions()
{
    SimulatorOptions o;
    o.clockMs = 0;
    o.repaintMs = 30;
    o.scenario = Scenario {};
    return o;
}

const QByteArray kGreeting("\xff\xfb\x01\xff\xfb\x03");

} // namespace

TEST(Reboot, DropsTheSessionRefusesConnectionsAndComesBackOnThePort)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    const quint16 port = sim.port();
    QSignalSpy started(&sim, &Simulator::rebootStarted);
    QSignalSpy finished(&sim, &Simulator::rebootFinished);
    QSignalSpy ended(&sim, &Simulator::sessionEnded);

    RawClient before;
    ASSERT_TRUE(before.connectTo(port));
    before.send("1234\r\n24\r\n1\r\n");
    before.pump(5000, [&] { return before.received.contains("Menu 24.1 "); });
    ASSERT_EQ(sim.currentScreen(), ScreenId::Status);

    sim.reboot(1);
    EXPECT_TRUE(sim.isRebooting());
    EXPECT_FALSE(sim.isListening());
    EXPECT_FALSE(sim.hasSession());
    EXPECT_EQ(sim.port(), port); // the port it comes back on
    EXPECT_EQ(sim.reboots(), 1);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0][0].toInt(), 1000);
    EXPECT_EQ(ended.size(), 1);
    // The old connection is reset, as after a power cut.
    EXPECT_EQ(before.pump(2000), RawClient::End::Reset);

    RawClient during;
    EXPECT_FALSE(during.connectTo(port)); // refused: nothing listens

    ASSERT_TRUE(spinUntil([&] { return !sim.isRebooting(); }, 5000));
    EXPECT_EQ(finished.size(), 1);
    EXPECT_TRUE(sim.isListening());
    EXPECT_EQ(sim.port(), port);
    RawClient after;
    ASSERT_TRUE(after.connectTo(port));
    after.pump(5000, [&] { return after.received.contains("Enter Password :"); });
    EXPECT_TRUE(after.received.startsWith(kGreeting + paintPasswordScreen(false).toAnsi(true)));
    after.send("1234\r\n24\r\n1\r\n");
    after.pump(5000, [&] { return after.received.contains("Menu 24.1 "); });
    EXPECT_EQ(sim.currentScreen(), ScreenId::Status);
}

TEST(Reboot, ShortDownTimesRebootsWhileDownAndCloseAreSafe)
{
    Simulator sim(quickOptions());
    sim.reboot(1); // not listening yet: nothing to reboot
    EXPECT_FALSE(sim.isRebooting());
    ASSERT_TRUE(sim.listen(0));
    const quint16 port = sim.port();

    // A router back after half a second, without anyone connected.
    sim.rebootMs(500);
    spin(200);
    sim.rebootMs(500); // reboots again while down: the wait starts again
    EXPECT_EQ(sim.reboots(), 1);
    spin(400);
    EXPECT_TRUE(sim.isRebooting());
    ASSERT_TRUE(spinUntil([&] { return sim.isListening(); }, 3000));
    RawClient client;
    EXPECT_TRUE(client.connectTo(port));

    sim.reboot(60);
    sim.close();
    EXPECT_FALSE(sim.isRebooting());
    EXPECT_FALSE(sim.isListening());
    spin(100);
    EXPECT_FALSE(sim.isListening());
}

TEST(Reboot, PeriodicRebootsComeBackEachTime)
{
    SimulatorOptions o = quickOptions();
    o.faults.rebootEverySeconds = 1;
    o.faults.rebootDownSeconds = 0;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    QSignalSpy finished(&sim, &Simulator::rebootFinished);
    ASSERT_TRUE(spinUntil([&] { return finished.size() >= 2; }, 8000));
    EXPECT_EQ(sim.reboots(), 2);
    EXPECT_TRUE(sim.isListening());
    SimClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n");
    EXPECT_TRUE(client.waitFor([](const Snapshot& s) { return s.contains("Main Menu"); }));
}

TEST(PromptColumn, MovesOnlyTheMaintenanceMenuPrompts)
{
    SimulatorOptions o = quickOptions();
    o.promptColumn = 55;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    SimClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n");
    ASSERT_TRUE(client.waitFor([](const Snapshot& s) { return s.contains("Main Menu"); }));
    EXPECT_TRUE(client.last().at(21, 54));
    const auto menu = [](const char* title) {
        return [title](const Snapshot& s) { return s.contains(title) && s.at(21, 55); };
    };
    client.send("24\r\n");
    ASSERT_TRUE(client.waitFor(menu("Menu 24 ")));
    EXPECT_EQ(client.last().cells(21, 26, 30), "Enter Menu Selection Number:  ");
    EXPECT_FALSE(isMenu24(client.last())); // a column the monitor has not met
    client.send("9\r\n");
    ASSERT_TRUE(client.waitFor(menu("Menu 24.9 ")));
    EXPECT_FALSE(isMenu249(client.last()));
    client.send("4\r\n");
    ASSERT_TRUE(client.waitFor(isHistory));
    EXPECT_TRUE(client.last().at(21, 57));
    client.send("\x1b\x1b""1\r\n");
    ASSERT_TRUE(client.waitFor(isStatus));
    EXPECT_TRUE(client.last().at(22, 47));

    for (int bad : {-1, 29, 81}) {
        o.promptColumn = bad;
        EXPECT_TRUE(Simulator::checkOptions(o).contains(QLatin1String("prompt column"))) << bad;
    }
    o.promptColumn = 80; // the prompt text still fits to its left
    EXPECT_TRUE(Simulator::checkOptions(o).isEmpty());
    PaintOptions paint;
    paint.menuPromptColumn = 80;
    const Canvas c = paintSystemMaintenanceMenu(paint);
    EXPECT_EQ(c.cursorColumn(), 80);
    EXPECT_EQ(c.row(21).right(30), "Enter Menu Selection Number:  ");
}

namespace {

// What the walk to the status screen receives up to the status screen itself.
const QByteArray kWalk = kGreeting + paintPasswordScreen(false).toAnsi(true) + "****" + paintMainMenu({}).toAnsi(true)
    + "24" + paintSystemMaintenanceMenu({}).toAnsi(true) + "1";

QByteArray walk(Simulator& sim, RawClient& client)
{
    EXPECT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n24\r\n1\r\n");
    client.pump(30000, [&] { return client.received.size() >= kWalk.size() + 1000; });
    return client.received;
}

} // namespace

TEST(Chunking, OneBytePiecesAddUpToEveryScreen)
{
    SimulatorOptions o = quickOptions();
    o.faults.chunkBytes = 1;
    o.faults.chunkDelayMs = 0;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient fast;
    const QByteArray received = walk(sim, fast);
    EXPECT_TRUE(received.startsWith(kWalk));
    EXPECT_TRUE(received.contains("Menu 24.1 "));

    // With a pause after each byte, a reader that keeps up gets them one by one.
    sim.close();
    o.faults.chunkDelayMs = 2;
    Simulator slow(o);
    ASSERT_TRUE(slow.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(slow.port()));
    client.pump(20000, [&] { return client.received.contains("Enter Password :"); });
    const auto ones = std::count_if(client.pieces.begin(), client.pieces.end(), [](const QByteArray& p) { return p.size() == 1; });
    EXPECT_GE(ones, client.received.size() / 2);
}

TEST(Chunking, RandomPiecesStayInTheirRangeAndLoseNothing)
{
    SimulatorOptions o = quickOptions();
    o.faults.chunkRandomMin = 3;
    o.faults.chunkRandomMax = 40;
    o.faults.chunkDelayMs = 5;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    const QByteArray received = walk(sim, client);
    EXPECT_TRUE(received.startsWith(kWalk));
    // Loopback never splits a write; a slow reader may join two.
    QSet<qsizetype> sizes;
    int inRange = 0;
    for (const QByteArray& piece : client.pieces) {
        EXPECT_GE(piece.size(), 3);
        sizes.insert(piece.size());
        inRange += piece.size() <= 40;
    }
    EXPECT_GE(inRange, client.pieces.size() * 3 / 4);
    EXPECT_GE(sizes.size(), 10);

    for (auto [low, high] : {std::pair {0, 5}, {5, 3}, {1, 1461}, {-1, 4}}) {
        o.faults.chunkRandomMin = low;
        o.faults.chunkRandomMax = high;
        EXPECT_TRUE(Simulator::checkOptions(o).contains(QLatin1String("random chunk"))) << low << '-' << high;
    }
    o.faults.chunkRandomMin = 1;
    o.faults.chunkRandomMax = kMaxRandomChunk;
    EXPECT_TRUE(Simulator::checkOptions(o).isEmpty());
}

TEST(Program, TakesTheRebootPromptAndChunkOptions)
{
    auto run = [](const QStringList& args, QByteArray* out) {
        QProcess p;
        p.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/prestige-sim"), args);
        EXPECT_TRUE(p.waitForFinished(20000));
        *out = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out;
    for (const char* bad : {"0-5", "5-3", "1-1461", "7", "a-b"}) {
        EXPECT_EQ(run({QStringLiteral("--chunk-random"), QString::fromLatin1(bad)}, &out), 2) << bad;
        EXPECT_TRUE(out.contains("--chunk-random")) << bad;
    }
    EXPECT_EQ(run({QStringLiteral("--prompt-column"), QStringLiteral("12")}, &out), 2);
    EXPECT_EQ(run({QStringLiteral("--reboot-every"), QStringLiteral("0")}, &out), 2);

    // A running router that reboots every second and is back at once.
    QProcess program;
    program.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/prestige-sim"),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--reboot-every"), QStringLiteral("1"),
                   QStringLiteral("--reboot-down"), QStringLiteral("0"), QStringLiteral("--chunk-random"),
                   QStringLiteral("1-1460"), QStringLiteral("--prompt-column"), QStringLiteral("60"),
                   QStringLiteral("--verbose")});
    ASSERT_TRUE(program.waitForStarted(10000));
    QByteArray errors;
    ASSERT_TRUE(spinUntil([&] {
        errors += program.readAllStandardError();
        return errors.contains("reboot: back");
    }, 10000)) << errors.constData();
    EXPECT_TRUE(errors.contains("reboot: away for 0 ms"));
    program.kill();
    program.waitForFinished(10000);
}
