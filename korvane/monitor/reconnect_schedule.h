#pragma once
// When the monitor reconnects by itself. A router that reboots, or a line to
// it that drops, leaves the status stale; after "Reconnect Interval" seconds
// of that the monitor reconnects, and while the status stays stale it tries
// again with a doubling wait up to ten minutes. The first status tick starts
// the count afresh. A bad password stops it until the user reconnects or
// changes the settings: more attempts would only lock the router's account.

namespace korvane {

class ReconnectSchedule {
public:
    static constexpr int kMaxWaitSeconds = 600;

    // Seconds of stale status before the first attempt; 0 turns it off.
    void setInterval(int seconds) { interval_ = seconds < 0 ? 0 : seconds; }
    int interval() const { return interval_; }

    // The wait before the next attempt: the interval, doubled for each
    // attempt made since the status was last live, at most kMaxWaitSeconds
    // (or the interval, when that is longer). -1 when none is due: off, or
    // stopped by a bad password.
    int nextWaitSeconds() const;
    // The number the next attempt gets, counted from 1.
    int nextAttempt() const { return attempts_ + 1; }
    int attempts() const { return attempts_; }

    void attemptMade() { ++attempts_; }
    // A status tick: the router is back.
    void statusLive() { attempts_ = 0; }

    // "Bad Password!!!": no attempts until allow().
    void block() { blocked_ = true; }
    bool blocked() const { return blocked_; }
    // The user reconnected or changed the settings.
    void allow() { blocked_ = false; attempts_ = 0; }

private:
    int interval_ = 0;
    int attempts_ = 0;
    bool blocked_ = false;
};

}  // namespace korvane
