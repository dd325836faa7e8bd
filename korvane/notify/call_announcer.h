#pragma once
// What is announced: every incoming call (number and name, as the call
// tracker knows it), optionally lines going up and down, the router lost and
// back, each as the notification settings say. Listens to the monitor only.

#include "korvane/notify/desktop_notifier.h"

#include <QObject>

#include <functional>

namespace korvane {

class CMonitorController;
struct JournalSettings;

struct AnnounceChoices {
    bool callerId = true;
    bool lineUp = false;
    bool lineDown = false;
    bool router = true;
};

class CallAnnouncer : public QObject {
    Q_OBJECT
public:
    // choices are asked at each event, so a changed setting counts at once.
    CallAnnouncer(CMonitorController* controller, DesktopNotifier* notifier, std::function<AnnounceChoices()> choices,
                  QObject* parent = nullptr);

private:
    void announce(const QString& summary, const QString& body);

    CMonitorController* controller_;
    DesktopNotifier* notifier_;
    std::function<AnnounceChoices()> choices_;
    bool lost_ = false;
    bool seen_ = false;               // a status came since the start
    qint64 announced_[2] = {0, 0};    // the tracker's serial of the call last announced per line
};

}  // namespace korvane
