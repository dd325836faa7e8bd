#include "components/prestige/router_state.h"

#include <QHostAddress>

#include <algorithm>
#include <cmath>

namespace prestige {

namespace {

bool validNumber(const QString& number)
{
    if (number.isEmpty() || number.size() > kMaxNumberLength)
        return false;
    return std::all_of(number.begin(), number.end(), [](QChar c) {
        return c.unicode() > 32 && c.unicode() < 127;
    });
}

bool validNode(const QString& node)
{
    if (node.isEmpty() || node.size() > kMaxLinkLength)
        return false;
    return std::all_of(node.begin(), node.end(), [](QChar c) {
        return c.unicode() > 32 && c.unicode() < 127;
    });
}

quint16 onesComplementSum(const QByteArray& bytes, quint32 sum = 0)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        sum += (quint32(quint8(bytes[i])) << 8) | quint8(bytes[i + 1]);
    if (bytes.size() % 2)
        sum += quint32(quint8(bytes.back())) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(sum);
}

void putU16(QByteArray& bytes, int at, quint16 value)
{
    bytes[at] = char(value >> 8);
    bytes[at + 1] = char(value & 0xff);
}

void putU32(QByteArray& bytes, int at, quint32 value)
{
    putU16(bytes, at, quint16(value >> 16));
    putU16(bytes, at + 2, quint16(value & 0xffff));
}

} // namespace

QString formatDuration(int seconds)
{
    seconds = std::clamp(seconds, 0, kMaxDurationSeconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

RouterState::RouterState(quint32 seed)
    : rng_(seed)
{
}

const LineState& RouterState::line(int line) const
{
    return lines_[std::size_t(std::clamp(line, 1, 2) - 1)];
}

LineState& RouterState::mutableLine(int line)
{
    return lines_[std::size_t(std::clamp(line, 1, 2) - 1)];
}

int RouterState::totalOutcallSeconds() const
{
    qint64 total = completedOutcallSeconds_;
    for (const LineState& l : lines_)
        if (l.isUp() && l.direction == Direction::Out)
            total += l.upSeconds;
    return int(std::min<qint64>(total, kMaxDurationSeconds));
}

bool RouterState::startCall(const CallRequest& request, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (request.line != 1 && request.line != 2)
        return fail(QStringLiteral("line must be 1 or 2"));
    if (line(request.line).isUp())
        return fail(QStringLiteral("line %1 already has a call").arg(request.line));
    const LineState& other = line(3 - request.line);
    int channel = request.channel;
    if (channel == 0)
        channel = other.channel == 1 ? 2 : 1;
    if (channel != 1 && channel != 2)
        return fail(QStringLiteral("channel must be 1 or 2"));
    if (other.channel == channel)
        return fail(QStringLiteral("channel B%1 is in use by line %2").arg(channel).arg(3 - request.line));
    if (!validNumber(request.number))
        return fail(QStringLiteral("a phone number of 1 to %1 characters without spaces is needed").arg(kMaxNumberLength));
    if (request.rate != 56 && request.rate != 64)
        return fail(QStringLiteral("the rate is 56 or 64"));
    QHostAddress peer;
    if (request.kind == CallKind::Data) {
        if (!validNode(request.node))
            return fail(QStringLiteral("a remote node name of 1 to %1 characters without spaces is needed").arg(kMaxLinkLength));
        if (!peer.setAddress(request.peerIp) || peer.protocol() != QAbstractSocket::IPv4Protocol)
            return fail(QStringLiteral("'%1' is not an IPv4 address").arg(request.peerIp));
    }

    LineState l;
    l.channel = channel;
    l.kind = request.kind;
    l.direction = request.direction;
    l.number = request.number;
    l.type = request.rate;
    l.callId = nextCallId_;
    nextCallId_ = nextCallId_ >= 999 ? 1 : nextCallId_ + 1;
    if (request.kind == CallKind::Data) {
        l.link = request.node;
        l.peerIp = peer.toString();
    } else {
        l.link = QStringLiteral("Voice");
    }
    if (request.direction == Direction::In)
        l.callerId = request.number;

    if (request.kind == CallKind::Data && request.direction == Direction::Out) {
        if (hasPendingPacket_) {
            lanPacket_ = pendingPacket_;
            lanPacketIsIpx_ = pendingPacketIsIpx_;
            hasPendingPacket_ = false;
        } else {
            lanPacket_ = makeTriggerPacket(l.peerIp);
            lanPacketIsIpx_ = false;
        }
    }

    mutableLine(request.line) = l;
    emitEvent(CallEvent::Dialing, request.line, l);
    emitEvent(CallEvent::Connected, request.line, l);
    return true;
}

bool RouterState::hangup(int lineNumber)
{
    if ((lineNumber != 1 && lineNumber != 2) || !line(lineNumber).isUp())
        return false;
    const LineState ended = line(lineNumber);
    emitEvent(CallEvent::Terminated, lineNumber, ended);
    bookIntoHistory(ended);
    if (ended.direction == Direction::Out)
        completedOutcallSeconds_ = std::min(kMaxDurationSeconds, completedOutcallSeconds_ + ended.upSeconds);
    mutableLine(lineNumber) = LineState {};
    return true;
}

void RouterState::dropChannel(int channel)
{
    for (int n = 1; n <= 2; ++n)
        if (line(n).isUp() && (channel == 0 || line(n).channel == channel))
            hangup(n);
}

void RouterState::resetCounters()
{
    for (LineState& l : lines_) {
        l.packetsSent = 0;
        l.packetsReceived = 0;
        l.errors = 0;
    }
}

void RouterState::setLoad(int lineNumber, int percent, int rampSeconds)
{
    if (lineNumber != 1 && lineNumber != 2)
        return;
    LineState& l = mutableLine(lineNumber);
    l.loadTarget = std::clamp(percent, 0, 100);
    if (rampSeconds <= 0) {
        l.loadLevel = l.loadTarget;
        l.loadStep = 0;
    } else {
        l.loadStep = (l.loadTarget - l.loadLevel) / rampSeconds;
    }
}

void RouterState::addErrors(int lineNumber, int count)
{
    if ((lineNumber != 1 && lineNumber != 2) || count <= 0)
        return;
    LineState& l = mutableLine(lineNumber);
    l.errors = (l.errors + count % kErrorCounterModulo) % kErrorCounterModulo;
}

void RouterState::setPendingLanPacket(const QByteArray& bytes, bool ipx)
{
    pendingPacket_ = bytes.left(kMaxLanPacketBytes);
    pendingPacketIsIpx_ = ipx;
    hasPendingPacket_ = true;
}

void RouterState::setLine(int lineNumber, const LineState& state)
{
    if (lineNumber != 1 && lineNumber != 2)
        return;
    LineState& l = mutableLine(lineNumber);
    l = state;
    if (l.channel != 1 && l.channel != 2)
        l.channel = 0;
    l.packetsSent = std::clamp<qint64>(l.packetsSent, 0, kPacketCounterModulo - 1);
    l.packetsReceived = std::clamp<qint64>(l.packetsReceived, 0, kPacketCounterModulo - 1);
    l.errors = std::clamp<qint64>(l.errors, 0, kErrorCounterModulo - 1);
    l.utilization = std::clamp(l.utilization, 0, 100);
    l.averageUtilization = std::clamp(l.averageUtilization, 0, 100);
    l.upSeconds = std::clamp(l.upSeconds, 0, kMaxDurationSeconds);
}

void RouterState::setHistory(const QList<HistoryEntry>& entries)
{
    history_ = entries.mid(0, kMaxHistoryEntries);
}

void RouterState::setLanPacket(const QByteArray& bytes, bool ipx)
{
    lanPacket_ = bytes.left(kMaxLanPacketBytes);
    lanPacketIsIpx_ = ipx;
}

void RouterState::advance()
{
    ++seconds_;
    for (LineState& l : lines_) {
        if (!l.isUp())
            continue;
        l.upSeconds = std::min(l.upSeconds + 1, kMaxDurationSeconds);
        if (l.loadStep != 0) {
            l.loadLevel += l.loadStep;
            if ((l.loadStep > 0 && l.loadLevel >= l.loadTarget) || (l.loadStep < 0 && l.loadLevel <= l.loadTarget)) {
                l.loadLevel = l.loadTarget;
                l.loadStep = 0;
            }
        }
        int u = 0;
        if (l.loadLevel > 0) {
            const int jitter = int(rng_.bounded(7)) - 3;
            u = std::clamp(int(std::lround(l.loadLevel)) + jitter, 1, 100);
        }
        l.utilization = u;
        l.utilizationSum += u;
        l.averageUtilization = int((l.utilizationSum + l.upSeconds / 2) / std::max(1, l.upSeconds));
        if (l.kind == CallKind::Data) {
            qint64 sent = u * (5 + qint64(rng_.bounded(4))) / 10;
            qint64 received = u * (7 + qint64(rng_.bounded(5))) / 10;
            if (u == 0 && rng_.bounded(10) == 0) { // keep-alives on an idle link
                sent = 1;
                received = 1;
            }
            l.packetsSent = (l.packetsSent + sent) % kPacketCounterModulo;
            l.packetsReceived = (l.packetsReceived + received) % kPacketCounterModulo;
            if (u > 85 && rng_.bounded(20) == 0)
                l.errors = (l.errors + 1) % kErrorCounterModulo;
        }
    }
}

void RouterState::emitEvent(CallEvent::Kind kind, int lineNumber, const LineState& state)
{
    if (!onCallEvent)
        return;
    CallEvent e;
    e.kind = kind;
    e.line = lineNumber;
    e.channel = state.channel;
    e.callId = state.callId;
    e.direction = state.direction;
    e.callKind = state.kind;
    e.number = state.number;
    e.rate = state.type;
    onCallEvent(e);
}

void RouterState::bookIntoHistory(const LineState& state)
{
    const int seconds = state.upSeconds;
    auto it = std::find_if(history_.begin(), history_.end(), [&](const HistoryEntry& e) {
        return e.number == state.number && e.direction == state.direction;
    });
    HistoryEntry entry;
    if (it != history_.end()) {
        entry = *it;
        history_.erase(it);
        entry.calls = std::min(entry.calls + 1, 999999999);
        entry.maxSeconds = std::max(entry.maxSeconds, seconds);
        entry.minSeconds = std::min(entry.minSeconds, seconds);
        entry.totalSeconds = std::min(kMaxDurationSeconds, entry.totalSeconds + seconds);
        entry.rate = state.type;
    } else {
        entry.number = state.number;
        entry.direction = state.direction;
        entry.rate = state.type;
        entry.calls = 1;
        entry.maxSeconds = entry.minSeconds = entry.totalSeconds = seconds;
    }
    history_.prepend(entry);
    if (history_.size() > kMaxHistoryEntries)
        history_.resize(kMaxHistoryEntries);
}

// An outgoing data call is placed by a LAN packet for the remote side: here a
// TCP connection attempt from a LAN host, with valid checksums so that the
// monitor's packet decoder has something real to take apart.
QByteArray RouterState::makeTriggerPacket(const QString& peerIp)
{
    static const quint16 ports[] = {80, 25, 110, 21, 119, 443, 23};
    QByteArray p(44, '\0');
    const quint32 source = QHostAddress(QStringLiteral("192.168.1.33")).toIPv4Address();
    const quint32 destination = QHostAddress(peerIp).toIPv4Address();
    p[0] = char(0x45);
    putU16(p, 2, 44);
    putU16(p, 4, quint16(rng_.bounded(65536)));
    p[6] = char(0x40); // don't fragment
    p[8] = char(64);   // TTL
    p[9] = char(6);    // TCP
    putU32(p, 12, source);
    putU32(p, 16, destination);
    putU16(p, 10, quint16(~onesComplementSum(p.left(20))));

    putU16(p, 20, quint16(1024 + rng_.bounded(64512)));
    putU16(p, 22, ports[rng_.bounded(int(std::size(ports)))]);
    putU32(p, 24, rng_.generate());
    p[32] = char(0x60); // data offset 6 words: one option
    p[33] = char(0x02); // SYN
    putU16(p, 34, 8192);
    p[40] = char(2); // MSS option
    p[41] = char(4);
    putU16(p, 42, 1460);
    QByteArray pseudo(12, '\0');
    putU32(pseudo, 0, source);
    putU32(pseudo, 4, destination);
    pseudo[9] = char(6);
    putU16(pseudo, 10, 24);
    putU16(p, 36, quint16(~onesComplementSum(pseudo + p.mid(20))));
    return p;
}

} // namespace prestige
