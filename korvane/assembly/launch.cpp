#include "korvane/assembly/launch.h"

#include "korvane/monitor/controller.h"
#include "korvane/settings/config_settings.h"
#include "korvane/settings/settings_store.h"
#include "korvane/monitor/password_source.h"
#include "korvane/monitor/session_recorder.h"
#include "korvane/monitor/stop_watcher.h"
#include "korvane/monitor/tessen_registration.h"
#include "components/prestige/simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace korvane {

qint64 parseRecordLimit(const QString& text) {
    QString t = text.trimmed().toUpper();
    if (t.endsWith(u'B'))
        t.chop(1);
    qint64 unit = 1024 * 1024;
    if (t.endsWith(u'K') || t.endsWith(u'M') || t.endsWith(u'G')) {
        unit = t.endsWith(u'K') ? 1024 : t.endsWith(u'M') ? 1024 * 1024 : 1024LL * 1024 * 1024;
        t.chop(1);
    }
    bool ok = false;
    const qint64 count = t.toLongLong(&ok);
    if (!ok || count < 0 || count > (qint64(1) << 40) / unit)
        return -1;
    return count * unit;
}

int readLaunchOptions(QCoreApplication& app, int argc, char** argv, LaunchOptions* options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("ZyXEL Prestige Korvane: monitor for Prestige ISDN routers"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("address"),
                                 QStringLiteral("Router address for this run (host or host:port); without it the "
                                                "address stored in the properties sheet."),
                                 QStringLiteral("[address]"));
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
    const QCommandLineOption recordOption(QStringLiteral("record"), QStringLiteral("Record the session with the router to this capture file (password masked, readable by you only)."), QStringLiteral("file"));
    const QCommandLineOption recordLimitOption(QStringLiteral("record-limit"), QStringLiteral("Stop recording when the capture reaches this many MB (default 100; 0: no limit)."), QStringLiteral("MB"));
    parser.addOption(recordOption);
    parser.addOption(recordLimitOption);
    const QCommandLineOption mqttOption(QStringLiteral("mqtt"), QStringLiteral("Publish to Home Assistant through this MQTT broker (overrides \"MQTT Broker\")."), QStringLiteral("host[:port]"));
    parser.addOption(mqttOption);
    parser.addOption(passwordFileOption);
    parser.process(app);
    // Other users can read a process's command line: the password given
    // there is overwritten as soon as it has been read.
    scrubOptionValues(argc, argv, "password");

    options->console = parser.isSet(consoleOption);
    options->json = parser.isSet(jsonOption);
    options->demo = parser.isSet(demoOption);
    options->scriptFile = parser.value(scriptOption);
    options->httpAddress = parser.value(httpOption);
    options->httpTokenFile = parser.value(httpTokenOption);
    options->httpName = parser.value(httpNameOption);
    options->recordFile = parser.value(recordOption);
    if (parser.isSet(recordLimitOption)) {
        options->recordLimitBytes = parseRecordLimit(parser.value(recordLimitOption));
        if (options->recordLimitBytes < 0) {
            std::fprintf(stderr, "korvane: --record-limit needs a size in MB, or with K, M or G after it "
                                 "(0 for no limit)\n");
            return 2;
        }
    }
    options->mqttBroker = parser.value(mqttOption);
    if (parser.isSet(mqttOption) && options->mqttBroker.trimmed().isEmpty()) {
        std::fprintf(stderr, "korvane: --mqtt needs a broker address (host or host:port)\n");
        return 2;
    }
    if (parser.isSet(recordOption)) {
        QFile capture(options->recordFile);
        QString error;
        if (options->recordFile.isEmpty() || !openPrivateCapture(capture, &error)) {
            std::fprintf(stderr, "korvane: cannot record to %s: %s\n", qPrintable(options->recordFile),
                         qPrintable(error));
            return 1;
        }
    }
    options->address = parser.positionalArguments().join(QLatin1Char(' ')).trimmed();
    if (parser.isSet(passwordOption) || parser.isSet(passwordFileOption)) {
        const bool fromFile = parser.isSet(passwordFileOption);
        const QString value = fromFile ? parser.value(passwordFileOption) : parser.value(passwordOption);
        if (fromFile) {
            const QString unsafe = unsafePasswordFileReason(value);
            if (!unsafe.isEmpty()) {
                std::fprintf(stderr, "korvane: %s\n", qPrintable(unsafe));
                return 2;
            }
        }
        if (fromFile || value == QLatin1String("-")) {
            QString error;
            if (!readPasswordLine(value, &options->password, &error)) {
                std::fprintf(stderr, "korvane: %s\n", qPrintable(error));
                return 2;
            }
        } else {
            options->password = value;
        }
        options->passwordGiven = true;
    }
    // A service's password comes from its environment file rather than the
    // command line, where every user could read it.
    if (!options->passwordGiven && options->console && qEnvironmentVariableIsSet("KORVANE_PASSWORD")) {
        options->password = qEnvironmentVariable("KORVANE_PASSWORD");
        options->passwordGiven = true;
    }
    if (parser.isSet(forOption)) {
        bool ok = false;
        options->seconds = parser.value(forOption).toInt(&ok);
        if (!ok || options->seconds <= 0) {
            std::fprintf(stderr, "korvane: --for needs a positive number of seconds\n");
            return 2;
        }
    }
    return -1;
}

void prepareRun(StopWatcher& stops, const LaunchOptions& options) {
    // SIGINT, SIGTERM and the end of --for stop the run, even while a script
    // keeps the loop busy (the watcher interrupts it).
    stops.installSignalHandlers();
    // The user's class registry must name a terminal control that exists:
    // registered on the first run, repaired after a removal or a move.
    ensureTessenRegistered();
    if (options.seconds > 0)
        stops.setDeadline(qint64(options.seconds) * 1000);
}

int beginRun(QCoreApplication& app, int argc, char** argv, LaunchOptions* options, StopWatcher& stops,
             DemoRouter& demo) {
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    if (const int code = readLaunchOptions(app, argc, argv, options); code >= 0)
        return code;
    prepareRun(stops, *options);
    if (options->demo && !demo.start(options))
        return 1;
    // The router would only answer "bad password"; the window asks with
    // its first-run sheet instead.
    if (options->console && !options->passwordGiven) {
        const ConfigSettings stored(options->address);
        if (stored.GetPassword().isEmpty()) {
            std::fprintf(stderr, "%s", qPrintable(noPasswordText(stored.GetIpAddress())));
            return 2;
        }
    }
    return -1;
}

QString unsafePasswordFileReason(const QString& file) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return QString();
    if (st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH))
        return QStringLiteral("the password file \"%1\" is refused: other users can read or change it. "
                              "Make it private to you: chmod go-rw \"%1\"")
            .arg(file);
#else
    Q_UNUSED(file);
#endif
    return QString();
}

QString noPasswordText(const QString& address) {
    return QStringLiteral("korvane: no router password is set for %1. Give it for this run with\n"
                          "  --password-file FILE   (its first line; the file readable by you only)\n"
                          "  --password -           (one line on standard input)\n"
                          "or in the environment variable KORVANE_PASSWORD, or store it once in the\n"
                          "window's properties sheet (View > Properties...).\n")
        .arg(address);
}

namespace {

// A UDP port nobody listens on now, for the demo's syslog; 0 if none is found.
int freeUdpPort() {
    QUdpSocket probe;
    if (!probe.bind(QHostAddress::AnyIPv4, 0))
        return 0;
    return probe.localPort();
}

}  // namespace

struct DemoRouter::Impl {
    std::unique_ptr<QTemporaryDir> settings;
    std::unique_ptr<prestige::Simulator> simulator;
    std::unique_ptr<QThread> thread;
};

DemoRouter::DemoRouter() : d(std::make_unique<Impl>()) {}

DemoRouter::~DemoRouter() { stop(); }

bool DemoRouter::start(LaunchOptions* options) {
    // The simulator gets a thread of its own, so that a busy monitor (a
    // script in a long loop) never holds up the router it watches.
    d->thread = std::make_unique<QThread>();
    d->thread->start();
    // Made on that thread, so that its sockets and timers live there too.
    auto* threadAnchor = new QObject;
    threadAnchor->moveToThread(d->thread.get());
    bool listening = false;
    // The simulated router sends its call records to the monitor's syslog
    // receiver on a free loopback port.
    const int syslogPort = freeUdpPort();
    prestige::SimulatorOptions routerOptions;
    if (syslogPort > 0)
        routerOptions.syslogTarget = QStringLiteral("127.0.0.1:%1").arg(syslogPort);
    QMetaObject::invokeMethod(threadAnchor, [&] {
        d->simulator = std::make_unique<prestige::Simulator>(routerOptions);
        listening = d->simulator->listen(0);
    }, Qt::BlockingQueuedConnection);
    threadAnchor->deleteLater();
    if (!listening) {
        std::fprintf(stderr, "korvane: the simulator could not start: %s\n", qPrintable(d->simulator->errorString()));
        stop();
        return false;
    }
    options->address = QStringLiteral("127.0.0.1:%1").arg(d->simulator->port());
    if (!options->passwordGiven) {
        options->password = d->simulator->options().password;
        options->passwordGiven = true;
    }
    // Always a fresh folder, even when KORVANE_SETTINGS_DIR names a profile.
    d->settings = std::make_unique<QTemporaryDir>();
    qputenv(kSettingsDirVariable, d->settings->path().toLocal8Bit());
    SettingsStore store;
    store.setRouterPassword(options->address, options->password);
    store.setConfigured(true);
    if (syslogPort > 0)
        store.writeInt(QString::fromLatin1(settings::kSection), QString::fromLatin1(settings::kSyslogPort), syslogPort);
    // Show a call history read within the first minute.
    if (!store.contains(QString::fromLatin1(settings::kSection), QString::fromLatin1(settings::kCallHistoryRefresh)))
        store.writeInt(QString::fromLatin1(settings::kSection), QString::fromLatin1(settings::kCallHistoryRefresh), 20);
    store.sync();
    return true;
}

void DemoRouter::stop() {
    if (!d->thread)
        return;
    if (d->simulator)
        QMetaObject::invokeMethod(d->simulator.get(), [this] { d->simulator.reset(); }, Qt::BlockingQueuedConnection);
    d->thread->quit();
    d->thread->wait();
    d->thread.reset();
}

}  // namespace korvane
