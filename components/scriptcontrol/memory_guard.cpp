#include "components/scriptcontrol/memory_guard.h"

#include "components/vbscript/engine.h"

#include <QFile>

#include <algorithm>

#include <unistd.h>

namespace scriptcontrol {

namespace {

// Often enough that a doubling loop overshoots by little; rare enough to cost
// nothing measurable (one small read of /proc per period).
constexpr auto kPeriod = std::chrono::milliseconds(5);

}  // namespace

MemoryGuard::MemoryGuard(std::function<void()> onExceeded) : onExceeded_(std::move(onExceeded)) {}

MemoryGuard::~MemoryGuard() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

qint64 MemoryGuard::residentBytes() {
#ifdef Q_OS_LINUX
    // statm: total and resident size in pages.
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return 0;
    const QList<QByteArray> fields = statm.read(128).split(' ');
    if (fields.size() < 2)
        return 0;
    bool ok = false;
    const qint64 pages = fields[1].toLongLong(&ok);
    return ok ? pages * qint64(sysconf(_SC_PAGESIZE)) : 0;
#else
    return 0;
#endif
}

void MemoryGuard::setBaseline() {
    baseHeap_ = vbscript::heapBytesInUse();
    baseResident_ = residentBytes();
}

qint64 MemoryGuard::heldBytes(bool countResident) const {
    qint64 held = std::max<qint64>(0, vbscript::heapBytesInUse() - baseHeap_);
    if (countResident) {
        const qint64 resident = residentBytes();
        if (resident > 0)
            held = std::max(held, resident - baseResident_.load());
    }
    return held;
}

void MemoryGuard::arm(qint64 limitBytes, bool countResident) {
    exceeded_ = false;
    const qint64 held = limitBytes > 0 ? heldBytes(countResident) : 0;
    std::lock_guard lock(mutex_);
    armed_ = limitBytes > 0;
    if (!armed_)
        return;
    countResident_ = countResident;
    ceiling_ = std::max(limitBytes, held);
    // The thread starts with the first limited call.
    if (!thread_.joinable())
        thread_ = std::thread([this] { loop(); });
    wake_.notify_all();
}

void MemoryGuard::disarm() {
    std::unique_lock lock(mutex_);
    const bool wasArmed = armed_;
    armed_ = false;
    const qint64 ceiling = ceiling_;
    const bool resident = countResident_;
    wake_.notify_all();
    lock.unlock();
    // A call shorter than the sampling period is measured as it ends: many
    // short calls that each keep a little add up like one long one. Not for
    // a garbage-collected engine, whose collections themselves take memory
    // and give it back only later: it is left to the sampling.
    if (wasArmed && !resident && heldBytes(false) > ceiling)
        exceeded_ = true;
}

void MemoryGuard::loop() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            wake_.wait(lock);
            continue;
        }
        wake_.wait_for(lock, kPeriod);
        if (!armed_ || quit_)
            continue;
        const qint64 ceiling = ceiling_;
        const bool resident = countResident_;
        lock.unlock();
        const bool over = heldBytes(resident) > ceiling;
        lock.lock();
        if (over && armed_) {
            armed_ = false;
            exceeded_ = true;
            onExceeded_();
        }
    }
}

}  // namespace scriptcontrol
