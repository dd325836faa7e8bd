#include "korvane/shell/startup.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/splash.h"
#include "korvane/shell/stop_watcher.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

#include <cstdio>
#ifdef KORVANE_HAVE_HTTP
#include "korvane/http/http_setup.h"
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
#include "korvane/http/journal_source.h"
#include "korvane/journal/journal_session.h"
#endif
#endif

#ifdef KORVANE_HAVE_HELP_WINDOW
#include "korvane/help/help_window.h"
#endif
#ifdef KORVANE_HAVE_SETTINGS
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/settings_store.h"
#endif
#ifdef KORVANE_HAVE_MONITOR
#include "korvane/router/driver.h"
#include "korvane/shell/controller.h"
#include "korvane/shell/session_recorder.h"
#include "korvane/views/status_view.h"
#include "korvane/views/telnet_view.h"

#include <QMessageBox>
#endif
#ifdef KORVANE_HAVE_LAN_PACKET_VIEW
#include "korvane/views/lan_packet_view.h"
#endif
#ifdef KORVANE_HAVE_SOUND_PLAYER
#include "korvane/shell/sound_player.h"
#endif
#ifdef KORVANE_HAVE_MORE_VIEWS
#include "korvane/views/call_history_view.h"
#include "korvane/views/graph_view.h"
#include "korvane/views/syslog_view.h"
#endif
#ifdef KORVANE_HAVE_JOURNAL
#include "korvane/notify/journal_frame.h"
#endif
#ifdef KORVANE_HAVE_SCRIPT_HOST
#include "automation/dispatch.h"
#include "korvane/script/run_script_dialog.h"
#include "korvane/script/script_host.h"
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

#ifdef KORVANE_HAVE_MONITOR
namespace {

class FrameMessageBoxes : public MessageBoxes {
public:
    explicit FrameMessageBoxes(QWidget* owner) : owner_(owner) {}
    void information(const QString& caption, const QString& text) override
    {
        QMessageBox::information(owner_, caption, text);
    }
    bool question(const QString& caption, const QString& text) override
    {
        return QMessageBox::question(owner_, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }

private:
    QWidget* owner_;
};

// The monitor behind the frame: the controller, its views and the command wiring.
struct FrameMonitor {
    FrameMonitor(CMainFrame& frame, CConfigSheet& sheet, const FrameOptions& options)
        : settings(&sheet.settings()),
          controller(&settings, &frame,
                     recordSession(nullptr, options.recordFile, [this] { return settings.password(); }, nullptr)),
          boxes(&frame)
    {
        (void)options;
        controller.setMessageBoxes(&boxes);
#ifdef KORVANE_HAVE_SOUND_PLAYER
        controller.setSoundPlayer(&sounds);
        // A sound that cannot play says why in the status bar; monitoring goes on.
        sounds.setFailureListener([&frame](const QString&, const QString& reason) { frame.SetStatusText(reason); });
#endif
        controller.setPropertiesSheet([&sheet] { return sheet.exec() == QDialog::Accepted; });

        auto* status = new CStatusView;
        frame.setViewWidget(CMainFrame::View::Status, status);
        controller.setStatusTable(status);
        // The caption follows the status view's activation, so a changed address shows soon.
        auto retitle = [this, &frame] { frame.SetTitle(controller.title(true, true)); };
        QObject::connect(status, &CStatusView::activated, &frame, retitle);
        QObject::connect(status, &CStatusView::deactivated, &frame, retitle);
        auto* telnet = new CTelnetView;
        frame.setViewWidget(CMainFrame::View::Telnet, telnet);
        telnet->setKeySender([this](const QString& keys) { controller.driver().SendKeys(keys); });
        QObject::connect(&controller, &CMonitorController::routerScreen, telnet, &CTelnetView::showScreen);
        QObject::connect(&controller, &CMonitorController::routerScreenCleared, telnet, &CTelnetView::clearScreen);
        clearers.push_back([telnet] { telnet->clearScreen(); });
#ifdef KORVANE_HAVE_LAN_PACKET_VIEW
        auto* lanPacket = new CLanPacketView(&controller.application());
        frame.setViewWidget(CMainFrame::View::LanPacket, lanPacket);
        QObject::connect(&frame, &CMainFrame::viewActivated, lanPacket, [lanPacket](CMainFrame::View v) {
            if (v == CMainFrame::View::LanPacket)
                lanPacket->OnActivateView();
        });
        clearers.push_back([lanPacket] { lanPacket->Clear(); });
#endif
#ifdef KORVANE_HAVE_MORE_VIEWS
        auto* history = new CCallHistoryView(&controller.application().callInfos());
        frame.setViewWidget(CMainFrame::View::CallHistory, history);
        QObject::connect(&controller, &CMonitorController::callHistoryRead, history, &CCallHistoryView::ShowCallHistory);
        clearers.push_back([history] { history->ClearCallHistory(); });
        QObject::connect(history, &CCallHistoryView::focusLost, &frame,
                         [&frame] { frame.SavePlacementAs(CCallHistoryView::kPlacementName); });

        auto* graph = new CGraphView(&controller.application());
        frame.setViewWidget(CMainFrame::View::Graph, graph);
        clearers.push_back([graph] { graph->Clear(); });

        syslogView = new CSyslogView;
        frame.setViewWidget(CMainFrame::View::Syslog, syslogView);
        syslogView->setSource(CSyslogView::settingsSource(&store, [this] { return controller.settings().ipAddress(); }));
        syslogView->setMessageHandler([this](const QString& line) { controller.OnSyslogMessage(line); });
        syslogView->setTitleSource([this] { return controller.title(true, true); });
        controller.setSyslogListener(&syslogListener);
        clearers.push_back([this] { syslogView->Clear(); });
#endif
#ifdef KORVANE_HAVE_JOURNAL
        journal = AttachJournalToFrame(frame, controller);
#endif
        controller.setClearViews([this] {
            for (const auto& clear : clearers)
                clear();
        });

        QObject::connect(&controller, &CMonitorController::trayChanged, &frame, [&frame](int index, const QString& tip) {
            frame.SetTrayIcon(index);
            frame.SetTrayTip(tip);
        });
        QObject::connect(&controller, &CMonitorController::statusTextChanged, &frame, &CMainFrame::SetStatusText);
        QObject::connect(&controller, &CMonitorController::commandStatesChanged, &frame, &CMainFrame::refreshCommands);
        QObject::connect(&frame, &CMainFrame::viewActivated, &controller,
                         [this](CMainFrame::View v) { controller.setTelnetViewActive(v == CMainFrame::View::Telnet); });

        using C = CMonitorController::Command;
        const std::pair<int, C> commands[] = {
            {cmd::Connect, C::Connect},         {cmd::Disconnect, C::Disconnect}, {cmd::Reconnect, C::Reconnect},
            {cmd::DropBoth, C::DropBoth},       {cmd::DropB1, C::DropChannel1},   {cmd::DropB2, C::DropChannel2},
            {cmd::ResetCounters, C::ResetCounters}, {cmd::Properties, C::Properties},
        };
        for (const auto& [id, command] : commands) {
            const C c = command;
            frame.setCommandHandler(id, {[this, c, &frame] {
                                             controller.execute(c);
                                             frame.SetTitle(controller.title(true, true));
                                         },
                                         [this, c] { return controller.isEnabled(c); },
                                         {}});
        }
    }

#ifdef KORVANE_HAVE_SCRIPT_HOST
    // The user script: events from the controller, the Script menu, and
    // "OnAppUnload" before Exit closes the frame.
    void attachScriptHost(CMainFrame& frame, CConfigSheet& sheet)
    {
        host = std::make_unique<CScriptHost>(
            automation::dispatchFor(&controller.application()), [&sheet] { return sheet.IsScriptOn(); },
            [&sheet] { return sheet.GetScriptFile(); });
        host->setTimeout(SettingsStore().scriptTimeout());
        host->setMemoryLimit(SettingsStore().scriptMemoryLimit());
        host->setMsgBoxHandler([&frame](const QString& prompt, int buttons, const QString& title) {
            return showScriptMessageBox(&frame, prompt, buttons, title);
        });
        host->setLoadErrorBox(
            [&frame](const QString& caption, const QString& text) { QMessageBox::information(&frame, caption, text); });
        controller.setScriptEvents(host.get());
        auto scriptsOn = [&sheet] { return sheet.IsScriptOn(); };
        frame.setCommandHandler(cmd::ScriptEdit, {[this, &sheet, &frame] {
                                                      QString error;
                                                      if (!ScriptCommands::edit(sheet.GetScriptFile(), &error) &&
                                                          !error.isEmpty())
                                                          QMessageBox::warning(&frame, controller.title(false, false), error);
                                                  },
                                                  [&sheet] { return sheet.IsScriptOn() && !sheet.GetScriptFile().isEmpty(); },
                                                  {}});
        const CMainFrame::CommandHandler compile{[this] { host->compile(); }, scriptsOn, {}};
        frame.setCommandHandler(cmd::ScriptCompile, compile);
        frame.setCommandHandler(cmd::ScriptCompileToolbar, compile);
        frame.setCommandHandler(cmd::ScriptRun,
                                {[this, &sheet, &frame] { ScriptCommands::run(host.get(), sheet.IsScriptOn(), &frame); },
                                 scriptsOn, {}});
        frame.setCommandHandler(cmd::Exit, {[this, &frame] {
                                                host->FireOnAppUnload();
                                                frame.closeForExit();
                                            },
                                            {}, {}});
    }

    // A script's MsgBox as a real message box; the result is VBScript's button code.
    static int showScriptMessageBox(QWidget* owner, const QString& prompt, int buttons, const QString& title)
    {
        using B = QMessageBox::StandardButton;
        static const QList<QList<std::pair<B, int>>> sets = {
            {{B::Ok, 1}},
            {{B::Ok, 1}, {B::Cancel, 2}},
            {{B::Abort, 3}, {B::Retry, 4}, {B::Ignore, 5}},
            {{B::Yes, 6}, {B::No, 7}, {B::Cancel, 2}},
            {{B::Yes, 6}, {B::No, 7}},
            {{B::Retry, 4}, {B::Cancel, 2}},
        };
        const auto& set = sets.value(buttons & 7, sets.first());
        QMessageBox box(owner);
        box.setWindowTitle(title.isEmpty() ? QApplication::applicationDisplayName() : title);
        box.setText(prompt);
        switch (buttons & 0x70) {
        case 16: box.setIcon(QMessageBox::Critical); break;
        case 32: box.setIcon(QMessageBox::Question); break;
        case 48: box.setIcon(QMessageBox::Warning); break;
        case 64: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
        QMessageBox::StandardButtons standard;
        for (const auto& [b, code] : set)
            standard |= b;
        box.setStandardButtons(standard);
        const int defaultIndex = (buttons >> 8) & 3;
        if (defaultIndex < set.size())
            box.setDefaultButton(set[defaultIndex].first);
        const int chosen = box.exec();
        for (const auto& [b, code] : set) {
            if (chosen == b)
                return code;
        }
        return set.last().second;
    }

    std::unique_ptr<CScriptHost> host;
#endif

#ifdef KORVANE_HAVE_MORE_VIEWS
    // The controller's reconnect stops and restarts the syslog receiver.
    struct SyslogAdapter : SyslogListener {
        FrameMonitor* owner;
        explicit SyslogAdapter(FrameMonitor* o) : owner(o) {}
        void stopListening() override
        {
            if (owner->syslogView)
                owner->syslogView->StopListening();
        }
        void startListening(const QString&) override
        {
            if (owner->syslogView)
                owner->syslogView->StartListening();
        }
    };
    SettingsStore store;
    QPointer<CSyslogView> syslogView;
    SyslogAdapter syslogListener{this};
#endif
    std::vector<std::function<void()>> clearers;
#ifdef KORVANE_HAVE_JOURNAL
    JournalSession* journal = nullptr;  // the controller's child
#endif

    ConfigMonitorSettings settings;
    CMonitorController controller;
    FrameMessageBoxes boxes;
#ifdef KORVANE_HAVE_SOUND_PLAYER
    WaveSoundPlayer sounds;
#endif
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
#ifdef KORVANE_HAVE_MONITOR
    std::unique_ptr<FrameMonitor> monitor;
#ifdef KORVANE_HAVE_HTTP
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
    std::unique_ptr<http::JournalSource> journalSource;
#endif
    std::unique_ptr<http::HttpEndpoint> httpEndpoint;
#endif
    hooks.createViews = [&] {
        monitor = std::make_unique<FrameMonitor>(frame, sheet, options);
#ifdef KORVANE_HAVE_HTTP
        // "HTTP Address" serves the window's status too; a bad value is reported, not fatal.
        QString httpError;
        httpEndpoint = http::startHttpEndpoint(&monitor->controller, nullptr, {}, &httpError);
        if (!httpError.isEmpty()) {
            std::fprintf(stderr, "korvane: %s\n", qPrintable(httpError));
            monitor->controller.SetStatusText(httpError);
        }
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
        // With a journal the metrics count every call it holds, and /api/calls answers.
        if (httpEndpoint && monitor->journal && monitor->journal->journalForReading()) {
            journalSource = std::make_unique<http::JournalSource>(monitor->journal);
            httpEndpoint->setCallList(journalSource.get());
            httpEndpoint->setLineTotals(journalSource.get());
        }
#endif
#endif
#ifdef KORVANE_HAVE_SCRIPT_HOST
        monitor->attachScriptHost(frame, sheet);
#endif
    };
#ifdef KORVANE_HAVE_SCRIPT_HOST
    hooks.loadScript = [&] { monitor->host->loadConfigured(false); };
#endif
    // In the views' creation order: the router screens view connects, then
    // the syslog view listens, with the address the first-run sheet gave.
    hooks.firstUpdates = [&] {
        monitor->controller.OpenConnection();
#ifdef KORVANE_HAVE_MORE_VIEWS
        if (monitor->syslogView)
            monitor->syslogView->OnInitialUpdate();
#endif
    };
#elif defined(KORVANE_HAVE_SETTINGS)
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
    if (options.stops) {
        // A signal ends the program as Exit does, every time: a script busy
        // in a loop is interrupted first, and the unload event gets at most
        // kUnloadSeconds.
#if defined(KORVANE_HAVE_MONITOR) && defined(KORVANE_HAVE_SCRIPT_HOST)
        options.stops->setInterrupter([&monitor] {
            if (monitor && monitor->host)
                monitor->host->control().interruptRunning();
        });
#endif
        QObject::connect(options.stops, &StopWatcher::stopRequested, &frame, [&] {
            options.stops->stopTaken();
#if defined(KORVANE_HAVE_MONITOR) && defined(KORVANE_HAVE_SCRIPT_HOST)
            if (monitor && monitor->host)
                monitor->host->setTimeout(unloadTimeLimit(SettingsStore().scriptTimeout()));
#endif
            // A modal box or the first-run sheet would keep its own loop
            // turning after Exit; close them first.
            for (int i = 0; i < 16; ++i) {
                QWidget* modal = QApplication::activeModalWidget();
                if (!modal)
                    break;
                modal->close();
                if (QApplication::activeModalWidget() == modal)
                    break;
            }
            frame.triggerCommand(cmd::Exit);
        });
    }
    runStartupSteps(frame, store, hooks, options.startHidden);
    // A stop taken while the first-run sheet was open ran Exit before there
    // was a loop to end.
    if (options.stops && options.stops->stopRequestedAlready())
        return 0;
    return app.exec();
}

}  // namespace korvane
