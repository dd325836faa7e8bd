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
TEST(MqttConsole, TheConsoleMonitorOutlivesItsBrokerAndLeavesALastWill) {
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

TEST(MqttConsole, ABadBrokerAddressEndsTheStartWithItsReason) {
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral(""), "--mqtt needs a broker address"},
        {QStringLiteral("broker:99999"), "the port must be 1 to 65535"},
        {QStringLiteral("::1"), "[ADDRESS]:PORT"},
    };
    for (const auto& [broker, reason] : cases) {
        QTemporaryDir settings;
        QProcess monitor;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings.path());
        // A password, so that the broker's address is what ends the start.
        env.insert(QStringLiteral("KORVANE_PASSWORD"), QStringLiteral("1234"));
        monitor.setProcessEnvironment(env);
        monitor.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
                      {QStringLiteral("--console"), QStringLiteral("--mqtt"), broker, QStringLiteral("127.0.0.1:1")});
        ASSERT_TRUE(monitor.waitForFinished(20000));
        EXPECT_EQ(monitor.exitCode(), 2) << qPrintable(broker);
        EXPECT_TRUE(monitor.readAllStandardError().contains(reason)) << qPrintable(broker);
    }
}
