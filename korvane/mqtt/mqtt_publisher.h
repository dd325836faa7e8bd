#pragma once
// The monitor's side of MQTT: listens to the controller and the call
// tracker, copies what changed into plain snapshots and hands them to the
// broker session on its own thread. Nothing here waits on the network; a
// tick costs a copy of the two lines and one posted event.

#include "korvane/mqtt/discovery.h"
#include "korvane/mqtt/mqtt_options.h"

#include <QObject>
#include <QSet>
#include <QThread>

#include <memory>

namespace korvane {
class CMonitorController;
struct CallRecord;
}  // namespace korvane

namespace korvane::mqtt {

class MqttSession;

class MqttPublisher : public QObject {
    Q_OBJECT
public:
    MqttPublisher(CMonitorController* controller, MqttOptions options, QObject* parent = nullptr);
    // Stops first (see stop()).
    ~MqttPublisher() override;

    const MqttOptions& options() const { return options_; }
    // Connects in the background; problems come as outage().
    void start();
    // Says "offline" and disconnects, waiting at most about a second for
    // the broker; safe to call again.
    void stop();
    // For tests: the reconnect schedule in a scale of this many ms to 1 s.
    void setReconnectBaseMs(int ms);

signals:
    // Once per outage, on the monitor's thread.
    void outage(const QString& text);
    void connectedToBroker(const QString& broker);
    void messagesSent(int count);

private:
    void postSnapshot(bool live);
    void onCall(const korvane::CallRecord& call, bool mayAnnounce);

    CMonitorController* controller_;
    MqttOptions options_;
    QThread thread_;
    MqttSession* session_ = nullptr;  // lives on thread_
    QSet<qint64> announced_;          // calls whose event went out
    bool stopped_ = false;
};

}  // namespace korvane::mqtt
