#include "korvane/shell/journal_frame.h"

#include "korvane/journal/journal_recorder.h"
#include "korvane/journal/journal_session.h"
#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/notify/call_announcer.h"
#include "korvane/shell/journal_dialogs.h"
#include "korvane/notify/tray_meter.h"
#include "korvane/settings/calls_page.h"
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/settings_store.h"
#include "korvane/monitor/controller.h"
#include "korvane/shell/main_frame.h"
#include "korvane/shell/tray_icon.h"
#include "korvane/views/call_log_view.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

namespace korvane {

std::function<void(const QString&)> journalProblemReporter(CMainFrame& frame)
{
    QPointer<CMainFrame> owner(&frame);
    return [owner](const QString& text) {
        if (!owner)
            return;
        owner->SetStatusText(text);
        if (text == QLatin1String(JournalRecorder::kResumedText))
            return;
        auto* box = new QMessageBox(QMessageBox::Warning, korvaneProductTitle(), text, QMessageBox::Ok, owner);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    };
}

void AttachJournalToFrame(CMainFrame& frame, CMonitorController& controller, JournalSession& journal,
                          CConfigSheet* sheet)
{
    QPointer<CMainFrame> owner(&frame);
    JournalSession* session = &journal;
    QPointer<JournalSession> live(session);

    auto* view = new CCallLogView;
    frame.setViewWidget(CMainFrame::View::CallLog, view);
    view->setJournalSource([live] { return live ? live->journalForReading() : nullptr; });
    view->setTariffSource([live] { return live ? live->settings().tariff : Tariff(); });
    QObject::connect(session, &JournalSession::journalChanged, view, &CCallLogView::journalChanged);
    QObject::connect(view, &CCallLogView::phoneBookRequested, session, [session, view] {
        PhoneBookDialog dialog(&session->phoneBook(), view);
        dialog.exec();
    });
    if (sheet) {
        QObject::connect(view, &CCallLogView::settingsRequested, &frame, [owner, sheet] {
            if (!owner)
                return;
            sheet->openNextOn(CConfigSheet::CallsPage);
            owner->triggerCommand(cmd::Properties);
        });
        QObject::connect(sheet->callsPage(), &CCallsPage::applied, session, [session, view] {
            session->reload();
            view->reload();
        });
    }

    // Notifications: the bus, else the tray's balloon, else nothing.
    auto* notifier = new DesktopNotifier(&controller);
    notifier->setBalloon([owner](const QString& title, const QString& body) {
        return owner && owner->tray() && owner->tray()->showMessage(title, body);
    });
    new CallAnnouncer(&controller, notifier, [session] {
        const JournalSettings& s = session->settings();
        return AnnounceChoices{s.notifyCallerId, s.notifyLineUp, s.notifyLineDown, s.notifyRouter};
    }, &controller);

    // Where there is no tray, the task bar still shows both lines' load.
    CTrayIcon::setIconSource(trayMeterIcon);
    frame.setWindowIcon(trayMeterIcon(kTrayNoStatus));
    QObject::connect(&controller, &CMonitorController::trayChanged, &frame, [owner](int index, const QString&) {
        if (owner)
            owner->setWindowIcon(trayMeterIcon(index));
    });

    // Names as tooltips on the caller ids.
    QObject::connect(&controller, &CMonitorController::statusTick, session, [owner, &controller] {
        auto* status = owner ? qobject_cast<QTreeWidget*>(owner->viewWidget(CMainFrame::View::Status)) : nullptr;
        if (!status)
            return;
        for (int n = 0; n < 2 && n < status->topLevelItemCount(); ++n) {
            const CLine* line = controller.application().lines().line(n + 1);
            const QString tip = line && !line->callerName().isEmpty()
                                    ? QStringLiteral("%1: %2").arg(line->clid(), line->callerName())
                                    : QString();
            QTreeWidgetItem* item = status->topLevelItem(n);
            if (item->toolTip(7) != tip)
                item->setToolTip(7, tip);
        }
    });
    QObject::connect(&controller, &CMonitorController::callHistoryRead, session, [owner, session] {
        auto* history = owner ? qobject_cast<QTreeWidget*>(owner->viewWidget(CMainFrame::View::CallHistory)) : nullptr;
        if (!history)
            return;
        for (int row = 0; row < history->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = history->topLevelItem(row);
            item->setToolTip(0, session->phoneBook().nameFor(item->text(0)));
        }
    });
}

}  // namespace korvane
