#include "korvane/mqtt/mqtt_session.h"

#include <mosquitto.h>

#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <poll.h>

namespace korvane::mqtt {

namespace {

// libmosquitto keeps process-wide state (its TLS setup among it).
void initLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

QString errorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    return QString::fromUtf8(mosquitto_strerror(rc));
}

qint64 steadyMs() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

}  // namespace

int MqttSession::reconnectDelayMs(int failures) {
    int delay = 1000;
    for (int i = 1; i < failures && delay < kMaxDelayMs; ++i)
        delay *= 2;
    return std::min(delay, kMaxDelayMs);
}

MqttSession::MqttSession(MqttOptions options, QString version, QObject* parent)
    : QObject(parent), options_(std::move(options)), version_(std::move(version)), miscTimer_(this),
      reconnectTimer_(this), flushTimer_(this) {
    // The timers are children, so they move to the session's thread with it.
    miscTimer_.setInterval(1000);
    connect(&miscTimer_, &QTimer::timeout, this, [this] {
        if (attached_)
            afterIo(mosquitto_loop_misc(mosq_));
    });
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &MqttSession::connectNow);
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, &MqttSession::flushDue);
}

MqttSession::~MqttSession() {
    detachSocket();
    if (mosq_)
        mosquitto_destroy(mosq_);
}

qint64 MqttSession::now() const { return clock_ ? clock_() : steadyMs(); }

void MqttSession::start() {
    if (started_)
        return;
    started_ = true;
    initLibrary();
    const QByteArray clientId = "korvane-" + options_.nodeId.toUtf8();
    mosq_ = mosquitto_new(clientId.constData(), true, this);
    if (!mosq_) {
        reportOutage(QStringLiteral("MQTT: the client could not be made (%1)").arg(errorText(MOSQ_ERR_ERRNO)));
        return;
    }
    mosquitto_connect_callback_set(mosq_, &MqttSession::onConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttSession::onDisconnect);
    if (!options_.user.isEmpty()) {
        const QByteArray user = options_.user.toUtf8();
        const QByteArray password = options_.password.toUtf8();
        mosquitto_username_pw_set(mosq_, user.constData(), options_.password.isEmpty() ? nullptr : password.constData());
    }
    const QByteArray will = availabilityTopic(options_).toUtf8();
    mosquitto_will_set(mosq_, will.constData(), int(qstrlen(kOffline)), kOffline, 1, true);
    if (!options_.caFile.isEmpty()) {
        const QByteArray ca = options_.caFile.toLocal8Bit();
        const int rc = mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            // Without its TLS the broker is not to be tried at all.
            reportOutage(QStringLiteral("MQTT CA File \"%1\": %2").arg(options_.caFile, errorText(rc)));
            return;
        }
    }
    connectNow();
}

void MqttSession::connectNow() {
    if (stopping_ || !mosq_)
        return;
    detachSocket();
    const QByteArray host = options_.host.toUtf8();
    // libmosquitto carries a TLS handshake on only inside its own loop, so
    // with TLS the connect (and handshake) blocks; this thread may wait.
    const int rc = options_.caFile.isEmpty()
                       ? mosquitto_connect_async(mosq_, host.constData(), options_.port, options_.keepAliveSeconds)
                       : mosquitto_connect(mosq_, host.constData(), options_.port, options_.keepAliveSeconds);
    // A TCP connect still under way is no failure: the socket says when.
    if ((rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_CONN_PENDING) || mosquitto_socket(mosq_) < 0) {
        connectionLost(QStringLiteral("cannot reach the MQTT broker at %1: %2").arg(options_.brokerText(), errorText(rc)));
        return;
    }
    attachSocket();
    updateWriteInterest();
}

void MqttSession::attachSocket() {
    const int fd = mosquitto_socket(mosq_);
    readNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, [this] {
        if (attached_)
            afterIo(mosquitto_loop_read(mosq_, 1));
    });
    writeNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this] {
        if (attached_)
            afterIo(mosquitto_loop_write(mosq_, 1));
    });
    attached_ = true;
    miscTimer_.start();
}

void MqttSession::detachSocket() {
    attached_ = false;
    miscTimer_.stop();
    // Notifiers may be the ones whose signal runs now: they go later.
    for (QPointer<QSocketNotifier>* n : {&readNotifier_, &writeNotifier_}) {
        if (*n) {
            (*n)->setEnabled(false);
            (*n)->deleteLater();
        }
        *n = nullptr;
    }
}

void MqttSession::updateWriteInterest() {
    if (attached_ && writeNotifier_)
        writeNotifier_->setEnabled(mosquitto_want_write(mosq_));
}

void MqttSession::afterIo(int rc) {
    if (refusedRc_ != 0) {
        const int refused = refusedRc_;
        refusedRc_ = 0;
        // Wrong credentials stay wrong: said once, and tried again only
        // at the longest wait.
        failures_ = std::max(failures_, 16);
        reportOutage(QStringLiteral("the MQTT broker at %1 refused the connection: %2%3")
                         .arg(options_.brokerText(), QString::fromUtf8(mosquitto_connack_string(refused)),
                              refused == 4 || refused == 5 ? QStringLiteral(" (check MQTT User and MQTT Password File)")
                                                           : QString()));
    }
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(mosq_) < 0) {
        connectionLost(QStringLiteral("lost the MQTT broker at %1: %2").arg(options_.brokerText(), errorText(rc)));
        return;
    }
    if (justConnected_) {
        justConnected_ = false;
        connected_ = true;
        failures_ = 0;
        outageReported_ = false;
        publishAll();
        emit connectedToBroker();
    }
    updateWriteInterest();
}

void MqttSession::connectionLost(const QString& why) {
    const bool wasAttached = attached_;
    detachSocket();
    if (wasAttached && mosquitto_socket(mosq_) >= 0)
        mosquitto_disconnect(mosq_);
    connected_ = false;
    justConnected_ = false;
    if (stopping_)
        return;
    reportOutage(why);
    scheduleReconnect();
}

void MqttSession::reportOutage(const QString& text) {
    if (outageReported_)
        return;
    outageReported_ = true;
    emit outage(text);
}

void MqttSession::scheduleReconnect() {
    ++failures_;
    const int delay = reconnectDelayMs(failures_);
    reconnectTimer_.start(int(qint64(delay) * baseDelayMs_ / 1000));
}

void MqttSession::onConnect(mosquitto*, void* self, int rc) {
    auto* session = static_cast<MqttSession*>(self);
    if (rc == 0)
        session->justConnected_ = true;
    else
        session->refusedRc_ = rc;
}

void MqttSession::onDisconnect(mosquitto*, void*, int) {
    // The read or write that saw it returns an error; afterIo handles it.
}

void MqttSession::publish(const QString& topic, const QByteArray& payload, bool retain) {
    const QByteArray t = topic.toUtf8();
    const int rc = mosquitto_publish(mosq_, nullptr, t.constData(), int(payload.size()), payload.constData(), 1, retain);
    if (rc == MOSQ_ERR_SUCCESS)
        return;
    if (rc == MOSQ_ERR_PAYLOAD_SIZE || rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_MALFORMED_UTF8)
        return;  // this one message cannot go; the others can
    connectionLost(QStringLiteral("lost the MQTT broker at %1: %2").arg(options_.brokerText(), errorText(rc)));
}

void MqttSession::publishAll() {
    int sent = 0;
    auto send = [&](const QString& topic, const QByteArray& payload, bool retain) {
        if (!connected_)
            return;
        publish(topic, payload, retain);
        ++sent;
    };
    for (const MqttMessage& config : discoveryConfigs(options_, version_))
        send(config.topic, config.payload, true);
    send(availabilityTopic(options_), QByteArray(kOnline), true);
    for (const TopicValue& value : states_.takeAll(now()))
        send(value.first, value.second, true);
    const QList<QByteArray> held = std::exchange(heldEvents_, {});
    for (const QByteArray& event : held)
        send(callTopic(options_), event, false);
    emit messagesSent(sent);
}

void MqttSession::takeSnapshot(const MonitorSnapshot& snapshot) {
    const qint64 at = now();
    int sent = 0;
    for (const TopicValue& value : stateValues(options_, snapshot)) {
        if (!connected_) {
            states_.remember(value.first, value.second);
        } else if (states_.offer(value.first, value.second, at)) {
            publish(value.first, value.second, true);
            ++sent;
        }
    }
    if (sent)
        emit messagesSent(sent);
    flushDue();
}

void MqttSession::takeCall(const CallSnapshot& call, bool announce) {
    const qint64 at = now();
    for (const TopicValue& value : lastCallValues(options_, call)) {
        if (!connected_)
            states_.remember(value.first, value.second);
        else if (states_.offer(value.first, value.second, at))
            publish(value.first, value.second, true);
    }
    if (announce) {
        const QByteArray event = callEventPayload(call);
        if (connected_) {
            publish(callTopic(options_), event, false);
            emit messagesSent(1);
        } else {
            // Told when the broker is back; the oldest go first when many wait.
            heldEvents_.append(event);
            while (heldEvents_.size() > kHeldCallEvents)
                heldEvents_.removeFirst();
        }
    }
    flushDue();
}

void MqttSession::flushDue() {
    if (connected_) {
        const QList<TopicValue> due = states_.takeDue(now());
        for (const TopicValue& value : due)
            publish(value.first, value.second, true);
        if (!due.isEmpty())
            emit messagesSent(int(due.size()));
    }
    updateWriteInterest();
    const qint64 next = states_.nextDueMs();
    if (connected_ && next >= 0)
        flushTimer_.start(int(std::max<qint64>(0, next - now())));
    else
        flushTimer_.stop();
}

void MqttSession::stop(int timeoutMs) {
    if (stopping_)
        return;
    stopping_ = true;
    reconnectTimer_.stop();
    flushTimer_.stop();
    if (!mosq_)
        return;
    if (connected_) {
        // A clean disconnect drops the last will, so "offline" is said here.
        publish(availabilityTopic(options_), QByteArray(kOffline), true);
        mosquitto_disconnect(mosq_);
        QElapsedTimer waited;
        waited.start();
        while (mosquitto_socket(mosq_) >= 0 && mosquitto_want_write(mosq_) && waited.elapsed() < timeoutMs) {
            pollfd p{mosquitto_socket(mosq_), POLLOUT, 0};
            if (::poll(&p, 1, int(std::max<qint64>(1, timeoutMs - waited.elapsed()))) <= 0)
                break;
            if (mosquitto_loop_write(mosq_, 1) != MOSQ_ERR_SUCCESS)
                break;
        }
    }
    detachSocket();
    connected_ = false;
}

}  // namespace korvane::mqtt
