#pragma once
// Calls and online seconds per line, as the metrics and the status API read
// them. A call journal that knows the whole history can stand in for the
// count this monitor keeps since its start.

#include <QJsonArray>
#include <QDateTime>
#include <QObject>

#include <array>
#include <functional>

namespace korvane {
class CMonitorController;
}

namespace korvane::http {

class LineTotals {
public:
    virtual ~LineTotals() = default;
    virtual double calls(int line) const = 0;          // line 1 or 2
    virtual double onlineSeconds(int line) const = 0;  // including a call in progress
};

// The recent calls for /api/calls: the journal answers, when one is attached.
class CallList {
public:
    virtual ~CallList() = default;
    // Calls that began at or after since, newest first, at most limit.
    virtual QJsonArray callsSince(const QDateTime& since, int limit) const = 0;
};

// Counts since this monitor started: each call the call tracker starts is a
// call; a line's seconds run while the status screens show it up, and stop
// while no status comes in (nothing is known then).
class CountedLineTotals : public QObject, public LineTotals {
    Q_OBJECT
public:
    // now: milliseconds of a steady clock; tests pass their own.
    explicit CountedLineTotals(CMonitorController* controller, std::function<qint64()> now = {},
                               QObject* parent = nullptr);

    double calls(int line) const override;
    double onlineSeconds(int line) const override;

    void lineChanged(int line, bool up);
    void connectionLost();

private:
    void setOnline(int line, bool online);
    struct Line {
        double calls = 0;
        qint64 onlineMs = 0;
        qint64 upSince = -1;
    };
    std::function<qint64()> now_;
    std::array<Line, 2> lines_;
};

}  // namespace korvane::http
