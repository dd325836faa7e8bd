#pragma once
// A TCP peer on 127.0.0.1 for the connection tests, on plain POSIX sockets so
// that it shares no code with the client. Every wait is bounded.

#include <QByteArray>
#include <QCoreApplication>
#include <QThread>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

// Runs the event loop until done() holds, for at most a few seconds.
inline bool pumpUntil(const std::function<bool()>& done, int rounds = 500)
{
    for (int i = 0; i < rounds && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

inline void pumpBriefly(int rounds = 20) { pumpUntil([] { return false; }, rounds); }

class LoopbackServer {
public:
    explicit LoopbackServer(int backlog = 4)
    {
        sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, backlog);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
        port_ = ntohs(a.sin_port);
    }
    ~LoopbackServer()
    {
        closePeer();
        ::close(listener_);
    }

    quint16 port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

    bool accept()
    {
        pollfd p{listener_, POLLIN, 0};
        closePeer();
        peer_ = ::poll(&p, 1, 5000) == 1 ? ::accept(listener_, nullptr, nullptr) : -1;
        return peer_ >= 0;
    }
    void send(const QByteArray& bytes) { ::send(peer_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL); }

    // What arrives within timeoutMs.
    QByteArray receiveAvailable(int timeoutMs = 0)
    {
        QByteArray out;
        char buffer[4096];
        pollfd p{peer_, POLLIN, 0};
        while (::poll(&p, 1, out.isEmpty() ? timeoutMs : 0) == 1) {
            const ssize_t n = ::recv(peer_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0)
                break;
            out.append(buffer, n);
        }
        return out;
    }
    // Reads until count bytes have arrived or a few seconds have passed.
    QByteArray receive(qsizetype count)
    {
        QByteArray out;
        for (int i = 0; i < 250 && out.size() < count; ++i)
            out += receiveAvailable(20);
        return out;
    }
    bool peerHasClosed()
    {
        char c;
        pollfd p{peer_, POLLIN, 0};
        return ::poll(&p, 1, 1000) == 1 && ::recv(peer_, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
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

private:
    int listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int peer_ = -1;
    quint16 port_ = 0;
};
