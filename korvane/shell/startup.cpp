#include "korvane/shell/startup.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/splash.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

#ifdef KORVANE_HAVE_HELP_WINDOW
#include "korvane/help/help_window.h"
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

int runFrame(QApplication& app, const FrameOptions& options)
{
    QApplication::setOrganizationName(QStringLiteral("Omberon"));
    QApplication::setApplicationName(korvaneProductTitle());
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
    // The frame hides instead of closing; only Exit ends the loop.
    app.setQuitOnLastWindowClosed(false);

    QSettingsProfileStore store;
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
    frame.create(showSplash);

    StartupHooks hooks;
    const QString address = options.commandLine;
    hooks.title = [address] {
        QString t = korvaneProductTitle() + QLatin1String(" v. ") + QLatin1String(kVersionText);
        if (!address.isEmpty())
            t += QLatin1String(" on ") + address;
        return t;
    };
    runStartupSteps(frame, store, hooks, options.startHidden);
    return app.exec();
}

}  // namespace korvane
