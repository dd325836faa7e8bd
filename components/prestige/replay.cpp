#include "components/prestige/replay.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <cmath>

namespace prestige {

namespace {

// What the router's echo of a masked password is played back as.
constexpr char kPasswordStandIn[] = "****";
// Keys typed ahead that no entry asks for are not kept without bound.
constexpr qsizetype kMaxPendingKeys = 64 * 1024;

struct KeyShape {
    int enters = 0;
    int trailing = 0; // keys after the last Enter
};

KeyShape shapeOf(const QByteArray& keys)
{
    KeyShape s;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const char c = keys[i];
        if (c == '\r') {
            ++s.enters;
            s.trailing = 0;
            if (i + 1 < keys.size() && (keys[i + 1] == '\n' || keys[i + 1] == '\0'))
                ++i;
        } else if (c == '\n') {
            ++s.enters;
            s.trailing = 0;
        } else {
            ++s.trailing;
        }
    }
    return s;
}

QByteArray withStandIns(const CaptureEntry& e)
{
    if (e.passwordAt.isEmpty())
        return e.bytes;
    QByteArray out;
    qsizetype from = 0;
    for (qsizetype at : e.passwordAt) {
        at = std::clamp<qsizetype>(at, from, e.bytes.size());
        out += e.bytes.mid(from, at - from) + kPasswordStandIn;
        from = at;
    }
    return out + e.bytes.mid(from);
}

} // namespace

Replay::Replay(QList<CaptureEntry> entries, QObject* parent)
    : QObject(parent)
{
    for (CaptureEntry& e : entries) {
        if (segments_.isEmpty() || e.kind == CaptureEntry::Kind::Open)
            segments_.append(Segment {});
        segments_.back().entries.append(std::move(e));
    }
    for (Segment& s : segments_)
        s.monitorClosed = !s.entries.isEmpty() && s.entries.back().kind == CaptureEntry::Kind::Close;
    if (!segments_.isEmpty())
        segments_.back().last = true;
    pace_.setSingleShot(true);
    connect(&pace_, &QTimer::timeout, this, &Replay::advance);
}

Replay::~Replay()
{
    if (socket_)
        socket_->abort();
}

bool Replay::listen(quint16 port, const QHostAddress& address)
{
    if (segments_.isEmpty()) {
        error_ = QStringLiteral("the capture has nothing to replay");
        return false;
    }
    auto* server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        error_ = QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(server->errorString());
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QTcpServer::newConnection, this, &Replay::accept);
    return true;
}

quint16 Replay::port() const
{
    return server_ ? server_->serverPort() : 0;
}

void Replay::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (segment_ + 1 >= segments_.size()) {
            socket->abort();
            socket->deleteLater();
            emit connectionRefused();
            continue;
        }
        // A monitor that reconnects ahead of the capture moves it on.
        if (socket_) {
            socket_->disconnect(this);
            socket_->abort();
            socket_->deleteLater();
        }
        pace_.stop();
        socket_ = socket;
        socket_->setParent(this);
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket_, &QTcpSocket::readyRead, this, &Replay::readKeys);
        connect(socket_, &QTcpSocket::disconnected, socket_, &QObject::deleteLater);
        ++segment_;
        next_ = 0;
        keys_.clear();
        afterCr_ = false;
        const QList<CaptureEntry>& entries = segments_[segment_].entries;
        lastSeconds_ = entries.isEmpty() ? 0 : entries.front().seconds;
        emit connectionStarted(segment_);
        advance();
    }
}

void Replay::readKeys()
{
    if (!socket_)
        return;
    keys_ += socket_->readAll();
    if (keys_.size() > kMaxPendingKeys)
        keys_.remove(0, keys_.size() - kMaxPendingKeys);
    if (!pace_.isActive())
        advance();
}

bool Replay::consumeKeys(const CaptureEntry& expected)
{
    const KeyShape want = shapeOf(expected.bytes);
    qsizetype i = 0;
    // The LF (or NUL) of a CR that ended the keys matched last.
    if (afterCr_ && !keys_.isEmpty() && (keys_[0] == '\n' || keys_[0] == '\0'))
        i = 1;
    int enters = 0;
    while (enters < want.enters) {
        if (i >= keys_.size())
            return false;
        const char c = keys_[i++];
        if (c == '\r') {
            ++enters;
            if (i < keys_.size() && (keys_[i] == '\n' || keys_[i] == '\0'))
                ++i;
        } else if (c == '\n') {
            ++enters;
        }
    }
    if (keys_.size() - i < want.trailing)
        return false;
    i += want.trailing;
    afterCr_ = i > 0 && keys_[i - 1] == '\r';
    keys_.remove(0, i);
    return true;
}

void Replay::advance()
{
    if (!socket_ || segment_ < 0)
        return;
    Segment& segment = segments_[segment_];
    while (next_ < segment.entries.size()) {
        const CaptureEntry& e = segment.entries[next_];
        switch (e.kind) {
        case CaptureEntry::Kind::Open:
        case CaptureEntry::Kind::Close:
            break;
        case CaptureEntry::Kind::Sent:
            if (!consumeKeys(e))
                return; // readKeys comes back here
            emit keysMatched(e.sourceLine);
            break;
        case CaptureEntry::Kind::Received: {
            const double wait = e.seconds - lastSeconds_;
            if (wait > 0.0005 && !pace_.isActive()) {
                lastSeconds_ = e.seconds;
                pace_.start(int(std::lround(std::min(wait, 24.0 * 3600) * 1000)));
                return; // sent when the pause is over
            }
            socket_->write(withStandIns(e));
            break;
        }
        }
        lastSeconds_ = std::max(lastSeconds_, e.seconds);
        ++next_;
    }
    endConnection();
}

void Replay::endConnection()
{
    const Segment& segment = segments_[segment_];
    if (next_ != segment.entries.size() + 1) {
        next_ = segment.entries.size() + 1; // reported once
        ++played_;
        emit connectionPlayed(segment_);
    }
    // The router ended this connection where the capture has another after
    // it; a monitor that closed its end closes it here as well.
    if (!segment.monitorClosed && !segment.last && socket_)
        socket_->disconnectFromHost();
}

} // namespace prestige
