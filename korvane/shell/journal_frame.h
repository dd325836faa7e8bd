#pragma once
// The journal, phone book and notifications in the windowed monitor: the
// Call Log view, caller names as tooltips in the status and call history
// views, the desktop notifications and the live window icon.

#include <QString>

#include <functional>

class CConfigSheet;

namespace korvane {

class CMainFrame;
class CMonitorController;
class JournalSession;

// Everything it creates belongs to the controller and the frame. The Call
// Log's "Settings..." opens the properties sheet on its Calls page, whose
// Apply and OK the journal follows at once.
void AttachJournalToFrame(CMainFrame& frame, CMonitorController& controller, JournalSession& session,
                          CConfigSheet* sheet = nullptr);

// A journal problem in the window: the status bar and a box that does not
// hold up the monitor.
std::function<void(const QString&)> journalProblemReporter(CMainFrame& frame);

}  // namespace korvane
