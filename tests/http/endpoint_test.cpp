// The endpoint over loopback: its resources, the event stream, and the
// safety rules (token, read-only, no password, bounded requests, connections
// and streams, slow clients dropped rather than waited for).
#include "http_rig.h"

#include "korvane/http/http_endpoint.h"
#include "korvane/http/http_options.h"
#include "korvane/http/http_setup.h"
#include "korvane/http/line_totals.h"
#include "korvane/http/metrics.h"
#include "korvane/settings/settings_store.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <list>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace korvane;
using namespace korvane::http;
using namespace korvane::test;

namespace {

struct EndpointRig : MonitorRig {
    std::unique_ptr<HttpEndpoint> endpoint;
    explicit EndpointRig(HttpOptions options = {}) {
        options.address = QHostAddress::LocalHost;
        options.port = 0;
        if (options.router.isEmpty())
            options.router = QStringLiteral("office");
        endpoint = std::make_unique<HttpEndpoint>(controller.get(), console.get(), options);
        QString error;
        EXPECT_TRUE(endpoint->start(&error)) << error.toStdString();
    }
    quint16 port() const { return endpoint->port(); }
};

QJsonObject json(const QByteArray& body) {
    return QJsonDocument::fromJson(body).object();
}

// An event-stream client that keeps what it read.
struct StreamClient {
    QTcpSocket socket;
    QByteArray received;
    explicit StreamClient(quint16 port, const QByteArray& headers = {}) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket.write("GET /events HTTP/1.1\r\nHost: x\r\nAccept: text/event-stream\r\n" + headers + "\r\n");
    }
};

// A GET over a plain blocking socket, for a thread without an event loop:
// the whole answer, or what came before the server closed or 5 s passed.
QByteArray blockingGet(quint16 port, const char* path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    QByteArray in;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const QByteArray request = QByteArray("GET ") + path + " HTTP/1.0\r\nHost: x\r\n\r\n";
        if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
            char buffer[16384];
            ssize_t got;
            while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                in.append(buffer, got);
        }
    }
    ::close(fd);
    return in;
}

class FakeJournal : public CallList {
public:
    mutable QDateTime asked;
    QJsonArray callsSince(const QDateTime& since, int limit) const override {
        asked = since;
        QJsonArray calls;
        for (int i = 0; i < qMin(limit, 3); ++i)
            calls.append(QJsonObject{{QStringLiteral("line"), 1}, {QStringLiteral("number"), QStringLiteral("0301234")}});
        return calls;
    }
};

}  // namespace

TEST(HttpOptions, AddressesAndTheTokenRule) {
    QHostAddress a;
    quint16 p = 1;
    QString error;
    EXPECT_TRUE(parseHttpAddress(QStringLiteral("127.0.0.1:9108"), &a, &p, &error));
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(p, 9108);
    EXPECT_TRUE(parseHttpAddress(QStringLiteral("[::1]:80"), &a, &p, &error));
    EXPECT_EQ(a, QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_TRUE(parseHttpAddress(QStringLiteral(":9000"), &a, &p, &error));
    EXPECT_TRUE(a.isLoopback());
    EXPECT_TRUE(parseHttpAddress(QStringLiteral("localhost:9000"), &a, &p, &error));
    EXPECT_TRUE(a.isLoopback());
    for (const char* bad : {"9108", "127.0.0.1:x", "127.0.0.1:70000", "router.example:80", "300.1.1.1:80"}) {
        error.clear();
        EXPECT_FALSE(parseHttpAddress(QString::fromLatin1(bad), &a, &p, &error)) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }

    HttpOptions options;
    options.address = QHostAddress(QStringLiteral("0.0.0.0"));
    EXPECT_FALSE(checkExposure(options, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("HTTP Token")));
    options.token = "t0ken";
    EXPECT_TRUE(checkExposure(options, &error));

    // A non-loopback endpoint without a token never listens.
    MonitorRig rig;
    HttpOptions open;
    open.address = QHostAddress::AnyIPv4;
    HttpEndpoint endpoint(rig.controller.get(), nullptr, open);
    EXPECT_FALSE(endpoint.start(&error));
    EXPECT_EQ(endpoint.port(), 0);

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("token")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("  abc123  \nsecond line\n");
    file.close();
    QByteArray token;
    EXPECT_TRUE(readTokenFile(file.fileName(), &token, &error));
    EXPECT_EQ(token, "abc123");
    EXPECT_FALSE(readTokenFile(dir.filePath(QStringLiteral("missing")), &token, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing")));
}

TEST(HttpSetup, OffByDefaultCommandLineOverSettingsTokenFileOverToken) {
    QTemporaryDir dir;
    SettingsStore store(dir.path());
    const QString section = QString::fromLatin1(settings::kSection);
    HttpOptions options;
    bool enabled = true;
    QString error;
    ASSERT_TRUE(resolveHttpOptions({}, store, QStringLiteral("10.0.0.9"), &options, &enabled, &error));
    EXPECT_FALSE(enabled);

    store.writeString(section, QString::fromLatin1(kHttpAddressKey), QStringLiteral("127.0.0.1:9200"));
    store.writeString(section, QString::fromLatin1(kHttpTokenKey), QStringLiteral("from-settings"));
    ASSERT_TRUE(resolveHttpOptions({}, store, QStringLiteral("10.0.0.9"), &options, &enabled, &error));
    EXPECT_TRUE(enabled);
    EXPECT_EQ(options.port, 9200);
    EXPECT_EQ(options.token, "from-settings");
    EXPECT_EQ(options.router, QStringLiteral("10.0.0.9"));

    QFile file(dir.filePath(QStringLiteral("token")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("from-file\n");
    file.close();
    options = {};
    ASSERT_TRUE(resolveHttpOptions({QStringLiteral("0.0.0.0:9300"), file.fileName(), QStringLiteral("north")}, store,
                                   QStringLiteral("10.0.0.9"), &options, &enabled, &error))
        << error.toStdString();
    EXPECT_EQ(options.port, 9300);
    EXPECT_EQ(options.token, "from-file");
    EXPECT_EQ(options.router, QStringLiteral("north"));

    // Without any token, only loopback is allowed.
    store.remove(section, QString::fromLatin1(kHttpTokenKey));
    options = {};
    EXPECT_FALSE(resolveHttpOptions({QStringLiteral("0.0.0.0:9300"), {}, {}}, store, {}, &options, &enabled, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("loopback")));
    EXPECT_FALSE(resolveHttpOptions({QStringLiteral("nonsense"), {}, {}}, store, {}, &options, &enabled, &error));
}

TEST(HttpEndpoint, StatusMetricsPageAndNoPasswordAnywhere) {
    EndpointRig rig;
    rig.setLine(1, 42, 100, 200);
    rig.tick();
    rig.syslog(QStringLiteral("call up"));

    const Reply status = get(rig.port(), "/api/status");
    ASSERT_EQ(status.status, 200);
    EXPECT_TRUE(status.head.toLower().contains("content-type: application/json"));
    const QJsonObject s = json(status.body);
    EXPECT_EQ(s[QStringLiteral("router")].toString(), QStringLiteral("office"));
    EXPECT_TRUE(s[QStringLiteral("live")].toBool());
    EXPECT_EQ(s[QStringLiteral("ticks")].toInt(), 1);
    EXPECT_EQ(s[QStringLiteral("tray")].toInt(), rig.controller->trayIconIndex());
    const QJsonObject line1 = s[QStringLiteral("lines")].toArray()[0].toObject();
    EXPECT_EQ(line1[QStringLiteral("lineUtilization")].toInt(), 42);
    EXPECT_EQ(line1[QStringLiteral("packetsSent")].toInt(), 100);
    EXPECT_TRUE(line1[QStringLiteral("up")].toBool());
    EXPECT_EQ(s[QStringLiteral("totals")].toArray()[0].toObject()[QStringLiteral("calls")].toInt(), 1);
    EXPECT_EQ(s[QStringLiteral("history")].toArray().size(), 1);
    EXPECT_EQ(s[QStringLiteral("syslog")].toArray().size(), 1);

    const Reply metrics = get(rig.port(), "/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_TRUE(metrics.head.contains("text/plain; version=0.0.4"));
    EXPECT_TRUE(metrics.body.contains("korvane_line_utilization_percent{"));
    EXPECT_TRUE(metrics.body.contains("korvane_syslog_messages_total{router=\"office\"} 1"));

    const Reply page = get(rig.port(), "/");
    ASSERT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("EventSource"));
    // Self-contained: nothing is fetched from elsewhere.
    EXPECT_FALSE(page.body.contains("http://"));
    EXPECT_FALSE(page.body.contains("https://"));

    for (const Reply& r : {status, metrics, page})
        EXPECT_FALSE(r.body.contains("s3cret-Pa55"));

    const Reply missing = get(rig.port(), "/nothing");
    EXPECT_EQ(missing.status, 404);
    EXPECT_TRUE(json(missing.body)[QStringLiteral("error")].toString().contains(QStringLiteral("/nothing")));
}

TEST(HttpEndpoint, CallsAnswer404UntilAJournalIsAttached) {
    EndpointRig rig;
    Reply r = get(rig.port(), "/api/calls?since=2026-01-01T00:00:00Z");
    EXPECT_EQ(r.status, 404);
    EXPECT_TRUE(json(r.body)[QStringLiteral("error")].toString().contains(QStringLiteral("journal")));

    FakeJournal journal;
    rig.endpoint->setCallList(&journal);
    r = get(rig.port(), "/api/calls?since=2026-01-01T00:00:00Z&limit=2");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(json(r.body)[QStringLiteral("calls")].toArray().size(), 2);
    EXPECT_EQ(journal.asked, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    r = get(rig.port(), "/api/calls?since=1767225600");
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(journal.asked.toSecsSinceEpoch(), 1767225600);
    r = get(rig.port(), "/api/calls?since=yesterday");
    EXPECT_EQ(r.status, 400);
}

TEST(HttpEndpoint, EventsStreamTheConsoleEvents) {
    EndpointRig rig;
    StreamClient client(rig.port());
    ASSERT_TRUE(waitFor([&] { return client.received.contains("retry:"); }));
    EXPECT_TRUE(client.received.startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(client.received.contains("Content-Type: text/event-stream"));
    ASSERT_TRUE(waitFor([&] { return rig.endpoint->eventClients() == 1; }));
    rig.setLine(2, 17, 5, 6);
    rig.tick();
    ASSERT_TRUE(waitFor([&] { return client.received.contains("\"event\":\"tick\""); }));
    ASSERT_TRUE(waitFor([&] { return client.received.contains("\"event\":\"connect\""); }));
    EXPECT_TRUE(client.received.contains("\"lineUtilization\":17"));
    EXPECT_FALSE(client.received.contains("s3cret-Pa55"));
    client.socket.abort();
    EXPECT_TRUE(waitFor([&] { return rig.endpoint->eventClients() == 0; }));
}

TEST(HttpEndpoint, EventsTakenInAfterTheTickKeepTheirOwnValuesAndOrder) {
    // The endpoint takes in the monitor's events (and has their JSON built)
    // after the tick. Each tick still shows what the router showed then, an
    // answer asked for in between includes every event, and the stream gets
    // each event once, in order.
    EndpointRig rig;
    StreamClient client(rig.port());
    ASSERT_TRUE(waitFor([&] { return rig.endpoint->eventClients() == 1; }));
    rig.setLine(1, 42, 100, 200);
    rig.tick();
    rig.setLine(1, 43, 150, 260);
    rig.tick();
    rig.syslog(QStringLiteral("call up"));
    rig.console->emitEvent(QStringLiteral("stale"), {}, {});

    const QJsonObject s = rig.endpoint->status();
    EXPECT_EQ(s[QStringLiteral("ticks")].toInt(), 2);
    EXPECT_FALSE(s[QStringLiteral("live")].toBool());
    const QJsonArray history = s[QStringLiteral("history")].toArray();
    ASSERT_EQ(history.size(), 2);
    EXPECT_EQ(history.at(0).toArray().at(1).toInt(), 42);
    EXPECT_EQ(history.at(1).toArray().at(1).toInt(), 43);
    EXPECT_EQ(s[QStringLiteral("syslog")].toArray().size(), 1);
    EXPECT_EQ(s[QStringLiteral("lines")].toArray().at(0).toObject()[QStringLiteral("packetsSent")].toInt(), 150);
    EXPECT_TRUE(rig.endpoint->metrics().exposition().contains("korvane_syslog_messages_total{router=\"office\"} 1"));

    ASSERT_TRUE(waitFor([&] { return client.received.contains("\"event\":\"stale\""); }));
    QStringList events;
    QList<int> sent;
    for (const QByteArray& frame : client.received.split('\n')) {
        if (!frame.startsWith("data: "))
            continue;
        const QJsonObject event = json(frame.mid(6));
        events.append(event[QStringLiteral("event")].toString());
        const QJsonObject line1 = event[QStringLiteral("lines")].toArray().at(0).toObject();
        if (events.back() == QLatin1String("tick"))
            sent.append(line1[QStringLiteral("packetsSent")].toInt());
    }
    EXPECT_EQ(events, (QStringList{QStringLiteral("connect"), QStringLiteral("call"), QStringLiteral("tick"),
                                   QStringLiteral("tick"), QStringLiteral("syslog"), QStringLiteral("stale")}));
    EXPECT_EQ(sent, (QList<int>{100, 150}));
}

TEST(HttpEndpoint, ABusyMonitorDelaysNoAnswer) {
    // The server answers on its own thread from what the monitor handed it:
    // while the monitor's thread is busy, scrapes, the status and the calls
    // are answered at once, with what was known before.
    EndpointRig rig;
    FakeJournal journal;
    rig.endpoint->setCallList(&journal);
    rig.setLine(1, 42, 100, 200);
    rig.tick();
    ASSERT_EQ(rig.endpoint->status()[QStringLiteral("ticks")].toInt(), 1);

    std::atomic<bool> busy{true};
    std::vector<qint64> answerMs;
    std::vector<QByteArray> bodies;
    std::thread client([&] {
        for (const char* path : {"/metrics", "/api/status", "/api/calls?limit=1", "/"}) {
            QElapsedTimer t;
            t.start();
            bodies.push_back(blockingGet(rig.port(), path));
            answerMs.push_back(t.elapsed());
        }
        busy = false;
    });
    // The monitor's thread does something long and runs no event loop.
    QElapsedTimer spin;
    spin.start();
    while (busy && spin.elapsed() < 10000) {
    }
    client.join();
    ASSERT_EQ(bodies.size(), 4u);
    for (size_t i = 0; i < answerMs.size(); ++i)
        EXPECT_LT(answerMs[i], 2000) << "answer " << i;
    EXPECT_TRUE(bodies[0].contains("korvane_status_ticks_total{router=\"office\"} 1"));
    EXPECT_TRUE(bodies[1].contains("\"ticks\":1"));
    EXPECT_TRUE(bodies[2].contains("0301234"));
    EXPECT_TRUE(bodies[3].contains("<html") || bodies[3].contains("<!doctype"));
}

TEST(HttpEndpointSafety, ATokenIsRequiredAsABearerHeader) {
    HttpOptions options;
    options.token = "k0rvane-token";
    EndpointRig rig(options);
    EXPECT_EQ(get(rig.port(), "/metrics").status, 401);
    EXPECT_TRUE(get(rig.port(), "/metrics").head.contains("WWW-Authenticate: Bearer"));
    EXPECT_EQ(get(rig.port(), "/metrics", "Authorization: Bearer wrong-token-x\r\n").status, 401);
    EXPECT_EQ(get(rig.port(), "/metrics", "Authorization: Basic k0rvane-token\r\n").status, 401);
    EXPECT_EQ(get(rig.port(), "/metrics?token=k0rvane-token").status, 401);
    EXPECT_EQ(get(rig.port(), "/metrics", "Authorization: Bearer k0rvane-token\r\n").status, 200);
    EXPECT_EQ(get(rig.port(), "/", "Authorization: Bearer k0rvane-token\r\n").status, 200);
    StreamClient stranger(rig.port());
    ASSERT_TRUE(waitFor([&] { return stranger.received.contains("\r\n\r\n"); }));
    EXPECT_TRUE(stranger.received.startsWith("HTTP/1.1 401"));
    EXPECT_EQ(rig.endpoint->eventClients(), 0);
}

TEST(HttpEndpointSafety, ReadOnly) {
    EndpointRig rig;
    for (const char* method : {"POST", "PUT", "DELETE", "PATCH"}) {
        const Reply r = request(rig.port(), method, "/api/status", {}, "{\"command\":\"ResetCounters\"}");
        EXPECT_EQ(r.status, 405) << method;
        EXPECT_TRUE(r.head.contains("Allow: GET, HEAD")) << method;
    }
    // Nothing reached the router.
    for (const QString& entry : rig.log.entries)
        EXPECT_FALSE(entry.startsWith(QStringLiteral("keys"))) << entry.toStdString();
}

TEST(HttpEndpointSafety, OversizedAndSlowRequestsAreCutOff) {
    HttpOptions options;
    options.maxRequestBytes = 4096;
    options.requestTimeoutMs = 300;
    options.idleTimeoutMs = 600;
    EndpointRig rig(options);

    const Reply big = get(rig.port(), "/metrics", "X-Filler: " + QByteArray(20000, 'a') + "\r\n");
    EXPECT_EQ(big.status, 0);

    // Headers that never end: closed after the request time.
    QTcpSocket slow;
    slow.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
    ASSERT_TRUE(waitFor([&] { return slow.state() == QAbstractSocket::ConnectedState; }));
    slow.write("GET /metrics HTTP/1.1\r\nHost: x\r\n");
    EXPECT_TRUE(waitFor([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 3000));

    // A connection that never asks anything: closed after the idle time.
    QTcpSocket idle;
    idle.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
    ASSERT_TRUE(waitFor([&] { return idle.state() == QAbstractSocket::ConnectedState; }));
    EXPECT_TRUE(waitFor([&] { return idle.state() == QAbstractSocket::UnconnectedState; }, 3000));

    // The endpoint still answers.
    EXPECT_EQ(get(rig.port(), "/metrics").status, 200);
    EXPECT_TRUE(waitFor([&] { return rig.endpoint->openConnections() == 0; }));
}

TEST(HttpEndpointSafety, ConnectionsAndEventClientsAreBounded) {
    HttpOptions options;
    options.maxConnections = 4;
    options.maxEventClients = 2;
    EndpointRig rig(options);
    std::list<StreamClient> clients;
    for (int i = 0; i < 3; ++i)
        clients.emplace_back(rig.port());
    ASSERT_TRUE(waitFor([&] {
        int answered = 0;
        for (auto& c : clients)
            answered += c.received.contains("\r\n\r\n") ? 1 : 0;
        return answered == 3;
    }));
    EXPECT_EQ(rig.endpoint->eventClients(), 2);
    EXPECT_TRUE(clients.back().received.startsWith("HTTP/1.1 503"));
    // Two streams and one more open connection reach the limit of four.
    QTcpSocket held;
    held.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
    ASSERT_TRUE(waitFor([&] { return rig.endpoint->openConnections() == 4; }));
    const Reply refused = get(rig.port(), "/metrics");
    EXPECT_EQ(refused.status, 503);
    held.abort();
    clients.clear();
    EXPECT_TRUE(waitFor([&] { return rig.endpoint->openConnections() == 0; }));
    EXPECT_EQ(get(rig.port(), "/metrics").status, 200);
}

TEST(HttpEndpointSafety, AStalledStreamClientIsDroppedWithoutHoldingTheMonitor) {
    HttpOptions options;
    options.maxPendingBytes = 64 * 1024;
    EndpointRig rig(options);
    // One client reads, one never does.
    StreamClient reader(rig.port());
    QTcpSocket stalled;
    stalled.setReadBufferSize(1);  // Qt stops reading from the kernel at once
    stalled.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
    stalled.write("GET /events HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_TRUE(waitFor([&] { return rig.endpoint->eventClients() == 2; }));

    const QString payload(60000, QLatin1Char('x'));
    QElapsedTimer timer;
    timer.start();
    qint64 slowest = 0;
    for (int i = 0; i < 600 && rig.endpoint->eventClients() == 2; ++i) {
        // The event and its fan-out to both clients, which follows the event.
        QElapsedTimer one;
        one.start();
        rig.console->emitEvent(QStringLiteral("syslog"), {{QStringLiteral("line"), payload}}, {});
        QCoreApplication::processEvents();
        slowest = qMax(slowest, one.nsecsElapsed());
        // The reader keeps up: it reads each event before the next; its
        // bytes are not needed.
        waitFor([&] { return reader.received.size() >= payload.size(); });
        reader.received.clear();
    }
    EXPECT_EQ(rig.endpoint->eventClients(), 1);
    EXPECT_LT(slowest, 1'000'000'000) << "one event took " << slowest << " ns";
    EXPECT_LT(timer.elapsed(), 20000);
    // The reader still gets events.
    rig.tick();
    EXPECT_TRUE(waitFor([&] { return reader.received.contains("\"event\":\"tick\""); }));
}

namespace {

// One request with the HTTP version given, on a fresh connection: the
// answer's head, its body, and whether the server closed the connection
// within a second of answering.
struct VersionedReply {
    QByteArray head;
    QByteArray body;
    bool closed = false;
};
VersionedReply ask(quint16 port, const QByteArray& requestText) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!waitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000))
        return {};
    socket.write(requestText);
    QByteArray in;
    waitFor([&] {
        in += socket.readAll();
        return in.contains("\r\n\r\n");
    }, 3000);
    VersionedReply reply;
    waitFor([&] {
        in += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }, 1000);
    in += socket.readAll();
    reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
    const qsizetype end = in.indexOf("\r\n\r\n");
    reply.head = in.left(end);
    reply.body = end < 0 ? QByteArray() : in.mid(end + 4);
    return reply;
}

}  // namespace

TEST(HttpEndpointSafety, HeadHasNoBodyAndOldOrClosingRequestsAreClosedAfterTheAnswer) {
    EndpointRig rig;
    const VersionedReply head = ask(rig.port(), "HEAD /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(head.head.startsWith("HTTP/1.1 200")) << head.head.constData();
    // The length GET would answer with, and nothing after the head.
    const Reply got = get(rig.port(), "/metrics");
    ASSERT_EQ(got.status, 200);
    EXPECT_TRUE(head.head.contains("Content-Length: ")) << head.head.constData();
    EXPECT_TRUE(head.body.isEmpty()) << head.body.size() << " bytes of body";
    EXPECT_FALSE(head.closed);

    const VersionedReply old = ask(rig.port(), "GET /api/status HTTP/1.0\r\n\r\n");
    EXPECT_EQ(json(old.body).value(QStringLiteral("router")).toString(), QStringLiteral("office"));
    EXPECT_TRUE(old.closed);
    const VersionedReply closing = ask(rig.port(), "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(closing.head.contains("Connection: close"));
    EXPECT_TRUE(closing.body.contains("korvane_status_ticks_total"));
    EXPECT_TRUE(closing.closed);
    // A kept connection stays open.
    const VersionedReply kept = ask(rig.port(), "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_FALSE(kept.closed);
}

TEST(HttpEndpointSafety, ATokenOfBlanksIsNoToken) {
    HttpOptions options;
    options.address = QHostAddress::AnyIPv4;
    QString error;
    for (const QByteArray& blanks : {QByteArray("   "), QByteArray("\t \t"), QByteArray("\xc2\xa0\xc2\xa0")}) {
        options.token = blanks;
        EXPECT_FALSE(checkExposure(options, &error)) << blanks.toHex().constData();
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("token"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("\xc2\xa0 \xc2\xa0\nsecond line\n");
    out.close();
    QByteArray token;
    EXPECT_FALSE(readTokenFile(file, &token, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("holds no token")));
}

// A thousand clients from 127.0.0.1 that trickle their headers hold at most
// their own address's share; requests from 127.0.0.2 are all answered, and
// the trickling ones are let go within the request time.
TEST(HttpEndpointSafety, SlowClientsFromOneAddressNeverStarveAnother) {
    HttpOptions options;
    options.requestTimeoutMs = 3000;
    EndpointRig rig(options);
    std::list<QTcpSocket> slow;
    for (int i = 0; i < 1000; ++i) {
        QTcpSocket& s = slow.emplace_back();
        s.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
    }
    waitFor([&] { return false; }, 300);
    for (QTcpSocket& s : slow)
        s.write("G");
    EXPECT_LE(rig.endpoint->openConnections(), options.maxPerAddress);

    int answered = 0;
    for (int i = 0; i < 20; ++i) {
        QTcpSocket other;
        other.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
        other.connectToHost(QStringLiteral("127.0.0.1"), rig.port());
        ASSERT_TRUE(waitFor([&] { return other.state() == QAbstractSocket::ConnectedState; }, 2000));
        other.write("GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        QByteArray in;
        waitFor([&] {
            in += other.readAll();
            return in.contains("korvane_status_ticks_total");
        }, 2000);
        answered += in.startsWith("HTTP/1.1 200") ? 1 : 0;
        for (QTcpSocket& s : slow)
            if (s.state() == QAbstractSocket::ConnectedState)
                s.write("E");
    }
    EXPECT_EQ(answered, 20);
    // The trickling clients are gone within the request time.
    EXPECT_TRUE(waitFor([&] { return rig.endpoint->openConnections() == 0; }, 6000));
}
