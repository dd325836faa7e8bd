#include "korvane/shell/startup.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/splash.h"
#include "korvane/monitor/stop_watcher.h"

#include <QApplication>
#include <QDir>
#include <QSettings>

#include <cstdio>
#include "korvane/assembly/monitor_assembly.h"
#include "korvane/journal/journal_session.h"
#include "korvane/mqtt/mqtt_publisher.h"

#include "korvane/help/help_window.h"
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/settings_store.h"
#include "korvane/router/driver.h"
#include "korvane/monitor/controller.h"
#include "korvane/views/status_view.h"
#include "korvane/views/telnet_view.h"

#include <QMessageBox>
#include "korvane/views/lan_packet_view.h"
#include "korvane/shell/sound_player.h"
#include "korvane/views/call_history_view.h"
#include "korvane/views/graph_view.h"
#include "korvane/views/syslog_view.h"
#include "korvane/shell/journal_frame.h"
#include "automation/dispatch.h"
#include "korvane/script/run_script_dialog.h"
#include "korvane/script/script_host.h"

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
          assembled(&settings, partsFor(frame, options)),
          controller(assembled.controller()),
          boxes(&frame)
    {
        (void)options;
        controller.setMessageBoxes(&boxes);
        controller.setSoundPlayer(&sounds);
        // A sound that cannot play says why in the status bar; monitoring goes on.
        sounds.setFailureListener([&frame](const QString&, const QString& reason) { frame.SetStatusText(reason); });
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
        auto* lanPacket = new CLanPacketView(&controller.application());
        frame.setViewWidget(CMainFrame::View::LanPacket, lanPacket);
        QObject::connect(&frame, &CMainFrame::viewActivated, lanPacket, [lanPacket](CMainFrame::View v) {
            if (v == CMainFrame::View::LanPacket)
                lanPacket->OnActivateView();
        });
        clearers.push_back([lanPacket] { lanPacket->Clear(); });
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
        AttachJournalToFrame(frame, controller, assembled.journal(), &sheet);
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

    // The controller's reconnect asks the receiver to listen; it goes on
    // listening unless the router's address or the port changed.
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
                owner->syslogView->KeepListening();
        }
    };
    SettingsStore store;
    QPointer<CSyslogView> syslogView;
    SyslogAdapter syslogListener{this};
    std::vector<std::function<void()>> clearers;

    static AssembledMonitor::Options partsFor(CMainFrame& frame, const FrameOptions& options)
    {
        AssembledMonitor::Options parts;
        parts.recordFile = options.recordFile;
        parts.recordLimitBytes = options.recordLimitBytes;
        parts.recordStopped = journalProblemReporter(frame);
        parts.journalProblem = journalProblemReporter(frame);
        parts.mqtt.broker = options.mqttBroker;
        return parts;
    }
    ConfigMonitorSettings settings;
    AssembledMonitor assembled;
    CMonitorController& controller;
    FrameMessageBoxes boxes;
    WaveSoundPlayer sounds;
};

}  // namespace

int runFrame(QApplication& app, const FrameOptions& options)
{
    QApplication::setOrganizationName(QStringLiteral("Omberon"));
    QApplication::setApplicationName(korvaneProductTitle());
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
    // The frame hides instead of closing; only Exit ends the loop.
    app.setQuitOnLastWindowClosed(false);

    SettingsStore settingsStore;
    SettingsStoreProfile store(settingsStore);
    bool showSplash = true;
    {
        bool ok = false;
        const int v = store.value(QStringLiteral("Settings"), QStringLiteral("Show Splash Screen")).toInt(&ok);
        showSplash = ok ? v != 0 : true;
    }

    installHelpWindow();

    CMainFrame frame(&store);
    CConfigSheet sheet(settingsStore, options.commandLine, &frame);
    frame.create(showSplash);

    StartupHooks hooks;
    hooks.password = [&sheet] { return sheet.GetPassword(); };
    hooks.runConfigSheet = [&sheet] { return sheet.exec() == QDialog::Accepted; };
    auto title = [&sheet] {
        const QString address = sheet.GetIpAddress();
        QString t = korvaneProductTitle() + QLatin1String(" v. ") + QLatin1String(kVersionText);
        if (!address.isEmpty())
            t += QLatin1String(" on ") + address;
        return t;
    };
    hooks.title = title;
    std::unique_ptr<FrameMonitor> monitor;
    hooks.createViews = [&] {
        monitor = std::make_unique<FrameMonitor>(frame, sheet, options);
        // "HTTP Address" serves the window's status too; a bad value is reported, not fatal.
        QString httpError;
        if (!monitor->assembled.startHttp(&httpError)) {
            std::fprintf(stderr, "korvane: %s\n", qPrintable(httpError));
            monitor->controller.SetStatusText(httpError);
        }
        QString mqttError;
        if (!monitor->assembled.startMqtt(&mqttError)) {
            std::fprintf(stderr, "korvane: %s\n", qPrintable(mqttError));
            monitor->controller.SetStatusText(mqttError);
        } else if (auto* publisher = monitor->assembled.mqttPublisher()) {
            QObject::connect(publisher, &mqtt::MqttPublisher::outage, &frame, [&monitor](const QString& text) {
                std::fprintf(stderr, "korvane: MQTT error: %s\n", qPrintable(text));
                if (monitor)
                    monitor->controller.SetStatusText(QStringLiteral("MQTT error: ") + text);
            });
        }
        monitor->attachScriptHost(frame, sheet);
    };
    hooks.loadScript = [&] { monitor->host->loadConfigured(false); };
    // In the views' creation order: the router screens view connects, then
    // the syslog view listens, with the address the first-run sheet gave.
    hooks.firstUpdates = [&] {
        // A stop taken while the first-run sheet was open has run Exit: no
        // connection (and no error box from one) after it.
        if (options.stops && options.stops->stopRequestedAlready())
            return;
        monitor->controller.OpenConnection();
        if (monitor->syslogView)
            monitor->syslogView->OnInitialUpdate();
    };
    // The caption follows the frame's activation, so a changed address shows soon.
    QObject::connect(&frame, &CMainFrame::frameActivationChanged, &frame, [&frame, title] { frame.SetTitle(title()); });
    frame.SetTrayTip(korvaneProductTitle() + QLatin1String(" on ") + sheet.GetIpAddress());
    if (options.stops) {
        // A signal ends the program as Exit does, every time: a script busy
        // in a loop is interrupted first, and the unload event gets at most
        // kUnloadSeconds.
        options.stops->setInterrupter([&monitor] {
            if (monitor && monitor->host)
                monitor->host->control().interruptRunning();
        });
        QObject::connect(options.stops, &StopWatcher::stopRequested, &frame, [&] {
            options.stops->stopTaken();
            if (monitor && monitor->host)
                monitor->host->setTimeout(unloadTimeLimit(SettingsStore().scriptTimeout()));
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
