#include "korvane/monitor/call_tracker.h"

#include "korvane/model/application.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/lines.h"
#include "korvane/monitor/controller.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>

namespace korvane {

namespace {

const char* const kEndTexts[] = {"in progress", "hung up", "dropped", "router lost", "monitor stopped"};

// A line that goes down this soon after the drop command was dropped by it.
constexpr qint64 kDropWindowSeconds = 30;
// A syslog message waits this long for the tick that shows its call.
constexpr qint64 kPendingSeconds = 120;
// Ended calls that may still learn their number from the call history: the
// router books a call there when it ends, and the history is read every few
// status screens.
constexpr qsizetype kRecentCalls = 16;
constexpr qint64 kRecentSeconds = 30 * 60;

QString directionOf(const QString& text)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('I'), Qt::CaseInsensitive))
        return QString::fromLatin1(kDirectionIn);
    if (t.startsWith(QLatin1Char('O'), Qt::CaseInsensitive))
        return QString::fromLatin1(kDirectionOut);
    return {};
}

}  // namespace

QString callEndText(CallEnd end) { return QString::fromLatin1(kEndTexts[int(end)]); }

CallEnd callEndFromText(const QString& text)
{
    for (int i = 1; i < int(std::size(kEndTexts)); ++i)
        if (text == QLatin1String(kEndTexts[i]))
            return CallEnd(i);
    return CallEnd::Open;
}

qint64 upTimeSeconds(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return -1;
    qint64 total = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || part.size() > 6)
            return -1;
        total = total * 60 + value;
    }
    return total;
}

CallTracker::CallTracker(CMonitorController* controller, QObject* parent)
    : QObject(parent), controller_(controller), clock_([] { return QDateTime::currentSecsSinceEpoch(); })
{
    connect(controller, &CMonitorController::statusTick, this, &CallTracker::onStatusTick);
    connect(controller, &CMonitorController::syslogMessage, this, &CallTracker::onSyslogMessage);
    connect(controller, &CMonitorController::callHistoryRead, this, &CallTracker::onCallHistoryRead);
    connect(controller, &CMonitorController::statusStale, this, &CallTracker::onStatusLost);
    connect(controller, &CMonitorController::disconnected, this, &CallTracker::onStatusLost);
    connect(controller, &CMonitorController::dropRequested, this, &CallTracker::onDropRequested);
}

CallTracker::~CallTracker() = default;

void CallTracker::adoptOpenCalls(const QList<CallRecord>& calls)
{
    for (const CallRecord& call : calls)
        if (call.line == 1 || call.line == 2)
            adopted_.append(call);
}

const CallRecord* CallTracker::openCall(int line) const
{
    if (line < 1 || line > 2 || open_[line - 1].serial == 0)
        return nullptr;
    return &open_[line - 1];
}

qint64 CallTracker::callsStarted(int line) const { return line == 1 || line == 2 ? started_[line - 1] : 0; }
qint64 CallTracker::secondsEnded(int line) const { return line == 1 || line == 2 ? secondsEnded_[line - 1] : 0; }

void CallTracker::endOpenCalls(CallEnd how)
{
    for (int n = 0; n < 2; ++n)
        if (open_[n].serial != 0)
            endCall(n, how, false);
}

void CallTracker::onDropRequested(int which)
{
    const qint64 now = clock_();
    for (int n = 0; n < 2; ++n)
        if (open_[n].serial != 0 && (which == 0 || open_[n].channel == which))
            dropRequested_[n] = now;
}

void CallTracker::onStatusLost() { lost_ = true; }

void CallTracker::onStatusTick()
{
    const qint64 now = clock_();
    const bool returned = lost_;
    lost_ = false;
    const CLines& lines = controller_->application().lines();
    for (int n = 0; n < 2; ++n) {
        const CLine& line = *lines.line(n + 1);
        const bool up = controller_->lineMemory()[n].up;
        const qint64 upTime = upTimeSeconds(line.upTime());
        // The start this tick's Up Time points at: the same call as one known
        // when both lie together.
        const qint64 start = now - qMax<qint64>(0, upTime);
        auto sameCall = [&](const CallRecord& call) {
            if (line.link() != call.link && !call.link.isEmpty())
                return false;
            if (call.isIncoming() && !call.callerId.isEmpty() && !line.clid().isEmpty() && line.clid() != call.callerId)
                return false;
            if (upTime < 0)
                return !returned;  // without an Up Time only unbroken sight tells
            // The router's clock of a call only grows; after a spell without
            // status it must also point back to the start already known.
            if (upTime < call.seconds)
                return false;
            return !returned || qAbs(start - call.startUtc) <= kSameStartSeconds;
        };

        CallRecord& call = open_[n];
        if (call.serial != 0 && (!up || !sameCall(call))) {
            // Seen up on the tick before and down (or another call) now: the
            // end was seen. After a spell without status it was not.
            if (returned) {
                endCall(n, CallEnd::RouterLost, false);
            } else {
                const bool dropped = dropRequested_[n] != 0 && now - dropRequested_[n] <= kDropWindowSeconds;
                endCall(n, dropped ? CallEnd::Dropped : CallEnd::HungUp, true);
            }
        }
        if (!up)
            continue;
        if (call.serial == 0) {
            // A call an earlier run left open goes on where the line shows it still up.
            // Its clock only grows, its link and caller stay.
            const auto adopted = std::find_if(adopted_.begin(), adopted_.end(), [&](const CallRecord& c) {
                return c.line == n + 1 && upTime >= 0 && qAbs(start - c.startUtc) <= kSameStartSeconds
                    && upTime >= c.seconds && (c.link.isEmpty() || c.link == line.link())
                    && (line.clid().isEmpty() || c.callerId.isEmpty() || !c.isIncoming() || c.callerId == line.clid());
            });
            if (adopted != adopted_.end()) {
                call = *adopted;
                adopted_.erase(adopted);
                call.serial = nextSerial_++;
                call.resumed = true;
                call.ended = CallEnd::Open;
                call.endUtc = 0;
                utilizationSum_[n] = qint64(call.averageUtilization);
                samples_[n] = 1;
                dropRequested_[n] = 0;
                call.lastTickUtc = now;
                call.seconds = upTime;
                emit callStarted(call);
            } else {
                startCall(n, now, upTime);
            }
        }
        call.channel = line.channel();
        call.lastTickUtc = now;
        if (upTime >= 0)
            call.seconds = qMax(upTime, qMax<qint64>(0, call.seconds));
        call.link = line.link();
        call.type = line.type();
        call.voice = line.link().contains(QLatin1String("Voice"));
        if (!line.ipAddress().isEmpty())
            call.peerIp = line.ipAddress();
        call.packetsSent = line.packetsSent();
        call.packetsReceived = line.packetsReceived();
        call.errors = line.errors();
        utilizationSum_[n] += qMax(0, line.lineUtilization());
        ++samples_[n];
        call.averageUtilization = int(utilizationSum_[n] / samples_[n]);
        call.peakUtilization = qMax(call.peakUtilization, line.lineUtilization());
        if (!line.clid().isEmpty())
            learnNumber(call, QString::fromLatin1(kDirectionIn), line.clid());
        emit callUpdated(call);
    }
    // What an earlier run left open and no line continued ended while no
    // monitor looked.
    const QList<CallRecord> undecided = std::exchange(adopted_, {});
    for (CallRecord call : undecided) {
        if (call.isOpen()) {
            call.ended = CallEnd::MonitorStopped;
            call.endUtc = call.seconds >= 0 ? call.startUtc + call.seconds : call.lastTickUtc;
            emit callEnded(call);
        }
    }
}

void CallTracker::startCall(int n, qint64 now, qint64 upTime)
{
    CallRecord& call = open_[n];
    call = CallRecord();
    call.serial = nextSerial_++;
    call.line = n + 1;
    call.startUtc = now - qMax<qint64>(0, upTime);
    call.lastTickUtc = now;
    call.seconds = upTime;
    const CLine& line = *controller_->application().lines().line(n + 1);
    call.channel = line.channel();
    call.link = line.link();
    call.type = line.type();
    call.voice = line.link().contains(QLatin1String("Voice"));
    call.peerIp = line.ipAddress();
    utilizationSum_[n] = 0;
    samples_[n] = 0;
    dropRequested_[n] = 0;
    ++started_[n];
    takePending(n);
    if (!line.clid().isEmpty() && call.callerId != line.clid()) {
        call.direction = QString::fromLatin1(kDirectionIn);
        call.callerId = line.clid();
    }
    if (!call.callerId.isEmpty() && lookup_)
        call.callerName = lookup_(call.callerId);
    emit callStarted(call);
}

void CallTracker::endCall(int n, CallEnd how, bool sawEnd)
{
    Q_UNUSED(sawEnd);
    CallRecord call = open_[n];
    open_[n] = CallRecord();
    dropRequested_[n] = 0;
    call.ended = how;
    call.endUtc = call.seconds >= 0 ? call.startUtc + call.seconds : call.lastTickUtc;
    secondsEnded_[n] += call.durationSeconds();
    recent_.append(call);
    const qint64 now = clock_();
    recent_.removeIf([now](const CallRecord& c) { return now - c.endUtc > kRecentSeconds; });
    while (recent_.size() > kRecentCalls)
        recent_.removeFirst();
    emit callEnded(call);
}

void CallTracker::learnNumber(CallRecord& call, const QString& direction, const QString& number)
{
    bool changed = false;
    if (!direction.isEmpty() && call.direction != direction) {
        call.direction = direction;
        changed = true;
    }
    if (!number.isEmpty() && number != call.callerId) {
        call.callerId = number;
        call.callerName = lookup_ ? lookup_(number) : QString();
        changed = true;
    }
    if (!changed)
        return;
    if (call.isOpen())
        emit callerKnown(call);
    else
        emit callUpdated(call);
}

void CallTracker::takePending(int n)
{
    Pending pending = std::exchange(pending_[n], Pending());
    if (pending.atUtc == 0 || clock_() - pending.atUtc > kPendingSeconds)
        return;
    CallRecord& call = open_[n];
    call.direction = pending.direction;
    call.callerId = pending.number;
}

void CallTracker::onSyslogMessage(const QString& message)
{
    static const QRegularExpression dialing(QStringLiteral("\\b(Incoming|Outgoing) Call,\\s*([^,\\s]*)"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression connected(QStringLiteral("\\b(ANSWER|CALL) Connected\\b(?:,\\s*\\d+K\\s+([^,\\s]+))?"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression lineNumber(QStringLiteral("\\bline\\s+([12])\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression channelNumber(QStringLiteral("\\b(?:channel\\s+|B)([12])\\b"),
                                                  QRegularExpression::CaseInsensitiveOption);
    QString direction;
    QString number;
    if (const auto m = dialing.match(message); m.hasMatch()) {
        direction = QString::fromLatin1(m.captured(1).startsWith(QLatin1Char('I'), Qt::CaseInsensitive) ? kDirectionIn
                                                                                                          : kDirectionOut);
        number = m.captured(2);
    } else if (const auto c = connected.match(message); c.hasMatch()) {
        direction = QString::fromLatin1(c.captured(1).compare(QLatin1String("ANSWER"), Qt::CaseInsensitive) == 0
                                            ? kDirectionIn
                                            : kDirectionOut);
        number = c.captured(2);
    } else {
        return;  // "Call Terminated" and the rest: the status tells the end
    }
    int n = -1;
    if (const auto m = lineNumber.match(message); m.hasMatch())
        n = m.captured(1).toInt() - 1;
    int channel = 0;
    if (const auto m = channelNumber.match(message); m.hasMatch())
        channel = m.captured(1).toInt();
    if (n < 0) {
        // No line named: the open call still without a direction, else the
        // line whose channel it names, else whichever line starts next.
        for (int i = 0; i < 2 && n < 0; ++i)
            if (open_[i].serial != 0 && open_[i].direction.isEmpty())
                n = i;
        for (int i = 0; i < 2 && n < 0; ++i)
            if (channel != 0 && open_[i].serial != 0 && open_[i].channel == channel)
                n = i;
    }
    const qint64 now = clock_();
    auto keepFor = [&](int line) { pending_[line] = {direction, number, now, channel}; };
    if (n < 0) {
        // The tick that shows the call has not come yet.
        for (int i = 0; i < 2; ++i)
            if (open_[i].serial == 0) {
                keepFor(i);
                break;
            }
        return;
    }
    CallRecord& call = open_[n];
    // An open call that already has another number is the call before this
    // one, still shown until the next tick.
    const bool forThisCall = call.serial != 0
        && (call.direction.isEmpty() || call.direction == direction)
        && (call.callerId.isEmpty() || number.isEmpty() || call.callerId == number);
    if (forThisCall)
        learnNumber(call, direction, number);
    else
        keepFor(n);
}

CallRecord* CallTracker::recentWithoutNumber(const QString& direction)
{
    CallRecord* best = nullptr;
    auto consider = [&](CallRecord& c) {
        if (!c.callerId.isEmpty() || (!c.direction.isEmpty() && c.direction != direction))
            return;
        if (!best || c.startUtc < best->startUtc)
            best = &c;
    };
    for (CallRecord& c : recent_)
        consider(c);
    for (CallRecord& c : open_)
        if (c.serial != 0)
            consider(c);
    return best;
}

void CallTracker::onCallHistoryRead()
{
    QHash<QString, int> counts;
    for (const CCallInfo& info : controller_->application().callInfos()) {
        const QString number = info.phoneNumber().trimmed();
        const QString direction = directionOf(info.direction());
        if (number.isEmpty() || direction.isEmpty())
            continue;
        counts[direction + QLatin1Char('|') + number] += info.noOfCalls();
    }
    if (historyRead_) {
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const int grew = it.value() - historyCounts_.value(it.key());
            const QString direction = it.key().section(QLatin1Char('|'), 0, 0);
            const QString number = it.key().section(QLatin1Char('|'), 1);
            for (int i = 0; i < grew; ++i) {
                CallRecord* call = recentWithoutNumber(direction);
                if (!call)
                    break;
                learnNumber(*call, direction, number);
            }
        }
    }
    // A counter reset on the router starts the counts again from here.
    historyCounts_ = counts;
    historyRead_ = true;
}

}  // namespace korvane
