#pragma once
// The monitor's windowed start-up: builds the frame, runs the first-run
// configuration, the script load and the event loop, and returns the exit code.

#include "korvane/shell/main_frame.h"

#include <QString>

#include <functional>
#include <memory>

class QApplication;

namespace korvane {

struct FrameOptions {
    // The program's command line as one text. When non-empty it is the router
    // address for this run (host or host:port); nothing on it is opened as a file.
    QString commandLine;
    // Start minimised to the tray instead of showing the frame.
    bool startHidden = false;
    // SIGINT and SIGTERM: each stop it requests runs the Exit command.
    class StopWatcher* stops = nullptr;
    // Record the session with the router to this capture file (--record).
    QString recordFile;
    qint64 recordLimitBytes = -1;  // --record-limit; -1: the recorder's default
    // --mqtt: the MQTT broker for this run (else the "MQTT Broker" setting).
    QString mqttBroker;
};

// Runs the monitor with its frame window until the Exit command; returns the
// application's exit code. Call it once, on the thread that owns app.
int runFrame(QApplication& app, const FrameOptions& options);

}  // namespace korvane

namespace korvane {

// ---- The start-up sequence's pieces, apart so that their order can be tested.

// A store on QSettings: the registry on Windows, an INI file elsewhere, or an
// INI file in KORVANE_SETTINGS_DIR when that is set.
class QSettingsProfileStore : public ProfileStore {
public:
    QSettingsProfileStore();
    ~QSettingsProfileStore() override;
    QVariant value(const QString& section, const QString& key) const override;
    void setValue(const QString& section, const QString& key, const QVariant& value) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// What start-up needs from the monitor around the frame. Every hook may be
// empty (then that step does nothing).
struct StartupHooks {
    // Creates the views after the status view and puts them into the frame.
    std::function<void()> createViews;
    // The stored router password, for the configuration check.
    std::function<QString()> password;
    // The properties sheet, modal; true when closed with OK.
    std::function<bool()> runConfigSheet;
    // Scripts on and a host present: load the script and fire OnAppLoad, or show its error.
    std::function<void()> loadScript;
    // The caption: the title with version and router.
    std::function<QString()> title;
    // The other views' first updates: connect to the router, start the syslog receiver.
    std::function<void()> firstUpdates;
};

// Whether start-up must ask for the configuration: "Configured" is 0 or the
// password is empty or "<deleted>".
bool needsConfiguration(bool configured, const QString& password);

// Steps 8 to 10 of start-up on a created frame: views, configuration check
// (hiding the splash before the sheet), script, caption, the other views'
// first updates, then the frame is shown unless startHidden.
// Returns whether the program is configured afterwards.
bool runStartupSteps(CMainFrame& frame, ProfileStore& store, const StartupHooks& hooks, bool startHidden);

}  // namespace korvane
