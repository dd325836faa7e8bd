#pragma once
// What the console and the window share before they part: the command line,
// the run's password, the stop watcher and the demo's simulated router.

#include <QString>

#include <memory>

class QCoreApplication;

namespace korvane {

class StopWatcher;

struct LaunchOptions {
    QString address;
    QString password;
    bool console = false;
    bool json = false;
    bool demo = false;
    bool passwordGiven = false;
    int seconds = 0;
    QString scriptFile;
    QString httpAddress;
    QString httpTokenFile;
    QString httpName;
    QString recordFile;
    qint64 recordLimitBytes = -1;  // --record-limit; -1: the recorder's default
    QString mqttBroker;
};

// Why a --password-file is refused: other users can read or change it. Empty
// when it is private (or no plain file, such as a pipe).
QString unsafePasswordFileReason(const QString& file);

// "100", "100M", "2K", "1G" (no unit: MB) in bytes; -1 when not a size.
qint64 parseRecordLimit(const QString& text);

// What a console run without a router password says, and how to give one.
QString noPasswordText(const QString& address);

// Reads the command line (help and version print and exit there). Returns
// -1 to go on, otherwise the exit code; errors are printed. The password on
// the command line is overwritten in argv once read.
int readLaunchOptions(QCoreApplication& app, int argc, char** argv, LaunchOptions* options);

// SIGINT, SIGTERM and the --for deadline; the terminal control registered.
void prepareRun(StopWatcher& stops, const LaunchOptions& options);

class DemoRouter;

// What both halves do first: the application's name and version, the
// command line, the stop watcher and, for --demo, the simulated router.
// Returns -1 to go on, otherwise the exit code.
int beginRun(QCoreApplication& app, int argc, char** argv, LaunchOptions* options, StopWatcher& stops,
             DemoRouter& demo);

// --demo: the simulated router on a thread of its own (the monitor blocks its
// thread while connecting), a fresh settings folder and the router's address
// and password in the options.
class DemoRouter {
public:
    DemoRouter();
    ~DemoRouter();
    DemoRouter(const DemoRouter&) = delete;
    DemoRouter& operator=(const DemoRouter&) = delete;

    // Starts the router and points options and settings at it; false with a
    // message printed.
    bool start(LaunchOptions* options);
    // Ends the router and its thread; safe to call again.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace korvane
