#include "korvane/notify/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace korvane {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kExpireMs = 8000;
}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::busServiceAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(kService).value();
}

DesktopNotifier::Route DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (busServiceAvailable()) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("korvane"));
        hints.insert(QStringLiteral("category"), QStringLiteral("network"));
        call << QStringLiteral("Korvane") << uint(0) << QStringLiteral("korvane") << summary << body << QStringList()
             << hints << int(kExpireMs);
        // No reply is awaited: the desktop may take its time.
        if (QDBusConnection::sessionBus().send(call)) {
            ++sent_;
            return Route::Bus;
        }
    }
    if (balloon_ && balloon_(summary, body)) {
        ++sent_;
        return Route::Balloon;
    }
    return Route::None;
}

}  // namespace korvane
