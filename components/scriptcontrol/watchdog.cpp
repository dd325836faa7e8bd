#include "components/scriptcontrol/watchdog.h"

namespace scriptcontrol {

using Clock = std::chrono::steady_clock;

Watchdog::Watchdog(std::function<void()> onExpired) : onExpired_(std::move(onExpired)) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Watchdog::arm(int limitMs) {
    std::lock_guard lock(mutex_);
    expired_ = false;
    pauseDepth_ = 0;
    paused_ = false;
    armed_ = limitMs > 0;
    if (!armed_)
        return;
    deadline_ = Clock::now() + std::chrono::milliseconds(limitMs);
    // The thread starts with the first limited call, so hosts without a limit pay nothing.
    if (!thread_.joinable())
        thread_ = std::thread([this] { loop(); });
    wake_.notify_all();
}

void Watchdog::disarm() {
    std::lock_guard lock(mutex_);
    armed_ = false;
    wake_.notify_all();
}

void Watchdog::pause() {
    std::lock_guard lock(mutex_);
    if (pauseDepth_++ == 0 && armed_) {
        paused_ = true;
        remaining_ = deadline_ - Clock::now();
    }
    wake_.notify_all();
}

void Watchdog::resume() {
    std::lock_guard lock(mutex_);
    if (pauseDepth_ > 0 && --pauseDepth_ == 0 && paused_) {
        paused_ = false;
        deadline_ = Clock::now() + remaining_;
    }
    wake_.notify_all();
}

bool Watchdog::expired() const {
    std::lock_guard lock(mutex_);
    return expired_;
}

void Watchdog::loop() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!armed_ || paused_) {
            wake_.wait(lock);
            continue;
        }
        if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ && !paused_ && !quit_ &&
            Clock::now() >= deadline_) {
            armed_ = false;
            expired_ = true;
            onExpired_();
        }
    }
}

}  // namespace scriptcontrol
