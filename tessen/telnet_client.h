#pragma once
// The terminal control's TCP connection: a plain byte pipe to the device's
// telnet port. It performs no option negotiation; the telnet commands the
// peer sends are skipped by the screen.
//
// Connect and send block until they complete, waiting with poll() and without
// running the event loop, so socket notifications that arrive meanwhile are
// handled (through QSocketNotifier) only after the call has returned, in order.
// An asynchronous connection (SetAsynchronous) never waits: its connect
// completes on the event loop under the same limit, and what a send cannot
// hand to the socket at once goes out when the socket is writable.

#include "tessen/screen.h"

#include <QByteArray>
#include <QObject>
#include <QString>

struct sockaddr_in;

class QSocketNotifier;
class QTimer;

class CTelnetClient : public QObject {
public:
    // What the connection tells its control; the control is not owned.
    class Listener {
    public:
        virtual ~Listener();
        // Every received chunk, before the screen sees it.
        virtual void OnTelnetData(const QByteArray& chunk) = 0;
        // After the chunk has been applied to the screen.
        virtual void OnTelnetChange() = 0;
        // An asynchronous connect ended: 0 when connected, else the error.
        virtual void OnTelnetConnected(int error) { (void)error; }
        // Output of an asynchronous connection could not be sent.
        virtual void OnTelnetSendFailed(int error) { (void)error; }
    };

    static constexpr quint16 kTelnetPort = 23;
    // How long connect and a stalled send may block the thread. The kernel's
    // own SYN retries would freeze the window for about two minutes.
    static constexpr int kDefaultWaitLimitMs = 21000;
    // The most one readable notification reads; the rest follows on the next.
    static constexpr int kMaxChunk = 1 << 20;

    explicit CTelnetClient(Listener* control, QObject* parent = nullptr);
    ~CTelnetClient() override;

    // A stream socket bound to any local address and port. False on failure,
    // with GetLastError set.
    bool Create();
    // Connects to "host" (port 23) or "host:port"; host is a dotted IPv4
    // address or a name, of which the first IPv4 address is used. A name that
    // does not resolve, or a malformed port, fails with 10022.
    bool Connect(const QString& address);
    // Queues bytes and, once the connection has been writable, sends everything
    // queued. Returns the bytes sent, 0 while queued, or -1 on error (with
    // GetLastError set). Pending output is emptied whatever the outcome.
    int Send(const QByteArray& bytes);
    // Shuts down the sending direction, then closes the socket.
    void ShutDownSend();
    void Close();

    int GetLastError() const { return lastError_; }
    bool IsReadyToSend() const { return readyToSend_; }
    bool IsSocketOpen() const { return fd_ >= 0; }
    const QByteArray& PendingOutput() const { return pendingOutput_; }
    CTerminalScreen& Screen() { return screen_; }
    const CTerminalScreen& Screen() const { return screen_; }

    void SetWaitLimit(int milliseconds) { waitLimitMs_ = milliseconds; }
    // Before Connect: the connection never blocks the thread.
    void SetAsynchronous(bool on) { asynchronous_ = on; }
    bool IsAsynchronous() const { return asynchronous_; }
    bool IsConnecting() const { return connecting_; }

private:
    void fail(int code) { lastError_ = code; }
    void failFromErrno(int errnoValue);
    // Waits until the socket shows one of events, or the wait limit passes
    // (false, with 10060 set).
    bool waitFor(short events);
    int blockingSend(const QByteArray& bytes);
    void OnReceive();
    void OnSend();
    void OnClose();
    void startNotifiers();
    // The asynchronous connect to an address: its progress from the loop.
    // A failure at once is told to the listener when report is set, else
    // only kept as the last error.
    bool startConnect(const sockaddr_in& peer, bool report);
    void OnConnectWritable();
    void connectFailed(int code);
    // Sends what the socket takes now; the rest waits for writability. A
    // failure is told to the listener when report is set; false either way.
    bool flushAsync(bool report);
    void OnLimit();

    Listener* control_;
    CTerminalScreen screen_{24, 80};
    bool readyToSend_ = false;
    QByteArray pendingOutput_;

    int fd_ = -1;
    int lastError_ = 0;
    int waitLimitMs_ = kDefaultWaitLimitMs;
    bool waiting_ = false;
    bool peerClosed_ = false;
    bool asynchronous_ = false;
    bool connecting_ = false;
    quint64 lookups_ = 0;  // name lookups begun: only the latest one's answer counts
    QTimer* limit_ = nullptr;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
};
