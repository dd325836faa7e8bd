#pragma once
// Holds a call to a memory budget. The script runs on the caller's thread and
// may allocate without end in one statement loop (a string doubled, an array
// filled), in either engine; a thread of its own samples how much memory the
// process holds and stops the call once it has grown by more than the budget
// since the call began.

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

    // Starts watching one call: limitBytes (<= 0: no limit) over what the
    // process holds now.
    void arm(qint64 limitBytes);
    void disarm();
    // Whether the budget ran out since the last arm().
    bool exceeded() const { return exceeded_.load(); }

    // Bytes the process holds in memory now (its resident set); 0 where the
    // platform does not tell, which turns the guard off.
    static qint64 residentBytes();

private:
    void loop();

    std::function<void()> onExceeded_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    bool armed_ = false;
    qint64 ceiling_ = 0;
    std::atomic<bool> exceeded_{false};
    std::thread thread_;
};

}  // namespace scriptcontrol
