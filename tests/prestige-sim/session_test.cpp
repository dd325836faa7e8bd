// Sessions over loopback: the walk the monitor makes, typed ahead, through the
// terminal control's own connection and screen; the password; the status
// keys; telnet manners; one session at a time.
#include "tests/prestige-sim/raw_client.h"
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/simulator.h"

#include <gtest/gtest.h>

using namespace prestige;
using namespace simtest;

namespace {

SimulatorOptions quickOptions()
{
    SimulatorOptions o;
    o.clockMs = 0; // time moves only when a test says so
    o.repaintMs = 40;
    o.scenario = Scenario {};
    return o;
}

} // namespace

class SessionWalk : public testing::TestWithParam<bool> {};

TEST_P(SessionWalk, TypedAheadLoginReachesStatusAndTheDetourComesBack)
{
    const bool shift = GetParam();
    const int extra = shift ? 2 : 0;
    SimulatorOptions o = quickOptions();
    o.promptShift = shift;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0)) << sim.errorString().toStdString();
    ASSERT_NE(sim.port(), 0);

    SimClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    // The monitor's connect: everything at once, before any prompt.
    client.send("1234\r\n24\r\n1\r\n");
    ASSERT_TRUE(client.waitFor(isStatus));
    EXPECT_TRUE(client.last().at(22, 47 + extra));
    EXPECT_EQ(sim.currentScreen(), ScreenId::Status);
    // It keeps repainting itself, cursor back at the prompt each time.
    ASSERT_TRUE(client.waitForNext(isStatus));
    ASSERT_TRUE(client.waitForNext(isStatus));

    // The call history detour, key for key as the driver sends them.
    client.send("\x1b");
    ASSERT_TRUE(client.waitFor(isMenu24));
    EXPECT_TRUE(client.last().at(21, 54 + extra));
    client.send("9\r\n");
    ASSERT_TRUE(client.waitFor(isMenu249));
    EXPECT_TRUE(client.last().at(21, 54 + extra));
    client.send("4\r\n");
    ASSERT_TRUE(client.waitFor(isHistory));
    EXPECT_TRUE(client.last().at(21, 57 + extra));
    client.send("\x1b");
    ASSERT_TRUE(client.waitFor(isMenu249));
    client.send("\x1b");
    ASSERT_TRUE(client.waitFor(isMenu24));
    client.send("1\r\n");
    ASSERT_TRUE(client.waitFor(isStatus));
    EXPECT_TRUE(client.last().at(22, 47 + extra));

    // ESC from menu 24 goes to the main menu, and 99 there ends the session.
    client.send("\x1b");
    ASSERT_TRUE(client.waitFor(isMenu24));
    client.send("\x1b");
    ASSERT_TRUE(client.waitFor([](const Snapshot& s) { return s.contains("Main Menu"); }));
    client.send("99\r\n");
    EXPECT_TRUE(spinUntil([&] { return !sim.hasSession(); }));
}

INSTANTIATE_TEST_SUITE_P(PromptShift, SessionWalk, testing::Values(false, true));

TEST(Session, MenusEchoDigitsAndIgnoreWhatTheyDoNotKnow)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    SimClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n24\r\n");
    ASSERT_TRUE(client.waitFor(isMenu24));
    client.send("3");
    ASSERT_TRUE(client.waitFor([](const Snapshot& s) { return s.at(21, 55); }));
    EXPECT_EQ(client.last().cells(21, 54, 1), "3");
    // Backspace takes it back; the cursor is at the prompt again and the
    // screen is what the driver recognises.
    client.send("\x7f");
    ASSERT_TRUE(client.waitFor(isMenu24));
    // An arrow key's sequence is swallowed whole, not typed.
    client.send("\x1b[A77\r\n"); // no such item: the menu is painted afresh
    ASSERT_TRUE(client.waitForNext(isMenu24));
    EXPECT_EQ(client.last().cells(21, 54, 4), "    ");
    EXPECT_EQ(sim.currentScreen(), ScreenId::SystemMaintenance);
    // A lone LF is an Enter too, and CR NUL is one Enter.
    client.send("9\n");
    ASSERT_TRUE(client.waitFor(isMenu249));
    client.send("4\r");
    client.send(QByteArray("\0", 1));
    ASSERT_TRUE(client.waitFor(isHistory));
    client.send("\r\n"); // RETURN leaves the history as ESC does
    ASSERT_TRUE(client.waitFor(isMenu249));
}

TEST(Session, BadPasswordIsReportedAndAskedAgain)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    SimClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("4321\r\n");
    ASSERT_TRUE(client.waitFor([](const Snapshot& s) { return s.contains(kBadPasswordText); }));
    EXPECT_EQ(sim.currentScreen(), ScreenId::Password);
    EXPECT_FALSE(client.anyScreen([](const Snapshot& s) { return s.contains("4321"); })); // never echoed
    client.send("1234\r\n");
    ASSERT_TRUE(client.waitFor([](const Snapshot& s) { return s.contains("Main Menu"); }));
    EXPECT_FALSE(client.last().contains(kBadPasswordText));
}

TEST(Session, TooManyBadPasswordsEndTheSession)
{
    SimulatorOptions o = quickOptions();
    o.password = QStringLiteral("secret");
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    // The monitor with the wrong password: its menu keys become two more tries.
    client.send("1234\r\n24\r\n1\r\n");
    EXPECT_EQ(client.pump(5000), RawClient::End::Closed);
    EXPECT_EQ(client.received.count(kBadPasswordText), 3);
    EXPECT_TRUE(spinUntil([&] { return !sim.hasSession(); }));
}

TEST(Session, OneSessionAtATime)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    int refused = 0;
    QObject::connect(&sim, &Simulator::connectionRefused, [&] { ++refused; });
    SimClient first;
    ASSERT_TRUE(first.connectTo(sim.port()));
    ASSERT_TRUE(first.waitFor([](const Snapshot& s) { return s.contains("Enter Password"); }));

    RawClient second;
    ASSERT_TRUE(second.connectTo(sim.port()));
    EXPECT_EQ(second.pump(5000), RawClient::End::Closed);
    EXPECT_TRUE(second.received.contains("in use"));
    EXPECT_EQ(refused, 1);
    EXPECT_TRUE(sim.hasSession());

    first.close();
    ASSERT_TRUE(spinUntil([&] { return !sim.hasSession(); }));
    SimClient third;
    ASSERT_TRUE(third.connectTo(sim.port()));
    EXPECT_TRUE(third.waitFor([](const Snapshot& s) { return s.contains("Enter Password"); }));
}

TEST(Session, TelnetNegotiationIsOfferedAnsweredOnceAndNeverTyped)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.pump(5000, [&] { return client.received.contains("Enter Password"); });
    EXPECT_TRUE(client.received.startsWith("\xff\xfb\x01\xff\xfb\x03"));

    client.received.clear();
    // DO TERMINAL-TYPE twice, WILL NAWS, WILL SGA, a subnegotiation, then the password.
    client.send(QByteArray("\xff\xfd\x18\xff\xfd\x18\xff\xfb\x1f\xff\xfb\x03\xff\xfa\x18\x00VT100\xff\xf0", 23)
                + "1\xff\xff" "234\r\n");
    client.pump(5000, [&] { return client.received.contains(kBadPasswordText) || client.received.contains("Main Menu"); });
    EXPECT_EQ(client.received.count("\xff\xfc\x18"), 1); // WONT TERMINAL-TYPE, once
    EXPECT_TRUE(client.received.contains("\xff\xfe\x1f")); // DONT NAWS
    EXPECT_TRUE(client.received.contains("\xff\xfd\x03")); // DO SGA
    // Nothing of the subnegotiation was taken as typing, and the escaped 255
    // is a data byte no prompt takes: the password is right.
    EXPECT_TRUE(client.received.contains("Main Menu"));
    EXPECT_EQ(client.received.count('*'), 4);
}

TEST(Session, KeysTypedFasterThanTheScreensAreReadWaitTheirTurnAndAllCount)
{
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n24\r\n");
    ASSERT_TRUE(spinUntil([&] { return sim.currentScreen() == ScreenId::SystemMaintenance; }));
    // Menu 24 -> 24.9 -> 24.9.4 -> 24.9 -> 24: four full screens a round.
    const int rounds = 8000;
    QByteArray flood;
    for (int i = 0; i < rounds; ++i)
        flood += "9\r\n4\r\n\x1b\x1b";
    qsizetype sent = 0;
    ASSERT_TRUE(spinUntil([&] {
        sent += std::max<qsizetype>(0, client.sendSome(flood.mid(sent, 65536)));
        return sent == flood.size();
    }, 60000));
    spin(300);
    // Without a reader the router stopped taking keys rather than queue
    // screens without end.
    const int before = sim.screensPainted();
    EXPECT_LT(before, 3 + 4 * rounds);
    // Reading lets every key through, in order.
    client.pump(120000, [&] { return sim.screensPainted() == 3 + 4 * rounds; });
    EXPECT_EQ(sim.screensPainted(), 3 + 4 * rounds);
    // Every round ends on menu 24 with the same cursor, so wait for the count itself.
    client.pump(20000, [&] { return client.received.count("Menu 24.9.4 ") == rounds; });
    EXPECT_EQ(sim.currentScreen(), ScreenId::SystemMaintenance);
    EXPECT_EQ(client.received.count("Menu 24.9.4 "), rounds);
}
