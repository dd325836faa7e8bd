#pragma once
// The simulated ZyXEL Prestige: a management terminal on a loopback TCP port
// with the router's menus, a live status screen and call history, driven by a
// scenario, with optional syslog call records and faults for reliability
// tests. Tests and the monitor's demo mode run it in-process; prestige-sim is
// the same as a program.

#include "components/prestige/router_state.h"
#include "components/prestige/scenario.h"
#include "components/prestige/screens.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class QTcpServer;

namespace prestige {

class Session;
class SyslogSender;

// Each counts the screens painted in a session (every full paint and every
// status repaint); 0 turns the fault off.
struct Faults {
    int closeAfterScreens = 0;  // then close the connection
    int resetAfterScreens = 0;  // then reset it (RST)
    int silentAfterScreens = 0; // then send nothing more and ignore all input
    int chunkBytes = 0;         // write everything in pieces of this many bytes (1 and up)
    // Pieces of random sizes from chunkRandomMin to chunkRandomMax bytes
    // (1 to kMaxRandomChunk, drawn from the seed); wins over chunkBytes.
    int chunkRandomMin = 0;
    int chunkRandomMax = 0;
    int chunkDelayMs = 20;      // pause between two pieces
    int noiseBytes = 0;         // up to this many random bytes between two repaints
    // The router reboots every rebootEverySeconds (real time, counted from
    // listen() and from each return) and stays away rebootDownSeconds.
    int rebootEverySeconds = 0;
    int rebootDownSeconds = 10;
};

// The largest random piece: one full Ethernet TCP segment.
inline constexpr int kMaxRandomChunk = 1460;

struct SimulatorOptions {
    QString password = QStringLiteral("1234");
    int layout = 0;          // status screen layout 0, 1 or 2
    int repaintMs = 1000;    // status screen repaint interval
    bool promptShift = false;
    // Cursor column of the prompt of menus 24 and 24.9 (kMinMenuPromptColumn
    // to 80); 0 keeps the usual one.
    int promptColumn = 0;
    quint32 seed = 1;
    QString scenarioFile;              // empty: the built-in scenario
    std::optional<Scenario> scenario;  // in-process; wins over scenarioFile
    QString syslogTarget;              // "host:port"; empty: no syslog
    QString syslogHostName = QStringLiteral("192.168.1.1");
    int clockMs = 1000;      // one router second; 0: time moves only by step()
    int passwordAttempts = 3; // wrong passwords before the router hangs up; 0: no limit
    Faults faults;
};

class Simulator : public QObject {
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 2323;
    static constexpr int kMinRepaintMs = 20;
    static constexpr int kMaxRepaintMs = 3600 * 1000;

    explicit Simulator(SimulatorOptions options = {}, QObject* parent = nullptr);
    ~Simulator() override;

    // Checks the options, loads the scenario, resolves the syslog target and
    // starts listening; port 0 picks a free one. The clock starts with it.
    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    void close();
    bool isListening() const;
    quint16 port() const;
    QHostAddress address() const;
    QString errorString() const { return error_; }

    const SimulatorOptions& options() const { return options_; }
    RouterState& state() { return state_; }
    const RouterState& state() const { return state_; }
    // Moves router time on as the clock would; with clockMs 0 this is the
    // only way time passes.
    void step(int seconds = 1);
    int scenarioSecond() const;

    bool hasSession() const { return session_ != nullptr; }
    // The screen the session shows; Password when there is none.
    ScreenId currentScreen() const;
    int screensPainted() const;

    // Reboots the router: the session is dropped as a power cut drops it (the
    // peer's stack is reset), and connections are refused (nothing listens)
    // for that long; then it listens again on the same address and port. The
    // router's lines and counters carry on. A reboot while down starts the
    // down time again.
    void reboot(int downSeconds);
    void rebootMs(int downMs);
    bool isRebooting() const { return rebooting_; }
    int reboots() const { return reboots_; }

    // Checks options without listening; an empty text means they are usable.
    static QString checkOptions(const SimulatorOptions& options);

signals:
    void sessionStarted(const QString& peer);
    void sessionEnded();
    void screenPainted(prestige::ScreenId screen);
    // A second connection while a session runs; it is told so and closed.
    void connectionRefused(const QString& peer);
    void callRecord(const QString& record);
    void scenarioEventSkipped(int sourceLine, const QString& why);
    // The reboot has begun (the session is gone, connections are refused) and
    // the router is back (listening again). If the port cannot be had again,
    // rebootFailed says why and the simulator keeps trying.
    void rebootStarted(int downMs);
    void rebootFinished();
    void rebootFailed(const QString& why);

private:
    void acceptConnections();
    bool openServer(quint16 port, const QHostAddress& address);
    void endReboot();
    void dropSession();

    SimulatorOptions options_;
    RouterState state_;
    std::unique_ptr<ScenarioPlayer> player_;
    std::unique_ptr<SyslogSender> syslog_;
    QTcpServer* server_ = nullptr;
    Session* session_ = nullptr;
    QTimer clock_;
    QTimer rebootDown_;
    QTimer rebootEvery_;
    quint16 listenPort_ = 0;
    QHostAddress listenAddress_;
    bool rebooting_ = false;
    int reboots_ = 0;
    QString error_;
    quint32 sessionCount_ = 0;
};

} // namespace prestige
