#include "korvane/shell/main_frame.h"
#include "korvane/shell/journal_dialogs.h"
#include "korvane/shell/lock_keys.h"

#include "korvane/help/help_topic.h"
#include "korvane/shell/placement.h"
#include "korvane/shell/tray_icon.h"
#include "memory_store.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace korvane;
using View = CMainFrame::View;

namespace {

struct Frame : ::testing::Test {
    MemoryStore store;
    std::unique_ptr<CMainFrame> frame;
    void SetUp() override
    {
        CTrayIcon::setPlatformHasTrayForTesting(1);
        frame = std::make_unique<CMainFrame>(&store);
        frame->create(false);
        frame->show();
    }
    void TearDown() override { CTrayIcon::setPlatformHasTrayForTesting(-1); }
    QRect screen() const { return QGuiApplication::primaryScreen()->geometry(); }
    QStringList menuTexts(const QString& title)
    {
        for (QAction* a : frame->menuBar()->actions())
            if (a->text() == title) {
                QStringList out;
                for (QAction* item : a->menu()->actions())
                    out << (item->isSeparator() ? QStringLiteral("|") : item->text());
                return out;
            }
        return {};
    }
};

}  // namespace

TEST_F(Frame, MenusHoldTheCommandsInOrderWithTheirTexts)
{
    QStringList bar;
    for (QAction* a : frame->menuBar()->actions())
        bar << a->text();
    EXPECT_EQ(bar, QStringList({"&File", "&View", "&Router", "&Script", "&Help"}));
    EXPECT_EQ(menuTexts("&File"), QStringList({"&Connect", "&Disconnect", "|", "&Reconnect", "|", "E&xit"}));
    EXPECT_EQ(menuTexts("&View"),
              QStringList({"&Toolbar", "Status &Bar", "P&in to Screen", "|", "&Status", "&Router Screens", "S&yslog",
                           "&Call History", "Graphs", "&LAN Packet Analyzer", "Call L&og", "|",
                           "&Properties..."}));
    EXPECT_EQ(menuTexts("&Router"), QStringList({"&Drop Channel 1 && 2", "Drop Channel &1", "Drop Channel &2",
                                                 "&Reset Counters"}));
    EXPECT_EQ(menuTexts("&Script"), QStringList({"&Edit...", "&Compile", "&Run..."}));
    EXPECT_EQ(menuTexts("&Help"), QStringList({"Korvane &Help...", "|", "&Omberon on the Web...", "|",
                                               "&About Korvane..."}));
    QStringList tray;
    for (QAction* a : frame->trayMenu()->actions())
        tray << (a->isSeparator() ? QStringLiteral("|") : a->text());
    EXPECT_EQ(tray, QStringList({"&Open", "&Drop Channel 1 && 2", "Re&connect", "&Run...", "|", "&Pin to Screen", "|",
                                 "E&xit"}));

    // Prompt and tooltip come from one string split at the line feed.
    EXPECT_EQ(frame->command(cmd::Connect)->statusTip(), "Establish a connection to the router");
    EXPECT_EQ(frame->command(cmd::Connect)->toolTip(), "Connect");
    EXPECT_EQ(frame->command(cmd::DropBoth)->toolTip(), "Drop Both");
    EXPECT_EQ(frame->command(cmd::PinToScreen)->statusTip(), "Pin the Korvane to the screen");
    EXPECT_EQ(frame->command(cmd::EditCopy)->shortcuts().size(), 2);
    EXPECT_EQ(frame->command(cmd::NextView)->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_EQ(frame->command(cmd::PrevView)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F6));

    // Toolbar: 20 buttons in seven groups, each with a 16 x 15 picture.
    QStringList tips;
    for (QAction* a : frame->toolBar()->actions()) {
        tips << (a->isSeparator() ? QStringLiteral("|") : a->toolTip());
        if (!a->isSeparator()) {
            EXPECT_EQ(a->icon().actualSize(QSize(16, 15)), QSize(16, 15)) << a->toolTip().toStdString();
        }
    }
    EXPECT_EQ(tips, QStringList({"Status", "Router Screens", "Syslog", "Call History", "Graphs", "LAN Packet Analyzer",
                                 "Call Log", "|", "Properties", "|", "Connect", "Disconnect", "Reconnect", "|", "Drop Both",
                                 "Drop B1", "Drop B2", "|", "Edit", "Compile", "Run", "|", "About", "|",
                                 "Pin to Screen"}));
    EXPECT_EQ(frame->toolBar()->actions()[19]->data().toInt(), cmd::ScriptCompileToolbar);
}

TEST_F(Frame, EnableRulesFollowTheHandlersAndTheShownView)
{
    // Without a monitor, the monitor's commands are off; the frame's own are on.
    EXPECT_FALSE(frame->command(cmd::Connect)->isEnabled());
    EXPECT_FALSE(frame->command(cmd::DropBoth)->isEnabled());
    EXPECT_TRUE(frame->command(cmd::Exit)->isEnabled());
    EXPECT_FALSE(frame->command(cmd::ViewStatus)->isEnabled());
    EXPECT_TRUE(frame->command(cmd::ViewTelnet)->isEnabled());
    EXPECT_FALSE(frame->command(cmd::EditCopy)->isEnabled());

    bool open = false;
    int connects = 0;
    frame->setCommandHandler(cmd::Connect, {[&] { ++connects, open = true; }, [&] { return !open; }, {}});
    EXPECT_TRUE(frame->command(cmd::Connect)->isEnabled());
    frame->triggerCommand(cmd::Connect);
    frame->triggerCommand(cmd::Connect);  // disabled now: no second run
    EXPECT_EQ(connects, 1);
    EXPECT_FALSE(frame->command(cmd::Connect)->isEnabled());

    frame->triggerCommand(cmd::ViewTelnet);
    EXPECT_EQ(frame->activeView(), View::Telnet);
    EXPECT_TRUE(frame->command(cmd::ViewStatus)->isEnabled());
    EXPECT_FALSE(frame->command(cmd::ViewTelnet)->isEnabled());
    EXPECT_TRUE(frame->command(cmd::EditCopy)->isEnabled());

    // Tray items share the rules of their commands.
    for (QAction* a : frame->trayMenu()->actions())
        if (a->data().toInt() == cmd::Reconnect) {
            EXPECT_FALSE(a->isEnabled());
        }
}

TEST_F(Frame, F6CyclesTheViewsAndShiftF6GoesBack)
{
    QList<View> seen;
    for (int i = 0; i < 7; ++i) {
        frame->triggerCommand(cmd::NextView);
        seen << frame->activeView();
    }
    EXPECT_EQ(seen, QList<View>({View::Telnet, View::Syslog, View::CallHistory, View::CallLog, View::Graph,
                                 View::LanPacket, View::Status}));
    frame->triggerCommand(cmd::PrevView);
    EXPECT_EQ(frame->activeView(), View::LanPacket);
}

TEST_F(Frame, FirstUseOfEachViewIsCentredAtItsDefaultSize)
{
    // Default widths grow as far as every toolbar button needs.
    auto barsWidth = [&](int width) {
        return std::max(width, frame->toolBar()->sizeHint().width() + frame->frameGeometry().width() -
                                   frame->geometry().width());
    };
    EXPECT_FALSE(frame->placementReady());
    frame->ShowView(View::Telnet);
    EXPECT_TRUE(frame->placementReady());
    EXPECT_EQ(frame->frameGeometry(), centredRect(QSize(670, 510), screen()));
    frame->ShowView(View::LanPacket);
    // Default sizes grow only as far as the toolbar and status bar need.
    EXPECT_EQ(frame->frameGeometry().size(), QSize(barsWidth(492), 481));
    frame->ShowView(View::Status);
    EXPECT_EQ(frame->frameGeometry(),
              centredRect(QSize(barsWidth(492), 138).expandedTo(frame->minimumSizeHint()), screen()));
}

TEST_F(Frame, AFormViewLargerThanItsDefaultSizeIsShownWhole)
{
    auto barsWidth = [&](int width) {
        return std::max(width, frame->toolBar()->sizeHint().width() + frame->frameGeometry().width() -
                                   frame->geometry().width());
    };
    // Fonts wider than the ones the default sizes were made for make a form
    // in dialog units larger than the default: the first use shows it whole.
    auto* graph = new QScrollArea;
    auto* form = new QWidget;
    form->setFixedSize(760, 330);
    graph->setWidget(form);
    frame->setViewWidget(View::Graph, graph);
    frame->ShowView(View::Graph);
    QCoreApplication::processEvents();
    EXPECT_GE(graph->viewport()->width(), 760);
    EXPECT_GE(graph->viewport()->height(), 330);
    EXPECT_FALSE(graph->horizontalScrollBar()->isVisible());
    EXPECT_EQ(frame->frameGeometry().center(), screen().center());

    // A form that fits keeps the default size.
    auto* packet = new QScrollArea;
    auto* small = new QWidget;
    small->setFixedSize(200, 100);
    packet->setWidget(small);
    frame->setViewWidget(View::LanPacket, packet);
    frame->ShowView(View::LanPacket);
    EXPECT_EQ(frame->frameGeometry().size(), QSize(barsWidth(492), 481));
}

TEST_F(Frame, EachViewKeepsItsOwnPlacementAcrossSwitches)
{
    frame->ShowView(View::Status);
    frame->setGeometry(50, 60, 500, 300);
    frame->ShowView(View::Telnet);
    const QRect telnetDefault = frame->geometry();
    frame->setGeometry(80, 40, 700, 520);
    frame->ShowView(View::Status);
    EXPECT_EQ(frame->geometry(), QRect(50, 60, 500, 300));
    frame->ShowView(View::Telnet);
    EXPECT_EQ(frame->geometry(), QRect(80, 40, 700, 520));
    EXPECT_NE(telnetDefault, frame->geometry());

    frame->ShowView(View::Status);
    const auto stored = placementFromValue(store.values.value("View/StatusViewPlacement"));
    ASSERT_TRUE(stored);
    // The record holds the outer rectangle, frame included.
    EXPECT_EQ(stored->normalRect(), frame->frameGeometry());
    EXPECT_TRUE(stored->toolBarVisible);
}

TEST_F(Frame, APlacementOffTheScreenComesBackWhole)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    frame->ShowView(View::Status);
    // Left running off the right and the bottom, as a larger screen allowed.
    frame->setGeometry(area.right() - 100, area.bottom() - 50, 500, 300);
    frame->ShowView(View::Telnet);
    frame->ShowView(View::Status);
    EXPECT_TRUE(area.contains(frame->frameGeometry())) << frame->frameGeometry().x() << "," << frame->frameGeometry().y();
    EXPECT_EQ(frame->geometry().size(), QSize(500, 300));
    // Stored where no screen is now: on this one, at its size.
    WindowPlacement away;
    away.setNormalRect(QRect(area.right() + 2000, 100, 520, 300));
    store.values.insert("View/GraphViewPlacement", encodePlacement(away));
    frame->ShowView(View::Graph);
    EXPECT_TRUE(area.contains(frame->frameGeometry()));
    EXPECT_EQ(frame->frameGeometry().size(), QSize(520, 300));
}

TEST_F(Frame, ToolbarHiddenInOneViewComesBackInAnother)
{
    frame->ShowView(View::Status);
    frame->ShowView(View::Graph);
    frame->triggerCommand(cmd::ViewToolBar);
    EXPECT_TRUE(frame->toolBar()->isHidden());
    EXPECT_FALSE(frame->command(cmd::ViewToolBar)->isChecked());
    frame->ShowView(View::Status);
    EXPECT_FALSE(frame->toolBar()->isHidden());
    EXPECT_TRUE(frame->command(cmd::ViewToolBar)->isChecked());
    frame->ShowView(View::Graph);
    EXPECT_TRUE(frame->toolBar()->isHidden());
}

TEST_F(Frame, StoredValueOfWrongTypeGivesTheDefault)
{
    store.values.insert("View/TelnetViewPlacement", QString("garbage"));
    frame->ShowView(View::Telnet);
    EXPECT_EQ(frame->frameGeometry().size(), QSize(670, 510));
    // Nothing is saved before the first switch.
    MemoryStore fresh;
    CMainFrame other(&fresh);
    other.create(false);
    other.show();
    other.move(10, 10);
    other.SavePlacement();
    EXPECT_EQ(fresh.writes, 0);
}

TEST(FramePlacement, CallHistoryFocusLossWritesBeforePersistenceIsActive)
{
    // Placement persistence is not active before the first switch, yet the
    // call history's record is written when its list loses the focus.
    MemoryStore fresh;
    CMainFrame frame(&fresh);
    frame.create(false);
    frame.show();
    frame.setGeometry(40, 50, 600, 320);
    ASSERT_FALSE(frame.placementReady());
    frame.SavePlacementAs(QStringLiteral("CallHistoryView"));
    const auto stored = placementFromValue(fresh.values.value("View/CallHistoryViewPlacement"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->normalRect(), frame.frameGeometry());
    EXPECT_FALSE(fresh.values.contains("View/StatusViewPlacement"));
}

TEST_F(Frame, CloseBoxHidesToTrayAndOnlyExitCloses)
{
    frame->ShowFromTray();
    EXPECT_FALSE(frame->hiddenToTray());
    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->isHidden());
    EXPECT_TRUE(frame->hiddenToTray());
    frame->onTrayDoubleClick();
    EXPECT_TRUE(frame->isVisible());
    frame->onTrayDoubleClick();
    EXPECT_TRUE(frame->isHidden());

    bool unloaded = false;
    frame->setCommandHandler(cmd::Exit, {[&] {
                                             unloaded = true;
                                             frame->closeForExit();
                                         },
                                         {},
                                         {}});
    frame->ShowFromTray();
    frame->triggerCommand(cmd::Exit);
    EXPECT_TRUE(unloaded);
    EXPECT_TRUE(frame->exiting());
    EXPECT_FALSE(frame->isVisible());
}

TEST(FrameWithoutTray, CloseBoxExitsSinceTheFrameCouldNotComeBack)
{
    CTrayIcon::setPlatformHasTrayForTesting(0);
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(false);
    frame.show();
    int exits = 0;
    frame.setCommandHandler(cmd::Exit, {[&] {
                                           ++exits;
                                           frame.closeForExit();
                                       },
                                       {},
                                       {}});
    frame.close();
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_FALSE(frame.tray()->available());
    CTrayIcon::setPlatformHasTrayForTesting(-1);
}

TEST(FrameWithoutTray, MinimisingOnlyMinimises)
{
    CTrayIcon::setPlatformHasTrayForTesting(0);
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(false);
    frame.ShowFromTray();
    frame.setWindowState(frame.windowState() | Qt::WindowMinimized);
    QCoreApplication::processEvents();
    // Hidden, nothing could bring it back.
    EXPECT_FALSE(frame.isHidden());
    EXPECT_FALSE(frame.hiddenToTray());
    CTrayIcon::setPlatformHasTrayForTesting(-1);
}

TEST_F(Frame, MinimisingWithATrayHidesToIt)
{
    frame->ShowFromTray();
    frame->setWindowState(frame->windowState() | Qt::WindowMinimized);
    QCoreApplication::processEvents();
    EXPECT_TRUE(frame->isHidden());
    EXPECT_TRUE(frame->hiddenToTray());
}

TEST_F(Frame, HiddenToTrayStartsTrueSoTheFirstDoubleClickShows)
{
    EXPECT_TRUE(frame->hiddenToTray());
    frame->onTrayLeftDown();  // hidden: nothing
    frame->onTrayDoubleClick();
    EXPECT_FALSE(frame->hiddenToTray());
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(Frame, PinSurvivesHideAndShow)
{
    frame->ShowFromTray();
    frame->triggerCommand(cmd::PinToScreen);
    EXPECT_TRUE(frame->pinned());
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(frame->command(cmd::PinToScreen)->isChecked());
    frame->HideToTray();
    frame->ShowFromTray();
    EXPECT_TRUE(frame->pinned());
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowStaysOnTopHint);
    frame->TogglePin();
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(Frame, TrayImageAndTipAndStatusPanes)
{
    EXPECT_EQ(frame->trayIconIndex(), 64);
    frame->SetTrayIcon(7);
    EXPECT_EQ(frame->trayIconIndex(), 7);
    frame->SetTrayIcon(99);
    EXPECT_EQ(frame->trayIconIndex(), 64);
    EXPECT_EQ(CTrayIcon::cutTip(QString(80, 'x')).size(), 63);
    EXPECT_EQ(CTrayIcon::cutTip("short"), "short");

    auto* pane = frame->statusBar()->findChild<QLabel*>("messagePane");
    ASSERT_TRUE(pane);
    EXPECT_EQ(pane->text(), "For Help, press F1");
    frame->SetStatusText("Connecting...");
    EXPECT_EQ(pane->text(), "Connecting...");
    frame->SetStatusText(QString());
    EXPECT_EQ(pane->text(), "For Help, press F1");
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = frame->statusBar()->findChild<QLabel*>(name);
        ASSERT_TRUE(indicator) << name;
        // Offscreen nothing tells the lock state: the panes are not shown.
        EXPECT_TRUE(indicator->isHidden()) << name;
    }
}

TEST_F(Frame, EveryToolbarButtonAndStatusPaneShowsAtEachViewsDefaultSize)
{
    auto* toolBar = frame->findChild<QToolBar*>();
    ASSERT_TRUE(toolBar);
    // As in a session that tells the lock state.
    for (const char* name : {"CAP", "NUM", "SCRL"})
        frame->statusBar()->findChild<QLabel*>(name)->show();
    for (View v : {View::CallHistory, View::Status, View::LanPacket, View::Graph}) {
        frame->ShowView(v);
        QApplication::processEvents();
        SCOPED_TRACE(int(v));
        // Everything on the toolbar is on it, none behind the overflow arrow.
        for (QAction* action : toolBar->actions()) {
            QWidget* button = toolBar->widgetForAction(action);
            ASSERT_TRUE(button);
            EXPECT_TRUE(button->isVisible()) << action->text().toStdString();
            EXPECT_TRUE(toolBar->rect().contains(button->geometry())) << action->text().toStdString();
        }
        const auto extension = toolBar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        for (QToolButton* arrow : extension)
            EXPECT_FALSE(arrow->isVisible());
        // The status bar's panes whole, inside the window.
        frame->SetStatusText(QStringLiteral("Show or hide the status bar and a long prompt after it to fill the pane"));
        QApplication::processEvents();
        for (const char* name : {"CAP", "NUM", "SCRL"}) {
            auto* pane = frame->statusBar()->findChild<QLabel*>(name);
            ASSERT_TRUE(pane);
            EXPECT_GE(pane->width(), pane->sizeHint().width()) << name;
            EXPECT_TRUE(frame->statusBar()->rect().contains(pane->geometry())) << name;
        }
        frame->SetStatusText(QString());
    }
}

TEST(LockKeys, TheKernelsKeyboardLedsAndTheWatchersReports)
{
    QTemporaryDir leds;
    EXPECT_FALSE(readLedLockKeys(leds.path()).has_value());  // no keyboard LEDs: unknown
    auto led = [&](const char* name, const char* value) {
        QDir().mkpath(leds.filePath(QLatin1String(name)));
        QFile f(leds.filePath(QLatin1String(name) + QStringLiteral("/brightness")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(value);
    };
    led("input3::capslock", "0\n");
    led("input3::numlock", "1\n");
    led("input3::scrolllock", "0\n");
    led("input7::capslock", "1\n");  // a second keyboard lights it
    led("phy0-led", "1\n");
    const auto state = readLedLockKeys(leds.path());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(*state, (LockKeyState{true, true, false}));

    std::optional<LockKeyState> source = LockKeyState{false, true, false};
    QList<std::pair<bool, LockKeyState>> reports;
    LockKeyWatcher watcher([&](bool known, const LockKeyState& s) { reports.append({known, s}); }, nullptr,
                           [&] { return source; });
    watcher.poll();  // unchanged: no report
    source = LockKeyState{true, true, false};
    watcher.poll();
    source.reset();
    watcher.poll();
    ASSERT_EQ(reports.size(), 3);
    EXPECT_EQ(reports[0], std::make_pair(true, LockKeyState{false, true, false}));
    EXPECT_TRUE(reports[1].second.caps);
    EXPECT_FALSE(reports[2].first);
}

TEST_F(Frame, RealViewReplacesItsPlaceholder)
{
    auto* real = new QWidget;
    frame->setViewWidget(View::Graph, real);
    EXPECT_EQ(frame->viewWidget(View::Graph), real);
    frame->ShowView(View::Graph);
    EXPECT_TRUE(real->isVisible());
    EXPECT_FALSE(frame->viewWidget(View::Status)->isVisible());
}

TEST_F(Frame, HelpKeyOpensTheShownViewsTopicAndTheHelpCommandTheIntroduction)
{
    QStringList topics;
    setHelpTopicHandler([&](const QString& t) { topics << t; });
    frame->ShowView(View::Graph);
    for (QAction* a : frame->actions())
        if (a->shortcut() == QKeySequence(Qt::Key_F1))
            a->trigger();
    frame->triggerCommand(cmd::HelpContents);
    setHelpTopicHandler({});
    EXPECT_EQ(topics, QStringList({"Korvane.chm::/The_Graphs_View.htm", "Korvane.chm::/introduction.htm"}));
}

TEST(PhoneBookImport, TheCountOfNewNumbersReadsRight)
{
    EXPECT_EQ(numbersImportedText(0), QStringLiteral("0 new numbers imported."));
    EXPECT_EQ(numbersImportedText(1), QStringLiteral("1 new number imported."));
    EXPECT_EQ(numbersImportedText(12), QStringLiteral("12 new numbers imported."));
}
