#include "korvane/monitor/controller.h"

#include "korvane/model/application.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/router/call_history_reader.h"
#include "korvane/router/driver.h"
#include "korvane/router/status_parser.h"
#include "korvane/router/tessen.h"
#include "korvane/settings/config_settings.h"
#include "korvane/model/cell_table.h"
#include "korvane/monitor/call_tracker.h"

#include <cmath>
#include <utility>

namespace korvane {

using automation::Variant;

QString ComposeTitle(bool withVersion, bool withRouter, const QString& routerAddress) {
    QString title = QString::fromLatin1(kBrand) + QStringLiteral(" Korvane");
    if (withVersion)
        title += QStringLiteral(" v. %1").arg(QString::fromLatin1(kVersion));
    if (withRouter)
        title += QStringLiteral(" on %1").arg(routerAddress);
    return title;
}

QString ConfigMonitorSettings::ipAddress() const { return config_->GetIpAddress(); }
QString ConfigMonitorSettings::password() const { return hasOverride_ ? passwordOverride_ : config_->GetPassword(); }
bool ConfigMonitorSettings::isSoundOn() const { return config_->IsSoundOn(); }
QString ConfigMonitorSettings::lineUpSound() const { return config_->GetLineUpSound(); }
QString ConfigMonitorSettings::lineDownSound() const { return config_->GetLineDownSound(); }
bool ConfigMonitorSettings::isScriptOn() const { return config_->IsScriptOn(); }
QString ConfigMonitorSettings::scriptFile() const { return config_->GetScriptFile(); }
int ConfigMonitorSettings::connectionTimeout() const { return config_->store().connectionTimeout(); }
int ConfigMonitorSettings::waitForConnect() const { return config_->store().waitForConnect(); }
int ConfigMonitorSettings::callHistoryRefresh() const { return config_->store().callHistoryRefresh(); }
int ConfigMonitorSettings::reconnectInterval() const { return config_->store().reconnectInterval(); }

int TrayLevel(bool active, int utilization) {
    if (!active)
        return 0;
    // An active line at 0 % shows level 1; 1..100 % spread over 2..7. A
    // router painting nonsense percentages still gets a valid image.
    const int u = qBound(0, utilization, 100);
    return int(std::floor((u - 1) * 0.06)) + 2;
}

int TrayIndexFromLines(const CLines& lines) {
    const CLine& l1 = lines.line1();
    const CLine& l2 = lines.line2();
    return TrayLevel(l1.channel() > 0, l1.lineUtilization()) * 8 + TrayLevel(l2.channel() > 0, l2.lineUtilization());
}

StatusRow BuildStatusRow(const CLine& line) {
    StatusRow row;
    const bool voice = line.link().contains(QLatin1String("Voice"));
    row.channelText = line.channel() > 0 ? QStringLiteral("B%1").arg(line.channel()) : QString();
    row.callerIdText = voice ? line.clid() : QString();
    row.cells = {
        row.channelText,
        line.link(),
        QString::number(line.packetsSent()),
        QString::number(line.packetsReceived()),
        QString::number(line.errors()),
        QStringLiteral("%1%/%2%").arg(line.lineUtilization()).arg(line.averageLineUtilization()),
        line.upTime(),
        voice ? line.clid() : line.ipAddress(),
    };
    return row;
}

// The driver's view of the controller.
class CMonitorController::DriverHostImpl : public DriverHost {
public:
    explicit DriverHostImpl(CMonitorController* c) : c_(c) {}

    bool monitoringEnabled() const override { return c_->monitoringEnabled_; }
    bool connectionOpen() const override { return c_->connectionOpen_; }
    void setConnectionOpen(bool open) override {
        c_->setConnectionOpen(open);
        // Only the outcome of a connect; a disconnect has its own signal.
        if (c_->statusText_ == QLatin1String("Connecting..."))
            emit c_->connected(open);
    }
    void invalidateStatus() override { c_->setStatusValid(false); }
    bool driverViewActive() const override { return c_->telnetViewActive_; }
    QString routerAddress() const override { return c_->settings_->ipAddress(); }
    QString routerPassword() const override { return c_->settings_->password(); }
    int callHistoryRefresh() const override { return qMax(0, c_->settings_->callHistoryRefresh()); }
    int waitForConnect() const override { return qMax(0, c_->settings_->waitForConnect()); }
    void setBusy(bool busy) override { emit c_->busyChanged(busy); }
    void setStatusText(const QString& text) override {
        if (text == QLatin1String("Connecting..."))
            emit c_->connecting(c_->settings_->ipAddress());
        c_->SetStatusText(text);
    }
    void showScreen(const QString& text, int caretOffset) override { emit c_->routerScreen(text, caretOffset); }
    void clearScreen() override { emit c_->routerScreenCleared(); }
    void onRouterScreen(const QString& text) override { c_->OnRouterScreen(text); }
    void onStatusScreen(const QString& text) override { c_->OnStatusScreen(text); }
    void onCallHistoryScreen(const QString& text) override { c_->OnCallHistoryScreen(text); }
    void reportBadPassword() override { c_->ReportBadPassword(); }
    void reportControlError(int error, const QString& text) override { c_->ReportControlError(error, text); }
    void connectFinished() override { c_->onConnectFinished(); }

private:
    CMonitorController* c_;
};

CMonitorController::CMonitorController(MonitorSettings* settings, QObject* parent,
                                       std::unique_ptr<RouterTerminal> terminal)
    : QObject(parent), settings_(settings), application_(std::make_unique<CApplication>()),
      host_(std::make_unique<DriverHostImpl>(this)) {
    if (!terminal)
        terminal = std::make_unique<CTessen>(nullptr);
    terminal_ = std::move(terminal);
    driver_ = std::make_unique<CRouterDriver>(terminal_.get(), host_.get());
    // Made before any listener connects, so it has taken in each tick before they hear of it.
    calls_ = std::make_unique<CallTracker>(this);
    if (QObject* tty = terminal_->automationObject())
        application_->setTty(tty);
    application_->setMonitoringHook({[this] { return monitoringEnabled_; },
                                     [this](bool enabled) { SetMonitoringEnabled(enabled); }});
    // Repeats while no status screen comes: the cells stay blank and the tray
    // shows no status until the next tick re-arms it.
    watchdog_.setSingleShot(false);
    connect(&watchdog_, &QTimer::timeout, this, &CMonitorController::OnWatchdog);
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &CMonitorController::reconnectAutomatically);
    connectWait_.setSingleShot(true);
    connect(&connectWait_, &QTimer::timeout, this, &CMonitorController::connectAfterWait);
}

CMonitorController::~CMonitorController() {
    watchdog_.stop();
    reconnectTimer_.stop();
    connectWait_.stop();
    // The driver's terminal callbacks point here; drop them first.
    driver_.reset();
    terminal_.reset();
}

CApplication& CMonitorController::application() { return *application_; }
CRouterDriver& CMonitorController::driver() { return *driver_; }
QObject* CMonitorController::ttyObject() const { return terminal_ ? terminal_->automationObject() : nullptr; }

QString CMonitorController::title(bool withVersion, bool withRouter) const {
    return ComposeTitle(withVersion, withRouter, settings_->ipAddress());
}

bool CMonitorController::isEnabled(Command command) const {
    const CLine& l1 = application_->lines().line1();
    const CLine& l2 = application_->lines().line2();
    switch (command) {
    case Command::Connect: return !connectionOpen_;
    case Command::Disconnect:
    case Command::Reconnect: return connectionOpen_;
    case Command::DropBoth: return statusValid_ && (l1.channel() != 0 || l2.channel() != 0);
    case Command::DropChannel1: return statusValid_ && (l1.channel() == 1 || l2.channel() == 1);
    case Command::DropChannel2: return statusValid_ && (l1.channel() == 2 || l2.channel() == 2);
    case Command::ResetCounters: return statusValid_;
    case Command::Properties: return true;
    }
    return false;
}

void CMonitorController::execute(Command command) {
    if (!isEnabled(command))
        return;
    switch (command) {
    case Command::Connect:
        restartRecovery();
        Connect();
        break;
    case Command::Disconnect: Disconnect(); break;
    case Command::Reconnect:
        restartRecovery();
        Reconnect();
        break;
    case Command::DropBoth: DropChannels(0); break;
    case Command::DropChannel1: DropChannels(1); break;
    case Command::DropChannel2: DropChannels(2); break;
    case Command::ResetCounters: ResetCounters(); break;
    case Command::Properties: Properties(); break;
    }
}

void CMonitorController::Connect() {
    // A failed connect still offers Disconnect and Reconnect for a retry.
    beginConnect(true);
}

void CMonitorController::OpenConnection() { beginConnect(false); }

void CMonitorController::beginConnect(bool keepOpen) {
    wantConnection_ = true;
    connectWait_.stop();
    keepOpenAfterConnect_ = keepOpen;
    // The watchdog counts from the connect's end, as it did when the connect
    // held the thread.
    watchdog_.stop();
    driver_->Connect();
}

void CMonitorController::onConnectFinished() {
    armWatchdog();
    if (std::exchange(keepOpenAfterConnect_, false))
        setConnectionOpen(true);
    automaticAttempt_ = false;
}

void CMonitorController::Disconnect() {
    wantConnection_ = false;
    reconnectTimer_.stop();
    connectWait_.stop();
    keepOpenAfterConnect_ = false;
    automaticAttempt_ = false;
    driver_->Disconnect();
    setConnectionOpen(false);
    emit disconnected();
}

void CMonitorController::Reconnect() {
    wantConnection_ = true;
    reconnectTimer_.stop();
    keepOpenAfterConnect_ = false;
    driver_->Disconnect();
    emit disconnected();
    // No watchdog in the wait: it counts from the connect's end.
    watchdog_.stop();
    connectWait_.start(qMax(0, settings_->waitForConnect()));
}

void CMonitorController::connectAfterWait() {
    driver_->Connect();
    // The receiver keeps listening unless the router address or the port changed.
    if (syslog_)
        syslog_->startListening(settings_->ipAddress());
}

void CMonitorController::armWatchdog() {
    // From the connect on: a router that never paints its status screen is
    // as stale as one that stopped painting it.
    watchdog_.start(qMax(1, settings_->connectionTimeout()));
}

void CMonitorController::restartRecovery() {
    automaticAttempt_ = false;
    reconnect_.allow();
    detourStalls_ = 0;
    driver_->setDetoursEnabled(true);
}

void CMonitorController::scheduleReconnect() {
    // Not after Disconnect, not while monitoring is off (no status comes by
    // design) and not while the router screens are shown: the user may be
    // walking the router's menus by hand.
    if (!wantConnection_ || !monitoringEnabled_ || telnetViewActive_ || reconnectTimer_.isActive() || connectInProgress())
        return;
    reconnect_.setInterval(settings_->reconnectInterval());
    const int wait = reconnect_.nextWaitSeconds();
    if (wait < 0)
        return;
    reconnectWait_ = wait;
    reconnectTimer_.start(wait * 1000);
    QString why;
    if (!lastAttemptError_.isEmpty())
        why = QStringLiteral(" (%1)").arg(lastAttemptError_);
    SetStatusText(QStringLiteral("No status from the router%1: reconnect %2 in %3 s")
                      .arg(why)
                      .arg(reconnect_.nextAttempt())
                      .arg(wait));
    emit reconnectScheduled(reconnect_.nextAttempt(), wait);
}

void CMonitorController::reconnectAutomatically() {
    if (!wantConnection_ || reconnect_.blocked())
        return;
    const int attempt = reconnect_.nextAttempt();
    reconnect_.attemptMade();
    emit reconnecting(attempt, reconnectWait_);
    lastAttemptError_.clear();
    // Errors of an attempt nobody asked for go to the status bar and the
    // console, not into a box that waits for someone at the desk; the
    // attempt lasts until its connect has ended.
    Reconnect();
    automaticAttempt_ = true;
}

void CMonitorController::DropChannels(int which) {
    static const char* const keys[] = {"4", "1", "2"};
    if (which < 0 || which > 2)
        return;
    driver_->SendKeys(QString::fromLatin1(keys[which]));
    emit dropRequested(which);
}

void CMonitorController::ResetCounters() {
    if (!boxes_ || !boxes_->question(title(false, false), QStringLiteral("Reset the router counters?")))
        return;
    driver_->SendKeys(QStringLiteral("3"));
}

void CMonitorController::Properties() {
    if (!runSheet_)
        return;
    const QString address = settings_->ipAddress();
    const QString password = settings_->password();
    const QString script = settings_->scriptFile();
    // What Apply wrote counts even when the sheet then closes with Cancel.
    runSheet_();
    if (settings_->ipAddress() != address || settings_->password() != password) {
        restartRecovery();
        ResetStatus();
        emit routerScreenCleared();
        if (clearViews_)
            clearViews_();
        Reconnect();
    }
    if (settings_->scriptFile() != script && script_)
        script_->compile();
    emit commandStatesChanged();
}

void CMonitorController::SetMonitoringEnabled(bool enabled) {
    monitoringEnabled_ = enabled;
    Reconnect();
}

void CMonitorController::OnStatusScreen(const QString& screen) {
    armWatchdog();
    if (reconnectTimer_.isActive() || reconnect_.attempts() > 0) {
        reconnectTimer_.stop();
        reconnect_.statusLive();
        lastAttemptError_.clear();
        if (statusText_.startsWith(QLatin1String("No status from the router")))
            SetStatusText(QString());
    }
    lastStatusScreen_ = screen;
    setStatusValid(true);
    ParseStatusScreen(screen, *application_);
    if (nameLookup_)
        for (CLine& line : application_->lines())
            line.setCallerName(line.clid().isEmpty() ? QString() : nameLookup_(line.clid()));
    rows_[0] = BuildStatusRow(application_->lines().line1());
    rows_[1] = BuildStatusRow(application_->lines().line2());
    runChangeDetection();
    writeStatusCells();
    UpdateTrayFromLines();
    fireScriptEvent("OnTick", {}, false);
    emit statusTick();
    emit commandStatesChanged();
}

void CMonitorController::runChangeDetection() {
    for (int n = 0; n < 2; ++n) {
        const QString& callerId = rows_[n].callerIdText;
        if (!callerId.isEmpty() && callerId != memory_[n].rememberedCallerId) {
            fireScriptEvent("OnCLIDChange", {Variant(qint32(n + 1))}, true);
            memory_[n].rememberedCallerId = callerId;
            emit callerIdChanged(n + 1, callerId);
        }
    }
    for (int n = 0; n < 2; ++n) {
        const QString& channel = rows_[n].channelText;
        const bool up = !channel.isEmpty() && channel.startsWith(QLatin1Char('B'));
        if (up == memory_[n].up)
            continue;
        fireScriptEvent(up ? "OnConnect" : "OnDisconnect", {Variant(qint32(n + 1))}, true);
        playSound(up);
        memory_[n].up = up;
        emit lineChanged(n + 1, up);
    }
}

void CMonitorController::writeStatusCells() {
    if (!table_)
        return;
    for (int n = 0; n < 2; ++n)
        for (int column = 0; column < 8; ++column)
            table_->SetCell(n, column, rows_[n].cells[column]);
}

void CMonitorController::BlankStatusCells() {
    if (!table_)
        return;
    for (int n = 0; n < 2; ++n)
        for (int column = 0; column < 8; ++column)
            table_->SetCell(n, column, QString());
}

void CMonitorController::ResetStatus() {
    for (CLine& line : application_->lines()) {
        const QString empty;
        line.SetChannel(empty);
        line.SetLink(empty);
        line.SetType(empty);
        line.SetPacketsSent(empty);
        line.SetPacketsReceived(empty);
        line.SetErrors(empty);
        line.SetLineUtilization(empty);
        line.SetAverageLineUtilization(empty);
        line.SetUpTime(empty);
        line.SetIpAddress(empty);
        line.SetCLID(empty);
    }
    application_->SetTotalOutcallTime(QString());
    application_->SetLastCallLanPacket(QString());
    application_->setLastCallPacketIsIpx(false);
    BlankStatusCells();
}

void CMonitorController::UpdateTrayFromLines() {
    trayIconIndex_ = TrayIndexFromLines(application_->lines());
    emit trayChanged(trayIconIndex_, title(false, true));
}

void CMonitorController::ResetTray() {
    trayIconIndex_ = kTrayNoStatus;
    setStatusValid(false);
    emit trayChanged(trayIconIndex_, title(false, true));
}

void CMonitorController::OnWatchdog() {
    BlankStatusCells();
    ResetTray();
    emit statusStale();
    // A call history detour waits for screens the router paints only once. If
    // one of them came but was not recognised (a firmware whose menu prompt
    // stands elsewhere), the router would stay in its menus for good.
    // Reconnecting walks it back to the status screen. A second stall shows
    // that this router's menus cannot be followed: the detours stop, so the
    // status keeps coming instead of going stale at every detour.
    if (connectionOpen_ && monitoringEnabled_ && driver_->DetourStalled()) {
        if (++detourStalls_ >= 2 && driver_->detoursEnabled()) {
            driver_->setDetoursEnabled(false);
            emit detoursStopped();
        }
        Reconnect();
        if (!driver_->detoursEnabled())
            SetStatusText(QStringLiteral("Call history not read: the router's menus were not recognised"));
        return;
    }
    scheduleReconnect();
}

void CMonitorController::OnRouterScreen(const QString& screen) { fireScriptEvent("OnTtyChange", {Variant(screen)}, false); }

void CMonitorController::OnSyslogMessage(const QString& message) {
    fireScriptEvent("OnSysLog", {Variant(message)}, false);
    emit syslogMessage(message);
}

void CMonitorController::setCallerNameLookup(std::function<QString(const QString&)> lookup) {
    nameLookup_ = lookup;
    calls_->setNameLookup(std::move(lookup));
}

void CMonitorController::OnCallHistoryScreen(const QString& screen) {
    ReadCallHistoryRecords(screen, application_->callInfos());
    emit callHistoryRead();
}

void CMonitorController::ReportBadPassword() {
    reconnect_.block();
    reconnectTimer_.stop();
    emit badPassword();
    if (boxes_)
        boxes_->information(title(true, false),
                            QStringLiteral("The router reported bad password!!!\nCheck your configuration"));
}

void CMonitorController::ReportControlError(int error, const QString& text) {
    emit controlError(error, text);
    if (automaticAttempt_) {
        lastAttemptError_ = ControlErrorText(error, text);
        return;
    }
    if (boxes_)
        boxes_->information(title(true, false), ControlErrorText(error, text));
}

void CMonitorController::SetStatusText(const QString& text) {
    statusText_ = text.isEmpty() ? kIdleText : text;
    emit statusTextChanged(statusText_);
}

void CMonitorController::setTelnetViewActive(bool active) {
    if (active == telnetViewActive_)
        return;
    telnetViewActive_ = active;
    driver_->OnViewActivation(active);
}

bool CMonitorController::scriptsEnabled() const { return script_ && settings_->isScriptOn(); }

void CMonitorController::fireScriptEvent(const char* name, const QList<Variant>& args, bool needsScriptsOn) {
    if (!script_ || (needsScriptsOn && !settings_->isScriptOn()))
        return;
    const QString event = QString::fromLatin1(name);
    if (script_->hasEvent(event))
        script_->fireEvent(event, args);
}

void CMonitorController::playSound(bool lineUp) {
    if (!sounds_ || !settings_->isSoundOn())
        return;
    const QString file = lineUp ? settings_->lineUpSound() : settings_->lineDownSound();
    if (!file.isEmpty())
        sounds_->play(file);
}

void CMonitorController::setConnectionOpen(bool open) {
    if (connectionOpen_ == open)
        return;
    connectionOpen_ = open;
    emit commandStatesChanged();
}

void CMonitorController::setStatusValid(bool valid) {
    if (statusValid_ == valid)
        return;
    statusValid_ = valid;
    emit commandStatesChanged();
}

}  // namespace korvane
