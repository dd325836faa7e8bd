#include "korvane/mqtt/mqtt_publisher.h"

#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

#include <QPointer>

namespace korvane::mqtt {

CallSnapshot callSnapshot(const CallRecord& call) {
    CallSnapshot s;
    s.serial = call.serial;
    s.line = call.line;
    s.channel = call.channel;
    s.direction = call.direction;
    s.number = call.callerId;
    s.name = call.callerName;
    s.voice = call.voice;
    s.startUtc = call.startUtc;
    return s;
}

MqttPublisher::MqttPublisher(CMonitorController* controller, MqttOptions options, QObject* parent)
    : QObject(parent), controller_(controller), options_(std::move(options)) {
    connect(controller, &CMonitorController::statusTick, this, [this] { postSnapshot(true); });
    connect(controller, &CMonitorController::statusStale, this, [this] { postSnapshot(false); });
    connect(controller, &CMonitorController::disconnected, this, [this] { postSnapshot(false); });
    CallTracker* calls = &controller->calls();
    connect(calls, &CallTracker::callStarted, this, [this](const CallRecord& c) { onCall(c, true); });
    connect(calls, &CallTracker::callerKnown, this, [this](const CallRecord& c) { onCall(c, true); });
    connect(calls, &CallTracker::callUpdated, this, [this](const CallRecord& c) {
        // Counters change on every tick; the last call only cares for who.
        if (!announced_.contains(c.serial))
            onCall(c, false);
    });
    connect(calls, &CallTracker::callEnded, this, [this](const CallRecord& c) {
        // A call that never said its number is still told, at its end.
        if (!announced_.contains(c.serial))
            onCall(c, true);
        announced_.remove(c.serial);
    });
}

MqttPublisher::~MqttPublisher() { stop(); }

bool MqttPublisher::start(QString* error) {
    if (client_ || stopped_)
        return true;
    QString why;
    client_ = loadMqttClient(options_, QString::fromLatin1(kVersion), this, &why);
    if (!client_) {
        if (error)
            *error = QStringLiteral("MQTT is not available: ") + why;
        return false;
    }
    if (reconnectBaseMs_ != 1000)
        client_->setReconnectBaseMs(reconnectBaseMs_);
    client_->start();
    return true;
}

void MqttPublisher::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    disconnect(controller_, nullptr, this, nullptr);
    disconnect(&controller_->calls(), nullptr, this, nullptr);
    if (client_) {
        client_->stop(1000);
        client_.reset();
    }
}

// The client's thread tells; the monitor's thread passes it on.
void MqttPublisher::clientOutage(const QString& text) {
    QMetaObject::invokeMethod(this, [this, text] { emit outage(text); }, Qt::QueuedConnection);
}

void MqttPublisher::clientConnected() {
    QMetaObject::invokeMethod(this, [this] { emit connectedToBroker(options_.brokerText()); }, Qt::QueuedConnection);
}

void MqttPublisher::clientSent(int messages) {
    QMetaObject::invokeMethod(this, [this, messages] { emit messagesSent(messages); }, Qt::QueuedConnection);
}

void MqttPublisher::postSnapshot(bool live) {
    if (!client_ || stopped_)
        return;
    MonitorSnapshot snapshot;
    snapshot.live = live;
    const CLines& lines = controller_->application().lines();
    for (int n = 1; n <= 2; ++n) {
        const CLine* line = lines.line(n);
        if (!line)
            continue;
        LineSnapshot& s = snapshot.lines[size_t(n - 1)];
        s.up = controller_->lineMemory()[size_t(n - 1)].up;
        s.utilization = line->lineUtilization();
        s.averageUtilization = line->averageLineUtilization();
        s.link = line->link();
        s.channel = line->channel();
        s.callerId = line->clid();
        s.callerName = line->callerName();
        s.packetsSent = line->packetsSent();
        s.packetsReceived = line->packetsReceived();
        s.errors = line->errors();
    }
    client_->post(snapshot);
}

void MqttPublisher::onCall(const CallRecord& call, bool mayAnnounce) {
    if (!client_ || stopped_)
        return;
    // One event per call: once its number is known, or at its end.
    bool announce = false;
    if (mayAnnounce && !announced_.contains(call.serial) && (!call.callerId.isEmpty() || !call.isOpen())) {
        announce = true;
        announced_.insert(call.serial);
    }
    client_->postCall(callSnapshot(call), announce);
}

}  // namespace korvane::mqtt
