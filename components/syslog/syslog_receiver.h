#pragma once
// The syslog receiver: listens for UDP syslog datagrams from the router and
// hands each out as a message object, through the automation layer.
//
// Dispatch interface: 1 RouterAddress (put before listening starts; a
// "host:port" address counts by its host part), 2 Port (our addition: the UDP
// port, 514 unless set), 8 StartListening(), 9 StopListening().
// Events: 1 OnMessage(message object: 1 Time as a date, 3 Text),
//         2 OnError(method, error number, error text).

#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QPointer>

class QUdpSocket;

namespace syslog {

// One received message, valid while the OnMessage handlers run.
class CSyslogMessageObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "ISyslogMessage")
    Q_CLASSINFO("DefaultMember", "Text")
    Q_PROPERTY(QDateTime Time READ time)
    Q_PROPERTY(QString Sender READ sender)
    Q_PROPERTY(QString Text READ text)
public:
    CSyslogMessageObject(QDateTime time, QString sender, QString text, QObject* parent = nullptr);
    QDateTime time() const { return time_; }
    QString sender() const { return sender_; }
    QString text() const { return text_; }

private:
    QDateTime time_;
    QString sender_;
    QString text_;
};

class CSyslogReceiver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "ISyslogReceiver")
    Q_CLASSINFO("DispId.StartListening", "8")
    Q_PROPERTY(QString RouterAddress READ routerAddress WRITE setRouterAddress)
    Q_PROPERTY(int Port READ port WRITE setPort)
    Q_PROPERTY(bool IsListening READ isListening)
public:
    static constexpr int kDefaultPort = 514;
    // At most this many datagrams are taken per turn of the event loop, so a
    // flood cannot keep the user interface from running.
    static constexpr int kBatch = 64;
    // The socket's receive buffer asked for, in bytes.
    static constexpr int kReceiveBuffer = 4 * 1024 * 1024;

    explicit CSyslogReceiver(QObject* parent = nullptr);
    ~CSyslogReceiver() override;

    QString routerAddress() const { return routerAddress_; }
    void setRouterAddress(const QString& address);
    int port() const { return port_; }
    void setPort(int port);
    bool isListening() const;
    // The port actually bound (differs from port() when 0 was asked for).
    int boundPort() const;

    Q_INVOKABLE bool StartListening();
    Q_INVOKABLE bool StopListening();

Q_SIGNALS:
    void OnMessage(QObject* message);
    void OnError(const QString& method, int error, const QString& errorText);

private:
    void readPending();
    bool accepts(const QHostAddress& sender) const;
    void reportError(const QString& method, int code);

    QString routerAddress_;
    QHostAddress router_;
    quint64 lookups_ = 0;  // only the latest name lookup's answer counts
    int port_ = kDefaultPort;
    QUdpSocket* socket_ = nullptr;
};

// The Windows Sockets code for a failed bind or receive.
int socketErrorCode(int qtSocketError);

}  // namespace syslog
