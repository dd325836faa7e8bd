#include "korvane/mqtt/mqtt_publisher.h"

#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"
#include "korvane/mqtt/mqtt_session.h"

#include <QSemaphore>

#include <memory>

namespace korvane::mqtt {

MqttPublisher::MqttPublisher(CMonitorController* controller, MqttOptions options, QObject* parent)
    : QObject(parent), controller_(controller), options_(std::move(options)) {
    qRegisterMetaType<MonitorSnapshot>();
    qRegisterMetaType<CallSnapshot>();
    thread_.setObjectName(QStringLiteral("korvane-mqtt"));
    session_ = new MqttSession(options_, QString::fromLatin1(kVersion));
    session_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, session_, &QObject::deleteLater);
    connect(session_, &MqttSession::outage, this, &MqttPublisher::outage);
    connect(session_, &MqttSession::messagesSent, this, &MqttPublisher::messagesSent);
    connect(session_, &MqttSession::connectedToBroker, this,
            [this] { emit connectedToBroker(options_.brokerText()); });

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

void MqttPublisher::setReconnectBaseMs(int ms) {
    QMetaObject::invokeMethod(session_, [s = session_, ms] { s->setReconnectBaseMs(ms); });
}

void MqttPublisher::start() {
    if (thread_.isRunning() || stopped_)
        return;
    thread_.start();
    QMetaObject::invokeMethod(session_, &MqttSession::start);
}

void MqttPublisher::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    disconnect(controller_, nullptr, this, nullptr);
    disconnect(&controller_->calls(), nullptr, this, nullptr);
    if (!thread_.isRunning()) {
        delete session_;  // never started: its thread never ran
        session_ = nullptr;
        return;
    }
    // Bounded: a broker that does not read gets a second, not the exit.
    auto done = std::make_shared<QSemaphore>();
    QMetaObject::invokeMethod(session_, [s = session_, done] {
        s->stop(1000);
        done->release();
    });
    const bool stopped = done->tryAcquire(1, 3000);
    thread_.quit();
    if (!stopped || !thread_.wait(3000)) {
        // Stuck in a name lookup: the process ends without it.
        qWarning("korvane: the MQTT thread did not stop in time");
        thread_.terminate();
        thread_.wait(1000);
    }
}

void MqttPublisher::postSnapshot(bool live) {
    if (stopped_ || !thread_.isRunning())
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
    QMetaObject::invokeMethod(session_, [s = session_, snapshot = std::move(snapshot)] { s->takeSnapshot(snapshot); });
}

void MqttPublisher::onCall(const CallRecord& call, bool mayAnnounce) {
    if (stopped_ || !thread_.isRunning())
        return;
    // One event per call: once its number is known, or at its end.
    bool announce = false;
    if (mayAnnounce && !announced_.contains(call.serial)
        && (!call.callerId.isEmpty() || !call.isOpen())) {
        announce = true;
        announced_.insert(call.serial);
    }
    QMetaObject::invokeMethod(session_, [s = session_, c = callSnapshot(call), announce] { s->takeCall(c, announce); });
}

}  // namespace korvane::mqtt
