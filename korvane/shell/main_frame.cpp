#include "korvane/shell/main_frame.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/about.h"
#include "korvane/shell/lock_keys.h"
#include "korvane/shell/splash.h"
#include "korvane/shell/tray_icon.h"
#include "korvane/shell/tray_images.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWindow>

namespace korvane {

const char* const kMakerWebAddress = "https://example.org/omberon/korvane/";

QString korvaneProductTitle() { return QStringLiteral("ZyXEL Prestige Korvane"); }

namespace {

const CMainFrame::ViewInfo kViews[CMainFrame::kViewCount] = {
    {CMainFrame::View::Status, "StatusView", {492, 138}, cmd::ViewStatus, "Status", "Korvane.chm::/The_Status_View.htm"},
    {CMainFrame::View::Telnet, "TelnetView", {670, 510}, cmd::ViewTelnet, "Router Screens",
     "Korvane.chm::/The_Router_Screens_View.htm"},
    {CMainFrame::View::Syslog, "SyslogView", {670, 510}, cmd::ViewSyslog, "Syslog", "Korvane.chm::/The_Syslog_View.htm"},
    {CMainFrame::View::LanPacket, "LanPacketView", {492, 481}, cmd::ViewLanPacket, "LAN Packet Analyzer",
     "Korvane.chm::/The_LAN_Packet_Analyzer_View.htm"},
    {CMainFrame::View::CallHistory, "CallHistoryView", {520, 251}, cmd::ViewCallHistory, "Call History",
     "Korvane.chm::/The_Call_History_View.htm"},
    {CMainFrame::View::Graph, "GraphView", {638, 375}, cmd::ViewGraph, "Graphs", "Korvane.chm::/The_Graphs_View.htm"},
    {CMainFrame::View::CallLog, "CallLogView", {760, 520}, cmd::ViewCallLog, "Call Log",
     "Korvane.chm::/The_Call_Log_View.htm"},
};

// F6 order differs from the creation order.
constexpr CMainFrame::View kCycle[CMainFrame::kViewCount] = {
    CMainFrame::View::Status, CMainFrame::View::Telnet, CMainFrame::View::Syslog,
    CMainFrame::View::CallHistory, CMainFrame::View::CallLog, CMainFrame::View::Graph, CMainFrame::View::LanPacket,
};

int cycleIndex(CMainFrame::View v)
{
    for (int i = 0; i < CMainFrame::kViewCount; ++i)
        if (kCycle[i] == v)
            return i;
    return 0;
}

const QString kIdlePrompt = QStringLiteral("For Help, press F1");

// ---- Toolbar pictures: 16 x 15, drawn here so every button has a clear face.

QPixmap drawIcon(const std::function<void(QPainter&)>& paint)
{
    QPixmap pm(16, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(p);
    return pm;
}

const QColor kInk(0x20, 0x20, 0x28);
const QColor kBlue(0x1c, 0x5c, 0xb0);
const QColor kGreen(0x1a, 0x8c, 0x2c);
const QColor kRed(0xc8, 0x1e, 0x1e);

void digitText(QPainter& p, const QRect& r, const QString& text, const QColor& c)
{
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

void dropIcon(QPainter& p, const QString& channels)
{
    // A handset with the channel numbers and a red stroke: hang up.
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath handset;
    handset.moveTo(1, 5);
    handset.quadTo(8, 0, 15, 5);
    handset.lineTo(13, 7);
    handset.lineTo(10.5, 5.5);
    handset.lineTo(5.5, 5.5);
    handset.lineTo(3, 7);
    handset.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPath(handset);
    p.setRenderHint(QPainter::Antialiasing, false);
    digitText(p, QRect(0, 6, 16, 9), channels, kRed);
}

QPixmap toolbarIcon(int id)
{
    switch (id) {
    case cmd::ViewStatus:
        return drawIcon([](QPainter& p) {
            // A two-row table: the status list.
            p.fillRect(1, 1, 14, 13, Qt::white);
            p.setPen(kInk);
            p.drawRect(1, 1, 13, 12);
            p.fillRect(2, 2, 12, 3, QColor(0xc8, 0xd4, 0xe4));
            p.fillRect(3, 7, 4, 2, kGreen);
            p.fillRect(3, 10, 4, 2, kGreen);
            p.fillRect(9, 7, 4, 2, kBlue);
            p.fillRect(9, 10, 3, 2, kBlue);
        });
    case cmd::ViewTelnet:
        return drawIcon([](QPainter& p) {
            // A terminal screen with a prompt.
            p.fillRect(1, 1, 14, 11, kInk);
            p.setPen(QColor(0x60, 0x60, 0x68));
            p.drawRect(0, 0, 15, 12);
            p.fillRect(3, 3, 6, 1, QColor(0x50, 0xe0, 0x60));
            p.fillRect(3, 5, 9, 1, QColor(0x50, 0xe0, 0x60));
            p.fillRect(3, 8, 2, 2, QColor(0x50, 0xe0, 0x60));
            p.fillRect(5, 13, 6, 2, QColor(0x60, 0x60, 0x68));
        });
    case cmd::ViewSyslog:
        return drawIcon([](QPainter& p) {
            // A page of log lines with time stamps.
            p.fillRect(2, 0, 12, 15, Qt::white);
            p.setPen(kInk);
            p.drawRect(2, 0, 11, 14);
            for (int y = 2; y <= 12; y += 2) {
                p.fillRect(4, y, 2, 1, kBlue);
                p.fillRect(7, y, y % 4 ? 5 : 4, 1, QColor(0x70, 0x70, 0x70));
            }
        });
    case cmd::ViewCallHistory:
        return drawIcon([](QPainter& p) {
            // A clock: the calls of the past.
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(Qt::white);
            p.setPen(QPen(kInk, 1.2));
            p.drawEllipse(QRectF(1.5, 1, 13, 13));
            p.setPen(QPen(kBlue, 1.5));
            p.drawLine(QPointF(8, 7.5), QPointF(8, 3.5));
            p.drawLine(QPointF(8, 7.5), QPointF(11, 9));
        });
    case cmd::ViewCallLog:
        return drawIcon([](QPainter& p) {
            // A ledger: ruled lines with a handset mark.
            p.fillRect(2, 0, 12, 15, Qt::white);
            p.setPen(kInk);
            p.drawRect(2, 0, 11, 14);
            for (int y = 3; y <= 12; y += 3)
                p.fillRect(4, y, 8, 1, kBlue);
            p.fillRect(4, 1, 3, 1, kInk);
        });
    case cmd::ViewGraph:
        return drawIcon([](QPainter& p) {
            p.setPen(kInk);
            p.drawLine(1, 0, 1, 14);
            p.drawLine(1, 14, 15, 14);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kGreen, 1.5));
            p.drawPolyline(QPolygonF({QPointF(2, 11), QPointF(5, 7), QPointF(8, 9), QPointF(11, 3), QPointF(15, 5)}));
            p.setPen(QPen(kRed, 1.2));
            p.drawPolyline(QPolygonF({QPointF(2, 13), QPointF(6, 11), QPointF(10, 12), QPointF(15, 9)}));
        });
    case cmd::ViewLanPacket:
        return drawIcon([](QPainter& p) {
            // A packet: header fields over a payload.
            p.fillRect(0, 2, 16, 11, QColor(0xf4, 0xe2, 0xb0));
            p.setPen(QColor(0x8a, 0x6a, 0x20));
            p.drawRect(0, 2, 15, 10);
            p.fillRect(1, 3, 4, 3, kBlue);
            p.fillRect(6, 3, 4, 3, kGreen);
            p.fillRect(11, 3, 4, 3, kRed);
            p.fillRect(2, 8, 12, 1, QColor(0x8a, 0x6a, 0x20));
            p.fillRect(2, 10, 8, 1, QColor(0x8a, 0x6a, 0x20));
        });
    case cmd::Properties:
        return drawIcon([](QPainter& p) {
            // Three sliders: settings.
            for (int i = 0; i < 3; ++i) {
                const int y = 2 + i * 5;
                p.fillRect(1, y, 14, 1, kInk);
                const int knob = (i == 0) ? 9 : (i == 1 ? 4 : 11);
                p.fillRect(knob, y - 2, 3, 5, kBlue);
            }
        });
    case cmd::Connect:
        return drawIcon([](QPainter& p) {
            // Plug meeting socket.
            p.fillRect(0, 6, 5, 3, kInk);
            p.fillRect(5, 3, 3, 9, kInk);
            p.fillRect(8, 5, 2, 1, kInk);
            p.fillRect(8, 9, 2, 1, kInk);
            p.fillRect(10, 3, 3, 9, kGreen);
            p.fillRect(13, 6, 3, 3, kGreen);
        });
    case cmd::Disconnect:
        return drawIcon([](QPainter& p) {
            p.fillRect(0, 6, 3, 3, kInk);
            p.fillRect(3, 3, 3, 9, kInk);
            p.fillRect(6, 5, 2, 1, kInk);
            p.fillRect(6, 9, 2, 1, kInk);
            p.fillRect(11, 3, 3, 9, kRed);
            p.fillRect(14, 6, 2, 3, kRed);
            p.setPen(kRed);
            p.drawLine(9, 1, 9, 3);
            p.drawLine(9, 12, 9, 14);
        });
    case cmd::Reconnect:
        return drawIcon([](QPainter& p) {
            // Two arrows chasing round: disconnect and connect again.
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(kGreen, 1.8));
            p.drawArc(QRectF(2, 1.5, 12, 12), 30 * 16, 150 * 16);
            p.drawArc(QRectF(2, 1.5, 12, 12), 210 * 16, 150 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({QPointF(11, 1), QPointF(15.5, 4.5), QPointF(10.5, 6.5)}));
            p.drawPolygon(QPolygonF({QPointF(5, 14), QPointF(0.5, 10.5), QPointF(5.5, 8.5)}));
        });
    case cmd::DropBoth: return drawIcon([](QPainter& p) { dropIcon(p, QStringLiteral("12")); });
    case cmd::DropB1: return drawIcon([](QPainter& p) { dropIcon(p, QStringLiteral("1")); });
    case cmd::DropB2: return drawIcon([](QPainter& p) { dropIcon(p, QStringLiteral("2")); });
    case cmd::ScriptEdit:
        return drawIcon([](QPainter& p) {
            // A pencil over a page.
            p.fillRect(1, 1, 10, 13, Qt::white);
            p.setPen(kInk);
            p.drawRect(1, 1, 9, 12);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(0xe0, 0xa0, 0x20), 3, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(14, 2), QPointF(7, 10));
            p.setPen(QPen(kInk, 1.5));
            p.drawLine(QPointF(7, 10), QPointF(5.5, 12));
        });
    case cmd::ScriptCompileToolbar:
    case cmd::ScriptCompile:
        return drawIcon([](QPainter& p) {
            // A gear: build the script.
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(8, 7.5);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x50, 0x58, 0x66));
            for (int i = 0; i < 8; ++i) {
                p.save();
                p.rotate(i * 45);
                p.drawRect(QRectF(-1.5, -7.5, 3, 4));
                p.restore();
            }
            p.drawEllipse(QPointF(0, 0), 5.2, 5.2);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(0, 0), 2, 2);
        });
    case cmd::ScriptRun:
        return drawIcon([](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(QColor(0x10, 0x60, 0x20), 1));
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF({QPointF(4, 1.5), QPointF(14, 7.5), QPointF(4, 13.5)}));
        });
    case cmd::AppAbout:
        return drawIcon([](QPainter& p) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawEllipse(QRectF(1, 0.5, 14, 14));
            QFont f(QStringLiteral("Serif"));
            f.setPixelSize(11);
            f.setBold(true);
            p.setFont(f);
            p.setPen(Qt::white);
            p.drawText(QRect(1, 0, 14, 15), Qt::AlignCenter, QStringLiteral("i"));
        });
    case cmd::PinToScreen:
        return drawIcon([](QPainter& p) {
            // A push pin.
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(kRed);
            p.drawEllipse(QRectF(6, 0.5, 8, 8));
            p.setBrush(QColor(0x90, 0x10, 0x10));
            p.drawRect(QRectF(6.5, 6, 5, 2));
            p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.5));
            p.drawLine(QPointF(8, 8), QPointF(2, 14));
        });
    default: return QPixmap();
    }
}

}  // namespace

// ---- Views and cycling

const CMainFrame::ViewInfo& CMainFrame::viewInfo(View v) { return kViews[static_cast<int>(v)]; }

CMainFrame::View CMainFrame::nextView(View v) { return kCycle[(cycleIndex(v) + 1) % kViewCount]; }

CMainFrame::View CMainFrame::previousView(View v) { return kCycle[(cycleIndex(v) + kViewCount - 1) % kViewCount]; }

CMainFrame::CMainFrame(ProfileStore* store, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint),
      store_(store)
{
    setWindowIcon(korvaneAppIcon());
    setWindowTitle(korvaneProductTitle());
    buildViews();
    buildCommands();
    buildMenus();
    setBuiltinHandlers();
}

CMainFrame::~CMainFrame()
{
    SavePlacement();
    SplashWindow::HideSplash();
    tray_.reset();
}

void CMainFrame::create(bool showSplash)
{
    buildToolBar();
    buildStatusBar();
    SplashWindow::ShowSplashIfEnabled(this, showSplash, [this](int value) {
        if (store_)
            store_->setValue(QStringLiteral("Settings"), QStringLiteral("Show Splash Screen"), value);
    });
    tray_ = std::make_unique<CTrayIcon>(korvaneProductTitle(), true);
    connect(tray_.get(), &CTrayIcon::leftButtonDown, this, &CMainFrame::onTrayLeftDown);
    connect(tray_.get(), &CTrayIcon::leftDoubleClick, this, &CMainFrame::onTrayDoubleClick);
    connect(tray_.get(), &CTrayIcon::rightButtonUp, this, &CMainFrame::onTrayRightUp);
    SetTrayIcon(kTrayNoStatusImage);
    refreshCommands();
}

SplashWindow* CMainFrame::splash() const { return SplashWindow::instance(); }

void CMainFrame::buildViews()
{
    stack_ = new QStackedWidget(this);
    for (int i = 0; i < kViewCount; ++i) {
        // A page that says which view will stand here; replaced by setViewWidget.
        auto* page = new QLabel(stack_);
        page->setAlignment(Qt::AlignCenter);
        page->setText(QStringLiteral("<b>%1</b><br><span style='color:#707070'>This view is not part of this build.</span>")
                          .arg(QLatin1String(kViews[i].title)));
        page->setAutoFillBackground(true);
        page->setBackgroundRole(QPalette::Base);
        page->setObjectName(QLatin1String(kViews[i].registryName));
        views_[i] = page;
        stack_->addWidget(page);
    }
    stack_->setCurrentIndex(0);
    setCentralWidget(stack_);
}

void CMainFrame::setViewWidget(View v, QWidget* widget)
{
    if (!widget)
        return;
    const int i = static_cast<int>(v);
    QWidget* old = views_[i];
    if (old == widget)
        return;
    const bool current = stack_->currentWidget() == old;
    stack_->insertWidget(i, widget);
    stack_->removeWidget(old);
    old->deleteLater();
    views_[i] = widget;
    if (current)
        stack_->setCurrentWidget(widget);
    if (widget->objectName().isEmpty())
        widget->setObjectName(QLatin1String(kViews[i].registryName));
}

QWidget* CMainFrame::viewWidget(View v) const { return views_[static_cast<int>(v)]; }

void CMainFrame::ShowView(View v)
{
    SavePlacement();
    const View old = activeView_;
    stack_->setCurrentWidget(views_[static_cast<int>(v)]);
    activeView_ = v;
    if (old != v) {
        emit viewDeactivated(old);
        emit viewActivated(v);
    }
    RestorePlacement();
    refreshCommands();
}

// ---- Placement

WindowPlacement CMainFrame::currentPlacement() const
{
    WindowPlacement p;
    if (isMinimized())
        p.showCmd = static_cast<std::int32_t>(PlacementShow::Minimized);
    else if (isMaximized())
        p.showCmd = static_cast<std::int32_t>(PlacementShow::Maximized);
    else if (!isVisible())
        p.showCmd = static_cast<std::int32_t>(PlacementShow::Hide);
    // The outer rectangle, as the record has always held it.
    const QSize margins = frameGeometry().size() - geometry().size();
    if (isMinimized() || isMaximized()) {
        const QRect n = normalGeometry();
        p.setNormalRect(QRect(n.topLeft() - QPoint(margins.width() / 2, margins.height() / 2), n.size() + margins));
    } else {
        p.setNormalRect(QRect(pos(), frameGeometry().size()));
    }
    p.toolBarVisible = toolBar_ && !toolBar_->isHidden();
    p.statusBarVisible = statusBar() && !statusBar()->isHidden();
    return p;
}

void CMainFrame::applyPlacement(const WindowPlacement& p)
{
    placeOuter(p.normalRect());
    if (p.isMaximized())
        showMaximized();
    if (toolBar_)
        toolBar_->setVisible(p.toolBarVisible);
    statusBar()->setVisible(p.statusBarVisible);
}

void CMainFrame::placeOuter(const QRect& outer)
{
    // move() places the outer frame; resize() takes the client size.
    const QSize margins = frameGeometry().size() - geometry().size();
    QSize client = outer.size() - margins;
    if (client.width() <= 0 || client.height() <= 0)
        client = outer.size();
    resize(client);
    move(outer.topLeft());
}

void CMainFrame::SavePlacement()
{
    if (!placementReady_)
        return;
    SavePlacementAs(QLatin1String(viewInfo(activeView_).registryName));
}

void CMainFrame::SavePlacementAs(const QString& registryName)
{
    if (!store_ || restoring_ || !toolBar_)
        return;
    const WindowPlacement p = currentPlacement();
    if (p.isMinimized())
        return;
    store_->setValue(QStringLiteral("View"), placementValueName(registryName), encodePlacement(p));
}

QSize CMainFrame::defaultOuterSize(View v, const QSize& screenSize) const
{
    QSize size = viewInfo(v).defaultSize;
    // A view that scrolls a form laid out in dialog units gets room for the
    // whole form: with this platform's fonts it can be larger than the
    // default size, which was chosen for the other platform's.
    const auto* scroller = qobject_cast<const QScrollArea*>(views_[int(v)]);
    if (scroller && scroller->widget() && stack_) {
        const int edge = 2 * scroller->frameWidth();
        const QSize form = scroller->widget()->size() + QSize(edge, edge);
        if (QLayout* l = layout())
            l->activate();
        const QSize chrome = (frameGeometry().size() - geometry().size()) + (geometry().size() - stack_->size());
        size = size.expandedTo((form + chrome).boundedTo(screenSize));
    }
    // Wide enough for every toolbar button and status pane in this
    // platform's style and fonts, which the default sizes did not know.
    const int margins = frameGeometry().width() - geometry().width();
    int bars = 0;
    if (toolBar_ && !toolBar_->isHidden())
        bars = toolBar_->sizeHint().width();
    if (!statusBar()->isHidden())
        bars = std::max(bars, statusBar()->minimumSizeHint().width());
    size.setWidth(std::max(size.width(), std::min(bars + margins, screenSize.width())));
    return size;
}

void CMainFrame::RestorePlacement()
{
    placementReady_ = true;
    restoring_ = true;
    const ViewInfo& info = viewInfo(activeView_);
    std::optional<WindowPlacement> p;
    if (store_)
        p = placementFromValue(store_->value(QStringLiteral("View"), placementValueName(QLatin1String(info.registryName))));
    if (p) {
        applyPlacement(*p);
    } else {
        // Centred on what the panels and docks leave free, not on the whole
        // screen, so the title bar and the close box stay reachable.
        QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
        // The default size is the outer size, as the record holds it.
        const QRect centred = centredRect(defaultOuterSize(activeView_, area.size()), area);
        placeOuter(centred);
        // The minimum size of the bars and the view may have made it larger:
        // centred again at the size it really has.
        if (QLayout* l = layout())
            l->activate();
        const QSize real = frameGeometry().size().boundedTo(area.size());
        if (real != centred.size())
            placeOuter(centredRect(real, area));
    }
    keepOnScreen();
    restoring_ = false;
}

void CMainFrame::keepOnScreen()
{
    if (isMaximized())
        return;
    // The window is as large as its minimum size now, which a view's
    // contents may have made larger than the rectangle it was given.
    if (QLayout* l = layout())
        l->activate();
    QList<QRect> areas;
    for (QScreen* s : QGuiApplication::screens())
        areas << s->availableGeometry();
    const QRect outer(pos(), frameGeometry().size());
    const QRect kept = keptOnScreen(outer, areas);
    if (kept != outer)
        placeOuter(kept);
}

// ---- Tray and visibility

void CMainFrame::HideToTray(bool minimising)
{
    if (!minimising)
        SavePlacement();
    hide();
    hiddenToTray_ = true;
}

void CMainFrame::ShowFromTray()
{
    RestorePlacement();
    if (pinned_)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    showNormal();
    raise();
    activateWindow();
    hiddenToTray_ = false;
    refreshCommands();
}

void CMainFrame::SetTrayIcon(int index)
{
    if (index < 0 || index >= kTrayImageCount)
        index = kTrayNoStatusImage;
    trayIconIndex_ = index;
    if (tray_)
        tray_->SetTrayIcon(index);
}

void CMainFrame::SetTrayTip(const QString& tip)
{
    if (tray_)
        tray_->SetTrayTip(tip);
}

void CMainFrame::onTrayLeftDown()
{
    if (hiddenToTray_)
        return;
    raise();
    activateWindow();
}

void CMainFrame::onTrayDoubleClick()
{
    if (hiddenToTray_)
        ShowFromTray();
    else
        HideToTray();
}

void CMainFrame::onTrayRightUp()
{
    if (!hiddenToTray_)
        activateWindow();
    refreshCommands();
    trayMenu_->popup(QCursor::pos());
}

void CMainFrame::TogglePin()
{
    // Changing the flag re-creates the native window; keep it where it is.
    const bool wasVisible = isVisible();
    const QRect g = geometry();
    pinned_ = !pinned_;
    restoring_ = true;
    setWindowFlag(Qt::WindowStaysOnTopHint, pinned_);
    setGeometry(g);
    if (wasVisible)
        show();
    restoring_ = false;
    refreshCommands();
}

void CMainFrame::closeForExit()
{
    exiting_ = true;
    SavePlacement();
    close();
    QApplication::quit();
}

void CMainFrame::SetTitle(const QString& title) { setWindowTitle(title); }

void CMainFrame::SetStatusText(const QString& text)
{
    statusText_ = text.isEmpty() ? kIdlePrompt : text;
    if (messagePane_)
        messagePane_->setText(statusText_);
}

void CMainFrame::setLockIndicators(bool caps, bool num, bool scroll)
{
    auto light = [](QLabel* pane, bool on) {
        if (!pane)
            return;
        pane->setEnabled(on);
        pane->setProperty("lit", on);
    };
    light(capsPane_, caps);
    light(numPane_, num);
    light(scrollPane_, scroll);
}

// ---- Commands

QAction* CMainFrame::addCommand(int id, const QString& text, const QString& prompt)
{
    auto* a = new QAction(text, this);
    a->setData(id);
    const qsizetype nl = prompt.indexOf(QLatin1Char('\n'));
    a->setStatusTip(nl >= 0 ? prompt.left(nl) : prompt);
    if (nl >= 0)
        a->setToolTip(prompt.mid(nl + 1));
    else {
        QString plain = text;
        plain.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        plain.replace(QLatin1String("&&"), QLatin1String("&"));
        a->setToolTip(plain.remove(QLatin1String("...")));
    }
    const QPixmap icon = toolbarIcon(id);
    if (!icon.isNull())
        a->setIcon(QIcon(icon));
    connect(a, &QAction::triggered, this, [this, id] { triggerCommand(id); });
    actions_.insert(id, a);
    return a;
}

void CMainFrame::buildCommands()
{
    addCommand(cmd::Connect, QStringLiteral("&Connect"), QStringLiteral("Establish a connection to the router\nConnect"));
    addCommand(cmd::Disconnect, QStringLiteral("&Disconnect"), QStringLiteral("Disconnect from the router\nDisconnect"));
    addCommand(cmd::Reconnect, QStringLiteral("&Reconnect"), QStringLiteral("Reconnect to the router\nReconnect"));
    addCommand(cmd::Exit, QStringLiteral("E&xit"), QStringLiteral("Exit the Korvane Application"));
    addCommand(cmd::ViewToolBar, QStringLiteral("&Toolbar"), QStringLiteral("Show or hide the toolbar\nToggle ToolBar"))
        ->setCheckable(true);
    addCommand(cmd::ViewStatusBar, QStringLiteral("Status &Bar"),
               QStringLiteral("Show or hide the status bar\nToggle StatusBar"))
        ->setCheckable(true);
    addCommand(cmd::PinToScreen, QStringLiteral("P&in to Screen"), QStringLiteral("Pin the Korvane to the screen\nPin to Screen"))
        ->setCheckable(true);
    addCommand(cmd::ViewStatus, QStringLiteral("&Status"), QStringLiteral("Show the router status\nStatus"));
    addCommand(cmd::ViewTelnet, QStringLiteral("&Router Screens"), QStringLiteral("Show the router screens\nRouter Screens"));
    addCommand(cmd::ViewSyslog, QStringLiteral("S&yslog"), QStringLiteral("Show the router system log\nSyslog"));
    addCommand(cmd::ViewCallHistory, QStringLiteral("&Call History"), QStringLiteral("Show the call history\nCall History"));
    addCommand(cmd::ViewGraph, QStringLiteral("Graphs"), QStringLiteral("Show the line graphs\nGraphs"));
    addCommand(cmd::ViewCallLog, QStringLiteral("Call L&og"), QStringLiteral("Show the call journal\nCall Log"));
    addCommand(cmd::ViewLanPacket, QStringLiteral("&LAN Packet Analyzer"),
               QStringLiteral("Show the last call LAN packet\nLAN Packet Analyzer"));
    addCommand(cmd::Properties, QStringLiteral("&Properties..."), QStringLiteral("Show the properties dialog\nProperties"));
    addCommand(cmd::DropBoth, QStringLiteral("&Drop Channel 1 && 2"), QStringLiteral("Drop both channel B1 and B2\nDrop Both"));
    addCommand(cmd::DropB1, QStringLiteral("Drop Channel &1"), QStringLiteral("Drop channel B1\nDrop B1"));
    addCommand(cmd::DropB2, QStringLiteral("Drop Channel &2"), QStringLiteral("Drop channel B2\nDrop B2"));
    addCommand(cmd::ResetCounters, QStringLiteral("&Reset Counters"), QStringLiteral("Reset the router counters\nReset Counters"));
    addCommand(cmd::ScriptEdit, QStringLiteral("&Edit..."), QStringLiteral("Open the scriptfile in the default editor\nEdit"));
    addCommand(cmd::ScriptCompile, QStringLiteral("&Compile"), QStringLiteral("Compile the script file\nCompile"));
    addCommand(cmd::ScriptCompileToolbar, QStringLiteral("&Compile"), QStringLiteral("Compile the script file\nCompile"));
    addCommand(cmd::ScriptRun, QStringLiteral("&Run..."), QStringLiteral("Run a user defined script function\nRun"));
    addCommand(cmd::HelpContents, QStringLiteral("Korvane &Help..."), QStringLiteral("Show the help file"));
    addCommand(cmd::HelpWeb, QStringLiteral("&Omberon on the Web..."),
               QStringLiteral("Open the Omberon web site in your default browser\nOmberon on the Web"));
    addCommand(cmd::AppAboutMenu, QStringLiteral("&About Korvane..."),
               QStringLiteral("Display program information, version number and copyright\nAbout"));
    addCommand(cmd::AppAbout, QStringLiteral("&About Korvane..."),
               QStringLiteral("Display program information, version number and copyright\nAbout"));
    addCommand(cmd::TrayOpen, QStringLiteral("&Open"), QStringLiteral("Shows the Korvane Screen"));
    addCommand(cmd::EditCopy, QStringLiteral("&Copy"), QStringLiteral("Copy the selection to the clipboard\nCopy"));
    addCommand(cmd::NextView, QStringLiteral("Next View"), QString());
    addCommand(cmd::PrevView, QStringLiteral("Previous View"), QString());

    // Accelerators: live on the frame so they work whatever view has the focus.
    auto accel = [this](int id, QList<QKeySequence> keys) {
        QAction* a = actions_.value(id);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    };
    accel(cmd::EditCopy, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    accel(cmd::NextView, {QKeySequence(Qt::Key_F6)});
    accel(cmd::PrevView, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { showHelpTopic(QLatin1String(viewInfo(activeView_).helpTopic)); });
    addAction(help);
    auto* context = new QAction(this);
    context->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    context->setShortcutContext(Qt::WindowShortcut);
    connect(context, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(context);
}

void CMainFrame::buildMenus()
{
    auto* bar = menuBar();
    auto add = [this](QMenu* m, int id) { m->addAction(actions_.value(id)); };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    add(file, cmd::Connect);
    add(file, cmd::Disconnect);
    file->addSeparator();
    add(file, cmd::Reconnect);
    file->addSeparator();
    add(file, cmd::Exit);
    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    add(view, cmd::ViewToolBar);
    add(view, cmd::ViewStatusBar);
    add(view, cmd::PinToScreen);
    view->addSeparator();
    for (int id : {cmd::ViewStatus, cmd::ViewTelnet, cmd::ViewSyslog, cmd::ViewCallHistory, cmd::ViewGraph,
                   cmd::ViewLanPacket, cmd::ViewCallLog})
        add(view, id);
    view->addSeparator();
    add(view, cmd::Properties);
    QMenu* router = bar->addMenu(QStringLiteral("&Router"));
    for (int id : {cmd::DropBoth, cmd::DropB1, cmd::DropB2, cmd::ResetCounters})
        add(router, id);
    QMenu* script = bar->addMenu(QStringLiteral("&Script"));
    for (int id : {cmd::ScriptEdit, cmd::ScriptCompile, cmd::ScriptRun})
        add(script, id);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    add(help, cmd::HelpContents);
    help->addSeparator();
    add(help, cmd::HelpWeb);
    help->addSeparator();
    add(help, cmd::AppAboutMenu);
    for (QMenu* m : {file, view, router, script, help})
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::refreshCommands);

    // The tray menu uses its own texts for some of the same commands.
    trayMenu_ = new QMenu(this);
    auto trayItem = [this](int id, const QString& text) {
        QAction* a = trayMenu_->addAction(text);
        a->setData(id);
        a->setStatusTip(actions_.value(id)->statusTip());
        a->setCheckable(actions_.value(id)->isCheckable());
        connect(a, &QAction::triggered, this, [this, id] { triggerCommand(id); });
    };
    trayItem(cmd::TrayOpen, QStringLiteral("&Open"));
    trayItem(cmd::DropBoth, QStringLiteral("&Drop Channel 1 && 2"));
    trayItem(cmd::Reconnect, QStringLiteral("Re&connect"));
    trayItem(cmd::ScriptRun, QStringLiteral("&Run..."));
    trayMenu_->addSeparator();
    trayItem(cmd::PinToScreen, QStringLiteral("&Pin to Screen"));
    trayMenu_->addSeparator();
    trayItem(cmd::Exit, QStringLiteral("E&xit"));
    connect(trayMenu_, &QMenu::aboutToShow, this, &CMainFrame::refreshCommands);
}

void CMainFrame::buildToolBar()
{
    if (toolBar_)
        return;
    toolBar_ = new QToolBar(QStringLiteral("Toolbar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setMovable(true);  // the gripper
    toolBar_->setFloatable(false);
    toolBar_->toggleViewAction()->setVisible(false);
    // Buttons side by side, as the flat toolbar draws them: with the style's
    // gap between them the last ones would not fit the status view's width.
    toolBar_->layout()->setSpacing(0);
    const QList<QList<int>> groups = {
        {cmd::ViewStatus, cmd::ViewTelnet, cmd::ViewSyslog, cmd::ViewCallHistory, cmd::ViewGraph, cmd::ViewLanPacket,
         cmd::ViewCallLog},
        {cmd::Properties},
        {cmd::Connect, cmd::Disconnect, cmd::Reconnect},
        {cmd::DropBoth, cmd::DropB1, cmd::DropB2},
        {cmd::ScriptEdit, cmd::ScriptCompileToolbar, cmd::ScriptRun},
        {cmd::AppAbout},
        {cmd::PinToScreen},
    };
    for (int g = 0; g < groups.size(); ++g) {
        if (g > 0)
            toolBar_->addSeparator();
        for (int id : groups[g])
            toolBar_->addAction(actions_.value(id));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CMainFrame::buildStatusBar()
{
    if (messagePane_)
        return;
    QStatusBar* bar = statusBar();
    messagePane_ = new QLabel(kIdlePrompt, bar);
    messagePane_->setObjectName(QStringLiteral("messagePane"));
    // A long prompt is cut at the pane's end instead of pushing the
    // indicators out of the window.
    messagePane_->setMinimumWidth(1);
    messagePane_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(messagePane_, 1);
    auto indicator = [bar](const QString& text) {
        auto* l = new QLabel(text, bar);
        l->setAlignment(Qt::AlignCenter);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // All three as wide as the widest text, frame and margins included.
        QLabel widest(QStringLiteral("SCRL"));
        widest.setFrameStyle(l->frameStyle());
        l->setMinimumWidth(std::max(widest.sizeHint().width(), l->sizeHint().width()) + 6);
        l->setObjectName(text);
        bar->addPermanentWidget(l);
        return l;
    };
    capsPane_ = indicator(QStringLiteral("CAP"));
    numPane_ = indicator(QStringLiteral("NUM"));
    scrollPane_ = indicator(QStringLiteral("SCRL"));
    setLockIndicators(false, false, false);
    // The real lock state where the platform tells it; hidden where it cannot.
    new LockKeyWatcher([this](bool known, const LockKeyState& state) {
        for (QLabel* pane : {capsPane_, numPane_, scrollPane_})
            pane->setVisible(known);
        setLockIndicators(state.caps, state.num, state.scroll);
    }, this);
    statusText_ = kIdlePrompt;
}

void CMainFrame::setBuiltinHandlers()
{
    const int viewIds[kViewCount] = {cmd::ViewStatus, cmd::ViewTelnet,      cmd::ViewSyslog,
                                     cmd::ViewLanPacket, cmd::ViewCallHistory, cmd::ViewGraph,
                                     cmd::ViewCallLog};
    for (int i = 0; i < kViewCount; ++i) {
        const View v = static_cast<View>(i);
        setCommandHandler(viewIds[i], {[this, v] { ShowView(v); }, [this, v] { return activeView_ != v; }, {}});
    }
    setCommandHandler(cmd::NextView, {[this] { ShowView(nextView(activeView_)); }, {}, {}});
    setCommandHandler(cmd::PrevView, {[this] { ShowView(previousView(activeView_)); }, {}, {}});
    setCommandHandler(cmd::ViewToolBar, {[this] {
                                             if (toolBar_)
                                                 toolBar_->setVisible(toolBar_->isHidden());
                                         },
                                         [this] { return toolBar_ != nullptr; },
                                         [this] { return toolBar_ && !toolBar_->isHidden(); }});
    setCommandHandler(cmd::ViewStatusBar, {[this] { statusBar()->setVisible(statusBar()->isHidden()); }, {},
                                           [this] { return !statusBar()->isHidden(); }});
    setCommandHandler(cmd::PinToScreen, {[this] { TogglePin(); }, {}, [this] { return pinned_; }});
    setCommandHandler(cmd::TrayOpen, {[this] { ShowFromTray(); }, {}, {}});
    setCommandHandler(cmd::HelpContents, {[] { showHelpTopic(QStringLiteral("Korvane.chm::/introduction.htm")); }, {}, {}});
    setCommandHandler(cmd::HelpWeb, {[this] { openWeb(); }, {}, {}});
    setCommandHandler(cmd::AppAbout, {[this] { showAbout(); }, {}, {}});
    setCommandHandler(cmd::AppAboutMenu, {[this] { showAbout(); }, {}, {}});
    setCommandHandler(cmd::EditCopy, {[this] { QMetaObject::invokeMethod(viewWidget(View::Telnet), "copy"); },
                                      [this] { return activeView_ == View::Telnet; },
                                      {}});
    // Without a controller Exit still ends the program.
    setCommandHandler(cmd::Exit, {[this] { closeForExit(); }, {}, {}});
}

void CMainFrame::setCommandHandler(int id, CommandHandler handler)
{
    handlers_.insert(id, std::move(handler));
    refreshCommands();
}

QAction* CMainFrame::command(int id) const { return actions_.value(id); }

void CMainFrame::triggerCommand(int id)
{
    refreshCommands();
    const auto it = handlers_.constFind(id);
    QAction* a = actions_.value(id);
    if (it == handlers_.constEnd() || !it->action || (a && !a->isEnabled()))
        return;
    const auto action = it->action;  // the handler may replace itself
    action();
    refreshCommands();
}

void CMainFrame::refreshCommands()
{
    auto apply = [this](QAction* a) {
        const int id = a->data().toInt();
        const auto it = handlers_.constFind(id);
        const bool enabled = it != handlers_.constEnd() && it->action && (!it->enabled || it->enabled());
        a->setEnabled(enabled);
        if (a->isCheckable())
            a->setChecked(it != handlers_.constEnd() && it->checked && it->checked());
    };
    for (QAction* a : std::as_const(actions_))
        apply(a);
    if (trayMenu_)
        for (QAction* a : trayMenu_->actions())
            if (!a->isSeparator())
                apply(a);
}

void CMainFrame::showAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::openWeb() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress))); }

// ---- Events

void CMainFrame::closeEvent(QCloseEvent* e)
{
    if (exiting_) {
        e->accept();
        return;
    }
    e->ignore();
    if (!tray_ || !tray_->available()) {
        // Without a notification area a hidden frame could never come back:
        // the close box is then the Exit command.
        triggerCommand(cmd::Exit);
        if (exiting_)
            e->accept();
        return;
    }
    // The close box only hides; Exit is the one way out.
    HideToTray();
}

void CMainFrame::moveEvent(QMoveEvent* e)
{
    QMainWindow::moveEvent(e);
    if (!isMinimized() && isVisible())
        SavePlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    if (!isMinimized() && isVisible())
        SavePlacement();
}

void CMainFrame::changeEvent(QEvent* e)
{
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized() && !exiting_ && tray_ && tray_->available()) {
        // Minimising goes to the tray too, without saving the minimised state.
        // Without a tray the frame only minimises: hidden, nothing could
        // bring it back.
        setWindowState(windowState() & ~Qt::WindowMinimized);
        HideToTray(true);
    } else if (e->type() == QEvent::ActivationChange) {
        emit frameActivationChanged(isActiveWindow());
    }
}

bool CMainFrame::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip && messagePane_) {
        // Prompts show in the message pane; leaving a command brings back the idle text.
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        messagePane_->setText(tip.isEmpty() ? statusText_ : tip);
        return true;
    }
    return QMainWindow::event(e);
}

}  // namespace korvane
