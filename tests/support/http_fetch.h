#pragma once
// One GET over loopback, timed, for tests and benches that poll a monitor's
// HTTP endpoint from outside it: a blocking QTcpSocket, so the caller's own
// event loop does not run while it waits.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace korvane::test {

// Milliseconds until the whole answer to GET path came (-1: none within 2 s,
// or not 200 OK); the body goes to bodyOut when given.
inline qint64 fetchMs(quint16 port, const char* path, QByteArray* bodyOut = nullptr) {
    QElapsedTimer clock;
    clock.start();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000))
        return -1;
    socket.write(QByteArray("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray data;
    qsizetype headerEnd = -1;
    qsizetype length = -1;
    while (clock.elapsed() < 2000) {
        if (!socket.waitForReadyRead(int(2000 - clock.elapsed())))
            break;
        data += socket.readAll();
        if (headerEnd < 0 && (headerEnd = data.indexOf("\r\n\r\n")) >= 0) {
            const QByteArray lower = data.left(headerEnd).toLower();
            const qsizetype at = lower.indexOf("content-length:");
            length = at < 0 ? 0 : lower.mid(at + 15, lower.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        }
        if (headerEnd >= 0 && data.size() - headerEnd - 4 >= length) {
            if (bodyOut)
                *bodyOut = data.mid(headerEnd + 4);
            return data.startsWith("HTTP/1.1 200") ? clock.elapsed() : -1;
        }
    }
    return -1;
}

// The value of the first series of a metric in a Prometheus text (-1: none).
inline double metricValue(const QByteArray& metrics, const QByteArray& name) {
    for (const QByteArray& line : metrics.split('\n'))
        if (line.startsWith(name + ' ') || line.startsWith(name + '{'))
            return line.mid(line.lastIndexOf(' ') + 1).toDouble();
    return -1;
}

}  // namespace korvane::test
