// The whole monitor as both roofs assemble it, against the router simulator
// with its syslog sent to the monitor: a scenario of calls, and the journal's
// export compared row by row with what the router did, together with the
// console's per-call events.
#include "tests/controller/recorders.h"
#include "tests/controller/simulated_calls.h"

#include "components/prestige/simulator.h"
#include "korvane/assembly/monitor_assembly.h"
#include "korvane/console/console_syslog.h"
#include "korvane/events/monitor_events.h"
#include "korvane/journal/call_export.h"
#include "korvane/journal/journal_session.h"
#include "korvane/journal/phone_book.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"
#include "korvane/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

quint16 freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// One run of the monitor: what korvane --console assembles.
struct MonitorRun {
    std::unique_ptr<AssembledMonitor> monitor;
    std::unique_ptr<MonitorEvents> lines;
    std::unique_ptr<ConsoleSyslog> syslog;
    int ticks = 0;

    MonitorRun(MonitorSettings* settings, quint16 syslogPort, qint64* now, QList<QJsonObject>* events) {
        monitor = std::make_unique<AssembledMonitor>(settings, AssembledMonitor::Options{});
        CMonitorController& c = monitor->controller();
        // The tracker counts in router seconds, which the test moves.
        c.calls().setClock([now] { return *now; });
        lines = std::make_unique<MonitorEvents>(&c, nullptr, true);
        QObject::connect(lines.get(), &MonitorEvents::eventEmitted, [events](const MonitorEvent& e) {
            const QString name = e.object().value(QStringLiteral("event")).toString();
            if (name == QLatin1String("call") || name == QLatin1String("call-end"))
                events->append(e.object());
        });
        syslog = std::make_unique<ConsoleSyslog>(&c, lines.get(), [syslogPort] { return int(syslogPort); });
        c.setSyslogListener(syslog.get());
        QObject::connect(&c, &CMonitorController::statusTick, [this] { ++ticks; });
        syslog->startListening(settings->ipAddress());
        c.OpenConnection();
    }
    ~MonitorRun() {
        monitor->stop();
        monitor->controller().setSyslogListener(nullptr);
        syslog.reset();
        monitor.reset();
    }
    bool ticksAfter(int n) {
        const int target = ticks + n;
        return waitUntil([&] { return ticks >= target; });
    }
};

}  // namespace

TEST(JournalScenario, EachCallIsOneRowAsTheRouterCountedIt)
{
    const QString dir = qEnvironmentVariable("KORVANE_SETTINGS_DIR");
    ASSERT_FALSE(dir.isEmpty());
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    {
        QFile conf(QDir(dir).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Settings]\nCost%20per%20Minute=0.10\nCurrency=EUR\n");
        QFile book(PhoneBook::defaultFile());
        ASSERT_TRUE(book.open(QIODevice::WriteOnly));
        book.write("Number,Name\r\n0301234567,Anna Berg\r\n");
    }

    const quint16 syslogPort = freeUdpPort();
    prestige::SimulatorOptions options;
    options.repaintMs = 40;
    options.clockMs = 0;  // router time moves only when the test says so
    options.syslogTarget = QStringLiteral("127.0.0.1:%1").arg(syslogPort);
    QString error;
    options.scenario = prestige::Scenario::parse(QString(), &error);
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0)) << router.errorString().toStdString();
    FakeSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(router.port());
    settings.timeout = 60000;
    settings.refresh = 0;  // no call history detours: the syslog and the status tell

    qint64 now = 1'700'000'000;
    auto step = [&](int seconds) {
        router.step(seconds);
        now += seconds;
    };
    auto call = [&](int line, prestige::CallKind kind, prestige::Direction direction, const char* number) {
        prestige::CallRequest request;
        request.line = line;
        request.kind = kind;
        request.direction = direction;
        request.number = QString::fromLatin1(number);
        request.node = QStringLiteral("Branch");
        request.peerIp = QStringLiteral("10.0.1.1");
        QString why;
        EXPECT_TRUE(router.state().startCall(request, &why)) << why.toStdString();
    };
    QList<QJsonObject> events;
    const auto Voice = prestige::CallKind::Voice;
    const auto Data = prestige::CallKind::Data;
    const auto In = prestige::Direction::In;
    const auto Out = prestige::Direction::Out;
    {
        MonitorRun run(&settings, syslogPort, &now, &events);
        ASSERT_TRUE(run.ticksAfter(2));
        // An outgoing voice call of a minute.
        call(1, Voice, Out, "5551234");
        ASSERT_TRUE(run.ticksAfter(2));
        step(60);
        ASSERT_TRUE(run.ticksAfter(2));
        router.state().hangup(1);
        ASSERT_TRUE(run.ticksAfter(2));
        // The same caller twice on line 2.
        for (int seconds : {5, 7}) {
            call(2, Voice, In, "0301234567");
            ASSERT_TRUE(run.ticksAfter(2));
            step(seconds);
            ASSERT_TRUE(run.ticksAfter(2));
            router.state().hangup(2);
            ASSERT_TRUE(run.ticksAfter(2));
        }
        // An incoming data call.
        call(2, Data, In, "40001");
        ASSERT_TRUE(run.ticksAfter(2));
        step(10);
        ASSERT_TRUE(run.ticksAfter(2));
        router.state().hangup(2);
        ASSERT_TRUE(run.ticksAfter(2));
        // A call the monitor is stopped in.
        call(1, Voice, In, "0711223344");
        ASSERT_TRUE(run.ticksAfter(2));
        step(10);
        ASSERT_TRUE(run.ticksAfter(2));
    }
    step(5);
    // The router takes in that the first run went before the second comes.
    waitUntil([] { return false; }, 300);
    {
        MonitorRun run(&settings, syslogPort, &now, &events);
        ASSERT_TRUE(run.ticksAfter(2));
        step(20);
        ASSERT_TRUE(run.ticksAfter(2));
        router.state().hangup(1);
        ASSERT_TRUE(run.ticksAfter(2));
    }
    router.close();

    const QString file = CallJournal::fileForRouter(CallJournal::defaultDirectory(), settings.address);
    CallJournal journal(file);
    Tariff tariff;
    tariff.perMinute = 10;
    tariff.currency = QStringLiteral("EUR");
    const QStringList rows = QString::fromUtf8(callsToCsv(journal.calls(), tariff)).split(QStringLiteral("\r\n"),
                                                                                         Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 6) << rows.join(u'\n').toStdString();
    const QStringList header = rows[0].split(u',');
    auto column = [&](const QString& row, const char* name) {
        const qsizetype i = header.indexOf(QString::fromLatin1(name));
        EXPECT_GE(i, 0) << name;
        return row.split(u',').value(i);
    };
    struct Expected {
        const char* line;
        const char* type;
        const char* direction;
        const char* number;
        const char* name;
        const char* seconds;
        const char* cost;
        const char* ended;
    };
    const Expected expected[] = {
        {"1", "Voice", "Out", "5551234", "", "60", "0.10", "hung up"},
        {"2", "Voice", "In", "0301234567", "Anna Berg", "5", "0.00", "hung up"},
        {"2", "Voice", "In", "0301234567", "Anna Berg", "7", "0.00", "hung up"},
        {"2", "Data", "In", "40001", "", "10", "0.00", "hung up"},
        {"1", "Voice", "In", "0711223344", "", "35", "0.00", "hung up"},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(rows[i + 1].toStdString());
        const Expected& e = expected[i];
        EXPECT_EQ(column(rows[i + 1], "Line"), QLatin1String(e.line));
        EXPECT_EQ(column(rows[i + 1], "Type"), QLatin1String(e.type));
        EXPECT_EQ(column(rows[i + 1], "Direction"), QLatin1String(e.direction));
        EXPECT_EQ(column(rows[i + 1], "Caller ID"), QLatin1String(e.number));
        EXPECT_EQ(column(rows[i + 1], "Name"), QLatin1String(e.name));
        EXPECT_EQ(column(rows[i + 1], "Seconds"), QLatin1String(e.seconds));
        EXPECT_EQ(column(rows[i + 1], "Cost"), QLatin1String(e.cost));
        EXPECT_EQ(column(rows[i + 1], "Ended"), QLatin1String(e.ended));
    }

    // One "call" event per call, with what the journal holds.
    QList<QJsonObject> calls;
    for (const QJsonObject& e : events)
        if (e.value(QStringLiteral("event")).toString() == QLatin1String("call"))
            calls.append(e);
    ASSERT_EQ(calls.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(calls[i].value(QStringLiteral("line")).toInt(), QString::fromLatin1(expected[i].line).toInt());
        EXPECT_EQ(calls[i].value(QStringLiteral("direction")).toString(), QLatin1String(expected[i].direction));
        EXPECT_EQ(calls[i].value(QStringLiteral("number")).toString(), QLatin1String(expected[i].number));
        EXPECT_EQ(calls[i].value(QStringLiteral("name")).toString(), QLatin1String(expected[i].name));
        EXPECT_EQ(calls[i].value(QStringLiteral("type")).toString(), QString::fromLatin1(expected[i].type).toLower());
    }
}
