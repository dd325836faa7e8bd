#pragma once
// The endpoint's tests drive a controller with status screens painted by the
// router simulator's painter (no network to a router) and talk to the
// endpoint over loopback with a plain socket, so every byte is under the
// test's control.

#include "../controller/recorders.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/events/monitor_events.h"
#include "korvane/monitor/controller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <functional>
#include <memory>

namespace korvane::test {

inline bool waitFor(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

struct MonitorRig {
    Log log;
    FakeSettings settings;
    FakeTerminal* terminal = nullptr;
    std::unique_ptr<CMonitorController> controller;
    std::unique_ptr<MonitorEvents> console;
    prestige::RouterState router;

    MonitorRig() {
        settings.pass = QStringLiteral("s3cret-Pa55");
        auto t = std::make_unique<FakeTerminal>(&log);
        terminal = t.get();
        controller = std::make_unique<CMonitorController>(&settings, nullptr, std::move(t));
        console = std::make_unique<MonitorEvents>(controller.get(), nullptr, true);
        controller->setMessageBoxes(console.get());
    }
    // A syslog message as the console's receiver hands it on: to the
    // controller (scripts, metrics, the call tracker) and out as an event line.
    void syslog(const QString& line) {
        controller->OnSyslogMessage(line);
        console->emitEvent(QStringLiteral("syslog"), {{QStringLiteral("line"), line}}, {});
    }
    void tick() {
        const prestige::Canvas canvas = prestige::paintStatusScreen(router, {});
        terminal->paint(QString::fromLatin1(canvas.text()), canvas.cursorRow(), canvas.cursorColumn());
    }
    // Line n carries a data call at this utilisation with these counters.
    void setLine(int n, int utilization, qint64 sent, qint64 received, qint64 errors = 0) {
        prestige::LineState s = router.line(n);
        s.channel = n;
        s.link = QStringLiteral("Office");
        s.type = 64;
        s.utilization = utilization;
        s.averageUtilization = utilization;
        s.peerIp = QStringLiteral("10.0.0.1");
        s.packetsSent = sent;
        s.packetsReceived = received;
        s.errors = errors;
        router.setLine(n, s);
    }
    void idleLine(int n) { router.setLine(n, prestige::LineState{}); }
};

struct Reply {
    int status = 0;  // 0: no answer (connection closed first)
    QByteArray head;
    QByteArray body;
};

// One request on a fresh connection, read until the body is complete or the
// server closes.
inline Reply request(quint16 port, const QByteArray& method, const QByteArray& path,
                     const QByteArray& extraHeaders = {}, const QByteArray& body = {}) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!waitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000))
        return {};
    QByteArray out = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders;
    if (!body.isEmpty())
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "\r\n" + body;
    socket.write(out);
    QByteArray in;
    Reply reply;
    auto complete = [&] {
        in += socket.readAll();
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (end < 0)
            return socket.state() != QAbstractSocket::ConnectedState;
        const QByteArray head = in.left(end);
        const qsizetype at = head.toLower().indexOf("content-length:");
        if (at < 0)
            return socket.state() != QAbstractSocket::ConnectedState;
        const qsizetype eol = head.indexOf("\r\n", at);
        const qint64 length = head.mid(at + 15, eol < 0 ? -1 : eol - at - 15).trimmed().toLongLong();
        return in.size() - end - 4 >= length || socket.state() != QAbstractSocket::ConnectedState;
    };
    waitFor(complete, 3000);
    const qsizetype end = in.indexOf("\r\n\r\n");
    if (end < 0)
        return reply;
    reply.head = in.left(end);
    reply.body = in.mid(end + 4);
    const QList<QByteArray> first = reply.head.split('\r').value(0).split(' ');
    reply.status = first.value(1).toInt();
    return reply;
}

inline Reply get(quint16 port, const QByteArray& path, const QByteArray& headers = {}) {
    return request(port, "GET", path, headers);
}

}  // namespace korvane::test
