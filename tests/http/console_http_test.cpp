// The console monitor with --http, as a fleet runs it: the real program
// against its built-in simulator, scraped over loopback while it runs.
#include "http_rig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane::test;

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace

TEST(ConsoleHttp, ServesMetricsAndStatusWhileMonitoring) {
    QTemporaryDir settings;
    const quint16 port = freePort();
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings.path());
    monitor.setProcessEnvironment(env);
    monitor.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
                  {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--demo"),
                   QStringLiteral("--for"), QStringLiteral("60"), QStringLiteral("--http"),
                   QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--http-name"), QStringLiteral("desk")});
    ASSERT_TRUE(monitor.waitForStarted(10000));
    QByteArray out;
    ASSERT_TRUE(waitFor([&] {
        out += monitor.readAllStandardOutput();
        return out.contains("\"event\":\"http\"") || monitor.state() == QProcess::NotRunning;
    }, 20000));
    ASSERT_TRUE(out.contains(QStringLiteral("\"port\":%1").arg(port).toLatin1())) << out.constData();

    QByteArray metrics;
    ASSERT_TRUE(waitFor([&] {
        metrics = get(port, "/metrics").body;
        return metrics.contains("korvane_status_live{router=\"desk\"} 1");
    }, 30000)) << metrics.constData();
    EXPECT_TRUE(metrics.contains("korvane_status_ticks_total{router=\"desk\"}"));
    const QJsonObject status = QJsonDocument::fromJson(get(port, "/api/status").body).object();
    EXPECT_TRUE(status[QStringLiteral("live")].toBool());
    EXPECT_EQ(status[QStringLiteral("lines")].toArray().size(), 2);
    // The simulator's password (the demo's default) is not served.
    EXPECT_FALSE(get(port, "/api/status").body.contains("\"1234\""));

    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(20000));
    EXPECT_EQ(monitor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.exitCode(), 0);
}

TEST(ConsoleHttp, AnOpenAddressWithoutATokenIsRefusedAtStart) {
    QTemporaryDir settings;
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings.path());
    monitor.setProcessEnvironment(env);
    monitor.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"),
                  {QStringLiteral("--console"), QStringLiteral("--http"), QStringLiteral("0.0.0.0:0"),
                   QStringLiteral("--password"), QStringLiteral("1234"), QStringLiteral("127.0.0.1:1")});
    ASSERT_TRUE(monitor.waitForFinished(20000));
    EXPECT_EQ(monitor.exitCode(), 2);
    EXPECT_TRUE(monitor.readAllStandardError().contains("HTTP Token"));
}
