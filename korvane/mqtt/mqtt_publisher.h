#pragma once
// The monitor's side of MQTT: listens to the controller and the call
// tracker, copies what changed into plain snapshots and hands them to the
// MQTT client, which builds and sends on its own thread. Nothing here waits
// on the network; a tick costs a copy of the two lines and one posted event.

#include "korvane/mqtt/mqtt_client.h"
#include "korvane/mqtt/mqtt_options.h"

#include <QObject>
#include <QSet>

#include <memory>

namespace korvane {
class CMonitorController;
struct CallRecord;
}  // namespace korvane

namespace korvane::mqtt {

CallSnapshot callSnapshot(const CallRecord& call);

class MqttPublisher : public QObject, private MqttClientListener {
    Q_OBJECT
public:
    MqttPublisher(CMonitorController* controller, MqttOptions options, QObject* parent = nullptr);
    // Stops first (see stop()).
    ~MqttPublisher() override;

    const MqttOptions& options() const { return options_; }
    // Loads the client and connects in the background; false with the
    // reason when the client library cannot be loaded. Broker problems come
    // as outage().
    bool start(QString* error = nullptr);
    // Says "offline" and disconnects, waiting at most about a second for
    // the broker; safe to call again.
    void stop();
    // Tests: reconnect waits scaled to this many ms for each second.
    void setReconnectBaseMs(int ms) { reconnectBaseMs_ = ms; }

signals:
    // Once per outage, on the monitor's thread.
    void outage(const QString& text);
    void connectedToBroker(const QString& broker);
    void messagesSent(int count);

private:
    void clientOutage(const QString& text) override;
    void clientConnected() override;
    void clientSent(int messages) override;
    void postSnapshot(bool live);
    void onCall(const korvane::CallRecord& call, bool mayAnnounce);

    CMonitorController* controller_;
    MqttOptions options_;
    std::unique_ptr<MqttClient> client_;
    QSet<qint64> announced_;  // calls whose event went out
    int reconnectBaseMs_ = 1000;
    bool stopped_ = false;
};

}  // namespace korvane::mqtt
