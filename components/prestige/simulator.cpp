#include "components/prestige/simulator.h"

#include "components/prestige/session.h"
#include "components/prestige/syslog_sender.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace prestige {

namespace {

constexpr int kMaxClockMs = 3600 * 1000;
constexpr int kMaxChunkBytes = 65536;
constexpr int kMaxChunkDelayMs = 10000;
constexpr int kMaxNoiseBytes = 4096;
constexpr int kMaxRebootSeconds = 24 * 3600;
// How soon a router whose port is taken during its reboot tries again.
constexpr int kRelistenRetryMs = 100;

QString peerName(const QTcpSocket* socket)
{
    return QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
}

} // namespace

Simulator::Simulator(SimulatorOptions options, QObject* parent)
    : QObject(parent)
    , options_(std::move(options))
    , state_(options_.seed)
{
    connect(&clock_, &QTimer::timeout, this, [this] { step(1); });
    rebootDown_.setSingleShot(true);
    connect(&rebootDown_, &QTimer::timeout, this, &Simulator::endReboot);
    rebootEvery_.setSingleShot(true);
    connect(&rebootEvery_, &QTimer::timeout, this, [this] { rebootMs(options_.faults.rebootDownSeconds * 1000); });
    state_.onCallEvent = [this](const CallEvent& event) {
        if (syslog_)
            syslog_->send(event);
        emit callRecord(SyslogSender::callRecord(event));
    };
}

Simulator::~Simulator()
{
    close();
}

QString Simulator::checkOptions(const SimulatorOptions& o)
{
    const QByteArray password = o.password.toLatin1();
    if (password.isEmpty() || password.size() > Session::kMaxInput || o.password != QString::fromLatin1(password)
        || std::any_of(password.begin(), password.end(), [](char c) { return quint8(c) < 32 || quint8(c) > 126; }))
        return QStringLiteral("the password is 1 to %1 printable ASCII characters").arg(Session::kMaxInput);
    if (o.layout < 0 || o.layout > 2)
        return QStringLiteral("the layout is 0, 1 or 2");
    if (o.repaintMs < kMinRepaintMs || o.repaintMs > kMaxRepaintMs)
        return QStringLiteral("the repaint interval is %1 to %2 ms").arg(kMinRepaintMs).arg(kMaxRepaintMs);
    if (o.clockMs < 0 || o.clockMs > kMaxClockMs)
        return QStringLiteral("the clock interval is 0 to %1 ms").arg(kMaxClockMs);
    if (o.passwordAttempts < 0)
        return QStringLiteral("the number of password attempts is 0 (no limit) or more");
    const Faults& f = o.faults;
    if (f.closeAfterScreens < 0 || f.resetAfterScreens < 0 || f.silentAfterScreens < 0)
        return QStringLiteral("a fault's screen count is 0 (off) or more");
    if (f.chunkBytes < 0 || f.chunkBytes > kMaxChunkBytes)
        return QStringLiteral("the chunk size is 0 (off) to %1 bytes").arg(kMaxChunkBytes);
    if (f.chunkDelayMs < 0 || f.chunkDelayMs > kMaxChunkDelayMs)
        return QStringLiteral("the chunk delay is 0 to %1 ms").arg(kMaxChunkDelayMs);
    if (f.noiseBytes < 0 || f.noiseBytes > kMaxNoiseBytes)
        return QStringLiteral("the noise is 0 (off) to %1 bytes").arg(kMaxNoiseBytes);
    if ((f.chunkRandomMin != 0 || f.chunkRandomMax != 0)
        && (f.chunkRandomMin < 1 || f.chunkRandomMin > f.chunkRandomMax || f.chunkRandomMax > kMaxRandomChunk))
        return QStringLiteral("the random chunk sizes are 1 to %1 bytes, the smallest first").arg(kMaxRandomChunk);
    if (f.rebootEverySeconds < 0 || f.rebootEverySeconds > kMaxRebootSeconds || f.rebootDownSeconds < 0
        || f.rebootDownSeconds > kMaxRebootSeconds)
        return QStringLiteral("the reboot times are 0 to %1 seconds").arg(kMaxRebootSeconds);
    if (o.promptColumn != 0 && (o.promptColumn < kMinMenuPromptColumn || o.promptColumn > kColumns))
        return QStringLiteral("the prompt column is %1 to %2 (0: the usual one)").arg(kMinMenuPromptColumn).arg(kColumns);
    return {};
}

bool Simulator::listen(quint16 port, const QHostAddress& address)
{
    if (isListening()) {
        error_ = QStringLiteral("already listening on port %1").arg(this->port());
        return false;
    }
    error_ = checkOptions(options_);
    if (!error_.isEmpty())
        return false;

    std::optional<Scenario> scenario = options_.scenario;
    if (!scenario) {
        if (options_.scenarioFile.isEmpty())
            scenario = Scenario::builtIn();
        else if (!(scenario = Scenario::load(options_.scenarioFile, &error_)))
            return false;
    }

    std::unique_ptr<SyslogSender> syslog;
    if (!options_.syslogTarget.isEmpty()) {
        const auto target = SyslogSender::parseTarget(options_.syslogTarget, &error_);
        if (!target) {
            error_ = QStringLiteral("syslog target %1").arg(error_);
            return false;
        }
        syslog = std::make_unique<SyslogSender>(*target, options_.syslogHostName);
    }

    if (!openServer(port, address))
        return false;
    listenPort_ = server_->serverPort();
    listenAddress_ = address;
    syslog_ = std::move(syslog);
    if (!player_) {
        player_ = std::make_unique<ScenarioPlayer>(std::move(*scenario), state_);
        player_->onSkipped = [this](const ScenarioEvent& e, const QString& why) {
            emit scenarioEventSkipped(e.sourceLine, why);
        };
    }
    if (options_.clockMs > 0)
        clock_.start(options_.clockMs);
    if (options_.faults.rebootEverySeconds > 0)
        rebootEvery_.start(options_.faults.rebootEverySeconds * 1000);
    return true;
}

bool Simulator::openServer(quint16 port, const QHostAddress& address)
{
    auto* server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        error_ = QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(server->errorString());
        delete server;
        return false;
    }
    server_ = server;
    connect(server_, &QTcpServer::newConnection, this, &Simulator::acceptConnections);
    return true;
}

void Simulator::close()
{
    clock_.stop();
    rebootDown_.stop();
    rebootEvery_.stop();
    rebooting_ = false;
    listenPort_ = 0;
    if (session_) {
        Session* s = session_;
        session_ = nullptr;
        s->disconnect(this);
        delete s;
    }
    if (server_) {
        server_->close();
        delete server_;
        server_ = nullptr;
    }
}

bool Simulator::isListening() const
{
    return server_ && server_->isListening();
}

quint16 Simulator::port() const
{
    // While rebooting, the port it will come back on.
    return server_ ? server_->serverPort() : listenPort_;
}

QHostAddress Simulator::address() const
{
    return server_ ? server_->serverAddress() : (listenPort_ ? listenAddress_ : QHostAddress());
}

void Simulator::reboot(int downSeconds)
{
    rebootMs(std::clamp(downSeconds, 0, kMaxRebootSeconds) * 1000);
}

void Simulator::rebootMs(int downMs)
{
    if (!server_ && !rebooting_)
        return; // not started, or closed
    downMs = std::clamp(downMs, 0, kMaxRebootSeconds * 1000);
    dropSession();
    if (server_) {
        // Nothing listens while the router boots: connects are refused.
        server_->disconnect(this);
        server_->close();
        server_->deleteLater();
        server_ = nullptr;
    }
    if (!rebooting_) {
        rebooting_ = true;
        ++reboots_;
    }
    rebootEvery_.stop();
    rebootDown_.start(downMs);
    emit rebootStarted(downMs);
}

void Simulator::endReboot()
{
    if (!rebooting_)
        return;
    if (!openServer(listenPort_, listenAddress_)) {
        emit rebootFailed(error_);
        rebootDown_.start(kRelistenRetryMs);
        return;
    }
    rebooting_ = false;
    if (options_.faults.rebootEverySeconds > 0)
        rebootEvery_.start(options_.faults.rebootEverySeconds * 1000);
    emit rebootFinished();
}

void Simulator::dropSession()
{
    if (!session_)
        return;
    Session* s = session_;
    session_ = nullptr;
    s->disconnect(this);
    s->drop();
    s->deleteLater();
    emit sessionEnded();
}

void Simulator::step(int seconds)
{
    for (int i = 0; i < std::clamp(seconds, 0, Scenario::kMaxSecond); ++i) {
        if (player_)
            player_->step();
        else
            state_.advance();
    }
}

int Simulator::scenarioSecond() const
{
    return player_ ? player_->second() : 0;
}

ScreenId Simulator::currentScreen() const
{
    return session_ ? session_->screen() : ScreenId::Password;
}

int Simulator::screensPainted() const
{
    return session_ ? session_->screensPainted() : 0;
}

void Simulator::acceptConnections()
{
    while (server_ && server_->hasPendingConnections()) {
        QTcpSocket* socket = server_->nextPendingConnection();
        if (!socket)
            break;
        const QString peer = peerName(socket);
        if (session_ && session_->peerHasClosed()) {
            // Its end is only waiting to be noticed: end it now, so that the
            // reconnect that follows it is not turned away.
            Session* old = session_;
            session_ = nullptr;
            old->disconnect(this);
            old->deleteLater();
            emit sessionEnded();
        }
        if (session_) {
            // One management session at a time, as on the router.
            socket->write("\r\nThe management terminal is in use by another session.\r\n");
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->state() == QAbstractSocket::UnconnectedState)
                socket->deleteLater();
            emit connectionRefused(peer);
            continue;
        }
        ++sessionCount_;
        auto* session = new Session(socket, state_, options_, options_.seed ^ (sessionCount_ * 0x9E3779B9u), this);
        session_ = session;
        connect(session, &Session::screenPainted, this, &Simulator::screenPainted);
        connect(session, &Session::finished, this, [this, session] {
            session->deleteLater();
            if (session_ == session) {
                session_ = nullptr;
                emit sessionEnded();
            }
        });
        emit sessionStarted(peer);
        session->start();
    }
}

} // namespace prestige
