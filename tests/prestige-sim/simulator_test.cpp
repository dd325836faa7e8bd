// The simulator as a whole: its options, its syslog side, its faults and the
// prestige-sim program.
#include "tests/prestige-sim/raw_client.h"
#include "tests/prestige-sim/qt_print.h"
#include "tests/prestige-sim/sim_client.h"
#include "components/prestige/session.h"
#include "components/prestige/simulator.h"
#include "components/prestige/syslog_sender.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>

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

QByteArray walkToStatus(RawClient& client)
{
    client.send("1234\r\n24\r\n1\r\n");
    client.pump(5000, [&] { return client.received.contains("Menu 24.1 "); });
    return client.received;
}

} // namespace

TEST(Simulator, UnusableOptionsFailToListenWithAReason)
{
    struct Case {
        const char* name;
        std::function<void(SimulatorOptions&)> change;
        const char* expect;
    };
    const Case cases[] = {
        {"layout", [](SimulatorOptions& o) { o.layout = 3; }, "layout"},
        {"repaint", [](SimulatorOptions& o) { o.repaintMs = 1; }, "repaint"},
        {"empty password", [](SimulatorOptions& o) { o.password.clear(); }, "password"},
        {"long password", [](SimulatorOptions& o) { o.password = QString(40, QLatin1Char('x')); }, "password"},
        {"control in password", [](SimulatorOptions& o) { o.password = QStringLiteral("a\tb"); }, "password"},
        {"chunk", [](SimulatorOptions& o) { o.faults.chunkBytes = -1; }, "chunk"},
        {"noise", [](SimulatorOptions& o) { o.faults.noiseBytes = 1 << 20; }, "noise"},
        {"fault count", [](SimulatorOptions& o) { o.faults.silentAfterScreens = -2; }, "fault"},
        {"scenario file", [](SimulatorOptions& o) { o.scenario.reset(); o.scenarioFile = QStringLiteral("/nonexistent/s.txt"); }, "/nonexistent/s.txt"},
        {"syslog target", [](SimulatorOptions& o) { o.syslogTarget = QStringLiteral("127.0.0.1:70000"); }, "syslog"},
    };
    for (const Case& c : cases) {
        SimulatorOptions o = quickOptions();
        c.change(o);
        Simulator sim(o);
        EXPECT_FALSE(sim.listen(0)) << c.name;
        EXPECT_TRUE(sim.errorString().contains(QLatin1String(c.expect))) << c.name << ": " << sim.errorString().toStdString();
        EXPECT_FALSE(sim.isListening());
    }
    Simulator sim(quickOptions());
    ASSERT_TRUE(sim.listen(0));
    Simulator other(quickOptions());
    EXPECT_FALSE(other.listen(sim.port())); // port taken
    EXPECT_FALSE(sim.listen(0));            // already listening
}

TEST(Simulator, ScenarioFromFileDrivesTheStateDeterministically)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("day.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1 call 1 1 out data 5551234 Office 10.0.0.1\n"
               "2 load 1 70 5\n"
               "3 call 2 2 in voice 0301234567\n"
               "9 hangup 2\n");
    file.close();
    auto run = [&](quint32 seed) {
        SimulatorOptions o = quickOptions();
        o.scenario.reset();
        o.scenarioFile = file.fileName();
        o.seed = seed;
        Simulator sim(o);
        EXPECT_TRUE(sim.listen(0)) << sim.errorString().toStdString();
        QStringList records;
        QObject::connect(&sim, &Simulator::callRecord, [&](const QString& r) { records << r; });
        sim.step(20);
        EXPECT_EQ(sim.scenarioSecond(), 20);
        EXPECT_TRUE(sim.state().line(1).isUp());
        EXPECT_FALSE(sim.state().line(2).isUp());
        return paintStatusScreen(sim.state(), {}).text() + records.join(QLatin1Char('\n')).toLatin1();
    };
    const QByteArray first = run(11);
    EXPECT_EQ(first, run(11));
    EXPECT_NE(first, run(12));
    EXPECT_TRUE(first.contains("line 1 channel 1, call 1, C01, Outgoing Call, 5551234\n"
                               "line 1 channel 1, call 1, C01, CALL Connected, 64K 5551234\n"
                               "line 2 channel 2, call 2, C01, Incoming Call, 0301234567\n"
                               "line 2 channel 2, call 2, C01, ANSWER Connected, 64K 0301234567\n"
                               "line 2 channel 2, call 2, C01, Call Terminated"));
}

TEST(Syslog, MessagesAreInTheBsdFormWithTheRecordAtAFixedOffset)
{
    const QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 2));
    const QByteArray m = SyslogSender::formatMessage(134, t, QStringLiteral("192.168.1.1"), QStringLiteral("hello"));
    EXPECT_EQ(m, "<134>Mar  7 09:05:02 192.168.1.1 hello");
    // The receiver's view keeps the first five characters and what follows
    // character 33: the priority and the record itself.
    EXPECT_EQ(m.left(5), "<134>");
    EXPECT_EQ(m.mid(33), "hello");
    EXPECT_EQ(SyslogSender::formatMessage(134, QDateTime(QDate(2026, 12, 25), QTime(23, 0)), QStringLiteral("a b"), QStringLiteral("x")),
              "<134>Dec 25 23:00:00 ab x");
    EXPECT_EQ(SyslogSender::formatMessage(134, t, QString(), QString(3000, QLatin1Char('x'))).size(), 1024);
}

TEST(Syslog, TargetsAreParsedOrRefused)
{
    QString error;
    auto t = SyslogSender::parseTarget(QStringLiteral("127.0.0.1:5140"), &error);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(t->port, 5140);
    t = SyslogSender::parseTarget(QStringLiteral("127.0.0.1"), &error);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->port, 514);
    t = SyslogSender::parseTarget(QStringLiteral("[::1]:600"), &error);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->address, QHostAddress(QHostAddress::LocalHostIPv6));
    for (const char* bad : {"127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:x", ":514", "[::1", "[::1]x", ""})
        EXPECT_FALSE(SyslogSender::parseTarget(QString::fromLatin1(bad), &error)) << bad;
}

TEST(Syslog, EachCallEventGoesOutAsOneDatagram)
{
    QUdpSocket receiver;
    ASSERT_TRUE(receiver.bind(QHostAddress::LocalHost, 0));
    SimulatorOptions o = quickOptions();
    o.syslogTarget = QStringLiteral("127.0.0.1:%1").arg(receiver.localPort());
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0)) << sim.errorString().toStdString();
    CallRequest c;
    c.line = 2;
    c.channel = 1;
    c.direction = Direction::In;
    c.kind = CallKind::Voice;
    c.number = QStringLiteral("40001");
    ASSERT_TRUE(sim.state().startCall(c));
    sim.step(3);
    sim.state().dropChannel(1);
    QList<QByteArray> datagrams;
    spinUntil([&] {
        while (receiver.hasPendingDatagrams()) {
            QByteArray d(int(receiver.pendingDatagramSize()), '\0');
            receiver.readDatagram(d.data(), d.size());
            datagrams << d;
        }
        return datagrams.size() >= 3;
    });
    ASSERT_EQ(datagrams.size(), 3);
    const QRegularExpression form(QStringLiteral("^<134>[A-Z][a-z]{2} [ 123]\\d \\d\\d:\\d\\d:\\d\\d 192\\.168\\.1\\.1 "));
    for (const QByteArray& d : datagrams)
        EXPECT_TRUE(form.match(QString::fromLatin1(d)).hasMatch()) << d.constData();
    EXPECT_EQ(datagrams[0].mid(33), "line 2 channel 1, call 1, C01, Incoming Call, 40001");
    EXPECT_EQ(datagrams[1].mid(33), "line 2 channel 1, call 1, C01, ANSWER Connected, 64K 40001");
    EXPECT_EQ(datagrams[2].mid(33), "line 2 channel 1, call 1, C01, Call Terminated");
}

TEST(Faults, CloseAfterScreensEndsWithAnOrderlyClose)
{
    SimulatorOptions o = quickOptions();
    o.faults.closeAfterScreens = 5; // password, main menu, 24, status, one repaint
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n24\r\n1\r\n");
    EXPECT_EQ(client.pump(5000), RawClient::End::Closed);
    EXPECT_TRUE(client.received.contains("Menu 24.1 "));
    EXPECT_TRUE(spinUntil([&] { return !sim.hasSession(); }));
}

TEST(Faults, ResetAfterScreensEndsWithAReset)
{
    SimulatorOptions o = quickOptions();
    o.faults.resetAfterScreens = 2;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n");
    EXPECT_EQ(client.pump(5000), RawClient::End::Reset);
    EXPECT_TRUE(client.received.contains("Main Menu"));
    EXPECT_TRUE(spinUntil([&] { return !sim.hasSession(); }));
}

TEST(Faults, SilentAfterScreensSendsNothingMoreAndTakesNoKeys)
{
    SimulatorOptions o = quickOptions();
    o.faults.silentAfterScreens = 4; // up to the first status screen
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    walkToStatus(client);
    EXPECT_EQ(client.pump(400), RawClient::End::Open); // repaints would have come every 30 ms
    const QByteArray seen = client.received;
    client.send("\x1b");
    EXPECT_EQ(client.pump(200), RawClient::End::Open);
    EXPECT_EQ(client.received, seen);
    EXPECT_EQ(sim.currentScreen(), ScreenId::Status);
    EXPECT_EQ(sim.screensPainted(), 4);
    EXPECT_TRUE(sim.hasSession());
}

TEST(Faults, ChunkedWritesArriveInPiecesAndAddUpToTheScreen)
{
    SimulatorOptions o = quickOptions();
    o.faults.chunkBytes = 10;
    o.faults.chunkDelayMs = 30;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    const QByteArray expected = QByteArray("\xff\xfb\x01\xff\xfb\x03") + paintPasswordScreen(false).toAnsi(true);
    client.pump(10000, [&] { return client.received.size() >= expected.size(); });
    EXPECT_EQ(client.received, expected);
    EXPECT_GE(client.pieces.size(), 2);
}

TEST(Faults, NoiseComesBetweenRepaintsAndTheRepaintsStayWhole)
{
    SimulatorOptions o = quickOptions();
    o.faults.noiseBytes = 40;
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    walkToStatus(client);
    const QByteArray repaint = paintStatusScreen(sim.state(), {}).toAnsi(false);
    client.pump(5000, [&] { return client.received.count(repaint) >= 4; });
    ASSERT_GE(client.received.count(repaint), 4);
    // Between two repaints there is something else now.
    const qsizetype first = client.received.indexOf(repaint);
    const qsizetype second = client.received.indexOf(repaint, first + repaint.size());
    EXPECT_GT(second - first - repaint.size(), 0);
    EXPECT_LE(second - first - repaint.size(), 40);
}

TEST(Program, ListensOnAFreePortAndRunsASession)
{
    QProcess program;
    program.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/prestige-sim"),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--layout"), QStringLiteral("2")});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(spinUntil([&] { return program.canReadLine(); }, 10000));
    const QString line = QString::fromLatin1(program.readLine()).trimmed();
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^prestige-sim listening on 127\\.0\\.0\\.1:(\\d+)$")).match(line);
    ASSERT_TRUE(m.hasMatch()) << line.toStdString();
    SimClient client;
    ASSERT_TRUE(client.connectTo(quint16(m.captured(1).toUInt())));
    client.send("1234\r\n24\r\n1\r\n");
    EXPECT_TRUE(client.waitFor(isStatus, 10000));
    EXPECT_EQ(client.last().cells(9, 1, 1), "C"); // layout 2
    client.close();
    program.kill();
    program.waitForFinished(10000);
}

TEST(Program, RefusesBadArgumentsAndChecksScenarios)
{
    auto run = [](const QStringList& args, QByteArray* out = nullptr) {
        QProcess p;
        p.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/prestige-sim"), args);
        EXPECT_TRUE(p.waitForFinished(20000));
        if (out)
            *out = p.readAllStandardOutput() + p.readAllStandardError();
        return p.exitCode();
    };
    QByteArray out;
    EXPECT_EQ(run({QStringLiteral("--layout"), QStringLiteral("5")}, &out), 2);
    EXPECT_TRUE(out.contains("--layout"));
    EXPECT_EQ(run({QStringLiteral("--port"), QStringLiteral("65536")}), 2);
    EXPECT_EQ(run({QStringLiteral("--print-scenario")}, &out), 0);
    EXPECT_TRUE(out.contains("loop"));

    QTemporaryDir dir;
    QFile bad(dir.filePath(QStringLiteral("bad.txt")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("1 hangup 1\n2 call 1 1 out data 1 Office nowhere\n");
    bad.close();
    EXPECT_EQ(run({QStringLiteral("--check-scenario"), bad.fileName()}, &out), 1);
    EXPECT_TRUE(out.contains("line 2")) << out.constData();
    QFile good(dir.filePath(QStringLiteral("good.txt")));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write(Scenario::builtInText().toUtf8());
    good.close();
    EXPECT_EQ(run({QStringLiteral("--check-scenario"), good.fileName()}, &out), 0);
}

TEST(Faults, RepaintsWaitForAPeerThatDoesNotKeepUp)
{
    SimulatorOptions o = quickOptions();
    o.repaintMs = Simulator::kMinRepaintMs;
    o.faults.chunkBytes = 1;
    o.faults.chunkDelayMs = 10000; // one byte now, the next in ten seconds
    Simulator sim(o);
    ASSERT_TRUE(sim.listen(0));
    RawClient client;
    ASSERT_TRUE(client.connectTo(sim.port()));
    client.send("1234\r\n24\r\n1\r\n");
    ASSERT_TRUE(spinUntil([&] { return sim.currentScreen() == ScreenId::Status; }));
    // Let the queue fill until the repaints stop; then it holds what it may.
    int painted = -1;
    spinUntil([&] {
        const int now = sim.screensPainted();
        const bool settled = now == painted && now > 50;
        painted = now;
        spin(300);
        return settled;
    }, 20000);
    const qsizetype repaint = paintStatusScreen(sim.state(), {}).toAnsi(false).size();
    EXPECT_GT(painted, 50);
    EXPECT_LE(painted * repaint, Session::kMaxBacklog + 4 * repaint);
}
