#pragma once
// The broker connection, on the publisher's own thread: libmosquitto driven
// through its socket by socket notifiers, so a slow or absent broker holds up
// only this thread. It connects, publishes the discovery configs, "online"
// and every state on each connection, sends state changes at most once a
// second per entity, and reconnects after 1 s, 2 s, 4 s ... up to 60 s.

#include "korvane/mqtt/discovery.h"
#include "korvane/mqtt/entity_states.h"
#include "korvane/mqtt/mqtt_options.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QSet>
#include <QTimer>

#include <functional>

struct mosquitto;

namespace korvane::mqtt {

class MqttSession : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;  // milliseconds, monotonic

    MqttSession(MqttOptions options, QString version, QObject* parent = nullptr);
    ~MqttSession() override;

    // Milliseconds the reconnect waits after each failed attempt in a row.
    static int reconnectDelayMs(int failures);
    static constexpr int kMaxDelayMs = 60000;
    static constexpr int kHeldCallEvents = 32;

    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setReconnectBaseMs(int ms) { baseDelayMs_ = ms; }
    bool isConnected() const { return connected_; }
    int reconnectFailures() const { return failures_; }

    // Called on the session's thread.
    void start();
    void takeSnapshot(const korvane::mqtt::MonitorSnapshot& snapshot);
    void takeCall(const korvane::mqtt::CallSnapshot& call, bool announce);
    // "offline", then a clean disconnect, flushed for at most timeoutMs.
    void stop(int timeoutMs = 1000);

signals:
    void connectedToBroker();
    // Once per outage: why the broker cannot be had.
    void outage(const QString& text);
    void messagesSent(int count);

private:
    void connectNow();
    void attachSocket();
    void detachSocket();
    void afterIo(int rc);
    void connectionLost(const QString& why);
    void scheduleReconnect();
    void reportOutage(const QString& text);
    void publishAll();
    void publish(const QString& topic, const QByteArray& payload, bool retain);
    void flushDue();
    void updateWriteInterest();
    qint64 now() const;

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);

    MqttOptions options_;
    QString version_;
    Clock clock_;
    mosquitto* mosq_ = nullptr;
    QPointer<QSocketNotifier> readNotifier_;
    QPointer<QSocketNotifier> writeNotifier_;
    QTimer miscTimer_;
    QTimer reconnectTimer_;
    QTimer flushTimer_;
    EntityStates states_;
    QList<QByteArray> heldEvents_;  // call events while no broker was there
    bool started_ = false;
    bool stopping_ = false;
    bool attached_ = false;
    bool connected_ = false;
    bool justConnected_ = false;  // CONNACK accepted inside a read; publish after it
    int refusedRc_ = 0;           // CONNACK refused inside a read
    bool outageReported_ = false;
    int failures_ = 0;
    int baseDelayMs_ = 1000;
};

}  // namespace korvane::mqtt
