#pragma once
// What the monitor's thread hands the MQTT client: plain copies of the lines
// and of a call, made in a tick without building anything.

#include <QString>
#include <QtGlobal>

#include <array>

namespace korvane::mqtt {

struct LineSnapshot {
    bool up = false;
    int utilization = 0;
    int averageUtilization = 0;
    QString link;
    int channel = 0;
    QString callerId;
    QString callerName;
    qint64 packetsSent = 0;
    qint64 packetsReceived = 0;
    qint64 errors = 0;
};

// The monitor as one tick (or a stale spell) left it.
struct MonitorSnapshot {
    bool live = false;
    std::array<LineSnapshot, 2> lines;
};

struct CallSnapshot {
    qint64 serial = 0;
    int line = 0;
    int channel = 0;
    QString direction;  // "In", "Out" or empty
    QString number;
    QString name;
    bool voice = false;
    qint64 startUtc = 0;
};

}  // namespace korvane::mqtt
