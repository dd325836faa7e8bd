#pragma once
// Holds a script to a memory budget. The script runs on the caller's thread
// and may allocate without end in one statement loop (a string doubled, an
// array filled), in either engine; a thread of its own samples how much
// memory the process holds while a call runs and stops the call once the
// script holds more than the budget: what the process holds beyond what it
// held when the script was loaded, so that what a script keeps from one call
// to the next counts.

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace scriptcontrol {

class MemoryGuard {
public:
    explicit MemoryGuard(std::function<void()> onExceeded);
    ~MemoryGuard();
    MemoryGuard(const MemoryGuard&) = delete;
    MemoryGuard& operator=(const MemoryGuard&) = delete;

    // What the process holds now is what a freshly loaded script holds none of.
    void setBaseline();
    // Starts watching one call: limitBytes (<= 0: no limit) over the
    // baseline. A call that starts above it may run but not grow. With
    // countResident the resident set counts too, for an engine whose heap is
    // not the allocator's.
    void arm(qint64 limitBytes, bool countResident);
    // Ends the watch; a call that ends above its ceiling has exceeded it too.
    void disarm();
    // Whether the budget ran out since the last arm().
    bool exceeded() const { return exceeded_.load(); }

    // Bytes the process holds in memory now (its resident set); 0 where the
    // platform does not tell, which turns the guard off.
    static qint64 residentBytes();
    // What the script holds now, by the baseline.
    qint64 heldBytes(bool countResident) const;

private:
    void loop();

    std::function<void()> onExceeded_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool armed_ = false;
    qint64 ceiling_ = 0;
    bool countResident_ = false;
    std::atomic<qint64> baseHeap_{0};
    std::atomic<qint64> baseResident_{0};
    std::atomic<bool> exceeded_{false};
    std::thread thread_;
};

}  // namespace scriptcontrol
