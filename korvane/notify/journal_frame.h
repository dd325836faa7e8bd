#pragma once
// The journal, phone book and notifications in the windowed monitor: the
// Call Log view, caller names as tooltips in the status and call history
// views, the desktop notifications and the live window icon.

namespace korvane {

class CMainFrame;
class CMonitorController;
class JournalSession;

// Everything it creates belongs to the controller and the frame. Returns the
// journal session (the controller's child), for others who read the journal.
JournalSession* AttachJournalToFrame(CMainFrame& frame, CMonitorController& controller);

}  // namespace korvane
