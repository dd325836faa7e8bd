#pragma once
// A timer on a thread of its own: the script runs on the caller's thread and
// blocks it, so only another thread can notice that a call takes too long.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace scriptcontrol {

class Watchdog {
public:
    explicit Watchdog(std::function<void()> onExpired);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Starts counting limitMs (<= 0: no limit) for one call.
    void arm(int limitMs);
    void disarm();
    // Time spent while paused (a message box waiting for the user) does not count.
    void pause();
    void resume();
    // Whether the limit ran out since the last arm().
    bool expired() const;

private:
    void loop();

    std::function<void()> onExpired_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool armed_ = false;
    bool paused_ = false;
    bool expired_ = false;
    int pauseDepth_ = 0;
    std::chrono::steady_clock::duration remaining_{};
    std::chrono::steady_clock::time_point deadline_{};
    std::thread thread_;
};

}  // namespace scriptcontrol
