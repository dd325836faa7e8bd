#include "korvane/http/line_totals.h"

#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

#include <QElapsedTimer>

namespace korvane::http {

CountedLineTotals::CountedLineTotals(CMonitorController* controller, std::function<qint64()> now, QObject* parent)
    : QObject(parent), now_(std::move(now)) {
    if (!now_) {
        auto clock = std::make_shared<QElapsedTimer>();
        clock->start();
        now_ = [clock] { return clock->elapsed(); };
    }
    if (controller) {
        // A call is what the call tracker says it is: the same caller twice is
        // two calls, a stale spell inside one call is none.
        connect(&controller->calls(), &CallTracker::callStarted, this, [this](const CallRecord& call) {
            if ((call.line == 1 || call.line == 2) && !call.resumed)
                lines_[size_t(call.line - 1)].calls += 1;
        });
        connect(controller, &CMonitorController::lineChanged, this, &CountedLineTotals::lineChanged);
        // The seconds follow the controller's memory of each line at every
        // tick, so a call that outlasts a stale spell keeps counting after it.
        connect(controller, &CMonitorController::statusTick, this, [this, controller] {
            for (int n = 1; n <= 2; ++n)
                setOnline(n, controller->lineMemory()[size_t(n - 1)].up);
        });
        connect(controller, &CMonitorController::disconnected, this, &CountedLineTotals::connectionLost);
        connect(controller, &CMonitorController::statusStale, this, &CountedLineTotals::connectionLost);
    }
}

void CountedLineTotals::lineChanged(int line, bool up) {
    if (line < 1 || line > 2)
        return;
    setOnline(line, up);
}

void CountedLineTotals::setOnline(int line, bool online) {
    Line& l = lines_[size_t(line - 1)];
    const qint64 now = now_();
    if (online && l.upSince < 0) {
        l.upSince = now;
    } else if (!online && l.upSince >= 0) {
        l.onlineMs += now - l.upSince;
        l.upSince = -1;
    }
}

void CountedLineTotals::connectionLost() {
    setOnline(1, false);
    setOnline(2, false);
}

double CountedLineTotals::calls(int line) const {
    if (line < 1 || line > 2)
        return 0;
    return lines_[size_t(line - 1)].calls;
}

double CountedLineTotals::onlineSeconds(int line) const {
    if (line < 1 || line > 2)
        return 0;
    const Line& l = lines_[size_t(line - 1)];
    qint64 ms = l.onlineMs;
    if (l.upSince >= 0)
        ms += now_() - l.upSince;
    return double(ms) / 1000.0;
}

}  // namespace korvane::http
