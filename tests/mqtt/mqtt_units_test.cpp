// The MQTT parts that need no broker: the broker address and settings, the
// rate limit of the states, the reconnect schedule and what discovery tells
// Home Assistant.
#include "korvane/monitor/call_record.h"
#include "korvane/mqtt/discovery.h"
#include "korvane/mqtt/entity_states.h"
#include "korvane/mqtt/mqtt_options.h"
#include "korvane/mqtt/mqtt_session.h"
#include "korvane/settings/settings_store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::mqtt;

TEST(MqttOptions, BrokerAddressesAndTheirDefaultPorts) {
    struct Row {
        const char* text;
        bool tls;
        bool ok;
        const char* host;
        int port;
    } rows[] = {
        {"broker.lan", false, true, "broker.lan", 1883},
        {"broker.lan", true, true, "broker.lan", 8883},
        {" 127.0.0.1:18830 ", false, true, "127.0.0.1", 18830},
        {"[::1]:1884", false, true, "::1", 1884},
        {"[::1]", false, true, "::1", 1883},
        {"::1", false, false, "", 0},
        {"host:0", false, false, "", 0},
        {"host:65536", false, false, "", 0},
        {"host:port", false, false, "", 0},
        {":1883", false, false, "", 0},
        {"[::1", false, false, "", 0},
    };
    for (const Row& row : rows) {
        QString host, error;
        int port = 0;
        const bool ok = parseBrokerAddress(QString::fromLatin1(row.text), row.tls, &host, &port, &error);
        EXPECT_EQ(ok, row.ok) << row.text;
        if (ok && row.ok) {
            EXPECT_EQ(host, QString::fromLatin1(row.host)) << row.text;
            EXPECT_EQ(port, row.port) << row.text;
        } else if (!ok) {
            EXPECT_FALSE(error.isEmpty()) << row.text;
        }
    }
}

TEST(MqttOptions, SettingsGiveTheBrokerCredentialsAndTopics) {
    QTemporaryDir dir;
    const QByteArray previous = qgetenv(kSettingsDirVariable);
    qputenv(kSettingsDirVariable, dir.path().toLocal8Bit());
    SettingsStore store;
    const QString section = QString::fromLatin1(settings::kSection);
    bool enabled = true;
    MqttOptions options;
    QString error;
    // Nothing set: off, and no error.
    ASSERT_TRUE(resolveMqttOptions({}, store, QStringLiteral("192.168.1.1"), &options, &enabled, &error));
    EXPECT_FALSE(enabled);

    QFile password(dir.filePath(QStringLiteral("mqtt.pass")));
    ASSERT_TRUE(password.open(QIODevice::WriteOnly));
    password.write("t0p-secret\nignored\n");
    password.close();
    store.writeString(section, QString::fromLatin1(kBrokerKey), QStringLiteral("mqtt.lan:1884"));
    store.writeString(section, QString::fromLatin1(kUserKey), QStringLiteral("korvane"));
    store.writeString(section, QString::fromLatin1(kPasswordFileKey), password.fileName());
    ASSERT_TRUE(resolveMqttOptions({}, store, QStringLiteral("192.168.1.1"), &options, &enabled, &error)) << qPrintable(error);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(options.host, QStringLiteral("mqtt.lan"));
    EXPECT_EQ(options.port, 1884);
    EXPECT_EQ(options.user, QStringLiteral("korvane"));
    EXPECT_EQ(options.password, QStringLiteral("t0p-secret"));
    EXPECT_EQ(options.topic, QStringLiteral("korvane/192.168.1.1"));
    EXPECT_EQ(options.discoveryPrefix, QStringLiteral("homeassistant"));
    EXPECT_EQ(options.nodeId, QStringLiteral("192.168.1.1"));

    // The command line wins; the router's name (--http-name) names the topic.
    ASSERT_TRUE(resolveMqttOptions({QStringLiteral("127.0.0.1:2000"), QStringLiteral("office/west")}, store,
                                   QStringLiteral("192.168.1.1"), &options, &enabled, &error));
    EXPECT_EQ(options.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(options.port, 2000);
    EXPECT_EQ(options.topic, QStringLiteral("korvane/office_west"));
    EXPECT_EQ(options.routerName, QStringLiteral("office/west"));

    store.writeString(section, QString::fromLatin1(kTopicKey), QStringLiteral("home/isdn"));
    store.writeString(section, QString::fromLatin1(kDiscoveryPrefixKey), QStringLiteral("ha"));
    ASSERT_TRUE(resolveMqttOptions({}, store, QStringLiteral("192.168.1.1"), &options, &enabled, &error));
    EXPECT_EQ(options.topic, QStringLiteral("home/isdn"));
    EXPECT_EQ(options.discoveryPrefix, QStringLiteral("ha"));

    // Bad values are refused with a message naming the key.
    const std::pair<const char*, QString> bad[] = {
        {kTopicKey, QStringLiteral("home/#")},
        {kTopicKey, QStringLiteral("home/")},
        {kPasswordFileKey, dir.filePath(QStringLiteral("missing"))},
        {kCaFileKey, dir.filePath(QStringLiteral("missing.crt"))},
    };
    for (const auto& [key, value] : bad) {
        SettingsStore fresh;
        const QString before = fresh.readString(section, QString::fromLatin1(key));
        fresh.writeString(section, QString::fromLatin1(key), value);
        error.clear();
        EXPECT_FALSE(resolveMqttOptions({}, fresh, QStringLiteral("r"), &options, &enabled, &error)) << key;
        EXPECT_TRUE(error.contains(QStringLiteral("MQTT"))) << qPrintable(error);
        fresh.writeString(section, QString::fromLatin1(key), before);
    }
    qputenv(kSettingsDirVariable, previous);
}

TEST(EntityStates, ChangesGoOutAtMostOnceASecondEndingOnTheLatest) {
    EntityStates states(1000);
    EXPECT_TRUE(states.offer(QStringLiteral("a"), "1", 0));
    EXPECT_FALSE(states.offer(QStringLiteral("a"), "1", 10));    // unchanged
    EXPECT_FALSE(states.offer(QStringLiteral("a"), "2", 100));   // too soon: held
    EXPECT_FALSE(states.offer(QStringLiteral("a"), "3", 200));   // still held, now 3
    EXPECT_TRUE(states.offer(QStringLiteral("b"), "x", 200));    // each entity has its own second
    EXPECT_EQ(states.nextDueMs(), 1000);
    EXPECT_TRUE(states.takeDue(999).isEmpty());
    const QList<TopicValue> due = states.takeDue(1000);
    ASSERT_EQ(due.size(), 1);
    EXPECT_EQ(due[0], TopicValue(QStringLiteral("a"), "3"));
    EXPECT_EQ(states.nextDueMs(), -1);

    // A change undone before its second is up sends nothing.
    EXPECT_FALSE(states.offer(QStringLiteral("a"), "4", 1500));
    EXPECT_FALSE(states.offer(QStringLiteral("a"), "3", 1600));
    EXPECT_TRUE(states.takeDue(5000).isEmpty());
    // A value due after a quiet spell goes at once.
    EXPECT_TRUE(states.offer(QStringLiteral("a"), "5", 5000));

    // Without a broker values are only kept; a connection takes them all.
    states.remember(QStringLiteral("c"), "later");
    states.remember(QStringLiteral("a"), "6");
    const QList<TopicValue> all = states.takeAll(6000);
    EXPECT_EQ(all, (QList<TopicValue>{{QStringLiteral("a"), "6"}, {QStringLiteral("b"), "x"}, {QStringLiteral("c"), "later"}}));
    EXPECT_FALSE(states.offer(QStringLiteral("c"), "later", 9000));
}

TEST(MqttSession, ReconnectWaitsDoubleFromOneSecondToAMinute) {
    const int expected[] = {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000};
    for (int failures = 1; failures <= 9; ++failures)
        EXPECT_EQ(MqttSession::reconnectDelayMs(failures), expected[failures - 1]) << failures;
    EXPECT_EQ(MqttSession::reconnectDelayMs(1000), 60000);
}

namespace {

MqttOptions officeOptions() {
    MqttOptions options;
    options.host = QStringLiteral("127.0.0.1");
    options.routerName = QStringLiteral("office");
    options.nodeId = QStringLiteral("office");
    options.topic = QStringLiteral("korvane/office");
    return options;
}

}  // namespace

TEST(Discovery, EveryConfigNamesItsDeviceStateTopicIdAndAvailability) {
    const MqttOptions options = officeOptions();
    const QList<MqttMessage> configs = discoveryConfigs(options, QStringLiteral("2.05"));
    // Ten entities per line, the status, the last call and the call event.
    ASSERT_EQ(configs.size(), 23);
    QSet<QString> ids, stateTopics;
    const QSet<QString> published = [&] {
        QSet<QString> topics;
        MonitorSnapshot snapshot;
        for (const TopicValue& v : stateValues(options, snapshot))
            topics.insert(v.first);
        for (const TopicValue& v : lastCallValues(options, {}))
            topics.insert(v.first);
        topics.insert(callTopic(options));
        return topics;
    }();
    for (const MqttMessage& config : configs) {
        EXPECT_TRUE(config.retain);
        EXPECT_TRUE(config.topic.startsWith(QStringLiteral("homeassistant/"))) << qPrintable(config.topic);
        EXPECT_TRUE(config.topic.endsWith(QStringLiteral("/config")));
        const QJsonObject o = QJsonDocument::fromJson(config.payload).object();
        const QString id = o[QStringLiteral("unique_id")].toString();
        EXPECT_TRUE(id.startsWith(QStringLiteral("korvane_office_"))) << qPrintable(id);
        ids.insert(id);
        const QString state = o[QStringLiteral("state_topic")].toString();
        EXPECT_TRUE(published.contains(state)) << "nothing is published on " << qPrintable(state);
        stateTopics.insert(state);
        EXPECT_EQ(o[QStringLiteral("availability_topic")].toString(), QStringLiteral("korvane/office/availability"));
        const QJsonObject device = o[QStringLiteral("device")].toObject();
        EXPECT_EQ(device[QStringLiteral("identifiers")].toArray().first().toString(), QStringLiteral("korvane_office"));
        EXPECT_EQ(device[QStringLiteral("model")].toString(), QStringLiteral("Prestige"));
        EXPECT_EQ(device[QStringLiteral("manufacturer")].toString(), QStringLiteral("ZyXEL"));
        EXPECT_EQ(device[QStringLiteral("sw_version")].toString(), QStringLiteral("Korvane 2.05"));
        EXPECT_FALSE(o[QStringLiteral("name")].toString().isEmpty());
    }
    EXPECT_EQ(ids.size(), configs.size());
    EXPECT_EQ(stateTopics.size(), configs.size());

    auto config = [&](const QString& topic) {
        for (const MqttMessage& c : configs)
            if (c.topic == topic)
                return QJsonDocument::fromJson(c.payload).object();
        ADD_FAILURE() << "no config at " << qPrintable(topic);
        return QJsonObject();
    };
    const QJsonObject up = config(QStringLiteral("homeassistant/binary_sensor/office/line2_up/config"));
    EXPECT_EQ(up[QStringLiteral("device_class")].toString(), QStringLiteral("connectivity"));
    EXPECT_EQ(up[QStringLiteral("state_topic")].toString(), QStringLiteral("korvane/office/line2/up"));
    const QJsonObject util = config(QStringLiteral("homeassistant/sensor/office/line1_utilization/config"));
    EXPECT_EQ(util[QStringLiteral("unit_of_measurement")].toString(), QStringLiteral("%"));
    EXPECT_EQ(util[QStringLiteral("state_class")].toString(), QStringLiteral("measurement"));
    const QJsonObject errors = config(QStringLiteral("homeassistant/sensor/office/line1_errors/config"));
    EXPECT_EQ(errors[QStringLiteral("state_class")].toString(), QStringLiteral("total_increasing"));
    const QJsonObject event = config(QStringLiteral("homeassistant/event/office/call/config"));
    EXPECT_EQ(event[QStringLiteral("event_types")].toArray(),
              (QJsonArray{QStringLiteral("incoming"), QStringLiteral("outgoing"), QStringLiteral("unknown")}));
    EXPECT_EQ(config(QStringLiteral("homeassistant/sensor/office/last_call/config"))[QStringLiteral("json_attributes_topic")]
                  .toString(),
              QStringLiteral("korvane/office/last_call/attributes"));
}

TEST(Discovery, StatesAndCallEventsCarryTheValues) {
    const MqttOptions options = officeOptions();
    MonitorSnapshot snapshot;
    snapshot.live = true;
    LineSnapshot& line = snapshot.lines[0];
    line.up = true;
    line.utilization = 73;
    line.averageUtilization = 40;
    line.link = QStringLiteral("Voice");
    line.channel = 2;
    line.callerId = QStringLiteral("0301234567");
    line.callerName = QStringLiteral("Zoë");
    line.packetsSent = 5000000000;
    line.errors = 3;
    QHash<QString, QByteArray> values;
    for (const TopicValue& v : stateValues(options, snapshot))
        values.insert(v.first, v.second);
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/status")), "ON");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/up")), "ON");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line2/up")), "OFF");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/utilization")), "73");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/average_utilization")), "40");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/channel")), "B2");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line2/channel")), "");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/caller_name")), QStringLiteral("Zoë").toUtf8());
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/packets_sent")), "5000000000");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/errors")), "3");
    // A stale status shows no traffic.
    snapshot.live = false;
    for (const TopicValue& v : stateValues(options, snapshot))
        values.insert(v.first, v.second);
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/status")), "OFF");
    EXPECT_EQ(values.value(QStringLiteral("korvane/office/line1/utilization")), "0");

    CallSnapshot call;
    call.line = 1;
    call.channel = 2;
    call.direction = QString::fromLatin1(kDirectionIn);
    call.number = QStringLiteral("0301234567");
    call.name = QStringLiteral("Zoë");
    call.voice = true;
    call.startUtc = 1700000000;
    const QJsonObject event = QJsonDocument::fromJson(callEventPayload(call)).object();
    EXPECT_EQ(event[QStringLiteral("event_type")].toString(), QStringLiteral("incoming"));
    EXPECT_EQ(event[QStringLiteral("number")].toString(), QStringLiteral("0301234567"));
    EXPECT_EQ(event[QStringLiteral("name")].toString(), QStringLiteral("Zoë"));
    EXPECT_EQ(event[QStringLiteral("line")].toInt(), 1);
    EXPECT_TRUE(event[QStringLiteral("voice")].toBool());
    EXPECT_EQ(event[QStringLiteral("start")].toString(), QStringLiteral("2023-11-14T22:13:20Z"));
    const QList<TopicValue> last = lastCallValues(options, call);
    EXPECT_EQ(last[0].second, QStringLiteral("In 0301234567 Zoë").toUtf8());
    call.direction = QString::fromLatin1(kDirectionOut);
    call.name.clear();
    EXPECT_EQ(QJsonDocument::fromJson(callEventPayload(call)).object()[QStringLiteral("event_type")].toString(),
              QStringLiteral("outgoing"));
    call.direction.clear();
    EXPECT_EQ(lastCallValues(options, call)[0].second, "Call 0301234567");
}
