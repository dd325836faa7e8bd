#pragma once
// CMainFrame: the frame window around the six views: menus, toolbar, status
// bar, per-view window placement, the tray icon, Pin to Screen and the help
// and About commands. The monitoring side plugs in through command handlers,
// so the frame itself knows nothing about routers.

#include "korvane/shell/placement.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;

namespace korvane {

class CTrayIcon;
class SplashWindow;

namespace cmd {
// Command ids: the identities shared by menus, toolbar, accelerators and the tray menu.
enum : int {
    Connect = 32782,
    Disconnect = 32781,
    Reconnect = 3292,
    Exit = 32809,
    ViewToolBar = 59392,
    ViewStatusBar = 59393,
    PinToScreen = 32808,
    ViewStatus = 32900,
    ViewTelnet = 32777,
    ViewSyslog = 32778,
    ViewCallHistory = 32796,
    ViewGraph = 32803,
    ViewLanPacket = 4000,
    ViewCallLog = 32910,
    NextView = 32802,
    PrevView = 32801,
    Properties = 3276,
    DropBoth = 3273,
    DropB1 = 3274,
    DropB2 = 3272,
    ResetCounters = 3275,
    ScriptEdit = 32784,
    ScriptCompile = 32783,
    ScriptCompileToolbar = 33000,
    ScriptRun = 32779,
    HelpContents = 3271,
    HelpWeb = 3270,
    AppAbout = 57664,
    AppAboutMenu = 16,
    TrayOpen = 3281,
    EditCopy = 57634,
};
}  // namespace cmd

// Where the frame keeps its own values ("Settings" and "View" sections).
class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual QVariant value(const QString& section, const QString& key) const = 0;
    virtual void setValue(const QString& section, const QString& key, const QVariant& value) = 0;
};

// The maker's web site, opened by "&Omberon on the Web...".
extern const char* const kMakerWebAddress;
// The title without version and router: the brand, also the settings profile name.
QString korvaneProductTitle();
constexpr const char* kVersionText = "2.05";

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // In creation order; F6 walks the cycle order (see nextView).
    enum class View { Status = 0, Telnet, Syslog, LanPacket, CallHistory, Graph, CallLog };
    static constexpr int kViewCount = 7;

    struct ViewInfo {
        View view;
        const char* registryName;
        QSize defaultSize;
        int showCommand;
        const char* title;
        const char* helpTopic;
    };
    static const ViewInfo& viewInfo(View v);
    static View nextView(View v);
    static View previousView(View v);

    // Command wiring: action runs the command; enabled and checked are asked
    // whenever the commands' states are refreshed. Missing rules mean enabled
    // and unchecked; a command without an action is disabled.
    struct CommandHandler {
        std::function<void()> action;
        std::function<bool()> enabled;
        std::function<bool()> checked;
    };

    explicit CMainFrame(ProfileStore* store, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Window creation: bars, splash, tray icon with image 64.
    void create(bool showSplash);

    // Puts the real widget of a view in place of its placeholder page.
    void setViewWidget(View v, QWidget* widget);
    QWidget* viewWidget(View v) const;
    View activeView() const { return activeView_; }

    void ShowView(View v);
    void SavePlacement();
    // Writes the current placement record under a view's registry name
    // whether or not placement persistence is active yet (the call history
    // list does this when it loses the focus).
    void SavePlacementAs(const QString& registryName);
    void RestorePlacement();
    void HideToTray(bool minimising = false);
    void ShowFromTray();
    void SetTrayIcon(int index);
    void SetTrayTip(const QString& tip);
    void TogglePin();
    void SetStatusText(const QString& text);  // empty shows the idle prompt
    void SetTitle(const QString& title);

    void setCommandHandler(int id, CommandHandler handler);
    QAction* command(int id) const;
    void triggerCommand(int id);
    QMenu* trayMenu() const { return trayMenu_; }
    QToolBar* toolBar() const { return toolBar_; }
    SplashWindow* splash() const;
    CTrayIcon* tray() const { return tray_.get(); }

    bool hiddenToTray() const { return hiddenToTray_; }
    bool pinned() const { return pinned_; }
    bool placementReady() const { return placementReady_; }
    int trayIconIndex() const { return trayIconIndex_; }
    bool exiting() const { return exiting_; }

    // Tray mouse reports (also what the tray icon object forwards).
    void onTrayLeftDown();
    void onTrayDoubleClick();
    void onTrayRightUp();

    // The Exit command's last step: closes the frame for good and ends the loop.
    void closeForExit();

    // Lock-key indicators; where the platform gives no lock state they stay dark.
    void setLockIndicators(bool caps, bool num, bool scroll);

public slots:
    void refreshCommands();

signals:
    void viewActivated(korvane::CMainFrame::View v);
    void viewDeactivated(korvane::CMainFrame::View v);
    // The frame gained or lost activation (the title follows it in the status view).
    void frameActivationChanged(bool active);
    void helpRequested(const QString& topic);

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildViews();
    QAction* addCommand(int id, const QString& text, const QString& prompt);
    void setBuiltinHandlers();
    void showAbout();
    void openWeb();
    WindowPlacement currentPlacement() const;
    // A view's size on first use: its default size, grown to show the whole
    // form of a view that scrolls one, within the screen.
    QSize defaultOuterSize(View v, const QSize& screenSize) const;
    void applyPlacement(const WindowPlacement& p);
    void keepOnScreen();
    void placeOuter(const QRect& outer);

    ProfileStore* store_;
    QStackedWidget* stack_ = nullptr;
    std::array<QWidget*, kViewCount> views_{};
    View activeView_ = View::Status;
    QHash<int, QAction*> actions_;
    QHash<int, CommandHandler> handlers_;
    QToolBar* toolBar_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* capsPane_ = nullptr;
    QLabel* numPane_ = nullptr;
    QLabel* scrollPane_ = nullptr;
    QString statusText_;
    std::unique_ptr<CTrayIcon> tray_;
    QPointer<SplashWindow> splash_;
    bool hiddenToTray_ = true;
    bool pinned_ = false;
    bool placementReady_ = false;
    bool exiting_ = false;
    bool restoring_ = false;
    int trayIconIndex_ = 64;
};

}  // namespace korvane

Q_DECLARE_METATYPE(korvane::CMainFrame::View)
