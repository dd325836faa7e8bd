#pragma once
// The router's side of syslog: each call event becomes one UDP datagram in the
// BSD form, "<PRI>Mmm dd hh:mm:ss HOSTNAME MESSAGE".

#include "components/prestige/router_state.h"

#include <QByteArray>
#include <QDateTime>
#include <QHostAddress>
#include <QString>
#include <QUdpSocket>

#include <functional>
#include <optional>

namespace prestige {

struct SyslogTarget {
    QHostAddress address;
    quint16 port = 514;
};

class SyslogSender {
public:
    // local0.info
    static constexpr int kPriority = 16 * 8 + 6;

    // "host:port", "host" (port 514) or "[v6-address]:port". Names are
    // resolved here, once.
    static std::optional<SyslogTarget> parseTarget(const QString& text, QString* error);
    // The call record as the router words it, e.g.
    // "line 1 channel 1, call 41, C01, Incoming Call, 40001".
    static QString callRecord(const CallEvent& event);
    static QByteArray formatMessage(int priority, const QDateTime& time, const QString& hostName,
                                    const QString& message);

    explicit SyslogSender(SyslogTarget target, QString hostName = QStringLiteral("192.168.1.1"));

    // Returns false when the datagram could not be handed to the network.
    bool send(const CallEvent& event);
    bool sendText(const QString& message);
    QString errorString() const { return socket_.errorString(); }

    // Tests pin the time stamp.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

private:
    SyslogTarget target_;
    QString hostName_;
    QUdpSocket socket_;
};

} // namespace prestige
