#pragma once
// The monitor controller: the non-widget heart of the monitor. It owns the
// application object, the router screen driver and the status change memory,
// turns each status screen into a status tick (parse, cells, change detection,
// events, sounds, tray image, watchdog) and offers the connection and router
// commands with their enable rules. The frame embeds it; the console monitor
// and the tests use it as it is. Everything that would show or play something
// goes through the small interfaces below, so a host without windows can
// replace them.

#include "automation/variant.h"
#include "korvane/router/driver.h"
#include "korvane/monitor/reconnect_schedule.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class CApplication;
class CLine;
class CLines;

namespace korvane {

class CallTracker;
class CellTable;
class ConfigSettings;

// The settings the monitor reads, always at the moment it needs them.
class MonitorSettings {
public:
    virtual ~MonitorSettings() = default;
    virtual QString ipAddress() const = 0;
    virtual QString password() const = 0;
    virtual bool isSoundOn() const = 0;
    virtual QString lineUpSound() const = 0;
    virtual QString lineDownSound() const = 0;
    virtual bool isScriptOn() const = 0;
    virtual QString scriptFile() const = 0;
    virtual int connectionTimeout() const = 0;   // ms, > 0
    virtual int waitForConnect() const = 0;      // ms, >= 0
    virtual int callHistoryRefresh() const = 0;  // status screens, >= 0
    // Seconds of stale status before the monitor reconnects by itself; 0
    // (the default here) never does.
    virtual int reconnectInterval() const { return 0; }
};

// The monitor's settings from the sheet's values (address, password, script,
// sounds) and the store's own keys (timeouts, call history refresh), which
// are read on every use so that an edited value counts at once.
class ConfigMonitorSettings : public MonitorSettings {
public:
    explicit ConfigMonitorSettings(ConfigSettings* config) : config_(config) {}
    // A password for this run only (the command line's), never stored.
    void overridePassword(const QString& password) { passwordOverride_ = password; hasOverride_ = true; }

    QString ipAddress() const override;
    QString password() const override;
    bool isSoundOn() const override;
    QString lineUpSound() const override;
    QString lineDownSound() const override;
    bool isScriptOn() const override;
    QString scriptFile() const override;
    int connectionTimeout() const override;
    int waitForConnect() const override;
    int callHistoryRefresh() const override;
    int reconnectInterval() const override;

private:
    ConfigSettings* config_;
    QString passwordOverride_;
    bool hasOverride_ = false;
};

// Message boxes, captioned by the caller. The GUI shows them modally; the
// console prints them; tests record them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void information(const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool question(const QString& caption, const QString& text) = 0;
};

// Plays a sound file asynchronously; failures are the player's to swallow.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& file) = 0;
};

// The script host as the controller sees it: fire an event procedure by its
// name ("OnConnect", "OnTick", ...) and ask whether the script defines it.
class ScriptEvents {
public:
    virtual ~ScriptEvents() = default;
    virtual bool hasEvent(const QString& name) const = 0;
    virtual void fireEvent(const QString& name, const QList<automation::Variant>& args) = 0;
    // The Compile command: reload the script file.
    virtual void compile() = 0;
};

// The syslog receiver. A reconnect only tells it the router address again:
// it keeps listening while its port and that address stay the same, so that
// nothing the router logs meanwhile is lost.
class SyslogListener {
public:
    virtual ~SyslogListener() = default;
    virtual void stopListening() = 0;
    virtual void startListening(const QString& routerAddress) = 0;
};

// The cell texts of one status row, and the values change detection watches.
struct StatusRow {
    std::array<QString, 8> cells;  // channel, link, sent, received, errors, util, up time, IP/CLID
    QString channelText;           // "B%d" when up, else empty
    QString callerIdText;          // CLID of a voice call, else empty
};

// What the controller remembers between two status ticks, per line.
struct LineMemory {
    QString rememberedCallerId;
    bool up = false;
};

// Program title: "ZyXEL Prestige Korvane", " v. 2.05" with version, " on <address>" with router.
QString ComposeTitle(bool withVersion, bool withRouter, const QString& routerAddress);
inline constexpr char kVersion[] = "2.05";
inline constexpr char kBrand[] = "ZyXEL Prestige";

// Tray image index from the two lines: level(1) * 8 + level(2), 0..63.
int TrayLevel(bool active, int utilization);
int TrayIndexFromLines(const CLines& lines);
inline constexpr int kTrayNoStatus = 64;

class CMonitorController : public QObject {
    Q_OBJECT
public:
    enum class Command {
        Connect,
        Disconnect,
        Reconnect,
        DropBoth,
        DropChannel1,
        DropChannel2,
        ResetCounters,
        Properties,
    };

    // One change that change detection found, in the order it found them.
    enum class Change { CallerId, LineUp, LineDown };

    // terminal: the router connection; null creates the Tessen control.
    explicit CMonitorController(MonitorSettings* settings, QObject* parent = nullptr,
                                std::unique_ptr<RouterTerminal> terminal = nullptr);
    ~CMonitorController() override;

    CApplication& application();
    CRouterDriver& driver();
    // The one account of the calls: when each starts and ends and what it is.
    CallTracker& calls() { return *calls_; }
    MonitorSettings& settings() { return *settings_; }
    // The control's automation object (what Application.Tty hands out); null
    // when the control could not be created.
    QObject* ttyObject() const;

    // Services; each may be null (nothing shown, played or fired).
    void setMessageBoxes(MessageBoxes* boxes) { boxes_ = boxes; }
    void setSoundPlayer(SoundPlayer* player) { sounds_ = player; }
    void setScriptEvents(ScriptEvents* host) { script_ = host; }
    void setSyslogListener(SyslogListener* syslog) { syslog_ = syslog; }
    // The status list; without one the cells are only kept in statusRows().
    void setStatusTable(CellTable* table) { table_ = table; }
    // The modal properties sheet; returns true when closed with OK.
    void setPropertiesSheet(std::function<bool()> runSheet) { runSheet_ = std::move(runSheet); }
    // Clears the other views (router screens, syslog, call history, graph,
    // LAN packet) when the router address or password changed.
    void setClearViews(std::function<void()> clearViews) { clearViews_ = std::move(clearViews); }
    // Names for caller ids (the phone book), set on the line records before
    // a tick's events fire, so OnCLIDChange already sees CallerName.
    void setCallerNameLookup(std::function<QString(const QString&)> lookup);

    // --- State
    bool connectionOpen() const { return connectionOpen_; }
    bool statusValid() const { return statusValid_; }
    bool monitoringEnabled() const { return monitoringEnabled_; }
    int trayIconIndex() const { return trayIconIndex_; }
    const QString& statusText() const { return statusText_; }
    const std::array<StatusRow, 2>& statusRows() const { return rows_; }
    const std::array<LineMemory, 2>& lineMemory() const { return memory_; }
    const QString& lastStatusScreen() const { return lastStatusScreen_; }
    bool watchdogActive() const { return watchdog_.isActive(); }
    // The automatic reconnect: its schedule, and whether an attempt waits.
    const ReconnectSchedule& reconnectSchedule() const { return reconnect_; }
    bool reconnectPending() const { return reconnectTimer_.isActive(); }
    int reconnectRemainingMs() const { return reconnectTimer_.remainingTime(); }
    // Whether the router screens view is the frame's active view (the call
    // history countdown only moves while it is not).
    bool telnetViewActive() const { return telnetViewActive_; }

    // --- Commands and their enable rules
    bool isEnabled(Command command) const;
    void execute(Command command);

    // Connecting never waits on the thread: each of these starts the
    // connect, and its outcome (connected(), the control's errors) comes from
    // the event loop; connectInProgress() says whether one is under way.
    //
    // The File menu's Connect: connectionOpen becomes true whatever the
    // outcome, so Disconnect and Reconnect stay at hand for a retry.
    void Connect();
    // The first connection after start-up: once it has ended, connectionOpen
    // tells whether it is open.
    void OpenConnection();
    void Disconnect();
    // Disconnects, waits "Wait For Connect" (a timer) and connects again.
    void Reconnect();
    bool connectInProgress() const { return connectWait_.isActive() || driver_->connecting(); }
    void DropChannels(int which);  // 0 both, 1, 2
    void ResetCounters();
    void Properties();
    void SetMonitoringEnabled(bool enabled);

    // --- Called by the driver, the views and the frame
    void OnStatusScreen(const QString& screen);
    void OnRouterScreen(const QString& screen);
    void OnCallHistoryScreen(const QString& screen);
    void OnSyslogMessage(const QString& message);
    void ReportBadPassword();
    void ReportControlError(int error, const QString& text);
    void SetStatusText(const QString& text);  // empty: the idle text
    // The watchdog's expiry (timer 101): blank cells, tray 64.
    void OnWatchdog();
    void ResetTray();
    void UpdateTrayFromLines();
    // The frame switched to or away from the router screens view.
    void setTelnetViewActive(bool active);
    // Properties' clearing of the status view: empty records and cells.
    void ResetStatus();
    void BlankStatusCells();

    QString title(bool withVersion, bool withRouter) const;

    static constexpr int kWatchdogTimerId = 101;
    static inline const QString kIdleText = QStringLiteral("For Help, press F1");

signals:
    void trayChanged(int index, const QString& tip);
    void statusTextChanged(const QString& text);
    void commandStatesChanged();
    // Console and frame notifications, one per event.
    void connecting(const QString& address);
    void connected(bool open);
    void disconnected();
    void statusTick();
    void lineChanged(int line, bool up);
    void callerIdChanged(int line, const QString& callerId);
    void statusStale();
    void callHistoryRead();
    // A message from the router's syslog (after the script saw it).
    void syslogMessage(const QString& message);
    // The automatic reconnect: one is due in waitSeconds (the window shows it
    // in the status bar), and one starts now.
    void reconnectScheduled(int attempt, int waitSeconds);
    void reconnecting(int attempt, int waitSeconds);
    // Call history reading stopped on this router: its menus were not
    // recognised twice. Said once; a manual reconnect or a settings change
    // turns it back on.
    void detoursStopped();
    void badPassword();
    void controlError(int error, const QString& text);
    // The router screens view shows this text with the caret at offset.
    void routerScreen(const QString& text, int caretOffset);
    void routerScreenCleared();
    // The driver is connecting or disconnecting (the wait cursor).
    void busyChanged(bool busy);
    // The drop command was sent for channel 1, 2 or both (0).
    void dropRequested(int which);

private:
    class DriverHostImpl;
    void runChangeDetection();
    void writeStatusCells();
    void fireScriptEvent(const char* name, const QList<automation::Variant>& args, bool needsScriptsOn);
    void playSound(bool lineUp);
    bool scriptsEnabled() const;
    void setConnectionOpen(bool open);
    void setStatusValid(bool valid);
    void armWatchdog();
    void scheduleReconnect();
    void reconnectAutomatically();
    void beginConnect(bool keepOpen);
    void connectAfterWait();
    void onConnectFinished();
    // The user asked for a connection (Connect, Reconnect) or changed the
    // router settings: automatic reconnects and call history detours resume.
    void restartRecovery();

    MonitorSettings* settings_;
    std::unique_ptr<CApplication> application_;
    std::unique_ptr<DriverHostImpl> host_;
    std::unique_ptr<RouterTerminal> terminal_;
    std::unique_ptr<CRouterDriver> driver_;
    std::unique_ptr<CallTracker> calls_;
    MessageBoxes* boxes_ = nullptr;
    SoundPlayer* sounds_ = nullptr;
    ScriptEvents* script_ = nullptr;
    SyslogListener* syslog_ = nullptr;
    CellTable* table_ = nullptr;
    std::function<bool()> runSheet_;
    std::function<void()> clearViews_;
    std::function<QString(const QString&)> nameLookup_;
    QTimer watchdog_;
    QTimer reconnectTimer_;
    QTimer connectWait_;  // a reconnect's wait before it connects
    bool keepOpenAfterConnect_ = false;
    ReconnectSchedule reconnect_;
    int reconnectWait_ = 0;     // seconds the pending attempt waited for
    int detourStalls_ = 0;      // since the user last reconnected or changed settings
    bool wantConnection_ = false;  // false after Disconnect: no automatic reconnect
    bool automaticAttempt_ = false;
    QString lastAttemptError_;  // what the last automatic attempt failed with
    QString lastStatusScreen_;
    QString statusText_ = kIdleText;
    std::array<StatusRow, 2> rows_;
    std::array<LineMemory, 2> memory_;
    int trayIconIndex_ = kTrayNoStatus;
    bool connectionOpen_ = false;
    bool statusValid_ = false;
    bool monitoringEnabled_ = true;
    bool telnetViewActive_ = false;
};

// The status row texts of a line record.
StatusRow BuildStatusRow(const CLine& line);

}  // namespace korvane
