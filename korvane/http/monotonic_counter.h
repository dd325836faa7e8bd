#pragma once
// A router counter turned into an ever-growing total. The router's packet and
// error counters go back to zero on Reset Counters and on a reboot, and the
// monitor may restart as well; what Prometheus reads must only grow. A drop
// is always a reset (the new value counts from zero), never a wrap: the
// router's counters are far from any width at which they could wrap.

namespace korvane::http {

class MonotonicCounter {
public:
    // Takes the router's current value and returns what the total grew by.
    double observe(double raw) {
        if (!(raw >= 0))
            raw = 0;  // a negative or unreadable value counts as nothing
        double added;
        if (!seen_)
            added = raw;
        else if (raw >= last_)
            added = raw - last_;
        else {
            added = raw;
            ++resets_;
        }
        seen_ = true;
        last_ = raw;
        total_ += added;
        return added;
    }
    double total() const { return total_; }
    int resets() const { return resets_; }

private:
    double last_ = 0;
    double total_ = 0;
    int resets_ = 0;
    bool seen_ = false;
};

}  // namespace korvane::http
