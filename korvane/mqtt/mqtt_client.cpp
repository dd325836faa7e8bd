// libkorvane_mqtt_client: the session on a thread of its own behind the
// MqttClient interface.
#include "korvane/mqtt/mqtt_client.h"
#include "korvane/mqtt/mqtt_session.h"

#include <QSemaphore>
#include <QThread>

namespace korvane::mqtt {
namespace {

class ThreadedClient final : public MqttClient {
public:
    ThreadedClient(const MqttOptions& options, const QString& version, MqttClientListener* listener)
        : listener_(listener) {
        thread_.setObjectName(QStringLiteral("korvane-mqtt"));
        session_ = new MqttSession(options, version);
        session_->moveToThread(&thread_);
        QObject::connect(&thread_, &QThread::finished, session_, &QObject::deleteLater);
        // Direct: the listener is told on this thread and passes it on.
        QObject::connect(session_, &MqttSession::outage, session_,
                         [listener](const QString& text) { listener->clientOutage(text); }, Qt::DirectConnection);
        QObject::connect(session_, &MqttSession::connectedToBroker, session_,
                         [listener] { listener->clientConnected(); }, Qt::DirectConnection);
        QObject::connect(session_, &MqttSession::messagesSent, session_,
                         [listener](int n) { listener->clientSent(n); }, Qt::DirectConnection);
    }
    ~ThreadedClient() override {
        stop(1000);
        if (!started_)
            delete session_;  // its thread never ran to take it
    }

    void start() override {
        if (thread_.isRunning() || stopped_)
            return;
        started_ = true;
        thread_.start();
        QMetaObject::invokeMethod(session_, &MqttSession::start);
    }
    void post(const MonitorSnapshot& snapshot) override {
        if (running())
            QMetaObject::invokeMethod(session_, [s = session_, snapshot] { s->takeSnapshot(snapshot); });
    }
    void postCall(const CallSnapshot& call, bool announce) override {
        if (running())
            QMetaObject::invokeMethod(session_, [s = session_, call, announce] { s->takeCall(call, announce); });
    }
    void setReconnectBaseMs(int ms) override {
        QMetaObject::invokeMethod(session_, [s = session_, ms] { s->setReconnectBaseMs(ms); });
    }
    void stop(int timeoutMs) override {
        if (stopped_)
            return;
        stopped_ = true;
        if (!thread_.isRunning())
            return;
        // Bounded: a broker that does not read gets its time, not the exit.
        auto done = std::make_shared<QSemaphore>();
        QMetaObject::invokeMethod(session_, [s = session_, done, timeoutMs] {
            s->stop(timeoutMs);
            done->release();
        });
        const bool finished = done->tryAcquire(1, timeoutMs + 2000);
        thread_.quit();
        if (!finished || !thread_.wait(3000)) {
            // Stuck in a name lookup: the process ends without it.
            qWarning("korvane: the MQTT thread did not stop in time");
            thread_.terminate();
            thread_.wait(1000);
        }
    }

private:
    bool running() const { return !stopped_ && thread_.isRunning(); }

    MqttClientListener* listener_;
    QThread thread_;
    MqttSession* session_ = nullptr;  // lives on thread_
    bool started_ = false;
    bool stopped_ = false;
};

}  // namespace
}  // namespace korvane::mqtt

extern "C" Q_DECL_EXPORT korvane::mqtt::MqttClient* korvane_mqtt_client(const korvane::mqtt::MqttOptions* options,
                                                                        const QString* version,
                                                                        korvane::mqtt::MqttClientListener* listener) {
    return new korvane::mqtt::ThreadedClient(*options, *version, listener);
}
