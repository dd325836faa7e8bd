// prestige-sim: the simulated ZyXEL Prestige management terminal as a program.
#include "components/prestige/replay.h"
#include "components/prestige/simulator.h"
#include "components/prestige/syslog_sender.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool readInt(const QCommandLineParser& parser, const QString& name, qint64 low, qint64 high, qint64& value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const qint64 v = parser.value(name).toLongLong(&ok);
    if (!ok || v < low || v > high) {
        err() << "prestige-sim: --" << name << " takes a number from " << low << " to " << high << Qt::endl;
        return false;
    }
    value = v;
    return true;
}

template <typename T>
bool readOption(const QCommandLineParser& parser, const QString& name, qint64 low, qint64 high, T& target)
{
    qint64 v = target;
    if (!readInt(parser, name, low, high, v))
        return false;
    target = T(v);
    return true;
}

QHostAddress listenAddress(const QCommandLineParser& parser, bool* ok)
{
    QHostAddress address(QHostAddress::LocalHost);
    *ok = !parser.isSet(QStringLiteral("address")) || address.setAddress(parser.value(QStringLiteral("address")));
    if (!*ok)
        err() << "prestige-sim: --address takes an IP address" << Qt::endl;
    return address;
}

int replay(QCoreApplication& app, const QCommandLineParser& parser)
{
    qint64 port = prestige::Simulator::kDefaultPort;
    bool ok = false;
    const QHostAddress address = listenAddress(parser, &ok);
    if (!ok || !readInt(parser, QStringLiteral("port"), 0, 65535, port))
        return 2;
    QString error;
    auto entries = prestige::loadCapture(parser.value(QStringLiteral("replay")), &error);
    if (!entries) {
        err() << "prestige-sim: " << error << Qt::endl;
        return 1;
    }
    prestige::Replay replay(std::move(*entries));
    if (parser.isSet(QStringLiteral("verbose"))) {
        QObject::connect(&replay, &prestige::Replay::connectionStarted, [&replay](int index) {
            err() << "connection " << index + 1 << " of " << replay.connections() << Qt::endl;
        });
        QObject::connect(&replay, &prestige::Replay::keysMatched, [](int line) {
            err() << "keys of line " << line << Qt::endl;
        });
        QObject::connect(&replay, &prestige::Replay::connectionPlayed, [](int index) {
            err() << "connection " << index + 1 << " played" << Qt::endl;
        });
        QObject::connect(&replay, &prestige::Replay::connectionRefused, [] {
            err() << "refused a connection: the capture has no more" << Qt::endl;
        });
    }
    if (!replay.listen(quint16(port), address)) {
        err() << "prestige-sim: " << replay.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "prestige-sim listening on " << address.toString() << ':' << replay.port() << Qt::endl;
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("prestige-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.05"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated ZyXEL Prestige ISDN router: its telnet management terminal with the menus,\n"
        "the live status screen (menu 24.1) and the call history (menu 24.9.4), driven by a scenario."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("port"), QStringLiteral("TCP port to listen on; 0 picks a free one (default 2323)."), QStringLiteral("port")},
        {QStringLiteral("address"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("address")},
        {QStringLiteral("password"), QStringLiteral("The router's password (default 1234)."), QStringLiteral("text")},
        {QStringLiteral("password-attempts"), QStringLiteral("Wrong passwords before the router hangs up; 0: no limit (default 3)."), QStringLiteral("n")},
        {QStringLiteral("layout"), QStringLiteral("Status screen layout 0, 1 or 2 (default 0)."), QStringLiteral("n")},
        {QStringLiteral("repaint-ms"), QStringLiteral("Status screen repaint interval (default 1000)."), QStringLiteral("ms")},
        {QStringLiteral("prompt-shift"), QStringLiteral("Paint the menu prompts two columns further right, as other firmware does.")},
        {QStringLiteral("prompt-column"), QStringLiteral("Leave the cursor of the prompt of menus 24 and 24.9 in column n (30 to 80), as firmware the monitor does not know may."), QStringLiteral("n")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the simulation's random numbers (default 1)."), QStringLiteral("n")},
        {QStringLiteral("clock-ms"), QStringLiteral("Real milliseconds per simulated second (default 1000)."), QStringLiteral("ms")},
        {QStringLiteral("scenario"), QStringLiteral("Scenario file to play instead of the built-in one."), QStringLiteral("file")},
        {QStringLiteral("print-scenario"), QStringLiteral("Print the built-in scenario and exit.")},
        {QStringLiteral("check-scenario"), QStringLiteral("Check a scenario file and exit."), QStringLiteral("file")},
        {QStringLiteral("syslog"), QStringLiteral("Send call records as UDP syslog messages to host:port."), QStringLiteral("host:port")},
        {QStringLiteral("syslog-hostname"), QStringLiteral("Host name in the syslog messages (default 192.168.1.1)."), QStringLiteral("name")},
        {QStringLiteral("close-after"), QStringLiteral("Fault: close the connection after n screens."), QStringLiteral("n")},
        {QStringLiteral("reset-after"), QStringLiteral("Fault: reset the connection (RST) after n screens."), QStringLiteral("n")},
        {QStringLiteral("silent-after"), QStringLiteral("Fault: go silent after n screens."), QStringLiteral("n")},
        {QStringLiteral("chunk-bytes"), QStringLiteral("Fault: write everything in pieces of n bytes."), QStringLiteral("n")},
        {QStringLiteral("chunk-random"), QStringLiteral("Fault: write everything in pieces of random sizes from min to max bytes (1 to 1460), drawn from the seed."), QStringLiteral("min-max")},
        {QStringLiteral("chunk-delay-ms"), QStringLiteral("Pause between two pieces (default 20)."), QStringLiteral("ms")},
        {QStringLiteral("noise-bytes"), QStringLiteral("Fault: up to n random bytes between two status repaints."), QStringLiteral("n")},
        {QStringLiteral("reboot-every"), QStringLiteral("Fault: reboot every n seconds: drop the session and refuse connections for the --reboot-down time."), QStringLiteral("seconds")},
        {QStringLiteral("reboot-down"), QStringLiteral("How long a reboot keeps the router away (default 10)."), QStringLiteral("seconds")},
        {QStringLiteral("replay"), QStringLiteral("Play the router's side of a capture (korvane --record) back instead of simulating; only --port, --address and --verbose apply."), QStringLiteral("file")},
        {QStringLiteral("verbose"), QStringLiteral("Report sessions, screens and call records on standard error.")},
    };
    parser.addOptions(options);
    parser.process(app);

    if (parser.isSet(QStringLiteral("print-scenario"))) {
        QTextStream(stdout) << prestige::Scenario::builtInText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("check-scenario"))) {
        QString error;
        const auto scenario = prestige::Scenario::load(parser.value(QStringLiteral("check-scenario")), &error);
        if (!scenario) {
            err() << "prestige-sim: " << error << Qt::endl;
            return 1;
        }
        QTextStream(stdout) << scenario->events().size() << " events"
                            << (scenario->loopSeconds() ? QStringLiteral(", starting over after %1 s").arg(*scenario->loopSeconds())
                                                        : QString())
                            << Qt::endl;
        return 0;
    }

    if (parser.isSet(QStringLiteral("replay")))
        return replay(app, parser);

    prestige::SimulatorOptions o;
    qint64 port = prestige::Simulator::kDefaultPort;
    if (!readInt(parser, QStringLiteral("port"), 0, 65535, port)
        || !readOption(parser, QStringLiteral("layout"), 0, 2, o.layout)
        || !readOption(parser, QStringLiteral("repaint-ms"), prestige::Simulator::kMinRepaintMs,
                       prestige::Simulator::kMaxRepaintMs, o.repaintMs)
        || !readOption(parser, QStringLiteral("seed"), 0, 0xFFFFFFFFll, o.seed)
        || !readOption(parser, QStringLiteral("clock-ms"), 0, 3600000, o.clockMs)
        || !readOption(parser, QStringLiteral("password-attempts"), 0, 1000000, o.passwordAttempts)
        || !readOption(parser, QStringLiteral("close-after"), 0, 1 << 30, o.faults.closeAfterScreens)
        || !readOption(parser, QStringLiteral("reset-after"), 0, 1 << 30, o.faults.resetAfterScreens)
        || !readOption(parser, QStringLiteral("silent-after"), 0, 1 << 30, o.faults.silentAfterScreens)
        || !readOption(parser, QStringLiteral("chunk-bytes"), 0, 65536, o.faults.chunkBytes)
        || !readOption(parser, QStringLiteral("chunk-delay-ms"), 0, 10000, o.faults.chunkDelayMs)
        || !readOption(parser, QStringLiteral("noise-bytes"), 0, 4096, o.faults.noiseBytes)
        || !readOption(parser, QStringLiteral("prompt-column"), prestige::kMinMenuPromptColumn, prestige::kColumns, o.promptColumn)
        || !readOption(parser, QStringLiteral("reboot-every"), 1, 86400, o.faults.rebootEverySeconds)
        || !readOption(parser, QStringLiteral("reboot-down"), 0, 86400, o.faults.rebootDownSeconds))
        return 2;
    if (parser.isSet(QStringLiteral("chunk-random"))) {
        const QStringList range = parser.value(QStringLiteral("chunk-random")).split(QLatin1Char('-'));
        bool okMin = false;
        bool okMax = false;
        const int low = range.size() == 2 ? range[0].toInt(&okMin) : 0;
        const int high = range.size() == 2 ? range[1].toInt(&okMax) : 0;
        if (!okMin || !okMax || low < 1 || low > high || high > prestige::kMaxRandomChunk) {
            err() << "prestige-sim: --chunk-random takes min-max, from 1 to " << prestige::kMaxRandomChunk
                  << ", the smallest first" << Qt::endl;
            return 2;
        }
        o.faults.chunkRandomMin = low;
        o.faults.chunkRandomMax = high;
    }
    if (parser.isSet(QStringLiteral("password")))
        o.password = parser.value(QStringLiteral("password"));
    o.promptShift = parser.isSet(QStringLiteral("prompt-shift"));
    o.scenarioFile = parser.value(QStringLiteral("scenario"));
    o.syslogTarget = parser.value(QStringLiteral("syslog"));
    if (parser.isSet(QStringLiteral("syslog-hostname")))
        o.syslogHostName = parser.value(QStringLiteral("syslog-hostname"));

    bool addressOk = false;
    const QHostAddress address = listenAddress(parser, &addressOk);
    if (!addressOk)
        return 2;

    prestige::Simulator simulator(o);
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    QObject::connect(&simulator, &prestige::Simulator::scenarioEventSkipped, [](int line, const QString& why) {
        err() << "prestige-sim: scenario line " << line << " skipped: " << why << Qt::endl;
    });
    if (verbose) {
        QObject::connect(&simulator, &prestige::Simulator::sessionStarted, [](const QString& peer) {
            err() << "session from " << peer << Qt::endl;
        });
        QObject::connect(&simulator, &prestige::Simulator::sessionEnded, [] { err() << "session ended" << Qt::endl; });
        QObject::connect(&simulator, &prestige::Simulator::connectionRefused, [](const QString& peer) {
            err() << "refused " << peer << ": a session is running" << Qt::endl;
        });
        QObject::connect(&simulator, &prestige::Simulator::screenPainted, [](prestige::ScreenId id) {
            err() << "screen: " << prestige::screenName(id) << Qt::endl;
        });
        QObject::connect(&simulator, &prestige::Simulator::callRecord, [](const QString& record) {
            err() << "call: " << record << Qt::endl;
        });
        QObject::connect(&simulator, &prestige::Simulator::rebootStarted, [](int downMs) {
            err() << "reboot: away for " << downMs << " ms" << Qt::endl;
        });
        QObject::connect(&simulator, &prestige::Simulator::rebootFinished, [] { err() << "reboot: back" << Qt::endl; });
    }
    QObject::connect(&simulator, &prestige::Simulator::rebootFailed, [](const QString& why) {
        err() << "prestige-sim: after the reboot: " << why << "; trying again" << Qt::endl;
    });
    if (!simulator.listen(quint16(port), address)) {
        err() << "prestige-sim: " << simulator.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << "prestige-sim listening on " << simulator.address().toString() << ':' << simulator.port()
                        << Qt::endl;
    return app.exec();
}
