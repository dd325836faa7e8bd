// The console monitor (libkorvane_console): one line per event on standard
// output, the router's syslog, the call journal, the user's script and the
// HTTP endpoint. It maps neither Qt Gui nor Widgets, and Qt Qml only when
// the script is JScript.

#include "korvane/settings/config_settings.h"
#include "korvane/settings/settings_store.h"
#include "korvane/shell/console_monitor.h"
#include "korvane/shell/controller.h"
#include "korvane/shell/launch.h"
#include "korvane/shell/session_recorder.h"
#include "korvane/shell/stop_watcher.h"
#include "korvane/model/application.h"
#ifdef KORVANE_HAVE_JOURNAL
#include "korvane/journal/journal_session.h"
#endif
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
#include "korvane/shell/console_syslog.h"
#endif
#ifdef KORVANE_HAVE_SCRIPT_HOST
#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"
#include "korvane/script/script_host.h"
#endif
#ifdef KORVANE_HAVE_HTTP
#include "korvane/http/http_setup.h"
#ifdef KORVANE_HAVE_HTTP_JOURNAL
#include "korvane/http/journal_source.h"
#endif
#endif

#include <QCoreApplication>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

using namespace korvane;

int runConsole(QCoreApplication& app, LaunchOptions& options, StopWatcher& stops) {
    ConfigSettings config(options.address);
    ConfigMonitorSettings settings(&config);
    if (options.passwordGiven)
        settings.overridePassword(options.password);
    CMonitorController controller(&settings, nullptr,
                                  recordSession(nullptr, options.recordFile, [&settings] { return settings.password(); },
                                                nullptr));

    ConsoleMonitor monitor(&controller, stdout, options.json);
    controller.setMessageBoxes(&monitor);
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
    auto syslog = std::make_unique<ConsoleSyslog>(&controller, &monitor, [] { return SettingsStore().syslogPort(); });
    controller.setSyslogListener(syslog.get());
#endif
#ifdef KORVANE_HAVE_JOURNAL
    JournalSession journal(&controller, [&monitor](const QString& text) {
        monitor.emitEvent(QStringLiteral("journal-error"), QJsonObject{{QStringLiteral("text"), text}},
                          QStringLiteral("journal error: ") + text);
    });
#endif

#ifdef KORVANE_HAVE_SCRIPT_HOST
    // The configured script (or --script FILE): MsgBox prints its text and
    // takes the default button, errors become "script-error" events.
    std::unique_ptr<CScriptHost> scriptHost;
    if (!options.scriptFile.isEmpty()) {
        // For this run only: nothing is written back to the settings.
        config.script().setOn(true);
        config.script().setScriptFile(options.scriptFile);
    }
    const bool scriptOn = config.IsScriptOn();
    const QString scriptFile = config.GetScriptFile();
    if (scriptOn && !scriptFile.isEmpty()) {
        scriptHost = std::make_unique<CScriptHost>(automation::dispatchFor(&controller.application()),
                                                   [scriptOn] { return scriptOn; }, [scriptFile] { return scriptFile; });
        scriptHost->setTimeout(SettingsStore().scriptTimeout());
        scriptHost->setMemoryLimit(SettingsStore().scriptMemoryLimit());
        scriptHost->setMsgBoxHandler([&monitor](const QString& prompt, int buttons, const QString&) {
            monitor.emitEvent(QStringLiteral("msgbox"), QJsonObject{{QStringLiteral("text"), prompt}},
                              QStringLiteral("msgbox: ") + prompt);
            return scriptcontrol::ScriptControl::defaultButton(buttons);
        });
        auto reportError = [&monitor](const QString& text) {
            monitor.emitEvent(QStringLiteral("script-error"), QJsonObject{{QStringLiteral("text"), text}},
                              QStringLiteral("script error: ") + text);
        };
        scriptHost->setErrorListener(reportError);
        scriptHost->setLoadErrorBox([reportError](const QString&, const QString& text) { reportError(text); });
        controller.setScriptEvents(scriptHost.get());
        CScriptHost* host = scriptHost.get();
        stops.setInterrupter([host] { host->control().interruptRunning(); });
        scriptHost->loadConfigured(false);
    }
#endif
    // Script calls made until the loop has ended are still interrupted.
    QObject::connect(&stops, &StopWatcher::stopRequested, &app, &QCoreApplication::quit);

#ifdef KORVANE_HAVE_HTTP
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
    std::unique_ptr<http::JournalSource> journalSource;
#endif
    QString httpError;
    std::unique_ptr<http::HttpEndpoint> httpEndpoint = http::startHttpEndpoint(
        &controller, &monitor, {options.httpAddress, options.httpTokenFile, options.httpName}, &httpError);
    if (!httpError.isEmpty()) {
        std::fprintf(stderr, "korvane: %s\n", qPrintable(httpError));
        return 2;
    }
#if defined(KORVANE_HAVE_HTTP_JOURNAL) && defined(KORVANE_HAVE_JOURNAL)
    // With a journal the metrics count every call it holds, and /api/calls answers.
    if (httpEndpoint && journal.journalForReading()) {
        journalSource = std::make_unique<http::JournalSource>(&journal);
        httpEndpoint->setCallList(journalSource.get());
        httpEndpoint->setLineTotals(journalSource.get());
    }
#endif
    if (httpEndpoint)
        monitor.emitEvent(QStringLiteral("http"), {{QStringLiteral("port"), httpEndpoint->port()}},
                          QStringLiteral("HTTP endpoint on %1:%2")
                              .arg(httpEndpoint->options().address.toString())
                              .arg(httpEndpoint->port()));
#endif
    // The first connection, once the loop runs.
    QTimer::singleShot(0, &controller, [&] {
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
        syslog->startListening(settings.ipAddress());
#endif
        controller.OpenConnection();
    });
    const int code = app.exec();
    stops.stopTaken();
#ifdef KORVANE_HAVE_SCRIPT_HOST
    if (scriptHost) {
        scriptHost->setTimeout(unloadTimeLimit(SettingsStore().scriptTimeout()));
        scriptHost->FireOnAppUnload();
    }
#endif
    controller.Disconnect();
#ifdef KORVANE_HAVE_CONSOLE_SYSLOG
    controller.setSyslogListener(nullptr);
    syslog.reset();
#endif
    return code;
}

}  // namespace

extern "C" Q_DECL_EXPORT int korvane_main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    korvane::LaunchOptions options;
    korvane::StopWatcher stops;
    korvane::DemoRouter demo;
    if (const int code = korvane::beginRun(app, argc, argv, &options, stops, demo); code >= 0)
        return code;
    if (!options.console) {
        // --help and --version have ended; anything else came here by mistake.
        std::fprintf(stderr, "korvane: without --console the monitor runs in its window\n");
        return 2;
    }
    const int code = runConsole(app, options, stops);
    demo.stop();
    return code;
}
