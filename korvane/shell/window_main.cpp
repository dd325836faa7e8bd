// The windowed monitor (libkorvane_window): the frame with its views, tray
// icon, sounds and dialogs. The korvane program loads it for a run without
// --console.

#include "korvane/assembly/launch.h"
#include "korvane/shell/startup.h"
#include "korvane/monitor/stop_watcher.h"

#include <QApplication>

#include <cstdio>

extern "C" Q_DECL_EXPORT int korvane_main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvane::LaunchOptions options;
    korvane::StopWatcher stops;
    korvane::DemoRouter demo;
    if (const int code = korvane::beginRun(app, argc, argv, &options, stops, demo); code >= 0)
        return code;
    if (options.passwordGiven && !options.demo) {
        // The window takes the password from the settings (its sheet edits
        // it there); one on the command line would be stored.
        std::fprintf(stderr, "korvane: --password applies to --console; the window uses the stored password\n");
    }
    if (!options.httpAddress.isEmpty())
        std::fprintf(stderr, "korvane: --http applies to --console; the window serves the \"HTTP Address\" setting\n");
    korvane::FrameOptions frame;
    frame.commandLine = options.address;
    frame.stops = &stops;
    frame.recordFile = options.recordFile;
    frame.recordLimitBytes = options.recordLimitBytes;
    frame.mqttBroker = options.mqttBroker;
    const int code = korvane::runFrame(app, frame);
    demo.stop();
    return code;
}
