#pragma once
// The monitor's HTTP endpoint: /metrics (Prometheus), /api/status,
// /api/calls, /events (the console's JSON events as Server-Sent Events) and
// the live status page at /. It only listens to the controller's and the
// console's events; nothing here commands the router.
//
// This is the monitor's side. It keeps the metrics up to date and, after each
// tick or event (never inside one), hands the events of that turn to the
// server, which runs on a thread of its own and answers from what it was
// handed. A slow client or a hundred event streams cost the monitor one
// posted batch per turn; a busy monitor delays no answer.

#include "korvane/http/http_options.h"
#include "korvane/events/monitor_events.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QObject>

#include <memory>
#include <vector>

class QThread;

namespace korvane {
class CMonitorController;
}  // namespace korvane

namespace korvane::http {

class CallList;
class EndpointServer;
class LineTotals;
class MonitorMetrics;
struct FedEvent;

class HttpEndpoint : public QObject {
    Q_OBJECT
public:
    // events: the console monitor whose events are streamed; null makes one
    // that prints nothing (the windowed monitor has no console).
    HttpEndpoint(CMonitorController* controller, MonitorEvents* events, const HttpOptions& options,
                 QObject* parent = nullptr);
    // Stops the server's thread, closing every connection.
    ~HttpEndpoint() override;

    // Starts the server's thread and listens; false with a message for the user.
    bool start(QString* error);
    quint16 port() const { return port_; }
    const HttpOptions& options() const { return options_; }

    // On the monitor's thread.
    MonitorMetrics& metrics();
    // The call journal's answers for /api/calls (404 while none is attached).
    // The list is asked on the server's thread.
    void setCallList(CallList* calls);
    // The call journal's all-time totals, as gauges of their own.
    void setJournalTotals(LineTotals* totals);

    // What /api/status answers now, after the events so far: waits for the
    // server's thread, so it is for tests and tools, not for the tick.
    QJsonObject status();
    int eventClients() const;
    int openConnections() const;

private:
    void onEvent(const MonitorEvent& event);
    void handOver();

    CMonitorController* controller_;
    HttpOptions options_;
    std::unique_ptr<MonitorEvents> ownEvents_;
    std::unique_ptr<MonitorMetrics> metrics_;
    EndpointServer* server_ = nullptr;  // lives on thread_
    QThread* thread_ = nullptr;
    quint16 port_ = 0;
    std::vector<FedEvent> pending_;  // the events of this turn, in order
};

}  // namespace korvane::http
