#pragma once
// A bare loopback TCP client for what the terminal control hides: how a
// connection ended (FIN or RST) and the exact bytes and pieces received.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

class RawClient {
public:
    enum class End { Open, Closed, Reset, Failed };

    ~RawClient()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    bool connectTo(quint16 port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd_ < 0)
            return false;
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // Loopback connects complete in the kernel's backlog, without the
        // simulator's event loop.
        return ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }

    void send(const QByteArray& bytes) { (void)!::send(fd_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL); }
    // Sends what the connection takes now, reading meanwhile nothing.
    qsizetype sendSome(const QByteArray& bytes)
    {
        return ::send(fd_, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    // Runs the event loop and reads, until done() holds, the connection ends
    // or the bound passes.
    End pump(int boundMs, const std::function<bool()>& done = [] { return false; })
    {
        QDeadlineTimer deadline(boundMs);
        while (!deadline.hasExpired() && !done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char buffer[65536];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                received.append(buffer, n);
                pieces.append(QByteArray(buffer, n));
                continue;
            }
            if (n == 0)
                return End::Closed;
            if (errno == ECONNRESET)
                return End::Reset;
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                return End::Failed;
            QThread::msleep(1);
        }
        return End::Open;
    }

    QByteArray received;
    QList<QByteArray> pieces;

private:
    int fd_ = -1;
};

} // namespace simtest
