#include "korvane/monitor/stop_watcher.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace korvane {

namespace {

// The write end of the running watcher's pipe, for the signal handler.
std::atomic<int> signalFd{-1};

constexpr char kStopByte = 1;
constexpr char kQuitByte = 0;

void onSignal(int) {
    const int fd = signalFd.load();
    if (fd >= 0) {
        const char byte = kStopByte;
        [[maybe_unused]] ssize_t written = ::write(fd, &byte, 1);
    }
}

qint64 nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

StopWatcher::StopWatcher(QObject* parent) : QObject(parent) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    signalFd.store(pipe_[1]);
    thread_ = std::thread([this] { run(); });
}

StopWatcher::~StopWatcher() {
    if (thread_.joinable()) {
        const char byte = kQuitByte;
        [[maybe_unused]] ssize_t written = ::write(pipe_[1], &byte, 1);
        thread_.join();
    }
    int expected = pipe_[1];
    signalFd.compare_exchange_strong(expected, -1);
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

bool StopWatcher::installSignalHandlers() {
    if (pipe_[1] < 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A hang-up (the terminal or the session went away) ends the run as
    // cleanly as SIGTERM: the open call is closed in the journal.
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0 &&
           sigaction(SIGHUP, &action, nullptr) == 0;
}

void StopWatcher::setDeadline(qint64 milliseconds) {
    deadlineMs_.store(nowMs() + qMax<qint64>(0, milliseconds));
    // Wake the thread so that it waits for the new deadline.
    const char byte = 2;
    if (pipe_[1] >= 0) {
        [[maybe_unused]] ssize_t written = ::write(pipe_[1], &byte, 1);
    }
}

void StopWatcher::setInterrupter(std::function<void()> interrupter) {
    // Set while no stop is pending, before the thread may call it.
    hasInterrupter_.store(false);
    interrupter_ = std::move(interrupter);
    hasInterrupter_.store(bool(interrupter_));
}

void StopWatcher::stopTaken() { taken_.store(true); }

void StopWatcher::requestStop() { onSignal(0); }

void StopWatcher::run() {
    bool quit = false;
    while (!quit) {
        int timeout = -1;
        if (requested_.load() && !taken_.load()) {
            timeout = 100;
        } else if (const qint64 deadline = deadlineMs_.load(); deadline >= 0 && !requested_.load()) {
            timeout = int(std::clamp<qint64>(deadline - nowMs(), 0, 1000 * 1000));
        }
        pollfd fd{pipe_[0], POLLIN, 0};
        const int ready = ::poll(&fd, 1, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        bool stop = false;
        if (ready > 0) {
            char bytes[64];
            ssize_t got;
            while ((got = ::read(pipe_[0], bytes, sizeof bytes)) > 0) {
                for (ssize_t i = 0; i < got; ++i) {
                    if (bytes[i] == kQuitByte)
                        quit = true;
                    else if (bytes[i] == kStopByte)
                        stop = true;
                }
            }
        }
        if (quit)
            break;
        const qint64 deadline = deadlineMs_.load();
        if (deadline >= 0 && nowMs() >= deadline)
            stop = true;
        if (stop && !requested_.exchange(true))
            QMetaObject::invokeMethod(this, &StopWatcher::stopRequested, Qt::QueuedConnection);
        if (requested_.load() && !taken_.load() && hasInterrupter_.load())
            interrupter_();
    }
}

}  // namespace korvane
