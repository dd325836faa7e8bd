#include "korvane/shell/startup.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/splash.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

#ifdef KORVANE_HAVE_HELP_WINDOW
#include "korvane/help/help_window.h"
#endif
#ifdef KORVANE_HAVE_SETTINGS
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/settings_store.h"
#endif

namespace korvane {

struct QSettingsProfileStore::Impl {
    std::unique_ptr<QSettings> settings;
};

QSettingsProfileStore::QSettingsProfileStore() : d(std::make_unique<Impl>())
{
    const QString dir = qEnvironmentVariable("KORVANE_SETTINGS_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        d->settings = std::make_unique<QSettings>(QDir(dir).filePath(korvaneProductTitle() + QLatin1String(".conf")),
                                                  QSettings::IniFormat);
    } else {
        d->settings = std::make_unique<QSettings>(QStringLiteral("Omberon"), korvaneProductTitle());
    }
}

QSettingsProfileStore::~QSettingsProfileStore() = default;

QVariant QSettingsProfileStore::value(const QString& section, const QString& key) const
{
    return d->settings->value(section + QLatin1Char('/') + key);
}

void QSettingsProfileStore::setValue(const QString& section, const QString& key, const QVariant& value)
{
    d->settings->setValue(section + QLatin1Char('/') + key, value);
}

bool needsConfiguration(bool configured, const QString& password)
{
    return !configured || password.isEmpty() || password == QLatin1String("<deleted>");
}

namespace {
int readInt(ProfileStore& store, const char* key, int fallback)
{
    bool ok = false;
    const int v = store.value(QStringLiteral("Settings"), QLatin1String(key)).toInt(&ok);
    return ok ? v : fallback;
}
}  // namespace

bool runStartupSteps(CMainFrame& frame, ProfileStore& store, const StartupHooks& hooks, bool startHidden)
{
    if (hooks.createViews)
        hooks.createViews();

    bool configured = readInt(store, "Configured", 0) != 0;
    const QString password = hooks.password ? hooks.password() : QString();
    if (needsConfiguration(configured, password)) {
        SplashWindow::HideSplash();
        if (hooks.runConfigSheet && hooks.runConfigSheet()) {
            configured = true;
            store.setValue(QStringLiteral("Settings"), QStringLiteral("Configured"), 1);
        }
    }
    if (configured && hooks.loadScript)
        hooks.loadScript();
    if (hooks.title)
        frame.SetTitle(hooks.title());

    if (hooks.firstUpdates)
        hooks.firstUpdates();

    if (!startHidden) {
        frame.show();
        frame.update();
    }
    return configured;
}

#ifdef KORVANE_HAVE_SETTINGS
namespace {
// The frame's values in the program's settings store.
class SettingsStoreProfile : public ProfileStore {
public:
    explicit SettingsStoreProfile(SettingsStore& store) : store_(store) {}
    QVariant value(const QString& section, const QString& key) const override { return store_.readRaw(section, key); }
    void setValue(const QString& section, const QString& key, const QVariant& value) override
    {
        if (value.typeId() == QMetaType::QByteArray)
            store_.writeBinary(section, key, value.toByteArray());
        else if (value.typeId() == QMetaType::Int)
            store_.writeInt(section, key, value.toInt());
        else
            store_.writeString(section, key, value.toString());
    }

private:
    SettingsStore& store_;
};
}  // namespace
#endif

int runFrame(QApplication& app, const FrameOptions& options)
{
    QApplication::setOrganizationName(QStringLiteral("Omberon"));
    QApplication::setApplicationName(korvaneProductTitle());
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
    // The frame hides instead of closing; only Exit ends the loop.
    app.setQuitOnLastWindowClosed(false);

#ifdef KORVANE_HAVE_SETTINGS
    SettingsStore settingsStore;
    SettingsStoreProfile store(settingsStore);
#else
    QSettingsProfileStore store;
#endif
    bool showSplash = true;
    {
        bool ok = false;
        const int v = store.value(QStringLiteral("Settings"), QStringLiteral("Show Splash Screen")).toInt(&ok);
        showSplash = ok ? v != 0 : true;
    }

#ifdef KORVANE_HAVE_HELP_WINDOW
    installHelpWindow();
#endif

    CMainFrame frame(&store);
#ifdef KORVANE_HAVE_SETTINGS
    CConfigSheet sheet(settingsStore, options.commandLine, &frame);
#endif
    frame.create(showSplash);

    StartupHooks hooks;
#ifdef KORVANE_HAVE_SETTINGS
    hooks.password = [&sheet] { return sheet.GetPassword(); };
    hooks.runConfigSheet = [&sheet] { return sheet.exec() == QDialog::Accepted; };
    auto title = [&sheet] {
        const QString address = sheet.GetIpAddress();
#else
    auto title = [address = options.commandLine] {
#endif
        QString t = korvaneProductTitle() + QLatin1String(" v. ") + QLatin1String(kVersionText);
        if (!address.isEmpty())
            t += QLatin1String(" on ") + address;
        return t;
    };
    hooks.title = title;
#ifdef KORVANE_HAVE_SETTINGS
    frame.setCommandHandler(cmd::Properties, {[&sheet, &frame, title] {
                                                  sheet.exec();
                                                  frame.SetTitle(title());
                                              },
                                              {},
                                              {}});
#endif
    // The caption follows the frame's activation, so a changed address shows soon.
    QObject::connect(&frame, &CMainFrame::frameActivationChanged, &frame, [&frame, title] { frame.SetTitle(title()); });
#ifdef KORVANE_HAVE_SETTINGS
    frame.SetTrayTip(korvaneProductTitle() + QLatin1String(" on ") + sheet.GetIpAddress());
#endif
    runStartupSteps(frame, store, hooks, options.startHidden);
    return app.exec();
}

}  // namespace korvane
