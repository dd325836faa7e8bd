#include "korvane/http/endpoint_server.h"

#include "korvane/http/line_totals.h"
#include "korvane/http/metrics.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <functional>
#include <utility>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace korvane::http {

namespace {

constexpr size_t kHistorySamples = 900;  // 15 minutes of status ticks
constexpr size_t kSyslogTail = 100;
constexpr size_t kLineEvents = 50;
constexpr int kKeepAliveMs = 15000;
constexpr int kMaxCalls = 10000;

using Status = QHttpServerResponder::StatusCode;

// The open connections, in all and per client address.
struct ConnectionCounts {
    explicit ConnectionCounts(std::shared_ptr<std::atomic<int>> total) : open(std::move(total)) {}
    std::shared_ptr<std::atomic<int>> open;  // also read by other threads
    QHash<QHostAddress, int> perAddress;
};

// Per-connection bounds: request size and time, idle time. A child of the
// socket, so it lives exactly as long as the connection. A new connection
// has the request time to bring its first request: a client that trickles
// its headers is let go within seconds.
class ConnectionGuard : public QObject {
public:
    ConnectionGuard(QTcpSocket* socket, const HttpOptions& options, std::shared_ptr<ConnectionCounts> counts,
                    std::function<void()> allClosed)
        : QObject(socket), counts_(std::move(counts)), address_(socket->peerAddress()), allClosed_(std::move(allClosed)) {
        setObjectName(QLatin1String(kName));
        ++*counts_->open;
        ++counts_->perAddress[address_];
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, socket, [this, socket] {
            if (!streaming)
                socket->abort();
        });
        timer_.start(options.requestTimeoutMs);
        const qint64 maxBytes = options.maxRequestBytes;
        const int requestMs = options.requestTimeoutMs;
        const int idleMs = options.idleTimeoutMs;
        // Connected before the server's own reader, so an oversized request
        // is cut off before it is parsed any further.
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, maxBytes, requestMs] {
            if (!inRequest_) {
                inRequest_ = true;
                bytes_ = 0;
                // HTTP/1.0 keeps no connection: it closes after its answer.
                const QByteArray head = socket->peek(512);
                const qsizetype end = head.indexOf("\r\n");
                if (end > 0)
                    closeAfterAnswer = head.left(end).endsWith("HTTP/1.0");
                if (!streaming)
                    timer_.start(requestMs);
            }
            bytes_ += socket->bytesAvailable();
            if (bytes_ > maxBytes)
                socket->abort();
        });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket, idleMs] {
            inRequest_ = false;
            if (!streaming)
                timer_.start(idleMs);
            if (closing_ && socket->bytesToWrite() == 0)
                socket->disconnectFromHost();
        });
    }
    ~ConnectionGuard() override {
        --*counts_->open;
        if (--counts_->perAddress[address_] <= 0)
            counts_->perAddress.remove(address_);
        if (*counts_->open == 0 && allClosed_)
            allClosed_();
    }
    static ConnectionGuard* of(QTcpSocket* socket) {
        return static_cast<ConnectionGuard*>(
            socket->findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly));
    }
    static constexpr char kName[] = "korvane-http-guard";

    void startStreaming() {
        streaming = true;
        inRequest_ = false;
        timer_.stop();
    }
    // The connection ends once the answer written now has gone out.
    void closeWhenWritten() { closing_ = true; }
    bool streaming = false;
    bool closeAfterAnswer = false;

private:
    std::shared_ptr<ConnectionCounts> counts_;
    QHostAddress address_;
    std::function<void()> allClosed_;
    QTimer timer_;
    qint64 bytes_ = 0;
    bool inRequest_ = false;
    bool closing_ = false;
};

QByteArray reasonPhrase(QHttpServerResponder::StatusCode status) {
    switch (int(status)) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

template <typename T>
void pushBounded(std::deque<T>& list, T value, size_t limit) {
    list.push_back(std::move(value));
    while (list.size() > limit)
        list.pop_front();
}

template <typename T>
QJsonArray toArray(const std::deque<T>& list) {
    QJsonArray array;
    for (const T& value : list)
        array.append(value);
    return array;
}

// The same time either way, so a token cannot be guessed byte by byte.
bool sameSecret(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

QByteArray pageText() {
    static const QByteArray page = [] {
        QFile file(QStringLiteral(":/korvane/http/index.html"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<!doctype html><title>Korvane</title>");
    }();
    return page;
}

}  // namespace

// Counts connections and refuses those beyond the limits before the HTTP
// layer sees them: one address that opens many never starves the others.
class EndpointServer::GuardedServer : public QTcpServer {
public:
    GuardedServer(const HttpOptions& options, std::shared_ptr<std::atomic<int>> open, QObject* parent)
        : QTcpServer(parent), options_(options), counts_(std::make_shared<ConnectionCounts>(std::move(open))) {
        // After a load the freed memory goes back to the system, not only to
        // the allocator.
        trim_.setSingleShot(true);
        trim_.setInterval(1000);
        connect(&trim_, &QTimer::timeout, this, [] {
#if defined(__GLIBC__)
            ::malloc_trim(0);
#endif
        });
    }
    // The connections go first, while what their guards report to is whole.
    ~GuardedServer() override {
        closing_ = true;
        qDeleteAll(findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly));
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (counts_->perAddress.value(socket->peerAddress()) >= options_.maxPerAddress) {
            // Refused at once: answering would hold a slot for the one
            // address that already holds too many.
            socket->abort();
            delete socket;
            return;
        }
        if (*counts_->open >= options_.maxConnections) {
            // Answered once the request is in (closing on unread bytes would
            // reset the connection and lose the answer), and gone soon either way.
            static const QByteArray busy = [] {
                const QByteArray body = QByteArrayLiteral("{\"error\":\"too many open connections\"}");
                return "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\nContent-Length: "
                       + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            }();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                if (socket->property("answered").toBool())
                    return;
                socket->setProperty("answered", true);
                socket->write(busy);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(2000, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            return;
        }
        trim_.stop();
        new ConnectionGuard(socket, options_, counts_, [this] {
            if (!closing_ && *counts_->open == 0 && peak() > kTrimAfterConnections)
                trim_.start();
        });
        peak_ = qMax(peak_, counts_->open->load());
        addPendingConnection(socket);
    }

private:
    static constexpr int kTrimAfterConnections = 16;
    int peak() {
        return std::exchange(peak_, 0);
    }
    const HttpOptions& options_;
    std::shared_ptr<ConnectionCounts> counts_;
    QTimer trim_;
    int peak_ = 0;
    bool closing_ = false;
};

EndpointServer::EndpointServer(const HttpOptions& options, std::shared_ptr<prometheus::Registry> registry)
    : options_(options), registry_(std::move(registry)) {}

EndpointServer::~EndpointServer() = default;

bool EndpointServer::listen(QString* error) {
    if (!checkExposure(options_, error))
        return false;
    server_ = new GuardedServer(options_, openConnections_, this);
    if (!server_->listen(options_.address, options_.port)) {
        *error = QStringLiteral("HTTP endpoint cannot listen on %1:%2: %3")
                     .arg(options_.address.toString())
                     .arg(options_.port)
                     .arg(server_->errorString());
        delete server_;
        server_ = nullptr;
        return false;
    }
    port_ = server_->serverPort();
    bind(server_);
    keepAlive_ = new QTimer(this);
    connect(keepAlive_, &QTimer::timeout, this, [this] { broadcast(QByteArrayLiteral(": keep-alive\n\n")); });
    keepAlive_->start(kKeepAliveMs);
    return true;
}

bool EndpointServer::authorized(const QHttpServerRequest& request) const {
    if (!hasToken(options_))
        return true;
    const QByteArray header = request.value(QByteArrayLiteral("Authorization")).trimmed();
    static const QByteArray scheme = QByteArrayLiteral("Bearer ");
    if (!header.startsWith(scheme))
        return false;
    return sameSecret(header.mid(scheme.size()).trimmed(), options_.token);
}

void EndpointServer::answer(const QHttpServerRequest& request, QTcpSocket* socket, Status status,
                          const QList<std::pair<QByteArray, QByteArray>>& headers, const QByteArray& body) {
    // HEAD gets the headers GET would, without the body; HTTP/1.0 and
    // "Connection: close" get their connection closed after the answer.
    const bool head = request.method() == QHttpServerRequest::Method::Head;
    ConnectionGuard* guard = ConnectionGuard::of(socket);
    const bool close = (guard && guard->closeAfterAnswer)
                       || request.value(QByteArrayLiteral("Connection")).trimmed().toLower() == "close";
    QByteArray out = "HTTP/1.1 " + QByteArray::number(int(status)) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto& [name, value] : headers)
        out += name + ": " + value + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (close)
        out += "Connection: close\r\n";
    out += "\r\n";
    if (!head)
        out += body;
    socket->write(out);
    if (close && guard)
        guard->closeWhenWritten();
    else if (close)
        socket->disconnectFromHost();
}

bool EndpointServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // A client that leaves its answers unread is let go before it costs
    // the monitor memory.
    if (socket->bytesToWrite() > options_.maxPendingBytes) {
        socket->abort();
        return true;
    }
    auto reply = [&](Status status, const QByteArray& type, const QByteArray& body) {
        answer(request, socket, status,
               {{"Content-Type", type}, {"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}}, body);
    };
    auto replyJson = [&](Status status, const QJsonObject& object) {
        reply(status, QByteArrayLiteral("application/json"), compact(object));
    };
    auto error = [&](Status status, const QString& text) {
        replyJson(status, QJsonObject{{QStringLiteral("error"), text}});
    };

    if (!authorized(request)) {
        answer(request, socket, Status::Unauthorized, {{"Content-Type", "application/json"}, {"WWW-Authenticate", "Bearer"}},
               compact(QJsonObject{{QStringLiteral("error"), QStringLiteral("a valid Bearer token is required")}}));
        return true;
    }
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        answer(request, socket, Status::MethodNotAllowed, {{"Content-Type", "application/json"}, {"Allow", "GET, HEAD"}},
               compact(QJsonObject{{QStringLiteral("error"), QStringLiteral("this endpoint is read-only")}}));
        return true;
    }
    const QString path = request.url().path();
    if (path == QLatin1String("/metrics")) {
        reply(Status::Ok, QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8"), metricsText());
    } else if (path == QLatin1String("/api/status")) {
        replyJson(Status::Ok, status());
    } else if (path == QLatin1String("/api/calls")) {
        answerCalls(request, socket);
    } else if (path == QLatin1String("/events") && method == QHttpServerRequest::Method::Get) {
        openStream(request, socket);
    } else if (path == QLatin1String("/events")) {
        reply(Status::Ok, QByteArrayLiteral("text/event-stream"), QByteArray());
    } else if (path == QLatin1String("/") || path == QLatin1String("/index.html")) {
        reply(Status::Ok, QByteArrayLiteral("text/html; charset=utf-8"), pageText());
    } else {
        error(Status::NotFound, QStringLiteral("no such resource: %1").arg(path));
    }
    return true;
}

void EndpointServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    answer(request, socket, Status::NotFound, {{"Content-Type", "application/json"}},
           compact(QJsonObject{{QStringLiteral("error"), QStringLiteral("not found")}}));
}

void EndpointServer::answerCalls(const QHttpServerRequest& request, QTcpSocket* socket) {
    const auto json = [&](Status status, const QJsonObject& object) {
        answer(request, socket, status, {{"Content-Type", "application/json"}, {"Cache-Control", "no-store"}},
               compact(object));
    };
    CallList* calls = calls_.load();
    if (!calls) {
        json(Status::NotFound, {{QStringLiteral("error"), QStringLiteral("no call journal is attached to this monitor; "
                                                                           "the metrics count calls since its start")}});
        return;
    }
    const QUrlQuery query = request.query();
    QDateTime since = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
    const QString sinceText = query.queryItemValue(QStringLiteral("since"), QUrl::FullyDecoded);
    if (!sinceText.isEmpty()) {
        bool isNumber = false;
        const qint64 seconds = sinceText.toLongLong(&isNumber);
        since = isNumber ? QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC) : QDateTime::fromString(sinceText, Qt::ISODate);
        if (!since.isValid()) {
            json(Status::BadRequest, {{QStringLiteral("error"),
                                       QStringLiteral("since must be an ISO 8601 time or seconds since the Unix epoch")}});
            return;
        }
    }
    int limit = kMaxCalls;
    const QString limitText = query.queryItemValue(QStringLiteral("limit"));
    if (!limitText.isEmpty()) {
        bool ok = false;
        limit = limitText.toInt(&ok);
        if (!ok || limit <= 0)
            limit = kMaxCalls;
        limit = qMin(limit, kMaxCalls);
    }
    json(Status::Ok, {{QStringLiteral("since"), since.toUTC().toString(Qt::ISODate)},
                      {QStringLiteral("calls"), calls->callsSince(since, limit)}});
}

void EndpointServer::openStream(const QHttpServerRequest& request, QTcpSocket* socket) {
    if (int(streams_.size()) >= options_.maxEventClients) {
        answer(request, socket, Status::ServiceUnavailable, {{"Content-Type", "application/json"}, {"Retry-After", "10"}},
               compact(QJsonObject{{QStringLiteral("error"), QStringLiteral("too many event-stream clients")}}));
        return;
    }
    if (auto* guard = ConnectionGuard::of(socket))
        guard->startStreaming();
    // The body runs until either side closes, so it needs no length.
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                  "X-Accel-Buffering: no\r\n\r\nretry: 3000\n\n");
    streams_.emplace_back(socket);
    streamsChanged();
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        std::erase_if(streams_, [socket](const QPointer<QTcpSocket>& s) { return !s || s == socket; });
        streamsChanged();
    }, Qt::QueuedConnection);
}

void EndpointServer::broadcast(const QByteArray& frame) {
    // Closing a socket emits its signals at once, so the list is settled
    // before any client is let go.
    std::vector<QTcpSocket*> stalled;
    std::erase_if(streams_, [&](const QPointer<QTcpSocket>& socket) {
        if (!socket || socket->state() != QAbstractSocket::ConnectedState)
            return true;
        if (socket->bytesToWrite() > options_.maxPendingBytes) {
            stalled.push_back(socket);
            return true;
        }
        socket->write(frame);
        return false;
    });
    streamsChanged();
    for (QTcpSocket* socket : stalled)
        socket->abort();
}

void EndpointServer::record(const FedEvent& fed) {
    const QJsonObject& event = fed.event.object();
    const QString name = event.value(QStringLiteral("event")).toString();
    if (name == QLatin1String("tick")) {
        lastTick_ = event;
        live_ = true;
        ++ticks_;
        QJsonArray sample{fed.msSinceEpoch};
        for (const auto& line : event.value(QStringLiteral("lines")).toArray())
            sample.append(line.toObject().value(QStringLiteral("lineUtilization")).toInt());
        pushBounded(history_, sample, kHistorySamples);
    } else if (name == QLatin1String("stale") || name == QLatin1String("closed")
               || name == QLatin1String("connecting")
               || (name == QLatin1String("connected") && !event.value(QStringLiteral("open")).toBool())) {
        live_ = false;
    } else if (name == QLatin1String("syslog")) {
        pushBounded(syslog_, event, kSyslogTail);
    } else if (name == QLatin1String("connect") || name == QLatin1String("disconnect")
               || name == QLatin1String("clid")) {
        pushBounded(lineEvents_, event, kLineEvents);
    } else if (name == QLatin1String("history")) {
        callHistory_ = event.value(QStringLiteral("calls")).toArray();
    }
}

void EndpointServer::take(const std::vector<FedEvent>& events, const MonitorFacts& facts) {
    facts_ = facts;
    // Events of one batch go out to each client in one write.
    QByteArray frames;
    for (const FedEvent& fed : events) {
        record(fed);
        if (!streams_.empty())
            frames += "data: " + compact(fed.event.object()) + "\n\n";
    }
    if (!frames.isEmpty())
        broadcast(frames);
}

QByteArray EndpointServer::metricsText() const {
    return MonitorMetrics::serialize(*registry_);
}

QJsonObject EndpointServer::status() const {
    QJsonArray totals;
    for (int n = 1; n <= 2; ++n)
        totals.append(QJsonObject{{QStringLiteral("line"), n},
                                  {QStringLiteral("calls"), facts_.calls[size_t(n - 1)]},
                                  {QStringLiteral("onlineSeconds"), facts_.onlineSeconds[size_t(n - 1)]}});
    return QJsonObject{
        {QStringLiteral("router"), options_.router},
        {QStringLiteral("live"), live_},
        {QStringLiteral("ticks"), ticks_},
        {QStringLiteral("tray"), facts_.tray},
        {QStringLiteral("lastTick"), lastTick_.value(QStringLiteral("time"))},
        {QStringLiteral("lines"), lastTick_.value(QStringLiteral("lines"))},
        {QStringLiteral("totalOutcallTime"), lastTick_.value(QStringLiteral("totalOutcallTime"))},
        {QStringLiteral("totals"), totals},
        {QStringLiteral("history"), toArray(history_)},
        {QStringLiteral("syslog"), toArray(syslog_)},
        {QStringLiteral("lineEvents"), toArray(lineEvents_)},
        {QStringLiteral("callHistory"), callHistory_},
    };
}

}  // namespace korvane::http

