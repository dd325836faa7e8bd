#pragma once
// The monitor's HTTP endpoint: /metrics (Prometheus), /api/status,
// /api/calls, /events (the console's JSON events as Server-Sent Events) and
// the live status page at /. It only listens to the controller's and the
// console's events and answers from what it kept; nothing here commands the
// router. It runs on the monitor's thread: every write goes into a socket's
// buffer, and a client that does not read is dropped, never waited for.

#include "korvane/http/http_options.h"
#include "korvane/events/monitor_events.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>

#include <deque>
#include <utility>
#include <vector>
#include <memory>

class QTcpSocket;

namespace korvane {
class CMonitorController;
}  // namespace korvane

namespace korvane::http {

class CallList;
class LineTotals;
class MonitorMetrics;

class HttpEndpoint : public QAbstractHttpServer {
    Q_OBJECT
public:
    // events: the console monitor whose events are streamed; null makes one
    // that prints nothing (the windowed monitor has no console).
    HttpEndpoint(CMonitorController* controller, MonitorEvents* events, const HttpOptions& options,
                 QObject* parent = nullptr);
    ~HttpEndpoint() override;

    // Starts listening; false with a message for the user.
    bool start(QString* error);
    quint16 port() const { return port_; }
    const HttpOptions& options() const { return options_; }

    // Both take in the events of a tick that has not been flushed yet first.
    MonitorMetrics& metrics();
    // The call journal's answers for /api/calls (404 while none is attached).
    void setCallList(CallList* calls) { calls_ = calls; }
    // The call journal's all-time totals, as gauges of their own.
    void setJournalTotals(LineTotals* totals);

    QJsonObject status();
    int eventClients() const { return int(streams_.size()); }
    int openConnections() const;

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void onEvent(const MonitorEvent& event);
    void recordEvents();
    void openStream(const QHttpServerRequest& request, QTcpSocket* socket);
    void broadcast(const QByteArray& frame);
    void flushEvents();
    void answerCalls(const QHttpServerRequest& request, QTcpSocket* socket);
    bool authorized(const QHttpServerRequest& request) const;
    void answer(const QHttpServerRequest& request, QTcpSocket* socket, QHttpServerResponder::StatusCode status,
                const QList<std::pair<QByteArray, QByteArray>>& headers, const QByteArray& body);

    class GuardedServer;
    CMonitorController* controller_;
    HttpOptions options_;
    std::unique_ptr<MonitorEvents> ownEvents_;
    std::unique_ptr<MonitorMetrics> metrics_;
    GuardedServer* server_ = nullptr;
    CallList* calls_ = nullptr;
    quint16 port_ = 0;
    std::deque<QPointer<QTcpSocket>> streams_;
    // The events since the last flush, in order; the first recorded_ of them
    // are already in what /api/status and /metrics answer from.
    struct Pending {
        MonitorEvent event;
        qint64 msSinceEpoch;
    };
    std::vector<Pending> pending_;
    size_t recorded_ = 0;

    // What /api/status and the page start from.
    QJsonObject lastTick_;
    bool live_ = false;
    qint64 ticks_ = 0;
    std::deque<QJsonArray> history_;   // [ms since epoch, util 1, util 2]
    std::deque<QJsonObject> syslog_;   // the syslog tail
    std::deque<QJsonObject> lineEvents_;
    QJsonArray callHistory_;           // the router's call history, last read
};

}  // namespace korvane::http
