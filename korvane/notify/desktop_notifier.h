#pragma once
// Desktop notifications: the freedesktop Notifications service on the
// session bus when there is one, else the tray icon's balloon, else nothing
// (and no error). Calls on the bus are asynchronous: a slow or hung
// notification server never holds up a status tick.

#include <QObject>
#include <QString>

#include <functional>

namespace korvane {

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    enum class Route { Bus, Balloon, None };

    explicit DesktopNotifier(QObject* parent = nullptr);

    // The tray balloon, used where the bus has no notification service.
    // Returns false when there is no tray either.
    void setBalloon(std::function<bool(const QString& title, const QString& body)> balloon)
    {
        balloon_ = std::move(balloon);
    }

    // Shows one notification; returns the way it went.
    Route notify(const QString& summary, const QString& body);
    // Whether the session bus has a notification service (asked each time:
    // one may start or go away while the monitor runs).
    static bool busServiceAvailable();

    int sent() const { return sent_; }

private:
    std::function<bool(const QString&, const QString&)> balloon_;
    int sent_ = 0;
};

}  // namespace korvane
