// The journal's share of the window: the Call Log in the frame's seventh
// place, names as tooltips on caller ids, and the window icon following the
// tray meter.
#include "tests/controller/recorders.h"
#include "tests/frame/memory_store.h"

#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/journal/phone_book.h"
#include "korvane/model/application.h"
#include "korvane/journal/journal_session.h"
#include "korvane/shell/journal_frame.h"
#include "korvane/notify/tray_meter.h"
#include "korvane/monitor/controller.h"
#include "korvane/shell/main_frame.h"
#include "korvane/shell/tray_icon.h"
#include "korvane/views/call_history_view.h"
#include "korvane/views/call_log_view.h"
#include "korvane/views/status_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

TEST(JournalFrame, CallLogTooltipsAndTheLiveWindowIcon)
{
    const QString dir = qEnvironmentVariable("KORVANE_SETTINGS_DIR");
    ASSERT_FALSE(dir.isEmpty());
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    {
        QFile book(PhoneBook::defaultFile());
        ASSERT_TRUE(book.open(QIODevice::WriteOnly));
        book.write("Number,Name\r\n+49 30 1234567,Anna Berg\r\n");
        QFile conf(QDir(dir).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("[Settings]\nCountry%20Code=49\nArea%20Code=30\nNotify%20Caller%20ID=0\nNotify%20Router%20Lost=0\n");
    }
    CTrayIcon::setPlatformHasTrayForTesting(0);
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(false);
    Log log;
    FakeSettings settings;
    CMonitorController controller(&settings, &frame, std::make_unique<FakeTerminal>(&log));
    auto* status = new CStatusView;
    frame.setViewWidget(CMainFrame::View::Status, status);
    controller.setStatusTable(status);
    auto* history = new CCallHistoryView(&controller.application().callInfos());
    frame.setViewWidget(CMainFrame::View::CallHistory, history);
    QObject::connect(&controller, &CMonitorController::callHistoryRead, history, &CCallHistoryView::ShowCallHistory);
    JournalSession journal(&controller, journalProblemReporter(frame));
    AttachJournalToFrame(frame, controller, journal);

    auto* log_ = qobject_cast<CCallLogView*>(frame.viewWidget(CMainFrame::View::CallLog));
    ASSERT_NE(log_, nullptr);

    prestige::RouterState router;
    prestige::CallRequest voice;
    voice.line = 2;
    voice.kind = prestige::CallKind::Voice;
    voice.direction = prestige::Direction::In;
    voice.number = QStringLiteral("1234567");
    ASSERT_TRUE(router.startCall(voice));
    router.advance();
    controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
    ASSERT_GE(status->topLevelItemCount(), 2);
    EXPECT_EQ(status->topLevelItem(1)->toolTip(7), QStringLiteral("1234567: Anna Berg"));
    EXPECT_TRUE(status->topLevelItem(0)->toolTip(7).isEmpty());

    // The window icon is the tray meter of this tick, at any size asked for.
    const QImage icon = frame.windowIcon().pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(icon, trayMeterImage(controller.trayIconIndex(), 32));
    controller.OnWatchdog();
    EXPECT_EQ(frame.windowIcon().pixmap(QSize(48, 48)).toImage().convertToFormat(QImage::Format_ARGB32),
              trayMeterImage(kTrayNoStatus, 48));

    // The call is in the journal and the Call Log shows it with its name.
    QCoreApplication::processEvents();
    log_->reload();
    ASSERT_EQ(log_->model().rowCount(), 1);
    EXPECT_EQ(log_->model().calls()[0].callerName, QStringLiteral("Anna Berg"));
    // The router went quiet: the call waits for the status to come back.
    EXPECT_TRUE(log_->model().calls()[0].isOpen());

    // Names as tooltips on the router's call history.
    router.setHistory({{QStringLiteral("030 1234567"), prestige::Direction::In, 64, 1, 5, 5, 5}});
    controller.OnCallHistoryScreen(QString::fromLatin1(prestige::paintCallHistoryScreen(router, {}).text()));
    ASSERT_GE(history->topLevelItemCount(), 1);
    EXPECT_EQ(history->topLevelItem(0)->toolTip(0), QStringLiteral("Anna Berg"));
}
