#include "korvane/notify/call_announcer.h"

#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/shell/controller.h"

namespace korvane {

CallAnnouncer::CallAnnouncer(CMonitorController* controller, DesktopNotifier* notifier,
                             std::function<AnnounceChoices()> choices, QObject* parent)
    : QObject(parent), controller_(controller), notifier_(notifier), choices_(std::move(choices))
{
    connect(controller, &CMonitorController::callerIdChanged, this, [this](int line, const QString& number) {
        if (!choices_().callerId)
            return;
        const CLine* record = controller_->application().lines().line(line);
        const QString name = record ? record->callerName() : QString();
        announce(QStringLiteral("Call on line %1").arg(line),
                 name.isEmpty() ? number : QStringLiteral("%1\n%2").arg(name, number));
    });
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
        if (lost_)
            return;
        lost_ = true;
        if (choices_().router)
            announce(QStringLiteral("Router lost"), controller_->title(false, true));
    });
    connect(controller, &CMonitorController::statusTick, this, [this] {
        if (!lost_)
            return;
        lost_ = false;
        if (choices_().router)
            announce(QStringLiteral("Router back"), controller_->title(false, true));
    });
}

void CallAnnouncer::announce(const QString& summary, const QString& body) { notifier_->notify(summary, body); }

}  // namespace korvane
