// Round trips through the monitor's own reading: random router states are
// painted, put through the terminal screen, read back by the status screen
// parser and the call history reader, and must come out as they went in.
#include "korvane/model/application.h"
#include "korvane/router/call_history_reader.h"
#include "korvane/router/status_parser.h"
#include "tessen/screen.h"
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/simulator.h"

#include <QHostAddress>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace prestige;
using namespace simtest;

namespace {

constexpr int kStatesPerLayout = 300;
constexpr int kCallerIdCells = 15;

QString randomWord(QRandomGenerator& rng, int minLength, int maxLength)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_.+#/";
    QString word;
    const int length = minLength + int(rng.bounded(maxLength - minLength + 1));
    for (int i = 0; i < length; ++i)
        word += QLatin1Char(alphabet[rng.bounded(int(sizeof alphabet - 1))]);
    return word;
}

QString randomDigits(QRandomGenerator& rng, int maxLength)
{
    QString digits;
    const int length = 1 + int(rng.bounded(maxLength));
    for (int i = 0; i < length; ++i)
        digits += QLatin1Char(char('0' + rng.bounded(10)));
    return digits;
}

RouterState randomState(QRandomGenerator& rng)
{
    RouterState s;
    // Which lines are up, and on which channels: never both on one.
    const int firstChannel = 1 + int(rng.bounded(2));
    const int channels[2] = {rng.bounded(3) ? firstChannel : 0, rng.bounded(3) ? 3 - firstChannel : 0};
    for (int n = 1; n <= 2; ++n) {
        LineState l;
        l.channel = channels[n - 1];
        l.packetsSent = rng.bounded(kPacketCounterModulo);
        l.packetsReceived = rng.bounded(kPacketCounterModulo);
        l.errors = rng.bounded(kErrorCounterModulo);
        l.utilization = int(rng.bounded(101));
        l.averageUtilization = int(rng.bounded(101));
        l.upSeconds = rng.bounded(8) ? int(rng.bounded(100000)) : int(rng.bounded(kMaxDurationSeconds + 1));
        if (l.isUp()) {
            l.type = rng.bounded(2) ? 64 : 56;
            l.direction = rng.bounded(2) ? Direction::In : Direction::Out;
            if (rng.bounded(3) == 0) {
                l.kind = CallKind::Voice;
                l.link = QStringLiteral("Voice");
            } else {
                l.link = randomWord(rng, 1, kMaxLinkLength);
                l.peerIp = QHostAddress(rng.generate()).toString();
            }
            if (l.direction == Direction::In || rng.bounded(2))
                l.callerId = randomDigits(rng, kCallerIdCells);
        }
        s.setLine(n, l);
    }
    s.setCompletedOutcallSeconds(int(rng.bounded(500000)));
    QByteArray packet(int(rng.bounded(kMaxLanPacketBytes + 1)), '\0');
    for (char& b : packet)
        b = char(rng.bounded(256));
    s.setLanPacket(packet, rng.bounded(2));
    return s;
}

QList<HistoryEntry> randomHistory(QRandomGenerator& rng)
{
    QList<HistoryEntry> entries;
    const int count = int(rng.bounded(kMaxHistoryEntries + 1));
    for (int i = 0; i < count; ++i) {
        HistoryEntry e;
        e.number = rng.bounded(4) ? randomDigits(rng, kMaxNumberLength) : randomWord(rng, 1, kMaxNumberLength);
        e.direction = rng.bounded(2) ? Direction::In : Direction::Out;
        e.rate = rng.bounded(2) ? 64 : 56;
        e.calls = 1 + int(rng.bounded(999999999));
        e.minSeconds = int(rng.bounded(kMaxDurationSeconds + 1));
        e.maxSeconds = int(rng.bounded(kMaxDurationSeconds + 1));
        e.totalSeconds = int(rng.bounded(kMaxDurationSeconds + 1));
        entries.append(e);
    }
    return entries;
}

// Puts the bytes through a terminal screen that showed something else first.
QString throughTerminal(const QByteArray& bytes, QRandomGenerator& rng)
{
    CTerminalScreen screen;
    QByteArray before(int(rng.bounded(3000)), '\0');
    for (char& b : before)
        b = char(32 + rng.bounded(95));
    screen.Parse(before);
    screen.Parse(bytes);
    return QString::fromLatin1(screen.Text());
}

QString duration(int seconds, int cells)
{
    return formatDuration(seconds).rightJustified(cells, QLatin1Char(' '));
}

// Compares what the parser read with the state that was painted.
void expectStatus(const CApplication& app, const RouterState& s, int layout)
{
    for (int n = 1; n <= 2; ++n) {
        SCOPED_TRACE(testing::Message() << "line " << n);
        const LineState& l = s.line(n);
        const CLine& r = n == 1 ? app.lines().line1() : app.lines().line2();
        EXPECT_EQ(r.channel(), l.channel);
        EXPECT_EQ(r.link(), l.link);
        EXPECT_EQ(r.type(), l.type);
        EXPECT_EQ(r.packetsSent(), l.packetsSent);
        EXPECT_EQ(r.packetsReceived(), l.packetsReceived);
        EXPECT_EQ(r.errors(), l.errors);
        EXPECT_EQ(r.lineUtilization(), l.utilization);
        EXPECT_EQ(r.averageLineUtilization(), l.averageUtilization);
        EXPECT_EQ(r.upTime(), duration(l.upSeconds, 9));
        // In layout 0 an idle line has no channel row to read its peer from.
        const bool shown = layout != 0 || l.isUp();
        EXPECT_EQ(r.ipAddress(), shown ? l.peerIp : QString());
        EXPECT_EQ(r.clid(), shown ? l.callerId : QString());
    }
    EXPECT_EQ(app.totalOutcallTime(), duration(s.totalOutcallSeconds(), 9));
    EXPECT_EQ(app.lastCallLanPacket(), QString::fromLatin1(formatHexBytes(s.lanPacket())));
    EXPECT_EQ(app.lastCallPacketIsIpx(), s.lanPacketIsIpx());
}

void expectHistory(const CCallInfos& calls, const QList<HistoryEntry>& entries)
{
    for (int i = 0; i < CCallInfos::kCount; ++i) {
        SCOPED_TRACE(testing::Message() << "entry " << i);
        const CCallInfo* c = calls.entry(i);
        ASSERT_NE(c, nullptr);
        if (i >= entries.size()) {
            EXPECT_TRUE(c->phoneNumber().isEmpty());
            EXPECT_EQ(c->noOfCalls(), 0);
            EXPECT_TRUE(c->totalTime().isEmpty());
            continue;
        }
        const HistoryEntry& e = entries[i];
        EXPECT_EQ(c->phoneNumber(), e.number);
        EXPECT_EQ(c->direction(), e.direction == Direction::In ? QStringLiteral("In") : QStringLiteral("Out"));
        EXPECT_EQ(c->baudRate(), e.rate);
        EXPECT_EQ(c->noOfCalls(), e.calls);
        EXPECT_EQ(c->maxTime(), duration(e.maxSeconds, 11));
        EXPECT_EQ(c->minTime(), duration(e.minSeconds, 11));
        EXPECT_EQ(c->totalTime(), duration(e.totalSeconds, 9));
    }
}

} // namespace

class StatusRoundTrip : public testing::TestWithParam<int> {};

TEST_P(StatusRoundTrip, RandomStatesComeBackFromTheParser)
{
    const int layout = GetParam();
    QRandomGenerator rng(1000 + quint32(layout));
    CApplication app;
    for (int i = 0; i < kStatesPerLayout; ++i) {
        SCOPED_TRACE(testing::Message() << "state " << i);
        const RouterState s = randomState(rng);
        const PaintOptions options {layout, rng.bounded(2) == 1};
        const Canvas canvas = paintStatusScreen(s, options);
        // Both the first paint and the in-place repaint must read the same.
        const bool repaint = rng.bounded(2);
        const QString text = throughTerminal(
            repaint ? paintStatusScreen(randomState(rng), options).toAnsi(true) + canvas.toAnsi(false)
                    : canvas.toAnsi(true),
            rng);
        ASSERT_EQ(text, QString::fromLatin1(canvas.text()));
        EXPECT_EQ(ParseStatusScreen(text, app), layout);
        expectStatus(app, s, layout);
        if (testing::Test::HasFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, StatusRoundTrip, testing::Values(0, 1, 2));

TEST(HistoryRoundTrip, RandomHistoriesComeBackFromTheReader)
{
    QRandomGenerator rng(77);
    CCallInfos calls;
    for (int i = 0; i < kStatesPerLayout; ++i) {
        SCOPED_TRACE(testing::Message() << "history " << i);
        RouterState s;
        s.setHistory(randomHistory(rng));
        const QString text =
            throughTerminal(paintCallHistoryScreen(s, {0, rng.bounded(2) == 1}).toAnsi(true), rng);
        ReadCallHistoryRecords(text, calls);
        expectHistory(calls, s.history());
        if (testing::Test::HasFailure())
            return;
    }
}

// The whole road over loopback: the built-in scenario with both lines up, the
// status screen as the monitor receives it, the keys, the call history.
TEST(SessionRoundTrip, LiveScreensReadBackAsTheRouterStateAndFollowTheKeys)
{
    for (int layout = 0; layout <= 2; ++layout) {
        SCOPED_TRACE(testing::Message() << "layout " << layout);
        SimulatorOptions o;
        o.clockMs = 0;
        o.repaintMs = 30;
        o.layout = layout;
        o.seed = 5 + quint32(layout);
        Simulator sim(o);
        ASSERT_TRUE(sim.listen(0)) << sim.errorString().toStdString();
        sim.step(25); // data call on B1 under load, voice call on B2
        ASSERT_TRUE(sim.state().line(1).isUp());
        ASSERT_TRUE(sim.state().line(2).isUp());

        SimClient client;
        ASSERT_TRUE(client.connectTo(sim.port()));
        client.send("1234\r\n24\r\n1\r\n");
        ASSERT_TRUE(client.waitFor(isStatus));
        CApplication app;
        EXPECT_EQ(ParseStatusScreen(QString::fromLatin1(client.last().text), app), layout);
        expectStatus(app, sim.state(), layout);
        EXPECT_EQ(app.lines().line2().link(), "Voice");
        EXPECT_FALSE(app.lines().line2().clid().isEmpty());

        // Time moves: the next repaints follow it.
        sim.step(3);
        ASSERT_TRUE(client.waitForNext([&](const Snapshot& s) {
            CApplication now;
            ParseStatusScreen(QString::fromLatin1(s.text), now);
            return isStatus(s) && now.lines().line1().upTime() == duration(sim.state().line(1).upSeconds, 9);
        }));

        client.send("3");
        ASSERT_TRUE(client.waitForNext([](const Snapshot& s) {
            CApplication now;
            ParseStatusScreen(QString::fromLatin1(s.text), now);
            return isStatus(s) && now.lines().line1().packetsSent() == 0 && now.lines().line1().isUp();
        }));
        client.send("2");
        ASSERT_TRUE(client.waitForNext([](const Snapshot& s) {
            CApplication now;
            ParseStatusScreen(QString::fromLatin1(s.text), now);
            return isStatus(s) && now.lines().line1().isUp() && !now.lines().line2().isUp();
        }));
        CallRequest again;
        again.line = 2;
        again.channel = 2;
        again.number = QStringLiteral("777");
        again.node = QStringLiteral("Lab");
        again.peerIp = QStringLiteral("10.9.9.9");
        ASSERT_TRUE(sim.state().startCall(again));
        client.send("1"); // B1 is line 1's
        ASSERT_TRUE(client.waitForNext([](const Snapshot& s) {
            CApplication now;
            ParseStatusScreen(QString::fromLatin1(s.text), now);
            return isStatus(s) && !now.lines().line1().isUp() && now.lines().line2().channel() == 2;
        }));
        client.send("4");
        ASSERT_TRUE(client.waitForNext([](const Snapshot& s) {
            CApplication now;
            ParseStatusScreen(QString::fromLatin1(s.text), now);
            return isStatus(s) && !now.lines().line1().isUp() && !now.lines().line2().isUp();
        }));
        ParseStatusScreen(QString::fromLatin1(client.last().text), app);
        expectStatus(app, sim.state(), layout);

        client.send("\x1b");
        ASSERT_TRUE(client.waitFor(isMenu24));
        client.send("9\r\n");
        ASSERT_TRUE(client.waitFor(isMenu249));
        client.send("4\r\n");
        ASSERT_TRUE(client.waitFor(isHistory));
        CCallInfos calls;
        ReadCallHistoryRecords(QString::fromLatin1(client.last().text), calls);
        ASSERT_EQ(sim.state().history().size(), 3);
        expectHistory(calls, sim.state().history());
        EXPECT_EQ(calls.entry(0)->phoneNumber(), "777"); // dropped last
        EXPECT_EQ(calls.entry(1)->phoneNumber(), "5551234");
        EXPECT_EQ(calls.entry(2)->direction(), "In");
    }
}
