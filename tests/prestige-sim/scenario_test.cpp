// Scenario files and the built-in cycle.
#include "tests/prestige-sim/qt_print.h"
#include "components/prestige/scenario.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace prestige;

TEST(Scenario, ReadsEveryEventKind)
{
    QString error;
    const auto s = Scenario::parse(QStringLiteral(
                                       "# a comment line\n"
                                       "\n"
                                       "0 packet ipx FFFF 00 2e  # trailing comment\n"
                                       "1   call 1 B2 out data 5551234 Office 10.0.0.1 56\n"
                                       "1:05 call 2 any in voice 0301234567\n"
                                       "70 load 1 80 10\r\n"
                                       "71 errors 1 3\n"
                                       "80 hangup all\n"
                                       "90 loop\n"),
                                   &error);
    ASSERT_TRUE(s) << error.toStdString();
    ASSERT_EQ(s->events().size(), 6);
    EXPECT_EQ(s->loopSeconds(), 90);
    const ScenarioEvent& packet = s->events()[0];
    EXPECT_EQ(packet.kind, ScenarioEvent::Packet);
    EXPECT_TRUE(packet.ipx);
    EXPECT_EQ(packet.packet, QByteArray::fromHex("FFFF002E"));
    const ScenarioEvent& data = s->events()[1];
    EXPECT_EQ(data.call.channel, 2);
    EXPECT_EQ(data.call.rate, 56);
    EXPECT_EQ(data.call.node, "Office");
    EXPECT_EQ(data.sourceLine, 4);
    const ScenarioEvent& voice = s->events()[2];
    EXPECT_EQ(voice.atSecond, 65);
    EXPECT_EQ(voice.call.kind, CallKind::Voice);
    EXPECT_EQ(voice.call.channel, 0);
    EXPECT_EQ(voice.call.direction, Direction::In);
    EXPECT_EQ(s->events()[3].rampSeconds, 10);
    EXPECT_EQ(s->events()[5].line, 0);
}

TEST(Scenario, BadLinesAreRefusedWithTheirLineNumber)
{
    const char* const bad[] = {
        "x call 1 1 out voice 1",
        "-1 hangup 1",
        "1:75 hangup 1",
        "5",
        "5 dance 1",
        "5 call 3 1 out voice 1",
        "5 call 1 3 out voice 1",
        "5 call 1 1 sideways voice 1",
        "5 call 1 1 out data 1 Office",
        "5 call 1 1 out data 1 Office 300.1.1.1",
        "5 call 1 1 out data 1 Office 10.0.0.1 128",
        "5 call 1 1 out voice 1 extra",
        "5 call 1 1 out fax 1",
        "5 call 1 1 out data 12345678901234567 Office 10.0.0.1",
        "5 hangup",
        "5 hangup 0",
        "5 load 1 101",
        "5 load 1 50 -2",
        "5 errors 1 0",
        "5 packet ip",
        "5 packet ip 4",
        "5 packet ip zz",
        "5 packet udp 45",
        "5 packet ip " "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000" "00",
        "0 loop",
        "5 loop now",
    };
    for (const char* line : bad) {
        QString error;
        const QString text = QStringLiteral("1 hangup 1\n") + QString::fromLatin1(line) + QLatin1Char('\n');
        EXPECT_FALSE(Scenario::parse(text, &error)) << line;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line 2: "))) << line << " -> " << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(Scenario::parse(QStringLiteral("10 hangup 1\n9 hangup 1\n"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("before")));
    EXPECT_FALSE(Scenario::parse(QStringLiteral("10 loop\n11 hangup 1\n"), &error));
    EXPECT_TRUE(Scenario::parse(QString(), &error)); // nothing happens: a quiet router
}

TEST(Scenario, LoadReportsUnreadableAndOversizedFiles)
{
    QString error;
    EXPECT_FALSE(Scenario::load(QStringLiteral("/nonexistent/scenario.txt"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/scenario.txt")));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile big(dir.filePath(QStringLiteral("big.txt")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(Scenario::kMaxFileBytes + 1, '#'));
    big.close();
    EXPECT_FALSE(Scenario::load(big.fileName(), &error));
    QFile good(dir.filePath(QStringLiteral("good.txt")));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("3 call 1 1 in voice 40001\n9 hangup 1\n");
    good.close();
    const auto s = Scenario::load(good.fileName(), &error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->events().size(), 2);
    EXPECT_FALSE(s->loopSeconds());
}

TEST(Scenario, BuiltInCycleShowsEverythingInAboutAMinuteAndStartsOver)
{
    const Scenario builtIn = Scenario::builtIn();
    ASSERT_FALSE(builtIn.events().isEmpty());
    ASSERT_TRUE(builtIn.loopSeconds());
    EXPECT_GE(*builtIn.loopSeconds(), 45);
    EXPECT_LE(*builtIn.loopSeconds(), 75);

    RouterState state(1);
    QStringList skipped;
    ScenarioPlayer player(builtIn, state);
    player.onSkipped = [&](const ScenarioEvent& e, const QString& why) {
        skipped << QStringLiteral("%1: %2").arg(e.sourceLine).arg(why);
    };
    bool dataUp = false, highLoad = false, voiceOnB2 = false, bothUp = false, ipx = false;
    for (int second = 0; second < *builtIn.loopSeconds(); ++second) {
        player.step();
        const LineState& l1 = state.line(1);
        const LineState& l2 = state.line(2);
        dataUp |= l1.isUp() && l1.kind == CallKind::Data && !l1.peerIp.isEmpty();
        highLoad |= l1.utilization > 80;
        voiceOnB2 |= l2.channel == 2 && l2.link == QLatin1String("Voice") && !l2.callerId.isEmpty();
        bothUp |= l1.isUp() && l2.isUp();
        ipx |= state.lanPacketIsIpx();
    }
    EXPECT_TRUE(dataUp);
    EXPECT_TRUE(highLoad);
    EXPECT_TRUE(voiceOnB2);
    EXPECT_TRUE(bothUp);
    EXPECT_TRUE(ipx);
    EXPECT_FALSE(state.line(1).isUp());
    EXPECT_FALSE(state.line(2).isUp());
    EXPECT_GE(state.history().size(), 3);
    const int outcall = state.totalOutcallSeconds();
    EXPECT_GT(outcall, 0);

    // The second cycle repeats the first and adds to the totals.
    for (int second = 0; second < *builtIn.loopSeconds(); ++second)
        player.step();
    EXPECT_EQ(state.totalOutcallSeconds(), 2 * outcall);
    EXPECT_EQ(state.history()[0].calls, 2);
    EXPECT_TRUE(skipped.isEmpty()) << skipped.join(QLatin1Char('\n')).toStdString();
}

TEST(Scenario, EventsThatCannotApplyAreSkippedAndReported)
{
    QString error;
    const auto s = Scenario::parse(QStringLiteral("0 call 1 1 out voice 1\n"
                                                  "0 call 2 1 out voice 2\n"
                                                  "1 hangup 2\n"),
                                   &error);
    ASSERT_TRUE(s);
    RouterState state;
    ScenarioPlayer player(*s, state);
    QList<int> skipped;
    player.onSkipped = [&](const ScenarioEvent& e, const QString&) { skipped << e.sourceLine; };
    player.step();
    player.step();
    EXPECT_EQ(skipped, (QList<int> {2, 3}));
    EXPECT_TRUE(state.line(1).isUp());
}

TEST(Scenario, ShippedExampleRunsWithoutSkippingAndFillsTheHistory)
{
    QString error;
    const auto s = Scenario::load(QStringLiteral(KORVANE_SOURCE_DIR "/components/prestige/scenarios/office-day.txt"), &error);
    ASSERT_TRUE(s) << error.toStdString();
    ASSERT_TRUE(s->loopSeconds());
    RouterState state(3);
    ScenarioPlayer player(*s, state);
    int skipped = 0;
    player.onSkipped = [&](const ScenarioEvent&, const QString&) { ++skipped; };
    for (int second = 0; second < *s->loopSeconds(); ++second)
        player.step();
    EXPECT_EQ(skipped, 0);
    EXPECT_EQ(state.history().size(), kMaxHistoryEntries);
    EXPECT_FALSE(state.line(1).isUp());
    EXPECT_FALSE(state.line(2).isUp());
}
