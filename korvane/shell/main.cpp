// korvane: the monitor. Without --console it runs the frame (or, in a build
// without the frame, a small window with the status and router screens);
// with --console it prints one line per event.

#include "korvane/model/application.h"
#include "korvane/router/driver.h"
#include "korvane/settings/config_settings.h"
#include "korvane/settings/settings_store.h"
#include "korvane/shell/console_monitor.h"
#ifdef KORVANE_HAVE_JOURNAL
#include "korvane/journal/journal_session.h"
#endif
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
#include "korvane/shell/console_syslog.h"
#endif
#include "korvane/shell/controller.h"
#include "korvane/shell/stop_watcher.h"
#include "korvane/shell/session_recorder.h"
#include "korvane/shell/password_source.h"
#ifdef KORVANE_HAVE_SOUND_PLAYER
#include "korvane/shell/sound_player.h"
#endif
#ifdef KORVANE_HAVE_TESSEN_REGISTRATION
#include "korvane/shell/tessen_registration.h"
#endif
#ifdef KORVANE_HAVE_SCRIPT_HOST
#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"
#include "korvane/script/script_host.h"

#include <QFile>
#include <QJsonObject>
#endif
#include "korvane/views/status_view.h"
#include "korvane/views/telnet_view.h"

#ifdef KORVANE_HAVE_FRAME
#include "korvane/shell/startup.h"
#endif
#ifdef KORVANE_HAVE_SIMULATOR
#include "components/prestige/simulator.h"
#endif
#ifdef KORVANE_HAVE_HTTP
#include "korvane/http/http_setup.h"
#ifdef KORVANE_HAVE_HTTP_JOURNAL
#include "korvane/http/journal_source.h"
#endif
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QMainWindow>
#include <QStatusBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <cstdio>
#include <memory>

namespace {

class WidgetMessageBoxes : public korvane::MessageBoxes {
public:
    void information(const QString& caption, const QString& text) override {
        QMessageBox::information(nullptr, caption, text);
    }
    bool question(const QString& caption, const QString& text) override {
        return QMessageBox::question(nullptr, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
};

// A UDP port nobody listens on now, for the demo's syslog; 0 if none is found.
int freeUdpPort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0))
        return 0;
    return probe.localPort();
}

struct Options {
    QString address;
    QString password;
    bool console = false;
    bool json = false;
    bool demo = false;
    bool passwordGiven = false;
    int seconds = 0;
    QString scriptFile;
    QString httpAddress;
    QString httpTokenFile;
    QString httpName;
    QString recordFile;
};

}  // namespace

int main(int argc, char** argv) {
    // The console, --help and --version need no display.
    bool windowless = false;
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--console", "--help", "-h", "--help-all", "--version", "-v"})
            if (qstrcmp(argv[i], option) == 0)
                windowless = true;
    std::unique_ptr<QCoreApplication> app;
    if (windowless)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(korvane::kVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZyXEL Prestige Korvane: monitor for Prestige ISDN routers"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("address"), QStringLiteral("Router address for this run (host or host:port)."));
    const QCommandLineOption consoleOption(QStringLiteral("console"), QStringLiteral("Run without a window; one line per event."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("With --console: one JSON object per line."));
    const QCommandLineOption demoOption(QStringLiteral("demo"), QStringLiteral("Monitor the built-in router simulator on a free loopback port."));
    const QCommandLineOption forOption(QStringLiteral("for"), QStringLiteral("End the run after this many seconds."), QStringLiteral("seconds"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("Router password for this run (not stored); \"-\" reads one line from standard input."), QStringLiteral("password"));
    const QCommandLineOption passwordFileOption(QStringLiteral("password-file"), QStringLiteral("Read the router password for this run from the first line of this file."), QStringLiteral("file"));
    const QCommandLineOption scriptOption(QStringLiteral("script"), QStringLiteral("With --console: run this script instead of the configured one."), QStringLiteral("file"));
    parser.addOptions({consoleOption, jsonOption, demoOption, forOption, passwordOption, scriptOption});
    const QCommandLineOption httpOption(QStringLiteral("http"), QStringLiteral("With --console: serve metrics, status and events over HTTP on this address (127.0.0.1:9108)."), QStringLiteral("address:port"));
    const QCommandLineOption httpTokenOption(QStringLiteral("http-token-file"), QStringLiteral("Bearer token for the HTTP endpoint, from this file."), QStringLiteral("file"));
    const QCommandLineOption httpNameOption(QStringLiteral("http-name"), QStringLiteral("The router label of the metrics (default: the router address)."), QStringLiteral("name"));
    parser.addOptions({httpOption, httpTokenOption, httpNameOption});
    const QCommandLineOption recordOption(QStringLiteral("record"), QStringLiteral("Record the session with the router to this capture file (password masked)."), QStringLiteral("file"));
    parser.addOption(recordOption);
    parser.addOption(passwordFileOption);
    parser.process(*app);
    // Other users can read a process's command line: the password given
    // there is overwritten as soon as it has been read.
    korvane::scrubOptionValues(argc, argv, "password");

    Options options;
    options.console = parser.isSet(consoleOption);
    options.json = parser.isSet(jsonOption);
    options.demo = parser.isSet(demoOption);
    options.scriptFile = parser.value(scriptOption);
    options.httpAddress = parser.value(httpOption);
    options.httpTokenFile = parser.value(httpTokenOption);
    options.httpName = parser.value(httpNameOption);
    options.recordFile = parser.value(recordOption);
    if (parser.isSet(recordOption)) {
        QFile capture(options.recordFile);
        if (options.recordFile.isEmpty() || !capture.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "korvane: cannot record to %s: %s\n", qPrintable(options.recordFile), qPrintable(capture.errorString()));
            return 1;
        }
    }
    options.address = parser.positionalArguments().join(QLatin1Char(' ')).trimmed();
    if (parser.isSet(passwordOption) || parser.isSet(passwordFileOption)) {
        const bool fromFile = parser.isSet(passwordFileOption);
        const QString value = fromFile ? parser.value(passwordFileOption) : parser.value(passwordOption);
        if (fromFile || value == QLatin1String("-")) {
            QString error;
            if (!korvane::readPasswordLine(value, &options.password, &error)) {
                std::fprintf(stderr, "korvane: %s\n", qPrintable(error));
                return 2;
            }
        } else {
            options.password = value;
        }
        options.passwordGiven = true;
    }
    // A service's password comes from its environment file rather than the
    // command line, where every user could read it.
    if (!options.passwordGiven && options.console && qEnvironmentVariableIsSet("KORVANE_PASSWORD")) {
        options.password = qEnvironmentVariable("KORVANE_PASSWORD");
        options.passwordGiven = true;
    }
    if (parser.isSet(forOption)) {
        bool ok = false;
        options.seconds = parser.value(forOption).toInt(&ok);
        if (!ok || options.seconds <= 0) {
            std::fprintf(stderr, "korvane: --for needs a positive number of seconds\n");
            return 2;
        }
    }

    // SIGINT, SIGTERM and the end of --for stop the run, even while a script
    // keeps the loop busy (the watcher interrupts it).
    korvane::StopWatcher stops;
    stops.installSignalHandlers();
#ifdef KORVANE_HAVE_TESSEN_REGISTRATION
    // The user's class registry must name a terminal control that exists:
    // registered on the first run, repaired after a removal or a move.
    korvane::ensureTessenRegistered();
#endif
    if (options.seconds > 0)
        stops.setDeadline(qint64(options.seconds) * 1000);

    // The demo keeps its settings in a folder of its own, so it never touches
    // the user's profile.
    std::unique_ptr<QTemporaryDir> demoSettings;
#ifdef KORVANE_HAVE_SIMULATOR
    std::unique_ptr<prestige::Simulator> simulator;
    std::unique_ptr<QThread> simulatorThread;
#endif
    auto stopSimulator = [&] {
#ifdef KORVANE_HAVE_SIMULATOR
        if (simulatorThread) {
            if (simulator) {
                QMetaObject::invokeMethod(simulator.get(), [&] { simulator.reset(); }, Qt::BlockingQueuedConnection);
            }
            simulatorThread->quit();
            simulatorThread->wait();
            simulatorThread.reset();
        }
#endif
    };
    if (options.demo) {
#ifdef KORVANE_HAVE_SIMULATOR
        // The simulator gets a thread of its own: the monitor blocks its
        // thread while connecting and in a reconnect's pause, and a router
        // on the same thread could not answer meanwhile.
        simulatorThread = std::make_unique<QThread>();
        simulatorThread->start();
        // Made on that thread, so that its sockets and timers live there too.
        auto* threadAnchor = new QObject;
        threadAnchor->moveToThread(simulatorThread.get());
        bool listening = false;
        // The simulated router sends its call records to the monitor's
        // syslog receiver on a free loopback port.
        const int syslogPort = freeUdpPort();
        prestige::SimulatorOptions routerOptions;
        if (syslogPort > 0)
            routerOptions.syslogTarget = QStringLiteral("127.0.0.1:%1").arg(syslogPort);
        QMetaObject::invokeMethod(threadAnchor, [&] {
            simulator = std::make_unique<prestige::Simulator>(routerOptions);
            listening = simulator->listen(0);
        }, Qt::BlockingQueuedConnection);
        threadAnchor->deleteLater();
        if (!listening) {
            std::fprintf(stderr, "korvane: the simulator could not start: %s\n", qPrintable(simulator->errorString()));
            stopSimulator();
            return 1;
        }
        options.address = QStringLiteral("127.0.0.1:%1").arg(simulator->port());
        if (!options.passwordGiven) {
            options.password = simulator->options().password;
            options.passwordGiven = true;
        }
        // Always a fresh folder, even when KORVANE_SETTINGS_DIR names a profile.
        demoSettings = std::make_unique<QTemporaryDir>();
        qputenv(korvane::kSettingsDirVariable, demoSettings->path().toLocal8Bit());
        korvane::SettingsStore store;
        store.setRouterPassword(options.address, options.password);
        store.setConfigured(true);
        if (syslogPort > 0)
            store.writeInt(QString::fromLatin1(korvane::settings::kSection),
                           QString::fromLatin1(korvane::settings::kSyslogPort), syslogPort);
        // Show a call history read within the first minute.
        if (!store.contains(QString::fromLatin1(korvane::settings::kSection),
                            QString::fromLatin1(korvane::settings::kCallHistoryRefresh)))
            store.writeInt(QString::fromLatin1(korvane::settings::kSection),
                           QString::fromLatin1(korvane::settings::kCallHistoryRefresh), 20);
        store.sync();
#else
        std::fprintf(stderr, "korvane: this build has no router simulator\n");
        return 1;
#endif
    }

#ifdef KORVANE_HAVE_FRAME
    if (!options.console) {
        if (options.passwordGiven && !options.demo) {
            // The window takes the password from the settings (its sheet
            // edits it there); one on the command line would be stored.
            std::fprintf(stderr, "korvane: --password applies to --console; the window uses the stored password\n");
        }
        if (!options.httpAddress.isEmpty())
            std::fprintf(stderr, "korvane: --http applies to --console; the window serves the \"HTTP Address\" setting\n");
        korvane::FrameOptions frame;
        frame.commandLine = options.address;
        frame.stops = &stops;
        frame.recordFile = options.recordFile;
        const int code = korvane::runFrame(*static_cast<QApplication*>(app.get()), frame);
        stopSimulator();
        return code;
    }
#endif

    korvane::ConfigSettings config(options.address);
    korvane::ConfigMonitorSettings settings(&config);
    if (options.passwordGiven)
        settings.overridePassword(options.password);
    korvane::CMonitorController controller(&settings, nullptr,
                                           korvane::recordSession(nullptr, options.recordFile,
                                                                  [&settings] { return settings.password(); }, nullptr));

    std::unique_ptr<korvane::ConsoleMonitor> monitor;
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
    std::unique_ptr<korvane::ConsoleSyslog> syslog;
#endif
    std::unique_ptr<QMainWindow> window;
    WidgetMessageBoxes boxes;
#ifdef KORVANE_HAVE_SOUND_PLAYER
    korvane::WaveSoundPlayer sounds;
#endif
    if (options.console) {
        monitor = std::make_unique<korvane::ConsoleMonitor>(&controller, stdout, options.json);
        controller.setMessageBoxes(monitor.get());
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
        syslog = std::make_unique<korvane::ConsoleSyslog>(&controller, monitor.get(),
                                                          [] { return korvane::SettingsStore().syslogPort(); });
        controller.setSyslogListener(syslog.get());
#endif
    }
#ifdef KORVANE_HAVE_JOURNAL
    std::unique_ptr<korvane::JournalSession> journal;
    if (monitor) {
        korvane::ConsoleMonitor* console = monitor.get();
        journal = std::make_unique<korvane::JournalSession>(&controller, [console](const QString& text) {
            console->emitEvent(QStringLiteral("journal-error"), QJsonObject{{QStringLiteral("text"), text}},
                               QStringLiteral("journal error: ") + text);
        });
    }
#endif
    if (!options.console) {
        window = std::make_unique<QMainWindow>();
        window->setWindowTitle(controller.title(true, true));
        auto* tabs = new QTabWidget;
        auto* status = new korvane::CStatusView;
        auto* telnet = new korvane::CTelnetView;
        tabs->addTab(status, QStringLiteral("Status"));
        tabs->addTab(telnet, QStringLiteral("Router Screens"));
        window->setCentralWidget(tabs);
        controller.setStatusTable(status);
        controller.setMessageBoxes(&boxes);
#ifdef KORVANE_HAVE_SOUND_PLAYER
        controller.setSoundPlayer(&sounds);
        sounds.setFailureListener([&window](const QString&, const QString& reason) {
            window->statusBar()->showMessage(reason, 5000);
        });
#endif
        telnet->setKeySender([&controller](const QString& keys) { controller.driver().SendKeys(keys); });
        QObject::connect(&controller, &korvane::CMonitorController::routerScreen, telnet, &korvane::CTelnetView::showScreen);
        QObject::connect(&controller, &korvane::CMonitorController::routerScreenCleared, telnet, &korvane::CTelnetView::clearScreen);
        QObject::connect(&controller, &korvane::CMonitorController::statusTextChanged, window.get(),
                         [&window](const QString& text) { window->statusBar()->showMessage(text); });
        QObject::connect(tabs, &QTabWidget::currentChanged, &controller,
                         [&controller, tabs, telnet](int) { controller.setTelnetViewActive(tabs->currentWidget() == telnet); });
        window->resize(720, 240);
        window->show();
    }

#ifdef KORVANE_HAVE_SCRIPT_HOST
    // The console runs the configured script (or --script FILE): MsgBox prints
    // its text and takes the default button, errors become "script-error" events.
    std::unique_ptr<korvane::CScriptHost> scriptHost;
    if (!options.scriptFile.isEmpty()) {
        // For this run only: nothing is written back to the settings.
        config.script().setOn(true);
        config.script().setScriptFile(options.scriptFile);
    }
    const bool scriptOn = config.IsScriptOn();
    const QString scriptFile = config.GetScriptFile();
    if (monitor && scriptOn && !scriptFile.isEmpty()) {
        scriptHost = std::make_unique<korvane::CScriptHost>(automation::dispatchFor(&controller.application()),
                                                            [scriptOn] { return scriptOn; },
                                                            [scriptFile] { return scriptFile; });
        scriptHost->setTimeout(korvane::SettingsStore().scriptTimeout());
        scriptHost->setMemoryLimit(korvane::SettingsStore().scriptMemoryLimit());
        korvane::ConsoleMonitor* console = monitor.get();
        scriptHost->setMsgBoxHandler([console](const QString& prompt, int buttons, const QString&) {
            console->emitEvent(QStringLiteral("msgbox"), QJsonObject{{QStringLiteral("text"), prompt}},
                               QStringLiteral("msgbox: ") + prompt);
            return scriptcontrol::ScriptControl::defaultButton(buttons);
        });
        auto reportError = [console](const QString& text) {
            console->emitEvent(QStringLiteral("script-error"), QJsonObject{{QStringLiteral("text"), text}},
                               QStringLiteral("script error: ") + text);
        };
        scriptHost->setErrorListener(reportError);
        scriptHost->setLoadErrorBox([reportError](const QString&, const QString& text) { reportError(text); });
        controller.setScriptEvents(scriptHost.get());
        korvane::CScriptHost* host = scriptHost.get();
        stops.setInterrupter([host] { host->control().interruptRunning(); });
        scriptHost->loadConfigured(false);
    }
#endif
    // Script calls made until the loop has ended are still interrupted.
    QObject::connect(&stops, &korvane::StopWatcher::stopRequested, app.get(), &QCoreApplication::quit);

#ifdef KORVANE_HAVE_HTTP
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
    std::unique_ptr<korvane::http::JournalSource> journalSource;
#endif
    std::unique_ptr<korvane::http::HttpEndpoint> httpEndpoint;
    if (monitor) {
        QString httpError;
        httpEndpoint = korvane::http::startHttpEndpoint(&controller, monitor.get(),
                                                        {options.httpAddress, options.httpTokenFile, options.httpName}, &httpError);
        if (!httpError.isEmpty()) {
            std::fprintf(stderr, "korvane: %s\n", qPrintable(httpError));
            stopSimulator();
            return 2;
        }
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
        // With a journal the metrics count every call it holds, and /api/calls answers.
        if (httpEndpoint && journal && journal->journalForReading()) {
            journalSource = std::make_unique<korvane::http::JournalSource>(journal.get());
            httpEndpoint->setCallList(journalSource.get());
            httpEndpoint->setLineTotals(journalSource.get());
        }
#endif
        if (httpEndpoint)
            monitor->emitEvent(QStringLiteral("http"), {{QStringLiteral("port"), httpEndpoint->port()}},
                               QStringLiteral("HTTP endpoint on %1:%2")
                                   .arg(httpEndpoint->options().address.toString())
                                   .arg(httpEndpoint->port()));
    }
#endif
    // The first connection, once the loop runs.
    QTimer::singleShot(0, &controller, [&] {
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
        if (syslog)
            syslog->startListening(settings.ipAddress());
#endif
        controller.OpenConnection();
    });
    const int code = app->exec();
    stops.stopTaken();
#ifdef KORVANE_HAVE_SCRIPT_HOST
    if (scriptHost) {
        scriptHost->setTimeout(korvane::unloadTimeLimit(korvane::SettingsStore().scriptTimeout()));
        scriptHost->FireOnAppUnload();
    }
#endif
    controller.Disconnect();
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
    controller.setSyslogListener(nullptr);
    syslog.reset();
#endif
    stopSimulator();
    return code;
}
