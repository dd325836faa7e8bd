// korvane: the monitor. It loads one of its two halves and hands over the
// command line: libkorvane_console for --console (and --help, --version),
// libkorvane_window otherwise. A console monitor so never maps the window's
// libraries, and an installation without the window still monitors.

#include "automation/private_library.h"
#include "korvane/app/launch_mode.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    const bool console = korvane::startsWithoutWindow(argc, argv);
    const QString library = QString::fromLatin1(console ? "libkorvane_console.so" : "libkorvane_window.so");
    QString error;
    using Entry = int(int, char**);
    auto* entry = reinterpret_cast<Entry*>(automation::resolvePrivateSymbol(library, "korvane_main", &error));
    if (!entry) {
        std::fprintf(stderr, "korvane: %s\n", qPrintable(error));
        if (!console)
            std::fprintf(stderr, "korvane: without its window the monitor still runs with --console\n");
        return 1;
    }
    return entry(argc, argv);
}
