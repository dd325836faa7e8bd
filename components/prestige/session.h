#pragma once
// One management session on the simulated router: telnet input, the menu walk
// from the password prompt to the status and call history screens, the status
// repaints and the faults of the session's connection.

#include "components/prestige/screens.h"
#include "components/prestige/simulator.h"

#include <QByteArray>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QTimer>

class QTcpSocket;

namespace prestige {

class Session : public QObject {
    Q_OBJECT
public:
    // Longest line kept at a prompt; what is typed beyond it is dropped.
    static constexpr int kMaxInput = 32;
    // Repaints wait while this much is still on its way to a peer that does
    // not read (or reads slowly through the chunking fault).
    static constexpr qint64 kMaxBacklog = 256 * 1024;
    // Keys read ahead of their turn.
    static constexpr qint64 kMaxPendingKeys = 64 * 1024;

    Session(QTcpSocket* socket, RouterState& state, const SimulatorOptions& options, quint32 seed,
            QObject* parent = nullptr);
    ~Session() override;

    void start();
    // Ends the connection at once with a reset, as a router that loses power
    // leaves its peer; nothing queued goes out.
    void drop();
    // Whether the peer has already closed its end, though the event loop has
    // not told the socket yet: a monitor's reconnect can be noticed ahead of
    // the end of its previous connection.
    bool peerHasClosed() const;
    ScreenId screen() const { return screen_; }
    int screensPainted() const { return screens_; }

signals:
    void screenPainted(prestige::ScreenId screen);
    void finished();

private:
    enum class End { None, Close, Reset };
    enum class Telnet { Data, Iac, Option, Sub, SubIac };

    void readInput();
    void decodeTelnet(const QByteArray& bytes);
    void processKeys();
    qint64 backlog() const;
    void handleKey(quint8 key);
    void handleEscape();
    void submit();
    void enter(ScreenId screen, bool badPassword = false);
    void repaintStatus();
    void sendNoise();
    void answerNegotiation(quint8 verb, quint8 option);
    // Queues bytes for the peer; screen marks a whole screen for the faults.
    void send(const QByteArray& bytes, bool screen);
    void pump();
    // Ends the session once everything queued has gone out.
    void endAfterOutput(End how);
    void finish(End how);

    QTcpSocket* socket_;
    RouterState& state_;
    const SimulatorOptions& options_;
    PaintOptions paint_;
    QRandomGenerator rng_;
    QRandomGenerator chunkRng_; // its own, so that chunking leaves the noise as it was
    ScreenId screen_ = ScreenId::Password;
    QByteArray input_;
    int badPasswords_ = 0;
    bool lastWasCr_ = false;
    int screens_ = 0;
    bool silent_ = false;
    bool finishing_ = false;
    End pendingEnd_ = End::None;
    QByteArray outgoing_;
    QByteArray keys_; // decoded from telnet, not yet acted on
    QTimer repaint_;
    QTimer noise_;
    QTimer chunk_;
    Telnet telnet_ = Telnet::Data;
    quint8 telnetVerb_ = 0;
    int subBytes_ = 0;
    QSet<int> answered_;
    // Leftover of an escape sequence from the keyboard (arrow keys and the
    // like) that the menus do not use.
    int escapeState_ = 0;
    int escapeLength_ = 0;
};

} // namespace prestige
