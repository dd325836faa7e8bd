#pragma once
// A small TCP peer on 127.0.0.1 for the connection tests, written with plain
// POSIX sockets so that it cannot share a code path with the client. Every
// wait is bounded.

#include <QByteArray>
#include <QCoreApplication>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

// Runs the event loop until done() holds or about five seconds have passed.
inline bool pumpUntil(const std::function<bool()>& done, int rounds = 500)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done())
            return true;
        QThread::msleep(5);
    }
    return done();
}

// Lets whatever is already due be handled, then returns.
inline void pumpBriefly(int rounds = 20)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

class LoopbackServer {
public:
    explicit LoopbackServer(int backlog = 4)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, backlog);
        socklen_t len = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackServer()
    {
        closePeer();
        if (listener_ >= 0)
            ::close(listener_);
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    int listener() const { return listener_; }

    bool accept(int timeoutMs = 5000)
    {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return false;
        closePeer();
        peer_ = ::accept(listener_, nullptr, nullptr);
        return peer_ >= 0;
    }

    void send(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(peer_, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += n;
        }
    }

    // Whatever has arrived within timeoutMs of the first byte's wait.
    QByteArray receiveAvailable(int timeoutMs = 0)
    {
        QByteArray out;
        pollfd p{peer_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return out;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(peer_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0)
                break;
            out.append(buffer, n);
        }
        return out;
    }

    // Reads until count bytes have arrived, the peer closes, or time runs out.
    QByteArray receive(qsizetype count, int timeoutMs = 5000)
    {
        QByteArray out;
        for (int waited = 0; out.size() < count && waited < timeoutMs; waited += 20) {
            const QByteArray more = receiveAvailable(20);
            if (more.isEmpty() && peerHasClosed())
                break;
            out += more;
        }
        return out;
    }

    bool peerHasClosed()
    {
        char c;
        pollfd p{peer_, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && ::recv(peer_, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }

    void closePeer()
    {
        if (peer_ >= 0)
            ::close(peer_);
        peer_ = -1;
    }

    // Closes with a reset instead of an orderly shutdown.
    void resetPeer()
    {
        linger l{1, 0};
        ::setsockopt(peer_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        closePeer();
    }

    void stopListening()
    {
        ::close(listener_);
        listener_ = -1;
    }

private:
    int listener_ = -1;
    int peer_ = -1;
    quint16 port_ = 0;
};
