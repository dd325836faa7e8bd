#pragma once
// The monitor as both the console and the window run it: the controller with
// its call tracker, the session recorder (--record), the call journal with
// the phone book, and the HTTP endpoint with the journal's answers. Each roof
// makes one and adds what is its own (the console's event lines, the
// window's views, tray and notifications), so this wiring exists once.

#include "korvane/http/http_setup.h"
#include "korvane/mqtt/mqtt_options.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace korvane {

class CMonitorController;
class JournalSession;
class MonitorEvents;
class MonitorSettings;

namespace mqtt {
class MqttPublisher;
}

namespace http {
class HttpEndpoint;
class JournalSource;
}  // namespace http

class AssembledMonitor : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString recordFile;          // --record: the router session into a capture file
        qint64 recordLimitBytes = -1;  // --record-limit; -1: the recorder's default
        // The recording stopped early (its limit, a full disk); empty: told on standard error.
        std::function<void(const QString& text)> recordStopped;
        http::HttpCommandLine http;  // --http and its friends; empty parts come from the settings
        // A journal problem for the user: it stopped, it resumed, the phone
        // book could not be read. Told outside the tick that found it.
        std::function<void(const QString& text)> journalProblem;
        mqtt::MqttCommandLine mqtt;  // --mqtt; empty parts come from the settings
    };

    AssembledMonitor(MonitorSettings* settings, Options options, QObject* parent = nullptr);
    // Stops first (see stop()).
    ~AssembledMonitor() override;

    CMonitorController& controller() { return *controller_; }
    JournalSession& journal() { return *journal_; }
    // The endpoint, once started; null while off.
    http::HttpEndpoint* httpEndpoint() const { return http_.get(); }

    // Starts the endpoint when an address is set on the command line or in
    // the settings. False with the reason when it is set but cannot start.
    // events: the console's event lines for /events; null lets the endpoint
    // make its own.
    bool startHttp(QString* error, MonitorEvents* events = nullptr);

    // Starts publishing to the MQTT broker when one is set on the command
    // line or in the settings. False with the reason when the settings are
    // wrong; an absent broker is no error here (outages come as signals of
    // mqttPublisher()).
    bool startMqtt(QString* error);
    mqtt::MqttPublisher* mqttPublisher() const { return mqtt_.get(); }

    // The monitor stops: calls still open end as "monitor stopped" (a later
    // run that finds the line still up continues them), the journal has them,
    // and the router connection closes. Safe to call again.
    void stop();

private:
    Options options_;
    std::unique_ptr<CMonitorController> controller_;
    std::unique_ptr<JournalSession> journal_;
    std::unique_ptr<http::JournalSource> journalSource_;
    std::unique_ptr<http::HttpEndpoint> http_;
    std::unique_ptr<mqtt::MqttPublisher> mqtt_;
    bool stopped_ = false;
};

}  // namespace korvane
