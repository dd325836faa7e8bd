#pragma once
// The MQTT client as the monitor uses it: libkorvane_mqtt_client, loaded only
// when a broker is set, so that a monitor without MQTT maps neither
// libmosquitto nor the TLS libraries it brings. The interface is abstract
// and header-only; the library gives one entry point that makes a client.

#include "korvane/mqtt/mqtt_options.h"
#include "korvane/mqtt/mqtt_snapshot.h"

#include <QString>

#include <memory>

namespace korvane::mqtt {

// Told from the client's own thread.
class MqttClientListener {
public:
    virtual ~MqttClientListener() = default;
    virtual void clientOutage(const QString& text) = 0;  // once per outage
    virtual void clientConnected() = 0;
    virtual void clientSent(int messages) = 0;
};

// Every call returns at once: the work happens on the client's thread.
class MqttClient {
public:
    virtual ~MqttClient() = default;  // stops first, bounded
    virtual void start() = 0;
    virtual void post(const MonitorSnapshot& snapshot) = 0;
    virtual void postCall(const CallSnapshot& call, bool announce) = 0;
    // "offline" and a clean disconnect, waiting at most about timeoutMs.
    virtual void stop(int timeoutMs) = 0;
    // Tests: reconnect waits scaled to this many ms for each second.
    virtual void setReconnectBaseMs(int ms) = 0;
};

inline constexpr char kClientLibrary[] = "libkorvane_mqtt_client.so";
inline constexpr char kClientEntry[] = "korvane_mqtt_client";
using MakeClient = MqttClient*(const MqttOptions* options, const QString* version, MqttClientListener* listener);

// Loads the library and makes a client; null with the reason.
std::unique_ptr<MqttClient> loadMqttClient(const MqttOptions& options, const QString& version,
                                           MqttClientListener* listener, QString* error);

}  // namespace korvane::mqtt
