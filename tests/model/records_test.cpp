#include "korvane/model/application.h"

#include <gtest/gtest.h>

TEST(LineTest, StartsEmptyAndNumberedByItsCollection)
{
    CLines lines;
    EXPECT_EQ(lines.count(), 2);
    EXPECT_EQ(lines.line1().number(), 1);
    EXPECT_EQ(lines.line2().number(), 2);
    EXPECT_EQ(lines.line(1), &lines.line1());
    EXPECT_EQ(lines.line(2), &lines.line2());
    EXPECT_EQ(lines.line(0), nullptr);
    EXPECT_EQ(lines.line(3), nullptr);
    for (const CLine& line : lines) {
        EXPECT_EQ(line.channel(), 0);
        EXPECT_FALSE(line.isUp());
        EXPECT_TRUE(line.link().isEmpty());
        EXPECT_TRUE(line.upTime().isEmpty());
    }
}

TEST(LineTest, ChannelDropsItsLetterAndKeepsTheOldValueForAnEmptyText)
{
    CLine line;
    line.SetChannel(QStringLiteral("B2"));
    EXPECT_EQ(line.channel(), 2);
    EXPECT_TRUE(line.isUp());
    line.SetChannel(QString());
    EXPECT_EQ(line.channel(), 2);
    line.SetChannel(QStringLiteral("  "));
    EXPECT_EQ(line.channel(), 0);
    EXPECT_FALSE(line.isUp());
    line.SetChannel(QStringLiteral("B1"));
    line.SetChannel(QStringLiteral("-"));
    EXPECT_EQ(line.channel(), 0);
    // Only the first character is dropped, whatever it is.
    line.SetChannel(QStringLiteral("12"));
    EXPECT_EQ(line.channel(), 2);
}

TEST(LineTest, SettersConvertAsTheirFieldsSay)
{
    CLine line;
    line.SetLink(QStringLiteral("  Voice Call  "));
    line.SetType(QStringLiteral("64K/PPP"));
    line.SetPacketsSent(QStringLiteral("   12345"));
    line.SetPacketsReceived(QStringLiteral("        "));
    line.SetErrors(QStringLiteral("   -3"));
    line.SetLineUtilization(QStringLiteral(" 45%"));
    line.SetAverageLineUtilization(QStringLiteral("100%"));
    line.SetUpTime(QStringLiteral("  1:02:03"));
    line.SetIpAddress(QStringLiteral(" 192.168.1.1    "));
    line.SetCLID(QStringLiteral("\t0301234567\r\n"));
    EXPECT_EQ(line.link(), QStringLiteral("Voice Call"));
    EXPECT_EQ(line.type(), 64);
    EXPECT_EQ(line.packetsSent(), 12345);
    EXPECT_EQ(line.packetsReceived(), 0);
    EXPECT_EQ(line.errors(), -3);
    EXPECT_EQ(line.lineUtilization(), 45);
    EXPECT_EQ(line.averageLineUtilization(), 100);
    EXPECT_EQ(line.upTime(), QStringLiteral("  1:02:03"));
    EXPECT_EQ(line.ipAddress(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(line.clid(), QStringLiteral("0301234567"));
}

TEST(LineTest, TheStatusResetEmptiesAllButChannelAndUser)
{
    CLine line;
    line.SetChannel(QStringLiteral("B1"));
    line.SetLink(QStringLiteral("Office"));
    line.SetPacketsSent(QStringLiteral("9"));
    line.SetUpTime(QStringLiteral("  0:00:09"));
    line.setUser(QStringLiteral("mine"));
    const QString empty;
    line.SetChannel(empty);
    line.SetLink(empty);
    line.SetPacketsSent(empty);
    line.SetUpTime(empty);
    EXPECT_EQ(line.channel(), 1);
    EXPECT_TRUE(line.link().isEmpty());
    EXPECT_EQ(line.packetsSent(), 0);
    EXPECT_TRUE(line.upTime().isEmpty());
    EXPECT_EQ(line.user(), QStringLiteral("mine"));
}

TEST(CallInfoTest, DirectionRewritesOnlyTheRoutersExactWords)
{
    CCallInfo call;
    const std::pair<const char*, const char*> cases[] = {
        {" IN ", "In"}, {"OUT ", "Out"}, {"Out", "Out"}, {"in", "in"},
        {"out", "out"}, {"INN", "INN"}, {"    ", ""}, {"", ""},
    };
    for (const auto& [cell, stored] : cases) {
        call.SetDirection(QString::fromLatin1(cell));
        EXPECT_EQ(call.direction(), QString::fromLatin1(stored)) << cell;
    }
}

TEST(CallInfoTest, TimesKeepLeadingSpacesAndLoseTheLineEnd)
{
    CCallInfo call;
    call.SetPhoneNumber(QStringLiteral("  5551234       "));
    call.SetBaudRate(QStringLiteral(" 64000"));
    call.SetNoOfCalls(QStringLiteral("        12"));
    call.SetMaxTime(QStringLiteral("    0:12:30"));
    call.SetMinTime(QStringLiteral("    0:00:05"));
    call.SetTotalTime(QStringLiteral("  1:15:00\r\n"));
    EXPECT_EQ(call.phoneNumber(), QStringLiteral("5551234"));
    EXPECT_EQ(call.baudRate(), 64000);
    EXPECT_EQ(call.noOfCalls(), 12);
    EXPECT_EQ(call.maxTime(), QStringLiteral("    0:12:30"));
    EXPECT_EQ(call.minTime(), QStringLiteral("    0:00:05"));
    EXPECT_EQ(call.totalTime(), QStringLiteral("  1:15:00"));
    call.clear();
    EXPECT_TRUE(call.phoneNumber().isEmpty());
    EXPECT_TRUE(call.totalTime().isEmpty());
    EXPECT_EQ(call.noOfCalls(), 0);
    EXPECT_EQ(call.baudRate(), 0);
}

TEST(CallInfosTest, TenEntriesIndexedFromZero)
{
    CCallInfos calls;
    EXPECT_EQ(calls.count(), 10);
    EXPECT_EQ(std::distance(calls.begin(), calls.end()), 10);
    EXPECT_NE(calls.entry(0), nullptr);
    EXPECT_NE(calls.entry(9), nullptr);
    EXPECT_EQ(calls.entry(10), nullptr);
    EXPECT_EQ(calls.entry(-1), nullptr);
    EXPECT_EQ(calls.entry(3), &*(calls.begin() + 3));
}

TEST(ApplicationTest, ValuesOfTheStatusScreenOutsideTheLines)
{
    CApplication app;
    EXPECT_TRUE(app.totalOutcallTime().isEmpty());
    EXPECT_TRUE(app.lastCallLanPacket().isEmpty());
    EXPECT_FALSE(app.lastCallPacketIsIpx());
    app.SetTotalOutcallTime(QStringLiteral("  0:42:00"));
    EXPECT_EQ(app.totalOutcallTime(), QStringLiteral("  0:42:00"));
    app.SetLastCallLanPacket(QStringLiteral("  45 00 00 3c   ff ff  "));
    EXPECT_EQ(app.lastCallLanPacket(), QStringLiteral("45 00 00 3c   ff ff"));
    app.SetLastCallLanPacket(QStringLiteral(" "));
    EXPECT_TRUE(app.lastCallLanPacket().isEmpty());
}

TEST(ApplicationTest, MonitoringSwitchIsAFlagUntilTheControllerHooksIn)
{
    CApplication app;
    EXPECT_TRUE(app.korvaneEnabled());
    app.setKorvaneEnabled(false);
    EXPECT_FALSE(app.korvaneEnabled());

    bool controllerFlag = true;
    int reconnects = 0;
    app.setMonitoringHook({[&] { return controllerFlag; },
                           [&](bool on) {
                               controllerFlag = on;
                               ++reconnects;
                           }});
    EXPECT_TRUE(app.korvaneEnabled());
    app.setKorvaneEnabled(false);
    EXPECT_FALSE(controllerFlag);
    EXPECT_FALSE(app.korvaneEnabled());
    EXPECT_EQ(reconnects, 1);
}
