#pragma once
// Where the MQTT publisher sends and as whom: --mqtt HOST[:PORT] or the
// [Settings] keys "MQTT Broker" (empty: off), "MQTT User", "MQTT Password
// File", "MQTT CA File" (TLS when set), "MQTT Topic" and "MQTT Discovery
// Prefix". The command line wins over the environment (KORVANE_MQTT_BROKER,
// KORVANE_MQTT_USER, ... as a service's conf file sets them), which wins over
// the settings.

#include <QString>

namespace korvane {
class SettingsStore;
}

namespace korvane::mqtt {

inline constexpr char kBrokerKey[] = "MQTT Broker";
inline constexpr char kUserKey[] = "MQTT User";
inline constexpr char kPasswordFileKey[] = "MQTT Password File";
inline constexpr char kCaFileKey[] = "MQTT CA File";
inline constexpr char kTopicKey[] = "MQTT Topic";
inline constexpr char kDiscoveryPrefixKey[] = "MQTT Discovery Prefix";

inline constexpr int kDefaultPort = 1883;
inline constexpr int kDefaultTlsPort = 8883;

struct MqttOptions {
    QString host;
    int port = kDefaultPort;
    QString user;
    QString password;
    QString caFile;                  // TLS when set
    QString topic;                   // the base of every state topic
    QString discoveryPrefix = QStringLiteral("homeassistant");
    QString routerName;              // the device's name in Home Assistant
    QString nodeId;                  // the router's part of every unique_id
    int keepAliveSeconds = 30;

    QString brokerText() const { return QStringLiteral("%1:%2").arg(host, QString::number(port)); }
};

struct MqttCommandLine {
    QString broker;  // --mqtt
    QString name;    // --http-name: the router's name for topics and ids too
};

// "HOST", "HOST:PORT" or "[v6]:PORT"; false with a message for the user.
bool parseBrokerAddress(const QString& text, bool tls, QString* host, int* port, QString* error);

// A name fit for a topic level and an id: letters, digits, "_", "-" and "."
// are kept, anything else becomes "_".
QString topicSafe(const QString& name);

// The options from the command line and the store; false with a message.
// *enabled is false (and true returned) when no broker is set anywhere.
bool resolveMqttOptions(const MqttCommandLine& commandLine, const SettingsStore& store,
                        const QString& routerAddress, MqttOptions* options, bool* enabled, QString* error);

}  // namespace korvane::mqtt
