#pragma once
// One call as the monitor knows it: what the call tracker decides and every
// listener (journal, notifications, metrics, console, HTTP) takes as it is.

#include <QString>
#include <QtGlobal>

namespace korvane {

// How a call ended. The stored texts never change: old journals keep them.
enum class CallEnd { Open = 0, HungUp, Dropped, RouterLost, MonitorStopped };
QString callEndText(CallEnd end);  // "hung up", "dropped", ...
CallEnd callEndFromText(const QString& text);

inline constexpr char kDirectionIn[] = "In";
inline constexpr char kDirectionOut[] = "Out";

struct CallRecord {
    qint64 id = 0;           // the journal's row; 0 while no journal holds the call
    qint64 serial = 0;       // the tracker's number for the call in this run
    int line = 0;
    int channel = 0;
    qint64 startUtc = 0;     // seconds since the epoch, UTC
    qint64 endUtc = 0;       // 0 while the call is open
    qint64 lastTickUtc = 0;  // the last status tick that saw the call
    // The router's own count: the line's Up Time at the last tick that saw
    // the call; -1 where the router showed none (the ticks count instead).
    qint64 seconds = -1;
    QString link;
    int type = 0;
    bool voice = false;
    QString direction;       // "In", "Out" or empty while nobody has said
    QString peerIp;
    QString callerId;        // the caller's number (in) or the number dialled (out)
    QString callerName;
    qint64 packetsSent = 0;
    qint64 packetsReceived = 0;
    qint64 errors = 0;
    int averageUtilization = 0;
    int peakUtilization = 0;
    CallEnd ended = CallEnd::Open;
    // An earlier run of the monitor saw this call start; this run goes on
    // with it (nothing announces it again).
    bool resumed = false;

    bool isOpen() const { return ended == CallEnd::Open; }
    bool isIncoming() const { return direction == QLatin1String(kDirectionIn); }
    bool isOutgoing() const { return direction == QLatin1String(kDirectionOut); }
    // The router's count where it gave one, else start to end (or to the last
    // tick while open).
    qint64 durationSeconds() const
    {
        if (seconds >= 0)
            return seconds;
        const qint64 end = isOpen() || endUtc == 0 ? lastTickUtc : endUtc;
        return qMax<qint64>(0, end - startUtc);
    }
};

// Seconds in an up-time text as the router paints it ("  1:02:03 "); -1 when
// it is not one.
qint64 upTimeSeconds(const QString& text);

}  // namespace korvane
