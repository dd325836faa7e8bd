#include "korvane/http/http_endpoint.h"

#include "korvane/http/endpoint_server.h"
#include "korvane/http/line_totals.h"
#include "korvane/http/metrics.h"
#include "korvane/monitor/controller.h"

#include <QDateTime>
#include <QThread>

namespace korvane::http {

HttpEndpoint::HttpEndpoint(CMonitorController* controller, MonitorEvents* events, const HttpOptions& options,
                           QObject* parent)
    : QObject(parent), controller_(controller), options_(options) {
    if (!events) {
        ownEvents_ = std::make_unique<MonitorEvents>(controller, nullptr, true);
        events = ownEvents_.get();
    }
    metrics_ = std::make_unique<MonitorMetrics>(controller, options_.router);
    connect(events, &MonitorEvents::eventEmitted, this, &HttpEndpoint::onEvent);
    // Made here, on the caller's thread, so that whatever the HTTP server
    // sets up on construction happens where the caller chose; it moves to its
    // thread in start().
    server_ = new EndpointServer(options_, metrics_->registryShared());
}

HttpEndpoint::~HttpEndpoint() {
    if (thread_) {
        EndpointServer* server = server_;
        QMetaObject::invokeMethod(server, [server] { delete server; }, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
        delete thread_;
    } else {
        delete server_;
    }
}

bool HttpEndpoint::start(QString* error) {
    if (thread_)
        return true;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("korvane-http"));
    server_->moveToThread(thread_);
    thread_->start();
    bool listening = false;
    QString why;
    EndpointServer* server = server_;
    QMetaObject::invokeMethod(
        server, [server, &listening, &why] { listening = server->listen(&why); }, Qt::BlockingQueuedConnection);
    if (!listening) {
        *error = why;
        return false;
    }
    port_ = server_->port();
    handOver();  // the totals and tray as they stand
    return true;
}

MonitorMetrics& HttpEndpoint::metrics() {
    metrics_->refresh();
    return *metrics_;
}

void HttpEndpoint::setCallList(CallList* calls) {
    server_->setCallList(calls);
}

void HttpEndpoint::setJournalTotals(LineTotals* totals) {
    metrics_->setJournalTotals(totals);
}

int HttpEndpoint::eventClients() const {
    return server_->eventClients();
}

int HttpEndpoint::openConnections() const {
    return server_->openConnections();
}

void HttpEndpoint::onEvent(const MonitorEvent& event) {
    // Called inside the monitor's tick: the event is only kept, its JSON not
    // even built. The batch goes to the server once the tick is done.
    pending_.push_back({event, QDateTime::currentMSecsSinceEpoch()});
    if (pending_.size() == 1)
        QMetaObject::invokeMethod(this, &HttpEndpoint::handOver, Qt::QueuedConnection);
}

void HttpEndpoint::handOver() {
    if (!thread_) {
        pending_.clear();  // nothing serves them yet
        return;
    }
    metrics_->refresh();
    MonitorFacts facts;
    facts.tray = controller_->trayIconIndex();
    const LineTotals& totals = metrics_->lineTotals();
    for (int n = 1; n <= 2; ++n) {
        facts.calls[size_t(n - 1)] = totals.calls(n);
        facts.onlineSeconds[size_t(n - 1)] = totals.onlineSeconds(n);
    }
    EndpointServer* server = server_;
    QMetaObject::invokeMethod(
        server, [server, events = std::move(pending_), facts] { server->take(events, facts); }, Qt::QueuedConnection);
    pending_.clear();
}

QJsonObject HttpEndpoint::status() {
    handOver();
    if (!thread_)
        return {};
    QJsonObject answer;
    EndpointServer* server = server_;
    QMetaObject::invokeMethod(server, [server, &answer] { answer = server->status(); }, Qt::BlockingQueuedConnection);
    return answer;
}

}  // namespace korvane::http
