#pragma once
// The router screen driver: the monitor's side of the terminal control. It
// logs in, walks the router's menus to the status screen and stays there,
// detours to the call history now and then, and hands each recognised screen
// to its host. It moves only when the router repaints, apart from its waits
// (the pause after a close, the wait before a connect), which are timers:
// nothing it does waits on the thread.
//
// The screen recognition is a pure function (RecognizeScreen, then
// ScreenChangeActions) so that it can be checked without a router.

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTimer>
#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

namespace korvane {

// The terminal control as the driver uses it: one operation per member.
class RouterTerminal {
public:
    virtual ~RouterTerminal();

    virtual QString screen() = 0;
    virtual int column() = 0;
    virtual int row() = 0;
    virtual void setIpAddress(const QString& address) = 0;
    virtual bool isOpen() = 0;
    virtual bool close() = 0;
    virtual bool sendKeys(const QString& keys) = 0;
    virtual bool open() = 0;
    // Starts opening and tells the outcome through onOpened: from the event
    // loop for a terminal that connects asynchronously, else before it returns.
    virtual void beginOpen() {
        const bool opened = open();
        if (onOpened)
            onOpened(opened);
    }
    // How long to wait after close() before the next open, when close() did
    // not pause itself.
    virtual int closePauseMs() const { return 0; }
    std::function<void(bool opened)> onOpened;
    // Whether paints() counts the paints the router began (clears, the cursor
    // leaving the foot of the screen for the top); without it every screen
    // change counts as a paint.
    virtual bool countsPaints() const { return false; }
    virtual quint64 paints() const { return 0; }
    // The control's automation object, for Application.Tty; may be null.
    virtual QObject* automationObject() const { return nullptr; }

    // Set by the driver: the control's OnScreenChange and OnError events.
    std::function<void()> onScreenChange;
    std::function<void(const QString& method, int error, const QString& errorText)> onError;
    // For a recording: when turned on, onReceived gets each chunk as received.
    virtual void setReportReceived(bool on) { (void)on; }
    std::function<void(const QByteArray& chunk)> onReceived;
};

// What the driver needs from the monitor around it.
class DriverHost {
public:
    virtual ~DriverHost();

    virtual bool monitoringEnabled() const = 0;
    virtual bool connectionOpen() const = 0;
    virtual void setConnectionOpen(bool open) = 0;
    virtual void invalidateStatus() = 0;  // statusValid = false
    // Whether the router screens view is the frame's active view.
    virtual bool driverViewActive() const = 0;

    virtual QString routerAddress() const = 0;
    virtual QString routerPassword() const = 0;
    virtual int callHistoryRefresh() const = 0;
    virtual int waitForConnect() const = 0;

    virtual void setBusy(bool busy) = 0;  // the wait cursor
    virtual void setStatusText(const QString& text) = 0;  // empty: idle
    virtual void showScreen(const QString& text, int caretOffset) = 0;
    virtual void clearScreen() = 0;

    virtual void onRouterScreen(const QString& text) = 0;
    virtual void onStatusScreen(const QString& text) = 0;
    virtual void onCallHistoryScreen(const QString& text) = 0;
    virtual void reportBadPassword() = 0;
    virtual void reportControlError(int error, const QString& text) = 0;
    // A connect has ended (after setConnectionOpen told its outcome).
    virtual void connectFinished() {}
};

// Which of the screens the driver knows a screen text and cursor show.
struct ScreenRecognition {
    bool menu24 = false;       // "Menu 24 ", cursor 21,54|56
    bool menu249 = false;      // "Menu 24.9 ", cursor 21,54|56
    bool status = false;       // "Menu 24.1 ", cursor 22,47|49
    bool callHistory = false;  // "Menu 24.9.4 ", cursor 21,57|59
    bool badPassword = false;  // "Bad Password!!!", anywhere
};
ScreenRecognition RecognizeScreen(const QString& text, int row, int column);

// The driver's walk through the call history detour.
struct DriverState {
    int walkStep = 0;          // 0..5
    int historyCountdown = 3;  // status screens until the next detour
};

struct DriverAction {
    enum Kind { InvalidateStatus, HandStatus, HandCallHistory, SendKeys, ReportBadPassword };
    Kind kind;
    QString keys;  // for SendKeys
    bool operator==(const DriverAction&) const = default;
};

// What one screen change does, in order, and how it moves the state.
// Without detoursAllowed the status screen never starts a call history
// detour (status only).
QList<DriverAction> ScreenChangeActions(const ScreenRecognition& screen, DriverState& state,
                                        bool monitoringEnabled, bool driverViewActive,
                                        int callHistoryRefresh, bool detoursAllowed = true);

inline constexpr char kEsc[] = "\x1b";
inline constexpr char kStatusScreenTitle[] = "Menu 24.1 - System Maintenance - Status";
inline constexpr char kMenuToStatusKeys[] = "24\r\n1\r\n";
inline constexpr int kInitialHistoryCountdown = 3;
inline constexpr int kScreenStride = 82;

// "(%ld) %s": the text of the control error box.
QString ControlErrorText(int error, const QString& errorText);
// The connect error as the user reads it: a host name that does not resolve
// (error 10022 from the control) is said to be one.
QString ConnectErrorText(int error, const QString& errorText, const QString& address);

class CRouterDriver {
public:
    CRouterDriver(RouterTerminal* terminal, DriverHost* host);
    ~CRouterDriver();
    CRouterDriver(const CRouterDriver&) = delete;
    CRouterDriver& operator=(const CRouterDriver&) = delete;

    // Starts a connection: the password and the keys to the status screen
    // are queued at once; the outcome comes later, after the close pause of
    // the previous connection and the connect itself (connecting()).
    void Connect();
    void Disconnect();
    // Between Connect and its outcome.
    bool connecting() const { return connecting_; }
    bool SendKeys(const QString& keys);

    // Whether the call history detour waits for a screen that is shown but
    // was not recognised because the cursor is not where that screen leaves
    // it (its closing cursor sequence was cut between two received chunks).
    // The router paints that screen only once, so the walk would wait for good.
    bool DetourStalled();

    // The router screens view lost (false) or gained (true) activation.
    void OnViewActivation(bool active);

    // Call history detours on (the default) or off, for a router whose menus
    // the driver cannot follow; status screens are handed over either way.
    void setDetoursEnabled(bool enabled) { detoursEnabled_ = enabled; }
    bool detoursEnabled() const { return detoursEnabled_; }
    // Counts every Connect and Disconnect: a walk begun on one connection
    // never sends its keys down the next.
    quint64 connectionGeneration() const { return generation_; }

    const QString& screenText() const { return screenText_; }
    int walkStep() const { return state_.walkStep; }
    int historyCountdown() const { return state_.historyCountdown; }
    RouterTerminal* terminal() const { return terminal_; }

    // The control's events.
    void OnScreenChange();
    void OnError(const QString& method, int error, const QString& errorText);

private:
    void startOpen();
    void finishConnect();
    int closePauseLeft() const;

    RouterTerminal* terminal_;
    DriverHost* host_;
    DriverState state_;
    QString screenText_;
    quint64 generation_ = 0;
    bool detoursEnabled_ = true;
    bool connecting_ = false;
    bool inBeginOpen_ = false;
    bool openedWithin_ = false;
    QTimer openTimer_;       // the rest of the close pause, then the open
    QTimer reconnectTimer_;  // the wait before connecting again (view deactivation)
    QElapsedTimer sinceClose_;
    int closePause_ = 0;
    // The paint the last status screen was handed from: one paint is one
    // tick, however many pieces it arrived in.
    quint64 statusPaint_ = 0;
    bool statusPaintKnown_ = false;
};

}  // namespace korvane
