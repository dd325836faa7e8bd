#pragma once
// The journal, phone book and notifications in the windowed monitor: the
// Call Log view, caller names as tooltips in the status and call history
// views, the desktop notifications and the live window icon.

#include <QString>

#include <functional>

namespace korvane {

class CMainFrame;
class CMonitorController;
class JournalSession;

// Everything it creates belongs to the controller and the frame.
void AttachJournalToFrame(CMainFrame& frame, CMonitorController& controller, JournalSession& session);

// A journal problem in the window: the status bar and a box that does not
// hold up the monitor.
std::function<void(const QString&)> journalProblemReporter(CMainFrame& frame);

}  // namespace korvane
