#include "korvane/mqtt/discovery.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::mqtt {

namespace {

QByteArray onOff(bool on) { return on ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF"); }

QByteArray json(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QString lineTopic(const MqttOptions& options, int line, const char* value) {
    return QStringLiteral("%1/line%2/%3").arg(options.topic).arg(line).arg(QLatin1String(value));
}

QString eventType(const QString& direction) {
    // The call tracker's directions; this library links nothing of the monitor.
    if (direction == QLatin1String("In"))
        return QStringLiteral("incoming");
    if (direction == QLatin1String("Out"))
        return QStringLiteral("outgoing");
    return QStringLiteral("unknown");
}

QString isoTime(qint64 utc) {
    return utc > 0 ? QDateTime::fromSecsSinceEpoch(utc, Qt::UTC).toString(Qt::ISODate) : QString();
}

// One entity of a line or of the router, as discovery describes it.
struct Entity {
    const char* component;  // "sensor", "binary_sensor", "event"
    const char* object;     // the id's and the topic's own part
    const char* name;
    const char* deviceClass = nullptr;
    const char* unit = nullptr;
    const char* stateClass = nullptr;
    const char* icon = nullptr;
};

const Entity kLineEntities[] = {
    {"binary_sensor", "up", "up", "connectivity"},
    {"sensor", "utilization", "utilisation", nullptr, "%", "measurement", "mdi:gauge"},
    {"sensor", "average_utilization", "average utilisation", nullptr, "%", "measurement", "mdi:gauge"},
    {"sensor", "link", "link", nullptr, nullptr, nullptr, "mdi:lan-connect"},
    {"sensor", "channel", "channel", nullptr, nullptr, nullptr, "mdi:numeric"},
    {"sensor", "caller_id", "caller id", nullptr, nullptr, nullptr, "mdi:phone-incoming"},
    {"sensor", "caller_name", "caller name", nullptr, nullptr, nullptr, "mdi:account"},
    {"sensor", "packets_sent", "packets sent", nullptr, "packets", "total_increasing", "mdi:upload"},
    {"sensor", "packets_received", "packets received", nullptr, "packets", "total_increasing", "mdi:download"},
    {"sensor", "errors", "errors", nullptr, "errors", "total_increasing", "mdi:alert-circle-outline"},
};

// What the last-call attributes and the call event both tell of a call.
QJsonObject callFields(const CallSnapshot& call) {
    return QJsonObject{
        {QStringLiteral("number"), call.number},
        {QStringLiteral("name"), call.name},
        {QStringLiteral("line"), call.line},
        {QStringLiteral("channel"), call.channel},
        {QStringLiteral("voice"), call.voice},
        {QStringLiteral("start"), isoTime(call.startUtc)},
    };
}

}  // namespace

QString availabilityTopic(const MqttOptions& options) { return options.topic + QStringLiteral("/availability"); }
QString callTopic(const MqttOptions& options) { return options.topic + QStringLiteral("/call"); }

QList<MqttMessage> discoveryConfigs(const MqttOptions& options, const QString& version) {
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{QStringLiteral("korvane_") + options.nodeId}},
        {QStringLiteral("name"), QStringLiteral("Prestige ") + options.routerName},
        {QStringLiteral("model"), QStringLiteral("Prestige")},
        {QStringLiteral("manufacturer"), QStringLiteral("ZyXEL")},
        {QStringLiteral("sw_version"), QStringLiteral("Korvane ") + version},
    };
    QList<MqttMessage> configs;
    auto add = [&](const Entity& e, const QString& object, const QString& name, const QString& stateTopic,
                   QJsonObject extra) {
        const QString uniqueId = QStringLiteral("korvane_%1_%2").arg(options.nodeId, object);
        QJsonObject config = std::move(extra);
        config.insert(QStringLiteral("name"), name);
        config.insert(QStringLiteral("unique_id"), uniqueId);
        config.insert(QStringLiteral("state_topic"), stateTopic);
        config.insert(QStringLiteral("availability_topic"), availabilityTopic(options));
        config.insert(QStringLiteral("payload_available"), QLatin1String(kOnline));
        config.insert(QStringLiteral("payload_not_available"), QLatin1String(kOffline));
        config.insert(QStringLiteral("device"), device);
        if (e.deviceClass)
            config.insert(QStringLiteral("device_class"), QLatin1String(e.deviceClass));
        if (e.unit)
            config.insert(QStringLiteral("unit_of_measurement"), QLatin1String(e.unit));
        if (e.stateClass)
            config.insert(QStringLiteral("state_class"), QLatin1String(e.stateClass));
        if (e.icon)
            config.insert(QStringLiteral("icon"), QLatin1String(e.icon));
        if (QLatin1String(e.component) == QLatin1String("binary_sensor")) {
            config.insert(QStringLiteral("payload_on"), QStringLiteral("ON"));
            config.insert(QStringLiteral("payload_off"), QStringLiteral("OFF"));
        }
        configs.append({QStringLiteral("%1/%2/%3/%4/config")
                            .arg(options.discoveryPrefix, QLatin1String(e.component), options.nodeId, object),
                        json(config), true});
    };
    for (int line = 1; line <= 2; ++line) {
        for (const Entity& e : kLineEntities) {
            const QString object = QStringLiteral("line%1_%2").arg(line).arg(QLatin1String(e.object));
            add(e, object, QStringLiteral("Line %1 %2").arg(line).arg(QLatin1String(e.name)),
                lineTopic(options, line, e.object), {});
        }
    }
    add({"binary_sensor", "status", "status", "connectivity"}, QStringLiteral("status"), QStringLiteral("Status"),
        options.topic + QStringLiteral("/status"), {});
    add({"sensor", "last_call", "last call", nullptr, nullptr, nullptr, "mdi:phone-log"}, QStringLiteral("last_call"),
        QStringLiteral("Last call"), options.topic + QStringLiteral("/last_call"),
        {{QStringLiteral("json_attributes_topic"), options.topic + QStringLiteral("/last_call/attributes")}});
    add({"event", "call", "call", nullptr, nullptr, nullptr, "mdi:phone-ring"}, QStringLiteral("call"),
        QStringLiteral("Call"), callTopic(options),
        {{QStringLiteral("event_types"),
          QJsonArray{QStringLiteral("incoming"), QStringLiteral("outgoing"), QStringLiteral("unknown")}}});
    return configs;
}

QList<TopicValue> stateValues(const MqttOptions& options, const MonitorSnapshot& snapshot) {
    QList<TopicValue> values;
    values.reserve(21);
    values.append({options.topic + QStringLiteral("/status"), onOff(snapshot.live)});
    for (int n = 1; n <= 2; ++n) {
        const LineSnapshot& line = snapshot.lines[size_t(n - 1)];
        values.append({lineTopic(options, n, "up"), onOff(line.up)});
        // A stale status shows no traffic rather than the last tick's.
        values.append({lineTopic(options, n, "utilization"),
                       QByteArray::number(snapshot.live ? line.utilization : 0)});
        values.append({lineTopic(options, n, "average_utilization"), QByteArray::number(line.averageUtilization)});
        values.append({lineTopic(options, n, "link"), line.link.toUtf8()});
        values.append({lineTopic(options, n, "channel"),
                       line.channel > 0 ? QByteArrayLiteral("B") + QByteArray::number(line.channel) : QByteArray()});
        values.append({lineTopic(options, n, "caller_id"), line.callerId.toUtf8()});
        values.append({lineTopic(options, n, "caller_name"), line.callerName.toUtf8()});
        values.append({lineTopic(options, n, "packets_sent"), QByteArray::number(line.packetsSent)});
        values.append({lineTopic(options, n, "packets_received"), QByteArray::number(line.packetsReceived)});
        values.append({lineTopic(options, n, "errors"), QByteArray::number(line.errors)});
    }
    return values;
}

QList<TopicValue> lastCallValues(const MqttOptions& options, const CallSnapshot& call) {
    QString state = call.direction.isEmpty() ? QStringLiteral("Call") : call.direction;
    if (!call.number.isEmpty())
        state += QLatin1Char(' ') + call.number;
    if (!call.name.isEmpty())
        state += QLatin1Char(' ') + call.name;
    QJsonObject attributes = callFields(call);
    attributes.insert(QStringLiteral("direction"), eventType(call.direction));
    // Home Assistant keeps at most 255 characters of a state.
    return {{options.topic + QStringLiteral("/last_call"), state.left(255).toUtf8()},
            {options.topic + QStringLiteral("/last_call/attributes"), json(attributes)}};
}

QByteArray callEventPayload(const CallSnapshot& call) {
    QJsonObject payload = callFields(call);
    payload.insert(QStringLiteral("event_type"), eventType(call.direction));
    return json(payload);
}

}  // namespace korvane::mqtt
