// The console monitor (libkorvane_console): one line per event on standard
// output, the router's syslog, the call journal, the user's script and the
// HTTP endpoint. It maps neither Qt Gui nor Widgets, and Qt Qml only when
// the script is JScript.

#include "korvane/settings/config_settings.h"
#include "korvane/settings/settings_store.h"
#include "korvane/events/monitor_events.h"
#include "korvane/monitor/controller.h"
#include "korvane/assembly/launch.h"
#include "korvane/monitor/stop_watcher.h"
#include "korvane/model/application.h"
#include "korvane/assembly/monitor_assembly.h"
#include "korvane/http/http_endpoint.h"
#include "korvane/mqtt/mqtt_publisher.h"
#include "korvane/journal/journal_recorder.h"
#include "korvane/console/console_syslog.h"
#include "korvane/console/console_writer.h"
#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"
#include "korvane/script/script_host.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>

#include <unistd.h>

namespace {

using namespace korvane;

int runConsole(QCoreApplication& app, LaunchOptions& options, StopWatcher& stops) {
    ConfigSettings config(options.address);
    ConfigMonitorSettings settings(&config);
    if (options.passwordGiven)
        settings.overridePassword(options.password);
    MonitorEvents* lines = nullptr;
    AssembledMonitor::Options parts;
    parts.recordFile = options.recordFile;
    parts.recordLimitBytes = options.recordLimitBytes;
    parts.http = {options.httpAddress, options.httpTokenFile, options.httpName};
    parts.mqtt = {options.mqttBroker, options.httpName};
    parts.journalProblem = [&lines](const QString& text) {
        if (!lines)
            return;
        const bool resumed = text == QLatin1String(JournalRecorder::kResumedText);
        lines->emitEvent(resumed ? QStringLiteral("journal-resumed") : QStringLiteral("journal-error"),
                         QJsonObject{{QStringLiteral("text"), text}},
                         (resumed ? QStringLiteral("journal: ") : QStringLiteral("journal error: ")) + text);
    };
    // The event lines outlive the monitor, so its last calls ("monitor
    // stopped") are still printed.
    std::unique_ptr<MonitorEvents> monitorLines;
    AssembledMonitor assembled(&settings, parts);
    CMonitorController& controller = assembled.controller();
    monitorLines = std::make_unique<MonitorEvents>(&controller, stdout, options.json);
    lines = monitorLines.get();
    // Standard output through a queue: a reader that stalls loses lines (and
    // is told how many), a reader that went away ends the printing; neither
    // stops the monitor nor the HTTP endpoint.
    std::signal(SIGPIPE, SIG_IGN);
    const bool json = options.json;
    auto writer = std::make_shared<ConsoleWriter>(STDOUT_FILENO, [json](quint64 dropped) {
        const QString text = QStringLiteral("%1 lines dropped: the output was not read").arg(dropped);
        if (json)
            return QJsonDocument(QJsonObject{{QStringLiteral("event"), QStringLiteral("output-dropped")},
                                             {QStringLiteral("lines"), qint64(dropped)},
                                             {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)}})
                       .toJson(QJsonDocument::Compact) + '\n';
        return (QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + text).toUtf8() + '\n';
    });
    std::fflush(stdout);
    lines->setLineSink([writer](QByteArray line) { writer->write(std::move(line)); });
    MonitorEvents& monitor = *monitorLines;
    controller.setMessageBoxes(&monitor);
    auto syslog = std::make_unique<ConsoleSyslog>(&controller, &monitor, [] { return SettingsStore().syslogPort(); });
    controller.setSyslogListener(syslog.get());

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
    // Script calls made until the loop has ended are still interrupted.
    QObject::connect(&stops, &StopWatcher::stopRequested, &app, &QCoreApplication::quit);

    QString httpError;
    if (!assembled.startHttp(&httpError, &monitor)) {
        std::fprintf(stderr, "korvane: %s\n", qPrintable(httpError));
        return 2;
    }
    http::HttpEndpoint* httpEndpoint = assembled.httpEndpoint();
    if (httpEndpoint)
        monitor.emitEvent(QStringLiteral("http"), {{QStringLiteral("port"), httpEndpoint->port()}},
                          QStringLiteral("HTTP endpoint on %1:%2")
                              .arg(httpEndpoint->options().address.toString())
                              .arg(httpEndpoint->port()));
    QString mqttError;
    if (!assembled.startMqtt(&mqttError)) {
        std::fprintf(stderr, "korvane: %s\n", qPrintable(mqttError));
        return 2;
    }
    if (mqtt::MqttPublisher* publisher = assembled.mqttPublisher()) {
        // One error line per outage; monitoring goes on meanwhile.
        QObject::connect(publisher, &mqtt::MqttPublisher::outage, &monitor, [&monitor](const QString& text) {
            monitor.emitEvent(QStringLiteral("mqtt-error"), QJsonObject{{QStringLiteral("text"), text}},
                              QStringLiteral("MQTT error: ") + text);
        });
        QObject::connect(publisher, &mqtt::MqttPublisher::connectedToBroker, &monitor,
                         [&monitor](const QString& broker) {
                             monitor.emitEvent(QStringLiteral("mqtt"), QJsonObject{{QStringLiteral("broker"), broker}},
                                               QStringLiteral("MQTT broker at ") + broker);
                         });
    }
    // The first connection, once the loop runs.
    QTimer::singleShot(0, &controller, [&] {
        syslog->startListening(settings.ipAddress());
        controller.OpenConnection();
    });
    const int code = app.exec();
    stops.stopTaken();
    if (scriptHost) {
        scriptHost->setTimeout(unloadTimeLimit(SettingsStore().scriptTimeout()));
        scriptHost->FireOnAppUnload();
    }
    assembled.stop();
    controller.setSyslogListener(nullptr);
    syslog.reset();
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
