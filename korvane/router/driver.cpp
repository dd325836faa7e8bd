#include "korvane/router/driver.h"


#include <algorithm>

namespace korvane {

RouterTerminal::~RouterTerminal() = default;
DriverHost::~DriverHost() = default;

namespace {

bool at(int row, int column, int wantRow, int columnA, int columnB) {
    return row == wantRow && (column == columnA || column == columnB);
}

constexpr int kRowStride = 82;  // 80 cells and CR LF
const QLatin1String kMenuPrompt("Enter Menu Selection Number:");
const QLatin1String kHistoryPrompt("Press ESC or RETURN to Exit:");

// A router that paints a menu line by line with CR LF, instead of moving the
// cursor, leaves the cursor just after the prompt wherever the prompt came
// to lie, or at the start of the line below it. The prompt is painted last,
// so the menu is whole once the cursor is there; the title is the last one
// painted before the prompt (a screen that scrolled keeps older ones above).
// A prompt on the usual prompt row was placed there by cursor moves: if its
// cursor is not where the driver knows it, that is firmware of another
// layout, whose detours stall and stop rather than guess.
constexpr int kPromptRow = 21;

bool afterPrompt(const QString& text, int row, int column, QLatin1String title, QLatin1String prompt) {
    const qsizetype promptAt = text.lastIndexOf(prompt);
    if (promptAt < 0)
        return false;
    const qsizetype titleAt = text.lastIndexOf(QLatin1String("Menu "), promptAt);
    if (titleAt < 0 || QStringView(text).mid(titleAt, title.size()) != title)
        return false;
    const int promptRow = int(promptAt / kRowStride) + 1;
    const int end = int(promptAt % kRowStride) + int(prompt.size()) + 1;  // the column after the prompt
    if (row == promptRow)
        return promptRow != kPromptRow && column >= end && column <= end + 2;
    return row == promptRow + 1 && column == 1;
}

}  // namespace

ScreenRecognition RecognizeScreen(const QString& text, int row, int column) {
    ScreenRecognition r;
    const QLatin1String menu24("Menu 24 "), menu249("Menu 24.9 "), history("Menu 24.9.4 ");
    r.menu24 = text.contains(menu24) &&
               (at(row, column, 21, 54, 56) || afterPrompt(text, row, column, menu24, kMenuPrompt));
    r.menu249 = text.contains(menu249) &&
                (at(row, column, 21, 54, 56) || afterPrompt(text, row, column, menu249, kMenuPrompt));
    r.status = text.contains(QLatin1String("Menu 24.1 ")) && at(row, column, 22, 47, 49);
    r.callHistory = text.contains(history) &&
                    (at(row, column, 21, 57, 59) || afterPrompt(text, row, column, history, kHistoryPrompt));
    r.badPassword = text.contains(QLatin1String("Bad Password!!!"));
    return r;
}

QList<DriverAction> ScreenChangeActions(const ScreenRecognition& screen, DriverState& state,
                                        bool monitoringEnabled, bool driverViewActive,
                                        int callHistoryRefresh, bool detoursAllowed) {
    QList<DriverAction> actions;
    if (!monitoringEnabled) {
        actions.append(DriverAction{DriverAction::InvalidateStatus, {}});
        return actions;
    }
    auto send = [&](const char* keys) { actions.append(DriverAction{DriverAction::SendKeys, QString::fromLatin1(keys)}); };

    if (screen.menu24) {
        if (state.walkStep == 1) {
            state.walkStep = 2;
            send("9\r\n");
        } else if (state.walkStep == 5) {
            state.walkStep = 0;
            send("1\r\n");
        }
    } else if (screen.menu249) {
        if (state.walkStep == 2) {
            state.walkStep = 3;
            send("4\r\n");
        } else if (state.walkStep == 4) {
            state.walkStep = 5;
            send(kEsc);
        }
    } else if (screen.status) {
        actions.append(DriverAction{DriverAction::HandStatus, {}});
        if (!driverViewActive && detoursAllowed) {
            --state.historyCountdown;
            if (state.historyCountdown < 0) {
                actions.append(DriverAction{DriverAction::InvalidateStatus, {}});
                state.walkStep = 1;
                send(kEsc);
                state.historyCountdown = qMax(0, callHistoryRefresh);
            }
        }
    }

    if (screen.callHistory) {
        actions.append(DriverAction{DriverAction::HandCallHistory, {}});
        if (state.walkStep == 3) {
            state.walkStep = 4;
            send(kEsc);
        }
    } else if (screen.badPassword) {
        actions.append(DriverAction{DriverAction::ReportBadPassword, {}});
    }
    return actions;
}

QString ControlErrorText(int error, const QString& errorText) {
    return QStringLiteral("(%1) %2").arg(error).arg(errorText);
}

CRouterDriver::CRouterDriver(RouterTerminal* terminal, DriverHost* host) : terminal_(terminal), host_(host) {
    if (terminal_) {
        terminal_->onScreenChange = [this] { OnScreenChange(); };
        terminal_->onError = [this](const QString& method, int error, const QString& text) {
            OnError(method, error, text);
        };
    }
    openTimer_.setSingleShot(true);
    QObject::connect(&openTimer_, &QTimer::timeout, &openTimer_, [this] { startOpen(); });
    reconnectTimer_.setSingleShot(true);
    QObject::connect(&reconnectTimer_, &QTimer::timeout, &reconnectTimer_, [this] { Connect(); });
}

CRouterDriver::~CRouterDriver() {
    openTimer_.stop();
    reconnectTimer_.stop();
    if (terminal_) {
        terminal_->onScreenChange = nullptr;
        terminal_->onError = nullptr;
        terminal_->onOpened = nullptr;
    }
}

int CRouterDriver::closePauseLeft() const {
    if (closePause_ <= 0 || !sinceClose_.isValid())
        return 0;
    return int(qMax<qint64>(0, closePause_ - sinceClose_.elapsed()));
}

void CRouterDriver::Connect() {
    host_->setBusy(true);
    host_->setStatusText(QStringLiteral("Connecting..."));
    ++generation_;
    state_ = DriverState{};
    statusPaintKnown_ = false;
    reconnectTimer_.stop();
    openTimer_.stop();
    connecting_ = true;
    if (!terminal_) {
        finishConnect();
        return;
    }
    // The peer gets its time to see the last close before the next connect.
    if (const int pause = closePauseLeft(); pause > 0)
        openTimer_.start(pause);
    else
        startOpen();
}

void CRouterDriver::startOpen() {
    const quint64 generation = generation_;
    terminal_->setIpAddress(host_->routerAddress());
    terminal_->onOpened = [this, generation](bool) {
        if (generation != generation_ || !connecting_)
            return;
        if (inBeginOpen_)
            openedWithin_ = true;
        else
            finishConnect();
    };
    inBeginOpen_ = true;
    openedWithin_ = false;
    terminal_->beginOpen();
    inBeginOpen_ = false;
    if (generation != generation_)
        return;
    // The control queues keys until the connection takes them, so the
    // password goes at once, without waiting for the prompt.
    terminal_->sendKeys(host_->routerPassword() + QStringLiteral("\r\n"));
    if (host_->monitoringEnabled())
        terminal_->sendKeys(QString::fromLatin1(kMenuToStatusKeys));
    if (openedWithin_ && generation == generation_)
        finishConnect();
}

void CRouterDriver::finishConnect() {
    connecting_ = false;
    host_->setConnectionOpen(terminal_ && terminal_->isOpen());
    host_->setStatusText(QString());
    host_->setBusy(false);
    host_->connectFinished();
}

void CRouterDriver::Disconnect() {
    host_->setBusy(true);
    host_->setStatusText(QStringLiteral("Disconnecting..."));
    ++generation_;
    connecting_ = false;
    openTimer_.stop();
    reconnectTimer_.stop();
    screenText_.clear();
    if (terminal_) {
        const bool wasOpen = terminal_->isOpen();
        terminal_->close();
        if (wasOpen) {
            closePause_ = terminal_->closePauseMs();
            sinceClose_.start();
        }
    }
    host_->setConnectionOpen(terminal_ && terminal_->isOpen());
    host_->clearScreen();
    host_->setStatusText(QString());
    host_->setBusy(false);
}

bool CRouterDriver::SendKeys(const QString& keys) {
    return terminal_ && terminal_->sendKeys(keys);
}

bool CRouterDriver::DetourStalled() {
    // The title of the screen each step of the walk waits for.
    static const char* const awaited[] = {nullptr,      "Menu 24 ", "Menu 24.9 ", "Menu 24.9.4 ",
                                          "Menu 24.9 ", "Menu 24 "};
    const int step = state_.walkStep;
    if (!terminal_ || step < 1 || step > 5 || !screenText_.contains(QLatin1String(awaited[step])))
        return false;
    const ScreenRecognition screen = RecognizeScreen(screenText_, terminal_->row(), terminal_->column());
    const bool recognised = (step == 1 || step == 5) ? screen.menu24 : step == 3 ? screen.callHistory : screen.menu249;
    return !recognised;
}

void CRouterDriver::OnViewActivation(bool active) {
    if (!active) {
        // Put the router back on the status screen after the user walked its
        // menus by hand.
        if (host_->connectionOpen() && !screenText_.contains(QLatin1String(kStatusScreenTitle))) {
            Disconnect();
            reconnectTimer_.start(qMax(0, host_->waitForConnect()));
        }
    } else if (!host_->connectionOpen()) {
        host_->clearScreen();
    }
}

void CRouterDriver::OnScreenChange() {
    if (!terminal_)
        return;
    const QString text = terminal_->screen();
    screenText_ = text;
    // Whatever the host runs for this screen (a script's events, a status
    // tick, a message box that keeps the loop turning) may reconnect; what
    // is left of this screen's walk then belongs to the old connection.
    const quint64 generation = generation_;
    host_->onRouterScreen(text);
    if (generation != generation_)
        return;
    const int row = terminal_->row();
    const int column = terminal_->column();
    const int caret = qBound(0, (row - 1) * kScreenStride + (column - 1), int(text.size()));
    host_->showScreen(text, caret);

    ScreenRecognition screen = RecognizeScreen(text, row, column);
    if (screen.status && terminal_->countsPaints()) {
        // A repaint that arrives in pieces may show the cursor where the
        // status screen leaves it more than once (printing passes it).
        const quint64 paint = terminal_->paints();
        if (statusPaintKnown_ && paint == statusPaint_)
            screen.status = false;
        statusPaint_ = paint;
        statusPaintKnown_ = true;
    }
    const bool monitoring = host_->monitoringEnabled();
    const bool viewActive = host_->driverViewActive();
    const int refresh = screen.status ? host_->callHistoryRefresh() : 0;
    const QList<DriverAction> actions =
        ScreenChangeActions(screen, state_, monitoring, viewActive, refresh, detoursEnabled_);
    for (const DriverAction& action : actions) {
        if (generation != generation_)
            return;
        switch (action.kind) {
        case DriverAction::InvalidateStatus: host_->invalidateStatus(); break;
        case DriverAction::HandStatus: host_->onStatusScreen(text); break;
        case DriverAction::HandCallHistory: host_->onCallHistoryScreen(text); break;
        case DriverAction::SendKeys: terminal_->sendKeys(action.keys); break;
        case DriverAction::ReportBadPassword: host_->reportBadPassword(); break;
        }
    }
}

void CRouterDriver::OnError(const QString& method, int error, const QString& errorText) {
    Q_UNUSED(method);
    host_->reportControlError(error, ConnectErrorText(error, errorText, host_->routerAddress()));
}

QString ConnectErrorText(int error, const QString& errorText, const QString& address) {
    // The control reports a name that does not resolve as an invalid
    // argument; the number stays, the text says what happened.
    constexpr int kInvalidArgument = 10022;
    if (error != kInvalidArgument)
        return errorText;
    QString host = address.trimmed();
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int port = host.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return errorText;
        host.truncate(colon);
    }
    // Digits and dots are an address, not a name.
    if (host.isEmpty() || std::all_of(host.begin(), host.end(), [](QChar c) { return c.isDigit() || c == u'.'; }))
        return errorText;
    return QStringLiteral("The router's name \"%1\" cannot be resolved: no such host is known.").arg(host);
}

}  // namespace korvane
