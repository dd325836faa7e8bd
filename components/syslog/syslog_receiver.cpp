#include "components/syslog/syslog_receiver.h"

#include "components/syslog/syslog_format.h"
#include "automation/socket_errors.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace syslog {

CSyslogMessageObject::CSyslogMessageObject(QDateTime time, QString sender, QString text, QObject* parent)
    : QObject(parent), time_(std::move(time)), sender_(std::move(sender)), text_(std::move(text))
{
}

int socketErrorCode(int qtSocketError)
{
    switch (QAbstractSocket::SocketError(qtSocketError)) {
    case QAbstractSocket::SocketAccessError: return 10013;          // WSAEACCES
    case QAbstractSocket::AddressInUseError: return 10048;          // WSAEADDRINUSE
    case QAbstractSocket::SocketAddressNotAvailableError: return 10049;
    case QAbstractSocket::SocketResourceError: return 10055;        // WSAENOBUFS
    case QAbstractSocket::DatagramTooLargeError: return 10040;      // WSAEMSGSIZE
    case QAbstractSocket::NetworkError: return 10050;               // WSAENETDOWN
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10022;                                          // WSAEINVAL
    }
}

CSyslogReceiver::CSyslogReceiver(QObject* parent) : QObject(parent) {}

CSyslogReceiver::~CSyslogReceiver() = default;

void CSyslogReceiver::setRouterAddress(const QString& address)
{
    routerAddress_ = address;
    // The host part of "host:port"; a bare IPv6 address has more than one colon.
    QString host = address.trimmed();
    if (host.count(QLatin1Char(':')) == 1)
        host = host.section(QLatin1Char(':'), 0, 0);
    router_ = QHostAddress(host);
    ++lookups_;
    if (router_.isNull() && !host.isEmpty()) {
        // A name is looked up on another thread; until the answer comes no
        // sender is the router.
        const quint64 lookup = lookups_;
        QHostInfo::lookupHost(host, this, [this, lookup](const QHostInfo& info) {
            if (lookup != lookups_)
                return;  // the address changed meanwhile
            for (const QHostAddress& a : info.addresses()) {
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    router_ = a;
                    break;
                }
            }
        });
    }
}

void CSyslogReceiver::setPort(int port) { port_ = qBound(0, port, 65535); }

bool CSyslogReceiver::isListening() const { return socket_ && socket_->state() == QAbstractSocket::BoundState; }

int CSyslogReceiver::boundPort() const { return isListening() ? socket_->localPort() : 0; }

bool CSyslogReceiver::StartListening()
{
    StopListening();
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(QHostAddress::AnyIPv4, quint16(port_))) {
        const int code = socketErrorCode(socket_->error());
        delete socket_;
        socket_ = nullptr;
        reportError(QStringLiteral("StartListening"), code);
        return false;
    }
    // Room for a burst while the user interface is busy: the kernel's
    // default buffer holds only a few hundred datagrams.
    socket_->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBuffer);
    connect(socket_, &QUdpSocket::readyRead, this, &CSyslogReceiver::readPending);
    return true;
}

bool CSyslogReceiver::StopListening()
{
    if (!socket_)
        return false;
    socket_->close();
    socket_->deleteLater();
    socket_ = nullptr;
    return true;
}

bool CSyslogReceiver::accepts(const QHostAddress& sender) const
{
    if (router_.isNull())
        return false;
    bool ok = false;
    const quint32 v4 = sender.toIPv4Address(&ok);
    if (ok && router_.protocol() == QAbstractSocket::IPv4Protocol)
        return v4 == router_.toIPv4Address();
    return sender.isEqual(router_, QHostAddress::TolerantConversion);
}

void CSyslogReceiver::readPending()
{
    QPointer<CSyslogReceiver> self(this);
    for (int n = 0; n < kBatch; ++n) {
        if (!socket_ || !socket_->hasPendingDatagrams())
            return;
        const QNetworkDatagram datagram = socket_->receiveDatagram(kMaxDatagram);
        if (!datagram.isValid())
            continue;
        if (!accepts(datagram.senderAddress()))
            continue;
        bool ok = false;
        const quint32 v4 = datagram.senderAddress().toIPv4Address(&ok);
        const QString sender = ok ? QHostAddress(v4).toString() : datagram.senderAddress().toString();
        const SyslogMessage parsed = parseDatagram(datagram.data(), sender, QDateTime::currentDateTime());
        CSyslogMessageObject message(parsed.time, sender, parsed.text);
        Q_EMIT OnMessage(&message);
        if (!self)
            return;  // a handler destroyed the receiver
    }
    // More may be waiting: the socket stays readable, so the next turn of
    // the loop, after the other events, brings the next batch. A read of our
    // own in between could drain the socket just before Qt's queued
    // notification, and Qt stops notifying after a readyRead nobody read.
}

void CSyslogReceiver::reportError(const QString& method, int code)
{
    Q_EMIT OnError(method, code, automation::socketErrorText(code));
}

}  // namespace syslog
