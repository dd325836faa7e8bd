#pragma once
// What the simulated router knows about its two lines: the calls on them, their
// counters and load, the call history and the packet that placed the last call.
// Time moves only through advance(), one second a step, so a given seed and a
// given sequence of calls always produce the same screens.

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <array>
#include <functional>

namespace prestige {

enum class CallKind { Data, Voice };
enum class Direction { In, Out };

// Widths of the screen cells the counters are painted into; a counter that
// outgrows its cell wraps round as the router's own counters do.
inline constexpr qint64 kPacketCounterModulo = 100000000; // 8 digits
inline constexpr qint64 kErrorCounterModulo = 100000;     // 5 digits
inline constexpr int kMaxHistoryEntries = 10;
inline constexpr int kMaxLanPacketBytes = 48; // two rows of 24 bytes
inline constexpr int kMaxLinkLength = 11;
inline constexpr int kMaxNumberLength = 16;
// Up times are painted as H:MM:SS in nine cells; longer ones stop here.
inline constexpr int kMaxDurationSeconds = 999 * 3600 + 59 * 60 + 59;

struct LineState {
    int channel = 0; // 0 idle, else the B channel 1 or 2
    QString link;    // remote node name, "Voice" for a voice call
    int type = 0;    // call rate in kbit/s, painted as "64K"; 0 paints nothing
    qint64 packetsSent = 0;
    qint64 packetsReceived = 0;
    qint64 errors = 0;
    int utilization = 0;        // percent
    int averageUtilization = 0; // percent, over the call so far
    int upSeconds = 0;
    QString peerIp;
    QString callerId;

    // The call behind the painted fields.
    CallKind kind = CallKind::Data;
    Direction direction = Direction::Out;
    QString number;
    int callId = 0;
    int loadTarget = 0;
    double loadLevel = 0; // utilisation before jitter, moving towards loadTarget
    double loadStep = 0;  // per second while ramping
    qint64 utilizationSum = 0;

    bool isUp() const { return channel > 0; }
};

// One row of the call history: calls to or from one number in one direction.
struct HistoryEntry {
    QString number;
    Direction direction = Direction::Out;
    int rate = 64;
    int calls = 0;
    int maxSeconds = 0;
    int minSeconds = 0;
    int totalSeconds = 0;

    bool operator==(const HistoryEntry&) const = default;
};

struct CallRequest {
    int line = 1;    // 1 or 2
    int channel = 0; // 1 or 2; 0 takes the first free one
    Direction direction = Direction::Out;
    CallKind kind = CallKind::Data;
    QString number;
    QString node;   // data calls: the remote node name shown as the link
    QString peerIp; // data calls: the remote node's address
    int rate = 64;
};

struct CallEvent {
    enum Kind { Dialing, Connected, Terminated };
    Kind kind = Dialing;
    int line = 0;
    int channel = 0;
    int callId = 0;
    Direction direction = Direction::Out;
    CallKind callKind = CallKind::Data;
    QString number;
    int rate = 64;
};

// "H:MM:SS", hours unbounded below kMaxDurationSeconds.
QString formatDuration(int seconds);

class RouterState {
public:
    explicit RouterState(quint32 seed = 1);

    // line is 1 or 2; anything else is clamped so a bad index never reads
    // outside the pair.
    const LineState& line(int line) const;
    const QList<HistoryEntry>& history() const { return history_; }
    int totalOutcallSeconds() const;
    const QByteArray& lanPacket() const { return lanPacket_; }
    bool lanPacketIsIpx() const { return lanPacketIsIpx_; }
    int secondsRunning() const { return seconds_; }

    // Brings a call up at once (the router's dialling takes no simulated time).
    // Fails with a reason when the line or the channel is taken or the call is
    // unusable; the state is then unchanged.
    bool startCall(const CallRequest& request, QString* error = nullptr);
    // Ends the call on the line, if any, and books it into the history.
    bool hangup(int line);
    // 1 or 2 drop the call on that channel, 0 both.
    void dropChannel(int channel);
    void resetCounters();
    // Moves the line's utilisation to percent over rampSeconds (0: at once).
    void setLoad(int line, int percent, int rampSeconds = 0);
    void addErrors(int line, int count);
    // Used by the next outgoing data call instead of a packet of its own.
    void setPendingLanPacket(const QByteArray& bytes, bool ipx);
    // Test and scenario hook: writes a line's painted fields directly.
    void setLine(int line, const LineState& state);
    void setHistory(const QList<HistoryEntry>& entries);
    void setLanPacket(const QByteArray& bytes, bool ipx);
    void setCompletedOutcallSeconds(int seconds) { completedOutcallSeconds_ = seconds; }

    // One second of router time: up times, counters and load move.
    void advance();

    std::function<void(const CallEvent&)> onCallEvent;

private:
    LineState& mutableLine(int line);
    void emitEvent(CallEvent::Kind kind, int line, const LineState& state);
    void bookIntoHistory(const LineState& state);
    QByteArray makeTriggerPacket(const QString& peerIp);

    std::array<LineState, 2> lines_;
    QList<HistoryEntry> history_; // newest first
    int completedOutcallSeconds_ = 0;
    QByteArray lanPacket_;
    bool lanPacketIsIpx_ = false;
    QByteArray pendingPacket_;
    bool pendingPacketIsIpx_ = false;
    bool hasPendingPacket_ = false;
    int nextCallId_ = 1;
    int seconds_ = 0;
    QRandomGenerator rng_;
};

} // namespace prestige
