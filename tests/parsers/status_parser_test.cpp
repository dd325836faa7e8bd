#include "korvane/router/status_parser.h"

#include "korvane/model/application.h"
#include "screen_fixture.h"

#include <gtest/gtest.h>

namespace {

struct ExpectedLine {
    int channel;
    const char* link;
    int type, sent, received, errors, utilization, average;
    const char* upTime;
    const char* ip;
    const char* clid;
};

void expectLine(const CLine& line, const ExpectedLine& e)
{
    SCOPED_TRACE(line.number());
    EXPECT_EQ(line.channel(), e.channel);
    EXPECT_EQ(line.link(), QString::fromLatin1(e.link));
    EXPECT_EQ(line.type(), e.type);
    EXPECT_EQ(line.packetsSent(), e.sent);
    EXPECT_EQ(line.packetsReceived(), e.received);
    EXPECT_EQ(line.errors(), e.errors);
    EXPECT_EQ(line.lineUtilization(), e.utilization);
    EXPECT_EQ(line.averageLineUtilization(), e.average);
    EXPECT_EQ(line.upTime(), QString::fromLatin1(e.upTime));
    EXPECT_EQ(line.ipAddress(), QString::fromLatin1(e.ip));
    EXPECT_EQ(line.clid(), QString::fromLatin1(e.clid));
}

}  // namespace

TEST(StatusFixturesTest, AreScreenTextsByteForByte)
{
    for (const char* name : {"status_layout0.txt", "status_layout1.txt", "status_layout2.txt", "call_history.txt",
                             "call_history_partial.txt"}) {
        const QString screen = fixtureScreen(name);
        ASSERT_EQ(screen.size(), kScreenTextLength) << name;
        for (int row = 1; row <= kScreenRows; ++row)
            EXPECT_EQ(screen.mid(row * kScreenRowStride - 2, 2), QStringLiteral("\r\n")) << name << " row " << row;
    }
}

TEST(StatusParserTest, LayoutZeroTakesPeersByChannel)
{
    CApplication app;
    EXPECT_EQ(ParseStatusScreen(fixtureScreen("status_layout0.txt"), app), 0);
    // Line 1 is on B2: its address comes from row 13 and its caller id from row 15.
    expectLine(app.lines().line1(), {2, "Office", 64, 12345, 23456, 0, 45, 12, "  0:12:34", "192.168.7.1", ""});
    expectLine(app.lines().line2(), {1, "Voice", 64, 0, 0, 0, 100, 100, "  1:02:03", "", "0301234567"});
    EXPECT_EQ(app.totalOutcallTime(), QStringLiteral("  1:14:37"));
    EXPECT_EQ(app.lastCallLanPacket(),
              QStringLiteral("45 00 00 30 0a 1b 40 00 80 06 b1 e6 c0 a8 01 02 d4 a6 0a 05 04 12 00 50 "
                             "00 00 3a 10 00 00 00 00 70 02 fa f0 9c 2e 00 00 02 04 05 b4 01 01 04 02"));
    EXPECT_FALSE(app.lastCallPacketIsIpx());
}

TEST(StatusParserTest, LayoutOneWithAnIdleLineAndAnIpxPacket)
{
    CApplication app;
    EXPECT_EQ(ParseStatusScreen(fixtureScreen("status_layout1.txt"), app), 1);
    expectLine(app.lines().line1(),
               {1, "Zentrale", 128, 987654, 876543, 12, 7, 31, " 12:00:01", "10.0.0.138", "0891234"});
    expectLine(app.lines().line2(), {0, "", 0, 0, 0, 0, 0, 0, "  0:00:00", "", ""});
    EXPECT_EQ(app.totalOutcallTime(), QStringLiteral("123:45:06"));
    EXPECT_TRUE(app.lastCallPacketIsIpx());
    EXPECT_TRUE(app.lastCallLanPacket().startsWith(QLatin1String("ff ff 00 30")));
    EXPECT_TRUE(app.lastCallLanPacket().endsWith(QLatin1String("99 aa bb cc")));
}

TEST(StatusParserTest, LayoutTwoWithPeersBesideTheirLines)
{
    CApplication app;
    EXPECT_EQ(ParseStatusScreen(fixtureScreen("status_layout2.txt"), app), 2);
    expectLine(app.lines().line1(),
               {1, "M\xFCnchen-GW", 64, 4711, 815, 3, 93, 80, "  0:00:45", "172.16.254.253", "4989123456"});
    expectLine(app.lines().line2(), {2, "Voice Call", 64, 0, 0, 0, 0, 0, "  0:03:10", "0.0.0.0", "+49301234567"});
    EXPECT_EQ(app.totalOutcallTime(), QStringLiteral("  0:03:55"));
    EXPECT_FALSE(app.lastCallPacketIsIpx());
}

TEST(StatusParserTest, LayoutDetectionOnRowNine)
{
    EXPECT_EQ(DetectStatusLayout(PaintedScreen().put(9, 1, QStringLiteral("C    T")).text()), 2);
    EXPECT_EQ(DetectStatusLayout(PaintedScreen().put(9, 6, QStringLiteral("T")).text()), 0);
    EXPECT_EQ(DetectStatusLayout(PaintedScreen().put(9, 1, QStringLiteral("c    t")).text()), 1);
    EXPECT_EQ(DetectStatusLayout(PaintedScreen().text()), 1);
    // Too short to reach the probes, or just long enough for the first one.
    EXPECT_EQ(DetectStatusLayout(QString()), 1);
    const QString upToRowNine = PaintedScreen().put(9, 1, QStringLiteral("C")).text().left(657);
    EXPECT_EQ(DetectStatusLayout(upToRowNine), 2);
    const QString upToColumnSix = PaintedScreen().put(9, 6, QStringLiteral("T")).text().left(661);
    EXPECT_EQ(DetectStatusLayout(upToColumnSix), 1);
}

TEST(StatusParserTest, BlankFirstLineRowGivesChannelZeroAndNoPeerInLayoutZero)
{
    PaintedScreen screen(fixtureScreen("status_layout0.txt"));
    screen.blankRow(6);
    CApplication app;
    app.lines().line1().SetChannel(QStringLiteral("B2"));
    ASSERT_EQ(ParseStatusScreen(screen.text(), app), 0);
    const CLine& line1 = app.lines().line1();
    EXPECT_EQ(line1.channel(), 0);
    EXPECT_TRUE(line1.link().isEmpty());
    EXPECT_EQ(line1.upTime(), QString(9, u' '));
    EXPECT_TRUE(line1.ipAddress().isEmpty());
    EXPECT_TRUE(line1.clid().isEmpty());
    EXPECT_EQ(line1.packetsSent(), 0);
    EXPECT_EQ(app.lines().line2().clid(), QStringLiteral("0301234567"));
    // Channels other than 1 and 2 have no peer row either.
    screen.put(6, 2, QStringLiteral("B3"));
    ParseStatusScreen(screen.text(), app);
    EXPECT_EQ(line1.channel(), 3);
    EXPECT_TRUE(line1.ipAddress().isEmpty() && line1.clid().isEmpty());
}

TEST(StatusParserTest, EmptyTextClearsAllButChannelsAndUser)
{
    CApplication app;
    ParseStatusScreen(fixtureScreen("status_layout2.txt"), app);
    app.lines().line1().setUser(QStringLiteral("kept"));
    EXPECT_EQ(ParseStatusScreen(QString(), app), 1);
    EXPECT_EQ(app.lines().line1().channel(), 1);
    EXPECT_EQ(app.lines().line2().channel(), 2);
    expectLine(app.lines().line1(), {1, "", 0, 0, 0, 0, 0, 0, "", "", ""});
    expectLine(app.lines().line2(), {2, "", 0, 0, 0, 0, 0, 0, "", "", ""});
    EXPECT_EQ(app.lines().line1().user(), QStringLiteral("kept"));
    EXPECT_TRUE(app.totalOutcallTime().isEmpty());
    EXPECT_TRUE(app.lastCallLanPacket().isEmpty());
    EXPECT_FALSE(app.lastCallPacketIsIpx());
}

TEST(StatusParserTest, ShortTextsAreCutAtTheirEnd)
{
    const QString full = fixtureScreen("status_layout1.txt");
    CApplication app;
    // Row 6 ends inside the link field, before the counters.
    const int cut = 5 * kScreenRowStride + 8;
    ParseStatusScreen(full.left(cut), app);
    EXPECT_EQ(app.lines().line1().channel(), 1);
    EXPECT_EQ(app.lines().line1().link(), QStringLiteral("Zent"));
    EXPECT_EQ(app.lines().line1().packetsSent(), 0);
    EXPECT_EQ(app.lines().line2().channel(), 0);  // never set, so still the initial 0
    // Every length parses without failing.
    for (qsizetype n = 0; n <= full.size(); ++n)
        ParseStatusScreen(full.left(n), app);
    EXPECT_EQ(app.lastCallLanPacket().size(), 143);
}

TEST(StatusParserTest, LanPacketRowsAreJoinedUntrimmedThenTrimmed)
{
    PaintedScreen screen;
    CApplication app;
    ParseStatusScreen(screen.text(), app);
    EXPECT_TRUE(app.lastCallLanPacket().isEmpty());
    screen.put(19, 6, QStringLiteral("45 00")).put(20, 6, QStringLiteral("  ff"));
    // Everything outside columns 6 to 76 of the two rows is not the packet.
    screen.put(19, 1, QStringLiteral("xxxxx")).put(20, 77, QStringLiteral("yyyy"));
    ParseStatusScreen(screen.text(), app);
    EXPECT_EQ(app.lastCallLanPacket(), QStringLiteral("45 00") + QString(66 + 1 + 2, u' ') + QStringLiteral("ff"));
}

TEST(StatusParserTest, IpxMarkCountsAnywhereButOnlyExactly)
{
    CApplication app;
    ParseStatusScreen(PaintedScreen().put(3, 70, QStringLiteral("(Type: IPX)")).text(), app);
    EXPECT_TRUE(app.lastCallPacketIsIpx());
    ParseStatusScreen(PaintedScreen().put(3, 70, QStringLiteral("(type: ipx)")).text(), app);
    EXPECT_FALSE(app.lastCallPacketIsIpx());
    // Split over a row end by the CR LF it is not the mark.
    ParseStatusScreen(PaintedScreen().put(3, 75, QStringLiteral("(Type")).put(4, 1, QStringLiteral(": IPX)")).text(),
                      app);
    EXPECT_FALSE(app.lastCallPacketIsIpx());
}

TEST(ScreenFieldTest, PositionsAndCutting)
{
    const QString screen = PaintedScreen().put(24, 75, QStringLiteral("ABCDEF")).text();
    EXPECT_EQ(ScreenFieldText(screen, {24, 75, 3}), QStringLiteral("ABC"));
    EXPECT_EQ(ScreenFieldText(screen, {24, 78, 10}), QStringLiteral("DEF\r\n"));
    EXPECT_EQ(ScreenFieldText(screen, {25, 1, 10}), QString());
    EXPECT_EQ(ScreenCharAt(screen, 30, 1), QChar());
    EXPECT_EQ(StatusFieldPosition(kStatusIpAddress, 0, 1).row, 13);
    EXPECT_EQ(StatusFieldPosition(kStatusFieldCount, 0, 0).length, 0);
    EXPECT_EQ(StatusFieldPosition(0, 3, 0).length, 0);
}
