#pragma once
// The router's side of a capture played back to a monitor: each connection
// the monitor opens gets the next connection of the capture. What the router
// sent is sent again at its recorded pace, but what followed a key only after
// that key has come. Keys are matched by their shape, not byte for byte: the
// number of Enters, then the keys after the last Enter. So a monitor with
// another password (of another length) replays the same capture.

#include "components/prestige/capture.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpServer;
class QTcpSocket;

namespace prestige {

class Replay : public QObject {
    Q_OBJECT
public:
    explicit Replay(QList<CaptureEntry> entries, QObject* parent = nullptr);
    ~Replay() override;

    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const;
    QString errorString() const { return error_; }

    // Connections in the capture, and how many have been played (fully).
    int connections() const { return int(segments_.size()); }
    int connectionsPlayed() const { return played_; }

signals:
    void connectionStarted(int index);
    // The capture's connection has nothing more to send: index counts from 0.
    void connectionPlayed(int index);
    // The monitor opened a connection the capture does not have.
    void connectionRefused();
    // A key the capture waits for has come.
    void keysMatched(int sourceLine);

private:
    struct Segment {
        QList<CaptureEntry> entries;
        bool monitorClosed = false; // else the router ended it (or the capture stops)
        bool last = false;
    };

    void accept();
    void advance();
    void readKeys();
    // Whether the keys read so far complete the entry's shape; consumes them.
    bool consumeKeys(const CaptureEntry& expected);
    void endConnection();

    QList<Segment> segments_;
    QTcpServer* server_ = nullptr;
    QPointer<QTcpSocket> socket_;
    int segment_ = -1;
    qsizetype next_ = 0;
    double lastSeconds_ = 0;
    QTimer pace_;
    QByteArray keys_;  // typed, not yet matched
    bool afterCr_ = false;
    int played_ = 0;
    QString error_;
};

} // namespace prestige
