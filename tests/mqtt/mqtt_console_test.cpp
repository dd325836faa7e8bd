// The console monitor with --mqtt, as a user runs it, against a real
// Mosquitto broker that comes after it.
#include "broker.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace korvane::test;

// The program as a user runs it: started before its broker, it says once
// that the broker is missing, keeps monitoring, finds the broker when it
// comes, and when it is killed the broker tells "offline" by its last will.
TEST(MqttBroker, TheConsoleMonitorOutlivesItsBrokerAndLeavesALastWill) {
    const quint16 port = freeLoopbackPort();
    QTemporaryDir settings;
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings.path());
    monitor.setProcessEnvironment(env);
    monitor.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
                  {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--demo"),
                   QStringLiteral("--for"), QStringLiteral("90"), QStringLiteral("--http-name"), QStringLiteral("desk"),
                   QStringLiteral("--mqtt"), QStringLiteral("127.0.0.1:%1").arg(port)});
    ASSERT_TRUE(monitor.waitForStarted(10000));
    QByteArray out;
    auto read = [&] { out += monitor.readAllStandardOutput(); };
    ASSERT_TRUE(waitUntil([&] {
        read();
        return out.contains("\"event\":\"mqtt-error\"") || monitor.state() == QProcess::NotRunning;
    }, 20000)) << out.constData();
    const qsizetype ticksBefore = out.count("\"event\":\"tick\"");
    ASSERT_TRUE(waitUntil([&] {
        read();
        return out.count("\"event\":\"tick\"") >= ticksBefore + 2 || monitor.state() == QProcess::NotRunning;
    }, 20000)) << out.constData();

    Broker broker;
    ASSERT_TRUE(broker.start(port));
    Subscriber ha;
    ASSERT_TRUE(ha.connect(port, "korvane/desk/#"));
    // Reconnect waits of 1, 2, 4, 8 s: found within about 15 s.
    ASSERT_TRUE(ha.waitFor(QStringLiteral("korvane/desk/availability"), "online", 20000)) << out.constData();
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/desk/status"), "ON", 10000));
    EXPECT_TRUE(waitUntil([&] {
        read();
        return out.contains("\"event\":\"mqtt\"");
    }, 5000)) << out.constData();
    EXPECT_EQ(out.count("\"event\":\"mqtt-error\""), 1) << out.constData();

    ::kill(pid_t(monitor.processId()), SIGKILL);
    ASSERT_TRUE(monitor.waitForFinished(10000));
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/desk/availability"), "offline", 10000));
}
