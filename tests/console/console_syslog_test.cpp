// The console monitor's syslog: the simulator's call records arrive as
// "syslog" event lines and OnSysLog script events, across a reconnect.
#include "../controller/recorders.h"
#include "../controller/simulated_calls.h"

#include "components/syslog/syslog_receiver.h"
#include "korvane/events/monitor_events.h"
#include "korvane/console/console_syslog.h"
#include "korvane/monitor/controller.h"
#include "korvane/monitor/syslog_source.h"
#include "components/prestige/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUdpSocket>

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

int freeUdpPort() {
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, 0) ? probe.localPort() : 0;
}

// The events written so far, as JSON objects.
QList<QJsonObject> readEvents(FILE* out) {
    QList<QJsonObject> events;
    std::fflush(out);
    std::rewind(out);
    char buffer[8192];
    while (std::fgets(buffer, sizeof buffer, out))
        events.append(QJsonDocument::fromJson(QByteArray(buffer)).object());
    std::fseek(out, 0, SEEK_END);
    return events;
}

QList<QJsonObject> named(const QList<QJsonObject>& events, const QString& name) {
    QList<QJsonObject> result;
    for (const QJsonObject& e : events)
        if (e.value(QStringLiteral("event")).toString() == name)
            result.append(e);
    return result;
}

struct SyslogRun {
    int port = freeUdpPort();
    Log log;
    FakeSettings settings;
    RecordingScript script{&log};
    RecordingBoxes boxes{&log};
    RecordingTable table;
    std::unique_ptr<prestige::Simulator> router;
    std::unique_ptr<CMonitorController> controller;
    FILE* out = std::tmpfile();
    std::unique_ptr<MonitorEvents> console;
    std::unique_ptr<ConsoleSyslog> syslog;

    explicit SyslogRun(bool routerLogs = true) {
        prestige::SimulatorOptions options;
        options.repaintMs = 40;
        options.clockMs = 0;
        QString error;
        options.scenario = prestige::Scenario::parse(QString(), &error);
        if (routerLogs)
            options.syslogTarget = QStringLiteral("127.0.0.1:%1").arg(port);
        router = std::make_unique<prestige::Simulator>(options);
        EXPECT_TRUE(router->listen(0)) << router->errorString().toStdString();
        settings.address = QStringLiteral("127.0.0.1:%1").arg(router->port());
        settings.pass = options.password;
        controller = std::make_unique<CMonitorController>(&settings);
        controller->setScriptEvents(&script);
        controller->setMessageBoxes(&boxes);
        controller->setStatusTable(&table);
        console = std::make_unique<MonitorEvents>(controller.get(), out, true);
        syslog = std::make_unique<ConsoleSyslog>(controller.get(), console.get(), [this] { return port; });
        controller->setSyslogListener(syslog.get());
    }
    ~SyslogRun() {
        controller->Disconnect();
        controller->setSyslogListener(nullptr);
        syslog.reset();
        console.reset();
        controller.reset();
        router->close();
        std::fclose(out);
    }
    bool listening() const {
        auto* receiver = qobject_cast<syslog::CSyslogReceiver*>(syslog->syslog()->receiver());
        return receiver && receiver->isListening();
    }
    void call(int line, const char* number) {
        const QString error = startCall(*router, line, prestige::CallKind::Data, QString::fromLatin1(number));
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    }
};

}  // namespace

TEST(ConsoleSyslog, CallRecordsBecomeSyslogEventsAndScriptEvents) {
    SyslogRun run;
    ASSERT_GT(run.port, 0);
    run.syslog->startListening(run.settings.address);
    ASSERT_TRUE(run.listening());
    run.controller->Connect();
    run.call(1, "0301234");
    ASSERT_TRUE(waitUntil([&] { return run.syslog->messages() >= 1; }));

    const QList<QJsonObject> lines = named(readEvents(run.out), QStringLiteral("syslog"));
    ASSERT_FALSE(lines.isEmpty());
    const QString message = lines[0].value(QStringLiteral("message")).toString();
    const QString line = lines[0].value(QStringLiteral("line")).toString();
    // The line is the one the window's view logs: priority, then the text from index 33.
    EXPECT_TRUE(line.endsWith(message.left(5) + u' ' + message.mid(33))) << line.toStdString();
    EXPECT_TRUE(message.mid(33).contains(QStringLiteral("0301234"))) << message.toStdString();
    ASSERT_TRUE(waitUntil([&] {
        return run.log.entries.filter(QStringLiteral("OnSysLog(")).size() >= 1;
    }));
    EXPECT_EQ(run.log.entries.filter(QStringLiteral("OnSysLog(")).first(),
              QStringLiteral("OnSysLog(%1)").arg(line));
}

TEST(ConsoleSyslog, AReconnectKeepsTheReceiverListeningUnlessItsAddressOrPortChanged) {
    SyslogRun run;
    run.syslog->startListening(run.settings.address);
    run.controller->Connect();
    ASSERT_TRUE(waitUntil([&] { return run.controller->statusValid(); }));
    run.controller->Reconnect();
    ASSERT_TRUE(run.listening());
    ASSERT_TRUE(waitUntil([&] { return !run.controller->connectInProgress(); }));
    EXPECT_EQ(run.syslog->starts(), 1);
    run.call(2, "0409");
    EXPECT_TRUE(waitUntil([&] { return run.syslog->messages() >= 1; }));

    // Another port (the setting changed) starts it again on the new one.
    const int oldPort = run.port;
    run.port = freeUdpPort();
    ASSERT_NE(run.port, oldPort);
    run.controller->Reconnect();
    ASSERT_TRUE(waitUntil([&] { return run.syslog->starts() == 2 && !run.controller->connectInProgress(); }));
    EXPECT_TRUE(run.listening());
    auto* receiver = qobject_cast<syslog::CSyslogReceiver*>(run.syslog->syslog()->receiver());
    ASSERT_NE(receiver, nullptr);
    EXPECT_EQ(receiver->port(), run.port);
}

// Datagrams numbered 0..n-1, one every 20 ms, while the router reboots and the
// monitor goes stale, waits and reconnects: every one arrives, once.
TEST(ConsoleSyslog, NumberedDatagramsSentThroughARebootAndAReconnectAllArrive) {
    SyslogRun run(false);
    run.settings.timeout = 300;
    run.settings.reconnect = 1;
    run.settings.wait = 200;
    int reconnects = 0;
    QObject::connect(run.controller.get(), &CMonitorController::reconnecting, [&] { ++reconnects; });
    run.syslog->startListening(run.settings.address);
    run.controller->OpenConnection();
    ASSERT_TRUE(waitUntil([&] { return run.controller->statusValid(); }));

    QUdpSocket sender;
    int sent = 0;
    auto sendOne = [&] {
        const QByteArray text = "<134>Dec  9 20:00:00 192.168.1.1 numbered datagram " + QByteArray::number(sent++);
        sender.writeDatagram(text, QHostAddress::LocalHost, quint16(run.port));
        waitUntil([] { return false; }, 20);
    };
    for (int i = 0; i < 10; ++i)
        sendOne();
    run.router->rebootMs(800);
    // Through the stale status, the wait, the refused attempts and the
    // connect that brings the status back.
    QElapsedTimer clock;
    clock.start();
    while ((reconnects == 0 || !run.controller->statusValid()) && clock.elapsed() < 15000)
        sendOne();
    for (int i = 0; i < 10; ++i)
        sendOne();
    ASSERT_GE(reconnects, 1);
    ASSERT_TRUE(run.controller->statusValid());

    ASSERT_TRUE(waitUntil([&] { return run.syslog->messages() >= sent; }, 3000))
        << run.syslog->messages() << " of " << sent;
    QList<int> numbers;
    for (const QJsonObject& line : named(readEvents(run.out), QStringLiteral("syslog"))) {
        const QString message = line.value(QStringLiteral("message")).toString();
        numbers.append(message.mid(message.lastIndexOf(u' ') + 1).toInt());
    }
    ASSERT_EQ(numbers.size(), sent);
    for (int n = 0; n < sent; ++n)
        EXPECT_EQ(numbers[n], n);
    EXPECT_EQ(run.syslog->starts(), 1);
}

TEST(ConsoleSyslog, ABusyPortIsReportedAsASyslogError) {
    SyslogRun run;
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, quint16(run.port)));
    run.syslog->startListening(run.settings.address);
    EXPECT_FALSE(run.listening());
    const QList<QJsonObject> errors = named(readEvents(run.out), QStringLiteral("syslog-error"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0].value(QStringLiteral("code")).toInt(), 10048);
    EXPECT_EQ(errors[0].value(QStringLiteral("method")).toString(), QStringLiteral("StartListening"));
    EXPECT_FALSE(errors[0].value(QStringLiteral("text")).toString().isEmpty());
}
