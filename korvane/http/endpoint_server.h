#pragma once
// The HTTP endpoint's server, on a thread of its own. It answers from what
// the monitor has handed it: batches of the monitor's events (after each
// tick or event, never inside one) with the few facts no event carries, the
// metrics registry (whose series are safe to read from any thread) and the
// call list. It never calls into the monitor, so a busy monitor never delays
// an answer and a slow client never delays the monitor.

#include "korvane/http/http_options.h"
#include "korvane/events/monitor_events.h"

#include <QAbstractHttpServer>
#include <QHttpServerResponder>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>

#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class QTcpSocket;
class QTimer;

namespace prometheus {
class Registry;
}

namespace korvane::http {

class CallList;

// One event as the monitor emitted it, with the moment it did.
struct FedEvent {
    MonitorEvent event;
    qint64 msSinceEpoch = 0;
};

// What the status answer needs beyond the events, as of the batch.
struct MonitorFacts {
    int tray = 0;
    std::array<double, 2> calls{};
    std::array<double, 2> onlineSeconds{};
};

class EndpointServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    EndpointServer(const HttpOptions& options, std::shared_ptr<prometheus::Registry> registry);
    ~EndpointServer() override;

    // On the server's thread: starts listening; false with a message.
    bool listen(QString* error);
    quint16 port() const { return port_; }

    // On the server's thread: takes in what the monitor handed over.
    void take(const std::vector<FedEvent>& events, const MonitorFacts& facts);
    QJsonObject status() const;

    // Any thread.
    void setCallList(CallList* calls) { calls_.store(calls); }
    int eventClients() const { return eventClients_.load(); }
    int openConnections() const { return openConnections_->load(); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void record(const FedEvent& fed);
    void openStream(const QHttpServerRequest& request, QTcpSocket* socket);
    void broadcast(const QByteArray& frame);
    void streamsChanged() { eventClients_.store(int(streams_.size())); }
    void answerCalls(const QHttpServerRequest& request, QTcpSocket* socket);
    QByteArray metricsText() const;
    bool authorized(const QHttpServerRequest& request) const;
    void answer(const QHttpServerRequest& request, QTcpSocket* socket, QHttpServerResponder::StatusCode status,
                const QList<std::pair<QByteArray, QByteArray>>& headers, const QByteArray& body);

    class GuardedServer;
    const HttpOptions options_;
    std::shared_ptr<prometheus::Registry> registry_;
    GuardedServer* server_ = nullptr;
    QTimer* keepAlive_ = nullptr;
    quint16 port_ = 0;
    std::atomic<CallList*> calls_{nullptr};
    std::atomic<int> eventClients_{0};
    std::shared_ptr<std::atomic<int>> openConnections_ = std::make_shared<std::atomic<int>>(0);
    std::deque<QPointer<QTcpSocket>> streams_;

    // What /api/status and the page start from.
    MonitorFacts facts_;
    QJsonObject lastTick_;
    bool live_ = false;
    qint64 ticks_ = 0;
    std::deque<QJsonArray> history_;   // [ms since epoch, util 1, util 2]
    std::deque<QJsonObject> syslog_;   // the syslog tail
    std::deque<QJsonObject> lineEvents_;
    QJsonArray callHistory_;           // the router's call history, last read
};

}  // namespace korvane::http
