#pragma once
// The call tracker: the one place that decides when a call starts and ends
// and what it is. It reads the status ticks (a line up, its link, Up Time and
// caller id), the router's syslog call messages ("Incoming Call, N",
// "Outgoing Call, N", "ANSWER Connected", "CALL Connected", "Call
// Terminated") and the router's call history rows, whichever tells first, and
// says so in typed signals. The journal, the notifications, the metrics, the
// console and the HTTP endpoint all listen to it; none of them decides on its
// own.
//
// A call's duration is the router's: the line's Up Time at the last tick that
// saw it. A call the status lost sight of (a stale spell, a reconnect, a
// restart of the monitor) goes on as the same call when the line comes back
// up with an Up Time that reaches back to its start.

#include "korvane/monitor/call_record.h"

#include <QHash>
#include <QList>
#include <QObject>

#include <array>
#include <functional>

namespace korvane {

class CMonitorController;

class CallTracker : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;  // seconds since the epoch, UTC

    explicit CallTracker(CMonitorController* controller, QObject* parent = nullptr);
    // Ends the calls still open: the monitor stopped.
    ~CallTracker() override;

    void setClock(Clock clock) { clock_ = std::move(clock); }
    // Names for numbers (the phone book); none leaves names empty.
    void setNameLookup(std::function<QString(const QString&)> lookup) { lookup_ = std::move(lookup); }

    // Calls an earlier run left open (the journal's). Each is continued by
    // the first tick that shows its line up with an Up Time reaching back to
    // its start, and ended where it was last seen otherwise.
    void adoptOpenCalls(const QList<CallRecord>& calls);

    // The open call of line 1 or 2, or null.
    const CallRecord* openCall(int line) const;
    // Calls started since the tracker was made, per line (1, 2), and the
    // seconds of calls ended since then; for counters since the process began.
    qint64 callsStarted(int line) const;
    qint64 secondsEnded(int line) const;

    // The monitor stops: calls still open end at their last tick.
    void endOpenCalls(CallEnd how);

    // What the router said, one input each; the controller feeds them.
    void onStatusTick();
    void onSyslogMessage(const QString& message);
    void onCallHistoryRead();
    void onStatusLost();
    void onDropRequested(int which);

    // How far (seconds) a start worked out from the Up Time may lie from a
    // known start and still be the same call.
    // A repaint comes a second or two after the router's clock moved.
    static constexpr qint64 kSameStartSeconds = 3;

signals:
    void callStarted(const korvane::CallRecord& call);
    // The number (and name) of a call became known or changed.
    void callerKnown(const korvane::CallRecord& call);
    // Counters, utilisation, Up Time; also a direction or number learned
    // after the call ended (from the call history).
    void callUpdated(const korvane::CallRecord& call);
    void callEnded(const korvane::CallRecord& call);

private:
    struct Pending {  // a syslog message for a call not yet seen on a tick
        QString direction;
        QString number;
        qint64 atUtc = 0;
        int channel = 0;
    };
    void startCall(int index, qint64 now, qint64 upTime);
    void endCall(int index, CallEnd how, bool sawEnd);
    void learnNumber(CallRecord& call, const QString& direction, const QString& number);
    void takePending(int index);
    CallRecord* recentWithoutNumber(const QString& direction);

    CMonitorController* controller_;
    Clock clock_;
    std::function<QString(const QString&)> lookup_;
    std::array<CallRecord, 2> open_;
    std::array<qint64, 2> utilizationSum_{};
    std::array<qint64, 2> samples_{};
    std::array<qint64, 2> dropRequested_{};
    std::array<Pending, 2> pending_;
    std::array<qint64, 2> started_{};
    std::array<qint64, 2> secondsEnded_{};
    QList<CallRecord> adopted_;   // an earlier run's open calls, not yet decided
    QList<CallRecord> recent_;    // ended calls that may still learn their number
    QHash<QString, int> historyCounts_;  // "direction|number" -> calls, as last read
    bool historyRead_ = false;
    bool lost_ = false;           // the status went stale; open calls wait for it to return
    qint64 nextSerial_ = 1;
};

}  // namespace korvane
