// The publisher against a real Mosquitto broker: what Home Assistant finds
// there (retained configs, states, call events, availability), and how an
// absent, restarted or unwilling broker leaves the monitor untouched.
#include "broker.h"
#include "tests/controller/recorders.h"

#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "components/prestige/syslog_sender.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"
#include "korvane/mqtt/mqtt_publisher.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSignalSpy>

#include <gtest/gtest.h>


using namespace korvane;
using namespace korvane::test;

namespace {

struct Rig {
    Log log;
    FakeSettings settings;
    CMonitorController controller{&settings, nullptr, std::make_unique<FakeTerminal>(&log)};
    prestige::RouterState router;
    int ticks = 0;

    Rig() {
        QObject::connect(&controller, &CMonitorController::statusTick, [this] { ++ticks; });
        router.onCallEvent = [this](const prestige::CallEvent& e) {
            controller.OnSyslogMessage(prestige::SyslogSender::callRecord(e));
        };
    }
    void tick() {
        router.advance();
        controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
    }
    void incomingCall(const char* number) {
        prestige::CallRequest request;
        request.line = 1;
        request.kind = prestige::CallKind::Voice;
        request.direction = prestige::Direction::In;
        request.number = QString::fromLatin1(number);
        ASSERT_TRUE(router.startCall(request));
    }
};

mqtt::MqttOptions optionsFor(quint16 port) {
    mqtt::MqttOptions options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = port;
    options.routerName = QStringLiteral("office");
    options.nodeId = QStringLiteral("office");
    options.topic = QStringLiteral("korvane/office");
    return options;
}

const QString kAvailability = QStringLiteral("korvane/office/availability");

int retainedConfigs(Subscriber& subscriber) {
    int n = 0;
    for (const Received& m : subscriber.messages())
        n += m.retained && m.topic.startsWith(QStringLiteral("homeassistant/")) && m.topic.endsWith(QStringLiteral("/config"));
    return n;
}

// Waits until the broker holds every config and "online": the publisher's
// messages may still be on their way (QoS 1, 20 in flight at a time), and
// a subscriber that came before them would get them unretained.
bool brokerHoldsEverything(quint16 port) {
    Subscriber probe;
    if (!probe.connect(port))
        return false;
    return waitUntil([&] {
        QSet<QString> configs;
        for (const Received& m : probe.messages())
            if (m.topic.endsWith(QStringLiteral("/config")))
                configs.insert(m.topic);
        return configs.size() == 23 && probe.last(kAvailability) == "online";
    }, 10000);
}

}  // namespace

TEST(MqttBroker, HomeAssistantFindsConfigsStatesAndTheCallWithItsCaller) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Rig rig;
    mqtt::MqttPublisher publisher(&rig.controller, optionsFor(broker.port()));
    QSignalSpy connected(&publisher, &mqtt::MqttPublisher::connectedToBroker);
    QSignalSpy outages(&publisher, &mqtt::MqttPublisher::outage);
    publisher.start();
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 1; }, 10000));
    rig.tick();
    ASSERT_TRUE(brokerHoldsEverything(broker.port()));

    // A subscriber that comes later (Home Assistant starting) gets the
    // retained configs, the availability and the states.
    Subscriber ha;
    ASSERT_TRUE(ha.connect(broker.port()));
    ASSERT_TRUE(waitUntil([&] { return retainedConfigs(ha) == 23; }, 10000)) << retainedConfigs(ha);
    ASSERT_TRUE(ha.waitFor(kAvailability, "online"));
    ASSERT_TRUE(ha.waitFor(QStringLiteral("korvane/office/status"), "ON"));
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/line1/up"), "OFF"));

    // An incoming call: the line goes up, and one event names the caller.
    rig.incomingCall("0301234567");
    rig.tick();
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/line1/up"), "ON"));
    ASSERT_TRUE(waitUntil([&] { return ha.count(QStringLiteral("korvane/office/call")) == 1; }, 5000));
    const QJsonObject event = QJsonDocument::fromJson(ha.last(QStringLiteral("korvane/office/call"))).object();
    EXPECT_EQ(event[QStringLiteral("event_type")].toString(), QStringLiteral("incoming"));
    EXPECT_EQ(event[QStringLiteral("number")].toString(), QStringLiteral("0301234567"));
    EXPECT_EQ(event[QStringLiteral("line")].toInt(), 1);
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/line1/caller_id"), "0301234567"));
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/last_call"), "In 0301234567"));
    for (const Received& m : ha.messages()) {
        if (m.topic == QStringLiteral("korvane/office/call")) {
            EXPECT_FALSE(m.retained);
        }
    }

    // Ticks during the call and its end tell no second event; the state
    // follows the line down.
    for (int i = 0; i < 3; ++i)
        rig.tick();
    rig.router.hangup(1);
    rig.tick();
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/line1/up"), "OFF", 5000));
    EXPECT_EQ(ha.count(QStringLiteral("korvane/office/call")), 1);

    // A clean stop says "offline" itself.
    publisher.stop();
    EXPECT_TRUE(ha.waitFor(kAvailability, "offline"));
    EXPECT_EQ(outages.size(), 0);
}

TEST(MqttBroker, StateChangesGoOutAtMostOnceASecondAndEndOnTheLatest) {
    Broker broker;
    ASSERT_TRUE(broker.start());
    Rig rig;
    Subscriber ha;
    ASSERT_TRUE(ha.connect(broker.port(), "korvane/office/line1/packets_sent"));
    mqtt::MqttPublisher publisher(&rig.controller, optionsFor(broker.port()));
    QSignalSpy connected(&publisher, &mqtt::MqttPublisher::connectedToBroker);
    publisher.start();
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 1; }, 10000));
    const QString topic = QStringLiteral("korvane/office/line1/packets_sent");
    // Ten ticks in a burst, each with more packets: the first value at once,
    // the last one when its second is up, nothing much in between.
    for (int i = 1; i <= 10; ++i) {
        prestige::LineState line = rig.router.line(1);
        line.channel = 1;
        line.link = QStringLiteral("Office");
        line.type = 64;
        line.peerIp = QStringLiteral("10.0.0.2");
        line.packetsSent = 1000 + i;
        rig.router.setLine(1, line);
        rig.controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(rig.router, {}).text()));
    }
    ASSERT_TRUE(ha.waitFor(topic, "1001", 5000));
    waitUntil([] { return false; }, 400);
    EXPECT_EQ(ha.last(topic), "1001");
    EXPECT_TRUE(ha.waitFor(topic, "1010", 3000));
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(ha.count(topic), 2);
}

TEST(MqttBroker, AWrongPasswordIsOneErrorAndMonitoringGoesOn) {
    Broker broker;
    ASSERT_TRUE(broker.start(0, {QStringLiteral("korvane:right")}));
    Rig rig;
    mqtt::MqttOptions options = optionsFor(broker.port());
    options.user = QStringLiteral("korvane");
    options.password = QStringLiteral("wrong");
    mqtt::MqttPublisher publisher(&rig.controller, options);
    // A fiftieth of the real waits: the minute after a refusal is 1.2 s.
    publisher.setReconnectBaseMs(20);
    QSignalSpy outages(&publisher, &mqtt::MqttPublisher::outage);
    QSignalSpy connected(&publisher, &mqtt::MqttPublisher::connectedToBroker);
    publisher.start();
    ASSERT_TRUE(waitUntil([&] { return outages.size() >= 1; }, 10000));
    const QString text = outages[0][0].toString();
    EXPECT_TRUE(text.contains(QStringLiteral("refused"))) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("MQTT Password File"))) << qPrintable(text);
    // Ticks go on while the publisher tries again, and it says nothing more.
    for (int i = 0; i < 30; ++i) {
        rig.tick();
        waitUntil([] { return false; }, 100);
    }
    EXPECT_EQ(rig.ticks, 30);
    EXPECT_TRUE(rig.controller.statusValid());
    EXPECT_EQ(outages.size(), 1);
    EXPECT_EQ(connected.size(), 0);
    // The broker saw a few attempts, not a storm.
    const QByteArray log = broker.log();
    EXPECT_LE(log.count("not authorised"), 4) << log.constData();
}

TEST(MqttBroker, ConfigsAndOnlineComeBackAfterTheBrokerRestarts) {
    auto broker = std::make_unique<Broker>();
    ASSERT_TRUE(broker->start());
    const quint16 port = broker->port();
    Rig rig;
    mqtt::MqttPublisher publisher(&rig.controller, optionsFor(port));
    publisher.setReconnectBaseMs(100);
    QSignalSpy outages(&publisher, &mqtt::MqttPublisher::outage);
    QSignalSpy connected(&publisher, &mqtt::MqttPublisher::connectedToBroker);
    publisher.start();
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 1; }, 10000));
    rig.tick();

    broker.reset();  // the broker goes away, and its retained messages with it
    ASSERT_TRUE(waitUntil([&] { return outages.size() == 1; }, 10000));
    // Monitoring goes on during the outage; several failed attempts, one error.
    for (int i = 0; i < 5; ++i) {
        rig.tick();
        waitUntil([] { return false; }, 100);
    }
    EXPECT_EQ(rig.ticks, 6);
    EXPECT_EQ(outages.size(), 1);

    broker = std::make_unique<Broker>();
    ASSERT_TRUE(broker->start(port));
    ASSERT_TRUE(waitUntil([&] { return connected.size() == 2; }, 15000));
    ASSERT_TRUE(brokerHoldsEverything(port));
    Subscriber ha;
    ASSERT_TRUE(ha.connect(port));
    EXPECT_TRUE(waitUntil([&] { return retainedConfigs(ha) == 23; }, 10000)) << retainedConfigs(ha);
    EXPECT_TRUE(ha.waitFor(kAvailability, "online"));
    EXPECT_TRUE(ha.waitFor(QStringLiteral("korvane/office/status"), "ON"));
    EXPECT_EQ(outages.size(), 1);
}

// With "MQTT CA File" the client speaks TLS and checks the broker's
// certificate against that CA; a broker the CA did not sign is refused.
TEST(MqttBroker, TlsWithTheCaFileOfTheBroker) {
    QTemporaryDir certs;
    auto openssl = [&](const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(certs.path());
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(20000) && p.exitCode() == 0;
    };
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile ext(certs.filePath(QStringLiteral("ext.cnf")));
    ASSERT_TRUE(ext.open(QIODevice::WriteOnly));
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    for (const QString& ca : {QStringLiteral("ca"), QStringLiteral("other")})
        ASSERT_TRUE(openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec
                            + QStringList{QStringLiteral("-keyout"), ca + QStringLiteral(".key"), QStringLiteral("-out"),
                                          ca + QStringLiteral(".crt"), QStringLiteral("-days"), QStringLiteral("1"),
                                          QStringLiteral("-subj"), QStringLiteral("/CN=Korvane test ") + ca}));
    ASSERT_TRUE(openssl(QStringList{QStringLiteral("req")} + ec
                        + QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                                      QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}));
    ASSERT_TRUE(openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                         QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                         QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.crt"),
                         QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-extfile"), QStringLiteral("ext.cnf")}));
    // The TLS listener, and a plain one on loopback for the test's subscriber.
    const quint16 plain = freeLoopbackPort();
    Broker broker;
    ASSERT_TRUE(broker.start(0, {}, "cafile " + certs.filePath(QStringLiteral("ca.crt")).toLocal8Bit()
                                        + "\ncertfile " + certs.filePath(QStringLiteral("server.crt")).toLocal8Bit()
                                        + "\nkeyfile " + certs.filePath(QStringLiteral("server.key")).toLocal8Bit()
                                        + "\nlistener " + QByteArray::number(plain) + " 127.0.0.1\n"));
    Subscriber ha;
    ASSERT_TRUE(portOpen(plain, 5000));  // the second listener opens after the first
    ASSERT_TRUE(ha.connect(plain, "korvane/office/availability"));

    Rig rig;
    mqtt::MqttOptions options = optionsFor(broker.port());
    options.caFile = certs.filePath(QStringLiteral("ca.crt"));
    mqtt::MqttPublisher publisher(&rig.controller, options);
    QSignalSpy outages(&publisher, &mqtt::MqttPublisher::outage);
    publisher.start();
    EXPECT_TRUE(ha.waitFor(kAvailability, "online", 10000));
    EXPECT_EQ(outages.size(), 0);
    publisher.stop();
    EXPECT_TRUE(ha.waitFor(kAvailability, "offline", 5000));

    options.caFile = certs.filePath(QStringLiteral("other.crt"));
    mqtt::MqttPublisher stranger(&rig.controller, options);
    QSignalSpy refused(&stranger, &mqtt::MqttPublisher::outage);
    stranger.start();
    ASSERT_TRUE(waitUntil([&] { return refused.size() == 1; }, 10000));
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(ha.last(kAvailability), "offline");
}
