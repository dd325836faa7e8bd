#pragma once
// The monitor's windowed start-up: builds the frame, runs the first-run
// configuration, the script load and the event loop, and returns the exit code.

#include <QString>

class QApplication;

namespace korvane {

struct FrameOptions {
    // The program's command line as one text. When non-empty it is the router
    // address for this run (host or host:port); nothing on it is opened as a file.
    QString commandLine;
    // Start minimised to the tray instead of showing the frame.
    bool startHidden = false;
};

// Runs the monitor with its frame window until the Exit command; returns the
// application's exit code. Call it once, on the thread that owns app.
int runFrame(QApplication& app, const FrameOptions& options);

}  // namespace korvane
