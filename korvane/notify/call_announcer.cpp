#include "korvane/notify/call_announcer.h"

#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

namespace korvane {

CallAnnouncer::CallAnnouncer(CMonitorController* controller, DesktopNotifier* notifier,
                             std::function<AnnounceChoices()> choices, QObject* parent)
    : QObject(parent), controller_(controller), notifier_(notifier), choices_(std::move(choices))
{
    // Every incoming call once, voice or data, the same caller again too; as
    // soon as the tracker knows it is incoming (its number may follow).
    auto incoming = [this](const CallRecord& call) {
        if (!call.isIncoming() || call.resumed || !choices_().callerId)
            return;
        const int n = call.line - 1;
        if (n < 0 || n > 1 || announced_[n] == call.serial)
            return;
        announced_[n] = call.serial;
        const QString number = call.callerId.isEmpty() ? QStringLiteral("Number withheld") : call.callerId;
        const QString kind = call.voice ? QStringLiteral("Call") : QStringLiteral("Data call");
        announce(QStringLiteral("%1 on line %2").arg(kind).arg(call.line),
                 call.callerName.isEmpty() ? number : QStringLiteral("%1\n%2").arg(call.callerName, number));
    };
    connect(&controller->calls(), &CallTracker::callStarted, this, incoming);
    connect(&controller->calls(), &CallTracker::callerKnown, this, incoming);
    connect(controller, &CMonitorController::lineChanged, this, [this](int line, bool up) {
        const AnnounceChoices c = choices_();
        if ((up && !c.lineUp) || (!up && !c.lineDown))
            return;
        const CLine* record = controller_->application().lines().line(line);
        const QString link = record ? record->link() : QString();
        announce(up ? QStringLiteral("Line %1 is up").arg(line) : QStringLiteral("Line %1 is down").arg(line),
                 up ? link : QString());
    });
    connect(controller, &CMonitorController::statusStale, this, [this] {
        // A router never reached was never lost.
        if (lost_ || !seen_)
            return;
        lost_ = true;
        if (choices_().router)
            announce(QStringLiteral("Router lost"), controller_->title(false, true));
    });
    connect(controller, &CMonitorController::statusTick, this, [this] {
        seen_ = true;
        if (!lost_)
            return;
        lost_ = false;
        if (choices_().router)
            announce(QStringLiteral("Router back"), controller_->title(false, true));
    });
}

void CallAnnouncer::announce(const QString& summary, const QString& body) { notifier_->notify(summary, body); }

}  // namespace korvane
