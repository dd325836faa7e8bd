// Notifications against a real session bus (a dbus-daemon of the test's own,
// with a small notification server), the fallbacks, what the announcer
// announces, and the tray meter at every size a tray may ask for.
#include "korvane/notify/desktop_notifier.h"
#include "korvane/notify/tray_meter.h"

#include "korvane/shell/tray_images.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/notify/call_announcer.h"
#include "tests/controller/recorders.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// The server side of org.freedesktop.Notifications, recording each call.
class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Seen {
        QString app, summary, body;
        int timeout;
    };
    QList<Seen> seen;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int timeout)
    {
        seen.append({app, summary, body, timeout});
        return uint(seen.size());
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// One private session bus for the whole program, started before anything
// asks Qt for the session bus.
class Bus {
public:
    static Bus& instance()
    {
        static Bus bus;
        return bus;
    }
    bool ok() const { return !address_.isEmpty(); }
    QDBusConnection server() { return QDBusConnection(QStringLiteral("test-server")); }
    bool registerServer(NotificationServer* server)
    {
        QDBusConnection c = QDBusConnection::connectToBus(address_, QStringLiteral("test-server"));
        return c.isConnected() &&
               c.registerObject(QStringLiteral("/org/freedesktop/Notifications"), server,
                                QDBusConnection::ExportAllSlots) &&
               c.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    void unregisterServer()
    {
        QDBusConnection c = server();
        c.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        c.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        waitFor([] { return !DesktopNotifier::busServiceAvailable(); });
    }
    ~Bus()
    {
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.kill();
            daemon_.waitForFinished(2000);
        }
    }

private:
    Bus()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return;
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000))
            return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        // Only this bus, never the user's own.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toUtf8());
    }
    QProcess daemon_;
    QString address_;
};

}  // namespace

TEST(DesktopNotifier, SendsToTheNotificationServiceOnTheSessionBus)
{
    Bus& bus = Bus::instance();
    if (!bus.ok())
        GTEST_SKIP() << "no dbus-daemon";
    NotificationServer server;
    ASSERT_TRUE(bus.registerServer(&server));
    ASSERT_TRUE(waitFor([] { return DesktopNotifier::busServiceAvailable(); }));
    DesktopNotifier notifier;
    int balloons = 0;
    notifier.setBalloon([&](const QString&, const QString&) { ++balloons; return true; });
    EXPECT_EQ(notifier.notify(QStringLiteral("Call on line 2"), QStringLiteral("Anna Berg\n0301234567")),
              DesktopNotifier::Route::Bus);
    ASSERT_TRUE(waitFor([&] { return !server.seen.isEmpty(); }));
    EXPECT_EQ(server.seen[0].app, QStringLiteral("Korvane"));
    EXPECT_EQ(server.seen[0].summary, QStringLiteral("Call on line 2"));
    EXPECT_EQ(server.seen[0].body, QStringLiteral("Anna Berg\n0301234567"));
    EXPECT_GT(server.seen[0].timeout, 0);
    EXPECT_EQ(balloons, 0);

    // The service goes away: the balloon, and without a tray nothing at all.
    bus.unregisterServer();
    EXPECT_EQ(notifier.notify(QStringLiteral("x"), QStringLiteral("y")), DesktopNotifier::Route::Balloon);
    EXPECT_EQ(balloons, 1);
    notifier.setBalloon([](const QString&, const QString&) { return false; });
    EXPECT_EQ(notifier.notify(QStringLiteral("x"), QStringLiteral("y")), DesktopNotifier::Route::None);
    DesktopNotifier bare;
    EXPECT_EQ(bare.notify(QStringLiteral("x"), QStringLiteral("y")), DesktopNotifier::Route::None);
}

TEST(DesktopNotifier, AServerThatNeverAnswersDoesNotHoldUpTheCaller)
{
    Bus& bus = Bus::instance();
    if (!bus.ok())
        GTEST_SKIP() << "no dbus-daemon";
    // A name owned by a connection that never reads its messages.
    QDBusConnection mute = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                                                         QStringLiteral("mute"));
    ASSERT_TRUE(mute.registerService(QStringLiteral("org.freedesktop.Notifications")));
    DesktopNotifier notifier;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 20; ++i)
        notifier.notify(QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_LT(t.elapsed(), 2000);
    mute.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("mute"));
}

TEST(CallAnnouncer, AnnouncesWhatTheSettingsChoose)
{
    using namespace korvane::test;
    Log log;
    FakeSettings settings;
    CMonitorController controller(&settings, nullptr, std::make_unique<FakeTerminal>(&log));
    controller.setCallerNameLookup([](const QString& n) {
        return n == QLatin1String("0301234567") ? QStringLiteral("Anna Berg") : QString();
    });
    DesktopNotifier notifier;
    QStringList shown;
    notifier.setBalloon([&](const QString& t, const QString& b) { shown.append(t + u'|' + b); return true; });
    AnnounceChoices choices;
    CallAnnouncer announcer(&controller, &notifier, [&] { return choices; });
    prestige::RouterState router;
    auto tick = [&] {
        router.advance();
        controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
    };
    // Whatever bus the other tests left behind is not this test's business.
    if (DesktopNotifier::busServiceAvailable())
        GTEST_SKIP() << "a notification service is on the bus";
    tick();
    prestige::CallRequest voice;
    voice.line = 2;
    voice.kind = prestige::CallKind::Voice;
    voice.direction = prestige::Direction::In;
    voice.number = QStringLiteral("0301234567");
    ASSERT_TRUE(router.startCall(voice));
    tick();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], QStringLiteral("Call on line 2|Anna Berg\n0301234567"));
    choices.lineDown = true;
    router.hangup(2);
    tick();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1], QStringLiteral("Line 2 is down|"));
    controller.OnWatchdog();
    controller.OnWatchdog();  // once, not on every expiry
    tick();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown[2].startsWith(QStringLiteral("Router lost|")));
    EXPECT_TRUE(shown[3].startsWith(QStringLiteral("Router back|")));
    choices = AnnounceChoices{false, false, false, false};
    ASSERT_TRUE(router.startCall(voice));
    tick();
    EXPECT_EQ(shown.size(), 4);
}

TEST(CallAnnouncer, EveryIncomingCallOnceTheSameCallerAgainAndDataCallsTooButNoLossBeforeAStatus)
{
    using namespace korvane::test;
    Log log;
    FakeSettings settings;
    CMonitorController controller(&settings, nullptr, std::make_unique<FakeTerminal>(&log));
    DesktopNotifier notifier;
    QStringList shown;
    notifier.setBalloon([&](const QString& t, const QString& b) { shown.append(t + u'|' + b); return true; });
    CallAnnouncer announcer(&controller, &notifier, [] { return AnnounceChoices{}; });
    if (DesktopNotifier::busServiceAvailable())
        GTEST_SKIP() << "a notification service is on the bus";
    // A router never reached is never lost (the first-run sheet cancelled).
    controller.OnWatchdog();
    EXPECT_TRUE(shown.isEmpty());
    prestige::RouterState router;
    auto tick = [&](int seconds) {
        for (int i = 0; i < seconds; ++i)
            router.advance();
        controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
    };
    prestige::CallRequest call;
    call.line = 1;
    call.kind = prestige::CallKind::Voice;
    call.direction = prestige::Direction::In;
    call.number = QStringLiteral("0409998877");
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(router.startCall(call));
        tick(1);
        tick(3);
        router.hangup(1);
        tick(1);
    }
    call.kind = prestige::CallKind::Data;
    call.node = QStringLiteral("Branch");
    call.peerIp = QStringLiteral("10.0.1.1");
    ASSERT_TRUE(router.startCall(call));
    tick(1);
    tick(1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Call on line 1|0409998877"), QStringLiteral("Call on line 1|0409998877"),
                                  QStringLiteral("Data call on line 1|0409998877")}));
}

namespace {
const QList<QRgb> kPalette = {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff808080,
                              0xffc0c0c0, 0xffff0000, 0xff00ff00, 0xffffff00};

// Lit segments of a bar: runs of face colours down the bar's middle column.
int litSegments(const QImage& img, int line)
{
    const double s = img.width() / 16.0;
    const int x = int((line == 2 ? 12 : 4) * s);
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb c = img.pixel(x, y);
        const bool face = c == 0xff00ff00 || c == 0xffffff00 || c == 0xffff0000;
        if (face && !inRun)
            ++runs;
        inRun = face;
    }
    return runs;
}
}  // namespace

TEST(TrayMeter, DrawnAtEverySizeWithTheSameStatesAndColours)
{
    for (int pixels : {16, 20, 22, 24, 32, 40, 48, 64, 128}) {
        for (int index = 0; index <= 64; ++index) {
            const QImage img = trayMeterImage(index, pixels);
            ASSERT_EQ(img.size(), QSize(pixels, pixels));
            for (int y = 0; y < pixels; ++y)
                for (int x = 0; x < pixels; ++x) {
                    const QRgb c = img.pixel(x, y);
                    ASSERT_TRUE(qAlpha(c) == 0 || kPalette.contains(c))
                        << "size " << pixels << " image " << index << " pixel " << x << "," << y;
                }
            if (index < 64 && pixels >= 20) {
                EXPECT_EQ(litSegments(img, 1), qMax(0, index / 8 - 1)) << pixels << " " << index;
                EXPECT_EQ(litSegments(img, 2), qMax(0, index % 8 - 1)) << pixels << " " << index;
            }
        }
        // The no-status picture has its red cross corner to corner.
        const QImage cross = trayMeterImage(64, pixels);
        EXPECT_EQ(cross.pixel(0, 0), 0xffff0000u);
        EXPECT_EQ(cross.pixel(pixels - 1, 0), 0xffff0000u);
    }
    EXPECT_EQ(trayMeterImage(-3, 16), trayMeterImage(64, 16));
    EXPECT_EQ(trayMeterImage(0, 1).width(), 8);
    EXPECT_EQ(trayMeterImage(0, 100000).width(), 256);
}

TEST(TrayMeter, AtSixteenPixelsItIsTheTrayPicture)
{
    for (int index = 0; index <= 64; ++index)
        EXPECT_EQ(trayMeterImage(index, 16), trayImage(index)) << index;
}

TEST(TrayMeter, TheIconDrawsAtTheSizeAskedForIncludingHiDpi)
{
    const QIcon icon = trayMeterIcon(7 * 8 + 7);
    for (int side : {16, 24, 32, 48, 64}) {
        const QPixmap pm = icon.pixmap(QSize(side, side));
        EXPECT_EQ(pm.size(), QSize(side, side));
        const QPixmap hi = icon.pixmap(QSize(side, side), 2.0);
        EXPECT_EQ(hi.size(), QSize(side * 2, side * 2));
        EXPECT_EQ(hi.toImage().convertToFormat(QImage::Format_ARGB32), trayMeterImage(63, side * 2));
    }
}

#include "notify_test.moc"
