// The windowed monitor (libkorvane_window): the frame with its views, tray
// icon, sounds and dialogs. The korvane program loads it for a run without
// --console.

#include "korvane/shell/controller.h"
#include "korvane/shell/launch.h"
#include "korvane/shell/startup.h"
#include "korvane/shell/stop_watcher.h"

#include <QApplication>

#include <cstdio>

extern "C" Q_DECL_EXPORT int korvane_main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvane"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(korvane::kVersion));
    korvane::LaunchOptions options;
    if (const int code = korvane::readLaunchOptions(app, argc, argv, &options); code >= 0)
        return code;
    korvane::StopWatcher stops;
    korvane::prepareRun(stops, options);
    korvane::DemoRouter demo;
    if (options.demo && !demo.start(&options))
        return 1;
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
    const int code = korvane::runFrame(app, frame);
    demo.stop();
    return code;
}
