#include "components/prestige/session.h"

#include <QTcpSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace prestige {

namespace {

constexpr quint8 kIac = 255;
constexpr quint8 kDont = 254;
constexpr quint8 kDo = 253;
constexpr quint8 kWont = 252;
constexpr quint8 kWill = 251;
constexpr quint8 kSb = 250;
constexpr quint8 kSe = 240;
constexpr quint8 kOptionEcho = 1;
constexpr quint8 kOptionSuppressGoAhead = 3;
// Subnegotiations longer than this are not telnet; what follows is data again.
constexpr int kMaxSubnegotiation = 1024;
constexpr int kMaxKeyboardSequence = 16;
constexpr int kResetDelayMs = 100;

QByteArray command(quint8 verb, quint8 option)
{
    QByteArray bytes(3, char(kIac));
    bytes[1] = char(verb);
    bytes[2] = char(option);
    return bytes;
}

// An abortive close: with a zero linger time the kernel answers with RST.
void resetConnection(QTcpSocket* socket)
{
    const qintptr fd = socket->socketDescriptor();
    if (fd >= 0) {
        linger l {};
        l.l_onoff = 1;
        l.l_linger = 0;
#ifdef Q_OS_WIN
        ::setsockopt(SOCKET(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
#else
        ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &l, sizeof l);
#endif
    }
    socket->abort();
}

} // namespace

Session::Session(QTcpSocket* socket, RouterState& state, const SimulatorOptions& options, quint32 seed,
                 QObject* parent)
    : QObject(parent)
    , socket_(socket)
    , state_(state)
    , options_(options)
    , rng_(seed)
    , chunkRng_(seed ^ 0x5bd1e995u)
{
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    paint_.layout = options.layout;
    paint_.promptShift = options.promptShift;
    paint_.menuPromptColumn = options.promptColumn;
    repaint_.setInterval(options.repaintMs);
    connect(&repaint_, &QTimer::timeout, this, &Session::repaintStatus);
    noise_.setSingleShot(true);
    connect(&noise_, &QTimer::timeout, this, &Session::sendNoise);
    chunk_.setSingleShot(true);
    connect(&chunk_, &QTimer::timeout, this, &Session::pump);
    socket_->setReadBufferSize(kMaxPendingKeys);
    connect(socket_, &QTcpSocket::readyRead, this, &Session::readInput);
    // Keys held back while the screens queue up go on as the peer reads.
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (!keys_.isEmpty() || socket_->bytesAvailable() > 0)
            readInput();
    });
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        repaint_.stop();
        noise_.stop();
        chunk_.stop();
        emit finished();
    });
}

Session::~Session()
{
    // The session goes with its connection; nothing of it may run after this.
    socket_->disconnect(this);
    socket_->abort();
}

void Session::start()
{
    // The router offers to echo and to go without go-ahead, which puts a
    // person's telnet client into character mode; the monitor ignores both.
    send(command(kWill, kOptionEcho) + command(kWill, kOptionSuppressGoAhead), false);
    enter(ScreenId::Password);
}

void Session::drop()
{
    finishing_ = true;
    repaint_.stop();
    noise_.stop();
    chunk_.stop();
    outgoing_.clear();
    socket_->disconnect(this);
    resetConnection(socket_);
}

bool Session::peerHasClosed() const
{
    const qintptr fd = socket_->socketDescriptor();
    if (fd < 0 || socket_->state() != QAbstractSocket::ConnectedState)
        return true;
    // The socket is non-blocking: a peek answers at once. Nothing to read
    // (0) after everything that was sent is the peer's close.
    char byte = 0;
#ifdef Q_OS_WIN
    return ::recv(SOCKET(fd), &byte, 1, MSG_PEEK) == 0;
#else
    return ::recv(int(fd), &byte, 1, MSG_PEEK) == 0;
#endif
}

void Session::readInput()
{
    if (silent_ || finishing_) {
        socket_->readAll(); // taken and forgotten
        return;
    }
    // Keys are read only as far as they can be worked off: a peer that types
    // faster than it reads the screens is held back by TCP, not by memory.
    while (keys_.size() < kMaxPendingKeys && socket_->bytesAvailable() > 0)
        decodeTelnet(socket_->read(kMaxPendingKeys - keys_.size()));
    processKeys();
}

void Session::decodeTelnet(const QByteArray& bytes)
{
    QByteArray& data = keys_;
    for (char c : bytes) {
        const quint8 b = quint8(c);
        switch (telnet_) {
        case Telnet::Data:
            if (b == kIac)
                telnet_ = Telnet::Iac;
            else
                data += char(b);
            break;
        case Telnet::Iac:
            if (b == kIac) {
                data += char(b);
                telnet_ = Telnet::Data;
            } else if (b >= kWill && b <= kDont) {
                telnetVerb_ = b;
                telnet_ = Telnet::Option;
            } else if (b == kSb) {
                subBytes_ = 0;
                telnet_ = Telnet::Sub;
            } else {
                telnet_ = Telnet::Data;
            }
            break;
        case Telnet::Option:
            answerNegotiation(telnetVerb_, b);
            telnet_ = Telnet::Data;
            break;
        case Telnet::Sub:
            if (b == kIac)
                telnet_ = Telnet::SubIac;
            else if (++subBytes_ > kMaxSubnegotiation)
                telnet_ = Telnet::Data;
            break;
        case Telnet::SubIac:
            telnet_ = b == kSe ? Telnet::Data : Telnet::Sub;
            break;
        }
    }
}

qint64 Session::backlog() const
{
    return outgoing_.size() + socket_->bytesToWrite();
}

void Session::processKeys()
{
    const QByteArray& data = keys_;
    qsizetype i = 0;
    for (; i < data.size() && !silent_ && !finishing_ && backlog() <= kMaxBacklog; ++i) {
        const quint8 b = quint8(data[i]);
        if (escapeState_ != 0) {
            // escapeState_ 1: ESC [ ... up to a final byte; 2: ESC O and one byte.
            ++escapeLength_;
            if (escapeState_ == 2 || (b >= 0x40 && b <= 0x7e) || escapeLength_ >= kMaxKeyboardSequence)
                escapeState_ = 0;
            continue;
        }
        if (b == 27) {
            // A lone ESC is the key; ESC [ or ESC O starts a cursor key's sequence.
            if (i + 1 < data.size() && (data[i + 1] == '[' || data[i + 1] == 'O')) {
                escapeState_ = data[i + 1] == '[' ? 1 : 2;
                escapeLength_ = 0;
                ++i;
                continue;
            }
            lastWasCr_ = false;
            handleEscape();
            continue;
        }
        handleKey(b);
    }
    keys_.remove(0, std::min(i, keys_.size()));
    if (silent_ || finishing_)
        keys_.clear();
}

void Session::answerNegotiation(quint8 verb, quint8 option)
{
    // One answer per request, so two sides that both insist cannot loop.
    const int key = verb * 256 + option;
    if (answered_.contains(key))
        return;
    answered_.insert(key);
    const bool offered = option == kOptionEcho || option == kOptionSuppressGoAhead;
    switch (verb) {
    case kDo:
        if (!offered)
            send(command(kWont, option), false);
        break;
    case kDont:
        if (offered)
            send(command(kWont, option), false);
        break;
    case kWill:
        send(command(option == kOptionSuppressGoAhead ? kDo : kDont, option), false);
        break;
    default:
        break;
    }
}

void Session::handleKey(quint8 key)
{
    if (key == '\r') {
        lastWasCr_ = true;
        submit();
        return;
    }
    if (key == '\n') {
        // CR LF is one Enter; a lone LF counts as one as well.
        if (lastWasCr_)
            lastWasCr_ = false;
        else
            submit();
        return;
    }
    lastWasCr_ = false;
    if (key == 0)
        return; // CR NUL
    if (screen_ == ScreenId::Status) {
        switch (key) {
        case '1':
            state_.dropChannel(1);
            break;
        case '2':
            state_.dropChannel(2);
            break;
        case '3':
            state_.resetCounters();
            break;
        case '4':
            state_.dropChannel(0);
            break;
        default:
            return;
        }
        repaintStatus();
        repaint_.start();
        return;
    }
    if (key == 8 || key == 127) {
        if (!input_.isEmpty()) {
            input_.chop(1);
            send("\b \b", false);
        }
        return;
    }
    if (key < 32 || key > 126 || input_.size() >= kMaxInput)
        return;
    input_ += char(key);
    send(screen_ == ScreenId::Password ? QByteArray("*") : QByteArray(1, char(key)), false);
}

void Session::handleEscape()
{
    switch (screen_) {
    case ScreenId::Password:
    case ScreenId::MainMenu:
        input_.clear();
        break;
    case ScreenId::SystemMaintenance:
        enter(ScreenId::MainMenu);
        break;
    case ScreenId::CallControl:
    case ScreenId::Status:
        enter(ScreenId::SystemMaintenance);
        break;
    case ScreenId::CallHistory:
        enter(ScreenId::CallControl);
        break;
    }
}

void Session::submit()
{
    const QByteArray line = input_;
    input_.clear();
    bool isNumber = false;
    const int choice = line.toInt(&isNumber);
    switch (screen_) {
    case ScreenId::Password:
        if (line == options_.password.toLatin1()) {
            enter(ScreenId::MainMenu);
            return;
        }
        ++badPasswords_;
        enter(ScreenId::Password, true);
        if (options_.passwordAttempts > 0 && badPasswords_ >= options_.passwordAttempts)
            endAfterOutput(End::Close);
        return;
    case ScreenId::MainMenu:
        if (line.isEmpty())
            return;
        if (isNumber && choice == 24)
            enter(ScreenId::SystemMaintenance);
        else if (isNumber && choice == 99)
            endAfterOutput(End::Close);
        else
            enter(ScreenId::MainMenu);
        return;
    case ScreenId::SystemMaintenance:
        if (line.isEmpty())
            return;
        if (isNumber && choice == 1)
            enter(ScreenId::Status);
        else if (isNumber && choice == 9)
            enter(ScreenId::CallControl);
        else
            enter(ScreenId::SystemMaintenance);
        return;
    case ScreenId::CallControl:
        if (line.isEmpty())
            return;
        enter(isNumber && choice == 4 ? ScreenId::CallHistory : ScreenId::CallControl);
        return;
    case ScreenId::Status:
        return;
    case ScreenId::CallHistory:
        enter(ScreenId::CallControl);
        return;
    }
}

void Session::enter(ScreenId screen, bool badPassword)
{
    screen_ = screen;
    input_.clear();
    noise_.stop();
    send(paintScreen(screen, state_, paint_, badPassword).toAnsi(true), true);
    if (screen == ScreenId::Status && !silent_ && !finishing_) {
        repaint_.start();
        if (options_.faults.noiseBytes > 0)
            noise_.start(options_.repaintMs / 2);
    } else {
        repaint_.stop();
    }
}

void Session::repaintStatus()
{
    if (screen_ != ScreenId::Status)
        return;
    if (backlog() > kMaxBacklog)
        return;
    send(paintStatusScreen(state_, paint_).toAnsi(false), true);
    if (options_.faults.noiseBytes > 0 && !silent_ && !finishing_)
        noise_.start(options_.repaintMs / 2);
}

void Session::sendNoise()
{
    if (screen_ != ScreenId::Status || options_.faults.noiseBytes <= 0)
        return;
    QByteArray bytes(1 + int(rng_.bounded(quint32(options_.faults.noiseBytes))), '\0');
    for (char& b : bytes)
        b = char(rng_.bounded(256));
    send(bytes, false);
}

void Session::send(const QByteArray& bytes, bool screen)
{
    if (silent_ || finishing_)
        return;
    outgoing_ += bytes;
    if (screen) {
        ++screens_;
        emit screenPainted(screen_);
        const Faults& f = options_.faults;
        if (f.closeAfterScreens > 0 && screens_ >= f.closeAfterScreens) {
            pendingEnd_ = End::Close;
            finishing_ = true;
        } else if (f.resetAfterScreens > 0 && screens_ >= f.resetAfterScreens) {
            pendingEnd_ = End::Reset;
            finishing_ = true;
        } else if (f.silentAfterScreens > 0 && screens_ >= f.silentAfterScreens) {
            silent_ = true;
        }
        if (finishing_ || silent_) {
            repaint_.stop();
            noise_.stop();
        }
    }
    pump();
}

void Session::pump()
{
    const Faults& f = options_.faults;
    const bool random = f.chunkRandomMax > 0;
    if (!random && f.chunkBytes <= 0) {
        if (!outgoing_.isEmpty())
            socket_->write(outgoing_);
        outgoing_.clear();
    } else if (!chunk_.isActive() && !outgoing_.isEmpty()) {
        // The pause follows every piece, so the next piece, even of the next
        // screen, arrives on its own.
        const int piece = random ? f.chunkRandomMin + int(chunkRng_.bounded(quint32(f.chunkRandomMax - f.chunkRandomMin + 1)))
                                 : f.chunkBytes;
        socket_->write(outgoing_.left(piece));
        socket_->flush();
        outgoing_.remove(0, piece);
        chunk_.start(options_.faults.chunkDelayMs);
    }
    if (outgoing_.isEmpty() && pendingEnd_ != End::None) {
        const End how = pendingEnd_;
        pendingEnd_ = End::None;
        finish(how);
    }
}

void Session::endAfterOutput(End how)
{
    if (pendingEnd_ == End::None)
        pendingEnd_ = how;
    finishing_ = true;
    pump();
}

void Session::finish(End how)
{
    finishing_ = true;
    repaint_.stop();
    noise_.stop();
    if (how == End::Close) {
        socket_->disconnectFromHost();
    } else if (how == End::Reset) {
        socket_->flush();
        // Give the peer a moment to read the last screen before the reset
        // makes its stack throw away what it has not read yet.
        QTimer::singleShot(kResetDelayMs, this, [this] { resetConnection(socket_); });
    }
}

} // namespace prestige
