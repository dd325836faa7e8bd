#pragma once
// What goes to the broker, as topics and payloads: the Home Assistant
// discovery configs (one device per router), the entities' state values, the
// last call and the call events. Pure functions of a snapshot, so the
// monitor's thread only copies values and the publisher's thread builds.
//
// Topics under the base (default korvane/<router>):
//   availability                 online / offline (retained, the last will)
//   status                       ON while status screens come in
//   line1/up ... line2/errors    one per line value
//   last_call, last_call/attributes
//   call                         one JSON event per call, not retained

#include "korvane/mqtt/entity_states.h"
#include "korvane/mqtt/mqtt_options.h"
#include "korvane/mqtt/mqtt_snapshot.h"

#include <QByteArray>
#include <QList>
#include <QString>


namespace korvane::mqtt {

struct MqttMessage {
    QString topic;
    QByteArray payload;
    bool retain = true;
};

QString availabilityTopic(const MqttOptions& options);
QString callTopic(const MqttOptions& options);
inline constexpr char kOnline[] = "online";
inline constexpr char kOffline[] = "offline";

// Every retained discovery config, in a stable order.
QList<MqttMessage> discoveryConfigs(const MqttOptions& options, const QString& version);

// Every entity's state topic and value for a snapshot.
QList<TopicValue> stateValues(const MqttOptions& options, const MonitorSnapshot& snapshot);

// The last call sensor's state ("In 0301234567 Alice") and attributes.
QList<TopicValue> lastCallValues(const MqttOptions& options, const CallSnapshot& call);

// The event entity's payload: {"event_type": "incoming"|"outgoing"|"unknown",
// "number", "name", "line", "channel", "voice", "start"}.
QByteArray callEventPayload(const CallSnapshot& call);

}  // namespace korvane::mqtt
