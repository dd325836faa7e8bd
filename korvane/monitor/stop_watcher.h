#pragma once
// Ending always ends. SIGINT, SIGTERM and the end of a timed run (--for) are
// noticed on a thread of their own, because the user interface thread may be
// busy in a script that does not return. The watcher then asks that thread
// to stop (stopRequested, queued to it) and, until the request is taken,
// interrupts whatever script call is running every tenth of a second, the
// way its time limit would.

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

namespace korvane {

// The most the unload event may take once a stop was requested.
inline constexpr int kUnloadSeconds = 5;
// The script time limit for that event, from the configured one (0: none).
inline int unloadTimeLimit(int scriptTimeoutSeconds) {
    return scriptTimeoutSeconds <= 0 ? kUnloadSeconds : qMin(scriptTimeoutSeconds, kUnloadSeconds);
}

class StopWatcher : public QObject {
    Q_OBJECT
public:
    explicit StopWatcher(QObject* parent = nullptr);
    ~StopWatcher() override;

    // SIGINT, SIGTERM and SIGHUP request a stop. One watcher per process.
    bool installSignalHandlers();
    // A stop is requested this many milliseconds from now (a timed run).
    void setDeadline(qint64 milliseconds);
    // Called on the watcher's thread while a stop waits to be taken: it must
    // be safe from any thread (an engine's interrupt is).
    void setInterrupter(std::function<void()> interrupter);
    // The stop was taken: no more interrupts, so the script's unload event
    // can still run (under a limit of its own).
    void stopTaken();

    // Requests a stop from anywhere, signal handlers included.
    static void requestStop();
    bool stopRequestedAlready() const { return requested_.load(); }

signals:
    // On the thread that made the watcher, once per stop.
    void stopRequested();

private:
    void run();

    int pipe_[2] = {-1, -1};
    std::atomic<qint64> deadlineMs_{-1};  // steady clock, ms; -1: none
    std::atomic<bool> requested_{false};
    std::atomic<bool> taken_{false};
    std::function<void()> interrupter_;
    std::atomic<bool> hasInterrupter_{false};
    std::thread thread_;
};

}  // namespace korvane
