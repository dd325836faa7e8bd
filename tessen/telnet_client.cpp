#include "tessen/telnet_client.h"

#include "tessen/socket_errors.h"

#include <QHostInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

// Splits "host" or "host:port"; false when the port is not a number in 1..65535.
bool splitAddress(const QString& address, QByteArray& host, quint16& port)
{
    port = CTelnetClient::kTelnetPort;
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    QString hostPart = address;
    if (colon >= 0) {
        const QString portText = address.mid(colon + 1);
        if (portText.isEmpty() || portText.size() > 5)
            return false;
        for (QChar c : portText) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        const int value = portText.toInt();
        if (value < 1 || value > 65535)
            return false;
        port = quint16(value);
        hostPart = address.left(colon);
    }
    host = hostPart.trimmed().toLocal8Bit();
    return !host.isEmpty() && !host.contains('\0');
}

bool resolve(const QByteArray& host, in_addr& out)
{
    if (inet_pton(AF_INET, host.constData(), &out) == 1)
        return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.constData(), nullptr, &hints, &list) != 0 || !list)
        return false;
    bool found = false;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr) {
            out = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
            found = true;
            break;
        }
    }
    freeaddrinfo(list);
    return found;
}

}  // namespace

CTelnetClient::Listener::~Listener() = default;

CTelnetClient::CTelnetClient(Listener* control, QObject* parent) : QObject(parent), control_(control) {}

CTelnetClient::~CTelnetClient() { Close(); }

void CTelnetClient::failFromErrno(int errnoValue) { fail(tessen::socketErrorFromErrno(errnoValue)); }

bool CTelnetClient::Create()
{
    Close();
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        failFromErrno(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = 0;
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        failFromErrno(errno);
        Close();
        return false;
    }
    return true;
}

bool CTelnetClient::waitFor(short events)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(waitLimitMs_, 0));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            fail(tessen::kTimedOut);
            return false;
        }
        pollfd p{fd_, events, 0};
        const int n = ::poll(&p, 1, int(std::min<long long>(left, 2000)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR) {
            failFromErrno(errno);
            return false;
        }
    }
}

bool CTelnetClient::Connect(const QString& address)
{
    if (fd_ < 0) {
        fail(tessen::socketErrorFromErrno(ENOTSOCK));
        return false;
    }
    if (waiting_) {
        fail(tessen::kInProgress);
        return false;
    }
    QByteArray host;
    quint16 port = kTelnetPort;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    if (!splitAddress(address, host, port)) {
        fail(tessen::kInvalidArgument);
        return false;
    }
    peer.sin_port = htons(port);

    if (asynchronous_) {
        // Even a connect that completed at once is reported from the loop,
        // so the caller never hears of it within this call. The limit covers
        // the name's lookup and the connect together.
        connecting_ = true;
        limit_ = new QTimer(this);
        limit_->setSingleShot(true);
        QObject::connect(limit_, &QTimer::timeout, this, [this] { OnLimit(); });
        limit_->start(std::max(waitLimitMs_, 0));
        if (inet_pton(AF_INET, host.constData(), &peer.sin_addr) == 1)
            return startConnect(peer, false);
        // A name is looked up on another thread; the connect follows the answer.
        const quint64 lookup = ++lookups_;
        QHostInfo::lookupHost(QString::fromLocal8Bit(host), this, [this, lookup, peer](const QHostInfo& info) mutable {
            if (lookup != lookups_ || !connecting_)
                return;  // closed, or another connect began meanwhile
            for (const QHostAddress& a : info.addresses()) {
                if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                    peer.sin_addr.s_addr = htonl(a.toIPv4Address());
                    startConnect(peer, true);
                    return;
                }
            }
            connectFailed(tessen::kInvalidArgument);  // as a name that cannot be resolved at once
        });
        return true;
    }

    if (!resolve(host, peer.sin_addr)) {
        fail(tessen::kInvalidArgument);
        return false;
    }

    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            failFromErrno(errno);
            return false;
        }
        waiting_ = true;
        const bool completed = waitFor(POLLOUT);
        waiting_ = false;
        if (!completed)
            return false;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            failFromErrno(error);
            return false;
        }
    }

    // Notifications start now; they reach this object only once the caller
    // is back in the event loop.
    startNotifiers();
    return true;
}

bool CTelnetClient::startConnect(const sockaddr_in& peer, bool report)
{
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 && errno != EINPROGRESS &&
        errno != EINTR) {
        const int code = tessen::socketErrorFromErrno(errno);
        if (report) {
            connectFailed(code);
        } else {
            connecting_ = false;
            limit_->stop();
            fail(code);
        }
        return false;
    }
    writeNotifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Write, this);
    QObject::connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { OnSend(); });
    return true;
}

void CTelnetClient::startNotifiers()
{
    readNotifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read, this);
    QObject::connect(readNotifier_, &QSocketNotifier::activated, this, [this] { OnReceive(); });
    if (!writeNotifier_) {
        writeNotifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Write, this);
        QObject::connect(writeNotifier_, &QSocketNotifier::activated, this, [this] { OnSend(); });
    }
}

void CTelnetClient::OnConnectWritable()
{
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        connectFailed(tessen::socketErrorFromErrno(error));
        return;
    }
    connecting_ = false;
    limit_->stop();
    writeNotifier_->setEnabled(false);
    readyToSend_ = true;
    startNotifiers();
    QPointer<CTelnetClient> alive(this);
    control_->OnTelnetConnected(0);
    // The keys queued while connecting go now, unless the handler closed.
    if (alive && fd_ >= 0 && !pendingOutput_.isEmpty())
        flushAsync(true);
}

void CTelnetClient::connectFailed(int code)
{
    connecting_ = false;
    if (limit_)
        limit_->stop();
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    pendingOutput_.clear();
    fail(code);
    control_->OnTelnetConnected(code);
}

void CTelnetClient::OnLimit()
{
    if (connecting_) {
        connectFailed(tessen::kTimedOut);
    } else if (!pendingOutput_.isEmpty()) {
        // The peer took nothing for the whole limit.
        pendingOutput_.clear();
        if (writeNotifier_)
            writeNotifier_->setEnabled(false);
        fail(tessen::kTimedOut);
        control_->OnTelnetSendFailed(tessen::kTimedOut);
    }
}

bool CTelnetClient::flushAsync(bool report)
{
    while (!pendingOutput_.isEmpty()) {
        const ssize_t n = ::send(fd_, pendingOutput_.constData(), size_t(pendingOutput_.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            pendingOutput_.remove(0, n);
            // Progress: the stall limit counts from here.
            if (limit_)
                limit_->stop();
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writeNotifier_->setEnabled(true);
            if (!limit_->isActive())
                limit_->start(std::max(waitLimitMs_, 0));
            return true;
        }
        const int code = tessen::socketErrorFromErrno(n < 0 ? errno : EPIPE);
        pendingOutput_.clear();
        writeNotifier_->setEnabled(false);
        fail(code);
        if (report)
            control_->OnTelnetSendFailed(code);
        return false;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    if (limit_)
        limit_->stop();
    return true;
}

int CTelnetClient::blockingSend(const QByteArray& bytes)
{
    if (fd_ < 0) {
        fail(tessen::socketErrorFromErrno(ENOTSOCK));
        return -1;
    }
    waiting_ = true;
    qsizetype sent = 0;
    int result = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(POLLOUT))
                continue;
        } else {
            failFromErrno(n < 0 ? errno : EPIPE);
        }
        result = -1;
        break;
    }
    waiting_ = false;
    return result < 0 ? -1 : int(std::min<qsizetype>(sent, INT_MAX));
}

int CTelnetClient::Send(const QByteArray& bytes)
{
    if (waiting_) {
        // A send while connect or another send of this connection still waits
        // is refused, as the framework socket did.
        fail(tessen::kInProgress);
        pendingOutput_.clear();
        return 0;
    }
    pendingOutput_.append(bytes);
    if (!readyToSend_)
        return 0;
    if (asynchronous_) {
        if (fd_ < 0) {
            pendingOutput_.clear();
            fail(tessen::socketErrorFromErrno(ENOTSOCK));
            return -1;
        }
        // Within the call a failure is the caller's to report.
        const qsizetype queued = pendingOutput_.size();
        if (!flushAsync(false))
            return -1;
        return int(std::min<qsizetype>(queued - pendingOutput_.size(), INT_MAX));
    }
    const QByteArray out = std::exchange(pendingOutput_, QByteArray());
    return blockingSend(out);
}

void CTelnetClient::OnSend()
{
    if (connecting_) {
        OnConnectWritable();
        return;
    }
    if (asynchronous_) {
        if (readyToSend_ && fd_ >= 0)
            flushAsync(true);
        return;
    }
    if (readyToSend_)
        return;
    // Writability is signalled once, when the connection is established; later
    // stalls are waited out by the blocking send itself.
    if (writeNotifier_)
        writeNotifier_->setEnabled(false);
    readyToSend_ = true;
    if (!pendingOutput_.isEmpty()) {
        const QByteArray out = std::exchange(pendingOutput_, QByteArray());
        blockingSend(out);
    }
}

void CTelnetClient::OnClose()
{
    // A peer that closes is not reported; it shows when a later send fails.
    peerClosed_ = true;
    if (readNotifier_)
        readNotifier_->setEnabled(false);
}

void CTelnetClient::OnReceive()
{
    if (fd_ < 0)
        return;
    // The connection was writable before anything could arrive on it, so the
    // queued keys go out first whichever notifier the dispatcher serves first.
    if (!readyToSend_)
        OnSend();
    if (fd_ < 0)
        return;

    int available = 0;
    if (::ioctl(fd_, FIONREAD, &available) != 0)
        available = 0;
    QByteArray chunk;
    if (available <= 0) {
        // Readable with nothing to read: the peer closed or reset the connection.
        char probe = 0;
        const ssize_t n = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0)
            return;  // data raced in; the notifier fires again for it
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n < 0 && errno == ECONNRESET) {
            chunk = QByteArray(1, '\x01');
        } else {
            OnClose();
            return;
        }
    } else {
        chunk.resize(std::min(available, kMaxChunk));
        const ssize_t n = ::recv(fd_, chunk.data(), size_t(chunk.size()), MSG_DONTWAIT);
        if (n < 0 && errno == ECONNRESET) {
            chunk = QByteArray(1, '\x01');
        } else if (n <= 0) {
            return;  // a failed receive delivers nothing
        } else {
            chunk.truncate(n);
        }
    }

    // While this chunk is handed out, a nested event loop in a handler must
    // not deliver the next one ahead of it.
    QPointer<CTelnetClient> alive(this);
    if (readNotifier_)
        readNotifier_->setEnabled(false);
    control_->OnTelnetData(chunk);
    if (!alive || fd_ < 0)
        return;
    screen_.Parse(chunk);
    control_->OnTelnetChange();
    if (alive && readNotifier_ && !peerClosed_)
        readNotifier_->setEnabled(true);
}

void CTelnetClient::ShutDownSend()
{
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_WR);
}

void CTelnetClient::Close()
{
    connecting_ = false;
    ++lookups_;  // a lookup still running is answered to nobody
    delete limit_;
    limit_ = nullptr;
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
