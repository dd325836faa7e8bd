// The simulated router's lines, calls, counters and call history.
#include "components/prestige/router_state.h"
#include "tests/prestige-sim/qt_print.h"
#include "components/prestige/screens.h"

#include <QHostAddress>
#include <QtEndian>

#include <gtest/gtest.h>

using namespace prestige;

namespace {

CallRequest dataCall(int line, int channel, const char* number, Direction direction = Direction::Out)
{
    CallRequest c;
    c.line = line;
    c.channel = channel;
    c.direction = direction;
    c.number = QString::fromLatin1(number);
    c.node = QStringLiteral("Office");
    c.peerIp = QStringLiteral("10.0.0.1");
    return c;
}

CallRequest voiceCall(int line, int channel, const char* number)
{
    CallRequest c;
    c.line = line;
    c.channel = channel;
    c.direction = Direction::In;
    c.kind = CallKind::Voice;
    c.number = QString::fromLatin1(number);
    return c;
}

quint16 checksum(const QByteArray& bytes)
{
    quint32 sum = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        sum += (quint32(quint8(bytes[i])) << 8) | quint8(bytes[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(sum);
}

} // namespace

TEST(RouterState, DataCallComesUpMovesAndEndsIntoTheHistory)
{
    RouterState s(5);
    QList<CallEvent> events;
    s.onCallEvent = [&](const CallEvent& e) { events.append(e); };
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "5551234")));
    const LineState& l = s.line(1);
    EXPECT_EQ(l.channel, 1);
    EXPECT_EQ(l.link, "Office");
    EXPECT_EQ(l.type, 64);
    EXPECT_EQ(l.peerIp, "10.0.0.1");
    EXPECT_TRUE(l.callerId.isEmpty()); // only callers show a caller id
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].kind, CallEvent::Dialing);
    EXPECT_EQ(events[1].kind, CallEvent::Connected);

    s.setLoad(1, 50);
    for (int i = 0; i < 10; ++i)
        s.advance();
    EXPECT_EQ(s.line(1).upSeconds, 10);
    EXPECT_GT(s.line(1).packetsSent, 0);
    EXPECT_GT(s.line(1).packetsReceived, s.line(1).packetsSent / 2);
    EXPECT_NEAR(s.line(1).utilization, 50, 3);
    EXPECT_NEAR(s.line(1).averageUtilization, 50, 3);
    EXPECT_EQ(s.totalOutcallSeconds(), 10);

    EXPECT_TRUE(s.hangup(1));
    EXPECT_FALSE(s.hangup(1));
    EXPECT_FALSE(s.line(1).isUp());
    EXPECT_EQ(s.line(1).packetsSent, 0);
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[2].kind, CallEvent::Terminated);
    EXPECT_EQ(events[2].callId, events[0].callId);
    ASSERT_EQ(s.history().size(), 1);
    EXPECT_EQ(s.history()[0], (HistoryEntry {QStringLiteral("5551234"), Direction::Out, 64, 1, 10, 10, 10}));
    s.advance();
    EXPECT_EQ(s.totalOutcallSeconds(), 10);
}

TEST(RouterState, OutcallTimeCountsOutgoingCallsOnly)
{
    RouterState s;
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "111")));
    ASSERT_TRUE(s.startCall(voiceCall(2, 2, "222")));
    for (int i = 0; i < 30; ++i)
        s.advance();
    EXPECT_EQ(s.totalOutcallSeconds(), 30);
    s.hangup(1);
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "333")));
    for (int i = 0; i < 5; ++i)
        s.advance();
    EXPECT_EQ(s.totalOutcallSeconds(), 35);
    EXPECT_EQ(s.line(2).callerId, "222");
    EXPECT_EQ(s.line(2).link, "Voice");
    EXPECT_EQ(s.line(2).packetsSent, 0);
}

TEST(RouterState, HistoryGathersByNumberAndDirectionNewestFirstAndKeepsTen)
{
    RouterState s;
    auto call = [&](const CallRequest& request, int seconds) {
        ASSERT_TRUE(s.startCall(request));
        for (int i = 0; i < seconds; ++i)
            s.advance();
        ASSERT_TRUE(s.hangup(request.line));
    };
    call(dataCall(1, 1, "40001"), 5);
    call(dataCall(1, 1, "40001", Direction::In), 7);
    call(dataCall(1, 2, "40001"), 20);
    ASSERT_EQ(s.history().size(), 2);
    EXPECT_EQ(s.history()[0], (HistoryEntry {QStringLiteral("40001"), Direction::Out, 64, 2, 20, 5, 25}));
    EXPECT_EQ(s.history()[1].direction, Direction::In);

    for (int n = 0; n < 12; ++n)
        call(dataCall(2, 0, QByteArray::number(9000 + n).constData()), 1);
    ASSERT_EQ(s.history().size(), kMaxHistoryEntries);
    EXPECT_EQ(s.history()[0].number, "9011");
    EXPECT_EQ(s.history()[9].number, "9002");
}

TEST(RouterState, DropKeysEndTheRightCallsAndResetClearsCounters)
{
    RouterState s;
    ASSERT_TRUE(s.startCall(dataCall(1, 2, "1")));
    ASSERT_TRUE(s.startCall(dataCall(2, 1, "2")));
    s.setLoad(1, 90);
    s.setLoad(2, 90);
    for (int i = 0; i < 100; ++i)
        s.advance();
    s.addErrors(1, 4);
    s.resetCounters();
    EXPECT_EQ(s.line(1).packetsSent, 0);
    EXPECT_EQ(s.line(1).packetsReceived, 0);
    EXPECT_EQ(s.line(1).errors, 0);
    EXPECT_EQ(s.line(1).upSeconds, 100);
    EXPECT_TRUE(s.line(1).isUp());

    s.dropChannel(1); // the call on B1 is line 2's
    EXPECT_TRUE(s.line(1).isUp());
    EXPECT_FALSE(s.line(2).isUp());
    ASSERT_TRUE(s.startCall(dataCall(2, 1, "2")));
    s.dropChannel(0);
    EXPECT_FALSE(s.line(1).isUp());
    EXPECT_FALSE(s.line(2).isUp());
    EXPECT_EQ(s.history().size(), 2);
}

TEST(RouterState, UnusableCallsAreRefusedWithAReasonAndChangeNothing)
{
    RouterState s;
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "1")));
    struct Case {
        const char* name;
        CallRequest request;
    };
    CallRequest badIp = dataCall(2, 2, "2");
    badIp.peerIp = QStringLiteral("10.0.0.256");
    CallRequest longNode = dataCall(2, 2, "2");
    longNode.node = QStringLiteral("TwelveChars!");
    CallRequest spacedNumber = dataCall(2, 2, "55 5");
    CallRequest badRate = dataCall(2, 2, "2");
    badRate.rate = 128;
    const Case cases[] = {
        {"line taken", dataCall(1, 2, "2")},
        {"channel taken", dataCall(2, 1, "2")},
        {"no such line", dataCall(3, 2, "2")},
        {"no such channel", dataCall(2, 3, "2")},
        {"bad address", badIp},
        {"node too long", longNode},
        {"number with a blank", spacedNumber},
        {"empty number", dataCall(2, 2, "")},
        {"bad rate", badRate},
    };
    const QByteArray before = paintStatusScreen(s, {}).text();
    for (const Case& c : cases) {
        QString why;
        EXPECT_FALSE(s.startCall(c.request, &why)) << c.name;
        EXPECT_FALSE(why.isEmpty()) << c.name;
    }
    EXPECT_EQ(paintStatusScreen(s, {}).text(), before);
    // "any" channel takes the free one.
    ASSERT_TRUE(s.startCall(dataCall(2, 0, "2")));
    EXPECT_EQ(s.line(2).channel, 2);
}

TEST(RouterState, SameSeedSameRouterOtherSeedOtherCounters)
{
    auto run = [](quint32 seed) {
        RouterState s(seed);
        s.startCall(dataCall(1, 1, "1"));
        s.setLoad(1, 70, 20);
        for (int i = 0; i < 120; ++i)
            s.advance();
        return paintStatusScreen(s, {}).text();
    };
    EXPECT_EQ(run(42), run(42));
    EXPECT_NE(run(42), run(43));
}

TEST(RouterState, OutgoingDataCallLeavesAValidTriggerPacketOrThePendingOne)
{
    RouterState s(9);
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "1")));
    const QByteArray p = s.lanPacket();
    ASSERT_EQ(p.size(), 44);
    EXPECT_FALSE(s.lanPacketIsIpx());
    EXPECT_EQ(quint8(p[0]), 0x45);
    EXPECT_EQ(checksum(p.left(20)), 0xffff);
    EXPECT_EQ(QHostAddress(qFromBigEndian<quint32>(p.constData() + 16)), QHostAddress(QStringLiteral("10.0.0.1")));
    QByteArray pseudo = p.mid(12, 8) + QByteArray("\0\x06\0\x18", 4) + p.mid(20);
    EXPECT_EQ(checksum(pseudo), 0xffff);

    // An incoming call leaves the packet of the last outgoing one.
    ASSERT_TRUE(s.startCall(dataCall(2, 2, "2", Direction::In)));
    EXPECT_EQ(s.lanPacket(), p);

    s.hangup(1);
    s.setPendingLanPacket(QByteArray(60, '\x11'), true);
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "3")));
    EXPECT_EQ(s.lanPacket(), QByteArray(kMaxLanPacketBytes, '\x11'));
    EXPECT_TRUE(s.lanPacketIsIpx());
    s.hangup(1);
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "4")));
    EXPECT_FALSE(s.lanPacketIsIpx()); // the pending packet is used once
}

TEST(RouterState, CountersWrapAtTheirCellWidthAndDurationsStopAtNineCells)
{
    RouterState s;
    ASSERT_TRUE(s.startCall(dataCall(1, 1, "1")));
    LineState l = s.line(1);
    l.packetsSent = kPacketCounterModulo - 1;
    l.packetsReceived = kPacketCounterModulo + 5; // clamped on the way in
    l.upSeconds = kMaxDurationSeconds;
    s.setLine(1, l);
    EXPECT_EQ(s.line(1).packetsReceived, kPacketCounterModulo - 1);
    s.setLoad(1, 100);
    s.advance();
    EXPECT_LT(s.line(1).packetsSent, 1000);
    EXPECT_EQ(formatDuration(s.line(1).upSeconds), "999:59:59");
    EXPECT_EQ(formatDuration(0), "0:00:00");
    EXPECT_EQ(formatDuration(3661), "1:01:01");
    EXPECT_EQ(formatDuration(-5), "0:00:00");
}
